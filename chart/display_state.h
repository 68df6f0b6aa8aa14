// What the viewer shows of the open chart: the dataset, the feature records
// it draws sorted into display chains, the VALDCO range the depth colours
// spread over, and the chart's extent in metres. The shell owns the one
// instance and fills it when a chart opens; the drawing area only reads it.
// Qt-free.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "dataset.h"
#include "view_transform.h"

namespace abys {

// Display classes by object class code (OBJL).
inline constexpr uint16_t kDepthLineClass = 30011;
inline constexpr uint16_t kAreaNameClass = 30012;
inline constexpr uint16_t kPlaceNameClass = 30014;
inline constexpr uint16_t kCoverageClass = 302;
inline constexpr int kDisplayClassCount = 4;
inline constexpr int kDepthLines = 0;

// The display class of an object class code: 0 depth lines, 1 and 2 named
// texts, 3 coverage; none for every other code.
constexpr std::optional<int> displayClassOf(uint16_t objl) {
  switch (objl) {
    case kDepthLineClass:
      return 0;
    case kAreaNameClass:
      return 1;
    case kPlaceNameClass:
      return 2;
    case kCoverageClass:
      return 3;
    default:
      return std::nullopt;
  }
}

// Attribute codes the view reads: VALDCO among a feature's ATTF entries,
// NOBJNM among its NATF entries.
inline constexpr uint16_t kValdcoCode = 174;
inline constexpr uint16_t kNobjnmCode = 301;
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

// While currentDataset is null the other members may still describe an
// earlier chart and must not be read.
struct DisplayState {
  Dataset* currentDataset = nullptr;
  std::array<DisplayChain, kDisplayClassCount> displayChains{};
  ValdcoRange valdcoRange{};
  Bounds chartBounds{};  // metres
};

}  // namespace abys
