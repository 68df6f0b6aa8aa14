#include "chart_session.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>

#include "catalogue.h"
#include "chart_geometry.h"
#include "checks.h"
#include "exchange_catalogue.h"
#include "feature_area.h"
#include "feature_line.h"
#include "field_types.h"
#include "geos_geometry.h"
#include "load_driver.h"
#include "point_location.h"
#include "prepare_chart.h"
#include "record_assembly.h"
#include "set_inputs.h"
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

// The GEOS context of the quilt and each cell's coverage made once.
struct ChartSession::GeosState {
  Geos geos;
  std::vector<Geometry> coverages;  // by cell; empty until made
  std::vector<bool> made;

  const Geometry& coverage(size_t index, const Coverage& coverage) {
    if (coverages.size() <= index) {
      coverages.resize(index + 1);
      made.resize(index + 1, false);
    }
    if (!made[index]) {
      made[index] = true;
      coverages[index] = validArea(geos, makeArea(geos, coverage.points, coverage.rings));
    }
    return coverages[index];
  }
  void forget(size_t index) {
    if (index < made.size()) {
      made[index] = false;
      coverages[index] = Geometry();
    }
  }
};

namespace {

bool isEmpty(const Geos& geos, const GEOSGeometry* geometry) {
  return geometry == nullptr || GEOSisEmpty_r(geos.get(), geometry) == 1;
}

// The rings of geometry's polygons, exterior then interior, in degrees.
void appendRings(const Geos& geos, const GEOSGeometry* geometry, Coverage& out) {
  const int type = GEOSGeomTypeId_r(geos.get(), geometry);
  if (type == GEOS_MULTIPOLYGON || type == GEOS_GEOMETRYCOLLECTION) {
    const int count = GEOSGetNumGeometries_r(geos.get(), geometry);
    for (int i = 0; i < count; ++i)
      appendRings(geos, GEOSGetGeometryN_r(geos.get(), geometry, i), out);
    return;
  }
  if (type != GEOS_POLYGON) return;
  const auto ring = [&](const GEOSGeometry* line, bool exterior) {
    const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(geos.get(), line);
    unsigned size = 0;
    if (sequence == nullptr || GEOSCoordSeq_getSize_r(geos.get(), sequence, &size) == 0) return;
    const size_t first = out.points.size();
    for (unsigned i = 0; i < size; ++i) {
      double x = 0, y = 0;
      GEOSCoordSeq_getXY_r(geos.get(), sequence, i, &x, &y);
      out.points.push_back({x, y});
    }
    out.rings.push_back({first, size, exterior});
  };
  ring(GEOSGetExteriorRing_r(geos.get(), geometry), true);
  const int holes = GEOSGetNumInteriorRings_r(geos.get(), geometry);
  for (int i = 0; i < holes; ++i)
    ring(GEOSGetInteriorRingN_r(geos.get(), geometry, i), false);
}

Bounds boundsOf(const std::vector<LinePoint>& points) {
  if (points.empty()) return {};
  Box box = Box::none();
  for (const LinePoint& p : points)
    box.add(p);
  return {box.west, box.south, box.east, box.north};
}

Bounds unite(const Bounds& a, const Bounds& b) {
  return {std::min(a.minX, b.minX), std::min(a.minY, b.minY), std::max(a.maxX, b.maxX),
          std::max(a.maxY, b.maxY)};
}

bool holds(const Bounds& box, double x, double y) {
  return x >= box.minX && x <= box.maxX && y >= box.minY && y <= box.maxY;
}

// Whether the coverage holds the place (its boundary counts), as the quilt
// cuts it.
bool covers(const Geos& geos, const Geometry& coverage, const GeoPoint& place) {
  if (!coverage) return false;
  const Geometry point = makePoint(geos, place.lon, place.lat);
  return point && GEOSPreparedIntersects_r(geos.get(), coverage.prepared(), point.get()) == 1;
}

}  // namespace

ChartSession::ChartSession() : geos_(std::make_unique<GeosState>()) {}

ChartSession::~ChartSession() = default;

void ChartSession::clear() {
  cells_.clear();
  geos_ = std::make_unique<GeosState>();
  open_ = false;
  fromFolder_ = false;
  ++generation_;
  valdcoRange_ = {};
  hasValdco_ = false;
  setBounds_ = {};
  display_.currentDataset = nullptr;
  display_.portrayal = {};
  emptyGeometry_.reset();
  enabled_.fill(false);
}

void ChartSession::close() {
  clear();
}

ChartSettings ChartSession::settings() const {
  return {display_.depthContours, display_.rules, display_.presentation};
}

double ChartSession::displayDenominator() const {
  // Without the screen's density (a session without a screen), that of the
  // renderer.
  const double density = display_.presentation.pixelsPerInch;
  return scaleDenominator(view_, density > 0 ? density : kRenderDensity);
}

void ChartSession::take(size_t index, BuiltCell built) {
  ChartCell& cell = *cells_[index];
  const bool wasUnplaced = !cell.located();
  cell.result = std::move(built.result);
  if (!built.chart) {
    cell.state = cell.result.stopped ? ChartCell::State::NotLoaded : ChartCell::State::Failed;
    fitOnceAllPlaced(wasUnplaced);
    return;
  }
  cell.chart = std::move(built.chart);
  cell.state = ChartCell::State::Loaded;
  cell.lastUsed = ++clock_;
  cell.header = cell.chart->header();
  if (cell.header.name.empty()) cell.header.name = cell.fileName;
  // The coverage: its M_COVR, else the catalogue's box, else its data's
  // extent.
  const ChartCell::CoverageFrom before = cell.coverageFrom;
  if (!cell.chart->coverage().empty()) {
    cell.coverage = cell.chart->coverage();
    cell.coverageFrom = ChartCell::CoverageFrom::Mcovr;
  } else if (before == ChartCell::CoverageFrom::Unknown ||
             before == ChartCell::CoverageFrom::Data) {
    cell.coverage = boxCoverage(cell.chart->extent());
    cell.coverageFrom = ChartCell::CoverageFrom::Data;
  }
  cell.box = boundsOf(cell.coverage.points);
  geos_->forget(index);
  if (open_) cell.chart->setProjection(view_);
  if (cell.chart->hasValdco()) {
    const ValdcoRange& own = cell.chart->ownValdcoRange();
    valdcoRange_ = hasValdco_ ? ValdcoRange{std::min(valdcoRange_.min, own.min),
                                            std::max(valdcoRange_.max, own.max)}
                              : own;
    hasValdco_ = true;
  }
  for (const auto& other : cells_) {
    if (other->chart) other->chart->setValdcoRange(valdcoRange_);
  }
  fitOnceAllPlaced(wasUnplaced);
}

void ChartSession::fitOnceAllPlaced(bool wasUnplaced) {
  if (open_ && wasUnplaced && unplacedCells().empty()) fitToSet();
}

std::string coverageNote(const ChartCell& cell) {
  switch (cell.coverageFrom) {
    case ChartCell::CoverageFrom::Catalogue:
      return cell.state == ChartCell::State::Loaded
                 ? cell.fileName + " has no M_COVR coverage: its coverage is its catalogue's box"
                 : std::string();
    case ChartCell::CoverageFrom::Data:
      return cell.fileName +
             " has no M_COVR coverage and no box in a catalogue: its coverage is "
             "the extent of its data";
    default:
      return {};
  }
}

void ChartSession::fitToSet() {
  Bounds geo{};
  bool first = true;
  for (const auto& cell : cells_) {
    if (!cell->located()) continue;
    // A loaded cell's data may reach beyond its coverage.
    const Bounds box = cell->chart ? unite(cell->box, cell->chart->extent()) : cell->box;
    geo = first ? box : unite(geo, box);
    first = false;
  }
  setProjection(view_, geo);
  setBounds_ = projectBounds(view_, geo);
  for (const auto& cell : cells_) {
    if (cell->chart) cell->chart->setProjection(view_);
  }
  fitView(view_, setBounds_, window_);
  enabled_.fill(true);
}

OpenResult ChartSession::open(const char* path, FindingReporter& reporter, const LogFn& loadLog,
                              const ProgressFn& progress) {
  close();
  SetCell input{path, applyUpdates_ ? updateFilesBeside(path) : std::vector<std::string>()};
  BuiltCell built = buildCellChart(input, build_, settings(), reporter, loadLog, progress);
  OpenResult result = built.result;
  if (!built.chart) return result;
  auto cell = std::make_unique<ChartCell>();
  cell->input = std::move(input);
  cell->fileName = std::filesystem::path(path).filename().string();
  cells_.push_back(std::move(cell));
  take(0, std::move(built));
  open_ = true;
  fitToSet();
  return result;
}

SetOpenResult ChartSession::openSet(const std::string& path) {
  close();
  SetOpenResult opened;
  std::filesystem::path folder(path);
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error) &&
      upperName(folder.filename().string()) == kCatalogueFileName) {
    folder = folder.parent_path();
    if (folder.empty()) folder = ".";
  }
  SetInputs inputs = listInputs({folder.string()}, applyUpdates_);
  opened.problems = std::move(inputs.problems);
  if (inputs.cells.empty()) return opened;
  for (SetCell& input : inputs.cells) {
    auto cell = std::make_unique<ChartCell>();
    cell->fileName = std::filesystem::path(input.path).filename().string();
    if (std::optional<CellHeader> header = readCellHeader(input.path)) {
      cell->header = *header;
    } else {
      // Without a header there is no cell to draw: said now, not when the
      // view comes to it.
      cell->state = ChartCell::State::Failed;
      cell->result.outcome = std::filesystem::is_regular_file(input.path, error)
                                 ? OpenOutcome::NothingLoaded
                                 : OpenOutcome::CannotOpen;
    }
    if (cell->header.name.empty()) cell->header.name = cell->fileName;
    if (input.box) {
      const Box& b = *input.box;
      cell->coverage = boxCoverage({b.west, b.south, b.east, b.north});
      cell->box = {b.west, b.south, b.east, b.north};
      cell->coverageFrom = ChartCell::CoverageFrom::Catalogue;
    }
    cell->input = std::move(input);
    cells_.push_back(std::move(cell));
  }
  open_ = true;
  fromFolder_ = true;
  if (unplacedCells().empty()) fitToSet();
  opened.opened = true;
  return opened;
}

std::vector<size_t> ChartSession::unplacedCells() const {
  std::vector<size_t> unplaced;
  for (size_t i = 0; i < cells_.size(); ++i) {
    if (!cells_[i]->located() && cells_[i]->state != ChartCell::State::Failed)
      unplaced.push_back(i);
  }
  return unplaced;
}

void ChartSession::buildCell(size_t index, FindingReporter& reporter) {
  take(index, buildCellChart(cells_.at(index)->input, build_, settings(), reporter));
}

std::vector<size_t> ChartSession::priorityOrder() const {
  const double denominator = displayDenominator();
  std::vector<size_t> order;
  for (size_t i = 0; i < cells_.size(); ++i) {
    if (cells_[i]->located()) order.push_back(i);
  }
  // Not too detailed (a scale at least a quarter of the display's), the
  // most detailed first; then the too detailed, the least detailed first.
  const auto key = [&](size_t i) {
    const uint32_t scale = cells_[i]->header.scale != 0 ? cells_[i]->header.scale : UINT32_MAX;
    const bool tooDetailed = scale < denominator / 4.0;
    return std::pair<int, int64_t>(tooDetailed ? 1 : 0,
                                   tooDetailed ? -int64_t{scale} : int64_t{scale});
  };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
  return order;
}

std::vector<QuiltPiece> ChartSession::quiltOf(bool loadedOnly) const {
  std::vector<QuiltPiece> pieces;
  if (!open_) return pieces;
  const double denominator = displayDenominator();
  const auto usable = [&](const ChartCell& cell) {
    return cell.located() && (cell.state == ChartCell::State::Loaded ||
                              (!loadedOnly && cell.state != ChartCell::State::Failed));
  };
  const auto pieceOf = [&](size_t i) {
    QuiltPiece piece;
    piece.cell = i;
    piece.chart = cells_[i]->chart.get();
    const uint32_t scale = cells_[i]->header.scale;
    piece.overscale = scale != 0 && denominator > 0 && denominator < scale / 2.0;
    return piece;
  };
  size_t usableCount = 0;
  for (const auto& cell : cells_)
    usableCount += usable(*cell) ? 1 : 0;
  if (usableCount == 1 && !fromFolder_) {
    // One cell draws the whole view.
    for (size_t i = 0; i < cells_.size(); ++i) {
      if (usable(*cells_[i])) pieces.push_back(pieceOf(i));
    }
    return pieces;
  }
  const Geos& geos = geos_->geos;
  const Bounds seen = visibleDegrees(view_, window_, 2);
  const Geometry viewBox = makeArea(geos, boxCoverage(seen).points, boxCoverage(seen).rings);
  if (!viewBox) return pieces;
  Geometry covered;
  for (const size_t i : priorityOrder()) {
    const ChartCell& cell = *cells_[i];
    if (!usable(cell) || !overlaps(cell.box, seen)) continue;
    const Geometry& coverage = geos_->coverage(i, cell.coverage);
    if (!coverage) continue;
    Geometry here(geos, GEOSIntersection_r(geos.get(), coverage.get(), viewBox.get()));
    if (isEmpty(geos, here.get())) continue;
    QuiltPiece piece = pieceOf(i);
    if (covered) {
      const Geometry left(geos, GEOSDifference_r(geos.get(), here.get(), covered.get()));
      double area = 0;
      if (isEmpty(geos, left.get()) || GEOSArea_r(geos.get(), left.get(), &area) == 0 ||
          !(area > 0))
        continue;
      const Geometry region(geos, GEOSDifference_r(geos.get(), viewBox.get(), covered.get()));
      piece.masked = true;
      if (region) appendRings(geos, region.get(), piece.region);
      covered = Geometry(geos, GEOSUnion_r(geos.get(), covered.get(), here.get()));
    } else {
      covered = std::move(here);
    }
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

std::vector<QuiltPiece> ChartSession::quilt() const {
  std::vector<QuiltPiece> pieces = quiltOf(true);
  const uint64_t now = ++clock_;
  for (const QuiltPiece& piece : pieces)
    cells_[piece.cell]->lastUsed = now;
  // The worst first, so that a better cell's outline lies over it.
  std::reverse(pieces.begin(), pieces.end());
  return pieces;
}

std::vector<size_t> ChartSession::wantedCells() const {
  std::vector<size_t> wanted;
  for (const QuiltPiece& piece : quiltOf(false)) {
    if (cells_[piece.cell]->state == ChartCell::State::NotLoaded) wanted.push_back(piece.cell);
  }
  return wanted;
}

void ChartSession::loadWanted(FindingReporter& reporter) {
  for (std::vector<size_t> wanted = wantedCells(); !wanted.empty(); wanted = wantedCells()) {
    for (const size_t i : wanted)
      buildCell(i, reporter);
  }
}

ChartSession::BuildRequest ChartSession::startBuild(size_t index) {
  ChartCell& cell = *cells_.at(index);
  cell.state = ChartCell::State::Loading;
  BuildRequest request{index, cell.input, build_, settings()};
  // Builds run side by side: each profile on its build's thread alone.
  if (request.options.check.s58) request.options.check.s58->threads = 1;
  return request;
}

void ChartSession::adopt(size_t index, BuiltCell built) {
  if (index >= cells_.size()) return;
  // Built under settings since changed: portrayed again here.
  if (built.chart) built.chart->setSettings(settings());
  take(index, std::move(built));
}

size_t ChartSession::memoryBytes() const {
  size_t bytes = 0;
  for (const auto& cell : cells_)
    bytes += cell->chart ? cell->chart->memoryBytes() : 0;
  return bytes;
}

size_t ChartSession::releaseUnused(size_t limitBytes) {
  size_t released = 0;
  std::unordered_set<size_t> drawn;
  for (const QuiltPiece& piece : quiltOf(true))
    drawn.insert(piece.cell);
  while (memoryBytes() > limitBytes) {
    ChartCell* oldest = nullptr;
    for (size_t i = 0; i < cells_.size(); ++i) {
      ChartCell& cell = *cells_[i];
      if (!cell.chart || drawn.count(i) != 0) continue;
      if (oldest == nullptr || cell.lastUsed < oldest->lastUsed) oldest = &cell;
    }
    if (oldest == nullptr) break;
    oldest->chart.reset();
    oldest->state = ChartCell::State::NotLoaded;
    ++released;
  }
  return released;
}

std::optional<size_t> ChartSession::cellAt(PixelPoint pointer) const {
  if (!open_ || !(view_.pixelsPerMetre > 0.0)) return std::nullopt;
  const std::vector<QuiltPiece> pieces = quiltOf(true);
  if (pieces.empty()) return std::nullopt;
  const GeoPoint at = metresToDegrees(view_, pixelToMetres(view_, pointer.column, pointer.row));
  for (const QuiltPiece& piece : pieces) {
    const ChartCell& cell = *cells_[piece.cell];
    if (holds(cell.box, at.lon, at.lat) &&
        covers(geos_->geos, geos_->coverage(piece.cell, cell.coverage), at))
      return piece.cell;
  }
  // Outside every coverage: the cell that draws everywhere else.
  return pieces.back().cell;
}

std::optional<size_t> ChartSession::focusCell() const {
  return cellAt({view_.halfWidth, view_.halfHeight});
}

const DisplayState& ChartSession::display() const {
  const std::optional<size_t> focus = focusCell();
  return focus ? cells_[*focus]->chart->display() : display_;
}

const DisplayState& ChartSession::displayAt(PixelPoint pointer) const {
  const std::optional<size_t> at = cellAt(pointer);
  return at ? cells_[*at]->chart->display() : display();
}

const DrawnGeometry& ChartSession::drawnGeometry() const {
  const std::optional<size_t> focus = focusCell();
  if (focus) return cells_[*focus]->chart->drawnGeometry(view_);
  if (!emptyGeometry_) emptyGeometry_ = std::make_unique<DrawnGeometry>(display_);
  return *emptyGeometry_;
}

const std::unordered_set<const FeatureRecord*>& ChartSession::updatedFeatures() const {
  static const std::unordered_set<const FeatureRecord*> none;
  const std::optional<size_t> focus = focusCell();
  return focus ? cells_[*focus]->chart->updatedFeatures() : none;
}

void ChartSession::setWindow(int32_t width, int32_t height) {
  window_ = {0, 0, width, height};
  if (isOpen()) setViewWindow(view_, window_);
}

void ChartSession::limitZoom() {
  if (cells_.size() < 2) return;
  // The extent of the best cell at the centre sets how far Zoom in goes.
  const GeoPoint at = metresToDegrees(view_, view_.centreX, view_.centreY);
  Bounds limit = setBounds_;
  for (const size_t i : priorityOrder()) {
    const ChartCell& cell = *cells_[i];
    if (cell.state == ChartCell::State::Failed) continue;
    if (holds(cell.box, at.lon, at.lat) &&
        covers(geos_->geos, geos_->coverage(i, cell.coverage), at)) {
      limit = projectBounds(view_, cell.box);
      break;
    }
  }
  ViewState probe = view_;
  probe.dataBounds = limit;
  probe.pixelsPerMetre *= 0.5;
  enabled_[indexOf(ViewCommand::ZoomIn)] = zoomViewIn(probe);
}

bool ChartSession::run(ViewCommand command) {
  if (!isOpen()) return false;
  if (command == ViewCommand::FullView) {
    fitView(view_, setBounds_, window_);
    enabled_.fill(true);
    return true;
  }
  const Step step = stepOf(command);
  if (!step.move(view_)) enabled_[indexOf(command)] = false;
  enabled_[indexOf(step.opposite)] = true;
  limitZoom();
  return enabled_[indexOf(command)];
}

bool ChartSession::fitCell(size_t index) {
  if (!isOpen() || index >= cells_.size() || !cells_[index]->located()) return false;
  fitView(view_, projectBounds(view_, cells_[index]->box), window_);
  view_.dataBounds = setBounds_;
  enabled_.fill(true);
  limitZoom();
  // Closer where the fit would be too small a scale for the cell to draw.
  const uint32_t scale = cells_[index]->header.scale;
  while (scale != 0 && scale < displayDenominator() / 4.0 && isEnabled(ViewCommand::ZoomIn))
    run(ViewCommand::ZoomIn);
  return true;
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
  limitZoom();
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

void ChartSession::pushSettings() {
  for (const auto& cell : cells_) {
    if (cell->chart) cell->chart->setSettings(settings());
  }
}

void ChartSession::setDepthContours(const DepthContours& contours) {
  display_.depthContours = contours;
  pushSettings();
}

void ChartSession::setPortrayalRules(const portrayal::PortrayalSettings& rules) {
  display_.rules = rules;
  pushSettings();
}

void ChartSession::setPresentation(const PresentationSettings& presentation) {
  display_.presentation = presentation;
  pushSettings();
}

std::vector<const FeatureRecord*> ChartSession::featuresAt(PixelPoint pointer,
                                                           int32_t tolerance) const {
  const std::optional<size_t> at = cellAt(pointer);
  if (!at) return {};
  return cells_[*at]->chart->featuresAt(view_, pointer, tolerance);
}

bool ChartSession::isEnabled(ViewCommand command) const {
  return isOpen() && enabled_[indexOf(command)];
}

std::optional<GeoPoint> ChartSession::positionAt(PixelPoint pointer) const {
  if (!isOpen()) return std::nullopt;
  return metresToDegrees(view_, pixelToMetres(view_, pointer.column, pointer.row));
}

std::optional<DepthReadout> ChartSession::depthAt(PixelPoint pointer) const {
  const std::optional<size_t> at = cellAt(pointer);
  if (!at) return std::nullopt;
  return cells_[*at]->chart->depthAt(view_, pointer);
}

}  // namespace abys
