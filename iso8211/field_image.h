// The decoded form of each S-57 field: one fixed layout per field type, or a
// sequence of elements for the repeating fields.
//
// Text subfields are kept whole. A text member views bytes in the image's own
// text store, always followed by a NUL byte; it stays valid until the image
// decodes its next field. Members that a failed check leaves unset are zero.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace abys {

// Record names (RCNM): what kind of record a FRID, VRID or pointer names.
inline constexpr uint8_t kRcnmFeature = 100;
inline constexpr uint8_t kRcnmIsolatedNode = 110;
inline constexpr uint8_t kRcnmConnectedNode = 120;
inline constexpr uint8_t kRcnmEdge = 130;
inline constexpr uint8_t kRcnmFace = 140;

// Geometric primitives of a feature (FRID PRIM).
inline constexpr uint8_t kPrimPoint = 1;
inline constexpr uint8_t kPrimLine = 2;
inline constexpr uint8_t kPrimArea = 3;
inline constexpr uint8_t kPrimNone = 255;

struct DsidImage {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint8_t expp = 0;
  uint8_t intu = 0;
  std::string_view dsnm{""};
  std::string_view edtn{""};
  std::string_view updn{""};
  char uadt[8] = {};  // fixed texts, no terminator
  char isdt[8] = {};
  char sted[4] = {};
  uint8_t prsp = 0;
  std::string_view psdn{""};
  std::string_view pred{""};
  uint8_t prof = 0;
  uint16_t agen = 0;
  std::string_view comt{""};
};

struct DssiImage {
  uint8_t dstr = 0;
  uint8_t aall = 0;
  uint8_t nall = 0;
  uint32_t nomr = 0;
  uint32_t nocr = 0;
  uint32_t nogr = 0;
  uint32_t nolr = 0;
  uint32_t noin = 0;
  uint32_t nocn = 0;
  uint32_t noed = 0;
  uint32_t nofa = 0;
};

struct DspmImage {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint8_t hdat = 0;
  uint8_t vdat = 0;
  uint8_t sdat = 0;
  uint32_t cscl = 0;
  uint8_t duni = 0;
  uint8_t huni = 0;
  uint8_t puni = 0;
  uint8_t coun = 0;
  uint32_t comf = 0;
  uint32_t somf = 0;
  std::string_view comt{""};
};

struct FridImage {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint8_t prim = 0;
  uint8_t grup = 0;
  uint16_t objl = 0;
  uint16_t rver = 0;
  uint8_t ruin = 0;
};

struct FoidImage {
  uint16_t agen = 0;
  uint32_t fidn = 0;
  uint16_t fids = 0;
};

struct VridImage {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint16_t rver = 0;
  uint8_t ruin = 0;
};

// FFPC, FSPC, VRPC and SGCC.
struct UpdateControlImage {
  uint8_t instruction = 0;
  uint16_t index = 0;
  uint16_t itemCount = 0;
};

// One ATTF, NATF or ATTV attribute. atvl holds atvlLength value bytes and a
// NUL after them; a two-byte NATF value keeps its bytes as they stand.
struct AttrElement {
  uint16_t attl = 0;
  int32_t atvlLength = 0;
  const char* atvl = "";
};

struct FfptElement {
  uint16_t agen = 0;
  uint32_t fidn = 0;
  uint16_t fids = 0;
  uint8_t rind = 0;
  std::string_view comt{""};
};

struct FsptElement {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint8_t ornt = 0;
  uint8_t usag = 0;
  uint8_t mask = 0;
};

struct VrptElement {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint8_t ornt = 0;
  uint8_t usag = 0;
  uint8_t topi = 0;
  uint8_t mask = 0;
};

// SG2D coordinate, unscaled and in the file's order: YCOO, then XCOO.
struct Coord2 {
  int32_t y = 0;
  int32_t x = 0;
};

// SG3D sounding, unscaled and in the file's order: YCOO, XCOO, VE3D.
struct Coord3 {
  int32_t y = 0;
  int32_t x = 0;
  int32_t z = 0;
};

// The image area: ddfDecodeField fills the member of the field's type and
// clears it first. The element sequences and the text store grow with the
// largest field seen and are reused, so decoding allocates nothing once they
// are large enough.
struct FieldImage {
  DsidImage dsid;
  DssiImage dssi;
  DspmImage dspm;
  FridImage frid;
  FoidImage foid;
  VridImage vrid;
  UpdateControlImage updateControl;
  std::vector<AttrElement> attributes;  // ATTF, NATF, ATTV
  std::vector<FfptElement> featurePointers;
  std::vector<FsptElement> spatialPointers;
  std::vector<VrptElement> vectorPointers;
  std::vector<Coord2> coordinates;
  std::vector<Coord3> soundings;

  std::vector<char> textStore;  // backing bytes of every text member
};

}  // namespace abys
