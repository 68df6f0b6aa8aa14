// The S-58 checks of the exchange set, on small exchange sets built in a
// temporary folder (ENC_ROOT, its catalogue, a cell and its files), changed
// one way per case; and on a cell given alone, where only what the cell
// says of itself is judged.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue.h"
#include "cell_writer.h"
#include "profile.h"
#include "support/load.h"
#include "support/s58_findings.h"
#include "update_files.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;
namespace fs = std::filesystem;

const std::set<std::string> kExchangeChecks = {"531",   "1011",  "1012",  "1013", "1014",
                                               "1015",  "1016",  "1017",  "1023", "1024a",
                                               "1024b", "1518a", "1518b", "1523b"};

constexpr uint16_t kTxtdsc = 158;
constexpr uint16_t kPicrep = 120;
constexpr uint16_t kCatcov = 18;

// CRC-32 bit by bit, to write the catalogue's CRCs.
uint32_t crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0xEDB88320u : 0);
  }
  return ~crc;
}

TEST(S58ExchangeChecks, CrcOfTheTestsIsTheStandardOne) {
  EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
}

std::string hex(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// The coverage of the cell: one ring of edge 13 around node 11,
// 139.0-139.5 E, 35.0-35.5 N; a light at node 21 naming the cell's files.
cw::Cell baseCell() {
  cw::Cell cell;
  cell.dsid.dsnm = "GB5EXSET.000";
  cell.vectors = {cw::connectedNode(11, {139.0, 35.0}),
                  cw::edge(13, 11, 11, {{139.0, 35.5}, {139.5, 35.5}, {139.5, 35.0}}),
                  cw::isolatedNode(21, {139.2, 35.2})};
  cell.features = {
      {.rcid = 1,
       .prim = 3,
       .grup = 1,
       .objl = 302,
       .attributes = {{kCatcov, "1"}},
       .spatialPointers = {{.rcid = 13}}},
      {.rcid = 2, .prim = 1, .objl = 75, .spatialPointers = {{.rcnm = 110, .rcid = 21}}}};
  return cell;
}

// A file beside the cell and listed in the catalogue (unless not listed).
struct SetFile {
  std::string name;
  std::string bytes;
  std::string impl = "TXT";
  bool listed = true;
  std::optional<std::string> crc{};  // in the catalogue; the file's own when none
};

// One catalogue entry as it is written.
struct Entry {
  std::string file{};
  std::string impl{};
  std::string volume = "V01X01";
  std::array<std::string, 4> limits{};
  std::string crc{};
  std::string extra{};  // raw bytes after the last subfield
};

std::string catalogueBytes(const std::vector<Entry>& entries) {
  const std::string ut(1, cw::kUnitTerminator);
  std::string bytes = cw::encodeDescriptiveRecord(
      {{"0000", "0000;&   " + ut + "0001CATD"},
       {"0001", "0100;&   ISO/IEC 8211 Record Identifier" + ut + ut + "(I(5))"},
       {"CATD", "1600;&   Catalogue Directory Field" + ut +
                    "RCNM!RCID!FILE!LFIL!VOLM!IMPL!SLAT!WLON!NLAT!ELON!CRCS!COMT" + ut +
                    "(A(2),I(10),3A,A(3),4R,2A)"}});
  int id = 0;
  for (const Entry& e : entries) {
    ++id;
    cw::FieldBuilder catd;
    catd.fixed("CD", 2).fixed(std::string(9, '0') + std::to_string(id), 10).text(e.file).text("");
    catd.text(e.volume).fixed(e.impl, 3);
    for (const std::string& limit : e.limits)
      catd.text(limit);
    catd.text(e.crc).text("").bytes(e.extra);
    bytes += cw::encodeRecord(
        {{{"0001", cw::FieldBuilder().fixed("0000" + std::to_string(id), 5).data()},
          {"CATD", catd.data()}}});
  }
  return bytes;
}

std::string degrees(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7f", value);
  return text;
}

// An exchange set, as it should be unless a case changes it: ENC_ROOT
// holding CATALOG.031, README.TXT and the folder GB5EXSET with the cell.
struct Layout {
  bool alone = false;  // the cell alone in the folder, no exchange set
  std::string rootName = "ENC_ROOT";
  std::string cellName = "GB5EXSET";
  bool withCatalogue = true;
  bool catalogueAboveRoot = false;
  std::string readmeIn = "ENC_ROOT";  // the folder holding README.TXT
  std::string readmeImpl = "TXT";     // its IMPL in the catalogue
  std::string updateIn;               // where the update goes: beside the cell when empty
  std::string volume = "V01X01";
  std::optional<std::string> crc;  // of the cell; its own when none
  std::array<double, 4> limits = {35.0, 139.0, 35.5, 139.5};
  std::string extra;                         // after the cell's CATD subfields
  std::optional<std::string> catalogueText;  // the catalogue's bytes, instead of the written one
  std::optional<double> updateEast;          // the update's limits' east, in the catalogue
  std::vector<SetFile> files;
  std::vector<std::string> listedTwice;   // names the catalogue lists again, in another folder
  std::vector<std::string> textNames;     // TXTDSC of the light
  std::vector<std::string> pictureNames;  // PICREP of the light
};

// "check" or "check FE..." for each finding of this group.
std::multiset<std::string> findingsOf(const Layout& layout, const cw::Cell& base,
                                      const std::optional<cw::Cell>& update) {
  test::TempFolder temp;
  const fs::path top = temp.path();
  const fs::path root = top / layout.rootName;
  const fs::path folder = layout.alone ? top : root / layout.cellName;
  fs::create_directories(folder);
  cw::Cell cell = base;
  for (const std::string& name : layout.textNames)
    cell.features[1].attributes.push_back({kTxtdsc, name});
  for (const std::string& name : layout.pictureNames)
    cell.features[1].attributes.push_back({kPicrep, name});
  const std::string cellBytes = cw::encodeCell(cell);
  const std::string path = (folder / (layout.cellName + ".000")).string();
  cw::writeFile(path, cellBytes);
  std::string updateBytes;
  if (update) {
    updateBytes = cw::encodeCell(*update);
    const fs::path updateFolder = layout.updateIn.empty() ? folder : top / layout.updateIn;
    cw::writeFile((updateFolder / (layout.cellName + ".001")).string(), updateBytes);
  }
  for (const SetFile& f : layout.files)
    cw::writeFile((folder / f.name).string(), f.bytes);
  if (!layout.alone) {
    cw::writeFile((top / layout.readmeIn / "README.TXT").string(), "Read me.\n");
    std::vector<Entry> entries = {{.file = "CATALOG.031", .impl = "ASC"}};
    Entry cellEntry{.file = layout.cellName + "\\" + layout.cellName + ".000",
                    .impl = "BIN",
                    .volume = layout.volume,
                    .crc = layout.crc.value_or(hex(crc32(cellBytes))),
                    .extra = layout.extra};
    for (int i = 0; i < 4; ++i)
      cellEntry.limits[i] = degrees(layout.limits[i]);
    entries.push_back(cellEntry);
    if (update) {
      Entry updateEntry = cellEntry;
      updateEntry.file = layout.cellName + "\\" + layout.cellName + ".001";
      updateEntry.crc = hex(crc32(updateBytes));
      updateEntry.extra.clear();
      updateEntry.limits[3] = degrees(layout.updateEast.value_or(layout.limits[3]));
      entries.push_back(updateEntry);
    }
    entries.push_back({.file = "README.TXT", .impl = layout.readmeImpl});
    for (const SetFile& f : layout.files) {
      if (f.listed)
        entries.push_back({.file = layout.cellName + "\\" + f.name,
                           .impl = f.impl,
                           .crc = f.crc.value_or(hex(crc32(f.bytes)))});
    }
    for (const std::string& name : layout.listedTwice)
      entries.push_back({.file = "OTHER\\" + name, .impl = "TXT"});
    if (layout.withCatalogue) {
      const fs::path at = layout.catalogueAboveRoot ? top : root;
      cw::writeFile((at / "CATALOG.031").string(),
                    layout.catalogueText.value_or(catalogueBytes(entries)));
    }
  }

  std::multiset<std::string> found;
  for (const S58Finding& f : test::s58FindingsAt(path)) {
    std::string line(f.check->number);
    if (!kExchangeChecks.contains(line)) continue;
    for (const RecordKey& key : f.records)
      line += " " + recordName(key);
    found.insert(line);
  }
  return found;
}

// The update of the coverage: a second ring east of the first, to 140.0 E.
cw::Cell widerCoverage() {
  cw::Cell cell = cw::updateCell(1);
  cell.vectors = {cw::connectedNode(31, {139.5, 35.0}),
                  cw::edge(33, 31, 31, {{139.5, 35.5}, {140.0, 35.5}, {140.0, 35.0}})};
  cell.features = {{.rcid = 30,
                    .prim = 3,
                    .grup = 1,
                    .objl = 302,
                    .attributes = {{kCatcov, "1"}},
                    .spatialPointers = {{.rcid = 33}}}};
  return cell;
}

// An update that changes no coverage: a second light.
cw::Cell anotherLight() {
  cw::Cell cell = cw::updateCell(1);
  cell.vectors = {cw::isolatedNode(41, {139.3, 35.3})};
  cell.features = {
      {.rcid = 40, .prim = 1, .objl = 75, .spatialPointers = {{.rcnm = 110, .rcid = 41}}}};
  return cell;
}

const std::string kTiff = std::string("II*\0", 4) + "rest of a picture";
const std::string kPng = "\x89PNG\r\n\x1a\nrest of a picture";

TEST(S58ExchangeChecks, EachDefectItsFinding) {
  using Change = std::function<void(Layout&, cw::Cell&)>;
  const struct {
    const char* what;
    Change change;
    std::optional<cw::Cell> update;
    std::multiset<std::string> expected;
  } cases[] = {
      {"a clean exchange set", {}, {}, {}},
      {"a clean update", {}, anotherLight(), {}},
      {"a cell alone, of any name",
       [](Layout& l, cw::Cell&) {
         l.alone = true;
         l.cellName = "GEN";
       },
       {},
       {}},
      // File names.
      {"navigational purpose 7",
       [](Layout& l, cw::Cell&) { l.cellName = "GB7EXSET"; },
       {},
       {"531"}},
      {"a name of seven characters",
       [](Layout& l, cw::Cell&) { l.cellName = "GB5EXSE"; },
       {},
       {"531"}},
      {"no producer's code",
       [](Layout& l, cw::Cell&) { l.cellName = "005EXSET"; },
       {},
       {"531", "1518b"}},
      {"another agency's code",
       [](Layout& l, cw::Cell&) { l.cellName = "US5EXSET"; },
       {},
       {"1518b"}},
      {"an agency S-62 does not list",
       [](Layout&, cw::Cell& c) { c.dsid.agen = 65534; },
       {},
       {"1518a", "1518b"}},
      {"an agency S-62 does not list, alone",
       [](Layout& l, cw::Cell& c) {
         l.alone = true;
         c.dsid.agen = 65534;
       },
       {},
       {"1518a"}},
      // Dates.
      {"issued before the application date",
       [](Layout&, cw::Cell& c) { c.dsid.isdt = "20241231"; },
       {},
       {"1523b"}},
      {"issued before the application date, alone",
       [](Layout& l, cw::Cell& c) {
         l.alone = true;
         c.dsid.isdt = "20241231";
       },
       {},
       {"1523b"}},
      {"issued after the application date",
       [](Layout&, cw::Cell& c) { c.dsid.isdt = "20250102"; },
       {},
       {}},
      // Folders and the catalogue.
      {"no catalogue", [](Layout& l, cw::Cell&) { l.withCatalogue = false; }, {}, {"1012"}},
      {"the catalogue beside the root",
       [](Layout& l, cw::Cell&) { l.catalogueAboveRoot = true; },
       {},
       {"1014"}},
      {"the root renamed", [](Layout& l, cw::Cell&) { l.rootName = "ENC_FILE"; }, {}, {"1014"}},
      {"the README beside the root", [](Layout& l, cw::Cell&) { l.readmeIn = "."; }, {}, {"1014"}},
      {"the update beside the root",
       [](Layout& l, cw::Cell&) { l.updateIn = "."; },
       anotherLight(),
       {"1014"}},
      {"volume W01X01", [](Layout& l, cw::Cell&) { l.volume = "W01X01"; }, {}, {"1013"}},
      {"volume 2 of 1", [](Layout& l, cw::Cell&) { l.volume = "V02X01"; }, {}, {"1013"}},
      {"volume 2 of 3", [](Layout& l, cw::Cell&) { l.volume = "V02X03"; }, {}, {}},
      {"a wrong CRC", [](Layout& l, cw::Cell&) { l.crc = "D908D0BE"; }, {}, {"1016"}},
      {"a CRC that is no number", [](Layout& l, cw::Cell&) { l.crc = "61.17884"; }, {}, {"1016"}},
      {"a subfield too many",
       [](Layout& l, cw::Cell&) { l.extra = "61.1788444" + std::string(1, cw::kUnitTerminator); },
       {},
       {"1017"}},
      {"an IMPL of control characters",
       [](Layout& l, cw::Cell&) { l.readmeImpl = "\x01??"; },
       {},
       {"1017"}},
      {"a catalogue that is no ISO 8211 file",
       [](Layout& l, cw::Cell&) { l.catalogueText = "CATALOGUE\n"; },
       {},
       {"1017"}},
      // Limits.
      {"limits a degree east", [](Layout& l, cw::Cell&) { l.limits[3] = 140.5; }, {}, {"1024a"}},
      {"limits off by their rounding",
       [](Layout& l, cw::Cell&) { l.limits[0] = 35.0000001; },
       {},
       {}},
      {"an update widening the coverage", {}, widerCoverage(), {"1024b"}},
      {"an update whose limits differ",
       [](Layout& l, cw::Cell&) { l.updateEast = 140.0; },
       anotherLight(),
       {"1024b"}},
      {"the base's limits differ, its update's too",
       [](Layout& l, cw::Cell&) {
         l.limits[3] = 140.5;
         l.updateEast = 140.5;
       },
       anotherLight(),
       {"1024a"}},
      // Text and picture files.
      {"text and picture files there",
       [](Layout& l, cw::Cell&) {
         l.files = {{"GBTEXT01.TXT", "Text.\n"}, {"GBPICT01.TIF", kTiff, "TIF"}};
         l.textNames = {"GBTEXT01.TXT"};
         l.pictureNames = {"GBPICT01.TIF"};
       },
       {},
       {}},
      {"a text file whose CRC is wrong",
       [](Layout& l, cw::Cell&) {
         l.files = {{.name = "GBTEXT01.TXT", .bytes = "Text.\n", .crc = "F049F597"}};
         l.textNames = {"GBTEXT01.TXT"};
       },
       {},
       {"1016"}},
      {"an empty text file of CRC 0",
       [](Layout& l, cw::Cell&) {
         l.files = {{.name = "GBTEXT01.TXT", .bytes = "", .crc = "0"}};
         l.textNames = {"GBTEXT01.TXT"};
       },
       {},
       {}},
      {"a text file beside the cell the catalogue does not list",
       [](Layout& l, cw::Cell&) {
         l.files = {{.name = "GBTEXT01.TXT", .bytes = "Text.\n", .listed = false}};
         l.textNames = {"GBTEXT01.TXT"};
       },
       {},
       {}},
      {"a text file absent",
       [](Layout& l, cw::Cell&) { l.textNames = {"GBTEXT02.TXT"}; },
       {},
       {"1011 FE0000000002"}},
      {"a text file listed but absent",
       [](Layout& l, cw::Cell&) {
         l.listedTwice = {"GBTEXT02.TXT"};
         l.textNames = {"GBTEXT02.TXT"};
       },
       {},
       {"1011 FE0000000002"}},
      {"a text file of a short name",
       [](Layout& l, cw::Cell&) {
         l.files = {{"GB400E.TXT", "Text.\n"}};
         l.textNames = {"GB400E.TXT"};
       },
       {},
       {"1011 FE0000000002"}},
      {"a text file without extension",
       [](Layout& l, cw::Cell&) {
         l.files = {{"GBBRIDGE", "Text.\n"}};
         l.textNames = {"GBBRIDGE"};
       },
       {},
       {"1011 FE0000000002", "1015 FE0000000002"}},
      {"a text file of another extension",
       [](Layout& l, cw::Cell&) {
         l.files = {{"GBTEXT01.DOC", "Text.\n"}};
         l.textNames = {"GBTEXT01.DOC"};
       },
       {},
       {"1015 FE0000000002"}},
      {"a text file the catalogue lists twice",
       [](Layout& l, cw::Cell&) {
         l.files = {{"GBTEXT01.TXT", "Text.\n"}};
         l.listedTwice = {"GBTEXT01.TXT"};
         l.textNames = {"GBTEXT01.TXT"};
       },
       {},
       {"1015 FE0000000002"}},
      {"a picture in PNG",
       [](Layout& l, cw::Cell&) {
         l.files = {{"GBPICT01.PNG", kPng, "PNG"}};
         l.pictureNames = {"GBPICT01.PNG"};
       },
       {},
       {"1023 FE0000000002"}},
      {"a PNG picture named TIF",
       [](Layout& l, cw::Cell&) {
         l.files = {{"GBPICT01.TIF", kPng, "TIF"}};
         l.pictureNames = {"GBPICT01.TIF"};
       },
       {},
       {"1023 FE0000000002"}},
      {"a picture without extension, absent",
       [](Layout& l, cw::Cell&) { l.pictureNames = {"12BRIDGE"}; },
       {},
       {"1011 FE0000000002", "1015 FE0000000002", "1023 FE0000000002"}},
      {"a text file absent, the cell alone",
       [](Layout& l, cw::Cell&) {
         l.alone = true;
         l.textNames = {"GBTEXT02.TXT"};
       },
       {},
       {}},
      {"a text file of a short name, the cell alone",
       [](Layout& l, cw::Cell&) {
         l.alone = true;
         l.textNames = {"GB400E.TXT"};
       },
       {},
       {"1011 FE0000000002"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Layout layout;
    cw::Cell cell = baseCell();
    if (c.change) c.change(layout, cell);
    EXPECT_EQ(findingsOf(layout, cell, c.update), c.expected);
  }
}

// A cell alone beside a folder named ENC_ROOT was meant to be in it.
TEST(S58ExchangeChecks, ACellBesideARootFolder) {
  test::TempFolder temp;
  fs::create_directories(temp.path() + "/ENC_ROOT");
  const std::string path = temp.writeBytes(cw::encodeCell(baseCell()), "GB5EXSET.000");
  Dataset chart;
  const int status = test::load(chart, path).status;
  std::multiset<std::string> found;
  for (const S58Finding& f : runS58Profile({chart, path, status, nullptr})) {
    if (kExchangeChecks.contains(std::string(f.check->number)))
      found.insert(std::string(f.check->number));
  }
  EXPECT_EQ(found, std::multiset<std::string>{"1014"});
}

// The agencies: the producer code of an AGEN, and none for GDAL's
// placeholder of an unknown producer or a code no agency has.
TEST(S58ExchangeChecks, AgencyCodes) {
  const struct {
    uint16_t code;
    const char* letters;
  } cases[] = {{550, "US"}, {540, "GB"}, {1810, "AA"}, {7196, "1C"}, {65534, ""}, {0, ""}, {9, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(std::string(catalogue::agency(c.code).value_or("")), c.letters);
  }
  EXPECT_TRUE(catalogue::isProducerCode("GB"));
  EXPECT_FALSE(catalogue::isProducerCode("0_"));
  EXPECT_FALSE(catalogue::isProducerCode("00"));
}

}  // namespace
}  // namespace abys
