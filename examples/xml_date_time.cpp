// CZelXMLDateTime holds one instant in UTC, read from and written as XML
// Schema dateTime text with a numeric zone offset, and converted to and from
// COleDateTime in UTC or in the local zone's standard time.
#include <cstdio>
#include <cstdlib>

#include <zelu/datetime/xml_date_time.h>
#include <zelu/platform/oledate/oledate.h>
#include <zelu/text/zel_string.h>

int main() {
  // The local zone is read from TZ on every conversion: India, 5:30 ahead.
  setenv("TZ", "IST-5:30", 1);

  CString text(u"2004-07-01T12:00:00.000+02:00");
  CZelXMLDateTime instant(text);  // 10:00 UTC
  CString utc, local;
  instant.GetXMLDateTimeString(utc, TRUE);
  instant.GetXMLDateTimeString(local, FALSE);
  std::printf("in UTC              %s\n", CZelString(utc).AsUTF8());
  std::printf("local               %s\n", CZelString(local).AsUTF8());

  COleDateTime when;
  instant.GetXMLDateTime(when, TRUE);
  when += COleDateTimeSpan(0, 0, 90, 0);  // days, hours, minutes, seconds
  std::printf("plus 90 minutes     %s\n", CZelString(when.Format(u"%d %b %Y %H:%M")).AsUTF8());

  // From a calendar date-time given in local time.
  COleDateTime midnight(2024, 2, 29, 0, 0, 0);
  CZelXMLDateTime from_local(midnight, FALSE);
  from_local.GetXMLDateTimeString(utc, TRUE);
  std::printf("local midnight      %s\n", CZelString(utc).AsUTF8());

  // Text that is not a real date leaves the value invalid; any length other
  // than 29 units gives 30 December 1899.
  CString bad_month(u"2004-13-01T12:00:00.000+00:00"), short_text(u"2004-07-01");
  CZelXMLDateTime invalid(bad_month), epoch(short_text);
  invalid.GetXMLDateTimeString(utc, TRUE);
  std::printf("month 13            %s\n", CZelString(utc).AsUTF8());
  epoch.GetXMLDateTimeString(utc, TRUE);
  std::printf("10 units            %s\n", CZelString(utc).AsUTF8());
  return 0;
}
