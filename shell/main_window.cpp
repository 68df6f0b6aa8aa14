#include "main_window.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QSvgGenerator>
#include <QThreadPool>
#include <QUrl>
#include <algorithm>

#include "cells_dock.h"
#include "chart_geometry.h"
#include "depth_settings.h"
#include "drawing_area.h"
#include "readouts.h"
#include "view_menu.h"

using namespace abys;

namespace {

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

namespace {

constexpr const char* kRecentKey = "files/recent";
constexpr const char* kPlacementKey = "window/geometry";
constexpr const char* kSizeKey = "window/size";
constexpr const char* kMemoryLimitKey = "view/memoryLimitMiB";
constexpr int kDefaultMemoryLimitMiB = 1024;

// Whether path names what File > Open folder opens: a folder or a
// catalogue.
bool isFolderPath(const QString& path) {
  const QFileInfo info(path);
  return info.isDir() ||
         info.fileName().compare(QStringLiteral("CATALOG.031"), Qt::CaseInsensitive) == 0;
}

QSettings userSettings() {
  return QSettings(QStringLiteral("ABYS"), QStringLiteral("abys"));
}

// The one local file a drop carries when it is a cell (*.000) or a folder,
// else empty.
QString droppedCell(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return {};
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  const QString path = urls.front().toLocalFile();
  if (!path.endsWith(QStringLiteral(".000"), Qt::CaseInsensitive) && !QFileInfo(path).isDir())
    return {};
  return path;
}

// A font the size the drawing area's is on screen, in pixels: a drawing or a
// page would otherwise size it in points at its own resolution.
QFont screenSizedFont(const QWidget& widget) {
  QFont font = widget.font();
  font.setPixelSize(QFontInfo(font).pixelSize());
  return font;
}

// Draws the view on a drawing or a page, its names as large as on screen.
bool paintViewOn(QPaintDevice& device, DrawingArea& area) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  painter.setFont(screenSizedFont(area));
  area.paintPicture(painter);
  return painter.end();
}

std::optional<S58Options> s58Options(bool on) {
  if (!on) return std::nullopt;
  S58Options options;
  options.withGeometry = true;  // to mark a chosen finding's record
  return options;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
  chart.setApplyUpdates(loadApplyUpdates());
  messagesDock = new MessagesDock(this);
  messagesDock->hide();
  identifyDock = new IdentifyDock(this);
  identifyDock->hide();
  cellsDock = new CellsDock(this);
  cellsDock->hide();
  memoryLimitBytes =
      size_t(std::max(1, userSettings().value(kMemoryLimitKey, kDefaultMemoryLimitMiB).toInt()))
      << 20;
  buildMenus();
  drawingArea = new DrawingArea(chart, this);
  applyViewSettings(viewMenu->settings());
  connect(viewMenu, &ViewMenu::settingsChanged, this, &MainWindow::applyViewSettings);

  valdcoLabel = makeReadoutLabel(this, "valdcoLabel");
  connect(this, &MainWindow::explain, valdcoLabel, &QLabel::setText);
  latLonLabel = makeReadoutLabel(this, "latLonLabel");
  statusLabel = makeReadoutLabel(this, "statusLabel");
  statusLabel->hide();
  latLonLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  connect(drawingArea, &DrawingArea::latlondisp, latLonLabel, &QLabel::setText);
  connect(drawingArea, &DrawingArea::valdcodisp, valdcoLabel, &QLabel::setText);
  connect(drawingArea, &DrawingArea::viewMoved, this, &MainWindow::syncViewMenu);
  connect(drawingArea, &DrawingArea::viewMoved, this, &MainWindow::showScaleAndPosition);
  // The first move over the chart puts the reading in the summary's place.
  connect(drawingArea, &DrawingArea::pointerMoved, this, [this](const QPoint& pixel) {
    pointerPixel = pixel;
    summaryStanding = false;
    showScaleAndPosition();
  });
  connect(messagesDock, &MessagesDock::findingChosen, this, &MainWindow::showFinding);
  connect(messagesDock, &MessagesDock::showAnywayRequested, this, &MainWindow::showChartAnyway);
  connect(drawingArea, &DrawingArea::identifyRequested, this, &MainWindow::identifyAt);
  // A folder's cells are built as the view comes to need them.
  connect(drawingArea, &DrawingArea::chartRendered, this, &MainWindow::buildWantedCells,
          Qt::QueuedConnection);
  connect(cellsDock, &CellsDock::cellChosen, this, &MainWindow::showCell);
  connect(cellsDock, &CellsDock::checkAllRequested, this, &MainWindow::checkAllCells);
  connect(cellsDock, &CellsDock::cancelRequested, this, &MainWindow::cancelCheck);
  connect(identifyDock, &IdentifyDock::featureChosen, this, [this](int index) {
    const std::vector<IdentifiedFeature>& found = identifyDock->features();
    if (index < 0 || static_cast<size_t>(index) >= found.size()) return;
    drawingArea->setMark(DrawingArea::Mark{found[static_cast<size_t>(index)].at,
                                           found[static_cast<size_t>(index)].lines});
  });
  drawingArea->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(drawingArea, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (!chart.isOpen()) return;
    QMenu menu(this);
    QAction* identify = menu.addAction(tr("&Identify"));
    identify->setObjectName(QStringLiteral("identifyHereAction"));
    connect(identify, &QAction::triggered, this, [this, at] { identifyAt(at); });
    menu.exec(drawingArea->mapToGlobal(at));
  });

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(menuBar);
  // The docks, when shown, beside the drawing area.
  auto* middle = new QHBoxLayout();
  middle->setContentsMargins(0, 0, 0, 0);
  column->addLayout(middle);
  middle->addWidget(drawingArea, 1);
  middle->addWidget(identifyDock);
  middle->addWidget(messagesDock);
  middle->addWidget(cellsDock);
  auto* readouts = new QHBoxLayout();
  column->addLayout(readouts);
  readouts->addWidget(valdcoLabel);
  readouts->addWidget(statusLabel);
  readouts->addWidget(latLonLabel);
  loadProgress = new QProgressBar(this);
  loadProgress->setObjectName(QStringLiteral("loadProgress"));
  loadProgress->setFixedWidth(180);
  loadProgress->setFixedHeight(valdcoLabel->height());
  loadProgress->hide();
  readouts->addWidget(loadProgress);
  column->activate();

  setFocusPolicy(Qt::ClickFocus);
  setAcceptDrops(true);
}

MainWindow::~MainWindow() {
  stopBackground();
}

void MainWindow::open() {
  const QString home = qEnvironmentVariable("HOME");
  const QString path =
      QFileDialog::getOpenFileName(nullptr, QString(), home, QStringLiteral("*.000"));
  if (path.isEmpty()) return;
  openFile(path);
}

bool MainWindow::openFile(const QString& path) {
  return openPath(path, false);
}

bool MainWindow::openPathGiven(const QString& path) {
  if (isFolderPath(path)) return openFolder(path);
  return openFile(path);
}

void MainWindow::chooseFolder() {
  const QString home = qEnvironmentVariable("HOME");
  const QString path = QFileDialog::getExistingDirectory(nullptr, QString(), home);
  if (path.isEmpty()) return;
  openFolder(path);
}

bool MainWindow::showChartAnyway() {
  if (failedPath.isEmpty()) return false;
  return openPath(failedPath, true);
}

// path is a copy: it may be failedPath, which is cleared here.
bool MainWindow::openPath(QString path, bool anyway) {
  if (chart.isOpen()) return false;
  beginOpen(anyway);
  OpenResult result;
  OpenLog log;
  {
    // Loading and checking run inside the command under the wait cursor;
    // what they say goes to the Messages dock.
    WaitCursor wait;
    chart.setWindow(drawingArea->width(), drawingArea->height());
    chart.setOpenFailedCharts(anyway);
    result = chart.open(QFile::encodeName(path).constData(), log, log.loadLog());
    chart.setOpenFailedCharts(false);
  }
  reportOpen(path, result, log);
  if (result.outcome == OpenOutcome::ChecksFailed && !result.shownAnyway &&
      (result.counts.features > 0 || result.counts.vectors > 0)) {
    failedPath = path;
    messagesDock->setShowAnywayOffered(true);
  }
  if (!chart.isOpen()) return false;
  showOpened(path);
  return true;
}

void MainWindow::beginOpen(bool keepMessages) {
  noteUngrownSize();
  clearReadouts();
  drawingArea->setMark(std::nullopt);
  identifyDock->clear();
  failedPath.clear();
  if (messagesShownForFailure && !keepMessages) {
    // The dock that came up for the last failure goes, and the window gets
    // back the size it had before, so the chart fits as it always did.
    messagesShownForFailure = false;
    messagesDock->hide();
    layout()->activate();
    if (sizeBeforeMessages.isValid()) resize(sizeBeforeMessages);
  }
}

void MainWindow::showOpened(const QString& path) {
  rememberRecent(path);
  shownFile = path;
  drawingArea->renderChart();
  setDocOpenMenus();
  showScaleAndPosition();
}

QStringList MainWindow::recentFiles() {
  QStringList files = userSettings().value(kRecentKey).toStringList();
  if (files.size() > kMaxRecentFiles) files.erase(files.begin() + kMaxRecentFiles, files.end());
  return files;
}

void MainWindow::rememberRecent(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList files = recentFiles();
  files.removeAll(absolute);
  files.prepend(absolute);
  if (files.size() > kMaxRecentFiles) files.erase(files.begin() + kMaxRecentFiles, files.end());
  userSettings().setValue(kRecentKey, files);
  fillRecentMenu();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (chart.isOpen() || droppedCell(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString path = droppedCell(event->mimeData());
  if (chart.isOpen() || path.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  openPathGiven(path);
}

bool MainWindow::exportImage(const QString& path) {
  if (!chart.isOpen()) return false;
  const QString suffix = QFileInfo(path).suffix().toLower();
  const QSize size = drawingArea->size();
  if (suffix == QStringLiteral("png")) {
    QImage image(size, QImage::Format_RGB32);
    {
      QPainter painter(&image);
      drawingArea->paintPicture(painter);
    }
    return image.save(path, "PNG");
  }
  if (suffix == QStringLiteral("svg")) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QFileInfo(path).completeBaseName());
    return paintViewOn(svg, *drawingArea);
  }
  if (suffix == QStringLiteral("pdf")) {
    // A page the size of the view, a point to a pixel.
    QPdfWriter pdf(path);
    pdf.setResolution(72);
    pdf.setPageLayout(
        QPageLayout(QPageSize(QSizeF(size), QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
    pdf.setTitle(QFileInfo(path).completeBaseName());
    return paintViewOn(pdf, *drawingArea);
  }
  return false;
}

void MainWindow::exportView() {
  if (!chart.isOpen()) return;
  const QString png = tr("PNG image (*.png)");
  const QString svg = tr("SVG drawing (*.svg)");
  const QString pdf = tr("PDF document (*.pdf)");
  QString filter = png;
  // Offered in the home folder under the chart's name.
  const QString offered =
      QDir(qEnvironmentVariable("HOME"))
          .filePath(QFileInfo(shownFile).completeBaseName() + QStringLiteral(".png"));
  QString path = QFileDialog::getSaveFileName(
      this, tr("Export image"), offered,
      png + QStringLiteral(";;") + svg + QStringLiteral(";;") + pdf, &filter);
  if (path.isEmpty()) return;
  // A name without a known extension takes that of the chosen type.
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QStringLiteral("png") && suffix != QStringLiteral("svg") &&
      suffix != QStringLiteral("pdf")) {
    path += filter == svg   ? QStringLiteral(".svg")
            : filter == pdf ? QStringLiteral(".pdf")
                            : QStringLiteral(".png");
  }
  WaitCursor wait;
  if (!exportImage(path))
    QMessageBox::warning(this, tr("Export image"),
                         tr("%1 could not be written.").arg(QDir::toNativeSeparators(path)));
}

bool MainWindow::printView(QPrinter& printer) {
  if (!chart.isOpen()) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // The view fitted to the page, its shape kept, at the page's top left.
  const QRectF page =
      printer.pageLayout()
          .paintRectPixels(printer.resolution())
          .translated(-printer.pageLayout().paintRectPixels(printer.resolution()).topLeft());
  const QSizeF view = drawingArea->size();
  const double scale = std::min(page.width() / view.width(), page.height() / view.height());
  painter.scale(scale, scale);
  painter.setFont(screenSizedFont(*drawingArea));
  drawingArea->paintPicture(painter);
  return painter.end();
}

void MainWindow::print() {
  if (!chart.isOpen()) return;
  QPrinter printer(QPrinter::HighResolution);
  if (drawingArea->width() > drawingArea->height())
    printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  WaitCursor wait;
  if (!printView(printer))
    QMessageBox::warning(this, tr("Print"), tr("The printer could not be used."));
}

void MainWindow::savePlacement() const {
  QSettings settings = userSettings();
  settings.setValue(kPlacementKey, saveGeometry());
  // A dock or the status line makes the window wider by itself; the next
  // start has neither and gets the width from before.
  const bool grown = messagesDock->isVisible() || identifyDock->isVisible() || statusWidens();
  settings.setValue(kSizeKey,
                    grown && sizeUngrown.isValid() ? QSize(sizeUngrown.width(), height()) : size());
}

bool MainWindow::restorePlacement() {
  const QSettings settings = userSettings();
  const QByteArray kept = settings.value(kPlacementKey).toByteArray();
  if (kept.isEmpty() || !restoreGeometry(kept)) return false;
  const QSize keptSize = settings.value(kSizeKey).toSize();
  if (keptSize.isValid()) resize(keptSize);
  return true;
}

void MainWindow::noteUngrownSize() {
  if (!messagesDock->isVisible() && !identifyDock->isVisible() && !statusWidens())
    sizeUngrown = size();
}

bool MainWindow::statusWidens() const {
  return statusLabel->isVisible() && statusGrew;
}

double MainWindow::displayDensity() const {
  // The view's pixels are device-independent, as are the pixels Qt reckons
  // the screen's physical density in.
  const QScreen* screen = drawingArea->screen();
  return screen != nullptr
             ? screenDensity(screen->physicalDotsPerInch(), screen->logicalDotsPerInch())
             : drawingArea->logicalDpiX();
}

void MainWindow::showScaleAndPosition() {
  if (!chart.isOpen() || summaryStanding) return;
  const double density = displayDensity();
  std::optional<GeoPoint> position;
  if (pointerPixel) position = chart.positionAt({pointerPixel->x(), pointerPixel->y()});
  statusLabel->setText(scaleAndPositionText(scaleDenominator(chart.view(), density), position));
  // Its text's width never widens the window: the read-outs beside it give
  // way instead.
  statusLabel->setMinimumWidth(1);
  statusLabel->show();
}

void MainWindow::reportOpen(const QString& path, const OpenResult& result, const OpenLog& log) {
  messagesDock->showOpen(result, log);
  showSummary(openSummary(QFileInfo(path).fileName(), result, log), !result.opened());
}

void MainWindow::showSummary(const QString& summary, bool failed) {
  statusLabel->setMinimumWidth(0);
  statusLabel->setText(summary);
  statusLabel->setVisible(!summary.isEmpty());
  summaryStanding = !summary.isEmpty();
  statusGrew = summaryStanding;
  if (!failed || messagesDock->isVisible()) return;
  sizeBeforeMessages = size();
  messagesShownForFailure = true;
  showWidening(*messagesDock);
}

void MainWindow::showWidening(QDockWidget& dock) {
  dock.show();
  resize(width() + std::max(dock.sizeHint().width(), dock.minimumWidth()), height());
}

void MainWindow::showFinding(int row) {
  const std::vector<FindingRow>& rows = messagesDock->rows();
  if (row < 0 || static_cast<size_t>(row) >= rows.size()) return;
  const FindingRow& finding = rows[static_cast<size_t>(row)];
  if (!chart.isOpen()) return;
  // A finding of a folder's cell: the view goes to the cell first.
  const std::optional<size_t> cell = messagesDock->cellOfRow(row);
  if (cell && !finding.position) {
    showCell(*cell);
    return;
  }
  if (!finding.position) return;
  if (cell) chart.fitCell(*cell);
  DrawingArea::Mark mark;
  mark.at = GeoPoint{finding.position->longitude, finding.position->latitude};
  for (const std::vector<FindingPosition>& part : finding.geometry) {
    std::vector<GeoPoint> line;
    line.reserve(part.size());
    for (const FindingPosition& p : part)
      line.push_back({p.longitude, p.latitude});
    mark.lines.push_back(std::move(line));
  }
  // A feature the checks name is outlined as Identify would outline it.
  const Dataset* dataset = chart.display().currentDataset;
  if (cell) {
    const CellChart* built = chart.cell(*cell).chart.get();
    dataset = built != nullptr ? built->display().currentDataset : nullptr;
  }
  if (mark.lines.empty() && finding.record && finding.record->rcnm == kRcnmFeature &&
      dataset != nullptr) {
    for (const FeatureRecord* feature : dataset->features) {
      if (feature->rcid != finding.record->rcid) continue;
      mark.lines = identify(*feature).lines;
      break;
    }
  }
  chart.centreOn(*mark.at);
  syncViewMenu();
  showScaleAndPosition();
  drawingArea->setMark(std::move(mark));
  drawingArea->renderChart();
}

void MainWindow::identifyAt(const QPoint& pointer) {
  if (!chart.isOpen()) return;
  std::vector<IdentifiedFeature> found;
  const std::optional<GeoPoint> place = chart.positionAt({pointer.x(), pointer.y()});
  for (const FeatureRecord* feature :
       chart.featuresAt({pointer.x(), pointer.y()}, kPickTolerance)) {
    found.push_back(identify(*feature, place));
    const DisplayState& display = chart.displayAt({pointer.x(), pointer.y()});
    describePortrayal(found.back(), *feature, display.portrayal, display.presentation.colourScheme);
  }
  if (!identifyDock->isVisible()) {
    noteUngrownSize();
    showWidening(*identifyDock);
  }
  drawingArea->setMark(std::nullopt);
  identifyDock->showFeatures(std::move(found));
}

void MainWindow::applyViewSettings(const ViewSettings& settings) {
  chart.setS58Profile(s58Options(settings.s58Checks));
  chart.setReadPastOrderErrors(settings.readPastOrderErrors);
  drawingArea->setLegendShown(settings.legend);
  drawingArea->setScaleBarShown(settings.scaleBar);
  // Redraws an open chart when it changes.
  drawingArea->setUpdatesHighlighted(settings.highlightUpdates);
  const RenderOptions options{settings.declutterNames, settings.wideDepthLines};
  PresentationSettings presentation = chart.settings().presentation;
  presentation.colourScheme = settings.colourScheme;
  presentation.categories = settings.categories;
  presentation.scaleMinimum = settings.scaleMinimum;
  presentation.names = settings.names;
  presentation.otherText = settings.otherText;
  // The scale minimum follows the scale the status line reads.
  presentation.pixelsPerInch = displayDensity();
  portrayal::PortrayalSettings rules = chart.settings().rules;
  rules.s52Depths = settings.s52Depths;
  rules.twoShades = settings.twoShades;
  rules.shallowPattern = settings.shallowPattern;
  rules.symbolizedBoundaries = settings.symbolizedBoundaries;
  rules.simplifiedSymbols = settings.simplifiedSymbols;
  if (options == drawingArea->renderOptions() &&
      settings.depthContours == chart.settings().depthContours &&
      presentation == chart.settings().presentation && rules == chart.settings().rules) {
    return;
  }
  chart.setPresentation(presentation);
  if (!(rules == chart.settings().rules)) chart.setPortrayalRules(rules);
  if (!(settings.depthContours == chart.settings().depthContours))
    chart.setDepthContours(settings.depthContours);
  // Redraws an open chart.
  drawingArea->setRenderOptions(options);
}

void MainWindow::readPastOrderErrorsThisRun() {
  ViewSettings settings = viewMenu->settings();
  settings.readPastOrderErrors = true;
  viewMenu->setForThisRun(settings);
}

void MainWindow::closeDoc() {
  if (!chart.isOpen()) return;
  stopBackground();
  chart.close();
  cellsDock->clear();
  clearReadouts();
  drawingArea->setMark(std::nullopt);
  identifyDock->clear();
  drawingArea->renderChart();
  shownFile.clear();
  setDocClosedMenus();
}

void MainWindow::clearReadouts() {
  valdcoLabel->clear();
  latLonLabel->clear();
  statusLabel->clear();
  statusLabel->hide();
  statusLabel->setMinimumWidth(0);
  summaryStanding = false;
  statusGrew = false;
  pointerPixel.reset();
}

void MainWindow::syncViewMenu() {
  viewMenu->enableCommands([this](ViewCommand command) { return chart.isEnabled(command); });
}

void MainWindow::viewCommand(ViewCommand command) {
  // The items are disabled without a chart; an invocation by name finds no
  // view to move.
  if (!chart.isOpen()) return;
  if (command == ViewCommand::FullView)
    chart.setWindow(drawingArea->width(), drawingArea->height());
  chart.run(command);
  syncViewMenu();
  drawingArea->renderChart();
  showScaleAndPosition();
}

void MainWindow::fullView() {
  viewCommand(ViewCommand::FullView);
}
void MainWindow::shiftRight() {
  viewCommand(ViewCommand::Right);
}
void MainWindow::shiftLeft() {
  viewCommand(ViewCommand::Left);
}
void MainWindow::shiftUp() {
  viewCommand(ViewCommand::Up);
}
void MainWindow::shiftDown() {
  viewCommand(ViewCommand::Down);
}
void MainWindow::zoomIn() {
  viewCommand(ViewCommand::ZoomIn);
}
void MainWindow::zoomOut() {
  viewCommand(ViewCommand::ZoomOut);
}

void MainWindow::applyUpdates(bool apply) {
  chart.setApplyUpdates(apply);
  saveApplyUpdates(apply);
}

void MainWindow::depthSettings() {
  viewMenu->editDepthContours();
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

bool MainWindow::openFolder(const QString& path) {
  if (chart.isOpen()) return false;
  beginOpen();
  SetOpenResult opened;
  {
    WaitCursor wait;
    chart.setWindow(drawingArea->width(), drawingArea->height());
    opened = chart.openSet(QFile::encodeName(path).toStdString());
  }
  QStringList lines;
  if (opened.opened) {
    lines << tr("%1: %n cell(s)", nullptr, static_cast<int>(chart.cellCount()))
                 .arg(QDir::toNativeSeparators(path));
  }
  for (const std::string& problem : opened.problems)
    lines << QString::fromStdString(problem);
  messagesDock->showSet(lines.join(QLatin1Char('\n')));
  showSummary(opened.opened
                  ? QString()
                  : tr("%1: no cell to open; see Messages").arg(QFileInfo(path).fileName()),
              !opened.opened);
  if (!opened.opened) return false;
  cellsDock->showCells(chart);
  const std::vector<size_t> unplaced = chart.unplacedCells();
  if (!unplaced.empty()) {
    // Cells no catalogue places are built now: the view needs their extent
    // (and is fitted to the set once they are built).
    WaitCursor wait;
    for (const size_t cell : unplaced) {
      auto log = std::make_shared<OpenLog>();
      chart.buildCell(cell, *log);
      takeBuiltCell(chart.generation(), cell, {}, log);
    }
  }
  if (!cellsDock->isVisible()) showWidening(*cellsDock);
  showOpened(path);
  return true;
}

void MainWindow::buildWantedCells() {
  if (!chart.isOpen() || !chart.isSet()) return;
  const uint64_t generation = chart.generation();
  for (const size_t index : chart.wantedCells()) {
    if (building.count(index) != 0) continue;
    const ChartSession::BuildRequest request = chart.startBuild(index);
    building.insert(index);
    ++buildsAsked;
    QThreadPool::globalInstance()->start([this, generation, request] {
      auto log = std::make_shared<OpenLog>();
      auto built = std::make_shared<BuiltCell>(
          buildCellChart(request.input, request.options, request.settings, *log));
      QMetaObject::invokeMethod(
          this,
          [this, generation, index = request.cell, built, log] {
            takeBuiltCell(generation, index, std::move(*built), log);
          },
          Qt::QueuedConnection);
    });
  }
  showLoadProgress();
}

void MainWindow::takeBuiltCell(uint64_t generation, size_t index, BuiltCell built,
                               std::shared_ptr<OpenLog> log) {
  if (generation != chart.generation() || index >= chart.cellCount()) return;
  const bool fromBackground = building.erase(index) != 0;
  if (fromBackground) chart.adopt(index, std::move(built));
  const ChartCell& cell = chart.cell(index);
  cellsDock->updateCell(chart, index);
  const QString name = QString::fromStdString(cell.header.name);
  const std::string note = coverageNote(cell);
  if (!note.empty()) messagesDock->appendToLog(QString::fromStdString(note));
  if (cell.state == ChartCell::State::Failed) {
    messagesDock->appendToLog(
        QStringLiteral("%1: %2").arg(name, QString::fromStdString(failureReason(cell.result))));
  }
  if (!log->findings().empty() || (cell.result.s58 && !cell.result.s58->empty()))
    messagesDock->setCellFindings(index, name, cell.result, *log);
  if (!fromBackground) return;
  chart.releaseUnused(memoryLimitBytes);
  showLoadProgress();
  drawingArea->renderChart();
}

void MainWindow::showLoadProgress() {
  if (building.empty()) {
    buildsAsked = 0;
    loadProgress->hide();
    return;
  }
  loadProgress->setRange(0, buildsAsked);
  loadProgress->setValue(buildsAsked - static_cast<int>(building.size()));
  loadProgress->setFormat(tr("cells %v/%m"));
  loadProgress->show();
}

void MainWindow::stopBackground() {
  if (checkCancel) checkCancel->store(true);
  if (checkThread.joinable()) checkThread.join();
  checkCancel.reset();
  QThreadPool::globalInstance()->waitForDone();
  building.clear();
  if (loadProgress != nullptr) showLoadProgress();
}

void MainWindow::showCell(size_t index) {
  if (!chart.fitCell(index)) return;
  syncViewMenu();
  drawingArea->setMark(std::nullopt);
  drawingArea->renderChart();
  showScaleAndPosition();
}

void MainWindow::checkAllCells() {
  if (!chart.isOpen() || !chart.isSet() || checkThread.joinable()) return;
  std::vector<SetCell> cells;
  for (size_t i = 0; i < chart.cellCount(); ++i) {
    cells.push_back(chart.cell(i).input);
    cellsDock->setStatus(i, {CellStatus::State::Checking, {}, {}, {}});
  }
  CellCheckOptions options;
  options.readPastOrderErrors = chart.readsPastOrderErrors();
  options.s58 = chart.s58Profile();
  checkCancel = std::make_shared<std::atomic<bool>>(false);
  RunOptions run;
  run.threads = std::max(1u, std::thread::hardware_concurrency());
  run.cancel = checkCancel.get();
  checksDone = 0;
  cellsDock->setChecking(true, static_cast<int>(cells.size()));
  const uint64_t generation = chart.generation();
  checkThread =
      std::thread([this, cells = std::move(cells), options, run, generation, cancel = checkCancel] {
        checkCells(cells, options, run, [this, generation](CellReport&& report) {
          auto shared = std::make_shared<CellReport>(std::move(report));
          QMetaObject::invokeMethod(
              this, [this, generation, shared] { cellChecked(generation, shared); },
              Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this, [this, generation] { checkEnded(generation); }, Qt::QueuedConnection);
      });
}

void MainWindow::cancelCheck() {
  if (checkCancel) checkCancel->store(true);
}

void MainWindow::cellChecked(uint64_t generation, std::shared_ptr<CellReport> report) {
  if (generation != chart.generation() || report->index >= chart.cellCount()) return;
  CellStatus status;
  status.state = report->result.opened() ? CellStatus::State::Passed : CellStatus::State::Failed;
  status.reason = QString::fromStdString(failureReason(report->result));
  if (report->result.s58) status.s58Counts = s58CountsText(*report->result.s58);
  if (report->result.outcome != OpenOutcome::CannotOpen)
    status.lastUpdate = lastUpdateApplied(report->result);
  cellsDock->setStatus(report->index, status);
  OpenLog log;
  for (const Finding& finding : report->findings)
    log.report(finding);
  messagesDock->setCellFindings(report->index,
                                QString::fromStdString(chart.cell(report->index).header.name),
                                report->result, log);
  cellsDock->setChecked(++checksDone);
}

void MainWindow::checkEnded(uint64_t generation) {
  if (generation != chart.generation()) return;
  if (checkThread.joinable()) checkThread.join();
  checkCancel.reset();
  cellsDock->setChecking(false);
  // A cancelled check leaves the cells it did not reach as they were.
  for (size_t i = 0; i < chart.cellCount(); ++i) {
    if (cellsDock->status(i).state == CellStatus::State::Checking) cellsDock->setStatus(i, {});
  }
}

void MainWindow::setMemoryLimit(size_t bytes) {
  memoryLimitBytes = bytes;
  userSettings().setValue(kMemoryLimitKey, static_cast<int>(memoryLimitBytes >> 20));
  if (chart.isOpen()) chart.releaseUnused(memoryLimitBytes);
}

void MainWindow::chooseMemoryLimit() {
  bool ok = false;
  const int mebibytes = QInputDialog::getInt(
      this, tr("Set memory limit"),
      tr("Memory for the cells of a folder, in MiB; cells out of view are released beyond it:"),
      static_cast<int>(memoryLimitBytes >> 20), 16, 1 << 20, 64, &ok);
  if (ok) setMemoryLimit(size_t(mebibytes) << 20);
}
