// GetTimeZoneInformation on several threads at once gives every thread the
// record that one thread alone gets, in a zone without daylight time, a zone
// with it and one on daylight time now, while yet another thread converts
// dates of other years through the C library (which rewrites its globals).
#include <zelu/platform/win32/time_zone.h>

#include <time.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <ostream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <zelu/testing/scoped_time_zone.h>
#include <zelu/testing/threads.h>

namespace {

bool SameRecord(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

struct Zone {
  const char* name;
  std::string tz;
};

void PrintTo(const Zone& zone, std::ostream* out) { *out << zone.name; }

class TimeZoneThreadsTest : public ::testing::TestWithParam<Zone> {};

TEST_P(TimeZoneThreadsTest, EveryThreadReadsTheRecordOfOneThread) {
  const zelu::testing::ScopedTimeZone zone(GetParam().tz);
  TIME_ZONE_INFORMATION expected{};
  const DWORD expected_result = GetTimeZoneInformation(&expected);
  ASSERT_NE(expected_result, TIME_ZONE_ID_INVALID);
  std::atomic<bool> stop{false};
  std::thread historian([&] {
    for (std::time_t when = -1262304000; !stop; when -= 86400) {  // from 1930 backwards
      std::tm local{};
      localtime_r(&when, &local);
    }
  });
  const int mismatches = zelu::testing::RunOnThreads(zelu::testing::kTestThreads, [&](int) {
    int wrong = 0;
    for (int i = 0; i < 100; ++i) {
      TIME_ZONE_INFORMATION information{};
      wrong += GetTimeZoneInformation(&information) == expected_result && SameRecord(information, expected) ? 0 : 1;
    }
    return wrong;
  });
  stop = true;
  historian.join();
  EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(Zones, TimeZoneThreadsTest,
                         ::testing::Values(Zone{"Utc", "UTC"}, Zone{"Amsterdam", "Europe/Amsterdam"},
                                           Zone{"DaylightTimeNow", zelu::testing::ZoneWithDaylightTimeNow()}),
                         [](const ::testing::TestParamInfo<Zone>& zone) { return std::string(zone.param.name); });

}  // namespace
