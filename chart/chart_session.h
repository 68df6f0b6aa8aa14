// The one owner of an open chart: a set of cells drawn as one chart, each
// place from the cell of the best scale for the view (a single cell is a set
// of one). It opens a cell or a folder of cells (load, checks, display
// state, fit), loads and releases cells as the view needs them, runs the
// View commands with the enabled state of each, and answers the two pointer
// read-outs as numbers. Qt-free; the viewer, the renderer, the validator and
// the fuzz target all open charts through it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "cell_chart.h"
#include "cell_check.h"
#include "check_driver.h"
#include "display_state.h"
#include "drawn_geometry.h"
#include "finding.h"
#include "messages.h"
#include "profile.h"
#include "update_files.h"
#include "view_transform.h"

namespace abys {

// The pixels per inch a display scale is reckoned at where no screen says
// (the headless renderer's).
inline constexpr double kRenderDensity = 96.0;

// The View menu's commands, in menu order.
enum class ViewCommand { FullView, ZoomIn, ZoomOut, Left, Right, Up, Down };
inline constexpr int kViewCommandCount = 7;

// How a changed feature is named where it is listed: its class acronym
// (the code of a class the catalogue lacks), record name and FOID, e.g.
// "LIGHTS FE0000000012 FOID US 0000012345 00001".
std::string changedFeatureName(const ChangedFeature& feature);

// A cell of the open chart, whether or not it is in memory.
struct ChartCell {
  SetCell input;
  std::string fileName;  // the base file's name, e.g. US5BOSCD.000
  // From its first records; empty until read (the name, when it cannot be
  // read, is the file's).
  CellHeader header;
  // Where the chart takes the cell's coverage from.
  enum class CoverageFrom { Unknown, Catalogue, Mcovr, Data };
  CoverageFrom coverageFrom = CoverageFrom::Unknown;
  Coverage coverage;  // degrees
  Bounds box{};       // of the coverage, degrees
  enum class State { NotLoaded, Loading, Loaded, Failed };
  State state = State::NotLoaded;
  // What its last build said; meaningful once loaded or failed.
  OpenResult result;
  std::unique_ptr<CellChart> chart;
  uint64_t lastUsed = 0;  // the session's clock when it was last drawn
  bool located() const { return coverageFrom != CoverageFrom::Unknown; }
};

// Why a cell's coverage is not its M_COVR, once that is known: "NAME has no
// M_COVR coverage: its coverage is its catalogue's box" and the like; empty
// when it is its M_COVR or not yet known.
std::string coverageNote(const ChartCell& cell);

// Where one cell draws in the view: the whole view, or the region left to
// it by the cells of better scale that cover part of it.
struct QuiltPiece {
  size_t cell = 0;
  const CellChart* chart = nullptr;
  bool masked = false;
  Coverage region;  // degrees, rings to fill by parity; when masked
  // The display scale is more than twice the cell's compilation scale.
  bool overscale = false;
};

// What a folder's open came to.
struct SetOpenResult {
  bool opened = false;  // it held a cell; the chart is open
  // What could not be read or was not there, a line each.
  std::vector<std::string> problems;
};

class ChartSession {
 public:
  ChartSession();
  ~ChartSession();
  ChartSession(const ChartSession&) = delete;
  ChartSession& operator=(const ChartSession&) = delete;

  // Closes the open chart, if any, then checks path as checkCell does (its
  // load messages through loadLog, the fraction read through progress when
  // given; the update files beside a NAME.000 unless switched off; the
  // announcements and findings of the checks through reporter), and opens
  // the chart when the checks pass and the file held a cell (see
  // OpenOutcome): display chains, VALDCO range, projection, and the view
  // fitted to the window. Anything but an opened chart leaves no chart.
  OpenResult open(const char* path, FindingReporter& reporter, const LogFn& loadLog = {},
                  const ProgressFn& progress = {});
  // Closes the open chart, if any, then opens the cells of a folder (an
  // exchange set's ENC_ROOT, any folder of cells, or the folder of a
  // CATALOG.031 named), in the order abys-check takes them, as one chart:
  // each cell's header is read and its coverage taken from its catalogue's
  // box. Cells no catalogue places are left for buildCell; the view is
  // fitted to the set here, or once the last of those is built. Cells are
  // built as the view needs them (loadWanted, or startBuild and adopt on
  // other threads).
  SetOpenResult openSet(const std::string& path);
  // The cells that have no coverage yet: no catalogue placed them and they
  // have not been built.
  std::vector<size_t> unplacedCells() const;
  // Builds cell index here and now (its findings through reporter) and
  // takes it into the chart.
  void buildCell(size_t index, FindingReporter& reporter);
  void close();
  bool isOpen() const { return open_; }
  // Whether the open chart came from a folder.
  bool isSet() const { return fromFolder_; }

  // Whether opening a NAME.000 applies the NAME.001, NAME.002, ... beside
  // it; on unless switched off, kept across charts.
  void setApplyUpdates(bool apply) { applyUpdates_ = apply; }
  bool appliesUpdates() const { return applyUpdates_; }
  // Whether every open also runs the S-58 profile after the checks, and
  // with what options; off unless switched on, kept across charts.
  void setS58Profile(std::optional<S58Options> options) { build_.check.s58 = std::move(options); }
  const std::optional<S58Options>& s58Profile() const { return build_.check.s58; }
  // Whether a cell whose checks failed is opened all the same, drawn as far
  // as it can be: every pointer the checks left unresolved is looked up, and
  // those to no record are skipped. Off unless switched on, kept across
  // charts.
  void setOpenFailedCharts(bool open) { build_.openFailed = open; }
  bool opensFailedCharts() const { return build_.openFailed; }

  // Whether a field out of order is taken where it stands and the load
  // goes on to the end of the file, each record that held one handed to the
  // reporter as a finding of code 7 before the checks run; the load status
  // stays 7, so the file still fails. Off unless switched on, kept across
  // charts.
  void setReadPastOrderErrors(bool on) { build_.check.readPastOrderErrors = on; }
  bool readsPastOrderErrors() const { return build_.check.readPastOrderErrors; }

  // The size of the drawing surface in pixels; the view follows it while a
  // chart is open, and the next open and Full view fit to it.
  void setWindow(int32_t width, int32_t height);

  // Runs a View command and returns whether its menu item stays enabled.
  // Full view fits the chart to the window again and enables every item; a
  // step that reaches the edge or the zoom limit disables its own item, and
  // any step enables the opposite one. Nothing happens (false) without a
  // chart. The zoom limit is that of the cell drawn at the view's centre.
  bool run(ViewCommand command);
  // Whether the command's menu item is enabled: never without a chart.
  bool isEnabled(ViewCommand command) const;

  // Moves of the view other than the menu's, each held within the same
  // limits: the centre stays inside the chart, and a zoom happens only while
  // its menu item is enabled. Afterwards each pan item is enabled while the
  // centre is short of the edge its step moves toward. Nothing happens
  // (false) without a chart.
  //
  // Centres the view on position (clamped to the chart).
  bool centreOn(const GeoPoint& position);
  // Moves the chart on screen by (columns, rows) pixels, as a drag does.
  bool panBy(int32_t columns, int32_t rows);
  // Zoom in or Zoom out keeping the model point under pointer where it is
  // (clamped to the chart); false also when the item is disabled.
  bool zoomAbout(ViewCommand command, PixelPoint pointer);
  // Fits the view to a cell's coverage, as Full view fits the chart, then
  // zooms in about its middle as far as the quilt needs to draw it.
  bool fitCell(size_t index);

  // The position under pointer, in degrees; none without a chart.
  std::optional<GeoPoint> positionAt(PixelPoint pointer) const;
  // What a press at pointer reads in the cell drawn there; none when
  // nothing is there or no chart is open.
  std::optional<DepthReadout> depthAt(PixelPoint pointer) const;

  // Every feature of the cell drawn at pointer with geometry within
  // tolerance pixels of pointer, or whose area holds it: point features
  // first, then lines, then areas, each in record order. Empty without a
  // chart.
  std::vector<const FeatureRecord*> featuresAt(PixelPoint pointer, int32_t tolerance) const;

  // The contours that split depth areas into bands and soundings into
  // shallow and deep; kept across charts. An open chart is portrayed again.
  void setDepthContours(const DepthContours& contours);
  // What else the portrayal rules read (the contours aside, which follow
  // setDepthContours); kept across charts. An open chart is portrayed again.
  void setPortrayalRules(const portrayal::PortrayalSettings& rules);
  // What the painter leaves out and which colours it draws in; kept across
  // charts, read at every paint.
  void setPresentation(const PresentationSettings& presentation);

  // What the portrayal and the painter read, the same for every cell.
  ChartSettings settings() const;

  // The cell in focus: the one drawn at the view's centre, else the first
  // loaded; for a single cell, that cell. Its display state (with the
  // chart's settings when no cell is loaded), geometry and updated features.
  const DisplayState& display() const;
  // The geometry of the focus cell's portrayed features for the present
  // scale: simplified to a pixel; valid until the view next changes.
  const DrawnGeometry& drawnGeometry() const;
  const ViewState& view() const { return view_; }
  const ViewWindow& window() const { return window_; }
  // The features of the focus cell that the applied updates inserted or
  // modified; empty without a chart.
  const std::unordered_set<const FeatureRecord*>& updatedFeatures() const;
  // The display state of the cell drawn at pointer (display() when none).
  const DisplayState& displayAt(PixelPoint pointer) const;
  // The cell of the focus, when one is loaded.
  std::optional<size_t> focusCell() const;

  // The cells of the open chart, in set order.
  size_t cellCount() const { return cells_.size(); }
  const ChartCell& cell(size_t index) const { return *cells_.at(index); }
  // The cell drawn at pointer: among the loaded cells whose coverage holds
  // the place, the one the quilt puts first.
  std::optional<size_t> cellAt(PixelPoint pointer) const;

  // Where each loaded cell draws in the present view, in drawing order;
  // empty without a chart. Cells that draw nothing are left out.
  std::vector<QuiltPiece> quilt() const;
  // The cells the present view needs that are not in memory, building or
  // failed, best scale first.
  std::vector<size_t> wantedCells() const;
  // Builds every wanted cell here and now, again until none is wanted.
  void loadWanted(FindingReporter& reporter);
  // What a build of a cell on another thread needs: copied, so that the
  // session may change meanwhile, the S-58 profile (when on) on the
  // build's thread alone, as builds run side by side. The cell is marked
  // as building.
  struct BuildRequest {
    size_t cell = 0;
    SetCell input;
    CellBuildOptions options;
    ChartSettings settings;
  };
  BuildRequest startBuild(size_t index);
  // Takes a built cell into the chart (from any build of it, the chart
  // still being the one it was asked of: the caller checks generation()).
  void adopt(size_t index, BuiltCell built);
  // Changes with every open and close, so that a build for an earlier
  // chart is not adopted into a later one.
  uint64_t generation() const { return generation_; }
  // Releases loaded cells not drawn in the present view, those drawn
  // longest ago first, until what the cells hold is within limitBytes.
  // Returns how many were released.
  size_t releaseUnused(size_t limitBytes);
  // What the loaded cells hold in memory, roughly, in bytes.
  size_t memoryBytes() const;
  // The range depth colours spread over: every VALDCO of every cell
  // loaded since the chart opened.
  const ValdcoRange& valdcoRange() const { return valdcoRange_; }

 private:
  void clear();
  // Takes a built cell's chart (projection, VALDCO range, coverage).
  void take(size_t index, BuiltCell built);
  // Fits the view to the set once the last cell no catalogue placed is
  // placed (or fails), when wasUnplaced says this cell was one of them.
  void fitOnceAllPlaced(bool wasUnplaced);
  // The projection and the view fitted to every cell placed, as at an open.
  void fitToSet();
  // The settings on every cell in memory.
  void pushSettings();
  // The cells that draw each place of the view at its scale, best first.
  std::vector<size_t> priorityOrder() const;
  std::vector<QuiltPiece> quiltOf(bool loadedOnly) const;
  // Puts the centre at (x, y) metres clamped to the chart, and enables the
  // pan items as the new centre allows.
  void moveCentre(double x, double y);
  // Of a set: whether Zoom in stays offered at the present scale, by the
  // extent of the cell at the centre.
  void limitZoom();
  double displayDenominator() const;

  struct GeosState;
  std::unique_ptr<GeosState> geos_;
  std::vector<std::unique_ptr<ChartCell>> cells_;
  bool open_ = false;
  bool fromFolder_ = false;
  uint64_t generation_ = 0;
  mutable uint64_t clock_ = 0;  // counts quilts, for the release of cells drawn longest ago
  DisplayState display_;        // settings, and the state shown without a cell
  ValdcoRange valdcoRange_{};
  bool hasValdco_ = false;
  Bounds setBounds_{};  // metres, of every located cell
  ViewState view_;
  ViewWindow window_{};
  std::array<bool, kViewCommandCount> enabled_{};
  bool applyUpdates_ = true;
  CellBuildOptions build_;
  mutable std::unique_ptr<DrawnGeometry> emptyGeometry_;
};

}  // namespace abys
