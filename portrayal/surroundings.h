// What lies under or beside a point feature, found once per portrayal for
// the procedures that ask: the depth areas under each underwater hazard,
// and whether a topmark stands on a buoy or on a beacon. Qt-free.
#pragma once

#include <cstdint>
#include <limits>
#include <unordered_map>

#include "dataset.h"

namespace abys::portrayal {

// The depth areas (DEPARE, DRGARE) and unsurveyed areas a point lies
// inside (by the parity of a ray's crossings with their edges; a point on
// an edge may count either way).
struct Seabed {
  bool underAny = false;    // some depth or unsurveyed area
  bool unsurveyed = false;  // an unsurveyed area, or a depth area without DRVAL1
  double leastDepth = std::numeric_limits<double>::infinity();  // least DRVAL1

  // Every area under it is at least as deep as depth (equal counts as
  // deep); false where none is.
  bool deepAs(double depth) const { return underAny && !unsurveyed && leastDepth >= depth; }
};

class Surroundings {
 public:
  Surroundings() = default;
  // Finds the seabed under every point obstruction, wreck and underwater
  // rock of dataset, and what floats on each node.
  explicit Surroundings(const Dataset& dataset);

  // The seabed under a point hazard; none for any other feature.
  const Seabed* seabed(const FeatureRecord& hazard) const;
  // Whether a buoy, light float or light vessel shares the feature's node.
  bool onFloatingAid(const FeatureRecord& feature) const;

 private:
  std::unordered_map<const FeatureRecord*, Seabed> seabeds_;
  std::unordered_map<const VectorRecord*, bool> floating_;  // node: something floats on it
};

// The node a point feature stands on, or none.
const VectorRecord* pointNode(const FeatureRecord& feature);

}  // namespace abys::portrayal
