// Drives the reader as the loader does, without building a dataset: every
// field is read, checked, classified and decoded, with the exchange purpose
// and lexical level taken from the DSID and DSSI fields on the way.
#pragma once

#include <cstdio>
#include <vector>

#include "field_decoder.h"
#include "field_types.h"
#include "record_reader.h"

namespace abys::test {

struct WalkedField {
  int number = 0;  // from 1, end-of-record markers included
  const char* tagged = nullptr;
  int dataLength = 0;
  int type = kUnknownField;
  int decodeCode = 0;
  int elementCount = 0;
  int exchangePurpose = 0;  // before this field was decoded
};

// Restarts reader on file and hands each field to visit(const WalkedField&,
// const FieldImage&). Unknown tags are handed over undecoded and the walk goes
// on. Returns 0 at the end of data, kMalformedRecordCode or the header code
// (1, 2) that stopped it.
template <typename Visit>
int walkFields(DdfReader& reader, std::FILE* file, std::vector<char>& buffer, FieldImage& image,
               Visit&& visit) {
  ddfAttach(reader);
  const int capacity = static_cast<int>(buffer.size());
  int exchangePurpose = 0;
  int lexicalLevel = 0;
  ddfReadField(reader, buffer.data(), capacity, file);
  for (int number = 1;; ++number) {
    const int length = ddfReadField(reader, buffer.data(), capacity, file);
    if (length == 0) return 0;
    if (length < 0) return kMalformedRecordCode;
    WalkedField field;
    field.number = number;
    field.tagged = buffer.data();
    const int check = ddfCheckField(buffer.data(), length, field.dataLength);
    if (check == 1 || check == 2) return check;
    field.type = ddfFieldType(buffer.data());
    field.exchangePurpose = exchangePurpose;
    if (field.type != kUnknownField) {
      field.decodeCode =
          ddfDecodeField(field.type, buffer.data() + kTaggedFieldHeaderSize, field.dataLength,
                         image, field.elementCount, exchangePurpose, lexicalLevel);
      if (field.type == kFieldDSID && (image.dsid.expp == 1 || image.dsid.expp == 2)) {
        exchangePurpose = image.dsid.expp;
      } else if (field.type == kFieldDSSI) {
        lexicalLevel = image.dssi.nall;
      }
    }
    visit(static_cast<const WalkedField&>(field), static_cast<const FieldImage&>(image));
  }
}

}  // namespace abys::test
