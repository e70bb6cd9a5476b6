// Test helper: the bytes a byte-array variant holds.
//
// Checks, as a test failure, that the variant has the shape every byte-array
// variant of the library is made with (VT_ARRAY | VT_UI1, one dimension,
// lower bound 0, one-byte VT_UI1 elements, not locked), then copies out the
// elements of its dimension.
#pragma once

#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/oleaut/oleaut.h>

namespace zelu::testing {

inline std::vector<BYTE> ByteArrayOf(const VARIANT& variant) {
  EXPECT_EQ(variant.vt, VT_ARRAY | VT_UI1);
  if (variant.vt != (VT_ARRAY | VT_UI1)) return {};
  SAFEARRAY* const array = variant.parray;
  LONG lower = -1, upper = -2;
  VARTYPE type = VT_EMPTY;
  EXPECT_EQ(SafeArrayGetDim(array), 1u);
  EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
  EXPECT_EQ(SafeArrayGetVartype(array, &type), S_OK);
  EXPECT_EQ(SafeArrayGetElemsize(array), 1u);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(type, VT_UI1);
  EXPECT_EQ(array->cLocks, 0u);
  const auto* data = static_cast<const BYTE*>(array->pvData);
  return {data, data + (upper - lower + 1)};
}

}  // namespace zelu::testing
