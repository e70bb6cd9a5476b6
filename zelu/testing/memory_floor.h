// Benchmark helper: the fastest this machine reads and writes memory, the
// floor under any codec's time.
//
// FillAtFullSpeed writes `bytes` bytes the faster of two ways measured
// here: ordinary stores (memset) while the output still fits the caches,
// streaming stores (which skip reading each line first) from
// zelu::simd::kStreamingMinimumBytes on, where memset falls to half their
// rate. ReadAtFullSpeed reads every byte once (memchr for a byte that the
// data does not hold).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <zelu/platform/simd/streaming.h>

namespace zelu::testing {

// Streaming stores are SSE2's here (every x86-64 has them); elsewhere the
// fill is memset's.
inline void FillAtFullSpeed(void* out, std::size_t bytes, unsigned char value) {
  auto* at = static_cast<unsigned char*>(out);
#if defined(__SSE2__)
  const std::size_t head = zelu::simd::StepsToAlignment(at, 1, 16);
  if (bytes >= zelu::simd::kStreamingMinimumBytes && head != zelu::simd::kNoAlignment) {
    std::memset(at, value, head);
    const __m128i filled = _mm_set1_epi8(static_cast<char>(value));
    std::size_t i = head;
    for (; bytes - i >= 16; i += 16) _mm_stream_si128(reinterpret_cast<__m128i*>(at + i), filled);
    _mm_sfence();
    std::memset(at + i, value, bytes - i);
    return;
  }
#endif
  std::memset(at, value, bytes);
}

// Returns where `absent` was found, which callers keep from the optimiser.
inline const void* ReadAtFullSpeed(const void* data, std::size_t bytes, unsigned char absent) {
  return std::memchr(data, absent, bytes);
}

}  // namespace zelu::testing
