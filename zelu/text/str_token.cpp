#include <zelu/text/str_token.h>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/cstring/cstring.h>

namespace {

// The empty text stands in for a null one.
constexpr WCHAR kEmpty[1] = {0};

// Where the token that starts at `start` ends: at its first delimiter or at
// the terminating zero. Sets of up to two characters, the usual case, are
// scanned with plain comparisons; longer ones go through `in_set`.
template <typename Unit>
Unit* TokenEnd(Unit* start, const WCHAR* delimiters, bool (*in_set)(WCHAR, const WCHAR*)) {
  Unit* end = start;
  const WCHAR first = delimiters[0];
  const WCHAR second = first != 0 ? delimiters[1] : WCHAR{0};
  if (first == 0) {
    while (*end != 0) ++end;
  } else if (second == 0) {
    while (*end != 0 && *end != first) ++end;
  } else if (delimiters[2] == 0) {
    while (*end != 0 && *end != first && *end != second) ++end;
  } else {
    while (*end != 0 && !in_set(*end, delimiters)) ++end;
  }
  return end;
}

}  // namespace

CStrToken::CStrToken(const WCHAR* text) { CopyRest(text); }

CStrToken::CStrToken(WCHAR* text, bool copy) {
  if (copy || text == nullptr) {
    CopyRest(text);
  } else {
    m_pPosition = text;
  }
}

CStrToken::CStrToken(const CStrToken& other) { CopyRest(other.m_pPosition); }

CStrToken& CStrToken::operator=(const CStrToken& other) {
  if (this != &other) {
    WCHAR* const former = m_pBuffer;
    CopyRest(other.m_pPosition);  // may throw; the target is then unchanged
    delete[] former;
  }
  return *this;
}

CStrToken::~CStrToken() {
  delete[] m_pBuffer;
  m_pBuffer = nullptr;
  m_pPosition = nullptr;
}

void CStrToken::CopyRest(const WCHAR* text) {
  if (text == nullptr) text = kEmpty;
  // Untaken text holds no zero before its terminator, so wcslen finds its end.
  WCHAR* const buffer = new WCHAR[zelu::crt16::wcslen(text) + 1];
  zelu::crt16::wcscpy(buffer, text);
  m_pBuffer = buffer;
  m_pPosition = buffer;
}

bool CStrToken::InTarget(WCHAR unit, const WCHAR* delimiters) {
  if (unit == 0) return false;
  for (; *delimiters != 0; ++delimiters) {
    if (*delimiters == unit) return true;
  }
  return false;
}

WCHAR* CStrToken::NextToken(const WCHAR* delimiters) {
  if (*m_pPosition == 0) return nullptr;
  WCHAR* const token = m_pPosition;
  WCHAR* const end = TokenEnd(token, delimiters, &InTarget);
  if (*end != 0) {
    *end = 0;
    m_pPosition = end + 1;
  } else {
    m_pPosition = end;
  }
  return token;
}

int CStrToken::GetTokenCount(const WCHAR* delimiters) const {
  int count = 0;
  for (const WCHAR* start = m_pPosition; *start != 0;) {
    ++count;
    const WCHAR* const end = TokenEnd(start, delimiters, &InTarget);
    start = *end != 0 ? end + 1 : end;
  }
  return count;
}

int CStrToken::GetTargetCount(const WCHAR* target) const {
  if (target == nullptr || *target == 0) return 0;
  const CString rest(m_pPosition);
  int count = 0;
  for (int found = rest.Find(target, 0); found >= 0; found = rest.Find(target, found + 1)) ++count;
  return count;
}
