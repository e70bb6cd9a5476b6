// Turns fuzz bytes into zero-terminated 16-bit text: each pair of bytes is
// one code unit, low byte first; a trailing odd byte is a unit of its own.
// Zero units inside the input end the text early, as they would for a caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zelu::fuzz {

inline constexpr std::size_t kMaxInputBytes = 1 << 16;

inline std::vector<unsigned short> TextFromBytes(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned short> units;
  units.reserve(size / 2 + 2);
  for (std::size_t i = 0; i < size; i += 2) {
    const unsigned high = i + 1 < size ? data[i + 1] : 0u;
    units.push_back(static_cast<unsigned short>(data[i] | high << 8));
  }
  units.push_back(0);
  return units;
}

// A property the target checks: a broken one aborts, which the fuzzer (or
// the replay run) reports with the input that broke it.
inline void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace zelu::fuzz
