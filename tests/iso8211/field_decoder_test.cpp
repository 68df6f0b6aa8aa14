#include "field_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "cell_writer.h"
#include "field_types.h"

namespace abys {
namespace {

using cellwriter::FieldBuilder;

// Decodes data as a field of the given type into a fresh or a given image.
struct Decoded {
  FieldImage image;
  int code = 0;
  int elementCount = -1;
};

int decode(FieldImage& image, int type, const std::string& data, int& elementCount,
           int exchangePurpose = 1, int lexicalLevel = 0) {
  // A copy without spare bytes, so that the sanitizer build catches any read
  // beyond dataLength.
  std::unique_ptr<char[]> exact(new char[data.size() + (data.empty() ? 1 : 0)]);
  std::memcpy(exact.get(), data.data(), data.size());
  return ddfDecodeField(type, exact.get(), static_cast<int>(data.size()), image, elementCount,
                        exchangePurpose, lexicalLevel);
}

Decoded decode(int type, const std::string& data, int exchangePurpose = 1, int lexicalLevel = 0) {
  Decoded d;
  d.code = decode(d.image, type, data, d.elementCount, exchangePurpose, lexicalLevel);
  return d;
}

std::string frid(uint8_t rcnm, uint32_t rcid, uint8_t prim, uint8_t grup, uint8_t ruin = 1) {
  return FieldBuilder().b11(rcnm).b14(rcid).b11(prim).b11(grup).b12(302).b12(1).b11(ruin).data();
}

TEST(DecodeFrid, StoresAndChecksInOrder) {
  Decoded ok = decode(kFieldFRID, frid(100, 1, 2, 1));
  EXPECT_EQ(ok.code, 0);
  EXPECT_EQ(ok.elementCount, -1);  // not a repeating field: left alone
  const FridImage& f = ok.image.frid;
  EXPECT_EQ(f.rcnm, 100);
  EXPECT_EQ(f.rcid, 1u);
  EXPECT_EQ(f.prim, 2);
  EXPECT_EQ(f.grup, 1);
  EXPECT_EQ(f.objl, 302);
  EXPECT_EQ(f.rver, 1);
  EXPECT_EQ(f.ruin, 1);

  Decoded badRcnm = decode(kFieldFRID, frid(110, 1, 2, 1));
  EXPECT_EQ(badRcnm.code, kFridBadRcnm);
  const FridImage& b = badRcnm.image.frid;
  EXPECT_EQ(b.rcnm, 110);
  EXPECT_EQ(b.objl, 302);
  EXPECT_EQ(b.rver, 1);
  EXPECT_EQ(b.rcid, 0u);
  EXPECT_EQ(b.prim, 0);
  EXPECT_EQ(b.grup, 0);
  EXPECT_EQ(b.ruin, 0);

  Decoded badGrup = decode(kFieldFRID, frid(100, 7, 3, 255));
  EXPECT_EQ(badGrup.code, kFridBadGrup);
  EXPECT_EQ(badGrup.image.frid.prim, 3);
  EXPECT_EQ(badGrup.image.frid.grup, 255);
  EXPECT_EQ(badGrup.image.frid.ruin, 0);
  EXPECT_EQ(decode(kFieldFRID, frid(100, 1, 2, 0)).code, kFridBadGrup);
  EXPECT_EQ(decode(kFieldFRID, frid(100, 1, 255, 1)).code, 0);
  EXPECT_EQ(decode(kFieldFRID, frid(100, 1, 4, 1)).code, kFridBadPrim);

  EXPECT_EQ(decode(kFieldFRID, frid(100, 4294967294u, 2, 1)).code, 0);
  EXPECT_EQ(decode(kFieldFRID, frid(100, 0, 2, 1)).code, kRcidOutOfRange);
  Decoded allBits = decode(kFieldFRID, frid(100, 4294967295u, 2, 1));
  EXPECT_EQ(allBits.code, kRcidOutOfRange);
  EXPECT_EQ(allBits.image.frid.rcid, 4294967295u);
  EXPECT_EQ(allBits.image.frid.prim, 0);

  Decoded badRuin = decode(kFieldFRID, frid(100, 1, 2, 1, 4));
  EXPECT_EQ(badRuin.code, kBadRuin);
  EXPECT_EQ(badRuin.image.frid.ruin, 4);
}

TEST(DecodeFixedLength, WrongLengthsStoreNothing) {
  const std::string valid = frid(100, 1, 2, 1);
  Decoded shortFrid = decode(kFieldFRID, valid.substr(0, 11));
  EXPECT_EQ(shortFrid.code, kFridTooShort);
  EXPECT_EQ(shortFrid.image.frid.rcnm, 0);
  Decoded longFrid = decode(kFieldFRID, valid + "x");
  EXPECT_EQ(longFrid.code, kFridTooLong);
  EXPECT_EQ(longFrid.image.frid.objl, 0);

  const std::string foid = FieldBuilder().b12(540).b14(123456).b12(7).data();
  Decoded ok = decode(kFieldFOID, foid);
  EXPECT_EQ(ok.code, 0);
  EXPECT_EQ(ok.image.foid.agen, 540);
  EXPECT_EQ(ok.image.foid.fidn, 123456u);
  EXPECT_EQ(ok.image.foid.fids, 7);
  EXPECT_EQ(decode(kFieldFOID, foid.substr(0, 7)).code, kFoidTooShort);
  EXPECT_EQ(decode(kFieldFOID, foid + "x").code, kFoidTooLong);

  const std::string vrid = FieldBuilder().b11(130).b14(9).b12(2).b11(1).data();
  EXPECT_EQ(decode(kFieldVRID, vrid.substr(0, 7)).code, kVridTooShort);
  EXPECT_EQ(decode(kFieldVRID, vrid + "x").code, kVridTooLong);
  EXPECT_EQ(decode(kFieldVRID, vrid.substr(0, 7)).image.vrid.rcnm, 0);
}

TEST(DecodeVrid, ChecksRcnmThenRcid) {
  Decoded ok = decode(kFieldVRID, FieldBuilder().b11(130).b14(9).b12(2).b11(3).data());
  EXPECT_EQ(ok.code, 0);
  EXPECT_EQ(ok.image.vrid.rcnm, 130);
  EXPECT_EQ(ok.image.vrid.rcid, 9u);
  EXPECT_EQ(ok.image.vrid.rver, 2);
  EXPECT_EQ(ok.image.vrid.ruin, 3);

  Decoded face = decode(kFieldVRID, FieldBuilder().b11(140).b14(9).b12(2).b11(1).data());
  EXPECT_EQ(face.code, 0);

  Decoded badRcnm = decode(kFieldVRID, FieldBuilder().b11(100).b14(9).b12(2).b11(1).data());
  EXPECT_EQ(badRcnm.code, kBadVectorRcnm);
  EXPECT_EQ(badRcnm.image.vrid.rcnm, 100);
  EXPECT_EQ(badRcnm.image.vrid.rcid, 0u);
  EXPECT_EQ(badRcnm.image.vrid.rver, 2);
  EXPECT_EQ(badRcnm.image.vrid.ruin, 0);

  Decoded badRcid = decode(kFieldVRID, FieldBuilder().b11(120).b14(0).b12(2).b11(1).data());
  EXPECT_EQ(badRcid.code, kRcidOutOfRange);
  EXPECT_EQ(badRcid.image.vrid.ruin, 0);
  EXPECT_EQ(decode(kFieldVRID, FieldBuilder().b11(120).b14(1).b12(2).b11(0).data()).code, kBadRuin);
}

std::string attribute(uint16_t attl, const std::string& value) {
  return FieldBuilder().b12(attl).text(value).data();
}

TEST(DecodeAttributes, ValuesAreStoredAndCheckedAgainstTheValueRule) {
  Decoded two = decode(kFieldATTF, attribute(174, "12.5") + attribute(116, "a\tb"));
  EXPECT_EQ(two.code, kAttributeValueRule);
  ASSERT_EQ(two.elementCount, 2);
  EXPECT_EQ(two.image.attributes[0].attl, 174);
  EXPECT_STREQ(two.image.attributes[0].atvl, "12.5");
  EXPECT_EQ(two.image.attributes[0].atvlLength, 4);
  EXPECT_STREQ(two.image.attributes[1].atvl, "a\tb");

  const std::string deletion = attribute(174, "\x7f");
  EXPECT_EQ(decode(kFieldATTF, deletion, 1).code, kAttributeValueRule);
  EXPECT_EQ(decode(kFieldATTF, deletion, 2).code, 0);
  EXPECT_EQ(decode(kFieldATTV, deletion, 2).code, 0);
  EXPECT_EQ(decode(kFieldATTF, attribute(174, "\x7f\x7f"), 2).code, kAttributeValueRule);
  EXPECT_EQ(decode(kFieldATTF, attribute(174, "caf\xe9"), 2).code, kAttributeValueRule);

  Decoded empty = decode(kFieldATTV, attribute(9, ""));
  EXPECT_EQ(empty.code, 0);
  ASSERT_EQ(empty.elementCount, 1);
  EXPECT_EQ(empty.image.attributes[0].atvlLength, 0);
  EXPECT_STREQ(empty.image.attributes[0].atvl, "");

  // Below lexical level 2 a NATF is one-byte text under the same rule.
  EXPECT_EQ(decode(kFieldNATF, attribute(301, "Tokyo \xb0"), 1, 1).code, kAttributeValueRule);
  EXPECT_EQ(decode(kFieldNATF, attribute(301, "Tokyo"), 1, 1).code, 0);
}

TEST(DecodeAttributes, ShortFieldsAndRemnants) {
  Decoded oneByte = decode(kFieldATTF, "\x01");
  EXPECT_EQ(oneByte.code, kAttributeRemnant);
  EXPECT_EQ(oneByte.elementCount, 0);

  const std::string complete = attribute(174, "5") + attribute(116, "x\t");
  Decoded unterminated = decode(kFieldATTF, complete + FieldBuilder().b12(9).data() + "abc");
  EXPECT_EQ(unterminated.code, kNoUnitTerminator);
  EXPECT_EQ(unterminated.elementCount, 2);
  EXPECT_STREQ(unterminated.image.attributes[1].atvl, "x\t");

  // A remnant overrides the value-rule result; one complete element survives.
  Decoded remnant = decode(kFieldATTF, attribute(116, "\t") + "\x05");
  EXPECT_EQ(remnant.code, kAttributeRemnant);
  EXPECT_EQ(remnant.elementCount, 1);
}

TEST(DecodeAttributes, TwoByteNationalValuesAtLexicalLevelTwo) {
  const std::u16string name = u"東京湾";
  const std::string field = FieldBuilder().b12(301).wideText(name).data();
  Decoded d = decode(kFieldNATF, field, 1, 2);
  EXPECT_EQ(d.code, 0);
  ASSERT_EQ(d.elementCount, 1);
  const AttrElement& e = d.image.attributes[0];
  EXPECT_EQ(e.attl, 301);
  ASSERT_EQ(e.atvlLength, 6);
  EXPECT_EQ(std::string(e.atvl, 6), field.substr(2, 6));
  EXPECT_EQ(e.atvl[6], '\0');

  // No value rule; a 0x1f 0x00 at an odd offset is not the terminator.
  const std::string odd = FieldBuilder().b12(301).bytes(std::string("\x00\x1f\x00\x41", 4)).data() +
                          std::string("\x1f\x00", 2);
  Decoded o = decode(kFieldNATF, odd, 1, 2);
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.image.attributes[0].atvlLength, 4);

  EXPECT_EQ(decode(kFieldNATF, field.substr(0, 5), 1, 2).code, kAttributeRemnant);
  EXPECT_EQ(decode(kFieldNATF, field.substr(0, 5), 1, 2).elementCount, 0);
  EXPECT_EQ(decode(kFieldNATF, field + "x", 1, 2).code, 0);
  EXPECT_EQ(decode(kFieldNATF, field + "xyz", 1, 2).code, kAttributeRemnant);
  EXPECT_EQ(decode(kFieldNATF, field + "xyz", 1, 2).elementCount, 1);
  Decoded missing = decode(kFieldNATF, field + FieldBuilder().b12(302).data() + "abcd", 1, 2);
  EXPECT_EQ(missing.code, kNoUnitTerminator);
  EXPECT_EQ(missing.elementCount, 1);
}

std::string featurePointer(uint8_t rind, const std::string& comment = "") {
  return FieldBuilder().b12(540).b14(1000).b12(1).b11(rind).text(comment).data();
}

TEST(DecodeFeaturePointers, OnlyTheLastRindCounts) {
  Decoded ok = decode(kFieldFFPT, featurePointer(4) + featurePointer(1, "peer"));
  EXPECT_EQ(ok.code, 0);
  ASSERT_EQ(ok.elementCount, 2);
  EXPECT_EQ(ok.image.featurePointers[0].rind, 4);
  EXPECT_EQ(ok.image.featurePointers[1].agen, 540);
  EXPECT_EQ(ok.image.featurePointers[1].fidn, 1000u);
  EXPECT_EQ(ok.image.featurePointers[1].fids, 1);
  EXPECT_EQ(ok.image.featurePointers[1].comt, "peer");
  EXPECT_EQ(decode(kFieldFFPT, featurePointer(1) + featurePointer(4)).code, kFfptBadRind);
}

TEST(DecodeFeaturePointers, LengthProblems) {
  Decoded tooShort = decode(kFieldFFPT, std::string(7, '\x01'));
  EXPECT_EQ(tooShort.code, kFfptBadLength);
  EXPECT_EQ(tooShort.elementCount, 0);
  Decoded remnant = decode(kFieldFFPT, featurePointer(2) + "abc");
  EXPECT_EQ(remnant.code, kFfptBadLength);
  EXPECT_EQ(remnant.elementCount, 1);
  // Eight bytes left: an LNAM without its RIND.
  Decoded noRind = decode(kFieldFFPT, featurePointer(2) + std::string(8, '\x02'));
  EXPECT_EQ(noRind.code, kShortFixedField);
  EXPECT_EQ(noRind.elementCount, 1);
  Decoded noTerminator =
      decode(kFieldFFPT, featurePointer(2) + featurePointer(2, "x").substr(0, 10));
  EXPECT_EQ(noTerminator.code, kNoUnitTerminator);
  EXPECT_EQ(noTerminator.elementCount, 1);
}

std::string spatialPointer(uint8_t rcnm, uint32_t rcid, uint8_t ornt, uint8_t usag, uint8_t mask) {
  return FieldBuilder().b11(rcnm).b14(rcid).b11(ornt).b11(usag).b11(mask).data();
}

TEST(DecodeSpatialPointers, EachElementEndsAtItsFirstFailure) {
  Decoded d = decode(kFieldFSPT, spatialPointer(130, 5, 1, 4, 2) + spatialPointer(130, 6, 2, 1, 1));
  EXPECT_EQ(d.code, 0);
  ASSERT_EQ(d.elementCount, 2);
  EXPECT_EQ(d.image.spatialPointers[0].usag, 4);
  EXPECT_EQ(d.image.spatialPointers[0].mask, 0);
  EXPECT_EQ(d.image.spatialPointers[1].ornt, 2);
  EXPECT_EQ(d.image.spatialPointers[1].mask, 1);

  Decoded badRcnm = decode(kFieldFSPT, spatialPointer(100, 5, 1, 1, 1));
  EXPECT_EQ(badRcnm.code, kBadVectorRcnm);
  EXPECT_EQ(badRcnm.image.spatialPointers[0].rcid, 5u);  // stored before the checks
  EXPECT_EQ(badRcnm.image.spatialPointers[0].ornt, 0);
  EXPECT_EQ(decode(kFieldFSPT, spatialPointer(110, 0, 1, 1, 1)).code, kRcidOutOfRange);
  EXPECT_EQ(decode(kFieldFSPT, spatialPointer(110, 3, 3, 1, 1)).code, kBadOrnt);

  Decoded twelve = decode(kFieldFSPT, spatialPointer(130, 5, 1, 1, 1) + "abcd");
  EXPECT_EQ(twelve.code, kFsptNotMultiple);
  EXPECT_EQ(twelve.elementCount, 0);
  EXPECT_EQ(decode(kFieldFSPT, "abcd").code, kFsptTooShort);
}

std::string vectorPointer(uint8_t rcnm, uint32_t rcid, uint8_t topi) {
  return FieldBuilder().b11(rcnm).b14(rcid).b11(255).b11(255).b11(topi).b11(255).data();
}

TEST(DecodeVectorPointers, LastElementDecidesAndRcidNeedsRcnm) {
  Decoded d = decode(kFieldVRPT, vectorPointer(120, 1, 1) + vectorPointer(120, 2, 6));
  EXPECT_EQ(d.code, kVrptBadTopi);
  ASSERT_EQ(d.elementCount, 2);
  EXPECT_EQ(d.image.vectorPointers[0].mask, 255);
  EXPECT_EQ(d.image.vectorPointers[1].topi, 6);
  EXPECT_EQ(d.image.vectorPointers[1].mask, 0);
  EXPECT_EQ(decode(kFieldVRPT, vectorPointer(120, 2, 6) + vectorPointer(120, 1, 1)).code, 0);

  Decoded badRcnm = decode(kFieldVRPT, vectorPointer(100, 2, 1));
  EXPECT_EQ(badRcnm.code, kBadVectorRcnm);
  EXPECT_EQ(badRcnm.image.vectorPointers[0].rcid, 0u);

  EXPECT_EQ(decode(kFieldVRPT, vectorPointer(120, 1, 1).substr(0, 8)).code, kVrptTooShort);
  Decoded ten = decode(kFieldVRPT, vectorPointer(120, 1, 1) + "x");
  EXPECT_EQ(ten.code, kVrptNotMultiple);
  EXPECT_EQ(ten.elementCount, 0);
}

TEST(DecodeCoordinates, YThenXUnscaledAndRemnantIgnored) {
  const std::string two = FieldBuilder().b24(500000000).b24(-10000000).b24(1).b24(2).data();
  Decoded d = decode(kFieldSG2D, two + "abcd");
  EXPECT_EQ(d.code, 0);
  ASSERT_EQ(d.elementCount, 2);
  EXPECT_EQ(d.image.coordinates[0].x, -10000000.0);
  EXPECT_EQ(d.image.coordinates[0].y, 500000000.0);
  EXPECT_EQ(d.image.coordinates[1].x, 2.0);

  Decoded s = decode(kFieldSG3D, FieldBuilder().b24(-3).b24(4).b24(-125).data() + "12345678");
  EXPECT_EQ(s.code, 0);
  ASSERT_EQ(s.elementCount, 1);
  EXPECT_EQ(s.image.soundings[0].x, 4.0);
  EXPECT_EQ(s.image.soundings[0].y, -3.0);
  EXPECT_EQ(s.image.soundings[0].z, -125.0);
}

std::string dspm(const std::string& comment, bool terminated = true) {
  FieldBuilder b;
  b.b11(20).b14(2).b11(2).b11(17).b11(23).b14(50000).b11(1).b11(1).b11(1).b11(1);
  b.b14(10000000).b14(10);
  if (terminated) return b.text(comment).data();
  return b.bytes(comment).data();
}

TEST(DecodeDspm, CommentRules) {
  Decoded ok = decode(kFieldDSPM, dspm("Letters only"));
  EXPECT_EQ(ok.code, 0);
  EXPECT_EQ(ok.image.dspm.comt, "Letters only");
  EXPECT_EQ(ok.image.dspm.cscl, 50000u);
  EXPECT_EQ(ok.image.dspm.comf, 10000000u);
  EXPECT_EQ(ok.image.dspm.somf, 10u);

  Decoded tab = decode(kFieldDSPM, dspm("a\tb"));
  EXPECT_EQ(tab.code, kCommentNotPrintable);
  EXPECT_EQ(tab.image.dspm.comt, "");
  EXPECT_EQ(tab.image.dspm.comf, 10000000u);
  Decoded open = decode(kFieldDSPM, dspm("no end", false));
  EXPECT_EQ(open.code, kNoUnitTerminator);
  EXPECT_EQ(open.image.dspm.comt, "");

  Decoded cut = decode(kFieldDSPM, dspm("").substr(0, 18));
  EXPECT_EQ(cut.code, kShortFixedField);
  EXPECT_EQ(cut.image.dspm.cscl, 50000u);
  EXPECT_EQ(cut.image.dspm.comf, 0x9680u);  // two of its four bytes
  EXPECT_EQ(cut.image.dspm.somf, 0u);
}

std::string dsid(const std::string& comment) {
  return FieldBuilder()
      .b11(10)
      .b14(1)
      .b11(1)
      .b11(5)
      .text("US5XX01M.000")
      .text("2")
      .text("0")
      .fixed("20261206", 8)
      .fixed("20261201", 8)
      .fixed("03.1", 4)
      .b11(1)
      .text("")
      .text("2.0")
      .b11(1)
      .b12(540)
      .text(comment)
      .data();
}

TEST(DecodeDsid, TextsAndFixedSubfields) {
  Decoded d = decode(kFieldDSID, dsid("made for tests"));
  EXPECT_EQ(d.code, 0);
  const DsidImage& i = d.image.dsid;
  EXPECT_EQ(i.rcnm, 10);
  EXPECT_EQ(i.expp, 1);
  EXPECT_EQ(i.intu, 5);
  EXPECT_EQ(i.dsnm, "US5XX01M.000");
  EXPECT_EQ(i.edtn, "2");
  EXPECT_EQ(i.updn, "0");
  EXPECT_EQ(std::string(i.uadt, 8), "20261206");
  EXPECT_EQ(std::string(i.isdt, 8), "20261201");
  EXPECT_EQ(std::string(i.sted, 4), "03.1");
  EXPECT_EQ(i.prsp, 1);
  EXPECT_EQ(i.psdn, "");
  EXPECT_EQ(i.pred, "2.0");
  EXPECT_EQ(i.prof, 1);
  EXPECT_EQ(i.agen, 540);
  EXPECT_EQ(i.comt, "made for tests");
  EXPECT_EQ(i.comt.data()[i.comt.size()], '\0');

  // Texts longer than any fixed slot are kept whole.
  const std::string longComment(300, 'c');
  EXPECT_EQ(decode(kFieldDSID, dsid(longComment)).image.dsid.comt, longComment);

  const std::string full = dsid("x");
  Decoded noTerminator = decode(kFieldDSID, full.substr(0, full.size() - 1));
  EXPECT_EQ(noTerminator.code, kNoUnitTerminator);
  EXPECT_EQ(noTerminator.image.dsid.comt, "x");
  Decoded cut = decode(kFieldDSID, full.substr(0, 5));
  EXPECT_EQ(cut.code, kShortFixedField);
  EXPECT_EQ(cut.image.dsid.rcid, 1u);
  EXPECT_EQ(cut.image.dsid.agen, 0);
  Decoded midText = decode(kFieldDSID, full.substr(0, 12));
  EXPECT_EQ(midText.code, kNoUnitTerminator);
  EXPECT_EQ(midText.image.dsid.dsnm, "US5XX");
  EXPECT_EQ(midText.image.dsid.agen, 0);
}

TEST(DecodeFixedFields, ShortDssiAndUpdateControl) {
  FieldBuilder b;
  b.b11(2).b11(1).b11(2);
  for (uint32_t i = 1; i <= 8; ++i)
    b.b14(i * 1000);
  Decoded dssi = decode(kFieldDSSI, b.data());
  EXPECT_EQ(dssi.code, 0);
  EXPECT_EQ(dssi.image.dssi.nall, 2);
  EXPECT_EQ(dssi.image.dssi.nomr, 1000u);
  EXPECT_EQ(dssi.image.dssi.nofa, 8000u);
  Decoded shortDssi = decode(kFieldDSSI, b.data().substr(0, 30));
  EXPECT_EQ(shortDssi.code, kShortFixedField);
  EXPECT_EQ(shortDssi.image.dssi.nofa, 0u);
  EXPECT_EQ(shortDssi.image.dssi.noin, 5000u);

  const std::string control = FieldBuilder().b11(1).b12(3).b12(2).data();
  for (int type : {kFieldFFPC, kFieldFSPC, kFieldVRPC, kFieldSGCC}) {
    Decoded d = decode(type, control);
    EXPECT_EQ(d.code, 0);
    EXPECT_EQ(d.image.updateControl.instruction, 1);
    EXPECT_EQ(d.image.updateControl.index, 3);
    EXPECT_EQ(d.image.updateControl.itemCount, 2);
    EXPECT_EQ(decode(type, control.substr(0, 3)).code, kShortFixedField);
    EXPECT_EQ(decode(type, control.substr(0, 3)).image.updateControl.itemCount, 0);
  }
  EXPECT_EQ(decode(kField0001, "\x01\x00").code, 0);
  EXPECT_EQ(decode(kFieldEndOfRecord, "").code, 0);
}

TEST(DecodeImage, IsClearedForEveryFieldAndGrowsWithItsElements) {
  FieldImage image;
  int count = -1;
  ASSERT_EQ(decode(image, kFieldFRID, frid(100, 1, 2, 1), count), 0);
  EXPECT_EQ(decode(image, kFieldFRID, frid(110, 1, 2, 1), count), kFridBadRcnm);
  EXPECT_EQ(image.frid.prim, 0);
  EXPECT_EQ(image.frid.ruin, 0);

  // Thousands of elements in one field, and a value longer than 513 bytes.
  std::string attributes;
  for (int i = 0; i < 12000; ++i)
    attributes += attribute(static_cast<uint16_t>(i), "v");
  const std::string longValue(2000, 'L');
  attributes += attribute(9, longValue);
  ASSERT_EQ(decode(image, kFieldATTF, attributes, count), 0);
  ASSERT_EQ(count, 12001);
  EXPECT_EQ(image.attributes[11999].attl, 11999);
  EXPECT_EQ(image.attributes[12000].atvl, longValue);
  EXPECT_EQ(image.attributes[12000].atvlLength, 2000);

  std::string pointers;
  for (int i = 0; i < 9000; ++i)
    pointers += featurePointer(2);
  ASSERT_EQ(decode(image, kFieldFFPT, pointers, count), 0);
  EXPECT_EQ(count, 9000);

  // A shorter field after a longer one holds only its own elements.
  ASSERT_EQ(decode(image, kFieldATTF, attribute(5, "w"), count), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(image.attributes.size(), 1u);
}

TEST(ScanSubfield, FindsTheTerminatorWithinRest) {
  int rest = 6;
  int length = -1;
  EXPECT_TRUE(
      scanSubfield("ab\x1f"
                   "cd\x1f",
                   rest, length));
  EXPECT_EQ(length, 2);
  EXPECT_EQ(rest, 3);
  rest = 2;
  EXPECT_FALSE(scanSubfield("ab\x1f", rest, length));
  EXPECT_EQ(rest, 0);

  rest = 5;
  EXPECT_FALSE(scanWideSubfield("a\x1f\x00zz", rest, length));
  EXPECT_EQ(rest, 0);
  rest = 6;
  EXPECT_TRUE(scanWideSubfield("ab\x1f\x00zz", rest, length));
  EXPECT_EQ(length, 2);
  EXPECT_EQ(rest, 2);
}

}  // namespace
}  // namespace abys
