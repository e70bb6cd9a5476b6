// Every Base64 kernel that this CPU runs against the scalar reference.
#include <zelu/encoding/internal/base64_kernel.h>

#include <algorithm>
#include <memory>
#include <numeric>
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

using zelu::encoding::internal::Base64Kernel;
using zelu::encoding::internal::kBase64Alphabet;
using zelu::encoding::internal::ScalarBase64Kernel;
using zelu::testing::GuardedBuffer;

constexpr std::size_t kLongest = 1000;      // bytes to encode, units to decode
constexpr std::size_t kByteAlignments = 64;  // every byte offset in a 64-byte vector
constexpr std::size_t kUnitAlignments = 32;
constexpr WCHAR kUnitCanary = 0xCAFE;
constexpr unsigned char kByteCanary = 0xA5;

// Three vectors of the widest kernel (64 units each): exceptions go at every
// position of each.
constexpr std::size_t kExceptionUnits = 192;

class Base64KernelTest : public ::testing::TestWithParam<const Base64Kernel*> {
 protected:
  const Base64Kernel& kernel() const { return *GetParam(); }
};

std::vector<WCHAR> RandomAlphabet(std::size_t units, std::mt19937& random) {
  std::vector<WCHAR> text(units);
  for (auto& unit : text) unit = static_cast<WCHAR>(kBase64Alphabet[random() % kBase64Alphabet.size()]);
  return text;
}

// What one kernel's decode made of `text`: the units read and the bytes it
// reports (the kernel may leave scratch after them, within the `length`
// bytes of room whose fences must hold).
struct Base64Decoding {
  std::size_t units_read;
  std::vector<unsigned char> bytes;
  bool canaries_intact;

  bool operator==(const Base64Decoding&) const = default;
};

Base64Decoding Decode(const Base64Kernel& kernel, const std::vector<WCHAR>& units, std::size_t offset) {
  GuardedBuffer<WCHAR> text(units.size(), offset, kUnitCanary);
  std::copy(units.begin(), units.end(), text.data());
  GuardedBuffer<unsigned char> out(units.size(), offset * 3, kByteCanary);
  const auto progress = kernel.decode(text.data(), units.size(), out.data());
  const bool consistent = progress.units_read <= units.size() && progress.bytes_written <= units.size() * 3 / 4;
  const std::size_t shown = std::min(progress.bytes_written, units.size());
  return {progress.units_read, {out.data(), out.data() + shown}, consistent && out.CanariesIntact()};
}

void ExpectScalarDecoding(const Base64Kernel& kernel, const std::vector<WCHAR>& units, std::size_t offset) {
  const Base64Decoding decoded = Decode(kernel, units, offset);
  ASSERT_EQ(decoded, Decode(ScalarBase64Kernel(), units, offset)) << units.size() << " units at offset " << offset;
  ASSERT_TRUE(decoded.canaries_intact) << units.size() << " units at offset " << offset;
}

TEST_P(Base64KernelTest, EncodesLikeTheScalarKernel) {
  std::mt19937 random(64);
  std::vector<unsigned char> pool(kLongest + kByteAlignments);
  for (auto& byte : pool) byte = static_cast<unsigned char>(random());
  for (std::size_t count = 0; count <= kLongest; ++count) {
    const std::size_t length = zelu::encoding::internal::Base64EncodedLength(count);
    for (std::size_t offset = 0; offset < kByteAlignments; ++offset) {
      GuardedBuffer<unsigned char> data(count, offset, kByteCanary);
      std::copy_n(pool.begin() + static_cast<std::ptrdiff_t>(offset), count, data.data());
      GuardedBuffer<WCHAR> out(length, offset * 5, kUnitCanary);
      GuardedBuffer<WCHAR> expected(length, 0, kUnitCanary);
      kernel().encode(data.data(), count, out.data());
      ScalarBase64Kernel().encode(data.data(), count, expected.data());
      ASSERT_TRUE(std::equal(out.region().begin(), out.region().end(), expected.region().begin()))
          << count << " bytes at offset " << offset;
      ASSERT_TRUE(out.CanariesIntact()) << count << " bytes at offset " << offset;
    }
  }
}

// Outputs past the streaming threshold, at unit offsets that allow aligned
// streaming stores after a head (multiples of four) and that do not.
TEST_P(Base64KernelTest, EncodesLargeOutputsLikeTheScalarKernel) {
  std::mt19937 random(69);
  const std::size_t count = zelu::simd::kStreamingMinimumBytes / 8 * 3 + 38;
  std::vector<unsigned char> bytes(count);
  for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  const std::size_t length = zelu::encoding::internal::Base64EncodedLength(count);
  GuardedBuffer<WCHAR> expected(length, 0, kUnitCanary);
  ScalarBase64Kernel().encode(bytes.data(), count, expected.data());
  for (const std::size_t offset : {0u, 2u, 4u, 17u}) {
    GuardedBuffer<WCHAR> out(length, offset, kUnitCanary);
    kernel().encode(bytes.data(), count, out.data());
    EXPECT_TRUE(std::equal(out.region().begin(), out.region().end(), expected.region().begin())) << offset;
    EXPECT_TRUE(out.CanariesIntact()) << offset;
  }
}

TEST_P(Base64KernelTest, DecodesAlphabetTextLikeTheScalarKernel) {
  std::mt19937 random(65);
  for (std::size_t units = 0; units <= kLongest; ++units) {
    const std::vector<WCHAR> text = RandomAlphabet(units, random);
    for (std::size_t offset = 0; offset < kUnitAlignments; ++offset) ExpectScalarDecoding(kernel(), text, offset);
  }
}

// Every unit whose low byte is outside the alphabet, and units above 0xFF
// whose low byte is in it ('A', '/', '=' with a high byte): each at every
// position of three vectors of alphabet text.
std::vector<WCHAR> ExceptionalUnits() {
  std::vector<WCHAR> units = {0x0141, 0xFF2F, 0x012B, 0xFF3D, 0x013D, 0xAB00, 0x0100};
  for (unsigned low = 0; low < 256; ++low) {
    if (std::find(kBase64Alphabet.begin(), kBase64Alphabet.end(), static_cast<char>(low)) == kBase64Alphabet.end()) {
      units.push_back(static_cast<WCHAR>(low));
    }
  }
  return units;
}

TEST_P(Base64KernelTest, TakesEachExceptionAtEveryPositionLikeTheScalarKernel) {
  std::mt19937 random(66);
  const std::vector<WCHAR> clean = RandomAlphabet(kExceptionUnits, random);
  for (const WCHAR exceptional : ExceptionalUnits()) {
    for (std::size_t position = 0; position < clean.size(); ++position) {
      std::vector<WCHAR> text = clean;
      text[position] = exceptional;
      ExpectScalarDecoding(kernel(), text, position % kUnitAlignments);
    }
  }
}

// Alphabet text with exceptions sprinkled at three densities, '=' among
// them now and then: vector work must resume after each exception.
TEST_P(Base64KernelTest, DecodesSprinkledTextLikeTheScalarKernel) {
  std::mt19937 random(67);
  const std::vector<WCHAR> exceptional = ExceptionalUnits();
  for (int round = 0; round < 3000; ++round) {
    std::vector<WCHAR> text = RandomAlphabet(random() % kLongest, random);
    const unsigned density = std::vector<unsigned>{3, 20, 200}[static_cast<std::size_t>(round % 3)];
    for (auto& unit : text) {
      if (random() % density == 0) unit = exceptional[random() % exceptional.size()];
    }
    ExpectScalarDecoding(kernel(), text, static_cast<std::size_t>(round) % kUnitAlignments);
  }
}

// The public decoder over each kernel: count, bytes and the zero fill after
// them to the L + 1 bytes of the buffer.
TEST_P(Base64KernelTest, PublicDecoderGivesTheScalarResults) {
  std::mt19937 random(68);
  for (int round = 0; round < 1000; ++round) {
    std::vector<WCHAR> units = RandomAlphabet(random() % 400, random);
    if (!units.empty()) units[random() % units.size()] = static_cast<WCHAR>(random() % 2 == 0 ? ' ' : '=');
    const CString text(units.data(), static_cast<int>(units.size()));
    const auto run = [&text](const Base64Kernel& kernel) {
      unsigned char* bytes = nullptr;
      ULONG count = 12345;
      const LONG status = zelu::encoding::internal::DecodeBase64With(kernel, text, &bytes, count);
      const std::unique_ptr<unsigned char[]> owner(bytes);
      return std::tuple(status, count, std::vector<unsigned char>(bytes, bytes + text.GetLength() + 1));
    };
    ASSERT_EQ(run(kernel()), run(ScalarBase64Kernel())) << "round " << round;
  }
}

// A string reused for output keeps its buffer when the text fits.
TEST_P(Base64KernelTest, ReusedOutputKeepsItsBuffer) {
  std::vector<unsigned char> bytes(3000);
  std::iota(bytes.begin(), bytes.end(), static_cast<unsigned char>(0));
  CString out;
  zelu::encoding::internal::EncodeBase64With(kernel(), bytes.data(), 3000, out);
  const WCHAR* buffer = out.GetString();
  for (const ULONG count : {3000u, 17u, 0u, 2999u}) {
    CString expected;
    zelu::encoding::internal::EncodeBase64With(ScalarBase64Kernel(), bytes.data(), count, expected);
    zelu::encoding::internal::EncodeBase64With(kernel(), bytes.data(), count, out);
    EXPECT_EQ(out, expected) << count;
    EXPECT_EQ(out.GetString(), buffer) << count;
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, Base64KernelTest,
                         ::testing::ValuesIn(zelu::encoding::internal::SupportedBase64Kernels()),
                         zelu::testing::KernelName());

TEST(Base64KernelChoiceTest, ScalarFirstThenDistinctVectorKernelsOfWhichTheFirstIsActive) {
  zelu::testing::ExpectKernelList(zelu::encoding::internal::SupportedBase64Kernels(), ScalarBase64Kernel(),
                                  zelu::encoding::internal::ActiveBase64Kernel());
}

}  // namespace
