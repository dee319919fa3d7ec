// Cursors: the built cursors' data to the bit, cursor ids, cursor files decoded in memory,
// and hiding the pointer behind a virtual position.
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "wemu_fixture.h"
#include "wemu/utilities.h"

namespace {

using vq::platform::SystemCursor;

class CursorsTest : public WemuTest {};

// The cursor pictures as drawn in the table, one character per pixel.
const char* const kFourWayRows[16] = {
    "......+OO+......", ".....+OXXO+.....", ".....OXXXXO.....", "....+XXXXXX+....",
    "...+..OXXO..+...", ".+OX..OXXO..XO+.", "+OXXOOOXXOOOXXO+", "OXXXXXXXXXXXXXXO",
    "OXXXXXXXXXXXXXXO", "+OXXOOOXXOOOXXO+", ".+OX..OXXO..XO+.", "...+..OXXO..+...",
    "....+XXXXXX+....", ".....OXXXXO.....", ".....+OXXO+.....", "......+OO+......",
};
const char* const kDiagonalRows[16] = {
    "OOOOOO..........", "O+++O+..........", "O+XO+...........", "O+OXO+..........",
    "OO+OXO+.........", "O+.+OXO+........", "....+OXO+.......", ".....+OXO+......",
    "......+OXO+.....", ".......+OXO+....", "........+OXO+.+O", ".........+OXO+OO",
    "..........+OXO+O", "...........+OX+O", "..........+O+++O", "..........OOOOOO",
};

uint8_t expectedByte(char c) {
  switch (c) {
    case '+':
      return 0xF8;
    case 'O':
      return 0xFF;
    case 'X':
      return 0x0F;
    default:
      return 0x00;
  }
}

TEST_F(CursorsTest, PixelDataMatchesTheTablesToTheBit) {
  struct Shape {
    WEMU_CursorShape shape;
    const char* const* rows;
  };
  for (const Shape& s : {Shape{WEMU_CursorShape::FourWay, kFourWayRows},
                         Shape{WEMU_CursorShape::Diagonal, kDiagonalRows}}) {
    const uint8_t* data = WEMU_CursorData(s.shape);
    for (int y = 0; y < 16; ++y) {
      ASSERT_EQ(std::string(s.rows[y]).size(), 16u);
      for (int x = 0; x < 16; ++x)
        EXPECT_EQ(data[y * 16 + x], expectedByte(s.rows[y][x])) << "row " << y << " col " << x;
    }
  }
}

TEST_F(CursorsTest, BuiltImageWidensNibblesToGreyAndAlpha) {
  uint8_t data[256] = {};
  data[0] = 0xF8;   // white, about half opacity
  data[1] = 0x0F;   // opaque black
  data[2] = 0xFF;   // opaque white
  data[15] = 0x5A;  // grey 0x55, alpha 0xAA
  vq::platform::Image img = WEMU_BuildCursorImage(data, false);
  ASSERT_EQ(img.samplesPerPixel, 2);
  ASSERT_EQ(img.pixels.size(), 512u);
  EXPECT_EQ(img.pixels[0], 0xFF);
  EXPECT_EQ(img.pixels[1], 0x88);
  EXPECT_EQ(img.pixels[2], 0x00);
  EXPECT_EQ(img.pixels[3], 0xFF);
  EXPECT_EQ(img.pixels[4], 0xFF);
  EXPECT_EQ(img.pixels[5], 0xFF);
  EXPECT_EQ(img.pixels[30], 0x55);
  EXPECT_EQ(img.pixels[31], 0xAA);
  vq::platform::Image mirrored = WEMU_BuildCursorImage(data, true);
  EXPECT_EQ(mirrored.pixels[30], 0xFF) << "column 0 lands in column 15";
  EXPECT_EQ(mirrored.pixels[0], 0x55);
}

TEST_F(CursorsTest, MirroredDiagonalLeavesTheDataAlone) {
  std::vector<uint8_t> before(WEMU_CursorData(WEMU_CursorShape::Diagonal),
                              WEMU_CursorData(WEMU_CursorShape::Diagonal) + 256);
  HCURSOR mirrored = WEMU_LoadCursor(32643);
  ASSERT_NE(mirrored, nullptr);
  HCURSOR plain = WEMU_LoadCursor(32642);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(WEMU_CursorData(WEMU_CursorShape::Diagonal),
                                 WEMU_CursorData(WEMU_CursorShape::Diagonal) + 256),
            before);
  // Top-left pixel is opaque white in the plain cursor and transparent in the mirrored one
  // (its arrow runs from bottom-left to top-right).
  EXPECT_EQ(plain->cursor->image.pixels[1], 0xFF);
  EXPECT_EQ(mirrored->cursor->image.pixels[1], 0x00);
  EXPECT_EQ(mirrored->cursor->image.pixels[15 * 2 + 1], 0xFF);
  EXPECT_EQ(plain->cursor->hotSpot.x, 8);
  EXPECT_EQ(plain->cursor->hotSpot.y, 8);
  EXPECT_EQ(WEMU_LoadCursor(32642), plain) << "built once and kept";
}

TEST_F(CursorsTest, CursorIds) {
  struct Row {
    int id;
    bool system;
    SystemCursor which;
  };
  const Row rows[] = {
      {32512, true, SystemCursor::Arrow},        {32513, true, SystemCursor::IBeam},
      {32516, true, SystemCursor::ResizeUp},     {32644, true, SystemCursor::ResizeLeftRight},
      {32645, true, SystemCursor::ResizeUpDown}, {32649, true, SystemCursor::OpenHand},
      {32642, false, SystemCursor::Arrow},       {32643, false, SystemCursor::Arrow},
      {32646, false, SystemCursor::Arrow},
  };
  for (const Row& r : rows) {
    HCURSOR c = WEMU_LoadCursor(r.id);
    ASSERT_NE(c, nullptr) << r.id;
    EXPECT_EQ(c->cursor->isSystem, r.system) << r.id;
    if (r.system) {
      EXPECT_EQ(c->cursor->system, r.which) << r.id;
    }
  }
  EXPECT_EQ(WEMU_LoadCursor(32648), nullptr);
  EXPECT_EQ(WEMU_LoadCursor(0), nullptr);
}

TEST_F(CursorsTest, SetCursorRemembersCursorsAndFallsBackToTheArrow) {
  HCURSOR beam = WEMU_LoadCursor(32513);
  WEMU_SetCursor(beam);
  EXPECT_EQ(WEMU_GetLastSetCursor(), beam);
  EXPECT_EQ(WEMU_GetCursor(), beam);
  HCURSOR__ stranger;
  WEMU_SetCursor(&stranger);
  EXPECT_EQ(WEMU_GetLastSetCursor(), nullptr);
  EXPECT_EQ(WEMU_GetCursor(), WEMU_LoadCursor(32512));
  WEMU_SetCursor(nullptr);
  EXPECT_EQ(WEMU_GetLastSetCursor(), nullptr);
  EXPECT_TRUE(backend->current()->isSystem);
  EXPECT_EQ(backend->current()->system, SystemCursor::Arrow);
}

TEST_F(CursorsTest, CursorPositionFloorsXAndCeilsY) {
  backend->mouse = {10.7, 20.2};
  POINT p{};
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 21);
  EXPECT_EQ(GetMessagePos(), 10u | (21u << 16));
  EXPECT_FALSE(GetCursorPos(nullptr));
}

TEST_F(CursorsTest, HidesPairWithShowsAndTheVirtualPositionTakesOver) {
  backend->mouse = {100, 200};
  EXPECT_EQ(WEMU_ShowCursor(FALSE), -1);
  EXPECT_TRUE(backend->isHidden());
  EXPECT_FALSE(backend->isMouseCoupled());
  EXPECT_EQ(WEMU_ShowCursor(FALSE), -2);
  EXPECT_FALSE(WEMU_IsCursorVisible());
  EXPECT_TRUE(WEMU_SetCursorPos(300, 400)) << "while hidden only the virtual position moves";
  EXPECT_TRUE(backend->warps.empty());
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 300);
  EXPECT_EQ(p.y, 400);
  EXPECT_EQ(WEMU_ShowCursor(TRUE), -1);
  EXPECT_TRUE(backend->isHidden()) << "one show after two hides leaves it hidden";
  EXPECT_EQ(WEMU_ShowCursor(TRUE), 0);
  EXPECT_FALSE(backend->isHidden());
  EXPECT_TRUE(backend->isMouseCoupled());
  ASSERT_EQ(backend->warps.size(), 1u);
  EXPECT_EQ(backend->warps[0].x, 300);
  EXPECT_EQ(backend->warps[0].y, 1024 - 400) << "display coordinates count from the top";
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 300);
  EXPECT_EQ(p.y, 400);
}

TEST_F(CursorsTest, SetCursorPosWhileVisibleMovesThePointer) {
  EXPECT_TRUE(WEMU_SetCursorPos(5, 1000));
  ASSERT_EQ(backend->warps.size(), 1u);
  EXPECT_EQ(backend->warps[0].y, 24);
  backend->warpFails = true;
  EXPECT_FALSE(WEMU_SetCursorPos(5, 5));
}

TEST_F(CursorsTest, EventPositionFollowsDeltasWhileHidden) {
  vq::platform::Window window;
  window.setFrame({50, 60, 400, 300});
  RecordingWindow view;
  view.setFrame({0, 0, 400, 300});
  window.setContentView(&view);
  backend->mouse = {150, 160};
  WEMU_ShowCursor(FALSE);
  vq::platform::Event move;
  move.type = vq::platform::EventType::MouseMoved;
  move.deltaX = 5;
  move.deltaY = 3;  // downwards on the screen
  POINT p = WEMU_EventPositionInView(WM_MOUSEMOVE, &view, &move);
  EXPECT_EQ(p.x, 150 + 5 - 50);
  EXPECT_EQ(p.y, 160 - 3 - 60);
  p = WEMU_EventPositionInView(0x201, &view, &move);
  EXPECT_EQ(p.x, 105) << "only mouse moves move the virtual position";
  WEMU_ShowCursor(TRUE);
  move.locationInWindow = {20, 30};
  p = WEMU_EventPositionInView(WM_MOUSEMOVE, &view, &move);
  EXPECT_EQ(p.x, 20);
  EXPECT_EQ(p.y, 30);
  window.setContentView(nullptr);
}

// ---- Cursor files -----------------------------------------------------------------------

void put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// A 2 x 2 cursor file: 32-bit pixels (bottom-up) and a mask, hot spot (1, 0).
std::vector<uint8_t> curFile32() {
  std::vector<uint8_t> f;
  put16(f, 0);
  put16(f, 2);
  put16(f, 1);
  f.insert(f.end(), {2, 2, 0, 0});
  put16(f, 1);
  put16(f, 0);
  uint32_t imageSize = 40 + 2 * 2 * 4 + 2 * 4;
  put32(f, imageSize);
  put32(f, 22);
  put32(f, 40);
  put32(f, 2);
  put32(f, 4);  // both halves
  put16(f, 1);
  put16(f, 32);
  for (int i = 0; i < 6; ++i) put32(f, 0);
  // Bottom row: red (opaque), green (transparent); top row: blue, white (half).
  f.insert(f.end(), {0, 0, 255, 255, 0, 255, 0, 0});
  f.insert(f.end(), {255, 0, 0, 255, 255, 255, 255, 128});
  for (int i = 0; i < 8; ++i) f.push_back(0);  // mask rows
  return f;
}

TEST_F(CursorsTest, DecodesA32BitCursorFile) {
  std::vector<uint8_t> f = curFile32();
  auto c = WEMU_DecodeCursorFile(f.data(), f.size());
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->hotX, 1);
  EXPECT_EQ(c->hotY, 0);
  ASSERT_EQ(c->image.width, 2);
  ASSERT_EQ(c->image.height, 2);
  const auto& px = c->image.pixels;
  // Top row first: blue, white at half.
  EXPECT_EQ(std::vector<uint8_t>(px.begin(), px.begin() + 8),
            (std::vector<uint8_t>{0, 0, 255, 255, 255, 255, 255, 128}));
  EXPECT_EQ(std::vector<uint8_t>(px.begin() + 8, px.end()),
            (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 0}));
}

TEST_F(CursorsTest, DecodesA1BitCursorWithItsMask) {
  std::vector<uint8_t> f;
  put16(f, 0);
  put16(f, 2);
  put16(f, 1);
  f.insert(f.end(), {2, 1, 2, 0});
  put16(f, 0);
  put16(f, 1);
  put32(f, 40 + 8 + 4 + 4);
  put32(f, 22);
  put32(f, 40);
  put32(f, 2);
  put32(f, 2);
  put16(f, 1);
  put16(f, 1);
  for (int i = 0; i < 6; ++i) put32(f, 0);
  f.insert(f.end(), {0, 0, 0, 0, 255, 255, 255, 0});  // palette: black, white
  f.insert(f.end(), {0x40, 0, 0, 0});                 // pixels: black, white
  f.insert(f.end(), {0x80, 0, 0, 0});                 // mask: first pixel transparent
  auto c = WEMU_DecodeCursorFile(f.data(), f.size());
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->hotY, 1);
  EXPECT_EQ(c->image.pixels, (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 255}));
}

TEST_F(CursorsTest, MalformedCursorFilesAreRejectedWithoutReadingPastThem) {
  std::vector<uint8_t> good = curFile32();
  // Every truncation of a good file fails cleanly (AddressSanitizer guards the reads).
  for (size_t n = 0; n < good.size() - 8; ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_FALSE(WEMU_DecodeCursorFile(cut.data(), cut.size()).has_value()) << n;
  }
  auto bad = good;
  bad[2] = 1;  // an icon, not a cursor
  EXPECT_FALSE(WEMU_DecodeCursorFile(bad.data(), bad.size()).has_value());
  bad = good;
  bad[4] = 2;  // two images
  EXPECT_FALSE(WEMU_DecodeCursorFile(bad.data(), bad.size()).has_value());
  bad = good;
  bad[6 + 12] = 0xF0;  // image offset far beyond the end
  EXPECT_FALSE(WEMU_DecodeCursorFile(bad.data(), bad.size()).has_value());
  bad = good;
  bad[22 + 4] = 0xFF;  // absurd width
  bad[22 + 7] = 0x7F;
  EXPECT_FALSE(WEMU_DecodeCursorFile(bad.data(), bad.size()).has_value());
  bad = good;
  bad[22 + 8] = 0;  // the most negative height: no top-down image is that tall
  bad[22 + 9] = 0;
  bad[22 + 10] = 0;
  bad[22 + 11] = 0x80;
  EXPECT_FALSE(WEMU_DecodeCursorFile(bad.data(), bad.size()).has_value());
  EXPECT_FALSE(WEMU_DecodeCursorFile(nullptr, 100).has_value());
}

// A 3 x 2 RGBA PNG made with libpng.
std::vector<uint8_t> smallPng() {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = 3;
  img.height = 2;
  img.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(3 * 2 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 10);
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&img, nullptr, &size, 0, pixels.data(), 0, nullptr);
  std::vector<uint8_t> out(size);
  png_image_write_to_memory(&img, out.data(), &size, 0, pixels.data(), 0, nullptr);
  out.resize(size);
  return out;
}

TEST_F(CursorsTest, CursorFilesMayHoldPngData) {
  std::vector<uint8_t> png = smallPng();
  ASSERT_FALSE(png.empty());
  auto direct = WEMU_DecodePNG(png.data(), png.size());
  ASSERT_TRUE(direct.has_value());
  EXPECT_EQ(direct->width, 3);
  EXPECT_EQ(direct->pixels[5], 50);
  std::vector<uint8_t> f;
  put16(f, 0);
  put16(f, 2);
  put16(f, 1);
  f.insert(f.end(), {3, 2, 0, 0});
  put16(f, 2);
  put16(f, 1);
  put32(f, static_cast<uint32_t>(png.size()));
  put32(f, 22);
  f.insert(f.end(), png.begin(), png.end());
  auto c = WEMU_DecodeCursorFile(f.data(), f.size());
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->hotX, 2);
  EXPECT_EQ(c->image.pixels, direct->pixels);
  std::vector<uint8_t> cut(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
  EXPECT_FALSE(WEMU_DecodePNG(cut.data(), cut.size()).has_value());
}

TEST_F(CursorsTest, RandomlyDamagedCursorFilesNeverReadOutOfBounds) {
  std::vector<uint8_t> good = curFile32();
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  int decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> f = good;
    int flips = 1 + static_cast<int>(next() % 4);
    for (int k = 0; k < flips; ++k) f[next() % f.size()] = static_cast<uint8_t>(next());
    if (next() % 3 == 0) f.resize(next() % f.size());
    // An exact-size heap copy, so AddressSanitizer sees a read past the end.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[f.size() ? f.size() : 1]);
    std::copy(f.begin(), f.end(), exact.get());
    auto c = WEMU_DecodeCursorFile(exact.get(), f.size());
    if (c) {
      ++decoded;
      EXPECT_EQ(c->image.pixels.size(),
                static_cast<size_t>(c->image.width) * static_cast<size_t>(c->image.height) * 4);
    }
  }
  EXPECT_GT(decoded, 0) << "some damage leaves a readable file";
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/wemu_cursor_XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string path;
};

TEST_F(CursorsTest, LoadsCursorFilesByPathAndByBareName) {
  TempDir dir;
  std::vector<uint8_t> f = curFile32();
  {
    std::ofstream out(dir.path + "/grab.CUR", std::ios::binary);
    out.write(reinterpret_cast<const char*>(f.data()), static_cast<long>(f.size()));
  }
  {
    std::ofstream out(dir.path + "/hand.cur", std::ios::binary);
    out.write(reinterpret_cast<const char*>(f.data()), static_cast<long>(f.size()));
  }
  HCURSOR byPath = WEMU_LoadCursorFromFile((dir.path + "/grab.CUR").c_str());
  ASSERT_NE(byPath, nullptr);
  EXPECT_EQ(byPath->cursor->hotSpot.x, 1);
  EXPECT_EQ(byPath->cursor->image.width, 2);
  std::string savedFolder = WEMU_GetResourceFolder();
  WEMU_SetResourceFolder(dir.path);
  HCURSOR byName = WEMU_LoadCursorFromFile("hand");
  WEMU_SetResourceFolder(savedFolder);
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(WEMU_LoadCursorFromFile((dir.path + "/missing.cur").c_str()), nullptr);
  EXPECT_EQ(WEMU_LoadCursorFromFile(nullptr), nullptr);
  EXPECT_EQ(WEMU_LoadCursorFromFile(""), nullptr);
}

}  // namespace
