#include "check_driver.h"

#include <new>

#include "checks.h"
#include "record_assembly.h"

namespace abys {

void TextLogReporter::announce(const char* text) {
  logText(log_, text);
}

void TextLogReporter::report(const Finding& finding) {
  const std::string name = finding.record ? recordName(*finding.record) : std::string();
  if (!finding.other) {
    logMessage(log_, "Error:%3d  Name: %s\n", finding.code, name.c_str());
  } else {
    logMessage(log_, "Error:%3d  Name: %s Name: %s\n", finding.code, name.c_str(),
               recordName(*finding.other).c_str());
  }
}

void CountingReporter::counted(int code, uint64_t count) {
  if (count == 0) return;
  total_ += count;
  byCode_[code] += count;
}

CheckReport::CheckReport(const Dataset& dataset, FindingReporter& reporter)
    : dataset_(dataset), reporter_(reporter), detail_(reporter.detail()) {}

CheckReport::~CheckReport() = default;

const VectorRecord* CheckReport::lookUp(const VectorRecord* target, uint8_t rcnm, uint32_t rcid) {
  if (target != nullptr) return target;
  if (!index_) index_ = std::make_unique<RecordIndex>(dataset_);
  return index_->findVectorRecord(rcnm, rcid);
}

std::optional<FindingPosition> ownPosition(const VectorRecord& vector) {
  if (!vector.coordinates.empty()) {
    const Coordinate c = vector.coordinates[0];
    return FindingPosition{c.x, c.y};
  }
  if (!vector.soundings().empty()) {
    const Sounding s = vector.soundings()[0];
    return FindingPosition{s.x, s.y};
  }
  return std::nullopt;
}

std::optional<FindingPosition> CheckReport::positionOf(const VectorRecord& vector,
                                                       bool followNodes) {
  if (std::optional<FindingPosition> own = ownPosition(vector)) return own;
  if (!followNodes) return std::nullopt;
  const VectorPointerEntry* pointer = vector.pointers.first;
  if (pointer == nullptr) return std::nullopt;
  const VectorRecord* node = lookUp(pointer->target, pointer->rcnm, pointer->rcid);
  if (node == nullptr) return std::nullopt;
  return positionOf(*node, false);
}

std::optional<FindingPosition> CheckReport::positionOf(const FeatureRecord& feature) {
  const SpatialPointerEntry* pointer = feature.spatialPointers.first;
  if (pointer == nullptr) return std::nullopt;
  const VectorRecord* vector = lookUp(pointer->target, pointer->rcnm, pointer->rcid);
  if (vector == nullptr) return std::nullopt;
  return positionOf(*vector);
}

bool CheckReport::takesEach(int code) {
  if (detail_ == FindingDetail::Each) return true;
  if (detail_ == FindingDetail::CountOnly) reporter_.counted(code, 1);
  return false;
}

template <typename Record>
void CheckReport::hand(int code, const Record* record, const Record* other) {
  if (!takesEach(code)) return;
  Finding f;
  f.code = code;
  if (record != nullptr) {
    f.record = RecordKey{record->rcnm, record->rcid};
    f.position = positionOf(*record);
  }
  if (other != nullptr) f.other = RecordKey{other->rcnm, other->rcid};
  reporter_.report(f);
}

void CheckReport::finding(int code, const FeatureRecord* record, const FeatureRecord* other) {
  hand(code, record, other);
}

void CheckReport::finding(int code, const VectorRecord* record, const VectorRecord* other) {
  hand(code, record, other);
}

void CheckReport::finding(int code, const RecordKey& record) {
  if (!takesEach(code)) return;
  Finding f;
  f.code = code;
  f.record = record;
  reporter_.report(f);
}

int runLogicalChecks(Dataset& dataset, const LogFn& log) {
  TextLogReporter text(log);
  return runLogicalChecks(dataset, text);
}

namespace {

int runChecks(Dataset& dataset, FindingReporter& reporter) {
  CheckReport report(dataset, reporter);
  report.announce("Checking Feature Number Uniqness\n");
  int s = checkFeatureNumbers(dataset.features, report);
  report.announce("Checking Vector Number Uniqness\n");
  if (s == 0) s = checkVectorNumbers(dataset, report);
  report.announce("Checking Pointed Record Type\n");
  if (s == 0) {
    s = checkPointedRecordTypes(dataset.features, report);
    if (s == 0) {
      const RecordIndex index(dataset);
      report.announce("Checking Object Pointer Existence\n");
      s = checkObjectPointers(dataset, index, report);
      if (s == 0) {
        report.announce("Checking Vector Record Pointer Existence\n");
        s = checkVectorPointers(dataset, index, report);
      }
    }
  }
  report.announce("Checking Feature Record and Vector Record Cross Reference\n");
  checkCrossReferences(dataset, report);
  report.announce("Checking Feature Record Duplication\n");
  checkFeatureDuplication(dataset, report);
  if (s == 0) {
    report.announce("Checking Vector Record Coodinate Miscellanious Rules\n");
    s = checkVectorCoordinates(dataset, report);
    if (s == 0) {
      report.announce("Checking Line Feature Continuity\n");
      s = checkLineContinuity(dataset, report);
      if (s == 0) {
        report.announce("Checking Area Feature Continuity\n");
        s = checkAreaContinuity(dataset, report);
      }
    }
  }
  report.announce("All Logical Check Done !\n");
  return s;
}

}  // namespace

int runLogicalChecks(Dataset& dataset, FindingReporter& reporter) {
  try {
    return runChecks(dataset, reporter);
  } catch (const std::bad_alloc&) {
    // The run stops where memory ran out; what it resolved stays valid and
    // the dataset can be released. Saying so may itself fail.
    try {
      Finding stopped;
      stopped.code = kOutOfMemory;
      if (reporter.detail() == FindingDetail::Each) reporter.report(stopped);
      if (reporter.detail() == FindingDetail::CountOnly) reporter.counted(kOutOfMemory, 1);
    } catch (const std::bad_alloc&) {
    }
    return kOutOfMemory;
  }
}

}  // namespace abys
