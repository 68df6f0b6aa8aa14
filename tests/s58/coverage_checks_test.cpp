// Tests of the S-58 coverage checks: a hand-drawn chart of two Group 1 squares side by side
// under an M_COVR, changed one way at a time, and the findings of the coverage checks each
// change gives; generated cells, which must give none.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "catalogue.h"
#include "chart_session.h"
#include "support/chart_cells.h"
#include "support/s58_findings.h"
#include "synthetic_cell.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;

const std::set<std::string> kCoverageChecks = {"42",   "54a",  "54b",  "500",  "519a", "519b",
                                               "544",  "548",  "554",  "1617", "1651", "1726",
                                               "1727", "1775", "1792", "1804"};

uint16_t objl(std::string_view acronym) {
  return catalogue::objectClass(acronym)->code;
}
uint16_t attl(std::string_view acronym) {
  return catalogue::attribute(acronym)->code;
}

// The number of each finding of the coverage checks and the records it names, short: "42 1 e36"
// for feature 1 and edge 36.
std::set<std::string> coverageFindings(const cw::Cell& cell) {
  const std::optional<std::vector<S58Finding>> s58 = test::s58FindingsOf(cell);
  if (!s58) return {"no profile"};
  std::set<std::string> found;
  for (const S58Finding& f : *s58) {
    std::string text(f.check->number);
    if (!kCoverageChecks.contains(text)) continue;
    for (const RecordKey& r : f.records)
      text += (r.rcnm == 130 ? " e" : " ") + std::to_string(r.rcid);
    found.insert(text);
  }
  return found;
}

// Positions on the drawing's grid of 0.01 degrees from (10, 50).
cw::Point2 at(double u, double v) {
  return {10 + 0.01 * u, 50 + 0.01 * v};
}

cw::SpatialPointer ring(uint32_t edge, uint8_t ornt = 1) {
  return {.rcid = edge, .ornt = ornt, .usag = 1, .mask = 2};
}

// Square A (feature 1) on [0,1] x [0,1] and square B (feature 2) on [1,2] x [0,1], both
// clockwise, sharing edge 36 from node 3 (1,1) down to node 6 (1,0); the M_COVR of coverage
// available (feature 10) round both on their outer edges 12, 23, 34, 45, 56, 61; an M_NSYS
// (feature 11) on the same edges.
class Chart {
 public:
  Chart(std::string_view a = "DEPARE", std::string_view b = "DEPARE") {
    const cw::Point2 corners[] = {at(0, 0), at(0, 1), at(1, 1), at(2, 1), at(2, 0), at(1, 0)};
    for (uint32_t i = 0; i < 6; ++i)
      cell_.vectors.push_back(cw::connectedNode(i + 1, corners[i]));
    const std::pair<uint32_t, uint32_t> sides[] = {{1, 2}, {2, 3}, {3, 6}, {6, 1},
                                                   {3, 4}, {4, 5}, {5, 6}};
    for (const auto& [from, to] : sides)
      cell_.vectors.push_back(cw::edge(from * 10 + to, from, to, {}));
    area(1, a, {ring(12), ring(23), ring(36), ring(61)});
    area(2, b, {ring(36, 2), ring(34), ring(45), ring(56)});
    meta(10, "M_COVR", {{attl("CATCOV"), "1"}}, outer());
    meta(11, "M_NSYS", {{attl("MARSYS"), "1"}}, outer());
  }

  static std::vector<cw::SpatialPointer> outer() {
    return {ring(12), ring(23), ring(34), ring(45), ring(56), ring(61)};
  }

  Chart& area(uint32_t rcid, std::string_view acronym, std::vector<cw::SpatialPointer> edges,
              std::vector<cw::Attribute> attributes = {}) {
    cell_.features.push_back({.rcid = rcid,
                              .prim = 3,
                              .grup = 1,
                              .objl = objl(acronym),
                              .attributes = std::move(attributes),
                              .spatialPointers = std::move(edges)});
    return *this;
  }
  Chart& meta(uint32_t rcid, std::string_view acronym, std::vector<cw::Attribute> attributes,
              std::vector<cw::SpatialPointer> edges) {
    area(rcid, acronym, std::move(edges), std::move(attributes));
    cell_.features.back().grup = 2;
    return *this;
  }
  // A square of one loop edge (rcid) clockwise from its south-west corner (u, v), side d.
  Chart& square(uint32_t rcid, std::string_view acronym, double u, double v, double d,
                std::vector<cw::Attribute> attributes = {}, uint8_t grup = 2) {
    cell_.vectors.push_back(cw::connectedNode(rcid, at(u, v)));
    cell_.vectors.push_back(
        cw::edge(rcid, rcid, rcid, {at(u, v + d), at(u + d, v + d), at(u + d, v)}));
    area(rcid, acronym, {ring(rcid)}, std::move(attributes));
    cell_.features.back().grup = grup;
    return *this;
  }
  // A line feature of its own nodes rcid and rcid + 1 and edge rcid through points.
  Chart& line(uint32_t rcid, std::string_view acronym, std::vector<cw::Point2> points) {
    cell_.vectors.push_back(cw::connectedNode(rcid, points.front()));
    cell_.vectors.push_back(cw::connectedNode(rcid + 1, points.back()));
    cell_.vectors.push_back(cw::edge(
        rcid, rcid, rcid + 1, std::vector<cw::Point2>(points.begin() + 1, points.end() - 1)));
    cell_.features.push_back({.rcid = rcid,
                              .prim = 2,
                              .objl = objl(acronym),
                              .spatialPointers = {{.rcid = rcid, .ornt = 1, .mask = 2}}});
    return *this;
  }
  // A point feature at an isolated node of the same rcid.
  Chart& point(uint32_t rcid, std::string_view acronym, cw::Point2 position,
               std::vector<cw::FeaturePointer> slaves = {}) {
    cell_.vectors.push_back(cw::isolatedNode(rcid, position));
    cell_.features.push_back({.rcid = rcid,
                              .prim = 1,
                              .objl = objl(acronym),
                              .featurePointers = std::move(slaves),
                              .spatialPointers = {{.rcnm = 110, .rcid = rcid}}});
    return *this;
  }
  Chart& vector(cw::Vector v) {
    cell_.vectors.push_back(std::move(v));
    return *this;
  }
  Chart& drop(uint32_t rcid) {
    std::erase_if(cell_.features, [&](const cw::Feature& f) { return f.rcid == rcid; });
    return *this;
  }
  Chart& edges(uint32_t rcid, std::vector<cw::SpatialPointer> pointers) {
    for (cw::Feature& f : cell_.features) {
      if (f.rcid == rcid) f.spatialPointers = pointers;
    }
    return *this;
  }
  const cw::Cell& cell() const { return cell_; }

 private:
  cw::Cell cell_;
};

struct Case {
  const char* what;
  Chart chart;
  std::set<std::string> expected;
};

void expectFindings(const std::vector<Case>& cases) {
  for (const Case& c : cases)
    EXPECT_EQ(coverageFindings(c.chart.cell()), c.expected) << c.what;
}

TEST(S58CoverageChecks, SkinOfTheEarth) {
  expectFindings({
      {"two squares on one edge", Chart(), {}},
      {"depth and land", Chart("DEPARE", "LNDARE"), {}},
      // Without B its half of the coverage is bare and edge 36 bounds A alone.
      {"a hole", Chart().drop(2), {"42 1 e36", "519a 10"}},
      // B's ring no longer closes, so B has no area to cover its half either.
      {"B turned to share edge 36 in A's direction",
       Chart().edges(2, {ring(36), ring(34), ring(45), ring(56)}),
       {"42 1 e36", "42 2 e36", "519a 10"}},
      // A copy of B: edge 36 used three times, B's outer edges by two areas each, two areas
      // one on the other.
      {"an overlap",
       Chart().area(3, "LNDARE", {ring(36, 2), ring(34), ring(45), ring(56)}),
       {"42 1 e36", "42 2 e36", "42 3 e36", "519b 2", "519b 3", "554 2 e34", "554 3 e34",
        "554 2 e45", "554 3 e45", "554 2 e56", "554 3 e56"}},
      // Without an M_COVR of coverage available an edge used once may be the data's limit.
      {"no coverage", Chart().drop(10), {}},
      {"no coverage, B turned",
       Chart().drop(10).edges(2, {ring(36), ring(34), ring(45), ring(56)}),
       {"42 1 e36", "42 2 e36"}},
      {"an island in A without a hole for it",
       Chart().square(20, "LNDARE", 0.25, 0.25, 0.5, {}, 1),
       {"42 20 e20", "519b 1", "519b 20"}},
      // The coverage of A alone; B lies outside it.
      {"coverage of A only",
       Chart().edges(10, {ring(12), ring(23), ring(36), ring(61)}),
       {"42 2 e34", "42 2 e45", "42 2 e56", "500 2", "500 11", "548 10", "554 1 e36", "554 2 e36"}},
  });
}

// 200 points going north a unit east of the coverage's west edge (x = 10), alternately on it;
// the point of index outside, if any, a hundred units (a metre) west of it.
std::vector<cw::Point2> zigzag(int outside) {
  std::vector<cw::Point2> points;
  for (int i = 0; i < 200; ++i) {
    const double x = i == outside ? 10 - 1e-5 : 10 + (i % 2) * 1e-7;
    points.push_back({x, 50 + 0.01 * (0.1 + 0.8 * i / 199.0)});
  }
  return points;
}

TEST(S58CoverageChecks, CoverageAndNoCoverage) {
  expectFindings({
      {"a point inside", Chart().point(20, "PILBOP", at(0.5, 0.5)), {}},
      {"a point on the coverage's edge", Chart().point(20, "PILBOP", at(0, 0.5)), {}},
      // Outside every M_COVR, and so also beyond them on the cell's extent.
      {"a point outside", Chart().point(20, "PILBOP", at(2.5, 0.5)), {"500 20", "548 10"}},
      {"a line along the coverage's edge", Chart().line(20, "DEPCNT", {at(0, 0), at(0, 1)}), {}},
      {"a line leaving the coverage",
       Chart().line(20, "DEPCNT", {at(1.5, 0.5), at(2.5, 0.5)}),
       {"500 20", "548 10"}},
      // Runs of coordinates near the coverage's boundary are located point by point: a line of
      // 200 points a unit inside the coverage's west edge, and the same with one point a hundred
      // units outside.
      {"a long line just inside", Chart().line(20, "DEPCNT", zigzag(-1)), {}},
      {"a long line with one point just outside",
       Chart().line(20, "DEPCNT", zigzag(117)),
       {"500 20", "548 10"}},
      // The M_COVR with a hole A covers: A reaches outside the coverage, and so does the
      // M_NSYS round both; the hole is on the cell's extent but in no M_COVR.
      {"a hole in the coverage under A",
       Chart()
           .vector(cw::connectedNode(40, at(0.25, 0.25)))
           .vector(cw::edge(40, 40, 40, {at(0.75, 0.25), at(0.75, 0.75), at(0.25, 0.75)}))
           .edges(10, {ring(12),
                       ring(23),
                       ring(34),
                       ring(45),
                       ring(56),
                       ring(61),
                       {.rcid = 40, .ornt = 1, .usag = 2, .mask = 2}}),
       {"500 1", "500 11", "548 10"}},
      {"a point in an area of no coverage",
       Chart()
           .square(30, "M_COVR", 2, 0, 1, {{attl("CATCOV"), "2"}})
           .point(20, "PILBOP", at(2.5, 0.5)),
       {"500 20", "544 20"}},
      {"no coverage overlapping the coverage",
       Chart().square(30, "M_COVR", 1.5, 0, 1, {{attl("CATCOV"), "2"}}),
       {"548 10", "548 30", "544 2", "544 11"}},
      {"a cell over the 180th meridian",
       Chart()
           .vector(cw::connectedNode(90, {179.9, 1}))
           .vector(cw::connectedNode(91, {-179.9, 1}))
           .vector(cw::edge(92, 90, 91, {})),
       {"1792", "548 10"}},
  });
}

TEST(S58CoverageChecks, NavigationalSystems) {
  const std::vector<cw::Attribute> iala = {{attl("MARSYS"), "1"}};
  expectFindings({
      {"M_NSYS of A only",
       Chart().edges(11, {ring(12), ring(23), ring(36), ring(61)}),
       {"1726 11"}},
      {"M_NSYS without MARSYS",
       Chart().drop(11).meta(12, "M_NSYS", {}, Chart::outer()),
       {"1726 10"}},
      {"no M_NSYS at all, which the check of mandatory objects reports", Chart().drop(11), {}},
      {"two M_NSYS one on the other",
       Chart().meta(12, "M_NSYS", iala, Chart::outer()),
       {"1727 11", "1727 12"}},
      {"two M_NSYS side by side",
       Chart()
           .edges(11, {ring(12), ring(23), ring(36), ring(61)})
           .meta(12, "M_NSYS", iala, {ring(36, 2), ring(34), ring(45), ring(56)}),
       {}},
  });
}

TEST(S58CoverageChecks, SupportingObjects) {
  const auto slave = [](uint32_t rcid) {
    return std::vector<cw::FeaturePointer>{{.fidn = rcid, .fids = 1, .rind = 2}};
  };
  const cw::Point2 onA = at(0.5, 0.5);  // depth area
  const cw::Point2 onB = at(1.5, 0.5);  // land
  expectFindings({
      {"landmark on land", Chart("DEPARE", "LNDARE").point(20, "LNDMRK", onB), {}},
      {"landmark in the water", Chart("DEPARE", "LNDARE").point(20, "LNDMRK", onA), {"54a 20"}},
      {"silo on a pontoon",
       Chart("DEPARE", "LNDARE").square(30, "PONTON", 0.25, 0.25, 0.5).point(20, "SILTNK", onA),
       {"519b 1", "519b 30", "42 30 e30"}},
      {"daymark alone in the water", Chart().point(20, "DAYMAR", onA), {"54b 20", "1775 20"}},
      {"daymark on a beacon",
       Chart().point(20, "DAYMAR", onA).point(21, "BCNSPP", onA, slave(20)),
       {}},
      {"daymark on land", Chart("DEPARE", "LNDARE").point(20, "DAYMAR", onB), {}},
      {"light alone in the water", Chart().point(20, "LIGHTS", onA), {"1775 20"}},
      {"light slave of a light",
       Chart().point(20, "LIGHTS", onA).point(21, "LIGHTS", onA, slave(20)),
       {"1775 20", "1775 21"}},
      {"light on a shoreline construction",
       Chart().square(30, "SLCONS", 0.25, 0.25, 0.5).point(20, "LIGHTS", onA),
       {}},
      {"dam in the water", Chart().square(30, "DAMCON", 0.25, 0.25, 0.5), {"1617 30"}},
      {"dam on land", Chart("LNDARE", "LNDARE").square(30, "DAMCON", 0.25, 0.25, 0.5), {}},
      {"dam over depth and land",
       Chart("DEPARE", "LNDARE").square(30, "DAMCON", 0.75, 0.25, 0.5),
       {"1617 30"}},
      {"swept area in the water", Chart().square(30, "SWPARE", 0.25, 0.25, 0.5), {}},
      {"swept area reaching land",
       Chart("DEPARE", "LNDARE").square(30, "SWPARE", 0.75, 0.25, 0.5),
       {"1651 30"}},
  });
}

TEST(S58CoverageChecks, DangersOnEdgesOfTheSkinOfTheEarth) {
  expectFindings({
      {"wreck inside a depth area", Chart().point(20, "WRECKS", at(0.5, 0.5)), {}},
      {"wreck on the edge between two depth areas",
       Chart().point(20, "WRECKS", at(1, 0.5)),
       {"1804 20"}},
      {"rock at the node of the coverage's corner",
       Chart().point(20, "UWTROC", at(0, 0)),
       {"1804 20"}},
      {"obstruction one unit off the edge between two depth areas",
       Chart().point(20, "OBSTRN", {10.01 + 1e-7, 50.005}),
       {"1804 20"}},
      {"obstruction ten units off it", Chart().point(20, "OBSTRN", {10.01 + 1e-6, 50.005}), {}},
      {"wreck on the edge between land and land",
       Chart("LNDARE", "LNDARE").point(20, "WRECKS", at(1, 0.5)),
       {}},
  });
}

// Generated cells: standard ones give none of these findings; the project's own classes have
// an M_COVR but no skin of the earth, which 519a reports.
TEST(S58CoverageChecks, GeneratedCells) {
  for (const bool standard : {false, true}) {
    for (const uint32_t seed : {1u, 7u}) {
      mkcell::Options options;
      options.standard = standard;
      options.seed = seed;
      options.grid = 120;
      const std::set<std::string> found = coverageFindings(mkcell::makeCell(options).cell);
      EXPECT_EQ(found, standard ? std::set<std::string>{} : std::set<std::string>{"519a 1"})
          << "standard " << standard << " seed " << seed;
    }
  }
}

}  // namespace
}  // namespace abys
