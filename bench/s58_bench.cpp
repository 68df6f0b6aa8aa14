// The S-58 profile's cost: a cell opened as abys-check opens it (load,
// update files, the ten checks with every finding formatted), without and
// with the profile. Cells: the largest real one beside the repository, and
// standard cells of abys-mkcell of 100 thousand and a million vertices and
// one of a tenth of the million's records (2,558 against 27,656), made once
// into the build's bench folder; ABYS_BENCH_CELLS=a.000:b.000
// runs others.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "chart_session.h"

namespace {

namespace fs = std::filesystem;
using namespace abys;

fs::path binFolder() {
  return fs::read_symlink("/proc/self/exe").parent_path();
}

// A standard cell from abys-mkcell, made once.
std::string standardCell(const std::string& name, const std::string& options) {
  const fs::path path = binFolder().parent_path() / "bench" / (name + ".000");
  if (!fs::exists(path)) {
    fs::create_directories(path.parent_path());
    const std::string command = (binFolder() / "abys-mkcell").string() + " --standard " + options +
                                " " + path.string() + " >/dev/null";
    if (std::system(command.c_str()) != 0) return {};
  }
  return path.string();
}

std::vector<std::string> cells() {
  std::vector<std::string> found;
  if (const char* listed = std::getenv("ABYS_BENCH_CELLS")) {
    const std::string list = listed;
    for (size_t start = 0; start < list.size();) {
      const size_t colon = std::min(list.find(':', start), list.size());
      if (colon > start) found.push_back(list.substr(start, colon - start));
      start = colon + 1;
    }
    return found;
  }
  const fs::path real = fs::path(ABYS_REAL_DATA_DIR) / "csf_prf" / "inputs" / "US4GA17M.000";
  if (fs::exists(real)) found.push_back(real.string());
  for (const auto& [name, options] :
       {std::pair{"standard-2.6k-records", "--levels 30 --relief 70 --vertices 120000"},
        std::pair{"standard-100k", "--vertices 100000"},
        std::pair{"standard-1M", "--levels 50 --relief 500 --vertices 1000000"}}) {
    const std::string path = standardCell(name, options);
    if (!path.empty()) found.push_back(path);
  }
  return found;
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

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (const std::string& path : cells()) {
    const std::string name = fs::path(path).stem().string();
    benchmark::RegisterBenchmark(("open/" + name).c_str(), open, path, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("openWithS58/" + name).c_str(), open, path, true)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
