// The compiled-in catalogue: look-ups by code and by acronym both ways (every
// named constant among them), enumerated meanings, unknown keys, and one entry
// per data row of GDAL's tables.
#include "catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "catalogue_codes.h"

namespace abys::catalogue {
namespace {

// A class when type is one of G M C $, else an attribute; name and attributeA
// (a code in the class's A set) are checked when given.
struct Entry {
  uint16_t code;
  std::string_view acronym;
  char type;
  uint8_t primitives = 0;
  uint16_t attributeA = 0;
  const char* name = nullptr;
};

constexpr Entry kEntries[] = {
    {kCoalne, "COALNE", 'G', kLine, kObjnam},
    {kDepare, "DEPARE", 'G', kLine | kArea, kDrval2, "Depth area"},
    {kDepcnt, "DEPCNT", 'G', kLine, kValdco},
    {kDrgare, "DRGARE", 'G', kArea, kDrval1},
    {kLndare, "LNDARE", 'G', kPoint | kLine | kArea, kNobjnm},
    {kSlcons, "SLCONS", 'G', kPoint | kLine | kArea},
    {kSoundg, "SOUNDG", 'G', kPoint},
    {kUnsare, "UNSARE", 'G', kArea},
    {kMCovr, "M_COVR", 'M', kArea, 18},
    {17003, "depare", 'G', kLine | kArea, kDrval1},   // not DEPARE
    {17053, "brgare", 'G', kArea, 0, "Bridge area"},  // 20536 shares the acronym
    {kDrval1, "DRVAL1", 'F'},
    {kDrval2, "DRVAL2", 'F'},
    {kObjnam, "OBJNAM", 'S'},
    {kValdco, "VALDCO", 'F', 0, 0, "Value of depth contour"},
    {kValsou, "VALSOU", 'F'},
    {kNobjnm, "NOBJNM", 'S'},
    {17009, "marsys", 'E', 0, 0, "Marks navigational \u2013 System of"},
    {20498, "", '?'},  // "N/A": no acronym, no type
};

TEST(Catalogue, EntriesByCodeAndByAcronym) {
  auto expectEntry = [](const Entry& e, const auto* byCode, const auto* byAcronym) {
    ASSERT_NE(byCode, nullptr);
    EXPECT_EQ(byCode->acronym, e.acronym);
    EXPECT_EQ(byCode->type, e.type);
    EXPECT_TRUE(!e.name || byCode->name == e.name) << byCode->name;
    EXPECT_EQ(byAcronym, e.acronym.empty() ? nullptr : byCode);
  };
  for (const Entry& e : kEntries) {
    SCOPED_TRACE(e.code);
    if (std::string_view("GMC$").find(e.type) == std::string_view::npos) {
      expectEntry(e, attribute(e.code), attribute(e.acronym));
      continue;
    }
    const ObjectClass* c = objectClass(e.code);
    ASSERT_NE(c, nullptr);
    expectEntry(e, c, objectClass(e.acronym));
    EXPECT_EQ(c->primitives, e.primitives);
    EXPECT_EQ(std::ranges::count(c->attributesA, e.attributeA), e.attributeA ? 1 : 0);
  }
  EXPECT_FALSE(objectClass(uint16_t{999}) || objectClass("XXXXXX") || attribute("N/A"));
  // Every entry is found again by its code and its acronym: the tables are
  // sorted and the acronym indexes complete.
  for (const ObjectClass& c : objectClasses()) {
    const ObjectClass* named = objectClass(c.acronym);  // the lower code of a shared acronym
    EXPECT_TRUE(objectClass(c.code) == &c && named && named->acronym == c.acronym) << c.code;
  }
  for (const Attribute& a : attributes())
    EXPECT_TRUE(attribute(a.code) == &a && (a.acronym.empty() || attribute(a.acronym) == &a));
}

// Known values, an unknown one, and values outside 16 bits (65537 is not 1).
TEST(Catalogue, ExpectedValues) {
  const std::pair<uint16_t, int> keys[] = {{18, 1}, {75, 3},  {37, 16},
                                           {18, 3}, {18, -1}, {18, 65537}};
  std::string meanings;
  for (auto [code, value] : keys)
    meanings += std::string(expectedValue(code, value).value_or("-")) + ";";
  EXPECT_EQ(meanings, "coverage available;red;moir\u00e9 effect;-;-;-;");
}

// Data rows are those with a non-zero code; rows with code 0 are comments.
TEST(Catalogue, OneEntryPerDataRow) {
  const std::pair<const char*, size_t> tables[] = {
      {"s57objectclasses.csv", objectClasses().size()},
      {"s57attributes.csv", attributes().size()},
      {"s57expectedinput.csv", expectedValues().size()}};
  for (const auto& [file, entries] : tables) {
    std::ifstream in(std::string(ABYS_GDAL_DATA_DIR) + "/" + file);
    if (!in) GTEST_SKIP() << file << " absent from " << ABYS_GDAL_DATA_DIR;
    size_t rows = 0;
    for (std::string line; std::getline(in, line);)
      rows += line[0] >= '1' && line[0] <= '9';
    EXPECT_EQ(rows, entries) << file;
  }
}

}  // namespace
}  // namespace abys::catalogue
