// The ten checks on hand-built datasets: the text log and the checks a
// failure skips, the positions of findings, then per finding code the
// records it names and the status. The announcements of every check are
// pinned by the oracle test.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "check_driver.h"
#include "checks.h"
#include "support/dataset_builder.h"

namespace abys {
namespace {

using Lines = std::vector<std::string>;

// Two connected nodes (unless addNodes is false) and an edge between them
// with one coordinate of its own.
VectorRecord* edgeBetween(test::DatasetBuilder& b, uint32_t edgeId, uint32_t beginId,
                          uint32_t endId, bool addNodes = true) {
  if (addNodes) b.coordinate(b.vector(120, beginId), beginId, 0);
  if (addNodes && endId != beginId) b.coordinate(b.vector(120, endId), endId, 0);
  VectorRecord* edge = b.vector(130, edgeId);
  b.nodePointer(edge, 120, beginId, 1);
  b.nodePointer(edge, 120, endId, 2);
  b.coordinate(edge, 0.5, 0.5);
  return edge;
}

// The findings of one run as "CODE NAME [NAME]", with " @X,Y" when asked
// for positions, and the status.
struct Collected : FindingReporter {
  bool positions = false;
  int status = 0;
  Lines findings;
  void announce(const char*) override {}
  void report(const Finding& f) override {
    findings.push_back(std::to_string(f.code) + " " + (f.record ? recordName(*f.record) : "") +
                       (f.other ? " " + recordName(*f.other) : "") +
                       (positions && f.position
                            ? formatMessage(" @%g,%g", f.position->longitude, f.position->latitude)
                            : ""));
  }
};

Collected check(Dataset& d) {
  Collected c;
  c.status = runLogicalChecks(d, c);
  return c;
}

Lines only(const Lines& findings, const std::set<int>& codes) {
  Lines kept;
  for (const std::string& f : findings) {
    if (codes.empty() || codes.contains(std::stoi(f))) kept.push_back(f);
  }
  return kept;
}

TEST(CheckDriver, TextLogAndTheChecksSkippedAfterAFailure) {
  // Equal feature numbers: no pointer is resolved, so every vector record
  // is unreferenced, and the geometry checks do not run.
  Dataset d;
  test::DatasetBuilder b(d);
  b.coordinate(b.vector(110, 7), 1, 1);
  edgeBetween(b, 3, 1, 2);
  b.spatialPointer(b.feature(9, 2, 30011), 130, 3);
  b.spatialPointer(b.feature(9, 1, 30012), 110, 7);
  std::string log;
  EXPECT_EQ(runLogicalChecks(d, [&](const char* format,
                                    std::va_list args) { log += formatMessage(format, args); }),
            301);
  EXPECT_EQ(log,
            "Checking Feature Number Uniqness\n"
            "Error:301  Name: FE0000000009 Name: FE0000000009\n"
            "Checking Vector Number Uniqness\n"
            "Checking Pointed Record Type\n"
            "Checking Feature Record and Vector Record Cross Reference\n"
            "Error:327  Name: VI0000000007\n"
            "Error:328  Name: VC0000000001\n"
            "Error:330  Name: VC0000000001\n"
            "Error:328  Name: VC0000000002\n"
            "Error:330  Name: VC0000000002\n"
            "Error:329  Name: VE0000000003\n"
            "Checking Feature Record Duplication\n"
            "All Logical Check Done !\n");

  // RCIDs print signed; a kind other than a record's has a blank name.
  EXPECT_EQ(recordName(100, 4294967295u) + recordName(140, 2147483648u) + recordName(7, 12),
            "FE-000000001VF-2147483648  0000000012");
}

// A finding names the position of its first record: a vector record's first
// coordinate or sounding, an edge's first node when it has no coordinate of
// its own, a feature's first spatial target, looked up when unresolved.
TEST(CheckDriver, FindingsCarryThePositionOfTheirRecord) {
  Dataset d;
  test::DatasetBuilder b(d);
  b.coordinate(b.vector(110, 1), 1, 2);
  b.sounding(b.vector(110, 2), 3, 4, 5);
  b.coordinate(b.vector(120, 3), 5, 6);
  b.coordinate(b.vector(120, 4), 7, 8);
  VectorRecord* edge = b.vector(130, 5);
  b.nodePointer(edge, 120, 3, 1);
  b.nodePointer(edge, 120, 4, 2);
  for (int i = 0; i < 2; ++i) {
    b.spatialPointer(b.feature(10, 2, 30011), 130, 5);  // 301: nothing gets resolved
    b.feature(12 + i, 255, 1);                          // 333 without a position
  }
  Collected positions;
  positions.positions = true;
  runLogicalChecks(d, positions);
  EXPECT_EQ(positions.findings,
            (Lines{"301 FE0000000010 FE0000000010 @5,6", "327 VI0000000001 @1,2",
                   "327 VI0000000002 @3,4", "328 VC0000000003 @5,6", "330 VC0000000003 @5,6",
                   "328 VC0000000004 @7,8", "330 VC0000000004 @7,8", "329 VE0000000005 @5,6",
                   "333 FE0000000010 FE0000000010 @5,6", "333 FE0000000012 FE0000000013"}));
}

// Per case: the dataset, the status, and the findings of the codes looked at
// (all when none is given) in order.
struct Case {
  const char* what;
  int status;
  std::set<int> codes;
  Lines findings;
  void (*build)(test::DatasetBuilder&);
};

const Case kCases[] = {
    {"equal feature numbers, reported pairwise",
     301,
     {301},
     {"301 FE0000000005 FE0000000005", "301 FE0000000005 FE0000000005",
      "301 FE0000000005 FE0000000005"},
     [](test::DatasetBuilder& b) {
       for (int i = 0; i < 3; ++i)
         b.attribute(b.feature(5, 255, 1), 1, std::to_string(i));
     }},
    {"equal vector numbers within a kind; check 6 goes on",
     306,
     {306, 327},
     {"306 VE0000000008 VE0000000008", "327 VI0000000004"},
     [](test::DatasetBuilder& b) {
       b.vector(110, 4);
       b.vector(120, 4);
       b.vector(130, 8);
       b.vector(130, 8);
     }},
    {"pointed record types",
     307,
     {307, 308},
     {"308 FE0000000001", "307 FE0000000002"},
     [](test::DatasetBuilder& b) {
       FeatureRecord* point = b.feature(1, 1, 1);
       b.spatialPointer(point, 130, 1);
       b.spatialPointer(point, 120, 2);
       b.spatialPointer(b.feature(2, 3, 1), 120, 2);
       b.spatialPointer(b.feature(3, 255, 1), 140, 2);
     }},
    {"object pointers: repeated, missing, none; check 5 does not run",
     310,
     {},
     {"311 FE0000000001", "311 FE0000000001", "310 FE0000000002", "981 FE0000000003",
      "328 VC0000000001", "330 VC0000000001", "328 VC0000000002", "330 VC0000000002",
      "331 VE0000000003"},
     [](test::DatasetBuilder& b) {
       edgeBetween(b, 3, 1, 2);
       FeatureRecord* line = b.feature(1, 2, 30011, 540, 100, 1);
       b.spatialPointer(line, 130, 3);
       b.spatialPointer(line, 130, 3);                // the same edge twice: 311, and 331
       b.featurePointer(line, 540, 100, 1, 2, "x");   // itself
       b.featurePointer(line, 540, 100, 1, 2, "xy");  // equal in LNAM, RIND and first character
       FeatureRecord* collection = b.feature(2, 255, 1, 540, 200, 1);
       b.featurePointer(collection, 540, 100, 1);
       b.featurePointer(collection, 540, 999, 1);  // nothing has this FOID
       b.feature(3, 255, 1);                       // no pointers
     }},
    {"edge and node pointers",
     315,
     {313, 314, 315, 316, 317, 318, 319, 320},
     {"314 VE0000000010", "313 VE0000000011", "315 VE0000000011", "316 VE0000000012",
      "317 VE0000000012", "318 VE0000000012", "315 VE0000000013", "319 VC0000000002",
      "320 VI0000000005"},
     [](test::DatasetBuilder& b) {
       b.coordinate(b.vector(120, 1), 0, 0);
       VectorRecord* n2 = b.vector(120, 2);
       b.coordinate(n2, 1, 1);
       b.nodePointer(n2, 120, 1, 1);
       VectorRecord* three = b.vector(130, 10);
       for (uint32_t id : {1u, 2u, 1u})
         b.nodePointer(three, 120, id, 1);
       VectorRecord* mixed = b.vector(130, 11);
       b.nodePointer(mixed, 120, 1, 1);
       b.nodePointer(mixed, 130, 10, 2);
       VectorRecord* loop = b.vector(130, 12);
       b.nodePointer(loop, 120, 1, 2);
       b.nodePointer(loop, 120, 1, 1);
       b.coordinate(loop, 0.5, 0.5);
       b.vector(130, 13);  // no pointers
       VectorRecord* isolated = b.vector(110, 5);
       b.coordinate(isolated, 2, 2);
       b.nodePointer(isolated, 120, 1, 1);
     }},
    {"cross references: shared sounding node and edge",
     0,
     {},
     {"332 VI0000000008", "331 VE0000000003", "334 FE0000000021 FE0000000022"},
     [](test::DatasetBuilder& b) {
       edgeBetween(b, 3, 1, 2);  // nodes used by the edge only: no 328 or 330
       b.sounding(b.vector(110, 8), 1, 1, 5);
       for (uint32_t id : {1u, 2u}) {
         FeatureRecord* sounding = b.feature(10 + id, 1, 129);
         b.attribute(sounding, 1, std::to_string(id));
         b.spatialPointer(sounding, 110, 8);
         FeatureRecord* line = b.feature(20 + id, 2, 30011);
         b.attribute(line, 174, std::to_string(id));
         b.spatialPointer(line, 130, 3);
       }
     }},
    {"duplication families",
     503,  // the areas without pointers fail check 10
     {333, 334, 336},
     {"333 FE0000000001 FE0000000002", "336 FE0000000004 FE0000000005",
      "334 FE0000000006 FE0000000007"},
     [](test::DatasetBuilder& b) {
       edgeBetween(b, 3, 1, 2);
       edgeBetween(b, 6, 4, 5);
       b.coordinate(b.vector(110, 9), 1, 1);
       // Points: equal attributes on the same node: 333; a different value:
       // nothing.
       for (uint32_t id = 1; id <= 3; ++id) {
         FeatureRecord* p = b.feature(id, 1, 30012);
         b.attribute(p, 1, "a");
         b.attribute(p, 2, id == 3 ? "c" : "b");
         b.spatialPointer(p, 110, 9);
       }
       // Areas with different attributes and no pointers at all: 336.
       b.attribute(b.feature(4, 3, 302), 1, "x");
       b.attribute(b.feature(5, 3, 302), 1, "y");
       // A code twice in G with two texts: not equal; the same pair the
       // other way round is compared only from the earlier feature.
       const char* texts[][2] = {{"a", "a"}, {"a", "z"}};
       for (uint32_t id = 6; id <= 7; ++id) {
         FeatureRecord* l = b.feature(id, 2, 30011);
         b.attribute(l, 7, texts[id - 6][0]);
         b.attribute(l, 7, texts[id - 6][1]);
         b.spatialPointer(l, 130, 6);
       }
     }},
    {"coordinate rules",
     323,
     {321, 322, 323, 325, 326},
     {"321 VE0000000003", "321 VC0000000001", "326 VC0000000004", "322 VC0000000005",
      "325 VI0000000007", "323 VI0000000008"},
     [](test::DatasetBuilder& b) {
       VectorRecord* begin = b.vector(120, 1);
       b.coordinate(begin, 1, 0);
       b.coordinate(b.vector(120, 2), 2, 0);
       b.sounding(edgeBetween(b, 3, 1, 2, false), 0, 0, 1);
       b.sounding(begin, 0, 0, 1);
       b.vector(120, 4);
       VectorRecord* twice = b.vector(120, 5);
       b.coordinate(twice, 0, 0);
       b.coordinate(twice, 1, 1);
       b.sounding(b.vector(110, 6), 0, 0, 3);  // soundings only: fine
       VectorRecord* both = b.vector(110, 7);
       b.sounding(both, 0, 0, 3);
       b.coordinate(both, 0, 0);
       b.vector(110, 8);
     }},
    {"line continuity",
     501,
     {501},
     {"501 FE0000000002"},
     [](test::DatasetBuilder& b) {
       edgeBetween(b, 10, 1, 2);
       b.coordinate(b.vector(120, 3), 3, 0);
       edgeBetween(b, 11, 3, 2, false);
       edgeBetween(b, 12, 4, 5);
       FeatureRecord* joined = b.feature(1, 2, 30011);
       b.attribute(joined, 174, "1");
       b.spatialPointer(joined, 130, 10);
       b.spatialPointer(joined, 130, 11, 2);  // reversed: starts where 10 ends
       FeatureRecord* broken = b.feature(2, 2, 30011);
       b.spatialPointer(broken, 130, 11);
       b.spatialPointer(broken, 130, 12);
     }},
};

TEST(Checks, FindingsPerCode) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Dataset d;
    test::DatasetBuilder b(d);
    c.build(b);
    const Collected r = check(d);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(only(r.findings, c.codes), c.findings);
  }
}

TEST(Checks, AreaRings) {
  // Edges: 20 a loop at node 1; 21 from 2 to 3, 22 from 3 to 2 (a ring of
  // two); 23 from 4 to 5 (open).
  const struct {
    const char* what;
    std::vector<std::pair<uint32_t, uint8_t>> pointers;  // edge, USAG
    int status;
    Lines findings;
  } cases[] = {
      {"loop", {{20, 1}}, 0, {}},
      {"two-edge ring", {{21, 1}, {22, 1}}, 0, {}},
      {"open exterior", {{23, 1}}, 503, {"503 FE0000000001"}},
      {"closed exterior, open interior", {{20, 1}, {23, 2}}, 504, {"504 FE0000000001"}},
      {"interior before the exterior closed", {{21, 1}, {20, 2}}, 503, {"503 FE0000000001"}},
      {"exterior after the first ring", {{20, 1}, {23, 1}}, 0, {}},
      {"broken ring", {{21, 1}, {23, 1}}, 503, {"502 FE0000000001", "503 FE0000000001"}},
      {"no pointers", {}, 503, {"503 FE0000000001"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Dataset d;
    test::DatasetBuilder b(d);
    b.coordinate(edgeBetween(b, 20, 1, 1), 0.6, 0.6);  // a loop needs two coordinates
    edgeBetween(b, 21, 2, 3);
    edgeBetween(b, 22, 3, 2, false);
    edgeBetween(b, 23, 4, 5);
    FeatureRecord* area = b.feature(1, 3, 42);
    for (const auto& [edge, usag] : c.pointers)
      b.spatialPointer(area, 130, edge, 1, usag);
    if (c.pointers.empty()) b.featurePointer(area, 0, 0, 0);  // itself: no 981
    const Collected r = check(d);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(only(r.findings, {502, 503, 504}), c.findings);
  }
}

// The snapshot of one feature in turn, then of every feature (7), cannot be
// made: that feature gets its -2 finding, so does a feature of its class
// compared with it, in that comparison's place, and every finding between
// the other features is still made, in the same order.
TEST(Checks, DuplicationGoesOnWhenASnapshotFails) {
  auto run = [] {
    Dataset d;
    test::DatasetBuilder b(d);
    for (uint32_t id = 1; id <= 6; ++id) {
      FeatureRecord* f = b.feature(id, 255, id <= 4 ? 1 : 2);
      b.attribute(f, 1, id > 4 ? "last two" : id % 2 == 0 ? "even" : "odd");
      b.attribute(f, 2, "same");
    }
    return check(d);
  };
  const Collected full = run();
  const Lines all = only(full.findings, {333, kSnapshotFailed});
  ASSERT_EQ(all, (Lines{"333 FE0000000001 FE0000000003", "333 FE0000000002 FE0000000004",
                        "333 FE0000000005 FE0000000006"}));
  static uint32_t failing = 0;
  for (failing = 1; failing <= 7; ++failing) {
    SCOPED_TRACE(failing);
    duplicationSnapshotFails = [](const FeatureRecord& f) {
      return failing == 7 || f.rcid == failing;
    };
    const Collected r = run();
    duplicationSnapshotFails = nullptr;
    EXPECT_EQ(r.status, full.status);
    auto failed = [](uint32_t id) { return failing == 7 || id == failing; };
    Lines expected;
    for (uint32_t id = 1; id <= 6; ++id) {
      const std::string name = recordName(100, id);
      if (failed(id)) {
        expected.push_back("-2 " + name);
        continue;
      }
      for (uint32_t later = id + 1; later <= 6; ++later) {
        const std::string pair = "333 " + name + " " + recordName(100, later);
        if ((id <= 4) == (later <= 4) && failed(later)) {
          expected.push_back("-2 " + name);
        } else if (std::find(all.begin(), all.end(), pair) != all.end()) {
          expected.push_back(pair);
        }
      }
    }
    EXPECT_EQ(only(r.findings, {333, kSnapshotFailed}), expected);
  }
}

}  // namespace
}  // namespace abys
