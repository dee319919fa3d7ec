// GDI objects: selection rules, reference counting, stock objects, bitmap objects and images.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include "support/png_writer.h"
#include "wemu/gdi_objects.h"
#include "wemu/utilities.h"

namespace {

// A pixel with bytes in memory alpha, red, green, blue.
constexpr std::uint32_t Px(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return a | r << 8 | g << 16 | b << 24;
}

class GdiObjects : public ::testing::Test {
 protected:
  void SetUp() override { dc = WEMU_CreateMemContext(nullptr, 8, 8); }
  void TearDown() override { WEMU_DeleteGfxContext(dc); }
  HDC dc = nullptr;
};

TEST_F(GdiObjects, SelectingReturnsThePreviousObjectOrTheSmallValue) {
  HPEN pen = CreatePen(0, 2, 0xFF0000);
  HBRUSH brush = CreateSolidBrush(0x00FF00);
  HFONT font = WEMU_AllocGDIObject(WEMU_OBJ_FONT);
  EXPECT_EQ(SelectObject(dc, font), WEMU_DEFAULT_FONT);
  EXPECT_EQ(SelectObject(dc, font), font);  // already selected: the object itself
  EXPECT_EQ(SelectObject(dc, pen), WEMU_DEFAULT_PEN);
  EXPECT_EQ(SelectObject(dc, brush), WEMU_DEFAULT_BRUSH);
  EXPECT_EQ(dc->pen, pen);
  EXPECT_EQ(dc->brush, brush);
  EXPECT_EQ(SelectObject(dc, WEMU_DEFAULT_FONT), font);  // clears the slot
  EXPECT_EQ(dc->font, nullptr);
  EXPECT_EQ(SelectObject(dc, WEMU_DEFAULT_FONT), WEMU_DEFAULT_FONT);
  // A deleted object in a slot does not come back.
  DeleteObject(pen);
  EXPECT_EQ(SelectObject(dc, WEMU_DEFAULT_PEN), WEMU_DEFAULT_PEN);
  DeleteObject(brush);
  DeleteObject(font);
}

TEST_F(GdiObjects, ThingsThatCannotBeSelected) {
  HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
  EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(4)), nullptr);
  HPEN pen = CreatePen(0, 1, 0);
  EXPECT_EQ(SelectObject(nullptr, pen), nullptr);
  DeleteObject(pen);
  if (!WEMU_IsLiveGDIObject(pen)) {
    EXPECT_EQ(SelectObject(dc, pen), nullptr);
  }
  DeleteObject(bitmap);
}

TEST_F(GdiObjects, CloneKeepsTheObjectUntilTheLastDelete) {
  HBRUSH brush = CreateSolidBrush(0x123456);
  EXPECT_EQ(WEMU_CloneGDIObject(brush), brush);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(WEMU_IsLiveGDIObject(brush, WEMU_OBJ_BRUSH));
  EXPECT_EQ(SelectObject(dc, brush), WEMU_DEFAULT_BRUSH);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(WEMU_IsLiveGDIObject(brush));
  EXPECT_FALSE(DeleteObject(brush));  // twice: ignored
  EXPECT_EQ(WEMU_CloneGDIObject(brush), nullptr);
  EXPECT_EQ(WEMU_CloneGDIObject(reinterpret_cast<HGDIOBJ>(3)), nullptr);
}

TEST_F(GdiObjects, StockObjectsAreNeverDeleted) {
  HGDIOBJ pen = GetStockObject(1), brush = GetStockObject(2);
  ASSERT_NE(pen, nullptr);
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(pen->type, WEMU_OBJ_PEN);
  EXPECT_EQ(pen->width, -1);
  EXPECT_EQ(brush->type, WEMU_OBJ_BRUSH);
  EXPECT_EQ(GetStockObject(0), nullptr);
  EXPECT_EQ(GetStockObject(3), nullptr);
  DeleteObject(pen);
  DeleteObject(brush);
  EXPECT_TRUE(WEMU_IsLiveGDIObject(pen, WEMU_OBJ_PEN));
  EXPECT_EQ(SelectObject(dc, brush), WEMU_DEFAULT_BRUSH);
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(2)));
}

TEST_F(GdiObjects, PenWidthAndManyObjectsThroughThePool) {
  HPEN thin = CreatePen(0, -5, 0);
  EXPECT_EQ(thin->width, 0);
  DeleteObject(thin);
  std::vector<HGDIOBJ> objects;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 300; ++i)
      objects.push_back(i % 2 ? CreatePen(0, i, i) : CreateSolidBrushAlpha(i, 0.5f));
    for (HGDIOBJ o : objects) EXPECT_TRUE(DeleteObject(o));
    objects.clear();
  }
  HBRUSH b = CreateSolidBrushAlpha(0xFF0000, 2.0f);  // alpha limited to 1
  EXPECT_EQ(b->color.a, 1.0);
  EXPECT_EQ(b->color.r, 1.0);
  DeleteObject(b);
}

TEST_F(GdiObjects, GetObjectAnswersOnlyBitmapsAskedWithSizeEight) {
  HBITMAP bitmap = CreateBitmap(3, 2, 1, 32, nullptr);
  unsigned char buffer[16];
  std::memset(buffer, 0xAB, sizeof(buffer));
  EXPECT_EQ(GetObject(bitmap, 16, buffer), 0);
  for (unsigned char b : buffer) EXPECT_EQ(b, 0);
  BITMAP bm{-1, -1};
  EXPECT_EQ(GetObject(bitmap, 8, &bm), 1);
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  bitmap->imageWidth = 10.4;
  bitmap->imageHeight = 20.5;
  EXPECT_EQ(GetObject(bitmap, 8, &bm), 1);
  EXPECT_EQ(bm.bmWidth, 10);
  EXPECT_EQ(bm.bmHeight, 21);
  HPEN pen = CreatePen(0, 1, 0);
  EXPECT_EQ(GetObject(pen, 8, &bm), 0);
  EXPECT_EQ(bm.bmWidth, 0);
  DeleteObject(pen);
  DeleteObject(bitmap);
  EXPECT_EQ(GetObject(bitmap, 8, &bm), 0);
}

TEST_F(GdiObjects, BitmapsIconsAndTheirImages) {
  const std::uint32_t pixels[2] = {Px(0xFF, 0x10, 0x20, 0x30), Px(0x80, 1, 2, 3)};
  HBITMAP bitmap = CreateBitmap(2, 1, 1, 32, pixels);
  ASSERT_NE(bitmap, nullptr);
  vq::platform::Image* image = GetNSImageFromHICON(bitmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->pixels, (std::vector<uint8_t>{0x10, 0x20, 0x30, 0xFF, 1, 2, 3, 0x80}));
  EXPECT_EQ(CreateBitmap(2, 1, 1, 24, pixels), nullptr);
  EXPECT_EQ(CreateBitmap(0, 1, 1, 32, pixels), nullptr);

  ICONINFO info{TRUE, 0, 0, nullptr, bitmap};
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->width, 1);  // owns its image
  EXPECT_EQ(GetNSImageFromHICON(icon)->pixels, image->pixels);
  info.hbmColor = nullptr;
  EXPECT_EQ(CreateIconIndirect(&info), nullptr);
  DeleteObject(bitmap);
  EXPECT_NE(GetNSImageFromHICON(icon), nullptr);  // a copy, not the bitmap's
  EXPECT_EQ(GetNSImageFromHICON(bitmap), nullptr);
  DeleteObject(icon);
}

TEST_F(GdiObjects, ImageListsHoldReferences) {
  HBITMAP a = CreateBitmap(1, 1, 1, 32, nullptr), b = CreateBitmap(1, 1, 1, 32, nullptr);
  HIMAGELIST list = ImageList_CreateEx(16, 16, 0, 4, 4);
  EXPECT_EQ(ImageList_ReplaceIcon(list, -1, a), 0);
  EXPECT_EQ(ImageList_ReplaceIcon(list, -1, b), 1);
  EXPECT_EQ(ImageList_ReplaceIcon(list, 5, b), -1);
  DeleteObject(a);
  DeleteObject(b);
  EXPECT_TRUE(WEMU_IsLiveGDIObject(a));
  EXPECT_EQ(ImageList_ReplaceIcon(list, 0, b), 0);  // a leaves the list and is freed
  EXPECT_FALSE(WEMU_IsLiveGDIObject(a));
  EXPECT_TRUE(ImageList_Remove(list, 1));
  EXPECT_EQ(ImageList_GetImageCount(list), 1);
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(WEMU_IsLiveGDIObject(b));
}

class NamedImages : public GdiObjects {
 protected:
  void SetUp() override {
    GdiObjects::SetUp();
    char tmpl[] = "/tmp/gdi_images_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    folder = tmpl;
    savedResources = WEMU_GetResourceFolder();
  }
  void TearDown() override {
    WEMU_SetResourceFolder(savedResources);
    std::filesystem::remove_all(folder);
    GdiObjects::TearDown();
  }
  std::string write(const std::string& name, std::vector<uint16_t> rgb) {
    vqtest::PngImage png;
    png.width = static_cast<int>(rgb.size() / 3);
    png.height = 1;
    png.colorType = PNG_COLOR_TYPE_RGB;
    png.samples = std::move(rgb);
    const std::string path = folder + "/" + name;
    vqtest::WriteFile(path, vqtest::EncodePng(png));
    return path;
  }
  std::string folder, savedResources;
};

TEST_F(NamedImages, ColourKeyClearsOnlyPureMagenta) {
  const std::string plain = write("plain.png", {255, 0, 254, 10, 20, 30});
  const std::string keyed = write("keyed.png", {255, 0, 255, 10, 20, 30});
  HBITMAP a = LoadNamedImage(plain.c_str(), TRUE);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->image->pixels, (std::vector<uint8_t>{255, 0, 254, 255, 10, 20, 30, 255}));
  HBITMAP b = LoadNamedImage(keyed.c_str(), TRUE);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->image->pixels, (std::vector<uint8_t>{0, 0, 0, 0, 10, 20, 30, 255}));
  HBITMAP c = LoadNamedImage(keyed.c_str(), FALSE);
  EXPECT_EQ(c->image->pixels[3], 255);
  BITMAP bm;
  EXPECT_EQ(GetObject(b, 8, &bm), 1);
  EXPECT_EQ(bm.bmWidth, 2);
  DeleteObject(a);
  DeleteObject(b);
  DeleteObject(c);
}

TEST_F(NamedImages, ByNameFromTheResourceFolderOrNothing) {
  write("knob.png", {1, 2, 3});
  WEMU_SetResourceFolder(folder + "/");
  HBITMAP byName = LoadNamedImage("knob", FALSE);
  ASSERT_NE(byName, nullptr);
  DeleteObject(byName);
  EXPECT_EQ(LoadNamedImage("missing", FALSE), nullptr);
  EXPECT_EQ(LoadNamedImage((folder + "/missing.png").c_str(), FALSE), nullptr);
  EXPECT_EQ(LoadNamedImage(nullptr, FALSE), nullptr);
}

TEST_F(GdiObjects, ImageDrawnScaledIntoRectangle) {
  const std::uint32_t pixels[1] = {Px(0xFF, 0xFF, 0, 0)};
  HBITMAP red = CreateBitmap(1, 1, 1, 32, pixels);
  RECT r{2, 2, 4, 5};
  DrawImageInRect(dc, red, &r);
  int n = 0;
  for (int i = 0; i < 64; ++i) n += WEMU_GetCtxFrameBuffer(dc)[i] == 0x0000FF00u;
  EXPECT_EQ(n, 6);
  DeleteObject(red);
}

}  // namespace

namespace {

// Contexts and objects are made and released on several threads at once (the pools are shared).
TEST(GdiPools, ManyThreadsMakeAndReleaseContextsAndObjects) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 300; ++i) {
        HDC dc = WEMU_CreateMemContext(nullptr, 4 + t, 4);
        HBRUSH b = CreateSolidBrush(static_cast<COLORREF>(i));
        SelectObject(dc, b);
        SelectObject(dc, WEMU_DEFAULT_BRUSH);
        DeleteObject(b);
        WEMU_DeleteGfxContext(dc);
      }
    });
  for (auto& th : threads) th.join();
  HDC dc = WEMU_CreateMemContext(nullptr, 2, 2);
  EXPECT_NE(WEMU_GetCtxFrameBuffer(dc), nullptr);
  WEMU_DeleteGfxContext(dc);
}

}  // namespace
