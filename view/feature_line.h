// The point list of a line feature, assembled from its edges and their nodes
// for drawing and picking.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "dataset.h"

namespace abys {

// (x, y) = (longitude, latitude) in degrees, as the model holds them.
struct LinePoint {
  double x = 0;
  double y = 0;
};

// An assembled line in drawing order; released by scope.
struct FeatureLine {
  std::vector<LinePoint> points;
  int32_t pointCount() const { return static_cast<int32_t>(points.size()); }
};

// The line of a line feature (PRIM 2) of a checked dataset: its edges in
// FSPT order, each walked as its ORNT says, joined without doubled vertices.
// None for other primitives, for a feature without spatial pointers, and
// when an edge cannot be walked (unresolved targets, fewer than two node
// pointers, a node without a coordinate) or memory runs out.
std::optional<FeatureLine> assembleFeatureLine(const FeatureRecord& feature);

}  // namespace abys
