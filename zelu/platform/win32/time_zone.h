// GetTimeZoneInformation: the local time zone as the operating system
// reports it, with its record TIME_ZONE_INFORMATION.
//
// The zone is the C library's current zone (TZ, or the system's default),
// read afresh on every call: a change of TZ shows at the next call.
// Biases are minutes with UTC = local time + bias, so a zone west of
// Greenwich has a positive bias.
//
// What a caller may rely on:
//   * The zone is read now and at twelve more instants a month apart over
//     the year ahead. Bias is the zone's standard-time offset, whether or
//     not daylight time is in force now: the offset now when standard time
//     is in force, else that of the first reading in standard time (the
//     standard time that comes next, however long daylight time lasts).
//     Offsets that are not whole minutes are cut toward zero (an offset of
//     -0:44:30 gives 44).
//   * A zone has daylight time when some reading is in daylight time and
//     another in standard time. Then DaylightBias is minus the daylight
//     saving (-60 for one hour), StandardBias is 0, the names are the C
//     library's abbreviations of the first reading in each time ("CET",
//     "CEST"; cut to 31 units, bytes that are not UTF-8 become U+FFFD), and
//     DaylightDate and StandardDate are the next change to daylight time and
//     to standard time within a year from now, as absolute dates (wYear
//     set) in the local time in force just before the change. Without
//     daylight time these stay zero, DaylightName empty, and the result is
//     TIME_ZONE_ID_UNKNOWN. A zone whose readings are all in daylight time
//     shows no standard time: it is reported like one without daylight
//     time, with the current offset as Bias. Daylight or standard time that
//     lasts less than a month may fall between two readings and not show.
//   * Returns TIME_ZONE_ID_STANDARD or TIME_ZONE_ID_DAYLIGHT for the time in
//     force now, TIME_ZONE_ID_UNKNOWN as above, and TIME_ZONE_ID_INVALID for
//     a null record or when the C library cannot give the local time; the
//     record is then all zero (a null one is not touched).
//   * An unknown zone name is UTC to the C library, and so here.
//   * Safe on any number of threads at once, with each other and with any
//     other code that uses the C library's zone functions. It never reads
//     the C library's globals `timezone`, `daylight` and `tzname`: those are
//     read without the library's lock, another thread's tzset can change
//     them between our tzset and the read, and every localtime call writes
//     tzname (after localtime of a date in 1930 in Europe/Amsterdam it says
//     "AMT", even across later tzset calls). Instead each answer comes from
//     a struct tm that tzset and localtime_r, which take the C library's own
//     lock, fill in storage of ours: its tm_gmtoff and tm_isdst are one
//     consistent reading. (Changing TZ with setenv while other threads run
//     is unsafe in the C library itself.)
//   * Cost: a few local-time conversions for a zone without daylight time,
//     about fifty for one with it (a binary search for each change).
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;      // 1-12
  WORD wDayOfWeek;  // 0 Sunday .. 6 Saturday
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

struct TIME_ZONE_INFORMATION {
  LONG Bias;
  WCHAR StandardName[32];
  SYSTEMTIME StandardDate;
  LONG StandardBias;
  WCHAR DaylightName[32];
  SYSTEMTIME DaylightDate;
  LONG DaylightBias;
};
using LPTIME_ZONE_INFORMATION = TIME_ZONE_INFORMATION*;

inline constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
inline constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
inline constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;
inline constexpr DWORD TIME_ZONE_ID_INVALID = 0xFFFFFFFF;

ZELU_API DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION information);
