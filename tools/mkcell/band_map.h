// The depth bands of a grid as areas bounded by its contours and its border.
//
// Band b holds the depths above b of the levels and at or below the next:
// band 0 those at or below the first level, the last band those above the
// last level (a depth is above a level as the contour tracer decides it).
// Each connected stretch of a band is one area: an exterior ring and the
// holes in it. Rings are made of pieces, each a contour or a stretch of the
// grid's border, every piece shared by the areas on both of its sides: a
// contour by the bands above and below its level, a border stretch by the
// band inside and nothing outside. Rings run with their area on the right,
// exteriors clockwise and holes anticlockwise; a hole is always one closed
// contour.
//
// The rings are found from the order of the crossings along grid edges, not
// from computed positions, so that they close whatever rounding later does to
// the points.
#pragma once

#include <cstdint>
#include <vector>

#include "contours.h"
#include "seabed.h"

namespace abys::mkcell {

// Pieces are numbered contours first, then border stretches.
struct PieceUse {
  uint32_t piece = 0;
  bool forward = true;  // as traced, or from the first point of a stretch
};

struct BandArea {
  int band = 0;
  std::vector<PieceUse> exterior;
  std::vector<PieceUse> holes;  // one closed contour each
};

// An end of an open contour on the border.
struct BorderPoint {
  uint32_t contour = 0;
  bool start = true;
};

// Counter-clockwise along the border from border point i to the next, the
// last one back to the first; or, when no contour reaches the border, one
// closed stretch round it from the south-west corner (its first point
// repeated at the end). Points: its two ends and the grid corners between.
struct BorderStretch {
  std::vector<ContourPoint> points;
  int band = 0;
};

struct BandMap {
  // Every level's contours, level by level, each as the tracer gives it.
  std::vector<Contour> contours;
  std::vector<int> contourLevels;  // index into the levels
  // Counter-clockwise from the south-west corner.
  std::vector<BorderPoint> borderPoints;
  std::vector<BorderStretch> border;
  // The areas of the rings through the border, in the order of their first
  // stretch, then the area inside each closed contour, in contour order;
  // holes in contour order.
  std::vector<BandArea> areas;
};

// levels ascending. Throws std::logic_error if the contours do not make
// consistent rings (which would be a fault of the tracer).
BandMap mapBands(const DepthGrid& grid, const std::vector<double>& levels);

}  // namespace abys::mkcell
