#include "quilt_render.h"

#include <QPainterPath>
#include <cmath>

#include "highlights.h"

namespace abys {
namespace {

// The rings of coverage (degrees) as one path in pixels, filled by parity.
QPainterPath pathOf(const Coverage& coverage, const ViewState& view) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const RingRange& ring : coverage.rings) {
    for (size_t i = 0; i < ring.count; ++i) {
      const LinePoint& p = coverage.points[ring.first + i];
      const MetrePoint m = degreesToMetres(view, p.x, p.y);
      const QPointF at((m.x - view.centreX) * view.pixelsPerMetre + view.halfWidth,
                       view.halfHeight - (m.y - view.centreY) * view.pixelsPerMetre);
      if (i == 0) {
        path.moveTo(at);
      } else {
        path.lineTo(at);
      }
    }
    path.closeSubpath();
  }
  return path;
}

// S-52's overscale indication: thin vertical lines in CHGRD across the
// part of the view the painter is clipped to.
void paintOverscale(QPainter& painter, const ViewState& view, ColourScheme scheme,
                    double pixelsPerInch) {
  const double spacing = kOverscaleSpacingMm * pixelsPerInch / 25.4;
  if (!(spacing >= 2.0)) return;
  painter.save();
  painter.setPen(QPen(tokenColour("CHGRD", scheme), 1.0));
  const int width = view.window.right - view.window.left;
  const int height = view.window.bottom - view.window.top;
  for (double x = spacing / 2; x < width; x += spacing)
    painter.drawLine(QPointF(x, 0), QPointF(x, height));
  painter.restore();
}

}  // namespace

QuiltCounts paintQuilt(QPainter& painter, const ChartSession& session, const RenderOptions& options,
                       bool highlightUpdates) {
  QuiltCounts counts;
  if (!session.isOpen()) return counts;
  const ViewState& view = session.view();
  const PresentationSettings presentation = session.settings().presentation;
  const std::vector<QuiltPiece> pieces = session.quilt();
  if (session.isSet() && presentation.colourScheme != ColourScheme::Day) {
    painter.fillRect(QRect(view.window.left, view.window.top, view.window.right - view.window.left,
                           view.window.bottom - view.window.top),
                     backgroundColour(presentation.colourScheme));
  }
  for (const QuiltPiece& piece : pieces) {
    if (piece.chart == nullptr) continue;
    painter.save();
    QPainterPath region;
    if (piece.masked) {
      region = pathOf(piece.region, view);
      painter.setClipPath(region, Qt::IntersectClip);
    }
    const DrawnGeometry& geometry = piece.chart->drawnGeometry(view);
    const NameCounts names = paintChart(painter, piece.chart->display(), view, &geometry, options);
    counts.names.drawn += names.drawn;
    counts.names.dropped += names.dropped;
    if (highlightUpdates) {
      counts.marked += paintUpdateHighlights(painter, piece.chart->display(), view, geometry,
                                             piece.chart->updatedFeatures());
    }
    if (piece.overscale) {
      // Over the cell's own coverage only.
      const Coverage& own = session.cell(piece.cell).coverage;
      if (!own.empty()) painter.setClipPath(pathOf(own, view), Qt::IntersectClip);
      paintOverscale(painter, view, presentation.colourScheme, presentation.pixelsPerInch);
    }
    painter.restore();
  }
  if (session.isSet()) {
    // Every cell's coverage, loaded or not, in a thin line.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(tokenColour("CHGRD", presentation.colourScheme), 1.0, Qt::DashLine));
    const Bounds seen = visibleDegrees(view, view.window, 2);
    for (size_t i = 0; i < session.cellCount(); ++i) {
      const ChartCell& cell = session.cell(i);
      if (cell.located() && overlaps(cell.box, seen)) painter.drawPath(pathOf(cell.coverage, view));
    }
    painter.restore();
  }
  return counts;
}

}  // namespace abys
