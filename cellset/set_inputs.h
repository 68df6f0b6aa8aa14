// The cells of a set: files as named, folders (an exchange set's ENC_ROOT or
// any folder of cells) walked for cells in the order their catalogues give,
// each cell with the update files that are applied to it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "point_location.h"

namespace abys {

// A base cell and the update files NAME.001, NAME.002, ... beside it, in
// the order they apply; none when updates were not asked for.
struct SetCell {
  std::string path;
  std::vector<std::string> updates;
  // The box in degrees its catalogue's CATD gives it (SLAT, WLON, NLAT,
  // ELON), when one listed it with all four limits, south not above north
  // and west not east of east.
  std::optional<Box> box = std::nullopt;
};

struct SetInputs {
  std::vector<SetCell> cells;
  bool fromFolder = false;  // some argument was a folder
  bool failed = false;      // a folder held no cell or could not be read
  // What could not be read or was not there, a line each (without a
  // newline), in the order met.
  std::vector<std::string> problems;
};

// Every argument in order: a folder is replaced by its cells, any other
// argument taken as a file as it stands (whatever its extension, whether or
// not it exists). A folder's cells are the *.000 files below it in path
// order, except where a folder holds a CATALOG.031 (the name in any case):
// the files its CATD fields list with IMPL "BIN" come first, in its order,
// then the *.000 files below that folder it does not list. A catalogue
// that cannot be read leaves its folder to the walk; that, a folder that
// cannot be read and one without a cell are each a line of problems.
// withUpdates gives each cell the update files beside it and leaves out
// those a catalogue lists beside their NAME.000: they are applied with it.
SetInputs listInputs(const std::vector<std::string>& arguments, bool withUpdates = false);

}  // namespace abys
