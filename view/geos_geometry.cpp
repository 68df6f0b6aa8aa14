#include "geos_geometry.h"

#include <new>
#include <vector>

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

}  // namespace

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
