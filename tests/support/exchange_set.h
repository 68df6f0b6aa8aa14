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
  namespace cw = cellwriter;
  const std::string ut(1, cw::kUnitTerminator);
  std::string bytes = cw::encodeDescriptiveRecord(
      {{"0000", "0000;&   " + ut + "0001CATD"},
       {"0001", "0100;&   Record identifier" + ut + ut + "(I(5))"},
       {"CATD", "1600;&   Catalogue directory field" + ut +
                    "RCNM!RCID!FILE!LFIL!VOLM!IMPL!SLAT!WLON!NLAT!ELON!CRCS!COMT" + ut +
                    "(A(2),I(10),3A,A(3),4R,2A)"}});
  int id = 0;
  for (const auto& [file, impl] : entries) {
    ++id;
    cw::FieldBuilder catd;
    catd.fixed("CD", 2).fixed(std::string(9, '0') + std::to_string(id), 10).text(file).text("");
    catd.text("V01X01").fixed(impl, 3);
    for (int i = 0; i < 6; ++i)
      catd.text("");
    bytes += cw::encodeRecord(
        {{{"0001", cw::FieldBuilder().fixed("0000" + std::to_string(id), 5).data()},
          {"CATD", catd.data()}}});
  }
  return bytes;
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
