// Check 7: duplicated features.
//
// Every pair of features with the same primitive and object class is a pair
// the check must consider, in the order of a walk over every feature and
// every feature after it. Comparing them all costs the square of a class's
// size. Every pair that gives a finding shares a key that one walk over the
// features finds (see screen), and only the features that share such a key
// with another are kept: usually few. Each kept feature's attributes and
// pointers are copied once into flat sorted snapshots; features with the
// same snapshot are grouped and one of each group stands for it; groups are
// compared, with the exact equality rules, only with groups that share a key
// a finding needs; and the walk then visits only the pairs that give a
// finding. The lines and their order are the same as those of the full walk;
// counts come from group sizes.
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <random>
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

// The hashes of the check's keys, chained from 0 a value at a time. Each
// step adds a seed drawn once per run, so that no file can choose values
// whose keys collide, and spreads the bits with splitmix64's finaliser.
uint64_t seed() {
  static const uint64_t drawn = (uint64_t{std::random_device{}()} << 32) ^ std::random_device{}();
  return drawn;
}
uint64_t mix(uint64_t h, uint64_t v) {
  uint64_t x = (h ^ v) + seed();
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}
// A text's length, then its bytes eight at a time.
uint64_t mix(uint64_t h, std::string_view s) {
  h = mix(h, uint64_t{s.size()});
  size_t at = 0;
  for (; at + 8 <= s.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, s.data() + at, 8);
    h = mix(h, word);
  }
  if (at == s.size()) return h;
  uint64_t rest = 0;
  std::memcpy(&rest, s.data() + at, s.size() - at);
  return mix(h, rest);
}

// A slice of one of the flat arrays.
template <typename T>
struct Range {
  const T* first = nullptr;
  const T* last = nullptr;
  size_t size() const { return static_cast<size_t>(last - first); }
  bool empty() const { return first == last; }
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
  kSpatialSet,      // the names of a feature that repeats none
  kRepeaterName,    // a name of a feature that repeats one
  kSmallestObject,  // the smallest object identifier of an area's feature pointers
};

uint64_t key(uint64_t cls, Dimension d, uint64_t value) {
  return mix(mix(0, (cls << 8) | d), value);
}

// The features that may pair with another of their class, found in one walk
// of the list without comparing any two. A pair gives a finding only when
// the two features
// - have equal spatial pointers (pointersEqual): both have none, or they
//   share a name, and when neither repeats a name they have the same names;
// - or are areas with the same sorted spatial pointers (the same names), or
//   the same sorted feature pointers (the same smallest object identifier).
// So a feature that repeats no name gives one key for its set of names, a
// feature that repeats one a key for each name, and an area with feature
// pointers one more for the smallest object identifier; a feature that
// repeats no name also looks up each of its names among those of the
// features that repeat one. A feature that shares a key with another is
// kept. Features whose snapshot fails are set apart.
struct Screened {
  std::vector<const FeatureRecord*> features;  // the kept ones, in list order
  std::vector<uint32_t> places;                // their places in the list
  std::vector<uint32_t> failed;                // places of failed features, ascending
};

// Keys, each noted with the place of the first feature that gave it: one
// slot of 64 bits per key, the key's upper half and the place, in a table
// sized once. Two keys of one upper half that meet in the table count as
// one: at worst a feature is kept that need not be.
class KeyTable {
 public:
  explicit KeyTable(size_t keys) {
    size_t capacity = 16;
    while (capacity < keys + keys / 2)
      capacity *= 2;
    slots_.assign(capacity, kEmpty);
    mask_ = capacity - 1;
  }

  // The place noted for key, after noting place when there was none.
  uint32_t note(uint64_t key, uint32_t place) {
    for (size_t at = key & mask_;; at = (at + 1) & mask_) {
      const uint64_t slot = slots_[at];
      if (slot == kEmpty) {
        slots_[at] = (key & kUpper) | place;
        return place;
      }
      if ((slot & kUpper) == (key & kUpper)) return static_cast<uint32_t>(slot);
    }
  }

 private:
  static constexpr uint64_t kEmpty = ~uint64_t{0};  // no place is UINT32_MAX
  static constexpr uint64_t kUpper = ~uint64_t{0} << 32;
  std::vector<uint64_t> slots_;
  size_t mask_ = 0;
};

Screened screen(const Dataset& dataset) {
  enum : uint8_t { kFailed = 1, kRepeats = 2, kKept = 4 };
  const auto n = static_cast<size_t>(dataset.features.count);
  std::vector<uint8_t> state(n, 0);
  const auto keep = [&state](uint32_t a, uint32_t b) {
    if (a != b) {
      state[a] |= kKept;
      state[b] |= kKept;
    }
  };
  std::vector<uint64_t> names;
  // The distinct names of f's spatial pointers, sorted, into names; whether
  // f repeats one.
  const auto readNames = [&names](const FeatureRecord& f) {
    names.clear();
    for (const SpatialPointerEntry* p : f.spatialPointers)
      names.push_back(vectorKey(p->rcnm, p->rcid));
    std::sort(names.begin(), names.end());
    const auto end = std::unique(names.begin(), names.end());
    const bool repeats = end != names.end();
    names.erase(end, names.end());
    return repeats;
  };
  // The keys other than sets of names, with the places of their features:
  // few, as few features repeat a name or are areas with feature pointers.
  struct Keyed {
    uint64_t key;
    uint32_t place;
    auto operator<=>(const Keyed&) const = default;
  };
  std::vector<Keyed> others;
  Screened out;
  bool repeaters = false;
  {
    KeyTable sets(n);
    uint32_t place = 0;
    for (const FeatureRecord* f : dataset.features) {
      const uint32_t at = place++;
      if (duplicationSnapshotFails != nullptr && duplicationSnapshotFails(*f)) {
        state[at] = kFailed;
        out.failed.push_back(at);
        continue;
      }
      const uint64_t cls = classKey(*f);
      if (readNames(*f)) {
        state[at] = kRepeats;
        repeaters = true;
        for (const uint64_t name : names)
          others.push_back({key(cls, kSpatialName, name), at});
      } else {
        uint64_t set = mix(0, uint64_t{names.size()});
        for (const uint64_t name : names)
          set = mix(set, name);
        keep(sets.note(key(cls, kSpatialSet, set), at), at);
      }
      if (f->prim == kPrimArea && !f->featurePointers().empty()) {
        uint64_t smallest = UINT64_MAX;
        for (const FeaturePointerEntry* p : f->featurePointers())
          smallest = std::min(smallest, objectKey(p->agen, p->fidn, p->fids));
        others.push_back({key(cls, kSmallestObject, smallest), at});
      }
    }
  }
  // Features with a key in common, then those that repeat no name and share
  // one with a feature that repeats one.
  std::sort(others.begin(), others.end());
  for (auto run = others.begin(); run != others.end();) {
    const auto end =
        std::find_if(run, others.end(), [&run](const Keyed& k) { return k.key != run->key; });
    for (auto k = run + 1; k != end; ++k)
      keep(run->place, k->place);
    run = end;
  }
  if (repeaters) {
    uint32_t place = 0;
    for (const FeatureRecord* f : dataset.features) {
      const uint32_t at = place++;
      if (state[at] & (kFailed | kRepeats)) continue;
      const uint64_t cls = classKey(*f);
      for (const SpatialPointerEntry* p : f->spatialPointers) {
        const Keyed name{key(cls, kSpatialName, vectorKey(p->rcnm, p->rcid)), 0};
        const auto found = std::lower_bound(others.begin(), others.end(), name);
        if (found != others.end() && found->key == name.key) keep(found->place, at);
      }
    }
  }
  others = {};
  // The kept features, gathered in a walk that stops at the last.
  size_t kept = 0;
  for (size_t at = 0; at < n; ++at) {
    if (state[at] & kKept) ++kept;
  }
  out.features.reserve(kept);
  out.places.reserve(kept);
  uint32_t place = 0;
  for (const FeatureRecord* f : dataset.features) {
    if (out.features.size() == kept) break;
    if (state[place] & kKept) {
      out.features.push_back(f);
      out.places.push_back(place);
    }
    ++place;
  }
  return out;
}

// The copies of every feature's attributes and pointers, each feature's slice
// sorted.
class Snapshots {
 public:
  explicit Snapshots(const std::vector<const FeatureRecord*>& features) {
    const size_t n = features.size();
    for (auto* offsets : {&attrAt_, &spAt_, &fpAt_})
      offsets->resize(n + 1);
    failed_.assign(n, false);
    // Sized once: growing these arrays would copy them and touch fresh
    // memory again and again.
    size_t attributes = 0, spatial = 0, feature = 0;
    for (const FeatureRecord* f : features) {
      attributes += static_cast<size_t>(f->attributes.count);
      spatial += static_cast<size_t>(f->spatialPointers.count);
      feature += static_cast<size_t>(f->featurePointers().count);
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
      try {
        add(*features[i]);
      } catch (const std::bad_alloc&) {
        failed_[i] = true;
        attrs_.resize(attrAt_[i]);
        spKeys_.resize(spAt_[i]);
        spatial_.resize(spAt_[i]);
        fpKeys_.resize(fpAt_[i]);
        feature_.resize(fpAt_[i]);
      }
      attrAt_[i + 1] = attrs_.size();
      spAt_[i + 1] = spKeys_.size();
      fpAt_[i + 1] = fpKeys_.size();
    }
  }

  bool failed(size_t i) const { return failed_[i]; }
  Range<AttrKey> attributes(size_t i) const { return slice(attrs_, attrAt_, i); }
  Range<uint64_t> spatialNames(size_t i) const { return slice(spKeys_, spAt_, i); }
  Range<uint64_t> featureNames(size_t i) const { return slice(fpKeys_, fpAt_, i); }
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
    for (const FeaturePointerEntry* p : f.featurePointers()) {
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
  // Where each feature's slices begin; a feature has as many names as
  // pointers of each kind.
  std::vector<size_t> attrAt_, spAt_, fpAt_;
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
    counts.reserve(entries_.size());
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
    // counts become each list's next free position.
    std::copy(begin_.begin(), begin_.end() - 1, counts.begin());
    positions_.resize(entries_.size());
    for (const Entry& e : entries_)
      positions_[counts[e.group]++] = e.position;
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

uint64_t attributePair(const AttrKey& a) {
  return mix(mix(0, a.attl), a.text);
}

uint64_t attributeSetHash(Range<AttrKey> a) {
  uint64_t h = 0;
  for (const AttrKey* i = a.first; i != a.last; ++i)
    h = mix(mix(h, i->attl), i->text);
  return h;
}

template <typename T, typename Hash>
uint64_t sequenceHash(Range<T> items, Hash hashOf) {
  uint64_t h = mix(0, uint64_t{items.size()});
  for (const T* i = items.first; i != items.last; ++i)
    h = mix(h, hashOf(*i));
  return h;
}

uint64_t spatialHash(const SpatialKey& k) {
  return mix(mix(mix(0, vectorKey(k.rcnm, k.rcid)), k.ornt), (uint64_t{k.usag} << 8) | k.mask);
}
uint64_t featureHash(const FeatureKey& k) {
  return mix(mix(mix(0, objectKey(k.agen, k.fidn, k.fids)), k.rind), k.comt);
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
           const std::vector<uint32_t>& items)
      : features_(features), snapshots_(snapshots), items_(items) {
    // At most: an attribute set, a failure or "none" mark for each kind of
    // pointer, two sorted sequences, and one entry per attribute and pointer.
    size_t entries = 5 * items_.size();
    for (const uint32_t i : items_) {
      const FeatureRecord* f = features_[i];
      entries += static_cast<size_t>(f->attributes.count + f->spatialPointers.count +
                                     f->featurePointers().count);
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
        const uint64_t k = key(cls, kAttributePair, attributePair(*a));
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
      if (a == attrs.first || *a != *(a - 1)) add(kAttributePair, attributePair(*a));
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
  const std::vector<uint32_t>& items_;
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
  uint64_t h = mix(mix(0, classKey(*features[i])), attributeSetHash(s.attributes(i)));
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
  std::vector<uint32_t> group;            // of each feature; kNone for a failed one
  std::vector<uint32_t> representatives;  // each group's first feature
  static constexpr uint32_t kNone = UINT32_MAX;

  Groups(const std::vector<const FeatureRecord*>& features, const Snapshots& snapshots)
      : group(features.size(), kNone) {
    const auto n = static_cast<uint32_t>(features.size());
    representatives.reserve(n);
    // Sizes first, then the members laid out group after group.
    std::vector<uint32_t> sizes;
    sizes.reserve(n);
    {
      FlatMap<uint32_t> groupOf(n);
      for (uint32_t i = 0; i < n; ++i) {
        if (snapshots.failed(i)) continue;
        const uint64_t h = snapshotHash(features, snapshots, i);
        for (uint64_t probe = 0;; ++probe) {
          const auto next = static_cast<uint32_t>(representatives.size());
          const uint32_t g = groupOf.insert(mix(h, probe), next);
          if (g == next) {
            representatives.push_back(i);
            sizes.push_back(1);
            group[i] = g;
            break;
          }
          const uint32_t r = representatives[g];
          if (sameClass(*features[r], *features[i]) && sameSnapshot(snapshots, r, i)) {
            ++sizes[g];
            group[i] = g;
            break;
          }
        }
      }
    }
    begin_.assign(sizes.size() + 1, 0);
    for (size_t g = 0; g < sizes.size(); ++g)
      begin_[g + 1] = begin_[g] + sizes[g];
    // sizes become each group's next free place.
    std::copy(begin_.begin(), begin_.end() - 1, sizes.begin());
    members_.resize(begin_.back());
    for (uint32_t i = 0; i < n; ++i) {
      if (group[i] != kNone) members_[sizes[group[i]]++] = i;
    }
  }

  uint32_t count() const { return static_cast<uint32_t>(representatives.size()); }
  // Group g's features, ascending.
  std::span<const uint32_t> members(uint32_t g) const {
    return {members_.data() + begin_[g], members_.data() + begin_[g + 1]};
  }

 private:
  std::vector<uint32_t> begin_;
  std::vector<uint32_t> members_;
};

// A group that pairs with another, and the finding of each pair.
struct Match {
  uint32_t group;
  int code;
};

// For each group, the other groups whose pairs with it (it first) give a
// finding, group after group: one comparison per group and candidate.
struct Matches {
  std::vector<Match> all;
  std::vector<size_t> begin;  // group g's: all[begin[g]] to all[begin[g + 1]]

  Matches(const std::vector<const FeatureRecord*>& features, const Snapshots& snapshots,
          const Groups& groups) {
    PairKeys keys(features, snapshots, groups.representatives);
    begin.reserve(groups.count() + 1);
    begin.push_back(0);
    std::vector<uint32_t> candidates;
    for (uint32_t g = 0; g < groups.count(); ++g) {
      const uint32_t f = groups.representatives[g];
      keys.candidates(g, candidates);
      for (const uint32_t other : candidates) {
        const uint32_t h = groups.representatives[other];
        if (!sameClass(*features[f], *features[h])) continue;  // a hash collision
        if (const int code = pairFinding(features, snapshots, f, h)) all.push_back({other, code});
      }
      begin.push_back(all.size());
    }
  }

  std::span<Match> of(uint32_t g) { return {all.data() + begin[g], all.data() + begin[g + 1]}; }
};

// The features whose snapshot failed, those of the screen and those whose
// copy ran out of memory, in list order.
std::vector<uint32_t> failedPlaces(Screened& screened, const Snapshots& snapshots) {
  std::vector<uint32_t> failed = std::move(screened.failed);
  for (size_t i = 0; i < screened.features.size(); ++i) {
    if (snapshots.failed(i)) failed.push_back(screened.places[i]);
  }
  std::sort(failed.begin(), failed.end());
  return failed;
}

// The finding of two features of each group, 0 for a group of one.
std::vector<int> selfCodes(const std::vector<const FeatureRecord*>& features,
                           const Snapshots& snapshots, const Groups& groups) {
  std::vector<int> codes(groups.count(), 0);
  for (uint32_t g = 0; g < groups.count(); ++g) {
    const uint32_t f = groups.representatives[g];
    if (groups.members(g).size() > 1) codes[g] = pairFinding(features, snapshots, f, f);
  }
  return codes;
}

// What the walk and the counts need of the kept features; their snapshots
// are released once it is made.
struct Pairs {
  std::vector<uint32_t> failed;  // places, ascending
  Groups groups;
  Matches matches;
  std::vector<int> selfCode;

  explicit Pairs(Screened& screened) : Pairs(screened, Snapshots(screened.features)) {}

 private:
  Pairs(Screened& screened, const Snapshots& snapshots)
      : failed(failedPlaces(screened, snapshots)),
        groups(screened.features, snapshots),
        matches(screened.features, snapshots, groups),
        selfCode(selfCodes(screened.features, snapshots, groups)) {}
};

// One run of features after F that F pairs with, all with the same code:
// kept features (positions in Screened::features, placed through places) or
// failed ones (places).
struct PairRun {
  const uint32_t* next;
  const uint32_t* last;
  const uint32_t* places;  // null for places
  int code;
  uint32_t place() const { return places != nullptr ? places[*next] : *next; }
};

}  // namespace

void checkFeatureDuplication(const Dataset& dataset, CheckReport& report) {
  // Its findings never change the status.
  if (report.detail() == FindingDetail::None) return;
  Screened screened = screen(dataset);
  if (screened.features.empty() && screened.failed.empty()) return;
  const std::vector<const FeatureRecord*>& features = screened.features;
  Pairs pairs(screened);
  const std::vector<uint32_t>& failed = pairs.failed;
  const Groups& groups = pairs.groups;
  Matches& matches = pairs.matches;
  const std::vector<int>& selfCode = pairs.selfCode;

  if (report.detail() == FindingDetail::CountOnly) {
    std::map<int, uint64_t> counts;
    // A failed feature names itself once, and each feature of its class
    // before it that did not fail names it once more.
    if (!failed.empty()) {
      FlatMap<uint64_t> before(64);
      uint32_t place = 0;
      size_t next = 0;
      for (const FeatureRecord* f : dataset.features) {
        uint64_t& earlier = before.insert(classKey(*f), 0);
        if (next < failed.size() && failed[next] == place) {
          counts[kSnapshotFailed] += 1 + earlier;
          ++next;
        } else {
          ++earlier;
        }
        ++place;
      }
    }
    // Each group against itself and against every group it matches, the
    // pairs of two groups in walk order counted from their positions.
    for (uint32_t g = 0; g < groups.count(); ++g) {
      const uint64_t size = groups.members(g).size();
      if (selfCode[g] != 0) counts[selfCode[g]] += size * (size - 1) / 2;
      for (const Match& m : matches.of(g))
        counts[m.code] += pairsInOrder(groups.members(g), groups.members(m.group));
    }
    for (const auto& [code, count] : counts)
      report.counted(code, count);
    return;
  }

  // Each group's matches by their last feature, latest first: a feature
  // stops at the first match with nothing after it.
  for (uint32_t g = 0; g < groups.count(); ++g) {
    std::span<Match> m = matches.of(g);
    std::sort(m.begin(), m.end(), [&groups](const Match& a, const Match& b) {
      return groups.members(a.group).back() > groups.members(b.group).back();
    });
  }
  // The failed features by class.
  std::map<uint64_t, std::vector<uint32_t>> failedOfClass;
  if (!failed.empty()) {
    uint32_t place = 0;
    size_t next = 0;
    for (const FeatureRecord* f : dataset.features) {
      if (next == failed.size()) break;
      if (failed[next] == place) {
        failedOfClass[classKey(*f)].push_back(place);
        ++next;
      }
      ++place;
    }
  }

  // Walking every feature and every feature after it, only the pairs that
  // give a finding are visited: F's runs (its own group, each group it
  // matches, the failed features of its class) are merged in walk order.
  // Other features pair with none.
  constexpr uint32_t kNotKept = UINT32_MAX;
  std::vector<PairRun> runs;
  const auto visit = [&](const FeatureRecord* f, uint32_t at, uint32_t i) {
    runs.clear();
    auto addRun = [&runs](std::span<const uint32_t> positions, uint32_t after,
                          const uint32_t* placed, int code) {
      const uint32_t* first =
          std::upper_bound(positions.data(), positions.data() + positions.size(), after);
      if (first != positions.data() + positions.size()) {
        runs.push_back({first, positions.data() + positions.size(), placed, code});
      }
    };
    if (i != kNotKept) {
      const uint32_t g = groups.group[i];
      const uint32_t* places = screened.places.data();
      if (selfCode[g] != 0) addRun(groups.members(g), i, places, selfCode[g]);
      for (const Match& m : matches.of(g)) {
        if (groups.members(m.group).back() < i) break;
        addRun(groups.members(m.group), i, places, m.code);
      }
    }
    const auto failedHere = failedOfClass.find(classKey(*f));
    if (failedHere != failedOfClass.end()) addRun(failedHere->second, at, nullptr, kSnapshotFailed);
    // A heap of the runs by their next feature.
    const auto later = [](const PairRun& a, const PairRun& b) { return a.place() > b.place(); };
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
  };
  if (failed.empty()) {
    for (uint32_t i = 0; i < features.size(); ++i)
      visit(features[i], screened.places[i], i);
    return;
  }
  uint32_t place = 0;
  size_t nextKept = 0, nextFailed = 0;
  for (const FeatureRecord* f : dataset.features) {
    const uint32_t at = place++;
    uint32_t i = kNotKept;
    if (nextKept < features.size() && screened.places[nextKept] == at) {
      i = static_cast<uint32_t>(nextKept++);
    }
    if (nextFailed < failed.size() && failed[nextFailed] == at) {
      ++nextFailed;
      reportCheckError(kSnapshotFailed, f, static_cast<const FeatureRecord*>(nullptr), report);
    } else {
      visit(f, at, i);
    }
  }
}

}  // namespace abys
