#include "rast/rast_bitmap.h"
#include "rast/rast_png.h"
#include "support/png_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using vqtest::EncodePng;
using vqtest::PngImage;

uint32_t Argb(int a, int r, int g, int b) {
  return uint32_t(a) | uint32_t(r) << 8 | uint32_t(g) << 16 | uint32_t(b) << 24;
}

uint32_t At(RAST_IBitmap* bm, int x, int y) {
  const int row = bm->isFlipped() ? bm->getHeight() - 1 - y : y;
  return bm->getBits()[row * bm->getRowSpan() + x];
}

class PngLoaderTest : public ::testing::Test {
 protected:
  std::string Write(const std::vector<uint8_t>& bytes, const std::string& name = "img.png") {
    std::string path = ::testing::TempDir() + "vq_png_" + std::to_string(getpid()) + "_" +
                       std::to_string(sCounter++) + "_" + name;
    vqtest::WriteFile(path, bytes);
    mPaths.push_back(path);
    return path;
  }
  void TearDown() override {
    for (auto& p : mPaths) std::remove(p.c_str());
  }
  std::unique_ptr<RAST_IBitmap> Load(const std::vector<uint8_t>& bytes) {
    return std::unique_ptr<RAST_IBitmap>(RAST_LoadPNG(Write(bytes).c_str(), nullptr));
  }
  static int sCounter;
  std::vector<std::string> mPaths;
};
int PngLoaderTest::sCounter = 0;

PngImage Rgba8(int w, int h) {
  PngImage img;
  img.width = w;
  img.height = h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      img.samples.push_back(uint16_t(x * 20));
      img.samples.push_back(uint16_t(y * 30));
      img.samples.push_back(uint16_t((x + y) * 7));
      img.samples.push_back(uint16_t(255 - x));
    }
  return img;
}

TEST_F(PngLoaderTest, Rgba8LoadsAsAlphaRedGreenBlue) {
  auto bm = Load(EncodePng(Rgba8(5, 3)));
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->getWidth(), 5);
  EXPECT_EQ(bm->getHeight(), 3);
  EXPECT_GE(bm->getRowSpan(), 5);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(At(bm.get(), x, y), Argb(255 - x, x * 20, y * 30, (x + y) * 7));
}

TEST_F(PngLoaderTest, RgbWithoutAlphaIsOpaque) {
  PngImage img;
  img.width = 2;
  img.height = 1;
  img.colorType = PNG_COLOR_TYPE_RGB;
  img.samples = {10, 20, 30, 40, 50, 60};
  auto bm = Load(EncodePng(img));
  ASSERT_TRUE(bm);
  EXPECT_EQ(At(bm.get(), 0, 0), Argb(255, 10, 20, 30));
  EXPECT_EQ(At(bm.get(), 1, 0), Argb(255, 40, 50, 60));
}

TEST_F(PngLoaderTest, OneBitGreyIsOpaqueBlackAndWhite) {
  PngImage img;
  img.width = 11;  // not a multiple of 8: the last byte of each row is partly used
  img.height = 2;
  img.colorType = PNG_COLOR_TYPE_GRAY;
  img.bitDepth = 1;
  for (int i = 0; i < 22; ++i) img.samples.push_back(uint16_t((i * 7 / 3) & 1));
  auto bm = Load(EncodePng(img));
  ASSERT_TRUE(bm);
  for (int i = 0; i < 22; ++i) {
    const int v = ((i * 7 / 3) & 1) ? 255 : 0;
    EXPECT_EQ(At(bm.get(), i % 11, i / 11), Argb(255, v, v, v)) << i;
  }
}

TEST_F(PngLoaderTest, TwoAndFourBitGreyScaleUpToEightBits) {
  for (int depth : {2, 4}) {
    PngImage img;
    img.width = 1 << depth;
    img.height = 1;
    img.colorType = PNG_COLOR_TYPE_GRAY;
    img.bitDepth = depth;
    for (int i = 0; i < img.width; ++i) img.samples.push_back(uint16_t(i));
    auto bm = Load(EncodePng(img));
    ASSERT_TRUE(bm) << depth;
    for (int i = 0; i < img.width; ++i) {
      const int v = i * 255 / ((1 << depth) - 1);
      EXPECT_EQ(At(bm.get(), i, 0), Argb(255, v, v, v)) << depth << " " << i;
    }
  }
}

TEST_F(PngLoaderTest, PaletteWithTransparencyGivesPerPixelAlpha) {
  for (int depth : {2, 8}) {
    PngImage img;
    img.width = 4;
    img.height = 2;
    img.colorType = PNG_COLOR_TYPE_PALETTE;
    img.bitDepth = depth;
    img.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    img.paletteAlpha = {0, 128, 255};  // the fourth entry has none: opaque
    img.samples = {0, 1, 2, 3, 3, 2, 1, 0};
    auto bm = Load(EncodePng(img));
    ASSERT_TRUE(bm);
    EXPECT_EQ(At(bm.get(), 0, 0), Argb(0, 255, 0, 0));
    EXPECT_EQ(At(bm.get(), 1, 0), Argb(128, 0, 255, 0));
    EXPECT_EQ(At(bm.get(), 2, 0), Argb(255, 0, 0, 255));
    EXPECT_EQ(At(bm.get(), 3, 0), Argb(255, 9, 8, 7));
    EXPECT_EQ(At(bm.get(), 0, 1), Argb(255, 9, 8, 7));
    EXPECT_EQ(At(bm.get(), 3, 1), Argb(0, 255, 0, 0));
  }
}

TEST_F(PngLoaderTest, PaletteWithoutTransparencyIsOpaque) {
  PngImage img;
  img.width = 2;
  img.height = 1;
  img.colorType = PNG_COLOR_TYPE_PALETTE;
  img.palette = {{1, 2, 3}, {4, 5, 6}};
  img.samples = {1, 0};
  auto bm = Load(EncodePng(img));
  ASSERT_TRUE(bm);
  EXPECT_EQ(At(bm.get(), 0, 0), Argb(255, 4, 5, 6));
  EXPECT_EQ(At(bm.get(), 1, 0), Argb(255, 1, 2, 3));
}

TEST_F(PngLoaderTest, SixteenBitRgbaKeepsTheHighByte) {
  PngImage img;
  img.width = 2;
  img.height = 1;
  img.bitDepth = 16;
  img.samples = {0x1234, 0xabcd, 0x00ff, 0xff00, 0xffff, 0x0001, 0x8080, 0x7fff};
  auto bm = Load(EncodePng(img));
  ASSERT_TRUE(bm);
  EXPECT_EQ(At(bm.get(), 0, 0), Argb(0xff, 0x12, 0xab, 0x00));
  EXPECT_EQ(At(bm.get(), 1, 0), Argb(0x7f, 0xff, 0x00, 0x80));
}

TEST_F(PngLoaderTest, GreyWithAlphaCopiesGreyIntoEveryChannel) {
  PngImage img;
  img.width = 2;
  img.height = 1;
  img.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  img.samples = {77, 200, 3, 0};
  auto bm = Load(EncodePng(img));
  ASSERT_TRUE(bm);
  EXPECT_EQ(At(bm.get(), 0, 0), Argb(200, 77, 77, 77));
  EXPECT_EQ(At(bm.get(), 1, 0), Argb(0, 3, 3, 3));
}

TEST_F(PngLoaderTest, SixteenBitGreyWithTransparentColour) {
  PngImage img;
  img.width = 2;
  img.height = 1;
  img.colorType = PNG_COLOR_TYPE_GRAY;
  img.bitDepth = 16;
  img.samples = {0x4000, 0x8000};
  img.hasTransparentColor = true;
  img.transparentColor.gray = 0x8000;
  auto bm = Load(EncodePng(img));
  ASSERT_TRUE(bm);
  EXPECT_EQ(At(bm.get(), 0, 0), Argb(255, 0x40, 0x40, 0x40));
  EXPECT_EQ(At(bm.get(), 1, 0), Argb(0, 0x80, 0x80, 0x80));
}

TEST_F(PngLoaderTest, InterlacedLoadsTheSamePixelsAsPlain) {
  PngImage img = Rgba8(13, 9);
  auto plain = Load(EncodePng(img));
  img.interlaced = true;
  auto laced = Load(EncodePng(img));
  ASSERT_TRUE(plain);
  ASSERT_TRUE(laced);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(At(plain.get(), x, y), At(laced.get(), x, y));
}

TEST_F(PngLoaderTest, LoadsIntoAGivenBitmapResizingIt) {
  RAST_MemBitmap target(40, 40, 4);
  const std::string path = Write(EncodePng(Rgba8(5, 3)));
  EXPECT_EQ(RAST_LoadPNG(path.c_str(), &target), &target);
  EXPECT_EQ(target.getWidth(), 5);
  EXPECT_EQ(target.getHeight(), 3);
  EXPECT_EQ(At(&target, 4, 2), Argb(251, 80, 60, 42));
}

// A bitmap stored bottom-up that takes any size, or (fixed) keeps its own whatever it is asked.
class StoredBitmap : public RAST_IBitmap {
 public:
  StoredBitmap(bool flipped, bool resizable) : mFlipped(flipped), mResizable(resizable) {
    resize(3, 3);
  }
  RAST_pixel* getBits() override { return mPixels.data(); }
  int getWidth() override { return mW; }
  int getHeight() override { return mH; }
  int getRowSpan() override { return mW + 2; }
  bool isFlipped() override { return mFlipped; }
  bool resize(int w, int h) override {
    if (mW && !mResizable) return false;
    mW = w, mH = h;
    mPixels.assign(size_t(w + 2) * size_t(h), 0x5a5a5a5au);
    return true;
  }
  HDC__* getDC() override { return nullptr; }
  int Extended(int, void*) override { return 0; }

 private:
  bool mFlipped, mResizable;
  int mW = 0, mH = 0;
  std::vector<RAST_pixel> mPixels;
};

TEST_F(PngLoaderTest, BottomUpBitmapGetsTheTopImageRowLast) {
  StoredBitmap target(true, true);
  const std::string path = Write(EncodePng(Rgba8(5, 3)));
  ASSERT_EQ(RAST_LoadPNG(path.c_str(), &target), &target);
  ASSERT_EQ(target.getWidth(), 5);
  ASSERT_EQ(target.getHeight(), 3);
  // Image row 0 is the last stored row; the row padding stays untouched.
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(target.getBits()[(2 - y) * 7 + x], Argb(255 - x, x * 20, y * 30, (x + y) * 7))
          << x << "," << y;
  EXPECT_EQ(target.getBits()[5], 0x5a5a5a5au);
  EXPECT_EQ(target.getBits()[20], 0x5a5a5a5au);
}

TEST_F(PngLoaderTest, BitmapThatKeepsItsSizeGivesNull) {
  StoredBitmap target(false, false);
  const std::string path = Write(EncodePng(Rgba8(5, 3)));
  EXPECT_EQ(RAST_LoadPNG(path.c_str(), &target), nullptr);
  EXPECT_EQ(target.getWidth(), 3);  // not deleted, not written
  EXPECT_EQ(target.getBits()[0], 0x5a5a5a5au);
}

TEST_F(PngLoaderTest, MemoryLoaderMatchesFileLoader) {
  const auto bytes = EncodePng(Rgba8(6, 4));
  auto fromFile = Load(bytes);
  std::unique_ptr<RAST_IBitmap> fromMemory(
      RAST_LoadPNGFromMemory(bytes.data(), bytes.size(), nullptr));
  ASSERT_TRUE(fromFile);
  ASSERT_TRUE(fromMemory);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(At(fromFile.get(), x, y), At(fromMemory.get(), x, y));
  EXPECT_EQ(RAST_LoadPNGFromMemory(bytes.data(), 7, nullptr), nullptr);
  EXPECT_EQ(RAST_LoadPNGFromMemory(nullptr, 100, nullptr), nullptr);
}

// Every failure returns null; run under the sanitizers these also prove nothing leaks.
TEST_F(PngLoaderTest, MissingTruncatedAndCorruptFilesGiveNull) {
  EXPECT_EQ(RAST_LoadPNG((::testing::TempDir() + "vq_no_such_file.png").c_str(), nullptr), nullptr);
  EXPECT_EQ(RAST_LoadPNG(nullptr, nullptr), nullptr);
  EXPECT_EQ(RAST_LoadPNG(::testing::TempDir().c_str(), nullptr),
            nullptr);  // a folder opens, reads fail
  const auto good = EncodePng(Rgba8(16, 16));
  // Every truncation: inside the signature, the header, the data and just before the end chunk.
  for (size_t len = 0; len + 12 < good.size(); len += (len < 64 ? 1 : 7)) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + long(len));
    EXPECT_EQ(Load(cut), nullptr) << len;
    EXPECT_EQ(RAST_LoadPNGFromMemory(cut.data(), cut.size(), nullptr), nullptr) << len;
  }
  // Flipped bytes in the image data break its checksum or its compressed stream.
  for (size_t pos = 40; pos < good.size() - 12; pos += 5) {
    auto bad = good;
    bad[pos] ^= 0x5a;
    std::unique_ptr<RAST_IBitmap> bm(RAST_LoadPNGFromMemory(bad.data(), bad.size(), nullptr));
    EXPECT_EQ(bm, nullptr) << pos;
  }
  std::vector<uint8_t> text(200, 'x');
  EXPECT_EQ(Load(text), nullptr);
}

TEST_F(PngLoaderTest, FailureIntoAGivenBitmapLeavesItUsable) {
  RAST_MemBitmap target(4, 4, 4);
  auto bytes = EncodePng(Rgba8(16, 16));
  bytes.resize(bytes.size() - 40);
  EXPECT_EQ(RAST_LoadPNGFromMemory(bytes.data(), bytes.size(), &target), nullptr);
  // It may have taken the image's size; it is still a valid bitmap of that size.
  EXPECT_TRUE(target.getWidth() == 4 || target.getWidth() == 16);
}

// A header claiming a size beyond the limits is refused before any pixel memory is taken.
TEST_F(PngLoaderTest, OversizedImagesAreRefused) {
  auto bytes = EncodePng(Rgba8(2, 2));
  // IHDR data starts at byte 16: width, height big-endian, then the chunk's CRC at 29.
  auto patch = [&](uint32_t w, uint32_t h) {
    auto b = bytes;
    for (int i = 0; i < 4; ++i) {
      b[16 + size_t(i)] = uint8_t(w >> (24 - 8 * i));
      b[20 + size_t(i)] = uint8_t(h >> (24 - 8 * i));
    }
    const uint32_t crc = uint32_t(crc32(crc32(0, nullptr, 0), b.data() + 12, 17));
    for (int i = 0; i < 4; ++i) b[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    return b;
  };
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{RAST_PNG_MAX_SIDE + 1u, 1},
                      {1, RAST_PNG_MAX_SIDE + 1u},
                      {RAST_PNG_MAX_SIDE, RAST_PNG_MAX_SIDE},
                      {0x7fffffffu, 0x7fffffffu}}) {
    auto b = patch(w, h);
    EXPECT_EQ(RAST_LoadPNGFromMemory(b.data(), b.size(), nullptr), nullptr) << w << "x" << h;
  }
  // The patch itself is sound: the original size still loads.
  auto same = patch(2, 2);
  std::unique_ptr<RAST_IBitmap> bm(RAST_LoadPNGFromMemory(same.data(), same.size(), nullptr));
  EXPECT_TRUE(bm);
}

// The size read from the header alone is the loaded image's; where the loader fails before the
// pixels (missing file, cut header, size beyond the limits, not a PNG) it fails too.
TEST_F(PngLoaderTest, SizeFromTheHeaderAgreesWithTheLoader) {
  for (auto [w, h] : {std::pair{1, 1}, {16, 3}, {7, 40}}) {
    const std::string path = Write(EncodePng(Rgba8(w, h)));
    int rw = 0, rh = 0;
    ASSERT_TRUE(RAST_ReadPNGSize(path.c_str(), &rw, &rh)) << w << "x" << h;
    std::unique_ptr<RAST_IBitmap> bm(RAST_LoadPNG(path.c_str(), nullptr));
    ASSERT_TRUE(bm);
    EXPECT_EQ(rw, bm->getWidth());
    EXPECT_EQ(rh, bm->getHeight());
  }
  auto header = EncodePng(Rgba8(2, 2));
  header.resize(30);  // inside the header chunk
  auto huge = EncodePng(Rgba8(2, 2));
  huge[16] = 0x7f;  // a width far past the limit (and a header checksum that no longer fits)
  int w = 0, h = 0;
  for (const std::string& path : {::testing::TempDir() + "vq_no_such_file.png", Write(header),
                                  Write(huge), Write(std::vector<uint8_t>(200, 'x'))})
    EXPECT_FALSE(RAST_ReadPNGSize(path.c_str(), &w, &h)) << path;
  EXPECT_FALSE(RAST_ReadPNGSize(nullptr, &w, &h));
}

// Chunks the loader does not need are skipped, whole or damaged; one claiming a length far past
// the end of the file ends the load with null.
TEST_F(PngLoaderTest, AncillaryChunksAreSkipped) {
  auto bytes = EncodePng(Rgba8(3, 2));
  auto chunk = [](const char* type, const std::vector<uint8_t>& data, uint32_t claimed) {
    std::vector<uint8_t> c;
    for (int i = 0; i < 4; ++i) c.push_back(uint8_t(claimed >> (24 - 8 * i)));
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), data.begin(), data.end());
    const uint32_t crc = uint32_t(crc32(crc32(0, nullptr, 0), c.data() + 4, uInt(4 + data.size())));
    for (int i = 0; i < 4; ++i) c.push_back(uint8_t(crc >> (24 - 8 * i)));
    return c;
  };
  const size_t afterHeader = 8 + 25;
  auto withText = bytes;
  const auto text = chunk("tEXt", {'K', 0, 'v'}, 3), gamma = chunk("gAMA", {0, 0, 0xb1, 0x8f}, 4);
  withText.insert(withText.begin() + long(afterHeader), text.begin(), text.end());
  withText.insert(withText.begin() + long(afterHeader), gamma.begin(), gamma.end());
  std::unique_ptr<RAST_IBitmap> bm(
      RAST_LoadPNGFromMemory(withText.data(), withText.size(), nullptr));
  ASSERT_TRUE(bm);
  EXPECT_EQ(At(bm.get(), 2, 1), Argb(253, 40, 30, 21));
  auto huge = bytes;
  const auto big = chunk("zTXt", {'K', 0, 0, 1, 2, 3}, 0x74005202u);
  huge.insert(huge.begin() + long(afterHeader), big.begin(), big.end());
  EXPECT_EQ(RAST_LoadPNGFromMemory(huge.data(), huge.size(), nullptr), nullptr);
}

TEST_F(PngLoaderTest, ExtensionCheck) {
  const auto bytes = EncodePng(Rgba8(2, 2));
  const std::string upper = Write(bytes, "knob.PNG");
  std::unique_ptr<RAST_IBitmap> bm(PNGLoader_Load(upper.c_str(), true, nullptr));
  EXPECT_TRUE(bm);
  // The same bytes under other names: only the last separator counts.
  const std::string jpg = Write(bytes, "knob.jpg");
  EXPECT_EQ(PNGLoader_Load(jpg.c_str(), true, nullptr), nullptr);
  std::unique_ptr<RAST_IBitmap> unchecked(PNGLoader_Load(jpg.c_str(), false, nullptr));
  EXPECT_TRUE(unchecked);
  EXPECT_EQ(PNGLoader_Load("png", true, nullptr), nullptr);
  EXPECT_EQ(PNGLoader_Load("dir.png/file", true, nullptr), nullptr);
  EXPECT_EQ(PNGLoader_Load("dir.png\\file", true, nullptr), nullptr);
  EXPECT_EQ(PNGLoader_Load(nullptr, true, nullptr), nullptr);
}

TEST(ImageLoaderRegistry, PngLoaderIsRegisteredAtStartUp) {
  bool found = false;
  for (ImageLoaderRecord* r = RAST_ImageLoaders(); r; r = r->next) {
    if (r->load == PNGLoader_Load) {
      found = true;
      const char* f = r->filterString();
      EXPECT_STREQ(f, "PNG files (*.PNG)");
      EXPECT_STREQ(f + 18, "*.PNG");
      EXPECT_EQ(f[24], '\0');
    }
  }
  EXPECT_TRUE(found);
  static ImageLoaderRecord extra{nullptr, nullptr, nullptr};  // stays in the list
  ImageLoaderRecord* before = RAST_ImageLoaders();
  RAST_AddImageLoader(&extra);
  EXPECT_EQ(RAST_ImageLoaders(), &extra);
  EXPECT_EQ(extra.next, before);
}

}  // namespace
