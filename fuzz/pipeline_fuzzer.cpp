// Drives the whole open sequence of the viewer over arbitrary bytes taken as
// a cell file: the load, the logical checks and, when they pass, the display
// chains, the VALDCO range, the projection and fit, the geometry of every
// depth line and the pick at a spread of pixels, then the release.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "check_driver.h"
#include "load_driver.h"
#include "support/open_sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static abys::test::MemoryCellFile file;
  if (file.path().empty() || !file.write(data, size)) return 0;

  static const abys::LogFn discardLog = [](const char*, std::va_list) {};
  static const abys::ProgressFn discardProgress = [](double) {};
  // The order check writes its refusals to standard error; keep the fuzzer's
  // output readable (sanitizer reports write to the descriptor, not here).
  static std::FILE* devNull = std::fopen("/dev/null", "w");
  auto* dataset = new abys::Dataset;
  int32_t exchangePurpose = 0;
  std::FILE* saved = stderr;
  if (devNull != nullptr) stderr = devNull;
  const int loadStatus =
      abys::loadCell(*dataset, file.path().c_str(), exchangePurpose, discardLog, discardProgress);
  stderr = saved;
  if (loadStatus != abys::kCannotOpen && abys::runLogicalChecks(*dataset, discardLog) == 0) {
    abys::test::showChart(*dataset);
  }
  abys::releaseDataset(*dataset);
  delete dataset;
  return 0;
}
