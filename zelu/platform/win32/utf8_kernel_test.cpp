// Every vector kernel against the scalar reference: all lengths from 0 to
// 1,000 at every alignment, and each kind of exception at every position of
// a vector block, with the output room ample, exact and short. A kernel
// must give the reference's results and leave the whole output buffer as
// the reference leaves it (so nothing past what it reports is written).
#include <zelu/platform/win32/internal/utf8_kernel.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/win32/utf8.h>
#include <zelu/testing/conversion_runs.h>

namespace {

using zelu::win32::internal::ScalarUtf8Kernel;
using zelu::win32::internal::Utf8Kernel;

using zelu::testing::ConversionRun;
using zelu::testing::Difference;
using zelu::testing::RunConversion;

constexpr std::size_t kLongest = 1000;
constexpr std::size_t kAlignments = 64;  // bytes: the widest vector

using EncodeRun = ConversionRun<unsigned char>;
using DecodeRun = ConversionRun<WCHAR>;

// A kernel's runs on one input; `exact` is the reference's length, which
// sets the rooms tried.
EncodeRun Encoded(const Utf8Kernel& kernel, const WCHAR* units, std::size_t count, std::size_t exact) {
  return RunConversion(kernel.utf16_to_utf8, kernel.utf8_length, units, count, zelu::win32::MaxUtf8Bytes(count), exact);
}

DecodeRun Decoded(const Utf8Kernel& kernel, const unsigned char* bytes, std::size_t count, std::size_t exact) {
  return RunConversion(kernel.utf8_to_utf16, kernel.utf16_length, bytes, count, zelu::win32::MaxUtf16Units(count),
                       exact);
}

EncodeRun Encoded(const WCHAR* units, std::size_t count) {
  return Encoded(ScalarUtf8Kernel(), units, count, ScalarUtf8Kernel().utf8_length(units, count));
}

DecodeRun Decoded(const unsigned char* bytes, std::size_t count) {
  return Decoded(ScalarUtf8Kernel(), bytes, count, ScalarUtf8Kernel().utf16_length(bytes, count));
}

std::string EncodeMismatch(const Utf8Kernel& kernel, const WCHAR* units, std::size_t count) {
  const EncodeRun expected = Encoded(units, count);
  return Difference(expected, Encoded(kernel, units, count, expected.length));
}

std::string DecodeMismatch(const Utf8Kernel& kernel, const unsigned char* bytes, std::size_t count) {
  const DecodeRun expected = Decoded(bytes, count);
  return Difference(expected, Decoded(kernel, bytes, count, expected.length));
}

// ---- Text: pieces drawn at random with a profile's weights.

// UTF-16 pieces: ASCII, two-byte, three-byte, a pair, a lone high and a
// lone low surrogate, and the units where the encoding changes.
std::vector<WCHAR> UnitPiece(std::mt19937& random, int kind) {
  const auto pick = [&](unsigned low, unsigned high) { return static_cast<WCHAR>(low + random() % (high - low + 1)); };
  static constexpr WCHAR kEdges[] = {0, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFD, 0xFFFF};
  switch (kind) {
    case 0: return {pick(0, 0x7F)};
    case 1: return {pick(0x80, 0x7FF)};
    case 2: return {random() % 2 ? pick(0x800, 0xD7FF) : pick(0xE000, 0xFFFF)};
    case 3: return {pick(0xD800, 0xDBFF), pick(0xDC00, 0xDFFF)};
    case 4: return {pick(0xD800, 0xDBFF)};
    case 5: return {pick(0xDC00, 0xDFFF)};
    default: return {kEdges[random() % std::size(kEdges)]};
  }
}

// UTF-8 pieces: well-formed characters of each length (with the edges of
// the E0, ED, F0 and F4 ranges) and every kind of malformed input.
constexpr std::string_view kMalformed[] = {
    "\x80", "\xBF", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xE0\x9F\xBF" /* overlong */,
    "\xED\xA0\x80", "\xED\xBF\xBF" /* surrogates */, "\xF0\x80\x80\xAF", "\xF0\x8F\xBF\xBF" /* overlong */,
    "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80", "\xFE", "\xFF" /* too high */,
    "\xC3", "\xE2\x82", "\xF0\x9F\x98" /* cut short */, "\xE2\xC3\xA9", "\xC3\xC3",
};
constexpr std::string_view kWellFormedEdges[] = {
    "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xE0\xBF\xBF", "\xED\x80\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
    "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "\xF0\x9F\x98\x80",
};

// The UTF-8 form of a code point that is not a surrogate.
std::string Utf8Of(char32_t code_point) {
  const auto byte = [](char32_t value) { return static_cast<char>(value); };
  if (code_point < 0x80) return {byte(code_point)};
  if (code_point < 0x800) return {byte(0xC0 | code_point >> 6), byte(0x80 | (code_point & 0x3F))};
  if (code_point < 0x10000) {
    return {byte(0xE0 | code_point >> 12), byte(0x80 | (code_point >> 6 & 0x3F)), byte(0x80 | (code_point & 0x3F))};
  }
  return {byte(0xF0 | code_point >> 18), byte(0x80 | (code_point >> 12 & 0x3F)), byte(0x80 | (code_point >> 6 & 0x3F)),
          byte(0x80 | (code_point & 0x3F))};
}

std::string BytePiece(std::mt19937& random, int kind) {
  const auto pick = [&](char32_t low, char32_t high) { return static_cast<char32_t>(low + random() % (high - low + 1)); };
  switch (kind) {
    case 0: return Utf8Of(pick(0, 0x7F));
    case 1: return Utf8Of(pick(0x80, 0x7FF));
    case 2: return Utf8Of(random() % 2 ? pick(0x800, 0xD7FF) : pick(0xE000, 0xFFFF));
    case 3: return Utf8Of(pick(0x10000, 0x10FFFF));
    case 4: return std::string(kMalformed[random() % std::size(kMalformed)]);
    default: return std::string(kWellFormedEdges[random() % std::size(kWellFormedEdges)]);
  }
}

// A profile: the weight of each piece kind (UnitPiece or BytePiece).
struct Profile {
  const char* name;
  std::array<int, 7> weights;
};

constexpr Profile kUnitProfiles[] = {
    {"mostly ASCII", {60, 2, 1, 1, 0, 0, 1}}, {"two-byte", {4, 20, 0, 0, 0, 0, 1}},
    {"three-byte", {4, 2, 20, 1, 0, 0, 1}},   {"surrogates", {8, 2, 8, 6, 2, 2, 2}},
};
constexpr Profile kByteProfiles[] = {
    {"mostly ASCII", {60, 2, 1, 1, 1, 1, 0}}, {"two-byte", {4, 20, 0, 0, 0, 1, 0}},
    {"three-byte", {4, 2, 20, 1, 1, 2, 0}},   {"faults", {8, 3, 8, 3, 6, 3, 0}},
};

int PickKind(std::mt19937& random, const Profile& profile) {
  std::discrete_distribution<int> kinds(profile.weights.begin(), profile.weights.end());
  return kinds(random);
}

std::vector<WCHAR> RandomUnits(std::mt19937& random, const Profile& profile, std::size_t count) {
  std::vector<WCHAR> units;
  while (units.size() < count) {
    const std::vector<WCHAR> piece = UnitPiece(random, PickKind(random, profile));
    units.insert(units.end(), piece.begin(), piece.end());
  }
  units.resize(count);  // may cut a pair: a lone high surrogate at the end
  return units;
}

std::string RandomBytes(std::mt19937& random, const Profile& profile, std::size_t count) {
  std::string bytes;
  while (bytes.size() < count) bytes += BytePiece(random, PickKind(random, profile));
  bytes.resize(count);  // may cut a sequence short at the end
  return bytes;
}

// ---- The tests, once per vector kernel that this CPU runs.

class Utf8KernelTest : public testing::TestWithParam<const Utf8Kernel*> {
 protected:
  const Utf8Kernel& kernel() const { return *GetParam(); }
};

// Every prefix of a random text (so every length, and every place a pair or
// a sequence can be cut) at every alignment of its first unit or byte.
TEST_P(Utf8KernelTest, EncodesEveryLengthAtEveryAlignment) {
  std::mt19937 random(1);
  for (const Profile& profile : kUnitProfiles) {
    const std::vector<WCHAR> text = RandomUnits(random, profile, kLongest);
    std::vector<WCHAR> buffer(kLongest + kAlignments);
    for (std::size_t length = 0; length <= kLongest; ++length) {
      const EncodeRun expected = Encoded(text.data(), length);
      for (std::size_t shift = 0; shift < kAlignments / sizeof(WCHAR); ++shift) {
        std::copy_n(text.begin(), length, buffer.begin() + static_cast<std::ptrdiff_t>(shift));
        ASSERT_EQ(Difference(expected, Encoded(kernel(), buffer.data() + shift, length, expected.length)), "")
            << profile.name << ", " << length << " units at +" << shift;
      }
    }
  }
}

TEST_P(Utf8KernelTest, DecodesEveryLengthAtEveryAlignment) {
  std::mt19937 random(2);
  for (const Profile& profile : kByteProfiles) {
    const std::string text = RandomBytes(random, profile, kLongest);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::vector<unsigned char> buffer(kLongest + kAlignments);
    for (std::size_t length = 0; length <= kLongest; ++length) {
      const DecodeRun expected = Decoded(bytes, length);
      for (std::size_t shift = 0; shift < kAlignments; ++shift) {
        std::copy_n(bytes, length, buffer.begin() + static_cast<std::ptrdiff_t>(shift));
        ASSERT_EQ(Difference(expected, Decoded(kernel(), buffer.data() + shift, length, expected.length)), "")
            << profile.name << ", " << length << " bytes at +" << shift;
      }
    }
  }
}

// One exception in text of one kind, at each of the first 192 positions
// (three blocks of the widest vector, so every position of a block, both
// sides of a block boundary, and the end of the text).
constexpr std::size_t kPositions = 192;

TEST_P(Utf8KernelTest, EncodesAnExceptionAtEveryBlockPosition) {
  const std::vector<std::vector<WCHAR>> exceptions = {
      {0xD83D}, {0xDE00}, {0xD83D, 0xDE00}, {0xDE00, 0xD83D}, {0xD83D, 0xD83D, 0xDE00}, {0x80}, {0x7FF}, {0x800},
      {0xFFFF}, {0}};
  const WCHAR fillers[] = {'a', 0xE9, 0x4E2D};
  for (const WCHAR filler : fillers) {
    for (const auto& exception : exceptions) {
      for (std::size_t at = 0; at < kPositions; ++at) {
        std::vector<WCHAR> text(at, filler);
        text.insert(text.end(), exception.begin(), exception.end());
        text.resize(kPositions + 8, filler);
        for (const std::size_t length : {at + exception.size(), text.size()}) {
          ASSERT_EQ(EncodeMismatch(kernel(), text.data(), length), "")
              << "filler " << filler << ", exception " << exception[0] << " at " << at << " of " << length;
        }
      }
    }
  }
}

TEST_P(Utf8KernelTest, DecodesAnExceptionAtEveryBlockPosition) {
  const std::string_view fillers[] = {"a", "\xC3\xA9", "\xE4\xB8\xAD", "\xED\x9F\xBF", "\xE0\xA4\x85"};
  std::vector<std::string_view> exceptions(std::begin(kMalformed), std::end(kMalformed));
  exceptions.insert(exceptions.end(), std::begin(kWellFormedEdges), std::end(kWellFormedEdges));
  for (const std::string_view filler : fillers) {
    for (const std::string_view exception : exceptions) {
      for (std::size_t at = 0; at < kPositions; ++at) {
        // Whole fillers, then ASCII up to the exact byte position.
        std::string text;
        while (text.size() + filler.size() <= at) text += filler;
        text.resize(at, 'x');
        text += exception;
        while (text.size() < kPositions + 64) text += filler;
        for (const std::size_t length : {at + exception.size(), text.size()}) {
          ASSERT_EQ(DecodeMismatch(kernel(), reinterpret_cast<const unsigned char*>(text.data()), length), "")
              << "filler " << testing::PrintToString(filler) << ", exception "
              << testing::PrintToString(exception) << " at " << at << " of " << length;
        }
      }
    }
  }
}

// Block storage with the terminator at each position: units elsewhere are
// never zero, but many have a zero byte, which must not count.
TEST_P(Utf8KernelTest, MeasuresBlockTextWithTheTerminatorAnywhere) {
  constexpr std::size_t kUnits = 256;
  static_assert(kUnits * sizeof(WCHAR) % zelu::win32::kTextBlockBytes == 0);
  alignas(zelu::win32::kTextBlockBytes) WCHAR text[kUnits];
  std::mt19937 random(3);
  for (std::size_t end = 0; end < kUnits; ++end) {
    for (WCHAR& unit : text) unit = random() % 2 ? static_cast<WCHAR>((random() % 0xFF + 1) << 8) : static_cast<WCHAR>(random() % 0xFFFF + 1);
    text[end] = 0;
    if (end + 1 < kUnits && random() % 2) text[end + 1 + random() % (kUnits - end - 1)] = 0;  // a later zero too
    EXPECT_EQ(kernel().block_text_length(text), end);
  }
}

std::vector<const Utf8Kernel*> VectorKernels() {
  std::vector<const Utf8Kernel*> kernels;
  for (const Utf8Kernel* kernel : zelu::win32::internal::SupportedUtf8Kernels()) {
    if (kernel != &ScalarUtf8Kernel()) kernels.push_back(kernel);
  }
  return kernels;
}

INSTANTIATE_TEST_SUITE_P(Kernels, Utf8KernelTest, testing::ValuesIn(VectorKernels()),
                         [](const testing::TestParamInfo<const Utf8Kernel*>& param_info) {
                           return std::string(param_info.param->name);
                         });
// A CPU without a vector kernel has nothing to compare.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Utf8KernelTest);

TEST(Utf8KernelChoiceTest, ActiveIsTheBestNativeKernelAndScalarIsLast) {
  const auto kernels = zelu::win32::internal::SupportedUtf8Kernels();
  ASSERT_FALSE(kernels.empty());
  EXPECT_EQ(kernels.back(), &ScalarUtf8Kernel());
  const auto native = std::find_if(kernels.begin(), kernels.end(), [](const Utf8Kernel* kernel) {
    return std::string_view(kernel->name) != "EMU128";
  });
  EXPECT_EQ(&zelu::win32::internal::ActiveUtf8Kernel(), *native);
#if defined(__x86_64__) || defined(__aarch64__)
  EXPECT_NE(*native, &ScalarUtf8Kernel()) << "every x86-64 CPU with SSE4 and every aarch64 CPU has a vector kernel";
#endif
}

// The public functions give the reference's results on both sides of the
// length where they start asking for the active kernel.
TEST(Utf8KernelChoiceTest, PublicFunctionsAgreeAcrossTheVectorThreshold) {
  std::mt19937 random(4);
  const Utf8Kernel& scalar = ScalarUtf8Kernel();
  for (std::size_t count = zelu::win32::internal::kVectorMinimum - 2; count < zelu::win32::internal::kVectorMinimum + 80; ++count) {
    const std::vector<WCHAR> units = RandomUnits(random, kUnitProfiles[3], count);
    std::vector<unsigned char> bytes(zelu::win32::MaxUtf8Bytes(count)), expected(bytes.size());
    EXPECT_EQ(zelu::win32::Utf16ToUtf8(units.data(), count, reinterpret_cast<char*>(bytes.data())),
              scalar.utf16_to_utf8(units.data(), count, expected.data(), expected.size()));
    EXPECT_EQ(bytes, expected) << count;
    EXPECT_EQ(zelu::win32::Utf8LengthOfUtf16(units.data(), count), scalar.utf8_length(units.data(), count));
    const std::string text = RandomBytes(random, kByteProfiles[3], count);
    std::vector<WCHAR> decoded(count), decoded_expected(count);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    EXPECT_EQ(zelu::win32::Utf8ToUtf16(text.data(), count, decoded.data()),
              scalar.utf8_to_utf16(in, count, decoded_expected.data(), count));
    EXPECT_EQ(decoded, decoded_expected) << count;
    EXPECT_EQ(zelu::win32::Utf16LengthOfUtf8(text.data(), count), scalar.utf16_length(in, count));
  }
}

}  // namespace
