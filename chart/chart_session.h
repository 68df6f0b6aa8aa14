// The one owner of an open chart: it opens a cell (load, checks, display
// state, fit), runs the View commands with the enabled state of each, and
// answers the two pointer read-outs as numbers. Qt-free; the viewer, the
// renderer, the validator and the fuzz target all open charts through it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

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

// The View menu's commands, in menu order.
enum class ViewCommand { FullView, ZoomIn, ZoomOut, Left, Right, Up, Down };
inline constexpr int kViewCommandCount = 7;

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

// How a changed feature is named where it is listed: its class acronym
// (the code of a class the catalogue lacks), record name and FOID, e.g.
// "LIGHTS FE0000000012 FOID US 0000012345 00001".
std::string changedFeatureName(const ChangedFeature& feature);

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
  void close();
  bool isOpen() const { return display_.currentDataset != nullptr; }

  // Whether opening a NAME.000 applies the NAME.001, NAME.002, ... beside
  // it; on unless switched off, kept across charts.
  void setApplyUpdates(bool apply) { applyUpdates_ = apply; }
  bool appliesUpdates() const { return applyUpdates_; }
  // Whether every open also runs the S-58 profile after the checks, and
  // with what options; off unless switched on, kept across charts.
  void setS58Profile(std::optional<S58Options> options) { check_.s58 = std::move(options); }
  const std::optional<S58Options>& s58Profile() const { return check_.s58; }
  // Whether a cell whose checks failed is opened all the same, drawn as far
  // as it can be: every pointer the checks left unresolved is looked up, and
  // those to no record are skipped. Off unless switched on, kept across
  // charts.
  void setOpenFailedCharts(bool open) { openFailed_ = open; }
  bool opensFailedCharts() const { return openFailed_; }

  // Whether a field out of order is taken where it stands and the load
  // goes on to the end of the file, each record that held one handed to the
  // reporter as a finding of code 7 before the checks run; the load status
  // stays 7, so the file still fails. Off unless switched on, kept across
  // charts.
  void setReadPastOrderErrors(bool on) { check_.readPastOrderErrors = on; }
  bool readsPastOrderErrors() const { return check_.readPastOrderErrors; }

  // The size of the drawing surface in pixels; the view follows it while a
  // chart is open, and the next open and Full view fit to it.
  void setWindow(int32_t width, int32_t height);

  // Runs a View command and returns whether its menu item stays enabled.
  // Full view fits the chart to the window again and enables every item; a
  // step that reaches the edge or the zoom limit disables its own item, and
  // any step enables the opposite one. Nothing happens (false) without a
  // chart.
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

  // The position under pointer, in degrees; none without a chart.
  std::optional<GeoPoint> positionAt(PixelPoint pointer) const;
  // What a press at pointer reads; none when nothing is there or no chart
  // is open.
  std::optional<DepthReadout> depthAt(PixelPoint pointer) const;

  // Every feature with geometry within tolerance pixels of pointer, or
  // whose area holds it: point features first, then lines, then areas, each
  // in record order. Empty without a chart.
  std::vector<const FeatureRecord*> featuresAt(PixelPoint pointer, int32_t tolerance) const;

  // The contours that split depth areas into bands and soundings into
  // shallow and deep; kept across charts. An open chart is portrayed again.
  void setDepthContours(const DepthContours& contours);
  // What else the portrayal rules read (the contours aside, which follow
  // setDepthContours); kept across charts. An open chart is portrayed again.
  void setPortrayalRules(const portrayal::PortrayalSettings& rules);
  // What the painter leaves out and which colours it draws in; kept across
  // charts, read at every paint.
  void setPresentation(const PresentationSettings& presentation) {
    display_.presentation = presentation;
  }

  const DisplayState& display() const { return display_; }
  // The geometry of the open chart's portrayed features for the present scale:
  // assembled on first use (only painters ask for it) and simplified to a
  // pixel; valid until the chart is closed or the view next changes.
  const DrawnGeometry& drawnGeometry() const;
  const ViewState& view() const { return view_; }
  const ViewWindow& window() const { return window_; }
  // The features of the open chart that the applied updates inserted or
  // modified; empty without a chart.
  const std::unordered_set<const FeatureRecord*>& updatedFeatures() const { return updated_; }

 private:
  void releaseDataset();
  // Finds the open chart's features that changes inserted or modified.
  void noteUpdatedFeatures(const std::vector<ChangedFeature>& changes);
  // Portrays the open chart again after a setting the rules read changed.
  void portrayAgain();
  // Puts the centre at (x, y) metres clamped to the chart, and enables the
  // pan items as the new centre allows.
  void moveCentre(double x, double y);

  std::unique_ptr<Dataset> dataset_;
  DisplayState display_;
  ViewState view_;
  ViewWindow window_{};
  std::array<bool, kViewCommandCount> enabled_{};
  bool applyUpdates_ = true;
  CellCheckOptions check_;  // the profile and the reading past order errors
  bool openFailed_ = false;
  std::unordered_set<const FeatureRecord*> updated_;
  mutable std::unique_ptr<DrawnGeometry> drawn_;
  // Simplified copies of drawn_ by the binary exponent of the scale, the
  // most recently made last.
  static constexpr size_t kSimplifiedKept = 3;
  static constexpr double kSimplifyPixels = 1.0;
  mutable std::vector<std::pair<int, std::unique_ptr<DrawnGeometry>>> simplified_;
};

}  // namespace abys
