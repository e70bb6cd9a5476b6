#include <zelu/platform/win32/internal/resource_file.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace zelu::win32::internal {
namespace {

// Thrown inside the reader when the input is malformed; never leaves it.
struct Malformed {};

void Require(bool condition) {
  if (!condition) throw Malformed{};
}

std::uint64_t AlignUp4(std::uint64_t value) { return (value + 3) & ~std::uint64_t{3}; }

// A checked window on the input. Offsets and lengths are 64-bit, so no sum
// of 32-bit fields wraps; any read outside the window throws Malformed.
// Fields are little-endian and assembled byte by byte, on any host.
class Bytes {
 public:
  explicit Bytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }

  bool Holds(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size() && length <= size() - offset;
  }

  Bytes Window(std::uint64_t offset, std::uint64_t length) const {
    Require(Holds(offset, length));
    return Bytes(bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)));
  }

  std::uint16_t U16(std::uint64_t offset) const {
    const Bytes field = Window(offset, 2);
    return static_cast<std::uint16_t>(field.bytes_[0] | field.bytes_[1] << 8);
  }

  std::uint32_t U32(std::uint64_t offset) const {
    return U16(offset) | static_cast<std::uint32_t>(U16(offset + 2)) << 16;
  }

  bool StartsWith(std::span<const std::uint8_t> prefix) const {
    return Holds(0, prefix.size()) && std::equal(prefix.begin(), prefix.end(), bytes_.begin());
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

// One string table as the file holds it.
struct Table {
  std::uint32_t bundle;
  std::uint16_t language;
  Bytes data;
};

constexpr std::uint32_t kStringTableType = 6;
constexpr std::uint32_t kLastBundle = 0xFFFF;
constexpr UINT kStringsPerBundle = 16;
constexpr std::uint16_t kNeutral = 0x0000;
constexpr std::uint16_t kUsEnglish = 0x0409;

bool IsBundle(std::uint32_t name) { return name >= 1 && name <= kLastBundle; }

// --- Images (PE32 and PE32+) ---

constexpr std::uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr std::uint64_t kPeHeaderField = 0x3C;      // where the PE header's offset is
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kCoffHeaderBytes = 20;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
// Where the data directories start in the optional header; their count is
// the 32-bit field just before.
constexpr std::uint64_t kPe32Directories = 96;
constexpr std::uint64_t kPe32PlusDirectories = 112;
constexpr std::uint64_t kDataDirectoryBytes = 8;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint64_t kSectionHeaderBytes = 40;
constexpr std::uint64_t kDirectoryHeaderBytes = 16;
constexpr std::uint64_t kDirectoryEntryBytes = 8;
constexpr std::uint64_t kDataEntryBytes = 16;
// In a directory entry: the target is a subdirectory (else a data entry).
constexpr std::uint32_t kSubdirectory = 0x80000000;

// The section table: where each section's data is in the file and at which
// address it is loaded. Addresses ascend, as the loader requires, and every
// section's data lies in the file.
class Sections {
 public:
  Sections(Bytes file, Bytes table) : file_(file) {
    for (std::uint64_t at = 0; at < table.size(); at += kSectionHeaderBytes) {
      const Section section{table.U32(at + 12), table.U32(at + 16), table.U32(at + 20)};
      Require(file.Holds(section.offset, section.size));
      Require(sections_.empty() || section.address > sections_.back().address);
      sections_.push_back(section);
    }
  }

  // The bytes loaded at [address, address + size): they must lie in the
  // file data of one section.
  Bytes Map(std::uint32_t address, std::uint32_t size) const {
    const auto after = std::upper_bound(sections_.begin(), sections_.end(), address,
                                        [](std::uint32_t a, const Section& s) { return a < s.address; });
    Require(after != sections_.begin());
    const Section& section = *(after - 1);
    const std::uint64_t into = address - section.address;
    Require(into <= section.size && size <= section.size - into);
    return file_.Window(section.offset + into, size);
  }

 private:
  struct Section {
    std::uint32_t address, size, offset;
  };
  Bytes file_;
  std::vector<Section> sections_;
};

// The resource directory: a tree of type, name and language directories
// whose leaves are data entries. Offsets in it count from its start.
class ResourceTree {
 public:
  ResourceTree(Bytes tree, const Sections& sections)
      : tree_(tree), sections_(sections), entries_left_(tree.size() / kDirectoryEntryBytes) {}

  std::vector<Table> StringTables() {
    std::vector<Table> tables;
    for (const Entry& type : Directory(kSubdirectory)) {
      if (type.name != kStringTableType) continue;
      for (const Entry& name : Directory(type.target)) {
        const std::vector<Entry> languages = Directory(name.target);
        if (!IsBundle(name.name)) continue;
        for (const Entry& language : languages) {
          if (language.name > 0xFFFF) continue;  // a named language: no id to prefer it by
          tables.push_back({name.name, static_cast<std::uint16_t>(language.name), Data(language.target)});
        }
      }
    }
    return tables;
  }

 private:
  struct Entry {
    std::uint32_t name, target;
  };

  std::vector<Entry> Directory(std::uint32_t target) {
    Require((target & kSubdirectory) != 0);
    const std::uint64_t offset = target & ~kSubdirectory;
    const Bytes header = tree_.Window(offset, kDirectoryHeaderBytes);
    const std::uint64_t count = std::uint64_t{header.U16(12)} + header.U16(14);
    Require(count <= entries_left_);
    entries_left_ -= count;
    const Bytes list = tree_.Window(offset + kDirectoryHeaderBytes, count * kDirectoryEntryBytes);
    std::vector<Entry> entries(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < entries.size(); ++i) {
      entries[i] = {list.U32(i * kDirectoryEntryBytes), list.U32(i * kDirectoryEntryBytes + 4)};
    }
    return entries;
  }

  Bytes Data(std::uint32_t target) const {
    Require((target & kSubdirectory) == 0);
    const Bytes entry = tree_.Window(target, kDataEntryBytes);
    return sections_.Map(entry.U32(0), entry.U32(4));
  }

  Bytes tree_;
  const Sections& sections_;
  std::uint64_t entries_left_;
};

std::vector<Table> ReadImage(Bytes file) {
  const std::uint64_t pe = file.U32(kPeHeaderField);
  Require(file.U32(pe) == kPeSignature);
  const Bytes coff = file.Window(pe + 4, kCoffHeaderBytes);
  const std::uint64_t optional_offset = pe + 4 + kCoffHeaderBytes;
  const Bytes optional = file.Window(optional_offset, coff.U16(16));
  const Sections sections(file, file.Window(optional_offset + optional.size(), coff.U16(2) * kSectionHeaderBytes));

  const std::uint16_t magic = optional.U16(0);
  Require(magic == kPe32Magic || magic == kPe32PlusMagic);
  const std::uint64_t directories = magic == kPe32Magic ? kPe32Directories : kPe32PlusDirectories;
  const std::uint32_t count = optional.U32(directories - 4);
  const Bytes directory = optional.Window(directories, count * kDataDirectoryBytes);
  if (count <= kResourceDirectory) return {};
  const std::uint32_t address = directory.U32(kResourceDirectory * kDataDirectoryBytes);
  const std::uint32_t size = directory.U32(kResourceDirectory * kDataDirectoryBytes + 4);
  if (address == 0 && size == 0) return {};  // no resources
  return ResourceTree(sections.Map(address, size), sections).StringTables();
}

// --- Compiled resource files ---

// Every .res file opens with this empty entry.
constexpr std::array<std::uint8_t, 32> kResFileStart = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
constexpr std::uint16_t kOrdinal = 0xFFFF;  // a type or name given by number
// After the type and name: data version, flags, language, version, characteristics.
constexpr std::uint64_t kEntryTailBytes = 16;
constexpr std::uint64_t kLanguageInTail = 6;

// What ReadName returns for a type or name given as text: no number.
constexpr std::uint32_t kNamed = 0x10000;

// A type or name field: 0xFFFF and a number, or zero-terminated UTF-16.
// Returns the number (kNamed for text) and moves `at` past the field.
std::uint32_t ReadName(const Bytes& header, std::uint64_t& at) {
  if (header.U16(at) == kOrdinal) {
    at += 4;
    return header.U16(at - 2);
  }
  while (header.U16(at) != 0) at += 2;
  at += 2;
  return kNamed;
}

std::vector<Table> ReadResFile(Bytes file) {
  std::vector<Table> tables;
  for (std::uint64_t at = 0; at < file.size();) {
    const std::uint32_t data_size = file.U32(at);
    const Bytes header = file.Window(at, file.U32(at + 4));
    std::uint64_t field = 8;
    const std::uint32_t type = ReadName(header, field);
    const std::uint32_t name = ReadName(header, field);
    const Bytes tail = header.Window(AlignUp4(field), kEntryTailBytes);
    const Bytes data = file.Window(at + header.size(), data_size);
    if (type == kStringTableType && IsBundle(name)) tables.push_back({name, tail.U16(kLanguageInTail), data});
    at = AlignUp4(at + header.size() + data_size);
    Require(at <= file.size());
  }
  return tables;
}

// --- Taking one language per bundle ---

// Neutral first, then US English, then the lowest language id.
std::pair<int, std::uint16_t> Preference(std::uint16_t language) {
  return {language == kNeutral ? 0 : language == kUsEnglish ? 1 : 2, language};
}

void AddBundle(StringModule& module, const Table& table) {
  std::vector<WCHAR> text;
  std::uint64_t at = 0;
  for (UINT i = 0; i < kStringsPerBundle; ++i) {
    const std::uint16_t count = table.data.U16(at);
    const Bytes units = table.data.Window(at + 2, std::uint64_t{count} * 2);
    text.resize(count);
    for (std::size_t j = 0; j < text.size(); ++j) text[j] = units.U16(2 * j);
    module.Set((table.bundle - 1) * kStringsPerBundle + i, text.data(), text.size());
    at += 2 + units.size();
  }
}

StringModule TakeBundles(std::vector<Table> tables, std::uint64_t file_size) {
  std::stable_sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) {
    return std::pair(a.bundle, Preference(a.language)) < std::pair(b.bundle, Preference(b.language));
  });
  StringModule module;
  std::uint64_t taken = 0;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (i > 0 && tables[i].bundle == tables[i - 1].bundle) continue;
    taken += tables[i].data.size();
    Require(taken <= file_size);  // bundles that share their bytes
    AddBundle(module, tables[i]);
  }
  return module;
}

}  // namespace

std::optional<StringModule> ReadStringResources(std::span<const std::uint8_t> file) {
  const Bytes bytes(file);
  try {
    if (bytes.Holds(0, 2) && bytes.U16(0) == kDosMagic) return TakeBundles(ReadImage(bytes), bytes.size());
    if (bytes.StartsWith(kResFileStart)) return TakeBundles(ReadResFile(bytes), bytes.size());
  } catch (const Malformed&) {
  }
  return std::nullopt;
}

}  // namespace zelu::win32::internal
