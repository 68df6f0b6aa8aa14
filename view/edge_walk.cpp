#include "edge_walk.h"

namespace abys {
namespace {

// The first coordinate of the node a vector pointer resolved to.
bool nodePoint(const VectorPointerEntry* pointer, LinePoint& point) {
  if (pointer == nullptr || pointer->target == nullptr) return false;
  const CoordinateRun& coordinates = pointer->target->coordinates;
  if (coordinates.empty()) return false;
  const Coordinate c = coordinates[0];
  point = {c.x, c.y};
  return true;
}

}  // namespace

std::optional<EdgeEnds> edgeEnds(const VectorRecord& edge, uint8_t orientation) {
  if (edge.pointers.count < 2) return std::nullopt;
  const VectorPointerEntry* beginning = edge.pointers.first;
  const VectorPointerEntry* ending = beginning + 1;
  const bool reverse = orientation == 2;
  EdgeEnds ends;
  if (!nodePoint(reverse ? ending : beginning, ends.start) ||
      !nodePoint(reverse ? beginning : ending, ends.end)) {
    return std::nullopt;
  }
  return ends;
}

void appendEdge(const VectorRecord& edge, uint8_t orientation, const EdgeEnds& ends, bool withStart,
                bool withEnd, std::vector<LinePoint>& points) {
  if (withStart) points.push_back(ends.start);
  if (orientation == 2) {
    for (int32_t i = edge.coordinates.count - 1; i >= 0; --i) {
      const Coordinate c = edge.coordinates[i];
      points.push_back({c.x, c.y});
    }
  } else {
    for (const Coordinate c : edge.coordinates)
      points.push_back({c.x, c.y});
  }
  if (withEnd) points.push_back(ends.end);
}

}  // namespace abys
