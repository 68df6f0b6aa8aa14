// What the chart shows, in pixels: depth values, projected lines, text
// anchors, and the depth line under the pointer. Shared by painting and
// picking so that both see the same pixels.
#pragma once

#include <optional>
#include <vector>

#include "display_state.h"
#include "feature_line.h"
#include "view_transform.h"

namespace abys {

// Distance in pixels within which (strictly) a depth line is picked.
inline constexpr int32_t kPickTolerance = 5;

// The number of the feature's last VALDCO entry (ATTF), or kNoValdco.
double depthValue(const FeatureRecord& feature);

// The feature's line in pixels; fed to both drawing and picking.
std::vector<PixelPoint> projectLine(const FeatureLine& line, const ViewState& view);

// The pixel where a feature's text starts: the first coordinate of the
// record its first spatial pointer resolved to. None without spatial
// pointers, target or coordinate.
std::optional<PixelPoint> textAnchor(const FeatureRecord& feature, const ViewState& view);

// The depth line (class 30011) or depth contour nearest to pointer,
// measured per line as the smallest segment distance of
// pointSegmentDistance; a tie keeps the depth line, then the line earlier in
// the file. Null when none lies within kPickTolerance or no chart is open.
const FeatureRecord* pickDepthLine(const DisplayState& display, const ViewState& view,
                                   PixelPoint pointer);

// The sounding (an SG3D entry of a node a SOUNDG feature points to) nearest
// to pointer, strictly within kPickTolerance; a tie keeps the earlier one.
std::optional<Sounding> pickSounding(const DisplayState& display, const ViewState& view,
                                     PixelPoint pointer);

// The depth or dredged area under pointer (on its boundary counts); where
// areas overlap, the one drawn last. Null when there is none.
const FeatureRecord* pickDepthArea(const DisplayState& display, const ViewState& view,
                                   PixelPoint pointer);

// The number of the feature's last ATTF entry with code attl; none when the
// feature has no such entry.
std::optional<double> attributeValue(const FeatureRecord& feature, uint16_t attl);

}  // namespace abys
