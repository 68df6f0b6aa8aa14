// abys-render as a user runs it, on cells whose pixels are known from the
// view transform.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QColor>
#include <QImage>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "cell_writer.h"
#include "chart_session.h"
#include "support/chart_cells.h"
#include "support/load.h"
#include "support/programs.h"
#include "view_transform.h"

namespace abys {
namespace {

using test::ProgramRun;

ProgramRun render(const std::string& arguments) {
  return test::runProgram("abys-render", arguments);
}

// Two horizontal depth lines: VALDCO 0 at latitude 35.0 and 20 at 35.02,
// both from 139.0 to 139.1 east.
cellwriter::Cell twoLinesCell() {
  cellwriter::Cell cell;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.0, 35.0}));
  cell.vectors.push_back(cellwriter::connectedNode(2, {139.1, 35.0}));
  cell.vectors.push_back(cellwriter::connectedNode(3, {139.0, 35.02}));
  cell.vectors.push_back(cellwriter::connectedNode(4, {139.1, 35.02}));
  cell.vectors.push_back(cellwriter::edge(5, 1, 2, {{139.05, 35.0}}));
  cell.vectors.push_back(cellwriter::edge(6, 3, 4, {{139.05, 35.02}}));
  cell.features.push_back(
      {.rcid = 1, .objl = 30011, .attributes = {{174, "0"}}, .spatialPointers = {{.rcid = 5}}});
  cell.features.push_back(
      {.rcid = 2, .objl = 30011, .attributes = {{174, "20"}}, .spatialPointers = {{.rcid = 6}}});
  return cell;
}

std::string twoLines() {
  return cellwriter::encodeCell(twoLinesCell());
}

// The view the viewer sets up for that chart in a window of w x h.
ViewState fitted(int w, int h) {
  ViewState view;
  const Bounds geo{139.0, 35.0, 139.1, 35.02};
  setProjection(view, geo);
  fitView(view, projectBounds(view, geo), {0, 0, w, h});
  return view;
}

PixelPoint pixelOf(const ViewState& view, double lon, double lat) {
  return metresToPixel(view, degreesToMetres(view, lon, lat));
}

QRgb colourAt(const QImage& image, PixelPoint p) {
  return image.pixel(p.column, p.row);
}
QRgb hue(int h) {
  return QColor::fromHsv(h, 255, 255).rgb();
}

std::string positionLine(const ViewState& view, int column, int row) {
  const GeoPoint p = metresToDegrees(view, pixelToMetres(view, column, row));
  return formatMessage("LAT: %.7f LON: %.7f\n", p.lat, p.lon);
}

TEST(AbysRender, DrawsWhatTheViewerShowsAfterViewCommands) {
  test::TempFile cell(twoLines());
  const std::string png = cell.path() + ".png";
  ProgramRun r = render(cell.path() + " -o " + png + " --size 300x200");
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, "");
  QImage image(QString::fromStdString(png));
  ASSERT_EQ(image.size(), QSize(300, 200));
  ViewState view = fitted(300, 200);
  EXPECT_EQ(colourAt(image, pixelOf(view, 139.05, 35.0)), hue(240));
  EXPECT_EQ(colourAt(image, pixelOf(view, 139.05, 35.02)), hue(0));
  EXPECT_EQ(image.pixel(2, 2), QColor(Qt::white).rgb());

  // Zoom in, then Left until the third finds its item disabled.
  r = render(cell.path() + " -o " + png +
             " --size 300x200 --view in --view left --view left --view left");
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_NE(r.err.find("skipped --view left"), std::string::npos);
  image.load(QString::fromStdString(png));
  zoomViewIn(view);
  ASSERT_TRUE(panLeft(view));
  ASSERT_FALSE(panLeft(view));
  const PixelPoint red = pixelOf(view, 139.09, 35.02);
  ASSERT_GE(red.column, 0);
  EXPECT_EQ(colourAt(image, red), hue(0));
  EXPECT_EQ(colourAt(image, pixelOf(view, 139.09, 35.01)), QColor(Qt::white).rgb());
}

TEST(AbysRender, PicksPrintTheReadouts) {
  test::TempFile cell(twoLines());
  const ViewState view = fitted(600, 400);
  // Three pixels below the deep line: within reach of it alone.
  const PixelPoint deep = pixelOf(view, 139.05, 35.02);
  const ProgramRun r =
      render(cell.path() + " -o " + cell.path() + ".png --pick " + std::to_string(deep.column) +
             "," + std::to_string(deep.row + 3) + " --pick 300,200");
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, positionLine(view, deep.column, deep.row + 3) + "VALDCO: 20.0\n" +
                       positionLine(view, 300, 200) + "\n");
}

// A generated cell of standard classes: every band, land, coastline,
// contours and soundings where the generator put them, and the read-outs
// there. Positions in degrees from the generator's layout of this seed.
// Lines are drawn simplified to a pixel, so a line's probe may find its
// colour one pixel off.
TEST(AbysRender, StandardCellShowsEveryLayerWhereTheGeneratorPutIt) {
  test::TempFile cell("");
  ASSERT_EQ(test::runProgram("abys-mkcell",
                             "--standard --grid 100 --levels 5 --interval 10 " + cell.path())
                .exitStatus,
            0);
  ChartSession session;
  session.setWindow(1200, 900);
  DiscardingReporter quiet;
  ASSERT_TRUE(session.open(cell.path().c_str(), quiet).opened());
  const struct {
    double lon, lat;
    QRgb colour;  // 0: not probed
    const char* readout;
    bool line = false;
  } probes[] = {
      {139.75625, 35.42038, QColor(97, 183, 255).rgb(), "DRVAL: 0.0 - 10.0"},
      {139.88750, 35.50189, QColor(167, 218, 252).rgb(), "DRVAL: 10.0 - 20.0"},
      {139.83750, 35.53246, QColor(167, 218, 252).rgb(), "DRVAL: 20.0 - 30.0"},
      {139.72813, 35.53755, QColor(201, 237, 252).rgb(), "DRVAL: 30.0 - 40.0"},
      {139.88438, 35.42802, QColor(201, 185, 122).rgb(), ""},                      // land
      {139.83772, 35.45969, QColor(82, 90, 92).rgb(), "DRVAL: 0.0 - 10.0", true},  // coastline
      {139.82121, 35.50282, hue(180), "VALDCO: 20.0", true},  // 240 - 10 * 240 / 40
      {139.93233, 35.55026, 0, "SOUNDG: 23.5"},
  };
  std::string picks, expected;
  for (const auto& probe : probes) {
    const PixelPoint at = pixelOf(session.view(), probe.lon, probe.lat);
    picks += " --pick " + std::to_string(at.column) + "," + std::to_string(at.row);
    expected += positionLine(session.view(), at.column, at.row) + probe.readout + "\n";
  }
  const std::string png = cell.path() + ".png";
  const ProgramRun r = render(cell.path() + " -o " + png + " --size 1200x900" + picks);
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, expected);
  const QImage image(QString::fromStdString(png));
  for (const auto& probe : probes) {
    if (probe.colour == 0) continue;
    const PixelPoint at = pixelOf(session.view(), probe.lon, probe.lat);
    bool found = colourAt(image, at) == probe.colour;
    for (int dx = -1; probe.line && !found && dx <= 1; ++dx) {
      for (int dy = -1; !found && dy <= 1; ++dy)
        found = colourAt(image, {at.column + dx, at.row + dy}) == probe.colour;
    }
    EXPECT_TRUE(found) << probe.lon << " " << probe.lat;
  }
}

// --list: a line per feature after the image, with what it draws and
// whether it is drawn under the options given.
TEST(AbysRender, ListSaysWhatEachFeatureDrawsAndWhy) {
  test::TempFile cell("");
  ASSERT_EQ(test::runProgram("abys-mkcell",
                             "--standard --grid 100 --levels 5 --interval 10 " + cell.path())
                .exitStatus,
            0);
  const std::string png = cell.path() + ".png";
  const ProgramRun r = render(cell.path() + " -o " + png + " --list --display base");
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  std::map<std::string, int> kinds;  // class, category, priority, status
  size_t lines = 0;
  for (size_t at = 0; at < r.out.size(); ++lines) {
    const size_t end = r.out.find('\n', at);
    std::istringstream line(r.out.substr(at, end - at));
    std::string name, acronym, category, priority, instructions, why;
    line >> name >> acronym >> category >> priority >> instructions;
    std::getline(line >> std::ws, why);
    EXPECT_EQ(name.substr(0, 2), "FE");
    ++kinds[acronym + " " + category + " " + priority + " " + why];
    if (acronym == "DEPARE") {
      EXPECT_EQ(instructions.substr(0, 3), "AC(");
    }
    at = end + 1;
  }
  ChartSession session;
  DiscardingReporter quiet;
  EXPECT_EQ(lines, static_cast<size_t>(session.open(cell.path().c_str(), quiet).counts.features));
  EXPECT_EQ(kinds["SOUNDG other 6 category other"], 6);
  EXPECT_EQ(kinds["DEPARE base 1 drawn"], 12);
  EXPECT_EQ(kinds["LNDARE base 1 drawn"], 3);
  EXPECT_EQ(kinds["M_COVR - - meta class"], 1);
}

// CELL.000 with a CELL.001 beside it that deletes the deep line: drawn
// without it, unless --no-updates; an update of edition 0 cancels the cell.
TEST(AbysRender, UpdateFilesBesideTheCellAreApplied) {
  test::TempFolder folder;
  const std::string cell = folder.writeBytes(twoLines(), "CELL.000");
  cellwriter::Cell update = cellwriter::updateCell(1);
  update.features.push_back({.rcid = 2, .rver = 2, .ruin = 2, .withFoid = false});
  folder.writeBytes(cellwriter::encodeCell(update), "CELL.001");
  const std::string png = folder.path() + "/out.png";
  const PixelPoint deep = pixelOf(fitted(300, 200), 139.05, 35.02);
  for (const bool applied : {true, false}) {
    SCOPED_TRACE(applied);
    const ProgramRun r =
        render(cell + " -o " + png + " --size 300x200" + (applied ? "" : " --no-updates"));
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(colourAt(image, deep), applied ? QColor(Qt::white).rgb() : hue(0));
  }
  update.dsid.edtn = std::to_string(0);
  update.dsid.updn = std::to_string(2);
  update.features.clear();
  folder.writeBytes(cellwriter::encodeCell(update), "CELL.002");
  std::filesystem::remove(png);
  const ProgramRun r = render(cell + " -o " + png);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("is cancelled by one of its update files"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(png));
}

// How many pixels of box are within 30 of colour in each channel.
int nearCount(const QImage& image, const QRect& box, const QColor& colour) {
  int count = 0;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      count += std::abs(qRed(p) - colour.red()) <= 30 &&
               std::abs(qGreen(p) - colour.green()) <= 30 &&
               std::abs(qBlue(p) - colour.blue()) <= 30;
    }
  }
  return count;
}

// CELL.000: a land area (1) and a coast line (3) in the west, another land
// area (2) and a depth line (4) in the east, piles (5, 6) between them.
// CELL.001 renames land area 1, moves the first node of the coast line,
// inserts pile 7, deletes pile 6, and modifies pile 5 with a version that
// does not follow, which is refused. --highlight-updates marks land area
// 1's boundary and pile 7 in CHCOR (Day: 235,125,54) and the coast line
// with a band that lets it show through; nothing else on the chart is
// near that colour, and without the option nothing at all.
TEST(AbysRender, HighlightUpdatesMarksWhatTheUpdatesChanged) {
  cellwriter::Cell base, update = cellwriter::updateCell(1), inserted;
  const auto square = [](double west) {
    return std::vector<cellwriter::Point2>{
        {west, 35.40}, {west + 0.06, 35.40}, {west + 0.06, 35.44}, {west, 35.44}, {west, 35.40}};
  };
  test::addArea(base, 1, 71, square(139.70));
  test::addArea(base, 2, 71, square(139.84));
  test::addLine(base, 3, {{139.70, 35.50}, {139.76, 35.52}, {139.80, 35.50}}, {}, 30);
  test::addLine(base, 4, {{139.84, 35.50}, {139.90, 35.52}}, {"10"});
  test::addName(base, 5, 90, {139.73, 35.47}, std::nullopt);
  test::addName(base, 6, 90, {139.87, 35.47}, std::nullopt);
  test::addName(inserted, 7, 90, {139.80, 35.45}, std::nullopt);
  update.vectors = {inserted.vectors[0],
                    {.rcnm = 120,
                     .rcid = 31,
                     .rver = 2,
                     .ruin = 3,
                     .coordinates = {{139.70, 35.49}},
                     .sgcc = cellwriter::UpdateControl{3, 1, 1}}};
  update.features = {{.rcid = 1, .rver = 2, .ruin = 3, .attributes = {{116, "Island"}}},
                     {.rcid = 5, .rver = 3, .ruin = 3, .attributes = {{116, "Refused"}}},
                     {.rcid = 6, .rver = 2, .ruin = 2, .withFoid = false},
                     inserted.features[0]};
  test::TempFolder folder;
  const std::string cell = folder.writeBytes(cellwriter::encodeCell(base), "CELL.000");
  folder.writeBytes(cellwriter::encodeCell(update), "CELL.001");
  ChartSession session;
  session.setWindow(600, 400);
  DiscardingReporter quiet;
  ASSERT_TRUE(session.open(cell.c_str(), quiet).opened());
  const auto at = [&](double lon, double lat) {
    const PixelPoint p = pixelOf(session.view(), lon, lat);
    return QPoint(p.column, p.row);
  };
  const QColor chcor(235, 125, 54);
  // Where CHCOR may be: about pile 7 and along land area 1's boundary.
  const QRect pile(at(139.80, 35.45) - QPoint(12, 12), QSize(25, 25));
  const QRect land(at(139.70, 35.44), at(139.76, 35.40));
  const std::string png = folder.path() + "/out.png";
  for (const bool highlight : {true, false}) {
    SCOPED_TRACE(highlight);
    const ProgramRun r = render(cell + " -o " + png + (highlight ? " --highlight-updates" : ""));
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.err, highlight ? "abys-render: 1 update files applied: 1 features inserted, 2 "
                                 "modified, 1 deleted; 3 marked in the picture\n"
                                 "abys-render: deleted by CELL.001: PILPNT FE0000000006 FOID GB "
                                 "0000000006 00001\n"
                               : "");
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(600, 400));
    const int onLand = nearCount(image, land.adjusted(-4, -4, 4, 4), chcor) -
                       nearCount(image, land.adjusted(4, 4, -4, -4), chcor);
    EXPECT_EQ(nearCount(image, image.rect(), chcor),
              highlight ? nearCount(image, pile, chcor) + onLand : 0);
    // A ring 4 mm across about the pile (not on it), the middle of the
    // land's west side, a band beside the coast line's middle vertex.
    const QPoint pile7 = at(139.80, 35.45);
    const QColor band((235 * 150 + 255 * 105) / 255, (125 * 150 + 255 * 105) / 255,
                      (54 * 150 + 255 * 105) / 255);
    EXPECT_EQ(nearCount(image, QRect(pile7 + QPoint(6, -1), QSize(4, 3)), chcor) > 0, highlight);
    EXPECT_EQ(nearCount(image, QRect(pile7 - QPoint(2, 2), QSize(5, 5)), chcor), 0);
    EXPECT_EQ(nearCount(image, QRect(at(139.70, 35.42) - QPoint(1, 1), QSize(3, 3)), chcor) > 0,
              highlight);
    EXPECT_EQ(nearCount(image, QRect(at(139.76, 35.52) - QPoint(1, 3), QSize(3, 2)), band) > 0,
              highlight);
  }
}

// US5WA22M with its four update files, when the real cells are there: each
// feature named deleted is in the base cell's --list under its class and
// not in the updated one's; the marks are in CHCOR, and without
// --highlight-updates nothing is.
TEST(AbysRender, RealCellUpdatesAreMarkedAndTheirDeletionsNamed) {
  std::string cell;
  for (const std::filesystem::path& path : test::realCells()) {
    if (path.filename() == "US5WA22M.000") cell = path.string();
  }
  if (cell.empty()) GTEST_SKIP() << "no US5WA22M.000 among the real cells";
  test::TempFolder folder;
  const std::string png = folder.path() + "/out.png";
  const ProgramRun base = render("'" + cell + "' -o " + png + " --no-updates --list");
  const ProgramRun plain = render("'" + cell + "' -o " + png + " --size 1200x900");
  ASSERT_EQ(plain.exitStatus, 0) << plain.err;
  EXPECT_EQ(
      nearCount(QImage(QString::fromStdString(png)), QRect(0, 0, 1200, 900), QColor(235, 125, 54)),
      0);
  const ProgramRun marked =
      render("'" + cell + "' -o " + png + " --size 1200x900 --highlight-updates --list");
  ASSERT_EQ(marked.exitStatus, 0) << marked.err;
  EXPECT_GT(
      nearCount(QImage(QString::fromStdString(png)), QRect(0, 0, 1200, 900), QColor(235, 125, 54)),
      0);
  EXPECT_EQ(marked.err.rfind("abys-render: 4 update files applied: ", 0), 0u) << marked.err;
  std::istringstream lines(marked.err);
  int deleted = 0;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string prefix, by, file, acronym, name;
    words >> prefix >> by >> by >> file >> acronym >> name;
    if (by != "by") continue;
    SCOPED_TRACE(line);
    ++deleted;
    EXPECT_NE(base.out.find("\n" + name + " " + acronym + " "), std::string::npos);
    EXPECT_EQ(marked.out.find("\n" + name + " "), std::string::npos);
  }
  EXPECT_GT(deleted, 0);
}

// The deep line's record with its FSPT before its ATTF: the load stops at
// the ATTF unless told to read on, leaving a line without VALDCO (black);
// read on, the line has its depth (red).
TEST(AbysRender, LenientDrawsWhatFollowsAFieldOutOfOrder) {
  const cellwriter::Cell cell = twoLinesCell();
  std::vector<cellwriter::Record> records = cellwriter::cellRecords(cell);
  std::vector<cellwriter::Field>& deep = records.back().fields;
  ASSERT_EQ(deep[4].tag, "FSPT");
  std::swap(deep[3], deep[4]);
  test::TempFile order(cellwriter::encodeFile(records, cellwriter::cellEncodeOptions(cell)));
  const std::string png = order.path() + ".png";
  const PixelPoint at = pixelOf(fitted(300, 200), 139.05, 35.02);
  for (const bool lenient : {false, true}) {
    SCOPED_TRACE(lenient);
    const ProgramRun r =
        render(order.path() + " -o " + png + " --size 300x200" + (lenient ? " --lenient" : ""));
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.err.find("read on past fields out of order in 1 records") != std::string::npos,
              lenient)
        << r.err;
    EXPECT_EQ(colourAt(QImage(QString::fromStdString(png)), at),
              lenient ? hue(0) : QColor(Qt::black).rgb());
  }
}

TEST(AbysRender, FailuresWriteNoImage) {
  test::TempFile cell(twoLines());
  const std::string png = cell.path() + ".png";
  ProgramRun r = render("/nonexistent/CELL.000 -o " + png);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("cannot open /nonexistent/CELL.000"), std::string::npos);

  cellwriter::Cell twice;
  twice.vectors.push_back(cellwriter::isolatedNode(1, {139.5, 35.25}));
  twice.vectors.push_back(cellwriter::isolatedNode(1, {139.6, 35.25}));
  test::TempFile failing(cellwriter::encodeCell(twice));
  r = render(failing.path() + " -o " + png);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("status 306"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(png));

  // Bytes that hold no record at all are no chart, not even an empty one.
  test::TempFile noise(std::string(64, 'x'));
  r = render(noise.path() + " -o " + png);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("holds no chart"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(png));

  EXPECT_EQ(render(cell.path()).exitStatus, 2);
  EXPECT_EQ(render(cell.path() + " -o x.png --view sideways").exitStatus, 2);
  EXPECT_EQ(render(cell.path() + " -o x.png --size 0x10").exitStatus, 2);
  EXPECT_EQ(render(cell.path() + " -o x.png --pick 3").exitStatus, 2);
}

// A folder is drawn as one chart: zoomed out the coastal cell's depth band
// covers the harbour, zoomed in the harbour cell's band replaces it there
// and the coastal band stays round it; far beyond the harbour cell's scale
// its part carries the overscale lines. The picks read the cell drawn.
TEST(AbysRender, FolderIsDrawnFromTheBestScaleAtEachPlace) {
  test::CellFolder folder;
  folder.write(test::setCell("AA3QUILT.000", 180000, 3, {139.0, 35.0, 140.0, 36.0}, "0", "2", "2"),
               "AA3QUILT.000");
  folder.write(
      test::setCell("AA5QUILT.000", 12000, 5, {139.495, 35.495, 139.505, 35.505}, "10", "20", "20"),
      "AA5QUILT.000");
  const std::string png = folder.path() + "/out.png";
  const auto picture = [&](int zooms, std::string* out = nullptr) {
    std::string views;
    for (int i = 0; i < zooms; ++i)
      views += " --view in";
    const ProgramRun r =
        render(folder.path() + " -o " + png + " --size 400x400 --pick 200,200" + views);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    if (out != nullptr) *out = r.out;
    return QImage(QString::fromStdString(png));
  };
  // Full view: about 1:1,000,000; every doubling halves it.
  std::string out;
  const QImage whole = picture(0, &out);
  const QRgb coastal = whole.pixel(200, 200);
  EXPECT_NE(out.find("DRVAL: 0.0 - 2.0"), std::string::npos) << out;
  EXPECT_EQ(whole.pixel(150, 150), coastal);
  const QImage near = picture(6, &out);  // about 1:16,000
  const QRgb harbour = near.pixel(200, 200);
  EXPECT_NE(harbour, coastal);
  EXPECT_NE(out.find("DRVAL: 10.0 - 20.0"), std::string::npos) << out;
  EXPECT_EQ(near.pixel(5, 200), coastal);  // the harbour is about 210 pixels wide
  // About 1:4,000: vertical lines over the harbour cell, the band between.
  const QImage over = picture(8);
  const auto changes = [](const QImage& image) {
    int count = 0;
    for (int x = 121; x < 280; ++x)
      count += image.pixel(x, 200) != image.pixel(x - 1, 200);
    return count;
  };
  EXPECT_EQ(changes(near), 0);
  EXPECT_GE(changes(over), 12);
}

// A folder without cells, or whose cells all fail, draws nothing.
TEST(AbysRender, FolderWithoutAChartFails) {
  test::CellFolder folder;
  const std::string png = folder.path() + "/out.png";
  ProgramRun r = render(folder.path() + " -o " + png);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("no cell (*.000) in folder"), std::string::npos) << r.err;
  folder.writeBytes(std::string(64, 'x'), "NOISE.000");
  r = render(folder.path() + " -o " + png);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("NOISE.000 holds no chart"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace abys
