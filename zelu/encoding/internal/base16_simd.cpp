// The vector hex kernels, written once with Highway and compiled for every
// instruction set it targets here (foreach_target re-includes this file once
// per set). Whole vectors are done here; the scalar kernel does the last
// bytes or pairs, and takes over at the first pair that is not two digits,
// so every result is the scalar kernel's.
#include <zelu/encoding/internal/base16_kernel.h>

#include <bit>
#include <cstdint>
#include <vector>

#include <zelu/platform/simd/kernel_table.h>
#include <zelu/platform/simd/streaming.h>

// AVX-512 with the Ice Lake additions (VBMI) is a target of its own.
#ifndef HWY_WANT_AVX3_DL
#define HWY_WANT_AVX3_DL
#endif
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "zelu/encoding/internal/base16_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/cache_control.h>
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace zelu::encoding::internal {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// The digit of each lane's value (0 to 15): '0' + v, plus 7 from 10 up
// ('A' - '0' - 10), the 7 being the top three bits of 9 - v.
template <class D>
hn::Vec<D> DigitsOf(D d, hn::Vec<D> nibbles) {
  const auto letter_step = hn::ShiftRight<13>(hn::Sub(hn::Set(d, 9), nibbles));
  return hn::Add(hn::Add(nibbles, hn::Set(d, '0')), letter_step);
}

// One byte per 32-bit lane; each lane becomes the two units of its digits,
// the high digit first in memory. Returns how many bytes it encoded.
template <bool kStream>
std::size_t EncodeHexVectors(const unsigned char* data, std::size_t count, WCHAR* out) noexcept {
  const hn::ScalableTag<std::uint32_t> d32;
  const hn::Repartition<std::uint16_t, decltype(d32)> d16;
  const hn::Rebind<std::uint8_t, decltype(d32)> d8;
  const std::size_t lanes = hn::Lanes(d32);
  std::size_t i = 0;
  for (; count - i >= lanes; i += lanes) {
    const auto bytes = hn::PromoteTo(d32, hn::LoadU(d8, data + i));
    const auto high = hn::ShiftRight<4>(bytes);
    const auto low = hn::And(bytes, hn::Set(d32, 15));
    const auto pair = kLittleEndian ? hn::Or(high, hn::ShiftLeft<16>(low)) : hn::Or(hn::ShiftLeft<16>(high), low);
    const auto digits = DigitsOf(d16, hn::BitCast(d16, pair));
    if constexpr (kStream) {
      hn::Stream(digits, d16, out + 2 * i);
    } else {
      hn::StoreU(digits, d16, out + 2 * i);
    }
  }
  return i;
}

// A large output is streamed from its first vector-aligned unit on.
void EncodeHex(const unsigned char* data, std::size_t count, WCHAR* out) noexcept {
  const hn::ScalableTag<std::uint16_t> d16;
  const std::size_t head = count * 2 * sizeof(WCHAR) >= zelu::simd::kStreamingMinimumBytes
                               ? zelu::simd::StepsToAlignment(out, 2 * sizeof(WCHAR), hn::Lanes(d16) * sizeof(WCHAR))
                               : zelu::simd::kNoAlignment;
  std::size_t done = 0;
  if (head == zelu::simd::kNoAlignment) {
    done = EncodeHexVectors<false>(data, count, out);
  } else {
    ScalarHexKernel().encode(data, head, out);
    done = head + EncodeHexVectors<true>(data + head, count - head, out + 2 * head);
    hwy::FlushStream();
  }
  ScalarHexKernel().encode(data + done, count - done, out + 2 * done);
}

// The value of each character that is a hex digit ('0'-'9', 'A'-'F',
// 'a'-'f'), and which characters are.
template <class D8>
hn::Vec<D8> DigitValues(D8 d8, hn::Vec<D8> characters, hn::Mask<D8>& valid) {
  const auto decimal = hn::Sub(characters, hn::Set(d8, '0'));
  const auto letter = hn::Sub(hn::Or(characters, hn::Set(d8, 0x20)), hn::Set(d8, 'a'));  // either case
  const auto is_decimal = hn::Lt(decimal, hn::Set(d8, 10));
  valid = hn::Or(is_decimal, hn::Lt(letter, hn::Set(d8, 6)));
  return hn::IfThenElse(is_decimal, decimal, hn::Add(letter, hn::Set(d8, 10)));
}

// A vector of characters (two vectors of units) at a time, stored only when
// every unit is a digit: none above 0xFF, every low byte a digit.
HexDecodeProgress DecodeHex(const WCHAR* digits, std::size_t pairs, unsigned char* out) noexcept {
  const hn::ScalableTag<std::uint8_t> d8;
  const hn::Repartition<std::uint16_t, decltype(d8)> d16;
  const hn::Rebind<std::uint8_t, decltype(d16)> d8_half;
  const std::size_t units = hn::Lanes(d8);
  std::size_t i = 0;
  for (; pairs - i >= units / 2; i += units / 2) {
    const auto first = hn::LoadU(d16, digits + 2 * i);
    const auto second = hn::LoadU(d16, digits + 2 * i + units / 2);
    if (!hn::AllFalse(d16, hn::Gt(hn::Or(first, second), hn::Set(d16, 0xFF)))) break;
    const auto characters = kLittleEndian ? hn::ConcatEven(d8, hn::BitCast(d8, second), hn::BitCast(d8, first))
                                          : hn::ConcatOdd(d8, hn::BitCast(d8, second), hn::BitCast(d8, first));
    hn::Mask<decltype(d8)> valid;
    const auto values = hn::BitCast(d16, DigitValues(d8, characters, valid));
    if (!hn::AllTrue(d8, valid)) break;
    // Each pair's byte in the low eight bits of its 16-bit lane.
    const auto bytes = kLittleEndian ? hn::Or(hn::ShiftLeft<4>(values), hn::ShiftRight<8>(values))
                                     : hn::Or(hn::ShiftRight<4>(values), values);
    hn::StoreU(hn::TruncateTo(d8_half, bytes), d8_half, out + i);
  }
  const HexDecodeProgress rest = ScalarHexKernel().decode(digits + 2 * i, pairs - i, out + i);
  return {2 * i + rest.units_read, i + rest.bytes_written};
}

#endif  // HWY_TARGET != HWY_SCALAR

// This instruction set's kernel, when this CPU runs it. Highway's one-lane
// fallback has none.
const HexKernel* TargetHexKernel(bool emulated_too) {
#if HWY_TARGET == HWY_SCALAR
  static_cast<void>(emulated_too);
  return nullptr;
#else
  static const HexKernel kernel{hwy::TargetName(HWY_TARGET), EncodeHex, DecodeHex};
  return zelu::simd::IfRunnable(kernel, HWY_TARGET, HWY_SUPPORTED_TARGETS, HWY_EMU128, emulated_too);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelu::encoding::internal
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelu::encoding::internal {

HWY_EXPORT(TargetHexKernel);

const HexKernel& ActiveHexKernel() noexcept {
  static const HexKernel& chosen =
      zelu::simd::BestKernelInTable(HWY_DISPATCH_TABLE(TargetHexKernel), ScalarHexKernel());
  return chosen;
}

std::vector<const HexKernel*> SupportedHexKernels() {
  return zelu::simd::AllKernelsInTable(HWY_DISPATCH_TABLE(TargetHexKernel), ScalarHexKernel());
}

}  // namespace zelu::encoding::internal
#endif  // HWY_ONCE
