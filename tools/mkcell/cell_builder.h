// What the two kinds of synthetic cell share: the lattice coordinates are
// placed on, the seabed the options make and the collection of records.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cell_writer.h"
#include "seabed.h"
#include "synthetic_cell.h"

namespace abys::mkcell {

// Coordinates are placed on the lattice the cell stores (degrees times
// COMF) before they are written, so that points that would be stored alike
// can be merged.
inline constexpr double kComf = 10000000;
inline constexpr int64_t kMinStep = 10;  // lattice units between grid vertices

struct LatticePoint {
  int64_t x = 0;
  int64_t y = 0;
  bool operator==(const LatticePoint&) const = default;
};

inline cellwriter::Point2 degrees(LatticePoint p) {
  return {static_cast<double>(p.x) / kComf, static_cast<double>(p.y) / kComf};
}

// Where grid vertices fall on the lattice. The cosine (the one function of
// libm used) only sets the row step, rounded to the lattice. A cell of an
// exchange set takes its corner and steps from its window.
struct Placement {
  int64_t west = 0;
  int64_t south = 0;
  int64_t stepX = 0;
  int64_t stepY = 0;

  explicit Placement(const Options& o) {
    if (o.window) {
      const SetWindow& w = *o.window;
      west = w.west + w.left * w.unitX;
      south = w.south + w.bottom * w.unitY;
      stepX = w.step * w.unitX;
      stepY = w.step * w.unitY;
      return;
    }
    west = std::llround(o.west * kComf);
    south = std::llround(o.south * kComf);
    stepX = std::llround(o.span * kComf / (o.grid - 1));
    stepY = rowStep(stepX, o.south);
  }

  // The row step that makes a grid of column step stepX square on the
  // ground at latitude south.
  static int64_t rowStep(int64_t stepX, double south) {
    return std::llround(static_cast<double>(stepX) *
                        std::cos(south * 3.14159265358979323846 / 180));
  }

  LatticePoint at(double column, double row) const {
    return {west + std::llround(column * static_cast<double>(stepX)),
            south + std::llround(row * static_cast<double>(stepY))};
  }
};

// A seabed and its grid, as the options make them. The depths run from half
// an interval above the first level to half an interval below the last; in
// a standard cell the shallowest eighth of the grid rises above 0 m instead,
// as land.
struct Survey {
  Random random;
  Seabed seabed;
  DepthGrid grid;
  explicit Survey(const Options& o);
};

// The depth contours' levels: the options' levels, and 0 m first in a
// standard cell.
std::vector<double> contourLevels(const Options& o);

// The depth of the deepest point: half an interval below the last level,
// or in a cell of an exchange set the set's deepest.
double deepestDepth(const Options& o);

// The vertices of a grid of `size` a side in a window, on the seabed's unit
// square.
GridAxes windowAxes(const SetWindow& window, int size);

// Sets how the cells of an exchange set turn heights into depths (low,
// high, shallowest, deepest and keepOff of o.window): as a standard cell of
// the options makes depths of its own grid, the shallowest eighth land. o
// is the cell whose window holds the whole seabed.
void setWindowDepths(Options& o);

// Collects the records of a cell, numbering each kind from 1.
class CellBuilder {
 public:
  explicit CellBuilder(const Options& o);

  cellwriter::Feature newFeature(uint8_t prim, uint16_t objl);
  void addFeature(cellwriter::Feature feature) { features_.push_back(std::move(feature)); }

  uint32_t addConnectedNode(LatticePoint at);
  uint32_t addIsolatedNode(LatticePoint at);
  uint32_t addSoundingNode(std::vector<cellwriter::Point3> soundings);
  uint32_t addEdge(uint32_t from, uint32_t to, const std::vector<LatticePoint>& interior);

  // The edges along points (at least two), from node `from` at the first to
  // node `to` at the last, or to a new node there when `to` is 0; split into
  // even shares at new connected nodes so that no edge holds more than the
  // options' coordinates. A ring (`from` equal to `to`) of four points or
  // more that stays one edge keeps two coordinates inside it.
  std::vector<uint32_t> addChain(const std::vector<LatticePoint>& points, uint32_t from,
                                 uint32_t to);

  // Moves the records out in the order the writer wants them.
  SyntheticCell finish() &&;

  const Options& options() const { return options_; }
  const Placement& placement() const { return placement_; }

  static constexpr uint8_t kRcnmIsolatedNode = 110;
  static constexpr uint8_t kRcnmEdge = 130;

  int64_t depthLines = 0, depthVertices = 0, names = 0, areas = 0, soundings = 0, aids = 0;

 private:
  const Options& options_;
  Placement placement_;
  cellwriter::Cell cell_;
  std::vector<cellwriter::Vector> isolatedNodes_, connectedNodes_, edges_;
  std::vector<cellwriter::Feature> features_;
  uint32_t featureIds_ = 0, isolatedIds_ = 0, connectedIds_ = 0, edgeIds_ = 0;
};

// The cell of standard content (Options::standard).
SyntheticCell makeStandardCell(const Options& o);

}  // namespace abys::mkcell
