// The S-58 checks of line continuity and area rings: closure, chaining,
// orientation, ring structure.
//
// A feature's edges are followed by the names of their nodes, not their
// coordinates: each FSPT entry is one use of an edge from the node it starts
// at (the beginning node, or the end node when ORNT is 2) to the node it ends
// at. An area's uses split into rings: a ring closes when a use ends at the
// node the ring started at, and a ring still open when the USAG turns from
// exterior (1, 3) to interior (2 or an invalid value) or back, or when the
// pointers run out, is unclosed.
//
// Whether a closed ring crosses or touches itself (78) and how rings nest
// (80a-80c) are judged from one index of the segments of every area edge,
// built once per run: the rings of a chart share their edges (a depth area,
// its neighbour, the land area and the coverage walk the same coastline), so
// GEOS's isSimple and prepared covers on each ring repeated the same work
// several times over and cost ten times the opening of the cell. The index
// follows GEOS's rules for a simple ring exactly (the same segment
// intersection cases, GEOS's own orientation test where double arithmetic
// cannot decide); rings it cannot speak for (longitudes moved across the
// 180th meridian, an edge of no length) and nesting where boundaries meet go
// to GEOS as before. The index also keeps each edge's envelope and its part
// of a ring's signed area, so that a ring of its edges is judged for
// orientation (16, 17) without walking its points: a chart's features walk
// each edge several times over.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "buckets.h"
#include "context.h"
#include "edge_walk.h"
#include "feature_area.h"
#include "geometry.h"

namespace abys::s58 {
namespace {

constexpr std::string_view kChecks[] = {"13a", "13b", "13c", "13d", "14",  "15",  "16", "17",
                                        "18a", "18b", "18c", "78",  "80a", "80b", "80c"};

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

class RingLocator;

// What is known of a ring by its edges, whichever feature it bounds: the
// rings of a chart's features repeat one another (a depth area's island is
// also a hole of the meta objects round it).
struct RingFacts {
  bool simple = false;
  std::unique_ptr<RingLocator> locator;  // made when asked a third time
  int asked = 0;
};

// A ring of an area: its uses, its kind by the USAG of its first edge, and
// once closed without a gap its envelope, and its points where needed.
struct Ring {
  size_t first = 0;  // into the feature's uses
  size_t count = 0;
  uint8_t usag = 0;
  bool closed = false;
  bool broken = false;     // two of its edges do not meet
  bool geometric = false;  // closed, unbroken, and with coordinates enough
  // Its points, walked only where needed when the edge index speaks for it.
  std::vector<LinePoint> points;
  LinePoint start;                                  // the first of them
  double west = 0, east = 0, south = 0, north = 0;  // the envelope of points
  GEOSGeometry* polygon = nullptr;                  // its shell alone, made when needed
  const GEOSPreparedGeometry* prepared = nullptr;
  bool indexed = false;        // the edge index speaks for it, with its points unmoved
  RingFacts* facts = nullptr;  // once judged for 78
  // Nesting: within an exterior ring, round one, within an interior ring.
  bool withinExterior = false, aroundExterior = false, insideHole = false;

  bool simple() const { return facts != nullptr && facts->simple; }
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
// Returns whether a longitude moved.
bool unwrapLongitudes(std::vector<LinePoint>& points, double reference) {
  double previous = reference;
  bool moved = false;
  for (LinePoint& p : points) {
    const double x = p.x;
    // In whole turns at once: a longitude of 1e300 is as many turns away
    // as there are, and one at infinity or NaN has no short way.
    const double d = p.x - previous;
    if (std::isfinite(d) && d > 180) p.x -= 360 * std::ceil((d - 180) / 360);
    if (std::isfinite(d) && d < -180) p.x += 360 * std::ceil((-180 - d) / 360);
    moved = moved || p.x != x;
    previous = p.x;
  }
  return moved;
}

static_assert(sizeof(LinePoint) == 2 * sizeof(double));

bool samePoint(const LinePoint& a, const LinePoint& b) {
  return a.x == b.x && a.y == b.y;
}

// The side of c from the line a to b: 1 left, -1 right, 0 on it, as GEOS's
// orientation index gives it. Double arithmetic answers when its error bound
// allows (nearly always); GEOS's extended-precision test decides the rest.
int orientation(GEOSContextHandle_t geos, const LinePoint& a, const LinePoint& b,
                const LinePoint& c) {
  const double left = (b.x - a.x) * (c.y - a.y);
  const double right = (b.y - a.y) * (c.x - a.x);
  const double det = left - right;
  const double bound = 3.3306690738754716e-16 * (std::fabs(left) + std::fabs(right));
  if (det > bound) return 1;
  if (det < -bound) return -1;
  if (left == 0 && right == 0) return 0;
  const int index = GEOSOrientationIndex_r(geos, a.x, a.y, b.x, b.y, c.x, c.y);
  return index == 2 ? 0 : index;
}

// Whether q lies in the envelope of a and b.
bool inEnvelope(const LinePoint& a, const LinePoint& b, const LinePoint& q) {
  return q.x >= std::min(a.x, b.x) && q.x <= std::max(a.x, b.x) && q.y >= std::min(a.y, b.y) &&
         q.y <= std::max(a.y, b.y);
}

// How segments p1-p2 and q1-q2 meet, in the cases of GEOS's robust line
// intersector that its simplicity test tells apart.
struct Meeting {
  enum Kind { None, Inside, Vertices } kind = None;  // Inside: a point inside a segment, or overlap
  bool atP2 = false;  // Vertices: the vertex of each segment where they meet
  bool atQ2 = false;
};

Meeting meet(GEOSContextHandle_t geos, const LinePoint& p1, const LinePoint& p2,
             const LinePoint& q1, const LinePoint& q2) {
  if (std::max(p1.x, p2.x) < std::min(q1.x, q2.x) || std::max(q1.x, q2.x) < std::min(p1.x, p2.x) ||
      std::max(p1.y, p2.y) < std::min(q1.y, q2.y) || std::max(q1.y, q2.y) < std::min(p1.y, p2.y))
    return {};
  const int pq1 = orientation(geos, p1, p2, q1);
  const int pq2 = orientation(geos, p1, p2, q2);
  if ((pq1 > 0 && pq2 > 0) || (pq1 < 0 && pq2 < 0)) return {};
  const int qp1 = orientation(geos, q1, q2, p1);
  const int qp2 = orientation(geos, q1, q2, p2);
  if ((qp1 > 0 && qp2 > 0) || (qp1 < 0 && qp2 < 0)) return {};
  LinePoint at;
  if (pq1 == 0 && pq2 == 0 && qp1 == 0 && qp2 == 0) {
    // Collinear: one point only where the segments meet end to end.
    const bool q1InP = inEnvelope(p1, p2, q1), q2InP = inEnvelope(p1, p2, q2);
    const bool p1InQ = inEnvelope(q1, q2, p1), p2InQ = inEnvelope(q1, q2, p2);
    if ((q1InP && q2InP) || (p1InQ && p2InQ)) return {Meeting::Inside};
    if (q1InP && p1InQ) {
      at = q1;
      if (!samePoint(q1, p1) || q2InP || p2InQ) return {Meeting::Inside};
    } else if (q1InP && p2InQ) {
      at = q1;
      if (!samePoint(q1, p2) || q2InP || p1InQ) return {Meeting::Inside};
    } else if (q2InP && p1InQ) {
      at = q2;
      if (!samePoint(q2, p1) || q1InP || p2InQ) return {Meeting::Inside};
    } else if (q2InP && p2InQ) {
      at = q2;
      if (!samePoint(q2, p2) || q1InP || p1InQ) return {Meeting::Inside};
    } else {
      return {};
    }
  } else if (pq1 == 0 || pq2 == 0 || qp1 == 0 || qp2 == 0) {
    if (samePoint(p1, q1) || samePoint(p1, q2)) {
      at = p1;
    } else if (samePoint(p2, q1) || samePoint(p2, q2)) {
      at = p2;
    } else if (pq1 == 0) {
      at = q1;
    } else if (pq2 == 0) {
      at = q2;
    } else if (qp1 == 0) {
      at = p1;
    } else {
      at = p2;
    }
  } else {
    return {Meeting::Inside};  // a proper crossing
  }
  const bool onP = samePoint(at, p1) || samePoint(at, p2);
  const bool onQ = samePoint(at, q1) || samePoint(at, q2);
  if (!onP || !onQ) return {Meeting::Inside};
  return {Meeting::Vertices, !samePoint(at, p1), !samePoint(at, q1)};
}

// The segments of the area edges of the chart, each edge walked from its
// first node pointer to its second with repeated points dropped, and what
// a uniform grid over them finds once for the whole chart:
// - an edge is faulty when two of its own segments meet other than where
//   they follow one another or at its two ends;
// - two edges are partners when a segment of one meets a segment of the
//   other anywhere but at an end of both.
// A ring of these edges is simple exactly when no edge is faulty, no two of
// its edges are partners, no edge comes twice, and no node position is
// passed twice: the meetings at the edges' ends are the ones the ring's
// order makes harmless, where one edge follows another, and they are
// harmless exactly when the ring passes that point once.
class EdgeIndex {
 public:
  EdgeIndex(const Context& context, GEOSContextHandle_t geos)
      : slots_(static_cast<size_t>(context.chart().edges.count)) {
    const Dataset& chart = context.chart();
    // Room for every edge of the chart at once.
    size_t points = 0;
    for (const VectorRecord* edge : chart.edges)
      points += static_cast<size_t>(edge->coordinates.count) + 2;
    points_.reserve(points);
    segmentEdges_.reserve(points);
    starts_.reserve(static_cast<size_t>(chart.edges.count));
    summaries_.reserve(static_cast<size_t>(chart.edges.count));
    for (const FeatureRecord* f : chart.features) {
      if (f->prim != kPrimArea) continue;
      for (const SpatialPointerEntry* p : f->spatialPointers) {
        if (p->rcnm != kRcnmEdge) continue;
        const VectorRecord* edge = context.vector(p->rcnm, p->rcid);
        if (edge == nullptr || edge->pointers.count < 2) continue;
        int32_t& slot = slots_.insert(reinterpret_cast<uintptr_t>(edge), -1);
        if (slot == -1) slot = add(context, *edge);
      }
    }
    faulty_.assign(starts_.size(), 0);
    findMeetings(geos);
    mark_.assign(starts_.size(), 0);
    ownerStamp_.assign(starts_.size(), 0);
    owner_.assign(starts_.size(), 0);
  }

  // The edge's number, or -1 when it has no usable geometry.
  int32_t find(const VectorRecord* edge) const {
    const int32_t* slot = slots_.find(reinterpret_cast<uintptr_t>(edge));
    return slot == nullptr ? -1 : *slot;
  }

  // Where a use of edge e starts: its first point, or its last when
  // reversed.
  LinePoint start(int32_t e, bool reversed) const {
    return reversed ? points_[lastSegment(e) + 1] : points_[starts_[static_cast<size_t>(e)]];
  }
  // What a ring's points would give, summed over its edges' uses without
  // walking them.
  struct Summary {
    double west = 0, east = 0, south = 0, north = 0;
    double turn = 0;       // twice the signed area
    double magnitude = 0;  // of the terms of turn, for its rounding error
    bool wraps = false;    // two points follow one another more than 180 degrees apart
  };
  Summary summary(std::span<const int32_t> edges, std::span<const uint8_t> reversed) const {
    Summary sum;
    for (size_t i = 0; i < edges.size(); ++i) {
      const EdgeSummary& e = summaries_[static_cast<size_t>(edges[i])];
      if (i == 0) {
        sum.west = e.west, sum.east = e.east, sum.south = e.south, sum.north = e.north;
      } else {
        sum.west = std::min(sum.west, e.west);
        sum.east = std::max(sum.east, e.east);
        sum.south = std::min(sum.south, e.south);
        sum.north = std::max(sum.north, e.north);
      }
      sum.turn += reversed[i] ? -e.turn : e.turn;
      sum.magnitude += e.magnitude;
      sum.wraps = sum.wraps || e.wraps;
    }
    return sum;
  }

  // Whether the ring of these edges, passing these node positions, is
  // simple; every edge must be found.
  bool simpleRing(std::span<const int32_t> edges, std::span<LinePoint> nodes) {
    ++stamp_;
    for (const int32_t e : edges) {
      if (faulty_[static_cast<size_t>(e)] || mark_[static_cast<size_t>(e)] == stamp_) return false;
      mark_[static_cast<size_t>(e)] = stamp_;
    }
    for (const int32_t e : edges) {
      for (const int32_t other : partners(e)) {
        if (mark_[static_cast<size_t>(other)] == stamp_) return false;
      }
    }
    std::sort(nodes.begin(), nodes.end(), [](const LinePoint& a, const LinePoint& b) {
      return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    return std::adjacent_find(nodes.begin(), nodes.end(), samePoint) == nodes.end();
  }

  // Notes which ring of a feature each edge is on, for apart().
  void beginFeature() { ++featureStamp_; }
  void own(std::span<const int32_t> edges, uint32_t ring) {
    for (const int32_t e : edges) {
      const size_t i = static_cast<size_t>(e);
      if (ownerStamp_[i] == featureStamp_ && owner_[i] != ring) {
        owner_[i] = kMany;
      } else {
        ownerStamp_[i] = featureStamp_;
        owner_[i] = ring;
      }
    }
  }

  // Whether the boundaries of two rings of the feature share no point: no
  // edge of the first (the one of fewer edges, best) is on the other ring,
  // nor is a partner of it or an edge it touches at an end.
  bool apart(std::span<const int32_t> edges, uint32_t other) const {
    auto on = [&](int32_t e) {
      const size_t i = static_cast<size_t>(e);
      return ownerStamp_[i] == featureStamp_ && (owner_[i] == other || owner_[i] == kMany);
    };
    for (const int32_t e : edges) {
      if (on(e)) return false;
      for (const int32_t p : partners(e, true)) {
        if (on(p)) return false;
      }
    }
    return true;
  }

 private:
  // The partners of edge e; with touches, also the edges it touches at
  // ends.
  std::span<const int32_t> partners(int32_t e, bool touches = false) const {
    const size_t i = 2 * static_cast<size_t>(e);
    return partners_.span(i, i + (touches ? 2 : 1));
  }

  // A pair of edges that meet: partners, or touching at ends only.
  struct Pair {
    int32_t a = 0, b = 0;
    uint32_t touch = 0;
    auto operator<=>(const Pair&) const = default;
  };

  // Adds the points of edge; returns its number, or -1.
  int32_t add(const Context& context, const VectorRecord& edge) {
    const VectorRecord* from = context.vector(edge.pointers[0].rcnm, edge.pointers[0].rcid);
    const VectorRecord* to = context.vector(edge.pointers[1].rcnm, edge.pointers[1].rcid);
    if (from == nullptr || to == nullptr || from->coordinates.empty() || to->coordinates.empty())
      return -1;
    const size_t start = points_.size();
    auto push = [&](double x, double y) {
      const LinePoint p{x, y};
      if (points_.size() == start || !samePoint(points_.back(), p)) points_.push_back(p);
    };
    push(from->coordinates[0].x, from->coordinates[0].y);
    for (const Coordinate c : edge.coordinates)
      push(c.x, c.y);
    push(to->coordinates[0].x, to->coordinates[0].y);
    if (points_.size() - start < 2) {  // no length: its rings go to GEOS
      points_.resize(start);
      return -1;
    }
    if (start == 0) origin_ = points_[0];
    EdgeSummary summary{points_[start].x, points_[start].x, points_[start].y, points_[start].y};
    for (size_t i = start + 1; i < points_.size(); ++i) {
      const LinePoint &a = points_[i - 1], &b = points_[i];
      summary.west = std::min(summary.west, b.x);
      summary.east = std::max(summary.east, b.x);
      summary.south = std::min(summary.south, b.y);
      summary.north = std::max(summary.north, b.y);
      const double left = (a.x - origin_.x) * (b.y - origin_.y);
      const double right = (b.x - origin_.x) * (a.y - origin_.y);
      summary.turn += left - right;
      summary.magnitude += std::fabs(left) + std::fabs(right);
      summary.wraps = summary.wraps || std::fabs(b.x - a.x) > 180;
    }
    summaries_.push_back(summary);
    const int32_t number = static_cast<int32_t>(starts_.size());
    starts_.push_back(static_cast<uint32_t>(start));
    for (size_t i = start; i + 1 < points_.size(); ++i)
      segmentEdges_.push_back(number);
    segmentEdges_.push_back(-1);  // the edge's last point starts no segment
    return number;
  }

  size_t lastSegment(int32_t e) const {
    const size_t next = static_cast<size_t>(e) + 1 < starts_.size()
                            ? starts_[static_cast<size_t>(e) + 1]
                            : points_.size();
    return next - 2;
  }

  // A run of segments of one edge turning neither way across north-south or
  // east-west (one quadrant of direction): no two of its segments meet but
  // where they follow one another, and its envelope and that of any part of
  // it are the ones of its end points.
  struct Chain {
    uint32_t first = 0;  // segments first to end - 1, by their first point
    uint32_t end = 0;
  };

  // Chains of a few segments: the halving of two chains that meet is short.
  static constexpr uint32_t kChainLength = 8;

  static int quadrant(const LinePoint& a, const LinePoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return dx >= 0 ? (dy >= 0 ? 0 : 3) : (dy >= 0 ? 1 : 2);
  }

  static bool overlap(const LinePoint& a1, const LinePoint& a2, const LinePoint& b1,
                      const LinePoint& b2) {
    return std::max(a1.x, a2.x) >= std::min(b1.x, b2.x) &&
           std::max(b1.x, b2.x) >= std::min(a1.x, a2.x) &&
           std::max(a1.y, a2.y) >= std::min(b1.y, b2.y) &&
           std::max(b1.y, b2.y) >= std::min(a1.y, a2.y);
  }

  // Each pair of chains whose envelopes meet is looked at once: in the grid
  // cell that holds the south-west corner of their envelopes' overlap.
  void findMeetings(GEOSContextHandle_t geos) {
    std::vector<Chain> chains;
    chains.reserve(points_.size() / 4 + starts_.size());
    for (size_t e = 0; e < starts_.size(); ++e) {
      const uint32_t first = starts_[e];
      const uint32_t last = static_cast<uint32_t>(lastSegment(static_cast<int32_t>(e)));
      uint32_t start = first;
      for (uint32_t s = first + 1; s <= last; ++s) {
        if (s - start >= kChainLength ||
            quadrant(points_[s], points_[s + 1]) != quadrant(points_[s - 1], points_[s])) {
          chains.push_back({start, s});
          start = s;
        }
      }
      chains.push_back({start, last + 1});
    }
    std::vector<Pair> pairs;
    if (!chains.empty()) {
      // The grid spans the finite points (a cell of COMF 0 has infinities
      // and NaNs); the others fall into its edge cells.
      double west = 0, east = 0, south = 0, north = 0;
      bool any = false;
      for (const LinePoint& p : points_) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        west = any ? std::min(west, p.x) : p.x;
        east = any ? std::max(east, p.x) : p.x;
        south = any ? std::min(south, p.y) : p.y;
        north = any ? std::max(north, p.y) : p.y;
        any = true;
      }
      const double width = std::clamp(east - west, 1e-9, 1e300);
      const double height = std::clamp(north - south, 1e-9, 1e300);
      const double cells = static_cast<double>(chains.size()) + 1;
      const size_t columns = static_cast<size_t>(
          std::clamp(std::ceil(std::sqrt(cells * width / height)), 1.0, 4096.0));
      const size_t rows = static_cast<size_t>(
          std::clamp(std::ceil(cells / static_cast<double>(columns)), 1.0, 4096.0));
      // Cells per degree: a cell is found by multiplication, the same way
      // wherever a point is placed.
      const double perWidth = static_cast<double>(columns) / width;
      const double perHeight = static_cast<double>(rows) / height;
      // NaN and what lies before the grid go to its first cell.
      auto cellOf = [](double at, size_t count) -> size_t {
        if (!(at > 0)) return 0;
        return at < static_cast<double>(count - 1) ? static_cast<size_t>(at) : count - 1;
      };
      auto column = [&](double x) { return cellOf((x - west) * perWidth, columns); };
      auto row = [&](double y) { return cellOf((y - south) * perHeight, rows); };
      auto eachCell = [&](const Chain& chain, auto visit) {
        const LinePoint& a = points_[chain.first];
        const LinePoint& b = points_[chain.end];
        const size_t c0 = column(std::min(a.x, b.x)), c1 = column(std::max(a.x, b.x));
        const size_t r0 = row(std::min(a.y, b.y)), r1 = row(std::max(a.y, b.y));
        for (size_t r = r0; r <= r1; ++r)
          for (size_t c = c0; c <= c1; ++c)
            visit(r * columns + c);
      };
      const Buckets<uint32_t> inCells(columns * rows, [&](auto&& file) {
        for (uint32_t i = 0; i < chains.size(); ++i)
          eachCell(chains[i], [&](size_t cell) { file(cell, i); });
      });
      for (size_t cell = 0; cell < inCells.count(); ++cell) {
        const std::span<const uint32_t> here = inCells[cell];
        for (size_t i = 0; i < here.size(); ++i) {
          const Chain& a = chains[here[i]];
          const LinePoint &a1 = points_[a.first], &a2 = points_[a.end];
          for (size_t j = i + 1; j < here.size(); ++j) {
            const Chain& b = chains[here[j]];
            const LinePoint &b1 = points_[b.first], &b2 = points_[b.end];
            if (!overlap(a1, a2, b1, b2)) continue;
            const double x = std::max(std::min(a1.x, a2.x), std::min(b1.x, b2.x));
            const double y = std::max(std::min(a1.y, a2.y), std::min(b1.y, b2.y));
            if (row(y) * columns + column(x) != cell) continue;
            chainPair(geos, a.first, a.end, b.first, b.end, pairs);
          }
        }
      }
    }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    // Per edge, its partners first and then the edges it touches at ends.
    partners_ = Buckets<int32_t>(2 * starts_.size(), [&](auto&& file) {
      for (const Pair& p : pairs) {
        file(2 * static_cast<size_t>(p.a) + p.touch, p.b);
        file(2 * static_cast<size_t>(p.b) + p.touch, p.a);
      }
    });
  }

  // The segments of two parts of chains, first to end - 1 of each, halved
  // while their envelopes meet.
  // Where the envelopes of the two parts meet in a single point that ends
  // both, only the segments ending there can meet: along a monotone chain
  // each point comes once, and only its own segment reaches a corner of the
  // envelope. (Most meetings of chains are such: the chains before and
  // after a vertex, and the edges at a node.)
  void chainPair(GEOSContextHandle_t geos, uint32_t a0, uint32_t a1, uint32_t b0, uint32_t b1,
                 std::vector<Pair>& pairs) {
    const LinePoint &p0 = points_[a0], &p1 = points_[a1], &q0 = points_[b0], &q1 = points_[b1];
    if (!overlap(p0, p1, q0, q1)) return;
    const double west = std::max(std::min(p0.x, p1.x), std::min(q0.x, q1.x));
    const double south = std::max(std::min(p0.y, p1.y), std::min(q0.y, q1.y));
    if (west == std::min(std::max(p0.x, p1.x), std::max(q0.x, q1.x)) &&
        south == std::min(std::max(p0.y, p1.y), std::max(q0.y, q1.y))) {
      const auto endingAt = [&](uint32_t first, uint32_t end) -> std::optional<uint32_t> {
        if (points_[first].x == west && points_[first].y == south) return first;
        if (points_[end].x == west && points_[end].y == south) return end - 1;
        return std::nullopt;
      };
      const std::optional<uint32_t> s = endingAt(a0, a1), t = endingAt(b0, b1);
      if (s && t) {
        if (*s != *t) judge(geos, std::min(*s, *t), std::max(*s, *t), pairs);
        return;
      }
    }
    if (a1 - a0 == 1 && b1 - b0 == 1) {
      judge(geos, std::min(a0, b0), std::max(a0, b0), pairs);
    } else if (a1 - a0 >= b1 - b0) {
      const uint32_t middle = a0 + (a1 - a0) / 2;
      chainPair(geos, a0, middle, b0, b1, pairs);
      chainPair(geos, middle, a1, b0, b1, pairs);
    } else {
      const uint32_t middle = b0 + (b1 - b0) / 2;
      chainPair(geos, a0, a1, b0, middle, pairs);
      chainPair(geos, a0, a1, middle, b1, pairs);
    }
  }

  // Segments s < t (by their first point).
  void judge(GEOSContextHandle_t geos, uint32_t s, uint32_t t, std::vector<Pair>& pairs) {
    const int32_t es = segmentEdges_[s], et = segmentEdges_[t];
    const bool sameEdge = es == et;
    // Segments that follow one another meet only at their common point
    // unless the second turns back along the first.
    if (sameEdge && t == s + 1 &&
        orientation(geos, points_[s], points_[s + 1], points_[t + 1]) != 0)
      return;
    const Meeting m = meet(geos, points_[s], points_[s + 1], points_[t], points_[t + 1]);
    if (m.kind == Meeting::None) return;
    bool touch = false;
    if (m.kind == Meeting::Vertices) {
      if (sameEdge && t == s + 1) return;
      const bool endOfS = m.atP2 ? s == lastSegment(es) : s == starts_[static_cast<size_t>(es)];
      const bool endOfT = m.atQ2 ? t == lastSegment(et) : t == starts_[static_cast<size_t>(et)];
      touch = endOfS && endOfT;  // the ring's order decides
    }
    if (sameEdge) {
      if (!touch) faulty_[static_cast<size_t>(es)] = 1;
    } else {
      pairs.push_back({std::min(es, et), std::max(es, et), touch ? 1u : 0u});
    }
  }

  struct EdgeSummary {
    double west = 0, east = 0, south = 0, north = 0;
    double turn = 0, magnitude = 0;  // about origin_
    bool wraps = false;
  };

  FlatMap<int32_t> slots_;              // edge record -> number
  std::vector<LinePoint> points_;       // every edge's points, one edge after another
  LinePoint origin_;                    // the first of them
  std::vector<EdgeSummary> summaries_;  // per edge
  std::vector<uint32_t> starts_;        // into points_, per edge
  std::vector<int32_t> segmentEdges_;   // per point: the edge of the segment it starts, or -1
  std::vector<uint8_t> faulty_;         // per edge
  // Two buckets per edge: its partners, then the edges it touches at ends.
  Buckets<int32_t> partners_;
  std::vector<uint32_t> mark_;  // per edge: the stamp of the last ring that named it
  uint32_t stamp_ = 0;
  static constexpr uint32_t kMany = ~0u;
  std::vector<uint32_t> ownerStamp_;  // per edge: the feature owner_ speaks of
  std::vector<uint32_t> owner_;       // per edge: its ring in that feature, or kMany
  uint32_t featureStamp_ = 0;
};

// Where a point lies against a simple ring, by counting the crossings of a
// ray to the east as GEOS's ray crossing counter does, over the segments of
// the horizontal strip that holds the point.
class RingLocator {
 public:
  explicit RingLocator(std::vector<LinePoint> points) : points_(std::move(points)) {
    south_ = north_ = points_.front().y;
    for (const LinePoint& p : points_) {
      south_ = std::min(south_, p.y);
      north_ = std::max(north_, p.y);
    }
    strips_ = std::max<size_t>(1, points_.size() / 8);
    perHeight_ = static_cast<double>(strips_) / std::max(north_ - south_, 1e-12);
    segments_ = Buckets<uint32_t>(strips_, [&](auto&& file) {
      for (uint32_t i = 0; i + 1 < points_.size(); ++i) {
        const double lo = std::min(points_[i].y, points_[i + 1].y);
        const double hi = std::max(points_[i].y, points_[i + 1].y);
        for (size_t s = strip(lo); s <= strip(hi); ++s)
          file(s, i);
      }
    });
  }

  // Whether p is inside; p must not lie on the ring.
  bool inside(GEOSContextHandle_t geos, const LinePoint& p) const {
    if (p.y < south_ || p.y > north_) return false;
    int crossings = 0;
    for (const uint32_t i : segments_[strip(p.y)])
      crossings += crosses(geos, points_[i], points_[i + 1], p);
    return crossings % 2 == 1;
  }

  // The same over every segment, for a ring asked once or twice.
  static bool insideRing(GEOSContextHandle_t geos, const std::vector<LinePoint>& points,
                         const LinePoint& p) {
    int crossings = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i)
      crossings += crosses(geos, points[i], points[i + 1], p);
    return crossings % 2 == 1;
  }

  // Whether the ray from p to the east crosses segment a-b.
  static bool crosses(GEOSContextHandle_t geos, const LinePoint& a, const LinePoint& b,
                      const LinePoint& p) {
    if (a.x < p.x && b.x < p.x) return false;
    if ((a.y > p.y && b.y <= p.y) || (b.y > p.y && a.y <= p.y)) {
      int side = orientation(geos, a, b, p);
      if (b.y < a.y) side = -side;
      return side > 0;
    }
    return false;
  }

 private:
  size_t strip(double y) const {
    return std::min(static_cast<size_t>(std::max(y - south_, 0.0) * perHeight_), strips_ - 1);
  }

  std::vector<LinePoint> points_;
  double south_ = 0, north_ = 0, perHeight_ = 1;  // strips per degree
  size_t strips_ = 1;
  Buckets<uint32_t> segments_;  // the segments of each strip, by their first point
};

class RingChecks {
 public:
  explicit RingChecks(Context& context) : context_(context) {}
  ~RingChecks() { clearRings(); }
  RingChecks(const RingChecks&) = delete;
  RingChecks& operator=(const RingChecks&) = delete;

  void run() {
    edges_ = std::make_unique<EdgeIndex>(context_, geos());
    for (const FeatureRecord* f : context_.chart().features) {
      if (f->prim != kPrimLine && f->prim != kPrimArea) continue;
      if (f->spatialPointers.count < (f->prim == kPrimLine ? 2 : 1)) continue;
      if (!edgeUses(context_, *f, uses_)) continue;
      if (f->prim == kPrimLine) {
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

  std::span<const int32_t> edgeNumbers(const Ring& ring) const {
    return {useEdges_.data() + ring.first, ring.count};
  }
  std::span<const uint8_t> reversed(const Ring& ring) const {
    return {useReversed_.data() + ring.first, ring.count};
  }
  // The positions of the nodes the ring passes.
  std::span<LinePoint> nodes(const Ring& ring) {
    return {useNodes_.data() + ring.first, ring.count};
  }

  // Whether each edge of the ring is in the edge index; notes their
  // numbers, directions and the node positions the ring passes.
  bool inIndex(const Ring& ring) {
    for (size_t i = ring.first; i < ring.first + ring.count; ++i) {
      useEdges_[i] = edges_->find(uses_[i].edge);
      if (useEdges_[i] < 0) return false;
      useReversed_[i] = uses_[i].pointer->ornt == 2;
      useNodes_[i] = edges_->start(useEdges_[i], useReversed_[i]);
    }
    return true;
  }

  // The points of a ring the index speaks for, walked when first needed.
  const std::vector<LinePoint>& points(Ring& ring) {
    if (ring.points.empty()) ringPoints(context_, uses_, ring);
    return ring.points;
  }

  // A ring's envelope from its points.
  static void envelope(Ring& ring) {
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
  }

  // The number of points ringPoints gives the ring.
  size_t pointCount(const Ring& ring) const {
    size_t count = 1;
    for (size_t i = ring.first; i < ring.first + ring.count; ++i)
      count += static_cast<size_t>(uses_[i].edge->coordinates.count) + 1;
    return count;
  }

  void area(const FeatureRecord& feature) {
    clearRings();
    reported_.clear();
    splitRings(feature);
    ringStructure(feature);
    sharedNodes(feature);
    useEdges_.resize(uses_.size());
    useReversed_.resize(uses_.size());
    useNodes_.resize(uses_.size());
    size_t geometric = 0;
    double reference = 0;
    for (Ring& ring : rings_) {
      if (!ring.closed || ring.broken) continue;
      // A ring of indexed edges takes its envelope and turn from the index;
      // its points are walked only where a question needs them, unless its
      // longitudes must be moved across the 180th meridian.
      std::optional<EdgeIndex::Summary> summary;
      if (inIndex(ring)) {
        if (pointCount(ring) < 4) continue;
        ring.start = useNodes_[ring.first];
        if (geometric == 0) reference = ring.start.x;
        summary = edges_->summary(edgeNumbers(ring), reversed(ring));
        if (summary->wraps || std::fabs(ring.start.x - reference) > 180) summary.reset();
      }
      if (summary) {
        ring.indexed = true;
        ring.west = summary->west;
        ring.east = summary->east;
        ring.south = summary->south;
        ring.north = summary->north;
      } else {
        if (!ringPoints(context_, uses_, ring)) {
          ring.points.clear();
          continue;
        }
        if (geometric == 0) reference = ring.points.front().x;
        unwrapLongitudes(ring.points, reference);
        ring.start = ring.points.front();
        envelope(ring);
      }
      ring.geometric = true;
      ++geometric;
      orientationAndSimplicity(feature, ring, summary);
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
  void orientationAndSimplicity(const FeatureRecord& feature, Ring& ring,
                                const std::optional<EdgeIndex::Summary>& summary) {
    // The index's sum decides unless it is as small as its rounding error;
    // then the ring's own points do, as for a ring outside the index.
    const double turn = summary && std::fabs(summary->turn) > 1e-9 * summary->magnitude
                            ? summary->turn
                            : signedRingArea(points(ring));
    if (ring.exterior() && turn > 0) once("16", feature, firstEdge(ring));
    if (ring.interior() && turn < 0) once("17", feature, firstEdge(ring));
    ringEdges_.clear();
    for (size_t i = ring.first; i < ring.first + ring.count; ++i)
      ringEdges_.push_back(uses_[i].edge);
    std::sort(ringEdges_.begin(), ringEdges_.end());
    auto known = ringFacts_.find(ringEdges_);
    if (known == ringFacts_.end()) {
      bool simple = false;
      if (ring.indexed) {
        simple = edges_->simpleRing(edgeNumbers(ring), nodes(ring));
      } else {
        if (!makePolygon(ring)) return;
        simple = GEOSisSimple_r(geos(), GEOSGetExteriorRing_r(geos(), ring.polygon)) == 1;
      }
      known = ringFacts_.try_emplace(ringEdges_).first;
      known->second.simple = simple;
    }
    ring.facts = &known->second;
    if (!ring.simple()) once("78", feature, firstEdge(ring));
  }

  // The ring's polygon, its shell alone; false when GEOS cannot make it.
  bool makePolygon(Ring& ring) {
    if (ring.polygon != nullptr) return true;
    const std::vector<LinePoint>& shell = points(ring);
    GEOSCoordSequence* sequence =
        GEOSCoordSeq_copyFromBuffer_r(geos(), reinterpret_cast<const double*>(shell.data()),
                                      static_cast<unsigned>(shell.size()), 0, 0);
    if (sequence == nullptr) return false;
    // Takes the sequence, also when it fails.
    GEOSGeometry* linear = GEOSGeom_createLinearRing_r(geos(), sequence);
    if (linear == nullptr) return false;
    ring.polygon = GEOSGeom_createPolygon_r(geos(), linear, nullptr, 0);
    return ring.polygon != nullptr;
  }

  // 80a, 80b, 80c: interior rings lie within an exterior ring and not
  // within one another, exterior rings not within an interior ring. Only
  // rings whose envelope holds the other's are compared: a sweep from the
  // west finds those pairs.
  void nesting(const FeatureRecord& feature) {
    order_.clear();
    edges_->beginFeature();
    bool anyExterior = false;
    for (size_t i = 0; i < rings_.size(); ++i) {
      Ring& ring = rings_[i];
      if (!ring.geometric || !(ring.exterior() || ring.interior())) continue;
      anyExterior = anyExterior || ring.exterior();
      order_.push_back(i);
      if (ring.indexed) edges_->own(edgeNumbers(ring), static_cast<uint32_t>(i));
      ring.withinExterior = ring.aroundExterior = ring.insideHole = false;
    }
    // West to east; of rings as far west, the widest first.
    std::sort(order_.begin(), order_.end(), [&](size_t a, size_t b) {
      const Ring &p = rings_[a], &q = rings_[b];
      return p.west < q.west ||
             (p.west == q.west && (p.east > q.east || (p.east == q.east && a < b)));
    });
    active_.clear();
    for (const size_t i : order_) {
      Ring& ring = rings_[i];
      std::erase_if(active_, [&](size_t j) { return rings_[j].east < ring.west; });
      for (const size_t j : active_) {
        Ring& other = rings_[j];
        if (holds(other, ring)) compare(other, ring);
        if (holds(ring, other)) compare(ring, other);
      }
      active_.push_back(i);
    }
    for (const Ring& ring : rings_) {
      if (!ring.geometric || !(ring.exterior() || ring.interior())) continue;
      if (ring.insideHole) once(ring.interior() ? "80a" : "80c", feature, firstEdge(ring));
      // An interior ring round the exterior ring is 80c's.
      if (ring.interior() && anyExterior && !ring.withinExterior && !ring.aroundExterior)
        once("80b", feature, firstEdge(ring));
    }
  }

  static bool holds(const Ring& outer, const Ring& inner) {
    return outer.west <= inner.west && outer.east >= inner.east && outer.south <= inner.south &&
           outer.north >= inner.north;
  }

  // What outer covering inner means for each, outer's envelope holding
  // inner's.
  void compare(Ring& outer, Ring& inner) {
    if (outer.exterior() && inner.exterior()) return;
    if (!covers(outer, inner)) return;
    if (outer.exterior()) {
      inner.withinExterior = true;
    } else {
      inner.insideHole = true;
      if (inner.exterior()) outer.aroundExterior = true;
    }
  }

  // Whether outer's polygon covers inner's. Where both rings are simple and
  // their boundaries share no point, one point of inner inside outer
  // answers; otherwise GEOS does.
  bool covers(Ring& outer, Ring& inner) {
    const Ring& fewer = outer.count <= inner.count ? outer : inner;
    const Ring& other = &fewer == &outer ? inner : outer;
    if (outer.indexed && inner.indexed && outer.simple() && inner.simple() &&
        edges_->apart(edgeNumbers(fewer), static_cast<uint32_t>(&other - rings_.data()))) {
      // Indexing the ring costs about three passes over it.
      RingFacts& facts = *outer.facts;
      if (!facts.locator && ++facts.asked <= 2)
        return RingLocator::insideRing(geos(), points(outer), inner.start);
      if (!facts.locator) facts.locator = std::make_unique<RingLocator>(points(outer));
      return facts.locator->inside(geos(), inner.start);
    }
    if (!makePolygon(outer) || !makePolygon(inner)) return false;
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
  std::map<std::vector<const VectorRecord*>, RingFacts> ringFacts_;
  std::vector<const VectorRecord*> ringEdges_;
  std::unique_ptr<EdgeIndex> edges_;
  std::vector<int32_t> useEdges_;     // per use of the feature: its edge's number
  std::vector<uint8_t> useReversed_;  // per use: whether it runs against its edge
  std::vector<LinePoint> useNodes_;   // per use: the position it starts at
  std::vector<size_t> order_;
  std::vector<size_t> active_;
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
