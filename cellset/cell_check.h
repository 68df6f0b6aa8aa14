// One cell checked as the viewer opens it and abys-check checks it: the
// load, the update files, the ten checks and, when asked, the S-58 profile;
// and CellChecker, one thread's means of checking cell after cell. Qt-free.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataset.h"
#include "finding.h"
#include "messages.h"
#include "profile.h"
#include "set_inputs.h"
#include "update_files.h"

namespace abys {

// How a check ended.
enum class OpenOutcome {
  Opened,         // the cell is a chart that opens
  CannotOpen,     // the file could not be opened; the checks did not run
  NothingLoaded,  // no record at all: the load failed first, or found no DSID
  ChecksFailed,   // the checks returned a nonzero status
  Cancelled,      // an update file of edition 0 cancelled the cell; the checks did not run
};

// The record counts and extent of what a load assembled.
struct LoadedCounts {
  int32_t features = 0;
  int32_t vectors = 0;
  int32_t isolatedNodes = 0;
  int32_t connectedNodes = 0;
  int32_t edges = 0;
  bool hasExtent = false;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct OpenResult {
  OpenOutcome outcome = OpenOutcome::CannotOpen;
  int loadStatus = 0;
  bool checked = false;                     // the checks ran (every file that could be opened)
  int checkStatus = 0;                      // 0 when they did not run
  LoadedCounts counts;                      // after the updates
  int updatesFound = 0;                     // update files beside the cell, when applied
  std::vector<std::string> updatesApplied;  // the update files applied, in order
  int updatesRefused = 0;                   // update files and instructions refused
  // The features the applied updates inserted, modified and deleted.
  std::vector<ChangedFeature> changedFeatures;
  // The S-58 profile's findings, when it was asked for and the file held
  // records to judge (whatever the checks said).
  std::optional<std::vector<S58Finding>> s58;
  // The checks failed, but the chart is open all the same (see
  // ChartSession::setOpenFailedCharts); outcome stays ChecksFailed.
  bool shownAnyway = false;
  // Records that held a field out of order, read on past it (see
  // CellCheckOptions::readPastOrderErrors); the load status stays 7.
  int orderErrors = 0;
  // A cancel stopped the check between two of its stages: what had not
  // run is left out, and the outcome says nothing.
  bool stopped = false;
  bool opened() const { return outcome == OpenOutcome::Opened; }
};

struct CellCheckOptions {
  // Whether a field out of order is taken where it stands and the load
  // goes on to the end of the file, each record that held one handed to the
  // reporter as a finding of code 7 before the checks run; the load status
  // stays 7, so the file still fails.
  bool readPastOrderErrors = false;
  // Run the S-58 profile after the checks, with these options.
  std::optional<S58Options> s58;
};

// Loads cell.path into dataset (its messages through log, the fraction
// read through progress when given), applies cell.updates when the cell
// loaded completely (a line per file through log), runs the checks
// (announcements and findings through reporter) unless the file could not
// be opened or an update cancelled it, and the profile when asked. The
// dataset is left as loaded, whatever the outcome; the caller releases it.
// cancel, when given, is read between the stages: once it is set, the
// stages left are skipped and the result says stopped.
OpenResult checkCell(Dataset& dataset, const SetCell& cell, const CellCheckOptions& options,
                     FindingReporter& reporter, const LogFn& log = {},
                     const ProgressFn& progress = {}, const std::atomic<bool>* cancel = nullptr);

// One thread's means of checking cells: a dataset kept from cell to cell,
// and how many threads each cell's S-58 profile may use.
class CellChecker {
 public:
  // profileThreads: the budget each profile runs with; 0 leaves it to the
  // options of each check.
  explicit CellChecker(unsigned profileThreads = 0);
  ~CellChecker();
  CellChecker(const CellChecker&) = delete;
  CellChecker& operator=(const CellChecker&) = delete;

  // checkCell on this checker's dataset, released again before it returns.
  OpenResult check(const SetCell& cell, const CellCheckOptions& options, FindingReporter& reporter,
                   const LogFn& log = {}, const std::atomic<bool>* cancel = nullptr);
  unsigned profileThreads() const { return profileThreads_; }

 private:
  std::unique_ptr<Dataset> dataset_;
  unsigned profileThreads_;
};

}  // namespace abys
