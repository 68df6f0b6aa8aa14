// The ten checks over generated cells of 10 thousand to 1 million records:
// depth lines (an edge between two connected nodes and its line feature,
// with VALDCO) and every tenth line a named point on an isolated node.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "cell_writer.h"
#include "check_driver.h"
#include "load_driver.h"

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

}  // namespace

BENCHMARK_MAIN();
