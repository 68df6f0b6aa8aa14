// Check 7: duplicated features.
//
// Every pair of features with the same primitive and object class is a pair
// the check must consider, in the order of a walk over every feature and
// every feature after it. Comparing them all costs the square of a class's
// size, so each feature's attributes and pointers are copied once into flat
// sorted snapshots, and only pairs that share a key a finding needs are
// compared, with the exact equality rules; the lines and their order are the
// same as those of the full walk.
#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <tuple>
#include <vector>

#include "check_driver.h"
#include "checks.h"
#include "flat_map.h"

namespace abys {

bool (*duplicationSnapshotFails)(const FeatureRecord&) = nullptr;

namespace {

struct AttrKey {
  uint16_t attl;
  std::string_view text;  // up to the first NUL: texts compare as C strings
  auto operator<=>(const AttrKey&) const = default;
};

struct SpatialKey {
  uint8_t rcnm, ornt, usag, mask;
  uint32_t rcid;
  auto tie() const { return std::tie(rcnm, rcid, ornt, usag, mask); }
  bool operator<(const SpatialKey& o) const { return tie() < o.tie(); }
  bool operator==(const SpatialKey& o) const { return tie() == o.tie(); }
};

struct FeatureKey {
  uint16_t agen, fids;
  uint32_t fidn;
  uint8_t rind;
  std::string_view comt;
  auto tie() const { return std::tie(agen, fidn, fids, rind, comt); }
  bool operator<(const FeatureKey& o) const { return tie() < o.tie(); }
  bool operator==(const FeatureKey& o) const { return tie() == o.tie(); }
};

uint64_t mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  return h;
}
uint64_t mix(uint64_t h, std::string_view s) {
  return mix(h, std::hash<std::string_view>{}(s));
}

// A slice of one of the flat arrays.
template <typename T>
struct Range {
  const T* first = nullptr;
  const T* last = nullptr;
  size_t size() const { return static_cast<size_t>(last - first); }
  bool empty() const { return first == last; }
};

// The copies of every feature's attributes and pointers, each feature's slice
// sorted.
class Snapshots {
 public:
  explicit Snapshots(const std::vector<const FeatureRecord*>& features) {
    const size_t n = features.size();
    for (auto* offsets : {&attrAt_, &spKeyAt_, &fpKeyAt_, &spAt_, &fpAt_})
      offsets->resize(n + 1);
    failed_.assign(n, false);
    // Sized once: growing these arrays would copy them and touch fresh
    // memory again and again.
    size_t attributes = 0, spatial = 0, feature = 0;
    for (const FeatureRecord* f : features) {
      attributes += static_cast<size_t>(f->attributes.count);
      spatial += static_cast<size_t>(f->spatialPointers.count);
      feature += static_cast<size_t>(f->featurePointers.count);
    }
    try {
      attrs_.reserve(attributes);
      spKeys_.reserve(spatial);
      spatial_.reserve(spatial);
      fpKeys_.reserve(feature);
      feature_.reserve(feature);
    } catch (const std::bad_alloc&) {
      // Each feature's snapshot then grows on its own and may fail alone.
    }
    for (size_t i = 0; i < n; ++i) {
      const FeatureRecord& f = *features[i];
      if (duplicationSnapshotFails != nullptr && duplicationSnapshotFails(f)) {
        failed_[i] = true;
      } else {
        try {
          add(f);
        } catch (const std::bad_alloc&) {
          failed_[i] = true;
          attrs_.resize(attrAt_[i]);
          spKeys_.resize(spKeyAt_[i]);
          fpKeys_.resize(fpKeyAt_[i]);
          spatial_.resize(spAt_[i]);
          feature_.resize(fpAt_[i]);
        }
      }
      attrAt_[i + 1] = attrs_.size();
      spKeyAt_[i + 1] = spKeys_.size();
      fpKeyAt_[i + 1] = fpKeys_.size();
      spAt_[i + 1] = spatial_.size();
      fpAt_[i + 1] = feature_.size();
    }
  }

  bool failed(size_t i) const { return failed_[i]; }
  Range<AttrKey> attributes(size_t i) const { return slice(attrs_, attrAt_, i); }
  Range<uint64_t> spatialNames(size_t i) const { return slice(spKeys_, spKeyAt_, i); }
  Range<uint64_t> featureNames(size_t i) const { return slice(fpKeys_, fpKeyAt_, i); }
  Range<SpatialKey> spatialPointers(size_t i) const { return slice(spatial_, spAt_, i); }
  Range<FeatureKey> featurePointers(size_t i) const { return slice(feature_, fpAt_, i); }

 private:
  void add(const FeatureRecord& f) {
    const size_t a = attrs_.size();
    for (const AttributeEntry* e : f.attributes) {
      attrs_.push_back({e->attl, std::string_view(e->atvl, std::strlen(e->atvl))});
    }
    std::sort(attrs_.begin() + static_cast<long>(a), attrs_.end());
    const size_t s = spKeys_.size();
    for (const SpatialPointerEntry* p : f.spatialPointers) {
      spKeys_.push_back(vectorKey(p->rcnm, p->rcid));
      spatial_.push_back({p->rcnm, p->ornt, p->usag, p->mask, p->rcid});
    }
    std::sort(spKeys_.begin() + static_cast<long>(s), spKeys_.end());
    std::sort(spatial_.begin() + static_cast<long>(s), spatial_.end());
    const size_t p0 = fpKeys_.size();
    for (const FeaturePointerEntry* p : f.featurePointers) {
      fpKeys_.push_back(objectKey(p->agen, p->fidn, p->fids));
      feature_.push_back({p->agen, p->fids, p->fidn, p->rind, p->comt});
    }
    std::sort(fpKeys_.begin() + static_cast<long>(p0), fpKeys_.end());
    std::sort(feature_.begin() + static_cast<long>(p0), feature_.end());
  }

  template <typename T>
  static Range<T> slice(const std::vector<T>& items, const std::vector<size_t>& at, size_t i) {
    return {items.data() + at[i], items.data() + at[i + 1]};
  }

  std::vector<AttrKey> attrs_;
  std::vector<uint64_t> spKeys_, fpKeys_;
  std::vector<SpatialKey> spatial_;
  std::vector<FeatureKey> feature_;
  std::vector<size_t> attrAt_, spKeyAt_, fpKeyAt_, spAt_, fpAt_;
  std::vector<bool> failed_;
};

// Attributes equal, as the comparison of F's entries (in A) against G's (in
// B) defines it: as many entries, and for every entry of A, B has its code
// and every B entry of that code has A's text. Not symmetric when a code
// repeats.
bool attributesEqual(Range<AttrKey> a, Range<AttrKey> b) {
  if (a.size() != b.size()) return false;
  const AttrKey* j = b.first;
  for (const AttrKey* i = a.first; i != a.last; ++i) {
    while (j != b.last && j->attl < i->attl)
      ++j;
    if (j == b.last || j->attl != i->attl) return false;
    // b's slice is sorted by code then text: one text for the code means
    // the first and the last of its run are equal.
    const AttrKey* end = j;
    while (end != b.last && end->attl == i->attl)
      ++end;
    if ((end - 1)->text != j->text || j->text != i->text) return false;
  }
  return true;
}

// As many entries, and as many matching pairs (every combination) as entries.
bool pointersEqual(Range<uint64_t> a, Range<uint64_t> b) {
  if (a.size() != b.size()) return false;
  size_t pairs = 0;
  const uint64_t* i = a.first;
  const uint64_t* j = b.first;
  while (i != a.last && j != b.last) {
    if (*i < *j) {
      ++i;
    } else if (*j < *i) {
      ++j;
    } else {
      const uint64_t key = *i;
      size_t ni = 0, nj = 0;
      while (i != a.last && *i == key)
        ++i, ++ni;
      while (j != b.last && *j == key)
        ++j, ++nj;
      pairs += ni * nj;
    }
  }
  return pairs == a.size();
}

template <typename T>
bool sameSorted(Range<T> a, Range<T> b) {
  return a.size() == b.size() && std::equal(a.first, a.last, b.first);
}

// Positions of features sharing a key, ascending: every key a feature has is
// added in feature order, then the lists are laid out one after another.
class Postings {
 public:
  void reserve(size_t entries) { entries_.reserve(entries); }
  void add(uint64_t key, uint32_t position) { entries_.push_back({key, position, 0}); }

  void build() {
    FlatMap<uint32_t> groups(entries_.size());
    std::vector<uint32_t> counts;
    for (Entry& e : entries_) {
      const auto next = static_cast<uint32_t>(counts.size());
      const uint32_t group = groups.insert(e.key, next);
      if (group == next) counts.push_back(0);
      ++counts[group];
      e.group = group;
    }
    begin_.assign(counts.size() + 1, 0);
    for (size_t g = 0; g < counts.size(); ++g)
      begin_[g + 1] = begin_[g] + counts[g];
    std::vector<uint32_t> cursor(begin_.begin(), begin_.end() - 1);
    positions_.resize(entries_.size());
    for (const Entry& e : entries_)
      positions_[cursor[e.group]++] = e.position;
    groups_.emplace(std::move(groups));
    entries_.clear();
    entries_.shrink_to_fit();
  }

  // The positions after `position` of features with key.
  std::pair<const uint32_t*, const uint32_t*> after(uint64_t key, uint32_t position) const {
    const uint32_t* group = groups_->find(key);
    if (group == nullptr) return {nullptr, nullptr};
    const uint32_t* first = positions_.data() + begin_[*group];
    const uint32_t* last = positions_.data() + begin_[*group + 1];
    return {std::upper_bound(first, last, position), last};
  }

 private:
  struct Entry {
    uint64_t key;
    uint32_t position;
    uint32_t group;
  };
  std::vector<Entry> entries_;
  std::optional<FlatMap<uint32_t>> groups_;
  std::vector<uint32_t> begin_;
  std::vector<uint32_t> positions_;
};

void appendAfter(const Postings& postings, uint64_t key, uint32_t position,
                 std::vector<uint32_t>& out) {
  const auto [first, last] = postings.after(key, position);
  out.insert(out.end(), first, last);
}

size_t countAfter(const Postings& postings, uint64_t key, uint32_t position) {
  const auto [first, last] = postings.after(key, position);
  return static_cast<size_t>(last - first);
}

uint64_t classKey(const FeatureRecord& f) {
  return (uint64_t{f.prim} << 16) | f.objl;
}

enum Dimension : uint64_t {
  kAttributeSet = 1,
  kAttributePair,
  kSpatialName,
  kFeatureName,
  kNoSpatial,
  kSortedSpatial,
  kSortedFeature,
  kFailed,
};

uint64_t key(uint64_t cls, Dimension d, uint64_t value) {
  return mix(mix(cls, d), value);
}

bool hasRepeatedCodes(Range<AttrKey> a) {
  // An empty range may be two null pointers, where no offset may be applied.
  if (a.size() < 2) return false;
  for (const AttrKey* i = a.first; i + 1 != a.last; ++i) {
    if (i->attl == (i + 1)->attl) return true;
  }
  return false;
}

uint64_t attributeSetHash(Range<AttrKey> a) {
  uint64_t h = 0;
  for (const AttrKey* i = a.first; i != a.last; ++i)
    h = mix(mix(h, i->attl), i->text);
  return h;
}

template <typename T, typename Hash>
uint64_t sequenceHash(Range<T> items, Hash hashOf) {
  uint64_t h = items.size();
  for (const T* i = items.first; i != items.last; ++i)
    h = mix(h, hashOf(*i));
  return h;
}

uint64_t spatialHash(const SpatialKey& k) {
  return mix(mix(vectorKey(k.rcnm, k.rcid), k.ornt), (uint64_t{k.usag} << 8) | k.mask);
}
uint64_t featureHash(const FeatureKey& k) {
  return mix(mix(objectKey(k.agen, k.fidn, k.fids), k.rind), k.comt);
}

}  // namespace

void checkFeatureDuplication(const Dataset& dataset, CheckReport& report) {
  std::vector<const FeatureRecord*> features;
  features.reserve(static_cast<size_t>(dataset.features.count));
  for (const FeatureRecord* f : dataset.features)
    features.push_back(f);
  const Snapshots snapshots(features);
  const auto n = static_cast<uint32_t>(features.size());

  // Keys a pair must share to give a finding:
  // 333 needs equal attributes (the same code/text set when F repeats no
  //     code, else every code/text pair of F in G), equal spatial pointers
  //     (a shared name, or none on either side) and equal feature pointers
  //     (a shared name when F has any);
  // 334 needs equal spatial pointers;
  // 336 needs the same sorted feature pointers or the same sorted spatial
  //     pointers, which are plain multiset equalities.
  // Features whose snapshot failed are paired with every earlier feature of
  // their class.
  Postings postings;
  // At most: an attribute set, a failure or "none" mark for each kind of
  // pointer, two sorted sequences, and one entry per attribute and pointer.
  size_t entries = 5 * size_t{n};
  for (const FeatureRecord* f : features) {
    entries += static_cast<size_t>(f->attributes.count + f->spatialPointers.count +
                                   f->featurePointers.count);
  }
  postings.reserve(entries);
  // The code/text pairs are looked up only for features that repeat a code.
  bool repeatedCodes = false;
  for (uint32_t i = 0; i < n && !repeatedCodes; ++i) {
    repeatedCodes = !snapshots.failed(i) && hasRepeatedCodes(snapshots.attributes(i));
  }
  for (uint32_t i = 0; i < n; ++i) {
    const uint64_t cls = classKey(*features[i]);
    auto add = [&](Dimension d, uint64_t value) { postings.add(key(cls, d, value), i); };
    if (snapshots.failed(i)) {
      add(kFailed, 0);
      continue;
    }
    const Range<AttrKey> attrs = snapshots.attributes(i);
    add(kAttributeSet, attributeSetHash(attrs));
    for (const AttrKey* a = attrs.first; repeatedCodes && a != attrs.last; ++a) {
      if (a == attrs.first || *a != *(a - 1)) add(kAttributePair, mix(a->attl, a->text));
    }
    const Range<uint64_t> spNames = snapshots.spatialNames(i);
    for (const uint64_t* k = spNames.first; k != spNames.last; ++k) {
      if (k == spNames.first || *k != *(k - 1)) add(kSpatialName, *k);
    }
    if (spNames.empty()) add(kNoSpatial, 0);
    const Range<uint64_t> fpNames = snapshots.featureNames(i);
    for (const uint64_t* k = fpNames.first; k != fpNames.last; ++k) {
      if (k == fpNames.first || *k != *(k - 1)) add(kFeatureName, *k);
    }
    if (features[i]->prim == kPrimArea) {
      add(kSortedSpatial, sequenceHash(snapshots.spatialPointers(i), spatialHash));
      if (!snapshots.featurePointers(i).empty()) {
        add(kSortedFeature, sequenceHash(snapshots.featurePointers(i), featureHash));
      }
    }
  }

  postings.build();

  std::vector<uint32_t> candidates;
  std::vector<uint64_t> spatialKeys, featureKeys, attributeKeys;
  for (uint32_t i = 0; i < n; ++i) {
    const FeatureRecord* f = features[i];
    if (snapshots.failed(i)) {
      reportCheckError(kSnapshotFailed, f, static_cast<const FeatureRecord*>(nullptr), report);
      continue;
    }
    const uint64_t cls = classKey(*f);
    const Range<AttrKey> attrs = snapshots.attributes(i);
    const Range<uint64_t> spNames = snapshots.spatialNames(i);
    const Range<uint64_t> fpNames = snapshots.featureNames(i);

    // The posting lists whose union holds every feature that shares a
    // spatial name with F (or, when F has none, every feature without
    // spatial pointers): a superset of those with equal spatial pointers.
    // Likewise for feature pointers and for attributes.
    spatialKeys.clear();
    if (spNames.empty()) spatialKeys.push_back(key(cls, kNoSpatial, 0));
    for (const uint64_t* k = spNames.first; k != spNames.last; ++k) {
      if (k == spNames.first || *k != *(k - 1)) spatialKeys.push_back(key(cls, kSpatialName, *k));
    }
    // Without feature pointers F shares no name: the features without any
    // would be the superset, seldom a small one, so this kind is not used.
    featureKeys.clear();
    for (const uint64_t* k = fpNames.first; k != fpNames.last; ++k) {
      if (k == fpNames.first || *k != *(k - 1)) featureKeys.push_back(key(cls, kFeatureName, *k));
    }
    attributeKeys.clear();
    if (!hasRepeatedCodes(attrs)) {
      attributeKeys.push_back(key(cls, kAttributeSet, attributeSetHash(attrs)));
    } else {
      // G must hold every code/text pair of F: the rarest will do.
      uint64_t rarest = 0;
      size_t fewest = SIZE_MAX;
      for (const AttrKey* a = attrs.first; a != attrs.last; ++a) {
        const uint64_t k = key(cls, kAttributePair, mix(a->attl, a->text));
        const size_t count = countAfter(postings, k, i);
        if (count < fewest) {
          fewest = count;
          rarest = k;
        }
      }
      attributeKeys.push_back(rarest);
    }
    auto total = [&](const std::vector<uint64_t>& keys) {
      size_t sum = 0;
      for (const uint64_t k : keys)
        sum += countAfter(postings, k, i);
      return sum;
    };
    auto gather = [&](const std::vector<uint64_t>& keys) {
      for (const uint64_t k : keys)
        appendAfter(postings, k, i, candidates);
    };

    candidates.clear();
    // Any of the three is a superset of the 333 pairs; the smallest serves.
    const std::vector<uint64_t>* for333 = &attributeKeys;
    size_t smallest = total(attributeKeys);
    const size_t spatialTotal = total(spatialKeys);
    if (spatialTotal < smallest) {
      smallest = spatialTotal;
      for333 = &spatialKeys;
    }
    if (!featureKeys.empty() && total(featureKeys) < smallest) for333 = &featureKeys;
    gather(*for333);
    if (f->prim == kPrimLine && for333 != &spatialKeys) gather(spatialKeys);
    if (f->prim == kPrimArea) {
      appendAfter(postings,
                  key(cls, kSortedSpatial, sequenceHash(snapshots.spatialPointers(i), spatialHash)),
                  i, candidates);
      if (!snapshots.featurePointers(i).empty()) {
        appendAfter(
            postings,
            key(cls, kSortedFeature, sequenceHash(snapshots.featurePointers(i), featureHash)), i,
            candidates);
      }
    }
    appendAfter(postings, key(cls, kFailed, 0), i, candidates);
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    for (const uint32_t j : candidates) {
      const FeatureRecord* g = features[j];
      if (g->prim != f->prim || g->objl != f->objl) continue;  // a hash collision
      if (snapshots.failed(j)) {
        reportCheckError(kSnapshotFailed, f, static_cast<const FeatureRecord*>(nullptr), report);
        continue;
      }
      const bool spatialEqual = pointersEqual(spNames, snapshots.spatialNames(j));
      if (attributesEqual(attrs, snapshots.attributes(j))) {
        if (spatialEqual && pointersEqual(fpNames, snapshots.featureNames(j))) {
          reportCheckError(kDuplicateFeature, f, g, report);
        }
      } else if (f->prim == kPrimLine) {
        if (spatialEqual) reportCheckError(kLinesOnSameEdges, f, g, report);
      } else if (f->prim == kPrimArea) {
        const Range<FeatureKey> ff = snapshots.featurePointers(i);
        const Range<FeatureKey> gf = snapshots.featurePointers(j);
        const bool sortedFeatureEqual = !ff.empty() && !gf.empty() && sameSorted(ff, gf);
        if (sortedFeatureEqual ||
            sameSorted(snapshots.spatialPointers(i), snapshots.spatialPointers(j))) {
          reportCheckError(kAreasOnSamePointers, f, g, report);
        }
      }
    }
  }
}

}  // namespace abys
