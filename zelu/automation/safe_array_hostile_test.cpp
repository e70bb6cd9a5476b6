// CSafeArray on arrays whose bounds sit at the ends of the 32-bit range:
// the bounds come back as the platform keeps them (the upper one wraps
// around in 32 bits), and GetData copies exactly the elements of the
// dimension asked for, or refuses one that holds more than the data does.
#include <zelu/automation/safe_array.h>

#include <climits>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Dimension {
  LONG lower;
  ULONG count;
};

// The upper bound in 32-bit arithmetic, as the platform computes it.
LONG Upper(const Dimension& d) { return static_cast<LONG>(static_cast<ULONG>(d.lower) + d.count - 1u); }

SAFEARRAY* MakeBytes(const std::vector<Dimension>& dimensions) {
  std::vector<SAFEARRAYBOUND> bounds;
  for (const Dimension& d : dimensions) bounds.push_back({d.count, d.lower});
  SAFEARRAY* array = SafeArrayCreate(VT_UI1, static_cast<UINT>(bounds.size()), bounds.data());
  void* data = nullptr;
  if (array != nullptr && SafeArrayAccessData(array, &data) == S_OK) {
    std::size_t elements = 1;
    for (const Dimension& d : dimensions) elements *= d.count;
    for (std::size_t i = 0; i < elements; ++i) static_cast<unsigned char*>(data)[i] = static_cast<unsigned char>(i + 1);
    SafeArrayUnaccessData(array);
  }
  return array;
}

struct Row {
  const char* name;
  std::vector<Dimension> dimensions;
  std::vector<LONG> data_status;  // GetData's status for each dimension
};

TEST(SafeArrayHostileTest, BoundsAtTheEndsOfTheRange) {
  const Row rows[] = {
      {"one element at INT_MAX", {{INT_MAX, 1}}, {S_OK}},
      {"upper bound wraps to INT_MIN", {{INT_MAX, 2}}, {S_OK}},
      {"eight elements across the wrap", {{INT_MAX - 2, 8}}, {S_OK}},
      {"three from INT_MIN", {{INT_MIN, 3}}, {S_OK}},
      {"empty at INT_MIN: upper bound INT_MAX", {{INT_MIN, 0}}, {S_OK}},
      {"empty at 0: upper bound -1", {{0, 0}}, {S_OK}},
      {"2-D across the wrap", {{INT_MAX, 3}, {INT_MIN, 4}}, {S_OK, S_OK}},
      {"2-D with an empty dimension", {{INT_MAX - 1, 5}, {INT_MIN, 0}}, {E_INVALIDARG, S_OK}},
  };
  for (const Row& row : rows) {
    CSafeArray array(MakeBytes(row.dimensions));
    for (UINT dim = 1; dim <= row.dimensions.size(); ++dim) {
      const Dimension& d = row.dimensions[dim - 1];
      LONG lower = 0;
      long upper = 0;
      EXPECT_EQ(array.GetLBound(&lower, dim), S_OK) << row.name;
      EXPECT_EQ(array.GetUBound(&upper, dim), S_OK) << row.name;
      EXPECT_EQ(lower, d.lower) << row.name << ", dimension " << dim;
      EXPECT_EQ(upper, Upper(d)) << row.name << ", dimension " << dim;
      CByteArray bytes;
      bytes.Add(0xEE);
      const LONG status = array.GetData(bytes, dim);
      EXPECT_EQ(status, row.data_status[dim - 1]) << row.name << ", dimension " << dim;
      if (status != S_OK) {
        EXPECT_EQ(bytes.GetSize(), 1) << "untouched on failure";
        continue;
      }
      ASSERT_EQ(static_cast<ULONG>(bytes.GetSize()), d.count) << row.name << ", dimension " << dim;
      for (ULONG i = 0; i < d.count; ++i) EXPECT_EQ(bytes[static_cast<int>(i)], static_cast<BYTE>(i + 1)) << row.name;
    }
    LONG unused = 0;
    EXPECT_EQ(array.GetLBound(&unused, static_cast<UINT>(row.dimensions.size() + 1)), DISP_E_BADINDEX) << row.name;
  }
}

}  // namespace
