// What every check of the profile works with: the chart, look-ups of its
// records by name, and the sink that turns a check's records into a
// finding. Internal to the profile.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "flat_map.h"
#include "geometry.h"
#include "profile.h"

namespace abys::s58 {

// The chart's records by name and by FOID, built once and read by every
// context of a run.
struct RecordNames {
  explicit RecordNames(const Dataset& chart);
  FlatMap<const FeatureRecord*> features;
  FlatMap<const VectorRecord*> vectors;
  FlatMap<const FeatureRecord*> foids;
};

class Context {
 public:
  // names is that of input's chart, and outlives the context.
  Context(const S58Input& input, const RecordNames& names, bool withGeometry);

  const S58Input& input() const { return input_; }
  const Dataset& chart() const { return input_.chart; }

  // The first record of a name, or null.
  const FeatureRecord* feature(uint32_t rcid) const;
  const VectorRecord* vector(uint8_t rcnm, uint32_t rcid) const;
  // The feature whose FOID is agen, fidn, fids, or null.
  const FeatureRecord* featureByFoid(uint16_t agen, uint32_t fidn, uint16_t fids) const;

  // The GEOS context of the run, and each feature's geometry as
  // featureGeometry makes it, built once and kept for the run.
  const Geos& geos() const { return *geos_; }
  const Geometry& shape(const FeatureRecord& feature);
  // The areas (PRIM 3) of the skin of the earth, indexed; built on first use.
  const AreaIndex& group1Areas();

  // A finding of check naming a feature, a vector record, both (the
  // feature first), or no record; check is a number of the check table.
  void report(std::string_view check, const FeatureRecord* feature,
              const VectorRecord* vector = nullptr);
  void report(std::string_view check, const VectorRecord* vector);
  // A finding naming a feature, placed where the check found the fault
  // rather than at the feature's first point.
  void reportAt(std::string_view check, const FeatureRecord* feature, FindingPosition at);
  void report(std::string_view check);
  // A finding naming records by name alone (records an update file names).
  void reportNames(std::string_view check, std::vector<RecordKey> records);

  std::vector<S58Finding> take() { return std::move(findings_); }

  // Where a finding naming the record is placed: the first coordinate of
  // its first vector record that has one; nothing when none has.
  std::optional<FindingPosition> positionOf(const VectorRecord& vector) const;
  std::optional<FindingPosition> positionOf(const FeatureRecord& feature) const;

 private:
  void add(std::string_view check, S58Finding finding);
  S58Geometry geometryOf(const VectorRecord& vector) const;
  S58Geometry geometryOf(const FeatureRecord& feature) const;
  // The points of an edge from its beginning node to its end node.
  std::vector<FindingPosition> edgeLine(const VectorRecord& edge) const;

  const S58Input& input_;
  const bool withGeometry_;
  const RecordNames& names_;
  std::vector<S58Finding> findings_;
  std::unique_ptr<Geos> geos_ = std::make_unique<Geos>();
  std::unordered_map<const FeatureRecord*, Geometry> shapes_;
  std::unique_ptr<AreaIndex> group1Areas_;
};

uint64_t nameKey(uint8_t rcnm, uint32_t rcid);
uint64_t foidKey(uint16_t agen, uint32_t fidn, uint16_t fids);

// The groups of checks, each in a file of its own. A group runs its checks
// over the context and lists the check numbers it implements.
struct Group {
  void (*run)(Context& context);
  std::span<const std::string_view> checks;
};

Group identityChecks();   // record identifiers, dataset parameters, update files
Group topologyChecks();   // pointers, edges and nodes, coordinates, duplicates
Group ringChecks();       // line continuity, area rings
Group encodingChecks();   // subfield values, field order, update-file structure
Group catalogueChecks();  // object classes and attributes against the catalogue, orientations
Group exchangeChecks();   // file names, the catalogue file, text and picture files
Group coverageChecks();   // M_COVR, the skin of the earth, supporting objects
Group depthChecks();      // depth contours, depth areas and soundings

// Every group, in the order the profile reports them.
std::array<Group, 8> groups();

// Runs every group, each lane of groups with a context of its own, on up
// to threads threads (the calling one included; 0 for one per lane on a
// machine of several cores): the lanes side by side as far as the threads
// go; the findings come in the
// order of groups(), as one context running the groups in turn gives them.
std::vector<S58Finding> runGroups(const S58Input& input, bool withGeometry, unsigned threads = 0);

}  // namespace abys::s58
