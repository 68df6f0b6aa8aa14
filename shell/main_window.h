// The viewer's one window: menu bar, drawing area and the two read-out
// labels, receiver of every menu command. It owns the open chart and the
// display and view state that the drawing area reads.
#pragma once

#include <QString>
#include <QWidget>

#include "display_state.h"
#include "view_transform.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;

class DrawingArea;

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

  const abys::DisplayState& displayState() const { return display; }
  // The statuses of the last openFile: loadCell's, and the checks' (0 when
  // they did not run because the file could not be opened).
  int lastLoadStatus() const { return loadStatus; }
  int lastCheckStatus() const { return checkStatus; }
  const abys::ViewState& viewState() const { return view; }

 public slots:
  void open();
  void closeDoc();
  void fullView();
  void shiftRight();
  void shiftLeft();
  void shiftUp();
  void shiftDown();
  void zoomIn();
  void zoomOut();
  void normal();
  void bold();
  void underline();
  void about();
  void aboutQt();

 signals:
  void explain(const QString& text);

 private:
  // Menu construction and the two menu states (menu.cpp).
  void buildMenus();
  void setDocOpenMenus();
  void setDocClosedMenus();
  // A movement or zoom command: step tells whether the view allows another
  // step the same way, which keeps the used item enabled; the opposite item
  // is enabled in any case.
  void viewStep(bool (*step)(abys::ViewState&), QAction* used, QAction* opposite);
  void releaseCurrentDataset();
  void applyLabelFont();

  // Declared before the widgets: the drawing area refers to them.
  abys::DisplayState display;
  abys::ViewState view;

  QMenuBar* menuBar = nullptr;
  QMenu* fileMenu = nullptr;
  QMenu* viewMenu = nullptr;
  DrawingArea* drawingArea = nullptr;
  QLabel* valdcoLabel = nullptr;
  QLabel* latLonLabel = nullptr;

  QAction* openAction = nullptr;
  QAction* closeAction = nullptr;
  QAction* fullViewAction = nullptr;
  QAction* zoomInAction = nullptr;
  QAction* zoomOutAction = nullptr;
  QAction* leftAction = nullptr;
  QAction* rightAction = nullptr;
  QAction* upAction = nullptr;
  QAction* downAction = nullptr;

  int loadStatus = 0;
  int checkStatus = 0;
  bool isBold = false;
  bool isUnderline = false;
};
