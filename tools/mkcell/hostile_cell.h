// Hostile cells: each a valid file of at most kHostileBytes that loads to its
// end, built so that one logical check (or a look-up it relies on) does as
// much work, or writes as many findings, as a file of that size allows. They
// measure whether the validator stays bounded in memory and time; most fail
// their checks, a few pass them and open as charts.
//
// A kind's count (--count) is the number of its repeated unit (features,
// vectors, edges); 0 asks for the largest count whose file stays within
// kHostileBytes. Where one record holds the repeated unit (the pointers of a
// feature, the coordinates of a node), a record's size limit of 99,999
// bytes caps the count below that. The same kind and count give the same
// bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "cell_writer.h"

namespace abys::mkcell {

inline constexpr int64_t kHostileBytes = 2000000;

struct HostileKind {
  std::string_view name;
  // What the count counts, for --help ("features").
  std::string_view unit;
  // The work it makes, for --help: one line.
  std::string_view purpose;
  int64_t minCount = 1;
  // The largest count: a record's limit, or a cell far beyond kHostileBytes.
  int64_t (*maxCount)() = nullptr;
  cellwriter::Cell (*build)(int64_t count) = nullptr;
};

// Every kind, in the order --help lists them.
std::span<const HostileKind> hostileKinds();
// Null for an unknown name.
const HostileKind* hostileKind(std::string_view name);

struct HostileCell {
  cellwriter::Cell cell;
  int64_t count = 0;
};

// The cell of kind with count units (0: the largest that fits
// kHostileBytes), its DSID naming it `name`. Throws std::invalid_argument
// when count is outside minCount..maxCount, or when count 0 finds no cell
// within kHostileBytes.
HostileCell makeHostileCell(const HostileKind& kind, int64_t count, const std::string& name);

}  // namespace abys::mkcell
