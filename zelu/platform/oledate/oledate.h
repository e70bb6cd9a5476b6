// COleDateTime and COleDateTimeSpan: the framework's calendar date-time and
// its signed length of time.
//
// A COleDateTime holds `m_dt`, a DATE (double) that counts days from
// 30 December 1899, 00:00:00, and a status. The whole part is the day; the
// time of day is the absolute value of the fraction, so a day before
// 30 December 1899 has a negative whole part and a positive time:
// -1.25 is 29 December 1899, 06:00. (Values between -1 and 0 name
// 30 December 1899 like their positive twins.) A COleDateTimeSpan holds
// `m_span`, a signed number of days on an ordinary number line.
//
// What a caller may rely on:
//   * The resolution is one second. Every operation that reads a value
//     (fields, Format, comparisons, arithmetic) first rounds it to the
//     nearest second, halves going to the later time, in one place; a value
//     made from fields converts back to exactly those fields, over the whole
//     range 1 January 100 00:00:00 to 31 December 9999 23:59:59, and
//     arithmetic works on whole seconds, so repeated additions never drift.
//   * Only a `valid` value that rounds to a second inside that range has an
//     instant. Every other value (status `invalid`, `null` or `error`, or a
//     `valid` status with an out-of-range or non-finite m_dt) reads as "no
//     instant": the field getters give -1, arithmetic gives `invalid`.
//   * Nothing throws except Format: std::bad_alloc, or std::length_error
//     for a pattern of more than INT_MAX / 5 units.
//   * No state is shared between objects; all members may be used from any
//     thread, an object by one thread at a time.
//
//   COleDateTime when(2004, 7, 1, 10, 0, 0);
//   when += COleDateTimeSpan(0, 2, 30, 0);
//   CString text = when.Format(u"%Y-%m-%d %H:%M:%S");   // "2004-07-01 12:30:00"
#pragma once

#include <compare>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>

using DATE = double;

class ZELU_API COleDateTimeSpan {
 public:
  enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

  // Zero days, valid.
  COleDateTimeSpan() noexcept = default;
  // `days` as given (any double), valid.
  COleDateTimeSpan(double days) noexcept : m_span(days) {}  // NOLINT: implicit, as ported code expects
  COleDateTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept;

  // The span is the sum of the four signed components, each of any sign
  // and size; the status becomes valid.
  void SetDateTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept;

  DateTimeSpanStatus GetStatus() const noexcept { return m_status; }
  void SetStatus(DateTimeSpanStatus status) noexcept { m_status = status; }

  // m_span in the unit (the product rounded once to double, the same on
  // every machine), whatever the status.
  double GetTotalDays() const noexcept { return m_span; }
  double GetTotalHours() const noexcept;
  double GetTotalMinutes() const noexcept;
  double GetTotalSeconds() const noexcept;

  double m_span = 0;
  DateTimeSpanStatus m_status = valid;
};

class ZELU_API COleDateTime {
 public:
  enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

  // The local wall-clock time now, to the second, in the C library's
  // current zone (TZ is read afresh). A leap second reads as :59. Status
  // `error` in the (practically impossible) case that the C library cannot
  // give the local time.
  static COleDateTime GetCurrentTime();

  // 30 December 1899, 00:00:00, valid.
  COleDateTime() noexcept = default;
  // m_dt = `value`; valid when it rounds to a second inside the range,
  // otherwise invalid.
  COleDateTime(DATE value) noexcept;  // NOLINT: implicit, as ported code expects
  // As SetDateTime.
  COleDateTime(int year, int month, int day, int hour, int minute, int second) noexcept;

  // Valid when the six numbers form a real date of the proleptic Gregorian
  // calendar with a year from 100 to 9999 and a time from 00:00:00 to
  // 23:59:59; anything else sets the status invalid and m_dt to 0.
  // Returns the new status (0 valid, 1 invalid).
  int SetDateTime(int year, int month, int day, int hour, int minute, int second) noexcept;

  DateTimeStatus GetStatus() const noexcept { return m_status; }
  void SetStatus(DateTimeStatus status) noexcept { m_status = status; }

  // The fields of the instant; -1 for a value without an instant.
  int GetYear() const noexcept;
  int GetMonth() const noexcept;   // 1-12
  int GetDay() const noexcept;     // 1-31
  int GetHour() const noexcept;    // 0-23
  int GetMinute() const noexcept;  // 0-59
  int GetSecond() const noexcept;  // 0-59

  // The instant moved by the span. A null value or span gives null; any
  // other value or span without an instant, or a result outside the range,
  // gives invalid (with m_dt 0).
  COleDateTime operator+(const COleDateTimeSpan& span) const noexcept;
  COleDateTime operator-(const COleDateTimeSpan& span) const noexcept;
  COleDateTime& operator+=(const COleDateTimeSpan& span) noexcept;
  COleDateTime& operator-=(const COleDateTimeSpan& span) noexcept;
  // The time from `other` to this value; null if either is null, invalid
  // if either has no other instant.
  COleDateTimeSpan operator-(const COleDateTime& other) const noexcept;

  // Instants compare in time order. A value without an instant is equal to
  // one of the same status and unordered against everything else (so
  // <, <=, > and >= are false for it).
  std::partial_ordering operator<=>(const COleDateTime& other) const noexcept;
  bool operator==(const COleDateTime& other) const noexcept;

  // The value written by the pattern's strftime codes, in the C locale:
  //   %Y year, four digits (0100 for the year 100)   %y year in century 00-99
  //   %m month 01-12    %b Jan..Dec    %B January..December
  //   %d day 01-31      %j day of the year 001-366
  //   %a Sun..Sat       %A Sunday..Saturday          %w weekday 0-6, Sunday 0
  //   %H hour 00-23     %I hour 01-12                %p AM or PM
  //   %M minute 00-59   %S second 00-59              %% a percent sign
  // Every other unit is copied unchanged, a '%' before any other unit (or
  // at the end) too. A value with status null gives the empty string; any
  // other value without an instant gives "Invalid DateTime". A null pattern
  // gives the empty string.
  CString Format(const WCHAR* pattern) const;
  CString Format(const char16_t* pattern) const;

  DATE m_dt = 0;
  DateTimeStatus m_status = valid;
};
