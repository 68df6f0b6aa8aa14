// What an ENC asks of object classes and attributes beyond the object
// catalogue: classes and attributes it forbids, the attributes each class
// must carry, the NEWOBJ encodings it allows, the code-string attributes
// that hold one value. Tables written by hand; internal to the profile.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace abys::s58 {

// The object classes and the attributes an ENC may not use (checks 504 and
// 511), by code.
bool prohibitedClass(uint16_t objl);
bool prohibitedAttribute(uint16_t attl);

// When a mandatory attribute is asked for.
struct Condition {
  enum class Kind : uint8_t {
    Always,
    Present,     // the attribute is present
    HasValue,    // the attribute holds one of the values
    LacksValue,  // the attribute is absent or holds none of the values
    ManyValues,  // the attribute holds more than one value
  };
  Kind kind = Kind::Always;
  uint16_t attribute = 0;
  std::array<uint16_t, 6> values{};  // 0 ends the list
};

// An attribute a class must carry: present when any of anyOf is (an
// alternative such as "INFORM or TXTDSC"), asked for when the condition
// holds. Codes; 0 ends anyOf.
struct MandatoryAttribute {
  std::array<uint16_t, 4> anyOf{};
  Condition when;
};

// The mandatory attributes of a class, empty for most.
std::span<const MandatoryAttribute> mandatoryAttributes(uint16_t objl);

// The classes whose objects must be in every cell (check 505): M_COVR,
// M_NSYS and M_QUAL.
std::span<const uint16_t> mandatoryClasses();

// One allowed NEWOBJ encoding (check 566): CLSDEF, CLSNAM and SYMINS as
// written, SYMINS compared without white space.
struct NewObjectEncoding {
  std::string_view definition;
  std::string_view name;
  std::string_view symbol;
};
std::span<const NewObjectEncoding> newObjectEncodings();

// Whether a comma in a value of this code-string (A) attribute separates
// several values (dates, agency and nation codes); the others (SORIND,
// SIGSEQ, the tide tables) hold commas in their one value.
bool singleCodeString(uint16_t attl);

// The acronyms of these tables the catalogue does not know: none, unless a
// table is mistyped.
std::vector<std::string_view> unknownAcronyms();

}  // namespace abys::s58
