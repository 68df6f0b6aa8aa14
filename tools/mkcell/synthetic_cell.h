// A synthetic S-57 cell of bathymetry: depth lines (object class 30011,
// VALDCO) traced from a seeded seabed, Japanese names of its basins and
// shoals (30012) and of a few harbours and anchorages (30014) in NOBJNM at
// lexical level 2, and an M_COVR coverage (302) round the chart.
//
// The cell is built to pass every logical check without a finding: each
// depth line has edges and connected nodes of its own (a closed line is a
// ring back to its first node), edges stay below the record size limit by
// being split at connected nodes, each name has its own isolated node, and
// the coverage is one closed edge. A seed and options give the same bytes
// on every platform.
//
// With Options::standard the same kind of seabed, part of it now land, is
// written in the standard object classes instead: DEPCNT depth contours
// (VALDCO), the COALNE coastline, DEPARE depth areas between the contours
// (DRVAL1, DRVAL2) and LNDARE land, SOUNDG soundings and the M_COVR
// coverage. The areas share their edges with the contours and with the
// border stretches that close them at the edge of the chart, which the
// coverage runs along. A standard cell may come with update files
// (Options::updates), and be one of the cells of an exchange set, which
// show one seabed (Options::window, exchange_set.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cell_writer.h"

namespace abys::mkcell {

inline constexpr uint16_t kDepthLineClass = 30011;
inline constexpr uint16_t kSeabedNameClass = 30012;
inline constexpr uint16_t kPlaceNameClass = 30014;
inline constexpr uint16_t kCoverageClass = 302;  // M_COVR
inline constexpr uint16_t kValdco = 174;
inline constexpr uint16_t kCatcov = 18;
inline constexpr uint16_t kNobjnm = 301;
inline constexpr uint16_t kNavigationSystemClass = 306;  // M_NSYS
inline constexpr uint16_t kQualityClass = 308;           // M_QUAL
inline constexpr uint16_t kMarsys = 109;
inline constexpr uint16_t kCatzoc = 72;

inline constexpr int kMinGrid = 8;
inline constexpr int kMaxGrid = 8193;
inline constexpr int kMaxUpdates = 99;

// Where a cell of an exchange set (exchange_set.h) lies in the seabed all
// the set's cells share. Positions are counted in units of the set's finest
// grid step from its south-west corner: the seabed's unit square is extent
// units across, and the cell's grid vertex (column, row) lies at
// (left + column * step, bottom + row * step). A unit is unitX by unitY on
// the coordinate lattice (degrees times COMF), from the corner at west,
// south on it. Heights of the seabed from low to high become depths from
// shallowest to deepest (metres) in every cell alike, kept within them.
struct SetWindow {
  int64_t west = 0;
  int64_t south = 0;
  int64_t unitX = 1;
  int64_t unitY = 1;
  int64_t extent = 1;
  int64_t left = 0;
  int64_t bottom = 0;
  int64_t step = 1;
  double low = 0;
  double high = 1;
  double shallowest = 0;
  double deepest = 1;
  // Metres: depths nearer a contour's level than this are moved off it, so
  // that the contours keep a few lattice units from the grid's vertices.
  double keepOff = 0;
  // The cell's own random draws (soundings, the updates' wrecks) follow
  // from the seed and this.
  uint32_t stream = 0;
};

struct Options {
  uint32_t seed = 1;
  // Depth lines at interval, 2 * interval, ... levels * interval metres; the
  // seabed spans half an interval above the first and below the last.
  int levels = 20;
  double interval = 5;
  // Grid vertices per side; with six relief features the depth lines hold
  // about 2 * levels * grid vertices, more with more features.
  int grid = 300;
  // Basins and shoals, each named.
  int relief = 6;
  // Harbour and anchorage names.
  int places = 4;
  // The south-west corner in degrees, and the chart's width in degrees of
  // longitude; its height makes the chart square on the ground.
  double west = 139.70;
  double south = 35.40;
  double span = 0.25;
  // Coordinates an edge holds between its nodes; longer lines are split.
  // Above about 12,000 an edge record is too long for the five digits of its
  // length and is written with the length 0, as real cells have such records;
  // 32,000 keeps it within what a reader's record buffer holds.
  int maxEdgeCoordinates = 10000;
  // The DSID's data set name.
  std::string name = "ABYS0001.000";
  // Standard object classes instead of the project's own (no names, so
  // places is not used).
  bool standard = false;
  // Of a standard cell: the sounding points, or 0 for a few clusters of
  // them as the seabed allows (about fifty).
  int64_t soundings = 0;
  // Of a standard cell: point aids to navigation, lights and hazards at
  // clear vertices in the water, of varied classes and attributes.
  int64_t aids = 0;
  // Of a standard cell: the depth defects to plant, by the number of the
  // S-58 check that finds each (depthDefects()).
  std::vector<std::string> defects{};
  // The DSID's producing agency (the FOIDs' too) and intended usage (the
  // navigational purpose, 1 to 6), the DSPM's compilation scale.
  uint16_t agency = 540;
  uint8_t purpose = 5;
  uint32_t scale = 50000;
  // Of a standard cell: its update files, 0 to kMaxUpdates (makeCell's
  // SyntheticCell::updates). In turn they insert a dangerous wreck on a
  // node of its own, give it another VALSOU, and delete it and its node.
  int updates = 0;
  // Of a cell of an exchange set: the part of the set's seabed it shows.
  // Its grid and the options' levels and interval are its own; the
  // position and span must agree with the window.
  std::optional<SetWindow> window{};
};

// The defects a standard cell can be given: 43, 44a, 44b, 74, 75, 77, 103,
// 1768a, 1768b, 1769.
std::span<const std::string_view> depthDefects();

// Empty when the options make a cell; otherwise what is wrong with them.
std::string checkOptions(const Options& options);

// The grid expected to give depth lines of about `vertices` vertices with
// the other options as they are, estimated from a coarse grid; it may fall
// outside kMinGrid..kMaxGrid.
int64_t gridForVertices(const Options& options, int64_t vertices);

struct SyntheticCell {
  cellwriter::Cell cell;
  // Depth lines, or depth contours and coastlines.
  int64_t depthLines = 0;
  // Their coordinates: each line's distinct points, nodes included.
  int64_t depthVertices = 0;
  int64_t names = 0;
  // Of a standard cell: DEPARE and LNDARE features, and soundings.
  int64_t areas = 0;
  int64_t soundings = 0;
  int64_t aids = 0;
  // Of a standard cell: the update files NAME.001, NAME.002, ... in order
  // (Options::updates).
  std::vector<cellwriter::Cell> updates{};
};

// Throws std::invalid_argument when checkOptions finds fault.
SyntheticCell makeCell(const Options& options);

// The VALDCO text of a depth: the shortest decimal of up to nine
// significant digits ("10", "12.5").
std::string depthText(double depth);

}  // namespace abys::mkcell
