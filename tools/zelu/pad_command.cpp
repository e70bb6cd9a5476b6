// zelu pad NUMBER WIDTH [PADCHAR]: writes a number padded to a width.
#include <string>
#include <vector>

#include <zelu/text/format_number.h>

#include "command.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "pad";

int Run(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {});
  const std::vector<std::string>& operands = options.operands;
  if (operands.size() < 2 || operands.size() > 3) throw UsageError("expected NUMBER WIDTH [PADCHAR]");
  const int number = ParseIntArgument(operands[0], "NUMBER");
  const int width = ParseIntArgument(operands[1], "WIDTH");
  WCHAR pad = '0';
  if (operands.size() == 3) {
    const CString pad_text = FromUtf8(operands[2]);
    if (pad_text.GetLength() != 1) throw UsageError("PADCHAR must be one UTF-16 code unit");
    pad = pad_text[0];
  }
  Output out;
  out.Write(ToUtf8(CFormatNumber::PadNumber(number, width, pad)));
  out.Write("\n");
  out.Flush();
  return kExitOk;
}

const CommandRegistration kRegistration({
    kName,
    "write an integer padded in front to a width of digits",
    "usage: zelu pad NUMBER WIDTH [PADCHAR]\n\n"
    "Prints NUMBER (a 32-bit decimal integer) after as many PADCHARs (default\n"
    "'0') as it has digits fewer than WIDTH. The minus sign is not counted\n"
    "and comes after the padding: 'zelu pad -5 3' prints 00-5. A number longer\n"
    "than WIDTH, or a negative WIDTH, gives the number alone. A WIDTH too large\n"
    "for a text (2^31 - 2 units or more) is refused.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
