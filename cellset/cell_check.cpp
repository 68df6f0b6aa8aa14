#include "cell_check.h"

#include <new>

#include "check_driver.h"
#include "checks.h"
#include "field_types.h"
#include "load_driver.h"
#include "record_assembly.h"

namespace abys {

namespace {

LoadedCounts countsOf(const Dataset& d) {
  LoadedCounts c;
  c.features = d.features.count;
  c.vectors = d.vectorCount;
  c.isolatedNodes = d.isolatedNodes.count;
  c.connectedNodes = d.connectedNodes.count;
  c.edges = d.edges.count;
  c.hasExtent = d.extentsEmpty == 0;
  c.minX = d.minX;
  c.minY = d.minY;
  c.maxX = d.maxX;
  c.maxY = d.maxY;
  return c;
}

// One finding of code 7 per record read on past a field out of order, with
// the record's position where it has one.
void reportOrderErrors(const Dataset& dataset, const std::vector<OrderError>& errors,
                       FindingReporter& reporter) {
  if (errors.empty()) return;
  CheckReport report(dataset, reporter);
  for (const OrderError& e : errors) {
    if (e.feature != nullptr) {
      report.finding(kFieldOutOfOrder, e.feature, nullptr);
    } else if (e.vector != nullptr) {
      report.finding(kFieldOutOfOrder, e.vector, nullptr);
    } else {
      report.finding(kFieldOutOfOrder, RecordKey{e.name.rcnm, e.name.rcid});
    }
  }
}

}  // namespace

OpenResult checkCell(Dataset& dataset, const SetCell& cell, const CellCheckOptions& options,
                     FindingReporter& reporter, const LogFn& log, const ProgressFn& progress,
                     const std::atomic<bool>* cancel) {
  OpenResult result;
  const auto stop = [&] {
    result.stopped = cancel != nullptr && cancel->load(std::memory_order_relaxed);
    return result.stopped;
  };
  if (stop()) return result;
  int32_t exchangePurpose = 0;
  std::vector<OrderError> orderErrors;
  LoadOptions loadOptions;
  loadOptions.readPastOrderErrors = options.readPastOrderErrors;
  loadOptions.orderError = [&](const OrderError& e) { orderErrors.push_back(e); };
  const char* path = cell.path.c_str();
  result.loadStatus = loadCell(dataset, path, exchangePurpose, log, progress, loadOptions);
  result.orderErrors = static_cast<int>(orderErrors.size());
  reportOrderErrors(dataset, orderErrors, reporter);
  // Read on past its order errors, a cell was read to its end.
  const bool complete = result.loadStatus == 0 ||
                        (result.loadStatus == kFieldOutOfOrder && options.readPastOrderErrors);
  bool cancelled = false;
  UpdateReport report;
  const bool updates = !cell.updates.empty() && result.loadStatus != kCannotOpen;
  if (updates && !complete) {
    logText(log, "Update files not applied: the cell did not load completely\n");
  } else if (updates) {
    if (stop()) return result;
    result.updatesFound = static_cast<int>(cell.updates.size());
    report = applyUpdateFiles(dataset, cell.updates, log);
    result.updatesApplied = report.applied;
    result.updatesRefused = report.refused();
    result.changedFeatures = report.features;
    cancelled = report.cancelled;
    if (report.outOfMemory) result.loadStatus = kOutOfMemory;
  }
  // The checks decide about everything a file that could be opened held,
  // whatever the load status; a cancelled cell is no chart to check.
  const bool check = result.loadStatus != kCannotOpen && !cancelled;
  if (check && stop()) return result;
  result.checked = check;
  if (result.checked) result.checkStatus = runLogicalChecks(dataset, reporter);
  result.counts = countsOf(dataset);
  if (options.s58 && result.checked) {
    if (stop()) return result;
    const S58Input input{dataset, cell.path, result.loadStatus, updates ? &report : nullptr};
    try {
      result.s58 = runS58Profile(input, *options.s58);
    } catch (const std::bad_alloc&) {
      result.s58.reset();  // the profile could not finish; say nothing rather than half
    }
  }

  if (result.loadStatus == kCannotOpen) {
    result.outcome = OpenOutcome::CannotOpen;
  } else if (cancelled) {
    result.outcome = OpenOutcome::Cancelled;
  } else if (result.checkStatus != 0) {
    result.outcome = OpenOutcome::ChecksFailed;
  } else if (dataset.features.empty() && dataset.vectorCount == 0 &&
             (result.loadStatus != 0 || exchangePurpose == 0)) {
    // Random bytes, an empty file, a cut header: no record at all, and the
    // load failed or never met a dataset identification. Not a chart, not
    // even an empty one.
    result.outcome = OpenOutcome::NothingLoaded;
  } else {
    result.outcome = OpenOutcome::Opened;
  }
  return result;
}

CellChecker::CellChecker(unsigned profileThreads) : profileThreads_(profileThreads) {}

CellChecker::~CellChecker() {
  if (dataset_) releaseDataset(*dataset_);
}

OpenResult CellChecker::check(const SetCell& cell, const CellCheckOptions& options,
                              FindingReporter& reporter, const LogFn& log,
                              const std::atomic<bool>* cancel) {
  if (!dataset_) dataset_.reset(new (std::nothrow) Dataset);
  if (!dataset_) {
    OpenResult result;
    result.outcome = OpenOutcome::NothingLoaded;
    result.loadStatus = kOutOfMemory;
    return result;
  }
  OpenResult result;
  if (profileThreads_ != 0 && options.s58 && options.s58->threads != profileThreads_) {
    CellCheckOptions budgeted = options;
    budgeted.s58->threads = profileThreads_;
    result = checkCell(*dataset_, cell, budgeted, reporter, log, {}, cancel);
  } else {
    result = checkCell(*dataset_, cell, options, reporter, log, {}, cancel);
  }
  releaseDataset(*dataset_);
  return result;
}

}  // namespace abys
