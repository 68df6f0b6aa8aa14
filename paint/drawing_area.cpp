#include "drawing_area.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QWheelEvent>

#include "chart_render.h"
#include "overlays.h"
#include "quilt_render.h"
#include "readouts.h"

using namespace abys;

namespace {

constexpr int kMinimumWidth = 600;
constexpr int kMinimumHeight = 400;
// One notch of a common wheel, in eighths of a degree.
constexpr int kWheelStep = 120;
constexpr int kMarkRadius = 9;

PixelPoint pixelOf(const QSinglePointEvent& event) {
  const QPoint at = event.position().toPoint();
  return {at.x(), at.y()};
}

}  // namespace

DrawingArea::DrawingArea(ChartSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
  // The pixmap covers the whole widget, so Qt need not erase it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  setMouseTracking(true);
}

void DrawingArea::resetPixmap(const QSize& size) {
  const qreal ratio = devicePixelRatioF();
  chartPixmap_ = QPixmap(size * ratio);
  chartPixmap_.setDevicePixelRatio(ratio);
  chartPixmap_.fill(Qt::white);
}

void DrawingArea::renderChart() {
  // A render before the first resize (a chart opened before the window was
  // shown) still gets a pixmap of the right size.
  if (chartPixmap_.deviceIndependentSize().toSize() != size()) {
    resetPixmap(size());
  } else {
    chartPixmap_.fill(Qt::white);
  }
  if (chartOpen()) {
    QPainter painter(&chartPixmap_);
    nameCounts_ = paintQuilt(painter, session_, options_, updatesHighlighted_).names;
  } else {
    nameCounts_ = {};
  }
  repaint();
  if (chartOpen()) emit chartRendered();
}

void DrawingArea::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, chartPixmap_);
  paintOverlays(painter);
}

void DrawingArea::paintPicture(QPainter& painter) const {
  painter.save();
  painter.setClipRect(rect());
  painter.fillRect(rect(), Qt::white);
  if (chartOpen()) paintQuilt(painter, session_, options_, updatesHighlighted_);
  painter.restore();
  painter.save();
  painter.setClipRect(rect());
  paintOverlays(painter);
  painter.restore();
}

void DrawingArea::paintOverlays(QPainter& painter) const {
  paintMark(painter);
  if (!chartOpen()) return;
  if (legendShown_) paintLegend(painter, legendFor(session_.display()), rect());
  if (scaleBarShown_) paintScaleBar(painter, scaleBarFor(session_.view(), kScaleBarPixels), rect());
}

void DrawingArea::setUpdatesHighlighted(bool highlighted) {
  if (highlighted == updatesHighlighted_) return;
  updatesHighlighted_ = highlighted;
  if (chartOpen()) renderChart();
}

void DrawingArea::setRenderOptions(const RenderOptions& options) {
  options_ = options;
  if (chartOpen()) renderChart();
}

void DrawingArea::setLegendShown(bool shown) {
  legendShown_ = shown;
  update();
}

void DrawingArea::setScaleBarShown(bool shown) {
  scaleBarShown_ = shown;
  update();
}

void DrawingArea::paintMark(QPainter& painter) const {
  if (!mark_ || !chartOpen()) return;
  painter.save();
  const ViewState& view = session_.view();
  const auto pixel = [&view](const GeoPoint& at) {
    const PixelPoint p = metresToPixel(view, degreesToMetres(view, at.lon, at.lat));
    return QPointF(p.column, p.row);
  };
  painter.setRenderHint(QPainter::Antialiasing);
  for (const std::vector<GeoPoint>& line : mark_->lines) {
    if (line.empty()) continue;
    if (line.size() == 1) {
      // A point of the record: a dot.
      const QPointF centre = pixel(line.front());
      painter.setPen(QPen(Qt::white, 2));
      painter.setBrush(QColor(230, 0, 140));
      painter.drawEllipse(centre, 3.5, 3.5);
      painter.setBrush(Qt::NoBrush);
      continue;
    }
    QPainterPath path(pixel(line.front()));
    for (size_t i = 1; i < line.size(); ++i)
      path.lineTo(pixel(line[i]));
    painter.setPen(QPen(QColor(255, 255, 255, 200), 5));
    painter.drawPath(path);
    painter.setPen(QPen(QColor(230, 0, 140), 2));
    painter.drawPath(path);
  }
  if (mark_->at) {
    const QPointF centre = pixel(*mark_->at);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 5));
    painter.drawEllipse(centre, kMarkRadius, kMarkRadius);
    painter.setPen(QPen(QColor(230, 0, 140), 2));
    painter.drawEllipse(centre, kMarkRadius, kMarkRadius);
  }
  painter.restore();
}

void DrawingArea::setMark(std::optional<Mark> mark) {
  mark_ = std::move(mark);
  update();
}

void DrawingArea::resizeEvent(QResizeEvent* event) {
  const QSize size = event->size();
  session_.setWindow(size.width(), size.height());
  resetPixmap(size);
  if (chartOpen()) renderChart();
}

void DrawingArea::mouseMoveEvent(QMouseEvent* event) {
  if (pressedAt_ && (event->buttons() & Qt::LeftButton) && chartOpen()) {
    const QPoint at = event->position().toPoint();
    if (!dragging_ && (at - *pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
      dragging_ = true;
      lastDragAt_ = *pressedAt_;
      setCursor(Qt::ClosedHandCursor);
    }
    if (dragging_ && at != lastDragAt_) {
      session_.panBy(at.x() - lastDragAt_.x(), at.y() - lastDragAt_.y());
      lastDragAt_ = at;
      renderChart();
      emit viewMoved();
    }
  }
  const std::optional<GeoPoint> position = session_.positionAt(pixelOf(*event));
  if (!position) return;
  emit latlondisp(positionText(*position));
  emit pointerMoved(event->position().toPoint());
}

void DrawingArea::mousePressEvent(QMouseEvent* event) {
  if (!chartOpen()) return;
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)) {
    emit identifyRequested(event->position().toPoint());
  } else if (event->button() == Qt::LeftButton) {
    pressedAt_ = event->position().toPoint();
    dragging_ = false;
  }
  emit valdcodisp(depthText(session_.depthAt(pixelOf(*event))));
}

void DrawingArea::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (dragging_) unsetCursor();
  pressedAt_.reset();
  dragging_ = false;
}

void DrawingArea::wheelEvent(QWheelEvent* event) {
  if (!chartOpen()) {
    event->ignore();
    return;
  }
  wheelRest_ += event->angleDelta().y();
  const PixelPoint at = pixelOf(*event);
  bool moved = false;
  // A notch toward the user zooms out, away zooms in, one menu step each.
  for (; wheelRest_ >= kWheelStep; wheelRest_ -= kWheelStep)
    moved = session_.zoomAbout(ViewCommand::ZoomIn, at) || moved;
  for (; wheelRest_ <= -kWheelStep; wheelRest_ += kWheelStep)
    moved = session_.zoomAbout(ViewCommand::ZoomOut, at) || moved;
  event->accept();
  if (!moved) return;
  renderChart();
  emit viewMoved();
}
