// The hostile kinds. Each builder writes plain records with the cell writer;
// the comment above it says which check it loads and how.
#include "hostile_cell.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalogue.h"
#include "catalogue_codes.h"

namespace abys::mkcell {
namespace {

using cellwriter::Cell;
using cellwriter::Feature;
using cellwriter::FeaturePointer;
using cellwriter::Point2;
using cellwriter::SpatialPointer;
using cellwriter::Vector;

constexpr uint8_t kIsolatedNode = 110;
constexpr uint8_t kEdge = 130;
constexpr uint8_t kPoint = 1, kLine = 2, kArea = 3, kNoGeometry = 255;
constexpr uint8_t kExterior = 1;

constexpr double kWest = 139.7, kSouth = 35.4;
constexpr double kStep = 1e-5;  // degrees between neighbouring points
constexpr int64_t kColumns = 1000;

// A far larger count than any cell of kHostileBytes has.
constexpr int64_t kManyUnits = 1000000;

uint16_t classCode(std::string_view acronym) {
  const catalogue::ObjectClass* c = catalogue::objectClass(acronym);
  if (c == nullptr) throw std::logic_error("no object class " + std::string(acronym));
  return c->code;
}

uint16_t landmark() {
  static const uint16_t code = classCode("LNDMRK");
  return code;
}

uint16_t aggregate() {
  static const uint16_t code = classCode("C_AGGR");
  return code;
}

uint32_t id(int64_t i) {
  return static_cast<uint32_t>(i);
}

std::string text(int64_t i) {
  return std::to_string(i);
}

// Point i of a serpentine walk over rows of kColumns points: each point a
// step from the one before.
Point2 spot(int64_t i) {
  const int64_t row = i / kColumns;
  const int64_t column = row % 2 == 0 ? i % kColumns : kColumns - 1 - i % kColumns;
  return {kWest + static_cast<double>(column) * kStep, kSouth + static_cast<double>(row) * kStep};
}

Cell newCell() {
  Cell cell;
  cell.dsid.comt = "ABYS hostile cell";
  cell.dspm.comf = 10000000;
  return cell;
}

Feature newFeature(int64_t rcid, uint8_t prim, uint16_t objl) {
  Feature f;
  f.rcid = id(rcid);
  f.prim = prim;
  f.objl = objl;
  return f;
}

SpatialPointer onNode(int64_t rcid) {
  return {.rcnm = kIsolatedNode, .rcid = id(rcid), .ornt = 255};
}

SpatialPointer alongEdge(int64_t rcid, uint8_t usag = 255) {
  return {.rcnm = kEdge, .rcid = id(rcid), .ornt = 1, .usag = usag};
}

FeaturePointer toFeature(int64_t fidn) {
  return {.fidn = id(fidn)};
}

bool encodes(const cellwriter::Record& record) {
  try {
    (void)cellwriter::encodeRecord(record);
    return true;
  } catch (const std::length_error&) {
    return false;
  }
}

// The largest n in low..high for which fits(n) holds; fits(low) holds and
// fits turns false at most once as n grows.
template <typename Fits>
int64_t largest(int64_t low, int64_t high, Fits fits) {
  while (low < high) {
    const int64_t middle = low + (high - low + 1) / 2;
    if (fits(middle)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

// The most copies of pointer that feature f holds in its one record.
int64_t pointersFitting(Feature f, const SpatialPointer& pointer) {
  const Cell cell;
  return largest(1, cellwriter::kMaxRecordLength, [&](int64_t n) {
    f.spatialPointers.assign(static_cast<size_t>(n), pointer);
    return encodes(cellwriter::featureRecord(f, cell, 1));
  });
}

// ---------------------------------------------------------------------------
// n landmarks on isolated node 1, landmark i of RCID i + 1 and FIDN the
// same, then shaped by shape(feature, i).
template <typename Shape>
Cell landmarksOnOneNode(int64_t n, Shape shape) {
  Cell cell = newCell();
  cell.vectors.push_back(cellwriter::isolatedNode(1, spot(0)));
  for (int64_t i = 0; i < n; ++i) {
    Feature f = newFeature(i + 1, kPoint, landmark());
    f.spatialPointers = {onNode(1)};
    shape(f, i);
    cell.features.push_back(std::move(f));
  }
  return cell;
}

// Landmarks with one attribute, all on one node: every pair a 333 finding
// of the duplication check (check 7), n(n-1)/2 lines.
Cell equalFeatures(int64_t n) {
  return landmarksOnOneNode(n, [](Feature& f, int64_t) {
    f.attributes = {{catalogue::kObjnam, "same"}};
  });
}

// Landmarks each of its own FIDN and name that all have RCID 1: every pair
// a 301 finding of check 1.
Cell sameFeatureId(int64_t n) {
  return landmarksOnOneNode(n, [](Feature& f, int64_t i) {
    f.rcid = 1;
    f.fidn = id(i + 1);
    f.attributes = {{catalogue::kObjnam, text(i + 1)}};
  });
}

// Isolated nodes that all have RCID 1: every pair a 306 finding of check 2.
Cell sameVectorId(int64_t n) {
  Cell cell = newCell();
  for (int64_t i = 0; i < n; ++i)
    cell.vectors.push_back(cellwriter::isolatedNode(1, spot(i)));
  Feature f = newFeature(1, kPoint, landmark());
  f.spatialPointers = {onNode(1)};
  cell.features.push_back(std::move(f));
  return cell;
}

// Depth contours that all run along edge 1 and back along an edge of their
// own, each at its own depth: every pair shares a spatial pointer, so check
// 7 compares every pair of lines, and none is a finding. The cell passes
// its checks.
Cell sharedEdge(int64_t n) {
  Cell cell = newCell();
  cell.vectors.push_back(cellwriter::connectedNode(1, spot(0)));
  cell.vectors.push_back(cellwriter::connectedNode(2, spot(1)));
  cell.vectors.push_back(cellwriter::edge(1, 1, 2, {}));
  for (int64_t i = 0; i < n; ++i) {
    cell.vectors.push_back(cellwriter::edge(id(i + 2), 2, 1, {}));
    Feature f = newFeature(i + 1, kLine, catalogue::kDepcnt);
    f.attributes = {{catalogue::kValdco, text(i + 1)}};
    f.spatialPointers = {alongEdge(1), alongEdge(i + 2)};
    cell.features.push_back(std::move(f));
  }
  return cell;
}

// Points on one node, each with the same two values of one attribute code.
// A repeated code makes check 7 look features up by their rarest code and
// value, which every feature shares, yet two such features never count as
// equal: every pair compared, no finding. The cell passes its checks.
Cell repeatedCodes(int64_t n) {
  return landmarksOnOneNode(n, [](Feature& f, int64_t) {
    f.attributes = {{catalogue::kObjnam, "a"}, {catalogue::kObjnam, "b"}};
  });
}

Feature contour(int64_t rcid, int64_t depth) {
  Feature f = newFeature(rcid, kLine, catalogue::kDepcnt);
  f.attributes = {{catalogue::kValdco, text(depth)}};
  return f;
}

// One depth contour of k edges end to end, each between two nodes of its
// own: as many spatial pointers as one record holds, for line continuity
// (check 9) and the viewer's line geometry. The cell passes its checks.
Cell longLine(int64_t k) {
  Cell cell = newCell();
  for (int64_t i = 0; i <= k; ++i)
    cell.vectors.push_back(cellwriter::connectedNode(id(i + 1), spot(i)));
  Feature f = contour(1, 10);
  for (int64_t i = 0; i < k; ++i) {
    cell.vectors.push_back(cellwriter::edge(id(i + 1), id(i + 1), id(i + 2), {}));
    f.spatialPointers.push_back(alongEdge(i + 1));
  }
  cell.features.push_back(std::move(f));
  return cell;
}

int64_t longLineMax() {
  static const int64_t most = pointersFitting(contour(1, 10), alongEdge(1));
  return most;
}

// The spatial pointers a depth contour of the widest depth text a count may
// give holds.
int64_t pointersPerContour() {
  static const int64_t most = pointersFitting(contour(1, kManyUnits), alongEdge(1));
  return most;
}

// Depth contours each naming one loop edge as often as its record holds:
// check 4 writes a 311 line for every pair of equal pointers of a feature,
// about 78 million per feature. The lines are continuous, so the cell
// passes its checks.
Cell repeatedPointer(int64_t n) {
  Cell cell = newCell();
  cell.vectors.push_back(cellwriter::connectedNode(1, {kWest, kSouth}));
  cell.vectors.push_back(
      cellwriter::edge(1, 1, 1, {{kWest + kStep, kSouth}, {kWest + kStep, kSouth + kStep}}));
  const auto k = static_cast<size_t>(pointersPerContour());
  for (int64_t i = 0; i < n; ++i) {
    Feature f = contour(i + 1, i + 1);
    f.spatialPointers.assign(k, alongEdge(1));
    cell.features.push_back(std::move(f));
  }
  return cell;
}

Feature depthArea() {
  Feature f = newFeature(1, kArea, catalogue::kDepare);
  f.attributes = {{catalogue::kDrval1, "0"}, {catalogue::kDrval2, "10"}};
  return f;
}

int64_t ringMax() {
  static const int64_t most = pointersFitting(depthArea(), alongEdge(1, kExterior));
  return most;
}

// One depth area whose ring is k tiny edges: a flat triangle, k - 1 nodes
// along its base and one at its apex. Closed, the cell passes its checks
// and opens; open (the last edge ends beside the first node, not on it),
// check 10 fails it at the end of the walk.
Cell ring(int64_t k, bool closed) {
  Cell cell = newCell();
  const int64_t base = k - 1;  // nodes along the base
  for (int64_t i = 0; i < base; ++i) {
    cell.vectors.push_back(
        cellwriter::connectedNode(id(i + 1), {kWest + static_cast<double>(i) * kStep, kSouth}));
  }
  const double half = static_cast<double>(base / 2) * kStep;
  cell.vectors.push_back(cellwriter::connectedNode(id(k), {kWest + half, kSouth + half + kStep}));
  int64_t last = 1;
  if (!closed) {
    last = k + 1;
    cell.vectors.push_back(cellwriter::connectedNode(id(last), {kWest, kSouth + kStep}));
  }
  Feature f = depthArea();
  for (int64_t i = 0; i < k; ++i) {
    const int64_t to = i + 1 < k ? i + 2 : last;
    cell.vectors.push_back(cellwriter::edge(id(i + 1), id(i + 1), id(to), {}));
    f.spatialPointers.push_back(alongEdge(i + 1, kExterior));
  }
  cell.features.push_back(std::move(f));
  return cell;
}

Cell closedRing(int64_t k) {
  return ring(k, true);
}

Cell openRing(int64_t k) {
  return ring(k, false);
}

// Aggregates each pointing at the next (FFPT), the last a landmark on a
// node: one chain through every feature for check 4 to resolve.
Cell pointerChain(int64_t n) {
  Cell cell = newCell();
  cell.vectors.push_back(cellwriter::isolatedNode(1, spot(0)));
  for (int64_t i = 1; i < n; ++i) {
    Feature f = newFeature(i, kNoGeometry, aggregate());
    f.featurePointers = {toFeature(i + 1)};
    cell.features.push_back(std::move(f));
  }
  Feature end = newFeature(n, kPoint, landmark());
  end.spatialPointers = {onNode(1)};
  cell.features.push_back(std::move(end));
  return cell;
}

// Aggregates each pointing at itself and at the next, the last at the
// first: cycles of one feature and of all of them.
Cell pointerCycle(int64_t n) {
  Cell cell = newCell();
  for (int64_t i = 1; i <= n; ++i) {
    Feature f = newFeature(i, kNoGeometry, aggregate());
    f.featurePointers = {toFeature(i), toFeature(i % n + 1)};
    cell.features.push_back(std::move(f));
  }
  return cell;
}

// Depth contours each naming as many edges as its record holds, none of
// which exists: a 310 finding of check 4 for every pointer.
Cell unresolvedPointers(int64_t n) {
  Cell cell = newCell();
  const int64_t k = pointersPerContour();
  for (int64_t i = 0; i < n; ++i) {
    Feature f = contour(i + 1, i + 1);
    for (int64_t j = 0; j < k; ++j)
      f.spatialPointers.push_back(alongEdge(i * k + j + 1));
    cell.features.push_back(std::move(f));
  }
  return cell;
}

int64_t coordinatesPerNode() {
  static const int64_t most = largest(1, cellwriter::kMaxRecordLength, [](int64_t n) {
    Vector v = cellwriter::isolatedNode(1, spot(0));
    v.coordinates.assign(static_cast<size_t>(n), spot(0));
    return encodes(cellwriter::vectorRecord(v, Cell().dspm, 1));
  });
  return most;
}

// Isolated nodes each holding as many coordinates as a record holds: a 322
// finding of check 8 per node, and the most coordinates the loader
// assembles from a file of this size.
Cell nodeCoordinates(int64_t n) {
  Cell cell = newCell();
  const int64_t k = coordinatesPerNode();
  for (int64_t i = 0; i < n; ++i) {
    Vector v = cellwriter::isolatedNode(id(i + 1), spot(i * k));
    for (int64_t j = 1; j < k; ++j)
      v.coordinates.push_back(spot(i * k + j));
    cell.vectors.push_back(std::move(v));
  }
  return cell;
}

// The bucket count the identifier checks' hash table (std::unordered_map of
// RCIDs, reserved for the n records of a list) has: RCIDs 1 + i * buckets
// all fall into one bucket, so counting them costs n * n / 2 steps without a
// finding.
int64_t bucketsFor(int64_t n) {
  std::unordered_map<uint32_t, uint32_t> table;
  table.reserve(static_cast<size_t>(n));
  return static_cast<int64_t>(table.bucket_count());
}

int64_t collidingMax() {
  // The RCIDs must fit 32 bits.
  static const int64_t most =
      largest(1, kManyUnits, [](int64_t n) { return 1 + (n - 1) * bucketsFor(n) <= 0xffffffff; });
  return most;
}

std::vector<uint32_t> collidingIds(int64_t n) {
  const int64_t buckets = bucketsFor(n);
  std::vector<uint32_t> ids;
  for (int64_t i = 0; i < n; ++i)
    ids.push_back(id(1 + i * buckets));
  return ids;
}

// Distinct landmarks on one node whose RCIDs share a bucket (check 1).
Cell collidingFeatureIds(int64_t n) {
  const std::vector<uint32_t> ids = collidingIds(n);
  return landmarksOnOneNode(n, [&](Feature& f, int64_t i) {
    f.rcid = ids[static_cast<size_t>(i)];
    f.fidn = id(i + 1);
    f.attributes = {{catalogue::kObjnam, text(i + 1)}};
  });
}

// Isolated nodes whose RCIDs share a bucket (check 2); unreferenced, each a
// 327 finding of check 6.
Cell collidingVectorIds(int64_t n) {
  Cell cell = newCell();
  const std::vector<uint32_t> ids = collidingIds(n);
  for (int64_t i = 0; i < n; ++i)
    cell.vectors.push_back(cellwriter::isolatedNode(ids[static_cast<size_t>(i)], spot(i)));
  return cell;
}

// The record index of checks 4 and 5 keeps features by object identifier
// (AGEN, FIDN, FIDS as one 64-bit key) in an open-addressing table when the
// features do not share one AGEN and FIDS, placing a key at the slot its
// splitmix64 finaliser gives, masked to the table's power-of-two size. Keys
// whose finalised value has the same low 32 bits start at the same slot in
// any table that size allows, and pile up into one run.
uint64_t inverseOfOdd(uint64_t odd) {
  uint64_t x = odd;  // Newton's iteration doubles the correct low bits
  for (int i = 0; i < 6; ++i)
    x *= 2 - odd * x;
  return x;
}

uint64_t undoShift(uint64_t y, int shift) {
  uint64_t x = y;
  for (int s = shift; s < 64; s += shift)
    x ^= y >> s;
  return x;
}

uint64_t unfinalise(uint64_t h) {
  h = undoShift(h, 31);
  h *= inverseOfOdd(0x94d049bb133111ebULL);
  h = undoShift(h, 27);
  h *= inverseOfOdd(0xbf58476d1ce4e5b9ULL);
  return undoShift(h, 30);
}

constexpr int64_t kTargetsPerAggregate = 8;

// Aggregates with colliding object identifiers, each pointing (FFPT) at the
// last ones placed, which lie at the end of the run: building the index and
// every look-up walk the run.
Cell collidingObjectIds(int64_t n) {
  std::vector<FeaturePointer> names;
  for (uint64_t i = 1; names.size() < static_cast<size_t>(n); ++i) {
    const uint64_t key = unfinalise((i << 32) | 0x2545f491);
    FeaturePointer name{.agen = static_cast<uint16_t>(key >> 48),
                        .fidn = static_cast<uint32_t>(key >> 16),
                        .fids = static_cast<uint16_t>(key)};
    if (name.fidn != 0) names.push_back(name);  // FIDN 0 would be written as the RCID
  }
  Cell cell = newCell();
  for (int64_t i = 0; i < n; ++i) {
    Feature f = newFeature(i + 1, kNoGeometry, aggregate());
    const FeaturePointer& own = names[static_cast<size_t>(i)];
    f.agen = own.agen;
    f.fidn = own.fidn;
    f.fids = own.fids;
    f.attributes = {{catalogue::kObjnam, text(i + 1)}};
    for (int64_t t = std::max<int64_t>(0, n - kTargetsPerAggregate); t < n; ++t)
      f.featurePointers.push_back(names[static_cast<size_t>(t)]);
    cell.features.push_back(std::move(f));
  }
  return cell;
}

int64_t many() {
  return kManyUnits;
}

constexpr HostileKind kKinds[] = {
    {"equal-features", "landmarks", "features all equal: check 7 reports every pair (333)", 1, many,
     equalFeatures},
    {"same-feature-id", "landmarks", "features all of RCID 1: check 1 reports every pair (301)", 1,
     many, sameFeatureId},
    {"same-vector-id", "isolated nodes", "nodes all of RCID 1: check 2 reports every pair (306)", 1,
     many, sameVectorId},
    {"shared-edge", "depth contours",
     "lines sharing one edge: check 7 compares every pair, finding none", 1, many, sharedEdge},
    {"repeated-codes", "landmarks",
     "a repeated attribute code: check 7 compares every pair, finding none", 1, many,
     repeatedCodes},
    {"long-line", "edges", "one depth contour of as many edges as a record holds (check 9)", 1,
     longLineMax, longLine},
    {"repeated-pointer", "depth contours",
     "one edge named as often as a record holds: a 311 for every pair (check 4)", 1, many,
     repeatedPointer},
    {"long-ring", "edges", "one depth area whose ring is as many tiny edges as a record holds", 3,
     ringMax, closedRing},
    {"open-ring", "edges", "the same ring left open: check 10 fails it (503)", 3, ringMax,
     openRing},
    {"pointer-chain", "features", "aggregates each pointing at the next (FFPT), check 4", 1, many,
     pointerChain},
    {"pointer-cycle", "aggregates", "aggregates pointing at themselves and the next, in a cycle", 2,
     many, pointerCycle},
    {"unresolved-pointers", "depth contours",
     "contours of missing edges: check 4 reports every pointer (310)", 1, many, unresolvedPointers},
    {"node-coordinates", "isolated nodes",
     "nodes of as many coordinates as a record holds: check 8 (322)", 1, many, nodeCoordinates},
    {"colliding-feature-ids", "landmarks",
     "distinct RCIDs in one bucket of an unseeded integer hash table (check 1)", 1, collidingMax,
     collidingFeatureIds},
    {"colliding-vector-ids", "isolated nodes",
     "distinct RCIDs in one bucket of an unseeded integer hash table (check 2); 327", 1,
     collidingMax, collidingVectorIds},
    {"colliding-object-ids", "aggregates",
     "object ids in one run of an unseeded splitmix64 table (checks 4, 5)", 1, many,
     collidingObjectIds},
};

int64_t cellBytes(const HostileKind& kind, int64_t count, const std::string& name) {
  Cell cell = kind.build(count);
  cell.dsid.dsnm = name;
  return static_cast<int64_t>(cellwriter::encodeCell(cell).size());
}

// The largest count whose cell stays within kHostileBytes: a guess from the
// growth between two small counts, a bracket round it, then halving.
int64_t fittingCount(const HostileKind& kind, const std::string& name) {
  const int64_t low = kind.minCount;
  const int64_t high = kind.maxCount();
  auto fits = [&](int64_t n) { return cellBytes(kind, n, name) <= kHostileBytes; };
  const int64_t first = cellBytes(kind, low, name);
  if (first > kHostileBytes) {
    throw std::invalid_argument(std::string(kind.name) + ": no cell within " +
                                std::to_string(kHostileBytes) + " bytes");
  }
  int64_t guess = high;
  const int64_t second = std::min(high, low + 16);
  if (second > low) {
    const double perUnit = static_cast<double>(cellBytes(kind, second, name) - first) /
                           static_cast<double>(second - low);
    if (perUnit > 0) {
      guess = low + static_cast<int64_t>(static_cast<double>(kHostileBytes - first) / perUnit);
      guess = std::clamp(guess, low, high);
    }
  }
  int64_t step = std::max<int64_t>(1, guess / 100);
  int64_t fitting = guess;
  while (fitting > low && !fits(fitting)) {
    fitting = std::max(low, fitting - step);
    step *= 2;
  }
  step = std::max<int64_t>(1, guess / 100);
  while (fitting < high) {
    const int64_t next = std::min(high, fitting + step);
    if (!fits(next)) return largest(fitting, next - 1, fits);
    fitting = next;
    step *= 2;
  }
  return high;
}

}  // namespace

std::span<const HostileKind> hostileKinds() {
  return kKinds;
}

const HostileKind* hostileKind(std::string_view name) {
  for (const HostileKind& kind : kKinds) {
    if (kind.name == name) return &kind;
  }
  return nullptr;
}

HostileCell makeHostileCell(const HostileKind& kind, int64_t count, const std::string& name) {
  if (count == 0) {
    count = fittingCount(kind, name);
  } else if (count < kind.minCount || count > kind.maxCount()) {
    throw std::invalid_argument("--count for " + std::string(kind.name) + ": " +
                                std::to_string(kind.minCount) + " to " +
                                std::to_string(kind.maxCount()));
  }
  HostileCell made{kind.build(count), count};
  made.cell.dsid.dsnm = name;
  return made;
}

}  // namespace abys::mkcell
