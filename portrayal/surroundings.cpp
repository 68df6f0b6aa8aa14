#include "surroundings.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue.h"
#include "catalogue_codes.h"
#include "point_location.h"
#include "portrayal.h"

namespace abys::portrayal {
namespace {

// The codes of the classes named, looked up once.
template <size_t N>
std::array<uint16_t, N> classCodes(const std::array<std::string_view, N>& acronyms) {
  std::array<uint16_t, N> codes{};
  for (size_t i = 0; i < N; ++i) {
    const catalogue::ObjectClass* objectClass = catalogue::objectClass(acronyms[i]);
    codes[i] = objectClass != nullptr ? objectClass->code : 0;
  }
  return codes;
}

template <size_t N>
bool isOneOf(const FeatureRecord& feature, const std::array<uint16_t, N>& codes) {
  return std::find(codes.begin(), codes.end(), feature.objl) != codes.end();
}

bool isHazard(const FeatureRecord& feature) {
  static const auto kHazards =
      classCodes(std::array<std::string_view, 3>{"OBSTRN", "WRECKS", "UWTROC"});
  return feature.prim == kPrimPoint && isOneOf(feature, kHazards);
}

bool isFloating(const FeatureRecord& feature) {
  static const auto kFloating = classCodes(std::array<std::string_view, 8>{
      "BOYCAR", "BOYINB", "BOYISD", "BOYLAT", "BOYSAW", "BOYSPP", "LITFLT", "LITVES"});
  return feature.prim == kPrimPoint && isOneOf(feature, kFloating);
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
  std::vector<LinePoint> edge;
  std::vector<uint32_t> candidates;
  std::vector<uint8_t> crossings;
  std::vector<std::pair<double, uint32_t>> byLatitude;
  for (const FeatureRecord* feature : dataset.features) {
    if (feature->prim != kPrimArea) continue;
    if (feature->objl != catalogue::kDepare && feature->objl != catalogue::kDrgare &&
        feature->objl != catalogue::kUnsare)
      continue;
    // The hazards in the box of the area's edges, then the parity of the
    // crossings of a ray east from each with the edges, each edge taken
    // once from its first node to its last: odd is inside. Rings need not
    // be assembled for that.
    Box box = Box::none();
    for (const SpatialPointerEntry* pointer : feature->spatialPointers) {
      if (pointer->target == nullptr) continue;
      for (const Coordinate c : pointer->target->coordinates)
        box.add({c.x, c.y});
      for (const VectorPointerEntry* end : pointer->target->pointers) {
        if (end->target == nullptr) continue;
        for (const Coordinate c : end->target->coordinates)
          box.add({c.x, c.y});
      }
    }
    candidates.clear();
    grid.pointsWithin(box.west, box.south, box.east, box.north, candidates);
    if (candidates.empty()) continue;
    crossings.assign(candidates.size(), 0);
    // The candidates by latitude: an edge's segment can only be crossed by
    // the rays of those between its ends' latitudes.
    byLatitude.clear();
    for (size_t k = 0; k < candidates.size(); ++k)
      byLatitude.push_back({grid.point(candidates[k]).y, static_cast<uint32_t>(k)});
    std::sort(byLatitude.begin(), byLatitude.end());
    for (const SpatialPointerEntry* pointer : feature->spatialPointers) {
      const VectorRecord* target = pointer->target;
      if (target == nullptr) continue;
      const VectorRecord* first = nullptr;
      const VectorRecord* last = nullptr;
      for (const VectorPointerEntry* end : target->pointers) {
        if (end->topi == 2) {
          last = end->target;
        } else if (first == nullptr) {
          first = end->target;
        } else {
          last = end->target;
        }
      }
      edge.clear();
      const auto add = [&](const VectorRecord* node) {
        if (node == nullptr) return;
        for (const Coordinate c : node->coordinates) {
          edge.push_back({c.x, c.y});
          break;
        }
      };
      add(first);
      for (const Coordinate c : target->coordinates)
        edge.push_back({c.x, c.y});
      add(last);
      for (size_t i = 1; i < edge.size(); ++i) {
        const LinePoint a = edge[i - 1];
        const LinePoint b = edge[i];
        // (a.y > p.y) != (b.y > p.y) holds exactly for p.y in [low, high).
        const double low = std::min(a.y, b.y);
        const double high = std::max(a.y, b.y);
        const auto from = std::lower_bound(byLatitude.begin(), byLatitude.end(),
                                           std::pair<double, uint32_t>{low, 0});
        for (auto at = from; at != byLatitude.end() && at->first < high; ++at) {
          const size_t k = at->second;
          const LinePoint p = grid.point(candidates[k]);
          const double x = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
          if (p.x < x) crossings[k] ^= 1;
        }
      }
    }
    const std::optional<double> drval1 = attributeNumber(*feature, catalogue::kDrval1);
    for (size_t k = 0; k < candidates.size(); ++k) {
      if (crossings[k] == 0) continue;
      Seabed& seabed = seabeds_[hazards[candidates[k]]];
      seabed.underAny = true;
      if (feature->objl == catalogue::kUnsare || !drval1) {
        seabed.unsurveyed = true;
      } else {
        seabed.leastDepth = std::min(seabed.leastDepth, *drval1);
      }
    }
  }
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
