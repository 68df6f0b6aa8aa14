// The conditional procedures of the presentation tables: each turns a
// feature, its attributes and the mariner's settings into instructions of
// the other kinds. Qt-free; used by the portrayal (and Identify, for a
// light's flare).
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "portrayal.h"
#include "surroundings.h"

namespace abys::portrayal {

// What a procedure reads and may change besides its instructions: a
// procedure may raise a feature's priority, category and viewing group (an
// isolated danger goes to the display base).
struct ProcedureContext {
  const FeatureRecord& feature;
  std::span<const AttributeValue> attributes;
  const DepthContours& contours;
  const PortrayalSettings& settings;
  const PresentationTables& tables;
  // The edges the safety contour runs along, sorted (see Portrayal).
  std::span<const VectorRecord* const> safetyEdges;
  // The seabed under hazards and what floats on each node.
  const Surroundings& surroundings;
  uint8_t priority = 0;
  Category category = Category::Standard;
  uint32_t viewingGroup = 0;
};

// Appends the instructions of the procedure named name (with or without
// its edition digits) to out; false, with nothing appended, when no such
// procedure is known.
bool expandProcedure(std::string_view name, ProcedureContext& context,
                     std::vector<Instruction>& out);

// The flare symbol of a light drawn in a colour token (LITRD, LITGN,
// LITYW; the magenta flare of unknown colour for any other).
std::string_view flareSymbol(std::string_view token);

// The fallback's instructions for a primitive (kPrimPoint, kPrimLine or
// kPrimArea; anything else is drawn as a point): a magenta question mark at
// a point, a magenta dashed line along a line or an area's boundary.
std::vector<Instruction> fallbackInstructions(uint8_t primitive);

}  // namespace abys::portrayal
