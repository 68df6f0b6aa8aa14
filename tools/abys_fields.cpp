// abys-fields FILE: prints the stream of tagged fields of an ISO 8211 file,
// one line per field (tag and data length), the end-of-record markers
// included, as the loader receives it. --help prints its usage, --version
// its version.
#include <cstdio>
#include <cstring>

#include "field_stream.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::puts(
        "usage: abys-fields FILE\n"
        "Prints the tagged fields of an ISO 8211 file: tag and data length per line, ****\n"
        "ending each record. --version: the version.");
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("abys-fields " ABYS_VERSION);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: abys-fields FILE\n");
    return 2;
  }
  abys::FieldStream stream;
  if (!stream.open(argv[1])) {
    std::perror(argv[1]);
    return 1;
  }
  for (;;) {
    const int length = stream.next();
    if (length == 0) return 0;
    if (length == abys::kMalformedRecord) {
      std::fprintf(stderr, "%s: field %d: malformed record\n", argv[1], stream.fieldNumber());
      return 1;
    }
    std::printf("%.4s %5d\n", stream.taggedField(), stream.dataLength());
    const int code = stream.checkCode();
    if (code != 0 && code != 3) {
      std::fprintf(stderr, "%s: field %d: header error %d\n", argv[1], stream.fieldNumber(), code);
      return 1;
    }
  }
}
