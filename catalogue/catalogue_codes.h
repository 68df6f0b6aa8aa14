// Codes of the object classes the viewer draws and the attributes it reads,
// for use where a constant is needed; objectClass() and attribute() give the
// rest of each entry.
#pragma once

#include <cstdint>

namespace abys::catalogue {

// Object classes (OBJL).
inline constexpr uint16_t kCoalne = 30;   // coastline
inline constexpr uint16_t kDepare = 42;   // depth area
inline constexpr uint16_t kDepcnt = 43;   // depth contour
inline constexpr uint16_t kDrgare = 46;   // dredged area
inline constexpr uint16_t kLndare = 71;   // land area
inline constexpr uint16_t kSlcons = 122;  // shoreline construction
inline constexpr uint16_t kSoundg = 129;  // sounding
inline constexpr uint16_t kUnsare = 154;  // unsurveyed area
inline constexpr uint16_t kMCovr = 302;   // coverage

// Attributes (ATTL).
inline constexpr uint16_t kCatcov = 18;   // category of coverage
inline constexpr uint16_t kDrval1 = 87;   // depth range value 1
inline constexpr uint16_t kDrval2 = 88;   // depth range value 2
inline constexpr uint16_t kObjnam = 116;  // object name
inline constexpr uint16_t kValdco = 174;  // value of depth contour
inline constexpr uint16_t kValsou = 179;  // value of sounding
inline constexpr uint16_t kNobjnm = 301;  // object name in national language

}  // namespace abys::catalogue
