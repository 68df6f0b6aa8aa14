// Drives the viewer's whole open sequence over arbitrary bytes taken as a
// cell file: the chart session loads and checks it, runs the S-58 profile
// (with the geometry of every finding) and, when it opens (a cell that fails
// the checks too, drawn as far as it can be), the walk draws every line's geometry, picks and reads
// out at a spread of pixels and runs every View command; then the chart is closed.
//
// An input holding kUpdateMarker is a base cell and its update files: the
// bytes before the first marker are written as CELL.000, those after it as
// CELL.001, and each further marker starts the next update file (at most
// kMaxUpdates; later markers stay in the last file's bytes). The session
// then opens CELL.000 and applies the updates beside it. An input of odd
// length is read on past fields out of order, one of even length is not.
#include <string.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "chart_session.h"
#include "prepare_chart.h"
#include "support/session_walk.h"

namespace {

// Byte 0xff, then "ABYSUPD".
constexpr std::string_view kUpdateMarker{"\377ABYSUPD", 8};
constexpr size_t kMaxUpdates = 8;

// The input cut at its markers: the base, then the update files.
std::vector<std::string_view> filesOf(const uint8_t* data, size_t size) {
  std::vector<std::string_view> files;
  const auto* rest = reinterpret_cast<const char*>(data);
  size_t left = size;
  while (files.size() < kMaxUpdates) {
    // memmem, not string_view::find: libFuzzer watches memmem's arguments
    // and so learns the marker.
    const auto* marker =
        static_cast<const char*>(memmem(rest, left, kUpdateMarker.data(), kUpdateMarker.size()));
    if (marker == nullptr) break;
    files.emplace_back(rest, static_cast<size_t>(marker - rest));
    left -= static_cast<size_t>(marker - rest) + kUpdateMarker.size();
    rest = marker + kUpdateMarker.size();
  }
  files.emplace_back(rest, left);
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string_view> files = filesOf(data, size);
  std::string path;
  if (files.size() == 1) {
    static abys::test::MemoryCellFile file;
    if (file.path().empty() || !file.write(data, size)) return 0;
    path = file.path();
  } else {
    static abys::test::CellSetFolder folder;
    if (!folder.write(files)) return 0;
    path = folder.basePath();
  }

  static abys::ChartSession session;
  session.setWindow(640, 480);
  session.setS58Profile(abys::S58Options{.ignored = {}, .withGeometry = true});
  session.setOpenFailedCharts(true);
  session.setReadPastOrderErrors(size % 2 == 1);
  // The presentation library's depths for a third of the inputs: the
  // safety contour found from the depth areas' edges.
  abys::portrayal::PortrayalSettings rules;
  rules.s52Depths = size % 3 == 0;
  rules.simplifiedSymbols = size % 5 == 0;
  session.setPortrayalRules(rules);
  abys::DiscardingReporter quiet;
  // The order check writes its refusals to standard error; keep the fuzzer's
  // output readable (sanitizer reports write to the descriptor, not here).
  static std::FILE* devNull = std::fopen("/dev/null", "w");
  std::FILE* saved = stderr;
  if (devNull != nullptr) stderr = devNull;
  const abys::OpenResult result = session.open(path.c_str(), quiet);
  stderr = saved;
  if (result.opened() || result.shownAnyway) {
    abys::test::walkChart(session);
    (void)abys::portrayalListing(session.display(), session.drawnGeometry(), 50000.0);
  }
  session.close();
  return 0;
}
