// One cell of an open chart: its dataset with its update files applied and
// checked, its portrayal, its assembled geometry and the coverage it gives
// the chart. Built complete on any thread (buildCellChart) and then used by
// one thread only: the chart session that owns it. Qt-free.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cell_check.h"
#include "display_state.h"
#include "drawn_geometry.h"
#include "feature_line.h"

namespace abys {

// What a press reads, in order of preference: the nearest depth line or
// depth contour (its VALDCO, kNoValdco without one), else the nearest
// sounding (its depth), else the depth or dredged area under the pointer
// (its DRVAL1 and DRVAL2, each none when missing).
struct DepthReadout {
  enum class Kind { Line, Sounding, Area } kind = Kind::Line;
  double value = 0;
  std::optional<double> drval1 = std::nullopt;
  std::optional<double> drval2 = std::nullopt;
};

// What a cell says of itself in its first records.
struct CellHeader {
  std::string name;       // DSID DSNM
  std::string edition;    // EDTN
  std::string update;     // UPDN of the base
  std::string issueDate;  // ISDT, CCYYMMDD
  int usageBand = 0;      // INTU
  uint32_t scale = 0;     // DSPM CSCL; 0 when not given
};

// The header of the cell at path from its DSID and DSPM fields, reading no
// further than the first feature or vector record; none when the file
// cannot be opened or gives no DSID first.
std::optional<CellHeader> readCellHeader(const std::string& path);

// The data coverage of a cell in degrees: the rings of its M_COVR features
// of CATCOV 1, exterior and interior as appendFeatureRings lays them out.
struct Coverage {
  std::vector<LinePoint> points;
  std::vector<RingRange> rings;
  bool empty() const { return rings.empty(); }
};

// The coverage of features' rings that are M_COVR with CATCOV 1.
Coverage coverageOf(const Dataset& dataset);

// The same as a box: its four corners in the order west, south, east and
// north, as one exterior ring.
Coverage boxCoverage(const Bounds& degrees);

// What the portrayal and the painter read, handed to a cell as it is built
// and whenever they change.
struct ChartSettings {
  DepthContours depthContours{};
  portrayal::PortrayalSettings rules{};
  PresentationSettings presentation{};
};

class CellChart {
 public:
  // Takes a dataset that passed its checks (or one to be shown anyway,
  // its pointers resolved) and prepares it: portrayal, VALDCO range,
  // geometry in degrees, coverage, header. The changed features name the
  // features the applied updates inserted or modified.
  CellChart(std::unique_ptr<Dataset> dataset, const ChartSettings& settings,
            const std::vector<ChangedFeature>& changes);
  ~CellChart();
  CellChart(const CellChart&) = delete;
  CellChart& operator=(const CellChart&) = delete;

  const CellHeader& header() const { return header_; }
  const DisplayState& display() const { return display_; }
  // The cell's own VALDCO range; display().valdcoRange is the chart's.
  const ValdcoRange& ownValdcoRange() const { return ownRange_; }
  bool hasValdco() const { return hasValdco_; }
  // The extent of the cell's coordinates in degrees.
  Bounds extent() const;
  // Its M_COVR coverage; empty when the cell has none.
  const Coverage& coverage() const { return coverage_; }
  const std::unordered_set<const FeatureRecord*>& updatedFeatures() const { return updated_; }
  // What the cell holds in memory, roughly, in bytes.
  size_t memoryBytes() const { return memoryBytes_; }

  // The projection of the chart the cell is part of: chartBounds follow it.
  void setProjection(const ViewState& view);
  // The range depth colours spread over.
  void setValdcoRange(const ValdcoRange& range) { display_.valdcoRange = range; }
  // New settings: the portrayal is made again when what it reads changed.
  void setSettings(const ChartSettings& settings);

  // The geometry of the portrayed features simplified for view's scale;
  // valid until the settings next change. Each power of two of the scale
  // is simplified once and kept (the last few).
  const DrawnGeometry& drawnGeometry(const ViewState& view) const;

  // The depth line or contour, else sounding, else depth area at pointer.
  std::optional<DepthReadout> depthAt(const ViewState& view, PixelPoint pointer) const;
  // See ChartSession::featuresAt.
  std::vector<const FeatureRecord*> featuresAt(const ViewState& view, PixelPoint pointer,
                                               int32_t tolerance) const;

 private:
  std::unique_ptr<Dataset> dataset_;
  CellHeader header_;
  DisplayState display_;
  ValdcoRange ownRange_{};
  bool hasValdco_ = false;
  Coverage coverage_;
  std::unordered_set<const FeatureRecord*> updated_;
  size_t memoryBytes_ = 0;
  std::unique_ptr<DrawnGeometry> drawn_;
  static constexpr size_t kSimplifiedKept = 3;
  static constexpr double kSimplifyPixels = 1.0;
  mutable std::vector<std::pair<int, std::unique_ptr<DrawnGeometry>>> simplified_;
};

// A cell built for a chart: what its check said, and the chart when it
// opens (or is shown anyway).
struct BuiltCell {
  OpenResult result;
  std::unique_ptr<CellChart> chart;
};

// How cells are built: their check and whether one whose checks fail is
// drawn all the same.
struct CellBuildOptions {
  CellCheckOptions check;
  bool openFailed = false;
};

// Why a cell does not open, in a few words ("cannot be opened", "holds no
// chart", "failed its checks: status 3", "cancelled by an update"); empty
// for one that opens.
std::string failureReason(const OpenResult& result);

// Checks cell as checkCell does and, when it opens, prepares its chart.
// Safe on any thread: it shares nothing. A cell that does not open leaves
// no chart.
BuiltCell buildCellChart(const SetCell& cell, const CellBuildOptions& options,
                         const ChartSettings& settings, FindingReporter& reporter,
                         const LogFn& log = {}, const ProgressFn& progress = {},
                         const std::atomic<bool>* cancel = nullptr);

}  // namespace abys
