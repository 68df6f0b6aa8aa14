// What the applied update files changed, marked over the painted chart in
// the colour of the token CHCOR: a ring about each point, a band along each
// line and the boundary of each area. Drawn after paintChart, onto the same
// device.
#pragma once

#include <QPainter>
#include <string_view>
#include <unordered_set>

#include "display_state.h"
#include "drawn_geometry.h"
#include "view_transform.h"

namespace abys {

// The token whose colour the marks are drawn in. No instruction of the
// presentation tables draws in this colour (CURSR, SCLBR, NINFO, APLRT and
// UINFO share it), so on the chart it means an update.
inline constexpr std::string_view kHighlightToken = "CHCOR";

// Marks every feature of updated that paintChart draws in view (its
// geometry in view, its category shown, its SCAMIN not passed) over its
// geometry, as geometry (ChartSession::drawnGeometry()) holds it: a ring 4
// mm across and 2 pixels wide about its point or each of its soundings, a
// band 5 pixels wide that lets the line show through along each of its
// lines, a line 3 pixels wide along each ring of an area. Millimetres are
// reckoned as paintChart reckons them. Returns how many features it marked.
int paintUpdateHighlights(QPainter& painter, const DisplayState& display, const ViewState& view,
                          const DrawnGeometry& geometry,
                          const std::unordered_set<const FeatureRecord*>& updated);

}  // namespace abys
