// The logical checks: ten checks run in a fixed order over a loaded dataset,
// one finding per problem. Checks 4 and 5 also resolve every pointer of the
// dataset into its target record, which the view relies on.
#pragma once

#include <memory>
#include <optional>

#include "dataset.h"
#include "finding.h"
#include "messages.h"

namespace abys {

class RecordIndex;

// Runs the checks, announcing each through reporter and handing it every
// finding, and returns 0 when every check that ran passed, else the code of
// the check that failed (301, 306, 307, 308, 310, 313, 314, 315, 322, 323,
// 325, 326, 501, 502, 503 or 504), or -2 when memory ran out: the run then
// stops with a -2 finding without a record. Writes targets, reference flags
// and counts into dataset: run it once per load.
int runLogicalChecks(Dataset& dataset, FindingReporter& reporter);
// The same, writing the check log through log.
int runLogicalChecks(Dataset& dataset, const LogFn& log);

// Where a vector record lies by itself: its first coordinate, or its first
// sounding; none when it holds neither (an edge's ends are its nodes').
std::optional<FindingPosition> ownPosition(const VectorRecord& vector);

// What the checks of one run report through: it turns the records a check
// names into a finding with the position of the first one and hands it on.
class CheckReport {
 public:
  CheckReport(const Dataset& dataset, FindingReporter& reporter);
  ~CheckReport();
  CheckReport(const CheckReport&) = delete;
  CheckReport& operator=(const CheckReport&) = delete;

  void announce(const char* text) { reporter_.announce(text); }
  // What the reporter takes; fixed for the run.
  FindingDetail detail() const { return detail_; }
  // Hands count findings of code without their records: with CountOnly
  // the count, with Each nothing (enumerate them instead), with None
  // nothing.
  void counted(int code, uint64_t count) {
    if (detail_ == FindingDetail::CountOnly) reporter_.counted(code, count);
  }
  // record may be null (the empty name); other is null for a finding about
  // one record.
  void finding(int code, const FeatureRecord* record, const FeatureRecord* other);
  void finding(int code, const VectorRecord* record, const VectorRecord* other);
  // A finding naming a record by its name alone (the dataset's own records,
  // which have no position).
  void finding(int code, const RecordKey& record);

 private:
  // Where a record lies: a vector record's first coordinate (or sounding,
  // or for an edge without coordinates of its own, its first node's); a
  // feature's first spatial pointer's. Pointers the checks have not
  // resolved yet are looked up.
  std::optional<FindingPosition> positionOf(const FeatureRecord& feature);
  std::optional<FindingPosition> positionOf(const VectorRecord& vector, bool followNodes = true);
  // Whether the reporter takes the finding of code one by one; a reporter
  // of counts is given its count here.
  bool takesEach(int code);
  template <typename Record>
  void hand(int code, const Record* record, const Record* other);
  const VectorRecord* lookUp(const VectorRecord* target, uint8_t rcnm, uint32_t rcid);

  const Dataset& dataset_;
  FindingReporter& reporter_;
  FindingDetail detail_;
  std::unique_ptr<RecordIndex> index_;  // built on the first look-up
};

// Hands one finding naming record (and other, for a pair) to report.
template <typename Record>
void reportCheckError(int code, const Record* record, const Record* other, CheckReport& report) {
  report.finding(code, record, other);
}

}  // namespace abys
