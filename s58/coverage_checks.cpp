// The S-58 checks of coverage (M_COVR, M_NSYS), the skin of the earth, and supporting objects.
//
// Two kinds of question. Whether the areas of the skin of the earth meet edge to edge (42, 554)
// is read from the spatial pointers: each edge's uses by Group 1 areas are counted by
// orientation in one hash map. Everything else is geometric, with GEOS: each feature's shape
// comes from the context (built once per run), the candidates of a pairwise test come from an
// STRtree (AreaIndex), and a geometry tested many times (the unions of the coverage) is
// prepared. The costly questions are avoided where the edge count answers them: the union of
// the skin of the earth and the comparison of its areas are made only when its edges do not
// fit, and then only for the areas on the edges that do not. Features are located against the
// coverage by their vector records, each once.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogue.h"
#include "context.h"
#include "point_location.h"

namespace abys::s58 {
namespace {

constexpr std::string_view kChecks[] = {"42",   "54a",  "54b",  "500",  "519a", "519b",
                                        "544",  "548",  "554",  "1617", "1651", "1726",
                                        "1727", "1775", "1792", "1804"};

constexpr uint8_t kForward = 1;  // ORNT
constexpr uint8_t kReverse = 2;
constexpr uint8_t kSlave = 2;  // RIND of a master's pointer to its slave

// Areas smaller than this, in square degrees (about a square metre), are the rounding of an
// overlay, not a gap; lines shorter than kLength degrees (about a decimetre) likewise.
constexpr double kArea = 1e-10;
constexpr double kLength = 1e-6;

uint16_t classCode(std::string_view acronym) {
  return catalogue::objectClass(acronym)->code;
}

uint16_t attributeCode(std::string_view acronym) {
  return catalogue::attribute(acronym)->code;
}

// Object classes by acronym.
class Classes {
 public:
  Classes(std::initializer_list<std::string_view> acronyms) {
    for (std::string_view a : acronyms)
      codes_.push_back(classCode(a));
  }
  bool contains(uint16_t objl) const {
    return std::find(codes_.begin(), codes_.end(), objl) != codes_.end();
  }

 private:
  std::vector<uint16_t> codes_;
};

// The value of a feature's attribute as written, or none when the feature lacks it.
std::optional<std::string_view> attributeOf(const FeatureRecord& feature, uint16_t attl) {
  for (const AttributeEntry* a : feature.attributes) {
    if (a->attl == attl) return std::string_view(a->atvl, static_cast<size_t>(a->atvlLength));
  }
  return std::nullopt;
}

std::optional<int> integerOf(const FeatureRecord& feature, uint16_t attl) {
  const std::optional<std::string_view> text = attributeOf(feature, attl);
  int value = 0;
  if (!text || std::from_chars(text->data(), text->data() + text->size(), value).ec != std::errc())
    return std::nullopt;
  return value;
}

// What the checks share: the context, GEOS, the coverage by category, and the unions made of
// them.
class Coverage {
 public:
  explicit Coverage(Context& context) : context_(context), h_(context.geos().get()) {
    const uint16_t mcovr = classCode("M_COVR");
    const uint16_t catcov = attributeCode("CATCOV");
    for (const FeatureRecord* f : context.chart().features) {
      if (f->objl != mcovr || f->prim != kPrimArea) continue;
      const std::optional<int> category = integerOf(*f, catcov);
      if (category == 1) available_.push_back(f);
      if (category == 2) unavailable_.push_back(f);
    }
    availableUnion_ = unionOf(available_);
  }

  Context& context() { return context_; }
  GEOSContextHandle_t handle() const { return h_; }
  const Geometry& shape(const FeatureRecord& f) { return context_.shape(f); }

  // M_COVR areas of CATCOV 1 (coverage available) and 2 (none).
  const std::vector<const FeatureRecord*>& available() const { return available_; }
  const std::vector<const FeatureRecord*>& unavailable() const { return unavailable_; }
  const Geometry& availableUnion() const { return availableUnion_; }

  // The union of the features' areas; empty when none has one or GEOS cannot join them.
  Geometry unionOf(const std::vector<const FeatureRecord*>& features) {
    std::vector<GEOSGeometry*> parts;
    for (const FeatureRecord* f : features) {
      const Geometry& s = shape(*f);
      if (s && GEOSGetNumGeometries_r(h_, s.get()) > 0)
        parts.push_back(GEOSGeom_clone_r(h_, s.get()));
    }
    if (parts.empty()) return {};
    const Geometry all(context_.geos(),
                       GEOSGeom_createCollection_r(h_, GEOS_GEOMETRYCOLLECTION, parts.data(),
                                                   static_cast<unsigned>(parts.size())));
    GEOSGeometry* together = GEOSUnaryUnion_r(h_, all.get());
    if (together == nullptr) {
      // GEOS refuses rings that cross themselves; their valid form is joined instead.
      const Geometry valid =
          validArea(context_.geos(), Geometry(context_.geos(), GEOSGeom_clone_r(h_, all.get())));
      if (valid) together = GEOSUnaryUnion_r(h_, valid.get());
    }
    return {context_.geos(), together};
  }

  // Whether the interiors of a and b meet: a overlaps, crosses, contains or is within b.
  bool interiorsMeet(const Geometry& a, const Geometry& b) {
    if (GEOSPreparedIntersects_r(h_, a.prepared(), b.get()) != 1) return false;
    return GEOSRelatePattern_r(h_, a.get(), b.get(), "T********") == 1;
  }

  // The area of a outside b, in square degrees.
  double areaOutside(const GEOSGeometry* a, const GEOSGeometry* b) {
    GEOSGeometry* rest = GEOSDifference_r(h_, a, b);
    double area = 0;
    if (rest != nullptr) {
      GEOSArea_r(h_, rest, &area);
      GEOSGeom_destroy_r(h_, rest);
    }
    return area;
  }

 private:
  Context& context_;
  GEOSContextHandle_t h_;
  std::vector<const FeatureRecord*> available_;
  std::vector<const FeatureRecord*> unavailable_;
  Geometry availableUnion_;
};

// What the edge count found of the skin of the earth.
struct Topology {
  // Every inner edge bounds one area on each side, and every edge of the coverage's boundary
  // one area on its inner side.
  bool edgeToEdge = true;
  // By position: the areas that use an edge that does not fit.
  std::vector<bool> misfit;
  // The pairs of areas that meet along an edge, each on its side.
  std::unordered_set<uint64_t> neighbours;
  // Each area's position among the Group 1 areas of the index.
  std::unordered_map<const FeatureRecord*, uint32_t> position;

  static uint64_t pair(uint32_t a, uint32_t b) {
    return a < b ? (uint64_t{a} << 32) | b : (uint64_t{b} << 32) | a;
  }
  bool alongAnEdge(uint32_t a, uint32_t b) const { return neighbours.contains(pair(a, b)); }
};

// 42 and 554, from the spatial pointers of the Group 1 areas and of the M_COVR areas of
// coverage available. An edge inside the skin of the earth bounds an area on each side, so two
// Group 1 areas use it, one forward and one reversed (42); an edge of the coverage's boundary
// has the skin of the earth on its inner side only, so one Group 1 area uses it (554). Without
// coverage available an edge used once may be the boundary of the data, so only edges used
// more often or in the same direction twice are reported.
Topology edgeUses(Coverage& coverage) {
  Context& context = coverage.context();
  Topology topology;
  const std::span<const FeatureRecord* const> areas = context.group1Areas().features();
  for (size_t i = 0; i < areas.size(); ++i)
    topology.position.emplace(areas[i], static_cast<uint32_t>(i));
  topology.misfit.assign(areas.size(), false);
  struct Use {
    int forward = 0;
    int reverse = 0;
    int other = 0;
    std::vector<const FeatureRecord*> users;  // distinct
  };
  std::unordered_map<uint32_t, Use> uses;
  for (const FeatureRecord* f : context.chart().features) {
    if (f->prim != kPrimArea || !isGroup1(f->objl)) continue;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      if (p->rcnm != kRcnmEdge) continue;
      Use& use = uses[p->rcid];
      (p->ornt == kForward ? use.forward : p->ornt == kReverse ? use.reverse : use.other) += 1;
      if (std::find(use.users.begin(), use.users.end(), f) == use.users.end())
        use.users.push_back(f);
    }
  }
  std::unordered_map<uint32_t, int> boundary;  // edge -> M_COVR areas using it
  for (const FeatureRecord* f : coverage.available()) {
    std::vector<uint32_t> edges;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      if (p->rcnm == kRcnmEdge) edges.push_back(p->rcid);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    for (const uint32_t e : edges)
      ++boundary[e];
  }
  const bool withCoverage = !coverage.available().empty();
  for (const auto& [rcid, use] : uses) {
    const auto found = boundary.find(rcid);
    const int coverages = found == boundary.end() ? 0 : found->second;
    const int total = use.forward + use.reverse + use.other;
    const bool sides = use.forward == 1 && use.reverse == 1 && use.other == 0;
    if (sides && use.users.size() == 2) {
      const auto a = topology.position.find(use.users[0]);
      const auto b = topology.position.find(use.users[1]);
      if (a != topology.position.end() && b != topology.position.end())
        topology.neighbours.insert(Topology::pair(a->second, b->second));
    }
    const VectorRecord* edge = context.vector(kRcnmEdge, rcid);
    if ((coverages == 1 && total != 1) || (coverages != 1 && !sides)) {
      topology.edgeToEdge = false;
      for (const FeatureRecord* f : use.users) {
        const auto at = topology.position.find(f);
        if (at != topology.position.end()) topology.misfit[at->second] = true;
      }
    }
    if (coverages == 0) {
      if (sides) continue;
      if (!withCoverage && total == 1) continue;
      for (const FeatureRecord* f : use.users)
        context.report("42", f, edge);
    } else if (coverages == 1) {
      if (use.users.size() > 1) {
        for (const FeatureRecord* f : use.users)
          context.report("554", f, edge);
      }
    }
  }
  // An edge of the coverage no Group 1 area uses: the skin of the earth leaves a gap there,
  // or does not share the coverage's edges.
  for (const auto& [rcid, count] : boundary) {
    if (!uses.contains(rcid)) topology.edgeToEdge = false;
  }
  if (boundary.empty()) topology.edgeToEdge = false;
  return topology;
}

// 519a: the coverage not covered by the skin of the earth, naming each M_COVR area with a part
// uncovered. 519b: Group 1 areas whose interiors meet, each named once.
//
// When the edges fit (every inner edge has an area on each side, every edge of the coverage one
// area on its inner side), the areas tile the coverage and neither question needs geometry:
// counting the areas over a point, the count changes only across an edge, by the areas on its
// one side less those on its other; that is nothing across an inner edge and one across the
// coverage's boundary, so the count is one everywhere inside (whether or not edges cross). When
// they do not fit, the count changes only across the edges that do not, so where areas overlap
// one of them uses such an edge: each area that does is compared with the areas the index gives
// (leaving out those that meet it along an edge, one on each side), and the union of the areas
// is made.
void skinOfTheEarth(Coverage& coverage, const Topology& topology) {
  Context& context = coverage.context();
  const AreaIndex& index = context.group1Areas();
  const std::span<const FeatureRecord* const> areas = index.features();
  if (topology.edgeToEdge) return;
  std::vector<bool> overlapping(areas.size());
  for (size_t i = 0; i < areas.size(); ++i) {
    if (!topology.misfit[i]) continue;
    const Geometry& a = coverage.shape(*areas[i]);
    for (const FeatureRecord* other : index.candidates(a.get())) {
      const uint32_t j = topology.position.at(other);
      if (j == i || (topology.misfit[j] && j < i) || (overlapping[i] && overlapping[j]) ||
          topology.alongAnEdge(static_cast<uint32_t>(i), j)) {
        continue;
      }
      if (coverage.interiorsMeet(a, coverage.shape(*other))) overlapping[i] = overlapping[j] = true;
    }
  }
  bool overlaps = false;
  for (size_t i = 0; i < areas.size(); ++i) {
    if (overlapping[i]) context.report("519b", areas[i]);
    overlaps = overlaps || overlapping[i];
  }

  if (coverage.available().empty()) return;
  const std::vector<const FeatureRecord*> all(areas.begin(), areas.end());
  const Geometry skin = coverage.unionOf(all);
  for (const FeatureRecord* m : coverage.available()) {
    const Geometry& s = coverage.shape(*m);
    if (!s) continue;
    if (!skin || coverage.areaOutside(s.get(), skin.get()) > kArea) context.report("519a", m);
  }
}

// 548: the M_COVR areas together cover the cell's extent and do not overlap one another. The
// extent is the box of all the cell's coordinates (kept by the load, updates applied): the
// cell itself records no other, and the defects this check is made for are data beyond the
// M_COVR areas and a corner of the box left out of both kinds of them. Named: every M_COVR area
// when the extent is not covered, the overlapping ones otherwise; a cell has a handful of
// M_COVR areas, so they are compared pair by pair. Returns whether any two overlap.
bool cellCovered(Coverage& coverage) {
  Context& context = coverage.context();
  const Dataset& chart = context.chart();
  std::vector<const FeatureRecord*> all = coverage.available();
  all.insert(all.end(), coverage.unavailable().begin(), coverage.unavailable().end());
  if (all.empty() || chart.extentsEmpty == 1) return false;
  const GEOSContextHandle_t h = coverage.handle();
  const Geometry box(context.geos(),
                     GEOSGeom_createRectangle_r(h, chart.minX, chart.minY, chart.maxX, chart.maxY));
  std::vector<bool> overlapping(all.size());
  bool overlaps = false;
  for (size_t i = 0; i < all.size(); ++i) {
    for (size_t j = i + 1; j < all.size(); ++j) {
      const Geometry& a = coverage.shape(*all[i]);
      const Geometry& b = coverage.shape(*all[j]);
      if (!a || !b || !coverage.interiorsMeet(a, b)) continue;
      GEOSGeometry* common = GEOSIntersection_r(h, a.get(), b.get());
      double area = 0;
      if (common != nullptr) {
        GEOSArea_r(h, common, &area);
        GEOSGeom_destroy_r(h, common);
      }
      if (area > kArea) overlapping[i] = overlapping[j] = overlaps = true;
    }
  }
  const Geometry covr = coverage.unionOf(all);
  const bool extentCovered = !covr || !box || coverage.areaOutside(box.get(), covr.get()) <= kArea;
  for (size_t i = 0; i < all.size(); ++i) {
    if (overlapping[i] || !extentCovered) context.report("548", all[i]);
  }
  return overlaps;
}

// The cells of a grid over a set of line strings that their segments' boxes meet, with the
// counts summed from the south-west corner, so that whether a box may meet a segment is four
// look-ups. The answer "no" is exact; "yes" may be wrong, which costs its caller time only.
class SegmentGrid {
 public:
  SegmentGrid(GEOSContextHandle_t h, const GEOSGeometry* lines) {
    double box[4] = {0, 0, 0, 0};
    if (lines == nullptr || GEOSisEmpty_r(h, lines) == 1 ||
        GEOSGeom_getExtent_r(h, lines, &box[0], &box[1], &box[2], &box[3]) != 1) {
      return;
    }
    x0_ = box[0];
    y0_ = box[1];
    cellX_ = std::max(box[2] - box[0], 1e-9) / kSide;
    cellY_ = std::max(box[3] - box[1], 1e-9) / kSide;
    sums_.assign((kSide + 1) * (kSide + 1), 0);
    eachLine(h, lines, [&](std::span<const LinePoint> points) {
      for (size_t i = 1; i < points.size(); ++i) {
        const int ix1 = column(std::max(points[i - 1].x, points[i].x));
        const int iy1 = row(std::max(points[i - 1].y, points[i].y));
        for (int iy = row(std::min(points[i - 1].y, points[i].y)); iy <= iy1; ++iy) {
          for (int ix = column(std::min(points[i - 1].x, points[i].x)); ix <= ix1; ++ix)
            at(ix + 1, iy + 1) = 1;
        }
      }
    });
    for (int iy = 1; iy <= kSide; ++iy) {
      for (int ix = 1; ix <= kSide; ++ix)
        at(ix, iy) += at(ix - 1, iy) + at(ix, iy - 1) - at(ix - 1, iy - 1);
    }
    empty_ = false;
  }

  bool mayMeet(double minX, double minY, double maxX, double maxY) const {
    if (empty_ || maxX < x0_ || maxY < y0_ || minX > x0_ + kSide * cellX_ ||
        minY > y0_ + kSide * cellY_) {
      return false;
    }
    const int ix0 = column(minX);
    const int iy0 = row(minY);
    const int ix1 = column(maxX);
    const int iy1 = row(maxY);
    return at(ix1 + 1, iy1 + 1) - at(ix0, iy1 + 1) - at(ix1 + 1, iy0) + at(ix0, iy0) > 0;
  }

 private:
  static constexpr int kSide = 256;

  template <typename Visit>
  static void eachLine(GEOSContextHandle_t h, const GEOSGeometry* g, Visit&& visit) {
    const int type = GEOSGeomTypeId_r(h, g);
    if (type == GEOS_LINESTRING || type == GEOS_LINEARRING) {
      const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(h, g);
      unsigned size = 0;
      if (sequence == nullptr || GEOSCoordSeq_getSize_r(h, sequence, &size) != 1) return;
      std::vector<LinePoint> points(size);
      GEOSCoordSeq_copyToBuffer_r(h, sequence, reinterpret_cast<double*>(points.data()), 0, 0);
      visit(std::span<const LinePoint>(points));
      return;
    }
    for (int i = 0; i < GEOSGetNumGeometries_r(h, g); ++i) {
      const GEOSGeometry* part = GEOSGetGeometryN_r(h, g, i);
      if (part != g) eachLine(h, part, visit);
    }
  }

  int column(double x) const {
    return std::clamp(static_cast<int>(std::floor((x - x0_) / cellX_)), 0, kSide - 1);
  }
  int row(double y) const {
    return std::clamp(static_cast<int>(std::floor((y - y0_) / cellY_)), 0, kSide - 1);
  }
  int& at(int ix, int iy) { return sums_[static_cast<size_t>(iy) * (kSide + 1) + ix]; }
  int at(int ix, int iy) const { return sums_[static_cast<size_t>(iy) * (kSide + 1) + ix]; }

  bool empty_ = true;
  double x0_ = 0;
  double y0_ = 0;
  double cellX_ = 1;
  double cellY_ = 1;
  std::vector<int> sums_;
};

// Whether features reach outside an area: a coordinate of one of their vector records farther
// outside than kLength, or a hole of the area inside an area feature. Each vector record is
// located once, an edge with its end nodes' coordinates: an edge whose box meets no boundary of
// the area lies on the side of its begin node; the others are taken in runs of kRun segments,
// and only the coordinates of runs whose box meets the boundary are located one by one. (A
// segment between two coordinates inside that leaves the area and comes back is not seen; a
// chart's edges are dense enough along a coverage's boundary for that not to happen.) The
// covers predicate is not used: for a shape along the coverage's boundary GEOS falls back to a
// complete relate, hundreds of milliseconds on a large cell.
class Outside {
 public:
  Outside(Context& context, const Geometry& area)
      : context_(context),
        geos_(context.geos()),
        h_(geos_.get()),
        area_(area),
        boundary_(geos_, GEOSBoundary_r(h_, area.get())),
        grid_(h_, boundary_.get()) {
    anyHole(area.get());
  }

  bool reaches(const FeatureRecord& feature) {
    for (const SpatialPointerEntry* p : feature.spatialPointers) {
      const VectorRecord* v = context_.vector(p->rcnm, p->rcid);
      if (v != nullptr && vectorOutside(*v)) return true;
    }
    if (feature.prim != kPrimArea || holes_.empty()) return false;
    const Geometry& shape = context_.shape(feature);
    double box[4] = {0, 0, 0, 0};
    if (!shape || GEOSGeom_getExtent_r(h_, shape.get(), &box[0], &box[1], &box[2], &box[3]) != 1)
      return false;
    for (const LinePoint& hole : holes_) {
      if (hole.x >= box[0] && hole.x <= box[2] && hole.y >= box[1] && hole.y <= box[3]) {
        const Geometry point = makePoint(geos_, hole.x, hole.y);
        if (GEOSPreparedContainsProperly_r(h_, shape.prepared(), point.get()) == 1) return true;
      }
    }
    return false;
  }

 private:
  static constexpr size_t kRun = 32;

  bool vectorOutside(const VectorRecord& v) {
    const uintptr_t key = reinterpret_cast<uintptr_t>(&v);
    if (const bool* known = known_.find(key)) return *known;
    // An edge runs from its beginning node through its coordinates to its end node; a node
    // has its coordinates and soundings.
    const VectorRecord* begin = nullptr;
    const VectorRecord* end = nullptr;
    if (v.rcnm == kRcnmEdge) {
      for (const VectorPointerEntry* p : v.pointers) {
        if (p->topi == 1 && begin == nullptr) begin = context_.vector(p->rcnm, p->rcid);
        if (p->topi == 2 && end == nullptr) end = context_.vector(p->rcnm, p->rcid);
      }
      if (begin != nullptr && begin->coordinates.empty()) begin = nullptr;
      if (end != nullptr && end->coordinates.empty()) end = nullptr;
    }
    const auto eachPoint = [&](auto&& visit) {
      if (begin != nullptr) visit(LinePoint{begin->coordinates[0].x, begin->coordinates[0].y});
      for (const Coordinate c : v.coordinates)
        visit(LinePoint{c.x, c.y});
      if (end != nullptr) visit(LinePoint{end->coordinates[0].x, end->coordinates[0].y});
      if (v.rcnm != kRcnmEdge) {
        for (const Sounding c : v.soundings())
          visit(LinePoint{c.x, c.y});
      }
    };
    size_t count = 0;
    Box box = Box::none();
    LinePoint first{0, 0};
    eachPoint([&](LinePoint p) {
      if (count++ == 0) first = p;
      box.add(p);
    });
    bool outside = false;
    if (count == 1) {
      outside = pointOutside(first);
    } else if (count > 1) {
      if (begin != nullptr && !meetsBoundary(box)) {
        outside = vectorOutside(*begin);
      } else {
        // Only near the boundary are the points taken one run at a time.
        std::vector<LinePoint> points;
        points.reserve(count);
        eachPoint([&](LinePoint p) { points.push_back(p); });
        outside = runOutside(points);
      }
    }
    known_.insert(key, outside);
    return outside;
  }

  // Whether the box may meet the area's boundary: the grid first, GEOS for a yes.
  bool meetsBoundary(const Box& box) {
    if (!grid_.mayMeet(box.west, box.south, box.east, box.north)) return false;
    const Geometry envelope(
        geos_, GEOSGeom_createRectangle_r(h_, box.west, box.south, box.east, box.north));
    return boundary_ && GEOSPreparedIntersects_r(h_, boundary_.prepared(), envelope.get()) == 1;
  }
  bool meetsBoundary(std::span<const LinePoint> points) {
    Box box = Box::none();
    for (const LinePoint& p : points)
      box.add(p);
    return meetsBoundary(box);
  }

  // A box that meets no boundary of the area is on one side of it, so a run whose box does not
  // is on the side of its first point, the last of the run before; this holds for soundings as
  // for the points of a line.
  bool runOutside(std::span<const LinePoint> points) {
    bool sideKnown = false;  // and inside
    for (size_t first = 0; first < points.size(); first += kRun) {
      const std::span<const LinePoint> run =
          points.subspan(first, std::min(kRun + 1, points.size() - first));
      if (!meetsBoundary(run)) {
        if (!sideKnown && pointOutside(run[0])) return true;
      } else {
        for (const LinePoint& p : run) {
          if (pointOutside(p)) return true;
        }
      }
      sideKnown = true;
    }
    return false;
  }

  bool pointOutside(LinePoint p) {
    const Geometry point = makePoint(geos_, p.x, p.y);
    if (GEOSPreparedCovers_r(h_, area_.prepared(), point.get()) == 1) return false;
    double distance = 0;
    return GEOSPreparedDistance_r(h_, area_.prepared(), point.get(), &distance) != 1 ||
           distance > kLength;
  }

  // A point inside each hole of the area's polygons.
  void anyHole(const GEOSGeometry* g) {
    if (GEOSGeomTypeId_r(h_, g) != GEOS_POLYGON) {
      for (int i = 0; i < GEOSGetNumGeometries_r(h_, g); ++i)
        anyHole(GEOSGetGeometryN_r(h_, g, i));
      return;
    }
    for (int i = 0; i < GEOSGetNumInteriorRings_r(h_, g); ++i) {
      GEOSGeometry* ring = GEOSGeom_clone_r(h_, GEOSGetInteriorRingN_r(h_, g, i));
      const Geometry hole(geos_, GEOSGeom_createPolygon_r(h_, ring, nullptr, 0));
      const Geometry inside(geos_, GEOSPointOnSurface_r(h_, hole.get()));
      LinePoint at{0, 0};
      if (inside && GEOSGeomGetX_r(h_, inside.get(), &at.x) == 1 &&
          GEOSGeomGetY_r(h_, inside.get(), &at.y) == 1) {
        holes_.push_back(at);
      }
    }
  }

  Context& context_;
  const Geos& geos_;
  GEOSContextHandle_t h_;
  const Geometry& area_;
  Geometry boundary_;
  SegmentGrid grid_;
  std::vector<LinePoint> holes_;
  FlatMap<bool> known_{1024};  // by the record's address
};

bool isEmpty(Coverage& coverage, const Geometry& shape) {
  return !shape || GEOSisEmpty_r(coverage.handle(), shape.get()) == 1;
}

// 500: features reaching outside the coverage available. 544: features whose interior meets an
// area of no coverage. A feature inside the coverage available can only meet an area of no
// coverage on its boundary unless the two kinds of M_COVR overlap, so the relate runs for the
// others alone. M_COVR areas themselves are left out; a cell without coverage available is
// reported by the check of missing mandatory objects, not here feature by feature.
void featuresInCoverage(Coverage& coverage, bool coveragesOverlap) {
  Context& context = coverage.context();
  const uint16_t mcovr = classCode("M_COVR");
  const Geometry& available = coverage.availableUnion();
  std::optional<Outside> outside;
  if (available) outside.emplace(context, available);
  std::optional<AreaIndex> none;
  if (!coverage.unavailable().empty()) none.emplace(context, coverage.unavailable());
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl == mcovr) continue;
    // A point or line feature has a shape when one of its records has a coordinate; its GEOS
    // shape (a million soundings) is built only for the relate below.
    if (f->prim == kPrimArea ? isEmpty(coverage, coverage.shape(*f))
                             : !context.positionOf(*f).has_value()) {
      continue;
    }
    bool covered = true;
    if (outside) {
      covered = !outside->reaches(*f);
      if (!covered) context.report("500", f);
    }
    if (!none || (covered && outside && !coveragesOverlap)) continue;
    const Geometry& s = coverage.shape(*f);
    if (isEmpty(coverage, s)) continue;
    for (const FeatureRecord* m : none->candidates(s.get())) {
      if (coverage.interiorsMeet(coverage.shape(*m), s)) {
        context.report("544", f);
        break;
      }
    }
  }
}

// Whether support, one of the candidates, or the union of the candidates' areas covers shape.
bool supported(Coverage& coverage, const Geometry& shape,
               const std::vector<const FeatureRecord*>& candidates) {
  const GEOSContextHandle_t h = coverage.handle();
  std::vector<const FeatureRecord*> areas;
  for (const FeatureRecord* c : candidates) {
    const Geometry& s = coverage.shape(*c);
    if (GEOSPreparedCovers_r(h, s.prepared(), shape.get()) == 1) return true;
    if (c->prim == kPrimArea) areas.push_back(c);
  }
  if (areas.size() < 2) return false;
  const Geometry together = coverage.unionOf(areas);
  return together && GEOSCovers_r(h, together.get(), shape.get()) == 1;
}

std::vector<const FeatureRecord*> ofClasses(const Context& context, const Classes& classes,
                                            bool (*also)(const FeatureRecord&) = nullptr) {
  std::vector<const FeatureRecord*> found;
  for (const FeatureRecord* f : context.chart().features) {
    if (classes.contains(f->objl) && (also == nullptr || also(*f))) found.push_back(f);
  }
  return found;
}

// The features that are slaves of a master, by FOID, with the class of their first master.
std::unordered_map<uint64_t, uint16_t> mastersOfSlaves(const Context& context) {
  std::unordered_map<uint64_t, uint16_t> masters;
  for (const FeatureRecord* f : context.chart().features) {
    for (const FeaturePointerEntry* p : f->featurePointers()) {
      if (p->rind == kSlave) masters.emplace(foidKey(p->agen, p->fidn, p->fids), f->objl);
    }
  }
  return masters;
}

// 54a, 54b: landmarks, silos and forts, and daymarks that are no slave, standing on nothing
// that could carry them.
void supportingObjects(Coverage& coverage, const std::unordered_map<uint64_t, uint16_t>& masters) {
  Context& context = coverage.context();
  const Classes carriers = {"BRIDGE", "COALNE", "DAMCON", "FLODOC", "LNDARE", "OFSPLF",
                            "PILPNT", "PONTON", "PYLONS", "SLCONS", "UWTROC"};
  const Classes standing = {"FORSTC", "LNDMRK", "SILTNK"};
  const uint16_t daymark = classCode("DAYMAR");
  std::optional<AreaIndex> index;
  for (const FeatureRecord* f : context.chart().features) {
    const bool isDaymark = f->objl == daymark;
    if (!standing.contains(f->objl) && !isDaymark) continue;
    if (isDaymark && masters.contains(foidKey(f->agen, f->fidn, f->fids))) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s) continue;
    if (!index) index.emplace(context, ofClasses(context, carriers));
    if (!supported(coverage, s, index->candidates(s.get())))
      context.report(isDaymark ? "54b" : "54a", f);
  }
}

// 1775: equipment in the water (on a depth, dredged or unsurveyed area) with no structure as
// its master and nothing under it that could carry it.
void equipmentOnStructures(Coverage& coverage,
                           const std::unordered_map<uint64_t, uint16_t>& masters) {
  Context& context = coverage.context();
  const Classes equipment = {"DAYMAR", "FOGSIG", "LIGHTS", "RADRFL", "RADSTA", "RDOSTA",
                             "RETRFL", "RTPBCN", "SISTAT", "SISTAW", "TOPMAR"};
  const Classes water = {"DEPARE", "DRGARE", "UNSARE"};
  const Classes carriers = {"BRIDGE", "CBLOHD", "COALNE", "CONVYR", "DAMCON",
                            "LNDARE", "PIPOHD", "PONTON", "SLCONS"};
  const GEOSContextHandle_t h = coverage.handle();
  std::optional<AreaIndex> index;
  for (const FeatureRecord* f : context.chart().features) {
    if (!equipment.contains(f->objl)) continue;
    const auto master = masters.find(foidKey(f->agen, f->fidn, f->fids));
    if (master != masters.end() && !equipment.contains(master->second)) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s) continue;
    const std::vector<const FeatureRecord*> under = context.group1Areas().candidates(s.get());
    const bool inWater = std::any_of(under.begin(), under.end(), [&](const FeatureRecord* a) {
      return water.contains(a->objl) &&
             GEOSPreparedCovers_r(h, coverage.shape(*a).prepared(), s.get()) == 1;
    });
    if (!inWater) continue;
    if (!index) {
      static const uint16_t damcon = classCode("DAMCON");
      static const uint16_t catdam = attributeCode("CATDAM");
      index.emplace(context, ofClasses(context, carriers, [](const FeatureRecord& c) {
                      return c.objl != damcon || integerOf(c, catdam) == 3;  // flood barrage
                    }));
    }
    if (!supported(coverage, s, index->candidates(s.get()))) context.report("1775", f);
  }
}

// 1617: dams off the land. 1651: swept areas meeting land-like Group 1 areas.
void onLand(Coverage& coverage) {
  Context& context = coverage.context();
  const uint16_t damcon = classCode("DAMCON");
  const uint16_t swpare = classCode("SWPARE");
  const uint16_t lndare = classCode("LNDARE");
  const Classes landLike = {"LNDARE", "UNSARE", "FLODOC", "HULKES", "PONTON"};
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl != damcon && f->objl != swpare) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s) continue;
    std::vector<const FeatureRecord*> under = context.group1Areas().candidates(s.get());
    if (f->objl == damcon) {
      std::erase_if(under, [&](const FeatureRecord* a) { return a->objl != lndare; });
      if (!supported(coverage, s, under)) context.report("1617", f);
      continue;
    }
    const bool meets = std::any_of(under.begin(), under.end(), [&](const FeatureRecord* a) {
      return f->prim == kPrimArea && landLike.contains(a->objl) &&
             coverage.interiorsMeet(coverage.shape(*a), s);
    });
    if (meets) context.report("1651", f);
  }
}

// 1726: the coverage available not covered by M_NSYS areas with MARSYS; named are the M_NSYS
// areas that touch the part uncovered, or the M_COVR areas when none does. A cell without any
// M_NSYS lacks a mandatory object, which the check of those reports instead. 1727: M_NSYS areas
// with MARSYS whose interiors meet.
void navigationalSystems(Coverage& coverage) {
  Context& context = coverage.context();
  const uint16_t mnsys = classCode("M_NSYS");
  const uint16_t marsys = attributeCode("MARSYS");
  std::vector<const FeatureRecord*> systems;
  bool anySystem = false;
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl != mnsys || f->prim != kPrimArea) continue;
    anySystem = true;
    const std::optional<std::string_view> value = attributeOf(*f, marsys);
    if (value && !value->empty() && coverage.shape(*f)) systems.push_back(f);
  }
  const AreaIndex index(context, systems);
  std::vector<bool> overlapping(systems.size());
  for (size_t i = 0; i < systems.size(); ++i) {
    const Geometry& a = coverage.shape(*systems[i]);
    for (const FeatureRecord* other : index.candidates(a.get())) {
      const size_t j =
          static_cast<size_t>(std::find(systems.begin(), systems.end(), other) - systems.begin());
      if (j > i && coverage.interiorsMeet(a, coverage.shape(*other)))
        overlapping[i] = overlapping[j] = true;
    }
  }
  for (size_t i = 0; i < systems.size(); ++i) {
    if (overlapping[i]) context.report("1727", systems[i]);
  }

  const Geometry& available = coverage.availableUnion();
  if (!available || !anySystem) return;
  const GEOSContextHandle_t h = coverage.handle();
  const Geometry together = coverage.unionOf(systems);
  Geometry rest(context.geos(), together ? GEOSDifference_r(h, available.get(), together.get())
                                         : GEOSGeom_clone_r(h, available.get()));
  double area = 0;
  if (!rest || GEOSArea_r(h, rest.get(), &area) != 1 || area <= kArea) return;
  bool named = false;
  for (const FeatureRecord* f : systems) {
    if (GEOSIntersects_r(h, coverage.shape(*f).get(), rest.get()) == 1) {
      context.report("1726", f);
      named = true;
    }
  }
  if (!named) {
    for (const FeatureRecord* m : coverage.available())
      context.report("1726", m);
  }
}

// 1804: an obstruction, rock or wreck point on the boundary of a depth, dredged or unsurveyed
// area: on it, or within a coordinate unit and a half of it, so that a point rounded to the
// coordinate grid off an edge's segment (by up to 0.71 units) still counts. Within that means
// that of the point and the corners of a box of that half side around it, not all are strictly
// inside the area and not all outside; five point locations, where a box tested as a polygon
// would have GEOS index every segment of the area.
void pointsOnGroup1Edges(Coverage& coverage) {
  Context& context = coverage.context();
  const Classes dangers = {"OBSTRN", "UWTROC", "WRECKS"};
  const Classes water = {"DEPARE", "DRGARE", "UNSARE"};
  const uint32_t comf = context.chart().dspm.comf;
  const double unit = 1.5 / (comf > 0 ? comf : 1e7);
  const GEOSContextHandle_t h = coverage.handle();
  for (const FeatureRecord* f : context.chart().features) {
    if (f->prim != kPrimPoint || !dangers.contains(f->objl)) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s || GEOSGeomTypeId_r(h, s.get()) != GEOS_POINT) continue;
    double x = 0;
    double y = 0;
    GEOSGeomGetX_r(h, s.get(), &x);
    GEOSGeomGetY_r(h, s.get(), &y);
    const Geometry box(context.geos(),
                       GEOSGeom_createRectangle_r(h, x - unit, y - unit, x + unit, y + unit));
    const Geometry around[] = {makePoint(context.geos(), x, y),
                               makePoint(context.geos(), x - unit, y - unit),
                               makePoint(context.geos(), x - unit, y + unit),
                               makePoint(context.geos(), x + unit, y - unit),
                               makePoint(context.geos(), x + unit, y + unit)};
    for (const FeatureRecord* a : context.group1Areas().candidates(box.get())) {
      if (!water.contains(a->objl)) continue;
      const GEOSPreparedGeometry* area = coverage.shape(*a).prepared();
      int inside = 0;
      for (const Geometry& p : around)
        inside += GEOSPreparedContainsProperly_r(h, area, p.get()) == 1 ? 1 : 0;
      const bool onBoundary =
          inside == 0 ? GEOSPreparedIntersects_r(h, area, around[0].get()) == 1 : inside < 5;
      if (onBoundary) {
        context.report("1804", f);
        break;
      }
    }
  }
}

// 1792: a cell over the 180th meridian: a longitude past it, or a segment of an edge that
// goes the short way round, over more than half the globe in longitude.
void antimeridian(Context& context) {
  const Dataset& chart = context.chart();
  // Without a DSPM (an update file read alone) the coordinates are the
  // file's integers, unscaled: no longitudes to judge.
  if (chart.dspm.rcnm == 0) return;
  if (chart.extentsEmpty == 0 && (chart.minX < -180 || chart.maxX > 180)) {
    context.report("1792");
    return;
  }
  // No segment is longer than the cell's extent.
  if (chart.extentsEmpty == 1 || chart.maxX - chart.minX <= 180) return;
  for (const VectorRecord* edge : chart.edges) {
    const VectorRecord* ends[2] = {nullptr, nullptr};
    for (const VectorPointerEntry* p : edge->pointers) {
      if ((p->topi == 1 || p->topi == 2) && ends[p->topi - 1] == nullptr)
        ends[p->topi - 1] = context.vector(p->rcnm, p->rcid);
    }
    std::vector<double> xs;
    if (ends[0] != nullptr && !ends[0]->coordinates.empty())
      xs.push_back(ends[0]->coordinates[0].x);
    for (const Coordinate c : edge->coordinates)
      xs.push_back(c.x);
    if (ends[1] != nullptr && !ends[1]->coordinates.empty())
      xs.push_back(ends[1]->coordinates[0].x);
    for (size_t i = 1; i < xs.size(); ++i) {
      if (std::abs(xs[i] - xs[i - 1]) > 180) {
        context.report("1792");
        return;
      }
    }
  }
}

void run(Context& context) {
  antimeridian(context);
  Coverage coverage(context);
  const Topology topology = edgeUses(coverage);
  skinOfTheEarth(coverage, topology);
  const bool coveragesOverlap = cellCovered(coverage);
  featuresInCoverage(coverage, coveragesOverlap);
  const std::unordered_map<uint64_t, uint16_t> masters = mastersOfSlaves(context);
  supportingObjects(coverage, masters);
  equipmentOnStructures(coverage, masters);
  onLand(coverage);
  navigationalSystems(coverage);
  pointsOnGroup1Edges(coverage);
}

}  // namespace

Group coverageChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
