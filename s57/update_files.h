// Update files: NAME.001, NAME.002, ... beside a base cell NAME.000, each
// holding the records that changed since the one before. Applying them in
// order to the loaded base gives the chart as it stands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataset.h"
#include "messages.h"

namespace abys {

// NAME.001 to NAME.999 that exist beside basePath, in number order, when
// basePath names a NAME.000; none for any other path.
std::vector<std::string> updateFilesBeside(const std::string& basePath);

// Why an update file or one of its instructions was refused.
enum class UpdateProblem {
  // A whole file.
  CannotOpen,
  CannotRead,     // the load stopped before the end
  NotAnUpdate,    // its EXPP is not 2
  NoNumbers,      // no edition or update number
  OtherEdition,   // not the cell's edition
  OutOfSequence,  // its update number does not follow the last one applied
  // One record instruction.
  UnknownInstruction,    // RUIN is not insert, delete or modify
  RecordExists,          // an insert of a record the chart holds
  NoSuchRecord,          // a delete or modify of one it does not hold
  VersionOutOfSequence,  // RVER is not the held version plus one
  PointerName,           // a pointer names no kind of vector record
  UnknownControl,        // a control field's instruction is unknown
  NoElement,             // a control field counts no element
  IndexOutside,          // a control field's index is outside the field
  CountRunsPast,         // its count runs past the end of the field
  CountMismatch,         // its count is not the number of elements given
  NoControl,             // pointers or coordinates without their control field
};

// One refusal: the file, and for an instruction its RUIN, the record it
// names and the control field at fault (FFPC, FSPC, VRPC, SGCC), if any.
struct UpdateRefusal {
  std::string file;
  UpdateProblem problem = UpdateProblem::CannotRead;
  uint8_t ruin = 0;
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  std::string field;
};

// What the applied updates did to a feature record.
enum class FeatureChange : uint8_t {
  Inserted,  // an update inserted it (and later ones may have modified it)
  Modified,  // an update modified it, or a vector record its geometry runs through
  Deleted,   // an update deleted it: the record is gone
};

// A feature record the applied updates changed: its name, FOID and class
// (for a deleted one as they were before it went), and the file whose
// instruction made the change given (the insert, the delete, the last
// modification).
struct ChangedFeature {
  FeatureChange change = FeatureChange::Modified;
  uint8_t rcnm = 0;
  uint32_t rcid = 0;
  uint16_t agen = 0;
  uint32_t fidn = 0;
  uint16_t fids = 0;
  uint16_t objl = 0;
  std::string file;  // its name, without the folder
};

struct UpdateReport {
  std::vector<std::string> applied;     // the files applied, in order
  bool cancelled = false;               // an update of edition 0 cancelled the cell
  bool outOfMemory = false;             // memory ran out; the rest was not applied
  std::vector<UpdateRefusal> refusals;  // in order
  // The feature records the applied instructions changed, in the order the
  // instructions first changed them, those changed only through their
  // geometry last; refused instructions change nothing. A record deleted
  // and then inserted again under its name is listed twice, once deleted
  // and once inserted.
  std::vector<ChangedFeature> features;

  // Instructions and files refused.
  int refused() const { return static_cast<int>(refusals.size()); }
};

// How many of features changed so.
int countChanged(const std::vector<ChangedFeature>& features, FeatureChange change);

// Applies files to base (a cell loaded completely by loadCell) in order.
// Each file must be an update of the base's edition whose update number
// follows the last one applied: the first that is not, or that cannot be
// read, stops the sequence there; one of edition 0 cancels the cell (the
// records are left as they were and the report says so). Within a file an
// instruction that cannot apply (an insert of a record that exists, a
// delete or modify of one that does not, a version that is not the held
// one plus one, an index or count outside the field) is refused and leaves
// its record as it was; the file's other instructions still apply. log
// receives one line per file applied, left aside or refused and one per
// instruction refused, naming the file, the record and the reason. A
// feature whose spatial pointers name a node or edge an applied
// instruction inserted or modified, or an edge that names such a
// connected node, is reported modified.
UpdateReport applyUpdateFiles(Dataset& base, const std::vector<std::string>& files,
                              const LogFn& log);

}  // namespace abys
