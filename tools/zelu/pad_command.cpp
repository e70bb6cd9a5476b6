// zelu pad NUMBER WIDTH [PADCHAR]: writes a number padded to a width.
#include <algorithm>
#include <string>
#include <vector>

#include <zelu/text/format_number.h>

#include "command.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "pad";
constexpr std::size_t kPaddingBlockBytes = 1 << 16;
constexpr std::size_t kMostTextUnits = 0x7FFFFFFE;  // 2^31 - 2, what a CString holds

// PadNumber's text, max(WIDTH, 0) - NumberOfDigits(NUMBER) pad characters
// and then the number, written in pieces: the padding a block at a time,
// then PadNumber's own text for a width that needs none, so that memory
// does not grow with WIDTH. A text of more units than a CString holds
// (2^31 - 2), which PadNumber refuses, is refused as a WIDTH too large.
void WritePadded(int number, int width, WCHAR pad, Output& out) {
  const std::string digits = ToUtf8(CFormatNumber::PadNumber(number, 0, pad));
  const auto pads = static_cast<std::size_t>(std::max(std::max(width, 0) - CFormatNumber::NumberOfDigits(number), 0));
  if (pads + digits.size() > kMostTextUnits) {  // the digits and sign are ASCII: one unit a byte
    throw UsageError("WIDTH " + std::to_string(width) + " makes a text of " + std::to_string(pads + digits.size()) +
                     " UTF-16 units; that passes the 2^31 - 2 UTF-16 units a text holds");
  }
  const std::string pad_bytes = ToUtf8(&pad, 1);
  const std::size_t per_block = kPaddingBlockBytes / pad_bytes.size();
  for (std::size_t left = pads; left > 0;) {
    const std::size_t count = std::min(left, per_block);
    char* bytes = out.Extend(count * pad_bytes.size());
    for (std::size_t i = 0; i < count; ++i) pad_bytes.copy(bytes + i * pad_bytes.size(), pad_bytes.size());
    left -= count;
  }
  out.Write(digits);
  out.Write("\n");
}

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
  WritePadded(number, width, pad, out);
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
    "than WIDTH, or a negative WIDTH, gives the number alone. The padding is\n"
    "written as it is made: memory does not grow with WIDTH.\n"
    "\n"
    "A text holds at most 2^31 - 2 UTF-16 units, so a WIDTH that would make a\n"
    "longer one is refused: 2147483647, or 2147483646 with a negative NUMBER.\n"
    "That, an argument that is not a 32-bit decimal integer, or a PADCHAR\n"
    "of more than one UTF-16 unit, is a usage error (exit status 2).\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
