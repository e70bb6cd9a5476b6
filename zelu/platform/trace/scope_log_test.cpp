#include <zelu/platform/trace/scope_log.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <zelu/testing/trace_recorder.h>

namespace {

using zelu::testing::TraceRecorder;
using Kind = TraceRecorder::Kind;

int TracedAdd(int a, int b) {
  CScopeLog scope("Calc::Add", "Calc", 10, "TESTMOD", nullptr);
  const int sum = a + b;
  scope.RecordExit(sum, 0, 14, 1);
  return sum;
}

void TracedThrow() {
  CScopeLog scope("Calc::Throw", "Calc", 20, "TESTMOD", nullptr);
  scope.RecordExit(7, 3, 22, 1);
  throw std::runtime_error("passing through");
}

TEST(CScopeLogTest, ReportsEntryExitAndLeaveInOrder) {
  TraceRecorder recorder;
  EXPECT_EQ(TracedAdd(2, 3), 5);
  const auto& events = recorder.events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, Kind::kEnter);
  EXPECT_EQ(events[0].Where(), "TESTMOD Calc:10 Calc::Add");
  EXPECT_EQ(events[0].log_file, nullptr);
  EXPECT_EQ(events[1].kind, Kind::kExit);
  EXPECT_EQ(events[1].exit.value, 5);
  EXPECT_EQ(events[1].exit.second, 0);
  EXPECT_EQ(events[1].exit.line, 14);
  EXPECT_EQ(events[1].exit.flag, 1);
  EXPECT_EQ(events[2].kind, Kind::kLeave);
  EXPECT_EQ(events[2].exit.line, 14) << "the leave carries the last exit record";
  EXPECT_FALSE(events[2].unwinding);
}

TEST(CScopeLogTest, ScopeClosesWhenAnExceptionPassesThrough) {
  TraceRecorder recorder;
  EXPECT_THROW(TracedThrow(), std::runtime_error);
  const auto leaves = recorder.Of(Kind::kLeave);
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_TRUE(leaves[0].unwinding);
  EXPECT_EQ(leaves[0].exit.value, 7);
  EXPECT_EQ(leaves[0].exit.second, 3);
}

// A scope opened and closed inside a destructor that runs during unwinding
// is not itself being unwound.
struct TracesInDestructor {
  ~TracesInDestructor() { TracedAdd(1, 1); }
};

TEST(CScopeLogTest, ScopeOpenedDuringUnwindingClosesNormally) {
  TraceRecorder recorder;
  try {
    TracesInDestructor guard;
    throw std::runtime_error("outer");
  } catch (const std::runtime_error&) {
  }
  const auto leaves = recorder.Of(Kind::kLeave);
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_FALSE(leaves[0].unwinding);
}

TEST(CScopeLogTest, NestedScopesCloseInnerFirst) {
  TraceRecorder recorder;
  {
    CScopeLog outer("Outer", "F", 1, "M", nullptr);
    TracedAdd(0, 0);
  }
  std::vector<std::string> order;
  for (const auto& event : recorder.events()) {
    order.push_back(event.function + (event.kind == Kind::kEnter ? "+" : event.kind == Kind::kLeave ? "-" : "!"));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"Outer+", "Calc::Add+", "Calc::Add!", "Calc::Add-", "Outer-"}));
}

TEST(CScopeLogTest, SinksArePerThreadAndRestoredWhenRemoved) {
  EXPECT_EQ(zelu::GetThreadScopeTraceSink(), nullptr);
  {
    TraceRecorder outer;
    {
      TraceRecorder inner;
      std::size_t seen_on_other_thread = 0;
      std::thread other([&] {
        EXPECT_EQ(zelu::GetThreadScopeTraceSink(), nullptr);
        TracedAdd(1, 1);  // no sink on this thread
        TraceRecorder own;
        TracedAdd(1, 1);
        seen_on_other_thread = own.events().size();
      });
      other.join();
      EXPECT_EQ(seen_on_other_thread, 3u);
      EXPECT_TRUE(inner.events().empty());
      TracedAdd(1, 1);
      EXPECT_EQ(inner.events().size(), 3u);
    }
    EXPECT_EQ(zelu::GetThreadScopeTraceSink(), &outer);
    EXPECT_TRUE(outer.events().empty());
  }
  EXPECT_EQ(zelu::GetThreadScopeTraceSink(), nullptr);
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/zelu_trace_XXXXXX";
    const int descriptor = ::mkstemp(name);
    ASSERT_GE(descriptor, 0);
    ::close(descriptor);
    path_ = name;
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string Contents() const {
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string path_;
};

TEST_F(LogFileTest, ScopeWritesToItsOwnLogFile) {
  CLogFile log(path_.c_str());
  ASSERT_TRUE(log.IsOpen());
  {
    CScopeLog scope("Calc::Sub", "Calc", 30, "TESTMOD", &log);
    scope.RecordExit(-4, 0, 33, 1);
  }
  EXPECT_EQ(Contents(),
            "[TESTMOD] Calc:30 Calc::Sub enter\n"
            "[TESTMOD] Calc:30 Calc::Sub exit -4 0 at 33\n"
            "[TESTMOD] Calc:30 Calc::Sub leave\n");
}

TEST_F(LogFileTest, LogFileSinkAppendsTheThreadsScopes) {
  {
    std::ofstream(path_) << "earlier line\n";
  }
  CLogFile log(path_.c_str());
  zelu::LogFileTraceSink sink(log);
  zelu::ScopedThreadScopeTraceSink installed(sink);
  EXPECT_THROW(TracedThrow(), std::runtime_error);
  EXPECT_EQ(Contents(),
            "earlier line\n"
            "[TESTMOD] Calc:20 Calc::Throw enter\n"
            "[TESTMOD] Calc:20 Calc::Throw exit 7 3 at 22\n"
            "[TESTMOD] Calc:20 Calc::Throw leave (exception)\n");
}

TEST(CLogFileTest, UnopenableFileWritesNothing) {
  const CLogFile missing_folder("/nonexistent-folder/zelu/trace.log");
  EXPECT_FALSE(missing_folder.IsOpen());
  EXPECT_FALSE(missing_folder.WriteLine("x"));
  const CLogFile no_path(nullptr);
  EXPECT_FALSE(no_path.IsOpen());
}

}  // namespace
