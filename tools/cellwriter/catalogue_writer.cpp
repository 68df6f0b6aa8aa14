// The catalogue file of an exchange set, and the CRCs it gives.
#include <array>
#include <charconv>
#include <stdexcept>
#include <string>

#include "cell_writer.h"

namespace abys::cellwriter {

namespace {

// Zero-padded decimal of exactly width digits.
std::string digits(size_t value, size_t width) {
  std::string text = std::to_string(value);
  if (text.size() > width) {
    throw std::invalid_argument("catalogue entry " + text + " does not fit " +
                                std::to_string(width) + " digits");
  }
  return std::string(width - text.size(), '0') + text;
}

// Seven decimals whatever the locale.
std::string degreesText(double degrees) {
  std::array<char, 32> text{};
  const auto result =
      std::to_chars(text.data(), text.data() + text.size(), degrees, std::chars_format::fixed, 7);
  return std::string(text.data(), result.ptr);
}

}  // namespace

std::string crcText(uint32_t crc) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, crc >>= 4)
    text[static_cast<size_t>(i)] = kHex[crc & 0xF];
  return text;
}

std::string encodeCatalogue(const std::vector<CatalogueEntry>& entries) {
  const std::string ut(1, kUnitTerminator);
  std::string bytes = encodeDescriptiveRecord(
      {{"0000", "0000;&   " + ut + "0001CATD"},
       {"0001", "0100;&   ISO/IEC 8211 Record Identifier" + ut + ut + "(I(5))"},
       {"CATD", "1600;&   Catalogue Directory field" + ut +
                    "RCNM!RCID!FILE!LFIL!VOLM!IMPL!SLAT!WLON!NLAT!ELON!CRCS!COMT" + ut +
                    "(A(2),I(10),3A,A(3),4R,2A)"}});
  size_t number = 0;
  for (const CatalogueEntry& e : entries) {
    ++number;
    FieldBuilder catd;
    catd.fixed("CD", 2).fixed(digits(number, 10), 10).text(e.file).text(e.longName);
    catd.text(e.volume).fixed(e.impl, 3);
    if (e.limits) {
      for (const double degrees :
           {e.limits->south, e.limits->west, e.limits->north, e.limits->east}) {
        catd.text(degreesText(degrees));
      }
    } else {
      for (int i = 0; i < 4; ++i)
        catd.text("");
    }
    catd.text(e.crc).text(e.comment);
    Field id{"0001", FieldBuilder().fixed(digits(number, 5), 5).data()};
    bytes += encodeRecord({{std::move(id), {"CATD", catd.data()}}});
  }
  return bytes;
}

}  // namespace abys::cellwriter
