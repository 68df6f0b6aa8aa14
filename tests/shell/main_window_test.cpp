// The main window: menu states through open, close and the view commands,
// the open command's failures, the font commands, the dialogs it shows and
// its translations.
#include "main_window.h"

#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <clocale>
#include <functional>
#include <random>

#include "drawing_area.h"
#include "support/chart_cells.h"
#include "translation.h"

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

struct Window {
  MainWindow window;
  Window() {
    window.resize(800, 600);
    window.show();
  }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  CellFolder folder;
  QString bayPath;
  // The hostile files, apart from the folder the open dialog tests browse.
  CellFolder hostile;

  QString writeBytes(const QString& name, const QByteArray& bytes) {
    const QString path = hostile.path() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
  }
  QString makeDirectory(const QString& name) {
    QDir(hostile.path()).mkdir(name);
    return hostile.path() + u'/' + name;
  }
  // A readable cell made unreadable; empty when permission bits cannot stop
  // this process (root).
  QString unreadable() {
    if (geteuid() == 0) return {};
    const QString path = hostile.write(bayCell(), QStringLiteral("LOCKED.000"));
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    return path;
  }

 private slots:
  void initTestCase() {
    if (qEnvironmentVariableIsSet("ABYS_EXPECT_DECIMAL_COMMA")) {
      QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral(","));
    }
    bayPath = folder.write(bayCell(), QStringLiteral("BAY.000"));
  }

  void startsWithoutChart() {
    Window w;
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(labelText(w.window, "valdcoLabel").isEmpty());
    QVERIFY(labelText(w.window, "latLonLabel").isEmpty());
    QVERIFY(w.window.displayState().currentDataset == nullptr);
    // Nothing reports without a chart.
    sendMouse(drawingArea(w.window), QEvent::MouseMove, {100, 100});
    sendMouse(drawingArea(w.window), QEvent::MouseButtonPress, {100, 100});
    QVERIFY(labelText(w.window, "latLonLabel").isEmpty());
    QVERIFY(labelText(w.window, "valdcoLabel").isEmpty());
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
    QVERIFY(valdco->x() < latLon->x());
    QVERIFY(valdco->y() >= drawingArea(w.window).geometry().bottom());
  }

  void openShowsChartAndCloseClearsIt() {
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    QCOMPARE(menuState(w.window), kChartMenus);
    QVERIFY(!pictureIsWhite(w.window));
    QCOMPARE(w.window.displayState().valdcoRange.min, 5.0);
    QCOMPARE(w.window.displayState().valdcoRange.max, 20.0);

    // The read-outs reach the labels.
    DrawingArea& area = drawingArea(w.window);
    sendMouse(area, QEvent::MouseMove, {area.width() / 2, area.height() / 2});
    QVERIFY(labelText(w.window, "latLonLabel").startsWith(QStringLiteral("LAT: 35.")));
    sendMouse(area, QEvent::MouseButtonPress, {0, 0});
    QCOMPARE(labelText(w.window, "valdcoLabel"), QString());
    sendMouse(area, QEvent::MouseMove, {1, 1});
    const QString position = labelText(w.window, "latLonLabel");

    w.window.closeDoc();
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(w.window.displayState().currentDataset == nullptr);
    QVERIFY(pictureIsWhite(w.window));
    QCOMPARE(labelText(w.window, "latLonLabel"), position);
    // Closing again changes nothing.
    w.window.closeDoc();
    QCOMPARE(menuState(w.window), kNoChartMenus);

    // Another chart rebuilds the display state from its own records.
    cw::Cell other = wholeNumberCell();
    addLine(other, 1, {{10, 10}, {20, 20}}, {"30"});
    addLine(other, 2, {{10, 20}, {20, 30}}, {"40"});
    QVERIFY(w.window.openFile(folder.write(other, QStringLiteral("OTHER.000"))));
    const DisplayState& display = w.window.displayState();
    QCOMPARE(display.displayChains[0].head->rcid, 1u);
    QCOMPARE(display.displayChains[0].tail->rcid, 2u);
    QVERIFY(display.displayChains[1].head == nullptr);
    QCOMPARE(display.valdcoRange.min, 30.0);
    QCOMPARE(display.valdcoRange.max, 40.0);
  }

  void secondOpenIsRefusedWhileChartOpen() {
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    const Dataset* shown = w.window.displayState().currentDataset;
    QVERIFY(!w.window.openFile(bayPath));
    QCOMPARE(w.window.displayState().currentDataset, shown);
    QCOMPARE(menuState(w.window), kChartMenus);
  }

  void failedOpenChangesNothing_data() {
    QTest::addColumn<QString>("path");
    cw::Cell dangling = bayCell();
    dangling.features.front().spatialPointers.front().rcid = 999;
    QTest::newRow("checks fail") << folder.write(dangling, QStringLiteral("DANGLING.000"));
    QTest::newRow("missing file") << folder.path() + QStringLiteral("/MISSING.000");
    QTest::newRow("directory") << folder.path();
  }
  void failedOpenChangesNothing() {
    QFETCH(QString, path);
    Window w;
    QVERIFY(!w.window.openFile(path));
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(w.window.displayState().currentDataset == nullptr);
    QVERIFY(pictureIsWhite(w.window));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // The window is still ready for a good chart.
    QVERIFY(w.window.openFile(bayPath));
  }

  // Files from anywhere: each either leaves the no-chart state or, when its
  // load ends (at once or early) with checks that pass, shows what was
  // loaded, here nothing at all; the window then still works.
  void hostileFileLeavesAWorkingWindow_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("opens");
    QTest::newRow("directory named like a cell") << makeDirectory("FOLDER.000") << false;
    QTest::newRow("no read permission") << unreadable() << false;
    QTest::newRow("0-byte file") << writeBytes("EMPTY0.000", {}) << true;
    // Not a record: the load stops at the first (status 8) with nothing
    // assembled, and an empty dataset passes the checks.
    std::mt19937 random(8);
    QByteArray noise(5000, '\0');
    for (char& byte : noise)
      byte = static_cast<char>(random());
    noise[0] = 'x';  // not a record length
    QTest::newRow("random bytes") << writeBytes("NOISE.000", noise) << true;
  }
  void hostileFileLeavesAWorkingWindow() {
    QFETCH(QString, path);
    QFETCH(bool, opens);
    if (path.isEmpty()) QSKIP("running as root: permission bits do not stop reads");
    Window w;
    QCOMPARE(w.window.openFile(path), opens);
    QCOMPARE(menuState(w.window), opens ? kChartMenus : kNoChartMenus);
    QCOMPARE(w.window.displayState().currentDataset != nullptr, opens);
    QVERIFY(pictureIsWhite(w.window));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    if (opens) {
      QCOMPARE(w.window.displayState().currentDataset->features.count, 0);
      w.window.zoomIn();
      w.window.shiftLeft();
      sendMouse(drawingArea(w.window), QEvent::MouseMove, {10, 10});
      sendMouse(drawingArea(w.window), QEvent::MouseButtonPress, {10, 10});
      QVERIFY(labelText(w.window, "valdcoLabel").isEmpty());
      w.window.closeDoc();
    }
    QVERIFY(w.window.openFile(bayPath));
    QCOMPARE(menuState(w.window), kChartMenus);
  }

  void loadThatStopsEarlyIsShownWhenChecksPass() {
    // A record with an unknown tag after the whole cell stops the load;
    // what came before passes the checks.
    std::vector<cw::Record> records = cw::cellRecords(bayCell());
    records.push_back({{cw::recordIdField(static_cast<uint16_t>(records.size() + 1)),
                        {.tag = "XXXX", .data = "junk"}}});
    const QString path = folder.path() + QStringLiteral("/STOPPED.000");
    QVERIFY(cw::writeFile(path.toStdString(), cw::encodeFile(records)));
    Dataset probe;
    int32_t exchangePurpose = 0;
    QCOMPARE(loadCell(probe, path.toLocal8Bit().constData(), exchangePurpose, {}, {}), 6);
    releaseDataset(probe);
    Window w;
    QVERIFY(w.window.openFile(path));
    QCOMPARE(menuState(w.window), kChartMenus);
  }

  void cellWithoutCoordinatesOpensEmpty() {
    // No extent to fit: the view still gets a usable scale.
    cw::Cell empty;
    empty.features.push_back({.rcid = 1, .prim = 255, .objl = 42});
    Window w;
    QVERIFY(w.window.openFile(folder.write(empty, QStringLiteral("EMPTY.000"))));
    QCOMPARE(menuState(w.window), kChartMenus);
    QVERIFY(pictureIsWhite(w.window));
    QVERIFY(w.window.viewState().pixelsPerMetre > 0);
    w.window.zoomIn();
    w.window.shiftLeft();
    sendMouse(drawingArea(w.window), QEvent::MouseMove, {10, 10});
    QVERIFY(labelText(w.window, "latLonLabel").startsWith(QStringLiteral("LAT: ")));
  }

  void displayStateFromRecords() {
    cw::Cell cell = wholeNumberCell();
    addLine(cell, 1, {{0, 0}, {10, 0}}, {"12.5m"});
    addLine(cell, 2, {{0, 10}, {10, 10}}, {"abc"}, kCoverageClass);
    addLine(cell, 3, {{0, 20}, {10, 20}}, {"-3"});
    addLine(cell, 4, {{0, 30}, {10, 30}}, {"100"}, kAreaNameClass);
    addLine(cell, 5, {{0, 40}, {10, 40}}, {"200"}, 42);
    addLine(cell, 6, {{0, 50}, {10, 50}}, {"no number"});
    cell.features.back().nationalAttributes.push_back({kValdcoCode, u"300"});
    const auto chart = loadChart(cell);
    QCOMPARE(chart->checkStatus, 0);
    const auto& chains = chart->display.displayChains;
    // The records of a chain in order, and whether its tail is its last.
    auto members = [](const DisplayChain& chain) {
      QList<uint32_t> ids;
      const FeatureRecord* last = nullptr;
      for (const FeatureRecord* f = chain.head; f != nullptr; f = f->nextInClass) {
        ids << f->rcid;
        last = f;
      }
      if (last != chain.tail) ids << 0;
      return ids;
    };
    QCOMPARE(members(chains[0]), (QList<uint32_t>{1, 3, 6}));
    QCOMPARE(members(chains[1]), QList<uint32_t>{4});
    QVERIFY(chains[2].head == nullptr && chains[2].tail == nullptr);
    QCOMPARE(members(chains[3]), QList<uint32_t>{2});
    // Only depth lines' ATTF VALDCO count; a text without a number is 0.
    QCOMPARE(chart->display.valdcoRange.min, -3.0);
    QCOMPARE(chart->display.valdcoRange.max, 12.5);
    QCOMPARE(chains[1].head->attributes.first->value, 0.0);

    // A chart without VALDCO on its depth lines keeps the range it had.
    DisplayState display;
    display.valdcoRange = {4, 8};
    cw::Cell plain = wholeNumberCell();
    addLine(plain, 1, {{0, 0}, {10, 0}}, {});
    const auto other = loadChart(plain);
    buildDisplayChains(display, other->dataset);
    computeValdcoRange(display);
    QCOMPARE(display.valdcoRange.min, 4.0);
    QCOMPARE(display.valdcoRange.max, 8.0);
  }

  void viewCommandLimits_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QByteArray>("reverse");
    QTest::addColumn<QByteArray>("reverseItem");
    QTest::newRow("left") << "shiftLeft"_qba
                          << "leftAction"_qba
                          << "shiftRight"_qba
                          << "rightAction"_qba;
    QTest::newRow("right") << "shiftRight"_qba
                           << "rightAction"_qba
                           << "shiftLeft"_qba
                           << "leftAction"_qba;
    QTest::newRow("up") << "shiftUp"_qba
                        << "upAction"_qba
                        << "shiftDown"_qba
                        << "downAction"_qba;
    QTest::newRow("down") << "shiftDown"_qba
                          << "downAction"_qba
                          << "shiftUp"_qba
                          << "upAction"_qba;
    QTest::newRow("zoom in") << "zoomIn"_qba
                             << "zoomInAction"_qba
                             << "zoomOut"_qba
                             << "zoomOutAction"_qba;
    QTest::newRow("zoom out") << "zoomOut"_qba
                              << "zoomOutAction"_qba
                              << "zoomIn"_qba
                              << "zoomInAction"_qba;
  }
  void viewCommandLimits() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, item);
    QFETCH(QByteArray, reverse);
    QFETCH(QByteArray, reverseItem);
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    // Zoomed in first, so that the pans take more than one step.
    if (!command.startsWith("zoom")) {
      w.window.zoomIn();
      w.window.zoomIn();
    }
    QAction* used = action(w.window, item.constData());
    QAction* other = action(w.window, reverseItem.constData());
    int steps = 0;
    ViewState before;
    while (used->isEnabled() && steps < 64) {
      before = w.window.viewState();
      QVERIFY(QMetaObject::invokeMethod(&w.window, command.constData()));
      ++steps;
      QVERIFY(other->isEnabled());
    }
    QVERIFY(!used->isEnabled());
    QVERIFY2(steps > 1, "the first step already reached the limit");
    // The step that reached the limit still changed the view: a pan ends
    // on the chart's edge.
    const ViewState& after = w.window.viewState();
    QVERIFY(after.centreX != before.centreX || after.centreY != before.centreY ||
            after.pixelsPerMetre != before.pixelsPerMetre);
    const Bounds& data = after.dataBounds;
    if (command == "shiftLeft") QCOMPARE(after.centreX, data.maxX);
    if (command == "shiftRight") QCOMPARE(after.centreX, data.minX);
    if (command == "shiftUp") QCOMPARE(after.centreY, data.minY);
    if (command == "shiftDown") QCOMPARE(after.centreY, data.maxY);

    // One step the other way offers the command again.
    QVERIFY(QMetaObject::invokeMethod(&w.window, reverse.constData()));
    QVERIFY(used->isEnabled());
  }

  void fullViewRestoresTheOpenedView() {
    Window w;
    QVERIFY(w.window.openFile(bayPath));
    const ViewState opened = w.window.viewState();
    const QImage openedPicture = drawingArea(w.window).chartPixmap().toImage();
    w.window.zoomIn();
    for (int i = 0; i < 8; ++i)
      w.window.shiftLeft();
    w.window.shiftUp();
    w.window.zoomOut();
    QVERIFY(!action(w.window, "leftAction")->isEnabled());
    w.window.fullView();
    const ViewState& again = w.window.viewState();
    QCOMPARE(again.centreX, opened.centreX);
    QCOMPARE(again.centreY, opened.centreY);
    QCOMPARE(again.pixelsPerMetre, opened.pixelsPerMetre);
    QCOMPARE(menuState(w.window), kChartMenus);
    QCOMPARE(drawingArea(w.window).chartPixmap().toImage(), openedPicture);
  }

  void viewCommandsWithoutChartDoNothing() {
    Window w;
    for (const char* slot :
         {"fullView", "shiftLeft", "shiftRight", "shiftUp", "shiftDown", "zoomIn", "zoomOut"}) {
      QVERIFY(QMetaObject::invokeMethod(&w.window, slot));
    }
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(pictureIsWhite(w.window));
  }

  void fontCommands() {
    Window w;
    auto* label = w.window.findChild<QLabel*>(QStringLiteral("valdcoLabel"));
    auto invoke = [&](const char* slot) { QVERIFY(QMetaObject::invokeMethod(&w.window, slot)); };
    invoke("bold");
    QVERIFY(label->font().bold());
    invoke("bold");
    QVERIFY(!label->font().bold());
    invoke("bold");
    invoke("underline");
    QVERIFY(label->font().bold());
    QVERIFY(label->font().underline());
    invoke("bold");
    QVERIFY(!label->font().bold());
    QVERIFY(label->font().underline());
    invoke("bold");
    invoke("normal");
    QVERIFY(!label->font().bold());
    QVERIFY(!label->font().underline());
    // normal() reset the state too: one bold() makes it bold again.
    invoke("bold");
    QVERIFY(label->font().bold());
    QVERIFY(!label->font().underline());
  }

  void openAsksForACellInHome() {
    Window w;
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", folder.path().toLocal8Bit());
    QString directory;
    QStringList filters;
    withModal([&] { w.window.open(); },
              [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog != nullptr);
                directory = dialog->directory().absolutePath();
                filters = dialog->nameFilters();
                dialog->selectFile(bayPath);
                // done() rather than accept(): accept() checks the name against the
                // folder model, which may still be loading.
                QMetaObject::invokeMethod(dialog, "done", Q_ARG(int, QDialog::Accepted));
              });
    qputenv("HOME", home);
    QCOMPARE(directory, QDir(folder.path()).absolutePath());
    QCOMPARE(filters, QStringList{QStringLiteral("*.000")});
    QCOMPARE(menuState(w.window), kChartMenus);
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void cancelledOpenChangesNothing() {
    Window w;
    withModal([&] { w.window.open(); }, [](QWidget* modal) { modal->close(); });
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(w.window.displayState().currentDataset == nullptr);
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

  void aboutBoxes() {
    Window w;
    QString title;
    QString text;
    auto read = [&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      title = box->windowTitle();
      text = box->text();
    };
    withModal([&] { w.window.about(); }, read);
    QCOMPARE(title, QStringLiteral("ABYS Ver 0.1.1"));
    QVERIFY(text.startsWith(
        QStringLiteral("Display software for Bathmetric map formatted by S-57 extension\n")));
    withModal([&] { w.window.aboutQt(); }, read);
    QCOMPARE(title, QStringLiteral("ABYS"));
  }

  void catalogueFromTheWorkingDirectory_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("fileMenu");
    QTest::addColumn<QString>("fullView");
    QTest::addColumn<QString>("latitudeLabel");
    QTest::newRow("with catalogue")
        << QStringLiteral(ABYS_CATALOGUE_DIR) << QStringLiteral("ファイル(&F)")
        << QStringLiteral("全体表示(&F)") << QStringLiteral("緯度:");
    QTest::newRow("without") << folder.path() << QStringLiteral("&File")
                             << QStringLiteral("&Full view") << QStringLiteral("LAT:");
  }
  void catalogueFromTheWorkingDirectory() {
    QFETCH(QString, directory);
    QFETCH(QString, fileMenu);
    QFETCH(QString, fullView);
    QFETCH(QString, latitudeLabel);
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
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }

  // Last of the dialog tests: the dialog's folder watch sees the file go,
  // which could disturb a dialog opened after it.
  void fileThatVanishesAfterTheDialogLeavesNoChart() {
    const QString path =
        writeBytes("VANISHING.000", QByteArray::fromStdString(cw::encodeCell(bayCell())));
    Window w;
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", hostile.path().toLocal8Bit());
    withModal([&] { w.window.open(); },
              [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog != nullptr);
                dialog->selectFile(path);
                QVERIFY(QFile::remove(path));
                QMetaObject::invokeMethod(dialog, "done", Q_ARG(int, QDialog::Accepted));
              });
    qputenv("HOME", home);
    QCOMPARE(menuState(w.window), kNoChartMenus);
    QVERIFY(w.window.displayState().currentDataset == nullptr);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(w.window.openFile(bayPath));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
