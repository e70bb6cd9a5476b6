// The regular-expression object against vectors written by Node.js's RegExp
// (testdata/generate_vectors.js, run by hand; the committed vectors.txt is
// all this test needs).
//
// Every "V" record must come out the same: matches, indexes, sub-matches and
// the replaced text. Every "E" pattern must fail with one of the dialect's
// pattern errors. Each "K" record is a documented difference between this
// object's dialect and the later one that Node implements, and must still
// differ from Node's result that follows it (an "N" record):
//   * captures of a repeated group are kept from earlier repetitions, and a
//     repetition that matches empty is taken (the dialect clears and rejects
//     them); these two cannot be expressed in PCRE2;
//   * \N with fewer than N groups opened before it is an octal escape, even
//     when a group opens later;
//   * \c before a non-letter is a plain "c";
//   * "." and the multi-line anchors know only line feed and carriage return
//     as line ends;
//   * IgnoreCase folds ASCII letters only; \s is ASCII white space only.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/dispatch/dispatch_driver.h>
#include <zelu/platform/regexp/regexp.h>
#include <zelu/platform/regexp/regexp_test_driver.h>

namespace {

using zelu::testing::Escape;
using zelu::testing::RegExpDriver;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, '\t')) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

// The units of an escaped text (printable ASCII as is, \uXXXX otherwise).
std::vector<WCHAR> Unescape(const std::string& text) {
  std::vector<WCHAR> units;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 5 < text.size() && text[i + 1] == 'u') {
      units.push_back(static_cast<WCHAR>(std::stoul(text.substr(i + 2, 4), nullptr, 16)));
      i += 5;
    } else {
      units.push_back(static_cast<WCHAR>(static_cast<unsigned char>(text[i])));
    }
  }
  units.push_back(0);
  return units;
}

class Object : public RegExpDriver {
 public:
  Object(const std::string& flags, const std::string& pattern) : RegExpDriver(flags) {
    SetPattern(Unescape(pattern).data());
  }

  // The object's answer in the vectors' form, from the replaced text on:
  // replaced, groups, count, then index, value and sub-matches per match.
  std::string Answer(const std::string& subject, const std::string& replacement, const std::string& groups) {
    const CString replaced = Replace(Unescape(subject).data(), Unescape(replacement).data());
    const auto reports = zelu::testing::ReadMatches(Execute(Unescape(subject).data()));
    std::string matches, group_count = reports.empty() ? groups : std::to_string(reports[0].groups.size());
    for (const auto& match : reports) {
      matches += "\t" + std::to_string(match.index) + "\t" + match.value;
      for (const std::string& group : match.groups) matches += "\t" + group;
    }
    return Escape(replaced) + "\t" + group_count + "\t" + std::to_string(reports.size()) + matches;
  }
};

std::string Tail(const std::vector<std::string>& fields, std::size_t from) {
  std::string out;
  for (std::size_t i = from; i < fields.size(); ++i) out += (i == from ? "" : "\t") + fields[i];
  return out;
}

std::string Flags(const std::string& field) { return field == "-" ? "" : field; }

// Our answer for a "V" or "N" record, or "error N" when the object throws.
std::string Answer(const std::vector<std::string>& fields) {
  try {
    Object object(Flags(fields[1]), fields[2]);
    return object.Answer(fields[3], fields[4], fields[6]);
  } catch (COleDispatchException* e) {
    const std::string text = "error " + std::to_string(e->m_scError & 0xFFFF);
    e->Delete();
    return text;
  }
}

TEST(RegExpDifferentialTest, AgreesWithTheVectors) {
  std::ifstream file(ZELU_REGEXP_VECTORS);
  ASSERT_TRUE(file.is_open()) << ZELU_REGEXP_VECTORS;
  std::string line, known;
  int same = 0, refused = 0, documented = 0, differences = 0;
  while (std::getline(file, line)) {
    const std::vector<std::string> fields = Fields(line);
    ASSERT_FALSE(fields.empty());
    if (fields[0] == "V") {
      const std::string expected = Tail(fields, 5);
      const std::string actual = Answer(fields);
      if (actual == expected) {
        ++same;
      } else {
        ++differences;
        ADD_FAILURE() << line << "\n  ours: " << actual;
      }
    } else if (fields[0] == "E") {
      try {
        Object object("", fields[2]);
        object.Test(Unescape("").data());
        ADD_FAILURE() << "accepted: " << fields[2];
      } catch (COleDispatchException* e) {
        const int number = e->m_scError & 0xFFFF;
        EXPECT_TRUE(number >= 5017 && number <= 5021) << fields[2] << ": " << number;
        e->Delete();
        ++refused;
      }
    } else if (fields[0] == "K") {
      known = fields[1];
    } else if (fields[0] == "N") {
      EXPECT_NE(Answer(fields), Tail(fields, 5)) << known << " no longer differs";
      ++documented;
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_GE(same, 2000);
  EXPECT_GT(refused, 20);
  EXPECT_EQ(documented, 10);
  RecordProperty("same", same);
  std::printf("vectors: %d the same, %d refused alike, %d documented differences, %d other differences\n", same,
              refused, documented, differences);
}

}  // namespace
