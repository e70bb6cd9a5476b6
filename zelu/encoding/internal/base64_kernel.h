// The Base64 kernel: the loops behind CBase64, on plain buffers.
//
// The scalar kernel is the reference: every other kernel gives exactly its
// results, and tests, fuzz targets and benchmarks reach each one through
// this header. CBase64 calls ActiveBase64Kernel().
#pragma once

#include <array>
#include <cstddef>

#include <zelu/platform/base/base_types.h>

namespace zelu::encoding::internal {

inline constexpr std::array<char, 64> kBase64Alphabet = {
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V',
    'W', 'X', 'Y', 'Z', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r',
    's', 't', 'u', 'v', 'w', 'x', 'y', 'z', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '+', '/'};
inline constexpr WCHAR kBase64Pad = '=';

// Units of the encoding of `count` bytes.
constexpr std::size_t Base64EncodedLength(std::size_t count) noexcept { return (count + 2) / 3 * 4; }

// How far a decoder got: the units it consumed and the bytes it wrote.
struct Base64DecodeProgress {
  std::size_t units_read;
  std::size_t bytes_written;
};

struct Base64Kernel {
  const char* name;
  // Writes the Base64EncodedLength(count) units of the encoding of `data`.
  void (*encode)(const unsigned char* data, std::size_t count, WCHAR* out) noexcept;
  // Decodes `length` units (low bytes only; units outside the alphabet
  // skipped; the first '=' ends the text and is the last unit read; an
  // incomplete last group is dropped) into `out`, which has room for
  // `length` bytes: at most length * 3 / 4 are decoded, and the bytes after
  // them up to `length` may be overwritten.
  Base64DecodeProgress (*decode)(const WCHAR* text, std::size_t length, unsigned char* out) noexcept;
};

const Base64Kernel& ScalarBase64Kernel() noexcept;
// The kernel the library uses on this machine.
const Base64Kernel& ActiveBase64Kernel() noexcept;

}  // namespace zelu::encoding::internal
