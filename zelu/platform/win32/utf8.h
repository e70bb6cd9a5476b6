// UTF-8 <-> UTF-16 transcoding: the one transcoder of the library, behind
// the code pages, the formatters and the command-line tool.
//
// Pure functions over caller-provided buffers: no allocation, no state,
// safe on any thread. What a caller may rely on:
//   * Malformed UTF-8 becomes U+FFFD, one per maximal ill-formed subsequence
//     (a lead byte and the continuation bytes that still fit it; overlong
//     forms, encoded surrogates and values above U+10FFFF are ill-formed).
//   * An unpaired surrogate becomes U+FFFD (EF BF BD) on the way to UTF-8.
//   * A zero byte or unit is converted like any other.
//   * Inputs of 128 bytes or units and more go to vector code chosen once
//     for the CPU (SSE4, AVX2, AVX-512, NEON), which gives exactly the
//     results of the scalar code; shorter ones stay in scalar code.
//   * The *Length functions return exactly what the conversion writes.
#pragma once

#include <cstddef>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

namespace zelu::win32 {

// The most UTF-16 units `byte_count` bytes of UTF-8 can give.
constexpr std::size_t MaxUtf16Units(std::size_t byte_count) { return byte_count; }
// The most UTF-8 bytes `unit_count` UTF-16 units can give.
constexpr std::size_t MaxUtf8Bytes(std::size_t unit_count) { return unit_count * 3; }

// What the bounded conversions return when `out` runs out of room; `out`
// then holds the whole characters that fit.
inline constexpr std::size_t kNoRoom = static_cast<std::size_t>(-1);

// Decodes `count` bytes into `out` (room for Utf16LengthOfUtf8 or
// MaxUtf16Units(count) units, or `capacity` units); returns the units
// written, or kNoRoom.
ZELU_API std::size_t Utf8ToUtf16(const char* bytes, std::size_t count, WCHAR* out);
ZELU_API std::size_t Utf8ToUtf16(const char* bytes, std::size_t count, WCHAR* out, std::size_t capacity);
ZELU_API std::size_t Utf16LengthOfUtf8(const char* bytes, std::size_t count);

// Encodes `count` units into `out` (room for Utf8LengthOfUtf16 or
// MaxUtf8Bytes(count) bytes, or `capacity` bytes); returns the bytes
// written, or kNoRoom.
ZELU_API std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, char* out);
ZELU_API std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, char* out, std::size_t capacity);
ZELU_API std::size_t Utf8LengthOfUtf16(const WCHAR* units, std::size_t count);

// The first maximal ill-formed subsequence of `count` bytes: its offset and
// length (1 to 3 bytes). Well-formed input gives {count, 0}. A sequence cut
// short by the end of the input counts as ill-formed.
struct Utf8Fault {
  std::size_t offset;
  std::size_t length;
};
ZELU_API Utf8Fault FindUtf8Fault(const char* bytes, std::size_t count);

// Block storage for zero-terminated text: a buffer that starts on a
// kTextBlockBytes boundary and runs to the end of the block that holds the
// terminator. The wide string class keeps its text so, and measures it with
// BlockTextLength, which reads a block at a time and so never leaves the
// buffer: the units before the first zero unit.
inline constexpr std::size_t kTextBlockBytes = 64;
ZELU_API std::size_t BlockTextLength(const WCHAR* text);

// The index of the first unpaired surrogate of `count` units; `count` when
// there is none. A high surrogate as the last unit counts as unpaired.
ZELU_API std::size_t FindUnpairedSurrogate(const WCHAR* units, std::size_t count);

// How many bytes at the end of `count` bytes begin a sequence that more
// input could still complete (0 to 3): a reader of a stream keeps them for
// the next chunk instead of decoding them now.
ZELU_API std::size_t IncompleteUtf8Tail(const char* bytes, std::size_t count);

}  // namespace zelu::win32
