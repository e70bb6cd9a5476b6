#include <zelu/delimited/parse.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <zelu/delimited/internal/line_format.h>
#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/win32/lstr.h>

namespace {

using zelu::internal::kFalseWord;
using zelu::internal::kQuote;
using zelu::internal::kTrueWord;

// The conversions, one per destination type; each reads a whole field.

void Convert(const CString& field, bool& value) {
  if (lstrcmpiW(field, kTrueWord.data()) == 0) {
    value = true;
  } else if (lstrcmpiW(field, kFalseWord.data()) == 0) {
    value = false;
  } else {
    value = zelu::crt16::_wtol(field) != 0;
  }
}

void Convert(const CString& field, int& value) { value = zelu::crt16::_wtol(field); }

void Convert(const CString& field, long& value) { value = zelu::crt16::_wtol(field); }

void Convert(const CString& field, unsigned char& value) {
  value = static_cast<unsigned char>(zelu::crt16::_wtol(field));  // the low 8 bits (modular)
}

void Convert(const CString& field, double& value) { value = zelu::crt16::wcstod(field, nullptr); }

void Convert(const CString& field, float& value) {
  // Narrowing a double beyond the float range is undefined in C++; IEEE
  // rounding to nearest turns every magnitude from FLT_MAX + half its unit in
  // the last place on into an infinity, so do that explicitly.
  static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);
  constexpr double kRoundsToInfinity = 0x1.ffffffp127;
  const double wide = zelu::crt16::wcstod(field, nullptr);
  if (std::fabs(wide) >= kRoundsToInfinity) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    value = wide > 0 ? kInfinity : -kInfinity;
  } else {
    value = static_cast<float>(wide);
  }
}

void Convert(const CString& field, CString& value) { value = field; }

// The buffer copy of the platform: at most size - 2 units, then a zero.
struct Buffer {
  unsigned short* units;
  int size;
};

void Convert(const CString& field, Buffer buffer) {
  if (buffer.size < 2) return;  // the platform copy writes nothing for a count below 1
  lstrcpynW(buffer.units, field, buffer.size - 1);
}

}  // namespace

CDelimitedParse::CDelimitedParse(const WCHAR* line, WCHAR delimiter) : delimiter_(delimiter) {
  if (line != nullptr) ParseLine(line);
}

// One pass over the caller's line, without a scratch copy: each field's
// units are copied once, straight into the string that keeps them.
bool CDelimitedParse::ParseLine(const WCHAR* line) {
  cursor_ = 0;
  int count = 0;
  const WCHAR* field = line;
  const WCHAR* at = line;
  bool inside_quotes = false;
  for (; *at != 0; ++at) {
    if (!inside_quotes && *at == delimiter_) {
      StoreField(count++, field, at - field);
      field = at + 1;
    } else if (*at == kQuote) {
      inside_quotes = !inside_quotes;
    }
  }
  StoreField(count, field, at - field);
  CString& last = fields_[count++];
  last.TrimRight();
  last.TrimLeft();
  field_count_ = count;
  return true;
}

void CDelimitedParse::StoreField(int index, const WCHAR* units, std::ptrdiff_t length) {
  if (length > INT_MAX - 1) throw std::length_error("CDelimitedParse: field too long");
  if (index == INT_MAX) throw std::length_error("CDelimitedParse: too many fields");
  if (index >= fields_.GetSize()) fields_.SetSize(index + 1);
  CString& stored = fields_[index];
  if (length == 0) {
    stored.Empty();
    return;
  }
  // Reuses the string's storage when it is large enough.
  WCHAR* out = stored.GetBufferSetLength(static_cast<int>(length));
  std::copy_n(units, length, out);
  stored.ReleaseBuffer(static_cast<int>(length));
}

template <typename Reader>
bool CDelimitedParse::ReadAt(int index, Reader read) {
  if (index < 0 || index >= field_count_) return false;
  read(fields_[index]);
  return true;
}

template <typename Reader>
bool CDelimitedParse::ReadNext(Reader read) {
  if (!ReadAt(cursor_, read)) return false;
  ++cursor_;
  return true;
}

#define ZELU_DELIMITED_ACCESSORS(Type)                                                             \
  bool CDelimitedParse::GetAt(int index, Type& value) {                                            \
    return ReadAt(index, [&value](const CString& field) { Convert(field, value); });              \
  }                                                                                                \
  bool CDelimitedParse::GetNext(Type& value) {                                                     \
    return ReadNext([&value](const CString& field) { Convert(field, value); });                   \
  }

ZELU_DELIMITED_ACCESSORS(bool)
ZELU_DELIMITED_ACCESSORS(int)
ZELU_DELIMITED_ACCESSORS(long)
ZELU_DELIMITED_ACCESSORS(unsigned char)
ZELU_DELIMITED_ACCESSORS(float)
ZELU_DELIMITED_ACCESSORS(double)
ZELU_DELIMITED_ACCESSORS(CString)

#undef ZELU_DELIMITED_ACCESSORS

bool CDelimitedParse::GetAt(int index, unsigned short* buffer, int size) {
  return ReadAt(index, [buffer, size](const CString& field) { Convert(field, Buffer{buffer, size}); });
}

bool CDelimitedParse::GetNext(unsigned short* buffer, int size) {
  return ReadNext([buffer, size](const CString& field) { Convert(field, Buffer{buffer, size}); });
}
