// The S-58 checks of depth contours, depth areas and soundings.
//
// Where a contour lies is asked of the indexed skin-of-the-earth areas
// (prepared geometries, strictly inside); which areas use an edge is counted
// from the spatial pointers in one hash map. The soundings and the contours'
// crossings are not asked of GEOS point by point or pair by pair: on a cell
// of a million soundings or vertices those calls were nearly all of the
// group's time. The soundings are located in all areas at once
// (point_location.h), and crossings are looked for among the segments of
// the contours in a grid, both with the exact orientation test, so that
// the answers on edges and at vertices are those GEOS gives.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "buckets.h"
#include "catalogue.h"
#include "catalogue_codes.h"
#include "context.h"
#include "feature_line.h"
#include "point_location.h"

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
  void soundingsInTheirAreas();

  Context& context_;
  std::vector<const FeatureRecord*> contours_, soundings_, groupOne_;
  std::unordered_map<const FeatureRecord*, AreaDepths> depths_;
  std::unordered_map<uint32_t, int> areaUses_;
  std::unordered_map<uint32_t, const FeatureRecord*> contourOf_;
};

// Appends the points of a line string or linear ring to points.
void appendPoints(const Geos& geos, const GEOSGeometry* line, std::vector<LinePoint>& points) {
  const GEOSContextHandle_t h = geos.get();
  const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(h, line);
  unsigned size = 0;
  if (sequence == nullptr || GEOSCoordSeq_getSize_r(h, sequence, &size) == 0 || size == 0) return;
  const size_t first = points.size();
  points.resize(first + size);
  static_assert(sizeof(LinePoint) == 2 * sizeof(double));
  if (GEOSCoordSeq_copyToBuffer_r(h, sequence, reinterpret_cast<double*>(points.data() + first), 0,
                                  0) == 0) {
    points.resize(first);
  }
}

// The rings of a polygon or multipolygon, each polygon's exterior ring
// followed by its holes.
Rings ringsOf(const Geos& geos, const GEOSGeometry* area) {
  const GEOSContextHandle_t h = geos.get();
  Rings rings;
  const int n = GEOSGetNumGeometries_r(h, area);
  for (int i = 0; i < n; ++i) {
    const GEOSGeometry* polygon = GEOSGetGeometryN_r(h, area, i);
    appendPoints(geos, GEOSGetExteriorRing_r(h, polygon), rings.emplace_back());
    const int holes = GEOSGetNumInteriorRings_r(h, polygon);
    for (int k = 0; k < holes; ++k)
      appendPoints(geos, GEOSGetInteriorRingN_r(h, polygon, k), rings.emplace_back());
  }
  return rings;
}

void DepthChecks::soundingsInTheirAreas() {
  static const uint16_t kExpsou = attributeCode("EXPSOU");
  const AreaIndex& areas = context_.group1Areas();
  const auto bathymetric = [](const FeatureRecord* a) {
    return a->objl == catalogue::kDepare || a->objl == catalogue::kDrgare ||
           a->objl == catalogue::kUnsare;
  };
  const bool allBuilt =
      std::count_if(groupOne_.begin(), groupOne_.end(), bathymetric) ==
      std::count_if(areas.features().begin(), areas.features().end(), bathymetric);

  // Every sounding of every SOUNDG, with the feature it belongs to.
  std::vector<const VectorRecord*> nodes;
  size_t count = 0;
  for (const FeatureRecord* f : soundings_) {
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      const VectorRecord* node = context_.vector(p->rcnm, p->rcid);
      nodes.push_back(node);
      if (node != nullptr) count += static_cast<size_t>(node->soundings().count);
    }
  }
  // Each sounding's depth, feature and whether an area holds it side by
  // side, one memory access for each area found to hold it.
  struct Sample {
    double depth;
    uint32_t owner;
    bool within;
  };
  std::vector<LinePoint> points;
  std::vector<Sample> samples;
  points.reserve(count);
  samples.reserve(count);
  size_t next = 0;
  for (size_t i = 0; i < soundings_.size(); ++i) {
    for (int32_t k = 0; k < soundings_[i]->spatialPointers.count; ++k) {
      const VectorRecord* node = nodes[next++];
      if (node == nullptr) continue;
      for (const Sounding s : node->soundings()) {
        points.push_back({s.x, s.y});
        samples.push_back({s.z, static_cast<uint32_t>(i), false});
      }
    }
  }
  if (points.empty()) return;
  std::vector<bool> deeperExpected(soundings_.size());
  for (size_t i = 0; i < soundings_.size(); ++i) {
    const std::optional<double> expsou = number(*soundings_[i], kExpsou);
    deeperExpected[i] = !(expsou && *expsou == 3);
  }
  // The bathymetric areas whose envelope may hold a sounding, located over
  // all soundings at once, in a grid of at least a cell an area vertex (up
  // to a few million cells).
  const GEOSContextHandle_t h = context_.geos().get();
  size_t vertices = 0;
  for (const FeatureRecord* a : areas.features()) {
    if (bathymetric(a))
      vertices += std::max(0, GEOSGetNumCoordinates_r(h, context_.shape(*a).get()));
  }
  constexpr size_t kMostCells = 4'000'000;
  const PointGrid grid(points, std::min(vertices, kMostCells));
  std::vector<const FeatureRecord*> bathymetry;
  std::vector<Rings> rings;
  for (const FeatureRecord* a : areas.features()) {
    if (!bathymetric(a)) continue;
    const GEOSGeometry* shape = context_.shape(*a).get();
    double west = 0, south = 0, east = 0, north = 0;
    if (GEOSGeom_getXMin_r(h, shape, &west) == 1 && GEOSGeom_getYMin_r(h, shape, &south) == 1 &&
        GEOSGeom_getXMax_r(h, shape, &east) == 1 && GEOSGeom_getYMax_r(h, shape, &north) == 1 &&
        !grid.anyWithin(west, south, east, north)) {
      continue;
    }
    bathymetry.push_back(a);
    rings.push_back(ringsOf(context_.geos(), shape));
  }
  enum : uint8_t { kOutside = 1, kEqual = 2, kLess = 4, kDeeper = 8 };
  std::vector<uint8_t> found(soundings_.size(), 0);
  // Per sounding feature and check (the order of the flags above), the
  // first of its points that gives the finding: where the finding is placed.
  constexpr uint32_t kNone = UINT32_MAX;
  std::vector<std::array<uint32_t, 4>> firstPoint(soundings_.size(), {kNone, kNone, kNone, kNone});
  const auto mark = [&](uint32_t point, uint32_t owner, int flag) {
    found[owner] |= static_cast<uint8_t>(1 << flag);
    uint32_t& first = firstPoint[owner][static_cast<size_t>(flag)];
    first = std::min(first, point);
  };
  // What a sounding inside each area is compared with.
  struct Range {
    bool depare, drgare;
    AreaDepths depths;
  };
  std::vector<Range> ranges;
  for (const FeatureRecord* a : bathymetry) {
    ranges.push_back({a->objl == catalogue::kDepare, a->objl == catalogue::kDrgare, depths_[a]});
  }
  pointsInAreas(grid, rings, [&](uint32_t i, uint32_t area) {
    const Range& r = ranges[area];
    const AreaDepths& d = r.depths;
    Sample& sample = samples[i];
    sample.within = true;
    const double z = sample.depth;
    const uint32_t owner = sample.owner;
    if (d.drval1 && r.depare && sameDepth(z, *d.drval1)) mark(i, owner, 1);
    if (d.drval1 && (r.depare || r.drgare) && shallower(z, *d.drval1)) mark(i, owner, 2);
    if (d.drval2 && r.depare && deeperExpected[owner] && shallower(*d.drval2, z)) mark(i, owner, 3);
  });
  for (uint32_t i = 0; i < samples.size(); ++i) {
    if (!samples[i].within) mark(i, samples[i].owner, 0);
  }
  const auto place = [&](size_t owner, int flag) {
    const LinePoint& p = points[firstPoint[owner][static_cast<size_t>(flag)]];
    return FindingPosition{p.x, p.y};
  };
  for (size_t i = 0; i < soundings_.size(); ++i) {
    const FeatureRecord* f = soundings_[i];
    if ((found[i] & kOutside) && allBuilt) context_.reportAt("103", f, place(i, 0));
    if (found[i] & kEqual) context_.reportAt("1768a", f, place(i, 1));
    if (found[i] & kLess) context_.reportAt("1768b", f, place(i, 2));
    if (found[i] & kDeeper) context_.reportAt("1769", f, place(i, 3));
  }
}

// Which contours pass to the other side of another: every segment of every
// contour in a grid, the pairs of segments of two contours that share a
// cell tested with exact orientations. Segments that cross inside both
// are a crossing; where one touches the other (a vertex on a segment, a
// shared vertex or node) the ways each line leaves the point decide.
class Crossings {
 public:
  // A part of a line: count points from first in the points given.
  struct Part {
    uint32_t first, count, line;
    bool closed;
  };
  // The points of all lines, part after part, lines in order.
  Crossings(std::vector<LinePoint> points, std::vector<Part> parts, uint32_t lines);
  // Whether each line passes to the other side of another.
  std::vector<bool> find();

 private:
  // Where a line is at a point it meets another: the ways it leaves the
  // point (the previous and next distinct points), or an open end.
  struct Around {
    bool end = false;
    LinePoint before, after;
  };
  void test(uint32_t s, uint32_t t);
  bool passes(uint32_t s, uint32_t t, LinePoint p);
  Around around(uint32_t segment, LinePoint p);
  std::optional<uint32_t> firstVertex(uint32_t line, LinePoint p);
  uint32_t lineOf(uint32_t segment) const { return parts_[segmentPart_[segment]].line; }
  LinePoint start(uint32_t segment) const { return points_[segments_[segment]]; }
  LinePoint end(uint32_t segment) const { return points_[segments_[segment] + 1]; }

  struct PointKey {
    double x, y;
    bool operator==(const PointKey& o) const { return x == o.x && y == o.y; }
  };
  struct PointHash {
    size_t operator()(const PointKey& k) const {
      return std::hash<double>()(k.x) * 31 + std::hash<double>()(k.y);
    }
  };

  std::vector<LinePoint> points_;
  std::vector<Part> parts_;
  std::vector<uint32_t> linePartStart_;  // of each line in parts_, and the end
  std::vector<uint32_t> segments_;       // the first point of each
  std::vector<uint32_t> segmentPart_;
  std::vector<bool> crossing_;
  // The first place of each point of a line, made for the lines that touch.
  std::unordered_map<uint32_t, std::unordered_map<PointKey, uint32_t, PointHash>> vertices_;
};

Crossings::Crossings(std::vector<LinePoint> points, std::vector<Part> parts, uint32_t lines)
    : points_(std::move(points)), parts_(std::move(parts)) {
  linePartStart_.assign(lines + 1, 0);
  for (uint32_t k = 0; k < parts_.size(); ++k) {
    const Part& part = parts_[k];
    linePartStart_[part.line + 1] = k + 1;
    for (uint32_t i = 0; i + 1 < part.count; ++i) {
      segments_.push_back(part.first + i);
      segmentPart_.push_back(k);
    }
  }
  for (uint32_t line = 1; line <= lines; ++line)
    linePartStart_[line] = std::max(linePartStart_[line], linePartStart_[line - 1]);
  crossing_.assign(lines, false);
}

std::vector<bool> Crossings::find() {
  const size_t count = segments_.size();
  if (count < 2) return crossing_;
  // The grid: about one cell a segment, no smaller than the segments are
  // on the average.
  // A segment with an end at infinity or NaN (a cell of COMF 0) is in no
  // cell: it crosses nothing.
  const auto finite = [&](uint32_t s) {
    const LinePoint a = start(s), b = end(s);
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(b.x) && std::isfinite(b.y);
  };
  Box all = Box::none();
  double extent = 0;
  for (uint32_t s = 0; s < count; ++s) {
    if (!finite(s)) continue;
    const LinePoint a = start(s), b = end(s);
    all.add(a);
    all.add(b);
    extent += std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y));
  }
  if (!(all.east >= all.west && all.north >= all.south)) all = Box{0, 0, 0, 0};
  const double width = std::min(all.east - all.west, 1e300);
  const double height = std::min(all.north - all.south, 1e300);
  extent = std::min(extent, 1e300);
  double side = std::max(std::sqrt(width * height / count), extent / count);
  if (!(side > 0)) side = std::max({width, height, 1.0});
  constexpr double kMostAcross = 4096;
  const uint32_t columns = static_cast<uint32_t>(std::clamp(width / side, 1.0, kMostAcross));
  const uint32_t rows = static_cast<uint32_t>(std::clamp(height / side, 1.0, kMostAcross));
  const double cellWidth = width > 0 ? width / columns : 1;
  const double cellHeight = height > 0 ? height / rows : 1;
  const auto column = [&](double x) {
    const double c = (x - all.west) / cellWidth;
    return !(c > 0) ? 0u : std::min(columns - 1, static_cast<uint32_t>(std::min(c, 1e9)));
  };
  const auto row = [&](double y) {
    const double r = (y - all.south) / cellHeight;
    return !(r > 0) ? 0u : std::min(rows - 1, static_cast<uint32_t>(std::min(r, 1e9)));
  };
  // A segment goes into the cells its box meets; a long one is cut into
  // pieces of a few cells, each piece's box widened by far more than the
  // rounding of its ends, so that it still holds its part of the segment.
  const auto pieces = [&](uint32_t s, auto&& visit) {
    if (!finite(s)) return;
    const LinePoint a = start(s), b = end(s);
    const double across =
        std::max(std::fabs(b.x - a.x) / cellWidth, std::fabs(b.y - a.y) / cellHeight);
    const uint32_t n = across > 4 ? static_cast<uint32_t>(std::min(across / 4, 1e6)) + 1 : 1;
    for (uint32_t i = 0; i < n; ++i) {
      LinePoint p = a, q = b;
      double pad = 0;
      if (n > 1) {
        const double t0 = static_cast<double>(i) / n, t1 = static_cast<double>(i + 1) / n;
        p = {a.x + t0 * (b.x - a.x), a.y + t0 * (b.y - a.y)};
        q = i + 1 == n ? b : LinePoint{a.x + t1 * (b.x - a.x), a.y + t1 * (b.y - a.y)};
        pad = 1e-12 *
              (1 + std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y)}));
      }
      const uint32_t c0 = column(std::min(p.x, q.x) - pad), c1 = column(std::max(p.x, q.x) + pad);
      const uint32_t r0 = row(std::min(p.y, q.y) - pad), r1 = row(std::max(p.y, q.y) + pad);
      for (uint32_t r = r0; r <= r1; ++r) {
        for (uint32_t c = c0; c <= c1; ++c)
          visit(r * columns + c);
      }
    }
  };
  // Chains of up to kChainLength segments of one part running the same
  // way (one quadrant of direction), so that the box of a chain and of any
  // run of it is that of its ends, and no more than four cells across; a
  // segment longer than that is a chain of its own, cut into pieces.
  struct Chain {
    uint32_t first, end;  // segments first to end - 1
    uint32_t line;
    bool cut;
    Box box;
  };
  const auto quadrant = [&](uint32_t s) {
    const LinePoint a = start(s), b = end(s);
    return (b.x >= a.x ? 0 : 1) + (b.y >= a.y ? 0 : 2);
  };
  const auto boxOf = [&](uint32_t first, uint32_t last) {  // segments first to last
    const LinePoint a = start(first), b = end(last);
    return Box{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  };
  const auto fewCells = [&](LinePoint a, LinePoint b) {
    return std::fabs(b.x - a.x) <= 4 * cellWidth && std::fabs(b.y - a.y) <= 4 * cellHeight;
  };
  constexpr uint32_t kChainLength = 8;
  std::vector<Chain> chains;
  for (uint32_t s = 0; s < count;) {
    if (!fewCells(start(s), end(s))) {
      chains.push_back({s, s + 1, lineOf(s), true, boxOf(s, s)});
      ++s;
      continue;
    }
    uint32_t e = s + 1;
    while (e < count && e - s < kChainLength && segmentPart_[e] == segmentPart_[s] &&
           segments_[e] == segments_[e - 1] + 1 && quadrant(e) == quadrant(s) &&
           fewCells(start(s), end(e)))
      ++e;
    chains.push_back({s, e, lineOf(s), false, boxOf(s, e - 1)});
    s = e;
  }
  const auto overlap = [](const Box& a, const Box& b) {
    return !(a.east < b.west || b.east < a.west || a.north < b.south || b.north < a.south);
  };
  const auto cellsOf = [&](const Chain& chain, auto&& visit) {
    if (chain.cut) {
      pieces(chain.first, visit);
      return;
    }
    const Box& b = chain.box;
    for (uint32_t r = row(b.south), r1 = row(b.north); r <= r1; ++r) {
      for (uint32_t c = column(b.west), c1 = column(b.east); c <= c1; ++c)
        visit(r * columns + c);
    }
  };
  const Buckets<uint32_t> inCells(size_t{columns} * rows, [&](auto&& file) {
    for (uint32_t k = 0; k < chains.size(); ++k)
      cellsOf(chains[k], [&](uint32_t cell) { file(cell, k); });
  });

  // The segments of two runs of chains whose boxes meet, halved down to
  // pairs of segments.
  const auto pair = [&](auto&& self, uint32_t a0, uint32_t a1, uint32_t b0, uint32_t b1) -> void {
    if (!overlap(boxOf(a0, a1 - 1), boxOf(b0, b1 - 1))) return;
    if (a1 - a0 == 1 && b1 - b0 == 1) {
      if (lineOf(a0) < lineOf(b0)) {
        test(a0, b0);
      } else {
        test(b0, a0);
      }
    } else if (a1 - a0 >= b1 - b0) {
      const uint32_t middle = a0 + (a1 - a0) / 2;
      self(self, a0, middle, b0, b1);
      self(self, middle, a1, b0, b1);
    } else {
      const uint32_t middle = b0 + (b1 - b0) / 2;
      self(self, a0, a1, b0, middle);
      self(self, a0, a1, middle, b1);
    }
  };
  // The pairs of a cell. Two chains not cut are looked at only in the cell
  // of the south-west corner of where their boxes overlap, so once.
  for (uint32_t cell = 0; cell < inCells.count(); ++cell) {
    const std::span<const uint32_t> here = inCells[cell];
    for (size_t i = 0; i < here.size(); ++i) {
      const Chain& a = chains[here[i]];
      const Box& boxA = a.box;
      for (size_t j = i + 1; j < here.size(); ++j) {
        const Chain& b = chains[here[j]];
        if (a.line == b.line) continue;
        const Box& boxB = b.box;
        if (!overlap(boxA, boxB)) continue;
        if (!a.cut && !b.cut &&
            row(std::max(boxA.south, boxB.south)) * columns +
                    column(std::max(boxA.west, boxB.west)) !=
                cell) {
          continue;
        }
        pair(pair, a.first, a.end, b.first, b.end);
      }
    }
  }
  return crossing_;
}

// Whether point p lies on the closed segment from a to b, known to lie on
// its line.
bool withinSegment(LinePoint a, LinePoint b, LinePoint p) {
  return p.x >= std::min(a.x, b.x) && p.x <= std::max(a.x, b.x) && p.y >= std::min(a.y, b.y) &&
         p.y <= std::max(a.y, b.y);
}

void Crossings::test(uint32_t s, uint32_t t) {
  std::vector<bool>::reference crossesS = crossing_[lineOf(s)], crossesT = crossing_[lineOf(t)];
  if (crossesS && crossesT) return;
  const LinePoint a0 = start(s), a1 = end(s), b0 = start(t), b1 = end(t);
  const int sideA0 = orientation(b0, b1, a0), sideA1 = orientation(b0, b1, a1);
  if (sideA0 * sideA1 > 0) return;
  const int sideB0 = orientation(a0, a1, b0), sideB1 = orientation(a0, a1, b1);
  if (sideB0 * sideB1 > 0) return;
  if (sideA0 * sideA1 < 0 && sideB0 * sideB1 < 0) {
    crossesS = crossesT = true;  // inside both segments
    return;
  }
  // They touch: an end of one lies on the other.
  const std::pair<int, LinePoint> ends[] = {{sideA0, a0}, {sideA1, a1}, {sideB0, b0}, {sideB1, b1}};
  for (size_t k = 0; k < 4; ++k) {
    const auto [side, p] = ends[k];
    if (side != 0 || !(k < 2 ? withinSegment(b0, b1, p) : withinSegment(a0, a1, p))) continue;
    if (passes(s, t, p)) {
      crossesS = crossesT = true;
      return;
    }
  }
}

std::optional<uint32_t> Crossings::firstVertex(uint32_t line, LinePoint p) {
  auto [it, made] = vertices_.try_emplace(line);
  if (made) {
    for (uint32_t k = linePartStart_[line]; k < linePartStart_[line + 1]; ++k) {
      for (uint32_t i = parts_[k].first; i < parts_[k].first + parts_[k].count; ++i)
        it->second.try_emplace(PointKey{points_[i].x, points_[i].y}, i);
    }
  }
  const auto at = it->second.find(PointKey{p.x, p.y});
  if (at == it->second.end()) return std::nullopt;
  return at->second;
}

Crossings::Around Crossings::around(uint32_t segment, LinePoint p) {
  const uint32_t line = lineOf(segment);
  const std::optional<uint32_t> vertex = firstVertex(line, p);
  if (!vertex) return {.end = false, .before = start(segment), .after = end(segment)};
  // The part that holds the vertex first.
  uint32_t k = linePartStart_[line];
  while (*vertex >= parts_[k].first + parts_[k].count)
    ++k;
  const Part& part = parts_[k];
  const auto same = [&](uint32_t i) { return points_[i].x == p.x && points_[i].y == p.y; };
  const uint32_t at = *vertex - part.first;
  // Steps along the part from `at` by step (1 or -1) to the first point
  // that is not p; none past an open end.
  const auto distinct = [&](int step) -> std::optional<uint32_t> {
    int64_t i = at;
    for (uint32_t n = 0; n < part.count; ++n) {
      i += step;
      if (i < 0 || i >= part.count) {
        if (!part.closed) return std::nullopt;
        i = i < 0 ? part.count - 2 : 1;  // the first and last points are one
      }
      if (!same(part.first + static_cast<uint32_t>(i)))
        return part.first + static_cast<uint32_t>(i);
    }
    return std::nullopt;
  };
  const std::optional<uint32_t> before = distinct(-1), after = distinct(1);
  if (!before || !after) return {.end = true, .before = {}, .after = {}};
  return {.end = false, .before = points_[*before], .after = points_[*after]};
}

// Whether the way from p towards x is strictly inside the anticlockwise
// sweep from the way towards `from` to the way towards `to`.
bool inSweep(LinePoint p, LinePoint from, LinePoint to, LinePoint x) {
  const int turn = orientation(p, from, to);
  if (turn > 0) return orientation(p, from, x) > 0 && orientation(p, x, to) > 0;
  if (turn < 0) return !(orientation(p, to, x) >= 0 && orientation(p, x, from) >= 0);
  // from and to on one line through p: the same way (no sweep) or
  // opposite ways (half a turn).
  const bool opposite = (from.x - p.x) * (to.x - p.x) + (from.y - p.y) * (to.y - p.y) < 0;
  return opposite && orientation(p, from, x) > 0;
}

// Whether the ways from p towards a and towards b are the same.
bool sameWay(LinePoint p, LinePoint a, LinePoint b) {
  return orientation(p, a, b) == 0 && (a.x - p.x) * (b.x - p.x) + (a.y - p.y) * (b.y - p.y) > 0;
}

// Whether the first line passes to the other side of the second at p: the
// two ways it leaves p lie on both sides of the second, whether p is
// inside a segment of either or a vertex or node of both. A line that ends
// at p, or that runs along the other from p, does not pass.
bool Crossings::passes(uint32_t s, uint32_t t, LinePoint p) {
  const Around a = around(s, p), b = around(t, p);
  if (a.end || b.end) return false;
  for (const LinePoint x : {a.before, a.after}) {
    if (sameWay(p, x, b.before) || sameWay(p, x, b.after)) return false;
  }
  return inSweep(p, b.before, b.after, a.before) != inSweep(p, b.before, b.after, a.after);
}

void DepthChecks::contoursCross() {
  const Geos& geos = context_.geos();
  const GEOSContextHandle_t h = geos.get();
  std::vector<const FeatureRecord*> lines;
  std::vector<LinePoint> points;
  std::vector<Crossings::Part> parts;
  const auto addPart = [&](size_t first, uint32_t line) {
    const uint32_t count = static_cast<uint32_t>(points.size() - first);
    const bool closed =
        count > 3 && points[first].x == points.back().x && points[first].y == points.back().y;
    parts.push_back({static_cast<uint32_t>(first), count, line, closed});
  };
  for (const FeatureRecord* f : contours_) {
    // A contour whose edges join is taken as assembled; only one in pieces
    // goes through its GEOS shape, a line for each piece.
    std::optional<FeatureLine> assembled;
    if (f->prim == kPrimLine) assembled = assembleFeatureLine(*f);
    const Geometry* shape = assembled ? nullptr : &context_.shape(*f);
    if (assembled ? assembled->points.size() < 2 : !*shape) continue;
    const uint32_t line = static_cast<uint32_t>(lines.size());
    lines.push_back(f);
    if (assembled) {
      const size_t first = points.size();
      points.insert(points.end(), assembled->points.begin(), assembled->points.end());
      addPart(first, line);
      continue;
    }
    const int n = GEOSGetNumGeometries_r(h, shape->get());
    for (int i = 0; i < n; ++i) {
      const size_t first = points.size();
      appendPoints(geos, GEOSGetGeometryN_r(h, shape->get(), i), points);
      addPart(first, line);
    }
  }
  if (lines.size() < 2) return;
  const std::vector<bool> crossing =
      Crossings(std::move(points), std::move(parts), static_cast<uint32_t>(lines.size())).find();
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
