#include "record_assembly.h"

#include <gtest/gtest.h>

#include <string>
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

// Decodes field data and assembles it, as the loader does for one field.
struct Assembler {
  Dataset dataset;
  FieldImage image;
  int32_t exchangePurpose = 0;
  RecordId name;
  uint8_t lexicalLevel = 0;

  int add(int type, const std::string& data) {
    int32_t count = 0;
    ddfDecodeField(type, data.data(), static_cast<int>(data.size()), image, count, exchangePurpose,
                   lexicalLevel);
    return assembleField(type, dataset, image, count, exchangePurpose, name, lexicalLevel);
  }
  // The data of the first field with tag in the records of cell.
  int add(const char* tag, const Cell& cell) {
    for (const cellwriter::Record& record : cellwriter::cellRecords(cell)) {
      for (const cellwriter::Field& field : record.fields) {
        if (field.tag == tag) return add(ddfFieldType(tag), field.data);
      }
    }
    return -1;
  }
};

std::string attributes(std::initializer_list<std::pair<uint16_t, const char*>> pairs) {
  FieldBuilder b;
  for (const auto& [code, value] : pairs)
    b.b12(code).text(value);
  return b.data();
}
std::string codesAndValues(const Entries<AttributeEntry>& list) {
  std::string out;
  for (const AttributeEntry* a : list)
    out += std::to_string(a->attl) + "=" + a->atvl + " ";
  return out;
}

TEST(AssembleField, FeatureAttributesSortByCodeKeepingFileOrderForEqualCodes) {
  Assembler a;
  Cell cell;
  cell.features.push_back(Feature{.rcid = 1});
  ASSERT_EQ(a.add("FRID", cell), 0);
  ASSERT_EQ(a.add(kFieldATTF, attributes({{116, "a"}, {9, "b"}, {116, "c"}, {9, "d"}})), 0);
  const FeatureRecord* f = a.dataset.features.last;
  EXPECT_EQ(codesAndValues(f->attributes), "9=b 9=d 116=a 116=c ");
  // A second field of the same record merges into the same order.
  ASSERT_EQ(a.add(kFieldATTF, attributes({{116, "e"}, {5, "f"}, {9, "g"}, {200, "h"}})), 0);
  EXPECT_EQ(codesAndValues(f->attributes), "5=f 9=b 9=d 9=g 116=a 116=c 116=e 200=h ");
  EXPECT_EQ(test::listViolations(f->attributes, "attributes"), "");
  ASSERT_EQ(a.add(kFieldNATF, attributes({{301, "x"}, {300, "y"}})), 0);
  EXPECT_EQ(codesAndValues(f->nationalAttributes()), "300=y 301=x ");
  // Vector attributes keep file order.
  ASSERT_EQ(a.add(kFieldVRID, FieldBuilder().b11(130).b14(1).b12(1).b11(1).data()), 0);
  ASSERT_EQ(a.add(kFieldATTV, attributes({{116, "p"}, {9, "q"}})), 0);
  EXPECT_EQ(codesAndValues(a.dataset.currentVector->attributes()), "116=p 9=q ");
}

std::string coordinates(const VectorRecord& v) {
  std::string out;
  for (const Coordinate c : v.coordinates)
    out += formatMessage("(%g %g)", c.x, c.y);
  for (const Sounding s : v.soundings())
    out += formatMessage("(%g %g %g)", s.x, s.y, s.z);
  return out;
}

TEST(AssembleField, DatasetFieldsRecordNamesControlsAndCoordinates) {
  Assembler a;
  Cell cell;
  // Only EXPP 1 and 2 change the exchange purpose.
  const std::pair<int, int> expps[] = {{3, 0}, {2, 2}, {9, 2}, {1, 1}, {0, 1}};
  for (const auto& [expp, kept] : expps) {
    cell.dsid.expp = static_cast<uint8_t>(expp);
    cell.dsid.rcid = 77;
    ASSERT_EQ(a.add("DSID", cell), 0);
    EXPECT_EQ(a.exchangePurpose, kept) << expp;
  }
  EXPECT_EQ(a.name.rcnm, 10);
  EXPECT_EQ(a.name.rcid, 77u);
  EXPECT_EQ(a.dataset.dsid.dsnm, cell.dsid.dsnm);
  EXPECT_NE(a.dataset.dsid.dsnm.data(), a.image.dsid.dsnm.data());  // a copy of its own
  ASSERT_EQ(a.add("DSSI", cell), 0);
  EXPECT_EQ(a.lexicalLevel, 2);

  // Parameters, and update-control copies and coordinates of the current
  // record.
  cell.dspm.comf = cell.dspm.somf = 10;
  cell.features.push_back(Feature{.rcid = 5, .ffpc = {{3, 2, 4}}, .fspc = {{1, 1, 1}}});
  Vector node = cellwriter::soundingNode(6, {{3, 4, 12.5}, {3.5, -1, 1}});
  node.vrpc = {{2, 1, 1}};
  node.sgcc = {{3, 1, 2}};
  cell.vectors.push_back(node);
  for (const char* tag : {"DSPM", "FRID", "FFPC", "FSPC", "VRID", "VRPC", "SGCC", "SG3D"})
    ASSERT_EQ(a.add(tag, cell), 0) << tag;
  EXPECT_EQ(a.name.rcnm, 110);
  EXPECT_EQ(a.name.rcid, 6u);
  const FeatureRecord* f = a.dataset.features.last;
  const VectorRecord* v = a.dataset.currentVector;
  auto control = [](const UpdateControlImage* c) {
    return c == nullptr ? std::string("none")
                        : formatMessage("%d %d %d", c->instruction, c->index, c->itemCount);
  };
  EXPECT_EQ(control(f->featurePointerControl()) + ", " + control(f->spatialPointerControl()) +
                ", " + control(v->pointerControl()) + ", " + control(v->coordinateControl()),
            "3 2 4, 1 1 1, 2 1 1, 3 1 2");
  EXPECT_EQ(coordinates(*v), "(3 4 12.5)(3.5 -1 1)");  // scaled by COMF and SOMF
  ASSERT_EQ(a.add("SG3D", cell), 0);                   // a repeated field adds to them
  EXPECT_EQ(coordinates(*v), "(3 4 12.5)(3.5 -1 1)(3 4 12.5)(3.5 -1 1)");
  const Dataset& d = a.dataset;
  EXPECT_EQ(formatMessage("%g %g %g %g", d.minX, d.maxX, d.minY, d.maxY), "3 3.5 -1 4");
}

// Repeated coordinate fields of one record grow its run in doubling steps:
// any number of them costs a few allocations, and the values stay in order.
TEST(AssembleField, RepeatedCoordinateFieldsGrowTheRunLinearly) {
  Assembler a;
  a.dataset.dspm.comf = 1;
  ASSERT_EQ(a.add(kFieldVRID, FieldBuilder().b11(130).b14(1).b12(1).b11(1).data()), 0);
  constexpr int kFields = 5000;
  const long before = a.dataset.arena.allocations();
  for (int i = 0; i < kFields; ++i)
    ASSERT_EQ(a.add(kFieldSG2D, FieldBuilder().b24(i).b24(-i).data()), 0);
  EXPECT_LT(a.dataset.arena.allocations() - before, 20);
  const CoordinateRun& run = a.dataset.currentVector->coordinates;
  ASSERT_EQ(run.count, kFields);
  for (int i = 0; i < kFields; i += 499) {
    EXPECT_EQ(run[i].x, -i);
    EXPECT_EQ(run[i].y, i);
  }
}

// A cell with a bit of everything, for the memory-exhaustion runs.
Cell richCell() {
  Cell cell;
  cell.vectors.push_back(cellwriter::connectedNode(1, {139.1, 35.1}));
  cell.vectors.push_back(cellwriter::connectedNode(2, {139.2, 35.2}));
  cell.vectors.push_back(cellwriter::edge(3, 1, 2, {{139.15, 35.12}, {139.17, 35.15}}));
  cell.vectors.push_back(cellwriter::soundingNode(4, {{139.3, 35.3, 5}, {139.31, 35.31, 6}}));
  cell.vectors.push_back(Vector{.rcnm = 140, .rcid = 5, .coordinates = {{139.0, 35.0}}});
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

// Per list, what each record holds: its name, its entry counts, its
// coordinates.
std::vector<std::vector<std::string>> held(const Dataset& d) {
  std::vector<std::vector<std::string>> lists(1);
  for (const FeatureRecord* f : d.features) {
    lists[0].push_back(formatMessage("%d/%u %d %d %d %d", f->rcnm, f->rcid, f->attributes.count,
                                     f->nationalAttributes().count, f->featurePointers().count,
                                     f->spatialPointers.count));
  }
  for (const List<VectorRecord>* list : {&d.isolatedNodes, &d.connectedNodes, &d.edges}) {
    lists.emplace_back();
    for (const VectorRecord* v : *list) {
      lists.back().push_back(formatMessage("%d/%u %d %d ", v->rcnm, v->rcid, v->attributes().count,
                                           v->pointers.count) +
                             coordinates(*v));
    }
  }
  return lists;
}

// Every record a load that ran out of memory holds must be the full load's
// record at the same place, complete, except the last of a list: the record
// the failure cut short.
TEST(AssembleField, ExhaustionAtEveryAllocationKeepsAConsistentPrefix) {
  test::TempFile file(cellwriter::encodeCell(richCell()));
  Dataset full;
  ASSERT_EQ(test::load(full, file.path()).status, 0);
  const long total = full.arena.allocations();
  ASSERT_GT(total, 20);
  const auto fullLists = held(full);

  int32_t assembledBefore = 0;
  for (long n = 1; n <= total; ++n) {
    SCOPED_TRACE(n);
    Dataset failing;
    // loadCell starts by releasing the arena; the failure point counts from there.
    failing.arena.failFrom(n);
    const test::LoadResult r = test::load(failing, file.path());
    EXPECT_EQ(r.status, kOutOfMemory);
    EXPECT_NE(r.log.find(" Error Code = -2\n"
                         "Loading S-57 Binary File (DDF) Failed, Invalid Format!\n"),
              std::string::npos);
    EXPECT_EQ(test::invariantViolations(failing), "");
    const auto lists = held(failing);
    for (size_t list = 0; list < lists.size(); ++list) {
      ASSERT_LE(lists[list].size(), fullLists[list].size());
      for (size_t i = 0; i + 1 < lists[list].size(); ++i)
        EXPECT_EQ(lists[list][i], fullLists[list][i]);
      if (lists[list].empty()) continue;
      const std::string& last = lists[list].back();
      const std::string& want = fullLists[list][lists[list].size() - 1];
      EXPECT_EQ(last.substr(0, last.find(' ')), want.substr(0, want.find(' ')));
    }
    // A later failure keeps at least what an earlier one kept.
    const int32_t assembled = failing.features.count + failing.vectorCount;
    EXPECT_GE(assembled, assembledBefore);
    assembledBefore = assembled;
  }
}

}  // namespace
}  // namespace abys
