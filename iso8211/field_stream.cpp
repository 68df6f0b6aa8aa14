#include "field_stream.h"

#include <algorithm>
#include <cstring>

#include "field_decoder.h"

namespace abys {

FieldStream::FieldStream() = default;

FieldStream::~FieldStream() {
  close();
}

bool FieldStream::open(const char* path) {
  close();
  std::FILE* file = ddfOpen(reader_, path, "rb");
  if (file == nullptr) return false;
  restart(file);
  ownsFile_ = true;
  return true;
}

void FieldStream::attach(std::FILE* file) {
  close();
  ddfAttach(reader_);
  restart(file);
}

void FieldStream::close() {
  if (ownsFile_) std::fclose(file_);
  file_ = nullptr;
  ownsFile_ = false;
}

void FieldStream::restart(std::FILE* file) {
  file_ = file;
  fieldNumber_ = 0;
  malformedReported_ = false;
  checkCode_ = 0;
  dataLength_ = 0;
  type_ = kUnknownField;
  previousType_ = kFieldEndOfRecord;
  elementCount_ = 0;
  exchangePurpose_ = 0;
  lexicalLevel_ = 0;
  // The first call reads the descriptive record and gives nothing; a damaged
  // one leaves the reader at the end of data or malformed, for next() to say.
  ddfNextField(reader_, file_, field_);
  data_ = "";
}

int FieldStream::next() {
  if (file_ == nullptr) return 0;
  const int length = ddfNextField(reader_, file_, field_);
  checkCode_ = 0;
  dataLength_ = 0;
  type_ = kUnknownField;
  data_ = "";
  if (length == 0) return 0;
  if (length < 0) {
    if (!malformedReported_) ++fieldNumber_;
    malformedReported_ = true;
    return length;
  }
  ++fieldNumber_;
  if (field_.tagLength == kTagSize) {
    // What ddfCheckField and ddfFieldType find in the header a copy would
    // begin with, without writing it: the five length characters hold the
    // data length, and the field holds all of it.
    headerWritten_ = false;
    dataLength_ = field_.dataLength;
    checkCode_ = length > 99999 ? 3 : 0;
    type_ = ddfFieldType(field_.tag);
    if (field_.data != nullptr) data_ = field_.data;
    return length;
  }
  // The header a copied tagged field would begin with; a tag shorter than
  // four characters puts data bytes where the length is looked for, as it
  // would in the copy.
  headerWritten_ = true;
  ddfFormatHeader(field_, header_);
  const int headerLength = field_.tagLength + 5;
  if (field_.data != nullptr) {
    const int shown = std::min(field_.dataLength + 1, kTaggedFieldHeaderSize - headerLength);
    if (shown > 0) std::memcpy(header_ + headerLength, field_.data, static_cast<size_t>(shown));
    if (length > kTaggedFieldHeaderSize)
      data_ = field_.data + (kTaggedFieldHeaderSize - headerLength);
  }
  checkCode_ = ddfCheckField(header_, length, dataLength_);
  type_ = ddfFieldType(header_);
  return length;
}

const char* FieldStream::taggedField() const {
  if (!headerWritten_) {
    ddfFormatHeader(field_, header_);
    headerWritten_ = true;
  }
  return header_;
}

int FieldStream::checkOrder() {
  const int code = ddfCheckOrder(previousType_, type_, exchangePurpose_);
  previousType_ = type_;
  return code;
}

int FieldStream::decode() {
  const int code = ddfDecodeField(type_, data(), dataLength_, image_, elementCount_,
                                  exchangePurpose_, lexicalLevel_);
  if (type_ == kFieldDSID && (image_.dsid.expp == 1 || image_.dsid.expp == 2)) {
    exchangePurpose_ = image_.dsid.expp;
  } else if (type_ == kFieldDSSI) {
    lexicalLevel_ = image_.dssi.nall;
  }
  return code;
}

}  // namespace abys
