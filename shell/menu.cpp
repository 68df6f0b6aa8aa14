// The menu bar of the main window and its two states; the View menu is an
// object of its own (view_menu.h).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include "cells_dock.h"
#include "main_window.h"
#include "view_menu.h"

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
  openFolderAction =
      addItem(fileMenu, tr("Open &folder..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), this,
              &MainWindow::chooseFolder, "openFolderAction");

  viewMenu = new ViewMenu(messagesDock, identifyDock, this);
  connect(viewMenu, &ViewMenu::commandChosen, this, &MainWindow::viewCommand);
  // The cells of a folder's chart, after the items the View menu had.
  viewMenu->menu()->addSeparator();
  viewMenu->addDockItem(cellsDock, tr("C&ells"), "cellsAction");
  memoryLimitAction = viewMenu->menu()->addAction(tr("Set memory &limit..."));
  memoryLimitAction->setObjectName(QStringLiteral("memoryLimitAction"));
  connect(memoryLimitAction, &QAction::triggered, this, &MainWindow::chooseMemoryLimit);
  // Shown or hidden by the user, the dock stays as it is after the next open.
  connect(messagesDock->toggleViewAction(), &QAction::triggered, this,
          [this] { messagesShownForFailure = false; });

  auto* helpMenu = new QMenu(tr("&Help"), this);
  helpMenu->setObjectName(QStringLiteral("helpMenu"));
  addItem(helpMenu, tr("&About"), QKeySequence(Qt::CTRL | Qt::Key_H), this, &MainWindow::about,
          "aboutAction");
  addItem(helpMenu, tr("About &Qt"), {}, this, &MainWindow::aboutQt, "aboutQtAction");

  setDocClosedMenus();

  menuBar = new QMenuBar(this);
  menuBar->addMenu(fileMenu);
  menuBar->addMenu(viewMenu->menu());
  menuBar->addSeparator();
  menuBar->addMenu(helpMenu);
  menuBar->setFixedHeight(menuBar->sizeHint().height());
}

void MainWindow::setDocClosedMenus() {
  openAction->setEnabled(true);
  openFolderAction->setEnabled(true);
  closeAction->setEnabled(false);
  exportAction->setEnabled(false);
  printAction->setEnabled(false);
  fillRecentMenu();
  syncViewMenu();
}

void MainWindow::setDocOpenMenus() {
  closeAction->setEnabled(true);
  openAction->setEnabled(false);
  openFolderAction->setEnabled(false);
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
