// Tests of the S-58 topology checks: a small clean harbour cell, each case changing one thing
// in it, opened with the profile on; the findings of the topology checks each gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "chart_session.h"
#include "profile.h"
#include "support/chart_cells.h"

namespace abys {
namespace {

namespace cw = abys::cellwriter;

constexpr uint16_t kBcnspp = 9;
constexpr uint16_t kLandmark = 74;
constexpr uint16_t kLights = 75;
constexpr uint16_t kSlcons = 122;
constexpr uint16_t kSoundg = 129;
constexpr uint16_t kObjnam = 116;
constexpr uint16_t kNobjnm = 301;

const std::set<std::string> kTopologyChecks = {"2",   "7",   "8",    "20b",  "21",  "22",  "24",
                                               "25a", "25c", "31",   "82",   "84a", "84b", "86",
                                               "89a", "89b", "560a", "560b", "1723"};

// A mole (FE 1) on edge 12 from node 1 to node 2; a beacon (FE 2) at isolated node 21, master
// of its light (FE 3) there; soundings (FE 4) at node 31.
cw::Cell harbour() {
  cw::Cell cell;
  cell.vectors = {cw::connectedNode(1, {10.0, 50.0}), cw::connectedNode(2, {10.1, 50.0}),
                  cw::edge(12, 1, 2, {{10.05, 50.02}}), cw::isolatedNode(21, {10.2, 50.2}),
                  cw::soundingNode(31, {{10.3, 50.3, 4.5}, {10.31, 50.31, 7.0}})};
  cell.features = {
      {.rcid = 1,
       .objl = kSlcons,
       .attributes = {{kObjnam, "Mole"}},
       .spatialPointers = {{.rcid = 12}}},
      {.rcid = 2,
       .prim = 1,
       .objl = kBcnspp,
       .featurePointers = {{.fidn = 3}},
       .spatialPointers = {{.rcnm = 110, .rcid = 21}}},
      {.rcid = 3, .prim = 1, .objl = kLights, .spatialPointers = {{.rcnm = 110, .rcid = 21}}},
      {.rcid = 4, .prim = 1, .objl = kSoundg, .spatialPointers = {{.rcnm = 110, .rcid = 31}}},
  };
  return cell;
}

cw::Vector& vectorOf(cw::Cell& cell, uint32_t rcid) {
  return *std::find_if(cell.vectors.begin(), cell.vectors.end(),
                       [&](const cw::Vector& v) { return v.rcid == rcid; });
}
cw::Feature& featureOf(cw::Cell& cell, uint32_t rcid) {
  return *std::find_if(cell.features.begin(), cell.features.end(),
                       [&](const cw::Feature& f) { return f.rcid == rcid; });
}
cw::Feature point(uint32_t rcid, uint16_t objl, uint8_t rcnm, uint32_t node) {
  return {.rcid = rcid, .prim = 1, .objl = objl, .spatialPointers = {{.rcnm = rcnm, .rcid = node}}};
}

// "check RECORD RECORD" for each finding of the topology checks.
std::set<std::string> linesOf(const std::vector<S58Finding>& findings) {
  std::set<std::string> found;
  for (const S58Finding& f : findings) {
    std::string line(f.check->number);
    if (!kTopologyChecks.contains(line)) continue;
    for (const RecordKey& key : f.records)
      line += " " + recordName(key);
    found.insert(line);
  }
  return found;
}

// The lines of the file opened with the profile on.
std::set<std::string> findingsOf(const std::string& path) {
  ChartSession session;
  session.setS58Profile(S58Options{});
  DiscardingReporter quiet;
  const OpenResult result = session.open(path.c_str(), quiet);
  return result.s58 ? linesOf(*result.s58) : std::set<std::string>{"no profile"};
}

struct Case {
  const char* what;
  std::function<void(cw::Cell&)> change;
  std::set<std::string> expected;
};

void expectFindings(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    cw::Cell cell = harbour();
    c.change(cell);
    test::CellFolder folder;
    EXPECT_EQ(findingsOf(folder.write(cell)), c.expected) << c.what;
  }
}

TEST(S58TopologyChecks, CleanCellsGiveNone) {
  test::CellFolder folder;
  EXPECT_EQ(findingsOf(folder.write(harbour(), "A.000")), std::set<std::string>{});
  EXPECT_EQ(findingsOf(folder.write(test::bayCell(), "B.000")), std::set<std::string>{});
}

TEST(S58TopologyChecks, EdgesBeginAndEndAtConnectedNodes) {
  using P = cw::VectorPointer;
  expectFindings({
      {"end node missing",
       [](cw::Cell& c) { vectorOf(c, 12).pointers = {P{.rcid = 1}}; },
       {"2 VE0000000012", "25c VE0000000012", "84a VC0000000002", "20b VC0000000002"}},
      {"only the end node, so first",
       [](cw::Cell& c) { vectorOf(c, 12).pointers = {P{.rcid = 2, .topi = 2}}; },
       {"2 VE0000000012", "22 VE0000000012", "25c VE0000000012", "84a VC0000000001",
        "20b VC0000000001"}},
      {"no VRPT, the nodes' positions in SG2D",
       [](cw::Cell& c) {
         cw::Vector& e = vectorOf(c, 12);
         e.pointers.clear();
         e.coordinates = {{10.0, 50.0}, {10.05, 50.02}, {10.1, 50.0}};
       },
       {"2 VE0000000012", "25c VE0000000012", "84a VC0000000001", "84a VC0000000002",
        "20b VC0000000001", "20b VC0000000002"}},
      {"begin node names no record",
       [](cw::Cell& c) { vectorOf(c, 12).pointers[0].rcid = 99; },
       {"2 VE0000000012", "84a VC0000000001", "20b VC0000000001"}},
      {"end node referenced first",
       [](cw::Cell& c) { std::swap(vectorOf(c, 12).pointers[0], vectorOf(c, 12).pointers[1]); },
       {"22 VE0000000012"}},
      {"begin node an isolated node",
       [](cw::Cell& c) {
         vectorOf(c, 1) = cw::isolatedNode(1, {10.0, 50.0});
         vectorOf(c, 12).pointers[0].rcnm = 110;
       },
       {"25a VE0000000012", "84b VI0000000001"}},
      {"first coordinate on the begin node",
       [](cw::Cell& c) {
         vectorOf(c, 12).coordinates.insert(vectorOf(c, 12).coordinates.begin(), {10.0, 50.0});
       },
       {"31 VE0000000012"}},
      {"last coordinate on the end node",
       [](cw::Cell& c) {
         vectorOf(c, 12).coordinates.push_back({10.1, 50.0});
       },
       {"31 VE0000000012"}},
      {"coordinate a step from the node",
       [](cw::Cell& c) {
         vectorOf(c, 12).coordinates.push_back({10.1, 50.0000001});
       },
       {}},
  });
}

TEST(S58TopologyChecks, NodesAndOrphans) {
  expectFindings({
      {"an isolated node with a VRPT",
       [](cw::Cell& c) { vectorOf(c, 21).pointers = {{.rcid = 1}}; },
       {"21 VI0000000021"}},
      {"a point feature on a connected node no edge names",
       [](cw::Cell& c) {
         c.vectors.push_back(cw::connectedNode(5, {10.4, 50.4}));
         c.features.push_back(point(5, kLandmark, 120, 5));
       },
       {"84a VC0000000005"}},
      {"an isolated node no feature uses",
       [](cw::Cell& c) {
         c.vectors.push_back(cw::isolatedNode(41, {10.5, 50.5}));
       },
       {"20b VI0000000041"}},
      {"an edge no feature uses, and the nodes only it has",
       [](cw::Cell& c) {
         c.vectors.push_back(cw::connectedNode(6, {10.6, 50.6}));
         c.vectors.push_back(cw::edge(62, 6, 2, {}));
       },
       {"20b VC0000000006", "20b VE0000000062"}},
  });
}

TEST(S58TopologyChecks, FeaturesUseTheirSpatialRecordsOnce) {
  expectFindings({
      {"a point on two nodes",
       [](cw::Cell& c) { featureOf(c, 3).spatialPointers.push_back({.rcnm = 110, .rcid = 31}); },
       {"86 FE0000000003"}},
      {"soundings on a node of SG2D",
       [](cw::Cell& c) {
         vectorOf(c, 31) = cw::isolatedNode(31, {10.3, 50.3});
       },
       {"24 FE0000000004 VI0000000031"}},
      {"a line on one edge twice",
       [](cw::Cell& c) { featureOf(c, 1).spatialPointers.push_back({.rcid = 12, .ornt = 2}); },
       {"82 FE0000000001 VE0000000012"}},
      {"an attribute code twice",
       [](cw::Cell& c) {
         featureOf(c, 1).attributes.push_back({kObjnam, "Pier"});
       },
       {"8 FE0000000001"}},
      {"a national attribute code twice",
       [](cw::Cell& c) {
         featureOf(c, 2).nationalAttributes = {{kNobjnm, u"A"}, {kNobjnm, u"B"}};
       },
       {"8 FE0000000002"}},
  });
}

TEST(S58TopologyChecks, MastersSlavesAndNavigationalAids) {
  expectFindings({
      {"a master naming its slave twice",
       [](cw::Cell& c) { featureOf(c, 2).featurePointers.push_back({.fidn = 3}); },
       {"89a FE0000000002"}},
      {"a slave of two masters",
       [](cw::Cell& c) {
         c.features.push_back(point(5, kLandmark, 110, 21));
         c.features.back().featurePointers = {{.fidn = 3}};
       },
       {"89b FE0000000003"}},
      {"a light beside its beacon",
       [](cw::Cell& c) {
         c.vectors.push_back(cw::isolatedNode(22, {10.21, 50.2}));
         featureOf(c, 3).spatialPointers[0].rcid = 22;
       },
       {"1723 FE0000000002 VI0000000021"}},
      {"a peer, not a slave, elsewhere",
       [](cw::Cell& c) { featureOf(c, 2).featurePointers[0] = {.fidn = 4, .rind = 3}; },
       {}},
  });
}

TEST(S58TopologyChecks, FeatureIdentifiers) {
  // A second mole, FE 5, on the same edge.
  auto second = [](cw::Cell& c, uint32_t fidn, std::string name) {
    c.features.push_back({.rcid = 5,
                          .objl = kSlcons,
                          .fidn = fidn,
                          .attributes = {{kObjnam, name}},
                          .spatialPointers = {{.rcid = 12}}});
  };
  expectFindings({
      {"FIDS zero", [](cw::Cell& c) { featureOf(c, 1).fids = 0; }, {"7 FE0000000001"}},
      {"FIDN all ones", [](cw::Cell& c) { featureOf(c, 1).fidn = 0xffffffff; }, {"7 FE0000000001"}},
      {"AGEN of no producer here",
       [](cw::Cell& c) { featureOf(c, 1).agen = 7196; },
       {"7 FE0000000001"}},
      {"AGEN all ones everywhere",
       [](cw::Cell& c) {
         c.dsid.agen = 0xffff;
         for (cw::Feature& f : c.features)
           f.agen = 0xffff;
         featureOf(c, 2).featurePointers[0].agen = 0xffff;
       },
       {"7 FE0000000001", "7 FE0000000002", "7 FE0000000003", "7 FE0000000004"}},
      {"the features' AGEN not the DSID's", [](cw::Cell& c) { c.dsid.agen = 550; }, {}},
      {"one line in two parts", [&](cw::Cell& c) { second(c, 1, "Mole"); }, {}},
      {"two lines sharing a FOID, named apart",
       [&](cw::Cell& c) { second(c, 1, "Pier"); },
       {"560a FE0000000001", "560a FE0000000005"}},
      {"a line and an area sharing a FOID",
       [&](cw::Cell& c) {
         second(c, 1, "Mole");
         c.features.back().prim = 3;
       },
       {"560b FE0000000001", "560b FE0000000005"}},
      {"two points sharing a FOID",
       [](cw::Cell& c) {
         c.features.push_back(point(5, kLights, 110, 21));
         c.features.back().fidn = 3;
       },
       {"560b FE0000000003", "560b FE0000000005"}},
  });
}

// Two moles whose FOIDs the decoder could not read (a cell without the FOID field does not
// load): check 7 names them, and they share no FOID.
TEST(S58TopologyChecks, FeaturesWithoutFoidShareNone) {
  cw::Cell cell = harbour();
  cell.features.push_back({.rcid = 5,
                           .objl = kSlcons,
                           .attributes = {{kObjnam, "Pier"}},
                           .spatialPointers = {{.rcid = 12}}});
  test::CellFolder folder;
  Dataset chart;
  ASSERT_EQ(test::load(chart, folder.write(cell)).status, 0);
  for (FeatureRecord* f : chart.features) {
    if (f->rcid != 1 && f->rcid != 5) continue;
    f->agen = 0;
    f->fidn = 0;
    f->fids = 0;
  }
  EXPECT_EQ(linesOf(runS58Profile({.chart = chart, .path = "CELL.000"})),
            (std::set<std::string>{"7 FE0000000001", "7 FE0000000005"}));
}

// A load that stops before the features leaves every vector record unreferenced: the orphan
// and node-kind checks must not judge what they could not see.
TEST(S58TopologyChecks, PartialLoadNamesNoOrphans) {
  const cw::Cell cell = harbour();
  std::vector<cw::Record> records = cw::cellRecords(cell);
  const auto firstFeature = std::find_if(records.begin(), records.end(), [](const cw::Record& r) {
    return std::any_of(r.fields.begin(), r.fields.end(),
                       [](const cw::Field& f) { return f.tag == "FRID"; });
  });
  records.insert(firstFeature, cw::Record{{cw::recordIdField(90), {"ARCC", "x"}}});
  test::CellFolder folder;
  const std::string path =
      folder.writeBytes(cw::encodeFile(records, cw::cellEncodeOptions(cell)), "CELL.000");
  EXPECT_EQ(findingsOf(path), std::set<std::string>{});
}

}  // namespace
}  // namespace abys
