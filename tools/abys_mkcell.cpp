// abys-mkcell: writes a small fixed S-57 sample cell in Tokyo Bay.
//
// Usage: abys-mkcell OUT.000
// Exit status 0 on success, 1 when the cell cannot be written, 2 on a usage
// error.
#include <cstdio>
#include <exception>
#include <string>

#include "cell_writer.h"

namespace {

using namespace abys::cellwriter;

constexpr uint16_t kDepthLine = 30011;
constexpr uint16_t kBayName = 30012;
constexpr uint16_t kPortName = 30014;
constexpr uint16_t kCoverage = 302;  // M_COVR
constexpr uint16_t kValdco = 174;
constexpr uint16_t kCatcov = 18;
constexpr uint16_t kNobjnm = 301;

// A depth line of the given value: an edge between two new connected nodes.
void addDepthLine(Cell& cell, uint32_t id, const char* depth, Point2 from, Point2 to,
                  std::vector<Point2> interior) {
  const uint32_t beginNode = id * 10 + 1;
  const uint32_t endNode = id * 10 + 2;
  const uint32_t edgeId = id * 10 + 3;
  cell.vectors.push_back(connectedNode(beginNode, from));
  cell.vectors.push_back(connectedNode(endNode, to));
  cell.vectors.push_back(edge(edgeId, beginNode, endNode, std::move(interior)));
  cell.features.push_back({.rcid = id,
                           .prim = 2,
                           .objl = kDepthLine,
                           .attributes = {{kValdco, depth}},
                           .spatialPointers = {{.rcnm = 130, .rcid = edgeId}}});
}

// A named point: an isolated node and a feature with NOBJNM.
void addName(Cell& cell, uint32_t id, uint16_t objl, std::u16string name, Point2 at) {
  const uint32_t node = id * 10 + 1;
  cell.vectors.push_back(isolatedNode(node, at));
  cell.features.push_back({.rcid = id,
                           .prim = 1,
                           .objl = objl,
                           .nationalAttributes = {{kNobjnm, std::move(name)}},
                           .spatialPointers = {{.rcnm = 110, .rcid = node}}});
}

Cell sampleCell() {
  Cell cell;
  cell.dsid.dsnm = "ABYS0001.000";
  cell.dsid.comt = "ABYS sample cell";
  cell.dssi.nall = 2;

  addDepthLine(cell, 1, "5", {139.72, 35.45}, {139.78, 35.55}, {{139.74, 35.48}, {139.76, 35.52}});
  addDepthLine(cell, 2, "10", {139.78, 35.42}, {139.85, 35.56}, {{139.80, 35.47}, {139.83, 35.52}});
  addDepthLine(cell, 3, "20", {139.86, 35.41}, {139.92, 35.58}, {{139.88, 35.48}});
  addName(cell, 4, kBayName, u"東京湾", {139.82, 35.50});
  addName(cell, 5, kPortName, u"横浜港", {139.71, 35.44});

  // Coverage: one closed edge round the cell, starting and ending at one node.
  cell.vectors.push_back(connectedNode(61, {139.70, 35.40}));
  cell.vectors.push_back(edge(63, 61, 61, {{139.95, 35.40}, {139.95, 35.60}, {139.70, 35.60}}));
  cell.features.push_back({.rcid = 6,
                           .prim = 3,
                           .grup = 1,
                           .objl = kCoverage,
                           .attributes = {{kCatcov, "1"}},
                           .spatialPointers = {{.rcnm = 130, .rcid = 63, .usag = 1}}});
  return cell;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: abys-mkcell OUT.000\n");
    return 2;
  }
  const std::string path = argv[1];
  try {
    if (!writeFile(path, encodeCell(sampleCell()))) {
      std::fprintf(stderr, "abys-mkcell: cannot write %s\n", path.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "abys-mkcell: %s\n", e.what());
    return 1;
  }
  return 0;
}
