#include <zelu/platform/win32/string_resources.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include <zelu/platform/win32/last_error.h>

// The table behind a module handle.
struct HINSTANCE__ {
  std::unordered_map<UINT, std::vector<WCHAR>> strings;
};

namespace {

// The platform's string resources carry a 16-bit length.
constexpr std::size_t kMaxResourceUnits = 0xFFFF;

std::atomic<HINSTANCE> main_program_strings{nullptr};

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int capacity) {
  if (buffer == nullptr || capacity < 0) return Fail(ERROR_INVALID_PARAMETER);
  const HINSTANCE table = module != nullptr ? module : main_program_strings.load(std::memory_order_acquire);
  if (table == nullptr) return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
  const auto found = table->strings.find(id);
  if (found == table->strings.end()) return Fail(ERROR_RESOURCE_NAME_NOT_FOUND);
  const std::vector<WCHAR>& text = found->second;
  if (capacity == 0) {
    const WCHAR* pointer = text.data();
    std::memcpy(buffer, &pointer, sizeof pointer);  // the caller's buffer holds a pointer
    return static_cast<int>(text.size());
  }
  const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(capacity) - 1);
  std::memcpy(buffer, text.data(), copied * sizeof(WCHAR));
  buffer[copied] = 0;
  return static_cast<int>(copied);
}

namespace zelu::win32 {

StringModule::StringModule() : table_(std::make_unique<HINSTANCE__>()) {}

StringModule::StringModule(std::initializer_list<StringResource> table) : StringModule() {
  for (const StringResource& row : table) Set(row.id, row.text);
}

StringModule::~StringModule() = default;
StringModule::StringModule(StringModule&&) noexcept = default;
StringModule& StringModule::operator=(StringModule&&) noexcept = default;

void StringModule::Set(UINT id, const WCHAR* text, std::size_t length) {
  if (length > kMaxResourceUnits) throw std::length_error("string resource longer than 65535 units");
  if (length == 0) {
    table_->strings.erase(id);
    return;
  }
  table_->strings[id].assign(text, text + length);
}

void StringModule::Set(UINT id, std::u16string_view text) {
  const std::vector<WCHAR> units(text.begin(), text.end());
  Set(id, units.data(), units.size());
}

HINSTANCE SetMainProgramStrings(HINSTANCE module) {
  return main_program_strings.exchange(module, std::memory_order_acq_rel);
}

}  // namespace zelu::win32
