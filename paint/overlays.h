// What may be drawn over the chart at the user's choice: a legend of the
// depth colours and a scale bar. Each is laid out here as numbers and texts,
// then painted in a corner of the view; neither touches the chart picture.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QString>
#include <vector>

#include "display_state.h"
#include "view_transform.h"

namespace abys {

// The legend of an open chart: the hue scale of its depth lines and depth
// contours over their VALDCO range, labelled at a few round values, and
// the fills of the depth bands when the chart has depth areas.
struct Legend {
  bool hasLines = false;  // depth lines or depth contours: the hue scale
  ValdcoRange range;
  // Labelled values, from range.min to range.max, both included.
  std::vector<double> ticks;
  struct Band {
    QString text;  // "2 - 10", shallowest first
    QColor colour;
  };
  std::vector<Band> bands;  // empty without depth areas
  bool empty() const { return !hasLines && bands.empty(); }
};

// The legend of display's chart; empty without a chart.
Legend legendFor(const DisplayState& display);

// A depth as the legend writes it: to 0.1 m, without a trailing ".0",
// whatever the locale.
QString legendNumber(double value);

// A scale bar: the longest round length (1, 2 or 5 times a power of ten
// metres) that fits in maxPixels at the view's scale.
struct ScaleBar {
  double metres = 0;
  int pixels = 0;
  QString text;  // "500 m", "2 km", "0.5 m"
};
// None (pixels 0) without a scale.
ScaleBar scaleBarFor(const ViewState& view, int maxPixels);

// Draws the legend in the top right corner of area, the scale bar in its
// bottom left corner, each on a white panel; nothing for an empty one.
void paintLegend(QPainter& painter, const Legend& legend, const QRect& area);
void paintScaleBar(QPainter& painter, const ScaleBar& bar, const QRect& area);

}  // namespace abys
