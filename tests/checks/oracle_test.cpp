// The checks against their plain pairwise form, on many small random datasets
// rich in equal identifiers, repeated codes, shared pointers and pointers to
// nothing, some with duplication snapshots that cannot be made: both must
// write the same lines in the same order, return the same status and leave
// the same reference flags and counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "check_driver.h"
#include "checks.h"
#include "support/dataset_builder.h"

namespace abys {
namespace {

// ---- The pairwise form, written as the checks are described. ----

// Calls found(a, b) for every pair of items of a list or entries, a before b.
template <typename Items, typename Found>
void forEachPair(const Items& items, Found found) {
  for (auto a = items.begin(); a != items.end(); ++a) {
    for (auto b = std::next(a); b != items.end(); ++b)
      found(**a, **b);
  }
}

template <typename Record>
int pairwiseIds(const List<Record>& list, int code, CheckReport& report) {
  int status = 0;
  forEachPair(list, [&](const Record& a, const Record& b) {
    if (a.rcid != b.rcid) return;
    report.finding(code, &a, &b);
    status = code;
  });
  return status;
}

VectorRecord* scanVector(const Dataset& d, uint8_t rcnm, uint32_t rcid) {
  for (const List<VectorRecord>* list : {&d.isolatedNodes, &d.connectedNodes, &d.edges}) {
    for (VectorRecord* v : *list) {
      if (v->rcnm == rcnm && v->rcid == rcid) return v;
    }
  }
  return nullptr;
}

FeatureRecord* scanFeature(const Dataset& d, uint16_t agen, uint32_t fidn, uint16_t fids) {
  for (FeatureRecord* f : d.features) {
    if (f->agen == agen && f->fidn == fidn && f->fids == fids) return f;
  }
  return nullptr;
}

int pairwiseObjectPointers(Dataset& d, CheckReport& report) {
  int status = 0;
  for (FeatureRecord* f : d.features) {
    if (f->featurePointers().empty() && f->spatialPointers.empty()) {
      report.finding(kNoPointers, f, nullptr);
      continue;
    }
    for (SpatialPointerEntry* p : f->spatialPointers) {
      p->target = scanVector(d, p->rcnm, p->rcid);
      if (p->target == nullptr) {
        status = kMissingTarget;
        report.finding(status, f, nullptr);
        continue;
      }
      p->target->referenced = 1;
      if (f->prim == 2) ++p->target->lineRefCount;
      if (f->prim == 1) ++p->target->pointRefCount;
    }
    for (FeaturePointerEntry* p : f->featurePointers()) {
      p->target = scanFeature(d, p->agen, p->fidn, p->fids);
      if (p->target == nullptr) {
        status = kMissingTarget;
        report.finding(status, f, nullptr);
      }
    }
    forEachPair(f->featurePointers(),
                [&](const FeaturePointerEntry& a, const FeaturePointerEntry& b) {
                  if (a.agen == b.agen && a.fidn == b.fidn && a.fids == b.fids &&
                      a.rind == b.rind && a.comt.substr(0, 1) == b.comt.substr(0, 1)) {
                    report.finding(kRepeatedPointer, f, nullptr);
                  }
                });
    forEachPair(f->spatialPointers,
                [&](const SpatialPointerEntry& a, const SpatialPointerEntry& b) {
                  if (a.rcnm == b.rcnm && a.rcid == b.rcid)
                    report.finding(kRepeatedPointer, f, nullptr);
                });
  }
  return status;
}

int pairwiseVectorPointers(Dataset& d, CheckReport& report) {
  int status = 0;
  auto fail = [&](int code, const VectorRecord* v) {
    status = code;
    report.finding(code, v, nullptr);
  };
  for (VectorRecord* e : d.edges) {
    int nodes = 0;
    for (VectorPointerEntry* p : e->pointers) {
      if (p->rcnm != 120) {
        fail(kEdgePointsAtNonNode, e);
        continue;
      }
      p->target = scanVector(d, p->rcnm, p->rcid);
      if (p->target == nullptr) {
        fail(kMissingTarget, e);
      } else {
        p->target->referenced = 1;
        ++p->target->edgeRefCount;
      }
      ++nodes;
    }
    if (nodes > 2) {
      fail(kEdgeTooManyNodes, e);
    } else if (nodes < 2) {
      fail(kEdgeTooFewNodes, e);
    } else {
      const VectorPointerEntry* a = e->pointers.first;
      const VectorPointerEntry* b = a + 1;
      if (a->rcid == b->rcid && e->coordinates.count < 2) {
        report.finding(kLoopEdgeTooShort, e, nullptr);
      }
      if (a->topi != 1) report.finding(kFirstNotBeginning, e, nullptr);
      if (b->topi != 2) report.finding(kSecondNotEnd, e, nullptr);
    }
  }
  for (const VectorRecord* n : d.connectedNodes) {
    if (!n->pointers.empty()) report.finding(kConnectedNodeHasPointers, n, nullptr);
  }
  for (const VectorRecord* n : d.isolatedNodes) {
    if (!n->pointers.empty()) report.finding(kIsolatedNodeHasPointers, n, nullptr);
  }
  return status;
}

// Attributes equal when they are as many and each code of a has a partner
// in b, every partner with the same text.
bool attributesEqual(const FeatureRecord& f, const FeatureRecord& g) {
  if (f.attributes.count != g.attributes.count) return false;
  for (const AttributeEntry* a : f.attributes) {
    bool found = false;
    for (const AttributeEntry* b : g.attributes) {
      if (b->attl != a->attl) continue;
      found = true;
      if (std::string_view(a->atvl) != std::string_view(b->atvl)) return false;
    }
    if (!found) return false;
  }
  return true;
}

// As many pointers, and as many pairs that are the same as pointers.
template <typename Entry, typename Same>
bool pairedUp(const Entries<Entry>& a, const Entries<Entry>& b, Same same) {
  if (a.count != b.count) return false;
  int pairs = 0;
  for (const Entry* x : a) {
    for (const Entry* y : b)
      pairs += same(*x, *y) ? 1 : 0;
  }
  return pairs == a.count;
}

template <typename Entry, typename Key>
auto sortedKeys(const Entries<Entry>& list, Key key) {
  std::vector<decltype(key(*list.first))> keys;
  for (const Entry* e : list)
    keys.push_back(key(*e));
  std::sort(keys.begin(), keys.end());
  return keys;
}

void pairwiseDuplication(const Dataset& d, CheckReport& report) {
  auto sameObject = [](const FeaturePointerEntry& a, const FeaturePointerEntry& b) {
    return a.agen == b.agen && a.fidn == b.fidn && a.fids == b.fids;
  };
  auto sameVector = [](const SpatialPointerEntry& a, const SpatialPointerEntry& b) {
    return a.rcnm == b.rcnm && a.rcid == b.rcid;
  };
  auto objectKey = [](const FeaturePointerEntry& p) {
    return std::tuple(p.agen, p.fidn, p.fids, p.rind, std::string(p.comt));
  };
  auto vectorKey = [](const SpatialPointerEntry& p) {
    return std::tuple(p.rcnm, p.rcid, p.ornt, p.usag, p.mask);
  };
  // A feature whose snapshot cannot be made is reported instead of its
  // comparisons, and so is a feature of its class compared with it.
  auto failed = [](const FeatureRecord& f) {
    return duplicationSnapshotFails != nullptr && duplicationSnapshotFails(f);
  };
  for (const FeatureRecord* f : d.features) {
    if (failed(*f)) {
      report.finding(kSnapshotFailed, f, nullptr);
      continue;
    }
    for (const FeatureRecord* g = f->next; g != nullptr; g = g->next) {
      if (g->prim != f->prim || g->objl != f->objl) continue;
      if (failed(*g)) {
        report.finding(kSnapshotFailed, f, nullptr);
        continue;
      }
      const bool sameVectors = pairedUp(f->spatialPointers, g->spatialPointers, sameVector);
      if (attributesEqual(*f, *g)) {
        if (pairedUp(f->featurePointers(), g->featurePointers(), sameObject) && sameVectors) {
          report.finding(kDuplicateFeature, f, g);
        }
      } else if (f->prim == 2 && sameVectors) {
        report.finding(kLinesOnSameEdges, f, g);
      } else if (f->prim == 3) {
        const auto objects = sortedKeys(f->featurePointers(), objectKey);
        if ((!objects.empty() && objects == sortedKeys(g->featurePointers(), objectKey)) ||
            sortedKeys(f->spatialPointers, vectorKey) ==
                sortedKeys(g->spatialPointers, vectorKey)) {
          report.finding(kAreasOnSamePointers, f, g);
        }
      }
    }
  }
}

int pairwiseChecks(Dataset& d, CheckReport& report) {
  report.announce("Checking Feature Number Uniqness\n");
  int s = pairwiseIds(d.features, kDuplicateFeatureId, report);
  report.announce("Checking Vector Number Uniqness\n");
  if (s == 0) {
    const int i = pairwiseIds(d.isolatedNodes, kDuplicateVectorId, report);
    const int c = pairwiseIds(d.connectedNodes, kDuplicateVectorId, report);
    const int e = pairwiseIds(d.edges, kDuplicateVectorId, report);
    s = i != 0 ? i : c != 0 ? c : e;
  }
  report.announce("Checking Pointed Record Type\n");
  if (s == 0) s = checkPointedRecordTypes(d.features, report);
  if (s == 0) {
    report.announce("Checking Object Pointer Existence\n");
    s = pairwiseObjectPointers(d, report);
  }
  if (s == 0) {
    report.announce("Checking Vector Record Pointer Existence\n");
    s = pairwiseVectorPointers(d, report);
  }
  report.announce("Checking Feature Record and Vector Record Cross Reference\n");
  checkCrossReferences(d, report);
  report.announce("Checking Feature Record Duplication\n");
  pairwiseDuplication(d, report);
  if (s == 0) {
    report.announce("Checking Vector Record Coodinate Miscellanious Rules\n");
    s = checkVectorCoordinates(d, report);
  }
  if (s == 0) {
    report.announce("Checking Line Feature Continuity\n");
    s = checkLineContinuity(d, report);
  }
  if (s == 0) {
    report.announce("Checking Area Feature Continuity\n");
    s = checkAreaContinuity(d, report);
  }
  report.announce("All Logical Check Done !\n");
  return s;
}

// ---- Random datasets. ----

// messy 0 keeps identifiers unique and pointers sound, so that every check
// runs; 1 and 2 bring more and more equal identifiers and odd pointers.
void randomDataset(Dataset& d, uint32_t seed, int messy) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  test::DatasetBuilder b(d);
  const int rcidRange = messy == 0 ? 1000 : 6;
  uint32_t nextId = 1;
  auto rcid = [&] { return messy == 0 ? nextId++ : static_cast<uint32_t>(1 + pick(rcidRange)); };
  auto any = [&](const std::vector<uint32_t>& ids) { return ids[pick(ids.size())]; };

  const int isolated = pick(6), connected = pick(8), edges = pick(8);
  std::vector<uint32_t> connectedIds, edgeIds, isolatedIds;
  for (int i = 0; i < isolated; ++i) {
    VectorRecord* v = b.vector(110, rcid());
    isolatedIds.push_back(v->rcid);
    const int coordinates = messy == 0 ? (pick(3) == 0 ? 0 : 1) : pick(3);
    for (int c = 0; c < coordinates; ++c)
      b.coordinate(v, pick(5), pick(5));
    if (messy == 0 ? coordinates == 0 : pick(3) == 0) {
      for (int s = 0; s < 1 + pick(2); ++s)
        b.sounding(v, pick(5), pick(5), pick(20));
    }
    if (messy == 2 && pick(4) == 0) b.nodePointer(v, 120, 1, 1);
  }
  for (int i = 0; i < connected; ++i) {
    VectorRecord* v = b.vector(120, rcid());
    connectedIds.push_back(v->rcid);
    const int coordinates = messy == 0 ? 1 : pick(3);
    for (int c = 0; c < coordinates; ++c)
      b.coordinate(v, pick(5), pick(5));
    if (messy > 0 && pick(5) == 0) b.sounding(v, 1, 1, 1);
    if (messy == 2 && pick(4) == 0) b.nodePointer(v, 120, 1, 1);
  }
  for (int i = 0; i < edges && !connectedIds.empty(); ++i) {
    VectorRecord* v = b.vector(130, rcid());
    edgeIds.push_back(v->rcid);
    if (messy == 0) {
      b.nodePointer(v, 120, any(connectedIds), 1);
      b.nodePointer(v, 120, any(connectedIds), 2);
    } else {
      for (int p = pick(4); p > 0; --p)
        b.nodePointer(v, pick(6) == 0 ? 110 : 120, 1 + pick(rcidRange), 1 + pick(3));
    }
    for (int c = 0; c < pick(3); ++c)
      b.coordinate(v, pick(5), pick(5));
    if (messy > 0 && pick(6) == 0) b.sounding(v, 1, 1, 1);
  }

  // Features keep unique identifiers and FOIDs unless messy is 2.
  const char* texts[] = {"a", "b", "", "ab"};  // "ab" starts as "a" does
  const uint8_t prims[] = {1, 2, 3, 255};
  const bool unique = messy < 2;
  const int features = pick(24);
  for (int i = 0; i < features; ++i) {
    const uint8_t prim = prims[pick(4)];
    FeatureRecord* f = b.feature(unique ? 5000 + i : rcid(), prim, 1 + pick(2), 540,
                                 unique ? i + 1 : 1 + pick(5), unique ? 1 : 1 + pick(2));
    for (int a = 0; a < pick(4); ++a)
      b.attribute(f, 1 + pick(2), texts[pick(4)]);
    for (int p = 0; p < pick(3); ++p) {
      b.featurePointer(f, 540, 1 + pick(unique ? features : 5), unique ? 1 : 1 + pick(2),
                       1 + pick(3), texts[pick(4)]);
    }
    for (int p = pick(4); p > 0; --p) {
      uint8_t rcnm = 130;
      uint32_t id = 1 + pick(rcidRange);
      if (messy == 0) {
        const bool onIsolated = pick(2) == 0 || connectedIds.empty();
        const std::vector<uint32_t>& ids =
            prim == 1 ? (onIsolated ? isolatedIds : connectedIds) : edgeIds;
        if (ids.empty()) break;
        rcnm = prim == 1 ? (onIsolated ? 110 : 120) : 130;
        id = any(ids);
      } else {
        const uint8_t kinds[] = {110, 120, 130, 130, 140};
        rcnm = kinds[pick(5)];
      }
      b.spatialPointer(f, rcnm, id, pick(3) == 0 ? 2 : 1, pick(4) == 0 ? 2 : 1, 255);
    }
  }
}

std::vector<int> referenceCounts(const Dataset& d) {
  std::vector<int> counts;
  for (const List<VectorRecord>* list : {&d.isolatedNodes, &d.connectedNodes, &d.edges}) {
    for (const VectorRecord* v : *list)
      counts.insert(counts.end(),
                    {v->referenced, v->edgeRefCount, v->lineRefCount, v->pointRefCount});
  }
  return counts;
}

// Every seventh feature or so, by its RCID, has no duplication snapshot.
uint32_t snapshotSeed = 0;
bool snapshotFails(const FeatureRecord& f) {
  return (f.rcid * 2654435761u + snapshotSeed) % 7 == 0;
}

TEST(ChecksOracle, FastChecksWriteWhatThePairwiseWalkWrites) {
  std::map<int, int> statuses, findings;
  for (uint32_t seed = 1; seed <= 6000; ++seed) {
    const int messy = static_cast<int>(seed % 3);
    snapshotSeed = seed;
    duplicationSnapshotFails = seed % 4 == 0 ? snapshotFails : nullptr;
    Dataset fast, slow, counted, quiet;
    randomDataset(fast, seed, messy);
    randomDataset(slow, seed, messy);
    randomDataset(counted, seed, messy);
    randomDataset(quiet, seed, messy);
    std::string fastLog, slowLog;
    const int fastStatus = runLogicalChecks(fast, [&](const char* format, std::va_list args) {
      fastLog += formatMessage(format, args);
    });
    TextLogReporter slowText(
        [&](const char* format, std::va_list args) { slowLog += formatMessage(format, args); });
    CheckReport slowReport(slow, slowText);
    const int slowStatus = pairwiseChecks(slow, slowReport);
    // Counting without enumerating, and skipping what nobody reads, give
    // the same status and counts.
    CountingReporter counter;
    const int countedStatus = runLogicalChecks(counted, counter);
    DiscardingReporter discard;
    const int quietStatus = runLogicalChecks(quiet, discard);
    duplicationSnapshotFails = nullptr;
    ASSERT_EQ(fastLog, slowLog) << "seed " << seed;
    ASSERT_EQ(fastStatus, slowStatus) << "seed " << seed;
    ASSERT_EQ(referenceCounts(fast), referenceCounts(slow)) << "seed " << seed;
    ASSERT_EQ(countedStatus, fastStatus) << "seed " << seed;
    ASSERT_EQ(quietStatus, fastStatus) << "seed " << seed;
    ASSERT_EQ(referenceCounts(quiet), referenceCounts(fast)) << "seed " << seed;
    ++statuses[fastStatus];
    std::map<int, uint64_t> logged;
    for (size_t at = fastLog.find("Error:"); at != std::string::npos;
         at = fastLog.find("Error:", at + 1)) {
      ++logged[std::atoi(fastLog.c_str() + at + 6)];
    }
    ASSERT_EQ(counter.byCode(), logged) << "seed " << seed;
    for (const auto& [code, count] : logged)
      findings[code] += static_cast<int>(count);
  }
  // The datasets reach every stage: passing runs, failures of several
  // checks, and findings of every code the rewritten checks make.
  for (int code : {0, 301, 306, 307, 308, 310, 315, 501, 503})
    EXPECT_GT(statuses[code], 2) << code;
  for (int code : {311, 313, 314, 316, 317, 318, 319, 320, 321, 327,
                   328, 329, 330, 331, 332, 333, 334, 336, 981, int{kSnapshotFailed}}) {
    EXPECT_GT(findings[code], 2) << code;
  }
}

}  // namespace
}  // namespace abys
