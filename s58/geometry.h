// GEOS geometries of the chart's features as the profile's context resolves
// their records, for the checks that ask geometric questions. Internal to
// the profile.
#pragma once

#include <span>
#include <vector>

#include "dataset.h"
#include "geos_geometry.h"

namespace abys::s58 {

class Context;

// The geometry of a feature as GEOS sees it, in degrees: an area as a
// polygon (a multipolygon when it has several exterior rings, each
// followed by its holes), a line as a line string (a multi line string
// when its edges do not join), points as a point or multipoint (a sounding's
// SG3D points, without depth). Empty when the feature has no geometry that
// can be built: no spatial pointers, unresolved ones, rings that do not
// close, GEOS refusing a ring.
Geometry featureGeometry(const Geos& geos, const Context& context, const FeatureRecord& feature);

// The geometry of a vector record: a node as a point (multipoint for an
// SG3D list), an edge as the line from its beginning node to its end node.
Geometry vectorGeometry(const Geos& geos, const Context& context, const VectorRecord& vector);

// The areas of chosen features with an STRtree over their envelopes, for
// the checks that ask which areas hold a point or meet a geometry without a
// pass over all of them.
class AreaIndex {
 public:
  // Features whose geometry cannot be built are left out.
  AreaIndex(Context& context, const std::vector<const FeatureRecord*>& features);
  ~AreaIndex();
  AreaIndex(const AreaIndex&) = delete;
  AreaIndex& operator=(const AreaIndex&) = delete;

  // The features whose envelope meets the envelope of geometry, in the
  // order they were given.
  std::vector<const FeatureRecord*> candidates(const GEOSGeometry* geometry) const;
  // The features that hold the point strictly inside (on no boundary), in
  // the order they were given.
  std::vector<const FeatureRecord*> containing(double x, double y) const;

  std::span<const FeatureRecord* const> features() const { return features_; }

 private:
  // The positions in features_ of the areas whose envelope meets that of
  // geometry, ascending.
  std::vector<size_t> hits(const GEOSGeometry* geometry) const;

  Context& context_;
  std::vector<const FeatureRecord*> features_;
  std::vector<const Geometry*> shapes_;  // of features_, kept by the context
  GEOSSTRtree* tree_ = nullptr;
};

// Whether the object class is one of the skin of the earth (Group 1):
// DEPARE, DRGARE, FLODOC, HULKES, LNDARE, PONTON, UNSARE.
bool isGroup1(uint16_t objl);

}  // namespace abys::s58
