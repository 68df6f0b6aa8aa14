#include "synthetic_cell.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

#include "cell_builder.h"
#include "contours.h"
#include "seabed.h"

namespace abys::mkcell {
namespace {

using cellwriter::Feature;

// Calls emit(depth, points, closed) for every contour of the options'
// levels: its points on the lattice without repeated points, when at least
// three remain.
void forEachDepthLine(
    const Options& o, const Survey& survey,
    const std::function<void(double depth, const std::vector<LatticePoint>& points, bool closed)>&
        emit) {
  const Placement placement(o);
  ContourTracer tracer(survey.grid);
  std::vector<LatticePoint> points;
  for (const double depth : contourLevels(o)) {
    for (const Contour& contour : tracer.trace(depth)) {
      points.clear();
      for (const ContourPoint& p : contour.points) {
        const LatticePoint q = placement.at(p.x, p.y);
        if (points.empty() || !(points.back() == q)) points.push_back(q);
      }
      if (contour.closed) {
        while (points.size() > 1 && points.back() == points.front())
          points.pop_back();
      }
      if (points.size() >= 3) emit(depth, points, contour.closed);
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

// One closed edge round the chart, clockwise from the south-west corner.
void addCoverage(CellBuilder& builder) {
  const double last = builder.options().grid - 1;
  const Placement& at = builder.placement();
  const uint32_t node = builder.addConnectedNode(at.at(0, 0));
  const uint32_t edge =
      builder.addEdge(node, node, {at.at(0, last), at.at(last, last), at.at(last, 0)});
  Feature f = builder.newFeature(3, kCoverageClass);
  f.grup = 2;  // meta objects are not of the skin of the earth
  f.attributes = {{kCatcov, "1"}};
  f.spatialPointers = {{.rcnm = CellBuilder::kRcnmEdge, .rcid = edge, .usag = 1}};
  builder.addFeature(std::move(f));
}

// points has at least three distinct points; a closed line returns to the
// first without repeating it.
void addDepthLine(CellBuilder& builder, const std::string& valdco, std::vector<LatticePoint> points,
                  bool closed) {
  const int64_t n = static_cast<int64_t>(points.size());
  Feature f = builder.newFeature(2, kDepthLineClass);
  f.attributes = {{kValdco, valdco}};
  const uint32_t first = builder.addConnectedNode(points[0]);
  if (closed) points.push_back(points[0]);
  for (const uint32_t edge : builder.addChain(points, first, closed ? first : 0))
    f.spatialPointers.push_back({.rcnm = CellBuilder::kRcnmEdge, .rcid = edge, .mask = 2});
  builder.addFeature(std::move(f));
  ++builder.depthLines;
  builder.depthVertices += n;
}

void addName(CellBuilder& builder, uint16_t objl, std::u16string name, LatticePoint at) {
  const uint32_t node = builder.addIsolatedNode(at);
  Feature f = builder.newFeature(1, objl);
  f.nationalAttributes = {{kNobjnm, std::move(name)}};
  f.spatialPointers = {{.rcnm = CellBuilder::kRcnmIsolatedNode, .rcid = node}};
  builder.addFeature(std::move(f));
  ++builder.names;
}

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
    addName(builder, kPlaceNameClass, book.next(k % 2 == 0 ? u"港" : u"錨地"),
            placement.at(bestU * last, bestV * last));
  }
}

}  // namespace

std::span<const std::string_view> depthDefects() {
  static constexpr std::string_view kDefects[] = {"43", "44a", "44b",   "74",    "75",
                                                  "77", "103", "1768a", "1768b", "1769"};
  return kDefects;
}

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
  if (o.maxEdgeCoordinates < 2 || o.maxEdgeCoordinates > 32000) {
    return "edge coordinates must be 2 to 32000";
  }
  if (o.name.empty()) return "the data set name is empty";
  if (o.soundings < 0 || o.soundings > 100000000) return "soundings must be 0 to 100000000";
  if (o.soundings > 0 && !o.standard) return "soundings need a standard cell";
  if (o.aids < 0 || o.aids > 100000) return "aids must be 0 to 100000";
  if (o.aids > 0 && !o.standard) return "aids need a standard cell";
  for (const std::string& d : o.defects) {
    const auto known = depthDefects();
    if (std::find(known.begin(), known.end(), d) == known.end()) return "unknown defect " + d;
    if (!o.standard) return "defects need a standard cell";
  }
  if (o.purpose < 1 || o.purpose > 6) return "the intended usage must be 1 to 6";
  if (o.scale < 1) return "the compilation scale must be positive";
  if (o.updates < 0 || o.updates > kMaxUpdates) {
    return "updates must be 0 to " + std::to_string(kMaxUpdates);
  }
  if (o.updates > 0 && !o.standard) return "updates need a standard cell";
  if (o.window) {
    const SetWindow& w = *o.window;
    if (!o.standard) return "a cell of an exchange set must be a standard cell";
    if (w.unitX < 1 || w.unitY < 1 || w.step < 1 || w.extent < 1) {
      return "the window's units must be positive";
    }
    if (w.step * w.unitX < kMinStep || w.step * w.unitY < kMinStep) {
      return "grid too fine for the span";
    }
    if (!(w.shallowest < w.deepest)) return "the window's depths are out of order";
  }
  return {};
}

int64_t gridForVertices(const Options& options, int64_t vertices) {
  // Fine enough to resolve the relief features, whose size shrinks with
  // their number, so that the count grows in proportion to the grid.
  Options probe = options;
  probe.grid = std::clamp(static_cast<int>(30 * std::sqrt(options.relief)), 257, 2049);
  const Survey survey(probe);
  int64_t counted = 0;
  forEachDepthLine(probe, survey, [&](double, const std::vector<LatticePoint>& points, bool) {
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
  if (o.standard) return makeStandardCell(o);
  Survey survey(o);
  CellBuilder builder(o);
  addCoverage(builder);
  forEachDepthLine(o, survey,
                   [&](double depth, const std::vector<LatticePoint>& points, bool closed) {
                     addDepthLine(builder, depthText(depth), points, closed);
                   });

  NameBook book(survey.random);
  const Placement placement(o);
  const double last = o.grid - 1;
  std::vector<std::pair<double, double>> taken;
  for (const Bump& b : survey.seabed.relief) {
    const double u = std::clamp(b.u, 0.0, 1.0);
    const double v = std::clamp(b.v, 0.0, 1.0);
    taken.emplace_back(u, v);
    addName(builder, kSeabedNameClass, book.next(b.amplitude > 0 ? u"海盆" : u"堆"),
            placement.at(u * last, v * last));
  }
  addPlaces(o, survey, book, builder, taken);
  return std::move(builder).finish();
}

}  // namespace abys::mkcell
