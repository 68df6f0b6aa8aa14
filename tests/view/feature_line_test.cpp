#include "feature_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "cell_writer.h"
#include "check_driver.h"
#include "support/load.h"

namespace abys {
namespace {

using cellwriter::Cell;
using cellwriter::Feature;
using cellwriter::SpatialPointer;
using Points = std::vector<std::pair<double, double>>;

Points pointsOf(const FeatureLine& line) {
  Points out;
  for (const LinePoint& p : line.points)
    out.emplace_back(p.x, p.y);
  return out;
}

// Nodes 1 (0,0), 2 (10,0), 3 (10,10); edge 11 from 1 to 2 through three
// points, edge 12 from 2 to 3 through one, edge 13 a loop at node 3.
Cell chart(std::vector<Feature> features) {
  Cell cell;
  cell.dspm.comf = 10;
  cell.vectors.push_back(cellwriter::connectedNode(1, {0, 0}));
  cell.vectors.push_back(cellwriter::connectedNode(2, {10, 0}));
  cell.vectors.push_back(cellwriter::connectedNode(3, {10, 10}));
  cell.vectors.push_back(cellwriter::edge(11, 1, 2, {{2, 1}, {5, 2}, {8, 1}}));
  cell.vectors.push_back(cellwriter::edge(12, 2, 3, {{11, 5}}));
  cell.vectors.push_back(cellwriter::edge(13, 3, 3, {{12, 12}, {8, 12}}));
  uint32_t rcid = 100;
  for (Feature& f : features) {
    f.rcid = rcid++;
    f.attributes = {{174, std::to_string(f.rcid)}};  // no two alike
    cell.features.push_back(f);
  }
  return cell;
}

// Loads and checks the cell; the checks resolve the links the lines follow.
class CheckedChart {
 public:
  explicit CheckedChart(const Cell& cell) : file_(cellwriter::encodeCell(cell)) {
    EXPECT_EQ(test::load(dataset_, file_.path()).status, 0);
    EXPECT_EQ(runLogicalChecks(dataset_, nullptr), 0);
  }
  const FeatureRecord& feature(int index) const {
    const FeatureRecord* f = dataset_.features.first;
    for (int i = 0; i < index; ++i)
      f = f->next;
    return *f;
  }
  Dataset& dataset() { return dataset_; }

 private:
  test::TempFile file_;
  Dataset dataset_;
};

Feature line(std::vector<SpatialPointer> pointers) {
  Feature f;
  f.prim = 2;
  f.objl = 30011;
  f.spatialPointers = std::move(pointers);
  return f;
}

TEST(FeatureLine, EdgesWalkedByOrientationAndJoined) {
  CheckedChart c(chart({
      line({{.rcid = 11, .ornt = 1}}),
      line({{.rcid = 11, .ornt = 2}}),
      line({{.rcid = 11, .ornt = 255}, {.rcid = 12, .ornt = 1, .mask = 1}}),
      line({{.rcid = 13}}),
      line({{.rcid = 12, .ornt = 2}, {.rcid = 11, .ornt = 2}}),
  }));
  EXPECT_EQ(pointsOf(*assembleFeatureLine(c.feature(0))),
            (Points{{0, 0}, {2, 1}, {5, 2}, {8, 1}, {10, 0}}));
  EXPECT_EQ(pointsOf(*assembleFeatureLine(c.feature(1))),
            (Points{{10, 0}, {8, 1}, {5, 2}, {2, 1}, {0, 0}}));
  // 3 + 2 + 1 + 2 - 1 points: the shared node once; a masked edge counts.
  EXPECT_EQ(pointsOf(*assembleFeatureLine(c.feature(2))),
            (Points{{0, 0}, {2, 1}, {5, 2}, {8, 1}, {10, 0}, {11, 5}, {10, 10}}));
  EXPECT_EQ(pointsOf(*assembleFeatureLine(c.feature(3))),
            (Points{{10, 10}, {12, 12}, {8, 12}, {10, 10}}));
  EXPECT_EQ(pointsOf(*assembleFeatureLine(c.feature(4))),
            (Points{{10, 10}, {11, 5}, {10, 0}, {8, 1}, {5, 2}, {2, 1}, {0, 0}}));
}

TEST(FeatureLine, OnlyLinesWithPointersHaveOne) {
  Feature point;
  point.prim = 1;
  point.objl = 30012;
  point.spatialPointers = {{.rcnm = 120, .rcid = 1}};
  Feature area = line({{.rcid = 13}});
  area.prim = 3;
  area.objl = 42;
  Feature empty = line({});
  empty.featurePointers = {{.fidn = 100}};
  CheckedChart c(chart({line({{.rcid = 11}, {.rcid = 12}}), point, area, empty}));
  EXPECT_FALSE(assembleFeatureLine(c.feature(1)));
  EXPECT_FALSE(assembleFeatureLine(c.feature(2)));
  EXPECT_FALSE(assembleFeatureLine(c.feature(3)));

  // Unresolved links (no check ran) give no line rather than a crash.
  Dataset unchecked;
  test::TempFile file(cellwriter::encodeCell(chart({line({{.rcid = 11}})})));
  ASSERT_EQ(test::load(unchecked, file.path()).status, 0);
  EXPECT_FALSE(assembleFeatureLine(*unchecked.features.first));
}

TEST(FeatureLine, StepsAgreeWithTheWholeAssembly) {
  CheckedChart c(chart({line({{.rcid = 11}, {.rcid = 12}, {.rcid = 13}})}));
  const FeatureRecord& f = c.feature(0);
  std::vector<FeatureLine> edges;
  for (const SpatialPointerEntry* p : f.spatialPointers) {
    auto edge = buildEdgeLine(*p->target, p->ornt);
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->pointCount(), p->target->coordinates.count + 2);
    edges.push_back(*edge);
  }
  const auto joined = joinEdgeLines(edges);
  ASSERT_TRUE(joined);
  EXPECT_EQ(joined->pointCount(), 1 + (5 - 1) + (3 - 1) + (4 - 1));
  EXPECT_EQ(pointsOf(*joined), pointsOf(*assembleFeatureLine(f)));
}

}  // namespace
}  // namespace abys
