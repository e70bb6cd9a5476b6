// zelu xmldate [--utc] [TEXT...]: the current time, or each XML dateTime
// text, as XML dateTime text in UTC and in the local zone's standard time.
#include <time.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include <zelu/datetime/xml_date_time.h>

#include "command.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "xmldate";
constexpr int kXmlTextLength = 29;

std::string Written(const CZelXMLDateTime& instant, int bUTC) {
  CString text;
  instant.GetXMLDateTimeString(text, bUTC);
  return ToUtf8(text);
}

std::string Now(bool utc) {
  const std::time_t now = std::time(nullptr);
  std::tm fields{};
  if (now == static_cast<std::time_t>(-1) || gmtime_r(&now, &fields) == nullptr) {
    throw Failure("cannot read the system clock");
  }
  COleDateTime utc_now(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min,
                       std::min(fields.tm_sec, 59));
  return Written(CZelXMLDateTime(utc_now, TRUE), utc ? TRUE : FALSE) + '\n';
}

// Every text is read before anything is written, so a bad one leaves no
// output behind.
std::string Lines(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& argument : texts) {
    CString text = FromUtf8(argument);
    if (text.GetLength() != kXmlTextLength) {
      throw Failure(Quoted(argument) + " is " + std::to_string(text.GetLength()) +
                    " UTF-16 units long, not 29 (2004-07-01T12:00:00.000+02:00)");
    }
    const CZelXMLDateTime instant(text);
    if (instant.m_dtUTC.GetStatus() != COleDateTime::valid) {
      throw Failure(Quoted(argument) + " is not a date and time of the years 100 to 9999");
    }
    COleDateTime local;
    instant.GetXMLDateTime(local, FALSE);
    if (local.GetStatus() != COleDateTime::valid) {
      throw Failure(Quoted(argument) + " falls outside the years 100 to 9999 in local time");
    }
    out += argument + '\t' + Written(instant, TRUE) + '\t' + Written(instant, FALSE) + '\n';
  }
  return out;
}

int Run(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {{'u', "utc", false}});
  const bool utc = options.Has("utc");
  if (utc && !options.operands.empty()) throw UsageError("--utc takes no TEXT (each TEXT is printed in both forms)");
  Output out;
  out.Write(options.operands.empty() ? Now(utc) : Lines(options.operands));
  out.Flush();
  return kExitOk;
}

const CommandRegistration kRegistration({
    kName,
    "convert XML dateTime text between UTC and local time, or print the time now",
    "usage: zelu xmldate [-u|--utc]\n"
    "       zelu xmldate [--] TEXT...\n"
    "\n"
    "Without TEXT, prints the time now as XML dateTime text in local time, or in\n"
    "UTC with -u/--utc. With TEXT, reads each text and prints one line of three\n"
    "tab-separated fields: the text, its instant in UTC and in local time.\n"
    "\n"
    "The text has exactly 29 UTF-16 units, 2004-07-01T12:00:00.000+02:00; the\n"
    "fields are read at fixed positions, the separators and the fraction are not\n"
    "examined, and the offset is local time minus UTC. Local time is the zone's\n"
    "standard time (TZ): daylight saving time is never applied, so in Central\n"
    "Europe the offset is +01:00 in summer too. Text of another length, or with\n"
    "fields that are not a date and time of the years 100 to 9999 (in UTC, or in\n"
    "local time: 9999-12-31T23:00:00.000+00:00 east of UTC), gets one line on\n"
    "standard error and exit status 1, and nothing is printed.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
