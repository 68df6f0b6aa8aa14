// An exchange set of standard cells of one seabed, as abys-mkcell
// --exchange-set writes it: a coastal cell over the whole seabed, approach
// cells over part of it and harbour cells inside those, laid out as
// ENC_ROOT with a folder per cell and the catalogue CATALOG.031 listing
// every file.
//
// The tiling. The coastal cell (navigational purpose 3) is cut into 3 x 3
// tiles, each the place of one approach cell (4); each approach tile is cut
// into 3 x 3 tiles, each the place of one harbour cell (5). Every cell has a
// grid of the same size, so that a band's grid is three times finer than
// the one above it, and the grids share the set's lattice: tiles meet
// exactly, and each cell's coverage lies inside its parent's. The cells of
// a set of N: one coastal, A = min(9, ceil((N - 1) / 3)) approach and the
// rest harbour cells, dealt in turn to the approach cells; the tiles taken
// first are those with most coast in them (land and water in equal parts
// scores best), ties to the south-west.
//
// The names. AA (the producer code of agency 1810, which the cells name
// as theirs), the navigational purpose, ABY, then the approach tile and the
// harbour tile within it, each numbered 1 to 9 from the south-west along
// rows (0 where the cell covers more): AA3ABY00, AA4ABY50, AA5ABY53.
//
// The bands. Each cell shows the same seabed (the same depth at the same
// point, the heights mapped to depths once for the whole set) with the
// detail of its band: the compilation scale (DSPM CSCL) 1:180,000,
// 1:45,000 and 1:12,000; depth contours at every fourth, second and every
// level of the options; scattered soundings, more of them in the finer
// bands, in proportion to the water of the tile.
//
// Update files: the second and third of every three cells in the listing,
// from the coastal cell, have one and two update files (Options::updates),
// where their water has room for the wreck the updates place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "synthetic_cell.h"

namespace abys::mkcell {

inline constexpr int kMaxSetCells = 1 + 9 + 81;
inline constexpr uint16_t kSetAgency = 1810;  // producer code AA
inline constexpr const char* kSetRoot = "ENC_ROOT";

struct SetCell {
  std::string name;    // without extension: AA5ABY53
  std::string parent;  // the cell it lies in; empty for the coastal cell
  int purpose = 3;
  const char* band = "coastal";
  uint32_t scale = 0;
  cellwriter::Limits limits;  // of its coverage, in degrees
  int updates = 0;
  // What makeCell counted.
  int64_t depthLines = 0;
  int64_t areas = 0;
  int64_t soundings = 0;
};

// A file of the set: its path from the set's folder, '/' between folders.
struct SetFile {
  std::string path;
  std::string bytes;
};

struct ExchangeSet {
  std::vector<SetCell> cells;  // coastal, approach, harbour cells, each by name
  // The catalogue, the README.TXT, then each cell and its update files.
  std::vector<SetFile> files;
};

// Empty when the options make a set of `cells` cells: the options' seed,
// relief, levels, interval, grid (of every cell), origin and span (of the
// coastal cell) and edge coordinates; otherwise what is wrong.
std::string checkSetOptions(const Options& options, int cells);

// Throws std::invalid_argument when checkSetOptions finds fault.
ExchangeSet makeExchangeSet(const Options& options, int cells);

}  // namespace abys::mkcell
