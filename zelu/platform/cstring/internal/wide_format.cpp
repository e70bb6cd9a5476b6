#include <zelu/platform/cstring/internal/wide_format.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <zelu/platform/internal/utf8.h>

namespace zelu::internal {
namespace {

enum class ArgSize { kDefault, kChar, kShort, kLong, kLongLong, kLongDouble, kWide, kPointer };

struct ConversionSpec {
  std::string flags;  // each of "-+ #0" at most once
  int width = 0;
  int precision = -1;  // -1: none
  ArgSize size = ArgSize::kDefault;
  char conversion = 0;

  bool LeftAlign() const { return flags.find('-') != std::string::npos; }
};

void AddFlag(ConversionSpec& spec, char flag) {
  if (spec.flags.find(flag) == std::string::npos) spec.flags.push_back(flag);
}

bool IsDigit(char32_t unit) { return unit >= '0' && unit <= '9'; }

// Appends ASCII text as code units.
void AppendAscii(std::vector<WCHAR>& out, const char* text, std::size_t length) {
  out.insert(out.end(), text, text + length);
}

void AppendPadding(std::vector<WCHAR>& out, int count) {
  if (count > 0) out.insert(out.end(), static_cast<std::size_t>(count), WCHAR{' '});
}

// Appends `units` padded to the spec's width with spaces.
void AppendPadded(std::vector<WCHAR>& out, const ConversionSpec& spec, const WCHAR* units,
                  std::size_t length) {
  const int pad = spec.width > static_cast<int>(length) ? spec.width - static_cast<int>(length) : 0;
  if (!spec.LeftAlign()) AppendPadding(out, pad);
  out.insert(out.end(), units, units + length);
  if (spec.LeftAlign()) AppendPadding(out, pad);
}

// Runs the C library's snprintf with a narrow spec built from `spec` and the
// given length modifier, and appends its (ASCII) output.
// The narrow printf spec for `spec` with the given length modifier, e.g.
// "%-08.3llx". Flags are at most five characters and numbers at most ten
// digits, so the buffer always suffices.
struct NarrowSpec {
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

NarrowSpec MakeNarrowSpec(const ConversionSpec& spec, const char* length_modifier) {
  NarrowSpec narrow;
  narrow.Put('%');
  for (std::size_t i = 0; i < spec.flags.size() && i < 5; ++i) narrow.Put(spec.flags[i]);
  if (spec.width > 0) narrow.PutNumber(spec.width);
  if (spec.precision >= 0) {
    narrow.Put('.');
    narrow.PutNumber(spec.precision);
  }
  for (const char* m = length_modifier; *m != 0; ++m) narrow.Put(*m);
  narrow.Put(spec.conversion);
  return narrow;
}

// Runs the C library's snprintf with the narrow form of `spec` and appends
// its (ASCII) output.
template <typename Value>
void AppendNumber(std::vector<WCHAR>& out, const ConversionSpec& spec, const char* length_modifier,
                  Value value) {
  const NarrowSpec narrow = MakeNarrowSpec(spec, length_modifier);
  char small[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int needed = std::snprintf(small, sizeof small, narrow.text, value);
  if (needed < 0) return;
  if (static_cast<std::size_t>(needed) < sizeof small) {
    AppendAscii(out, small, static_cast<std::size_t>(needed));
    return;
  }
  std::vector<char> large(static_cast<std::size_t>(needed) + 1);
  std::snprintf(large.data(), large.size(), narrow.text, value);
#pragma GCC diagnostic pop
  AppendAscii(out, large.data(), static_cast<std::size_t>(needed));
}

template <typename Unit>
class WideFormatter {
 public:
  WideFormatter(std::vector<WCHAR>& out, std::va_list* args, WideFormatOptions options)
      : out_(out), args_(args), options_(options) {}

  void Run(const Unit* format) {
    cursor_ = format;
    while (*cursor_ != 0) {
      const char32_t unit = Next();
      if (unit != '%') {
        out_.push_back(static_cast<WCHAR>(unit));
        continue;
      }
      if (*cursor_ == 0) return;
      ConversionSpec spec;
      ParseSpec(spec);
      if (spec.conversion == 0) return;  // format ended inside the spec
      Convert(spec);
    }
  }

 private:
  char32_t Next() { return static_cast<char32_t>(*cursor_++); }
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

  void ParseSpec(ConversionSpec& spec) {
    for (char32_t unit = Peek(); unit == '-' || unit == '+' || unit == ' ' || unit == '#' || unit == '0';
         unit = Peek()) {
      AddFlag(spec, static_cast<char>(Next()));
    }
    spec.width = ReadCount();
    if (spec.width < 0) {  // a negative '*' width means left alignment
      AddFlag(spec, '-');
      spec.width = spec.width == INT_MIN ? INT_MAX : -spec.width;
    }
    if (Peek() == '.') {
      ++cursor_;
      spec.precision = ReadCount();
      if (spec.precision < 0) spec.precision = -1;
    }
    ParseSize(spec);
    const char32_t conversion = Next();
    spec.conversion = conversion < 0x80 ? static_cast<char>(conversion) : '?';
    if (conversion == 0) {
      --cursor_;
      spec.conversion = 0;
    }
  }

  void ParseSize(ConversionSpec& spec) {
    switch (Peek()) {
      case 'h':
        ++cursor_;
        spec.size = ArgSize::kShort;
        if (Peek() == 'h') {
          ++cursor_;
          spec.size = ArgSize::kChar;
        }
        return;
      case 'l':
        ++cursor_;
        spec.size = ArgSize::kLong;
        if (Peek() == 'l') {
          ++cursor_;
          spec.size = ArgSize::kLongLong;
        }
        return;
      case 'L': ++cursor_; spec.size = ArgSize::kLongDouble; return;
      case 'w': ++cursor_; spec.size = ArgSize::kWide; return;
      case 'j': ++cursor_; spec.size = ArgSize::kLongLong; return;
      case 'z':
      case 't': ++cursor_; spec.size = ArgSize::kPointer; return;
      case 'I': ParsePlatformSize(spec); return;
      default: return;
    }
  }

  // "I64", "I32" and a bare "I" (pointer-sized).
  void ParsePlatformSize(ConversionSpec& spec) {
    ++cursor_;
    if (Peek() == '6' && cursor_[1] == '4') {
      cursor_ += 2;
      spec.size = ArgSize::kLongLong;
    } else if (Peek() == '3' && cursor_[1] == '2') {
      cursor_ += 2;
      spec.size = ArgSize::kLong;
    } else {
      spec.size = ArgSize::kPointer;
    }
  }

  void Convert(const ConversionSpec& spec) {
    switch (spec.conversion) {
      case 'd':
      case 'i': ConvertSigned(spec); return;
      case 'u':
      case 'x':
      case 'X':
      case 'o': ConvertUnsigned(spec); return;
      case 'c': ConvertChar(spec, spec.size != ArgSize::kShort && spec.size != ArgSize::kChar); return;
      case 'C': ConvertChar(spec, spec.size == ArgSize::kLong || spec.size == ArgSize::kWide); return;
      case 's': ConvertString(spec, spec.size != ArgSize::kShort && spec.size != ArgSize::kChar); return;
      case 'S': ConvertString(spec, spec.size == ArgSize::kLong || spec.size == ArgSize::kWide); return;
      case 'p': ConvertPointer(spec); return;
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
          ConvertFloating(spec);
          return;
        }
        break;
      default: break;
    }
    out_.push_back(static_cast<WCHAR>(spec.conversion));  // '%%' and unknown conversions
  }

  void ConvertSigned(const ConversionSpec& spec) {
    switch (spec.size) {
      case ArgSize::kLongLong: AppendNumber(out_, spec, "ll", va_arg(*args_, long long)); return;
      case ArgSize::kPointer: AppendNumber(out_, spec, "ll", static_cast<long long>(va_arg(*args_, std::intptr_t))); return;
      case ArgSize::kShort: AppendNumber(out_, spec, "", static_cast<int>(static_cast<short>(va_arg(*args_, int)))); return;
      case ArgSize::kChar: AppendNumber(out_, spec, "", static_cast<int>(static_cast<signed char>(va_arg(*args_, int)))); return;
      default: AppendNumber(out_, spec, "", va_arg(*args_, int)); return;
    }
  }

  void ConvertUnsigned(const ConversionSpec& spec) {
    switch (spec.size) {
      case ArgSize::kLongLong: AppendNumber(out_, spec, "ll", va_arg(*args_, unsigned long long)); return;
      case ArgSize::kPointer: AppendNumber(out_, spec, "ll", static_cast<unsigned long long>(va_arg(*args_, std::uintptr_t))); return;
      case ArgSize::kShort: AppendNumber(out_, spec, "", static_cast<unsigned>(static_cast<unsigned short>(va_arg(*args_, unsigned)))); return;
      case ArgSize::kChar: AppendNumber(out_, spec, "", static_cast<unsigned>(static_cast<unsigned char>(va_arg(*args_, unsigned)))); return;
      default: AppendNumber(out_, spec, "", va_arg(*args_, unsigned)); return;
    }
  }

  void ConvertFloating(const ConversionSpec& spec) {
    if (spec.size == ArgSize::kLongDouble) {
      AppendNumber(out_, spec, "L", va_arg(*args_, long double));
    } else {
      AppendNumber(out_, spec, "", va_arg(*args_, double));
    }
  }

  void ConvertPointer(const ConversionSpec& spec) {
    // Upper-case hexadecimal, zero-filled to the pointer's full width.
    const auto value = reinterpret_cast<std::uintptr_t>(va_arg(*args_, void*));
    char digits[2 * sizeof(std::uintptr_t) + 1];
    std::snprintf(digits, sizeof digits, "%0*llX", static_cast<int>(2 * sizeof(std::uintptr_t)),
                  static_cast<unsigned long long>(value));
    const std::vector<WCHAR> units(digits, digits + 2 * sizeof(std::uintptr_t));
    AppendPadded(out_, spec, units.data(), units.size());
  }

  void ConvertChar(const ConversionSpec& spec, bool wide) {
    const int value = va_arg(*args_, int);
    WCHAR unit[2];
    std::size_t length = 1;
    if (wide) {
      unit[0] = static_cast<WCHAR>(value);
    } else {
      const char byte = static_cast<char>(value);
      length = Utf8ToUtf16(&byte, 1, unit);
    }
    AppendPadded(out_, spec, unit, length);
  }

  void ConvertString(const ConversionSpec& spec, bool wide) {
    const void* pointer = va_arg(*args_, const void*);
    std::vector<WCHAR> units;
    if (pointer == nullptr) {
      units.assign({'(', 'n', 'u', 'l', 'l', ')'});
    } else if (wide) {
      ReadWide(pointer, spec.precision, units);
    } else {
      ReadNarrow(static_cast<const char*>(pointer), spec.precision, units);
    }
    if (spec.precision >= 0 && units.size() > static_cast<std::size_t>(spec.precision)) {
      units.resize(static_cast<std::size_t>(spec.precision));
    }
    AppendPadded(out_, spec, units.data(), units.size());
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
    units.resize(MaxUtf16Units(length));
    units.resize(Utf8ToUtf16(text, length, units.data()));
  }

  std::vector<WCHAR>& out_;
  std::va_list* args_;
  WideFormatOptions options_;
  const Unit* cursor_ = nullptr;
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

}  // namespace zelu::internal
