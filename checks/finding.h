// Findings of the checks as values, and the reporters they are handed to.
// The text log is one reporter; machine-readable outputs are others.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "messages.h"

namespace abys {

// The name of a record as the checks write it: its kind (RCNM) and RCID.
struct RecordKey {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
};

// Longitude and latitude in degrees, as the model holds coordinates.
struct FindingPosition {
  double longitude = 0;
  double latitude = 0;
};

// One finding of a check: its code, the record it names (absent only when
// a check has no record to name) and, for a pair, the other record; the
// position of the named record when it has geometry.
struct Finding {
  int code = 0;
  std::optional<RecordKey> record;
  std::optional<RecordKey> other;
  std::optional<FindingPosition> position;
};

inline std::string recordName(const RecordKey& key) {
  return recordName(key.rcnm, key.rcid);
}

// How much of the findings a reporter takes: each one (report), only how
// many there are of each code (counted), or nothing.
enum class FindingDetail { Each, CountOnly, None };

// Receives what a check run says, in order: the announcement of each check
// before it runs, and each finding.
class FindingReporter {
 public:
  virtual ~FindingReporter() = default;
  // text is a complete line, "Checking ...\n".
  virtual void announce(const char* text) = 0;
  virtual void report(const Finding& finding) = 0;
  // With CountOnly the checks hand counts instead of findings where they
  // can count without enumerating (pairs of equal records, say); with None
  // they skip what cannot change the status.
  virtual FindingDetail detail() const { return FindingDetail::Each; }
  // count findings of code not handed one by one.
  virtual void counted(int /*code*/, uint64_t /*count*/) {}
};

// The check log: announcements and one error line per finding through a
// message sink, "Error:%3d  Name: %s\n" or, for a pair,
// "Error:%3d  Name: %s Name: %s\n"; an absent record has the empty name.
class TextLogReporter : public FindingReporter {
 public:
  explicit TextLogReporter(LogFn log) : log_(std::move(log)) {}
  void announce(const char* text) override;
  void report(const Finding& finding) override;

 private:
  LogFn log_;
};

// Says nothing: for callers that only want the status.
class DiscardingReporter : public FindingReporter {
 public:
  void announce(const char*) override {}
  void report(const Finding&) override {}
  FindingDetail detail() const override { return FindingDetail::None; }
};

// Counts the findings of each code, without their records.
class CountingReporter : public FindingReporter {
 public:
  void announce(const char*) override {}
  void report(const Finding& finding) override { counted(finding.code, 1); }
  FindingDetail detail() const override { return FindingDetail::CountOnly; }
  void counted(int code, uint64_t count) override;

  uint64_t total() const { return total_; }
  // (code, count) in ascending code order, codes without findings left out.
  const std::map<int, uint64_t>& byCode() const { return byCode_; }

 private:
  uint64_t total_ = 0;
  std::map<int, uint64_t> byCode_;
};

}  // namespace abys
