// The wide formatter against the C library's snprintf: every conversion,
// flag, width, precision and size prefix it accepts gives snprintf's text
// for the matching narrow directive; then the wide conventions and the
// refusals, which have no snprintf counterpart.
#include <zelu/platform/win32/wide_format.h>

#include <cfloat>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/mapped_input.h>

namespace {

using zelu::win32::AppendWideFormat;
using zelu::win32::WideFormatOptions;

std::u16string WidenAscii(const std::string& text) { return {text.begin(), text.end()}; }

std::u16string FormatWide(WideFormatOptions options, const char16_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::vector<WCHAR> out;
  try {
    AppendWideFormat(out, format, args, options);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
  return {out.begin(), out.end()};
}

template <typename... Args>
std::u16string Wide(const std::string& format, Args... args) {
  return FormatWide({}, WidenAscii(format).c_str(), args...);
}

template <typename... Args>
std::string Narrow(const std::string& format, Args... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  const int length = std::snprintf(nullptr, 0, format.c_str(), args...);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format.c_str(), args...);
#pragma GCC diagnostic pop
  text.pop_back();
  return text;
}

// Every flag set, width and precision, in the form "%<flags><width><precision>".
std::vector<std::string> Prefixes(bool with_alternate, bool with_zero) {
  const std::string flags = "-+ #0";
  std::vector<std::string> prefixes;
  for (unsigned set = 0; set < 32; ++set) {
    std::string chosen;
    for (unsigned bit = 0; bit < 5; ++bit) {
      if ((set >> bit & 1) != 0) chosen += flags[bit];
    }
    if ((!with_alternate && chosen.find('#') != std::string::npos) ||
        (!with_zero && chosen.find('0') != std::string::npos)) {
      continue;
    }
    for (const char* width : {"", "1", "7", "25"}) {
      for (const char* precision : {"", ".", ".0", ".1", ".5", ".20"}) prefixes.push_back("%" + chosen + width + precision);
    }
  }
  return prefixes;
}

// Each size prefix of the wide conventions with the narrow one it means
// ('l' and "I32" are 32 bits there).
struct SizePrefix {
  const char* wide;
  const char* narrow;
};

template <typename Value>
void ExpectIntegersMatch(const std::vector<SizePrefix>& sizes, const std::vector<Value>& values) {
  int mismatches = 0;
  for (const char conversion : std::string("diuxXo")) {
    const bool alternate = conversion == 'x' || conversion == 'X' || conversion == 'o';
    for (const std::string& prefix : Prefixes(alternate, true)) {
      for (const SizePrefix& size : sizes) {
        for (const Value value : values) {
          const std::u16string wide = Wide(prefix + size.wide + conversion, value);
          const std::string narrow = Narrow(prefix + size.narrow + conversion, value);
          if (wide != WidenAscii(narrow) && ++mismatches <= 5) {
            ADD_FAILURE() << prefix << size.wide << conversion << " of " << value << ": expected \"" << narrow
                          << "\"";
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(WideFormatTest, IntegersMatchSnprintf) {
  ExpectIntegersMatch<int>({{"", ""}, {"l", ""}, {"I32", ""}, {"h", "h"}, {"hh", "hh"}},
                           {0, 1, -1, 42, -42, 255, 65535, 70000, INT_MAX, INT_MIN});
  ExpectIntegersMatch<long long>({{"ll", "ll"}, {"I64", "ll"}, {"j", "ll"}},
                                 {0LL, -1LL, 1LL << 40, LLONG_MAX, LLONG_MIN});
  ExpectIntegersMatch<std::size_t>({{"z", "z"}, {"I", "z"}}, {std::size_t{0}, SIZE_MAX, std::size_t{123456789}});
}

TEST(WideFormatTest, FloatingPointMatchesSnprintf) {
  const double values[] = {0.0, -0.0, 1.0, -1.5, 0.1, 2.5, 1e-7, 123456789.125, 1e300, DBL_MIN / 4, DBL_MAX,
                           HUGE_VAL, -HUGE_VAL, std::nan("")};
  int mismatches = 0;
  for (const char conversion : std::string("eEfFgGaA")) {
    for (const std::string& prefix : Prefixes(true, true)) {
      for (const double value : values) {
        for (const char* size : {"", "l"}) {
          const std::u16string wide = Wide(prefix + size + conversion, value);
          const std::string narrow = Narrow(prefix + conversion, value);
          if (wide != WidenAscii(narrow) && ++mismatches <= 5) {
            ADD_FAILURE() << prefix << size << conversion << " of " << value << ": expected \"" << narrow << "\"";
          }
        }
        const auto extended = static_cast<long double>(value);
        if (Wide(prefix + "L" + conversion, extended) != WidenAscii(Narrow(prefix + "L" + conversion, extended))) {
          ++mismatches;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// %s and %c with the wide conventions: the plain forms take wide text and
// units, %S and %C narrow ones; 'h' makes either narrow, 'l' and 'w' wide.
TEST(WideFormatTest, TextAndCharactersPadLikeSnprintf) {
  const WCHAR wide_text[] = {'z', 'e', 'l', 'u', 0};
  const char16_t char16_text[] = u"zelu";
  int mismatches = 0;
  for (const std::string& prefix : Prefixes(false, false)) {
    const std::string expected_text = Narrow(prefix + "s", "zelu");
    const std::string expected_char = Narrow(prefix + "c", 'z');
    const std::u16string texts[] = {Wide(prefix + "s", wide_text), Wide(prefix + "s", char16_text),
                                    Wide(prefix + "ls", wide_text), Wide(prefix + "ws", wide_text),
                                    Wide(prefix + "S", "zelu"),      Wide(prefix + "hs", "zelu")};
    const std::u16string characters[] = {Wide(prefix + "c", int{'z'}), Wide(prefix + "C", int{'z'}),
                                         Wide(prefix + "lC", int{'z'}), Wide(prefix + "hc", int{'z'})};
    for (const std::u16string& text : texts) mismatches += text != WidenAscii(expected_text);
    for (const std::u16string& character : characters) mismatches += character != WidenAscii(expected_char);
  }
  EXPECT_EQ(mismatches, 0);
}

struct ConventionRow {
  const char* name;
  std::u16string actual;
  std::u16string expected;
};

TEST(WideFormatTest, WideConventionsAndRefusals) {
  const WCHAR non_ascii[] = {0x00E9, 0xD83D, 0xDE00, 0};
  const ConventionRow rows[] = {
      {"StarWidthAndPrecision", Wide("[%*.*d]", 6, 3, 7), u"[   007]"},
      {"NegativeStarWidthLeftAligns", Wide("[%*d]", -4, 7), u"[7   ]"},
      {"NegativeStarPrecisionIsNone", Wide("[%.*s]", -1, u"abc"), u"[abc]"},
      {"PrecisionCutsWideText", Wide("%.2s", non_ascii), std::u16string(u"\u00E9\xD83D")},
      {"WideTextKeepsEveryUnit", Wide("%s", non_ascii), u"\u00E9\U0001F600"},
      {"NarrowTextIsUtf8", Wide("%S", "na\xC3\xAFve \xF0\x9F\x98\x80"), u"na\u00EFve \U0001F600"},
      {"MalformedUtf8BecomesReplacement", Wide("%S", "a\xFF"), u"a\uFFFD"},
      {"NullTextArgument", Wide("%s|%S", static_cast<const WCHAR*>(nullptr), static_cast<const char*>(nullptr)),
       u"(null)|(null)"},
      {"WideCharacterIsOneUnit", Wide("%c", 0x20AC), u"\u20AC"},
      {"PercentPercent", Wide("100%%"), u"100%"},
      {"UnknownConversionTakesNoArgument", Wide("%q%d", 5), u"q5"},
      {"NWritesNothing", Wide("a%nb%d", static_cast<int*>(nullptr), 3), u"ab3"},
      {"FormatEndsInsideDirective", Wide("ab%-5"), u"ab"},
      {"FormatEndsAfterPercent", Wide("ab%"), u"ab"},
      {"NoFloatingPointTakesNoArgument", FormatWide({false}, u"%f|%d", 5), u"f|5"},
      {"NoFloatingPointEveryConversion", FormatWide({false}, u"%e%E%g%G%a%A%F"), u"eEgGaAF"},
      {"PointerIsFullWidthUpperHex", Wide("%p", reinterpret_cast<void*>(std::uintptr_t{0xABC})),
       WidenAscii(std::string(2 * sizeof(void*) - 3, '0') + "ABC")},
  };
  for (const ConventionRow& row : rows) EXPECT_EQ(row.actual, row.expected) << row.name;
}

// A width or precision that no text can hold fails at once, before
// anything of that size is allocated.
TEST(WideFormatTest, ResultsPastTheTextLimitThrow) {
  EXPECT_THROW(Wide("%2147483647d", 1), std::length_error);
  EXPECT_THROW(Wide("%2147483647s", u"ab"), std::length_error);
  EXPECT_THROW(Wide("%*c", INT_MAX, int{'x'}), std::length_error);
  EXPECT_THROW(Wide("%.2147483647f", 1.0), std::length_error);
}

}  // namespace

// With a limit, the result is the first `limit` units of the unlimited
// expansion, however far widths and precisions reach past it.
TEST(WideFormatTest, ALimitKeepsThePrefixOfTheUnlimitedResult) {
  const std::u16string long_text(2000, u'q');
  const struct { const char16_t* format; bool text; } formats[] = {
      {u"%*.*d", false}, {u"%-*.*d|", false}, {u"%0*.*d", false}, {u"%+#*.*x", false}, {u"ab%*.*ucd", false},
      {u"%*.*s|", true}, {u"%-*.*s|", true}, {u"[%*.*s]%d", true},
  };
  int mismatches = 0;
  for (const std::size_t limit : {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{1023}}) {
    const int l = static_cast<int>(limit);
    for (const int width : {0, 3, l - 2, l, l + 1, l + 40, 3 * l, 5000}) {
      for (const int precision : {-1, 0, 3, l - 2, l, l + 1, l + 40, 3 * l, 5000}) {
        for (const auto& [format, text] : formats) {
          for (const int value : {-42, 7}) {
            const std::u16string whole =
                text ? FormatWide({}, format, width, precision, value < 0 ? u"abcde" : long_text.c_str(), value)
                     : FormatWide({}, format, width, precision, value);
            const std::u16string cut = text ? FormatWide({true, limit}, format, width, precision,
                                                         value < 0 ? u"abcde" : long_text.c_str(), value)
                                            : FormatWide({true, limit}, format, width, precision, value);
            if (cut != whole.substr(0, limit) && ++mismatches <= 5) {
              ADD_FAILURE() << testing::PrintToString(std::u16string(format)) << " width " << width << " precision "
                            << precision << " value " << value << " limit " << limit;
            }
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(FormatWide({false, 5}, u"%2147483647d"), u"     ") << "no length_error under a limit";
  EXPECT_EQ(FormatWide({false, 5}, u"%.2147483647d", 1), u"00000");
  EXPECT_EQ(FormatWide({false, 5}, u"%-2147483647d|", 1), u"1    ");
  EXPECT_EQ(FormatWide({false, 5}, u"%*c|", INT_MAX, int{'x'}), u"     ");
  EXPECT_EQ(FormatWide({false, 5}, u"%-*c|", INT_MAX, int{'x'}), u"x    ");
}

// Found by fuzzing: a narrow string's precision counts bytes, so cutting it
// to `limit` bytes under a limit lost units from the visible result (600
// three-byte characters showed as 351). Narrow text of every byte length per
// unit, longer than the limit in bytes, keeps the unlimited prefix.
TEST(WideFormatTest, ALimitDoesNotCutANarrowStringShortByItsBytes) {
  const struct { const char* name; std::string repeated; } texts[] = {
      {"three-byte characters", "\xE2\x82\xAC"},
      {"four-byte characters", "\xF0\x9F\x98\x80"},
      {"two-byte characters", "\xC3\xA9"},
      {"ill-formed bytes", "\xE2\x82"},
  };
  for (const auto& [name, repeated] : texts) {
    std::string narrow;
    for (int i = 0; i < 1200; ++i) narrow += repeated;
    for (const std::size_t limit : {std::size_t{1}, std::size_t{64}, std::size_t{1023}}) {
      for (const char16_t* format : {u"%S", u"%hs|", u"%5S", u"%-40hs|", u"%.2000S"}) {
        const std::u16string whole = FormatWide({}, format, narrow.c_str());
        const std::u16string cut = FormatWide({false, limit}, format, narrow.c_str());
        EXPECT_TRUE(cut == whole.substr(0, limit))
            << name << ", limit " << limit << ", " << testing::PrintToString(std::u16string(format)) << ": "
            << cut.size() << " units";
      }
    }
  }
}

// Found by the hostile tests: a left-aligned string under a limit with a
// huge width was read to its end (50 MiB for a 1023-unit result), because
// the precision allowed for the width. Only the first units of a
// left-aligned string can show, so no more than those are read: here the
// strings end at an inaccessible page, unterminated, and the formatter must
// stop before it.
TEST(WideFormatTest, ALeftAlignedStringUnderALimitIsReadOnlyAsFarAsItCanShow) {
  const std::u16string units(3000, u'w');
  const auto wide = zelu::testing::MappedInput::BeforeGuardPage(
      std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(char16_t)));
  const auto narrow = zelu::testing::MappedInput::BeforeGuardPage(std::string(6000, 'n'));
  EXPECT_EXIT(
      {
        const bool right = FormatWide({false, 64}, u"%-2147483647s|", wide.data()) == std::u16string(64, u'w') &&
                           FormatWide({false, 64}, u"%-*S|", INT_MAX, narrow.data()) == std::u16string(64, u'n') &&
                           FormatWide({false, 64}, u"%*s|", -INT_MAX, wide.data()) == std::u16string(64, u'w');
        std::exit(right ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
