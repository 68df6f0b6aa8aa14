#include "catalogue.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "catalogue_tables.h"

namespace abys::catalogue {
namespace {

template <typename Entry>
const Entry* byCode(std::span<const Entry> table, uint16_t code) {
  auto it = std::ranges::lower_bound(table, code, {}, &Entry::code);
  return it != table.end() && it->code == code ? &*it : nullptr;
}

template <typename Entry>
const Entry* byAcronym(std::span<const Entry> table, std::span<const uint16_t> index,
                       std::string_view acronym) {
  auto acronymOf = [table](uint16_t position) { return table[position].acronym; };
  auto it = std::ranges::lower_bound(index, acronym, {}, acronymOf);
  return it != index.end() && acronymOf(*it) == acronym ? &table[*it] : nullptr;
}

}  // namespace

const ObjectClass* objectClass(uint16_t code) {
  return byCode(objectClasses(), code);
}

const ObjectClass* objectClass(std::string_view acronym) {
  return byAcronym(objectClasses(), detail::objectClassesByAcronym(), acronym);
}

const Attribute* attribute(uint16_t code) {
  return byCode(attributes(), code);
}

const Attribute* attribute(std::string_view acronym) {
  return byAcronym(attributes(), detail::attributesByAcronym(), acronym);
}

std::optional<std::string_view> expectedValue(uint16_t attributeCode, int value) {
  if (value < 0 || value > std::numeric_limits<uint16_t>::max()) return std::nullopt;
  const auto key = std::pair{attributeCode, static_cast<uint16_t>(value)};
  const auto table = expectedValues();
  auto keyOf = [](const ExpectedValue& e) { return std::pair{e.attribute, e.value}; };
  auto it = std::ranges::lower_bound(table, key, {}, keyOf);
  if (it == table.end() || keyOf(*it) != key) return std::nullopt;
  return it->meaning;
}

std::optional<std::string_view> agency(uint16_t code) {
  const Agency* found = byCode(agencies(), code);
  return found != nullptr ? std::optional(found->letters) : std::nullopt;
}

bool isProducerCode(std::string_view letters) {
  return std::ranges::any_of(agencies(), [&](const Agency& a) { return a.letters == letters; });
}

}  // namespace abys::catalogue
