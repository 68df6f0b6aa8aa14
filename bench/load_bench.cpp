// Loading whole cells: in-process throughput of loadCell, and whole-process
// time and peak memory of `abys-check FILE` beside GDAL's
// `ogrinfo -ro -so -al FILE` on the same files, measured in the same run.
//
// Inputs: the largest real cell beside the repository (when present) and a
// two generated cells of about 25 MB each, written once to build/bench/.
//
// `applyUpdates/…` applies the update files beside a real cell (US5WA22M
// and its four) to its freshly loaded base, the load left out of the time;
// `loadCell/…` of the same base beside it is the yardstick.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "load_driver.h"
#include "update_files.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace abys;

fs::path programDir() {
  return fs::read_symlink("/proc/self/exe").parent_path();
}

// Writes a generated cell once into build/bench/ and returns its path.
template <typename Build>
std::string generatedCell(const std::string& name, Build build) {
  const fs::path path = programDir().parent_path() / "bench" / name;
  if (fs::exists(path)) return path.string();
  fs::create_directories(path.parent_path());
  cellwriter::Cell cell;
  build(cell);
  cellwriter::writeFile(path.string(), cellwriter::encodeCell(cell));
  return path.string();
}

// Depth lines: `lines` edges of `points` interior points between two
// connected nodes, each with its line feature; every `soundingEvery`-th line
// also gets an isolated node with soundings and a named point feature.
void depthLines(cellwriter::Cell& cell, int lines, int points, int soundingEvery) {
  uint32_t rcid = 1;
  uint32_t feature = 1;
  for (int line = 0; line < lines; ++line) {
    const double y = 35.0 + line * 1e-4;
    const uint32_t begin = rcid++;
    const uint32_t end = rcid++;
    const uint32_t edgeId = rcid++;
    cell.vectors.push_back(cellwriter::connectedNode(begin, {139.0, y}));
    cell.vectors.push_back(cellwriter::connectedNode(end, {139.5, y}));
    std::vector<cellwriter::Point2> interior;
    for (int p = 1; p <= points; ++p) {
      interior.push_back({139.0 + p * 0.5 / (points + 1), y + (p % 7) * 1e-6});
    }
    cell.vectors.push_back(cellwriter::edge(edgeId, begin, end, std::move(interior)));
    cellwriter::Feature f;
    f.rcid = feature++;
    f.objl = 30011;
    f.attributes = {{174, std::to_string(5 * (line % 40))}, {116, "contour"}};
    f.spatialPointers = {{130, edgeId}};
    cell.features.push_back(std::move(f));
    if (soundingEvery > 0 && line % soundingEvery == 0) {
      const uint32_t node = rcid++;
      cell.vectors.push_back(cellwriter::soundingNode(
          node, {{139.1, y, 12.5}, {139.2, y, 13.1}, {139.3, y, 11.9}, {139.4, y, 10.2}}));
      cellwriter::Feature name;
      name.rcid = feature++;
      name.prim = 1;
      name.objl = 30012;
      name.nationalAttributes = {{301, u"東京湾"}};
      name.spatialPointers = {{110, node}};
      cell.features.push_back(std::move(name));
    }
  }
}

std::string largestRealCell() {
  const fs::path dir = ABYS_REAL_DATA_DIR;
  std::string best;
  uintmax_t bestSize = 0;
  if (!fs::is_directory(dir)) return best;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file() && entry.path().extension() == ".000" &&
        entry.file_size() > bestSize) {
      bestSize = entry.file_size();
      best = entry.path().string();
    }
  }
  return best;
}

std::vector<std::string>& inputs() {
  static std::vector<std::string> files = [] {
    std::vector<std::string> f;
    if (std::string real = largestRealCell(); !real.empty()) f.push_back(real);
    // Coordinates dominate: 400 points a line.
    f.push_back(
        generatedCell("dense-lines.000", [](cellwriter::Cell& c) { depthLines(c, 7500, 400, 0); }));
    // Records dominate, as in charts: 30 points a line, soundings, names.
    f.push_back(
        generatedCell("chart-like.000", [](cellwriter::Cell& c) { depthLines(c, 36000, 30, 2); }));
    return f;
  }();
  return files;
}

void loadInProcess(benchmark::State& state, const std::string& path) {
  auto dataset = std::make_unique<Dataset>();
  for (auto _ : state) {
    int32_t exchangePurpose = 0;
    const int status = loadCell(*dataset, path.c_str(), exchangePurpose, nullptr, nullptr);
    if (status != 0) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(dataset->features.count);
  }
  const auto size = static_cast<int64_t>(fs::file_size(path));
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["file MB"] = static_cast<double>(size) / 1e6;
  state.counters["records"] = dataset->features.count + dataset->vectorCount;
}

void applyInProcess(benchmark::State& state, const std::string& base) {
  const std::vector<std::string> files = updateFilesBeside(base);
  auto dataset = std::make_unique<Dataset>();
  UpdateReport report;
  for (auto _ : state) {
    state.PauseTiming();
    int32_t exchangePurpose = 0;
    if (loadCell(*dataset, base.c_str(), exchangePurpose, nullptr, nullptr) != 0) {
      state.SkipWithError("the base does not load");
      break;
    }
    state.ResumeTiming();
    report = applyUpdateFiles(*dataset, files, {});
  }
  if (report.applied.size() != files.size() || report.refused() > 0)
    state.SkipWithError("not every update applied");
  int64_t bytes = 0;
  for (const std::string& file : files)
    bytes += static_cast<int64_t>(fs::file_size(file));
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["files"] = static_cast<double>(files.size());
}

// Runs a program to its end under /usr/bin/time, which reports the peak
// resident memory of that program alone (a child spawned from this process
// would inherit its high-water mark). Returns the peak in MB, or -1.
double runProcess(const std::vector<std::string>& command, const std::vector<std::string>& env) {
  const std::string report = (fs::temp_directory_path() / "abys-bench-time.txt").string();
  std::vector<std::string> args = {"/usr/bin/time", "-f", "%M", "-o", report};
  args.insert(args.end(), command.begin(), command.end());
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> environment(env);
  for (char** e = environ; *e != nullptr; ++e)
    environment.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : environment)
    envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  double kilobytes = -1;
  if (std::FILE* f = std::fopen(report.c_str(), "r")) {
    if (std::fscanf(f, "%lf", &kilobytes) != 1) kilobytes = -1;
    std::fclose(f);
  }
  return kilobytes < 0 ? -1 : kilobytes / 1024.0;
}

void measureProcess(benchmark::State& state, const std::vector<std::string>& command,
                    const std::vector<std::string>& env, const std::string& path) {
  double peak = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    peak = runProcess(command, env);
    const auto end = std::chrono::steady_clock::now();
    if (peak < 0) state.SkipWithError("cannot run the program");
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  const auto size = static_cast<int64_t>(fs::file_size(path));
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["peak MB"] = peak;
}

void registerAll() {
  const fs::path updated =
      fs::path(ABYS_REAL_DATA_DIR) / "s57tiler/data/charts/US5WA22M/US5WA22M.000";
  if (fs::is_regular_file(updated)) {
    const std::string name = updated.filename().string();
    benchmark::RegisterBenchmark(("loadCell/" + name).c_str(), loadInProcess, updated.string())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("applyUpdates/" + name).c_str(), applyInProcess, updated.string())
        ->Unit(benchmark::kMillisecond);
  }
  for (const std::string& path : inputs()) {
    const std::string name = fs::path(path).filename().string();
    benchmark::RegisterBenchmark(("loadCell/" + name).c_str(), loadInProcess, path)
        ->Unit(benchmark::kMillisecond);
    const std::string check = (programDir() / "abys-check").string();
    benchmark::RegisterBenchmark(("process/abys-check/" + name).c_str(), measureProcess,
                                 std::vector<std::string>{check, path}, std::vector<std::string>{},
                                 path)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("process/ogrinfo/" + name).c_str(), measureProcess,
                                 std::vector<std::string>{"ogrinfo", "-ro", "-so", "-al", path},
                                 std::vector<std::string>{"OGR_S57_OPTIONS=UPDATES=IGNORE"}, path)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  registerAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
