#include "procedures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "catalogue.h"
#include "catalogue_codes.h"

namespace abys::portrayal {
namespace {

struct Codes {
  uint16_t drval1 = catalogue::kDrval1;
  uint16_t drval2 = catalogue::kDrval2;
  uint16_t valsou = catalogue::kValsou;
  uint16_t quapos = attributeCode("QUAPOS");
  uint16_t condtn = attributeCode("CONDTN");
  uint16_t catslc = attributeCode("CATSLC");
  uint16_t watlev = attributeCode("WATLEV");
  uint16_t restrn = attributeCode("RESTRN");
  uint16_t catwrk = attributeCode("CATWRK");
  uint16_t colour = attributeCode("COLOUR");
  uint16_t topshp = attributeCode("TOPSHP");
  uint16_t litchr = attributeCode("LITCHR");
  uint16_t siggrp = attributeCode("SIGGRP");
  uint16_t sigper = attributeCode("SIGPER");
  uint16_t valnmr = attributeCode("VALNMR");
  uint16_t catobs = attributeCode("CATOBS");
  uint16_t catrea = attributeCode("CATREA");
  uint16_t sectr1 = attributeCode("SECTR1");
  uint16_t sectr2 = attributeCode("SECTR2");
};

const Codes& codes() {
  static const Codes kCodes;
  return kCodes;
}

// Over the depth contours (5), under the soundings' texts.
constexpr int8_t kSafetyContourPriority = 6;

Instruction make(Op op, std::vector<std::string> args) {
  return Instruction{op, std::move(args), 0};
}

Instruction areaColour(std::string token) {
  return make(Op::AreaColour, {std::move(token)});
}
Instruction simpleLine(std::string style, int width, std::string token) {
  return make(Op::SimpleLine, {std::move(style), std::to_string(width), std::move(token)});
}
Instruction symbol(std::string name) {
  return make(Op::Symbol, {std::move(name)});
}

std::optional<std::string_view> textOf(const ProcedureContext& c, uint16_t attribute) {
  for (const AttributeValue& value : c.attributes) {
    if (value.attribute == attribute) return value.text;
  }
  return std::nullopt;
}

std::optional<double> numberOf(const ProcedureContext& c, uint16_t attribute) {
  const std::optional<std::string_view> text = textOf(c, attribute);
  if (!text || text->find_first_not_of(" ") == std::string_view::npos) return std::nullopt;
  return parseNumber(*text);
}

// The values of a list attribute ("3,4" gives 3 and 4); empty when not given.
std::vector<int> listOf(const ProcedureContext& c, uint16_t attribute) {
  std::vector<int> values;
  const std::optional<std::string_view> text = textOf(c, attribute);
  if (!text) return values;
  std::string_view rest = *text;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    values.push_back(static_cast<int>(parseNumber(rest.substr(0, comma))));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return values;
}

bool holdsAny(const std::vector<int>& values, std::initializer_list<int> wanted) {
  return std::any_of(values.begin(), values.end(), [&](int v) {
    return std::find(wanted.begin(), wanted.end(), v) != wanted.end();
  });
}

// A number as charts write it: no trailing zeros ("6", "2.5").
// A decimal point whatever the locale says.
std::string formatNumber(double value) {
  char buffer[64];
  const std::to_chars_result written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  std::string text(buffer, written.ec == std::errc() ? written.ptr : buffer);
  while (!text.empty() && text.back() == '0')
    text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

// QUAPOS other than surveyed, precisely known or calculated: the position
// is approximate.
// A point's QUAPOS may be on its node rather than on the feature.
bool approximatePosition(const ProcedureContext& c) {
  std::optional<double> quapos = numberOf(c, codes().quapos);
  if (!quapos && c.feature.prim == kPrimPoint) {
    if (const VectorRecord* node = pointNode(c.feature)) {
      for (const AttributeEntry* entry : node->attributes()) {
        if (entry->attl == codes().quapos) quapos = parseNumber(valueText(*entry));
      }
    }
  }
  return quapos && *quapos != 1 && *quapos != 10 && *quapos != 11;
}

// The project's depth bands: DRVAL1 alone (none counts as -1) against the
// three contours.
void depthBand(ProcedureContext& c, std::vector<Instruction>& out) {
  // A DRVAL1 given blank reads as 0, as the viewer always read it.
  const std::optional<std::string_view> text = textOf(c, codes().drval1);
  const double drval1 = text ? parseNumber(*text) : -1.0;
  const DepthContours& contours = c.contours;
  const char* token = "DEPDW";
  if (drval1 < 0) {
    token = "DEPIT";
  } else if (drval1 < contours.shallow) {
    token = "DEPVS";
  } else if (drval1 < contours.safety) {
    token = "DEPMS";
  } else if (drval1 < contours.deep) {
    token = "DEPMD";
  }
  out.push_back(areaColour(token));
}

// Depth and dredged areas: the shade of the seabed between DRVAL1 and
// DRVAL2, in four shades or two, the shallow pattern where asked for, and
// a dredged area's pattern and boundary.
void depthArea(ProcedureContext& c, std::vector<Instruction>& out) {
  if (c.feature.prim == kPrimLine) {
    out.push_back(simpleLine("SOLD", 1, "DEPCN"));
    return;
  }
  const double drval1 = numberOf(c, codes().drval1).value_or(-1.0);
  const double drval2 = numberOf(c, codes().drval2).value_or(drval1 + 0.01);
  const DepthContours& contours = c.contours;
  const auto deeper = [&](double limit) { return drval1 >= limit && drval2 > limit; };
  std::string token = "DEPIT";
  bool shallow = true;
  if (c.settings.twoShades) {
    if (deeper(0)) token = "DEPVS";
    if (deeper(contours.safety)) {
      token = "DEPDW";
      shallow = false;
    }
  } else {
    if (deeper(0)) token = "DEPVS";
    if (deeper(contours.shallow)) token = "DEPMS";
    if (deeper(contours.safety)) {
      token = "DEPMD";
      shallow = false;
    }
    if (deeper(contours.deep)) token = "DEPDW";
  }
  out.push_back(areaColour(token));
  if (c.settings.shallowPattern && shallow) out.push_back(make(Op::AreaPattern, {"DIAMOND1"}));
  // The safety contour along those of the area's edges it runs on, over
  // the other contours.
  const bool onSafetyContour = std::any_of(
      c.feature.spatialPointers.begin(), c.feature.spatialPointers.end(),
      [&](const SpatialPointerEntry* p) {
        return p->target != nullptr &&
               std::binary_search(c.safetyEdges.begin(), c.safetyEdges.end(), p->target);
      });
  if (onSafetyContour) {
    Instruction contour = simpleLine("SOLD", 2, "DEPSC");
    contour.priority = kSafetyContourPriority;
    contour.along = Along::SafetyContour;
    out.push_back(std::move(contour));
  }
  if (c.feature.objl == catalogue::kDrgare) {
    out.push_back(make(Op::AreaPattern, {"DRGARE01"}));
    out.push_back(simpleLine("DASH", 1, "CHGRF"));
  }
}

// The project's depth lines, on the hue scale of their depths.
void depthLine(ProcedureContext&, std::vector<Instruction>& out) {
  out.push_back(simpleLine("SOLD", 1, "ABYHUE"));
}

void depthContour(ProcedureContext& c, std::vector<Instruction>& out) {
  out.push_back(simpleLine(approximatePosition(c) ? "DASH" : "SOLD", 1, "DEPCN"));
}

// Every sounding of the feature, written by its depth (the painter reads
// the depths from the geometry).
void soundings(ProcedureContext&, std::vector<Instruction>& out) {
  out.push_back(symbol("SOUNDING"));
}

void positionQuality(ProcedureContext& c, std::vector<Instruction>& out) {
  // A point's own symbol is in its row; the procedure adds the mark of an
  // approximate position.
  if (c.feature.prim == kPrimPoint) {
    if (approximatePosition(c)) out.push_back(symbol("LOWACC01"));
    return;
  }
  out.push_back(simpleLine(approximatePosition(c) ? "DASH" : "SOLD", 1, "CSTLN"));
}

void shorelineConstruction(ProcedureContext& c, std::vector<Instruction>& out) {
  if (c.feature.prim == kPrimPoint) {
    out.push_back(symbol("MORFAC03"));
    if (approximatePosition(c)) out.push_back(symbol("LOWACC01"));
    return;
  }
  const std::optional<double> condtn = numberOf(c, codes().condtn);
  const std::optional<double> catslc = numberOf(c, codes().catslc);
  const std::optional<double> watlev = numberOf(c, codes().watlev);
  if (approximatePosition(c) || (condtn && (*condtn == 1 || *condtn == 2))) {
    out.push_back(simpleLine("DASH", 1, "CSTLN"));
  } else if (catslc && (*catslc == 6 || *catslc == 15 || *catslc == 16)) {
    out.push_back(simpleLine("SOLD", 4, "CSTLN"));
  } else if (watlev && (*watlev == 3 || *watlev == 4)) {
    out.push_back(simpleLine("DASH", 2, "CSTLN"));
  } else {
    out.push_back(simpleLine("SOLD", 2, "CSTLN"));
  }
}

// The symbol of a restriction: entry, anchoring or fishing restrictions
// before the others, the 61 form where other restrictions or a category
// come with it; without RESTRN, a caution or an information symbol by the
// area's category. None for a feature with neither.
std::optional<std::string> restrictionSymbol(const ProcedureContext& c) {
  const std::vector<int> restrn = listOf(c, codes().restrn);
  const std::vector<int> catrea = listOf(c, codes().catrea);
  // Categories that call for caution rather than information.
  const std::initializer_list<int> kCaution = {1, 8, 9, 12, 14, 18, 19, 21, 24, 25, 26};
  const auto others = [&](std::initializer_list<int> besides) {
    const bool moreRestrictions = std::any_of(restrn.begin(), restrn.end(), [&](int v) {
      return std::find(besides.begin(), besides.end(), v) == besides.end();
    });
    return moreRestrictions || !catrea.empty();
  };
  if (!restrn.empty()) {
    if (holdsAny(restrn, {7, 8, 14})) return others({7, 8, 14}) ? "ENTRES61" : "ENTRES51";
    if (holdsAny(restrn, {1, 2})) return others({1, 2}) ? "ACHRES61" : "ACHRES51";
    if (holdsAny(restrn, {3, 4, 5, 6})) return others({3, 4, 5, 6}) ? "FSHRES61" : "FSHRES51";
    if (holdsAny(restrn, {9, 10, 11, 12, 13})) return "INFARE51";
    return "RSRDEF51";
  }
  if (catrea.empty()) return std::nullopt;
  return holdsAny(catrea, kCaution) ? "CTYARE51" : "INFARE51";
}

// A restricted area's symbol; its boundary is in its row.
void restrictedArea(ProcedureContext& c, std::vector<Instruction>& out) {
  out.push_back(symbol(restrictionSymbol(c).value_or("RSRDEF51")));
}

void restrictions(ProcedureContext& c, std::vector<Instruction>& out) {
  if (const std::optional<std::string> name = restrictionSymbol(c)) out.push_back(symbol(*name));
}

// Dangers shallower than this are drawn with the danger symbol of known
// depth (DANGER01), deeper ones with the faint one (DANGER02).
constexpr double kDangerSymbolDepth = 20.0;

// The isolated danger: over everything but texts, in the display base.
constexpr int8_t kIsolatedDangerPriority = 8;
constexpr uint32_t kIsolatedDangerGroup = 14010;
constexpr uint32_t kDryHazardGroup = 14050;

// The depth a hazard is judged by: its VALSOU; without one, the least
// depth of the depth areas it lies in; where none is known, by its water
// level (0 awash, a hair's depth always under water, else -15: taken as
// shallow).
double hazardDepth(const ProcedureContext& c, const Seabed* seabed) {
  if (const std::optional<double> valsou = numberOf(c, codes().valsou)) return *valsou;
  if (seabed != nullptr && seabed->underAny && !seabed->unsurveyed) return seabed->leastDepth;
  const std::optional<double> watlev = numberOf(c, codes().watlev);
  if (watlev && *watlev == 5) return 0.0;
  if (watlev && *watlev == 3) return 0.01;
  return -15.0;
}

// Whether a point hazard is an isolated danger: at most as deep as the
// safety contour, in safe water (every depth area under it at least as
// deep as the safety contour), and not one that stands dry. A hazard that
// stands dry in safe water goes to the display base with its own symbol.
bool isolatedDanger(ProcedureContext& c) {
  const Seabed* seabed = c.surroundings.seabed(c.feature);
  if (seabed == nullptr) return false;
  const double safety = c.contours.safety;
  if (!(hazardDepth(c, seabed) <= safety) || !seabed->deepAs(safety)) return false;
  const std::optional<double> watlev = numberOf(c, codes().watlev);
  c.category = Category::DisplayBase;
  if (watlev && (*watlev == 1 || *watlev == 2)) {
    c.viewingGroup = kDryHazardGroup;
    return false;
  }
  c.viewingGroup = kIsolatedDangerGroup;
  return true;
}

// The symbol of a hazard of known depth, and its depth as a sounding.
void knownDepthHazard(double valsou, const char* symbolName, std::vector<Instruction>& out) {
  out.push_back(symbol(symbolName));
  out.push_back(make(Op::Symbol, {"SOUNDING", formatNumber(valsou)}));
}

void isolatedDangerSymbol(const ProcedureContext& c, std::vector<Instruction>& out) {
  Instruction danger = symbol("ISODGR01");
  danger.priority = kIsolatedDangerPriority;
  danger.last = true;
  out.push_back(std::move(danger));
  if (approximatePosition(c)) out.push_back(symbol("LOWACC01"));
}

// Obstructions and underwater rocks: at a point, the isolated danger where
// it is one, else the symbol of its depth and water level, with its depth
// where known; a dotted line along a line; a dotted boundary round an
// area.
void obstruction(ProcedureContext& c, std::vector<Instruction>& out) {
  if (c.feature.prim == kPrimLine) {
    out.push_back(simpleLine("DOTT", 2, "CHBLK"));
    return;
  }
  if (c.feature.prim == kPrimArea) {
    out.push_back(areaColour("DEPVS"));
    out.push_back(simpleLine("DOTT", 2, "CHGRD"));
    return;
  }
  if (isolatedDanger(c)) {
    isolatedDangerSymbol(c, out);
    return;
  }
  static const uint16_t kRock = catalogue::objectClass("UWTROC")->code;
  const bool rock = c.feature.objl == kRock;
  const std::optional<double> watlev = numberOf(c, codes().watlev);
  const bool covers = watlev && (*watlev == 4 || *watlev == 5);
  const bool dry = watlev && (*watlev == 1 || *watlev == 2);
  if (const std::optional<double> valsou = numberOf(c, codes().valsou)) {
    const char* name = "DANGER01";
    if (*valsou > kDangerSymbolDepth) {
      name = "DANGER02";
    } else if (rock && covers) {
      name = "UWTROC04";
    } else if (!rock && dry) {
      name = "OBSTRN11";
    } else if (!rock && covers) {
      name = "DANGER03";
    }
    knownDepthHazard(*valsou, name, out);
  } else if (rock) {
    out.push_back(symbol(covers ? "UWTROC04" : "UWTROC03"));
  } else {
    const std::optional<double> catobs = numberOf(c, codes().catobs);
    const char* name = "OBSTRN01";
    if (!(catobs && *catobs == 6)) {
      if (dry) name = "OBSTRN11";
      if (covers) name = "OBSTRN03";
    }
    out.push_back(symbol(name));
  }
  if (approximatePosition(c)) out.push_back(symbol("LOWACC01"));
}

// Wrecks: at a point, the isolated danger where it is one, else by its
// depth, or without one by its category and water level; an area as a
// dotted boundary.
void wreck(ProcedureContext& c, std::vector<Instruction>& out) {
  if (c.feature.prim == kPrimArea) {
    out.push_back(areaColour("DEPVS"));
    out.push_back(simpleLine("DOTT", 2, "CHBLK"));
    return;
  }
  if (c.feature.prim == kPrimPoint && isolatedDanger(c)) {
    isolatedDangerSymbol(c, out);
    return;
  }
  const std::optional<double> catwrk = numberOf(c, codes().catwrk);
  const std::optional<double> watlev = numberOf(c, codes().watlev);
  const bool under = !watlev || *watlev == 3;
  if (const std::optional<double> valsou = numberOf(c, codes().valsou)) {
    knownDepthHazard(*valsou, *valsou <= kDangerSymbolDepth ? "DANGER01" : "DANGER02", out);
  } else if (catwrk && *catwrk == 1 && under) {
    out.push_back(symbol("WRECKS04"));
  } else if (catwrk && *catwrk == 2 && under) {
    out.push_back(symbol("WRECKS05"));
  } else if ((catwrk && (*catwrk == 4 || *catwrk == 5)) || !under) {
    out.push_back(symbol("WRECKS01"));
  } else {
    out.push_back(symbol("WRECKS05"));
  }
  if (approximatePosition(c)) out.push_back(symbol("LOWACC01"));
}

// A light's description as charts write it: character, group, colours,
// period and nominal range ("Fl(2)R.6s10M", "Fl.G.4s"); empty without a
// character.
std::string lightDescription(const ProcedureContext& c) {
  static constexpr std::pair<int, std::string_view> kCharacters[] = {
      {1, "F"},      {2, "Fl"},      {3, "LFl"},     {4, "Q"},       {5, "VQ"},
      {6, "UQ"},     {7, "Iso"},     {8, "Oc"},      {9, "IQ"},      {10, "IVQ"},
      {11, "IUQ"},   {12, "Mo"},     {13, "FFl"},    {14, "Fl+LFl"}, {15, "OcFl"},
      {16, "FLFl"},  {17, "Al.Oc"},  {18, "Al.LFl"}, {19, "Al.Fl"},  {20, "Al.Gr"},
      {25, "Q+LFl"}, {26, "VQ+LFl"}, {27, "UQ+LFl"}, {28, "Al"},     {29, "Al.FFl"},
  };
  static constexpr std::pair<int, std::string_view> kColours[] = {
      {1, "W"}, {3, "R"}, {4, "G"}, {5, "Bu"}, {6, "Y"}, {9, "Am"}, {11, "Or"}, {12, "Vi"},
  };
  const std::vector<int> character = listOf(c, codes().litchr);
  std::string text;
  for (const auto& [code, letters] : kCharacters) {
    if (!character.empty() && character.front() == code) text = letters;
  }
  if (text.empty()) return text;
  bool grouped = false;
  if (const std::optional<std::string_view> group = textOf(c, codes().siggrp)) {
    const std::string_view g = *group;
    grouped = g != "()" && g.find_first_not_of("() ") != std::string_view::npos;
    if (grouped) text += g;
  }
  std::string colours;
  for (const int colour : listOf(c, codes().colour)) {
    for (const auto& [code, letters] : kColours) {
      if (code == colour) colours += letters;
    }
  }
  // A group closes with its parenthesis; otherwise a point parts the
  // character from the colours ("Fl.G", "Fl(2)R").
  if (!colours.empty()) text += (grouped ? "" : ".") + colours;
  if (const std::optional<double> period = numberOf(c, codes().sigper))
    text += "." + formatNumber(*period) + "s";
  if (const std::optional<double> range = numberOf(c, codes().valnmr))
    text += formatNumber(*range) + "M";
  return text;
}

// The colour token of a light by its first colour that has one: red,
// green, or white and yellow; magenta where it has none of them.
std::string lightColour(const std::vector<int>& colours) {
  for (const int colour : colours) {
    if (colour == 3) return "LITRD";
    if (colour == 4) return "LITGN";
    if (colour == 1 || colour == 6 || colour == 11) return "LITYW";
  }
  return "CHMGD";
}

}  // namespace

std::string_view flareSymbol(std::string_view token) {
  if (token == "LITRD") return "LIGHTS11";
  if (token == "LITGN") return "LIGHTS12";
  if (token == "LITYW") return "LIGHTS13";
  return "LITDEF11";
}

namespace {

// A light: a sector light (SECTR1 and SECTR2 given, not the whole circle)
// as its legs and its arc in the light's colour; any other as a flare in
// its colour. Its description beside it as other text.
void light(ProcedureContext& c, std::vector<Instruction>& out) {
  const std::vector<int> colour = listOf(c, codes().colour);
  const std::string token = lightColour(colour);
  const std::optional<double> sectr1 = numberOf(c, codes().sectr1);
  const std::optional<double> sectr2 = numberOf(c, codes().sectr2);
  const bool sector = sectr1 && sectr2 && std::fmod(std::fabs(*sectr2 - *sectr1), 360.0) != 0.0;
  if (sector) {
    out.push_back(
        make(Op::LightSector, {formatNumber(*sectr1), formatNumber(*sectr2), token, "20"}));
  } else {
    out.push_back(symbol(std::string(flareSymbol(token))));
  }
  const std::string description = lightDescription(c);
  if (!description.empty()) {
    // Other text, right of the light and a little below its flare.
    Instruction text =
        make(Op::Text, {description, "3", "2", "2", "15110", "2", "0", "CHBLK", "23"});
    text.quoted = (1u << 0) | (1u << 4);
    out.push_back(std::move(text));
  }
}

// A topmark by its shape, on a buoy (something floats on its node) or on
// a beacon; the question mark without a shape, the magenta topmark of
// unknown shape for a shape without a symbol.
void topmark(ProcedureContext& c, std::vector<Instruction>& out) {
  const std::optional<double> shape = numberOf(c, codes().topshp);
  if (!shape) {
    out.push_back(symbol("QUESMRK1"));
    return;
  }
  // TOPSHP: the symbol on a buoy, then on a beacon.
  static constexpr struct {
    int shape;
    const char* buoy;
    const char* beacon;
  } kShapes[] = {
      {1, "TOPMAR02", "TOPMAR22"},  {2, "TOPMAR04", "TOPMAR24"},  {3, "TOPMAR10", "TOPMAR30"},
      {4, "TOPMAR12", "TOPMAR32"},  {5, "TOPMAR13", "TOPMAR33"},  {6, "TOPMAR14", "TOPMAR34"},
      {7, "TOPMAR65", "TOPMAR85"},  {8, "TOPMAR17", "TOPMAR86"},  {9, "TOPMAR16", "TOPMAR36"},
      {10, "TOPMAR08", "TOPMAR28"}, {11, "TOPMAR07", "TOPMAR27"}, {12, "TOPMAR14", "TOPMAR34"},
      {13, "TOPMAR05", "TOPMAR25"}, {14, "TOPMAR06", "TOPMAR26"}, {15, "TOPMAR88", "TOPMAR88"},
      {16, "TOPMAR87", "TOPMAR87"}, {19, "TOPMAR13", "TOPMAR33"}, {20, "TOPMAR14", "TOPMAR34"},
      {21, "TOPMAR13", "TOPMAR33"}, {24, "TOPMAR02", "TOPMAR22"}, {25, "TOPMAR04", "TOPMAR24"},
      {26, "TOPMAR10", "TOPMAR30"}, {28, "TOPMAR89", "TOPMAR89"},
  };

  const bool floating = c.surroundings.onFloatingAid(c.feature);
  for (const auto& entry : kShapes) {
    if (entry.shape == static_cast<int>(*shape)) {
      out.push_back(symbol(floating ? entry.buoy : entry.beacon));
      return;
    }
  }
  out.push_back(symbol(floating ? "TMARDEF2" : "TMARDEF1"));
}

// A cartographic symbol: the symbol its $SCODE names, where the tables
// know it; the question mark otherwise.
void cartographicSymbol(ProcedureContext& c, std::vector<Instruction>& out) {
  static const uint16_t scode = attributeCode("$SCODE");
  std::string name(textOf(c, scode).value_or(""));
  while (!name.empty() && name.back() == ' ')
    name.pop_back();
  out.push_back(symbol(!name.empty() && c.tables.symbol(name) != nullptr ? name : "QUESMRK1"));
}

// The mariner's own objects and the data coverage draw nothing of a cell.
void nothing(ProcedureContext&, std::vector<Instruction>&) {}

struct Procedure {
  std::string_view name;  // without edition digits
  void (*expand)(ProcedureContext&, std::vector<Instruction>&);
};

constexpr Procedure kProcedures[] = {
    {"ABYNIL", nothing},
    {"CLRLIN", nothing},
    {"CSYMB", cartographicSymbol},
    {"DATCVR", nothing},
    {"DEPARE", depthArea},
    {"DEPBND", depthBand},
    {"DEPCNT", depthContour},
    {"DEPLIN", depthLine},
    {"LEGLIN", nothing},
    {"LIGHTS", light},
    {"OBSTRN", obstruction},
    {"OWNSHP", nothing},
    {"PASTRK", nothing},
    {"QUAPOS", positionQuality},
    {"RESARE", restrictedArea},
    {"RESTRN", restrictions},
    {"SLCONS", shorelineConstruction},
    {"SOUNDG", soundings},
    {"TOPMAR", topmark},
    {"VESSEL", nothing},
    {"VRMEBL", nothing},
    {"WRECKS", wreck},
};

}  // namespace

bool expandProcedure(std::string_view name, ProcedureContext& context,
                     std::vector<Instruction>& out) {
  while (!name.empty() && name.back() >= '0' && name.back() <= '9')
    name.remove_suffix(1);
  for (const Procedure& procedure : kProcedures) {
    if (procedure.name == name) {
      procedure.expand(context, out);
      return true;
    }
  }
  return false;
}

std::vector<Instruction> fallbackInstructions(uint8_t primitive) {
  if (primitive == kPrimLine || primitive == kPrimArea) return {simpleLine("DASH", 1, "CHMGD")};
  return {symbol("QUESMRK1")};
}

}  // namespace abys::portrayal
