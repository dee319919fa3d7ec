// Easing curves and frame-stepped animations.
#include <cmath>
#include <vector>

#include "graphics/imodule_animation.h"
#include "gui_fixture.h"

TEST(Easing, EveryCurveStartsAtZeroAndArrivesAtOne) {
  for (int kind = 0; kind < kNumEasingCurves; ++kind) {
    ASSERT_NE(EasingCurveName(kind), nullptr);
    EXPECT_NEAR(EasingCurve_Evaluate(nullptr, kind, 0, 1, 0.0), 0.0, 1e-3) << EasingCurveName(kind);
    EXPECT_NEAR(EasingCurve_Evaluate(nullptr, kind, 0, 1, 1.0), 1.0, 1e-3) << EasingCurveName(kind);
    EXPECT_NEAR(EasingCurve_Evaluate(nullptr, kind, 10, 20, 1.0), 20.0, 1e-2)
        << EasingCurveName(kind);
  }
  EXPECT_STREQ(EasingCurveName(BezierCustom), "BezierCustom");
  // Back and Elastic overshoot between the ends.
  EXPECT_LT(EasingCurve_Evaluate(nullptr, BackEaseIn, 0, 1, 0.3), 0.0);
  EXPECT_GT(EasingCurve_Evaluate(nullptr, ElasticEaseOut, 0, 1, 0.1), 1.0);
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
}

struct EasingPreview : guitest::GuiFixture {};

TEST_F(EasingPreview, DrawsOnlyInsideTheGui) {
  DrawIn(IRECT(0, 0, 100, 80), [](IGraphics* g) {
    IModuleAnimation a;
    EasingCurve_DrawPreview(&a, g, BounceEaseOut, 160, 20, 10);  // mostly off the 100 x 80 GUI
    EasingCurve_DrawPreview(&a, g, 99, 40, -30, -30);
  });
  EXPECT_NE(Pixel(30, 20), 0u);  // background of the first preview
}
