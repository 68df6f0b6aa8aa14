#include "view_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace abys {
namespace {

// The 1000 m square fitted into 600 x 400: scale 0.38, centre (500, 500).
ViewState fittedSquare() {
  ViewState view;
  fitView(view, {0, 0, 1000, 1000}, {0, 0, 600, 400});
  return view;
}

using Pixel = std::pair<int32_t, int32_t>;
Pixel pixel(const ViewState& view, double x, double y) {
  const PixelPoint p = metresToPixel(view, x, y);
  return {p.column, p.row};
}

// Metre (0, 0) at pixel (0, 0), so that corner pixels are the corner
// coordinates times the scale, free of the half-size offset.
ViewState anchoredChart(const Bounds& bounds, double scale) {
  ViewState view;
  view.dataBounds = bounds;
  view.pixelsPerMetre = scale;
  return view;
}

TEST(ViewTransform, ProjectionFollowsMidLatitude) {
  ViewState view;
  setProjection(view, {10, 59.5, 11, 60.5});
  EXPECT_NEAR(view.metresPerDegreeX, 55560.0, 1e-6);
  EXPECT_EQ(view.metresPerDegreeY, 111120.0);
  const Bounds m = projectBounds(view, {-1, -2, 3, 4});
  EXPECT_EQ((std::vector{m.minX, m.minY, m.maxX, m.maxY}),
            (std::vector{-view.metresPerDegreeX, -2 * 111120.0, 3 * view.metresPerDegreeX,
                         4 * 111120.0}));
  const GeoPoint back = metresToDegrees(view, {m.minX, m.maxY});
  EXPECT_EQ(std::pair(back.lon, back.lat), std::pair(-1.0, 4.0));
}

TEST(ViewTransform, FitsTheLimitingAxisCentredAndResizeKeepsScaleAndCentre) {
  struct Case {
    Bounds bounds;
    ViewWindow window;
    double scale;
    int32_t halfWidth, halfHeight;
  } cases[] = {
      {{0, 0, 1000, 1000}, {0, 0, 600, 400}, 0.38, 300, 200},  // the height limits
      {{0, 0, 1000, 100}, {0, 0, 600, 400}, 0.57, 300, 200},   // the width limits
      {{0, 0, 1000, 1000}, {0, 0, 601, 401}, 401 * 0.95 / 1000, 300, 200},
      {{0, 0, 0, 500}, {0, 0, 600, 400}, 0.76, 300, 200},    // no width: the height decides
      {{-20, 7, 180, 7}, {0, 0, 600, 400}, 2.85, 300, 200},  // no height: the width decides
      {{5, 5, 5, 5}, {0, 0, 600, 400}, 1.0, 300, 200},       // one point: 1 px per metre
      {{0, 0, 1000, 1000}, {0, 0, 0, 0}, 1.0, 0, 0},         // empty window
      {{0, 0, 1000, 1000}, {0, 0, 600, 0}, 0.57, 300, 0},    // no height: the width decides
  };
  for (const Case& c : cases) {
    ViewState view;
    fitView(view, c.bounds, c.window);
    EXPECT_DOUBLE_EQ(view.pixelsPerMetre, c.scale);
    EXPECT_EQ(view.halfWidth, c.halfWidth);
    EXPECT_EQ(view.halfHeight, c.halfHeight);
    EXPECT_EQ(view.centreX, (c.bounds.minX + c.bounds.maxX) / 2);
    EXPECT_EQ(view.centreY, (c.bounds.minY + c.bounds.maxY) / 2);
  }
  ViewState view = fittedSquare();
  EXPECT_EQ(pixel(view, 0, 0), Pixel(110, 390));
  EXPECT_EQ(pixel(view, 1000, 1000), Pixel(490, 10));

  // A new window keeps scale and centre; no left or top offset applies.
  zoomViewIn(view);
  panDown(view);
  const ViewState before = view;
  setViewWindow(view, {10, 20, 611, 421});
  EXPECT_EQ(Pixel(view.halfWidth, view.halfHeight), Pixel(300, 200));
  EXPECT_EQ(view.pixelsPerMetre, before.pixelsPerMetre);
  const MetrePoint centre = pixelToMetres(view, 300, 200);
  EXPECT_EQ(centre.x, before.centreX);
  EXPECT_EQ(centre.y, before.centreY);
  // Scale 0.76 and the centre moved up 200 px: the top-left pixel is 300 px
  // west and 200 px north of it, and comes back to itself.
  const MetrePoint corner = pixelToMetres(view, 0, 0);
  EXPECT_NEAR(corner.x, 105.263157894737, 1e-9);
  EXPECT_NEAR(corner.y, 1026.31578947368, 1e-9);
  EXPECT_EQ(pixel(view, corner.x, corner.y), Pixel(0, 0));
}

TEST(ViewTransform, PixelsTruncateTowardZeroAndSaturate) {
  ViewState view = anchoredChart({}, 1.0);
  view.halfWidth = 2;
  view.halfHeight = 2;
  const struct {
    double x, y;
    int32_t column, row;
  } cases[] = {
      {-2.7, 4.7, 0, -2},  // column -0.7 becomes 0, not -1
      {-3.3, 5.3, -1, -3},
      {-1.5, 1.5, 0, 0},  // the half size is added before truncating
      {0.7, -0.7, 2, 2},
      {1e12, -1e12, INT32_MAX, INT32_MAX},
      {-1e12, 1e12, INT32_MIN, INT32_MIN},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pixel(view, c.x, c.y), Pixel(c.column, c.row)) << c.x << ", " << c.y;
  EXPECT_EQ(truncateToInt32(NAN), 0);
  EXPECT_EQ(truncateToInt32(-INFINITY), INT32_MIN);
  EXPECT_EQ(truncateToInt32(2147483647.9), INT32_MAX);
  EXPECT_EQ(truncateToInt32(-2147483648.9), INT32_MIN);
  // Pixel differences are formed without int32 overflow.
  EXPECT_EQ(pixelToMetres(view, INT32_MIN, INT32_MIN).x, -2147483650.0);
  EXPECT_EQ(pixelToMetres(view, INT32_MIN, INT32_MIN).y, 2147483650.0);
}

TEST(ViewTransform, PansMoveHalfAWindowAndClampStrictly) {
  // 1 px per metre, centre (500, 500) of the 1000 m square. In 1000 x 1000
  // every pan moves 500 m and lands exactly on a bound, unclamped. In
  // 1001 x 1001 the pans from the right and bottom edges move 501 m.
  const struct {
    bool (*pan)(ViewState&);
    int32_t size;
    double centreX, centreY;
    bool result;
  } cases[] = {
      {panLeft, 1000, 1000, 500, true},  {panRight, 1000, 0, 500, true},
      {panUp, 1000, 500, 0, true},       {panDown, 1000, 500, 1000, true},
      {panLeft, 1001, 1000, 500, false}, {panUp, 1001, 500, 0, false},
  };
  for (const auto& c : cases) {
    ViewState view;
    fitView(view, {0, 0, 1000, 1000}, {0, 0, c.size, c.size});
    view.pixelsPerMetre = 1.0;
    EXPECT_EQ(c.pan(view), c.result);
    EXPECT_EQ(view.centreX, c.centreX);
    EXPECT_EQ(view.centreY, c.centreY);
  }
}

TEST(ViewTransform, ZoomOffersEndAtTheExtentLimits) {
  // Zoom in measures at twice the new scale, zoom out at the scale before
  // the call; both change the scale whatever they return.
  const struct {
    bool (*zoom)(ViewState&);
    Bounds bounds;
    double scale;
    bool result;
  } limits[] = {
      {zoomViewIn, {0, 0, 32767, 32767}, 0.25, true},
      {zoomViewIn, {0, 0, 32768, 1}, 0.25, false},
      {zoomViewIn, {0, 0, 1, 32768}, 0.25, false},
      {zoomViewIn, {-1e12, -1e12, 1e12, 1e12}, 0.25, false},  // saturated corners must not wrap
      {zoomViewOut, {0, 0, 12, 8}, 1.0, true},
      {zoomViewOut, {0, 0, 12, 8}, 0.5, false},  // 6 x 4 px
      {zoomViewOut, {0, 0, 10, 0}, 1.0, true},
      {zoomViewOut, {0, 0, 0, 10}, 1.0, true},
      {zoomViewOut, {0, 0, 9.9, 9.9}, 1.0, false},
      {zoomViewOut, {}, 1.0, false},
  };
  for (const auto& c : limits) {
    ViewState v = anchoredChart(c.bounds, c.scale);
    EXPECT_EQ(c.zoom(v), c.result) << c.bounds.maxX << " x " << c.bounds.maxY << " at " << c.scale;
    EXPECT_EQ(v.pixelsPerMetre, c.zoom == zoomViewIn ? c.scale * 2 : c.scale / 2);
  }

  // A one-point chart never outgrows the limit; the offer ends before the
  // scale overflows.
  ViewState point = anchoredChart({5, 5, 5, 5}, 1.0);
  int calls = 1;
  while (zoomViewIn(point) && calls < 5000)
    ++calls;
  EXPECT_LT(calls, 5000);
  EXPECT_TRUE(std::isfinite(point.pixelsPerMetre));
}

TEST(ViewTransform, PointSegmentDistance) {
  const struct {
    int32_t x1, y1, x2, y2, px, py;
    double distance;
  } cases[] = {
      {0, 0, 10, 0, 5, 3, 3},
      {0, 0, 10, 0, 5, 6, -1},              // outside the widened box
      {0, 0, 10, 0, 12, 0, 2},              // end point
      {0, 0, 10, 0, 1, 1, std::sqrt(2.0)},  // start point wins over the nearer line
      {0, 0, 10, 0, 5, 5, -1},              // exactly the tolerance
      {0, 0, 10, 0, 13, 4, 4},              // beyond the end: the infinite line counts
      {10, 0, 0, 0, 15, 0, 0},              // on the widened box's edge
      {0, 0, 10, 0, 16, 0, -1},
      {5, 1, 8, 21, 9, 11, 50 / std::sqrt(409.0)},
      {3, 3, 3, 3, 3, 8, -1},  // degenerate segment
      {3, 3, 3, 3, 3, 7, 4},
      {INT32_MIN, 0, INT32_MAX, 0, 0, 3, 3},
      {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, -1},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(pointSegmentDistance(c.x1, c.y1, c.x2, c.y2, c.px, c.py, 5), c.distance, 1e-12)
        << c.px << "," << c.py;
}

}  // namespace
}  // namespace abys
