#include "highlights.h"

#include <QPaintDevice>
#include <QPen>
#include <QPolygon>
#include <cmath>
#include <span>

#include "chart_render.h"
#include "prepare_chart.h"

namespace abys {

namespace {

constexpr int kRingPen = 2;
constexpr double kRingMillimetres = 4.0;  // across
constexpr int kBandPen = 5;
constexpr int kBandAlpha = 150;  // of 255: the line under the band stays readable
constexpr int kBoundaryPen = 3;

QPoint pixelOf(const ViewState& view, double lon, double lat) {
  const PixelPoint at = metresToPixel(view, degreesToMetres(view, lon, lat));
  return {at.column, at.row};
}

// The part in pixels, a point on the pixel of the one before it left out.
const QPolygon& pixelsOf(std::span<const LinePoint> points, const ViewState& view,
                         QPolygon& polygon) {
  polygon.clear();
  for (const LinePoint& point : points) {
    const QPoint pixel = pixelOf(view, point.x, point.y);
    if (polygon.isEmpty() || polygon.constLast() != pixel) polygon.append(pixel);
  }
  return polygon;
}

}  // namespace

int paintUpdateHighlights(QPainter& painter, const DisplayState& display, const ViewState& view,
                          const DrawnGeometry& geometry,
                          const std::unordered_set<const FeatureRecord*>& updated) {
  if (display.currentDataset == nullptr || updated.empty()) return 0;
  const QPaintDevice* device = painter.device();
  double density = display.presentation.pixelsPerInch;
  if (!(density > 0) && device != nullptr)
    density = screenDensity(device->physicalDpiX(), device->logicalDpiX());
  if (!(density > 0)) density = 96.0;
  const double denominator = scaleDenominator(view, density);
  const double radius = kRingMillimetres / 2 * density / 25.4;
  const Bounds visible =
      visibleDegrees(view, view.window, static_cast<int32_t>(std::ceil(radius)) + kRingPen);
  const QColor colour = tokenColour(kHighlightToken, display.presentation.colourScheme);
  QColor band = colour;
  band.setAlpha(kBandAlpha);
  QPen ringPen(colour, kRingPen);
  QPen bandPen(band, kBandPen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  QPen boundaryPen(colour, kBoundaryPen, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);

  painter.save();
  painter.setBrush(Qt::NoBrush);
  QPolygon polygon;
  int marked = 0;
  const auto ring = [&](double lon, double lat) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(ringPen);
    painter.drawEllipse(QPointF(pixelOf(view, lon, lat)), radius, radius);
  };
  const std::span<const portrayal::FeaturePortrayal> features = display.portrayal.features();
  for (uint32_t index = 0; index < features.size(); ++index) {
    const portrayal::FeaturePortrayal& portrayed = features[index];
    if (updated.count(portrayed.feature) == 0) continue;
    const DrawnFeature* drawn = geometry.feature(index);
    if (drawn == nullptr || !overlaps(drawn->box, visible) ||
        !isShown(portrayed, display.presentation, denominator))
      continue;
    ++marked;
    const FeatureRecord& feature = *drawn->feature;
    if (feature.prim == kPrimPoint && drawn->partCount == 0) {
      // Soundings: a ring about each.
      for (const SpatialPointerEntry* spatial : feature.spatialPointers) {
        if (spatial->target == nullptr) continue;
        for (const Sounding sounding : spatial->target->soundings())
          ring(sounding.x, sounding.y);
      }
      continue;
    }
    for (const DrawnPart& part : geometry.parts(*drawn)) {
      const std::span<const LinePoint> points = geometry.points(part);
      if (points.empty()) continue;
      if (feature.prim == kPrimPoint) {
        ring(points.front().x, points.front().y);
        continue;
      }
      painter.setRenderHint(QPainter::Antialiasing, false);
      painter.setPen(feature.prim == kPrimLine ? bandPen : boundaryPen);
      const QPolygon& pixels = pixelsOf(points, view, polygon);
      if (pixels.size() == 1) {
        painter.drawPoint(pixels.front());  // a line or area within one pixel
      } else {
        painter.drawPolyline(pixels);
      }
    }
  }
  painter.restore();
  return marked;
}

}  // namespace abys
