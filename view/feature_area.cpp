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

bool appendFeatureRings(const FeatureRecord& feature, std::vector<LinePoint>& points,
                        std::vector<RingRange>& rings) {
  if (feature.prim != kPrimArea || feature.spatialPointers.empty()) return false;
  const size_t pointsBefore = points.size();
  const size_t ringsBefore = rings.size();
  const auto fail = [&] {
    points.resize(pointsBefore);
    rings.resize(ringsBefore);
    return false;
  };
  size_t start = points.size();  // of the open ring
  bool exteriorRing = true;
  bool open = false;    // a ring has begun and not closed yet
  bool broken = false;  // two edges of the open ring do not meet
  for (const SpatialPointerEntry* p : feature.spatialPointers) {
    if (p->target == nullptr) return fail();
    const std::optional<EdgeEnds> ends = edgeEnds(*p->target, p->ornt);
    if (!ends) return fail();
    const bool exterior = p->usag != 2;
    if (open && exterior != exteriorRing) open = false;  // unclosed: dropped
    if (!open) {
      points.resize(start);
      exteriorRing = exterior;
      open = true;
      broken = false;
    } else if (!samePoint(ends->start, points.back())) {
      broken = true;
    }
    appendEdge(*p->target, p->ornt, *ends, points.size() == start, true, points);
    if (samePoint(points.back(), points[start])) {
      if (!broken) {
        rings.push_back({start, points.size() - start, exteriorRing});
        start = points.size();
      }
      open = false;
    }
  }
  points.resize(start);
  if (rings.size() == ringsBefore) return fail();
  return true;
}

std::optional<FeatureArea> assembleFeatureArea(const FeatureRecord& feature) {
  try {
    std::vector<LinePoint> points;
    std::vector<RingRange> ranges;
    if (!appendFeatureRings(feature, points, ranges)) return std::nullopt;
    FeatureArea area;
    area.rings.reserve(ranges.size());
    for (const RingRange& r : ranges) {
      const auto first = points.begin() + static_cast<std::ptrdiff_t>(r.first);
      area.rings.push_back(
          {std::vector<LinePoint>(first, first + static_cast<std::ptrdiff_t>(r.count)),
           r.exterior});
    }
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
