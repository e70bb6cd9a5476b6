// The engine over PCRE2's 16-bit library.
#include <zelu/platform/regexp/internal/engine.h>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace zelu::regexp::internal {

// Options of every compiled pattern: code units, not UTF-16 (lone
// surrogates are ordinary units); an unset group's back reference matches
// the empty string; no \C; only line feed is a newline. IgnoreCase adds
// PCRE2_CASELESS, which, without UTF or UCP, folds the ASCII letters only.
constexpr std::uint32_t kCompileOptions =
    PCRE2_NEVER_UTF | PCRE2_NEVER_UCP | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_NEVER_BACKSLASH_C;

// The translator nests at most kMaxNesting groups, and may wrap each
// repeated item once more.
constexpr std::uint32_t kParensNestLimit = 2 * kMaxNesting + 10;

struct Engine::Pcre {
  pcre2_compile_context_16* compile_context = nullptr;
  pcre2_code_16* code = nullptr;
  pcre2_match_data_16* match_data = nullptr;
  pcre2_match_context_16* match_context = nullptr;
  pcre2_jit_stack_16* jit_stack = nullptr;
  bool jit = false;

  ~Pcre() {
    pcre2_jit_stack_free_16(jit_stack);
    pcre2_match_context_free_16(match_context);
    pcre2_match_data_free_16(match_data);
    pcre2_code_free_16(code);
    pcre2_compile_context_free_16(compile_context);
  }
};

Engine::Engine(std::u16string_view pattern, bool ignore_case, bool multiline) {
  const Translation translation = Translate(pattern, multiline);
  error_ = translation.error;
  if (error_ != PatternError::kNone) return;
  groups_ = translation.groups;
  pcre_ = std::make_unique<Pcre>();
  Pcre& p = *pcre_;
  p.compile_context = pcre2_compile_context_create_16(nullptr);
  pcre2_set_newline_16(p.compile_context, PCRE2_NEWLINE_LF);
  pcre2_set_parens_nest_limit_16(p.compile_context, kParensNestLimit);
  std::vector<PCRE2_UCHAR16> units(translation.pattern.begin(), translation.pattern.end());
  units.push_back(0);  // never a null pointer, even for the empty pattern
  int code_error = 0;
  PCRE2_SIZE error_offset = 0;
  p.code = pcre2_compile_16(units.data(), units.size() - 1, kCompileOptions | (ignore_case ? PCRE2_CASELESS : 0u),
                            &code_error, &error_offset, p.compile_context);
  if (p.code == nullptr) {  // the translation is well-formed: only PCRE2's size limits fail here
    error_ = PatternError::kTooLarge;
    return;
  }
  p.jit = pcre2_jit_compile_16(p.code, PCRE2_JIT_COMPLETE) == 0;
  p.match_data = pcre2_match_data_create_from_pattern_16(p.code, nullptr);
  p.match_context = pcre2_match_context_create_16(nullptr);
  pcre2_set_match_limit_16(p.match_context, kMatchLimit);
  pcre2_set_depth_limit_16(p.match_context, kDepthLimit);
}

Engine::~Engine() = default;

MatchStatus Engine::Match(const WCHAR* subject, std::size_t length, std::size_t start, Offsets& offsets) {
  Pcre& p = *pcre_;
  if (p.jit && p.jit_stack == nullptr) {  // made on first use; grows on demand up to its maximum
    p.jit_stack = pcre2_jit_stack_create_16(32 * 1024, kJitStackMax, nullptr);
    pcre2_jit_stack_assign_16(p.match_context, nullptr, p.jit_stack);
  }
  static_assert(sizeof(WCHAR) == sizeof(PCRE2_UCHAR16));
  const int rc = pcre2_match_16(p.code, subject, length, start, 0, p.match_data, p.match_context);
  if (rc == PCRE2_ERROR_NOMATCH) return MatchStatus::kNoMatch;
  if (rc < 0) return MatchStatus::kLimit;  // match, depth, heap or JIT stack limit
  const PCRE2_SIZE* vector = pcre2_get_ovector_pointer_16(p.match_data);
  const std::size_t pairs = static_cast<std::size_t>(groups_) + 1;
  offsets.resize(2 * pairs);
  for (std::size_t i = 0; i < 2 * pairs; ++i) {
    // Pairs past the highest group that took part are left unset by PCRE2.
    offsets[i] = i / 2 < static_cast<std::size_t>(rc) && vector[i] != PCRE2_UNSET ? vector[i] : kUnset;
  }
  return MatchStatus::kMatch;
}

}  // namespace zelu::regexp::internal
