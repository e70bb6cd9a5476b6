#include <zelu/delimited/parse.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <zelu/delimited/line_format.h>
#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/win32/lstr.h>

namespace {

using zelu::delimited::kFalseWord;
using zelu::delimited::kQuote;
using zelu::delimited::kTrueWord;

// The conversions, one per destination type. Each reads one whole field:
// `text` is zero-terminated after `length` units.

void Convert(const WCHAR* text, std::size_t, bool& value) {
  if (lstrcmpiW(text, kTrueWord.data()) == 0) {
    value = true;
  } else if (lstrcmpiW(text, kFalseWord.data()) == 0) {
    value = false;
  } else {
    value = zelu::crt16::_wtol(text) != 0;
  }
}

void Convert(const WCHAR* text, std::size_t, int& value) { value = zelu::crt16::_wtol(text); }

void Convert(const WCHAR* text, std::size_t, long& value) { value = zelu::crt16::_wtol(text); }

void Convert(const WCHAR* text, std::size_t, unsigned char& value) {
  value = static_cast<unsigned char>(zelu::crt16::_wtol(text));  // the low 8 bits (modular)
}

void Convert(const WCHAR* text, std::size_t, double& value) { value = zelu::crt16::wcstod(text, nullptr); }

void Convert(const WCHAR* text, std::size_t, float& value) {
  // Narrowing a double beyond the float range is undefined in C++; IEEE
  // rounding to nearest turns every magnitude from FLT_MAX + half its unit in
  // the last place on into an infinity, so do that explicitly.
  static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);
  constexpr double kRoundsToInfinity = 0x1.ffffffp127;
  const double wide = zelu::crt16::wcstod(text, nullptr);
  if (std::fabs(wide) >= kRoundsToInfinity) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    value = wide > 0 ? kInfinity : -kInfinity;
  } else {
    value = static_cast<float>(wide);
  }
}

void Convert(const WCHAR* text, std::size_t length, CString& value) {
  if (length == 0) {
    value.Empty();
    return;
  }
  // Reuses the destination's storage when it is large enough.
  const int units = static_cast<int>(length);  // ParseLine keeps every line below INT_MAX units
  std::copy_n(text, length, value.GetBuffer(units));
  value.ReleaseBuffer(units);
}

// The buffer copy of the platform: at most size - 2 units, then a zero.
struct Buffer {
  WCHAR* units;
  int size;
};

void Convert(const WCHAR* text, std::size_t, Buffer buffer) {
  if (buffer.size < 2) return;  // the platform copy writes nothing for a count below 1
  lstrcpynW(buffer.units, text, buffer.size - 1);
}

}  // namespace

CDelimitedParse::CDelimitedParse(const WCHAR* line, WCHAR delimiter) : delimiter_(delimiter) {
  if (line != nullptr) ParseLine(line);
}

// One pass finds the field boundaries in the caller's line; the line is then
// copied once and each field is ended in place by a zero.
bool CDelimitedParse::ParseLine(const WCHAR* line) {
  cursor_ = 0;
  fields_.clear();
  const WCHAR delimiter = delimiter_;
  const WCHAR* at = line;
  const WCHAR* field = line;
  bool inside_quotes = false;
  for (;; ++at) {
    // Skip ordinary units fast: every unit above the quote that is not the
    // delimiter. What stops here is handled (or passed over) below.
    WCHAR unit = *at;
    while (unit > kQuote && unit != delimiter) unit = *++at;
    if (unit == 0) break;
    if (!inside_quotes && unit == delimiter) {
      fields_.push_back({static_cast<std::size_t>(field - line), static_cast<std::size_t>(at - field)});
      field = at + 1;
    } else if (unit == kQuote) {
      inside_quotes = !inside_quotes;
    }
  }
  const auto length = static_cast<std::size_t>(at - line);
  if (length > static_cast<std::size_t>(INT_MAX - 1)) {
    fields_.clear();
    throw std::length_error("CDelimitedParse: line too long");
  }
  if (text_.size() < length + 1) text_.resize(length + 1);
  WCHAR* text = text_.data();
  std::copy_n(line, length + 1, text);
  for (const Field& ended : fields_) text[ended.start + ended.length] = 0;

  // Only the last field is trimmed: its end first, then its start.
  std::size_t start = static_cast<std::size_t>(field - line);
  std::size_t end = length;
  while (end > start && zelu::crt16::iswspace(text[end - 1])) --end;
  while (start < end && zelu::crt16::iswspace(text[start])) ++start;
  text[end] = 0;
  fields_.push_back({start, end - start});
  return true;
}

template <typename Reader>
bool CDelimitedParse::ReadAt(int index, Reader read) {
  if (index < 0 || index >= GetFieldCount()) return false;
  const Field& field = fields_[static_cast<std::size_t>(index)];
  read(text_.data() + field.start, field.length);
  return true;
}

template <typename Reader>
bool CDelimitedParse::ReadNext(Reader read) {
  if (!ReadAt(cursor_, read)) return false;
  ++cursor_;
  return true;
}

namespace {

// Every accessor converts the field into its destination the same way.
template <typename Destination>
auto ConvertInto(Destination& value) {
  return [&value](const WCHAR* text, std::size_t length) { Convert(text, length, value); };
}

}  // namespace

bool CDelimitedParse::GetAt(int index, bool& value) { return ReadAt(index, ConvertInto(value)); }
bool CDelimitedParse::GetAt(int index, int& value) { return ReadAt(index, ConvertInto(value)); }
bool CDelimitedParse::GetAt(int index, long& value) { return ReadAt(index, ConvertInto(value)); }
bool CDelimitedParse::GetAt(int index, unsigned char& value) { return ReadAt(index, ConvertInto(value)); }
bool CDelimitedParse::GetAt(int index, float& value) { return ReadAt(index, ConvertInto(value)); }
bool CDelimitedParse::GetAt(int index, double& value) { return ReadAt(index, ConvertInto(value)); }
bool CDelimitedParse::GetAt(int index, CString& value) { return ReadAt(index, ConvertInto(value)); }

bool CDelimitedParse::GetNext(bool& value) { return ReadNext(ConvertInto(value)); }
bool CDelimitedParse::GetNext(int& value) { return ReadNext(ConvertInto(value)); }
bool CDelimitedParse::GetNext(long& value) { return ReadNext(ConvertInto(value)); }
bool CDelimitedParse::GetNext(unsigned char& value) { return ReadNext(ConvertInto(value)); }
bool CDelimitedParse::GetNext(float& value) { return ReadNext(ConvertInto(value)); }
bool CDelimitedParse::GetNext(double& value) { return ReadNext(ConvertInto(value)); }
bool CDelimitedParse::GetNext(CString& value) { return ReadNext(ConvertInto(value)); }

bool CDelimitedParse::GetAt(int index, WCHAR* buffer, int size) {
  return ReadAt(index, [buffer, size](const WCHAR* text, std::size_t length) {
    Convert(text, length, Buffer{buffer, size});
  });
}

bool CDelimitedParse::GetNext(WCHAR* buffer, int size) {
  return ReadNext([buffer, size](const WCHAR* text, std::size_t length) {
    Convert(text, length, Buffer{buffer, size});
  });
}
