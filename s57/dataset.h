// The in-memory form of one S-57 cell: identification and parameter fields,
// every feature and vector record with their fields, the extent of all
// coordinates and two tolerances.
//
// Records and entries live in the dataset's arena and are linked into lists
// that keep file order (the attribute lists of a feature stay sorted by code).
// `currentVector`, `target` and `nextInClass` are references that own nothing.
#pragma once

#include <cstdint>

#include "arena.h"
#include "field_image.h"
#include "list.h"

namespace abys {

struct FeatureRecord;
struct VectorRecord;

// One ATTF, NATF or ATTV entry. `value` is the numeric value of a VALDCO
// entry, filled by whoever colours features by depth; 0 otherwise.
struct AttributeEntry : ListLinks<AttributeEntry>, AttrElement {
  double value = 0;
};

// One FFPT entry; `target` is the feature whose FOID equals the LNAM, once
// the checks have resolved it.
struct FeaturePointerEntry : ListLinks<FeaturePointerEntry>, FfptElement {
  FeatureRecord* target = nullptr;
};

// One FSPT entry; `target` is the vector record named by NAME, once resolved.
struct SpatialPointerEntry : ListLinks<SpatialPointerEntry>, FsptElement {
  VectorRecord* target = nullptr;
};

// One VRPT entry; `target` is the connected node named by NAME, once resolved.
struct VectorPointerEntry : ListLinks<VectorPointerEntry>, VrptElement {
  VectorRecord* target = nullptr;
};

// One SG2D coordinate in degrees (XCOO and YCOO divided by COMF).
struct CoordinateEntry : ListLinks<CoordinateEntry> {
  double x = 0;
  double y = 0;
};

// One SG3D sounding: position in degrees, depth divided by SOMF.
struct SoundingEntry : ListLinks<SoundingEntry> {
  double x = 0;
  double y = 0;
  double z = 0;
};

struct FeatureRecord : ListLinks<FeatureRecord> {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint8_t prim = 0;
  uint8_t grup = 0;
  uint16_t objl = 0;
  uint16_t rver = 0;
  uint8_t ruin = 0;
  uint16_t agen = 0;
  uint32_t fidn = 0;
  uint16_t fids = 0;
  List<AttributeEntry> attributes;          // sorted by attl, equal codes in file order
  List<AttributeEntry> nationalAttributes;  // the same
  UpdateControlImage* featurePointerControl = nullptr;
  List<FeaturePointerEntry> featurePointers;
  UpdateControlImage* spatialPointerControl = nullptr;
  List<SpatialPointerEntry> spatialPointers;
  FeatureRecord* nextInClass = nullptr;  // display chain
};

struct VectorRecord : ListLinks<VectorRecord> {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint16_t rver = 0;
  uint8_t ruin = 0;
  List<AttributeEntry> attributes;  // file order
  UpdateControlImage* pointerControl = nullptr;
  List<VectorPointerEntry> pointers;
  UpdateControlImage* coordinateControl = nullptr;
  List<CoordinateEntry> coordinates;
  List<SoundingEntry> soundings;
  int16_t referenced = 0;
  int32_t edgeRefCount = 0;
  int32_t lineRefCount = 0;
  int32_t pointRefCount = 0;
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
