// The length kernels behind crt16::wcslen.
//
// wcslen tests units one by one up to the first 64-byte boundary, then
// hands the rest of the text to a kernel, which reads whole aligned 64-byte
// blocks: a block never crosses a page (nor a cache line), so a block that
// holds the terminator can be read in full even where the text's storage
// ends inside it; the units after the terminator are read but never used.
// The scalar kernel reads unit by unit; the vector kernels
// (length_simd.cpp, one per instruction set) compare a block at a time.
#pragma once

#include <cstddef>
#include <vector>

#include <zelu/platform/base/base_types.h>

namespace zelu::crt16::internal {

inline constexpr std::size_t kLengthBlockBytes = 64;

struct LengthKernel {
  const char* name;  // "scalar", or the instruction set
  // Units before the terminator of a text that starts on a 64-byte boundary.
  std::size_t (*length)(const WCHAR* aligned) noexcept;
};

const LengthKernel& ScalarLengthKernel() noexcept;
// Chosen once, thread-safely, on the first call.
const LengthKernel& ActiveLengthKernel() noexcept;
// The scalar kernel, then every vector kernel this CPU runs, best first.
std::vector<const LengthKernel*> SupportedLengthKernels();

}  // namespace zelu::crt16::internal
