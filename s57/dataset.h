// The in-memory form of one S-57 cell: identification and parameter fields,
// every feature and vector record with their fields, the extent of all
// coordinates and two tolerances.
//
// Records and entries live in the dataset's arena. Records are linked into
// lists that keep file order; the entries of each field kind of a record sit
// in one array, in file order (the attributes of a feature sorted by code).
// `currentVector` and `target` are references that own nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "arena.h"
#include "field_image.h"
#include "list.h"

namespace abys {

struct FeatureRecord;
struct VectorRecord;

// One ATTF, NATF or ATTV entry.
struct AttributeEntry : AttrElement {};

// One FFPT entry; `target` is the feature whose FOID equals the LNAM, once
// the checks have resolved it.
struct FeaturePointerEntry : FfptElement {
  FeatureRecord* target = nullptr;
};

// One FSPT entry; `target` is the vector record named by NAME, once resolved.
struct SpatialPointerEntry : FsptElement {
  VectorRecord* target = nullptr;
};

// One VRPT entry; `target` is the connected node named by NAME, once resolved.
struct VectorPointerEntry : VrptElement {
  VectorRecord* target = nullptr;
};

// One coordinate in degrees, and one sounding: position in degrees, depth in
// metres.
struct Coordinate {
  double x = 0;
  double y = 0;
};
struct Sounding {
  double x = 0;
  double y = 0;
  double z = 0;
};

// Walks a run of coordinates or soundings, yielding each one in degrees.
template <typename Run, typename Value>
class RunIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = Value;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = Value;
  RunIterator(const Run* run, int32_t at) : run_(run), at_(at) {}
  Value operator*() const { return (*run_)[at_]; }
  RunIterator& operator++() {
    ++at_;
    return *this;
  }
  bool operator==(const RunIterator& other) const { return at_ == other.at_; }

 private:
  const Run* run_;
  int32_t at_;
};

// The SG2D coordinates of a vector record as the file holds them: YCOO and
// XCOO pairs of integers in the arena, with the COMF in force when they were
// read. A coordinate in degrees is XCOO / COMF and YCOO / COMF, divided when
// asked for: the model keeps 8 bytes per coordinate, as the file does.
struct CoordinateRun {
  const int32_t* raw = nullptr;  // count pairs: YCOO, XCOO
  int32_t count = 0;
  uint32_t comf = 1;

  bool empty() const { return count == 0; }
  Coordinate operator[](int32_t i) const {
    const double factor = static_cast<double>(comf);
    return {raw[2 * i + 1] / factor, raw[2 * i] / factor};
  }
  RunIterator<CoordinateRun, Coordinate> begin() const { return {this, 0}; }
  RunIterator<CoordinateRun, Coordinate> end() const { return {this, count}; }
};

// The SG3D soundings of a vector record as the file holds them: YCOO, XCOO
// and VE3D triples, with the COMF and SOMF in force when they were read; the
// depth is VE3D / SOMF.
struct SoundingRun {
  const int32_t* raw = nullptr;  // count triples: YCOO, XCOO, VE3D
  int32_t count = 0;
  uint32_t comf = 1;
  uint32_t somf = 1;

  bool empty() const { return count == 0; }
  Sounding operator[](int32_t i) const {
    const double factor = static_cast<double>(comf);
    return {raw[3 * i + 1] / factor, raw[3 * i] / factor,
            raw[3 * i + 2] / static_cast<double>(somf)};
  }
  RunIterator<SoundingRun, Sounding> begin() const { return {this, 0}; }
  RunIterator<SoundingRun, Sounding> end() const { return {this, count}; }
};

// What few features have: national attributes, feature pointers, update
// controls.
struct FeatureExtras {
  Entries<AttributeEntry> nationalAttributes;  // sorted by attl, as attributes are
  UpdateControlImage* featurePointerControl = nullptr;
  Entries<FeaturePointerEntry> featurePointers;
  UpdateControlImage* spatialPointerControl = nullptr;
};

// A feature record keeps what every feature has in 72 bytes; the rest is in
// its extras, made when a field first needs them.
struct FeatureRecord : ListLinks<FeatureRecord> {
  uint32_t rcid = 0;
  uint32_t fidn = 0;
  uint16_t objl = 0;
  uint16_t rver = 0;
  uint16_t agen = 0;
  uint16_t fids = 0;
  uint8_t rcnm = 0;
  uint8_t prim = 0;
  uint8_t grup = 0;
  uint8_t ruin = 0;
  Entries<AttributeEntry> attributes;  // sorted by attl, equal codes in file order
  Entries<SpatialPointerEntry> spatialPointers;
  FeatureExtras* extras = nullptr;

  const Entries<AttributeEntry>& nationalAttributes() const { return held().nationalAttributes; }
  const Entries<FeaturePointerEntry>& featurePointers() const { return held().featurePointers; }
  const UpdateControlImage* featurePointerControl() const { return held().featurePointerControl; }
  const UpdateControlImage* spatialPointerControl() const { return held().spatialPointerControl; }

 private:
  static inline const FeatureExtras kNoExtras{};
  const FeatureExtras& held() const { return extras != nullptr ? *extras : kNoExtras; }
};

// What few vector records have: attributes, update controls, soundings.
struct VectorExtras {
  Entries<AttributeEntry> attributes;  // file order
  UpdateControlImage* pointerControl = nullptr;
  UpdateControlImage* coordinateControl = nullptr;
  SoundingRun soundings;
};

// A vector record keeps what every record has in 72 bytes; the rest is in
// its extras, made when a field first needs them.
struct VectorRecord : ListLinks<VectorRecord> {
  uint32_t rcid = 0;
  uint16_t rver = 0;
  uint8_t rcnm = 0;
  uint8_t ruin = 0;
  int16_t referenced = 0;
  int32_t edgeRefCount = 0;
  int32_t lineRefCount = 0;
  int32_t pointRefCount = 0;
  Entries<VectorPointerEntry> pointers;
  CoordinateRun coordinates;
  VectorExtras* extras = nullptr;

  const Entries<AttributeEntry>& attributes() const { return held().attributes; }
  const UpdateControlImage* pointerControl() const { return held().pointerControl; }
  const UpdateControlImage* coordinateControl() const { return held().coordinateControl; }
  const SoundingRun& soundings() const { return held().soundings; }

 private:
  static inline const VectorExtras kNoExtras{};
  const VectorExtras& held() const { return extras != nullptr ? *extras : kNoExtras; }
};

// The coordinate or sounding array the load extends last, and the values it
// has room for.
struct GrowingRun {
  int32_t* raw = nullptr;
  size_t capacity = 0;
};

struct Dataset {
  DsidImage dsid;  // texts point into the arena
  DssiImage dssi;
  DspmImage dspm;
  List<FeatureRecord> features;
  List<VectorRecord> isolatedNodes;
  List<VectorRecord> connectedNodes;
  List<VectorRecord> edges;
  int32_t vectorCount = 0;
  VectorRecord* currentVector = nullptr;
  GrowingRun growingRun;  // of currentVector's coordinates or soundings
  int16_t extentsEmpty = 1;
  double minX = 0;
  double maxX = 0;
  double minY = 0;
  double maxY = 0;
  double delta = 0;
  double eps = 0;

  // Owns every record, entry, update-control copy and text above, faces and
  // vector records of unknown kind included.
  Arena arena;
};

}  // namespace abys
