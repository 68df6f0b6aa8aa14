// The S-58 checks of record identifiers, dataset parameters and refused
// update instructions, on a small clean cell changed one way per case.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "profile.h"
#include "support/load.h"
#include "support/s58_findings.h"
#include "update_files.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;

const std::set<std::string> kIdentityChecks = {"3",   "5",    "12",   "29",   "30",  "32",  "33",
                                               "34",  "35",   "523",  "524",  "525", "526", "539",
                                               "575", "1504", "1510", "1513", "1549"};

// A depth contour on edge 13 and a light at isolated node 21.
cw::Cell cleanCell() {
  cw::Cell cell;
  cell.vectors = {cw::connectedNode(11, {139.0, 35.0}), cw::connectedNode(12, {139.3, 35.0}),
                  cw::edge(13, 11, 12, {{139.1, 35.1}}), cw::isolatedNode(21, {139.5, 35.5})};
  cell.features = {
      {.rcid = 1, .prim = 2, .objl = 43, .spatialPointers = {{.rcid = 13, .mask = 2}}},
      {.rcid = 2, .prim = 1, .objl = 75, .spatialPointers = {{.rcnm = 110, .rcid = 21}}}};
  return cell;
}

cw::Cell update(std::vector<cw::Vector> vectors, std::vector<cw::Feature> features) {
  cw::Cell cell = cw::updateCell(1);
  cell.vectors = std::move(vectors);
  cell.features = std::move(features);
  return cell;
}

// "check record..." for each finding of this group.
std::multiset<std::string> findingsOf(const cw::Cell& base, const std::optional<cw::Cell>& next) {
  test::TempFolder folder;
  const std::string path = folder.writeBytes(cw::encodeCell(base), "CELL.000");
  if (next) folder.writeBytes(cw::encodeCell(*next), "CELL.001");
  std::multiset<std::string> found;
  for (const S58Finding& f : test::s58FindingsAt(path)) {
    std::string line(f.check->number);
    if (!kIdentityChecks.contains(line)) continue;
    for (const RecordKey& key : f.records)
      line += " " + recordName(key);
    found.insert(line);
  }
  return found;
}

TEST(S58IdentityChecks, EachDefectItsFinding) {
  using Change = std::function<void(cw::Cell&)>;
  const cw::Feature modify{.rcid = 1, .rver = 2, .ruin = 3};
  const struct {
    const char* what;
    Change change;
    std::optional<cw::Cell> next;
    std::multiset<std::string> expected;
  } cases[] = {
      {"clean", {}, {}, {}},
      {"two records of one name",
       [](cw::Cell& c) {
         c.vectors.push_back(cw::isolatedNode(21, {1, 1}));
       },
       {},
       {"3 VI0000000021"}},
      {"a feature without geometry",
       [](cw::Cell& c) { c.features[1].spatialPointers.clear(); },
       {},
       {"12 FE0000000002"}},
      {"a collection needs none",
       [](cw::Cell& c) { c.features.push_back({.rcid = 3, .prim = 255, .objl = 400}); },
       {},
       {}},
      {"parameters in other units and data",
       [](cw::Cell& c) {
         c.dspm.hdat = 1, c.dspm.duni = 2, c.dspm.puni = 2, c.dspm.coun = 2, c.dspm.huni = 2;
         c.dspm.vdat = 255, c.dspm.sdat = 255, c.dspm.cscl = 0;
         c.dssi.dstr = 1, c.dsid.prof = 3;
       },
       {},
       {"523", "524", "525", "526", "539", "575", "1504", "1510", "1513", "1549"}},
      {"an update count that differs from the pointers given",
       {},
       update({}, {[&] {
                auto f = modify;
                f.fspc = cw::UpdateControl{1, 1, 2};
                f.spatialPointers = {{.rcid = 13}};
                return f;
              }()}),
       {"29 FE0000000001"}},
      {"an update index outside the field",
       {},
       update({}, {[&] {
                auto f = modify;
                f.fspc = cw::UpdateControl{2, 5, 1};
                return f;
              }()}),
       {"30 FE0000000001"}},
      {"an update of a record the cell lacks",
       {},
       update({}, {{.rcid = 9, .rver = 2, .ruin = 2, .withFoid = false}}),
       {"32 FE0000000009"}},
      {"an update attribute the catalogue lacks",
       {},
       update({}, {[&] {
                auto f = modify;
                f.attributes = {{9999, "1"}};
                return f;
              }()}),
       {"33 FE0000000001"}},
      {"an update pointer to no kind of record",
       {},
       update({}, {[&] {
                auto f = modify;
                f.fspc = cw::UpdateControl{1, 1, 1};
                f.spatialPointers = {{.rcnm = 255, .rcid = 13}};
                return f;
              }()}),
       {"34 FE0000000001"}},
      {"an update version out of sequence",
       {},
       update({}, {[&] {
                auto f = modify;
                f.rver = 5;
                f.attributes = {{174, "1"}};
                return f;
              }()}),
       {"35 FE0000000001"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    cw::Cell cell = cleanCell();
    if (c.change) c.change(cell);
    EXPECT_EQ(findingsOf(cell, c.next), c.expected);
  }
}

}  // namespace
}  // namespace abys
