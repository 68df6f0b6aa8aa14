#include "load_driver.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "cell_writer.h"
#include "support/load.h"

namespace abys {
namespace {

using cellwriter::Cell;
using cellwriter::Feature;
using cellwriter::Field;
using cellwriter::FieldBuilder;
using cellwriter::Record;

const std::string kCompleted = "Loading S-57 Binary File (DDF) Completed!\n";
const std::string kFailed = "Loading S-57 Binary File (DDF) Failed, Invalid Format!\n";
const std::string kTolerances = "DELTA = 0.0000450000  EPS = 0.0000000500\n";

std::string countLines(int features, int vectors, int points, int nodes, int edges,
                       const char* x = "0.0000000 - 0.0000000",
                       const char* y = "0.0000000 - 0.0000000") {
  return formatMessage(
      "Number of Feature Record = %d\nNumber of Vector  Record = %d\n"
      "        Number of Points = %d\n        Number of Nodes  = %d\n"
      "        Number of Edges  = %d\nMinimum and Maximum X    = ( %s )\n"
      "Minimum and Maximum Y    = ( %s )\n",
      features, vectors, points, nodes, edges, x, y);
}

// The fractions a complete load of file reports: one after the descriptive
// record and one after every field, each the share of the file read through
// the field's record; 1.0 alone for an empty file.
std::vector<double> progressOf(const std::string& file) {
  if (file.empty()) return {1.0};
  const auto size = static_cast<double>(file.size());
  size_t end = std::stoul(file.substr(0, 5));
  std::vector<double> fractions = {static_cast<double>(end) / size};
  while (end < file.size()) {
    const size_t entrySize = 4 + static_cast<size_t>(file[end + 20] - '0' + file[end + 21] - '0');
    const size_t fields = (std::stoul(file.substr(end + 12, 5)) - 25) / entrySize + 1;  // and ****
    end += std::stoul(file.substr(end, 5));
    fractions.insert(fractions.end(), fields, static_cast<double>(end) / size);
  }
  return fractions;
}

struct LoadCase {
  const char* what;
  std::string bytes;
  int status;
  int32_t exchangePurpose;
  int32_t kept;     // features and vector records
  std::string log;  // after the opening line
  std::string stderrText = "";
};

LoadCase cellCase(const char* what, const Cell& cell, const std::string& log) {
  const auto records = static_cast<int32_t>(cell.features.size() + cell.vectors.size());
  return {what, cellwriter::encodeCell(cell), 0, cell.dsid.expp, records, log};
}

std::vector<LoadCase> cases() {
  Cell revision;
  revision.dsid.expp = 2;
  Cell edition;
  edition.dspm.comf = 10000000;
  edition.dspm.cscl = 50000;
  edition.vectors = {cellwriter::connectedNode(1, {139.5, 35.25}),
                     cellwriter::connectedNode(2, {139.75, 35.5}), cellwriter::edge(3, 1, 2, {}),
                     cellwriter::isolatedNode(4, {139.0, 35.0}),
                     cellwriter::Vector{.rcnm = 140, .rcid = 5, .coordinates = {{140, 34.5}}}};
  edition.features = {Feature{.rcid = 1, .objl = 30011, .spatialPointers = {{.rcid = 3}}}};
  const std::string empty = cellwriter::encodeCell(Cell{});
  const std::string ddr = empty.substr(0, std::stoul(empty.substr(0, 5)));
  const std::string none = kCompleted + countLines(0, 0, 0, 0, 0);
  const std::string editionCounts =
      countLines(1, 5, 1, 2, 1, "139.0000000 - 140.0000000", "34.5000000 - 35.5000000");
  Cell raw;  // before any parameter record coordinates stay unscaled
  raw.withDspm = false;
  raw.dspm.comf = 10;
  raw.vectors.push_back(cellwriter::isolatedNode(1, {2, 5}));
  const std::string rawCounts =
      countLines(0, 1, 1, 0, 0, "20.0000000 - 20.0000000", "50.0000000 - 50.0000000");

  // A node and a feature. Fields: 1-4 DSID record, 5-7 DSPM record, 8-11 the
  // node (0001 VRID SG2D ****), 12-17 the feature.
  Cell small;
  small.vectors.push_back(cellwriter::connectedNode(1, {139.5, 35.25}));
  small.features.push_back(Feature{.rcid = 9, .prim = 3, .objl = 302});
  const std::vector<Record> records = cellwriter::cellRecords(small);
  std::vector<Record> unknownTag = records;
  unknownTag[2].fields.insert(unknownTag[2].fields.begin() + 2, Field{"XXXX", "abc"});
  std::vector<Record> outOfOrder = records;
  outOfOrder[2].fields.pop_back();  // the node ends after VRID: field 10 is the marker
  const std::string whole = cellwriter::encodeFile(records);
  // A FRID with RCNM 110 is reported under the record assembled before it;
  // RCIDs above 2^31 print as negative numbers in the decimal part.
  std::vector<Record> badFrid = records;
  badFrid[3].fields[1].data[0] = 110;
  std::vector<Record> bigRcid = badFrid;
  bigRcid[2].fields[1].data = FieldBuilder().b11(120).b14(4000000000u).b12(1).b11(1).data();
  const std::string smallCounts =
      countLines(1, 1, 0, 1, 0, "139.5000000 - 139.5000000", "35.2500000 - 35.2500000") +
      kTolerances;

  return {
      {"empty file", "", 0, 0, 0, none},
      {"descriptive record only", ddr, 0, 0, 0, none},
      {"descriptive record damaged", "x" + empty.substr(1), 8, 0, 0,
       "Error at 1 Error Code = 8\n" + kFailed},
      cellCase("revision", revision, none),
      cellCase("new edition", Cell{}, none + kTolerances),
      cellCase("counts and extent", edition, kCompleted + editionCounts + kTolerances),
      cellCase("no parameter record", raw,
               kCompleted + rawCounts + "DELTA = 0.0000000000  EPS = 0.5000000000\n"),
      {"unknown tag", cellwriter::encodeFile(unknownTag), 6, 1, 1,
       "Error at 10 Error Code = 6\n" + kFailed + kTolerances},
      {"out of order", cellwriter::encodeFile(outOfOrder), 7, 1, 1,
       "Error at 10 Error Code = 7\n" + kFailed + kTolerances, "P = 12, C = 19\n"},
      {"record cut short", whole.substr(0, whole.size() - 3), 8, 1, 1,
       "Error at 12 Error Code = 8\n" + kFailed + kTolerances},
      {"decode error", cellwriter::encodeFile(badFrid), 0, 1, 2,
       "Error 153 RCNM 120(78) RCID 0000000001(0001)\n" + kCompleted + smallCounts},
      {"RCID above 2^31", cellwriter::encodeFile(bigRcid), 0, 1, 2,
       "Error 153 RCNM 120(78) RCID -294967296(ee6b2800)\n" + kCompleted + smallCounts},
  };
}

// Failed loads keep the records assembled before the failure. Every load
// reads the same under a decimal-comma locale; releaseDataset empties the
// dataset for another load, and a load without log and progress sinks ends
// alike.
TEST(LoadCell, StatusMessagesProgressAndWhatIsKept) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    if (std::setlocale(LC_ALL, locale) == nullptr) {
      std::printf("locale %s is not installed\n", locale);
      continue;
    }
    for (const LoadCase& c : cases()) {
      SCOPED_TRACE(std::string(locale) + ", " + c.what);
      test::TempFile file(c.bytes);
      Dataset d;
      testing::internal::CaptureStderr();
      const test::LoadResult r = test::load(d, file.path());
      EXPECT_EQ(testing::internal::GetCapturedStderr(), c.stderrText);
      EXPECT_EQ(r.status, c.status);
      EXPECT_EQ(r.exchangePurpose, c.exchangePurpose);
      EXPECT_EQ(r.log,
                "Loading S-57 Binary File (DDF) " + file.path() + " ... Please Wait !\n" + c.log);
      EXPECT_EQ(d.features.count + d.vectorCount, c.kept);
      if (c.status == 0) {
        EXPECT_EQ(r.progress, progressOf(c.bytes));
      }
      EXPECT_EQ(test::invariantViolations(d), "");

      releaseDataset(d);
      EXPECT_EQ(d.features.count + d.isolatedNodes.count + d.connectedNodes.count + d.edges.count,
                0);
      EXPECT_EQ(test::invariantViolations(d), "");
      EXPECT_EQ(d.dsid.dsnm, "");
      EXPECT_EQ(d.arena.allocations(), 0);
      int32_t exchangePurpose = 0;
      testing::internal::CaptureStderr();
      EXPECT_EQ(loadCell(d, file.path().c_str(), exchangePurpose, {}, {}), c.status);
      testing::internal::GetCapturedStderr();
      EXPECT_EQ(d.features.count + d.vectorCount, c.kept);
    }
  }
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace abys
