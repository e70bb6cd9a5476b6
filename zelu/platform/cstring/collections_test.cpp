#include <zelu/platform/cstring/collections.h>

#include <vector>

#include <gtest/gtest.h>

namespace {

// SetAtGrow appends at GetSize() and fills a gap with empty strings; SetSize
// gives exactly n elements, new ones zero, and below 1 releases the storage.
TEST(CollectionsTest, GrowAndResize) {
  CStringArray list;
  EXPECT_EQ(list.Add(CString(u"a")), 0);
  list.SetAtGrow(list.GetSize(), CString(u"b"));
  list.SetAtGrow(3, CString(u"d"));
  ASSERT_EQ(list.GetSize(), 4);
  EXPECT_TRUE(list[1] == CString(u"b") && list.GetAt(2).IsEmpty() && list[3] == CString(u"d"));
  CByteArray bytes;
  bytes.SetSize(5, -1);
  bytes.GetData()[4] = 0xAB;
  bytes.SetSize(2);
  bytes.SetSize(5);
  EXPECT_EQ(std::vector<BYTE>(bytes.GetData(), bytes.GetData() + 5), std::vector<BYTE>(5, 0));
  for (const int size : {0, -3}) {
    bytes.SetSize(size);
    EXPECT_EQ(bytes.GetSize(), 0) << size;
    EXPECT_EQ(bytes.GetData(), nullptr) << size;
    bytes.SetSize(1);
  }
}

// The element passed in may be one of the array's own, which the growth
// moves: it is copied first.
TEST(CollectionsTest, GrowingFromAnElementOfTheSameArray) {
  const CString long_text(u"a text too long for the small-string buffer of the library's vector");
  for (const int extra : {0, 2}) {
    CStringArray set;
    set.Add(long_text);
    set.SetAtGrow(set.GetSize() + extra, set[0]);
    EXPECT_EQ(set[set.GetSize() - 1], long_text) << extra;
    CStringArray inserted;
    inserted.Add(long_text);
    inserted.InsertAt(1 + extra, inserted[0], 2);
    EXPECT_EQ(inserted.GetSize(), 3 + extra);
    EXPECT_TRUE(inserted[1 + extra] == long_text && inserted[2 + extra] == long_text) << extra;
  }
}

TEST(CollectionsTest, PointerArrayDoesNotOwn) {
  int values[2] = {1, 2};
  CPtrArray pointers;
  pointers.SetAtGrow(0, &values[0]);
  pointers.Add(&values[1]);
  pointers.InsertAt(0, nullptr);
  ASSERT_EQ(pointers.GetSize(), 3);
  EXPECT_EQ(static_cast<int*>(pointers[2]), &values[1]);
  pointers.RemoveAt(0);
  EXPECT_EQ(static_cast<int*>(pointers.GetAt(0)), &values[0]);
  pointers.RemoveAll();
  EXPECT_EQ(values[0], 1);
}

}  // namespace
