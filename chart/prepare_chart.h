// Builds the display state of a chart that passed the checks: its
// portrayal and the range of VALDCO values. Qt-free.
#pragma once

#include <string>
#include <vector>

#include "display_state.h"
#include "view_transform.h"

namespace abys {

// Portrays the current dataset by the rules' settings, the contours taken
// from display.depthContours. Nothing without a current dataset.
void portrayChart(DisplayState& display);

// Folds the number of every ATTF VALDCO entry of the depth lines and depth
// contours into display.valdcoRange, in file order. Keeps the range it had
// when none carries a VALDCO.
void computeValdcoRange(DisplayState& display);

// Everything the open command does for a chart that passed the checks:
// makes dataset the current one, portrays it, finds the VALDCO range,
// sets the projection from the dataset's extent, keeps that extent in
// metres as chartBounds and fits the view to it in window.
void prepareChart(DisplayState& display, Dataset& dataset, ViewState& view,
                  const ViewWindow& window);

// Whether a portrayed feature is drawn at a display scale of
// 1:denominator under the presentation settings (its category is shown,
// and its SCAMIN, if any and if honoured, is at least the denominator).
bool isShown(const portrayal::FeaturePortrayal& feature, const PresentationSettings& presentation,
             double denominator);

// Why a portrayed feature is not drawn at a display scale of 1:denominator
// under the presentation settings: "category other" (or "category
// standard"), "scamin N"; empty when it is drawn. Geometry is not asked.
std::string hiddenBecause(const portrayal::FeaturePortrayal& feature,
                          const PresentationSettings& presentation, double denominator);

class DrawnGeometry;

// One line per feature of the current dataset, in file order: its record
// name, class acronym (the code of a class the catalogue lacks), display
// category, priority, instructions after the conditional procedures, and
// "drawn" or why not at a display scale of 1:denominator ("category
// other", "scamin N", "no geometry", "nothing to draw", "meta class").
std::vector<std::string> portrayalListing(const DisplayState& display,
                                          const DrawnGeometry& geometry, double denominator);

}  // namespace abys
