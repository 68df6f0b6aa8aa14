// Field types by tag, and the tables of which field may follow which.
#pragma once

#include <array>

namespace abys {

// The position of a field's tag in the table of known tags; -1 for a tag the
// system does not know.
enum FieldType : int {
  kUnknownField = -1,
  kField0001 = 0,
  kFieldDSID = 1,
  kFieldDSSI = 2,
  kFieldDSPM = 3,
  kFieldFRID = 4,
  kFieldFOID = 5,
  kFieldATTF = 6,
  kFieldNATF = 7,
  kFieldFFPC = 8,
  kFieldFFPT = 9,
  kFieldFSPC = 10,
  kFieldFSPT = 11,
  kFieldVRID = 12,
  kFieldATTV = 13,
  kFieldVRPC = 14,
  kFieldVRPT = 15,
  kFieldSGCC = 16,
  kFieldSG2D = 17,
  kFieldSG3D = 18,
  kFieldEndOfRecord = 19,
};

inline constexpr int kFieldTypeCount = 20;
// ddfCheckOrder's result for a field that may not follow the previous one.
inline constexpr int kFieldOutOfOrder = 7;

// The tag of each field type, "0001" to "****".
extern const char* const kFieldTags[kFieldTypeCount];

// Allowed successions [previous][current]: 0 allowed, 7 out of order.
using OrderTable = std::array<std::array<int, kFieldTypeCount>, kFieldTypeCount>;
extern const OrderTable newDatasetOrder;
extern const OrderTable revisionOrder;

// Classifies a tagged field by its first four characters (case and blanks
// count); -1 for an unknown tag.
int ddfFieldType(const char* taggedField);

// 0 when current may follow previous, else 7 after writing
// "P = %d, C = %d\n" to standard error. Exchange purpose 0 or 1 selects the
// table for new datasets, any other value the one for revisions. Types outside
// 0-19 are out of order.
int ddfCheckOrder(int previous, int current, int exchangePurpose);

}  // namespace abys
