// Exact point location of many points at once: which of them lie strictly
// inside which areas (a cell's soundings in its depth areas, say), and on
// which side of a line a point lies.
//
// GEOS answers the same questions one point at a time (an STRtree query
// and a prepared containsProperly per point); on a cell of a million
// soundings those calls take nearly all of the time. Here the points are
// bucketed once and each area is swept over the points in its envelope.
// The answers are GEOS's: the same crossing rule, with an exact orientation
// test, so that a point on an edge or a vertex is on the boundary, not
// inside.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "buckets.h"
#include "feature_line.h"

namespace abys {

// A box in degrees. None() holds no point; add() widens it to hold one.
struct Box {
  double west, south, east, north;
  static Box none() { return {INFINITY, INFINITY, -INFINITY, -INFINITY}; }
  void add(LinePoint p) {
    west = std::min(west, p.x);
    south = std::min(south, p.y);
    east = std::max(east, p.x);
    north = std::max(north, p.y);
  }
};

// The side of the line from a to b on which c lies: 1 to the left, -1 to
// the right, 0 on it. Exact for any finite coordinates: a quick estimate
// with an error bound, and where that cannot decide, the determinant summed
// without rounding.
int orientation(LinePoint a, LinePoint b, LinePoint c);

// Points in a uniform grid of a few points a cell, for finding those in a
// box without a pass over all of them.
class PointGrid {
 public:
  // The grid refers to points, which must outlive it. A grid of at least
  // about `cells` cells (as many as the segments of the
  // areas the points are located in keeps each cell's share small).
  explicit PointGrid(std::span<const LinePoint> points, size_t cells = 0);

  size_t size() const { return points_.size(); }

  // The cell of a point, by column and row, and the points of a cell.
  uint32_t columns() const { return columns_; }
  uint32_t rows() const { return rows_; }
  uint32_t column(double x) const;
  uint32_t row(double y) const;
  std::span<const uint32_t> cellIndices(uint32_t cell) const { return cells_[cell]; }
  LinePoint point(uint32_t index) const { return points_[index]; }
  // The box of all points.
  double west() const { return west0_; }
  double south() const { return south0_; }
  double east() const { return east1_; }
  double north() const { return north1_; }
  // Whether any point may lie in the closed box: false only when the cells
  // it meets hold none.
  bool anyWithin(double west, double south, double east, double north) const;
  // Appends to found the points that lie in the closed box.
  void pointsWithin(double west, double south, double east, double north,
                    std::vector<uint32_t>& found) const;

 private:
  // Whether the box lies apart from the box of all points, or there are none.
  bool missesAll(double west, double south, double east, double north) const;

  double west0_ = 0, south0_ = 0, east1_ = 0, north1_ = 0, cellWidth_ = 1, cellHeight_ = 1;
  uint32_t columns_ = 1, rows_ = 1;
  std::span<const LinePoint> points_;  // as given, kept by the caller
  Buckets<uint32_t> cells_;            // the points, cell by cell
  // The points of the cells south-west of each grid corner, (columns_ + 1)
  // a row.
  std::vector<uint32_t> below_;
};

// An area as the rings that bound it, each closed (its first point
// repeated last): a polygon's exterior ring and holes, or all those of a
// multipolygon.
using Rings = std::vector<std::vector<LinePoint>>;

// Calls inside(point, area) for every pair where a point of grid lies
// strictly inside an area, as positions in the points the grid was given
// and in areas, once each, in no particular order. Inside is an odd number of ring crossings to the
// east of the point, all rings of the area counted together, as GEOS locates a point in a polygon
// or multipolygon; a point on any ring segment is on the boundary and not inside.
//
// Two ways give the same answers: a sweep of the grid's rows, which pays
// for every cell and every segment near a point and suits many points, and
// area by area, the points in each area's box tested against its segments
// in horizontal bands, which suits few points among many segments. Either
// chooses by the number of points a segment.
enum class Locating { Either, Sweep, AreaByArea };
void pointsInAreas(const PointGrid& grid, std::span<const Rings> areas,
                   const std::function<void(uint32_t point, uint32_t area)>& inside,
                   Locating way = Locating::Either);

}  // namespace abys
