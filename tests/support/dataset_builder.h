// Fills a dataset by hand, for tests that need records no cell writer would
// produce in that combination (random datasets for the check oracle).
#pragma once

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <string_view>

#include "dataset.h"

namespace abys::test {

class DatasetBuilder {
 public:
  explicit DatasetBuilder(Dataset& dataset) : d_(dataset) {
    d_.dspm.comf = 1;
    d_.dspm.somf = 1;
  }

  FeatureRecord* feature(uint32_t rcid, uint8_t prim, uint16_t objl, uint16_t agen = 0,
                         uint32_t fidn = 0, uint16_t fids = 0) {
    auto* f = d_.arena.create<FeatureRecord>();
    f->rcnm = kRcnmFeature;
    f->rcid = rcid;
    f->prim = prim;
    f->grup = 1;
    f->objl = objl;
    f->agen = agen;
    f->fidn = fidn;
    f->fids = fids;
    d_.features.append(f);
    return f;
  }

  // Keeps the list sorted by code, equal codes in the order added.
  void attribute(FeatureRecord* f, uint16_t attl, std::string_view value) {
    AttributeEntry* a = appended(f->attributes);
    a->attl = attl;
    a->atvl = d_.arena.copyText(value);
    a->atvlLength = static_cast<int32_t>(value.size());
    for (; a != f->attributes.first && (a - 1)->attl > attl; --a)
      std::swap(*a, *(a - 1));
  }

  void featurePointer(FeatureRecord* f, uint16_t agen, uint32_t fidn, uint16_t fids,
                      uint8_t rind = 2, std::string_view comt = "") {
    if (f->extras == nullptr) f->extras = d_.arena.create<FeatureExtras>();
    FeaturePointerEntry* p = appended(f->extras->featurePointers);
    p->agen = agen;
    p->fidn = fidn;
    p->fids = fids;
    p->rind = rind;
    p->comt = std::string_view(d_.arena.copyText(comt), comt.size());
  }

  void spatialPointer(FeatureRecord* f, uint8_t rcnm, uint32_t rcid, uint8_t ornt = 1,
                      uint8_t usag = 255, uint8_t mask = 255) {
    SpatialPointerEntry* p = appended(f->spatialPointers);
    p->rcnm = rcnm;
    p->rcid = rcid;
    p->ornt = ornt;
    p->usag = usag;
    p->mask = mask;
  }

  VectorRecord* vector(uint8_t rcnm, uint32_t rcid) {
    auto* v = d_.arena.create<VectorRecord>();
    v->rcnm = rcnm;
    v->rcid = rcid;
    v->rver = 1;
    v->ruin = 1;
    ++d_.vectorCount;
    d_.currentVector = v;
    if (rcnm == kRcnmIsolatedNode) d_.isolatedNodes.append(v);
    if (rcnm == kRcnmConnectedNode) d_.connectedNodes.append(v);
    if (rcnm == kRcnmEdge) d_.edges.append(v);
    return v;
  }

  void nodePointer(VectorRecord* v, uint8_t rcnm, uint32_t rcid, uint8_t topi) {
    VectorPointerEntry* p = appended(v->pointers);
    p->rcnm = rcnm;
    p->rcid = rcid;
    p->ornt = 255;
    p->usag = 255;
    p->topi = topi;
    p->mask = 255;
  }

  // Coordinates are kept as a file would hold them, with a COMF and SOMF of
  // ten million: a value of up to seven decimals comes back exactly.
  void coordinate(VectorRecord* v, double x, double y) {
    v->coordinates.comf = kFactor;
    v->coordinates.raw = extended(v->coordinates.raw, v->coordinates.count, {y, x});
    ++v->coordinates.count;
  }

  void sounding(VectorRecord* v, double x, double y, double z) {
    if (v->extras == nullptr) v->extras = d_.arena.create<VectorExtras>();
    SoundingRun& run = v->extras->soundings;
    run.comf = run.somf = kFactor;
    run.raw = extended(run.raw, run.count, {y, x, z});
    ++run.count;
  }

 private:
  static constexpr uint32_t kFactor = 10'000'000;

  // A new value-initialised entry after the others, in a copy of the array.
  template <typename T>
  T* appended(Entries<T>& entries) {
    auto* copy = static_cast<T*>(
        d_.arena.allocate((static_cast<size_t>(entries.count) + 1) * sizeof(T), alignof(T)));
    std::copy(entries.first, entries.first + entries.count, copy);
    entries.first = copy;
    return new (&copy[entries.count++]) T();
  }

  // A copy of the count entries at raw (each of values.size() integers) with
  // values scaled by kFactor after them.
  const int32_t* extended(const int32_t* raw, int32_t count, std::initializer_list<double> values) {
    const size_t held = static_cast<size_t>(count) * values.size();
    auto* copy = static_cast<int32_t*>(
        d_.arena.allocate((held + values.size()) * sizeof(int32_t), alignof(int32_t)));
    std::copy(raw, raw + held, copy);
    size_t at = held;
    for (const double value : values)
      copy[at++] = static_cast<int32_t>(std::llround(value * kFactor));
    return copy;
  }

  Dataset& d_;
};

}  // namespace abys::test
