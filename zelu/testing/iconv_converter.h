// Test and benchmark peer: the C library's iconv between two encodings.
//
// One open conversion descriptor, reused across calls. Convert() gives the
// bytes of the whole input in the target encoding, or nothing when iconv
// refuses the input (an invalid or incomplete sequence).
#pragma once

#include <iconv.h>

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace zelu::testing {

class IconvConverter {
 public:
  IconvConverter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~IconvConverter() { iconv_close(descriptor_); }
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  // Converts into `out` (room for `capacity` bytes); the bytes written, or
  // nothing on refusal or lack of room.
  std::optional<std::size_t> Convert(const void* input, std::size_t bytes, char* out, std::size_t capacity) {
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(static_cast<const char*>(input));  // iconv's signature; it never writes there
    std::size_t in_left = bytes;
    char* cursor = out;
    std::size_t out_left = capacity;
    if (iconv(descriptor_, &in, &in_left, &cursor, &out_left) == static_cast<std::size_t>(-1)) return std::nullopt;
    return capacity - out_left;
  }

  std::optional<std::string> Convert(const void* input, std::size_t bytes) {
    std::string out(bytes * 4 + 4, '\0');
    const auto written = Convert(input, bytes, out.data(), out.size());
    if (!written) return std::nullopt;
    out.resize(*written);
    return out;
  }

 private:
  iconv_t descriptor_;
};

}  // namespace zelu::testing
