#include <zelu/text/email_address.h>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/cstring/collections.h>
#include <zelu/platform/trace/scope_log.h>
#include <zelu/text/str_token.h>

namespace {

// What the queries hand to the tracer: these are the source file name and
// line numbers under which the queries are known in the trace, not lines of
// this file.
constexpr char kTraceFile[] = "EmailAddress";
constexpr char kTraceModule[] = "ZELUSTRING";
constexpr int kIsValidLine = 47;
constexpr int kNotOneAtSignLine = 52;
constexpr int kEmptyPartLine = 58;
constexpr int kEmptyLabelLine = 67;
constexpr int kBadLabelCharacterLine = 73;
constexpr int kValidLine = 77;
constexpr int kGetDomainLine = 82;
constexpr int kGetUserLine = 93;

constexpr WCHAR kAtSign = '@';
constexpr WCHAR kDot = '.';
constexpr WCHAR kHyphen = '-';
constexpr WCHAR kAtSignSet[] = {kAtSign, 0};
constexpr WCHAR kEmptySet[] = {0};

// Splits `text` at every `separator` into `pieces` (emptied first). Empty
// pieces are kept: k separators give k + 1 pieces, "" gives one empty piece.
void SplitAt(const CString& text, WCHAR separator, CStringArray& pieces) {
  pieces.SetSize(0, -1);
  int start = 0;
  for (int found = text.Find(separator, start); found >= 0; found = text.Find(separator, start)) {
    pieces.SetAtGrow(pieces.GetSize(), text.Mid(start, found - start));
    start = found + 1;
  }
  pieces.SetAtGrow(pieces.GetSize(), text.Mid(start));
}

bool IsLabelCharacter(WCHAR unit) {
  return zelu::crt16::iswalpha(unit) || zelu::crt16::iswdigit(unit) || unit == kHyphen;
}

// Records the exit at `line` and gives `result` back for the return.
int ExitWith(CScopeLog& scope, int result, int line) {
  scope.RecordExit(result, 0, line, 1);
  return result;
}

}  // namespace

CEmailAddress::CEmailAddress() = default;

CEmailAddress::CEmailAddress(const WCHAR* address) : m_strAddress(address) {}

CEmailAddress::CEmailAddress(const CEmailAddress& other) = default;

CEmailAddress& CEmailAddress::operator=(const CEmailAddress& other) {
  m_strAddress = other.m_strAddress;
  return *this;
}

CEmailAddress::~CEmailAddress() = default;

int CEmailAddress::IsValid() {
  CScopeLog scope("CEmailAddress::IsValid", kTraceFile, kIsValidLine, kTraceModule, nullptr);
  CStringArray parts;
  SplitAt(m_strAddress, kAtSign, parts);
  if (parts.GetSize() != 2) return ExitWith(scope, 0, kNotOneAtSignLine);

  const CString& user = parts[0];
  const CString& domain = parts[1];
  if (user.IsEmpty() || domain.IsEmpty()) return ExitWith(scope, 0, kEmptyPartLine);

  CStringArray labels;
  SplitAt(domain, kDot, labels);
  for (int i = 0; i < labels.GetSize(); ++i) {
    const CString& label = labels[i];
    if (label.IsEmpty()) return ExitWith(scope, 0, kEmptyLabelLine);
    for (int k = 0; k < label.GetLength(); ++k) {
      if (!IsLabelCharacter(label[k])) return ExitWith(scope, 0, kBadLabelCharacterLine);
    }
  }
  return ExitWith(scope, 1, kValidLine);
}

CString CEmailAddress::GetDomain() {
  CScopeLog scope("CEmailAddress::GetDomain", kTraceFile, kGetDomainLine, kTraceModule, nullptr);
  CStrToken tokens(m_strAddress.GetString());
  tokens.NextToken(kAtSignSet);
  return CString(tokens.NextToken(kEmptySet));
}

CString CEmailAddress::GetUser() {
  CScopeLog scope("CEmailAddress::GetUser", kTraceFile, kGetUserLine, kTraceModule, nullptr);
  CStrToken tokens(m_strAddress.GetString());
  return CString(tokens.NextToken(kAtSignSet));
}
