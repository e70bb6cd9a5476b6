// The vector UTF-8 kernels: one source that the vector library compiles
// once for each instruction set (this file includes itself once per
// target), and the list of the kernels that this CPU runs.
//
// Each kernel takes the text a block at a time while the block is of a kind
// it handles, and hands any other character to the scalar rules
// (utf8_scalar.h), then goes on with blocks after it:
//   * UTF-16 to UTF-8: a vector of ASCII units is narrowed and stored;
//     otherwise the vector is taken eight units at a time, each unit's one
//     to three bytes laid out and the unused ones squeezed out. A surrogate
//     (paired or not) goes to the scalar rules.
//   * UTF-8 to UTF-16: 64 bytes at a time. All ASCII is widened and stored.
//     Otherwise bit masks of the 64 bytes (continuation bytes, two- and
//     three-byte leads, E0 and ED leads and their second bytes) show how far
//     the text is well-formed one-, two- and three-byte characters; those
//     are decoded in 16-bit lanes and the lanes that start a character are
//     kept. The first character that is anything else (malformed, a
//     four-byte form) goes to the scalar rules.
//   * The lengths are counted the same ways without writing.
// Nothing depends on the byte order: bytes and units are only moved as
// lanes, never reinterpreted across a lane boundary.
//
// Stores may write a few lanes past what they keep; a block is only taken
// while the input left after it will overwrite them and the room left holds
// them, so nothing is written past what a kernel reports.

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

#include <cstdint>
#include <iterator>
#include <span>

#include <zelu/platform/win32/internal/utf8_kernel.h>
#include <zelu/platform/win32/internal/utf8_scalar.h>

HWY_BEFORE_NAMESPACE();
namespace zelu::win32::internal {
namespace HWY_NAMESPACE {
#if HWY_TARGET != HWY_SCALAR
namespace {

namespace hn = hwy::HWY_NAMESPACE;

using D16 = hn::ScalableTag<std::uint16_t>;  // a whole vector of units
using D8 = hn::ScalableTag<std::uint8_t>;    // a whole vector of bytes
using P16 = hn::Full128<std::uint16_t>;      // eight units
using P8 = hn::Full128<std::uint8_t>;        // sixteen bytes
using P32 = hn::Full128<std::uint32_t>;

constexpr std::size_t kPieceUnits = 8;
constexpr std::size_t kWindowBytes = 64;  // the UTF-8 block: one bit of a 64-bit mask a byte
// The most bytes (or units) a compressing store writes past the lanes it
// keeps, and then some.
constexpr std::size_t kStoreOverhang = 16;

// Bit j of `bits` (j < 8) moved to bit 2j, and to bit 4j.
constexpr std::uint32_t SpreadTo2(std::uint32_t bits) {
  bits = (bits | bits << 4) & 0x0F0F;
  bits = (bits | bits << 2) & 0x3333;
  return (bits | bits << 1) & 0x5555;
}
constexpr std::uint32_t SpreadTo4(std::uint32_t bits) {
  bits = (bits | bits << 12) & 0x000F000F;
  bits = (bits | bits << 6) & 0x03030303;
  return (bits | bits << 3) & 0x11111111;
}
static_assert(SpreadTo2(0xFF) == 0x5555 && SpreadTo2(0x81) == 0x4001);
static_assert(SpreadTo4(0xFF) == 0x11111111 && SpreadTo4(0x82) == 0x10000010);

// Units (values below 0x100) as bytes, lane for lane.
template <class D>
hn::Vec<hn::Rebind<std::uint8_t, D>> Narrow(D d, hn::Vec<D> units) {
  return hn::DemoteTo(hn::Rebind<std::uint8_t, D>(), hn::BitCast(hn::RebindToSigned<D>(), units));
}

// Sixteen units (values below 0x100) in two pieces as sixteen bytes.
hn::Vec<P8> NarrowPieces(hn::Vec<P16> low, hn::Vec<P16> high) {
  const P16 d;
  return hn::Combine(P8(), Narrow(d, high), Narrow(d, low));
}

// The mask of a piece of eight lanes as eight bits, lane j in bit j.
template <class M>
std::uint32_t PieceBits(M mask) {
  std::uint8_t bits[8] = {};
  hn::StoreMaskBits(P16(), mask, bits);
  return bits[0];
}

// Stores the bytes whose bit is set in `keep` (lane j in bit j), in order;
// returns how many.
std::size_t StoreKept(hn::Vec<P8> bytes, std::uint32_t keep, unsigned char* out) {
  const std::uint8_t bits[8] = {static_cast<std::uint8_t>(keep), static_cast<std::uint8_t>(keep >> 8)};
  return hn::CompressBitsStore(bytes, bits, P8(), out);
}

// ---- UTF-16 to UTF-8

// Encodes the eight units at `in`, none of them a surrogate; returns the
// bytes written.
std::size_t EncodePiece(const WCHAR* in, unsigned char* out) {
  const P16 d;
  const auto units = hn::LoadU(d, in);
  const auto ascii = units < hn::Set(d, 0x80);
  if (hn::AllTrue(d, ascii)) {
    hn::StoreU(Narrow(d, units), hn::Rebind<std::uint8_t, P16>(), out);
    return kPieceUnits;
  }
  const auto two_or_less = units < hn::Set(d, 0x800);
  const auto low_six = hn::Set(d, 0x3F);
  const auto continuation = hn::Set(d, 0x80);
  const auto last = hn::Or(hn::And(units, low_six), continuation);
  const auto lead_of_two = hn::Or(hn::ShiftRight<6>(units), hn::Set(d, 0xC0));
  const std::uint32_t multi = PieceBits(hn::Not(ascii));
  if (hn::AllTrue(d, two_or_less)) {
    // Each unit as [lead, last]; an ASCII unit keeps only its lead (itself).
    const auto lead = hn::IfThenElse(ascii, units, lead_of_two);
    const auto bytes = NarrowPieces(hn::InterleaveLower(d, lead, last), hn::InterleaveUpper(d, lead, last));
    return StoreKept(bytes, 0x5555 | SpreadTo2(multi) << 1, out);
  }
  // Each unit as [lead, middle, last, 0]: an ASCII unit keeps its lead, a
  // two-byte one its lead and last, a three-byte one all three. Pairs of
  // units move as 32-bit lanes, which keeps the order in either byte order.
  const auto lead_of_three = hn::Or(hn::ShiftRight<12>(units), hn::Set(d, 0xE0));
  const auto lead = hn::IfThenElse(ascii, units, hn::IfThenElse(two_or_less, lead_of_two, lead_of_three));
  const auto middle = hn::Or(hn::And(hn::ShiftRight<6>(units), low_six), continuation);
  const auto zero = hn::Zero(d);
  const P32 d32;
  const auto lead_middle_0 = hn::BitCast(d32, hn::InterleaveLower(d, lead, middle));
  const auto lead_middle_1 = hn::BitCast(d32, hn::InterleaveUpper(d, lead, middle));
  const auto last_zero_0 = hn::BitCast(d32, hn::InterleaveLower(d, last, zero));
  const auto last_zero_1 = hn::BitCast(d32, hn::InterleaveUpper(d, last, zero));
  const auto first_half = NarrowPieces(hn::BitCast(d, hn::InterleaveLower(d32, lead_middle_0, last_zero_0)),
                                       hn::BitCast(d, hn::InterleaveUpper(d32, lead_middle_0, last_zero_0)));
  const auto second_half = NarrowPieces(hn::BitCast(d, hn::InterleaveLower(d32, lead_middle_1, last_zero_1)),
                                        hn::BitCast(d, hn::InterleaveUpper(d32, lead_middle_1, last_zero_1)));
  const std::uint32_t three = PieceBits(hn::Not(two_or_less));
  const std::uint32_t keep = 0x11111111 | SpreadTo4(three) << 1 | SpreadTo4(multi) << 2;
  const std::size_t written = StoreKept(first_half, keep & 0xFFFF, out);
  return written + StoreKept(second_half, keep >> 16, out + written);
}

std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, unsigned char* out,
                        std::size_t capacity) noexcept {
  const D16 d;
  const std::size_t lanes = hn::Lanes(d);
  // A block may take one unit more than a vector (a pair at its end) and
  // three bytes a unit; every unit left after it gives at least one byte.
  const std::size_t room_needed = 3 * lanes + kStoreOverhang;
  std::size_t i = 0;
  std::size_t written = 0;
  while (count - i >= lanes + kStoreOverhang && capacity - written >= room_needed) {
    const auto block = hn::LoadU(d, units + i);
    if (hn::AllTrue(d, block < hn::Set(d, 0x80))) {
      hn::StoreU(Narrow(d, block), hn::Rebind<std::uint8_t, D16>(), out + written);
      i += lanes;
      written += lanes;
      continue;
    }
    const auto surrogate = hn::And(block, hn::Set(d, 0xF800)) == hn::Set(d, 0xD800);
    const std::intptr_t first = hn::FindFirstTrue(d, surrogate);
    const std::size_t stop = first < 0 ? i + lanes : i + static_cast<std::size_t>(first);
    for (; stop - i >= kPieceUnits; i += kPieceUnits) written += EncodePiece(units + i, out + written);
    while (i < stop) EncodeOne(units, i, count, out, written);
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
  bool ascii;           // all 64 bytes are ASCII
  std::uint64_t starts;  // the bytes that start the characters to decode, all below `cut`
  std::size_t cut;       // where the decoded characters end: the start of the next one
  bool exception;       // the character at `cut` is for the scalar rules
};

std::uint64_t Bits64(const std::uint8_t* bytes) {
  std::uint64_t bits = 0;
  for (int k = 0; k < 8; ++k) bits |= std::uint64_t{bytes[k]} << (8 * k);
  return bits;
}

// The mask of bits 0 to count - 1 (count <= 64).
std::uint64_t LowBits(std::size_t count) { return count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1; }

WindowScan ScanWindow(const unsigned char* in) {
  const D8 d;
  const std::size_t lanes = hn::Lanes(d);
  auto any = hn::Zero(d);
  for (std::size_t k = 0; k < kWindowBytes; k += lanes) any = hn::Or(any, hn::LoadU(d, in + k));
  if (hn::AllTrue(d, any < hn::Set(d, 0x80))) return {true, 0, kWindowBytes, false};

  std::uint8_t cont[8], lead[8], three[8], bad[8], e0[8], ed[8], low[8];
  for (std::size_t k = 0; k < kWindowBytes; k += lanes) {
    const auto bytes = hn::LoadU(d, in + k);
    const std::size_t at = k / 8;
    hn::StoreMaskBits(d, hn::And(bytes, hn::Set(d, 0xC0)) == hn::Set(d, 0x80), cont + at);
    // C2..EF: the leads of two- and three-byte forms.
    hn::StoreMaskBits(d, hn::Sub(bytes, hn::Set(d, 0xC2)) < hn::Set(d, 0x2E), lead + at);
    hn::StoreMaskBits(d, hn::And(bytes, hn::Set(d, 0xF0)) == hn::Set(d, 0xE0), three + at);
    // C0, C1 and F0..FF: never in a form that the vector decodes.
    hn::StoreMaskBits(d, hn::Or(bytes > hn::Set(d, 0xEF), hn::And(bytes, hn::Set(d, 0xFE)) == hn::Set(d, 0xC0)),
                      bad + at);
    hn::StoreMaskBits(d, bytes == hn::Set(d, 0xE0), e0 + at);
    hn::StoreMaskBits(d, bytes == hn::Set(d, 0xED), ed + at);
    // 80..9F: a second byte too low after E0, the only ones allowed after ED.
    hn::StoreMaskBits(d, hn::Sub(bytes, hn::Set(d, 0x80)) < hn::Set(d, 0x20), low + at);
  }
  const std::uint64_t continuation = Bits64(cont);
  const std::uint64_t expected = Bits64(lead) << 1 | Bits64(three) << 2;
  const std::uint64_t low_second = Bits64(low);
  const std::uint64_t faults = (expected ^ continuation) | Bits64(bad) | (Bits64(e0) << 1 & low_second) |
                               (Bits64(ed) << 1 & continuation & ~low_second);
  // No fault before the first one: every character that starts before the
  // last start below it is well-formed and ends before that start (a
  // character cut off by the end of the window never is).
  const std::size_t first_fault = faults == 0 ? kWindowBytes : static_cast<std::size_t>(__builtin_ctzll(faults));
  const std::uint64_t starts_below = ~continuation & LowBits(first_fault);
  const std::size_t cut = starts_below == 0 ? 0 : static_cast<std::size_t>(63 - __builtin_clzll(starts_below));
  return {false, starts_below & LowBits(cut), cut, first_fault < kWindowBytes};
}

// Writes the 64 ASCII bytes at `in` as units.
void WidenAscii(const unsigned char* in, WCHAR* out) {
  const D16 d;
  const hn::Rebind<std::uint8_t, D16> d8;
  for (std::size_t k = 0; k < kWindowBytes; k += hn::Lanes(d)) hn::StoreU(hn::PromoteTo(d, hn::LoadU(d8, in + k)), d, out + k);
}

// Decodes the well-formed one-, two- and three-byte characters that start
// at the set bits of `starts` (all below `cut`); returns the units written.
std::size_t DecodeStarts(const unsigned char* in, std::uint64_t starts, std::size_t cut, WCHAR* out) {
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
    written += hn::CompressBitsStore(units, bits + k / 8, d, out + written);
  }
  return written;
}

std::size_t PopCount(std::uint64_t bits) { return static_cast<std::size_t>(__builtin_popcountll(bits)); }

// After an exception the rest of its window goes to the scalar rules too,
// so text full of them costs one scan per window, not one per character.
// Returns the input position after the window's last character.
template <bool kWrite>
std::size_t FinishWindow(const unsigned char* in, std::size_t window_end, std::size_t i, std::size_t count,
                         WCHAR* out, std::size_t& written, std::size_t capacity) {
  while (i < window_end) DecodeOne<kWrite>(in, i, count, out, written, capacity);
  return i;
}

std::size_t Utf8ToUtf16(const unsigned char* in, std::size_t count, WCHAR* out, std::size_t capacity) noexcept {
  // A window reads two bytes past itself, and its last character may run
  // three bytes past it; the bytes left after that (three at most a unit)
  // must give the units that a compressing store may write past what it
  // keeps. One unit a byte at most, two for the last character.
  const std::size_t input_needed = kWindowBytes + 3 + 3 * hn::Lanes(D16());
  const std::size_t room_needed = kWindowBytes + 8;
  std::size_t i = 0;
  std::size_t written = 0;
  while (count - i >= input_needed && capacity - written >= room_needed) {
    const WindowScan scan = ScanWindow(in + i);
    if (scan.ascii) {
      WidenAscii(in + i, out + written);
      i += kWindowBytes;
      written += kWindowBytes;
      continue;
    }
    written += DecodeStarts(in + i, scan.starts, scan.cut, out + written);
    if (!scan.exception) {
      i += scan.cut;
      continue;
    }
    i = FinishWindow<true>(in, i + kWindowBytes, i + scan.cut, count, out, written, capacity);
  }
  return DecodeUtf8From<true>(in, i, count, out, written, capacity);
}

std::size_t Utf16Length(const unsigned char* in, std::size_t count) noexcept {
  std::size_t i = 0;
  std::size_t units = 0;
  while (count - i >= kWindowBytes + 3) {
    const WindowScan scan = ScanWindow(in + i);
    if (scan.ascii) {
      i += kWindowBytes;
      units += kWindowBytes;
      continue;
    }
    units += PopCount(scan.starts);
    if (!scan.exception) {
      i += scan.cut;
      continue;
    }
    i = FinishWindow<false>(in, i + kWindowBytes, i + scan.cut, count, nullptr, units, 0);
  }
  return DecodeUtf8From<false>(in, i, count, nullptr, units, 0);
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
constexpr KernelFunction kCompiled[] = {
    HWY_CHOOSE_TARGET_LIST(VectorUtf8Kernel),
#if HWY_TARGETS & HWY_EMU128
    &N_EMU128::VectorUtf8Kernel,
#endif
};

struct KernelList {
  const Utf8Kernel* kernels[std::size(kCompiled) + 1];
  std::size_t size;
};

KernelList FindSupported() {
  KernelList list{{}, 0};
  const std::int64_t supported = hwy::SupportedTargets();
  for (const KernelFunction kernel : kCompiled) {
    if (kernel != nullptr && (kernel().target & supported) != 0) list.kernels[list.size++] = &kernel();
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
