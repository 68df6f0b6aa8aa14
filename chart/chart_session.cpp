#include "chart_session.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "catalogue.h"
#include "chart_geometry.h"
#include "checks.h"
#include "feature_area.h"
#include "feature_line.h"
#include "field_types.h"
#include "load_driver.h"
#include "prepare_chart.h"
#include "record_assembly.h"
#include "update_files.h"

namespace abys {

namespace {

size_t indexOf(ViewCommand command) {
  return static_cast<size_t>(command);
}

struct Step {
  bool (*move)(ViewState&);
  ViewCommand opposite;
};

Step stepOf(ViewCommand command) {
  switch (command) {
    case ViewCommand::ZoomIn:
      return {zoomViewIn, ViewCommand::ZoomOut};
    case ViewCommand::ZoomOut:
      return {zoomViewOut, ViewCommand::ZoomIn};
    case ViewCommand::Left:
      return {panLeft, ViewCommand::Right};
    case ViewCommand::Right:
      return {panRight, ViewCommand::Left};
    case ViewCommand::Up:
      return {panUp, ViewCommand::Down};
    case ViewCommand::Down:
    default:
      return {panDown, ViewCommand::Up};
  }
}

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

}  // namespace

std::string changedFeatureName(const ChangedFeature& feature) {
  const catalogue::ObjectClass* objectClass = catalogue::objectClass(feature.objl);
  const std::string acronym = objectClass != nullptr && !objectClass->acronym.empty()
                                  ? std::string(objectClass->acronym)
                                  : std::to_string(feature.objl);
  const std::optional<std::string_view> letters = catalogue::agency(feature.agen);
  const std::string producer = letters ? std::string(*letters) : std::to_string(feature.agen);
  return formatMessage("%s %s FOID %s %010u %05u", acronym.c_str(),
                       recordName(feature.rcnm, feature.rcid).c_str(), producer.c_str(),
                       static_cast<unsigned>(feature.fidn), static_cast<unsigned>(feature.fids));
}

ChartSession::ChartSession() = default;

void ChartSession::noteUpdatedFeatures(const std::vector<ChangedFeature>& changes) {
  std::unordered_set<uint32_t> names;
  for (const ChangedFeature& change : changes) {
    if (change.change != FeatureChange::Deleted) names.insert(change.rcid);
  }
  if (names.empty()) return;
  for (const FeatureRecord* feature : dataset_->features) {
    if (names.count(feature->rcid) != 0) updated_.insert(feature);
  }
}

ChartSession::~ChartSession() {
  releaseDataset();
}

void ChartSession::releaseDataset() {
  drawn_.reset();
  simplified_.clear();
  updated_.clear();
  display_.currentDataset = nullptr;
  display_.portrayal = {};
  if (dataset_) abys::releaseDataset(*dataset_);
  enabled_.fill(false);
}

OpenResult ChartSession::open(const char* path, FindingReporter& reporter, const LogFn& loadLog,
                              const ProgressFn& progress) {
  close();
  if (!dataset_) dataset_.reset(new (std::nothrow) Dataset);
  if (!dataset_) {
    OpenResult result;
    result.outcome = OpenOutcome::NothingLoaded;
    result.loadStatus = kOutOfMemory;
    return result;
  }
  const SetCell cell{path, applyUpdates_ ? updateFilesBeside(path) : std::vector<std::string>()};
  OpenResult result = checkCell(*dataset_, cell, check_, reporter, loadLog, progress);
  const bool showAnyway = openFailed_ && result.outcome == OpenOutcome::ChecksFailed &&
                          (!dataset_->features.empty() || dataset_->vectorCount > 0);
  if (!result.opened() && !showAnyway) {
    releaseDataset();
    return result;
  }
  if (showAnyway) {
    try {
      resolveRemainingPointers(*dataset_);
    } catch (const std::bad_alloc&) {
      releaseDataset();
      return result;
    }
    result.shownAnyway = true;
  }
  prepareChart(display_, *dataset_, view_, window_);
  noteUpdatedFeatures(result.changedFeatures);
  enabled_.fill(true);
  return result;
}

void ChartSession::close() {
  releaseDataset();
}

void ChartSession::setWindow(int32_t width, int32_t height) {
  window_ = {0, 0, width, height};
  if (isOpen()) setViewWindow(view_, window_);
}

bool ChartSession::run(ViewCommand command) {
  if (!isOpen()) return false;
  if (command == ViewCommand::FullView) {
    fitView(view_, display_.chartBounds, window_);
    enabled_.fill(true);
    return true;
  }
  const Step step = stepOf(command);
  if (!step.move(view_)) enabled_[indexOf(command)] = false;
  enabled_[indexOf(step.opposite)] = true;
  return enabled_[indexOf(command)];
}

void ChartSession::moveCentre(double x, double y) {
  const Bounds& b = view_.dataBounds;
  view_.centreX = std::clamp(x, b.minX, std::max(b.minX, b.maxX));
  view_.centreY = std::clamp(y, b.minY, std::max(b.minY, b.maxY));
  // Left moves the centre east, Right west, Up south, Down north.
  enabled_[indexOf(ViewCommand::Left)] = view_.centreX < b.maxX;
  enabled_[indexOf(ViewCommand::Right)] = view_.centreX > b.minX;
  enabled_[indexOf(ViewCommand::Up)] = view_.centreY > b.minY;
  enabled_[indexOf(ViewCommand::Down)] = view_.centreY < b.maxY;
}

bool ChartSession::centreOn(const GeoPoint& position) {
  if (!isOpen() || !std::isfinite(position.lon) || !std::isfinite(position.lat)) return false;
  const MetrePoint at = degreesToMetres(view_, position.lon, position.lat);
  moveCentre(at.x, at.y);
  return true;
}

bool ChartSession::panBy(int32_t columns, int32_t rows) {
  if (!isOpen() || !(view_.pixelsPerMetre > 0.0)) return false;
  moveCentre(view_.centreX - columns / view_.pixelsPerMetre,
             view_.centreY + rows / view_.pixelsPerMetre);
  return true;
}

bool ChartSession::zoomAbout(ViewCommand command, PixelPoint pointer) {
  if (command != ViewCommand::ZoomIn && command != ViewCommand::ZoomOut) return false;
  if (!isEnabled(command)) return false;
  const MetrePoint fixed = pixelToMetres(view_, pointer.column, pointer.row);
  run(command);
  // The pointer's offset from the centre, in metres at the new scale.
  const double dx = static_cast<double>(int64_t{pointer.column} - view_.halfWidth);
  const double dy = static_cast<double>(int64_t{view_.halfHeight} - pointer.row);
  moveCentre(fixed.x - dx / view_.pixelsPerMetre, fixed.y - dy / view_.pixelsPerMetre);
  return true;
}

void ChartSession::setDepthContours(const DepthContours& contours) {
  display_.depthContours = contours;
  portrayAgain();
}

void ChartSession::setPortrayalRules(const portrayal::PortrayalSettings& rules) {
  display_.rules = rules;
  portrayAgain();
}

void ChartSession::portrayAgain() {
  if (display_.currentDataset == nullptr) return;
  portrayChart(display_);
  drawn_.reset();
  simplified_.clear();
}

const DrawnGeometry& ChartSession::drawnGeometry() const {
  if (!drawn_) drawn_ = std::make_unique<DrawnGeometry>(display_);
  if (!(view_.pixelsPerMetre > 0.0) || !std::isfinite(view_.pixelsPerMetre)) return *drawn_;
  // One simplification per power of two of the scale, to a pixel of the
  // largest scale of that power; zooms double or halve the scale, so
  // panning and returning to a scale reuse it.
  int level = 0;
  std::frexp(view_.pixelsPerMetre, &level);
  for (const auto& [cached, geometry] : simplified_) {
    if (cached == level) return *geometry;
  }
  if (simplified_.size() == kSimplifiedKept) simplified_.erase(simplified_.begin());
  const double tolerance = kSimplifyPixels / std::ldexp(1.0, level);
  simplified_.emplace_back(level,
                           std::make_unique<DrawnGeometry>(drawn_->simplified(view_, tolerance)));
  return *simplified_.back().second;
}

std::vector<const FeatureRecord*> ChartSession::featuresAt(PixelPoint pointer,
                                                           int32_t tolerance) const {
  if (!isOpen() || !(view_.pixelsPerMetre > 0.0)) return {};
  // Measured in metres: no pixel overflows however far a vertex lies.
  const MetrePoint at = pixelToMetres(view_, pointer.column, pointer.row);
  const double reach = tolerance / view_.pixelsPerMetre;
  const double reachSquared = reach * reach;
  const auto metres = [this](double lon, double lat) { return degreesToMetres(view_, lon, lat); };
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

bool ChartSession::isEnabled(ViewCommand command) const {
  return isOpen() && enabled_[indexOf(command)];
}

std::optional<GeoPoint> ChartSession::positionAt(PixelPoint pointer) const {
  if (!isOpen()) return std::nullopt;
  return metresToDegrees(view_, pixelToMetres(view_, pointer.column, pointer.row));
}

std::optional<DepthReadout> ChartSession::depthAt(PixelPoint pointer) const {
  DepthReadout readout;
  const FeatureRecord* line = pickDepthLine(display_, view_, pointer);
  if (line != nullptr) {
    readout.value = depthValue(*line);
    return readout;
  }
  const std::optional<Sounding> sounding = pickSounding(display_, view_, pointer);
  if (sounding) {
    readout.kind = DepthReadout::Kind::Sounding;
    readout.value = sounding->z;
    return readout;
  }
  const FeatureRecord* area = pickDepthArea(display_, view_, pointer);
  if (area == nullptr) return std::nullopt;
  readout.kind = DepthReadout::Kind::Area;
  readout.drval1 = attributeValue(*area, kDrval1Code);
  readout.drval2 = attributeValue(*area, kDrval2Code);
  return readout;
}

}  // namespace abys
