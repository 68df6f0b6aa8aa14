// The main window as an adapter of its chart session: menu states through
// open, close and the View commands, the read-out labels, failed opens, the
// font commands, the open dialog, accelerators and translations.
#include "main_window.h"

#include <QTableWidget>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>

#include "catalogue.h"
#include "cells_dock.h"
#include "chart_render.h"
#include "depth_settings.h"
#include "drawing_area.h"
#include "identify_dock.h"
#include "messages_dock.h"
#include "overlays.h"
#include "readouts.h"
#include "support/chart_cells.h"
#include "translation.h"
#include "view_menu.h"

using namespace abys;
using namespace abys::test;
using namespace Qt::StringLiterals;

namespace {

const char* const kViewActions[] = {"fullViewAction", "zoomInAction", "zoomOutAction", "leftAction",
                                    "rightAction",    "upAction",     "downAction"};

QAction* action(const MainWindow& window, const char* name) {
  QAction* found = window.findChild<QAction*>(QString::fromLatin1(name));
  if (found == nullptr) qFatal("no action %s", name);
  return found;
}

QString labelText(const MainWindow& window, const char* name) {
  return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

DrawingArea& drawingArea(const MainWindow& window) {
  return *window.findChild<DrawingArea*>();
}

bool pictureIsWhite(const MainWindow& window) {
  const QImage image = drawingArea(window).chartPixmap().toImage();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
    }
  }
  return true;
}

// Which items are enabled, in a form that compares and prints well.
QString menuState(const MainWindow& window) {
  QString state;
  for (const char* name :
       {"openAction", "closeAction", "exitAction", "aboutAction", "aboutQtAction"}) {
    state += action(window, name)->isEnabled() ? '1' : '0';
  }
  state += ' ';
  for (const char* name : kViewActions)
    state += action(window, name)->isEnabled() ? '1' : '0';
  return state;
}
const QString kNoChartMenus = QStringLiteral("10111 0000000");
const QString kChartMenus = QStringLiteral("01111 1111111");

void sendMouse(QWidget& widget, QEvent::Type type, QPoint at) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, button,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &event);
}

void sendWheel(QWidget& widget, QPoint at, int notches) {
  QWheelEvent event(QPointF(at), widget.mapToGlobal(QPointF(at)), QPoint(),
                    QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                    false);
  QCoreApplication::sendEvent(&widget, &event);
}

// A left-button drag from `from` to `to` in a few moves.
void drag(QWidget& widget, QPoint from, QPoint to) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), widget.mapToGlobal(QPointF(from)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &press);
  for (int step = 1; step <= 4; ++step) {
    const QPointF at = QPointF(from) + QPointF(to - from) * step / 4.0;
    QMouseEvent move(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &move);
  }
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(to), widget.mapToGlobal(QPointF(to)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &release);
}

// The model position under a pixel of the drawing area.
GeoPoint positionAt(const MainWindow& window, QPoint at) {
  return *window.session().positionAt({at.x(), at.y()});
}

// Runs onModal on the first modal dialog shown while command runs, then
// closes that dialog if onModal left it open.
void withModal(const std::function<void()>& command, const std::function<void(QWidget*)>& onModal) {
  bool handled = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || handled) return;
    handled = true;
    onModal(modal);
    if (modal->isVisible()) modal->close();
  });
  poll.start();
  command();
  poll.stop();
}

// Accepts path in the file dialog as if typed into its name field. done()
// rather than accept(), and the field rather than selectFile(): both of
// those consult the folder model, which may still be loading.
void chooseFile(QFileDialog* dialog, const QString& path) {
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (name == nullptr) qFatal("the file dialog has no name field");
  name->setText(path);
  QMetaObject::invokeMethod(dialog, "done", Q_ARG(int, QDialog::Accepted));
}

struct Window {
  MainWindow window;
  Window() {
    window.resize(800, 600);
    window.show();
  }
};

// The View menu with a group of choices added as its own are, over an
// option that has none.
class ChoiceMenu : public ViewMenu {
 public:
  explicit ChoiceMenu(QWidget* window)
      : ViewMenu(new QDockWidget(window), new QDockWidget(window), window) {
    addChoices(&ViewSettings::legend, "test/legend",
               {{u"Without legend"_s, "noLegendAction", false},
                {u"With legend"_s, "legendChoiceAction", true}});
  }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  CellFolder folder;
  QString bayPath;
  // The hostile files, apart from the folder the open dialog tests browse.
  CellFolder hostile;

  QString write(const cw::Cell& cell, const char* name) {
    return QString::fromStdString(folder.write(cell, name));
  }
  QString writeBytes(const char* name, const std::string& bytes) {
    return QString::fromStdString(hostile.writeBytes(bytes, name));
  }
  // A folder of three cells: a coastal cell, a harbour cell in it and a
  // harbour cell that fails its checks, with their catalogue.
  CellFolder setFolder;
  QString writeSet() {
    using test::setCell;
    const Bounds harbour{139.45, 35.45, 139.55, 35.55};
    setFolder.write(setCell("AA3QUILT.000", 180000, 3, {139.0, 35.0, 140.0, 36.0}, "0", "2", "2"),
                    "AA3QUILT.000");
    setFolder.write(setCell("AA5QUILT.000", 12000, 5, harbour, "10", "20", "20"), "AA5QUILT.000");
    cw::Cell dangling =
        setCell("AA5FAILS.000", 12000, 5, {139.1, 35.1, 139.2, 35.2}, "5", "10", "5");
    dangling.features.front().spatialPointers.front().rcid = 999;
    setFolder.write(dangling, "AA5FAILS.000");
    setFolder.writeBytes(
        cw::encodeCatalogue({
            {.file = "AA3QUILT.000", .limits = cw::Limits{35.0, 139.0, 36.0, 140.0}},
            {.file = "AA5QUILT.000", .limits = cw::Limits{35.45, 139.45, 35.55, 139.55}},
            {.file = "AA5FAILS.000", .limits = cw::Limits{35.1, 139.1, 35.2, 139.2}},
            {.file = "AA5GONE0.000", .limits = cw::Limits{35.3, 139.3, 35.4, 139.4}},
        }),
        "CATALOG.031");
    return QString::fromStdString(setFolder.path());
  }
 private slots:
  void initTestCase() {
    if (qEnvironmentVariableIsSet("ABYS_EXPECT_DECIMAL_COMMA")) {
      QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral(","));
    }
    bayPath = write(bayCell(), "BAY.000");
    // Settings go to a place of this run's own, not the user's (and not
    // that of the run under the other locale beside it).
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(folder.path()));
  }

  // A finding's geometry goes to the mark as lines; the points of a
  // several-point record (a sounding's SG3D) each on its own, not joined.
  void findingRowsKeepPointsApart() {
    using Kind = S58Geometry::Kind;
    OpenResult result;
    result.s58.emplace();
    for (const auto& [kind, parts] :
         std::vector<std::pair<Kind, std::vector<std::vector<FindingPosition>>>>{
             {Kind::MultiPoint, {{{1, 2}, {3, 4}, {5, 6}}}},
             {Kind::Line, {{{1, 2}, {3, 4}}}},
             {Kind::Point, {{{1, 2}}}}}) {
      S58Finding finding;
      finding.check = s58Check("1768b");
      finding.geometry = {kind, parts};
      result.s58->push_back(finding);
    }
    const std::vector<FindingRow> rows = findingRows(OpenLog(), result);
    QCOMPARE(rows.size(), size_t{3});
    QCOMPARE(rows[0].geometry.size(), size_t{3});
    QCOMPARE(rows[0].geometry[2].size(), size_t{1});
    QCOMPARE(rows[0].geometry[2][0].longitude, 5.0);
    QCOMPARE(rows[1].geometry.size(), size_t{1});
    QCOMPARE(rows[1].geometry[0].size(), size_t{2});
    QCOMPARE(rows[2].geometry.size(), size_t{1});
  }

  void startsWithoutChart() {
    Window w;
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(!w.window.session().isOpen());
    // Nothing reports and no View command acts without a chart.
    sendMouse(drawingArea(w.window), QEvent::MouseMove, {100, 100});
    sendMouse(drawingArea(w.window), QEvent::MouseButtonPress, {100, 100});
    for (const char* slot :
         {"fullView", "shiftLeft", "shiftRight", "shiftUp", "shiftDown", "zoomIn", "zoomOut"}) {
      QVERIFY(QMetaObject::invokeMethod(&w.window, slot));
    }
    QVERIFY(labelText(w.window, "latLonLabel").isEmpty());
    QVERIFY(labelText(w.window, "valdcoLabel").isEmpty());
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(pictureIsWhite(w.window));
  }

  void extraHeightGoesToTheDrawingArea() {
    Window w;
    auto* valdco = w.window.findChild<QLabel*>(QStringLiteral("valdcoLabel"));
    auto* latLon = w.window.findChild<QLabel*>(QStringLiteral("latLonLabel"));
    const int labelHeight = valdco->height();
    const int areaHeight = drawingArea(w.window).height();
    w.window.resize(800, 700);
    QTRY_COMPARE(drawingArea(w.window).height(), areaHeight + 100);
    QCOMPARE(valdco->height(), labelHeight);
    QCOMPARE(latLon->height(), labelHeight);
    // Side by side below the drawing area, depth on the left.
    QCOMPARE(valdco->y(), latLon->y());
    // No dock is shown: the drawing area spans the window.
    QCOMPARE(drawingArea(w.window).x(), 0);
    QCOMPARE(drawingArea(w.window).width(), w.window.width());
    QVERIFY(valdco->x() < latLon->x());
    QVERIFY(valdco->y() >= drawingArea(w.window).geometry().bottom());
  }

  void openShowsChartAndCloseClearsIt() {
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    QCOMPARE(menuState(w.window), kChartMenus);
    QVERIFY(!pictureIsWhite(w.window));

    // The read-outs reach the labels.
    DrawingArea& area = drawingArea(w.window);
    sendMouse(area, QEvent::MouseMove, {area.width() / 2, area.height() / 2});
    QVERIFY(labelText(w.window, "latLonLabel").startsWith(QStringLiteral("LAT: 35.")));
    sendMouse(area, QEvent::MouseButtonPress, {0, 0});
    QCOMPARE(labelText(w.window, "valdcoLabel"), QString());

    // Closing clears the picture and both read-outs; closing again changes
    // nothing.
    w.window.closeDoc();
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(pictureIsWhite(w.window));
    QVERIFY(labelText(w.window, "latLonLabel").isEmpty());
    QVERIFY(labelText(w.window, "valdcoLabel").isEmpty());
    w.window.closeDoc();
    QCOMPARE(menuState(w.window), kNoChartMenus);
  }

  void secondOpenIsRefusedWhileChartOpen() {
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    const Dataset* shown = w.window.session().display().currentDataset;
    QVERIFY(!w.window.openFile(bayPath));
    QCOMPARE(w.window.session().display().currentDataset, shown);
    QCOMPARE(menuState(w.window), kChartMenus);
  }

  // A failed open of any kind (the chart session's tests cover the kinds)
  // leaves the no-chart state, and the window still works after.
  void failedOpenChangesNothing_data() {
    QTest::addColumn<QString>("path");
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    QTest::newRow("checks fail") << write(dangling, "DANGLING.000");
    QTest::newRow("directory") << QString::fromStdString(folder.path());
    // No record at all: not a chart, not even an empty one.
    QTest::newRow("random bytes") << writeBytes("NOISE.000", std::string(5000, 'x'));
  }
  void failedOpenChangesNothing() {
    QFETCH(QString, path);
    Window w;
    QVERIFY(!w.window.openFile(path));
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(!w.window.session().isOpen());
    QVERIFY(pictureIsWhite(w.window));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    sendMouse(drawingArea(w.window), QEvent::MouseMove, {10, 10});
    QVERIFY(labelText(w.window, "latLonLabel").isEmpty());
    QVERIFY(w.window.openFile(bayPath));
    QCOMPARE(menuState(w.window), kChartMenus);
  }

  // The items mirror the session: a step at its limit disables its item,
  // Full view enables every item again.
  void viewItemsFollowTheSession() {
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    const QImage opened = drawingArea(w.window).chartPixmap().toImage();
    for (int i = 0; i < 64 && action(w.window, "zoomOutAction")->isEnabled(); ++i)
      w.window.zoomOut();
    QCOMPARE(menuState(w.window), QStringLiteral("01111 1101111"));
    QVERIFY(drawingArea(w.window).chartPixmap().toImage() != opened);
    w.window.fullView();
    QCOMPARE(menuState(w.window), kChartMenus);
    QCOMPARE(drawingArea(w.window).chartPixmap().toImage(), opened);
  }

  // A failed open says why in the status read-out and brings up the
  // messages; the next good open takes them away again and the chart is
  // drawn as in a window that never failed.
  void failedOpenExplainsItself_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("failing");  // findings of code 310
    QTest::addColumn<QString>("logHas");
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    cw::Cell twice = dangling;
    twice.features[1].spatialPointers.front().rcid = 998;
    QTest::newRow("checks fail") << write(dangling, "DANGLING.000")
                                 << u"DANGLING.000: the checks failed (310); see Messages"_s << 1
                                 << u"Checking Object Pointer Existence"_s;
    QTest::newRow("the same check twice")
        << write(twice, "TWICE.000") << u"TWICE.000: the checks failed (310 x2); see Messages"_s
        << 2 << u"Error:310"_s;
    QTest::newRow("directory") << QString::fromStdString(folder.path())
                               << QDir(QString::fromStdString(folder.path())).dirName() +
                                      u": the file cannot be opened; see Messages"_s
                               << 0 << QString();
    QTest::newRow("random bytes") << writeBytes("NOISE.000", std::string(5000, 'x'))
                                  << u"NOISE.000: no S-57 record could be read; see Messages"_s << 0
                                  << QString();
  }
  void failedOpenExplainsItself() {
    QFETCH(QString, path);
    QFETCH(QString, status);
    QFETCH(int, failing);
    QFETCH(QString, logHas);
    Window reference;
    QVERIFY(reference.window.openFile(bayPath));

    Window w;
    MessagesDock* messages = w.window.messages();
    QVERIFY(!messages->isVisible());
    const QSize size = w.window.size();
    QVERIFY(!w.window.openFile(path));
    QCOMPARE(labelText(w.window, "statusLabel"), status);
    QVERIFY(labelText(w.window, "valdcoLabel").isEmpty());
    QVERIFY(messages->isVisible());
    QVERIFY(action(w.window, "messagesAction")->isChecked());
    const std::vector<FindingRow>& rows = messages->rows();
    QCOMPARE(messages->findChild<QTreeWidget*>()->topLevelItemCount(),
             static_cast<int>(rows.size()));
    QCOMPARE(messages->logText().count(u"Error:"_s), static_cast<qsizetype>(rows.size()));
    QVERIFY(messages->logText().contains(logHas));
    int dangling = 0;
    for (const FindingRow& row : rows) {
      QVERIFY(!row.message.isEmpty());
      if (row.code != u"310"_s) {
        QCOMPARE(row.severity, u"warning"_s);  // the status names only 310
        continue;
      }
      ++dangling;
      QCOMPARE(row.severity, u"error"_s);
      QVERIFY(row.records.startsWith(u"FE"_s));
    }
    QCOMPARE(dangling, failing);
    QCOMPARE(menuState(w.window), kNoChartMenus);

    QVERIFY(w.window.openFile(bayPath));
    QVERIFY(!messages->isVisible());
    QCOMPARE(w.window.size(), size);
    QCOMPARE(drawingArea(w.window).size(), drawingArea(reference.window).size());
    QCOMPARE(drawingArea(w.window).chartPixmap().toImage(),
             drawingArea(reference.window).chartPixmap().toImage());
    // The log of the good open replaces that of the failed one.
    QVERIFY(messages->rows().empty());
    QVERIFY(messages->logText().contains(u"Checking"_s));
  }

  // Show chart anyway: offered for a cell whose checks failed, it draws
  // what can be drawn, and the findings can then be chosen on it.
  void failedChartShownAnyway_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("offered");
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    QTest::newRow("checks fail") << write(dangling, "DANGLING.000") << true;
    QTest::newRow("directory") << QString::fromStdString(folder.path()) << false;
    QTest::newRow("random bytes") << writeBytes("NOISE.000", std::string(5000, 'x')) << false;
  }
  void failedChartShownAnyway() {
    QFETCH(QString, path);
    QFETCH(bool, offered);
    Window w;
    QVERIFY(!w.window.openFile(path));
    auto* button = w.window.messages()->findChild<QPushButton*>(u"showAnywayButton"_s);
    QCOMPARE(button->isVisibleTo(w.window.messages()), offered);
    if (!offered) {
      QVERIFY(!w.window.showChartAnyway());
      QCOMPARE(menuState(w.window), kNoChartMenus);
      return;
    }
    const int findings = static_cast<int>(w.window.messages()->rows().size());
    button->click();
    QVERIFY(w.window.session().isOpen());
    QCOMPARE(menuState(w.window), kChartMenus);
    QVERIFY(!pictureIsWhite(w.window));
    QVERIFY(!button->isVisibleTo(w.window.messages()));
    QCOMPARE(labelText(w.window, "statusLabel"),
             u"DANGLING.000: the checks failed (310); drawn as far as it can be; see Messages"_s);
    QCOMPARE(static_cast<int>(w.window.messages()->rows().size()), findings);
    QVERIFY(w.window.messages()->isVisible());
    // The dangling pointer's feature has no place (its one pointer leads
    // nowhere); the record it left unused has.
    const std::vector<FindingRow>& rows = w.window.messages()->rows();
    const auto chosen = std::find_if(
        rows.begin(), rows.end(), [](const FindingRow& row) { return row.position.has_value(); });
    QVERIFY(chosen != rows.end());
    auto* list = w.window.messages()->findChild<QTreeWidget*>();
    list->setCurrentItem(list->topLevelItem(static_cast<int>(chosen - rows.begin())));
    QVERIFY(drawingArea(w.window).mark().has_value());
    // Close, then a good open: the dock that came by itself goes.
    w.window.closeDoc();
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(!w.window.showChartAnyway());
    QVERIFY(w.window.openFile(bayPath));
    QVERIFY(!w.window.messages()->isVisible());
  }

  // Attribute values as Identify writes them: enumerations and lists by
  // their meanings, other values as they are.
  void attributeTexts_data() {
    QTest::addColumn<QString>("acronym");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("national");
    QTest::addColumn<QString>("text");
    QTest::newRow("enumeration") << u"COLOUR"_s << QByteArray("4") << false
                                 << u"COLOUR: 4 (green)"_s;
    QTest::newRow("list") << u"COLOUR"_s << QByteArray("1,4") << false
                          << u"COLOUR: 1,4 (white, green)"_s;
    QTest::newRow("unknown value") << u"COLOUR"_s << QByteArray("99") << false << u"COLOUR: 99"_s;
    QTest::newRow("terminated") << u"COLOUR"_s << QByteArray("3\x1f") << false
                                << u"COLOUR: 3 (red)"_s;
    QTest::newRow("float") << u"VALDCO"_s << QByteArray("5.5") << false << u"VALDCO: 5.5"_s;
    QTest::newRow("national") << u"NOBJNM"_s << QByteArray("\x71\x67\xac\x4e", 4) << true
                              << u"NOBJNM: 東京"_s;
  }
  void attributeTexts() {
    QFETCH(QString, acronym);
    QFETCH(QByteArray, value);
    QFETCH(bool, national);
    QFETCH(QString, text);
    const catalogue::Attribute* attribute = catalogue::attribute(acronym.toStdString());
    QVERIFY(attribute != nullptr);
    QCOMPARE(attributeText(attribute->code,
                           std::string_view(value.constData(), static_cast<size_t>(value.size())),
                           national),
             text);
  }

  void foidTexts() {
    QCOMPARE(foidText(550, 115, 1), u"US 0000000115 00001"_s);
    QCOMPARE(foidText(65535, 4294967295u, 65535), u"65535 4294967295 65535"_s);
  }

  // Shift+click lists what lies within five pixels, in order points, lines,
  // areas, and highlights the first; the context menu does the same.
  void identifyListsTheFeaturesUnderThePointer_data() {
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("lat");
    QTest::addColumn<QStringList>("titles");  // the start of each title
    QTest::addColumn<QString>("detail");      // a detail line of the first
    // The 5 m line's middle vertex, inside the coverage and the land area.
    QTest::newRow("line") << 139.74 << 35.48 << QStringList{u"30011"_s, u"M_COVR"_s, u"LNDARE"_s}
                          << u"VALDCO: 5"_s;
    QTest::newRow("name") << 139.71 << 35.44 << QStringList{u"30014"_s, u"M_COVR"_s}
                          << u"NOBJNM: 横浜港"_s;
    QTest::newRow("land") << 139.935 << 35.59 << QStringList{u"M_COVR"_s, u"LNDARE"_s}
                          << u"CATCOV: 1 (coverage available)"_s;
    QTest::newRow("nothing") << 139.0 << 35.0 << QStringList{} << QString();
  }
  void identifyListsTheFeaturesUnderThePointer() {
    QFETCH(double, lon);
    QFETCH(double, lat);
    QFETCH(QStringList, titles);
    QFETCH(QString, detail);
    cw::Cell cell = bayCell();
    addArea(cell, 7, catalogue::objectClass("LNDARE")->code,
            {{139.73, 35.47}, {139.94, 35.47}, {139.94, 35.595}, {139.73, 35.595}, {139.73, 35.47}},
            {{catalogue::attribute("COLOUR")->code, "1,4"}});
    const QString path = write(cell, "LAND.000");
    Window w;
    QVERIFY(w.window.openFile(path));
    const ViewState& view = w.window.session().view();
    const PixelPoint pixel = metresToPixel(view, degreesToMetres(view, lon, lat));
    DrawingArea& area = drawingArea(w.window);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pixel.column, pixel.row),
                      area.mapToGlobal(QPointF(pixel.column, pixel.row)), Qt::LeftButton,
                      Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&area, &press);
    IdentifyDock* dock = w.window.identified();
    QVERIFY(dock->isVisible());
    QCOMPARE(static_cast<int>(dock->features().size()), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
      QVERIFY2(dock->features()[static_cast<size_t>(i)].title.startsWith(titles[i]),
               qPrintable(dock->features()[static_cast<size_t>(i)].title));
    }
    if (titles.isEmpty()) {
      QVERIFY(!area.mark().has_value());
      return;
    }
    const IdentifiedFeature& first = dock->features().front();
    QVERIFY2(first.details.contains(detail), qPrintable(first.details.join(u" | "_s)));
    QVERIFY(first.details.at(0).startsWith(u"Record: FE"_s));
    QVERIFY(first.details.at(1).startsWith(u"FOID: "_s));
    QVERIFY(area.mark().has_value());
    // A drag never starts from a Shift+click: the view stays.
    QCOMPARE(menuState(w.window), kChartMenus);
    // The land area lists its colours by meaning.
    const auto land =
        std::find_if(dock->features().begin(), dock->features().end(),
                     [](const IdentifiedFeature& f) { return f.title.startsWith(u"LNDARE"_s); });
    if (land != dock->features().end()) {
      QVERIFY(land->details.contains(u"COLOUR: 1,4 (white, green)"_s));
      QCOMPARE(land->lines.size(), size_t{1});
    }
    // The context menu's item lists the same.
    std::vector<QString> before;
    for (const IdentifiedFeature& f : dock->features())
      before.push_back(f.title);
    dock->clear();
    // The dock took its room from the drawing area: the place has moved.
    const PixelPoint moved = metresToPixel(view, degreesToMetres(view, lon, lat));
    QTimer::singleShot(20, [] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      menu->findChild<QAction*>(u"identifyHereAction"_s)->trigger();
      menu->close();
    });
    emit area.customContextMenuRequested(QPoint(moved.column, moved.row));
    std::vector<QString> after;
    for (const IdentifiedFeature& f : dock->features())
      after.push_back(f.title);
    QCOMPARE(after, before);
  }

  // A point feature of many points (soundings on one node) is marked at
  // the point that was clicked, not at its first.
  void identifyMarksThePointClicked() {
    cw::Cell cell = bayCell();
    addSoundings(cell, 8, {{139.75, 35.43, 12.0}, {139.90, 35.57, 7.5}, {139.80, 35.52, 3.0}});
    const QString path = write(cell, "SOUNDED.000");
    Window w;
    QVERIFY(w.window.openFile(path));
    const ViewState& view = w.window.session().view();
    const PixelPoint pixel = metresToPixel(view, degreesToMetres(view, 139.90, 35.57));
    w.window.identifyAt(QPoint(pixel.column, pixel.row));
    const std::vector<IdentifiedFeature>& found = w.window.identified()->features();
    QVERIFY(!found.empty());
    QVERIFY(found.front().title.startsWith(u"SOUNDG"_s));
    QVERIFY(found.front().at.has_value());
    QCOMPARE(found.front().at->lon, 139.90);
    QCOMPARE(found.front().at->lat, 35.57);
    QVERIFY(drawingArea(w.window).mark().has_value());
    QCOMPARE(drawingArea(w.window).mark()->at->lon, 139.90);
  }

  // Each feature listed shows its symbol as a picture, a light its
  // description.
  void identifyShowsSymbolsAndLights() {
    cw::Cell cell = bayCell();
    const auto code = [](const char* acronym) { return catalogue::attribute(acronym)->code; };
    addName(cell, 8, catalogue::objectClass("LIGHTS")->code, {139.90, 35.57}, std::nullopt);
    cell.features.back().attributes = {{code("COLOUR"), "3"},
                                       {code("LITCHR"), "2"},
                                       {code("SIGGRP"), "(2)"},
                                       {code("SIGPER"), "6"}};
    std::sort(cell.features.back().attributes.begin(), cell.features.back().attributes.end(),
              [](const auto& a, const auto& b) { return a.attl < b.attl; });
    const QString path = write(cell, "LIGHTED.000");
    Window w;
    QVERIFY(w.window.openFile(path));
    const ViewState& view = w.window.session().view();
    const PixelPoint pixel = metresToPixel(view, degreesToMetres(view, 139.90, 35.57));
    w.window.identifyAt(QPoint(pixel.column, pixel.row));
    const std::vector<IdentifiedFeature>& found = w.window.identified()->features();
    const auto light = std::find_if(found.begin(), found.end(), [](const IdentifiedFeature& f) {
      return f.title.startsWith(u"LIGHTS"_s);
    });
    QVERIFY(light != found.end());
    QVERIFY(!light->symbol.isNull());
    QVERIFY2(light->details.contains(u"Light: Fl(2)R.6s"_s), qPrintable(light->details.join(u'|')));
  }

  // The dock opens wide enough for a whole line (class and name, attribute
  // and meaning) and keeps its width when shown again; made wider floating,
  // it keeps that width docked again.
  void identifyDockIsWideEnoughToRead() {
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    IdentifyDock* dock = w.window.identified();
    const auto identify = [&w] { w.window.identifyAt(drawingArea(w.window).rect().center()); };
    identify();
    QVERIFY(dock->isVisible());
    QVERIFY2(dock->width() >= 320, qPrintable(QString::number(dock->width())));
    const int width = dock->width();
    action(w.window, "identifyAction")->trigger();
    identify();
    QCOMPARE(dock->width(), width);
    dock->setFloating(true);
    dock->resize(width + 80, dock->height());
    dock->setFloating(false);
    action(w.window, "identifyAction")->trigger();
    identify();
    QTRY_COMPARE(dock->width(), width + 80);
  }

  // In the findings list the arrow keys move through the findings, not
  // the chart.
  void findingsListKeepsTheArrowKeys() {
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    const QString path = write(dangling, "DANGLING.000");
    Window w;
    QApplication::setActiveWindow(&w.window);
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QVERIFY(!w.window.openFile(path));
    QVERIFY(w.window.showChartAnyway());
    auto* list = w.window.messages()->findChild<QTreeWidget*>();
    QVERIFY(list->topLevelItemCount() >= 2);
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    QSignalSpy down(action(w.window, "downAction"), &QAction::triggered);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex().row(), 1);
    QCOMPARE(down.count(), 0);
    // Elsewhere the key is the View item's.
    w.window.setFocus();
    QTest::keyClick(&w.window, Qt::Key_Down);
    QCOMPARE(down.count(), 1);
  }

  // A finding of the checks outlines the feature it names when chosen.
  void checkFindingOutlinesItsFeature() {
    cw::Cell repeated = bayCell();
    auto& pointers = repeated.features.front().spatialPointers;
    pointers.push_back(pointers.front());
    const QString path = write(repeated, "REPEATED.000");
    Window w;
    if (!w.window.openFile(path)) QVERIFY(w.window.showChartAnyway());
    const std::vector<FindingRow>& rows = w.window.messages()->rows();
    const auto chosen = std::find_if(rows.begin(), rows.end(),
                                     [](const FindingRow& row) { return row.code == u"311"_s; });
    QVERIFY(chosen != rows.end());
    QCOMPARE(chosen->severity, u"warning"_s);
    QCOMPARE(chosen->records, u"FE0000000001"_s);
    auto* list = w.window.messages()->findChild<QTreeWidget*>();
    list->setCurrentItem(list->topLevelItem(static_cast<int>(chosen - rows.begin())));
    const std::optional<DrawingArea::Mark>& mark = drawingArea(w.window).mark();
    QVERIFY(mark.has_value());
    QVERIFY(!mark->lines.empty());
    QCOMPARE(mark->lines.front().front().lon, 139.72);
  }

  // Shown by the user, the dock stays through a good open; hidden, it
  // changes nothing of the drawing area.
  void messagesShownByTheUserStay() {
    Window w;
    const QSize area = drawingArea(w.window).size();
    action(w.window, "messagesAction")->trigger();
    QVERIFY(w.window.messages()->isVisible());
    QVERIFY(w.window.openFile(bayPath));
    QVERIFY(w.window.messages()->isVisible());
    QVERIFY(labelText(w.window, "valdcoLabel").isEmpty());
    action(w.window, "messagesAction")->trigger();
    QVERIFY(!w.window.messages()->isVisible());
    QTRY_COMPARE(drawingArea(w.window).width(), w.window.width());
    QCOMPARE(drawingArea(w.window).height(), area.height());
  }

  // View > S-58 checks: kept for the next window; with it every open lists
  // the profile's findings, and choosing one centres the view on it.
  void s58FindingsAreListedAndChosen() {
    {
      Window w;
      QAction* s58 = action(w.window, "s58Action");
      QVERIFY(s58->isCheckable() && !s58->isChecked());
      s58->trigger();
    }
    Window w;
    QVERIFY(action(w.window, "s58Action")->isChecked());
    QVERIFY(w.window.openFile(bayPath));
    const std::vector<FindingRow>& rows = w.window.messages()->rows();
    QVERIFY(!rows.empty());
    QVERIFY(labelText(w.window, "statusLabel")
                .startsWith(u"BAY.000: %1 S-58 finding"_s.arg(rows.size())));
    const auto chosen = std::find_if(rows.begin(), rows.end(), [](const FindingRow& row) {
      return row.position && row.position->longitude > 139.8;
    });
    QVERIFY(chosen != rows.end());
    QVERIFY(!chosen->severity.isEmpty() && !chosen->message.isEmpty());
    auto* list = w.window.messages()->findChild<QTreeWidget*>();
    list->setCurrentItem(list->topLevelItem(static_cast<int>(chosen - rows.begin())));
    DrawingArea& area = drawingArea(w.window);
    const GeoPoint centre = positionAt(w.window, {area.width() / 2, area.height() / 2});
    const double pixel = 1.0 / w.window.session().view().pixelsPerMetre;
    QVERIFY(std::abs(centre.lon - chosen->position->longitude) *
                w.window.session().view().metresPerDegreeX <=
            2 * pixel);
    QVERIFY(std::abs(centre.lat - chosen->position->latitude) *
                w.window.session().view().metresPerDegreeY <=
            2 * pixel);
    QVERIFY(area.mark().has_value());
    // The mark lies over the picture, not in it.
    w.window.closeDoc();
    QVERIFY(!area.mark().has_value());
    action(w.window, "s58Action")->trigger();
    QVERIFY(w.window.openFile(bayPath));
    QVERIFY(w.window.messages()->rows().empty());
  }

  // The wheel zooms by the menu's factor about the pointer and stops where
  // the menu stops.
  void wheelZoomsAboutThePointer() {
    Window menu;
    QVERIFY(menu.window.openFile(bayPath));
    int menuSteps = 0;
    for (; menuSteps < 64 && action(menu.window, "zoomOutAction")->isEnabled(); ++menuSteps)
      menu.window.zoomOut();

    Window w;
    QVERIFY(w.window.openFile(bayPath));
    DrawingArea& area = drawingArea(w.window);
    const QPoint pointer(area.width() / 3, area.height() / 4);
    const GeoPoint before = positionAt(w.window, pointer);
    const double scale = w.window.session().view().pixelsPerMetre;
    sendWheel(area, pointer, 1);
    QCOMPARE(w.window.session().view().pixelsPerMetre, 2 * scale);
    const GeoPoint after = positionAt(w.window, pointer);
    const double pixel = 1.0 / w.window.session().view().pixelsPerMetre;
    QVERIFY(std::abs(after.lon - before.lon) * w.window.session().view().metresPerDegreeX <= pixel);
    QVERIFY(std::abs(after.lat - before.lat) * w.window.session().view().metresPerDegreeY <= pixel);
    QVERIFY(action(w.window, "zoomOutAction")->isEnabled());

    w.window.fullView();
    int wheelSteps = 0;
    for (; wheelSteps < 64 && action(w.window, "zoomOutAction")->isEnabled(); ++wheelSteps)
      sendWheel(area, pointer, -1);
    QCOMPARE(wheelSteps, menuSteps);
    QVERIFY(action(w.window, "zoomInAction")->isEnabled());
    // At the limit the wheel does nothing, as the disabled item would.
    const QImage limit = area.chartPixmap().toImage();
    const double limitScale = w.window.session().view().pixelsPerMetre;
    sendWheel(area, pointer, -3);
    QCOMPARE(w.window.session().view().pixelsPerMetre, limitScale);
    QCOMPARE(area.chartPixmap().toImage(), limit);
    // Without a chart the wheel does nothing.
    w.window.closeDoc();
    sendWheel(area, pointer, 1);
    QVERIFY(pictureIsWhite(w.window));
  }

  // A drag moves the chart with the pointer; the centre stays on the
  // chart, and the pan items follow where it stopped.
  void dragPansWithinTheChart_data() {
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QString>("menus");
    // Far to the right: the centre reaches the west edge, and Right (which
    // moves it west) can go no further.
    QTest::newRow("far right") << QPoint(5000, 0) << u"01111 1111011"_s;
    QTest::newRow("far left") << QPoint(-5000, 0) << u"01111 1110111"_s;
    QTest::newRow("far down") << QPoint(0, 5000) << u"01111 1111110"_s;
    QTest::newRow("far up") << QPoint(0, -5000) << u"01111 1111101"_s;
    QTest::newRow("a little") << QPoint(40, -30) << kChartMenus;
  }
  void dragPansWithinTheChart() {
    QFETCH(QPoint, offset);
    QFETCH(QString, menus);
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    DrawingArea& area = drawingArea(w.window);
    const QPoint from(area.width() / 2, area.height() / 2);
    const QPoint to = from + QPoint(std::clamp(offset.x(), -from.x(), from.x() - 1),
                                    std::clamp(offset.y(), -from.y(), from.y() - 1));
    const GeoPoint grabbed = positionAt(w.window, from);
    // Several drags to go far.
    for (int i = 0; i < (offset.manhattanLength() > 1000 ? 20 : 1); ++i)
      drag(area, from, to);
    QCOMPARE(menuState(w.window), menus);
    if (offset.manhattanLength() < 1000) {
      const GeoPoint there = positionAt(w.window, to);
      const double pixel = 1.0 / w.window.session().view().pixelsPerMetre;
      QVERIFY(std::abs(there.lon - grabbed.lon) * w.window.session().view().metresPerDegreeX <=
              pixel);
      QVERIFY(std::abs(there.lat - grabbed.lat) * w.window.session().view().metresPerDegreeY <=
              pixel);
    }
    // Full view puts everything back.
    const QImage moved = area.chartPixmap().toImage();
    w.window.fullView();
    QCOMPARE(menuState(w.window), kChartMenus);
    QVERIFY(area.chartPixmap().toImage() != moved);
  }

  // The keys run the View items: the same picture as the item's command.
  void keysRunTheViewItems_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("shortcut");
    QTest::newRow("plus") << int(Qt::Key_Plus) << u"zoomIn"_s << u"+"_s;
    QTest::newRow("minus") << int(Qt::Key_Minus) << u"zoomOut"_s << u"-"_s;
    QTest::newRow("left") << int(Qt::Key_Left) << u"shiftLeft"_s << u"Left"_s;
    QTest::newRow("right") << int(Qt::Key_Right) << u"shiftRight"_s << u"Right"_s;
    QTest::newRow("up") << int(Qt::Key_Up) << u"shiftUp"_s << u"Up"_s;
    QTest::newRow("down") << int(Qt::Key_Down) << u"shiftDown"_s << u"Down"_s;
  }
  void keysRunTheViewItems() {
    QFETCH(int, key);
    QFETCH(QString, slot);
    QFETCH(QString, shortcut);
    Window byMenu;
    QVERIFY(byMenu.window.openFile(bayPath));
    QVERIFY(QMetaObject::invokeMethod(&byMenu.window, slot.toLatin1().constData()));

    Window w;
    QApplication::setActiveWindow(&w.window);
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QVERIFY(w.window.openFile(bayPath));
    QTest::keyClick(&w.window, Qt::Key(key));
    QCOMPARE(drawingArea(w.window).chartPixmap().toImage(),
             drawingArea(byMenu.window).chartPixmap().toImage());
    QCOMPARE(menuState(w.window), menuState(byMenu.window));
    // Home is Full view.
    QTest::keyClick(&w.window, Qt::Key_Home);
    QCOMPARE(menuState(w.window), kChartMenus);
    // The menu shows the key.
    bool shown = false;
    for (QAction* item : w.window.findChild<QMenu*>(u"viewMenu"_s)->actions()) {
      if (item->shortcut().toString() == shortcut) shown = true;
    }
    QVERIFY(shown);
  }

  // Bold and underline toggle, normal resets both: the state after each
  // command as "bold underline".
  void fontCommands() {
    Window w;
    auto* label = w.window.findChild<QLabel*>(QStringLiteral("valdcoLabel"));
    const std::pair<const char*, const char*> steps[] = {
        {"bold", "10"},   {"bold", "00"},      {"bold", "10"},     {"underline", "11"},
        {"bold", "01"},   {"bold", "11"},      {"normal", "00"},   {"bold", "10"},
        {"normal", "00"}, {"underline", "01"}, {"underline", "00"}};
    for (const auto& [slot, state] : steps) {
      QVERIFY(QMetaObject::invokeMethod(&w.window, slot));
      const QFont font = label->font();
      QCOMPARE(QString(font.bold() ? "1" : "0") + (font.underline() ? "1" : "0"),
               QString::fromLatin1(state));
    }
  }

  void openAsksForACellInHome() {
    Window w;
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(folder.path()));
    QString directory;
    QStringList filters;
    withModal([&] { w.window.open(); },
              [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog != nullptr);
                directory = dialog->directory().absolutePath();
                filters = dialog->nameFilters();
                chooseFile(dialog, bayPath);
              });
    qputenv("HOME", home);
    QCOMPARE(directory, QDir(QString::fromStdString(folder.path())).absolutePath());
    QCOMPARE(filters, QStringList{QStringLiteral("*.000")});
    QCOMPARE(menuState(w.window), kChartMenus);
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  // The dialog offers OK only for ordered contours; what it accepts reaches
  // the chart and the settings the next window starts from.
  void depthSettingsAreKept() {
    Window w;
    QCOMPARE(w.window.session().display().depthContours.safety, 10.0);
    withModal([&] { w.window.depthSettings(); },
              [&](QWidget* modal) {
                auto* dialog = qobject_cast<DepthSettingsDialog*>(modal);
                QVERIFY(dialog != nullptr);
                const QList<QDoubleSpinBox*> fields = dialog->findChildren<QDoubleSpinBox*>();
                QCOMPARE(fields.size(), 3);
                auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
                fields[0]->setValue(40.0);  // deeper than the safety contour
                QVERIFY(!ok->isEnabled());
                fields[0]->setValue(3.0);
                fields[1]->setValue(6.5);
                QVERIFY(ok->isEnabled());
                ok->click();
              });
    QCOMPARE(w.window.session().display().depthContours.safety, 6.5);
    Window next;
    QCOMPARE(next.window.session().display().depthContours.shallow, 3.0);
    QCOMPARE(next.window.session().display().depthContours.safety, 6.5);
  }

  // File > Apply update files: on at first; off, the next open reads the
  // base alone, and the next window starts off too.
  void updateSettingIsKept() {
    CellFolder updated;
    cw::Cell update = cw::updateCell(1);
    update.vectors.push_back(cw::isolatedNode(900, {139.8, 35.4}));
    update.features.push_back(
        {.rcid = 900, .prim = 1, .objl = 30012, .spatialPointers = {{.rcnm = 110, .rcid = 900}}});
    const QString base = QString::fromStdString(updated.write(bayCell(), "BAY.000"));
    updated.write(update, "BAY.001");
    auto features = [](const Window& w) {
      return w.window.session().display().currentDataset->features.count;
    };

    Window w;
    QAction* apply = action(w.window, "applyUpdatesAction");
    QVERIFY(apply->isCheckable() && apply->isChecked() && apply->isEnabled());
    QVERIFY(w.window.openFile(base));
    const int32_t withUpdate = features(w);
    w.window.closeDoc();
    apply->trigger();
    QVERIFY(!apply->isChecked());
    QVERIFY(w.window.openFile(base));
    QCOMPARE(features(w), withUpdate - 1);
    QCOMPARE(menuState(w.window), kChartMenus);
    w.window.closeDoc();

    Window next;
    QVERIFY(!action(next.window, "applyUpdatesAction")->isChecked());
    QVERIFY(!next.window.session().appliesUpdates());
    action(next.window, "applyUpdatesAction")->trigger();
  }

  // An open that applied update files says in Messages how many features
  // they inserted, modified and deleted, and names each one deleted, the
  // file that deleted it too; a refused instruction counts for nothing.
  void deletedFeaturesAreListed() {
    CellFolder updated;
    cw::Cell update = cw::updateCell(1);
    update.vectors.push_back(cw::isolatedNode(900, {139.8, 35.4}));
    update.features = {
        {.rcid = 900, .prim = 1, .objl = 30012, .spatialPointers = {{.rcnm = 110, .rcid = 900}}},
        {.rcid = 1, .rver = 2, .ruin = 3, .attributes = {{116, "Renamed"}}},
        {.rcid = 5, .rver = 2, .ruin = 2, .withFoid = false},
        {.rcid = 4, .rver = 5, .ruin = 2, .withFoid = false}};
    const QString base = QString::fromStdString(updated.write(bayCell(), "BAY.000"));
    updated.write(update, "BAY.001");
    Window w;
    QVERIFY(w.window.openFile(base));
    const QString log = w.window.messages()->logText();
    QVERIFY2(log.contains(u"Features the updates inserted: 1, modified: 1, deleted: 1\n"
                          u"Deleted by BAY.001: 30014 FE0000000005 FOID GB 0000000005 00001\n"_s),
             qPrintable(log));
    QCOMPARE(log.count(u"Deleted by"_s), 1);
    w.window.closeDoc();
    QVERIFY(w.window.openFile(bayPath));
    QVERIFY(!w.window.messages()->logText().contains(u"Features the updates"_s));
  }

  void cancelledOpenChangesNothing() {
    Window w;
    withModal([&] { w.window.open(); }, [](QWidget* modal) { modal->close(); });
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(!w.window.session().isOpen());
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void acceleratorsFollowTheMenuState() {
    Window w;
    QApplication::setActiveWindow(&w.window);
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QVERIFY(w.window.openFile(bayPath));
    // Ctrl+O is disabled while a chart is open: no dialog appears.
    int dialogs = 0;
    withModal([&] { QTest::keyClick(&w.window, Qt::Key_O, Qt::ControlModifier); },
              [&](QWidget*) { ++dialogs; });
    QCOMPARE(dialogs, 0);
    QTest::keyClick(&w.window, Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(menuState(w.window), kNoChartMenus);
  }

  // The File menu's items in order: those of before keep their places.
  void fileMenuKeepsItsItemsInPlace() {
    Window w;
    QStringList names;
    for (QAction* item : w.window.findChild<QMenu*>(u"fileMenu"_s)->actions())
      names << (item->isSeparator() ? u"-"_s : item->objectName());
    QCOMPARE(names, (QStringList{u"openAction"_s, u"closeAction"_s, u"applyUpdatesAction"_s, u"-"_s,
                                 u"exitAction"_s, u"-"_s, u"recentAction"_s, u"exportAction"_s,
                                 u"printAction"_s, u"openFolderAction"_s}));
  }

  // The View menu's items in order: those of before keep their places.
  void viewMenuKeepsItsItemsInPlace() {
    Window w;
    QStringList names;
    for (QAction* item : w.window.findChild<QMenu*>(u"viewMenu"_s)->actions())
      names << (item->isSeparator() ? u"-"_s : item->objectName());
    QCOMPARE(names, (QStringList{u"fullViewAction"_s,
                                 u"zoomInAction"_s,
                                 u"zoomOutAction"_s,
                                 u"leftAction"_s,
                                 u"rightAction"_s,
                                 u"upAction"_s,
                                 u"downAction"_s,
                                 u"-"_s,
                                 u"depthSettingsAction"_s,
                                 u"-"_s,
                                 u"messagesAction"_s,
                                 u"identifyAction"_s,
                                 u"s58Action"_s,
                                 u"-"_s,
                                 u"legendAction"_s,
                                 u"scaleBarAction"_s,
                                 u"-"_s,
                                 u"declutterAction"_s,
                                 u"wideDepthLinesAction"_s,
                                 u"-"_s,
                                 u"readPastOrderErrorsAction"_s,
                                 u"-"_s,
                                 u"coloursMenuAction"_s,
                                 u"displayMenuAction"_s,
                                 u"scaleMinimumAction"_s,
                                 u"namesAction"_s,
                                 u"otherTextAction"_s,
                                 u"depthPresentationMenuAction"_s,
                                 u"symbolizedBoundariesAction"_s,
                                 u"simplifiedSymbolsAction"_s,
                                 u"-"_s,
                                 u"highlightUpdatesAction"_s,
                                 u"-"_s,
                                 u"cellsAction"_s,
                                 u"memoryLimitAction"_s}));
    for (const char* name :
         {"legendAction", "scaleBarAction", "declutterAction", "wideDepthLinesAction",
          "readPastOrderErrorsAction", "highlightUpdatesAction"}) {
      QVERIFY(action(w.window, name)->isCheckable());
      QVERIFY(!action(w.window, name)->isChecked());
    }
  }

  // A group of choices: the one kept is checked (a number no item stands for
  // leaves the default); a choice is kept and handed on, one made for this
  // run only is handed on and not kept.
  void viewMenuChoicesAreKept_data() {
    QTest::addColumn<QVariant>("kept");
    QTest::addColumn<bool>("on");
    QTest::newRow("never kept") << QVariant() << false;
    QTest::newRow("kept on") << QVariant(1) << true;
    QTest::newRow("kept off") << QVariant(0) << false;
    QTest::newRow("no such choice") << QVariant(7) << false;
  }
  void viewMenuChoicesAreKept() {
    QFETCH(QVariant, kept);
    QFETCH(bool, on);
    const QString key = u"test/legend"_s;
    QSettings(u"ABYS"_s, u"abys"_s).remove(key);
    if (kept.isValid()) QSettings(u"ABYS"_s, u"abys"_s).setValue(key, kept);
    QWidget window;
    ChoiceMenu menu(&window);
    std::vector<bool> handedOn;
    connect(&menu, &ViewMenu::settingsChanged, this,
            [&handedOn](const ViewSettings& settings) { handedOn.push_back(settings.legend); });
    const auto checked = [&window] {
      QString names;
      for (const char* name : {"noLegendAction", "legendChoiceAction"})
        names += window.findChild<QAction*>(QString::fromLatin1(name))->isChecked() ? '1' : '0';
      return names;
    };
    QCOMPARE(menu.settings().legend, on);
    QCOMPARE(checked(), on ? u"01"_s : u"10"_s);
    window.findChild<QAction*>(on ? u"noLegendAction"_s : u"legendChoiceAction"_s)->trigger();
    QCOMPARE(checked(), on ? u"10"_s : u"01"_s);
    QCOMPARE(handedOn, std::vector<bool>{!on});
    QCOMPARE(QSettings(u"ABYS"_s, u"abys"_s).value(key).toInt(), on ? 0 : 1);
    ViewSettings thisRun = menu.settings();
    thisRun.legend = on;
    menu.setForThisRun(thisRun);
    QCOMPARE(checked(), on ? u"01"_s : u"10"_s);
    QCOMPARE(handedOn, (std::vector<bool>{!on, on}));
    QCOMPARE(QSettings(u"ABYS"_s, u"abys"_s).value(key).toInt(), on ? 0 : 1);
    QSettings(u"ABYS"_s, u"abys"_s).remove(key);
  }

  // Declutter names, Wide depth lines and Highlight updates (the chart has
  // an update file that renames a depth line): kept for the next window,
  // each changing the picture while on; off, the picture is the one of a
  // window that never had them.
  void drawingOptionsAreKept_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("key");
    QTest::newRow("declutter") << u"declutterAction"_s << u"view/declutterNames"_s;
    QTest::newRow("wide lines") << u"wideDepthLinesAction"_s << u"view/wideDepthLines"_s;
    QTest::newRow("highlight updates") << u"highlightUpdatesAction"_s << u"view/highlightUpdates"_s;
  }
  void drawingOptionsAreKept() {
    QFETCH(QString, item);
    QFETCH(QString, key);
    cw::Cell crowded = bayCell();
    addName(crowded, 7, kAreaNameClass, {139.821, 35.4995}, u"東京湾"_s.toStdU16String());
    const QString path = write(crowded, "CROWDED.000");
    cw::Cell update = cw::updateCell(1);
    update.features = {{.rcid = 2, .rver = 2, .ruin = 3, .attributes = {{116, "Renamed"}}}};
    write(update, "CROWDED.001");
    const auto picture = [](const MainWindow& window) {
      return drawingArea(window).chartPixmap().toImage().convertToFormat(QImage::Format_RGB32);
    };
    QImage plain;
    {
      Window w;
      QVERIFY(w.window.openFile(path));
      plain = picture(w.window);
      action(w.window, qPrintable(item))->setChecked(true);
      QVERIFY(picture(w.window) != plain);
      w.window.closeDoc();
    }
    QVERIFY(QSettings(u"ABYS"_s, u"abys"_s).value(key).toBool());
    Window w;
    QAction* toggle = action(w.window, qPrintable(item));
    QVERIFY(toggle->isChecked());
    QVERIFY(w.window.openFile(path));
    QVERIFY(picture(w.window) != plain);
    toggle->setChecked(false);
    QCOMPARE(picture(w.window), plain);
    QVERIFY(!QSettings(u"ABYS"_s, u"abys"_s).value(key).toBool());
  }

  // The status line reads the view's scale and the pointer's position while
  // a chart is open; an open's summary stands first, until the pointer moves
  // over the chart. The read-outs beside it keep their texts, and the line
  // never widens the window.
  void statusLineReadsScaleAndPosition_data() {
    QTest::addColumn<bool>("s58");
    QTest::newRow("no summary") << false;
    QTest::newRow("summary first") << true;
  }
  void statusLineReadsScaleAndPosition() {
    QFETCH(bool, s58);
    QSettings(u"ABYS"_s, u"abys"_s).setValue(u"checks/s58"_s, s58);
    Window w;
    const QSize size = w.window.size();
    DrawingArea& area = drawingArea(w.window);
    const auto reading = [&](std::optional<QPoint> pointer) {
      const QScreen* screen = area.screen();
      const double density =
          screenDensity(screen->physicalDotsPerInch(), screen->logicalDotsPerInch());
      std::optional<GeoPoint> position;
      if (pointer) position = positionAt(w.window, *pointer);
      return scaleAndPositionText(scaleDenominator(w.window.session().view(), density), position);
    };
    auto* status = w.window.findChild<QLabel*>(u"statusLabel"_s);
    QVERIFY(w.window.openFile(bayPath));
    const QString summary = labelText(w.window, "statusLabel");
    QCOMPARE(summary.startsWith(u"BAY.000: "_s), s58);
    if (s58) {
      QVERIFY(summary != reading(std::nullopt));
    } else {
      QCOMPARE(summary, reading(std::nullopt));
      QVERIFY(summary.startsWith(u"1:"_s));
    }
    QVERIFY(status->isVisible());
    // A View command leaves a standing summary alone, else reads anew.
    w.window.zoomIn();
    QCOMPARE(labelText(w.window, "statusLabel"), s58 ? summary : reading(std::nullopt));
    const QPoint pointer(area.width() / 3, area.height() / 4);
    sendMouse(area, QEvent::MouseMove, pointer);
    QCOMPARE(labelText(w.window, "statusLabel"), reading(pointer));
    QVERIFY(labelText(w.window, "statusLabel").contains(u"'N 139°"_s));
    QVERIFY(labelText(w.window, "latLonLabel").startsWith(u"LAT: 35."_s));
    // Zooming out doubles the scale's figure and moves the position under the
    // pointer; the reading follows both.
    const QString zoomedIn = labelText(w.window, "statusLabel");
    w.window.zoomOut();
    QCOMPARE(labelText(w.window, "statusLabel"), reading(pointer));
    QVERIFY(labelText(w.window, "statusLabel") != zoomedIn);
    QCOMPARE(w.window.size(), size);
    w.window.closeDoc();
    QVERIFY(!status->isVisible());
    QVERIFY(labelText(w.window, "statusLabel").isEmpty());
    QSettings(u"ABYS"_s, u"abys"_s).remove(u"checks/s58"_s);
  }

  // A failed open's summary stays: no chart, nothing to read.
  // View > Read on past order errors: kept for the next window; with it a
  // cell with a field out of order opens whole, the status line says so and
  // the Messages dock names the record; without it the load stops there.
  void orderErrorsAreReadPastWhenAsked() {
    const QString path = writeBytes("ORDER.000", outOfOrderBayCell());
    const auto features = [](const Window& w) {
      return w.window.session().display().currentDataset->features.count;
    };
    {
      Window w;
      QAction* item = action(w.window, "readPastOrderErrorsAction");
      QVERIFY(!item->isChecked() && !w.window.session().readsPastOrderErrors());
      QVERIFY(w.window.openFile(path));
      QCOMPARE(features(w), 1);
      QVERIFY(!labelText(w.window, "statusLabel").contains(u"ORDER.000"_s));  // the scale
      w.window.closeDoc();
      item->trigger();
    }
    Window w;
    QAction* item = action(w.window, "readPastOrderErrorsAction");
    QVERIFY(item->isChecked() && w.window.session().readsPastOrderErrors());
    QVERIFY(w.window.openFile(path));
    QCOMPARE(features(w), static_cast<int32_t>(bayCell().features.size()));
    QCOMPARE(labelText(w.window, "statusLabel"),
             u"ORDER.000: read on past fields out of order in 1 record(s); see Messages"_s);
    const FindingRow& row = w.window.messages()->rows().front();
    QCOMPARE(row.code, u"7"_s);
    QCOMPARE(row.severity, u"error"_s);
    QCOMPARE(row.records, u"FE0000000001"_s);
    QVERIFY(row.position.has_value());
    w.window.closeDoc();
    item->trigger();
    QVERIFY(!QSettings(u"ABYS"_s, u"abys"_s).value(u"view/readPastOrderErrors"_s).toBool());
    // For this run only (abys --lenient), the setting kept stays as it was.
    w.window.readPastOrderErrorsThisRun();
    QVERIFY(item->isChecked() && w.window.session().readsPastOrderErrors());
    QVERIFY(!QSettings(u"ABYS"_s, u"abys"_s).value(u"view/readPastOrderErrors"_s).toBool());
  }

  void failedOpenSummaryStays() {
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    Window w;
    QVERIFY(!w.window.openFile(write(dangling, "DANGLING.000")));
    const QString summary = labelText(w.window, "statusLabel");
    QVERIFY(summary.startsWith(u"DANGLING.000: "_s));
    sendMouse(drawingArea(w.window), QEvent::MouseMove, {100, 100});
    QCOMPARE(labelText(w.window, "statusLabel"), summary);
  }

  // The legend of an open chart: the labelled VALDCO values of its depth
  // lines and contours, and the depth bands when it has depth areas.
  void legendFollowsTheChart_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<double>>("ticks");  // empty: no hue scale
    QTest::addColumn<QStringList>("bands");
    QTest::addColumn<QList<double>>("contours");  // shallow, safety, deep; empty: the defaults
    const QStringList standardBands{u"< 0"_s, u"0 - 2"_s, u"2 - 10"_s, u"10 - 30"_s, u">= 30"_s};
    const std::vector<cw::Point2> square{
        {139.70, 35.40}, {139.95, 35.40}, {139.95, 35.60}, {139.70, 35.60}, {139.70, 35.40}};
    QTest::newRow("depth lines") << bayPath << QList<double>{5, 10, 15, 20} << QStringList{}
                                 << QList<double>{};
    cw::Cell one = bayCell();
    for (cw::Feature& feature : one.features) {
      for (cw::Attribute& attribute : feature.attributes)
        if (attribute.attl == kValdcoCode) attribute.value = "7.5";
    }
    QTest::newRow("one value") << write(one, "ONE.000") << QList<double>{7.5} << QStringList{}
                               << QList<double>{};
    cw::Cell drying = bayCell();
    drying.features[0].attributes.front().value = "-2.5";
    drying.features[2].attributes.front().value = "48.2";
    QTest::newRow("drying to deep")
        << write(drying, "DRYING.000") << QList<double>{-2.5, 20, 40, 48.2} << QStringList{}
        << QList<double>{};
    cw::Cell areas = bayCell();
    areas.features.erase(areas.features.begin(), areas.features.begin() + 3);
    addArea(areas, 7, catalogue::objectClass("DEPARE")->code, square,
            {{kDrval1Code, "5"}, {kDrval2Code, "10"}});
    QTest::newRow("depth areas only")
        << write(areas, "AREAS.000") << QList<double>{} << standardBands << QList<double>{};
    QTest::newRow("the user's contours")
        << write(areas, "AREAS.000") << QList<double>{}
        << QStringList{u"< 0"_s, u"0 - 3"_s, u"3 - 6.5"_s, u"6.5 - 25"_s, u">= 25"_s}
        << QList<double>{3, 6.5, 25};
    cw::Cell contours = areas;
    addLine(contours, 8, {{139.72, 35.45}, {139.80, 35.50}}, {"10"},
            catalogue::objectClass("DEPCNT")->code);
    addLine(contours, 9, {{139.82, 35.45}, {139.90, 35.50}}, {"30"},
            catalogue::objectClass("DEPCNT")->code);
    QTest::newRow("contours and areas")
        << write(contours, "CONTOURS.000") << QList<double>{10, 15, 20, 25, 30} << standardBands
        << QList<double>{};
    cw::Cell names = bayCell();
    names.features.erase(names.features.begin(), names.features.begin() + 3);
    QTest::newRow("no depths") << write(names, "NAMES.000") << QList<double>{} << QStringList{}
                               << QList<double>{};
  }
  void legendFollowsTheChart() {
    QFETCH(QString, path);
    QFETCH(QList<double>, ticks);
    QFETCH(QStringList, bands);
    QFETCH(QList<double>, contours);
    {
      QSettings settings(u"ABYS"_s, u"abys"_s);
      settings.remove(u"depths"_s);
      if (!contours.isEmpty()) {
        saveDepthContours({contours[0], contours[1], contours[2]});
      }
    }
    Window w;
    QVERIFY(legendFor(w.window.session().display()).empty());
    QVERIFY(w.window.openFile(path));
    const Legend legend = legendFor(w.window.session().display());
    QCOMPARE(legend.hasLines, !ticks.isEmpty());
    QCOMPARE(QList<double>(legend.ticks.begin(), legend.ticks.end()), ticks);
    if (legend.hasLines) {
      QCOMPARE(legend.range.min, ticks.front());
      QCOMPARE(legend.range.max, ticks.back());
    }
    QStringList texts;
    for (const Legend::Band& band : legend.bands)
      texts << band.text;
    QCOMPARE(texts, bands);
    QCOMPARE(legend.empty(), ticks.isEmpty() && bands.isEmpty());
    QSettings(u"ABYS"_s, u"abys"_s).remove(u"depths"_s);
  }

  // The scale bar: the longest 1, 2 or 5 times a power of ten metres that
  // fits in the given pixels.
  void scaleBarLengths_data() {
    QTest::addColumn<double>("pixelsPerMetre");
    QTest::addColumn<double>("metres");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<QString>("text");
    QTest::newRow("metre a pixel") << 1.0 << 100.0 << 100 << u"100 m"_s;
    QTest::newRow("two pixels a metre") << 2.0 << 50.0 << 100 << u"50 m"_s;
    QTest::newRow("exactly fits") << 30.0 << 5.0 << 150 << u"5 m"_s;
    QTest::newRow("kilometres") << 0.01 << 10000.0 << 100 << u"10 km"_s;
    QTest::newRow("two hundred km") << 0.0004 << 200000.0 << 80 << u"200 km"_s;
    QTest::newRow("under a metre") << 1000.0 << 0.1 << 100 << u"0.1 m"_s;
    QTest::newRow("no scale") << 0.0 << 0.0 << 0 << QString();
  }
  void scaleBarLengths() {
    QFETCH(double, pixelsPerMetre);
    QFETCH(double, metres);
    QFETCH(int, pixels);
    QFETCH(QString, text);
    ViewState view;
    view.pixelsPerMetre = pixelsPerMetre;
    const ScaleBar bar = scaleBarFor(view, 150);
    QCOMPARE(bar.metres, metres);
    QCOMPARE(bar.pixels, pixels);
    QCOMPARE(bar.text, text);
  }

  // Legend and scale bar are drawn over the chart, each in its corner, only
  // while switched on: off, the window shows the chart picture as it is.
  void overlaysOnlyWhenSwitchedOn_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("right");  // the corner: top right, or bottom left
    QTest::newRow("legend") << u"legendAction"_s << true;
    QTest::newRow("scale bar") << u"scaleBarAction"_s << false;
  }
  void overlaysOnlyWhenSwitchedOn() {
    QFETCH(QString, item);
    QFETCH(bool, right);
    Window w;
    DrawingArea& area = drawingArea(w.window);
    const auto shown = [&area] {
      QImage image(area.size(), QImage::Format_RGB32);
      area.render(&image);
      return image;
    };
    QAction* toggle = action(w.window, qPrintable(item));
    toggle->setChecked(true);
    QVERIFY(pictureIsWhite(w.window));
    QCOMPARE(shown(), area.chartPixmap().toImage().convertToFormat(QImage::Format_RGB32));
    QVERIFY(w.window.openFile(bayPath));
    const QImage picture = area.chartPixmap().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage on = shown();
    QRect changed;
    for (int y = 0; y < on.height(); ++y) {
      for (int x = 0; x < on.width(); ++x) {
        if (on.pixel(x, y) != picture.pixel(x, y)) changed |= QRect(x, y, 1, 1);
      }
    }
    QVERIFY(!changed.isEmpty());
    QVERIFY2(right ? changed.left() > area.width() / 2 && changed.bottom() < area.height() / 2
                   : changed.right() < area.width() / 2 && changed.top() > area.height() / 2,
             qPrintable(u"%1,%2 %3x%4"_s.arg(changed.x())
                            .arg(changed.y())
                            .arg(changed.width())
                            .arg(changed.height())));
    if (right) {
      // The hue scale runs from the shallowest colour to the deepest.
      const ValdcoRange range = w.window.session().display().valdcoRange;
      bool shallowest = false;
      bool deepest = false;
      for (int y = changed.top(); y <= changed.bottom(); ++y) {
        for (int x = changed.left(); x <= changed.right(); ++x) {
          shallowest = shallowest || on.pixel(x, y) == depthColour(range.min, range).rgb();
          deepest = deepest || on.pixel(x, y) == depthColour(range.max, range).rgb();
        }
      }
      QVERIFY(shallowest && deepest);
    }
    // The chart picture itself never holds it; switched off, it goes.
    QCOMPARE(area.chartPixmap().toImage().convertToFormat(QImage::Format_RGB32), picture);
    toggle->setChecked(false);
    QCOMPARE(shown(), picture);
  }

  // The window's caption is the program's, whatever is open.
  void captionStaysWhileAChartIsOpen() {
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    Window w;
    w.window.setWindowTitle(u"ABYS Ver.0.1.1"_s);
    QVERIFY(!w.window.openFile(write(dangling, "DANGLING.000")));
    QCOMPARE(w.window.windowTitle(), u"ABYS Ver.0.1.1"_s);
    QVERIFY(w.window.openFile(bayPath));
    QCOMPARE(w.window.windowTitle(), u"ABYS Ver.0.1.1"_s);
    w.window.closeDoc();
    QCOMPARE(w.window.windowTitle(), u"ABYS Ver.0.1.1"_s);
  }

  // Recent files: each step, then the list (file names, latest first) and
  // whether the submenu and its items are offered.
  void recentFilesFollowTheOpenRule_data() {
    QTest::addColumn<QStringList>("steps");  // "open X", "fail X", "close", "recent N"
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("offered");
    QTest::newRow("none yet") << QStringList{} << QStringList{} << false;
    QTest::newRow("one open") << QStringList{u"open A"_s} << QStringList{u"A.000"_s} << false;
    QTest::newRow("closed again") << QStringList{u"open A"_s, u"close"_s} << QStringList{u"A.000"_s}
                                  << true;
    QTest::newRow("latest first, once each")
        << QStringList{u"open A"_s, u"close"_s, u"open B"_s, u"close"_s, u"open A"_s, u"close"_s}
        << QStringList{u"A.000"_s, u"B.000"_s} << true;
    QTest::newRow("a failed open is not kept")
        << QStringList{u"open A"_s, u"close"_s, u"fail BAD"_s} << QStringList{u"A.000"_s} << true;
    QStringList ten;
    QStringList lastEight;
    for (char name = 'A'; name <= 'J'; ++name) {
      ten << u"open "_s + QChar::fromLatin1(name) << u"close"_s;
      if (name >= 'C') lastEight.prepend(QChar::fromLatin1(name) + u".000"_s);
    }
    QTest::newRow("the last eight") << ten << lastEight << true;
    QTest::newRow("chosen from the menu")
        << QStringList{u"open A"_s, u"close"_s, u"open B"_s, u"close"_s, u"recent 2"_s}
        << QStringList{u"A.000"_s, u"B.000"_s} << false;
  }
  void recentFilesFollowTheOpenRule() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, files);
    QFETCH(bool, offered);
    QSettings(u"ABYS"_s, u"abys"_s).remove(u"files/recent"_s);
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    Window w;
    auto* menu = w.window.findChild<QMenu*>(u"recentMenu"_s);
    for (const QString& step : steps) {
      const QString argument = step.section(' ', 1);
      if (step.startsWith(u"open "_s)) {
        QVERIFY(w.window.openFile(write(bayCell(), qPrintable(argument + u".000"_s))));
      } else if (step.startsWith(u"fail "_s)) {
        QVERIFY(!w.window.openFile(write(dangling, qPrintable(argument + u".000"_s))));
      } else if (step == u"close"_s) {
        w.window.closeDoc();
      } else {
        menu->actions().at(argument.toInt() - 1)->trigger();
      }
    }
    QStringList names;
    for (const QString& path : MainWindow::recentFiles()) {
      QVERIFY(QFileInfo(path).isAbsolute());
      names << QFileInfo(path).fileName();
    }
    QCOMPARE(names, files);
    QCOMPARE(menu->actions().size(), files.size());
    for (int i = 0; i < files.size(); ++i) {
      QAction* item = menu->actions().at(i);
      QCOMPARE(item->text(), u"&%1 %2"_s.arg(i + 1).arg(files.at(i)));
      QCOMPARE(item->isEnabled(), !w.window.session().isOpen());
    }
    QCOMPARE(action(w.window, "recentAction")->isEnabled(), offered);
    // A new window starts from the same list.
    Window next;
    QCOMPARE(next.window.findChild<QMenu*>(u"recentMenu"_s)->actions().size(), files.size());
  }

  // Dropping a cell on the window opens it, as Open would, only while no
  // chart is open.
  void dropOpensACellWhileNoChartIsOpen_data() {
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("chartOpen");
    QTest::addColumn<bool>("accepted");
    const QString other = write(bayCell(), "DROPPED.000");
    const QUrl cell = QUrl::fromLocalFile(other);
    QTest::newRow("a cell") << QList<QUrl>{cell} << false << true;
    QTest::newRow("a chart is open") << QList<QUrl>{cell} << true << false;
    QTest::newRow("an update file")
        << QList<QUrl>{QUrl::fromLocalFile(write(cw::updateCell(1), "DROPPED.001"))} << false
        << false;
    QTest::newRow("two cells") << QList<QUrl>{cell, cell} << false << false;
    QTest::newRow("not local") << QList<QUrl>{QUrl(u"https://example.org/DROPPED.000"_s)} << false
                               << false;
    QTest::newRow("nothing") << QList<QUrl>{} << false << false;
    QTest::newRow("a folder") << QList<QUrl>{QUrl::fromLocalFile(writeSet())} << false << true;
  }
  void dropOpensACellWhileNoChartIsOpen() {
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, chartOpen);
    QFETCH(bool, accepted);
    Window w;
    QVERIFY(w.window.acceptDrops());
    if (chartOpen) QVERIFY(w.window.openFile(bayPath));
    const Dataset* before = w.window.session().display().currentDataset;
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = drawingArea(w.window).geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.window, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.window, &drop);
    QCOMPARE(drop.isAccepted(), accepted);
    if (accepted) {
      QVERIFY(w.window.session().isOpen());
      QCOMPARE(menuState(w.window), kChartMenus);
      QCOMPARE(MainWindow::recentFiles().value(0), urls.front().toLocalFile());
    } else {
      QCOMPARE(w.window.session().display().currentDataset, before);
      QCOMPARE(menuState(w.window), chartOpen ? kChartMenus : kNoChartMenus);
    }
  }

  // Export image writes the view as it is now, the format by the file's
  // extension; each file opens with a reader of its kind.
  void exportWritesFilesThatOpen_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("chartOpen");
    QTest::addColumn<bool>("written");
    QTest::newRow("png") << u"view.png"_s << true << true;
    QTest::newRow("PNG") << u"VIEW.PNG"_s << true << true;
    QTest::newRow("svg") << u"view.svg"_s << true << true;
    QTest::newRow("pdf") << u"view.pdf"_s << true << true;
    QTest::newRow("another extension") << u"view.bmp"_s << true << false;
    QTest::newRow("no extension") << u"view"_s << true << false;
    QTest::newRow("no chart") << u"empty.png"_s << false << false;
  }
  void exportWritesFilesThatOpen() {
    QFETCH(QString, name);
    QFETCH(bool, chartOpen);
    QFETCH(bool, written);
    CellFolder out;
    const QString path = QString::fromStdString(out.path()) + u"/"_s + name;
    Window w;
    QCOMPARE(action(w.window, "exportAction")->isEnabled(), false);
    if (chartOpen) {
      QVERIFY(w.window.openFile(bayPath));
      QVERIFY(action(w.window, "exportAction")->isEnabled());
      // Moved, marked, legend and scale bar on: the file shows the view as
      // it is, with all that lies over the chart.
      action(w.window, "legendAction")->setChecked(true);
      action(w.window, "scaleBarAction")->setChecked(true);
      w.window.zoomIn();
      w.window.identifyAt(drawingArea(w.window).rect().center());
    }
    QCOMPARE(w.window.exportImage(path), written);
    QCOMPARE(QFileInfo::exists(path), written);
    if (!written) return;
    DrawingArea& area = drawingArea(w.window);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"png"_s) {
      QImage image;
      QVERIFY(image.load(path));
      QCOMPARE(image.size(), area.size());
      // The picture the area shows, with what lies over it.
      QImage shown(area.size(), QImage::Format_RGB32);
      area.render(&shown);
      QCOMPARE(image.convertToFormat(QImage::Format_RGB32), shown);
    } else if (suffix == u"svg"_s) {
      QSvgRenderer svg(path);
      QVERIFY(svg.isValid());
      QCOMPARE(svg.viewBox(), QRect(QPoint(0, 0), area.size()));
    } else {
      QFile pdf(path);
      QVERIFY(pdf.open(QIODevice::ReadOnly));
      QVERIFY(pdf.read(5) == "%PDF-");
    }
  }

  // The export dialog offers the three kinds in the home folder under the
  // chart's name; a name without a known extension takes the chosen kind's.
  void exportDialogNamesTheFile_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("kind");  // the name filter chosen: png, svg, pdf
    QTest::addColumn<QString>("written");
    QTest::newRow("as offered") << QString() << 0 << u"BAY.png"_s;
    QTest::newRow("no extension, svg chosen") << u"view"_s << 1 << u"view.svg"_s;
    QTest::newRow("no extension, pdf chosen") << u"view"_s << 2 << u"view.pdf"_s;
    QTest::newRow("extension typed wins") << u"view.pdf"_s << 0 << u"view.pdf"_s;
    QTest::newRow("unknown extension") << u"view.jpg"_s << 0 << u"view.jpg.png"_s;
  }
  void exportDialogNamesTheFile() {
    QFETCH(QString, typed);
    QFETCH(int, kind);
    QFETCH(QString, written);
    CellFolder home;
    const QString homeFolder = QString::fromStdString(home.path());
    const QByteArray previousHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(homeFolder));
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    QString offered;
    QStringList filters;
    withModal([&] { w.window.exportView(); },
              [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog != nullptr);
                QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
                filters = dialog->nameFilters();
                offered = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->text();
                dialog->selectNameFilter(filters.value(kind));
                chooseFile(dialog, typed.isEmpty() ? homeFolder + u"/"_s + offered
                                                   : homeFolder + u"/"_s + typed);
              });
    qputenv("HOME", previousHome);
    QCOMPARE(filters, (QStringList{u"PNG image (*.png)"_s, u"SVG drawing (*.svg)"_s,
                                   u"PDF document (*.pdf)"_s}));
    QCOMPARE(offered, u"BAY.png"_s);
    QVERIFY2(QFileInfo::exists(homeFolder + u"/"_s + written),
             qPrintable(QDir(homeFolder).entryList(QDir::Files).join(u", "_s)));
    QCOMPARE(QDir(homeFolder).entryList(QDir::Files).size(), 1);
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  // Print goes through Qt's print dialog; printing to a PDF printer gives a
  // PDF file of the view.
  void printUsesQtsDialog() {
    Window w;
    QVERIFY(!action(w.window, "printAction")->isEnabled());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    CellFolder out;
    const QString path = QString::fromStdString(out.path()) + u"/printed.pdf"_s;
    printer.setOutputFileName(path);
    QVERIFY(!w.window.printView(printer));
    QVERIFY(w.window.openFile(bayPath));
    QVERIFY(action(w.window, "printAction")->isEnabled());
    QVERIFY(w.window.printView(printer));
    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    bool dialogShown = false;
    withModal([&] { w.window.print(); },
              [&](QWidget* modal) { dialogShown = qobject_cast<QPrintDialog*>(modal) != nullptr; });
    QVERIFY(dialogShown);
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  // The size and place are kept when the program says so and come back
  // when it asks; a window that does not ask keeps its own size.
  void placementIsKept() {
    QSettings(u"ABYS"_s, u"abys"_s).remove(u"window/geometry"_s);
    MainWindow fresh;
    const QSize firstStart = fresh.size();
    QVERIFY(!fresh.restorePlacement());
    QCOMPARE(fresh.size(), firstStart);
    {
      Window w;
      w.window.resize(900, 640);
      w.window.savePlacement();
    }
    MainWindow restored;
    QVERIFY(restored.restorePlacement());
    QCOMPARE(restored.size(), QSize(900, 640));
    MainWindow unasked;
    QCOMPARE(unasked.size(), firstStart);
    // A dock that widened the window (a failed open, Identify) is not kept:
    // the next start gives the chart the width it had.
    const std::pair<const char*, bool> docks[] = {{"messages", true}, {"identify", false}};
    for (const auto& [dock, failing] : docks) {
      cw::Cell dangling = bayCell();
      dangling.features.front().spatialPointers.front().rcid = 999;
      Window w;
      const QSize before = w.window.size();
      const int chartWidth = drawingArea(w.window).width();
      if (failing) {
        QVERIFY(!w.window.openFile(write(dangling, "DANGLING.000")));
      } else {
        QVERIFY(w.window.openFile(bayPath));
        w.window.identifyAt(drawingArea(w.window).rect().center());
      }
      QVERIFY2(w.window.width() > before.width(), dock);
      w.window.savePlacement();
      MainWindow next;
      QVERIFY(next.restorePlacement());
      QVERIFY2(next.size() == before, dock);
      next.show();
      QCOMPARE(drawingArea(next).width(), chartWidth);
    }
  }

  // With the catalogue in the working directory, the texts added to the
  // window and Qt's own (its dialogs' buttons) are Japanese; without it,
  // English. Qt's catalogue leaves with ours.
  void newTextsAreJapanese_data() {
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("japanese");
    const std::tuple<const char*, const char*, const char*> window[] = {
        {"MainWindow", "&Recent files", "最近使ったファイル(&R)"},
        {"MainWindow", "&Export image...", "画像を書き出す(&E)..."},
        {"MainWindow", "&Print...", "印刷(&P)..."},
        {"MainWindow", "PNG image (*.png)", "PNG 画像 (*.png)"},
        {"MainWindow", "SVG drawing (*.svg)", "SVG 図形 (*.svg)"},
        {"MainWindow", "PDF document (*.pdf)", "PDF 文書 (*.pdf)"},
        {"MainWindow", "Export image", "画像の書き出し"},
        {"MainWindow", "%1 could not be written.", "%1 に書き込めませんでした。"},
        {"MainWindow", "Print", "印刷"},
        {"MainWindow", "The printer could not be used.", "プリンターを使用できませんでした。"},
        {"ViewMenu", "&Legend", "凡例(&L)"},
        {"ViewMenu", "Sc&ale bar", "縮尺バー(&A)"},
        {"ViewMenu", "Declutter &names", "名称の重なりを省く(&N)"},
        {"ViewMenu", "&Wide depth lines", "等深線を太く(&W)"},
        {"ViewMenu", "&Read on past order errors", "フィールド順序の誤りを越えて読む(&R)"},
        {"ViewMenu", "&S-58 checks", "S-58 検査(&S)"},
        {"ViewMenu", "&Depth settings...", "水深設定(&D)..."},
        {"ViewMenu", "&Colours", "色(&C)"},
        {"ViewMenu", "D&usk", "薄暮(&U)"},
        {"ViewMenu", "Display &base", "基本表示(&B)"},
        {"ViewMenu", "Scale &minimum", "最小縮尺(&M)"},
        {"ViewMenu", "As &S-52", "S-52 に従う(&S)"},
        {"ViewMenu", "&Highlight updates", "更新を強調表示(&H)"},
        {"MessagesDock", "Deleted by %1: %2", "%1 で削除: %2"},
        {"MainWindow", "Open &folder...", "フォルダーを開く(&F)..."},
        {"MainWindow", "Set memory &limit...", "メモリ上限の設定(&L)..."},
        {"CellsDock", "Check all", "すべて検査"},
        {"CellsDock", "not yet checked", "未検査"},
    };
    for (const auto& [context, source, japanese] : window) {
      QTest::newRow(source) << QString::fromLatin1(context) << QString::fromUtf8(source)
                            << QString::fromUtf8(japanese);
    }
    QTest::newRow("legend: lines") << u"DrawingArea"_s << u"Depth lines (m)"_s << u"等深線 (m)"_s;
    QTest::newRow("legend: areas") << u"DrawingArea"_s << u"Depth areas (m)"_s << u"水深区域 (m)"_s;
    const std::pair<const char*, const char*> reading[] = {
        {"1:%1", "縮尺 1:%1"}, {"%1N", "北緯 %1"}, {"%1S", "南緯 %1"},
        {"%1E", "東経 %1"},    {"%1W", "西経 %1"},
    };
    for (const auto& [source, japanese] : reading) {
      QTest::newRow(source) << u"DrawingArea"_s << QString::fromUtf8(source)
                            << QString::fromUtf8(japanese);
    }
    // Qt's catalogue: the standard buttons and the file dialog.
    QTest::newRow("Qt: Cancel") << u"QPlatformTheme"_s << u"Cancel"_s << u"キャンセル"_s;
    QTest::newRow("Qt: file dialog") << u"QFileDialog"_s << u"Look in:"_s << u"アドレス:"_s;
  }
  void newTextsAreJapanese() {
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, japanese);
    const auto translated = [&] {
      return QCoreApplication::translate(context.toLatin1().constData(),
                                         source.toUtf8().constData());
    };
    QCOMPARE(translated(), source);
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QStringLiteral(ABYS_CATALOGUE_DIR)));
    QTranslator* translator = installCatalogue(*qApp);
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(translated(), japanese);
    // Qt's catalogue is the one beside ours.
    auto* qt = translator->findChild<QTranslator*>();
    QVERIFY(qt != nullptr);
    QCOMPARE(QFileInfo(qt->filePath()).canonicalFilePath(),
             QFileInfo(QStringLiteral(ABYS_CATALOGUE_DIR "/qtbase_ja.qm")).canonicalFilePath());
    if ((context == u"MainWindow"_s || context == u"ViewMenu"_s) && source.contains(u'&')) {
      Window w;
      QStringList texts;
      for (QAction* item : w.window.findChildren<QAction*>())
        texts << item->text();
      QVERIFY2(texts.contains(japanese), qPrintable(texts.join(u", "_s)));
    }
    delete translator;
    QCOMPARE(translated(), source);
  }

  void catalogueFromTheWorkingDirectory_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("fileMenu");
    QTest::addColumn<QString>("fullView");
    QTest::addColumn<QString>("latitudeLabel");
    QTest::addColumn<QString>("messagesItem");
    QTest::addColumn<QString>("failedStatus");
    QTest::addColumn<QString>("codeHeader");
    QTest::addColumn<QString>("identifyItem");
    QTest::newRow("with catalogue")
        << QStringLiteral(ABYS_CATALOGUE_DIR) << QStringLiteral("ファイル(&F)")
        << QStringLiteral("全体表示(&F)") << QStringLiteral("緯度:") << u"メッセージ(&M)"_s
        << u"DANGLING.000: 検査で不合格 (310)。メッセージを参照"_s << u"コード"_s
        << u"識別結果(&D)"_s;
    QTest::newRow("without") << QString::fromStdString(folder.path()) << QStringLiteral("&File")
                             << QStringLiteral("&Full view") << QStringLiteral("LAT:")
                             << u"&Messages"_s
                             << u"DANGLING.000: the checks failed (310); see Messages"_s
                             << u"Code"_s << u"I&dentify results"_s;
  }
  void catalogueFromTheWorkingDirectory() {
    QFETCH(QString, directory);
    QFETCH(QString, fileMenu);
    QFETCH(QString, fullView);
    QFETCH(QString, latitudeLabel);
    QFETCH(QString, messagesItem);
    QFETCH(QString, failedStatus);
    QFETCH(QString, codeHeader);
    QFETCH(QString, identifyItem);
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    const QString danglingPath = write(dangling, "DANGLING.000");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(directory));
    QTranslator* translator = installCatalogue(*qApp);
    QVERIFY(QDir::setCurrent(previous));
    {
      Window w;
      QCOMPARE(w.window.findChild<QMenu*>(QStringLiteral("fileMenu"))->title(), fileMenu);
      QCOMPARE(action(w.window, "fullViewAction")->text(), fullView);
      QVERIFY(w.window.openFile(bayPath));
      sendMouse(drawingArea(w.window), QEvent::MouseMove, {10, 10});
      QVERIFY(labelText(w.window, "latLonLabel").startsWith(latitudeLabel + ' '));
      QCOMPARE(action(w.window, "messagesAction")->text(), messagesItem);
      QCOMPARE(action(w.window, "identifyAction")->text(), identifyItem);
      Window failed;
      QVERIFY(!failed.window.openFile(danglingPath));
      QCOMPARE(labelText(failed.window, "statusLabel"), failedStatus);
      QCOMPARE(failed.window.messages()->findChild<QTreeWidget*>()->headerItem()->text(0),
               codeHeader);
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }

  // Last of the dialog tests: the dialog's folder watch sees the file go,
  // which could disturb a dialog opened after it.
  void fileThatVanishesAfterTheDialogLeavesNoChart() {
    const QString path = writeBytes("VANISHING.000", cw::encodeCell(bayCell()));
    Window w;
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(hostile.path()));
    withModal([&] { w.window.open(); },
              [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog != nullptr);
                QVERIFY(QFile::remove(path));
                chooseFile(dialog, path);
              });
    qputenv("HOME", home);
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(!w.window.session().isOpen());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(w.window.openFile(bayPath));
  }

  // A folder opens as one chart with a row per cell in the Cells dock; the
  // view builds what it needs in the background; choosing a row shows its
  // cell; Check all fills the Status column and the Messages dock by cell,
  // and a finding takes the view to its cell.
  void folderOpensAsOneChartWithItsCells() {
    const QString path = writeSet();
    Window w;
    QVERIFY(!w.window.openFile(path));  // File > Open takes cells only
    QVERIFY(w.window.openPathGiven(path));
    QCOMPARE(menuState(w.window), kChartMenus);
    QVERIFY(!w.window.findChild<QAction*>(u"openFolderAction"_s)->isEnabled());
    CellsDock* dock = w.window.cells();
    QVERIFY(dock->isVisible());
    QTableWidget* table = dock->table();
    QCOMPARE(table->rowCount(), 4);
    // A file the catalogue names that is not there: said at once.
    QCOMPARE(statusText(dock->status(3)), u"failed: cannot be opened"_s);
    const ChartSession& session = w.window.session();
    QTRY_COMPARE(session.cell(0).state, ChartCell::State::Loaded);  // the coastal cell
    QTRY_VERIFY(!w.window.isBusy());

    // Sorted by scale, filtered by name.
    table->sortItems(2, Qt::DescendingOrder);
    QCOMPARE(table->item(0, 0)->text(), u"AA3QUILT.000"_s);
    dock->filter()->setText(u"fails"_s);
    QCOMPARE(dock->shownCells(), std::vector<size_t>{2});
    dock->filter()->clear();

    // Choosing the harbour cell's row fits the view to it: it is built.
    for (int row = 0; row < table->rowCount(); ++row) {
      if (table->item(row, 0)->text() == u"AA5QUILT.000"_s) table->setCurrentCell(row, 0);
    }
    QTRY_COMPARE(session.cell(1).state, ChartCell::State::Loaded);
    QTRY_VERIFY(!w.window.isBusy());
    QCOMPARE(statusText(dock->status(1)), u"passed"_s);

    QTest::mouseClick(w.window.findChild<QPushButton*>(u"checkAllButton"_s), Qt::LeftButton);
    QTRY_VERIFY(!w.window.isBusy());
    QCOMPARE(statusText(dock->status(0)), u"passed"_s);
    QVERIFY(statusText(dock->status(2)).startsWith(u"failed: failed its checks: status "_s));
    auto* list = w.window.messages()->findChild<QTreeWidget*>(u"findingsList"_s);
    QCOMPARE(list->topLevelItemCount(), 1);
    QTreeWidgetItem* group = list->topLevelItem(0);
    QVERIFY(group->text(0).startsWith(u"AA5FAILS.000: "_s));
    QVERIFY(w.window.messages()->logText().contains(u": 4 cell(s)"_s));
    QVERIFY(group->childCount() > 0);
    list->setCurrentItem(nullptr);
    list->setCurrentItem(group->child(0));
    const GeoPoint centre =
        *session.positionAt({session.view().halfWidth, session.view().halfHeight});
    QVERIFY(centre.lon > 139.09 && centre.lon < 139.21);
    QVERIFY(centre.lat > 35.09 && centre.lat < 35.21);

    w.window.closeDoc();
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(menuState(w.window), kNoChartMenus);
  }

  // A folder without a cell opens nothing and says why.
  void folderWithoutCellsSaysSo() {
    CellFolder empty;
    Window w;
    QVERIFY(!w.window.openPathGiven(QString::fromStdString(empty.path())));
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(labelText(w.window, "statusLabel").endsWith(u": no cell to open; see Messages"_s));
    QVERIFY(w.window.messages()->logText().startsWith(u"no cell (*.000) in folder "_s));
    QVERIFY(w.window.openFile(bayPath));
  }

  // Cancel stops the check of all cells; the cells it did not reach stay
  // as they were, and the window goes on.
  void checkOfAllCellsCanBeCancelled() {
    Window w;
    QVERIFY(w.window.openPathGiven(writeSet()));
    QTRY_COMPARE(w.window.session().cell(0).state, ChartCell::State::Loaded);
    QTRY_VERIFY(!w.window.isBusy());
    w.window.checkAllCells();
    w.window.cancelCheck();
    QTRY_VERIFY(!w.window.isBusy());
    for (size_t i = 0; i < 4; ++i)
      QVERIFY(w.window.cells()->status(i).state != CellStatus::State::Checking);
    QCOMPARE(w.window.findChild<QPushButton*>(u"checkAllButton"_s)->text(), u"Check all"_s);
  }

  // The memory limit is kept; past it the cells out of view go.
  void memoryLimitReleasesCellsOutOfView() {
    Window w;
    QVERIFY(w.window.openPathGiven(writeSet()));
    w.window.showCell(1);
    QTRY_COMPARE(w.window.session().cell(1).state, ChartCell::State::Loaded);
    QTRY_VERIFY(!w.window.isBusy());
    w.window.fullView();
    QTRY_COMPARE(w.window.session().cell(0).state, ChartCell::State::Loaded);
    QTRY_VERIFY(!w.window.isBusy());
    w.window.setMemoryLimit(0);
    QCOMPARE(w.window.session().cell(1).state, ChartCell::State::NotLoaded);
    QCOMPARE(w.window.session().cell(0).state, ChartCell::State::Loaded);
    QCOMPARE(w.window.memoryLimit(), size_t{0});
    w.window.setMemoryLimit(size_t{1} << 30);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
