// Walking one edge of a feature's geometry, shared by the line and area
// assembly of this library.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "feature_line.h"

namespace abys {

// Where a walk along an edge starts and ends.
struct EdgeEnds {
  LinePoint start;
  LinePoint end;
};

// The ends of edge walked as orientation says: ORNT 2 from its end node
// (second pointer) to its beginning node (first pointer), any other ORNT the
// other way. None when the edge has fewer than two node pointers, or a node
// is unresolved or has no coordinate.
std::optional<EdgeEnds> edgeEnds(const VectorRecord& edge, uint8_t orientation);

// Appends the points of edge walked as orientation says, given its ends:
// the start node unless withStart is false, the edge's own coordinates, the
// end node unless withEnd is false.
void appendEdge(const VectorRecord& edge, uint8_t orientation, const EdgeEnds& ends, bool withStart,
                bool withEnd, std::vector<LinePoint>& points);

}  // namespace abys
