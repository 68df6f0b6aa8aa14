// Loads one S-57 cell file into a dataset, and releases a dataset.
#pragma once

#include <cstdint>
#include <functional>

#include "dataset.h"
#include "messages.h"
#include "record_assembly.h"

namespace abys {

// Load statuses besides 0 and the header, tag and order codes (1, 2, 6, 7).
inline constexpr int kCannotOpen = -3;

// A record that held a field out of order, read on past it: its name and
// the record as assembled (the feature or the vector record; neither for the
// dataset's own records), valid while the dataset holds it.
struct OrderError {
  RecordId name;
  const FeatureRecord* feature = nullptr;
  const VectorRecord* vector = nullptr;
};
using OrderErrorFn = std::function<void(const OrderError&)>;

// What a load may do beyond stopping at the first error.
struct LoadOptions {
  // A field out of order is taken where it stands and the load goes on: the
  // error is still written ("Error at %d Error Code = %d\n", and the order
  // check's line on standard error), orderError hears of each record that
  // held one once its end is read, and the load still ends with status 7
  // (or the code of a later error that stops it).
  bool readPastOrderErrors = false;
  OrderErrorFn orderError;
};

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
             const ProgressFn& progress, const LoadOptions& options = {});

// Gives back every record, entry, copy and text the dataset owns and leaves
// every list header empty. The dataset itself stays with its holder.
void releaseDataset(Dataset& dataset);

}  // namespace abys
