// abys-mkcell: writes an S-57 cell of synthetic bathymetry, an exchange set
// of such cells (--exchange-set), or a hostile cell for measuring the
// validator (--hostile); see --help; --version prints the version.
//
// Exit status 0 when the cell or set was written, 1 when it could not be, 2
// on a usage error.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "cell_writer.h"
#include "exchange_set.h"
#include "hostile_cell.h"
#include "synthetic_cell.h"

namespace {

using abys::mkcell::Options;

constexpr const char* kUsage = R"(usage: abys-mkcell [OPTIONS] OUT.000
       abys-mkcell [OPTIONS] --exchange-set DIR [--cells N]

Writes an S-57 cell of synthetic bathymetry: a seabed of basins and shoals on
a regional slope, its depth contours as depth lines (30011, VALDCO), the
basins' and shoals' Japanese names (30012), harbour and anchorage names
(30014) and the M_COVR coverage of the chart. The same options write the
same bytes.

With --standard the seabed, its shallowest eighth raised above 0 m as land,
is written in standard object classes instead: depth contours (DEPCNT,
VALDCO) and the coastline (COALNE), depth areas between them (DEPARE, DRVAL1
to DRVAL2; the deepest from the last level to the deepest depth) and land
(LNDARE) on the same edges, clusters of soundings (SOUNDG), and M_COVR,
M_NSYS and M_QUAL on the border's edges.

With --exchange-set DIR, N such cells of one seabed are written as an
exchange set: DIR/ENC_ROOT holds CATALOG.031, which lists every file with
its CRC (and the limits of the cells and their update files), README.TXT,
and a folder per cell with the cell and its update files. The coastal cell
AA3ABY00 (DSPM CSCL 180000) covers the seabed; approach cells AA4ABYa0
(45000) each cover tile a of its 3 x 3 tiles, numbered 1 to 9 from the
south-west along rows; harbour cells AA5ABYah (12000) each cover tile h of
the 3 x 3 tiles of approach cell a. A set of N has min(9, ceil((N - 1) / 3))
approach cells and the rest harbour cells, the tiles with most coast first.
Every cell has the grid of --grid, so each band is three times finer than
the one above; where cells overlap they show the same depths, with depth
contours at every fourth (coastal), second (approach) or every level, and
denser soundings in the finer bands. The cells in places 2 and 3 of every
three in the catalogue have one and two update files (see --updates). The
seabed options and --edge-coordinates apply to the set.

Options:
  --seed N                seabed and names (default 1)
  --levels N              depth lines at N depths, 1 to 1000 (default 20)
  --interval M            metres between those depths (default 5)
  --grid N                seabed grid of N x N vertices, 8 to 8193 (default 300)
  --vertices N            instead of --grid: the grid for depth lines of about
                          N vertices in all; millions need more --levels and
                          --relief (e.g. --levels 50 --relief 500 --vertices
                          1000000)
  --relief N              basins and shoals, 1 to 10000 (default 6)
  --places N              harbour and anchorage names, 0 to 1000 (default 4)
  --origin LON,LAT        south-west corner in degrees (default 139.7,35.4)
  --span DEG              width in degrees of longitude; the height makes the
                          chart square on the ground (default 0.25; with
                          --exchange-set the coastal cell's, default 0.5)
  --edge-coordinates N    most coordinates of one edge, 2 to 32000 (default
                          10000); longer depth lines are split at nodes; an
                          edge of more than about 12000 is written as a long
                          record (length 0 in its leader, as real cells have)
  --standard              standard object classes (see above); --places is
                          not used
  --soundings N           with --standard: N sounding points scattered over
                          the water, 500 to a SOUNDG, instead of six clusters
                          of up to eight
  --aids N                with --standard: N point aids to navigation, lights
                          and hazards (lights of each colour and a sector
                          light, lateral, cardinal, isolated danger, safe
                          water and special buoys and beacons, topmarks,
                          obstructions, wrecks and rocks), each at a clear
                          point in the water
  --updates N             with --standard: N update files OUT.001 ... beside
                          OUT.000 (its name must end in .000), 0 to 99; in
                          turn they insert a dangerous wreck (WRECKS) on a
                          node of its own, give it another VALSOU, and delete
                          it and its node
  --exchange-set DIR      an exchange set of standard cells in DIR/ENC_ROOT
                          (see above), which must be empty or absent; no
                          OUT.000
  --cells N               the exchange set's cells, 1 to 91 (default 7: one
                          coastal, two approach and four harbour cells)
  --defect CHECK          with --standard: plant the depth defect that S-58
                          check CHECK finds (43, 44a, 44b, 74, 75, 77, 103,
                          1768a, 1768b, 1769); may be repeated. A contour
                          floating in a depth area (74) is off the areas'
                          edges too (43)
  --hostile KIND          instead of bathymetry, a hostile cell of at most
                          2,000,000 bytes that loads to its end, built to make
                          one check work hard (kinds below); takes no other
                          option but --count
  --count N               the hostile cell's units (what they are is given
                          below); default as many as fit in 2,000,000 bytes
  -h, --help              this text
)";

constexpr const char* kUsageEnd = R"(
Prints what it wrote on one line, of an exchange set one line per cell and
one for the set. Exit status 0 when the cell or set was written, 1 when it
could not be, 2 on a usage error.
)";

struct UsageError {
  std::string message;
};

template <typename Number>
Number parseNumber(std::string_view option, std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    throw UsageError{std::string(option) + ": not a number: " + std::string(text)};
  }
  return value;
}

struct Request {
  Options options;
  long long vertices = 0;  // 0: the grid as given
  bool gridGiven = false;
  std::string path;
  const abys::mkcell::HostileKind* hostile = nullptr;
  int64_t count = 0;  // 0: as many as fit
  bool countGiven = false;
  bool bathymetryOptionGiven = false;
  bool spanGiven = false;
  std::string exchangeSet;  // the folder of the exchange set, when one is asked for
  int cells = 7;
  bool cellsGiven = false;
  bool help = false;
  bool version = false;
};

Request parseArguments(int argc, char** argv) {
  Request request;
  Options& o = request.options;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      request.help = true;
      continue;
    }
    if (arg == "--version") {
      request.version = true;
      continue;
    }
    if (arg == "--standard") {
      o.standard = true;
      request.bathymetryOptionGiven = true;
      continue;
    }
    if (arg.size() < 2 || arg.substr(0, 2) != "--") {
      if (!request.path.empty()) throw UsageError{"more than one output file"};
      request.path = arg;
      continue;
    }
    // --name VALUE or --name=VALUE.
    std::string_view name = arg;
    std::string_view value;
    if (const size_t equals = arg.find('='); equals != std::string_view::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    } else {
      if (i + 1 >= argc) throw UsageError{std::string(name) + " needs a value"};
      value = argv[++i];
    }
    if (name == "--hostile") {
      request.hostile = abys::mkcell::hostileKind(value);
      if (request.hostile == nullptr) {
        throw UsageError{"unknown hostile kind " + std::string(value) + " (--help lists them)"};
      }
      continue;
    }
    if (name == "--count") {
      request.count = parseNumber<int64_t>(name, value);
      request.countGiven = true;
      continue;
    }
    if (name == "--exchange-set") {
      if (value.empty()) throw UsageError{"--exchange-set needs a folder"};
      request.exchangeSet = value;
      continue;
    }
    if (name == "--cells") {
      request.cells = parseNumber<int>(name, value);
      request.cellsGiven = true;
      continue;
    }
    request.bathymetryOptionGiven = true;
    if (name == "--seed") {
      o.seed = parseNumber<uint32_t>(name, value);
    } else if (name == "--levels") {
      o.levels = parseNumber<int>(name, value);
    } else if (name == "--interval") {
      o.interval = parseNumber<double>(name, value);
    } else if (name == "--grid") {
      o.grid = parseNumber<int>(name, value);
      request.gridGiven = true;
    } else if (name == "--vertices") {
      request.vertices = parseNumber<long long>(name, value);
      if (request.vertices < 1) throw UsageError{"--vertices must be positive"};
    } else if (name == "--relief") {
      o.relief = parseNumber<int>(name, value);
    } else if (name == "--places") {
      o.places = parseNumber<int>(name, value);
    } else if (name == "--origin") {
      const size_t comma = value.find(',');
      if (comma == std::string_view::npos) throw UsageError{"--origin takes LON,LAT"};
      o.west = parseNumber<double>(name, value.substr(0, comma));
      o.south = parseNumber<double>(name, value.substr(comma + 1));
    } else if (name == "--span") {
      o.span = parseNumber<double>(name, value);
      request.spanGiven = true;
    } else if (name == "--aids") {
      o.aids = parseNumber<int64_t>(name, value);
      if (o.aids < 1) throw UsageError{"--aids must be positive"};
    } else if (name == "--soundings") {
      o.soundings = parseNumber<int64_t>(name, value);
      if (o.soundings < 1) throw UsageError{"--soundings must be positive"};
    } else if (name == "--updates") {
      o.updates = parseNumber<int>(name, value);
    } else if (name == "--defect") {
      o.defects.emplace_back(value);
    } else if (name == "--edge-coordinates") {
      o.maxEdgeCoordinates = parseNumber<int>(name, value);
    } else {
      throw UsageError{"unknown option " + std::string(name)};
    }
  }
  if (request.help || request.version) return request;
  if (request.cellsGiven && request.exchangeSet.empty()) {
    throw UsageError{"--cells needs --exchange-set"};
  }
  if (!request.exchangeSet.empty()) {
    if (!request.path.empty()) throw UsageError{"--exchange-set writes its own files, not OUT.000"};
    if (request.hostile != nullptr || request.countGiven) {
      throw UsageError{"--exchange-set writes no hostile cell"};
    }
    if (request.vertices > 0) throw UsageError{"--exchange-set takes --grid, not --vertices"};
    if (!request.spanGiven) o.span = 0.5;
    if (const std::string fault = abys::mkcell::checkSetOptions(o, request.cells); !fault.empty()) {
      throw UsageError{fault};
    }
    return request;
  }
  if (request.path.empty()) throw UsageError{"no output file"};
  if (request.hostile != nullptr) {
    if (request.bathymetryOptionGiven) throw UsageError{"--hostile takes no option but --count"};
    const abys::mkcell::HostileKind& kind = *request.hostile;
    if (request.countGiven && (request.count < kind.minCount || request.count > kind.maxCount())) {
      throw UsageError{"--count for " + std::string(kind.name) + " is " +
                       std::to_string(kind.minCount) + " to " + std::to_string(kind.maxCount())};
    }
    return request;
  }
  if (request.countGiven) throw UsageError{"--count needs --hostile"};
  if (request.vertices > 0 && request.gridGiven) throw UsageError{"--grid or --vertices, not both"};
  o.name = std::filesystem::path(request.path).filename().string();
  if (o.updates > 0 && std::filesystem::path(request.path).extension() != ".000") {
    throw UsageError{"--updates needs OUT.000, beside which OUT.001 ... are written"};
  }
  if (const std::string fault = abys::mkcell::checkOptions(o); !fault.empty()) {
    throw UsageError{fault};
  }
  if (request.vertices > 0) {
    const int64_t grid = abys::mkcell::gridForVertices(o, request.vertices);
    if (grid > abys::mkcell::kMaxGrid) {
      throw UsageError{"--vertices " + std::to_string(request.vertices) + " needs a grid of " +
                       std::to_string(grid) + "; raise --levels or --relief"};
    }
    o.grid = static_cast<int>(std::max<int64_t>(grid, abys::mkcell::kMinGrid));
    // The grid may now be too fine for the span.
    if (const std::string fault = abys::mkcell::checkOptions(o); !fault.empty()) {
      throw UsageError{fault};
    }
  }
  return request;
}

int writeHostile(const Request& request) {
  const abys::mkcell::HostileKind& kind = *request.hostile;
  try {
    const abys::mkcell::HostileCell made = abys::mkcell::makeHostileCell(
        kind, request.count, std::filesystem::path(request.path).filename().string());
    const std::string bytes = abys::cellwriter::encodeCell(made.cell);
    if (!abys::cellwriter::writeFile(request.path, bytes)) {
      std::fprintf(stderr, "abys-mkcell: cannot write %s\n", request.path.c_str());
      return 1;
    }
    std::printf("%s: hostile %s, count %lld (%s), %zu features, %zu vectors, %zu bytes\n",
                request.path.c_str(), std::string(kind.name).c_str(),
                static_cast<long long>(made.count), std::string(kind.unit).c_str(),
                made.cell.features.size(), made.cell.vectors.size(), bytes.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "abys-mkcell: %s\n", e.what());
    return 1;
  }
  return 0;
}

// Path with its extension ".000" made ".NNN" for update file number.
std::string updatePath(const std::string& path, size_t number) {
  const std::string digits = std::to_string(number);
  return path.substr(0, path.size() - 3) + std::string(3 - digits.size(), '0') + digits;
}

int writeExchangeSet(const Request& request) {
  namespace fs = std::filesystem;
  const fs::path folder(request.exchangeSet);
  const fs::path root = folder / abys::mkcell::kSetRoot;
  std::error_code error;
  if (fs::exists(root, error) && !fs::is_empty(root, error)) {
    std::fprintf(stderr, "abys-mkcell: %s is not empty; give a folder without an exchange set\n",
                 root.c_str());
    return 1;
  }
  abys::mkcell::ExchangeSet set;
  try {
    set = abys::mkcell::makeExchangeSet(request.options, request.cells);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "abys-mkcell: %s\n", e.what());
    return 1;
  }
  size_t bytes = 0;
  for (const abys::mkcell::SetFile& file : set.files) {
    const fs::path path = folder / file.path;
    if (!fs::create_directories(path.parent_path(), error) && error) {
      std::fprintf(stderr, "abys-mkcell: cannot create %s: %s\n", path.parent_path().c_str(),
                   error.message().c_str());
      return 1;
    }
    if (!abys::cellwriter::writeFile(path.string(), file.bytes)) {
      std::fprintf(stderr, "abys-mkcell: cannot write %s\n", path.c_str());
      return 1;
    }
    bytes += file.bytes.size();
  }
  int perBand[3] = {0, 0, 0};
  int updates = 0;
  for (const abys::mkcell::SetCell& c : set.cells) {
    ++perBand[c.purpose - 3];
    updates += c.updates;
    const fs::path path = root / c.name / (c.name + ".000");
    std::printf(
        "%s: %s 1:%u, %lld depth contours and coastlines, %lld areas, %lld soundings, "
        "%d update file%s\n",
        path.c_str(), c.band, static_cast<unsigned>(c.scale), static_cast<long long>(c.depthLines),
        static_cast<long long>(c.areas), static_cast<long long>(c.soundings), c.updates,
        c.updates == 1 ? "" : "s");
  }
  std::printf(
      "%s: %zu cells (%d coastal, %d approach, %d harbour), %d update files, %zu files "
      "listed in CATALOG.031, %zu bytes\n",
      root.c_str(), set.cells.size(), perBand[0], perBand[1], perBand[2], updates, set.files.size(),
      bytes);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  try {
    request = parseArguments(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "abys-mkcell: %s\n%s", e.message.c_str(),
                 "usage: abys-mkcell [OPTIONS] OUT.000 (--help for the options)\n");
    return 2;
  }
  if (request.help) {
    std::fputs(kUsage, stdout);
    std::puts("\nHostile kinds (--count counts what is in brackets):");
    for (const abys::mkcell::HostileKind& kind : abys::mkcell::hostileKinds()) {
      std::printf("  %s (%s)\n      %s\n", std::string(kind.name).c_str(),
                  std::string(kind.unit).c_str(), std::string(kind.purpose).c_str());
    }
    std::fputs(kUsageEnd, stdout);
    return 0;
  }
  if (request.version) {
    std::puts("abys-mkcell " ABYS_VERSION);
    return 0;
  }
  if (request.hostile != nullptr) return writeHostile(request);
  if (!request.exchangeSet.empty()) return writeExchangeSet(request);
  try {
    const abys::mkcell::SyntheticCell made = abys::mkcell::makeCell(request.options);
    const std::string bytes = abys::cellwriter::encodeCell(made.cell);
    if (!abys::cellwriter::writeFile(request.path, bytes)) {
      std::fprintf(stderr, "abys-mkcell: cannot write %s\n", request.path.c_str());
      return 1;
    }
    for (size_t k = 0; k < made.updates.size(); ++k) {
      const std::string path = updatePath(request.path, k + 1);
      if (!abys::cellwriter::writeFile(path, abys::cellwriter::encodeCell(made.updates[k]))) {
        std::fprintf(stderr, "abys-mkcell: cannot write %s\n", path.c_str());
        return 1;
      }
    }
    if (request.options.standard) {
      std::printf(
          "%s: %lld depth contours and coastlines of %lld vertices, %lld areas, %lld soundings, "
          "%s%sgrid %d, %zu bytes\n",
          request.path.c_str(), static_cast<long long>(made.depthLines),
          static_cast<long long>(made.depthVertices), static_cast<long long>(made.areas),
          static_cast<long long>(made.soundings),
          made.aids > 0 ? (std::to_string(made.aids) + " aids, ").c_str() : "",
          made.updates.empty() ? ""
                               : (std::to_string(made.updates.size()) + " update files, ").c_str(),
          request.options.grid, bytes.size());
    } else {
      std::printf("%s: %lld depth lines of %lld vertices, %lld names, grid %d, %zu bytes\n",
                  request.path.c_str(), static_cast<long long>(made.depthLines),
                  static_cast<long long>(made.depthVertices), static_cast<long long>(made.names),
                  request.options.grid, bytes.size());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "abys-mkcell: %s\n", e.what());
    return 1;
  }
  return 0;
}
