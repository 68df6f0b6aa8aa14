#include "surroundings.h"

#include <string_view>
#include <vector>

#include "catalogue.h"
#include "catalogue_codes.h"
#include "feature_area.h"
#include "point_location.h"
#include "portrayal.h"

namespace abys::portrayal {
namespace {

bool isClass(const FeatureRecord& feature, std::initializer_list<std::string_view> acronyms) {
  const catalogue::ObjectClass* objectClass = catalogue::objectClass(feature.objl);
  if (objectClass == nullptr) return false;
  for (const std::string_view acronym : acronyms) {
    if (objectClass->acronym == acronym) return true;
  }
  return false;
}

bool isHazard(const FeatureRecord& feature) {
  return feature.prim == kPrimPoint && isClass(feature, {"OBSTRN", "WRECKS", "UWTROC"});
}

bool isFloating(const FeatureRecord& feature) {
  return feature.prim == kPrimPoint && isClass(feature, {"BOYCAR", "BOYINB", "BOYISD", "BOYLAT",
                                                         "BOYSAW", "BOYSPP", "LITFLT", "LITVES"});
}

}  // namespace

const VectorRecord* pointNode(const FeatureRecord& feature) {
  for (const SpatialPointerEntry* pointer : feature.spatialPointers) {
    if (pointer->target != nullptr && !pointer->target->coordinates.empty()) return pointer->target;
  }
  return nullptr;
}

Surroundings::Surroundings(const Dataset& dataset) {
  std::vector<const FeatureRecord*> hazards;
  std::vector<LinePoint> points;
  for (const FeatureRecord* feature : dataset.features) {
    const VectorRecord* node = feature->prim == kPrimPoint ? pointNode(*feature) : nullptr;
    if (node == nullptr) continue;
    if (isFloating(*feature)) floating_[node] = true;
    if (!isHazard(*feature)) continue;
    for (const Coordinate c : node->coordinates) {
      hazards.push_back(feature);
      points.push_back({c.x, c.y});
      seabeds_[feature];
      break;
    }
  }
  if (points.empty()) return;
  const PointGrid grid(points);
  std::vector<const FeatureRecord*> owners;
  std::vector<Rings> areas;
  for (const FeatureRecord* feature : dataset.features) {
    if (feature->prim != kPrimArea) continue;
    if (feature->objl != catalogue::kDepare && feature->objl != catalogue::kDrgare &&
        feature->objl != catalogue::kUnsare)
      continue;
    // The box of the area's edges first: most areas hold no hazard and
    // need no rings.
    Box edges = Box::none();
    for (const SpatialPointerEntry* pointer : feature->spatialPointers) {
      if (pointer->target == nullptr) continue;
      for (const Coordinate c : pointer->target->coordinates)
        edges.add({c.x, c.y});
      for (const VectorPointerEntry* end : pointer->target->pointers) {
        if (end->target == nullptr) continue;
        for (const Coordinate c : end->target->coordinates)
          edges.add({c.x, c.y});
      }
    }
    if (!grid.anyWithin(edges.west, edges.south, edges.east, edges.north)) continue;
    std::optional<FeatureArea> area = assembleFeatureArea(*feature);
    if (!area) continue;
    Box box = Box::none();
    Rings rings;
    for (FeatureRing& ring : area->rings) {
      for (const LinePoint p : ring.points)
        box.add(p);
      rings.push_back(std::move(ring.points));
    }
    if (!grid.anyWithin(box.west, box.south, box.east, box.north)) continue;
    owners.push_back(feature);
    areas.push_back(std::move(rings));
  }
  pointsInAreas(grid, areas, [&](uint32_t point, uint32_t area) {
    Seabed& seabed = seabeds_[hazards[point]];
    const FeatureRecord& owner = *owners[area];
    seabed.underAny = true;
    const std::optional<double> drval1 = attributeNumber(owner, catalogue::kDrval1);
    if (owner.objl == catalogue::kUnsare || !drval1) {
      seabed.unsurveyed = true;
    } else {
      seabed.leastDepth = std::min(seabed.leastDepth, *drval1);
    }
  });
}

const Seabed* Surroundings::seabed(const FeatureRecord& hazard) const {
  const auto found = seabeds_.find(&hazard);
  return found == seabeds_.end() ? nullptr : &found->second;
}

bool Surroundings::onFloatingAid(const FeatureRecord& feature) const {
  const VectorRecord* node = pointNode(feature);
  return node != nullptr && floating_.count(node) != 0;
}

}  // namespace abys::portrayal
