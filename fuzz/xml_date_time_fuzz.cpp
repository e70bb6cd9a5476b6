// The XML dateTime reader on arbitrary text, one code unit per input byte
// (so that short inputs are digit-rich texts of the fixed length) and two
// bytes per unit: text of another length holds the zero date-time; a valid
// instant writes 29 units in UTC form and in local form under a bias taken
// from the input, and each reads back to the same instant.
#include <optional>

#include <zelu/datetime/internal/xml_conversions.h>
#include <zelu/datetime/xml_date_time.h>

#include "fuzz_input.h"

using zelu::fuzz::Check;
namespace internal = zelu::datetime::internal;

namespace {

void CheckText(const CString& text, LONG bias) {
  const COleDateTime utc = internal::ReadXmlText(text);
  if (text.GetLength() != 29) {
    Check(utc.GetStatus() == COleDateTime::valid && utc == COleDateTime());
    return;
  }
  Check(utc.GetStatus() == COleDateTime::valid || utc.GetStatus() == COleDateTime::invalid);
  if (utc.GetStatus() != COleDateTime::valid) return;
  for (const std::optional<LONG> zone : {std::optional<LONG>(), std::optional<LONG>(bias)}) {
    CString written;
    internal::WriteXmlText(utc, zone, written);
    if (internal::UtcToLocal(utc, zone).GetStatus() != COleDateTime::valid) continue;  // local time beyond the range
    Check(written.GetLength() == 29 && internal::ReadXmlText(written) == utc);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > zelu::fuzz::kMaxInputBytes) return 0;
  const LONG bias = size == 0 ? 0 : data[0] * 7 % 1681 - 840;  // -14:00 .. +14:00
  CString widened;
  for (std::size_t i = 0; i < size; ++i) widened += static_cast<WCHAR>(data[i]);
  CheckText(widened, bias);
  const auto units = zelu::fuzz::TextFromBytes(data, size);
  CheckText(CString(units.data(), static_cast<int>(units.size() - 1)), bias);
  return 0;
}
