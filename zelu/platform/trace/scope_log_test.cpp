#include <zelu/platform/trace/scope_log.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/trace_recorder.h>

namespace {

using zelu::testing::TraceRecorder;
using Lines = std::vector<std::string>;

int TracedAdd(int a, int b) {
  CScopeLog scope("Calc::Add", "Calc", 10, "TESTMOD", nullptr);
  scope.RecordExit(a + b, 0, 14, 1);
  return a + b;
}

void TracedThrow() {
  CScopeLog scope("Calc::Throw", "Calc", 20, "TESTMOD", nullptr);
  scope.RecordExit(7, 3, 22, 1);
  throw std::runtime_error("passing through");
}

const Lines kAddLines = {"TESTMOD Calc:10 Calc::Add", "exit 5 0 at 14 flag 1", "leave Calc::Add after 5 0 at 14"};

// A scope opened and closed inside a destructor that runs during unwinding
// is not itself being unwound.
struct TracesInDestructor {
  ~TracesInDestructor() { TracedAdd(2, 3); }
};

TEST(CScopeLogTest, ReportsEntryExitAndLeaveInOrder) {
  TraceRecorder recorder;
  {
    CScopeLog outer("Outer", "F", 1, "M", nullptr);
    EXPECT_EQ(TracedAdd(2, 3), 5);
  }
  try {
    TracesInDestructor guard;
    throw std::runtime_error("outer");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(recorder.Lines(), (Lines{"M F:1 Outer", kAddLines[0], kAddLines[1], kAddLines[2], "leave Outer",
                                     kAddLines[0], kAddLines[1], kAddLines[2]}));
}

// Each thread has its own sink; removing one puts back the one it replaced.
TEST(CScopeLogTest, SinksArePerThreadAndRestoredWhenRemoved) {
  TraceRecorder outer;
  {
    TraceRecorder inner;
    Lines other_thread;
    std::thread([&other_thread] {
      EXPECT_EQ(zelu::GetThreadScopeTraceSink(), nullptr);
      TraceRecorder own;
      TracedAdd(2, 3);
      other_thread = own.Lines();
    }).join();
    EXPECT_EQ(other_thread, kAddLines);
    TracedAdd(2, 3);
    EXPECT_EQ(inner.Lines(), kAddLines) << "only the scopes of this thread";
  }
  EXPECT_EQ(zelu::GetThreadScopeTraceSink(), &outer);
  EXPECT_TRUE(outer.events().empty());
}

// A scope's own log file, and a sink that writes the thread's scopes to one,
// append lines to what the file held.
TEST(CLogFileTest, ScopesAppendTheirEventsToTheFile) {
  char path[] = "/tmp/zelu_trace_XXXXXX";
  const int descriptor = ::mkstemp(path);
  ASSERT_GE(descriptor, 0);
  ::close(descriptor);
  std::ofstream(path) << "earlier line\n";
  {
    CLogFile log(path);
    ASSERT_TRUE(log.IsOpen());
    {
      CScopeLog scope("Calc::Sub", "Calc", 30, "TESTMOD", &log);
      scope.RecordExit(-4, 0, 33, 1);
    }
    zelu::LogFileTraceSink sink(log);
    zelu::ScopedThreadScopeTraceSink installed(sink);
    EXPECT_THROW(TracedThrow(), std::runtime_error);
  }
  std::stringstream contents;
  contents << std::ifstream(path).rdbuf();
  std::remove(path);
  EXPECT_EQ(contents.str(),
            "earlier line\n"
            "[TESTMOD] Calc:30 Calc::Sub enter\n"
            "[TESTMOD] Calc:30 Calc::Sub exit -4 0 at 33\n"
            "[TESTMOD] Calc:30 Calc::Sub leave\n"
            "[TESTMOD] Calc:20 Calc::Throw enter\n"
            "[TESTMOD] Calc:20 Calc::Throw exit 7 3 at 22\n"
            "[TESTMOD] Calc:20 Calc::Throw leave (exception)\n");
}

TEST(CLogFileTest, UnopenableFileWritesNothing) {
  const CLogFile missing_folder("/nonexistent-folder/zelu/trace.log");
  EXPECT_FALSE(missing_folder.IsOpen());
  EXPECT_FALSE(missing_folder.WriteLine("x"));
  EXPECT_FALSE(CLogFile(nullptr).IsOpen());
}

}  // namespace
