// The files abys-check takes from its arguments: files as named, folders
// walked for cells in the order their exchange-set catalogues give.
#pragma once

#include <string>
#include <vector>

namespace abys {

struct CheckInputs {
  std::vector<std::string> files;
  bool fromFolder = false;  // some argument was a folder
  bool failed = false;      // a folder held no cell or could not be read
};

// Every argument in order: a folder is replaced by its cells, any other
// argument taken as a file as it stands (whatever its extension, whether or
// not it exists). A folder's cells are the *.000 files below it in path
// order, except where a folder holds a CATALOG.031: the files its CATD
// fields list with IMPL "BIN" come first, in its order, then the *.000
// files below that folder it does not list. A catalogue that cannot be read
// leaves its folder to the walk; that, a folder that cannot be read and one
// without a cell are each said in a line on standard error. withUpdates
// leaves out the update files a catalogue lists beside their NAME.000: they
// are applied with it.
CheckInputs listInputs(const std::vector<std::string>& arguments, bool withUpdates = false);

}  // namespace abys
