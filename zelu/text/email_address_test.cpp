#include <zelu/text/email_address.h>

#include <stdexcept>
#include <ostream>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include <zelu/testing/trace_recorder.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::TraceRecorder;
using Kind = TraceRecorder::Kind;
using W = zelu::testing::WideText;

struct AddressCase {
  const char* name;
  std::u16string_view address;
  int valid;
  int exit_line;
  std::u16string_view user;
  std::u16string_view domain;
};

void PrintTo(const AddressCase& c, std::ostream* out) { *out << c.name; }

class EmailAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(EmailAddressTest, ValidityExitLineAndParts) {
  const AddressCase& c = GetParam();
  CEmailAddress address(W(c.address));
  TraceRecorder recorder;
  EXPECT_EQ(address.IsValid(), c.valid);
  const auto exits = recorder.Of(Kind::kExit);
  ASSERT_EQ(exits.size(), 1u) << "exactly one exit record";
  EXPECT_EQ(exits[0].exit.value, c.valid);
  EXPECT_EQ(exits[0].exit.second, 0);
  EXPECT_EQ(exits[0].exit.line, c.exit_line);
  EXPECT_EQ(exits[0].exit.flag, 1);
  EXPECT_EQ(address.GetUser().ToU16String(), c.user);
  EXPECT_EQ(address.GetDomain().ToU16String(), c.domain);
  // Copies answer the same, and the queries changed nothing.
  CEmailAddress copy(address);
  CEmailAddress assigned;
  assigned = address;
  for (CEmailAddress* other : {&copy, &assigned, &address}) {
    EXPECT_EQ(other->IsValid(), c.valid);
    EXPECT_EQ(other->GetUser().ToU16String(), c.user);
    EXPECT_EQ(other->GetDomain().ToU16String(), c.domain);
  }
}

const AddressCase kAddresses[] = {
    {"DomainNeedsNoDot", u"x@y", 1, 77, u"x", u"y"},
    {"Dotted", u"ann@mail.example.org", 1, 77, u"ann", u"mail.example.org"},
    {"Empty", u"", 0, 52, u"", u""},
    {"NoAtSign", u"xy", 0, 52, u"xy", u""},
    {"TwoAdjacentAtSigns", u"x@@y", 0, 52, u"x", u"@y"},
    {"TwoAtSigns", u"x@y@z", 0, 52, u"x", u"y@z"},
    {"AtSignAlone", u"@", 0, 58, u"", u""},
    {"EmptyUser", u"@y", 0, 58, u"", u"y"},
    {"EmptyDomain", u"x@", 0, 58, u"x", u""},
    {"LeadingDot", u"x@.y", 0, 67, u"x", u".y"},
    {"TrailingDot", u"x@y.", 0, 67, u"x", u"y."},
    {"TwoDots", u"x@y..z", 0, 67, u"x", u"y..z"},
    {"DotAlone", u"x@.", 0, 67, u"x", u"."},
    {"HyphensAndDigits", u"x@-y-.z9", 1, 77, u"x", u"-y-.z9"},
    {"Underscore", u"x@y_z", 0, 73, u"x", u"y_z"},
    {"Space", u"x@y z", 0, 73, u"x", u"y z"},
    {"BadCharacterInLastLabel", u"x@a.b.c!", 0, 73, u"x", u"a.b.c!"},
    // Labels are checked one after the other: the empty first label is found
    // before the bad character of the second, and the other way round.
    {"EmptyLabelBeforeBadCharacter", u"x@.y_", 0, 67, u"x", u".y_"},
    {"BadCharacterBeforeEmptyLabel", u"x@y_.", 0, 73, u"x", u"y_."},
    {"UserNotExamined", u"a b!#@y", 1, 77, u"a b!#", u"y"},
    {"CaseKept", u"Ann@Example.ORG", 1, 77, u"Ann", u"Example.ORG"},
    {"NonAsciiLetters", u"x@\u00e9t\u00e9.\u0434\u043e\u043c", 1, 77, u"x", u"\u00e9t\u00e9.\u0434\u043e\u043c"},
    // The runtime's letter test takes the digits of other scripts as letters;
    // combining marks and superscripts pass neither test.
    {"NonAsciiDigitPassesAsLetter", u"x@\u0661\uff10", 1, 77, u"x", u"\u0661\uff10"},
    {"CombiningMark", u"x@e\u0301", 0, 73, u"x", u"e\u0301"},
    {"Superscript", u"x@m\u00b2", 0, 73, u"x", u"m\u00b2"},
    {"SurrogatePairIsNotALetter", u"x@\U0001D400", 0, 73, u"x", u"\U0001D400"},
};

INSTANTIATE_TEST_SUITE_P(Table, EmailAddressTest, ::testing::ValuesIn(kAddresses),
                         [](const auto& row) { return std::string(row.param.name); });

struct QueryCase {
  const char* where;
  CString (CEmailAddress::*query)();
};

TEST(EmailAddressTraceTest, EachQueryOpensOneScopeWithItsLiterals) {
  const QueryCase queries[] = {
      {"ZELUSTRING EmailAddress:82 CEmailAddress::GetDomain", &CEmailAddress::GetDomain},
      {"ZELUSTRING EmailAddress:93 CEmailAddress::GetUser", &CEmailAddress::GetUser},
  };
  CEmailAddress address(W(u"a@b.c"));
  for (const QueryCase& query : queries) {
    TraceRecorder recorder;
    (address.*query.query)();
    const auto& events = recorder.events();
    ASSERT_EQ(events.size(), 2u) << query.where << ": entry and leave, no exit record";
    for (const auto& event : events) {
      EXPECT_EQ(event.Where(), query.where);
      EXPECT_EQ(event.log_file, nullptr);
    }
    EXPECT_EQ(events[0].kind, Kind::kEnter);
    EXPECT_EQ(events[1].kind, Kind::kLeave);
    EXPECT_EQ(events[1].exit.flag, 0);
    EXPECT_FALSE(events[1].unwinding);
  }
  TraceRecorder recorder;
  address.IsValid();
  const auto& events = recorder.events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, Kind::kEnter);
  EXPECT_EQ(events[0].Where(), "ZELUSTRING EmailAddress:47 CEmailAddress::IsValid");
  EXPECT_EQ(events[0].log_file, nullptr);
  EXPECT_EQ(events[1].kind, Kind::kExit);
  EXPECT_EQ(events[2].kind, Kind::kLeave);
  EXPECT_EQ(events[2].exit.line, 77);
}

// An exception that passes through IsValid (here raised by the sink while
// the exit is recorded) still closes the scope, flagged as unwinding.
class FailingExitSink : public TraceRecorder {
 public:
  void OnExit(const zelu::ScopeEntry& entry, const zelu::ScopeExit& exit) override {
    TraceRecorder::OnExit(entry, exit);
    throw std::runtime_error("failure inside the traced member");
  }
};

TEST(EmailAddressTraceTest, ScopeClosesWhenAnExceptionPassesThrough) {
  CEmailAddress address(W(u"x@y..z"));
  FailingExitSink sink;
  EXPECT_THROW(address.IsValid(), std::runtime_error);
  const auto leaves = sink.Of(Kind::kLeave);
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_TRUE(leaves[0].unwinding);
  EXPECT_EQ(leaves[0].function, "CEmailAddress::IsValid");
  EXPECT_EQ(leaves[0].exit.line, 67);
}

TEST(EmailAddressTest, NullAndDefaultAreEmptyAndOnlyTheDestructorIsVirtual) {
  CEmailAddress from_null(static_cast<const WCHAR*>(nullptr));
  CEmailAddress by_default;
  EXPECT_EQ(from_null.IsValid(), 0);
  EXPECT_TRUE(by_default.GetUser().IsEmpty());
  static_assert(std::has_virtual_destructor_v<CEmailAddress>);
  static_assert(sizeof(CEmailAddress) == sizeof(void*) + sizeof(CString), "a table pointer and the text");
}

TEST(EmailAddressTest, AssignmentReplacesTheTextAndReturnsTheTarget) {
  CEmailAddress target(W(u"old@x"));
  CEmailAddress& alias = target;
  EXPECT_EQ(&(target = CEmailAddress(W(u"new@y.z"))), &target);
  target = alias;
  EXPECT_EQ(target.GetDomain().ToU16String(), u"y.z");
}

}  // namespace
