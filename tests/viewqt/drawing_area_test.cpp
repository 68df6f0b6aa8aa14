// The drawing area: the picture it renders and the read-outs it emits, on
// charts loaded from cells through the checks, in a view where a coordinate
// (x, y) lies at pixel (x, 400 - y).
#include "drawing_area.h"

#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <clocale>

#include "chart_render.h"
#include "support/chart_cells.h"

using namespace abys;
using namespace abys::test;

namespace {

// Colours compared as RGB, whatever model they were made in.
QColor hue(int h) {
  return QColor(QColor::fromHsv(h, 255, 255).rgb());
}
QColor colourAt(const QImage& image, int x, int y) {
  return QColor(image.pixel(x, y));
}

void sendMouse(QWidget& widget, QEvent::Type type, QPoint at) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, button,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &event);
}

// The emitted texts of one press at `at`.
QStringList pressTexts(DrawingArea& area, QPoint at) {
  QSignalSpy spy(&area, &DrawingArea::valdcodisp);
  sendMouse(area, QEvent::MouseButtonPress, at);
  QStringList texts;
  for (const QList<QVariant>& arguments : spy)
    texts << arguments.at(0).toString();
  return texts;
}

bool allWhite(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
    }
  }
  return true;
}

// A shown 600 x 400 drawing area over a loaded chart.
struct Shown {
  std::unique_ptr<LoadedChart> chart;
  std::unique_ptr<DrawingArea> area;

  explicit Shown(const cw::Cell& cell, ViewState view = pixelAlignedView())
      : chart(loadChart(cell)) {
    chart->view = view;
    area = std::make_unique<DrawingArea>(chart->display, chart->view);
    area->resize(600, 400);
    area->show();
    area->renderChart();
  }
  QImage image() const { return area->chartPixmap().toImage(); }
};

}  // namespace

class DrawingAreaTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The second registration of this program runs under a decimal-comma
    // locale; make sure it really does.
    if (qEnvironmentVariableIsSet("ABYS_EXPECT_DECIMAL_COMMA")) {
      QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral(","));
    }
  }

  void withoutChartAllIsWhiteAndSilent() {
    DisplayState display;
    ViewState view;
    DrawingArea area(display, view);
    area.resize(640, 480);
    area.show();
    area.renderChart();
    QCOMPARE(area.chartPixmap().size(), QSize(640, 480));
    QVERIFY(allWhite(area.chartPixmap().toImage()));

    QSignalSpy moves(&area, &DrawingArea::latlondisp);
    QSignalSpy presses(&area, &DrawingArea::valdcodisp);
    sendMouse(area, QEvent::MouseMove, {10, 10});
    sendMouse(area, QEvent::MouseButtonPress, {10, 10});
    QCOMPARE(moves.count(), 0);
    QCOMPARE(presses.count(), 0);
  }

  void depthLinesColouredByHue() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{100, 50}, {100, 350}}, {"0"});
    addLine(cell, 2, {{200, 50}, {200, 350}}, {"10"});
    addLine(cell, 3, {{300, 50}, {300, 350}}, {"15"});
    addLine(cell, 4, {{400, 50}, {400, 350}}, {"20"});
    addLine(cell, 5, {{450, 50}, {450, 350}}, {});
    // Two VALDCO entries: the later one counts.
    addLine(cell, 6, {{500, 50}, {500, 350}}, {"5", "20"});
    // Not a depth line: never drawn.
    addLine(cell, 7, {{550, 50}, {550, 350}}, {"10"}, 42);
    Shown shown(cell);
    QCOMPARE(shown.chart->checkStatus, 0);
    const QImage image = shown.image();
    QCOMPARE(colourAt(image, 100, 200), hue(240));
    QCOMPARE(colourAt(image, 200, 200), hue(120));
    QCOMPARE(colourAt(image, 300, 200), hue(60));
    QCOMPARE(colourAt(image, 400, 200), hue(0));
    QCOMPARE(colourAt(image, 450, 200), QColor(Qt::black));
    QCOMPARE(colourAt(image, 500, 200), hue(0));
    QCOMPARE(colourAt(image, 550, 200), QColor(Qt::white));
    // Beside a line the picture stays white.
    QCOMPARE(colourAt(image, 150, 200), QColor(Qt::white));
  }

  void fractionalDepthReadWithDecimalPoint() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{100, 50}, {100, 350}}, {"0"});
    addLine(cell, 2, {{200, 50}, {200, 350}}, {"20"});
    addLine(cell, 3, {{300, 50}, {300, 350}}, {"15.75"});
    Shown shown(cell);
    // 240 - 15.75 * 12 = 51.
    QCOMPARE(colourAt(shown.image(), 300, 200), hue(51));
    QCOMPARE(pressTexts(*shown.area, {302, 200}), QStringList{"VALDCO: 15.8"});
  }

  void equalDepthsAreBlue() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{100, 50}, {100, 350}}, {"7"});
    addLine(cell, 2, {{200, 50}, {200, 350}}, {"7"});
    Shown shown(cell);
    QCOMPARE(colourAt(shown.image(), 100, 200), hue(240));
    QCOMPARE(colourAt(shown.image(), 200, 200), hue(240));
  }

  void textsLieOverLines() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{50, 200}, {550, 200}}, {"3"});
    // Baseline 6 pixels below the line: the letters cross it.
    addName(cell, 2, kAreaNameClass, {300, 194}, u"HHHHHH");
    addName(cell, 3, kPlaceNameClass, {100, 94}, u"HHHHHH");
    // Without NOBJNM nothing is drawn, and the next name still is.
    addName(cell, 4, kAreaNameClass, {100, 294}, std::nullopt);
    addName(cell, 5, kAreaNameClass, {400, 294}, u"HHHHHH");
    Shown shown(cell);
    QCOMPARE(shown.chart->checkStatus, 0);
    const QImage image = shown.image();
    auto darkPixels = [&](const QRect& box) {
      int count = 0;
      for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
          const QColor c = colourAt(image, x, y);
          if (c.red() < 128 && c.green() < 128 && c.blue() < 128) ++count;
        }
      }
      return count;
    };
    // Where the text crosses the blue line, the text's dark pixels win.
    QVERIFY(darkPixels({300, 200, 40, 1}) > 0);
    QCOMPARE(darkPixels({250, 200, 40, 1}), 0);
    // Each text stands above its baseline, starting at its anchor.
    QVERIFY(darkPixels({100, 290, 60, 16}) > 0);
    QCOMPARE(darkPixels({80, 280, 20, 40}), 0);
    QCOMPARE(darkPixels({100, 307, 60, 10}), 0);
    QCOMPARE(darkPixels({95, 80, 60, 30}), 0);
    QVERIFY(darkPixels({400, 90, 60, 16}) > 0);
  }

  void namesAreUcs2WhateverTheLength() {
    // 東 (U+6771) and A, little-endian, then one odd byte.
    const char bytes[] = {'\x71', '\x67', 'A', '\0', 'x'};
    AttributeEntry entry;
    entry.atvl = bytes;
    entry.atvlLength = 4;
    QCOMPARE(nameText(entry), QStringLiteral("東A"));
    entry.atvlLength = 5;
    QCOMPARE(nameText(entry), QStringLiteral("東A"));
    entry.atvlLength = 0;
    QCOMPARE(nameText(entry), QString());
  }

  void positionReadout_data() {
    QTest::addColumn<double>("centreX");
    QTest::addColumn<double>("centreY");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QString>("text");
    QTest::newRow("north east") << 12.25 << 45.5 << QPoint(300, 200)
                                << "LAT: 45.5000000 LON: 12.2500000";
    QTest::newRow("south") << 12.25 << -12.25 << QPoint(300, 200)
                           << "LAT: -12.2500000 LON: 12.2500000";
    QTest::newRow("pixel offsets")
        << 0.0 << 0.0 << QPoint(301, 198) << "LAT: 2.0000000 LON: 1.0000000";
  }
  void positionReadout() {
    QFETCH(double, centreX);
    QFETCH(double, centreY);
    QFETCH(QPoint, pointer);
    QFETCH(QString, text);
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{100, 50}, {100, 350}}, {"0"});
    ViewState view = pixelAlignedView();
    view.centreX = centreX;
    view.centreY = centreY;
    Shown shown(cell, view);
    QSignalSpy spy(shown.area.get(), &DrawingArea::latlondisp);
    sendMouse(*shown.area, QEvent::MouseMove, pointer);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), text);
  }

  void depthPick_data() {
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QString>("text");
    // Lines: 3 at row 200 from column 100 through 300 to 500; 9 at row 208
    // from 100 to 500; 4 from (250, 96) to (350, 296), on 2 x - y = 404.
    QTest::newRow("on a line") << QPoint(150, 200) << "VALDCO: 3.0";
    QTest::newRow("4 pixels away") << QPoint(150, 196) << "VALDCO: 3.0";
    QTest::newRow("exactly 5 pixels away") << QPoint(150, 195) << "";
    QTest::newRow("far from every line") << QPoint(550, 50) << "";
    QTest::newRow("nearer line wins") << QPoint(150, 205) << "VALDCO: 9.0";
    QTest::newRow("tie keeps the earlier line") << QPoint(150, 204) << "VALDCO: 3.0";
    QTest::newRow("end point beyond the segment") << QPoint(503, 200) << "VALDCO: 3.0";
    // (301, 201) is 1 pixel from row 200 but sqrt(2) from that line's
    // start point (300, 200), which is what counts; the sloped line is
    // 3/sqrt(5) = 1.34 away and wins.
    QTest::newRow("end point distance counts") << QPoint(301, 201) << "VALDCO: 4.0";
  }
  void depthPick() {
    QFETCH(QPoint, pointer);
    QFETCH(QString, text);
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{100, 200}, {300, 200}, {500, 200}}, {"3"});
    addLine(cell, 2, {{100, 192}, {500, 192}}, {"9"});
    addLine(cell, 3, {{250, 304}, {350, 104}}, {"4"});
    Shown shown(cell);
    QCOMPARE(shown.chart->checkStatus, 0);
    QCOMPARE(pressTexts(*shown.area, pointer), QStringList{text});
  }

  void depthPickWithoutValdcoShowsMarker() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{100, 200}, {500, 200}}, {});
    Shown shown(cell);
    QCOMPARE(pressTexts(*shown.area, {200, 200}), QStringList{"VALDCO: -99999.0"});
  }

  void resizeKeepsCentreAndScale() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{300, 50}, {300, 350}}, {"1"});
    Shown shown(cell);
    const ViewState before = shown.chart->view;
    shown.area->resize(801, 601);
    QTRY_COMPARE(shown.area->chartPixmap().size(), QSize(801, 601));
    const ViewState& after = shown.chart->view;
    QCOMPARE(after.pixelsPerMetre, before.pixelsPerMetre);
    QCOMPARE(after.centreX, before.centreX);
    QCOMPARE(after.centreY, before.centreY);
    QCOMPARE(after.halfWidth, 400);
    QCOMPARE(after.halfHeight, 300);
    // Redrawn at once: the line through the centre is in the new middle.
    const QImage image = shown.image();
    QCOMPARE(colourAt(image, 400, 300), hue(240));
    QCOMPARE(colourAt(image, 300, 300), QColor(Qt::white));
    QSignalSpy spy(shown.area.get(), &DrawingArea::latlondisp);
    sendMouse(*shown.area, QEvent::MouseMove, {400, 300});
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("LAT: 200.0000000 LON: 300.0000000"));
  }
};

QTEST_MAIN(DrawingAreaTest)
#include "drawing_area_test.moc"
