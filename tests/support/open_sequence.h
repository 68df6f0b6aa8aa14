// The viewer's open sequence without a window, shared by the pipeline fuzz
// target and the damaged-cell test: a cell held in an anonymous memory file
// (read by loadCell through an ordinary path, no disk traffic), and the
// display half of the sequence over a dataset that passed the checks.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "display_chains.h"
#include "display_state.h"
#include "feature_line.h"
#include "pointer_readout.h"
#include "view_transform.h"

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

// What the display half of the sequence saw, for assertions.
struct ShownChart {
  int linesAssembled = 0;
  int picks = 0;                  // pixels where a depth line was picked
  bool pickOutsideChain = false;  // a pick returned a feature not in chain 0
};

// Runs what the viewer runs after checks that passed (display chains, VALDCO
// range, projection, fit to a 640 x 480 window), then assembles the line of
// every feature of every display chain as the render pass does, and picks
// and reads out at nine pixels over the window before and after a zoom and a pan.
inline ShownChart showChart(Dataset& dataset) {
  ShownChart shown;
  DisplayState display;
  ViewState view;
  const ViewWindow window{0, 0, 640, 480};
  prepareChart(display, dataset, view, window);

  for (const DisplayChain& chain : display.displayChains) {
    for (const FeatureRecord* feature = chain.head; feature != nullptr;
         feature = feature->nextInClass) {
      if (const auto line = assembleFeatureLine(*feature)) {
        ++shown.linesAssembled;
        for (const LinePoint& point : line->points) {
          (void)metresToPixel(view, degreesToMetres(view, point.x, point.y));
        }
      }
    }
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (int32_t column = 0; column <= window.right; column += window.right / 2) {
      for (int32_t row = 0; row <= window.bottom; row += window.bottom / 2) {
        if (const FeatureRecord* picked = pickDepthLine(display, view, {column, row})) {
          ++shown.picks;
          bool inChain = false;
          for (const FeatureRecord* f = display.displayChains[kDepthLines].head; f != nullptr;
               f = f->nextInClass) {
            inChain = inChain || f == picked;
          }
          shown.pickOutsideChain = shown.pickOutsideChain || !inChain;
        }
        (void)depthText(display, view, {column, row});
        (void)positionText(view, {column, row});
      }
    }
    zoomViewIn(view);
    panLeft(view);
    panUp(view);
  }
  zoomViewOut(view);
  panRight(view);
  panDown(view);
  return shown;
}

}  // namespace abys::test
