// The ten checks on hand-built datasets: the text log and the checks a
// failure skips, the positions of findings, the findings of the checks the
// oracle test runs as they are (pointed record types, cross references,
// coordinate rules, line and area continuity), and the pairs of check 7 that
// share the least among many features. The identifier, pointer and
// duplication checks (failed snapshots included), and every announcement,
// are compared with a plain pairwise form by the oracle test.
#include <gtest/gtest.h>

#include <map>
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
    {"cross references: shared sounding node and edge; then line continuity",
     501,
     {},
     {"332 VI0000000008", "331 VE0000000003", "331 VE0000000041", "334 FE0000000021 FE0000000022",
      "501 FE0000000002"},
     [](test::DatasetBuilder& b) {
       edgeBetween(b, 3, 1, 2);  // nodes used by the edge only: no 328 or 330
       b.sounding(b.vector(110, 8), 1, 1, 5);
       b.coordinate(b.vector(110, 9), 1, 1);  // shared too, but holds no soundings
       for (uint32_t id : {1u, 2u}) {
         FeatureRecord* sounding = b.feature(10 + id, 1, 129);
         b.attribute(sounding, 1, std::to_string(id));
         b.spatialPointer(sounding, 110, 8);
         b.spatialPointer(sounding, 110, 9);
         FeatureRecord* line = b.feature(20 + id, 2, 30011);
         b.attribute(line, 174, std::to_string(id));
         b.spatialPointer(line, 130, 3);
       }
       edgeBetween(b, 40, 31, 32);
       b.coordinate(b.vector(120, 33), 33, 0);
       edgeBetween(b, 41, 33, 32, false);
       edgeBetween(b, 42, 34, 35);
       FeatureRecord* joined = b.feature(1, 2, 30011);
       b.attribute(joined, 174, "1");
       b.spatialPointer(joined, 130, 40);
       b.spatialPointer(joined, 130, 41, 2);  // reversed: starts where 40 ends
       FeatureRecord* broken = b.feature(2, 2, 30011);
       b.spatialPointer(broken, 130, 41);
       b.spatialPointer(broken, 130, 42);
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

// Check 7 compares only the features that share with another of their class
// the names of their spatial pointers (one of them, when a feature repeats
// one) or, for areas, their smallest feature pointer. Each pair below shares
// no more than it needs for its finding, among 2,000 lines of their class
// on edges of their own.
TEST(Duplication, PairsThatShareTheLeastAmongMany) {
  const struct {
    const char* what;
    Lines findings;
    void (*build)(test::DatasetBuilder&);
    bool (*fails)(const FeatureRecord&) = nullptr;
  } cases[] = {
      {"the same edges in another order",
       {"333 FE0000000001 FE0000000002"},
       [](test::DatasetBuilder& b) {
         for (const uint32_t first : {1u, 2u}) {
           FeatureRecord* f = b.feature(first, kPrimLine, 30011);
           b.spatialPointer(f, 130, first);
           b.spatialPointer(f, 130, 3 - first);
         }
       }},
      {"lines without spatial pointers",
       {"334 FE0000000001 FE0000000002"},
       [](test::DatasetBuilder& b) {
         b.attribute(b.feature(1, kPrimLine, 30011), 174, "1");
         b.attribute(b.feature(2, kPrimLine, 30011), 174, "2");
       }},
      {"an edge named twice and that edge with another, in either order",
       {"334 FE0000000001 FE0000000002", "334 FE0000000003 FE0000000004"},
       [](test::DatasetBuilder& b) {
         // Lines 1 and 4 name their first edge twice.
         for (const uint32_t id : {1u, 2u, 3u, 4u}) {
           FeatureRecord* f = b.feature(id, kPrimLine, 30011);
           b.attribute(f, 174, std::to_string(id));
           const uint32_t edge = id < 3 ? 1 : 3;
           b.spatialPointer(f, 130, edge);
           b.spatialPointer(f, 130, id == 1 || id == 4 ? edge : edge + 1);
         }
       }},
      {"areas on the same feature pointers in another order, on edges of their own",
       {"336 FE0000000001 FE0000000002"},
       [](test::DatasetBuilder& b) {
         for (const uint32_t first : {10u, 11u}) {
           FeatureRecord* area = b.feature(first - 9, kPrimArea, 42);
           b.attribute(area, 87, std::to_string(first));
           b.featurePointer(area, 540, first, 1);
           b.featurePointer(area, 540, 21 - first, 1);
           b.spatialPointer(area, 130, first);
         }
       }},
      {"a line on an edge of its own before a line whose snapshot fails",
       {"-2 FE0000000001", "-2 FE0000000002"},
       [](test::DatasetBuilder& b) {
         b.spatialPointer(b.feature(1, kPrimLine, 30011), 130, 1);
         b.spatialPointer(b.feature(2, kPrimLine, 30011), 130, 2);
         b.spatialPointer(b.feature(3, kPrimArea, 42), 130, 1);
       },
       [](const FeatureRecord& f) { return f.rcid == 2; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Dataset d;
    test::DatasetBuilder b(d);
    c.build(b);
    for (uint32_t i = 0; i < 2000; ++i) {
      FeatureRecord* line = b.feature(100 + i, kPrimLine, 30011);
      b.attribute(line, 174, "5");
      b.spatialPointer(line, 130, 100 + i);
    }
    // Each finding, then only their number per code.
    Collected collected;
    CountingReporter counter;
    std::map<int, uint64_t> counts;
    for (FindingReporter* reporter :
         {static_cast<FindingReporter*>(&collected), static_cast<FindingReporter*>(&counter)}) {
      CheckReport report(d, *reporter);
      duplicationSnapshotFails = c.fails;
      checkFeatureDuplication(d, report);
      duplicationSnapshotFails = nullptr;
    }
    EXPECT_EQ(collected.findings, c.findings);
    for (const std::string& f : c.findings)
      ++counts[std::stoi(f)];
    EXPECT_EQ(counter.byCode(), counts);
  }
}

}  // namespace
}  // namespace abys
