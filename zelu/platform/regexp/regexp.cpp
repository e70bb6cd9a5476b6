// The regular-expression object: its settings, Execute, Test and Replace,
// and its registration.
#include <zelu/platform/regexp/regexp.h>

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <zelu/platform/dispatch/dispatch_object.h>
#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/platform/regexp/internal/engine.h>
#include <zelu/platform/regexp/internal/match_objects.h>

namespace zelu::regexp {
namespace {

using internal::Engine;
using internal::kUnset;
using internal::MatchSet;
using internal::MatchStatus;
using internal::Offsets;
using internal::PatternError;
using zelu::dispatch::Argument;
using zelu::dispatch::IsGet;
using zelu::dispatch::IsPut;
using zelu::dispatch::MemberName;

constexpr std::u16string_view kSource = u"VBScript.RegExp";

enum Member : DISPID {
  kPattern = 10001,
  kIgnoreCase = 10002,
  kGlobal = 10003,
  kExecute = 10004,
  kTest = 10005,
  kReplace = 10006,
  kMultiline = 10007,
};

std::u16string_view ErrorText(PatternError error) {
  switch (error) {
    case PatternError::kSyntax: return u"Syntax error in regular expression";
    case PatternError::kQuantifier: return u"Unexpected quantifier";
    case PatternError::kBracket: return u"Expected ']' in regular expression";
    case PatternError::kParenthesis: return u"Expected ')' in regular expression";
    case PatternError::kRange: return u"Invalid range in character set";
    default: return u"Out of memory";
  }
}

using Units = std::span<const WCHAR>;

// A text argument: the units of a BSTR (none for a null one or an empty
// variant); false for any other type.
bool TextArgument(const DISPPARAMS* params, UINT index, Units* text) {
  static const WCHAR kNone = 0;
  const VARIANT* argument = Argument(params, index);
  if (argument == nullptr) return false;
  if (argument->vt != VT_EMPTY && argument->vt != VT_BSTR) return false;
  const bool none = argument->vt == VT_EMPTY || argument->bstrVal == nullptr;
  *text = none ? Units(&kNone, 0) : Units(argument->bstrVal, SysStringLen(argument->bstrVal));
  return true;
}

// Where Replace's text goes: first a measuring pass counts the units (a
// count past what an automation string holds stays past it), then a writing
// pass fills an automation string of exactly that length, so the result is
// built in place with no intermediate buffer.
class ReplacedText {
 public:
  // Measuring.
  ReplacedText() = default;
  // Writing into `units`.
  explicit ReplacedText(WCHAR* units) : units_(units) {}

  void push_back(WCHAR unit) {
    if (units_ != nullptr) units_[size_] = unit;
    ++size_;
  }
  void Append(Units text, std::size_t first, std::size_t last) {
    if (units_ != nullptr) std::copy(text.begin() + static_cast<std::ptrdiff_t>(first),
                                     text.begin() + static_cast<std::ptrdiff_t>(last), units_ + size_);
    size_ = size_ + (last - first);
  }
  std::size_t size() const { return size_; }

 private:
  WCHAR* units_ = nullptr;
  std::size_t size_ = 0;
};

bool TruthArgument(const DISPPARAMS* params, bool* truth) {
  const VARIANT* argument = Argument(params, 0);
  if (argument == nullptr) return false;
  if (argument->vt == VT_BOOL) *truth = argument->boolVal != VARIANT_FALSE;
  else if (argument->vt == VT_I4) *truth = argument->lVal != 0;
  else return false;
  return true;
}

VARIANT BoolVariant(bool truth) {
  VARIANT value{};
  value.vt = VT_BOOL;
  value.boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
  return value;
}

VARIANT StringVariant(const std::u16string& text) {
  VARIANT value{};
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
  std::copy(text.begin(), text.end(), value.bstrVal);
  return value;
}

// Appends the expansion of `replacement` for the match at `offsets`.
void Expand(Units replacement, Units subject, const Offsets& offsets, std::size_t groups, ReplacedText& out) {
  auto digit = [](WCHAR c) { return c >= u'0' && c <= u'9' ? c - u'0' : -1; };
  auto group_text = [&](std::size_t group) {
    if (offsets[2 * group] != kUnset) out.Append(subject, offsets[2 * group], offsets[2 * group + 1]);
  };
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    const WCHAR c = replacement[i];
    const WCHAR next = i + 1 < replacement.size() ? replacement[i + 1] : 0;
    if (c != u'$' || i + 1 == replacement.size()) {
      out.push_back(c);
    } else if (next == u'$') {
      out.push_back(u'$');
      ++i;
    } else if (next == u'&') {
      group_text(0);
      ++i;
    } else if (next == u'`') {
      out.Append(subject, 0, offsets[0]);
      ++i;
    } else if (next == u'\'') {
      out.Append(subject, offsets[1], subject.size());
      ++i;
    } else if (const int first = digit(next); first >= 0) {
      const int second = i + 2 < replacement.size() ? digit(replacement[i + 2]) : -1;
      const int two = second >= 0 ? first * 10 + second : -1;
      if (two >= 1 && static_cast<std::size_t>(two) <= groups) {
        group_text(static_cast<std::size_t>(two));
        i += 2;
      } else if (first >= 1 && static_cast<std::size_t>(first) <= groups) {
        group_text(static_cast<std::size_t>(first));
        ++i;
      } else {
        out.push_back(c);
      }
    } else {
      out.push_back(c);
    }
  }
}

class RegExp final : public zelu::dispatch::DispatchObject {
 public:
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT*) override {
    switch (id) {
      case kPattern:
        return PatternMember(flags, params, result);
      case kIgnoreCase:
        return FlagMember(flags, params, result, ignore_case_, true);
      case kGlobal:
        return FlagMember(flags, params, result, global_, false);
      case kMultiline:
        return FlagMember(flags, params, result, multiline_, true);
      case kExecute:
      case kTest:
      case kReplace:
        return Search(static_cast<Member>(id), flags, params, result, exception);
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  std::span<const MemberName> MemberNames() const override {
    static constexpr std::array<MemberName, 7> kNames = {{{u"Pattern", kPattern},
                                                          {u"IgnoreCase", kIgnoreCase},
                                                          {u"Global", kGlobal},
                                                          {u"Execute", kExecute},
                                                          {u"Test", kTest},
                                                          {u"Replace", kReplace},
                                                          {u"Multiline", kMultiline}}};
    return kNames;
  }

  HRESULT PatternMember(WORD flags, DISPPARAMS* params, VARIANT* result) {
    if (IsPut(flags, params)) {
      Units text;
      if (!TextArgument(params, 0, &text)) return DISP_E_TYPEMISMATCH;
      pattern_.assign(text.begin(), text.end());
      engine_.reset();
      return S_OK;
    }
    if (!IsGet(flags, params, 0)) return DISP_E_BADPARAMCOUNT;
    if (result != nullptr) *result = StringVariant(pattern_);
    return S_OK;
  }

  // A truth-valued setting; changing one that shapes the compiled pattern
  // drops it.
  HRESULT FlagMember(WORD flags, DISPPARAMS* params, VARIANT* result, bool& setting, bool shapes_pattern) {
    if (IsPut(flags, params)) {
      bool truth = false;
      if (!TruthArgument(params, &truth)) return DISP_E_TYPEMISMATCH;
      if (shapes_pattern && truth != setting) engine_.reset();
      setting = truth;
      return S_OK;
    }
    if (!IsGet(flags, params, 0)) return DISP_E_BADPARAMCOUNT;
    if (result != nullptr) *result = BoolVariant(setting);
    return S_OK;
  }

  HRESULT Search(Member member, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) {
    if (!IsGet(flags, params, member == kReplace ? 2 : 1)) return DISP_E_BADPARAMCOUNT;
    Units subject, replacement;
    if (!TextArgument(params, 0, &subject)) return DISP_E_TYPEMISMATCH;
    if (member == kReplace && !TextArgument(params, 1, &replacement)) return DISP_E_TYPEMISMATCH;
    if (engine_ == nullptr) engine_ = std::make_unique<Engine>(pattern_, ignore_case_, multiline_);
    if (engine_->error() != PatternError::kNone) {
      const auto number = static_cast<unsigned>(engine_->error());
      return zelu::dispatch::RaiseException(exception, static_cast<SCODE>(0x800A0000u + number), kSource,
                                            ErrorText(engine_->error()));
    }
    auto set = std::make_shared<MatchSet>();
    set->groups = static_cast<std::size_t>(engine_->groups());
    if (!FindMatches(subject.data(), subject.size(), *set, member != kTest && global_)) {
      return internal::OutOfStackSpace(exception);
    }
    VARIANT value{};
    if (member == kTest) {
      value = BoolVariant(set->count() != 0);
    } else if (member == kExecute) {
      value.vt = VT_DISPATCH;
      value.pdispVal = internal::NewMatchCollection(std::move(set));
    } else {
      value.vt = VT_BSTR;
      value.bstrVal = Replaced(*set, subject, replacement);
      if (value.bstrVal == nullptr) return internal::OutOfMemory(exception);
    }
    if (result != nullptr) {
      *result = value;
    } else {
      VariantClear(&value);
    }
    return S_OK;
  }

  // Fills `set` with the first match, or with `all` every match; false when
  // a match attempt hit its limit.
  bool FindMatches(const WCHAR* subject, std::size_t length, MatchSet& set, bool all) {
    std::size_t start = 0;
    while (start <= length) {
      const MatchStatus status = engine_->Match(subject, length, start, offsets_);
      if (status == MatchStatus::kLimit) return false;
      if (status == MatchStatus::kNoMatch) break;
      set.Add(subject, offsets_);
      if (!all) break;
      start = offsets_[1] == offsets_[0] ? offsets_[1] + 1 : offsets_[1];
    }
    return true;
  }

  // The replaced text as an automation string; null when it would be longer
  // than one can hold.
  static BSTR Replaced(const MatchSet& set, Units subject, Units replacement) {
    ReplacedText measure;
    WriteReplaced(set, subject, replacement, measure);
    if (measure.size() > internal::kMaxStringUnits) return nullptr;
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(measure.size()));
    if (text == nullptr) return nullptr;
    ReplacedText write(text);
    WriteReplaced(set, subject, replacement, write);
    return text;
  }

  static void WriteReplaced(const MatchSet& set, Units subject, Units replacement, ReplacedText& out) {
    std::size_t copied = 0;
    Offsets offsets(set.stride());
    for (std::size_t match = 0; match < set.count(); ++match) {
      for (std::size_t i = 0; i < offsets.size(); ++i) {
        const std::size_t offset = set.offsets[match * set.stride() + i];
        offsets[i] = offset == kUnset ? kUnset : set.SubjectIndex(match, offset);
      }
      out.Append(subject, copied, offsets[0]);
      Expand(replacement, subject, offsets, set.groups, out);
      copied = offsets[1];
    }
    out.Append(subject, copied, subject.size());
  }

  std::u16string pattern_;
  bool ignore_case_ = false;
  bool global_ = false;
  bool multiline_ = false;
  std::unique_ptr<Engine> engine_;  // compiled on first use, dropped when the pattern's shape changes
  Offsets offsets_;
};

IDispatch* MakeRegExp() { return new RegExp; }

// The class id this library gives the object: {5A454C55-5245-4745-5850-000000000001}.
constexpr CLSID kRegExpClass = {0x5A454C55, 0x5245, 0x4745, {0x58, 0x50, 0, 0, 0, 0, 0, 0x01}};

// Registered when the library loads.
[[maybe_unused]] const bool registered = [] {
  zelu::dispatch::RegisterClassObject(kProgId, {kRegExpClass, MakeRegExp});
  return true;
}();

}  // namespace

IDispatch* CreateRegExp() { return MakeRegExp(); }

}  // namespace zelu::regexp
