#include "cell_chart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "catalogue_codes.h"
#include "chart_geometry.h"
#include "check_driver.h"
#include "checks.h"
#include "feature_area.h"
#include "field_stream.h"
#include "field_types.h"
#include "load_driver.h"
#include "prepare_chart.h"
#include "record_assembly.h"

namespace abys {

namespace {

// Looks up the spatial pointers of features and the node pointers of edges
// that the checks did not resolve (they stop at the first failing check);
// pointers to no record stay null, which the drawing skips.
void resolveRemainingPointers(Dataset& dataset) {
  const RecordIndex index(dataset);
  for (FeatureRecord* feature : dataset.features) {
    for (SpatialPointerEntry* p : feature->spatialPointers) {
      if (p->target == nullptr) p->target = index.findVectorRecord(p->rcnm, p->rcid);
    }
  }
  for (VectorRecord* edge : dataset.edges) {
    for (VectorPointerEntry* p : edge->pointers) {
      if (p->target == nullptr && p->rcnm == kRcnmConnectedNode)
        p->target = index.findVectorRecord(p->rcnm, p->rcid);
    }
  }
}

// What the DSID and DSPM fields say of a cell.
CellHeader headerOf(const DsidImage& dsid, const DspmImage& dspm) {
  CellHeader header;
  header.name = std::string(dsid.dsnm);
  header.edition = std::string(dsid.edtn);
  header.update = std::string(dsid.updn);
  header.issueDate = std::string(dsid.isdt, strnlen(dsid.isdt, 8));
  header.usageBand = dsid.intu;
  header.scale = dspm.cscl;
  return header;
}

}  // namespace

std::optional<CellHeader> readCellHeader(const std::string& path) {
  FieldStream stream;
  if (!stream.open(path.c_str())) return std::nullopt;
  std::optional<CellHeader> header;
  for (int length = stream.next(); length > 0; length = stream.next()) {
    const int type = stream.type();
    if (type == kFieldFRID || type == kFieldVRID) break;
    if (type != kFieldDSID && type != kFieldDSPM) continue;
    if (stream.decode() != 0) break;
    const FieldImage& image = stream.image();
    if (type == kFieldDSID) {
      // Copied now: the next field's decoding reuses the image's texts.
      header = headerOf(image.dsid, DspmImage{});
    } else if (header) {
      header->scale = image.dspm.cscl;
      break;
    }
  }
  return header;
}

Coverage coverageOf(const Dataset& dataset) {
  Coverage coverage;
  for (const FeatureRecord* feature : dataset.features) {
    if (feature->objl != catalogue::kMCovr || feature->prim != kPrimArea) continue;
    if (attributeValue(*feature, catalogue::kCatcov) != 1.0) continue;
    appendFeatureRings(*feature, coverage.points, coverage.rings);
  }
  return coverage;
}

Coverage boxCoverage(const Bounds& b) {
  Coverage coverage;
  coverage.points = {
      {b.minX, b.minY}, {b.maxX, b.minY}, {b.maxX, b.maxY}, {b.minX, b.maxY}, {b.minX, b.minY}};
  coverage.rings = {{0, 5, true}};
  return coverage;
}

CellChart::CellChart(std::unique_ptr<Dataset> dataset, const ChartSettings& settings,
                     const std::vector<ChangedFeature>& changes)
    : dataset_(std::move(dataset)) {
  header_ = headerOf(dataset_->dsid, dataset_->dspm);
  display_.currentDataset = dataset_.get();
  display_.depthContours = settings.depthContours;
  display_.rules = settings.rules;
  display_.presentation = settings.presentation;
  portrayChart(display_);
  // The range stays empty where no depth line or contour has a VALDCO.
  display_.valdcoRange = {1.0, -1.0};
  computeValdcoRange(display_);
  hasValdco_ = display_.valdcoRange.min <= display_.valdcoRange.max;
  if (!hasValdco_) display_.valdcoRange = {};
  ownRange_ = display_.valdcoRange;
  coverage_ = coverageOf(*dataset_);
  drawn_ = std::make_unique<DrawnGeometry>(display_);
  std::unordered_set<uint32_t> names;
  for (const ChangedFeature& change : changes) {
    if (change.change != FeatureChange::Deleted) names.insert(change.rcid);
  }
  if (!names.empty()) {
    for (const FeatureRecord* feature : dataset_->features) {
      if (names.count(feature->rcid) != 0) updated_.insert(feature);
    }
  }
  memoryBytes_ = dataset_->arena.bytesAllocated() + drawn_->pointCount() * sizeof(LinePoint) +
                 drawn_->featureCount() * (sizeof(DrawnFeature) + 2 * sizeof(DrawnPart)) +
                 display_.portrayal.features().size() * 256;
}

CellChart::~CellChart() {
  simplified_.clear();
  drawn_.reset();
  display_.portrayal = {};
  if (dataset_) releaseDataset(*dataset_);
}

Bounds CellChart::extent() const {
  return {dataset_->minX, dataset_->minY, dataset_->maxX, dataset_->maxY};
}

void CellChart::setProjection(const ViewState& view) {
  display_.chartBounds = projectBounds(view, extent());
  simplified_.clear();
}

void CellChart::setSettings(const ChartSettings& settings) {
  const bool portrayAgain =
      !(settings.depthContours == display_.depthContours) || !(settings.rules == display_.rules);
  display_.depthContours = settings.depthContours;
  display_.rules = settings.rules;
  display_.presentation = settings.presentation;
  if (!portrayAgain) return;
  portrayChart(display_);
  simplified_.clear();
  drawn_ = std::make_unique<DrawnGeometry>(display_);
}

const DrawnGeometry& CellChart::drawnGeometry(const ViewState& view) const {
  if (!(view.pixelsPerMetre > 0.0) || !std::isfinite(view.pixelsPerMetre)) return *drawn_;
  // One simplification per power of two of the scale, to a pixel of the
  // largest scale of that power; zooms double or halve the scale, so
  // panning and returning to a scale reuse it.
  int level = 0;
  std::frexp(view.pixelsPerMetre, &level);
  for (const auto& [cached, geometry] : simplified_) {
    if (cached == level) return *geometry;
  }
  if (simplified_.size() == kSimplifiedKept) simplified_.erase(simplified_.begin());
  const double tolerance = kSimplifyPixels / std::ldexp(1.0, level);
  simplified_.emplace_back(level,
                           std::make_unique<DrawnGeometry>(drawn_->simplified(view, tolerance)));
  return *simplified_.back().second;
}

std::optional<DepthReadout> CellChart::depthAt(const ViewState& view, PixelPoint pointer) const {
  DepthReadout readout;
  const FeatureRecord* line = pickDepthLine(display_, view, pointer);
  if (line != nullptr) {
    readout.value = depthValue(*line);
    return readout;
  }
  const std::optional<Sounding> sounding = pickSounding(display_, view, pointer);
  if (sounding) {
    readout.kind = DepthReadout::Kind::Sounding;
    readout.value = sounding->z;
    return readout;
  }
  const FeatureRecord* area = pickDepthArea(display_, view, pointer);
  if (area == nullptr) return std::nullopt;
  readout.kind = DepthReadout::Kind::Area;
  readout.drval1 = attributeValue(*area, kDrval1Code);
  readout.drval2 = attributeValue(*area, kDrval2Code);
  return readout;
}

std::vector<const FeatureRecord*> CellChart::featuresAt(const ViewState& view, PixelPoint pointer,
                                                        int32_t tolerance) const {
  if (!(view.pixelsPerMetre > 0.0)) return {};
  // Measured in metres: no pixel overflows however far a vertex lies.
  const MetrePoint at = pixelToMetres(view, pointer.column, pointer.row);
  const double reach = tolerance / view.pixelsPerMetre;
  const double reachSquared = reach * reach;
  const auto metres = [&view](double lon, double lat) { return degreesToMetres(view, lon, lat); };
  const auto nearPoint = [&](double lon, double lat) {
    const MetrePoint p = metres(lon, lat);
    const double dx = p.x - at.x;
    const double dy = p.y - at.y;
    return dx * dx + dy * dy <= reachSquared;
  };
  const auto nearSegment = [&](const LinePoint& from, const LinePoint& to) {
    const MetrePoint a = metres(from.x, from.y);
    const MetrePoint b = metres(to.x, to.y);
    const double vx = b.x - a.x;
    const double vy = b.y - a.y;
    const double length = vx * vx + vy * vy;
    double t = length > 0.0 ? ((at.x - a.x) * vx + (at.y - a.y) * vy) / length : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = a.x + t * vx - at.x;
    const double dy = a.y + t * vy - at.y;
    return dx * dx + dy * dy <= reachSquared;
  };
  const auto nearLine = [&](const std::vector<LinePoint>& points) {
    if (points.size() == 1) return nearPoint(points.front().x, points.front().y);
    for (size_t i = 1; i < points.size(); ++i) {
      if (nearSegment(points[i - 1], points[i])) return true;
    }
    return false;
  };
  // Crossings of a ray east from the pointer, over every ring: odd inside.
  const auto inside = [&](const FeatureArea& area) {
    bool odd = false;
    for (const FeatureRing& ring : area.rings) {
      for (size_t i = 1; i < ring.points.size(); ++i) {
        const MetrePoint a = metres(ring.points[i - 1].x, ring.points[i - 1].y);
        const MetrePoint b = metres(ring.points[i].x, ring.points[i].y);
        if ((a.y > at.y) == (b.y > at.y)) continue;
        if (at.x < a.x + (at.y - a.y) * (b.x - a.x) / (b.y - a.y)) odd = !odd;
      }
    }
    return odd;
  };

  std::vector<const FeatureRecord*> points, lines, areas;
  for (const FeatureRecord* feature : dataset_->features) {
    if (feature->prim == kPrimPoint) {
      bool hit = false;
      for (const SpatialPointerEntry* p : feature->spatialPointers) {
        if (p->target == nullptr) continue;
        for (const Coordinate c : p->target->coordinates)
          hit = hit || nearPoint(c.x, c.y);
        for (const Sounding s : p->target->soundings())
          hit = hit || nearPoint(s.x, s.y);
        if (hit) break;
      }
      if (hit) points.push_back(feature);
    } else if (feature->prim == kPrimLine) {
      const std::optional<FeatureLine> line = assembleFeatureLine(*feature);
      if (line && nearLine(line->points)) lines.push_back(feature);
    } else if (feature->prim == kPrimArea) {
      const std::optional<FeatureArea> area = assembleFeatureArea(*feature);
      if (!area) continue;
      bool hit = inside(*area);
      for (const FeatureRing& ring : area->rings)
        hit = hit || nearLine(ring.points);
      if (hit) areas.push_back(feature);
    }
  }
  points.insert(points.end(), lines.begin(), lines.end());
  points.insert(points.end(), areas.begin(), areas.end());
  return points;
}

std::string failureReason(const OpenResult& result) {
  switch (result.outcome) {
    case OpenOutcome::Opened:
      return {};
    case OpenOutcome::CannotOpen:
      return "cannot be opened";
    case OpenOutcome::NothingLoaded:
      return "holds no chart";
    case OpenOutcome::ChecksFailed:
      return "failed its checks: status " + std::to_string(result.checkStatus);
    case OpenOutcome::Cancelled:
      return "cancelled by an update";
  }
  return {};
}

BuiltCell buildCellChart(const SetCell& cell, const CellBuildOptions& options,
                         const ChartSettings& settings, FindingReporter& reporter, const LogFn& log,
                         const ProgressFn& progress, const std::atomic<bool>* cancel) {
  BuiltCell built;
  std::unique_ptr<Dataset> dataset(new (std::nothrow) Dataset);
  if (!dataset) {
    built.result.outcome = OpenOutcome::NothingLoaded;
    built.result.loadStatus = kOutOfMemory;
    return built;
  }
  built.result = checkCell(*dataset, cell, options.check, reporter, log, progress, cancel);
  const bool showAnyway = options.openFailed && built.result.outcome == OpenOutcome::ChecksFailed &&
                          (!dataset->features.empty() || dataset->vectorCount > 0);
  if (built.result.stopped || (!built.result.opened() && !showAnyway)) {
    releaseDataset(*dataset);
    return built;
  }
  try {
    if (showAnyway) {
      resolveRemainingPointers(*dataset);
      built.result.shownAnyway = true;
    }
    built.chart =
        std::make_unique<CellChart>(std::move(dataset), settings, built.result.changedFeatures);
  } catch (const std::bad_alloc&) {
    built.chart.reset();
    built.result.shownAnyway = false;
    if (dataset) releaseDataset(*dataset);
  }
  return built;
}

}  // namespace abys
