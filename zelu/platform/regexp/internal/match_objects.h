// The objects that Execute hands out: the match collection, the matches,
// their sub-match lists and the enumerators of both lists. They share one
// read-only MatchSet, kept alive by whichever of them still holds it.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/dispatch/dispatch.h>
#include <zelu/platform/regexp/internal/engine.h>

namespace zelu::regexp::internal {

// The matches of an Execute: for each match, the part of the subject that
// its offsets span (copied, so a result never holds the whole subject), and
// its offsets into that copy, 2 * (groups + 1) per match.
struct MatchSet {
  std::vector<WCHAR> text;           // the copied parts, one after another
  std::size_t groups = 0;
  Offsets offsets;                   // into `text`; kUnset for a group that took no part
  std::vector<std::size_t> origins;  // per match: the subject index of its part's first unit
  std::vector<std::size_t> bases;    // per match: where its part starts in `text`

  std::size_t stride() const { return 2 * (groups + 1); }
  std::size_t count() const { return origins.size(); }
  // Group `group` (0 the whole match) of match `match`, as indexes into `text`.
  std::size_t start(std::size_t match, std::size_t group) const { return offsets[match * stride() + 2 * group]; }
  std::size_t end(std::size_t match, std::size_t group) const { return offsets[match * stride() + 2 * group + 1]; }
  // The same as an index into the subject.
  std::size_t SubjectIndex(std::size_t match, std::size_t index) const {
    return index - bases[match] + origins[match];
  }

  // Adds a match given by its offsets into `subject`.
  void Add(const WCHAR* subject, const Offsets& match);
};

// A new match collection over `set`, with one reference for the caller.
IDispatch* NewMatchCollection(std::shared_ptr<const MatchSet> set);

// Invoke's answer for an index out of range and for a failed match.
HRESULT BadIndex(EXCEPINFO* exception);
HRESULT OutOfStackSpace(EXCEPINFO* exception);
HRESULT OutOfMemory(EXCEPINFO* exception);

// The longest text a result may have, in units (the library-wide limit).
inline constexpr std::size_t kMaxStringUnits = 0x7FFFFFFE;

// A new BSTR holding `length` units from `units`.
BSTR NewString(const WCHAR* units, std::size_t length);

}  // namespace zelu::regexp::internal
