// The viewer's one window: menu bar, drawing area and the two read-out
// labels, receiver of every menu command. It turns menu commands into calls
// on its chart session, which owns the open chart.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "cell_runner.h"
#include "chart_render.h"
#include "chart_session.h"
#include "identify_dock.h"
#include "messages_dock.h"

class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QMenuBar;
class QPrinter;
class QProgressBar;
class CellsDock;

class DrawingArea;
class IdentifyDock;
class MessagesDock;
class ViewMenu;

namespace abys {
struct ViewSettings;
}

// In the global namespace so that its class name and translation context
// are "MainWindow", as catalogues expect.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window);
  ~MainWindow() override;

  // File/Open with the file name already chosen: load, check and show path.
  // Returns whether a chart is now shown. Does nothing (false) while a chart
  // is open, as File/Open is then disabled.
  bool openFile(const QString& path);
  // A path given on the command line or dropped: a folder or a CATALOG.031
  // opens as File > Open folder opens it, anything else as openFile.
  bool openPathGiven(const QString& path);
  // File > Open folder with the folder chosen: its cells as one chart, each
  // built in the background once the view needs it. Returns whether a
  // chart is now shown.
  bool openFolder(const QString& path);

  // The dock with a row per cell of a folder's chart (View > Cells).
  CellsDock* cells() const { return cellsDock; }
  // Whether cells are being built or checked in the background.
  bool isBusy() const { return !building.empty() || checkThread.joinable(); }
  // The limit above which cells out of view are released (View > Set
  // memory limit), in bytes; kept in the user's settings.
  size_t memoryLimit() const { return memoryLimitBytes; }
  void setMemoryLimit(size_t bytes);

  const abys::ChartSession& session() const { return chart; }
  // The dock with what the last open said (View > Messages).
  MessagesDock* messages() const { return messagesDock; }
  // The dock with what the last Identify found.
  IdentifyDock* identified() const { return identifyDock; }

  // The cells opened last (File > Recent files), the latest first; kept in
  // the user's settings.
  static QStringList recentFiles();
  static constexpr int kMaxRecentFiles = 8;

  // Writes the drawing area as it is now to path, as PNG, SVG or PDF by the
  // file's extension. False without a chart, for another extension, or
  // when the file cannot be written.
  bool exportImage(const QString& path);
  // Prints the drawing area as it is now, fitted to the printer's page.
  // False without a chart or when the printer cannot be painted on.
  bool printView(QPrinter& printer);

  // The window's size and place: kept by the program at its end and taken
  // back at its start (not by the window itself, so that a window made
  // otherwise starts at its own size). A window starts without its docks
  // and status line, so while they show, the width kept is the one the
  // window had before they came up.
  void savePlacement() const;
  // False when nothing was kept.
  bool restorePlacement();

 public slots:
  void open();
  // Asks for a folder and opens it (openFolder).
  void chooseFolder();
  void closeDoc();
  // Checks every cell of the folder's chart on all cores in the background,
  // the Cells dock and the Messages dock following; cancel stops it.
  void checkAllCells();
  void cancelCheck();
  // Fits the view to a cell of the folder's chart.
  void showCell(size_t index);
  // Asks for the memory limit in MiB.
  void chooseMemoryLimit();
  void fullView();
  void shiftRight();
  void shiftLeft();
  void shiftUp();
  void shiftDown();
  void zoomIn();
  void zoomOut();
  // Edits the three safety contours, keeps them in the user's settings and
  // redraws.
  void depthSettings();
  // Whether the next open applies the update files beside the cell; kept in
  // the user's settings.
  void applyUpdates(bool apply);
  // A load reads on past a field out of order instead of stopping there,
  // for this run only (abys --lenient): View > Read on past order errors is
  // checked, the setting kept stays as it was.
  void readPastOrderErrorsThisRun();
  // Centres the view on the messages' finding row and marks its record.
  void showFinding(int row);
  // Opens the cell whose checks just failed all the same, drawn as far as
  // it can be; does nothing unless the last open failed its checks.
  bool showChartAnyway();
  // Lists the features within a few pixels of pointer (drawing area
  // pixels) and highlights the first.
  void identifyAt(const QPoint& pointer);
  // Asks for a file name and exports to it (exportImage).
  void exportView();
  // Qt's print dialog, then printView.
  void print();
  void normal();
  void bold();
  void underline();
  void about();
  void aboutQt();

 signals:
  void explain(const QString& text);

 protected:
  // A single local .000 file may be dropped while no chart is open, as
  // File > Open is offered; the drop opens it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Menu construction and the two menu states (menu.cpp).
  void buildMenus();
  void setDocOpenMenus();
  void setDocClosedMenus();
  // Enables each view command's item as the session says.
  void syncViewMenu();
  // Pixels per inch of the screen the chart is on, as the scale is reckoned.
  double displayDensity() const;
  // A View command on the session, then the menu and the picture follow.
  void viewCommand(abys::ViewCommand command);
  // The View menu's options on the session and the drawing area; the chart
  // is redrawn only when the way it is drawn changed.
  void applyViewSettings(const abys::ViewSettings& settings);
  void clearReadouts();
  // Before an open: the read-outs, the mark, Identify and Show chart anyway
  // cleared, and the Messages dock that came up for the last failure gone
  // unless keepMessages.
  void beginOpen(bool keepMessages = false);
  // The open's one line between the read-outs (hidden when empty); a
  // failed open brings up the Messages dock.
  void showSummary(const QString& summary, bool failed);
  // After an open that shows a chart: the recent files, the picture, the
  // menus and the status line follow.
  void showOpened(const QString& path);
  // openFile, and with anyway a cell whose checks fail opens all the same.
  bool openPath(QString path, bool anyway);
  // After an open: the messages, and the status line when it failed.
  void reportOpen(const QString& path, const abys::OpenResult& result, const abys::OpenLog& log);
  void applyLabelFont();
  // Puts path first in the recent files, and the menu follows.
  void rememberRecent(const QString& path);
  void fillRecentMenu();

  // Declared before the widgets: the drawing area refers to it.
  abys::ChartSession chart;

  QMenuBar* menuBar = nullptr;
  QMenu* fileMenu = nullptr;
  ViewMenu* viewMenu = nullptr;
  DrawingArea* drawingArea = nullptr;
  QLabel* valdcoLabel = nullptr;
  QLabel* latLonLabel = nullptr;
  // What the last open came to, in one line; shown only while it has text,
  // between the read-outs, so that they keep their places otherwise. With a
  // chart open and no summary standing (none, or the pointer has moved over
  // the chart since), it reads the view's scale and the pointer's position.
  QLabel* statusLabel = nullptr;
  // The open's summary stands in the status line.
  bool summaryStanding = false;
  // A summary was shown since the last open: the status line may have
  // widened the window. The scale line never does.
  bool statusGrew = false;
  // The pointer's last pixel over the chart, for the position read.
  std::optional<QPoint> pointerPixel;
  // Puts the scale and the position in the status line, unless no chart is
  // open or the summary stands.
  void showScaleAndPosition();
  bool statusWidens() const;
  MessagesDock* messagesDock = nullptr;
  IdentifyDock* identifyDock = nullptr;
  // The dock came up by itself for a failed open (and goes with the next
  // good one), rather than by the user's choice.
  bool messagesShownForFailure = false;
  QSize sizeBeforeMessages;
  // The cell whose checks failed at the last open, for Show chart anyway.
  QString failedPath;

  QAction* openAction = nullptr;
  QAction* closeAction = nullptr;
  QAction* applyUpdatesAction = nullptr;
  QMenu* recentMenu = nullptr;
  QAction* exportAction = nullptr;
  QAction* printAction = nullptr;
  // The window's size when last seen without a dock or the status line.
  QSize sizeUngrown;
  void noteUngrownSize();
  // Shows dock, the window widening by it rather than the drawing area
  // narrowing.
  void showWidening(QDockWidget& dock);
  // The open chart's file; empty without one.
  QString shownFile;

  // Cells of the folder's chart.
  CellsDock* cellsDock = nullptr;
  QProgressBar* loadProgress = nullptr;
  QAction* openFolderAction = nullptr;
  QAction* memoryLimitAction = nullptr;
  size_t memoryLimitBytes = size_t{1} << 30;
  // The cells being built in the background, and how many were asked for
  // since the bar last showed.
  std::set<size_t> building;
  int buildsAsked = 0;
  // Starts a background build of every cell the view needs and no build
  // has been asked of.
  void buildWantedCells();
  // Takes a cell built in the background, when the chart is still the one
  // it was built for.
  void takeBuiltCell(uint64_t generation, size_t index, abys::BuiltCell built,
                     std::shared_ptr<abys::OpenLog> log);
  void showLoadProgress();
  // The check of all cells: its thread, cancel flag and how far it got.
  std::thread checkThread;
  std::shared_ptr<std::atomic<bool>> checkCancel;
  int checksDone = 0;
  void cellChecked(uint64_t generation, std::shared_ptr<abys::CellReport> report);
  void checkEnded(uint64_t generation);
  // Stops the background work of the chart that is closing and waits for it.
  void stopBackground();

  bool isBold = false;
  bool isUnderline = false;
};
