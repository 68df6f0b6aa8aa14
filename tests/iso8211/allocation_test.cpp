// Reading and decoding allocate nothing per field once the stream's image has
// grown to the largest field: this program counts every operator new made
// while a cell is read a second time.
#include <gtest/gtest.h>

#include "cell_writer.h"
#include "field_stream.h"
#include "support/counted_new.h"
#include "support/stream.h"

namespace abys {
namespace {

// Forty depth lines with attributes, names and pointers, and soundings.
cellwriter::Cell sampleCell() {
  using namespace cellwriter;
  Cell cell;
  for (uint32_t i = 1; i <= 40; ++i) {
    const double x = 139.0 + i * 0.01;
    cell.vectors.push_back(connectedNode(2 * i, {x, 35.0}));
    cell.vectors.push_back(connectedNode(2 * i + 1, {x, 35.1}));
    cell.vectors.push_back(edge(1000 + i, 2 * i, 2 * i + 1, {{x, 35.05}, {x + 0.001, 35.06}}));
    cell.features.push_back(Feature{.rcid = i,
                                    .objl = 30011,
                                    .attributes = {{174, std::to_string(i * 5)}, {116, "line"}},
                                    .nationalAttributes = {{301, u"等深線"}},
                                    .featurePointers = {{540, i + 1, 1, 2, "next"}},
                                    .spatialPointers = {{130, 1000 + i}}});
  }
  cell.vectors.push_back(soundingNode(5000, {{139.5, 35.5, 12.5}, {139.6, 35.6, 3.0}}));
  return cell;
}

// The cell is read and decoded twice over one stream: the second time
// nothing is allocated.
TEST(Allocation, NoneWhileReadingAndDecodingOnceWarm) {
  test::MemoryFile file(cellwriter::encodeCell(sampleCell()));
  FieldStream stream;
  int fields[2] = {0, 0};
  long allocated = 0;
  for (int& count : fields) {
    std::rewind(file.get());
    stream.attach(file.get());
    const long before = test::allocations.load();
    while (stream.next() > 0) {
      stream.decode();
      ++count;
    }
    allocated = test::allocations.load() - before;
  }
  EXPECT_EQ(allocated, 0);
  EXPECT_EQ(fields[1], fields[0]);
  EXPECT_GT(fields[1], 500);
}

}  // namespace
}  // namespace abys
