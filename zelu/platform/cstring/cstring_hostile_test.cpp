// CString at the edge of its size: a text holds at most 2^31 - 2 units, and
// every way of going past that throws std::length_error and leaves the
// strings as they were, never wrapping a length around. The long strings
// here are made with GetBufferSetLength, whose storage comes zeroed from the
// system untouched, so a text of gigabytes costs address space, not memory.
#include <zelu/platform/cstring/cstring.h>

#include <climits>
#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/testing/mapped_input.h>

namespace {

constexpr int kLongest = INT_MAX - 1;  // units a CString can hold
constexpr int kHalf = 1 << 30;         // two of these are one too many

CString Long(int length) {
  CString text;
  text.GetBufferSetLength(length);
  return text;
}

struct Growth {
  const char* name;
  std::function<void(CString& text, const CString& other)> grow;
};

// Each row grows `text` (kLongest units) or joins `other` (kHalf units) to
// a string of its length, past the limit.
const Growth kGrowths[] = {
    {"+= text", [](CString& text, const CString&) { text += CString(u"x"); }},
    {"+= pointer", [](CString& text, const CString&) { text += u"x"; }},
    {"+= unit", [](CString& text, const CString&) { text += WCHAR{'x'}; }},
    {"GetBuffer past the limit", [](CString& text, const CString&) { text.GetBuffer(INT_MAX); }},
    {"GetBufferSetLength past the limit", [](CString& text, const CString&) { text.GetBufferSetLength(INT_MAX); }},
    {"string + unit", [](CString& text, const CString&) { static_cast<void>(text + WCHAR{'x'}); }},
    {"unit + string", [](CString& text, const CString&) { static_cast<void>(WCHAR{'x'} + text); }},
    {"half += half", [](CString&, const CString& other) {
       CString copy = Long(kHalf);
       copy += other;
     }},
};

TEST(CStringHostileTest, GrowingPastTheLimitThrowsAndChangesNothing) {
  if (!zelu::testing::kRoomPastTheLimit) GTEST_SKIP() << zelu::testing::kNoRoomPastTheLimit;
  CString text = Long(kLongest);
  const CString half = Long(kHalf);
  for (const Growth& growth : kGrowths) {
    EXPECT_THROW(growth.grow(text, half), std::length_error) << growth.name;
    EXPECT_EQ(text.GetLength(), kLongest) << growth.name;
    EXPECT_EQ(half.GetLength(), kHalf) << growth.name;
  }
}

// Found here: joining two strings summed their lengths in int, which
// overflowed past the limit, reserved nothing and copied a gigabyte before
// the second half failed.
TEST(CStringHostileTest, JoiningTwoHalvesIsRefusedBeforeAnythingIsCopied) {
  if (!zelu::testing::kRoomPastTheLimit) GTEST_SKIP() << zelu::testing::kNoRoomPastTheLimit;
  const CString half = Long(kHalf);
  EXPECT_THROW(static_cast<void>(half + half), std::length_error);
  const CString longest = Long(kLongest);
  EXPECT_THROW(static_cast<void>(longest + longest), std::length_error);
}

TEST(CStringHostileTest, LengthsPastTheLimitThrowBeforeReadingOrAllocating) {
  const WCHAR two[] = {'a', 'b', 0};  // never read past: the length is refused first
  EXPECT_THROW(CString(two, INT_MAX), std::length_error);
  EXPECT_THROW(CString(u'x', INT_MAX), std::length_error);
  EXPECT_EQ(CString(two, INT_MIN).GetLength(), 0);
  EXPECT_EQ(CString(u'x', INT_MIN).GetLength(), 0);
}

// A zero-terminated text of 2^31 units is measured, refused, and never copied.
TEST(CStringHostileTest, ATextOf2To31UnitsIsRefused) {
  if (!zelu::testing::kRoomPastTheLimit) GTEST_SKIP() << zelu::testing::kNoRoomPastTheLimit;
  const auto input = zelu::testing::TextPastTheLimit();
  const auto* text = reinterpret_cast<const WCHAR*>(input.data());
  EXPECT_THROW(CString{text}, std::length_error);
  CString kept(u"kept");
  EXPECT_THROW(kept = text, std::length_error);
  EXPECT_THROW(kept += text, std::length_error);
  EXPECT_EQ(kept, CString(u"kept"));
}

// The automation string of a text past its 32-bit byte length is refused.
TEST(CStringHostileTest, AutomationStringsPastTheirByteLimitAreRefused) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFCu), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  if (!zelu::testing::kRoomPastTheLimit) GTEST_SKIP() << zelu::testing::kNoRoomPastTheLimit;
  EXPECT_EQ(Long(kLongest).AllocSysString(), nullptr);
}

}  // namespace
