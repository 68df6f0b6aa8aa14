#include "field_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace abys {
namespace {

TEST(FieldType, ClassifiesByTheExactTag) {
  const std::pair<const char*, int> cases[] = {
      {"0001    2", kField0001},    {"DSID   12", kFieldDSID},    {"FRID   12", kFieldFRID},
      {"VRPT    9", kFieldVRPT},    {"SG3D   12", kFieldSG3D},    {"****    0", kFieldEndOfRecord},
      {"dsid   12", kUnknownField}, {" DSI   12", kUnknownField}, {"CATD   12", kUnknownField},
  };
  for (const auto& [field, type] : cases)
    EXPECT_EQ(ddfFieldType(field), type) << field;
}

// Runs a sequence of field types through ddfCheckOrder as the loader does
// (previous starts at the end-of-record marker); returns the index of the
// first refused field, or -1.
int firstRefused(const std::vector<FieldType>& fields, int exchangePurpose) {
  int previous = kFieldEndOfRecord;
  int refused = -1;
  testing::internal::CaptureStderr();
  for (size_t i = 0; i < fields.size() && refused < 0; ++i) {
    if (ddfCheckOrder(previous, fields[i], exchangePurpose) != 0) refused = static_cast<int>(i);
    previous = fields[i];
  }
  testing::internal::GetCapturedStderr();
  return refused;
}

TEST(FieldOrder, RecordsAcceptedOrRefusedPerTable) {
  struct Case {
    const char* what;
    std::vector<FieldType> fields;
    int newDataset;  // index of the refused field, or -1
    int revision;
  };
  const FieldType k0001 = kField0001, kEnd = kFieldEndOfRecord;
  const std::vector<Case> cases = {
      {"identification record", {k0001, kFieldDSID, kFieldDSSI, kEnd}, -1, -1},
      {"parameter record", {k0001, kFieldDSPM, kEnd}, -1, -1},
      {"file starting with FRID", {kFieldFRID}, 0, 0},
      {"feature with attributes and spatial pointers",
       {k0001, kFieldFRID, kFieldFOID, kFieldATTF, kFieldFSPT, kEnd},
       -1,
       -1},
      {"feature ending after ATTF", {k0001, kFieldFRID, kFieldFOID, kFieldATTF, kEnd}, 4, -1},
      {"feature ending after FRID", {k0001, kFieldFRID, kEnd}, 2, -1},
      {"feature ending after NATF", {k0001, kFieldFRID, kFieldFOID, kFieldNATF, kEnd}, 4, -1},
      {"FSPC after FOID", {k0001, kFieldFRID, kFieldFOID, kFieldFSPC}, -1, -1},
      {"FSPC alone in a new dataset", {k0001, kFieldFRID, kFieldFOID, kFieldFSPC, kEnd}, 4, -1},
      {"FFPC", {k0001, kFieldFRID, kFieldFOID, kFieldFFPC, kFieldFFPT, kEnd}, 3, -1},
      {"vector record with pointers", {k0001, kFieldVRID, kFieldVRPT, kEnd}, -1, -1},
      {"vector record ending after VRID", {k0001, kFieldVRID, kEnd}, 2, -1},
      {"vector record ending after ATTV", {k0001, kFieldVRID, kFieldATTV, kEnd}, 3, -1},
      {"repeated SG2D", {k0001, kFieldVRID, kFieldSG2D, kFieldSG2D, kEnd}, -1, -1},
      {"repeated SG3D", {k0001, kFieldVRID, kFieldSG3D, kFieldSG3D, kEnd}, -1, -1},
      {"repeated ATTF", {k0001, kFieldFRID, kFieldFOID, kFieldATTF, kFieldATTF}, 4, 4},
      {"repeated NATF", {k0001, kFieldFRID, kFieldFOID, kFieldNATF, kFieldNATF}, 4, 4},
      {"repeated FFPT", {k0001, kFieldFRID, kFieldFOID, kFieldFFPT, kFieldFFPT}, 4, 4},
      {"repeated FSPT", {k0001, kFieldFRID, kFieldFOID, kFieldFSPT, kFieldFSPT}, 4, 4},
      {"repeated ATTV", {k0001, kFieldVRID, kFieldATTV, kFieldATTV}, 3, 3},
      {"repeated VRPT", {k0001, kFieldVRID, kFieldVRPT, kFieldVRPT}, 3, 3},
      {"VRPC before VRPT", {k0001, kFieldVRID, kFieldVRPC, kFieldVRPT, kEnd}, 2, -1},
      {"VRPC without VRPT", {k0001, kFieldVRID, kFieldVRPC, kEnd}, 2, 3},
      {"SGCC then SG2D", {k0001, kFieldVRID, kFieldSGCC, kFieldSG2D, kEnd}, 2, -1},
      {"SG2D then SG3D", {k0001, kFieldVRID, kFieldSG2D, kFieldSG3D}, 3, 3},
      {"empty records", {kEnd, kEnd, k0001, kFieldDSPM, kEnd}, -1, -1},
  };
  // Exchange purposes 0 and 1 select the table for new datasets, any other
  // the one for revisions.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int purpose : {0, 1})
      EXPECT_EQ(firstRefused(c.fields, purpose), c.newDataset) << purpose;
    for (int purpose : {2, 3, -1, 255})
      EXPECT_EQ(firstRefused(c.fields, purpose), c.revision) << purpose;
  }
}

TEST(FieldOrder, RefusalIsWrittenToStandardErrorOnly) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(ddfCheckOrder(kFieldFOID, kFieldFFPC, 1), kFieldOutOfOrder);
  EXPECT_EQ(ddfCheckOrder(kFieldFOID, kFieldFFPC, 2), 0);
  EXPECT_EQ(ddfCheckOrder(kUnknownField, kFieldDSID, 1), kFieldOutOfOrder);
  EXPECT_EQ(ddfCheckOrder(kFieldDSID, kFieldTypeCount, 2), kFieldOutOfOrder);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "P = 5, C = 8\nP = -1, C = 1\nP = 1, C = 20\n");
}

}  // namespace
}  // namespace abys
