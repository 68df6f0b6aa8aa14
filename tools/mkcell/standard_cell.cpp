// The synthetic seabed in standard object classes: the depth bands of
// band_map.h as DEPARE and LNDARE areas on the edges of their DEPCNT and
// COALNE contours and of the border, the border's edges also making the
// M_COVR coverage and the M_NSYS and M_QUAL meta areas, soundings, the
// depth defects asked for, and the update files.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "band_map.h"
#include "catalogue.h"
#include "catalogue_codes.h"
#include "cell_builder.h"

namespace abys::mkcell {
namespace {

using cellwriter::Feature;

constexpr uint16_t kExpsou = 93;
constexpr int kSoundingClusters = 6;
constexpr size_t kSoundingsPerCluster = 8;
// Soundings asked for by number are scattered, this many to a SOUNDG.
constexpr size_t kSoundingsPerFeature = 500;

// How far a vertex's depth keeps from the levels round it before it is
// sounded, in metres: more than the decimetre soundings are cut to.
constexpr double kDepthMargin = 0.2;
// How far along each grid edge from a vertex the contours keep, in grid
// steps, before a sounding is put on the vertex itself, and before points
// are put near it (less than kNear away, as |dx| + |dy| in steps).
constexpr double kAtVertex = 0.01;
constexpr double kNearVertex = 0.3;
constexpr double kNear = 0.2;

double sounded(double depth) {
  return std::floor(depth * 10) / 10;
}

// A dangerous wreck the update files insert, change and delete: its place
// and the depth of the seabed there.
struct Wreck {
  LatticePoint at;
  double depth = 0;
};

// The issue date of update file `number`: a week after the one before,
// the first a week after the base cell's.
std::string issueDate(int number) {
  using namespace std::chrono;
  const year_month_day day{sys_days{year{2025} / January / 1} + days{7 * number}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
  return text;
}

// The update files of a base cell (Options::updates): in turn, the insert
// of a wreck on a new isolated node, a new VALSOU for it, and the delete of
// the two; the next wreck after that.
std::vector<cellwriter::Cell> updateFiles(const Options& o, const cellwriter::Cell& base,
                                          const std::vector<Wreck>& wrecks) {
  const int count = std::min(o.updates, 3 * static_cast<int>(wrecks.size()));
  using cellwriter::Attribute;
  uint32_t lastFeature = 0, lastNode = 0;
  for (const Feature& f : base.features)
    lastFeature = std::max(lastFeature, f.rcid);
  for (const cellwriter::Vector& v : base.vectors) {
    if (v.rcnm == CellBuilder::kRcnmIsolatedNode) lastNode = std::max(lastNode, v.rcid);
  }
  const uint16_t wreckClass = catalogue::objectClass("WRECKS")->code;
  const uint16_t catwrk = catalogue::attribute("CATWRK")->code;
  const uint16_t watlev = catalogue::attribute("WATLEV")->code;
  std::vector<cellwriter::Cell> files;
  for (int number = 1; number <= count; ++number) {
    const auto index = static_cast<uint32_t>((number - 1) / 3);
    const Wreck& wreck = wrecks[index];
    const uint32_t node = lastNode + index + 1;
    cellwriter::Cell file = cellwriter::updateCell(static_cast<uint32_t>(number));
    file.dsid.dsnm = base.dsid.dsnm;
    file.dsid.edtn = base.dsid.edtn;
    file.dsid.isdt = issueDate(number);
    file.dsid.intu = base.dsid.intu;
    file.dsid.agen = base.dsid.agen;
    file.dsid.comt = base.dsid.comt;
    file.dssi.aall = base.dssi.aall;
    file.dssi.nall = base.dssi.nall;
    Feature f{.rcid = lastFeature + index + 1, .prim = 1, .grup = 2, .objl = wreckClass};
    f.agen = o.agency;
    // Found at about half the depth round it, then surveyed a little deeper.
    const double found = std::max(0.1, sounded(wreck.depth * 0.5));
    const double surveyed = std::max(found + 0.1, sounded(wreck.depth * 0.75));
    switch ((number - 1) % 3) {
      case 0:
        file.vectors = {cellwriter::isolatedNode(node, degrees(wreck.at))};
        f.attributes = {Attribute{catwrk, "2"}, Attribute{catalogue::kValsou, depthText(found)},
                        Attribute{watlev, "3"}};
        std::sort(f.attributes.begin(), f.attributes.end(),
                  [](const Attribute& a, const Attribute& b) { return a.attl < b.attl; });
        f.spatialPointers = {{.rcnm = CellBuilder::kRcnmIsolatedNode, .rcid = node}};
        break;
      case 1:
        f.rver = 2;
        f.ruin = 3;
        f.attributes = {{catalogue::kValsou, depthText(surveyed)}};
        break;
      default:
        f.rver = 3;
        f.ruin = 2;
        f.withFoid = false;
        file.vectors = {
            {.rcnm = CellBuilder::kRcnmIsolatedNode, .rcid = node, .rver = 2, .ruin = 2}};
        break;
    }
    file.features = {std::move(f)};
    files.push_back(std::move(file));
  }
  return files;
}

// A contour's points on the lattice without repeated points, a closed one
// with its first point again at the end. A ring too small for the lattice
// keeps its repeated points, so that its edge still holds two coordinates;
// an open contour that shrinks to one point joins its ends directly.
std::vector<LatticePoint> latticePoints(const Placement& placement, const Contour& contour) {
  std::vector<LatticePoint> raw, points;
  raw.reserve(contour.points.size());
  for (const ContourPoint& p : contour.points)
    raw.push_back(placement.at(p.x, p.y));
  for (const LatticePoint& q : raw) {
    if (points.empty() || !(points.back() == q)) points.push_back(q);
  }
  if (contour.closed) {
    while (points.size() > 1 && points.back() == points.front())
      points.pop_back();
    if (points.size() < 3) points = std::move(raw);
  }
  if (contour.closed || points.size() == 1) points.push_back(points.front());
  return points;
}

class StandardCell {
 public:
  explicit StandardCell(const Options& o)
      : levels_(contourLevels(o)),
        deepest_(deepestDepth(o)),
        survey_(o),
        builder_(o),
        map_(mapBands(survey_.grid, levels_)) {}

  SyntheticCell make() && {
    chooseDredgedBand();
    addContours();
    addBorder();
    addAreas();
    if (options().soundings > 0) {
      addScatteredSoundings();
    } else {
      addSoundings();
    }
    addAids();
    addMeta(kNavigationSystemClass, kMarsys, "1");
    addMeta(kQualityClass, kCatzoc, "1");
    plantDefects();
    const std::vector<Wreck> wrecks = placeWrecks();
    SyntheticCell made = std::move(builder_).finish();
    made.updates = updateFiles(options(), made.cell, wrecks);
    return made;
  }

 private:
  const Placement& placement() const { return builder_.placement(); }
  const Options& options() const { return builder_.options(); }

  bool wants(std::string_view defect) const {
    const std::vector<std::string>& d = options().defects;
    return std::find(d.begin(), d.end(), defect) != d.end();
  }

  // The band of a depth: how many levels it lies below (0 land).
  int bandOf(double depth) const {
    return static_cast<int>(std::lower_bound(levels_.begin(), levels_.end(), depth) -
                            levels_.begin());
  }
  int levelCount() const { return static_cast<int>(levels_.size()); }

  // Whether a vertex inside the border is safe to sound: its depth cut to
  // the decimetre stays below the shallower level of its band, and the
  // contours cross the grid edges from it no nearer than `reach` steps.
  // Points less than `reach` steps (as |dx| + |dy|) from the vertex then lie
  // in the area of its band, whatever the contours do in the cells round
  // it. Points near the vertex, not on it, also keep kDepthMargin from the
  // levels.
  bool clear(int column, int row, double reach) const {
    const DepthGrid& grid = survey_.grid;
    const int last = grid.size - 1;
    if (column < 1 || row < 1 || column >= last || row >= last) return false;
    const double d = grid.at(column, row);
    const int band = bandOf(d);
    const double margin = reach > kAtVertex ? kDepthMargin : 0;
    if (band > 0 && !(sounded(d) > levels_[static_cast<size_t>(band - 1)] + margin / 2))
      return false;
    if (band < levelCount() && levels_[static_cast<size_t>(band)] - d < margin) return false;
    const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& [dc, dr] : steps) {
      const double e = grid.at(column + dc, row + dr);
      if (bandOf(e) == band) continue;
      const double level =
          e > d ? levels_[static_cast<size_t>(band)] : levels_[static_cast<size_t>(band - 1)];
      if ((level - d) / (e - d) <= reach) return false;
    }
    return true;
  }

  // A random vertex that is clear to `reach` and whose band passes `fits`;
  // none when the seabed has none to be found.
  template <typename Fits>
  std::optional<std::pair<int, int>> findClearVertex(double reach, Fits fits) {
    const int last = survey_.grid.size - 1;
    for (int attempt = 0; attempt < 1000000; ++attempt) {
      const int column =
          1 + static_cast<int>(survey_.random.below(static_cast<uint32_t>(last - 1)));
      const int row = 1 + static_cast<int>(survey_.random.below(static_cast<uint32_t>(last - 1)));
      if (!fits(bandOf(survey_.grid.at(column, row))) || !clear(column, row, reach)) continue;
      if (reach <= kAtVertex && taken_.contains(key(placement().at(column, row)))) continue;
      return std::pair{column, row};
    }
    return std::nullopt;
  }

  // The same, throwing when there is none.
  template <typename Fits>
  std::pair<int, int> clearVertex(double reach, Fits fits, const char* what) {
    if (const auto vertex = findClearVertex(reach, fits)) return *vertex;
    throw std::runtime_error(std::string("the seabed has no place for ") + what);
  }

  static uint64_t key(LatticePoint p) {
    return (static_cast<uint64_t>(p.x) << 32) ^ static_cast<uint64_t>(p.y);
  }

  // Each contour with its own nodes and edges, as a depth contour or, at
  // 0 m, the coastline.
  void addContours() {
    pieceEdges_.reserve(map_.contours.size() + map_.border.size());
    startNode_.assign(map_.contours.size(), 0);
    endNode_.assign(map_.contours.size(), 0);
    for (size_t i = 0; i < map_.contours.size(); ++i) {
      const Contour& contour = map_.contours[i];
      const std::vector<LatticePoint> points = latticePoints(placement(), contour);
      startNode_[i] = builder_.addConnectedNode(points.front());
      endNode_[i] = contour.closed ? startNode_[i] : builder_.addConnectedNode(points.back());
      pieceEdges_.push_back(builder_.addChain(points, startNode_[i], endNode_[i]));

      const int level = map_.contourLevels[i];
      Feature f = builder_.newFeature(2, level == 0 ? catalogue::kCoalne : catalogue::kDepcnt);
      if (level > 0) f.attributes = {{catalogue::kValdco, depthText(levelDepth(level))}};
      for (const uint32_t edge : pieceEdges_.back())
        f.spatialPointers.push_back({.rcnm = CellBuilder::kRcnmEdge, .rcid = edge, .mask = 2});
      builder_.addFeature(std::move(f));
      ++builder_.depthLines;
      builder_.depthVertices += static_cast<int64_t>(points.size()) - 1;
    }
  }

  double levelDepth(int level) const {
    return static_cast<size_t>(level) < levels_.size() ? levels_[static_cast<size_t>(level)]
                                                       : deepest_;
  }

  // The border stretches between the contours' ends, and the coverage on
  // them, clockwise.
  void addBorder() {
    const std::vector<BorderPoint>& ends = map_.borderPoints;
    for (size_t s = 0; s < map_.border.size(); ++s) {
      const std::vector<ContourPoint>& along = map_.border[s].points;
      const LatticePoint first = placement().at(along.front().x, along.front().y);
      const LatticePoint last = placement().at(along.back().x, along.back().y);
      std::vector<LatticePoint> points{first};
      for (size_t k = 1; k + 1 < along.size(); ++k) {
        const LatticePoint corner = placement().at(along[k].x, along[k].y);
        if (!(corner == points.back())) points.push_back(corner);
      }
      if (points.size() > 1 && points.back() == last) points.pop_back();
      points.push_back(last);
      uint32_t from = 0, to = 0;
      if (ends.empty()) {
        from = to = builder_.addConnectedNode(first);
      } else {
        from = nodeAt(ends[s]);
        to = nodeAt(ends[(s + 1) % ends.size()]);
      }
      pieceEdges_.push_back(builder_.addChain(points, from, to));
    }
    addMeta(catalogue::kMCovr, kCatcov, "1");
  }

  // A meta area of one attribute on the border's edges, clockwise.
  void addMeta(uint16_t objl, uint16_t attl, const char* value) {
    Feature f = builder_.newFeature(3, objl);
    f.grup = 2;  // meta objects are not of the skin of the earth
    f.attributes = {{attl, value}};
    for (size_t s = map_.border.size(); s-- > 0;)
      addUse({static_cast<uint32_t>(map_.contours.size() + s), false}, 1, f);
    builder_.addFeature(std::move(f));
  }

  uint32_t nodeAt(const BorderPoint& p) const {
    return p.start ? startNode_[p.contour] : endNode_[p.contour];
  }

  void addUse(const PieceUse& use, uint8_t usag, Feature& f) const {
    const std::vector<uint32_t>& edges = pieceEdges_[use.piece];
    for (size_t k = 0; k < edges.size(); ++k) {
      const uint32_t edge = edges[use.forward ? k : edges.size() - 1 - k];
      f.spatialPointers.push_back({.rcnm = CellBuilder::kRcnmEdge,
                                   .rcid = edge,
                                   .ornt = static_cast<uint8_t>(use.forward ? 1 : 2),
                                   .usag = usag});
    }
  }

  int deepestBand() const {
    int deepest = 0;
    for (const BandArea& area : map_.areas)
      deepest = std::max(deepest, area.band);
    return deepest;
  }

  // Contours and dredged areas planted (75, 77) lie in a dredged area: every
  // area of one band, not the deepest, made a DRGARE of the same range.
  void chooseDredgedBand() {
    if (!wants("75") && !wants("77")) return;
    std::vector<int64_t> vertices(static_cast<size_t>(levelCount()) + 1, 0);
    for (const float d : survey_.grid.depths)
      ++vertices[static_cast<size_t>(bandOf(d))];
    const int lowest = wants("75") ? 2 : 1;
    for (int band = lowest; band < deepestBand(); ++band) {
      if (dredgedBand_ < 0 ||
          vertices[static_cast<size_t>(band)] > vertices[static_cast<size_t>(dredgedBand_)]) {
        dredgedBand_ = band;
      }
    }
    if (dredgedBand_ < 0) throw std::runtime_error("the seabed has too few depth bands to dredge");
  }

  // An area bounded by one closed contour alone, an isolated shoal or deep,
  // whose range need not match the contours.
  bool boundedByOneContour(const BandArea& area) const {
    return area.exterior.size() == 1 && area.holes.empty() &&
           area.exterior[0].piece < map_.contours.size();
  }

  // The area whose range is put off the contours' values (44a, 44b): the
  // first of a DEPARE whose band passes fits.
  template <typename Fits>
  const BandArea* offRange(Fits fits, const char* what) const {
    for (const BandArea& area : map_.areas) {
      if (area.band > 0 && area.band != dredgedBand_ && !boundedByOneContour(area) &&
          fits(area.band)) {
        return &area;
      }
    }
    throw std::runtime_error(std::string("the seabed has no area for defect ") + what);
  }

  void addAreas() {
    const double interval = options().interval;
    const int deepest = deepestBand();
    const BandArea* startOff =
        wants("44a") ? offRange([](int band) { return band >= 3; }, "44a") : nullptr;
    const BandArea* endOff =
        wants("44b") ? offRange([&](int band) { return band < deepest; }, "44b") : nullptr;
    for (const BandArea* off : {startOff, endOff}) {
      if (off != nullptr) offBands_.push_back(off->band);
    }
    for (const BandArea& area : map_.areas) {
      const bool dredged = area.band == dredgedBand_;
      Feature f = builder_.newFeature(3, area.band == 0 ? catalogue::kLndare
                                         : dredged      ? catalogue::kDrgare
                                                        : catalogue::kDepare);
      f.grup = 1;
      if (area.band > 0) {
        // 44a: shallower than its contour but deeper than the shallowest
        // one; 44b: deeper than its contour, not the deepest.
        const double start = levelDepth(area.band - 1) - (&area == startOff ? interval / 2 : 0);
        const double end = levelDepth(area.band) + (&area == endOff ? interval / 2 : 0);
        f.attributes = {{catalogue::kDrval1, depthText(start)},
                        {catalogue::kDrval2, depthText(end)}};
      }
      for (const PieceUse& use : area.exterior)
        addUse(use, 1, f);
      for (const PieceUse& use : area.holes)
        addUse(use, 2, f);
      builder_.addFeature(std::move(f));
      ++builder_.areas;
    }
  }

  // Clusters of soundings at grid vertices in the water, each cluster one
  // SOUNDG on one node, round the spot furthest from the clusters before it
  // among a few random ones. Depths are cut to the decimetre, shoaler.
  void addSoundings() {
    const DepthGrid& grid = survey_.grid;
    Random& random = survey_.random;
    const int last = grid.size - 1;
    // Soundings of a cluster lie on a 5 x 5 pattern of vertices gap apart,
    // about a twenty-fifth of the chart, to leave room for their figures.
    const int gap = std::max(1, last / 25);
    const int reach = 2 * gap;
    const auto spread = static_cast<uint32_t>(last - 2 * reach + 1);
    std::vector<std::pair<int, int>> centres;
    for (int k = 0; k < kSoundingClusters; ++k) {
      bool found = false;
      int bestColumn = 0, bestRow = 0;
      int64_t bestApart = -1;
      for (int candidate = 0; candidate < 16; ++candidate) {
        const int column = reach + static_cast<int>(random.below(spread));
        const int row = reach + static_cast<int>(random.below(spread));
        if (!(grid.at(column, row) > 0) || !clear(column, row, kAtVertex)) continue;
        int64_t apart = int64_t{4} * last * last;
        for (const auto& [c, r] : centres) {
          const int64_t dc = column - c, dr = row - r;
          apart = std::min(apart, dc * dc + dr * dr);
        }
        if (apart > bestApart) bestColumn = column, bestRow = row, bestApart = apart;
        found = true;
      }
      if (!found) continue;
      centres.emplace_back(bestColumn, bestRow);
      std::vector<std::pair<int, int>> used{{bestColumn, bestRow}};
      for (int attempt = 0; attempt < 64 && used.size() < kSoundingsPerCluster; ++attempt) {
        const int column = bestColumn + gap * (static_cast<int>(random.below(5)) - 2);
        const int row = bestRow + gap * (static_cast<int>(random.below(5)) - 2);
        const std::pair<int, int> vertex{column, row};
        if (!(grid.at(column, row) > 0) || !clear(column, row, kAtVertex) ||
            std::find(used.begin(), used.end(), vertex) != used.end()) {
          continue;
        }
        used.push_back(vertex);
      }
      std::vector<cellwriter::Point3> depths;
      for (const auto& [column, row] : used) {
        const LatticePoint at = placement().at(column, row);
        taken_.insert(key(at));
        depths.push_back({degrees(at).x, degrees(at).y, sounded(grid.at(column, row))});
      }
      addSounding(std::move(depths));
    }
  }

  // Options::aids point features in turn from a list of aids to
  // navigation, lights and hazards with the attributes that tell them
  // apart, each at a clear vertex in the water of its own; a topmark
  // shares its buoy's or beacon's node.
  void addAids() {
    struct Aid {
      const char* acronym;
      std::vector<std::pair<const char*, const char*>> attributes;
      bool topmark = false;  // followed by a topmark on the same node
    };
    static const Aid kAids[] = {
        {"LIGHTS",
         {{"COLOUR", "3"}, {"LITCHR", "2"}, {"SIGGRP", "(2)"}, {"SIGPER", "6"}, {"VALNMR", "10"}}},
        {"LIGHTS", {{"COLOUR", "4"}, {"LITCHR", "2"}, {"SIGPER", "4"}}},
        {"LIGHTS", {{"COLOUR", "1"}, {"LITCHR", "1"}, {"VALNMR", "15"}}},
        {"LIGHTS", {{"COLOUR", "3"}, {"LITCHR", "2"}, {"SECTR1", "45"}, {"SECTR2", "135"}}},
        {"BOYLAT", {{"BOYSHP", "1"}, {"CATLAM", "2"}, {"COLOUR", "4"}}, true},
        {"BOYLAT", {{"BOYSHP", "2"}, {"CATLAM", "1"}, {"COLOUR", "3"}}},
        {"BCNCAR", {{"BCNSHP", "1"}, {"CATCAM", "1"}, {"COLOUR", "2,6"}, {"COLPAT", "1"}}, true},
        {"BOYISD", {{"BOYSHP", "4"}, {"COLOUR", "2,3,2"}, {"COLPAT", "1"}}},
        {"BOYSAW", {{"BOYSHP", "3"}, {"COLOUR", "3,1"}, {"COLPAT", "2"}}},
        {"BOYSPP", {{"BOYSHP", "5"}, {"COLOUR", "6"}}},
        {"OBSTRN", {{"CATOBS", "1"}, {"VALSOU", "3.5"}, {"WATLEV", "3"}}},
        {"WRECKS", {{"CATWRK", "2"}, {"VALSOU", "8"}, {"WATLEV", "3"}}},
        {"WRECKS", {{"CATWRK", "1"}}},
        {"UWTROC", {{"VALSOU", "1.2"}, {"WATLEV", "3"}}},
    };
    const auto code = [](std::string_view acronym) {
      if (const catalogue::ObjectClass* c = catalogue::objectClass(acronym)) return c->code;
      return catalogue::attribute(acronym)->code;
    };
    const auto water = [](int band) { return band >= 1; };
    for (int64_t k = 0; k < options().aids; ++k) {
      const Aid& aid = kAids[static_cast<size_t>(k) % std::size(kAids)];
      const auto [column, row] = clearVertex(kAtVertex, water, "an aid");
      const LatticePoint at = placement().at(column, row);
      taken_.insert(key(at));
      const uint32_t node = builder_.addIsolatedNode(at);
      const auto point = [&](uint16_t objl,
                             const std::vector<std::pair<const char*, const char*>>& attributes) {
        Feature f = builder_.newFeature(1, objl);
        for (const auto& [acronym, value] : attributes)
          f.attributes.push_back({code(acronym), value});
        std::sort(f.attributes.begin(), f.attributes.end(),
                  [](const auto& a, const auto& b) { return a.attl < b.attl; });
        f.spatialPointers = {{.rcnm = CellBuilder::kRcnmIsolatedNode, .rcid = node}};
        builder_.addFeature(std::move(f));
      };
      point(code(aid.acronym), aid.attributes);
      if (aid.topmark) point(code("TOPMAR"), {{"TOPSHP", "1"}, {"COLOUR", "2"}});
      ++builder_.aids;
    }
  }

  // The wrecks of the update files, each at a clear vertex in the water of
  // its own. A cell of an exchange set has as many as there is room for.
  std::vector<Wreck> placeWrecks() {
    std::vector<Wreck> wrecks;
    const auto water = [](int band) { return band >= 1; };
    for (int k = 0; k < (options().updates + 2) / 3; ++k) {
      const std::optional<std::pair<int, int>> vertex = findClearVertex(kAtVertex, water);
      if (!vertex && options().window) break;
      if (!vertex) throw std::runtime_error("the seabed has no place for an update's wreck");
      const auto [column, row] = *vertex;
      const LatticePoint at = placement().at(column, row);
      taken_.insert(key(at));
      wrecks.push_back({at, survey_.grid.at(column, row)});
    }
    return wrecks;
  }

  void addSounding(std::vector<cellwriter::Point3> depths, const char* expsou = nullptr) {
    builder_.soundings += static_cast<int64_t>(depths.size());
    const uint32_t node = builder_.addSoundingNode(std::move(depths));
    Feature f = builder_.newFeature(1, catalogue::kSoundg);
    if (expsou != nullptr) f.attributes = {{kExpsou, expsou}};
    f.spatialPointers = {{.rcnm = CellBuilder::kRcnmIsolatedNode, .rcid = node}};
    builder_.addFeature(std::move(f));
  }

  // Options::soundings points, each near a clear vertex in the water with
  // the vertex's depth, no two alike, kSoundingsPerFeature to a SOUNDG.
  void addScatteredSoundings() {
    const DepthGrid& grid = survey_.grid;
    Random& random = survey_.random;
    const auto inner = static_cast<uint32_t>(grid.size - 2);
    const int64_t wanted = options().soundings;
    const int64_t attempts = 100 * wanted + 1000000;
    std::vector<cellwriter::Point3> depths;
    int64_t placed = 0;
    for (int64_t attempt = 0; placed < wanted; ++attempt) {
      if (attempt == attempts) {
        if (options().window) break;  // as many as there is room for
        throw std::runtime_error("the seabed has room for only " + std::to_string(placed) +
                                 " soundings; raise --grid");
      }
      const int column = 1 + static_cast<int>(random.below(inner));
      const int row = 1 + static_cast<int>(random.below(inner));
      const double dx = random.uniform(-kNear, kNear), dy = random.uniform(-kNear, kNear);
      if (std::fabs(dx) + std::fabs(dy) >= kNear) continue;
      const double d = grid.at(column, row);
      if (!(d > 0) || !clear(column, row, kNearVertex)) continue;
      const LatticePoint at = placement().at(column + dx, row + dy);
      if (!taken_.insert(key(at)).second) continue;
      depths.push_back({degrees(at).x, degrees(at).y, sounded(d)});
      ++placed;
      if (depths.size() == kSoundingsPerFeature) addSounding(std::exchange(depths, {}));
    }
    if (!depths.empty()) addSounding(std::move(depths));
  }

  // A depth contour of its own nodes and edge along points.
  void addContour(const std::vector<LatticePoint>& points, double valdco) {
    const uint32_t from = builder_.addConnectedNode(points.front());
    const uint32_t to = builder_.addConnectedNode(points.back());
    Feature f = builder_.newFeature(2, catalogue::kDepcnt);
    f.attributes = {{catalogue::kValdco, depthText(valdco)}};
    for (const uint32_t edge : builder_.addChain(points, from, to))
      f.spatialPointers.push_back({.rcnm = CellBuilder::kRcnmEdge, .rcid = edge, .mask = 2});
    builder_.addFeature(std::move(f));
  }

  // A short contour across a vertex, east-west or north-south, well inside
  // the area of the vertex's band.
  std::vector<LatticePoint> across(std::pair<int, int> vertex, bool northward) const {
    const double reach = kNear / 2;
    const auto [column, row] = vertex;
    if (northward)
      return {placement().at(column, row - reach), placement().at(column, row + reach)};
    return {placement().at(column - reach, row), placement().at(column + reach, row)};
  }

  // Each defect asked for, as the one record or two that make it.
  void plantDefects() {
    const DepthGrid& grid = survey_.grid;
    const int bands = levelCount();  // the deepest band, below every level
    const auto depare = [&](int band) { return band >= 1 && band != dredgedBand_; };
    // Soundings keep off the bands of the areas whose range was changed.
    const auto soundable = [&](int band) {
      return depare(band) && std::find(offBands_.begin(), offBands_.end(), band) == offBands_.end();
    };
    const auto sounding = [&](const char* what, auto fits, auto depth) {
      const auto [column, row] =
          clearVertex(kAtVertex, fits, (std::string("defect ") + what).c_str());
      const LatticePoint at = placement().at(column, row);
      taken_.insert(key(at));
      const int band = bandOf(grid.at(column, row));
      addSounding({{degrees(at).x, degrees(at).y, depth(band, grid.at(column, row))}});
    };
    for (const std::string& defect : options().defects) {
      if (defect == "1768a") {
        // On the DRVAL1 of its depth area.
        sounding("1768a", soundable, [&](int band, double) { return levelDepth(band - 1); });
      } else if (defect == "1768b") {
        sounding("1768b", soundable, [&](int band, double) { return levelDepth(band - 1) - 1; });
      } else if (defect == "1769") {
        sounding("1769", soundable, [&](int band, double) { return levelDepth(band) + 1; });
      } else if (defect == "103") {
        // On land.
        sounding(
            "103", [](int band) { return band == 0; }, [](int, double d) { return sounded(d); });
      } else if (defect == "43") {
        // Inside a depth area, of a value in its range.
        const auto vertex = clearVertex(
            kNearVertex, [&](int b) { return depare(b) && b < bands; }, "43");
        addContour(across(vertex, false), levelDepth(bandOf(grid.at(vertex.first, vertex.second))));
      } else if (defect == "74") {
        // Inside a depth area, deeper than its range; off the areas' edges
        // too (43).
        const auto vertex = clearVertex(
            kNearVertex, [&](int b) { return depare(b) && b + 1 < bands; }, "74");
        addContour(across(vertex, false),
                   levelDepth(bandOf(grid.at(vertex.first, vertex.second)) + 1));
      } else if (defect == "75") {
        // Inside the dredged area, shallower than its DRVAL1.
        const auto vertex = clearVertex(
            kNearVertex, [&](int b) { return b == dredgedBand_; }, "75");
        addContour(across(vertex, false), levelDepth(dredgedBand_ - 2));
      } else if (defect == "77") {
        // Two crossing inside the dredged area, of its DRVAL1.
        const auto vertex = clearVertex(
            kNearVertex, [&](int b) { return b == dredgedBand_; }, "77");
        addContour(across(vertex, false), levelDepth(dredgedBand_ - 1));
        addContour(across(vertex, true), levelDepth(dredgedBand_ - 1));
      }
    }
  }

  const std::vector<double> levels_;
  const double deepest_;
  Survey survey_;
  CellBuilder builder_;
  const BandMap map_;
  // The edges of each piece of the band map, in its order.
  std::vector<std::vector<uint32_t>> pieceEdges_;
  std::vector<uint32_t> startNode_, endNode_;
  // The band whose areas are dredged areas, or -1.
  int dredgedBand_ = -1;
  // The bands of the areas whose range is off the contours (44a, 44b).
  std::vector<int> offBands_;
  // The lattice points of the soundings.
  std::unordered_set<uint64_t> taken_;
};

}  // namespace

SyntheticCell makeStandardCell(const Options& o) {
  return StandardCell(o).make();
}

}  // namespace abys::mkcell
