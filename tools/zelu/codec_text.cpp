#include "codec_text.h"

#include <algorithm>

namespace zelu::tool {

void WrappedText::WriteRun(const WCHAR* units, std::size_t count) {
  char* bytes = out_.Extend(count);
  if (lower_case_) {
    // Only 'A'-'F' occur in the text this applies to (hex digits).
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(units[i] | (units[i] >= 'A' ? 0x20 : 0));
  } else {
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(units[i]);
  }
}

void WrappedText::Write(const CString& text) {
  const WCHAR* units = text.GetString();
  auto left = static_cast<std::size_t>(text.GetLength());
  if (columns_ == 0) {
    WriteRun(units, left);
    column_ += left;
    return;
  }
  while (left > 0) {
    if (column_ == columns_) {
      out_.Write("\n");
      column_ = 0;
    }
    const std::size_t run = std::min(left, columns_ - column_);
    WriteRun(units, run);
    units += run;
    left -= run;
    column_ += run;
  }
}

void WrappedText::Finish() {
  if (columns_ != 0 && column_ != 0) out_.Write("\n");
  column_ = 0;
}

}  // namespace zelu::tool
