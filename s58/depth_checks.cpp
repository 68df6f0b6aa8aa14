// The S-58 checks of depth contours, depth areas and soundings.
#include "context.h"

namespace abys::s58 {
namespace {

constexpr std::span<const std::string_view> kChecks;

void run(Context&) {}

}  // namespace

Group depthChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
