#include "check_driver.h"

#include "checks.h"

namespace abys {

std::string recordName(uint8_t rcnm, uint32_t rcid) {
  const char* letters = "  ";
  switch (rcnm) {
    case kRcnmFeature:
      letters = "FE";
      break;
    case kRcnmIsolatedNode:
      letters = "VI";
      break;
    case kRcnmConnectedNode:
      letters = "VC";
      break;
    case kRcnmEdge:
      letters = "VE";
      break;
    case kRcnmFace:
      letters = "VF";
      break;
    default:
      break;
  }
  return formatMessage("%s%010d", letters, static_cast<int>(rcid));
}

void writeCheckError(int code, const std::string& name, const std::string* otherName,
                     const LogFn& log) {
  if (otherName == nullptr) {
    logMessage(log, "Error:%3d  Name: %s\n", code, name.c_str());
  } else {
    logMessage(log, "Error:%3d  Name: %s Name: %s\n", code, name.c_str(), otherName->c_str());
  }
}

int runLogicalChecks(Dataset& dataset, const LogFn& log) {
  logMessage(log, "Checking Feature Number Uniqness\n");
  int s = checkFeatureNumbers(dataset.features, log);
  logMessage(log, "Checking Vector Number Uniqness\n");
  if (s == 0) s = checkVectorNumbers(dataset, log);
  logMessage(log, "Checking Pointed Record Type\n");
  if (s == 0) {
    s = checkPointedRecordTypes(dataset.features, log);
    if (s == 0) {
      const RecordIndex index(dataset);
      logMessage(log, "Checking Object Pointer Existence\n");
      s = checkObjectPointers(dataset, index, log);
      if (s == 0) {
        logMessage(log, "Checking Vector Record Pointer Existence\n");
        s = checkVectorPointers(dataset, index, log);
      }
    }
  }
  logMessage(log, "Checking Feature Record and Vector Record Cross Reference\n");
  checkCrossReferences(dataset, log);
  logMessage(log, "Checking Feature Record Duplication\n");
  checkFeatureDuplication(dataset, log);
  if (s == 0) {
    logMessage(log, "Checking Vector Record Coodinate Miscellanious Rules\n");
    s = checkVectorCoordinates(dataset, log);
    if (s == 0) {
      logMessage(log, "Checking Line Feature Continuity\n");
      s = checkLineContinuity(dataset, log);
      if (s == 0) {
        logMessage(log, "Checking Area Feature Continuity\n");
        s = checkAreaContinuity(dataset, log);
      }
    }
  }
  logMessage(log, "All Logical Check Done !\n");
  return s;
}

}  // namespace abys
