#include "record_assembly.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

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
  auto* feature = dataset.arena.createRecord<FeatureRecord>();
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
  auto* vector = dataset.arena.createRecord<VectorRecord>();
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

// Makes room for added more entries after the held ones: a record's first
// field of a kind becomes its array, a later one of the same kind a longer
// copy. Returns the first new slot, or null when memory is out (the entries
// are then unchanged). The count grows only as the caller fills the slots,
// so that a failure halfway keeps the entries complete.
template <typename Entry>
Entry* makeRoom(Arena& arena, Entries<Entry>& entries, int32_t added) {
  const auto held = static_cast<size_t>(entries.count);
  auto* array = static_cast<Entry*>(
      arena.allocate((held + static_cast<size_t>(added)) * sizeof(Entry), alignof(Entry)));
  if (array == nullptr) return nullptr;
  if (held > 0) std::memcpy(static_cast<void*>(array), entries.first, held * sizeof(Entry));
  entries.first = array;
  return array + held;
}

// The number of elements to take: the decoder's count, never more than the
// image holds.
template <typename Element>
int32_t available(const std::vector<Element>& elements, int32_t elementCount) {
  const auto size = static_cast<int32_t>(elements.size());
  return elementCount < size ? elementCount : size;
}

// Moves the last entry back past the entries of greater code: equal codes
// stay in file order, and attributes that arrive in order cost nothing.
void sortLast(Entries<AttributeEntry>& attributes) {
  const AttributeEntry entry = attributes[attributes.count - 1];
  int32_t at = attributes.count - 1;
  for (; at > 0 && attributes[at - 1].attl > entry.attl; --at)
    attributes[at] = attributes[at - 1];
  attributes[at] = entry;
}

int assembleAttributes(Arena& arena, Entries<AttributeEntry>& attributes, const FieldImage& image,
                       int32_t elementCount, bool sorted) {
  elementCount = available(image.attributes, elementCount);
  if (elementCount == 0) return 0;
  AttributeEntry* slot = makeRoom(arena, attributes, elementCount);
  if (slot == nullptr) return kOutOfMemory;
  for (int32_t i = 0; i < elementCount; ++i, ++slot) {
    const AttrElement& element = image.attributes[static_cast<size_t>(i)];
    const int32_t length = element.atvlLength > 0 ? element.atvlLength : 0;
    const char* value = arena.copyText(std::string_view(element.atvl, static_cast<size_t>(length)));
    if (value == nullptr) return kOutOfMemory;
    *slot = AttributeEntry{};
    slot->attl = element.attl;
    slot->atvl = value;
    slot->atvlLength = element.atvlLength;
    ++attributes.count;
    if (sorted) sortLast(attributes);
  }
  return 0;
}

// Gives the record its extras if it has none yet; false when memory is out.
template <typename Record>
bool makeExtras(Arena& arena, Record& record) {
  if (record.extras == nullptr) {
    record.extras = arena.create<std::remove_pointer_t<decltype(record.extras)>>();
  }
  return record.extras != nullptr;
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
int appendEntries(Arena& arena, Entries<Entry>& entries, const std::vector<Element>& elements,
                  int32_t elementCount, Fill fill) {
  elementCount = available(elements, elementCount);
  if (elementCount == 0) return 0;
  Entry* slot = makeRoom(arena, entries, elementCount);
  if (slot == nullptr) return kOutOfMemory;
  for (int32_t i = 0; i < elementCount; ++i, ++slot) {
    *slot = Entry{};
    if (!fill(*slot, elements[static_cast<size_t>(i)])) return kOutOfMemory;
    ++entries.count;
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

// Appends count entries of width values each after the run's current ones.
// A record's first field becomes its run exactly; a record of repeated
// fields grows its run in doubling steps, so that any number of fields costs
// linear time and memory. False when memory is out; the run is unchanged.
template <typename Run>
bool extendRun(Arena& arena, GrowingRun& growing, Run& run, const int32_t* values, int32_t count,
               int32_t width) {
  const size_t held = static_cast<size_t>(run.count) * static_cast<size_t>(width);
  const size_t added = static_cast<size_t>(count) * static_cast<size_t>(width);
  int32_t* array = nullptr;
  if (held > 0 && run.raw == growing.raw && held + added <= growing.capacity) {
    array = growing.raw;
  } else {
    const size_t capacity = held > 0 ? 2 * (held + added) : added;
    array = static_cast<int32_t*>(arena.allocate(capacity * sizeof(int32_t), alignof(int32_t)));
    if (array == nullptr) return false;
    if (held > 0) std::memcpy(array, run.raw, held * sizeof(int32_t));
    growing = {array, capacity};
  }
  std::memcpy(array + held, values, added * sizeof(int32_t));
  run.raw = array;
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
  if (!extendRun(dataset.arena, dataset.growingRun, run, &elements[0].y, elementCount, kWidth))
    return kOutOfMemory;
  if (run.comf == 0) {  // infinities and NaNs: each value in turn
    for (int32_t i = start; i < run.count; ++i) {
      const auto at = run[i];
      widenExtent(dataset, at.x, at.y);
    }
    return 0;
  }
  // Dividing by a positive factor keeps the order of values, so the extent
  // of the field is that of its smallest and largest integers.
  int32_t minX = elements[0].x;
  int32_t maxX = minX;
  int32_t minY = elements[0].y;
  int32_t maxY = minY;
  for (int32_t i = 1; i < elementCount; ++i) {
    const Element& e = elements[static_cast<size_t>(i)];
    minX = std::min(minX, e.x);
    maxX = std::max(maxX, e.x);
    minY = std::min(minY, e.y);
    maxY = std::max(maxY, e.y);
  }
  const double factor = static_cast<double>(run.comf);
  widenExtent(dataset, minX / factor, minY / factor);
  widenExtent(dataset, maxX / factor, maxY / factor);
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
      if (!makeExtras(arena, *feature)) return kOutOfMemory;
      return assembleAttributes(arena, feature->extras->nationalAttributes, image, elementCount,
                                true);
    case kFieldFFPC:
      if (feature == nullptr) return 0;
      if (!makeExtras(arena, *feature)) return kOutOfMemory;
      return copyControl(arena, image.updateControl, feature->extras->featurePointerControl);
    case kFieldFSPC:
      if (feature == nullptr) return 0;
      if (!makeExtras(arena, *feature)) return kOutOfMemory;
      return copyControl(arena, image.updateControl, feature->extras->spatialPointerControl);
    case kFieldFFPT:
      if (feature == nullptr) return 0;
      if (!makeExtras(arena, *feature)) return kOutOfMemory;
      return appendEntries(arena, feature->extras->featurePointers, image.featurePointers,
                           elementCount,
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
      if (!makeExtras(arena, *vector)) return kOutOfMemory;
      return assembleAttributes(arena, vector->extras->attributes, image, elementCount, false);
    case kFieldVRPC:
      if (vector == nullptr) return 0;
      if (!makeExtras(arena, *vector)) return kOutOfMemory;
      return copyControl(arena, image.updateControl, vector->extras->pointerControl);
    case kFieldSGCC:
      if (vector == nullptr) return 0;
      if (!makeExtras(arena, *vector)) return kOutOfMemory;
      return copyControl(arena, image.updateControl, vector->extras->coordinateControl);
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
      if (!makeExtras(arena, *vector)) return kOutOfMemory;
      return assembleRun(dataset, vector->extras->soundings, image.soundings, elementCount);
    default:  // "0001", the end-of-record marker, unknown types
      return 0;
  }
}

}  // namespace abys
