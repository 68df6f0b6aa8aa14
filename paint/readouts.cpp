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

QString depthText(std::optional<double> depth) {
  if (!depth) return QString();
  return QCoreApplication::translate("DrawingArea", "VALDCO:") +
         QString::fromStdString(formatMessage(" %.1f", *depth));
}

}  // namespace abys
