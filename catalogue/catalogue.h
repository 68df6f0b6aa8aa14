// The S-57 object catalogue, compiled in: object classes, attributes, the
// meanings of enumerated attribute values and the producing agencies,
// generated at build time from GDAL's catalogue tables. Nothing is read at
// run time; every look-up is a binary search over constant tables (a linear
// one for producer codes) and every returned view lives as long as the
// program. Qt-free.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace abys::catalogue {

// Bits of ObjectClass::primitives.
enum Primitive : uint8_t { kPoint = 1, kLine = 2, kArea = 4 };

struct ObjectClass {
  uint16_t code = 0;         // OBJL
  std::string_view acronym;  // six characters; lower case for the extension classes
  std::string_view name;     // UTF-8
  // Attribute codes of the A, B and C sets, in catalogue order; acronyms the
  // attribute table lacks are left out.
  std::span<const uint16_t> attributesA;
  std::span<const uint16_t> attributesB;
  std::span<const uint16_t> attributesC;
  char type = 0;           // 'G' geo, 'M' meta, 'C' collection, '$' cartographic
  uint8_t primitives = 0;  // Primitive bits; 0 when the class has no geometry
};

struct Attribute {
  uint16_t code = 0;         // ATTL
  std::string_view acronym;  // empty when the catalogue names none
  std::string_view name;     // UTF-8
  char type = 0;             // 'E' 'L' 'F' 'I' 'A' 'S'; '?' when the catalogue gives none
  char attributeClass = 0;   // 'F', 'N', 'S', '$', or '?' when unknown
};

// One meaning of an enumerated (E) or list (L) attribute's value.
struct ExpectedValue {
  uint16_t attribute = 0;
  uint16_t value = 0;
  std::string_view meaning;  // UTF-8
};

// A producing agency: its AGEN code and its producer code, the two letters
// or digits that begin the names of its files.
struct Agency {
  uint16_t code = 0;
  std::string_view letters;
};

// Whole tables, sorted by code (expected values by attribute, then value).
std::span<const ObjectClass> objectClasses();
std::span<const Attribute> attributes();
std::span<const ExpectedValue> expectedValues();
std::span<const Agency> agencies();

// Null when the catalogue has no such entry. Acronyms match case-sensitively
// (DEPARE and depare are different classes); where two classes share an
// acronym the one with the lower code is found.
const ObjectClass* objectClass(uint16_t code);
const ObjectClass* objectClass(std::string_view acronym);
const Attribute* attribute(uint16_t code);
const Attribute* attribute(std::string_view acronym);

// The meaning of value for the attribute, or none.
std::optional<std::string_view> expectedValue(uint16_t attributeCode, int value);

// The producer code of the agency whose AGEN is code ("US" for 550), or none
// for a code no agency has; and whether letters are some agency's code.
std::optional<std::string_view> agency(uint16_t code);
bool isProducerCode(std::string_view letters);

}  // namespace abys::catalogue
