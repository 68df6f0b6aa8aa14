// The S-58 checks of the exchange set: file names, the catalogue file, text and picture files.
#include "context.h"

namespace abys::s58 {
namespace {

constexpr std::span<const std::string_view> kChecks;

void run(Context&) {}

}  // namespace

Group exchangeChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
