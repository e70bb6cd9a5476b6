// CZelString objects on several threads at once, one set of objects per
// thread: each thread's loads, formats, views, copies and replacements give
// what they give on one thread, while every thread reads the same language
// module and main program's strings.
#include <zelu/text/zel_string.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/testing/threads.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ToU16;
using zelu::testing::WideText;
using zelu::win32::StringModule;

// One thread's work; the number of results that differed from the expected.
int Mismatches(HINSTANCE language, int thread) {
  const std::u16string name = u"Thread " + std::u16string(1, static_cast<char16_t>(u'A' + thread));
  int wrong = 0;
  const auto expect = [&wrong](bool same) { wrong += same ? 0 : 1; };
  for (int round = 0; round < 200; ++round) {
    CZelString text(language, 1);  // "%s says HELLO hello" from the language module
    expect(text.Format(1, WideText(name).c_str()));
    expect(ToU16(text) == name + u" says HELLO hello");
    const char* before = text.AsUTF8();
    CZelString copy(text);
    expect(copy.ReplaceNoCase(WideText(u"hello"), WideText(u"bye")) == 2);
    expect(ToU16(copy) == name + u" says bye bye");
    expect(std::string(before) == std::string(text.AsUTF8()) && before != text.AsUTF8());
    expect(copy.LoadStringW(2) && ToU16(copy) == u"from the main program");
    BSTR automation = text.AllocSysString();
    expect(ToU16(automation) == name + u" says HELLO hello");
    SysFreeString(automation);
    copy = static_cast<const char*>(text);
    expect(copy.GetLength() == text.GetLength());
  }
  return wrong;
}

TEST(ZelStringThreadsTest, ObjectsOnSeveralThreadsShareOnlyTheStringModules) {
  const StringModule language{{1, u"%s says HELLO hello"}};
  const StringModule main{{2, u"from the main program"}};
  const HINSTANCE previous = zelu::win32::SetMainProgramStrings(main.handle());
  const int mismatches = zelu::testing::RunOnThreads(zelu::testing::kTestThreads,
                                                     [&](int thread) { return Mismatches(language.handle(), thread); });
  zelu::win32::SetMainProgramStrings(previous);
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
