#include <zelu/platform/win32/time_zone.h>

#include <time.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/scoped_time_zone.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ScopedTimeZone;
using zelu::testing::ToU16;

bool DaylightTimeNow() {
  tzset();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_isdst > 0;
}

// Whether daylight time is in force just before and at the second that a
// SYSTEMTIME written with `bias` (UTC = local + bias minutes) names.
std::pair<bool, bool> DaylightAround(const SYSTEMTIME& wall, LONG bias) {
  std::tm fields{wall.wSecond, wall.wMinute, wall.wHour, wall.wDay, wall.wMonth - 1, wall.wYear - 1900, 0, 0, 0, 0, nullptr};
  const std::time_t change = timegm(&fields) + bias * 60;
  tzset();
  std::tm before{}, at{};
  const std::time_t just_before = change - 1;
  localtime_r(&just_before, &before);
  localtime_r(&change, &at);
  return {before.tm_isdst > 0, at.tm_isdst > 0};
}

struct ZoneCase {
  std::string tz;
  LONG bias;
  std::u16string standard_name;
  std::u16string daylight_name;  // empty: no daylight time
  // For zones with daylight time: the rule's day of the week and local hour
  // of each change (DaylightDate in standard time, StandardDate in daylight).
  int change_weekday = 0, daylight_hour = 2, standard_hour = 2;
};

TEST(GetTimeZoneInformationTest, StandardBiasNamesAndChanges) {
  const ZoneCase cases[] = {
      {"UTC0", 0, u"UTC", u""},
      {"EST5", 300, u"EST", u""},
      {"IST-5:30", -330, u"IST", u""},
      {"NPT-5:45", -345, u"NPT", u""},
      {"LMT0:44:30", 44, u"LMT", u""},  // not whole minutes: cut toward zero
      {"LMT-0:44:30", -44, u"LMT", u""},
      {"CET-1CEST,M3.5.0,M10.5.0/3", -60, u"CET", u"CEST", 0, 2, 3},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", -600, u"AEST", u"AEDT", 0, 2, 3},
      {"NST3:30NDT,M3.2.0,M11.1.0", 210, u"NST", u"NDT", 0, 2, 2},
      {"Asia/Kolkata", -330, u"IST", u""},
      {"Europe/Amsterdam", -60, u"CET", u"CEST", 0, 2, 3},
      {"America/St_Johns", 210, u"NST", u"NDT", 0, 2, 2},
      {zelu::testing::ZoneWithDaylightTimeNow(), -60, u"XST", u"XDT", -1, 2, 2},
      // daylight time now and half a year on, standard time only after that
      {zelu::testing::ZoneWithDaylightTimeNow(10, 200), -60, u"XST", u"XDT", -1, 2, 2},
      {"Nowhere/Such", 0, u"Nowhere", u""},  // an unknown zone is UTC to the C library
  };
  for (const ZoneCase& zone : cases) {
    ScopedTimeZone scoped(zone.tz);
    TIME_ZONE_INFORMATION information;
    std::memset(&information, 0x5A, sizeof information);
    const DWORD result = GetTimeZoneInformation(&information);
    EXPECT_EQ(information.Bias, zone.bias) << zone.tz;
    EXPECT_EQ(ToU16(information.StandardName), zone.standard_name) << zone.tz;
    EXPECT_EQ(ToU16(information.DaylightName), zone.daylight_name) << zone.tz;
    EXPECT_EQ(information.StandardBias, 0) << zone.tz;
    if (zone.daylight_name.empty()) {
      EXPECT_EQ(result, TIME_ZONE_ID_UNKNOWN) << zone.tz;
      EXPECT_EQ(information.DaylightBias, 0) << zone.tz;
      EXPECT_EQ(information.DaylightDate.wYear + information.StandardDate.wYear, 0) << zone.tz;
      continue;
    }
    EXPECT_EQ(result, DaylightTimeNow() ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD) << zone.tz;
    EXPECT_EQ(information.DaylightBias, -60) << zone.tz;
    const SYSTEMTIME& to_daylight = information.DaylightDate;
    const SYSTEMTIME& to_standard = information.StandardDate;
    EXPECT_EQ(DaylightAround(to_daylight, zone.bias), std::make_pair(false, true)) << zone.tz;
    EXPECT_EQ(DaylightAround(to_standard, zone.bias - 60), std::make_pair(true, false)) << zone.tz;
    EXPECT_EQ(to_daylight.wHour, zone.daylight_hour) << zone.tz;
    EXPECT_EQ(to_standard.wHour, zone.standard_hour) << zone.tz;
    if (zone.change_weekday >= 0) {
      EXPECT_EQ(to_daylight.wDayOfWeek, zone.change_weekday) << zone.tz;
      EXPECT_EQ(to_standard.wDayOfWeek, zone.change_weekday) << zone.tz;
    }
  }
}

TEST(GetTimeZoneInformationTest, DaylightTimeInForceLeavesTheStandardBias) {
  for (const auto& [before, after] : {std::pair(60, 60), std::pair(10, 200), std::pair(200, 10)}) {
    ScopedTimeZone scoped(zelu::testing::ZoneWithDaylightTimeNow(before, after));
    ASSERT_TRUE(DaylightTimeNow());
    TIME_ZONE_INFORMATION information{};
    EXPECT_EQ(GetTimeZoneInformation(&information), TIME_ZONE_ID_DAYLIGHT) << before << " " << after;
    EXPECT_EQ(information.Bias, -60) << before << " " << after;
  }
}

TEST(GetTimeZoneInformationTest, NullRecordFails) { EXPECT_EQ(GetTimeZoneInformation(nullptr), TIME_ZONE_ID_INVALID); }

// The C library's own globals go stale and are written by other threads'
// conversions: after localtime of 1930 in Amsterdam, tzname says "AMT".
// Readers on several threads must keep seeing the zone's current rules
// while another thread converts historic dates.
TEST(GetTimeZoneInformationTest, ConcurrentReadersSeeTheCurrentRules) {
  ScopedTimeZone scoped("Europe/Amsterdam");
  tzset();
  std::atomic<bool> stop{false};
  std::thread historian([&] {
    for (std::time_t when = -1262304000; !stop; when -= 86400) {  // from 1930 backwards
      std::tm local{};
      localtime_r(&when, &local);
    }
  });
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([&] {
      for (int i = 0; i < 300; ++i) {
        TIME_ZONE_INFORMATION information{};
        const DWORD result = GetTimeZoneInformation(&information);
        if (result == TIME_ZONE_ID_INVALID || information.Bias != -60 || ToU16(information.StandardName) != u"CET" ||
            ToU16(information.DaylightName) != u"CEST") {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& reader : readers) reader.join();
  stop = true;
  historian.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
