// Every real cell loads into a dataset that keeps the model's invariants and
// releases cleanly (the sanitizer build checks for leaks); the record counts
// of the cells that load completely match GDAL's reading of them, and so do
// those of the cells whose load stops at a field out of order when it reads
// on past such fields.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "field_types.h"
#include "support/load.h"
#include "support/programs.h"
#include "support/stream.h"

namespace abys {
namespace {

TEST(RealCells, LoadKeepingTheInvariantsAndRelease) {
  const auto cells = test::realCells();
  if (cells.empty()) GTEST_SKIP() << "no real cells beside the repository";
  const bool gdal = test::haveOgrinfo();
  int compared = 0;
  auto dataset = std::make_unique<Dataset>();
  for (const auto& cell : cells) {
    const std::string name = std::filesystem::relative(cell, test::realDataDir()).string();
    SCOPED_TRACE(name);
    testing::internal::CaptureStderr();
    test::LoadResult r = test::load(*dataset, cell.string());
    int orderErrors = 0;
    if (r.status == kFieldOutOfOrder) {
      releaseDataset(*dataset);
      const LoadOptions lenient{.readPastOrderErrors = true,
                                .orderError = [&](const OrderError&) { ++orderErrors; }};
      r = test::load(*dataset, cell.string(), lenient);
      EXPECT_GT(orderErrors, 0);
    }
    testing::internal::GetCapturedStderr();
    std::printf("%-64s load %d%s\n", name.c_str(), r.status,
                orderErrors > 0 ? (", read on past " + std::to_string(orderErrors) +
                                   " records with fields out of order")
                                      .c_str()
                                : "");
    EXPECT_NE(r.status, kCannotOpen);
    EXPECT_EQ(test::invariantViolations(*dataset), "");
    const test::RecordCounts ours = test::countsOf(*dataset);
    releaseDataset(*dataset);

    // GDAL opens base cells only; compare those we read to their end.
    test::RecordCounts theirs;
    const bool complete = r.status == 0 || (orderErrors > 0 && r.status == kFieldOutOfOrder);
    if (gdal && complete && cell.extension() == ".000" && test::gdalCounts(cell.string(), theirs)) {
      EXPECT_EQ(ours, theirs);
      ++compared;
    }
  }
  if (gdal) {
    EXPECT_GT(compared, 40);
  }
}

}  // namespace
}  // namespace abys
