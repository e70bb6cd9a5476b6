// The framework's ordered containers: CStringArray, CPtrArray, CByteArray.
//
// Each is a growable array indexed from 0, with the framework's members.
// What a caller may rely on:
//   * GetSize() is the element count as `int`; elements are contiguous and
//     GetData() points at the first one (null when empty is allowed).
//   * SetSize(n, grow_by) gives exactly n elements: new ones are
//     value-initialised (empty strings, null pointers, zero bytes); SetSize(0)
//     releases the storage. grow_by is accepted and ignored: growth is
//     geometric. A negative n counts as 0.
//   * SetAtGrow(i, x) with i >= GetSize() grows to i + 1 elements first, so
//     SetAtGrow(GetSize(), x) appends. Add returns the new element's index.
//   * GetAt, SetAt, ElementAt and operator[] need 0 <= index < GetSize().
//   * CPtrArray does not own what its pointers point at.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include <zelu/platform/cstring/cstring.h>

namespace zelu::cstring::internal {

template <typename Element, typename Argument = const Element&>
class FrameworkArray {
 public:
  int GetSize() const noexcept { return static_cast<int>(elements_.size()); }
  int GetCount() const noexcept { return GetSize(); }
  int GetUpperBound() const noexcept { return GetSize() - 1; }
  bool IsEmpty() const noexcept { return elements_.empty(); }

  void SetSize(int new_size, int grow_by = -1) {
    static_cast<void>(grow_by);
    if (new_size <= 0) {
      RemoveAll();
      return;
    }
    elements_.resize(static_cast<std::size_t>(new_size));
  }
  void RemoveAll() noexcept { std::vector<Element>().swap(elements_); }
  void FreeExtra() { elements_.shrink_to_fit(); }

  Element GetAt(int index) const { return elements_[Index(index)]; }
  void SetAt(int index, Argument element) { elements_[Index(index)] = element; }
  Element& ElementAt(int index) { return elements_[Index(index)]; }
  const Element& operator[](int index) const { return elements_[Index(index)]; }
  Element& operator[](int index) { return elements_[Index(index)]; }

  const Element* GetData() const noexcept { return elements_.data(); }
  Element* GetData() noexcept { return elements_.data(); }

  void SetAtGrow(int index, Argument element) {
    if (index < GetSize()) {
      elements_[Index(index)] = element;
      return;
    }
    Element value(element);  // `element` may live in this array, which grows
    elements_.resize(Index(index) + 1);
    elements_[Index(index)] = std::move(value);
  }
  int Add(Argument element) {
    elements_.push_back(element);
    return GetSize() - 1;
  }
  void InsertAt(int index, Argument element, int count = 1) {
    if (count <= 0) return;
    const Element value(element);  // `element` may live in this array, which grows
    if (index > GetSize()) elements_.resize(Index(index));
    elements_.insert(elements_.begin() + index, static_cast<std::size_t>(count), value);
  }
  void RemoveAt(int index, int count = 1) {
    const auto first = elements_.begin() + index;
    elements_.erase(first, first + std::min(count, GetSize() - index));
  }
  int Append(const FrameworkArray& other) {
    const int first = GetSize();
    elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
    return first;
  }
  void Copy(const FrameworkArray& other) { elements_ = other.elements_; }

 private:
  static std::size_t Index(int index) noexcept { return static_cast<std::size_t>(index); }

  std::vector<Element> elements_;
};

}  // namespace zelu::cstring::internal

class CStringArray : public zelu::cstring::internal::FrameworkArray<CString> {};
class CPtrArray : public zelu::cstring::internal::FrameworkArray<void*, void*> {};
class CByteArray : public zelu::cstring::internal::FrameworkArray<BYTE, BYTE> {};
