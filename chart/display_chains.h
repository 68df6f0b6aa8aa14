// Builds the display state of a chart that passed the checks: the display
// chains and the range of VALDCO values. Qt-free.
#pragma once

#include "display_state.h"
#include "view_transform.h"

namespace abys {

// Rebuilds display.displayChains from dataset's features, keeping file order
// within each chain. Every feature's nextInClass is rewritten.
void buildDisplayChains(DisplayState& display, Dataset& dataset);

// Walks the depth lines (chain 0) and then the depth contours, stores the
// number of every VALDCO entry's text in its value and folds the numbers
// into display.valdcoRange. Keeps the range it had when neither carries a
// VALDCO.
void computeValdcoRange(DisplayState& display);

// Stores the number of every DRVAL1 and DRVAL2 entry's text of the depth
// areas in its value.
void computeDepthRanges(DisplayState& display);

// Everything the open command does for a chart that passed the checks:
// makes dataset the current one, builds the chains, the VALDCO range and
// the depth areas' values,
// sets the projection from the dataset's extent, keeps that extent in
// metres as chartBounds and fits the view to it in window.
void prepareChart(DisplayState& display, Dataset& dataset, ViewState& view,
                  const ViewWindow& window);

// atof in the "C" locale: the longest leading number of text (blanks first
// skipped), 0 when there is none. A decimal point whatever LC_NUMERIC says.
double parseNumber(const char* text);

}  // namespace abys
