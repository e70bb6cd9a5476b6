#include <zelu/text/zel_string.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/platform/win32/library_loader.h>
#include <zelu/testing/resource_fixtures.h>
#include <zelu/testing/wide_text.h>

namespace {

using namespace std::literals;
using zelu::testing::ToU16;
using zelu::testing::WideText;
using zelu::win32::StringModule;

// Every observable of the data model: no text (nullopt) or the text, with
// its UTF-8 bytes.
void ExpectState(CZelString& s, const std::optional<std::u16string>& text, std::string_view utf8, const char* name) {
  SCOPED_TRACE(name);
  BSTR automation = s.AllocSysString();
  if (!text) {
    EXPECT_EQ(s.GetLength(), -1);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(static_cast<WCHAR*>(s), nullptr);
    EXPECT_EQ(static_cast<char*>(s), nullptr);
    EXPECT_EQ(s.AsUTF8(), nullptr);
    EXPECT_EQ(automation, nullptr);
    return;
  }
  EXPECT_EQ(s.GetLength(), static_cast<int>(text->size()));
  EXPECT_EQ(s.IsEmpty(), text->empty());
  ASSERT_NE(static_cast<WCHAR*>(s), nullptr);
  EXPECT_EQ(ToU16(static_cast<WCHAR*>(s)), *text);
  ASSERT_NE(s.AsUTF8(), nullptr);
  EXPECT_EQ(std::string_view(s.AsUTF8()), utf8);
  EXPECT_EQ(std::string_view(static_cast<char*>(s)), utf8) << "the narrow code page is UTF-8";
  ASSERT_NE(automation, nullptr);
  EXPECT_EQ(SysStringLen(automation), text->size());
  EXPECT_EQ(ToU16(automation, text->size()), *text);
  SysFreeString(automation);
}

struct Strings {
  StringModule language{{1, u"language one"}, {3, u"language only"}, {5, u""}, {6, u"%d of %s"}};
  StringModule main{{1, u"main one"}, {2, u"main only"}, {5, u"main five"}};
  HINSTANCE previous = zelu::win32::SetMainProgramStrings(main.handle());
  ~Strings() { zelu::win32::SetMainProgramStrings(previous); }
};

// Each row builds an object one way; then every observable is checked.
TEST(ZelStringTest, EveryWayInGivesTheStateOfTheDataModel) {
  const Strings strings;
  const WideText e_acute(u"\u00e9"), empty(u""), mixed(u"a\U0001F600\xD800"sv);
  const struct {
    const char* name;
    std::function<void(CZelString&)> make;
    std::optional<std::u16string> text;
    std::string_view utf8;
  } rows[] = {
      {"Default", [](CZelString&) {}, std::nullopt, ""},
      {"EmptyNarrow", [](CZelString& s) { s = ""; }, u"", ""},
      {"EmptyWide", [&](CZelString& s) { s = empty.c_str(); }, u"", ""},
      {"NullNarrow", [](CZelString& s) { s = "x"; s = static_cast<const char*>(nullptr); }, std::nullopt, ""},
      {"NullWide", [](CZelString& s) { s = "x"; s = static_cast<const WCHAR*>(nullptr); }, std::nullopt, ""},
      {"Narrow", [](CZelString& s) { s = "h\xC3\xA9\xF0\x9F\x98\x80"; }, u"h\u00e9\U0001F600", "h\xC3\xA9\xF0\x9F\x98\x80"},
      {"MalformedNarrow", [](CZelString& s) { s = "a\xFF"; }, u"a\ufffd", "a\xEF\xBF\xBD"},
      {"Wide", [&](CZelString& s) { s = e_acute.c_str(); }, u"\u00e9", "\xC3\xA9"},
      {"UnpairedSurrogate", [&](CZelString& s) { s = mixed.c_str(); }, u"a\U0001F600\xD800"s,
       "a\xF0\x9F\x98\x80\xEF\xBF\xBD"},
      {"ResourceNone", [&](CZelString& s) { s = CZelString(strings.language.handle(), 0xFFFFFFFF); }, std::nullopt, ""},
      {"Resource", [&](CZelString& s) { s = CZelString(strings.language.handle(), 3); }, u"language only", "language only"},
      {"ResourceMissing", [&](CZelString& s) { s = CZelString(strings.language.handle(), 9); }, std::nullopt, ""},
      {"Emptied", [](CZelString& s) { s = "x"; s.Empty(); }, std::nullopt, ""},
      {"LoadFailsAfterText", [](CZelString& s) { s = "x"; EXPECT_FALSE(s.LoadStringW(9)); }, std::nullopt, ""},
      {"FormatFailsAfterText", [](CZelString& s) { s = "x"; EXPECT_FALSE(s.Format(9, 1)); }, std::nullopt, ""},
  };
  for (const auto& row : rows) {
    CZelString s;
    row.make(s);
    ExpectState(s, row.text, row.utf8, row.name);
  }
  CZelString from_narrow("abc");
  ExpectState(from_narrow, u"abc", "abc", "NarrowConstructor");
  CZelString from_wide(e_acute.c_str());
  ExpectState(from_wide, u"\u00e9", "\xC3\xA9", "WideConstructor");
}

// Each row: the language module (or none), the id, and what LoadStringW
// found: the language module first, then the main program.
TEST(ZelStringTest, ResourcesComeFromTheLanguageModuleThenTheMainProgram) {
  const Strings strings;
  const struct { bool language; unsigned id; std::optional<std::u16string> text; } rows[] = {
      {true, 1, u"language one"}, {true, 2, u"main only"}, {true, 3, u"language only"},
      {true, 5, u"main five"} /* empty in the language module counts as missing */, {true, 4, std::nullopt},
      {false, 1, u"main one"}, {false, 3, std::nullopt},
  };
  for (const auto& row : rows) {
    CZelString s("previous");
    s.setLangDLL(row.language ? strings.language.handle() : nullptr);
    EXPECT_EQ(s.LoadStringW(row.id), row.text.has_value()) << row.id;
    ExpectState(s, row.text, row.text ? std::string(row.text->begin(), row.text->end()) : "", "load");
  }
  CZelString s(strings.language.handle(), 1);
  s.Empty();
  EXPECT_TRUE(s.LoadStringW(3)) << "Empty keeps the language module";
}

TEST(ZelStringTest, ResourcesAndFormattedTextAreCutAt1023Units) {
  const std::u16string long_text = std::u16string(1020, u'x') + u"abcdefgh";
  StringModule module({{1, long_text}, {2, u"%s"}, {3, u"[%s]"}});
  CZelString s(module.handle(), 1);
  EXPECT_EQ(s.GetLength(), 1023);
  EXPECT_EQ(ToU16(static_cast<WCHAR*>(s)), long_text.substr(0, 1023));
  const WideText argument(long_text);
  EXPECT_TRUE(s.Format(2, argument.c_str()));
  EXPECT_EQ(ToU16(static_cast<WCHAR*>(s)), long_text.substr(0, 1023));
  EXPECT_TRUE(s.Format(3, argument.c_str()));
  EXPECT_EQ(ToU16(static_cast<WCHAR*>(s)), u"[" + long_text.substr(0, 1022));
}

// Language modules loaded from the platform's files serve CZelString like
// any other: the 2,000-unit string is cut to 1023, and an empty entry falls
// back to the main program.
TEST(ZelStringTest, ModulesLoadedFromFilesServeTheLanguageModule) {
  const StringModule main({{17, u"main seventeen"}});
  const HINSTANCE previous = zelu::win32::SetMainProgramStrings(main.handle());
  std::u16string digits;
  while (digits.size() < 1023) digits += u"0123456789";
  digits.resize(1023);
  const std::string digits_utf8(digits.begin(), digits.end());
  const struct { unsigned id; std::optional<std::u16string> text; std::string_view utf8; } rows[] = {
      {200, digits, digits_utf8}, {17, u"main seventeen", "main seventeen"},
      {31, u"caf\u00e9 \U0001F600", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
      {4095, u"4095: last of bundle 256", "4095: last of bundle 256"},
      {18, std::nullopt, ""},
  };
  for (const char* name : {"strings_pe32.dll", "strings_pe64.dll", "strings.res"}) {
    const HMODULE module = LoadLibraryExW(zelu::testing::ResourceFixturePath(name), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << name;
    for (const auto& row : rows) {
      CZelString s("previous");
      s.setLangDLL(module);
      EXPECT_EQ(s.LoadStringW(row.id), row.text.has_value()) << name << " " << row.id;
      ExpectState(s, row.text, row.utf8, name);
    }
    EXPECT_EQ(CZelString(module, 16).GetLength(), 26) << name;
    EXPECT_EQ(FreeLibrary(module), TRUE);
  }
  zelu::win32::SetMainProgramStrings(previous);
}

TEST(ZelStringTest, FormatUsesTheLoadedResourceAsTheFormat) {
  const Strings strings;
  CZelString s(strings.language.handle(), 0xFFFFFFFF);
  const WideText items(u"items");
  EXPECT_TRUE(s.Format(6, 42, items.c_str()));
  EXPECT_EQ(ToU16(static_cast<WCHAR*>(s)), u"42 of items");
  EXPECT_TRUE(s.Format(6, 7, CString(u"days")));  // a CString stands for its units
  EXPECT_EQ(ToU16(static_cast<WCHAR*>(s)), u"7 of days");
  EXPECT_TRUE(s.Format(2));
  EXPECT_EQ(ToU16(static_cast<WCHAR*>(s)), u"main only") << "the fall-back holds for Format too";
}

// Every view call makes a buffer of its own, readable (checked under
// AddressSanitizer) until the text changes: writing into one view, as
// strtok does, leaves the others alone.
TEST(ZelStringTest, EveryViewIsANewBufferThatLivesUntilTheTextChanges) {
  CZelString s("caf\xC3\xA9 au lait");
  char* first = s.AsUTF8();
  char* narrow = static_cast<char*>(s);
  char* again = s.AsUTF8();
  EXPECT_TRUE(narrow != first && again != first && again != narrow);
  EXPECT_STREQ(std::strtok(first, " "), "caf\xC3\xA9");
  EXPECT_STREQ(narrow, "caf\xC3\xA9 au lait");
  EXPECT_STREQ(again, "caf\xC3\xA9 au lait");
  static_cast<WCHAR*>(s)[0] = 'C';  // the text changes in place, through its own pointer
  EXPECT_STREQ(s.AsUTF8(), "Caf\xC3\xA9 au lait");
  const WideText find(u"zzz");
  EXPECT_EQ(s.ReplaceNoCase(find, find), 0);
  EXPECT_STREQ(first, "caf\xC3\xA9") << "a replacement of nothing keeps every view";
  EXPECT_STREQ(narrow, "caf\xC3\xA9 au lait");
}

// Texts of every length across several 32-unit blocks, each in both
// widths and cut short by a zero written through the wide pointer: the
// length and the views end where the text does.
TEST(ZelStringTest, LengthAndViewsEndAtTheFirstZeroUnit) {
  for (std::size_t length = 0; length < 100; ++length) {
    std::u16string text;
    std::string utf8;
    for (std::size_t i = 0; i < length; ++i) {
      text += i % 7 == 6 ? u'\u00e9' : static_cast<char16_t>('a' + i % 26);
      utf8 += i % 7 == 6 ? "\xC3\xA9" : std::string(1, static_cast<char>('a' + i % 26));
    }
    CZelString wide(WideText(text).c_str()), narrow(utf8.c_str());
    for (CZelString* s : {&wide, &narrow}) {
      EXPECT_EQ(s->GetLength(), static_cast<int>(length));
      EXPECT_EQ(std::string_view(s->AsUTF8()), utf8) << length;
      if (length == 0) continue;
      const std::size_t cut = length / 2;
      static_cast<WCHAR*>(*s)[cut] = 0;
      EXPECT_EQ(s->GetLength(), static_cast<int>(cut));
      EXPECT_EQ(ToU16(static_cast<WCHAR*>(*s)), text.substr(0, cut));
      EXPECT_EQ(std::string_view(s->AsUTF8()).size(), cut + cut / 7) << length;
    }
  }
}

// Each row: the text (or none), find (or null), replace (or null), the
// count and the text after.
TEST(ZelStringTest, ReplaceNoCase) {
  const struct {
    std::optional<std::u16string_view> text, find, replace;
    int count;
    std::optional<std::u16string_view> after;
  } rows[] = {
      {u"Hello HELLO hello", u"hello", u"x", 3, u"x x x"}, {u"aaaa", u"aa", u"a", 2, u"aa"},
      {u"abc", u"B", u"XY", 1, u"aXYc"}, {u"abc", u"d", u"x", 0, u"abc"}, {std::nullopt, u"a", u"x", 0, std::nullopt},
      {u"ab", u"AB", u"", 1, u""}, {u"aaa", u"a", u"AA", 3, u"AAAAAA"} /* the replacement is not searched */,
      {u"\u00c9t\u00c9", u"\u00e9", u"e", 2, u"ete"}, {u"\u03a3\u03c3", u"\u03c3", u"s", 2, u"ss"},
      {u"abc", u"", u"x", 0, u"abc"}, {u"abc", std::nullopt, u"x", 0, u"abc"},
      {std::nullopt, u"", u"x", 0, std::nullopt}, {u"", u"a", u"x", 0, u""},
      {u"a-B-c", u"b", std::nullopt, 1, u"a--c"} /* a null replacement deletes */,
      {u"\u00df", u"ss", u"x", 0, u"\u00df"}, {u"xYz", u"XYZ", u"q", 1, u"q"},
  };
  for (const auto& row : rows) {
    CZelString s;
    if (row.text) s = WideText(*row.text).c_str();
    const std::optional<WideText> find = row.find ? std::optional<WideText>(*row.find) : std::nullopt;
    const std::optional<WideText> replace = row.replace ? std::optional<WideText>(*row.replace) : std::nullopt;
    const std::string name = testing::PrintToString(row.text.value_or(u"(none)")) + " / " +
                             testing::PrintToString(row.find.value_or(u"(null)"));
    EXPECT_EQ(s.ReplaceNoCase(find ? find->c_str() : nullptr, replace ? replace->c_str() : nullptr), row.count)
        << name;
    if (row.after) {
      ASSERT_NE(static_cast<WCHAR*>(s), nullptr) << name;
      EXPECT_EQ(ToU16(static_cast<WCHAR*>(s)), *row.after) << name;
    } else {
      EXPECT_EQ(static_cast<WCHAR*>(s), nullptr) << name;
    }
  }
}

TEST(ZelStringTest, CopiesNeverShareABuffer) {
  const Strings strings;
  CZelString a(strings.language.handle(), 1);
  const char* a_view = a.AsUTF8();
  CZelString b(a);
  CZelString c;
  c = a;
  EXPECT_NE(static_cast<WCHAR*>(b), static_cast<WCHAR*>(a));
  EXPECT_NE(b.AsUTF8(), a_view);
  static_cast<WCHAR*>(a)[0] = 'L';
  CZelString& same = a;
  a = same;  // self-assignment changes nothing
  EXPECT_STREQ(a_view, "language one") << "self-assignment keeps the views";
  EXPECT_STREQ(a.AsUTF8(), "Language one");
  EXPECT_STREQ(b.AsUTF8(), "language one");
  EXPECT_STREQ(c.AsUTF8(), "language one");
  a.Empty();
  EXPECT_TRUE(b.LoadStringW(3) && c.LoadStringW(3)) << "the language module is copied";
  CZelString none;
  b = none;
  EXPECT_EQ(b.GetLength(), -1);
  EXPECT_FALSE(b.LoadStringW(3)) << "and replaced by the other's";
}

// Arguments may point into the object's own text or views.
TEST(ZelStringTest, ArgumentsMayPointIntoTheObjectsOwnBuffers) {
  StringModule module({{1, u"[%s|%S]"}});
  CZelString s("hello world");
  s = static_cast<WCHAR*>(s) + 6;
  EXPECT_STREQ(s.AsUTF8(), "world");
  s = s.AsUTF8();
  EXPECT_STREQ(s.AsUTF8(), "world");
  s = static_cast<char*>(s) + 1;
  EXPECT_STREQ(s.AsUTF8(), "orld");
  s.setLangDLL(module.handle());
  EXPECT_TRUE(s.Format(1, static_cast<WCHAR*>(s), s.AsUTF8()));
  EXPECT_STREQ(s.AsUTF8(), "[orld|orld]");
  EXPECT_EQ(s.ReplaceNoCase(static_cast<WCHAR*>(s), static_cast<WCHAR*>(s)), 1);
  EXPECT_STREQ(s.AsUTF8(), "[orld|orld]");
  EXPECT_EQ(s.ReplaceNoCase(static_cast<WCHAR*>(s) + 6, static_cast<WCHAR*>(s) + 1), 1);
  EXPECT_STREQ(s.AsUTF8(), "[orld|orld|orld]") << "find \"orld]\", replace \"orld|orld]\"";
}

}  // namespace
