// Checks 1 to 6: unique identifiers, the kinds of records features point at,
// the resolution of every pointer, and the cross-references of vector
// records.
#include <algorithm>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "check_driver.h"
#include "checks.h"

namespace abys {
namespace {

template <typename Record>
std::vector<Record*> inOrder(const List<Record>& list) {
  std::vector<Record*> records;
  records.reserve(static_cast<size_t>(list.count));
  for (Record* r : list)
    records.push_back(r);
  return records;
}

// Reports `code` for every pair of records of list with the same RCID, in the
// order of a walk over every record and every record after it, or hands how
// many pairs there are when only counts are wanted. Returns code when there
// was a pair, else 0. Memory grows with the records, not the pairs.
template <typename Record>
int reportEqualIds(const List<Record>& list, int code, CheckReport& report) {
  const std::vector<Record*> records = inOrder(list);
  // Identifiers counted up in list order, as files usually have them,
  // repeat none.
  bool ascending = true;
  for (size_t i = 1; i < records.size() && ascending; ++i)
    ascending = records[i - 1]->rcid < records[i]->rcid;
  if (ascending) return 0;
  // The records by RCID, in list order within an RCID: sorting, unlike a
  // hash table, costs the same whatever the identifiers.
  std::vector<std::pair<uint32_t, uint32_t>> byId(records.size());
  for (size_t i = 0; i < records.size(); ++i)
    byId[i] = {records[i]->rcid, static_cast<uint32_t>(i)};
  std::sort(byId.begin(), byId.end());
  // Each record's group, and each group's size.
  std::vector<uint32_t> group(records.size());
  std::vector<uint32_t> sizes;
  for (size_t k = 0; k < byId.size(); ++k) {
    if (k == 0 || byId[k].first != byId[k - 1].first) sizes.push_back(0);
    group[byId[k].second] = static_cast<uint32_t>(sizes.size() - 1);
    ++sizes.back();
  }
  if (sizes.size() == records.size()) return 0;
  if (report.detail() == FindingDetail::None) return code;
  if (report.detail() == FindingDetail::CountOnly) {
    uint64_t pairs = 0;
    for (const uint64_t k : sizes)
      pairs += k * (k - 1) / 2;
    report.counted(code, pairs);
    return code;
  }
  // byId lists each group's members in list order, one group after another.
  std::vector<uint32_t> begin(sizes.size() + 1, 0);
  for (size_t g = 0; g < sizes.size(); ++g)
    begin[g + 1] = begin[g] + sizes[g];
  std::vector<uint32_t> next(begin.begin(), begin.end() - 1);
  // Walking in list order, record i is the next member of its group: the
  // members after it are its pairs, in order.
  for (size_t i = 0; i < records.size(); ++i) {
    const uint32_t g = group[i];
    for (uint32_t m = ++next[g]; m < begin[g + 1]; ++m)
      reportCheckError(code, records[i], records[byId[m].second], report);
  }
  return code;
}

// The number of pairs of equal keys (each pair once).
template <typename Key>
long equalPairs(std::vector<Key>& keys) {
  std::sort(keys.begin(), keys.end());
  long pairs = 0;
  for (size_t i = 0; i < keys.size();) {
    size_t j = i + 1;
    while (j < keys.size() && keys[j] == keys[i])
      ++j;
    const long run = static_cast<long>(j - i);
    pairs += run * (run - 1) / 2;
    i = j;
  }
  return pairs;
}

// One 311 finding for f per pair of equal pointers, or their count.
void reportRepeated(const FeatureRecord* f, long pairs, CheckReport& report) {
  if (report.detail() == FindingDetail::CountOnly) {
    report.counted(kRepeatedPointer, static_cast<uint64_t>(pairs));
    return;
  }
  for (long i = 0; i < pairs; ++i)
    reportCheckError(kRepeatedPointer, f, static_cast<const FeatureRecord*>(nullptr), report);
}

}  // namespace

namespace {

template <typename Record>
IdTable<Record*> tableOf(const List<Record>& list) {
  std::vector<uint32_t> ids;
  std::vector<Record*> records;
  ids.reserve(static_cast<size_t>(list.count));
  records.reserve(static_cast<size_t>(list.count));
  for (Record* r : list) {
    ids.push_back(r->rcid);
    records.push_back(r);
  }
  return IdTable<Record*>(ids, records);
}

}  // namespace

RecordIndex::RecordIndex(const Dataset& dataset) {
  for (const List<VectorRecord>* list :
       {&dataset.isolatedNodes, &dataset.connectedNodes, &dataset.edges}) {
    vectors_.push_back(tableOf(*list));
  }
  const FeatureRecord* first = dataset.features.first;
  if (first != nullptr) {
    agen_ = first->agen;
    fids_ = first->fids;
  }
  std::vector<uint32_t> ids;
  std::vector<FeatureRecord*> features;
  for (FeatureRecord* f : dataset.features) {
    commonAgency_ = commonAgency_ && f->agen == agen_ && f->fids == fids_;
    ids.push_back(f->fidn);
    features.push_back(f);
  }
  if (commonAgency_) {
    byFidn_.emplace(ids, features);
  } else {
    byObjectId_.emplace(features.size());
    for (FeatureRecord* f : features)
      byObjectId_->insert(objectKey(f->agen, f->fidn, f->fids), f);
  }
}

VectorRecord* RecordIndex::findVectorRecord(uint8_t rcnm, uint32_t rcid) const {
  const int kind = rcnm == kRcnmIsolatedNode    ? 0
                   : rcnm == kRcnmConnectedNode ? 1
                   : rcnm == kRcnmEdge          ? 2
                                                : -1;
  if (kind < 0) return nullptr;
  VectorRecord* const* found = vectors_[static_cast<size_t>(kind)].find(rcid);
  return found != nullptr ? *found : nullptr;
}

FeatureRecord* RecordIndex::findFeatureByObjectId(uint16_t agen, uint32_t fidn,
                                                  uint16_t fids) const {
  FeatureRecord* const* found = nullptr;
  if (byFidn_) {
    if (agen != agen_ || fids != fids_) return nullptr;
    found = byFidn_->find(fidn);
  } else {
    found = byObjectId_->find(objectKey(agen, fidn, fids));
  }
  return found != nullptr ? *found : nullptr;
}

int checkFeatureNumbers(const List<FeatureRecord>& features, CheckReport& report) {
  return reportEqualIds(features, kDuplicateFeatureId, report);
}

int checkVectorNumbers(const Dataset& dataset, CheckReport& report) {
  // Each kind is checked and reported; the first kind with a pair decides.
  const int isolated = reportEqualIds(dataset.isolatedNodes, kDuplicateVectorId, report);
  const int connected = reportEqualIds(dataset.connectedNodes, kDuplicateVectorId, report);
  const int edges = reportEqualIds(dataset.edges, kDuplicateVectorId, report);
  if (isolated != 0) return isolated;
  if (connected != 0) return connected;
  return edges;
}

int checkPointedRecordTypes(const List<FeatureRecord>& features, CheckReport& report) {
  int status = 0;
  for (const FeatureRecord* f : features) {
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      if (f->prim == kPrimPoint && p->rcnm != kRcnmConnectedNode && p->rcnm != kRcnmIsolatedNode) {
        status = kPointNotOnNode;
        reportCheckError(status, f, static_cast<const FeatureRecord*>(nullptr), report);
      } else if ((f->prim == kPrimLine || f->prim == kPrimArea) && p->rcnm != kRcnmEdge) {
        status = kLineOrAreaNotOnEdge;
        reportCheckError(status, f, static_cast<const FeatureRecord*>(nullptr), report);
      }
    }
  }
  return status;
}

int checkObjectPointers(Dataset& dataset, const RecordIndex& index, CheckReport& report) {
  int status = 0;
  const FeatureRecord* none = nullptr;
  for (FeatureRecord* f : dataset.features) {
    if (f->featurePointers().empty() && f->spatialPointers.empty()) {
      reportCheckError(kNoPointers, f, none, report);
      continue;
    }
    for (SpatialPointerEntry* p : f->spatialPointers) {
      p->target = index.findVectorRecord(p->rcnm, p->rcid);
      if (p->target == nullptr) {
        status = kMissingTarget;
        reportCheckError(status, f, none, report);
        continue;
      }
      p->target->referenced = 1;
      if (f->prim == kPrimLine) ++p->target->lineRefCount;
      if (f->prim == kPrimPoint) ++p->target->pointRefCount;
    }
    for (FeaturePointerEntry* p : f->featurePointers()) {
      p->target = index.findFeatureByObjectId(p->agen, p->fidn, p->fids);
      if (p->target == nullptr) {
        status = kMissingTarget;
        reportCheckError(status, f, none, report);
      }
    }
    // Every pair of equal pointers writes the same line, so counting pairs
    // writes what comparing every pair would. The pairs never change the
    // status.
    if (report.detail() == FindingDetail::None) continue;
    long repeated = 0;
    if (f->featurePointers().count > 1) {
      std::vector<std::tuple<uint16_t, uint32_t, uint16_t, uint8_t, char>> keys;
      keys.reserve(static_cast<size_t>(f->featurePointers().count));
      for (const FeaturePointerEntry* p : f->featurePointers()) {
        keys.emplace_back(p->agen, p->fidn, p->fids, p->rind, p->comt.empty() ? '\0' : p->comt[0]);
      }
      repeated += equalPairs(keys);
    }
    reportRepeated(f, repeated, report);
    repeated = 0;
    if (f->spatialPointers.count > 1) {
      std::vector<uint64_t> keys;
      keys.reserve(static_cast<size_t>(f->spatialPointers.count));
      for (const SpatialPointerEntry* p : f->spatialPointers) {
        keys.push_back(vectorKey(p->rcnm, p->rcid));
      }
      repeated += equalPairs(keys);
    }
    reportRepeated(f, repeated, report);
  }
  return status;
}

int checkVectorPointers(Dataset& dataset, const RecordIndex& index, CheckReport& report) {
  int status = 0;
  const VectorRecord* none = nullptr;
  for (VectorRecord* edge : dataset.edges) {
    if (edge->pointers.empty()) {
      status = kEdgeTooFewNodes;
      reportCheckError(status, edge, none, report);
      continue;
    }
    int nodes = 0;
    for (VectorPointerEntry* p : edge->pointers) {
      if (p->rcnm != kRcnmConnectedNode) {
        status = kEdgePointsAtNonNode;
        reportCheckError(status, edge, none, report);
        continue;
      }
      p->target = index.findVectorRecord(p->rcnm, p->rcid);
      if (p->target == nullptr) {
        status = kMissingTarget;
        reportCheckError(status, edge, none, report);
      } else {
        p->target->referenced = 1;
        ++p->target->edgeRefCount;
      }
      ++nodes;
    }
    if (nodes > 2) {
      status = kEdgeTooManyNodes;
      reportCheckError(status, edge, none, report);
    } else if (nodes < 2) {
      status = kEdgeTooFewNodes;
      reportCheckError(status, edge, none, report);
    } else {
      const VectorPointerEntry* first = edge->pointers.first;
      const VectorPointerEntry* second = first + 1;
      if (first->rcid == second->rcid && edge->coordinates.count < 2) {
        reportCheckError(kLoopEdgeTooShort, edge, none, report);
      }
      if (first->topi != 1) reportCheckError(kFirstNotBeginning, edge, none, report);
      if (second->topi != 2) reportCheckError(kSecondNotEnd, edge, none, report);
    }
  }
  for (const VectorRecord* node : dataset.connectedNodes) {
    if (!node->pointers.empty()) reportCheckError(kConnectedNodeHasPointers, node, none, report);
  }
  for (const VectorRecord* node : dataset.isolatedNodes) {
    if (!node->pointers.empty()) reportCheckError(kIsolatedNodeHasPointers, node, none, report);
  }
  return status;
}

void checkCrossReferences(const Dataset& dataset, CheckReport& report) {
  const VectorRecord* none = nullptr;
  for (const VectorRecord* node : dataset.isolatedNodes) {
    if (node->referenced == 0) reportCheckError(kUnreferencedIsolatedNode, node, none, report);
    if (!node->soundings().empty() && node->pointRefCount > 1) {
      reportCheckError(kSoundingOfSeveralPoints, node, none, report);
    }
  }
  for (const VectorRecord* node : dataset.connectedNodes) {
    if (node->referenced == 0) reportCheckError(kUnreferencedConnectedNode, node, none, report);
    if (node->edgeRefCount == 0) reportCheckError(kNodeWithoutEdge, node, none, report);
  }
  for (const VectorRecord* edge : dataset.edges) {
    if (edge->referenced == 0) reportCheckError(kUnreferencedEdge, edge, none, report);
    if (edge->lineRefCount > 1) reportCheckError(kEdgeOfSeveralLines, edge, none, report);
  }
}

}  // namespace abys
