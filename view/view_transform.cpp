#include "view_transform.h"

#include <algorithm>
#include <cmath>

namespace abys {
namespace {

// Window sizes are formed in 64 bits so that no int32 window overflows; half
// of any such difference fits int32 again.
int64_t windowWidth(const ViewWindow& w) {
  return int64_t{w.right} - w.left;
}
int64_t windowHeight(const ViewWindow& w) {
  return int64_t{w.bottom} - w.top;
}

void moveCentreTo(ViewState& view, int32_t column, int32_t row) {
  const MetrePoint centre = pixelToMetres(view, column, row);
  view.centreX = centre.x;
  view.centreY = centre.y;
}

struct PixelSpan {
  int64_t width;   // column of the max corner minus column of the min corner
  int64_t height;  // row of the min corner minus row of the max corner
};

// The data bounds' pixel extent at a trial scale; the view itself keeps its
// scale.
PixelSpan measureDataBounds(const ViewState& view, double scale) {
  ViewState trial = view;
  trial.pixelsPerMetre = scale;
  const PixelPoint low = metresToPixel(trial, view.dataBounds.minX, view.dataBounds.minY);
  const PixelPoint high = metresToPixel(trial, view.dataBounds.maxX, view.dataBounds.maxY);
  return {int64_t{high.column} - low.column, int64_t{low.row} - high.row};
}

double distance(double ax, double ay, double bx, double by) {
  return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by));
}

}  // namespace

void setProjection(ViewState& view, const Bounds& geo) {
  const double midLatitude = (geo.minY + geo.maxY) * 0.5;
  view.metresPerDegreeX = std::cos(midLatitude * kRadiansPerDegree) * kMetresPerDegreeLatitude;
  view.metresPerDegreeY = kMetresPerDegreeLatitude;
}

Bounds projectBounds(const ViewState& view, const Bounds& geo) {
  const MetrePoint sw = degreesToMetres(view, geo.minX, geo.minY);
  const MetrePoint nw = degreesToMetres(view, geo.minX, geo.maxY);
  const MetrePoint ne = degreesToMetres(view, geo.maxX, geo.maxY);
  const MetrePoint se = degreesToMetres(view, geo.maxX, geo.minY);
  return {std::min(sw.x, nw.x), std::min(sw.y, se.y), std::max(ne.x, se.x), std::max(nw.y, ne.y)};
}

void fitView(ViewState& view, const Bounds& bounds, const ViewWindow& w) {
  view.centreX = (bounds.minX + bounds.maxX) * 0.5;
  view.centreY = (bounds.minY + bounds.maxY) * 0.5;
  setViewWindow(view, w);
  view.dataBounds = bounds;

  // A zero extent would divide by zero and a zero window would give a zero
  // scale that pixelToMetres divides by; neither limits the scale.
  double scale = 0.0;
  const auto limit = [&scale](int64_t pixels, double extent) {
    if (pixels <= 0 || !(extent > 0.0)) return;
    const double ratio = static_cast<double>(pixels) * kFitMargin / extent;
    if (std::isfinite(ratio) && (scale == 0.0 || ratio < scale)) scale = ratio;
  };
  limit(windowWidth(w), bounds.maxX - bounds.minX);
  limit(windowHeight(w), bounds.maxY - bounds.minY);
  view.pixelsPerMetre = scale > 0.0 ? scale : kPointChartScale;
}

void setViewWindow(ViewState& view, const ViewWindow& w) {
  view.window = w;
  view.halfWidth = static_cast<int32_t>(windowWidth(w) / 2);
  view.halfHeight = static_cast<int32_t>(windowHeight(w) / 2);
}

MetrePoint pixelToMetres(const ViewState& view, int32_t column, int32_t row) {
  const int64_t dx = int64_t{column} - view.halfWidth;
  const int64_t dy = int64_t{view.halfHeight} - row;
  return {static_cast<double>(dx) / view.pixelsPerMetre + view.centreX,
          static_cast<double>(dy) / view.pixelsPerMetre + view.centreY};
}

bool panLeft(ViewState& view) {
  moveCentreTo(view, view.window.right, view.halfHeight);
  if (view.centreX > view.dataBounds.maxX) {
    view.centreX = view.dataBounds.maxX;
    return false;
  }
  return true;
}

bool panRight(ViewState& view) {
  moveCentreTo(view, view.window.left, view.halfHeight);
  if (view.centreX < view.dataBounds.minX) {
    view.centreX = view.dataBounds.minX;
    return false;
  }
  return true;
}

bool panUp(ViewState& view) {
  moveCentreTo(view, view.halfWidth, view.window.bottom);
  if (view.centreY < view.dataBounds.minY) {
    view.centreY = view.dataBounds.minY;
    return false;
  }
  return true;
}

bool panDown(ViewState& view) {
  moveCentreTo(view, view.halfWidth, view.window.top);
  if (view.centreY > view.dataBounds.maxY) {
    view.centreY = view.dataBounds.maxY;
    return false;
  }
  return true;
}

bool zoomViewIn(ViewState& view) {
  const double scale = view.pixelsPerMetre * 2.0;
  view.pixelsPerMetre = scale;
  // A chart without extent never outgrows the limit; stop before the scale
  // itself overflows.
  const double next = 2.0 * scale;
  if (!std::isfinite(next)) return false;
  const PixelSpan span = measureDataBounds(view, next);
  return span.width <= kMaxZoomedExtent && span.height <= kMaxZoomedExtent;
}

bool zoomViewOut(ViewState& view) {
  const double scale = view.pixelsPerMetre * 0.5;
  view.pixelsPerMetre = scale;
  // Measured at the scale before this call, not the new one.
  const PixelSpan span = measureDataBounds(view, 2.0 * scale);
  return std::abs(span.width) >= kMinZoomedExtent || std::abs(span.height) >= kMinZoomedExtent;
}

double pointSegmentDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t px, int32_t py,
                            int32_t tol) {
  const double ax = x1, ay = y1, bx = x2, by = y2, x = px, y = py, t = tol;
  if (x1 == x2 && y1 == y2) {
    const double r = distance(x, y, ax, ay);
    return r < t ? r : -1.0;
  }
  if (x > std::max(ax, bx) + t || x < std::min(ax, bx) - t || y > std::max(ay, by) + t ||
      y < std::min(ay, by) - t)
    return -1.0;
  const double d1 = distance(x, y, ax, ay);
  if (d1 < t) return d1;
  const double d2 = distance(x, y, bx, by);
  if (d2 < t) return d2;
  const double dx = bx - ax;
  const double dy = by - ay;
  const double c = ay * bx - by * ax;
  const double e = x * dx + y * dy;
  const double f = dx * dx + dy * dy;
  const double d3 = distance(x, y, (e * dx - c * dy) / f, (e * dy + c * dx) / f);
  return d3 < t ? d3 : -1.0;
}

namespace {

constexpr double kMetresPerInch = 0.0254;
// Beyond these a screen's reported size is taken for a wrong one.
constexpr double kLeastDensity = 40.0;
constexpr double kMostDensity = 1000.0;

}  // namespace

double scaleDenominator(const ViewState& view, double dotsPerInch) {
  if (!(view.pixelsPerMetre > 0) || !(dotsPerInch > 0)) return 0;
  return (1.0 / view.pixelsPerMetre) / (kMetresPerInch / dotsPerInch);
}

double screenDensity(double physicalDotsPerInch, double logicalDotsPerInch) {
  if (physicalDotsPerInch >= kLeastDensity && physicalDotsPerInch <= kMostDensity)
    return physicalDotsPerInch;
  return logicalDotsPerInch;
}

}  // namespace abys
