// The Base64 kernel: the loops behind CBase64, on plain buffers.
//
// The scalar kernel is the reference: every other kernel gives exactly its
// results, and tests, fuzz targets and benchmarks reach each one through
// this header. CBase64 calls ActiveBase64Kernel().
//
// The vector kernels (base64_simd.cpp) are compiled once per instruction set
// (SSSE3, SSE4, AVX2, AVX-512 on x86-64; NEON and SVE on AArch64); the
// active kernel is the best one that this CPU runs, chosen on first use.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include <zelu/platform/base/base_types.h>

class CString;

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
// The kernel the library uses on this machine: chosen once, thread-safely,
// on the first call.
const Base64Kernel& ActiveBase64Kernel() noexcept;
// The scalar kernel, then every vector kernel that this CPU runs, best
// first.
std::vector<const Base64Kernel*> SupportedBase64Kernels();

// CBase64::Encode and CBase64::Decode (the byte forms) with a given kernel:
// the public members pass ActiveBase64Kernel(); tests and benchmarks pass
// each kernel in turn.
LONG EncodeBase64With(const Base64Kernel& kernel, const unsigned char* data, ULONG count, CString& out);
LONG DecodeBase64With(const Base64Kernel& kernel, const CString& text, unsigned char** bytes, ULONG& count);

// For kernels: the decoding rules unit by unit, as the scalar kernel applies
// them. Wherever a group starts (no value held), `whole_groups` may take a
// run of whole groups of four alphabet characters from text[at]: it writes
// their bytes at *out (three per group; it may also write scratch bytes
// after them, within the kernel's room), advances *out past them and
// returns where the run ended.
using Base64GroupRun = std::size_t (*)(const WCHAR* text, std::size_t length, std::size_t at,
                                       unsigned char** out) noexcept;
Base64DecodeProgress DecodeBase64Rules(const WCHAR* text, std::size_t length, unsigned char* out,
                                       Base64GroupRun whole_groups) noexcept;
// The scalar kernel's run of whole groups.
std::size_t ScalarBase64Groups(const WCHAR* text, std::size_t length, std::size_t at, unsigned char** out) noexcept;
// Where the units that the rules skip (outside the alphabet, not '=') end:
// the first unit at or after `at` that is a character or '=', or `length`.
std::size_t SkipOutsideAlphabet(const WCHAR* text, std::size_t length, std::size_t at) noexcept;

}  // namespace zelu::encoding::internal
