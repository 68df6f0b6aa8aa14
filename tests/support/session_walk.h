// Shared by the pipeline fuzz target and the damaged-cell test: a cell held
// in an anonymous memory file (opened through an ordinary path, no disk
// traffic), a base cell and its update files in a temporary folder, and a
// walk over an open chart doing what the viewer does.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <algorithm>

#include "chart_geometry.h"
#include "chart_session.h"
#include "feature_area.h"
#include "support/load.h"

namespace abys::test {

// One memory file for the life of the object; write() replaces its bytes.
class MemoryCellFile {
 public:
  MemoryCellFile() : fd_(memfd_create("abys-cell", 0)) {
    if (fd_ >= 0) path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryCellFile() {
    if (fd_ >= 0) close(fd_);
  }
  MemoryCellFile(const MemoryCellFile&) = delete;
  MemoryCellFile& operator=(const MemoryCellFile&) = delete;

  bool write(const void* data, size_t size) {
    if (fd_ < 0 || ftruncate(fd_, 0) != 0) return false;
    const auto* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
      const ssize_t n = pwrite(fd_, bytes + done, size - done, static_cast<off_t>(done));
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  // Empty when no memory file could be made.
  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

// A base cell and its update files as CELL.000, CELL.001, ... in a fresh
// temporary folder, removed with the object; write() replaces the whole set.
class CellSetFolder {
 public:
  // files[0] is the base, the others its updates in order.
  bool write(const std::vector<std::string_view>& files) {
    if (folder_.path().empty()) return false;
    bool written = true;
    for (size_t i = 0; i < files.size(); ++i)
      written = writeFile(pathOf(i), files[i]) && written;
    for (size_t i = files.size(); i < count_; ++i)
      std::remove(pathOf(i).c_str());
    count_ = files.size();
    return written;
  }
  std::string basePath() const { return pathOf(0); }

 private:
  std::string pathOf(size_t number) const {
    char name[16];
    std::snprintf(name, sizeof name, "CELL.%03zu", number);
    return folder_.path() + "/" + name;
  }
  static bool writeFile(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
  }

  TempFolder folder_;
  size_t count_ = 0;
};

// What the walk over an open chart saw, for assertions.
struct ShownChart {
  int linesAssembled = 0;
  int picks = 0;                  // pixels where a depth line was picked
  bool pickOutsideChain = false;  // a pick returned a feature of neither line chain
};

// Does over an open chart what the viewer does with it: assembles and
// projects the line of every portrayed feature as the render
// pass does (and its area), and picks and reads out at nine pixels over the window before
// and after a zoom and a pan, then runs every View command once.
inline ShownChart walkChart(ChartSession& session) {
  ShownChart shown;
  const DisplayState& display = session.display();
  for (const portrayal::FeaturePortrayal& portrayed : display.portrayal.features()) {
    if (const auto line = assembleFeatureLine(*portrayed.feature)) {
      ++shown.linesAssembled;
      (void)projectLine(*line, session.view());
    }
    (void)assembleFeatureArea(*portrayed.feature);
  }
  const ViewWindow window = session.window();
  for (int pass = 0; pass < 2; ++pass) {
    for (int32_t column = 0; column <= window.right; column += std::max(1, window.right / 2)) {
      for (int32_t row = 0; row <= window.bottom; row += std::max(1, window.bottom / 2)) {
        if (const FeatureRecord* picked = pickDepthLine(display, session.view(), {column, row})) {
          ++shown.picks;
          const bool aLine = picked->objl == kDepthLineClass || picked->objl == catalogue::kDepcnt;
          shown.pickOutsideChain = shown.pickOutsideChain || !aLine;
        }
        (void)session.depthAt({column, row});
        (void)session.positionAt({column, row});
      }
    }
    session.run(ViewCommand::ZoomIn);
    session.run(ViewCommand::Left);
    session.run(ViewCommand::Up);
  }
  for (int command = 0; command < kViewCommandCount; ++command) {
    session.run(static_cast<ViewCommand>(command));
  }
  return shown;
}

}  // namespace abys::test
