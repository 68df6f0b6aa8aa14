// What the viewer shows of the open chart: the dataset, its portrayal (what
// each feature draws, in drawing order), the VALDCO range the depth colours
// spread over, the chart's extent in metres, and the mariner's settings.
// The shell owns the one instance and fills it when a chart opens; the
// drawing area only reads it. Qt-free.
#pragma once

#include <cstdint>

#include "catalogue_codes.h"
#include "dataset.h"
#include "mariner_settings.h"
#include "portrayal.h"
#include "view_transform.h"

namespace abys {

// The project's own classes (OBJL): depth lines, area names, place names.
inline constexpr uint16_t kDepthLineClass = 30011;
inline constexpr uint16_t kAreaNameClass = 30012;
inline constexpr uint16_t kPlaceNameClass = 30014;
inline constexpr uint16_t kCoverageClass = catalogue::kMCovr;

// Attribute codes the view reads: VALDCO, DRVAL1 and DRVAL2 among a
// feature's ATTF entries, NOBJNM among its NATF entries.
inline constexpr uint16_t kValdcoCode = catalogue::kValdco;
inline constexpr uint16_t kDrval1Code = catalogue::kDrval1;
inline constexpr uint16_t kDrval2Code = catalogue::kDrval2;
inline constexpr uint16_t kNobjnmCode = catalogue::kNobjnm;
// The depth of a depth line that carries no VALDCO.
inline constexpr double kNoValdco = portrayal::kNoDepth;

struct ValdcoRange {
  double min = 0.0;
  double max = 0.0;
};

// While currentDataset is null the other members may still describe an
// earlier chart and must not be read.
struct DisplayState {
  Dataset* currentDataset = nullptr;
  portrayal::Portrayal portrayal;
  ValdcoRange valdcoRange{};
  Bounds chartBounds{};  // metres
  // Chosen by the user; kept across charts.
  DepthContours depthContours{};
  portrayal::PortrayalSettings rules{};
  PresentationSettings presentation{};
};

}  // namespace abys
