#include "drawing_area.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "chart_render.h"
#include "pointer_readout.h"

using namespace abys;

namespace {

constexpr int kMinimumWidth = 600;
constexpr int kMinimumHeight = 400;

PixelPoint pixelOf(const QMouseEvent& event) {
  const QPoint at = event.position().toPoint();
  return {at.x(), at.y()};
}

}  // namespace

DrawingArea::DrawingArea(const DisplayState& display, ViewState& view, QWidget* parent)
    : QWidget(parent), display_(display), view_(view) {
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
    paintChart(painter, display_, view_);
  }
  repaint();
}

void DrawingArea::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, chartPixmap_);
}

void DrawingArea::resizeEvent(QResizeEvent* event) {
  const QSize size = event->size();
  if (chartOpen()) setViewWindow(view_, {0, 0, size.width(), size.height()});
  resetPixmap(size);
  if (chartOpen()) renderChart();
}

void DrawingArea::mouseMoveEvent(QMouseEvent* event) {
  if (!chartOpen()) return;
  emit latlondisp(positionText(view_, pixelOf(*event)));
}

void DrawingArea::mousePressEvent(QMouseEvent* event) {
  if (!chartOpen()) return;
  emit valdcodisp(depthText(display_, view_, pixelOf(*event)));
}
