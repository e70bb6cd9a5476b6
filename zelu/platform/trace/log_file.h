// CLogFile: the support library's log file, a text file that trace lines
// are appended to.
//
// What a caller may rely on:
//   * The file is opened for appending (created with mode 0644 if missing)
//     when the object is made, and closed when it is destroyed. A file that
//     cannot be opened leaves the object closed: IsOpen() is false and every
//     WriteLine returns false. Nothing is ever thrown.
//   * Each line goes to the file in one write(2) on a descriptor opened with
//     O_APPEND, so lines from several threads or processes sharing the file
//     never interleave within a line. The object takes no locks and keeps no
//     buffer: a line is in the file when WriteLine returns true.
//
//   CLogFile log("/var/log/zelu/trace.log");
//   zelu::LogFileTraceSink sink(log);   // see scope_log.h
#pragma once

#include <string_view>

#include <zelu/platform/base/export.h>

class ZELU_API CLogFile {
 public:
  explicit CLogFile(const char* path);
  ~CLogFile();
  CLogFile(const CLogFile&) = delete;
  CLogFile& operator=(const CLogFile&) = delete;

  bool IsOpen() const noexcept { return descriptor_ >= 0; }

  // Appends `line` and a line feed; false when the file is not open or the
  // write did not complete.
  bool WriteLine(std::string_view line) const noexcept;

 private:
  int descriptor_ = -1;
};
