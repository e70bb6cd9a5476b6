#include <zelu/datetime/xml_date_time.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include <zelu/datetime/internal/xml_conversions.h>
#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/win32/time_zone.h>

namespace zelu::datetime::internal {
namespace {

constexpr int kTextLength = 29;
constexpr int kSignIndex = 23;

// Where each field of the text starts and how many units it has.
struct FieldPosition {
  int first;
  int count;
};
constexpr FieldPosition kYear{0, 4}, kMonth{5, 2}, kDay{8, 2}, kHour{11, 2}, kMinute{14, 2}, kSecond{17, 2},
    kOffsetHours{24, 2}, kOffsetMinutes{27, 2};
static_assert(kSignIndex < kOffsetHours.first && kOffsetMinutes.first + kOffsetMinutes.count == kTextLength);

// What _wtoi gives for text.Mid(first, count), without the copy into a
// string: the units, then a terminating zero.
int FieldValue(const WCHAR* text, FieldPosition field) {
  std::array<WCHAR, 5> units{};
  std::copy_n(text + field.first, field.count, units.begin());
  return zelu::crt16::_wtoi(units.data());
}

COleDateTimeSpan MinutesSpan(LONG minutes) {
  COleDateTimeSpan span;
  span.SetDateTimeSpan(0, 0, minutes, 0);
  return span;
}

constexpr WCHAR kPlus[] = {'+', 0};
constexpr WCHAR kMinus[] = {'-', 0};
constexpr WCHAR kOffsetPattern[] = {'%', 's', '%', '0', '2', 'd', ':', '%', '0', '2', 'd', 0};

}  // namespace

std::optional<LONG> ZoneBias() {
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return std::nullopt;
  return zone.Bias;
}

COleDateTime LocalToUtc(const COleDateTime& local, std::optional<LONG> bias) {
  return bias ? local + MinutesSpan(*bias) : local;
}

COleDateTime UtcToLocal(const COleDateTime& utc, std::optional<LONG> bias) {
  return bias ? utc - MinutesSpan(*bias) : utc;
}

void WriteXmlText(const COleDateTime& utc, std::optional<LONG> bias, CString& out) {
  CString offset(u"+00:00");
  if (bias) {
    const std::int64_t magnitude = std::llabs(std::int64_t{*bias});  // |LONG minimum| does not fit a LONG
    offset.Format(kOffsetPattern, *bias < 0 ? kPlus : kMinus, static_cast<int>(magnitude / 60),
                  static_cast<int>(magnitude % 60));
  }
  out = UtcToLocal(utc, bias).Format(u"%Y-%m-%dT%H:%M:%S.000");
  out += offset;
}

COleDateTime ReadXmlText(const CString& text) {
  COleDateTime utc;
  if (text.GetLength() != kTextLength) return utc;
  const WCHAR* units = text.GetString();
  utc.SetDateTime(FieldValue(units, kYear), FieldValue(units, kMonth), FieldValue(units, kDay),
                  FieldValue(units, kHour), FieldValue(units, kMinute), FieldValue(units, kSecond));
  COleDateTimeSpan offset;
  offset.SetDateTimeSpan(0, FieldValue(units, kOffsetHours), FieldValue(units, kOffsetMinutes), 0);
  return units[kSignIndex] == '-' ? utc + offset : utc - offset;
}

}  // namespace zelu::datetime::internal

namespace internal = zelu::datetime::internal;

CZelXMLDateTime::CZelXMLDateTime(COleDateTime& dt, int bUTC)
    : m_dtUTC(bUTC != 0 ? dt : internal::LocalToUtc(dt, internal::ZoneBias())) {}

CZelXMLDateTime::CZelXMLDateTime(CString& text) : m_dtUTC(internal::ReadXmlText(text)) {}

void CZelXMLDateTime::GetXMLDateTime(COleDateTime& out, int bUTC) const {
  out = bUTC != 0 ? m_dtUTC : internal::UtcToLocal(m_dtUTC, internal::ZoneBias());
}

void CZelXMLDateTime::GetXMLDateTimeString(CString& out, int bUTC) const {
  internal::WriteXmlText(m_dtUTC, bUTC != 0 ? std::nullopt : internal::ZoneBias(), out);
}
