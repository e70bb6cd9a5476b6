// CZelString refuses a text of 2^31 units, whichever way it comes in, with
// std::length_error and without changing the object; the text is mapped
// memory of 4 GiB that costs one block.
#include <zelu/text/zel_string.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include <zelu/testing/mapped_input.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ToU16;
using zelu::testing::WideText;

TEST(ZelStringHostileTest, ATextOf2To31UnitsIsRefusedAndChangesNothing) {
  if (!zelu::testing::kRoomPastTheLimit) GTEST_SKIP() << zelu::testing::kNoRoomPastTheLimit;
  const auto input = zelu::testing::TextPastTheLimit();
  const auto* text = reinterpret_cast<const WCHAR*>(input.data());
  EXPECT_THROW(CZelString{text}, std::length_error);
  CZelString kept(WideText(u"kept"));
  const char* view = kept.AsUTF8();
  EXPECT_THROW(kept = text, std::length_error);
  EXPECT_EQ(kept.ReplaceNoCase(WideText(u"x"), text), 0) << "nothing found, nothing read";
  EXPECT_THROW(kept.ReplaceNoCase(text, WideText(u"y")), std::length_error);
  EXPECT_EQ(ToU16(kept), u"kept");
  EXPECT_STREQ(view, "kept") << "the view lives on";
}

}  // namespace
