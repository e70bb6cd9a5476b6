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

// The subject of an Execute and the offsets of its matches, one run of
// 2 * (groups + 1) offsets per match.
struct MatchSet {
  std::vector<WCHAR> subject;
  std::size_t groups = 0;
  Offsets offsets;

  std::size_t stride() const { return 2 * (groups + 1); }
  std::size_t count() const { return offsets.size() / stride(); }
  // Group `group` (0 the whole match) of match `match`.
  std::size_t start(std::size_t match, std::size_t group) const { return offsets[match * stride() + 2 * group]; }
  std::size_t end(std::size_t match, std::size_t group) const { return offsets[match * stride() + 2 * group + 1]; }
};

// A new match collection over `set`, with one reference for the caller.
IDispatch* NewMatchCollection(std::shared_ptr<const MatchSet> set);

// Invoke's answer for an index out of range and for a failed match.
HRESULT BadIndex(EXCEPINFO* exception);
HRESULT OutOfStackSpace(EXCEPINFO* exception);

// A new BSTR holding `length` units from `units`.
BSTR NewString(const WCHAR* units, std::size_t length);

}  // namespace zelu::regexp::internal
