#include "readouts.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "messages.h"

namespace abys {

QString positionText(const GeoPoint& position) {
  return QCoreApplication::translate("DrawingArea", "LAT:") +
         QString::fromStdString(formatMessage(" %.7f ", position.lat)) +
         QCoreApplication::translate("DrawingArea", "LON:") +
         QString::fromStdString(formatMessage(" %.7f", position.lon));
}

QString depthText(const std::optional<DepthReadout>& readout) {
  if (!readout) return QString();
  switch (readout->kind) {
    case DepthReadout::Kind::Line:
      return QCoreApplication::translate("DrawingArea", "VALDCO:") +
             QString::fromStdString(formatMessage(" %.1f", readout->value));
    case DepthReadout::Kind::Sounding:
      return QCoreApplication::translate("DrawingArea", "SOUNDG:") +
             QString::fromStdString(formatMessage(" %.1f", readout->value));
    case DepthReadout::Kind::Area:
    default: {
      auto value = [](const std::optional<double>& v) {
        return v ? QString::fromStdString(formatMessage("%.1f", *v)) : QStringLiteral("-");
      };
      return QCoreApplication::translate("DrawingArea", "DRVAL:") + u' ' + value(readout->drval1) +
             QStringLiteral(" - ") + value(readout->drval2);
    }
  }
}

namespace {

// Degrees and minutes of the magnitude of value; positive says which of
// the hemisphere's two letters.
QString angleText(double value, const char* positive, const char* negative) {
  const long long thousandths = std::llround(std::fabs(value) * 60000.0);
  const long long degrees = thousandths / 60000;
  const long long minutes = thousandths % 60000;
  const QString figure = QStringLiteral("%1\u00B0%2.%3'")
                             .arg(degrees)
                             .arg(minutes / 1000, 2, 10, QLatin1Char('0'))
                             .arg(minutes % 1000, 3, 10, QLatin1Char('0'));
  const bool south = value < 0 && thousandths != 0;
  return QCoreApplication::translate("DrawingArea", south ? negative : positive).arg(figure);
}

}  // namespace

QString scaleText(double denominator) {
  if (!(denominator > 0) || !std::isfinite(denominator)) return QString();
  const double power = std::pow(10.0, std::floor(std::log10(denominator)) - 2);
  const long long rounded = std::max(1LL, std::llround(std::round(denominator / power) * power));
  QString digits = QString::number(rounded);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
    digits.insert(at, u',');
  return QCoreApplication::translate("DrawingArea", "1:%1").arg(digits);
}

QString latitudeText(double latitude) {
  return angleText(latitude, QT_TRANSLATE_NOOP("DrawingArea", "%1N"),
                   QT_TRANSLATE_NOOP("DrawingArea", "%1S"));
}

QString longitudeText(double longitude) {
  return angleText(longitude, QT_TRANSLATE_NOOP("DrawingArea", "%1E"),
                   QT_TRANSLATE_NOOP("DrawingArea", "%1W"));
}

QString scaleAndPositionText(double denominator, const std::optional<GeoPoint>& position) {
  QString text = scaleText(denominator);
  if (!position) return text;
  if (!text.isEmpty()) text += QStringLiteral("  ");
  return text + latitudeText(position->lat) + u' ' + longitudeText(position->lon);
}

}  // namespace abys
