// Cells for the chart's and the viewer's tests, built with the cell writer,
// and a folder to write them to.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "display_state.h"
#include "support/load.h"
#include "view_transform.h"

namespace abys::test {

namespace cw = abys::cellwriter;

// A cell whose coordinates are whole numbers (COMF 1), so that a view of
// scale 1 puts every vertex on an exact pixel.
inline cw::Cell wholeNumberCell() {
  cw::Cell cell;
  cell.dspm.comf = 1;
  cell.dssi.nall = 2;
  return cell;
}

// A line feature of objl through points: the first and last are connected
// nodes, the rest the edge's interior. RCIDs derive from id.
inline void addLine(cw::Cell& cell, uint32_t id, std::vector<cw::Point2> points,
                    std::vector<std::string> valdco, uint16_t objl = kDepthLineClass) {
  const uint32_t begin = id * 10 + 1;
  const uint32_t end = id * 10 + 2;
  const uint32_t edge = id * 10 + 3;
  cell.vectors.push_back(cw::connectedNode(begin, points.front()));
  cell.vectors.push_back(cw::connectedNode(end, points.back()));
  cell.vectors.push_back(
      cw::edge(edge, begin, end, std::vector<cw::Point2>(points.begin() + 1, points.end() - 1)));
  cw::Feature feature{.rcid = id, .prim = 2, .objl = objl};
  for (std::string& value : valdco)
    feature.attributes.push_back({kValdcoCode, std::move(value)});
  feature.spatialPointers.push_back({.rcnm = 130, .rcid = edge});
  cell.features.push_back(std::move(feature));
}

// A point feature of objl at an isolated node, named when name is given.
inline void addName(cw::Cell& cell, uint32_t id, uint16_t objl, cw::Point2 at,
                    std::optional<std::u16string> name) {
  const uint32_t node = id * 10 + 1;
  cell.vectors.push_back(cw::isolatedNode(node, at));
  cw::Feature feature{.rcid = id, .prim = 1, .objl = objl};
  if (name) feature.nationalAttributes.push_back({kNobjnmCode, *name});
  feature.spatialPointers.push_back({.rcnm = 110, .rcid = node});
  cell.features.push_back(std::move(feature));
}

// An area feature of objl whose one exterior ring is a loop edge through
// ring (first point repeated at the end), with ATTF attributes.
inline void addArea(cw::Cell& cell, uint32_t id, uint16_t objl, std::vector<cw::Point2> ring,
                    std::vector<cw::Attribute> attributes = {}) {
  const uint32_t node = id * 10 + 1;
  const uint32_t edge = id * 10 + 3;
  cell.vectors.push_back(cw::connectedNode(node, ring.front()));
  cell.vectors.push_back(
      cw::edge(edge, node, node, std::vector<cw::Point2>(ring.begin() + 1, ring.end() - 1)));
  cell.features.push_back({.rcid = id,
                           .prim = 3,
                           .objl = objl,
                           .attributes = std::move(attributes),
                           .spatialPointers = {{.rcnm = 130, .rcid = edge, .usag = 1}}});
}

// A SOUNDG point feature on one node of SG3D soundings.
inline void addSoundings(cw::Cell& cell, uint32_t id, std::vector<cw::Point3> soundings) {
  const uint32_t node = id * 10 + 1;
  cell.vectors.push_back(cw::soundingNode(node, std::move(soundings)));
  cell.features.push_back(
      {.rcid = id, .prim = 1, .objl = 129, .spatialPointers = {{.rcnm = 110, .rcid = node}}});
}

// A small chart in Tokyo Bay: three depth lines (5, 10, 20), two names and
// a coverage area round them.
inline cw::Cell bayCell() {
  cw::Cell cell;
  cell.dssi.nall = 2;
  addLine(cell, 1, {{139.72, 35.45}, {139.74, 35.48}, {139.78, 35.55}}, {"5"});
  addLine(cell, 2, {{139.78, 35.42}, {139.80, 35.47}, {139.85, 35.56}}, {"10"});
  addLine(cell, 3, {{139.86, 35.41}, {139.88, 35.48}, {139.92, 35.58}}, {"20"});
  addName(cell, 4, kAreaNameClass, {139.82, 35.50}, u"東京湾");
  addName(cell, 5, kPlaceNameClass, {139.71, 35.44}, u"横浜港");
  cell.vectors.push_back(cw::connectedNode(61, {139.70, 35.40}));
  cell.vectors.push_back(cw::edge(63, 61, 61, {{139.95, 35.40}, {139.95, 35.60}, {139.70, 35.60}}));
  cell.features.push_back({.rcid = 6,
                           .prim = 3,
                           .grup = 1,
                           .objl = kCoverageClass,
                           .attributes = {{18, "1"}},
                           .spatialPointers = {{.rcnm = 130, .rcid = 63, .usag = 1}}});
  return cell;
}

// The bay cell with the fields of its first feature's record out of order
// (FSPT before ATTF), as some producers write them: a load stops at that
// record unless it reads on past it.
inline std::string outOfOrderBayCell() {
  const cw::Cell cell = bayCell();
  std::vector<cw::Record> records = cw::cellRecords(cell);
  for (cw::Record& record : records) {
    std::vector<cw::Field>& fields = record.fields;
    auto tagged = [&](const char* tag) {
      return std::find_if(fields.begin(), fields.end(),
                          [&](const cw::Field& f) { return f.tag == tag; });
    };
    if (tagged("FRID") == fields.end()) continue;
    std::iter_swap(tagged("ATTF"), tagged("FSPT"));
    break;
  }
  return cw::encodeFile(records, cw::cellEncodeOptions(cell));
}

// A cell of a set: name, compilation scale and usage band, a depth area of
// drval1 to drval2 over the box (west, south, east, north) with an M_COVR of
// CATCOV 1 over it unless withCoverage is false, and a depth line of
// VALDCO valdco across the box's lower part.
inline cw::Cell setCell(const std::string& name, uint32_t scale, uint8_t band, Bounds box,
                        const std::string& drval1, const std::string& drval2,
                        const std::string& valdco, bool withCoverage = true) {
  cw::Cell cell;
  cell.dsid.dsnm = name;
  cell.dsid.intu = band;
  cell.dspm.cscl = scale;
  const std::vector<cw::Point2> ring{{box.minX, box.minY},
                                     {box.maxX, box.minY},
                                     {box.maxX, box.maxY},
                                     {box.minX, box.maxY},
                                     {box.minX, box.minY}};
  addArea(cell, 1, 42, ring, {{kDrval1Code, drval1}, {kDrval2Code, drval2}});
  const double lineY = box.minY + (box.maxY - box.minY) * 0.1;
  addLine(cell, 2, {{box.minX, lineY}, {(box.minX + box.maxX) / 2, lineY}, {box.maxX, lineY}},
          {valdco});
  if (withCoverage) addArea(cell, 3, kCoverageClass, ring, {{18, "1"}});
  return cell;
}

// Cell files in a temporary folder removed with the object.
class CellFolder : public TempFolder {
 public:
  // Writes cell as name into the folder and returns its path.
  std::string write(const cw::Cell& cell, const std::string& name = "CELL.000") const {
    return writeBytes(cw::encodeCell(cell), name);
  }
};

// Scale 1, metres equal to degrees, centre (300, 200) in a 600 x 400
// window: the coordinate (x, y) lies at pixel (x, 400 - y).
inline ViewState pixelAlignedView() {
  ViewState view;
  view.metresPerDegreeX = 1.0;
  view.metresPerDegreeY = 1.0;
  view.window = {0, 0, 600, 400};
  view.dataBounds = {0, 0, 600, 400};
  view.halfWidth = 300;
  view.halfHeight = 200;
  view.centreX = 300;
  view.centreY = 200;
  view.pixelsPerMetre = 1.0;
  return view;
}

}  // namespace abys::test
