// Control animation: named, frame-counted transitions between two values along one of 41
// easing curves. A control asks for the value of a named animation once per drawn frame; while
// any of its animations runs, the graphics core keeps the control dirty, so the animation
// advances at the GUI frame rate. Main thread only.
#pragma once

#include <string>
#include <vector>

class IGraphics;

// True when any bit is set.
inline bool AnyBitSet(const std::vector<bool>& bits) {
  for (bool b : bits) {
    if (b) return true;
  }
  return false;
}

enum EEasingCurve {
  LinearInterpolation,
  QuadraticEaseIn,
  QuadraticEaseOut,
  QuadraticEaseInOut,
  CubicEaseIn,
  CubicEaseOut,
  CubicEaseInOut,
  QuarticEaseIn,
  QuarticEaseOut,
  QuarticEaseInOut,
  QuinticEaseIn,
  QuinticEaseOut,
  QuinticEaseInOut,
  SineEaseIn,
  SineEaseOut,
  SineEaseInOut,
  CircularEaseIn,
  CircularEaseOut,
  CircularEaseInOut,
  ExponentialEaseIn,
  ExponentialEaseOut,
  ExponentialEaseInOut,
  ElasticEaseIn,
  ElasticEaseOut,
  ElasticEaseInOut,
  BackEaseIn,
  BackEaseOut,
  BackEaseInOut,
  BounceEaseIn,
  BounceEaseOut,
  BounceEaseInOut,
  BezierEase,
  BezierEaseIn,
  BezierEaseOut,
  BezierEaseInOut,
  BezierSwiftMove,
  BezierSwifterMove,
  BezierHeavyMove,
  BezierSwiftIn,
  BezierSwiftOut,
  BezierCustom,
  kNumEasingCurves
};

// The curve's name (also its preview label); null for a kind outside 0..40.
const char* EasingCurveName(int kind);

class IModuleAnimation {
 public:
  // One bit per named animation: it advanced in its last call and has not arrived yet.
  const std::vector<bool>& Running() const { return mRunning; }
  bool AnyRunning() const { return AnyBitSet(mRunning); }
  void SetRunning(int entry, bool running);

  // The next evaluation pre-maps t through a smoothstep (once).
  void EnableSmoothstep() { mSmoothstep = true; }
  // Control points of BezierCustom.
  void SetBezierCustom(double x1, double y1, double x2, double y2);
  int FindAnimation(const char* name) const;
  // When set, each call of the entry first jumps to the end of the requested direction.
  void SetJump(int entry, bool jump);

  // Advances the named animation one frame in the direction asked for and returns its value:
  // forward runs from start to end over forwardFrames, backward from end to start over
  // backwardFrames. A reversal mid-way goes on from the current value with the remaining share
  // of the frames. Zero frames arrive at once.
  double Animate(const char* name, bool forward, int forwardFrames, int backwardFrames,
                 int forwardKind, int backwardKind, double start, double end);

  // start..end at t (0..1) along the curve; a kind outside 0..40 gives 0.0.
  friend double EasingCurve_Evaluate(IModuleAnimation* animation, int kind, double start,
                                     double end, double t);

 private:
  std::vector<bool> mRunning;
  std::vector<bool> mDirection;  // true: forward
  std::vector<std::string> mNames;
  std::vector<int> mPosition;
  std::vector<double> mStart;
  std::vector<double> mEnd;
  std::vector<double> mFrom;
  std::vector<double> mCurrent;
  std::vector<int> mForwardFrames;
  std::vector<int> mBackwardFrames;
  std::vector<bool> mJump;
  double mBezier[4] = {0.0, 0.0, 1.0, 1.0};
  bool mSmoothstep = false;
};

double EasingCurve_Evaluate(IModuleAnimation* animation, int kind, double start, double end,
                            double t);

// Draws a size x size preview of the curve at (x, y): background, axes inset by size / 4 with
// their labels, the curve's name and the curve, one pixel per column. Only pixels inside the
// GUI are written.
void EasingCurve_DrawPreview(IModuleAnimation* animation, IGraphics* graphics, int kind, int size,
                             int x, int y);
