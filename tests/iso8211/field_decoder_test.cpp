#include "field_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "field_types.h"

namespace abys {
namespace {

using cellwriter::FieldBuilder;

// Decodes a copy of data without spare bytes, so that the sanitizer build
// catches any read beyond the field.
int decode(FieldImage& image, int type, const std::string& data, int& elementCount,
           int exchangePurpose = 1, int lexicalLevel = 0) {
  std::unique_ptr<char[]> exact(new char[data.size() + (data.empty() ? 1 : 0)]);
  std::memcpy(exact.get(), data.data(), data.size());
  return ddfDecodeField(type, exact.get(), static_cast<int>(data.size()), image, elementCount,
                        exchangePurpose, lexicalLevel);
}

// Texts quoted, bytes outside 32-126 as \xHH; a text without its NUL is marked.
std::string quoted(std::string_view text) {
  std::string out = "'";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", c);
    out += (c >= 32 && c <= 126) ? std::string(1, ch) : hex;
  }
  return out + (text.data()[text.size()] == '\0' ? "'" : "'!nul");
}
// The values separated by blanks, numbers in decimal.
std::string text(const std::string& value) {
  return value;
}
std::string text(double number) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%.12g", number);
  return digits;
}
template <typename... T>
std::string join(const T&... values) {
  std::string out;
  ((out += (out.empty() ? "" : " ") + text(values)), ...);
  return out;
}

// Every member of the image member of type, elements separated by " | ".
std::string describe(int type, const FieldImage& image) {
  const DsidImage& i = image.dsid;
  const DssiImage& s = image.dssi;
  const DspmImage& p = image.dspm;
  const FridImage& f = image.frid;
  const UpdateControlImage& u = image.updateControl;
  std::string out;
  auto each = [&](const auto& elements, auto element) {
    for (const auto& e : elements)
      out += (out.empty() ? "" : " | ") + element(e);
    return out;
  };
  switch (type) {
    case kFieldDSID:
      return join(i.rcnm, i.rcid, i.expp, i.intu, quoted(i.dsnm), quoted(i.edtn), quoted(i.updn),
                  std::string(i.uadt, strnlen(i.uadt, 8)), std::string(i.isdt, strnlen(i.isdt, 8)),
                  std::string(i.sted, strnlen(i.sted, 4)), i.prsp, quoted(i.psdn), quoted(i.pred),
                  i.prof, i.agen, quoted(i.comt));
    case kFieldDSSI:
      return join(s.dstr, s.aall, s.nall, s.nomr, s.nocr, s.nogr, s.nolr, s.noin, s.nocn, s.noed,
                  s.nofa);
    case kFieldDSPM:
      return join(p.rcnm, p.rcid, p.hdat, p.vdat, p.sdat, p.cscl, p.duni, p.huni, p.puni, p.coun,
                  p.comf, p.somf, quoted(p.comt));
    case kFieldFRID:
      return join(f.rcnm, f.rcid, f.prim, f.grup, f.objl, f.rver, f.ruin);
    case kFieldFOID:
      return join(image.foid.agen, image.foid.fidn, image.foid.fids);
    case kFieldVRID:
      return join(image.vrid.rcnm, image.vrid.rcid, image.vrid.rver, image.vrid.ruin);
    case kFieldSGCC:  // as FFPC, FSPC and VRPC
      return join(u.instruction, u.index, u.itemCount);
    case kFieldATTF:
    case kFieldNATF:
    case kFieldATTV:
      return each(image.attributes, [](const AttrElement& e) {
        return std::to_string(e.attl) + ":" + quoted({e.atvl, static_cast<size_t>(e.atvlLength)});
      });
    case kFieldFFPT:
      return each(image.featurePointers, [](const FfptElement& e) {
        return join(e.agen, e.fidn, e.fids, e.rind, quoted(e.comt));
      });
    case kFieldFSPT:
      return each(image.spatialPointers, [](const FsptElement& e) {
        return join(e.rcnm, e.rcid, e.ornt, e.usag, e.mask);
      });
    case kFieldVRPT:
      return each(image.vectorPointers, [](const VrptElement& e) {
        return join(e.rcnm, e.rcid, e.ornt, e.usag, e.topi, e.mask);
      });
    case kFieldSG2D:
      return each(image.coordinates, [](const Coord2& c) { return join(c.x, c.y); });
    case kFieldSG3D:
      return each(image.soundings, [](const Coord3& c) { return join(c.x, c.y, c.z); });
    default:
      return out;
  }
}

std::string frid(uint8_t rcnm, uint32_t rcid, uint8_t prim, uint8_t grup, uint8_t ruin = 1) {
  return FieldBuilder().b11(rcnm).b14(rcid).b11(prim).b11(grup).b12(302).b12(1).b11(ruin).data();
}
std::string vrid(uint8_t rcnm, uint32_t rcid, uint8_t ruin = 1) {
  return FieldBuilder().b11(rcnm).b14(rcid).b12(2).b11(ruin).data();
}
std::string attribute(uint16_t attl, const std::string& value) {
  return FieldBuilder().b12(attl).text(value).data();
}
std::string featurePointer(uint8_t rind, const std::string& comment = "") {
  return FieldBuilder().b12(540).b14(1000).b12(1).b11(rind).text(comment).data();
}
std::string spatialPointer(uint8_t rcnm, uint32_t rcid, uint8_t ornt, uint8_t usag, uint8_t mask) {
  return FieldBuilder().b11(rcnm).b14(rcid).b11(ornt).b11(usag).b11(mask).data();
}
std::string vectorPointer(uint8_t rcnm, uint32_t rcid, uint8_t topi) {
  return FieldBuilder().b11(rcnm).b14(rcid).b11(255).b11(255).b11(topi).b11(255).data();
}
std::string dspm(const std::string& comment, bool terminated = true) {
  FieldBuilder b;
  b.b11(20).b14(2).b11(2).b11(17).b11(23).b14(50000).b11(1).b11(1).b11(1).b11(1);
  b.b14(10000000).b14(10);
  return terminated ? b.text(comment).data() : b.bytes(comment).data();
}
std::string dsid(const std::string& comment) {
  FieldBuilder b;
  b.b11(10).b14(1).b11(1).b11(5).text("US5XX01M.000").text("2").text("0");
  b.fixed("20261206", 8).fixed("20261201", 8).fixed("03.1", 4).b11(1).text("").text("2.0");
  return b.b11(1).b12(540).text(comment).data();
}
std::string dssi() {
  FieldBuilder b;
  b.b11(2).b11(1).b11(2);
  for (uint32_t i = 1; i <= 8; ++i)
    b.b14(i * 1000);
  return b.data();
}

struct Case {
  int type;
  std::string data;
  int code;
  int elementCount;  // -1: left alone (not a repeating field)
  std::string image;
  int exchangePurpose = 1;
  int lexicalLevel = 0;
};

std::vector<Case> cases() {
  const std::string validFrid = frid(100, 1, 2, 1);
  const std::string foid = FieldBuilder().b12(540).b14(123456).b12(7).data();
  const std::string wide = FieldBuilder().b12(301).wideText(u"AB").data();
  const std::string control = FieldBuilder().b11(1).b12(3).b12(2).data();
  const std::string fullDsid = dsid("x");
  const std::string fixedZeros = "0 0 0 0 0 0 0";
  const std::string longText(3000, 'L');  // longer than any text before it
  return {
      // FRID: each member is stored once the checks before it passed.
      {kFieldFRID, validFrid, 0, -1, "100 1 2 1 302 1 1"},
      {kFieldFRID, frid(110, 1, 2, 1), kFridBadRcnm, -1, "110 0 0 0 302 1 0"},
      {kFieldFRID, frid(100, 0, 2, 1), kRcidOutOfRange, -1, "100 0 0 0 302 1 0"},
      {kFieldFRID, frid(100, 4294967295u, 2, 1), kRcidOutOfRange, -1, "100 4294967295 0 0 302 1 0"},
      {kFieldFRID, frid(100, 4294967294u, 255, 1), 0, -1, "100 4294967294 255 1 302 1 1"},
      {kFieldFRID, frid(100, 1, 4, 1), kFridBadPrim, -1, "100 1 4 0 302 1 0"},
      {kFieldFRID, frid(100, 7, 3, 255), kFridBadGrup, -1, "100 7 3 255 302 1 0"},
      {kFieldFRID, frid(100, 1, 2, 0), kFridBadGrup, -1, "100 1 2 0 302 1 0"},
      {kFieldFRID, frid(100, 1, 2, 1, 4), kBadRuin, -1, "100 1 2 1 302 1 4"},
      {kFieldFRID, validFrid.substr(0, 11), kFridTooShort, -1, fixedZeros},
      {kFieldFRID, validFrid + "x", kFridTooLong, -1, fixedZeros},
      {kFieldFOID, foid, 0, -1, "540 123456 7"},
      {kFieldFOID, foid.substr(0, 7), kFoidTooShort, -1, "0 0 0"},
      {kFieldFOID, foid + "x", kFoidTooLong, -1, "0 0 0"},
      {kFieldVRID, vrid(140, 9, 3), 0, -1, "140 9 2 3"},
      {kFieldVRID, vrid(100, 9), kBadVectorRcnm, -1, "100 0 2 0"},
      {kFieldVRID, vrid(120, 0), kRcidOutOfRange, -1, "120 0 2 0"},
      {kFieldVRID, vrid(120, 1, 0), kBadRuin, -1, "120 1 2 0"},
      {kFieldVRID, vrid(130, 9).substr(0, 7), kVridTooShort, -1, "0 0 0 0"},
      {kFieldVRID, vrid(130, 9) + "x", kVridTooLong, -1, "0 0 0 0"},

      // Attributes: printable values; a lone 127 deletes a value in revisions.
      {kFieldATTF, attribute(174, "12.5") + attribute(116, "a\tb"), kAttributeValueRule, 2,
       "174:'12.5' | 116:'a\\x09b'"},
      {kFieldATTV, attribute(9, ""), 0, 1, "9:''"},
      {kFieldATTV, attribute(9, longText), 0, 1, "9:'" + longText + "'"},
      {kFieldATTF, attribute(174, "\x7f"), kAttributeValueRule, 1, "174:'\\x7f'"},
      {kFieldATTF, attribute(174, "\x7f"), 0, 1, "174:'\\x7f'", 2},
      {kFieldATTF, attribute(174, "\x7f\x7f"), kAttributeValueRule, 1, "174:'\\x7f\\x7f'", 2},
      {kFieldNATF, attribute(301, "Tokyo \xb0"), kAttributeValueRule, 1, "301:'Tokyo \\xb0'", 1, 1},
      {kFieldATTF, "\x01", kAttributeRemnant, 0, ""},
      {kFieldATTF, attribute(174, "5") + attribute(116, "x") + FieldBuilder().b12(9).data() + "abc",
       kNoUnitTerminator, 2, "174:'5' | 116:'x'"},
      {kFieldATTF, attribute(116, "\t") + "\x05", kAttributeRemnant, 1, "116:'\\x09'"},
      {kFieldNATF, wide, 0, 1, "301:'A\\x00B\\x00'", 1, 2},
      {kFieldNATF, FieldBuilder().b12(301).bytes(std::string("\x00\x1f\x00\x41\x1f\x00", 6)).data(),
       0, 1, "301:'\\x00\\x1f\\x00A'", 1, 2},
      {kFieldNATF, wide.substr(0, 5), kAttributeRemnant, 0, "", 1, 2},
      {kFieldNATF, wide + "x", 0, 1, "301:'A\\x00B\\x00'", 1, 2},
      {kFieldNATF, wide + "xyz", kAttributeRemnant, 1, "301:'A\\x00B\\x00'", 1, 2},
      {kFieldNATF, wide + FieldBuilder().b12(302).data() + "abcd", kNoUnitTerminator, 1,
       "301:'A\\x00B\\x00'", 1, 2},

      // FFPT: only the last element's RIND counts.
      {kFieldFFPT, featurePointer(4) + featurePointer(1, "peer"), 0, 2,
       "540 1000 1 4 '' | 540 1000 1 1 'peer'"},
      {kFieldFFPT, featurePointer(1) + featurePointer(4), kFfptBadRind, 2,
       "540 1000 1 1 '' | 540 1000 1 4 ''"},
      {kFieldFFPT, std::string(7, '\x01'), kFfptBadLength, 0, ""},
      {kFieldFFPT, featurePointer(2) + "abc", kFfptBadLength, 1, "540 1000 1 2 ''"},
      {kFieldFFPT, featurePointer(2) + std::string(8, '\x02'), kShortFixedField, 1,
       "540 1000 1 2 ''"},
      {kFieldFFPT, featurePointer(2) + featurePointer(2, "x").substr(0, 10), kNoUnitTerminator, 1,
       "540 1000 1 2 ''"},

      // FSPT and VRPT: the last element decides the code.
      {kFieldFSPT, spatialPointer(130, 5, 1, 4, 2) + spatialPointer(130, 6, 2, 1, 1), 0, 2,
       "130 5 1 4 0 | 130 6 2 1 1"},
      {kFieldFSPT, spatialPointer(100, 5, 1, 1, 1), kBadVectorRcnm, 1, "100 5 0 0 0"},
      {kFieldFSPT, spatialPointer(110, 0, 1, 1, 1), kRcidOutOfRange, 1, "110 0 0 0 0"},
      {kFieldFSPT, spatialPointer(110, 3, 3, 1, 1), kBadOrnt, 1, "110 3 3 0 0"},
      {kFieldFSPT, spatialPointer(110, 3, 1, 4, 1), kBadUsag, 1, "110 3 1 4 0"},
      {kFieldFSPT, spatialPointer(130, 5, 1, 1, 1) + "abcd", kFsptNotMultiple, 0, ""},
      {kFieldFSPT, "abcd", kFsptTooShort, 0, ""},
      {kFieldVRPT, vectorPointer(120, 1, 1) + vectorPointer(120, 2, 6), kVrptBadTopi, 2,
       "120 1 255 255 1 255 | 120 2 255 255 6 0"},
      {kFieldVRPT, vectorPointer(120, 2, 6) + vectorPointer(120, 1, 1), 0, 2,
       "120 2 255 255 6 0 | 120 1 255 255 1 255"},
      {kFieldVRPT, vectorPointer(100, 2, 1), kBadVectorRcnm, 1, "100 0 0 0 0 0"},
      {kFieldVRPT, vectorPointer(120, 1, 1).substr(0, 8), kVrptTooShort, 0, ""},
      {kFieldVRPT, vectorPointer(120, 1, 1) + "x", kVrptNotMultiple, 0, ""},

      // Coordinates: Y before X, unscaled; a remnant is ignored.
      {kFieldSG2D, FieldBuilder().b24(500000000).b24(-10000000).b24(1).b24(2).data() + "abcd", 0, 2,
       "-10000000 500000000 | 2 1"},
      {kFieldSG3D, FieldBuilder().b24(-3).b24(4).b24(-125).data() + "12345678", 0, 1, "4 -3 -125"},

      // Fields with fixed parts read what is there; missing bytes are zero.
      {kFieldDSPM, dspm("Letters only"), 0, -1,
       "20 2 2 17 23 50000 1 1 1 1 10000000 10 'Letters only'"},
      {kFieldDSPM, dspm("a\tb"), kCommentNotPrintable, -1,
       "20 2 2 17 23 50000 1 1 1 1 10000000 10 ''"},
      {kFieldDSPM, dspm("no end", false), kNoUnitTerminator, -1,
       "20 2 2 17 23 50000 1 1 1 1 10000000 10 ''"},
      {kFieldDSPM, dspm("").substr(0, 18), kShortFixedField, -1,
       "20 2 2 17 23 50000 1 1 1 1 38528 0 ''"},
      {kFieldDSID, dsid("made for tests"), 0, -1,
       "10 1 1 5 'US5XX01M.000' '2' '0' 20261206 20261201 03.1 1 '' '2.0' 1 540 'made for tests'"},
      {kFieldDSID, fullDsid.substr(0, fullDsid.size() - 1), kNoUnitTerminator, -1,
       "10 1 1 5 'US5XX01M.000' '2' '0' 20261206 20261201 03.1 1 '' '2.0' 1 540 'x'"},
      {kFieldDSID, fullDsid.substr(0, 5), kShortFixedField, -1,
       "10 1 0 0 '' '' ''    0 '' '' 0 0 ''"},
      {kFieldDSID, fullDsid.substr(0, 12), kNoUnitTerminator, -1,
       "10 1 1 5 'US5XX' '' ''    0 '' '' 0 0 ''"},
      {kFieldDSSI, dssi(), 0, -1, "2 1 2 1000 2000 3000 4000 5000 6000 7000 8000"},
      {kFieldDSSI, dssi().substr(0, 30), kShortFixedField, -1,
       "2 1 2 1000 2000 3000 4000 5000 6000 7000 0"},
      {kFieldSGCC, control, 0, -1, "1 3 2"},
      {kFieldSGCC, control.substr(0, 3), kShortFixedField, -1, "1 3 0"},
  };
}

// Each case is decoded into a fresh image, and into the image the case
// before it left: nothing of an earlier field may show through.
TEST(DecodeField, CodesCountsAndImages) {
  const std::vector<Case> all = cases();
  FieldImage shared;
  for (size_t i = 0; i < all.size(); ++i) {
    const Case& c = all[i];
    SCOPED_TRACE(testing::Message() << kFieldTags[c.type] << " case " << i);
    FieldImage fresh;
    for (FieldImage* image : {&fresh, &shared}) {
      int elementCount = -1;
      EXPECT_EQ(decode(*image, c.type, c.data, elementCount, c.exchangePurpose, c.lexicalLevel),
                c.code);
      EXPECT_EQ(elementCount, c.elementCount);
      EXPECT_EQ(describe(c.type, *image), c.image);
    }
  }
}

}  // namespace
}  // namespace abys
