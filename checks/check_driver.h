// The logical checks: ten checks run in a fixed order over a loaded dataset,
// one error line per finding. Checks 4 and 5 also resolve every pointer of
// the dataset into its target record, which the view relies on.
#pragma once

#include <cstdint>
#include <string>

#include "dataset.h"
#include "messages.h"

namespace abys {

// Runs the checks with their announcements and returns 0 when every check
// that ran passed, else the code of the check that failed (301, 306, 307,
// 308, 310, 313, 314, 315, 322, 323, 325, 326, 501, 502, 503 or 504). Writes
// targets, reference flags and counts into dataset: run it once per load.
int runLogicalChecks(Dataset& dataset, const LogFn& log);

// A record's printable name: two letters for its kind (FE, VI, VC, VE, VF,
// two blanks for any other RCNM) and its RCID as a signed 32-bit number in
// "%010d"; at most 15 characters.
std::string recordName(uint8_t rcnm, uint32_t rcid);
template <typename Record>
std::string recordName(const Record& record) {
  return recordName(record.rcnm, record.rcid);
}

// Writes one finding: "Error:%3d  Name: %s\n" naming record, or
// "Error:%3d  Name: %s Name: %s\n" when there is another record. An absent
// record (null) has the empty name.
void writeCheckError(int code, const std::string& name, const std::string* otherName,
                     const LogFn& log);
template <typename Record>
void reportCheckError(int code, const Record* record, const Record* other, const LogFn& log) {
  const std::string name = record != nullptr ? recordName(*record) : std::string();
  if (other == nullptr) {
    writeCheckError(code, name, nullptr, log);
  } else {
    const std::string otherName = recordName(*other);
    writeCheckError(code, name, &otherName, log);
  }
}

}  // namespace abys
