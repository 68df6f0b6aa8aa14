// Damaged cells: every real cell, the sample cell and a cell with a long
// record, truncated at record boundaries and at byte offsets, and with bytes
// flipped in leaders, directories and field data. Each damaged file is loaded
// (a defined status and an intact model; every second one read on past
// fields out of order) and goes through the viewer's open sequence (the
// chart session with the S-58 profile, then a walk over the chart when it
// opens, a cell that fails the checks drawn as far as it can be too). Damaged update sets: every
// real base cell with update files beside it, one update file damaged the same ways at a time,
// applied to the intact base (the records it does not name stay as the intact files before it left
// them) and opened in the chart session. Run under the sanitizers, a read out of bounds or a leak
// fails the test too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "chart_session.h"
#include "load_driver.h"
#include "support/chart_cells.h"
#include "support/load.h"
#include "support/records.h"
#include "support/session_walk.h"
#include "support/stream.h"
#include "update_files.h"

namespace abys::test {
namespace {

// Bytes read per damaged file, summed over its cases: the spread of cases
// shrinks as a case reads more, so that the largest cells cost about as much
// as the small ones (the whole suite also runs under the sanitizers).
struct DamageBudget {
  size_t bytes;
  size_t minTruncations;
  size_t minOffsets, maxOffsets;
  size_t minFlips, maxFlips;
};
constexpr DamageBudget kCellBudget{2'000'000, 6, 4, 16, 8, 96};
// A case of a damaged update file reads its base twice (the apply and the
// open); at least the empty file and one more truncation, one cut off the
// boundaries and a flip in each part.
constexpr DamageBudget kUpdateBudget{2'000'000, 2, 1, 16, 3, 48};

const std::set<int> kLoadStatuses = {0, 1, 2, 6, 7, 8, -2};
const std::set<int> kCheckStatuses = {0,   301, 306, 307, 308, 310, 313, 314, 315,
                                      322, 323, 325, 326, 501, 502, 503, 504};

std::filesystem::path sampleCell() {
  return std::filesystem::path(ABYS_SOURCE_DIR) / "samples" / "ABYS0001.000";
}

// The bay cell with a depth line of 13,000 points in one edge record of
// about 104,000 bytes, whose leader gives the length 0.
std::filesystem::path longRecordCell() {
  static const CellFolder folder;
  static const std::string path = [] {
    cw::Cell cell = bayCell();
    std::vector<cw::Point2> points;
    for (int i = 0; i <= 13001; ++i)
      points.push_back({139.72 + i * 1e-5, 35.50 + (i % 2) * 1e-4});
    addLine(cell, 7, points, {"15"});
    return folder.write(cell, "LONGREC.000");
  }();
  return path;
}

std::vector<std::filesystem::path> cellsUnderTest() {
  std::vector<std::filesystem::path> cells{sampleCell(), longRecordCell()};
  for (const auto& cell : realCells())
    cells.push_back(cell);
  return cells;
}

// Where each record starts and where its field area starts, read from the
// leaders (a length of 0 is a long record's: its end is that of its furthest
// field); stops at the first leader that does not parse.
struct RecordSpan {
  size_t start = 0;
  size_t fieldArea = 0;  // absolute; the directory lies between leader and it
  size_t end = 0;
};

size_t leaderNumber(const std::string& bytes, size_t at, size_t width) {
  size_t value = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (bytes[i] < '0' || bytes[i] > '9') return 0;
    value = value * 10 + static_cast<size_t>(bytes[i] - '0');
  }
  return value;
}

std::vector<RecordSpan> recordSpans(const std::string& bytes) {
  std::vector<RecordSpan> spans;
  for (size_t at = 0; at + 24 <= bytes.size();) {
    size_t length = leaderNumber(bytes, at, 5);
    const size_t base = leaderNumber(bytes, at + 12, 5);
    if (length == 0 && bytes.compare(at, 5, "00000") == 0 && base > 24 &&
        at + base <= bytes.size()) {
      const size_t lengthSize = leaderNumber(bytes, at + 20, 1);
      const size_t entrySize = 4 + lengthSize + leaderNumber(bytes, at + 21, 1);
      for (size_t entry = at + 24; entry + entrySize < at + base; entry += entrySize) {
        length = std::max(
            length, base + leaderNumber(bytes, entry + 4 + lengthSize, entrySize - 4 - lengthSize) +
                        leaderNumber(bytes, entry + 4, lengthSize));
      }
    }
    if (length < 24 || base < 24 || base > length || at + length > bytes.size()) break;
    spans.push_back({at, at + base, at + length});
    at += length;
  }
  return spans;
}

// n indices spread evenly over [0, count), all of them when n >= count.
std::vector<size_t> spread(size_t count, size_t n) {
  std::vector<size_t> out;
  if (count == 0) return out;
  if (n >= count) {
    for (size_t i = 0; i < count; ++i)
      out.push_back(i);
    return out;
  }
  for (size_t i = 0; i < n; ++i)
    out.push_back(i * count / n);
  return out;
}

struct Damage {
  std::string what;
  std::string bytes;
};

// Damaged copies of bytes, as many as budget allows when each costs
// caseBytes read.
std::vector<Damage> damagesOf(const std::string& bytes, size_t caseBytes,
                              const DamageBudget& budget) {
  std::vector<Damage> damages;
  const std::vector<RecordSpan> spans = recordSpans(bytes);
  const size_t size = std::max<size_t>(caseBytes, 1);
  const size_t truncations = std::clamp(2 * budget.bytes / size, budget.minTruncations,
                                        std::max(spans.size(), budget.minTruncations));
  const size_t offsets = std::clamp(budget.bytes / size / 2, budget.minOffsets, budget.maxOffsets);
  const size_t flips = std::clamp(budget.bytes / size, budget.minFlips, budget.maxFlips);

  for (size_t i : spread(spans.size(), truncations)) {
    damages.push_back({"truncated at the record boundary " + std::to_string(spans[i].start),
                       bytes.substr(0, spans[i].start)});
  }
  for (size_t i = 1; i <= offsets; ++i) {
    const size_t at = i * bytes.size() / (offsets + 1) + i % 7;  // off the boundaries
    damages.push_back({"truncated at byte " + std::to_string(at), bytes.substr(0, at)});
  }
  // Flips: record by record along the file, turning between the leader, the
  // directory and the field data, at a position drawn within that part.
  std::mt19937 random(20261206);
  const uint8_t masks[] = {0xff, 0x01, 0x80, 0x10, 0x2f};
  for (size_t k = 0; k < flips && !spans.empty(); ++k) {
    const RecordSpan& span = spans[k * spans.size() / flips];
    size_t from = span.start, to = span.start + 24;
    const char* part = "leader";
    if (k % 3 == 1 && span.fieldArea > span.start + 24) {
      from = span.start + 24, to = span.fieldArea, part = "directory";
    } else if (k % 3 == 2 && span.end > span.fieldArea) {
      from = span.fieldArea, to = span.end, part = "field data";
    }
    const size_t at = from + random() % (to - from);
    Damage damage{std::string("byte ") + std::to_string(at) + " flipped in a " + part, bytes};
    damage.bytes[at] = static_cast<char>(damage.bytes[at] ^ masks[k % std::size(masks)]);
    damages.push_back(std::move(damage));
  }
  return damages;
}

// Cells are dealt round a fixed number of shards, so that ctest, which lists
// the tests before the real cells' folder is known, runs them in parallel.
constexpr int kShards = 8;

class DamagedCells : public testing::TestWithParam<int> {};

void damageCell(const std::filesystem::path& cell, int& cases, int& shown, int& shownAnyway) {
  SCOPED_TRACE(cell.string());
  const std::string bytes = readFileBytes(cell);
  ASSERT_FALSE(bytes.empty());
  MemoryCellFile file;
  ASSERT_FALSE(file.path().empty());
  ChartSession session;
  session.setWindow(640, 480);
  session.setOpenFailedCharts(true);
  DiscardingReporter quiet;
  size_t index = 0;
  for (const Damage& damage : damagesOf(bytes, bytes.size(), kCellBudget)) {
    SCOPED_TRACE(damage.what);
    ++cases;
    // The S-58 profile, with its findings' geometry, on every third damage:
    // under the sanitizers it costs more than all the rest.
    const bool profiled = index % 3 == 0;
    // Every second damage read on past fields out of order.
    const LoadOptions options{.readPastOrderErrors = index++ % 2 == 1, .orderError = {}};
    session.setReadPastOrderErrors(options.readPastOrderErrors);
    session.setS58Profile(
        profiled ? std::optional<S58Options>(S58Options{.ignored = {}, .withGeometry = true})
                 : std::nullopt);
    ASSERT_TRUE(file.write(damage.bytes.data(), damage.bytes.size()));
    Dataset dataset;
    const LoadResult loaded = load(dataset, file.path(), options);
    EXPECT_TRUE(kLoadStatuses.count(loaded.status)) << "load status " << loaded.status;
    EXPECT_EQ(invariantViolations(dataset), "");
    if (loaded.status != 0) {
      EXPECT_NE(loaded.log.find("Error at "), std::string::npos) << loaded.log;
    }
    const bool assembled = dataset.features.count + dataset.vectorCount > 0;
    releaseDataset(dataset);
    EXPECT_EQ(invariantViolations(dataset), "");
    EXPECT_EQ(dataset.features.count + dataset.edges.count, 0);

    const OpenResult opened = session.open(file.path().c_str(), quiet);
    EXPECT_EQ(opened.loadStatus, loaded.status);
    EXPECT_TRUE(kCheckStatuses.count(opened.checkStatus)) << "check status " << opened.checkStatus;
    EXPECT_EQ(opened.s58.has_value(), opened.checked && profiled);
    // A load that failed before assembling anything is no chart.
    EXPECT_EQ(opened.opened(),
              opened.checkStatus == 0 &&
                  (assembled || (loaded.status == 0 && loaded.exchangePurpose != 0)));
    // A cell that fails the checks is drawn as far as it can be.
    EXPECT_EQ(opened.shownAnyway, opened.outcome == OpenOutcome::ChecksFailed && assembled);
    EXPECT_EQ(session.isOpen(), opened.opened() || opened.shownAnyway);
    if (opened.opened()) {
      EXPECT_FALSE(walkChart(session).pickOutsideChain);
      ++shown;
    } else if (opened.shownAnyway) {
      walkChart(session);
      ++shownAnyway;
    }
    session.close();
    if (testing::Test::HasFailure()) return;  // one damage's report is enough
  }
}

TEST_P(DamagedCells, EveryDamageEndsInADefinedStatusWithAnIntactModel) {
  const std::vector<std::filesystem::path> cells = cellsUnderTest();
  int cellCount = 0, cases = 0, shown = 0, shownAnyway = 0;
  for (size_t i = static_cast<size_t>(GetParam()); i < cells.size(); i += kShards) {
    damageCell(cells[i], cases, shown, shownAnyway);
    ++cellCount;
    if (HasFailure()) break;
  }
  std::printf("%d cells, %d damaged copies, %d shown, %d shown though the checks failed\n",
              cellCount, cases, shown, shownAnyway);
}

INSTANTIATE_TEST_SUITE_P(Shards, DamagedCells, testing::Range(0, kShards));

// A real base cell and the update files beside it, in order.
struct UpdateSet {
  std::filesystem::path base;
  std::vector<std::filesystem::path> updates;
};

std::vector<UpdateSet> updateSetsUnderTest() {
  std::vector<UpdateSet> sets;
  for (const auto& cell : realCells()) {
    if (cell.extension() != ".000") continue;
    UpdateSet set{cell, {}};
    for (const std::string& update : updateFilesBeside(cell.string()))
      set.updates.emplace_back(update);
    if (!set.updates.empty()) sets.push_back(std::move(set));
  }
  return sets;
}

// Real coordinates carry seven decimal places.
constexpr int kDecimals = 7;
using Records = std::map<std::string, std::string>;

// The names of the records a file holds as the load reads it.
std::set<std::string> recordNamesIn(const std::string& path) {
  Dataset dataset;
  load(dataset, path);
  std::set<std::string> names;
  for (const auto& [name, text] : recordsOf(dataset))
    names.insert(name);
  return names;
}

// The records outside mayChange that are not as expected (changed, gone or
// new), a line each; empty when there are none.
std::string recordsChanged(const Records& expected, const Records& got,
                           const std::set<std::string>& mayChange) {
  std::set<std::string> names;
  for (const Records* records : {&expected, &got}) {
    for (const auto& [name, text] : *records)
      names.insert(name);
  }
  std::string out;
  for (const std::string& name : names) {
    if (mayChange.count(name)) continue;
    const auto was = expected.find(name);
    const auto is = got.find(name);
    const std::string before = was != expected.end() ? was->second : "(none)";
    const std::string after = is != got.end() ? is->second : "(none)";
    if (before != after) out += name + ": " + before + " -> " + after + "\n";
  }
  return out;
}

struct UpdateTally {
  int sets = 0, files = 0, cases = 0, applied = 0, shown = 0;
};

// Damages each update file of set in turn, the others intact beside the base.
void damageUpdateSet(const UpdateSet& set, UpdateTally& tally) {
  SCOPED_TRACE(set.base.string());
  TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string baseBytes = readFileBytes(set.base);
  ASSERT_FALSE(baseBytes.empty());
  const std::string basePath = folder.writeBytes(baseBytes, set.base.filename().string());
  std::vector<std::string> intact, paths;
  for (const auto& update : set.updates) {
    intact.push_back(readFileBytes(update));
    paths.push_back(folder.writeBytes(intact.back(), update.filename().string()));
  }
  ASSERT_EQ(updateFilesBeside(basePath), paths);
  std::vector<std::set<std::string>> named;
  for (const std::string& path : paths)
    named.push_back(recordNamesIn(path));

  ChartSession session;
  session.setWindow(640, 480);
  DiscardingReporter quiet;
  ++tally.sets;
  size_t index = 0;
  for (size_t k = 0; k < paths.size(); ++k) {
    const std::string name = set.updates[k].filename().string();
    SCOPED_TRACE(name);
    ++tally.files;
    // The chart as the intact files before this one leave it.
    Dataset before;
    ASSERT_EQ(load(before, basePath).status, 0);
    std::string priorLog;
    const UpdateReport prior = applyUpdateFiles(
        before, {paths.begin(), paths.begin() + static_cast<ptrdiff_t>(k)},
        [&](const char* format, std::va_list args) { priorLog += formatMessage(format, args); });
    const Records expected = recordsOf(before, kDecimals);
    const bool reached =
        !prior.cancelled && priorLog.find("no later update applied") == std::string::npos;

    for (const Damage& damage :
         damagesOf(intact[k], 2 * baseBytes.size() + intact[k].size(), kUpdateBudget)) {
      SCOPED_TRACE(damage.what);
      ++tally.cases;
      session.setS58Profile(index++ % 3 == 0 ? std::optional<S58Options>(
                                                   S58Options{.ignored = {}, .withGeometry = true})
                                             : std::nullopt);
      folder.writeBytes(damage.bytes, set.updates[k].filename().string());
      Dataset dataset;
      ASSERT_EQ(load(dataset, basePath).status, 0);
      std::string log;
      const UpdateReport report = applyUpdateFiles(
          dataset, paths,
          [&](const char* format, std::va_list args) { log += formatMessage(format, args); });
      EXPECT_FALSE(report.outOfMemory);
      EXPECT_EQ(invariantViolations(dataset), "");
      // The files before it apply as they did; the damaged file is applied,
      // left aside or refused, and the log says which.
      ASSERT_GE(report.applied.size(), prior.applied.size());
      EXPECT_TRUE(std::equal(prior.applied.begin(), prior.applied.end(), report.applied.begin()));
      if (reached) {
        EXPECT_NE(log.find("Update " + name + " "), std::string::npos) << log;
      }
      // Only the records the applied files name may differ from before: a
      // file refused whole changes nothing, and the damaged file, when it
      // applies, may name records its intact copy does not (a flip in an
      // RCID).
      std::set<std::string> mayChange;
      for (size_t j = k; j < paths.size(); ++j) {
        if (std::find(report.applied.begin(), report.applied.end(), paths[j]) ==
            report.applied.end()) {
          continue;
        }
        mayChange.insert(named[j].begin(), named[j].end());
        if (j == k) {
          ++tally.applied;
          const std::set<std::string> damaged = recordNamesIn(paths[k]);
          mayChange.insert(damaged.begin(), damaged.end());
        }
      }
      EXPECT_EQ(recordsChanged(expected, recordsOf(dataset, kDecimals), mayChange), "") << log;

      const OpenResult opened = session.open(basePath.c_str(), quiet);
      EXPECT_EQ(opened.loadStatus, 0);
      EXPECT_EQ(opened.updatesFound, static_cast<int>(paths.size()));
      EXPECT_EQ(opened.updatesApplied, report.applied);
      EXPECT_EQ(opened.updatesRefused, report.refused());
      EXPECT_EQ(opened.outcome == OpenOutcome::Cancelled, report.cancelled);
      EXPECT_TRUE(kCheckStatuses.count(opened.checkStatus))
          << "check status " << opened.checkStatus;
      if (opened.opened()) {
        EXPECT_FALSE(walkChart(session).pickOutsideChain);
        ++tally.shown;
      }
      session.close();
      if (testing::Test::HasFailure()) return;  // one damage's report is enough
    }
    folder.writeBytes(intact[k], set.updates[k].filename().string());
  }
}

class DamagedUpdates : public testing::TestWithParam<int> {};

TEST_P(DamagedUpdates, NoDamagedUpdateChangesTheRecordsItDoesNotName) {
  const std::vector<UpdateSet> sets = updateSetsUnderTest();
  if (sets.empty()) GTEST_SKIP() << "no real cells with update files";
  UpdateTally tally;
  for (size_t i = static_cast<size_t>(GetParam()); i < sets.size(); i += kShards) {
    damageUpdateSet(sets[i], tally);
    if (HasFailure()) break;
  }
  std::printf("%d update sets, %d update files, %d damaged copies, %d applied, %d shown\n",
              tally.sets, tally.files, tally.cases, tally.applied, tally.shown);
}

INSTANTIATE_TEST_SUITE_P(Shards, DamagedUpdates, testing::Range(0, kShards));

}  // namespace
}  // namespace abys::test
