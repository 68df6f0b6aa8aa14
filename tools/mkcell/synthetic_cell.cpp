#include "synthetic_cell.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

#include "contours.h"
#include "seabed.h"

namespace abys::mkcell {
namespace {

using cellwriter::Cell;
using cellwriter::Feature;
using cellwriter::Point2;
using cellwriter::Vector;

// Coordinates are placed on the lattice the cell stores (degrees times
// COMF) before they are written, so that points that would be stored alike
// can be merged.
constexpr double kComf = 10000000;
constexpr int64_t kMinStep = 10;  // lattice units between grid vertices

struct LatticePoint {
  int64_t x = 0;
  int64_t y = 0;
  bool operator==(const LatticePoint&) const = default;
};

Point2 degrees(LatticePoint p) {
  return {static_cast<double>(p.x) / kComf, static_cast<double>(p.y) / kComf};
}

// Where grid vertices fall on the lattice. The cosine (the one function of
// libm used) only sets the row step, rounded to the lattice.
struct Placement {
  int64_t west = 0;
  int64_t south = 0;
  int64_t stepX = 0;
  int64_t stepY = 0;

  explicit Placement(const Options& o)
      : west(std::llround(o.west * kComf)),
        south(std::llround(o.south * kComf)),
        stepX(std::llround(o.span * kComf / (o.grid - 1))),
        stepY(std::llround(static_cast<double>(stepX) *
                           std::cos(o.south * 3.14159265358979323846 / 180))) {}

  LatticePoint at(double column, double row) const {
    return {west + std::llround(column * static_cast<double>(stepX)),
            south + std::llround(row * static_cast<double>(stepY))};
  }
};

// A seabed and its grid, as the options make them.
struct Survey {
  Random random;
  Seabed seabed;
  DepthGrid grid;

  explicit Survey(const Options& o) : random(o.seed) {
    seabed = makeSeabed(random, o.relief);
    grid = sampleDepths(seabed, o.grid, 0.5 * o.interval, (o.levels + 0.5) * o.interval);
  }
};

// Calls emit(level, points, closed) for every depth line: its contour on
// the lattice without repeated points, when at least three remain.
void forEachDepthLine(const Options& o, const Survey& survey,
                      const std::function<void(int level, const std::vector<LatticePoint>& points,
                                               bool closed)>& emit) {
  const Placement placement(o);
  ContourTracer tracer(survey.grid);
  std::vector<LatticePoint> points;
  for (int level = 1; level <= o.levels; ++level) {
    for (const Contour& contour : tracer.trace(level * o.interval)) {
      points.clear();
      for (const ContourPoint& p : contour.points) {
        const LatticePoint q = placement.at(p.x, p.y);
        if (points.empty() || !(points.back() == q)) points.push_back(q);
      }
      if (contour.closed) {
        while (points.size() > 1 && points.back() == points.front())
          points.pop_back();
      }
      if (points.size() >= 3) emit(level, points, contour.closed);
    }
  }
}

// Names are a place name and a word for what they name; 32 place names,
// then the same with a point of the compass, then again.
constexpr const char16_t* kPlaceNames[] = {
    u"大島", u"白浜", u"青木", u"黒崎", u"松島", u"竹芝", u"鷹島", u"波崎",
    u"若松", u"千鳥", u"朝日", u"霧島", u"星野", u"岩城", u"鳴門", u"高砂",
    u"桜井", u"夕凪", u"汐見", u"浜名", u"明石", u"室戸", u"天神", u"弁天",
    u"宮浦", u"小松", u"長浜", u"北條", u"南郷", u"東雲", u"西浦", u"緑川"};
constexpr size_t kPlaceNameCount = std::size(kPlaceNames);
constexpr const char16_t* kQualifiers[] = {u"北", u"南", u"東", u"西", u"奥", u"沖"};

class NameBook {
 public:
  explicit NameBook(Random& random) {
    for (size_t i = 0; i < kPlaceNameCount; ++i)
      order_[i] = i;
    for (size_t i = kPlaceNameCount - 1; i > 0; --i)
      std::swap(order_[i], order_[random.below(static_cast<uint32_t>(i + 1))]);
  }

  std::u16string next(std::u16string_view word) {
    const size_t round = used_ / kPlaceNameCount;
    std::u16string name;
    if (round > 0) name += kQualifiers[(round - 1) % std::size(kQualifiers)];
    name += kPlaceNames[order_[used_ % kPlaceNameCount]];
    name += word;
    ++used_;
    return name;
  }

 private:
  size_t order_[kPlaceNameCount]{};
  size_t used_ = 0;
};

class CellBuilder {
 public:
  explicit CellBuilder(const Options& o) : options_(o), placement_(o) {
    cell_.dsid.dsnm = o.name;
    cell_.dsid.comt = "ABYS synthetic bathymetry, seed " + std::to_string(o.seed);
    cell_.dssi.aall = 1;
    cell_.dssi.nall = 2;
    cell_.dspm.comf = static_cast<uint32_t>(kComf);
  }

  // One closed edge round the chart, clockwise from the south-west corner.
  void addCoverage() {
    const double last = options_.grid - 1;
    const uint32_t node = addConnectedNode(placement_.at(0, 0));
    const uint32_t edge = addEdge(
        node, node, {placement_.at(0, last), placement_.at(last, last), placement_.at(last, 0)});
    Feature f = newFeature(3, kCoverageClass);
    f.grup = 1;
    f.attributes = {{kCatcov, "1"}};
    f.spatialPointers = {{.rcnm = kRcnmEdge, .rcid = edge, .usag = 1}};
    features_.push_back(std::move(f));
  }

  // points has at least three distinct points; a closed line returns to the
  // first without repeating it.
  void addDepthLine(const std::string& valdco, const std::vector<LatticePoint>& points,
                    bool closed) {
    const int64_t n = static_cast<int64_t>(points.size());
    const int64_t segments = closed ? n : n - 1;
    const int64_t perEdge = options_.maxEdgeCoordinates + 1;
    const int64_t edges = (segments + perEdge - 1) / perEdge;
    Feature f = newFeature(2, kDepthLineClass);
    f.attributes = {{kValdco, valdco}};
    const uint32_t first = addConnectedNode(points[0]);
    uint32_t from = first;
    int64_t begin = 0;
    for (int64_t k = 1; k <= edges; ++k) {
      // Even shares keep at least one coordinate inside every edge and two
      // inside a lone ring.
      const int64_t end = k * segments / edges;
      const bool backToStart = closed && k == edges;
      const uint32_t to = backToStart ? first : addConnectedNode(points[static_cast<size_t>(end)]);
      std::vector<LatticePoint> interior(points.begin() + begin + 1, points.begin() + end);
      f.spatialPointers.push_back({.rcnm = kRcnmEdge, .rcid = addEdge(from, to, interior)});
      from = to;
      begin = end;
    }
    features_.push_back(std::move(f));
    ++depthLines_;
    depthVertices_ += n;
  }

  void addName(uint16_t objl, std::u16string name, LatticePoint at) {
    const uint32_t node = ++isolatedIds_;
    isolatedNodes_.push_back(cellwriter::isolatedNode(node, degrees(at)));
    Feature f = newFeature(1, objl);
    f.nationalAttributes = {{kNobjnm, std::move(name)}};
    f.spatialPointers = {{.rcnm = kRcnmIsolatedNode, .rcid = node}};
    features_.push_back(std::move(f));
    ++names_;
  }

  SyntheticCell finish() && {
    SyntheticCell out;
    out.cell = std::move(cell_);
    auto& vectors = out.cell.vectors;
    vectors.reserve(isolatedNodes_.size() + connectedNodes_.size() + edges_.size());
    for (auto* part : {&isolatedNodes_, &connectedNodes_, &edges_}) {
      std::move(part->begin(), part->end(), std::back_inserter(vectors));
    }
    out.cell.features = std::move(features_);
    out.depthLines = depthLines_;
    out.depthVertices = depthVertices_;
    out.names = names_;
    return out;
  }

 private:
  static constexpr uint8_t kRcnmIsolatedNode = 110;
  static constexpr uint8_t kRcnmEdge = 130;

  Feature newFeature(uint8_t prim, uint16_t objl) {
    Feature f;
    f.rcid = ++featureIds_;
    f.prim = prim;
    f.objl = objl;
    return f;
  }

  uint32_t addConnectedNode(LatticePoint at) {
    const uint32_t id = ++connectedIds_;
    connectedNodes_.push_back(cellwriter::connectedNode(id, degrees(at)));
    return id;
  }

  uint32_t addEdge(uint32_t from, uint32_t to, const std::vector<LatticePoint>& interior) {
    std::vector<Point2> coordinates;
    coordinates.reserve(interior.size());
    for (const LatticePoint& p : interior)
      coordinates.push_back(degrees(p));
    const uint32_t id = ++edgeIds_;
    edges_.push_back(cellwriter::edge(id, from, to, std::move(coordinates)));
    return id;
  }

  const Options& options_;
  Placement placement_;
  Cell cell_;
  std::vector<Vector> isolatedNodes_, connectedNodes_, edges_;
  std::vector<Feature> features_;
  uint32_t featureIds_ = 0, isolatedIds_ = 0, connectedIds_ = 0, edgeIds_ = 0;
  int64_t depthLines_ = 0, depthVertices_ = 0, names_ = 0;
};

// Harbours and anchorages go to shallow water away from the other names:
// the shallowest of a few random spots, far enough from every name so far
// when one is.
void addPlaces(const Options& o, Survey& survey, NameBook& book, CellBuilder& builder,
               std::vector<std::pair<double, double>>& taken) {
  constexpr double kApart = 0.15;
  const double last = o.grid - 1;
  const Placement placement(o);
  for (int k = 0; k < o.places; ++k) {
    double bestU = 0, bestV = 0, bestHeight = 0;
    bool bestApart = false;
    for (int candidate = 0; candidate < 16; ++candidate) {
      // Names are written to the right of their point: keep room for them.
      const double u = survey.random.uniform(0.05, 0.8);
      const double v = survey.random.uniform(0.05, 0.95);
      const double height = survey.seabed.height(u, v);
      bool apart = true;
      for (const auto& [tu, tv] : taken)
        apart = apart && (u - tu) * (u - tu) + (v - tv) * (v - tv) >= kApart * kApart;
      const bool better =
          candidate == 0 || (apart && !bestApart) || (apart == bestApart && height < bestHeight);
      if (better) bestU = u, bestV = v, bestHeight = height, bestApart = apart;
    }
    taken.emplace_back(bestU, bestV);
    builder.addName(kPlaceNameClass, book.next(k % 2 == 0 ? u"港" : u"錨地"),
                    placement.at(bestU * last, bestV * last));
  }
}

}  // namespace

std::string depthText(double depth) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, depth, std::chars_format::general, 9);
  return std::string(text, result.ptr);
}

std::string checkOptions(const Options& o) {
  if (o.levels < 1 || o.levels > 1000) return "levels must be 1 to 1000";
  if (!(o.interval >= 0.01 && o.interval <= 10000)) return "interval must be 0.01 to 10000 m";
  if (o.levels * o.interval > 12000) return "levels times interval must be at most 12000 m";
  if (o.grid < kMinGrid || o.grid > kMaxGrid) {
    return "grid must be " + std::to_string(kMinGrid) + " to " + std::to_string(kMaxGrid);
  }
  if (o.relief < 1 || o.relief > 10000) return "relief must be 1 to 10000";
  if (o.places < 0 || o.places > 1000) return "places must be 0 to 1000";
  if (!(o.span > 0 && o.span <= 10)) return "span must be above 0 and at most 10 degrees";
  if (!(o.west >= -180 && o.west + o.span <= 180)) return "the chart must lie within -180..180 E";
  if (!(o.south >= -80 && o.south + o.span <= 85)) return "the chart must lie within -80..85 N";
  if (o.span * kComf / (o.grid - 1) < kMinStep) return "grid too fine for the span";
  if (o.maxEdgeCoordinates < 2 || o.maxEdgeCoordinates > 12000) {
    return "edge coordinates must be 2 to 12000";
  }
  if (o.name.empty()) return "the data set name is empty";
  return {};
}

int64_t gridForVertices(const Options& options, int64_t vertices) {
  // Fine enough to resolve the relief features, whose size shrinks with
  // their number, so that the count grows in proportion to the grid.
  Options probe = options;
  probe.grid = std::clamp(static_cast<int>(30 * std::sqrt(options.relief)), 257, 2049);
  const Survey survey(probe);
  int64_t counted = 0;
  forEachDepthLine(probe, survey, [&](int, const std::vector<LatticePoint>& points, bool) {
    counted += static_cast<int64_t>(points.size());
  });
  if (counted == 0) return kMaxGrid + 1;
  const double cells = static_cast<double>(probe.grid - 1) * static_cast<double>(vertices) /
                       static_cast<double>(counted);
  return 1 + std::llround(std::min(cells, 1e9));
}

SyntheticCell makeCell(const Options& o) {
  if (const std::string fault = checkOptions(o); !fault.empty()) {
    throw std::invalid_argument(fault);
  }
  Survey survey(o);
  CellBuilder builder(o);
  builder.addCoverage();
  forEachDepthLine(o, survey, [&](int level, const std::vector<LatticePoint>& points, bool closed) {
    builder.addDepthLine(depthText(level * o.interval), points, closed);
  });

  NameBook book(survey.random);
  const Placement placement(o);
  const double last = o.grid - 1;
  std::vector<std::pair<double, double>> taken;
  for (const Bump& b : survey.seabed.relief) {
    const double u = std::clamp(b.u, 0.0, 1.0);
    const double v = std::clamp(b.v, 0.0, 1.0);
    taken.emplace_back(u, v);
    builder.addName(kSeabedNameClass, book.next(b.amplitude > 0 ? u"海盆" : u"堆"),
                    placement.at(u * last, v * last));
  }
  addPlaces(o, survey, book, builder, taken);
  return std::move(builder).finish();
}

}  // namespace abys::mkcell
