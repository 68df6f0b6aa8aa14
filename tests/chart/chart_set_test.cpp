// A folder of cells opened as one chart: the quilt's choice of cell at each
// place and scale, where coverages come from, cells that do not open, the
// release of cells out of view and the zoom limit of the cell drawn.
#include <gtest/gtest.h>

#include <thread>

#include "chart_session.h"
#include "support/chart_cells.h"

namespace abys {
namespace {

namespace cw = cellwriter;
using test::setCell;

constexpr Bounds kCoastal{139.0, 35.0, 140.0, 36.0};
constexpr Bounds kHarbour{139.45, 35.45, 139.55, 35.55};

class ChartSetTest : public ::testing::Test {
 protected:
  // A coastal cell (1:180,000, 0 to 2 m) with a harbour cell (1:12,000,
  // 10 to 20 m) in the middle of it, and their catalogue.
  void writeSet() {
    folder.write(setCell("AA3QUILT.000", 180000, 3, kCoastal, "0", "2", "2"), "AA3QUILT.000");
    folder.write(setCell("AA5QUILT.000", 12000, 5, kHarbour, "10", "20", "20"), "AA5QUILT.000");
    const std::vector<cw::CatalogueEntry> entries{
        {.file = "AA3QUILT.000", .limits = cw::Limits{35.0, 139.0, 36.0, 140.0}},
        {.file = "AA5QUILT.000", .limits = cw::Limits{35.45, 139.45, 35.55, 139.55}}};
    folder.writeBytes(cw::encodeCatalogue(entries), "CATALOG.031");
  }

  SetOpenResult openSet() {
    session.setWindow(600, 400);
    SetOpenResult opened = session.openSet(folder.path());
    for (const size_t cell : session.unplacedCells())
      session.buildCell(cell, quiet);
    return opened;
  }

  size_t indexOf(const std::string& file) const {
    for (size_t i = 0; i < session.cellCount(); ++i) {
      if (session.cell(i).fileName == file) return i;
    }
    return SIZE_MAX;
  }

  std::vector<std::string> drawn() const {
    std::vector<std::string> names;
    for (const QuiltPiece& piece : session.quilt())
      names.push_back(session.cell(piece.cell).fileName);
    return names;
  }

  // Zooms in about the view's centre until the display scale's denominator
  // is below denominator.
  void zoomBelow(double denominator) {
    while (scaleDenominator(session.view(), 96) >= denominator) {
      ASSERT_TRUE(session.run(ViewCommand::ZoomIn) ||
                  scaleDenominator(session.view(), 96) < denominator);
    }
    session.loadWanted(quiet);
  }

  PixelPoint pixelOf(double lon, double lat) const {
    const ViewState& view = session.view();
    return metresToPixel(view, degreesToMetres(view, lon, lat));
  }

  std::optional<double> areaDepthAt(double lon, double lat) const {
    const std::optional<DepthReadout> readout = session.depthAt(pixelOf(lon, lat));
    if (!readout || readout->kind != DepthReadout::Kind::Area) return std::nullopt;
    return readout->drval1;
  }

  test::CellFolder folder;
  ChartSession session;
  DiscardingReporter quiet;
};

// Zoomed out, the coastal cell draws everywhere and the harbour cell is not
// even built; zoomed in, the harbour cell draws its part and masks the
// coastal cell there; read-outs follow the cell drawn at each place.
TEST_F(ChartSetTest, QuiltDrawsTheBestScaleForTheView) {
  writeSet();
  ASSERT_TRUE(openSet().opened);
  ASSERT_EQ(session.cellCount(), 2u);
  EXPECT_EQ(session.wantedCells(), std::vector<size_t>{indexOf("AA3QUILT.000")});
  session.loadWanted(quiet);
  EXPECT_EQ(drawn(), std::vector<std::string>{"AA3QUILT.000"});
  EXPECT_EQ(session.cell(indexOf("AA5QUILT.000")).state, ChartCell::State::NotLoaded);
  EXPECT_EQ(areaDepthAt(139.5, 35.5), 0.0);

  // At the harbour cell's corner, zoomed in to a quarter of its scale.
  ASSERT_TRUE(session.centreOn({kHarbour.maxX, kHarbour.maxY}));
  zoomBelow(4 * 12000.0);
  EXPECT_EQ(drawn(), (std::vector<std::string>{"AA3QUILT.000", "AA5QUILT.000"}));
  const std::vector<QuiltPiece> pieces = session.quilt();
  EXPECT_TRUE(pieces.front().masked);  // the coastal cell, drawn first
  EXPECT_FALSE(pieces.back().masked);
  EXPECT_FALSE(pieces.back().overscale);
  EXPECT_EQ(areaDepthAt(139.54, 35.54), 10.0);
  EXPECT_EQ(areaDepthAt(139.56, 35.56), 0.0);
  EXPECT_EQ(session.cellAt(pixelOf(139.54, 35.54)), indexOf("AA5QUILT.000"));

  // Beyond twice its scale the harbour cell is overscale.
  zoomBelow(12000.0 / 2);
  EXPECT_TRUE(session.quilt().back().overscale);
}

// The hue scale spans every cell loaded, in every cell; a cell out of view
// is released once memory passes the limit, and built again when needed.
TEST_F(ChartSetTest, ColoursSpanTheSetAndUnusedCellsAreReleased) {
  writeSet();
  ASSERT_TRUE(openSet().opened);
  session.centreOn({139.5, 35.5});
  zoomBelow(4 * 12000.0);
  session.run(ViewCommand::FullView);
  session.loadWanted(quiet);
  EXPECT_EQ(session.valdcoRange().min, 2.0);
  EXPECT_EQ(session.valdcoRange().max, 20.0);
  for (size_t i = 0; i < 2; ++i)
    EXPECT_EQ(session.cell(i).chart->display().valdcoRange.max, 20.0);

  const size_t harbour = indexOf("AA5QUILT.000");
  ASSERT_EQ(session.cell(harbour).state, ChartCell::State::Loaded);
  EXPECT_GT(session.memoryBytes(), 0u);
  EXPECT_EQ(session.releaseUnused(0), 1u);  // the coastal cell is drawn: kept
  EXPECT_EQ(session.cell(harbour).state, ChartCell::State::NotLoaded);
  EXPECT_EQ(session.cell(indexOf("AA3QUILT.000")).state, ChartCell::State::Loaded);
  session.centreOn({139.5, 35.5});
  zoomBelow(4 * 12000.0);
  EXPECT_EQ(session.cell(harbour).state, ChartCell::State::Loaded);
}

// A coverage is the cell's M_COVR; without one its catalogue's box, with a
// note; without either the extent of its data, also with a note.
TEST_F(ChartSetTest, CoverageComesFromMcovrCatalogueOrData) {
  folder.write(setCell("AA3QUILT.000", 180000, 3, kCoastal, "0", "2", "2"), "AA3QUILT.000");
  folder.write(setCell("AA5BOXED.000", 12000, 5, kHarbour, "10", "20", "20", false),
               "AA5BOXED.000");
  folder.write(
      setCell("AA5NOBOX.000", 12000, 5, {139.1, 35.1, 139.2, 35.2}, "10", "20", "20", false),
      "AA5NOBOX.000");
  std::vector<cw::CatalogueEntry> entries{
      {.file = "AA3QUILT.000", .limits = cw::Limits{35.0, 139.0, 36.0, 140.0}},
      {.file = "AA5BOXED.000", .limits = cw::Limits{35.4, 139.4, 35.6, 139.6}},
      {.file = "AA5NOBOX.000"}};
  folder.writeBytes(cw::encodeCatalogue(entries), "CATALOG.031");
  ASSERT_TRUE(openSet().opened);
  const ChartCell& boxed = session.cell(indexOf("AA5BOXED.000"));
  const ChartCell& unboxed = session.cell(indexOf("AA5NOBOX.000"));
  EXPECT_EQ(unboxed.coverageFrom, ChartCell::CoverageFrom::Data);
  EXPECT_EQ(coverageNote(unboxed),
            "AA5NOBOX.000 has no M_COVR coverage and no box in a catalogue: its coverage is the "
            "extent of its data");
  EXPECT_EQ(boxed.coverageFrom, ChartCell::CoverageFrom::Catalogue);
  EXPECT_DOUBLE_EQ(boxed.box.minX, 139.4);
  session.centreOn({139.5, 35.5});
  zoomBelow(4 * 12000.0);
  EXPECT_EQ(boxed.state, ChartCell::State::Loaded);
  EXPECT_EQ(boxed.coverageFrom, ChartCell::CoverageFrom::Catalogue);
  EXPECT_EQ(coverageNote(boxed),
            "AA5BOXED.000 has no M_COVR coverage: its coverage is its catalogue's box");
  // Inside the catalogue's box, outside the data: still the harbour cell.
  EXPECT_EQ(session.cellAt(pixelOf(139.42, 35.5)), indexOf("AA5BOXED.000"));
  session.run(ViewCommand::FullView);
  session.loadWanted(quiet);
  EXPECT_EQ(session.cell(indexOf("AA3QUILT.000")).coverageFrom, ChartCell::CoverageFrom::Mcovr);
}

// A catalogue that names a missing file and a cell that fails its checks
// each leave a cell that does not open, with its reason, and the coastal
// cell draws where they would have.
TEST_F(ChartSetTest, CellsThatDoNotOpenLoseNothingForTheOthers) {
  folder.write(setCell("AA3QUILT.000", 180000, 3, kCoastal, "0", "2", "2"), "AA3QUILT.000");
  cw::Cell dangling = setCell("AA5FAILS.000", 12000, 5, kHarbour, "10", "20", "20");
  dangling.features.front().spatialPointers.front().rcid = 999;
  folder.write(dangling, "AA5FAILS.000");
  std::vector<cw::CatalogueEntry> entries{
      {.file = "AA3QUILT.000", .limits = cw::Limits{35.0, 139.0, 36.0, 140.0}},
      {.file = "AA5GONE0.000", .limits = cw::Limits{35.45, 139.45, 35.55, 139.55}},
      {.file = "AA5FAILS.000", .limits = cw::Limits{35.45, 139.45, 35.55, 139.55}}};
  folder.writeBytes(cw::encodeCatalogue(entries), "CATALOG.031");
  ASSERT_TRUE(openSet().opened);
  ASSERT_EQ(session.cellCount(), 3u);
  session.centreOn({139.5, 35.5});
  zoomBelow(4 * 12000.0);
  const ChartCell& gone = session.cell(indexOf("AA5GONE0.000"));
  const ChartCell& fails = session.cell(indexOf("AA5FAILS.000"));
  EXPECT_EQ(gone.state, ChartCell::State::Failed);
  EXPECT_EQ(failureReason(gone.result), "cannot be opened");
  EXPECT_EQ(fails.state, ChartCell::State::Failed);
  EXPECT_EQ(failureReason(fails.result).rfind("failed its checks: status ", 0), 0u);
  EXPECT_EQ(drawn(), std::vector<std::string>{"AA3QUILT.000"});
  EXPECT_EQ(areaDepthAt(139.5, 35.5), 0.0);
}

TEST_F(ChartSetTest, FolderWithoutCellsDoesNotOpen) {
  const SetOpenResult opened = session.openSet(folder.path());
  EXPECT_FALSE(opened.opened);
  EXPECT_FALSE(session.isOpen());
  ASSERT_EQ(opened.problems.size(), 1u);
  EXPECT_EQ(opened.problems.front(), "no cell (*.000) in folder " + folder.path());
}

// Zoom in stops by the extent of the cell drawn at the centre: over the
// harbour cell it goes on where over the coastal cell alone it stops.
TEST_F(ChartSetTest, ZoomLimitFollowsTheCellDrawn) {
  writeSet();
  ASSERT_TRUE(openSet().opened);
  const auto zoomsAt = [&](GeoPoint at) {
    session.run(ViewCommand::FullView);
    session.centreOn(at);
    int zooms = 0;
    while (session.isEnabled(ViewCommand::ZoomIn) && zooms < 60) {
      session.run(ViewCommand::ZoomIn);
      session.loadWanted(quiet);
      ++zooms;
    }
    return zooms;
  };
  const int coastal = zoomsAt({139.2, 35.2});
  const int harbour = zoomsAt({139.5, 35.5});
  EXPECT_EQ(harbour - coastal, 3);  // a tenth of the extent: three doublings more
}

// A cell built on another thread is taken in whole; one built for a chart
// since closed is not the chart's (its generation has moved on).
TEST_F(ChartSetTest, CellsBuiltElsewhereAreAdopted) {
  writeSet();
  ASSERT_TRUE(openSet().opened);
  const std::vector<size_t> wanted = session.wantedCells();
  ASSERT_EQ(wanted.size(), 1u);
  const ChartSession::BuildRequest request = session.startBuild(wanted.front());
  EXPECT_EQ(session.cell(wanted.front()).state, ChartCell::State::Loading);
  EXPECT_TRUE(session.wantedCells().empty());
  BuiltCell built;
  std::thread worker([&] {
    DiscardingReporter reporter;
    built = buildCellChart(request.input, request.options, request.settings, reporter);
  });
  worker.join();
  ASSERT_TRUE(built.chart);
  const uint64_t generation = session.generation();
  session.adopt(request.cell, std::move(built));
  EXPECT_EQ(session.cell(request.cell).state, ChartCell::State::Loaded);
  EXPECT_EQ(session.quilt().size(), 1u);
  session.close();
  EXPECT_NE(session.generation(), generation);
}

// One cell is a set of one: drawn whole, unmasked, as it always was.
TEST_F(ChartSetTest, SingleCellIsASetOfOne) {
  const std::string path = folder.write(test::bayCell(), "BAY.000");
  session.setWindow(600, 400);
  ASSERT_TRUE(session.open(path.c_str(), quiet).opened());
  EXPECT_FALSE(session.isSet());
  const std::vector<QuiltPiece> pieces = session.quilt();
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_FALSE(pieces.front().masked);
  EXPECT_EQ(&pieces.front().chart->display(), &session.display());
}

}  // namespace
}  // namespace abys
