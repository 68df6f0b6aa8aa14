// Drives the viewer's whole open sequence over arbitrary bytes taken as a
// cell file: the chart session loads and checks it and, when it opens, the
// walk draws every line's geometry, picks and reads out at a spread of
// pixels and runs every View command; then the chart is closed.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "chart_session.h"
#include "support/session_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static abys::test::MemoryCellFile file;
  if (file.path().empty() || !file.write(data, size)) return 0;

  static abys::ChartSession session;
  session.setWindow(640, 480);
  abys::DiscardingReporter quiet;
  // The order check writes its refusals to standard error; keep the fuzzer's
  // output readable (sanitizer reports write to the descriptor, not here).
  static std::FILE* devNull = std::fopen("/dev/null", "w");
  std::FILE* saved = stderr;
  if (devNull != nullptr) stderr = devNull;
  const abys::OpenResult result = session.open(file.path().c_str(), quiet);
  stderr = saved;
  if (result.opened()) abys::test::walkChart(session);
  session.close();
  return 0;
}
