// Drives the record reader, the header check, the classification, the order
// check and every field decoder over arbitrary bytes taken as a cell file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "field_decoder.h"
#include "field_types.h"
#include "record_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;

  static abys::DdfReader reader;
  static std::vector<char> buffer(abys::kTaggedFieldAreaSize);
  static abys::FieldImage image;
  static std::FILE* devNull = std::fopen("/dev/null", "w");

  abys::ddfAttach(reader);
  int exchangePurpose = 0;
  int lexicalLevel = 0;
  int previous = abys::kFieldEndOfRecord;
  abys::ddfReadField(reader, buffer.data(), abys::kTaggedFieldAreaSize, file);
  // A malformed record is sticky and the end of data is final, so the loop
  // ends; the bound guards against a reader that would not.
  for (int call = 0; call < 1000000; ++call) {
    const int length = abys::ddfReadField(reader, buffer.data(), abys::kTaggedFieldAreaSize, file);
    if (length <= 0) break;
    int dataLength = 0;
    const int check = abys::ddfCheckField(buffer.data(), length, dataLength);
    if (check != 0 && check != 3) break;
    const int type = abys::ddfFieldType(buffer.data());
    if (type >= 0) {
      // The order check writes its refusals to standard error; keep the
      // fuzzer's output readable.
      std::FILE* saved = stderr;
      if (devNull != nullptr) stderr = devNull;
      abys::ddfCheckOrder(previous, type, exchangePurpose);
      stderr = saved;
      previous = type;
    }
    const char* fieldData = buffer.data() + abys::kTaggedFieldHeaderSize;
    int elementCount = 0;
    abys::ddfDecodeField(type, fieldData, dataLength, image, elementCount, exchangePurpose,
                         lexicalLevel);
    if (type == abys::kFieldDSID && (image.dsid.expp == 1 || image.dsid.expp == 2)) {
      exchangePurpose = image.dsid.expp;
    } else if (type == abys::kFieldDSSI) {
      lexicalLevel = image.dssi.nall;
    }
    // Every decoder sees every field's bytes, at both lexical levels.
    for (int other = 0; other < abys::kFieldTypeCount; ++other) {
      abys::ddfDecodeField(other, fieldData, dataLength, image, elementCount, call & 1 ? 1 : 2,
                           other == abys::kFieldNATF ? 2 : 0);
    }
  }
  std::fclose(file);
  return 0;
}
