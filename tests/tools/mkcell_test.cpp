// abys-mkcell: its contours, the cells it writes (read back by the loader,
// the checks and GDAL), and the program as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "check_driver.h"
#include "contours.h"
#include "seabed.h"
#include "support/load.h"
#include "support/programs.h"
#include "synthetic_cell.h"

namespace abys {
namespace {

using mkcell::Options;

// ---------------------------------------------------------------------------
// Contours.

// A seabed sampled coarsely, or noise: one random depth per vertex, which
// makes diagonal (saddle) cells everywhere.
mkcell::DepthGrid seabedGrid(uint32_t seed, int size) {
  mkcell::Random random(seed);
  return mkcell::sampleDepths(mkcell::makeSeabed(random, 6), size, 0, 100);
}

mkcell::DepthGrid noiseGrid(uint32_t seed, int size) {
  mkcell::Random random(seed);
  mkcell::DepthGrid grid{size, {}};
  for (int i = 0; i < size * size; ++i)
    grid.depths.push_back(static_cast<float>(random.uniform(0, 100)));
  return grid;
}

// The depth at a contour point by linear interpolation along its grid edge;
// NaN when the point is not on a grid edge.
double depthOnEdge(const mkcell::DepthGrid& grid, mkcell::ContourPoint p) {
  const double column = std::floor(p.x);
  const double row = std::floor(p.y);
  const int c = static_cast<int>(column);
  const int r = static_cast<int>(row);
  if (p.y == row) {
    const double t = p.x - column;
    return t == 0 ? grid.at(c, r) : grid.at(c, r) + t * (grid.at(c + 1, r) - grid.at(c, r));
  }
  if (p.x == column) {
    const double t = p.y - row;
    return grid.at(c, r) + t * (grid.at(c, r + 1) - grid.at(c, r));
  }
  return std::nan("");
}

// Grid edges with one end deeper than level and the other not.
int crossedEdges(const mkcell::DepthGrid& grid, double level) {
  int n = 0;
  for (int r = 0; r < grid.size; ++r) {
    for (int c = 0; c < grid.size; ++c) {
      const bool deep = grid.at(c, r) > level;
      if (c + 1 < grid.size && deep != (grid.at(c + 1, r) > level)) ++n;
      if (r + 1 < grid.size && deep != (grid.at(c, r + 1) > level)) ++n;
    }
  }
  return n;
}

bool onBorder(const mkcell::DepthGrid& grid, mkcell::ContourPoint p) {
  const double last = grid.size - 1;
  return p.x == 0 || p.y == 0 || p.x == last || p.y == last;
}

// Twice the signed area: positive counter-clockwise.
double signedArea(const std::vector<mkcell::ContourPoint>& ring) {
  double area = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const auto& a = ring[i];
    const auto& b = ring[(i + 1) % ring.size()];
    area += a.x * b.y - b.x * a.y;
  }
  return area;
}

TEST(Contours, CrossEveryCrossedGridEdgeOnceAtTheLevel) {
  const std::pair<const char*, mkcell::DepthGrid> grids[] = {
      {"seabed", seabedGrid(3, 90)}, {"noise", noiseGrid(5, 40)}, {"one cell", noiseGrid(8, 2)}};
  for (const auto& [name, grid] : grids) {
    for (const double level : {0.5, 25.0, 50.0, 77.7}) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(level));
      std::set<std::pair<double, double>> seen;
      for (const mkcell::Contour& contour : mkcell::traceContours(grid, level)) {
        ASSERT_GE(contour.points.size(), 2u);
        if (contour.closed) {
          EXPECT_GE(contour.points.size(), 4u);
        } else {
          EXPECT_TRUE(onBorder(grid, contour.points.front()));
          EXPECT_TRUE(onBorder(grid, contour.points.back()));
        }
        for (const mkcell::ContourPoint& p : contour.points) {
          EXPECT_NEAR(depthOnEdge(grid, p), level, 1e-9);
          EXPECT_TRUE(seen.insert({p.x, p.y}).second) << "crossed twice at " << p.x << "," << p.y;
        }
      }
      EXPECT_EQ(static_cast<int>(seen.size()), crossedEdges(grid, level));
    }
  }
}

TEST(Contours, RunWithDeepWaterOnTheLeft) {
  // A bowl: deep in the middle. Raised, it is a mound.
  mkcell::DepthGrid bowl{21, {}};
  for (int r = 0; r < 21; ++r) {
    for (int c = 0; c < 21; ++c)
      bowl.depths.push_back(static_cast<float>(100 - (c - 10) * (c - 10) - (r - 10) * (r - 10)));
  }
  mkcell::DepthGrid mound = bowl;
  for (float& d : mound.depths)
    d = -d;

  const auto basin = mkcell::traceContours(bowl, 50);
  ASSERT_EQ(basin.size(), 1u);
  EXPECT_TRUE(basin[0].closed);
  EXPECT_GT(signedArea(basin[0].points), 0);
  const auto shoal = mkcell::traceContours(mound, -50);
  ASSERT_EQ(shoal.size(), 1u);
  EXPECT_LT(signedArea(shoal[0].points), 0);

  // A slope deepening northward: the line runs east, from border to border.
  mkcell::DepthGrid slope{5, {}};
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 5; ++c)
      slope.depths.push_back(static_cast<float>(r * 10));
  }
  const auto line = mkcell::traceContours(slope, 15);
  ASSERT_EQ(line.size(), 1u);
  EXPECT_FALSE(line[0].closed);
  EXPECT_EQ(line[0].points.front().x, 0);
  EXPECT_EQ(line[0].points.back().x, 4);
}

// ---------------------------------------------------------------------------
// Cells.

struct Case {
  const char* name;
  Options options;
};

Options with(auto change) {
  Options o;
  o.grid = 80;
  change(o);
  return o;
}

// Small cells between them covering: the default position, several seeds,
// lines and rings split over several edges, negative coordinates, a
// fractional interval, one level, and more names than the book has.
const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"default position", with([](Options&) {})},
      {"seed 2, split edges", with([](Options& o) {
         o.seed = 2;
         o.maxEdgeCoordinates = 7;
       })},
      {"south-west hemisphere", with([](Options& o) {
         o.seed = 3;
         o.west = -70.5;
         o.south = -41.25;
         o.span = 0.1;
         o.levels = 6;
         o.interval = 2.5;
       })},
      {"one level, no places", with([](Options& o) {
         o.seed = 4;
         o.levels = 1;
         o.places = 0;
         o.relief = 1;
       })},
      {"many names", with([](Options& o) {
         o.seed = 5;
         o.relief = 40;
         o.places = 12;
         o.grid = 120;
         o.maxEdgeCoordinates = 100;
       })},
  };
  return all;
}

// A cell written to a file, loaded and checked.
struct Checked {
  mkcell::SyntheticCell made;
  std::unique_ptr<test::TempFile> file;
  std::unique_ptr<Dataset> dataset = std::make_unique<Dataset>();
  int loadStatus = -1;
  int checkStatus = -1;
  std::string log;

  explicit Checked(const Options& options) : made(mkcell::makeCell(options)) {
    file = std::make_unique<test::TempFile>(cellwriter::encodeCell(made.cell));
    const test::LoadResult r = test::load(*dataset, file->path());
    loadStatus = r.status;
    log = r.log;
    checkStatus = runLogicalChecks(*dataset, [&](const char* format, std::va_list args) {
      log += formatMessage(format, args);
    });
  }
  ~Checked() { releaseDataset(*dataset); }
};

std::u16string ucs2(const AttributeEntry& entry) {
  std::u16string text;
  const auto* bytes = reinterpret_cast<const unsigned char*>(entry.atvl);
  for (int32_t i = 0; i + 1 < entry.atvlLength; i += 2)
    text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
  return text;
}

std::vector<cellwriter::Point2> pointsOf(const VectorRecord& v) {
  std::vector<cellwriter::Point2> points;
  for (const CoordinateEntry* c : v.coordinates)
    points.push_back({c->x, c->y});
  return points;
}

TEST(MkcellCells, PassEveryCheckWithoutFindingsAndReadAsGdalReadsThem) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const Checked cell(c.options);
    EXPECT_EQ(cell.loadStatus, 0);
    EXPECT_EQ(cell.checkStatus, 0);
    EXPECT_EQ(cell.log.find("Error:"), std::string::npos) << cell.log;
    EXPECT_EQ(test::invariantViolations(*cell.dataset), "");
    EXPECT_GT(cell.made.depthLines, 0);

    const Dataset& d = *cell.dataset;
    const test::RecordCounts ours = test::countsOf(d);
    EXPECT_EQ(ours.features, static_cast<int>(cell.made.cell.features.size()));
    test::RecordCounts theirs;
    if (test::haveOgrinfo()) {
      ASSERT_TRUE(test::gdalCounts(cell.file->path(), theirs));
      EXPECT_EQ(ours, theirs);
    }
  }
  if (!test::haveOgrinfo()) GTEST_SKIP() << "ogrinfo absent: GDAL's counts not compared";
}

TEST(MkcellCells, DepthLinesCarryEveryLevelWithinTheEdgeLimit) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const Options& o = c.options;
    const Checked cell(o);
    std::set<std::string> expected, found;
    for (int k = 1; k <= o.levels; ++k)
      expected.insert(mkcell::depthText(k * o.interval));
    int64_t vertices = 0;
    for (const FeatureRecord* f : cell.dataset->features) {
      if (f->objl != mkcell::kDepthLineClass) continue;
      ASSERT_EQ(f->attributes.count, 1);
      EXPECT_EQ(f->attributes.first->attl, mkcell::kValdco);
      found.insert(f->attributes.first->atvl);
      // Distinct points: every edge's coordinates and its start node, and
      // the last node unless the line closes on its first.
      const SpatialPointerEntry* first = f->spatialPointers.first;
      for (const SpatialPointerEntry* p : f->spatialPointers)
        vertices += p->target->coordinates.count + 1;
      const VectorRecord* lastEdge = f->spatialPointers.last->target;
      if (lastEdge->pointers.last->rcid != first->target->pointers.first->rcid) ++vertices;
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(vertices, cell.made.depthVertices);
    for (const VectorRecord* e : cell.dataset->edges)
      EXPECT_LE(e->coordinates.count, o.maxEdgeCoordinates);
  }
  // Numbers as a chart prints them.
  EXPECT_EQ(mkcell::depthText(10), "10");
  EXPECT_EQ(mkcell::depthText(5 * 2.5), "12.5");
  EXPECT_EQ(mkcell::depthText(3 * 0.1), "0.3");
}

TEST(MkcellCells, NamesReadBackAsTheirJapaneseText) {
  const Options& o = cases().back().options;  // more names than the book holds
  const Checked cell(o);
  std::map<uint32_t, std::u16string> written;
  for (const cellwriter::Feature& f : cell.made.cell.features) {
    if (!f.nationalAttributes.empty()) written[f.rcid] = f.nationalAttributes[0].value;
  }
  std::map<uint16_t, int> perClass;
  std::set<std::u16string> distinct;
  std::set<uint32_t> nodes;
  for (const FeatureRecord* f : cell.dataset->features) {
    if (f->objl != mkcell::kSeabedNameClass && f->objl != mkcell::kPlaceNameClass) continue;
    ++perClass[f->objl];
    ASSERT_EQ(f->nationalAttributes.count, 1);
    const AttributeEntry& name = *f->nationalAttributes.first;
    EXPECT_EQ(name.attl, mkcell::kNobjnm);
    const std::u16string text = ucs2(name);
    EXPECT_EQ(text, written[f->rcid]);
    ASSERT_GE(text.size(), 3u);
    for (const char16_t unit : text)
      EXPECT_GE(unit, 0x4e00) << "not a kanji in a name of feature " << f->rcid;
    distinct.insert(text);
    // Each name on an isolated node of its own.
    ASSERT_EQ(f->spatialPointers.count, 1);
    EXPECT_EQ(f->spatialPointers.first->rcnm, kRcnmIsolatedNode);
    EXPECT_TRUE(nodes.insert(f->spatialPointers.first->rcid).second);
  }
  EXPECT_EQ(perClass[mkcell::kSeabedNameClass], o.relief);
  EXPECT_EQ(perClass[mkcell::kPlaceNameClass], o.places);
  EXPECT_EQ(static_cast<int>(distinct.size()), o.relief + o.places);
  EXPECT_EQ(cell.dataset->dssi.nall, 2);
}

TEST(MkcellCells, CoverageIsOneClockwiseRingRoundEverything) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const Checked cell(c.options);
    const FeatureRecord* coverage = nullptr;
    for (const FeatureRecord* f : cell.dataset->features) {
      if (f->objl == mkcell::kCoverageClass) {
        EXPECT_EQ(coverage, nullptr) << "two coverages";
        coverage = f;
      }
    }
    ASSERT_NE(coverage, nullptr);
    EXPECT_EQ(coverage->prim, 3);
    ASSERT_EQ(coverage->spatialPointers.count, 1);
    const SpatialPointerEntry& pointer = *coverage->spatialPointers.first;
    EXPECT_EQ(pointer.usag, 1);
    const VectorRecord& edge = *pointer.target;
    ASSERT_EQ(edge.pointers.count, 2);
    const VectorRecord& node = *edge.pointers.first->target;
    EXPECT_EQ(edge.pointers.last->target, &node);

    std::vector<cellwriter::Point2> ring = pointsOf(node);
    for (const auto& p : pointsOf(edge))
      ring.push_back(p);
    double area = 0, minX = ring[0].x, maxX = minX, minY = ring[0].y, maxY = minY;
    for (size_t i = 0; i < ring.size(); ++i) {
      const auto& a = ring[i];
      const auto& b = ring[(i + 1) % ring.size()];
      area += a.x * b.y - b.x * a.y;
      minX = std::min(minX, a.x), maxX = std::max(maxX, a.x);
      minY = std::min(minY, a.y), maxY = std::max(maxY, a.y);
    }
    EXPECT_LT(area, 0);
    const Dataset& d = *cell.dataset;
    EXPECT_EQ(minX, d.minX);
    EXPECT_EQ(maxX, d.maxX);
    EXPECT_EQ(minY, d.minY);
    EXPECT_EQ(maxY, d.maxY);
    EXPECT_NEAR(minX, c.options.west, 1e-7);
    EXPECT_NEAR(minY, c.options.south, 1e-7);
    EXPECT_NEAR(maxX - minX, c.options.span, 1e-4);
  }
}

uint64_t fnv1a(const std::string& bytes) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (const unsigned char b : bytes)
    h = (h ^ b) * 0x100000001b3ULL;
  return h;
}

TEST(MkcellCells, SameOptionsWriteTheSameBytes) {
  const Options o = cases()[1].options;
  const std::string bytes = cellwriter::encodeCell(mkcell::makeCell(o).cell);
  EXPECT_EQ(cellwriter::encodeCell(mkcell::makeCell(o).cell), bytes);
  Options other = o;
  other.seed = o.seed + 1;
  EXPECT_NE(cellwriter::encodeCell(mkcell::makeCell(other).cell), bytes);
  // The bytes of one seed, pinned: the generator draws only on mt19937's
  // raw output and IEEE arithmetic so that they hold on every platform.
  // A deliberate change of the output updates the figure.
  EXPECT_EQ(fnv1a(bytes), 0x330fb0240aa19ff6u) << std::hex << fnv1a(bytes);
}

TEST(MkcellCells, VerticesOptionChoosesAGridNearTheTarget) {
  Options o;
  o.levels = 8;
  const int64_t grid = mkcell::gridForVertices(o, 20000);
  ASSERT_GE(grid, mkcell::kMinGrid);
  ASSERT_LE(grid, mkcell::kMaxGrid);
  o.grid = static_cast<int>(grid);
  const int64_t vertices = mkcell::makeCell(o).depthVertices;
  EXPECT_GT(vertices, 16000);
  EXPECT_LT(vertices, 24000);
}

TEST(MkcellCells, RejectsOptionsThatMakeNoCell) {
  const std::pair<const char*, void (*)(Options&)> faults[] = {
      {"no level", [](Options& o) { o.levels = 0; }},
      {"deeper than the sea", [](Options& o) { o.interval = 5000; }},
      {"tiny grid", [](Options& o) { o.grid = 5; }},
      {"past the date line", [](Options& o) { o.west = 179.9; }},
      {"near the pole", [](Options& o) { o.south = 84.9; }},
      {"grid finer than the lattice", [](Options& o) { o.span = 0.0001; }},
      {"one coordinate per edge", [](Options& o) { o.maxEdgeCoordinates = 1; }},
  };
  EXPECT_EQ(mkcell::checkOptions(Options{}), "");
  for (const auto& [name, change] : faults) {
    Options o;
    change(o);
    EXPECT_NE(mkcell::checkOptions(o), "") << name;
    EXPECT_THROW(mkcell::makeCell(o), std::invalid_argument) << name;
  }
}

// ---------------------------------------------------------------------------
// The program.

using test::ProgramRun;

ProgramRun run(const std::string& arguments) {
  return test::runProgram("abys-mkcell", arguments);
}

TEST(MkcellProgram, WritesTheCellItsOptionsDescribe) {
  test::TempFile placeholder("", "X.000");
  const ProgramRun r =
      run("--seed 7 --levels 5 --interval=2.5 --grid 60 --origin -70.5,-41.25 --span 0.1 "
          "--relief 3 --places 2 --edge-coordinates 50 " +
          placeholder.path());
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("X.000: "), std::string::npos) << r.out;

  Options o;
  o.seed = 7, o.levels = 5, o.interval = 2.5, o.grid = 60, o.west = -70.5, o.south = -41.25;
  o.span = 0.1, o.relief = 3, o.places = 2, o.maxEdgeCoordinates = 50, o.name = "X.000";
  EXPECT_TRUE(test::readFileBytes(placeholder.path()) ==
              cellwriter::encodeCell(mkcell::makeCell(o).cell));

  const ProgramRun byVertices = run("--levels 4 --vertices 3000 " + placeholder.path());
  ASSERT_EQ(byVertices.exitStatus, 0) << byVertices.err;
  o = Options{};
  o.levels = 4;
  EXPECT_NE(byVertices.out.find("grid " + std::to_string(mkcell::gridForVertices(o, 3000))),
            std::string::npos)
      << byVertices.out;
}

TEST(MkcellProgram, ExitStatusTellsUsageErrorsFromWriteFailures) {
  const ProgramRun help = run("--help");
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("--vertices N"), std::string::npos);

  for (const char* arguments :
       {"", "--levels", "--levels ten OUT.000", "--levels 0 OUT.000", "--grid 5 OUT.000",
        "--origin 139 OUT.000", "--frobnicate 1 OUT.000", "A.000 B.000",
        "--grid 100 --vertices 5000 OUT.000", "--levels 1 --relief 1 --vertices 900000000 O.000"}) {
    SCOPED_TRACE(arguments);
    const ProgramRun r = run(arguments);
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find("abys-mkcell: "), std::string::npos);
    EXPECT_EQ(r.out, "");
  }

  const ProgramRun unwritable = run("/nonexistent-folder/OUT.000");
  EXPECT_EQ(unwritable.exitStatus, 1);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}

}  // namespace
}  // namespace abys
