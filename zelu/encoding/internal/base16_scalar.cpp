// The scalar hex kernel: one table lookup per byte each way.
#include <zelu/encoding/internal/base16_kernel.h>

#include <array>
#include <cstring>

#include <zelu/platform/crt16/crt16.h>

namespace zelu::encoding::internal {
namespace {

// The two upper-case digits of every byte, high digit first.
constexpr std::array<std::array<WCHAR, 2>, 256> kUpperHexPairs = [] {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::array<std::array<WCHAR, 2>, 256> pairs{};
  for (std::size_t byte = 0; byte < 256; ++byte) {
    pairs[byte] = {static_cast<WCHAR>(kDigits[byte >> 4]), static_cast<WCHAR>(kDigits[byte & 15])};
  }
  return pairs;
}();
static_assert(sizeof(kUpperHexPairs[0]) == 2 * sizeof(WCHAR), "a pair is two adjacent units");

void EncodeHexScalar(const unsigned char* data, std::size_t count, WCHAR* out) noexcept {
  for (std::size_t i = 0; i < count; ++i) std::memcpy(out + 2 * i, kUpperHexPairs[data[i]].data(), 2 * sizeof(WCHAR));
}

HexDecodeProgress DecodeHexScalar(const WCHAR* digits, std::size_t pairs, unsigned char* out) noexcept {
  for (std::size_t i = 0; i < pairs; ++i) {
    const unsigned high = zelu::crt16::HexDigitValue(digits[2 * i]);
    const unsigned low = zelu::crt16::HexDigitValue(digits[2 * i + 1]);
    // kNotHexDigit sets bits above the low four.
    if ((high | low) > 15) return {2 * i, i};
    out[i] = static_cast<unsigned char>(high << 4 | low);
  }
  return {2 * pairs, pairs};
}

constexpr HexKernel kScalarHexKernel{"scalar", EncodeHexScalar, DecodeHexScalar};

}  // namespace

const HexKernel& ScalarHexKernel() noexcept { return kScalarHexKernel; }

}  // namespace zelu::encoding::internal
