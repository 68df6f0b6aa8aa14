#include "record_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "cell_writer.h"
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

Field dsidField() {
  return {"DSID", FieldBuilder().b11(10).b14(1).b11(1).b11(5).text("CELL.000").data()};
}
Field dssiField() {
  FieldBuilder b;
  b.b11(2).b11(1).b11(2);
  for (int i = 0; i < 8; ++i)
    b.b14(0);
  return {"DSSI", b.data()};
}
Field fridField() {
  return {"FRID", FieldBuilder().b11(100).b14(1).b11(2).b11(1).b12(302).b12(1).b11(1).data()};
}

// A file of three records: DSID/DSSI, a feature with FRID, a vector record.
std::vector<Record> sampleRecords() {
  return {
      {{recordIdField(1), dsidField(), dssiField()}},
      {{recordIdField(2), fridField()}},
      {{recordIdField(3),
        {"VRID", FieldBuilder().b11(120).b14(7).b12(1).b11(1).data()},
        {"SG2D", FieldBuilder().b24(500).b24(-10).data()}}},
  };
}

const Tags kSampleTags = {"0001", "DSID", "DSSI", "****", "0001", "FRID",
                          "****", "0001", "VRID", "SG2D", "****", "END"};

// Offset of the record with the given index (0 = the descriptive record).
size_t recordOffset(const std::string& file, int index) {
  size_t offset = 0;
  for (int i = 0; i < index; ++i)
    offset += std::stoul(file.substr(offset, 5));
  return offset;
}

TEST(RecordReader, YieldsFieldsInDirectoryOrderWithOneMarkerPerRecord) {
  EXPECT_EQ(tagsOf(readAll(cellwriter::encodeFile(sampleRecords()))), kSampleTags);
}

TEST(RecordReader, RecordWithOneEntryYieldsItAndTheMarker) {
  const std::string file = cellwriter::encodeFile({{{recordIdField(1)}}, {{recordIdField(2)}}});
  EXPECT_EQ(tagsOf(readAll(file)), (Tags{"0001", "****", "0001", "****", "END"}));
}

TEST(RecordReader, TaggedFieldCarriesTagLengthAndDataWithTerminatorReplaced) {
  const auto results = readAll(cellwriter::encodeFile({{{recordIdField(1), fridField()}}}));
  ASSERT_GE(results.size(), 3u);
  const test::ReadResult& frid = results[1];
  EXPECT_EQ(frid.length, 22);
  EXPECT_EQ(frid.text.substr(0, 9), "FRID   12");
  EXPECT_EQ(frid.text.substr(9, 12), fridField().data);
  EXPECT_EQ(frid.text[21], '\0');
  int dataLength = -1;
  EXPECT_EQ(ddfCheckField(frid.text.c_str(), frid.length, dataLength), 0);
  EXPECT_EQ(dataLength, 12);

  const test::ReadResult& marker = results[2];
  EXPECT_EQ(marker.length, 9);
  EXPECT_EQ(marker.text, "****    0");
  EXPECT_EQ(ddfCheckField(marker.text.c_str(), marker.length, dataLength), 0);
  EXPECT_EQ(dataLength, 0);
}

TEST(RecordReader, ScansPackedAndBlankPaddedDirectoryEntries) {
  // Packed: "0001" "005" "0000" as one run; the writer packs every entry.
  const std::string packed = cellwriter::encodeRecord({{recordIdField(1), fridField()}}, 3, 4);
  EXPECT_NE(packed.find("00010030000FRID013"), std::string::npos);

  // The same record with its numbers right-aligned in blanks instead of zeros.
  std::string padded = packed;
  const std::string entries = "0001  3   0FRID 13   3";
  ASSERT_EQ(padded.compare(24, entries.size(), "00010030000FRID0130003"), 0);
  padded.replace(24, entries.size(), entries);

  const std::string ddr = cellwriter::encodeFile({{{recordIdField(1)}}});
  const std::string header = ddr.substr(0, recordOffset(ddr, 1));
  EXPECT_EQ(tagsOf(readAll(header + packed)), (Tags{"0001", "FRID", "****", "END"}));
  const auto results = readAll(header + padded);
  EXPECT_EQ(tagsOf(results), (Tags{"0001", "FRID", "****", "END"}));
  EXPECT_EQ(results[1].text.substr(9, 12), fridField().data);
}

TEST(RecordReader, EndOfData) {
  const std::string file = cellwriter::encodeFile(sampleRecords());
  const std::string ddr = file.substr(0, recordOffset(file, 1));
  const std::string first = file.substr(0, recordOffset(file, 2));

  // An empty file ends at the first call and at every call after it.
  test::MemoryFile empty("");
  DdfReader reader;
  std::vector<char> buffer(kTaggedFieldAreaSize);
  ddfAttach(reader);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ddfReadField(reader, buffer.data(), kTaggedFieldAreaSize, empty.get()), 0);
  }
  EXPECT_TRUE(reader.skipFirst);

  EXPECT_EQ(tagsOf(readAll(ddr)), Tags{"END"});
  EXPECT_EQ(tagsOf(readAll(first)), (Tags{"0001", "DSID", "DSSI", "****", "END"}));
  // Fewer than five bytes left, a '^' record, a zero record length.
  EXPECT_EQ(tagsOf(readAll(first + "0012")).back(), "END");
  EXPECT_EQ(tagsOf(readAll(first + "^" + file.substr(first.size() + 1))),
            (Tags{"0001", "DSID", "DSSI", "****", "END"}));
  EXPECT_EQ(tagsOf(readAll(first + "00000" + std::string(40, '7'))).size(), 5u);
}

TEST(RecordReader, DropsTheDescriptiveRecordUnread) {
  // A descriptive record describing a tag nobody knows, and one that is not
  // even ISO 8211 beyond its length, are dropped alike.
  const std::string odd = cellwriter::encodeFile({{{recordIdField(1), {"XYZW", "abc"}}}});
  const std::string data = cellwriter::encodeFile(sampleRecords());
  const std::string dataRecords = data.substr(recordOffset(data, 1));
  EXPECT_EQ(tagsOf(readAll(odd.substr(0, recordOffset(odd, 1)) + dataRecords)), kSampleTags);
  EXPECT_EQ(tagsOf(readAll("00030" + std::string(25, '?') + dataRecords)), kSampleTags);
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
  auto damaged = [&](auto edit) {
    std::string bytes = file;
    edit(bytes);
    return bytes;
  };
  auto setNumber = [&](std::string& bytes, size_t pos, size_t width, int value) {
    std::string digits = std::to_string(value);
    bytes.replace(pos, width, std::string(width - digits.size(), '0') + digits);
  };
  const int entrySize = (file[at + 20] - '0') + (file[at + 21] - '0') + 4;
  const size_t secondEntry = at + 24 + static_cast<size_t>(entrySize);  // the FRID entry
  const int lengthSize = file[at + 20] - '0';
  const int positionSize = file[at + 21] - '0';

  const std::vector<std::pair<const char*, std::string>> cases = {
      {"length not a number", damaged([&](std::string& b) { b.replace(at, 5, "1x345"); })},
      {"negative length", damaged([&](std::string& b) { b.replace(at, 5, "-0040"); })},
      {"length below the leader", damaged([&](std::string& b) { setNumber(b, at, 5, 23); })},
      {"record cut short", file.substr(0, at + static_cast<size_t>(recordLength) - 1)},
      {"base not a number", damaged([&](std::string& b) { b.replace(at + 12, 5, "abcde"); })},
      {"base beyond record",
       damaged([&](std::string& b) { setNumber(b, at + 12, 5, recordLength + 1); })},
      {"no directory entry", damaged([&](std::string& b) { setNumber(b, at + 12, 5, 24); })},
      {"tag size 3", damaged([&](std::string& b) { b[at + 23] = '3'; })},
      {"length size 0", damaged([&](std::string& b) { b[at + 20] = '0'; })},
      {"field length 0", damaged([&](std::string& b) {
         setNumber(b, secondEntry + 4, static_cast<size_t>(lengthSize), 0);
       })},
      {"field beyond record", damaged([&](std::string& b) {
         setNumber(b, secondEntry + 4 + static_cast<size_t>(lengthSize),
                   static_cast<size_t>(positionSize), recordLength - base);
       })},
      {"entry not a number", damaged([&](std::string& b) { b[secondEntry + 4] = 'Q'; })},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const auto tags = tagsOf(readAll(bytes));
    ASSERT_GE(tags.size(), 5u);
    EXPECT_EQ(Tags(tags.begin(), tags.begin() + 4), (Tags{"0001", "DSID", "DSSI", "****"}));
    EXPECT_EQ(tags.back(), "MALFORMED");
  }

  // Sticky until the reader is restarted.
  test::MemoryFile f(cases[0].second);
  DdfReader reader;
  ddfAttach(reader);
  std::vector<char> buffer(kTaggedFieldAreaSize);
  ddfReadField(reader, buffer.data(), kTaggedFieldAreaSize, f.get());
  int length = 1;
  while (length > 0)
    length = ddfReadField(reader, buffer.data(), kTaggedFieldAreaSize, f.get());
  EXPECT_EQ(length, kMalformedRecord);
  EXPECT_EQ(ddfReadField(reader, buffer.data(), kTaggedFieldAreaSize, f.get()), kMalformedRecord);
}

TEST(RecordReader, NeverWritesPastTheCapacity) {
  const std::string file = cellwriter::encodeFile({{{recordIdField(1), fridField()}}});
  test::MemoryFile f(file);
  DdfReader reader;
  ddfAttach(reader);
  std::vector<char> buffer(64, '#');
  const int capacity = 15;  // room for "0001    2" and its 3 bytes, not for the FRID
  ddfReadField(reader, buffer.data(), capacity, f.get());
  EXPECT_EQ(ddfReadField(reader, buffer.data(), capacity, f.get()), 12);
  EXPECT_EQ(ddfReadField(reader, buffer.data(), capacity, f.get()), kMalformedRecord);
  for (size_t i = capacity; i < buffer.size(); ++i)
    ASSERT_EQ(buffer[i], '#') << i;
}

// A file cut at any length, or with any byte replaced, ends with a defined
// result after a bounded number of calls (the sanitizer build checks that no
// byte outside a record is read).
TEST(RecordReader, DamagedFilesEndCleanly) {
  const std::string file = cellwriter::encodeFile(sampleRecords());
  const size_t boundaries[] = {recordOffset(file, 1), recordOffset(file, 2), recordOffset(file, 3),
                               file.size()};
  for (size_t cut = 0; cut <= file.size(); ++cut) {
    const auto tags = tagsOf(readAll(file.substr(0, cut), 100));
    ASSERT_TRUE(tags.back() == "END" || tags.back() == "MALFORMED") << cut;
    if (std::find(std::begin(boundaries), std::end(boundaries), cut) != std::end(boundaries)) {
      EXPECT_EQ(tags.back(), "END") << cut;
    }
  }
  const unsigned char replacements[] = {0x00, ' ', '^', '9', 0x1e, 0xff};
  for (size_t pos = 0; pos < file.size(); ++pos) {
    for (unsigned char value : replacements) {
      std::string bytes = file;
      bytes[pos] = static_cast<char>(value);
      const auto tags = tagsOf(readAll(bytes, 100));
      ASSERT_TRUE(tags.back() == "END" || tags.back() == "MALFORMED") << pos;
    }
  }
}

TEST(CheckField, HeaderCodes) {
  int dataLength = -1;
  EXPECT_EQ(ddfCheckField("FRI", 8, dataLength), 1);
  EXPECT_EQ(ddfCheckField("FRID   12abc", 12, dataLength), 2);
  EXPECT_EQ(dataLength, 12);
  EXPECT_EQ(ddfCheckField("FRID   12abcdefghijkl", 22, dataLength), 0);

  std::string huge = "ATTF99990" + std::string(99991, 'x');
  EXPECT_EQ(ddfCheckField(huge.c_str(), static_cast<int>(huge.size()), dataLength), 3);
  EXPECT_EQ(dataLength, 99990);
  EXPECT_EQ(ddfCheckField("ATTF  abc12345", 14, dataLength), 0);
  EXPECT_EQ(dataLength, 0);
}

TEST(OpenFile, MissingFileGivesNoHandleAndRestartsTheReader) {
  DdfReader reader;
  reader.skipFirst = false;
  reader.endPending = true;
  EXPECT_EQ(ddfOpen(reader, "/nonexistent/cell.000", "rb"), nullptr);
  EXPECT_TRUE(reader.needRecord);
  EXPECT_TRUE(reader.skipFirst);
  EXPECT_FALSE(reader.endPending);
}

}  // namespace
}  // namespace abys
