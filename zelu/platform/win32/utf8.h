// UTF-8 <-> UTF-16 transcoding for the platform stand-ins.
//
// Pure functions over caller-provided buffers: no allocation, no state.
// Malformed UTF-8 becomes U+FFFD, one per maximal ill-formed subsequence;
// an unpaired surrogate becomes U+FFFD on the way out.
#pragma once

#include <cstddef>

#include <zelu/platform/base/base_types.h>

namespace zelu::win32 {

// The most UTF-16 units `byte_count` bytes of UTF-8 can give.
constexpr std::size_t MaxUtf16Units(std::size_t byte_count) { return byte_count; }
// The most UTF-8 bytes `unit_count` UTF-16 units can give.
constexpr std::size_t MaxUtf8Bytes(std::size_t unit_count) { return unit_count * 3; }

// Decodes `count` bytes into `out` (room for MaxUtf16Units(count) units);
// returns the units written. A zero byte is decoded like any other.
std::size_t Utf8ToUtf16(const char* bytes, std::size_t count, WCHAR* out);

// Encodes `count` units into `out` (room for MaxUtf8Bytes(count) bytes);
// returns the bytes written.
std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, char* out);

}  // namespace zelu::win32
