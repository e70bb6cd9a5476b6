#include <zelu/platform/win32/utf8.h>

#include <cstdint>
#include <cstring>

namespace zelu::win32 {
namespace {

constexpr WCHAR kReplacement = 0xFFFD;
constexpr char32_t kIllFormed = 0xFFFFFFFF;

// ASCII tests a word at a time: a byte (or unit) is ASCII when none of its
// bits above the low seven is set. The masks are the same in either byte
// order, so the loads need no swapping.
constexpr std::uint64_t kNonAsciiBytes = 0x8080808080808080;
constexpr std::uint64_t kNonAsciiUnits = 0xFF80FF80FF80FF80;
static_assert(sizeof(WCHAR) * 4 == sizeof(std::uint64_t));

template <typename T>
std::uint64_t LoadWord(const T* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The valid range of the second byte for a given lead byte (Unicode table
// 3-7); later continuation bytes are always 0x80..0xBF.
struct ByteRange {
  unsigned char low;
  unsigned char high;
};

ByteRange SecondByteRange(unsigned char lead) {
  switch (lead) {
    case 0xE0: return {0xA0, 0xBF};
    case 0xED: return {0x80, 0x9F};
    case 0xF0: return {0x90, 0xBF};
    case 0xF4: return {0x80, 0x8F};
    default: return {0x80, 0xBF};
  }
}

// Number of continuation bytes that follow a valid lead byte, or -1.
int TrailCount(unsigned char lead) {
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

Decoded DecodeNonAscii(const unsigned char* in, std::size_t available) {
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

// The index of the first non-ASCII byte at or after `i`, `count` if none.
std::size_t SkipAscii(const unsigned char* in, std::size_t i, std::size_t count) {
  while (i + 8 <= count && (LoadWord(in + i) & kNonAsciiBytes) == 0) i += 8;
  while (i < count && in[i] < 0x80) ++i;
  return i;
}

// Decodes (kWrite) or only counts the units of `count` bytes.
template <bool kWrite>
std::size_t DecodeUtf8(const unsigned char* in, std::size_t count, WCHAR* out) {
  std::size_t i = 0;
  std::size_t written = 0;
  while (i < count) {
    while (i + 8 <= count && (LoadWord(in + i) & kNonAsciiBytes) == 0) {
      if constexpr (kWrite) {
        for (std::size_t k = 0; k < 8; ++k) out[written + k] = in[i + k];
      }
      i += 8;
      written += 8;
    }
    if (i == count) break;
    if (in[i] < 0x80) {
      if constexpr (kWrite) out[written] = in[i];
      ++written;
      ++i;
      continue;
    }
    const Decoded decoded = DecodeNonAscii(in + i, count - i);
    i += decoded.length;
    if (decoded.code_point == kIllFormed || decoded.code_point < 0x10000) {
      if constexpr (kWrite) out[written] = decoded.code_point == kIllFormed ? kReplacement : static_cast<WCHAR>(decoded.code_point);
      ++written;
    } else {
      if constexpr (kWrite) {
        const char32_t offset = decoded.code_point - 0x10000;
        out[written] = static_cast<WCHAR>(0xD800 + (offset >> 10));
        out[written + 1] = static_cast<WCHAR>(0xDC00 + (offset & 0x3FF));
      }
      written += 2;
    }
  }
  return written;
}

// The UTF-8 length of one code point (or of U+FFFD for an unpaired surrogate).
std::size_t EncodedLength(char32_t code_point) {
  if (code_point < 0x80) return 1;
  if (code_point < 0x800) return 2;
  return code_point < 0x10000 ? 3 : 4;
}

void PutCodePoint(char32_t code_point, unsigned char* out) {
  switch (EncodedLength(code_point)) {
    case 1: out[0] = static_cast<unsigned char>(code_point); return;
    case 2:
      out[0] = static_cast<unsigned char>(0xC0 | (code_point >> 6));
      out[1] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
      return;
    case 3:
      out[0] = static_cast<unsigned char>(0xE0 | (code_point >> 12));
      out[1] = static_cast<unsigned char>(0x80 | ((code_point >> 6) & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
      return;
    default:
      out[0] = static_cast<unsigned char>(0xF0 | (code_point >> 18));
      out[1] = static_cast<unsigned char>(0x80 | ((code_point >> 12) & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | ((code_point >> 6) & 0x3F));
      out[3] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
      return;
  }
}

// The code point at units[i] (a pair counts as one, an unpaired surrogate is
// U+FFFD) and how many units it took.
struct CodePointAt {
  char32_t code_point;
  std::size_t length;
};

CodePointAt ReadCodePoint(const WCHAR* units, std::size_t i, std::size_t count) {
  const char32_t unit = units[i];
  if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
    return {0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u), 2};
  }
  if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return {kReplacement, 1};
  return {unit, 1};
}

// Encodes (kWrite) or only counts the bytes of `count` units.
template <bool kWrite>
std::size_t EncodeUtf8(const WCHAR* units, std::size_t count, unsigned char* out) {
  std::size_t i = 0;
  std::size_t written = 0;
  while (i < count) {
    while (i + 4 <= count && (LoadWord(units + i) & kNonAsciiUnits) == 0) {
      if constexpr (kWrite) {
        for (std::size_t k = 0; k < 4; ++k) out[written + k] = static_cast<unsigned char>(units[i + k]);
      }
      i += 4;
      written += 4;
    }
    if (i == count) break;
    const CodePointAt next = ReadCodePoint(units, i, count);
    if constexpr (kWrite) PutCodePoint(next.code_point, out + written);
    written += EncodedLength(next.code_point);
    i += next.length;
  }
  return written;
}

const unsigned char* Bytes(const char* bytes) { return reinterpret_cast<const unsigned char*>(bytes); }

}  // namespace

std::size_t Utf8ToUtf16(const char* bytes, std::size_t count, WCHAR* out) {
  return DecodeUtf8<true>(Bytes(bytes), count, out);
}

std::size_t Utf16LengthOfUtf8(const char* bytes, std::size_t count) {
  return DecodeUtf8<false>(Bytes(bytes), count, nullptr);
}

std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, char* out) {
  return EncodeUtf8<true>(units, count, reinterpret_cast<unsigned char*>(out));
}

std::size_t Utf8LengthOfUtf16(const WCHAR* units, std::size_t count) {
  return EncodeUtf8<false>(units, count, nullptr);
}

Utf8Fault FindUtf8Fault(const char* bytes, std::size_t count) {
  const unsigned char* in = Bytes(bytes);
  for (std::size_t i = SkipAscii(in, 0, count); i < count; i = SkipAscii(in, i, count)) {
    const Decoded decoded = DecodeNonAscii(in + i, count - i);
    if (decoded.code_point == kIllFormed) return {i, decoded.length};
    i += decoded.length;
  }
  return {count, 0};
}

std::size_t FindUnpairedSurrogate(const WCHAR* units, std::size_t count) {
  for (std::size_t i = 0; i < count;) {
    const CodePointAt next = ReadCodePoint(units, i, count);
    if (next.code_point == kReplacement && units[i] != kReplacement) return i;
    i += next.length;
  }
  return count;
}

std::size_t IncompleteUtf8Tail(const char* bytes, std::size_t count) {
  const unsigned char* in = Bytes(bytes);
  // The lead byte of the last sequence lies at most three bytes back.
  std::size_t lead = count;
  while (lead > 0 && count - lead < 3 && IsContinuation(in[lead - 1])) --lead;
  if (lead == 0) return 0;
  --lead;
  const int trail = TrailCount(in[lead]);
  const std::size_t tail = count - lead;
  if (trail < 0 || tail > static_cast<std::size_t>(trail)) return 0;
  return DecodeNonAscii(in + lead, tail).length == tail ? tail : 0;
}

}  // namespace zelu::win32
