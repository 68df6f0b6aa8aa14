// Decodes the data of one S-57 field into its field image.
#pragma once

#include "field_image.h"

namespace abys {

// Decode codes: reported by the loader, never fatal.
enum DecodeCode : int {
  kDecodeOk = 0,
  kShortFixedField = 101,      // field shorter than its fixed part
  kRcidOutOfRange = 103,       // RCID 0 or 4,294,967,295
  kNoUnitTerminator = 104,     // a text subfield runs to the end of the field
  kCommentNotPrintable = 105,  // DSPM COMT
  kFridTooShort = 151,
  kFridTooLong = 152,
  kFridBadRcnm = 153,
  kFridBadPrim = 154,
  kFridBadGrup = 156,
  kBadRuin = 159,
  kFoidTooShort = 161,
  kFoidTooLong = 162,
  kBadVectorRcnm = 166,
  kBadOrnt = 167,
  kBadUsag = 168,
  kAttributeRemnant = 169,
  kAttributeValueRule = 170,
  kFfptBadLength = 917,
  kFfptBadRind = 919,
  kFsptTooShort = 924,
  kFsptNotMultiple = 925,
  kVridTooShort = 928,
  kVridTooLong = 929,
  kVrptTooShort = 930,
  kVrptNotMultiple = 931,
  kVrptBadTopi = 932,
};

// Decodes dataLength bytes of field data (the field without its terminator)
// of the given field type into image, clearing the image member of that type
// first. elementCount receives the number of elements of a repeating field
// (ATTF, NATF, ATTV, FFPT, FSPT, VRPT, SG2D, SG3D) and is left alone for the
// others. exchangePurpose selects the attribute value rule; lexicalLevel 2
// makes NATF values two-byte text. Never reads outside the data, never fails
// for the size of a field; returns a decode code (0 when every check passed).
int ddfDecodeField(int type, const char* data, int dataLength, FieldImage& image, int& elementCount,
                   int exchangePurpose, int lexicalLevel);

}  // namespace abys
