// Between the generated tables and the look-ups in catalogue.cpp: the
// acronym indexes, which only the look-ups use.
#pragma once

#include <cstdint>
#include <span>

namespace abys::catalogue::detail {

// Positions in objectClasses() / attributes(), sorted by acronym; entries
// without an acronym are left out, and of two that share one only the first.
std::span<const uint16_t> objectClassesByAcronym();
std::span<const uint16_t> attributesByAcronym();

}  // namespace abys::catalogue::detail
