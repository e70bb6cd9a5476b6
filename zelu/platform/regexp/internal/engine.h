// The matching engine of one regular-expression object: a translated
// pattern compiled by PCRE2's 16-bit library (JIT-compiled where the
// platform allows, the interpreter otherwise), with the object's own match
// data, match limits and JIT stack. Nothing here is shared between objects.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/regexp/internal/translator.h>

namespace zelu::regexp::internal {

// Offsets of a match: start and end of the whole match, then of each group;
// kUnset for a group that took no part.
inline constexpr std::size_t kUnset = ~std::size_t{0};
using Offsets = std::vector<std::size_t>;

enum class MatchStatus { kMatch, kNoMatch, kLimit };

// Backtracking work allowed for one attempt at one start position before a
// match gives up with MatchStatus::kLimit, and the largest JIT stack.
inline constexpr std::uint32_t kMatchLimit = 10'000'000;
inline constexpr std::uint32_t kDepthLimit = 100'000;
inline constexpr std::size_t kJitStackMax = 16 * 1024 * 1024;

class Engine {
 public:
  // Translates and compiles `pattern`; on failure error() says why.
  Engine(std::u16string_view pattern, bool ignore_case, bool multiline);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine();

  PatternError error() const { return error_; }
  int groups() const { return groups_; }

  // The first match at or after `start`, searching the whole subject (so
  // look-around and anchors see the units before `start`).
  MatchStatus Match(const WCHAR* subject, std::size_t length, std::size_t start, Offsets& offsets);

 private:
  struct Pcre;
  std::unique_ptr<Pcre> pcre_;
  PatternError error_ = PatternError::kNone;
  int groups_ = 0;
};

}  // namespace zelu::regexp::internal
