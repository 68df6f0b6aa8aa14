// The render pass, the read-out texts and the drawing area, on charts opened
// by a chart session from cells written by the cell writer. Painted in a
// view where a coordinate (x, y) lies at pixel (x, 400 - y).
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <clocale>
#include <cmath>
#include <functional>
#include <optional>
#include <tuple>
#include <vector>

#include "catalogue.h"
#include "chart_render.h"
#include "drawing_area.h"
#include "presentation_tables.h"
#include "readouts.h"
#include "support/chart_cells.h"
#include "symbol_images.h"

using namespace abys;
using namespace abys::test;
using namespace Qt::StringLiterals;

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

// The pixels where two pictures of one size differ.
std::vector<QPoint> differences(const QImage& a, const QImage& b) {
  std::vector<QPoint> found;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) found.emplace_back(x, y);
    }
  }
  return found;
}

bool isDark(QRgb pixel) {
  return qRed(pixel) < 128 && qGreen(pixel) < 128 && qBlue(pixel) < 128;
}

int darkPixels(const QImage& image, const QRect& box) {
  int count = 0;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x)
      count += isDark(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
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

  NameCounts names;

  explicit Painted(const cw::Cell& cell, std::optional<RenderOptions> options = std::nullopt,
                   const std::function<void(ChartSession&)>& setup = {}) {
    DiscardingReporter quiet;
    session.setWindow(600, 400);
    if (setup) setup(session);
    if (!session.open(folder.write(cell).c_str(), quiet).opened()) qFatal("cell does not open");
    image.fill(Qt::white);
    QPainter painter(&image);
    names = options ? paintChart(painter, session.display(), pixelAlignedView(), nullptr, *options)
                    : paintChart(painter, session.display(), pixelAlignedView());
  }
  QColor at(int x, int y) const { return QColor(image.pixel(x, y)); }
};

// Where everyLayerCell's two overlapping names lie.
const QRect kNames(195, 188, 130, 24);

// A chart of every layer: areas, a shore line, a contour (3, at row 200)
// and a depth line (9, at row 180) crossing them, soundings and names.
cw::Cell everyLayerCell() {
  cw::Cell cell = wholeNumberCell();
  addArea(cell, 1, 42, {{10, 10}, {290, 10}, {290, 390}, {10, 390}, {10, 10}}, {{87, "5"}});
  addArea(cell, 2, 71, {{300, 10}, {590, 10}, {590, 100}, {300, 100}, {300, 10}});
  addLine(cell, 3, {{300, 100}, {590, 100}}, {}, 30);
  addLine(cell, 4, {{20, 200}, {580, 200}}, {"3"}, 43);
  addLine(cell, 5, {{20, 220}, {300, 220}, {580, 260}}, {"9"});
  addLine(cell, 6, {{20, 300}, {580, 300}}, {"6"});
  addSoundings(cell, 7, {{100, 150, 5}, {400, 150, 50}});
  addName(cell, 8, kAreaNameClass, {200, 194}, u"HHHHHH");
  addName(cell, 9, kPlaceNameClass, {215, 196}, u"HHHHHH");
  addName(cell, 10, kAreaNameClass, {420, 50}, u"HH");
  return cell;
}

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

  // A painter left with saved states would carry one layer's pen or brush
  // into the next paint.
  void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("saved states"))); }

  void depthLinesColouredByHue() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{100, 50}, {100, 350}}, {"0"});
    addLine(cell, 2, {{200, 50}, {200, 350}}, {"10"});
    addLine(cell, 3, {{300, 50}, {300, 350}}, {"15.75"});  // 240 - 15.75 * 12 = 51
    addLine(cell, 4, {{400, 50}, {400, 350}}, {"20"});
    addLine(cell, 5, {{450, 50}, {450, 350}}, {});
    // Two VALDCO entries: the later one counts.
    addLine(cell, 6, {{500, 50}, {500, 350}}, {"5", "20"});
    // A meta class: never drawn.
    addLine(cell, 7, {{550, 50}, {550, 350}}, {"10"}, 308);
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

  // Areas by band and kind under shore lines, contours and soundings.
  void standardLayers() {
    cw::Cell cell = wholeNumberCell();
    // DEPIT, DEPVS, DEPMS, DEPMD and DEPDW of the day table.
    const std::pair<const char*, QColor> bands[] = {{"-2", QColor(88, 175, 156)},
                                                    {"0", QColor(97, 183, 255)},
                                                    {"2", QColor(130, 202, 255)},
                                                    {"10", QColor(167, 218, 252)},
                                                    {"30", QColor(201, 237, 252)}};
    for (uint32_t i = 0; i < 5; ++i) {
      const double x = 10.0 + 60.0 * i;
      addArea(cell, i + 1, 42, {{x, 10}, {x + 50, 10}, {x + 50, 100}, {x, 100}, {x, 10}},
              {{87, bands[i].first}});
    }
    addArea(cell, 6, 42, {{310, 10}, {360, 10}, {360, 100}, {310, 100}, {310, 10}});  // no DRVAL1
    addArea(cell, 7, 154, {{370, 10}, {420, 10}, {420, 100}, {370, 100}, {370, 10}});
    addArea(cell, 8, 71, {{430, 10}, {480, 10}, {480, 100}, {430, 100}, {430, 10}});
    addLine(cell, 9, {{440, 50}, {470, 50}}, {}, 30);  // coastline over land
    addLine(cell, 10, {{10, 200}, {500, 200}}, {"3"}, 43);
    addLine(cell, 11, {{10, 220}, {500, 220}}, {"9"});
    addSoundings(cell, 12, {{100, 300, 5}, {300, 300, 50}});
    const Painted painted(cell);
    for (int i = 0; i < 5; ++i)
      QCOMPARE(painted.at(35 + 60 * i, 345), bands[i].second);
    QCOMPARE(painted.at(335, 345), bands[0].second);
    QCOMPARE(painted.at(395, 345), QColor(163, 180, 183));  // NODTA
    QCOMPARE(painted.at(435, 345), QColor(201, 185, 122));  // LANDA
    QCOMPARE(painted.at(455, 350), QColor(82, 90, 92));     // CSTLN
    // One VALDCO range over contours and depth lines: 3 blue, 9 red.
    QCOMPARE(painted.at(200, 200), hue(240));
    QCOMPARE(painted.at(200, 180), hue(0));
    // Soundings centred on their position, dark to the safety contour.
    auto darkest = [&](int x, int y) {
      int best = 255;
      for (int dy = -6; dy <= 6; ++dy)
        for (int dx = -8; dx <= 8; ++dx)
          best = std::min(best, painted.at(x + dx, y + dy).red());
      return best;
    };
    QVERIFY(darkest(100, 100) <= 7 + 40);    // SNDG2
    QVERIFY(darkest(300, 100) >= 125 - 40);  // SNDG1
    QVERIFY(darkest(300, 100) < 200);
  }

  // The presentation rules on a cell of one feature of each kind: fills,
  // dashed boundaries, the fallback for a class the tables lack, display
  // categories, the scale minimum, the colour schemes and the safety
  // contour of the presentation library's depths.
  // Every symbol a row of the tables names has a drawing of its own; every
  // drawing parses and is written in the colour tokens of the tables.
  void symbolDrawings() {
    const portrayal::PresentationTables& tables = portrayal::PresentationTables::builtIn();
    QStringList missing;
    for (const portrayal::LookupRow& row : tables.rows()) {
      for (const portrayal::Instruction& instruction : row.instructions) {
        if (instruction.op != portrayal::Op::Symbol) continue;
        if (!hasSymbolDrawing(instruction.args[0]))
          missing << QString::fromStdString(instruction.args[0]);
      }
    }
    missing.removeDuplicates();
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
    static const QRegularExpression kColour(u"(fill|stroke)=\"([^\"]*)\""_s);
    const QDir folder(u":/symbols"_s);
    QVERIFY(folder.entryList().size() > 300);
    for (const QString& file : folder.entryList()) {
      QFile svg(folder.filePath(file));
      QVERIFY(svg.open(QIODevice::ReadOnly));
      const QString text = QString::fromUtf8(svg.readAll());
      for (auto it = kColour.globalMatch(text); it.hasNext();) {
        const QString token = it.next().captured(2);
        QVERIFY2(token == u"none"_s || token == u"BODY"_s ||
                     tables.colour(token.toStdString(), ColourScheme::Day),
                 qPrintable(file + u": "_s + token));
      }
      const SymbolImage& image =
          symbolImage(file.chopped(4).toStdString(), 96 / 25.4, 0, ColourScheme::Day);
      QVERIFY2(!image.image.isNull() && image.image.width() < 200, qPrintable(file));
    }
    // A symbol turned by its attribute is turned about its pivot.
    const SymbolImage& turned = symbolImage("BOYLAT13", 96 / 25.4, 90, ColourScheme::Day);
    QCOMPARE(turned.pivot, QPoint(turned.image.width() / 2, turned.image.height() / 2));
  }

  // A buoy's body in its colours by COLPAT: horizontal bands from the top,
  // vertical stripes from the left, a chequer, diagonals; the red and
  // green of each part counted.
  void bodyColours_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QList<int>>("redInQuarters");  // 1 where red leads: TL, TR, BL, BR
    QTest::newRow("horizontal") << u"1"_s << QList<int>{1, 1, 0, 0};
    QTest::newRow("vertical") << u"2"_s << QList<int>{1, 0, 1, 0};
    QTest::newRow("squared") << u"4"_s << QList<int>{1, 0, 0, 1};
    QTest::newRow("none given: bands") << u""_s << QList<int>{1, 1, 0, 0};
  }
  void bodyColours() {
    QFETCH(QString, pattern);
    QFETCH(QList<int>, redInQuarters);
    const SymbolImage& picture =
        symbolImage("BOYCAN01", 20.0, 0, ColourScheme::Day, {"3,4", pattern.toStdString()});
    const QImage& image = picture.image;
    const auto near = [](QRgb c, QColor want) {
      return std::abs(qRed(c) - want.red()) <= 30 && std::abs(qGreen(c) - want.green()) <= 30 &&
             std::abs(qBlue(c) - want.blue()) <= 30 && qAlpha(c) == 255;
    };
    const QColor red(241, 84, 105), green(104, 228, 86);
    QRect body;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (near(image.pixel(x, y), red) || near(image.pixel(x, y), green))
          body = body.united(QRect(x, y, 1, 1));
      }
    }
    QVERIFY(!body.isEmpty());
    const QPoint middle = body.center();
    for (int quarter = 0; quarter < 4; ++quarter) {
      const QRect part = quarter % 2 == 0 ? QRect(body.topLeft(), middle)
                                          : QRect(QPoint(middle.x() + 1, body.top()),
                                                  QPoint(body.right(), middle.y()));
      const QRect box =
          quarter < 2 ? part : part.translated(0, middle.y() + 1 - body.top()).intersected(body);
      int reds = 0, greens = 0;
      for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
          reds += near(image.pixel(x, y), red) ? 1 : 0;
          greens += near(image.pixel(x, y), green) ? 1 : 0;
        }
      }
      QVERIFY2((reds > greens) == (redInQuarters[quarter] == 1),
               qPrintable(u"quarter %1: %2 red, %3 green"_s.arg(quarter).arg(reds).arg(greens)));
    }
  }

  // Point symbols in their colours over a depth area 30 m deep: an
  // obstruction 5 m deep is an isolated danger (magenta) while the safety
  // contour is at least 5 m and the area is as deep; lights in their
  // colours, a sector light's arc; a buoy striped in its own colours.
  void pointSymbols_data() {
    QTest::addColumn<double>("safety");
    QTest::addColumn<bool>("simplified");
    QTest::addColumn<bool>("danger");
    QTest::newRow("safety 10") << 10.0 << false << true;
    QTest::newRow("safety 30, equal counts as safe") << 30.0 << false << true;
    QTest::newRow("safety 3: deeper than it") << 3.0 << false << false;
    QTest::newRow("safety 40: the area is shallower") << 40.0 << true << false;
  }
  void pointSymbols() {
    QFETCH(double, safety);
    QFETCH(bool, simplified);
    QFETCH(bool, danger);
    const auto code = [](const char* acronym) { return catalogue::attribute(acronym)->code; };
    cw::Cell cell = wholeNumberCell();
    addArea(cell, 1, catalogue::kDepare, {{5, 5}, {595, 5}, {595, 395}, {5, 395}, {5, 5}},
            {{catalogue::kDrval1, "30"}, {catalogue::kDrval2, "40"}});
    const auto point = [&](uint32_t id, const char* acronym, cw::Point2 at,
                           std::vector<cw::Attribute> attributes) {
      addName(cell, id, catalogue::objectClass(acronym)->code, at, std::nullopt);
      std::sort(attributes.begin(), attributes.end(),
                [](const auto& a, const auto& b) { return a.attl < b.attl; });
      cell.features.back().attributes = std::move(attributes);
    };
    point(2, "OBSTRN", {100, 300}, {{catalogue::kValsou, "5"}});
    point(3, "LIGHTS", {200, 300}, {{code("COLOUR"), "3"}});
    point(4, "LIGHTS", {300, 300}, {{code("COLOUR"), "4"}});
    point(5, "LIGHTS", {400, 300},
          {{code("COLOUR"), "1"}, {code("SECTR1"), "180"}, {code("SECTR2"), "270"}});
    point(6, "BOYLAT", {500, 300},
          {{code("BOYSHP"), "4"}, {code("COLOUR"), "3,1"}, {code("COLPAT"), "1"}});
    const Painted painted(cell, std::nullopt, [&](ChartSession& session) {
      session.setDepthContours({2, safety, std::max(safety, 30.0)});
      portrayal::PortrayalSettings rules;
      rules.simplifiedSymbols = simplified;
      session.setPortrayalRules(rules);
    });
    // Pixels within 30 a channel of colour in the box around a place.
    const auto count = [&](QRect box, QColor colour) {
      int found = 0;
      for (int y = std::max(0, box.top()); y <= std::min(399, box.bottom()); ++y) {
        for (int x = std::max(0, box.left()); x <= std::min(599, box.right()); ++x) {
          const QColor c = painted.at(x, y);
          found += std::abs(c.red() - colour.red()) <= 30 &&
                           std::abs(c.green() - colour.green()) <= 30 &&
                           std::abs(c.blue() - colour.blue()) <= 30
                       ? 1
                       : 0;
        }
      }
      return found;
    };
    const QColor chmgd(197, 69, 195), litrd(241, 84, 105), litgn(104, 228, 86);
    const QColor lityw(244, 218, 72), chwht(212, 234, 238);
    const auto around = [](int x, int y, int reach) {
      return QRect(x - reach, 400 - y - reach, 2 * reach + 1, 2 * reach + 1);
    };
    QCOMPARE(count(around(100, 300, 20), chmgd) > 10, danger);
    QVERIFY(count(around(200, 300, 30), litrd) > 10);
    QVERIFY(count(around(300, 300, 30), litgn) > 10);
    // The arc, 20 mm from the light between north and east (the sector
    // is taken from seaward).
    QVERIFY(count(QRect(400, 0, 100, 100), lityw) > 10);
    QCOMPARE(count(QRect(300, 100, 100, 100), lityw), 0);
    // The pillar buoy's red and white bands; simplified, a lateral buoy
    // of neither red nor green alone is the magenta buoy of unknown kind.
    QCOMPARE(count(around(500, 310, 20), litrd) > 5, !simplified);
    QCOMPARE(count(around(500, 310, 20), chwht) > 5, !simplified);
    QCOMPARE(count(around(500, 310, 20), chmgd) > 5, simplified);
  }

  void presentationRules_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QList<QPoint>>("at");
    QTest::addColumn<QList<QColor>>("colours");  // invalid: any but white
    QTest::addColumn<bool>("patterned");         // the dredged area's dots
    QTest::addColumn<bool>("named");             // the sea area's name
    const QColor white(Qt::white), any;
    const QColor landa(201, 185, 122), chbrn(177, 145, 57), depsc(82, 90, 92);
    const QColor magenta(197, 69, 195);  // CHMGD
    const QColor depmd(167, 218, 252), depms(130, 202, 255);
    // Land, built-up area, land with SCAMIN 1000, land with SCAMIN 10000,
    // the restricted area's boundary and inside, the unknown class's
    // boundary and inside, the question mark, the shared depth area edge.
    const QList<QPoint> places{{40, 340},  {120, 340}, {200, 340}, {280, 340}, {350, 300},
                               {380, 340}, {450, 300}, {470, 340}, {540, 340}, {100, 120}};
    // The category rows: what each place shows with every category drawn,
    // with the standard display, with the display base alone.
    const QList<QColor> all{landa, chbrn, white, landa, magenta, white, magenta, white, any, depms};
    QList<QColor> standard = all;
    standard[1] = white;  // built-up areas are Other
    QTest::newRow("all") << u"all"_s << places << all << false << true;
    QTest::newRow("standard") << u"standard"_s << places << standard << false << false;
    QTest::newRow("base") << u"base"_s << places << QList<QColor>{landa, white, white, landa, white,
                                                                  white, white, white, white, depms}
                          << false << false;
    QTest::newRow("no scamin") << u"noscamin"_s << QList<QPoint>{{200, 340}} << QList<QColor>{landa}
                               << false << true;
    QTest::newRow("night") << u"night"_s << QList<QPoint>{{40, 340}, {300, 20}}
                           << QList<QColor>{QColor(28, 26, 15), QColor(18, 21, 21)} << false
                           << true;
    QTest::newRow("s52 depths") << u"s52"_s << QList<QPoint>{{150, 120}, {100, 120}, {200, 120}}
                                << QList<QColor>{depsc, depms, depmd} << true << true;
    QTest::newRow("names off") << u"nonames"_s << QList<QPoint>{} << QList<QColor>{} << false
                               << false;
    QTest::newRow("s52, deeper safety")
        << u"s52 safety 30"_s << QList<QPoint>{{150, 120}} << QList<QColor>{depms} << true << true;
  }
  void presentationRules() {
    QFETCH(QString, settings);
    QFETCH(QList<QPoint>, at);
    QFETCH(QList<QColor>, colours);
    QFETCH(bool, patterned);
    QFETCH(bool, named);
    const uint16_t scamin = catalogue::attribute("SCAMIN")->code;
    cw::Cell cell = wholeNumberCell();
    addArea(cell, 1, 71, {{10, 10}, {70, 10}, {70, 100}, {10, 100}, {10, 10}});
    addArea(cell, 2, 13, {{90, 10}, {150, 10}, {150, 100}, {90, 100}, {90, 10}});
    addArea(cell, 3, 71, {{170, 10}, {230, 10}, {230, 100}, {170, 100}, {170, 10}},
            {{scamin, "1000"}});
    addArea(cell, 4, 71, {{250, 10}, {310, 10}, {310, 100}, {250, 100}, {250, 10}},
            {{scamin, "10000"}});
    addArea(cell, 5, 112, {{350, 10}, {420, 10}, {420, 100}, {350, 100}, {350, 10}});
    addArea(cell, 6, 29999, {{450, 10}, {500, 10}, {500, 100}, {450, 100}, {450, 10}});
    addName(cell, 7, 29998, {540, 60}, std::nullopt);
    // Two depth areas, 5 m and 10 m, sharing the edge at x 150.
    cell.vectors.push_back(cw::connectedNode(81, {150, 150}));
    cell.vectors.push_back(cw::connectedNode(82, {150, 390}));
    cell.vectors.push_back(cw::edge(83, 81, 82, {}));
    cell.vectors.push_back(cw::edge(84, 82, 81, {{10, 390}, {10, 150}}));
    cell.vectors.push_back(cw::edge(85, 81, 82, {{290, 150}, {290, 390}}));
    cell.features.push_back({.rcid = 8,
                             .prim = 3,
                             .objl = 42,
                             .attributes = {{87, "5"}, {88, "10"}},
                             .spatialPointers = {{.rcnm = 130, .rcid = 83, .usag = 1},
                                                 {.rcnm = 130, .rcid = 84, .usag = 1}}});
    cell.features.push_back({.rcid = 9,
                             .prim = 3,
                             .objl = 42,
                             .attributes = {{87, "10"}, {88, "20"}},
                             .spatialPointers = {{.rcnm = 130, .rcid = 85, .usag = 1},
                                                 {.rcnm = 130, .rcid = 83, .ornt = 2, .usag = 1}}});
    addArea(cell, 10, 46, {{310, 150}, {390, 150}, {390, 390}, {310, 390}, {310, 150}},
            {{87, "12"}});
    addName(cell, 11, 119, {450, 250}, std::nullopt);
    cell.features.back().attributes.push_back({catalogue::kObjnam, "HHHH"});
    const Painted painted(cell, std::nullopt, [&](ChartSession& session) {
      PresentationSettings presentation;
      presentation.categories = settings == u"base"_s       ? DisplayCategories::Base
                                : settings == u"standard"_s ? DisplayCategories::Standard
                                                            : DisplayCategories::All;
      presentation.scaleMinimum = settings != u"noscamin"_s;
      presentation.names = settings != u"nonames"_s;
      if (settings == u"night"_s) presentation.colourScheme = ColourScheme::Night;
      session.setPresentation(presentation);
      portrayal::PortrayalSettings rules;
      rules.s52Depths = settings.startsWith(u"s52"_s);
      session.setPortrayalRules(rules);
      if (settings.endsWith(u"safety 30"_s)) session.setDepthContours({2, 30, 40});
    });
    for (qsizetype i = 0; i < at.size(); ++i) {
      const QColor found = painted.at(at[i].x(), at[i].y());
      if (!colours[i].isValid()) {
        // The question mark: something magenta within its box.
        bool magenta = false;
        for (int dy = -8; dy <= 8; ++dy)
          for (int dx = -8; dx <= 8; ++dx)
            magenta = magenta || painted.at(at[i].x() + dx, at[i].y() + dy) == QColor(197, 69, 195);
        QVERIFY2(magenta,
                 qPrintable(u"no question mark near %1,%2"_s.arg(at[i].x()).arg(at[i].y())));
        continue;
      }
      // A dashed line may have a gap at the probe: look along it.
      bool seen = found == colours[i];
      for (int d = -4; !seen && d <= 4 && colours[i] != QColor(Qt::white); ++d)
        seen = painted.at(at[i].x(), at[i].y() + d) == colours[i];
      QVERIFY2(seen, qPrintable(u"%1,%2 is %3"_s.arg(at[i].x()).arg(at[i].y()).arg(found.name())));
    }
    int dots = 0;
    for (int y = 20; y < 240; ++y)
      for (int x = 320; x < 380; ++x)
        dots += painted.at(x, y) == QColor(163, 180, 183) ? 1 : 0;  // CHGRF
    QCOMPARE(dots > 100, patterned);
    QCOMPARE(darkPixels(painted.image, QRect(400, 130, 100, 40)) > 10, named);
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

  // The occupancy: a rectangle is refused only when it overlaps one taken,
  // across the grid's squares and on either side of zero.
  void occupancyRefusesOnlyOverlaps() {
    struct Case {
      const char* name;
      std::vector<std::pair<QRect, bool>> claims;  // in order, with the answer
    };
    const Case cases[] = {
        {"lone", {{QRect(10, 10, 50, 12), true}}},
        {"same place", {{QRect(10, 10, 50, 12), true}, {QRect(10, 10, 50, 12), false}}},
        {"touching edges", {{QRect(0, 0, 64, 10), true}, {QRect(64, 0, 10, 10), true}}},
        {"one pixel in", {{QRect(0, 0, 64, 10), true}, {QRect(63, 9, 10, 10), false}}},
        {"in another square", {{QRect(0, 0, 60, 10), true}, {QRect(0, 70, 60, 10), true}}},
        {"long box over many squares",
         {{QRect(-300, 100, 600, 12), true}, {QRect(250, 95, 5, 10), false}}},
        {"negative pixels", {{QRect(-40, -40, 30, 10), true}, {QRect(-15, -35, 30, 10), false}}},
        {"refused takes nothing",
         {{QRect(0, 0, 40, 10), true},
          {QRect(30, 0, 40, 10), false},
          {QRect(45, 0, 40, 10), true}}},
    };
    for (const Case& c : cases) {
      NameOccupancy occupancy;
      for (size_t i = 0; i < c.claims.size(); ++i)
        QVERIFY2(occupancy.claim(c.claims[i].first) == c.claims[i].second,
                 qPrintable(QStringLiteral("%1, claim %2").arg(QLatin1String(c.name)).arg(i)));
    }
  }

  // With the declutter a name that would overlap one drawn before it is
  // left out; without it every name is drawn, as always.
  void declutterDropsOverlappingNames_data() {
    QTest::addColumn<QList<QPoint>>("anchors");  // cell coordinates, in drawing order
    QTest::addColumn<int>("drawn");
    QTest::addColumn<int>("dropped");
    QTest::newRow("lone") << QList<QPoint>{{100, 100}} << 1 << 0;
    QTest::newRow("on top") << QList<QPoint>{{100, 100}, {100, 100}} << 1 << 1;
    QTest::newRow("half over") << QList<QPoint>{{100, 100}, {130, 104}} << 1 << 1;
    QTest::newRow("well apart") << QList<QPoint>{{100, 100}, {100, 200}, {400, 100}} << 3 << 0;
    // The second is dropped, so the third, clear of the first, is drawn.
    QTest::newRow("chain") << QList<QPoint>{{100, 100}, {140, 100}, {190, 100}} << 2 << 1;
    QTest::newRow("outside the view") << QList<QPoint>{{100, 100}, {100, 900}} << 1 << 0;
  }
  void declutterDropsOverlappingNames() {
    QFETCH(QList<QPoint>, anchors);
    QFETCH(int, drawn);
    QFETCH(int, dropped);
    cw::Cell cell = wholeNumberCell();
    uint32_t id = 1;
    for (const QPoint& at : anchors)
      addName(cell, id++, kAreaNameClass, {double(at.x()), double(at.y())}, u"HHHHHH");
    const Painted plain(cell);
    // Without it every name is drawn, one outside the view clipped away.
    QCOMPARE(plain.names.drawn, static_cast<int>(anchors.size()));
    QCOMPARE(plain.names.dropped, 0);
    const Painted decluttered(cell, RenderOptions{.declutterNames = true});
    QCOMPARE(decluttered.names.drawn, drawn);
    QCOMPARE(decluttered.names.dropped, dropped);
    // The first name is drawn as it is alone: its halo is white on white.
    cw::Cell alone = wholeNumberCell();
    addName(alone, 1, kAreaNameClass, {double(anchors.front().x()), double(anchors.front().y())},
            u"HHHHHH");
    const Painted first(alone);
    const QRect box(anchors.front().x(), 400 - anchors.front().y() - 14, 30, 18);
    QVERIFY(darkPixels(first.image, box) > 0);
    for (int y = box.top(); y <= box.bottom(); ++y) {
      for (int x = box.left(); x <= box.right(); ++x)
        QCOMPARE(decluttered.image.pixel(x, y), first.image.pixel(x, y));
    }
  }

  // A name whose point lies left of the window, beyond the reach of any
  // symbol, still shows the part of it that reaches into the window.
  void nameFromBeyondTheWindow() {
    cw::Cell cell = wholeNumberCell();
    addName(cell, 1, kAreaNameClass, {-150, 200}, std::u16string(60, u'H'));
    addName(cell, 2, kAreaNameClass, {300, 300}, u"H");
    const Painted painted(cell);
    QVERIFY(darkPixels(painted.image, QRect(0, 184, 40, 20)) > 0);
  }

  // The halo is white round the letters over a line, and only with the
  // declutter on.
  void haloOnlyWithDeclutter() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{50, 200}, {550, 200}}, {"3"});
    addName(cell, 2, kAreaNameClass, {300, 194}, u"HHHHHH");
    const auto whiteOnLine = [](const Painted& painted) {
      int count = 0;
      for (int x = 300; x < 340; ++x)
        count += painted.image.pixel(x, 200) == qRgb(255, 255, 255) ? 1 : 0;
      return count;
    };
    QCOMPARE(whiteOnLine(Painted(cell)), 0);
    QVERIFY(whiteOnLine(Painted(cell, RenderOptions{.declutterNames = true})) > 0);
  }

  // Both settings off draw what a paint without options draws, pixel for
  // pixel, on a chart of every layer.
  void optionsOffDrawAsBefore() {
    const cw::Cell cell = everyLayerCell();
    const Painted before(cell);
    const Painted off(cell, RenderOptions{});
    QVERIFY(differences(before.image, off.image).empty());
    QVERIFY(!differences(before.image, Painted(cell, RenderOptions{.declutterNames = true}).image)
                 .empty());
  }

  // Wide depth lines change only pixels beside the depth lines and
  // contours, each to the colour of a line next to it.
  void wideLinesChangeOnlyDepthLinePixels() {
    const cw::Cell cell = everyLayerCell();
    const Painted thin(cell);
    const Painted wide(cell, RenderOptions{.wideDepthLines = true});
    const std::vector<QPoint> changed = differences(thin.image, wide.image);
    QVERIFY(!changed.empty());
    const QList<QRgb> lineColours{hue(240).rgb(), hue(0).rgb(), hue(120).rgb()};
    bool contour = false;
    bool depthLine = false;
    for (const QPoint& p : changed) {
      const QRgb now = wide.image.pixel(p);
      // The names' letters are smoothed over what lies under them.
      if (kNames.contains(p)) continue;
      QVERIFY2(lineColours.contains(now),
               qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
      bool besideThin = false;
      for (int dy = -1; dy <= 1 && !besideThin; ++dy) {
        for (int dx = -1; dx <= 1 && !besideThin; ++dx)
          besideThin = thin.image.pixel(p + QPoint(dx, dy)) == now;
      }
      QVERIFY2(besideThin, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
      contour = contour || p.y() == 201 || p.y() == 199;
      depthLine = depthLine || p.y() == 181 || p.y() == 179;
    }
    QVERIFY(contour && depthLine);
  }

  // Degrees and minutes to a thousandth of a minute, the hemisphere last,
  // whatever the locale.
  void degreesAndMinutes_data() {
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<QString>("text");
    QTest::newRow("north east") << 35.40205 << 139.7613 << u"35°24.123'N 139°45.678'E"_s;
    QTest::newRow("south west") << -33.85 << -151.2 << u"33°51.000'S 151°12.000'W"_s;
    QTest::newRow("minutes padded") << 5.05 << 0.1 << u"5°03.000'N 0°06.000'E"_s;
    // 59.9995' and more round up into the next degree; just under stays.
    QTest::newRow("carries at 59.9995'")
        << 35.0 + 59.9995 / 60 << -(139.0 + 59.9996 / 60) << u"36°00.000'N 140°00.000'W"_s;
    QTest::newRow("just under") << 35.0 + 59.9994 / 60 << 139.0 + 59.9994 / 60
                                << u"35°59.999'N 139°59.999'E"_s;
    QTest::newRow("rounds to zero") << -0.000001 << -0.000001 << u"0°00.000'N 0°00.000'E"_s;
    QTest::newRow("south of zero") << -0.00001 << -180.0 << u"0°00.001'S 180°00.000'W"_s;
  }
  void degreesAndMinutes() {
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(QString, text);
    QCOMPARE(latitudeText(latitude) + u' ' + longitudeText(longitude), text);
  }

  // The scale of a view at a screen's density, to three figures.
  void scaleOfAView_data() {
    QTest::addColumn<double>("pixelsPerMetre");
    QTest::addColumn<double>("dotsPerInch");
    QTest::addColumn<double>("denominator");
    QTest::addColumn<QString>("text");
    // 96 pixels an inch and a metre a pixel: an inch of glass is 96 m.
    QTest::newRow("metre a pixel") << 1.0 << 96.0 << 96 / 0.0254 << u"1:3,780"_s;
    QTest::newRow("harbour") << 1 / 11.8125 << 96.0 << 11.8125 * 96 / 0.0254 << u"1:44,600"_s;
    QTest::newRow("ocean") << 1 / 5000.0 << 144.0 << 5000 * 144 / 0.0254 << u"1:28,300,000"_s;
    QTest::newRow("close in") << 20.0 << 96.0 << 96 / 0.0254 / 20 << u"1:189"_s;
    QTest::newRow("no scale") << 0.0 << 96.0 << 0.0 << QString();
    QTest::newRow("no density") << 1.0 << 0.0 << 0.0 << QString();
  }
  void scaleOfAView() {
    QFETCH(double, pixelsPerMetre);
    QFETCH(double, dotsPerInch);
    QFETCH(double, denominator);
    QFETCH(QString, text);
    ViewState view = pixelAlignedView();
    view.pixelsPerMetre = pixelsPerMetre;
    const double found = scaleDenominator(view, dotsPerInch);
    QVERIFY2(std::abs(found - denominator) <= 1e-9 * denominator,
             qPrintable(QString::number(found)));
    QCOMPARE(scaleText(found), text);
  }

  void scaleTextRounding() {
    for (const auto& [denominator, text] : {std::pair{45000.0, "1:45,000"},
                                            {44987.0, "1:45,000"},
                                            {999.6, "1:1,000"},
                                            {1234567.0, "1:1,230,000"},
                                            {12.4, "1:12"},
                                            {0.4, "1:1"},
                                            {100.0, "1:100"}}) {
      QCOMPARE(scaleText(denominator), QString::fromLatin1(text));
    }
    QCOMPARE(scaleAndPositionText(45000, std::nullopt), u"1:45,000"_s);
    QCOMPARE(scaleAndPositionText(45000, GeoPoint{.lon = 139.7613, .lat = 35.40205}),
             u"1:45,000  35°24.123'N 139°45.678'E"_s);
  }

  // A screen that does not know its size gets the logical density.
  void densityOfTheScreen() {
    for (const auto& [physical, logical, used] : {std::tuple{109.0, 96.0, 109.0},
                                                  {0.0, 96.0, 96.0},
                                                  {3.5, 96.0, 96.0},
                                                  {5000.0, 120.0, 120.0},
                                                  {40.0, 96.0, 40.0}}) {
      QCOMPARE(screenDensity(physical, logical), used);
    }
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
    using Kind = DepthReadout::Kind;
    QCOMPARE(depthText(DepthReadout{.value = 15.75}), QStringLiteral("VALDCO: 15.8"));
    QCOMPARE(depthText(DepthReadout{.value = kNoValdco}), QStringLiteral("VALDCO: -99999.0"));
    QCOMPARE(depthText(DepthReadout{.kind = Kind::Sounding, .value = 12.34}),
             QStringLiteral("SOUNDG: 12.3"));
    QCOMPARE(depthText(DepthReadout{.kind = Kind::Area, .drval1 = 0.0, .drval2 = 5.25}),
             QStringLiteral("DRVAL: 0.0 - 5.2"));
    QCOMPARE(depthText(DepthReadout{.kind = Kind::Area, .drval2 = 20.0}),
             QStringLiteral("DRVAL: - - 20.0"));
    QCOMPARE(depthText(std::nullopt), QString());
    for (const auto& [depth, text] :
         {std::pair{12.34, "12.3"}, {12.04, "12"}, {-1.5, "-1.5"}, {-0.04, "0"}, {9.96, "10"}}) {
      QCOMPARE(soundingText(depth), QString::fromLatin1(text));
    }
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
