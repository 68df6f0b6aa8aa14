// The points, lines and rings of the portrayed features of an open chart,
// assembled once and kept in flat arrays with a bounding box per feature,
// so that a redraw projects points instead of walking the model's edges
// again and leaves out what lies outside the view.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "display_state.h"
#include "feature_area.h"
#include "feature_line.h"
#include "view_transform.h"

namespace abys {

// One line, or one ring of an area (closed: last point equals first).
struct DrawnPart {
  uint32_t first = 0;
  uint32_t count = 0;
  bool exterior = true;
};

// A feature's parts and their extent in degrees (x longitude, y latitude).
// A point is one part of one point; a feature of soundings has no parts,
// only the extent of its soundings. An exact feature's line goes through
// every vertex of its edges and is never simplified.
struct DrawnFeature {
  const FeatureRecord* feature = nullptr;
  uint32_t firstPart = 0;
  uint32_t partCount = 0;
  Bounds box{};
  bool exact = false;
  uint8_t prim = 0;  // the feature's, kept beside its box for the paint's culling
  // The edges of the feature the safety contour runs along, as lines.
  uint32_t firstSafetyPart = 0;
  uint32_t safetyPartCount = 0;
};

class DrawnGeometry {
 public:
  // Assembles every feature of display's portrayal that has instructions:
  // a point feature's point or soundings, a line feature's line, else its
  // rings. The project's depth lines are exact. A feature whose geometry
  // cannot be assembled is left out.
  explicit DrawnGeometry(const DisplayState& display);

  // The geometry of the portrayal's feature at index; null when it has none.
  const DrawnFeature* feature(uint32_t index) const {
    if (index >= index_.size() || index_[index] < 0) return nullptr;
    return &features_[static_cast<size_t>(index_[index])];
  }
  size_t featureCount() const { return features_.size(); }
  std::span<const DrawnPart> parts(const DrawnFeature& feature) const {
    return std::span(parts_).subspan(feature.firstPart, feature.partCount);
  }
  std::span<const DrawnPart> safetyParts(const DrawnFeature& feature) const {
    return std::span(parts_).subspan(feature.firstSafetyPart, feature.safetyPartCount);
  }
  std::span<const LinePoint> points(const DrawnPart& part) const {
    return std::span(points_).subspan(part.first, part.count);
  }
  size_t pointCount() const { return points_.size(); }

  // A copy whose parts leave out every vertex that lies within tolerance
  // metres of the chord between the vertices kept around it (Douglas and
  // Peucker), distances measured with the metres per degree of view. Each
  // part keeps its ends, exact features keep every vertex; features and
  // boxes stay as they are.
  DrawnGeometry simplified(const ViewState& view, double tolerance) const;

 private:
  DrawnGeometry() = default;
  void add(uint32_t index, const FeatureRecord& feature);
  // Appends the lines of those edges of the feature last added that are
  // among safetyEdges.
  void addSafetyParts(const FeatureRecord& feature,
                      std::span<const VectorRecord* const> safetyEdges);
  // Appends the line of a line feature as assembleFeatureLine gives it,
  // except that an edge the line has passed already is not drawn again: the
  // line goes on as a new part after it. Drawn once or a million times, an
  // edge gives the same pixels. False, with nothing appended, when the line
  // cannot be assembled.
  bool appendLine(const FeatureRecord& feature);

  std::vector<int32_t> index_;  // by portrayal index: into features_, or -1
  std::vector<DrawnFeature> features_;
  std::vector<DrawnPart> parts_;
  std::vector<LinePoint> points_;
  std::vector<RingRange> rings_;                    // of the feature being added
  std::unordered_set<const VectorRecord*> passed_;  // edges of the line being added
};

// The extent in degrees of what window shows in view, widened by margin
// pixels on every side.
Bounds visibleDegrees(const ViewState& view, const ViewWindow& window, int32_t margin);

// Whether two extents share a point.
inline bool overlaps(const Bounds& a, const Bounds& b) {
  return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

}  // namespace abys
