// The S-58 validation profile: the IHO's numbered checks of an ENC, run on a
// cell with its update files applied. Each finding carries the check number
// as S-58 writes it ("1768a"), its class, the records it names, the object
// class and FOID of a named feature, and a position. Qt-free.
#pragma once

#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataset.h"
#include "finding.h"
#include "update_files.h"

namespace abys {

// The class S-58 gives a check.
enum class Severity { Critical, Error, Warning };

// "critical", "error" or "warning".
const char* severityName(Severity severity);
// Critical, Error or Warning, as the text log writes it.
const char* severityTitle(Severity severity);

// One check of the profile: its number, class and fixed message.
struct S58Check {
  std::string_view number;
  Severity severity = Severity::Critical;
  std::string_view message;
};

// Every check the profile knows, in check-number order (numerically, then
// by suffix), and one by its number (null when unknown).
std::span<const S58Check> s58Checks();
const S58Check* s58Check(std::string_view number);
// Orders check numbers as S-58 does: "9a" < "10c" < "1768a".
bool s58CheckBefore(std::string_view a, std::string_view b);

// The geometry of the record a finding names, in degrees: a point or
// several, a line or several, or a polygon (its exterior ring first, then
// its holes; each ring closed).
struct S58Geometry {
  enum class Kind { None, Point, MultiPoint, Line, MultiLine, Polygon };
  Kind kind = Kind::None;
  std::vector<std::vector<FindingPosition>> parts;
};

struct S58Finding {
  const S58Check* check = nullptr;
  std::vector<RecordKey> records;  // the feature first where a feature is named
  std::string object;              // the named feature's class acronym, or empty
  std::string foid;                // its FOID, "AA 0000000115 00001", or empty
  std::optional<FindingPosition> position;
  S58Geometry geometry;  // only when asked for
};

// What the profile looks at: the chart (the base with its updates applied)
// and what its open found on the way.
struct S58Input {
  const Dataset& chart;
  std::string path;                       // the base cell
  int loadStatus = 0;                     // of the base
  const UpdateReport* updates = nullptr;  // null when none were applied
};

struct S58Options {
  std::set<std::string, std::less<>> ignored;  // check numbers to leave out
  bool withGeometry = false;                   // give each finding its record's geometry
  // How many threads the profile may use, the calling one included: 1 runs
  // its lanes in turn (where the cores are already busy with other cells),
  // 0 runs them all side by side on a machine of several cores.
  unsigned threads = 0;
};

// Runs every check of the profile not ignored; the findings come sorted by
// check number, then by the records they name.
std::vector<S58Finding> runS58Profile(const S58Input& input, const S58Options& options = {});

// The check numbers that have a check behind them; the others are in the
// table for their class and message only.
std::vector<std::string_view> s58Implemented();

}  // namespace abys
