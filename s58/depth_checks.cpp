// The S-58 checks of depth contours, depth areas and soundings.
//
// Where a point or a contour lies is asked of the indexed skin-of-the-earth
// areas (prepared geometries, strictly inside); which areas use an edge is
// counted from the spatial pointers in one hash map; crossings of contours
// are looked for among the pairs an STRtree over the contours gives.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogue.h"
#include "catalogue_codes.h"
#include "context.h"

namespace abys::s58 {
namespace {

constexpr std::string_view kChecks[] = {"43", "44a", "44b",   "74",    "75",
                                        "77", "103", "1768a", "1768b", "1769"};

// Depths are stored to the centimetre at best; values closer than this are
// the same depth.
constexpr double kSameDepth = 1e-6;

bool sameDepth(double a, double b) {
  return std::fabs(a - b) <= kSameDepth;
}
bool shallower(double a, double b) {
  return a < b - kSameDepth;
}

// The numeric value of attribute attl, or nothing when absent, empty or not
// a number.
std::optional<double> number(const FeatureRecord& f, uint16_t attl) {
  for (const AttributeEntry* a : f.attributes) {
    if (a->attl != attl) continue;
    const char* first = a->atvl;
    const char* last = first + a->atvlLength;
    while (first != last && *first == ' ')
      ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == first) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

uint16_t attributeCode(const char* acronym) {
  const catalogue::Attribute* a = catalogue::attribute(acronym);
  return a != nullptr ? a->code : 0;
}

// The edges a feature points at, each once.
std::vector<uint32_t> edgesOf(const FeatureRecord& f) {
  std::vector<uint32_t> edges;
  for (const SpatialPointerEntry* p : f.spatialPointers) {
    if (p->rcnm == kRcnmEdge) edges.push_back(p->rcid);
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  return edges;
}

struct AreaDepths {
  std::optional<double> drval1, drval2;
};

class DepthChecks {
 public:
  explicit DepthChecks(Context& context) : context_(context) {
    for (const FeatureRecord* f : context.chart().features) {
      if (f->objl == catalogue::kDepcnt && f->prim == kPrimLine) contours_.push_back(f);
      if (f->objl == catalogue::kSoundg) soundings_.push_back(f);
      if (f->prim == kPrimArea && isGroup1(f->objl)) {
        groupOne_.push_back(f);
        depths_[f] = {number(*f, catalogue::kDrval1), number(*f, catalogue::kDrval2)};
      }
    }
  }

  void run() {
    countEdgeUses();
    edgesShared();
    areaDepthsMatchContours();
    floatingContours();
    contoursCross();
    soundingsInTheirAreas();
  }

 private:
  // How many Group 1 areas use each edge, and which contour uses it first.
  void countEdgeUses() {
    for (const FeatureRecord* f : groupOne_) {
      for (const uint32_t edge : edgesOf(*f))
        ++areaUses_[edge];
    }
    for (const FeatureRecord* f : contours_) {
      for (const uint32_t edge : edgesOf(*f))
        contourOf_.emplace(edge, f);
    }
  }

  int areaUses(uint32_t edge) const {
    const auto it = areaUses_.find(edge);
    return it == areaUses_.end() ? 0 : it->second;
  }

  // Whether the geometry lies within a DRGARE or an UNSARE: in its interior,
  // touching its boundary at most.
  bool insideDredgedOrUnsurveyed(const GEOSGeometry* geometry) {
    for (const FeatureRecord* a : context_.group1Areas().candidates(geometry)) {
      if (a->objl != catalogue::kDrgare && a->objl != catalogue::kUnsare) continue;
      if (GEOSPreparedContains_r(context_.geos().get(), context_.shape(*a).prepared(), geometry) ==
          1) {
        return true;
      }
    }
    return false;
  }

  // 43: every edge of a contour is the boundary between two Group 1 areas,
  // unless it lies inside a dredged or unsurveyed area.
  void edgesShared() {
    for (const FeatureRecord* f : contours_) {
      for (const uint32_t rcid : edgesOf(*f)) {
        if (areaUses(rcid) == 2) continue;
        const VectorRecord* edge = context_.vector(kRcnmEdge, rcid);
        if (edge == nullptr) continue;  // the pointer checks speak of it
        const Geometry line = vectorGeometry(context_.geos(), context_, *edge);
        if (line && insideDredgedOrUnsurveyed(line.get())) continue;
        context_.report("43", f);
        break;
      }
    }
  }

  // Whether every edge of the area belongs to one and the same contour: an
  // isolated shoal or deep.
  bool boundedByOneContour(const FeatureRecord& area) const {
    const FeatureRecord* contour = nullptr;
    for (const uint32_t edge : edgesOf(area)) {
      const auto it = contourOf_.find(edge);
      if (it == contourOf_.end()) return false;
      if (contour != nullptr && contour != it->second) return false;
      contour = it->second;
    }
    return contour != nullptr;
  }

  // 44a, 44b: a depth area's range starts and ends at contour values, but
  // for the shallowest start and the deepest end.
  void areaDepthsMatchContours() {
    std::vector<double> values;
    for (const FeatureRecord* f : contours_) {
      if (const std::optional<double> v = number(*f, catalogue::kValdco)) values.push_back(*v);
    }
    if (values.empty()) return;
    std::sort(values.begin(), values.end());
    const auto isContourValue = [&](double depth) {
      const auto it = std::lower_bound(values.begin(), values.end(), depth - kSameDepth);
      return it != values.end() && sameDepth(*it, depth);
    };
    std::optional<double> deepest;
    for (const FeatureRecord* f : groupOne_) {
      const std::optional<double> d2 = depths_[f].drval2;
      if (f->objl == catalogue::kDepare && d2 && (!deepest || *d2 > *deepest)) deepest = d2;
    }
    for (const FeatureRecord* f : groupOne_) {
      if (f->objl != catalogue::kDepare) continue;
      const AreaDepths& d = depths_[f];
      const bool start = d.drval1 && !isContourValue(*d.drval1) && !shallower(*d.drval1, values[0]);
      const bool end = d.drval2 && !isContourValue(*d.drval2) && !sameDepth(*d.drval2, *deepest);
      if ((!start && !end) || boundedByOneContour(*f)) continue;
      if (start) context_.report("44a", f);
      if (end) context_.report("44b", f);
    }
  }

  // 74, 75: a contour that bounds no Group 1 area keeps within the range of
  // the depth area or dredged area it lies in.
  void floatingContours() {
    for (const FeatureRecord* f : contours_) {
      const std::vector<uint32_t> edges = edgesOf(*f);
      if (std::any_of(edges.begin(), edges.end(), [&](uint32_t e) { return areaUses(e) > 0; }))
        continue;
      const std::optional<double> valdco = number(*f, catalogue::kValdco);
      const Geometry& line = context_.shape(*f);
      if (!valdco || !line) continue;
      bool outsideDepare = false, outsideDrgare = false;
      for (const FeatureRecord* a : context_.group1Areas().candidates(line.get())) {
        if (a->objl != catalogue::kDepare && a->objl != catalogue::kDrgare) continue;
        if (GEOSPreparedContains_r(context_.geos().get(), context_.shape(*a).prepared(),
                                   line.get()) != 1) {
          continue;
        }
        const AreaDepths& d = depths_[a];
        if (a->objl == catalogue::kDepare && d.drval1 && d.drval2 &&
            (shallower(*valdco, *d.drval1) || shallower(*d.drval2, *valdco))) {
          outsideDepare = true;
        }
        if (a->objl == catalogue::kDrgare && d.drval1 && shallower(*valdco, *d.drval1))
          outsideDrgare = true;
      }
      if (outsideDepare) context_.report("74", f);
      if (outsideDrgare) context_.report("75", f);
    }
  }

  // 77: contours that pass to the other side of one another, inside a
  // segment or at a vertex or node they share.
  void contoursCross();

  // 103, 1768a, 1768b, 1769: each sounding against the areas it lies in.
  // Where a depth, dredged or unsurveyed area has no geometry (its rings do
  // not close, its pointers do not resolve) no sounding is said to lie
  // outside them all: the checks of rings and pointers speak of it.
  void soundingsInTheirAreas() {
    static const uint16_t kExpsou = attributeCode("EXPSOU");
    const AreaIndex& areas = context_.group1Areas();
    const auto bathymetric = [](const FeatureRecord* a) {
      return a->objl == catalogue::kDepare || a->objl == catalogue::kDrgare ||
             a->objl == catalogue::kUnsare;
    };
    const bool allBuilt =
        std::count_if(groupOne_.begin(), groupOne_.end(), bathymetric) ==
        std::count_if(areas.features().begin(), areas.features().end(), bathymetric);
    for (const FeatureRecord* f : soundings_) {
      const std::optional<double> expsou = number(*f, kExpsou);
      const bool deeperExpected = !(expsou && *expsou == 3);
      bool outside = false, equal = false, less = false, deeper = false;
      for (const SpatialPointerEntry* p : f->spatialPointers) {
        const VectorRecord* node = context_.vector(p->rcnm, p->rcid);
        if (node == nullptr) continue;
        for (const Sounding s : node->soundings()) {
          bool within = false;
          for (const FeatureRecord* a : areas.containing(s.x, s.y)) {
            if (!bathymetric(a)) continue;
            within = true;
            const bool depare = a->objl == catalogue::kDepare;
            const bool drgare = a->objl == catalogue::kDrgare;
            const AreaDepths& d = depths_[a];
            if (d.drval1 && depare && sameDepth(s.z, *d.drval1)) equal = true;
            if (d.drval1 && (depare || drgare) && shallower(s.z, *d.drval1)) less = true;
            if (d.drval2 && depare && deeperExpected && shallower(*d.drval2, s.z)) deeper = true;
          }
          if (!within) outside = true;
        }
      }
      if (outside && allBuilt) context_.report("103", f);
      if (equal) context_.report("1768a", f);
      if (less) context_.report("1768b", f);
      if (deeper) context_.report("1769", f);
    }
  }

  Context& context_;
  std::vector<const FeatureRecord*> contours_, soundings_, groupOne_;
  std::unordered_map<const FeatureRecord*, AreaDepths> depths_;
  std::unordered_map<uint32_t, int> areaUses_;
  std::unordered_map<uint32_t, const FeatureRecord*> contourOf_;
};

// The points of a line or multi line string, part by part.
std::vector<std::vector<LinePoint>> partsOf(const Geos& geos, const GEOSGeometry* g) {
  std::vector<std::vector<LinePoint>> parts;
  const GEOSContextHandle_t h = geos.get();
  const int n = GEOSGetNumGeometries_r(h, g);
  for (int i = 0; i < n; ++i) {
    const GEOSGeometry* part = GEOSGetGeometryN_r(h, g, i);
    const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(h, part);
    unsigned size = 0;
    if (sequence == nullptr || GEOSCoordSeq_getSize_r(h, sequence, &size) == 0) continue;
    std::vector<LinePoint> points(size);
    for (unsigned k = 0; k < size; ++k)
      GEOSCoordSeq_getXY_r(h, sequence, k, &points[k].x, &points[k].y);
    parts.push_back(std::move(points));
  }
  return parts;
}

constexpr double kSamePoint = 1e-10;  // degrees: well below the coordinate unit

bool samePoint(LinePoint a, LinePoint b) {
  return std::fabs(a.x - b.x) <= kSamePoint && std::fabs(a.y - b.y) <= kSamePoint;
}

// Where a point of a line lies on it: at a vertex (with the points before
// and after it; none at the end of an open line) or inside a segment.
struct OnLine {
  bool vertex = false;
  bool end = false;  // the first or last point of an open part
  LinePoint before, after;
};

OnLine locate(const std::vector<std::vector<LinePoint>>& parts, LinePoint p) {
  OnLine best;
  double bestDistance = INFINITY;
  for (const std::vector<LinePoint>& points : parts) {
    const bool closed = points.size() > 3 && samePoint(points.front(), points.back());
    for (size_t k = 0; k < points.size(); ++k) {
      if (samePoint(points[k], p)) {
        OnLine at;
        at.vertex = true;
        const bool first = k == 0, last = k + 1 == points.size();
        if ((first || last) && !closed) {
          at.end = true;
          return at;
        }
        at.before = first ? points[points.size() - 2] : points[k - 1];
        at.after = last ? points[1] : points[k + 1];
        return at;
      }
      if (k == 0) continue;
      const LinePoint a = points[k - 1], b = points[k];
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double length = dx * dx + dy * dy;
      if (length == 0) continue;
      const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length, 0.0, 1.0);
      const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
      const double distance = ex * ex + ey * ey;
      if (distance < bestDistance) {
        bestDistance = distance;
        best = {.vertex = false, .end = false, .before = a, .after = b};
      }
    }
  }
  return best;
}

// The direction from p to q as an angle, and whether the angle of a lies
// strictly inside the anticlockwise sweep from the angle of `from` to that
// of `to`.
double angle(LinePoint p, LinePoint q) {
  return std::atan2(q.y - p.y, q.x - p.x);
}
bool inSweep(double from, double to, double a) {
  constexpr double kTurn = 2 * 3.14159265358979323846;
  const auto turn = [&](double x) { return x < 0 ? x + kTurn : x; };
  const double at = turn(a - from);
  return at > 0 && at < turn(to - from);
}

// Whether one line passes to the other side of the other at p, where they
// meet: the two ways the first line leaves p lie on both sides of the
// second, whether p is inside a segment of either or a vertex or node of
// both. A line that ends at p, or that runs along the other from p, does
// not pass.
bool passesAt(const std::vector<std::vector<LinePoint>>& a,
              const std::vector<std::vector<LinePoint>>& b, LinePoint p) {
  const OnLine onA = locate(a, p), onB = locate(b, p);
  if (onA.end || onB.end) return false;
  const double b1 = angle(p, onB.before), b2 = angle(p, onB.after);
  const double a1 = angle(p, onA.before), a2 = angle(p, onA.after);
  for (const double x : {a1, a2}) {
    if (x == b1 || x == b2) return false;
  }
  return inSweep(b1, b2, a1) != inSweep(b1, b2, a2);
}

void DepthChecks::contoursCross() {
  const Geos& geos = context_.geos();
  const GEOSContextHandle_t h = geos.get();
  std::vector<const FeatureRecord*> lines;
  for (const FeatureRecord* f : contours_) {
    if (context_.shape(*f)) lines.push_back(f);
  }
  if (lines.size() < 2) return;
  GEOSSTRtree* tree = GEOSSTRtree_create_r(h, 10);
  for (size_t i = 0; i < lines.size(); ++i) {
    GEOSSTRtree_insert_r(h, tree, const_cast<GEOSGeometry*>(context_.shape(*lines[i]).get()),
                         reinterpret_cast<void*>(i));
  }
  std::vector<bool> crossing(lines.size(), false);
  std::vector<size_t> hits;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Geometry& a = context_.shape(*lines[i]);
    hits.clear();
    GEOSSTRtree_query_r(
        h, tree, a.get(),
        [](void* item, void* data) {
          static_cast<std::vector<size_t>*>(data)->push_back(reinterpret_cast<size_t>(item));
        },
        &hits);
    std::optional<std::vector<std::vector<LinePoint>>> partsA;
    for (const size_t j : hits) {
      if (j <= i || (crossing[i] && crossing[j])) continue;
      const Geometry& b = context_.shape(*lines[j]);
      if (GEOSPreparedIntersects_r(h, a.prepared(), b.get()) != 1) continue;
      const Geometry meet(geos, GEOSIntersection_r(h, a.get(), b.get()));
      if (!meet) continue;
      if (!partsA) partsA = partsOf(geos, a.get());
      const std::vector<std::vector<LinePoint>> partsB = partsOf(geos, b.get());
      const int n = GEOSGetNumGeometries_r(h, meet.get());
      for (int k = 0; k < n; ++k) {
        const GEOSGeometry* part = GEOSGetGeometryN_r(h, meet.get(), k);
        if (GEOSGeomTypeId_r(h, part) != GEOS_POINT) continue;  // overlaps are not crossings
        LinePoint p;
        if (GEOSGeomGetX_r(h, part, &p.x) != 1 || GEOSGeomGetY_r(h, part, &p.y) != 1) continue;
        if (passesAt(*partsA, partsB, p)) {
          crossing[i] = crossing[j] = true;
          break;
        }
      }
    }
  }
  GEOSSTRtree_destroy_r(h, tree);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (crossing[i]) context_.report("77", lines[i]);
  }
}

void run(Context& context) {
  DepthChecks(context).run();
}

}  // namespace

Group depthChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
