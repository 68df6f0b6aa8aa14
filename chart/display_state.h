// What the viewer shows of the open chart: the dataset, the feature records
// it draws sorted into display chains, the VALDCO range the depth colours
// spread over, and the chart's extent in metres. The shell owns the one
// instance and fills it when a chart opens; the drawing area only reads it.
// Qt-free.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "catalogue_codes.h"
#include "dataset.h"
#include "mariner_settings.h"
#include "view_transform.h"

namespace abys {

// Display classes by object class code (OBJL): the project's own classes,
// and the standard S-57 classes of bathymetry and land.
inline constexpr uint16_t kDepthLineClass = 30011;
inline constexpr uint16_t kAreaNameClass = 30012;
inline constexpr uint16_t kPlaceNameClass = 30014;
inline constexpr uint16_t kCoverageClass = catalogue::kMCovr;

enum DisplayClass : int {
  kDepthLines = 0,     // 30011
  kAreaNames = 1,      // 30012
  kPlaceNames = 2,     // 30014
  kCoverage = 3,       // M_COVR, never drawn
  kDepthAreas = 4,     // DEPARE, DRGARE, filled by depth band
  kUnsurveyed = 5,     // UNSARE
  kLand = 6,           // LNDARE
  kShoreLines = 7,     // COALNE, SLCONS
  kDepthContours = 8,  // DEPCNT, drawn as depth lines
  kSoundings = 9,      // SOUNDG
};
inline constexpr int kDisplayClassCount = 10;

// The display class of an object class code; none for every other code.
std::optional<int> displayClassOf(uint16_t objl);

// Attribute codes the view reads: VALDCO, DRVAL1 and DRVAL2 among a
// feature's ATTF entries, NOBJNM among its NATF entries.
inline constexpr uint16_t kValdcoCode = catalogue::kValdco;
inline constexpr uint16_t kDrval1Code = catalogue::kDrval1;
inline constexpr uint16_t kDrval2Code = catalogue::kDrval2;
inline constexpr uint16_t kNobjnmCode = catalogue::kNobjnm;
// The depth of a depth line that carries no VALDCO.
inline constexpr double kNoValdco = -99999.0;

// Records of one display class threaded through their nextInClass links in
// the order of the dataset's feature list; owns nothing.
struct DisplayChain {
  FeatureRecord* head = nullptr;
  FeatureRecord* tail = nullptr;
};

struct ValdcoRange {
  double min = 0.0;
  double max = 0.0;
};

// The bands depth areas are filled by, from DRVAL1 (a missing DRVAL1 counts
// as -1): below 0; from 0 to below shallow; to below safety; to below deep;
// from deep on.
enum class DepthBand { Intertidal, VeryShallow, Shallow, Medium, Deep };
DepthBand depthBandOf(double drval1, const DepthContours& contours);

// While currentDataset is null the other members may still describe an
// earlier chart and must not be read.
struct DisplayState {
  Dataset* currentDataset = nullptr;
  std::array<DisplayChain, kDisplayClassCount> displayChains{};
  ValdcoRange valdcoRange{};
  Bounds chartBounds{};  // metres
  // Chosen by the user; kept across charts.
  DepthContours depthContours{};
};

}  // namespace abys
