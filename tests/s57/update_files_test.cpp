#include "update_files.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "support/load.h"
#include "support/records.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;

constexpr uint16_t kValdco = 174;
constexpr uint16_t kObjnam = 116;
constexpr uint16_t kNobjnm = 301;
const std::string kDelete = "\x7f";

// A small base cell: a line on edge 13 between nodes 11 and 12, a named
// point at isolated node 21, soundings at node 31, and a feature pointer.
cw::Cell baseCell() {
  cw::Cell cell;
  cell.dsid.dsnm = "BASE.000";
  cell.vectors = {cw::connectedNode(11, {139.0, 35.0}), cw::connectedNode(12, {139.3, 35.0}),
                  cw::edge(13, 11, 12, {{139.1, 35.1}, {139.2, 35.1}}),
                  cw::isolatedNode(21, {139.5, 35.5}),
                  cw::soundingNode(31, {{139.6, 35.6, 4.5}, {139.7, 35.7, 12.0}})};
  cell.vectors.back().attributes = {{87, "5"}};
  cell.features = {
      {.rcid = 1,
       .prim = 2,
       .objl = 43,
       .attributes = {{kValdco, "5"}},
       .spatialPointers = {{.rcid = 13}}},
      {.rcid = 2,
       .prim = 1,
       .objl = 75,
       .attributes = {{kObjnam, "Light"}},
       .nationalAttributes = {{kNobjnm, u"灯台"}},
       .featurePointers = {{.fidn = 1}},
       .spatialPointers = {{.rcnm = 110, .rcid = 21}}},
      {.rcid = 3, .prim = 1, .objl = 129, .spatialPointers = {{.rcnm = 110, .rcid = 31}}},
  };
  return cell;
}

// An update of the base: update number n holding these records.
cw::Cell updateCell(int n, std::vector<cw::Vector> vectors, std::vector<cw::Feature> features) {
  cw::Cell cell = cw::updateCell(static_cast<uint32_t>(n));
  cell.vectors = std::move(vectors);
  cell.features = std::move(features);
  return cell;
}

struct Applied {
  UpdateReport report;
  std::string log;
  std::map<std::string, std::string> records;
  Dataset dataset;
};

// Loads base and applies the updates, written beside it as BASE.001...
void apply(const cw::Cell& base, const std::vector<std::string>& updates, Applied& out) {
  test::TempFolder folder;
  const std::string basePath = folder.writeBytes(cw::encodeCell(base), "BASE.000");
  for (size_t i = 0; i < updates.size(); ++i)
    folder.writeBytes(updates[i], "BASE.00" + std::to_string(i + 1));
  ASSERT_EQ(test::load(out.dataset, basePath).status, 0);
  out.report = applyUpdateFiles(
      out.dataset, updateFilesBeside(basePath),
      [&](const char* format, std::va_list args) { out.log += formatMessage(format, args); });
  out.records = test::recordsOf(out.dataset);
}

std::map<std::string, std::string> baseRecords() {
  Dataset dataset;
  test::TempFolder folder;
  test::load(dataset, folder.writeBytes(cw::encodeCell(baseCell()), "BASE.000"));
  return test::recordsOf(dataset);
}

struct InstructionCase {
  const char* what;
  std::vector<cw::Vector> vectors;
  std::vector<cw::Feature> features;
  std::map<std::string, std::string> changed;  // record -> its line; "" when gone
  std::string refusal = "";                    // the refusal line, if any
  std::string reported = "";                   // the changed features reported (changesOf)
};

// The report's changed features in order: + inserted, ~ modified, -
// deleted, then the record name.
std::string changesOf(const UpdateReport& report) {
  std::string text;
  for (const ChangedFeature& f : report.features) {
    if (!text.empty()) text += ' ';
    text += "+~-"[static_cast<int>(f.change)] + recordName(f.rcnm, f.rcid);
  }
  return text;
}

cw::Feature modifyFeature(uint32_t rcid, uint16_t rver = 2) {
  return {.rcid = rcid, .rver = rver, .ruin = 3};
}
cw::Vector modifyVector(uint8_t rcnm, uint32_t rcid) {
  return {.rcnm = rcnm, .rcid = rcid, .rver = 2, .ruin = 3};
}

TEST(UpdateFiles, EachInstructionAppliesOrIsRefusedLeavingItsRecord) {
  const auto base = baseRecords();
  const std::string line = "v1 objl 43 A[ 174=5] N[] S[ VE0000000013/1] F[]";
  auto with = [](cw::Feature f, auto change) {
    change(f);
    return f;
  };
  auto withVector = [](cw::Vector v, auto change) {
    change(v);
    return v;
  };
  const std::vector<InstructionCase> cases = {
      {"attribute value replaced",
       {},
       {with(modifyFeature(1),
             [](auto& f) {
               f.attributes = {{kValdco, "7"}};
             })},
       {{"FE0000000001", "v2 objl 43 A[ 174=7] N[] S[ VE0000000013/1] F[]"}},
       "",
       "~FE0000000001"},
      {"attribute removed by the delete marker, another added in code order",
       {},
       {with(modifyFeature(2),
             [&](auto& f) {
               f.attributes = {{kObjnam, kDelete}, {80, "3"}};
             })},
       {{"FE0000000002", "v2 objl 75 A[ 80=3] N[ 301=" + std::string("\x6f\x70\xf0\x53", 4) +
                             "] S[ VI0000000021/1] F[ 1]"}},
       "",
       "~FE0000000002"},
      {"attributes given to a feature that had none",
       {},
       {with(modifyFeature(3),
             [](auto& f) {
               f.attributes = {{87, "1"}, {kObjnam, "Shoal"}};
             })},
       {{"FE0000000003", "v2 objl 129 A[ 87=1 116=Shoal] N[] S[ VI0000000031/1] F[]"}},
       "",
       "~FE0000000003"},
      {"national attribute removed",
       {},
       {with(modifyFeature(2),
             [](auto& f) {
               f.nationalAttributes = {{kNobjnm, u"\x7f"}};
             })},
       {{"FE0000000002", "v2 objl 75 A[ 116=Light] N[] S[ VI0000000021/1] F[ 1]"}},
       "",
       "~FE0000000002"},
      {"feature inserted",
       {},
       {{.rcid = 9, .prim = 2, .objl = 30, .spatialPointers = {{.rcid = 13, .ornt = 2}}}},
       {{"FE0000000009", "v1 objl 30 A[] N[] S[ VE0000000013/2] F[]"}},
       "",
       "+FE0000000009"},
      {"feature deleted",
       {},
       {{.rcid = 3, .rver = 2, .ruin = 2}},
       {{"FE0000000003", ""}},
       "",
       "-FE0000000003"},
      {"spatial pointer inserted before the first",
       {},
       {with(modifyFeature(1),
             [](auto& f) {
               f.fspc = cw::UpdateControl{1, 1, 1};
               f.spatialPointers = {{.rcid = 14, .ornt = 2}};
             })},
       {{"FE0000000001", "v2 objl 43 A[ 174=5] N[] S[ VE0000000014/2 VE0000000013/1] F[]"}},
       "",
       "~FE0000000001"},
      {"spatial pointer appended after the last",
       {},
       {with(modifyFeature(1),
             [](auto& f) {
               f.fspc = cw::UpdateControl{1, 2, 1};
               f.spatialPointers = {{.rcid = 14}};
             })},
       {{"FE0000000001", "v2 objl 43 A[ 174=5] N[] S[ VE0000000013/1 VE0000000014/1] F[]"}},
       "",
       "~FE0000000001"},
      {"spatial pointer rewritten",
       {},
       {with(modifyFeature(1),
             [](auto& f) {
               f.fspc = cw::UpdateControl{3, 1, 1};
               f.spatialPointers = {{.rcid = 15, .ornt = 2}};
             })},
       {{"FE0000000001", "v2 objl 43 A[ 174=5] N[] S[ VE0000000015/2] F[]"}},
       "",
       "~FE0000000001"},
      {"feature pointer deleted",
       {},
       {with(modifyFeature(2),
             [](auto& f) {
               f.ffpc = cw::UpdateControl{2, 1, 1};
             })},
       {{"FE0000000002", "v2 objl 75 A[ 116=Light] N[ 301=" + std::string("\x6f\x70\xf0\x53", 4) +
                             "] S[ VI0000000021/1] F[]"}},
       "",
       "~FE0000000002"},
      {"coordinates inserted, deleted and rewritten in one file",
       {withVector(modifyVector(130, 13),
                   [](auto& v) {
                     v.sgcc = cw::UpdateControl{3, 2, 1};
                     v.coordinates = {{139.2, 35.2}};
                   }),
        withVector(modifyVector(110, 21),
                   [](auto& v) {
                     v.sgcc = cw::UpdateControl{3, 1, 1};
                     v.coordinates = {{140.0, 36.0}};
                   })},
       {},
       {{"VE0000000013", "v2 A[] P[ VC0000000011 VC0000000012] C[ 139.1,35.1 139.2,35.2] Z[]"},
        {"VI0000000021", "v2 A[] P[] C[ 140.0,36.0] Z[]"}},
       "",
       "~FE0000000001 ~FE0000000002"},
      {"soundings deleted",
       {withVector(modifyVector(110, 31),
                   [](auto& v) {
                     v.sgcc = cw::UpdateControl{2, 1, 1};
                   })},
       {},
       {{"VI0000000031", "v2 A[ 87=5] P[] C[] Z[ 139.7,35.7,12.0]"}},
       "",
       "~FE0000000003"},
      {"vector pointer rewritten and attribute added",
       {withVector(modifyVector(130, 13),
                   [](auto& v) {
                     v.vrpc = cw::UpdateControl{3, 2, 1};
                     v.pointers = {{.rcid = 21, .topi = 2}};
                     v.attributes = {{87, "2"}};
                   })},
       {},
       {{"VE0000000013",
         "v2 A[ 87=2] P[ VC0000000011 VC0000000021] C[ 139.1,35.1 139.2,35.1] Z[]"}},
       "",
       "~FE0000000001"},
      {"vector record deleted",
       {{.rcnm = 110, .rcid = 21, .rver = 2, .ruin = 2}},
       {},
       {{"VI0000000021", ""}}},
      {"insert of a record that exists",
       {},
       {{.rcid = 1, .objl = 30}},
       {},
       "Update BASE.001: insert of FE0000000001 refused: the record exists\n"},
      {"delete of a record that does not exist",
       {{.rcnm = 130, .rcid = 99, .rver = 2, .ruin = 2}},
       {},
       {},
       "Update BASE.001: delete of VE0000000099 refused: no such record\n"},
      {"a version that does not follow",
       {},
       {with(modifyFeature(1, 3),
             [](auto& f) {
               f.attributes = {{kValdco, "7"}};
             })},
       {},
       "Update BASE.001: modify of FE0000000001 refused: version 3 does not follow the version "
       "held, 1\n"},
      {"an index outside the field leaves the attributes of the record too",
       {},
       {with(modifyFeature(1),
             [](auto& f) {
               f.attributes = {{kValdco, "7"}};
               f.fspc = cw::UpdateControl{2, 2, 1};
             })},
       {},
       "Update BASE.001: modify of FE0000000001 refused: FSPC: delete at index 2, outside the 1 "
       "elements held\n"},
      {"a count that runs past the field",
       {withVector(modifyVector(130, 13),
                   [](auto& v) {
                     v.sgcc = cw::UpdateControl{2, 2, 2};
                   })},
       {},
       {},
       "Update BASE.001: modify of VE0000000013 refused: SGCC: delete of 2 elements from index 2 "
       "runs past the 2 held\n"},
      {"a count that is not what the update gives",
       {withVector(modifyVector(130, 13),
                   [](auto& v) {
                     v.sgcc = cw::UpdateControl{1, 1, 2};
                     v.coordinates = {{139.0, 35.0}};
                   })},
       {},
       {},
       "Update BASE.001: modify of VE0000000013 refused: SGCC: insert of 2 elements, the update "
       "gives 1\n"},
      {"a pointer to no kind of vector record",
       {},
       {with(modifyFeature(1),
             [](auto& f) {
               f.fspc = cw::UpdateControl{1, 1, 1};
               f.spatialPointers = {{.rcnm = 255, .rcid = 14}};
             })},
       {},
       "Update BASE.001: modify of FE0000000001 refused: FSPT names a record of RCNM 255\n"},
      {"pointers without their control field",
       {},
       {with(modifyFeature(1), [](auto& f) { f.spatialPointers = {{.rcid = 14}}; })},
       {},
       "Update BASE.001: modify of FE0000000001 refused: FSPT without FSPC\n"},
      {"no such instruction",
       {},
       {{.rcid = 1, .ruin = 7}},
       {},
       "Update BASE.001: instruction 7 of FE0000000001 refused: no such record update "
       "instruction\n"},
  };
  ASSERT_EQ(base.at("FE0000000001"), line);
  for (const InstructionCase& c : cases) {
    SCOPED_TRACE(c.what);
    Applied applied;
    apply(baseCell(), {cw::encodeCell(updateCell(1, c.vectors, c.features))}, applied);
    std::map<std::string, std::string> expected = base;
    for (const auto& [name, text] : c.changed) {
      if (text.empty()) {
        expected.erase(name);
      } else {
        expected[name] = text;
      }
    }
    EXPECT_EQ(applied.records, expected);
    EXPECT_EQ(applied.report.applied.size(), 1u);
    EXPECT_EQ(applied.report.refused(), c.refusal.empty() ? 0 : 1);
    EXPECT_EQ(applied.report.refusals.size(), c.refusal.empty() ? 0u : 1u);
    EXPECT_EQ(changesOf(applied.report), c.reported);
    if (!c.refusal.empty()) {
      EXPECT_NE(applied.log.find(c.refusal), std::string::npos) << applied.log;
    }
    EXPECT_EQ(test::invariantViolations(applied.dataset), "");
  }
}

// The names of a list's records in list order, and its count and last.
template <typename Record>
std::string walkOf(const List<Record>& list) {
  std::string names;
  for (const Record* r : list)
    names += recordName(r->rcnm, r->rcid) + " ";
  return names +
         formatMessage("(%d, last %s)", list.count,
                       list.last ? recordName(list.last->rcnm, list.last->rcid).c_str() : "none");
}

TEST(UpdateFiles, ListCountsAndExtentFollowTheUpdates) {
  Applied applied;
  cw::Vector far = cw::isolatedNode(41, {141.0, 37.0});
  apply(baseCell(),
        {cw::encodeCell(updateCell(1, {far}, {{.rcid = 3, .rver = 2, .ruin = 2}})),
         cw::encodeCell(updateCell(2, {{.rcnm = 110, .rcid = 41, .rver = 2, .ruin = 2}}, {}))},
        applied);
  const Dataset& d = applied.dataset;
  EXPECT_EQ(walkOf(d.features), "FE0000000001 FE0000000002 (2, last FE0000000002)");
  EXPECT_EQ(walkOf(d.isolatedNodes), "VI0000000021 VI0000000031 (2, last VI0000000031)");
  EXPECT_EQ(d.features.count, 2);
  EXPECT_EQ(d.isolatedNodes.count, 2);
  EXPECT_EQ(d.vectorCount, 5);
  EXPECT_EQ(d.minX, 139.0);
  EXPECT_EQ(d.maxX, 139.7);
  EXPECT_EQ(d.maxY, 35.7);
  EXPECT_EQ(applied.log,
            "Update BASE.001 applied: update 1, 1 records inserted, 1 deleted, 0 modified, 0 "
            "refused\n"
            "Update BASE.002 applied: update 2, 0 records inserted, 1 deleted, 0 modified, 0 "
            "refused\n");
}

// Over several files a feature is reported once for what the files left of
// it: inserted (then modified), deleted (whatever came before, its FOID and
// class kept), modified through the connected node of its edge; deleted and
// inserted again, twice. A refused instruction reports nothing.
TEST(UpdateFiles, TheReportNamesTheFeaturesTheFilesChanged) {
  cw::Vector node = modifyVector(120, 11);
  node.sgcc = cw::UpdateControl{3, 1, 1};
  node.coordinates = {{139.05, 35.0}};
  cw::Feature renamed = modifyFeature(9);
  renamed.attributes = {{kObjnam, "Renamed"}};
  cw::Feature wrongVersion = modifyFeature(2, 3);
  wrongVersion.attributes = {{kObjnam, "Refused"}};
  Applied applied;
  apply(
      baseCell(),
      {cw::encodeCell(updateCell(
           1, {},
           {{.rcid = 9, .objl = 30, .spatialPointers = {{.rcid = 13}}},
            {.rcid = 3, .rver = 2, .ruin = 2, .withFoid = false},
            wrongVersion,
            {.rcid = 10, .prim = 1, .objl = 75, .spatialPointers = {{.rcnm = 110, .rcid = 21}}}})),
       cw::encodeCell(updateCell(
           2, {node},
           {renamed,
            {.rcid = 3, .prim = 1, .objl = 43, .spatialPointers = {{.rcnm = 110, .rcid = 21}}}})),
       cw::encodeCell(updateCell(
           3, {}, {{.rcid = 9, .rver = 3, .ruin = 2, .withFoid = false}, modifyFeature(10)}))},
      applied);
  ASSERT_EQ(applied.report.applied.size(), 3u) << applied.log;
  EXPECT_EQ(applied.report.refused(), 1);
  std::string listed;
  for (const ChangedFeature& f : applied.report.features) {
    listed += formatMessage("%c%s objl %u FOID %u/%u/%u %s\n", "+~-"[static_cast<int>(f.change)],
                            recordName(f.rcnm, f.rcid).c_str(), f.objl, f.agen, f.fidn, f.fids,
                            f.file.c_str());
  }
  EXPECT_EQ(listed,
            "-FE0000000009 objl 30 FOID 540/9/1 BASE.003\n"
            "-FE0000000003 objl 129 FOID 540/3/1 BASE.001\n"
            "+FE0000000010 objl 75 FOID 540/10/1 BASE.001\n"
            "+FE0000000003 objl 43 FOID 540/3/1 BASE.002\n"
            "~FE0000000001 objl 43 FOID 540/1/1 BASE.002\n");
  EXPECT_EQ(countChanged(applied.report.features, FeatureChange::Deleted), 2);
  EXPECT_EQ(countChanged(applied.report.features, FeatureChange::Inserted), 2);
}

// Deleting neighbours, the first and the last of a list, and records
// inserted by an earlier file, keeps every list whole.
TEST(UpdateFiles, DeletionsAnywhereKeepTheListsWhole) {
  auto gone = [](uint32_t rcid) {
    return cw::Feature{.rcid = rcid, .rver = 2, .ruin = 2, .withFoid = false};
  };
  const cw::Feature added{.rcid = 8, .objl = 30, .spatialPointers = {{.rcid = 13}}};
  const cw::Feature more{.rcid = 9, .objl = 30, .spatialPointers = {{.rcid = 13}}};
  const struct {
    const char* what;
    std::vector<std::vector<cw::Feature>> files;
    std::string features;
  } cases[] = {
      {"the first two", {{gone(1), gone(2)}}, "FE0000000003 (1, last FE0000000003)"},
      {"all of them", {{gone(3), gone(1), gone(2)}}, "(0, last none)"},
      {"the last, then one appended",
       {{gone(3), added}},
       "FE0000000001 FE0000000002 FE0000000008 (3, last FE0000000008)"},
      {"an inserted one and the one before it",
       {{added, more}, {gone(8), gone(3)}},
       "FE0000000001 FE0000000002 FE0000000009 (3, last FE0000000009)"},
      {"everything, then one inserted",
       {{gone(1), gone(2), gone(3)}, {added}},
       "FE0000000008 (1, last FE0000000008)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> files;
    for (const auto& features : c.files)
      files.push_back(cw::encodeCell(updateCell(static_cast<int>(files.size()) + 1, {}, features)));
    Applied applied;
    apply(baseCell(), files, applied);
    EXPECT_EQ(applied.report.refused(), 0) << applied.log;
    EXPECT_EQ(walkOf(applied.dataset.features), c.features);
    EXPECT_EQ(test::invariantViolations(applied.dataset), "");
  }
}

// Each allocation of an update's application failing in turn: the report
// says so and every record is either as it was or as the update makes it.
TEST(UpdateFiles, MemoryRunningOutLeavesEachRecordWholeAndOld) {
  cw::Feature modified = modifyFeature(1);
  modified.attributes = {{kValdco, "7"}, {kObjnam, "Contour"}};
  modified.fspc = cw::UpdateControl{1, 2, 1};
  modified.spatialPointers = {{.rcid = 14}};
  cw::Feature national = modifyFeature(2);
  national.nationalAttributes = {{kNobjnm, u"Lighthouse"}};
  national.ffpc = cw::UpdateControl{1, 1, 1};
  national.featurePointers = {{.fidn = 3, .comt = "pointer"}};
  cw::Vector edge = modifyVector(130, 13);
  edge.sgcc = cw::UpdateControl{1, 1, 1};
  edge.coordinates = {{139.05, 35.05}};
  edge.attributes = {{87, "1"}};
  cw::Vector inserted = cw::soundingNode(41, {{140.0, 36.0, 3.0}});
  inserted.attributes = {{87, "2"}};
  cw::Feature added{.rcid = 9,
                    .objl = 30,
                    .attributes = {{kObjnam, "New"}},
                    .nationalAttributes = {{kNobjnm, u"New"}},
                    .featurePointers = {{.fidn = 1}},
                    .spatialPointers = {{.rcid = 13}}};
  const std::string update = cw::encodeCell(updateCell(
      1, {edge, inserted}, {modified, national, added, {.rcid = 3, .rver = 2, .ruin = 2}}));

  Applied whole;
  apply(baseCell(), {update}, whole);
  ASSERT_EQ(whole.report.applied.size(), 1u);
  ASSERT_EQ(whole.report.refused(), 0);
  const auto before = baseRecords();

  test::TempFolder folder;
  const std::string basePath = folder.writeBytes(cw::encodeCell(baseCell()), "BASE.000");
  const std::vector<std::string> files = {folder.writeBytes(update, "BASE.001")};
  for (long failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    Dataset d;
    ASSERT_EQ(test::load(d, basePath).status, 0);
    const long loaded = d.arena.allocations();
    d.arena.failFrom(loaded + failing);
    const UpdateReport report = applyUpdateFiles(d, files, {});
    EXPECT_EQ(test::invariantViolations(d), "");
    const auto records = test::recordsOf(d);
    for (const auto& [name, text] : records) {
      const auto old = before.find(name);
      const auto updated = whole.records.find(name);
      EXPECT_TRUE((old != before.end() && old->second == text) ||
                  (updated != whole.records.end() && updated->second == text))
          << name << ": " << text;
    }
    if (!report.outOfMemory) {
      EXPECT_EQ(records, whole.records);
      EXPECT_GT(failing, 5);
      break;
    }
    EXPECT_TRUE(report.applied.empty());
  }
}

struct SequenceCase {
  const char* what;
  std::string baseUpdate;          // the base's UPDN
  std::vector<std::string> files;  // BASE.001, BASE.002, ...
  size_t applied;
  bool cancelled;
  std::string log;
};

TEST(UpdateFiles, TheSequenceStopsAtAGapARepeatOrAnotherEdition) {
  auto update = [](int n, const std::string& edition = "1", uint8_t expp = 2) {
    cw::Cell cell = updateCell(n, {}, {{.rcid = 50 + static_cast<uint32_t>(n), .objl = 30}});
    cell.dsid.edtn = edition;
    cell.dsid.expp = expp;
    return cw::encodeCell(cell);
  };
  auto applied = [](int n) {
    return formatMessage(
        "Update BASE.00%d applied: update %d, 1 records inserted, 0 deleted, 0 modified, 0 "
        "refused\n",
        n, n);
  };
  const std::string cut = update(2).substr(0, 200);
  const std::vector<SequenceCase> cases = {
      {"in order",
       "0",
       {update(1), update(2), update(3)},
       3,
       false,
       applied(1) + applied(2) + applied(3)},
      {"a gap",
       "0",
       {update(1), update(3), update(4)},
       1,
       false,
       applied(1) +
           "Update BASE.002 refused: update 3 does not follow update 1; no later update applied\n"},
      {"a repeat",
       "0",
       {update(1), update(1)},
       1,
       false,
       applied(1) +
           "Update BASE.002 refused: update 1 does not follow update 1; no later update applied\n"},
      {"another edition",
       "0",
       {update(1, "2")},
       0,
       false,
       "Update BASE.001 refused: edition 2, the cell is edition 1; no later update applied\n"},
      {"not an update",
       "0",
       {update(1, "1", 1)},
       0,
       false,
       "Update BASE.001 refused: not an update file (EXPP 1); no later update applied\n"},
      {"a cut file",
       "0",
       {update(1), cut, update(3)},
       1,
       false,
       applied(1) +
           "Update BASE.002 refused: the file cannot be read (load status 8); no later update "
           "applied\n"},
      {"edition 0 cancels",
       "0",
       {update(1), update(2, "0")},
       1,
       true,
       applied(1) + "Update BASE.002 cancels the cell (edition 0)\n"},
      {"a re-issue holds the first updates",
       "2",
       {update(1), update(2), update(3)},
       1,
       false,
       "Update BASE.001 left aside: update 1 is part of the cell (update 2)\n"
       "Update BASE.002 left aside: update 2 is part of the cell (update 2)\n" +
           applied(3)},
  };
  for (const SequenceCase& c : cases) {
    SCOPED_TRACE(c.what);
    cw::Cell base = baseCell();
    base.dsid.updn = c.baseUpdate;
    Applied out;
    apply(base, c.files, out);
    EXPECT_EQ(out.report.applied.size(), c.applied);
    EXPECT_EQ(out.report.cancelled, c.cancelled);
    EXPECT_EQ(out.report.refusals.size(), static_cast<size_t>(out.report.refused()));
    EXPECT_EQ(out.log, c.log);
  }
}

TEST(UpdateFiles, FilesBesideACellInNumberOrder) {
  test::TempFolder folder;
  for (const char* name : {"CELL.000", "CELL.010", "CELL.002", "CELL.001", "CELL.0x1", "CELL.0001",
                           "OTHER.001", "CELL.TXT"}) {
    folder.writeBytes("", name);
  }
  const std::string dir = folder.path() + "/";
  EXPECT_EQ(updateFilesBeside(dir + "CELL.000"),
            (std::vector<std::string>{dir + "CELL.001", dir + "CELL.002", dir + "CELL.010"}));
  EXPECT_TRUE(updateFilesBeside(dir + "CELL.001").empty());
  EXPECT_TRUE(updateFilesBeside(dir + "MISSING/CELL.000").empty());
}

}  // namespace
}  // namespace abys
