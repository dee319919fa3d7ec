// Memory drawing contexts: zeroed, aligned buffers; sizes that cannot fit; release is safe twice.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "platform/draw_context.h"
#include "wemu/mem_context.h"

TEST(MemContext, OneByOneIsAlignedAndZero) {
  HDC__* dc = WEMU_CreateMemContext(nullptr, 1, 1);
  ASSERT_NE(dc, nullptr);
  std::uint32_t* px = WEMU_GetCtxFrameBuffer(dc);
  ASSERT_NE(px, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(px) % 64, 0u);
  EXPECT_EQ(px[0], 0u);
  WEMU_DeleteGfxContext(dc);
}

TEST(MemContext, WholeBufferWritable) {
  HDC__* dc = WEMU_CreateMemContext(nullptr, 33, 17);
  ASSERT_NE(dc, nullptr);
  std::uint32_t* px = WEMU_GetCtxFrameBuffer(dc);
  for (int i = 0; i < 33 * 17; ++i) {
    EXPECT_EQ(px[i], 0u);
    px[i] = 0xFFFFFFFFu;
  }
  WEMU_DeleteGfxContext(dc);
}

TEST(MemContext, SizesThatDoNotFitGiveNull) {
  EXPECT_EQ(WEMU_CreateMemContext(nullptr, 0, 5), nullptr);
  EXPECT_EQ(WEMU_CreateMemContext(nullptr, 5, -1), nullptr);
  EXPECT_EQ(WEMU_CreateMemContext(nullptr, 65536, 65536), nullptr);  // 16 GiB: would wrap an int
  EXPECT_EQ(WEMU_CreateMemContext(nullptr, 0x7FFFFFFF, 0x7FFFFFFF), nullptr);
}

TEST(MemContext, ReleasedAndNullContextsAreIgnored) {
  EXPECT_EQ(WEMU_GetCtxFrameBuffer(nullptr), nullptr);
  WEMU_DeleteGfxContext(nullptr);
  HDC__* dc = WEMU_CreateMemContext(nullptr, 4, 4);
  ASSERT_NE(dc, nullptr);
  WEMU_DeleteGfxContext(dc);
  WEMU_DeleteGfxContext(dc);  // already released: ignored
  HDC__ foreign;
  EXPECT_EQ(WEMU_GetCtxFrameBuffer(&foreign), nullptr);
  WEMU_DeleteGfxContext(&foreign);
}

TEST(MemContext, RecordsComeBackFromThePool) {
  HDC__* a = WEMU_CreateMemContext(nullptr, 8, 8);
  ASSERT_NE(a, nullptr);
  WEMU_GetCtxFrameBuffer(a)[0] = 0xFFFFFFFFu;
  WEMU_DeleteGfxContext(a);
  HDC__* b = WEMU_CreateMemContext(nullptr, 8, 8);
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(b->pooled);
  EXPECT_EQ(WEMU_GetCtxFrameBuffer(b)[0], 0u);  // a reused record gets a fresh, zeroed buffer
  EXPECT_EQ(b->font, nullptr);
  WEMU_DeleteGfxContext(b);
  for (int i = 0; i < 150; ++i) {  // beyond the pool's 100
    std::vector<HDC__*> many;
    for (int k = 0; k < 120; ++k) many.push_back(WEMU_AllocContextRecord());
    for (HDC__* c : many) WEMU_DeleteGfxContext(c);
  }
}

TEST(MemContext, WrappedAndBareRecords) {
  std::uint32_t px[4] = {};
  vq::platform::DrawContext surface(px, 2, 2, 2);
  HDC__* wrapped = WEMU_CreateGfxContext(&surface);
  ASSERT_NE(wrapped, nullptr);
  EXPECT_EQ(WEMU_GetCtxGC(wrapped), &surface);
  EXPECT_EQ(WEMU_GetCtxFrameBuffer(wrapped), nullptr);  // no owned pixels
  WEMU_DeleteGfxContext(wrapped);                       // leaves the surface alone
  EXPECT_EQ(surface.width(), 2);
  EXPECT_EQ(WEMU_CreateGfxContext(nullptr), nullptr);
  HDC__* bare = WEMU_AllocContextRecord();
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(WEMU_GetCtxGC(bare), nullptr);
  EXPECT_EQ(bare->textColor, 0u);
  WEMU_DeleteGfxContext(bare);
  EXPECT_EQ(WEMU_GetCtxGC(nullptr), nullptr);
}

TEST(MemContext, LargestSizeThatFitsAnInt) {
  // (INT_MAX - 63) / 4 pixels is the most a buffer with its alignment slack can hold.
  EXPECT_EQ(WEMU_CreateMemContext(nullptr, 1, (INT_MAX - 63) / 4 + 1), nullptr);
  EXPECT_EQ(WEMU_CreateMemContext(nullptr, 46341, 46341), nullptr);
}
