// What the fuzz targets share: fuzz bytes as zero-terminated 16-bit text
// (each pair of bytes is one code unit, low byte first; a trailing odd byte
// is a unit of its own; zero units inside end the text early, as they would
// for a caller), a reader of operation sequences, and the property check.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
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

// Reads an operation sequence out of fuzz bytes; past the end every read
// gives zeros, so a target never has to check how much is left.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool AtEnd() const { return position_ >= size_; }
  std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
  unsigned short Unit() {
    const unsigned low = Byte();
    return static_cast<unsigned short>(low | static_cast<unsigned>(Byte()) << 8);
  }
  std::uint32_t Word() {
    const std::uint32_t low = Unit();
    return low | static_cast<std::uint32_t>(Unit()) << 16;
  }
  // Up to `most` units (a length byte first), stopping before a zero unit.
  std::vector<unsigned short> Text(std::size_t most) {
    std::vector<unsigned short> units(Byte() % (most + 1));
    for (auto& unit : units) unit = Unit();
    units.erase(std::find(units.begin(), units.end(), 0), units.end());
    return units;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// A property the target checks: a broken one names its line on stderr and
// aborts, which the fuzzer (or the replay run) reports with the input that
// broke it. (GCC and Clang both fill in the caller's file and line.)
inline void Check(bool condition, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at %s:%d\n", file, line);
  std::abort();
}

}  // namespace zelu::fuzz
