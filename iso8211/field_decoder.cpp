#include "field_decoder.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "byte_cursor.h"
#include "field_types.h"

namespace abys {
namespace {

inline constexpr uint32_t kMaxRcid = 4294967294u;

bool validRcid(uint32_t rcid) {
  return rcid >= 1 && rcid <= kMaxRcid;
}
bool validVectorRcnm(uint8_t rcnm) {
  return rcnm == kRcnmIsolatedNode || rcnm == kRcnmConnectedNode || rcnm == kRcnmEdge ||
         rcnm == kRcnmFace;
}
bool validPrim(uint8_t v) {
  return v == kPrimPoint || v == kPrimLine || v == kPrimArea || v == kPrimNone;
}
bool validOrnt(uint8_t v) {
  return v == 1 || v == 2 || v == 255;
}
bool validUsag(uint8_t v) {
  return v == 1 || v == 2 || v == 3 || v == 255;
}
bool validTopi(uint8_t v) {
  return (v >= 1 && v <= 5) || v == 255;
}
bool validRuin(uint8_t v) {
  return v >= 1 && v <= 3;
}

// Every byte in 32-126 (an empty text passes).
bool isPrintable(std::string_view text) {
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c > 126) return false;
  }
  return true;
}

// Exactly one byte of value 127: the S-57 marker that deletes a value.
bool isDeletionMarker(std::string_view text) {
  return text.size() == 1 && static_cast<unsigned char>(text[0]) == 127;
}

// Appends texts, each followed by a NUL, to the image's text store. The store
// is sized before decoding so that views handed out stay valid: no field
// writes more text bytes than it holds, plus one NUL per text it fails on.
class TextWriter {
 public:
  TextWriter(std::vector<char>& store, size_t fieldLength) {
    const size_t needed = fieldLength + 16;
    if (store.size() < needed) store.resize(needed);
    next_ = store.data();
  }

  std::string_view add(std::string_view text) {
    char* at = next_;
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\0';
    next_ += text.size() + 1;
    return {at, text.size()};
  }

 private:
  char* next_;
};

int decodeDsid(std::string_view field, FieldImage& image) {
  DsidImage& d = image.dsid;
  TextWriter texts(image.textStore, field.size());
  ByteCursor cursor(field);
  int code = kDecodeOk;  // the first problem found
  auto note = [&](int problem) {
    if (code == kDecodeOk) code = problem;
  };
  // A text cut by the end of the field is kept as far as it goes.
  auto text = [&](std::string_view& member) {
    std::string_view value;
    const bool terminated = cursor.text(value);
    if (terminated || !value.empty()) member = texts.add(value);
    if (!terminated) note(kNoUnitTerminator);
  };
  d.rcnm = cursor.b11();
  d.rcid = cursor.b14();
  d.expp = cursor.b11();
  d.intu = cursor.b11();
  if (cursor.wasShort()) note(kShortFixedField);
  text(d.dsnm);
  text(d.edtn);
  text(d.updn);
  cursor.fixedText(d.uadt, sizeof d.uadt);
  cursor.fixedText(d.isdt, sizeof d.isdt);
  cursor.fixedText(d.sted, sizeof d.sted);
  d.prsp = cursor.b11();
  if (cursor.wasShort()) note(kShortFixedField);
  text(d.psdn);
  text(d.pred);
  d.prof = cursor.b11();
  d.agen = cursor.b12();
  if (cursor.wasShort()) note(kShortFixedField);
  text(d.comt);
  return code;
}

int decodeDssi(std::string_view field, FieldImage& image) {
  DssiImage& d = image.dssi;
  ByteCursor cursor(field);
  d.dstr = cursor.b11();
  d.aall = cursor.b11();
  d.nall = cursor.b11();
  d.nomr = cursor.b14();
  d.nocr = cursor.b14();
  d.nogr = cursor.b14();
  d.nolr = cursor.b14();
  d.noin = cursor.b14();
  d.nocn = cursor.b14();
  d.noed = cursor.b14();
  d.nofa = cursor.b14();
  return cursor.wasShort() ? kShortFixedField : kDecodeOk;
}

int decodeDspm(std::string_view field, FieldImage& image) {
  DspmImage& d = image.dspm;
  ByteCursor cursor(field);
  d.rcnm = cursor.b11();
  d.rcid = cursor.b14();
  d.hdat = cursor.b11();
  d.vdat = cursor.b11();
  d.sdat = cursor.b11();
  d.cscl = cursor.b14();
  d.duni = cursor.b11();
  d.huni = cursor.b11();
  d.puni = cursor.b11();
  d.coun = cursor.b11();
  d.comf = cursor.b14();
  d.somf = cursor.b14();
  if (cursor.wasShort()) return kShortFixedField;

  std::string_view comment;
  if (!cursor.text(comment)) return kNoUnitTerminator;
  if (!isPrintable(comment)) return kCommentNotPrintable;
  d.comt = TextWriter(image.textStore, field.size()).add(comment);
  return kDecodeOk;
}

// FRID, VRID and the pointer elements store each checked member only once
// the checks before it have passed; the members after a failed check stay
// zero.

int decodeFrid(std::string_view field, FieldImage& image) {
  if (field.size() < 12) return kFridTooShort;
  if (field.size() > 12) return kFridTooLong;
  FridImage& f = image.frid;
  ByteCursor cursor(field);
  f.rcnm = cursor.b11();
  const uint32_t rcid = cursor.b14();
  const uint8_t prim = cursor.b11();
  const uint8_t grup = cursor.b11();
  f.objl = cursor.b12();
  f.rver = cursor.b12();
  const uint8_t ruin = cursor.b11();
  if (f.rcnm != kRcnmFeature) return kFridBadRcnm;
  f.rcid = rcid;
  if (!validRcid(rcid)) return kRcidOutOfRange;
  f.prim = prim;
  if (!validPrim(prim)) return kFridBadPrim;
  f.grup = grup;
  if (grup < 1 || grup > 254) return kFridBadGrup;
  f.ruin = ruin;
  return validRuin(ruin) ? kDecodeOk : kBadRuin;
}

int decodeFoid(std::string_view field, FieldImage& image) {
  if (field.size() < 8) return kFoidTooShort;
  if (field.size() > 8) return kFoidTooLong;
  ByteCursor cursor(field);
  image.foid.agen = cursor.b12();
  image.foid.fidn = cursor.b14();
  image.foid.fids = cursor.b12();
  return kDecodeOk;
}

int decodeVrid(std::string_view field, FieldImage& image) {
  if (field.size() < 8) return kVridTooShort;
  if (field.size() > 8) return kVridTooLong;
  VridImage& v = image.vrid;
  ByteCursor cursor(field);
  v.rcnm = cursor.b11();
  const uint32_t rcid = cursor.b14();
  v.rver = cursor.b12();
  const uint8_t ruin = cursor.b11();
  if (!validVectorRcnm(v.rcnm)) return kBadVectorRcnm;
  v.rcid = rcid;
  if (!validRcid(rcid)) return kRcidOutOfRange;
  v.ruin = ruin;
  return validRuin(ruin) ? kDecodeOk : kBadRuin;
}

int decodeUpdateControl(std::string_view field, FieldImage& image) {
  ByteCursor cursor(field);
  image.updateControl.instruction = cursor.b11();
  image.updateControl.index = cursor.b12();
  image.updateControl.itemCount = cursor.b12();
  return cursor.wasShort() ? kShortFixedField : kDecodeOk;
}

// ATTF, ATTV, and NATF below lexical level 2.
int decodeAttributes(std::string_view field, FieldImage& image, int& elementCount,
                     int exchangePurpose) {
  auto& elements = image.attributes;
  ByteCursor cursor(field);
  if (cursor.remaining() < 2) {
    elementCount = 0;
    return kAttributeRemnant;
  }
  elements.reserve(field.size() / 3 + 1);
  TextWriter texts(image.textStore, field.size());
  int result = kDecodeOk;
  do {
    const uint16_t attl = cursor.b12();
    std::string_view value;
    if (!cursor.text(value)) {
      elementCount = static_cast<int>(elements.size());
      return kNoUnitTerminator;
    }
    // Only revisions may delete a value.
    if (!isPrintable(value) && !(exchangePurpose != 1 && isDeletionMarker(value))) {
      result = kAttributeValueRule;
    }
    elements.push_back({attl, static_cast<int32_t>(value.size()), texts.add(value).data()});
  } while (cursor.remaining() >= 2);
  elementCount = static_cast<int>(elements.size());
  return cursor.remaining() == 0 ? result : kAttributeRemnant;
}

// NATF at lexical level 2: values are two-byte text ending with 0x1f 0x00.
int decodeWideAttributes(std::string_view field, FieldImage& image, int& elementCount) {
  auto& elements = image.attributes;
  ByteCursor cursor(field);
  if (cursor.remaining() < 6) {
    elementCount = 0;
    return kAttributeRemnant;
  }
  elements.reserve(field.size() / 4 + 1);
  TextWriter texts(image.textStore, field.size());
  do {
    const uint16_t attl = cursor.b12();
    std::string_view value;
    if (!cursor.wideText(value)) {
      elementCount = static_cast<int>(elements.size());
      return kNoUnitTerminator;
    }
    elements.push_back({attl, static_cast<int32_t>(value.size()), texts.add(value).data()});
  } while (cursor.remaining() >= 6);
  elementCount = static_cast<int>(elements.size());
  return cursor.remaining() <= 1 ? kDecodeOk : kAttributeRemnant;
}

int decodeFeaturePointers(std::string_view field, FieldImage& image, int& elementCount) {
  auto& elements = image.featurePointers;
  ByteCursor cursor(field);
  if (cursor.remaining() < 8) {
    elementCount = 0;
    return kFfptBadLength;
  }
  elements.reserve(field.size() / 10 + 1);
  TextWriter texts(image.textStore, field.size());
  int pending = kDecodeOk;  // only the last element's RIND counts
  do {
    if (cursor.remaining() < 9) {  // LNAM without its RIND
      elementCount = static_cast<int>(elements.size());
      return kShortFixedField;
    }
    FfptElement e;
    e.agen = cursor.b12();
    e.fidn = cursor.b14();
    e.fids = cursor.b12();
    e.rind = cursor.b11();
    pending = (e.rind >= 1 && e.rind <= 3) ? kDecodeOk : kFfptBadRind;
    std::string_view comment;
    if (!cursor.text(comment)) {
      elementCount = static_cast<int>(elements.size());
      return kNoUnitTerminator;
    }
    e.comt = texts.add(comment);
    elements.push_back(e);
  } while (cursor.remaining() >= 8);
  elementCount = static_cast<int>(elements.size());
  return cursor.remaining() == 0 ? pending : kFfptBadLength;
}

// The element count of a field of fixed-size elements, or -1 after setting
// code to the field's length problem (elementCount is then 0).
int fixedElements(size_t fieldLength, size_t size, int tooShort, int notMultiple, int& elementCount,
                  int& code) {
  if (fieldLength < size || fieldLength % size != 0) {
    elementCount = 0;
    code = fieldLength < size ? tooShort : notMultiple;
    return -1;
  }
  return static_cast<int>(fieldLength / size);
}

int readSpatialPointer(ByteCursor& cursor, FsptElement& e) {
  e.rcnm = cursor.b11();
  e.rcid = cursor.b14();
  const uint8_t ornt = cursor.b11();
  const uint8_t usag = cursor.b11();
  const uint8_t mask = cursor.b11();
  if (!validVectorRcnm(e.rcnm)) return kBadVectorRcnm;
  if (!validRcid(e.rcid)) return kRcidOutOfRange;
  e.ornt = ornt;
  if (!validOrnt(ornt)) return kBadOrnt;
  e.usag = usag;
  if (!validUsag(usag)) return kBadUsag;
  e.mask = mask;
  return kDecodeOk;
}

int readVectorPointer(ByteCursor& cursor, VrptElement& e) {
  e.rcnm = cursor.b11();
  const uint32_t rcid = cursor.b14();
  const uint8_t ornt = cursor.b11();
  const uint8_t usag = cursor.b11();
  const uint8_t topi = cursor.b11();
  const uint8_t mask = cursor.b11();
  if (!validVectorRcnm(e.rcnm)) return kBadVectorRcnm;
  e.rcid = rcid;
  if (!validRcid(rcid)) return kRcidOutOfRange;
  e.ornt = ornt;
  if (!validOrnt(ornt)) return kBadOrnt;
  e.usag = usag;
  if (!validUsag(usag)) return kBadUsag;
  e.topi = topi;
  if (!validTopi(topi)) return kVrptBadTopi;
  e.mask = mask;
  return kDecodeOk;
}

// FSPT and VRPT: the field's code is the last element's.
template <typename Element, typename Read>
int decodePointers(std::string_view field, std::vector<Element>& elements, size_t size,
                   int tooShort, int notMultiple, int& elementCount, Read read) {
  int code = kDecodeOk;
  const int count = fixedElements(field.size(), size, tooShort, notMultiple, elementCount, code);
  if (count < 0) return code;
  elements.resize(static_cast<size_t>(count));
  ByteCursor cursor(field);
  for (Element& e : elements)
    code = read(cursor, e);
  elementCount = count;
  return code;
}

// SG2D and SG3D: whole elements of little-endian 32-bit integers in the
// order the image keeps them; bytes after the last whole element are left.
// On a little-endian machine the field's bytes are the image's.
template <typename Element>
int decodeIntegers(std::string_view field, std::vector<Element>& elements, int& elementCount) {
  constexpr size_t kValues = sizeof(Element) / sizeof(int32_t);
  static_assert(sizeof(Element) == kValues * sizeof(int32_t));
  elements.resize(field.size() / sizeof(Element));
  if constexpr (std::endian::native == std::endian::little) {
    if (!elements.empty()) {
      std::memcpy(static_cast<void*>(elements.data()), field.data(),
                  elements.size() * sizeof(Element));
    }
  } else {
    ByteCursor cursor(field);
    for (Element& e : elements) {
      auto* values = reinterpret_cast<int32_t*>(&e);
      for (size_t k = 0; k < kValues; ++k)
        values[k] = cursor.b24();
    }
  }
  elementCount = static_cast<int>(elements.size());
  return kDecodeOk;
}

}  // namespace

int ddfDecodeField(int type, const char* data, int dataLength, FieldImage& image, int& elementCount,
                   int exchangePurpose, int lexicalLevel) {
  const std::string_view field(data, dataLength > 0 ? static_cast<size_t>(dataLength) : 0);
  switch (type) {
    case kFieldDSID:
      image.dsid = {};
      return decodeDsid(field, image);
    case kFieldDSSI:
      image.dssi = {};
      return decodeDssi(field, image);
    case kFieldDSPM:
      image.dspm = {};
      return decodeDspm(field, image);
    case kFieldFRID:
      image.frid = {};
      return decodeFrid(field, image);
    case kFieldFOID:
      image.foid = {};
      return decodeFoid(field, image);
    case kFieldVRID:
      image.vrid = {};
      return decodeVrid(field, image);
    case kFieldFFPC:
    case kFieldFSPC:
    case kFieldVRPC:
    case kFieldSGCC:
      image.updateControl = {};
      return decodeUpdateControl(field, image);
    case kFieldATTF:
    case kFieldATTV:
      image.attributes.clear();
      return decodeAttributes(field, image, elementCount, exchangePurpose);
    case kFieldNATF:
      image.attributes.clear();
      if (lexicalLevel == 2) return decodeWideAttributes(field, image, elementCount);
      return decodeAttributes(field, image, elementCount, exchangePurpose);
    case kFieldFFPT:
      image.featurePointers.clear();
      return decodeFeaturePointers(field, image, elementCount);
    case kFieldFSPT:
      image.spatialPointers.clear();
      return decodePointers(field, image.spatialPointers, 8, kFsptTooShort, kFsptNotMultiple,
                            elementCount, readSpatialPointer);
    case kFieldVRPT:
      image.vectorPointers.clear();
      return decodePointers(field, image.vectorPointers, 9, kVrptTooShort, kVrptNotMultiple,
                            elementCount, readVectorPointer);
    case kFieldSG2D:
      image.coordinates.clear();
      return decodeIntegers(field, image.coordinates, elementCount);
    case kFieldSG3D:
      image.soundings.clear();
      return decodeIntegers(field, image.soundings, elementCount);
    default:  // "0001", the end-of-record marker and unknown types have no image
      return kDecodeOk;
  }
}

}  // namespace abys
