#include "field_description.h"

namespace abys {
namespace {

constexpr char kUnitTerminator = 0x1f;
// A width or a repeat count has at most five digits: no field is longer.
constexpr int kMaxDigits = 5;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads up to kMaxDigits digits at pos; -1 when there is none.
int readNumber(std::string_view text, size_t& pos) {
  int value = -1;
  for (int digits = 0; digits < kMaxDigits && pos < text.size() && isDigit(text[pos]); ++digits) {
    value = (value < 0 ? 0 : value * 10) + (text[pos++] - '0');
  }
  return value;
}

// The subfield formats of "(A(2),I(10),3A,b14,B(40))", at most limit of
// them.
std::optional<std::vector<SubfieldFormat>> parseFormats(std::string_view text, size_t limit) {
  if (text.size() < 2 || text.front() != '(' || text.back() != ')') return std::nullopt;
  text = text.substr(1, text.size() - 2);
  std::vector<SubfieldFormat> formats;
  size_t pos = 0;
  while (pos < text.size()) {
    const int repeat = readNumber(text, pos);
    if (pos >= text.size()) return std::nullopt;
    SubfieldFormat format{.name = {}, .type = text[pos++], .width = 0};
    if (format.type == 'b') {
      // b1W unsigned, b2W signed, of W bytes.
      if (pos + 2 > text.size() || (text[pos] != '1' && text[pos] != '2') || text[pos + 1] < '1' ||
          text[pos + 1] > '8') {
        return std::nullopt;
      }
      format.width = text[pos + 1] - '0';
      pos += 2;
    } else if (std::string_view("AIRSCB").find(format.type) != std::string_view::npos) {
      if (pos < text.size() && text[pos] == '(') {
        ++pos;
        format.width = readNumber(text, pos);
        if (format.width <= 0 || pos >= text.size() || text[pos++] != ')') return std::nullopt;
      }
      if (format.type == 'B') {
        // A bit field, given in bits.
        if (format.width <= 0 || format.width % 8 != 0) return std::nullopt;
        format.width /= 8;
      }
    } else {
      return std::nullopt;  // nested formats among them
    }
    if (pos < text.size() && text[pos++] != ',') return std::nullopt;
    const size_t copies = repeat < 0 ? 1 : static_cast<size_t>(repeat);
    if (copies == 0 || copies > limit - formats.size()) return std::nullopt;
    formats.insert(formats.end(), copies, format);
  }
  return formats;
}

}  // namespace

size_t subfieldIndex(const std::vector<SubfieldFormat>& formats, std::string_view name) {
  for (size_t i = 0; i < formats.size(); ++i) {
    if (formats[i].name == name) return i;
  }
  return formats.size();
}

std::string_view trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<std::vector<SubfieldFormat>> parseFieldDescription(std::string_view description) {
  const size_t namesAt = description.find(kUnitTerminator);
  if (namesAt == std::string_view::npos) return std::nullopt;
  const size_t formatsAt = description.find(kUnitTerminator, namesAt + 1);
  if (formatsAt == std::string_view::npos) return std::nullopt;
  const std::string_view names = description.substr(namesAt + 1, formatsAt - namesAt - 1);
  if (names.empty() || names.front() == '*') return std::nullopt;

  std::vector<std::string> split;
  for (size_t start = 0;;) {
    const size_t end = names.find('!', start);
    split.emplace_back(names.substr(start, end - start));
    if (split.back().empty()) return std::nullopt;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  std::optional<std::vector<SubfieldFormat>> formats =
      parseFormats(trimmed(description.substr(formatsAt + 1)), split.size());
  if (!formats || formats->size() != split.size()) return std::nullopt;
  for (size_t i = 0; i < split.size(); ++i)
    (*formats)[i].name = std::move(split[i]);
  return formats;
}

std::optional<std::vector<std::string_view>> splitSubfields(
    const std::vector<SubfieldFormat>& formats, std::string_view data) {
  std::vector<std::string_view> values;
  size_t pos = 0;
  for (size_t i = 0; i < formats.size(); ++i) {
    const size_t width = static_cast<size_t>(formats[i].width);
    if (width > 0) {
      if (data.size() - pos < width) return std::nullopt;
      values.push_back(data.substr(pos, width));
      pos += width;
      continue;
    }
    const size_t end = data.find(kUnitTerminator, pos);
    if (end == std::string_view::npos) {
      if (i + 1 < formats.size()) return std::nullopt;
      values.push_back(data.substr(pos));
      pos = data.size();
    } else {
      values.push_back(data.substr(pos, end - pos));
      pos = end + 1;
    }
  }
  return values;
}

}  // namespace abys
