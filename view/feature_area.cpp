#include "feature_area.h"

#include <cmath>
#include <new>
#include <utility>

#include "edge_walk.h"

namespace abys {
namespace {

bool samePoint(const LinePoint& a, const LinePoint& b) {
  return a.x == b.x && a.y == b.y;
}

}  // namespace

std::optional<FeatureArea> assembleFeatureArea(const FeatureRecord& feature) {
  if (feature.prim != kPrimArea || feature.spatialPointers.empty()) return std::nullopt;
  try {
    FeatureArea area;
    FeatureRing ring;
    bool open = false;    // a ring has begun and not closed yet
    bool broken = false;  // two edges of the open ring do not meet
    for (const SpatialPointerEntry* p : feature.spatialPointers) {
      if (p->target == nullptr) return std::nullopt;
      const std::optional<EdgeEnds> ends = edgeEnds(*p->target, p->ornt);
      if (!ends) return std::nullopt;
      const bool exterior = p->usag != 2;
      if (open && exterior != ring.exterior) open = false;  // unclosed: dropped
      if (!open) {
        ring.points.clear();
        ring.exterior = exterior;
        open = true;
        broken = false;
      } else if (!samePoint(ends->start, ring.points.back())) {
        broken = true;
      }
      appendEdge(*p->target, p->ornt, *ends, ring.points.empty(), true, ring.points);
      if (samePoint(ring.points.back(), ring.points.front())) {
        if (!broken) area.rings.push_back(std::move(ring));
        open = false;
      }
    }
    if (area.rings.empty()) return std::nullopt;
    return area;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

// Taken about the first point: the products stay the size of the ring, so a
// small ring far from the origin keeps its digits.
double signedRingArea(const std::vector<LinePoint>& ring) {
  if (ring.empty()) return 0;
  const LinePoint o = ring.front();
  double twice = 0;
  for (size_t i = 1; i + 1 < ring.size(); ++i) {
    twice += (ring[i].x - o.x) * (ring[i + 1].y - o.y) - (ring[i + 1].x - o.x) * (ring[i].y - o.y);
  }
  return twice / 2;
}

double planarArea(const FeatureArea& area) {
  double sum = 0;
  for (const FeatureRing& r : area.rings) {
    const double a = std::fabs(signedRingArea(r.points));
    sum += r.exterior ? a : -a;
  }
  return sum;
}

}  // namespace abys
