// The S-58 checks of pointers, edges and nodes, coordinates on nodes, duplicated features and
// references.
//
// Records are looked up by name through the context, never through the pointers' resolved
// targets: a check must see a pointer that names nothing as it is. Each check is one pass over
// the records with hash maps keyed by record name or FOID; the few sorts are of one record's
// own pointers.
#include <algorithm>
#include <vector>

#include "context.h"

namespace abys::s58 {
namespace {

// 86 is left out: the datasets that exercise it stop the load (the unknown field ARCC) before
// the feature that has it. 23 would need that field read.
constexpr std::string_view kChecks[] = {"2",   "7",   "8",   "20b",  "21",   "22",
                                        "24",  "25a", "25c", "31",   "82",   "84a",
                                        "84b", "89a", "89b", "560a", "560b", "1723"};

constexpr uint8_t kIsolatedNode = 110;
constexpr uint8_t kConnectedNode = 120;
constexpr uint8_t kEdge = 130;
constexpr uint8_t kPoint = 1;
constexpr uint8_t kLine = 2;
constexpr uint8_t kArea = 3;
constexpr uint8_t kSlave = 2;        // RIND of a master's pointer to its slave
constexpr uint16_t kSounding = 129;  // SOUNDG
constexpr uint8_t kBeginNode = 1;    // TOPI
constexpr uint8_t kEndNode = 2;

// The node pointers of an edge: the first VRPT entry of each topology indicator, or null.
struct EdgeEnds {
  const VectorPointerEntry* begin = nullptr;
  const VectorPointerEntry* end = nullptr;
};

EdgeEnds endsOf(const VectorRecord& edge) {
  EdgeEnds ends;
  for (const VectorPointerEntry* p : edge.pointers) {
    if (p->topi == kBeginNode && ends.begin == nullptr) ends.begin = p;
    if (p->topi == kEndNode && ends.end == nullptr) ends.end = p;
  }
  return ends;
}

bool same(Coordinate a, Coordinate b) {
  return a.x == b.x && a.y == b.y;
}

// Distinct names in keys, each once, of those that occur more than once.
std::vector<uint64_t> repeated(std::vector<uint64_t> keys) {
  std::sort(keys.begin(), keys.end());
  std::vector<uint64_t> twice;
  for (size_t i = 1; i < keys.size(); ++i) {
    if (keys[i] == keys[i - 1] && (twice.empty() || twice.back() != keys[i]))
      twice.push_back(keys[i]);
  }
  return twice;
}

// 2, 22, 25a, 25c, 31: each edge's begin and end nodes. An edge lacks a node (2) when its VRPT
// has no entry of that topology indicator (25c as well) or the entry names no record; 22 when
// the first node it names is its end; 25a when a node it names is not a connected node; 31
// when its first or last coordinate repeats its begin or end node.
void edgeNodes(Context& context) {
  for (const VectorRecord* edge : context.chart().edges) {
    const EdgeEnds ends = endsOf(*edge);
    const VectorRecord* begin =
        ends.begin != nullptr ? context.vector(ends.begin->rcnm, ends.begin->rcid) : nullptr;
    const VectorRecord* end =
        ends.end != nullptr ? context.vector(ends.end->rcnm, ends.end->rcid) : nullptr;
    if (begin == nullptr || end == nullptr) context.report("2", edge);
    if (ends.begin == nullptr || ends.end == nullptr) context.report("25c", edge);
    if (!edge->pointers.empty() && edge->pointers[0].topi == kEndNode) context.report("22", edge);
    const bool notConnected = (ends.begin != nullptr && ends.begin->rcnm != kConnectedNode) ||
                              (ends.end != nullptr && ends.end->rcnm != kConnectedNode);
    if (notConnected) context.report("25a", edge);
    const CoordinateRun& line = edge->coordinates;
    if (line.empty()) continue;
    const bool atBegin =
        begin != nullptr && !begin->coordinates.empty() && same(line[0], begin->coordinates[0]);
    const bool atEnd = end != nullptr && !end->coordinates.empty() &&
                       same(line[line.count - 1], end->coordinates[0]);
    if (atBegin || atEnd) context.report("31", edge);
  }
}

// 21: a VRPT field on a node; only edges point at other vector records.
void nodePointers(Context& context) {
  for (const List<VectorRecord>* list :
       {&context.chart().isolatedNodes, &context.chart().connectedNodes}) {
    for (const VectorRecord* node : *list) {
      if (!node->pointers.empty()) context.report("21", node);
    }
  }
}

// Whether the load read the whole base cell: a load that stopped left out records, and with them
// the pointers that would have made a record referenced.
bool wholeCell(const Context& context) {
  return context.input().loadStatus == 0;
}

// 84a, 84b: a connected node no edge names, an isolated node an edge names.
void nodeKinds(Context& context) {
  const Dataset& chart = context.chart();
  FlatMap<bool> onEdge(static_cast<size_t>(chart.connectedNodes.count));
  for (const VectorRecord* edge : chart.edges) {
    for (const VectorPointerEntry* p : edge->pointers)
      onEdge.insert(nameKey(p->rcnm, p->rcid), true);
  }
  for (const VectorRecord* node : chart.connectedNodes) {
    if (wholeCell(context) && onEdge.find(nameKey(node->rcnm, node->rcid)) == nullptr)
      context.report("84a", node);
  }
  for (const VectorRecord* node : chart.isolatedNodes) {
    if (onEdge.find(nameKey(node->rcnm, node->rcid)) != nullptr) context.report("84b", node);
  }
}

// 20b: a vector record no feature uses, directly or as a node of an edge a feature uses.
void orphans(Context& context) {
  if (!wholeCell(context)) return;
  const Dataset& chart = context.chart();
  FlatMap<bool> used(static_cast<size_t>(chart.vectorCount));
  for (const FeatureRecord* f : chart.features) {
    for (const SpatialPointerEntry* p : f->spatialPointers)
      used.insert(nameKey(p->rcnm, p->rcid), true);
  }
  for (const VectorRecord* edge : chart.edges) {
    if (used.find(nameKey(edge->rcnm, edge->rcid)) == nullptr) continue;
    for (const VectorPointerEntry* p : edge->pointers)
      used.insert(nameKey(p->rcnm, p->rcid), true);
  }
  for (const List<VectorRecord>* list :
       {&chart.isolatedNodes, &chart.connectedNodes, &chart.edges}) {
    for (const VectorRecord* v : *list) {
      if (used.find(nameKey(v->rcnm, v->rcid)) == nullptr) context.report("20b", v);
    }
  }
}

// The producer of the features: the AGEN of the dataset's identification, and the AGEN most of
// its features carry (a survey's DSID may name another agency than its features do). Without the
// register of producer codes, these are the codes taken as valid.
struct Producers {
  uint16_t dataset = 0;
  uint16_t features = 0;
};

Producers producersOf(const Dataset& chart) {
  FlatMap<int32_t> counts(16);
  Producers producers{chart.dsid.agen, chart.dsid.agen};
  int32_t most = 0;
  for (const FeatureRecord* f : chart.features) {
    const int32_t count = ++counts.insert(f->agen, 0);
    if (count > most) {
      most = count;
      producers.features = f->agen;
    }
  }
  return producers;
}

// 7: AGEN null, zero or of another producer than the dataset's; FIDN or FIDS outside 1 to their
// largest value but one.
void foids(Context& context) {
  const Producers producers = producersOf(context.chart());
  for (const FeatureRecord* f : context.chart().features) {
    const bool agen = f->agen == 0 || f->agen == 0xffff ||
                      (f->agen != producers.dataset && f->agen != producers.features);
    const bool fidn = f->fidn == 0 || f->fidn == 0xffffffff;
    const bool fids = f->fids == 0 || f->fids == 0xffff;
    if (agen || fidn || fids) context.report("7", f);
  }
}

bool codeRepeats(const Entries<AttributeEntry>& attributes) {
  for (int32_t i = 1; i < attributes.count; ++i) {
    if (attributes[i].attl == attributes[i - 1].attl) return true;
  }
  return false;
}

// 8: an attribute code twice on a feature; the model keeps a feature's attributes sorted by
// code, so a repeat sits next to its first.
void repeatedAttributes(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    if (codeRepeats(f->attributes) || codeRepeats(f->nationalAttributes())) context.report("8", f);
  }
}

// 24: a sounding whose vector record holds no SG3D.
void soundings(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl != kSounding) continue;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      const VectorRecord* v = context.vector(p->rcnm, p->rcid);
      if (v != nullptr && v->soundings().empty()) context.report("24", f, v);
    }
  }
}

// 86: a point feature with more than one spatial pointer.
void pointsOnOneRecord(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    if (f->prim == kPoint && f->spatialPointers.count > 1) context.report("86", f);
  }
}

// 82: a line or area feature naming one edge twice, once per such edge.
void repeatedEdges(Context& context) {
  std::vector<uint64_t> names;
  for (const FeatureRecord* f : context.chart().features) {
    if ((f->prim != kLine && f->prim != kArea) || f->spatialPointers.count < 2) continue;
    names.clear();
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      if (p->rcnm == kEdge) names.push_back(p->rcid);
    }
    for (uint64_t rcid : repeated(names)) {
      const VectorRecord* edge = context.vector(kEdge, static_cast<uint32_t>(rcid));
      if (edge != nullptr) {
        context.report("82", f, edge);
      } else {
        context.reportNames("82", {{f->rcnm, f->rcid}, {kEdge, static_cast<uint32_t>(rcid)}});
      }
    }
  }
}

// The master's pointers to its slaves.
template <typename Visit>
void forEachSlave(const FeatureRecord& master, Visit visit) {
  for (const FeaturePointerEntry* p : master.featurePointers()) {
    if (p->rind == kSlave) visit(*p);
  }
}

// 89a: a master naming one slave twice. 89b: a slave named by two masters. 1723: a point
// master whose point slave lies on another spatial record.
void masters(Context& context) {
  const Dataset& chart = context.chart();
  FlatMap<const FeatureRecord*> masterOf(static_cast<size_t>(chart.features.count));
  FlatMap<bool> reported(16);
  std::vector<uint64_t> slaves;
  for (const FeatureRecord* master : chart.features) {
    if (master->featurePointers().empty()) continue;
    slaves.clear();
    bool apart = false;
    forEachSlave(*master, [&](const FeaturePointerEntry& p) {
      const uint64_t key = foidKey(p.agen, p.fidn, p.fids);
      slaves.push_back(key);
      const FeatureRecord* slave = context.featureByFoid(p.agen, p.fidn, p.fids);
      if (masterOf.insert(key, master) != master && slave != nullptr) {
        bool& done = reported.insert(key, false);
        if (!done) context.report("89b", slave);
        done = true;
      }
      if (slave != nullptr && master->prim == kPoint && slave->prim == kPoint &&
          !master->spatialPointers.empty() && !slave->spatialPointers.empty()) {
        const SpatialPointerEntry& a = master->spatialPointers[0];
        const SpatialPointerEntry& b = slave->spatialPointers[0];
        apart = apart || a.rcnm != b.rcnm || a.rcid != b.rcid;
      }
    });
    if (!repeated(slaves).empty()) context.report("89a", master);
    if (apart) {
      const SpatialPointerEntry& at = master->spatialPointers[0];
      context.report("1723", master, context.vector(at.rcnm, at.rcid));
    }
  }
}

bool sameAttributes(const Entries<AttributeEntry>& a, const Entries<AttributeEntry>& b) {
  if (a.count != b.count) return false;
  for (int32_t i = 0; i < a.count; ++i) {
    const std::string_view x(a[i].atvl, static_cast<size_t>(a[i].atvlLength));
    const std::string_view y(b[i].atvl, static_cast<size_t>(b[i].atvlLength));
    if (a[i].attl != b[i].attl || x != y) return false;
  }
  return true;
}

// 560a, 560b: the features sharing a FOID, each compared with the first that has it: all of
// one class with equal attributes (560a), all lines or all areas (560b). Every feature of a
// FOID that fails is named.
void sharedFoids(Context& context) {
  const Dataset& chart = context.chart();
  constexpr uint8_t kEncoding = 1;
  constexpr uint8_t kPrimitive = 2;
  FlatMap<uint8_t> faults(16);
  for (const FeatureRecord* f : chart.features) {
    const FeatureRecord* first = context.featureByFoid(f->agen, f->fidn, f->fids);
    if (first == nullptr || first == f) continue;
    uint8_t fault = 0;
    if (f->objl != first->objl || !sameAttributes(f->attributes, first->attributes) ||
        !sameAttributes(f->nationalAttributes(), first->nationalAttributes())) {
      fault |= kEncoding;
    }
    if (f->prim != first->prim || f->prim == kPoint) fault |= kPrimitive;
    if (fault != 0) faults.insert(foidKey(f->agen, f->fidn, f->fids), 0) |= fault;
  }
  for (const FeatureRecord* f : chart.features) {
    const uint8_t* fault = faults.find(foidKey(f->agen, f->fidn, f->fids));
    if (fault == nullptr) continue;
    if ((*fault & kEncoding) != 0) context.report("560a", f);
    if ((*fault & kPrimitive) != 0) context.report("560b", f);
  }
}

void run(Context& context) {
  edgeNodes(context);
  nodePointers(context);
  nodeKinds(context);
  orphans(context);
  foids(context);
  repeatedAttributes(context);
  soundings(context);
  pointsOnOneRecord(context);
  repeatedEdges(context);
  masters(context);
  sharedFoids(context);
}

}  // namespace

Group topologyChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
