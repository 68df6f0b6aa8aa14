// The chart session: what an open ends in for every kind of file, the
// display state it builds, the View commands with their enabled states, and
// the depth pick.
#include "chart_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "catalogue_codes.h"
#include "chart_geometry.h"
#include "field_types.h"
#include "load_driver.h"
#include "support/chart_cells.h"
#include "support/stream.h"

namespace abys::test {
namespace {

constexpr ViewCommand kSteps[] = {ViewCommand::ZoomIn, ViewCommand::ZoomOut, ViewCommand::Left,
                                  ViewCommand::Right,  ViewCommand::Up,      ViewCommand::Down};

ViewCommand opposite(ViewCommand c) {
  switch (c) {
    case ViewCommand::ZoomIn:
      return ViewCommand::ZoomOut;
    case ViewCommand::ZoomOut:
      return ViewCommand::ZoomIn;
    case ViewCommand::Left:
      return ViewCommand::Right;
    case ViewCommand::Right:
      return ViewCommand::Left;
    case ViewCommand::Up:
      return ViewCommand::Down;
    default:
      return ViewCommand::Up;
  }
}

// Which items are enabled, in menu order.
std::string menuState(const ChartSession& session) {
  std::string state;
  for (int c = 0; c < kViewCommandCount; ++c)
    state += session.isEnabled(static_cast<ViewCommand>(c)) ? '1' : '0';
  return state;
}

class ChartSessionTest : public testing::Test {
 protected:
  ChartSessionTest() { session.setWindow(600, 400); }
  OpenResult open(const std::string& path) { return session.open(path.c_str(), quiet); }

  CellFolder folder;
  DiscardingReporter quiet;
  ChartSession session;
};

TEST_F(ChartSessionTest, OutcomeOfEveryKindOfFile) {
  cw::Cell dangling = bayCell();
  dangling.features.front().spatialPointers.front().rcid = 999;
  // A record with an unknown tag after the whole cell stops the load; what
  // came before passes the checks and is shown.
  std::vector<cw::Record> records = cw::cellRecords(bayCell());
  records.push_back({{cw::recordIdField(static_cast<uint16_t>(records.size() + 1)),
                      {.tag = "XXXX", .data = "junk"}}});
  // A valid cell holding nothing but its identification is an empty chart.
  cw::Cell onlyIdentification;
  std::mt19937 random(8);
  std::string noise(5000, '\0');
  for (char& byte : noise)
    byte = static_cast<char>(random());
  noise[0] = 'x';  // not a record length
  const std::string bay = cw::encodeCell(bayCell());

  const struct {
    const char* what;
    std::string path;
    OpenOutcome outcome;
    int loadStatus;
    int checkStatus;
  } cases[] = {
      {"good cell", folder.write(bayCell(), "BAY.000"), OpenOutcome::Opened, 0, 0},
      {"checks fail", folder.write(dangling, "DANGLING.000"), OpenOutcome::ChecksFailed, 0, 310},
      {"load stops early", folder.writeBytes(cw::encodeFile(records), "STOPPED.000"),
       OpenOutcome::Opened, 6, 0},
      {"identification only", folder.write(onlyIdentification, "IDENT.000"), OpenOutcome::Opened, 0,
       0},
      {"missing file", folder.path() + "/MISSING.000", OpenOutcome::CannotOpen, kCannotOpen, 0},
      {"directory", folder.path(), OpenOutcome::CannotOpen, kCannotOpen, 0},
      {"0-byte file", folder.writeBytes("", "EMPTY.000"), OpenOutcome::NothingLoaded, 0, 0},
      {"random bytes", folder.writeBytes(noise, "NOISE.000"), OpenOutcome::NothingLoaded, 8, 0},
      {"cut header", folder.writeBytes(bay.substr(0, 100), "CUT.000"), OpenOutcome::NothingLoaded,
       8, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const OpenResult result = open(c.path);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.loadStatus, c.loadStatus);
    EXPECT_EQ(result.checkStatus, c.checkStatus);
    EXPECT_EQ(result.checked, c.loadStatus != kCannotOpen);
    EXPECT_EQ(session.isOpen(), result.opened());
    EXPECT_EQ(menuState(session), result.opened() ? "1111111" : "0000000");
    EXPECT_EQ(session.positionAt({10, 10}).has_value(), result.opened());
    if (result.opened()) {
      EXPECT_GT(session.view().pixelsPerMetre, 0);
    }
    // Whatever happened, the next good cell opens.
    EXPECT_TRUE(open(folder.write(bayCell(), "AGAIN.000")).opened());
    session.close();
    EXPECT_EQ(menuState(session), "0000000");
  }
}

// Every finding handed to it.
struct CollectingReporter : FindingReporter {
  void announce(const char*) override {}
  void report(const Finding& finding) override { found.push_back(finding); }
  std::vector<Finding> found;
};

// A field out of order ends the load at its record unless the session reads
// on past it: then every record is there and the update file beside the
// cell applies, the record is named by a finding of code 7 with its
// position, and the load status stays 7.
TEST_F(ChartSessionTest, ReadingOnPastFieldsOutOfOrder) {
  const std::string path = folder.writeBytes(outOfOrderBayCell(), "ORDER.000");
  cw::Cell update = cw::updateCell(1);
  update.vectors.push_back(cw::isolatedNode(900, {139.8, 35.4}));
  update.features.push_back(
      {.rcid = 900, .prim = 1, .objl = 30012, .spatialPointers = {{.rcnm = 110, .rcid = 900}}});
  folder.write(update, "ORDER.001");
  const cw::Cell whole = bayCell();
  auto orderFindings = [](const CollectingReporter& r) {
    return std::count_if(r.found.begin(), r.found.end(),
                         [](const Finding& f) { return f.code == kFieldOutOfOrder; });
  };

  CollectingReporter strict;
  testing::internal::CaptureStderr();
  const OpenResult stopped = session.open(path.c_str(), strict);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "P = 11, C = 6\n");
  EXPECT_EQ(stopped.loadStatus, kFieldOutOfOrder);
  EXPECT_EQ(stopped.orderErrors, 0);
  EXPECT_EQ(stopped.counts.features, 1);  // the record whose field is out of order
  EXPECT_TRUE(stopped.updatesApplied.empty());
  EXPECT_EQ(orderFindings(strict), 0);

  session.setReadPastOrderErrors(true);
  CollectingReporter lenient;
  testing::internal::CaptureStderr();
  const OpenResult read = session.open(path.c_str(), lenient);
  // Both errors of the record are said, the record is named once.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "P = 11, C = 6\nP = 6, C = 19\n");
  EXPECT_TRUE(read.opened());
  EXPECT_EQ(read.loadStatus, kFieldOutOfOrder);
  EXPECT_EQ(read.orderErrors, 1);
  EXPECT_EQ(read.counts.features, static_cast<int32_t>(whole.features.size()) + 1);
  EXPECT_EQ(read.counts.vectors, static_cast<int32_t>(whole.vectors.size()) + 1);
  EXPECT_EQ(read.updatesApplied, std::vector<std::string>{folder.path() + "/ORDER.001"});
  ASSERT_EQ(orderFindings(lenient), 1);
  const Finding& named = lenient.found.front();
  EXPECT_EQ(named.code, kFieldOutOfOrder);
  ASSERT_TRUE(named.record.has_value());
  EXPECT_EQ(recordName(*named.record), recordName(kRcnmFeature, 1));
  ASSERT_TRUE(named.position.has_value());
  EXPECT_NEAR(named.position->longitude, 139.74, 1e-7);  // the edge's first interior point
}

TEST_F(ChartSessionTest, DisplayStateFromRecords) {
  cw::Cell cell = wholeNumberCell();
  addLine(cell, 1, {{0, 0}, {10, 0}}, {"12.5m"});
  addLine(cell, 2, {{0, 10}, {10, 10}}, {"abc"}, kCoverageClass);
  addLine(cell, 3, {{0, 20}, {10, 20}}, {"-3"});
  addLine(cell, 4, {{0, 30}, {10, 30}}, {"100"}, kAreaNameClass);
  addLine(cell, 5, {{0, 40}, {10, 40}}, {"200"}, 42);
  addLine(cell, 6, {{0, 50}, {10, 50}}, {"no number"});
  cell.features.back().nationalAttributes.push_back({kValdcoCode, u"300"});
  ASSERT_TRUE(open(folder.write(cell)).opened());
  const DisplayState& display = session.display();
  // Every feature but the coverage's is portrayed, in file order.
  auto portrayed = [](const DisplayState& state) {
    std::vector<uint32_t> ids;
    for (const portrayal::FeaturePortrayal& f : state.portrayal.features())
      ids.push_back(f.feature->rcid);
    return ids;
  };
  EXPECT_EQ(portrayed(display), (std::vector<uint32_t>{1, 3, 4, 5, 6}));
  // Only the ATTF VALDCO of depth lines and contours count; a text without
  // a number is 0.
  EXPECT_EQ(display.valdcoRange.min, -3.0);
  EXPECT_EQ(display.valdcoRange.max, 12.5);
  EXPECT_EQ(depthValue(*display.portrayal.features()[4].feature), 0.0);
  EXPECT_EQ(display.portrayal.features()[4].depth, 0.0);

  // Another chart rebuilds the state from its own records.
  cw::Cell other = wholeNumberCell();
  addLine(other, 7, {{10, 10}, {20, 20}}, {"30"});
  ASSERT_TRUE(open(folder.write(other, "OTHER.000")).opened());
  EXPECT_EQ(portrayed(session.display()), std::vector<uint32_t>{7});
  EXPECT_EQ(session.display().valdcoRange.min, 30.0);
}

TEST_F(ChartSessionTest, EachStepStopsAtItsLimitAndTheOppositeOffersItAgain) {
  const std::string bay = folder.write(bayCell(), "BAY.000");
  for (const ViewCommand command : kSteps) {
    SCOPED_TRACE(static_cast<int>(command));
    ASSERT_TRUE(open(bay).opened());
    // Zoomed in first, so that the pans take more than one step.
    if (command != ViewCommand::ZoomIn && command != ViewCommand::ZoomOut) {
      session.run(ViewCommand::ZoomIn);
      session.run(ViewCommand::ZoomIn);
    }
    int steps = 0;
    ViewState before;
    while (session.isEnabled(command) && steps < 64) {
      before = session.view();
      const bool staysEnabled = session.run(command);
      EXPECT_EQ(staysEnabled, session.isEnabled(command));
      ++steps;
      EXPECT_TRUE(session.isEnabled(opposite(command)));
    }
    EXPECT_FALSE(session.isEnabled(command));
    EXPECT_GT(steps, 1) << "the first step already reached the limit";
    // The step that reached the limit still moved: a pan ends on the edge.
    const ViewState& after = session.view();
    EXPECT_TRUE(after.centreX != before.centreX || after.centreY != before.centreY ||
                after.pixelsPerMetre != before.pixelsPerMetre);
    const Bounds& data = after.dataBounds;
    const std::pair<ViewCommand, double> edges[] = {{ViewCommand::Left, data.maxX},
                                                    {ViewCommand::Right, data.minX},
                                                    {ViewCommand::Up, data.minY},
                                                    {ViewCommand::Down, data.maxY}};
    for (const auto& [pan, edge] : edges) {
      const bool horizontal = pan == ViewCommand::Left || pan == ViewCommand::Right;
      if (pan == command) {
        EXPECT_EQ(horizontal ? after.centreX : after.centreY, edge);
      }
    }
    session.run(opposite(command));
    EXPECT_TRUE(session.isEnabled(command));
  }
}

TEST_F(ChartSessionTest, FullViewRestoresTheOpenedViewAndEveryItem) {
  ASSERT_TRUE(open(folder.write(bayCell())).opened());
  const ViewState opened = session.view();
  session.run(ViewCommand::ZoomIn);
  for (int i = 0; i < 8; ++i)
    session.run(ViewCommand::Left);
  session.run(ViewCommand::Up);
  session.run(ViewCommand::ZoomOut);
  EXPECT_FALSE(session.isEnabled(ViewCommand::Left));
  EXPECT_TRUE(session.run(ViewCommand::FullView));
  EXPECT_EQ(session.view().centreX, opened.centreX);
  EXPECT_EQ(session.view().centreY, opened.centreY);
  EXPECT_EQ(session.view().pixelsPerMetre, opened.pixelsPerMetre);
  EXPECT_EQ(menuState(session), "1111111");

  // A resize keeps centre and scale; the next Full view fits the new size.
  session.setWindow(801, 601);
  EXPECT_EQ(session.view().halfWidth, 400);
  EXPECT_EQ(session.view().pixelsPerMetre, opened.pixelsPerMetre);
  session.run(ViewCommand::FullView);
  EXPECT_NE(session.view().pixelsPerMetre, opened.pixelsPerMetre);

  // Without a chart nothing moves and nothing reads out.
  session.close();
  for (int c = 0; c < kViewCommandCount; ++c)
    EXPECT_FALSE(session.run(static_cast<ViewCommand>(c)));
  EXPECT_FALSE(session.positionAt({300, 200}));
  EXPECT_FALSE(session.depthAt({300, 200}));
}

// The drawn geometry at the view's scale: the same features, boxes and
// part ends as the full geometry, every vertex in order of the original,
// and no original vertex farther than a pixel from what is kept.
TEST_F(ChartSessionTest, DrawnGeometryIsSimplifiedWithinAPixel) {
  cw::Cell cell;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jitter(-2e-5, 2e-5);
  std::vector<cw::Point2> wiggle, ring;
  for (int i = 0; i <= 4000; ++i) {
    const double t = i / 4000.0;
    wiggle.push_back({139.7 + 0.1 * t + jitter(random), 35.3 + 0.02 * std::sin(40 * t)});
    const double angle = 2 * 3.14159265358979 * t;
    ring.push_back({139.75 + 0.03 * std::cos(angle) + jitter(random),
                    35.32 + 0.03 * std::sin(angle) + jitter(random)});
  }
  ring.back() = ring.front();
  namespace cat = abys::catalogue;
  addLine(cell, 1, wiggle, {"10"}, cat::kDepcnt);
  addArea(cell, 2, cat::kDepare, ring, {{cat::kDrval1, "5"}, {cat::kDrval2, "10"}});
  ASSERT_TRUE(open(folder.write(cell)).opened());

  const DrawnGeometry full(session.display());
  for (int zooms = 0; zooms < 4; ++zooms) {
    SCOPED_TRACE(zooms);
    const ViewState& view = session.view();
    const DrawnGeometry& drawn = session.drawnGeometry();
    EXPECT_LT(drawn.pointCount(), full.pointCount());
    ASSERT_EQ(drawn.featureCount(), 2u);
    for (const uint32_t index : {0u, 1u}) {
      const DrawnFeature& a = *full.feature(index);
      const DrawnFeature& b = *drawn.feature(index);
      EXPECT_EQ(a.feature, b.feature);
      EXPECT_EQ(a.box.minX, b.box.minX);
      EXPECT_EQ(a.box.maxY, b.box.maxY);
      const auto from = full.points(full.parts(a)[0]);
      const auto kept = drawn.points(drawn.parts(b)[0]);
      ASSERT_GE(kept.size(), 2u);
      auto metres = [&view](const LinePoint& p) {
        return std::pair{p.x * view.metresPerDegreeX, p.y * view.metresPerDegreeY};
      };
      // Walk the original along the kept chord that spans each vertex.
      size_t at = 0;
      for (size_t k = 0; k + 1 < kept.size(); ++k) {
        const auto [ax, ay] = metres(kept[k]);
        const auto [bx, by] = metres(kept[k + 1]);
        ASSERT_EQ(from[at].x, kept[k].x);
        for (; from[at].x != kept[k + 1].x || from[at].y != kept[k + 1].y; ++at) {
          ASSERT_LT(at, from.size());
          const auto [px, py] = metres(from[at]);
          const double dx = bx - ax, dy = by - ay;
          const double t =
              std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
          const double pixels =
              std::hypot(px - ax - t * dx, py - ay - t * dy) * view.pixelsPerMetre;
          ASSERT_LE(pixels, 1.0) << "vertex " << at;
        }
      }
      EXPECT_EQ(at, from.size() - 1);
    }
    session.run(ViewCommand::ZoomIn);
  }
}

// A contour that goes back along an edge it has passed is drawn as one part
// up to the turn and another after it, each edge once, however often the
// contour names it.
TEST_F(ChartSessionTest, DrawnLinePassesEachEdgeOnce) {
  namespace cat = abys::catalogue;
  cw::Cell cell;
  const cw::Point2 a{139.70, 35.30}, b{139.72, 35.31}, c{139.74, 35.30}, d{139.72, 35.33};
  cell.vectors = {cw::connectedNode(1, a),
                  cw::connectedNode(2, b),
                  cw::connectedNode(3, c),
                  cw::connectedNode(4, d),
                  cw::edge(11, 1, 2, {{139.71, 35.31}}),
                  cw::edge(12, 2, 3, {{139.73, 35.32}}),
                  cw::edge(13, 2, 4, {})};
  cw::Feature contour{.rcid = 1, .prim = 2, .objl = cat::kDepcnt};
  contour.attributes.push_back({cat::kValdco, "10"});
  contour.spatialPointers = {{.rcid = 11}, {.rcid = 12}};
  for (int i = 0; i < 500; ++i) {
    contour.spatialPointers.push_back({.rcid = 12, .ornt = 2});
    contour.spatialPointers.push_back({.rcid = 12});
  }
  contour.spatialPointers.push_back({.rcid = 12, .ornt = 2});
  contour.spatialPointers.push_back({.rcid = 13});
  cell.features.push_back(std::move(contour));
  ASSERT_TRUE(open(folder.write(cell)).opened());

  const DrawnGeometry drawn(session.display());
  ASSERT_NE(drawn.feature(0), nullptr);
  std::vector<std::vector<std::pair<double, double>>> parts;
  for (const DrawnPart& part : drawn.parts(*drawn.feature(0))) {
    parts.emplace_back();
    for (const LinePoint& p : drawn.points(part))
      parts.back().emplace_back(p.x, p.y);
  }
  using Points = std::vector<std::pair<double, double>>;
  EXPECT_EQ(parts, (std::vector<Points>{
                       {{a.x, a.y}, {139.71, 35.31}, {b.x, b.y}, {139.73, 35.32}, {c.x, c.y}},
                       {{b.x, b.y}, {d.x, d.y}}}));
}

// A real cell with an edge of 12,988 points in a record of 104,009 bytes,
// whose leader gives the length 0: the edge is read and drawn whole.
TEST_F(ChartSessionTest, EdgeOfARecordTooLongForItsLengthIsDrawn) {
  const std::filesystem::path cell =
      realDataDir() / "swift-iso8211/Tests/SwiftISO8211Tests/TestResources/US4CN21M.000";
  if (realDataDir().empty() || !std::filesystem::exists(cell)) GTEST_SKIP() << "no US4CN21M";
  const OpenResult result = open(cell.string());
  ASSERT_TRUE(result.opened());
  EXPECT_EQ(result.counts.features, 2310);
  EXPECT_EQ(result.counts.vectors, 3971);

  const VectorRecord* longEdge = nullptr;
  for (const VectorRecord* edge : session.display().currentDataset->edges) {
    if (edge->rcid == 700) longEdge = edge;
  }
  ASSERT_NE(longEdge, nullptr);
  EXPECT_EQ(longEdge->coordinates.count, 12988);
  const DrawnGeometry drawn(session.display());
  size_t drawnWithIt = 0;
  for (uint32_t index = 0; index < session.display().portrayal.features().size(); ++index) {
    if (const DrawnFeature* drawnFeature = drawn.feature(index)) {
      const DrawnFeature& f = *drawnFeature;
      const auto& pointers = f.feature->spatialPointers;
      if (std::none_of(pointers.begin(), pointers.end(),
                       [&](const SpatialPointerEntry* p) { return p->target == longEdge; }))
        continue;
      size_t points = 0;
      for (const DrawnPart& part : drawn.parts(f))
        points += part.count;
      EXPECT_GE(points, 12988u);
      ++drawnWithIt;
    }
  }
  EXPECT_GT(drawnWithIt, 0u);
}

TEST_F(ChartSessionTest, ReadoutsAtThePointer) {
  ASSERT_TRUE(open(folder.write(bayCell())).opened());
  // The window's centre pixel is the chart's centre.
  const std::optional<GeoPoint> centre = session.positionAt({300, 200});
  ASSERT_TRUE(centre);
  EXPECT_NEAR(centre->lon, 139.825, 1e-3);
  EXPECT_NEAR(centre->lat, 35.50, 1e-3);
  // The 20 m line's first vertex, and a pixel far from every line.
  const PixelPoint onLine =
      metresToPixel(session.view(), degreesToMetres(session.view(), 139.86, 35.41));
  EXPECT_EQ(session.depthAt(onLine)->value, 20.0);
  EXPECT_FALSE(session.depthAt({0, 0}));
}

// Lines: 3 at row 200 from column 100 through 300 to 500; 9 at row 208 from
// 100 to 500; 4 from (250, 96) to (350, 296), on 2 x - y = 404; one without
// VALDCO at row 380. A coordinate (x, y) lies at pixel (x, 400 - y).
TEST_F(ChartSessionTest, DepthPickTakesTheNearestLineWithinFivePixels) {
  cw::Cell cell = wholeNumberCell();
  addLine(cell, 1, {{100, 200}, {300, 200}, {500, 200}}, {"3"});
  addLine(cell, 2, {{100, 192}, {500, 192}}, {"9"});
  addLine(cell, 3, {{250, 304}, {350, 104}}, {"4"});
  addLine(cell, 4, {{100, 20}, {500, 20}}, {});
  ASSERT_TRUE(open(folder.write(cell)).opened());
  const ViewState view = pixelAlignedView();
  const struct {
    const char* what;
    PixelPoint pointer;
    std::optional<double> depth;
  } cases[] = {
      {"on a line", {150, 200}, 3.0},
      {"4 pixels away", {150, 196}, 3.0},
      {"exactly 5 pixels away", {150, 195}, std::nullopt},
      {"far from every line", {550, 50}, std::nullopt},
      {"nearer line wins", {150, 205}, 9.0},
      {"tie keeps the earlier line", {150, 204}, 3.0},
      {"end point beyond the segment", {503, 200}, 3.0},
      // 1 pixel from row 200 but sqrt(2) from that line's start point
      // (300, 200), which is what counts; the sloped line is 1.34 away.
      {"end point distance counts", {301, 201}, 4.0},
      {"line without VALDCO", {200, 380}, kNoValdco},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const FeatureRecord* picked = pickDepthLine(session.display(), view, c.pointer);
    EXPECT_EQ(picked ? std::optional<double>(depthValue(*picked)) : std::nullopt, c.depth);
  }
}

// A press reads a depth line or contour, else a sounding, else the depth
// area under the pointer. Two DEPAREs side by side, the second without
// DRVAL1; a DEPCNT across both; soundings in the first.
TEST_F(ChartSessionTest, PressReadsLineThenSoundingThenArea) {
  cw::Cell cell = wholeNumberCell();
  addArea(cell, 1, 42, {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}}, {{87, "5"}, {88, "10"}});
  addArea(cell, 2, 42, {{100, 0}, {200, 0}, {200, 100}, {100, 100}, {100, 0}}, {{88, "20"}});
  addLine(cell, 3, {{0, 50}, {200, 50}}, {"7"}, 43);
  addSoundings(cell, 4, {{20, 80, 3.5}, {22, 80, 4.5}});
  ASSERT_TRUE(open(folder.write(cell)).opened());
  EXPECT_EQ(session.display().valdcoRange.min, 7.0);
  auto pixel = [&](double x, double y) {
    return metresToPixel(session.view(), degreesToMetres(session.view(), x, y));
  };
  auto read = [&](double x, double y) {
    const std::optional<DepthReadout> r = session.depthAt(pixel(x, y));
    if (!r) return std::string("none");
    const auto number = [](std::optional<double> v) { return v ? formatMessage("%g", *v) : "-"; };
    switch (r->kind) {
      case DepthReadout::Kind::Line:
        return "line " + number(r->value);
      case DepthReadout::Kind::Sounding:
        return "sounding " + number(r->value);
      default:
        return "area " + number(r->drval1) + " " + number(r->drval2);
    }
  };
  EXPECT_EQ(read(50, 50), "line 7");
  EXPECT_EQ(read(20, 80), "sounding 3.5");
  EXPECT_EQ(read(50, 20), "area 5 10");
  EXPECT_EQ(read(150, 20), "area - 20");
  EXPECT_EQ(read(100, 20), "area - 20");  // on a shared boundary the later area
  EXPECT_EQ(read(300, 20), "none");
}

}  // namespace
}  // namespace abys::test
