// Tests of the S-58 depth checks: standard cells of abys-mkcell, clean and
// with each depth defect planted, and hand-made cells for the cases at the
// edges of each rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "chart_session.h"
#include "point_location.h"
#include "support/chart_cells.h"
#include "support/s58_findings.h"
#include "synthetic_cell.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;

constexpr uint16_t kDepare = 42, kDepcnt = 43, kDrgare = 46, kUnsare = 154, kSoundg = 129;
constexpr uint16_t kDrval1 = 87, kDrval2 = 88, kValdco = 174, kExpsou = 93;

const std::set<std::string> kDepthChecks = {"43", "44a", "44b",   "74",    "75",
                                            "77", "103", "1768a", "1768b", "1769"};

// Every finding of the profile on a cell, as its check number, followed by
// the feature it names when `named` (e.g. "77 FE0000000002").
std::multiset<std::string> findings(const cw::Cell& cell, bool named = false) {
  const std::optional<std::vector<S58Finding>> s58 = test::s58FindingsOf(cell);
  if (!s58) return {"no profile"};
  std::multiset<std::string> found;
  for (const S58Finding& f : *s58) {
    std::string text(f.check->number);
    if (named && !f.records.empty()) text += " " + recordName(f.records.front());
    found.insert(text);
  }
  return found;
}

// The findings of the depth checks alone.
std::multiset<std::string> depthFindings(const cw::Cell& cell, bool named = false) {
  std::multiset<std::string> found;
  for (const std::string& f : findings(cell, named)) {
    if (kDepthChecks.contains(f.substr(0, f.find(' ')))) found.insert(f);
  }
  return found;
}

mkcell::Options standard(uint32_t seed, std::vector<std::string> defects) {
  mkcell::Options o;
  o.standard = true;
  o.seed = seed;
  o.defects = std::move(defects);
  return o;
}

// Each defect planted gives its finding and no other finding of the
// profile; a contour floating in a depth area is off the areas' edges too,
// and two crossing contours are both named.
TEST(S58DepthChecks, EachPlantedDefectGivesItsFindingAlone) {
  const std::map<std::string, std::multiset<std::string>> kExpected = {
      {"", {}},
      {"43", {"43"}},
      {"44a", {"44a"}},
      {"44b", {"44b"}},
      {"74", {"43", "74"}},
      {"75", {"75"}},
      {"77", {"77", "77"}},
      {"103", {"103"}},
      {"1768a", {"1768a"}},
      {"1768b", {"1768b"}},
      {"1769", {"1769"}},
  };
  ASSERT_EQ(kExpected.size(), mkcell::depthDefects().size() + 1);
  for (const uint32_t seed : {1u, 7u}) {
    for (const auto& [defect, expected] : kExpected) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " defect " << defect);
      const std::vector<std::string> defects =
          defect.empty() ? std::vector<std::string>{} : std::vector<std::string>{defect};
      EXPECT_EQ(findings(mkcell::makeCell(standard(seed, defects)).cell), expected);
    }
  }
}

// All defects in one cell, among scattered soundings: the soundings keep
// off the areas whose range was changed, each finding is there once.
TEST(S58DepthChecks, AllDefectsTogetherAndTheSameBytesAgain) {
  const std::vector<std::string> all(mkcell::depthDefects().begin(), mkcell::depthDefects().end());
  for (const uint32_t seed : {4u, 10u}) {
    SCOPED_TRACE(seed);
    mkcell::Options o = standard(seed, all);
    o.soundings = 2000;
    const std::string bytes = cw::encodeCell(mkcell::makeCell(o).cell);
    EXPECT_EQ(cw::encodeCell(mkcell::makeCell(o).cell), bytes);
    EXPECT_EQ(findings(mkcell::makeCell(o).cell),
              (std::multiset<std::string>{"43", "43", "44a", "44b", "74", "75", "77", "77", "103",
                                          "1768a", "1768b", "1769"}));
  }
}

TEST(S58DepthChecks, SoundingsByNumberAreCleanToo) {
  mkcell::Options o = standard(7, {});
  o.soundings = 3000;
  const mkcell::SyntheticCell made = mkcell::makeCell(o);
  EXPECT_EQ(made.soundings, 3000);
  EXPECT_EQ(findings(made.cell), std::multiset<std::string>{});
}

// Hand-made cells: a depth area of 5 to 10 m west of a dredged area of 8 m,
// an unsurveyed area further east, each a square 0.1 degrees wide.
class Seabed {
 public:
  Seabed() {
    cell_.dssi.nall = 2;
    test::addArea(cell_, 1, kDepare, square(10.0), {{kDrval1, "5"}, {kDrval2, "10"}});
    test::addArea(cell_, 2, kDrgare, square(10.1), {{kDrval1, "8"}});
    test::addArea(cell_, 3, kUnsare, square(10.2));
    for (const uint32_t id : {1u, 2u, 3u})
      cell_.features[id - 1].grup = 1;
  }
  // A SOUNDG of one sounding, EXPSOU when given.
  Seabed& sounding(double x, double y, double depth, const char* expsou = nullptr) {
    const uint32_t id = next_++;
    test::addSoundings(cell_, id, {{x, y, depth}});
    if (expsou != nullptr) cell_.features.back().attributes.push_back({kExpsou, expsou});
    return *this;
  }
  const cw::Cell& cell() const { return cell_; }

 private:
  static std::vector<cw::Point2> square(double west) {
    return {{west, 50.0}, {west, 50.1}, {west + 0.1, 50.1}, {west + 0.1, 50.0}, {west, 50.0}};
  }
  cw::Cell cell_;
  uint32_t next_ = 10;
};

TEST(S58DepthChecks, SoundingsAgainstTheAreasTheyLieIn) {
  struct Case {
    const char* what;
    double x, y, depth;
    const char* expsou;
    std::multiset<std::string> expected;
  };
  const Case cases[] = {
      {"within the depth range", 10.05, 50.05, 7, nullptr, {}},
      {"at the deep end of the range", 10.05, 50.05, 10, nullptr, {}},
      {"on DRVAL1 of the depth area", 10.05, 50.05, 5, nullptr, {"1768a"}},
      {"shoaler than the depth area", 10.05, 50.05, 4.9, nullptr, {"1768b"}},
      {"deeper than the depth area", 10.05, 50.05, 10.1, nullptr, {"1769"}},
      {"deeper, but known to be deeper", 10.05, 50.05, 12, "3", {}},
      {"deeper, exposition of another kind", 10.05, 50.05, 12, "2", {"1769"}},
      {"on DRVAL1 of the dredged area", 10.15, 50.05, 8, nullptr, {}},
      {"shoaler than the dredged area", 10.15, 50.05, 7.9, nullptr, {"1768b"}},
      {"deep in the dredged area", 10.15, 50.05, 30, nullptr, {}},
      {"in the unsurveyed area", 10.25, 50.05, 1, nullptr, {}},
      {"outside every area", 10.35, 50.05, 7, nullptr, {"103"}},
      {"on the depth area's boundary", 10.0, 50.05, 4, nullptr, {"103"}},
      {"on the corner of the depth area", 10.0, 50.0, 7, nullptr, {"103"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(depthFindings(Seabed().sounding(c.x, c.y, c.depth, c.expsou).cell()), c.expected)
        << c.what;
  }
  // Soundings of one SOUNDG: each check names it once.
  cw::Cell cell = Seabed().cell();
  test::addSoundings(cell, 10,
                     {{10.05, 50.05, 4}, {10.06, 50.05, 3}, {10.07, 50.05, 5}, {10.35, 50.0, 1}});
  EXPECT_EQ(depthFindings(cell), (std::multiset<std::string>{"103", "1768a", "1768b"}));
  // Each placed at the first of its soundings that gives it, not at the
  // feature's first point.
  const std::optional<std::vector<S58Finding>> s58 = test::s58FindingsOf(cell);
  ASSERT_TRUE(s58.has_value());
  const std::map<std::string, FindingPosition> placed = {
      {"103", {10.35, 50.0}}, {"1768a", {10.07, 50.05}}, {"1768b", {10.05, 50.05}}};
  for (const S58Finding& f : *s58) {
    const auto it = placed.find(std::string(f.check->number));
    if (it == placed.end()) continue;
    ASSERT_TRUE(f.position.has_value()) << it->first;
    EXPECT_DOUBLE_EQ(f.position->longitude, it->second.longitude) << it->first;
    EXPECT_DOUBLE_EQ(f.position->latitude, it->second.latitude) << it->first;
  }
}

// A depth area whose ring does not close has no geometry: where it lies is
// not known, so no sounding is said to lie outside every area.
TEST(S58DepthChecks, NoSoundingOutsideWhenAnAreaCannotBeBuilt) {
  for (const bool closed : {true, false}) {
    cw::Cell cell;
    cell.dssi.nall = 2;
    cell.vectors.push_back(cw::connectedNode(1, {10.0, 50.0}));
    cell.vectors.push_back(cw::connectedNode(2, {10.1, 50.0}));
    cell.vectors.push_back(cw::edge(3, 1, closed ? 1 : 2, {{10.0, 50.1}, {10.1, 50.1}}));
    cell.features.push_back({.rcid = 1,
                             .prim = 3,
                             .grup = 1,
                             .objl = kDepare,
                             .attributes = {{kDrval1, "5"}, {kDrval2, "10"}},
                             .spatialPointers = {{.rcid = 3, .usag = 1}}});
    test::addSoundings(cell, 10, {{10.5, 50.5, 7}});
    EXPECT_EQ(depthFindings(cell),
              closed ? std::multiset<std::string>{"103"} : std::multiset<std::string>{})
        << closed;
  }
}

// Lines by connected nodes: node id at a point, an edge between two nodes,
// a DEPCNT of edges.
class Contours {
 public:
  Contours() { cell_.dssi.nall = 2; }
  Contours& node(uint32_t id, cw::Point2 at) {
    cell_.vectors.push_back(cw::connectedNode(id, at));
    return *this;
  }
  Contours& edge(uint32_t id, uint32_t from, uint32_t to) {
    cell_.vectors.push_back(cw::edge(id, from, to, {}));
    return *this;
  }
  Contours& contour(uint32_t rcid, std::vector<uint32_t> edges, const char* valdco = "5") {
    cw::Feature f{.rcid = rcid, .prim = 2, .objl = kDepcnt};
    f.attributes = {{kValdco, valdco}};
    for (const uint32_t e : edges)
      f.spatialPointers.push_back({.rcid = e, .mask = 2});
    cell_.features.push_back(std::move(f));
    return *this;
  }
  const cw::Cell& cell() const { return cell_; }

 private:
  cw::Cell cell_;
};

std::multiset<std::string> crossings(const Contours& contours) {
  std::multiset<std::string> found;
  for (const std::string& f : depthFindings(contours.cell(), true)) {
    if (f.rfind("77 ", 0) == 0) found.insert(f);
  }
  return found;
}

TEST(S58DepthChecks, ContoursCrossWhenOnePassesToTheOtherSide) {
  const std::multiset<std::string> both = {"77 FE0000000001", "77 FE0000000002"};
  // Node 9 in the middle; 1 west, 2 east, 3 south, 4 north, 5 south-east.
  const auto nodes = [] {
    return Contours()
        .node(9, {10.0, 50.0})
        .node(1, {9.9, 50.0})
        .node(2, {10.1, 50.0})
        .node(3, {10.0, 49.9})
        .node(4, {10.0, 50.1})
        .node(5, {10.1, 49.9});
  };
  // West to east through the middle, without a node there.
  const auto straight = [&] { return nodes().edge(12, 1, 2).contour(1, {12}); };
  EXPECT_EQ(crossings(straight().edge(34, 3, 4).contour(2, {34})), both) << "X";
  EXPECT_EQ(crossings(straight().edge(93, 9, 3).contour(2, {93})), std::multiset<std::string>{})
      << "T: ending on the other";
  EXPECT_EQ(crossings(straight().edge(35, 3, 5).contour(2, {35})), std::multiset<std::string>{})
      << "apart";
  // Both through the shared node 9.
  const auto atNode = [&] { return nodes().edge(19, 1, 9).edge(92, 9, 2).contour(1, {19, 92}); };
  EXPECT_EQ(crossings(atNode().edge(39, 3, 9).edge(94, 9, 4).contour(2, {39, 94})), both)
      << "passing through a shared node";
  EXPECT_EQ(crossings(atNode().edge(39, 3, 9).edge(95, 9, 5).contour(2, {39, 95})),
            std::multiset<std::string>{})
      << "meeting at a shared node, staying on one side";
  // The second through node 9, which lies inside the first's segment.
  EXPECT_EQ(crossings(straight().edge(39, 3, 9).edge(94, 9, 4).contour(2, {39, 94})), both)
      << "a vertex of one inside the other's segment, passing";
  EXPECT_EQ(crossings(straight().edge(39, 3, 9).edge(95, 9, 5).contour(2, {39, 95})),
            std::multiset<std::string>{})
      << "a vertex of one inside the other's segment, turning back";
  // From the south to node 9, along the first to node 2, then north: the
  // ends of a stretch they share are not points where one passes.
  EXPECT_EQ(crossings(nodes()
                          .node(8, {10.2, 50.0})
                          .node(6, {10.1, 50.1})
                          .edge(19, 1, 9)
                          .edge(92, 9, 2)
                          .edge(28, 2, 8)
                          .contour(1, {19, 92, 28})
                          .edge(39, 3, 9)
                          .edge(26, 2, 6)
                          .contour(2, {39, 92, 26})),
            std::multiset<std::string>{})
      << "running along the other, then leaving to its other side";
  // A closed contour whose node is node 9 of the other.
  EXPECT_EQ(crossings(atNode()
                          .node(7, {9.95, 49.9})
                          .edge(97, 9, 7)
                          .edge(73, 7, 3)
                          .edge(39, 3, 9)
                          .contour(2, {97, 73, 39})),
            std::multiset<std::string>{})
      << "a closed contour touching the other at its node";
  EXPECT_EQ(crossings(atNode()
                          .node(6, {10.15, 50.1})
                          .node(8, {10.15, 49.9})
                          .edge(94, 9, 4)
                          .edge(46, 4, 6)
                          .edge(68, 6, 8)
                          .edge(83, 8, 3)
                          .edge(39, 3, 9)
                          .contour(2, {94, 46, 68, 83, 39})),
            both)
      << "a closed contour passing through the other at its node";
  // One long segment across many short ones of the other: crossing near
  // its far end.
  Contours zigzag = Contours().node(1, {0.0, 0.0}).node(2, {1.0, 0.02}).edge(12, 1, 2);
  zigzag.contour(1, {12});
  std::vector<uint32_t> steps;
  for (uint32_t k = 0; k < 200; ++k) {
    zigzag.node(100 + k, {0.9 + k * 0.0005, (k % 2 == 0) ? 0.0 : 0.019});
    if (k > 0) {
      zigzag.edge(1000 + k, 99 + k, 100 + k);
      steps.push_back(1000 + k);
    }
  }
  EXPECT_EQ(crossings(zigzag.contour(2, steps)), both) << "a long segment";
}

// Random contours, short zigzags and a few long straight ones, in general
// position: each contour crosses another exactly when a segment of it
// crosses a segment of the other, as every pair of segments tells.
TEST(S58DepthChecks, RandomContoursCrossAsTheirSegmentsDo) {
  for (const uint32_t seed : {1u, 2u, 3u}) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    // As the cell holds them: to 1e-7 degrees.
    const auto held = [](double v) { return static_cast<double>(std::llround(v * 1e7)) / 1e7; };
    std::vector<std::vector<LinePoint>> lines;
    Contours contours;
    uint32_t node = 1;
    for (uint32_t c = 1; c <= 40; ++c) {
      std::vector<LinePoint> line;
      const bool longLine = c % 10 == 0;
      double x = 10 + unit(random), y = 50 + unit(random);
      std::vector<uint32_t> edges;
      for (int k = 0; k < (longLine ? 2 : 12); ++k) {
        line.push_back({held(x), held(y)});
        contours.node(node, {line.back().x, line.back().y});
        if (k > 0) {
          contours.edge(node, node - 1, node);
          edges.push_back(node);
        }
        ++node;
        const double step = longLine ? 1.0 : 0.06;
        x += step * (unit(random) - 0.5) * 2;
        y += step * (unit(random) - 0.5) * 2;
      }
      contours.contour(c, edges);
      lines.push_back(std::move(line));
    }
    const auto cross = [](LinePoint a0, LinePoint a1, LinePoint b0, LinePoint b1) {
      return orientation(a0, a1, b0) * orientation(a0, a1, b1) < 0 &&
             orientation(b0, b1, a0) * orientation(b0, b1, a1) < 0;
    };
    std::multiset<std::string> expected;
    for (size_t i = 0; i < lines.size(); ++i) {
      bool crosses = false;
      for (size_t j = 0; j < lines.size() && !crosses; ++j) {
        for (size_t a = 1; j != i && a < lines[i].size() && !crosses; ++a) {
          for (size_t b = 1; b < lines[j].size() && !crosses; ++b)
            crosses = cross(lines[i][a - 1], lines[i][a], lines[j][b - 1], lines[j][b]);
        }
      }
      char name[32];
      std::snprintf(name, sizeof name, "77 FE%010zu", i + 1);
      if (crosses) expected.insert(name);
    }
    ASSERT_GT(expected.size(), 5u);
    ASSERT_LT(expected.size(), 40u);
    EXPECT_EQ(crossings(contours), expected) << seed;
  }
}

// A contour's edges against the Group 1 areas, and a contour floating in
// an area against the area's range.
TEST(S58DepthChecks, ContoursOnTheAreasEdgesAndFloatingInThem) {
  struct Case {
    const char* what;
    uint16_t objl;       // of the area round the floating contour
    const char* valdco;  // of the floating contour
    std::multiset<std::string> expected;
  };
  const Case cases[] = {
      {"in a depth area, within its range", kDepare, "7", {"43"}},
      {"in a depth area, deeper than its range", kDepare, "12", {"43", "74"}},
      // The area's DRVAL1 is now deeper than the one contour value: 44a.
      {"in a depth area, shoaler than its range", kDepare, "2", {"43", "44a", "74"}},
      {"in a dredged area, deeper than DRVAL1", kDrgare, "7", {}},
      {"in a dredged area, shoaler than DRVAL1", kDrgare, "4", {"75"}},
      {"in an unsurveyed area", kUnsare, "4", {}},
  };
  for (const Case& c : cases) {
    cw::Cell cell;
    cell.dssi.nall = 2;
    std::vector<cw::Attribute> range = {{kDrval1, "5"}};
    if (c.objl == kDepare) range.push_back({kDrval2, "10"});
    test::addArea(cell, 1, c.objl,
                  {{10.0, 50.0}, {10.0, 50.1}, {10.1, 50.1}, {10.1, 50.0}, {10.0, 50.0}}, range);
    cell.features.back().grup = 1;
    test::addLine(cell, 2, {{10.02, 50.05}, {10.05, 50.06}, {10.08, 50.05}}, {c.valdco}, kDepcnt);
    EXPECT_EQ(depthFindings(cell), c.expected) << c.what;
  }
}

// Two depth areas on the two sides of a contour's edge, and an area whose
// edge is no contour's.
TEST(S58DepthChecks, AContourBetweenTwoAreasAndRangesOffTheContours) {
  // A 0-20 m area round a hole that is a 5-m area of its own, bounded by
  // the contour of 5 m (edge 23) or by an edge of no contour, and a contour
  // of 2 m across the outer area.
  const auto cell = [](const char* innerDrval2, bool innerOnTheContour) {
    cw::Cell c;
    c.dssi.nall = 2;
    test::addArea(c, 1, kDepare,
                  {{10.0, 50.0}, {10.0, 50.3}, {10.3, 50.3}, {10.3, 50.0}, {10.0, 50.0}},
                  {{kDrval1, "0"}, {kDrval2, "20"}});
    c.features.back().grup = 1;
    // The inner ring: loop edge 23 at node 21, clockwise, used by the
    // outer area as a hole (reversed) and by the inner area.
    c.vectors.push_back(cw::connectedNode(21, {10.1, 50.1}));
    c.vectors.push_back(cw::edge(23, 21, 21, {{10.1, 50.2}, {10.2, 50.2}, {10.2, 50.1}}));
    c.features.back().spatialPointers.push_back({.rcid = 23, .ornt = 2, .usag = 2});
    c.features.push_back({.rcid = 2,
                          .prim = 3,
                          .grup = 1,
                          .objl = kDepare,
                          .attributes = {{kDrval1, "5"}, {kDrval2, innerDrval2}},
                          .spatialPointers = {{.rcid = 23, .usag = 1}}});
    cw::Feature contour{.rcid = 3, .prim = 2, .objl = kDepcnt};
    contour.attributes = {{kValdco, "5"}};
    if (innerOnTheContour) contour.spatialPointers = {{.rcid = 23, .mask = 2}};
    if (innerOnTheContour) c.features.push_back(std::move(contour));
    test::addLine(c, 4, {{10.0, 50.25}, {10.3, 50.25}}, {"2"}, kDepcnt);
    return c;
  };
  // The inner area, bounded by the one contour alone, is exempt from 44.
  EXPECT_EQ(depthFindings(cell("12", true), true), (std::multiset<std::string>{"43 FE0000000004"}));
  // Without the contour its range meets no contour value: 44a, 44b.
  EXPECT_EQ(
      depthFindings(cell("12", false), true),
      (std::multiset<std::string>{"43 FE0000000004", "44a FE0000000002", "44b FE0000000002"}));
  // Ending on the deepest value of the cell, its end is not reported.
  EXPECT_EQ(depthFindings(cell("20", false), true),
            (std::multiset<std::string>{"43 FE0000000004", "44a FE0000000002"}));
}

// Soundings on a lattice over the seabed's three squares, many on their
// edges and corners: strictly inside a square or not, as the squares say.
TEST(S58DepthChecks, SoundingsOnALatticeAgainstTheSquares) {
  cw::Cell cell = Seabed().cell();
  std::vector<cw::Point3> soundings;
  for (int i = -2; i <= 62; ++i) {
    for (int j = -2; j <= 22; ++j)
      soundings.push_back({10.0 + i * 0.005, 50.0 + j * 0.005, 7});
  }
  // Each sounding a SOUNDG of its own, so that each finding names it.
  std::multiset<std::string> expected;
  for (size_t k = 0; k < soundings.size(); ++k) {
    const uint32_t id = static_cast<uint32_t>(100 + k);
    test::addSoundings(cell, id, {soundings[k]});
    const double x = soundings[k].x, y = soundings[k].y;
    const auto inside = [&](double west) {
      return x > west + 1e-9 && x < west + 0.1 - 1e-9 && y > 50.0 + 1e-9 && y < 50.1 - 1e-9;
    };
    char name[16];
    std::snprintf(name, sizeof name, "%010u", id);
    if (!inside(10.0) && !inside(10.1) && !inside(10.2))
      expected.insert(std::string("103 FE") + name);
    if (inside(10.1)) expected.insert(std::string("1768b FE") + name);  // shoaler than 8 m
  }
  EXPECT_EQ(depthFindings(cell, true), expected);
}

}  // namespace
}  // namespace abys
