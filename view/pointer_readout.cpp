#include "pointer_readout.h"

#include <QCoreApplication>

#include "chart_render.h"
#include "feature_line.h"
#include "load_driver.h"

namespace abys {

namespace {

// The smallest distance from pointer to a segment of the feature's line
// within the tolerance, or -1.
double lineDistance(const FeatureRecord& feature, const ViewState& view, PixelPoint pointer) {
  const std::optional<FeatureLine> line = assembleFeatureLine(feature);
  if (!line) return -1.0;
  const std::vector<PixelPoint> pixels = projectLine(*line, view);
  double nearest = -1.0;
  for (size_t k = 0; k + 1 < pixels.size(); ++k) {
    const double r =
        pointSegmentDistance(pixels[k].column, pixels[k].row, pixels[k + 1].column,
                             pixels[k + 1].row, pointer.column, pointer.row, kPickTolerance);
    if (r >= 0.0 && (nearest < 0.0 || r < nearest)) nearest = r;
  }
  return nearest;
}

}  // namespace

const FeatureRecord* pickDepthLine(const DisplayState& display, const ViewState& view,
                                   PixelPoint pointer) {
  if (display.currentDataset == nullptr) return nullptr;
  double best = -1.0;
  const FeatureRecord* picked = nullptr;
  for (const FeatureRecord* feature = display.displayChains[kDepthLines].head; feature != nullptr;
       feature = feature->nextInClass) {
    const double d = lineDistance(*feature, view, pointer);
    if (d >= 0.0 && (best < 0.0 || d < best)) {
      best = d;
      picked = feature;
    }
  }
  return picked;
}

QString positionText(const ViewState& view, PixelPoint pointer) {
  const GeoPoint geo = metresToDegrees(view, pixelToMetres(view, pointer.column, pointer.row));
  return QCoreApplication::translate("DrawingArea", "LAT:") +
         QString::fromStdString(formatMessage(" %.7f ", geo.lat)) +
         QCoreApplication::translate("DrawingArea", "LON:") +
         QString::fromStdString(formatMessage(" %.7f", geo.lon));
}

QString depthText(const DisplayState& display, const ViewState& view, PixelPoint pointer) {
  const FeatureRecord* picked = pickDepthLine(display, view, pointer);
  if (picked == nullptr) return QString();
  return QCoreApplication::translate("DrawingArea", "VALDCO:") +
         QString::fromStdString(formatMessage(" %.1f", depthValue(*picked)));
}

}  // namespace abys
