// The Base64 loops behind CBase64, on plain buffers.
#pragma once

#include <array>
#include <cstddef>

#include <zelu/platform/win32/base_types.h>

namespace zelu::internal {

inline constexpr std::array<char, 64> kBase64Alphabet = {
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V',
    'W', 'X', 'Y', 'Z', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r',
    's', 't', 'u', 'v', 'w', 'x', 'y', 'z', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '+', '/'};
inline constexpr WCHAR kBase64Pad = '=';

// Units of the encoding of `count` bytes.
constexpr std::size_t Base64EncodedLength(std::size_t count) noexcept { return (count + 2) / 3 * 4; }

// Writes the Base64EncodedLength(count) units of the encoding of `data`.
void EncodeBase64(const unsigned char* data, std::size_t count, WCHAR* out) noexcept;

// Decodes `length` units (low bytes only; non-alphabet units skipped; the
// first '=' ends; an incomplete last group is dropped) into `out`, which
// has room for `length` bytes: at most length * 3 / 4 are decoded, and the
// bytes after them up to `length` may be overwritten. Returns the bytes
// decoded.
std::size_t DecodeBase64(const WCHAR* text, std::size_t length, unsigned char* out) noexcept;

}  // namespace zelu::internal
