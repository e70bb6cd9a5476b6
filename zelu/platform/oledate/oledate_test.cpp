#include <zelu/platform/oledate/oledate.h>

#include <time.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <ctime>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include <zelu/testing/scoped_time_zone.h>

namespace {

constexpr double kSecond = 1.0 / 86400;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Civil = std::array<int, 6>;  // year, month, day, hour, minute, second
constexpr Civil kNoInstant{-1, -1, -1, -1, -1, -1};

Civil FieldsOf(const COleDateTime& value) {
  return {value.GetYear(), value.GetMonth(), value.GetDay(), value.GetHour(), value.GetMinute(), value.GetSecond()};
}

COleDateTime Make(const Civil& c) { return COleDateTime(c[0], c[1], c[2], c[3], c[4], c[5]); }

// The proleptic Gregorian calendar the slow, obvious way: one day at a time.
struct WalkingDay {
  int year = 100, month = 1, day = 1;

  int MonthLength() const {
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return lengths[month - 1];
  }
  void Next() {
    if (++day <= MonthLength()) return;
    day = 1;
    if (++month <= 12) return;
    month = 1;
    ++year;
  }
};

// Every day of the range, with a time that changes from day to day: the day
// number and the fields read back, the weekday and the day of the year.
TEST(COleDateTimeTest, EveryDayOfTheRangeAgreesWithAWalkingCalendar) {
  WalkingDay date;
  int day_of_year = 1;
  int weekday = 5;  // 1 January 100 was a Friday (30 December 1899 a Saturday)
  for (int day_number = -657434; day_number <= 2958465; ++day_number) {
    const int time = static_cast<int>((static_cast<long long>(day_number) * 7919 % 86400 + 86400) % 86400);
    const Civil expected{date.year, date.month, date.day, time / 3600, time / 60 % 60, time % 60};
    const COleDateTime value = Make(expected);
    ASSERT_TRUE(value.GetStatus() == COleDateTime::valid && std::trunc(value.m_dt) == day_number) << value.m_dt;
    ASSERT_EQ(FieldsOf(value), expected);
    const WCHAR calendar[] = {static_cast<WCHAR>('0' + weekday), ' ', static_cast<WCHAR>('0' + day_of_year / 100),
                              static_cast<WCHAR>('0' + day_of_year / 10 % 10),
                              static_cast<WCHAR>('0' + day_of_year % 10), 0};
    ASSERT_TRUE(value.Format(u"%w %j") == calendar) << day_number;
    date.Next();
    weekday = (weekday + 1) % 7;
    day_of_year = date.month == 1 && date.day == 1 ? 1 : day_of_year + 1;
  }
  EXPECT_EQ(date.year, 10000);
}

TEST(COleDateTimeTest, RealDatesOnlyAndTheirExactValues) {
  const std::pair<Civil, double> rows[] = {  // NaN: invalid
      {{1899, 12, 30, 0, 0, 0}, 0.0},    {{1899, 12, 30, 6, 0, 0}, 0.25},     {{1899, 12, 31, 0, 0, 0}, 1.0},
      {{1899, 12, 29, 6, 0, 0}, -1.25},  {{1899, 12, 29, 18, 0, 0}, -1.75},   {{1899, 12, 28, 0, 0, 0}, -2.0},
      {{1900, 2, 28, 0, 0, 0}, 60.0},    {{1900, 3, 1, 0, 0, 0}, 61.0},       {{100, 1, 1, 0, 0, 0}, -657434.0},
      {{100, 1, 1, 12, 0, 0}, -657434.5}, {{9999, 12, 31, 23, 59, 59}, 2958465 + 86399 * kSecond},
      {{2000, 2, 29, 0, 0, 0}, 36585.0}, {{1600, 2, 29, 0, 0, 0}, -109512.0}, {{2004, 2, 29, 0, 0, 0}, 38046.0},
      {{1900, 2, 29, 0, 0, 0}, kNaN},    {{2100, 2, 29, 0, 0, 0}, kNaN},      {{2003, 2, 29, 0, 0, 0}, kNaN},
      {{99, 12, 31, 23, 59, 59}, kNaN},  {{10000, 1, 1, 0, 0, 0}, kNaN},     {{2004, 0, 1, 0, 0, 0}, kNaN},
      {{2004, 13, 1, 0, 0, 0}, kNaN},    {{2004, 4, 31, 0, 0, 0}, kNaN},      {{2004, 1, 0, 0, 0, 0}, kNaN},
      {{2004, 1, 32, 0, 0, 0}, kNaN},    {{2004, 1, 1, 24, 0, 0}, kNaN},      {{2004, 1, 1, -1, 0, 0}, kNaN},
      {{2004, 1, 1, 0, 60, 0}, kNaN},    {{2004, 1, 1, 0, 0, 60}, kNaN},      {{2004, 1, 1, 0, 0, -1}, kNaN},
  };
  for (const auto& [fields, expected] : rows) {
    COleDateTime value(1.0);
    const int status = value.SetDateTime(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
    EXPECT_EQ(status, std::isnan(expected) ? COleDateTime::invalid : COleDateTime::valid) << fields[0];
    EXPECT_EQ(value.GetStatus(), status);
    EXPECT_EQ(FieldsOf(value), std::isnan(expected) ? kNoInstant : fields);
    EXPECT_TRUE(std::isnan(expected) || value.m_dt == expected) << value.m_dt;
  }
}

// A DATE is read to the nearest second, halves to the later time; outside
// the range it is invalid.
TEST(COleDateTimeTest, DatesAreReadToTheNearestSecond) {
  const Civil invalid = kNoInstant;
  const std::pair<double, Civil> rows[] = {
      {0.5 * kSecond, {1899, 12, 30, 0, 0, 1}},     {0.49 * kSecond, {1899, 12, 30, 0, 0, 0}},
      {1 - 0.4 * kSecond, {1899, 12, 31, 0, 0, 0}}, {-1 - 0.5 * kSecond, {1899, 12, 29, 0, 0, 1}},
      {-0.5, {1899, 12, 30, 12, 0, 0}},             {-657434.999, {100, 1, 1, 23, 58, 34}},
      {2958465 + 86399.4 * kSecond, {9999, 12, 31, 23, 59, 59}},
      {2958465 + 86399.7 * kSecond, invalid},  // rounds into the year 10000
      {-657435.0, invalid}, {kNaN, invalid}, {std::numeric_limits<double>::infinity(), invalid}, {-1e300, invalid},
  };
  for (const auto& [date, expected] : rows) {
    const COleDateTime value(date);
    EXPECT_EQ(value.GetStatus(), expected == invalid ? COleDateTime::invalid : COleDateTime::valid) << date;
    EXPECT_EQ(FieldsOf(value), expected) << date;
  }
}

COleDateTime WithStatus(COleDateTime::DateTimeStatus status) {
  COleDateTime value(2004, 7, 1, 0, 0, 0);
  value.SetStatus(status);
  return value;
}

TEST(COleDateTimeTest, ArithmeticWithSpans) {
  struct Row {
    COleDateTime start;
    COleDateTimeSpan span;
    COleDateTime expected;
  };
  COleDateTimeSpan null_span, invalid_span, nan_span(kNaN);
  null_span.SetStatus(COleDateTimeSpan::null);
  invalid_span.SetStatus(COleDateTimeSpan::invalid);
  const COleDateTime invalid = WithStatus(COleDateTime::invalid);
  const COleDateTime null = WithStatus(COleDateTime::null);
  const Row rows[] = {
      {{1899, 12, 30, 0, 0, 0}, {0, -1, 0, 0}, {1899, 12, 29, 23, 0, 0}},
      {{1899, 12, 29, 23, 0, 0}, {0, 1, 0, 0}, {1899, 12, 30, 0, 0, 0}},
      {{2004, 7, 1, 0, 0, 0}, {0, 0, -330, 0}, {2004, 6, 30, 18, 30, 0}},
      {{2000, 2, 28, 12, 0, 0}, {1, 0, 0, 0}, {2000, 2, 29, 12, 0, 0}},
      {{1900, 2, 28, 12, 0, 0}, {1, 0, 0, 0}, {1900, 3, 1, 12, 0, 0}},
      {{100, 1, 1, 0, 0, 0}, {3615899, 23, 59, 59}, {9999, 12, 31, 23, 59, 59}},
      {{100, 1, 1, 0, 0, 0}, 0.4 * kSecond, {100, 1, 1, 0, 0, 0}},
      {{9999, 12, 31, 23, 59, 59}, {0, 0, 0, 1}, invalid},
      {{100, 1, 1, 0, 0, 0}, {0, 0, 0, -1}, invalid},
      {{2004, 7, 1, 0, 0, 0}, 1e300, invalid},
      {{2004, 7, 1, 0, 0, 0}, nan_span, invalid},
      {{2004, 7, 1, 0, 0, 0}, invalid_span, invalid},
      {{2004, 7, 1, 0, 0, 0}, null_span, null},
      {invalid, {0, 1, 0, 0}, invalid},
      {WithStatus(COleDateTime::error), {0, 1, 0, 0}, invalid},
      {null, {0, 1, 0, 0}, null},
      {invalid, null_span, null},
      {COleDateTime(1e7), {0, 0, 0, 0}, invalid},
  };
  for (const Row& row : rows) {
    const std::string where = std::to_string(&row - rows);
    COleDateTime moved = row.start;
    moved += row.span;
    EXPECT_EQ(moved.GetStatus(), row.expected.GetStatus()) << where;
    EXPECT_EQ(moved, row.expected) << where;
    EXPECT_EQ(FieldsOf(row.start + row.span), FieldsOf(moved)) << where;
    if (moved.GetStatus() == COleDateTime::valid) {
      EXPECT_EQ(moved - row.span, row.start) << where;
      EXPECT_EQ(std::round((moved - row.start).GetTotalSeconds()), std::round(row.span.GetTotalSeconds())) << where;
    }
  }
}

// A minute is not a whole number of days in binary: added a million times
// it must land where one addition of a million minutes lands.
TEST(COleDateTimeTest, RepeatedAdditionDoesNotDrift) {
  for (const COleDateTime start : {COleDateTime(9000, 1, 1, 0, 0, 0), COleDateTime(100, 3, 1, 0, 0, 1)}) {
    COleDateTime stepped = start;
    for (int i = 0; i < 1000000; ++i) stepped += COleDateTimeSpan(0, 0, 1, 0);
    EXPECT_EQ(FieldsOf(stepped), FieldsOf(start + COleDateTimeSpan(0, 0, 1000000, 0)));
    EXPECT_EQ((stepped - start).GetTotalMinutes(), 1000000.0);
  }
}

TEST(COleDateTimeTest, DifferencesOfValuesWithoutAnInstant) {
  const COleDateTime valid(2004, 7, 1, 0, 0, 0);
  EXPECT_EQ((valid - WithStatus(COleDateTime::null)).GetStatus(), COleDateTimeSpan::null);
  EXPECT_EQ((WithStatus(COleDateTime::invalid) - valid).GetStatus(), COleDateTimeSpan::invalid);
  EXPECT_EQ((valid - COleDateTime(1e7)).GetStatus(), COleDateTimeSpan::invalid);
}

TEST(COleDateTimeTest, ComparisonsFollowTimeNotTheDouble) {
  using std::partial_ordering;
  const COleDateTime invalid = WithStatus(COleDateTime::invalid), null = WithStatus(COleDateTime::null);
  const std::tuple<COleDateTime, COleDateTime, partial_ordering> rows[] = {
      {-1.25, -1.75, partial_ordering::less},  // 29 Dec 1899 06:00 before 18:00
      {-2.0, -1.75, partial_ordering::less},
      {-0.5, 0.5, partial_ordering::equivalent},
      {0.0, 0.4 * kSecond, partial_ordering::equivalent},
      {2.0, 1.5, partial_ordering::greater},
      {invalid, invalid, partial_ordering::equivalent},
      {invalid, null, partial_ordering::unordered},
      {null, COleDateTime(), partial_ordering::unordered},
  };
  for (const auto& [a, b, order] : rows) {
    EXPECT_TRUE((a <=> b) == order) << a.m_dt << " " << b.m_dt;
    EXPECT_EQ(a == b, order == partial_ordering::equivalent);
    EXPECT_EQ(a < b, order == partial_ordering::less);
  }
}

TEST(COleDateTimeTest, FormatCodes) {
  struct Row {
    COleDateTime value;
    const char16_t* pattern;
    std::u16string expected;
  };
  const COleDateTime july(2004, 7, 1, 13, 5, 9);
  const Row rows[] = {
      {july, u"%Y-%m-%dT%H:%M:%S.000", u"2004-07-01T13:05:09.000"},
      {july, u"%a %A %b %B %y %j %w", u"Thu Thursday Jul July 04 183 4"},
      {july, u"%I %p", u"01 PM"},
      {{2004, 7, 1, 0, 0, 0}, u"%I %p", u"12 AM"},
      {{2004, 7, 1, 12, 0, 0}, u"%I %p", u"12 PM"},
      {{100, 1, 1, 0, 0, 0}, u"%Y %y %a", u"0100 00 Fri"},
      {{9999, 12, 31, 23, 59, 59}, u"%Y-%m-%d %H:%M:%S %A %j", u"9999-12-31 23:59:59 Friday 365"},
      {{2000, 12, 31, 0, 0, 0}, u"%j", u"366"},
      {{1899, 12, 29, 18, 0, 0}, u"%d %H %A", u"29 18 Friday"},
      {july, u"100%% %Q %", u"100% %Q %"},
      {july, u"\u20AC%Y\u00E9", u"\u20AC2004\u00E9"},
      {july, u"", u""},
      {WithStatus(COleDateTime::invalid), u"%Y", u"Invalid DateTime"},
      {WithStatus(COleDateTime::error), u"%Y", u"Invalid DateTime"},
      {COleDateTime(1e7), u"%Y", u"Invalid DateTime"},
      {WithStatus(COleDateTime::null), u"%Y", u""},
  };
  for (const Row& row : rows) EXPECT_EQ(row.value.Format(row.pattern).ToU16String(), row.expected) << &row - rows;
  const WCHAR wide[] = {'%', 'H', 0};
  EXPECT_EQ(july.Format(wide).ToU16String(), u"13");
  EXPECT_EQ(july.Format(static_cast<const WCHAR*>(nullptr)).GetLength(), 0);
}

TEST(COleDateTimeSpanTest, ComponentsAreSummedExactly) {
  const std::pair<std::array<int, 4>, double> rows[] = {
      {{0, 0, -330, 0}, -19800}, {{1, -24, 0, 0}, 0},      {{0, 0, 0, 86400}, 86400},
      {{-1, 2, 3, 4}, -79016},   {{0, 99, 99, 0}, 362340}, {{INT_MAX, 0, 0, 0}, INT_MAX * 86400.0}};
  for (const auto& [parts, total_seconds] : rows) {
    COleDateTimeSpan span(kNaN);
    span.SetStatus(COleDateTimeSpan::invalid);
    span.SetDateTimeSpan(parts[0], parts[1], parts[2], parts[3]);
    EXPECT_EQ(span.GetStatus(), COleDateTimeSpan::valid);
    EXPECT_EQ(std::round(span.GetTotalSeconds()), total_seconds);
    EXPECT_DOUBLE_EQ(span.GetTotalDays(), total_seconds / 86400);
  }
}

// The wall clock of the zone that TZ names at the time of the call.
TEST(COleDateTimeTest, GetCurrentTimeIsTheLocalTimeOfTheCurrentZone) {
  const std::pair<const char*, int> zones[] = {{"UTC0", 0}, {"IST-5:30", 19800}, {"EST5", -18000}, {"UTC0", 0}};
  for (const auto& [zone, offset] : zones) {
    zelu::testing::ScopedTimeZone scoped(zone);
    const std::time_t before = std::time(nullptr);
    const COleDateTime now = COleDateTime::GetCurrentTime();
    const std::time_t after = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&before, &utc);
    const COleDateTime utc_before(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                                  std::min(utc.tm_sec, 59));
    const double ahead = std::round((now - utc_before).GetTotalSeconds());
    EXPECT_GE(ahead, offset) << zone;
    EXPECT_LE(ahead, offset + static_cast<double>(after - before)) << zone;
  }
}

}  // namespace
