#include <zelu/platform/win32/wide_format.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include <zelu/platform/win32/utf8.h>

namespace zelu::win32 {
namespace {

enum class ArgSize { kDefault, kChar, kShort, kLong, kLongLong, kLongDouble, kWide, kPointer };

struct Directive {
  std::string flags;  // each of "-+ #0" at most once
  int width = 0;
  int precision = -1;  // -1: none
  ArgSize size = ArgSize::kDefault;
  char conversion = 0;

  bool LeftAlign() const { return flags.find('-') != std::string::npos; }
};

void AddFlag(Directive& directive, char flag) {
  if (directive.flags.find(flag) == std::string::npos) directive.flags.push_back(flag);
}

bool IsDigit(char32_t unit) { return unit >= '0' && unit <= '9'; }

// Appends ASCII text as code units.
void AppendAscii(std::vector<WCHAR>& out, const char* text, std::size_t length) {
  out.insert(out.end(), text, text + length);
}

// The most units a formatted text may have: what a CString holds.
constexpr std::size_t kMaxFormattedUnits = INT_MAX - 1;

// Throws before `out` would pass kMaxFormattedUnits with `extra` more units,
// so that a huge width fails at once instead of allocating gigabytes first.
void CheckRoom(const std::vector<WCHAR>& out, std::size_t extra) {
  if (extra > kMaxFormattedUnits - out.size()) throw std::length_error("formatted text too long");
}

// Appends `units` padded to the directive's width with spaces, keeping only
// the first `room` units of that: what lies beyond is never built.
void AppendPadded(std::vector<WCHAR>& out, const Directive& directive, const WCHAR* units, std::size_t length,
                  std::size_t room) {
  const auto width = static_cast<std::size_t>(directive.width);
  const std::size_t pad = width > length ? width - length : 0;
  const std::size_t before = directive.LeftAlign() ? 0 : std::min(pad, room);
  const std::size_t shown = std::min(length, room - before);
  const std::size_t after = directive.LeftAlign() ? std::min(pad, room - shown) : 0;
  CheckRoom(out, before + shown + after);
  out.insert(out.end(), before, WCHAR{' '});
  out.insert(out.end(), units, units + shown);
  out.insert(out.end(), after, WCHAR{' '});
}

// Runs the C library's snprintf with a narrow directive built from `directive` and the
// given length modifier, and appends its (ASCII) output.
// The narrow printf directive for `directive` with the given length modifier, e.g.
// "%-08.3llx". Flags are at most five characters and numbers at most ten
// digits, so the buffer always suffices.
struct NarrowDirective {
  char text[48] = {};
  std::size_t length = 0;

  void Put(char c) { text[length++] = c; }
  void PutNumber(int value) {
    char digits[12];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0);
    while (count > 0) Put(digits[--count]);
  }
};

NarrowDirective MakeNarrowDirective(const Directive& directive, const char* length_modifier) {
  NarrowDirective narrow;
  narrow.Put('%');
  for (std::size_t i = 0; i < directive.flags.size() && i < 5; ++i) narrow.Put(directive.flags[i]);
  if (directive.width > 0) narrow.PutNumber(directive.width);
  if (directive.precision >= 0) {
    narrow.Put('.');
    narrow.PutNumber(directive.precision);
  }
  for (const char* m = length_modifier; *m != 0; ++m) narrow.Put(*m);
  narrow.Put(directive.conversion);
  return narrow;
}

// Runs the C library's snprintf with the narrow form of `directive` and appends
// its (ASCII) output.
// A number is at least as long as its width and, except under %g and %G
// (which drop trailing zeros), as its precision.
void CheckNumberRoom(const std::vector<WCHAR>& out, const Directive& directive) {
  const bool precision_is_length = directive.conversion != 'g' && directive.conversion != 'G';
  const int least = std::max(directive.width, precision_is_length ? directive.precision : 0);
  CheckRoom(out, static_cast<std::size_t>(least));
}

template <typename Value>
void AppendNumber(std::vector<WCHAR>& out, const Directive& directive, const char* length_modifier,
                  Value value) {
  CheckNumberRoom(out, directive);
  const NarrowDirective narrow = MakeNarrowDirective(directive, length_modifier);
  char small[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int needed = std::snprintf(small, sizeof small, narrow.text, value);
  // The C library refuses a result longer than INT_MAX characters.
  if (needed < 0) throw std::length_error("formatted number too long");
  CheckRoom(out, static_cast<std::size_t>(needed));
  if (static_cast<std::size_t>(needed) < sizeof small) {
    AppendAscii(out, small, static_cast<std::size_t>(needed));
    return;
  }
  std::vector<char> large(static_cast<std::size_t>(needed) + 1);
  std::snprintf(large.data(), large.size(), narrow.text, value);
#pragma GCC diagnostic pop
  AppendAscii(out, large.data(), static_cast<std::size_t>(needed));
}

bool IsIntegerConversion(char conversion) { return std::string_view("diuxXo").find(conversion) != std::string_view::npos; }

// Shrinks a width and precision that reach far past `limit` units without
// changing the first `limit` units of the expansion (padding is cut by
// AppendPadded itself).
//   * Text: reading more than `limit` units past the width changes neither
//     the padding nor what shows; left-aligned text shows first, so no more
//     than `limit` units of it are read, whatever the width. A narrow
//     string's precision counts bytes: three bytes a unit (the most a unit
//     of the result can take, a four-byte sequence giving two) keep every
//     unit that shows; a sequence cut at the new precision only changes
//     units after those.
//   * An integer is [spaces][sign or prefix][zeros][digits][spaces]: once
//     the zeros that the precision asks for outnumber the limit, fewer of
//     them (with the width shrunk by as many) show the same, and so does a
//     width whose padding alone outnumbers the limit.
// Floating-point digits are left alone: rounding may carry from far right.
void FitToLimit(Directive& directive, std::size_t limit) {
  const int cap = static_cast<int>(std::min<std::size_t>(limit, INT_MAX / 4)) + 32;
  if (directive.conversion == 's' || directive.conversion == 'S') {
    const int reach = 3 * cap;  // cap <= INT_MAX / 4 + 32: no overflow
    const int before = directive.LeftAlign() ? 0 : directive.width;  // units that may come first
    const int most = before > INT_MAX - reach ? INT_MAX : before + reach;
    if (directive.precision < 0 || directive.precision > most) directive.precision = most;
  } else if (IsIntegerConversion(directive.conversion)) {
    if (directive.precision > cap) {
      directive.width = std::max(0, directive.width - (directive.precision - cap));
      directive.precision = cap;
    }
    directive.width = std::min(directive.width, 2 * cap);
  }
}

template <typename Unit>
class WideFormatter {
 public:
  WideFormatter(std::vector<WCHAR>& out, std::va_list* args, WideFormatOptions options)
      : out_(out), args_(args), options_(options) {}

  void Run(const Unit* format) {
    cursor_ = format;
    end_ = options_.limit == 0 ? SIZE_MAX : out_.size() + options_.limit;
    while (*cursor_ != 0 && out_.size() < end_) {
      const char32_t unit = Next();
      if (unit != '%') {
        out_.push_back(static_cast<WCHAR>(unit));
        continue;
      }
      if (*cursor_ == 0) return;
      Directive directive;
      ParseDirective(directive);
      if (directive.conversion == 0) return;  // format ended inside the directive
      if (options_.limit != 0) FitToLimit(directive, options_.limit);
      Convert(directive);
    }
    if (out_.size() > end_) out_.resize(end_);
  }

 private:
  char32_t Next() { return static_cast<char32_t>(*cursor_++); }
  // How many more units are kept.
  std::size_t Room() const { return end_ - out_.size(); }
  char32_t Peek() const { return static_cast<char32_t>(*cursor_); }

  int ReadCount() {
    if (Peek() == '*') {
      ++cursor_;
      return va_arg(*args_, int);
    }
    long long value = 0;
    while (IsDigit(Peek())) {
      value = value * 10 + (Next() - '0');
      if (value > INT_MAX) value = INT_MAX;  // keep reading, saturated
    }
    return static_cast<int>(value);
  }

  void ParseDirective(Directive& directive) {
    for (char32_t unit = Peek(); unit == '-' || unit == '+' || unit == ' ' || unit == '#' || unit == '0';
         unit = Peek()) {
      AddFlag(directive, static_cast<char>(Next()));
    }
    directive.width = ReadCount();
    if (directive.width < 0) {  // a negative '*' width means left alignment
      AddFlag(directive, '-');
      directive.width = directive.width == INT_MIN ? INT_MAX : -directive.width;
    }
    if (Peek() == '.') {
      ++cursor_;
      directive.precision = ReadCount();
      if (directive.precision < 0) directive.precision = -1;
    }
    ParseSize(directive);
    const char32_t conversion = Next();
    directive.conversion = conversion < 0x80 ? static_cast<char>(conversion) : '?';
    if (conversion == 0) {
      --cursor_;
      directive.conversion = 0;
    }
  }

  void ParseSize(Directive& directive) {
    switch (Peek()) {
      case 'h':
        ++cursor_;
        directive.size = ArgSize::kShort;
        if (Peek() == 'h') {
          ++cursor_;
          directive.size = ArgSize::kChar;
        }
        return;
      case 'l':
        ++cursor_;
        directive.size = ArgSize::kLong;
        if (Peek() == 'l') {
          ++cursor_;
          directive.size = ArgSize::kLongLong;
        }
        return;
      case 'L': ++cursor_; directive.size = ArgSize::kLongDouble; return;
      case 'w': ++cursor_; directive.size = ArgSize::kWide; return;
      case 'j': ++cursor_; directive.size = ArgSize::kLongLong; return;
      case 'z':
      case 't': ++cursor_; directive.size = ArgSize::kPointer; return;
      case 'I': ParsePlatformSize(directive); return;
      default: return;
    }
  }

  // "I64", "I32" and a bare "I" (pointer-sized).
  void ParsePlatformSize(Directive& directive) {
    ++cursor_;
    if (Peek() == '6' && cursor_[1] == '4') {
      cursor_ += 2;
      directive.size = ArgSize::kLongLong;
    } else if (Peek() == '3' && cursor_[1] == '2') {
      cursor_ += 2;
      directive.size = ArgSize::kLong;
    } else {
      directive.size = ArgSize::kPointer;
    }
  }

  void Convert(const Directive& directive) {
    switch (directive.conversion) {
      case 'd':
      case 'i': ConvertSigned(directive); return;
      case 'u':
      case 'x':
      case 'X':
      case 'o': ConvertUnsigned(directive); return;
      case 'c': ConvertChar(directive, directive.size != ArgSize::kShort && directive.size != ArgSize::kChar); return;
      case 'C': ConvertChar(directive, directive.size == ArgSize::kLong || directive.size == ArgSize::kWide); return;
      case 's': ConvertString(directive, directive.size != ArgSize::kShort && directive.size != ArgSize::kChar); return;
      case 'S': ConvertString(directive, directive.size == ArgSize::kLong || directive.size == ArgSize::kWide); return;
      case 'p': ConvertPointer(directive); return;
      case 'n': (void)va_arg(*args_, void*); return;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (options_.floating_point) {
          ConvertFloating(directive);
          return;
        }
        break;
      default: break;
    }
    out_.push_back(static_cast<WCHAR>(directive.conversion));  // '%%' and unknown conversions
  }

  void ConvertSigned(const Directive& directive) {
    switch (directive.size) {
      case ArgSize::kLongLong: AppendNumber(out_, directive, "ll", va_arg(*args_, long long)); return;
      case ArgSize::kPointer: AppendNumber(out_, directive, "ll", static_cast<long long>(va_arg(*args_, std::intptr_t))); return;
      case ArgSize::kShort: AppendNumber(out_, directive, "", static_cast<int>(static_cast<short>(va_arg(*args_, int)))); return;
      case ArgSize::kChar: AppendNumber(out_, directive, "", static_cast<int>(static_cast<signed char>(va_arg(*args_, int)))); return;
      default: AppendNumber(out_, directive, "", va_arg(*args_, int)); return;
    }
  }

  void ConvertUnsigned(const Directive& directive) {
    switch (directive.size) {
      case ArgSize::kLongLong: AppendNumber(out_, directive, "ll", va_arg(*args_, unsigned long long)); return;
      case ArgSize::kPointer: AppendNumber(out_, directive, "ll", static_cast<unsigned long long>(va_arg(*args_, std::uintptr_t))); return;
      case ArgSize::kShort: AppendNumber(out_, directive, "", static_cast<unsigned>(static_cast<unsigned short>(va_arg(*args_, unsigned)))); return;
      case ArgSize::kChar: AppendNumber(out_, directive, "", static_cast<unsigned>(static_cast<unsigned char>(va_arg(*args_, unsigned)))); return;
      default: AppendNumber(out_, directive, "", va_arg(*args_, unsigned)); return;
    }
  }

  void ConvertFloating(const Directive& directive) {
    if (directive.size == ArgSize::kLongDouble) {
      AppendNumber(out_, directive, "L", va_arg(*args_, long double));
    } else {
      AppendNumber(out_, directive, "", va_arg(*args_, double));
    }
  }

  void ConvertPointer(const Directive& directive) {
    // Upper-case hexadecimal, zero-filled to the pointer's full width.
    const auto value = reinterpret_cast<std::uintptr_t>(va_arg(*args_, void*));
    char digits[2 * sizeof(std::uintptr_t) + 1];
    std::snprintf(digits, sizeof digits, "%0*llX", static_cast<int>(2 * sizeof(std::uintptr_t)),
                  static_cast<unsigned long long>(value));
    const std::vector<WCHAR> units(digits, digits + 2 * sizeof(std::uintptr_t));
    AppendPadded(out_, directive, units.data(), units.size(), Room());
  }

  void ConvertChar(const Directive& directive, bool wide) {
    const int value = va_arg(*args_, int);
    WCHAR unit[2];
    std::size_t length = 1;
    if (wide) {
      unit[0] = static_cast<WCHAR>(value);
    } else {
      const char byte = static_cast<char>(value);
      length = zelu::win32::Utf8ToUtf16(&byte, 1, unit);
    }
    AppendPadded(out_, directive, unit, length, Room());
  }

  void ConvertString(const Directive& directive, bool wide) {
    const void* pointer = va_arg(*args_, const void*);
    std::vector<WCHAR> units;
    if (pointer == nullptr) {
      units.assign({'(', 'n', 'u', 'l', 'l', ')'});
    } else if (wide) {
      ReadWide(pointer, directive.precision, units);
    } else {
      ReadNarrow(static_cast<const char*>(pointer), directive.precision, units);
    }
    if (directive.precision >= 0 && units.size() > static_cast<std::size_t>(directive.precision)) {
      units.resize(static_cast<std::size_t>(directive.precision));
    }
    AppendPadded(out_, directive, units.data(), units.size(), Room());
  }

  // A wide string argument may point at WCHAR or char16_t text; its units
  // are read as bytes, which is valid for either type.
  static void ReadWide(const void* pointer, int precision, std::vector<WCHAR>& units) {
    const auto* bytes = static_cast<const unsigned char*>(pointer);
    for (std::size_t i = 0; precision < 0 || i < static_cast<std::size_t>(precision); ++i) {
      WCHAR unit;
      std::memcpy(&unit, bytes + i * sizeof unit, sizeof unit);
      if (unit == 0) break;
      units.push_back(unit);
    }
  }

  static void ReadNarrow(const char* text, int precision, std::vector<WCHAR>& units) {
    const std::size_t length = precision < 0 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(precision));
    units.resize(zelu::win32::MaxUtf16Units(length));
    units.resize(zelu::win32::Utf8ToUtf16(text, length, units.data()));
  }

  std::vector<WCHAR>& out_;
  std::va_list* args_;
  WideFormatOptions options_;
  const Unit* cursor_ = nullptr;
  std::size_t end_ = SIZE_MAX;  // the size at which the output stops
};

}  // namespace

template <typename Unit>
void AppendWideFormat(std::vector<WCHAR>& out, const Unit* format, std::va_list args,
                      WideFormatOptions options) {
  std::va_list local;
  va_copy(local, args);
  WideFormatter<Unit>(out, &local, options).Run(format);
  va_end(local);
}

template void AppendWideFormat<WCHAR>(std::vector<WCHAR>&, const WCHAR*, std::va_list, WideFormatOptions);
template void AppendWideFormat<char16_t>(std::vector<WCHAR>&, const char16_t*, std::va_list,
                                         WideFormatOptions);

}  // namespace zelu::win32
