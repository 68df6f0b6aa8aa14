#include "feature_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "check_driver.h"
#include "support/dataset_builder.h"

namespace abys {
namespace {

std::string textOf(const std::optional<FeatureLine>& line) {
  std::ostringstream out;
  for (const LinePoint& p : line ? line->points : std::vector<LinePoint>{})
    out << (out.tellp() > 0 ? " " : "") << p.x << "," << p.y;
  return out.str();
}

// Connected nodes 1 (0,0), 2 (10,0), 3 (10,10) and 4 without a coordinate;
// edge 11 from 1 to 2 through three points, 12 from 2 to 3 through one, 13 a
// loop at 3, 14 with one node pointer, 15 from 4 to 1. No points: no line.
TEST(FeatureLine, EdgesWalkedByOrientationAndJoined) {
  struct Pointer {
    uint32_t rcid;
    uint8_t ornt = 1;
    uint8_t mask = 255;
  };
  const struct {
    const char* what;
    uint8_t prim;
    std::vector<Pointer> pointers;
    const char* points;
  } cases[] = {
      {"forward", 2, {{11}}, "0,0 2,1 5,2 8,1 10,0"},
      {"reverse", 2, {{11, 2}}, "10,0 8,1 5,2 2,1 0,0"},
      {"joined: shared node once, ORNT 255 forward, masked edge counts",
       2,
       {{11, 255}, {12, 1, 1}},
       "0,0 2,1 5,2 8,1 10,0 11,5 10,10"},
      {"both reversed", 2, {{12, 2}, {11, 2}}, "10,10 11,5 10,0 8,1 5,2 2,1 0,0"},
      {"loop", 2, {{13}}, "10,10 12,12 8,12 10,10"},
      {"point", 1, {{1}}, ""},
      {"area", 3, {{13}}, ""},
      {"no spatial pointers", 2, {}, ""},
      {"an edge with one node", 2, {{11}, {14}}, ""},
      {"a node without a coordinate", 2, {{11}, {15}}, ""},
  };
  Dataset d;
  test::DatasetBuilder b(d);
  const LinePoint nodes[] = {{0, 0}, {10, 0}, {10, 10}};
  for (uint32_t id = 1; id <= 4; ++id) {
    VectorRecord* node = b.vector(kRcnmConnectedNode, id);
    if (id <= 3) b.coordinate(node, nodes[id - 1].x, nodes[id - 1].y);
  }
  const struct {
    uint32_t rcid;
    std::vector<uint32_t> nodes;
    std::vector<LinePoint> interior;
  } edges[] = {{11, {1, 2}, {{2, 1}, {5, 2}, {8, 1}}},
               {12, {2, 3}, {{11, 5}}},
               {13, {3, 3}, {{12, 12}, {8, 12}}},
               {14, {1}, {}},
               {15, {4, 1}, {}}};
  for (const auto& e : edges) {
    VectorRecord* edge = b.vector(kRcnmEdge, e.rcid);
    uint8_t topi = 1;
    for (const uint32_t node : e.nodes)
      b.nodePointer(edge, kRcnmConnectedNode, node, topi++);
    for (const LinePoint& p : e.interior)
      b.coordinate(edge, p.x, p.y);
  }
  std::vector<const FeatureRecord*> features;
  for (const auto& c : cases) {
    FeatureRecord* f = b.feature(100 + static_cast<uint32_t>(features.size()), c.prim, 30011);
    for (const Pointer& p : c.pointers) {
      b.spatialPointer(f, c.prim == 1 ? kRcnmConnectedNode : kRcnmEdge, p.rcid, p.ornt, 255,
                       p.mask);
    }
    features.push_back(f);
  }

  // Before the checks have resolved the pointers there is no line, rather
  // than a crash.
  EXPECT_FALSE(assembleFeatureLine(*features[0]));
  DiscardingReporter quiet;
  runLogicalChecks(d, quiet);
  for (size_t i = 0; i < features.size(); ++i)
    EXPECT_EQ(textOf(assembleFeatureLine(*features[i])), cases[i].points) << cases[i].what;
}

}  // namespace
}  // namespace abys
