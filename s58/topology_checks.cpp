// The S-58 checks of pointers, edges and nodes, coordinates on nodes, duplicated features and
// references.
//
// Records are looked up by name through the context, never through the pointers' resolved
// targets: a check must see a pointer that names nothing as it is. Each check is one pass over
// the records with hash maps keyed by record name or FOID; the few sorts are of one record's
// own pointers.
#include <algorithm>
#include <vector>

#include "catalogue_codes.h"
#include "context.h"

namespace abys::s58 {
namespace {

// 86 is left out: the datasets that exercise it stop the load (the unknown field ARCC) before
// the feature that has it. 23 would need that field read.
constexpr std::string_view kChecks[] = {"2",   "7",   "8",    "20b",  "21",  "22",  "24",
                                        "25a", "25c", "31",   "82",   "84a", "84b", "86",
                                        "89a", "89b", "560a", "560b", "1723"};

constexpr uint8_t kSlave = 2;      // RIND of a master's pointer to its slave
constexpr uint8_t kBeginNode = 1;  // TOPI
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

// The begin and end nodes an edge's pointers name, null when there is no pointer or it names no
// record.
struct EdgeNodes {
  EdgeEnds ends;
  const VectorRecord* begin = nullptr;
  const VectorRecord* end = nullptr;
};

EdgeNodes nodesOf(const Context& context, const VectorRecord& edge) {
  EdgeNodes nodes{endsOf(edge)};
  const EdgeEnds& ends = nodes.ends;
  if (ends.begin != nullptr) nodes.begin = context.vector(ends.begin->rcnm, ends.begin->rcid);
  if (ends.end != nullptr) nodes.end = context.vector(ends.end->rcnm, ends.end->rcid);
  return nodes;
}

// The checks of each edge's own pointers, in one pass that looks its nodes up once:
// 2: an edge without a begin or end node: no pointer of that topology indicator, or one naming
// no record.
// 25c: an edge whose VRPT lacks the begin or the end node (or which has no VRPT).
// 22: an edge whose first node pointer is its end.
// 25a: an edge whose begin or end pointer names another kind of record than a connected node.
// 31: an edge whose first coordinate is its begin node's, or whose last is its end node's: the
// node's position belongs to the node alone.
void edgePointers(Context& context) {
  auto at = [](const VectorRecord* node, Coordinate c) {
    return node != nullptr && !node->coordinates.empty() && same(c, node->coordinates[0]);
  };
  for (const VectorRecord* edge : context.chart().edges) {
    const EdgeNodes nodes = nodesOf(context, *edge);
    const EdgeEnds& ends = nodes.ends;
    if (nodes.begin == nullptr || nodes.end == nullptr) context.report("2", edge);
    if (ends.begin == nullptr || ends.end == nullptr) context.report("25c", edge);
    if (!edge->pointers.empty() && edge->pointers[0].topi == kEndNode) context.report("22", edge);
    if ((ends.begin != nullptr && ends.begin->rcnm != kRcnmConnectedNode) ||
        (ends.end != nullptr && ends.end->rcnm != kRcnmConnectedNode)) {
      context.report("25a", edge);
    }
    const CoordinateRun& line = edge->coordinates;
    if (!line.empty() && (at(nodes.begin, line[0]) || at(nodes.end, line[line.count - 1])))
      context.report("31", edge);
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

// The names every edge's pointers give.
FlatMap<bool> namedByEdges(const Dataset& chart) {
  FlatMap<bool> named(static_cast<size_t>(chart.connectedNodes.count));
  for (const VectorRecord* edge : chart.edges) {
    for (const VectorPointerEntry* p : edge->pointers)
      named.insert(nameKey(p->rcnm, p->rcid), true);
  }
  return named;
}

// 84a: a connected node no edge names; 84b: an isolated node an edge names.
void nodesOnEdges(Context& context) {
  const FlatMap<bool> named = namedByEdges(context.chart());
  for (const VectorRecord* node : context.chart().isolatedNodes) {
    if (named.find(nameKey(node->rcnm, node->rcid)) != nullptr) context.report("84b", node);
  }
  if (!wholeCell(context)) return;
  for (const VectorRecord* node : context.chart().connectedNodes) {
    if (named.find(nameKey(node->rcnm, node->rcid)) == nullptr) context.report("84a", node);
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
    if (f->objl != catalogue::kSoundg) continue;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      const VectorRecord* v = context.vector(p->rcnm, p->rcid);
      if (v != nullptr && v->soundings().empty()) context.report("24", f, v);
    }
  }
}

// 86: a point feature with more than one spatial pointer.
void pointsOnOneRecord(Context& context) {
  for (const FeatureRecord* f : context.chart().features) {
    if (f->prim == kPrimPoint && f->spatialPointers.count > 1) context.report("86", f);
  }
}

// 82: a line or area feature naming one edge twice, once per such edge.
void repeatedEdges(Context& context) {
  std::vector<uint64_t> names;
  for (const FeatureRecord* f : context.chart().features) {
    if ((f->prim != kPrimLine && f->prim != kPrimArea) || f->spatialPointers.count < 2) continue;
    names.clear();
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      if (p->rcnm == kRcnmEdge) names.push_back(p->rcid);
    }
    for (uint64_t rcid : repeated(names)) {
      const VectorRecord* edge = context.vector(kRcnmEdge, static_cast<uint32_t>(rcid));
      if (edge != nullptr) {
        context.report("82", f, edge);
      } else {
        context.reportNames("82", {{f->rcnm, f->rcid}, {kRcnmEdge, static_cast<uint32_t>(rcid)}});
      }
    }
  }
}

// The slaves a master names, in its order.
std::vector<const FeaturePointerEntry*> slavesOf(const FeatureRecord& master) {
  std::vector<const FeaturePointerEntry*> slaves;
  for (const FeaturePointerEntry* p : master.featurePointers()) {
    if (p->rind == kSlave) slaves.push_back(p);
  }
  return slaves;
}

uint64_t foidOf(const FeaturePointerEntry& p) {
  return foidKey(p.agen, p.fidn, p.fids);
}

// 89a: a master naming one slave twice.
void slavesNamedOnce(Context& context) {
  std::vector<uint64_t> foids;
  for (const FeatureRecord* master : context.chart().features) {
    if (master->featurePointers().empty()) continue;
    foids.clear();
    for (const FeaturePointerEntry* p : slavesOf(*master))
      foids.push_back(foidOf(*p));
    if (!repeated(foids).empty()) context.report("89a", master);
  }
}

// 89b: a slave two masters name, once.
void oneMasterPerSlave(Context& context) {
  const Dataset& chart = context.chart();
  FlatMap<const FeatureRecord*> masterOf(static_cast<size_t>(chart.features.count));
  FlatMap<bool> reported(16);
  for (const FeatureRecord* master : chart.features) {
    if (master->featurePointers().empty()) continue;
    for (const FeaturePointerEntry* p : slavesOf(*master)) {
      if (masterOf.insert(foidOf(*p), master) == master) continue;
      const FeatureRecord* slave = context.featureByFoid(p->agen, p->fidn, p->fids);
      bool& done = reported.insert(foidOf(*p), false);
      if (slave != nullptr && !done) context.report("89b", slave);
      done = true;
    }
  }
}

// 1723: a point master with a point slave on another spatial record than its own; the master is
// named with its record.
void navigationalAidsTogether(Context& context) {
  for (const FeatureRecord* master : context.chart().features) {
    if (master->prim != kPrimPoint || master->featurePointers().empty() ||
        master->spatialPointers.empty()) {
      continue;
    }
    const SpatialPointerEntry& at = master->spatialPointers[0];
    const std::vector<const FeaturePointerEntry*> slaves = slavesOf(*master);
    const bool apart = std::any_of(slaves.begin(), slaves.end(), [&](const auto* p) {
      const FeatureRecord* slave = context.featureByFoid(p->agen, p->fidn, p->fids);
      if (slave == nullptr || slave->prim != kPrimPoint || slave->spatialPointers.empty())
        return false;
      const SpatialPointerEntry& other = slave->spatialPointers[0];
      return other.rcnm != at.rcnm || other.rcid != at.rcid;
    });
    if (apart) context.report("1723", master, context.vector(at.rcnm, at.rcid));
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

bool sameEncoding(const FeatureRecord& a, const FeatureRecord& b) {
  return a.objl == b.objl && sameAttributes(a.attributes, b.attributes) &&
         sameAttributes(a.nationalAttributes(), b.nationalAttributes());
}

bool samePrimitive(const FeatureRecord& a, const FeatureRecord& b) {
  return a.prim == b.prim && a.prim != kPrimPoint;
}

// Names every feature whose FOID another feature shares where one of them and the first that
// has it are not alike. Features without a FOID (all zero, as the decoder leaves a FOID it could
// not read) share none: check 7 speaks of them.
void sharedFoids(Context& context, std::string_view check,
                 bool (*alike)(const FeatureRecord&, const FeatureRecord&)) {
  const Dataset& chart = context.chart();
  auto hasFoid = [](const FeatureRecord& f) { return f.agen != 0 || f.fidn != 0 || f.fids != 0; };
  FlatMap<bool> faulty(16);
  for (const FeatureRecord* f : chart.features) {
    const FeatureRecord* first = context.featureByFoid(f->agen, f->fidn, f->fids);
    if (hasFoid(*f) && first != nullptr && first != f && !alike(*f, *first))
      faulty.insert(foidKey(f->agen, f->fidn, f->fids), true);
  }
  for (const FeatureRecord* f : chart.features) {
    if (faulty.find(foidKey(f->agen, f->fidn, f->fids)) != nullptr) context.report(check, f);
  }
}

// 560a: features sharing a FOID of another class or other attribute values.
void sharedFoidsEncodedAlike(Context& context) {
  sharedFoids(context, "560a", sameEncoding);
}

// 560b: features sharing a FOID that are points or of different primitives.
void sharedFoidsOfOnePrimitive(Context& context) {
  sharedFoids(context, "560b", samePrimitive);
}

void run(Context& context) {
  for (void (*check)(Context&) :
       {edgePointers, nodePointers, nodesOnEdges, orphans, foids, repeatedAttributes, soundings,
        pointsOnOneRecord, repeatedEdges, slavesNamedOnce, oneMasterPerSlave,
        navigationalAidsTogether, sharedFoidsEncodedAlike, sharedFoidsOfOnePrimitive}) {
    check(context);
  }
}
}  // namespace

Group topologyChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
