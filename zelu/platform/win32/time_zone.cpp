#include <zelu/platform/win32/time_zone.h>

#include <time.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <optional>

#include <zelu/platform/win32/utf8.h>

namespace {

// Half of a year of 365.25 days. The readings go a year past now, so
// time_t has 64 bits on every machine (the build asks for it on 32-bit ones).
constexpr std::time_t kHalfYear = 15778800;
static_assert(sizeof(std::time_t) >= 8);

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

// Fills the change that falls between two readings, if their flags differ:
// a change to daylight time goes to DaylightDate in standard time, one to
// standard time to StandardDate in daylight time.
bool RecordChange(std::time_t from, const Reading& before, std::time_t to, const Reading& after,
                  TIME_ZONE_INFORMATION& information) {
  if (before.daylight == after.daylight) return true;
  const std::optional<std::time_t> change = FirstChange(from, to, before.daylight);
  if (!change) return false;
  SYSTEMTIME& date = after.daylight ? information.DaylightDate : information.StandardDate;
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
  const std::optional<Reading> current = ReadAt(now);
  const std::optional<Reading> later = ReadAt(now + kHalfYear);
  const std::optional<Reading> year_on = ReadAt(now + 2 * kHalfYear);
  if (!current || !later || !year_on) return TIME_ZONE_ID_INVALID;

  if (current->daylight == later->daylight) {  // no change seen: no daylight time to report
    information->Bias = BiasOf(current->offset);
    CopyName(current->name, information->StandardName);
    return TIME_ZONE_ID_UNKNOWN;
  }
  const Reading& standard_time = current->daylight ? *later : *current;
  const Reading& daylight_time = current->daylight ? *current : *later;
  information->Bias = BiasOf(standard_time.offset);
  information->DaylightBias = BiasOf(daylight_time.offset - standard_time.offset);
  CopyName(standard_time.name, information->StandardName);
  CopyName(daylight_time.name, information->DaylightName);
  if (!RecordChange(now, *current, now + kHalfYear, *later, *information) ||
      !RecordChange(now + kHalfYear, *later, now + 2 * kHalfYear, *year_on, *information)) {
    *information = {};
    return TIME_ZONE_ID_INVALID;
  }
  return current->daylight ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}
