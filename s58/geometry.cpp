#include "geometry.h"

#include <algorithm>
#include <array>

#include "catalogue.h"
#include "context.h"

namespace abys::s58 {
namespace {

void appendPoints(const VectorRecord& v, std::vector<LinePoint>& points) {
  for (const Coordinate c : v.coordinates)
    points.push_back({c.x, c.y});
  for (const Sounding s : v.soundings())
    points.push_back({s.x, s.y});
}

// The points of an edge from its beginning node to its end node; empty
// when a node is missing or has no coordinate.
std::vector<LinePoint> edgePoints(const Context& context, const VectorRecord& edge) {
  const VectorRecord* nodes[2] = {nullptr, nullptr};
  for (const VectorPointerEntry* p : edge.pointers) {
    const int end = p->topi == 2 ? 1 : 0;
    if (nodes[end] == nullptr) nodes[end] = context.vector(p->rcnm, p->rcid);
  }
  std::vector<LinePoint> points;
  if (nodes[0] == nullptr || nodes[1] == nullptr || nodes[0]->coordinates.empty() ||
      nodes[1]->coordinates.empty()) {
    return points;
  }
  points.push_back({nodes[0]->coordinates[0].x, nodes[0]->coordinates[0].y});
  for (const Coordinate c : edge.coordinates)
    points.push_back({c.x, c.y});
  points.push_back({nodes[1]->coordinates[0].x, nodes[1]->coordinates[0].y});
  return points;
}

}  // namespace

Geometry vectorGeometry(const Geos& geos, const Context& context, const VectorRecord& vector) {
  if (vector.rcnm == kRcnmEdge) return makeLine(geos, edgePoints(context, vector));
  std::vector<LinePoint> points;
  appendPoints(vector, points);
  return makePoints(geos, points);
}

Geometry featureGeometry(const Geos& geos, const Context& context, const FeatureRecord& feature) {
  if (feature.prim == kPrimArea) return areaGeometry(geos, feature);
  if (feature.prim == kPrimLine) {
    if (std::optional<FeatureLine> line = assembleFeatureLine(feature))
      return makeLine(geos, line->points);
    // Edges that do not join: each edge a line of its own.
    std::vector<GEOSGeometry*> parts;
    for (const SpatialPointerEntry* p : feature.spatialPointers) {
      const VectorRecord* edge = context.vector(p->rcnm, p->rcid);
      if (edge == nullptr || edge->rcnm != kRcnmEdge) continue;
      Geometry part = vectorGeometry(geos, context, *edge);
      if (part) parts.push_back(GEOSGeom_clone_r(geos.get(), part.get()));
    }
    if (parts.empty()) return {};
    return {geos, GEOSGeom_createCollection_r(geos.get(), GEOS_MULTILINESTRING, parts.data(),
                                              static_cast<unsigned>(parts.size()))};
  }
  std::vector<LinePoint> points;
  for (const SpatialPointerEntry* p : feature.spatialPointers) {
    if (const VectorRecord* v = context.vector(p->rcnm, p->rcid)) appendPoints(*v, points);
  }
  return makePoints(geos, points);
}

AreaIndex::AreaIndex(Context& context, const std::vector<const FeatureRecord*>& features)
    : context_(context) {
  const Geos& geos = context.geos();
  tree_ = GEOSSTRtree_create_r(geos.get(), 10);
  for (const FeatureRecord* f : features) {
    const Geometry& shape = context.shape(*f);
    if (!shape) continue;
    features_.push_back(f);
  }
  for (const FeatureRecord* f : features_)
    shapes_.push_back(&context.shape(*f));
  // Items carry their position in features_, so that answers keep its order.
  for (size_t i = 0; i < features_.size(); ++i) {
    GEOSSTRtree_insert_r(geos.get(), tree_,
                         const_cast<GEOSGeometry*>(context.shape(*features_[i]).get()),
                         reinterpret_cast<void*>(i));
  }
}

AreaIndex::~AreaIndex() {
  GEOSSTRtree_destroy_r(context_.geos().get(), tree_);
}

std::vector<size_t> AreaIndex::hits(const GEOSGeometry* geometry) const {
  std::vector<size_t> found;
  if (!features_.empty()) {
    GEOSSTRtree_query_r(
        context_.geos().get(), tree_, geometry,
        [](void* item, void* data) {
          static_cast<std::vector<size_t>*>(data)->push_back(reinterpret_cast<size_t>(item));
        },
        &found);
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<const FeatureRecord*> AreaIndex::candidates(const GEOSGeometry* geometry) const {
  std::vector<const FeatureRecord*> found;
  for (const size_t i : hits(geometry))
    found.push_back(features_[i]);
  return found;
}

std::vector<const FeatureRecord*> AreaIndex::containing(double x, double y) const {
  const Geometry point = makePoint(context_.geos(), x, y);
  std::vector<const FeatureRecord*> found;
  for (const size_t i : hits(point.get())) {
    if (GEOSPreparedContainsProperly_r(context_.geos().get(), shapes_[i]->prepared(),
                                       point.get()) == 1) {
      found.push_back(features_[i]);
    }
  }
  return found;
}

bool isGroup1(uint16_t objl) {
  static const std::array<uint16_t, 7> kGroup1 = [] {
    std::array<uint16_t, 7> codes{};
    const char* acronyms[] = {"DEPARE", "DRGARE", "FLODOC", "HULKES", "LNDARE", "PONTON", "UNSARE"};
    for (size_t i = 0; i < codes.size(); ++i)
      codes[i] = catalogue::objectClass(acronyms[i])->code;
    return codes;
  }();
  return std::find(kGroup1.begin(), kGroup1.end(), objl) != kGroup1.end();
}

}  // namespace abys::s58
