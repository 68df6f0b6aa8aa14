// The tagged fields of a cell file, one per call, with what every reader of
// them needs: the header check, the field type, the order check and the
// decoded image.
#pragma once

#include <cstdint>
#include <cstdio>

#include "field_image.h"
#include "field_types.h"
#include "record_reader.h"

namespace abys {

// Owns the record reader, the tagged-field buffer and the field image, and
// keeps what the DSID and DSSI fields tell the fields after them: the
// exchange purpose (EXPP of the last DSID whose EXPP is 1 or 2, else 0) and
// the lexical level (NALL of the last DSSI, else 0).
//
//   FieldStream stream;
//   if (!stream.open(path)) ...;
//   while (stream.next() > 0) { ... stream.type() ... stream.decode() ... }
//
// Fields are not copied: each is read where it lies in the record. The
// buffers are allocated once, with the stream; reading a further file
// with the same stream allocates nothing until a field outgrows the image.
class FieldStream {
 public:
  FieldStream();
  ~FieldStream();
  FieldStream(const FieldStream&) = delete;
  FieldStream& operator=(const FieldStream&) = delete;

  // Opens path for reading and reads past its data descriptive record; false
  // (errno from fopen) when the file cannot be opened. The stream closes the
  // file.
  bool open(const char* path);
  // The same on a file the caller has opened and will close (for example
  // with fmemopen), read from its current position.
  void attach(std::FILE* file);
  // Closes a file that open() opened; nothing else is read after it.
  void close();

  // Reads the next tagged field and returns its length: 0 at the end of data
  // (and for every call after it), kMalformedRecord for a record that cannot
  // be cut up (again on every later call).
  int next();

  // The field next() returned last, counted from 1 with the end-of-record
  // markers; after kMalformedRecord, the number the field would have had.
  int fieldNumber() const { return fieldNumber_; }
  // The tagged field's header: tag and five length characters (with a tag
  // shorter than four characters, the first data bytes after them).
  const char* taggedField() const;
  // The field's data after the tagged-field header, read in place in the
  // reader's record buffer and followed by a NUL; valid until next().
  const char* data() const { return data_; }
  // ddfCheckField's code for the field and the data length it announces.
  int checkCode() const { return checkCode_; }
  int dataLength() const { return dataLength_; }
  // ddfFieldType of the field.
  int type() const { return type_; }

  // ddfCheckOrder of the field after the one this was last called for (at
  // first the end-of-record marker) under the current exchange purpose.
  int checkOrder();

  // Decodes the field into image() under the current exchange purpose and
  // lexical level and returns the decode code; a DSID or DSSI then updates
  // them. elementCount() is the element count of the repeating field decoded
  // last.
  int decode();
  const FieldImage& image() const { return image_; }
  int elementCount() const { return elementCount_; }

  int exchangePurpose() const { return exchangePurpose_; }
  int lexicalLevel() const { return lexicalLevel_; }
  // For a reader that takes both from record assembly instead.
  void setExchangePurpose(int exchangePurpose) { exchangePurpose_ = exchangePurpose; }
  void setLexicalLevel(int lexicalLevel) { lexicalLevel_ = lexicalLevel; }

  // Bytes read from the file since open() or attach(), the descriptive
  // record included.
  int64_t bytesRead() const { return reader_.bytesRead; }

 private:
  void restart(std::FILE* file);

  DdfReader reader_;
  DdfField field_;
  mutable char header_[kTaggedFieldHeaderSize + 8] = {};
  mutable bool headerWritten_ = true;
  const char* data_ = "";
  FieldImage image_;
  std::FILE* file_ = nullptr;
  bool ownsFile_ = false;

  int fieldNumber_ = 0;
  bool malformedReported_ = false;
  int checkCode_ = 0;
  int dataLength_ = 0;
  int type_ = kUnknownField;
  int previousType_ = kFieldEndOfRecord;
  int elementCount_ = 0;
  int exchangePurpose_ = 0;
  int lexicalLevel_ = 0;
};

}  // namespace abys
