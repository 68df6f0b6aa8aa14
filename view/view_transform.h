// The view transform: degrees of longitude and latitude onto a plane in
// metres, and that plane onto pixels of the drawing area, with fit, pan and
// zoom. Qt-free.
#pragma once

#include <cstdint>

namespace abys {

// pi / 180, the degree-to-radian factor of setProjection.
inline constexpr double kRadiansPerDegree = 0.017453292519943295;
// Metres per degree of latitude, and per degree of longitude at the equator.
inline constexpr double kMetresPerDegreeLatitude = 111120.0;
// Share of the limiting window axis that a fitted chart fills.
inline constexpr double kFitMargin = 0.95;
// Scale of a fit that no axis limits: a one-point chart, a chart without
// coordinates, an empty window.
inline constexpr double kPointChartScale = 1.0;
// Zoom in stays offered while the chart spans at most this many pixels per
// axis at twice the new scale.
inline constexpr int32_t kMaxZoomedExtent = 32767;
// Zoom out stays offered while the chart spans at least this many pixels on
// one axis at the scale before the command.
inline constexpr int32_t kMinZoomedExtent = 10;

// A box: degrees (X longitude, Y latitude) or metres (X easting, Y northing).
struct Bounds {
  double minX = 0.0;
  double minY = 0.0;
  double maxX = 0.0;
  double maxY = 0.0;
};

// The window extent in pixels. Callers pass left = top = 0 and right, bottom =
// the drawing area's width and height (not width - 1, height - 1).
struct ViewWindow {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct GeoPoint {
  double lon = 0.0;
  double lat = 0.0;
};

// Easting and northing, counted from the zero meridian and the equator.
struct MetrePoint {
  double x = 0.0;
  double y = 0.0;
};

// Rows grow downward, northing upward.
struct PixelPoint {
  int32_t column = 0;
  int32_t row = 0;
};

// The one view state of the application (tests make their own). Everything
// starts at zero; the pixel conversions are meaningful once fitView has run,
// the degree conversions once setProjection has.
struct ViewState {
  double metresPerDegreeX = 0.0;
  double metresPerDegreeY = 0.0;
  Bounds dataBounds;  // metres; the centre never leaves it
  ViewWindow window;
  int32_t halfWidth = 0;   // pixel column of the centre
  int32_t halfHeight = 0;  // pixel row of the centre
  double centreX = 0.0;    // easting shown at column halfWidth
  double centreY = 0.0;    // northing shown at row halfHeight
  double pixelsPerMetre = 0.0;
};

// Converts a double to int32 truncating toward zero, as the pixel conversions
// do. Values beyond the int32 range saturate rather than invoking undefined
// behaviour; NaN, which no finite state produces, gives 0.
inline int32_t truncateToInt32(double value) {
  if (value < 2147483648.0 && value > -2147483649.0) return static_cast<int32_t>(value);
  if (value > 0.0) return INT32_MAX;
  if (value < 0.0) return INT32_MIN;
  return 0;
}

// Sets the metres per degree of longitude from geo's mid-latitude; the
// factor for latitude is fixed.
void setProjection(ViewState& view, const Bounds& geo);

// geo in metres, from its four corners.
Bounds projectBounds(const ViewState& view, const Bounds& geo);

// Runs once per vertex on every render and pick: kept inline and allocation-free.
inline MetrePoint degreesToMetres(const ViewState& view, double lon, double lat) {
  return {lon * view.metresPerDegreeX, lat * view.metresPerDegreeY};
}

inline GeoPoint metresToDegrees(const ViewState& view, double x, double y) {
  return {x / view.metresPerDegreeX, y / view.metresPerDegreeY};
}
inline GeoPoint metresToDegrees(const ViewState& view, MetrePoint p) {
  return metresToDegrees(view, p.x, p.y);
}

// Centres bounds (metres) in window w so that it fills 95 % of the limiting
// axis. An axis limits only when both its extent and its window size are
// positive; when neither does the scale is kPointChartScale. The scale is
// therefore always positive and finite for finite bounds.
void fitView(ViewState& view, const Bounds& bounds, const ViewWindow& w);

// A resize: the window and its centre pixel change; the scale and the model
// point at the centre stay.
void setViewWindow(ViewState& view, const ViewWindow& w);

// The half size is added in floating point before the truncation; no left
// or top offset is applied.
inline PixelPoint metresToPixel(const ViewState& view, double x, double y) {
  return {truncateToInt32((x - view.centreX) * view.pixelsPerMetre + view.halfWidth),
          truncateToInt32(view.halfHeight - (y - view.centreY) * view.pixelsPerMetre)};
}
inline PixelPoint metresToPixel(const ViewState& view, MetrePoint p) {
  return metresToPixel(view, p.x, p.y);
}

// The model point whose pixel offset from the centre is exactly the integer
// offset of (column, row). Requires a positive scale (fitView has run).
MetrePoint pixelToMetres(const ViewState& view, int32_t column, int32_t row);

// Each pan moves the chart on screen by half a window in the named direction
// by making the pixel in the middle of the opposite window edge the centre,
// then clamps the moved coordinate at the data bound it moved toward. They
// return false when the clamp applied (strict: landing exactly on the bound
// is not clamping), so the shell can disable the command.
bool panLeft(ViewState& view);
bool panRight(ViewState& view);
bool panUp(ViewState& view);
bool panDown(ViewState& view);

// Doubles the scale unconditionally. Returns whether another zoom in may be
// offered: the data bounds must span at most kMaxZoomedExtent pixels per axis
// at twice the new scale, and that scale must be finite.
bool zoomViewIn(ViewState& view);

// Halves the scale unconditionally. Returns whether another zoom out may be
// offered: the data bounds, measured at the scale before this call, span at
// least kMinZoomedExtent pixels on one axis.
bool zoomViewOut(ViewState& view);

// The scale's denominator of view on a screen of dotsPerInch. One pixel of
// the view holds 1 / pixelsPerMetre metres of ground (true at the chart's
// middle latitude, where the projection's two factors agree) and is
// 0.0254 / dotsPerInch metres of glass; the scale is the one over the
// other. 0 without a scale or a density.
double scaleDenominator(const ViewState& view, double dotsPerInch);

// The density to reckon the scale with: the screen's physical one (Qt's,
// per device-independent pixel, as the view's pixels are) unless a screen
// that does not know its size made it implausible; then the logical one.
double screenDensity(double physicalDotsPerInch, double logicalDotsPerInch);

// Picking distance in pixels from (px, py) to the segment (x1, y1)-(x2, y2),
// or -1 when it is not below tol. An end point within tol wins even when the
// line is nearer; beyond an end but inside the bounding box widened by tol,
// the distance to the infinite line counts. All comparisons with tol are
// strict. Computed in double precision: no input overflows.
double pointSegmentDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t px, int32_t py,
                            int32_t tol);

}  // namespace abys
