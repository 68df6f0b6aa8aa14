#include "drawn_geometry.h"

#include <algorithm>

#include "feature_area.h"

namespace abys {

DrawnGeometry::DrawnGeometry(const DisplayState& display) {
  const std::pair<int, bool> drawn[] = {{kDepthAreas, true},
                                        {kUnsurveyed, true},
                                        {kLand, true},
                                        {kShoreLines, false},
                                        {kDepthContours, false}};
  for (const auto& [displayClass, asArea] : drawn) {
    for (const FeatureRecord* f = display.displayChains[displayClass].head; f != nullptr;
         f = f->nextInClass) {
      add(displayClass, *f, asArea);
    }
  }
}

void DrawnGeometry::add(int displayClass, const FeatureRecord& feature, bool asArea) {
  std::vector<FeatureRing> rings;
  if (!asArea) {
    std::optional<FeatureLine> line = assembleFeatureLine(feature);
    if (line) rings.push_back({std::move(line->points), true});
  }
  if (rings.empty()) {
    std::optional<FeatureArea> area = assembleFeatureArea(feature);
    if (area) rings = std::move(area->rings);
  }
  if (rings.empty()) return;
  DrawnFeature drawn{&feature, static_cast<uint32_t>(parts_.size()), 0, {}};
  bool first = true;
  for (const FeatureRing& ring : rings) {
    parts_.push_back({static_cast<uint32_t>(points_.size()),
                      static_cast<uint32_t>(ring.points.size()), ring.exterior});
    for (const LinePoint& p : ring.points) {
      points_.push_back(p);
      if (first) {
        drawn.box = {p.x, p.y, p.x, p.y};
        first = false;
      }
      drawn.box = {std::min(drawn.box.minX, p.x), std::min(drawn.box.minY, p.y),
                   std::max(drawn.box.maxX, p.x), std::max(drawn.box.maxY, p.y)};
    }
    ++drawn.partCount;
  }
  layers_[static_cast<size_t>(displayClass)].push_back(drawn);
}

Bounds visibleDegrees(const ViewState& view, const ViewWindow& window, int32_t margin) {
  const GeoPoint a =
      metresToDegrees(view, pixelToMetres(view, window.left - margin, window.top - margin));
  const GeoPoint b =
      metresToDegrees(view, pixelToMetres(view, window.right + margin, window.bottom + margin));
  return {std::min(a.lon, b.lon), std::min(a.lat, b.lat), std::max(a.lon, b.lon),
          std::max(a.lat, b.lat)};
}

}  // namespace abys
