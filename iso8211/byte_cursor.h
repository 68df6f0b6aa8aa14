// A bounds-checked view over a field's bytes with the S-57 binary encodings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace abys {

// Reads little-endian subfields and texts from a field, front to back. The
// fixed-part reads (b11, b12, b14, b24) never read past the end: missing
// bytes count as zero and mark the cursor as short. The text reads stop at
// the end too.
class ByteCursor {
 public:
  explicit ByteCursor(std::string_view bytes)
      : pos_(reinterpret_cast<const unsigned char*>(bytes.data())), end_(pos_ + bytes.size()) {}

  size_t remaining() const { return static_cast<size_t>(end_ - pos_); }
  bool wasShort() const { return short_; }

  uint8_t b11() { return static_cast<uint8_t>(readPadded(1)); }
  uint16_t b12() { return static_cast<uint16_t>(readPadded(2)); }
  uint32_t b14() { return readPadded(4); }
  int32_t b24() { return static_cast<int32_t>(readPadded(4)); }

  // Copies n bytes (zero-filled where the field ends early).
  void fixedText(char* out, size_t n) {
    for (size_t i = 0; i < n; ++i)
      out[i] = static_cast<char>(readPadded(1));
  }

  // A text ending with the unit terminator 0x1f: on success out holds the
  // bytes before the terminator and the cursor moves past it; otherwise out
  // holds every remaining byte and the cursor reaches the end.
  bool text(std::string_view& out) {
    const void* found = pos_ < end_ ? std::memchr(pos_, 0x1f, remaining()) : nullptr;
    if (found == nullptr) return takeRest(out);
    const size_t length = static_cast<size_t>(static_cast<const unsigned char*>(found) - pos_);
    out = view(length);
    pos_ += length + 1;
    return true;
  }

  // As text for two-byte text ending with the pair 0x1f 0x00, looked for in
  // steps of two bytes; out counts bytes.
  bool wideText(std::string_view& out) {
    const size_t available = remaining();
    for (size_t i = 0; i + 1 < available; i += 2) {
      if (pos_[i] == 0x1f && pos_[i + 1] == 0x00) {
        out = view(i);
        pos_ += i + 2;
        return true;
      }
    }
    return takeRest(out);
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

  std::string_view view(size_t length) const {
    return {reinterpret_cast<const char*>(pos_), length};
  }

  bool takeRest(std::string_view& out) {
    out = view(remaining());
    pos_ = end_;
    return false;
  }

  const unsigned char* pos_;
  const unsigned char* end_;
  bool short_ = false;
};

}  // namespace abys
