// Benchmark text: UTF-16 of three kinds, made the same way by every
// benchmark that compares UTF-8 conversions, so their figures compare.
//   ASCII: printable ASCII.
//   Mostly ASCII: printable ASCII with one Latin letter (U+00A0..U+017F,
//     two bytes in UTF-8) in 64 units.
//   Mixed CJK: CJK ideographs (three bytes) with ASCII punctuation every
//     sixth unit.
// No unit is zero; the same kind and size give the same text every time.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace zelu::testing {

enum SampleKind { kAsciiSample, kMostlyAsciiSample, kMixedCjkSample };
inline constexpr const char* kSampleNames[] = {"ascii", "mostly-ascii (1 in 64)", "mixed CJK"};

inline std::vector<unsigned short> SampleText(SampleKind kind, std::size_t units) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> printable(0x20, 0x7E), latin(0xA0, 0x17F), cjk(0x4E00, 0x9FFF);
  const char punctuation[] = " ,.;:!?()";
  std::vector<unsigned short> text(units);
  for (std::size_t i = 0; i < units; ++i) {
    switch (kind) {
      case kAsciiSample: text[i] = static_cast<unsigned short>(printable(random)); break;
      case kMostlyAsciiSample:
        text[i] = static_cast<unsigned short>(i % 64 == 63 ? latin(random) : printable(random));
        break;
      case kMixedCjkSample:
        text[i] = static_cast<unsigned short>(i % 6 == 5 ? punctuation[random() % 9] : cjk(random));
        break;
    }
  }
  return text;
}

// The text as UTF-16LE bytes (the peer's input).
inline std::string SampleLittleEndian(const std::vector<unsigned short>& text) {
  std::string bytes;
  for (const unsigned short unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// The text in UTF-8 (sample text has no surrogates).
inline std::string SampleUtf8(const std::vector<unsigned short>& text) {
  std::string bytes;
  for (const unsigned unit : text) {
    if (unit < 0x80) {
      bytes.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | unit >> 6));
      bytes.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xE0 | unit >> 12));
      bytes.push_back(static_cast<char>(0x80 | (unit >> 6 & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return bytes;
}

}  // namespace zelu::testing
