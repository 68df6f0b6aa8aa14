// The viewer's one window: menu bar, drawing area and the two read-out
// labels, receiver of every menu command. It turns menu commands into calls
// on its chart session, which owns the open chart.
#pragma once

#include <QString>
#include <QWidget>

#include "chart_session.h"

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

  const abys::ChartSession& session() const { return chart; }

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
  // Edits the three safety contours, keeps them in the user's settings and
  // redraws.
  void depthSettings();
  // Whether the next open applies the update files beside the cell; kept in
  // the user's settings.
  void applyUpdates(bool apply);
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
  // Enables each View item as the session says.
  void syncViewMenu();
  // A View command on the session, then the menu and the picture follow.
  void viewCommand(abys::ViewCommand command);
  void clearReadouts();
  void applyLabelFont();

  // Declared before the widgets: the drawing area refers to it.
  abys::ChartSession chart;

  QMenuBar* menuBar = nullptr;
  QMenu* fileMenu = nullptr;
  QMenu* viewMenu = nullptr;
  DrawingArea* drawingArea = nullptr;
  QLabel* valdcoLabel = nullptr;
  QLabel* latLonLabel = nullptr;

  QAction* openAction = nullptr;
  QAction* closeAction = nullptr;
  QAction* applyUpdatesAction = nullptr;
  QAction* fullViewAction = nullptr;
  QAction* zoomInAction = nullptr;
  QAction* zoomOutAction = nullptr;
  QAction* leftAction = nullptr;
  QAction* rightAction = nullptr;
  QAction* upAction = nullptr;
  QAction* downAction = nullptr;

  bool isBold = false;
  bool isUnderline = false;
};
