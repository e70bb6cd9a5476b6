// The conversions of CZelXMLDateTime with the zone bias as an argument, so
// that every path, a zone that cannot be read included, can be reached.
#pragma once

#include <optional>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/cstring/cstring.h>
#include <zelu/platform/oledate/oledate.h>

namespace zelu::datetime::internal {

// The zone's standing bias in minutes (UTC = local + bias), or nothing when
// the zone cannot be read.
std::optional<LONG> ZoneBias();

// `value` moved by the bias: + for local to UTC, - for UTC to local; `value`
// itself without a bias.
COleDateTime LocalToUtc(const COleDateTime& local, std::optional<LONG> bias);
COleDateTime UtcToLocal(const COleDateTime& utc, std::optional<LONG> bias);

// The XML text of `utc`: local form with the bias, UTC form without one.
void WriteXmlText(const COleDateTime& utc, std::optional<LONG> bias, CString& out);

// The instant that the XML text holds, in UTC.
COleDateTime ReadXmlText(const CString& text);

}  // namespace zelu::datetime::internal
