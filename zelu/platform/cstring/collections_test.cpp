#include <zelu/platform/cstring/collections.h>

#include <gtest/gtest.h>

namespace {

TEST(CollectionsTest, StringArrayGrowsAndEmpties) {
  CStringArray list;
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_EQ(list.Add(CString(u"a")), 0);
  list.SetAtGrow(list.GetSize(), CString(u"b"));  // appends
  list.SetAtGrow(3, CString(u"d"));               // fills the gap with empty strings
  ASSERT_EQ(list.GetSize(), 4);
  EXPECT_EQ(list[1], CString(u"b"));
  EXPECT_TRUE(list.GetAt(2).IsEmpty());
  list.SetAt(2, CString(u"c"));
  EXPECT_EQ(list.GetAt(2), CString(u"c"));
  list.SetSize(0, -1);
  EXPECT_EQ(list.GetSize(), 0);
}

TEST(CollectionsTest, ByteArraySetSizeGivesExactlyThatManyZeroBytes) {
  CByteArray bytes;
  bytes.SetSize(5, -1);
  ASSERT_EQ(bytes.GetSize(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(bytes[i], 0);
  bytes.GetData()[4] = 0xAB;
  bytes.SetSize(2);
  bytes.SetSize(5);
  EXPECT_EQ(bytes[4], 0) << "shrinking and growing again gives fresh zero bytes";
  bytes.SetSize(0);
  EXPECT_EQ(bytes.GetSize(), 0);
  EXPECT_EQ(bytes.GetData(), nullptr) << "SetSize(0) releases the storage";
}

TEST(CollectionsTest, PointerArrayDoesNotOwn) {
  int values[2] = {1, 2};
  CPtrArray pointers;
  pointers.SetAtGrow(0, &values[0]);
  pointers.Add(&values[1]);
  pointers.InsertAt(0, nullptr);
  ASSERT_EQ(pointers.GetSize(), 3);
  EXPECT_EQ(pointers[0], nullptr);
  EXPECT_EQ(static_cast<int*>(pointers[2]), &values[1]);
  pointers.RemoveAt(0);
  EXPECT_EQ(static_cast<int*>(pointers.GetAt(0)), &values[0]);
  pointers.RemoveAll();
  EXPECT_EQ(values[0], 1);
}

}  // namespace
