// The vector UTF-8 kernels: one source that the vector library compiles
// once for each instruction set (this file includes itself once per
// target), and the list of the kernels that this CPU runs.
//
// Each kernel takes the text a block at a time while the block is of a kind
// it handles, and hands any other character to the scalar rules
// (utf8_scalar.h), then goes on with blocks after it:
//   * UTF-16 to UTF-8, a vector of units at a time: all ASCII is narrowed
//     and stored. Otherwise each unit's one to three bytes are laid out in
//     a 16-bit lane (all below U+0800) or a 32-bit lane, and the bytes that
//     the unit does not use are squeezed out. A surrogate (paired or not)
//     ends the block and goes to the scalar rules.
//   * UTF-8 to UTF-16, 64 bytes at a time: all ASCII is widened and stored.
//     A window with a few non-ASCII bytes has its ASCII prefix widened and
//     its first other character decoded by the scalar rules. A denser one
//     is scanned: bit masks of the 64 bytes (continuation bytes, two- and
//     three-byte leads, leads that start no such form) show how far the
//     text is well-formed one-, two- and three-byte characters; those are
//     decoded in 16-bit lanes and the lanes that start a character kept.
//     The character at the first fault (malformed, a four-byte form) and
//     the rest of its window go to the scalar rules.
//   * The lengths are counted the same ways without writing.
// Byte order is decided in one place (TwoBytes, ThreeBytes); otherwise
// bytes and units only move as lanes.
//
// Stores may write up to a vector past what they keep; a block is only
// taken while the input left after it will overwrite that and the room left
// holds it, so nothing is written past what a kernel reports.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "zelu/platform/win32/internal/utf8_vector.cpp"
// SSE4, AVX2, AVX-512 (with and without the byte instructions) on x86-64,
// NEON on Arm. The scalable-vector targets would need the block logic
// written for vectors of unknown length; SSSE3 adds nothing beside SSE4.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)
#endif
#ifndef HWY_WANT_AVX3_DL
#define HWY_WANT_AVX3_DL
#endif
#include <hwy/foreach_target.h>  // NOLINT: must come before highway.h
#include <hwy/highway.h>

#include <array>
#include <bit>
#include <cstdint>
#include <iterator>
#include <span>

#include <zelu/platform/win32/internal/utf8_kernel.h>
#include <zelu/platform/win32/internal/utf8_scalar.h>

// The tables that squeeze lanes out, shared by every target (this part of
// the file is compiled once).
#ifndef ZELU_UTF8_VECTOR_TABLES
#define ZELU_UTF8_VECTOR_TABLES
namespace zelu::win32::internal {
namespace {

// For each set of eight lanes (bit j: lane j is kept), the byte indices
// that gather the kept lanes to the front, in order: lanes of one byte,
// and lanes of two bytes (both bytes move together, in either byte order).
template <std::size_t kLaneBytes>
constexpr auto GatherTable() {
  std::array<std::array<std::uint8_t, 8 * kLaneBytes>, 256> table{};
  for (std::size_t kept = 0; kept < table.size(); ++kept) {
    std::size_t to = 0;
    for (std::size_t lane = 0; lane < 8; ++lane) {
      if ((kept >> lane & 1) == 0) continue;
      for (std::size_t byte = 0; byte < kLaneBytes; ++byte) {
        table[kept][to++] = static_cast<std::uint8_t>(lane * kLaneBytes + byte);
      }
    }
  }
  return table;
}
alignas(16) constexpr auto kGatherBytes = GatherTable<1>();
alignas(16) constexpr auto kGatherUnits = GatherTable<2>();

// For four units laid out as [lead, middle, last, 0] (sixteen bytes), with
// bit j set when unit j keeps its middle byte and bit 4 + j when it keeps
// its last: the indices that gather the kept bytes to the front, in order.
alignas(16) constexpr auto kGatherTriples = [] {
  std::array<std::array<std::uint8_t, 16>, 256> table{};
  for (std::size_t kept = 0; kept < table.size(); ++kept) {
    std::size_t to = 0;
    for (std::size_t unit = 0; unit < 4; ++unit) {
      table[kept][to++] = static_cast<std::uint8_t>(4 * unit);
      if ((kept >> unit & 1) != 0) table[kept][to++] = static_cast<std::uint8_t>(4 * unit + 1);
      if ((kept >> (4 + unit) & 1) != 0) table[kept][to++] = static_cast<std::uint8_t>(4 * unit + 2);
    }
  }
  return table;
}();

}  // namespace
}  // namespace zelu::win32::internal
#endif  // ZELU_UTF8_VECTOR_TABLES

HWY_BEFORE_NAMESPACE();
namespace zelu::win32::internal {
namespace HWY_NAMESPACE {
#if HWY_TARGET != HWY_SCALAR
namespace {

namespace hn = hwy::HWY_NAMESPACE;

using D16 = hn::ScalableTag<std::uint16_t>;  // a whole vector of units
using D8 = hn::ScalableTag<std::uint8_t>;    // a whole vector of bytes
using D32 = hn::Repartition<std::uint32_t, D16>;

constexpr std::size_t kWindowBytes = 64;  // the UTF-8 block: one bit of a 64-bit mask a byte

// Byte order is decided here only: lanes are filled so that their bytes lie
// in memory in the order given, then read as bytes.
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// 16-bit lanes whose two bytes in memory are `first`, `second` (each a
// value below 0x100).
HWY_INLINE hn::Vec<D16> TwoBytes(hn::Vec<D16> first, hn::Vec<D16> second) {
  return kLittleEndian ? hn::Or(first, hn::ShiftLeft<8>(second)) : hn::Or(hn::ShiftLeft<8>(first), second);
}

// 32-bit lanes whose bytes in memory are `first`, `second`, `third`, 0.
HWY_INLINE hn::Vec<D32> ThreeBytes(hn::Vec<D32> first, hn::Vec<D32> second, hn::Vec<D32> third) {
  if constexpr (kLittleEndian) return hn::Or(hn::Or(first, hn::ShiftLeft<8>(second)), hn::ShiftLeft<16>(third));
  return hn::Or(hn::Or(hn::ShiftLeft<24>(first), hn::ShiftLeft<16>(second)), hn::ShiftLeft<8>(third));
}

// Mask bits as stored by StoreMaskBits (lane k in bit k % 8 of byte k / 8)
// as one number, lane k in bit k.
HWY_INLINE std::uint64_t Bits64(const std::uint8_t* bytes) {
  std::uint64_t bits = 0;
  for (int k = 0; k < 8; ++k) bits |= std::uint64_t{bytes[k]} << (8 * k);
  return bits;
}

// The mask of bits 0 to count - 1 (count <= 64).
HWY_INLINE std::uint64_t LowBits(std::size_t count) { return count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1; }

HWY_INLINE std::size_t PopCount(std::uint64_t bits) { return static_cast<std::size_t>(__builtin_popcountll(bits)); }

// Squeezing lanes out: the AVX-512 targets have an instruction for it
// (for bytes only with the byte instructions); elsewhere one table lookup
// per eight lanes. (The vector library's own fallback builds its table on
// the stack at every call.)
constexpr bool kNativeByteCompress = HWY_TARGET == HWY_AVX3_DL;
constexpr bool kNativeUnitCompress = HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX3;

// Stores the lanes of `v` whose bit is set in `kept` (lane j in bit j % 8 of
// byte j / 8), in order; returns how many. May write up to the vector's
// size past them.
template <class D>
HWY_INLINE std::size_t CompressStore8(D d, hn::Vec<D> v, const std::uint8_t* kept, hn::TFromD<D>* out) {
  using T = hn::TFromD<D>;
  const hn::CappedTag<T, 8> eight;
  const hn::Repartition<std::uint8_t, decltype(eight)> bytes;
  alignas(64) T lanes[hn::MaxLanes(d)];
  hn::Store(v, d, lanes);
  std::size_t written = 0;
  for (std::size_t k = 0; k < hn::Lanes(d); k += 8) {
    const unsigned bits = kept[k / 8];
    const std::uint8_t* gather = sizeof(T) == 1 ? kGatherBytes[bits].data() : kGatherUnits[bits].data();
    const auto gathered = hn::TableLookupBytes(hn::BitCast(bytes, hn::LoadU(eight, lanes + k)), hn::Load(bytes, gather));
    hn::StoreU(hn::BitCast(eight, gathered), eight, out + written);
    written += static_cast<std::size_t>(__builtin_popcount(bits));
  }
  return written;
}

// Stores the bytes of `lanes` whose byte in `keep` is 0xFF, in order;
// returns how many. May write up to the vector's size past them.
template <class D>
HWY_INLINE std::size_t StoreKept(D /* d */, hn::Vec<D> lanes, hn::Vec<D> keep, unsigned char* out) {
  const hn::Repartition<std::uint8_t, D> d8;
  const auto mask = hn::MaskFromVec(hn::BitCast(d8, keep));
  if constexpr (kNativeByteCompress) return hn::CompressStore(hn::BitCast(d8, lanes), mask, d8, out);
  std::uint8_t kept[hn::MaxLanes(d8) / 8];
  hn::StoreMaskBits(d8, mask, kept);
  return CompressStore8(d8, hn::BitCast(d8, lanes), kept, out);
}

// ---- UTF-16 to UTF-8

// The UTF-8 bytes of units below 0x800: [lead, last] a unit, an ASCII unit
// keeping only its lead (itself). Units outside `valid` keep nothing.
HWY_INLINE std::size_t EncodeTwoByteForms(hn::Vec<D16> units, hn::Mask<D16> valid, unsigned char* out) {
  const D16 d;
  const auto ascii = hn::And(units, hn::Set(d, 0xFF80)) == hn::Zero(d);
  const auto lead = hn::IfThenElse(ascii, units, hn::Or(hn::ShiftRight<6>(units), hn::Set(d, 0xC0)));
  const auto last = hn::Or(hn::And(units, hn::Set(d, 0x3F)), hn::Set(d, 0x80));
  const auto all = hn::Set(d, 0xFF);
  const auto keep = hn::IfThenElseZero(valid, TwoBytes(all, hn::IfThenZeroElse(ascii, all)));
  return StoreKept(d, TwoBytes(lead, last), keep, out);
}

// The UTF-8 bytes of the first `end` units, none a surrogate, in 32-bit
// lanes as [lead, middle, last, 0]: ASCII keeps its lead, a two-byte form
// its lead and last, a three-byte form all three.
HWY_INLINE std::size_t EncodeThreeByteForms(hn::Vec<D32> units, std::size_t end, unsigned char* out) {
  const D32 d;
  const auto ascii = hn::And(units, hn::Set(d, 0xFF80)) == hn::Zero(d);
  const auto two = hn::And(units, hn::Set(d, 0xF800)) == hn::Zero(d);
  const auto lead = hn::IfThenElse(ascii, units,
                                   hn::IfThenElse(two, hn::Or(hn::ShiftRight<6>(units), hn::Set(d, 0xC0)),
                                                  hn::Or(hn::ShiftRight<12>(units), hn::Set(d, 0xE0))));
  const auto middle = hn::Or(hn::And(hn::ShiftRight<6>(units), hn::Set(d, 0x3F)), hn::Set(d, 0x80));
  const auto last = hn::Or(hn::And(units, hn::Set(d, 0x3F)), hn::Set(d, 0x80));
  const auto packed = ThreeBytes(lead, middle, last);
  if constexpr (kNativeByteCompress) {
    const auto all = hn::Set(d, 0xFF);
    const auto keep = ThreeBytes(all, hn::IfThenZeroElse(two, all), hn::IfThenZeroElse(ascii, all));
    return StoreKept(d, packed, hn::IfThenElseZero(hn::FirstN(d, end), keep), out);
  }
  // Four units (sixteen bytes) a table lookup.
  const hn::Repartition<std::uint8_t, D32> d8;
  const hn::Full128<std::uint8_t> group;
  alignas(64) std::uint8_t bytes[hn::MaxLanes(d8)];
  hn::Store(hn::BitCast(d8, packed), d8, bytes);
  std::uint8_t middle_bits[8] = {}, last_bits[8] = {};
  hn::StoreMaskBits(d, hn::Not(two), middle_bits);
  hn::StoreMaskBits(d, hn::Not(ascii), last_bits);
  const std::uint64_t middles = Bits64(middle_bits);
  const std::uint64_t lasts = Bits64(last_bits);
  std::size_t written = 0;
  for (std::size_t unit = 0; unit < end; unit += 4) {
    const std::uint64_t kept = (middles >> unit & 0xF) | (lasts >> unit & 0xF) << 4;
    const auto gathered = hn::TableLookupBytes(hn::LoadU(group, bytes + 4 * unit), hn::Load(group, kGatherTriples[static_cast<std::size_t>(kept)].data()));
    hn::StoreU(gathered, group, out + written);
    // The units of this group before `end`, and the middle and last bytes
    // they keep: one count.
    const std::uint64_t here = LowBits(end - unit < 4 ? end - unit : 4);
    written += PopCount(here | (kept & (here | here << 4)) << 4);
  }
  return written;
}

// Encodes the units of `block` that lie before lane `end`, none of them a
// surrogate; returns the bytes written.
HWY_INLINE std::size_t EncodeBlock(hn::Vec<D16> block, std::size_t end, unsigned char* out) {
  const D16 d;
  if (hn::AllTrue(d, hn::And(block, hn::Set(d, 0xF800)) == hn::Zero(d))) {
    return EncodeTwoByteForms(block, hn::FirstN(d, end), out);
  }
  const D32 d32;
  const hn::Half<D16> half;
  const std::size_t low_end = end < hn::Lanes(d32) ? end : hn::Lanes(d32);
  const std::size_t written = EncodeThreeByteForms(hn::PromoteTo(d32, hn::LowerHalf(half, block)), low_end, out);
  return written + EncodeThreeByteForms(hn::PromoteTo(d32, hn::UpperHalf(half, block)), end - low_end, out + written);
}

std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, unsigned char* out,
                        std::size_t capacity) noexcept {
  const D16 d;
  const std::size_t lanes = hn::Lanes(d);
  // A compressing store may write a vector's bytes (two a unit) past what
  // it keeps: a block is taken only while the input after it gives that
  // many bytes (one a unit at least) and the room holds them, beside the
  // block's own (three bytes a unit, and one more unit when a pair ends it).
  const std::size_t overhang = 2 * lanes;
  const std::size_t input_needed = lanes + 1 + overhang;
  const std::size_t room_needed = 3 * lanes + 1 + overhang;
  std::size_t i = 0;
  std::size_t written = 0;
  while (count - i >= input_needed && capacity - written >= room_needed) {
    const auto block = hn::LoadU(d, units + i);
    if (hn::AllTrue(d, hn::And(block, hn::Set(d, 0xFF80)) == hn::Zero(d))) {
      hn::StoreU(hn::DemoteTo(hn::Rebind<std::uint8_t, D16>(), hn::BitCast(hn::RebindToSigned<D16>(), block)),
                 hn::Rebind<std::uint8_t, D16>(), out + written);
      i += lanes;
      written += lanes;
      continue;
    }
    const auto surrogate = hn::And(block, hn::Set(d, 0xF800)) == hn::Set(d, 0xD800);
    const std::intptr_t first = hn::FindFirstTrue(d, surrogate);
    const std::size_t end = first < 0 ? lanes : static_cast<std::size_t>(first);
    written += EncodeBlock(block, end, out + written);
    i += end;
    if (first >= 0) EncodeOne(units, i, count, out, written);  // the surrogate, with its partner if paired
  }
  return EncodeUtf8From(units, i, count, out, written, capacity);
}

std::size_t Utf8Length(const WCHAR* units, std::size_t count) noexcept {
  if (count == 0) return 0;
  const D16 d;
  const std::size_t lanes = hn::Lanes(d);
  // 16-bit sums of at most 3 a lane a round cannot wrap in this many rounds.
  constexpr std::size_t kRounds = 16384;
  std::size_t bytes = Utf8LengthFrom(units, 0, 1);
  std::size_t i = 1;
  const auto surrogate_bits = hn::Set(d, 0xFC00);
  while (count - i >= lanes) {
    auto sums = hn::Zero(d);
    for (std::size_t round = 0; round < kRounds && count - i >= lanes; ++round, i += lanes) {
      const auto unit = hn::LoadU(d, units + i);
      const auto before = hn::LoadU(d, units + i - 1);
      const auto pair_end = hn::And(hn::And(unit, surrogate_bits) == hn::Set(d, 0xDC00),
                                    hn::And(before, surrogate_bits) == hn::Set(d, 0xD800));
      // A true mask is all ones: subtracting it adds one.
      sums = hn::Add(sums, hn::Set(d, 1));
      sums = hn::Sub(sums, hn::VecFromMask(d, unit > hn::Set(d, 0x7F)));
      sums = hn::Sub(sums, hn::VecFromMask(d, unit > hn::Set(d, 0x7FF)));
      const auto minus_one = hn::VecFromMask(d, pair_end);
      sums = hn::Add(sums, hn::Add(minus_one, minus_one));
    }
    const hn::Repartition<std::uint32_t, D16> d32;
    const auto wide = hn::Add(hn::PromoteTo(d32, hn::LowerHalf(sums)), hn::PromoteTo(d32, hn::UpperHalf(hn::Half<D16>(), sums)));
    bytes += hn::GetLane(hn::SumOfLanes(d32, wide));
  }
  return bytes + Utf8LengthFrom(units, i, count);
}

// ---- UTF-8 to UTF-16

// What the bit masks of a 64-byte window say.
struct WindowScan {
  std::uint64_t starts;  // the bytes that start the characters to decode, all below `cut`
  std::size_t cut;       // where the decoded characters end: the start of the next one
  bool exception;        // the character at `cut` is for the scalar rules
};

// The bytes of the window at `in` that are not ASCII, byte k in bit k.
HWY_INLINE std::uint64_t NonAscii(const unsigned char* in) {
  const D8 d;
  std::uint8_t bits[8];
  for (std::size_t k = 0; k < kWindowBytes; k += hn::Lanes(d)) {
    hn::StoreMaskBits(d, hn::LoadU(d, in + k) > hn::Set(d, 0x7F), bits + k / 8);
  }
  return Bits64(bits);
}

HWY_INLINE WindowScan ScanWindow(const unsigned char* in) {
  const D8 d;
  const std::size_t lanes = hn::Lanes(d);
  std::uint8_t cont[8], lead[8], three[8], bad[8];
  for (std::size_t k = 0; k < kWindowBytes; k += lanes) {
    const auto bytes = hn::LoadU(d, in + k);
    const auto next = hn::LoadU(d, in + k + 1);
    const std::size_t at = k / 8;
    hn::StoreMaskBits(d, hn::And(bytes, hn::Set(d, 0xC0)) == hn::Set(d, 0x80), cont + at);
    // C2..EF: the leads of two- and three-byte forms.
    hn::StoreMaskBits(d, hn::Sub(bytes, hn::Set(d, 0xC2)) < hn::Set(d, 0x2E), lead + at);
    hn::StoreMaskBits(d, hn::And(bytes, hn::Set(d, 0xF0)) == hn::Set(d, 0xE0), three + at);
    // Leads that start no form decoded here: C0, C1 and F0..FF, E0 before
    // 80..9F (overlong), ED before A0..BF (a surrogate).
    const auto never = hn::Or(bytes > hn::Set(d, 0xEF), hn::And(bytes, hn::Set(d, 0xFE)) == hn::Set(d, 0xC0));
    const auto overlong = hn::And(bytes == hn::Set(d, 0xE0), next < hn::Set(d, 0xA0));
    const auto surrogate = hn::And(bytes == hn::Set(d, 0xED), next > hn::Set(d, 0x9F));
    hn::StoreMaskBits(d, hn::Or(never, hn::Or(overlong, surrogate)), bad + at);
  }
  const std::uint64_t continuation = Bits64(cont);
  const std::uint64_t expected = Bits64(lead) << 1 | Bits64(three) << 2;
  const std::uint64_t faults = (expected ^ continuation) | Bits64(bad);
  // No fault before the first one: every character that starts before the
  // last start below it is well-formed and ends before that start (a
  // character cut off by the end of the window never is).
  const std::size_t first_fault = faults == 0 ? kWindowBytes : static_cast<std::size_t>(__builtin_ctzll(faults));
  const std::uint64_t starts_below = ~continuation & LowBits(first_fault);
  const std::size_t cut = starts_below == 0 ? 0 : static_cast<std::size_t>(63 - __builtin_clzll(starts_below));
  return {starts_below & LowBits(cut), cut, first_fault < kWindowBytes};
}

// Writes the ASCII bytes at `in` as units: `count` of them, and up to a
// vector's units more.
HWY_INLINE void WidenAscii(const unsigned char* in, std::size_t count, WCHAR* out) {
  const D16 d;
  const hn::Rebind<std::uint8_t, D16> d8;
  for (std::size_t k = 0; k < count; k += hn::Lanes(d)) hn::StoreU(hn::PromoteTo(d, hn::LoadU(d8, in + k)), d, out + k);
}

// Decodes the well-formed one-, two- and three-byte characters that start
// at the set bits of `starts` (all below `cut`); returns the units written.
HWY_INLINE std::size_t DecodeStarts(const unsigned char* in, std::uint64_t starts, std::size_t cut, WCHAR* out) {
  const D16 d;
  const hn::Rebind<std::uint8_t, D16> d8;
  std::uint8_t bits[8];
  for (int k = 0; k < 8; ++k) bits[k] = static_cast<std::uint8_t>(starts >> (8 * k));
  const auto low_six = hn::Set(d, 0x3F);
  std::size_t written = 0;
  for (std::size_t k = 0; k < cut; k += hn::Lanes(d)) {
    // Every lane decoded as if it started a character; only starts are kept.
    const auto first = hn::PromoteTo(d, hn::LoadU(d8, in + k));
    const auto second = hn::And(hn::PromoteTo(d, hn::LoadU(d8, in + k + 1)), low_six);
    const auto third = hn::And(hn::PromoteTo(d, hn::LoadU(d8, in + k + 2)), low_six);
    const auto two = hn::Or(hn::ShiftLeft<6>(hn::And(first, hn::Set(d, 0x1F))), second);
    // The lead's top four bits leave the 16-bit lane.
    const auto three = hn::Or(hn::Or(hn::ShiftLeft<12>(first), hn::ShiftLeft<6>(second)), third);
    const auto units = hn::IfThenElse(first < hn::Set(d, 0x80), first,
                                      hn::IfThenElse(first < hn::Set(d, 0xE0), two, three));
    if constexpr (kNativeUnitCompress) {
      written += hn::CompressBitsStore(units, bits + k / 8, d, out + written);
    } else {
      written += CompressStore8(d, units, bits + k / 8, out + written);
    }
  }
  return written;
}

// A window with at most this many non-ASCII bytes is taken as its ASCII
// prefix, widened, and one character by the scalar rules; a denser one is
// scanned.
constexpr std::size_t kSparse = 4;

// After an exception the rest of its window goes to the scalar rules too,
// so text full of them costs one scan per window, not one per character.
// Returns the input position after the window's last character.
template <bool kWrite>
std::size_t FinishWindow(const unsigned char* in, std::size_t window_end, std::size_t i, std::size_t count,
                         WCHAR* out, std::size_t& written, std::size_t capacity) {
  while (i < window_end) DecodeOne<kWrite>(in, i, count, out, written, capacity);
  return i;
}

// Decodes (kWrite) or counts from in[0]: window by window while at least
// `input_needed` bytes are left and `room_needed` units of room, then by
// the scalar loops.
template <bool kWrite>
std::size_t DecodeWindows(const unsigned char* in, std::size_t count, WCHAR* out, std::size_t capacity,
                          std::size_t input_needed, std::size_t room_needed) {
  std::size_t i = 0;
  std::size_t written = 0;
  while (count - i >= input_needed && (!kWrite || capacity - written >= room_needed)) {
    const std::uint64_t non_ascii = NonAscii(in + i);
    if (PopCount(non_ascii) <= kSparse) {
      const std::size_t prefix = non_ascii == 0 ? kWindowBytes : static_cast<std::size_t>(__builtin_ctzll(non_ascii));
      if constexpr (kWrite) WidenAscii(in + i, prefix, out + written);
      i += prefix;
      written += prefix;
      if (non_ascii != 0) DecodeOne<kWrite>(in, i, count, out, written, capacity);
      continue;
    }
    const WindowScan scan = ScanWindow(in + i);
    if constexpr (kWrite) {
      written += DecodeStarts(in + i, scan.starts, scan.cut, out + written);
    } else {
      written += PopCount(scan.starts);
    }
    i = scan.exception ? FinishWindow<kWrite>(in, i + kWindowBytes, i + scan.cut, count, out, written, capacity)
                       : i + scan.cut;
  }
  return DecodeUtf8From<kWrite>(in, i, count, out, written, capacity);
}

std::size_t Utf8ToUtf16(const unsigned char* in, std::size_t count, WCHAR* out, std::size_t capacity) noexcept {
  // A window reads two bytes past itself, and its last character may run
  // three bytes past it; the bytes left after that (three at most a unit)
  // must give the units that a vector store may write past what it keeps.
  // One unit a byte at most, two for the last character.
  return DecodeWindows<true>(in, count, out, capacity, kWindowBytes + 3 + 3 * hn::Lanes(D16()), kWindowBytes + 8);
}

std::size_t Utf16Length(const unsigned char* in, std::size_t count) noexcept {
  return DecodeWindows<false>(in, count, nullptr, 0, kWindowBytes + 3, 0);
}

// ---- Text in block storage

std::size_t BlockTextLength(const WCHAR* text) noexcept {
  // No wider than a block, so aligned vectors never leave it.
  const hn::CappedTag<std::uint16_t, kTextBlockBytes / sizeof(WCHAR)> d;
  const std::size_t lanes = hn::Lanes(d);
  constexpr std::size_t kBlockUnits = kTextBlockBytes / sizeof(WCHAR);
  const auto zero = hn::Zero(d);
  for (std::size_t block = 0;; block += kBlockUnits) {
    auto least = hn::Load(d, text + block);
    for (std::size_t k = lanes; k < kBlockUnits; k += lanes) least = hn::Min(least, hn::Load(d, text + block + k));
    if (hn::AllFalse(d, least == zero)) continue;
    for (std::size_t k = 0;; k += lanes) {
      const std::intptr_t found = hn::FindFirstTrue(d, hn::Load(d, text + block + k) == zero);
      if (found >= 0) return block + k + static_cast<std::size_t>(found);
    }
  }
}

}  // namespace

const Utf8Kernel& VectorUtf8Kernel() {
  static const Utf8Kernel kernel{hwy::TargetName(HWY_TARGET), HWY_TARGET, Utf8ToUtf16, Utf16Length,
                                 Utf16ToUtf8,                  Utf8Length, BlockTextLength};
  return kernel;
}

#endif  // HWY_TARGET != HWY_SCALAR
}  // namespace HWY_NAMESPACE
}  // namespace zelu::win32::internal
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelu::win32::internal {
namespace {

using KernelFunction = const Utf8Kernel& (*)();

// Every vector kernel compiled in, the best first; null where a target was
// not compiled. The emulated target, when there is one, comes last.
// (Architectures without vector targets in the library have no list.)
constexpr KernelFunction kCompiled[] = {
#ifdef HWY_CHOOSE_TARGET_LIST
    HWY_CHOOSE_TARGET_LIST(VectorUtf8Kernel),
#endif
#if HWY_TARGETS & HWY_EMU128
    &N_EMU128::VectorUtf8Kernel,
#endif
    nullptr,
};

struct KernelList {
  const Utf8Kernel* kernels[std::size(kCompiled) + 1];
  std::size_t size;
};

// Whether this CPU runs a compiled kernel. Only an architecture with
// vector targets asks the vector library (so elsewhere nothing of it is
// linked); the emulated target runs anywhere.
bool Runs(const Utf8Kernel& kernel) {
  if (kernel.target == HWY_EMU128) return true;
#ifdef HWY_CHOOSE_TARGET_LIST
  return (kernel.target & hwy::SupportedTargets()) != 0;
#else
  return false;
#endif
}

KernelList FindSupported() {
  KernelList list{{}, 0};
  for (const KernelFunction kernel : kCompiled) {
    if (kernel != nullptr && Runs(kernel())) list.kernels[list.size++] = &kernel();
  }
  list.kernels[list.size++] = &ScalarUtf8Kernel();
  return list;
}

}  // namespace

std::span<const Utf8Kernel* const> SupportedUtf8Kernels() noexcept {
  static const KernelList list = FindSupported();
  return {list.kernels, list.size};
}

const Utf8Kernel& ActiveUtf8Kernel() noexcept {
  static const Utf8Kernel& active = []() -> const Utf8Kernel& {
    for (const Utf8Kernel* kernel : SupportedUtf8Kernels()) {
      if (kernel->target != HWY_EMU128) return *kernel;
    }
    return ScalarUtf8Kernel();
  }();
  return active;
}

}  // namespace zelu::win32::internal
#endif  // HWY_ONCE
