// The portrayal of a chart: for each feature, from its class, attributes,
// primitive and the mariner's settings, the drawing instructions of the
// presentation tables with every conditional procedure expanded, its
// display priority, category, viewing group and scale minimum; and the
// order the painter carries the instructions out in. Built once per open
// (again when a setting the rules read changes), never per redraw. Qt-free.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "catalogue.h"
#include "dataset.h"
#include "instructions.h"
#include "mariner_settings.h"
#include "presentation_tables.h"

namespace abys::portrayal {

// What the rules read beyond the feature itself and the depth contours.
struct PortrayalSettings {
  // The bathymetry as the project has always drawn it (the ABYS_ tables),
  // or as the presentation library's procedures draw it.
  bool s52Depths = false;
  // Area boundaries as complex (symbolised) lines rather than plain ones.
  bool symbolizedBoundaries = false;
  // Depth areas in two shades, split at the safety contour, rather than four.
  bool twoShades = false;
  // Depth areas shallower than the safety contour patterned as well.
  bool shallowPattern = false;
  // Buoys and beacons by the simplified symbols rather than by their shape
  // in their own colours.
  bool simplifiedSymbols = false;

  bool operator==(const PortrayalSettings&) const = default;
};

// The depth of a line coloured by its depth that carries no VALDCO.
inline constexpr double kNoDepth = -99999.0;

struct FeaturePortrayal {
  const FeatureRecord* feature = nullptr;
  uint32_t firstInstruction = 0;
  uint32_t instructionCount = 0;
  int32_t scaleMinimum = 0;  // SCAMIN; 0 when the feature has none
  uint32_t viewingGroup = 0;
  uint8_t priority = 0;
  Category category = Category::Standard;
  // No row of the tables serves the feature: its instructions are the
  // fallback's.
  bool fallback = false;
  // VALDCO, read where a line is coloured by its depth (the ABYHUE colour);
  // kNoDepth without one.
  double depth = kNoDepth;
};

// Instructions drawn in the same pass of a priority: area fills and
// patterns, then lines, then point symbols, then texts.
enum class Pass : uint8_t { Areas, Lines, Points, Texts };
Pass passOf(Op op);

// One instruction of one feature in the order of drawing.
struct DrawStep {
  uint32_t feature = 0;      // index into Portrayal::features()
  uint32_t instruction = 0;  // index into Portrayal::instructions()
  uint32_t group = 0;        // the draw group of the row that gave it
  Pass pass = Pass::Areas;   // the instruction's
  // A text's display group (TX's ninth argument, TE's tenth) up to 255;
  // 0 for the other instructions.
  uint8_t textGroup = 0;
};

class Portrayal {
 public:
  Portrayal() = default;

  // Portrays every feature of dataset but those of meta and collection
  // classes, in file order.
  Portrayal(const Dataset& dataset, const DepthContours& contours,
            const PortrayalSettings& settings,
            const PresentationTables& tables = PresentationTables::builtIn());

  std::span<const FeaturePortrayal> features() const { return features_; }
  std::span<const Instruction> instructions(const FeaturePortrayal& feature) const {
    return std::span(instructions_).subspan(feature.firstInstruction, feature.instructionCount);
  }
  const Instruction& instruction(uint32_t index) const { return instructions_[index]; }
  // Every instruction of every feature, by display priority, then pass,
  // then the group of the row that gave it, then file order.
  std::span<const DrawStep> drawOrder() const { return order_; }

  // The edges the safety contour runs along (with the presentation
  // library's depths only), sorted: each edge of a depth or dredged area of
  // DRVAL1 at least the safety contour that also bounds one shallower, or
  // land or an unsurveyed area. It is the contour at the safety depth or,
  // where the chart has none, the next deeper one.
  std::span<const VectorRecord* const> safetyEdges() const { return safetyEdges_; }

  // Whether some portrayed feature is of the class.
  bool hasClass(uint16_t objectClass) const;

  // The symbol and light sector instructions with the same arguments draw
  // the same picture and share its index, below pictureCount(), so that a
  // paint finds each picture once; other instructions have kNoPicture.
  static constexpr uint32_t kNoPicture = UINT32_MAX;
  uint32_t pictureOf(uint32_t instruction) const { return pictures_[instruction]; }
  uint32_t pictureCount() const { return static_cast<uint32_t>(pictureInstructions_.size()); }
  // The first instruction that draws the picture.
  const Instruction& pictureInstruction(uint32_t picture) const {
    return instructions_[pictureInstructions_[picture]];
  }

 private:
  void numberPictures();

  std::vector<FeaturePortrayal> features_;
  std::vector<Instruction> instructions_;
  std::vector<DrawStep> order_;
  std::vector<uint16_t> classes_;  // sorted, unique
  std::vector<const VectorRecord*> safetyEdges_;
  std::vector<uint32_t> pictures_;             // per instruction
  std::vector<uint32_t> pictureInstructions_;  // per picture
};

// An attribute's text as the chart writes it: the seabed's nature (NATSUR)
// by the chart abbreviations of its values ("4,1" is "S.M"), any other as
// it stands.
std::string displayText(uint16_t attribute, std::string_view text);

// Whether a class is one of the meta or collection classes (by the
// catalogue's type, or an acronym of M_ or C_ in either case), which are
// never portrayed.
bool isMetaClass(const catalogue::ObjectClass& objectClass);

// The instructions written as the tables write them, separated by ';'.
std::string instructionText(std::span<const Instruction> instructions);

// The colour tokens an instruction draws in.
std::vector<std::string_view> coloursOf(const Instruction& instruction);

// atof in the "C" locale: the longest leading number of text (blanks first
// skipped), 0 when there is none. A decimal point whatever LC_NUMERIC says.
double parseNumber(const char* text);
double parseNumber(std::string_view text);

// atoi in the "C" locale: the whole number text starts with (blanks and a
// plus sign first skipped), 0 when there is none. Read with from_chars, at
// a fraction of the C library's cost: a paint reads one for every line
// and text it meets.
int leadingInt(std::string_view text);

// An attribute entry's value as the file holds it.
inline std::string_view valueText(const AttributeEntry& entry) {
  return std::string_view(entry.atvl, static_cast<size_t>(std::max(0, entry.atvlLength)));
}

// The code of the attribute of a catalogue acronym; 0 when there is none.
uint16_t attributeCode(std::string_view acronym);

// The text of the feature's last ATTF entry with code attl, or none; and
// its number.
std::optional<std::string_view> attributeText(const FeatureRecord& feature, uint16_t attl);
std::optional<double> attributeNumber(const FeatureRecord& feature, uint16_t attl);

}  // namespace abys::portrayal
