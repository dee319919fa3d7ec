// The font service: names resolve to installed faces of the right kind, metrics and advances
// hang together, coverage comes out; the fixed test service is what it promises; strict UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "platform/font_service.h"
#include "platform/utf8.h"

namespace {

using vq::platform::DecodeUtf8Strict;
using vq::platform::FixedFontService;
using vq::platform::GlyphImage;

struct NameCase {
  const char* asked;
  const char* postScript;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << c.asked;
}

class FreeTypeNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(FreeTypeNames, ResolveToInstalledFaceOfSameKind) {
  auto service = vq::platform::MakeFreeTypeFontService();
  EXPECT_EQ(service->resolveName(GetParam().asked), GetParam().postScript);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, FreeTypeNames,
    ::testing::Values(NameCase{"Monaco", "DejaVuSansMono"},
                      NameCase{"Monaco Bold", "DejaVuSansMono-Bold"},
                      NameCase{"Arial", "LiberationSans"},
                      NameCase{"Arial Bold Italic", "LiberationSans-BoldItalic"},
                      NameCase{"Tahoma", "DejaVuSans"}, NameCase{"Tahoma Bold", "DejaVuSans-Bold"},
                      NameCase{"Verdana Bold", "DejaVuSans-Bold"},
                      NameCase{"Lucida Grande", "DejaVuSans"},
                      NameCase{"DejaVu Sans", "DejaVuSans"}));

TEST(FreeTypeFont, CreatedByPostScriptAndFamilyName) {
  auto service = vq::platform::MakeFreeTypeFontService();
  auto byPs = service->createFont("DejaVuSans-Bold", 12);
  ASSERT_NE(byPs, nullptr);
  EXPECT_EQ(byPs->postScriptName(), "DejaVuSans-Bold");
  EXPECT_EQ(byPs->displayName(), "DejaVu Sans Bold");
  auto byFamily = service->createFont("Arial", 12);  // resolved on the way
  ASSERT_NE(byFamily, nullptr);
  EXPECT_EQ(byFamily->postScriptName(), "LiberationSans");
  auto label = service->systemLabelFont(10);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->postScriptName(), "DejaVuSans");
}

TEST(FreeTypeFont, MetricsScaleWithSizeAndAdvancesAreWholePixels) {
  auto service = vq::platform::MakeFreeTypeFontService();
  auto small = service->createFont("DejaVuSans", 10);
  auto big = service->createFont("DejaVuSans", 20);
  ASSERT_TRUE(small && big);
  const auto ms = small->metrics(), mb = big->metrics();
  EXPECT_GT(ms.ascent, 5);
  EXPECT_GT(ms.descent, 1);
  EXPECT_GE(ms.leading, 0);
  EXPECT_NEAR(mb.ascent, 2 * ms.ascent, 2.0);
  // Hinted advances land on whole pixels, so measured and drawn widths cannot drift apart.
  for (char32_t c : std::u32string(U"AgW .1")) {
    const double a = small->advance(c);
    EXPECT_GT(a, 0);
    EXPECT_EQ(a, static_cast<int>(a));
  }
  auto mono = service->createFont("DejaVuSansMono", 12);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->advance(U'i'), mono->advance(U'W'));
}

TEST(FreeTypeFont, CoverageGreyOrTwoLevel) {
  auto face = vq::platform::LoadFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 16);
  ASSERT_NE(face, nullptr);
  GlyphImage smooth, sharp;
  ASSERT_TRUE(face->renderGlyph(U'O', true, smooth));
  ASSERT_TRUE(face->renderGlyph(U'O', false, sharp));
  EXPECT_GT(smooth.top, 8);
  EXPECT_EQ(smooth.coverage.size(), static_cast<size_t>(smooth.width * smooth.height));
  EXPECT_TRUE(std::any_of(smooth.coverage.begin(), smooth.coverage.end(),
                          [](int v) { return v > 0 && v < 255; }));
  EXPECT_TRUE(std::all_of(sharp.coverage.begin(), sharp.coverage.end(),
                          [](int v) { return v == 0 || v == 255; }));
  GlyphImage space;
  EXPECT_FALSE(face->renderGlyph(U' ', true, space));
  EXPECT_GT(face->advance(U' '), 0);
  EXPECT_EQ(vq::platform::LoadFontFile("/no/such/font.ttf", 12), nullptr);
}

TEST(FixedFont, DeterministicMetricsAndBlocks) {
  FixedFontService service;
  EXPECT_EQ(service.resolveName("Monaco Bold"), "Fixed-Monaco Bold");
  EXPECT_EQ(service.resolvedNames, std::vector<std::string>{"Monaco Bold"});
  auto face = service.createFont("x", 12);
  const auto m = face->metrics();
  EXPECT_EQ(m.ascent, 9);
  EXPECT_EQ(m.descent, 3);
  EXPECT_EQ(m.leading, 0);
  EXPECT_EQ(face->advance(U'W'), 6);
  GlyphImage g;
  ASSERT_TRUE(face->renderGlyph(U'A', true, g));
  EXPECT_EQ(g.width, 5);
  EXPECT_EQ(g.height, 9);
  EXPECT_EQ(g.top, 9);
  EXPECT_FALSE(face->renderGlyph(U' ', true, g));
  service.missingNames = {"gone"};
  EXPECT_EQ(service.createFont("gone", 12), nullptr);
}

struct Utf8Case {
  const char* bytes;
  bool valid;
  std::u32string decoded;
};

void PrintTo(const Utf8Case& c, std::ostream* os) {
  for (unsigned char b : std::string(c.bytes)) *os << std::hex << int(b) << ' ';
}

class StrictUtf8 : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(StrictUtf8, DecodesOrRefuses) {
  std::u32string out;
  const std::string bytes = GetParam().bytes;
  EXPECT_EQ(DecodeUtf8Strict(bytes.data(), bytes.size(), out), GetParam().valid);
  if (GetParam().valid) {
    EXPECT_EQ(out, GetParam().decoded);
  }
}

INSTANTIATE_TEST_SUITE_P(Sequences, StrictUtf8,
                         ::testing::Values(Utf8Case{"abc", true, U"abc"},
                                           Utf8Case{"\xC3\xA9", true, U"\u00E9"},
                                           Utf8Case{"\xE2\x82\xAC", true, U"\u20AC"},
                                           Utf8Case{"\xF0\x9F\x8E\xB9", true, U"\U0001F3B9"},
                                           Utf8Case{"\xE9", false, U""},          // Latin-1 byte
                                           Utf8Case{"\xC3", false, U""},          // cut short
                                           Utf8Case{"\xE2\x82", false, U""},      // cut short
                                           Utf8Case{"\xC0\xAF", false, U""},      // overlong
                                           Utf8Case{"\xED\xA0\x80", false, U""},  // surrogate
                                           Utf8Case{"\xF4\x90\x80\x80", false, U""}
                                           // beyond U+10FFFF
                                           ));

}  // namespace
