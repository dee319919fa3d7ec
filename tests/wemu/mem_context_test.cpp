// Memory drawing contexts: zeroed, aligned buffers; sizes that cannot fit; release is safe twice.
#include <gtest/gtest.h>

#include <cstdint>

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
