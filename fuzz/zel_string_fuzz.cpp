// CZelString under a sequence of operations decoded from the input, on two
// objects, against a model that holds each object's text (or no text).
// Operations take their text from the input or from the object's own text
// and views (which every member must read before it lets go of them). After
// each operation:
//   * every view handed out since the text last changed still holds its
//     bytes (a view freed too early is a read after free);
//   * a view call gives the UTF-8 of the text, and the newest view's own
//     buffer again when the bytes are the same;
//   * lengths, emptiness and automation strings follow the model;
//   * ReplaceNoCase replaces left to right without overlap, comparing the
//     units lowered one by one, and touches nothing when it finds nothing.
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/platform/win32/string_resources.h>
#include <zelu/testing/utf8_reference.h>
#include <zelu/testing/wide_text.h>
#include <zelu/text/zel_string.h>

#include "fuzz_input.h"

namespace {

using zelu::fuzz::ByteReader;
using zelu::fuzz::Check;
using zelu::testing::ToU16;
using zelu::testing::WideText;
using Model = std::optional<std::u16string>;

// The most units a text may reach; operations that would pass it are skipped.
constexpr std::size_t kLongestText = 1 << 14;
constexpr std::size_t kFormattedUnits = 1023;

// The resources: 1 and 4 in the language module, 2 in the main program's,
// 3 nowhere; 4 is longer than a load reads.
constexpr UINT kBracketed = 1;
constexpr UINT kShortAndNarrow = 2;
constexpr UINT kLong = 4;
const std::u16string kLongText(1500, u'x');

struct Resources {
  zelu::win32::StringModule language{{kBracketed, u"[%s|%d]"}, {kLong, kLongText}};
  zelu::win32::StringModule main{{kShortAndNarrow, u"%.3s%S"}};
  Resources() { zelu::win32::SetMainProgramStrings(main.handle()); }
};

HINSTANCE LanguageModule() {
  static const Resources resources;
  return resources.language.handle();
}

Model Loaded(UINT id) {
  if (id == kBracketed) return u"[%s|%d]";
  if (id == kShortAndNarrow) return u"%.3s%S";
  if (id == kLong) return kLongText.substr(0, kFormattedUnits);
  return std::nullopt;
}

std::string Utf8Of(const std::u16string& text) {
  const WideText units(text);
  return zelu::testing::ReferenceEncodeUtf8(units.c_str(), units.size()).bytes;
}

std::u16string FromUtf8(const std::string& bytes) {
  const auto decoded = zelu::testing::ReferenceDecodeUtf8(bytes);
  return ToU16(decoded.units.data(), decoded.units.size());
}

std::u16string Lowered(std::u16string text) {
  for (char16_t& unit : text) unit = static_cast<char16_t>(zelu::crt16::towlower(static_cast<WCHAR>(unit)));
  return text;
}

// Replaces without overlap, left to right; the count of replacements.
int ReplaceModel(std::u16string& text, const std::u16string& find, const std::u16string& replace) {
  if (find.empty()) return 0;
  const std::u16string lowered = Lowered(text);
  const std::u16string needle = Lowered(find);
  std::u16string result;
  int count = 0;
  std::size_t rest = 0;
  for (std::size_t at = lowered.find(needle); at != std::u16string::npos; at = lowered.find(needle, rest)) {
    result += text.substr(rest, at - rest) + replace;
    rest = at + needle.size();
    ++count;
  }
  if (count > 0) text = result + text.substr(rest);
  return count;
}

struct View {
  const char* pointer;
  std::string bytes;
};

struct Slot {
  std::unique_ptr<CZelString> object = std::make_unique<CZelString>(LanguageModule(), 0xFFFFFFFF);
  Model text;
  std::vector<View> views;  // every view since the text last changed, the newest last

  const WCHAR* Wide() { return *object; }
  void Changed(Model now) {
    text = std::move(now);
    views.clear();
  }
};

std::u16string Suffix(const Model& text, std::size_t from) {
  return text ? text->substr(std::min<std::size_t>(from, text->size())) : std::u16string();
}

// The checks after every operation compare with the C library's strcmp and
// memcmp: their loops are not traced for coverage, which would otherwise
// take a third of the time. The object's length is checked before its units
// are read.
void CheckState(Slot& slot) {
  for (const View& view : slot.views) Check(std::strcmp(view.pointer, view.bytes.c_str()) == 0);
  CZelString& object = *slot.object;
  Check(object.GetLength() == (slot.text ? static_cast<int>(slot.text->size()) : -1));
  Check(object.IsEmpty() == (!slot.text || slot.text->empty()));
  if (!slot.text) {
    Check(slot.Wide() == nullptr);
    return;
  }
  const WCHAR* units = slot.Wide();
  Check(std::memcmp(units, slot.text->data(), slot.text->size() * sizeof(WCHAR)) == 0 && units[slot.text->size()] == 0);
}

void TakeView(Slot& slot, bool utf8) {
  const char* view = utf8 ? slot.object->AsUTF8() : static_cast<char*>(*slot.object);
  if (!slot.text) {
    Check(view == nullptr);
    return;
  }
  const std::string expected = Utf8Of(*slot.text);
  Check(view != nullptr && std::string(view) == expected);
  for (const View& earlier : slot.views) Check(view != earlier.pointer);  // every call makes a new buffer
  slot.views.push_back({view, expected});
}

void CheckSysString(Slot& slot) {
  BSTR copy = slot.object->AllocSysString();
  Check((copy == nullptr) == !slot.text);
  if (copy != nullptr) Check(SysStringLen(copy) == slot.text->size() && ToU16(copy) == *slot.text);
  SysFreeString(copy);
}

// Format with the arguments that resource `id` asks for, taken from the
// object's own text and view.
void Format(Slot& slot, UINT id) {
  CZelString& object = *slot.object;
  const std::u16string own = slot.text ? *slot.text : u"(null)";
  const char* view = object;
  Model expected;
  bool found = false;
  if (id == kShortAndNarrow) {
    found = object.Format(id, slot.Wide(), view);
    expected = own.substr(0, 3) + (slot.text ? FromUtf8(Utf8Of(own)) : u"(null)");
  } else if (id == kLong) {
    found = object.Format(id);
    expected = *Loaded(kLong);
  } else {
    found = object.Format(id, slot.Wide(), 42);
    expected = u"[" + own + u"|42]";
  }
  Check(found == Loaded(id).has_value());
  slot.Changed(found ? Model(expected->substr(0, kFormattedUnits)) : std::nullopt);
}

void Replace(Slot& slot, const std::u16string& find, const std::optional<std::u16string>& replace,
             const WCHAR* find_units, const WCHAR* replace_units) {
  std::u16string after = slot.text.value_or(u"");
  const int expected = ReplaceModel(after, find, replace.value_or(u""));
  if (after.size() > kLongestText) return;
  Check(slot.object->ReplaceNoCase(find_units, replace_units) == expected);
  if (expected > 0) slot.Changed(after);
}

void Run(ByteReader& input, Slot (&slots)[2]) {
  const unsigned op = input.Byte();
  Slot& slot = slots[op >> 7];
  Slot& other = slots[(op >> 6) & 1];
  CZelString& object = *slot.object;
  switch (op % 18) {
    case 0: {
      const auto units = input.Text(24);
      const std::u16string text = ToU16(units.data(), units.size());
      object = WideText(text).c_str();
      slot.Changed(text);
      break;
    }
    case 1: {
      const auto units = input.Text(24);
      std::string bytes;
      for (const WCHAR unit : units) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
      bytes.resize(std::char_traits<char>::length(bytes.c_str()));
      object = bytes.c_str();
      slot.Changed(FromUtf8(bytes));
      break;
    }
    case 2:  // assigning an object itself changes nothing, views included
      object = *other.object;
      if (&slot != &other) slot.Changed(other.text);
      break;
    case 3: {
      auto copy = std::make_unique<CZelString>(*other.object);
      slot.object = std::move(copy);
      slot.Changed(other.text);
      break;
    }
    case 4: object.Empty(); slot.Changed(std::nullopt); break;
    case 5: TakeView(slot, false); break;
    case 6: TakeView(slot, true); break;
    case 7: CheckSysString(slot); break;
    case 8: {
      const auto find = input.Text(4);
      const auto replace = input.Text(8);
      const bool null_replace = (input.Byte() & 3) == 0;
      const std::u16string find_text = ToU16(find.data(), find.size());
      const std::u16string replace_text = ToU16(replace.data(), replace.size());
      Replace(slot, find_text, null_replace ? std::nullopt : Model(replace_text), WideText(find_text).c_str(),
              null_replace ? nullptr : WideText(replace_text).c_str());
      break;
    }
    case 9: {  // both arguments inside the object's own text
      const std::size_t find_at = input.Byte();
      const std::size_t replace_at = input.Byte();
      const WCHAR* own = slot.Wide();
      if (own == nullptr) {
        Check(object.ReplaceNoCase(own, own) == 0);
        break;
      }
      const std::size_t length = slot.text->size();
      Replace(slot, Suffix(slot.text, find_at), Suffix(slot.text, replace_at), own + std::min(find_at, length),
              own + std::min(replace_at, length));
      break;
    }
    case 10: Format(slot, 1 + input.Byte() % 4); break;
    case 11: {
      const UINT id = 1 + input.Byte() % 4;
      Check(object.LoadStringW(id) == Loaded(id).has_value());
      slot.Changed(Loaded(id));
      break;
    }
    case 12: {  // a suffix of its own text
      const std::u16string suffix = Suffix(slot.text, input.Byte());
      const WCHAR* own = slot.Wide();
      object = own == nullptr ? own : own + (slot.text->size() - suffix.size());
      slot.Changed(own == nullptr ? Model() : Model(suffix));
      break;
    }
    case 13: {  // its own newest narrow view
      const char* view = object;
      object = view;
      slot.Changed(view == nullptr ? Model() : Model(FromUtf8(Utf8Of(*slot.text))));
      break;
    }
    case 14: {  // a unit written through the wide pointer (the views keep theirs)
      const std::size_t at = input.Byte();
      const WCHAR unit = input.Unit();
      if (!slot.text || at >= slot.text->size()) break;
      static_cast<WCHAR*>(object)[at] = unit;
      (*slot.text)[at] = static_cast<char16_t>(unit);
      if (unit == 0) slot.text->resize(at);
      break;
    }
    case 15: {
      const UINT id = input.Byte() % 6;
      slot.object = std::make_unique<CZelString>(LanguageModule(), id == 0 ? 0xFFFFFFFF : id);
      slot.Changed(id == 0 ? Model() : Loaded(id));
      break;
    }
    case 16: object.setLangDLL(LanguageModule()); break;
    default: CheckSysString(other); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > zelu::fuzz::kMaxInputBytes) return 0;
  ByteReader input(data, size);
  Slot slots[2];
  while (!input.AtEnd()) {
    Run(input, slots);
    CheckState(slots[0]);
    CheckState(slots[1]);
  }
  return 0;
}
