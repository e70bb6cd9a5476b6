#include <zelu/encoding/base64.h>

#include <climits>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <zelu/encoding/internal/base64_kernel.h>
#include <zelu/encoding/internal/byte_order.h>
#include <zelu/platform/memory/huge_pages.h>

namespace {

using zelu::encoding::internal::Base64EncodedLength;

// The most bytes whose text fits a CString (2^31 - 2 units). Encode checks
// the count against it, not the text's length, which a 32-bit size_t cannot
// hold for the largest counts.
constexpr ULONG kMostEncodedBytes = (INT_MAX - 1) / 4 * 3;
static_assert(Base64EncodedLength(kMostEncodedBytes) <= INT_MAX - 1 &&
              Base64EncodedLength(kMostEncodedBytes + 1) > INT_MAX - 1);

// Unlocks the array on every way out of the variant form of Encode.
class DataAccess {
 public:
  explicit DataAccess(SAFEARRAY* array) noexcept : array_(array) {}
  DataAccess(const DataAccess&) = delete;
  DataAccess& operator=(const DataAccess&) = delete;
  ~DataAccess() { static_cast<void>(SafeArrayUnaccessData(array_)); }

 private:
  SAFEARRAY* array_;
};

}  // namespace

CBase64::~CBase64() = default;

namespace zelu::encoding::internal {

LONG EncodeBase64With(const Base64Kernel& kernel, const unsigned char* data, ULONG count, CString& out) {
  if (count > kMostEncodedBytes) throw std::length_error("CBase64: text too long");
  const std::size_t length = Base64EncodedLength(count);
  out.Empty();
  if (length == 0) return 0;
  // Sized once (a buffer that already has the room is kept); every unit is
  // then written in place, once.
  WCHAR* units = out.GetBuffer(static_cast<int>(length));
  kernel.encode(data, count, units);
  out.ReleaseBuffer(static_cast<int>(length));
  return 0;
}

LONG DecodeBase64With(const Base64Kernel& kernel, const CString& text, unsigned char** bytes, ULONG& count) {
  count = 0;
  const auto length = static_cast<std::size_t>(text.GetLength());
  // The buffer reads as zero-filled before decoding: every byte that the
  // decoder does not write is zeroed (writing the zeros first would only
  // cost a second pass over the buffer).
  unsigned char* buffer = zelu::memory::NewBytes(length + 1);
  *bytes = buffer;
  const std::size_t decoded = kernel.decode(text.GetString(), length, buffer).bytes_written;
  std::memset(buffer + decoded, 0, length + 1 - decoded);
  count = static_cast<ULONG>(decoded);
  return 0;
}

}  // namespace zelu::encoding::internal

LONG CBase64::Encode(unsigned char* const data, ULONG count, CString& out) {
  return zelu::encoding::internal::EncodeBase64With(zelu::encoding::internal::ActiveBase64Kernel(), data, count, out);
}

LONG CBase64::Encode(const CString& text, CString& out) {
  const auto units = static_cast<std::size_t>(text.GetLength());
  const std::unique_ptr<unsigned char[]> bytes(new unsigned char[2 * units + 1]);
  zelu::encoding::internal::StoreUnitsLowByteFirst(text.GetString(), units, bytes.get());
  return Encode(bytes.get(), static_cast<ULONG>(2 * units), out);
}

LONG CBase64::Encode(const CComVariant& variant, CString& out) {
  SAFEARRAY* const array = variant.parray;
  void* data = nullptr;
  const HRESULT accessed = SafeArrayAccessData(array, &data);
  if (FAILED(accessed)) return accessed;
  const DataAccess access(array);
  LONG lower = 0;
  LONG upper = 0;
  const HRESULT lower_read = SafeArrayGetLBound(array, 1, &lower);
  if (FAILED(lower_read)) return lower_read;
  const HRESULT upper_read = SafeArrayGetUBound(array, 1, &upper);
  if (FAILED(upper_read)) return upper_read;
  // upper - lower + 1 in 32-bit arithmetic: the element count of dimension 1.
  const ULONG count = static_cast<ULONG>(upper) - static_cast<ULONG>(lower) + 1u;
  return Encode(static_cast<unsigned char*>(data), count, out);
}

LONG CBase64::Decode(const CString& text, unsigned char** bytes, ULONG& count) {
  return zelu::encoding::internal::DecodeBase64With(zelu::encoding::internal::ActiveBase64Kernel(), text, bytes,
                                                    count);
}

LONG CBase64::Decode(const CString& text, unsigned char** bytes, unsigned long& count) {
  ULONG decoded = 0;
  const LONG status = Decode(text, bytes, decoded);
  count = decoded;
  return status;
}

LONG CBase64::Decode(const CString& text, CString& out) {
  unsigned char* buffer = nullptr;
  ULONG count = 0;
  Decode(text, &buffer, count);
  const std::unique_ptr<unsigned char[]> owner(buffer);
  // The buffer holds at least one zero byte after the decoded ones, so an odd
  // last byte pairs with a zero high byte.
  const std::size_t pairs = (std::size_t{count} + 1) / 2;
  std::size_t units = 0;
  while (units < pairs && zelu::encoding::internal::LoadUnitLowByteFirst(buffer + 2 * units) != 0) ++units;
  out.Empty();
  WCHAR* target = out.GetBuffer(static_cast<int>(units));  // each unit written once
  for (std::size_t i = 0; i < units; ++i) target[i] = zelu::encoding::internal::LoadUnitLowByteFirst(buffer + 2 * i);
  out.ReleaseBuffer(static_cast<int>(units));
  return 0;
}

LONG CBase64::Decode(const CString& text, CComVariant& variant) {
  unsigned char* buffer = nullptr;
  ULONG count = 0;
  Decode(text, &buffer, count);
  const std::unique_ptr<unsigned char[]> owner(buffer);
  CByteArray bytes;
  bytes.SetSize(static_cast<int>(count), -1);
  if (count != 0) std::memcpy(bytes.GetData(), buffer, count);
  COleVariant decoded;
  decoded = bytes;
  variant = decoded;  // VariantCopy; a failure leaves VT_ERROR in `variant`
  return 0;
}
