// Base64 at sizes that hurt: a hundred mebibytes of text decodes and encodes
// back (the time goes into the test's record), and input whose text would
// pass the 2^31 - 2 units of a CString is refused before a byte of it is
// read or anything is allocated.
#include <zelu/encoding/base64.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/mapped_input.h>

namespace {

using Clock = std::chrono::steady_clock;

int Milliseconds(Clock::duration elapsed) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

TEST(Base64HostileTest, HundredMebibytesOfTextDecodeAndEncodeBack) {
  constexpr std::size_t kTextUnits = std::size_t{100} << 20;
  std::vector<unsigned char> bytes(kTextUnits / 4 * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
  CString text;
  const auto started = Clock::now();
  ASSERT_EQ(CBase64::Encode(bytes.data(), static_cast<ULONG>(bytes.size()), text), 0);
  const auto encoded = Clock::now();
  ASSERT_EQ(static_cast<std::size_t>(text.GetLength()), kTextUnits);
  unsigned char* raw = nullptr;
  ULONG count = 0;
  ASSERT_EQ(CBase64::Decode(text, &raw, count), 0);
  const std::unique_ptr<unsigned char[]> decoded(raw);
  RecordProperty("encode_ms", Milliseconds(encoded - started));
  RecordProperty("decode_ms", Milliseconds(Clock::now() - encoded));
  ASSERT_EQ(count, bytes.size());
  EXPECT_EQ(std::memcmp(decoded.get(), bytes.data(), bytes.size()), 0);
}

// 1,610,612,733 bytes give 2^31 - 4 units, the most that fits; one byte more
// needs 2^31.
TEST(Base64HostileTest, InputPastTheTextLimitIsRefusedBeforeItIsRead) {
  if (!zelu::testing::kRoomPastTheLimit) GTEST_SKIP() << zelu::testing::kNoRoomPastTheLimit;
  const auto input = zelu::testing::MappedInput::Zeros(zelu::testing::kFourGibibytes);
  auto* data = const_cast<unsigned char*>(input.data());  // read only, never written
  CString out(u"unchanged");
  for (const ULONG count : {ULONG{1610612734}, ULONG{0x80000000u}, ULONG{0xFFFFFFFFu}}) {
    EXPECT_THROW(CBase64::Encode(data, count, out), std::length_error) << count;
    EXPECT_EQ(out, CString(u"unchanged")) << count;
  }
}

}  // namespace
