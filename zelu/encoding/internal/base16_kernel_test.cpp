// Every hex kernel that this CPU runs against the scalar reference.
#include <zelu/encoding/internal/base16_kernel.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/cstring/cstring.h>
#include <zelu/platform/simd/streaming.h>
#include <zelu/testing/guarded_buffer.h>
#include <zelu/testing/kernel_list.h>

namespace {

using zelu::encoding::internal::HexKernel;
using zelu::encoding::internal::ScalarHexKernel;
using zelu::testing::GuardedBuffer;

constexpr std::size_t kLongest = 1000;      // bytes to encode, units to decode
constexpr std::size_t kByteAlignments = 64;  // every byte offset in a 64-byte vector
constexpr std::size_t kUnitAlignments = 32;
constexpr WCHAR kUnitCanary = 0xCAFE;
constexpr unsigned char kByteCanary = 0xA5;

// Three vectors of the widest kernel (32 pairs each): exceptions go at every
// position of each.
constexpr std::size_t kExceptionPairs = 96;

class HexKernelTest : public ::testing::TestWithParam<const HexKernel*> {
 protected:
  const HexKernel& kernel() const { return *GetParam(); }
};

std::vector<unsigned char> RandomBytes(std::size_t count, std::mt19937& random) {
  std::vector<unsigned char> bytes(count);
  for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  return bytes;
}

// Digits of both cases.
std::vector<WCHAR> RandomDigits(std::size_t units, std::mt19937& random) {
  static constexpr char kDigits[] = "0123456789ABCDEFabcdef";
  std::vector<WCHAR> digits(units);
  for (auto& unit : digits) unit = static_cast<WCHAR>(kDigits[random() % (sizeof kDigits - 1)]);
  return digits;
}

// What one kernel's decode made of `digits`, in an output region fenced by
// canaries and pre-filled with them.
struct HexDecoding {
  std::size_t units_read;
  std::vector<unsigned char> bytes;  // the whole output region
  bool canaries_intact;

  bool operator==(const HexDecoding&) const = default;
};

HexDecoding Decode(const HexKernel& kernel, const std::vector<WCHAR>& digits, std::size_t offset) {
  const std::size_t pairs = digits.size() / 2;
  GuardedBuffer<WCHAR> text(digits.size(), offset, kUnitCanary);
  std::copy(digits.begin(), digits.end(), text.data());
  GuardedBuffer<unsigned char> out(pairs, offset * 3, kByteCanary);
  std::fill(out.region().begin(), out.region().end(), kByteCanary);
  const auto progress = kernel.decode(text.data(), pairs, out.data());
  const bool consistent = progress.units_read == 2 * progress.bytes_written && progress.bytes_written <= pairs;
  return {progress.units_read, {out.region().begin(), out.region().end()}, consistent && out.CanariesIntact()};
}

TEST_P(HexKernelTest, EncodesLikeTheScalarKernel) {
  std::mt19937 random(16);
  const std::vector<unsigned char> pool = RandomBytes(kLongest + kByteAlignments, random);
  for (std::size_t count = 0; count <= kLongest; ++count) {
    for (std::size_t offset = 0; offset < kByteAlignments; ++offset) {
      GuardedBuffer<unsigned char> data(count, offset, kByteCanary);
      std::copy_n(pool.begin() + static_cast<std::ptrdiff_t>(offset), count, data.data());
      GuardedBuffer<WCHAR> out(2 * count, offset * 5, kUnitCanary);
      GuardedBuffer<WCHAR> expected(2 * count, 0, kUnitCanary);
      kernel().encode(data.data(), count, out.data());
      ScalarHexKernel().encode(data.data(), count, expected.data());
      ASSERT_TRUE(std::equal(out.region().begin(), out.region().end(), expected.region().begin()))
          << count << " bytes at offset " << offset;
      ASSERT_TRUE(out.CanariesIntact()) << count << " bytes at offset " << offset;
    }
  }
}

// Outputs past the streaming threshold, at unit offsets that allow aligned
// streaming stores after a head (even) and that do not (odd).
TEST_P(HexKernelTest, EncodesLargeOutputsLikeTheScalarKernel) {
  std::mt19937 random(21);
  const std::size_t count = zelu::simd::kStreamingMinimumBytes / 4 + 37;
  const std::vector<unsigned char> bytes = RandomBytes(count, random);
  GuardedBuffer<WCHAR> expected(2 * count, 0, kUnitCanary);
  ScalarHexKernel().encode(bytes.data(), count, expected.data());
  for (const std::size_t offset : {0u, 1u, 2u, 17u}) {
    GuardedBuffer<WCHAR> out(2 * count, offset, kUnitCanary);
    kernel().encode(bytes.data(), count, out.data());
    EXPECT_TRUE(std::equal(out.region().begin(), out.region().end(), expected.region().begin())) << offset;
    EXPECT_TRUE(out.CanariesIntact()) << offset;
  }
}

TEST_P(HexKernelTest, DecodesDigitsLikeTheScalarKernel) {
  std::mt19937 random(17);
  for (std::size_t units = 0; units <= kLongest; units += 2) {
    const std::vector<WCHAR> digits = RandomDigits(units, random);
    for (std::size_t offset = 0; offset < kUnitAlignments; ++offset) {
      const HexDecoding decoded = Decode(kernel(), digits, offset);
      ASSERT_EQ(decoded, Decode(ScalarHexKernel(), digits, offset)) << units << " units at offset " << offset;
      ASSERT_TRUE(decoded.canaries_intact && decoded.units_read == units) << units << " units at offset " << offset;
    }
  }
}

// Units that are not digits as whole 16-bit units, though some have a
// digit's low byte or differ from one by a single bit.
constexpr WCHAR kNotDigits[] = {'G',    'g',    '@',    '`',    '/',           ':',   ' ', 0,
                                0x0130, 0x0141, 0xFF61, 0x00C1, 0x0046 + 0x80, 0xFFFF};

TEST_P(HexKernelTest, StopsWhereTheScalarKernelStops) {
  std::mt19937 random(18);
  const std::vector<WCHAR> clean = RandomDigits(2 * kExceptionPairs, random);
  for (const WCHAR bad : kNotDigits) {
    for (std::size_t position = 0; position < clean.size(); ++position) {
      std::vector<WCHAR> digits = clean;
      digits[position] = bad;
      const std::size_t offset = position % kUnitAlignments;
      const HexDecoding decoded = Decode(kernel(), digits, offset);
      ASSERT_EQ(decoded, Decode(ScalarHexKernel(), digits, offset)) << "unit " << bad << " at " << position;
      ASSERT_TRUE(decoded.canaries_intact) << "unit " << bad << " at " << position;
      ASSERT_EQ(decoded.units_read, position / 2 * 2) << "unit " << bad << " at " << position;
    }
  }
}

// The public decoder over each kernel: odd lengths, bad digits anywhere,
// texts that end early, with the result, the count and the zero fill.
TEST_P(HexKernelTest, PublicDecoderGivesTheScalarResults) {
  std::mt19937 random(19);
  for (int round = 0; round < 3000; ++round) {
    std::vector<WCHAR> text = RandomDigits(random() % 300, random);
    if (!text.empty() && random() % 2 == 0) text[random() % text.size()] = kNotDigits[random() % std::size(kNotDigits)];
    text.push_back(0);
    const auto run = [&text](const HexKernel& kernel) {
      unsigned char* bytes = nullptr;
      ULONG count = 12345;
      const bool result = zelu::encoding::internal::DecodeHexWith(kernel, text.data(), &bytes, count);
      const std::unique_ptr<unsigned char[]> owner(bytes);
      const std::size_t stored = bytes == nullptr ? 0 : count;
      return std::tuple(result, count, std::vector<unsigned char>(bytes, bytes + stored));
    };
    ASSERT_EQ(run(kernel()), run(ScalarHexKernel())) << "round " << round;
  }
}

// A string reused for output keeps its buffer when the text fits.
TEST_P(HexKernelTest, ReusedOutputKeepsItsBuffer) {
  std::mt19937 random(20);
  const std::vector<unsigned char> bytes = RandomBytes(4000, random);
  CString out;
  zelu::encoding::internal::EncodeHexWith(kernel(), bytes.data(), 4000, out);
  const WCHAR* buffer = out.GetString();
  for (const ULONG count : {4000u, 17u, 0u, 3999u}) {
    CString expected;
    zelu::encoding::internal::EncodeHexWith(ScalarHexKernel(), bytes.data(), count, expected);
    zelu::encoding::internal::EncodeHexWith(kernel(), bytes.data(), count, out);
    EXPECT_EQ(out, expected) << count;
    EXPECT_EQ(out.GetString(), buffer) << count;
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, HexKernelTest, ::testing::ValuesIn(zelu::encoding::internal::SupportedHexKernels()),
                         zelu::testing::KernelName());

TEST(HexKernelChoiceTest, ScalarFirstThenDistinctVectorKernelsOfWhichTheFirstIsActive) {
  zelu::testing::ExpectKernelList(zelu::encoding::internal::SupportedHexKernels(), ScalarHexKernel(),
                                  zelu::encoding::internal::ActiveHexKernel());
}

}  // namespace
