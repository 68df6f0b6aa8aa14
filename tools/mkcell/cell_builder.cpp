#include "cell_builder.h"

#include <algorithm>
#include <iterator>

namespace abys::mkcell {

namespace {
constexpr double kLandShare = 0.125;
}  // namespace

Survey::Survey(const Options& o) : random(o.seed) {
  seabed = makeSeabed(random, o.relief);
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

CellBuilder::CellBuilder(const Options& o) : options_(o), placement_(o) {
  cell_.dsid.dsnm = o.name;
  cell_.dsid.comt = "ABYS synthetic bathymetry, seed " + std::to_string(o.seed);
  cell_.dssi.aall = 1;
  cell_.dssi.nall = 2;
  cell_.dspm.comf = static_cast<uint32_t>(kComf);
}

cellwriter::Feature CellBuilder::newFeature(uint8_t prim, uint16_t objl) {
  cellwriter::Feature f;
  f.rcid = ++featureIds_;
  f.prim = prim;
  f.objl = objl;
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
