#include "readouts.h"

#include <QCoreApplication>

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

}  // namespace abys
