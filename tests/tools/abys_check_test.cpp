// abys-check as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "cell_writer.h"
#include "chart_session.h"
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
                "findings 0\n");

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

TEST(AbysCheck, UsageErrors) {
  EXPECT_EQ(run("").exitStatus, 2);
  EXPECT_EQ(run("--verbose x.000").exitStatus, 2);
  EXPECT_EQ(run("--summary --json x.000").exitStatus, 2);
  const ProgramRun r = run("--summary");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(r.err.find("usage: abys-check"), std::string::npos);
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
