// Checks 8 to 10: the coordinate rules of vector records and the continuity
// of line and area features along their resolved edges.
#include "check_driver.h"
#include "checks.h"

namespace abys {
namespace {

// The RCIDs of the nodes where a walk along an edge starts and ends: ORNT 2
// walks from the end node (second pointer) to the beginning node (first
// pointer), any other ORNT the other way. False when the pointer has no edge
// with two node pointers, which the earlier checks rule out.
bool walkEnds(const SpatialPointerEntry& pointer, uint32_t& start, uint32_t& end) {
  const VectorRecord* edge = pointer.target;
  if (edge == nullptr || edge->pointers.count < 2) return false;
  const uint32_t beginning = edge->pointers[0].rcid;
  const uint32_t ending = edge->pointers[1].rcid;
  const bool reverse = pointer.ornt == 2;
  start = reverse ? ending : beginning;
  end = reverse ? beginning : ending;
  return true;
}

}  // namespace

int checkVectorCoordinates(const Dataset& dataset, CheckReport& report) {
  int status = 0;
  const VectorRecord* none = nullptr;
  auto note = [&](int code, const VectorRecord* record, bool setsStatus) {
    reportCheckError(code, record, none, report);
    if (setsStatus) status = code;
  };
  for (const VectorRecord* edge : dataset.edges) {
    if (!edge->soundings().empty()) note(kSoundingsOnEdgeOrNode, edge, false);
  }
  for (const VectorRecord* node : dataset.connectedNodes) {
    if (!node->soundings().empty()) note(kSoundingsOnEdgeOrNode, node, false);
    if (node->coordinates.empty()) {
      note(kConnectedNodeNoCoordinate, node, true);
    } else if (node->coordinates.count > 1) {
      note(kNodeManyCoordinates, node, true);
    }
  }
  for (const VectorRecord* node : dataset.isolatedNodes) {
    if (!node->soundings().empty()) {
      if (!node->coordinates.empty()) note(kIsolatedNodeBothKinds, node, true);
    } else if (node->coordinates.empty()) {
      note(kIsolatedNodeNoCoordinates, node, true);
    } else if (node->coordinates.count > 1) {
      note(kNodeManyCoordinates, node, true);
    }
  }
  return status;
}

int checkLineContinuity(const Dataset& dataset, CheckReport& report) {
  int status = 0;
  for (const FeatureRecord* f : dataset.features) {
    if (f->prim != kPrimLine) continue;
    bool havePrevious = false;
    uint32_t previousEnd = 0;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      uint32_t start = 0, end = 0;
      if (!walkEnds(*p, start, end)) {
        havePrevious = false;
        continue;
      }
      if (havePrevious && start != previousEnd) {
        status = kLineBroken;
        reportCheckError(status, f, static_cast<const FeatureRecord*>(nullptr), report);
      }
      previousEnd = end;
      havePrevious = true;
    }
  }
  return status;
}

int checkAreaContinuity(const Dataset& dataset, CheckReport& report) {
  int status = 0;
  const FeatureRecord* none = nullptr;
  for (const FeatureRecord* f : dataset.features) {
    if (f->prim != kPrimArea) continue;
    if (f->spatialPointers.empty()) {
      status = kFirstRingOpen;
      reportCheckError(status, f, none, report);
      continue;
    }
    bool ringStartPending = true;
    bool firstRing = true;
    bool ringClosed = false;
    uint32_t ringStart = 0;
    uint32_t previousEnd = 0;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      if (firstRing && p->usag == 2) break;
      if (!firstRing && p->usag == 1) break;
      uint32_t start = 0, end = 0;
      if (!walkEnds(*p, start, end)) continue;
      if (ringStartPending) {
        ringStart = start;
        ringStartPending = false;
        ringClosed = false;
      } else if (start != previousEnd) {
        status = kRingBroken;
        reportCheckError(status, f, none, report);
      }
      previousEnd = end;
      if (end == ringStart) {
        ringClosed = true;
        ringStartPending = true;
        firstRing = false;
      }
    }
    if (!ringClosed) {
      status = firstRing ? kFirstRingOpen : kLaterRingOpen;
      reportCheckError(status, f, none, report);
    }
  }
  return status;
}

}  // namespace abys
