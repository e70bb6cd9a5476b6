// Streaming (non-temporal) stores for large outputs.
//
// An output far larger than the caches is written with streaming stores:
// they go to memory without first reading each line into the cache, which
// nearly halves the memory traffic of a large write. Below the threshold,
// ordinary stores win, because the caller reads the output back from the
// cache. Streaming stores need aligned addresses, so a kernel first writes
// a few elements the ordinary way (StepsToAlignment says how many).
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelu::simd {

inline constexpr std::size_t kStreamingMinimumBytes = std::size_t{16} << 20;

// How many steps of `step` bytes take `address` to a multiple of
// `alignment` (step a power of two, no larger than alignment); kNoAlignment
// when no number of steps does, or `alignment` is not a power of two (a
// vector length that some processors have).
inline constexpr std::size_t kNoAlignment = static_cast<std::size_t>(-1);
inline std::size_t StepsToAlignment(const void* address, std::size_t step, std::size_t alignment) noexcept {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  if (at % step != 0 || (alignment & (alignment - 1)) != 0) return kNoAlignment;
  return (alignment - at % alignment) % alignment / step;
}

}  // namespace zelu::simd
