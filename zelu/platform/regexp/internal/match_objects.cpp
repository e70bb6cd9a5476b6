// The match collection, match, sub-match list and enumerator objects.
#include <zelu/platform/regexp/internal/match_objects.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <span>
#include <utility>

#include <zelu/platform/dispatch/dispatch_object.h>
#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/platform/regexp/regexp.h>

namespace zelu::regexp::internal {
namespace {

using zelu::dispatch::Argument;
using zelu::dispatch::DispatchObject;
using zelu::dispatch::IsGet;
using zelu::dispatch::MemberName;

constexpr std::u16string_view kSource = u"VBScript.RegExp";

// The members of both lists, the match collection and the sub-matches.
constexpr std::array<MemberName, 3> kListNames = {
    {{u"Item", DISPID_VALUE}, {u"Count", 1}, {u"_NewEnum", DISPID_NEWENUM}}};

// The two lists an enumerator can walk.
enum class ListKind { kMatches, kSubMatches };

VARIANT MatchVariant(const std::shared_ptr<const MatchSet>& set, std::size_t match);

VARIANT SubMatchVariant(const MatchSet& set, std::size_t match, std::size_t group) {
  VARIANT value{};
  const std::size_t start = set.start(match, group + 1);
  if (start == kUnset) return value;  // a group that took no part: an empty variant
  value.vt = VT_BSTR;
  value.bstrVal = NewString(set.text.data() + start, set.end(match, group + 1) - start);
  return value;
}

// Reads an index argument; false when it is not a 32-bit integer.
bool IndexArgument(const DISPPARAMS* params, LONG* index) {
  const VARIANT* argument = Argument(params, 0);
  if (argument == nullptr || argument->vt != VT_I4) return false;
  *index = argument->lVal;
  return true;
}

HRESULT Answer(VARIANT* result, VARIANT value) {
  if (result != nullptr) {
    *result = value;
  } else {
    VariantClear(&value);
  }
  return S_OK;
}

VARIANT LongVariant(std::size_t n) {
  VARIANT value{};
  value.vt = VT_I4;
  value.lVal = static_cast<LONG>(n);
  return value;
}

class Enumerator final : public IEnumVARIANT {
 public:
  Enumerator(std::shared_ptr<const MatchSet> set, ListKind kind, std::size_t match, std::size_t position)
      : set_(std::move(set)), kind_(kind), match_(match), position_(position) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!(iid == IID_IUnknown || iid == IID_IEnumVARIANT)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<IEnumVARIANT*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

  HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) override {
    if (items == nullptr && count != 0) return E_POINTER;
    ULONG given = 0;
    for (; given < count && position_ < Size(); ++given, ++position_) {
      items[given] = kind_ == ListKind::kMatches ? MatchVariant(set_, position_)
                                                  : SubMatchVariant(*set_, match_, position_);
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    const std::size_t left = Size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumVARIANT** copy) override {
    if (copy == nullptr) return E_POINTER;
    *copy = new Enumerator(set_, kind_, match_, position_);
    return S_OK;
  }

 private:
  ~Enumerator() = default;
  std::size_t Size() const { return kind_ == ListKind::kMatches ? set_->count() : set_->groups; }

  std::shared_ptr<const MatchSet> set_;
  ListKind kind_;
  std::size_t match_;
  std::size_t position_;
  std::atomic<ULONG> references_{1};
};

VARIANT EnumeratorVariant(std::shared_ptr<const MatchSet> set, ListKind kind, std::size_t match) {
  VARIANT value{};
  value.vt = VT_UNKNOWN;
  value.punkVal = new Enumerator(std::move(set), kind, match, 0);
  return value;
}

class SubMatches final : public DispatchObject {
 public:
  SubMatches(std::shared_ptr<const MatchSet> set, std::size_t match) : set_(std::move(set)), match_(match) {}

  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT*) override {
    const UINT arguments = id == DISPID_VALUE ? 1 : 0;
    if (id != DISPID_VALUE && id != 1 && id != DISPID_NEWENUM) return DISP_E_MEMBERNOTFOUND;
    if (!IsGet(flags, params, arguments)) return DISP_E_BADPARAMCOUNT;
    if (id == 1) return Answer(result, LongVariant(set_->groups));
    if (id == DISPID_NEWENUM) return Answer(result, EnumeratorVariant(set_, ListKind::kSubMatches, match_));
    LONG index = 0;
    if (!IndexArgument(params, &index)) return DISP_E_TYPEMISMATCH;
    if (index < 0 || static_cast<std::size_t>(index) >= set_->groups) return BadIndex(exception);
    return Answer(result, SubMatchVariant(*set_, match_, static_cast<std::size_t>(index)));
  }

 private:
  std::span<const MemberName> MemberNames() const override { return kListNames; }

  std::shared_ptr<const MatchSet> set_;
  std::size_t match_;
};

class Match final : public DispatchObject {
 public:
  Match(std::shared_ptr<const MatchSet> set, std::size_t match) : set_(std::move(set)), match_(match) {}

  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                 UINT*) override {
    if (id != DISPID_VALUE && (id < 10001 || id > 10003)) return DISP_E_MEMBERNOTFOUND;
    if (!IsGet(flags, params, 0)) return DISP_E_BADPARAMCOUNT;
    const std::size_t start = set_->start(match_, 0), end = set_->end(match_, 0);
    VARIANT value{};
    switch (id) {
      case DISPID_VALUE:
        value.vt = VT_BSTR;
        value.bstrVal = NewString(set_->text.data() + start, end - start);
        break;
      case 10001:
        value = LongVariant(set_->SubjectIndex(match_, start));
        break;
      case 10002:
        value = LongVariant(end - start);
        break;
      default:
        value.vt = VT_DISPATCH;
        value.pdispVal = new SubMatches(set_, match_);
        break;
    }
    return Answer(result, value);
  }

 private:
  std::span<const MemberName> MemberNames() const override {
    static constexpr std::array<MemberName, 4> kNames = {
        {{u"Value", DISPID_VALUE}, {u"FirstIndex", 10001}, {u"Length", 10002}, {u"SubMatches", 10003}}};
    return kNames;
  }

  std::shared_ptr<const MatchSet> set_;
  std::size_t match_;
};

VARIANT MatchVariant(const std::shared_ptr<const MatchSet>& set, std::size_t match) {
  VARIANT value{};
  value.vt = VT_DISPATCH;
  value.pdispVal = new Match(set, match);
  return value;
}

// Item answers both to 0 and to 10001.
class MatchCollection final : public DispatchObject {
 public:
  explicit MatchCollection(std::shared_ptr<const MatchSet> set) : set_(std::move(set)) {}

  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT*) override {
    const bool item = id == DISPID_VALUE || id == 10001;
    if (!item && id != 1 && id != DISPID_NEWENUM) return DISP_E_MEMBERNOTFOUND;
    if (!IsGet(flags, params, item ? 1 : 0)) return DISP_E_BADPARAMCOUNT;
    if (id == 1) return Answer(result, LongVariant(set_->count()));
    if (id == DISPID_NEWENUM) return Answer(result, EnumeratorVariant(set_, ListKind::kMatches, 0));
    LONG index = 0;
    if (!IndexArgument(params, &index)) return DISP_E_TYPEMISMATCH;
    if (index < 0 || static_cast<std::size_t>(index) >= set_->count()) return BadIndex(exception);
    return Answer(result, MatchVariant(set_, static_cast<std::size_t>(index)));
  }

 private:
  std::span<const MemberName> MemberNames() const override { return kListNames; }

  std::shared_ptr<const MatchSet> set_;
};

}  // namespace

void MatchSet::Add(const WCHAR* subject, const Offsets& match) {
  std::size_t low = match[0], high = match[1];
  for (std::size_t i = 2; i < match.size(); i += 2) {  // groups in a lookahead may reach past the match
    if (match[i] == kUnset) continue;
    low = std::min(low, match[i]);
    high = std::max(high, match[i + 1]);
  }
  const std::size_t base = text.size();
  text.insert(text.end(), subject + low, subject + high);
  origins.push_back(low);
  bases.push_back(base);
  for (const std::size_t offset : match) offsets.push_back(offset == kUnset ? kUnset : offset - low + base);
}

IDispatch* NewMatchCollection(std::shared_ptr<const MatchSet> set) { return new MatchCollection(std::move(set)); }

HRESULT BadIndex(EXCEPINFO* exception) {
  return zelu::dispatch::RaiseException(exception, kInvalidArgument, kSource, u"Invalid procedure call or argument");
}

HRESULT OutOfStackSpace(EXCEPINFO* exception) {
  return zelu::dispatch::RaiseException(exception, kOutOfStackSpace, kSource, u"Out of stack space");
}

HRESULT OutOfMemory(EXCEPINFO* exception) {
  return zelu::dispatch::RaiseException(exception, kOutOfMemory, kSource, u"Out of memory");
}

BSTR NewString(const WCHAR* units, std::size_t length) {
  return SysAllocStringLen(units, static_cast<UINT>(length));
}

}  // namespace zelu::regexp::internal
