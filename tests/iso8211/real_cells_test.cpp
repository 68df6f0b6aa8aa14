// Real cells written by others: every one must read to its end as a field
// stream, its field counts and identification must match the survey made
// with an independent reader (manifest.json), and every field must decode
// without the decoder ever leaving the field.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "field_stream.h"
#include "support/stream.h"

namespace abys {
namespace {

struct StreamSummary {
  int status = 0;  // 0 end of data, else the first structural problem
  std::map<std::string, int> tagCounts;
  bool ddrDeclaresWideRcnm = false;
  int expp = -1;
  int agen = -1;
  std::string dsnm;
  uint32_t comf = 0;
};

StreamSummary readCell(const std::filesystem::path& path) {
  StreamSummary s;
  // Some test cells declare DSID RCNM as b12 in their descriptive record while
  // the data keep one byte; a reader guided by the descriptive record then
  // shifts every DSID value, we do not.
  const std::string bytes = test::readFileBytes(path);
  const std::string ddr =
      bytes.substr(0, std::min<size_t>(bytes.size(), std::stoul("0" + bytes.substr(0, 5))));
  s.ddrDeclaresWideRcnm = ddr.find("\x1f(b12,b14,2b11,3A") != std::string::npos;

  FieldStream stream;
  if (!stream.open(path.c_str())) {
    s.status = -3;
    return s;
  }
  for (;;) {
    const int length = stream.next();
    if (length <= 0) {
      s.status = length < 0 ? kMalformedRecordCode : 0;
      return s;
    }
    if (stream.checkCode() == 1 || stream.checkCode() == 2) {
      s.status = stream.checkCode();
      return s;
    }
    ++s.tagCounts[std::string(stream.taggedField(), 4)];
    stream.decode();
    if (stream.type() == kFieldDSID) {
      s.expp = stream.image().dsid.expp;
      s.agen = stream.image().dsid.agen;
      s.dsnm = std::string(stream.image().dsid.dsnm);
    } else if (stream.type() == kFieldDSPM) {
      s.comf = stream.image().dspm.comf;
    }
  }
}

TEST(RealCells, ReadToTheEndAndMatchTheSurvey) {
  const auto cells = test::realCells();
  if (cells.empty()) GTEST_SKIP() << "no real cells beside the repository";
  std::ifstream manifestFile(test::realDataDir() / "manifest.json");
  const nlohmann::json manifest = nlohmann::json::parse(manifestFile);
  std::map<std::string, const nlohmann::json*> byPath;
  for (const auto& entry : manifest["files"])
    byPath[entry["path"]] = &entry;

  int compared = 0;
  for (const auto& cell : cells) {
    const std::string relative = std::filesystem::relative(cell, test::realDataDir()).string();
    SCOPED_TRACE(relative);
    const StreamSummary s = readCell(cell);
    EXPECT_EQ(s.status, 0);
    const auto it = byPath.find(relative);
    if (it == byPath.end()) continue;
    const nlohmann::json& facts = *it->second;
    std::map<std::string, int> expected;
    for (const auto& [tag, count] : facts["fields_seen"].items())
      expected[tag] = count;
    expected["****"] = expected["0001"];  // one end marker per record
    EXPECT_EQ(s.tagCounts, expected);
    if (s.ddrDeclaresWideRcnm) continue;
    EXPECT_EQ(s.expp, facts["DSID"]["EXPP"].get<int>());
    EXPECT_EQ(s.dsnm, facts["DSID"]["DSNM"].get<std::string>());
    EXPECT_EQ(s.agen, facts["DSID"]["AGEN"].get<int>());
    if (facts.contains("DSPM") && facts["DSPM"].contains("COMF")) {
      EXPECT_EQ(s.comf, facts["DSPM"]["COMF"].get<uint32_t>());
    }
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace abys
