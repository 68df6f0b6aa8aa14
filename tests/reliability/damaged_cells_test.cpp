// Damaged cells: every real cell and the sample cell, truncated at record
// boundaries and at byte offsets, and with bytes flipped in leaders,
// directories and field data. Each damaged file is loaded (a defined status
// and an intact model) and goes through the viewer's open sequence (the
// chart session, then a walk over the chart when it opens). Run under the
// sanitizers, a read out of bounds or a leak fails the test too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "chart_session.h"
#include "load_driver.h"
#include "support/load.h"
#include "support/session_walk.h"
#include "support/stream.h"

namespace abys::test {
namespace {

// Bytes of cell read per cell, summed over its cases: the spread of cases
// shrinks with the cell's size so that the largest cells cost about as much
// as the small ones (the whole suite also runs under the sanitizers).
constexpr size_t kBytesPerCell = 2'000'000;
constexpr size_t kMinTruncations = 6;
constexpr size_t kMinOffsets = 4;
constexpr size_t kMaxOffsets = 16;
constexpr size_t kMinFlips = 8;
constexpr size_t kMaxFlips = 96;

const std::set<int> kLoadStatuses = {0, 1, 2, 6, 7, 8, -2};
const std::set<int> kCheckStatuses = {0,   301, 306, 307, 308, 310, 313, 314, 315,
                                      322, 323, 325, 326, 501, 502, 503, 504};

std::filesystem::path sampleCell() {
  return std::filesystem::path(ABYS_SOURCE_DIR) / "samples" / "ABYS0001.000";
}

std::vector<std::filesystem::path> cellsUnderTest() {
  std::vector<std::filesystem::path> cells{sampleCell()};
  for (const auto& cell : realCells())
    cells.push_back(cell);
  return cells;
}

// Where each record starts and where its field area starts, read from the
// leaders; stops at the first leader that does not parse.
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
    const size_t length = leaderNumber(bytes, at, 5);
    const size_t base = leaderNumber(bytes, at + 12, 5);
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

std::vector<Damage> damagesOf(const std::string& bytes) {
  std::vector<Damage> damages;
  const std::vector<RecordSpan> spans = recordSpans(bytes);
  const size_t size = std::max<size_t>(bytes.size(), 1);
  const size_t truncations =
      std::clamp(2 * kBytesPerCell / size, kMinTruncations, std::max<size_t>(spans.size(), 1));
  const size_t offsets = std::clamp(kBytesPerCell / size / 2, kMinOffsets, kMaxOffsets);
  const size_t flips = std::clamp(kBytesPerCell / size, kMinFlips, kMaxFlips);

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

void damageCell(const std::filesystem::path& cell, int& cases, int& shown) {
  SCOPED_TRACE(cell.string());
  const std::string bytes = readFileBytes(cell);
  ASSERT_FALSE(bytes.empty());
  MemoryCellFile file;
  ASSERT_FALSE(file.path().empty());
  ChartSession session;
  session.setWindow(640, 480);
  DiscardingReporter quiet;
  for (const Damage& damage : damagesOf(bytes)) {
    SCOPED_TRACE(damage.what);
    ++cases;
    ASSERT_TRUE(file.write(damage.bytes.data(), damage.bytes.size()));
    Dataset dataset;
    const LoadResult loaded = load(dataset, file.path());
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
    // A load that failed before assembling anything is no chart.
    EXPECT_EQ(opened.opened(),
              opened.checkStatus == 0 &&
                  (assembled || (loaded.status == 0 && loaded.exchangePurpose != 0)));
    if (opened.opened()) {
      EXPECT_FALSE(walkChart(session).pickOutsideChain);
      ++shown;
    }
    session.close();
    if (testing::Test::HasFailure()) return;  // one damage's report is enough
  }
}

TEST_P(DamagedCells, EveryDamageEndsInADefinedStatusWithAnIntactModel) {
  const std::vector<std::filesystem::path> cells = cellsUnderTest();
  int cellCount = 0, cases = 0, shown = 0;
  for (size_t i = static_cast<size_t>(GetParam()); i < cells.size(); i += kShards) {
    damageCell(cells[i], cases, shown);
    ++cellCount;
    if (HasFailure()) break;
  }
  std::printf("%d cells, %d damaged copies, %d shown\n", cellCount, cases, shown);
}

INSTANTIATE_TEST_SUITE_P(Shards, DamagedCells, testing::Range(0, kShards));

}  // namespace
}  // namespace abys::test
