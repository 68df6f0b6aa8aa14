// Depth contours of a grid by marching squares.
//
// A vertex is deep when its depth is greater than the level. A contour
// crosses every grid edge between a deep and a shallow vertex once, at the
// point where the linear interpolation of the two depths equals the level,
// and runs with the deep side on its left: counter-clockwise round a basin,
// clockwise round a shoal. A cell whose diagonal corners alone are deep is
// resolved by the mean of its four corners.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "seabed.h"

namespace abys::mkcell {

// Grid units: x the column, y the row, fractional between vertices.
struct ContourPoint {
  double x = 0;
  double y = 0;
};

// The grid edge a point lies on: 2 * (row * size + column) for the edge from
// vertex (column, row) to (column + 1, row), one more for the edge from it to
// (column, row + 1).
inline uint32_t rowEdge(int column, int row, int size) {
  return 2 *
         (static_cast<uint32_t>(row) * static_cast<uint32_t>(size) + static_cast<uint32_t>(column));
}
inline uint32_t columnEdge(int column, int row, int size) {
  return rowEdge(column, row, size) + 1;
}

// A closed contour does not repeat its first point at the end; an open one
// starts and ends on the grid's border. gridEdges holds the grid edge of
// each point.
struct Contour {
  std::vector<ContourPoint> points;
  std::vector<uint32_t> gridEdges;
  bool closed = false;
};

// Traces the contours of one grid at any number of levels. Blocks of cells
// whose depths all lie on one side of a level are passed over, so that a
// level costs about the length of its contours, not the area of the grid.
class ContourTracer {
 public:
  explicit ContourTracer(const DepthGrid& grid);
  ~ContourTracer();
  ContourTracer(const ContourTracer&) = delete;
  ContourTracer& operator=(const ContourTracer&) = delete;

  // Every contour at level, open ones first (in the order their starts
  // appear along the border cells, row by row), then closed ones (in the
  // order of the cell where each is first met, scanning blocks of 16 x 16
  // cells row by row and the cells of a block row by row). Each crossing
  // belongs to exactly one contour.
  std::vector<Contour> trace(double level);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

std::vector<Contour> traceContours(const DepthGrid& grid, double level);

}  // namespace abys::mkcell
