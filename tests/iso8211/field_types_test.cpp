#include "field_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace abys {
namespace {

TEST(FieldType, ClassifiesByTheExactTag) {
  for (int type = 0; type < kFieldTypeCount; ++type) {
    const std::string field = std::string(kFieldTags[type]) + "    0";
    EXPECT_EQ(ddfFieldType(field.c_str()), type) << kFieldTags[type];
  }
  EXPECT_EQ(ddfFieldType("****    0"), kFieldEndOfRecord);
  EXPECT_EQ(ddfFieldType("dsid   12"), kUnknownField);
  EXPECT_EQ(ddfFieldType(" DSI   12"), kUnknownField);
  EXPECT_EQ(ddfFieldType("CATD   12"), kUnknownField);
}

// Runs a sequence of field types through ddfCheckOrder as the loader does
// (previous starts at the end-of-record marker); returns the index of the
// first refused field, or -1.
int firstRefused(const std::vector<FieldType>& fields, int exchangePurpose) {
  int previous = kFieldEndOfRecord;
  for (size_t i = 0; i < fields.size(); ++i) {
    testing::internal::CaptureStderr();
    const int code = ddfCheckOrder(previous, fields[i], exchangePurpose);
    testing::internal::GetCapturedStderr();
    if (code != 0) return static_cast<int>(i);
    previous = fields[i];
  }
  return -1;
}

constexpr int kNew = 1;
constexpr int kRevision = 2;

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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(firstRefused(c.fields, kNew), c.newDataset);
    EXPECT_EQ(firstRefused(c.fields, kRevision), c.revision);
  }
}

TEST(FieldOrder, ExchangePurposeSelectsTheTable) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(ddfCheckOrder(kFieldFRID, kFieldEndOfRecord, 0), kFieldOutOfOrder);
  EXPECT_EQ(ddfCheckOrder(kFieldFRID, kFieldEndOfRecord, 1), kFieldOutOfOrder);
  testing::internal::GetCapturedStderr();
  for (int purpose : {2, 3, -1, 255}) {
    EXPECT_EQ(ddfCheckOrder(kFieldFRID, kFieldEndOfRecord, purpose), 0) << purpose;
  }
}

TEST(FieldOrder, SharedRowsAreEqualInBothTables) {
  for (FieldType row : {kField0001, kFieldDSID, kFieldDSSI, kFieldDSPM, kFieldFSPT, kFieldSG2D,
                        kFieldSG3D, kFieldEndOfRecord}) {
    EXPECT_EQ(newDatasetOrder[row], revisionOrder[row]) << kFieldTags[row];
  }
  for (const OrderTable* table : {&newDatasetOrder, &revisionOrder}) {
    for (const auto& row : *table) {
      for (int entry : row)
        EXPECT_TRUE(entry == 0 || entry == kFieldOutOfOrder);
    }
  }
}

TEST(FieldOrder, RefusalIsWrittenToStandardErrorOnly) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(ddfCheckOrder(kFieldFOID, kFieldFFPC, 1), kFieldOutOfOrder);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "P = 5, C = 8\n");

  testing::internal::CaptureStderr();
  EXPECT_EQ(ddfCheckOrder(kFieldFOID, kFieldFFPC, 2), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  testing::internal::CaptureStderr();
  EXPECT_EQ(ddfCheckOrder(kUnknownField, kFieldDSID, 1), kFieldOutOfOrder);
  EXPECT_EQ(ddfCheckOrder(kFieldDSID, 20, 1), kFieldOutOfOrder);
  testing::internal::GetCapturedStderr();
}

}  // namespace
}  // namespace abys
