#include "band_map.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace abys::mkcell {
namespace {

// Crossings are ordered along a grid edge by their level alone: depths vary
// linearly along the edge, so the crossing of a deeper level lies nearer the
// deeper vertex. Walking the border counter-clockwise (the grid on the
// left), the start of a contour at level j leaves band j + 1 for band j and
// its end leaves band j for band j + 1.
class BandMapper {
 public:
  BandMapper(const DepthGrid& grid, const std::vector<double>& levels)
      : grid_(grid),
        levels_(levels),
        last_(grid.size - 1),
        levelCount_(static_cast<int>(levels.size())),
        stride_(levelCount_ + 1) {}

  BandMap run() && {
    trace();
    orderBorder();
    ringsThroughBorder();
    areasOfClosedContours();
    return std::move(map_);
  }

 private:
  // Where a contour crosses a row edge, ordered so that along one row the
  // crossing further west comes first: by the edge, the fraction of the way
  // from its west vertex (as the tracer computes it) and, between equal
  // fractions, the level in the order the depths along the edge give.
  struct RowPlace {
    int column = 0;
    double fraction = 0;
    int row = 0;
    int rank = 0;
    auto order() const { return std::tie(column, fraction, row, rank); }
  };

  double depth(int column, int row) const { return grid_.at(column, row); }
  // The band of a depth: the number of levels below it.
  int band(double d) const {
    return static_cast<int>(std::lower_bound(levels_.begin(), levels_.end(), d) - levels_.begin());
  }
  size_t count() const { return map_.contours.size(); }

  void trace() {
    ContourTracer tracer(grid_);
    for (int level = 0; level < levelCount_; ++level) {
      for (Contour& contour : tracer.trace(levels_[static_cast<size_t>(level)])) {
        map_.contours.push_back(std::move(contour));
        map_.contourLevels.push_back(level);
      }
    }
    // Which contour crosses a row edge at a level, for the walks along rows.
    for (uint32_t i = 0; i < count(); ++i) {
      for (const uint32_t edge : map_.contours[i].gridEdges) {
        if (edge % 2 == 0) rowCrossings_.emplace_back(rowCrossingKey(edge / 2, level(i)), i);
      }
    }
    std::sort(rowCrossings_.begin(), rowCrossings_.end());
  }

  int level(uint32_t contour) const { return map_.contourLevels[contour]; }
  uint64_t rowCrossingKey(uint64_t vertex, int lvl) const {
    return vertex * static_cast<uint64_t>(levelCount_) + static_cast<uint64_t>(lvl);
  }
  uint32_t contourCrossing(int column, int row, int lvl) const {
    const uint64_t vertex = static_cast<uint64_t>(row) * static_cast<uint64_t>(grid_.size) +
                            static_cast<uint64_t>(column);
    const uint64_t key = rowCrossingKey(vertex, lvl);
    const auto found =
        std::lower_bound(rowCrossings_.begin(), rowCrossings_.end(), std::make_pair(key, 0u));
    if (found == rowCrossings_.end() || found->first != key) {
      throw std::logic_error("a row edge crossing without its contour");
    }
    return found->second;
  }

  // Places along the border, counter-clockwise from the south-west corner:
  // walk edge e (the grid's border edges in that order) starts at e * stride_
  // and its crossings follow in the order the walk meets them.
  int64_t borderKey(uint32_t edge, int lvl) const {
    const int column = static_cast<int>(edge / 2 % static_cast<uint32_t>(grid_.size));
    const int row = static_cast<int>(edge / 2 / static_cast<uint32_t>(grid_.size));
    int64_t walkEdge = -1;
    double from = 0, to = 0;
    if (edge % 2 == 0 && row == 0) {
      walkEdge = column, from = depth(column, 0), to = depth(column + 1, 0);
    } else if (edge % 2 == 1 && column == last_) {
      walkEdge = last_ + row, from = depth(last_, row), to = depth(last_, row + 1);
    } else if (edge % 2 == 0 && row == last_) {
      walkEdge = 2 * last_ + (last_ - 1 - column);
      from = depth(column + 1, last_), to = depth(column, last_);
    } else if (edge % 2 == 1 && column == 0) {
      walkEdge = 3 * last_ + (last_ - 1 - row), from = depth(0, row + 1), to = depth(0, row);
    } else {
      throw std::logic_error("an open contour ends inside the grid");
    }
    const int rank = to > from ? lvl : levelCount_ - 1 - lvl;
    return walkEdge * stride_ + 1 + rank;
  }
  int64_t cornerKey(int corner) const { return int64_t{corner} * last_ * stride_; }
  ContourPoint corner(int k) const {
    const double far = last_;
    constexpr int kX[4] = {0, 1, 1, 0};
    constexpr int kY[4] = {0, 0, 1, 1};
    return {kX[k % 4] * far, kY[k % 4] * far};
  }

  void orderBorder() {
    std::vector<std::pair<int64_t, BorderPoint>> ends;
    for (uint32_t i = 0; i < count(); ++i) {
      const Contour& c = map_.contours[i];
      if (c.closed) continue;
      ends.push_back({borderKey(c.gridEdges.front(), level(i)), {i, true}});
      ends.push_back({borderKey(c.gridEdges.back(), level(i)), {i, false}});
    }
    std::sort(ends.begin(), ends.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    startPoint_.assign(count(), 0);
    endPoint_.assign(count(), 0);
    for (uint32_t k = 0; k < ends.size(); ++k) {
      if (k > 0 && ends[k].first == ends[k - 1].first) {
        throw std::logic_error("two contours end at one place on the border");
      }
      borderKeys_.push_back(ends[k].first);
      map_.borderPoints.push_back(ends[k].second);
      (ends[k].second.start ? startPoint_ : endPoint_)[ends[k].second.contour] = k;
    }

    const size_t m = map_.borderPoints.size();
    if (m == 0) {
      map_.border.push_back(
          {{corner(0), corner(1), corner(2), corner(3), corner(0)}, band(depth(0, 0))});
      return;
    }
    for (size_t i = 0; i < m; ++i) {
      const size_t j = (i + 1) % m;
      BorderStretch stretch;
      stretch.band = bandAfter(map_.borderPoints[i]);
      if (bandBefore(map_.borderPoints[j]) != stretch.band) {
        throw std::logic_error("the bands along the border disagree");
      }
      stretch.points.push_back(position(map_.borderPoints[i]));
      const int64_t from = borderKeys_[i], to = borderKeys_[j];
      for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < 4; ++k) {
          const int64_t key = cornerKey(k);
          const bool between =
              to > from ? pass == 0 && key > from && key < to : (pass == 0 ? key > from : key < to);
          if (between) stretch.points.push_back(corner(k));
        }
      }
      stretch.points.push_back(position(map_.borderPoints[j]));
      map_.border.push_back(std::move(stretch));
    }
  }

  int bandAfter(const BorderPoint& p) const { return level(p.contour) + (p.start ? 0 : 1); }
  int bandBefore(const BorderPoint& p) const { return level(p.contour) + (p.start ? 1 : 0); }
  ContourPoint position(const BorderPoint& p) const {
    const Contour& c = map_.contours[p.contour];
    return p.start ? c.points.front() : c.points.back();
  }

  // A ring with its area on the left, turned to have it on the right.
  static std::vector<PieceUse> clockwise(std::vector<PieceUse> ring) {
    std::reverse(ring.begin(), ring.end());
    for (PieceUse& use : ring)
      use.forward = !use.forward;
    return ring;
  }

  // Each ring alternates border stretches and the contours that join them:
  // the stretch ending at a contour's start continues along the contour (its
  // deep side on the left), the one ending at a contour's end goes back
  // along it, and after a contour comes the stretch from where it left off.
  void ringsThroughBorder() {
    const uint32_t contours = static_cast<uint32_t>(count());
    const size_t m = map_.borderPoints.size();
    stretchArea_.assign(map_.border.size(), -1);
    leftArea_.assign(count(), -1);
    rightArea_.assign(count(), -1);
    for (size_t s = 0; s < map_.border.size(); ++s) {
      if (stretchArea_[s] >= 0) continue;
      const int32_t a = static_cast<int32_t>(map_.areas.size());
      BandArea area;
      area.band = map_.border[s].band;
      std::vector<PieceUse> ring;
      size_t p = s;
      do {
        if (map_.border[p].band != area.band) throw std::logic_error("a ring changes band");
        stretchArea_[p] = a;
        ring.push_back({contours + static_cast<uint32_t>(p), true});
        if (m == 0) break;
        const BorderPoint& next = map_.borderPoints[(p + 1) % m];
        ring.push_back({next.contour, next.start});
        (next.start ? leftArea_ : rightArea_)[next.contour] = a;
        p = next.start ? endPoint_[next.contour] : startPoint_[next.contour];
      } while (p != s);
      area.exterior = clockwise(std::move(ring));
      map_.areas.push_back(std::move(area));
    }
  }

  // A closed contour bounds the area inside it and is a hole of the one
  // outside. Which area that is shows along the grid row of the contour's
  // westernmost crossing of a row edge: west of it lies the outside, up to
  // the first crossing of any contour or the border. A contour or stretch
  // met there bounds the area, unless it is another hole of it, which then
  // lies further west and has been placed already.
  void areasOfClosedContours() {
    std::vector<uint32_t> closed;
    west_.resize(count());
    deepInside_.assign(count(), false);
    insideArea_.assign(count(), -1);
    holeArea_.assign(count(), -1);
    for (uint32_t i = 0; i < count(); ++i) {
      const Contour& c = map_.contours[i];
      if (!c.closed) continue;
      closed.push_back(i);
      bool found = false;
      for (const uint32_t edge : c.gridEdges) {
        if (edge % 2 != 0) continue;
        const RowPlace place = rowPlace(edge, level(i));
        if (!found || place.order() < west_[i].order()) west_[i] = place;
        found = true;
      }
      if (!found) throw std::logic_error("a closed contour crosses no row edge");
      const RowPlace& w = west_[i];
      deepInside_[i] = depth(w.column + 1, w.row) > levels_[static_cast<size_t>(level(i))];
      insideArea_[i] = static_cast<int32_t>(map_.areas.size());
      BandArea inside;
      inside.band = innerBand(i);
      inside.exterior = {{i, !deepInside_[i]}};
      map_.areas.push_back(std::move(inside));
    }
    std::vector<uint32_t> byWest = closed;
    std::sort(byWest.begin(), byWest.end(),
              [&](uint32_t a, uint32_t b) { return west_[a].order() < west_[b].order(); });
    for (const uint32_t i : byWest) {
      holeArea_[i] = areaWestOf(i);
      if (map_.areas[static_cast<size_t>(holeArea_[i])].band != outerBand(i)) {
        throw std::logic_error("a hole in an area of another band");
      }
    }
    for (const uint32_t i : closed)
      map_.areas[static_cast<size_t>(holeArea_[i])].holes.push_back({i, deepInside_[i]});
  }

  RowPlace rowPlace(uint32_t edge, int lvl) const {
    RowPlace p;
    p.column = static_cast<int>(edge / 2 % static_cast<uint32_t>(grid_.size));
    p.row = static_cast<int>(edge / 2 / static_cast<uint32_t>(grid_.size));
    const double a = depth(p.column, p.row);
    const double b = depth(p.column + 1, p.row);
    p.fraction = (levels_[static_cast<size_t>(lvl)] - a) / (b - a);
    p.rank = b > a ? lvl : -lvl;
    return p;
  }

  int innerBand(uint32_t i) const { return level(i) + (deepInside_[i] ? 1 : 0); }
  int outerBand(uint32_t i) const { return level(i) + (deepInside_[i] ? 0 : 1); }

  int32_t areaWestOf(uint32_t i) const {
    const RowPlace& w = west_[i];
    const int lvl = level(i);
    const int outside = outerBand(i);
    const int row = w.row;
    // Another level's crossing further west on the same edge, else the
    // first crossing of an edge further west.
    const double a = depth(w.column, row);
    const double b = depth(w.column + 1, row);
    int hit = -1;
    if (b > a) {
      if (lvl - 1 >= band(a)) hit = lvl - 1;
    } else if (lvl + 1 <= band(a) - 1) {
      hit = lvl + 1;
    }
    int column = w.column;
    while (hit < 0 && column > 0) {
      --column;
      const int west = band(depth(column, row));
      const int east = band(depth(column + 1, row));
      if (west != east) hit = east > west ? east - 1 : east;
    }
    if (hit < 0) return stretchArea_[stretchAt((4 * int64_t{last_} - row) * stride_)];
    if (hit != outside && hit != outside - 1) throw std::logic_error("a row crossed a band");
    const uint32_t other = contourCrossing(column, row, hit);
    if (!map_.contours[other].closed) {
      return outside == hit + 1 ? leftArea_[other] : rightArea_[other];
    }
    if (innerBand(other) == outside) return insideArea_[other];
    if (holeArea_[other] < 0) throw std::logic_error("holes out of order");
    return holeArea_[other];
  }

  // The stretch holding the place on the border with that key.
  size_t stretchAt(int64_t key) const {
    if (borderKeys_.empty()) return 0;
    const auto after = std::lower_bound(borderKeys_.begin(), borderKeys_.end(), key);
    if (after == borderKeys_.begin()) return borderKeys_.size() - 1;
    return static_cast<size_t>(after - borderKeys_.begin()) - 1;
  }

  const DepthGrid& grid_;
  const std::vector<double>& levels_;
  const int last_;
  const int levelCount_;
  const int64_t stride_;
  BandMap map_;
  std::vector<std::pair<uint64_t, uint32_t>> rowCrossings_;
  std::vector<int64_t> borderKeys_;
  std::vector<uint32_t> startPoint_, endPoint_;  // border point of each open contour's ends
  std::vector<int32_t> stretchArea_, leftArea_, rightArea_, insideArea_, holeArea_;
  std::vector<RowPlace> west_;
  std::vector<bool> deepInside_;
};

}  // namespace

BandMap mapBands(const DepthGrid& grid, const std::vector<double>& levels) {
  return BandMapper(grid, levels).run();
}

}  // namespace abys::mkcell
