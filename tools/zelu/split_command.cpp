// zelu split [--delimiter C] [--json] [FILE|-]...
#include <algorithm>
#include <string>
#include <vector>

#include <zelu/delimited/line_format.h>
#include <zelu/delimited/parse.h>

#include "command.h"
#include "delimiter_option.h"
#include "io.h"
#include "json_text.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kUsage =
    "usage: zelu split [--delimiter C] [--json] [FILE|-]...\n\n"
    "Splits each line of the FILEs or standard input (UTF-8) into fields and\n"
    "prints every field on a line of its own, a line at a time. Fields end at\n"
    "the delimiter (default '^')\n"
    "unless it stands between double quotes; quotes stay in the fields, and\n"
    "only the last field of a line is trimmed of white space.\n"
    "  --delimiter C  split at the character C (one UTF-16 code unit)\n"
    "  --json         print one JSON array of strings per input line, which\n"
    "                 keeps the lines apart\n"
    "Input lines end at a line feed; the last line of each FILE ends at the\n"
    "file's end. A line holding a NUL byte, or longer than 2^31 - 2 bytes, is\n"
    "an error that names it (\"line N of 'FILE' holds a NUL byte\"); the\n"
    "lines before it are printed first.\n"
    "Memory: each line is held whole, and its longest field takes 4 bytes\n"
    "more per byte (its UTF-16 text and the library's copy): at most about 6\n"
    "bytes per byte of the longest line.\n";

// A long line goes to the library in segments of about this many bytes.
constexpr std::size_t kSegmentBytes = 1 << 16;

// Splits lines with the library's CDelimitedParse and writes their fields.
// A short line goes to the library whole. A long one goes in segments that
// each end just after a delimiter outside quotes, so that the library holds
// one segment's fields at a time rather than the line's: no field is cut,
// each segment starts outside quotes as the line's next field does, the
// empty field after a segment's closing delimiter is dropped, and only the
// line's final segment has its last field trimmed. The fields are thus
// exactly those of the whole line.
class LineSplitter {
 public:
  LineSplitter(WCHAR delimiter, bool json, Output& out) : parse_(nullptr, delimiter), delimiter_(delimiter),
                                                          json_(json), out_(out) {}

  void Split(std::string_view line) {
    pending_.Empty();
    scanned_ = 0;
    inside_quotes_ = false;
    cut_ = 0;
    separator_ = "[";
    for (; line.size() > kSegmentBytes; line.remove_prefix(kSegmentBytes)) {
      pieces_.Append(line.substr(0, kSegmentBytes), false, pending_);
      FindCut();
      if (cut_ > 0) ParseSegment(cut_, false);
    }
    pieces_.Append(line, true, pending_);
    ParseSegment(pending_.GetLength(), true);
    if (json_) out_.Write("]\n");
  }

 private:
  // Moves cut_ past the last delimiter outside quotes among the units not
  // scanned yet, the way the library tells them.
  void FindCut() {
    const WCHAR* units = pending_.GetString();
    for (; scanned_ < pending_.GetLength(); ++scanned_) {
      const WCHAR unit = units[scanned_];
      if (!inside_quotes_ && unit == delimiter_) {
        cut_ = scanned_ + 1;
      } else if (unit == zelu::delimited::kQuote) {
        inside_quotes_ = !inside_quotes_;
      }
    }
  }

  // Parses the first `end` units of pending_ and writes their fields (all
  // of them when `final`); the units after `end` stay pending. Each field is
  // read into pending_ itself, whose units the library has copied: a field
  // as long as the line then takes no storage of its own.
  void ParseSegment(int end, bool final) {
    rest_ = pending_.Mid(end);
    pending_.ReleaseBuffer(end);
    parse_.ParseLine(pending_.GetString());
    const int count = parse_.GetFieldCount() - (final ? 0 : 1);
    for (int i = 0; i < count; ++i) {
      parse_.GetNext(pending_);
      WriteField();
    }
    pending_ = rest_;
    scanned_ -= end;
    cut_ = 0;
  }

  void WriteField() {
    const auto length = static_cast<std::size_t>(pending_.GetLength());
    if (json_) {
      out_.Write(separator_);
      separator_ = ",";
      WriteJsonString(pending_.GetString(), length, out_);
    } else {
      WriteUtf8(pending_.GetString(), length, out_);
      out_.Write("\n");
    }
  }

  CDelimitedParse parse_;
  WCHAR delimiter_;
  bool json_;
  Output& out_;
  Utf8Pieces pieces_;
  CString pending_;  // units of the line not parsed yet
  CString rest_;
  int scanned_ = 0;  // units of pending_ that FindCut has seen
  bool inside_quotes_ = false;  // after them
  int cut_ = 0;  // just after the last delimiter outside quotes among them; 0 if none
  const char* separator_ = "[";
};

int Run(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {{0, "delimiter", true}, {0, "json", false}});
  const WCHAR delimiter =
      options.Has("delimiter") ? ParseDelimiter(*options.Value("delimiter")) : zelu::delimited::kDefaultDelimiter;
  Input input(options.operands);
  Output out;
  LineReader lines(input, out);
  LineSplitter splitter(delimiter, options.Has("json"), out);
  while (const std::optional<std::string_view> line = lines.Next()) {
    // The library reads a line up to its first zero unit.
    if (line->find('\0') != std::string_view::npos) lines.Fail("holds a NUL byte");
    splitter.Split(*line);
  }
  out.Flush();
  return kExitOk;
}

const CommandRegistration kRegistration({"split", "split delimited lines into fields", kUsage, Run});

}  // namespace
}  // namespace zelu::tool
