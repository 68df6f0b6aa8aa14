// Line geometry of a checked cell with one million vertices: every depth line
// assembled from its edges and nodes and projected to pixels, as each render
// and each depth pick do.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "cell_writer.h"
#include "check_driver.h"
#include "feature_line.h"
#include "load_driver.h"
#include "view_transform.h"

namespace {

namespace fs = std::filesystem;
using namespace abys;

// 10,000 depth lines of two edges each, 101 vertices a line.
std::string cellPath() {
  const fs::path path =
      fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bench" / "lines-1M.000";
  if (fs::exists(path)) return path.string();
  fs::create_directories(path.parent_path());
  cellwriter::Cell cell;
  uint32_t rcid = 1;
  for (int line = 0; line < 10000; ++line) {
    const double y = 35.0 + line * 1e-4;
    const uint32_t a = rcid++, b = rcid++, c = rcid++, e1 = rcid++, e2 = rcid++;
    cell.vectors.push_back(cellwriter::connectedNode(a, {139.0, y}));
    cell.vectors.push_back(cellwriter::connectedNode(b, {139.25, y}));
    cell.vectors.push_back(cellwriter::connectedNode(c, {139.5, y}));
    std::vector<cellwriter::Point2> first, second;
    for (int p = 1; p <= 49; ++p) {
      first.push_back({139.0 + p * 0.25 / 50, y + (p % 5) * 1e-6});
      second.push_back({139.25 + p * 0.25 / 50, y + (p % 3) * 1e-6});
    }
    cell.vectors.push_back(cellwriter::edge(e1, a, b, first));
    cell.vectors.push_back(cellwriter::edge(e2, c, b, second));
    cellwriter::Feature f;
    f.rcid = static_cast<uint32_t>(line + 1);
    f.objl = 30011;
    f.attributes = {{174, std::to_string(line % 100)}};
    f.spatialPointers = {{130, e1, 1}, {130, e2, 2}};
    cell.features.push_back(std::move(f));
  }
  cellwriter::writeFile(path.string(), cellwriter::encodeCell(cell));
  return path.string();
}

void assembleAndProject(benchmark::State& state) {
  auto dataset = std::make_unique<Dataset>();
  int32_t exchangePurpose = 0;
  if (loadCell(*dataset, cellPath().c_str(), exchangePurpose, nullptr, nullptr) != 0 ||
      runLogicalChecks(*dataset, nullptr) != 0) {
    state.SkipWithError("the generated cell did not load and pass its checks");
    return;
  }
  ViewState view;
  const Bounds geo{dataset->minX, dataset->minY, dataset->maxX, dataset->maxY};
  setProjection(view, geo);
  fitView(view, projectBounds(view, geo), ViewWindow{0, 0, 600, 400});
  int64_t vertices = 0;
  for (auto _ : state) {
    vertices = 0;
    int64_t sum = 0;
    for (const FeatureRecord* f : dataset->features) {
      const std::optional<FeatureLine> line = assembleFeatureLine(*f);
      if (!line) continue;
      for (const LinePoint& p : line->points) {
        const PixelPoint px = metresToPixel(view, degreesToMetres(view, p.x, p.y));
        sum += px.column + px.row;
      }
      vertices += line->pointCount();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["vertices"] = static_cast<double>(vertices);
  state.SetItemsProcessed(state.iterations() * vertices);
}
BENCHMARK(assembleAndProject)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
