// abys-mkcell --hostile writes the inputs of bench/hostile_cells.py: each kind
// a file within the size limit that loads to its end with the records the
// program says it wrote, and whose checks end as the kind intends.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <unordered_map>

#include "hostile_cell.h"
#include "support/load.h"
#include "support/programs.h"

namespace abys {
namespace {

// What the program says it wrote.
struct Written {
  int64_t count = 0, features = 0, vectors = 0, bytes = 0;
};

bool parseWritten(const std::string& out, Written& w) {
  const size_t at = out.find(", count ");
  if (at == std::string::npos) return false;
  long long count = 0, features = 0, vectors = 0, bytes = 0;
  if (std::sscanf(out.c_str() + at,
                  ", count %lld (%*[^)]), %lld features, %lld vectors, %lld bytes", &count,
                  &features, &vectors, &bytes) != 4) {
    return false;
  }
  w = {count, features, vectors, bytes};
  return true;
}

// The check status abys-check --summary gives; -1 when it gives none.
int summaryCheckStatus(const std::string& path) {
  const test::ProgramRun r = test::runProgram("abys-check", "--summary " + path);
  int load = -1, check = -1;
  const size_t at = r.out.find(": load ");
  if (at == std::string::npos ||
      std::sscanf(r.out.c_str() + at, ": load %d, check %d", &load, &check) != 2 || load != 0) {
    return -1;
  }
  return check;
}

// Small counts keep the checks quick; one kind at its default size (count 0)
// stands for the full-size cells. check -1: not run, since a single feature
// of repeated-pointer already gives 78 million findings.
const struct {
  const char* kind;
  int64_t count;
  int check;
} kCases[] = {
    {"equal-features", 30, 0},
    {"same-feature-id", 30, 301},
    {"same-vector-id", 30, 306},
    {"shared-edge", 30, 0},
    {"repeated-codes", 30, 0},
    {"long-line", 40, 0},
    {"repeated-pointer", 1, -1},
    {"long-ring", 3, 0},
    {"long-ring", 40, 0},
    {"open-ring", 40, 503},
    {"pointer-chain", 30, 0},
    {"pointer-chain", 0, 0},
    {"pointer-cycle", 2, 0},
    {"unresolved-pointers", 1, 310},
    {"node-coordinates", 2, 322},
    {"colliding-feature-ids", 30, 0},
    {"colliding-vector-ids", 30, 0},
    {"colliding-object-ids", 30, 0},
};

TEST(MkcellHostile, EveryKindLoadsToItsEndWithinTheLimit) {
  std::set<std::string_view> covered;
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.count));
    const test::TempFolder folder;
    const std::string path = folder.path() + "/HOSTILE.000";
    const std::string count = c.count > 0 ? " --count " + std::to_string(c.count) : "";
    const test::ProgramRun r =
        test::runProgram("abys-mkcell", "--hostile " + std::string(c.kind) + count + " " + path);
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Written w;
    ASSERT_TRUE(parseWritten(r.out, w)) << r.out;
    if (c.count > 0) {
      EXPECT_EQ(w.count, c.count);
    } else {
      // As many as fit: close to the limit.
      EXPECT_GT(w.bytes, mkcell::kHostileBytes * 95 / 100);
    }
    EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(path)), w.bytes);
    EXPECT_LE(w.bytes, mkcell::kHostileBytes);

    Dataset d;
    const test::LoadResult loaded = test::load(d, path);
    EXPECT_EQ(loaded.status, 0) << loaded.log;
    EXPECT_EQ(test::invariantViolations(d), "");
    EXPECT_EQ(d.features.count, w.features);
    EXPECT_EQ(d.vectorCount, w.vectors);
    if (c.check >= 0) {
      EXPECT_EQ(summaryCheckStatus(path), c.check);
    }

    // The colliding kinds' identifiers all share a bucket of a hash table
    // of identifiers reserved for as many, as the identifier checks use.
    const std::string_view kind = c.kind;
    if (kind == "colliding-feature-ids" || kind == "colliding-vector-ids") {
      std::unordered_map<uint32_t, int> table;
      table.reserve(static_cast<size_t>(w.count));
      std::set<size_t> buckets;
      if (kind == "colliding-feature-ids") {
        for (const FeatureRecord* f : d.features)
          buckets.insert(table.bucket(f->rcid));
      } else {
        for (const VectorRecord* v : d.isolatedNodes)
          buckets.insert(table.bucket(v->rcid));
      }
      EXPECT_EQ(buckets.size(), 1u);
    }
    covered.insert(kind);
  }
  for (const mkcell::HostileKind& kind : mkcell::hostileKinds())
    EXPECT_TRUE(covered.count(kind.name)) << kind.name << " has no case";
}

TEST(MkcellHostile, RefusesWhatMakesNoHostileCell) {
  for (const char* arguments :
       {"--hostile nosuch OUT.000", "--count 5 OUT.000", "--hostile long-ring --count 2 OUT.000",
        "--hostile long-line --count 99999999 OUT.000", "--hostile shared-edge --count x OUT.000",
        "--hostile equal-features --seed 3 OUT.000", "--hostile equal-features --standard OUT.000",
        "--hostile equal-features"}) {
    SCOPED_TRACE(arguments);
    const test::ProgramRun r = test::runProgram("abys-mkcell", arguments);
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find("abys-mkcell: "), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace abys
