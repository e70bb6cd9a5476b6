// zelu pad NUMBER WIDTH [PADCHAR]: writes a number padded to a width.
#include <charconv>
#include <string>
#include <vector>

#include <zelu/text/format_number.h>

#include "command.h"
#include "io.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "pad";

// A whole argument as a decimal int; false when it is not one.
bool ParseInt(const std::string& text, int& value) {
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && stop == end;
}

int Run(const std::vector<std::string>& arguments) {
  if (arguments.size() < 2 || arguments.size() > 3) {
    return Fail(kName, "expected NUMBER WIDTH [PADCHAR]", kExitUsage);
  }
  int number = 0;
  int width = 0;
  if (!ParseInt(arguments[0], number)) return Fail(kName, "NUMBER is not a 32-bit decimal integer", kExitUsage);
  if (!ParseInt(arguments[1], width)) return Fail(kName, "WIDTH is not a 32-bit decimal integer", kExitUsage);
  WCHAR pad = '0';
  if (arguments.size() == 3) {
    const CString pad_text = FromUtf8(arguments[2]);
    if (pad_text.GetLength() != 1) return Fail(kName, "PADCHAR must be one UTF-16 code unit", kExitUsage);
    pad = pad_text[0];
  }
  const CString padded = CFormatNumber::PadNumber(number, width, pad);
  return WriteStandardOutput(ToUtf8(padded) + '\n') ? kExitOk : Fail(kName, "cannot write to standard output");
}

const CommandRegistration kRegistration({
    kName,
    "write an integer padded in front to a width of digits",
    "usage: zelu pad NUMBER WIDTH [PADCHAR]\n\n"
    "Prints NUMBER (a 32-bit decimal integer) after as many PADCHARs (default\n"
    "'0') as it has digits fewer than WIDTH. The minus sign is not counted\n"
    "and comes after the padding: 'zelu pad -5 3' prints 00-5. A number longer\n"
    "than WIDTH, or a negative WIDTH, gives the number alone.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
