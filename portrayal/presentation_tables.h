// The presentation tables the chart is drawn by, compiled in from the text
// files of tables/: look-up tables (object class and attribute combination
// to drawing instructions, display priority, category and viewing group),
// the colour tables of the three schemes, and what we know of each symbol,
// area pattern and complex line the look-up tables name. Parsed once, on
// first use. Qt-free.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "instructions.h"
#include "mariner_settings.h"

namespace abys::portrayal {

// The look-up tables, by the primitive they serve. The ABYS_ tables hold
// the project's own presentation (its own classes, and the bathymetry as
// the viewer has always drawn it); they are consulted before the others
// while that presentation is chosen.
enum class Table : uint8_t {
  Points,
  Lines,
  AreasPlain,
  AreasSymbolized,
  AbysPoints,
  AbysLines,
  AbysAreas,
  PaperChart,  // buoys and beacons by their shape, in their own colours
};
inline constexpr int kTableCount = 8;

enum class Category : uint8_t { DisplayBase, Standard, Other };

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

// One condition of an attribute combination.
struct AttributeTerm {
  enum class Kind : uint8_t { Equals, Given, NotGiven };
  uint16_t attribute = 0;  // ATTL
  Kind kind = Kind::Equals;
  std::string value;  // for Equals: the text after the acronym
};

struct LookupRow {
  Table table = Table::Points;
  uint16_t objectClass = 0;  // OBJL
  std::vector<AttributeTerm> terms;
  std::string attributes;  // the combination as written
  std::vector<Instruction> instructions;
  uint8_t priority = 0;
  bool overRadar = true;
  Category category = Category::Standard;
  uint32_t viewingGroup = 0;
  // Rows written with the same instructions draw as one group: the lowest
  // index of a row with this row's instruction text, over all tables.
  uint32_t drawGroup = 0;
};

struct SymbolEntry {
  std::string name;
  std::vector<std::string> colours;
  std::string description;
};

enum class PatternKind : uint8_t {
  Diagonal,
  BackDiagonal,
  Cross,
  Dots,
  Horizontal,
  Vertical,
  Symbols
};

struct PatternEntry {
  std::string name;
  std::string colour;
  PatternKind kind = PatternKind::Diagonal;
  double spacing = 5.0;  // millimetres
};

struct LineStyleEntry {
  std::string name;
  Instruction simpleLine;  // the LS that stands in for it
};

// The attribute values a row is matched against: a feature's attribute
// entries (code and text as the file holds it).
struct AttributeValue {
  uint16_t attribute = 0;
  std::string_view text;
};

class PresentationTables {
 public:
  // The tables compiled into the program.
  static const PresentationTables& builtIn();
  // Tables parsed from text in the format of the files of tables/. Lines
  // that do not parse are left out and named in errors().
  static PresentationTables parse(std::string_view text);

  // The row of table for objectClass that best matches attributes: among
  // the rows whose terms all hold, the one with the most terms, the earlier
  // on a tie. Null when the table has no row for the class.
  const LookupRow* match(Table table, uint16_t objectClass,
                         std::span<const AttributeValue> attributes) const;

  std::optional<Rgb> colour(std::string_view token, ColourScheme scheme) const;
  const SymbolEntry* symbol(std::string_view name) const;
  const PatternEntry* pattern(std::string_view name) const;
  const LineStyleEntry* lineStyle(std::string_view name) const;

  std::span<const LookupRow> rows() const { return rows_; }
  std::span<const std::string> errors() const { return errors_; }

 private:
  struct ColourEntry {
    std::string token;
    std::array<Rgb, 3> schemes;
  };

  void index();

  std::vector<LookupRow> rows_;
  // Per table, row indices sorted by class, file order within a class.
  std::array<std::vector<uint32_t>, kTableCount> byClass_;
  std::vector<ColourEntry> colours_;  // sorted by token
  std::vector<SymbolEntry> symbols_;  // sorted by name, as the others
  std::vector<PatternEntry> patterns_;
  std::vector<LineStyleEntry> lineStyles_;
  std::vector<std::string> errors_;
};

// Whether the attribute text equals a term's value: numbers and lists of
// numbers compare as numbers ("03" equals "3"), anything else as text with
// blanks at the ends left out.
bool valueEquals(std::string_view text, std::string_view value);

std::string_view categoryName(Category category);

}  // namespace abys::portrayal
