#include "portrayal.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <tuple>
#include <unordered_map>

#include "catalogue.h"
#include "catalogue_codes.h"
#include "procedures.h"
#include "surroundings.h"

namespace abys::portrayal {

Pass passOf(Op op) {
  switch (op) {
    case Op::AreaColour:
    case Op::AreaPattern:
      return Pass::Areas;
    case Op::SimpleLine:
    case Op::ComplexLine:
      return Pass::Lines;
    case Op::Text:
    case Op::FormattedText:
      return Pass::Texts;
    case Op::Symbol:
    case Op::LightSector:
    case Op::Procedure:
    default:
      return Pass::Points;
  }
}

double parseNumber(const char* text) {
  // Qt's application object sets the process locale from the environment,
  // under which atof would stop at the '.' of "15.75".
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale == static_cast<locale_t>(nullptr)) return strtod(text, nullptr);
  return strtod_l(text, nullptr, cLocale);
}

int leadingInt(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

double parseNumber(std::string_view text) {
  char buffer[64];
  const size_t length = std::min(text.size(), sizeof buffer - 1);
  std::copy_n(text.data(), length, buffer);
  buffer[length] = '\0';
  return parseNumber(buffer);
}

uint16_t attributeCode(std::string_view acronym) {
  const catalogue::Attribute* attribute = catalogue::attribute(acronym);
  return attribute != nullptr ? attribute->code : 0;
}

std::optional<std::string_view> attributeText(const FeatureRecord& feature, uint16_t attl) {
  std::optional<std::string_view> text;
  for (const AttributeEntry* entry : feature.attributes) {
    if (entry->attl == attl) text = valueText(*entry);
  }
  return text;
}

std::optional<double> attributeNumber(const FeatureRecord& feature, uint16_t attl) {
  const std::optional<std::string_view> text = attributeText(feature, attl);
  if (!text) return std::nullopt;
  return parseNumber(*text);
}

std::string instructionText(std::span<const Instruction> instructions) {
  return formatInstructions(std::vector<Instruction>(instructions.begin(), instructions.end()));
}

std::vector<std::string_view> coloursOf(const Instruction& instruction) {
  switch (instruction.op) {
    case Op::AreaColour:
      return {instruction.args[0]};
    case Op::SimpleLine:
      return {instruction.args[2]};
    case Op::Text:
      return {instruction.args[7]};
    case Op::FormattedText:
      return {instruction.args[8]};
    case Op::LightSector:
      return {instruction.args[2]};
    default:
      return {};
  }
}

namespace {

uint8_t textGroup(const Instruction& instruction) {
  const size_t at = instruction.op == Op::Text ? 8 : instruction.op == Op::FormattedText ? 9 : 0;
  if (at == 0 || instruction.args.size() <= at) return 0;
  return static_cast<uint8_t>(std::clamp(leadingInt(instruction.args[at]), 0, 255));
}

// The tables that serve a primitive, in the order they are consulted:
// the project's own first while its presentation is chosen. Empty for a
// feature of no primitive.
std::span<const Table> tablesFor(uint8_t primitive, const PortrayalSettings& settings) {
  static constexpr Table kPoints[] = {Table::AbysPoints, Table::PaperChart, Table::Points};
  static constexpr Table kSimplifiedPoints[] = {Table::AbysPoints, Table::Points};
  static constexpr Table kLines[] = {Table::AbysLines, Table::Lines};
  static constexpr Table kPlainAreas[] = {Table::AbysAreas, Table::AreasPlain};
  static constexpr Table kSymbolizedAreas[] = {Table::AbysAreas, Table::AreasSymbolized};
  std::span<const Table> tables;
  switch (primitive) {
    case kPrimPoint:
      if (settings.simplifiedSymbols) {
        tables = kSimplifiedPoints;
      } else {
        tables = kPoints;
      }
      break;
    case kPrimLine:
      tables = kLines;
      break;
    case kPrimArea:
      tables = settings.symbolizedBoundaries ? kSymbolizedAreas : kPlainAreas;
      break;
    default:
      return {};
  }
  return settings.s52Depths ? tables.subspan(1) : tables;
}

// Whether a text instruction has what it writes: the attribute TX names,
// every attribute TE names.
bool hasText(const Instruction& instruction, std::span<const AttributeValue> attributes) {
  const auto given = [&](std::string_view acronym) {
    const uint16_t code = attributeCode(acronym);
    return code != 0 &&
           std::any_of(attributes.begin(), attributes.end(), [&](const AttributeValue& a) {
             return a.attribute == code && !a.text.empty();
           });
  };
  if (instruction.op == Op::Text) {
    // A quoted first argument is a literal text.
    return (instruction.quoted & 1u) != 0 || given(instruction.args[0]);
  }
  if (instruction.op == Op::FormattedText) {
    std::string_view names = instruction.args[1];
    while (!names.empty()) {
      const size_t comma = names.find(',');
      if (!given(names.substr(0, comma))) return false;
      names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
    }
  }
  return true;
}

// The edges where a depth area at least as deep as the safety contour meets
// a shallower one, land or an unsurveyed area; sorted.
std::vector<const VectorRecord*> findSafetyEdges(const Dataset& dataset, double safety) {
  struct Sides {
    bool safe = false;
    bool unsafe = false;
  };
  std::vector<std::pair<const VectorRecord*, Sides>> edges;
  for (const FeatureRecord* feature : dataset.features) {
    if (feature->prim != kPrimArea) continue;
    const bool depthArea =
        feature->objl == catalogue::kDepare || feature->objl == catalogue::kDrgare;
    if (!depthArea && feature->objl != catalogue::kLndare && feature->objl != catalogue::kUnsare)
      continue;
    const bool safe =
        depthArea && attributeNumber(*feature, catalogue::kDrval1).value_or(-1.0) >= safety;
    for (const SpatialPointerEntry* pointer : feature->spatialPointers) {
      if (pointer->target == nullptr) continue;
      edges.push_back({pointer->target, Sides{safe, !safe}});
    }
  }
  std::sort(edges.begin(), edges.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<const VectorRecord*> found;
  for (size_t i = 0; i < edges.size();) {
    Sides sides;
    size_t j = i;
    for (; j < edges.size() && edges[j].first == edges[i].first; ++j) {
      sides.safe = sides.safe || edges[j].second.safe;
      sides.unsafe = sides.unsafe || edges[j].second.unsafe;
    }
    if (sides.safe && sides.unsafe) found.push_back(edges[i].first);
    i = j;
  }
  return found;
}

// A new object's own instructions (SYMINS), written as the look-up tables
// write theirs; none where it has none or they do not parse, and for any
// other class.
std::optional<std::vector<Instruction>> symbolInstructions(const FeatureRecord& feature) {
  static const catalogue::ObjectClass* newObject = catalogue::objectClass("NEWOBJ");
  static const uint16_t symins = attributeCode("SYMINS");
  if (newObject == nullptr || feature.objl != newObject->code || symins == 0) return std::nullopt;
  const std::optional<std::string_view> text = attributeText(feature, symins);
  if (!text || text->find_first_not_of(' ') == std::string_view::npos) return std::nullopt;
  std::optional<std::vector<Instruction>> parsed = parseInstructions(*text);
  if (!parsed || parsed->empty()) return std::nullopt;
  return parsed;
}

// A symbol's rotation by its attribute (ORIENT) as degrees, 0 where the
// feature lacks it; and the feature's COLOUR and COLPAT for a symbol whose
// body takes them.
void resolveSymbol(Instruction& instruction, std::span<const AttributeValue> attributes,
                   const PresentationTables& tables) {
  const auto text = [&](uint16_t code) -> std::string {
    for (const AttributeValue& value : attributes) {
      if (value.attribute == code) return std::string(value.text);
    }
    return {};
  };
  std::vector<std::string>& args = instruction.args;
  if (args.size() > 1 && !args[1].empty() && std::isalpha(static_cast<unsigned char>(args[1][0]))) {
    std::string degrees = text(attributeCode(args[1]));
    const bool blank = degrees.find_first_not_of(' ') == std::string::npos;
    args[1] = blank ? std::string(1, '0') : std::move(degrees);
  }
  const SymbolEntry* entry = tables.symbol(args[0]);
  if (entry == nullptr ||
      std::find(entry->colours.begin(), entry->colours.end(), "BODY") == entry->colours.end())
    return;
  static const uint16_t colour = attributeCode("COLOUR");
  static const uint16_t colpat = attributeCode("COLPAT");
  std::string rotation = args.size() > 1 && !args[1].empty() ? args[1] : std::string("0");
  args = {args[0], std::move(rotation), text(colour), text(colpat)};
}

}  // namespace

std::string displayText(uint16_t attribute, std::string_view text) {
  static const uint16_t natsur = attributeCode("NATSUR");
  if (attribute != natsur || natsur == 0) return std::string(text);
  static constexpr std::pair<int, std::string_view> kAbbreviations[] = {
      {1, "M"},  {2, "Cy"}, {3, "Si"},  {4, "S"},   {5, "St"},  {6, "G"},   {7, "P"},
      {8, "Cb"}, {9, "R"},  {11, "Lv"}, {14, "Co"}, {17, "Sh"}, {18, "Bo"},
  };
  std::string written;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const int value = static_cast<int>(parseNumber(text.substr(0, comma)));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    std::string_view abbreviation;
    for (const auto& [code, letters] : kAbbreviations) {
      if (code == value) abbreviation = letters;
    }
    if (abbreviation.empty()) continue;
    if (!written.empty()) written += '.';
    written += abbreviation;
  }
  return written;
}

bool isMetaClass(const catalogue::ObjectClass& objectClass) {
  const std::string_view prefix = objectClass.acronym.substr(0, 2);
  return objectClass.type == 'M' || objectClass.type == 'C' || prefix == "M_" || prefix == "m_" ||
         prefix == "C_" || prefix == "c_";
}

Portrayal::Portrayal(const Dataset& dataset, const DepthContours& contours,
                     const PortrayalSettings& settings, const PresentationTables& tables) {
  std::vector<AttributeValue> attributes;
  std::vector<Instruction> expanded;
  std::vector<uint32_t> groups;  // draw group per feature
  constexpr uint32_t kFallbackGroup = 0xffffffffu;
  static const uint16_t scamin = attributeCode("SCAMIN");
  if (settings.s52Depths) safetyEdges_ = findSafetyEdges(dataset, contours.safety);
  const Surroundings surroundings(dataset);
  for (const FeatureRecord* feature : dataset.features) {
    const catalogue::ObjectClass* objectClass = catalogue::objectClass(feature->objl);
    if (objectClass != nullptr && isMetaClass(*objectClass)) continue;
    attributes.clear();
    for (const AttributeEntry* entry : feature->attributes) {
      attributes.push_back({entry->attl, valueText(*entry)});
    }
    for (const AttributeEntry* entry : feature->nationalAttributes()) {
      attributes.push_back({entry->attl, valueText(*entry)});
    }
    const LookupRow* row = nullptr;
    for (const Table table : tablesFor(feature->prim, settings)) {
      row = tables.match(table, feature->objl, attributes);
      if (row != nullptr) break;
    }
    if (row == nullptr && objectClass == nullptr) {
      // The project's own classes, whatever their primitive.
      for (const Table table : {Table::AbysPoints, Table::AbysLines, Table::AbysAreas}) {
        row = tables.match(table, feature->objl, attributes);
        if (row != nullptr) break;
      }
    }
    FeaturePortrayal portrayed;
    portrayed.feature = feature;
    portrayed.firstInstruction = static_cast<uint32_t>(instructions_.size());
    expanded.clear();
    if (row != nullptr) {
      ProcedureContext context{*feature,      attributes,       contours,     settings,
                               tables,        safetyEdges_,     surroundings, row->priority,
                               row->category, row->viewingGroup};
      const std::optional<std::vector<Instruction>> given = symbolInstructions(*feature);
      for (const Instruction& instruction : given ? *given : row->instructions) {
        if (instruction.op != Op::Procedure) {
          expanded.push_back(instruction);
        } else if (!expandProcedure(instruction.args[0], context, expanded)) {
          const std::vector<Instruction> fallback = fallbackInstructions(feature->prim);
          expanded.insert(expanded.end(), fallback.begin(), fallback.end());
        }
      }
      portrayed.priority = context.priority;
      portrayed.category = context.category;
      portrayed.viewingGroup = context.viewingGroup;
      groups.push_back(row->drawGroup);
    } else {
      expanded = fallbackInstructions(feature->prim);
      portrayed.fallback = true;
      portrayed.priority = 5;
      portrayed.category = Category::Standard;
      groups.push_back(kFallbackGroup);
    }
    const size_t before = instructions_.size();
    bool textsLeftOut = false;
    for (const Instruction& instruction : expanded) {
      if (instruction.op == Op::Text || instruction.op == Op::FormattedText) {
        if (!hasText(instruction, attributes)) {
          textsLeftOut = true;
          continue;
        }
      }
      instructions_.push_back(instruction);
      if (instruction.op == Op::Symbol) resolveSymbol(instructions_.back(), attributes, tables);
      for (const std::string_view token : coloursOf(instruction)) {
        if (token == "ABYHUE")
          portrayed.depth = attributeNumber(*feature, catalogue::kValdco).value_or(kNoDepth);
      }
    }
    if (instructions_.size() == before && textsLeftOut) {
      // A feature drawn only by texts whose attributes it lacks still shows:
      // the dot of a minor point feature at a point, a faint dotted line
      // along a line or an area's boundary.
      instructions_.push_back(feature->prim == kPrimLine || feature->prim == kPrimArea
                                  ? Instruction{Op::SimpleLine, {"DOTT", "1", "CHGRD"}}
                                  : Instruction{Op::Symbol, {"POSGEN04"}});
    }
    portrayed.instructionCount =
        static_cast<uint32_t>(instructions_.size()) - portrayed.firstInstruction;
    if (const std::optional<double> minimum = attributeNumber(*feature, scamin)) {
      portrayed.scaleMinimum = *minimum > 0 && *minimum < 2e9 ? static_cast<int32_t>(*minimum) : 0;
    }
    features_.push_back(portrayed);
    classes_.push_back(feature->objl);
  }
  std::sort(classes_.begin(), classes_.end());
  classes_.erase(std::unique(classes_.begin(), classes_.end()), classes_.end());

  struct Keyed {
    uint8_t priority;
    Pass pass;
    uint32_t group;
    DrawStep step;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(instructions_.size());
  for (uint32_t f = 0; f < features_.size(); ++f) {
    const FeaturePortrayal& portrayed = features_[f];
    for (uint32_t i = portrayed.firstInstruction;
         i < portrayed.firstInstruction + portrayed.instructionCount; ++i) {
      const Instruction& instruction = instructions_[i];
      const uint8_t priority = instruction.priority >= 0
                                   ? static_cast<uint8_t>(instruction.priority)
                                   : portrayed.priority;
      // Last of its priority and pass: after every row's group.
      const uint32_t group = instruction.last ? UINT32_MAX : groups[f];
      const Pass pass = passOf(instruction.op);
      keyed.push_back({priority, pass, group, {f, i, groups[f], pass, textGroup(instruction)}});
    }
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    return std::tie(a.priority, a.pass, a.group) < std::tie(b.priority, b.pass, b.group);
  });
  order_.reserve(keyed.size());
  for (const Keyed& k : keyed)
    order_.push_back(k.step);
  numberPictures();
}

void Portrayal::numberPictures() {
  pictures_.assign(instructions_.size(), kNoPicture);
  std::unordered_map<std::string, uint32_t> numbers;
  std::string key;
  for (uint32_t i = 0; i < instructions_.size(); ++i) {
    const Instruction& instruction = instructions_[i];
    if (instruction.op != Op::Symbol && instruction.op != Op::LightSector) continue;
    key.assign(1, static_cast<char>(instruction.op));
    for (const std::string& arg : instruction.args) {
      key += '\x1f';
      key += arg;
    }
    const auto [found, added] =
        numbers.try_emplace(key, static_cast<uint32_t>(pictureInstructions_.size()));
    if (added) pictureInstructions_.push_back(i);
    pictures_[i] = found->second;
  }
}

bool Portrayal::hasClass(uint16_t objectClass) const {
  return std::binary_search(classes_.begin(), classes_.end(), objectClass);
}

}  // namespace abys::portrayal
