// Blend arithmetic: exhaustive sweeps of every mode over all (destination, source) byte pairs
// at the weights where the fast paths switch, against the plain per-channel formulas.
#include <gtest/gtest.h>

#include <type_traits>

#include "rast/rast_blend.h"
#include "rast/rast_blit.h"
#include "rast/rast_fill.h"
#include "rast/rast_line.h"
#include "rast/rast_mask.h"
#include "tests/rast/blit_reference.h"

using namespace rast_test;

namespace {

// Four different channel values from one byte, so a spill from one channel into the next shows.
RAST_pixel Spread(int v) {
  return RAST_MakePixel(static_cast<unsigned>(255 - v), static_cast<unsigned>(v ^ 0xA5),
                        static_cast<unsigned>((v * 37) & 0xFF), static_cast<unsigned>(v));
}

constexpr int kSwitchWeights[] = {1, 2, 63, 64, 65, 127, 128, 129, 191, 192, 193, 254, 255, 256};

RAST_pixel LibraryPlain(int op, RAST_pixel d, RAST_pixel s, int a) {
  const RAST_Weight w(a);
  switch (op) {
    case 0:
      return RAST_BlendCopy(d, s, w);
    case 1:
      return RAST_BlendAdd(d, s, w);
    case 2:
      return RAST_BlendDodge(d, s, w);
    case 3:
      return RAST_BlendMul(d, s, w);
    default:
      return RAST_BlendOverlay(d, s, w);
  }
}

}  // namespace

// A float alpha and a blend mode can never be passed in each other's place.
template <typename A, typename M>
concept FillTakes = requires(RAST_IBitmap* b, A a, M m) {
  RAST_FillRect(b, 0, 0, 1, 1, RAST_pixel{0}, a, m);
};
template <typename A, typename M>
concept GlyphTakes = requires(RAST_IBitmap* b, const unsigned char* mask, A a, M m) {
  RAST_DrawGlyph(b, 0, 0, RAST_pixel{0}, mask, 1, 1, 1, a, m);
};
static_assert(FillTakes<float, RAST_BlendMode>);
static_assert(!FillTakes<RAST_BlendMode, float>);
static_assert(!FillTakes<float, int>);
static_assert(GlyphTakes<float, RAST_BlendMode>);
static_assert(!GlyphTakes<RAST_BlendMode, float>);
static_assert(!std::is_convertible_v<int, RAST_Weight>);
static_assert(!std::is_convertible_v<float, RAST_Weight>);

TEST(BlendSweep, PlainModesMatchFormulaForEveryBytePair) {
  for (int op = 0; op <= 4; ++op) {
    for (int a : kSwitchWeights) {
      int failures = 0;
      for (int d = 0; d < 256 && failures < 5; ++d) {
        for (int s = 0; s < 256; ++s) {
          const RAST_pixel dp = Spread(d), sp = Spread(s);
          const RAST_pixel got = LibraryPlain(op, dp, sp, a);
          int expect[4];
          for (int c = 0; c < 4; ++c) expect[c] = RefChannel(op, Chan(dp, c), Chan(sp, c), a);
          if (got != Join(expect)) {
            ADD_FAILURE() << "op " << op << " weight " << a << " d " << d << " s " << s << std::hex
                          << " got " << got << " want " << Join(expect);
            ++failures;
          }
        }
      }
    }
  }
}

TEST(BlendSweep, SourceAlphaModesMatchFormula) {
  const int alphas[] = {0, 1, 2, 127, 128, 254, 255};
  const int weights[] = {1, 128, 255, 256};
  for (int op = 0; op <= 4; ++op) {
    for (int a : weights) {
      for (int sa : alphas) {
        int failures = 0;
        for (int d = 0; d < 256 && failures < 5; ++d) {
          for (int s = 0; s < 256; ++s) {
            const RAST_pixel dp = Spread(d);
            const RAST_pixel sp = (Spread(s) & 0xFFFFFF00u) | static_cast<RAST_pixel>(sa);
            const int mode = 0x10000 | op;
            const RAST_BlitOp bop = RAST_SelectBlitOp(RAST_BlendMode(mode), RAST_Weight(a));
            const RAST_pixel got = RAST_PixelFuncFor(bop) ? [&] {
              RAST_pixel p = dp;
              RAST_PixelFuncFor(bop)(&p, Chan(sp, 1), Chan(sp, 2), Chan(sp, 3), Chan(sp, 0), RAST_Weight(a));
              return p;
            }() : dp;
            const RAST_pixel want = RefBlit(mode, dp, sp, a);
            if (got != want) {
              ADD_FAILURE() << "mode " << std::hex << mode << std::dec << " weight " << a << " sa "
                            << sa << " d " << d << " s " << s;
              ++failures;
            }
            if ((d + s) % 61 ==
                0) {  // the general combiner agrees (sampled: it is slow under the sanitizers)
              EXPECT_EQ(RAST_BlendPixelValue(dp, sp, RAST_BlendMode(mode),
                                             static_cast<float>(a) / 256.0f),
                        want);
            }
          }
        }
      }
    }
  }
}

TEST(BlendSweep, HSVMatchesReferenceOnRandomPixels) {
  std::mt19937 rng(7);
  for (int i = 0; i < 200000; ++i) {
    const RAST_pixel d = static_cast<RAST_pixel>(rng()), s = static_cast<RAST_pixel>(rng());
    const int w = static_cast<int>(rng() % 257);
    RAST_pixel got = d;
    RAST_HSVAdjustPixel(&got, Chan(s, 1), Chan(s, 2), Chan(s, 3), Chan(s, 0), RAST_Weight(w));
    ASSERT_EQ(got, RefHSV(d, Chan(s, 1), Chan(s, 2), Chan(s, 3), Chan(s, 0), w)) << i;
  }
}

TEST(BlendValues, CopyEdgeValues) {
  EXPECT_EQ(RAST_BlendCopy(0x11223344u, 0xAABBCCDDu, RAST_Weight(256)), 0xAABBCCDDu);
  EXPECT_EQ(RAST_BlendCopy(0x00000000u, 0xFFFFFFFFu, RAST_Weight(255)), 0xFFFFFFFFu);
  EXPECT_EQ(RAST_BlendCopy(0xFFFFFFFFu, 0x00000000u, RAST_Weight(255)), 0x00000000u);
  // Colour plus the remaining share of the old value, not the other way round.
  EXPECT_EQ(RAST_PixelRed(RAST_BlendCopy(RAST_MakePixel(255, 0, 0, 0), RAST_MakePixel(0, 0, 0, 0),
                                         RAST_Weight(128))),
            127u);
}

TEST(BlendValues, AddDodgeMultiplyOverlayEdges) {
  EXPECT_EQ(RAST_PixelRed(RAST_BlendAdd(RAST_MakePixel(100, 0, 0, 0), RAST_MakePixel(200, 0, 0, 0),
                                        RAST_Weight(256))),
            255u);
  EXPECT_EQ(RAST_BlendDodge(0x01020300u, 0xFFFFFFFFu, RAST_Weight(256)), 0xFFFFFF00u);
  EXPECT_EQ(RAST_BlendMul(0xFFFFFFFFu, 0xFFFFFFFFu, RAST_Weight(256)), 0xFEFEFEFEu);
  EXPECT_EQ(RAST_BlendMul(0x12345678u, 0, RAST_Weight(256)), 0u);
  EXPECT_EQ(RAST_BlendMul(0x12345678u, 0, RAST_Weight(0)), 0x12345678u);
  for (int d = 0; d < 256; ++d)
    for (int a : {1, 100, 256})
      EXPECT_EQ(RAST_BlendOverlay(Spread(d), 0x80808080u, RAST_Weight(a)), Spread(d));
}

TEST(BlendValues, SourceAlphaCopyAtFullWeight) {
  EXPECT_EQ(RAST_BlendStoreSA(0x11223344u, 0xAABBCC00u), 0x11223344u);
  EXPECT_EQ(RAST_BlendStoreSA(0x11223344u, 0xAABBCCFFu), 0xAABBCCFFu);
  EXPECT_EQ(RAST_PixelAlpha(
                RAST_BlendStoreSA(RAST_MakePixel(0, 0, 0, 200), RAST_MakePixel(9, 9, 9, 128))),
            255u);
}

TEST(BlendValues, HSVExamples) {
  RAST_pixel p = RAST_MakePixel(255, 0, 0, 9);
  RAST_HSVAdjustPixel(&p, 213, 128, 128, 77, RAST_Weight(256));
  EXPECT_EQ(p, RAST_MakePixel(4, 255, 0, 77));
  p = RAST_MakePixel(200, 100, 50, 0);
  RAST_HSVAdjustPixel(&p, 128, 128, 128, 0, RAST_Weight(256));
  EXPECT_EQ(p, RAST_MakePixel(200, 99, 50, 0));
  p = RAST_MakePixel(10, 200, 30, 0);
  RAST_HSVAdjustPixel(&p, 128, 0, 128, 0, RAST_Weight(256));
  EXPECT_EQ(p, RAST_MakePixel(200, 200, 200, 0));
  p = RAST_MakePixel(90, 90, 90, 1);  // grey: saturation 0, value kept
  RAST_HSVAdjustPixel(&p, 128, 128, 128, 3, RAST_Weight(256));
  EXPECT_EQ(p, RAST_MakePixel(90, 90, 90, 3));
}

TEST(BlendValues, ReciprocalTable) {
  EXPECT_EQ(RAST_ReciprocalTable[0], 0);
  EXPECT_EQ(RAST_ReciprocalTable[1], 65535);
  EXPECT_EQ(RAST_ReciprocalTable[2], 32767);
  EXPECT_EQ(RAST_ReciprocalTable[255], 256);
}

// Alpha becomes trunc(alpha * 256) within -256..256: copy takes nothing below 1/256, the other
// modes take a negative weight as it is (add subtracts), and every result stays in its byte.
TEST(BlendWeight, NegativeAlphaKnownAnswersAtEveryEntry) {
  EXPECT_EQ(RAST_Weight(300).value(), 256);
  EXPECT_EQ(RAST_Weight(-300).value(), -256);
  EXPECT_EQ(RAST_Weight::FromAlpha(-1.0f).value(), -256);
  EXPECT_EQ(RAST_Weight::FromAlpha(-0.5f).value(), -128);
  EXPECT_EQ(RAST_Weight::FromAlpha(-0.002f).value(), 0);
  EXPECT_EQ(RAST_Weight::FromAlpha(3.0f).value(), 256);
  EXPECT_EQ(RAST_Weight::FromAlpha(std::numeric_limits<float>::quiet_NaN()).value(), 0);
  EXPECT_EQ(RAST_Weight::FromAlpha(-std::numeric_limits<float>::infinity()).value(), -256);
  // Every byte of d and s alike (the low byte is alpha, also for source-alpha modes here).
  struct Case {
    unsigned d, s;
    int mode;
    float alpha;
    unsigned want;
  } cases[] = {
      {100, 200, 1, 1.0f, 255},   // add saturates
      {100, 50, 1, -1.0f, 50},    // add with a negative alpha subtracts
      {100, 200, 1, -1.0f, 0},    // ... down to 0
      {100, 50, 1, -0.5f, 75},    // 100 + t(50 * -128 / 256)
      {100, 50, 0, -1.0f, 100},   // copy takes no negative weight
      {128, 0, 0, 2.0f, 0},       // nor one above 256
      {200, 255, 2, -1.0f, 100},  // dodge: k = 511, 200 * 256 / 511
      {255, 0, 3, -1.0f, 255},    // multiply: 510 kept in the byte, not wrapped to 254
      {100, 255, 3, -1.0f, 100},  // (65792 * 100) >> 16
      {255, 255, 3, 4.0f, 254},   // an exaggerated alpha draws as 1.0
      {100, 0, 4, -1.0f, 160},    // overlay: v = 65536, (-12800 + 65536) * 100 >> 15
  };
  auto word = [](unsigned b) { return b * 0x01010101u; };
  for (const Case& c : cases) {
    EXPECT_EQ(RAST_BlendPixelValue(word(c.d), word(c.s), RAST_BlendMode(c.mode), c.alpha),
              word(c.want))
        << c.d << " " << c.s << " mode " << c.mode << " alpha " << c.alpha;
    // The same through a blit, a line and a fill (which keeps the destination's alpha).
    CanvasBitmap dest(1, 1), src(1, 1);
    src.at(0, 0) = word(c.s);
    for (int way = 0; way < 3; ++way) {
      dest.at(0, 0) = word(c.d);
      const RAST_BlendMode mode = RAST_BlendMode(c.mode);
      if (way == 0) RAST_Blit(&dest, &src, 0, 0, nullptr, c.alpha, mode);
      if (way == 1) RAST_Line(&dest, 0, 0, 0, 0, word(c.s), c.alpha, mode, false);
      if (way == 2) RAST_FillRect(&dest, 0, 0, 1, 1, word(c.s), c.alpha, mode);
      const unsigned mask = way == 2 ? 0xFFFFFF00u : ~0u;
      EXPECT_EQ(dest.at(0, 0) & mask, word(c.want) & mask)
          << "blit/line/fill " << way << " mode " << c.mode << " alpha " << c.alpha;
    }
  }
  // Source alpha 255 at alpha -1.0: add subtracts colour and alpha alike.
  EXPECT_EQ(RAST_BlendPixelValue(0x64646464u, 0x323232FFu, RAST_BLIT_USE_ALPHA | RAST_BLIT_MODE_ADD,
                                 -1.0f),
            0x32323200u);
  EXPECT_EQ(RAST_BlendPixelValue(0x64646464u, 0x323232FFu, RAST_BLIT_USE_ALPHA, -1.0f),
            0x64646464u);
}

TEST(BlendModeWord, SelectsOperationsAsTheBlitsSeeThem) {
  const RAST_Weight full(256), half(128), zero(0);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BLIT_MODE_COPY, full), RAST_BlitOp::Store);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BLIT_MODE_COPY, half), RAST_BlitOp::Copy);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BLIT_MODE_COPY, zero), RAST_BlitOp::None);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BLIT_USE_ALPHA, full), RAST_BlitOp::StoreSA);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BLIT_USE_ALPHA | RAST_BLIT_MODE_HSVADJ, half),
            RAST_BlitOp::HSVSA);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BlendMode(6), full), RAST_BlitOp::None);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BlendMode(0x20006), full), RAST_BlitOp::None);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BlendMode(0x20001), full), RAST_BlitOp::Add);
  EXPECT_EQ(RAST_SelectBlitOp(RAST_BlendMode(0x10101), full), RAST_BlitOp::AddSA);
  EXPECT_TRUE((RAST_BLIT_FILTER_BILINEAR | RAST_BLIT_MODE_ADD).isBilinear());
  EXPECT_EQ(RAST_BLIT_MODE_CHANNEL_COPY(0, 1).bits(), 0xF1);
}

TEST(SolidWrite, EveryModeAndTheNothingCases) {
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    const RAST_pixel d = static_cast<RAST_pixel>(rng()), c = static_cast<RAST_pixel>(rng());
    const int w = static_cast<int>(rng() % 257);
    const int mode = static_cast<int>(rng() % 8);
    RAST_pixel p = d;
    RAST_SolidWrite(&p, c, RAST_Weight(w), RAST_BlendMode(mode | 0x10100));
    // Weight 0 leaves modes 0-4 alone; HSV still writes (alpha byte and the round trip).
    RAST_pixel want = mode > 5 ? d : RefBlit(mode, d, c, w);
    if (mode == 5 && w == 0) want = RefHSV(d, Chan(c, 1), Chan(c, 2), Chan(c, 3), Chan(c, 0), 0);
    ASSERT_EQ(p, want) << "mode " << mode << " w " << w;
  }
}

TEST(WordMixes, QuarterHalfThreeQuarter) {
  EXPECT_EQ(RAST_MixHalf(0xFFFFFFFFu, 0xFFFFFFFFu), 0xFEFEFEFEu);
  EXPECT_EQ(RAST_MixQuarter(0xFFFFFFFFu, 0u), 0xBEBEBEBEu);
  EXPECT_EQ(RAST_MixThreeQuarter(0u, 0xFFFFFFFFu), 0xBEBEBEBEu);
}

TEST(ClampedPixelFunctions, ClampSourcesOutsideTheByteRange) {
  RAST_pixel p = 0x80808080u;
  RAST_PixCopyClamped(&p, 400, -50, 128, 300, RAST_Weight(256));
  EXPECT_EQ(p, RAST_MakePixel(255, 0, 128, 255));
  p = 0xFFFFFFFFu;
  RAST_PixMulClamped(&p, 512, 0, 256, 256, RAST_Weight(256));
  EXPECT_EQ(RAST_PixelRed(p), 255u);
  EXPECT_EQ(RAST_PixelGreen(p), 0u);
  EXPECT_EQ(RAST_PixelBlue(p), 255u);
}
