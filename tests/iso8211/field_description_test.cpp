#include "field_description.h"

#include <gtest/gtest.h>

#include "cell_writer.h"
#include "record_reader.h"
#include "support/stream.h"

namespace abys {
namespace {

const std::string kUt(1, cellwriter::kUnitTerminator);
const std::string kCatdNames = "RCNM!RCID!FILE!LFIL!VOLM!IMPL!SLAT!WLON!NLAT!ELON!CRCS!COMT";
const std::string kCatdFormats = "(A(2),I(10),3A,A(3),4R,2A)";

std::string description(const std::string& names, const std::string& formats) {
  return "1600;&   Some field" + kUt + names + kUt + formats;
}

TEST(FieldDescription, NamesAndWidthsOrNothing) {
  using Widths = std::vector<int>;
  const struct {
    std::string description;
    std::optional<Widths> widths;  // nothing: refused
  } cases[] = {
      {description(kCatdNames, kCatdFormats), Widths{2, 10, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0}},
      {description(kCatdNames, " " + kCatdFormats + "  "),
       Widths{2, 10, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0}},
      {description("A!B!C!D", "(b11,b24,B(40),R(4))"), Widths{1, 4, 5, 4}},
      {description("A!B!C", "(b11,2b12)"), Widths{1, 2, 2}},
      {"0000;&   CATD", std::nullopt},                       // elementary
      {description("*ATTL!ATVL", "(b12,A)"), std::nullopt},  // repeats
      {description("A!B!C", "(A,A)"), std::nullopt},
      {description("A!B", "(3A)"), std::nullopt},
      {description("A!B!C", "(A,2(A))"), std::nullopt},
      {description("A!B", "(b11,b2)"), std::nullopt},
      {description("A!B", "(b31,A)"), std::nullopt},
      {description("A!B", "(B(12),A)"), std::nullopt},
      {description("A!B", "(B,A)"), std::nullopt},
      {description("A!B", "(X,A)"), std::nullopt},
      {description("A!B", "A,A"), std::nullopt},
      {description("A!!B", "(3A)"), std::nullopt},
      {description("A!B", "(A(0),A)"), std::nullopt},
      {description("A!B", "(A(3,A)"), std::nullopt},
      {description("A", "(999999A)"), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    const auto formats = parseFieldDescription(c.description);
    ASSERT_EQ(formats.has_value(), c.widths.has_value());
    if (!formats) continue;
    Widths widths;
    for (const SubfieldFormat& f : *formats)
      widths.push_back(f.width);
    EXPECT_EQ(widths, *c.widths);
  }
  EXPECT_EQ(parseFieldDescription(description(kCatdNames, kCatdFormats))->at(5).name, "IMPL");
}

TEST(FieldDescription, SplitsDataIntoValues) {
  const auto catd = *parseFieldDescription(description(kCatdNames, kCatdFormats));
  using Values = std::vector<std::string_view>;
  const struct {
    std::string data;
    std::optional<Values> values;
  } cases[] = {
      {"CD0000000003US5\\US5.000" + kUt + "Bay" + kUt + "V01X01" + kUt + "BIN37.4" + kUt +
           "-122.4" + kUt + "37.7" + kUt + "-121.9" + kUt + "8701E8DA" + kUt + kUt,
       Values{"CD", "0000000003", "US5\\US5.000", "Bay", "V01X01", "BIN", "37.4", "-122.4", "37.7",
              "-121.9", "8701E8DA", ""}},
      // The last value may end with the field.
      {"CD0000000001A.000" + kUt + kUt + kUt + "ASC" + kUt + kUt + kUt + kUt + kUt + "x",
       Values{"CD", "0000000001", "A.000", "", "", "ASC", "", "", "", "", "", "x"}},
      {"CD0000000001A.000" + kUt + kUt + kUt + "AS", std::nullopt},
      {"CD00000", std::nullopt},
      {"CD0000000001A.000" + kUt + kUt + kUt + "ASC" + kUt + kUt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data);
    EXPECT_EQ(splitSubfields(catd, c.data), c.values);
  }
}

// With skipFirst cleared the reader gives the descriptive record's fields;
// the writer's description of DSID then cuts its DSID field into the
// subfields it wrote.
TEST(FieldDescription, DescriptiveRecordThroughTheReader) {
  cellwriter::Cell cell;
  cell.dsid.dsnm = "XY123456.000";
  const std::string bytes = cellwriter::encodeCell(cell);
  test::MemoryFile file(bytes);
  DdfReader reader;
  ddfAttach(reader);
  reader.skipFirst = false;
  std::vector<char> buffer(kTaggedFieldAreaSize);
  std::vector<std::string> tags;
  std::optional<std::vector<SubfieldFormat>> dsid;
  bool described = true;
  for (int length;
       (length = ddfReadField(reader, buffer.data(), kTaggedFieldAreaSize, file.get())) > 0;) {
    const std::string tag(buffer.data(), kTagSize);
    const std::string_view data(buffer.data() + kTaggedFieldHeaderSize,
                                static_cast<size_t>(length - kTaggedFieldHeaderSize - 1));
    tags.push_back(tag);
    if (tag == "****") described = false;
    if (tag != "DSID") continue;
    if (described) {
      dsid = parseFieldDescription(data);
      ASSERT_TRUE(dsid.has_value());
    } else {
      const auto values = splitSubfields(*dsid, data);
      ASSERT_TRUE(values.has_value());
      EXPECT_EQ((*values)[4], "XY123456.000");
      EXPECT_EQ((*values)[7], "20250101");
    }
  }
  ASSERT_GE(tags.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(tags.begin(), tags.begin() + 2),
            (std::vector<std::string>{"0000", "0001"}));
}

}  // namespace
}  // namespace abys
