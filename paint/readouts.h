// The texts of the two pointer read-outs. The labels are translated in the
// context "DrawingArea"; the numbers are formatted in the "C" locale
// whatever the process locale.
#pragma once

#include <QString>
#include <optional>

#include "view_transform.h"

namespace abys {

// "LAT:" " %.7f " "LON:" " %.7f" of a position.
QString positionText(const GeoPoint& position);

// "VALDCO:" " %.1f" of a picked line's depth, or the empty text when no
// line was picked.
QString depthText(std::optional<double> depth);

}  // namespace abys
