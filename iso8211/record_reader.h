// Cuts an ISO/IEC 8211 exchange file into tagged fields, one record at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace abys {

// A record is read whole into this buffer. Five length digits describe a
// record below 100,000 bytes; a longer one, whose leader gives its length as
// 0, is read when it fits, and is a malformed record when it does not.
inline constexpr int kRecordBufferSize = 0x40000;
// Size of the caller's tagged-field area used by the loader.
inline constexpr int kTaggedFieldAreaSize = 0x40000;
// Every field tag of an S-57 file has four characters.
inline constexpr int kTagSize = 4;
// "tag" + "%5d": where the field data starts in a tagged field.
inline constexpr int kTaggedFieldHeaderSize = 9;
inline constexpr int kRecordLeaderSize = 24;

// ddfReadField's result for a record that cannot be cut up safely: a length
// that is not a number or is below the leader size, a record longer than the
// buffer, a record cut short by the
// end of the file, a directory entry that does not scan or whose field lies
// outside the record, a field length of 0, no directory entry, a tag size other
// than 4, or a field that does not fit the caller's capacity. Once returned,
// every further call returns it again until the reader is reopened.
inline constexpr int kMalformedRecord = -8;
// The status the loader reports for kMalformedRecord.
inline constexpr int kMalformedRecordCode = 8;

// The reader state: one file at a time, reset by ddfOpen / ddfAttach. The
// application holds one; tests create their own.
struct DdfReader {
  DdfReader();

  bool needRecord = true;
  // The first record, the descriptive one, is read past without giving its
  // fields; a reader of the field descriptions clears this after ddfOpen /
  // ddfAttach and gets them as fields of a first record.
  bool skipFirst = true;
  bool endPending = false;
  bool malformed = false;

  std::unique_ptr<unsigned char[]> record;  // kRecordBufferSize bytes
  int recordLength = 0;
  int fieldAreaBase = 0;
  int lengthSize = 0;
  int positionSize = 0;
  int tagSize = 0;
  int cursor = 0;
  // Bytes taken from the file since ddfOpen / ddfAttach: the file position
  // when reading started at the beginning, known without asking the system.
  int64_t bytesRead = 0;
  // The field terminator ddfNextField replaced by NUL, put back on its next
  // call (fields of a damaged record may overlap).
  char* terminatorAt = nullptr;
  char terminator = 0;
};

// One field of the current record as ddfNextField gives it, in place: the tag
// as the directory gives it (tagLength characters, no terminator) and the
// field's bytes inside the reader's record buffer, dataLength of them and a
// NUL where the field terminator stood. The end-of-record marker has the tag
// "****" and no data (null, length 0). Valid until the next call.
struct DdfField {
  char tag[kTagSize] = {};
  int tagLength = 0;
  char* data = nullptr;
  int dataLength = 0;
};

// Opens path with fopen(path, mode) and restarts the reader on it. Returns
// null when the file cannot be opened. The caller owns the handle and closes
// it; the reader never does.
std::FILE* ddfOpen(DdfReader& reader, const char* path, const char* mode);

// Restarts the reader on a stream the caller has opened (for example with
// fmemopen); ddfOpen is fopen followed by this.
void ddfAttach(DdfReader& reader);

// Writes the next tagged field ("TAG" + data length in 5 characters + the
// field's bytes with the field terminator replaced by NUL) or the end-of-record
// marker "****    0" into buffer and returns its length: 0 at end of data
// (fewer than five bytes or a '^' where a record would start, or a record
// length of 0 not followed by a leader and a directory that end in a field
// terminator; followed by them, the record is one too long for the five
// digits and its length is the field area base plus the furthest end of a
// field its directory describes),
// kMalformedRecord for a record that cannot be cut up safely. Never writes
// more than capacity bytes and never reads outside the current record.
int ddfReadField(DdfReader& reader, char* buffer, int capacity, std::FILE* file);

// ddfReadField without the copy: gives the next field in place and returns
// the length ddfReadField would have returned for it (0 at end of data,
// kMalformedRecord as ddfReadField does).
int ddfNextField(DdfReader& reader, std::FILE* file, DdfField& field);

// Writes the tagged-field header of field, as ddfReadField writes it: the tag
// and the data length in five characters, right-aligned (tagLength + 5 bytes).
void ddfFormatHeader(const DdfField& field, char* header);

// Checks a tagged field's header against the length ddfReadField returned:
// 0 good, 1 shorter than the header, 2 shorter than the header announces,
// 3 longer than 99,999 characters. dataLength receives the announced length
// (0 when it is not a number).
int ddfCheckField(const char* taggedField, int length, int& dataLength);

}  // namespace abys
