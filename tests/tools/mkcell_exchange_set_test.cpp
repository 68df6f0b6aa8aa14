// abys-mkcell --exchange-set: the layout of the set and its catalogue read
// back with the project's reader, every cell opened with its updates and
// judged by the S-58 profile, the bands nested tile in tile, the same
// seabed in the cells that overlap; the update files of --updates; the
// options refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue.h"
#include "catalogue_codes.h"
#include "chart_session.h"
#include "exchange_catalogue.h"
#include "exchange_set.h"
#include "feature_area.h"
#include "field_description.h"
#include "point_location.h"
#include "support/programs.h"

namespace abys {
namespace {

namespace fs = std::filesystem;

// CRC-32 bit by bit: the catalogue's CRCs checked against a reckoning of
// their own.
uint32_t crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0xEDB88320u : 0);
  }
  return ~crc;
}

struct Listed {
  std::string file, impl, crc;
  std::array<double, 4> limits{};  // south, west, north, east; NaN when not given
};

// The catalogue's entries by the description of CATD its descriptive record gives.
std::vector<Listed> readCatalogue(const fs::path& path) {
  const CatalogueFile file = readCatalogueFile(path);
  EXPECT_TRUE(file.catd && !file.damaged && !file.recordWithoutCatd);
  std::vector<Listed> entries;
  if (!file.catd) return entries;
  const auto at = [&](const char* name) { return subfieldIndex(*file.catd, name); };
  for (const std::string& data : file.catdFields) {
    const std::vector<std::string_view> v = splitSubfields(*file.catd, data).value();
    Listed e{std::string(v[at("FILE")]), std::string(v[at("IMPL")]), std::string(v[at("CRCS")])};
    const char* limits[] = {"SLAT", "WLON", "NLAT", "ELON"};
    for (size_t i = 0; i < 4; ++i) {
      const std::string_view text = v[at(limits[i])];
      e.limits[i] = NAN;
      std::from_chars(text.data(), text.data() + text.size(), e.limits[i]);
    }
    entries.push_back(std::move(e));
  }
  return entries;
}

// The files below a folder, by their path from it, with their bytes.
std::map<std::string, std::string> filesBelow(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file())
      files[e.path().lexically_relative(folder).string()] = test::readFileBytes(e.path());
  }
  return files;
}

// An attribute's value as a number.
std::optional<double> numberOf(const FeatureRecord& f, uint16_t attl) {
  for (const AttributeEntry* a : f.attributes) {
    double value = 0;
    if (a->attl == attl &&
        std::from_chars(a->atvl, a->atvl + a->atvlLength, value).ec == std::errc())
      return value;
  }
  return std::nullopt;
}

bool inside(const std::array<double, 4>& inner, const std::array<double, 4>& outer) {
  return inner[0] >= outer[0] && inner[1] >= outer[1] && inner[2] <= outer[2] &&
         inner[3] <= outer[3];
}

// The depth range (DRVAL1 to DRVAL2, land below 0 m) of the area holding
// each point, none where no area does.
using Range = std::pair<double, double>;
std::vector<std::optional<Range>> rangesAt(const Dataset& d, const std::vector<LinePoint>& points) {
  std::vector<Rings> areas;
  std::vector<Range> ranges;
  for (const FeatureRecord* f : d.features) {
    if (f->objl != catalogue::kDepare && f->objl != catalogue::kLndare) continue;
    const FeatureArea area = assembleFeatureArea(*f).value();
    Rings rings;
    for (const FeatureRing& ring : area.rings)
      rings.push_back(ring.points);
    areas.push_back(std::move(rings));
    ranges.push_back(f->objl == catalogue::kLndare
                         ? Range{-1e9, 0}
                         : Range{numberOf(*f, catalogue::kDrval1).value(),
                                 numberOf(*f, catalogue::kDrval2).value()});
  }
  std::vector<std::optional<Range>> found(points.size());
  pointsInAreas(PointGrid(points), areas, [&](uint32_t p, uint32_t a) { found[p] = ranges[a]; });
  return found;
}

// Where the contours of a cell meet the line x = at (or y = at, not
// across): its connected nodes there, strictly between from and to.
std::vector<double> nodesOn(const Dataset& d, bool across, double at, double from, double to) {
  std::vector<double> along;
  for (const VectorRecord* v : d.connectedNodes) {
    for (const Coordinate c : v->coordinates) {
      const double on = across ? c.x : c.y, by = across ? c.y : c.x;
      if (std::fabs(on - at) < 1e-9 && by > from + 1e-9 && by < to - 1e-9) along.push_back(by);
    }
  }
  std::sort(along.begin(), along.end());
  return along;
}

struct Quiet : FindingReporter {
  void announce(const char*) override {}
  void report(const Finding&) override {}
};

TEST(MkcellExchangeSet, NestedBandsOfOneSeabedListedWithTheirCrcs) {
  const test::TempFolder temp;
  const fs::path set = fs::path(temp.path()) / "set", again = fs::path(temp.path()) / "again";
  for (const fs::path& folder : {set, again}) {
    const test::ProgramRun r =
        test::runProgram("abys-mkcell", "--exchange-set " + folder.string() + " --grid 60");
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(r.out.find("7 cells (1 coastal, 2 approach, 4 harbour)"), std::string::npos);
  }
  // The same options, the same bytes, and those the library makes.
  const std::map<std::string, std::string> files = filesBelow(set);
  EXPECT_TRUE(files == filesBelow(again));
  std::map<std::string, std::string> made;
  for (mkcell::SetFile& f : mkcell::makeExchangeSet({.grid = 60, .span = 0.5}, 7).files)
    made[f.path] = std::move(f.bytes);
  EXPECT_TRUE(files == made);

  // The catalogue lists every file of the set once, with its CRC.
  const fs::path root = set / "ENC_ROOT";
  const std::vector<Listed> listed = readCatalogue(root / "CATALOG.031");
  ASSERT_GE(listed.size(), 2u);
  EXPECT_EQ(listed[0].file + " " + listed[0].impl, "CATALOG.031 ASC");
  std::set<std::string> named;
  std::map<std::string, std::array<double, 4>> limits;  // of the cells, by name
  std::map<std::string, std::vector<std::string>> updates;
  for (const Listed& e : listed) {
    std::string path = e.file;
    std::replace(path.begin(), path.end(), '\\', '/');
    EXPECT_TRUE(named.insert("ENC_ROOT/" + path).second) << path;
    if (e.file == "CATALOG.031") continue;
    EXPECT_EQ(e.crc, cellwriter::crcText(crc32(files.at("ENC_ROOT/" + path)))) << path;
    const fs::path file(path);
    if (e.impl != "BIN") continue;
    const std::string cell = file.stem().string();
    EXPECT_EQ(file.parent_path().string(), cell);
    if (file.extension() == ".000") {
      limits[cell] = e.limits;
    } else {
      EXPECT_EQ(e.limits, limits.at(cell)) << path;  // an update's are its base's
      updates[cell].push_back(file.filename().string());
    }
  }
  std::set<std::string> present;
  for (const auto& [path, bytes] : files)
    present.insert(path);
  EXPECT_EQ(named, present);

  // Each cell: its band by its name, scale and usage; no finding; its
  // coverage where the catalogue says; its updates applied, a wreck inserted.
  const uint32_t scales[] = {180000, 45000, 12000};
  std::map<std::string, std::unique_ptr<ChartSession>> open;
  int perBand[3] = {};
  for (const auto& [cell, box] : limits) {
    SCOPED_TRACE(cell);
    ASSERT_EQ(cell.size(), 8u);
    EXPECT_EQ(cell.substr(0, 2) + cell.substr(3, 3), "AAABY");
    const int purpose = cell[2] - '0', approach = cell[6] - '0', harbour = cell[7] - '0';
    ASSERT_TRUE(purpose >= 3 && purpose <= 5);
    ++perBand[purpose - 3];
    EXPECT_EQ(approach == 0, purpose == 3);
    EXPECT_EQ(harbour == 0, purpose != 5);
    auto& session = open[cell] = std::make_unique<ChartSession>();
    session->setS58Profile(S58Options{});
    Quiet quiet;
    const OpenResult r = session->open((root / cell / (cell + ".000")).c_str(), quiet);
    ASSERT_TRUE(r.opened());
    EXPECT_EQ(r.s58.value().size(), 0u);
    std::vector<std::string> applied;
    for (const std::string& path : r.updatesApplied)
      applied.push_back(fs::path(path).filename().string());
    EXPECT_EQ(applied, updates[cell]);
    const bool wreckInserted =
        std::any_of(r.changedFeatures.begin(), r.changedFeatures.end(), [](const auto& c) {
          return c.change == FeatureChange::Inserted &&
                 c.objl == catalogue::objectClass("WRECKS")->code;
        });
    EXPECT_EQ(wreckInserted, !applied.empty());
    const Dataset& d = *session->display().currentDataset;
    EXPECT_EQ(d.dspm.cscl, scales[purpose - 3]);
    EXPECT_EQ(d.dsid.intu, purpose);
    EXPECT_EQ(d.dsid.agen, mkcell::kSetAgency);
    std::array<double, 4> coverage = {INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (const FeatureRecord* f : d.features) {
      if (f->objl != catalogue::kMCovr) continue;
      EXPECT_EQ(numberOf(*f, mkcell::kCatcov), 1);
      const FeatureArea area = assembleFeatureArea(*f).value();
      for (const FeatureRing& ring : area.rings) {
        for (const LinePoint p : ring.points)
          coverage = {std::min(coverage[0], p.y), std::min(coverage[1], p.x),
                      std::max(coverage[2], p.y), std::max(coverage[3], p.x)};
      }
    }
    for (size_t i = 0; i < 4; ++i)
      EXPECT_NEAR(coverage[i], box[i], 1e-9);
    // Nested: the tile its name gives of its parent's 3 x 3.
    if (purpose == 3) continue;
    const std::string parent = purpose == 4 ? "AA3ABY00" : "AA4ABY" + cell.substr(6, 1) + "0";
    ASSERT_TRUE(limits.contains(parent));
    const std::array<double, 4>& outer = limits[parent];
    const int tile = (purpose == 4 ? approach : harbour) - 1;
    const double width = (outer[3] - outer[1]) / 3, height = (outer[2] - outer[0]) / 3;
    EXPECT_NEAR(box[1], outer[1] + tile % 3 * width, 1e-7);
    EXPECT_NEAR(box[0], outer[0] + tile / 3 * height, 1e-7);
    EXPECT_NEAR(box[3] - box[1], width, 1e-7);
    EXPECT_TRUE(inside(box, outer));
  }
  EXPECT_EQ(std::vector<int>(perBand, perBand + 3), (std::vector<int>{1, 2, 4}));

  // Cells of a band side by side: their contours meet on the border they
  // share, at the same points.
  int borders = 0;
  for (const auto& [first, a] : limits) {
    for (const auto& [second, b] : limits) {
      if (first[2] != second[2]) continue;
      const Dataset& da = *open[first]->display().currentDataset;
      const Dataset& db = *open[second]->display().currentDataset;
      if (std::fabs(a[3] - b[1]) < 1e-9 && std::fabs(a[0] - b[0]) < 1e-9) {
        ++borders;
        EXPECT_EQ(nodesOn(da, true, a[3], a[0], a[2]), nodesOn(db, true, b[1], b[0], b[2]))
            << first << " " << second;
      }
      if (std::fabs(a[2] - b[0]) < 1e-9 && std::fabs(a[1] - b[1]) < 1e-9) {
        ++borders;
        EXPECT_EQ(nodesOn(da, false, a[2], a[1], a[3]), nodesOn(db, false, b[0], b[1], b[3]))
            << first << " " << second;
      }
    }
  }
  EXPECT_EQ(borders, 2);

  // The same seabed: at points over each cell, its depth range meets the
  // range of its parent's and the coastal cell's there (they part only
  // within a grid step of a contour, traced at another grid).
  for (const auto& [cell, box] : limits) {
    if (cell[2] == '3') continue;
    std::vector<LinePoint> points;
    for (int i = 0; i < 40; ++i) {
      for (int j = 0; j < 40; ++j)
        points.push_back({box[1] + (i + 0.4142) / 40 * (box[3] - box[1]),
                          box[0] + (j + 0.7321) / 40 * (box[2] - box[0])});
    }
    const auto here = rangesAt(*open[cell]->display().currentDataset, points);
    for (const std::string& above : {"AA4ABY" + cell.substr(6, 1) + "0", std::string("AA3ABY00")}) {
      if (above == cell) continue;
      const auto there = rangesAt(*open[above]->display().currentDataset, points);
      size_t meeting = 0;
      for (size_t k = 0; k < points.size(); ++k) {
        ASSERT_TRUE(here[k] && there[k]) << cell << " " << above << " point " << k;
        if (std::min(here[k]->second, there[k]->second) >
            std::max(here[k]->first, there[k]->first)) {
          ++meeting;
        }
      }
      EXPECT_GE(meeting, points.size() * 95 / 100) << cell << " in " << above;
    }
  }

  // abys-check finds nothing in the set, with or without the S-58 profile.
  const test::ProgramRun s58 = test::runProgram("abys-check", "--s58 --summary " + set.string());
  EXPECT_EQ(s58.exitStatus, 0) << s58.out;
  EXPECT_TRUE(s58.out.ends_with("\ntotal: 7 files, 7 passed, 0 failed\n")) << s58.out;
  EXPECT_EQ(test::runProgram("abys-check", set.string()).exitStatus, 0);
}

// --updates N: in turn a wreck inserted, its VALSOU changed, the two
// deleted; the next wreck after that.
TEST(MkcellExchangeSet, UpdatesInsertChangeAndDeleteAWreck) {
  const uint16_t wrecks = catalogue::objectClass("WRECKS")->code;
  const struct {
    int updates;
    int wrecksAfter;
    std::multiset<FeatureChange> changes;
  } cases[] = {{1, 1, {FeatureChange::Inserted}},
               {2, 1, {FeatureChange::Inserted}},
               {3, 0, {FeatureChange::Deleted}},
               {4, 1, {FeatureChange::Deleted, FeatureChange::Inserted}}};
  std::vector<double> valsou;  // of the first wreck after one update and after two
  for (const auto& c : cases) {
    SCOPED_TRACE(c.updates);
    const test::TempFolder folder;
    const std::string cell = folder.path() + "/U.000";
    ASSERT_EQ(test::runProgram("abys-mkcell", "--standard --grid 60 --updates " +
                                                  std::to_string(c.updates) + " " + cell)
                  .exitStatus,
              0);
    ChartSession session;
    session.setS58Profile(S58Options{});
    Quiet quiet;
    const OpenResult r = session.open(cell.c_str(), quiet);
    ASSERT_TRUE(r.opened());
    EXPECT_EQ(r.s58.value().size(), 0u);
    EXPECT_EQ(r.updatesApplied.size(), static_cast<size_t>(c.updates));
    EXPECT_EQ(r.updatesRefused, 0);
    std::multiset<FeatureChange> changes;
    for (const ChangedFeature& f : r.changedFeatures)
      changes.insert(f.change);
    EXPECT_EQ(changes, c.changes);
    int found = 0;
    for (const FeatureRecord* f : session.display().currentDataset->features) {
      if (f->objl != wrecks) continue;
      ++found;
      if (c.updates <= 2) valsou.push_back(numberOf(*f, catalogue::kValsou).value());
    }
    EXPECT_EQ(found, c.wrecksAfter);
  }
  ASSERT_EQ(valsou.size(), 2u);
  EXPECT_GT(valsou[1], valsou[0]);  // surveyed deeper than first found
}

TEST(MkcellExchangeSet, RefusesWhatMakesNoSet) {
  const test::TempFolder temp;
  const std::string set = temp.path() + "/set";
  const std::string file = temp.writeBytes("not a folder", "FILE");
  const test::TempFolder full;
  fs::create_directories(full.path() + "/x/ENC_ROOT/OLD");
  const struct {
    std::string arguments;
    int exitStatus;
    const char* err;
  } cases[] = {
      {"--exchange-set " + set + " --cells 0", 2, "cells must be 1 to 91"},
      {"--exchange-set " + set + " --cells 92", 2, "cells must be 1 to 91"},
      {"--exchange-set " + set + " --cells seven", 2, "not a number"},
      {"--cells 7 OUT.000", 2, "--cells needs --exchange-set"},
      {"--exchange-set " + set + " OUT.000", 2, "not OUT.000"},
      {"--exchange-set " + set + " --vertices 9000", 2, "not --vertices"},
      {"--exchange-set " + set + " --aids 3", 2, "no aids or defects"},
      {"--exchange-set " + set + " --defect 43", 2, "no aids or defects"},
      {"--exchange-set " + set + " --hostile long-line", 2, "no hostile cell"},
      {"--exchange-set " + set + " --grid 8000 --span 0.05", 2, "grid too fine"},
      {"--standard --updates 2 " + temp.path() + "/U.001", 2, "--updates needs OUT.000"},
      {"--standard --updates 100 " + temp.path() + "/U.000", 2, "updates must be 0 to 99"},
      {"--updates 1 " + temp.path() + "/U.000", 2, "updates need a standard cell"},
      {"--exchange-set " + file + "/set", 1, "cannot create"},
      {"--exchange-set " + full.path() + "/x", 1, "is not empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const test::ProgramRun r = test::runProgram("abys-mkcell", c.arguments);
    EXPECT_EQ(r.exitStatus, c.exitStatus);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(fs::exists(set));
}

}  // namespace
}  // namespace abys
