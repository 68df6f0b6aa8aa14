#include "feature_line.h"

#include <new>

namespace abys {
namespace {

// The first coordinate of the node a vector pointer resolved to.
bool nodePoint(const VectorPointerEntry* pointer, LinePoint& point) {
  if (pointer == nullptr || pointer->target == nullptr) return false;
  const CoordinateEntry* c = pointer->target->coordinates.first;
  if (c == nullptr) return false;
  point = {c->x, c->y};
  return true;
}

// Appends the points of one edge walked as orientation says: its start node,
// its own coordinates, its end node. With skipLast the end node is left out,
// as a join does for every edge but the last.
bool appendEdge(const VectorRecord& edge, uint8_t orientation, bool skipLast,
                std::vector<LinePoint>& points) {
  if (edge.pointers.count < 2) return false;
  const VectorPointerEntry* beginning = edge.pointers.first;
  const VectorPointerEntry* ending = beginning->next;
  const bool reverse = orientation == 2;
  LinePoint start, end;
  if (!nodePoint(reverse ? ending : beginning, start) ||
      !nodePoint(reverse ? beginning : ending, end)) {
    return false;
  }
  points.push_back(start);
  if (reverse) {
    for (const CoordinateEntry* c = edge.coordinates.last; c != nullptr; c = c->prev) {
      points.push_back({c->x, c->y});
    }
  } else {
    for (const CoordinateEntry* c : edge.coordinates)
      points.push_back({c->x, c->y});
  }
  if (!skipLast) points.push_back(end);
  return true;
}

}  // namespace

// One vector sized once for the whole line: rendering and picking run this
// for every depth line on every paint and press.
std::optional<FeatureLine> assembleFeatureLine(const FeatureRecord& feature) {
  if (feature.prim != kPrimLine || feature.spatialPointers.empty()) return std::nullopt;
  try {
    size_t total = 1;
    for (const SpatialPointerEntry* p : feature.spatialPointers) {
      if (p->target == nullptr) return std::nullopt;
      total += static_cast<size_t>(p->target->coordinates.count) + 1;
    }
    FeatureLine line;
    line.points.reserve(total);
    for (const SpatialPointerEntry* p : feature.spatialPointers) {
      if (!appendEdge(*p->target, p->ornt, p->next != nullptr, line.points)) return std::nullopt;
    }
    return line;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace abys
