// The hex kernel: the loops behind CBase16 and CBytes, on plain buffers.
//
// A kernel encodes bytes into upper-case digit pairs and decodes digit pairs
// into bytes. The scalar kernel is the reference: every other kernel gives
// exactly its results, and tests, fuzz targets and benchmarks reach each one
// through this header. The public classes call ActiveHexKernel().
#pragma once

#include <cstddef>

#include <zelu/platform/base/base_types.h>

namespace zelu::encoding::internal {

// How far a decoder got: the units it consumed (two per decoded byte) and
// the bytes it wrote.
struct HexDecodeProgress {
  std::size_t units_read;
  std::size_t bytes_written;
};

struct HexKernel {
  const char* name;
  // Writes the 2 * count upper-case digits of `data`, high digit first.
  void (*encode)(const unsigned char* data, std::size_t count, WCHAR* out) noexcept;
  // Decodes up to `pairs` digit pairs from `digits` (which holds at least
  // 2 * pairs units) into `out`, stopping before the first pair with a unit
  // that is not a hex digit.
  HexDecodeProgress (*decode)(const WCHAR* digits, std::size_t pairs, unsigned char* out) noexcept;
};

const HexKernel& ScalarHexKernel() noexcept;
// The kernel the library uses on this machine.
const HexKernel& ActiveHexKernel() noexcept;

}  // namespace zelu::encoding::internal
