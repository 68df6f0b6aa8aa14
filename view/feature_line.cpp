#include "feature_line.h"

#include <new>

#include "edge_walk.h"

namespace abys {

// One vector sized once for the whole line: rendering and picking run this
// for every depth line on every paint and press.
std::optional<FeatureLine> assembleFeatureLine(const FeatureRecord& feature) {
  if (feature.prim != kPrimLine || feature.spatialPointers.empty()) return std::nullopt;
  try {
    size_t total = 1;
    for (const SpatialPointerEntry* p : feature.spatialPointers) {
      if (p->target == nullptr) return std::nullopt;
      total += static_cast<size_t>(p->target->coordinates.count) + 1;
    }
    FeatureLine line;
    line.points.reserve(total);
    const SpatialPointerEntry* last = &feature.spatialPointers.back();
    for (const SpatialPointerEntry* p : feature.spatialPointers) {
      const std::optional<EdgeEnds> ends = edgeEnds(*p->target, p->ornt);
      if (!ends) return std::nullopt;
      appendEdge(*p->target, p->ornt, *ends, true, p == last, line.points);
    }
    return line;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace abys
