// The cell writer makes the inputs of the reader, loader and checks tests.
// Pinned here: the bytes those tests build on, and GDAL reading a whole cell
// back as the records, coordinates and attributes it was given.
#include "cell_writer.h"
#include "exchange_catalogue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "field_description.h"
#include "record_reader.h"
#include "support/stream.h"

namespace abys::cellwriter {
namespace {

using namespace std::string_literals;

// Numbers, texts and wide texts are pinned by the decoder tests that read
// them and by GDAL's reading below; fixed texts are padded or cut.
TEST(FieldBuilder, FixedTextsArePaddedOrCut) {
  EXPECT_EQ(FieldBuilder().fixed("2025", 8).fixed("123456789", 8).data(), "2025    12345678");
}

TEST(EncodeRecord, LeaderDirectoryAndLimits) {
  const std::string bytes = encodeRecord({{recordIdField(7), {"DSPM", std::string(20, 'x')}}});
  // 24 + two entries of 4 + 2 + 1 + terminator = 39, then fields of 3 and 21 bytes.
  EXPECT_EQ(bytes.substr(0, 42),
            "00063 D     00039   2104"
            "0001030DSPM213\x1e\x07\x00\x1e"s);
  EXPECT_EQ(bytes.size(), 63u);
  // The directory counts a field's own terminator, one or two bytes or none.
  EXPECT_EQ(encodeRecord({{{"NATF", "ab", "\x1e\x00"s}, {"ATTF", "cd", ""}}}).substr(24),
            "NATF40ATTF24\x1e"
            "ab\x1e\x00"
            "cd"s);

  // The smallest sizes that fit, unless the caller forces larger ones.
  const Record nine{{{"AAAA", std::string(8, 'a')}, {"BBBB", std::string(8, 'b')}}};
  const Record ten{{{"AAAA", std::string(9, 'a')}, {"BBBB", std::string(9, 'b')}}};
  EXPECT_EQ(encodeRecord(nine).substr(20, 4), "1104");
  EXPECT_EQ(encodeRecord(ten).substr(20, 4), "2204");
  EXPECT_EQ(encodeRecord(nine, 3, 4).substr(20, 26), "3404AAAA0090000BBBB0090009");
  EXPECT_THROW(encodeRecord(ten, 1, 0), std::invalid_argument);
  // Forced sizes apply to the data records; the DDR keeps the smallest.
  EXPECT_EQ(encodeFile({nine, ten}, {.lengthSize = 3, .positionSize = 4}),
            encodeDdr({nine, ten}) + encodeRecord(nine, 3, 4) + encodeRecord(ten, 3, 4));

  EXPECT_THROW(encodeRecord({{{"ABC", "x"}}}), std::invalid_argument);
  // One field of N data bytes: 35 bytes before the field area, N + 1 in it.
  EXPECT_EQ(encodeRecord({{{"SG2D", std::string(99963, 'x')}}}).size(), 99999u);
  EXPECT_THROW(encodeRecord({{{"SG2D", std::string(99964, 'x')}}}), std::length_error);
  // Asked for, the same record is written with the length 0, as writers do.
  const std::string longRecord = encodeRecord({{{"SG2D", std::string(99964, 'x')}}}, 0, 0, true);
  EXPECT_EQ(longRecord.size(), 100000u);
  EXPECT_EQ(longRecord.substr(0, 5), "00000");
}

// The b24 subfields of a field, in order.
std::vector<int32_t> b24s(const std::string& data) {
  std::vector<int32_t> values;
  for (size_t at = 0; at + 4 <= data.size(); at += 4) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
      value = value << 8 | static_cast<unsigned char>(data[at + i]);
    values.push_back(static_cast<int32_t>(value));
  }
  return values;
}

TEST(CellRecords, CoordinatesScaledAndRounded) {
  Dspm dspm;
  dspm.comf = 100;
  Vector v = isolatedNode(5, {-1.125, 2.375});
  v.soundings = {{0.004, -0.006, 12.36}};
  const Record record = vectorRecord(v, dspm, 1);  // 0001 VRID SG2D SG3D
  ASSERT_EQ(record.fields.size(), 4u);
  // YCOO first; halves round away from zero; VE3D by SOMF 10.
  EXPECT_EQ(b24s(record.fields[2].data), (std::vector<int32_t>{238, -113}));
  EXPECT_EQ(b24s(record.fields[3].data), (std::vector<int32_t>{-1, 0, 124}));
  EXPECT_THROW(vectorRecord(isolatedNode(1, {215, 0}), {}, 1), std::out_of_range);
  EXPECT_THROW(vectorRecord(isolatedNode(1, {0, NAN}), {}, 1), std::out_of_range);
}

TEST(Catalogue, CrcIsZips) {
  const struct {
    std::string bytes;
    uint32_t crc;
    const char* text;
  } cases[] = {{"", 0, "00000000"},
               {"123456789", 0xCBF43926u, "CBF43926"},
               {"The quick brown fox jumps over the lazy dog", 0x414FA339u, "414FA339"},
               {"\0\xff"s, 0x6CDBFD72u, "6CDBFD72"}};
  for (const auto& c : cases) {
    EXPECT_EQ(crc32(c.bytes), c.crc) << c.text;
    EXPECT_EQ(crcText(crc32(c.bytes)), c.text);
  }
  // Going on from the CRC of the bytes before, as a file read in pieces.
  EXPECT_EQ(crc32("56789", crc32("1234")), 0xCBF43926u);
  EXPECT_EQ(crcText(0xA), "0000000A");
}

// The reader of the project gives each entry back subfield by subfield, as
// its description in the descriptive record cuts it.
TEST(Catalogue, EntriesReadBackByTheirDescription) {
  const std::vector<CatalogueEntry> entries = {
      {.file = "CATALOG.031", .impl = "ASC"},
      {.file = "AA5ABY11\\AA5ABY11.000",
       .longName = "Harbour",
       .limits = Limits{-41.25, -70.5, -41.0000001, 139.1234567},
       .crc = crcText(0x1234ABCD)},
  };
  const std::string bytes = encodeCatalogue(entries);
  std::FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
  ASSERT_NE(file, nullptr);
  DdfReader reader;
  ddfAttach(reader);
  reader.skipFirst = false;
  std::optional<std::vector<SubfieldFormat>> catd;
  std::vector<std::vector<std::string>> values;
  std::vector<std::string> recordIds;
  DdfField field;
  while (ddfNextField(reader, file, field) > 0) {
    const std::string tag(field.tag, static_cast<size_t>(field.tagLength));
    const std::string_view data(field.data, static_cast<size_t>(field.dataLength));
    if (tag == "CATD" && !catd) {
      catd = parseFieldDescription(data);
    } else if (tag == "CATD") {
      const auto split = splitSubfields(*catd, data);
      ASSERT_TRUE(split);
      values.emplace_back(split->begin(), split->end());
    } else if (tag == "0001" && catd) {
      recordIds.emplace_back(data);
    }
  }
  std::fclose(file);
  ASSERT_TRUE(catd);
  std::vector<std::string> names;
  for (const SubfieldFormat& f : *catd)
    names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"RCNM", "RCID", "FILE", "LFIL", "VOLM", "IMPL", "SLAT",
                                             "WLON", "NLAT", "ELON", "CRCS", "COMT"}));
  using Values = std::vector<std::string>;
  EXPECT_EQ(values,
            (std::vector<Values>{
                {"CD", "0000000001", "CATALOG.031", "", "V01X01", "ASC", "", "", "", "", "", ""},
                {"CD", "0000000002", "AA5ABY11\\AA5ABY11.000", "Harbour", "V01X01", "BIN",
                 "-41.2500000", "-70.5000000", "-41.0000001", "139.1234567", "1234ABCD", ""}}));
  EXPECT_EQ(recordIds, (Values{"00001", "00002"}));
}

// The first feature of a layer in ogrinfo -al output, its lines.
std::string firstFeature(const std::string& output, const std::string& layer) {
  const size_t at = output.find("OGRFeature(" + layer + "):");
  return at == std::string::npos ? "" : output.substr(at, output.find("\n\n", at) - at) + "\n";
}

TEST(GdalOracle, ReadsTheCellBack) {
  if (std::system("ogrinfo --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ogrinfo";

  Cell cell;
  cell.vectors = {isolatedNode(1, {139.8, 35.5}),
                  soundingNode(2, {{139.81, 35.51, 12.3}, {139.82, 35.52, 5.5}}),
                  connectedNode(11, {139.7, 35.4}), connectedNode(12, {139.9, 35.6}),
                  connectedNode(13, {139.6, 35.3}),
                  edge(21, 11, 12, {{139.75, 35.45}, {139.85, 35.55}}),
                  // Coverage: a closed edge round the cell from and to one node.
                  edge(23, 13, 13, {{140.0, 35.3}, {140.0, 35.7}, {139.6, 35.7}})};
  cell.features = {
      {.rcid = 1, .objl = 43, .attributes = {{174, "10"}}, .spatialPointers = {{.rcid = 21}}},
      {.rcid = 2,
       .prim = 1,
       .objl = 71,
       .attributes = {{116, "Tokyo"}},
       .nationalAttributes = {{301, u"東京湾"}, {300, u"名前"}},
       .featurePointers = {{.fidn = 1}},
       .spatialPointers = {{.rcnm = 110, .rcid = 1}}},
      {.rcid = 3, .prim = 1, .objl = 129, .spatialPointers = {{.rcnm = 110, .rcid = 2}}},
      {.rcid = 4,
       .prim = 3,
       .objl = 302,
       .attributes = {{18, "1"}},
       .spatialPointers = {{.rcid = 23, .usag = 1}}}};

  // A folder of its own, so that GDAL finds no update files beside the cell.
  std::string folder = (std::filesystem::temp_directory_path() / "abys-gdal-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const std::string path = folder + "/ABYS0001.000";
  ASSERT_TRUE(writeFile(path, encodeCell(cell)));
  const std::string command =
      "OGR_S57_OPTIONS=RETURN_PRIMITIVES=ON,RETURN_LINKAGES=ON,LNAM_REFS=ON ogrinfo -ro -al '" +
      path + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  const std::string output = test::readStream(pipe);
  const int status = pclose(pipe);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(status == 0 && output.find("ERROR") == std::string::npos &&
              output.find("Warning") == std::string::npos)
      << output;

  std::string counts, line;
  for (std::stringstream lines(output); std::getline(lines, line);) {
    if (line.starts_with("Layer name: ")) counts += line.substr(12) + ":";
    if (line.starts_with("Feature Count: ")) counts += line.substr(15) + " ";
  }
  EXPECT_EQ(
      counts,
      "DSID:1 IsolatedNode:2 ConnectedNode:3 Edge:2 Face:0 DEPCNT:1 LNDARE:1 SOUNDG:1 M_COVR:1 ");

  // The first feature of a layer: fields as NAME=VALUE separated by spaces,
  // and the coordinates of its geometry.
  const struct {
    const char *layer, *fields;
    std::vector<double> coordinates;
  } expected[] = {
      {"DSID",
       "DSID_DSNM=ABYS0001.000 DSSI_NALL=2 DSSI_NOMR=1 DSSI_NOGR=3 DSSI_NOIN=2 DSSI_NOCN=3 "
       "DSSI_NOED=2 DSPM_COMF=10000000",
       {}},
      {"IsolatedNode", "RCID=1", {139.8, 35.5}},
      {"Edge",
       "RCID=21 NAME_RCID_0=11 TOPI_0=1 NAME_RCID_1=12 TOPI_1=2",
       {139.75, 35.45, 139.85, 35.55}},
      // The feature's line runs from node to node through the edge.
      {"DEPCNT",
       "VALDCO=10 LNAM=021C000000010001",
       {139.7, 35.4, 139.75, 35.45, 139.85, 35.55, 139.9, 35.6}},
      {"LNDARE",
       "OBJNAM=Tokyo NOBJNM=東京湾 NINFOM=名前 LNAM_REFS=(1:021C000000010001) FFPT_RIND=(1:2) "
       "NAME_RCNM=(1:110)",
       {139.8, 35.5}},
      {"SOUNDG", "", {139.81, 35.51, 12.3, 139.82, 35.52, 5.5}},
      {"M_COVR", "CATCOV=1", {139.6, 35.3, 140.0, 35.3, 140.0, 35.7, 139.6, 35.7, 139.6, 35.3}},
  };
  static const std::regex geometry(R"(\n  (MULTI)?(POINT|LINESTRING|POLYGON)\b.*)");
  static const std::regex number(R"(-?[0-9.]+)");
  for (const auto& e : expected) {
    SCOPED_TRACE(e.layer);
    const std::string feature = firstFeature(output, e.layer);
    std::stringstream fields(e.fields);
    for (std::string pair; fields >> pair;) {
      const std::string name = pair.substr(0, pair.find('='));
      const size_t at = feature.find("\n  " + name + " (");
      const size_t value = feature.find(") = ", at) + 4;
      EXPECT_EQ(at == std::string::npos
                    ? "<missing>"
                    : name + "=" + feature.substr(value, feature.find('\n', value) - value),
                pair);
    }
    std::smatch m;
    std::regex_search(feature, m, geometry);
    const std::string wkt = m.empty() ? "" : m.str();
    std::vector<double> numbers;
    for (std::sregex_iterator it(wkt.begin(), wkt.end(), number), end; it != end; ++it)
      numbers.push_back(std::stod(it->str()));
    ASSERT_EQ(numbers.size(), e.coordinates.size()) << wkt;
    for (size_t i = 0; i < numbers.size(); ++i)
      EXPECT_NEAR(numbers[i], e.coordinates[i], 1e-7) << wkt;
  }
}

}  // namespace
}  // namespace abys::cellwriter
