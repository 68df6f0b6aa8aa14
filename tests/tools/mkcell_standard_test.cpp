// abys-mkcell --standard: cells that open without a finding, whose areas
// close here and in GDAL and tile the coverage, the same for the same options.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue.h"
#include "catalogue_codes.h"
#include "chart_session.h"
#include "feature_area.h"
#include "support/programs.h"
#include "synthetic_cell.h"

namespace abys {
namespace {

using namespace catalogue;

struct FindingCount : FindingReporter {
  int findings = 0;
  void announce(const char*) override {}
  void report(const Finding&) override { ++findings; }
};

// The polygons GDAL reads from a cell; -1 when it complains.
int gdalPolygons(const std::string& path) {
  const std::string command =
      "OGR_S57_OPTIONS=UPDATES=IGNORE ogrinfo -ro -al -q -geom=SUMMARY '" + path + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  const std::string out = test::readStream(pipe);
  if (pclose(pipe) != 0 || out.find("ERROR") != out.npos || out.find("Warning") != out.npos) {
    return -1;
  }
  int polygons = 0;
  for (size_t at = out.find("  POLYGON :"); at != out.npos; at = out.find("  POLYGON :", at + 1))
    ++polygons;
  return polygons;
}

// The default seabed; edges split, many levels and relief; one level.
const char* const kCases[] = {
    "--grid 60",
    "--seed 2 --levels 30 --interval 2.5 --grid 90 --relief 12 --edge-coordinates 5",
    "--seed 3 --levels 1 --grid 40 --relief 1 --origin -70.5,-41.25 --span 0.1",
};

TEST(MkcellStandard, AreasCloseOnSharedEdgesAndTileTheCoverage) {
  for (const std::string options : kCases) {
    SCOPED_TRACE(options);
    const test::TempFile cell("", "A.000"), again("", "A.000");
    for (const test::TempFile* file : {&cell, &again})
      ASSERT_EQ(
          test::runProgram("abys-mkcell", "--standard " + options + " " + file->path()).exitStatus,
          0);
    EXPECT_TRUE(test::readFileBytes(cell.path()) == test::readFileBytes(again.path()));

    ChartSession session;
    FindingCount count;
    const OpenResult opened = session.open(cell.path().c_str(), count);
    EXPECT_EQ(std::tie(opened.loadStatus, opened.checkStatus, count.findings),
              std::make_tuple(0, 0, 0));
    ASSERT_TRUE(opened.opened());
    std::map<uint16_t, int> perClass;
    double covered = 0, coverage = 0;
    std::vector<double> metaAreas;  // M_NSYS, M_QUAL
    for (const FeatureRecord* f : session.display().currentDataset->features) {
      ++perClass[f->objl];
      if (f->prim != kPrimArea) continue;
      const std::optional<FeatureArea> area = assembleFeatureArea(*f);
      ASSERT_TRUE(area && !area->rings.empty()) << f->rcid;
      if (f->objl == mkcell::kNavigationSystemClass || f->objl == mkcell::kQualityClass) {
        metaAreas.push_back(planarArea(*area));
        continue;
      }
      (f->objl == kMCovr ? coverage : covered) += planarArea(*area);
    }
    for (const uint16_t objl : {kDepare, kDepcnt, kLndare, kCoalne, kSoundg, kMCovr})
      EXPECT_GT(perClass[objl], 0) << objl;
    for (const uint16_t objl : {mkcell::kNavigationSystemClass, mkcell::kQualityClass})
      EXPECT_EQ(perClass[objl], 1) << objl;
    // No gap and no overlap: the areas less their holes make up the chart.
    EXPECT_NEAR(covered, coverage, 1e-9 * coverage);
    // The other meta areas lie on the coverage's edges.
    for (const double area : metaAreas)
      EXPECT_EQ(area, coverage);
    if (test::haveOgrinfo()) {
      EXPECT_EQ(gdalPolygons(cell.path()),
                perClass[kDepare] + perClass[kLndare] + perClass[kMCovr] +
                    perClass[mkcell::kNavigationSystemClass] + perClass[mkcell::kQualityClass]);
    }
  }
  if (!test::haveOgrinfo()) GTEST_SKIP() << "ogrinfo absent: GDAL's polygons not counted";
}

}  // namespace
}  // namespace abys

namespace abys {
namespace {

// --aids: point aids, lights and hazards that open without a finding, each
// of a class the portrayal has its own symbol for, a topmark on the node of
// its buoy or beacon.
TEST(MkcellStandard, AidsOfEveryKindOpenAndAreSymbolised) {
  const test::TempFile cell("", "AIDS.000");
  ASSERT_EQ(test::runProgram("abys-mkcell",
                             "--standard --grid 100 --levels 5 --interval 10 "
                             "--aids 28 " +
                                 cell.path())
                .exitStatus,
            0);
  ChartSession session;
  FindingCount count;
  ASSERT_TRUE(session.open(cell.path().c_str(), count).opened());
  EXPECT_EQ(count.findings, 0);
  std::map<std::string, int> classes;
  const FeatureRecord* before = nullptr;
  for (const portrayal::FeaturePortrayal& f : session.display().portrayal.features()) {
    const std::string acronym(catalogue::objectClass(f.feature->objl)->acronym);
    if (f.feature->prim != kPrimPoint || acronym == "SOUNDG") continue;
    ++classes[acronym];
    EXPECT_FALSE(f.fallback) << acronym;
    const auto instructions = session.display().portrayal.instructions(f);
    ASSERT_FALSE(instructions.empty());
    EXPECT_NE(instructions.front().args[0], "QUESMRK1") << acronym;
    if (acronym == "TOPMAR") {
      // On the node of the buoy or beacon before it.
      ASSERT_NE(before, nullptr);
      EXPECT_EQ(before->spatialPointers.first->target, f.feature->spatialPointers.first->target);
    }
    before = f.feature;
  }
  EXPECT_EQ(classes, (std::map<std::string, int>{{"BCNCAR", 2},
                                                 {"BOYISD", 2},
                                                 {"BOYLAT", 4},
                                                 {"BOYSAW", 2},
                                                 {"BOYSPP", 2},
                                                 {"LIGHTS", 8},
                                                 {"OBSTRN", 2},
                                                 {"TOPMAR", 4},
                                                 {"UWTROC", 2},
                                                 {"WRECKS", 4}}));
}

}  // namespace
}  // namespace abys
