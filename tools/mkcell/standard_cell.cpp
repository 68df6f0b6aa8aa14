// The synthetic seabed in standard object classes: the depth bands of
// band_map.h as DEPARE and LNDARE areas on the edges of their DEPCNT and
// COALNE contours and of the border, the border's edges also making the
// M_COVR coverage, and clusters of soundings.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "band_map.h"
#include "catalogue_codes.h"
#include "cell_builder.h"

namespace abys::mkcell {
namespace {

using cellwriter::Feature;

constexpr int kSoundingClusters = 6;
constexpr size_t kSoundingsPerCluster = 8;

// A contour's points on the lattice without repeated points, a closed one
// with its first point again at the end. A ring too small for the lattice
// keeps its repeated points, so that its edge still holds two coordinates;
// an open contour that shrinks to one point joins its ends directly.
std::vector<LatticePoint> latticePoints(const Placement& placement, const Contour& contour) {
  std::vector<LatticePoint> raw, points;
  raw.reserve(contour.points.size());
  for (const ContourPoint& p : contour.points)
    raw.push_back(placement.at(p.x, p.y));
  for (const LatticePoint& q : raw) {
    if (points.empty() || !(points.back() == q)) points.push_back(q);
  }
  if (contour.closed) {
    while (points.size() > 1 && points.back() == points.front())
      points.pop_back();
    if (points.size() < 3) points = std::move(raw);
  }
  if (contour.closed || points.size() == 1) points.push_back(points.front());
  return points;
}

class StandardCell {
 public:
  explicit StandardCell(const Options& o)
      : levels_(contourLevels(o)),
        deepest_((o.levels + 0.5) * o.interval),
        survey_(o),
        builder_(o),
        map_(mapBands(survey_.grid, levels_)) {}

  SyntheticCell make() && {
    addContours();
    addBorder();
    addAreas();
    addSoundings();
    return std::move(builder_).finish();
  }

 private:
  const Placement& placement() const { return builder_.placement(); }

  // Each contour with its own nodes and edges, as a depth contour or, at
  // 0 m, the coastline.
  void addContours() {
    pieceEdges_.reserve(map_.contours.size() + map_.border.size());
    startNode_.assign(map_.contours.size(), 0);
    endNode_.assign(map_.contours.size(), 0);
    for (size_t i = 0; i < map_.contours.size(); ++i) {
      const Contour& contour = map_.contours[i];
      const std::vector<LatticePoint> points = latticePoints(placement(), contour);
      startNode_[i] = builder_.addConnectedNode(points.front());
      endNode_[i] = contour.closed ? startNode_[i] : builder_.addConnectedNode(points.back());
      pieceEdges_.push_back(builder_.addChain(points, startNode_[i], endNode_[i]));

      const int level = map_.contourLevels[i];
      Feature f = builder_.newFeature(2, level == 0 ? catalogue::kCoalne : catalogue::kDepcnt);
      if (level > 0) f.attributes = {{catalogue::kValdco, depthText(levelDepth(level))}};
      for (const uint32_t edge : pieceEdges_.back())
        f.spatialPointers.push_back({.rcnm = CellBuilder::kRcnmEdge, .rcid = edge, .mask = 2});
      builder_.addFeature(std::move(f));
      ++builder_.depthLines;
      builder_.depthVertices += static_cast<int64_t>(points.size()) - 1;
    }
  }

  double levelDepth(int level) const {
    return static_cast<size_t>(level) < levels_.size() ? levels_[static_cast<size_t>(level)]
                                                       : deepest_;
  }

  // The border stretches between the contours' ends, and the coverage on
  // them, clockwise.
  void addBorder() {
    const std::vector<BorderPoint>& ends = map_.borderPoints;
    for (size_t s = 0; s < map_.border.size(); ++s) {
      const std::vector<ContourPoint>& along = map_.border[s].points;
      const LatticePoint first = placement().at(along.front().x, along.front().y);
      const LatticePoint last = placement().at(along.back().x, along.back().y);
      std::vector<LatticePoint> points{first};
      for (size_t k = 1; k + 1 < along.size(); ++k) {
        const LatticePoint corner = placement().at(along[k].x, along[k].y);
        if (!(corner == points.back())) points.push_back(corner);
      }
      if (points.size() > 1 && points.back() == last) points.pop_back();
      points.push_back(last);
      uint32_t from = 0, to = 0;
      if (ends.empty()) {
        from = to = builder_.addConnectedNode(first);
      } else {
        from = nodeAt(ends[s]);
        to = nodeAt(ends[(s + 1) % ends.size()]);
      }
      pieceEdges_.push_back(builder_.addChain(points, from, to));
    }
    Feature f = builder_.newFeature(3, catalogue::kMCovr);
    f.grup = 2;  // meta objects are not of the skin of the earth
    f.attributes = {{kCatcov, "1"}};
    for (size_t s = map_.border.size(); s-- > 0;)
      addUse({static_cast<uint32_t>(map_.contours.size() + s), false}, 1, f);
    builder_.addFeature(std::move(f));
  }

  uint32_t nodeAt(const BorderPoint& p) const {
    return p.start ? startNode_[p.contour] : endNode_[p.contour];
  }

  void addUse(const PieceUse& use, uint8_t usag, Feature& f) const {
    const std::vector<uint32_t>& edges = pieceEdges_[use.piece];
    for (size_t k = 0; k < edges.size(); ++k) {
      const uint32_t edge = edges[use.forward ? k : edges.size() - 1 - k];
      f.spatialPointers.push_back({.rcnm = CellBuilder::kRcnmEdge,
                                   .rcid = edge,
                                   .ornt = static_cast<uint8_t>(use.forward ? 1 : 2),
                                   .usag = usag});
    }
  }

  void addAreas() {
    for (const BandArea& area : map_.areas) {
      Feature f = builder_.newFeature(3, area.band == 0 ? catalogue::kLndare : catalogue::kDepare);
      f.grup = 1;
      if (area.band > 0) {
        f.attributes = {{catalogue::kDrval1, depthText(levelDepth(area.band - 1))},
                        {catalogue::kDrval2, depthText(levelDepth(area.band))}};
      }
      for (const PieceUse& use : area.exterior)
        addUse(use, 1, f);
      for (const PieceUse& use : area.holes)
        addUse(use, 2, f);
      builder_.addFeature(std::move(f));
      ++builder_.areas;
    }
  }

  // Clusters of soundings at grid vertices in the water, each cluster one
  // SOUNDG on one node, round the spot furthest from the clusters before it
  // among a few random ones. Depths are cut to the decimetre, shoaler.
  void addSoundings() {
    const DepthGrid& grid = survey_.grid;
    Random& random = survey_.random;
    const int last = grid.size - 1;
    // Soundings of a cluster lie on a 5 x 5 pattern of vertices gap apart,
    // about a twenty-fifth of the chart, to leave room for their figures.
    const int gap = std::max(1, last / 25);
    const int reach = 2 * gap;
    const auto spread = static_cast<uint32_t>(last - 2 * reach + 1);
    std::vector<std::pair<int, int>> centres;
    for (int k = 0; k < kSoundingClusters; ++k) {
      bool found = false;
      int bestColumn = 0, bestRow = 0;
      int64_t bestApart = -1;
      for (int candidate = 0; candidate < 16; ++candidate) {
        const int column = reach + static_cast<int>(random.below(spread));
        const int row = reach + static_cast<int>(random.below(spread));
        if (!(grid.at(column, row) > 0)) continue;
        int64_t apart = int64_t{4} * last * last;
        for (const auto& [c, r] : centres) {
          const int64_t dc = column - c, dr = row - r;
          apart = std::min(apart, dc * dc + dr * dr);
        }
        if (apart > bestApart) bestColumn = column, bestRow = row, bestApart = apart;
        found = true;
      }
      if (!found) continue;
      centres.emplace_back(bestColumn, bestRow);
      std::vector<std::pair<int, int>> used{{bestColumn, bestRow}};
      for (int attempt = 0; attempt < 64 && used.size() < kSoundingsPerCluster; ++attempt) {
        const int column = bestColumn + gap * (static_cast<int>(random.below(5)) - 2);
        const int row = bestRow + gap * (static_cast<int>(random.below(5)) - 2);
        const std::pair<int, int> vertex{column, row};
        if (!(grid.at(column, row) > 0) ||
            std::find(used.begin(), used.end(), vertex) != used.end()) {
          continue;
        }
        used.push_back(vertex);
      }
      std::vector<cellwriter::Point3> depths;
      for (const auto& [column, row] : used) {
        const cellwriter::Point2 at = degrees(placement().at(column, row));
        depths.push_back({at.x, at.y, std::floor(grid.at(column, row) * 10) / 10});
      }
      builder_.soundings += static_cast<int64_t>(depths.size());
      const uint32_t node = builder_.addSoundingNode(std::move(depths));
      Feature f = builder_.newFeature(1, catalogue::kSoundg);
      f.spatialPointers = {{.rcnm = CellBuilder::kRcnmIsolatedNode, .rcid = node}};
      builder_.addFeature(std::move(f));
    }
  }

  const std::vector<double> levels_;
  const double deepest_;
  Survey survey_;
  CellBuilder builder_;
  const BandMap map_;
  // The edges of each piece of the band map, in its order.
  std::vector<std::vector<uint32_t>> pieceEdges_;
  std::vector<uint32_t> startNode_, endNode_;
};

}  // namespace

SyntheticCell makeStandardCell(const Options& o) {
  return StandardCell(o).make();
}

}  // namespace abys::mkcell
