#include "exchange_catalogue.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "record_reader.h"

namespace abys {

namespace fs = std::filesystem;

CatalogueFile readCatalogueFile(const fs::path& path) {
  CatalogueFile catalogue;
  DdfReader reader;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(ddfOpen(reader, path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) {
    catalogue.openError = errno != 0 ? errno : ENOENT;
    return catalogue;
  }
  reader.skipFirst = false;
  bool recordHasCatd = false;
  DdfField field;
  int length = 0;
  // The reader gives "****" where a record ends.
  while ((length = ddfNextField(reader, file.get(), field)) > 0) {
    const std::string_view tag(field.tag, static_cast<size_t>(field.tagLength));
    if (tag == "****") {
      if (catalogue.descriptiveRead) {
        ++catalogue.dataRecords;
        catalogue.recordWithoutCatd = catalogue.recordWithoutCatd || !recordHasCatd;
      }
      catalogue.descriptiveRead = true;
      recordHasCatd = false;
      continue;
    }
    if (tag != "CATD") continue;
    const std::string_view data(field.data, static_cast<size_t>(field.dataLength));
    if (!catalogue.descriptiveRead) {
      catalogue.catdDescribed = true;
      catalogue.catd = parseFieldDescription(data);
      continue;
    }
    recordHasCatd = true;
    if (!catalogue.catd) break;
    catalogue.catdFields.emplace_back(data);
  }
  catalogue.damaged = length < 0;
  return catalogue;
}

std::string upperName(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

const FolderIndex::Listing& FolderIndex::listing(const fs::path& folder) {
  auto it = folders_.find(folder);
  if (it != folders_.end()) return it->second;
  Listing& listing = folders_[folder];
  std::error_code error;
  std::vector<fs::path> paths;
  for (fs::directory_iterator d(folder, error), end; !error && d != end; d.increment(error))
    paths.push_back(d->path());
  std::sort(paths.begin(), paths.end());
  for (fs::path& p : paths) {
    std::string name = p.filename().string();
    listing.byUpperName.emplace(upperName(name), std::move(p));
    listing.names.insert(std::move(name));
  }
  return listing;
}

const std::map<std::string, fs::path>& FolderIndex::of(const fs::path& folder) {
  return listing(folder).byUpperName;
}

std::optional<fs::path> FolderIndex::find(const fs::path& folder, std::string_view name) {
  const Listing& entries = listing(folder);
  if (entries.names.contains(name)) return folder / name;
  const auto it = entries.byUpperName.find(upperName(name));
  if (it == entries.byUpperName.end()) return std::nullopt;
  return it->second;
}

CatalogueTarget catalogueTarget(FolderIndex& index, const fs::path& folder, std::string_view file) {
  CatalogueTarget target{folder, true};
  for (size_t start = 0; start <= file.size();) {
    size_t end = file.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = file.size();
    const std::string_view part = file.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    std::optional<fs::path> entry;
    if (target.found && part != "..") entry = index.find(target.path, part);
    if (entry) {
      target.path = std::move(*entry);
    } else {
      target.path /= part;
      target.found = target.found && part == "..";
    }
  }
  return target;
}

uint32_t crc32(std::string_view bytes, uint32_t before) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = before ^ 0xFFFFFFFFu;
  for (const char c : bytes)
    crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace abys
