// The pictures of the point symbols: each symbol's SVG file (compiled in as
// a resource, see symbols/README.md) drawn once per size, rotation, colour
// scheme and body colours and kept, so that a redraw only copies images.
#pragma once

#include <QImage>
#include <QPoint>
#include <string>
#include <string_view>

#include "mariner_settings.h"

namespace abys {

// A symbol's picture and where its pivot lies in it.
struct SymbolImage {
  QImage image;
  QPoint pivot;  // pixel of the image that stands on the feature's position
};

// The colours a buoy's or beacon's body takes: COLOUR and COLPAT as the
// feature gives them ("3,4,3" and "1"); empty for a symbol of fixed colours.
struct BodyColours {
  std::string colours;
  std::string pattern;

  bool operator==(const BodyColours&) const = default;
  auto operator<=>(const BodyColours&) const = default;
};

// The picture of the symbol named name at pixelsPerMillimetre, turned
// clockwise by rotation degrees about its pivot, in the scheme's colours.
// A symbol without a drawing of its own gives the magenta question mark.
// Pictures are kept per thread; the reference stays valid for the
// thread's life.
const SymbolImage& symbolImage(std::string_view name, double pixelsPerMillimetre, double rotation,
                               ColourScheme scheme, const BodyColours& body = {});

// A sector light's picture, its pivot on the light: legs 25 mm long, dashed,
// from the light along the two bearings (sectr1 and sectr2, taken from
// seaward, so the legs point the other way), and between them, clockwise
// from the first, the arc of the sector radius millimetres out, in the
// colour of token over a black edge. Kept per thread like the symbols.
const SymbolImage& sectorImage(double sectr1, double sectr2, std::string_view token, double radius,
                               double pixelsPerMillimetre, ColourScheme scheme);

// Whether the symbol has a drawing of its own.
bool hasSymbolDrawing(std::string_view name);

// The token that draws an S-57 COLOUR value (1 white ... 13 pink) on a
// buoy's or beacon's body.
std::string_view bodyColourToken(int colour);

}  // namespace abys
