// Tests of the S-58 ring checks: hand-made cells of line and area features
// opened with the profile on, and the findings of the ring checks they give.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "chart_session.h"
#include "support/chart_cells.h"
#include "support/s58_findings.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;

constexpr uint16_t kResare = 112;
constexpr uint16_t kNavlne = 85;

// The checks of the group, and only they are looked at.
const std::set<std::string> kRingChecks = {"13a", "13b", "13c", "13d", "14",  "15",  "16", "17",
                                           "18a", "18b", "18c", "78",  "80a", "80b", "80c"};

// A cell to draw in: nodes by number at positions, edges between them.
class Drawing {
 public:
  Drawing& node(uint32_t id, cw::Point2 at) {
    cell_.vectors.push_back(cw::connectedNode(id, at));
    return *this;
  }
  Drawing& edge(uint32_t id, uint32_t from, uint32_t to, std::vector<cw::Point2> through = {}) {
    cell_.vectors.push_back(cw::edge(id, from, to, std::move(through)));
    return *this;
  }
  // A ring of one loop edge at node id (the first point), through the rest.
  Drawing& loop(uint32_t id, std::vector<cw::Point2> points) {
    node(id, points.front());
    return edge(id, id, id, std::vector<cw::Point2>(points.begin() + 1, points.end()));
  }
  Drawing& feature(uint32_t rcid, uint8_t prim, std::vector<cw::SpatialPointer> pointers) {
    cell_.features.push_back({.rcid = rcid,
                              .prim = prim,
                              .objl = prim == 3 ? kResare : kNavlne,
                              .spatialPointers = std::move(pointers)});
    return *this;
  }
  const cw::Cell& cell() const { return cell_; }

 private:
  cw::Cell cell_;
};

cw::SpatialPointer ext(uint32_t edge, uint8_t ornt = 1) {
  return {.rcid = edge, .ornt = ornt, .usag = 1, .mask = 2};
}
cw::SpatialPointer hole(uint32_t edge, uint8_t ornt = 1) {
  return {.rcid = edge, .ornt = ornt, .usag = 2, .mask = 2};
}
cw::SpatialPointer part(uint32_t edge, uint8_t ornt = 1) {
  return {.rcid = edge, .ornt = ornt};
}

// Squares by their south-west corner and side, turning clockwise (north
// first) or counter-clockwise (east first).
std::vector<cw::Point2> cwSquare(double x, double y, double side) {
  return {{x, y}, {x, y + side}, {x + side, y + side}, {x + side, y}};
}
std::vector<cw::Point2> ccwSquare(double x, double y, double side) {
  return {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}};
}

// The number of each finding of the ring checks, followed by the record
// it names first unless that is the feature of RCID 1.
std::set<std::string> ringFindings(const cw::Cell& cell) {
  const std::optional<std::vector<S58Finding>> s58 = test::s58FindingsOf(cell);
  if (!s58) return {"no profile"};
  std::set<std::string> found;
  for (const S58Finding& f : *s58) {
    std::string number(f.check->number);
    if (!kRingChecks.contains(number)) continue;
    const std::string named = f.records.empty() ? "-" : recordName(f.records.front());
    found.insert(named == "FE0000000001" ? number : number + " " + named);
  }
  return found;
}

// An area feature of RCID 1 on loop edges 1, 2, ... round rings.
Drawing area(std::vector<std::vector<cw::Point2>> rings, std::vector<cw::SpatialPointer> pointers) {
  Drawing drawing;
  for (size_t i = 0; i < rings.size(); ++i)
    drawing.loop(static_cast<uint32_t>(i + 1), std::move(rings[i]));
  drawing.feature(1, 3, std::move(pointers));
  return drawing;
}

struct Case {
  const char* what;
  Drawing drawing;
  std::set<std::string> expected;
};

void expectFindings(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(ringFindings(c.drawing.cell()), c.expected) << c.what;
  }
}

TEST(S58RingChecks, LineEdgesFollowOneAnother) {
  // A line from node 1 through 2 and 3 to 4 on edges 12, 23 and 34.
  const auto line = [] {
    return Drawing()
        .node(1, {10.0, 50.0})
        .node(2, {10.1, 50.0})
        .node(3, {10.2, 50.1})
        .node(4, {10.3, 50.1})
        .edge(12, 1, 2)
        .edge(23, 2, 3, {{10.15, 50.02}})
        .edge(34, 3, 4);
  };
  expectFindings({
      {"in order", line().feature(1, 2, {part(12), part(23), part(34)}), {}},
      {"walked backwards", line().feature(1, 2, {part(34, 2), part(23, 2), part(12, 2)}), {}},
      {"second and third swapped", line().feature(1, 2, {part(12), part(34), part(23)}), {"13a"}},
      {"a middle edge missing", line().feature(1, 2, {part(12), part(34)}), {"13b"}},
      {"a middle edge turned the wrong way",
       line().feature(1, 2, {part(12), part(23, 2), part(34)}),
       {"13b"}},
  });
}

TEST(S58RingChecks, AreaRingsCloseAndChain) {
  // A square of four edges round nodes 1 (south-west), 2, 3, 4 clockwise.
  const auto square = [] {
    return Drawing()
        .node(1, {10.0, 50.0})
        .node(2, {10.0, 50.1})
        .node(3, {10.1, 50.1})
        .node(4, {10.1, 50.0})
        .edge(12, 1, 2)
        .edge(23, 2, 3)
        .edge(34, 3, 4)
        .edge(41, 4, 1);
  };
  expectFindings({
      {"closed clockwise", square().feature(1, 3, {ext(12), ext(23), ext(34), ext(41)}), {}},
      {"starting elsewhere", square().feature(1, 3, {ext(34), ext(41), ext(12), ext(23)}), {}},
      {"edges out of order", square().feature(1, 3, {ext(12), ext(34), ext(23), ext(41)}), {"13c"}},
      {"a gap", square().feature(1, 3, {ext(12), ext(34)}), {"13d", "15"}},
      {"not closed", square().feature(1, 3, {ext(12), ext(23), ext(34)}), {"15"}},
      {"exterior ring left open by a hole's edge",
       square().feature(1, 3, {ext(12), ext(23), hole(34), hole(41)}),
       {"15"}},
  });
}

TEST(S58RingChecks, OrientationAndSelfCrossing) {
  const std::vector<cw::Point2> across180 = {{179.5, -1}, {179.5, 1}, {-179.5, 1}, {-179.5, -1}};
  expectFindings({
      {"clockwise exterior", area({cwSquare(10, 50, 1)}, {ext(1)}), {}},
      {"clockwise exterior walked backwards", area({ccwSquare(10, 50, 1)}, {ext(1, 2)}), {}},
      {"counter-clockwise exterior", area({ccwSquare(10, 50, 1)}, {ext(1)}), {"16"}},
      {"counter-clockwise exterior truncated by the data limit (USAG 3)",
       area({ccwSquare(10, 50, 1)}, {{.rcid = 1, .ornt = 1, .usag = 3, .mask = 2}}),
       {"16"}},
      {"counter-clockwise hole",
       area({cwSquare(10, 50, 1), ccwSquare(10.2, 50.2, 0.2)}, {ext(1), hole(2)}),
       {}},
      {"clockwise hole",
       area({cwSquare(10, 50, 1), cwSquare(10.2, 50.2, 0.2)}, {ext(1), hole(2)}),
       {"17"}},
      {"clockwise exterior across the 180th meridian", area({across180}, {ext(1)}), {}},
      {"counter-clockwise exterior across the 180th meridian",
       area({across180}, {ext(1, 2)}),
       {"16"}},
      {"bow tie", area({{{10, 50}, {10, 51.5}, {11, 50}, {11, 51}}}, {ext(1)}), {"78"}},
      {"ring touching itself at a vertex",
       area({{{10, 50}, {10, 51}, {10.5, 50}, {11, 51}, {11, 50}, {10.5, 50}}}, {ext(1)}),
       {"78"}},
      {"ring of no area, out and back along a meridian",
       area({{{10, 50}, {10, 51}, {10, 52}, {10, 51}}}, {ext(1)}),
       {"78"}},
  });
}

// Rings whose edges meet elsewhere than at the nodes that join them: the
// meetings are found once for the whole chart, and count only between edges
// of one ring.
TEST(S58RingChecks, RingsMeetingThemselvesAcrossEdges) {
  // Two edges between node 1 (south-west) and node 2 (south-east): over the
  // top, and back through the given points.
  const auto twoEdges = [](std::vector<cw::Point2> top, std::vector<cw::Point2> back) {
    Drawing d;
    d.node(1, {10, 50}).node(2, {11, 50}).edge(12, 1, 2, std::move(top));
    return d.edge(21, 2, 1, std::move(back));
  };
  const std::vector<cw::Point2> top = {{10, 51}, {11, 51}};
  // A square edge 1 and beside it square edge 2 with a corner on edge 1's
  // east side, a point that is no node.
  Drawing neighbours =
      area({cwSquare(10, 50, 1), {{11, 50.5}, {11.5, 51}, {12, 50.5}, {11.5, 50}}}, {ext(1)});
  neighbours.feature(2, 3, {ext(2)});
  // Node 2 passed twice: 1 to 2, round a loop through 3 back to 2, then to 1.
  Drawing twice;
  twice.node(1, {10, 50}).node(2, {10, 51}).node(3, {11, 52});
  twice.edge(12, 1, 2).edge(23, 2, 3, {{10, 52}}).edge(32, 3, 2, {{11, 51}});
  twice.edge(21, 2, 1, {{11, 50}});
  expectFindings({
      {"the edges apart", twoEdges(top, {{10.5, 50.5}}).feature(1, 3, {ext(12), ext(21)}), {}},
      {"a point of one edge on a side of the other",
       twoEdges(top, {{10.5, 51}}).feature(1, 3, {ext(12), ext(21)}),
       {"78"}},
      {"a point both edges pass",
       twoEdges({{10, 51}, {10.5, 50.5}, {11, 51}}, {{10.5, 50.5}})
           .feature(1, 3, {ext(12), ext(21)}),
       {"78"}},
      {"the second edge back along the first one's last side",
       twoEdges(top, {{11, 50.8}}).feature(1, 3, {ext(12), ext(21)}),
       {"78"}},
      {"the edges crossing",
       twoEdges(top, {{10.5, 51.5}}).feature(1, 3, {ext(12), ext(21)}),
       {"78"}},
      {"a node passed twice", twice.feature(1, 3, {ext(12), ext(23), ext(32), ext(21)}), {"78"}},
      {"a spike: a side walked back over",
       area({{{10, 50}, {10, 51}, {10.5, 51}, {10.5, 51.5}, {10.5, 51}, {11, 51}, {11, 50}}},
            {ext(1)}),
       {"78"}},
      {"rings of two features touching at a point that is no node", neighbours, {}},
      {"bow tie across the 180th meridian",
       area({{{179.5, -1}, {179.5, 0.5}, {-179.5, -1}, {-179.5, 0}}}, {ext(1)}),
       {"78"}},
  });
}

TEST(S58RingChecks, OneExteriorReferencedFirst) {
  const std::vector<std::vector<cw::Point2>> rings = {cwSquare(10, 50, 1),
                                                      ccwSquare(10.2, 50.2, 0.2)};
  expectFindings({
      {"exterior then hole", area(rings, {ext(1), hole(2)}), {}},
      {"two exteriors apart",
       area({cwSquare(10, 50, 1), cwSquare(12, 50, 1)}, {ext(1), ext(2)}),
       {"18a"}},
      {"holes alone",
       area({ccwSquare(10, 50, 1), ccwSquare(12, 50, 1)}, {hole(1), hole(2)}),
       {"18a"}},
      {"hole before the exterior", area(rings, {hole(2), ext(1)}), {"18b"}},
      {"second ring of USAG 255", area(rings, {ext(1), part(2)}), {"18c"}},
  });
}

TEST(S58RingChecks, HolesShareAtMostOneNodeWithTheExterior) {
  // Exterior: nodes 1 (south-west) and 2 (north-east), west-north edge 3 and
  // east-south edge 4, clockwise. Inside: a lens from 1 to 2 and back.
  Drawing lens;
  lens.node(1, {10, 50}).node(2, {11, 51}).edge(3, 1, 2, {{10, 51}}).edge(4, 2, 1, {{11, 50}});
  lens.edge(5, 1, 2, {{10.7, 50.3}}).edge(6, 2, 1, {{10.3, 50.7}});
  // A triangle from the exterior's node 1 at its south-west corner.
  Drawing corner;
  corner.loop(1, cwSquare(10, 50, 1)).node(2, {10.5, 50.2});
  corner.edge(2, 1, 2, {{10.2, 50.1}}).edge(3, 2, 1, {{10.3, 50.4}});
  expectFindings({
      {"lens hole through both exterior nodes",
       lens.feature(1, 3, {ext(3), ext(4), hole(5), hole(6)}),
       {"14"}},
      {"hole touching the exterior at one node",
       corner.feature(1, 3, {ext(1), hole(2), hole(3)}),
       {}},
  });
}

TEST(S58RingChecks, HolesLieInsideTheExteriorAndApart) {
  const std::vector<cw::Point2> exterior = cwSquare(10, 50, 1);
  const std::vector<cw::Point2> bigHole = ccwSquare(10.1, 50.1, 0.6);
  const std::vector<cw::Point2> lHole = {{10.1, 50.1}, {10.7, 50.1}, {10.7, 50.3},
                                         {10.3, 50.3}, {10.3, 50.7}, {10.1, 50.7}};
  expectFindings({
      {"two holes side by side",
       area({exterior, ccwSquare(10.1, 50.1, 0.2), ccwSquare(10.5, 50.5, 0.2)},
            {ext(1), hole(2), hole(3)}),
       {}},
      {"hole inside a hole",
       area({exterior, bigHole, ccwSquare(10.2, 50.2, 0.2)}, {ext(1), hole(2), hole(3)}),
       {"80a"}},
      {"hole inside a hole, touching its side",
       area({exterior, bigHole, {{10.4, 50.1}, {10.5, 50.3}, {10.3, 50.3}}},
            {ext(1), hole(2), hole(3)}),
       {"80a"}},
      {"hole outside the exterior",
       area({exterior, ccwSquare(12, 50, 0.5)}, {ext(1), hole(2)}),
       {"80b"}},
      {"hole across the exterior's edge",
       area({exterior, ccwSquare(10.8, 50.4, 0.5)}, {ext(1), hole(2)}),
       {"80b"}},
      {"hole touching the exterior's side at a point that is no node",
       area({exterior, {{10, 50.5}, {10.3, 50.3}, {10.3, 50.7}}}, {ext(1), hole(2)}),
       {}},
      {"hole in the notch of an L-shaped hole",
       area({exterior, lHole, ccwSquare(10.5, 50.5, 0.1)}, {ext(1), hole(2), hole(3)}),
       {}},
      {"hole in the arm of an L-shaped hole",
       area({exterior, lHole, ccwSquare(10.15, 50.5, 0.1)}, {ext(1), hole(2), hole(3)}),
       {"80a"}},
      {"exterior inside its hole",
       area({cwSquare(10.2, 50.2, 0.2), ccwSquare(10, 50, 1)}, {ext(1), hole(2)}),
       {"80c"}},
  });
  // What is learnt of a ring serves every feature it bounds: the exterior
  // both features share is asked about twice by the first and from then on
  // by the second.
  const std::vector<std::vector<cw::Point2>> rings = {exterior,
                                                      ccwSquare(10.1, 50.1, 0.2),
                                                      ccwSquare(10.5, 50.1, 0.2),
                                                      ccwSquare(10.1, 50.5, 0.2),
                                                      ccwSquare(10.5, 50.5, 0.2),
                                                      ccwSquare(12, 50, 0.5)};
  const auto twoFeatures = [&](std::vector<cw::SpatialPointer> second) -> Drawing {
    return area(rings, {ext(1), hole(2), hole(3)}).feature(2, 3, std::move(second));
  };
  expectFindings({
      {"both features' holes inside", twoFeatures({ext(1), hole(4), hole(5)}), {}},
      {"the second feature's last hole outside",
       twoFeatures({ext(1), hole(4), hole(5), hole(6)}),
       {"80b FE0000000002"}},
  });
}

TEST(S58RingChecks, CleanCellsGiveNone) {
  Drawing many = area({cwSquare(10, 50, 1), ccwSquare(10.2, 50.2, 0.2)}, {ext(1), hole(2)});
  many.feature(2, 3, {ext(1)});
  many.node(3, {9, 49}).node(4, {9.5, 49.5}).edge(5, 3, 4).edge(6, 4, 3, {{9.7, 49.1}});
  many.feature(3, 2, {part(5), part(6)});
  EXPECT_EQ(ringFindings(many.cell()), std::set<std::string>{});
}

}  // namespace
}  // namespace abys
