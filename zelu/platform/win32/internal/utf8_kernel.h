// The UTF-8 kernel: the loops behind the public transcoder (utf8.h), on
// plain buffers, one set per instruction set.
//
// The scalar kernel is the reference: every other kernel gives exactly its
// results (the same units or bytes, the same counts, the same kNoRoom with
// the same whole characters written before it, and nothing written past
// what it reports), and tests, fuzz targets and benchmarks reach each one
// through this header. The vector kernels come from one source compiled for
// each instruction set (SSE4, AVX2, AVX-512, AVX-512 with the byte
// instructions, NEON); ActiveUtf8Kernel() is the best one that this CPU
// runs, chosen on first use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/win32/utf8.h>

namespace zelu::win32::internal {

// Inputs shorter than this go to the scalar loops without asking for the
// active kernel: a vector kernel would hand them to the same loops anyway.
inline constexpr std::size_t kVectorMinimum = 128;

struct Utf8Kernel {
  const char* name;
  // The instruction set's bit in the vector library's target mask; 0 for
  // the scalar kernel.
  std::int64_t target;
  // As Utf8ToUtf16 (utf8.h) with a capacity: the units written, or
  // kNoRoom.
  std::size_t (*utf8_to_utf16)(const unsigned char* bytes, std::size_t count, WCHAR* out,
                               std::size_t capacity) noexcept;
  // As Utf16LengthOfUtf8.
  std::size_t (*utf16_length)(const unsigned char* bytes, std::size_t count) noexcept;
  // As Utf16ToUtf8 with a capacity: the bytes written, or kNoRoom.
  std::size_t (*utf16_to_utf8)(const WCHAR* units, std::size_t count, unsigned char* out,
                               std::size_t capacity) noexcept;
  // As Utf8LengthOfUtf16.
  std::size_t (*utf8_length)(const WCHAR* units, std::size_t count) noexcept;
  // As BlockTextLength: the units before the first zero unit of text in
  // block storage (utf8.h).
  std::size_t (*block_text_length)(const WCHAR* text) noexcept;
};

const Utf8Kernel& ScalarUtf8Kernel() noexcept;
// Every kernel that this CPU runs, the best first and the scalar kernel
// last.
std::span<const Utf8Kernel* const> SupportedUtf8Kernels() noexcept;
// The kernel the library uses on this machine: the first of
// SupportedUtf8Kernels() that is not an emulation of vectors in scalar
// code. Chosen once, on first use, by any thread.
const Utf8Kernel& ActiveUtf8Kernel() noexcept;

}  // namespace zelu::win32::internal
