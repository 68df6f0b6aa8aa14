// The cells of a set and the runner that checks many of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "cell_runner.h"
#include "set_inputs.h"
#include "support/exchange_set.h"
#include "support/load.h"

namespace abys {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

// Cells below the top folder and in two subfolders, one with two update
// files beside it, and a text file.
struct CellFolder : test::TempFolder {
  CellFolder() {
    fs::create_directories(path() + "/B");
    fs::create_directories(path() + "/z");
    for (const char* name : {"a.000", "a.002", "a.001", "B/b.000", "B/c.000", "z/d.000"})
      writeBytes(test::goodCell(), name);
    writeBytes("Read me.\n", "README.TXT");
  }
};

// The paths of inputs below folder, "+" after a cell for each update file.
Paths relative(const SetInputs& inputs, const std::string& folder) {
  Paths paths;
  for (const SetCell& cell : inputs.cells) {
    std::string path = fs::path(cell.path).lexically_relative(folder).generic_string();
    for (const std::string& update : cell.updates)
      path += "+" + fs::path(update).filename().string();
    paths.push_back(path);
  }
  return paths;
}

TEST(SetInputs, FoldersCataloguesAndUpdates) {
  const Paths walked = {"B/b.000", "B/c.000", "a.000+a.001+a.002", "z/d.000"};
  const std::string listing = test::catalogue(
      {{"z\\D.000", "BIN"}, {"gone.000", "BIN"}, {"a.001", "BIN"}, {"README.TXT", "TXT"}});
  const struct {
    const char* what;
    const char* catalogueName;  // none when empty
    std::string catalogue;
    bool withUpdates;
    Paths cells;
    std::string problem;  // "SET" stands for the folder
  } cases[] = {
      {"no catalogue, nested folders", "", "", true, walked, ""},
      {"no catalogue, without updates",
       "",
       "",
       false,
       {"B/b.000", "B/c.000", "a.000", "z/d.000"},
       ""},
      {"a catalogue naming a missing file and an update beside its cell",
       "CATALOG.031",
       listing,
       true,
       {"z/d.000", "gone.000", "B/b.000", "B/c.000", "a.000+a.001+a.002"},
       ""},
      {"the update listed when updates are not applied",
       "CATALOG.031",
       listing,
       false,
       {"z/d.000", "gone.000", "a.001", "B/b.000", "B/c.000", "a.000"},
       ""},
      {"lower-case catalog.031, backslashes and other case",
       "catalog.031",
       test::catalogue({{"B\\C.000", "BIN"}, {"A.000", "BIN"}}),
       true,
       {"B/c.000", "a.000+a.001+a.002", "B/b.000", "z/d.000"},
       ""},
      {"a catalogue below the top folder orders its own folder",
       "B/CATALOG.031",
       test::catalogue({{"c.000", "BIN"}}),
       true,
       {"B/c.000", "B/b.000", "a.000+a.001+a.002", "z/d.000"},
       ""},
      {"a damaged catalogue leaves the walk", "CATALOG.031", listing.substr(0, listing.size() - 30),
       true, walked,
       "cannot read SET/CATALOG.031: a record is damaged; taking the cells below it in path "
       "order"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CellFolder set;
    if (*c.catalogueName != '\0') set.writeBytes(c.catalogue, c.catalogueName);
    const SetInputs inputs = listInputs({set.path()}, c.withUpdates);
    EXPECT_EQ(relative(inputs, set.path()), c.cells);
    EXPECT_TRUE(inputs.fromFolder);
    EXPECT_FALSE(inputs.failed);
    std::string problem = c.problem;
    if (size_t at = problem.find("SET"); at != std::string::npos)
      problem.replace(at, 3, set.path());
    EXPECT_EQ(inputs.problems, c.problem.empty() ? Paths{} : Paths{problem});
  }

  // Files as named, whether there or not; a folder without a cell fails.
  CellFolder set;
  test::TempFolder empty;
  empty.writeBytes("", "README.TXT");
  const SetInputs inputs = listInputs({set.path() + "/a.000", "gone.000", empty.path()}, true);
  ASSERT_EQ(inputs.cells.size(), 2u);
  EXPECT_EQ(relative(inputs, set.path()).front(), "a.000+a.001+a.002");
  EXPECT_EQ(inputs.cells[1].path, "gone.000");
  EXPECT_TRUE(inputs.cells[1].updates.empty());
  EXPECT_TRUE(inputs.failed);
  EXPECT_EQ(inputs.problems, Paths{"no cell (*.000) in folder " + empty.path()});
}

// The Dutch inland set: a lower-case catalog.031 naming its cells with
// backslashes, each cell in a folder of its own.
TEST(SetInputs, RealExchangeSetWithLowerCaseCatalogue) {
  const char* real = std::getenv("ABYS_REAL_DATA");
  const fs::path root = fs::path(real != nullptr ? real : "") / "rustonosmium" / "tests" / "data" /
                        "S57" / "20240816_U7Inland_Waddenzee_week 33_NL" / "ENC_ROOT";
  if (real == nullptr || !fs::is_directory(root)) GTEST_SKIP() << "no real cells";
  const SetInputs inputs = listInputs({root.string()}, true);
  EXPECT_TRUE(inputs.problems.empty());
  Paths expected;
  for (const char* area : {"EMS", "WAD"}) {
    for (int i = 1; i <= (*area == 'E' ? 4 : 16); ++i) {
      const std::string name = formatMessage("1R7%s%02d", area, i);
      expected.push_back("1R/7/" + name + "/" + name + ".000");
    }
  }
  EXPECT_EQ(relative(inputs, root.string()), expected);
}

// A set of cells that pass, fail to load, hold no chart and cannot be
// opened.
struct MixedCells : test::TempFolder {
  explicit MixedCells(size_t count) {
    for (size_t i = 0; i < count; ++i) {
      const std::string name = formatMessage("%02zu.000", i);
      const std::string path = this->path() + "/" + name;
      if (i % 4 == 1) {
        writeBytes(test::failingCell(), name);
      } else if (i % 4 == 2) {
        writeBytes("not a cell", name);
      } else if (i % 4 != 3) {
        writeBytes(test::goodCell(), name);
      }
      cells.push_back({path, {}});
    }
  }
  std::vector<SetCell> cells;
};

struct Handed {
  std::vector<size_t> order;
  std::vector<std::string> said;  // outcome, statuses, findings and messages of each
};

std::string said(const CellReport& r) {
  return formatMessage("outcome %d load %d check %d findings %zu ",
                       static_cast<int>(r.result.outcome), r.result.loadStatus,
                       r.result.checkStatus, r.findings.size()) +
         r.messages;
}

TEST(CellRunner, ResultsInInputOrderWhateverTheThreads) {
  const MixedCells set(9);
  const auto checkAll = [&](unsigned threads, size_t window) {
    Handed handed;
    RunOptions run;
    run.threads = threads;
    run.window = window;
    const RunReport report = checkCells(set.cells, {}, run, [&](CellReport&& r) {
      handed.order.push_back(r.index);
      handed.said.push_back(said(r));
    });
    EXPECT_TRUE(report.notChecked.empty());
    EXPECT_EQ(report.threadsStarted, threads > 1 ? threads : 0);
    return handed;
  };
  const Handed one = checkAll(1, 0);
  std::vector<size_t> all(set.cells.size());
  std::iota(all.begin(), all.end(), 0);
  EXPECT_EQ(one.order, all);
  // A failing cell, one that cannot be opened and one of no chart do not
  // stop the cells after them.
  EXPECT_EQ(one.said[1].rfind("outcome 2 load 6 ", 0), 0u) << one.said[1];
  EXPECT_EQ(one.said[3].rfind("outcome 1 load -3", 0), 0u) << one.said[3];
  EXPECT_EQ(one.said[8].rfind("outcome 0 load 0 check 0 findings 0", 0), 0u) << one.said[8];
  const std::pair<unsigned, size_t> runs[] = {{2, 0}, {3, 1}, {8, 2}};
  for (const auto& [threads, window] : runs) {
    SCOPED_TRACE(formatMessage("%u threads, window %zu", threads, window));
    const Handed many = checkAll(threads, window);
    EXPECT_EQ(many.order, all);
    EXPECT_EQ(many.said, one.said);
  }
}

TEST(CellRunner, CancelStopsEarlyAndSaysWhichCellsWereNotChecked) {
  const MixedCells set(24);
  for (const unsigned threads : {1u, 3u}) {
    const std::optional<size_t> cancels[] = {std::nullopt, 0, 2};
    for (const std::optional<size_t>& cancelAfter : cancels) {
      SCOPED_TRACE(formatMessage("%u threads, cancelled after %d", threads,
                                 cancelAfter ? static_cast<int>(*cancelAfter) : -1));
      std::atomic<bool> cancel = !cancelAfter.has_value();
      RunOptions run;
      run.threads = threads;
      run.cancel = &cancel;
      std::vector<size_t> handed;
      const RunReport report = checkCells(set.cells, {}, run, [&](CellReport&& r) {
        handed.push_back(r.index);
        if (cancelAfter && r.index == *cancelAfter) cancel = true;
      });
      // Every cell either handed over or listed, in order; the last ones
      // listed; with one thread nothing after the cancel is checked.
      std::vector<size_t> both = handed;
      both.insert(both.end(), report.notChecked.begin(), report.notChecked.end());
      std::sort(both.begin(), both.end());
      std::vector<size_t> all(set.cells.size());
      std::iota(all.begin(), all.end(), 0);
      EXPECT_EQ(both, all);
      EXPECT_TRUE(std::is_sorted(handed.begin(), handed.end()));
      ASSERT_FALSE(report.notChecked.empty());
      EXPECT_EQ(report.notChecked.back(), set.cells.size() - 1);
      const size_t checked = cancelAfter ? *cancelAfter + 1 : 0;
      if (threads == 1) {
        EXPECT_EQ(handed.size(), checked);
      }
      // No more than the window (twice the threads) past the cancel.
      EXPECT_LE(handed.size(), checked + 2 * threads);
      EXPECT_GE(handed.size(), checked);
    }
  }
}

TEST(CellRunner, ProfilesOfCellsCheckedSideBySideRunOnOneThreadEach) {
  const struct {
    unsigned threads;
    size_t cells;
    unsigned budget;
  } cases[] = {{1, 3, 0}, {2, 1, 0}, {2, 3, 1}, {4, 3, 1}};
  for (const auto& [threads, cells, budget] : cases) {
    SCOPED_TRACE(formatMessage("%u threads, %zu cells", threads, cells));
    RunOptions run;
    run.threads = threads;
    std::atomic<size_t> otherBudgets = 0;
    runCells(
        cells, run,
        [&](size_t, CellChecker& checker, bool) {
          if (checker.profileThreads() != budget) ++otherBudgets;
          return true;
        },
        [&](size_t, CellChecker& caller) {
          if (caller.profileThreads() != budget) ++otherBudgets;
        });
    EXPECT_EQ(otherBudgets, 0u);
  }
}

// A cancel read between the stages of one cell's check.
TEST(CellCheck, StopsBetweenStagesOnceCancelled) {
  const MixedCells set(1);
  const std::atomic<bool> cancel = true;
  DiscardingReporter quiet;
  CellChecker checker;
  const OpenResult result = checker.check(set.cells[0], {}, quiet, {}, &cancel);
  EXPECT_TRUE(result.stopped);
  EXPECT_FALSE(result.checked);
  EXPECT_EQ(result.counts.features, 0);
}

}  // namespace
}  // namespace abys
