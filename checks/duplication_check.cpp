// Check 7: duplicated features.
//
// Every pair of features with the same primitive and object class is a pair
// the check must consider, in the order of a walk over every feature and
// every feature after it. Comparing them all costs the square of a class's
// size, so each feature's attributes and pointers are copied once into flat
// sorted snapshots; features with the same snapshot are grouped and one of
// each group stands for it; groups are compared, with the exact equality
// rules, only with groups that share a key a finding needs; and the walk
// then visits only the pairs that give a finding. The lines and their order
// are the same as those of the full walk; counts come from group sizes.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <span>
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

  // The positions of features with key.
  std::pair<const uint32_t*, const uint32_t*> all(uint64_t key) const {
    const uint32_t* group = groups_->find(key);
    if (group == nullptr) return {nullptr, nullptr};
    return {positions_.data() + begin_[*group], positions_.data() + begin_[*group + 1]};
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

uint64_t classKey(const FeatureRecord& f) {
  return (uint64_t{f.prim} << 16) | f.objl;
}

enum Dimension : uint64_t {
  kAttributeSet = 1,
  kAttributePair,
  kSpatialName,
  kFeatureName,
  kSortedSpatial,
  kSortedFeature,
  kSpatialSet,    // the names of a feature that repeats none
  kRepeaterName,  // a name of a feature that repeats one
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

bool hasRepeatedNames(Range<uint64_t> names) {
  if (names.size() < 2) return false;
  for (const uint64_t* k = names.first; k + 1 != names.last; ++k) {
    if (*k == *(k + 1)) return true;
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

// The keys a pair must share to give a finding, over a list of items (one
// feature standing for each group of identical ones):
// 333 needs equal attributes (the same code/text set when F repeats no
//     code, else every code/text pair of F in G), equal spatial pointers
//     (see candidates) and equal feature pointers
//     (a shared name when F has any);
// 334 needs equal spatial pointers;
// 336 needs the same sorted feature pointers or the same sorted spatial
//     pointers, which are plain multiset equalities.
class PairKeys {
 public:
  PairKeys(const std::vector<const FeatureRecord*>& features, const Snapshots& snapshots,
           std::vector<uint32_t> items)
      : features_(features), snapshots_(snapshots), items_(std::move(items)) {
    // At most: an attribute set, a failure or "none" mark for each kind of
    // pointer, two sorted sequences, and one entry per attribute and pointer.
    size_t entries = 5 * items_.size();
    for (const uint32_t i : items_) {
      const FeatureRecord* f = features_[i];
      entries += static_cast<size_t>(f->attributes.count + f->spatialPointers.count +
                                     f->featurePointers.count);
    }
    postings_.reserve(entries);
    // The code/text pairs are looked up only for features that repeat a code.
    for (const uint32_t i : items_) {
      repeatedCodes_ =
          repeatedCodes_ || (!snapshots_.failed(i) && hasRepeatedCodes(snapshots_.attributes(i)));
    }
    for (uint32_t item = 0; item < items_.size(); ++item)
      add(item);
    postings_.build();
  }

  // Gathers into out, sorted and without repeats, the other items that may
  // pair with item.
  void candidates(uint32_t item, std::vector<uint32_t>& out) {
    const uint32_t i = items_[item];
    const FeatureRecord* f = features_[i];
    const uint64_t cls = classKey(*f);
    const Range<AttrKey> attrs = snapshots_.attributes(i);
    const Range<uint64_t> spNames = snapshots_.spatialNames(i);
    const Range<uint64_t> fpNames = snapshots_.featureNames(i);
    auto count = [this](uint64_t k) { return countOf(k); };

    // The posting lists whose union holds every feature with spatial
    // pointers equal to F's (as many, and as many matching pairs as
    // pointers). When F repeats no name, such a feature names only F's
    // names: it has exactly F's names or repeats one of them. Otherwise it
    // shares a name with F (or, when F has none, has none either).
    spatialKeys_.clear();
    if (!hasRepeatedNames(spNames)) {
      spatialKeys_.push_back(
          key(cls, kSpatialSet, sequenceHash(spNames, [](uint64_t k) { return k; })));
      for (const uint64_t* k = spNames.first; k != spNames.last; ++k)
        spatialKeys_.push_back(key(cls, kRepeaterName, *k));
    } else {
      for (const uint64_t* k = spNames.first; k != spNames.last; ++k) {
        if (k == spNames.first || *k != *(k - 1)) {
          spatialKeys_.push_back(key(cls, kSpatialName, *k));
        }
      }
    }
    // Without feature pointers F shares no name: the features without any
    // would be the superset, seldom a small one, so this kind is not used.
    featureKeys_.clear();
    for (const uint64_t* k = fpNames.first; k != fpNames.last; ++k) {
      if (k == fpNames.first || *k != *(k - 1)) featureKeys_.push_back(key(cls, kFeatureName, *k));
    }
    attributeKeys_.clear();
    if (!hasRepeatedCodes(attrs)) {
      attributeKeys_.push_back(key(cls, kAttributeSet, attributeSetHash(attrs)));
    } else {
      // G must hold every code/text pair of F: the rarest will do.
      uint64_t rarest = 0;
      size_t fewest = SIZE_MAX;
      for (const AttrKey* a = attrs.first; a != attrs.last; ++a) {
        const uint64_t k = key(cls, kAttributePair, mix(a->attl, a->text));
        const size_t n = count(k);
        if (n < fewest) {
          fewest = n;
          rarest = k;
        }
      }
      attributeKeys_.push_back(rarest);
    }
    auto total = [&](const std::vector<uint64_t>& keys) {
      size_t sum = 0;
      for (const uint64_t k : keys)
        sum += count(k);
      return sum;
    };
    auto gather = [&](const std::vector<uint64_t>& keys) {
      for (const uint64_t k : keys)
        appendOf(k, out);
    };

    out.clear();
    // Any of the three is a superset of the 333 pairs; the smallest serves.
    const std::vector<uint64_t>* for333 = &attributeKeys_;
    size_t smallest = total(attributeKeys_);
    const size_t spatialTotal = total(spatialKeys_);
    if (spatialTotal < smallest) {
      smallest = spatialTotal;
      for333 = &spatialKeys_;
    }
    if (!featureKeys_.empty() && total(featureKeys_) < smallest) for333 = &featureKeys_;
    gather(*for333);
    if (f->prim == kPrimLine && for333 != &spatialKeys_) gather(spatialKeys_);
    if (f->prim == kPrimArea) {
      appendOf(key(cls, kSortedSpatial, sequenceHash(snapshots_.spatialPointers(i), spatialHash)),
               out);
      if (!snapshots_.featurePointers(i).empty()) {
        appendOf(key(cls, kSortedFeature, sequenceHash(snapshots_.featurePointers(i), featureHash)),
                 out);
      }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    out.erase(std::remove(out.begin(), out.end(), item), out.end());
  }

 private:
  void add(uint32_t item) {
    const uint32_t i = items_[item];
    const uint64_t cls = classKey(*features_[i]);
    auto add = [&](Dimension d, uint64_t value) { postings_.add(key(cls, d, value), item); };
    const Range<AttrKey> attrs = snapshots_.attributes(i);
    add(kAttributeSet, attributeSetHash(attrs));
    for (const AttrKey* a = attrs.first; repeatedCodes_ && a != attrs.last; ++a) {
      if (a == attrs.first || *a != *(a - 1)) add(kAttributePair, mix(a->attl, a->text));
    }
    const Range<uint64_t> spNames = snapshots_.spatialNames(i);
    const bool repeats = hasRepeatedNames(spNames);
    for (const uint64_t* k = spNames.first; k != spNames.last; ++k) {
      if (k == spNames.first || *k != *(k - 1)) {
        add(kSpatialName, *k);
        if (repeats) add(kRepeaterName, *k);
      }
    }
    if (!repeats) add(kSpatialSet, sequenceHash(spNames, [](uint64_t k) { return k; }));
    const Range<uint64_t> fpNames = snapshots_.featureNames(i);
    for (const uint64_t* k = fpNames.first; k != fpNames.last; ++k) {
      if (k == fpNames.first || *k != *(k - 1)) add(kFeatureName, *k);
    }
    if (features_[i]->prim == kPrimArea) {
      add(kSortedSpatial, sequenceHash(snapshots_.spatialPointers(i), spatialHash));
      if (!snapshots_.featurePointers(i).empty()) {
        add(kSortedFeature, sequenceHash(snapshots_.featurePointers(i), featureHash));
      }
    }
  }

  size_t countOf(uint64_t k) const {
    const auto [first, last] = postings_.all(k);
    return static_cast<size_t>(last - first);
  }
  void appendOf(uint64_t k, std::vector<uint32_t>& out) const {
    const auto [first, last] = postings_.all(k);
    out.insert(out.end(), first, last);
  }

  const std::vector<const FeatureRecord*>& features_;
  const Snapshots& snapshots_;
  std::vector<uint32_t> items_;
  bool repeatedCodes_ = false;
  Postings postings_;
  std::vector<uint64_t> spatialKeys_, featureKeys_, attributeKeys_;
};

// The finding of the pair F (at i) and G (at j, after F) of one class, both
// snapshots made: 333, 334, 336 or 0.
int pairFinding(const std::vector<const FeatureRecord*>& features, const Snapshots& snapshots,
                uint32_t i, uint32_t j) {
  const uint8_t prim = features[i]->prim;
  const Range<uint64_t> spNames = snapshots.spatialNames(i);
  const bool spatialEqual = pointersEqual(spNames, snapshots.spatialNames(j));
  if (attributesEqual(snapshots.attributes(i), snapshots.attributes(j))) {
    if (spatialEqual && pointersEqual(snapshots.featureNames(i), snapshots.featureNames(j))) {
      return kDuplicateFeature;
    }
  } else if (prim == kPrimLine) {
    if (spatialEqual) return kLinesOnSameEdges;
  } else if (prim == kPrimArea) {
    const Range<FeatureKey> ff = snapshots.featurePointers(i);
    const Range<FeatureKey> gf = snapshots.featurePointers(j);
    const bool sortedFeatureEqual = !ff.empty() && !gf.empty() && sameSorted(ff, gf);
    if (sortedFeatureEqual ||
        sameSorted(snapshots.spatialPointers(i), snapshots.spatialPointers(j))) {
      return kAreasOnSamePointers;
    }
  }
  return 0;
}

bool sameClass(const FeatureRecord& f, const FeatureRecord& g) {
  return f.prim == g.prim && f.objl == g.objl;
}

// Whether the snapshots of two features of one class are the same in all
// that pairFinding reads.
bool sameSnapshot(const Snapshots& s, uint32_t i, uint32_t j) {
  return sameSorted(s.attributes(i), s.attributes(j)) &&
         sameSorted(s.spatialNames(i), s.spatialNames(j)) &&
         sameSorted(s.featureNames(i), s.featureNames(j)) &&
         sameSorted(s.spatialPointers(i), s.spatialPointers(j)) &&
         sameSorted(s.featurePointers(i), s.featurePointers(j));
}

uint64_t snapshotHash(const std::vector<const FeatureRecord*>& features, const Snapshots& s,
                      uint32_t i) {
  const auto name = [](uint64_t k) { return k; };
  uint64_t h = mix(classKey(*features[i]), attributeSetHash(s.attributes(i)));
  h = mix(h, sequenceHash(s.spatialNames(i), name));
  h = mix(h, sequenceHash(s.featureNames(i), name));
  h = mix(h, sequenceHash(s.spatialPointers(i), spatialHash));
  return mix(h, sequenceHash(s.featurePointers(i), featureHash));
}

// The number of pairs (a, b), a from first and b from second (each in
// ascending order), with a before b.
uint64_t pairsInOrder(std::span<const uint32_t> first, std::span<const uint32_t> second) {
  uint64_t pairs = 0;
  size_t before = 0;  // of first, before the b at hand
  for (const uint32_t b : second) {
    while (before < first.size() && first[before] < b)
      ++before;
    pairs += before;
  }
  return pairs;
}

// Features with the same snapshot give the same finding against any other
// feature, in either role: check 7 compares one feature of each group.
struct Groups {
  std::vector<uint32_t> group;                 // of each feature; kNone for a failed one
  std::vector<uint32_t> representatives;       // each group's first feature
  std::vector<std::vector<uint32_t>> members;  // each group's features, ascending
  static constexpr uint32_t kNone = UINT32_MAX;

  Groups(const std::vector<const FeatureRecord*>& features, const Snapshots& snapshots)
      : group(features.size(), kNone) {
    const auto n = static_cast<uint32_t>(features.size());
    FlatMap<uint32_t> groupOf(n);
    for (uint32_t i = 0; i < n; ++i) {
      if (snapshots.failed(i)) continue;
      const uint64_t h = snapshotHash(features, snapshots, i);
      for (uint64_t probe = 0;; ++probe) {
        const auto next = static_cast<uint32_t>(representatives.size());
        const uint32_t g = groupOf.insert(mix(h, probe), next);
        if (g == next) {
          representatives.push_back(i);
          members.push_back({i});
          group[i] = g;
          break;
        }
        const uint32_t r = representatives[g];
        if (sameClass(*features[r], *features[i]) && sameSnapshot(snapshots, r, i)) {
          members[g].push_back(i);
          group[i] = g;
          break;
        }
      }
    }
  }
};

// A group that pairs with another, and the finding of each pair.
struct Match {
  uint32_t group;
  int code;
};

// For each group, the other groups whose pairs with it (it first) give a
// finding: one comparison per group and candidate.
std::vector<std::vector<Match>> matchesOf(const std::vector<const FeatureRecord*>& features,
                                          const Snapshots& snapshots, const Groups& groups) {
  PairKeys keys(features, snapshots, groups.representatives);
  std::vector<std::vector<Match>> matches(groups.representatives.size());
  std::vector<uint32_t> candidates;
  for (uint32_t g = 0; g < groups.representatives.size(); ++g) {
    const uint32_t f = groups.representatives[g];
    keys.candidates(g, candidates);
    for (const uint32_t other : candidates) {
      const uint32_t h = groups.representatives[other];
      if (!sameClass(*features[f], *features[h])) continue;  // a hash collision
      if (const int code = pairFinding(features, snapshots, f, h))
        matches[g].push_back({other, code});
    }
  }
  return matches;
}

// The findings of check 7 counted without walking every pair: each group
// against itself and against every group it matches, the pairs of two
// groups in walk order counted from their positions.
void countDuplicates(const std::vector<const FeatureRecord*>& features, const Snapshots& snapshots,
                     CheckReport& report) {
  const auto n = static_cast<uint32_t>(features.size());
  std::map<int, uint64_t> counts;
  // A feature whose snapshot failed names itself once, and each feature of
  // its class before it names it once more.
  {
    FlatMap<uint64_t> failedAfter(64);
    for (uint32_t i = n; i-- > 0;) {
      uint64_t& later = failedAfter.insert(classKey(*features[i]), 0);
      if (snapshots.failed(i)) {
        ++counts[kSnapshotFailed];
        ++later;
      } else {
        counts[kSnapshotFailed] += later;
      }
    }
  }
  const Groups groups(features, snapshots);
  const std::vector<std::vector<Match>> matches = matchesOf(features, snapshots, groups);
  for (uint32_t g = 0; g < groups.representatives.size(); ++g) {
    const uint32_t f = groups.representatives[g];
    const uint64_t size = groups.members[g].size();
    if (size > 1) {
      if (const int code = pairFinding(features, snapshots, f, f)) {
        counts[code] += size * (size - 1) / 2;
      }
    }
    for (const Match& m : matches[g])
      counts[m.code] += pairsInOrder(groups.members[g], groups.members[m.group]);
  }
  for (const auto& [code, count] : counts)
    report.counted(code, count);
}

// One run of features after F that F pairs with, all with the same code.
struct PairRun {
  const uint32_t* next;
  const uint32_t* last;
  int code;
};

}  // namespace

void checkFeatureDuplication(const Dataset& dataset, CheckReport& report) {
  // Its findings never change the status.
  if (report.detail() == FindingDetail::None) return;
  std::vector<const FeatureRecord*> features;
  features.reserve(static_cast<size_t>(dataset.features.count));
  for (const FeatureRecord* f : dataset.features)
    features.push_back(f);
  const Snapshots snapshots(features);
  const auto n = static_cast<uint32_t>(features.size());
  if (report.detail() == FindingDetail::CountOnly) {
    countDuplicates(features, snapshots, report);
    return;
  }
  const Groups groups(features, snapshots);
  std::vector<std::vector<Match>> matches = matchesOf(features, snapshots, groups);
  // Each group's matches by their last feature, latest first: a feature
  // stops at the first match with nothing after it.
  for (std::vector<Match>& m : matches) {
    std::sort(m.begin(), m.end(), [&groups](const Match& a, const Match& b) {
      return groups.members[a.group].back() > groups.members[b.group].back();
    });
  }
  std::vector<int> selfCode(groups.representatives.size(), 0);
  for (uint32_t g = 0; g < groups.representatives.size(); ++g) {
    const uint32_t f = groups.representatives[g];
    if (groups.members[g].size() > 1) selfCode[g] = pairFinding(features, snapshots, f, f);
  }
  // The features whose snapshot failed, by class.
  std::map<uint64_t, std::vector<uint32_t>> failedOfClass;
  for (uint32_t i = 0; i < n; ++i) {
    if (snapshots.failed(i)) failedOfClass[classKey(*features[i])].push_back(i);
  }

  // Walking every feature and every feature after it, only the pairs that
  // give a finding are visited: F's runs (its own group, each group it
  // matches, the failed features of its class) are merged in walk order.
  std::vector<PairRun> runs;
  for (uint32_t i = 0; i < n; ++i) {
    const FeatureRecord* f = features[i];
    if (snapshots.failed(i)) {
      reportCheckError(kSnapshotFailed, f, static_cast<const FeatureRecord*>(nullptr), report);
      continue;
    }
    const uint32_t g = groups.group[i];
    runs.clear();
    auto addRun = [&runs, i](const std::vector<uint32_t>& positions, int code) {
      const uint32_t* first =
          std::upper_bound(positions.data(), positions.data() + positions.size(), i);
      if (first != positions.data() + positions.size()) {
        runs.push_back({first, positions.data() + positions.size(), code});
      }
    };
    if (selfCode[g] != 0) addRun(groups.members[g], selfCode[g]);
    for (const Match& m : matches[g]) {
      if (groups.members[m.group].back() < i) break;
      addRun(groups.members[m.group], m.code);
    }
    const auto failed = failedOfClass.find(classKey(*f));
    if (failed != failedOfClass.end()) addRun(failed->second, kSnapshotFailed);
    // A heap of the runs by their next feature.
    const auto later = [](const PairRun& a, const PairRun& b) { return *a.next > *b.next; };
    std::make_heap(runs.begin(), runs.end(), later);
    while (!runs.empty()) {
      std::pop_heap(runs.begin(), runs.end(), later);
      PairRun& run = runs.back();
      const uint32_t j = *run.next++;
      if (run.code == kSnapshotFailed) {
        reportCheckError(kSnapshotFailed, f, static_cast<const FeatureRecord*>(nullptr), report);
      } else {
        reportCheckError(run.code, f, features[j], report);
      }
      if (run.next == run.last) {
        runs.pop_back();
      } else {
        std::push_heap(runs.begin(), runs.end(), later);
      }
    }
  }
}

}  // namespace abys
