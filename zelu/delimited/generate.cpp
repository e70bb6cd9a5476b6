#include <zelu/delimited/generate.h>

#include <algorithm>
#include <climits>
#include <memory>

#include <zelu/delimited/line_format.h>
#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/platform/variant/variant_wrappers.h>

namespace {

using zelu::delimited::kFalseWord;
using zelu::delimited::kQuote;
using zelu::delimited::kTrueWord;

using OwnedVariant = std::unique_ptr<COleVariant>;

// One new variant per stored value, holding it as its automation type.

OwnedVariant MakeVariant(bool value) { return std::make_unique<COleVariant>(LONG{value ? 1 : 0}, VT_BOOL); }

OwnedVariant MakeVariant(int value) { return std::make_unique<COleVariant>(LONG{value}, VT_I4); }

OwnedVariant MakeVariant(long value) {
  return MakeVariant(static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX)));
}

OwnedVariant MakeVariant(const WCHAR* value) {
  auto variant = std::make_unique<COleVariant>();
  *variant = value;  // VT_BSTR holding a copy; a null text gives a null BSTR
  return variant;
}

OwnedVariant MakeVariant(unsigned char value) { return std::make_unique<COleVariant>(BYTE{value}); }

OwnedVariant MakeVariant(float value) { return std::make_unique<COleVariant>(value); }

OwnedVariant MakeVariant(double value) { return std::make_unique<COleVariant>(value); }

void Release(void* stored) {
  auto* variant = static_cast<COleVariant*>(stored);
  VariantClear(variant);
  delete variant;
}

}  // namespace

CDelimitedGenerate::CDelimitedGenerate(WCHAR delimiter, bool quote_strings)
    : delimiter_(delimiter), quote_strings_(quote_strings) {}

CDelimitedGenerate::~CDelimitedGenerate() { Empty(); }

template <typename T>
bool CDelimitedGenerate::Append(T value) {
  OwnedVariant variant = MakeVariant(value);
  values_.SetAtGrow(values_.GetSize(), variant.get());
  variant.release();  // the list owns it now
  return true;
}

template <typename T>
bool CDelimitedGenerate::Replace(int index, T value) {
  if (index < 0 || index >= values_.GetSize()) return false;
  OwnedVariant variant = MakeVariant(value);
  void* replaced = values_[index];
  values_[index] = variant.release();
  Release(replaced);
  return true;
}

bool CDelimitedGenerate::Add(bool value) { return Append(value); }
bool CDelimitedGenerate::Add(int value) { return Append(value); }
bool CDelimitedGenerate::Add(long value) { return Append(value); }
bool CDelimitedGenerate::Add(const WCHAR* value) { return Append(value); }
bool CDelimitedGenerate::Add(unsigned char value) { return Append(value); }
bool CDelimitedGenerate::Add(float value) { return Append(value); }
bool CDelimitedGenerate::Add(double value) { return Append(value); }

bool CDelimitedGenerate::SetAt(int index, bool value) { return Replace(index, value); }
bool CDelimitedGenerate::SetAt(int index, int value) { return Replace(index, value); }
bool CDelimitedGenerate::SetAt(int index, long value) { return Replace(index, value); }
bool CDelimitedGenerate::SetAt(int index, const WCHAR* value) { return Replace(index, value); }
bool CDelimitedGenerate::SetAt(int index, unsigned char value) { return Replace(index, value); }
bool CDelimitedGenerate::SetAt(int index, float value) { return Replace(index, value); }
bool CDelimitedGenerate::SetAt(int index, double value) { return Replace(index, value); }

void CDelimitedGenerate::Empty() {
  for (int i = 0; i < values_.GetSize(); ++i) Release(values_[i]);
  values_.SetSize(0, -1);
}

// One pass: each value is rendered and appended to the line, which keeps its
// storage from call to call.
const WCHAR* CDelimitedGenerate::Generate() {
  line_.Empty();
  CString number;
  for (int i = 0; i < values_.GetSize(); ++i) {
    const auto& value = *static_cast<const COleVariant*>(values_[i]);
    if (i > 0) line_ += delimiter_;
    switch (value.vt) {
      case VT_BSTR:
        if (quote_strings_) line_ += kQuote;
        line_ += static_cast<const WCHAR*>(value.bstrVal);  // null appends nothing
        if (quote_strings_) line_ += kQuote;
        break;
      case VT_BOOL:
        line_ += value.boolVal == VARIANT_TRUE ? kTrueWord.data() : kFalseWord.data();
        break;
      case VT_I4:
        number.Format(u"%d", value.lVal);
        line_ += number;
        break;
      case VT_UI1:
        number.Format(u"%d", static_cast<int>(value.bVal));
        line_ += number;
        break;
      case VT_R4:
        number.Format(u"%f", static_cast<double>(value.fltVal));
        line_ += number;
        break;
      case VT_R8:
        number.Format(u"%lf", value.dblVal);
        line_ += number;
        break;
      default:  // no other type is ever stored
        break;
    }
  }
  return line_;
}
