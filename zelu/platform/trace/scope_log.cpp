#include <zelu/platform/trace/scope_log.h>

#include <cstdio>
#include <exception>

namespace zelu {
namespace {

// The calling thread's sink: set only by the caller through
// SetThreadScopeTraceSink; the library never changes it by itself.
thread_local ScopeTraceSink* t_sink = nullptr;

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// Writes "[MODULE] FILE:LINE FUNCTION <what>" to the file; never throws.
void WriteEvent(const CLogFile& file, const ScopeEntry& entry, const char* what) noexcept {
  char line[1024];
  const int length = std::snprintf(line, sizeof line, "[%s] %s:%d %s %s", OrEmpty(entry.module),
                                   OrEmpty(entry.file), entry.line, OrEmpty(entry.function), what);
  if (length < 0) return;
  const auto size = static_cast<std::size_t>(length) < sizeof line ? static_cast<std::size_t>(length) : sizeof line - 1;
  file.WriteLine(std::string_view(line, size));
}

void WriteExit(const CLogFile& file, const ScopeEntry& entry, const ScopeExit& exit) noexcept {
  char what[64];
  std::snprintf(what, sizeof what, "exit %d %d at %d", exit.value, exit.second, exit.line);
  WriteEvent(file, entry, what);
}

const char* LeaveText(bool unwinding) { return unwinding ? "leave (exception)" : "leave"; }

}  // namespace

ScopeTraceSink::~ScopeTraceSink() = default;

ScopeTraceSink* SetThreadScopeTraceSink(ScopeTraceSink* sink) noexcept {
  ScopeTraceSink* previous = t_sink;
  t_sink = sink;
  return previous;
}

ScopeTraceSink* GetThreadScopeTraceSink() noexcept { return t_sink; }

void LogFileTraceSink::OnEnter(const ScopeEntry& entry) { WriteEvent(file_, entry, "enter"); }

void LogFileTraceSink::OnExit(const ScopeEntry& entry, const ScopeExit& exit) { WriteExit(file_, entry, exit); }

void LogFileTraceSink::OnLeave(const ScopeEntry& entry, const ScopeExit&, bool unwinding) noexcept {
  WriteEvent(file_, entry, LeaveText(unwinding));
}

}  // namespace zelu

CScopeLog::CScopeLog(const char* function, const char* file, int line, const char* module, CLogFile* log_file)
    : entry_{function, file, line, module, log_file}, exceptions_at_entry_(std::uncaught_exceptions()) {
  if (log_file != nullptr) zelu::WriteEvent(*log_file, entry_, "enter");
  if (zelu::ScopeTraceSink* sink = zelu::t_sink) sink->OnEnter(entry_);
}

CScopeLog::~CScopeLog() {
  const bool unwinding = std::uncaught_exceptions() > exceptions_at_entry_;
  if (entry_.log_file != nullptr) zelu::WriteEvent(*entry_.log_file, entry_, zelu::LeaveText(unwinding));
  if (zelu::ScopeTraceSink* sink = zelu::t_sink) sink->OnLeave(entry_, exit_, unwinding);
}

void CScopeLog::RecordExit(LONG value, LONG second, int line, int flag) {
  exit_ = zelu::ScopeExit{value, second, line, flag};
  if (entry_.log_file != nullptr) zelu::WriteExit(*entry_.log_file, entry_, exit_);
  if (zelu::ScopeTraceSink* sink = zelu::t_sink) sink->OnExit(entry_, exit_);
}
