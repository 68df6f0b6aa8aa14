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

// "1:45,000": the denominator to three significant figures (a screen's
// density is seldom known closer), in groups of three digits parted by
// commas whatever the locale; the empty text without a scale.
QString scaleText(double denominator);

// A latitude or a longitude in degrees and minutes to a thousandth of a
// minute, the hemisphere last: "35°24.123'N", "139°05.678'W". A value that
// rounds to 60' carries into the degrees; one that rounds to zero is north
// or east.
QString latitudeText(double latitude);
QString longitudeText(double longitude);

// The status line's reading: the scale, then the position when known,
// "1:45,000  35°24.123'N 139°45.678'E".
QString scaleAndPositionText(double denominator, const std::optional<GeoPoint>& position);

}  // namespace abys
