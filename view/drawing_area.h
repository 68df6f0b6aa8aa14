// The widget that shows the chart. It draws into an off-screen pixmap only
// when the picture must change (renderChart) and copies that pixmap on every
// paint event; pointer moves and presses become the position and depth
// read-out texts.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "display_state.h"
#include "view_transform.h"

// In the global namespace so that its class name and translation context
// are "DrawingArea", as catalogues expect.
class DrawingArea : public QWidget {
  Q_OBJECT

 public:
  // display and view belong to the caller and must outlive the widget; the
  // widget reads display and keeps view's window extent in step with its
  // size while a chart is open.
  DrawingArea(const abys::DisplayState& display, abys::ViewState& view, QWidget* parent = nullptr);

  // Redraws the whole picture from the display state (white when no chart
  // is open) and shows it at once.
  void renderChart();

  // The last picture drawn; the widget's size from the first resize on.
  const QPixmap& chartPixmap() const { return chartPixmap_; }

 signals:
  // Emitted on every pointer move while a chart is open.
  void latlondisp(const QString& text);
  // Emitted on every button press while a chart is open; empty when no
  // depth line is near enough.
  void valdcodisp(const QString& text);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool chartOpen() const { return display_.currentDataset != nullptr; }
  // A white pixmap of the widget's size at the screen's pixel ratio.
  void resetPixmap(const QSize& size);

  const abys::DisplayState& display_;
  abys::ViewState& view_;
  QPixmap chartPixmap_;
};
