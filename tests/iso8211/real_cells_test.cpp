// Real cells written by others: every one must read to its end as a field
// stream, and its field counts and identification must match the survey
// made with an independent reader (manifest.json). The sanitizer build sees
// any decoder leaving its field.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "field_stream.h"
#include "support/stream.h"

namespace abys {
namespace {

TEST(RealCells, ReadToTheEndAndMatchTheSurvey) {
  const auto cells = test::realCells();
  if (cells.empty()) GTEST_SKIP() << "no real cells beside the repository";
  std::ifstream manifestFile(test::realDataDir() / "manifest.json");
  const nlohmann::json manifest = nlohmann::json::parse(manifestFile);
  std::map<std::string, nlohmann::json> survey;
  for (const nlohmann::json& entry : manifest["files"])
    survey[entry["path"]] = entry;

  int compared = 0;
  for (const auto& cell : cells) {
    const std::string relative = std::filesystem::relative(cell, test::realDataDir()).string();
    SCOPED_TRACE(relative);
    const auto facts = survey.find(relative);
    // Some cells declare DSID RCNM as b12 in their descriptive record while
    // the data keep one byte; a reader guided by the descriptive record then
    // shifts every DSID value, we do not.
    const std::string bytes = test::readFileBytes(cell);
    const std::string ddr = bytes.substr(0, std::stoul("0" + bytes.substr(0, 5)));
    const bool identification =
        facts != survey.end() && ddr.find("\x1f(b12,b14,2b11,3A") == std::string::npos;

    FieldStream stream;
    ASSERT_TRUE(stream.open(cell.c_str()));
    std::map<std::string, int> tags;
    int length = 0;
    for (length = stream.next(); length > 0; length = stream.next()) {
      if (stream.checkCode() == 1 || stream.checkCode() == 2) break;
      ++tags[std::string(stream.taggedField(), 4)];
      stream.decode();
      if (!identification) continue;
      const nlohmann::json& f = facts->second;
      if (stream.type() == kFieldDSID) {
        const DsidImage& dsid = stream.image().dsid;
        EXPECT_EQ(dsid.expp, f["DSID"]["EXPP"].get<int>());
        EXPECT_EQ(dsid.dsnm, f["DSID"]["DSNM"].get<std::string>());
        EXPECT_EQ(dsid.agen, f["DSID"]["AGEN"].get<int>());
        ++compared;
      } else if (stream.type() == kFieldDSPM && f.contains("DSPM") && f["DSPM"].contains("COMF")) {
        EXPECT_EQ(stream.image().dspm.comf, f["DSPM"]["COMF"].get<uint32_t>());
      }
    }
    EXPECT_EQ(length, 0);  // the end of data, not a structural problem
    if (facts == survey.end()) continue;
    auto expected = facts->second["fields_seen"].get<std::map<std::string, int>>();
    expected["****"] = expected["0001"];  // one end marker per record
    EXPECT_EQ(tags, expected);
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace abys
