// Our model of a cell printed as the sorted lines of text that
// tests/s57/gdal_dump.py prints for GDAL's reading of it; the format is
// described at the top of that script. Only what GDAL keeps is printed.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "catalogue.h"
#include "dataset.h"
#include "messages.h"

namespace abys::test {

namespace dump {

// An attribute value as UTF-8: national values of lexical level 2 are UCS-2
// (little-endian unless a byte-order mark says otherwise, ending at a NUL
// character); every other value is read as Latin-1.
inline std::string utf8(const AttributeEntry& e, bool ucs2) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(e.atvl);
  const int32_t n = e.atvlLength;
  std::vector<uint32_t> chars;
  if (ucs2) {
    const bool bigEndian = n >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    const bool mark = bigEndian || (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE);
    for (int32_t i = mark ? 2 : 0; i + 1 < n; i += 2) {
      if ((bytes[i] == 0 || bytes[i] == 0x1F) && bytes[i + 1] == 0) break;
      chars.push_back(bigEndian ? bytes[i] << 8 | bytes[i + 1] : bytes[i] | bytes[i + 1] << 8);
    }
  } else {
    for (int32_t i = 0; i < n && bytes[i] != 0; ++i)
      chars.push_back(bytes[i]);
  }
  std::string out;
  for (const uint32_t c : chars) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

inline std::string escaped(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    out += b >= 0x20 && b <= 0x7E && b != '\\' ? std::string(1, ch) : formatMessage("\\x%02X", b);
  }
  return out;
}

// The value as GDAL's field of the attribute's type holds it.
inline std::string value(const AttributeEntry& e, char type, bool ucs2) {
  if (type != 'E' && type != 'I' && type != 'F') return escaped(utf8(e, ucs2));
  if (e.atvlLength == 0) return "";
  if (type == 'F') return formatMessage("%.15g", std::strtod(e.atvl, nullptr));
  const long long v =
      std::clamp<long long>(std::strtoll(e.atvl, nullptr, 10), INT32_MIN, INT32_MAX);
  return std::to_string(v);
}

// The attribute among codes whose acronym equals a's, ignoring case (GDAL's
// field names ignore it, so an inland attribute such as catach fills the
// field CATACH), or null.
inline const catalogue::Attribute* fieldOf(const catalogue::Attribute& a,
                                           std::span<const uint16_t> codes) {
  auto same = [](std::string_view x, std::string_view y) {
    return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](unsigned char p, unsigned char q) {
      return std::toupper(p) == std::toupper(q);
    });
  };
  for (const uint16_t code : codes) {
    const catalogue::Attribute* field = catalogue::attribute(code);
    if (field != nullptr && same(field->acronym, a.acronym)) return field;
  }
  return nullptr;
}

// " ATTR A=v B=w" over the entries that have a field among fields; the last
// value of a repeated field wins.
inline std::string attributes(const std::vector<std::pair<const AttributeEntry*, bool>>& entries,
                              const std::vector<uint16_t>& fields) {
  std::vector<std::pair<std::string_view, std::string>> items;  // acronym, value
  for (const auto& [entry, ucs2] : entries) {
    const catalogue::Attribute* a = catalogue::attribute(entry->attl);
    const catalogue::Attribute* field = a != nullptr ? fieldOf(*a, fields) : nullptr;
    if (field == nullptr) continue;
    std::string v = value(*entry, field->type, ucs2);
    auto same = std::find_if(items.begin(), items.end(),
                             [&](const auto& item) { return item.first == field->acronym; });
    if (same != items.end()) {
      same->second = std::move(v);
    } else {
      items.emplace_back(field->acronym, std::move(v));
    }
  }
  std::sort(items.begin(), items.end());
  std::string out = items.empty() ? "" : " ATTR";
  for (const auto& [acronym, v] : items)
    out += " " + std::string(acronym) + "=" + v;
  return out;
}

// GDAL reads national attributes only of features that have ATTF too.
inline std::string featureLine(const FeatureRecord& f, bool nationalUcs2) {
  std::string line = formatMessage("FE %u RVER=%u OBJL=%u PRIM=%u GRUP=%u FOID=%u,%u,%u", f.rcid,
                                   f.rver, f.objl, f.prim, f.grup, f.agen, f.fidn, f.fids);
  std::vector<std::pair<const AttributeEntry*, bool>> entries;
  for (const AttributeEntry* e : f.attributes)
    entries.emplace_back(e, false);
  for (const AttributeEntry* e : f.nationalAttributes()) {
    if (!f.attributes.empty()) entries.emplace_back(e, nationalUcs2);
  }
  std::vector<uint16_t> fields;
  if (const catalogue::ObjectClass* c = catalogue::objectClass(f.objl)) {
    for (const auto set : {c->attributesA, c->attributesB, c->attributesC})
      fields.insert(fields.end(), set.begin(), set.end());
  }
  line += attributes(entries, fields);
  if (!f.spatialPointers.empty()) line += " FSPT";
  for (const SpatialPointerEntry* p : f.spatialPointers)
    line += formatMessage(" (%u,%u,%u,%u,%u)", p->rcnm, p->rcid, p->ornt, p->usag, p->mask);
  if (!f.featurePointers().empty()) line += " FFPT";
  for (const FeaturePointerEntry* p : f.featurePointers())
    line += formatMessage(" (%04X%08X%04X,%u)", p->agen, p->fidn, p->fids, p->rind);
  return line;
}

// GDAL's primitive layers have two attributes, POSACC and QUAPOS; pointers
// of edges only, without their RCNM; a node's first SG2D coordinate, or its
// soundings when it has none; an edge's SG2D.
inline std::string vectorLine(const VectorRecord& v) {
  std::string line = formatMessage("VE %u %u RVER=%u", v.rcnm, v.rcid, v.rver);
  std::vector<std::pair<const AttributeEntry*, bool>> entries;
  for (const AttributeEntry* e : v.attributes())
    entries.emplace_back(e, false);
  std::vector<uint16_t> fields;
  for (const char* acronym : {"POSACC", "QUAPOS"}) {
    if (const catalogue::Attribute* a = catalogue::attribute(acronym)) fields.push_back(a->code);
  }
  line += attributes(entries, fields);
  const bool edge = v.rcnm == kRcnmEdge;
  if (edge && !v.pointers.empty()) {
    line += " VRPT";
    for (const VectorPointerEntry* p : v.pointers)
      line += formatMessage(" (%u,%u,%u,%u,%u)", p->rcid, p->ornt, p->usag, p->topi, p->mask);
  }
  const int32_t count = edge || v.coordinates.count == 0 ? v.coordinates.count : 1;
  if (count > 0 || (!edge && !v.soundings().empty())) line += " COORDS";
  for (int32_t i = 0; i < count; ++i)
    line += formatMessage(" %.9f,%.9f", v.coordinates[i].x, v.coordinates[i].y);
  if (!edge && count == 0) {
    for (const Sounding s : v.soundings())
      line += formatMessage(" %.9f,%.9f,%.9f", s.x, s.y, s.z);
  }
  return line;
}

}  // namespace dump

inline std::string dumpModel(const Dataset& d) {
  std::vector<std::tuple<int, unsigned, uint32_t, std::string>> lines;
  for (const FeatureRecord* f : d.features)
    lines.emplace_back(0, 0, f->rcid, dump::featureLine(*f, d.dssi.nall == 2));
  for (const List<VectorRecord>* list : {&d.isolatedNodes, &d.connectedNodes, &d.edges}) {
    for (const VectorRecord* v : *list)
      lines.emplace_back(1, v->rcnm, v->rcid, dump::vectorLine(*v));
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const auto& line : lines)
    out += std::get<3>(line) + "\n";
  return out;
}

}  // namespace abys::test
