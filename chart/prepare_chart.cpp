#include "prepare_chart.h"

#include "catalogue.h"
#include "catalogue_codes.h"
#include "drawn_geometry.h"
#include "messages.h"

namespace abys {

void portrayChart(DisplayState& display) {
  if (display.currentDataset == nullptr) return;
  display.portrayal =
      portrayal::Portrayal(*display.currentDataset, display.depthContours, display.rules);
}

void computeValdcoRange(DisplayState& display) {
  bool first = true;
  ValdcoRange& range = display.valdcoRange;
  for (const uint16_t objectClass : {kDepthLineClass, catalogue::kDepcnt}) {
    for (const FeatureRecord* feature : display.currentDataset->features) {
      if (feature->objl != objectClass) continue;
      for (const AttributeEntry* entry : feature->attributes) {
        if (entry->attl != kValdcoCode) continue;
        const double value = portrayal::parseNumber(portrayal::valueText(*entry));
        if (first) {
          range = {value, value};
          first = false;
        } else {
          if (value < range.min) range.min = value;
          if (value > range.max) range.max = value;
        }
      }
    }
  }
}

void prepareChart(DisplayState& display, Dataset& dataset, ViewState& view,
                  const ViewWindow& window) {
  display.currentDataset = &dataset;
  portrayChart(display);
  computeValdcoRange(display);
  const Bounds geo{dataset.minX, dataset.minY, dataset.maxX, dataset.maxY};
  setProjection(view, geo);
  display.chartBounds = projectBounds(view, geo);
  fitView(view, display.chartBounds, window);
}

bool isShown(const portrayal::FeaturePortrayal& feature, const PresentationSettings& presentation,
             double denominator) {
  using portrayal::Category;
  const bool categoryShown = feature.category == Category::DisplayBase ||
                             presentation.categories == DisplayCategories::All ||
                             (feature.category == Category::Standard &&
                              presentation.categories == DisplayCategories::Standard);
  return categoryShown && !(presentation.scaleMinimum && feature.scaleMinimum > 0 &&
                            feature.scaleMinimum < denominator);
}

std::string hiddenBecause(const portrayal::FeaturePortrayal& feature,
                          const PresentationSettings& presentation, double denominator) {
  if (isShown(feature, presentation, denominator)) return {};
  PresentationSettings everyScale = presentation;
  everyScale.scaleMinimum = false;
  if (!isShown(feature, everyScale, denominator))
    return "category " + std::string(portrayal::categoryName(feature.category));
  return "scamin " + std::to_string(feature.scaleMinimum);
}

std::vector<std::string> portrayalListing(const DisplayState& display,
                                          const DrawnGeometry& geometry, double denominator) {
  std::vector<std::string> lines;
  if (display.currentDataset == nullptr) return lines;
  const std::span<const portrayal::FeaturePortrayal> portrayed = display.portrayal.features();
  uint32_t next = 0;  // the portrayal's features are the dataset's, in order, less the meta ones
  for (const FeatureRecord* feature : display.currentDataset->features) {
    const catalogue::ObjectClass* objectClass = catalogue::objectClass(feature->objl);
    std::string line = recordName(kRcnmFeature, feature->rcid) + ' ' +
                       (objectClass != nullptr ? std::string(objectClass->acronym)
                                               : std::to_string(feature->objl));
    if (next >= portrayed.size() || portrayed[next].feature != feature) {
      lines.push_back(line + " - - - meta class");
      continue;
    }
    const uint32_t index = next++;
    const portrayal::FeaturePortrayal& p = portrayed[index];
    const std::string instructions = portrayal::instructionText(display.portrayal.instructions(p));
    line += ' ' + std::string(portrayal::categoryName(p.category)) + ' ' +
            std::to_string(p.priority) + ' ' + (instructions.empty() ? "-" : instructions) + ' ';
    std::string why = hiddenBecause(p, display.presentation, denominator);
    if (why.empty() && p.instructionCount == 0) why = "nothing to draw";
    if (why.empty() && geometry.feature(index) == nullptr) why = "no geometry";
    lines.push_back(line + (why.empty() ? "drawn" : why));
  }
  return lines;
}

}  // namespace abys
