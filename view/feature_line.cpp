#include "feature_line.h"

#include <algorithm>
#include <new>

#include "edge_walk.h"

namespace abys {

bool appendFeatureLine(const FeatureRecord& feature, std::vector<LinePoint>& points) {
  if (feature.prim != kPrimLine || feature.spatialPointers.empty()) return false;
  size_t total = 1;
  for (const SpatialPointerEntry* p : feature.spatialPointers) {
    if (p->target == nullptr) return false;
    total += static_cast<size_t>(p->target->coordinates.count) + 1;
  }
  const size_t start = points.size();
  // Grown geometrically: callers append many lines to one array.
  if (points.capacity() < start + total)
    points.reserve(std::max(start + total, 2 * points.capacity()));
  for (const SpatialPointerEntry* p : feature.spatialPointers) {
    const std::optional<EdgeEnds> ends = edgeEnds(*p->target, p->ornt);
    if (!ends) {
      points.resize(start);
      return false;
    }
    appendEdge(*p->target, p->ornt, *ends, true, p->next == nullptr, points);
  }
  return true;
}

// One vector sized once for the whole line: rendering and picking run this
// for every depth line on every paint and press.
std::optional<FeatureLine> assembleFeatureLine(const FeatureRecord& feature) {
  try {
    FeatureLine line;
    if (!appendFeatureLine(feature, line.points)) return std::nullopt;
    return line;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace abys
