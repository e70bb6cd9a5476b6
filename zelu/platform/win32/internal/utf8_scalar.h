// The scalar UTF-8 <-> UTF-16 conversion: the rules, one character at a
// time, and the loops that make the reference kernel.
//
// The vector kernels convert what they can a block at a time and hand every
// character that they do not take (a malformed sequence, a four-byte form,
// a surrogate, the last few units) to the functions here, so the
// replacement rules live in this file only. Everything is inline: the
// public functions call the loops directly for short inputs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/win32/utf8.h>

namespace zelu::win32::internal {

inline constexpr WCHAR kReplacement = 0xFFFD;
inline constexpr char32_t kIllFormed = 0xFFFFFFFF;

// ASCII tests a word at a time: a byte (or unit) is ASCII when none of its
// bits above the low seven is set. The masks are the same in either byte
// order, so the loads need no swapping.
inline constexpr std::uint64_t kNonAsciiBytes = 0x8080808080808080;
inline constexpr std::uint64_t kNonAsciiUnits = 0xFF80FF80FF80FF80;
inline constexpr std::size_t kAsciiBlock = 16;  // bytes or units per step of the ASCII loops
static_assert(sizeof(WCHAR) * 4 == sizeof(std::uint64_t));

template <typename T>
std::uint64_t LoadWord(const T* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// True when the kAsciiBlock bytes (units) at `in` are all ASCII.
inline bool AsciiBlock(const unsigned char* in) {
  return ((LoadWord(in) | LoadWord(in + 8)) & kNonAsciiBytes) == 0;
}

inline bool AsciiBlock(const WCHAR* in) {
  return ((LoadWord(in) | LoadWord(in + 4) | LoadWord(in + 8) | LoadWord(in + 12)) & kNonAsciiUnits) == 0;
}

inline bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
inline bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The valid range of the second byte for a given lead byte (Unicode table
// 3-7); later continuation bytes are always 0x80..0xBF.
struct ByteRange {
  unsigned char low;
  unsigned char high;
};

inline ByteRange SecondByteRange(unsigned char lead) {
  switch (lead) {
    case 0xE0: return {0xA0, 0xBF};
    case 0xED: return {0x80, 0x9F};
    case 0xF0: return {0x90, 0xBF};
    case 0xF4: return {0x80, 0x8F};
    default: return {0x80, 0xBF};
  }
}

// Number of continuation bytes that follow a valid lead byte, or -1.
inline int TrailCount(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return -1;
}

// One character that starts with a non-ASCII byte: its code point and the
// bytes it took, or kIllFormed and the length of the maximal ill-formed
// subsequence (decoding resumes at the first byte that broke it).
struct Decoded {
  char32_t code_point;
  std::size_t length;
};

inline Decoded DecodeAnyNonAscii(const unsigned char* in, std::size_t available) {
  const unsigned char lead = in[0];
  const int trail = TrailCount(lead);
  if (trail < 0) return {kIllFormed, 1};
  const ByteRange second = SecondByteRange(lead);
  char32_t code_point = lead & (0x3F >> trail);
  std::size_t j = 1;
  for (int taken = 0; taken < trail; ++taken, ++j) {
    if (j == available) return {kIllFormed, j};
    const unsigned char byte = in[j];
    const bool ok = taken == 0 ? (byte >= second.low && byte <= second.high) : IsContinuation(byte);
    if (!ok) return {kIllFormed, j};
    code_point = (code_point << 6) | (byte & 0x3F);
  }
  return {code_point, j};
}

// The common well-formed two- and three-byte forms first (every lead byte
// whose second byte may be any continuation byte); the rest in full.
inline Decoded DecodeNonAscii(const unsigned char* in, std::size_t available) {
  const unsigned char lead = in[0];
  if (lead >= 0xC2 && lead <= 0xDF && available >= 2 && IsContinuation(in[1])) {
    return {static_cast<char32_t>((lead & 0x1F) << 6 | (in[1] & 0x3F)), 2};
  }
  if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && available >= 3 && IsContinuation(in[1]) &&
      IsContinuation(in[2])) {
    return {static_cast<char32_t>((lead & 0x0F) << 12 | (in[1] & 0x3F) << 6 | (in[2] & 0x3F)), 3};
  }
  return DecodeAnyNonAscii(in, available);
}

// The index of the first non-ASCII byte at or after `i`, `count` if none.
inline std::size_t SkipAscii(const unsigned char* in, std::size_t i, std::size_t count) {
  while (count - i >= kAsciiBlock && AsciiBlock(in + i)) i += kAsciiBlock;
  while (i < count && in[i] < 0x80) ++i;
  return i;
}

// Decodes one character at in[i] (writing it when kWrite); false when it
// does not fit in `capacity`. Advances `i` and `written`.
template <bool kWrite>
bool DecodeOne(const unsigned char* in, std::size_t& i, std::size_t count, WCHAR* out, std::size_t& written,
               std::size_t capacity) {
  const Decoded decoded = in[i] < 0x80 ? Decoded{in[i], 1} : DecodeNonAscii(in + i, count - i);
  const bool pair = decoded.code_point != kIllFormed && decoded.code_point >= 0x10000;
  if constexpr (kWrite) {
    if (capacity - written < (pair ? 2u : 1u)) return false;
    if (pair) {
      const char32_t offset = decoded.code_point - 0x10000;
      out[written] = static_cast<WCHAR>(0xD800 + (offset >> 10));
      out[written + 1] = static_cast<WCHAR>(0xDC00 + (offset & 0x3FF));
    } else {
      out[written] = decoded.code_point == kIllFormed ? kReplacement : static_cast<WCHAR>(decoded.code_point);
    }
  }
  written += pair ? 2 : 1;
  i += decoded.length;
  return true;
}

// Decodes (kWrite, into at most `capacity` units) or only counts, from
// in[i] with `written` units already out: an all-ASCII block at once, any
// other block character by character. Returns the units written in all, or
// kNoRoom.
template <bool kWrite>
std::size_t DecodeUtf8From(const unsigned char* in, std::size_t i, std::size_t count, WCHAR* out,
                           std::size_t written, std::size_t capacity) {
  while (i < count) {
    if (count - i >= kAsciiBlock && (!kWrite || capacity - written >= kAsciiBlock) && AsciiBlock(in + i)) {
      if constexpr (kWrite) {
        for (std::size_t k = 0; k < kAsciiBlock; ++k) out[written + k] = in[i + k];
      }
      i += kAsciiBlock;
      written += kAsciiBlock;
      continue;
    }
    for (const std::size_t stop = std::min(count, i + kAsciiBlock); i < stop;) {
      if (!DecodeOne<kWrite>(in, i, count, out, written, capacity)) return kNoRoom;
    }
  }
  return written;
}

// The code point at units[i] (a pair counts as one, an unpaired surrogate is
// U+FFFD) and how many units it took.
struct CodePointAt {
  char32_t code_point;
  std::size_t length;
};

inline CodePointAt ReadCodePoint(const WCHAR* units, std::size_t i, std::size_t count) {
  const char32_t unit = units[i];
  if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
    return {0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u), 2};
  }
  if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return {kReplacement, 1};
  return {unit, 1};
}

inline unsigned char Byte(char32_t value) { return static_cast<unsigned char>(value); }

// Writes one code point (below U+0080 excluded) as 2, 3 or 4 bytes.
inline std::size_t PutMultiByte(char32_t code_point, unsigned char* out) {
  if (code_point < 0x800) {
    out[0] = Byte(0xC0 | (code_point >> 6));
    out[1] = Byte(0x80 | (code_point & 0x3F));
    return 2;
  }
  if (code_point < 0x10000) {
    out[0] = Byte(0xE0 | (code_point >> 12));
    out[1] = Byte(0x80 | ((code_point >> 6) & 0x3F));
    out[2] = Byte(0x80 | (code_point & 0x3F));
    return 3;
  }
  out[0] = Byte(0xF0 | (code_point >> 18));
  out[1] = Byte(0x80 | ((code_point >> 12) & 0x3F));
  out[2] = Byte(0x80 | ((code_point >> 6) & 0x3F));
  out[3] = Byte(0x80 | (code_point & 0x3F));
  return 4;
}

// Encodes the character at units[i] into out[written...], which has room
// for it (four bytes); advances both.
inline void EncodeOne(const WCHAR* units, std::size_t& i, std::size_t count, unsigned char* out,
                      std::size_t& written) {
  const char32_t unit = units[i];
  if (unit < 0x80) {
    out[written++] = Byte(unit);
    ++i;
  } else if (unit < 0x800 || !(IsHighSurrogate(unit) || IsLowSurrogate(unit))) {
    written += PutMultiByte(unit, out + written);
    ++i;
  } else {
    const CodePointAt next = ReadCodePoint(units, i, count);
    written += PutMultiByte(next.code_point, out + written);
    i += next.length;
  }
}

inline std::size_t EncodedLength(const WCHAR* units, std::size_t i, std::size_t count) {
  const char32_t code_point = ReadCodePoint(units, i, count).code_point;
  return code_point < 0x80 ? 1 : code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
}

// Encodes from units[i], with `written` bytes already out, into at most
// `capacity` bytes, a block of units at a time: an all-ASCII block at once;
// another block character by character without a room check while the room
// left holds any block (3 bytes a unit, and one more unit when a pair ends
// the block); near the end of the room, checked character by character.
// Returns the bytes written in all, or kNoRoom.
inline std::size_t EncodeUtf8From(const WCHAR* units, std::size_t i, std::size_t count, unsigned char* out,
                                  std::size_t written, std::size_t capacity) {
  constexpr std::size_t kMostBlockBytes = 3 * kAsciiBlock + 1;
  while (i < count) {
    if (count - i >= kAsciiBlock && capacity - written >= kMostBlockBytes) {
      if (AsciiBlock(units + i)) {
        for (std::size_t k = 0; k < kAsciiBlock; ++k) out[written + k] = Byte(units[i + k]);
        i += kAsciiBlock;
        written += kAsciiBlock;
      } else {
        for (const std::size_t stop = i + kAsciiBlock; i < stop;) EncodeOne(units, i, count, out, written);
      }
      continue;
    }
    if (capacity - written < EncodedLength(units, i, count)) return kNoRoom;
    EncodeOne(units, i, count, out, written);
  }
  return written;
}

// What units[start, count) add to the UTF-8 length of units[0, count).
// Every unit counts 1, 2 or 3 bytes by its value; a surrogate counts 3,
// which is right for an unpaired one (U+FFFD), and a pair's 6 become 4 by
// taking 2 off for each low surrogate that follows a high one. Each unit's
// share depends on it and the unit before it only, so the text may be
// counted in pieces. No branch per unit, and 16-bit sums over blocks too
// small for them to wrap, so the compiler vectorises the loop.
inline std::size_t Utf8LengthFrom(const WCHAR* units, std::size_t start, std::size_t count) {
  if (start == count) return 0;
  constexpr std::size_t kBlock = 16384;
  static_assert(3 * kBlock <= UINT16_MAX);
  std::size_t bytes = 0;
  if (start == 0) {
    bytes = 1u + (units[0] >= 0x80) + (units[0] >= 0x800);
    start = 1;
  }
  for (; start < count; start += kBlock) {
    const std::size_t end = count - start < kBlock ? count : start + kBlock;
    std::uint16_t block = 0;
    for (std::size_t i = start; i < end; ++i) {
      const WCHAR unit = units[i];
      const bool pair_end = ((unit & 0xFC00) == 0xDC00) & ((units[i - 1] & 0xFC00) == 0xD800);
      block = static_cast<std::uint16_t>(block + 1 + (unit >= 0x80) + (unit >= 0x800) - 2 * pair_end);
    }
    bytes += block;
  }
  return bytes;
}

}  // namespace zelu::win32::internal
