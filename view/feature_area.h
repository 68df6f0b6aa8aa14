// The rings of an area feature, assembled from its edges and their nodes for
// drawing and for geometric checks.
#pragma once

#include <optional>
#include <vector>

#include "dataset.h"
#include "feature_line.h"

namespace abys {

// One closed ring: its last point equals its first.
struct FeatureRing {
  std::vector<LinePoint> points;
  bool exterior = true;
};

// An assembled area: its rings in FSPT order; released by scope.
struct FeatureArea {
  std::vector<FeatureRing> rings;
};

// The rings of an area feature (PRIM 3) of a checked dataset. Its edges in
// FSPT order, each walked as its ORNT says, are joined end to start without
// doubling the shared vertex; a ring closes when its last point equals its
// first, and the next edge starts a new one. USAG 2 makes a ring interior,
// any other USAG exterior (3, truncated by the data limit, included); MASK
// changes nothing. A ring is skipped when two of its edges do not meet, or
// when it has not closed by the time the pointers run out or USAG changes
// between exterior and interior. None for other primitives, for a feature
// without spatial pointers or with no ring kept, when an edge cannot be
// walked (unresolved targets, fewer than two node pointers, a node without a
// coordinate) or memory runs out.
std::optional<FeatureArea> assembleFeatureArea(const FeatureRecord& feature);

// Where one ring lies in a flat array of points.
struct RingRange {
  size_t first = 0;
  size_t count = 0;
  bool exterior = true;
};

// Appends the rings assembleFeatureArea gives to points, one after another,
// and where each lies to rings; false, with both as they were, when it
// gives none. Memory running out throws.
bool appendFeatureRings(const FeatureRecord& feature, std::vector<LinePoint>& points,
                        std::vector<RingRange>& rings);

// The signed planar area of a closed ring in square degrees (shoelace):
// positive when the ring turns counter-clockwise (x east, y north).
double signedRingArea(const std::vector<LinePoint>& ring);

// The planar area of an area in square degrees: its exterior rings less its
// interior rings, each taken unsigned.
double planarArea(const FeatureArea& area);

}  // namespace abys
