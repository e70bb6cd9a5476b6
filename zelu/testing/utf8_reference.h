// Test helper: a slow, obvious UTF-8 <-> UTF-16 transcoder, for checking the
// library's against. It reads one byte or one unit at a time, straight from
// the table of well-formed byte sequences:
//   * decoding gives one U+FFFD per maximal ill-formed subsequence (a lead
//     byte and the continuation bytes that still fit it);
//   * encoding gives U+FFFD (EF BF BD) for each unpaired surrogate.
// Both record where each character begins (a surrogate pair is one
// character) and whether anything was replaced.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <zelu/platform/base/base_types.h>

namespace zelu::testing {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

inline bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

struct ReferenceUtf16 {
  std::vector<WCHAR> units;
  std::vector<std::size_t> starts;  // the index where each character begins
  bool replaced = false;            // some input was ill-formed

  void Add(char32_t character) {
    starts.push_back(units.size());
    if (character < 0x10000) {
      units.push_back(static_cast<WCHAR>(character));
    } else {
      units.push_back(static_cast<WCHAR>(0xD800 + ((character - 0x10000) >> 10)));
      units.push_back(static_cast<WCHAR>(0xDC00 + (character & 0x3FF)));
    }
  }
};

struct ReferenceUtf8 {
  std::string bytes;
  std::vector<std::size_t> starts;
  bool replaced = false;

  void Add(char32_t c) {
    starts.push_back(bytes.size());
    const auto put = [this](char32_t byte) { bytes.push_back(static_cast<char>(byte)); };
    if (c < 0x80) {
      put(c);
    } else if (c < 0x800) {
      put(0xC0 | c >> 6);
      put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      put(0xE0 | c >> 12);
      put(0x80 | (c >> 6 & 0x3F));
      put(0x80 | (c & 0x3F));
    } else {
      put(0xF0 | c >> 18);
      put(0x80 | (c >> 12 & 0x3F));
      put(0x80 | (c >> 6 & 0x3F));
      put(0x80 | (c & 0x3F));
    }
  }
};

// The length of a lead byte's sequence and the range of its second byte;
// length 0 for a byte that begins no sequence.
struct Utf8Lead {
  int length;
  unsigned char low;
  unsigned char high;
};

inline Utf8Lead Utf8LeadOf(unsigned char byte) {
  if (byte < 0x80) return {1, 0, 0};
  if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
  if (byte == 0xE0) return {3, 0xA0, 0xBF};
  if (byte == 0xED) return {3, 0x80, 0x9F};
  if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
  if (byte == 0xF0) return {4, 0x90, 0xBF};
  if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
  if (byte == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

inline ReferenceUtf16 ReferenceDecodeUtf8(const std::string& bytes) {
  ReferenceUtf16 out;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const Utf8Lead form = Utf8LeadOf(lead);
    char32_t character = form.length == 1 ? lead : lead & (0x7Fu >> form.length);
    int taken = 1;  // bytes that fit the sequence so far
    for (; taken < form.length && i + static_cast<std::size_t>(taken) < bytes.size(); ++taken) {
      const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(taken)]);
      const unsigned char low = taken == 1 ? form.low : 0x80;
      const unsigned char high = taken == 1 ? form.high : 0xBF;
      if (next < low || next > high) break;
      character = character << 6 | (next & 0x3Fu);
    }
    const bool whole = form.length != 0 && taken == form.length;
    out.Add(whole ? character : kReplacementCharacter);
    out.replaced |= !whole;
    i += static_cast<std::size_t>(taken);
  }
  return out;
}

// Calls `each(character, whole)` for every character of `count` units: a
// pair or a single unit; `whole` is false for an unpaired surrogate.
template <typename Each>
void ForEachUtf16Character(const WCHAR* units, std::size_t count, Each each) {
  for (std::size_t i = 0; i < count; ++i) {
    if (IsHighSurrogate(units[i]) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
      each(static_cast<char32_t>(0x10000 + ((units[i] - 0xD800u) << 10) + (units[i + 1] - 0xDC00u)), true);
      ++i;
    } else {
      each(static_cast<char32_t>(units[i]), !IsHighSurrogate(units[i]) && !IsLowSurrogate(units[i]));
    }
  }
}

inline ReferenceUtf8 ReferenceEncodeUtf8(const WCHAR* units, std::size_t count) {
  ReferenceUtf8 out;
  ForEachUtf16Character(units, count, [&out](char32_t c, bool whole) {
    out.Add(whole ? c : kReplacementCharacter);
    out.replaced |= !whole;
  });
  return out;
}

}  // namespace zelu::testing
