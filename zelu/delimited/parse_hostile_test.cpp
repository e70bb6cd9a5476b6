// The delimited parser on lines that hurt: a line of a mebibyte in one
// field (plain, quoted with delimiters inside, or an unmatched quote), and a
// line of a million fields read by position and in sequence. Every read
// gives the field, and reading all the fields takes one pass over the line
// (the times go into the test's record).
#include <zelu/delimited/parse.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/mapped_input.h>
#include <zelu/testing/wide_text.h>

namespace {

using Clock = std::chrono::steady_clock;
using zelu::testing::WideText;

int Milliseconds(Clock::duration elapsed) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

constexpr std::size_t kMebibyte = std::size_t{1} << 20;

TEST(DelimitedParseHostileTest, AMebibyteLineInOneField) {
  const std::u16string plain(kMebibyte, u'x');
  const std::u16string quoted = u"\"" + std::u16string(kMebibyte / 2, u',') + u"\"" + std::u16string(kMebibyte / 2, u'y');
  const std::u16string unmatched = u"\"" + std::u16string(kMebibyte - 1, u',');
  for (const std::u16string& line : {plain, quoted, unmatched}) {
    CDelimitedParse parse(WideText(line), u',');
    ASSERT_EQ(parse.GetFieldCount(), 1);
    CString field;
    ASSERT_TRUE(parse.GetAt(0, field));
    EXPECT_TRUE(field.ToU16String() == line);
    WCHAR buffer[8];
    ASSERT_TRUE(parse.GetNext(buffer, 8));
    EXPECT_EQ(std::u16string(buffer, buffer + 6), line.substr(0, 6)) << "size - 2 units and a zero";
    EXPECT_EQ(buffer[6], 0);
  }
}

TEST(DelimitedParseHostileTest, AMillionFieldsInOnePass) {
  constexpr int kFields = 1000000;
  std::u16string line;
  for (int i = 0; i < kFields; ++i) {
    const std::string number = std::to_string(i % 1000);
    line.append(number.begin(), number.end());
    line += i + 1 < kFields ? u"," : u"  \r\n";
  }
  const auto started = Clock::now();
  CDelimitedParse parse(WideText(line), u',');
  const auto parsed = Clock::now();
  ASSERT_EQ(parse.GetFieldCount(), kFields);
  int wrong = 0;
  for (int i = 0; i < kFields; ++i) {
    int value = -1;
    wrong += parse.GetNext(value) && value == i % 1000 ? 0 : 1;
  }
  int last = -1;
  EXPECT_FALSE(parse.GetNext(last));
  for (int i = kFields - 1; i >= 0; i -= 997) {
    CString field;
    wrong += parse.GetAt(i, field) && field == CString(std::to_string(i % 1000).c_str()) ? 0 : 1;
  }
  RecordProperty("parse_ms", Milliseconds(parsed - started));
  RecordProperty("read_ms", Milliseconds(Clock::now() - parsed));
  EXPECT_EQ(wrong, 0);
  EXPECT_FALSE(parse.GetAt(kFields, last));
}

// A line of 2^31 units is refused with std::length_error and leaves no
// fields, though it holds no delimiter to split at.
TEST(DelimitedParseHostileTest, ALineOf2To31UnitsIsRefused) {
  if (!zelu::testing::kRoomPastTheLimit) GTEST_SKIP() << zelu::testing::kNoRoomPastTheLimit;
  const auto input = zelu::testing::TextPastTheLimit();
  CDelimitedParse parse(WideText(u"a,b"), u',');
  EXPECT_THROW(parse.ParseLine(reinterpret_cast<const WCHAR*>(input.data())), std::length_error);
  EXPECT_EQ(parse.GetFieldCount(), 0);
}

}  // namespace
