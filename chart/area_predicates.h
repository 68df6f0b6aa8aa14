// Geometric predicates on assembled areas, answered by GEOS.
#pragma once

#include "feature_area.h"

namespace abys {

// Whether the point (lon, lat) lies in the area or on its boundary: in an
// exterior ring and not strictly inside one of the interior rings that
// follow it. Rings GEOS cannot build (fewer than four points, not closed)
// count as absent.
bool areaCovers(const FeatureArea& area, double lon, double lat);

}  // namespace abys
