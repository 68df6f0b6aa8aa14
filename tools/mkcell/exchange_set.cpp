#include "exchange_set.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cell_builder.h"
#include "exchange_catalogue.h"
#include "seabed.h"

namespace abys::mkcell {
namespace {

// Tiles of a cell's children along each side.
constexpr int kTiles = 3;
// Points along each side of a tile at which its share of land is judged.
constexpr int kSamples = 16;

struct Band {
  int purpose;
  const char* name;
  uint32_t scale;
  int levelEvery;     // the options' levels this band draws: every nth
  int64_t soundings;  // scattered over a tile all water, fewer as it holds land
  int64_t step;       // grid step, in steps of the harbour cells' grid
};

constexpr std::array<Band, 3> kBands = {{{3, "coastal", 180000, 4, 120, 9},
                                         {4, "approach", 45000, 2, 240, 3},
                                         {5, "harbour", 12000, 1, 480, 1}}};

// A cell's place: its band, its tile's column and row from the south-west
// among the tiles of its band, and the digits of its name.
struct Tile {
  size_t band = 0;
  int column = 0;
  int row = 0;
  int approach = 0;  // 1 to 9, 0 for the coastal cell
  int harbour = 0;   // 1 to 9, 0 for the others
  double water = 0;  // the share of the tile

  std::string name() const {
    return "AA" + std::to_string(kBands[band].purpose) + "ABY" + std::to_string(approach) +
           std::to_string(harbour);
  }
  // Land and water in equal parts scores best, a tile of one alone 0.
  double coast() const { return water * (1 - water); }
};

// The digit of tile (column, row) among the 3 x 3 of its parent.
int digitOf(int column, int row) {
  return column % kTiles + kTiles * (row % kTiles) + 1;
}

// What the set's cells share: the lattice, the seabed and the depths.
class SetLayout {
 public:
  explicit SetLayout(const Options& o) : options_(o), random_(o.seed) {
    seabed_ = makeSeabed(random_, o.relief);
    const int64_t steps = o.grid - 1;
    window_.unitX = std::llround(o.span * kComf / static_cast<double>(kTiles * kTiles * steps));
    window_.unitY = Placement::rowStep(window_.unitX, o.south);
    window_.west = std::llround(o.west * kComf);
    window_.south = std::llround(o.south * kComf);
    window_.extent = kTiles * kTiles * steps;
    window_.step = kBands[0].step;
    Options whole = o;
    whole.window = window_;
    setWindowDepths(whole);
    window_ = *whole.window;
  }

  // The window of a tile of the given band.
  SetWindow windowOf(const Tile& tile, uint32_t stream) const {
    SetWindow w = window_;
    w.step = kBands[tile.band].step;
    w.left = tile.column * (options_.grid - 1) * w.step;
    w.bottom = tile.row * (options_.grid - 1) * w.step;
    w.stream = stream;
    return w;
  }

  // Sets the share of water of a tile from the seabed at kSamples x
  // kSamples points inside it.
  void judge(Tile& tile) const {
    const SetWindow w = windowOf(tile, 0);
    const double side = static_cast<double>((options_.grid - 1) * w.step);
    const double range = w.high - w.low;
    int water = 0;
    for (int i = 0; i < kSamples; ++i) {
      for (int j = 0; j < kSamples; ++j) {
        const double u = (w.left + (i + 0.5) / kSamples * side) / w.extent;
        const double v = (w.bottom + (j + 0.5) / kSamples * side) / w.extent;
        const double share = range > 0 ? (seabed_.height(u, v) - w.low) / range : 0;
        if (w.shallowest + share * (w.deepest - w.shallowest) > 0) ++water;
      }
    }
    tile.water = static_cast<double>(water) / (kSamples * kSamples);
  }

  // The options of the cell of a tile.
  Options cellOptions(const Tile& tile, uint32_t stream, int updates) const {
    const Band& band = kBands[tile.band];
    Options c = options_;
    c.standard = true;
    c.name = tile.name() + ".000";
    const int every = std::min(band.levelEvery, options_.levels);
    c.levels = options_.levels / every;
    c.interval = options_.interval * every;
    // As many as there is room for: a cell of an exchange set takes fewer
    // where its water is too shallow or narrow for them, and no updates
    // where there is no place for their wreck.
    c.soundings = std::llround(static_cast<double>(band.soundings) * tile.water);
    c.aids = 0;
    c.defects.clear();
    c.agency = kSetAgency;
    c.purpose = static_cast<uint8_t>(band.purpose);
    c.scale = band.scale;
    c.updates = updates;
    c.window = windowOf(tile, stream);
    const SetWindow& w = *c.window;
    c.west = static_cast<double>(w.west + w.left * w.unitX) / kComf;
    c.south = static_cast<double>(w.south + w.bottom * w.unitY) / kComf;
    c.span = static_cast<double>((c.grid - 1) * w.step * w.unitX) / kComf;
    return c;
  }

  // The extent of a cell's grid, which its coverage runs round.
  static cellwriter::Limits limitsOf(const Options& c) {
    const Placement at(c);
    const int64_t last = c.grid - 1;
    const auto degrees = [](int64_t lattice) { return static_cast<double>(lattice) / kComf; };
    return {degrees(at.south), degrees(at.west), degrees(at.south + last * at.stepY),
            degrees(at.west + last * at.stepX)};
  }

 private:
  const Options options_;
  Random random_;
  Seabed seabed_;
  SetWindow window_;
};

// The tiles of a set of `count` cells, in the order of their names.
std::vector<Tile> chooseTiles(const SetLayout& layout, int count) {
  const auto judged = [&](size_t band, int column, int row, int approach, int harbour) {
    Tile t{band, column, row, approach, harbour};
    layout.judge(t);
    return t;
  };
  const auto byCoast = [](const Tile& a, const Tile& b) { return a.coast() > b.coast(); };
  std::vector<Tile> tiles = {judged(0, 0, 0, 0, 0)};
  std::vector<Tile> approaches;
  for (int row = 0; row < kTiles; ++row) {
    for (int column = 0; column < kTiles; ++column)
      approaches.push_back(judged(1, column, row, digitOf(column, row), 0));
  }
  std::stable_sort(approaches.begin(), approaches.end(), byCoast);
  const int rest = count - 1;
  const int approachCount = std::min(kTiles * kTiles, (rest + 2) / 3);
  approaches.resize(static_cast<size_t>(approachCount));

  // Each approach tile's harbour tiles, most coast first.
  std::vector<std::vector<Tile>> harbours;
  for (const Tile& a : approaches) {
    std::vector<Tile> inside;
    for (int row = 0; row < kTiles; ++row) {
      for (int column = 0; column < kTiles; ++column) {
        const int c = a.column * kTiles + column, r = a.row * kTiles + row;
        inside.push_back(judged(2, c, r, a.approach, digitOf(c, r)));
      }
    }
    std::stable_sort(inside.begin(), inside.end(), byCoast);
    std::reverse(inside.begin(), inside.end());  // taken from the back
    harbours.push_back(std::move(inside));
  }
  tiles.insert(tiles.end(), approaches.begin(), approaches.end());
  for (int left = rest - approachCount; left > 0;) {
    for (std::vector<Tile>& inside : harbours) {
      if (left == 0 || inside.empty()) continue;
      tiles.push_back(inside.back());
      inside.pop_back();
      --left;
    }
  }
  std::sort(tiles.begin(), tiles.end(), [](const Tile& a, const Tile& b) {
    return std::pair{a.band, a.name()} < std::pair{b.band, b.name()};
  });
  return tiles;
}

std::string readme(const Options& o, const std::vector<SetCell>& cells) {
  std::string text = "ABYS synthetic exchange set of " + std::to_string(cells.size()) +
                     " cells of one seabed, seed " + std::to_string(o.seed) +
                     ".\nNot for navigation.\n\nCell      Band      Scale     Lies in   Updates\n";
  for (const SetCell& c : cells) {
    char line[96];
    std::snprintf(line, sizeof line, "%-9s %-9s 1:%-7u %-9s %d\n", c.name.c_str(), c.band,
                  static_cast<unsigned>(c.scale), c.parent.empty() ? "-" : c.parent.c_str(),
                  c.updates);
    text += line;
  }
  return text;
}

}  // namespace

std::string checkSetOptions(const Options& o, int cells) {
  if (cells < 1 || cells > kMaxSetCells) {
    return "cells must be 1 to " + std::to_string(kMaxSetCells);
  }
  if (!o.defects.empty() || o.aids > 0 || o.soundings > 0 || o.updates > 0) {
    return "an exchange set chooses its cells' soundings and updates, and has no aids or defects";
  }
  Options whole = o;
  whole.standard = true;
  if (std::string fault = checkOptions(whole); !fault.empty()) return fault;
  const int64_t steps = kTiles * kTiles * static_cast<int64_t>(o.grid - 1);
  if (o.span * kComf / static_cast<double>(steps) < kMinStep) {
    return "grid too fine for the span of a harbour cell, a ninth of an approach cell's, itself a "
           "ninth of the span";
  }
  return {};
}

ExchangeSet makeExchangeSet(const Options& o, int count) {
  if (const std::string fault = checkSetOptions(o, count); !fault.empty()) {
    throw std::invalid_argument(fault);
  }
  const SetLayout layout(o);
  const std::vector<Tile> tiles = chooseTiles(layout, count);
  const std::string root = std::string(kSetRoot) + "/";
  ExchangeSet set;
  std::vector<cellwriter::CatalogueEntry> entries = {{.file = "CATALOG.031", .impl = "ASC"}};
  std::vector<SetFile> cellFiles;
  for (size_t k = 0; k < tiles.size(); ++k) {
    const Tile& tile = tiles[k];
    const Band& band = kBands[tile.band];
    const Options c = layout.cellOptions(tile, static_cast<uint32_t>(k), static_cast<int>(k % 3));
    if (const std::string fault = checkOptions(c); !fault.empty()) {
      throw std::invalid_argument(tile.name() + ": " + fault);
    }
    SyntheticCell made;
    try {
      made = makeCell(c);
    } catch (const std::runtime_error& e) {
      throw std::runtime_error(tile.name() + ": " + e.what());
    }
    SetCell cell{.name = tile.name(),
                 .parent = tile.band == 0   ? ""
                           : tile.band == 1 ? tiles[0].name()
                                            : "AA4ABY" + std::to_string(tile.approach) + "0",
                 .purpose = band.purpose,
                 .band = band.name,
                 .scale = band.scale,
                 .limits = SetLayout::limitsOf(c),
                 .updates = static_cast<int>(made.updates.size()),
                 .depthLines = made.depthLines,
                 .areas = made.areas,
                 .soundings = made.soundings};
    const std::string title =
        "ABYS synthetic " + std::string(band.name) + " chart 1:" + std::to_string(band.scale);
    const auto add = [&](const std::string& extension, std::string bytes, std::string longName) {
      const std::string file = cell.name + "." + extension;
      entries.push_back({.file = cell.name + "\\" + file,
                         .longName = std::move(longName),
                         .limits = cell.limits,
                         .crc = cellwriter::crcText(crc32(bytes))});
      cellFiles.push_back({root + cell.name + "/" + file, std::move(bytes)});
    };
    add("000", cellwriter::encodeCell(made.cell), title);
    for (size_t u = 0; u < made.updates.size(); ++u) {
      const std::string number = std::to_string(u + 1);
      add(std::string(3 - number.size(), '0') + number, cellwriter::encodeCell(made.updates[u]),
          title + ", update " + std::to_string(u + 1));
    }
    set.cells.push_back(std::move(cell));
  }
  std::string text = readme(o, set.cells);
  entries.insert(entries.begin() + 1,
                 {.file = "README.TXT", .impl = "TXT", .crc = cellwriter::crcText(crc32(text))});
  set.files.push_back({root + "CATALOG.031", cellwriter::encodeCatalogue(entries)});
  set.files.push_back({root + "README.TXT", std::move(text)});
  std::move(cellFiles.begin(), cellFiles.end(), std::back_inserter(set.files));
  return set;
}

}  // namespace abys::mkcell
