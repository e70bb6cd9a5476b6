// The delimited parser on arbitrary lines: the first code unit of the input
// is the delimiter, the rest the line. The fields agree with a slow, obvious
// split; every typed read of every field runs, by position and in sequence;
// reads outside the fields fail and leave the destination alone; the buffer
// read writes at most size - 2 units and a zero, never past the buffer.
#include <algorithm>
#include <string>
#include <vector>

#include <zelu/delimited/parse.h>
#include <zelu/platform/crt16/crt16.h>

#include "fuzz_input.h"

namespace {

using zelu::fuzz::Check;

// Fields of `line`: split at every delimiter outside quotes (a quote flips
// the state unless it is the delimiter), the last field trimmed at both ends.
std::vector<std::u16string> ReferenceSplit(const std::vector<unsigned short>& line, WCHAR delimiter) {
  std::vector<std::u16string> fields(1);
  bool inside_quotes = false;
  for (std::size_t i = 0; line[i] != 0; ++i) {
    const WCHAR unit = line[i];
    if (!inside_quotes && unit == delimiter) {
      fields.emplace_back();
      continue;
    }
    if (unit == '"') inside_quotes = !inside_quotes;
    fields.back().push_back(static_cast<char16_t>(unit));
  }
  std::u16string& last = fields.back();
  const auto is_space = [](char16_t unit) { return zelu::crt16::iswspace(static_cast<WCHAR>(unit)); };
  while (!last.empty() && is_space(last.back())) last.pop_back();
  last.erase(last.begin(), std::find_if_not(last.begin(), last.end(), is_space));
  return fields;
}

std::u16string Units(const CString& text) { return text.ToU16String(); }

void CheckBufferRead(CDelimitedParse& parse, int index, const std::u16string& field) {
  constexpr WCHAR kCanary = 0xBEEF;
  for (const int size : {0, 1, 2, 3, static_cast<int>(field.size()) + 2, static_cast<int>(field.size()) + 9}) {
    std::vector<WCHAR> buffer(static_cast<std::size_t>(size) + 4, kCanary);
    Check(parse.GetAt(index, buffer.data(), size));
    if (size < 2) {
      Check(std::all_of(buffer.begin(), buffer.end(), [](WCHAR unit) { return unit == kCanary; }));
      continue;
    }
    const std::size_t copied = std::min(field.size(), static_cast<std::size_t>(size - 2));
    Check(std::equal(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(copied), buffer.begin()));
    Check(buffer[copied] == 0);
    Check(std::all_of(buffer.begin() + size, buffer.end(), [](WCHAR unit) { return unit == kCanary; }));
  }
}

// Every typed read of one field; the values only have to exist.
template <typename Read>
void ReadEveryType(Read read) {
  bool flag = false;
  int number = 0;
  long wide_number = 0;
  unsigned char byte = 0;
  float single = 0;
  double real = 0;
  Check(read(flag) && read(number) && read(wide_number) && read(byte) && read(single) && read(real));
  Check(wide_number == number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > zelu::fuzz::kMaxInputBytes) return 0;
  const auto units = zelu::fuzz::TextFromBytes(data, size);
  const WCHAR delimiter = units[0];
  const std::vector<unsigned short> line(units.begin() + 1, units.end());
  const std::vector<std::u16string> expected = ReferenceSplit(line, delimiter);

  CDelimitedParse parse(line.data(), delimiter);
  const int count = parse.GetFieldCount();
  Check(count == static_cast<int>(expected.size()));
  for (int i = 0; i < count; ++i) {
    CString field;
    Check(parse.GetAt(i, field) && Units(field) == expected[static_cast<std::size_t>(i)]);
    ReadEveryType([&](auto& value) { return parse.GetAt(i, value); });
    CheckBufferRead(parse, i, expected[static_cast<std::size_t>(i)]);
  }
  CString untouched(u"untouched");
  Check(!parse.GetAt(-1, untouched) && !parse.GetAt(count, untouched) && untouched == CString(u"untouched"));

  // In sequence: each field once, with every typed read, then nothing more.
  for (int i = 0; i < count; ++i) {
    CString field;
    Check(parse.GetNext(field) && Units(field) == expected[static_cast<std::size_t>(i)]);
  }
  Check(!parse.GetNext(untouched) && untouched == CString(u"untouched"));
  Check(parse.ParseLine(line.data()));
  for (int i = 0; i < count; ++i) {
    int skipped = 0;
    if (i % 2 == 0) {
      ReadEveryType([&](auto& value) { return parse.GetAt(i, value); });
    }
    Check(parse.GetNext(skipped));
  }
  int past = 7;
  Check(!parse.GetNext(past) && past == 7);
  return 0;
}
