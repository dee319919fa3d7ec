// Bitmap classes: sizing, row alignment, growth without shrinking, and sizes that cannot fit.
#include <gtest/gtest.h>

#include <cstdint>

#include "rast/rast_bitmap.h"
#include "wemu/mem_context.h"

namespace {
bool Aligned64(const void* p) {
  return reinterpret_cast<std::uintptr_t>(p) % 64 == 0;
}
}  // namespace

TEST(PixelPacking, ChannelsInTheirBytes) {
  static_assert(RAST_MakePixel(0x12, 0x34, 0x56, 0x78) == 0x56341278u);
  static_assert(RAST_PixelAlpha(0x56341278u) == 0x78 && RAST_PixelRed(0x56341278u) == 0x12);
  static_assert(RAST_PixelGreen(0x56341278u) == 0x34 && RAST_PixelBlue(0x56341278u) == 0x56);
  const RAST_pixel p = RAST_MakePixel(1, 2, 3, 4);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&p);
  EXPECT_EQ(bytes[0], 4);  // memory order alpha, red, green, blue
  EXPECT_EQ(bytes[1], 1);
  EXPECT_EQ(bytes[3], 3);
}

TEST(MemBitmap, RowAlignmentAndPixelStart) {
  RAST_MemBitmap bm(5, 3, 4);
  EXPECT_EQ(bm.getRowSpan(), 8);
  EXPECT_TRUE(Aligned64(bm.getBits()));
  EXPECT_FALSE(bm.resize(5, 3));
  EXPECT_FALSE(bm.isFlipped());
  EXPECT_EQ(bm.getDC(), nullptr);
  EXPECT_EQ(bm.Extended(0x59555678, nullptr), 0);
  // Only the lowest power of two of the alignment counts; below 2 means none.
  EXPECT_EQ(RAST_MemBitmap(5, 1, 12).getRowSpan(), 8);
  EXPECT_EQ(RAST_MemBitmap(5, 1, 8).getRowSpan(), 8);
  EXPECT_EQ(RAST_MemBitmap(9, 1, 8).getRowSpan(), 16);
  EXPECT_EQ(RAST_MemBitmap(5, 1, 1).getRowSpan(), 5);
  EXPECT_EQ(RAST_MemBitmap(5, 1, 0).getRowSpan(), 5);
  EXPECT_EQ(RAST_MemBitmap(5, 1, 64).getRowSpan(), 16);  // limited to 16
}

TEST(MemBitmap, GrowsWithSlackAndNeverShrinks) {
  RAST_MemBitmap bm(100, 100, 4);
  EXPECT_EQ(bm.getAllocatedBytes(), 40000);
  EXPECT_TRUE(bm.resize(50, 50));
  EXPECT_EQ(bm.getAllocatedBytes(), 40000);
  EXPECT_TRUE(bm.resize(101, 100));
  EXPECT_EQ(bm.getRowSpan(), 104);
  EXPECT_EQ(bm.getAllocatedBytes(), 52000);
  EXPECT_TRUE(Aligned64(bm.getBits()));
  // Every pixel of the new size is writable (the sanitizer checks the bounds).
  for (int i = 0; i < 100 * 104; ++i) bm.getBits()[i] = 1;
}

TEST(MemBitmap, EmptyAndUnfittableSizes) {
  RAST_MemBitmap bm(10, 10);
  EXPECT_TRUE(bm.resize(0, 10));
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_EQ(bm.getAllocatedBytes(), 0);
  EXPECT_TRUE(bm.resize(-4, 10));
  EXPECT_EQ(bm.getBits(), nullptr);
  // A byte count beyond an int is an allocation failure (0 x 0), never a short buffer.
  EXPECT_TRUE(bm.resize(65536, 65536));
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_EQ(bm.getHeight(), 0);
  EXPECT_TRUE(bm.resize(0x7FFFFFFF, 1));
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getWidth(), 0);
  RAST_MemBitmap huge(0x40000000, 3);
  EXPECT_EQ(huge.getBits(), nullptr);
  EXPECT_EQ(huge.getWidth(), 0);
  // And it recovers with a normal size.
  EXPECT_TRUE(bm.resize(3, 3));
  ASSERT_NE(bm.getBits(), nullptr);
  bm.getBits()[3 * 4 - 1] = 7;
}

TEST(SysBitmap, ContextBackedPixels) {
  RAST_SysBitmap bm(5, 6);
  EXPECT_EQ(bm.getRowSpan(), 8);
  ASSERT_NE(bm.getDC(), nullptr);
  ASSERT_NE(bm.getBits(), nullptr);
  EXPECT_TRUE(Aligned64(bm.getBits()));
  EXPECT_EQ(bm.getBits(), WEMU_GetCtxFrameBuffer(bm.getDC()));
  for (int i = 0; i < 8 * 6; ++i) EXPECT_EQ(bm.getBits()[i], 0u);  // a new context starts zeroed
  HDC__* context = bm.getDC();
  EXPECT_TRUE(bm.resize(7, 6));  // fits the context: kept
  EXPECT_EQ(bm.getDC(), context);
  EXPECT_EQ(bm.getWidth(), 7);
  EXPECT_TRUE(bm.resize(9, 6));  // does not fit: a new context
  EXPECT_EQ(bm.getRowSpan(), 12);
  EXPECT_FALSE(bm.resize(9, 6));
  EXPECT_FALSE(bm.resize(0, 10));  // empty: the context is dropped
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getDC(), nullptr);
}

TEST(SysBitmap, StartsEmptyAndGrowsLater) {
  RAST_SysBitmap bm(0, 0);
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getDC(), nullptr);
  EXPECT_TRUE(bm.resize(3, 2));
  EXPECT_NE(bm.getDC(), nullptr);
  EXPECT_EQ(bm.Extended(0x59555678, nullptr), 0);
}

TEST(SysBitmap, UnfittableSizeIsAnAllocationFailure) {
  RAST_SysBitmap bm(4, 4);
  EXPECT_TRUE(bm.resize(0x7FFFFFFF, 2));
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_EQ(bm.getHeight(), 0);
  EXPECT_TRUE(bm.resize(50000, 50000));
  EXPECT_EQ(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_TRUE(bm.resize(2, 2));
  EXPECT_NE(bm.getBits(), nullptr);
}
