// The cells the chart benchmarks open: ABYS_BENCH_CELLS (colon-separated
// paths) when set, else US4GA17M from the real cells beside the repository
// and standard cells abys-mkcell writes into build/<preset>/bench/ on first
// use.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace abys::bench {

inline std::filesystem::path binFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// A standard cell from abys-mkcell with these options, made once; empty
// when it cannot be made.
inline std::string standardCell(const std::string& name, const std::string& options) {
  const std::filesystem::path path = binFolder().parent_path() / "bench" / (name + ".000");
  if (!std::filesystem::exists(path)) {
    std::filesystem::create_directories(path.parent_path());
    const std::string command = (binFolder() / "abys-mkcell").string() + " --standard " + options +
                                " " + path.string() + " >/dev/null";
    if (std::system(command.c_str()) != 0) return {};
  }
  return path.string();
}

// realCell (a path, used when it exists) and the standard cells of these
// names and options, or the cells ABYS_BENCH_CELLS names.
inline std::vector<std::string> benchCells(
    const std::filesystem::path& realCell,
    const std::vector<std::pair<std::string, std::string>>& standard) {
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
  if (std::filesystem::exists(realCell)) found.push_back(realCell.string());
  for (const auto& [name, options] : standard) {
    const std::string path = standardCell(name, options);
    if (!path.empty()) found.push_back(path);
  }
  return found;
}

}  // namespace abys::bench
