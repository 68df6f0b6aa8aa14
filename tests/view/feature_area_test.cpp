// Area rings from edges: hand-made rings, and GDAL's polygons of every real
// base cell that loads and passes the checks.
#include "feature_area.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

#include "cell_writer.h"
#include "check_driver.h"
#include "support/load.h"
#include "support/stream.h"

namespace abys {
namespace {

namespace cw = cellwriter;

// Rings as "E x,y x,y ... | I ...", E for exterior and I for interior.
std::string textOf(const std::optional<FeatureArea>& area) {
  std::ostringstream out;
  for (const FeatureRing& r : area ? area->rings : std::vector<FeatureRing>{}) {
    out << (out.tellp() > 0 ? " | " : "") << (r.exterior ? "E" : "I");
    for (const LinePoint& p : r.points)
      out << " " << p.x << "," << p.y;
  }
  return out.str();
}

// Nodes 1 (0,0), 2 (10,0), 3 (10,10), 4 (0,10) and 5 (4,4); edge 21 from 1 to 2 through (5,-1), 22
// from 3 to 2 through (11,5), 23 from 3 to 4, 24 from 4 to 1, 25 a loop at 5 round a square of side
// 2, 26 with node 5 alone. Pointers are written "22r" for ORNT 2, "i" for USAG 2, "t" for USAG 3,
// "m" for MASK 1. No rings: no area.
const struct {
  const char* what;
  uint8_t prim;
  const char* pointers;
  const char* rings;
  double area;
} kCases[] = {
    {"mixed ORNT round a hole of one loop edge", 3, "21 22r 23m 24 25i",
     "E 0,0 5,-1 10,0 11,5 10,10 0,10 0,0 | I 4,4 6,4 6,6 4,6 4,4", 106},
    {"walked backwards, truncated by the data limit", 3, "24rt 23rt 22t 21rt",
     "E 0,0 0,10 10,10 11,5 10,0 5,-1 0,0", 110},
    {"a ring that does not close is skipped", 3, "25 21 22r", "E 4,4 6,4 6,6 4,6 4,4", 4},
    {"a ring still open when USAG changes is skipped", 3, "21 22r 25i", "I 4,4 6,4 6,6 4,6 4,4",
     -4},
    {"a ring whose edges do not meet is skipped", 3, "21 23 24 25", "E 4,4 6,4 6,6 4,6 4,4", 4},
    {"no ring kept", 3, "21 22r", "", 0},
    {"an edge that cannot be walked", 3, "25 26", "", 0},
    {"no spatial pointers", 3, "", "", 0},
    {"line", 2, "21", "", 0},
};

std::vector<cw::SpatialPointer> pointersOf(const char* text) {
  std::vector<cw::SpatialPointer> pointers;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    auto has = [&](char c) { return word.find(c) != std::string::npos; };
    const uint8_t usag = has('i') ? 2 : has('t') ? 3 : 1;
    pointers.push_back({.rcid = static_cast<uint32_t>(std::stoul(word)),
                        .ornt = uint8_t(has('r') ? 2 : 1),
                        .usag = usag,
                        .mask = uint8_t(has('m') ? 1 : 2)});
  }
  return pointers;
}

TEST(FeatureArea, RingsFromEdges) {
  cw::Cell cell;
  for (uint32_t id = 1; const cw::Point2 p : {cw::Point2{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}})
    cell.vectors.push_back(cw::connectedNode(id++, p));
  cell.vectors.push_back(cw::edge(21, 1, 2, {{5, -1}}));
  cell.vectors.push_back(cw::edge(22, 3, 2, {{11, 5}}));
  cell.vectors.push_back(cw::edge(23, 3, 4, {}));
  cell.vectors.push_back(cw::edge(24, 4, 1, {}));
  cell.vectors.push_back(cw::edge(25, 5, 5, {{6, 4}, {6, 6}, {4, 6}}));
  cell.vectors.push_back({.rcnm = 130, .rcid = 26, .pointers = {{.rcid = 5}}});
  for (uint32_t rcid = 100; const auto& c : kCases)
    cell.features.push_back(
        {.rcid = rcid++, .prim = c.prim, .spatialPointers = pointersOf(c.pointers)});
  test::TempFile file(cw::encodeCell(cell));
  Dataset d;
  ASSERT_EQ(test::load(d, file.path()).status, 0);

  // Before the checks have resolved the pointers there is no area.
  EXPECT_FALSE(assembleFeatureArea(*d.features.first));
  DiscardingReporter quiet;
  runLogicalChecks(d, quiet);
  const FeatureRecord* f = d.features.first;
  for (const auto& c : kCases) {
    const std::optional<FeatureArea> area = assembleFeatureArea(*f);
    EXPECT_EQ(textOf(area), c.rings) << c.what;
    EXPECT_DOUBLE_EQ(area ? planarArea(*area) : 0, c.area) << c.what;
    f = f->next;
  }
  releaseDataset(d);
}

// Per area feature of a cell as GDAL builds it: RCID, ring count (exterior and interior rings of
// every part) and area (every part's exterior less its holes), or rings -1 for a class GDAL's
// catalogue gives no geometry ($AREAS). The shoelace is taken about each ring's first vertex:
// GetArea's products of whole coordinates lose more than 1e-9 of a small polygon's area.
constexpr char kGdalAreas[] = R"(import math, os, sys
os.environ["OGR_S57_OPTIONS"] = "UPDATES=IGNORE"
from osgeo import ogr
def area(p):
    return abs(math.fsum((a[0] - p[0][0]) * (b[1] - p[0][1]) - (b[0] - p[0][0]) * (a[1] - p[0][1])
                         for a, b in zip(p, p[1:]))) / 2
for layer in ogr.Open(sys.argv[1]) or []:
    for f in (f for f in layer if f.GetFieldIndex("PRIM") >= 0 and f.GetField("PRIM") == 3):
        g = f.GetGeometryRef()
        parts = [] if g is None else [g] if g.GetGeometryName() == "POLYGON" else list(g)
        rings = [(i, r.GetPoints()) for p in parts for i, r in enumerate(p)]
        none = layer.GetGeomType() == ogr.wkbNone
        print(f.GetField("RCID"), -1 if none else len(rings), sum(area(r) * (-1 if i else 1) for i, r in rings))
)";

// Features whose USAG makes the larger ring interior and the smaller one exterior (a test cell
// built with that fault). GDAL takes the ring of the largest extent as the exterior, so its area is
// ours negated.
const std::set<std::pair<std::string, uint32_t>> kSwapped = {{"AA400008.000", 63}};

TEST(FeatureArea, AgreesWithGdalOnRealCells) {
  if (test::realCells().empty() || std::system("/usr/bin/python3 -c 'import osgeo' 2>/dev/null")) {
    GTEST_SKIP() << "no real cells beside the repository, or no GDAL Python bindings";
  }
  test::TempFile script(kGdalAreas, "gdal_areas.py");
  int cellCount = 0, featureCount = 0;
  auto d = std::make_unique<Dataset>();
  DiscardingReporter quiet;
  for (const auto& cell : test::realCells()) {
    SCOPED_TRACE(cell.string());
    testing::internal::CaptureStderr();  // the loader's notes on fields out of order
    const bool checked = cell.extension() == ".000" && test::load(*d, cell).status == 0 &&
                         runLogicalChecks(*d, quiet) == 0;
    testing::internal::GetCapturedStderr();
    std::FILE* pipe =
        checked
            ? popen(("/usr/bin/python3 " + script.path() + " '" + cell.string() + "' 2>/dev/null")
                        .c_str(),
                    "r")
            : nullptr;
    if (pipe == nullptr) continue;
    std::istringstream lines(test::readStream(pipe));
    pclose(pipe);
    std::map<uint32_t, std::pair<int, double>> theirs;  // RCID: rings, area
    uint32_t rcid = 0;
    for (std::pair<int, double> p; lines >> rcid >> p.first >> p.second;)
      theirs[rcid] = p;
    ++cellCount;
    for (const FeatureRecord* f : d->features) {
      if (f->prim != kPrimArea) continue;
      SCOPED_TRACE("RCID " + std::to_string(f->rcid));
      ASSERT_TRUE(theirs.count(f->rcid));
      const auto [rings, area] = theirs[f->rcid];
      if (rings < 0) continue;
      ++featureCount;
      const std::optional<FeatureArea> ours = assembleFeatureArea(*f);
      const double ourArea = ours ? planarArea(*ours) : 0;
      const double theirArea = kSwapped.count({cell.filename(), f->rcid}) ? -area : area;
      EXPECT_EQ(ours ? static_cast<int>(ours->rings.size()) : 0, rings);
      EXPECT_LE(std::fabs(ourArea - theirArea),
                1e-9 * std::max(std::fabs(ourArea), std::fabs(theirArea)))
          << ourArea << " against " << theirArea;
    }
  }
  releaseDataset(*d);
  std::printf("compared %d area features of %d cells with GDAL\n", featureCount, cellCount);
  EXPECT_GT(cellCount, 30);
}

}  // namespace
}  // namespace abys
