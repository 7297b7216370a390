// The state chunk as a byte stream: little-endian values, bounded reads.

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "plug/IStateChunk.h"

using plug::IStateChunk;

namespace {
std::vector<uint8_t> Bytes(const IStateChunk& c) { return {c.GetData(), c.GetData() + c.Size()}; }
} // namespace

TEST(StateChunk, WritesLittleEndianAndReadsBack)
{
  IStateChunk c;
  EXPECT_TRUE(c.Put(int32_t(0x01020304)));
  EXPECT_TRUE(c.Put(1.0));
  EXPECT_TRUE(c.Put(-2.5f));
  EXPECT_TRUE(c.PutBytes("ab", 2));
  EXPECT_EQ(Bytes(c), (std::vector<uint8_t>{0x04, 0x03, 0x02, 0x01,                         //
                                            0, 0, 0, 0, 0, 0, 0xF0, 0x3F,                   // 1.0
                                            0x00, 0x00, 0x20, 0xC0,                         // -2.5f
                                            'a', 'b'}));
  int32_t i = 0;
  double d = 0;
  float f = 0;
  int pos = c.Get(&i, 0);
  pos = c.Get(&d, pos);
  pos = c.Get(&f, pos);
  EXPECT_EQ(pos, 16);
  EXPECT_EQ(i, 0x01020304);
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(f, -2.5f);

  IStateChunk copy;
  copy.PutChunk(c);
  EXPECT_EQ(Bytes(copy), Bytes(c));
}

TEST(StateChunk, ReadsAreBoundedByTheData)
{
  IStateChunk c;
  c.Put(int32_t(7));
  double d = 42.0;
  EXPECT_EQ(c.Get(&d, 0), -1); // 4 bytes cannot hold a double
  EXPECT_EQ(d, 42.0);
  int32_t i = 0;
  EXPECT_EQ(c.Get(&i, 1), -1);
  EXPECT_EQ(c.Get(&i, 4), -1);
  EXPECT_EQ(c.Get(&i, INT_MAX), -1); // no wrap-around
  EXPECT_EQ(c.Get(&i, -1), -1);      // a failed position runs on unchanged
  EXPECT_EQ(c.Get(&i, -7), -7);
  char buf[4];
  EXPECT_EQ(c.GetBytes(buf, -3, 0), -1);
  EXPECT_FALSE(c.HasBytes(0, INT_MAX));
  EXPECT_FALSE(c.PutBytes(nullptr, 3));
  EXPECT_FALSE(c.PutBytes("x", -1));
  EXPECT_EQ(c.Size(), 4);

  IStateChunk other;
  other.Put(1.0);
  c.Swap(other);
  EXPECT_EQ(c.Size(), 8);
  EXPECT_EQ(other.Size(), 4);
}
