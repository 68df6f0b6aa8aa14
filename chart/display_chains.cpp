#include "display_chains.h"

#include <locale.h>
#include <stdlib.h>

#include "catalogue_codes.h"

namespace abys {

using namespace catalogue;

std::optional<int> displayClassOf(uint16_t objl) {
  switch (objl) {
    case kDepthLineClass:
      return kDepthLines;
    case kAreaNameClass:
      return kAreaNames;
    case kPlaceNameClass:
      return kPlaceNames;
    case kCoverageClass:
      return kCoverage;
    case kDepare:
    case kDrgare:
      return kDepthAreas;
    case kUnsare:
      return kUnsurveyed;
    case kLndare:
      return kLand;
    case kCoalne:
    case kSlcons:
      return kShoreLines;
    case kDepcnt:
      return kDepthContours;
    case kSoundg:
      return kSoundings;
    default:
      return std::nullopt;
  }
}

DepthBand depthBandOf(double drval1, const DepthContours& contours) {
  if (drval1 < 0) return DepthBand::Intertidal;
  if (drval1 < contours.shallow) return DepthBand::VeryShallow;
  if (drval1 < contours.safety) return DepthBand::Shallow;
  if (drval1 < contours.deep) return DepthBand::Medium;
  return DepthBand::Deep;
}

void buildDisplayChains(DisplayState& display, Dataset& dataset) {
  display.displayChains = {};
  for (FeatureRecord* feature : dataset.features) {
    feature->nextInClass = nullptr;
    const std::optional<int> displayClass = displayClassOf(feature->objl);
    if (!displayClass) continue;
    DisplayChain& chain = display.displayChains[*displayClass];
    if (chain.tail == nullptr) {
      chain.head = feature;
    } else {
      chain.tail->nextInClass = feature;
    }
    chain.tail = feature;
  }
}

void computeValdcoRange(DisplayState& display) {
  bool first = true;
  ValdcoRange& range = display.valdcoRange;
  for (const int displayClass : {kDepthLines, kDepthContours}) {
    for (FeatureRecord* feature = display.displayChains[displayClass].head; feature != nullptr;
         feature = feature->nextInClass) {
      for (AttributeEntry* entry : feature->attributes) {
        if (entry->attl != kValdcoCode) continue;
        entry->value = parseNumber(entry->atvl);
        if (first) {
          range = {entry->value, entry->value};
          first = false;
        } else {
          if (entry->value < range.min) range.min = entry->value;
          if (entry->value > range.max) range.max = entry->value;
        }
      }
    }
  }
}

void computeDepthRanges(DisplayState& display) {
  for (FeatureRecord* feature = display.displayChains[kDepthAreas].head; feature != nullptr;
       feature = feature->nextInClass) {
    for (AttributeEntry* entry : feature->attributes) {
      if (entry->attl == kDrval1Code || entry->attl == kDrval2Code) {
        entry->value = parseNumber(entry->atvl);
      }
    }
  }
}

double parseNumber(const char* text) {
  // Qt's application object sets the process locale from the environment,
  // under which atof would stop at the '.' of "15.75".
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale == static_cast<locale_t>(nullptr)) return strtod(text, nullptr);
  return strtod_l(text, nullptr, cLocale);
}

void prepareChart(DisplayState& display, Dataset& dataset, ViewState& view,
                  const ViewWindow& window) {
  display.currentDataset = &dataset;
  buildDisplayChains(display, dataset);
  computeValdcoRange(display);
  computeDepthRanges(display);
  const Bounds geo{dataset.minX, dataset.minY, dataset.maxX, dataset.maxY};
  setProjection(view, geo);
  display.chartBounds = projectBounds(view, geo);
  fitView(view, display.chartBounds, window);
}

}  // namespace abys
