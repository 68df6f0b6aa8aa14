// abys-mkcell writes the sample and the benchmark inputs: cells that load and
// pass every check without a finding, read by GDAL as by us, carrying what
// the options ask for, the same bytes for the same options.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "check_driver.h"
#include "support/load.h"
#include "support/programs.h"
#include "synthetic_cell.h"

namespace abys {
namespace {

using mkcell::Options;

// Small cells between them covering: the default position, several seeds,
// lines and rings split over several edges, negative coordinates, a
// fractional interval, one level, and more names than the book has.
const struct {
  const char* name;
  Options options;
} kCases[] = {
    {"default position", {.grid = 80}},
    {"seed 2, split edges", {.seed = 2, .interval = 2.5, .grid = 80, .maxEdgeCoordinates = 7}},
    {"south-west hemisphere",
     {.seed = 3, .levels = 6, .grid = 80, .west = -70.5, .south = -41.25, .span = 0.1}},
    {"one level, no places", {.seed = 4, .levels = 1, .grid = 80, .relief = 1, .places = 0}},
    {"many names", {.seed = 5, .grid = 120, .relief = 40, .places = 12, .maxEdgeCoordinates = 100}},
    // One depth line of 12,810 vertices in one edge record of 104,000 bytes,
    // its leader's length 0.
    {"record too long for its length",
     {.seed = 3, .levels = 1, .grid = 8193, .relief = 1, .places = 0, .maxEdgeCoordinates = 32000}},
};

TEST(MkcellCells, PassEveryCheckAndCarryWhatTheOptionsAskFor) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Options& o = c.options;
    const mkcell::SyntheticCell made = mkcell::makeCell(o);
    const test::TempFile file(cellwriter::encodeCell(made.cell));
    Dataset d;
    const test::LoadResult loaded = test::load(d, file.path());
    std::string log = loaded.log;
    const int checkStatus = runLogicalChecks(
        d, [&](const char* format, std::va_list args) { log += formatMessage(format, args); });
    EXPECT_EQ(loaded.status, 0);
    EXPECT_EQ(checkStatus, 0);
    EXPECT_EQ(log.find("Error:"), std::string::npos) << log;
    EXPECT_EQ(test::invariantViolations(d), "");
    test::RecordCounts gdal;
    if (test::haveOgrinfo()) {
      ASSERT_TRUE(test::gdalCounts(file.path(), gdal));
      EXPECT_EQ(test::countsOf(d), gdal);
    }

    // Depth lines at every level, of the vertices the generator counted:
    // every edge's coordinates and its start node, and the last node unless
    // the line closes on its first.
    std::set<std::string> levels, expectedLevels;
    for (int k = 1; k <= o.levels; ++k)
      expectedLevels.insert(mkcell::depthText(k * o.interval));
    int64_t vertices = 0;
    int names = 0;
    std::map<uint16_t, int> perClass;
    for (const FeatureRecord* f : d.features) {
      ++perClass[f->objl];
      if (f->objl == mkcell::kDepthLineClass) {
        ASSERT_EQ(f->attributes.count, 1);
        EXPECT_EQ(f->attributes.first->attl, mkcell::kValdco);
        levels.insert(f->attributes.first->atvl);
        for (const SpatialPointerEntry* p : f->spatialPointers)
          vertices += p->target->coordinates.count + 1;
        const VectorRecord* first = f->spatialPointers.first->target;
        if (f->spatialPointers.back().target->pointers.back().rcid != first->pointers.first->rcid) {
          ++vertices;
        }
      }
      for (const AttributeEntry* a : f->nationalAttributes()) {
        EXPECT_TRUE(a->attl == mkcell::kNobjnm && a->atvlLength > 1);  // a name, not empty
        ++names;
      }
    }
    EXPECT_EQ(levels, expectedLevels);
    EXPECT_EQ(vertices, made.depthVertices);
    for (const VectorRecord* e : d.edges)
      EXPECT_LE(e->coordinates.count, o.maxEdgeCoordinates);

    // A name for every basin, shoal and place.
    EXPECT_EQ(perClass[mkcell::kSeabedNameClass], o.relief);
    EXPECT_EQ(perClass[mkcell::kPlaceNameClass], o.places);
    EXPECT_EQ(names, o.relief + o.places);

    // One coverage, its corner where the options put it.
    EXPECT_EQ(perClass[mkcell::kCoverageClass], 1);
    EXPECT_NEAR(d.minX, o.west, 1e-7);
    EXPECT_NEAR(d.minY, o.south, 1e-7);
    EXPECT_NEAR(d.maxX - d.minX, o.span, 2e-4);  // within the lattice of the finest grid
  }
  if (!test::haveOgrinfo()) GTEST_SKIP() << "ogrinfo absent: GDAL's counts not compared";
}

// ---------------------------------------------------------------------------
// The program.

test::ProgramRun run(const std::string& arguments) {
  return test::runProgram("abys-mkcell", arguments);
}

TEST(MkcellProgram, WritesTheCellItsOptionsDescribe) {
  test::TempFile placeholder("", "X.000");
  const test::ProgramRun r =
      run("--seed 7 --levels 5 --interval=2.5 --grid 60 --origin -70.5,-41.25 --span 0.1 "
          "--relief 3 --places 2 --edge-coordinates 50 " +
          placeholder.path());
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.err, "");
  Options o;
  o.seed = 7, o.levels = 5, o.interval = 2.5, o.grid = 60, o.west = -70.5, o.south = -41.25;
  o.span = 0.1, o.relief = 3, o.places = 2, o.maxEdgeCoordinates = 50, o.name = "X.000";
  const std::string bytes = test::readFileBytes(placeholder.path());
  EXPECT_TRUE(bytes == cellwriter::encodeCell(mkcell::makeCell(o).cell));
  // The bytes pinned: the generator draws only on mt19937's raw output and
  // IEEE arithmetic so that they hold on every platform. A deliberate change
  // of the output updates the figure.
  uint64_t fnv1a = 0xcbf29ce484222325ULL;
  for (const unsigned char b : bytes)
    fnv1a = (fnv1a ^ b) * 0x100000001b3ULL;
  EXPECT_EQ(fnv1a, 0x471f5455490d4c54u) << std::hex << fnv1a;

  // --vertices picks the grid of a cell near that many depth-line vertices.
  const test::ProgramRun byVertices = run("--levels 8 --vertices 20000 " + placeholder.path());
  ASSERT_EQ(byVertices.exitStatus, 0) << byVertices.err;
  Options v{.levels = 8};
  v.grid = static_cast<int>(mkcell::gridForVertices(v, 20000));
  EXPECT_NE(byVertices.out.find("grid " + std::to_string(v.grid)), std::string::npos)
      << byVertices.out;
  const int64_t vertices = mkcell::makeCell(v).depthVertices;
  EXPECT_GT(vertices, 16000);
  EXPECT_LT(vertices, 24000);
}

TEST(MkcellProgram, RefusesOptionsThatMakeNoCell) {
  EXPECT_EQ(run("--help").exitStatus, 0);
  // Usage errors, and options that parse but make no cell (past the date
  // line, near the pole, a grid finer than the coordinate lattice).
  for (const char* arguments :
       {"", "--levels", "--levels ten OUT.000", "--levels 0 OUT.000", "--grid 5 OUT.000",
        "--origin 139 OUT.000", "--frobnicate 1 OUT.000", "A.000 B.000",
        "--grid 100 --vertices 5000 OUT.000", "--levels 1 --relief 1 --vertices 900000000 O.000",
        "--interval 5000 OUT.000", "--origin 179.9,0 OUT.000", "--origin 0,84.9 OUT.000",
        "--span 0.0001 OUT.000", "--edge-coordinates 1 OUT.000",
        "--edge-coordinates 32001 OUT.000"}) {
    SCOPED_TRACE(arguments);
    const test::ProgramRun r = run(arguments);
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find("abys-mkcell: "), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
  const test::ProgramRun unwritable = run("/nonexistent-folder/OUT.000");
  EXPECT_EQ(unwritable.exitStatus, 1);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}

}  // namespace
}  // namespace abys
