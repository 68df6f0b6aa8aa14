// The widget that shows the chart. It draws into an off-screen pixmap only
// when the picture must change (renderChart) and copies that pixmap on every
// paint event; pointer moves and presses become the position and depth
// read-out texts.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <optional>
#include <vector>

#include "chart_render.h"
#include "chart_session.h"

// In the global namespace so that its class name and translation context
// are "DrawingArea", as catalogues expect.
class DrawingArea : public QWidget {
  Q_OBJECT

 public:
  // session belongs to the caller and must outlive the widget; the widget
  // paints the chart it holds and keeps its window in step with its size.
  explicit DrawingArea(abys::ChartSession& session, QWidget* parent = nullptr);

  // Redraws the whole picture from the session (white when no chart is
  // open) and shows it at once.
  void renderChart();

  // The last picture drawn; the widget's size from the first resize on.
  const QPixmap& chartPixmap() const { return chartPixmap_; }

  // Draws what the widget shows, the chart and what lies over it, afresh
  // onto painter (a device of the widget's size in its units, or one the
  // painter scales to that size), over white. For pictures that leave the
  // window: an image, a drawing, a printed page.
  void paintPicture(QPainter& painter) const;

  // A place marked over the picture (never in it): a ring about a position
  // and the lines of a record, in degrees.
  struct Mark {
    std::optional<abys::GeoPoint> at;
    std::vector<std::vector<abys::GeoPoint>> lines;  // a line of one point is a dot
  };
  void setMark(std::optional<Mark> mark);
  const std::optional<Mark>& mark() const { return mark_; }

  // The legend of the depth colours (top right) and the scale bar (bottom
  // left), drawn over the chart while a chart is open; off unless switched
  // on.
  void setLegendShown(bool shown);
  bool legendShown() const { return legendShown_; }
  void setScaleBarShown(bool shown);
  bool scaleBarShown() const { return scaleBarShown_; }
  // Whether the features the applied updates inserted or modified are
  // marked over the chart picture (paintUpdateHighlights); off unless
  // switched on, and a change redraws.
  void setUpdatesHighlighted(bool highlighted);
  bool updatesHighlighted() const { return updatesHighlighted_; }
  // How the chart is drawn (declutter, wide depth lines); a change redraws.
  void setRenderOptions(const abys::RenderOptions& options);
  const abys::RenderOptions& renderOptions() const { return options_; }
  // What the last picture did with the names.
  abys::NameCounts nameCounts() const { return nameCounts_; }

  // The scale bar's longest length on screen.
  static constexpr int kScaleBarPixels = 150;

 signals:
  // Emitted on every pointer move while a chart is open.
  void latlondisp(const QString& text);
  // Emitted on every button press while a chart is open; empty when no
  // depth line is near enough.
  void valdcodisp(const QString& text);
  // The pointer moved to pixel over an open chart, with latlondisp.
  void pointerMoved(const QPoint& pixel);
  // The wheel or a drag moved the view; the View items may have changed.
  void viewMoved();
  // Shift and the left button pressed at pointer while a chart is open.
  void identifyRequested(const QPoint& pointer);
  // The chart was drawn again (the view or the way it is drawn changed).
  void chartRendered();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // What lies over the chart: the mark, then the legend and the scale bar.
  void paintOverlays(QPainter& painter) const;
  void paintMark(QPainter& painter) const;
  bool chartOpen() const { return session_.isOpen(); }
  // A white pixmap of the widget's size at the screen's pixel ratio.
  void resetPixmap(const QSize& size);

  abys::ChartSession& session_;
  QPixmap chartPixmap_;
  std::optional<Mark> mark_;
  abys::RenderOptions options_;
  abys::NameCounts nameCounts_;
  bool legendShown_ = false;
  bool scaleBarShown_ = false;
  bool updatesHighlighted_ = false;
  // The left button's press, and whether it has become a drag.
  std::optional<QPoint> pressedAt_;
  QPoint lastDragAt_;
  bool dragging_ = false;
  // Wheel turn not yet made into a zoom step, in eighths of a degree.
  int wheelRest_ = 0;
};
