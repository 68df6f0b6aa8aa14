// The S-58 findings of a hand-made cell, opened as the viewer and
// abys-check open it.
#pragma once

#include <optional>
#include <vector>

#include "chart_session.h"
#include "support/chart_cells.h"

namespace abys::test {

// None when the profile did not run (the load or an update cancelled it).
inline std::optional<std::vector<S58Finding>> s58FindingsOf(const cellwriter::Cell& cell) {
  CellFolder folder;
  ChartSession session;
  session.setS58Profile(S58Options{});
  DiscardingReporter quiet;
  return session.open(folder.write(cell).c_str(), quiet).s58;
}

}  // namespace abys::test
