#include "profile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <future>
#include <system_error>
#include <thread>

#include "catalogue.h"
#include "check_driver.h"
#include "context.h"
#include "feature_area.h"
#include "messages.h"

namespace abys {
namespace {

// The checks this profile knows, with the class the IHO's test reports give
// them (every one they exercise is Critical); the bathymetric checks they do
// not exercise take the class of S-58's own table.
constexpr S58Check kChecks[] = {
    {"2", Severity::Critical, "VE edge missing beginning or end node."},
    {"3", Severity::Critical, "Record identifier NAME is not unique."},
    {"4", Severity::Critical, "Invalid value of RCNM."},
    {"5", Severity::Critical, "RCID is out of range."},
    {"7", Severity::Critical, "Invalid values of AGEN, FIDN or FIDS."},
    {"8", Severity::Critical, "Duplicate attribute code on an object."},
    {"9a", Severity::Critical, "Invalid value of ORNT."},
    {"9b", Severity::Critical, "Invalid value of USAG."},
    {"9c", Severity::Critical, "Invalid value of MASK."},
    {"10c", Severity::Critical, "Invalid value of MASK."},
    {"12", Severity::Critical, "Feature object without geometry."},
    {"13a", Severity::Critical, "Edges are not referenced sequentially."},
    {"13b", Severity::Critical, "Sequential edges do not have the same end and beginning nodes."},
    {"13c", Severity::Critical, "Edges are not referenced sequentially."},
    {"13d", Severity::Critical, "Sequential edges do not have the same end and beginning nodes."},
    {"14", Severity::Critical, "Exterior and interior boundaries share more than one node."},
    {"15", Severity::Critical,
     "First and last edge of an area boundary do not meet at a common connected node."},
    {"16", Severity::Critical, "Area exterior boundary not encoded clockwise."},
    {"17", Severity::Critical, "Area interior boundary not encoded counter-clockwise."},
    {"18a", Severity::Critical,
     "Area object without an exterior boundary or with several exterior boundaries."},
    {"18b", Severity::Critical,
     "Area object with exterior boundary which is not referenced first."},
    {"18c", Severity::Critical, "Interior boundary has invalid USAG value."},
    {"20a", Severity::Critical,
     "Geometric primitive of this type is not permitted for this object class."},
    {"20b", Severity::Critical, "Orphaned geometry."},
    {"21", Severity::Critical, "VRPT field not referenced by an edge vector record."},
    {"22", Severity::Critical, "Beginning and end nodes are not in the correct sequence."},
    {"23", Severity::Critical, "Coordinate is not a SG2D or SG3D field."},
    {"24", Severity::Critical, "SOUNDG does not reference a SG3D field."},
    {"25a", Severity::Critical,
     "Beginning or end nodes of an edge are not encoded as connected nodes."},
    {"25c", Severity::Critical,
     "Beginning or end nodes not referenced by the vector record pointer."},
    {"26a", Severity::Critical, "Subfield value does not conform to S-57 format specification."},
    {"27", Severity::Critical, "Subfield not formatted in accordance with S-57."},
    {"29", Severity::Critical,
     "Invalid number of records/pointers in the following FFPC-NFPT, FSPC-NSPT, SGCC-CCNC or "
     "VRPC-NVPT."},
    {"30", Severity::Critical,
     "Invalid index position for updating in the following subfields FFPC-FFIX, FSPC-FSIX, "
     "SGCC-CCIX or VRPC-VPIX."},
    {"31", Severity::Critical,
     "Edge where beginning or end node coordinates are the same as the SG2D coordinates."},
    {"32", Severity::Critical, "Record update does not refer to a valid record NAME."},
    {"33", Severity::Critical,
     "Attribute update does not refer to valid record NAME and attribute label/code."},
    {"34", Severity::Critical,
     "Update pointer index does not refer to a valid record NAME and index for FFPT, FSPT or "
     "VRPT."},
    {"35", Severity::Critical, "RVER is out of sequence."},
    {"36a", Severity::Critical, "DELETE update contains additional fields."},
    {"36b", Severity::Critical, "MODIFY or INSERT update does not contain additional fields."},
    {"38", Severity::Critical,
     "Update record contains more than one of the following fields: FFPC, VRPC, FSPC or SGCC."},
    {"42", Severity::Critical, "Group 1 coverage is not correct, a hole or an overlap exists."},
    {"43", Severity::Warning, "DEPCNT does not coincide with two Group 1 objects."},
    {"44a", Severity::Warning,
     "The value of DRVAL1 is different from one of the values of VALDCO found in the ENC."},
    {"44b", Severity::Warning,
     "The value of DRVAL2 is different from one of the values of VALDCO found in the ENC."},
    {"54a", Severity::Critical,
     "FORSTC, LNDMRK or SILTNK not covered by a suitable supporting object."},
    {"54b", Severity::Critical, "DAYMAR not covered by a suitable supporting object."},
    {"74", Severity::Critical,
     "Floating DEPCNT within a DEPARE with VALDCO less than DRVAL1 or greater than DRVAL2."},
    {"75", Severity::Critical,
     "Floating DEPCNT within a DRGARE with VALDCO less than DRVAL1 of the DRGARE."},
    {"77", Severity::Critical, "DEPCNT objects cross."},
    {"78", Severity::Critical, "Boundary of an area object crosses itself."},
    {"80a", Severity::Critical, "Interior boundary within an interior boundary."},
    {"80b", Severity::Critical, "Interior boundary outside of an exterior boundary."},
    {"80c", Severity::Critical, "Exterior boundary within an interior boundary."},
    {"82", Severity::Critical, "Object references the same edge more than once."},
    {"84a", Severity::Critical, "Isolated node marked as connected."},
    {"84b", Severity::Critical, "Connected node marked as isolated."},
    {"86", Severity::Critical, "Point feature references more than one vector record."},
    {"88a", Severity::Critical, "Invalid value of ORNT."},
    {"88b", Severity::Critical, "Invalid value of USAG."},
    {"88c", Severity::Critical, "Invalid value of MASK."},
    {"89a", Severity::Critical, "Master object references the same slave more than once."},
    {"89b", Severity::Critical, "Slave object has more than one master."},
    {"103", Severity::Critical, "SOUNDG object is not situated within a bathymetric area."},
    {"500", Severity::Critical, "Objects fall outside the coverage object."},
    {"504", Severity::Critical, "Prohibited objects exist within the dataset."},
    {"505", Severity::Critical, "Mandatory feature objects are missing."},
    {"507", Severity::Critical, "Mandatory attributes are not encoded."},
    {"511", Severity::Critical, "Prohibited attributes have been encoded."},
    {"518a", Severity::Critical, "Skin of the earth objects are not encoded as Group 1."},
    {"518b", Severity::Critical, "Group 2 objects are not encoded as Group 2."},
    {"519a", Severity::Critical,
     "Skin of the earth (Group1) objects do not cover the data coverage (M_COVR = 1)."},
    {"519b", Severity::Critical, "Skin of the earth (Group1) objects overlap."},
    {"523", Severity::Critical, "HDAT does not equal 2 (WGS 84)."},
    {"524", Severity::Critical, "DUNI does not equal 1 (metres)."},
    {"525", Severity::Critical, "PUNI does not equal 1 (metres)."},
    {"526", Severity::Critical, "COUN does not equal 1 (latitude/longitude)."},
    {"531", Severity::Critical,
     "Dataset file name is not in accordance with the ENC Product Specification."},
    {"533", Severity::Critical, "DSID-UADT subfield populated in an ER file."},
    {"534", Severity::Critical, "Incorrect delete cell message."},
    {"536", Severity::Critical, "Field without a repetition factor repeats."},
    {"539", Severity::Critical, "Invalid value of DSID-PROF."},
    {"540a", Severity::Critical, "Mandatory records, fields or subfields are not used."},
    {"540b", Severity::Critical, "Prohibited records, fields or subfields used."},
    {"544", Severity::Critical, "Object within an area of no coverage."},
    {"545", Severity::Critical, "Object has invalid object class code."},
    {"546", Severity::Critical, "Attribute has invalid attribute label/code."},
    {"547", Severity::Critical, "Attribute not permitted on feature object class."},
    {"548", Severity::Critical, "Cell not entirely covered by M_COVR objects."},
    {"553", Severity::Critical,
     "Attributes DATSTA, DATEND, PERSTA or PEREND are encoded on Group 1 objects."},
    {"554", Severity::Critical,
     "Edge of M_COVR (coverage available) referenced by more than one Group 1 object."},
    {"555", Severity::Critical, "Incorrect data order."},
    {"560a", Severity::Critical,
     "Objects with the same FOID do not have the same feature encoding."},
    {"560b", Severity::Critical,
     "Objects with the same FOID are of geometric primitive point or have different geometric "
     "primitives."},
    {"566", Severity::Critical, "Invalid use of NEWOBJ."},
    {"575", Severity::Critical, "DSTR does not equal 2."},
    {"1006", Severity::Critical, "Update and base cell do not have the same lexical level."},
    {"1008", Severity::Critical,
     "AGEN subfield values do not agree between ER (update) and EN (base) files."},
    {"1010", Severity::Critical,
     "FOID for the modified object is not identical in the EN (base) and ER (update) files."},
    {"1011", Severity::Critical,
     "Text or picture file referenced by a feature object is not present in the exchange set or "
     "its name is non-conformant."},
    {"1012", Severity::Critical, "No catalogue file exists."},
    {"1013", Severity::Critical,
     "Volume name is not in accordance with the ENC Product Specification."},
    {"1014", Severity::Critical,
     "The directory structure for physical media is not in accordance with the ENC Product "
     "Specification."},
    {"1015", Severity::Critical, "Text and picture file names have incorrect format/name."},
    {"1016", Severity::Critical, "CRC values do not match."},
    {"1017", Severity::Critical, "Catalogue file format not correct."},
    {"1021a", Severity::Critical,
     "Update number is incorrect or not equivalent to the data set file name extension."},
    {"1023", Severity::Critical, "Picture file not in TIF format."},
    {"1024a", Severity::Critical,
     "Limits in catalogue do not correspond to M_COVR limits for a base cell file."},
    {"1024b", Severity::Critical, "Update with limits different to that of the base cell."},
    {"1504", Severity::Critical, "VDAT is not populated."},
    {"1510", Severity::Critical, "SDAT is not populated."},
    {"1513", Severity::Critical, "HUNI subfield is not equal to 1 (metres)."},
    {"1515a", Severity::Critical, "Date attribute not formatted according to ISO 8601:1988."},
    {"1518a", Severity::Critical, "Producing Agency code is not a valid S-62 value."},
    {"1518b", Severity::Critical,
     "Data set file name does not begin with the agency code corresponding to that set in the AGEN "
     "subfield of the DSID field."},
    {"1522b", Severity::Critical, "UADT is notNull for an update."},
    {"1523b", Severity::Critical, "The ISDT of a base cell file precedes the UADT."},
    {"1549", Severity::Critical, "CSCL is not populated with a value."},
    {"1554a", Severity::Critical, "SCAMIN present for a Group 1 object."},
    {"1554b", Severity::Critical, "SCAMIN present for a meta object."},
    {"1617", Severity::Critical, "DAMCON not covered by LNDARE."},
    {"1651", Severity::Critical, "SWPARE object not covered by DRGARE or DEPARE objects."},
    {"1679", Severity::Critical,
     "More than one value present for attributes of the following types; enumerated ('E'), float "
     "('F'), integer ('I') or code string ('A')."},
    {"1681", Severity::Critical,
     "RECTRC where ORIENT does not correspond to the bearing of the line."},
    {"1683", Severity::Critical,
     "RECTRC and NAVLNE objects as part of a C_AGGR do not have consistent values of ORIENT."},
    {"1694", Severity::Critical,
     "One way DWRTCL object where ORIENT does not correspond to the bearing of the line."},
    {"1696", Severity::Critical,
     "One-way RCRTCL object where ORIENT does not correspond to the bearing of the line."},
    {"1723", Severity::Critical,
     "Object forming a navigational aid does not point to the same spatial object."},
    {"1726", Severity::Critical,
     "Data coverage not completely covered by M_NSYS objects with a value for MARSYS."},
    {"1727", Severity::Critical, "M_NSYS objects with MARSYS values overlap."},
    {"1768a", Severity::Error,
     "SOUNDG object with depth equal to the DRVAL1 value of the underlying DEPARE object."},
    {"1768b", Severity::Error,
     "SOUNDG object with depth less than the DRVAL1 value of the underlying DEPARE or DRGARE "
     "object."},
    {"1769", Severity::Error,
     "SOUNDG object deeper than the DRVAL2 value of the underlying DEPARE object without EXPSOU = "
     "3."},
    {"1775", Severity::Critical,
     "Equipment object within DEPARE, DRGARE or UNSARE without an appropriate supporting structure "
     "object or underlying object."},
    {"1789a", Severity::Critical,
     "DWRTCL, RECTRC or RCRTCL where the orientation of the geometry is not consistent with the "
     "value of ORIENT."},
    {"1789b", Severity::Critical,
     "NAVLNE where the orientation of the geometry is not consistent with the value of ORIENT."},
    {"1792", Severity::Critical, "Cell crosses 180° meridian."},
    {"1795a", Severity::Critical,
     "Temporal attributes on a slave object extend beyond those on the master object."},
    {"1795b", Severity::Critical,
     "Temporal attributes on a slave object extend beyond those on the master object."},
    {"1804", Severity::Critical, "Point object touches an edge between Group 1 objects."},
};

// The FOID with the agency as its producer code; an agency no table knows is
// written as its number.
std::string foidOf(const FeatureRecord& feature) {
  const std::optional<std::string_view> letters = catalogue::agency(feature.agen);
  const std::string agen =
      letters ? std::string(*letters) : formatMessage("%u", static_cast<unsigned>(feature.agen));
  return formatMessage("%s %010u %05u", agen.c_str(), static_cast<unsigned>(feature.fidn),
                       static_cast<unsigned>(feature.fids));
}

std::string acronymOf(const FeatureRecord& feature) {
  const catalogue::ObjectClass* c = catalogue::objectClass(feature.objl);
  return c != nullptr ? std::string(c->acronym) : formatMessage("%u", feature.objl);
}

// The number and suffix of a check number: "1768a" is 1768 and "a".
std::pair<int, std::string_view> partsOf(std::string_view number) {
  int value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  (void)error;
  return {value, number.substr(static_cast<size_t>(end - number.data()))};
}

bool recordBefore(const RecordKey& a, const RecordKey& b) {
  return a.rcnm != b.rcnm ? a.rcnm < b.rcnm : a.rcid < b.rcid;
}

}  // namespace

const char* severityName(Severity severity) {
  switch (severity) {
    case Severity::Critical:
      return "critical";
    case Severity::Error:
      return "error";
    case Severity::Warning:
    default:
      return "warning";
  }
}

const char* severityTitle(Severity severity) {
  switch (severity) {
    case Severity::Critical:
      return "Critical";
    case Severity::Error:
      return "Error";
    case Severity::Warning:
    default:
      return "Warning";
  }
}

std::span<const S58Check> s58Checks() {
  return kChecks;
}

bool s58CheckBefore(std::string_view a, std::string_view b) {
  return partsOf(a) < partsOf(b);
}

const S58Check* s58Check(std::string_view number) {
  const auto* found = std::lower_bound(
      std::begin(kChecks), std::end(kChecks), number,
      [](const S58Check& c, std::string_view n) { return s58CheckBefore(c.number, n); });
  return found != std::end(kChecks) && found->number == number ? found : nullptr;
}

namespace s58 {

uint64_t nameKey(uint8_t rcnm, uint32_t rcid) {
  return (uint64_t{rcnm} << 32) | rcid;
}

uint64_t foidKey(uint16_t agen, uint32_t fidn, uint16_t fids) {
  return (uint64_t{agen} << 48) ^ (uint64_t{fids} << 32) ^ fidn;
}

RecordNames::RecordNames(const Dataset& chart)
    : features(static_cast<size_t>(chart.features.count)),
      vectors(static_cast<size_t>(chart.vectorCount)),
      foids(static_cast<size_t>(chart.features.count)) {
  for (const FeatureRecord* f : chart.features) {
    features.insert(nameKey(f->rcnm, f->rcid), f);
    foids.insert(foidKey(f->agen, f->fidn, f->fids), f);
  }
  for (const List<VectorRecord>* list :
       {&chart.isolatedNodes, &chart.connectedNodes, &chart.edges}) {
    for (const VectorRecord* v : *list)
      vectors.insert(nameKey(v->rcnm, v->rcid), v);
  }
}

Context::Context(const S58Input& input, const RecordNames& names, bool withGeometry)
    : input_(input), withGeometry_(withGeometry), names_(names) {}

const Geometry& Context::shape(const FeatureRecord& feature) {
  auto it = shapes_.find(&feature);
  if (it == shapes_.end())
    it = shapes_.emplace(&feature, featureGeometry(*geos_, *this, feature)).first;
  return it->second;
}

const AreaIndex& Context::group1Areas() {
  if (!group1Areas_) {
    std::vector<const FeatureRecord*> areas;
    for (const FeatureRecord* f : chart().features) {
      if (f->prim == kPrimArea && isGroup1(f->objl)) areas.push_back(f);
    }
    group1Areas_ = std::make_unique<AreaIndex>(*this, areas);
  }
  return *group1Areas_;
}

const FeatureRecord* Context::feature(uint32_t rcid) const {
  const FeatureRecord* const* found = names_.features.find(nameKey(kRcnmFeature, rcid));
  return found != nullptr ? *found : nullptr;
}

const VectorRecord* Context::vector(uint8_t rcnm, uint32_t rcid) const {
  const VectorRecord* const* found = names_.vectors.find(nameKey(rcnm, rcid));
  return found != nullptr ? *found : nullptr;
}

const FeatureRecord* Context::featureByFoid(uint16_t agen, uint32_t fidn, uint16_t fids) const {
  const FeatureRecord* const* found = names_.foids.find(foidKey(agen, fidn, fids));
  return found != nullptr ? *found : nullptr;
}

std::optional<FindingPosition> Context::positionOf(const VectorRecord& vector) const {
  if (std::optional<FindingPosition> own = ownPosition(vector)) return own;
  for (const VectorPointerEntry* p : vector.pointers) {
    const VectorRecord* node = this->vector(p->rcnm, p->rcid);
    if (node != nullptr && node != &vector && !node->coordinates.empty()) {
      return FindingPosition{node->coordinates[0].x, node->coordinates[0].y};
    }
  }
  return std::nullopt;
}

std::optional<FindingPosition> Context::positionOf(const FeatureRecord& feature) const {
  for (const SpatialPointerEntry* p : feature.spatialPointers) {
    const VectorRecord* v = vector(p->rcnm, p->rcid);
    if (v == nullptr) continue;
    if (std::optional<FindingPosition> at = positionOf(*v)) return at;
  }
  return std::nullopt;
}

std::vector<FindingPosition> Context::edgeLine(const VectorRecord& edge) const {
  const VectorRecord* begin = nullptr;
  const VectorRecord* end = nullptr;
  for (const VectorPointerEntry* p : edge.pointers) {
    const VectorRecord* node = vector(p->rcnm, p->rcid);
    if (p->topi == 2 || (p->topi != 1 && begin != nullptr)) {
      end = node;
    } else {
      begin = node;
    }
  }
  std::vector<FindingPosition> line;
  auto add = [&line](const VectorRecord* node) {
    if (node != nullptr && !node->coordinates.empty())
      line.push_back({node->coordinates[0].x, node->coordinates[0].y});
  };
  add(begin);
  for (const Coordinate c : edge.coordinates)
    line.push_back({c.x, c.y});
  add(end);
  return line;
}

S58Geometry Context::geometryOf(const VectorRecord& v) const {
  S58Geometry g;
  if (v.rcnm == kRcnmEdge) {
    g.parts.push_back(edgeLine(v));
    g.kind = g.parts[0].size() >= 2 ? S58Geometry::Kind::Line : S58Geometry::Kind::None;
    if (g.kind == S58Geometry::Kind::None) g.parts.clear();
    return g;
  }
  std::vector<FindingPosition> points;
  for (const Coordinate c : v.coordinates)
    points.push_back({c.x, c.y});
  for (const Sounding s : v.soundings())
    points.push_back({s.x, s.y});
  if (points.empty()) return g;
  g.kind = points.size() == 1 ? S58Geometry::Kind::Point : S58Geometry::Kind::MultiPoint;
  g.parts.push_back(std::move(points));
  return g;
}

S58Geometry Context::geometryOf(const FeatureRecord& f) const {
  S58Geometry g;
  if (f.prim == kPrimArea) {
    // A polygon when the rings assemble into one exterior and its holes.
    std::vector<LinePoint> points;
    std::vector<RingRange> rings;
    try {
      appendFeatureRings(f, points, rings);
    } catch (const std::bad_alloc&) {
      rings.clear();
    }
    const auto exteriors =
        std::count_if(rings.begin(), rings.end(), [](const RingRange& r) { return r.exterior; });
    if (exteriors == 1 && rings.front().exterior) {
      g.kind = S58Geometry::Kind::Polygon;
      for (const RingRange& r : rings) {
        std::vector<FindingPosition>& ring = g.parts.emplace_back();
        for (size_t i = r.first; i < r.first + r.count; ++i)
          ring.push_back({points[i].x, points[i].y});
      }
      return g;
    }
  }
  // Otherwise what its spatial records are: points, or edges as lines.
  for (const SpatialPointerEntry* p : f.spatialPointers) {
    const VectorRecord* v = vector(p->rcnm, p->rcid);
    if (v == nullptr) continue;
    S58Geometry part = geometryOf(*v);
    for (auto& points : part.parts)
      g.parts.push_back(std::move(points));
    if (part.kind == S58Geometry::Kind::Line) g.kind = S58Geometry::Kind::MultiLine;
    if (part.kind != S58Geometry::Kind::None && g.kind != S58Geometry::Kind::MultiLine)
      g.kind = S58Geometry::Kind::MultiPoint;
  }
  if (g.kind == S58Geometry::Kind::MultiPoint) {
    std::vector<FindingPosition> all;
    for (const auto& points : g.parts)
      all.insert(all.end(), points.begin(), points.end());
    g.parts = {std::move(all)};
    if (g.parts[0].size() == 1) g.kind = S58Geometry::Kind::Point;
  } else if (g.kind == S58Geometry::Kind::MultiLine) {
    std::erase_if(g.parts, [](const auto& points) { return points.size() < 2; });
  }
  return g;
}

void Context::add(std::string_view check, S58Finding finding) {
  finding.check = s58Check(check);
  if (finding.check == nullptr) return;  // a check number the table lacks
  findings_.push_back(std::move(finding));
}

void Context::report(std::string_view check, const FeatureRecord* feature,
                     const VectorRecord* vector) {
  S58Finding finding;
  if (feature != nullptr) {
    finding.records.push_back({feature->rcnm, feature->rcid});
    finding.object = acronymOf(*feature);
    finding.foid = foidOf(*feature);
    finding.position = positionOf(*feature);
  }
  if (vector != nullptr) {
    finding.records.push_back({vector->rcnm, vector->rcid});
    if (!finding.position) finding.position = positionOf(*vector);
  }
  if (withGeometry_) {
    // The spatial record where the finding is about a feature's use of it.
    if (vector != nullptr) {
      finding.geometry = geometryOf(*vector);
    } else if (feature != nullptr) {
      finding.geometry = geometryOf(*feature);
    }
  }
  add(check, std::move(finding));
}

void Context::reportAt(std::string_view check, const FeatureRecord* feature, FindingPosition at) {
  report(check, feature);
  if (!findings_.empty() && findings_.back().check == s58Check(check))
    findings_.back().position = at;
}

void Context::report(std::string_view check, const VectorRecord* vector) {
  report(check, nullptr, vector);
}

void Context::report(std::string_view check) {
  add(check, {});
}

void Context::reportNames(std::string_view check, std::vector<RecordKey> records) {
  S58Finding finding;
  for (const RecordKey& key : records) {
    if (key.rcnm == kRcnmFeature) {
      if (const FeatureRecord* f = feature(key.rcid); f != nullptr && finding.object.empty()) {
        finding.object = acronymOf(*f);
        finding.foid = foidOf(*f);
        finding.position = positionOf(*f);
      }
    } else if (const VectorRecord* v = vector(key.rcnm, key.rcid); v != nullptr) {
      if (!finding.position) finding.position = positionOf(*v);
    }
  }
  if (withGeometry_ && !records.empty()) {
    const RecordKey& first = records.front();
    if (first.rcnm == kRcnmFeature) {
      if (const FeatureRecord* f = feature(first.rcid)) finding.geometry = geometryOf(*f);
    } else if (const VectorRecord* v = vector(first.rcnm, first.rcid)) {
      finding.geometry = geometryOf(*v);
    }
  }
  finding.records = std::move(records);
  add(check, std::move(finding));
}

std::array<Group, 8> groups() {
  return {identityChecks(),  topologyChecks(), ringChecks(),     encodingChecks(),
          catalogueChecks(), exchangeChecks(), coverageChecks(), depthChecks()};
}

std::vector<S58Finding> runGroups(const S58Input& input, bool withGeometry, unsigned threads) {
  // The ring checks alone, the coverage and depth checks together (they
  // share the skin of the earth's shapes), and the others. Lanes share only
  // the chart and its record names.
  constexpr std::array<std::array<bool, 8>, 3> kLanes = {{
      {true, true, false, true, true, true, false, false},      // identity ... exchange
      {false, false, true, false, false, false, false, false},  // rings
      {false, false, false, false, false, false, true, true},   // coverage, depth
  }};
  const std::array<Group, 8> all = groups();
  const RecordNames names(input.chart);
  std::array<std::vector<S58Finding>, 8> byGroup;
  const auto runLane = [&](const std::array<bool, 8>& lane) {
    Context context(input, names, withGeometry);
    for (size_t g = 0; g < all.size(); ++g) {
      if (!lane[g]) continue;
      all[g].run(context);
      byGroup[g] = context.take();
    }
  };
  // Without a budget, a thread per lane on a machine of several cores.
  if (threads == 0) threads = std::thread::hardware_concurrency() > 1 ? kLanes.size() : 1;
  // Each thread takes the next lane not yet taken until none is left.
  std::atomic<size_t> next = 0;
  const auto runLanes = [&] {
    for (size_t l; (l = next++) < kLanes.size();)
      runLane(kLanes[l]);
  };
  // A thread that fails (out of memory) fails the run once all have ended:
  // each future waits for its thread when it is read or destroyed. Lanes
  // no thread could be started for run here.
  std::vector<std::future<void>> others;
  const size_t helpers = std::min<size_t>(threads, kLanes.size()) - 1;
  try {
    while (others.size() < helpers)
      others.push_back(std::async(std::launch::async, runLanes));
  } catch (const std::system_error&) {
  }
  runLanes();
  for (std::future<void>& other : others)
    other.get();
  std::vector<S58Finding> findings;
  for (std::vector<S58Finding>& group : byGroup) {
    findings.insert(findings.end(), std::make_move_iterator(group.begin()),
                    std::make_move_iterator(group.end()));
  }
  return findings;
}

}  // namespace s58

std::vector<std::string_view> s58Implemented() {
  std::vector<std::string_view> numbers;
  for (const s58::Group& group : s58::groups()) {
    numbers.insert(numbers.end(), group.checks.begin(), group.checks.end());
  }
  std::sort(numbers.begin(), numbers.end(), s58CheckBefore);
  return numbers;
}

std::vector<S58Finding> runS58Profile(const S58Input& input, const S58Options& options) {
  std::vector<S58Finding> findings = s58::runGroups(input, options.withGeometry, options.threads);
  std::erase_if(findings,
                [&](const S58Finding& f) { return options.ignored.contains(f.check->number); });
  std::stable_sort(findings.begin(), findings.end(), [](const S58Finding& a, const S58Finding& b) {
    if (a.check != b.check) return s58CheckBefore(a.check->number, b.check->number);
    return std::lexicographical_compare(a.records.begin(), a.records.end(), b.records.begin(),
                                        b.records.end(), recordBefore);
  });
  return findings;
}

}  // namespace abys
