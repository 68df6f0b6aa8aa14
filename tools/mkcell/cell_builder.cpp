#include "cell_builder.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace abys::mkcell {

namespace {

constexpr double kLandShare = 0.125;
// Lattice units a contour keeps from the grid's vertices in a cell of an
// exchange set, as the steepest step of the set's coarsest grid judges the
// seabed; its finer grids may find steeper slopes, which the factor allows.
constexpr double kKeepOff = 4;
constexpr double kSteeperBelow = 4;

// The largest difference between the depths at neighbouring vertices.
double steepestStep(const DepthGrid& grid) {
  const int size = grid.size;
  double steepest = 0;
  for (int row = 0; row < size; ++row) {
    for (int column = 0; column < size; ++column) {
      const double d = grid.at(column, row);
      if (column + 1 < size) steepest = std::max(steepest, std::fabs(grid.at(column + 1, row) - d));
      if (row + 1 < size) steepest = std::max(steepest, std::fabs(grid.at(column, row + 1) - d));
    }
  }
  return steepest;
}

// Moves the depths that lie within margin of a level off it, to its side.
// The grid of a harbour cell is fine beside the lattice: a contour passing
// a vertex within a unit or two would have its points there bent by the
// rounding to the lattice until it crosses itself or its neighbour on the
// border. The margin is the set's, so that a vertex two cells share is
// moved alike in both and their contours still meet.
void keepOffLevels(DepthGrid& grid, const std::vector<double>& levels, double margin) {
  for (float& d : grid.depths) {
    const auto next = std::lower_bound(levels.begin(), levels.end(), static_cast<double>(d));
    for (auto level = next == levels.begin() ? next : next - 1;
         level != levels.end() && level <= next; ++level) {
      const double away = d - *level;
      if (std::fabs(away) >= margin) continue;
      // A depth on the level is shallow, as the contour tracer has it.
      const bool deep = away > 0;
      float moved = static_cast<float>(*level + (deep ? margin : -margin));
      while (deep ? !(moved > *level) : !(moved < *level))
        moved = std::nextafter(moved, deep ? INFINITY : -INFINITY);
      d = moved;
    }
  }
}

}  // namespace

Survey::Survey(const Options& o) : random(o.seed) {
  seabed = makeSeabed(random, o.relief);
  if (o.window) {
    const SetWindow& w = *o.window;
    grid = sampleHeights(seabed, windowAxes(w, o.grid));
    const double range = w.high - w.low;
    const double scale = range > 0 ? 1 / range : 0.0;
    const auto shallowest = static_cast<float>(w.shallowest);
    const auto deepest = static_cast<float>(w.deepest);
    for (float& d : grid.depths) {
      const auto share = static_cast<float>((d - w.low) * scale);
      d = std::clamp(static_cast<float>(w.shallowest + share * (w.deepest - w.shallowest)),
                     shallowest, deepest);
    }
    keepOffLevels(grid, contourLevels(o), w.keepOff);
    // The draws after the seabed's differ from cell to cell.
    random = Random(o.seed + 0x9E3779B9u * w.stream);
    return;
  }
  const double deepest = (o.levels + 0.5) * o.interval;
  if (!o.standard) {
    grid = sampleDepths(seabed, o.grid, 0.5 * o.interval, deepest);
    return;
  }
  // Heights from 0 to 1 first; the shallowest eighth is then lifted above
  // 0 m, the deepest point staying where it is.
  grid = sampleDepths(seabed, o.grid, 0, 1);
  const double coast = std::min(0.5, depthQuantile(grid, kLandShare));
  const double shallowest = -coast * deepest / (1 - coast);
  for (float& d : grid.depths)
    d = static_cast<float>(shallowest + d * (deepest - shallowest));
}

std::vector<double> contourLevels(const Options& o) {
  std::vector<double> levels;
  if (o.standard) levels.push_back(0);
  for (int level = 1; level <= o.levels; ++level)
    levels.push_back(level * o.interval);
  return levels;
}

double deepestDepth(const Options& o) {
  return o.window ? o.window->deepest : (o.levels + 0.5) * o.interval;
}

GridAxes windowAxes(const SetWindow& w, int size) {
  GridAxes axes;
  axes.u.resize(static_cast<size_t>(size));
  axes.v.resize(static_cast<size_t>(size));
  const auto extent = static_cast<double>(w.extent);
  for (int i = 0; i < size; ++i) {
    axes.u[static_cast<size_t>(i)] = static_cast<double>(w.left + i * w.step) / extent;
    axes.v[static_cast<size_t>(i)] = static_cast<double>(w.bottom + i * w.step) / extent;
  }
  return axes;
}

void setWindowDepths(Options& o) {
  SetWindow& w = *o.window;
  Random random(o.seed);
  const Seabed seabed = makeSeabed(random, o.relief);
  DepthGrid grid = sampleHeights(seabed, windowAxes(w, o.grid));
  const auto [low, high] = std::minmax_element(grid.depths.begin(), grid.depths.end());
  w.low = *low;
  w.high = *high;
  const double range = w.high - w.low;
  const double scale = range > 0 ? 1 / range : 0.0;
  for (float& d : grid.depths)
    d = static_cast<float>((d - w.low) * scale);
  const double coast = std::min(0.5, depthQuantile(grid, kLandShare));
  w.deepest = (o.levels + 0.5) * o.interval;
  w.shallowest = -coast * w.deepest / (1 - coast);
  const double perUnit = steepestStep(grid) * (w.deepest - w.shallowest) /
                         static_cast<double>(w.step * std::min(w.unitX, w.unitY));
  w.keepOff = kKeepOff * kSteeperBelow * perUnit;
}

CellBuilder::CellBuilder(const Options& o) : options_(o), placement_(o) {
  cell_.dsid.dsnm = o.name;
  cell_.dsid.comt = "ABYS synthetic bathymetry, seed " + std::to_string(o.seed);
  cell_.dsid.intu = o.purpose;
  cell_.dsid.agen = o.agency;
  cell_.dssi.aall = 1;
  cell_.dssi.nall = 2;
  cell_.dspm.cscl = o.scale;
  cell_.dspm.comf = static_cast<uint32_t>(kComf);
}

cellwriter::Feature CellBuilder::newFeature(uint8_t prim, uint16_t objl) {
  cellwriter::Feature f;
  f.rcid = ++featureIds_;
  f.prim = prim;
  f.objl = objl;
  f.agen = options_.agency;
  return f;
}

uint32_t CellBuilder::addConnectedNode(LatticePoint at) {
  const uint32_t id = ++connectedIds_;
  connectedNodes_.push_back(cellwriter::connectedNode(id, degrees(at)));
  return id;
}

uint32_t CellBuilder::addIsolatedNode(LatticePoint at) {
  const uint32_t id = ++isolatedIds_;
  isolatedNodes_.push_back(cellwriter::isolatedNode(id, degrees(at)));
  return id;
}

uint32_t CellBuilder::addSoundingNode(std::vector<cellwriter::Point3> depths) {
  const uint32_t id = ++isolatedIds_;
  isolatedNodes_.push_back(cellwriter::soundingNode(id, std::move(depths)));
  return id;
}

uint32_t CellBuilder::addEdge(uint32_t from, uint32_t to,
                              const std::vector<LatticePoint>& interior) {
  std::vector<cellwriter::Point2> coordinates;
  coordinates.reserve(interior.size());
  for (const LatticePoint& p : interior)
    coordinates.push_back(degrees(p));
  const uint32_t id = ++edgeIds_;
  edges_.push_back(cellwriter::edge(id, from, to, std::move(coordinates)));
  return id;
}

std::vector<uint32_t> CellBuilder::addChain(const std::vector<LatticePoint>& points, uint32_t from,
                                            uint32_t to) {
  const int64_t segments = static_cast<int64_t>(points.size()) - 1;
  const int64_t perEdge = options_.maxEdgeCoordinates + 1;
  const int64_t count = (segments + perEdge - 1) / perEdge;
  std::vector<uint32_t> edges;
  int64_t begin = 0;
  for (int64_t k = 1; k <= count; ++k) {
    const int64_t end = k * segments / count;
    const uint32_t next =
        k == count && to != 0 ? to : addConnectedNode(points[static_cast<size_t>(end)]);
    std::vector<LatticePoint> interior(points.begin() + begin + 1, points.begin() + end);
    edges.push_back(addEdge(from, next, interior));
    from = next;
    begin = end;
  }
  return edges;
}

SyntheticCell CellBuilder::finish() && {
  SyntheticCell out;
  out.cell = std::move(cell_);
  auto& vectors = out.cell.vectors;
  vectors.reserve(isolatedNodes_.size() + connectedNodes_.size() + edges_.size());
  for (auto* part : {&isolatedNodes_, &connectedNodes_, &edges_}) {
    std::move(part->begin(), part->end(), std::back_inserter(vectors));
  }
  out.cell.features = std::move(features_);
  out.depthLines = depthLines;
  out.depthVertices = depthVertices;
  out.names = names;
  out.areas = areas;
  out.soundings = soundings;
  out.aids = aids;
  return out;
}

}  // namespace abys::mkcell
