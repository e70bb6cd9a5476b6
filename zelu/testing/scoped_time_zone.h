// Test helper: the C library's zone set through TZ for a scope, and a zone
// that is on daylight time whenever the test runs.
//
// Sets TZ on construction; on destruction puts back the value TZ had, or
// unsets it when it had none. It never calls tzset: reading the changed TZ
// is the business of the code under test (and of a test's own reference,
// which calls tzset before localtime_r). Tests that use it must not run
// threads that read the environment meanwhile.
#pragma once

#include <time.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace zelu::testing {

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const std::string& zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    setenv("TZ", zone.c_str(), 1);
  }
  ~ScopedTimeZone() {
    if (previous_) {
      setenv("TZ", previous_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> previous_;
};

// A TZ value for one hour east of UTC ("XST"), with daylight time ("XDT",
// one more hour) from `days_before` today to `days_after` it, at 02:00:
// in force now, wherever the calendar stands. With more than half a year
// after today, daylight time is in force both now and half a year on.
inline std::string ZoneWithDaylightTimeNow(int days_before = 60, int days_after = 60) {
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  gmtime_r(&now, &today);
  const auto julian_day = [&](int shift) { return std::to_string((today.tm_yday + shift + 365) % 365 + 1); };
  return "XST-1XDT,J" + julian_day(-days_before) + ",J" + julian_day(days_after);
}

}  // namespace zelu::testing
