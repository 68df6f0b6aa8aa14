// Memory running out in the checks: every allocation a check run makes on a
// small cell is made to fail in turn (and every one after it), in each way
// the findings can be taken. The run must end with -2 (or, where check 7
// could not copy a feature, a -2 finding), the pointers it resolved must
// stay valid and the dataset must release without a leak; the sanitizer
// build checks the last.
#include <gtest/gtest.h>

#include <string>

#include "cell_writer.h"
#include "check_driver.h"
#include "record_assembly.h"
#include "support/counted_new.h"
#include "support/load.h"
#include "synthetic_cell.h"

namespace abys {
namespace {

namespace cw = cellwriter;
using test::allocations;
using test::failFrom;

// A small standard chart that passes every check, and a cell whose records
// repeat identifiers, features and pointers, so that the failing paths
// allocate too.
std::vector<std::pair<std::string, cw::Cell>> cells() {
  mkcell::Options options;
  options.standard = true;
  options.grid = 16;
  options.levels = 4;
  options.relief = 2;
  std::vector<std::pair<std::string, cw::Cell>> made;
  made.emplace_back("standard", mkcell::makeCell(options).cell);
  cw::Cell repeats;
  for (uint32_t i = 0; i < 6; ++i) {
    repeats.vectors.push_back(cw::isolatedNode(1 + i % 2, {139.0 + i * 0.01, 35.0}));
    repeats.vectors.push_back(cw::connectedNode(10 + i % 3, {139.0, 35.0 + i * 0.01}));
    cw::Feature f{.rcid = 100 + i % 4, .prim = 1, .objl = 129};
    f.attributes.push_back({87, std::to_string(i % 2)});
    f.spatialPointers = {{.rcnm = 110, .rcid = 1}, {.rcnm = 110, .rcid = 1}};
    repeats.features.push_back(std::move(f));
  }
  made.emplace_back("repeats", std::move(repeats));
  return made;
}

class Collecting : public TextLogReporter {
 public:
  Collecting()
      : TextLogReporter([this](const char* format, std::va_list args) {
          log += formatMessage(format, args);
        }) {}
  std::string log;
};

TEST(CheckAllocation, EveryAllocationOfACheckRunCanFail) {
  for (const auto& [name, cell] : cells()) {
    test::TempFile file(cw::encodeCell(cell));
    for (const FindingDetail detail :
         {FindingDetail::Each, FindingDetail::CountOnly, FindingDetail::None}) {
      SCOPED_TRACE(name + " detail " + std::to_string(static_cast<int>(detail)));
      long made = 0;  // allocations of the last run
      auto run = [&](Dataset& dataset, long failAt, std::string& log) {
        Collecting text;
        CountingReporter counter;
        DiscardingReporter quiet;
        FindingReporter& reporter = detail == FindingDetail::Each ? text
                                    : detail == FindingDetail::CountOnly
                                        ? counter
                                        : static_cast<FindingReporter&>(quiet);
        const long before = allocations;
        failFrom = failAt == 0 ? 0 : before + failAt;
        const int status = runLogicalChecks(dataset, reporter);
        failFrom = 0;
        made = allocations - before;
        log = text.log + (counter.byCode().contains(kOutOfMemory) ? "Error: -2" : "");
        return status;
      };
      Dataset full;
      ASSERT_EQ(test::load(full, file.path()).status, 0);
      std::string fullLog;
      const int fullStatus = run(full, 0, fullLog);
      const long total = made;
      ASSERT_GT(total, 0);
      releaseDataset(full);
      for (long n = 1; n <= total; ++n) {
        SCOPED_TRACE(n);
        Dataset dataset;
        ASSERT_EQ(test::load(dataset, file.path()).status, 0);
        std::string log;
        const int status = run(dataset, n, log);
        if (status != kOutOfMemory) {
          // Check 7 goes on without the features it could not copy.
          EXPECT_EQ(status, fullStatus);
          if (detail != FindingDetail::None) {
            EXPECT_NE(log.find("Error: -2"), std::string::npos);
          }
        }
        // What was resolved points into the dataset.
        for (const FeatureRecord* f : dataset.features) {
          for (const SpatialPointerEntry* p : f->spatialPointers) {
            if (p->target != nullptr) {
              EXPECT_EQ(p->target->rcid, p->rcid);
            }
          }
        }
        releaseDataset(dataset);
      }
    }
  }
}

}  // namespace
}  // namespace abys
