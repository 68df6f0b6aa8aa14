// The menu bar of the main window and its two states.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <utility>

#include "drawing_area.h"
#include "main_window.h"

using namespace abys;

namespace {

// A yellow folder, 16 x 16.
const char* const kOpenIcon[] = {"16 16 3 1",          //
                                 "  c None",           //
                                 ". c #000000000000",  //
                                 "X c #FFFFFFFF0000",  //
                                 "                ",   //
                                 "                ",   //
                                 "         ....   ",   //
                                 "        .XXXX.  ",   //
                                 " .............. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .XXXXXXXXXXXX. ",   //
                                 " .............. ",   //
                                 "                "};

// An item that runs slot; objectName lets tests and tools find it.
template <typename Receiver, typename Slot>
QAction* addItem(QMenu* menu, const QString& text, const QKeySequence& shortcut,
                 const Receiver* receiver, Slot slot, const char* objectName) {
  QAction* action = menu->addAction(text);
  action->setShortcut(shortcut);
  action->setObjectName(QString::fromLatin1(objectName));
  QObject::connect(action, &QAction::triggered, receiver, slot);
  return action;
}

}  // namespace

void MainWindow::buildMenus() {
  fileMenu = new QMenu(tr("&File"), this);
  fileMenu->setObjectName(QStringLiteral("fileMenu"));
  openAction = addItem(fileMenu, tr("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O), this,
                       &MainWindow::open, "openAction");
  openAction->setIcon(QIcon(QPixmap(kOpenIcon)));
  closeAction = addItem(fileMenu, tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W), this,
                        &MainWindow::closeDoc, "closeAction");
  applyUpdatesAction = fileMenu->addAction(tr("Apply &update files"));
  applyUpdatesAction->setObjectName(QStringLiteral("applyUpdatesAction"));
  applyUpdatesAction->setCheckable(true);
  applyUpdatesAction->setChecked(chart.appliesUpdates());
  connect(applyUpdatesAction, &QAction::toggled, this, &MainWindow::applyUpdates);
  fileMenu->addSeparator();
  addItem(fileMenu, tr("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q), qApp, &QCoreApplication::quit,
          "exitAction");
  // Added after Exit, so that the items above keep their places.
  fileMenu->addSeparator();
  recentMenu = new QMenu(tr("&Recent files"), fileMenu);
  recentMenu->setObjectName(QStringLiteral("recentMenu"));
  recentMenu->menuAction()->setObjectName(QStringLiteral("recentAction"));
  recentMenu->setToolTipsVisible(true);
  fileMenu->addMenu(recentMenu);
  exportAction = addItem(fileMenu, tr("&Export image..."), QKeySequence(Qt::CTRL | Qt::Key_E), this,
                         &MainWindow::exportView, "exportAction");
  printAction = addItem(fileMenu, tr("&Print..."), QKeySequence(Qt::CTRL | Qt::Key_P), this,
                        &MainWindow::print, "printAction");

  viewMenu = new QMenu(tr("&View"), this);
  viewMenu->setObjectName(QStringLiteral("viewMenu"));
  viewMenu->setTearOffEnabled(true);
  fullViewAction = addItem(viewMenu, tr("&Full view"), QKeySequence(Qt::Key_Home), this,
                           &MainWindow::fullView, "fullViewAction");
  zoomInAction = addItem(viewMenu, tr("Zoom &in"), QKeySequence(Qt::Key_Plus), this,
                         &MainWindow::zoomIn, "zoomInAction");
  // "+" is a shifted key on most keyboards; "=" beside it and the keypad's
  // plus do the same.
  zoomInAction->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)});
  zoomOutAction = addItem(viewMenu, tr("Zoom &out"), QKeySequence(Qt::Key_Minus), this,
                          &MainWindow::zoomOut, "zoomOutAction");
  leftAction = addItem(viewMenu, tr("Left"), QKeySequence(Qt::Key_Left), this,
                       &MainWindow::shiftLeft, "leftAction");
  rightAction = addItem(viewMenu, tr("Right"), QKeySequence(Qt::Key_Right), this,
                        &MainWindow::shiftRight, "rightAction");
  upAction =
      addItem(viewMenu, tr("Up"), QKeySequence(Qt::Key_Up), this, &MainWindow::shiftUp, "upAction");
  downAction = addItem(viewMenu, tr("Down"), QKeySequence(Qt::Key_Down), this,
                       &MainWindow::shiftDown, "downAction");
  viewMenu->addSeparator();
  addItem(viewMenu, tr("&Depth settings..."), {}, this, &MainWindow::depthSettings,
          "depthSettingsAction");
  viewMenu->addSeparator();
  messagesAction = messagesDock->toggleViewAction();
  messagesAction->setText(tr("&Messages"));
  messagesAction->setObjectName(QStringLiteral("messagesAction"));
  // Shown or hidden by the user, the dock stays as it is after the next open.
  connect(messagesAction, &QAction::triggered, this, [this] { messagesShownForFailure = false; });
  viewMenu->addAction(messagesAction);
  identifyAction = identifyDock->toggleViewAction();
  identifyAction->setText(tr("I&dentify results"));
  identifyAction->setObjectName(QStringLiteral("identifyAction"));
  viewMenu->addAction(identifyAction);
  s58Action = viewMenu->addAction(tr("&S-58 checks"));
  s58Action->setObjectName(QStringLiteral("s58Action"));
  s58Action->setCheckable(true);
  s58Action->setChecked(chart.s58Profile().has_value());
  connect(s58Action, &QAction::toggled, this, &MainWindow::s58Checks);
  // Added after the items above, so that they keep their places.
  viewMenu->addSeparator();
  legendAction = viewMenu->addAction(tr("&Legend"));
  legendAction->setObjectName(QStringLiteral("legendAction"));
  legendAction->setCheckable(true);
  connect(legendAction, &QAction::toggled, this,
          [this](bool on) { drawingArea->setLegendShown(on); });
  scaleBarAction = viewMenu->addAction(tr("Sc&ale bar"));
  scaleBarAction->setObjectName(QStringLiteral("scaleBarAction"));
  scaleBarAction->setCheckable(true);
  connect(scaleBarAction, &QAction::toggled, this,
          [this](bool on) { drawingArea->setScaleBarShown(on); });
  // How the chart is drawn; kept in the user's settings.
  viewMenu->addSeparator();
  declutterAction = viewMenu->addAction(tr("Declutter &names"));
  declutterAction->setObjectName(QStringLiteral("declutterAction"));
  wideDepthLinesAction = viewMenu->addAction(tr("&Wide depth lines"));
  wideDepthLinesAction->setObjectName(QStringLiteral("wideDepthLinesAction"));
  const RenderOptions kept = keptRenderOptions();
  for (const auto& [item, on] : {std::pair{declutterAction, kept.declutterNames},
                                 std::pair{wideDepthLinesAction, kept.wideDepthLines}}) {
    item->setCheckable(true);
    item->setChecked(on);
    connect(item, &QAction::toggled, this, &MainWindow::renderOptionsChosen);
  }
  // How a cell is read; kept in the user's settings.
  viewMenu->addSeparator();
  readPastOrderErrorsAction = viewMenu->addAction(tr("&Read on past order errors"));
  readPastOrderErrorsAction->setObjectName(QStringLiteral("readPastOrderErrorsAction"));
  readPastOrderErrorsAction->setCheckable(true);
  readPastOrderErrorsAction->setChecked(chart.readsPastOrderErrors());
  connect(readPastOrderErrorsAction, &QAction::toggled, this, &MainWindow::readPastOrderErrors);

  auto* helpMenu = new QMenu(tr("&Help"), this);
  helpMenu->setObjectName(QStringLiteral("helpMenu"));
  addItem(helpMenu, tr("&About"), QKeySequence(Qt::CTRL | Qt::Key_H), this, &MainWindow::about,
          "aboutAction");
  addItem(helpMenu, tr("About &Qt"), {}, this, &MainWindow::aboutQt, "aboutQtAction");

  setDocClosedMenus();

  menuBar = new QMenuBar(this);
  menuBar->addMenu(fileMenu);
  menuBar->addMenu(viewMenu);
  menuBar->addSeparator();
  menuBar->addMenu(helpMenu);
  menuBar->setFixedHeight(menuBar->sizeHint().height());
}

void MainWindow::setDocClosedMenus() {
  openAction->setEnabled(true);
  closeAction->setEnabled(false);
  exportAction->setEnabled(false);
  printAction->setEnabled(false);
  fillRecentMenu();
  syncViewMenu();
}

void MainWindow::setDocOpenMenus() {
  closeAction->setEnabled(true);
  openAction->setEnabled(false);
  exportAction->setEnabled(true);
  printAction->setEnabled(true);
  fillRecentMenu();
  syncViewMenu();
}

// The recent files are offered as Open is: only while no chart is open.
void MainWindow::fillRecentMenu() {
  // An item may be the one whose open refills the menu: it goes later.
  for (QAction* old : recentMenu->actions()) {
    recentMenu->removeAction(old);
    old->setParent(nullptr);
    old->deleteLater();
  }
  const QStringList files = recentFiles();
  for (int i = 0; i < files.size(); ++i) {
    const QString& path = files.at(i);
    QAction* item =
        recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    item->setObjectName(QStringLiteral("recentFileAction%1").arg(i + 1));
    item->setData(path);
    item->setToolTip(QDir::toNativeSeparators(path));
    item->setEnabled(!chart.isOpen());
    connect(item, &QAction::triggered, this, [this, path] { openFile(path); });
  }
  recentMenu->menuAction()->setEnabled(!files.isEmpty() && !chart.isOpen());
}
