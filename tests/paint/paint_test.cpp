// The render pass, the read-out texts and the drawing area, on charts opened
// by a chart session from cells written by the cell writer. Painted in a
// view where a coordinate (x, y) lies at pixel (x, 400 - y).
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <clocale>

#include "chart_render.h"
#include "drawing_area.h"
#include "readouts.h"
#include "support/chart_cells.h"

using namespace abys;
using namespace abys::test;

namespace {

// Colours compared as RGB, whatever model they were made in.
QColor hue(int h) {
  return QColor(QColor::fromHsv(h, 255, 255).rgb());
}

void sendMouse(QWidget& widget, QEvent::Type type, QPoint at) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, button,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &event);
}

bool allWhite(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
    }
  }
  return true;
}

// A chart opened from cell and painted on white in the pixel-aligned view.
struct Painted {
  CellFolder folder;
  ChartSession session;
  QImage image{600, 400, QImage::Format_RGB32};

  explicit Painted(const cw::Cell& cell) {
    DiscardingReporter quiet;
    session.setWindow(600, 400);
    if (!session.open(folder.write(cell).c_str(), quiet).opened()) qFatal("cell does not open");
    image.fill(Qt::white);
    QPainter painter(&image);
    paintChart(painter, session.display(), pixelAlignedView());
  }
  QColor at(int x, int y) const { return QColor(image.pixel(x, y)); }
};

}  // namespace

class PaintTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The second registration of this program runs under a decimal-comma
    // locale; make sure it really does.
    if (qEnvironmentVariableIsSet("ABYS_EXPECT_DECIMAL_COMMA")) {
      QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral(","));
    }
  }

  void depthLinesColouredByHue() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{100, 50}, {100, 350}}, {"0"});
    addLine(cell, 2, {{200, 50}, {200, 350}}, {"10"});
    addLine(cell, 3, {{300, 50}, {300, 350}}, {"15.75"});  // 240 - 15.75 * 12 = 51
    addLine(cell, 4, {{400, 50}, {400, 350}}, {"20"});
    addLine(cell, 5, {{450, 50}, {450, 350}}, {});
    // Two VALDCO entries: the later one counts.
    addLine(cell, 6, {{500, 50}, {500, 350}}, {"5", "20"});
    // Not a depth line: never drawn.
    addLine(cell, 7, {{550, 50}, {550, 350}}, {"10"}, 42);
    const Painted painted(cell);
    QCOMPARE(painted.at(100, 200), hue(240));
    QCOMPARE(painted.at(200, 200), hue(120));
    QCOMPARE(painted.at(300, 200), hue(51));
    QCOMPARE(painted.at(400, 200), hue(0));
    QCOMPARE(painted.at(450, 200), QColor(Qt::black));
    QCOMPARE(painted.at(500, 200), hue(0));
    QCOMPARE(painted.at(550, 200), QColor(Qt::white));
    QCOMPARE(painted.at(150, 200), QColor(Qt::white));

    cw::Cell equal = wholeNumberCell();
    addLine(equal, 1, {{100, 50}, {100, 350}}, {"7"});
    addLine(equal, 2, {{200, 50}, {200, 350}}, {"7"});
    const Painted blue(equal);
    QCOMPARE(blue.at(100, 200), hue(240));
    QCOMPARE(blue.at(200, 200), hue(240));
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
    const Painted painted(cell);
    auto darkPixels = [&](const QRect& box) {
      int count = 0;
      for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
          const QColor c = painted.at(x, y);
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

  // Numbers with a decimal point under every locale.
  void readoutTexts() {
    QCOMPARE(positionText({.lon = 12.25, .lat = 45.5}),
             QStringLiteral("LAT: 45.5000000 LON: 12.2500000"));
    QCOMPARE(positionText({.lon = -0.0000001, .lat = -12.25}),
             QStringLiteral("LAT: -12.2500000 LON: -0.0000001"));
    QCOMPARE(depthText(15.75), QStringLiteral("VALDCO: 15.8"));
    QCOMPARE(depthText(kNoValdco), QStringLiteral("VALDCO: -99999.0"));
    QCOMPARE(depthText(std::nullopt), QString());
  }

  void drawingAreaPaintsAndReadsOutTheSession() {
    ChartSession session;
    DrawingArea area(session);
    area.resize(640, 480);
    area.show();
    area.renderChart();
    QCOMPARE(area.chartPixmap().size(), QSize(640, 480));
    QVERIFY(allWhite(area.chartPixmap().toImage()));
    QSignalSpy moves(&area, &DrawingArea::latlondisp);
    QSignalSpy presses(&area, &DrawingArea::valdcodisp);
    // Without a chart nothing reports.
    sendMouse(area, QEvent::MouseMove, {10, 10});
    sendMouse(area, QEvent::MouseButtonPress, {10, 10});
    QCOMPARE(moves.count() + presses.count(), 0);

    CellFolder folder;
    DiscardingReporter quiet;
    QVERIFY(session.open(folder.write(bayCell()).c_str(), quiet).opened());
    area.renderChart();
    QVERIFY(!allWhite(area.chartPixmap().toImage()));
    sendMouse(area, QEvent::MouseMove, {320, 240});
    QCOMPARE(moves.count(), 1);
    QCOMPARE(moves.at(0).at(0).toString(), positionText(*session.positionAt({320, 240})));
    sendMouse(area, QEvent::MouseButtonPress, {0, 0});
    QCOMPARE(presses.count(), 1);
    QCOMPARE(presses.at(0).at(0).toString(), QString());

    // A resize keeps centre and scale and redraws at once.
    const ViewState before = session.view();
    area.resize(801, 601);
    QTRY_COMPARE(area.chartPixmap().size(), QSize(801, 601));
    QCOMPARE(session.view().pixelsPerMetre, before.pixelsPerMetre);
    QCOMPARE(session.view().centreX, before.centreX);
    QCOMPARE(session.view().halfWidth, 400);
    QVERIFY(!allWhite(area.chartPixmap().toImage()));
  }
};

QTEST_MAIN(PaintTest)
#include "paint_test.moc"
