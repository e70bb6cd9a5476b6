// Hex text past the 2^31 - 2 units of a CString is refused, plain and
// counted, before a byte of the input is read or anything is allocated.
#include <zelu/encoding/base16.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include <zelu/testing/mapped_input.h>

namespace {

// Plain text is 2 units a byte, counted text 4 more: 2^30 bytes need 2^31
// units plain, 2^30 - 2 bytes need 2^31 counted.
TEST(Base16HostileTest, InputPastTheTextLimitIsRefusedBeforeItIsRead) {
  if (!zelu::testing::kRoomPastTheLimit) GTEST_SKIP() << zelu::testing::kNoRoomPastTheLimit;
  const auto input = zelu::testing::MappedInput::Zeros(zelu::testing::kFourGibibytes);
  auto* data = const_cast<unsigned char*>(input.data());  // read only, never written
  CString out(u"unchanged");
  for (const ULONG count : {ULONG{1} << 30, ULONG{0xFFFFFFFFu}}) {
    EXPECT_THROW(CBase16::Encode(data, count, out), std::length_error) << count;
    EXPECT_THROW(CBytes::encode(data, count, out, false), std::length_error) << count;
  }
  for (const ULONG count : {(ULONG{1} << 30) - 2, ULONG{0xFFFFFFFFu}}) {
    EXPECT_THROW(CBytes::encode(data, count, out), std::length_error) << count;
  }
  EXPECT_EQ(out, CString(u"unchanged"));
}

}  // namespace
