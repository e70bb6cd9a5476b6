// The tokenizer on its own, against a plain model of its rules. The input is
// [mode][delimiter set] 0 [text]: the mode unit picks copy or in-place mode
// and, two bits a call, which set each NextToken call uses (the set, the
// empty set, or the set's first unit alone) and after which call a copy of
// the tokenizer is made. Every token, every count and the copy's tokens
// agree with the model; in place, the caller's text holds a zero where each
// token ended.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <zelu/testing/wide_text.h>
#include <zelu/text/str_token.h>

#include "fuzz_input.h"

namespace {

using zelu::fuzz::Check;
using zelu::testing::ToU16;
using zelu::testing::WideText;

// The rules, step by step: a token runs to the first unit of the set or to
// the end; a delimiter is used up with its token; nothing is left once the
// position reaches the end.
class Model {
 public:
  explicit Model(std::u16string text) : text_(std::move(text)) {}

  std::optional<std::u16string> Next(const std::u16string& set) {
    if (position_ == text_.size()) return std::nullopt;
    const std::size_t end = std::min(text_.find_first_of(set, position_), text_.size());
    std::u16string token = text_.substr(position_, end - position_);
    ends_.push_back(end);
    position_ = end == text_.size() ? end : end + 1;
    return token;
  }

  int Count(const std::u16string& set) const {
    Model copy(*this);
    int count = 0;
    while (copy.Next(set)) ++count;
    return count;
  }

  // Overlapping occurrences of `target` in what is left.
  int Occurrences(const std::u16string& target) const {
    if (target.empty()) return 0;
    int count = 0;
    for (std::size_t at = text_.find(target, position_); at != std::u16string::npos; at = text_.find(target, at + 1)) {
      ++count;
    }
    return count;
  }

  const std::vector<std::size_t>& ends() const { return ends_; }

 private:
  std::u16string text_;
  std::size_t position_ = 0;
  std::vector<std::size_t> ends_;  // where each token taken so far ended
};

void CheckToken(const WCHAR* token, const std::optional<std::u16string>& expected) {
  Check((token == nullptr) == !expected.has_value());
  if (token != nullptr) Check(ToU16(token) == *expected);
}

// Delimiter sets are short in practice; a long one only slows every step.
constexpr std::size_t kLongestSet = 32;

// Counting covers the whole rest of the text: after each of the first few
// calls only, so that long inputs stay linear.
constexpr int kCountedCalls = 8;

void CheckCounts(const CStrToken& tokens, const Model& model, const std::u16string& set) {
  Check(tokens.GetTokenCount(WideText(set)) == model.Count(set));
  Check(tokens.GetTargetCount(WideText(set)) == model.Occurrences(set));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > zelu::fuzz::kMaxInputBytes) return 0;
  const auto units = zelu::fuzz::TextFromBytes(data, size);
  const unsigned mode = units[0];
  const auto split = std::find(units.begin() + 1, units.end(), 0);
  const std::u16string set =
      (split == units.begin() + 1 ? std::u16string() : ToU16(&units[1])).substr(0, kLongestSet);
  const std::u16string source = split + 1 < units.end() ? ToU16(&*(split + 1)) : std::u16string();
  const std::u16string sets[3] = {set, std::u16string(), set.substr(0, 1)};

  const bool in_place = (mode & 1) != 0;
  WideText caller(source);
  CStrToken tokens = in_place ? CStrToken(caller.data(), false) : CStrToken(caller.c_str());
  Model model(source);
  const int copy_after = static_cast<int>((mode >> 1) & 7);
  std::optional<CStrToken> copy;
  std::optional<Model> copy_model;

  CheckCounts(tokens, model, set);
  CheckCounts(tokens, model, source.substr(source.size() / 2, 2));
  for (int call = 0;; ++call) {
    const std::u16string& which = sets[(mode >> (4 + 2 * (call % 6))) % 4 % 3];
    const std::optional<std::u16string> expected = model.Next(which);
    CheckToken(tokens.NextToken(WideText(which)), expected);
    if (!expected) break;
    if (call < kCountedCalls) CheckCounts(tokens, model, which);
    if (call == copy_after) {
      copy.emplace(tokens);
      copy_model.emplace(model);
    }
  }
  if (in_place) {  // the caller's text holds a zero where each token ended inside it
    std::u16string expected = source;
    for (const std::size_t end : model.ends()) {
      if (end < expected.size()) expected[end] = 0;
    }
    Check(ToU16(caller.c_str(), source.size()) == expected);
  }
  if (copy) {  // the copy goes on from where it was made, on a text of its own
    while (const std::optional<std::u16string> expected = copy_model->Next(set)) {
      CheckToken(copy->NextToken(WideText(set)), expected);
    }
    Check(copy->NextToken(WideText(set)) == nullptr);
  }
  return 0;
}
