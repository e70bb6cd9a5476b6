// The hex kernel: the loops behind CBase16 and CBytes, on plain buffers.
//
// A kernel encodes bytes into upper-case digit pairs and decodes digit pairs
// into bytes. The scalar kernel is the reference: every other kernel gives
// exactly its results, and tests, fuzz targets and benchmarks reach each one
// through this header. The public classes call ActiveHexKernel().
//
// The vector kernels (base16_simd.cpp) are compiled once per instruction set
// (SSSE3, SSE4, AVX2, AVX-512 on x86-64; NEON and SVE on AArch64); the
// active kernel is the best one that this CPU runs, chosen on first use.
#pragma once

#include <cstddef>
#include <vector>

#include <zelu/platform/base/base_types.h>

class CString;

namespace zelu::encoding::internal {

// How far a decoder got: the units it consumed (two per decoded byte) and
// the bytes it wrote.
struct HexDecodeProgress {
  std::size_t units_read;
  std::size_t bytes_written;
};

struct HexKernel {
  const char* name;  // "scalar", or the instruction set: "AVX2", "AVX3" (AVX-512), "NEON", ...
  // Writes the 2 * count upper-case digits of `data`, high digit first.
  void (*encode)(const unsigned char* data, std::size_t count, WCHAR* out) noexcept;
  // Decodes up to `pairs` digit pairs from `digits` (which holds at least
  // 2 * pairs units) into `out`, stopping before the first pair with a unit
  // that is not a hex digit. Writes only the bytes it reports.
  HexDecodeProgress (*decode)(const WCHAR* digits, std::size_t pairs, unsigned char* out) noexcept;
};

const HexKernel& ScalarHexKernel() noexcept;
// The kernel the library uses on this machine: chosen once, thread-safely,
// on the first call.
const HexKernel& ActiveHexKernel() noexcept;
// The scalar kernel, then every vector kernel that this CPU runs, best last.
std::vector<const HexKernel*> SupportedHexKernels();

// CBase16::Encode and CBase16::Decode (the ULONG form) with a given kernel:
// the public members pass ActiveHexKernel(); tests and benchmarks pass each
// kernel in turn.
bool EncodeHexWith(const HexKernel& kernel, const unsigned char* data, ULONG count, CString& out);
bool DecodeHexWith(const HexKernel& kernel, const WCHAR* text, unsigned char** bytes, ULONG& count);

}  // namespace zelu::encoding::internal
