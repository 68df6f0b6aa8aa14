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
