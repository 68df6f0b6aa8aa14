#include "load_driver.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "cell_writer.h"
#include "record_assembly.h"
#include "support/load.h"

namespace abys {
namespace {

using cellwriter::Cell;
using cellwriter::Feature;
using cellwriter::Field;
using cellwriter::FieldBuilder;
using cellwriter::Record;

const char* const kCompleted = "Loading S-57 Binary File (DDF) Completed!\n";
const char* const kFailed = "Loading S-57 Binary File (DDF) Failed, Invalid Format!\n";

std::string opening(const std::string& path) {
  return "Loading S-57 Binary File (DDF) " + path + " ... Please Wait !\n";
}

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

TEST(LoadCell, MissingFileAndDirectoryWriteNothing) {
  Dataset d;
  test::LoadResult r = test::load(d, "/nonexistent/CELL.000");
  EXPECT_EQ(r.status, kCannotOpen);
  EXPECT_EQ(r.log, "");
  EXPECT_EQ(r.exchangePurpose, 0);
  EXPECT_EQ(d.extentsEmpty, 1);
  EXPECT_EQ(d.dspm.comf, 1u);

  r = test::load(d, std::filesystem::temp_directory_path().string());
  EXPECT_EQ(r.status, kCannotOpen);
  EXPECT_EQ(r.log, "");
}

TEST(LoadCell, EmptyFileAndDescriptiveRecordOnlyComplete) {
  Dataset d;
  test::TempFile empty("");
  test::LoadResult r = test::load(d, empty.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.log, opening(empty.path()) + kCompleted + countLines(0, 0, 0, 0, 0));
  EXPECT_EQ(r.progress, std::vector<double>{1.0});

  const std::string file = cellwriter::encodeCell(Cell{});
  test::TempFile ddrOnly(file.substr(0, std::stoul(file.substr(0, 5))));
  r = test::load(d, ddrOnly.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.log, opening(ddrOnly.path()) + kCompleted + countLines(0, 0, 0, 0, 0));
  ASSERT_FALSE(r.progress.empty());
  EXPECT_EQ(r.progress.back(), 1.0);
}

TEST(LoadCell, CountsExtentAndTolerancesOfANewEdition) {
  Cell cell;
  cell.dspm.comf = 10000000;
  cell.dspm.cscl = 50000;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.5, 35.25}));
  cell.vectors.push_back(cellwriter::connectedNode(2, {139.75, 35.5}));
  cell.vectors.push_back(cellwriter::edge(3, 1, 2, {}));
  cell.vectors.push_back(cellwriter::isolatedNode(4, {139.0, 35.0}));
  cell.vectors.push_back(
      cellwriter::Vector{.rcnm = 140, .rcid = 5, .coordinates = {{139.1, 35.1}}});
  cell.features.push_back(Feature{.rcid = 1, .objl = 30011, .spatialPointers = {{.rcid = 3}}});
  test::TempFile file(cellwriter::encodeCell(cell));
  Dataset d;
  const test::LoadResult r = test::load(d, file.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.exchangePurpose, 1);
  EXPECT_EQ(r.log,
            opening(file.path()) + kCompleted +
                countLines(1, 5, 1, 2, 1, "139.0000000 - 139.7500000", "35.0000000 - 35.5000000") +
                "DELTA = 0.0000450000  EPS = 0.0000000500\n");
  EXPECT_DOUBLE_EQ(d.eps, 0.00000005);
  EXPECT_DOUBLE_EQ(d.delta, 0.000045);

  // Progress: after the descriptive record and after every field, rising to
  // the whole file.
  ASSERT_GT(r.progress.size(), 10u);
  for (size_t i = 1; i < r.progress.size(); ++i)
    EXPECT_GE(r.progress[i], r.progress[i - 1]);
  EXPECT_EQ(r.progress.back(), 1.0);
  EXPECT_EQ(test::invariantViolations(d), "");
}

TEST(LoadCell, RevisionHasNoTolerances) {
  Cell cell;
  cell.dsid.expp = 2;
  test::TempFile file(cellwriter::encodeCell(cell));
  Dataset d;
  const test::LoadResult r = test::load(d, file.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.exchangePurpose, 2);
  EXPECT_EQ(r.log.find("DELTA"), std::string::npos);
  EXPECT_EQ(d.delta, 0.0);
  EXPECT_EQ(d.eps, 0.0);
}

// The records of a small new-edition cell, for files that go wrong part way.
std::vector<Record> records() {
  Cell cell;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.5, 35.25}));
  cell.features.push_back(Feature{.rcid = 9, .prim = 3, .objl = 302});
  return cellwriter::cellRecords(cell);
}

TEST(LoadCell, StructuralErrorsStopWithTheFieldNumber) {
  // Fields: 1-4 DSID record, 5-7 DSPM record, 8-11 the node (0001 VRID SG2D ****).
  Dataset d;
  {
    std::vector<Record> r = records();
    r[2].fields.insert(r[2].fields.begin() + 2, Field{"XXXX", "abc"});  // field 10
    test::TempFile file(cellwriter::encodeFile(r));
    const test::LoadResult result = test::load(d, file.path());
    EXPECT_EQ(result.status, 6);
    EXPECT_EQ(result.log, opening(file.path()) + "Error at 10 Error Code = 6\n" + kFailed +
                              "DELTA = 0.0000450000  EPS = 0.0000000500\n");
    EXPECT_EQ(d.vectorCount, 1);  // what came before stays
  }
  {
    std::vector<Record> r = records();
    r[2].fields.pop_back();  // the node ends after VRID: field 10 is the marker
    test::TempFile file(cellwriter::encodeFile(r));
    testing::internal::CaptureStderr();
    const test::LoadResult result = test::load(d, file.path());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "P = 12, C = 19\n");
    EXPECT_EQ(result.status, 7);
    EXPECT_NE(result.log.find("Error at 10 Error Code = 7\n" + std::string(kFailed)),
              std::string::npos);
  }
  {
    std::string bytes = cellwriter::encodeFile(records());
    test::TempFile file(bytes.substr(0, bytes.size() - 3));  // the feature record cut short
    const test::LoadResult result = test::load(d, file.path());
    EXPECT_EQ(result.status, 8);
    EXPECT_NE(result.log.find("Error at 12 Error Code = 8\n" + std::string(kFailed)),
              std::string::npos);
    EXPECT_EQ(d.features.count, 0);
    EXPECT_EQ(d.vectorCount, 1);
  }
}

TEST(LoadCell, DecodeErrorsNameTheRecordAssembledLast) {
  std::vector<Record> r = records();
  // The feature's FRID carries RCNM 110: reported under the node before it.
  Field& frid = r[3].fields[1];
  ASSERT_EQ(frid.tag, "FRID");
  frid.data[0] = 110;
  test::TempFile file(cellwriter::encodeFile(r));
  Dataset d;
  const test::LoadResult result = test::load(d, file.path());
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(
      result.log.find("Error 153 RCNM 120(78) RCID 0000000001(0001)\n" + std::string(kCompleted)),
      std::string::npos);
  EXPECT_EQ(d.features.count, 1);
  EXPECT_EQ(d.features.first->rcnm, 110);

  // RCIDs above 2^31 print as negative numbers in the decimal part.
  std::vector<Record> big = records();
  big[2].fields[1].data = FieldBuilder().b11(120).b14(4000000000u).b12(1).b11(1).data();
  big[3].fields[1].data[0] = 110;
  test::TempFile bigFile(cellwriter::encodeFile(big));
  EXPECT_NE(
      test::load(d, bigFile.path()).log.find("Error 153 RCNM 120(78) RCID -294967296(ee6b2800)\n"),
      std::string::npos);
}

TEST(LoadCell, NumbersIgnoreTheProcessLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  }
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  EXPECT_STREQ(probe, "1,5");  // the locale is really in force

  Cell cell;
  cell.vectors.push_back(cellwriter::isolatedNode(1, {139.5, 35.25}));
  test::TempFile file(cellwriter::encodeCell(cell));
  Dataset d;
  const test::LoadResult r = test::load(d, file.path());
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_NE(r.log.find("( 139.5000000 - 139.5000000 )"), std::string::npos) << r.log;
  EXPECT_NE(r.log.find("DELTA = 0.0000450000  EPS = 0.0000000500"), std::string::npos);
}

TEST(ReleaseDataset, EmptiesEveryListAndAllowsAnotherLoad) {
  Cell cell;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.5, 35.25}));
  cell.vectors.push_back(cellwriter::isolatedNode(2, {139.5, 35.25}));
  cell.vectors.push_back(cellwriter::edge(3, 1, 1, {{139.6, 35.3}}));
  cell.features.push_back(Feature{.rcid = 9, .objl = 302});
  test::TempFile file(cellwriter::encodeCell(cell));
  Dataset d;
  ASSERT_EQ(test::load(d, file.path()).status, 0);
  releaseDataset(d);
  EXPECT_TRUE(d.features.empty() && d.isolatedNodes.empty() && d.connectedNodes.empty() &&
              d.edges.empty());
  EXPECT_EQ(d.features.count + d.isolatedNodes.count + d.connectedNodes.count + d.edges.count, 0);
  EXPECT_EQ(d.dsid.dsnm, "");
  EXPECT_EQ(d.arena.allocations(), 0);
  ASSERT_EQ(test::load(d, file.path()).status, 0);
  EXPECT_EQ(d.edges.count, 1);
}

}  // namespace
}  // namespace abys
