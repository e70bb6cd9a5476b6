// Test helper: records the scope events of the calling thread.
//
// Installs itself as the thread's trace sink for its lifetime. Each event
// becomes one Event, with copies of the strings the scope was opened with,
// so a test can compare them after the traced call has returned.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <zelu/platform/trace/scope_log.h>

namespace zelu::testing {

class TraceRecorder : public zelu::ScopeTraceSink {
 public:
  enum class Kind { kEnter, kExit, kLeave };
  struct Event {
    Kind kind;
    std::string function;
    std::string file;
    int line;
    std::string module;
    const CLogFile* log_file;
    zelu::ScopeExit exit;    // kExit: the record; kLeave: the last one
    bool unwinding = false;  // kLeave only

    // What the scope was opened with, as "MODULE FILE:LINE FUNCTION".
    std::string Where() const { return module + " " + file + ":" + std::to_string(line) + " " + function; }
  };

  TraceRecorder() : installed_(*this) {}

  void OnEnter(const zelu::ScopeEntry& entry) override { events_.push_back(Make(Kind::kEnter, entry, {}, false)); }
  void OnExit(const zelu::ScopeEntry& entry, const zelu::ScopeExit& exit) override {
    events_.push_back(Make(Kind::kExit, entry, exit, false));
  }
  void OnLeave(const zelu::ScopeEntry& entry, const zelu::ScopeExit& last, bool unwinding) noexcept override {
    events_.push_back(Make(Kind::kLeave, entry, last, unwinding));
  }

  const std::vector<Event>& events() const { return events_; }
  void Clear() { events_.clear(); }

  // Each event as one line, in order: an entry as Where() (and " +log" when
  // a log file was passed), "exit VALUE SECOND at LINE flag FLAG", and
  // "leave FUNCTION", then " (exception)" when unwinding and
  // " after VALUE SECOND at LINE" when an exit had been recorded.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const Event& e : events_) {
      std::ostringstream line;
      if (e.kind == Kind::kEnter) line << e.Where() << (e.log_file == nullptr ? "" : " +log");
      if (e.kind == Kind::kExit) {
        line << "exit " << e.exit.value << ' ' << e.exit.second << " at " << e.exit.line << " flag " << e.exit.flag;
      }
      if (e.kind == Kind::kLeave) {
        line << "leave " << e.function << (e.unwinding ? " (exception)" : "");
        if (e.exit.flag != 0) line << " after " << e.exit.value << ' ' << e.exit.second << " at " << e.exit.line;
      }
      lines.push_back(line.str());
    }
    return lines;
  }

 private:
  static Event Make(Kind kind, const zelu::ScopeEntry& entry, const zelu::ScopeExit& exit, bool unwinding) {
    return Event{kind, entry.function, entry.file, entry.line, entry.module, entry.log_file, exit, unwinding};
  }

  std::vector<Event> events_;
  zelu::ScopedThreadScopeTraceSink installed_;
};

}  // namespace zelu::testing
