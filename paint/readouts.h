// The texts of the two pointer read-outs. The labels are translated in the
// context "DrawingArea"; the numbers are formatted in the "C" locale
// whatever the process locale.
#pragma once

#include <QString>
#include <optional>

#include "chart_session.h"
#include "view_transform.h"

namespace abys {

// "LAT:" " %.7f " "LON:" " %.7f" of a position.
QString positionText(const GeoPoint& position);

// What a press reads: "VALDCO:" " %.1f" of a picked line's depth,
// "SOUNDG:" " %.1f" of a sounding's, "DRVAL:" " %.1f - %.1f" of a depth
// area's DRVAL1 and DRVAL2 ("-" for a missing one), or the empty text when
// nothing was picked.
QString depthText(const std::optional<DepthReadout>& readout);

}  // namespace abys
