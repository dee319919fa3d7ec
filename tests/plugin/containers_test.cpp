// Growth rules of UTL_HeapBuf and the containers over it.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "plugin/utl_heapbuf.h"
#include "plugin/utl_mutex.h"

namespace {

struct AllocationCase {
  int granularity;
  int64_t request;
  int64_t allocation;
};

TEST(HeapBufGrowth, AllocationFollowsGranularityRules) {
  const AllocationCase cases[] = {
      {128, 10, 138},    // n + granularity
      {128, 300, 450},   // n + n / 2
      {4096, 10, 4000},  // a page less the allocator's header
      {4096, 100000, 147360},
      {4096, 20000000, 24190880},  // step capped at 4 MB
      {8192, 10, 8096},            // step from a large granularity
      {128, 0, 0},
  };
  for (const AllocationCase& c : cases) {
    EXPECT_EQ(UTL_HeapBuf::ComputeAllocation(c.request, c.granularity), c.allocation)
        << "granularity " << c.granularity << " request " << c.request;
  }
}

TEST(HeapBufGrowth, AllocationIsComputedWithoutOverflow) {
  // A request near the top of the int range must not wrap to a small block.
  EXPECT_GT(UTL_HeapBuf::ComputeAllocation(INT_MAX - 10, 128), int64_t{INT_MAX});
  EXPECT_GT(UTL_HeapBuf::ComputeAllocation(INT_MAX - 10, 4096), int64_t{INT_MAX} - 10);
}

TEST(HeapBufGrowth, ResizeOfEmptyBufferAllocatesPerRule) {
  UTL_HeapBuf small(128);
  ASSERT_NE(small.Resize(10), nullptr);
  EXPECT_EQ(small.GetSize(), 10);
  EXPECT_EQ(small.GetAllocated(), 138);

  UTL_HeapBuf pages(4096);
  ASSERT_NE(pages.Resize(100000), nullptr);
  EXPECT_EQ(pages.GetAllocated(), 147360);
}

TEST(HeapBufGrowth, GrowthKeepsContents) {
  UTL_HeapBuf hb(128);
  char* p = static_cast<char*>(hb.Resize(100));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) p[i] = static_cast<char>(i);
  p = static_cast<char*>(hb.Resize(100000));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], static_cast<char>(i));
}

TEST(HeapBufGrowth, ShrinkReleasesOnlyWhenAllowedAndFarBelow) {
  // 5333 bytes at granularity 128 make a 7999-byte block; 7000 still fits it.
  auto makeBuffer = [] {
    UTL_HeapBuf hb(128);
    hb.Resize(5333);
    hb.Resize(7000);
    return hb;
  };
  UTL_HeapBuf hb = makeBuffer();
  ASSERT_EQ(hb.GetAllocated(), 7999);

  UTL_HeapBuf kept = makeBuffer();
  kept.Resize(100, false);
  EXPECT_EQ(kept.GetSize(), 100);
  EXPECT_EQ(kept.GetAllocated(), 7999);

  UTL_HeapBuf near = makeBuffer();
  near.Resize(4000, true);  // not below the limit (half the block): kept
  EXPECT_EQ(near.GetAllocated(), 7999);

  hb.Resize(100, true);
  EXPECT_EQ(hb.GetSize(), 100);
  EXPECT_EQ(hb.GetAllocated(), 228);
}

TEST(HeapBufGrowth, ResizeToZero) {
  UTL_HeapBuf freed(128);
  freed.Resize(50);
  EXPECT_EQ(freed.Resize(0, true), nullptr);
  EXPECT_EQ(freed.GetAllocated(), 0);
  EXPECT_EQ(freed.Get(), nullptr);

  UTL_HeapBuf kept(128);
  kept.Resize(50);
  EXPECT_EQ(kept.Resize(0, false), nullptr);
  EXPECT_EQ(kept.GetSize(), 0);
  EXPECT_EQ(kept.GetAllocated(), 178);
  EXPECT_EQ(kept.Get(), nullptr);

  UTL_HeapBuf negative(128);
  negative.Resize(20);
  negative.Resize(-5, false);
  EXPECT_EQ(negative.GetSize(), 0);
}

TEST(HeapBufGrowth, OversizedRequestFailsAndKeepsContents) {
  UTL_HeapBuf hb(128);
  char* p = static_cast<char*>(hb.Resize(4));
  memcpy(p, "abc", 4);
  void* r = hb.Resize(INT_MAX - 10);
  EXPECT_EQ(r, p);
  EXPECT_EQ(hb.GetSize(), 4);
  EXPECT_STREQ(static_cast<char*>(hb.Get()), "abc");
}

TEST(HeapBufGrowth, AddAppendsBytes) {
  UTL_HeapBuf hb(128);
  ASSERT_NE(hb.Add("ab", 2), nullptr);
  ASSERT_NE(hb.Add("cd", 3), nullptr);
  EXPECT_EQ(hb.GetSize(), 5);
  EXPECT_STREQ(static_cast<char*>(hb.Get()), "abcd");
  EXPECT_EQ(hb.Add("x", 0), nullptr);
}

TEST(HeapBufCopy, CopyAndMoveCarryContents) {
  UTL_HeapBuf a(128);
  memcpy(a.Resize(6), "hello", 6);
  UTL_HeapBuf b(a);
  EXPECT_STREQ(static_cast<char*>(b.Get()), "hello");
  EXPECT_NE(b.Get(), a.Get());
  UTL_HeapBuf c(std::move(a));
  EXPECT_STREQ(static_cast<char*>(c.Get()), "hello");
  EXPECT_EQ(a.GetSize(), 0);
  b = c;
  EXPECT_STREQ(static_cast<char*>(b.Get()), "hello");
}

// ---------------------------------------------------------------------------

TEST(TypedBuf, AddInsertDelete) {
  UTL_TypedBuf<int> tb;
  for (int i = 0; i < 5; ++i) ASSERT_NE(tb.Add(i), nullptr);
  ASSERT_NE(tb.Insert(2, 99), nullptr);
  ASSERT_NE(tb.Insert(-4, 77), nullptr);   // clamped to the front
  ASSERT_NE(tb.Insert(100, 55), nullptr);  // clamped to the end
  const std::vector<int> expect = {77, 0, 1, 99, 2, 3, 4, 55};
  ASSERT_EQ(tb.GetSize(), static_cast<int>(expect.size()));
  for (int i = 0; i < tb.GetSize(); ++i) EXPECT_EQ(tb.Get()[i], expect[i]);
  EXPECT_TRUE(tb.Delete(0));
  EXPECT_FALSE(tb.Delete(7));
  EXPECT_EQ(tb.GetSize(), 7);
  EXPECT_EQ(tb.Get()[0], 0);
}

TEST(TypedBuf, CountTooLargeForBytesFails) {
  UTL_TypedBuf<double> tb;
  tb.Add(1.5);
  tb.Resize(INT_MAX / 4);  // 8-byte elements: the byte count does not fit
  EXPECT_EQ(tb.GetSize(), 1);
  EXPECT_EQ(tb.Get()[0], 1.5);
}

// ---------------------------------------------------------------------------

std::vector<int>* g_destroyOrder = nullptr;
void RecordDestroy(int* p) {
  g_destroyOrder->push_back(*p);
  delete p;
}

TEST(PtrList, InsertIndexRules) {
  int a = 1, b = 2, c = 3, d = 4, e = 5, f = 6;
  UTL_PtrList<int> list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&c);
  EXPECT_EQ(list.Insert(-5, &d), &d);  // other negative: front
  EXPECT_EQ(list.Get(0), &d);
  EXPECT_EQ(list.Insert(7, &e), &e);  // above the count: end
  EXPECT_EQ(list.Get(4), &e);
  EXPECT_EQ(list.Insert(-1, &f), &f);  // -1: end
  EXPECT_EQ(list.Get(5), &f);
  EXPECT_EQ(list.GetSize(), 6);
  EXPECT_EQ(list.Get(6), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Find(&c), 3);
  EXPECT_EQ(list.Find(nullptr), -1);
}

TEST(PtrList, EmptyDestroysFromLastToFirst) {
  std::vector<int> order;
  g_destroyOrder = &order;
  UTL_PtrList<int> list;
  for (int i = 0; i < 4; ++i) list.Add(new int(i));
  list.Empty(true, RecordDestroy);
  EXPECT_EQ(order, (std::vector<int>{3, 2, 1, 0}));
  EXPECT_EQ(list.GetSize(), 0);
  g_destroyOrder = nullptr;

  UTL_PtrList<std::string> owned;
  owned.Add(new std::string("x"));
  owned.Add(new std::string("y"));
  EXPECT_TRUE(owned.Delete(0, true));
  EXPECT_EQ(*owned.Get(0), "y");
  EXPECT_FALSE(owned.Delete(1, true));
  owned.Empty(true);  // default deletion; the sanitizer reports a leak otherwise
}

// ---------------------------------------------------------------------------

TEST(String, UnsetAndEmpty) {
  UTL_String s;
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.HeapBuf().GetSize(), 0);
  s.Set("");
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.HeapBuf().GetSize(), 1);
}

TEST(String, AppendToUnsetWorksAsSet) {
  UTL_String s;
  s.Append("abc");
  EXPECT_STREQ(s.Get(), "abc");
  EXPECT_EQ(s.GetLength(), 3);
  UTL_String e;
  e.Append("");
  EXPECT_EQ(e.HeapBuf().GetSize(), 1);
}

TEST(String, SetAppendInsert) {
  UTL_String s("hello");
  s.Append(" world");
  EXPECT_STREQ(s.Get(), "hello world");
  s.Insert("big ", 6);
  EXPECT_STREQ(s.Get(), "hello big world");
  s.Insert(">", -3);    // before the start: at the start
  s.Insert("<", 1000);  // past the end: at the end
  EXPECT_STREQ(s.Get(), ">hello big world<");
  s.Append("xyz", 2);
  EXPECT_STREQ(s.Get(), ">hello big world<xy");
  s.Set("abcdef", 3);
  EXPECT_STREQ(s.Get(), "abc");
  EXPECT_EQ(s.HeapBuf().GetSize(), 4);
}

TEST(String, LengthBeyondTextStopsAtItsEnd) {
  UTL_String s;
  s.Set("ab", 100);
  EXPECT_STREQ(s.Get(), "ab");
  EXPECT_EQ(s.GetLength(), 2);
}

TEST(String, ShorterSetKeepsAllocation) {
  UTL_String s;
  s.Set(std::string(1000, 'x').c_str());
  const int alloc = s.HeapBuf().GetAllocated();
  s.Set("y");
  EXPECT_STREQ(s.Get(), "y");
  EXPECT_EQ(s.HeapBuf().GetSize(), 2);
  EXPECT_EQ(s.HeapBuf().GetAllocated(), alloc);
}

TEST(String, TextFromItselfSurvivesGrowth) {
  UTL_String s("abc");
  for (int i = 0; i < 8; ++i) s.Append(s.Get());
  EXPECT_EQ(s.GetLength(), 3 * 256);
  EXPECT_EQ(std::string(s.Get()).substr(0, 9), "abcabcabc");

  UTL_String t("0123456789");
  t.Insert(t.Get() + 5, 2, 3);
  EXPECT_STREQ(t.Get(), "0156723456789");
}

TEST(String, SetSubstringReplacesAndRejectsBadArguments) {
  UTL_String s("abcdefgh");
  s.SetSubstring(2, "X", 1, 3);  // keeps 3 characters after the insert
  EXPECT_STREQ(s.Get(), "abXcde");
  s.SetSubstring(-1, "Q", 1, 0);
  s.SetSubstring(1, "Q", 0, 2);
  EXPECT_STREQ(s.Get(), "abXcde");
  s.SetSubstring(0, nullptr, 5, 0);
  EXPECT_STREQ(s.Get(), "");
}

TEST(String, DeleteSub) {
  UTL_String s("abcdef");
  s.DeleteSub(1, 2);
  EXPECT_STREQ(s.Get(), "adef");
  s.DeleteSub(2, 100);
  EXPECT_STREQ(s.Get(), "ad");
  s.DeleteSub(5, 1);
  EXPECT_STREQ(s.Get(), "ad");
}

TEST(String, SetFormattedCutsToMaximum) {
  UTL_String s;
  s.SetFormatted(5, "%d", 1234567);
  EXPECT_STREQ(s.Get(), "12345");
  EXPECT_EQ(s.HeapBuf().GetSize(), 6);
  s.SetFormatted(100, "%s-%d", "ab", 7);
  EXPECT_STREQ(s.Get(), "ab-7");
  EXPECT_EQ(s.GetLength(), 4);
  s.SetFormatted(0, "%s", "abc");
  EXPECT_STREQ(s.Get(), "");
}

TEST(String, FormatArgumentsMayPointIntoTheString) {
  UTL_String s("path");
  s.SetFormatted(255, "%s/%s/%s", s.Get(), s.Get(), "file");
  EXPECT_STREQ(s.Get(), "path/path/file");
  s.AppendFormatted(3, "%d", 123456);
  EXPECT_STREQ(s.Get(), "path/path/file123");
}

TEST(String, CopyIsDeep) {
  UTL_String a("one");
  UTL_String b(a);
  a.Set("two");
  EXPECT_STREQ(b.Get(), "one");
  b = a;
  EXPECT_STREQ(b.Get(), "two");
  UTL_String unset;
  b = unset;
  EXPECT_STREQ(b.Get(), "");
}

// ---------------------------------------------------------------------------

TEST(Mutex, IsRecursiveAndExcludesOtherThreads) {
  UTL_Mutex m;
  m.Enter();
  m.Enter();  // the plug's operations take it again while holding it
  bool otherGotIt = true;
  std::thread other([&] { otherGotIt = m.TryEnter(); });
  other.join();
  EXPECT_FALSE(otherGotIt);
  m.Leave();
  m.Leave();
  std::thread later([&] {
    otherGotIt = m.TryEnter();
    if (otherGotIt) m.Leave();
  });
  later.join();
  EXPECT_TRUE(otherGotIt);
}

TEST(Mutex, ReleaseLetsGoOfEveryLevelForItsScope) {
  UTL_Mutex m;
  m.Enter();
  m.Enter();
  bool otherGotIt = false;
  {
    UTL_MutexRelease unlocked(m);
    std::thread other([&] {
      otherGotIt = m.TryEnter();
      if (otherGotIt) m.Leave();
    });
    other.join();
  }
  EXPECT_TRUE(otherGotIt);
  EXPECT_EQ(m.HeldDepth(), 2);  // taken back as deeply
  std::thread after([&] { otherGotIt = m.TryEnter(); });
  after.join();
  EXPECT_FALSE(otherGotIt);
  m.Leave();
  m.Leave();
}

}  // namespace
