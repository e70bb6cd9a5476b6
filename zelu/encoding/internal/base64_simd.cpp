// The vector Base64 kernels, written once with Highway and compiled for every
// instruction set it targets here (foreach_target re-includes this file once
// per set).
//
// Encoding takes 12 bytes into each 128-bit block and makes its 16
// characters. Decoding runs under the scalar kernel's rules
// (DecodeBase64Rules): wherever a group starts, a vector of units whose low
// bytes are all alphabet characters is decoded at once; at the first unit
// that is not (white space, '=', anything else), the groups before it are
// kept; units to skip between two groups are skipped on the spot, and any
// other exception goes to the rules unit by unit, after which vector work
// resumes at the next group boundary. Every result is the scalar kernel's.
#include <zelu/encoding/internal/base64_kernel.h>

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
#define HWY_TARGET_INCLUDE "zelu/encoding/internal/base64_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/cache_control.h>
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace zelu::encoding::internal {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
using Table = std::uint8_t[16];

// A 16-byte table, repeated in every 128-bit block.
template <class D8>
hn::Vec<D8> BlockTable(D8 d8, const Table& table) {
  return hn::LoadDup128(d8, table);
}

// ---- Encoding

// Each group of three bytes b0 b1 b2 rearranged so that its 32-bit lane
// holds b1 | b0 << 8 | b2 << 16 | b1 << 24 on either byte order.
alignas(16) constexpr Table kGroupLittle = {1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10};
alignas(16) constexpr Table kGroupBig = {1, 2, 0, 1, 4, 5, 3, 4, 7, 8, 6, 7, 10, 11, 9, 10};
// Reverses the bytes of each 32-bit lane.
alignas(16) constexpr Table kReversedLanes = {3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12};
// What to add to a six-bit value for its character, by class: 26-51 (index
// 0), 52-61 (1-10), '+' (11), '/' (12), 0-25 (13).
alignas(16) constexpr Table kCharOffsets = {71, 252, 252, 252, 252, 252, 252, 252, 252, 252, 252, 237, 240, 65, 0, 0};

// The input's 32-bit lanes for each block: 3b, 3b + 1, 3b + 2 and a spare,
// so that each 128-bit block holds 12 input bytes.
template <class D32>
auto SpreadIndices(D32 d32) {
  const auto lane = hn::Iota(d32, 0);
  const auto block_start = hn::Mul(hn::ShiftRight<2>(lane), hn::Set(d32, 3));
  return hn::IndicesFromVec(d32, hn::Add(block_start, hn::Min(hn::And(lane, hn::Set(d32, 3)), hn::Set(d32, 2))));
}

// 12 input bytes into each 128-bit block (a vector of one block has them).
template <class D8, class SpreadIndices32>
hn::Vec<D8> SpreadBlocks(D8 d8, hn::Vec<D8> input, SpreadIndices32 spread) {
  const hn::Repartition<std::uint32_t, D8> d32;
  if constexpr (hn::MaxLanes(d32) == 4) return input;
  return hn::BitCast(d8, hn::TableLookupLanes(hn::BitCast(d32, input), spread));
}

// The six-bit values of each group, in the lane layout of kGroup*: two
// 16-bit multiplies move the four fields into the four bytes.
template <class D32>
hn::Vec<D32> SixBitValues(D32 d32, hn::Vec<D32> groups) {
  const hn::Repartition<std::uint16_t, D32> d16;
  const auto first_third = hn::BitCast(d16, hn::And(groups, hn::Set(d32, 0x0FC0FC00u)));
  const auto second_fourth = hn::BitCast(d16, hn::And(groups, hn::Set(d32, 0x003F03F0u)));
  const auto shifted_down = hn::MulHigh(first_third, hn::BitCast(d16, hn::Set(d32, 0x04000040u)));
  const auto shifted_up = hn::Mul(second_fourth, hn::BitCast(d16, hn::Set(d32, 0x01000010u)));
  return hn::BitCast(d32, hn::Or(shifted_down, shifted_up));
}

// The four six-bit values of each lane (the first in its low byte), first
// value first in memory.
template <class D8>
hn::Vec<D8> InMemoryOrder(D8 d8, hn::Vec<D8> lanes_of_values) {
  if constexpr (kLittleEndian) return lanes_of_values;
  return hn::TableLookupBytes(lanes_of_values, BlockTable(d8, kReversedLanes));
}

template <class D8>
hn::Vec<D8> CharactersOf(D8 d8, hn::Vec<D8> values) {
  const auto classes = hn::IfThenElse(hn::Lt(values, hn::Set(d8, 26)), hn::Set(d8, 13),
                                      hn::SaturatedSub(values, hn::Set(d8, 51)));
  return hn::Add(values, hn::TableLookupBytes(BlockTable(d8, kCharOffsets), classes));
}

// Reads a whole vector of bytes at a time and encodes its first three
// quarters. Returns how many bytes it encoded.
template <bool kStream>
std::size_t EncodeBase64Vectors(const unsigned char* data, std::size_t count, WCHAR* out) noexcept {
  const hn::ScalableTag<std::uint8_t> d8;
  const hn::Half<decltype(d8)> d8_half;
  const hn::Repartition<std::uint16_t, decltype(d8)> d16;
  const hn::Repartition<std::uint32_t, decltype(d8)> d32;
  const std::size_t lanes = hn::Lanes(d8);
  if (count < lanes) return 0;
  const auto spread = SpreadIndices(d32);
  const auto group_order = BlockTable(d8, kLittleEndian ? kGroupLittle : kGroupBig);
  std::size_t i = 0;
  for (; count - i >= lanes; i += lanes / 4 * 3, out += lanes) {
    const auto blocks = SpreadBlocks(d8, hn::LoadU(d8, data + i), spread);
    const auto groups = hn::BitCast(d32, hn::TableLookupBytes(blocks, group_order));
    const auto characters = CharactersOf(d8, InMemoryOrder(d8, hn::BitCast(d8, SixBitValues(d32, groups))));
    const auto first = hn::PromoteTo(d16, hn::LowerHalf(d8_half, characters));
    const auto second = hn::PromoteTo(d16, hn::UpperHalf(d8_half, characters));
    if constexpr (kStream) {
      hn::Stream(first, d16, out);
      hn::Stream(second, d16, out + lanes / 2);
    } else {
      hn::StoreU(first, d16, out);
      hn::StoreU(second, d16, out + lanes / 2);
    }
  }
  return i;
}

// A large output is streamed from its first vector-aligned group on.
void EncodeBase64(const unsigned char* data, std::size_t count, WCHAR* out) noexcept {
  const hn::ScalableTag<std::uint8_t> d8;
  const std::size_t head_groups = Base64EncodedLength(count) * sizeof(WCHAR) >= zelu::simd::kStreamingMinimumBytes
                                      ? zelu::simd::StepsToAlignment(out, 4 * sizeof(WCHAR), hn::Lanes(d8))
                                      : zelu::simd::kNoAlignment;
  std::size_t done = 0;
  if (head_groups == zelu::simd::kNoAlignment) {
    done = EncodeBase64Vectors<false>(data, count, out);
  } else {
    ScalarBase64Kernel().encode(data, 3 * head_groups, out);
    done = 3 * head_groups + EncodeBase64Vectors<true>(data + 3 * head_groups, count - 3 * head_groups,
                                                       out + 4 * head_groups);
    hwy::FlushStream();
  }
  ScalarBase64Kernel().encode(data + done, count - done, out + done / 3 * 4);
}

// ---- Decoding

// Alphabet test by the two nibbles of a character: the pair's flags share a
// bit exactly when the character is outside the alphabet.
alignas(16) constexpr Table kLowNibbleFlags = {0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                               0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A};
alignas(16) constexpr Table kHighNibbleFlags = {0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08,
                                                0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10};
// What to add to an alphabet character for its value, by its high nibble
// ('/' takes index 1): '+' 19, '/' 16, digits 4, 'A'-'Z' -65, 'a'-'z' -71.
alignas(16) constexpr Table kValueOffsets = {0, 16, 19, 4, 191, 191, 185, 185, 0, 0, 0, 0, 0, 0, 0, 0};
// The three bytes of each 32-bit lane's 24 bits, high byte first, packed
// into the first 12 bytes of each block.
alignas(16) constexpr Table kBytesLittle = {2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 0, 0, 0, 0};
alignas(16) constexpr Table kBytesBig = {1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15, 0, 0, 0, 0};

// The low bytes of the next Lanes(d8) units, in order.
template <class D8>
hn::Vec<D8> LowBytesOf(D8 d8, const WCHAR* units) {
  const hn::Repartition<std::uint16_t, D8> d16;
  const auto first = hn::BitCast(d8, hn::LoadU(d16, units));
  const auto second = hn::BitCast(d8, hn::LoadU(d16, units + hn::Lanes(d16)));
  return kLittleEndian ? hn::ConcatEven(d8, second, first) : hn::ConcatOdd(d8, second, first);
}

// Output lanes (32-bit) j take lane j + j / 3: three lanes of each block.
template <class D32>
auto PackIndices(D32 d32) {
  const auto lane = hn::Iota(d32, 0);
  const auto third = hn::ShiftRight<17>(hn::Mul(lane, hn::Set(d32, 0xAAABu)));  // exact below 2^16
  const auto last = hn::Set(d32, static_cast<std::uint32_t>(hn::Lanes(d32) - 1));
  return hn::IndicesFromVec(d32, hn::Min(hn::Add(lane, third), last));
}

// Six-bit values, four per group, to the group's three bytes: the bytes of
// the vector's first three quarters (the rest is scratch).
template <class D8, class PackIndices32>
hn::Vec<D8> PackGroups(D8 d8, hn::Vec<D8> values, PackIndices32 pack) {
  const hn::Repartition<std::uint16_t, D8> d16;
  const hn::Repartition<std::uint32_t, D8> d32;
  const auto pairs = hn::BitCast(d16, values);
  const auto low_bytes = hn::And(pairs, hn::Set(d16, 0xFF));
  const auto high_bytes = hn::ShiftRight<8>(pairs);
  const auto twelve = kLittleEndian ? hn::Or(hn::ShiftLeft<6>(low_bytes), high_bytes)
                                    : hn::Or(hn::ShiftLeft<6>(high_bytes), low_bytes);
  const auto quads = hn::BitCast(d32, twelve);
  const auto low_halves = hn::And(quads, hn::Set(d32, 0xFFFF));
  const auto high_halves = hn::ShiftRight<16>(quads);
  const auto bits = kLittleEndian ? hn::Or(hn::ShiftLeft<12>(low_halves), high_halves)
                                  : hn::Or(hn::ShiftLeft<12>(high_halves), low_halves);
  const auto byte_order = BlockTable(d8, kLittleEndian ? kBytesLittle : kBytesBig);
  const auto packed = hn::TableLookupBytes(hn::BitCast(d8, bits), byte_order);
  if constexpr (hn::MaxLanes(d32) == 4) return packed;  // one block: already in place
  return hn::BitCast(d8, hn::TableLookupLanes(hn::BitCast(d32, packed), pack));
}

// The vector run of whole groups (a Base64GroupRun). A vector with a unit
// outside the alphabet keeps the groups before that unit; the scalar run
// takes what is left at the end.
std::size_t DecodeGroups(const WCHAR* text, std::size_t length, std::size_t at, unsigned char** out) noexcept {
  const hn::ScalableTag<std::uint8_t> d8;
  const hn::Repartition<std::uint32_t, decltype(d8)> d32;
  const std::size_t lanes = hn::Lanes(d8);
  if (length - at >= lanes) {
    const auto high_flags = BlockTable(d8, kHighNibbleFlags);
    const auto low_flags = BlockTable(d8, kLowNibbleFlags);
    const auto offsets = BlockTable(d8, kValueOffsets);
    const auto pack = PackIndices(d32);
    unsigned char* bytes = *out;
    // Each vector writes Lanes(d8) bytes from bytes <= out + at * 3 / 4, so
    // never past out + length.
    while (length - at >= lanes) {
      const auto characters = LowBytesOf(d8, text + at);
      const auto high_nibbles = hn::ShiftRight<4>(characters);
      const auto flags = hn::And(hn::TableLookupBytes(high_flags, high_nibbles),
                                 hn::TableLookupBytes(low_flags, hn::And(characters, hn::Set(d8, 0x0F))));
      const auto slash = hn::VecFromMask(d8, hn::Eq(characters, hn::Set(d8, '/')));
      const auto values = hn::Add(characters, hn::TableLookupBytes(offsets, hn::Add(high_nibbles, slash)));
      hn::StoreU(PackGroups(d8, values, pack), d8, bytes);
      const std::intptr_t outside = hn::FindFirstTrue(d8, hn::Ne(flags, hn::Zero(d8)));
      if (outside < 0) {
        at += lanes;
        bytes += lanes / 4 * 3;
        continue;
      }
      const auto groups = static_cast<std::size_t>(outside) / 4;
      at += 4 * groups;
      bytes += 3 * groups;
      // Between groups, units that the rules skip change nothing (line
      // breaks, mostly): skip them here. Inside a group, or at '=', the
      // rules take over.
      const std::size_t next = outside % 4 == 0 ? SkipOutsideAlphabet(text, length, at) : at;
      if (next == at) break;
      at = next;
    }
    *out = bytes;
  }
  return ScalarBase64Groups(text, length, at, out);
}

Base64DecodeProgress DecodeBase64(const WCHAR* text, std::size_t length, unsigned char* out) noexcept {
  return DecodeBase64Rules(text, length, out, DecodeGroups);
}

#endif  // HWY_TARGET != HWY_SCALAR

// This instruction set's kernel, when this CPU runs it. Highway's one-lane
// fallback has none.
const Base64Kernel* TargetBase64Kernel(bool emulated_too) {
#if HWY_TARGET == HWY_SCALAR
  static_cast<void>(emulated_too);
  return nullptr;
#else
  static const Base64Kernel kernel{hwy::TargetName(HWY_TARGET), EncodeBase64, DecodeBase64};
  return zelu::simd::IfRunnable(kernel, HWY_TARGET, HWY_SUPPORTED_TARGETS, HWY_EMU128, emulated_too);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelu::encoding::internal
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelu::encoding::internal {

HWY_EXPORT(TargetBase64Kernel);

const Base64Kernel& ActiveBase64Kernel() noexcept {
  static const Base64Kernel& chosen =
      zelu::simd::BestKernelInTable(HWY_DISPATCH_TABLE(TargetBase64Kernel), ScalarBase64Kernel());
  return chosen;
}

std::vector<const Base64Kernel*> SupportedBase64Kernels() {
  return zelu::simd::AllKernelsInTable(HWY_DISPATCH_TABLE(TargetBase64Kernel), ScalarBase64Kernel());
}

}  // namespace zelu::encoding::internal
#endif  // HWY_ONCE
