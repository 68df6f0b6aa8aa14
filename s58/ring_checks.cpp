// The S-58 checks of line continuity and area rings: closure, chaining, orientation, ring
// structure.
#include "context.h"

namespace abys::s58 {
namespace {

void run(Context& /*context*/) {}

}  // namespace

Group ringChecks() {
  return {run, {}};
}

}  // namespace abys::s58
