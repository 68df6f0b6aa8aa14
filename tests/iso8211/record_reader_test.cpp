#include "record_reader.h"

#include <gtest/gtest.h>

#include <tuple>

#include "cell_writer.h"
#include "field_stream.h"
#include "support/stream.h"

namespace abys {
namespace {

using cellwriter::Field;
using cellwriter::FieldBuilder;
using cellwriter::Record;
using cellwriter::recordIdField;
using test::readAll;
using test::tagsOf;
using Tags = std::vector<std::string>;

Field fridField() {
  return {"FRID", FieldBuilder().b11(100).b14(1).b11(2).b11(1).b12(302).b12(1).b11(1).data()};
}

// A file of three records: DSID/DSSI, a feature with FRID, a vector record.
std::vector<Record> sampleRecords() {
  return {cellwriter::datasetRecord(cellwriter::Cell{}, 1),
          {{recordIdField(2), fridField()}},
          cellwriter::vectorRecord(cellwriter::connectedNode(7, {1, 2}), {}, 3)};
}

const Tags kSampleTags = {"0001", "DSID", "DSSI", "****", "0001", "FRID",
                          "****", "0001", "VRID", "SG2D", "****", "END"};
const Tags kFirstRecordTags = {"0001", "DSID", "DSSI", "****", "END"};

// Offset of the record with the given index (0 = the descriptive record).
size_t recordOffset(const std::string& file, int index) {
  size_t offset = 0;
  for (int i = 0; i < index; ++i)
    offset += std::stoul(file.substr(offset, 5));
  return offset;
}

TEST(RecordReader, FieldsInDirectoryOrderWithOneMarkerPerRecordUntilTheEndOfData) {
  const std::string file = cellwriter::encodeFile(sampleRecords());
  const std::string ddr = file.substr(0, recordOffset(file, 1));
  const std::string first = file.substr(0, recordOffset(file, 2));
  const std::string rest = file.substr(first.size() + 1);
  // Packed directory entries ("0001" "003" "0000" as one run), and the same
  // record with its numbers right-aligned in blanks instead of zeros.
  const std::string packed = cellwriter::encodeRecord({{recordIdField(1), fridField()}}, 3, 4);
  ASSERT_EQ(packed.compare(24, 22, "00010030000FRID0130003"), 0);
  std::string padded = packed;
  padded.replace(24, 22, "0001  3   0FRID 13   3");

  const std::vector<std::pair<std::string, Tags>> cases = {
      {file, kSampleTags},
      {cellwriter::encodeFile({{{recordIdField(1)}}, {{recordIdField(2)}}}),
       {"0001", "****", "0001", "****", "END"}},
      {ddr + packed, {"0001", "FRID", "****", "END"}},
      {ddr + padded, {"0001", "FRID", "****", "END"}},
      {"00030" + std::string(25, '?') + file.substr(ddr.size()), kSampleTags},  // any first record
      // The end of data: nothing, the descriptive record alone, a record
      // boundary, fewer than five bytes left, a '^' at a record start, a
      // zero record length.
      {"", {"END"}},
      {ddr, {"END"}},
      {first, kFirstRecordTags},
      {first + "0012", kFirstRecordTags},
      {first + "^" + rest, kFirstRecordTags},
      {first + "00000" + std::string(40, '7'), kFirstRecordTags},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(tagsOf(readAll(cases[i].first)), cases[i].second) << "case " << i;
  }
  // The data follow the tag and length; the field terminator becomes a NUL.
  EXPECT_EQ(readAll(ddr + padded)[1].text.substr(9), fridField().data + '\0');
}

// Every kind of record the reader cannot cut up safely, made by damaging the
// second data record of the sample file.
TEST(RecordReader, MalformedRecordsAreReportedAndStayReported) {
  // Wide directory numbers leave room for the damaged values.
  const std::string file =
      cellwriter::encodeFile(sampleRecords(), {.lengthSize = 3, .positionSize = 4});
  const size_t at = recordOffset(file, 2);
  const int recordLength = std::stoi(file.substr(at, 5));
  const int base = std::stoi(file.substr(at + 12, 5));
  const size_t lengthSize = static_cast<size_t>(file[at + 20] - '0');
  const size_t positionSize = static_cast<size_t>(file[at + 21] - '0');
  const size_t secondEntry = at + 24 + 4 + lengthSize + positionSize;  // the FRID entry
  auto damaged = [&](size_t pos, size_t width, const std::string& text) {
    std::string bytes = file;
    bytes.replace(pos, width, text);
    return bytes;
  };
  auto number = [](size_t width, int value) {
    const std::string digits = std::to_string(value);
    return std::string(width - digits.size(), '0') + digits;
  };

  const std::vector<std::pair<const char*, std::string>> cases = {
      {"length not a number", damaged(at, 5, "1x345")},
      {"negative length", damaged(at, 5, "-0040")},
      {"length below the leader", damaged(at, 5, "00023")},
      {"record cut short", file.substr(0, at + static_cast<size_t>(recordLength) - 1)},
      {"base not a number", damaged(at + 12, 5, "abcde")},
      {"base beyond record", damaged(at + 12, 5, number(5, recordLength + 1))},
      {"no directory entry", damaged(at + 12, 5, "00024")},
      {"tag size 3", damaged(at + 23, 1, "3")},
      {"length size 0", damaged(at + 20, 1, "0")},
      {"field length 0", damaged(secondEntry + 4, lengthSize, number(lengthSize, 0))},
      {"field beyond record", damaged(secondEntry + 4 + lengthSize, positionSize,
                                      number(positionSize, recordLength - base))},
      {"entry not a number", damaged(secondEntry + 4, 1, "Q")},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const Tags tags = tagsOf(readAll(bytes));
    ASSERT_GE(tags.size(), 5u);
    EXPECT_EQ(Tags(tags.begin(), tags.begin() + 4), (Tags{"0001", "DSID", "DSSI", "****"}));
    EXPECT_EQ(tags.back(), "MALFORMED");
  }

  // Sticky until the reader is restarted, under the number the field would
  // have had.
  test::MemoryFile f(cases[0].second);
  FieldStream stream;
  stream.attach(f.get());
  for (int call = 1; call <= 6; ++call) {
    const int length = stream.next();
    EXPECT_EQ(length > 0 ? 1 : length, call <= 4 ? 1 : kMalformedRecord) << call;
  }
  EXPECT_EQ(stream.fieldNumber(), 5);
}

// A record too long for the leader's five digits has the length 0 there;
// followed by a leader and a directory ending in a field terminator, it is
// read, to the furthest end of its fields. Anything else after a length of 0
// ends the data, and a long record that does not fit the buffer is refused
// before any of its field area is read.
TEST(RecordReader, LongRecordsWithTheLengthZero) {
  const std::string first = cellwriter::encodeFile({sampleRecords()[0]});
  const std::string next = cellwriter::encodeRecord(sampleRecords()[1]);
  auto vector = [](std::vector<size_t> sizes) {
    cellwriter::Record record{{recordIdField(9), {"VRID", "\x6e\x01\x00\x00\x00\x01\x00\x01"}}};
    for (size_t size : sizes)
      record.fields.push_back({"SG2D", std::string(size, 'c')});
    return cellwriter::encodeRecord(record, 0, 0, true);
  };
  const std::string two = vector({60000, 60000});  // fields of five digits
  const std::string one = vector({150000});        // a field of six
  const std::string huge = vector({140000, 140000});
  ASSERT_EQ(two.substr(0, 5), "00000");
  ASSERT_GT(huge.size(), static_cast<size_t>(kRecordBufferSize));
  const size_t base = std::stoul(two.substr(12, 5));
  auto damaged = [&](size_t pos, const std::string& text) {
    return first + std::string(two).replace(pos, text.size(), text) + next;
  };

  const Tags read = {"0001", "DSID", "DSSI", "****", "0001", "VRID", "SG2D",
                     "SG2D", "****", "0001", "FRID", "****", "END"};
  const std::vector<std::pair<const char*, std::pair<std::string, Tags>>> cases = {
      {"two fields", {first + two + next, read}},
      {"one field",
       {first + one + next,
        {"0001", "DSID", "DSSI", "****", "0001", "VRID", "SG2D", "****", "0001", "FRID", "****",
         "END"}}},
      {"last in the file",
       {first + two,
        {"0001", "DSID", "DSSI", "****", "0001", "VRID", "SG2D", "SG2D", "****", "END"}}},
      {"zero padding", {first + std::string(400, '0') + next, kFirstRecordTags}},
      {"zeros at the end of the file", {first + "00000", kFirstRecordTags}},
      {"leader cut short", {first + two.substr(0, 20), kFirstRecordTags}},
      {"directory cut short", {first + two.substr(0, base - 1), kFirstRecordTags}},
      {"base not a number", {damaged(12, "0x073"), kFirstRecordTags}},
      {"base within the leader", {damaged(12, "00020"), kFirstRecordTags}},
      {"tag size 3", {damaged(23, "3"), kFirstRecordTags}},
      {"no field terminator", {damaged(base - 1, "7"), kFirstRecordTags}},
      {"entry not a number", {damaged(24 + 5, "x"), kFirstRecordTags}},
      {"field length 0", {damaged(24 + 4, std::string(two[20] - '0', '0')), kFirstRecordTags}},
      {"beyond the buffer", {first + huge + next, {"0001", "DSID", "DSSI", "****", "MALFORMED"}}},
  };
  for (const auto& [what, bytesAndTags] : cases) {
    SCOPED_TRACE(what);
    EXPECT_EQ(tagsOf(readAll(bytesAndTags.first)), bytesAndTags.second);
  }
  // Every byte of each field, the terminator made a NUL.
  const std::vector<test::ReadResult> fields = readAll(first + one + next);
  EXPECT_EQ(fields[6].length, 9 + 150001);
  EXPECT_EQ(fields[6].text.substr(9), std::string(150000, 'c') + '\0');

  // Nothing of the refused record is read beyond its leader and directory.
  test::MemoryFile f(first + huge + next);
  FieldStream stream;
  stream.attach(f.get());
  while (stream.next() > 0) {
  }
  EXPECT_EQ(stream.bytesRead(),
            static_cast<int64_t>(first.size() + std::stoul(huge.substr(12, 5))));
}

// The stream reads fields in place; what it gives must be what a copy by
// ddfReadField gives, also where a damaged directory lets fields overlap (a
// terminator turned NUL in place must not show in the next field) or a short
// tag moves the length into the data.
TEST(FieldStream, GivesEachFieldAsItsCopyWouldBe) {
  const std::string file =
      cellwriter::encodeFile(sampleRecords(), {.lengthSize = 3, .positionSize = 4});
  const size_t at = recordOffset(file, 2);  // the feature record: 0001, FRID
  const size_t lengthSize = static_cast<size_t>(file[at + 20] - '0');
  const size_t positionSize = static_cast<size_t>(file[at + 21] - '0');
  const size_t firstEntry = at + 24;
  const size_t secondEntry = firstEntry + 4 + lengthSize + positionSize;
  std::string overlapping = file;  // FRID's entry names the 0001 field's bytes and one more
  overlapping.replace(secondEntry + 4, lengthSize + positionSize,
                      file.substr(firstEntry + 4, lengthSize + positionSize));
  overlapping[secondEntry + 4 + lengthSize - 1] += 1;
  std::string shortTag = file;
  shortTag.replace(secondEntry, 4, "FR  ");
  for (const auto& [what, bytes] :
       {std::pair{"intact", file}, std::pair{"overlapping", overlapping},
        std::pair{"short tag", shortTag}}) {
    SCOPED_TRACE(what);
    const std::vector<test::ReadResult> copies = readAll(bytes);
    test::MemoryFile f(bytes);
    FieldStream stream;
    stream.attach(f.get());
    for (const test::ReadResult& copy : copies) {
      ASSERT_EQ(stream.next(), copy.length);
      if (copy.length <= 0) break;
      int dataLength = 0;
      EXPECT_EQ(stream.checkCode(), ddfCheckField(copy.text.c_str(), copy.length, dataLength));
      ASSERT_EQ(stream.dataLength(), dataLength);
      EXPECT_EQ(stream.type(), ddfFieldType(copy.text.c_str()));
      EXPECT_EQ(std::string(stream.taggedField(), 4), copy.text.substr(0, 4));
      if (copy.length >= kTaggedFieldHeaderSize + dataLength) {
        EXPECT_EQ(std::string(stream.data(), static_cast<size_t>(dataLength)),
                  copy.text.substr(kTaggedFieldHeaderSize, static_cast<size_t>(dataLength)));
      }
    }
  }
}

TEST(RecordReader, NeverWritesPastTheCapacity) {
  test::MemoryFile f(cellwriter::encodeFile({{{recordIdField(1), fridField()}}}));
  DdfReader reader;
  ddfAttach(reader);
  std::vector<char> buffer(64, '#');
  const int capacity = 15;  // room for "0001    2" and its 3 bytes, not for the FRID
  ddfReadField(reader, buffer.data(), capacity, f.get());
  EXPECT_EQ(ddfReadField(reader, buffer.data(), capacity, f.get()), 12);
  EXPECT_EQ(ddfReadField(reader, buffer.data(), capacity, f.get()), kMalformedRecord);
  EXPECT_EQ(std::string(buffer.begin() + capacity, buffer.end()), std::string(64 - capacity, '#'));
}

TEST(CheckField, HeaderCodesAndAnnouncedLength) {
  const std::string huge = "ATTF99990" + std::string(99991, 'x');
  // A field too short for a header leaves dataLength alone; a length that is
  // not a number counts as 0.
  const std::tuple<std::string, int, int> cases[] = {
      {"FRID   1", 1, -1}, {"FRID   12abc", 2, 12},  {"FRID   12abcdefghijkl", 0, 12},
      {huge, 3, 99990},    {"ATTF  abc12345", 0, 0},
  };
  for (const auto& [field, code, announced] : cases) {
    int dataLength = -1;
    EXPECT_EQ(ddfCheckField(field.c_str(), static_cast<int>(field.size()), dataLength), code);
    EXPECT_EQ(dataLength, announced) << field.substr(0, 20);
  }
}

// The stream follows the DSID and DSSI fields as record assembly does, so
// that the fuzz target orders and decodes fields as a load would, and starts
// afresh on every file. (A load sets both from the assembly; its field
// numbers, codes and progress are pinned by the loader's test.)
TEST(FieldStream, TracksExchangePurposeAndLexicalLevel) {
  cellwriter::Cell revision;
  revision.dsid.expp = 2;
  test::MemoryFile memory(cellwriter::encodeFile({
      cellwriter::datasetRecord(revision, 1),
      {{recordIdField(2), fridField(), {"NATF", FieldBuilder().b12(301).wideText(u"AB").data()}}},
  }));
  FieldStream stream;
  for (int pass = 0; pass < 2; ++pass) {
    std::rewind(memory.get());
    stream.attach(memory.get());
    Tags fields;
    while (stream.next() > 0) {
      const int order = stream.checkOrder();
      const int code = stream.decode();
      fields.push_back(std::string(stream.taggedField(), 4) + " " + std::to_string(order) + " " +
                       std::to_string(code) + " " + std::to_string(stream.exchangePurpose()) + " " +
                       std::to_string(stream.lexicalLevel()));
    }
    // Tag, order code, decode code, exchange purpose, lexical level. Only the
    // revision table admits NATF after FRID; the NATF decodes as two-byte text.
    EXPECT_EQ(fields, (Tags{"0001 0 0 0 0", "DSID 0 0 2 0", "DSSI 0 0 2 2", "**** 0 0 2 2",
                            "0001 0 0 2 2", "FRID 0 0 2 2", "NATF 0 0 2 2", "**** 0 0 2 2"}));
    EXPECT_EQ(stream.image().attributes.at(0).atvlLength, 4);
  }
  EXPECT_FALSE(stream.open("/nonexistent/CELL.000"));
  EXPECT_EQ(stream.next(), 0);
}

}  // namespace
}  // namespace abys
