// Test helper: one piece of work on several threads at once.
//
// RunOnThreads starts `threads` threads that each wait until all have
// started, runs work(index) on each, joins them and returns the sum of what
// the calls returned (a count of mismatches, say), so that a test asserts on
// the main thread. Tests of this kind sit in suites named *ThreadsTest, which
// carry the ctest label `threads` and run under ThreadSanitizer in CI.
#pragma once

#include <latch>
#include <thread>
#include <vector>

namespace zelu::testing {

inline constexpr int kTestThreads = 4;

template <typename Work>
int RunOnThreads(int threads, Work work) {
  std::latch started(threads);
  std::vector<int> results(static_cast<std::size_t>(threads), 0);
  std::vector<std::thread> running;
  for (int index = 0; index < threads; ++index) {
    running.emplace_back([&, index] {
      started.arrive_and_wait();
      results[static_cast<std::size_t>(index)] = work(index);
    });
  }
  for (std::thread& thread : running) thread.join();
  int sum = 0;
  for (const int result : results) sum += result;
  return sum;
}

}  // namespace zelu::testing
