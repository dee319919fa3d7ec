// The EQ display: ranges and grids, handle geometry, the curve against the band gains, drawing
// at every width up to the limit (and past it), and the press/drag/release rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "control_fixture.h"
#include "graphics/para_graphic_eq.h"

using namespace vqtest;

namespace {

using Eq = IParaGraphicEq;

Eq::Settings MakeSettings(int bands = 4, float lo = 20, float hi = 22000, float gLo = -30,
                          float gHi = 30) {
  return {.mBands = bands,
          .mLowestFreq = lo,
          .mHighestFreq = hi,
          .mLowestGain = gLo,
          .mHighestGain = gHi};
}

Eq::Band MakeBand(int index, int type, float gain, float freq, float width) {
  return {index, type, gain, freq, width, 10, 20000, -20, 20, 0.1f, 1.5f};
}

// A display whose clock the test sets.
class ClockedEq : public Eq {
 public:
  using Eq::Eq;
  unsigned now = 1000;

 protected:
  unsigned Ticks() const override { return now; }
};

struct EqDisplay : ControlFixture {
  // Attaches a display of w x h at (0, 0) to a graphics big enough for it.
  ClockedEq* Make(const Eq::Settings& s, int w = 400, int h = 100) {
    if (w > graphics->GetWidth() || h > graphics->GetHeight())
      graphics->Resize(std::max(w, 200), std::max(h, 120));
    return Attach(new ClockedEq(&plug, IRECT(0, 0, w, h), 2, s));
  }
  void DrawAll() { DrawArea(IRECT(0, 0, graphics->GetWidth(), graphics->GetHeight())); }
};

}  // namespace

TEST(EqRanges, FrequencyAndGainRangesAreCheckedAtInit) {
  struct Case {
    float lo, hi, gLo, gHi;
    float fl, fh;
    double ku, kd;
  } cases[] = {
      {5, 30000, -30, 30, 20, 22000, 1.0 / 60, 1.0 / 60},
      {20, 24000, 0, 24, 20, 24000, 1.0 / 48, 1.0 / 80},  // lowest gain 0 scales like -40
      {20, 12000, -40, 41, 20, 12000, 1.0 / 80, 1.0 / 80},
      {30, 20, -12, 12, 20, 22000, 1.0 / 24, 1.0 / 24},
      {NAN, NAN, NAN, NAN, 20, 22000, 1.0 / 80, 1.0 / 80},
  };
  for (const Case& c : cases) {
    Eq eq(nullptr, IRECT(0, 0, 100, 50), -1, MakeSettings(4, c.lo, c.hi, c.gLo, c.gHi));
    EXPECT_EQ(eq.LowestFreq(), c.fl) << c.lo << ".." << c.hi;
    EXPECT_EQ(eq.HighestFreq(), c.fh) << c.lo << ".." << c.hi;
    EXPECT_NEAR(eq.OctaveSpan(), std::log2(c.fh / c.fl), 1e-4);
    EXPECT_DOUBLE_EQ(eq.GainFactorUp(), c.ku);
    EXPECT_DOUBLE_EQ(eq.GainFactorDown(), c.kd);
  }
  for (auto [n, clamped] : {std::pair{0, 1}, {1, 1}, {4, 4}, {50, 10}}) {
    Eq eq(nullptr, IRECT(0, 0, 100, 50), -1, MakeSettings(n));
    EXPECT_EQ(eq.NBands(), clamped);
    eq.SetBand(MakeBand(0, Eq::kBell, 0, 1000, 1));
    IMouseMod left(true);
    eq.SetValue(0.7);
    eq.OnMouseDown(50, 25, &left);  // picks band 0; one band never divides by zero
    EXPECT_EQ(eq.GetValue(), 0.0);
  }
}

TEST(EqRanges, GridLabelsHandlesAndBandLabels) {
  Eq::Settings s = MakeSettings(4, 20, 22000, -30, 30);
  std::strcpy(s.mFreqGrid, "100, 1000,1500, 20000");
  std::string many;
  for (int i = 0; i < 25; ++i) many += std::to_string(i) + ",";
  std::strcpy(s.mGainGrid, many.c_str());
  Eq eq(nullptr, IRECT(0, 0, 400, 100), -1, s);
  ASSERT_EQ(eq.NFreqGrid(), 4);
  const char* freq[] = {"100", "1k", "1.5k", "20k"};
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(eq.FreqGridLabel(i), freq[i]);
  EXPECT_EQ(eq.NGainGrid(), Eq::kMaxGrid);
  EXPECT_STREQ(eq.GainGridLabel(12), "12");

  // Handles: +30 dB at the top edge, 0 dB in the middle; no frequency (yet) at the left edge.
  struct Case {
    int type;
    float gain, freq, width;
    double x, y;
    const char* label;
  } cases[] = {{Eq::kBell, 30, 22000, 1, 400, 0, "22.00kHz\n30dB\nQ=1.41"},
               {Eq::kLowShelf, -15, 20, 4, 0, 75, "20.00Hz\n-15dB\nS=-2.4"},
               {Eq::kHighShelf, 0, 0, 10, 0, 50, " 0.00Hz\n0dB\nS=-8.4"},
               {7, 3, -5, 2, 0, 45, "-5.00Hz\n3dB\nB=2"}};
  char text[128];
  double x, y;
  for (const Case& c : cases) {
    Eq::Band b = MakeBand(1, c.type, c.gain, c.freq, c.width);
    b.mGainMin = -30;
    b.mGainMax = 30;
    eq.SetBand(b);
    eq.HandlePoint(1, 400, 100, &x, &y);
    EXPECT_NEAR(x, c.x, 1e-9) << c.gain << " dB at " << c.freq;
    EXPECT_NEAR(y, c.y, 1e-9) << c.gain << " dB at " << c.freq;
    eq.BandLabel(1, text, sizeof text);
    EXPECT_STREQ(text, c.label);
  }
}

TEST_F(EqDisplay, CurveAtBandCentresEqualsTheBandGainsInPixels) {
  auto* eq = Make(MakeSettings(4, 20, 20000, -24, 24), 460, 115);
  // Narrow bells far apart, so that no band reaches another's centre.
  const float gains[] = {12, -18, 6, 24};
  const float freqs[] = {40, 300, 2000, 12000};
  for (int b = 0; b < 4; ++b) eq->SetBand(MakeBand(b, Eq::kBell, gains[b], freqs[b], 0.3f));
  DrawAll();
  ASSERT_EQ(eq->CurveWidth(), 460);
  for (int b = 0; b < 4; ++b) {
    const int cx = static_cast<int>(eq->FreqPosition(freqs[b]) * 460);
    const double pixels = -115.0 * gains[b] / 48.0;
    EXPECT_NEAR(eq->TotalCurve()[cx], pixels, 1e-3) << "band " << b;
    double hx, hy;
    eq->HandlePoint(b, 460, 115, &hx, &hy);  // the handle sits on the curve
    EXPECT_NEAR(hy - 57.5, pixels, 1e-3);
  }
  // Shelves: the full gain beyond their transition, nothing on the other side.
  for (int b = 0; b < 4; ++b) eq->SetBand(MakeBand(b, Eq::kBell, 0, 1000, 1));
  eq->SetBand(MakeBand(0, Eq::kLowShelf, 10, 100, 1));
  eq->SetBand(MakeBand(3, Eq::kHighShelf, -8, 8000, 1));
  DrawAll();
  EXPECT_NEAR(eq->TotalCurve()[0], -115.0 * 10 / 48, 1e-3);
  EXPECT_NEAR(eq->TotalCurve()[459], 115.0 * 8 / 48, 1e-3);
  EXPECT_NEAR(eq->TotalCurve()[230], 0.0, 1e-3);
  // The curve is drawn (anti-aliased) in its colour through the middle where it is flat.
  EXPECT_GT(RAST_PixelRed(Pixel(230, 57)), 200u);
  EXPECT_EQ(RAST_PixelGreen(Pixel(230, 57)), 0u);
  EXPECT_EQ(Pixel(230, 50), kBackground);
}

// One band at a time on a 460 x 115 display over 20..20000 Hz and +-24 dB: its curve at
// columns across each flank, worked out from the shapes' formulas.
TEST_F(EqDisplay, EachBandShapeRisesAndFallsAsItsFormulaSays) {
  auto* eq = Make(MakeSettings(1, 20, 20000, -24, 24), 460, 115);
  struct Case {
    int type;
    float gain, freq, width;
    std::vector<std::pair<int, double>> columns;
  } cases[] = {
      {Eq::kBell,
       12,
       1000,
       1.5f,  // centre 260, half span 69
       {{191, -0.0372},
        {225, -4.1619},
        {259, -28.75},
        {260, -28.75},
        {261, -27.8136},
        {294, -3.8747},
        {329, 0.0353},
        {330, 0}}},
      {Eq::kLowShelf,
       10,
       100,
       1,  // from 84 over 46 columns, falling
       {{83, -23.9583}, {84, -23.9583}, {95, -20.734}, {107, -11.9792}, {118, -3.8027}, {130, 0}}},
      {Eq::kHighShelf,
       -8,
       8000,
       1,  // from 375 over 46 columns, rising
       {{374, 0}, {375, 0}, {386, 2.5795}, {398, 9.5833}, {409, 16.1245}, {421, 19.1667}}},
  };
  for (const Case& c : cases) {
    eq->SetBand(MakeBand(0, c.type, c.gain, c.freq, c.width));
    DrawAll();
    for (auto [x, want] : c.columns)
      EXPECT_NEAR(eq->TotalCurve()[x], want, 1e-3) << "type " << c.type << " at " << x;
  }
}

// Grid lines stop short of the labels; a band's label box sits right of its handle, or left
// of it within 50 pixels of the right edge. Text is right-aligned, so never right of the box.
// At twice the GUI size every one of those distances doubles with the labels.
TEST_F(EqDisplay, GridLinesAndLabelBoxesKeepTheirPlaces) {
  for (int k : {1, 2}) {
    SCOPED_TRACE(k);
    Eq::Settings s = MakeSettings(2, 20, 22000, -30, 30);
    s.mGridColor = IColor(255, 0, 255, 0);
    s.mLabelBoxColor = IColor(255, 0, 0, 200);
    std::strcpy(s.mFreqGrid, "1000");
    std::strcpy(s.mGainGrid, "12");  // 0.3 of the height
    auto* eq = Make(s, 400 * k, 100 * k);
    eq->OnRescale(k);
    const int xi = static_cast<int>(eq->FreqPosition(1000) * 400 * k);
    const RAST_pixel grid = s.mGridColor.ToPixel();
    eq->SetBand(MakeBand(0, Eq::kBell, 0, 1000, 1));
    eq->SetBand(MakeBand(1, Eq::kBell, 0, 20000, 1));
    DrawAll();
    for (auto [x, y, on] : {std::tuple{xi, 91 * k, true},
                            {xi, 91 * k + 1, false},
                            {xi, 0, true},
                            {384 * k, 30 * k, true},
                            {0, 30 * k, true},
                            {384 * k + 4, 30 * k, false}})
      EXPECT_EQ(Pixel(x, y) == grid, on) << x << "," << y;
    IMouseMod left(true);
    for (int b = 0; b < 2; ++b) {
      double hx, hy;
      eq->HandlePoint(b, 400 * k, 100 * k, &hx, &hy);
      eq->OnMouseDown(static_cast<int>(hx), static_cast<int>(hy), &left);
      DrawAll();
      const int x = static_cast<int>(hx), right = x > 350 * k ? x - 5 * k : x + 45 * k;
      EXPECT_NE(Pixel(right - 1, 12 * k), kBackground) << "band " << b;
      for (int past = right; past < right + 4; ++past)
        EXPECT_EQ(Pixel(past, 12 * k), kBackground) << "band " << b << " at " << past;
      eq->OnMouseUp(0, 0, &left);
    }
    eq->Hide(true);
  }
}

TEST_F(EqDisplay, DrawsWithinItsBuffersAtEveryWidth) {
  // Bands at and beyond both ends, with extreme widths.
  const Eq::Band bands[] = {
      MakeBand(0, Eq::kBell, 20, 22000, 8),       MakeBand(1, Eq::kBell, -20, 1, 0.01f),
      MakeBand(2, Eq::kHighShelf, 20, 5, 30),     MakeBand(3, Eq::kLowShelf, -20, 90000, 40),
      MakeBand(4, Eq::kBell, 5, 30000, 1e9f),     MakeBand(5, Eq::kHighShelf, 5, 21000, 0.5f),
      MakeBand(6, Eq::kLowShelf, 5, 90000, 0.5f), MakeBand(7, Eq::kBell, 5, NAN, 1),
      MakeBand(8, Eq::kBell, 5, 1000, -2.5f),     MakeBand(9, Eq::kHighShelf, 5, INFINITY, 2)};
  // Guards: the curve store's cells outside the bands' columns, and the pixels below the display.
  for (int w : {1, 16, 17, 18, 460, 920, Eq::kMaxWidth, Eq::kMaxWidth + 1, 4200}) {
    auto* eq = Make(MakeSettings(10), w, 60);
    DrawAll();  // before any band: every frequency 0
    for (const Eq::Band& b : bands) eq->SetBand(b);
    DrawAll();
    const int columns = std::min(w, Eq::kMaxWidth);
    EXPECT_EQ(eq->CurveWidth(), columns);
    const std::vector<float>& store = eq->CurveStore();
    for (size_t i = 0; i < store.size(); ++i) {
      const size_t slot = i / Eq::kMaxWidth, column = i % Eq::kMaxWidth;
      const bool guard = slot == 0 || slot > Eq::kMaxBands || column >= size_t(columns);
      ASSERT_TRUE(!guard || store[i] == 0.0f)
          << "width " << w << ", slot " << slot << ", column " << column;
    }
    for (int y = 64; y < graphics->GetHeight(); ++y)
      for (int x = 0; x < graphics->GetWidth(); ++x)
        ASSERT_EQ(Pixel(x, y), kBackground) << x << "," << y;
    graphics->RemoveControl(eq->GetListIdx());
    delete eq;
  }
}

TEST_F(EqDisplay, APressSelectsTheNearestHandleOnly) {
  auto* eq = Make(MakeSettings(4, 20, 20480, -20, 20), 400, 100);  // ten octaves
  eq->SetBand(MakeBand(0, Eq::kBell, 0, 640, 1));                  // at (200, 50)
  eq->SetBand(MakeBand(1, Eq::kBell, 2, 640, 1));                  // 5 px above band 0
  eq->SetBand(MakeBand(2, Eq::kBell, 0, 640, 1));                  // on top of band 0
  eq->SetBand(MakeBand(3, Eq::kBell, 0, 10240, 1));
  double x0, y0;
  eq->HandlePoint(0, 400, 100, &x0, &y0);
  IMouseMod left(true);
  struct Case {
    double dx, dy;
    int selected;  // -1: none
  } cases[] = {{0, 1, 2}, {0, -4, 1}, {9, 0, 2}, {10, 0, -1}, {0, 10, -1}, {-9.5, -9.5, 1}};
  for (const Case& c : cases) {
    eq->SetValue(0.5);
    eq->OnMouseDown(static_cast<int>(std::lround(x0 + c.dx)),
                    static_cast<int>(std::lround(y0 + c.dy)), &left);
    for (int b = 0; b < 4; ++b)
      EXPECT_EQ(eq->IsBandSelected(b), b == c.selected) << c.dx << "," << c.dy;
    EXPECT_DOUBLE_EQ(eq->GetValue(), c.selected < 0 ? 0.5 : c.selected / 3.0);
    eq->OnMouseUp(0, 0, &left);
  }
  EXPECT_TRUE(Pushes(2).empty());  // presses and releases push nothing
}

TEST_F(EqDisplay, DraggingMovesTheSelectedBandWithinItsLimits) {
  auto* eq = Make(MakeSettings(2, 20, 20000, -20, 20), 400, 100);
  eq->SetBand(MakeBand(0, Eq::kBell, 0, 100, 1));
  eq->SetBand(MakeBand(1, Eq::kBell, 0, 1000, 1));
  double x, y;
  eq->HandlePoint(1, 400, 100, &x, &y);
  IMouseMod left(true), right(false, true);
  eq->OnMouseDown(static_cast<int>(x), static_cast<int>(y), &left);
  Eq::Band band;
  struct Case {
    int x, y;
    float freq, gain;
  } cases[] = {
      {200, 25, 632.456f, 10}, {400, 100, 20000, -20}, {0, 0, 20, 20}, {100, 75, 112.468f, -10}};
  for (const Case& c : cases) {
    eq->OnMouseDrag(c.x, c.y, 1, 0, &left);
    eq->GetBand(&band);
    EXPECT_EQ(band.mIndex, 1);
    EXPECT_NEAR(band.mFreq, c.freq, 0.01) << c.x;
    EXPECT_NEAR(band.mGain, c.gain, 1e-4) << c.y;
  }
  EXPECT_EQ(Pushes(2), (std::vector<double>(4, 1.0)));
  // The right button widens upwards and rightwards, narrows the other way, within the limits.
  for (auto [dx, dy, width] :
       {std::tuple{0, -1, 1.1f}, {1, 0, 1.2f}, {0, 3, 1.1f}, {-1, 0, 1.0f}, {0, -9, 1.1f}}) {
    eq->OnMouseDrag(0, 0, dx, dy, &right);
    eq->GetBand(&band);
    EXPECT_NEAR(band.mWidth, width, 1e-5);
  }
  for (int i = 0; i < 20; ++i) eq->OnMouseDrag(0, 0, 1, 0, &right);
  eq->GetBand(&band);
  EXPECT_FLOAT_EQ(band.mWidth, 1.5f);  // at most the maximum
  eq->SetRECT(IRECT(0, 0, 0, 0));      // no size: a drag means nothing
  const size_t pushes = Pushes(2).size();
  eq->OnMouseDrag(10, 10, 1, 0, &left);
  EXPECT_EQ(Pushes(2).size(), pushes);
}

TEST_F(EqDisplay, ADoubleReleaseSetsTheValueOfTheSelectedBand) {
  auto* eq = Make(MakeSettings(3), 400, 100);
  eq->SetBand(MakeBand(2, Eq::kBell, 0, 1000, 1));
  double x, y;
  eq->HandlePoint(2, 400, 100, &x, &y);
  IMouseMod left(true);
  struct Case {
    unsigned gap;
    double value;
  } cases[] = {{1000, 0.25}, {399, 1.0}, {400, 0.25}, {0xFFFFFFF0u, 0.25}};
  for (const Case& c : cases) {
    eq->OnMouseDown(static_cast<int>(x), static_cast<int>(y), &left);
    eq->SetValue(0.25);
    eq->now += c.gap;
    eq->OnMouseUp(0, 0, &left);
    EXPECT_DOUBLE_EQ(eq->GetValue(), c.value) << c.gap;
    EXPECT_FALSE(eq->IsBandSelected(2));
  }
}
