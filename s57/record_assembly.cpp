#include "record_assembly.h"

#include <cstring>

#include "field_types.h"

namespace abys {
namespace {

// Repoints a text member at a copy in the arena; false when memory is out.
bool keepText(Arena& arena, std::string_view& text) {
  const char* copy = arena.copyText(text);
  if (copy == nullptr) return false;
  text = std::string_view(copy, text.size());
  return true;
}

int assembleDsid(Dataset& dataset, const DsidImage& image, int32_t& exchangePurpose,
                 RecordId& currentName) {
  DsidImage dsid = image;
  Arena& arena = dataset.arena;
  for (std::string_view* text :
       {&dsid.dsnm, &dsid.edtn, &dsid.updn, &dsid.psdn, &dsid.pred, &dsid.comt}) {
    if (!keepText(arena, *text)) return kOutOfMemory;
  }
  dataset.dsid = dsid;
  currentName = {dsid.rcnm, dsid.rcid};
  if (dsid.expp == 1 || dsid.expp == 2) exchangePurpose = dsid.expp;
  return 0;
}

int assembleDspm(Dataset& dataset, const DspmImage& image, RecordId& currentName) {
  DspmImage dspm = image;
  if (!keepText(dataset.arena, dspm.comt)) return kOutOfMemory;
  dataset.dspm = dspm;
  currentName = {dspm.rcnm, dspm.rcid};
  return 0;
}

int assembleFrid(Dataset& dataset, const FridImage& frid, RecordId& currentName) {
  auto* feature = dataset.arena.create<FeatureRecord>();
  if (feature == nullptr) return kOutOfMemory;
  feature->rcnm = frid.rcnm;
  feature->rcid = frid.rcid;
  feature->prim = frid.prim;
  feature->grup = frid.grup;
  feature->objl = frid.objl;
  feature->rver = frid.rver;
  feature->ruin = frid.ruin;
  dataset.features.append(feature);
  currentName = {frid.rcnm, frid.rcid};
  return 0;
}

int assembleVrid(Dataset& dataset, const VridImage& vrid, RecordId& currentName) {
  auto* vector = dataset.arena.create<VectorRecord>();
  if (vector == nullptr) return kOutOfMemory;
  vector->rcnm = vrid.rcnm;
  vector->rcid = vrid.rcid;
  vector->rver = vrid.rver;
  vector->ruin = vrid.ruin;
  ++dataset.vectorCount;
  dataset.currentVector = vector;
  switch (vrid.rcnm) {
    case kRcnmIsolatedNode:
      dataset.isolatedNodes.append(vector);
      break;
    case kRcnmConnectedNode:
      dataset.connectedNodes.append(vector);
      break;
    case kRcnmEdge:
      dataset.edges.append(vector);
      break;
    default:  // faces and unknown kinds: owned by the arena, in no list
      break;
  }
  currentName = {vrid.rcnm, vrid.rcid};
  return 0;
}

AttributeEntry* newAttribute(Arena& arena, const AttrElement& element) {
  auto* entry = arena.create<AttributeEntry>();
  if (entry == nullptr) return nullptr;
  const int32_t length = element.atvlLength > 0 ? element.atvlLength : 0;
  const char* value = arena.copyText(std::string_view(element.atvl, static_cast<size_t>(length)));
  if (value == nullptr) return nullptr;  // the entry stays unlinked in the arena
  entry->attl = element.attl;
  entry->atvl = value;
  entry->atvlLength = element.atvlLength;
  return entry;
}

// Equal codes land after the codes already there. Searching from the end finds
// the same place as a walk from the front for the first greater code, and
// costs nothing for attributes that arrive in order.
void insertSorted(List<AttributeEntry>& list, AttributeEntry* entry) {
  AttributeEntry* after = list.last;
  while (after != nullptr && after->attl > entry->attl)
    after = after->prev;
  if (after == nullptr) {
    if (list.first == nullptr) {
      list.append(entry);
    } else {
      list.insertBefore(list.first, entry);
    }
  } else if (after->next == nullptr) {
    list.append(entry);
  } else {
    list.insertBefore(after->next, entry);
  }
}

// The number of elements to take: the decoder's count, never more than the
// image holds.
template <typename Element>
int32_t available(const std::vector<Element>& elements, int32_t elementCount) {
  const auto size = static_cast<int32_t>(elements.size());
  return elementCount < size ? elementCount : size;
}

int assembleAttributes(Arena& arena, List<AttributeEntry>& list, const FieldImage& image,
                       int32_t elementCount, bool sorted) {
  elementCount = available(image.attributes, elementCount);
  for (int32_t i = 0; i < elementCount; ++i) {
    AttributeEntry* entry = newAttribute(arena, image.attributes[static_cast<size_t>(i)]);
    if (entry == nullptr) return kOutOfMemory;
    if (sorted) {
      insertSorted(list, entry);
    } else {
      list.append(entry);
    }
  }
  return 0;
}

int copyControl(Arena& arena, const UpdateControlImage& image, UpdateControlImage*& member) {
  auto* copy = arena.create<UpdateControlImage>();
  if (copy == nullptr) return kOutOfMemory;
  *copy = image;
  member = copy;
  return 0;
}

// Appends one entry per element, each filled from its element by fill.
template <typename Entry, typename Element, typename Fill>
int appendEntries(Arena& arena, List<Entry>& list, const std::vector<Element>& elements,
                  int32_t elementCount, Fill fill) {
  elementCount = available(elements, elementCount);
  for (int32_t i = 0; i < elementCount; ++i) {
    auto* entry = arena.create<Entry>();
    if (entry == nullptr || !fill(*entry, elements[static_cast<size_t>(i)])) return kOutOfMemory;
    list.append(entry);
  }
  return 0;
}

void widenExtent(Dataset& dataset, double x, double y) {
  if (dataset.extentsEmpty == 1) {
    dataset.minX = dataset.maxX = x;
    dataset.minY = dataset.maxY = y;
    dataset.extentsEmpty = 0;
    return;
  }
  if (x > dataset.maxX) dataset.maxX = x;
  if (x < dataset.minX) dataset.minX = x;
  if (y > dataset.maxY) dataset.maxY = y;
  if (y < dataset.minY) dataset.minY = y;
}

// Appends count values of raw after the run's current ones: a record's first
// field becomes its run, a later one of the same record a longer copy.
// False when memory is out; the run is then unchanged.
template <typename Run>
bool extendRun(Arena& arena, Run& run, const int32_t* values, int32_t count, int32_t width) {
  const size_t held = static_cast<size_t>(run.count) * static_cast<size_t>(width);
  const size_t added = static_cast<size_t>(count) * static_cast<size_t>(width);
  auto* copy =
      static_cast<int32_t*>(arena.allocate((held + added) * sizeof(int32_t), alignof(int32_t)));
  if (copy == nullptr) return false;
  if (held > 0) std::memcpy(copy, run.raw, held * sizeof(int32_t));
  std::memcpy(copy + held, values, added * sizeof(int32_t));
  run.raw = copy;
  run.count += count;
  return true;
}

// Appends the field's coordinates or soundings to the record's run, with the
// factors in force, and widens the extent by each one.
template <typename Run, typename Element>
int assembleRun(Dataset& dataset, Run& run, const std::vector<Element>& elements,
                int32_t elementCount) {
  elementCount = available(elements, elementCount);
  if (elementCount == 0) return 0;
  const int32_t start = run.count;
  run.comf = dataset.dspm.comf;
  if constexpr (requires { run.somf; }) run.somf = dataset.dspm.somf;
  constexpr int32_t kWidth = sizeof(Element) / sizeof(int32_t);
  static_assert(sizeof(Element) == kWidth * sizeof(int32_t));
  if (!extendRun(dataset.arena, run, &elements[0].y, elementCount, kWidth)) return kOutOfMemory;
  for (int32_t i = start; i < run.count; ++i) {
    const auto at = run[i];
    widenExtent(dataset, at.x, at.y);
  }
  return 0;
}

}  // namespace

int assembleField(int type, Dataset& dataset, const FieldImage& image, int32_t elementCount,
                  int32_t& exchangePurpose, RecordId& currentName, uint8_t& lexicalLevel) {
  Arena& arena = dataset.arena;
  switch (type) {
    case kFieldDSID:
      return assembleDsid(dataset, image.dsid, exchangePurpose, currentName);
    case kFieldDSSI:
      dataset.dssi = image.dssi;
      lexicalLevel = image.dssi.nall;
      return 0;
    case kFieldDSPM:
      return assembleDspm(dataset, image.dspm, currentName);
    case kFieldFRID:
      return assembleFrid(dataset, image.frid, currentName);
    case kFieldVRID:
      return assembleVrid(dataset, image.vrid, currentName);
    default:
      break;
  }

  // The field order admits the other record fields only after the FRID or
  // VRID of their record; a record whose creation failed stopped the load.
  FeatureRecord* feature = dataset.features.last;
  VectorRecord* vector = dataset.currentVector;
  switch (type) {
    case kFieldFOID:
      if (feature == nullptr) return 0;
      feature->agen = image.foid.agen;
      feature->fidn = image.foid.fidn;
      feature->fids = image.foid.fids;
      return 0;
    case kFieldATTF:
      if (feature == nullptr) return 0;
      return assembleAttributes(arena, feature->attributes, image, elementCount, true);
    case kFieldNATF:
      if (feature == nullptr) return 0;
      return assembleAttributes(arena, feature->nationalAttributes, image, elementCount, true);
    case kFieldFFPC:
      if (feature == nullptr) return 0;
      return copyControl(arena, image.updateControl, feature->featurePointerControl);
    case kFieldFSPC:
      if (feature == nullptr) return 0;
      return copyControl(arena, image.updateControl, feature->spatialPointerControl);
    case kFieldFFPT:
      if (feature == nullptr) return 0;
      return appendEntries(arena, feature->featurePointers, image.featurePointers, elementCount,
                           [&](FeaturePointerEntry& entry, const FfptElement& element) {
                             static_cast<FfptElement&>(entry) = element;
                             return keepText(arena, entry.comt);
                           });
    case kFieldFSPT:
      if (feature == nullptr) return 0;
      return appendEntries(arena, feature->spatialPointers, image.spatialPointers, elementCount,
                           [](SpatialPointerEntry& entry, const FsptElement& element) {
                             static_cast<FsptElement&>(entry) = element;
                             return true;
                           });
    case kFieldATTV:
      if (vector == nullptr) return 0;
      return assembleAttributes(arena, vector->attributes, image, elementCount, false);
    case kFieldVRPC:
      if (vector == nullptr) return 0;
      return copyControl(arena, image.updateControl, vector->pointerControl);
    case kFieldSGCC:
      if (vector == nullptr) return 0;
      return copyControl(arena, image.updateControl, vector->coordinateControl);
    case kFieldVRPT:
      if (vector == nullptr) return 0;
      return appendEntries(arena, vector->pointers, image.vectorPointers, elementCount,
                           [](VectorPointerEntry& entry, const VrptElement& element) {
                             static_cast<VrptElement&>(entry) = element;
                             return true;
                           });
    case kFieldSG2D:
      if (vector == nullptr) return 0;
      return assembleRun(dataset, vector->coordinates, image.coordinates, elementCount);
    case kFieldSG3D:
      if (vector == nullptr) return 0;
      return assembleRun(dataset, vector->soundings, image.soundings, elementCount);
    default:  // "0001", the end-of-record marker, unknown types
      return 0;
  }
}

}  // namespace abys
