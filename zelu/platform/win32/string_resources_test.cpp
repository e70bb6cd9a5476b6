#include <zelu/platform/win32/string_resources.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/win32/last_error.h>
#include <zelu/testing/wide_text.h>

namespace {

using namespace std::string_view_literals;
using zelu::testing::ToU16;
using zelu::win32::SetMainProgramStrings;
using zelu::win32::StringModule;

constexpr DWORD kUntouched = 0xDEAD;

// Registers a module as the main program's for one test.
class MainProgramStrings {
 public:
  explicit MainProgramStrings(HINSTANCE module) : previous_(SetMainProgramStrings(module)) {}
  ~MainProgramStrings() { SetMainProgramStrings(previous_); }

 private:
  HINSTANCE previous_;
};

// Each row: LoadStringW(module or the main program, id, buffer of 6 units
// of '~', capacity): the result, the buffer after and the last error.
TEST(StringResourcesTest, LoadStringCopiesAtMostOneUnitLessThanTheCapacity) {
  const StringModule language({{1, u"Hello"}, {2, u""}, {3, u"ab\0c"sv}, {0xFFFFFFFF, u"last"}});
  const StringModule program({{1, u"Main"}, {4, u"Only main"}});
  const MainProgramStrings registered(program.handle());
  const struct { bool main; UINT id; int capacity, result; std::u16string_view after; DWORD error; } rows[] = {
      {false, 1, 6, 5, u"Hello\0"sv, kUntouched}, {false, 1, 5, 4, u"Hell\0~"sv, kUntouched},
      {false, 1, 2, 1, u"H\0~~~~"sv, kUntouched}, {false, 1, 1, 0, u"\0~~~~~"sv, kUntouched},
      {false, 3, 6, 4, u"ab\0c\0~"sv, kUntouched} /* the length is the resource's own */,
      {false, 0xFFFFFFFF, 6, 4, u"last\0~"sv, kUntouched},
      {false, 2, 6, 0, u"~~~~~~", ERROR_RESOURCE_NAME_NOT_FOUND} /* empty is missing */,
      {false, 4, 6, 0, u"~~~~~~", ERROR_RESOURCE_NAME_NOT_FOUND} /* no fall-back inside the call */,
      {true, 1, 6, 4, u"Main\0~"sv, kUntouched}, {true, 4, 6, 5, u"Only \0"sv, kUntouched},
      {true, 9, 6, 0, u"~~~~~~", ERROR_RESOURCE_NAME_NOT_FOUND},
      {false, 1, -1, 0, u"~~~~~~", ERROR_INVALID_PARAMETER},
  };
  for (const auto& row : rows) {
    WCHAR buffer[6] = {'~', '~', '~', '~', '~', '~'};
    SetLastError(kUntouched);
    EXPECT_EQ(LoadStringW(row.main ? nullptr : language.handle(), row.id, buffer, row.capacity), row.result)
        << row.id << " " << row.capacity;
    EXPECT_EQ(ToU16(buffer, 6), row.after) << row.id << " " << row.capacity;
    EXPECT_EQ(GetLastError(), row.error) << row.id << " " << row.capacity;
  }
  SetLastError(kUntouched);
  EXPECT_EQ(LoadStringW(language.handle(), 1, nullptr, 6), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(StringResourcesTest, CapacityZeroGivesAReadOnlyPointerToTheText) {
  const StringModule module({{7, u"Resource text"}});
  const WCHAR* text = nullptr;
  EXPECT_EQ(LoadStringW(module.handle(), 7, reinterpret_cast<LPWSTR>(&text), 0), 13);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(ToU16(text, 13), u"Resource text");
  const WCHAR* unchanged = nullptr;
  EXPECT_EQ(LoadStringW(module.handle(), 8, reinterpret_cast<LPWSTR>(&unchanged), 0), 0);
  EXPECT_EQ(unchanged, nullptr);
}

TEST(StringResourcesTest, TheNullHandleReadsTheRegisteredModuleOnly) {
  const StringModule first({{1, u"first"}});
  const StringModule second({{1, u"second"}});
  WCHAR buffer[8] = {};
  const HINSTANCE before = SetMainProgramStrings(nullptr);
  SetLastError(kUntouched);
  EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
  EXPECT_EQ(SetMainProgramStrings(first.handle()), nullptr);
  EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 8), 5);
  EXPECT_EQ(SetMainProgramStrings(second.handle()), first.handle());
  EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 8), 6);
  EXPECT_EQ(ToU16(buffer), u"second");
  SetMainProgramStrings(before);
}

TEST(StringResourcesTest, SetAddsReplacesRemovesAndRefusesTooLongTexts) {
  StringModule module;
  WCHAR buffer[4] = {};
  module.Set(5, u"abc");
  module.Set(5, u"xy");
  EXPECT_EQ(LoadStringW(module.handle(), 5, buffer, 4), 2);
  EXPECT_EQ(ToU16(buffer), u"xy");
  module.Set(5, u"");
  EXPECT_EQ(LoadStringW(module.handle(), 5, buffer, 4), 0);
  const std::u16string longest(0xFFFF, u'x');
  module.Set(6, longest);
  const WCHAR* text = nullptr;
  EXPECT_EQ(LoadStringW(module.handle(), 6, reinterpret_cast<LPWSTR>(&text), 0), 0xFFFF);
  EXPECT_THROW(module.Set(6, longest + u"x"), std::length_error);
  EXPECT_EQ(LoadStringW(module.handle(), 6, reinterpret_cast<LPWSTR>(&text), 0), 0xFFFF) << "a refused Set changes nothing";
  const StringModule moved(std::move(module));
  EXPECT_EQ(LoadStringW(moved.handle(), 6, buffer, 4), 3);
}

}  // namespace
