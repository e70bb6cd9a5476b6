#include <zelu/datetime/xml_date_time.h>

#include <time.h>

#include <climits>
#include <cmath>
#include <ctime>
#include <optional>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include <zelu/datetime/internal/xml_conversions.h>
#include <zelu/testing/scoped_time_zone.h>

namespace {

namespace internal = zelu::datetime::internal;
using zelu::testing::ScopedTimeZone;

// The instant as "Y-M-D h:m:s", or the status when it is not valid.
std::string Describe(const COleDateTime& value) {
  if (value.GetStatus() != COleDateTime::valid) return "status " + std::to_string(value.GetStatus());
  return std::to_string(value.GetYear()) + "-" + std::to_string(value.GetMonth()) + "-" +
         std::to_string(value.GetDay()) + " " + std::to_string(value.GetHour()) + ":" +
         std::to_string(value.GetMinute()) + ":" + std::to_string(value.GetSecond());
}

std::string HeldUtc(const CZelXMLDateTime& held) {
  COleDateTime utc(12345.0);
  held.GetXMLDateTime(utc, TRUE);
  return Describe(utc);
}

std::u16string Written(const CZelXMLDateTime& held, int bUTC) {
  CString text(u"left over");
  held.GetXMLDateTimeString(text, bUTC);
  return text.ToU16String();
}

TEST(CZelXMLDateTimeTest, ReadsTwentyNineUnitsAtFixedPositions) {
  struct Row {
    std::u16string text;
    std::string utc;
  };
  const std::string zero = "1899-12-30 0:0:0", invalid = "status 1";
  const Row rows[] = {
      {u"2004-07-01T12:00:00.000+02:00", "2004-7-1 10:0:0"},
      {u"2004-07-01T12:00:00.000-05:00", "2004-7-1 17:0:0"},
      {u"2004-07-01T12:00:00.999+02:00", "2004-7-1 10:0:0"},
      {u"2004/07/01 12x00x00,123+02_00", "2004-7-1 10:0:0"},
      {u"2004-07-01T12:00:00.000 02:00", "2004-7-1 10:0:0"},  // any sign but '-' subtracts
      {u"2004-07-01T12:00:00.000-05:30", "2004-7-1 17:30:0"},
      {u"2004-07-01T12:00:00.000+99:99", "2004-6-27 7:21:0"},
      {u"2004- 7-+1T 1:-0:00.000+02:00", "2004-6-30 23:0:0"},  // _wtoi: blanks, signs
      {u"2004-07-01Txx:yy:zz.000+00:00", "2004-7-1 0:0:0"},   // letters read as 0
      {u"0100-01-01T00:00:00.000+00:00", "100-1-1 0:0:0"},
      {std::u16string(u"2004-1\0-01T12:00:00.000+00:00", 29), "2004-1-1 12:0:0"},
      {u"2004-07-01T12:00:00.000Z", zero},
      {u"2004-07-01T12:00:00Z", zero},
      {u"2004-07-01T12:00:00.000+02:000", zero},
      {u"", zero},
      {u"2004-13-01T12:00:00.000+00:00", invalid},
      {u"2004-07-32T12:00:00.000+00:00", invalid},
      {u"2004-ab-01T12:00:00.000+00:00", invalid},
      {u"2003-02-29T12:00:00.000+00:00", invalid},
      {u"2004-07-01T24:00:00.000+00:00", invalid},
      {u"2004-\u0660\u0667-01T12:00:00.000+00:00", invalid},  // only ASCII digits count
      {u"9999-12-31T23:59:59.000-00:01", invalid},           // UTC beyond the range
      {u"0100-01-01T00:00:00.000+00:01", invalid},
  };
  for (const Row& row : rows) {
    CString text(row.text);
    const CZelXMLDateTime held(text);
    EXPECT_EQ(HeldUtc(held), row.utc) << &row - rows;
    EXPECT_EQ(text.ToU16String(), row.text);
  }
}

struct ZoneRow {
  std::string tz;
  std::u16string local;  // 2004-07-01 10:00:00 UTC in local form
};

TEST(CZelXMLDateTimeTest, WritesTheStandingBiasOfTheZone) {
  const ZoneRow rows[] = {
      {"UTC0", u"2004-07-01T10:00:00.000-00:00"},
      {"EST5", u"2004-07-01T05:00:00.000-05:00"},
      {"IST-5:30", u"2004-07-01T15:30:00.000+05:30"},
      {"NPT-5:45", u"2004-07-01T15:45:00.000+05:45"},
      {"NST3:30NDT,M3.2.0,M11.1.0", u"2004-07-01T06:30:00.000-03:30"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", u"2004-07-01T11:00:00.000+01:00"},  // July: no daylight saving
      {zelu::testing::ZoneWithDaylightTimeNow(), u"2004-07-01T11:00:00.000+01:00"},
      {zelu::testing::ZoneWithDaylightTimeNow(10, 200), u"2004-07-01T11:00:00.000+01:00"},
      {"LMT0:44:30", u"2004-07-01T09:16:00.000-00:44"},
  };
  COleDateTime utc(2004, 7, 1, 10, 0, 0);
  for (const ZoneRow& row : rows) {
    ScopedTimeZone scoped(row.tz);
    const CZelXMLDateTime held(utc, TRUE);
    EXPECT_EQ(Written(held, FALSE), row.local) << row.tz;
    EXPECT_EQ(Written(held, 7), u"2004-07-01T10:00:00.000+00:00") << row.tz;
    CString text(row.local);
    EXPECT_EQ(HeldUtc(CZelXMLDateTime(text)), "2004-7-1 10:0:0") << row.tz;

    // The local date-time is the text's wall clock, and goes back to the instant.
    COleDateTime local;
    held.GetXMLDateTime(local, FALSE);
    EXPECT_EQ(local.Format(u"%Y-%m-%dT%H:%M:%S.000").ToU16String(), row.local.substr(0, 23)) << row.tz;
    EXPECT_EQ(HeldUtc(CZelXMLDateTime(local, FALSE)), "2004-7-1 10:0:0") << row.tz;
  }
}

// Without a readable zone nothing moves and the offset is "+00:00"; the
// arithmetic keeps invalid values invalid whatever the bias.
TEST(CZelXMLDateTimeTest, ConversionsWithAndWithoutABias) {
  struct Row {
    COleDateTime utc;
    std::optional<LONG> bias;
    std::u16string text;
  };
  COleDateTime invalid, null;
  invalid.SetStatus(COleDateTime::invalid);
  null.SetStatus(COleDateTime::null);
  const COleDateTime july(2004, 7, 1, 10, 0, 0);
  const Row rows[] = {
      {july, std::nullopt, u"2004-07-01T10:00:00.000+00:00"},
      {july, 0, u"2004-07-01T10:00:00.000-00:00"},
      {july, -1, u"2004-07-01T10:01:00.000+00:01"},
      {july, 6000, u"2004-06-27T06:00:00.000-100:00"},
      {invalid, std::nullopt, u"Invalid DateTime+00:00"},
      {invalid, 300, u"Invalid DateTime-05:00"},
      {null, -330, u"+05:30"},
      {{9999, 12, 31, 23, 59, 59}, -330, u"Invalid DateTime+05:30"},  // local time beyond the range
      {{9000, 1, 1, 0, 0, 0}, INT_MIN, u"Invalid DateTime+35791394:08"},
  };
  for (const Row& row : rows) {
    CString text;
    internal::WriteXmlText(row.utc, row.bias, text);
    EXPECT_EQ(text.ToU16String(), row.text) << &row - rows;
    const COleDateTime local = internal::UtcToLocal(row.utc, row.bias);
    if (local.GetStatus() == COleDateTime::valid) {
      EXPECT_EQ(internal::LocalToUtc(local, row.bias), row.utc);
    }
    if (row.utc.GetStatus() != COleDateTime::valid) {
      EXPECT_EQ(local.GetStatus(), row.utc.GetStatus());
    }
  }
}

// Random instants over the whole range in several zones: the calendar
// fields agree with the C library's gmtime_r, and text written in either
// form reads back to the same instant.
TEST(CZelXMLDateTimeTest, RandomRoundTripsOverTheWholeRange) {
  std::tm first{}, last{};
  first.tm_year = 100 - 1900, first.tm_mon = 0, first.tm_mday = 2;       // a day in, so that
  last.tm_year = 9999 - 1900, last.tm_mon = 11, last.tm_mday = 30;       // local time stays in range
  std::mt19937_64 random(20040701);
  std::uniform_int_distribution<std::time_t> instants(timegm(&first), timegm(&last));
  const COleDateTime unix_epoch(1970, 1, 1, 0, 0, 0);
  for (const std::string& zone : {std::string("UTC0"), std::string("EST5"), std::string("IST-5:30"),
                                  std::string("NPT-5:45"), std::string("Europe/Amsterdam"),
                                  zelu::testing::ZoneWithDaylightTimeNow()}) {
    ScopedTimeZone scoped(zone);
    for (int i = 0; i < 2000; ++i) {
      const std::time_t when = instants(random);
      std::tm fields{};
      gmtime_r(&when, &fields);
      COleDateTime utc(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min,
                       fields.tm_sec);
      ASSERT_EQ(std::round((utc - unix_epoch).GetTotalSeconds()), static_cast<double>(when)) << when;
      const CZelXMLDateTime held(utc, TRUE);
      for (const int bUTC : {FALSE, TRUE}) {
        CString text;
        held.GetXMLDateTimeString(text, bUTC);
        ASSERT_EQ(text.GetLength(), 29) << zone << " " << when;
        ASSERT_EQ(CZelXMLDateTime(text).m_dtUTC, utc) << zone << " " << when;
      }
    }
  }
}

}  // namespace
