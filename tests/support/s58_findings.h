// The S-58 findings of a hand-made cell, opened as the viewer and
// abys-check open it.
#pragma once

#include <optional>
#include <vector>

#include "chart_session.h"
#include "support/chart_cells.h"
#include "support/load.h"
#include "update_files.h"

namespace abys::test {

// None when the profile did not run (the load or an update cancelled it).
inline std::optional<std::vector<S58Finding>> s58FindingsOf(const cellwriter::Cell& cell) {
  CellFolder folder;
  ChartSession session;
  session.setS58Profile(S58Options{});
  DiscardingReporter quiet;
  return session.open(folder.write(cell).c_str(), quiet).s58;
}

// The profile run on the cell at path with the update files beside it
// applied, straight on the model, whatever the ten checks would say.
inline std::vector<S58Finding> s58FindingsAt(const std::string& path) {
  Dataset chart;
  const int status = load(chart, path).status;
  const std::vector<std::string> files = updateFilesBeside(path);
  UpdateReport report;
  if (!files.empty()) report = applyUpdateFiles(chart, files, {});
  return runS58Profile({chart, path, status, files.empty() ? nullptr : &report});
}

}  // namespace abys::test
