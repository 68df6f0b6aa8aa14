#include "main_window.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <algorithm>
#include <new>

#include "check_driver.h"
#include "display_chains.h"
#include "drawing_area.h"
#include "load_driver.h"

using namespace abys;

namespace {

// Loading and checking run inside the command; the user sees only the wait
// cursor, never a message.
const LogFn kDiscardLog = [](const char*, std::va_list) {};
const ProgressFn kDiscardProgress = [](double) {};

// The wait cursor for the life of the object, however the command ends.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// A framed read-out whose height never changes.
QLabel* makeReadoutLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFrameStyle(QFrame::Box | QFrame::Raised);
  label->setLineWidth(1);
  // The height of its first contents rectangle, unless the font needs more.
  label->setFixedHeight(std::max(label->contentsRect().height(),
                                 label->fontMetrics().height() + 2 * label->frameWidth()));
  return label;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
  buildMenus();
  drawingArea = new DrawingArea(display, view, this);

  valdcoLabel = makeReadoutLabel(this, "valdcoLabel");
  connect(this, &MainWindow::explain, valdcoLabel, &QLabel::setText);
  latLonLabel = makeReadoutLabel(this, "latLonLabel");
  latLonLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  connect(drawingArea, &DrawingArea::latlondisp, latLonLabel, &QLabel::setText);
  connect(drawingArea, &DrawingArea::valdcodisp, valdcoLabel, &QLabel::setText);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(menuBar);
  column->addWidget(drawingArea);
  auto* readouts = new QHBoxLayout();
  column->addLayout(readouts);
  readouts->addWidget(valdcoLabel);
  readouts->addWidget(latLonLabel);
  column->activate();

  setFocusPolicy(Qt::ClickFocus);
}

MainWindow::~MainWindow() {
  releaseCurrentDataset();
}

void MainWindow::releaseCurrentDataset() {
  if (display.currentDataset == nullptr) return;
  releaseDataset(*display.currentDataset);
  delete display.currentDataset;
  display.currentDataset = nullptr;
}

void MainWindow::open() {
  const QString home = qEnvironmentVariable("HOME");
  const QString path =
      QFileDialog::getOpenFileName(nullptr, QString(), home, QStringLiteral("*.000"));
  if (path.isEmpty()) return;
  openFile(path);
}

bool MainWindow::openFile(const QString& path) {
  if (display.currentDataset != nullptr) return false;
  auto* dataset = new (std::nothrow) Dataset;
  if (dataset == nullptr) return false;

  loadStatus = 0;
  checkStatus = 0;
  {
    WaitCursor wait;
    int32_t exchangePurpose = 0;
    loadStatus = loadCell(*dataset, QFile::encodeName(path).constData(), exchangePurpose,
                          kDiscardLog, kDiscardProgress);
    // A file that cannot be opened holds no chart at all; it is not shown
    // as an empty one.
    if (loadStatus != kCannotOpen) checkStatus = runLogicalChecks(*dataset, kDiscardLog);
  }
  if (loadStatus == kCannotOpen || checkStatus != 0) {
    releaseDataset(*dataset);
    delete dataset;
    return false;
  }

  prepareChart(display, *dataset, view, {0, 0, drawingArea->width(), drawingArea->height()});
  drawingArea->renderChart();
  setDocOpenMenus();
  return true;
}

void MainWindow::closeDoc() {
  if (display.currentDataset == nullptr) return;
  releaseCurrentDataset();
  drawingArea->renderChart();
  setDocClosedMenus();
}

void MainWindow::fullView() {
  if (display.currentDataset == nullptr) return;
  fitView(view, display.chartBounds, {0, 0, drawingArea->width(), drawingArea->height()});
  for (QAction* action :
       {zoomOutAction, zoomInAction, leftAction, rightAction, upAction, downAction}) {
    action->setEnabled(true);
  }
  drawingArea->renderChart();
}

void MainWindow::viewStep(bool (*step)(abys::ViewState&), QAction* used, QAction* opposite) {
  // The items are disabled without a chart; an invocation by name finds no
  // view to move.
  if (display.currentDataset == nullptr) return;
  if (!step(view)) used->setEnabled(false);
  opposite->setEnabled(true);
  drawingArea->renderChart();
}

void MainWindow::shiftRight() {
  viewStep(panRight, rightAction, leftAction);
}
void MainWindow::shiftLeft() {
  viewStep(panLeft, leftAction, rightAction);
}
void MainWindow::shiftUp() {
  viewStep(panUp, upAction, downAction);
}
void MainWindow::shiftDown() {
  viewStep(panDown, downAction, upAction);
}
void MainWindow::zoomIn() {
  viewStep(zoomViewIn, zoomInAction, zoomOutAction);
}
void MainWindow::zoomOut() {
  viewStep(zoomViewOut, zoomOutAction, zoomInAction);
}

void MainWindow::applyLabelFont() {
  QFont font;
  font.setWeight(isBold ? QFont::Bold : QFont::Normal);
  font.setUnderline(isUnderline);
  valdcoLabel->setFont(font);
}

void MainWindow::normal() {
  isBold = false;
  isUnderline = false;
  valdcoLabel->setFont(QFont());
}

void MainWindow::bold() {
  isBold = !isBold;
  applyLabelFont();
}

void MainWindow::underline() {
  isUnderline = !isUnderline;
  applyLabelFont();
}

void MainWindow::about() {
  QMessageBox::about(this, QStringLiteral("ABYS Ver 0.1.1"),
                     QStringLiteral("Display software for Bathmetric map formatted by S-57 "
                                    "extension\nCopyright (C) ABYS developers\n"));
}

void MainWindow::aboutQt() {
  QMessageBox::aboutQt(this, QStringLiteral("ABYS"));
}
