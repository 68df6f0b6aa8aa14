// Tests of the S-58 encoding checks: subfield values, field order and
// repetition, update-file structure. Each case writes a small cell (and its
// update files) and names the findings of these checks the profile gives.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cell_writer.h"
#include "profile.h"
#include "support/chart_cells.h"
#include "support/load.h"
#include "update_files.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;

constexpr uint16_t kDepcnt = 43;
constexpr uint16_t kLights = 75;
constexpr uint16_t kDepare = 42;

// The checks of this group, and 34 whose feature-pointer part it gives.
const std::set<std::string> kEncodingChecks = {
    "4",   "9a",   "9b",   "9c",  "10c",  "20a",  "23",   "26a",   "27",   "34",
    "36a", "36b",  "38",   "88a", "88b",  "88c",  "518a", "518b",  "533",  "534",
    "536", "540a", "540b", "555", "1006", "1008", "1010", "1021a", "1522b"};

// A clean cell: a depth contour on edge 13 between nodes 11 and 12, a light
// at isolated node 21, a depth area bounded by the loop edge 33 at node 31.
cw::Cell cleanCell() {
  cw::Cell cell;
  cell.dsid.dsnm = "CELL.000";
  cell.vectors = {cw::connectedNode(11, {139.0, 35.0}),
                  cw::connectedNode(12, {139.3, 35.0}),
                  cw::edge(13, 11, 12, {{139.1, 35.1}}),
                  cw::isolatedNode(21, {139.5, 35.5}),
                  cw::connectedNode(31, {139.0, 35.2}),
                  cw::edge(33, 31, 31, {{139.0, 35.3}, {139.2, 35.3}, {139.2, 35.2}})};
  cell.features = {
      {.rcid = 1, .prim = 2, .objl = kDepcnt, .spatialPointers = {{.rcid = 13, .mask = 2}}},
      {.rcid = 2, .prim = 1, .objl = kLights, .spatialPointers = {{.rcnm = 110, .rcid = 21}}},
      {.rcid = 3,
       .prim = 3,
       .grup = 1,
       .objl = kDepare,
       .spatialPointers = {{.rcid = 33, .usag = 1, .mask = 2}}},
  };
  return cell;
}

// An update of the clean cell: number n, no parameter record, no UADT.
cw::Cell updateCell(int n) {
  cw::Cell cell = cw::updateCell(static_cast<uint32_t>(n));
  cell.dsid.dsnm = "CELL.00" + std::to_string(n);
  return cell;
}

// The findings of these checks on the cell at basePath with its update
// files: "check name name...".
std::multiset<std::string> findingsAt(const std::string& basePath) {
  Dataset chart;
  const test::LoadResult loaded = test::load(chart, basePath);
  UpdateReport report;
  const std::vector<std::string> updates = updateFilesBeside(basePath);
  if (loaded.status == 0 && !updates.empty()) report = applyUpdateFiles(chart, updates, {});
  const S58Input input{chart, basePath, loaded.status, updates.empty() ? nullptr : &report};
  std::multiset<std::string> found;
  for (const S58Finding& f : runS58Profile(input)) {
    std::string line(f.check->number);
    if (!kEncodingChecks.contains(line)) continue;
    for (const RecordKey& key : f.records)
      line += " " + recordName(key);
    found.insert(line);
  }
  return found;
}

// The bytes of a cell, or of its records changed by edit first.
using Edit = std::function<void(std::vector<cw::Record>&)>;
std::string bytesOf(const cw::Cell& cell, const Edit& edit = {}) {
  if (!edit) return cw::encodeCell(cell);
  std::vector<cw::Record> records = cw::cellRecords(cell);
  edit(records);
  return cw::encodeFile(records, cw::cellEncodeOptions(cell));
}

std::multiset<std::string> findingsOf(const std::string& base,
                                      const std::vector<std::string>& updates = {}) {
  test::TempFolder folder;
  const std::string path = folder.writeBytes(base, "CELL.000");
  for (size_t i = 0; i < updates.size(); ++i)
    folder.writeBytes(updates[i], "CELL.00" + std::to_string(i + 1));
  return findingsAt(path);
}

// The field of a tag in a record.
cw::Field& fieldOf(cw::Record& record, const std::string& tag) {
  for (cw::Field& f : record.fields) {
    if (f.tag == tag) return f;
  }
  throw std::logic_error("no field " + tag);
}

// The record of the cell's records whose identifier field carries rcid.
cw::Record& recordOf(std::vector<cw::Record>& records, const std::string& tag, uint32_t rcid) {
  for (cw::Record& r : records) {
    for (const cw::Field& f : r.fields) {
      if (f.tag == tag && f.data.size() >= 5 && static_cast<uint8_t>(f.data[1]) == rcid) return r;
    }
  }
  throw std::logic_error("no record " + tag);
}

// ORNT, USAG and MASK of the spatial pointer of the line (feature 0), the
// point (1) or the area (2) of the clean cell.
TEST(EncodingChecks, SpatialPointerValuesByPrimitive) {
  struct Case {
    size_t feature;
    cw::SpatialPointer pointer;
    std::multiset<std::string> expected;
  };
  const std::string line = " FE0000000001 VE0000000013", area = " FE0000000003 VE0000000033";
  const std::vector<Case> cases = {
      {0, {.rcid = 13, .ornt = 3, .mask = 2}, {"9a" + line}},
      {0, {.rcid = 13, .ornt = 255, .usag = 1, .mask = 1}, {"9a" + line, "9b" + line}},
      {0, {.rcid = 13, .ornt = 2, .mask = 255}, {"9c" + line}},
      {0, {.rcid = 13, .ornt = 2, .mask = 1}, {}},
      {1, {.rcnm = 110, .rcid = 21, .mask = 2}, {"10c FE0000000002 VI0000000021"}},
      {1, {.rcnm = 110, .rcid = 21, .ornt = 1, .usag = 255, .mask = 255}, {}},
      {2, {.rcid = 33, .ornt = 255, .usag = 1, .mask = 2}, {"88a" + area}},
      {2, {.rcid = 33, .usag = 255, .mask = 2}, {"88b" + area}},
      {2, {.rcid = 33, .usag = 1, .mask = 3}, {"88c" + area}},
      {2, {.rcid = 33, .ornt = 2, .usag = 3, .mask = 255}, {}},  // truncated by the data limit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "feature " << c.feature << " ORNT " << +c.pointer.ornt
                                    << " USAG " << +c.pointer.usag << " MASK " << +c.pointer.mask);
    cw::Cell cell = cleanCell();
    cell.features[c.feature].spatialPointers = {c.pointer};
    EXPECT_EQ(findingsOf(cw::encodeCell(cell)), c.expected);
  }
}

struct BaseCase {
  const char* what;
  std::function<void(cw::Cell&)> change;
  Edit edit;
  std::multiset<std::string> expected;
};

TEST(EncodingChecks, BaseCellValuesAndStructure) {
  const std::vector<BaseCase> cases = {
      {"clean", {}, {}, {}},
      {"pointer naming no kind of vector",
       [](cw::Cell& c) { c.features[1].spatialPointers[0].rcnm = 101; },
       {},
       {"4 FE0000000002   0000000021"}},
      {"feature record of RCNM 101",
       {},
       [](std::vector<cw::Record>& r) { fieldOf(recordOf(r, "FRID", 2), "FRID").data[0] = 101; },
       {"4   0000000002 VI0000000021"}},
      {"group null",
       [](cw::Cell& c) { c.features[1].grup = 255; },
       {},
       {"26a FE0000000002", "540a FE0000000002", "518b FE0000000002"}},
      {"vector RUIN outside",
       [](cw::Cell& c) { c.vectors[3].ruin = 100; },
       {},
       {"26a VI0000000021"}},
      {"feature without its FOID",
       [](cw::Cell& c) { c.features[1].withFoid = false; },
       {},
       {"540a FE0000000002", "555 FE0000000002"}},
      {"light drawn as a line",
       [](cw::Cell& c) {
         c.features[1].prim = 2;
         c.features[1].spatialPointers[0] = {.rcid = 13, .mask = 2};
       },
       {},
       {"20a FE0000000002"}},
      {"skin of the earth in group 2",
       [](cw::Cell& c) { c.features[2].grup = 2; },
       {},
       {"518a FE0000000003"}},
      {"a light in group 1",
       [](cw::Cell& c) { c.features[1].grup = 1; },
       {},
       {"518b FE0000000002"}},
      {"PSDN given", [](cw::Cell& c) { c.dsid.psdn = "ENC"; }, {}, {"540b"}},
      {"a face record",
       [](cw::Cell& c) { c.vectors.push_back({.rcnm = 140, .rcid = 41}); },
       {},
       {"540b VF0000000041"}},
      {"a field S-57 does not know, and a defect after it",
       [](cw::Cell& c) { c.features[1].spatialPointers[0].mask = 2; },
       [](std::vector<cw::Record>& r) {
         recordOf(r, "VRID", 21).fields.push_back({"ARCC", "x"});
       },
       {"23 VI0000000021", "540b VI0000000021", "10c FE0000000002 VI0000000021"}},
      {"a field S-57 does not know that holds no coordinates",
       {},
       [](std::vector<cw::Record>& r) {
         recordOf(r, "VRID", 21).fields.push_back({"XXXX", "x"});
       },
       {"540b VI0000000021"}},
      {"FOID given twice",
       {},
       [](std::vector<cw::Record>& r) {
         cw::Record& light = recordOf(r, "FRID", 2);
         light.fields.insert(light.fields.begin() + 3, fieldOf(light, "FOID"));
       },
       {"536 FE0000000002"}},
      {"parameter field holding two repetitions",
       {},
       [](std::vector<cw::Record>& r) {
         cw::Field& dspm = fieldOf(r[1], "DSPM");
         dspm.data += dspm.data;
       },
       {"536"}},
      {"a vector record after the features",
       {},
       [](std::vector<cw::Record>& r) { std::rotate(r.begin() + 2, r.begin() + 3, r.end()); },
       {"555 VC0000000011"}},
      {"attributes after the spatial pointers",
       [](cw::Cell& c) {
         c.features[1].attributes = {{116, "Light"}};
       },
       [](std::vector<cw::Record>& r) {
         cw::Record& light = recordOf(r, "FRID", 2);
         std::swap(light.fields[3], light.fields[4]);  // ATTF and FSPT
       },
       {"555 FE0000000002"}},
  };
  for (const BaseCase& c : cases) {
    SCOPED_TRACE(c.what);
    cw::Cell cell = cleanCell();
    if (c.change) c.change(cell);
    EXPECT_EQ(findingsOf(bytesOf(cell, c.edit)), c.expected);
  }
}

TEST(EncodingChecks, FieldDescriptionsOtherThanS57s) {
  const std::string clean = cw::encodeCell(cleanCell());
  struct Case {
    const char* what;
    std::string from, to;
    std::multiset<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"DSID RCNM described as two bytes", "(b11,b14,2b11,3A", "(b12,b14,2b11,3A", {"27"}},
      {"FRID RUIN described as two bytes",
       "(b11,b14,2b11,2b12,b11)",
       "(b11,b14,2b11,2b12,b12)",
       {"27"}},
      {"FRID with two billion repetitions",
       "(b11,b14,2b11,2b12,b11)",
       "(b11,2000000000b11,b11)",
       {"27"}},
      {"DSPM described as repeating", "RCNM!RCID!HDAT", "*CNM!RCID!HDAT", {"536"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = clean;
    const size_t at = bytes.find(c.from);
    ASSERT_NE(at, std::string::npos);
    // Same length, so the descriptive record's directory still holds.
    ASSERT_EQ(c.from.size(), c.to.size());
    bytes.replace(at, c.from.size(), c.to);
    EXPECT_EQ(findingsOf(bytes), c.expected);
  }
}

struct UpdateCase {
  const char* what;
  std::function<void(cw::Cell&)> change;
  Edit edit;
  std::multiset<std::string> expected;
};

TEST(EncodingChecks, UpdateFiles) {
  // The line 1 or the light 2 modified (version 2), as set makes it.
  using Set = std::function<void(cw::Feature&)>;
  auto modified = [](uint32_t rcid, Set set, std::vector<cw::Vector> vectors = {}) {
    return [=](cw::Cell& u) {
      cw::Feature f{.rcid = rcid, .prim = uint8_t(rcid == 1 ? 2 : 1), .rver = 2, .ruin = 3};
      set(f);
      u.features = {f};
      u.vectors = vectors;
    };
  };
  const cw::Feature light{.rcid = 4, .prim = 1, .objl = kLights, .spatialPointers = {{110, 21}}};
  const std::vector<UpdateCase> cases = {
      {"clean: an attribute given and a light inserted",
       [&](cw::Cell& u) {
         u.features = {{.rcid = 1, .rver = 2, .ruin = 3, .attributes = {{174, "5"}}}, light};
       },
       {},
       {}},
      {"update date given", [](cw::Cell& u) { u.dsid.uadt = "20250102"; }, {}, {"533", "1522b"}},
      {"update number not the extension", [](cw::Cell& u) { u.dsid.updn = "2"; }, {}, {"1021a"}},
      {"cancellation with a record",
       [](cw::Cell& u) {
         u.dsid.edtn = "0";
         u.vectors = {{.rcnm = 110, .rcid = 21, .rver = 2, .ruin = 2}};
       },
       [](std::vector<cw::Record>& r) { r[0].fields.pop_back(); },  // no DSSI
       {"534"}},
      {"cancellation of the DSID alone",
       [](cw::Cell& u) { u.dsid.edtn = "0"; },
       [](std::vector<cw::Record>& r) { r[0].fields.pop_back(); },
       {}},
      {"another lexical level", [](cw::Cell& u) { u.dssi.nall = 1; }, {}, {"1006"}},
      {"another agency", [](cw::Cell& u) { u.dsid.agen = 550; }, {}, {"1008"}},
      {"a modify with another agency's FOID",
       modified(2,
                [](cw::Feature& f) {
                  f.agen = 550, f.fidn = 2, f.attributes = {{116, "L"}};
                }),
       {},
       {"1008 FE0000000002", "1010 FE0000000002"}},
      {"a modify with another FOID subdivision",
       modified(2,
                [](cw::Feature& f) {
                  f.fidn = 2, f.fids = 7, f.attributes = {{116, "L"}};
                }),
       {},
       {"1010 FE0000000002"}},
      {"a delete with its FOID",
       modified(2, [](cw::Feature& f) { f.ruin = 2; }),
       {},
       {"36a FE0000000002"}},
      {"a delete of its name alone",
       modified(2, [](cw::Feature& f) { f.ruin = 2, f.withFoid = false; }),
       {},
       {}},
      {"a modify of nothing",
       modified(2, [](cw::Feature& f) { f.withFoid = false; },
                {{.rcnm = 110, .rcid = 21, .rver = 2, .ruin = 3}}),
       {},
       {"36b FE0000000002", "36b VI0000000021"}},
      {"two spatial pointer controls",
       modified(1,
                [](cw::Feature& f) {
                  f.fspc = {1, 2, 1}, f.spatialPointers = {{130, 13, 2, 255, 2}};
                }),
       [](std::vector<cw::Record>& r) {
         cw::Record& line = recordOf(r, "FRID", 1);
         line.fields.insert(line.fields.begin() + 3, fieldOf(line, "FSPC"));
       },
       {"38 FE0000000001", "536 FE0000000001"}},
      {"a feature pointer naming no feature",
       modified(
           2,
           [](cw::Feature& f) {
             f.ffpc = {1, 1, 2}, f.featurePointers = {{.fidn = 1}, {.agen = 65535, .fidn = 99}};
           }),
       {},
       {"34 FE0000000002"}},
      {"an unknown pointer update instruction",
       modified(1,
                [](cw::Feature& f) {
                  f.fspc = {4, 1, 1}, f.spatialPointers = {{130, 13, 1, 255, 2}};
                }),
       {},
       {"26a FE0000000001"}},
      {"a vector record after a feature",
       modified(1,
                [](cw::Feature& f) {
                  f.attributes = {{174, "5"}};
                },
                {{.rcnm = 110, .rcid = 22, .coordinates = {{139.6, 35.6}}}}),
       [](std::vector<cw::Record>& r) { std::swap(r[1], r[2]); },
       {"555 VI0000000022"}},
  };
  const std::string base = cw::encodeCell(cleanCell());
  for (const UpdateCase& c : cases) {
    SCOPED_TRACE(c.what);
    cw::Cell update = updateCell(1);
    if (c.change) c.change(update);
    EXPECT_EQ(findingsOf(base, {bytesOf(update, c.edit)}), c.expected);
  }
}

// The chart cells of the other tests, their depth lines shown and their
// coverage in group 2, give none of these findings.
TEST(EncodingChecks, BayCellIsClean) {
  cw::Cell cell = test::bayCell();
  for (cw::Feature& f : cell.features) {
    if (f.prim == 2) f.spatialPointers[0].mask = 2;
    f.grup = 2;
  }
  EXPECT_EQ(findingsOf(cw::encodeCell(cell)), std::multiset<std::string>{});
}

// Two updates: a light inserted by the first and modified by the second
// keeps the FOID the first gave it; each file carries its own number.
TEST(EncodingChecks, UpdatesInSequence) {
  cw::Cell first = updateCell(1);
  first.features = {{.rcid = 4, .prim = 1, .objl = kLights, .spatialPointers = {{110, 21}}}};
  for (const auto& [updn, fids, expected] :
       std::vector<std::tuple<std::string, uint16_t, std::multiset<std::string>>>{
           {"2", 1, {}}, {"1", 1, {"1021a"}}, {"2", 2, {"1010 FE0000000004"}}}) {
    SCOPED_TRACE("UPDN " + updn + " FIDS " + std::to_string(fids));
    cw::Cell second = updateCell(2);
    second.dsid.updn = updn;
    second.features = {{.rcid = 4, .prim = 1, .objl = kLights, .rver = 2, .ruin = 3, .fids = fids}};
    second.features[0].attributes = {{116, "Light"}};
    EXPECT_EQ(
        findingsOf(cw::encodeCell(cleanCell()), {cw::encodeCell(first), cw::encodeCell(second)}),
        expected);
  }
}

}  // namespace
}  // namespace abys
