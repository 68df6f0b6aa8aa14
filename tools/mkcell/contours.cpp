#include "contours.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace abys::mkcell {
namespace {

// Corner k of the cell at (column c, row r): 0 (c, r), 1 (c+1, r),
// 2 (c+1, r+1), 3 (c, r+1). Side k joins corners k and k+1: 0 south, 1 east,
// 2 north, 3 west.
struct Segment {
  int from = -1;
  int to = -1;
};

struct CellCase {
  int count = 0;
  std::array<Segment, 2> segments{};
};

// The deep side of a segment from side a to side b is on its left.
Segment orient(const bool deep[4], int a, int b) {
  constexpr double kCornerX[4] = {0, 1, 1, 0};
  constexpr double kCornerY[4] = {0, 0, 1, 1};
  auto middleX = [&](int s) { return (kCornerX[s] + kCornerX[(s + 1) % 4]) / 2; };
  auto middleY = [&](int s) { return (kCornerY[s] + kCornerY[(s + 1) % 4]) / 2; };
  // A corner on a known side of the segment: the one it cuts off when the
  // sides meet there, else any corner of side a.
  int corner = a;
  if ((a + 1) % 4 == b) corner = b;
  const double dx = middleX(b) - middleX(a);
  const double dy = middleY(b) - middleY(a);
  const double rx = kCornerX[corner] - middleX(a);
  const double ry = kCornerY[corner] - middleY(a);
  const bool cornerOnLeft = dx * ry - dy * rx > 0;
  return cornerOnLeft == deep[corner] ? Segment{a, b} : Segment{b, a};
}

// Indexed by the mask of deep corners, plus 16 when the centre of the cell
// is deep (which only matters when two diagonal corners alone are deep).
std::array<CellCase, 32> buildCases() {
  std::array<CellCase, 32> cases{};
  for (int index = 0; index < 32; ++index) {
    bool deep[4];
    for (int k = 0; k < 4; ++k)
      deep[k] = (index >> k & 1) != 0;
    const bool centreDeep = index >= 16;
    int crossing[4];
    int n = 0;
    for (int s = 0; s < 4; ++s) {
      if (deep[s] != deep[(s + 1) % 4]) crossing[n++] = s;
    }
    CellCase& c = cases[static_cast<size_t>(index)];
    if (n == 2) {
      c.segments[c.count++] = orient(deep, crossing[0], crossing[1]);
    } else if (n == 4) {
      // The corners unlike the centre are cut off, each by its two sides.
      for (int k = 0; k < 4; ++k) {
        if (deep[k] != centreDeep) c.segments[c.count++] = orient(deep, (k + 3) % 4, k);
      }
    }
  }
  return cases;
}

const std::array<CellCase, 32>& cellCases() {
  static const std::array<CellCase, 32> cases = buildCases();
  return cases;
}

constexpr int kBlock = 16;

}  // namespace

class ContourTracer::Impl {
 public:
  explicit Impl(const DepthGrid& grid)
      : grid_(grid),
        cells_(std::max(0, grid.size - 1)),
        blocks_((cells_ + kBlock - 1) / kBlock),
        visited_(static_cast<size_t>(cells_) * static_cast<size_t>(cells_), 0) {
    // The range of the depths at the vertices of each block's cells.
    const size_t count = static_cast<size_t>(blocks_) * static_cast<size_t>(blocks_);
    blockMin_.assign(count, std::numeric_limits<float>::infinity());
    blockMax_.assign(count, -std::numeric_limits<float>::infinity());
    for (int r = 0; r < grid.size; ++r) {
      for (int c = 0; c < grid.size; ++c) {
        const float d = grid.depths[static_cast<size_t>(r) * static_cast<size_t>(grid.size) +
                                    static_cast<size_t>(c)];
        // A vertex on a block boundary belongs to the blocks on both sides.
        for (int br = std::max(0, (r - 1) / kBlock); br <= std::min(blocks_ - 1, r / kBlock);
             ++br) {
          for (int bc = std::max(0, (c - 1) / kBlock); bc <= std::min(blocks_ - 1, c / kBlock);
               ++bc) {
            const size_t b =
                static_cast<size_t>(br) * static_cast<size_t>(blocks_) + static_cast<size_t>(bc);
            blockMin_[b] = std::min(blockMin_[b], d);
            blockMax_[b] = std::max(blockMax_[b], d);
          }
        }
      }
    }
  }

  std::vector<Contour> trace(double level) {
    level_ = level;
    std::vector<Contour> contours;
    // Open contours start where a segment enters from the border.
    for (int r = 0; r < cells_; ++r) {
      const bool edgeRow = r == 0 || r == cells_ - 1;
      const int stride = (edgeRow || cells_ == 1) ? 1 : cells_ - 1;
      for (int c = 0; c < cells_; c += stride) {
        const CellCase& k = cellCases()[caseIndex(c, r)];
        for (int s = 0; s < k.count; ++s) {
          const int from = k.segments[static_cast<size_t>(s)].from;
          if (!isVisited(c, r, s) && onBorder(c, r, from)) {
            contours.push_back(follow(c, r, from));
            if (contours.back().closed) throw std::logic_error("contour from the border closed");
          }
        }
      }
    }
    // Whatever is left runs round in rings.
    for (int br = 0; br < blocks_; ++br) {
      for (int bc = 0; bc < blocks_; ++bc) {
        const size_t b =
            static_cast<size_t>(br) * static_cast<size_t>(blocks_) + static_cast<size_t>(bc);
        if (!(blockMin_[b] <= level && blockMax_[b] > level)) continue;
        const int rEnd = std::min(cells_, (br + 1) * kBlock);
        const int cEnd = std::min(cells_, (bc + 1) * kBlock);
        for (int r = br * kBlock; r < rEnd; ++r) {
          for (int c = bc * kBlock; c < cEnd; ++c) {
            const CellCase& k = cellCases()[caseIndex(c, r)];
            for (int s = 0; s < k.count; ++s) {
              if (isVisited(c, r, s)) continue;
              contours.push_back(follow(c, r, k.segments[static_cast<size_t>(s)].from));
              if (!contours.back().closed) throw std::logic_error("contour inside left the grid");
            }
          }
        }
      }
    }
    for (const size_t cell : touched_)
      visited_[cell] = 0;
    touched_.clear();
    return contours;
  }

 private:
  size_t cellIndex(int c, int r) const {
    return static_cast<size_t>(r) * static_cast<size_t>(cells_) + static_cast<size_t>(c);
  }
  bool isVisited(int c, int r, int segment) const {
    return (visited_[cellIndex(c, r)] >> segment & 1) != 0;
  }

  bool isDeep(double depth) const { return depth > level_; }

  size_t caseIndex(int c, int r) const {
    const double d0 = grid_.at(c, r);
    const double d1 = grid_.at(c + 1, r);
    const double d2 = grid_.at(c + 1, r + 1);
    const double d3 = grid_.at(c, r + 1);
    size_t mask =
        (isDeep(d0) ? 1 : 0) | (isDeep(d1) ? 2 : 0) | (isDeep(d2) ? 4 : 0) | (isDeep(d3) ? 8 : 0);
    if ((mask == 5 || mask == 10) && isDeep((d0 + d1 + d2 + d3) / 4)) mask += 16;
    return mask;
  }

  bool onBorder(int c, int r, int side) const {
    return (side == 0 && r == 0) || (side == 1 && c == cells_ - 1) ||
           (side == 2 && r == cells_ - 1) || (side == 3 && c == 0);
  }

  // Computed from the grid edge's own vertices, so that both cells sharing
  // it get the same point.
  ContourPoint crossing(int c, int r, int side) const {
    switch (side) {
      case 0:
        return alongRow(c, r);
      case 1:
        return alongColumn(c + 1, r);
      case 2:
        return alongRow(c, r + 1);
      default:
        return alongColumn(c, r);
    }
  }
  uint32_t gridEdge(int c, int r, int side) const {
    switch (side) {
      case 0:
        return rowEdge(c, r, grid_.size);
      case 1:
        return columnEdge(c + 1, r, grid_.size);
      case 2:
        return rowEdge(c, r + 1, grid_.size);
      default:
        return columnEdge(c, r, grid_.size);
    }
  }
  void add(Contour& contour, int c, int r, int side) const {
    contour.points.push_back(crossing(c, r, side));
    contour.gridEdges.push_back(gridEdge(c, r, side));
  }
  ContourPoint alongRow(int c, int r) const {
    const double a = grid_.at(c, r);
    const double b = grid_.at(c + 1, r);
    return {c + (level_ - a) / (b - a), static_cast<double>(r)};
  }
  ContourPoint alongColumn(int c, int r) const {
    const double a = grid_.at(c, r);
    const double b = grid_.at(c, r + 1);
    return {static_cast<double>(c), r + (level_ - a) / (b - a)};
  }

  Contour follow(int c, int r, int from) {
    Contour contour;
    add(contour, c, r, from);
    const int startC = c, startR = r, startFrom = from;
    for (;;) {
      const CellCase& k = cellCases()[caseIndex(c, r)];
      int s = 0;
      while (s < k.count && k.segments[static_cast<size_t>(s)].from != from)
        ++s;
      if (s == k.count || isVisited(c, r, s)) throw std::logic_error("contour lost its way");
      uint8_t& visited = visited_[cellIndex(c, r)];
      if (visited == 0) touched_.push_back(cellIndex(c, r));
      visited |= static_cast<uint8_t>(1 << s);
      const int to = k.segments[static_cast<size_t>(s)].to;
      add(contour, c, r, to);
      switch (to) {
        case 0:
          --r, from = 2;
          break;
        case 1:
          ++c, from = 3;
          break;
        case 2:
          ++r, from = 0;
          break;
        default:
          --c, from = 1;
          break;
      }
      if (c < 0 || r < 0 || c >= cells_ || r >= cells_) return contour;
      if (c == startC && r == startR && from == startFrom) {
        contour.points.pop_back();
        contour.gridEdges.pop_back();
        contour.closed = true;
        return contour;
      }
    }
  }

  const DepthGrid& grid_;
  double level_ = 0;
  int cells_;
  int blocks_;
  // Bit k: segment k of the cell has been followed at this level; touched_
  // lists the cells to clear for the next.
  std::vector<uint8_t> visited_;
  std::vector<size_t> touched_;
  std::vector<float> blockMin_, blockMax_;
};

ContourTracer::ContourTracer(const DepthGrid& grid) : impl_(std::make_unique<Impl>(grid)) {}
ContourTracer::~ContourTracer() = default;

std::vector<Contour> ContourTracer::trace(double level) {
  return impl_->trace(level);
}

std::vector<Contour> traceContours(const DepthGrid& grid, double level) {
  return ContourTracer(grid).trace(level);
}

}  // namespace abys::mkcell
