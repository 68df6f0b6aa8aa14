// The ten checks and the look-ups they share. runLogicalChecks runs them in
// order; they are declared here for tests that drive them one by one.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "check_driver.h"
#include "dataset.h"
#include "flat_map.h"

namespace abys {

// A record name (RCNM, RCID) and a feature object identifier (AGEN, FIDN,
// FIDS) as one 64-bit key each.
inline uint64_t vectorKey(uint8_t rcnm, uint32_t rcid) {
  return (uint64_t{rcnm} << 32) | rcid;
}
inline uint64_t objectKey(uint16_t agen, uint32_t fidn, uint16_t fids) {
  return (uint64_t{agen} << 48) | (uint64_t{fidn} << 16) | fids;
}

// Finds records the way a walk of the list would: the first record in list
// order with the given name or object identifier. Built once per check run,
// so that a look-up costs the same for a cell of any size.
class RecordIndex {
 public:
  explicit RecordIndex(const Dataset& dataset);

  // The first record of the list of that kind (110 isolated nodes, 120
  // connected nodes, 130 edges) with that RCID; null for other kinds.
  VectorRecord* findVectorRecord(uint8_t rcnm, uint32_t rcid) const;
  // The first feature whose FOID is (agen, fidn, fids).
  FeatureRecord* findFeatureByObjectId(uint16_t agen, uint32_t fidn, uint16_t fids) const;

 private:
  // Vector records by RCID, one table per kind (110, 120, 130).
  std::vector<IdTable<VectorRecord*>> vectors_;
  // Features by FIDN when they all share one AGEN and FIDS (the usual case),
  // else by the whole identifier.
  bool commonAgency_ = true;
  uint16_t agen_ = 0;
  uint16_t fids_ = 0;
  std::optional<IdTable<FeatureRecord*>> byFidn_;
  std::optional<FlatMap<FeatureRecord*>> byObjectId_;
};

// Checks 1 to 6: identifiers and references.
int checkFeatureNumbers(const List<FeatureRecord>& features, CheckReport& report);
int checkVectorNumbers(const Dataset& dataset, CheckReport& report);
int checkPointedRecordTypes(const List<FeatureRecord>& features, CheckReport& report);
int checkObjectPointers(Dataset& dataset, const RecordIndex& index, CheckReport& report);
int checkVectorPointers(Dataset& dataset, const RecordIndex& index, CheckReport& report);
void checkCrossReferences(const Dataset& dataset, CheckReport& report);

// Checks 7 to 10: duplication and geometry.
//
// When set, check 7 treats the snapshot of every feature for which this
// returns true as one it could not make for lack of memory. For tests of
// memory exhaustion.
extern bool (*duplicationSnapshotFails)(const FeatureRecord& feature);

void checkFeatureDuplication(const Dataset& dataset, CheckReport& report);
int checkVectorCoordinates(const Dataset& dataset, CheckReport& report);
int checkLineContinuity(const Dataset& dataset, CheckReport& report);
int checkAreaContinuity(const Dataset& dataset, CheckReport& report);

// Finding codes.
enum CheckCode : int {
  kDuplicateFeatureId = 301,
  kDuplicateVectorId = 306,
  kLineOrAreaNotOnEdge = 307,
  kPointNotOnNode = 308,
  kMissingTarget = 310,
  kRepeatedPointer = 311,
  kEdgePointsAtNonNode = 313,
  kEdgeTooManyNodes = 314,
  kEdgeTooFewNodes = 315,
  kLoopEdgeTooShort = 316,
  kFirstNotBeginning = 317,
  kSecondNotEnd = 318,
  kConnectedNodeHasPointers = 319,
  kIsolatedNodeHasPointers = 320,
  kSoundingsOnEdgeOrNode = 321,
  kNodeManyCoordinates = 322,
  kIsolatedNodeNoCoordinates = 323,
  kIsolatedNodeBothKinds = 325,
  kConnectedNodeNoCoordinate = 326,
  kUnreferencedIsolatedNode = 327,
  kUnreferencedConnectedNode = 328,
  kUnreferencedEdge = 329,
  kNodeWithoutEdge = 330,
  kEdgeOfSeveralLines = 331,
  kSoundingOfSeveralPoints = 332,
  kDuplicateFeature = 333,
  kLinesOnSameEdges = 334,
  kAreasOnSamePointers = 336,
  kLineBroken = 501,
  kRingBroken = 502,
  kFirstRingOpen = 503,
  kLaterRingOpen = 504,
  kNoPointers = 981,
  kSnapshotFailed = -2,
};

}  // namespace abys
