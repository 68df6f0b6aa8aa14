// The render pass: the portrayal's instructions carried out in its drawing order,
// from the display state through the view transform onto any paint
// device. Shared by the drawing area and the headless renderer.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QString>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "chart_geometry.h"
#include "display_state.h"
#include "drawn_geometry.h"
#include "view_transform.h"

namespace abys {

// Hue of the smallest VALDCO value; the largest gets 0.
inline constexpr int kHueSpan = 240;

// Soundings are written in this fraction of the names' font size.
inline constexpr double kSoundingFontScale = 0.7;

// The colour of a token of the presentation tables in a scheme; magenta
// for a token the tables lack, so that it shows.
QColor tokenColour(std::string_view token, ColourScheme scheme);

// What the chart is drawn on: white in Day, the no-data colour of the
// other schemes.
QColor backgroundColour(ColourScheme scheme);

// A sounding's depth rounded to 0.1 m, without a trailing ".0".
QString soundingText(double depth);

// Black for kNoValdco; otherwise the hue 240 - (value - min) * 240 / (max -
// min) truncated toward zero, at full saturation and value. When the range
// is a single value the hue is 240. The hue is held within 0..240 so that a
// value outside the range (which the open command never produces) still
// gives a valid colour.
QColor depthColour(double value, const ValdcoRange& range);

// The entry's value read as atvlLength / 2 UCS-2 code units, little-endian,
// whatever the dataset's lexical level; an odd last byte is ignored.
QString nameText(const AttributeEntry& entry);

// The first NATF NOBJNM entry of a feature, or null.
const AttributeEntry* nameEntry(const FeatureRecord& feature);

// The text a TX or TE instruction writes for feature: the attribute TX
// names (a national one read as UCS-2, any other as Latin-1) or its
// literal; TE's format with its attributes' values. Empty when an
// attribute is missing.
QString instructionText(const portrayal::Instruction& instruction, const FeatureRecord& feature);

// How the chart is drawn beyond its data; each off by default, and off
// they leave the drawing as it always was.
struct RenderOptions {
  // A name that would overlap one drawn before it is left out, and the
  // names drawn get a white halo.
  bool declutterNames = false;
  // Depth lines and depth contours 2 pixels wide rather than 1.
  bool wideDepthLines = false;

  bool operator==(const RenderOptions&) const = default;
};

// What a paint did with the texts: drawn, or left out by the declutter
// (texts wholly outside the view are neither).
struct NameCounts {
  int drawn = 0;
  int dropped = 0;
};

// The rectangles taken by names drawn so far. Each is filed under every
// grid square it touches, so that a new one is tested only against those
// sharing a square: near-linear in the names, not all pairs.
class NameOccupancy {
 public:
  // Takes box and returns true unless it overlaps a box taken before.
  bool claim(const QRect& box);

 private:
  static constexpr int kSquareShift = 6;  // squares of 64 pixels
  std::vector<QRect> boxes_;
  std::unordered_map<uint64_t, std::vector<uint32_t>> squares_;
};

// Carries out the portrayal's instructions in its drawing order, leaving
// out the features the presentation settings leave out (display category,
// scale minimum, names and other text). Draws nothing without a current
// dataset; the caller has filled the device (white) beforehand, and a
// scheme other than Day fills it with its background first. Unclipped:
// the painter clips to its device. geometry is the chart's assembled
// geometry (ChartSession::drawnGeometry()); without it it is assembled for
// this paint. Features entirely outside the view are skipped.
NameCounts paintChart(QPainter& painter, const DisplayState& display, const ViewState& view,
                      const DrawnGeometry* geometry = nullptr, const RenderOptions& options = {});

}  // namespace abys
