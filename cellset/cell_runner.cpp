#include "cell_runner.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace abys {

namespace {

bool isSet(const std::atomic<bool>* flag) {
  return flag != nullptr && flag->load(std::memory_order_relaxed);
}

// Every cell on the calling thread, each handed over as soon as it is
// checked.
void runHere(size_t count, const RunOptions& options, const CellWork& work,
             const CellHandOver& handOver, RunReport& report) {
  CellChecker checker;
  for (size_t i = 0; i < count; ++i) {
    if (isSet(options.cancel) || !work(i, checker, true)) {
      report.notChecked.push_back(i);
    } else {
      handOver(i, checker);
    }
  }
}

// The cells shared out among worker threads: each takes the next cell not
// taken while fewer than window cells are taken and not handed over, and
// the calling thread waits for each cell in turn.
class Workers {
 public:
  Workers(size_t count, size_t window, const std::atomic<bool>* cancel, const CellWork& work)
      : window_(window), cancel_(cancel), work_(work), cells_(count) {}

  void work(CellChecker& checker) {
    for (;;) {
      size_t index = 0;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return taken(); });
        if (stopped_ || next_ >= cells_.size()) return;
        if (isSet(cancel_)) {
          stopped_ = true;
          changed_.notify_all();
          return;
        }
        index = next_++;
      }
      const bool checked = work_(index, checker, false);
      {
        std::lock_guard lock(mutex_);
        cells_[index] = checked ? Cell::Checked : Cell::Stopped;
      }
      changed_.notify_all();
    }
  }

  // Waits for cell index, the one after those handed over; whether it was
  // checked whole.
  bool wait(size_t index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [&] { return cells_[index] != Cell::Waiting || (stopped_ && index >= next_); });
    return cells_[index] == Cell::Checked;
  }

  void handedOver() {
    {
      std::lock_guard lock(mutex_);
      ++handed_;
    }
    changed_.notify_all();
  }

 private:
  enum class Cell { Waiting, Checked, Stopped };

  // Whether a worker may take the next cell or leave (with the lock held).
  bool taken() const { return stopped_ || next_ >= cells_.size() || next_ < handed_ + window_; }

  const size_t window_;
  const std::atomic<bool>* cancel_;
  const CellWork& work_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;    // the next cell to take
  size_t handed_ = 0;  // cells handed over
  bool stopped_ = false;
  std::vector<Cell> cells_;
};

}  // namespace

RunReport runCells(size_t count, const RunOptions& options, const CellWork& work,
                   const CellHandOver& handOver) {
  RunReport report;
  if (options.threads <= 1 || count <= 1) {
    runHere(count, options, work, handOver, report);
    return report;
  }
  const size_t wanted = std::min<size_t>(options.threads, count);
  Workers workers(count, options.window > 0 ? options.window : 2 * wanted, options.cancel, work);
  std::vector<std::unique_ptr<CellChecker>> checkers;
  std::vector<std::thread> threads;
  try {
    while (threads.size() < wanted) {
      checkers.push_back(std::make_unique<CellChecker>(1));
      threads.emplace_back(&Workers::work, &workers, std::ref(*checkers.back()));
    }
  } catch (const std::system_error& error) {
    if (options.threadsShort) options.threadsShort(threads.size(), error.what());
  }
  report.threadsStarted = threads.size();
  if (threads.empty()) {
    runHere(count, options, work, handOver, report);
    return report;
  }
  CellChecker caller(1);
  for (size_t i = 0; i < count; ++i) {
    if (workers.wait(i)) {
      handOver(i, caller);
    } else {
      report.notChecked.push_back(i);
    }
    workers.handedOver();
  }
  for (std::thread& thread : threads)
    thread.join();
  return report;
}

namespace {

// The findings of a cell as values.
class FindingList : public FindingReporter {
 public:
  explicit FindingList(std::vector<Finding>& findings) : findings_(findings) {}
  void announce(const char*) override {}
  void report(const Finding& finding) override { findings_.push_back(finding); }

 private:
  std::vector<Finding>& findings_;
};

}  // namespace

RunReport checkCells(const std::vector<SetCell>& cells, const CellCheckOptions& options,
                     const RunOptions& run, const std::function<void(CellReport&&)>& checked) {
  std::vector<CellReport> reports(cells.size());
  const CellWork work = [&](size_t index, CellChecker& checker, bool) {
    CellReport& report = reports[index];
    report.index = index;
    FindingList findings(report.findings);
    report.result = checker.check(
        cells[index], options, findings,
        [&report](const char* format, std::va_list args) {
          report.messages += formatMessage(format, args);
        },
        run.cancel);
    return !report.result.stopped;
  };
  return runCells(cells.size(), run, work, [&](size_t index, CellChecker&) {
    checked(std::move(reports[index]));
    reports[index] = {};
  });
}

}  // namespace abys
