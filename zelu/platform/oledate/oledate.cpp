#include <zelu/platform/oledate/oledate.h>

#include <time.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace {

// An instant as whole seconds from 30 December 1899, 00:00:00.
using Seconds = std::int64_t;

constexpr Seconds kSecondsPerDay = 24 * 60 * 60;

// Days from 1 March of the year 0 of the proleptic Gregorian calendar (for
// years >= 1). Counting from March puts the leap day at the end of each
// counted year, and the month lengths from March on follow (153 m + 2) / 5.
constexpr std::int64_t DaysFromMarchZero(int year, int month, int day) {
  const std::int64_t y = month <= 2 ? year - 1 : year;
  const std::int64_t m = month <= 2 ? month + 9 : month - 3;  // March 0 .. February 11
  return 365 * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + day - 1;
}

constexpr std::int64_t kEpochFromMarchZero = DaysFromMarchZero(1899, 12, 30);

// The DATE day number of a date: days from 30 December 1899.
constexpr std::int64_t DayNumber(int year, int month, int day) {
  return DaysFromMarchZero(year, month, day) - kEpochFromMarchZero;
}

static_assert(DayNumber(1899, 12, 30) == 0 && DayNumber(1900, 1, 1) == 2 && DayNumber(1970, 1, 1) == 25569);
static_assert(DayNumber(100, 1, 1) == -657434 && DayNumber(9999, 12, 31) == 2958465);

constexpr Seconds kFirstSecond = DayNumber(100, 1, 1) * kSecondsPerDay;
constexpr Seconds kLastSecond = DayNumber(9999, 12, 31) * kSecondsPerDay + kSecondsPerDay - 1;

// No DATE of the range needs more than 22 bits before the point, so a
// double keeps its time of day to 2^-30 days (under 0.0001 s): far inside
// the half second that NearestSecond forgives, which is why a value made
// from fields always reads back as exactly those fields.
static_assert(kLastSecond / kSecondsPerDay < (1 << 22) && -kFirstSecond / kSecondsPerDay < (1 << 22));

// Beyond the range in either direction, and small enough that the seconds
// of a value this size fit an int64 and a double holds them to the second.
constexpr double kDayLimit = 1e7;

struct Fields {
  int year, month, day, hour, minute, second;
  int day_of_week;  // 0 Sunday .. 6 Saturday
  int day_of_year;  // 1 .. 366
};

constexpr bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

constexpr int DaysInMonth(int year, int month) {
  constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

constexpr std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor) {
  return value / divisor - (value % divisor < 0 ? 1 : 0);
}

constexpr std::int64_t FloorModulo(std::int64_t value, std::int64_t divisor) {
  return value - FloorDivide(value, divisor) * divisor;
}

// The fields of an instant of the range. The date is DaysFromMarchZero
// undone: whole 400-year eras of 146097 days, then the year of the era with
// the leap days of the 4-, 100- and 400-year cycles taken out, then the
// month by the inverse of (153 m + 2) / 5.
Fields FieldsOf(Seconds instant) {
  const std::int64_t day_number = FloorDivide(instant, kSecondsPerDay);
  const auto time = static_cast<int>(instant - day_number * kSecondsPerDay);
  const std::int64_t days = day_number + kEpochFromMarchZero;  // >= 0 in the range
  const std::int64_t era = days / 146097;
  const std::int64_t day_of_era = days - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_from_march = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t m = (5 * day_from_march + 2) / 153;
  Fields fields{};
  fields.month = static_cast<int>(m < 10 ? m + 3 : m - 9);
  fields.year = static_cast<int>(era * 400 + year_of_era) + (fields.month <= 2 ? 1 : 0);
  fields.day = static_cast<int>(day_from_march - (153 * m + 2) / 5 + 1);
  fields.hour = time / 3600;
  fields.minute = time / 60 % 60;
  fields.second = time % 60;
  fields.day_of_week = static_cast<int>(FloorModulo(day_number + 6, 7));  // day 0 was a Saturday
  fields.day_of_year = static_cast<int>(day_number - DayNumber(fields.year, 1, 1)) + 1;
  return fields;
}

// `value` rounded to double. Where doubles are computed in wider registers
// (the x87 unit of 32-bit x86: FLT_EVAL_METHOD 2) a result is rounded only
// when it is stored, at the compiler's choice, and a DATE and the second it
// names would differ from machine to machine; a store through a volatile
// rounds there.
double AsDouble(double value) noexcept {
#if FLT_EVAL_METHOD == 0
  return value;
#else
  const volatile double stored = value;
  return stored;
#endif
}

// The one place where a fraction of a second is rounded: to the nearest
// second, halves to the later time. |seconds| must stay below 2^62.
Seconds NearestSecond(double seconds) {
  const double whole = std::floor(seconds);
  return static_cast<Seconds>(whole) + (seconds - whole >= 0.5 ? 1 : 0);
}

// The instant a DATE names, or nothing outside the range.
std::optional<Seconds> InstantOfDate(DATE value) {
  if (!(std::fabs(value) < kDayLimit)) return std::nullopt;  // NaN too
  const double day = std::trunc(value);
  const double time = std::fabs(value - day);  // exact: the fraction of a double
  const Seconds instant = static_cast<Seconds>(day) * kSecondsPerDay + NearestSecond(AsDouble(time * kSecondsPerDay));
  if (instant < kFirstSecond || instant > kLastSecond) return std::nullopt;
  return instant;
}

std::optional<Seconds> InstantOf(const COleDateTime& value) {
  if (value.m_status != COleDateTime::valid) return std::nullopt;
  return InstantOfDate(value.m_dt);
}

std::optional<Seconds> LengthOf(const COleDateTimeSpan& span) {
  if (span.m_status != COleDateTimeSpan::valid || !(std::fabs(span.m_span) < kDayLimit)) return std::nullopt;
  return NearestSecond(AsDouble(span.m_span * kSecondsPerDay));
}

// The DATE of an instant: the day, then the time of day as a fraction away
// from zero.
DATE DateOfInstant(Seconds instant) {
  const std::int64_t day = FloorDivide(instant, kSecondsPerDay);
  const double fraction = AsDouble(static_cast<double>(instant - day * kSecondsPerDay) / kSecondsPerDay);
  return AsDouble(day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction);
}

COleDateTime WithStatus(COleDateTime::DateTimeStatus status) {
  COleDateTime value;
  value.m_status = status;
  return value;
}

COleDateTime FromInstant(Seconds instant) {
  if (instant < kFirstSecond || instant > kLastSecond) return WithStatus(COleDateTime::invalid);
  COleDateTime value;
  value.m_dt = DateOfInstant(instant);
  return value;
}

COleDateTime Moved(const COleDateTime& value, const COleDateTimeSpan& span, int direction) {
  if (value.m_status == COleDateTime::null || span.m_status == COleDateTimeSpan::null) {
    return WithStatus(COleDateTime::null);
  }
  const std::optional<Seconds> start = InstantOf(value);
  const std::optional<Seconds> length = LengthOf(span);
  if (!start || !length) return WithStatus(COleDateTime::invalid);
  return FromInstant(*start + direction * *length);
}

int FieldOf(const COleDateTime& value, int Fields::*field) {
  const std::optional<Seconds> instant = InstantOf(value);
  return instant ? FieldsOf(*instant).*field : -1;
}

// Format's writer: fixed-width numbers and C-locale names.

constexpr std::array<std::string_view, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};
constexpr std::array<std::string_view, 12> kMonthNames = {"January", "February", "March",     "April",
                                                          "May",     "June",     "July",      "August",
                                                          "September", "October", "November", "December"};

// No code writes more units than this for each unit of its pattern text
// ("%B" gives up to 9 units for 2).
constexpr std::size_t kMostUnitsPerPatternUnit = 5;

WCHAR* PutNumber(WCHAR* out, int value, int digits) {
  for (int i = digits - 1; i >= 0; --i, value /= 10) out[i] = static_cast<WCHAR>('0' + value % 10);
  return out + digits;
}

WCHAR* PutText(WCHAR* out, std::string_view text) { return std::copy(text.begin(), text.end(), out); }

// Writes the expansion of `%code`; null when `code` is not one of ours.
WCHAR* PutCode(WCHAR* out, WCHAR code, const Fields& f) {
  const std::string_view day_name = kDayNames[static_cast<std::size_t>(f.day_of_week)];
  const std::string_view month_name = kMonthNames[static_cast<std::size_t>(f.month - 1)];
  switch (code) {
    case 'Y': return PutNumber(out, f.year, 4);
    case 'y': return PutNumber(out, f.year % 100, 2);
    case 'm': return PutNumber(out, f.month, 2);
    case 'b': return PutText(out, month_name.substr(0, 3));
    case 'B': return PutText(out, month_name);
    case 'd': return PutNumber(out, f.day, 2);
    case 'j': return PutNumber(out, f.day_of_year, 3);
    case 'a': return PutText(out, day_name.substr(0, 3));
    case 'A': return PutText(out, day_name);
    case 'w': return PutNumber(out, f.day_of_week, 1);
    case 'H': return PutNumber(out, f.hour, 2);
    case 'I': return PutNumber(out, (f.hour + 11) % 12 + 1, 2);
    case 'p': return PutText(out, f.hour < 12 ? "AM" : "PM");
    case 'M': return PutNumber(out, f.minute, 2);
    case 'S': return PutNumber(out, f.second, 2);
    case '%': return PutText(out, "%");
    default: return nullptr;
  }
}

template <typename Unit>
CString FormatPattern(const COleDateTime& value, const Unit* pattern) {
  if (pattern == nullptr || value.m_status == COleDateTime::null) return CString();
  const std::optional<Seconds> instant = InstantOf(value);
  if (!instant) return CString(u"Invalid DateTime");
  const Fields fields = FieldsOf(*instant);
  std::size_t length = 0;
  while (pattern[length] != 0) ++length;
  if (length > INT_MAX / kMostUnitsPerPatternUnit) throw std::length_error("COleDateTime::Format: pattern too long");
  CString text;
  WCHAR* const start = text.GetBuffer(static_cast<int>(length * kMostUnitsPerPatternUnit));
  WCHAR* out = start;
  for (std::size_t i = 0; i < length; ++i) {
    const auto unit = static_cast<WCHAR>(pattern[i]);
    WCHAR* const expanded = unit == '%' && i + 1 < length ? PutCode(out, static_cast<WCHAR>(pattern[i + 1]), fields)
                                                          : nullptr;
    if (expanded != nullptr) {
      out = expanded;
      ++i;
    } else {
      *out++ = unit;
    }
  }
  text.ReleaseBuffer(static_cast<int>(out - start));
  return text;
}

}  // namespace

COleDateTimeSpan::COleDateTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept {
  SetDateTimeSpan(days, hours, minutes, seconds);
}

void COleDateTimeSpan::SetDateTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept {
  // Summed exactly in whole seconds (no int overflow: each term fits 2^48),
  // then divided once.
  const std::int64_t total = std::int64_t{days} * kSecondsPerDay + std::int64_t{hours} * 3600 +
                             std::int64_t{minutes} * 60 + seconds;
  m_span = AsDouble(static_cast<double>(total) / kSecondsPerDay);
  m_status = valid;
}

double COleDateTimeSpan::GetTotalHours() const noexcept { return AsDouble(m_span * 24); }
double COleDateTimeSpan::GetTotalMinutes() const noexcept { return AsDouble(m_span * (24 * 60)); }
double COleDateTimeSpan::GetTotalSeconds() const noexcept { return AsDouble(m_span * (24 * 60 * 60)); }

COleDateTime COleDateTime::GetCurrentTime() {
  const std::time_t now = std::time(nullptr);
  tzset();  // localtime_r alone would keep a zone that TZ no longer names
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return WithStatus(error);
  return COleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      std::min(local.tm_sec, 59));
}

COleDateTime::COleDateTime(DATE value) noexcept
    : m_dt(value), m_status(InstantOfDate(value) ? valid : invalid) {}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) noexcept {
  SetDateTime(year, month, day, hour, minute, second);
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) noexcept {
  const bool real = year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                    day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
                    second >= 0 && second <= 59;
  if (!real) {
    m_dt = 0;
    m_status = invalid;
    return m_status;
  }
  m_dt = DateOfInstant(DayNumber(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second);
  m_status = valid;
  return m_status;
}

int COleDateTime::GetYear() const noexcept { return FieldOf(*this, &Fields::year); }
int COleDateTime::GetMonth() const noexcept { return FieldOf(*this, &Fields::month); }
int COleDateTime::GetDay() const noexcept { return FieldOf(*this, &Fields::day); }
int COleDateTime::GetHour() const noexcept { return FieldOf(*this, &Fields::hour); }
int COleDateTime::GetMinute() const noexcept { return FieldOf(*this, &Fields::minute); }
int COleDateTime::GetSecond() const noexcept { return FieldOf(*this, &Fields::second); }

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const noexcept { return Moved(*this, span, 1); }
COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const noexcept { return Moved(*this, span, -1); }
COleDateTime& COleDateTime::operator+=(const COleDateTimeSpan& span) noexcept { return *this = *this + span; }
COleDateTime& COleDateTime::operator-=(const COleDateTimeSpan& span) noexcept { return *this = *this - span; }

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& other) const noexcept {
  COleDateTimeSpan span;
  const std::optional<Seconds> end = InstantOf(*this);
  const std::optional<Seconds> start = InstantOf(other);
  if (m_status == null || other.m_status == null) {
    span.m_status = COleDateTimeSpan::null;
  } else if (!end || !start) {
    span.m_status = COleDateTimeSpan::invalid;
  } else {
    span.m_span = AsDouble(static_cast<double>(*end - *start) / kSecondsPerDay);
  }
  return span;
}

std::partial_ordering COleDateTime::operator<=>(const COleDateTime& other) const noexcept {
  const std::optional<Seconds> mine = InstantOf(*this);
  const std::optional<Seconds> theirs = InstantOf(other);
  if (mine && theirs) return *mine <=> *theirs;
  if (!mine && !theirs && m_status == other.m_status) return std::partial_ordering::equivalent;
  return std::partial_ordering::unordered;
}

bool COleDateTime::operator==(const COleDateTime& other) const noexcept { return (*this <=> other) == 0; }

CString COleDateTime::Format(const WCHAR* pattern) const { return FormatPattern(*this, pattern); }
CString COleDateTime::Format(const char16_t* pattern) const { return FormatPattern(*this, pattern); }
