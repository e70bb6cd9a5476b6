#include <zelu/text/email_address.h>

#include <stdexcept>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/case_name.h>
#include <zelu/testing/trace_recorder.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::TraceRecorder;
using W = zelu::testing::WideText;
using Events = std::vector<std::string>;

static_assert(std::has_virtual_destructor_v<CEmailAddress>);

struct AddressCase {  // the parts are GetUser and GetDomain
  std::string name; std::u16string_view address; int valid, exit_line; std::u16string_view user, domain;
};

void PrintTo(const AddressCase& c, std::ostream* out) { *out << c.name; }

class EmailAddressTest : public ::testing::TestWithParam<AddressCase> {};

// The answers and the trace of each query, on the address and on its copies.
TEST_P(EmailAddressTest, ValidityExitLineAndParts) {
  const AddressCase& c = GetParam();
  CEmailAddress address(W(c.address));
  CEmailAddress copy(address);
  CEmailAddress assigned(W(u"old@x"));
  EXPECT_EQ(&(assigned = address), &assigned);
  for (CEmailAddress* query : {&address, &copy, &assigned}) {
    TraceRecorder recorder;
    EXPECT_EQ(query->IsValid(), c.valid);
    EXPECT_EQ(query->GetUser().ToU16String(), c.user);
    EXPECT_EQ(query->GetDomain().ToU16String(), c.domain);
    const std::string exit = std::to_string(c.valid) + " 0 at " + std::to_string(c.exit_line);
    EXPECT_EQ(recorder.Lines(), (Events{"ZELUSTRING EmailAddress:47 CEmailAddress::IsValid", "exit " + exit + " flag 1",
                                        "leave CEmailAddress::IsValid after " + exit,
                                        "ZELUSTRING EmailAddress:93 CEmailAddress::GetUser",
                                        "leave CEmailAddress::GetUser",
                                        "ZELUSTRING EmailAddress:82 CEmailAddress::GetDomain",
                                        "leave CEmailAddress::GetDomain"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Table, EmailAddressTest, ::testing::ValuesIn(std::vector<AddressCase>{
    {"DomainNeedsNoDot", u"x@y", 1, 77, u"x", u"y"},
    {"Empty", u"", 0, 52, u"", u""},
    {"NoAtSign", u"xy", 0, 52, u"xy", u""},
    {"TwoAtSigns", u"x@y@z", 0, 52, u"x", u"y@z"},
    {"EmptyUser", u"@y", 0, 58, u"", u"y"},
    {"EmptyDomain", u"x@", 0, 58, u"x", u""},
    {"LeadingDot", u"x@.y", 0, 67, u"x", u".y"},
    {"TrailingDot", u"x@y.", 0, 67, u"x", u"y."},
    {"TwoDots", u"x@y..z", 0, 67, u"x", u"y..z"},
    {"HyphensAndDigits", u"x@-y-.z9", 1, 77, u"x", u"-y-.z9"},
    {"Underscore", u"x@y_z", 0, 73, u"x", u"y_z"},
    {"BadCharacterInLastLabel", u"x@a.b.c!", 0, 73, u"x", u"a.b.c!"},
    // Labels are checked one after the other: the empty first label is found
    // before the bad character of the second, and the other way round.
    {"EmptyLabelBeforeBadCharacter", u"x@.y_", 0, 67, u"x", u".y_"},
    {"BadCharacterBeforeEmptyLabel", u"x@y_.", 0, 73, u"x", u"y_."},
    {"UserNotExamined", u"a b!#@y", 1, 77, u"a b!#", u"y"},
    {"NonAsciiLetters", u"x@\u00e9t\u00e9.\u0434\u043e\u043c", 1, 77, u"x", u"\u00e9t\u00e9.\u0434\u043e\u043c"},
    // The letter test takes the digits of other scripts as letters; combining
    // marks and surrogate units pass neither test.
    {"NonAsciiDigitPassesAsLetter", u"x@\u0661\uff10", 1, 77, u"x", u"\u0661\uff10"},
    {"CombiningMark", u"x@e\u0301", 0, 73, u"x", u"e\u0301"},
    {"SurrogatePairIsNotALetter", u"x@\U0001D400", 0, 73, u"x", u"\U0001D400"},
}), zelu::testing::CaseName());

TEST(EmailAddressTest, NullAndDefaultAreEmpty) {
  EXPECT_EQ(CEmailAddress(static_cast<const WCHAR*>(nullptr)).GetDomain().ToU16String(), u"");
  EXPECT_EQ(CEmailAddress().GetUser().ToU16String(), u"");
}

// An exception that passes through IsValid (here raised by the sink while
// the exit is recorded) still closes the scope, flagged as unwinding.
struct FailingExitSink : TraceRecorder {
  void OnExit(const zelu::ScopeEntry& entry, const zelu::ScopeExit& exit) override {
    TraceRecorder::OnExit(entry, exit);
    throw std::runtime_error("failure inside the traced member");
  }
};

TEST(EmailAddressTraceTest, ScopeClosesWhenAnExceptionPassesThrough) {
  FailingExitSink sink;
  EXPECT_THROW(CEmailAddress(W(u"x@y..z")).IsValid(), std::runtime_error);
  EXPECT_EQ(sink.Lines(), (Events{"ZELUSTRING EmailAddress:47 CEmailAddress::IsValid", "exit 0 0 at 67 flag 1",
                                  "leave CEmailAddress::IsValid (exception) after 0 0 at 67"}));
}

}  // namespace
