// Test helper: zero-terminated WCHAR text made from a char16_t literal.
//
// Copies the units, so no test ever reads char16_t data through a WCHAR
// pointer. Holds zero units inside when the view does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <zelu/platform/base/base_types.h>

namespace zelu::testing {

class WideText {
 public:
  WideText(std::u16string_view text) : units_(text.begin(), text.end()) { units_.push_back(0); }  // NOLINT

  const WCHAR* c_str() const { return units_.data(); }
  WCHAR* data() { return units_.data(); }
  operator const WCHAR*() const { return units_.data(); }  // NOLINT
  std::size_t size() const { return units_.size() - 1; }

 private:
  std::vector<WCHAR> units_;
};

// The units of a zero-terminated WCHAR text (or `length` units) as char16_t.
inline std::u16string ToU16(const WCHAR* text, std::size_t length) { return {text, text + length}; }
inline std::u16string ToU16(const WCHAR* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return ToU16(text, length);
}

}  // namespace zelu::testing
