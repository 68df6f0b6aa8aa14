// The pointer read-outs: the position under the pointer and the depth of the
// nearest depth line. The labels are translated in the context "DrawingArea";
// the numbers are formatted in the "C" locale whatever the process locale.
#pragma once

#include <QString>

#include "display_state.h"
#include "view_transform.h"

namespace abys {

// Distance in pixels within which (strictly) a depth line is picked.
inline constexpr int32_t kPickTolerance = 5;

// The depth line (display class 0) nearest to pointer, measured per line as
// the smallest segment distance of pointSegmentDistance; a tie keeps the line
// earlier in the chain. Null when none lies within kPickTolerance or no chart
// is open.
const FeatureRecord* pickDepthLine(const DisplayState& display, const ViewState& view,
                                   PixelPoint pointer);

// "LAT:" " %.7f " "LON:" " %.7f" of the model point under pointer.
QString positionText(const ViewState& view, PixelPoint pointer);

// "VALDCO:" " %.1f" of the picked line's depth (kNoValdco when it has none),
// or the empty text when nothing is picked.
QString depthText(const DisplayState& display, const ViewState& view, PixelPoint pointer);

}  // namespace abys
