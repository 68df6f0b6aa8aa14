// The S-58 checks of object classes and attributes against the catalogue, and the orientation of
// lines.
#include "context.h"

namespace abys::s58 {
namespace {

constexpr std::span<const std::string_view> kChecks;

void run(Context&) {}

}  // namespace

Group catalogueChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
