// Reading and decoding allocate nothing per field once the reader's buffers
// and the image have grown to the largest field: this program counts every
// operator new made while a cell is read a second time.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "cell_writer.h"
#include "support/field_walk.h"
#include "support/stream.h"

namespace {
std::atomic<long> allocations{0};
}

// GCC takes the replaced operators for a malloc/delete mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace abys {
namespace {

cellwriter::Cell sampleCell() {
  using namespace cellwriter;
  Cell cell;
  for (uint32_t i = 1; i <= 40; ++i) {
    cell.vectors.push_back(connectedNode(2 * i, {139.0 + i * 0.01, 35.0}));
    cell.vectors.push_back(connectedNode(2 * i + 1, {139.0 + i * 0.01, 35.1}));
  }
  for (uint32_t i = 1; i <= 40; ++i) {
    cell.vectors.push_back(
        edge(1000 + i, 2 * i, 2 * i + 1, {{139.0 + i * 0.01, 35.05}, {139.001 + i * 0.01, 35.06}}));
    Feature f;
    f.rcid = i;
    f.objl = 30011;
    f.attributes = {{174, std::to_string(i * 5)}, {116, "contour"}};
    f.nationalAttributes = {{301, u"等深線"}};
    f.featurePointers = {{540, i + 1, 1, 2, "next"}};
    f.spatialPointers = {{130, 1000 + i}};
    cell.features.push_back(f);
  }
  cell.vectors.push_back(soundingNode(5000, {{139.5, 35.5, 12.5}, {139.6, 35.6, 3.0}}));
  return cell;
}

// Reads every field and decodes it; returns the number of fields.
int readAndDecode(DdfReader& reader, std::FILE* file, std::vector<char>& buffer,
                  FieldImage& image) {
  int fields = 0;
  test::walkFields(reader, file, buffer, image,
                   [&](const test::WalkedField&, const FieldImage&) { ++fields; });
  return fields;
}

TEST(Allocation, NoneWhileReadingAndDecodingOnceWarm) {
  test::MemoryFile first(cellwriter::encodeCell(sampleCell()));
  test::MemoryFile second(cellwriter::encodeCell(sampleCell()));
  DdfReader reader;
  std::vector<char> buffer(kTaggedFieldAreaSize);
  FieldImage image;
  const int warm = readAndDecode(reader, first.get(), buffer, image);
  const long before = allocations.load();
  const int fields = readAndDecode(reader, second.get(), buffer, image);
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_EQ(fields, warm);
  EXPECT_GT(fields, 500);
}

}  // namespace
}  // namespace abys
