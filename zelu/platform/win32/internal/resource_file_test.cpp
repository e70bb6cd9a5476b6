#include <zelu/platform/win32/internal/resource_file.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/resource_fixtures.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ReadResourceFixture;
using zelu::testing::ToU16;
using zelu::win32::StringModule;
using zelu::win32::internal::ReadStringResources;
using Bytes = std::vector<std::uint8_t>;

// Strings read with LoadStringW; nullopt when the module lacks the id.
std::optional<std::u16string> Text(const StringModule& module, UINT id) {
  const WCHAR* text = nullptr;
  const int length = LoadStringW(module.handle(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length == 0) return std::nullopt;
  return ToU16(text, static_cast<std::size_t>(length));
}

std::optional<StringModule> Read(const Bytes& bytes) { return ReadStringResources(bytes); }

std::uint32_t Get16(const Bytes& file, std::size_t at) { return file[at] | std::uint32_t{file[at + 1]} << 8; }
std::uint32_t Get32(const Bytes& file, std::size_t at) { return Get16(file, at) | Get16(file, at + 2) << 16; }
void Put16(Bytes& file, std::size_t at, std::uint32_t value) {
  file[at] = static_cast<std::uint8_t>(value);
  file[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(Bytes& file, std::size_t at, std::uint32_t value) {
  Put16(file, at, value & 0xFFFF);
  Put16(file, at + 2, value >> 16);
}

const std::u16string kLong = [] {
  std::u16string text;
  while (text.size() < 2000) text += u"0123456789";
  return text;
}();

struct Expected {
  UINT id;
  std::optional<std::u16string> text;
};

const std::vector<Expected> kStrings = {
    {0, u"zero"}, {1, std::nullopt}, {14, std::nullopt}, {15, u"fifteen: last of bundle 1"},
    {16, u"sixteen: first of bundle 2"}, {17, std::nullopt} /* empty in the .rc */,
    {31, u"caf\u00e9 \U0001F600"}, {32, std::nullopt}, {200, kLong}, {4094, std::nullopt},
    {4095, u"4095: last of bundle 256"}, {65535, u"65535: the last id"}, {65536, std::nullopt},
};
// Bundle 1 in German and US English: the US English bundle, which lacks 2.
// Bundle 2 in US English and neutral: neutral. Bundle 3 in German and
// French: the lower id, German. Bundle 4 in French only.
const std::vector<Expected> kLanguages = {
    {1, u"one"}, {2, std::nullopt}, {17, u"two (neutral)"}, {33, u"drei"}, {49, u"quatre"}, {50, std::nullopt},
};

struct Fixture {
  const char* name;
  const std::vector<Expected>* strings;
};
const Fixture kFixtures[] = {
    {"strings_pe32.dll", &kStrings},     {"strings_pe64.dll", &kStrings},     {"strings.res", &kStrings},
    {"languages_pe32.dll", &kLanguages}, {"languages_pe64.dll", &kLanguages}, {"languages.res", &kLanguages},
};

bool IsResFile(const std::string& name) { return name.ends_with(".res"); }

TEST(ResourceFileTest, ReadsEveryFixture) {
  for (const Fixture& fixture : kFixtures) {
    const std::optional<StringModule> module = Read(ReadResourceFixture(fixture.name));
    ASSERT_TRUE(module) << fixture.name;
    for (const Expected& row : *fixture.strings) {
      EXPECT_EQ(Text(*module, row.id), row.text) << fixture.name << " id " << row.id;
    }
  }
}

// Where each entry of a .res file ends (the file is a run of entries, each
// padded to 4 bytes): the only lengths at which a cut file is whole.
std::vector<std::size_t> ResEntryEnds(const Bytes& file) {
  const auto size = [&](std::size_t at) { return std::size_t{Get32(file, at)} + Get32(file, at + 4); };
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; at < file.size(); at = ends.back()) ends.push_back((at + size(at) + 3) & ~std::size_t{3});
  return ends;
}

// Every prefix of every fixture: an image cut anywhere fails (its sections
// no longer fit); a .res file cut between two entries is a smaller .res
// file (holding, when it has one language, a part of the whole one's
// strings), and cut anywhere else fails. Each prefix is its own allocation, so a read past it is caught.
TEST(ResourceFileTest, EveryPrefixFailsUnlessItIsWholeEntries) {
  for (const Fixture& fixture : kFixtures) {
    const Bytes whole = ReadResourceFixture(fixture.name);
    const std::vector<std::size_t> ends = IsResFile(fixture.name) ? ResEntryEnds(whole) : std::vector<std::size_t>{};
    std::size_t whole_prefixes = 0;
    for (std::size_t length = 0; length < whole.size(); ++length) {
      const std::optional<StringModule> module = Read(Bytes(whole.data(), whole.data() + length));
      const bool between_entries = std::find(ends.begin(), ends.end(), length) != ends.end();
      ASSERT_EQ(module.has_value(), between_entries) << fixture.name << " cut at " << length;
      if (!module) continue;
      ++whole_prefixes;
      if (fixture.strings != &kStrings) continue;  // a cut may leave a bundle in another language
      for (const Expected& row : *fixture.strings) {
        const std::optional<std::u16string> text = Text(*module, row.id);
        if (text) {
          EXPECT_EQ(text, row.text) << fixture.name << " cut at " << length << " id " << row.id;
        }
      }
    }
    EXPECT_EQ(whole_prefixes, ends.empty() ? 0 : ends.size() - 1) << fixture.name;
  }
}

// --- Damaged images ---


// Where the fields of a fixture image are (file offsets), found the plain
// way: the headers, the resource section, and the first entry at each level
// of the resource directory.
struct Layout {
  explicit Layout(const Bytes& file) {
    pe = Get32(file, 0x3C);
    optional = pe + 24;
    const bool plus = Get16(file, optional) == 0x20B;
    directories = optional + (plus ? 112 : 96);
    sections = optional + Get16(file, pe + 20);
    const std::uint32_t resource_address = Get32(file, directories + 16);
    for (rsrc_section = sections; Get32(file, rsrc_section + 12) != resource_address;) rsrc_section += 40;
    tree = Get32(file, rsrc_section + 20);
    type_entry = tree + 16;
    name_directory = tree + (Get32(file, type_entry + 4) & 0x7FFFFFFF);
    name_entry = name_directory + 16;
    language_directory = tree + (Get32(file, name_entry + 4) & 0x7FFFFFFF);
    language_entry = language_directory + 16;
    data_entry = tree + Get32(file, language_entry + 4);
    data = Get32(file, data_entry) - resource_address + tree;
  }
  std::size_t pe, optional, directories, sections, rsrc_section, tree;
  std::size_t type_entry, name_directory, name_entry, language_directory, language_entry, data_entry, data;
};

// A damaged file either fails or loads without bundle 1 (string 0), with or
// without bundle 2 (string 16).
void ExpectDamageSeen(const Bytes& file, bool loads, bool has_16, const std::string& what) {
  const std::optional<StringModule> module = Read(file);
  ASSERT_EQ(module.has_value(), loads) << what;
  if (!module) return;
  EXPECT_EQ(Text(*module, 16).has_value(), has_16) << what;
  for (const UINT id : {0u, 0xFFFFFFF0u}) {
    EXPECT_FALSE(Text(*module, id).has_value()) << what << ": bundle 1 is gone, not moved to " << id;
  }
}

struct ImageDamage {
  const char* what;
  std::function<void(Bytes&, const Layout&)> apply;
  bool loads, has_16;
};

const ImageDamage kImageDamage[] = {
    {"not MZ", [](Bytes& f, const Layout&) { f[0] = 'X'; }, false, false},
    {"PE header past the end", [](Bytes& f, const Layout&) { Put32(f, 0x3C, static_cast<std::uint32_t>(f.size())); }, false, false},
    {"PE header offset wraps", [](Bytes& f, const Layout&) { Put32(f, 0x3C, 0xFFFFFFFE); }, false, false},
    {"no PE signature", [](Bytes& f, const Layout& l) { f[l.pe] = 'X'; }, false, false},
    {"optional header past the end", [](Bytes& f, const Layout& l) { Put16(f, l.pe + 20, 0xFFFF); }, false, false},
    {"optional header too short", [](Bytes& f, const Layout& l) { Put16(f, l.pe + 20, 0x60); }, false, false},
    {"unknown optional magic", [](Bytes& f, const Layout& l) { Put16(f, l.optional, 0x107); }, false, false},
    {"absurd directory count", [](Bytes& f, const Layout& l) { Put32(f, l.directories - 4, 0xFFFFFFFF); }, false, false},
    {"no resource directory entry", [](Bytes& f, const Layout& l) { Put32(f, l.directories - 4, 2); }, true, false},
    {"empty resource directory entry", [](Bytes& f, const Layout& l) { Put32(f, l.directories + 16, 0); Put32(f, l.directories + 20, 0); }, true, false},
    {"resource directory too large", [](Bytes& f, const Layout& l) { Put32(f, l.directories + 20, 0xFFFFFFFF); }, false, false},
    {"resource directory outside sections", [](Bytes& f, const Layout& l) { Put32(f, l.directories + 16, 0xFFFFF000); }, false, false},
    {"absurd section count", [](Bytes& f, const Layout& l) { Put16(f, l.pe + 6, 0xFFFF); }, false, false},
    {"section data past the end", [](Bytes& f, const Layout& l) { Put32(f, l.rsrc_section + 20, 0xFFFFFF00); }, false, false},
    {"section data too large", [](Bytes& f, const Layout& l) { Put32(f, l.rsrc_section + 16, 0xFFFFFFFF); }, false, false},
    {"sections out of order", [](Bytes& f, const Layout& l) { Put32(f, l.rsrc_section + 12, 0); }, false, false},
    {"absurd id entry count", [](Bytes& f, const Layout& l) { Put16(f, l.tree + 14, 0xFFFF); }, false, false},
    {"absurd named entry count", [](Bytes& f, const Layout& l) { Put16(f, l.tree + 12, 0xFFFF); }, false, false},
    {"type directory is the root", [](Bytes& f, const Layout& l) { Put32(f, l.type_entry + 4, 0x80000000); }, false, false},
    {"name directory is the root", [](Bytes& f, const Layout& l) { Put32(f, l.name_entry + 4, 0x80000000); }, false, false},
    {"name directory is itself", [](Bytes& f, const Layout& l) {
       Put32(f, l.name_entry + 4, 0x80000000 | static_cast<std::uint32_t>(l.name_directory - l.tree)); }, false, false},
    {"type entry is data", [](Bytes& f, const Layout& l) { Put32(f, l.type_entry + 4, Get32(f, l.type_entry + 4) & 0x7FFFFFFF); }, false, false},
    {"language entry is a directory", [](Bytes& f, const Layout& l) { Put32(f, l.language_entry + 4, 0x80000000); }, false, false},
    {"language entry past the tree", [](Bytes& f, const Layout& l) { Put32(f, l.language_entry + 4, 0x7FFFFFF0); }, false, false},
    {"subdirectory past the tree", [](Bytes& f, const Layout& l) { Put32(f, l.type_entry + 4, 0xFFFFFFF0); }, false, false},
    {"data outside sections", [](Bytes& f, const Layout& l) { Put32(f, l.data_entry, 0xFFFFFFF0); }, false, false},
    {"data too large", [](Bytes& f, const Layout& l) { Put32(f, l.data_entry + 4, 0xFFFFFFFF); }, false, false},
    {"data cut inside a bundle", [](Bytes& f, const Layout& l) { Put32(f, l.data_entry + 4, 2); }, false, false},
    {"string count past the data", [](Bytes& f, const Layout& l) { Put16(f, l.data, 0xFFFF); }, false, false},
    {"no string tables", [](Bytes& f, const Layout& l) { Put32(f, l.type_entry, 7); }, true, false},
    {"bundle 0 is skipped", [](Bytes& f, const Layout& l) { Put32(f, l.name_entry, 0); }, true, true},
    {"named bundle is skipped", [](Bytes& f, const Layout& l) { Put32(f, l.name_entry, 0x80000000); }, true, true},
    {"named language is skipped", [](Bytes& f, const Layout& l) { Put32(f, l.language_entry, 0x80000000); }, true, true},
};

TEST(ResourceFileTest, DamagedImagesFailCleanly) {
  for (const char* name : {"strings_pe32.dll", "strings_pe64.dll"}) {
    const Bytes whole = ReadResourceFixture(name);
    const Layout layout(whole);
    for (const ImageDamage& damage : kImageDamage) {
      Bytes file = whole;
      damage.apply(file, layout);
      ExpectDamageSeen(file, damage.loads, damage.has_16, std::string(name) + ": " + damage.what);
    }
  }
}

// Directories that share their entries: a name directory of `names`
// entries, all pointing at one language directory of `languages` entries,
// all pointing at the data of bundle 1, written over the long string's
// units. Sharing is read while the entries visited fit in the tree (one per
// 8 bytes) and the bundles taken fit in the file; beyond, the file fails
// rather than multiplying the work.
TEST(ResourceFileTest, SharedDirectoriesAreBoundedByTheFileSize) {
  const struct { std::uint32_t names, languages; bool loads; } rows[] = {
      {8, 8, true}, {20, 20, true}, {20, 40, false} /* 821 entries visited in a tree of 4,760 bytes */,
      {64, 1, true}, {100, 1, false} /* 100 bundles of 90 bytes: more than the file */,
  };
  for (const char* name : {"strings_pe32.dll", "strings_pe64.dll"}) {
    const Bytes whole = ReadResourceFixture(name);
    const Layout layout(whole);
    const std::uint32_t bundle_1 = Get32(whole, layout.language_entry + 4);
    const Bytes digits = {'0', 0, '1', 0, '2', 0, '3', 0, '4', 0, '5', 0, '6', 0, '7', 0, '8', 0, '9', 0};
    const std::size_t area = static_cast<std::size_t>(
        (std::search(whole.begin(), whole.end(), digits.begin(), digits.end()) - whole.begin() + 3) & ~3);
    for (const auto& row : rows) {
      Bytes file = whole;
      const std::size_t names = area, languages = names + 16 + 8 * row.names;
      Put32(file, layout.type_entry + 4, 0x80000000 | static_cast<std::uint32_t>(names - layout.tree));
      std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(names), 16, 0);
      std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(languages), 16, 0);
      Put16(file, names + 14, row.names);
      Put16(file, languages + 14, row.languages);
      for (std::uint32_t i = 0; i < row.names; ++i) {
        Put32(file, names + 16 + 8 * i, i + 1);
        Put32(file, names + 20 + 8 * i, 0x80000000 | static_cast<std::uint32_t>(languages - layout.tree));
      }
      for (std::uint32_t i = 0; i < row.languages; ++i) {
        Put32(file, languages + 16 + 8 * i, i);
        Put32(file, languages + 20 + 8 * i, bundle_1);
      }
      const std::optional<StringModule> module = Read(file);
      ASSERT_EQ(module.has_value(), row.loads) << name << " " << row.names << " x " << row.languages;
      if (module) {
        EXPECT_EQ(Text(*module, 16 * (row.names - 1)), u"zero") << name << " " << row.names;
      }
    }
  }
}

// --- Damaged .res files ---

// The first string table entry of strings.res follows the opening entry.
constexpr std::size_t kFirst = 32;

struct ResDamage {
  const char* what;
  std::function<void(Bytes&)> apply;
  bool loads, has_16;
};

const ResDamage kResDamage[] = {
    {"not the opening entry", [](Bytes& f) { f[4] = 0x24; }, false, false},
    {"data size wraps", [](Bytes& f) { Put32(f, kFirst, 0xFFFFFFFF); }, false, false},
    {"header size 0", [](Bytes& f) { Put32(f, kFirst + 4, 0); }, false, false},
    {"header size 8", [](Bytes& f) { Put32(f, kFirst + 4, 8); }, false, false},
    {"header size wraps", [](Bytes& f) { Put32(f, kFirst + 4, 0xFFFFFFF0); }, false, false},
    {"type name unterminated", [](Bytes& f) { for (std::size_t i = 8; i < 32; ++i) f[kFirst + i] = 'A'; }, false, false},
    {"string count past the data", [](Bytes& f) { Put16(f, kFirst + 32, 0xFFFF); }, false, false},
    {"bundle 1 typed by text", [](Bytes& f) { Put32(f, kFirst + 8, 0x00000041); }, true, true},
    {"bundle 1 renamed to 0", [](Bytes& f) { Put16(f, kFirst + 14, 0); }, true, true},
    {"bundle 1 typed 7", [](Bytes& f) { Put16(f, kFirst + 10, 7); }, true, true},
};

TEST(ResourceFileTest, DamagedResFilesFailCleanly) {
  const Bytes whole = ReadResourceFixture("strings.res");
  for (const ResDamage& damage : kResDamage) {
    Bytes file = whole;
    damage.apply(file);
    ExpectDamageSeen(file, damage.loads, damage.has_16, damage.what);
  }
}

TEST(ResourceFileTest, OtherFilesAreRefused) {
  const Bytes rows[] = {{}, {'M'}, {'M', 'Z'}, {0x7F, 'E', 'L', 'F', 2, 1, 1, 0}, Bytes(32, 0), Bytes(4096, 0xFF)};
  for (const Bytes& row : rows) EXPECT_FALSE(Read(row).has_value()) << row.size() << " bytes";
}

}  // namespace
