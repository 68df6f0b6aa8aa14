#include "geos_geometry.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "point_location.h"

namespace abys {
namespace {

GEOSCoordSequence* sequenceOf(const Geos& geos, std::span<const LinePoint> points) {
  static_assert(sizeof(LinePoint) == 2 * sizeof(double));
  return GEOSCoordSeq_copyFromBuffer_r(geos.get(), reinterpret_cast<const double*>(points.data()),
                                       static_cast<unsigned>(points.size()), 0, 0);
}

// A linear ring of points; null when there are fewer than four or GEOS
// refuses them.
GEOSGeometry* linearRing(const Geos& geos, std::span<const LinePoint> points) {
  if (points.size() < 4) return nullptr;
  GEOSCoordSequence* sequence = sequenceOf(geos, points);
  if (sequence == nullptr) return nullptr;
  // Takes the sequence, also when it fails.
  return GEOSGeom_createLinearRing_r(geos.get(), sequence);
}

// Whether point lies in the polygon of shell and the holes of it that GEOS
// can build.
bool polygonCovers(const Geos& geos, const FeatureRing& shell,
                   const std::vector<const FeatureRing*>& holes, const GEOSGeometry* point) {
  GEOSGeometry* exterior = linearRing(geos, shell.points);
  if (exterior == nullptr) return false;
  std::vector<GEOSGeometry*> interiors;
  for (const FeatureRing* hole : holes) {
    if (GEOSGeometry* ring = linearRing(geos, hole->points)) interiors.push_back(ring);
  }
  const Geometry polygon(geos, GEOSGeom_createPolygon_r(geos.get(), exterior, interiors.data(),
                                                        static_cast<unsigned>(interiors.size())));
  return polygon && GEOSIntersects_r(geos.get(), polygon.get(), point) == 1;
}

struct Segment {
  LinePoint a, b;
  uint32_t ring = 0;       // the ring's number, across the polygons
  uint32_t index = 0;      // along the ring
  uint32_t ringEdges = 0;  // the ring's count of edges
  double minX() const { return std::min(a.x, b.x); }
  double maxX() const { return std::max(a.x, b.x); }
};

// The edges of every ring of area (a polygon or multipolygon).
std::vector<Segment> ringSegments(const Geos& geos, const GEOSGeometry* area) {
  const GEOSContextHandle_t h = geos.get();
  std::vector<Segment> segments;
  uint32_t ringNumber = 0;
  const auto add = [&](const GEOSGeometry* ring) {
    const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(h, ring);
    unsigned size = 0;
    if (sequence == nullptr || GEOSCoordSeq_getSize_r(h, sequence, &size) == 0) return;
    const uint32_t edges = size > 0 ? size - 1 : 0;
    LinePoint last{};
    for (unsigned i = 0; i < size; ++i) {
      LinePoint at{};
      GEOSCoordSeq_getXY_r(h, sequence, i, &at.x, &at.y);
      if (i > 0) segments.push_back({last, at, ringNumber, i - 1, edges});
      last = at;
    }
    ++ringNumber;
  };
  const int polygons = GEOSGetNumGeometries_r(h, area);
  for (int p = 0; p < polygons; ++p) {
    const GEOSGeometry* polygon = GEOSGetGeometryN_r(h, area, p);
    add(GEOSGetExteriorRing_r(h, polygon));
    const int holes = GEOSGetNumInteriorRings_r(h, polygon);
    for (int i = 0; i < holes; ++i)
      add(GEOSGetInteriorRingN_r(h, polygon, i));
  }
  return segments;
}

// Whether r, on the line through p and q, lies between them.
bool within(const LinePoint& p, const LinePoint& q, const LinePoint& r) {
  return std::min(p.x, q.x) <= r.x && r.x <= std::max(p.x, q.x) && std::min(p.y, q.y) <= r.y &&
         r.y <= std::max(p.y, q.y);
}

bool meet(const Segment& s, const Segment& t) {
  const int d1 = orientation(t.a, t.b, s.a);
  const int d2 = orientation(t.a, t.b, s.b);
  const int d3 = orientation(s.a, s.b, t.a);
  const int d4 = orientation(s.a, s.b, t.b);
  if (d1 * d2 < 0 && d3 * d4 < 0) return true;
  return (d1 == 0 && within(t.a, t.b, s.a)) || (d2 == 0 && within(t.a, t.b, s.b)) ||
         (d3 == 0 && within(s.a, s.b, t.a)) || (d4 == 0 && within(s.a, s.b, t.b));
}

// Whether the edges of the rings meet each other, neighbours along a ring
// aside, more often than kMostMeetings, or counting them would compare more
// than kMostPairs pairs: a sweep along x over the edges sorted by their
// left ends.
bool tooTangled(std::vector<Segment> segments) {
  std::sort(segments.begin(), segments.end(),
            [](const Segment& s, const Segment& t) { return s.minX() < t.minX(); });
  const auto neighbours = [](const Segment& s, const Segment& t) {
    if (s.ring != t.ring) return false;
    const uint32_t gap = s.index > t.index ? s.index - t.index : t.index - s.index;
    return gap <= 1 || gap + 1 == s.ringEdges;  // the last edge meets the first
  };
  size_t meetings = 0;
  size_t pairs = 0;
  for (size_t i = 0; i < segments.size(); ++i) {
    const Segment& s = segments[i];
    for (size_t j = i + 1; j < segments.size() && segments[j].minX() <= s.maxX(); ++j) {
      if (++pairs > kMostPairs) return true;
      const Segment& t = segments[j];
      if (std::max(s.a.y, s.b.y) < std::min(t.a.y, t.b.y) ||
          std::max(t.a.y, t.b.y) < std::min(s.a.y, s.b.y) || neighbours(s, t))
        continue;
      if (meet(s, t) && ++meetings > kMostMeetings) return true;
    }
  }
  return false;
}

}  // namespace

Geometry validArea(const Geos& geos, Geometry area) {
  if (!area) return area;
  const GEOSContextHandle_t h = geos.get();
  if (GEOSisValid_r(h, area.get()) == 1) return area;
  if (tooTangled(ringSegments(geos, area.get()))) return {geos, GEOSEnvelope_r(h, area.get())};
  return {geos, GEOSMakeValid_r(h, area.get())};
}

Geometry& Geometry::operator=(Geometry&& other) noexcept {
  if (this != &other) {
    reset();
    geos_ = other.geos_;
    geometry_ = other.geometry_;
    prepared_ = other.prepared_;
    other.geometry_ = nullptr;
    other.prepared_ = nullptr;
  }
  return *this;
}

void Geometry::reset() {
  if (prepared_ != nullptr) GEOSPreparedGeom_destroy_r(geos_->get(), prepared_);
  if (geometry_ != nullptr) GEOSGeom_destroy_r(geos_->get(), geometry_);
  prepared_ = nullptr;
  geometry_ = nullptr;
}

const GEOSPreparedGeometry* Geometry::prepared() const {
  if (prepared_ == nullptr && geometry_ != nullptr)
    prepared_ = GEOSPrepare_r(geos_->get(), geometry_);
  return prepared_;
}

Geometry makePoint(const Geos& geos, double x, double y) {
  return {geos, GEOSGeom_createPointFromXY_r(geos.get(), x, y)};
}

Geometry makePoints(const Geos& geos, std::span<const LinePoint> points) {
  const GEOSContextHandle_t h = geos.get();
  if (points.empty()) return {};
  if (points.size() == 1) return makePoint(geos, points[0].x, points[0].y);
  std::vector<GEOSGeometry*> parts;
  parts.reserve(points.size());
  for (const LinePoint& p : points)
    parts.push_back(GEOSGeom_createPointFromXY_r(h, p.x, p.y));
  return {geos, GEOSGeom_createCollection_r(h, GEOS_MULTIPOINT, parts.data(),
                                            static_cast<unsigned>(parts.size()))};
}

Geometry makeLine(const Geos& geos, std::span<const LinePoint> points) {
  if (points.size() < 2) return {};
  return {geos, GEOSGeom_createLineString_r(geos.get(), sequenceOf(geos, points))};
}

Geometry makeArea(const Geos& geos, std::span<const LinePoint> points,
                  std::span<const RingRange> rings) {
  const GEOSContextHandle_t h = geos.get();
  std::vector<GEOSGeometry*> polygons;
  GEOSGeometry* shell = nullptr;
  std::vector<GEOSGeometry*> holes;
  bool failed = false;
  auto close = [&] {
    if (shell == nullptr) {
      for (GEOSGeometry* hole : holes)
        GEOSGeom_destroy_r(h, hole);
    } else {
      polygons.push_back(
          GEOSGeom_createPolygon_r(h, shell, holes.data(), static_cast<unsigned>(holes.size())));
    }
    shell = nullptr;
    holes.clear();
  };
  for (const RingRange& r : rings) {
    GEOSGeometry* ring = linearRing(geos, points.subspan(r.first, r.count));
    if (ring == nullptr) {
      failed = true;
      break;
    }
    if (r.exterior) {
      close();
      shell = ring;
    } else if (shell == nullptr) {
      GEOSGeom_destroy_r(h, ring);  // a hole before any exterior ring: nowhere to put it
    } else {
      holes.push_back(ring);
    }
  }
  close();
  if (failed || polygons.empty()) {
    for (GEOSGeometry* p : polygons)
      GEOSGeom_destroy_r(h, p);
    return {};
  }
  if (polygons.size() == 1) return {geos, polygons[0]};
  return {geos, GEOSGeom_createCollection_r(h, GEOS_MULTIPOLYGON, polygons.data(),
                                            static_cast<unsigned>(polygons.size()))};
}

Geometry areaGeometry(const Geos& geos, const FeatureRecord& feature) {
  std::vector<LinePoint> points;
  std::vector<RingRange> rings;
  try {
    if (!appendFeatureRings(feature, points, rings)) return {};
  } catch (const std::bad_alloc&) {
    return {};
  }
  return makeArea(geos, points, rings);
}

bool areaCovers(const Geos& geos, const FeatureArea& area, double x, double y) {
  const Geometry point = makePoint(geos, x, y);
  if (!point) return false;
  const FeatureRing* shell = nullptr;
  std::vector<const FeatureRing*> holes;
  for (const FeatureRing& ring : area.rings) {
    if (ring.exterior) {
      if (shell != nullptr && polygonCovers(geos, *shell, holes, point.get())) return true;
      shell = &ring;
      holes.clear();
    } else if (shell != nullptr) {
      holes.push_back(&ring);
    }
  }
  return shell != nullptr && polygonCovers(geos, *shell, holes, point.get());
}

}  // namespace abys
