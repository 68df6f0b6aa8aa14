// Exchange-set catalogues and small cells that pass or fail the checks,
// for the tests of set listings and of checking many cells.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cell_writer.h"

namespace abys::test {

// An exchange-set catalogue: one CATD field per (FILE, IMPL).
inline std::string catalogue(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::vector<cellwriter::CatalogueEntry> listed;
  for (const auto& [file, impl] : entries)
    listed.push_back({.file = file, .impl = impl});
  return cellwriter::encodeCatalogue(listed);
}

// A cell of one depth contour that loads and passes the checks.
inline std::string goodCell() {
  cellwriter::Cell cell;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.5, 35.25}));
  cell.vectors.push_back(cellwriter::connectedNode(2, {139.6, 35.5}));
  cell.vectors.push_back(cellwriter::edge(3, 1, 2, {{139.55, 35.3}}));
  cell.features.push_back({.rcid = 1, .objl = 30011, .spatialPointers = {{.rcid = 3}}});
  return cellwriter::encodeCell(cell);
}

// A cell with a record of an unknown kind, which the checks fail.
inline std::string failingCell() {
  std::vector<cellwriter::Record> records = cellwriter::cellRecords(cellwriter::Cell{});
  records.push_back({{cellwriter::recordIdField(3), {"XXXX", "?"}}});
  return cellwriter::encodeFile(records);
}

}  // namespace abys::test
