// The S-58 checks of line continuity and area rings: closure, chaining,
// orientation, ring structure.
//
// A feature's edges are followed by the names of their nodes, not their
// coordinates: each FSPT entry is one use of an edge from the node it starts
// at (the beginning node, or the end node when ORNT is 2) to the node it ends
// at. An area's uses split into rings: a ring closes when a use ends at the
// node the ring started at, and a ring still open when the USAG turns from
// exterior (1, 3) to interior (2 or an invalid value) or back, or when the
// pointers run out, is unclosed. GEOS judges the closed rings' geometry.
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "context.h"
#include "edge_walk.h"
#include "feature_area.h"
#include "geometry.h"

namespace abys::s58 {
namespace {

constexpr std::string_view kChecks[] = {"13a", "13b", "13c", "13d", "14",  "15",  "16", "17",
                                        "18a", "18b", "18c", "78",  "80a", "80b", "80c"};

constexpr uint8_t kRcnmEdge = 130;

// One FSPT entry of a feature, walked from node `from` to node `to`.
struct EdgeUse {
  const SpatialPointerEntry* pointer = nullptr;
  const VectorRecord* edge = nullptr;
  const VectorPointerEntry* from = nullptr;
  const VectorPointerEntry* to = nullptr;
};

uint64_t nodeKey(const VectorPointerEntry* node) {
  return nameKey(node->rcnm, node->rcid);
}

// The uses of the edges of feature, in FSPT order; false when a pointer
// names no edge or an edge lacks its two node pointers: the pointer and
// topology checks speak of those, and the feature's rings are not judged.
bool edgeUses(const Context& context, const FeatureRecord& feature, std::vector<EdgeUse>& uses) {
  uses.clear();
  for (const SpatialPointerEntry* p : feature.spatialPointers) {
    if (p->rcnm != kRcnmEdge) return false;
    const VectorRecord* edge = context.vector(p->rcnm, p->rcid);
    if (edge == nullptr || edge->pointers.count < 2) return false;
    const VectorPointerEntry* beginning = &edge->pointers[0];
    const VectorPointerEntry* ending = &edge->pointers[1];
    if (p->ornt == 2) std::swap(beginning, ending);
    uses.push_back({p, edge, beginning, ending});
  }
  return true;
}

// Whether node starts a use of uses other than the one at skip: a following
// edge that is there, only not next.
bool startsAnotherUse(const std::vector<EdgeUse>& uses, uint64_t node, size_t skip) {
  for (size_t i = 0; i < uses.size(); ++i) {
    if (i != skip && nodeKey(uses[i].from) == node) return true;
  }
  return false;
}

// The node-start index of a feature with many edges, so that telling a
// misordered edge from a gap stays near-linear.
class StartIndex {
 public:
  explicit StartIndex(const std::vector<EdgeUse>& uses) : uses_(uses) {
    if (uses.size() <= kDirect) return;
    starts_.reserve(uses.size());
    for (size_t i = 0; i < uses.size(); ++i)
      starts_.push_back({nodeKey(uses[i].from), i});
    std::sort(starts_.begin(), starts_.end());
  }
  // Whether the edge that should follow the use ending at node is elsewhere
  // in the list than at next.
  bool misordered(uint64_t node, size_t next) const {
    if (uses_.size() <= kDirect) return startsAnotherUse(uses_, node, next);
    auto it =
        std::lower_bound(starts_.begin(), starts_.end(), std::pair<uint64_t, size_t>{node, 0});
    for (; it != starts_.end() && it->first == node; ++it) {
      if (it->second != next) return true;
    }
    return false;
  }

 private:
  static constexpr size_t kDirect = 16;
  const std::vector<EdgeUse>& uses_;
  std::vector<std::pair<uint64_t, size_t>> starts_;
};

// 13a, 13b: the edges of a line follow one another, each starting at the
// node the one before ended at.
void lineContinuity(Context& context, const FeatureRecord& feature,
                    const std::vector<EdgeUse>& uses) {
  const StartIndex starts(uses);
  for (size_t i = 1; i < uses.size(); ++i) {
    const uint64_t end = nodeKey(uses[i - 1].to);
    if (end == nodeKey(uses[i].from)) continue;
    context.report(starts.misordered(end, i) ? "13a" : "13b", &feature, uses[i].edge);
    return;
  }
}

// A ring of an area: its uses, its kind by the USAG of its first edge, and
// once closed without a gap its points.
struct Ring {
  size_t first = 0;  // into the feature's uses
  size_t count = 0;
  uint8_t usag = 0;
  bool closed = false;
  bool broken = false;  // two of its edges do not meet
  std::vector<LinePoint> points;
  double west = 0, east = 0, south = 0, north = 0;  // the envelope of points
  GEOSGeometry* polygon = nullptr;                  // its shell alone, made when needed
  const GEOSPreparedGeometry* prepared = nullptr;

  bool exterior() const { return usag == 1 || usag == 3; }
  bool interior() const { return usag == 2; }
};

bool exteriorUsag(uint8_t usag) {
  return usag == 1 || usag == 3;
}

// The points of a closed ring, each edge walked as its ORNT says from the
// coordinates of its nodes; false when a node has no coordinate.
bool ringPoints(const Context& context, const std::vector<EdgeUse>& uses, Ring& ring) {
  ring.points.clear();
  for (size_t i = ring.first; i < ring.first + ring.count; ++i) {
    const EdgeUse& use = uses[i];
    const VectorRecord* from = context.vector(use.from->rcnm, use.from->rcid);
    const VectorRecord* to = context.vector(use.to->rcnm, use.to->rcid);
    if (from == nullptr || to == nullptr || from->coordinates.empty() || to->coordinates.empty())
      return false;
    const EdgeEnds ends{{from->coordinates[0].x, from->coordinates[0].y},
                        {to->coordinates[0].x, to->coordinates[0].y}};
    appendEdge(*use.edge, use.pointer->ornt, ends, i == ring.first, true, ring.points);
  }
  return ring.points.size() >= 4;
}

// Takes each longitude the short way from the one before, the first one
// the short way from reference: a ring across the 180th meridian keeps its
// turn and its shape.
void unwrapLongitudes(std::vector<LinePoint>& points, double reference) {
  double previous = reference;
  for (LinePoint& p : points) {
    while (p.x - previous > 180)
      p.x -= 360;
    while (p.x - previous < -180)
      p.x += 360;
    previous = p.x;
  }
}

static_assert(sizeof(LinePoint) == 2 * sizeof(double));

class RingChecks {
 public:
  explicit RingChecks(Context& context) : context_(context) {}
  ~RingChecks() { clearRings(); }
  RingChecks(const RingChecks&) = delete;
  RingChecks& operator=(const RingChecks&) = delete;

  void run() {
    for (const FeatureRecord* f : context_.chart().features) {
      if (f->prim != 2 && f->prim != 3) continue;
      if (f->spatialPointers.count < (f->prim == 2 ? 2 : 1)) continue;
      if (!edgeUses(context_, *f, uses_)) continue;
      if (f->prim == 2) {
        lineContinuity(context_, *f, uses_);
      } else {
        area(*f);
      }
    }
  }

 private:
  GEOSContextHandle_t geos() const { return geos_.get(); }

  void clearRings() {
    for (Ring& r : rings_) {
      if (r.prepared != nullptr) GEOSPreparedGeom_destroy_r(geos(), r.prepared);
      if (r.polygon != nullptr) GEOSGeom_destroy_r(geos(), r.polygon);
      r.prepared = nullptr;
      r.polygon = nullptr;
    }
    rings_.clear();
  }

  // Reports check once per feature, naming the edge of the first offence.
  void once(std::string_view check, const FeatureRecord& feature, const VectorRecord* vector) {
    if (std::find(reported_.begin(), reported_.end(), check) != reported_.end()) return;
    reported_.push_back(check);
    context_.report(check, &feature, vector);
  }

  const VectorRecord* firstEdge(const Ring& ring) const { return uses_[ring.first].edge; }

  void area(const FeatureRecord& feature) {
    clearRings();
    reported_.clear();
    splitRings(feature);
    ringStructure(feature);
    sharedNodes(feature);
    size_t geometric = 0;
    double reference = 0;
    for (Ring& ring : rings_) {
      if (!ring.closed || ring.broken || !ringPoints(context_, uses_, ring)) {
        ring.points.clear();
        continue;
      }
      if (geometric == 0) reference = ring.points.front().x;
      unwrapLongitudes(ring.points, reference);
      const auto [west, east] =
          std::minmax_element(ring.points.begin(), ring.points.end(),
                              [](const LinePoint& a, const LinePoint& b) { return a.x < b.x; });
      const auto [south, north] =
          std::minmax_element(ring.points.begin(), ring.points.end(),
                              [](const LinePoint& a, const LinePoint& b) { return a.y < b.y; });
      ring.west = west->x;
      ring.east = east->x;
      ring.south = south->y;
      ring.north = north->y;
      ++geometric;
      orientationAndSimplicity(feature, ring);
    }
    if (geometric >= 2) nesting(feature);
  }

  // Splits the uses into rings; 13c, 13d and 15.
  void splitRings(const FeatureRecord& feature) {
    const StartIndex starts(uses_);
    bool open = false;
    uint64_t start = 0;
    for (size_t i = 0; i < uses_.size(); ++i) {
      const EdgeUse& use = uses_[i];
      if (open && exteriorUsag(use.pointer->usag) != exteriorUsag(rings_.back().usag)) {
        once("15", feature, firstEdge(rings_.back()));
        open = false;
      }
      if (!open) {
        rings_.push_back({});
        rings_.back().first = i;
        rings_.back().usag = use.pointer->usag;
        start = nodeKey(use.from);
        open = true;
      } else if (const uint64_t end = nodeKey(uses_[i - 1].to); end != nodeKey(use.from)) {
        rings_.back().broken = true;
        once(starts.misordered(end, i) ? "13c" : "13d", feature, use.edge);
      }
      ++rings_.back().count;
      if (nodeKey(use.to) == start) {
        rings_.back().closed = true;
        open = false;
      }
    }
    if (open) once("15", feature, firstEdge(rings_.back()));
  }

  // 18a, 18b, 18c: one exterior ring, referenced first, and interior rings
  // of USAG 2.
  void ringStructure(const FeatureRecord& feature) {
    const Ring* firstExterior = nullptr;
    const Ring* secondExterior = nullptr;
    for (const Ring& ring : rings_) {
      if (!ring.exterior()) {
        if (!ring.interior()) once("18c", feature, firstEdge(ring));
        continue;
      }
      if (firstExterior == nullptr) {
        firstExterior = &ring;
      } else if (secondExterior == nullptr) {
        secondExterior = &ring;
      }
    }
    if (firstExterior == nullptr) {
      once("18a", feature, nullptr);
    } else if (secondExterior != nullptr) {
      once("18a", feature, firstEdge(*secondExterior));
    }
    if (firstExterior != nullptr && firstExterior != &rings_.front())
      once("18b", feature, firstEdge(*firstExterior));
  }

  // 14: a closed interior ring shares at most one node with the closed
  // exterior rings.
  void sharedNodes(const FeatureRecord& feature) {
    exteriorNodes_.clear();
    for (const Ring& ring : rings_) {
      if (!ring.exterior() || !ring.closed) continue;
      for (size_t i = ring.first; i < ring.first + ring.count; ++i) {
        exteriorNodes_.push_back(nodeKey(uses_[i].from));
        exteriorNodes_.push_back(nodeKey(uses_[i].to));
      }
    }
    if (exteriorNodes_.empty()) return;
    std::sort(exteriorNodes_.begin(), exteriorNodes_.end());
    for (const Ring& ring : rings_) {
      if (!ring.interior() || !ring.closed) continue;
      ringNodes_.clear();
      for (size_t i = ring.first; i < ring.first + ring.count; ++i) {
        ringNodes_.push_back(uses_[i].from);
        ringNodes_.push_back(uses_[i].to);
      }
      std::sort(ringNodes_.begin(), ringNodes_.end(),
                [](const VectorPointerEntry* a, const VectorPointerEntry* b) {
                  return nodeKey(a) < nodeKey(b);
                });
      int shared = 0;
      for (size_t i = 0; i < ringNodes_.size(); ++i) {
        const uint64_t key = nodeKey(ringNodes_[i]);
        if (i > 0 && key == nodeKey(ringNodes_[i - 1])) continue;
        if (!std::binary_search(exteriorNodes_.begin(), exteriorNodes_.end(), key)) continue;
        if (++shared == 2) {
          once("14", feature, context_.vector(ringNodes_[i]->rcnm, ringNodes_[i]->rcid));
          return;
        }
      }
    }
  }

  // 16, 17, 78 on one closed ring: exterior rings turn clockwise, interior
  // rings counter-clockwise, and no ring crosses itself. Rings of the same
  // edges (the meta objects' and the skin of the earth's often are) are
  // judged once.
  void orientationAndSimplicity(const FeatureRecord& feature, Ring& ring) {
    const double turn = signedRingArea(ring.points);
    if (ring.exterior() && turn > 0) once("16", feature, firstEdge(ring));
    if (ring.interior() && turn < 0) once("17", feature, firstEdge(ring));
    ringEdges_.clear();
    for (size_t i = ring.first; i < ring.first + ring.count; ++i)
      ringEdges_.push_back(uses_[i].edge);
    std::sort(ringEdges_.begin(), ringEdges_.end());
    auto known = simpleRings_.find(ringEdges_);
    if (known == simpleRings_.end()) {
      if (!makePolygon(ring)) return;
      const bool simple = GEOSisSimple_r(geos(), GEOSGetExteriorRing_r(geos(), ring.polygon)) == 1;
      known = simpleRings_.emplace(ringEdges_, simple).first;
    }
    if (!known->second) once("78", feature, firstEdge(ring));
  }

  // The ring's polygon, its shell alone; false when GEOS cannot make it.
  bool makePolygon(Ring& ring) {
    if (ring.polygon != nullptr) return true;
    GEOSCoordSequence* sequence =
        GEOSCoordSeq_copyFromBuffer_r(geos(), reinterpret_cast<const double*>(ring.points.data()),
                                      static_cast<unsigned>(ring.points.size()), 0, 0);
    if (sequence == nullptr) return false;
    // Takes the sequence, also when it fails.
    GEOSGeometry* linear = GEOSGeom_createLinearRing_r(geos(), sequence);
    if (linear == nullptr) return false;
    ring.polygon = GEOSGeom_createPolygon_r(geos(), linear, nullptr, 0);
    return ring.polygon != nullptr;
  }

  // 80a, 80b, 80c: interior rings lie within an exterior ring and not
  // within one another, exterior rings not within an interior ring. Each
  // ring meets only the rings whose envelopes a tree gives it.
  void nesting(const FeatureRecord& feature) {
    GEOSSTRtree* tree = GEOSSTRtree_create_r(geos(), 10);
    if (tree == nullptr) return;
    bool anyExterior = false;
    for (Ring& ring : rings_) {
      if (ring.points.empty() || !(ring.exterior() || ring.interior()) || !makePolygon(ring))
        continue;
      anyExterior = anyExterior || ring.exterior();
      GEOSSTRtree_insert_r(geos(), tree, ring.polygon, &ring);
    }
    std::vector<Ring*> candidates;
    for (Ring& ring : rings_) {
      if (ring.polygon == nullptr || !(ring.exterior() || ring.interior())) continue;
      candidates.clear();
      GEOSSTRtree_query_r(
          geos(), tree, ring.polygon,
          [](void* item, void* found) {
            static_cast<std::vector<Ring*>*>(found)->push_back(static_cast<Ring*>(item));
          },
          &candidates);
      bool withinExterior = false;
      bool aroundExterior = false;
      for (Ring* other : candidates) {
        if (other == &ring) continue;
        if (ring.interior() && other->exterior()) {
          if (covers(*other, ring)) withinExterior = true;
          if (covers(ring, *other)) aroundExterior = true;
        } else if (ring.interior() && other->interior() && covers(*other, ring)) {
          once("80a", feature, firstEdge(ring));
        } else if (ring.exterior() && other->interior() && covers(*other, ring)) {
          once("80c", feature, firstEdge(ring));
        }
      }
      // An interior ring round the exterior ring is 80c's.
      if (ring.interior() && anyExterior && !withinExterior && !aroundExterior)
        once("80b", feature, firstEdge(ring));
    }
    GEOSSTRtree_destroy_r(geos(), tree);
  }

  // Whether outer's polygon covers inner's; GEOS is asked only when
  // outer's envelope covers inner's.
  bool covers(Ring& outer, const Ring& inner) {
    if (outer.west > inner.west || outer.east < inner.east || outer.south > inner.south ||
        outer.north < inner.north) {
      return false;
    }
    if (outer.prepared == nullptr) outer.prepared = GEOSPrepare_r(geos(), outer.polygon);
    return outer.prepared != nullptr &&
           GEOSPreparedCovers_r(geos(), outer.prepared, inner.polygon) == 1;
  }

  Context& context_;
  Geos geos_;
  std::vector<EdgeUse> uses_;
  std::vector<Ring> rings_;
  std::vector<std::string_view> reported_;
  std::vector<uint64_t> exteriorNodes_;
  std::vector<const VectorPointerEntry*> ringNodes_;
  std::map<std::vector<const VectorRecord*>, bool> simpleRings_;
  std::vector<const VectorRecord*> ringEdges_;
};

void run(Context& context) {
  RingChecks checks(context);
  checks.run();
}

}  // namespace

Group ringChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
