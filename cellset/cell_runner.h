// Many cells checked on several threads, each cell's check handed over in
// the order of the cells, and cancellable between cells. abys-check checks
// its files with it; checkCells gives each cell's result, findings and
// messages as values. Qt-free.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cell_check.h"

namespace abys {

struct RunOptions {
  // How many cells are checked at a time; with more than one, each on a
  // worker thread of its own and each cell's profile on that thread alone
  // (a budget of 1). With one, or a single cell, the cells are checked on
  // the calling thread, and a profile may use every core.
  unsigned threads = 1;
  // At most this many cells started and not yet handed over; 0 for twice
  // the threads.
  size_t window = 0;
  // Read before each cell is started: once set, no cell is started.
  const std::atomic<bool>* cancel = nullptr;
  // Told, on the calling thread before any cell is handed over, when fewer
  // worker threads than asked could be started (none: the cells are then
  // checked on the calling thread), with how many and why.
  std::function<void(size_t started, const char* why)> threadsShort;
};

struct RunReport {
  size_t threadsStarted = 0;
  std::vector<size_t> notChecked;  // in order: not started, or stopped part way
};

// Checks cell index with checker, on a worker thread or, onCaller, on the
// calling thread; false when a cancel stopped it part way.
using CellWork = std::function<bool(size_t index, CellChecker& checker, bool onCaller)>;
// Takes over cell index once its work has ended, on the calling thread, in
// index order; caller is the calling thread's checker.
using CellHandOver = std::function<void(size_t index, CellChecker& caller)>;

// Runs work over the cells 0 to count - 1 as options say and hands each
// one over in order; a cell not checked whole is not handed over but
// listed in the report. work runs on several threads at once: what it
// writes must be its cell's own until it is handed over.
RunReport runCells(size_t count, const RunOptions& options, const CellWork& work,
                   const CellHandOver& handOver);

// What checkCells hands over of a cell: its result, the findings of the
// ten checks and its messages (the load's and the updates').
struct CellReport {
  size_t index = 0;
  OpenResult result;
  std::vector<Finding> findings;
  std::string messages;
};

// Checks every cell as options say, handing each report to checked in
// the order of cells.
RunReport checkCells(const std::vector<SetCell>& cells, const CellCheckOptions& options,
                     const RunOptions& run, const std::function<void(CellReport&&)>& checked);

}  // namespace abys
