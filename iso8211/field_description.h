// The subfields of a field as the data descriptive record describes them,
// for fields the decoders do not know (an exchange set's catalogue): names
// from the array descriptor, widths from the format controls, and a field's
// data cut into one value per subfield.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace abys {

struct SubfieldFormat {
  std::string name;  // from the array descriptor: "FILE"
  char type = 'A';   // A, I, R, S, C (text), B (bits) or b (binary number)
  int width = 0;     // bytes; 0 when the value ends at a unit terminator
};

// Reads a field's description (its field's data in the descriptive record,
// the field terminator dropped): field controls and name, array descriptor
// and format controls, separated by unit terminators. Nothing when there is
// no array descriptor (an elementary field), the field repeats ("*" before
// the names), a format is nested or unknown, or names and formats differ in
// number.
std::optional<std::vector<SubfieldFormat>> parseFieldDescription(std::string_view description);

// Cuts a field's data (the field terminator dropped) into one value per
// subfield: fixed widths as they stand, the others up to their unit
// terminator, which is dropped (the last may end with the data instead).
// Nothing when the data ends before the last subfield.
std::optional<std::vector<std::string_view>> splitSubfields(
    const std::vector<SubfieldFormat>& formats, std::string_view data);

// The position of the subfield called name among formats; formats.size()
// when there is none.
size_t subfieldIndex(const std::vector<SubfieldFormat>& formats, std::string_view name);

// A value without the spaces that pad it on either side.
std::string_view trimmed(std::string_view text);

}  // namespace abys
