#include <zelu/text/zel_string.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/cstring/cstring.h>
#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/platform/win32/code_pages.h>
#include <zelu/platform/win32/utf8.h>
#include <zelu/platform/win32/wsprintf.h>

namespace {

// The most units a resource read or a formatted text may have, with the
// terminator.
constexpr int kResourceUnits = 1024;

// A view buffer sits after a header that links it to the view it replaced,
// so the object holds all its views through one pointer and releases them
// together. The header is copied in and out, never read in place.
struct ViewHeader {
  char* previous;
};

// View blocks come from malloc so that a block made for the worst case can
// be cut to its size in place.
char* NewView(std::size_t size, char* previous) {
  void* block = std::malloc(sizeof(ViewHeader) + size);
  if (block == nullptr) throw std::bad_alloc();
  const ViewHeader header{previous};
  std::memcpy(block, &header, sizeof header);
  return static_cast<char*>(block) + sizeof header;
}

// A view keeps the block made for the worst case unless cutting it to size
// frees this much: below that, the realloc costs more than the view.
constexpr std::size_t kViewSlackBytes = 4096;

// Cuts a view to `size` bytes; the view may move, its header with it.
char* ShrinkView(char* view, std::size_t size) {
  void* block = std::realloc(view - sizeof(ViewHeader), sizeof(ViewHeader) + size);
  if (block == nullptr) return view;  // still valid, merely larger
  return static_cast<char*>(block) + sizeof(ViewHeader);
}

ViewHeader HeaderOf(const char* view) {
  ViewHeader header;
  std::memcpy(&header, view - sizeof header, sizeof header);
  return header;
}

void FreeView(char* view) { std::free(view - sizeof(ViewHeader)); }

// The text lives in block storage (utf8.h): 64-byte aligned, whole
// 64-byte blocks, zero after the terminator. The views measure it with
// BlockTextLength, which reads a block at a time, so measuring a long text
// costs a fraction of a unit-by-unit scan and never reads past the buffer,
// even after a caller has written a zero into it.
constexpr std::align_val_t kTextAlignment{zelu::win32::kTextBlockBytes};

WCHAR* NewText(std::size_t units) {
  const std::size_t bytes = (units * sizeof(WCHAR) + zelu::win32::kTextBlockBytes - 1) /
                            zelu::win32::kTextBlockBytes * zelu::win32::kTextBlockBytes;
  auto* text = static_cast<WCHAR*>(::operator new[](bytes, kTextAlignment));
  std::memset(text + units, 0, bytes - units * sizeof(WCHAR));
  return text;
}

void FreeText(WCHAR* text) {
  if (text != nullptr) ::operator delete[](text, kTextAlignment);
}

std::size_t TextLength(const WCHAR* text) { return zelu::win32::BlockTextLength(text); }

// The buffers that an object lets go of, released when this goes out of
// scope: at once in Empty, after the arguments were read in Format.
struct ReleasedBuffers {
  WCHAR* text;
  char* views;
  ReleasedBuffers(WCHAR* released_text, char* released_views) : text(released_text), views(released_views) {}
  ReleasedBuffers(const ReleasedBuffers&) = delete;
  ReleasedBuffers& operator=(const ReleasedBuffers&) = delete;
  ~ReleasedBuffers() {
    FreeText(text);
    while (views != nullptr) {
      char* previous = HeaderOf(views).previous;
      FreeView(views);
      views = previous;
    }
  }
};

WCHAR* CopyOf(const WCHAR* text) {
  const std::size_t units = zelu::crt16::wcslen(text) + 1;
  if (units > static_cast<std::size_t>(INT_MAX)) throw std::length_error("CZelString: text too long");
  WCHAR* copy = NewText(units);
  std::memcpy(copy, text, units * sizeof(WCHAR));
  return copy;
}

// Asks the module (null: the main program) for resource `id`; true and the
// text in `buffer` when it has it.
bool LoadResource(HINSTANCE module, unsigned int id, WCHAR (&buffer)[kResourceUnits]) {
  return ::LoadStringW(module, id, buffer, kResourceUnits) != 0;
}

}  // namespace

CZelString::CZelString() : text_(nullptr), view_(nullptr), language_module_(nullptr) {}

CZelString::CZelString(const char* s) : CZelString() { *this = s; }

CZelString::CZelString(const WCHAR* s) : CZelString() { *this = s; }

CZelString::CZelString(HINSTANCE module, unsigned int id) : CZelString() {
  language_module_ = module;
  if (id != 0xFFFFFFFF) LoadStringW(id);
}

CZelString::CZelString(const CZelString& other) : CZelString() { *this = other; }

CZelString::~CZelString() { Empty(); }

void CZelString::setLangDLL(HINSTANCE module) { language_module_ = module; }

void CZelString::Install(WCHAR* text) {
  Empty();
  text_ = text;
}

CZelString& CZelString::operator=(const char* s) {
  if (s == nullptr) {
    Empty();
    return *this;
  }
  const int needed = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  if (needed <= 0) throw std::length_error("CZelString: text too long");
  WCHAR* text = NewText(static_cast<std::size_t>(needed) + 1);
  MultiByteToWideChar(CP_ACP, 0, s, -1, text, needed + 1);
  text[needed] = 0;
  Install(text);
  return *this;
}

CZelString& CZelString::operator=(const WCHAR* s) {
  if (s == nullptr) {
    Empty();
  } else {
    Install(CopyOf(s));
  }
  return *this;
}

CZelString& CZelString::operator=(const CZelString& other) {
  if (this == &other) return *this;
  WCHAR* text = other.text_ == nullptr ? nullptr : CopyOf(other.text_);
  Install(text);
  language_module_ = other.language_module_;
  return *this;
}

void CZelString::Empty() {
  const ReleasedBuffers released{std::exchange(text_, nullptr), std::exchange(view_, nullptr)};
}

// One conversion into a buffer made for the worst case (three bytes a
// unit, terminator included), then cut to the bytes written when that
// frees a page or more: the same bytes
// as asking the size first and converting into a buffer of exactly that
// size, in one pass over the text instead of two. A view larger than the
// platform call can report (INT_MAX bytes) throws std::length_error.
char* CZelString::MakeView(UINT code_page) {
  if (text_ == nullptr) return nullptr;
  const std::size_t units = TextLength(text_) + 1;
  if (units > static_cast<std::size_t>(INT_MAX)) throw std::length_error("CZelString: text too long");
  // (3 * units itself may not fit a 32-bit size_t.)
  const int capacity = units > INT_MAX / 3 ? INT_MAX : static_cast<int>(3 * units);
  char* view = NewView(static_cast<std::size_t>(capacity), view_);
  const int written =
      WideCharToMultiByte(code_page, 0, text_, static_cast<int>(units), view, capacity, nullptr, nullptr);
  if (written <= 0) {
    FreeView(view);
    throw std::length_error("CZelString: narrow text too long");
  }
  const auto size = static_cast<std::size_t>(written);
  view_ = static_cast<std::size_t>(capacity) - size >= kViewSlackBytes ? ShrinkView(view, size) : view;
  return view_;
}

CZelString::operator char*() { return MakeView(CP_ACP); }

char* CZelString::AsUTF8() { return MakeView(CP_UTF8); }

CZelString::operator WCHAR*() { return text_; }

int CZelString::GetLength() { return text_ == nullptr ? -1 : static_cast<int>(TextLength(text_)); }

bool CZelString::IsEmpty() { return text_ == nullptr || text_[0] == 0; }

bool CZelString::LoadStringW(unsigned int id) {
  Empty();
  WCHAR buffer[kResourceUnits];
  if (!LoadResource(language_module_, id, buffer) && !LoadResource(nullptr, id, buffer)) return false;
  *this = static_cast<const WCHAR*>(buffer);
  return true;
}

bool CZelString::Format(unsigned int id, ...) {
  // The arguments may point into the old text or views: keep them until the
  // arguments have been read.
  const ReleasedBuffers old{std::exchange(text_, nullptr), std::exchange(view_, nullptr)};
  if (!LoadStringW(id)) return false;
  WCHAR buffer[kResourceUnits];
  std::va_list arguments;
  va_start(arguments, id);
  wvsprintfW(buffer, text_, arguments);
  va_end(arguments);
  *this = static_cast<const WCHAR*>(buffer);
  return true;
}

WCHAR* CZelString::AllocSysString() { return SysAllocString(text_); }

int CZelString::ReplaceNoCase(const WCHAR* find, const WCHAR* replace) {
  if (find == nullptr || find[0] == 0) return 0;  // an empty needle would be found forever
  const CString plain(text_);
  CString lowered(plain);
  lowered.MakeLower();
  CString needle(find);
  needle.MakeLower();
  int found = lowered.Find(needle);
  if (found < 0) return 0;
  CString result;
  int count = 0;
  int rest = 0;  // where the text not yet copied starts
  for (; found >= 0; found = lowered.Find(needle, rest)) {
    result += plain.Mid(rest, found - rest);
    result += replace;
    ++count;
    rest = found + needle.GetLength();
  }
  result += plain.Mid(rest);
  *this = result.GetString();
  return count;
}
