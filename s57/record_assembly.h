// Turns decoded fields, in file order, into the records of a dataset.
#pragma once

#include <cstdint>

#include "dataset.h"
#include "field_image.h"

namespace abys {

// The name of the record being assembled, for the loader's messages.
struct RecordId {
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
};

inline constexpr int kOutOfMemory = -2;

// Adds one decoded field to dataset. FRID and VRID open a new record, the
// other record fields attach to the record opened last, DSID, DSSI and DSPM
// are copied into the dataset. exchangePurpose becomes 1 or 2 from a DSID
// whose EXPP is 1 or 2; currentName is set by DSID, DSPM, FRID and VRID;
// lexicalLevel by DSSI. Returns 0, or -2 when memory is exhausted: a failed
// FRID or VRID changes nothing, a failed repeating field keeps the entries
// added before the failure, and the dataset stays consistent either way.
int assembleField(int type, Dataset& dataset, const FieldImage& image, int32_t elementCount,
                  int32_t& exchangePurpose, RecordId& currentName, uint8_t& lexicalLevel);

}  // namespace abys
