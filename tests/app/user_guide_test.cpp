// The typeset user guide, looked at as a reader does: a page rendered to pixels shows each list
// bullet as a dot beside its item and nothing else in the margin between the items.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path BuildDir() {
  if (const char* b = std::getenv("VQ_BINARY_DIR")) return b;
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path();
}

struct Gray {
  int width = 0, height = 0;
  std::vector<unsigned char> pixels;
};

// A binary 8-bit PGM as pdftoppm writes it.
bool ReadPgm(const fs::path& path, Gray* out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> out->width >> out->height >> maxValue;
  in.get();
  if (!in || magic != "P5" || maxValue != 255) return false;
  out->pixels.resize(static_cast<size_t>(out->width) * out->height);
  in.read(reinterpret_cast<char*>(out->pixels.data()),
          static_cast<std::streamsize>(out->pixels.size()));
  return static_cast<bool>(in);
}

TEST(UserGuide, BulletsAreDotsWithNothingDrawnBetweenThem) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "no pdftoppm";
  char tmpl[] = "/tmp/vq_guide_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  std::ofstream(dir / "guide.txt") << "- one\n- two\n- three\n";
  // Fontconfig keeps its caches to the end and runs a thread of its own: neither is a fault of
  // the typesetter in a sanitizer build.
  const std::string typeset = "ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0 " +
                              (BuildDir() / "tools/guidegen/vq_guidegen").string() + " " +
                              (dir / "guide.txt").string() + " " + (dir / "guide.pdf").string();
  ASSERT_EQ(std::system(typeset.c_str()), 0) << typeset;
  // 144 dpi: two pixels a point.
  const std::string render = "pdftoppm -gray -r 144 -singlefile " + (dir / "guide.pdf").string() +
                             " " + (dir / "page").string();
  ASSERT_EQ(std::system(render.c_str()), 0);
  Gray page;
  ASSERT_TRUE(ReadPgm(dir / "page.pgm", &page));
  fs::remove_all(dir);

  // The page margin is 56 pt, a dot sits about 58..62 pt and an item's text starts at 70 pt.
  // Rows with ink darker than `below` between the two columns; a stray hairline is faint.
  auto darkRows = [&](int fromPt, int toPt, int below) {
    std::vector<int> rows;
    for (int y = 0; y < page.height; ++y)
      for (int x = fromPt * 2; x < toPt * 2; ++x)
        if (page.pixels[static_cast<size_t>(y) * page.width + x] < below) {
          rows.push_back(y);
          break;
        }
    return rows;
  };
  const std::vector<int> dots = darkRows(57, 63, 160);
  int groups = 0;
  for (size_t i = 0; i < dots.size(); ++i) groups += i == 0 || dots[i] != dots[i - 1] + 1;
  EXPECT_EQ(groups, 3) << "one dot per item";
  const std::vector<int> between = darkRows(64, 69, 235);
  EXPECT_TRUE(between.empty()) << between.size() << " rows drawn on between the dots and the text, "
                               << "the first at y " << between.front();
}

}  // namespace
