#include <zelu/platform/win32/time_zone.h>

#include <time.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <optional>

#include <zelu/platform/win32/utf8.h>

namespace {

// The zone is read at thirteen instants a month apart, now and over the
// year ahead: a stretch of standard or daylight time of a month or more
// shows in at least one reading, whichever part of the year now is. The
// readings go a year past now, so time_t has 64 bits on every machine (the
// build asks for it on 32-bit ones).
constexpr std::size_t kMonths = 12;
constexpr std::time_t kMonth = 2629800;  // a twelfth of 365.25 days
static_assert(sizeof(std::time_t) >= 8);

std::time_t InstantAt(std::time_t now, std::size_t months) { return now + static_cast<std::time_t>(months) * kMonth; }

using ZoneName = std::array<WCHAR, 32>;

// What the C library says of one instant, copied out at once.
struct Reading {
  bool daylight;
  long offset;  // local time - UTC, seconds
  ZoneName name;
};

std::optional<Reading> ReadAt(std::time_t when) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return std::nullopt;
  Reading reading{local.tm_isdst > 0, local.tm_gmtoff, {}};
  if (local.tm_zone != nullptr) {
    const std::size_t bytes = std::min(std::strlen(local.tm_zone), reading.name.size() - 1);
    zelu::win32::Utf8ToUtf16(local.tm_zone, bytes, reading.name.data());
  }
  return reading;
}

// Minutes with UTC = local + bias, cut toward zero.
LONG BiasOf(long offset) { return static_cast<LONG>(-offset / 60); }

// The first second after `from` and at most `to` whose daylight flag is not
// `flag_at_from`; `to` must already differ.
std::optional<std::time_t> FirstChange(std::time_t from, std::time_t to, bool flag_at_from) {
  while (to - from > 1) {
    const std::time_t middle = from + (to - from) / 2;
    const std::optional<Reading> reading = ReadAt(middle);
    if (!reading) return std::nullopt;
    (reading->daylight == flag_at_from ? from : to) = middle;
  }
  return to;
}

SYSTEMTIME SystemTimeOf(std::time_t wall_clock) {
  std::tm fields{};
  gmtime_r(&wall_clock, &fields);
  return {static_cast<WORD>(fields.tm_year + 1900), static_cast<WORD>(fields.tm_mon + 1),
          static_cast<WORD>(fields.tm_wday),        static_cast<WORD>(fields.tm_mday),
          static_cast<WORD>(fields.tm_hour),        static_cast<WORD>(fields.tm_min),
          static_cast<WORD>(fields.tm_sec),         0};
}

// Fills the change that falls between two readings, if their flags differ
// and no earlier change of its kind is recorded: a change to daylight time
// goes to DaylightDate in standard time, one to standard time to
// StandardDate in daylight time.
bool RecordChange(std::time_t from, const Reading& before, std::time_t to, const Reading& after,
                  TIME_ZONE_INFORMATION& information) {
  SYSTEMTIME& date = after.daylight ? information.DaylightDate : information.StandardDate;
  if (before.daylight == after.daylight || date.wYear != 0) return true;
  const std::optional<std::time_t> change = FirstChange(from, to, before.daylight);
  if (!change) return false;
  date = SystemTimeOf(*change + before.offset);
  return true;
}

void CopyName(const ZoneName& name, WCHAR (&target)[32]) { std::copy(name.begin(), name.end(), target); }

}  // namespace

DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION information) {
  if (information == nullptr) return TIME_ZONE_ID_INVALID;
  *information = {};
  tzset();
  const std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) return TIME_ZONE_ID_INVALID;
  std::array<Reading, kMonths + 1> readings{};
  for (std::size_t month = 0; month <= kMonths; ++month) {
    const std::optional<Reading> reading = ReadAt(InstantAt(now, month));
    if (!reading) return TIME_ZONE_ID_INVALID;
    readings[month] = *reading;
  }
  const auto first_with = [&](bool in_daylight_time) {
    return std::find_if(readings.begin(), readings.end(),
                        [=](const Reading& reading) { return reading.daylight == in_daylight_time; });
  };
  const auto standard_time = first_with(false);
  const auto daylight_time = first_with(true);
  if (standard_time == readings.end() || daylight_time == readings.end()) {  // no change seen
    information->Bias = BiasOf(readings[0].offset);
    CopyName(readings[0].name, information->StandardName);
    return TIME_ZONE_ID_UNKNOWN;
  }
  information->Bias = BiasOf(standard_time->offset);
  information->DaylightBias = BiasOf(daylight_time->offset - standard_time->offset);
  CopyName(standard_time->name, information->StandardName);
  CopyName(daylight_time->name, information->DaylightName);
  for (std::size_t month = 0; month < kMonths; ++month) {
    if (!RecordChange(InstantAt(now, month), readings[month], InstantAt(now, month + 1), readings[month + 1],
                      *information)) {
      *information = {};
      return TIME_ZONE_ID_INVALID;
    }
  }
  return readings[0].daylight ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}
