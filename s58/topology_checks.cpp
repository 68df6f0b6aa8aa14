// The S-58 checks of pointers, edges and nodes, coordinates on nodes, duplicated features and
// references.
#include "context.h"

namespace abys::s58 {
namespace {

void run(Context& /*context*/) {}

}  // namespace

Group topologyChecks() {
  return {run, {}};
}

}  // namespace abys::s58
