// Tests of the cell writer: subfield bytes, record layout, the DDR, the S-57
// model, and GDAL reading a cell back.
#include "cell_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace abys::cellwriter {
namespace {

using namespace std::string_literals;
using Tags = std::vector<std::string>;

// An independent walk over ISO 8211 bytes that notes every breach of the
// layout a reader relies on.
struct WalkedRecord {
  std::string leader;
  std::vector<Field> fields;  // terminator as found
};

struct Walk {
  std::vector<WalkedRecord> records;
  std::vector<std::string> problems;
};

int number(const std::string& s, size_t at, size_t width) {
  int value = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    value = value * 10 + (s[i] - '0');
  }
  return value;
}

Walk walk(const std::string& file) {
  Walk w;
  for (size_t at = 0; at < file.size();) {
    auto problem = [&](const std::string& what) {
      w.problems.push_back("record " + std::to_string(w.records.size()) + ": " + what);
    };
    const int length = file.size() - at >= 24 ? number(file, at, 5) : -1;
    if (length < 25 || at + length > file.size()) {
      problem("record length does not match the bytes");
      break;
    }
    const std::string record = file.substr(at, length);
    at += length;
    WalkedRecord& walked = w.records.emplace_back(WalkedRecord{record.substr(0, 24), {}});
    const int base = number(record, 12, 5);
    const int entrySize = 4 + (record[20] - '0') + (record[21] - '0');
    if (record.substr(22, 2) != "04") problem("entry map does not end in 04");
    if (base < 25 || base > length || (base - 25) % entrySize != 0 || record[base - 1] != 0x1e) {
      problem("directory and base address disagree");
      continue;
    }
    int end = 0;
    for (int e = 24; e + entrySize < base; e += entrySize) {
      const std::string tag = record.substr(e, 4);
      const int fieldLength = number(record, e + 4, record[20] - '0');
      const int position = number(record, e + 4 + (record[20] - '0'), record[21] - '0');
      if (fieldLength < 1 || position != end || base + position + fieldLength > length) {
        problem(tag + " is not where the directory says");
        break;
      }
      end = position + fieldLength;
      const std::string bytes = record.substr(base + position, fieldLength);
      const size_t terminator = tag == "NATF" && bytes.ends_with("\x1e\0"s) ? 2 : 1;
      if (bytes[bytes.size() - terminator] != 0x1e) problem(tag + " does not end with 0x1e");
      walked.fields.push_back({tag, bytes.substr(0, bytes.size() - terminator),
                               bytes.substr(bytes.size() - terminator)});
    }
    if (base + end != length) problem("bytes after the last field");
  }
  return w;
}

template <typename R>
Tags tagsOf(const R& record) {
  Tags tags;
  for (const auto& f : record.fields)
    tags.push_back(f.tag);
  return tags;
}

template <typename R>
std::string dataOf(const R& record, const std::string& tag) {
  for (const auto& f : record.fields) {
    if (f.tag == tag) return f.data;
  }
  return "<missing>";
}

uint32_t le(const std::string& data, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(data[at + i]);
  return value;
}

int32_t b24At(const std::string& data, size_t at) {
  return static_cast<int32_t>(le(data, at, 4));
}

// ---------------------------------------------------------------------------

TEST(FieldBuilder, Subfields) {
  EXPECT_EQ(FieldBuilder().b11(0xab).b12(0x1234).b14(0x89abcdef).b24(-2).data(),
            "\xab\x34\x12\xef\xcd\xab\x89\xfe\xff\xff\xff"s);
  EXPECT_EQ(FieldBuilder().text("AB").text("").data(), "AB\x1f\x1f");
  EXPECT_EQ(FieldBuilder().fixed("2025", 8).fixed("123456789", 8).data(), "2025    12345678");
  EXPECT_EQ(FieldBuilder().wideText(u"東湾").wideText(u"").data(),  // U+6771, U+6E7E
            "\x71\x67\x7e\x6e\x1f\x00\x1f\x00"s);
}

TEST(EncodeRecord, LeaderAndDirectory) {
  const std::string bytes = encodeRecord({{recordIdField(7), {"DSPM", std::string(20, 'x')}}});
  // 24 + two entries of 4 + 2 + 1 + terminator = 39, then fields of 3 and 21 bytes.
  EXPECT_EQ(bytes.substr(0, 39),
            "00063 D     00039   2104"
            "0001030DSPM213\x1e");
  EXPECT_EQ(bytes.size(), 63u);
  EXPECT_EQ(bytes.substr(39, 3), "\x07\x00\x1e"s);

  const std::string custom = encodeRecord({{{"NATF", "ab", "\x1e\x00"s}, {"ATTF", "cd", ""}}});
  EXPECT_EQ(custom.substr(24),
            "NATF40ATTF24\x1e"
            "ab\x1e\x00"
            "cd"s);
}

TEST(EncodeRecord, DirectorySizes) {
  const Record nine{{{"AAAA", std::string(8, 'a')}, {"BBBB", std::string(8, 'b')}}};
  const Record ten{{{"AAAA", std::string(9, 'a')}, {"BBBB", std::string(9, 'b')}}};
  EXPECT_EQ(encodeRecord(nine).substr(20, 4), "1104");
  EXPECT_EQ(encodeRecord(ten).substr(20, 4), "2204");
  EXPECT_EQ(encodeRecord(nine, 3, 4).substr(20, 26), "3404AAAA0090000BBBB0090009");
  EXPECT_THROW(encodeRecord(ten, 1, 0), std::invalid_argument);
  EXPECT_THROW(encodeRecord(nine, 10, 0), std::invalid_argument);

  // Forced sizes apply to the data records; the DDR keeps the smallest.
  const std::string file = encodeFile({nine, ten}, {.lengthSize = 3, .positionSize = 4});
  EXPECT_EQ(file, encodeDdr({nine, ten}) + encodeRecord(nine, 3, 4) + encodeRecord(ten, 3, 4));
  EXPECT_EQ(encodeFile({nine}, {.withDdr = false}), encodeRecord(nine));
}

TEST(EncodeRecord, Limits) {
  EXPECT_THROW(encodeRecord({{{"ABC", "x"}}}), std::invalid_argument);
  // One field of N data bytes: 35 bytes before the field area, N + 1 in it.
  EXPECT_EQ(encodeRecord({{{"SG2D", std::string(99963, 'x')}}}).size(), 99999u);
  EXPECT_THROW(encodeRecord({{{"SG2D", std::string(99964, 'x')}}}), std::length_error);
  EXPECT_EQ(encodeRecord({}), "00025 D     00025   1104\x1e");
}

TEST(EncodeDdr, DescribesTheUsedTagsInTreeOrder) {
  const std::vector<Record> records{
      {{recordIdField(1), {"FRID", "x"}, {"XXXX", "y"}, {"ATTF", "z"}}},
      {{recordIdField(2), {"FRID", "x"}, {"FSPT", "w"}}},
  };
  const std::string ddr = encodeDdr(records);
  EXPECT_EQ(ddr.substr(5, 7), "3LE1 09");
  EXPECT_EQ(ddr.substr(17, 3), " ! ");
  const Walk w = walk(ddr);
  ASSERT_TRUE(w.problems.empty()) << w.problems.front();
  ASSERT_EQ(w.records.size(), 1u);
  const WalkedRecord& r = w.records[0];
  EXPECT_EQ(tagsOf(r), (Tags{"0000", "0001", "FRID", "ATTF", "FSPT", "XXXX"}));
  EXPECT_EQ(dataOf(r, "0000"),
            "0000;&   \x1f"
            "0001FRIDFRIDATTFFRIDFSPT");
  EXPECT_EQ(dataOf(r, "0001"), "0500;&   ISO 8211 Record Identifier\x1f\x1f(b12)");
  EXPECT_EQ(dataOf(r, "FRID"),
            "1600;&   Feature record identifier field\x1f"
            "RCNM!RCID!PRIM!GRUP!OBJL!RVER!RUIN\x1f(b11,b14,2b11,2b12,b11)");
  EXPECT_EQ(dataOf(r, "XXXX"), "0000;&   XXXX");

  const Walk all = walk(encodeDdr({}, {.allDescriptions = true, .nationalLevel = 2}));
  ASSERT_TRUE(all.problems.empty());
  EXPECT_EQ(all.records.at(0).fields.size(), 20u);
  EXPECT_EQ(dataOf(all.records[0], "NATF").substr(0, 9), "2600;&%/A");
  EXPECT_EQ(dataOf(all.records[0], "ATTF").substr(0, 9), "2600;&   ");
}

// ---------------------------------------------------------------------------

Cell sampleCell() {
  Cell cell;
  cell.vectors.push_back(isolatedNode(1, {139.8, 35.5}));
  cell.vectors.push_back(soundingNode(2, {{139.81, 35.51, 12.3}, {139.82, 35.52, 5.5}}));
  cell.vectors.push_back(connectedNode(11, {139.7, 35.4}));
  cell.vectors.push_back(connectedNode(12, {139.9, 35.6}));
  cell.vectors.push_back(edge(21, 11, 12, {{139.75, 35.45}, {139.85, 35.55}}));
  cell.features.push_back(
      {.rcid = 1, .objl = 43, .attributes = {{174, "10"}}, .spatialPointers = {{.rcid = 21}}});
  cell.features.push_back({.rcid = 2,
                           .prim = 1,
                           .objl = 71,
                           .attributes = {{116, "Tokyo"}},
                           .nationalAttributes = {{301, u"東京湾"}, {300, u"名前"}},
                           .featurePointers = {{.fidn = 1}},
                           .spatialPointers = {{.rcnm = 110, .rcid = 1}}});
  cell.features.push_back(
      {.rcid = 3, .prim = 1, .objl = 129, .spatialPointers = {{.rcnm = 110, .rcid = 2}}});
  return cell;
}

TEST(EncodeCell, EveryRecordIsWellFormedAndNumbered) {
  Cell cell = sampleCell();
  Vector longEdge = edge(22, 11, 12, {});
  longEdge.coordinates.assign(2000, {139.8, 35.5});
  cell.vectors.push_back(longEdge);

  const Walk w = walk(encodeCell(cell));
  ASSERT_TRUE(w.problems.empty()) << w.problems.front();
  Tags second;
  for (size_t i = 1; i < w.records.size(); ++i) {
    EXPECT_EQ(w.records[i].leader.substr(5, 7), " D     ");
    ASSERT_GE(w.records[i].fields.size(), 2u);
    EXPECT_EQ(w.records[i].fields[0].tag, "0001");
    EXPECT_EQ(le(w.records[i].fields[0].data, 0, 2), i);
    second.push_back(w.records[i].fields[1].tag);
  }
  EXPECT_EQ(second, (Tags{"DSID", "DSPM", "VRID", "VRID", "VRID", "VRID", "VRID", "VRID", "FRID",
                          "FRID", "FRID"}));
  EXPECT_EQ(tagsOf(w.records[1]), (Tags{"0001", "DSID", "DSSI"}));
  EXPECT_EQ(w.records[8].leader.substr(20), "5204");  // SG2D of 16,001 bytes at position 31
  EXPECT_EQ(dataOf(w.records[0], "ATTF").substr(6, 3), "-A ");

  cell.withDspm = false;
  EXPECT_EQ(cellRecords(cell)[1].fields[1].tag, "VRID");

  longEdge.coordinates.assign(12500, {139.8, 35.5});
  cell.vectors.push_back(longEdge);
  EXPECT_THROW(encodeCell(cell), std::length_error);
}

TEST(CellRecords, DatasetRecord) {
  Cell cell = sampleCell();
  cell.dsid.comt = "hi";
  cell.vectors.push_back({.rcnm = 140, .rcid = 90});
  for (uint16_t objl : {302, 400, 500, 30011})
    cell.features.push_back({.objl = objl});
  const Record record = datasetRecord(cell, 1);
  EXPECT_EQ(dataOf(record, "DSID"),
            "\x0a\x01\x00\x00\x00\x01\x05"
            "ABYS0001.000\x1f"
            "1\x1f"
            "0\x1f"
            "2025010120250101"
            "03.1"
            "\x01\x1f"
            "2.0\x1f"
            "\x01\x1c\x02"
            "hi\x1f"s);
  // DSTR AALL NALL, then NOMR NOCR NOGR NOLR NOIN NOCN NOED NOFA.
  const std::string dssi = dataOf(record, "DSSI");
  ASSERT_EQ(dssi.size(), 35u);
  EXPECT_EQ(dssi.substr(0, 3), "\x02\x01\x02");
  std::vector<uint32_t> counts;
  for (size_t at = 3; at < 35; at += 4)
    counts.push_back(le(dssi, at, 4));
  EXPECT_EQ(counts, (std::vector<uint32_t>{1, 1, 4, 1, 2, 2, 1, 1}));

  cell.dssi.autoCounts = false;
  cell.dssi.nomr = 77;
  EXPECT_EQ(le(dataOf(datasetRecord(cell, 1), "DSSI"), 3, 4), 77u);
}

TEST(CellRecords, CoordinatesAreScaledRoundedAndYFirst) {
  Dspm dspm;
  dspm.comf = 100;
  Vector v = isolatedNode(5, {-1.125, 2.375});
  v.soundings = {{0.004, -0.006, 12.36}};
  const Record record = vectorRecord(v, dspm, 1);
  EXPECT_EQ(tagsOf(record), (Tags{"0001", "VRID", "SG2D", "SG3D"}));
  const std::string sg2d = dataOf(record, "SG2D");
  ASSERT_EQ(sg2d.size(), 8u);
  EXPECT_EQ(b24At(sg2d, 0), 238);   // YCOO first
  EXPECT_EQ(b24At(sg2d, 4), -113);  // halves round away from zero
  const std::string sg3d = dataOf(record, "SG3D");
  ASSERT_EQ(sg3d.size(), 12u);
  EXPECT_EQ(b24At(sg3d, 0), -1);
  EXPECT_EQ(b24At(sg3d, 4), 0);
  EXPECT_EQ(b24At(sg3d, 8), 124);  // VE3D by SOMF 10

  EXPECT_EQ(b24At(dataOf(vectorRecord(isolatedNode(1, {139.8, -35.5}), {}, 1), "SG2D"), 4),
            1398000000);
  EXPECT_THROW(vectorRecord(isolatedNode(1, {215, 0}), {}, 1), std::out_of_range);
  EXPECT_THROW(vectorRecord(isolatedNode(1, {0, NAN}), {}, 1), std::out_of_range);
}

TEST(CellRecords, OptionalFieldsAndFieldOrder) {
  Vector e = edge(21, 11, 12, {});
  EXPECT_EQ(tagsOf(vectorRecord(e, {}, 1)), (Tags{"0001", "VRID", "VRPT"}));
  e.attributes = {{187, "x"}};
  e.vrpc = UpdateControl{.instruction = 3, .index = 2, .count = 1};
  e.sgcc = UpdateControl{};
  e.coordinates = {{1, 1}};
  const Record vector = vectorRecord(e, {}, 1);
  EXPECT_EQ(tagsOf(vector), (Tags{"0001", "VRID", "ATTV", "VRPC", "VRPT", "SGCC", "SG2D"}));
  EXPECT_EQ(dataOf(vector, "VRPC"), "\x03\x02\x00\x01\x00"s);

  Cell cell;
  Feature f{.rcid = 0x01020304, .prim = 3, .grup = 1, .objl = 302, .fids = 9};
  Record feature = featureRecord(f, cell, 1);
  EXPECT_EQ(tagsOf(feature), (Tags{"0001", "FRID", "FOID"}));
  EXPECT_EQ(dataOf(feature, "FRID"), "\x64\x04\x03\x02\x01\x03\x01\x2e\x01\x01\x00\x01"s);
  EXPECT_EQ(dataOf(feature, "FOID"), "\x1c\x02\x04\x03\x02\x01\x09\x00"s);  // FIDN = RCID

  f.withFoid = false;
  f.attributes = {{174, "5"}};
  f.featurePointers = {{.comt = "c"}};
  f.spatialPointers = {{.rcid = 7}};
  f.ffpc = UpdateControl{};
  f.fspc = UpdateControl{};
  feature = featureRecord(f, cell, 1);
  EXPECT_EQ(tagsOf(feature), (Tags{"0001", "FRID", "ATTF", "FFPC", "FFPT", "FSPC", "FSPT"}));
  EXPECT_EQ(dataOf(feature, "FFPT"),
            "\x1c\x02\x00\x00\x00\x00\x01\x00\x02"
            "c\x1f"s);
}

TEST(CellRecords, NationalAttributesFollowNall) {
  Cell cell;
  const Feature f{.rcid = 1, .nationalAttributes = {{301, u"Aé東"}, {300, u""}}};
  const Field wide = featureRecord(f, cell, 1).fields.back();
  EXPECT_EQ(wide.data,
            "\x2d\x01"
            "A\x00\xe9\x00\x71\x67\x1f\x00"
            "\x2c\x01\x1f\x00"s);
  EXPECT_EQ(wide.terminator, "\x1e\x00"s);

  cell.wideNationalTerminator = false;
  EXPECT_EQ(featureRecord(f, cell, 1).fields.back().terminator, "\x1e");

  cell.dssi.nall = 1;
  const Field narrow = featureRecord(f, cell, 1).fields.back();
  EXPECT_EQ(narrow.data,
            "\x2d\x01"
            "A\xe9?\x1f"
            "\x2c\x01\x1f"s);
  EXPECT_EQ(narrow.terminator, "\x1e");
}

std::string readAll(std::FILE* file) {
  std::string bytes;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.append(buffer, n);
  return bytes;
}

std::string readFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "<unreadable>";
  std::string bytes = readAll(file);
  std::fclose(file);
  return bytes;
}

TEST(WriteFile, ReplacesTheFileOrReportsFailure) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("abys_cellwriter_" + std::to_string(getpid()) + ".bin"))
                               .string();
  ASSERT_TRUE(writeFile(path, "a\0b\x1e"s));
  EXPECT_EQ(readFile(path), "a\0b\x1e"s);
  ASSERT_TRUE(writeFile(path, "x"));
  EXPECT_EQ(readFile(path), "x");
  std::filesystem::remove(path);
  EXPECT_FALSE(writeFile("/nonexistent-directory/x.000", "x"));
}

// ---------------------------------------------------------------------------
// GDAL as an independent reader.

std::string findOgrinfo() {
  if (access("/usr/bin/ogrinfo", X_OK) == 0) return "/usr/bin/ogrinfo";
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (!dir.empty() && access((dir + "/ogrinfo").c_str(), X_OK) == 0) return dir + "/ogrinfo";
  }
  return "";
}

struct OgrFeature {
  std::map<std::string, std::string> fields;
  std::string geometry;

  std::string field(const std::string& name) const {
    auto it = fields.find(name);
    return it != fields.end() ? it->second : "<missing>";
  }
};

struct OgrLayer {
  int featureCount = -1;
  std::vector<OgrFeature> features;
};

// The layers of ogrinfo -al output by name.
std::map<std::string, OgrLayer> parseOgrinfo(const std::string& text) {
  static const std::regex fieldLine(R"(^  ([A-Za-z0-9_]+) \([A-Za-z]+\) = (.*)$)");
  static const std::regex geometryLine(R"(^  ((MULTI)?(POINT|LINESTRING|POLYGON)\b.*)$)");
  std::map<std::string, OgrLayer> layers;
  OgrLayer* layer = nullptr;
  OgrFeature* feature = nullptr;
  std::stringstream lines(text);
  std::smatch m;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Layer name: ")) {
      layer = &layers[line.substr(12)];
      feature = nullptr;
    } else if (layer != nullptr && line.starts_with("Feature Count: ")) {
      layer->featureCount = std::stoi(line.substr(15));
    } else if (layer != nullptr && line.starts_with("OGRFeature(")) {
      feature = &layer->features.emplace_back();
    } else if (feature != nullptr && std::regex_match(line, m, fieldLine)) {
      feature->fields[m[1]] = m[2];
    } else if (feature != nullptr && std::regex_match(line, m, geometryLine)) {
      feature->geometry = m[1];
    }
  }
  return layers;
}

void expectCoordinates(const std::string& wkt, const std::vector<double>& expected) {
  static const std::regex numberPattern(R"(-?[0-9]+(\.[0-9]+)?(e-?[0-9]+)?)");
  std::vector<double> actual;
  for (auto it = std::sregex_iterator(wkt.begin(), wkt.end(), numberPattern);
       it != std::sregex_iterator(); ++it) {
    actual.push_back(std::stod(it->str()));
  }
  ASSERT_EQ(actual.size(), expected.size()) << wkt;
  for (size_t i = 0; i < actual.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], 1e-7) << wkt;
}

const OgrFeature* withRcid(const OgrLayer& layer, const std::string& rcid) {
  for (const auto& f : layer.features) {
    if (f.field("RCID") == rcid) return &f;
  }
  return nullptr;
}

TEST(GdalOracle, ReadsTheCellBack) {
  const std::string ogrinfo = findOgrinfo();
  if (ogrinfo.empty()) GTEST_SKIP() << "ogrinfo not installed";

  Cell cell = sampleCell();
  // Coverage: a closed edge round the cell from and to one connected node.
  cell.vectors.push_back(connectedNode(13, {139.6, 35.3}));
  cell.vectors.push_back(edge(23, 13, 13, {{140.0, 35.3}, {140.0, 35.7}, {139.6, 35.7}}));
  cell.features.push_back({.rcid = 4,
                           .prim = 3,
                           .grup = 1,
                           .objl = 302,
                           .attributes = {{18, "1"}},
                           .spatialPointers = {{.rcid = 23, .usag = 1}}});

  // A directory of its own, so that GDAL finds no update files beside the cell.
  const auto directory =
      std::filesystem::temp_directory_path() / ("abys_oracle_" + std::to_string(getpid()));
  const std::string path = (directory / "ABYS0001.000").string();
  const std::string messagesPath = (directory / "messages.txt").string();
  std::filesystem::create_directories(directory);
  ASSERT_TRUE(writeFile(path, encodeCell(cell)));
  const std::string command =
      "OGR_S57_OPTIONS=RETURN_PRIMITIVES=ON,RETURN_LINKAGES=ON,LNAM_REFS=ON '" + ogrinfo +
      "' -ro -al '" + path + "' 2>'" + messagesPath + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  const std::string output = readAll(pipe);
  const int status = pclose(pipe);
  const std::string messages = readFile(messagesPath);
  std::filesystem::remove_all(directory);
  ASSERT_EQ(status, 0) << messages;
  EXPECT_EQ(messages, "");

  const auto layers = parseOgrinfo(output);
  const std::map<std::string, int> counts{{"DSID", 1},   {"IsolatedNode", 2}, {"ConnectedNode", 3},
                                          {"Edge", 2},   {"DEPCNT", 1},       {"LNDARE", 1},
                                          {"SOUNDG", 1}, {"M_COVR", 1}};
  for (const auto& [name, count] : counts) {
    ASSERT_TRUE(layers.count(name)) << "no layer " << name << "\n" << output;
    EXPECT_EQ(layers.at(name).featureCount, count) << name;
    EXPECT_EQ(static_cast<int>(layers.at(name).features.size()), count) << name;
  }

  const OgrFeature& dsid = layers.at("DSID").features.at(0);
  EXPECT_EQ(dsid.field("DSID_DSNM"), "ABYS0001.000");
  EXPECT_EQ(dsid.field("DSSI_NALL"), "2");
  EXPECT_EQ(dsid.field("DSSI_NOIN"), "2");
  EXPECT_EQ(dsid.field("DSSI_NOED"), "2");
  EXPECT_EQ(dsid.field("DSPM_COMF"), "10000000");

  const OgrFeature* node = withRcid(layers.at("IsolatedNode"), "1");
  ASSERT_NE(node, nullptr);
  expectCoordinates(node->geometry, {139.8, 35.5});
  const OgrFeature* e = withRcid(layers.at("Edge"), "21");
  ASSERT_NE(e, nullptr);
  expectCoordinates(e->geometry, {139.75, 35.45, 139.85, 35.55});
  EXPECT_EQ(e->field("NAME_RCID_0") + "/" + e->field("TOPI_0"), "11/1");
  EXPECT_EQ(e->field("NAME_RCID_1") + "/" + e->field("TOPI_1"), "12/2");

  // The feature's line runs from node to node through the edge.
  const OgrFeature& depcnt = layers.at("DEPCNT").features.at(0);
  expectCoordinates(depcnt.geometry, {139.7, 35.4, 139.75, 35.45, 139.85, 35.55, 139.9, 35.6});
  EXPECT_EQ(depcnt.field("VALDCO"), "10");
  EXPECT_EQ(depcnt.field("LNAM"), "021C000000010001");

  const OgrFeature& land = layers.at("LNDARE").features.at(0);
  expectCoordinates(land.geometry, {139.8, 35.5});
  EXPECT_EQ(land.field("OBJNAM"), "Tokyo");
  EXPECT_EQ(land.field("NOBJNM"), "東京湾");
  EXPECT_EQ(land.field("NINFOM"), "名前");
  EXPECT_EQ(land.field("LNAM_REFS"), "(1:021C000000010001)");
  EXPECT_EQ(land.field("FFPT_RIND"), "(1:2)");
  EXPECT_EQ(land.field("NAME_RCNM"), "(1:110)");

  expectCoordinates(layers.at("SOUNDG").features.at(0).geometry,
                    {139.81, 35.51, 12.3, 139.82, 35.52, 5.5});

  const OgrFeature& coverage = layers.at("M_COVR").features.at(0);
  EXPECT_EQ(coverage.field("CATCOV"), "1");
  expectCoordinates(coverage.geometry,
                    {139.6, 35.3, 140.0, 35.3, 140.0, 35.7, 139.6, 35.7, 139.6, 35.3});
}

}  // namespace
}  // namespace abys::cellwriter
