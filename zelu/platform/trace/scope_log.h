// CScopeLog: the support library's scope tracer.
//
// A traced member opens one CScopeLog as its first statement, with its
// function name, its source file name (no directory or extension), the line
// of its entry, a module tag and a log file (or null). Before a return it may
// record an exit: the value returned, a second value, the line of the return
// and a flag (1: an exit was recorded). The scope closes when the object is
// destroyed, on a normal return and when an exception passes through.
//
// Where the events go:
//   * To the scope's own CLogFile, when one is given: one line per event,
//     "[MODULE] FILE:LINE FUNCTION enter", "... exit VALUE SECOND at LINE",
//     "... leave" or "... leave (exception)".
//   * To the sink installed on the calling thread, if any (see
//     SetThreadScopeTraceSink). Every event goes to the sink installed at
//     the moment it happens.
//   The library's own traced members pass a null log file, so by default
//   their scopes cost a read of one thread-local pointer per event and write
//   nowhere. A deployment that wants them in a file installs a
//   LogFileTraceSink on the threads that call the library.
//
// The library keeps no state for the tracer: the installed sink is a
// thread_local pointer that belongs to the caller who installed it; the
// caller keeps the sink alive while it is installed. The strings passed to
// a scope must outlive it (the library passes literals).
//
//   CScopeLog scope("CFoo::Bar", "Foo", 12, "ZELUSTRING", nullptr);
//   ...
//   scope.RecordExit(result, 0, 20, 1);
//   return result;
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/trace/log_file.h>

namespace zelu {

// What a scope was opened with.
struct ScopeEntry {
  const char* function;
  const char* file;
  int line;
  const char* module;
  CLogFile* log_file;
};

// An exit record. All zero until the traced member records an exit.
struct ScopeExit {
  LONG value = 0;
  LONG second = 0;
  int line = 0;
  int flag = 0;
};

// Receives the events of the scopes opened on the thread it is installed on.
// OnEnter and OnExit may throw: the exception leaves the traced member like
// any other (the scope then closes with `unwinding` true). OnLeave runs in a
// destructor and must not throw.
class ZELU_API ScopeTraceSink {
 public:
  virtual ~ScopeTraceSink();
  virtual void OnEnter(const ScopeEntry& entry) = 0;
  virtual void OnExit(const ScopeEntry& entry, const ScopeExit& exit) = 0;
  // `last` is the last exit recorded (flag 0 if none); `unwinding` is true
  // when the scope closes because an exception is passing through.
  virtual void OnLeave(const ScopeEntry& entry, const ScopeExit& last, bool unwinding) noexcept = 0;
};

// Installs `sink` (null: none) for the calling thread; returns the one it
// replaces. Other threads are not affected.
ZELU_API ScopeTraceSink* SetThreadScopeTraceSink(ScopeTraceSink* sink) noexcept;
ZELU_API ScopeTraceSink* GetThreadScopeTraceSink() noexcept;

// Installs a sink for the calling thread for its own lifetime and then puts
// back the one it replaced.
class ZELU_API ScopedThreadScopeTraceSink {
 public:
  explicit ScopedThreadScopeTraceSink(ScopeTraceSink& sink) noexcept
      : previous_(SetThreadScopeTraceSink(&sink)) {}
  ~ScopedThreadScopeTraceSink() { SetThreadScopeTraceSink(previous_); }
  ScopedThreadScopeTraceSink(const ScopedThreadScopeTraceSink&) = delete;
  ScopedThreadScopeTraceSink& operator=(const ScopedThreadScopeTraceSink&) = delete;

 private:
  ScopeTraceSink* previous_;
};

// A sink that writes every event to a log file in the format above.
class ZELU_API LogFileTraceSink final : public ScopeTraceSink {
 public:
  explicit LogFileTraceSink(const CLogFile& file) noexcept : file_(file) {}
  void OnEnter(const ScopeEntry& entry) override;
  void OnExit(const ScopeEntry& entry, const ScopeExit& exit) override;
  void OnLeave(const ScopeEntry& entry, const ScopeExit& last, bool unwinding) noexcept override;

 private:
  const CLogFile& file_;
};

}  // namespace zelu

class ZELU_API CScopeLog {
 public:
  CScopeLog(const char* function, const char* file, int line, const char* module, CLogFile* log_file);
  ~CScopeLog();
  CScopeLog(const CScopeLog&) = delete;
  CScopeLog& operator=(const CScopeLog&) = delete;

  // Records an exit; a later record replaces an earlier one.
  void RecordExit(LONG value, LONG second, int line, int flag);

  const zelu::ScopeEntry& Entry() const noexcept { return entry_; }
  const zelu::ScopeExit& LastExit() const noexcept { return exit_; }

 private:
  zelu::ScopeEntry entry_;
  zelu::ScopeExit exit_;
  int exceptions_at_entry_;
};
