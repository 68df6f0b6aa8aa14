#include "area_predicates.h"

#include <geos_c.h>

#include <memory>
#include <vector>

namespace abys {

namespace {

// One GEOS context for the life of the object.
class Geos {
 public:
  Geos() : context_(GEOS_init_r()) {}
  ~Geos() { GEOS_finish_r(context_); }
  Geos(const Geos&) = delete;
  Geos& operator=(const Geos&) = delete;
  GEOSContextHandle_t get() const { return context_; }

 private:
  GEOSContextHandle_t context_;
};

// A geometry destroyed with the object; null when GEOS could not build it.
class Geometry {
 public:
  Geometry(const Geos& geos, GEOSGeometry* geometry) : geos_(geos), geometry_(geometry) {}
  ~Geometry() {
    if (geometry_ != nullptr) GEOSGeom_destroy_r(geos_.get(), geometry_);
  }
  Geometry(const Geometry&) = delete;
  Geometry& operator=(const Geometry&) = delete;
  GEOSGeometry* get() const { return geometry_; }
  // Hands the geometry over to a GEOS call that takes ownership.
  GEOSGeometry* release() {
    GEOSGeometry* taken = geometry_;
    geometry_ = nullptr;
    return taken;
  }

 private:
  const Geos& geos_;
  GEOSGeometry* geometry_;
};

GEOSGeometry* linearRing(const Geos& geos, const FeatureRing& ring) {
  if (ring.points.size() < 4) return nullptr;
  GEOSCoordSequence* sequence =
      GEOSCoordSeq_create_r(geos.get(), static_cast<unsigned>(ring.points.size()), 2);
  if (sequence == nullptr) return nullptr;
  for (size_t i = 0; i < ring.points.size(); ++i) {
    GEOSCoordSeq_setXY_r(geos.get(), sequence, static_cast<unsigned>(i), ring.points[i].x,
                         ring.points[i].y);
  }
  // Takes the sequence, also when it fails.
  return GEOSGeom_createLinearRing_r(geos.get(), sequence);
}

// Whether point lies in the polygon of shell and holes (rings of area).
bool polygonCovers(const Geos& geos, const FeatureRing& shell,
                   const std::vector<const FeatureRing*>& holes, const GEOSGeometry* point) {
  Geometry exterior(geos, linearRing(geos, shell));
  if (exterior.get() == nullptr) return false;
  std::vector<GEOSGeometry*> interiors;
  for (const FeatureRing* hole : holes) {
    GEOSGeometry* ring = linearRing(geos, *hole);
    if (ring != nullptr) interiors.push_back(ring);
  }
  Geometry polygon(geos, GEOSGeom_createPolygon_r(geos.get(), exterior.release(), interiors.data(),
                                                  static_cast<unsigned>(interiors.size())));
  return polygon.get() != nullptr && GEOSIntersects_r(geos.get(), polygon.get(), point) == 1;
}

}  // namespace

bool areaCovers(const FeatureArea& area, double lon, double lat) {
  const Geos geos;
  Geometry point(geos, GEOSGeom_createPointFromXY_r(geos.get(), lon, lat));
  if (point.get() == nullptr) return false;
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
