// Drives the field stream (record reader, header check, classification,
// order check, decoding) and every field decoder over arbitrary bytes taken
// as a cell file.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "field_decoder.h"
#include "field_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;

  static abys::FieldStream stream;
  static abys::FieldImage image;
  static std::FILE* devNull = std::fopen("/dev/null", "w");

  stream.attach(file);
  // A malformed record is sticky and the end of data is final, so the loop
  // ends; the bound guards against a reader that would not.
  for (int call = 0; call < 1000000; ++call) {
    if (stream.next() <= 0) break;
    const int check = stream.checkCode();
    if (check != 0 && check != 3) break;
    if (stream.type() != abys::kUnknownField) {
      // The order check writes its refusals to standard error; keep the
      // fuzzer's output readable.
      std::FILE* saved = stderr;
      if (devNull != nullptr) stderr = devNull;
      stream.checkOrder();
      stderr = saved;
    }
    stream.decode();
    // Every decoder sees every field's bytes, at both lexical levels.
    int elementCount = 0;
    for (int type = 0; type < abys::kFieldTypeCount; ++type) {
      abys::ddfDecodeField(type, stream.data(), stream.dataLength(), image, elementCount,
                           call & 1 ? 1 : 2, type == abys::kFieldNATF ? 2 : 0);
    }
  }
  stream.close();
  std::fclose(file);
  return 0;
}
