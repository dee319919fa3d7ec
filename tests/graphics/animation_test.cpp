// Easing curves and frame-stepped animations.
#include <cmath>
#include <vector>

#include "graphics/imodule_animation.h"
#include "gui_fixture.h"

// e(0.25), e(0.5), e(0.75) of every kind, worked out from the curves' formulas; kind 40 with
// the default points (0, 0) and (1, 1).
constexpr double kQuarters[kNumEasingCurves][3] = {
    {0.25, 0.5, 0.75},
    {0.0625, 0.25, 0.5625},
    {0.4375, 0.75, 0.9375},
    {0.125, 0.5, 0.875},
    {0.015625, 0.125, 0.421875},
    {0.578125, 0.875, 0.984375},
    {0.0625, 0.5, 0.9375},
    {0.00390625, 0.0625, 0.31640625},
    {0.68359375, 0.9375, 0.99609375},
    {0.03125, 0.5, 0.96875},
    {0.0009765625, 0.03125, 0.2373046875},
    {0.7626953125, 0.96875, 0.9990234375},
    {0.015625, 0.5, 0.984375},
    {0.0761204674887, 0.292893218813, 0.617316567635},
    {0.382683432365, 0.707106781187, 0.923879532511},
    {0.146446609407, 0.5, 0.853553390593},
    {0.0317541634481, 0.133974596216, 0.338562172234},
    {0.661437827766, 0.866025403784, 0.968245836552},
    {0.0669872981078, 0.5, 0.933012701892},
    {0.00552427172802, 0.03125, 0.176776695297},
    {0.823223304703, 0.96875, 0.994475728272},
    {0.015625, 0.5, 0.984375},
    {-0.00510376158155, -0.0220970869121, 0.0676495125183},
    {0.932350487482, 1.02209708691, 1.00510376158},
    {-0.011048543456, 0.5, 1.01104854346},
    {-0.161151695297, -0.375, -0.10845508589},
    {1.10845508589, 1.375, 1.1611516953},
    {-0.1875, 0.5, 1.1875},
    {0.041135734072, 0.28125, 0.52734375},
    {0.47265625, 0.71875, 0.958864265928},
    {0.140625, 0.5, 0.859375},
    {0.408566504901, 0.802413938962, 0.960687785262},
    {0.0933895357028, 0.3153381247, 0.621860491904},
    {0.378139508096, 0.6846618753, 0.906610464297},
    {0.128891050357, 0.5, 0.871108949643},
    {0.236578269195, 0.775601429581, 0.959368656905},
    {0.408640532487, 0.861634303945, 0.974419487941},
    {0.052816164717, 0.28609233964, 0.804108345014},
    {0.577589644379, 0.839290714566, 0.964381536961},
    {0.0987225651578, 0.324802937048, 0.630084361093},
    {0.250048895105, 0.5, 0.749951104895},
};

TEST(Easing, EveryCurveHasItsValuesAtTheQuartersAndEnds) {
  for (int kind = 0; kind < kNumEasingCurves; ++kind) {
    ASSERT_NE(EasingCurveName(kind), nullptr);
    const double want[] = {0, kQuarters[kind][0], kQuarters[kind][1], kQuarters[kind][2], 1};
    for (int q = 0; q <= 4; ++q)
      EXPECT_NEAR(EasingCurve_Evaluate(nullptr, kind, 0, 1, q / 4.0), want[q], q % 4 ? 1e-9 : 1e-3)
          << EasingCurveName(kind) << " at " << q / 4.0;
    EXPECT_NEAR(EasingCurve_Evaluate(nullptr, kind, 10, 20, 0.5), 10 + 10 * want[2], 1e-8);
  }
  EXPECT_STREQ(EasingCurveName(BezierCustom), "BezierCustom");
}

TEST(Easing, SmoothstepAppliesToOneEvaluationAndBadKindsGiveZero) {
  IModuleAnimation a;
  a.EnableSmoothstep();
  EXPECT_EQ(EasingCurve_Evaluate(&a, 41, 0, 1, 0.25), 0.0);  // keeps the flag
  EXPECT_DOUBLE_EQ(EasingCurve_Evaluate(&a, LinearInterpolation, 0, 1, 0.25), 0.15625);
  EXPECT_DOUBLE_EQ(EasingCurve_Evaluate(&a, LinearInterpolation, 0, 1, 0.25), 0.25);
  // A custom curve whose x runs flat midway still gives finite values throughout.
  a.SetBezierCustom(1, 0, 0, 1);
  for (double t = 0; t <= 1.0; t += 1.0 / 64)
    EXPECT_TRUE(std::isfinite(EasingCurve_Evaluate(&a, BezierCustom, 0, 1, t)));
}

TEST(Animation, RunsForwardThenStopsAndReversesFromWhereItIs) {
  IModuleAnimation a;
  std::vector<double> run;
  for (int i = 0; i < 5; ++i)
    run.push_back(a.Animate("fade", true, 4, 4, LinearInterpolation, LinearInterpolation, 0, 1));
  EXPECT_EQ(run, (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  EXPECT_FALSE(a.AnyRunning());
  EXPECT_EQ(a.Animate("fade", true, 4, 4, 0, 0, 0, 1), 1.0);
  EXPECT_FALSE(a.AnyRunning());

  // 20 frames out, 10 back: reversing after 8 steps goes on from the value reached.
  IModuleAnimation b;
  double last = 0;
  for (int i = 0; i < 8; ++i) last = b.Animate("slide", true, 20, 10, 0, 0, 0, 100);
  EXPECT_TRUE(b.AnyRunning());
  const double back = b.Animate("slide", false, 20, 10, 0, 0, 0, 100);
  EXPECT_DOUBLE_EQ(back, last);
  int steps = 1;
  while (b.Animate("slide", false, 20, 10, 0, 0, 0, 100) != 0.0 && steps < 100) ++steps;
  EXPECT_EQ(steps, 4);
  EXPECT_FALSE(b.AnyRunning());
  EXPECT_EQ(b.FindAnimation("slide"), 0);
  EXPECT_EQ(b.FindAnimation("fade"), -1);
}

TEST(Animation, ZeroFramesArriveAtOnce) {
  IModuleAnimation a;
  EXPECT_EQ(a.Animate("x", true, 0, 0, 0, 0, 2, 5), 5.0);
  EXPECT_EQ(a.Animate("x", false, 0, 0, 0, 0, 2, 5), 2.0);
  EXPECT_EQ(a.Animate("x", true, 3, 0, 0, 0, 2, 5), 2.0);  // from the start, 3 frames
  EXPECT_EQ(a.Animate("x", false, 3, 0, 0, 0, 2, 5), 2.0);
  EXPECT_FALSE(a.AnyRunning());
  // With the jump bit each call lands at the end of its direction at once.
  IModuleAnimation j;
  EXPECT_EQ(j.Animate("y", true, 4, 4, 0, 0, 0, 8), 0.0);
  EXPECT_EQ(j.Animate("y", true, 4, 4, 0, 0, 0, 8), 2.0);
  j.SetJump(0, true);
  EXPECT_EQ(j.Animate("y", true, 4, 4, 0, 0, 0, 8), 8.0);
  EXPECT_EQ(j.Animate("y", false, 4, 4, 0, 0, 0, 8), 0.0);
  EXPECT_FALSE(j.AnyRunning());
}

struct EasingPreview : guitest::GuiFixture {};

TEST_F(EasingPreview, DrawsOnlyInsideTheGui) {
  // The area redrawn sits inside the back buffer, whose other pixels are guards.
  constexpr RAST_pixel kGuard = 0x5A5A5A5Au;
  const IRECT area(20, 10, 70, 60);
  RAST_Clear(g->GetDrawBitmap(), kGuard);
  DrawIn(area, [](IGraphics* g) {
    IModuleAnimation a;
    EasingCurve_DrawPreview(&a, g, BounceEaseOut, 160, 15, 5);  // runs past the area and GUI
    EasingCurve_DrawPreview(&a, g, 99, 40, -30, -30);
  });
  int changed = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) {
      const bool inside = x >= area.L && x < area.R && y >= area.T && y < area.B;
      if (!inside) {
        ASSERT_EQ(Pixel(x, y), kGuard) << x << "," << y;
      }
      changed += inside && Pixel(x, y) != kGuard;
    }
  EXPECT_EQ(changed, area.W() * area.H());  // the first preview's background covers it
}
