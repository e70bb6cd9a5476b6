#include <zelu/platform/win32/utf8.h>

namespace zelu::win32 {
namespace {

constexpr WCHAR kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Valid range of the second byte for a given lead byte (Unicode table 3-7);
// later continuation bytes are always 0x80..0xBF.
struct SecondByteRange {
  unsigned char low;
  unsigned char high;
};

SecondByteRange SecondRange(unsigned char lead) {
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

std::size_t EmitCodePoint(char32_t code_point, WCHAR* out) {
  if (code_point < 0x10000) {
    out[0] = static_cast<WCHAR>(code_point);
    return 1;
  }
  const char32_t offset = code_point - 0x10000;
  out[0] = static_cast<WCHAR>(0xD800 + (offset >> 10));
  out[1] = static_cast<WCHAR>(0xDC00 + (offset & 0x3FF));
  return 2;
}

}  // namespace

std::size_t Utf8ToUtf16(const char* bytes, std::size_t count, WCHAR* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  std::size_t written = 0;
  std::size_t i = 0;
  while (i < count) {
    const unsigned char lead = in[i];
    if (lead < 0x80) {
      out[written++] = lead;
      ++i;
      continue;
    }
    const int trail = TrailCount(lead);
    if (trail < 0) {
      out[written++] = kReplacement;
      ++i;
      continue;
    }
    // Consume the longest valid prefix; a break in it yields one U+FFFD for
    // what was consumed and decoding resumes at the offending byte.
    char32_t code_point = lead & (0x3F >> trail);
    std::size_t j = i + 1;
    const SecondByteRange second = SecondRange(lead);
    int taken = 0;
    for (; taken < trail && j < count; ++taken, ++j) {
      const unsigned char byte = in[j];
      const bool ok = taken == 0 ? (byte >= second.low && byte <= second.high) : IsContinuation(byte);
      if (!ok) break;
      code_point = (code_point << 6) | (byte & 0x3F);
    }
    if (taken == trail) {
      written += EmitCodePoint(code_point, out + written);
    } else {
      out[written++] = kReplacement;
    }
    i = j;
  }
  return written;
}

std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, char* out) {
  std::size_t written = 0;
  auto put = [&](unsigned value) { out[written++] = static_cast<char>(static_cast<unsigned char>(value)); };
  for (std::size_t i = 0; i < count; ++i) {
    char32_t code_point = units[i];
    if (code_point >= 0xD800 && code_point <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    } else if (code_point >= 0xD800 && code_point <= 0xDFFF) {
      code_point = kReplacement;
    }
    if (code_point < 0x80) {
      put(code_point);
    } else if (code_point < 0x800) {
      put(0xC0 | (code_point >> 6));
      put(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
      put(0xE0 | (code_point >> 12));
      put(0x80 | ((code_point >> 6) & 0x3F));
      put(0x80 | (code_point & 0x3F));
    } else {
      put(0xF0 | (code_point >> 18));
      put(0x80 | ((code_point >> 12) & 0x3F));
      put(0x80 | ((code_point >> 6) & 0x3F));
      put(0x80 | (code_point & 0x3F));
    }
  }
  return written;
}

}  // namespace zelu::win32
