// The wide formatter with format strings from the input and a fixed list of
// arguments. The input is read unit by unit into the format: text as it
// is; after a `%`, flags, width and precision as they come (`*` included),
// then one unit that picks the size and conversion among those that take
// the type of the next argument in the list (or, past the list's end, one
// that takes none), so that every directive reads the argument it is given.
//   * wsprintfW writes at most 1023 units and a terminator, nothing past its
//     1024-unit buffer, and returns the units written;
//   * while the widths and precisions stay modest, its text is the first
//     1023 units of the unlimited expansion, and so is a limited expansion
//     to any other limit.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include <zelu/platform/win32/wide_format.h>
#include <zelu/platform/win32/wsprintf.h>

#include "fuzz_input.h"

namespace {

using zelu::fuzz::Check;
using zelu::win32::WideFormatOptions;

enum class Kind { kInt, kLongLong, kPointerSized, kWide, kNarrow };

// The conversions (with their sizes) that read each kind of argument.
const std::vector<std::u16string>& ConversionsFor(Kind kind) {
  static const std::array<std::vector<std::u16string>, 5> conversions = {{
      {u"d", u"i", u"u", u"x", u"X", u"o", u"c", u"C", u"hd", u"hhd", u"hu", u"hhx", u"lX", u"I32u", u"lc", u"wc",
       u"hc", u"lC", u"wC", u"hC", u"ld"},
      {u"lld", u"llu", u"llx", u"I64d", u"I64X", u"jd", u"jo"},
      {u"zd", u"zu", u"td", u"Ix", u"Id"},
      {u"s", u"ls", u"ws", u"lS", u"wS", u"p", u"n"},
      {u"S", u"hs", u"hS", u"hhs", u"p", u"n"},
  }};
  return conversions[static_cast<std::size_t>(kind)];
}

// Conversions that read no argument: the percent sign, floating point (not
// formatted here) and unknown letters.
const std::vector<std::u16string> kNoArgument = {u"%", u"f", u"Le", u"G", u"a", u"y", u"!", u"\u00E9", u"Z"};

const WCHAR kWideText[] = {'w', 'i', 'd', 'e', ' ', 0xD83D, 0xDE00, ' ', 0xDC00, 0};
const std::vector<WCHAR> kLongWide = [] {
  std::vector<WCHAR> text(1500, 'W');
  text[700] = 0xD800;
  text.push_back(0);
  return text;
}();
const char kNarrowText[] = "na\xC3\xAFve \xE2\x82\xAC \xF0\x9F\x98\x80 \xFF\xC0 end";
const std::string kLongNarrow = std::string(900, 'n') + std::string(300, '\xE2') + "\xE2\x82\xAC";

// The arguments, in order, and their kinds. A `*` reads an int argument;
// the values include both ends of int.
constexpr Kind kKinds[] = {Kind::kInt,    Kind::kWide, Kind::kLongLong, Kind::kNarrow, Kind::kInt,
                           Kind::kPointerSized, Kind::kWide, Kind::kInt,  Kind::kNarrow, Kind::kInt,
                           Kind::kWide, Kind::kLongLong, Kind::kInt, Kind::kNarrow, Kind::kInt};
constexpr int kIntValues[] = {-42, 7, INT_MIN, 0x1F600, 1000, INT_MAX};

template <typename Call>
auto WithArguments(Call call) {
  return call(kIntValues[0], kWideText, LLONG_MIN, kNarrowText, kIntValues[1], std::intptr_t{-1}, kLongWide.data(),
              kIntValues[2], kLongNarrow.c_str(), kIntValues[3], static_cast<const WCHAR*>(nullptr), 0x7FFFFFFFFFFFLL,
              kIntValues[4], static_cast<const char*>(nullptr), kIntValues[5]);
}

// The int value of argument `index` (an int argument).
int IntArgument(std::size_t index) {
  std::size_t ints = 0;
  for (std::size_t i = 0; i < index; ++i) ints += kKinds[i] == Kind::kInt ? 1 : 0;
  return kIntValues[ints];
}

// A format built from the input; `modest` while no width or precision
// reaches far past the output limit.
struct Format {
  std::vector<WCHAR> units;
  bool modest = true;
};

class FormatBuilder {
 public:
  explicit FormatBuilder(zelu::fuzz::ByteReader& input) : input_(input) {}

  Format Build() {
    while (!input_.AtEnd()) {
      const WCHAR unit = input_.Unit();
      if (unit == 0) break;
      Put(unit);
      if (unit == '%') Directive();
    }
    format_.units.push_back(0);
    return format_;
  }

 private:
  void Put(WCHAR unit) { format_.units.push_back(unit); }
  void Put(const std::u16string& text) { format_.units.insert(format_.units.end(), text.begin(), text.end()); }

  // Flags, width, precision and the chosen conversion; at the input's end the
// directive stays unfinished.
  void Directive() {
    WCHAR unit = input_.Unit();
    for (; std::u16string_view(u"-+ #0").find(static_cast<char16_t>(unit)) != std::u16string_view::npos; unit = input_.Unit()) {
      Put(unit);
    }
    unit = Count(unit);
    if (unit == '.') {
      Put(unit);
      unit = Count(input_.Unit());
    }
    if (unit == 0 && input_.AtEnd()) return;  // the format ends inside the directive
    const std::vector<std::u16string>& choices = next_ < std::size(kKinds) ? ConversionsFor(kKinds[next_]) : kNoArgument;
    const std::u16string& chosen = choices[unit % choices.size()];
    Put(chosen);
    if (&choices != &kNoArgument) ++next_;
  }

  // A width or precision: `*` when the next argument is an int, or digits.
  // Returns the unit after it.
  WCHAR Count(WCHAR unit) {
    if (unit == '*' && next_ < std::size(kKinds) && kKinds[next_] == Kind::kInt) {
      Put(unit);
      const long long value = IntArgument(next_++);
      format_.modest &= value > -kModest && value < kModest;
      return input_.Unit();
    }
    long long value = 0;
    for (; unit >= '0' && unit <= '9'; unit = input_.Unit()) {
      Put(unit);
      value = std::min(value * 10 + (unit - '0'), 1LL << 40);
    }
    format_.modest &= value < kModest;
    return unit;
  }

  static constexpr long long kModest = 100000;
  zelu::fuzz::ByteReader& input_;
  Format format_;
  std::size_t next_ = 0;  // the next argument to be read
};

std::vector<WCHAR> Expand(WideFormatOptions options, const WCHAR* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::vector<WCHAR> out;
  zelu::win32::AppendWideFormat(out, format, arguments, options);
  va_end(arguments);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > zelu::fuzz::kMaxInputBytes) return 0;
  zelu::fuzz::ByteReader input(data, size);
  const std::size_t limit = 1 + input.Unit() % 2048;
  const Format format = FormatBuilder(input).Build();

  constexpr std::size_t kBuffer = zelu::win32::kWsprintfBufferUnits;
  constexpr WCHAR kCanary = 0xBEEF;
  std::vector<WCHAR> buffer(kBuffer + 16, kCanary);
  const int written = WithArguments([&](auto... arguments) { return wsprintfW(buffer.data(), format.units.data(), arguments...); });
  Check(written >= 0 && written < static_cast<int>(kBuffer) && buffer[static_cast<std::size_t>(written)] == 0);
  Check(std::all_of(buffer.begin() + written + 1, buffer.end(), [](WCHAR unit) { return unit == kCanary; }));
  if (!format.modest) return 0;

  const auto expand = [&](WideFormatOptions options) {
    return WithArguments([&](auto... arguments) { return Expand(options, format.units.data(), arguments...); });
  };
  const std::vector<WCHAR> whole = expand({.floating_point = false, .limit = 0});
  const auto prefix = [&](std::size_t units) {
    return std::vector<WCHAR>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(std::min(units, whole.size())));
  };
  Check(std::vector<WCHAR>(buffer.begin(), buffer.begin() + written) == prefix(kBuffer - 1));
  Check(expand({.floating_point = false, .limit = limit}) == prefix(limit));
  return 0;
}
