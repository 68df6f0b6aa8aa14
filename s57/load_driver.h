// Loads one S-57 cell file into a dataset, and releases a dataset.
#pragma once

#include <cstdint>

#include "dataset.h"
#include "messages.h"

namespace abys {

// Load statuses besides 0 and the header, tag and order codes (1, 2, 6, 7).
inline constexpr int kCannotOpen = -3;

// Initialises dataset completely (what it held before is given back) and
// loads path into it, writing every message through log and the fraction of
// the file read through progress. Returns 0 when the end of data was reached
// with every field accepted; -3 when the file cannot be opened (nothing is
// written; a directory counts as unopenable); 1 or 2 for a damaged field
// header, 6 for an unknown tag, 7 for a field out of order, 8 for a record
// that cannot be cut up, -2 when memory ran out. After a failure the dataset
// keeps every record assembled before it. exchangePurpose receives the
// DSID's EXPP (1 or 2) or 0.
int loadCell(Dataset& dataset, const char* path, int32_t& exchangePurpose, const LogFn& log,
             const ProgressFn& progress);

// Gives back every record, entry, copy and text the dataset owns and leaves
// every list header empty. The dataset itself stays with its holder.
void releaseDataset(Dataset& dataset);

}  // namespace abys
