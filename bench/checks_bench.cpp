// The ten checks over generated cells of 10 thousand to 1 million records:
// depth lines (an edge between two connected nodes and its line feature,
// with VALDCO) and every tenth line a named point on an isolated node. And
// check 7 alone over large cells of abys-mkcell, with the most heap it holds.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "cell_writer.h"
#include "check_driver.h"
#include "checks.h"
#include "load_driver.h"

// Heap bytes in use and the most since the last reset, kept by the global
// operator new and delete of this program.
namespace {
std::atomic<size_t> heapInUse{0};
std::atomic<size_t> heapPeak{0};
}  // namespace

// GCC takes the replaced operators for a malloc/delete mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const size_t now = heapInUse += malloc_usable_size(p);
  size_t peak = heapPeak;
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  if (p != nullptr) heapInUse -= malloc_usable_size(p);
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  operator delete(p);
}

namespace {

namespace fs = std::filesystem;
using namespace abys;

// Writes the cell once into build/bench/ and returns its path.
std::string cellOf(int records) {
  const fs::path path = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bench" /
                        ("checks-" + std::to_string(records) + ".000");
  if (fs::exists(path)) return path.string();
  fs::create_directories(path.parent_path());
  cellwriter::Cell cell;
  uint32_t rcid = 1;
  uint32_t feature = 1;
  int count = 0;
  for (int line = 0; count < records; ++line) {
    const double y = 35.0 + line * 1e-5;
    const uint32_t begin = rcid++, end = rcid++, edgeId = rcid++;
    cell.vectors.push_back(cellwriter::connectedNode(begin, {139.0, y}));
    cell.vectors.push_back(cellwriter::connectedNode(end, {139.1, y}));
    cell.vectors.push_back(cellwriter::edge(edgeId, begin, end, {{139.05, y}}));
    cellwriter::Feature f;
    f.rcid = feature++;
    f.objl = 30011;
    f.attributes = {{174, std::to_string(line % 50)}};
    f.spatialPointers = {{130, edgeId}};
    cell.features.push_back(std::move(f));
    count += 4;
    if (line % 10 == 0) {
      const uint32_t node = rcid++;
      cell.vectors.push_back(cellwriter::isolatedNode(node, {139.2, y}));
      cellwriter::Feature name;
      name.rcid = feature++;
      name.prim = 1;
      name.objl = 30012;
      name.nationalAttributes = {{301, u"名前"}};
      name.spatialPointers = {{110, node}};
      cell.features.push_back(std::move(name));
      count += 2;
    }
  }
  cellwriter::writeFile(path.string(), cellwriter::encodeCell(cell));
  return path.string();
}

void runChecks(benchmark::State& state) {
  const std::string path = cellOf(static_cast<int>(state.range(0)));
  auto dataset = std::make_unique<Dataset>();
  int status = 0;
  for (auto _ : state) {
    state.PauseTiming();
    int32_t exchangePurpose = 0;
    loadCell(*dataset, path.c_str(), exchangePurpose, nullptr, nullptr);
    state.ResumeTiming();
    status = runLogicalChecks(*dataset, nullptr);
  }
  if (status != 0) state.SkipWithError("the generated cell failed its checks");
  state.counters["records"] = dataset->features.count + dataset->vectorCount;
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(runChecks)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Takes each finding, or counts, as abys-check and abys-check --summary do,
// and says nothing.
class Quiet : public FindingReporter {
 public:
  explicit Quiet(FindingDetail detail) : detail_(detail) {}
  void announce(const char*) override {}
  void report(const Finding&) override {}
  FindingDetail detail() const override { return detail_; }

 private:
  FindingDetail detail_;
};

// Check 7 over a cell abys-mkcell writes with options, once, into
// build/…/bench/NAME.000 (skipped when abys-mkcell is not built beside this
// program). "heap MB" is the most heap the check held above what was in use
// when it began.
void duplication(benchmark::State& state, const char* name, const char* options,
                 FindingDetail detail) {
  const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
  const fs::path path = bin.parent_path() / "bench" / (std::string(name) + ".000");
  if (!fs::exists(path)) {
    fs::create_directories(path.parent_path());
    const std::string command =
        (bin / "abys-mkcell").string() + " " + options + " " + path.string() + " >/dev/null";
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("abys-mkcell could not write the cell");
      return;
    }
  }
  auto dataset = std::make_unique<Dataset>();
  int32_t exchangePurpose = 0;
  if (loadCell(*dataset, path.c_str(), exchangePurpose, nullptr, nullptr) != 0) {
    state.SkipWithError("the cell did not load");
    return;
  }
  Quiet quiet(detail);
  size_t peak = 0;
  for (auto _ : state) {
    CheckReport report(*dataset, quiet);
    const size_t before = heapInUse;
    heapPeak = before;
    checkFeatureDuplication(*dataset, report);
    peak = std::max(peak, heapPeak - before);
  }
  state.counters["features"] = dataset->features.count;
  state.counters["heap MB"] = static_cast<double>(peak) / 1e6;
}

// 312,629 features: depth lines of 200 levels, 8,000 named basins and
// shoals, 1,000 places; no two share a spatial pointer.
constexpr const char* kDepthLines =
    "--levels 200 --relief 8000 --vertices 4000000 --edge-coordinates 20 --places 1000";
// 698,884 features, half of them depth areas that share their edges with
// their neighbours.
constexpr const char* kStandard =
    "--standard --levels 200 --relief 8000 --vertices 4000000 --edge-coordinates 20";
BENCHMARK_CAPTURE(duplication, depth_lines, "mk-4M-e20", kDepthLines, FindingDetail::Each)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(duplication, depth_lines_counted, "mk-4M-e20", kDepthLines,
                  FindingDetail::CountOnly)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(duplication, standard, "mk-standard-4M-e20", kStandard, FindingDetail::Each)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
