// The pattern translator: a recursive-descent parser into a small tree, and
// the writer of the PCRE2 form.
#include <zelu/platform/regexp/internal/translator.h>

#include <array>
#include <utility>
#include <vector>

namespace zelu::regexp::internal {
namespace {

using Range = std::pair<char16_t, char16_t>;
using Ranges = std::vector<Range>;

constexpr unsigned kUnbounded = ~0u;

struct Node {
  enum class Kind {
    kSequence, kAlternation, kUnit, kClass, kDot, kStart, kEnd, kWordBoundary, kNotWordBoundary,
    kBackReference, kGroup, kNonCapturing, kLookahead, kNegativeLookahead, kRepeat,
  };
  Kind kind = Kind::kSequence;
  char16_t unit = 0;
  int number = 0;                  // back reference
  unsigned min = 0, max = 0;       // repetition; max kUnbounded for no limit
  bool lazy = false;
  bool negated = false;            // class
  Ranges ranges;                   // class
  std::vector<Node> children;
};

struct ParseFailure {
  PatternError error;
};

Node Leaf(Node::Kind kind) {
  Node node;
  node.kind = kind;
  return node;
}

Node Unit(char16_t unit) {
  Node node = Leaf(Node::Kind::kUnit);
  node.unit = unit;
  return node;
}

Node Class(Ranges ranges, bool negated) {
  Node node = Leaf(Node::Kind::kClass);
  node.ranges = std::move(ranges);
  node.negated = negated;
  return node;
}

// The units that \d, \w and \s stand for, and their complements.
Ranges Complement(const Ranges& sorted) {
  Ranges result;
  unsigned next = 0;
  for (const auto& [low, high] : sorted) {
    if (low > next) result.emplace_back(static_cast<char16_t>(next), static_cast<char16_t>(low - 1));
    next = high + 1u;
  }
  if (next <= 0xFFFF) result.emplace_back(static_cast<char16_t>(next), u'\xFFFF');
  return result;
}

Ranges EscapeSet(char16_t letter) {
  static const Ranges kDigit = {{u'0', u'9'}};
  static const Ranges kWord = {{u'0', u'9'}, {u'A', u'Z'}, {u'_', u'_'}, {u'a', u'z'}};
  static const Ranges kSpace = {{u'\t', u'\r'}, {u' ', u' '}};
  switch (letter) {
    case u'd': return kDigit;
    case u'D': return Complement(kDigit);
    case u'w': return kWord;
    case u'W': return Complement(kWord);
    case u's': return kSpace;
    default: return Complement(kSpace);
  }
}

bool IsSetEscape(char16_t c) {
  return c == u'd' || c == u'D' || c == u'w' || c == u'W' || c == u's' || c == u'S';
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsOctal(char16_t c) { return c >= u'0' && c <= u'7'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

int HexValue(char16_t c) {
  if (IsDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The control escapes that stand for one unit: \f \n \r \t \v.
int ControlEscape(char16_t c) {
  switch (c) {
    case u'f': return 0x0C;
    case u'n': return 0x0A;
    case u'r': return 0x0D;
    case u't': return 0x09;
    case u'v': return 0x0B;
    default: return -1;
  }
}

// One item of a class: a unit, or the set of a class escape.
struct ClassAtom {
  char16_t unit = 0;
  bool is_set = false;
  Ranges set;
};

class Parser {
 public:
  explicit Parser(std::u16string_view pattern) : pattern_(pattern) {}

  Node ParsePattern() {
    Node root = ParseDisjunction(0);
    if (!AtEnd()) throw ParseFailure{PatternError::kSyntax};  // a ) that closes nothing
    return root;
  }

  int groups() const { return groups_; }

 private:
  bool AtEnd() const { return pos_ >= pattern_.size(); }
  char16_t Peek(std::size_t ahead = 0) const {
    return pos_ + ahead < pattern_.size() ? pattern_[pos_ + ahead] : char16_t{0};
  }
  bool Has(std::size_t ahead) const { return pos_ + ahead < pattern_.size(); }

  Node ParseDisjunction(int depth) {
    Node first = ParseAlternative(depth);
    if (AtEnd() || Peek() != u'|') return first;
    Node alternation = Leaf(Node::Kind::kAlternation);
    alternation.children.push_back(std::move(first));
    while (!AtEnd() && Peek() == u'|') {
      ++pos_;
      alternation.children.push_back(ParseAlternative(depth));
    }
    return alternation;
  }

  Node ParseAlternative(int depth) {
    Node sequence = Leaf(Node::Kind::kSequence);
    while (!AtEnd() && Peek() != u'|' && Peek() != u')') sequence.children.push_back(ParseTerm(depth));
    return sequence;
  }

  Node ParseTerm(int depth) {
    const char16_t c = Peek();
    if (c == u'^' || c == u'$') {
      ++pos_;
      return Assertion(c == u'^' ? Node::Kind::kStart : Node::Kind::kEnd);
    }
    if (c == u'\\' && (Peek(1) == u'b' || Peek(1) == u'B')) {
      const bool boundary = Peek(1) == u'b';
      pos_ += 2;
      return Assertion(boundary ? Node::Kind::kWordBoundary : Node::Kind::kNotWordBoundary);
    }
    Node atom = ParseAtom(depth);
    return ParseQuantifier(std::move(atom));
  }

  // An assertion may not be repeated.
  Node Assertion(Node::Kind kind) {
    if (QuantifierLength() != 0) throw ParseFailure{PatternError::kQuantifier};
    return Leaf(kind);
  }

  Node ParseAtom(int depth) {
    const char16_t c = Peek();
    switch (c) {
      case u'(':
        return ParseGroup(depth);
      case u'[':
        return ParseClass();
      case u'.':
        ++pos_;
        return Leaf(Node::Kind::kDot);
      case u'\\':
        return ParseAtomEscape();
      case u'*':
      case u'+':
      case u'?':
        throw ParseFailure{PatternError::kQuantifier};
      case u'{':
        if (QuantifierLength() != 0) throw ParseFailure{PatternError::kQuantifier};
        break;
      default:
        break;
    }
    ++pos_;
    return Unit(c);
  }

  Node ParseGroup(int depth) {
    if (depth + 1 > kMaxNesting) throw ParseFailure{PatternError::kTooLarge};
    ++pos_;
    Node group = Leaf(Node::Kind::kGroup);
    if (Peek() == u'?') {
      const char16_t kind = Peek(1);
      if (kind == u':') group.kind = Node::Kind::kNonCapturing;
      else if (kind == u'=') group.kind = Node::Kind::kLookahead;
      else if (kind == u'!') group.kind = Node::Kind::kNegativeLookahead;
      else throw ParseFailure{PatternError::kSyntax};
      pos_ += 2;
    } else {
      group.number = ++groups_;
    }
    group.children.push_back(ParseDisjunction(depth + 1));
    if (AtEnd() || Peek() != u')') throw ParseFailure{PatternError::kParenthesis};
    ++pos_;
    return group;
  }

  // The length of a quantifier at the current place, 0 when there is none.
  std::size_t QuantifierLength() const {
    const char16_t c = Peek();
    if (AtEnd()) return 0;
    if (c == u'*' || c == u'+' || c == u'?') return 1;
    if (c != u'{') return 0;
    std::size_t i = 1;
    const std::size_t first_digit = i;
    while (IsDigit(Peek(i))) ++i;
    if (i == first_digit) return 0;
    if (Peek(i) == u',') {
      ++i;
      while (IsDigit(Peek(i))) ++i;
    }
    return Peek(i) == u'}' && Has(i) ? i + 1 : 0;
  }

  // Reads a decimal count, saturating above kMaxCount.
  unsigned ReadCount() {
    unsigned value = 0;
    while (IsDigit(Peek())) {
      value = value > kMaxCount ? value : value * 10 + static_cast<unsigned>(Peek() - u'0');
      ++pos_;
    }
    return value;
  }

  Node ParseQuantifier(Node atom) {
    const std::size_t length = QuantifierLength();
    if (length == 0) return atom;
    Node repeat = Leaf(Node::Kind::kRepeat);
    const char16_t c = Peek();
    if (c == u'{') {
      ++pos_;
      repeat.min = ReadCount();
      repeat.max = repeat.min;
      if (Peek() == u',') {
        ++pos_;
        repeat.max = IsDigit(Peek()) ? ReadCount() : kUnbounded;
      }
      ++pos_;  // the }
      if (repeat.min > kMaxCount || (repeat.max != kUnbounded && repeat.max > kMaxCount)) {
        throw ParseFailure{PatternError::kTooLarge};
      }
      if (repeat.min > repeat.max) throw ParseFailure{PatternError::kSyntax};
    } else {
      ++pos_;
      repeat.min = c == u'+' ? 1 : 0;
      repeat.max = c == u'?' ? 1 : kUnbounded;
    }
    if (Peek() == u'?' && !AtEnd()) {
      repeat.lazy = true;
      ++pos_;
    }
    repeat.children.push_back(std::move(atom));
    return repeat;
  }

  // After a backslash outside a class.
  Node ParseAtomEscape() {
    ++pos_;
    if (AtEnd()) throw ParseFailure{PatternError::kSyntax};
    const char16_t c = Peek();
    if (IsSetEscape(c)) {
      ++pos_;
      return Class(EscapeSet(c), false);
    }
    if (IsDigit(c) && c != u'0') {
      std::size_t i = 0;
      unsigned value = 0;
      while (IsDigit(Peek(i))) {
        value = value > 1000 ? value : value * 10 + static_cast<unsigned>(Peek(i) - u'0');
        ++i;
      }
      if (value <= static_cast<unsigned>(groups_)) {
        pos_ += i;
        Node reference = Leaf(Node::Kind::kBackReference);
        reference.number = static_cast<int>(value);
        return reference;
      }
    }
    return Unit(ReadUnitEscape(false));
  }

  // An escape that stands for one unit (outside or inside a class), from
  // the character after the backslash.
  char16_t ReadUnitEscape(bool in_class) {
    const char16_t c = Peek();
    ++pos_;
    if (const int control = ControlEscape(c); control >= 0) return static_cast<char16_t>(control);
    if (in_class && c == u'b') return u'\b';
    if (c == u'c' && IsLetter(Peek()) && !AtEnd()) return static_cast<char16_t>(pattern_[pos_++] % 32);
    if (c == u'x' || c == u'u') return ReadHex(c, c == u'x' ? 2 : 4);
    if (IsOctal(c)) return ReadOctal(c);
    return c;  // \8, \9 and every other character stand for themselves
  }

  char16_t ReadHex(char16_t letter, std::size_t digits) {
    unsigned value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
      const int digit = HexValue(Peek(i));
      if (digit < 0 || !Has(i)) return letter;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    pos_ += digits;
    return static_cast<char16_t>(value);
  }

  // A legacy octal escape: up to three octal digits, the third only when the
  // first two make less than 040, so the value stays at most 0377.
  char16_t ReadOctal(char16_t first) {
    unsigned value = static_cast<unsigned>(first - u'0');
    if (IsOctal(Peek()) && !AtEnd()) {
      value = value * 8 + static_cast<unsigned>(Peek() - u'0');
      ++pos_;
      if (value < 32 && IsOctal(Peek()) && !AtEnd()) {
        value = value * 8 + static_cast<unsigned>(Peek() - u'0');
        ++pos_;
      }
    }
    return static_cast<char16_t>(value);
  }

  Node ParseClass() {
    ++pos_;
    const bool negated = Peek() == u'^' && !AtEnd();
    if (negated) ++pos_;
    Ranges ranges;
    while (true) {
      if (AtEnd()) throw ParseFailure{PatternError::kBracket};
      if (Peek() == u']') break;
      ClassAtom low = ReadClassAtom();
      if (Peek() == u'-' && Has(1) && Peek(1) != u']') {
        ++pos_;
        ClassAtom high = ReadClassAtom();
        if (low.is_set || high.is_set) {
          AddAtom(low, ranges);
          ranges.emplace_back(u'-', u'-');
          AddAtom(high, ranges);
        } else if (low.unit > high.unit) {
          throw ParseFailure{PatternError::kRange};
        } else {
          ranges.emplace_back(low.unit, high.unit);
        }
      } else {
        AddAtom(low, ranges);
      }
    }
    ++pos_;
    return Class(std::move(ranges), negated);
  }

  static void AddAtom(const ClassAtom& atom, Ranges& ranges) {
    if (atom.is_set) {
      ranges.insert(ranges.end(), atom.set.begin(), atom.set.end());
    } else {
      ranges.emplace_back(atom.unit, atom.unit);
    }
  }

  ClassAtom ReadClassAtom() {
    ClassAtom atom;
    if (Peek() != u'\\') {
      atom.unit = Peek();
      ++pos_;
      return atom;
    }
    ++pos_;
    if (AtEnd()) throw ParseFailure{PatternError::kBracket};
    if (IsSetEscape(Peek())) {
      atom.is_set = true;
      atom.set = EscapeSet(Peek());
      ++pos_;
      return atom;
    }
    atom.unit = ReadUnitEscape(true);
    return atom;
  }

  std::u16string_view pattern_;
  std::size_t pos_ = 0;
  int groups_ = 0;
};

class Writer {
 public:
  explicit Writer(bool multiline) : multiline_(multiline) {}

  void Write(const Node& node) {
    switch (node.kind) {
      case Node::Kind::kSequence:
        for (const Node& child : node.children) Write(child);
        return;
      case Node::Kind::kAlternation:
        for (std::size_t i = 0; i < node.children.size(); ++i) {
          if (i != 0) out_ += u'|';
          Write(node.children[i]);
        }
        return;
      case Node::Kind::kUnit:
        WriteUnit(node.unit);
        return;
      case Node::Kind::kClass:
        WriteClass(node);
        return;
      case Node::Kind::kDot:
        out_ += u"[^\\x{a}]";
        return;
      case Node::Kind::kStart:
        out_ += multiline_ ? u"(?<![^\\x{a}\\x{d}])" : u"\\A";
        return;
      case Node::Kind::kEnd:
        out_ += multiline_ ? u"(?![^\\x{a}\\x{d}])" : u"\\z";
        return;
      case Node::Kind::kWordBoundary:
        out_ += u"\\b";
        return;
      case Node::Kind::kNotWordBoundary:
        out_ += u"\\B";
        return;
      case Node::Kind::kBackReference:
        out_ += u"\\g{" + Decimal(static_cast<unsigned>(node.number)) + u"}";
        return;
      case Node::Kind::kRepeat:
        WriteRepeat(node);
        return;
      default:
        WriteGroup(node);
        return;
    }
  }

  std::u16string Take() { return std::move(out_); }

 private:
  static std::u16string Decimal(unsigned value) {
    std::u16string digits;
    do {
      digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
      value /= 10;
    } while (value != 0);
    return digits;
  }

  void WriteUnit(char16_t unit) {
    static constexpr std::array<char16_t, 16> kHex = {u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7',
                                                      u'8', u'9', u'a', u'b', u'c', u'd', u'e', u'f'};
    out_ += u"\\x{";
    for (int shift = 12; shift >= 0; shift -= 4) out_ += kHex[(unit >> shift) & 0xF];
    out_ += u'}';
  }

  void WriteClass(const Node& node) {
    if (node.ranges.empty()) {  // [] matches nothing, [^] any unit
      out_ += node.negated ? u"[\\x{0}-\\x{ffff}]" : u"[^\\x{0}-\\x{ffff}]";
      return;
    }
    out_ += node.negated ? u"[^" : u"[";
    for (const auto& [low, high] : node.ranges) {
      WriteUnit(low);
      if (high != low) {
        out_ += u'-';
        WriteUnit(high);
      }
    }
    out_ += u']';
  }

  void WriteGroup(const Node& node) {
    switch (node.kind) {
      case Node::Kind::kGroup: out_ += u'('; break;
      case Node::Kind::kNonCapturing: out_ += u"(?:"; break;
      case Node::Kind::kLookahead: out_ += u"(?="; break;
      default: out_ += u"(?!"; break;
    }
    Write(node.children.front());
    out_ += u')';
  }

  void WriteRepeat(const Node& node) {
    const Node& child = node.children.front();
    const bool single = child.kind == Node::Kind::kUnit || child.kind == Node::Kind::kClass ||
                        child.kind == Node::Kind::kDot || child.kind == Node::Kind::kGroup ||
                        child.kind == Node::Kind::kNonCapturing || child.kind == Node::Kind::kBackReference;
    if (!single) out_ += u"(?:";
    Write(child);
    if (!single) out_ += u')';
    out_ += u'{' + Decimal(node.min);
    if (node.max != node.min) out_ += node.max == kUnbounded ? u"," : u"," + Decimal(node.max);
    out_ += u'}';
    if (node.lazy) out_ += u'?';
  }

  bool multiline_;
  std::u16string out_;
};

}  // namespace

Translation Translate(std::u16string_view pattern, bool multiline) {
  Translation result;
  try {
    Parser parser(pattern);
    const Node root = parser.ParsePattern();
    Writer writer(multiline);
    writer.Write(root);
    result.pattern = writer.Take();
    result.groups = parser.groups();
  } catch (const ParseFailure& failure) {
    result.error = failure.error;
  }
  return result;
}

}  // namespace zelu::regexp::internal
