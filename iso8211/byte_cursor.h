// A bounds-checked view over a field's bytes with the S-57 binary encodings.
#pragma once

#include <cstddef>
#include <cstdint>

namespace abys {

// Reads little-endian subfields from [begin, end). take() moves only when the
// bytes are there. The fixed-part reads (b11, b12, b14, b24) never read past
// the end: missing bytes count as zero and mark the cursor as short.
class ByteCursor {
 public:
  ByteCursor(const unsigned char* begin, const unsigned char* end) : pos_(begin), end_(end) {}

  size_t remaining() const { return static_cast<size_t>(end_ - pos_); }
  const unsigned char* position() const { return pos_; }
  bool wasShort() const { return short_; }

  const unsigned char* take(size_t n) {
    if (remaining() < n) return nullptr;
    const unsigned char* at = pos_;
    pos_ += n;
    return at;
  }

  uint8_t b11() { return static_cast<uint8_t>(readPadded(1)); }
  uint16_t b12() { return static_cast<uint16_t>(readPadded(2)); }
  uint32_t b14() { return readPadded(4); }
  int32_t b24() { return static_cast<int32_t>(readPadded(4)); }

  // Copies n bytes (zero-filled where the field ends early).
  void fixedText(char* out, size_t n) {
    for (size_t i = 0; i < n; ++i)
      out[i] = static_cast<char>(readPadded(1));
  }

 private:
  uint32_t readPadded(size_t n) {
    uint32_t value = 0;
    for (size_t i = 0; i < n; ++i) {
      if (pos_ < end_) {
        value |= static_cast<uint32_t>(*pos_++) << (8 * i);
      } else {
        short_ = true;
      }
    }
    return value;
  }

  const unsigned char* pos_;
  const unsigned char* end_;
  bool short_ = false;
};

}  // namespace abys
