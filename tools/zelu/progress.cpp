#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace zelu::tool {
namespace {

constexpr std::uint64_t kLargeInputBytes = std::uint64_t{64} << 20;
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

void PrintBytes(std::uint64_t bytes) {
  constexpr double kMiB = 1024.0 * 1024.0;
  std::fprintf(stderr, "%.1f MiB", static_cast<double>(bytes) / kMiB);
}

}  // namespace

Progress::Progress(const Input& input, bool requested)
    : input_(input),
      shown_(requested || (::isatty(STDERR_FILENO) != 0 && input.total_size().value_or(0) > kLargeInputBytes)) {}

Progress::~Progress() {
  if (shown_) std::fputs("\r\033[K", stderr);  // clear the line
}

void Progress::Update() {
  if (!shown_) return;
  const Clock::time_point now = Clock::now();
  if (now - last_drawn_ < kRedrawInterval) return;
  last_drawn_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const std::uint64_t done = input_.bytes_read();
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  std::fputs("\r\033[K", stderr);
  PrintBytes(done);
  std::fputs(" at ", stderr);
  PrintBytes(static_cast<std::uint64_t>(rate));
  std::fputs("/s", stderr);
  if (const auto total = input_.total_size(); total && *total > 0 && rate > 0) {
    const double left = static_cast<double>(*total > done ? *total - done : 0) / rate;
    std::fprintf(stderr, ", %.0f%%, %.0f s left", 100.0 * static_cast<double>(done) / static_cast<double>(*total), left);
  }
  std::fflush(stderr);
}

}  // namespace zelu::tool
