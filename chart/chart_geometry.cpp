#include "chart_geometry.h"

#include <cmath>

#include "geos_geometry.h"

namespace abys {

double depthValue(const FeatureRecord& feature) {
  return attributeValue(feature, kValdcoCode).value_or(kNoValdco);
}

std::vector<PixelPoint> projectLine(const FeatureLine& line, const ViewState& view) {
  std::vector<PixelPoint> pixels;
  pixels.reserve(line.points.size());
  for (const LinePoint& point : line.points) {
    pixels.push_back(metresToPixel(view, degreesToMetres(view, point.x, point.y)));
  }
  return pixels;
}

std::optional<PixelPoint> textAnchor(const FeatureRecord& feature, const ViewState& view) {
  const SpatialPointerEntry* pointer = feature.spatialPointers.first;
  if (pointer == nullptr || pointer->target == nullptr) return std::nullopt;
  const CoordinateRun& coordinates = pointer->target->coordinates;
  if (coordinates.empty()) return std::nullopt;
  const Coordinate at = coordinates[0];
  return metresToPixel(view, degreesToMetres(view, at.x, at.y));
}

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
  for (const uint16_t objectClass : {kDepthLineClass, catalogue::kDepcnt}) {
    for (const FeatureRecord* feature : display.currentDataset->features) {
      if (feature->objl != objectClass) continue;
      const double d = lineDistance(*feature, view, pointer);
      if (d >= 0.0 && (best < 0.0 || d < best)) {
        best = d;
        picked = feature;
      }
    }
  }
  return picked;
}

std::optional<Sounding> pickSounding(const DisplayState& display, const ViewState& view,
                                     PixelPoint pointer) {
  if (display.currentDataset == nullptr) return std::nullopt;
  double best = kPickTolerance;
  std::optional<Sounding> picked;
  for (const FeatureRecord* feature : display.currentDataset->features) {
    if (feature->objl != catalogue::kSoundg) continue;
    for (const SpatialPointerEntry* spatial : feature->spatialPointers) {
      if (spatial->target == nullptr) continue;
      for (const Sounding sounding : spatial->target->soundings()) {
        const PixelPoint at = metresToPixel(view, degreesToMetres(view, sounding.x, sounding.y));
        const double d = std::hypot(static_cast<double>(at.column) - pointer.column,
                                    static_cast<double>(at.row) - pointer.row);
        if (d < best) {
          best = d;
          picked = sounding;
        }
      }
    }
  }
  return picked;
}

const FeatureRecord* pickDepthArea(const DisplayState& display, const ViewState& view,
                                   PixelPoint pointer) {
  if (display.currentDataset == nullptr) return nullptr;
  const GeoPoint at = metresToDegrees(view, pixelToMetres(view, pointer.column, pointer.row));
  const FeatureRecord* picked = nullptr;
  const Geos geos;
  for (const FeatureRecord* feature : display.currentDataset->features) {
    if (feature->objl != catalogue::kDepare && feature->objl != catalogue::kDrgare) continue;
    const std::optional<FeatureArea> area = assembleFeatureArea(*feature);
    if (area && areaCovers(geos, *area, at.lon, at.lat)) picked = feature;
  }
  return picked;
}

std::optional<double> attributeValue(const FeatureRecord& feature, uint16_t attl) {
  return portrayal::attributeNumber(feature, attl);
}

}  // namespace abys
