#include "point_location.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace abys {
namespace {

// a + b as the rounded sum and its rounding error, exactly.
void twoSum(double a, double b, double& sum, double& error) {
  sum = a + b;
  const double bVirtual = sum - a;
  const double aVirtual = sum - bVirtual;
  error = (a - aVirtual) + (b - bVirtual);
}

// a * b as the rounded product and its rounding error, exactly.
void twoProduct(double a, double b, double& product, double& error) {
  product = a * b;
  error = std::fma(a, b, -product);
}

// The sign of a sum of doubles, without rounding: the terms are added one
// by one into a list of parts that do not overlap, smallest first (each
// addition an exact two-sum per part), and the largest part that is not
// zero carries the sign of the whole.
int signOfSum(std::span<const double> terms) {
  double parts[16];
  size_t count = 0;
  for (const double term : terms) {
    double q = term;
    for (size_t i = 0; i < count; ++i) {
      double sum = 0, error = 0;
      twoSum(q, parts[i], sum, error);
      parts[i] = error;
      q = sum;
    }
    parts[count++] = q;
  }
  for (size_t i = count; i-- > 0;) {
    if (parts[i] > 0) return 1;
    if (parts[i] < 0) return -1;
  }
  return 0;
}

// The determinant (a - c) x (b - c) summed exactly: each difference is a
// rounded value and its error, each product of those a rounded product and
// its error.
int exactOrientation(LinePoint a, LinePoint b, LinePoint c) {
  double ax[2], ay[2], bx[2], by[2];
  twoSum(a.x, -c.x, ax[0], ax[1]);
  twoSum(a.y, -c.y, ay[0], ay[1]);
  twoSum(b.x, -c.x, bx[0], bx[1]);
  twoSum(b.y, -c.y, by[0], by[1]);
  double terms[16];
  size_t n = 0;
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      twoProduct(ax[i], by[j], terms[n], terms[n + 1]);
      n += 2;
      twoProduct(-ay[i], bx[j], terms[n], terms[n + 1]);
      n += 2;
    }
  }
  return signOfSum({terms, n});
}

// Points a cell of the grid, on the average.
constexpr double kPointsPerCell = 4;
// Segments a point beyond which areas are taken one by one.
constexpr size_t kSegmentsAPoint = 8;

}  // namespace

int orientation(LinePoint a, LinePoint b, LinePoint c) {
  // The rounded determinant is decided when it exceeds the bound on its
  // error (3 + 16 e) e (|left| + |right|), e the unit round-off.
  constexpr double kEpsilon = std::numeric_limits<double>::epsilon() / 2;
  constexpr double kBound = (3.0 + 16.0 * kEpsilon) * kEpsilon;
  const double left = (a.x - c.x) * (b.y - c.y);
  const double right = (a.y - c.y) * (b.x - c.x);
  const double determinant = left - right;
  const double bound = kBound * (std::fabs(left) + std::fabs(right));
  if (determinant > bound) return 1;
  if (-determinant > bound) return -1;
  return exactOrientation(a, b, c);
}

PointGrid::PointGrid(std::span<const LinePoint> points, size_t atLeast) : points_(points) {
  if (points.empty()) {
    cells_ = Buckets<uint32_t>(1, [](auto&&) {});
    below_ = {0, 0, 0, 0};
    return;
  }
  west0_ = east1_ = points[0].x;
  south0_ = north1_ = points[0].y;
  for (const LinePoint p : points) {
    west0_ = std::min(west0_, p.x);
    east1_ = std::max(east1_, p.x);
    south0_ = std::min(south0_, p.y);
    north1_ = std::max(north1_, p.y);
  }
  const double width = east1_ - west0_, height = north1_ - south0_;
  const double cells = std::max(
      {1.0, static_cast<double>(points.size()) / kPointsPerCell, static_cast<double>(atLeast)});
  const double side =
      width > 0 && height > 0 ? std::sqrt(width * height / cells) : std::max(width, height) / cells;
  constexpr double kMostAcross = 1 << 14;
  // Infinite or NaN extents (a cell of COMF 0) make one cell across.
  const auto across = [&](double extent) {
    const double n = extent / side;
    return n >= 1.0 ? static_cast<uint32_t>(std::min(n, kMostAcross)) : 1u;
  };
  columns_ = side > 0 ? across(width) : 1;
  rows_ = side > 0 ? across(height) : 1;
  cellWidth_ = width > 0 ? width / columns_ : 1;
  cellHeight_ = height > 0 ? height / rows_ : 1;

  const auto cellOf = [&](LinePoint p) { return row(p.y) * columns_ + column(p.x); };
  cells_ = Buckets<uint32_t>(size_t{columns_} * rows_, [&](auto&& file) {
    for (uint32_t i = 0; i < points.size(); ++i)
      file(cellOf(points[i]), i);
  });
  below_.assign(size_t{columns_ + 1} * (rows_ + 1), 0);
  for (uint32_t r = 0; r < rows_; ++r) {
    for (uint32_t c = 0; c < columns_; ++c) {
      const uint32_t cell = r * columns_ + c;
      below_[size_t{r + 1} * (columns_ + 1) + c + 1] =
          static_cast<uint32_t>(cells_[cell].size()) + below_[size_t{r} * (columns_ + 1) + c + 1] +
          below_[size_t{r + 1} * (columns_ + 1) + c] - below_[size_t{r} * (columns_ + 1) + c];
    }
  }
}

bool PointGrid::missesAll(double west, double south, double east, double north) const {
  return points_.empty() || east < west0_ || west > east1_ || north < south0_ || south > north1_;
}

bool PointGrid::anyWithin(double west, double south, double east, double north) const {
  if (missesAll(west, south, east, north)) return false;
  const size_t c0 = column(west), c1 = column(east) + 1, r0 = row(south), r1 = row(north) + 1;
  const size_t across = columns_ + 1;
  return below_[r1 * across + c1] - below_[r0 * across + c1] - below_[r1 * across + c0] +
             below_[r0 * across + c0] >
         0;
}

void PointGrid::pointsWithin(double west, double south, double east, double north,
                             std::vector<uint32_t>& found) const {
  if (missesAll(west, south, east, north)) return;
  const uint32_t r0 = row(south), r1 = row(north), c0 = column(west), c1 = column(east);
  // A box of more cells than there are points: the points one by one.
  if (uint64_t{r1 - r0 + 1} * (c1 - c0 + 1) > points_.size()) {
    for (uint32_t i = 0; i < points_.size(); ++i) {
      const LinePoint p = points_[i];
      if (p.x >= west && p.x <= east && p.y >= south && p.y <= north) found.push_back(i);
    }
    return;
  }
  for (uint32_t r = r0; r <= r1; ++r) {
    for (uint32_t c = c0; c <= c1; ++c) {
      for (const uint32_t i : cellIndices(r * columns_ + c)) {
        const LinePoint p = points_[i];
        if (p.x >= west && p.x <= east && p.y >= south && p.y <= north) found.push_back(i);
      }
    }
  }
}

uint32_t PointGrid::column(double x) const {
  const double c = (x - west0_) / cellWidth_;
  if (!(c > 0)) return 0;  // NaN too
  return std::min(columns_ - 1, static_cast<uint32_t>(std::min(c, 1e9)));
}

uint32_t PointGrid::row(double y) const {
  const double r = (y - south0_) / cellHeight_;
  if (!(r > 0)) return 0;
  return std::min(rows_ - 1, static_cast<uint32_t>(std::min(r, 1e9)));
}

namespace {

struct Segment {
  LinePoint p1, p2;
  uint32_t area;
};

// The crossing rule at point p for one segment: whether p lies on it, and
// whether it crosses the ray from p to the east (an upward segment holds
// its start and not its end, a downward one its end and not its start, so
// that a vertex counts once; a horizontal one never crosses).
struct Crossing {
  bool on, crosses;
};
Crossing cross(LinePoint p1, LinePoint p2, LinePoint p) {
  if (p1.x < p.x && p2.x < p.x) return {false, false};
  if (p.x == p2.x && p.y == p2.y) return {true, false};
  if (p1.y == p.y && p2.y == p.y)
    return {p.x >= std::min(p1.x, p2.x) && p.x <= std::max(p1.x, p2.x), false};
  if ((p1.y > p.y && p2.y <= p.y) || (p2.y > p.y && p1.y <= p.y)) {
    int side = orientation(p1, p2, p);
    if (side == 0) return {true, false};
    if (p2.y < p1.y) side = -side;
    return {false, side > 0};
  }
  return {false, false};
}

// The segments of one area in horizontal bands over its envelope, each
// listing the segments whose span of latitude meets it, for locating single
// points: about one band a segment, fewer where the rings rise and fall so
// often that the segments would fill many bands each.
class Bands {
 public:
  // At most `most` bands: as many as the points to be located is enough
  // when they are few.
  explicit Bands(std::span<const Segment> segments, double most = 1e6) {
    double rise = 0;
    south_ = INFINITY;
    double north = -INFINITY;
    for (const Segment& s : segments) {
      south_ = std::min({south_, s.p1.y, s.p2.y});
      north = std::max({north, s.p1.y, s.p2.y});
      rise += std::fabs(s.p2.y - s.p1.y);
    }
    const double height = north - south_;
    double bands = static_cast<double>(segments.size());
    if (height > 0 && rise > 0) bands = std::min(bands, 4 * bands * height / rise);
    count_ = height > 0 ? static_cast<uint32_t>(std::clamp(bands, 1.0, std::max(1.0, most))) : 1;
    scale_ = height > 0 ? count_ / height : 0;
    bands_ = Buckets<Segment>(count_, [&](auto&& file) {
      for (const Segment& s : segments) {
        for (uint32_t b = band(std::min(s.p1.y, s.p2.y)), last = band(std::max(s.p1.y, s.p2.y));
             b <= last; ++b)
          file(b, s);
      }
    });
  }

  // Whether p lies strictly inside.
  bool inside(LinePoint p) const {
    bool odd = false;
    for (const Segment& s : bands_[band(p.y)]) {
      const Crossing c = cross(s.p1, s.p2, p);
      if (c.on) return false;
      odd ^= c.crosses;
    }
    return odd;
  }

 private:
  uint32_t band(double y) const {
    const double b = (y - south_) * scale_;
    return !(b > 0) ? 0u : std::min(count_ - 1, static_cast<uint32_t>(std::min(b, 1e9)));  // NaN: 0
  }

  double south_ = 0, scale_ = 0;
  uint32_t count_ = 1;
  Buckets<Segment> bands_;  // the segments of each band
};

// Calls visit(cell) for the cells of grid that the segment from a to b may
// meet within box (that of the grid's points): the cells of its box, or
// for a long segment of the boxes of pieces a few cells long, each widened
// by far more than the rounding of its ends so that together they hold the
// whole segment. The segment is first cut to the box widened by a cell.
template <class Visit>
void cellsOf(const PointGrid& grid, const Box& box, double cellWidth, double cellHeight,
             LinePoint a, LinePoint b, Visit visit) {
  if (std::max(a.x, b.x) < box.west || std::min(a.x, b.x) > box.east ||
      std::max(a.y, b.y) < box.south || std::min(a.y, b.y) > box.north) {
    return;
  }
  const double dx = b.x - a.x, dy = b.y - a.y;
  double from = 0, to = 1;
  const auto clip = [&](double p, double q) {  // keeps p t <= q
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
      from = std::max(from, t);
    } else {
      to = std::min(to, t);
    }
    return from <= to;
  };
  if (!clip(-dx, a.x - (box.west - cellWidth)) || !clip(dx, box.east + cellWidth - a.x) ||
      !clip(-dy, a.y - (box.south - cellHeight)) || !clip(dy, box.north + cellHeight - a.y)) {
    return;
  }
  const double across =
      (to - from) * std::max(std::fabs(dx) / cellWidth, std::fabs(dy) / cellHeight);
  const uint32_t n = across > 4 ? static_cast<uint32_t>(std::min(across / 4, 1e6)) + 1 : 1;
  const bool whole = n == 1 && from == 0 && to == 1;
  const double pad =
      whole ? 0
            : 1e-12 *
                  (1 + std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y)}));
  for (uint32_t i = 0; i < n; ++i) {
    LinePoint p = a, q = b;
    if (!whole) {
      const double t0 = from + (to - from) * i / n;
      const double t1 = i + 1 == n ? to : from + (to - from) * (i + 1) / n;
      p = t0 == 0 ? a : LinePoint{a.x + t0 * dx, a.y + t0 * dy};
      q = t1 == 1 ? b : LinePoint{a.x + t1 * dx, a.y + t1 * dy};
    }
    const uint32_t c0 = grid.column(std::min(p.x, q.x) - pad);
    const uint32_t c1 = grid.column(std::max(p.x, q.x) + pad);
    const uint32_t r0 = grid.row(std::min(p.y, q.y) - pad);
    const uint32_t r1 = grid.row(std::max(p.y, q.y) + pad);
    for (uint32_t r = r0; r <= r1; ++r) {
      for (uint32_t c = c0; c <= c1; ++c)
        visit(r * grid.columns() + c);
    }
  }
}

// Area by area: the points in the area's box, each against the area's
// bands, about two bands a point.
void pointsInEachArea(const PointGrid& grid, std::span<const Rings> areas,
                      const std::function<void(uint32_t point, uint32_t area)>& inside) {
  std::vector<Segment> segments;
  std::vector<uint32_t> candidates;
  for (uint32_t a = 0; a < areas.size(); ++a) {
    segments.clear();
    Box box = Box::none();
    for (const std::vector<LinePoint>& ring : areas[a]) {
      for (size_t k = 1; k < ring.size(); ++k)
        segments.push_back({ring[k - 1], ring[k], a});
      for (const LinePoint p : ring)
        box.add(p);
    }
    if (segments.empty()) continue;
    candidates.clear();
    grid.pointsWithin(box.west, box.south, box.east, box.north, candidates);
    if (candidates.empty()) continue;
    const Bands bands(segments, 2.0 * static_cast<double>(candidates.size()));
    for (const uint32_t index : candidates) {
      if (bands.inside(grid.point(index))) inside(index, a);
    }
  }
}

}  // namespace

// A cell of the grid that no segment of an area meets lies wholly inside or
// wholly outside it, so one point of the cell answers for all of its
// points: a point q with the cell's column and the row's latitude, located
// by a sweep of the row from east to west over the segments that cross the
// row's latitude. Only where an area's segments meet a cell are its points
// located one by one, against that area's bands.
void pointsInAreas(const PointGrid& grid, std::span<const Rings> areas,
                   const std::function<void(uint32_t point, uint32_t area)>& inside, Locating way) {
  if (grid.size() == 0 || areas.empty()) return;
  if (way == Locating::Either) {
    // The sweep costs about as much per segment as the bands, and per point
    // much less: it pays where the points are not few among the segments.
    size_t segments = 0;
    for (const Rings& rings : areas) {
      for (const std::vector<LinePoint>& ring : rings)
        segments += ring.empty() ? 0 : ring.size() - 1;
    }
    way = grid.size() * kSegmentsAPoint < segments ? Locating::AreaByArea : Locating::Sweep;
  }
  if (way == Locating::AreaByArea) {
    pointsInEachArea(grid, areas, inside);
    return;
  }
  const uint32_t columns = grid.columns(), rows = grid.rows();
  const auto filled = [&](uint32_t cell) { return !grid.cellIndices(cell).empty(); };
  std::vector<bool> rowFilled(rows, false);
  std::vector<uint32_t> filledBelow(rows + 1, 0);  // rows holding points south of each row
  for (uint32_t cell = 0; cell < columns * rows; ++cell) {
    if (filled(cell)) rowFilled[cell / columns] = true;
  }
  for (uint32_t r = 0; r < rows; ++r)
    filledBelow[r + 1] = filledBelow[r] + (rowFilled[r] ? 1 : 0);
  // The points' box and the cell size. Every point of a cell, and the
  // point that stands for them, lies in the box, so what lies outside it
  // is of no matter.
  const Box box{grid.west(), grid.south(), grid.east(), grid.north()};
  const double cellWidth = box.east > box.west ? (box.east - box.west) / columns : 1;
  const double cellHeight = box.north > box.south ? (box.north - box.south) / rows : 1;

  // Only the segments that may meet a cell holding points, or whose span
  // of latitude meets a row holding points, bear on where a point lies:
  // they are picked ring by ring, then segment by segment, by whether
  // their box may meet such a cell or row.
  const auto nearBox = [&](double west, double south, double east, double north) {
    const double pad =
        1e-12 *
        (1 + std::max({std::fabs(west), std::fabs(east), std::fabs(south), std::fabs(north)}));
    return filledBelow[grid.row(north) + 1] > filledBelow[grid.row(south)] ||
           grid.anyWithin(west - pad, south - pad, east + pad, north + pad);
  };
  std::vector<Segment> segments;
  std::vector<uint32_t> areaStart;  // of each area in segments, and the end
  for (uint32_t a = 0; a < areas.size(); ++a) {
    areaStart.push_back(static_cast<uint32_t>(segments.size()));
    for (const std::vector<LinePoint>& ring : areas[a]) {
      Box around = Box::none();
      for (const LinePoint p : ring)
        around.add(p);
      if (!nearBox(around.west, around.south, around.east, around.north)) continue;
      for (size_t k = 1; k < ring.size(); ++k) {
        const LinePoint p1 = ring[k - 1], p2 = ring[k];
        const auto [west, east] = std::minmax(p1.x, p2.x);
        const auto [south, north] = std::minmax(p1.y, p2.y);
        if (nearBox(west, south, east, north)) segments.push_back({p1, p2, a});
      }
    }
  }
  areaStart.push_back(static_cast<uint32_t>(segments.size()));

  // The segments that may meet each cell holding points, and those whose
  // span of latitude meets each row holding points.
  const Buckets<uint32_t> inCells(size_t{columns} * rows, [&](auto&& file) {
    for (uint32_t i = 0; i < segments.size(); ++i) {
      cellsOf(grid, box, cellWidth, cellHeight, segments[i].p1, segments[i].p2, [&](uint32_t cell) {
        if (filled(cell)) file(cell, i);
      });
    }
  });
  const Buckets<uint32_t> inRows(rows, [&](auto&& file) {
    for (uint32_t i = 0; i < segments.size(); ++i) {
      const Segment& s = segments[i];
      for (uint32_t r = grid.row(std::min(s.p1.y, s.p2.y)),
                    last = grid.row(std::max(s.p1.y, s.p2.y));
           r <= last; ++r) {
        if (rowFilled[r]) file(r, i);
      }
    }
  });

  // Areas by the parity of the crossings east of the current point, with
  // the list of those that are odd.
  std::vector<uint8_t> parity(areas.size(), 0);
  std::vector<uint32_t> odd, where(areas.size(), 0);
  const auto toggle = [&](uint32_t area) {
    if ((parity[area] ^= 1) != 0) {
      where[area] = static_cast<uint32_t>(odd.size());
      odd.push_back(area);
    } else {
      const uint32_t last = odd.back();
      odd[where[area]] = last;
      where[last] = where[area];
      odd.pop_back();
    }
  };
  std::vector<std::unique_ptr<Bands>> bands(areas.size());
  std::vector<uint32_t> met;  // areas whose segments meet the cell
  std::vector<uint8_t> meets(areas.size(), 0);
  struct Crosser {
    uint32_t segment, first, last;  // the columns of its west and east ends
  };
  std::vector<Crosser> crossers, active;
  std::vector<uint32_t> flipped;
  for (uint32_t r = 0; r < rows; ++r) {
    if (!rowFilled[r]) continue;
    // The row's latitude: that of one of its points.
    double y = 0;
    for (uint32_t c = 0; c < columns; ++c) {
      if (filled(r * columns + c)) {
        y = grid.point(grid.cellIndices(r * columns + c)[0]).y;
        break;
      }
    }
    crossers.clear();
    for (const uint32_t i : inRows[r]) {
      const Segment& s = segments[i];
      if ((s.p1.y > y && s.p2.y <= y) || (s.p2.y > y && s.p1.y <= y)) {
        crossers.push_back(
            {i, grid.column(std::min(s.p1.x, s.p2.x)), grid.column(std::max(s.p1.x, s.p2.x))});
      }
    }
    std::sort(crossers.begin(), crossers.end(),
              [](const Crosser& a, const Crosser& b) { return a.last > b.last; });
    size_t entered = 0;
    active.clear();
    for (uint32_t c = columns; c-- > 0;) {
      const uint32_t cell = r * columns + c;
      if (!filled(cell)) continue;
      // Segments wholly east of the cell cross every ray from it; those
      // spanning its column are asked at q.
      while (entered < crossers.size() && crossers[entered].last >= c)
        active.push_back(crossers[entered++]);
      const LinePoint q{grid.point(grid.cellIndices(cell)[0]).x, y};
      flipped.clear();
      for (size_t i = 0; i < active.size();) {
        if (active[i].first > c) {
          toggle(segments[active[i].segment].area);
          active[i] = active.back();
          active.pop_back();
          continue;
        }
        const Segment& s = segments[active[i].segment];
        if (cross(s.p1, s.p2, q).crosses) {
          toggle(s.area);
          flipped.push_back(s.area);
        }
        ++i;
      }
      met.clear();
      for (const uint32_t i : inCells[cell]) {
        const uint32_t area = segments[i].area;
        if (meets[area] == 0) {
          meets[area] = 1;
          met.push_back(area);
        }
      }
      const std::span<const uint32_t> indices = grid.cellIndices(cell);
      for (const uint32_t area : odd) {
        if (meets[area] != 0) continue;
        for (const uint32_t index : indices)
          inside(index, area);
      }
      for (const uint32_t area : met) {
        if (!bands[area]) {
          bands[area] = std::make_unique<Bands>(std::span<const Segment>(
              segments.data() + areaStart[area], areaStart[area + 1] - areaStart[area]));
        }
        for (const uint32_t index : indices) {
          if (bands[area]->inside(grid.point(index))) inside(index, area);
        }
        meets[area] = 0;
      }
      for (const uint32_t area : flipped)
        toggle(area);
    }
    while (!odd.empty())
      toggle(odd.back());
  }
}

}  // namespace abys
