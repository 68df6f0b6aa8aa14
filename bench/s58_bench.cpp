// The S-58 profile's cost: a cell opened as abys-check opens it (load,
// update files, the ten checks with every finding formatted), without and
// with the profile. Cells: the largest real one beside the repository, and
// standard cells of abys-mkcell of 100 thousand and a million vertices, one
// of a tenth of the million's records (2,558 against 27,656) and one of a
// million soundings, made once into the build's bench folder; ABYS_BENCH_CELLS=a.000:b.000
// runs others.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_cells.h"
#include "chart_session.h"
#include "check_driver.h"
#include "context.h"
#include "load_driver.h"

namespace {

namespace fs = std::filesystem;
using namespace abys;

std::vector<std::string> cells() {
  return bench::benchCells(fs::path(ABYS_REAL_DATA_DIR) / "csf_prf" / "inputs" / "US4GA17M.000",
                           {{"standard-100k", "--vertices 100000"},
                            {"standard-2.6k-records", "--levels 30 --relief 70 --vertices 120000"},
                            {"standard-1M", "--levels 50 --relief 500 --vertices 1000000"},
                            {"standard-1M-soundings", "--grid 1200 --soundings 1000000"}});
}

void open(benchmark::State& state, const std::string& path, bool profile) {
  ChartSession session;
  if (profile) session.setS58Profile(S58Options{});
  TextLogReporter lines([](const char* format, std::va_list args) {
    benchmark::DoNotOptimize(formatMessage(format, args));
  });
  OpenResult result;
  for (auto _ : state) {
    result = session.open(path.c_str(), lines);
    session.close();
  }
  state.counters["records"] = result.counts.features + result.counts.vectors;
  if (result.s58) state.counters["findings"] = static_cast<double>(result.s58->size());
}

// One group of checks alone on a cell loaded and checked once, each run with
// a fresh context (so with the shapes and indexes that group builds itself).
void group(benchmark::State& state, const std::string& path, size_t which) {
  Dataset dataset;
  int32_t purpose = 0;
  const int status = loadCell(dataset, path.c_str(), purpose, nullptr, nullptr);
  DiscardingReporter quiet;
  runLogicalChecks(dataset, quiet);
  const S58Input input{dataset, path, status, nullptr};
  const s58::RecordNames names(dataset);
  const s58::Group g = s58::groups()[which];
  for (auto _ : state) {
    s58::Context context(input, names, false);
    g.run(context);
    benchmark::DoNotOptimize(context.take());
  }
  releaseDataset(dataset);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (const std::string& path : cells()) {
    const std::string name = fs::path(path).stem().string();
    // The profile runs its lanes of groups on threads of their own: wall
    // time for what the user waits, and the CPU time of the whole process.
    benchmark::RegisterBenchmark(("open/" + name).c_str(), open, path, false)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
    benchmark::RegisterBenchmark(("openWithS58/" + name).c_str(), open, path, true)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
    static constexpr const char* kGroups[] = {"identity",  "topology", "rings",    "encoding",
                                              "catalogue", "exchange", "coverage", "depth"};
    static_assert(std::size(kGroups) == std::tuple_size_v<decltype(s58::groups())>);
    for (size_t g = 0; g < std::size(kGroups); ++g) {
      benchmark::RegisterBenchmark(("group/" + std::string(kGroups[g]) + "/" + name).c_str(), group,
                                   path, g)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
