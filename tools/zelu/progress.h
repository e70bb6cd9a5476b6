// A progress line on standard error for long runs: bytes done, rate and,
// when the input's size is known, the share done and the time left. It is
// redrawn at most four times a second and cleared when the run ends.
#pragma once

#include <chrono>
#include <cstdint>

#include "io.h"

namespace zelu::tool {

class Progress {
 public:
  // Shown when `requested`, or by default when standard error is a terminal
  // and the input is files of more than 64 MiB.
  Progress(const Input& input, bool requested);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Called after each chunk.
  void Update();

 private:
  using Clock = std::chrono::steady_clock;

  const Input& input_;
  bool shown_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point last_drawn_ = start_;
};

}  // namespace zelu::tool
