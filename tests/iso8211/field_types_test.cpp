#include "field_types.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace abys {
namespace {

// Runs the tags of fields (separated by blanks) through ddfCheckOrder as the
// loader does, previous starting at the end-of-record marker; returns the
// index of the first refused field, or -1.
int firstRefused(std::istringstream& tags, int exchangePurpose) {
  int previous = kFieldEndOfRecord;
  int index = 0;
  testing::internal::CaptureStderr();
  for (std::string tag; tags >> tag; ++index) {
    const int type = ddfFieldType(tag.c_str());
    if (ddfCheckOrder(previous, type, exchangePurpose) != 0) break;
    previous = type;
  }
  testing::internal::GetCapturedStderr();
  return tags ? index : -1;
}

TEST(FieldOrder, RecordsAcceptedOrRefusedPerTable) {
  // Per case: the index of the first refused field (-1: none) in a new
  // dataset and in a revision, then the fields. Tags are classified as they
  // are written: any other is unknown and refused.
  std::istringstream cases(
      "-1 -1 0001 DSID DSSI ****; -1 -1 0001 DSPM ****; 0 0 FRID; -1 -1 **** **** 0001 DSPM ****;"
      "1 1 0001 dsid; 1 1 0001 CATD; 1 1 0001 DSI;"
      "-1 -1 0001 FRID FOID ATTF FSPT ****; 4 -1 0001 FRID FOID ATTF ****; 2 -1 0001 FRID ****;"
      "4 -1 0001 FRID FOID NATF ****; -1 -1 0001 FRID FOID FSPC; 4 -1 0001 FRID FOID FSPC ****;"
      "3 -1 0001 FRID FOID FFPC FFPT ****; 4 4 0001 FRID FOID ATTF ATTF;"
      "4 4 0001 FRID FOID NATF NATF; 4 4 0001 FRID FOID FFPT FFPT; 4 4 0001 FRID FOID FSPT FSPT;"
      "-1 -1 0001 VRID VRPT ****; 2 -1 0001 VRID ****; 3 -1 0001 VRID ATTV ****;"
      "-1 -1 0001 VRID SG2D SG2D ****; -1 -1 0001 VRID SG3D SG3D ****; 3 3 0001 VRID SG2D SG3D;"
      "3 3 0001 VRID ATTV ATTV; 3 3 0001 VRID VRPT VRPT; 2 -1 0001 VRID VRPC VRPT ****;"
      "2 3 0001 VRID VRPC ****; 2 -1 0001 VRID SGCC SG2D ****");
  // Exchange purposes 0 and 1 select the table for new datasets, any other
  // the one for revisions.
  for (std::string c; std::getline(cases, c, ';');) {
    for (int purpose : {0, 1, 2, 3, -1, 255}) {
      std::istringstream in(c);
      int newDataset = 0, revision = 0;
      in >> newDataset >> revision;
      EXPECT_EQ(firstRefused(in, purpose), purpose == 0 || purpose == 1 ? newDataset : revision)
          << c << ", " << purpose;
    }
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
