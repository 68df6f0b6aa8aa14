// Point location: the grid's boxes against a count of the points, the
// exact orientation test against integer arithmetic, and points in areas
// against GEOS.
#include "point_location.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "geos_geometry.h"

namespace abys {
namespace {

// Whether a grid may hold a point in a box: never no where a point lies in
// it, against a count of the points, for boxes of every size.
TEST(PointLocation, AGridFindsThePointsInABox) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> x(60.0, 61.0), y(-33.0, -32.5);
  std::vector<LinePoint> points;
  for (int i = 0; i < 3000; ++i)
    points.push_back({x(random), y(random)});
  points.push_back({60.0, -33.0});  // corners of the points' box
  points.push_back({61.0, -32.5});
  for (const size_t cells : {size_t{0}, size_t{100000}}) {
    const PointGrid grid(points, cells);
    int empty = 0;
    for (int n = 0; n < 3000; ++n) {
      std::uniform_real_distribution<double> size(0, n % 3 == 0 ? 0.3 : 0.003);
      const double west = x(random) - 0.1, south = y(random) - 0.05;
      const double east = west + size(random), north = south + size(random);
      std::vector<uint32_t> inside;
      for (uint32_t i = 0; i < points.size(); ++i) {
        const LinePoint p = points[i];
        if (p.x >= west && p.x <= east && p.y >= south && p.y <= north) inside.push_back(i);
      }
      std::vector<uint32_t> found;
      grid.pointsWithin(west, south, east, north, found);
      std::sort(found.begin(), found.end());
      ASSERT_EQ(found, inside) << n;
      const bool held = !inside.empty();
      if (held) {
        ASSERT_TRUE(grid.anyWithin(west, south, east, north)) << n;
      } else {
        empty += grid.anyWithin(west, south, east, north) ? 0 : 1;
      }
    }
    EXPECT_GT(empty, 300) << "empty boxes are seen to be empty";
    EXPECT_TRUE(grid.anyWithin(61.0, -32.5, 62.0, -32.0)) << "a box meeting the corner alone";
    EXPECT_FALSE(grid.anyWithin(61.0001, -32.5, 62.0, -32.0)) << "a box beside the points";
  }
}

// Exact orientation: points on a fine binary lattice, most of them on or
// next to one line, against the determinant in 128-bit integers.
TEST(PointLocation, OrientationIsExact) {
  constexpr double kUnit = 1.0 / (1ll << 40);
  std::mt19937_64 random(5);
  std::uniform_int_distribution<int64_t> coordinate(-(1ll << 45), 1ll << 45);
  std::uniform_int_distribution<int64_t> nudge(-1, 1);
  int collinear = 0;
  for (int n = 0; n < 20000; ++n) {
    const int64_t ax = coordinate(random), ay = coordinate(random);
    const int64_t bx = coordinate(random), by = coordinate(random);
    // c on the line through a and b, at a lattice point, then nudged.
    const int64_t step = std::uniform_int_distribution<int64_t>(-3, 3)(random);
    const int64_t cx = ax + step * ((bx - ax) / 4) + nudge(random);
    const int64_t cy = ay + step * ((by - ay) / 4) + nudge(random);
    const __int128 exact =
        static_cast<__int128>(ax - cx) * (by - cy) - static_cast<__int128>(ay - cy) * (bx - cx);
    const int expected = exact > 0 ? 1 : exact < 0 ? -1 : 0;
    collinear += expected == 0;
    const auto at = [&](int64_t x, int64_t y) {
      return LinePoint{static_cast<double>(x) * kUnit, static_cast<double>(y) * kUnit};
    };
    ASSERT_EQ(orientation(at(ax, ay), at(bx, by), at(cx, cy)), expected) << n;
  }
  EXPECT_GT(collinear, 300);
}

// A valid area stays as it is; a ring crossing itself a few times is made
// valid (a bow tie becomes its two triangles); a tangle crossing itself
// thousands of times becomes its envelope at once, where making it valid
// would take minutes.
TEST(PointLocation, AreasMadeValidWithinBoundedTime) {
  std::vector<LinePoint> star;  // {401/200}: every edge crosses most others
  for (int i = 0; i <= 401; ++i) {
    const double angle = 2 * 3.14159265358979 * ((i * 200) % 401) / 401.0;
    star.push_back({std::cos(angle), std::sin(angle)});
  }
  struct Case {
    const char* name;
    std::vector<LinePoint> ring;
    double area;
    int points;  // of the result
  };
  const Case cases[] = {
      {"valid square", {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}, 4.0, 5},
      {"bow tie", {{0, 0}, {1, 1}, {1, 0}, {0, 1}, {0, 0}}, 0.5, 8},
      {"tangle", star, 4.0, 5},
  };
  const Geos geos;
  for (const Case& c : cases) {
    const RingRange ring{0, static_cast<uint32_t>(c.ring.size()), true};
    const Geometry valid = validArea(geos, makeArea(geos, c.ring, std::span(&ring, 1)));
    ASSERT_TRUE(valid) << c.name;
    EXPECT_EQ(GEOSisValid_r(geos.get(), valid.get()), 1) << c.name;
    double area = 0;
    GEOSArea_r(geos.get(), valid.get(), &area);
    EXPECT_NEAR(area, c.area, 0.01) << c.name;
    EXPECT_EQ(GEOSGetNumCoordinates_r(geos.get(), valid.get()), c.points) << c.name;
  }
  EXPECT_FALSE(validArea(geos, Geometry()));
}

// Points strictly inside areas: the same answers as GEOS's prepared
// containsProperly, for points at the areas' vertices, on their edges and
// between, on a binary lattice and on decimal degrees.
TEST(PointLocation, PointsInAreasAsGeosLocatesThem) {
  for (const double unit : {0.125, 0.0001}) {
    SCOPED_TRACE(unit);
    const double x0 = unit < 0.1 ? 60.9 : 0, y0 = unit < 0.1 ? -32.5 : 0;
    const auto at = [&](double i, double j) { return LinePoint{x0 + i * unit, y0 + j * unit}; };
    const auto box = [&](double w, double s, double e, double n) {
      return std::vector<LinePoint>{at(w, s), at(w, n), at(e, n), at(e, s), at(w, s)};
    };
    const std::vector<Rings> areas = {
        // A square with two holes, a square and a diamond whose top and
        // bottom are vertices with the shell's edge to their east.
        {box(0, 0, 20, 20),
         box(5, 5, 10, 10),
         {at(12, 14), at(15, 17), at(18, 14), at(15, 11), at(12, 14)}},
        {{at(20, 10), at(25, 15), at(30, 10), at(25, 5), at(20, 10)}},  // a diamond beside it
        {box(0, 20, 10, 30), box(12, 20, 22, 30)},                      // two squares, one area
        {box(2, 2, 8, 8), box(6, 6, 9, 9)},                             // two overlapping squares
        {{at(3, 21), at(17, 29), at(27, 23), at(3, 21)}},  // a thin triangle over the above
    };
    std::vector<LinePoint> points;
    for (int i = -2; i <= 64; ++i) {
      for (int j = -2; j <= 64; ++j)
        points.push_back(at(i * 0.5, j * 0.5));
    }
    // GEOS's answers, on the areas as makeArea builds them.
    Geos geos;
    std::set<std::pair<uint32_t, uint32_t>> expected;
    for (uint32_t a = 0; a < areas.size(); ++a) {
      // Each ring a polygon of its own, or the first the shell and the
      // others its holes.
      std::vector<LinePoint> laidOut;
      std::vector<RingRange> rings;
      for (const std::vector<LinePoint>& ring : areas[a]) {
        rings.push_back({laidOut.size(), ring.size(), a == 2 || a == 3 || rings.empty()});
        laidOut.insert(laidOut.end(), ring.begin(), ring.end());
      }
      const Geometry area = makeArea(geos, laidOut, rings);
      ASSERT_TRUE(area) << a;
      for (uint32_t i = 0; i < points.size(); ++i) {
        const Geometry point = makePoint(geos, points[i].x, points[i].y);
        if (GEOSPreparedContainsProperly_r(geos.get(), area.prepared(), point.get()) == 1)
          expected.emplace(i, a);
      }
    }
    ASSERT_GT(expected.size(), 1000u);
    // A grid of a few points a cell, and one of many more cells than points;
    // the sweep, and area by area.
    for (const size_t cells : {size_t{0}, size_t{40000}}) {
      for (const Locating way : {Locating::Sweep, Locating::AreaByArea}) {
        SCOPED_TRACE(testing::Message() << cells << " cells, way " << static_cast<int>(way));
        std::vector<std::pair<uint32_t, uint32_t>> found;
        pointsInAreas(
            PointGrid(points, cells), areas,
            [&](uint32_t point, uint32_t area) { found.emplace_back(point, area); }, way);
        const std::set<std::pair<uint32_t, uint32_t>> unique(found.begin(), found.end());
        EXPECT_EQ(unique, expected);
        EXPECT_EQ(found.size(), expected.size()) << "each pair once";
      }
    }
  }
}

}  // namespace
}  // namespace abys
