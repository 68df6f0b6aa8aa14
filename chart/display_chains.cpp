#include "display_chains.h"

#include <locale.h>
#include <stdlib.h>

namespace abys {

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
  for (FeatureRecord* feature = display.displayChains[kDepthLines].head; feature != nullptr;
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
  const Bounds geo{dataset.minX, dataset.minY, dataset.maxX, dataset.maxY};
  setProjection(view, geo);
  display.chartBounds = projectBounds(view, geo);
  fitView(view, display.chartBounds, window);
}

}  // namespace abys
