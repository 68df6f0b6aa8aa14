// Every real cell loads into a dataset that keeps the model's invariants and
// releases cleanly (the sanitizer build checks for leaks); the record counts
// of the cells that load completely match GDAL's reading of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "support/load.h"
#include "support/stream.h"

namespace abys {
namespace {

struct Counts {
  int features = 0;
  int isolatedNodes = 0;
  int connectedNodes = 0;
  int edges = 0;
  bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Counts& c) {
  return out << c.features << " features, " << c.isolatedNodes << " isolated nodes, "
             << c.connectedNodes << " connected nodes, " << c.edges << " edges";
}

bool haveOgrinfo() {
  return std::system("ogrinfo --version >/dev/null 2>&1") == 0;
}

// GDAL's counts, updates in the folder left aside; false when it cannot read
// the file.
bool gdalCounts(const std::filesystem::path& cell, Counts& counts) {
  const std::string command =
      "OGR_S57_OPTIONS=RETURN_PRIMITIVES=ON,RETURN_LINKAGES=ON,LNAM_REFS=ON,UPDATES=IGNORE "
      "ogrinfo -ro -so -al '" +
      cell.string() + "' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  std::string output;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
    output.append(chunk, n);
  if (pclose(pipe) != 0) return false;

  std::istringstream lines(output);
  std::string line;
  std::string layer;
  counts = {};
  while (std::getline(lines, line)) {
    if (line.rfind("Layer name: ", 0) == 0) layer = line.substr(12);
    if (line.rfind("Feature Count: ", 0) != 0) continue;
    const int count = std::stoi(line.substr(15));
    if (layer == "IsolatedNode") {
      counts.isolatedNodes = count;
    } else if (layer == "ConnectedNode") {
      counts.connectedNodes = count;
    } else if (layer == "Edge") {
      counts.edges = count;
    } else if (layer != "DSID" && layer != "Face") {
      counts.features += count;
    }
  }
  return true;
}

TEST(RealCells, LoadKeepingTheInvariantsAndRelease) {
  const auto cells = test::realCells();
  if (cells.empty()) GTEST_SKIP() << "no real cells beside the repository";
  const bool gdal = haveOgrinfo();
  int compared = 0;
  auto dataset = std::make_unique<Dataset>();
  for (const auto& cell : cells) {
    const std::string name = std::filesystem::relative(cell, test::realDataDir()).string();
    SCOPED_TRACE(name);
    testing::internal::CaptureStderr();
    const test::LoadResult r = test::load(*dataset, cell.string());
    testing::internal::GetCapturedStderr();
    std::printf("%-64s load %d\n", name.c_str(), r.status);
    EXPECT_NE(r.status, kCannotOpen);
    EXPECT_EQ(test::invariantViolations(*dataset), "");
    const Counts ours{dataset->features.count, dataset->isolatedNodes.count,
                      dataset->connectedNodes.count, dataset->edges.count};
    releaseDataset(*dataset);

    // GDAL opens base cells only; compare those we read to their end.
    Counts theirs;
    if (gdal && r.status == 0 && cell.extension() == ".000" && gdalCounts(cell, theirs)) {
      EXPECT_EQ(ours, theirs);
      ++compared;
    }
  }
  if (gdal) {
    EXPECT_GT(compared, 40);
  }
}

}  // namespace
}  // namespace abys
