#include <zelu/platform/cstring/cstring.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/memory/huge_pages.h>
#include <zelu/platform/win32/wide_format.h>
#include <zelu/platform/win32/utf8.h>
#include <zelu/platform/oleaut/oleaut.h>

namespace {

constexpr WCHAR kEmptyText[1] = {0};

int CheckedLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX - 1)) throw std::length_error("CString: text too long");
  return static_cast<int>(length);
}

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

template <typename Fold>
int CompareUnits(const WCHAR* left, const WCHAR* right, Fold fold) {
  for (;; ++left, ++right) {
    const WCHAR l = fold(*left);
    const WCHAR r = fold(*right);
    if (l != r) return l < r ? -1 : 1;
    if (l == 0) return 0;
  }
}

}  // namespace

CString::CString(const CString& other) { Assign(other.GetString(), other.length_); }

CString::CString(CString&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

CString::CString(const WCHAR* text) {
  if (text != nullptr) Assign(text, CheckedLength(zelu::crt16::wcslen(text)));
}

CString::CString(const WCHAR* text, int length) {
  if (text != nullptr && length > 0) Assign(text, length);
}

CString::CString(std::u16string_view text) { AssignUnits(text.data(), text.size()); }

CString::~CString() { std::free(data_); }

CString& CString::operator=(const CString& other) {
  if (this != &other) Assign(other.GetString(), other.length_);
  return *this;
}

CString& CString::operator=(CString&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

CString& CString::operator=(const WCHAR* text) {
  if (text == nullptr) {
    Empty();
  } else if (data_ != nullptr && text >= data_ && text <= data_ + length_) {
    *this = CString(text);  // the text lives in this string's own buffer
  } else {
    Assign(text, CheckedLength(zelu::crt16::wcslen(text)));
  }
  return *this;
}

void CString::AssignChar16(const char16_t* text) {
  if (text == nullptr) {
    Empty();
  } else {
    AssignUnits(text, std::char_traits<char16_t>::length(text));
  }
}

void CString::AssignUtf8(const char* utf8) {
  if (utf8 == nullptr) {
    Empty();
    return;
  }
  const std::size_t bytes = std::strlen(utf8);
  std::vector<WCHAR> units(zelu::win32::MaxUtf16Units(bytes));
  units.resize(zelu::win32::Utf8ToUtf16(utf8, bytes, units.data()));
  Assign(units.data(), CheckedLength(units.size()));
}

void CString::AssignRepeated(WCHAR unit, int repeat) {
  if (repeat <= 0) {
    Empty();
    return;
  }
  Reserve(repeat);
  std::fill_n(data_, repeat, unit);
  length_ = repeat;
  data_[length_] = 0;
}

void CString::Empty() noexcept {
  length_ = 0;
  if (data_ != nullptr) data_[0] = 0;
}

const WCHAR* CString::GetString() const noexcept { return data_ != nullptr ? data_ : kEmptyText; }

std::u16string CString::ToU16String() const {
  std::u16string copy(static_cast<std::size_t>(length_), u'\0');
  std::copy_n(GetString(), length_, copy.begin());
  return copy;
}

BSTR CString::AllocSysString() const { return SysAllocStringLen(GetString(), static_cast<UINT>(length_)); }

bool CString::Reserve(int capacity) {
  if (capacity <= capacity_) return false;
  if (capacity > INT_MAX - 1) throw std::length_error("CString: text too long");
  // Grow geometrically so that repeated appends stay linear overall.
  const int grown = capacity_ > (INT_MAX - 1) / 2 ? INT_MAX - 1 : std::max(capacity, capacity_ * 2);
  // Zeroed storage from calloc: large blocks come zeroed from the system
  // without a pass over them, so sizing a big buffer costs no fill, and they
  // are still untouched when they are advised for huge pages.
  const std::size_t bytes = (static_cast<std::size_t>(grown) + 1) * sizeof(WCHAR);
  auto* fresh = static_cast<WCHAR*>(std::calloc(bytes, 1));
  if (fresh == nullptr) throw std::bad_alloc();
  zelu::memory::AdviseHugePages(fresh, bytes);
  std::copy_n(GetString(), length_, fresh);
  std::free(data_);
  data_ = fresh;
  capacity_ = grown;
  return true;
}

void CString::Assign(const WCHAR* units, int length) {
  if (length <= 0) {
    Empty();
    return;
  }
  Reserve(length);
  std::copy_n(units, length, data_);
  length_ = length;
  data_[length_] = 0;
}

void CString::Append(const WCHAR* units, int length) {
  if (length <= 0) return;
  if (length > INT_MAX - 1 - length_) throw std::length_error("CString: text too long");
  if (data_ != nullptr && units >= data_ && units < data_ + capacity_ + 1 && length_ + length > capacity_) {
    const CString copy(units, length);  // appending a part of itself across a reallocation
    Append(copy.GetString(), length);
    return;
  }
  Reserve(length_ + length);
  std::copy_n(units, length, data_ + length_);
  length_ += length;
  data_[length_] = 0;
}

template <typename Unit>
void CString::AssignUnits(const Unit* units, std::size_t length) {
  const int checked = CheckedLength(length);
  Reserve(checked);
  for (int i = 0; i < checked; ++i) data_[i] = static_cast<WCHAR>(units[i]);
  length_ = checked;
  if (data_ != nullptr) data_[length_] = 0;
}

WCHAR* CString::GetBuffer(int min_length) {
  const int length = std::max(min_length, length_);
  const bool fresh_storage = Reserve(std::max(length, 1));  // fresh storage is zero already
  if (!fresh_storage) std::fill(data_ + length_, data_ + length + 1, WCHAR{0});
  return data_;
}

WCHAR* CString::GetBufferSetLength(int length) {
  length = std::max(length, 0);
  const bool fresh_storage = Reserve(std::max(length, 1));  // fresh storage is zero already
  if (!fresh_storage && length > length_) std::fill(data_ + length_, data_ + length, WCHAR{0});
  length_ = length;
  data_[length_] = 0;
  return data_;
}

void CString::ReleaseBuffer(int new_length) noexcept {
  if (data_ == nullptr) return;
  if (new_length < 0) {
    const WCHAR* end = std::find(data_, data_ + capacity_, WCHAR{0});
    new_length = static_cast<int>(end - data_);
  }
  length_ = std::min(new_length, capacity_);
  data_[length_] = 0;
}

template <typename Unit>
void CString::FormatFrom(const Unit* format, std::va_list args) {
  std::vector<WCHAR> units;
  if (format != nullptr) zelu::win32::AppendWideFormat(units, format, args);
  Assign(units.data(), CheckedLength(units.size()));
}

void CString::Format(const WCHAR* format, ...) {
  std::va_list args;
  va_start(args, format);
  FormatFrom(format, args);
  va_end(args);
}

void CString::Format(const char16_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  FormatFrom(format, args);
  va_end(args);
}

CString& CString::operator+=(const CString& text) {
  Append(text.GetString(), text.length_);
  return *this;
}

CString& CString::operator+=(const WCHAR* text) {
  if (text != nullptr) Append(text, CheckedLength(zelu::crt16::wcslen(text)));
  return *this;
}

CString& CString::operator+=(const char16_t* text) {
  if (text != nullptr) *this += CString(text);
  return *this;
}

CString& CString::operator+=(WCHAR unit) {
  Append(&unit, 1);
  return *this;
}

// Both compare as zero-terminated texts, as the platform's comparison does:
// a zero unit inside the string ends the comparison.
int CString::Compare(const WCHAR* text) const noexcept {
  return CompareUnits(GetString(), text != nullptr ? text : kEmptyText, [](WCHAR unit) { return unit; });
}

int CString::CompareNoCase(const WCHAR* text) const noexcept {
  return CompareUnits(GetString(), text != nullptr ? text : kEmptyText, zelu::crt16::towlower);
}

int CString::Find(WCHAR unit, int start) const noexcept {
  start = std::max(start, 0);
  if (start >= length_) return -1;
  const WCHAR* text = GetString();
  const WCHAR* found = std::find(text + start, text + length_, unit);
  return found == text + length_ ? -1 : static_cast<int>(found - text);
}

int CString::Find(const WCHAR* text, int start) const noexcept {
  start = std::max(start, 0);
  if (start > length_) return -1;
  const WCHAR* needle = text != nullptr ? text : kEmptyText;
  const WCHAR* needle_end = needle + zelu::crt16::wcslen(needle);
  const WCHAR* haystack = GetString();
  const WCHAR* found = std::search(haystack + start, haystack + length_, needle, needle_end);
  if (found == haystack + length_ && needle != needle_end) return -1;
  return static_cast<int>(found - haystack);
}

int CString::ReverseFind(WCHAR unit) const noexcept {
  const WCHAR* text = GetString();
  for (int i = length_ - 1; i >= 0; --i) {
    if (text[i] == unit) return i;
  }
  return -1;
}

CString CString::Left(int count) const { return CString(GetString(), Clamp(count, 0, length_)); }

CString CString::Mid(int first) const { return Mid(first, length_); }

CString CString::Mid(int first, int count) const {
  first = Clamp(first, 0, length_);
  count = Clamp(count, 0, length_ - first);
  return CString(GetString() + first, count);
}

CString CString::Right(int count) const {
  count = Clamp(count, 0, length_);
  return CString(GetString() + (length_ - count), count);
}

void CString::TrimLeft() noexcept {
  if (data_ == nullptr) return;
  int skip = 0;
  while (skip < length_ && zelu::crt16::iswspace(data_[skip])) ++skip;
  std::copy(data_ + skip, data_ + length_ + 1, data_);
  length_ -= skip;
}

void CString::TrimRight() noexcept {
  while (length_ > 0 && zelu::crt16::iswspace(data_[length_ - 1])) --length_;
  if (data_ != nullptr) data_[length_] = 0;
}

void CString::MakeLower() noexcept {
  for (int i = 0; i < length_; ++i) data_[i] = zelu::crt16::towlower(data_[i]);
}

void CString::MakeUpper() noexcept {
  for (int i = 0; i < length_; ++i) data_[i] = zelu::crt16::towupper(data_[i]);
}

CString operator+(const CString& left, const CString& right) {
  // The sum of two lengths can pass INT_MAX: it is refused before anything
  // is reserved or copied.
  CString result;
  result.Reserve(CheckedLength(static_cast<std::size_t>(left.length_) + static_cast<std::size_t>(right.length_)));
  result += left;
  result += right;
  return result;
}

CString operator+(const CString& left, const WCHAR* right) { return left + CString(right); }
CString operator+(const WCHAR* left, const CString& right) { return CString(left) + right; }
CString operator+(const CString& left, WCHAR right) { return left + CString(right); }
CString operator+(WCHAR left, const CString& right) { return CString(left) + right; }

bool operator==(const CString& left, const CString& right) noexcept {
  return left.length_ == right.length_ && std::equal(left.GetString(), left.GetString() + left.length_, right.GetString());
}

bool operator==(const CString& left, const WCHAR* right) noexcept { return left.Compare(right) == 0; }

bool operator<(const CString& left, const CString& right) noexcept {
  return std::lexicographical_compare(left.GetString(), left.GetString() + left.length_, right.GetString(),
                                      right.GetString() + right.length_);
}
