// Every record of a dataset as a line of text by its name, for comparing
// what updates leave: version, attributes, pointers, coordinates and
// soundings.
#pragma once

#include <map>
#include <string>

#include "dataset.h"
#include "messages.h"

namespace abys::test {

inline std::string attributesOf(const Entries<AttributeEntry>& attributes) {
  std::string text;
  for (const AttributeEntry* a : attributes)
    text +=
        formatMessage(" %d=", a->attl) + std::string(a->atvl, static_cast<size_t>(a->atvlLength));
  return text;
}

// Coordinates and soundings are printed with `decimals` places.
inline std::map<std::string, std::string> recordsOf(const Dataset& d, int decimals = 1) {
  std::map<std::string, std::string> records;
  for (const FeatureRecord* f : d.features) {
    std::string text = formatMessage("v%d objl %d A[", f->rver, f->objl) +
                       attributesOf(f->attributes) + "] N[" +
                       attributesOf(f->nationalAttributes()) + "] S[";
    for (const SpatialPointerEntry* p : f->spatialPointers)
      text += " " + recordName(p->rcnm, p->rcid) + formatMessage("/%d", p->ornt);
    text += "] F[";
    for (const FeaturePointerEntry* p : f->featurePointers())
      text += formatMessage(" %u", p->fidn);
    records[recordName(f->rcnm, f->rcid)] = text + "]";
  }
  for (const List<VectorRecord>* list : {&d.isolatedNodes, &d.connectedNodes, &d.edges}) {
    for (const VectorRecord* v : *list) {
      std::string text = formatMessage("v%d A[", v->rver) + attributesOf(v->attributes()) + "] P[";
      for (const VectorPointerEntry* p : v->pointers)
        text += " " + recordName(p->rcnm, p->rcid);
      text += "] C[";
      for (const Coordinate c : v->coordinates)
        text += formatMessage(" %.*f,%.*f", decimals, c.x, decimals, c.y);
      text += "] Z[";
      for (const Sounding s : v->soundings())
        text += formatMessage(" %.*f,%.*f,%.1f", decimals, s.x, decimals, s.y, s.z);
      records[recordName(v->rcnm, v->rcid)] = text + "]";
    }
  }
  return records;
}

}  // namespace abys::test
