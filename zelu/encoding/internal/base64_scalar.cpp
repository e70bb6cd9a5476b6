// The scalar Base64 kernel: a table of character pairs for encoding, whole
// groups of alphabet characters decoded two at a time, and a unit-by-unit
// path for everything else.
#include <zelu/encoding/internal/base64_kernel.h>

#include <array>
#include <cstdint>
#include <cstring>

#include <zelu/encoding/internal/byte_order.h>

namespace zelu::encoding::internal {
namespace {

// Every pair of characters for a 12-bit value, so that a group of three bytes
// becomes two lookups.
using UnitPair = std::array<WCHAR, 2>;
constexpr std::array<UnitPair, 4096> kPairs = [] {
  std::array<UnitPair, 4096> pairs{};
  for (std::size_t v = 0; v < pairs.size(); ++v) {
    pairs[v] = {static_cast<WCHAR>(kBase64Alphabet[v >> 6]), static_cast<WCHAR>(kBase64Alphabet[v & 63])};
  }
  return pairs;
}();
static_assert(sizeof(UnitPair) == 2 * sizeof(WCHAR));

// The class of a code unit's low byte: its six-bit value, or one of these.
constexpr unsigned char kSkip = 0x40;
constexpr unsigned char kPad = 0x80;
constexpr std::array<unsigned char, 256> kClasses = [] {
  std::array<unsigned char, 256> classes{};
  classes.fill(kSkip);
  for (std::size_t v = 0; v < kBase64Alphabet.size(); ++v) {
    classes[static_cast<unsigned char>(kBase64Alphabet[v])] = static_cast<unsigned char>(v);
  }
  classes[kBase64Pad] = kPad;
  return classes;
}();

inline unsigned ClassOf(WCHAR unit) noexcept { return kClasses[unit & 0xFFu]; }

// The same classes with each value already shifted to its place in a group's
// 24 bits (table k for the k-th character); any other class sets bits above
// the 24, so one test over a whole group finds it.
constexpr std::uint32_t kNotAValue = 0xFF000000u;
using ShiftedTable = std::array<std::uint32_t, 256>;
constexpr std::array<ShiftedTable, 4> kShifted = [] {
  std::array<ShiftedTable, 4> tables{};
  for (std::size_t k = 0; k < 4; ++k) {
    for (std::size_t low = 0; low < 256; ++low) {
      const unsigned value = kClasses[low];
      tables[k][low] = value < 64 ? std::uint32_t{value} << (18 - 6 * k) : kNotAValue;
    }
  }
  return tables;
}();

inline std::uint32_t GroupBits(const WCHAR* units) noexcept {
  return kShifted[0][units[0] & 0xFFu] | kShifted[1][units[1] & 0xFFu] | kShifted[2][units[2] & 0xFFu] |
         kShifted[3][units[3] & 0xFFu];
}

inline void PutPair(WCHAR* out, std::uint32_t twelve_bits) noexcept {
  std::memcpy(out, kPairs[twelve_bits].data(), sizeof(UnitPair));
}

inline unsigned char* PutGroup(unsigned char* out, std::uint32_t bits) noexcept {
  out[0] = static_cast<unsigned char>(bits >> 16);
  out[1] = static_cast<unsigned char>(bits >> 8);
  out[2] = static_cast<unsigned char>(bits);
  return out + 3;
}

void EncodeBase64Scalar(const unsigned char* data, std::size_t count, WCHAR* out) noexcept {
  std::size_t i = 0;
  // Two groups (six bytes, eight characters) per round.
  for (; count - i >= 6; i += 6, out += 8) {
    const std::uint64_t bits = (std::uint64_t{data[i]} << 40) | (std::uint64_t{data[i + 1]} << 32) |
                               (std::uint64_t{data[i + 2]} << 24) | (std::uint64_t{data[i + 3]} << 16) |
                               (std::uint64_t{data[i + 4]} << 8) | data[i + 5];
    PutPair(out, static_cast<std::uint32_t>(bits >> 36));
    PutPair(out + 2, static_cast<std::uint32_t>(bits >> 24) & 0xFFFu);
    PutPair(out + 4, static_cast<std::uint32_t>(bits >> 12) & 0xFFFu);
    PutPair(out + 6, static_cast<std::uint32_t>(bits) & 0xFFFu);
  }
  if (count - i >= 3) {
    const std::uint32_t bits = (std::uint32_t{data[i]} << 16) | (std::uint32_t{data[i + 1]} << 8) | data[i + 2];
    PutPair(out, bits >> 12);
    PutPair(out + 2, bits & 0xFFFu);
    i += 3;
    out += 4;
  }
  const std::size_t remaining = count - i;
  if (remaining == 0) return;
  // The missing bytes count as 0; their characters are '='.
  const std::uint32_t bits = (std::uint32_t{data[i]} << 16) | (remaining == 2 ? std::uint32_t{data[i + 1]} << 8 : 0);
  PutPair(out, bits >> 12);
  out[2] = remaining == 2 ? static_cast<WCHAR>(kBase64Alphabet[(bits >> 6) & 63]) : kBase64Pad;
  out[3] = kBase64Pad;
}

Base64DecodeProgress DecodeBase64Scalar(const WCHAR* text, std::size_t length, unsigned char* out) noexcept {
  return DecodeBase64Rules(text, length, out, ScalarBase64Groups);
}

constexpr Base64Kernel kScalarBase64Kernel{"scalar", EncodeBase64Scalar, DecodeBase64Scalar};

}  // namespace

const Base64Kernel& ScalarBase64Kernel() noexcept { return kScalarBase64Kernel; }

std::size_t ScalarBase64Groups(const WCHAR* text, std::size_t length, std::size_t at, unsigned char** out) noexcept {
  unsigned char* bytes = *out;
  // Two groups at a time write eight bytes, of which the last two are
  // scratch that the next group overwrites: 8 units always leave room for
  // them.
  while (length - at >= 8) {
    const std::uint32_t first = GroupBits(text + at);
    const std::uint32_t second = GroupBits(text + at + 4);
    if (((first | second) & kNotAValue) != 0) break;
    StoreHighByteFirst64(bytes, ((std::uint64_t{first} << 24) | second) << 16);
    bytes += 6;
    at += 8;
  }
  while (length - at >= 4) {
    const std::uint32_t bits = GroupBits(text + at);
    if ((bits & kNotAValue) != 0) break;
    bytes = PutGroup(bytes, bits);
    at += 4;
  }
  *out = bytes;
  return at;
}

std::size_t SkipOutsideAlphabet(const WCHAR* text, std::size_t length, std::size_t at) noexcept {
  while (at < length && ClassOf(text[at]) == kSkip) ++at;
  return at;
}

Base64DecodeProgress DecodeBase64Rules(const WCHAR* text, std::size_t length, unsigned char* out,
                                       Base64GroupRun whole_groups) noexcept {
  unsigned char* const start = out;
  std::uint32_t slots[4] = {0, 0, 0, 0};
  unsigned held = 0;
  std::size_t i = 0;
  while (i < length) {
    if (held == 0) {
      i = whole_groups(text, length, i, &out);  // the common case
      if (i == length) break;
    }
    const unsigned value = ClassOf(text[i++]);
    if (value == kSkip) continue;
    if (value == kPad) {
      // Close the group and stop. With one value held, its six bits make the
      // high bits of one byte and the low two bits are 0.
      if (held >= 1) *out++ = static_cast<unsigned char>((slots[0] << 2) | (held >= 2 ? slots[1] >> 4 : 0));
      if (held == 3) *out++ = static_cast<unsigned char>(((slots[1] & 15) << 4) | (slots[2] >> 2));
      return {i, static_cast<std::size_t>(out - start)};
    }
    slots[held++] = value;
    if (held == 4) {
      out = PutGroup(out, (slots[0] << 18) | (slots[1] << 12) | (slots[2] << 6) | slots[3]);
      held = 0;
    }
  }
  return {length, static_cast<std::size_t>(out - start)};  // an incomplete last group gives nothing
}

}  // namespace zelu::encoding::internal
