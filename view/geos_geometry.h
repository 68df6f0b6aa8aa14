// GEOS geometries of the assembled lines, areas and points, in degrees, for
// the code that asks geometric questions of them (covered by, within,
// crosses, overlaps, which areas hold a point).
#pragma once

#include <geos_c.h>

#include <span>
#include <utility>

#include "dataset.h"
#include "feature_area.h"
#include "feature_line.h"

namespace abys {

// One GEOS context; geometries made with it are released by Geometry.
class Geos {
 public:
  Geos() : handle_(GEOS_init_r()) {}
  ~Geos() { GEOS_finish_r(handle_); }
  Geos(const Geos&) = delete;
  Geos& operator=(const Geos&) = delete;
  GEOSContextHandle_t get() const { return handle_; }

 private:
  GEOSContextHandle_t handle_;
};

// An owned GEOS geometry and, made on first use, its prepared form.
class Geometry {
 public:
  Geometry() = default;
  Geometry(const Geos& geos, GEOSGeometry* geometry) : geos_(&geos), geometry_(geometry) {}
  ~Geometry() { reset(); }
  Geometry(Geometry&& other) noexcept { *this = std::move(other); }
  Geometry& operator=(Geometry&& other) noexcept;

  explicit operator bool() const { return geometry_ != nullptr; }
  const GEOSGeometry* get() const { return geometry_; }
  const GEOSPreparedGeometry* prepared() const;

 private:
  void reset();

  const Geos* geos_ = nullptr;
  GEOSGeometry* geometry_ = nullptr;
  mutable const GEOSPreparedGeometry* prepared_ = nullptr;
};

// A point; a point or, for several, a multipoint (empty for none); a line
// string (empty for fewer than two points).
Geometry makePoint(const Geos& geos, double x, double y);
Geometry makePoints(const Geos& geos, std::span<const LinePoint> points);
Geometry makeLine(const Geos& geos, std::span<const LinePoint> points);

// The polygons of rings laid out in points as appendFeatureRings lays them:
// each exterior ring followed by the interior rings up to the next exterior
// one, a multipolygon when there are several; an interior ring before any
// exterior one is left out. Empty when GEOS cannot build a ring (fewer than
// four points, not closed) or there is no exterior ring.
Geometry makeArea(const Geos& geos, std::span<const LinePoint> points,
                  std::span<const RingRange> rings);

// area itself when GEOS finds it valid, else its valid form (GEOS's make
// valid). But where the rings' edges meet each other more than
// kMostMeetings times (or finding that out would take over kMostPairs
// pairs of edges), the envelope of area: making such a tangle valid takes
// time that grows with the square of its meetings, minutes for a ring of
// 2,000 points crossing itself throughout. Empty for an empty area.
inline constexpr size_t kMostMeetings = 256;
inline constexpr size_t kMostPairs = 20'000'000;
Geometry validArea(const Geos& geos, Geometry area);

// The area of an area feature (PRIM 3) as makeArea builds it from the rings
// appendFeatureRings gives; empty when it gives none or memory runs out.
Geometry areaGeometry(const Geos& geos, const FeatureRecord& feature);

// Whether the point (x, y) lies in the area or on its boundary: in an
// exterior ring and not strictly inside one of the interior rings that
// follow it. Rings GEOS cannot build (fewer than four points, not closed)
// count as absent, each polygon standing on its own.
bool areaCovers(const Geos& geos, const FeatureArea& area, double x, double y);

}  // namespace abys
