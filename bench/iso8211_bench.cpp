// Reading and decoding every field of generated cells held in memory through
// the field stream the loader reads with: the record reader, the header
// check, the classification and the decoders.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cell_writer.h"
#include "field_stream.h"

namespace {

using namespace abys;

// A cell of `lines` depth lines, each an edge of `points` interior points
// between two connected nodes, with a VALDCO attribute and a national name.
std::string makeCell(int lines, int points) {
  cellwriter::Cell cell;
  uint32_t rcid = 1;
  for (int i = 0; i < lines; ++i) {
    const double y = 35.0 + i * 1e-4;
    const uint32_t begin = rcid++;
    const uint32_t end = rcid++;
    cell.vectors.push_back(cellwriter::connectedNode(begin, {139.0, y}));
    cell.vectors.push_back(cellwriter::connectedNode(end, {139.5, y}));
    std::vector<cellwriter::Point2> interior;
    for (int p = 1; p <= points; ++p)
      interior.push_back({139.0 + p * 0.5 / (points + 1), y});
    const uint32_t edgeId = rcid++;
    cell.vectors.push_back(cellwriter::edge(edgeId, begin, end, interior));
    cellwriter::Feature f;
    f.rcid = static_cast<uint32_t>(i + 1);
    f.objl = 30011;
    f.attributes = {{174, std::to_string(5 * (i % 20))}};
    f.nationalAttributes = {{301, u"等深線"}};
    f.spatialPointers = {{130, edgeId}};
    cell.features.push_back(f);
  }
  return cellwriter::encodeCell(cell);
}

void readCell(benchmark::State& state) {
  const std::string cell = makeCell(static_cast<int>(state.range(0)), 20);
  FieldStream stream;
  int64_t fields = 0;
  for (auto _ : state) {
    std::FILE* file = fmemopen(const_cast<char*>(cell.data()), cell.size(), "rb");
    stream.attach(file);
    while (stream.next() > 0) {
      stream.decode();
      ++fields;
    }
    stream.close();
    std::fclose(file);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(cell.size()));
  state.counters["fields/s"] =
      benchmark::Counter(static_cast<double>(fields), benchmark::Counter::kIsRate);
  state.counters["cell MB"] = static_cast<double>(cell.size()) / 1e6;
}
BENCHMARK(readCell)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
