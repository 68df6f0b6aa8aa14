// abys-fields FILE: prints the stream of tagged fields of an ISO 8211 file,
// one line per field (tag and data length), the end-of-record markers
// included, as the loader receives it.
#include <cstdio>
#include <vector>

#include "field_types.h"
#include "record_reader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: abys-fields FILE\n");
    return 2;
  }
  abys::DdfReader reader;
  std::FILE* file = abys::ddfOpen(reader, argv[1], "rb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<char> field(abys::kTaggedFieldAreaSize);
  abys::ddfReadField(reader, field.data(), abys::kTaggedFieldAreaSize, file);
  int status = 0;
  for (int number = 1;; ++number) {
    const int length = abys::ddfReadField(reader, field.data(), abys::kTaggedFieldAreaSize, file);
    if (length == 0) break;
    if (length == abys::kMalformedRecord) {
      std::fprintf(stderr, "%s: field %d: malformed record\n", argv[1], number);
      status = 1;
      break;
    }
    int dataLength = 0;
    const int code = abys::ddfCheckField(field.data(), length, dataLength);
    std::printf("%.4s %5d\n", field.data(), dataLength);
    if (code != 0 && code != 3) {
      std::fprintf(stderr, "%s: field %d: header error %d\n", argv[1], number, code);
      status = 1;
      break;
    }
  }
  std::fclose(file);
  return status;
}
