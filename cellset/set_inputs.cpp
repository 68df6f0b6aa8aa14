#include "set_inputs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "exchange_catalogue.h"
#include "field_description.h"
#include "messages.h"
#include "update_files.h"

namespace abys {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCellExtension = ".000";

// A file a catalogue lists, with the box its CATD gives it.
struct ListedFile {
  std::string name;
  std::optional<Box> box;
};

// The box of a CATD field's SLAT, WLON, NLAT and ELON when all four are
// numbers and make a box.
std::optional<Box> catdBox(const std::vector<SubfieldFormat>& catd,
                           const std::vector<std::string_view>& values) {
  double limits[4] = {};
  const char* names[4] = {"SLAT", "WLON", "NLAT", "ELON"};
  for (int i = 0; i < 4; ++i) {
    const size_t at = subfieldIndex(catd, names[i]);
    if (at >= values.size()) return std::nullopt;
    // Read with a decimal point whatever the locale.
    std::string_view text = trimmed(values[at]);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const std::from_chars_result read =
        std::from_chars(text.data(), text.data() + text.size(), limits[i]);
    if (text.empty() || read.ec != std::errc() || read.ptr != text.data() + text.size() ||
        !std::isfinite(limits[i]))
      return std::nullopt;
  }
  const Box box{limits[1], limits[0], limits[3], limits[2]};  // west, south, east, north
  if (box.south > box.north || box.west > box.east) return std::nullopt;
  return box;
}

// The FILE subfield of each CATD field with IMPL "BIN" (the cells and their
// updates), in order, with its box; nothing when the catalogue cannot be
// opened or read as one, with the reason in why. The descriptive record's
// CATD description says where the subfields lie.
std::optional<std::vector<ListedFile>> catalogueFiles(const fs::path& path, std::string& why) {
  const CatalogueFile catalogue = readCatalogueFile(path);
  if (catalogue.openError != 0) {
    why = std::strerror(catalogue.openError);
    return std::nullopt;
  }
  const size_t fileAt = catalogue.catd ? subfieldIndex(*catalogue.catd, "FILE") : 0;
  const size_t implAt = catalogue.catd ? subfieldIndex(*catalogue.catd, "IMPL") : 0;
  if (catalogue.catdDescribed &&
      (!catalogue.catd || fileAt == catalogue.catd->size() || implAt == catalogue.catd->size())) {
    why = "its description of CATD gives no FILE and IMPL subfields";
    return std::nullopt;
  }
  std::vector<ListedFile> files;
  for (const std::string& data : catalogue.catdFields) {
    const std::optional<std::vector<std::string_view>> values =
        splitSubfields(*catalogue.catd, data);
    if (!values) {
      why = "a CATD field ends before its last subfield";
      return std::nullopt;
    }
    const std::string_view name = trimmed((*values)[fileAt]);
    if (trimmed((*values)[implAt]) == "BIN" && !name.empty())
      files.push_back({std::string(name), catdBox(*catalogue.catd, *values)});
  }
  if (catalogue.damaged) {
    why = "a record is damaged";
  } else if (!catalogue.descriptiveRead) {
    why = "it holds no record";
  } else if (!catalogue.catd) {
    why = "it does not describe CATD";
  } else {
    return files;
  }
  return std::nullopt;
}

// Whether path names an update file NAME.001 to NAME.999 with its NAME.000
// beside it.
bool isUpdateBesideItsCell(const fs::path& path) {
  const std::string extension = path.extension().string();
  if (extension.size() != 4 || extension == kCellExtension) return false;
  if (extension.find_first_not_of("0123456789", 1) != std::string::npos) return false;
  fs::path cell = path;
  cell.replace_extension(kCellExtension);
  std::error_code error;
  return fs::is_regular_file(cell, error);
}

// The files catalogue lists first, then the walked ones it does not list;
// without the update files that are applied with their cells.
std::vector<fs::path> withCatalogue(const fs::path& folder, const fs::path& catalogue,
                                    const std::vector<fs::path>& walked, bool withUpdates,
                                    std::vector<std::string>& problems,
                                    std::map<fs::path, Box>& boxes) {
  std::string why;
  const std::optional<std::vector<ListedFile>> listed = catalogueFiles(catalogue, why);
  if (!listed) {
    problems.push_back(formatMessage("cannot read %s: %s; taking the cells below it in path order",
                                     catalogue.c_str(), why.c_str()));
    return walked;
  }
  std::vector<fs::path> cells;
  std::set<fs::path> taken;
  FolderIndex index;
  for (const ListedFile& file : *listed) {
    fs::path path = catalogueTarget(index, folder, file.name).path;
    if (file.box) boxes.emplace(path.lexically_normal(), *file.box);
    if (withUpdates && isUpdateBesideItsCell(path)) continue;
    if (taken.insert(path.lexically_normal()).second) cells.push_back(std::move(path));
  }
  for (const fs::path& path : walked) {
    if (taken.insert(path.lexically_normal()).second) cells.push_back(path);
  }
  return cells;
}

// Appends the cells below folder to cells; failed is set, and a line added
// to problems, when a folder cannot be read. Folders reached through a symbolic link are not
// entered, so no link can make the walk go round.
void walk(const fs::path& folder, std::vector<fs::path>& cells, bool& failed, bool withUpdates,
          std::vector<std::string>& problems, std::map<fs::path, Box>& boxes) {
  std::error_code error;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    entries.push_back(it->path());
  }
  if (error) {
    problems.push_back(
        formatMessage("cannot read folder %s: %s", folder.c_str(), error.message().c_str()));
    failed = true;
  }
  std::sort(entries.begin(), entries.end());
  std::vector<fs::path> here;
  std::optional<fs::path> catalogue;
  for (const fs::path& entry : entries) {
    const fs::file_status status = fs::status(entry, error);
    if (fs::is_directory(status)) {
      if (!fs::is_symlink(fs::symlink_status(entry, error))) {
        walk(entry, here, failed, withUpdates, problems, boxes);
      }
    } else if (fs::is_regular_file(status)) {
      if (entry.extension() == kCellExtension) {
        here.push_back(entry);
      } else if (!catalogue && upperName(entry.filename().string()) == kCatalogueFileName) {
        catalogue = entry;
      }
    }
  }
  if (catalogue) here = withCatalogue(folder, *catalogue, here, withUpdates, problems, boxes);
  cells.insert(cells.end(), here.begin(), here.end());
}

}  // namespace

SetInputs listInputs(const std::vector<std::string>& arguments, bool withUpdates) {
  SetInputs inputs;
  const auto add = [&](std::string path) {
    std::vector<std::string> updates =
        withUpdates ? updateFilesBeside(path) : std::vector<std::string>();
    inputs.cells.push_back({std::move(path), std::move(updates)});
  };
  for (const std::string& argument : arguments) {
    std::error_code error;
    if (!fs::is_directory(argument, error)) {
      add(argument);
      continue;
    }
    inputs.fromFolder = true;
    std::vector<fs::path> cells;
    std::map<fs::path, Box> boxes;
    bool failed = false;
    walk(argument, cells, failed, withUpdates, inputs.problems, boxes);
    if (cells.empty() && !failed) {
      inputs.problems.push_back(formatMessage("no cell (*.000) in folder %s", argument.c_str()));
      failed = true;
    }
    inputs.failed = inputs.failed || failed;
    for (const fs::path& cell : cells) {
      add(cell.string());
      const auto box = boxes.find(cell.lexically_normal());
      if (box != boxes.end()) inputs.cells.back().box = box->second;
    }
  }
  return inputs;
}

}  // namespace abys
