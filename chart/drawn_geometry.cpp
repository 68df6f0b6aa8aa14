#include "drawn_geometry.h"

#include <algorithm>
#include <optional>

#include "edge_walk.h"
#include "feature_area.h"

namespace abys {

DrawnGeometry::DrawnGeometry(const DisplayState& display) {
  const std::pair<int, bool> drawn[] = {{kDepthAreas, true},
                                        {kUnsurveyed, true},
                                        {kLand, true},
                                        {kShoreLines, false},
                                        {kDepthContours, false}};
  for (const auto& [displayClass, asArea] : drawn) {
    for (const FeatureRecord* f = display.displayChains[displayClass].head; f != nullptr;
         f = f->nextInClass) {
      add(displayClass, *f, asArea);
    }
  }
}

bool DrawnGeometry::appendLine(const FeatureRecord& feature) {
  if (feature.prim != kPrimLine || feature.spatialPointers.empty()) return false;
  const size_t start = points_.size();
  passed_.clear();
  std::optional<EdgeEnds> last;  // of the edge the open part ends with
  size_t partStart = start;
  const auto closePart = [&] {
    if (!last) return;
    points_.push_back(last->end);
    rings_.push_back({partStart, points_.size() - partStart, true});
    last.reset();
  };
  for (const SpatialPointerEntry* p : feature.spatialPointers) {
    const std::optional<EdgeEnds> ends =
        p->target != nullptr ? edgeEnds(*p->target, p->ornt) : std::nullopt;
    if (!ends) {
      points_.resize(start);
      rings_.clear();
      return false;
    }
    if (!passed_.insert(p->target).second) {
      closePart();
      continue;
    }
    if (!last) partStart = points_.size();
    appendEdge(*p->target, p->ornt, *ends, true, false, points_);
    last = ends;
  }
  closePart();
  return true;
}

void DrawnGeometry::add(int displayClass, const FeatureRecord& feature, bool asArea) {
  const size_t start = points_.size();
  rings_.clear();
  if ((asArea || !appendLine(feature)) && !appendFeatureRings(feature, points_, rings_)) return;
  DrawnFeature drawn{
      &feature, static_cast<uint32_t>(parts_.size()), static_cast<uint32_t>(rings_.size()), {}};
  const LinePoint& first = points_[start];
  drawn.box = {first.x, first.y, first.x, first.y};
  for (size_t i = start + 1; i < points_.size(); ++i) {
    const LinePoint& p = points_[i];
    drawn.box.minX = std::min(drawn.box.minX, p.x);
    drawn.box.minY = std::min(drawn.box.minY, p.y);
    drawn.box.maxX = std::max(drawn.box.maxX, p.x);
    drawn.box.maxY = std::max(drawn.box.maxY, p.y);
  }
  for (const RingRange& ring : rings_) {
    parts_.push_back(
        {static_cast<uint32_t>(ring.first), static_cast<uint32_t>(ring.count), ring.exterior});
  }
  layers_[static_cast<size_t>(displayClass)].push_back(drawn);
}

namespace {

// The vertex strictly between first and end farthest from the segment
// that joins them, if it lies farther than the squared tolerance.
std::optional<uint32_t> farthestBeyond(std::span<const LinePoint> m, uint32_t first, uint32_t end,
                                       double squaredTolerance) {
  const LinePoint a = m[first], b = m[end];
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length = dx * dx + dy * dy;
  const double inverse = length > 0.0 ? 1.0 / length : 0.0;
  double farthest = squaredTolerance;
  std::optional<uint32_t> split;
  for (uint32_t i = first + 1; i < end; ++i) {
    const double px = m[i].x - a.x, py = m[i].y - a.y;
    const double along = px * dx + py * dy;
    double d;
    if (along <= 0.0 || length == 0.0) {
      d = px * px + py * py;
    } else if (along >= length) {
      d = (m[i].x - b.x) * (m[i].x - b.x) + (m[i].y - b.y) * (m[i].y - b.y);
    } else {
      const double across = px * dy - py * dx;
      d = across * across * inverse;
    }
    if (d > farthest) {
      farthest = d;
      split = i;
    }
  }
  return split;
}

// Marks in keep the vertices of metres that a Douglas-Peucker pass at the
// squared tolerance keeps; both ends are kept.
void markKept(std::span<const LinePoint> metres, double squaredTolerance, std::vector<char>& keep,
              std::vector<std::pair<uint32_t, uint32_t>>& stack) {
  // Runs of at most kRun vertices, each with its ends kept, bound the work
  // of a long line to a few distances per vertex; the one vertex in kRun
  // kept beyond need costs nothing to see.
  constexpr uint32_t kRun = 64;
  const auto last = static_cast<uint32_t>(metres.size() - 1);
  keep.assign(metres.size(), 0);
  keep[last] = 1;
  stack.clear();
  for (uint32_t first = 0; first < last; first += kRun) {
    keep[first] = 1;
    stack.emplace_back(first, std::min(first + kRun, last));
  }
  while (!stack.empty()) {
    const auto [first, end] = stack.back();
    stack.pop_back();
    const std::optional<uint32_t> split = farthestBeyond(metres, first, end, squaredTolerance);
    if (!split) continue;
    keep[*split] = 1;
    if (*split - first > 1) stack.emplace_back(first, *split);
    if (end - *split > 1) stack.emplace_back(*split, end);
  }
}

}  // namespace

DrawnGeometry DrawnGeometry::simplified(const ViewState& view, double tolerance) const {
  DrawnGeometry result;
  result.layers_ = layers_;
  result.parts_.reserve(parts_.size());
  result.points_.reserve(points_.size());  // untouched pages cost nothing
  std::vector<LinePoint> metres;
  std::vector<char> keep;
  std::vector<std::pair<uint32_t, uint32_t>> stack;
  for (const DrawnPart& part : parts_) {
    const std::span<const LinePoint> from = points(part);
    DrawnPart kept{static_cast<uint32_t>(result.points_.size()), 0, part.exterior};
    if (from.size() <= 2) {
      result.points_.insert(result.points_.end(), from.begin(), from.end());
    } else {
      metres.resize(from.size());
      std::transform(from.begin(), from.end(), metres.begin(), [&view](const LinePoint& p) {
        return LinePoint{p.x * view.metresPerDegreeX, p.y * view.metresPerDegreeY};
      });
      markKept(metres, tolerance * tolerance, keep, stack);
      for (size_t i = 0; i < from.size(); ++i) {
        if (keep[i] != 0) result.points_.push_back(from[i]);
      }
    }
    kept.count = static_cast<uint32_t>(result.points_.size()) - kept.first;
    result.parts_.push_back(kept);
  }
  return result;
}

Bounds visibleDegrees(const ViewState& view, const ViewWindow& window, int32_t margin) {
  const GeoPoint a =
      metresToDegrees(view, pixelToMetres(view, window.left - margin, window.top - margin));
  const GeoPoint b =
      metresToDegrees(view, pixelToMetres(view, window.right + margin, window.bottom + margin));
  return {std::min(a.lon, b.lon), std::min(a.lat, b.lat), std::max(a.lon, b.lon),
          std::max(a.lat, b.lat)};
}

}  // namespace abys
