#include "drawn_geometry.h"

#include <algorithm>
#include <optional>

#include "edge_walk.h"
#include "feature_area.h"

namespace abys {

DrawnGeometry::DrawnGeometry(const DisplayState& display) {
  const std::span<const portrayal::FeaturePortrayal> portrayed = display.portrayal.features();
  index_.assign(portrayed.size(), -1);
  for (uint32_t i = 0; i < portrayed.size(); ++i) {
    if (portrayed[i].instructionCount == 0) continue;
    add(i, *portrayed[i].feature);
    const std::span<const portrayal::Instruction> instructions =
        display.portrayal.instructions(portrayed[i]);
    if (index_[i] >= 0 &&
        std::any_of(instructions.begin(), instructions.end(), [](const portrayal::Instruction& x) {
          return x.along == portrayal::Along::SafetyContour;
        })) {
      addSafetyParts(*portrayed[i].feature, display.portrayal.safetyEdges());
    }
  }
}

void DrawnGeometry::addSafetyParts(const FeatureRecord& feature,
                                   std::span<const VectorRecord* const> safetyEdges) {
  DrawnFeature& drawn = features_.back();
  drawn.firstSafetyPart = static_cast<uint32_t>(parts_.size());
  for (const SpatialPointerEntry* p : feature.spatialPointers) {
    if (p->target == nullptr ||
        !std::binary_search(safetyEdges.begin(), safetyEdges.end(), p->target))
      continue;
    const std::optional<EdgeEnds> ends = edgeEnds(*p->target, p->ornt);
    if (!ends) continue;
    const size_t start = points_.size();
    appendEdge(*p->target, p->ornt, *ends, true, true, points_);
    parts_.push_back(
        {static_cast<uint32_t>(start), static_cast<uint32_t>(points_.size() - start), true});
  }
  drawn.safetyPartCount = static_cast<uint32_t>(parts_.size()) - drawn.firstSafetyPart;
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

void DrawnGeometry::add(uint32_t index, const FeatureRecord& feature) {
  const size_t start = points_.size();
  rings_.clear();
  DrawnFeature drawn{&feature, static_cast<uint32_t>(parts_.size()), 0, {}, false, feature.prim};
  bool soundings = false;
  if (feature.prim == kPrimPoint) {
    const SpatialPointerEntry* pointer = feature.spatialPointers.first;
    const VectorRecord* node = pointer != nullptr ? pointer->target : nullptr;
    if (node == nullptr) return;
    if (!node->soundings().empty()) {
      // Soundings are drawn from the model; only their extent is kept.
      for (const SpatialPointerEntry* p : feature.spatialPointers) {
        if (p->target == nullptr) continue;
        for (const Sounding sounding : p->target->soundings())
          points_.push_back({sounding.x, sounding.y});
      }
      soundings = true;
    } else if (!node->coordinates.empty()) {
      const Coordinate at = node->coordinates[0];
      points_.push_back({at.x, at.y});
      rings_.push_back({start, 1, true});
    } else {
      return;
    }
  } else if (feature.objl == kDepthLineClass && feature.prim == kPrimLine) {
    std::optional<FeatureLine> line = assembleFeatureLine(feature);
    if (!line || line->points.empty()) return;
    points_.insert(points_.end(), line->points.begin(), line->points.end());
    rings_.push_back({start, line->points.size(), true});
    drawn.exact = true;
  } else if (!appendLine(feature) && !appendFeatureRings(feature, points_, rings_)) {
    return;
  }
  if (points_.size() == start) return;
  const LinePoint& first = points_[start];
  drawn.box = {first.x, first.y, first.x, first.y};
  for (size_t i = start + 1; i < points_.size(); ++i) {
    const LinePoint& p = points_[i];
    drawn.box.minX = std::min(drawn.box.minX, p.x);
    drawn.box.minY = std::min(drawn.box.minY, p.y);
    drawn.box.maxX = std::max(drawn.box.maxX, p.x);
    drawn.box.maxY = std::max(drawn.box.maxY, p.y);
  }
  if (soundings) points_.resize(start);
  for (const RingRange& ring : rings_) {
    parts_.push_back(
        {static_cast<uint32_t>(ring.first), static_cast<uint32_t>(ring.count), ring.exterior});
  }
  drawn.partCount = static_cast<uint32_t>(rings_.size());
  index_[index] = static_cast<int32_t>(features_.size());
  features_.push_back(drawn);
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
  result.index_ = index_;
  result.features_ = features_;
  result.parts_.reserve(parts_.size());
  result.points_.reserve(points_.size());  // untouched pages cost nothing
  std::vector<LinePoint> metres;
  std::vector<char> keep;
  std::vector<std::pair<uint32_t, uint32_t>> stack;
  std::vector<char> exactPart(parts_.size(), 0);
  for (const DrawnFeature& f : features_) {
    if (f.exact) std::fill_n(exactPart.begin() + f.firstPart, f.partCount, 1);
  }
  for (size_t index = 0; index < parts_.size(); ++index) {
    const DrawnPart& part = parts_[index];
    const std::span<const LinePoint> from = points(part);
    DrawnPart kept{static_cast<uint32_t>(result.points_.size()), 0, part.exterior};
    if (from.size() <= 2 || exactPart[index] != 0) {
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
