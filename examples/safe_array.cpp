// CSafeArray owns one automation safe array and counts its own data locks;
// GetData copies a byte array out of it. Members return status codes
// (S_OK is 0) and throw nothing.
#include <cstdio>

#include <zelu/automation/safe_array.h>
#include <zelu/platform/cstring/collections.h>
#include <zelu/platform/oleaut/oleaut.h>

int main() {
  CSafeArray array(SafeArrayCreateVector(VT_UI1, 0, 4));  // owned, one data lock
  void* data = nullptr;
  array.AccessData(&data);  // a second lock, for writing
  unsigned char* bytes = static_cast<unsigned char*>(data);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(0x10 * (i + 1));
  array.UnaccessData();

  LONG lower = 0, upper = 0;
  array.GetLBound(&lower, 1);
  array.GetUBound(&upper, 1);
  std::printf("bounds              %d..%d\n", lower, upper);

  CByteArray copy;
  const LONG status = array.GetData(copy, 1);
  std::printf("GetData             status %d, %d bytes: %02X %02X %02X %02X\n", status, copy.GetSize(),
              copy[0], copy[1], copy[2], copy[3]);

  CSafeArray sharer(array);  // the same array, with a lock of its own
  CSafeArray independent;
  independent.Copy(array);  // a new array, unlocked
  std::printf("shared / copied     %s / %s\n",
              static_cast<SAFEARRAY*>(sharer) == static_cast<SAFEARRAY*>(array) ? "same" : "other",
              static_cast<SAFEARRAY*>(independent) == static_cast<SAFEARRAY*>(array) ? "same" : "other");

  // An out-parameter: the wrapper owns what the callee writes through &.
  CSafeArray received;
  SafeArrayCopy(array, &received);
  std::printf("received            %s\n", static_cast<SAFEARRAY*>(received) != nullptr ? "an array" : "none");

  // A wrapper with no array answers E_POINTER; a wrong element type E_INVALIDARG.
  CSafeArray empty;
  CSafeArray longs(SafeArrayCreateVector(VT_I4, 0, 2));
  std::printf("empty / VT_I4       0x%08X / 0x%08X\n", static_cast<unsigned>(empty.GetData(copy, 1)),
              static_cast<unsigned>(longs.GetData(copy, 1)));
  return 0;  // each wrapper undoes its locks and destroys its array
}
