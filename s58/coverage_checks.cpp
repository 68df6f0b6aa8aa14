// The S-58 checks of coverage (M_COVR, M_NSYS), the skin of the earth, and supporting objects.
#include "context.h"

namespace abys::s58 {
namespace {

constexpr std::span<const std::string_view> kChecks;

void run(Context&) {}

}  // namespace

Group coverageChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
