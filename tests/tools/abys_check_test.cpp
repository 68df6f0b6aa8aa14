// abys-check as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "chart_session.h"
#include "support/chart_cells.h"
#include "support/load.h"
#include "support/programs.h"

namespace abys {
namespace {

using test::ProgramRun;

ProgramRun run(const std::string& arguments) {
  return test::runProgram("abys-check", arguments);
}

std::string goodCell() {
  cellwriter::Cell cell;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.5, 35.25}));
  cell.vectors.push_back(cellwriter::connectedNode(2, {139.6, 35.5}));
  cell.vectors.push_back(cellwriter::edge(3, 1, 2, {{139.55, 35.3}}));
  cell.features.push_back({.rcid = 1, .objl = 30011, .spatialPointers = {{.rcid = 3}}});
  return cellwriter::encodeCell(cell);
}

std::string failingCell() {
  std::vector<cellwriter::Record> records = cellwriter::cellRecords(cellwriter::Cell{});
  records.push_back({{cellwriter::recordIdField(3), {"XXXX", "?"}}});
  return cellwriter::encodeFile(records);
}

// The messages of a load and the checks, as the program should print them.
std::string loadAndCheck(const std::string& path, int* checkStatus = nullptr) {
  std::string log;
  const LogFn sink = [&](const char* format, std::va_list args) {
    log += formatMessage(format, args);
  };
  TextLogReporter text(sink);
  ChartSession session;
  const OpenResult result = session.open(path.c_str(), text, sink);
  if (checkStatus != nullptr) *checkStatus = result.checkStatus;
  return log;
}

TEST(AbysCheck, PrintsExactlyTheLoadAndCheckLog) {
  test::TempFile good(goodCell());
  int status = -1;
  const std::string expected = loadAndCheck(good.path(), &status);
  ASSERT_EQ(status, 0);
  const ProgramRun r = run(good.path());
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");

  // A cell that loads but fails its checks.
  cellwriter::Cell cell;
  cell.vectors.push_back(cellwriter::isolatedNode(1, {139.5, 35.25}));
  cell.vectors.push_back(cellwriter::isolatedNode(1, {139.6, 35.25}));
  test::TempFile twice(cellwriter::encodeCell(cell));
  const ProgramRun failing = run(twice.path());
  EXPECT_EQ(failing.exitStatus, 1);
  EXPECT_EQ(failing.out, loadAndCheck(twice.path(), &status));
  EXPECT_EQ(status, 306);
  EXPECT_NE(failing.out.find("Error:306  Name: VI0000000001 Name: VI0000000001\n"),
            std::string::npos);
}

TEST(AbysCheck, SeveralFilesEachUnderItsName) {
  test::TempFile good(goodCell());
  test::TempFile bad(failingCell());
  const std::string goodLog = loadAndCheck(good.path());
  const std::string badLog = loadAndCheck(bad.path());
  const ProgramRun r = run(good.path() + " " + bad.path() + " /nonexistent/X.000");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out, "==> " + good.path() + " <==\n" + goodLog + "==> " + bad.path() + " <==\n" +
                       badLog + "==> /nonexistent/X.000 <==\n");
  EXPECT_NE(r.err.find("/nonexistent/X.000"), std::string::npos);
}

TEST(AbysCheck, SummaryAndJson) {
  test::TempFile good(goodCell());
  test::TempFile bad(failingCell());
  const ProgramRun summary = run("--summary " + good.path() + " " + bad.path());
  EXPECT_EQ(summary.exitStatus, 1);
  EXPECT_EQ(summary.out,
            good.path() +
                ": load 0, check 0, features 1, vectors 3 (points 0, nodes 2, edges 1), "
                "findings 0\n" +
                bad.path() +
                ": load 6, check 0, features 0, vectors 0 (points 0, nodes 0, edges 0), "
                "findings 0\n"
                "total: 2 files, 1 passed, 1 failed\n");

  const ProgramRun json = run("--json " + good.path());
  EXPECT_EQ(json.exitStatus, 0);
  const nlohmann::json doc = nlohmann::json::parse(json.out);
  const nlohmann::json& file = doc["files"][0];
  EXPECT_EQ(file["path"], good.path());
  EXPECT_EQ(file["loadStatus"], 0);
  EXPECT_EQ(file["counts"]["edges"], 1);
  EXPECT_EQ(file["extent"]["maxY"], 35.5);
  EXPECT_EQ(file["messages"][1], "Loading S-57 Binary File (DDF) Completed!");
  EXPECT_EQ(file["checkStatus"], 0);
  EXPECT_EQ(file["messages"].back(), "All Logical Check Done !");

  // Each finding with the position of the record it names: a node's own
  // coordinate; a feature's through its first spatial pointer, looked up
  // when the checks stopped before resolving pointers.
  cellwriter::Cell cell;
  cell.vectors.push_back(cellwriter::isolatedNode(4, {139.5, 35.25}));
  cell.vectors.push_back(cellwriter::isolatedNode(5, {139.75, 35.5}));
  cell.features.push_back({.rcid = 7, .prim = 1, .spatialPointers = {{.rcnm = 110, .rcid = 5}}});
  cell.features.push_back({.rcid = 7, .prim = 1});
  test::TempFile findings(cellwriter::encodeCell(cell));
  EXPECT_EQ(nlohmann::json::parse(run("--json " + findings.path()).out)["files"][0]["findings"],
            nlohmann::json::parse(R"([
              {"code": 301, "records": ["FE0000000007", "FE0000000007"], "position": [139.75, 35.5]},
              {"code": 327, "records": ["VI0000000004"], "position": [139.5, 35.25]},
              {"code": 327, "records": ["VI0000000005"], "position": [139.75, 35.5]}])"));
}

// --lenient reads a cell with a field out of order to its end: the order
// errors are still said, the record that held them is a finding of code 7,
// and the file still fails. Without it the load stops at that record.
TEST(AbysCheck, LenientReadsOnPastFieldsOutOfOrderAndStillFails) {
  test::TempFile order(test::outOfOrderBayCell());
  const std::string counts = "vectors 13 (points 2, nodes 7, edges 4)";
  const ProgramRun strict = run("--summary " + order.path());
  EXPECT_EQ(strict.exitStatus, 1);
  EXPECT_EQ(strict.err, "P = 11, C = 6\n");
  EXPECT_NE(strict.out.find(": load 7, check 0, features 1, " + counts), std::string::npos)
      << strict.out;

  const ProgramRun lenient = run("--lenient --summary " + order.path());
  EXPECT_EQ(lenient.exitStatus, 1);
  EXPECT_EQ(lenient.err, "P = 11, C = 6\nP = 6, C = 19\n");
  EXPECT_NE(lenient.out.find(": load 7, check 0, features 6, " + counts), std::string::npos)
      << lenient.out;
  EXPECT_NE(lenient.out.find("total: 1 file, 0 passed, 1 failed\n"), std::string::npos);

  const ProgramRun log = run("--lenient " + order.path());
  EXPECT_EQ(log.exitStatus, 1);
  for (const char* line : {"Error at 68 Error Code = 7\n", "Error at 69 Error Code = 7\n",
                           "Loading S-57 Binary File (DDF) Failed, Invalid Format!\n",
                           "Error:  7  Name: FE0000000001\n", "All Logical Check Done !\n"}) {
    EXPECT_NE(log.out.find(line), std::string::npos) << line << log.out;
  }
  const nlohmann::json file = nlohmann::json::parse(run("--lenient --json " + order.path()).out);
  EXPECT_EQ(file["files"][0]["loadStatus"], 7);
  EXPECT_EQ(file["files"][0]["findings"][0],
            nlohmann::json::parse(
                R"({"code": 7, "records": ["FE0000000001"], "position": [139.74, 35.48]})"));
}

TEST(AbysCheck, UsageErrors) {
  EXPECT_EQ(run("").exitStatus, 2);
  EXPECT_EQ(run("--verbose x.000").exitStatus, 2);
  EXPECT_EQ(run("--summary --json x.000").exitStatus, 2);
  const ProgramRun r = run("--summary");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(r.err.find("usage: abys-check"), std::string::npos);
}

// An exchange-set catalogue: one CATD field per (FILE, IMPL).
std::string catalogue(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::vector<cellwriter::CatalogueEntry> listed;
  for (const auto& [file, impl] : entries)
    listed.push_back({.file = file, .impl = impl});
  return cellwriter::encodeCatalogue(listed);
}

// An exchange set: cells at the top and in two subfolders, one failing, an
// update and a text file, and a catalogue when one is given.
struct ExchangeSet : test::TempFolder {
  explicit ExchangeSet(const std::optional<std::string>& catalogueBytes) {
    std::filesystem::create_directories(path() + "/B");
    std::filesystem::create_directories(path() + "/z");
    writeBytes(goodCell(), "a.000");
    writeBytes(goodCell(), "B/b.000");
    writeBytes(failingCell(), "B/c.000");
    writeBytes(goodCell(), "z/d.000");
    writeBytes(goodCell(), "x.001");
    writeBytes("Read me.\n", "README.TXT");
    if (catalogueBytes) writeBytes(*catalogueBytes, "CATALOG.031");
  }
};

// The files a --summary run took, in order, relative to folder.
std::vector<std::string> filesTaken(const std::string& out, const std::string& folder) {
  std::vector<std::string> files;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(folder + "/", 0) == 0)
      files.push_back(line.substr(folder.size() + 1, line.find(": ") - folder.size() - 1));
  }
  return files;
}

TEST(AbysCheck, FoldersAndTheirCatalogues) {
  using Files = std::vector<std::string>;
  const Files walked = {"B/b.000", "B/c.000", "a.000", "z/d.000"};
  const std::string listing = catalogue({{"B\\B.000", "BIN"},
                                         {"README.TXT", "TXT"},
                                         {"A.000", "BIN"},
                                         {"x.001", "BIN"},
                                         {"gone.000", "BIN"},
                                         {"a.000", "BIN"}});
  const struct {
    const char* what;
    std::optional<std::string> catalogue;
    std::string arguments;  // after --summary; "SET" stands for the folder
    Files files;
    std::string err;  // a text standard error holds
  } cases[] = {
      {"no catalogue", std::nullopt, "SET", walked, ""},
      {"listed first, by any case, then the rest",
       listing,
       "SET",
       {"B/b.000", "a.000", "x.001", "gone.000", "B/c.000", "z/d.000"},
       "cannot open SET/gone.000"},
      {"damaged: cut short", listing.substr(0, listing.size() - 30), "SET", walked,
       "cannot read SET/CATALOG.031: a record is damaged"},
      {"empty", "", "SET", walked, "cannot read SET/CATALOG.031: it holds no record"},
      {"CATD described as elementary",
       cellwriter::encodeFile({{{cellwriter::recordIdField(1), {"CATD", "CD0000000001"}}}}), "SET",
       walked, "its description of CATD gives no FILE and IMPL subfields"},
      {"files as named",
       listing,
       "SET/x.001 SET/B/c.000 SET/a.000",
       {"x.001", "B/c.000", "a.000"},
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExchangeSet set(c.catalogue);
    std::string arguments = c.arguments;
    for (size_t at; (at = arguments.find("SET")) != std::string::npos;)
      arguments.replace(at, 3, set.path());
    const ProgramRun r = run("--summary " + arguments);
    EXPECT_EQ(filesTaken(r.out, set.path()), c.files);
    std::string err = c.err;
    if (size_t at = err.find("SET"); at != std::string::npos) err.replace(at, 3, set.path());
    EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), c.err.empty() ? 0 : 1) << r.err;
  }

  // A catalogue below the top folder orders its own folder.
  ExchangeSet set(std::nullopt);
  set.writeBytes(catalogue({{"c.000", "BIN"}}), "B/CATALOG.031");
  EXPECT_EQ(filesTaken(run("--summary " + set.path()).out, set.path()),
            (Files{"B/c.000", "B/b.000", "a.000", "z/d.000"}));
}

TEST(AbysCheck, TotalLineAndExitStatus) {
  test::TempFolder good;
  good.writeBytes(goodCell(), "1.000");
  good.writeBytes(goodCell(), "2.000");
  test::TempFolder mixed;
  mixed.writeBytes(goodCell(), "1.000");
  mixed.writeBytes(failingCell(), "2.000");
  test::TempFolder empty;
  empty.writeBytes("not a cell", "README.TXT");
  // Files of no record: nothing at all, and a descriptive record alone.
  test::TempFolder nothing;
  nothing.writeBytes("", "EMPTY.000");
  nothing.writeBytes(cellwriter::encodeFile({}), "DDR.000");
  const struct {
    std::string arguments;
    int exitStatus;
    std::string total;  // the last line of standard output
    std::string err;
  } cases[] = {
      {"--summary " + good.path(), 0, "total: 2 files, 2 passed, 0 failed", ""},
      {"--summary --jobs 2 " + mixed.path(), 1, "total: 2 files, 1 passed, 1 failed", ""},
      {"--summary " + good.path() + " /nonexistent/X.000", 1, "total: 3 files, 2 passed, 1 failed",
       "cannot open /nonexistent/X.000"},
      {"--summary " + empty.path() + " " + good.path(), 1, "total: 2 files, 2 passed, 0 failed",
       "no cell (*.000) in folder " + empty.path()},
      {"--summary " + nothing.path() + " " + good.path(), 1, "total: 4 files, 2 passed, 2 failed",
       ""},
      {"--summary --jobs=0 " + good.path(), 2, "", "--jobs takes a number from 1 to 256"},
      {"--summary --jobs two " + good.path(), 2, "", "usage: abys-check"},
      {"--jobs 257 " + good.path(), 2, "", "usage: abys-check"},
      {"--summary --jobs", 2, "", "usage: abys-check"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun r = run(c.arguments);
    EXPECT_EQ(r.exitStatus, c.exitStatus);
    if (c.total.empty()) {
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_TRUE(r.out.ends_with("\n" + c.total + "\n")) << r.out;
    }
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  // Each says why; the log of the checks stays as it is.
  for (const char* name : {"/EMPTY.000", "/DDR.000"}) {
    const std::string file = nothing.path() + name;
    EXPECT_NE(run("--summary " + file)
                  .out.find(file + ": load 0, check 0, features 0, vectors 0 "
                                   "(points 0, nodes 0, edges 0), findings 0, "
                                   "holds no chart\n"),
              std::string::npos);
    EXPECT_NE(run("--json " + file).out.find("\"failure\": \"holds no chart\""), std::string::npos);
    const ProgramRun log = run(file);
    EXPECT_EQ(log.exitStatus, 1);
    EXPECT_TRUE(log.out.ends_with("All Logical Check Done !\n")) << log.out;
    EXPECT_EQ(log.out.find("no chart"), std::string::npos);
  }
}

// An update of goodCell(): number n of edition edition, adding a feature.
std::string goodCellUpdate(int n, const std::string& edition = "1") {
  cellwriter::Cell cell = cellwriter::updateCell(static_cast<uint32_t>(n));
  cell.dsid.edtn = edition;
  cell.features.push_back(
      {.rcid = 10 + static_cast<uint32_t>(n), .objl = 30, .spatialPointers = {{.rcid = 3}}});
  return cellwriter::encodeCell(cell);
}

TEST(AbysCheck, UpdateFilesBesideACellAreAppliedUnlessToldNot) {
  test::TempFolder folder;
  const std::string cell = folder.writeBytes(goodCell(), "C.000");
  const std::string update = folder.writeBytes(goodCellUpdate(1), "C.001");
  folder.writeBytes(catalogue({{"C.000", "BIN"}, {"C.001", "BIN"}}), "CATALOG.031");
  const std::string summary =
      ": load 0, check 0, features %d, vectors 3 (points 0, nodes 2, "
      "edges 1), findings %d%s\n";
  const struct {
    std::string arguments;
    std::string out;  // the first line of standard output
    int exitStatus = 0;
  } cases[] = {
      {"--summary " + cell, cell + formatMessage(summary.c_str(), 2, 1, ", updates C.001")},
      {"--summary --no-updates " + cell, cell + formatMessage(summary.c_str(), 1, 0, "")},
      {"--summary " + update,
       update + ": load 0, check 310, features 1, vectors 0 (points 0, nodes "
                "0, edges 0), findings 1\n",
       1},
      {cell, "Loading S-57 Binary File (DDF) " + cell + " ... Please Wait !\n"},
      // A folder's catalogue lists the update, which goes with its cell.
      {"--summary " + folder.path(),
       cell + formatMessage(summary.c_str(), 2, 1, ", updates C.001")},
      {"--summary --no-updates " + folder.path(), cell + formatMessage(summary.c_str(), 1, 0, ""),
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun r = run(c.arguments);
    EXPECT_EQ(r.exitStatus, c.exitStatus);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), c.out);
  }
  EXPECT_EQ(run("--summary " + folder.path()).out.find("C.001:"), std::string::npos);
  EXPECT_NE(run("--summary --no-updates " + folder.path()).out.find("C.001:"), std::string::npos);
  EXPECT_NE(run(cell).out.find(
                "DELTA = 0.0000450000  EPS = 0.0000000500\n"
                "Update C.001 applied: update 1, 1 records inserted, 0 deleted, 0 modified, 0 "
                "refused\nChecking Feature Number Uniqness\n"),
            std::string::npos);

  const nlohmann::json json = nlohmann::json::parse(run("--json " + cell).out)["files"][0];
  EXPECT_EQ(json["updates"],
            nlohmann::json({{"applied", {update}}, {"refused", 0}, {"cancelled", false}}));
  EXPECT_EQ(json["counts"]["features"], 2);
  EXPECT_FALSE(nlohmann::json::parse(run("--json --no-updates " + cell).out)["files"][0].contains(
      "updates"));

  // An update of edition 0 cancels the cell: no chart, no checks.
  folder.writeBytes(goodCellUpdate(2, "0"), "C.002");
  const ProgramRun cancelled = run("--summary " + cell);
  EXPECT_EQ(cancelled.exitStatus, 1);
  EXPECT_NE(cancelled.out.find(": load 0, check -, features 2,"), std::string::npos);
  EXPECT_NE(cancelled.out.find(", updates C.001, cancelled\n"), std::string::npos);
}

// A cell with two S-58 findings of class Critical: a feature without
// geometry (12) and a parameter record in feet (524).
std::string cellWithS58Findings() {
  cellwriter::Cell cell;
  cell.dspm.duni = 2;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.5, 35.25}));
  cell.vectors.push_back(cellwriter::connectedNode(2, {139.6, 35.5}));
  cell.vectors.push_back(cellwriter::edge(3, 1, 2, {{139.55, 35.3}}));
  cell.features.push_back({.rcid = 1, .objl = 30, .spatialPointers = {{.rcid = 3, .mask = 2}}});
  cell.features.push_back({.rcid = 2, .prim = 1, .objl = 90, .fidn = 115});
  return cellwriter::encodeCell(cell);
}

TEST(AbysCheck, S58FindingsFollowTheCheckLog) {
  test::TempFile cell(cellWithS58Findings());
  const std::string plain = run(cell.path()).out;
  const ProgramRun r = run("--s58 " + cell.path());
  // The ten checks' log as before, then the profile's lines and counts.
  ASSERT_EQ(r.out.substr(0, plain.size()), plain);
  EXPECT_EQ(r.out.substr(plain.size()),
            "S-58 12 Critical: Feature object without geometry. FE0000000002 PILPNT GB "
            "0000000115 00001\n"
            "S-58 505 Critical: Mandatory feature objects are missing.\n"
            "S-58 524 Critical: DUNI does not equal 1 (metres).\n"
            "S-58 Critical: 3\nS-58 Error: 0\nS-58 Warning: 0\n");
  EXPECT_EQ(r.exitStatus, 1);

  const struct {
    std::string options;
    int exitStatus;
    std::string summaryEnd;
  } cases[] = {
      {"--s58", 1, ", S-58 3 critical, 0 error, 0 warning"},
      {"--s58 --ignore 12", 1, ", S-58 2 critical, 0 error, 0 warning"},
      {"--s58 --ignore 12,505,524", 0, ", S-58 0 critical, 0 error, 0 warning"},
      {"--s58 --fail-on warning", 1, ", S-58 3 critical, 0 error, 0 warning"},
      {"", 0, "findings 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const ProgramRun summary = run("--summary " + c.options + " " + cell.path());
    EXPECT_EQ(summary.exitStatus, c.exitStatus) << summary.out;
    const std::string first = summary.out.substr(0, summary.out.find('\n'));
    EXPECT_TRUE(first.ends_with(c.summaryEnd)) << first;
  }
  EXPECT_EQ(run("--s58 --ignore 99x " + cell.path()).exitStatus, 2);
  EXPECT_EQ(run("--s58 --fail-on never " + cell.path()).exitStatus, 2);

  const nlohmann::json json =
      nlohmann::json::parse(run("--json --s58 " + cell.path()).out)["files"][0]["s58"];
  ASSERT_EQ(json.size(), 3u);
  EXPECT_EQ(json[0], nlohmann::json({{"check", "12"},
                                     {"severity", "critical"},
                                     {"message", "Feature object without geometry."},
                                     {"records", {"FE0000000002"}},
                                     {"object", "PILPNT"},
                                     {"foid", "GB 0000000115 00001"},
                                     {"position", nullptr}}));
  EXPECT_EQ(json[1]["object"], nullptr);
  EXPECT_FALSE(nlohmann::json::parse(run("--json " + cell.path()).out)["files"][0].contains("s58"));

  // --geojson: every finding of every file, with the named record's geometry
  // (none here: the feature has no spatial record) or a point where a node
  // is named (two isolated nodes of one name).
  cellwriter::Cell twice;
  twice.vectors.push_back(cellwriter::isolatedNode(1, {139.5, 35.25}));
  twice.vectors.push_back(cellwriter::isolatedNode(1, {139.6, 35.25}));
  test::TempFile nodes(cellwriter::encodeCell(twice));
  const std::string out = cell.path() + ".geojson";
  EXPECT_EQ(run("--summary --geojson " + out + " " + cell.path() + " " + nodes.path()).exitStatus,
            1);
  const nlohmann::json collection = nlohmann::json::parse(test::readFileBytes(out));
  EXPECT_EQ(collection["type"], "FeatureCollection");
  const nlohmann::json& features = collection["features"];
  ASSERT_GE(features.size(), 3u);
  EXPECT_EQ(features[0]["geometry"], nullptr);
  EXPECT_EQ(features[0]["properties"]["file"], cell.path());
  const auto duplicate = std::find_if(features.begin(), features.end(), [](const auto& f) {
    return f["properties"]["check"] == "3";
  });
  ASSERT_NE(duplicate, features.end());
  EXPECT_EQ((*duplicate)["properties"]["file"], nodes.path());
  EXPECT_EQ((*duplicate)["geometry"],
            nlohmann::json({{"type", "Point"}, {"coordinates", {139.6, 35.25}}}));
  EXPECT_EQ(run("--geojson /nonexistent/x.geojson " + nodes.path()).exitStatus, 1);
}

// Worker threads change nothing in what is printed, byte for byte.
TEST(AbysCheck, AnyNumberOfJobsPrintsTheSameBytes) {
  ExchangeSet set(catalogue({{"z/d.000", "BIN"}, {"gone.000", "BIN"}}));
  std::vector<std::string> folders = {set.path()};
  const char* real = std::getenv("ABYS_REAL_DATA");
  if (real != nullptr && std::filesystem::is_directory(real)) folders.emplace_back(real);
  for (const std::string& folder : folders) {
    for (const std::string output : {"", "--summary ", "--json ", "--s58 "}) {
      SCOPED_TRACE(output + folder);
      const ProgramRun one = run(output + "--jobs 1 '" + folder + "'");
      // Three workers on two cores finish files out of order as two would.
      const ProgramRun many = run(output + "--jobs 3 '" + folder + "'");
      EXPECT_EQ(many.exitStatus, one.exitStatus);
      EXPECT_TRUE(many.out == one.out) << "--jobs 3 differs";
      if (folder == set.path()) {
        EXPECT_EQ(many.err, one.err);
      }
    }
  }
  if (folders.size() == 1) GTEST_SKIP() << "no real cells; the generated folder passed";
}

// Every installed program, the viewer too, answers --version and --help on
// standard output without a display.
TEST(Programs, VersionAndHelp) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  for (const std::string program : {"abys", "abys-check", "abys-render", "abys-mkcell"}) {
    SCOPED_TRACE(program);
    const ProgramRun version = test::runProgram(program, "--version");
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, program + " " ABYS_VERSION "\n");
    const ProgramRun help = test::runProgram(program, "--help");
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out.rfind("usage: " + program + " ", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
  }
}

}  // namespace
}  // namespace abys
