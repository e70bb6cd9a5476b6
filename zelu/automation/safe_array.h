// CSafeArray: owns one automation safe array and counts its own data locks.
//
// A wrapper either holds no array (Empty) or owns one SAFEARRAY, on which it
// holds m_nLockCount data locks: successful AccessData calls minus
// successful UnaccessData calls since it took the array. Ownership:
//   * An array taken from a pointer (constructor, operator=, a pointer
//     written through operator&) belongs to the wrapper; the caller must not
//     destroy it. The wrapper never copies it. Taking it from a constructor
//     or operator= also takes one data lock (the count is then 1, or 0 when
//     that lock fails).
//   * An array taken from another wrapper is shared: both hold the same
//     pointer and each holds its own lock. A wrapper that lets go (Destroy,
//     destructor, assignment, Copy) undoes its own locks and asks the
//     platform to destroy the array; while another wrapper still holds a lock
//     the platform refuses, and the array lives on until the last sharer lets
//     go. Sharing is safe as long as every sharer keeps at least one lock:
//     a caller that unlocks a sharer down to 0 lets the other sharers free
//     the array under it.
//   * Copy replaces the array with a new, independent, unlocked copy.
//
// Status codes: S_OK (0); E_POINTER (0x80004003) from every member that
// returns a status, except Destroy and Copy, when the wrapper is Empty;
// E_INVALIDARG (0x80070057) from GetData as below; every other code is the
// platform's, passed back unchanged. Nothing is thrown by the class itself;
// an allocation failure in Copy or GetData passes through as std::bad_alloc.
//
// Destroy, AccessData, UnaccessData, GetLBound, GetUBound, GetData and Copy
// open a CScopeLog scope under the file name "SafeArray" and the module tag
// "ZELUSTRING" and record each exit with the status returned; a traced
// member that calls another (Destroy calls UnaccessData, GetData calls the
// lock and bound members) shows it as a nested scope. See scope_log.h for how
// to observe the scopes.
//
// Facts of this class where a sequence of calls could otherwise go wrong:
//   1. Destroy unlocks until its count is 0 or an UnaccessData fails (the
//      array is then no longer locked by anybody it can know of); it stops
//      there, forgets the locks it could not undo, asks for the array to be
//      destroyed and forgets the pointer. It always ends and returns 0.
//   2. Assigning a wrapper the array that it already holds (its own pointer,
//      itself, or a wrapper that shares its array) leaves it exactly as it
//      was: nothing is released, locked, unlocked or traced.
//   3. Sharing from a wrapper that holds an array but no lock on it (after
//      Copy, operator& or UnaccessData of its last lock) first takes one lock
//      for that wrapper (a traced AccessData on it), so that both sharers
//      hold a lock and neither can free the array under the other.
//   4. operator& on a wrapper that holds an array releases it first, exactly
//      as Destroy does; the address it gives always points at null and a
//      pointer written through it starts with a lock count of 0.
//   5. Copy makes the new copy before it lets go of the array held, so the
//      wrapper can copy its own array, and when the copy throws the wrapper
//      is left as it was.
//   6. GetData copies at most the bytes that the array's data holds: when
//      the extent of the dimension asked for is more than that (another
//      dimension has no elements), or more than a CByteArray can count, it
//      returns E_INVALIDARG with `bytes` untouched and the lock undone.
//
//   CSafeArray array(SafeArrayCreateVector(VT_UI1, 0, 3));  // owned, 1 lock
//   CByteArray bytes;
//   if (array.GetData(bytes, 1) == S_OK) { /* bytes.GetSize() == 3 */ }
//   // the destructor undoes the lock and destroys the array
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/collections.h>
#include <zelu/platform/oleaut/oleaut.h>

class ZELU_API CSafeArray {
 public:
  // Empty.
  CSafeArray();
  // Owns `psa` (may be null: Empty) and takes one lock on it.
  CSafeArray(SAFEARRAY* psa);  // NOLINT: implicit, as ported code expects
  // Shares other's array (fact 3); `other` may gain a lock.
  CSafeArray(CSafeArray& other);
  // Destroy.
  virtual ~CSafeArray();

  // Destroy, then own `psa` with one lock (none when the lock fails or
  // `psa` is null); fact 2 when `psa` is the array held. Returns *this.
  CSafeArray& operator=(SAFEARRAY* psa);
  // Shares other's array (facts 2 and 3). Returns *this.
  CSafeArray& operator=(CSafeArray& other);

  // The address of the (null) array pointer, for an out-parameter that
  // receives an array the wrapper then owns, unlocked (fact 4).
  SAFEARRAY** operator&();
  // The array held, or null; the wrapper keeps it. Not const, so that a
  // const wrapper cannot be shared through its raw pointer, which would
  // bypass fact 3 (a const wrapper is neither copied nor assigned from).
  operator SAFEARRAY*() noexcept;

  // Undoes this wrapper's locks, destroys the array (the platform's refusal,
  // while someone else locks it, is ignored) and leaves the wrapper Empty.
  // Always 0 (fact 1).
  LONG Destroy();

  // Locks the array and stores the address of its data through `ppvData`;
  // the count rises by one. E_POINTER when Empty; the platform's failure
  // (E_INVALIDARG for a null `ppvData`) leaves everything as it was, and so
  // does E_UNEXPECTED when the wrapper already holds INT_MAX locks.
  LONG AccessData(void** ppvData);
  // Undoes one lock; the count falls by one. E_POINTER when Empty;
  // E_UNEXPECTED, count unchanged, when the array is not locked.
  LONG UnaccessData();

  // The bounds of dimension `nDim`, numbered from 1. E_POINTER when Empty;
  // DISP_E_BADINDEX for a dimension out of range, E_INVALIDARG for a null
  // out-pointer (nothing stored). The `long` forms store the same value
  // (sign-extended where `long` has 64 bits; on i386 it has 32, like LONG).
  LONG GetLBound(LONG* plLBound, UINT nDim);
  LONG GetUBound(LONG* plUBound, UINT nDim);
  LONG GetLBound(long* plLBound, UINT nDim);
  LONG GetUBound(long* plUBound, UINT nDim);
  // The element type (VT_UI1 is 17). E_POINTER when Empty; E_INVALIDARG
  // when the type cannot be read or `pvt` is null. Not traced.
  LONG GetVarType(unsigned short* pvt);

  // Replaces `bytes` with the first U - L + 1 bytes of the array's data,
  // where L and U are the bounds of dimension `nDim` (for a vector: the
  // whole array). E_POINTER when Empty; E_INVALIDARG when the element type
  // is not VT_UI1 or cannot be read, or as in fact 6; the platform's failure
  // to lock or to read a bound. `bytes` is untouched on every failure; the
  // lock count is the same afterwards (unless std::bad_alloc passes
  // through, when the lock taken stays counted until the next Destroy).
  LONG GetData(CByteArray& bytes, UINT nDim);

  // Lets go of the array held (as Destroy) and owns a new, unlocked copy of
  // `psaSrc` (fact 5). Returns the platform copy's status: E_INVALIDARG for
  // a null `psaSrc`, the wrapper then being Empty.
  LONG Copy(SAFEARRAY* psaSrc);

 private:
  void InternalInit();

  SAFEARRAY* m_pSafeArray;
  LONG m_nLockCount;
};
