// What the mariner chooses about the chart's presentation: the depth
// contours the portrayal rules read, and what the painter leaves out or
// how it colours what the rules give. Qt-free.
#pragma once

#include <cstdint>

namespace abys {

// The three safety contours that split depth areas into bands and
// soundings into shallow and deep, in metres.
struct DepthContours {
  double shallow = 2.0;
  double safety = 10.0;
  double deep = 30.0;

  bool operator==(const DepthContours&) const = default;
};

// Whether the contours can split depths: 0 <= shallow <= safety <= deep.
constexpr bool inOrder(const DepthContours& c) {
  return c.shallow >= 0 && c.shallow <= c.safety && c.safety <= c.deep;
}

// The colour tables: bright day, dusk, night.
enum class ColourScheme : uint8_t { Day, Dusk, Night };

// Which display categories are drawn: the display base alone, with the
// standard display, or everything.
enum class DisplayCategories : uint8_t { Base, Standard, All };

// Applied at paint time; changing one redraws without portraying again.
struct PresentationSettings {
  ColourScheme colourScheme = ColourScheme::Day;
  DisplayCategories categories = DisplayCategories::All;
  // A feature whose SCAMIN is below the display scale's denominator is
  // left out.
  bool scaleMinimum = true;
  // Names (OBJNAM, NOBJNM) of the standard classes, and their other texts.
  bool names = true;
  bool otherText = false;
  // Pixels per inch the display scale is reckoned at; 0 for the screen's.
  double pixelsPerInch = 0;

  bool operator==(const PresentationSettings&) const = default;
};

}  // namespace abys
