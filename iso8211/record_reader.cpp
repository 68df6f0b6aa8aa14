#include "record_reader.h"

#include <algorithm>
#include <cstring>

namespace abys {
namespace {

constexpr size_t kFileBufferSize = 1 << 17;
constexpr unsigned char kFieldTerminator = 0x1e;

bool isScanSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A number of exactly width digits (at most 9) at text, which holds at
// least width bytes: what "%<width>d" reads there too.
bool plainNumber(const unsigned char* text, int width, int& value) {
  if (width > 9) return false;
  int number = 0;
  for (int i = 0; i < width; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    number = number * 10 + (text[i] - '0');
  }
  value = number;
  return true;
}

// Reads a decimal integer the way "%<width>d" does: leading white space is
// skipped (and not counted in the width), then an optional sign and at least
// one digit, all within width characters. Only the avail bytes at text are
// looked at. consumed receives the number of bytes used.
bool scanDecimal(const unsigned char* text, int avail, int width, int& value, int& consumed) {
  // The usual case, width digits and nothing else, read straight.
  if (width <= avail && plainNumber(text, width, value)) {
    consumed = width;
    return true;
  }
  int pos = 0;
  while (pos < avail && isScanSpace(text[pos]))
    ++pos;
  const int end = pos + width < avail ? pos + width : avail;
  bool negative = false;
  if (pos < end && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const int firstDigit = pos;
  long long magnitude = 0;
  while (pos < end && text[pos] >= '0' && text[pos] <= '9') {
    magnitude = magnitude * 10 + (text[pos] - '0');  // at most 9 digits: no overflow
    ++pos;
  }
  if (pos == firstDigit) return false;
  if (magnitude > 0x7fffffffLL) return false;
  value = static_cast<int>(negative ? -magnitude : magnitude);
  consumed = pos;
  return true;
}

// Reads a word the way "%<width>s" does: leading white space skipped, then up
// to width characters that are not white space (at least one).
bool scanWord(const unsigned char* text, int avail, int width, char* word, int& wordLength,
              int& consumed) {
  int pos = 0;
  while (pos < avail && isScanSpace(text[pos]))
    ++pos;
  wordLength = 0;
  while (pos < avail && wordLength < width && !isScanSpace(text[pos])) {
    word[wordLength++] = static_cast<char>(text[pos++]);
  }
  consumed = pos;
  return wordLength > 0;
}

// fread without taking the stream's lock: a reader's stream is its own.
size_t readBytes(void* into, size_t size, std::FILE* file) {
#ifdef __GLIBC__
  return fread_unlocked(into, 1, size, file);
#else
  return std::fread(into, 1, size, file);
#endif
}

int fail(DdfReader& reader) {
  reader.malformed = true;
  return kMalformedRecord;
}

// Reads size bytes into the record buffer at offset; whether all came.
bool readInto(DdfReader& reader, int offset, int size, std::FILE* file) {
  const size_t got = readBytes(reader.record.get() + offset, static_cast<size_t>(size), file);
  reader.bytesRead += static_cast<int64_t>(got);
  return got == static_cast<size_t>(size);
}

// The length of a record whose leader gives its length as 0, as writers do
// for a record too long for five digits: the field area base plus the
// furthest end of a field its directory describes. Reads the rest of the
// leader and the directory into the buffer behind the five zeros; held
// receives how many bytes of the record that is. Returns the length (one
// past the buffer for a record that does not fit it), or 0 when what
// follows is no such leader and directory (zero padding, other bytes, the
// end of the file), which ends the data.
int longRecordLength(DdfReader& reader, std::FILE* file, int& held) {
  const unsigned char* record = reader.record.get();
  if (!readInto(reader, 5, kRecordLeaderSize - 5, file)) return 0;
  int base = 0;
  if (!plainNumber(record + 12, 5, base)) return 0;
  const int lengthSize = record[20] - '0';
  const int positionSize = record[21] - '0';
  if (record[23] - '0' != kTagSize) return 0;
  if (lengthSize < 1 || lengthSize > 9 || positionSize < 1 || positionSize > 9) return 0;
  const int entrySize = kTagSize + lengthSize + positionSize;
  const int directorySize = base - kRecordLeaderSize - 1;  // before its field terminator
  if (directorySize < entrySize || directorySize % entrySize != 0) return 0;
  if (!readInto(reader, kRecordLeaderSize, base - kRecordLeaderSize, file)) return 0;
  if (record[base - 1] != kFieldTerminator) return 0;
  held = base;
  long long furthest = 0;
  for (int at = kRecordLeaderSize; at < base - 1; at += entrySize) {
    int fieldLength = 0;
    int fieldPosition = 0;
    for (int i = 0; i < kTagSize; ++i) {
      if (isScanSpace(record[at + i])) return 0;
    }
    if (!plainNumber(record + at + kTagSize, lengthSize, fieldLength) ||
        !plainNumber(record + at + kTagSize + lengthSize, positionSize, fieldPosition) ||
        fieldLength < 1) {
      return 0;
    }
    furthest = std::max(furthest, static_cast<long long>(fieldPosition) + fieldLength);
  }
  // Beyond the buffer: a length the reader refuses rather than cuts.
  return static_cast<int>(std::min<long long>(base + furthest, kRecordBufferSize + 1LL));
}

// Reads the rest of a record whose five length characters are in the buffer.
// Returns 0 on success, 1 at end of data, -1 for a malformed record.
int readRecord(DdfReader& reader, std::FILE* file) {
  unsigned char* record = reader.record.get();
  const size_t lead = readBytes(record, 5, file);
  reader.bytesRead += static_cast<int64_t>(lead);
  if (lead < 5 || record[0] == '^') {
    reader.recordLength = 0;
    return 1;
  }
  int length = 0;
  int consumed = 0;
  if (!scanDecimal(record, 5, 5, length, consumed)) return -1;
  if (length == 0) {
    int held = 0;
    length = longRecordLength(reader, file, held);
    reader.recordLength = length;
    if (length == 0) return 1;
    if (length > kRecordBufferSize) return -1;
    return readInto(reader, held, length - held, file) ? 0 : -1;
  }
  reader.recordLength = length;
  if (length < kRecordLeaderSize) return -1;
  const size_t rest = static_cast<size_t>(length - 5);
  const size_t body = readBytes(record + 5, rest, file);
  reader.bytesRead += static_cast<int64_t>(body);
  if (body < rest) return -1;
  return 0;
}

// Reads the leader fields of the data record in the buffer and checks that
// the directory can be walked inside the record.
bool readLeader(DdfReader& reader) {
  const unsigned char* record = reader.record.get();
  int base = 0;
  int consumed = 0;
  if (!scanDecimal(record + 12, 5, 5, base, consumed)) return false;
  reader.fieldAreaBase = base;
  reader.lengthSize = record[20] - '0';
  reader.positionSize = record[21] - '0';
  reader.tagSize = record[23] - '0';
  if (reader.tagSize != kTagSize) return false;
  if (reader.lengthSize < 1 || reader.lengthSize > 9) return false;
  if (reader.positionSize < 1 || reader.positionSize > 9) return false;
  const int entrySize = reader.tagSize + reader.lengthSize + reader.positionSize;
  // At least one whole directory entry, and a field area inside the record.
  if (base < kRecordLeaderSize + entrySize || base > reader.recordLength) return false;
  reader.cursor = kRecordLeaderSize;
  return true;
}

}  // namespace

DdfReader::DdfReader() : record(new unsigned char[kRecordBufferSize]) {}

void ddfAttach(DdfReader& reader) {
  reader.needRecord = true;
  reader.skipFirst = true;
  reader.endPending = false;
  reader.malformed = false;
  reader.recordLength = 0;
  reader.fieldAreaBase = 0;
  reader.lengthSize = reader.positionSize = reader.tagSize = 0;
  reader.cursor = 0;
  reader.bytesRead = 0;
  reader.terminatorAt = nullptr;
}

std::FILE* ddfOpen(DdfReader& reader, const char* path, const char* mode) {
  ddfAttach(reader);
  std::FILE* file = std::fopen(path, mode);
  // Records are read in two pieces each; a large buffer saves a system call
  // for most of them.
  if (file != nullptr) std::setvbuf(file, nullptr, _IOFBF, kFileBufferSize);
  return file;
}

namespace {

// Finds the next field of the current record, reading the next record when
// the last one is done, and leaves the reader after it. Returns the length of
// the tagged field ddfReadField makes of it (kTaggedFieldHeaderSize for the
// end-of-record marker, which has no data), 0 at end of data, or
// kMalformedRecord.
int nextField(DdfReader& reader, std::FILE* file, DdfField& field) {
  if (reader.malformed) return kMalformedRecord;

  if (reader.endPending) {
    std::memcpy(field.tag, "****", kTagSize);
    field.tagLength = kTagSize;
    field.data = nullptr;
    field.dataLength = 0;
    reader.endPending = false;
    reader.needRecord = true;
    return kTaggedFieldHeaderSize;
  }

  if (reader.needRecord) {
    const int read = readRecord(reader, file);
    if (read > 0) return 0;
    if (read < 0) return fail(reader);
    if (reader.skipFirst) {
      reader.skipFirst = false;
      return 0;
    }
    if (!readLeader(reader)) return fail(reader);
  } else if (reader.recordLength == 0) {
    return 0;
  }

  unsigned char* record = reader.record.get();
  const int entrySize = reader.tagSize + reader.lengthSize + reader.positionSize;
  const int base = reader.fieldAreaBase;

  // Scan "%4s %3d %4d" (for sizes 4, 3, 4) within the directory; an entry
  // of a tag without white space and two plain numbers, as files have them,
  // is read straight.
  int fieldLength = 0;
  int fieldPosition = 0;
  int pos = reader.cursor;
  int consumed = 0;
  const unsigned char* entry = record + pos;
  if (entrySize <= base - pos && !isScanSpace(entry[0]) && !isScanSpace(entry[1]) &&
      !isScanSpace(entry[2]) && !isScanSpace(entry[3]) &&
      plainNumber(entry + kTagSize, reader.lengthSize, fieldLength) &&
      plainNumber(entry + kTagSize + reader.lengthSize, reader.positionSize, fieldPosition)) {
    std::memcpy(field.tag, entry, kTagSize);
    field.tagLength = kTagSize;
  } else {
    if (!scanWord(entry, base - pos, reader.tagSize, field.tag, field.tagLength, consumed)) {
      return fail(reader);
    }
    pos += consumed;
    if (!scanDecimal(record + pos, base - pos, reader.lengthSize, fieldLength, consumed)) {
      return fail(reader);
    }
    pos += consumed;
    if (!scanDecimal(record + pos, base - pos, reader.positionSize, fieldPosition, consumed)) {
      return fail(reader);
    }
  }
  if (fieldLength < 1 || fieldPosition < 0) return fail(reader);
  if (fieldPosition > reader.recordLength - base ||
      fieldLength > reader.recordLength - base - fieldPosition) {
    return fail(reader);
  }
  field.data = reinterpret_cast<char*>(record + base + fieldPosition);
  field.dataLength = fieldLength - 1;  // beyond 99,999 only in a long record

  reader.cursor += entrySize;
  if (reader.cursor < base - entrySize) {
    reader.needRecord = false;
    reader.endPending = false;
  } else {
    reader.endPending = true;
  }
  return field.tagLength + 5 + fieldLength;
}

}  // namespace

int ddfNextField(DdfReader& reader, std::FILE* file, DdfField& field) {
  if (reader.terminatorAt != nullptr) {
    *reader.terminatorAt = reader.terminator;
    reader.terminatorAt = nullptr;
  }
  const int length = nextField(reader, file, field);
  if (length > 0 && field.data != nullptr) {
    reader.terminatorAt = field.data + field.dataLength;
    reader.terminator = *reader.terminatorAt;
    *reader.terminatorAt = '\0';
  }
  return length;
}

void ddfFormatHeader(const DdfField& field, char* header) {
  std::memcpy(header, field.tag, static_cast<size_t>(field.tagLength));
  int dataLength = field.dataLength;
  char* digits = header + field.tagLength;
  for (int i = 4; i >= 0; --i) {
    digits[i] = (i == 4 || dataLength > 0) ? static_cast<char>('0' + dataLength % 10) : ' ';
    dataLength /= 10;
  }
}

int ddfReadField(DdfReader& reader, char* buffer, int capacity, std::FILE* file) {
  DdfField field;
  const int length = nextField(reader, file, field);
  if (length <= 0) return length;
  if (capacity < length + (field.data == nullptr ? 1 : 0)) return fail(reader);
  ddfFormatHeader(field, buffer);
  char* data = buffer + field.tagLength + 5;
  if (field.data == nullptr) {
    *data = '\0';  // the end-of-record marker
  } else {
    std::memcpy(data, field.data, static_cast<size_t>(field.dataLength));
    data[field.dataLength] = '\0';
  }
  return length;
}

int ddfCheckField(const char* taggedField, int length, int& dataLength) {
  if (length < kTaggedFieldHeaderSize) return 1;
  int value = 0;
  int consumed = 0;
  if (!scanDecimal(reinterpret_cast<const unsigned char*>(taggedField) + kTagSize, 5, 5, value,
                   consumed)) {
    value = 0;
  }
  dataLength = value;
  if (length > 99999) return 3;
  if (length < dataLength + kTaggedFieldHeaderSize) return 2;
  return 0;
}

}  // namespace abys
