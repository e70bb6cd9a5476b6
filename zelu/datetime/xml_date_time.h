// CZelXMLDateTime: one instant in UTC, converted between calendar
// date-times and the 29-unit XML Schema dateTime text with a numeric zone
// offset, such as 2004-07-01T12:00:00.000+02:00 (10:00 UTC).
//
// Local time is UTC shifted by the zone's standing bias alone (the Bias of
// GetTimeZoneInformation, UTC = local + bias minutes), queried afresh on
// every conversion that has `bUTC` zero; daylight saving time is never
// applied. When the zone cannot be read, such a conversion passes the value
// through unchanged and text gets the offset "+00:00", exactly as with
// `bUTC` non-zero.
//
// What a caller may rely on:
//   * No member reports failure: there is no result code and nothing is
//     thrown but std::bad_alloc from the text members.
//   * Text of any length other than 29 units leaves 30 December 1899,
//     00:00:00, valid. Text of 29 units is read at fixed positions with
//     _wtoi (year 0-3, month 5-6, day 8-9, hour 11-12, minute 14-15, second
//     17-18, offset hours 24-25, offset minutes 27-28); the separators and
//     the fraction are not examined, and the offset is subtracted unless
//     unit 23 is '-', when it is added. Fields that do not form a real date
//     and time (month 13, letters in the day) leave the value invalid, as
//     does an offset that carries it outside the years 100 to 9999.
//   * Written text is the value formatted "%Y-%m-%dT%H:%M:%S.000" followed
//     by the offset: "+00:00" in UTC form; in local form the sign is '+'
//     for a negative bias and '-' otherwise (a bias of 0 gives "-00:00").
//     The year always has four digits (the year 100 is "0100"), so every
//     valid value writes 29 units that read back to the same instant. An
//     invalid value writes "Invalid DateTime", a null one nothing, each
//     followed by the offset.
//   * The getters are const and may run on several threads at once.
//
//   CString text(u"2004-07-01T12:00:00.000+02:00");
//   CZelXMLDateTime instant(text);
//   CString utc;
//   instant.GetXMLDateTimeString(utc, TRUE);   // "2004-07-01T10:00:00.000+00:00"
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>
#include <zelu/platform/oledate/oledate.h>

class ZELU_API CZelXMLDateTime {
 public:
  // Holds `dt` as UTC when `bUTC` is non-zero, otherwise `dt` + bias (local
  // to UTC). A value that is not valid stays so. `dt` is only read.
  CZelXMLDateTime(COleDateTime& dt, int bUTC);
  // Reads the XML text (see above). `text` is only read.
  CZelXMLDateTime(CString& text);
  CZelXMLDateTime(const CZelXMLDateTime& other) = default;
  CZelXMLDateTime& operator=(const CZelXMLDateTime& other) = default;
  ~CZelXMLDateTime() = default;

  // `out` = the held UTC value when `bUTC` is non-zero, otherwise the value
  // - bias (UTC to local).
  void GetXMLDateTime(COleDateTime& out, int bUTC) const;
  // Replaces `out` with the text of the value: local form when `bUTC` is
  // zero, UTC form otherwise.
  void GetXMLDateTimeString(CString& out, int bUTC) const;

  // The held instant, in UTC.
  COleDateTime m_dtUTC;
};
