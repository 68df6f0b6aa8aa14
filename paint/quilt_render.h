// The open chart painted as one: each cell of the quilt drawn by paintChart
// inside the region the quilt leaves it, the overscale indication over the
// cells drawn beyond twice their scale, and the coverage of every cell of a
// set outlined. Shared by the drawing area and the headless renderer.
#pragma once

#include <QPainter>

#include "chart_render.h"
#include "chart_session.h"

namespace abys {

// The spacing of the overscale indication's vertical lines, in millimetres.
inline constexpr double kOverscaleSpacingMm = 5.0;

struct QuiltCounts {
  NameCounts names;
  int marked = 0;  // features marked as updated
};

// Paints every piece of session.quilt(), the worst scale first, with the
// marks of the updates when highlightUpdates. With one cell and no folder
// this is paintChart (and paintUpdateHighlights) on that cell.
QuiltCounts paintQuilt(QPainter& painter, const ChartSession& session,
                       const RenderOptions& options = {}, bool highlightUpdates = false);

}  // namespace abys
