// The S-58 checks of coverage (M_COVR, M_NSYS), the skin of the earth, and supporting objects.
//
// Two kinds of question. Whether the areas of the skin of the earth meet edge to edge (42, 554)
// is read from the spatial pointers: each edge's uses by Group 1 areas are counted by
// orientation in one hash map. Everything else is geometric, with GEOS: each feature's shape
// comes from the context (built once per run), the candidates of a pairwise test come from an
// STRtree (AreaIndex), and a geometry tested many times (the unions of the coverage) is
// prepared. Unions of the skin of the earth are made as a coverage union when the edge count
// found it clean, which is linear in its edges, and as a general union otherwise.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <unordered_map>
#include <vector>

#include "catalogue.h"
#include "context.h"

namespace abys::s58 {
namespace {

constexpr std::string_view kChecks[] = {"42",   "54a",  "54b",  "500",  "519a", "519b",
                                        "544",  "548",  "554",  "1617", "1651", "1726",
                                        "1727", "1775", "1792", "1804"};

constexpr uint8_t kForward = 1;  // ORNT
constexpr uint8_t kReverse = 2;
constexpr uint8_t kSlave = 2;  // RIND of a master's pointer to its slave

// Areas smaller than this, in square degrees (about a square metre), are the rounding of an
// overlay, not a gap; lines shorter than kLength degrees (about a decimetre) likewise.
constexpr double kArea = 1e-10;
constexpr double kLength = 1e-6;

uint16_t classCode(std::string_view acronym) {
  return catalogue::objectClass(acronym)->code;
}

uint16_t attributeCode(std::string_view acronym) {
  return catalogue::attribute(acronym)->code;
}

// Object classes by acronym.
class Classes {
 public:
  Classes(std::initializer_list<std::string_view> acronyms) {
    for (std::string_view a : acronyms)
      codes_.push_back(classCode(a));
  }
  bool contains(uint16_t objl) const {
    return std::find(codes_.begin(), codes_.end(), objl) != codes_.end();
  }

 private:
  std::vector<uint16_t> codes_;
};

// The value of a feature's attribute as written, or none when the feature lacks it.
std::optional<std::string_view> attributeOf(const FeatureRecord& feature, uint16_t attl) {
  for (const AttributeEntry* a : feature.attributes) {
    if (a->attl == attl) return std::string_view(a->atvl, static_cast<size_t>(a->atvlLength));
  }
  return std::nullopt;
}

std::optional<int> integerOf(const FeatureRecord& feature, uint16_t attl) {
  const std::optional<std::string_view> text = attributeOf(feature, attl);
  int value = 0;
  if (!text || std::from_chars(text->data(), text->data() + text->size(), value).ec != std::errc())
    return std::nullopt;
  return value;
}

// What the checks share: the context, GEOS, the coverage by category, and the unions made of
// them.
class Coverage {
 public:
  explicit Coverage(Context& context) : context_(context), h_(context.geos().get()) {
    const uint16_t mcovr = classCode("M_COVR");
    const uint16_t catcov = attributeCode("CATCOV");
    for (const FeatureRecord* f : context.chart().features) {
      if (f->objl != mcovr || f->prim != kPrimArea) continue;
      const std::optional<int> category = integerOf(*f, catcov);
      if (category == 1) available_.push_back(f);
      if (category == 2) unavailable_.push_back(f);
    }
    availableUnion_ = unionOf(available_, false);
  }

  Context& context() { return context_; }
  GEOSContextHandle_t handle() const { return h_; }
  const Geometry& shape(const FeatureRecord& f) { return context_.shape(f); }

  // M_COVR areas of CATCOV 1 (coverage available) and 2 (none).
  const std::vector<const FeatureRecord*>& available() const { return available_; }
  const std::vector<const FeatureRecord*>& unavailable() const { return unavailable_; }
  const Geometry& availableUnion() const { return availableUnion_; }

  // The union of the features' areas; empty when none has one. As a coverage union when the
  // areas are known to meet edge to edge without overlap, falling back to a general union when
  // GEOS refuses.
  Geometry unionOf(const std::vector<const FeatureRecord*>& features, bool edgeToEdge) {
    std::vector<GEOSGeometry*> parts;
    for (const FeatureRecord* f : features) {
      const Geometry& s = shape(*f);
      if (s && GEOSGetNumGeometries_r(h_, s.get()) > 0)
        parts.push_back(GEOSGeom_clone_r(h_, s.get()));
    }
    if (parts.empty()) return {};
    Geometry all(context_.geos(),
                 GEOSGeom_createCollection_r(h_, GEOS_GEOMETRYCOLLECTION, parts.data(),
                                             static_cast<unsigned>(parts.size())));
    if (edgeToEdge) {
      if (GEOSGeometry* u = GEOSCoverageUnion_r(h_, all.get())) return {context_.geos(), u};
    }
    return {context_.geos(), GEOSUnaryUnion_r(h_, all.get())};
  }

  // Whether the interiors of a and b meet: a overlaps, crosses, contains or is within b.
  bool interiorsMeet(const Geometry& a, const Geometry& b) {
    if (GEOSPreparedIntersects_r(h_, a.prepared(), b.get()) != 1) return false;
    return GEOSRelatePattern_r(h_, a.get(), b.get(), "T********") == 1;
  }

  // The area of a outside b, in square degrees.
  double areaOutside(const GEOSGeometry* a, const GEOSGeometry* b) {
    GEOSGeometry* rest = GEOSDifference_r(h_, a, b);
    double area = 0;
    if (rest != nullptr) {
      GEOSArea_r(h_, rest, &area);
      GEOSGeom_destroy_r(h_, rest);
    }
    return area;
  }

  // Whether a reaches outside the area b by more than the rounding of coordinates that lie on
  // b's boundary: a point farther than kLength, a line longer than kLength or an area larger
  // than kArea outside. b is prepared.
  bool reachesOutside(const GEOSGeometry* a, const Geometry& b) {
    if (GEOSPreparedCovers_r(h_, b.prepared(), a) == 1) return false;
    GEOSGeometry* rest = GEOSDifference_r(h_, a, b.get());
    if (rest == nullptr) return true;
    double size = 0;
    bool outside = false;
    switch (GEOSGeom_getDimensions_r(h_, rest)) {
      case 0: {
        double distance = 0;
        outside = GEOSDistance_r(h_, rest, b.get(), &distance) == 1 && distance > kLength;
        break;
      }
      case 1:
        outside = GEOSLength_r(h_, rest, &size) == 1 && size > kLength;
        break;
      default:
        outside = GEOSArea_r(h_, rest, &size) == 1 && size > kArea;
        break;
    }
    if (GEOSisEmpty_r(h_, rest) == 1) outside = false;
    GEOSGeom_destroy_r(h_, rest);
    return outside;
  }

 private:
  Context& context_;
  GEOSContextHandle_t h_;
  std::vector<const FeatureRecord*> available_;
  std::vector<const FeatureRecord*> unavailable_;
  Geometry availableUnion_;
};

// 42 and 554, from the spatial pointers of the Group 1 areas and of the M_COVR areas of
// coverage available. An edge inside the skin of the earth bounds an area on each side, so two
// Group 1 areas use it, one forward and one reversed (42); an edge of the coverage's boundary
// has the skin of the earth on its inner side only, so one Group 1 area uses it (554). Returns
// whether every inner edge was used as it should be.
bool edgeUses(Coverage& coverage) {
  Context& context = coverage.context();
  struct Use {
    int forward = 0;
    int reverse = 0;
    int other = 0;
    std::vector<const FeatureRecord*> users;  // distinct
  };
  std::unordered_map<uint32_t, Use> uses;
  for (const FeatureRecord* f : context.chart().features) {
    if (f->prim != kPrimArea || !isGroup1(f->objl)) continue;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      if (p->rcnm != kRcnmEdge) continue;
      Use& use = uses[p->rcid];
      (p->ornt == kForward ? use.forward : p->ornt == kReverse ? use.reverse : use.other) += 1;
      if (std::find(use.users.begin(), use.users.end(), f) == use.users.end())
        use.users.push_back(f);
    }
  }
  std::unordered_map<uint32_t, int> boundary;  // edge -> M_COVR areas using it
  for (const FeatureRecord* f : coverage.available()) {
    std::vector<uint32_t> edges;
    for (const SpatialPointerEntry* p : f->spatialPointers) {
      if (p->rcnm == kRcnmEdge) edges.push_back(p->rcid);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    for (const uint32_t e : edges)
      ++boundary[e];
  }
  bool clean = true;
  for (const auto& [rcid, use] : uses) {
    const auto onBoundary = boundary.find(rcid);
    const VectorRecord* edge = context.vector(kRcnmEdge, rcid);
    if (onBoundary == boundary.end()) {
      if (use.forward == 1 && use.reverse == 1 && use.other == 0) continue;
      clean = false;
      for (const FeatureRecord* f : use.users)
        context.report("42", f, edge);
    } else if (onBoundary->second == 1 && use.users.size() > 1) {
      for (const FeatureRecord* f : use.users)
        context.report("554", f, edge);
    }
  }
  return clean;
}

// 519a: the coverage not covered by the skin of the earth, naming each M_COVR area with a part
// uncovered. 519b: Group 1 areas whose interiors meet, each named once.
void skinOfTheEarth(Coverage& coverage, bool edgeToEdge) {
  Context& context = coverage.context();
  const AreaIndex& index = context.group1Areas();
  const std::span<const FeatureRecord* const> areas = index.features();
  std::unordered_map<const FeatureRecord*, size_t> position;
  for (size_t i = 0; i < areas.size(); ++i)
    position.emplace(areas[i], i);
  std::vector<bool> overlapping(areas.size());
  for (size_t i = 0; i < areas.size(); ++i) {
    const Geometry& a = coverage.shape(*areas[i]);
    for (const FeatureRecord* other : index.candidates(a.get())) {
      const size_t j = position[other];
      if (j <= i || (overlapping[i] && overlapping[j])) continue;
      if (coverage.interiorsMeet(a, coverage.shape(*other))) overlapping[i] = overlapping[j] = true;
    }
  }
  bool overlaps = false;
  for (size_t i = 0; i < areas.size(); ++i) {
    if (overlapping[i]) context.report("519b", areas[i]);
    overlaps = overlaps || overlapping[i];
  }

  if (coverage.available().empty()) return;
  const std::vector<const FeatureRecord*> all(areas.begin(), areas.end());
  const Geometry skin = coverage.unionOf(all, edgeToEdge && !overlaps);
  for (const FeatureRecord* m : coverage.available()) {
    const Geometry& s = coverage.shape(*m);
    if (!s) continue;
    if (!skin || coverage.areaOutside(s.get(), skin.get()) > kArea) context.report("519a", m);
  }
}

// 548: the M_COVR areas together cover the cell's extent (the box of all its coordinates, the
// only extent a cell records), and do not overlap one another. Named: every M_COVR area when
// the extent is not covered, the overlapping ones otherwise.
// Returns whether any two M_COVR areas overlap.
bool cellCovered(Coverage& coverage) {
  Context& context = coverage.context();
  const Dataset& chart = context.chart();
  std::vector<const FeatureRecord*> all = coverage.available();
  all.insert(all.end(), coverage.unavailable().begin(), coverage.unavailable().end());
  if (all.empty() || chart.extentsEmpty == 1) return false;
  const GEOSContextHandle_t h = coverage.handle();
  const Geometry box(context.geos(),
                     GEOSGeom_createRectangle_r(h, chart.minX, chart.minY, chart.maxX, chart.maxY));
  std::vector<bool> overlapping(all.size());
  bool overlaps = false;
  for (size_t i = 0; i < all.size(); ++i) {
    for (size_t j = i + 1; j < all.size(); ++j) {
      const Geometry& a = coverage.shape(*all[i]);
      const Geometry& b = coverage.shape(*all[j]);
      if (!a || !b || !coverage.interiorsMeet(a, b)) continue;
      GEOSGeometry* common = GEOSIntersection_r(h, a.get(), b.get());
      double area = 0;
      if (common != nullptr) {
        GEOSArea_r(h, common, &area);
        GEOSGeom_destroy_r(h, common);
      }
      if (area > kArea) overlapping[i] = overlapping[j] = overlaps = true;
    }
  }
  const Geometry covr = coverage.unionOf(all, false);
  const bool extentCovered = !covr || !box || coverage.areaOutside(box.get(), covr.get()) <= kArea;
  for (size_t i = 0; i < all.size(); ++i) {
    if (overlapping[i] || !extentCovered) context.report("548", all[i]);
  }
  return overlaps;
}

// 500: features reaching outside the coverage available. 544: features whose interior meets an
// area of no coverage. A feature the coverage available covers can only meet an area of no
// coverage on its boundary unless the two kinds of M_COVR overlap, so the relate runs for the
// others alone. M_COVR areas themselves are left out; a cell without coverage available is
// reported by the check of missing mandatory objects, not here feature by feature.
void featuresInCoverage(Coverage& coverage, bool coveragesOverlap) {
  Context& context = coverage.context();
  const uint16_t mcovr = classCode("M_COVR");
  const Geometry& available = coverage.availableUnion();
  std::optional<AreaIndex> none;
  if (!coverage.unavailable().empty()) none.emplace(context, coverage.unavailable());
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl == mcovr) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s || GEOSisEmpty_r(coverage.handle(), s.get()) == 1) continue;
    bool covered = true;
    if (available) {
      covered = !coverage.reachesOutside(s.get(), available);
      if (!covered) context.report("500", f);
    }
    if (!none || (covered && available && !coveragesOverlap)) continue;
    for (const FeatureRecord* m : none->candidates(s.get())) {
      if (coverage.interiorsMeet(coverage.shape(*m), s)) {
        context.report("544", f);
        break;
      }
    }
  }
}

// Whether support, one of the candidates, or the union of the candidates' areas covers shape.
bool supported(Coverage& coverage, const Geometry& shape,
               const std::vector<const FeatureRecord*>& candidates) {
  const GEOSContextHandle_t h = coverage.handle();
  std::vector<const FeatureRecord*> areas;
  for (const FeatureRecord* c : candidates) {
    const Geometry& s = coverage.shape(*c);
    if (GEOSPreparedCovers_r(h, s.prepared(), shape.get()) == 1) return true;
    if (c->prim == kPrimArea) areas.push_back(c);
  }
  if (areas.size() < 2) return false;
  const Geometry together = coverage.unionOf(areas, false);
  return together && GEOSCovers_r(h, together.get(), shape.get()) == 1;
}

std::vector<const FeatureRecord*> ofClasses(const Context& context, const Classes& classes,
                                            bool (*also)(const FeatureRecord&) = nullptr) {
  std::vector<const FeatureRecord*> found;
  for (const FeatureRecord* f : context.chart().features) {
    if (classes.contains(f->objl) && (also == nullptr || also(*f))) found.push_back(f);
  }
  return found;
}

// The features that are slaves of a master, by FOID, with the class of their first master.
std::unordered_map<uint64_t, uint16_t> mastersOfSlaves(const Context& context) {
  std::unordered_map<uint64_t, uint16_t> masters;
  for (const FeatureRecord* f : context.chart().features) {
    for (const FeaturePointerEntry* p : f->featurePointers()) {
      if (p->rind == kSlave) masters.emplace(foidKey(p->agen, p->fidn, p->fids), f->objl);
    }
  }
  return masters;
}

// 54a, 54b: landmarks, silos and forts, and daymarks that are no slave, standing on nothing
// that could carry them.
void supportingObjects(Coverage& coverage, const std::unordered_map<uint64_t, uint16_t>& masters) {
  Context& context = coverage.context();
  const Classes carriers = {"BRIDGE", "COALNE", "DAMCON", "FLODOC", "LNDARE", "OFSPLF",
                            "PILPNT", "PONTON", "PYLONS", "SLCONS", "UWTROC"};
  const Classes standing = {"FORSTC", "LNDMRK", "SILTNK"};
  const uint16_t daymark = classCode("DAYMAR");
  std::optional<AreaIndex> index;
  for (const FeatureRecord* f : context.chart().features) {
    const bool isDaymark = f->objl == daymark;
    if (!standing.contains(f->objl) && !isDaymark) continue;
    if (isDaymark && masters.contains(foidKey(f->agen, f->fidn, f->fids))) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s) continue;
    if (!index) index.emplace(context, ofClasses(context, carriers));
    if (!supported(coverage, s, index->candidates(s.get())))
      context.report(isDaymark ? "54b" : "54a", f);
  }
}

// 1775: equipment in the water (on a depth, dredged or unsurveyed area) with no structure as
// its master and nothing under it that could carry it.
void equipmentOnStructures(Coverage& coverage,
                           const std::unordered_map<uint64_t, uint16_t>& masters) {
  Context& context = coverage.context();
  const Classes equipment = {"DAYMAR", "FOGSIG", "LIGHTS", "RADRFL", "RADSTA", "RDOSTA",
                             "RETRFL", "RTPBCN", "SISTAT", "SISTAW", "TOPMAR"};
  const Classes water = {"DEPARE", "DRGARE", "UNSARE"};
  const Classes carriers = {"BRIDGE", "CBLOHD", "COALNE", "CONVYR", "DAMCON",
                            "LNDARE", "PIPOHD", "PONTON", "SLCONS"};
  const GEOSContextHandle_t h = coverage.handle();
  std::optional<AreaIndex> index;
  for (const FeatureRecord* f : context.chart().features) {
    if (!equipment.contains(f->objl)) continue;
    const auto master = masters.find(foidKey(f->agen, f->fidn, f->fids));
    if (master != masters.end() && !equipment.contains(master->second)) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s) continue;
    const std::vector<const FeatureRecord*> under = context.group1Areas().candidates(s.get());
    const bool inWater = std::any_of(under.begin(), under.end(), [&](const FeatureRecord* a) {
      return water.contains(a->objl) &&
             GEOSPreparedCovers_r(h, coverage.shape(*a).prepared(), s.get()) == 1;
    });
    if (!inWater) continue;
    if (!index) {
      static const uint16_t damcon = classCode("DAMCON");
      static const uint16_t catdam = attributeCode("CATDAM");
      index.emplace(context, ofClasses(context, carriers, [](const FeatureRecord& c) {
                      return c.objl != damcon || integerOf(c, catdam) == 3;  // flood barrage
                    }));
    }
    if (!supported(coverage, s, index->candidates(s.get()))) context.report("1775", f);
  }
}

// 1617: dams off the land. 1651: swept areas meeting land-like Group 1 areas.
void onLand(Coverage& coverage) {
  Context& context = coverage.context();
  const uint16_t damcon = classCode("DAMCON");
  const uint16_t swpare = classCode("SWPARE");
  const uint16_t lndare = classCode("LNDARE");
  const Classes landLike = {"LNDARE", "UNSARE", "FLODOC", "HULKES", "PONTON"};
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl != damcon && f->objl != swpare) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s) continue;
    std::vector<const FeatureRecord*> under = context.group1Areas().candidates(s.get());
    if (f->objl == damcon) {
      std::erase_if(under, [&](const FeatureRecord* a) { return a->objl != lndare; });
      if (!supported(coverage, s, under)) context.report("1617", f);
      continue;
    }
    const bool meets = std::any_of(under.begin(), under.end(), [&](const FeatureRecord* a) {
      return f->prim == kPrimArea && landLike.contains(a->objl) &&
             coverage.interiorsMeet(coverage.shape(*a), s);
    });
    if (meets) context.report("1651", f);
  }
}

// 1726: the coverage available not covered by M_NSYS areas with MARSYS; named are the M_NSYS
// areas that touch the part uncovered, or the M_COVR areas when none does. A cell without any
// M_NSYS lacks a mandatory object, which the check of those reports instead. 1727: M_NSYS areas
// with MARSYS whose interiors meet.
void navigationalSystems(Coverage& coverage) {
  Context& context = coverage.context();
  const uint16_t mnsys = classCode("M_NSYS");
  const uint16_t marsys = attributeCode("MARSYS");
  std::vector<const FeatureRecord*> systems;
  bool anySystem = false;
  for (const FeatureRecord* f : context.chart().features) {
    if (f->objl != mnsys || f->prim != kPrimArea) continue;
    anySystem = true;
    const std::optional<std::string_view> value = attributeOf(*f, marsys);
    if (value && !value->empty() && coverage.shape(*f)) systems.push_back(f);
  }
  const AreaIndex index(context, systems);
  std::vector<bool> overlapping(systems.size());
  for (size_t i = 0; i < systems.size(); ++i) {
    const Geometry& a = coverage.shape(*systems[i]);
    for (const FeatureRecord* other : index.candidates(a.get())) {
      const size_t j =
          static_cast<size_t>(std::find(systems.begin(), systems.end(), other) - systems.begin());
      if (j > i && coverage.interiorsMeet(a, coverage.shape(*other)))
        overlapping[i] = overlapping[j] = true;
    }
  }
  for (size_t i = 0; i < systems.size(); ++i) {
    if (overlapping[i]) context.report("1727", systems[i]);
  }

  const Geometry& available = coverage.availableUnion();
  if (!available || !anySystem) return;
  const GEOSContextHandle_t h = coverage.handle();
  const Geometry together = coverage.unionOf(systems, false);
  Geometry rest(context.geos(), together ? GEOSDifference_r(h, available.get(), together.get())
                                         : GEOSGeom_clone_r(h, available.get()));
  double area = 0;
  if (!rest || GEOSArea_r(h, rest.get(), &area) != 1 || area <= kArea) return;
  bool named = false;
  for (const FeatureRecord* f : systems) {
    if (GEOSIntersects_r(h, coverage.shape(*f).get(), rest.get()) == 1) {
      context.report("1726", f);
      named = true;
    }
  }
  if (!named) {
    for (const FeatureRecord* m : coverage.available())
      context.report("1726", m);
  }
}

// 1804: an obstruction, rock or wreck point on the boundary of a depth, dredged or unsurveyed
// area. On the boundary means: a box of one coordinate unit around the point meets the area
// without lying inside it, so that a point rounded off an edge's segment still counts.
void pointsOnGroup1Edges(Coverage& coverage) {
  Context& context = coverage.context();
  const Classes dangers = {"OBSTRN", "UWTROC", "WRECKS"};
  const Classes water = {"DEPARE", "DRGARE", "UNSARE"};
  const uint32_t comf = context.chart().dspm.comf;
  const double unit = comf > 0 ? 1.0 / comf : 1e-7;
  const GEOSContextHandle_t h = coverage.handle();
  for (const FeatureRecord* f : context.chart().features) {
    if (f->prim != kPrimPoint || !dangers.contains(f->objl)) continue;
    const Geometry& s = coverage.shape(*f);
    if (!s || GEOSGeomTypeId_r(h, s.get()) != GEOS_POINT) continue;
    double x = 0;
    double y = 0;
    GEOSGeomGetX_r(h, s.get(), &x);
    GEOSGeomGetY_r(h, s.get(), &y);
    const Geometry box(context.geos(),
                       GEOSGeom_createRectangle_r(h, x - unit, y - unit, x + unit, y + unit));
    for (const FeatureRecord* a : context.group1Areas().candidates(box.get())) {
      if (!water.contains(a->objl)) continue;
      const GEOSPreparedGeometry* area = coverage.shape(*a).prepared();
      if (GEOSPreparedIntersects_r(h, area, box.get()) == 1 &&
          GEOSPreparedContainsProperly_r(h, area, box.get()) != 1) {
        context.report("1804", f);
        break;
      }
    }
  }
}

// 1792: a cell over the 180th meridian: a longitude past it, or a segment of an edge that
// goes the short way round, over more than half the globe in longitude.
void antimeridian(Context& context) {
  const Dataset& chart = context.chart();
  if (chart.extentsEmpty == 0 && (chart.minX < -180 || chart.maxX > 180)) {
    context.report("1792");
    return;
  }
  for (const VectorRecord* edge : chart.edges) {
    const VectorRecord* ends[2] = {nullptr, nullptr};
    for (const VectorPointerEntry* p : edge->pointers) {
      if ((p->topi == 1 || p->topi == 2) && ends[p->topi - 1] == nullptr)
        ends[p->topi - 1] = context.vector(p->rcnm, p->rcid);
    }
    std::vector<double> xs;
    if (ends[0] != nullptr && !ends[0]->coordinates.empty())
      xs.push_back(ends[0]->coordinates[0].x);
    for (const Coordinate c : edge->coordinates)
      xs.push_back(c.x);
    if (ends[1] != nullptr && !ends[1]->coordinates.empty())
      xs.push_back(ends[1]->coordinates[0].x);
    for (size_t i = 1; i < xs.size(); ++i) {
      if (std::abs(xs[i] - xs[i - 1]) > 180) {
        context.report("1792");
        return;
      }
    }
  }
}

void run(Context& context) {
  antimeridian(context);
  Coverage coverage(context);
  const bool edgeToEdge = edgeUses(coverage);
  skinOfTheEarth(coverage, edgeToEdge);
  const bool coveragesOverlap = cellCovered(coverage);
  featuresInCoverage(coverage, coveragesOverlap);
  const std::unordered_map<uint64_t, uint16_t> masters = mastersOfSlaves(context);
  supportingObjects(coverage, masters);
  equipmentOnStructures(coverage, masters);
  onLand(coverage);
  navigationalSystems(coverage);
  pointsOnGroup1Edges(coverage);
}

}  // namespace

Group coverageChecks() {
  return {run, kChecks};
}

}  // namespace abys::s58
