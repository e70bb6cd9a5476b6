// Helpers shared by the codec commands (base64, hex): the one-byte text that
// codecs write, moved between library text and output bytes, and the
// line wrapping of encoded text.
#pragma once

#include <cstddef>
#include <string_view>

#include <zelu/platform/cstring/cstring.h>

#include "io.h"

namespace zelu::tool {

// Writes encoded text (ASCII units) to `out`, breaking it into lines of
// `columns` characters (0: one line) across calls.
class WrappedText {
 public:
  WrappedText(Output& out, std::size_t columns, bool lower_case = false)
      : out_(out), columns_(columns), lower_case_(lower_case) {}

  void Write(const CString& text);
  // Ends the last line. With wrapping, text that was written ends with a
  // line feed; with none (0 columns) nothing is added.
  void Finish();

 private:
  void WriteRun(const WCHAR* units, std::size_t count);

  Output& out_;
  std::size_t columns_;
  bool lower_case_;
  std::size_t column_ = 0;  // characters on the current line
};

}  // namespace zelu::tool
