// The S-58 checks of the exchange set: file names, the catalogue file, text and picture files.
//
// The exchange set of a cell is found from its path: the nearest CATALOG.031
// in the cell's folder or an ancestor, and the nearest ancestor folder named
// ENC_ROOT. The checks of the exchange set (its folders, its catalogue, the
// cell's name, the presence of the files the cell names) run only when one of
// the two is there: a cell given alone, outside any exchange set (a file
// mailed or written by a tool into a scratch folder), has no catalogue, root
// folder or exchange-set name to judge, and reporting their absence on every
// such cell would say nothing about the cell. What the cell says of itself
// (its agency, its dates, the form of the text and picture names it gives)
// is judged wherever it lies.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalogue.h"
#include "catalogue_codes.h"
#include "context.h"
#include "exchange_catalogue.h"
#include "field_description.h"
#include "load_driver.h"

namespace abys::s58 {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kChecks[] = {"531",   "1011",  "1012",  "1013", "1014",
                                        "1015",  "1016",  "1017",  "1023", "1024a",
                                        "1024b", "1518a", "1518b", "1523b"};

constexpr std::string_view kRootName = "ENC_ROOT";
constexpr std::string_view kReadmeName = "README.TXT";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool allOf(std::string_view text, bool (*test)(char)) {
  return std::all_of(text.begin(), text.end(), test);
}

// Upper-case letters, digits and the underscore: the characters of the
// exchange set's file names.
bool isNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_';
}

std::optional<double> numberOf(std::string_view text) {
  text = trimmed(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// ---------------------------------------------------------------------------
// Files and folders.

bool isFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool isFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// The last part of a file a catalogue names: its file name.
std::string_view lastPart(std::string_view file) {
  const size_t slash = file.find_last_of("\\/");
  return slash == std::string_view::npos ? file : file.substr(slash + 1);
}

// The file a catalogue in folder names; none when a part of it is missing.
std::optional<fs::path> resolve(FolderIndex& index, const fs::path& folder, std::string_view file) {
  CatalogueTarget target = catalogueTarget(index, folder, file);
  if (!target.found) return std::nullopt;
  return std::move(target.path);
}

// The CRC-32 of a file's bytes (the IEEE polynomial, reflected, as zip and
// the exchange set's catalogue compute it); none when it cannot be read.
std::optional<uint32_t> fileCrc(const fs::path& path) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) return std::nullopt;
  uint32_t crc = 0;
  std::array<char, 1 << 16> buffer;
  size_t read = 0;
  while ((read = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0)
    crc = crc32(std::string_view(buffer.data(), read), crc);
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return crc;
}

// Whether a file begins as a TIFF file does ("II*\0" or "MM\0*").
bool isTiff(const fs::path& path) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) return false;
  std::array<char, 4> head{};
  if (std::fread(head.data(), 1, head.size(), file.get()) != head.size()) return false;
  const std::string_view bytes(head.data(), head.size());
  return bytes == std::string_view("II*\0", 4) || bytes == std::string_view("MM\0*", 4);
}

// ---------------------------------------------------------------------------
// The catalogue file.

struct Limits {
  double south = 0;
  double west = 0;
  double north = 0;
  double east = 0;
};

// One CATD field: the file it lists and what it says of it.
struct CatalogueEntry {
  std::string file;  // as written, parts separated by '\'
  std::string volume;
  std::string crc;
  std::optional<Limits> limits;  // when all four are numbers
};

struct Catalogue {
  std::vector<CatalogueEntry> entries;
  bool wellFormed = true;
};

constexpr std::array<std::string_view, 12> kCatdSubfields = {
    "RCNM", "RCID", "FILE", "LFIL", "VOLM", "IMPL", "SLAT", "WLON", "NLAT", "ELON", "CRCS", "COMT"};

// Cuts one CATD field into its entry; false when it does not have the form
// the catalogue's description gives it and its subfields ask for. A field
// that ends before its last subfields still gives the ones it holds.
bool readEntry(const std::vector<SubfieldFormat>& catd, const std::array<size_t, 12>& at,
               std::string_view data, CatalogueEntry& entry) {
  std::optional<std::vector<std::string_view>> values = splitSubfields(catd, data);
  bool good = values.has_value();
  std::string padded(data);
  while (!values && padded.size() < data.size() + catd.size()) {
    padded += '\x1f';
    values = splitSubfields(catd, padded);
  }
  if (!values || values->empty()) return false;
  if (good) {
    // Nothing may follow the last subfield: an extra value is a field of
    // another form than the one described.
    const std::string_view last = values->back();
    const size_t used = static_cast<size_t>(last.data() + last.size() - data.data());
    good = used == data.size() || (used + 1 == data.size() && data[used] == 0x1f);
  }
  auto value = [&](size_t i) { return trimmed((*values)[at[i]]); };
  good = good && value(0) == "CD" && !value(1).empty() && allOf(value(1), isDigit) &&
         !value(2).empty();
  const std::string_view impl = value(5);
  good = good && impl.size() == 3 && allOf(impl, isNameCharacter);
  std::array<std::optional<double>, 4> limits;
  for (size_t i = 0; i < 4; ++i) {
    limits[i] = numberOf(value(6 + i));
    if (!value(6 + i).empty() && !limits[i]) good = false;
  }
  entry.file = std::string(value(2));
  entry.volume = std::string(value(4));
  entry.crc = std::string(value(10));
  if (limits[0] && limits[1] && limits[2] && limits[3])
    entry.limits = Limits{*limits[0], *limits[1], *limits[2], *limits[3]};
  return good;
}

// Reads a catalogue with the project's ISO 8211 reader: its descriptive
// record describes CATD, each data record holds one. wellFormed is false
// when the file cannot be read, describes no CATD with the twelve
// subfields, or holds a record without CATD or a CATD of another form.
Catalogue readCatalogue(const fs::path& path) {
  Catalogue catalogue;
  const CatalogueFile file = readCatalogueFile(path);
  std::optional<std::vector<SubfieldFormat>> catd = file.catd;
  std::array<size_t, 12> at{};
  for (size_t i = 0; catd && i < kCatdSubfields.size(); ++i) {
    at[i] = subfieldIndex(*catd, kCatdSubfields[i]);
    if (at[i] == catd->size()) catd.reset();
  }
  catalogue.wellFormed = file.openError == 0 && !file.damaged && catd && file.dataRecords > 0 &&
                         !file.recordWithoutCatd;
  if (!catd) return catalogue;
  for (const std::string& data : file.catdFields) {
    CatalogueEntry entry;
    if (!readEntry(*catd, at, data, entry)) catalogue.wellFormed = false;
    if (!entry.file.empty()) catalogue.entries.push_back(std::move(entry));
  }
  return catalogue;
}

// ---------------------------------------------------------------------------
// The exchange set around a cell.

struct ExchangeSet {
  std::optional<fs::path> root;       // the nearest ancestor named ENC_ROOT
  std::optional<fs::path> catalogue;  // the nearest CATALOG.031 up to the root's parent
};

bool namedRoot(const fs::path& folder) {
  return upperName(folder.filename().string()) == kRootName;
}

// Walks from the cell's folder up: the first CATALOG.031 and the first
// folder named ENC_ROOT; above a root only its parent is looked at (where a
// catalogue put beside the root would lie).
// The cell's own folder is read whole (its names matched without regard to
// case); above it the catalogue is looked for by its two usual spellings,
// without reading folders that may hold many other files.
ExchangeSet exchangeSetOf(FolderIndex& index, const fs::path& cell) {
  ExchangeSet set;
  fs::path folder = fs::absolute(cell).lexically_normal().parent_path();
  for (int above = 0;; ++above) {
    if (!set.catalogue && above == 0) {
      if (std::optional<fs::path> c = index.find(folder, kCatalogueFileName); c && isFile(*c))
        set.catalogue = std::move(c);
    } else if (!set.catalogue) {
      for (const char* name : {"CATALOG.031", "catalog.031"}) {
        if (!set.catalogue && isFile(folder / name)) set.catalogue = folder / name;
      }
    }
    if (set.root) break;
    if (namedRoot(folder)) set.root = folder;
    if (folder == folder.parent_path() || above > 64) break;
    folder = folder.parent_path();
  }
  return set;
}

// ---------------------------------------------------------------------------
// The checks.

struct Run {
  explicit Run(Context& c) : context(c) {}

  Context& context;
  FolderIndex index;
  fs::path cell;     // the cell, as given
  fs::path folder;   // its folder
  std::string name;  // its file name
  ExchangeSet set;
  std::optional<Catalogue> catalogue;
  fs::path catalogueFolder;
};

bool inExchangeSet(const Run& run) {
  return run.set.root || run.set.catalogue;
}

// 1518a: the DSID's agency is one of the producing agencies.
void agencyKnown(Run& run) {
  if (!catalogue::agency(run.context.chart().dsid.agen)) run.context.report("1518a");
}

// 1523b: a base cell (NAME.000) is not issued before its update application
// date.
void issueAfterApplication(Run& run) {
  if (run.cell.extension() != ".000") return;
  const DsidImage& dsid = run.context.chart().dsid;
  const std::string_view isdt(dsid.isdt, sizeof dsid.isdt);
  const std::string_view uadt(dsid.uadt, sizeof dsid.uadt);
  if (!allOf(isdt, isDigit) || !allOf(uadt, isDigit)) return;  // not dates to compare
  if (isdt < uadt) run.context.report("1523b");
}

// 531: CCPXXXXX.EEE, a producer code, a navigational purpose from 1 to 6,
// five characters, and an extension of three digits. 1518b: CC is the
// producer code of the DSID's agency.
void cellName(Run& run) {
  const std::string& name = run.name;
  const size_t dot = name.find('.');
  const std::string_view base = std::string_view(name).substr(0, dot);
  const std::string_view extension =
      dot == std::string::npos ? std::string_view() : std::string_view(name).substr(dot + 1);
  const bool conforms = base.size() == 8 && allOf(base, isNameCharacter) &&
                        catalogue::isProducerCode(base.substr(0, 2)) && base[2] >= '1' &&
                        base[2] <= '6' && extension.size() == 3 && allOf(extension, isDigit);
  if (!conforms) run.context.report("531");
  const std::optional<std::string_view> letters = catalogue::agency(run.context.chart().dsid.agen);
  if (!letters || base.substr(0, 2) != *letters) run.context.report("1518b");
}

// 1014: the exchange set's folders. Its root is a folder named ENC_ROOT
// holding the catalogue; nothing of the set (the catalogue, the README, the
// cell or its updates) lies beside the root instead of in it.
void folders(Run& run) {
  const ExchangeSet& set = run.set;
  bool wrong = false;
  if (!set.root) {
    wrong = true;  // a catalogue whose folder is not a root: the root was renamed
  } else {
    if (set.catalogue && set.catalogue->parent_path() != *set.root) wrong = true;
    const fs::path above = set.root->parent_path();
    const std::string stem = upperName(run.cell.stem().string()) + ".";
    for (const auto& [upperName, path] : run.index.of(above)) {
      if (!isFile(path)) continue;
      const bool ofTheSet = upperName == kCatalogueFileName || upperName == kReadmeName ||
                            (upperName.starts_with(stem) && upperName.size() == stem.size() + 3 &&
                             allOf(std::string_view(upperName).substr(stem.size()), isDigit));
      if (ofTheSet) wrong = true;
    }
  }
  if (wrong) run.context.report("1014");
}

// 1014 for a cell outside any exchange set that lies beside one: a folder
// named ENC_ROOT next to it says the cell was meant to be inside.
void besideARoot(Run& run) {
  for (const auto& [upperName, path] : run.index.of(run.folder)) {
    if (upperName == kRootName && isFolder(path)) {
      run.context.report("1014");
      return;
    }
  }
}

// V, two digits, X, two digits: volume n of m, n from 1 to m.
bool volumeConforms(std::string_view volume) {
  if (volume.size() != 6 || volume[0] != 'V' || volume[3] != 'X') return false;
  if (!allOf(volume.substr(1, 2), isDigit) || !allOf(volume.substr(4, 2), isDigit)) return false;
  const int number = (volume[1] - '0') * 10 + (volume[2] - '0');
  const int count = (volume[4] - '0') * 10 + (volume[5] - '0');
  return number >= 1 && number <= count;
}

// Whether a CRCS value is the CRC of the file: up to eight hexadecimal
// digits, read as a number.
bool crcMatches(std::string_view stated, uint32_t crc) {
  if (stated.empty() || stated.size() > 8) return false;
  uint32_t value = 0;
  const auto [end, error] =
      std::from_chars(stated.data(), stated.data() + stated.size(), value, 16);
  return error == std::errc() && end == stated.data() + stated.size() && value == crc;
}

// The extent of the M_COVR objects of a dataset (those of no coverage
// included: together they are the cell's extent, which the catalogue's
// limits give), from the coordinates of their spatial records.
template <typename Lookup>
std::optional<Limits> coverageExtent(const Dataset& dataset, const Lookup& vectorOf) {
  std::optional<Limits> extent;
  auto add = [&](const VectorRecord* v) {
    if (v == nullptr) return;
    for (const Coordinate c : v->coordinates) {
      if (!extent) extent = Limits{c.y, c.x, c.y, c.x};
      extent->south = std::min(extent->south, c.y);
      extent->north = std::max(extent->north, c.y);
      extent->west = std::min(extent->west, c.x);
      extent->east = std::max(extent->east, c.x);
    }
  };
  for (const FeatureRecord* f : dataset.features) {
    if (f->objl != catalogue::kMCovr) continue;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      const VectorRecord* v = vectorOf(p->rcnm, p->rcid);
      add(v);
      if (v == nullptr || v->rcnm != kRcnmEdge) continue;
      for (const VectorPointerEntry* n : v->pointers)
        add(vectorOf(n->rcnm, n->rcid));
    }
  }
  return extent;
}

// Limits in degrees of seven decimals agree when they differ by no more than
// the last decimal's rounding.
bool sameLimits(const Limits& a, const Limits& b) {
  constexpr double kTolerance = 1.5e-7;
  return std::abs(a.south - b.south) <= kTolerance && std::abs(a.west - b.west) <= kTolerance &&
         std::abs(a.north - b.north) <= kTolerance && std::abs(a.east - b.east) <= kTolerance;
}

// The coverage extent of the base cell alone, loaded again without its
// updates; none when it cannot be loaded.
std::optional<Limits> baseExtent(const fs::path& cell) {
  Dataset base;
  int32_t exchangePurpose = 0;
  if (loadCell(base, cell.c_str(), exchangePurpose, {}, {}) != 0) return std::nullopt;
  std::unordered_map<uint64_t, const VectorRecord*> vectors;
  for (const List<VectorRecord>* list : {&base.isolatedNodes, &base.connectedNodes, &base.edges}) {
    for (const VectorRecord* v : *list)
      vectors.emplace(nameKey(v->rcnm, v->rcid), v);
  }
  std::optional<Limits> extent =
      coverageExtent(base, [&](uint8_t rcnm, uint32_t rcid) -> const VectorRecord* {
        auto it = vectors.find(nameKey(rcnm, rcid));
        return it != vectors.end() ? it->second : nullptr;
      });
  releaseDataset(base);
  return extent;
}

// The catalogue's entries of the cell and its updates, each with its file.
struct CellEntry {
  const CatalogueEntry* entry;
  fs::path path;
  bool base;
};

std::vector<CellEntry> cellEntries(Run& run) {
  std::vector<CellEntry> found;
  const std::string stem = upperName(run.cell.stem().string());
  const fs::path folder = fs::absolute(run.folder).lexically_normal();
  for (const CatalogueEntry& e : run.catalogue->entries) {
    // Only entries of the cell's name are looked for on disk: a catalogue of
    // many cells in many folders is not read folder by folder for each.
    if (!upperName(lastPart(e.file)).starts_with(stem + ".")) continue;
    const std::optional<fs::path> path = resolve(run.index, run.catalogueFolder, e.file);
    if (!path || path->parent_path().lexically_normal() != folder) continue;
    if (upperName(path->stem().string()) != stem) continue;
    const std::string extension = upperName(path->extension().string());
    if (extension.size() != 4 || !allOf(std::string_view(extension).substr(1), isDigit)) continue;
    found.push_back({&e, *path, extension == ".000"});
  }
  return found;
}

// 1013: the volume of every entry of the cell and its updates.
void volumeNames(Run& run, const std::vector<CellEntry>& entries) {
  const bool good = std::all_of(entries.begin(), entries.end(),
                                [](const CellEntry& e) { return volumeConforms(e.entry->volume); });
  if (!good) run.context.report("1013");
}

// 1016: the CRC of each file of the cell and its updates that is there (the
// text and picture files it names: see namedFileCrcs).
void crcs(Run& run, const std::vector<CellEntry>& entries) {
  for (const CellEntry& e : entries) {
    if (const std::optional<uint32_t> crc = fileCrc(e.path); crc && !crcMatches(e.entry->crc, *crc))
      run.context.report("1016");
  }
}

// 1024a: the base's limits are the extent of its M_COVR objects. 1024b: an
// update's limits are its base's, and the updates leave that extent as it
// was.
void limits(Run& run, const std::vector<CellEntry>& entries) {
  Context& context = run.context;
  const auto base = std::find_if(entries.begin(), entries.end(),
                                 [](const CellEntry& e) { return e.base && e.entry->limits; });
  if (base == entries.end()) return;
  const Limits& listed = *base->entry->limits;
  for (const CellEntry& e : entries) {
    if (!e.base && e.entry->limits && !sameLimits(*e.entry->limits, listed))
      context.report("1024b");
  }
  const std::optional<Limits> now = coverageExtent(
      context.chart(), [&](uint8_t rcnm, uint32_t rcid) { return context.vector(rcnm, rcid); });
  if (!now || sameLimits(*now, listed)) return;
  // The coverage differs from the catalogue's limits: the base's own, or
  // one the updates made; the base alone tells which.
  const UpdateReport* updates = context.input().updates;
  if (updates == nullptr || updates->applied.empty()) {
    context.report("1024a");
    return;
  }
  const std::optional<Limits> before = baseExtent(run.cell);
  if (before && !sameLimits(*before, listed)) context.report("1024a");
  if (before && !sameLimits(*before, *now)) context.report("1024b");
}

// 1017 over the whole catalogue; the others over its entries of the cell
// and its updates.
void catalogueChecks(Run& run) {
  if (!run.catalogue->wellFormed) run.context.report("1017");
  const std::vector<CellEntry> entries = cellEntries(run);
  volumeNames(run, entries);
  crcs(run, entries);
  limits(run, entries);
}

// The text and picture files a feature names: TXTDSC and NTXTDS name text
// files, PICREP picture files.
struct NamedFile {
  std::string name;
  bool picture;
};

std::string valueText(const AttributeEntry& a, bool national, uint8_t nall) {
  const std::string_view raw(a.atvl, static_cast<size_t>(a.atvlLength));
  if (!national || nall != 2) return std::string(trimmed(raw));
  std::string text;  // UCS-2, little-endian: the characters of the name are ASCII
  for (size_t i = 0; i + 1 < raw.size(); i += 2) {
    if (raw[i + 1] == 0 && raw[i] != 0) text += raw[i];
  }
  return std::string(trimmed(text));
}

std::vector<NamedFile> filesOf(const FeatureRecord& feature, uint8_t nall) {
  static const catalogue::Attribute* txtdsc = catalogue::attribute("TXTDSC");
  static const catalogue::Attribute* ntxtds = catalogue::attribute("NTXTDS");
  static const catalogue::Attribute* picrep = catalogue::attribute("PICREP");
  std::vector<NamedFile> files;
  auto scan = [&](const Entries<AttributeEntry>& attributes, bool national) {
    for (const AttributeEntry* a : attributes) {
      const bool text = (txtdsc != nullptr && a->attl == txtdsc->code) ||
                        (ntxtds != nullptr && a->attl == ntxtds->code);
      const bool picture = picrep != nullptr && a->attl == picrep->code;
      if (!text && !picture) continue;
      std::string name = valueText(*a, national, nall);
      if (!name.empty()) files.push_back({std::move(name), picture});
    }
  };
  scan(feature.attributes, false);
  scan(feature.nationalAttributes(), true);
  return files;
}

// The files the catalogue lists, by their upper-case names (the FILE
// subfields naming each).
using FilesByName = std::map<std::string, std::vector<std::string_view>>;

FilesByName filesOfTheSet(Run& run) {
  FilesByName files;
  if (run.catalogue) {
    for (const CatalogueEntry& e : run.catalogue->entries)
      files[upperName(lastPart(e.file))].push_back(e.file);
  }
  return files;
}

// 1016 for the text and picture files the cell names: the CRC of each the
// catalogue lists and that is there.
void namedFileCrcs(Run& run) {
  std::set<std::string> named;
  for (const FeatureRecord* f : run.context.chart().features) {
    for (NamedFile& file : filesOf(*f, run.context.chart().dssi.nall))
      named.insert(upperName(file.name));
  }
  if (named.empty()) return;
  for (const CatalogueEntry& e : run.catalogue->entries) {
    if (!named.contains(upperName(lastPart(e.file)))) continue;
    const std::optional<fs::path> path = resolve(run.index, run.catalogueFolder, e.file);
    if (!path || !isFile(*path)) continue;
    if (const std::optional<uint32_t> crc = fileCrc(*path); crc && !crcMatches(e.crc, *crc))
      run.context.report("1016");
  }
}

// 1011: the name is CCXXXXXX.EEE (a producer code, six characters, an
// extension of three) and, in an exchange set, the file is there. 1015: it
// has an extension, TXT for a text file, and the catalogue lists one file of
// its name. 1023: a picture file is a TIFF, by its extension and its bytes.
void textAndPictureFiles(Run& run) {
  Context& context = run.context;
  const bool exchange = inExchangeSet(run);
  std::optional<FilesByName> listed;
  for (const FeatureRecord* f : context.chart().features) {
    const std::vector<NamedFile> files = filesOf(*f, context.chart().dssi.nall);
    if (files.empty()) continue;
    if (exchange && !listed) listed = filesOfTheSet(run);
    bool absentOrMisnamed = false;
    bool badExtension = false;
    bool notTiff = false;
    for (const NamedFile& file : files) {
      const std::string& name = file.name;
      const size_t dot = name.find('.');
      const std::string_view base = std::string_view(name).substr(0, dot);
      const std::string_view extension =
          dot == std::string::npos ? std::string_view() : std::string_view(name).substr(dot + 1);
      const bool conforms = base.size() == 8 && allOf(base, isNameCharacter) &&
                            catalogue::isProducerCode(base.substr(0, 2)) && extension.size() == 3 &&
                            allOf(extension, isNameCharacter);
      if (!conforms) absentOrMisnamed = true;
      if (dot == std::string::npos || (!file.picture && upperName(extension) != "TXT"))
        badExtension = true;
      if (file.picture && upperName(extension) != "TIF") notTiff = true;
      if (!exchange) continue;
      // Where the file is: beside the cell, or where the catalogue says.
      std::optional<fs::path> at = run.index.find(run.folder, name);
      if (at && !isFile(*at)) at.reset();
      const auto it = listed->find(upperName(name));
      if (!at && it != listed->end()) {
        for (const std::string_view listedAs : it->second) {
          std::optional<fs::path> p = resolve(run.index, run.catalogueFolder, listedAs);
          if (p && isFile(*p)) at = std::move(p);
        }
      }
      if (!at) absentOrMisnamed = true;
      if (it != listed->end() && it->second.size() > 1) badExtension = true;
      if (at && file.picture && !isTiff(*at)) notTiff = true;
    }
    if (absentOrMisnamed) context.report("1011", f);
    if (badExtension) context.report("1015", f);
    if (notTiff) context.report("1023", f);
  }
}

void run(Context& context) {
  Run run(context);
  run.cell = fs::path(context.input().path);
  run.folder = run.cell.parent_path().empty() ? fs::path(".") : run.cell.parent_path();
  run.name = run.cell.filename().string();
  agencyKnown(run);
  issueAfterApplication(run);
  run.set = exchangeSetOf(run.index, run.cell);
  if (!inExchangeSet(run)) {
    besideARoot(run);
    textAndPictureFiles(run);
    return;
  }
  cellName(run);
  folders(run);
  if (!run.set.catalogue) {
    context.report("1012");
  } else {
    run.catalogue = readCatalogue(*run.set.catalogue);
    run.catalogueFolder = run.set.catalogue->parent_path();
    catalogueChecks(run);
    namedFileCrcs(run);
  }
  textAndPictureFiles(run);
}

}  // namespace

Group exchangeChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
