#include "field_decoder.h"

#include <cstring>

#include "byte_cursor.h"
#include "field_types.h"

namespace abys {

bool scanSubfield(const char* text, int& rest, int& textLength) {
  const int available = rest > 0 ? rest : 0;
  const void* found = std::memchr(text, 0x1f, static_cast<size_t>(available));
  if (found == nullptr) {
    textLength = available;
    rest = 0;
    return false;
  }
  textLength = static_cast<int>(static_cast<const char*>(found) - text);
  rest -= textLength + 1;
  return true;
}

bool scanWideSubfield(const char* text, int& rest, int& textLength) {
  const int available = rest > 0 ? rest : 0;
  for (int i = 0; i + 1 < available; i += 2) {
    if (text[i] == 0x1f && text[i + 1] == 0x00) {
      textLength = i;
      rest -= i + 2;
      return true;
    }
  }
  textLength = available;
  rest = 0;
  return false;
}

bool isPrintableText(const char* text, int length) {
  for (int i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 32 || c > 126) return false;
  }
  return true;
}

bool isDeletionMarker(const char* text, int length) {
  return length == 1 && static_cast<unsigned char>(text[0]) == 127;
}

namespace {

inline constexpr uint32_t kMaxRcid = 4294967294u;

bool validRcid(uint32_t rcid) {
  return rcid >= 1 && rcid <= kMaxRcid;
}
bool validVectorRcnm(uint8_t rcnm) {
  return rcnm == 110 || rcnm == 120 || rcnm == 130 || rcnm == 140;
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

const unsigned char* bytes(const char* p) {
  return reinterpret_cast<const unsigned char*>(p);
}

// Appends texts, each followed by a NUL, to the image's text store. The store
// is sized before decoding so that views handed out stay valid: no field
// writes more text bytes than it holds, plus one NUL per text it fails on.
class TextWriter {
 public:
  TextWriter(std::vector<char>& store, int dataLength) {
    const size_t needed = static_cast<size_t>(dataLength) + 16;
    if (store.size() < needed) store.resize(needed);
    next_ = store.data();
  }

  std::string_view add(const char* text, int length) {
    char* at = next_;
    std::memcpy(at, text, static_cast<size_t>(length));
    at[length] = '\0';
    next_ += length + 1;
    return {at, static_cast<size_t>(length)};
  }

 private:
  char* next_;
};

int decodeDsid(const char* data, int dataLength, FieldImage& image) {
  DsidImage& d = image.dsid;
  TextWriter texts(image.textStore, dataLength);
  ByteCursor cursor(bytes(data), bytes(data) + dataLength);
  int code = kDecodeOk;
  auto text = [&](std::string_view& member) {
    int rest = static_cast<int>(cursor.remaining());
    const char* at = reinterpret_cast<const char*>(cursor.position());
    int length = 0;
    const bool found = scanSubfield(at, rest, length);
    if (length > 0 || found) member = texts.add(at, length);
    cursor.take(static_cast<size_t>(found ? length + 1 : length));
    if (!found && code == kDecodeOk) code = kNoUnitTerminator;
  };
  d.rcnm = cursor.b11();
  d.rcid = cursor.b14();
  d.expp = cursor.b11();
  d.intu = cursor.b11();
  if (cursor.wasShort()) code = kShortFixedField;
  text(d.dsnm);
  text(d.edtn);
  text(d.updn);
  cursor.fixedText(d.uadt, sizeof d.uadt);
  cursor.fixedText(d.isdt, sizeof d.isdt);
  cursor.fixedText(d.sted, sizeof d.sted);
  d.prsp = cursor.b11();
  if (cursor.wasShort() && code == kDecodeOk) code = kShortFixedField;
  text(d.psdn);
  text(d.pred);
  d.prof = cursor.b11();
  d.agen = cursor.b12();
  if (cursor.wasShort() && code == kDecodeOk) code = kShortFixedField;
  text(d.comt);
  return code;
}

int decodeDssi(const char* data, int dataLength, FieldImage& image) {
  DssiImage& d = image.dssi;
  ByteCursor cursor(bytes(data), bytes(data) + dataLength);
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

int decodeDspm(const char* data, int dataLength, FieldImage& image) {
  DspmImage& d = image.dspm;
  ByteCursor cursor(bytes(data), bytes(data) + dataLength);
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

  const char* comment = reinterpret_cast<const char*>(cursor.position());
  int rest = static_cast<int>(cursor.remaining());
  int length = 0;
  if (!scanSubfield(comment, rest, length)) return kNoUnitTerminator;
  if (!isPrintableText(comment, length)) return kCommentNotPrintable;
  d.comt = TextWriter(image.textStore, dataLength).add(comment, length);
  return kDecodeOk;
}

int decodeFrid(const char* data, int dataLength, FieldImage& image) {
  if (dataLength < 12) return kFridTooShort;
  if (dataLength > 12) return kFridTooLong;
  FridImage& f = image.frid;
  ByteCursor cursor(bytes(data), bytes(data) + dataLength);
  int code = kDecodeOk;
  f.rcnm = cursor.b11();
  const uint32_t rcid = cursor.b14();
  const uint8_t prim = cursor.b11();
  const uint8_t grup = cursor.b11();
  f.objl = cursor.b12();
  f.rver = cursor.b12();
  const uint8_t ruin = cursor.b11();
  if (f.rcnm != 100) {
    code = kFridBadRcnm;
  } else if (f.rcid = rcid; !validRcid(rcid)) {
    code = kRcidOutOfRange;
  } else if (f.prim = prim; !(prim == 1 || prim == 2 || prim == 3 || prim == 255)) {
    code = kFridBadPrim;
  } else if (f.grup = grup; grup < 1 || grup > 254) {
    code = kFridBadGrup;
  }
  if (code != kDecodeOk) return code;
  f.ruin = ruin;
  return validRuin(ruin) ? kDecodeOk : kBadRuin;
}

int decodeFoid(const char* data, int dataLength, FieldImage& image) {
  if (dataLength < 8) return kFoidTooShort;
  if (dataLength > 8) return kFoidTooLong;
  ByteCursor cursor(bytes(data), bytes(data) + dataLength);
  image.foid.agen = cursor.b12();
  image.foid.fidn = cursor.b14();
  image.foid.fids = cursor.b12();
  return kDecodeOk;
}

int decodeVrid(const char* data, int dataLength, FieldImage& image) {
  if (dataLength < 8) return kVridTooShort;
  if (dataLength > 8) return kVridTooLong;
  VridImage& v = image.vrid;
  ByteCursor cursor(bytes(data), bytes(data) + dataLength);
  int code = kDecodeOk;
  v.rcnm = cursor.b11();
  const uint32_t rcid = cursor.b14();
  v.rver = cursor.b12();
  const uint8_t ruin = cursor.b11();
  if (!validVectorRcnm(v.rcnm)) {
    code = kBadVectorRcnm;
  } else if (v.rcid = rcid; !validRcid(rcid)) {
    code = kRcidOutOfRange;
  }
  if (code != kDecodeOk) return code;
  v.ruin = ruin;
  return validRuin(ruin) ? kDecodeOk : kBadRuin;
}

int decodeUpdateControl(const char* data, int dataLength, FieldImage& image) {
  ByteCursor cursor(bytes(data), bytes(data) + dataLength);
  image.updateControl.instruction = cursor.b11();
  image.updateControl.index = cursor.b12();
  image.updateControl.itemCount = cursor.b12();
  return cursor.wasShort() ? kShortFixedField : kDecodeOk;
}

uint16_t readB12(const char* p) {
  return static_cast<uint16_t>(bytes(p)[0] | (bytes(p)[1] << 8));
}

// ATTF, ATTV, and NATF below lexical level 2.
int decodeAttributes(const char* data, int dataLength, FieldImage& image, int& elementCount,
                     int exchangePurpose) {
  auto& elements = image.attributes;
  int rest = dataLength;
  if (rest < 2) {
    elementCount = 0;
    return kAttributeRemnant;
  }
  elements.reserve(static_cast<size_t>(dataLength / 3 + 1));
  TextWriter texts(image.textStore, dataLength);
  int result = kDecodeOk;
  const char* p = data;
  for (;;) {
    const uint16_t attl = readB12(p);
    p += 2;
    rest -= 2;
    int length = 0;
    if (!scanSubfield(p, rest, length)) {
      elementCount = static_cast<int>(elements.size());
      return kNoUnitTerminator;
    }
    const bool valid = exchangePurpose == 1
                           ? isPrintableText(p, length)
                           : isPrintableText(p, length) || isDeletionMarker(p, length);
    if (!valid) result = kAttributeValueRule;
    elements.push_back({attl, texts.add(p, length).data(), length});
    p += length + 1;
    if (rest >= 2) continue;
    elementCount = static_cast<int>(elements.size());
    return rest == 0 ? result : kAttributeRemnant;
  }
}

// NATF at lexical level 2: values are two-byte text ending with 0x1f 0x00.
int decodeWideAttributes(const char* data, int dataLength, FieldImage& image, int& elementCount) {
  auto& elements = image.attributes;
  int rest = dataLength;
  if (rest < 6) {
    elementCount = 0;
    return kAttributeRemnant;
  }
  elements.reserve(static_cast<size_t>(dataLength / 4 + 1));
  TextWriter texts(image.textStore, dataLength);
  const char* p = data;
  for (;;) {
    const uint16_t attl = readB12(p);
    p += 2;
    rest -= 2;
    int length = 0;
    if (!scanWideSubfield(p, rest, length)) {
      elementCount = static_cast<int>(elements.size());
      return kNoUnitTerminator;
    }
    elements.push_back({attl, texts.add(p, length).data(), length});
    p += length + 2;
    if (rest >= 6) continue;
    elementCount = static_cast<int>(elements.size());
    return rest <= 1 ? kDecodeOk : kAttributeRemnant;
  }
}

int decodeFeaturePointers(const char* data, int dataLength, FieldImage& image, int& elementCount) {
  auto& elements = image.featurePointers;
  int rest = dataLength;
  if (rest < 8) {
    elementCount = 0;
    return kFfptBadLength;
  }
  elements.reserve(static_cast<size_t>(dataLength / 10 + 1));
  TextWriter texts(image.textStore, dataLength);
  int pending = kDecodeOk;
  const char* p = data;
  for (;;) {
    if (rest < 9) {  // LNAM without its RIND
      elementCount = static_cast<int>(elements.size());
      return kShortFixedField;
    }
    ByteCursor cursor(bytes(p), bytes(p) + 9);
    FfptElement e;
    e.agen = cursor.b12();
    e.fidn = cursor.b14();
    e.fids = cursor.b12();
    e.rind = cursor.b11();
    p += 9;
    rest -= 9;
    pending = (e.rind >= 1 && e.rind <= 3) ? kDecodeOk : kFfptBadRind;
    int length = 0;
    if (!scanSubfield(p, rest, length)) {
      elementCount = static_cast<int>(elements.size());
      return kNoUnitTerminator;
    }
    e.comt = texts.add(p, length);
    elements.push_back(e);
    p += length + 1;
    if (rest >= 8) continue;
    elementCount = static_cast<int>(elements.size());
    return rest == 0 ? pending : kFfptBadLength;
  }
}

// The element count of a field of fixed-size elements, or -1 after setting
// code to the field's length problem (elementCount is then 0).
int fixedElements(int dataLength, int size, int tooShort, int notMultiple, int& elementCount,
                  int& code) {
  if (dataLength < size || dataLength % size != 0) {
    elementCount = 0;
    code = dataLength < size ? tooShort : notMultiple;
    return -1;
  }
  return dataLength / size;
}

int decodeSpatialPointers(const char* data, int dataLength, FieldImage& image, int& elementCount) {
  int code = kDecodeOk;
  const int count =
      fixedElements(dataLength, 8, kFsptTooShort, kFsptNotMultiple, elementCount, code);
  if (count < 0) return code;
  auto& elements = image.spatialPointers;
  elements.resize(static_cast<size_t>(count));
  int result = kDecodeOk;
  for (int i = 0; i < count; ++i) {
    const char* p = data + 8 * i;
    FsptElement& e = elements[static_cast<size_t>(i)];
    ByteCursor cursor(bytes(p), bytes(p) + 8);
    e.rcnm = cursor.b11();
    e.rcid = cursor.b14();
    const uint8_t ornt = cursor.b11();
    const uint8_t usag = cursor.b11();
    const uint8_t mask = cursor.b11();
    if (!validVectorRcnm(e.rcnm)) {
      result = kBadVectorRcnm;
    } else if (!validRcid(e.rcid)) {
      result = kRcidOutOfRange;
    } else if (e.ornt = ornt; !validOrnt(ornt)) {
      result = kBadOrnt;
    } else if (e.usag = usag; !validUsag(usag)) {
      result = kBadUsag;
    } else {
      e.mask = mask;
      result = kDecodeOk;
    }
  }
  elementCount = count;
  return result;
}

int decodeVectorPointers(const char* data, int dataLength, FieldImage& image, int& elementCount) {
  int code = kDecodeOk;
  const int count =
      fixedElements(dataLength, 9, kVrptTooShort, kVrptNotMultiple, elementCount, code);
  if (count < 0) return code;
  auto& elements = image.vectorPointers;
  elements.resize(static_cast<size_t>(count));
  int result = kDecodeOk;
  for (int i = 0; i < count; ++i) {
    const char* p = data + 9 * i;
    VrptElement& e = elements[static_cast<size_t>(i)];
    ByteCursor cursor(bytes(p), bytes(p) + 9);
    const uint8_t rcnm = cursor.b11();
    const uint32_t rcid = cursor.b14();
    const uint8_t ornt = cursor.b11();
    const uint8_t usag = cursor.b11();
    const uint8_t topi = cursor.b11();
    const uint8_t mask = cursor.b11();
    if (e.rcnm = rcnm; !validVectorRcnm(rcnm)) {
      result = kBadVectorRcnm;
    } else if (e.rcid = rcid; !validRcid(rcid)) {
      result = kRcidOutOfRange;
    } else if (e.ornt = ornt; !validOrnt(ornt)) {
      result = kBadOrnt;
    } else if (e.usag = usag; !validUsag(usag)) {
      result = kBadUsag;
    } else if (e.topi = topi; !validTopi(topi)) {
      result = kVrptBadTopi;
    } else {
      e.mask = mask;
      result = kDecodeOk;
    }
  }
  elementCount = count;
  return result;
}

int decodeCoordinates(const char* data, int dataLength, FieldImage& image, int& elementCount) {
  const int count = dataLength / 8;
  auto& elements = image.coordinates;
  elements.resize(static_cast<size_t>(count));
  ByteCursor cursor(bytes(data), bytes(data) + 8 * count);
  for (Coord2& c : elements) {
    c.y = cursor.b24();
    c.x = cursor.b24();
  }
  elementCount = count;
  return kDecodeOk;
}

int decodeSoundings(const char* data, int dataLength, FieldImage& image, int& elementCount) {
  const int count = dataLength / 12;
  auto& elements = image.soundings;
  elements.resize(static_cast<size_t>(count));
  ByteCursor cursor(bytes(data), bytes(data) + 12 * count);
  for (Coord3& c : elements) {
    c.y = cursor.b24();
    c.x = cursor.b24();
    c.z = cursor.b24();
  }
  elementCount = count;
  return kDecodeOk;
}

}  // namespace

int ddfDecodeField(int type, const char* data, int dataLength, FieldImage& image, int& elementCount,
                   int exchangePurpose, int lexicalLevel) {
  if (dataLength < 0) dataLength = 0;
  switch (type) {
    case kFieldDSID:
      image.dsid = {};
      return decodeDsid(data, dataLength, image);
    case kFieldDSSI:
      image.dssi = {};
      return decodeDssi(data, dataLength, image);
    case kFieldDSPM:
      image.dspm = {};
      return decodeDspm(data, dataLength, image);
    case kFieldFRID:
      image.frid = {};
      return decodeFrid(data, dataLength, image);
    case kFieldFOID:
      image.foid = {};
      return decodeFoid(data, dataLength, image);
    case kFieldVRID:
      image.vrid = {};
      return decodeVrid(data, dataLength, image);
    case kFieldFFPC:
    case kFieldFSPC:
    case kFieldVRPC:
    case kFieldSGCC:
      image.updateControl = {};
      return decodeUpdateControl(data, dataLength, image);
    case kFieldATTF:
    case kFieldATTV:
      image.attributes.clear();
      return decodeAttributes(data, dataLength, image, elementCount, exchangePurpose);
    case kFieldNATF:
      image.attributes.clear();
      if (lexicalLevel == 2) return decodeWideAttributes(data, dataLength, image, elementCount);
      return decodeAttributes(data, dataLength, image, elementCount, exchangePurpose);
    case kFieldFFPT:
      image.featurePointers.clear();
      return decodeFeaturePointers(data, dataLength, image, elementCount);
    case kFieldFSPT:
      image.spatialPointers.clear();
      return decodeSpatialPointers(data, dataLength, image, elementCount);
    case kFieldVRPT:
      image.vectorPointers.clear();
      return decodeVectorPointers(data, dataLength, image, elementCount);
    case kFieldSG2D:
      image.coordinates.clear();
      return decodeCoordinates(data, dataLength, image, elementCount);
    case kFieldSG3D:
      image.soundings.clear();
      return decodeSoundings(data, dataLength, image, elementCount);
    default:  // "0001", the end-of-record marker and unknown types have no image
      return kDecodeOk;
  }
}

}  // namespace abys
