#include "plug/HeapBuf.h"
#include "tests/plug/AllocFailure.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace plug;
using testsupport::AllocFailure;

TEST(HeapBuf, GrowthFiguresFollowGranularity)
{
  HeapBuf small(128);
  EXPECT_NE(small.SetLength(10), nullptr);
  EXPECT_EQ(small.GetLength(), 10);
  EXPECT_EQ(small.GetAlloc(), 138);

  HeapBuf small2(128);
  small2.SetLength(1000);
  EXPECT_EQ(small2.GetAlloc(), 1500);

  HeapBuf paged(4096);
  paged.SetLength(10);
  EXPECT_EQ(paged.GetAlloc(), 4000);

  HeapBuf paged2(4096);
  paged2.SetLength(100000);
  EXPECT_EQ(paged2.GetAlloc(), 147360);

  // Growth within the allocation keeps the bytes where they are.
  void* p = paged2.Get();
  paged2.SetLength(140000);
  EXPECT_EQ(paged2.Get(), p);
  EXPECT_EQ(paged2.GetAlloc(), 147360);
}

TEST(HeapBuf, ShrinkRules)
{
  HeapBuf b(128);
  b.SetLength(1000);
  ASSERT_EQ(b.GetAlloc(), 1500);
  void* p = b.Get();

  // Lower limit min(1500 - 512, 750) = 750: 800 stays in place.
  EXPECT_EQ(b.SetLength(800), p);
  EXPECT_EQ(b.GetAlloc(), 1500);
  EXPECT_EQ(b.GetLength(), 800);

  // Below the limit the buffer is reallocated to 700 + 350.
  b.SetLength(700);
  EXPECT_EQ(b.GetAlloc(), 1050);
  EXPECT_EQ(b.GetLength(), 700);

  // Without allowShrink memory is never given back.
  b.SetLength(1, false);
  EXPECT_EQ(b.GetAlloc(), 1050);
  EXPECT_EQ(b.SetLength(0, false), nullptr);
  EXPECT_EQ(b.GetAlloc(), 1050);
  EXPECT_NE(b.Get(), nullptr);

  // A negative length is 0; with shrink it frees everything.
  b.SetLength(10, false);
  EXPECT_EQ(b.SetLength(-5), nullptr);
  EXPECT_EQ(b.GetAlloc(), 0);
  EXPECT_EQ(b.GetLength(), 0);
  EXPECT_EQ(b.Get(), nullptr);
}

TEST(HeapBuf, OversizeAndFailedAllocationsLeaveBufferUnchanged)
{
  HeapBuf b(4096);
  b.SetLength(100);
  std::memcpy(b.Get(), "keep", 5);
  void* p = b.Get();

  // The over-allocation would pass INT32_MAX: refused without touching the allocator.
  {
    AllocFailure counter(-1);
    EXPECT_EQ(b.SetLength(INT_MAX), p);
    EXPECT_EQ(AllocFailure::Count(), 0);
  }
  EXPECT_EQ(b.GetLength(), 100);

  {
    AllocFailure fail; // every allocation fails
    EXPECT_EQ(b.SetLength(100000), p);
    EXPECT_EQ(b.GetLength(), 100);
    EXPECT_EQ(b.GetAlloc(), 4000);
    EXPECT_STREQ(static_cast<char*>(b.Get()), "keep");

    HeapBuf empty(128);
    EXPECT_EQ(empty.SetLength(10), nullptr);
    EXPECT_EQ(empty.GetLength(), 0);
    EXPECT_EQ(empty.Get(), nullptr);
  }
}

namespace {
int sHookCalls = 0;
bool FailFirstOnly(std::size_t)
{
  return sHookCalls++ > 0;
}
} // namespace

TEST(HeapBuf, FallsBackToFreshBlockWhenReallocFails)
{
  HeapBuf b(128);
  b.SetLength(10);
  std::memcpy(b.Get(), "012345678", 10);
  sHookCalls = 0;
  HeapBufAllocHook prev = SetHeapBufAllocHook(&FailFirstOnly);
  b.SetLength(500);
  SetHeapBufAllocHook(prev);
  EXPECT_EQ(sHookCalls, 2);
  EXPECT_EQ(b.GetLength(), 500);
  EXPECT_EQ(b.GetAlloc(), 750);
  EXPECT_STREQ(static_cast<char*>(b.Get()), "012345678");
}

TEST(TypedBuf, ElementCountsAndOverflow)
{
  TypedBuf<double> t;
  EXPECT_NE(t.Resize(3), nullptr);
  EXPECT_EQ(t.GetSize(), 3);
  EXPECT_EQ(t.GetHeapBuf().GetLength(), 24);
  EXPECT_NE(t.Add(4.5), nullptr);
  EXPECT_EQ(t.GetSize(), 4);
  EXPECT_EQ(t.Get()[3], 4.5);
  EXPECT_TRUE(t.Delete(0));
  EXPECT_EQ(t.GetSize(), 3);
  EXPECT_EQ(t.Get()[2], 4.5);

  // n x sizeof(T) beyond INT32_MAX is a failure, not a wrapped size.
  t.Resize(INT_MAX / 4);
  EXPECT_EQ(t.GetSize(), 3);

  AllocFailure fail;
  TypedBuf<int> u;
  EXPECT_EQ(u.Add(1), nullptr);
  EXPECT_EQ(u.GetSize(), 0);
}

TEST(CharBuf, SetAppendInsertAndEmpty)
{
  CharBuf s;
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetLength(), 0);

  s.Set("world");
  EXPECT_STREQ(s.Get(), "world");
  EXPECT_EQ(s.GetHeapBuf().GetLength(), 6);
  s.Insert(0, "hello ");
  EXPECT_STREQ(s.Get(), "hello world");
  s.Append("!");
  EXPECT_STREQ(s.Get(), "hello world!");
  s.Insert(5, ",");
  EXPECT_STREQ(s.Get(), "hello, world!");

  // A shorter text cuts the length (the allocation is kept).
  const int alloc = s.GetHeapBuf().GetAlloc();
  s.Set("hi");
  EXPECT_STREQ(s.Get(), "hi");
  EXPECT_EQ(s.GetHeapBuf().GetLength(), 3);
  EXPECT_EQ(s.GetHeapBuf().GetAlloc(), alloc);

  s.Splice(0, nullptr, 0, 0);
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetHeapBuf().GetLength(), 1);

  // Nothing happens for a negative position or an empty source.
  s.Set("abc");
  s.Splice(-1, "x", 1, 0);
  s.Splice(1, "x", 0, 2);
  EXPECT_STREQ(s.Get(), "abc");
}

TEST(CharBuf, SpliceFromOwnBuffer)
{
  // Appending a text to itself while the bytes have to move (realloc refused, so a fresh
  // block is used and the old one freed).
  CharBuf s;
  std::string text(200, 'x');
  text[0] = 'A';
  text[199] = 'Z';
  s.Set(text.c_str());
  sHookCalls = 0;
  HeapBufAllocHook prev = SetHeapBufAllocHook(&FailFirstOnly);
  s.Append(s.Get());
  SetHeapBufAllocHook(prev);
  EXPECT_EQ(sHookCalls, 2);
  EXPECT_EQ(std::string(s.Get()), text + text);

  // A source that lies in the tail being moved still gives the original bytes.
  CharBuf t("hello world");
  t.Insert(0, t.Get() + 6, 5);
  EXPECT_STREQ(t.Get(), "worldhello world");

  // A source straddling the insertion point.
  CharBuf u("abcdef");
  u.Insert(3, u.Get() + 1, 4); // "bcde" inserted at 3
  EXPECT_STREQ(u.Get(), "abcbcdedef");

  // Setting a text to a part of itself (nothing moves, the source lies past pos).
  CharBuf v("hello world");
  v.Set(v.Get() + 6);
  EXPECT_STREQ(v.Get(), "world");
  v.Set(v.Get() + 1, 2);
  EXPECT_STREQ(v.Get(), "or");

  // A source past a tail that is moved over it: the original bytes still arrive.
  CharBuf w("abcdefgh");
  w.Splice(1, w.Get() + 3, 2, 2);
  EXPECT_STREQ(w.Get(), "adebc");
}

TEST(CharBuf, PrintfTruncatesAndFailsQuietly)
{
  CharBuf s;
  s.Printf(31, "%s", std::string(40, 'q').c_str());
  EXPECT_EQ(s.GetLength(), 31);
  EXPECT_EQ(s.GetHeapBuf().GetLength(), 32);
  EXPECT_EQ(std::string(s.Get()), std::string(31, 'q'));

  s.Printf(32, "Input %i", 3);
  EXPECT_STREQ(s.Get(), "Input 3");
  EXPECT_EQ(s.GetHeapBuf().GetLength(), 8);

  s.AppendPrintf(8, "-%d-", 12345678);
  EXPECT_STREQ(s.Get(), "Input 3-1234567");

  CharBuf empty;
  {
    AllocFailure fail;
    empty.Printf(31, "%d", 5);
    empty.Set("text");
    empty.Append("more");
  }
  EXPECT_STREQ(empty.Get(), "");
  EXPECT_EQ(empty.GetHeapBuf().GetLength(), 0);

  // A text that cannot grow keeps what it held, whichever path the splice takes.
  CharBuf kept("abcdefgh");
  {
    AllocFailure fail;
    kept.Append(std::string(300, 'z').c_str());
    kept.Printf(500, "%s", "replaced");
    kept.Splice(1, kept.Get() + 3, 2, 2); // would need a copy of its own source
  }
  EXPECT_STREQ(kept.Get(), "abcdefgh");
}

TEST(CharBuf, PrintfKeepsEveryCharacterAroundTheSwitchToLargeOutput)
{
  // The formatter's own small storage holds 255 characters and its terminator.
  for (int n : {255, 256, 257})
  {
    std::string text(static_cast<size_t>(n), 'x');
    text.back() = 'Z';
    CharBuf whole, cut, appended("<");
    whole.Printf(1000, "%s", text.c_str());
    EXPECT_EQ(std::string(whole.Get()), text) << n;
    EXPECT_EQ(whole.GetLength(), n);
    cut.Printf(n, "%s!", text.c_str()); // one character more than it may keep
    EXPECT_EQ(std::string(cut.Get()), text) << n;
    appended.AppendPrintf(n, "%s", text.c_str());
    EXPECT_EQ(std::string(appended.Get()), "<" + text) << n;
  }
}

TEST(CharBuf, PrintfWithArgumentsFromItsOwnBuffer)
{
  // The bytes have to move (realloc refused, so a fresh block is used and the old one freed)
  // while an argument still points into them.
  std::string text(200, 'x');
  text[0] = 'A';
  text[199] = 'Z';
  CharBuf s(text.c_str());
  sHookCalls = 0;
  HeapBufAllocHook prev = SetHeapBufAllocHook(&FailFirstOnly);
  s.AppendPrintf(1000, "%s", s.Get());
  SetHeapBufAllocHook(prev);
  EXPECT_EQ(std::string(s.Get()), text + text);

  CharBuf t(text.c_str());
  sHookCalls = 0;
  prev = SetHeapBufAllocHook(&FailFirstOnly);
  t.Printf(1000, "<%s|%.3s>", t.Get(), t.Get() + 197);
  SetHeapBufAllocHook(prev);
  EXPECT_EQ(std::string(t.Get()), "<" + text + "|xxZ>");

  // Without growth the output would overwrite its own argument while it is read.
  CharBuf u("hello world");
  u.Printf(40, "[%s] %s", u.Get() + 6, u.Get());
  EXPECT_STREQ(u.Get(), "[world] hello world");
  u.AppendPrintf(5, "%s", u.Get());
  EXPECT_STREQ(u.Get(), "[world] hello world[worl");
}

TEST(CharBuf, CopiesAreIndependent)
{
  CharBuf a("one");
  CharBuf b(a);
  b.Append(" two");
  EXPECT_STREQ(a.Get(), "one");
  EXPECT_STREQ(b.Get(), "one two");
  a = b;
  EXPECT_STREQ(a.Get(), "one two");
}

namespace {
struct Tracked
{
  explicit Tracked(int id, std::vector<int>& log, PtrArray<Tracked>* list = nullptr)
    : mId(id), mLog(log), mList(list)
  {
  }
  ~Tracked()
  {
    mLog.push_back(mId);
    // A re-entrant look at the list never finds this (or a deleted) item.
    if (mList)
      mLog.push_back(mList->GetSize());
  }
  int mId;
  std::vector<int>& mLog;
  PtrArray<Tracked>* mList;
};
} // namespace

TEST(PtrArray, ClearDeletesFromLastAndShrinksAsItGoes)
{
  std::vector<int> log;
  PtrArray<Tracked> list;
  for (int i = 0; i < 3; ++i)
    ASSERT_NE(list.Add(new Tracked(i, log, &list)), nullptr);
  EXPECT_EQ(list.GetSize(), 3);
  EXPECT_EQ(list.GetHeapBuf().GetLength(), 24);
  EXPECT_EQ(list.Get(3), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Get(1)->mId, 1);

  const int alloc = list.GetHeapBuf().GetAlloc();
  list.Clear(true);
  EXPECT_EQ(log, (std::vector<int>{2, 2, 1, 1, 0, 0}));
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_EQ(list.GetHeapBuf().GetAlloc(), alloc);

  // A custom deletion function, and null items skipped.
  static int deleted = 0;
  deleted = 0;
  list.Add(new Tracked(7, log));
  list.Add(nullptr);
  list.Clear(true, [](Tracked* t) {
    ++deleted;
    delete t;
  });
  EXPECT_EQ(deleted, 1);
}

TEST(PtrArray, InsertDeleteFindAndFailedAdd)
{
  PtrArray<int> list;
  int a = 1, b = 2, c = 3;
  list.Add(&a);
  list.Add(&c);
  list.Insert(1, &b);
  EXPECT_EQ(list.Get(0), &a);
  EXPECT_EQ(list.Get(1), &b);
  EXPECT_EQ(list.Get(2), &c);
  EXPECT_EQ(list.Find(&c), 2);
  list.Delete(0);
  EXPECT_EQ(list.Find(&a), -1);
  EXPECT_EQ(list.GetSize(), 2);

  PtrArray<int> other;
  AllocFailure fail;
  EXPECT_EQ(other.Add(&a), nullptr);
  EXPECT_EQ(other.GetSize(), 0);
}
