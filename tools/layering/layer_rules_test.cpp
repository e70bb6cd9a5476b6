#include "layer_rules.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace zelu::layering {
namespace {

// A small library that keeps every rule, the one family exception (an
// e-mail address uses the tokenizer) included.
constexpr const char* kManifest = R"(unit base zelu/platform/base
depends base
file base header zelu/platform/base/types.h
unit cstring zelu/platform/cstring
depends cstring base
file cstring header zelu/platform/cstring/cstring.h
file cstring internal zelu/platform/cstring/internal/format.h
file cstring source zelu/platform/cstring/cstring.cpp
unit str_token zelu/text
depends str_token base cstring
file str_token header zelu/text/str_token.h
file str_token test zelu/text/str_token_test.cpp
unit email_address zelu/text
depends email_address cstring str_token
file email_address header zelu/text/email_address.h
unit base64 zelu/encoding
depends base64 cstring
file base64 header zelu/encoding/base64.h
file base64 source zelu/encoding/base64.cpp
unit testing zelu/testing
depends testing base
file testing internal zelu/testing/wide_text.h
)";

using Files = std::map<std::string, std::string>;

Files CleanFiles() {
  return {
      {"zelu/platform/base/types.h", "#pragma once\n"},
      {"zelu/platform/cstring/cstring.h", "#include <zelu/platform/base/types.h>\n"},
      {"zelu/platform/cstring/internal/format.h", "#include <zelu/platform/base/types.h>\n"},
      {"zelu/platform/cstring/cstring.cpp", "#include <zelu/platform/cstring/internal/format.h>\n"},
      {"zelu/text/str_token.h", "#include <zelu/platform/cstring/cstring.h>\n"},
      {"zelu/text/str_token_test.cpp", "#include <zelu/testing/wide_text.h>\n#include <zelu/text/str_token.h>\n"},
      {"zelu/text/email_address.h", "#include <zelu/text/str_token.h>\n"},
      {"zelu/encoding/base64.h", "#include <zelu/platform/cstring/cstring.h>\n"},
      {"zelu/encoding/base64.cpp", "#include \"zelu/encoding/base64.h\"\n"},
      {"zelu/testing/wide_text.h", "#include <zelu/platform/base/types.h>\n"},
      {"tools/zelu/main.cpp", "#include <zelu/encoding/base64.h>\n"},
  };
}

std::vector<std::string> Check(const std::string& manifest_text, const Files& files) {
  std::vector<std::string> errors;
  const Manifest manifest = ParseManifest(manifest_text, errors);
  std::vector<std::string> paths;
  for (const auto& entry : files) paths.push_back(entry.first);
  const auto faults = CheckLayers(manifest, paths, [&](const std::string& path) -> std::optional<std::string> {
    const auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
  });
  errors.insert(errors.end(), faults.begin(), faults.end());
  return errors;
}

TEST(LayerRules, CleanTreePasses) { EXPECT_EQ(Check(kManifest, CleanFiles()), std::vector<std::string>{}); }

struct BrokenCase {
  const char* name;
  const char* extra_manifest;  // appended to kManifest
  const char* path;            // file whose text is replaced (or added)
  const char* text;
  const char* expected;        // part of the one fault reported
};

class BrokenLayers : public testing::TestWithParam<BrokenCase> {};

// A broken rule may break others with it (an upward include also closes a
// cycle); the fault of the row must be among those reported.
TEST_P(BrokenLayers, ReportsTheFault) {
  const BrokenCase& broken = GetParam();
  Files files = CleanFiles();
  if (*broken.path != '\0') files[broken.path] = broken.text;
  const auto errors = Check(std::string(kManifest) + broken.extra_manifest, files);
  EXPECT_TRUE(std::any_of(errors.begin(), errors.end(),
                          [&](const std::string& error) { return error.find(broken.expected) != std::string::npos; }))
      << testing::PrintToString(errors);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BrokenLayers,
    testing::Values(
        BrokenCase{"PlatformIncludesFamily", "depends cstring base64\n", "zelu/platform/cstring/cstring.h",
                   "#include <zelu/encoding/base64.h>\n", "(platform) may not depend on base64 (family)"},
        BrokenCase{"FamilyIncludesFamily", "depends base64 str_token\n", "zelu/encoding/base64.h",
                   "#include <zelu/text/str_token.h>\n", "(family) may not depend on str_token (family)"},
        BrokenCase{"UndeclaredDependency", "", "zelu/text/str_token.h", "#include <zelu/encoding/base64.h>\n",
                   "not in the DEPENDS of unit str_token"},
        BrokenCase{"OtherUnitsInternalHeader", "depends base64 cstring\n", "zelu/encoding/base64.cpp",
                   "#include <zelu/platform/cstring/internal/format.h>\n", "private to unit cstring"},
        BrokenCase{"PublicHeaderIncludesInternal", "", "zelu/platform/cstring/cstring.h",
                   "#include <zelu/platform/cstring/internal/format.h>\n", "a public header includes"},
        BrokenCase{"LibraryDependsOnTesting", "depends base64 testing\n", "", "", "may not depend on testing"},
        BrokenCase{"BaseDependsOnSomething", "depends base cstring\n", "zelu/platform/base/types.h",
                   "#include <zelu/platform/cstring/cstring.h>\n", "base depends on nothing"},
        BrokenCase{"UnitCycle", "unit win32 zelu/platform/win32\ndepends win32 cstring\ndepends cstring win32\n", "",
                   "", "units depend on each other in a cycle"},
        BrokenCase{"UndeclaredFile", "", "zelu/text/stray.cpp", "int x;\n", "not declared by any unit"},
        BrokenCase{"UnknownInclude", "", "zelu/text/str_token.h", "#include <zelu/text/nowhere.h>\n",
                   "which no unit declares"},
        BrokenCase{"ToolIncludesInternal", "", "tools/zelu/main.cpp",
                   "#include <zelu/platform/cstring/internal/format.h>\n", "not a public header"},
        BrokenCase{"TestReachesUnrelatedUnit", "file str_token test zelu/text/str_token_test.cpp\n",
                   "zelu/text/str_token_test.cpp", "#include <zelu/encoding/base64.h>\n", "does not reach"},
        BrokenCase{"MissingDeclaredFile", "file base64 source zelu/encoding/gone.cpp\n", "", "",
                   "declared by unit base64 but missing"}),
    [](const testing::TestParamInfo<BrokenCase>& row) { return std::string(row.param.name); });

// Two units in one folder can make a folder cycle that no unit cycle shows.
TEST(LayerRules, FindsCyclesBetweenFolders) {
  Files files = CleanFiles();
  files["zelu/platform/win32/cp.h"] = "#include <zelu/platform/cstring/cstring.h>\n";
  files["zelu/platform/cstring/lower.h"] = "#include <zelu/platform/win32/cp.h>\n";
  const auto errors = Check(std::string(kManifest) +
                                "unit win32 zelu/platform/win32\ndepends win32 cstring\n"
                                "file win32 header zelu/platform/win32/cp.h\n"
                                "unit lower zelu/platform/cstring\ndepends lower win32\n"
                                "file lower header zelu/platform/cstring/lower.h\n",
                            files);
  ASSERT_EQ(errors.size(), 1u) << testing::PrintToString(errors);
  EXPECT_NE(errors[0].find("folders include each other in a cycle"), std::string::npos) << errors[0];
}

TEST(LayerRules, ReadsBothIncludeForms) {
  EXPECT_EQ(IncludedPaths("#include <zelu/a.h>\n  #  include \"zelu/b/c.h\"\n#include <vector>\n// #include <zelu/x.h>\n"),
            (std::vector<std::string>{"zelu/a.h", "zelu/b/c.h"}));
}

}  // namespace
}  // namespace zelu::layering
