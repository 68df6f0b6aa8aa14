// An exchange set's catalogue file (CATALOG.031) as the ISO 8211 reader
// gives it, and the files it names found in the set's folders. What a
// catalogue's entries mean is left to the caller: abys-check orders the
// cells of a folder by it, the S-58 exchange-set checks judge it.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "field_description.h"

namespace abys {

inline constexpr std::string_view kCatalogueFileName = "CATALOG.031";

// A catalogue read field by field: the description of CATD from the
// descriptive record, and the data of every CATD field of the data
// records. Reading stops at a record that cannot be read, and at the first
// CATD of a data record when CATD has no description that parses.
struct CatalogueFile {
  int openError = 0;                                // errno when the file could not be opened
  bool damaged = false;                             // a record could not be read
  bool descriptiveRead = false;                     // the descriptive record was read to its end
  size_t dataRecords = 0;                           // data records read to their end
  bool recordWithoutCatd = false;                   // one of those holds no CATD
  bool catdDescribed = false;                       // the descriptive record has a CATD field
  std::optional<std::vector<SubfieldFormat>> catd;  // that description, when it parses
  std::vector<std::string> catdFields;              // in order, field terminators dropped
};
CatalogueFile readCatalogueFile(const std::filesystem::path& path);

// The entries of folders, each folder read once: a name is the entry of
// that name when the folder holds one, else the first in path order that
// matches it without regard to case.
class FolderIndex {
 public:
  // A folder's entries by their upper-case names (the first in path order
  // where two differ only in case).
  const std::map<std::string, std::filesystem::path>& of(const std::filesystem::path& folder);
  std::optional<std::filesystem::path> find(const std::filesystem::path& folder,
                                            std::string_view name);

 private:
  struct Listing {
    std::map<std::string, std::filesystem::path> byUpperName;
    std::set<std::string, std::less<>> names;
  };
  const Listing& listing(const std::filesystem::path& folder);
  std::map<std::filesystem::path, Listing> folders_;
};

// The file a catalogue in folder names, its parts separated by '\' (or
// '/'), each part found with index. When a part is not there, found is
// false and path holds it and the parts after it as written.
struct CatalogueTarget {
  std::filesystem::path path;
  bool found = true;
};
CatalogueTarget catalogueTarget(FolderIndex& index, const std::filesystem::path& folder,
                                std::string_view file);

// Upper case of the ASCII letters, as catalogues and file systems that
// ignore case compare names.
std::string upperName(std::string_view text);

// The CRC-32 a catalogue's CRCS gives for a file: the IEEE polynomial,
// reflected, as zip computes it. Given the CRC of the bytes before, it
// goes on from there: crc32(b, crc32(a)) is the CRC of a then b.
uint32_t crc32(std::string_view bytes, uint32_t before = 0);

}  // namespace abys
