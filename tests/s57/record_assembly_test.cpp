#include "record_assembly.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "cell_writer.h"
#include "field_decoder.h"
#include "field_types.h"
#include "support/load.h"

namespace abys {
namespace {

using cellwriter::Cell;
using cellwriter::Feature;
using cellwriter::FieldBuilder;
using cellwriter::Vector;

std::vector<std::pair<int, std::string>> codesAndValues(const List<AttributeEntry>& list) {
  std::vector<std::pair<int, std::string>> out;
  for (const AttributeEntry* a : list)
    out.emplace_back(a->attl, std::string(a->atvl));
  return out;
}

// Decodes field data and assembles it, as the loader does for one field.
struct Assembler {
  Dataset dataset;
  FieldImage image;
  int32_t exchangePurpose = 1;
  RecordId name;
  uint8_t lexicalLevel = 0;

  Assembler() {
    dataset.dspm.comf = 1;
    dataset.dspm.somf = 1;
  }
  int add(int type, const std::string& data) {
    int32_t count = 0;
    ddfDecodeField(type, data.data(), static_cast<int>(data.size()), image, count, exchangePurpose,
                   lexicalLevel);
    return assembleField(type, dataset, image, count, exchangePurpose, name, lexicalLevel);
  }
};

std::string attributes(std::initializer_list<std::pair<uint16_t, const char*>> pairs) {
  FieldBuilder b;
  for (const auto& [code, value] : pairs)
    b.b12(code).text(value);
  return b.data();
}

TEST(AssembleAttributes, FeatureAttributesSortByCodeKeepingFileOrderForEqualCodes) {
  Assembler a;
  ASSERT_EQ(a.add(kFieldFRID,
                  FieldBuilder().b11(100).b14(1).b11(2).b11(1).b12(30011).b12(1).b11(1).data()),
            0);
  ASSERT_EQ(a.add(kFieldATTF, attributes({{116, "a"}, {9, "b"}, {116, "c"}, {9, "d"}})), 0);
  const FeatureRecord* f = a.dataset.features.last;
  using V = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(codesAndValues(f->attributes), (V{{9, "b"}, {9, "d"}, {116, "a"}, {116, "c"}}));
  // A second field of the same record merges into the same order.
  ASSERT_EQ(a.add(kFieldATTF, attributes({{116, "e"}, {5, "f"}, {9, "g"}, {200, "h"}})), 0);
  EXPECT_EQ(
      codesAndValues(f->attributes),
      (V{{5, "f"}, {9, "b"}, {9, "d"}, {9, "g"}, {116, "a"}, {116, "c"}, {116, "e"}, {200, "h"}}));
  EXPECT_EQ(test::listViolations(f->attributes, "attributes"), "");

  ASSERT_EQ(a.add(kFieldNATF, attributes({{301, "x"}, {300, "y"}})), 0);
  EXPECT_EQ(codesAndValues(f->nationalAttributes), (V{{300, "y"}, {301, "x"}}));

  ASSERT_EQ(a.add(kFieldVRID, FieldBuilder().b11(130).b14(1).b12(1).b11(1).data()), 0);
  ASSERT_EQ(a.add(kFieldATTV, attributes({{116, "p"}, {9, "q"}})), 0);
  EXPECT_EQ(codesAndValues(a.dataset.currentVector->attributes), (V{{116, "p"}, {9, "q"}}));

  // No elements, nothing added.
  const int32_t before = f->attributes.count;
  EXPECT_EQ(
      assembleField(kFieldATTF, a.dataset, a.image, 0, a.exchangePurpose, a.name, a.lexicalLevel),
      0);
  EXPECT_EQ(f->attributes.count, before);
}

TEST(AssembleIdentification, OutputsForTheDriver) {
  Assembler a;
  a.exchangePurpose = 0;
  auto dsid = [](uint8_t expp) {
    return FieldBuilder()
        .b11(10)
        .b14(77)
        .b11(expp)
        .b11(5)
        .text("A.000")
        .text("1")
        .text("0")
        .fixed("20260101", 8)
        .fixed("20260101", 8)
        .fixed("03.1", 4)
        .b11(1)
        .text("")
        .text("2.0")
        .b11(1)
        .b12(540)
        .text("")
        .data();
  };
  ASSERT_EQ(a.add(kFieldDSID, dsid(3)), 0);
  EXPECT_EQ(a.exchangePurpose, 0);
  EXPECT_EQ(a.name.rcnm, 10);
  EXPECT_EQ(a.name.rcid, 77u);
  ASSERT_EQ(a.add(kFieldDSID, dsid(2)), 0);
  EXPECT_EQ(a.exchangePurpose, 2);
  ASSERT_EQ(a.add(kFieldDSID, dsid(9)), 0);
  EXPECT_EQ(a.exchangePurpose, 2);
  EXPECT_EQ(a.dataset.dsid.dsnm, "A.000");

  FieldBuilder dssi;
  dssi.b11(2).b11(1).b11(2);
  for (int i = 0; i < 8; ++i)
    dssi.b14(0);
  ASSERT_EQ(a.add(kFieldDSSI, dssi.data()), 0);
  EXPECT_EQ(a.lexicalLevel, 2);

  // Update-control copies belong to the current record.
  ASSERT_EQ(
      a.add(kFieldFRID, FieldBuilder().b11(100).b14(5).b11(2).b11(1).b12(1).b12(1).b11(3).data()),
      0);
  EXPECT_EQ(a.name.rcnm, 100);
  EXPECT_EQ(a.name.rcid, 5u);
  ASSERT_EQ(a.add(kFieldFFPC, FieldBuilder().b11(3).b12(2).b12(4).data()), 0);
  ASSERT_EQ(a.add(kFieldFSPC, FieldBuilder().b11(1).b12(1).b12(1).data()), 0);
  const FeatureRecord* f = a.dataset.features.last;
  ASSERT_NE(f->featurePointerControl, nullptr);
  EXPECT_EQ(f->featurePointerControl->instruction, 3);
  EXPECT_EQ(f->featurePointerControl->itemCount, 4);
  ASSERT_NE(f->spatialPointerControl, nullptr);
  EXPECT_EQ(f->spatialPointerControl->instruction, 1);
  ASSERT_EQ(a.add(kFieldVRID, FieldBuilder().b11(120).b14(6).b12(1).b11(3).data()), 0);
  ASSERT_EQ(a.add(kFieldVRPC, FieldBuilder().b11(2).b12(1).b12(1).data()), 0);
  ASSERT_EQ(a.add(kFieldSGCC, FieldBuilder().b11(3).b12(1).b12(2).data()), 0);
  ASSERT_NE(a.dataset.currentVector->pointerControl, nullptr);
  EXPECT_EQ(a.dataset.currentVector->pointerControl->instruction, 2);
  EXPECT_EQ(a.dataset.currentVector->coordinateControl->itemCount, 2);
}

Cell baseCell() {
  Cell cell;
  cell.dspm.comf = 10;
  cell.dspm.somf = 10;
  return cell;
}

TEST(AssembleCoordinates, ScalingExtentFacesAndSoundings) {
  // Raw pairs (XCOO 20, YCOO 50) and (10, 70) under COMF 10.
  Cell cell = baseCell();
  Vector edge{.rcnm = 130, .rcid = 1, .coordinates = {{2, 5}, {1, 7}}};
  cell.vectors.push_back(edge);
  Dataset d;
  test::TempFile file(cellwriter::encodeCell(cell));
  ASSERT_EQ(test::load(d, file.path()).status, 0);
  ASSERT_EQ(d.edges.count, 1);
  const CoordinateEntry* first = d.edges.first->coordinates.first;
  EXPECT_EQ(first->x, 2.0);
  EXPECT_EQ(first->y, 5.0);
  EXPECT_EQ(first->next->x, 1.0);
  EXPECT_EQ(first->next->y, 7.0);
  EXPECT_EQ(d.minX, 1.0);
  EXPECT_EQ(d.maxX, 2.0);
  EXPECT_EQ(d.minY, 5.0);
  EXPECT_EQ(d.maxY, 7.0);

  // A face counts and widens the extent but stands in no list; the first
  // coordinate of the cell may be a sounding.
  Cell faces = baseCell();
  faces.vectors.push_back(cellwriter::soundingNode(1, {{3, 4, 12.5}, {3.5, 3, 1}}));
  faces.vectors.push_back(Vector{.rcnm = 140, .rcid = 2, .coordinates = {{10, -1}}});
  test::TempFile facesFile(cellwriter::encodeCell(faces));
  ASSERT_EQ(test::load(d, facesFile.path()).status, 0);
  EXPECT_EQ(d.vectorCount, 2);
  EXPECT_EQ(d.isolatedNodes.count, 1);
  EXPECT_EQ(d.connectedNodes.count + d.edges.count, 0);
  EXPECT_EQ(d.currentVector->rcnm, 140);
  EXPECT_EQ(d.currentVector->coordinates.count, 1);
  EXPECT_EQ(d.minX, 3.0);
  EXPECT_EQ(d.maxX, 10.0);
  EXPECT_EQ(d.minY, -1.0);
  EXPECT_EQ(d.maxY, 4.0);
  const SoundingEntry* s = d.isolatedNodes.first->soundings.first;
  EXPECT_EQ(s->z, 12.5);
  EXPECT_EQ(test::invariantViolations(d), "");
}

TEST(AssembleCoordinates, BeforeAnyParameterRecordCoordinatesStayRaw) {
  Cell cell = baseCell();
  cell.withDspm = false;
  cell.vectors.push_back(Vector{.rcnm = 110, .rcid = 1, .coordinates = {{2, 5}}});
  Dataset d;
  test::TempFile file(cellwriter::encodeCell(cell));
  ASSERT_EQ(test::load(d, file.path()).status, 0);
  EXPECT_EQ(d.isolatedNodes.first->coordinates.first->x, 20.0);
  EXPECT_EQ(d.isolatedNodes.first->coordinates.first->y, 50.0);
}

// A cell with a bit of everything, for the memory-exhaustion runs.
Cell richCell() {
  Cell cell;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.1, 35.1}));
  cell.vectors.push_back(cellwriter::connectedNode(2, {139.2, 35.2}));
  cell.vectors.push_back(cellwriter::edge(3, 1, 2, {{139.15, 35.12}, {139.17, 35.15}}));
  cell.vectors.push_back(cellwriter::soundingNode(4, {{139.3, 35.3, 5}, {139.31, 35.31, 6}}));
  Vector face{.rcnm = 140, .rcid = 5, .coordinates = {{139.0, 35.0}}};
  cell.vectors.push_back(face);
  Feature line{.rcid = 1, .prim = 2, .objl = 30011};
  line.attributes = {{174, "10"}, {116, "x"}, {174, "11"}};
  line.nationalAttributes = {{301, u"水深"}};
  line.featurePointers = {{.fidn = 2, .comt = "peer"}};
  line.spatialPointers = {{.rcnm = 130, .rcid = 3}};
  cell.features.push_back(line);
  Feature name{.rcid = 2, .prim = 1, .objl = 30012};
  name.nationalAttributes = {{301, u"東京湾"}};
  name.spatialPointers = {{.rcnm = 110, .rcid = 4}};
  cell.features.push_back(name);
  return cell;
}

// Where a load that ran out of memory differs from the full load of the same
// file: every record it holds must be the full load's record at the same
// place in its list, complete, except the last of a list, which may be the
// record cut short by the failure (same name, no more entries than the full
// one). Empty when the failed load is such a prefix.
template <typename Record>
std::string prefixDifferences(const List<Record>& failed, const List<Record>& full,
                              const char* name) {
  std::string out;
  const Record* f = full.first;
  for (const Record* r = failed.first; r != nullptr; r = r->next, f = f != nullptr ? f->next : f) {
    if (f == nullptr) return out + name + ": more records than the full load\n";
    if (r->rcnm != f->rcnm || r->rcid != f->rcid) return out + name + ": a different record\n";
    auto entries = [](const Record& record) {
      if constexpr (std::is_same_v<Record, FeatureRecord>) {
        return std::vector<int32_t>{record.attributes.count, record.nationalAttributes.count,
                                    record.featurePointers.count, record.spatialPointers.count};
      } else {
        return std::vector<int32_t>{record.attributes.count, record.pointers.count,
                                    record.coordinates.count, record.soundings.count};
      }
    };
    const std::vector<int32_t> got = entries(*r), want = entries(*f);
    for (size_t k = 0; k < got.size(); ++k) {
      if (r->next != nullptr ? got[k] != want[k] : got[k] > want[k]) {
        out += std::string(name) + " " + std::to_string(r->rcid) + ": entries differ\n";
      }
    }
    if constexpr (std::is_same_v<Record, VectorRecord>) {
      const CoordinateEntry* c = f->coordinates.first;
      for (const CoordinateEntry* e = r->coordinates.first; e != nullptr && c != nullptr;
           e = e->next, c = c->next) {
        if (e->x != c->x || e->y != c->y) out += std::string(name) + ": coordinates differ\n";
      }
    }
  }
  return out;
}

TEST(AssembleMemory, ExhaustionAtEveryAllocationLeavesAConsistentDataset) {
  test::TempFile file(cellwriter::encodeCell(richCell()));
  Dataset d;
  ASSERT_EQ(test::load(d, file.path()).status, 0);
  const long total = d.arena.allocations();
  const int32_t features = d.features.count;
  ASSERT_GT(total, 20);
  RecordProperty("allocations", static_cast<int>(total));

  int32_t assembledBefore = 0;
  for (long n = 1; n <= total; ++n) {
    SCOPED_TRACE(n);
    Dataset failing;
    // loadCell starts by releasing the arena; the failure point counts from there.
    failing.arena.failFrom(n);
    const test::LoadResult r = test::load(failing, file.path());
    EXPECT_EQ(r.status, kOutOfMemory);
    EXPECT_NE(
        r.log.find(" Error Code = -2\nLoading S-57 Binary File (DDF) Failed, Invalid Format!\n"),
        std::string::npos);
    EXPECT_EQ(test::invariantViolations(failing), "");
    EXPECT_LE(failing.features.count, features);
    // Everything assembled before the failure is kept as the full load has it.
    EXPECT_EQ(prefixDifferences(failing.features, d.features, "features") +
                  prefixDifferences(failing.isolatedNodes, d.isolatedNodes, "isolated nodes") +
                  prefixDifferences(failing.connectedNodes, d.connectedNodes, "connected nodes") +
                  prefixDifferences(failing.edges, d.edges, "edges"),
              "");
    // A later failure keeps at least what an earlier one kept.
    const int32_t assembled = failing.features.count + failing.vectorCount;
    EXPECT_GE(assembled, assembledBefore);
    assembledBefore = assembled;
    releaseDataset(failing);
    EXPECT_EQ(failing.features.count, 0);
    EXPECT_EQ(failing.edges.first, nullptr);
  }
}

}  // namespace
}  // namespace abys
