#include "drawing_area.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "chart_render.h"
#include "readouts.h"

using namespace abys;

namespace {

constexpr int kMinimumWidth = 600;
constexpr int kMinimumHeight = 400;

PixelPoint pixelOf(const QMouseEvent& event) {
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
    paintChart(painter, session_.display(), session_.view(), &session_.drawnGeometry());
  }
  repaint();
}

void DrawingArea::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, chartPixmap_);
}

void DrawingArea::resizeEvent(QResizeEvent* event) {
  const QSize size = event->size();
  session_.setWindow(size.width(), size.height());
  resetPixmap(size);
  if (chartOpen()) renderChart();
}

void DrawingArea::mouseMoveEvent(QMouseEvent* event) {
  const std::optional<GeoPoint> position = session_.positionAt(pixelOf(*event));
  if (!position) return;
  emit latlondisp(positionText(*position));
}

void DrawingArea::mousePressEvent(QMouseEvent* event) {
  if (!chartOpen()) return;
  emit valdcodisp(depthText(session_.depthAt(pixelOf(*event))));
}
