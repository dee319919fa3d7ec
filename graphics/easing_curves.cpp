// The 41 easing curves: e(t) with e(0) = 0 and e(1) = 1 for t in 0..1.
#include <cmath>

#include "graphics/imodule_animation.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kElastic = 20.420352248333657;  // 13 pi / 2

struct NamedBezier {
  const char* name;
  double x1, y1, x2, y2;
};

// Kinds 31..39; BezierCustom takes the stored points.
constexpr NamedBezier kBeziers[] = {
    {"BezierEase", 0.25, 0.1, 0.25, 1.0}, {"BezierEaseIn", 0.42, 0, 1, 1},
    {"BezierEaseOut", 0, 0, 0.58, 1},     {"BezierEaseInOut", 0.42, 0, 0.58, 1},
    {"BezierSwiftMove", 0.4, 0, 0.2, 1},  {"BezierSwifterMove", 0.4, 0, 0, 1},
    {"BezierHeavyMove", 0.7, 0, 0.6, 1},  {"BezierSwiftIn", 0, 0, 0.2, 1},
    {"BezierSwiftOut", 0.4, 0, 1, 1},
};

constexpr const char* kNames[kNumEasingCurves] = {
    "LinearInterpolation", "QuadraticEaseIn",      "QuadraticEaseOut",  "QuadraticEaseInOut",
    "CubicEaseIn",         "CubicEaseOut",         "CubicEaseInOut",    "QuarticEaseIn",
    "QuarticEaseOut",      "QuarticEaseInOut",     "QuinticEaseIn",     "QuinticEaseOut",
    "QuinticEaseInOut",    "SineEaseIn",           "SineEaseOut",       "SineEaseInOut",
    "CircularEaseIn",      "CircularEaseOut",      "CircularEaseInOut", "ExponentialEaseIn",
    "ExponentialEaseOut",  "ExponentialEaseInOut", "ElasticEaseIn",     "ElasticEaseOut",
    "ElasticEaseInOut",    "BackEaseIn",           "BackEaseOut",       "BackEaseInOut",
    "BounceEaseIn",        "BounceEaseOut",        "BounceEaseInOut",   "BezierEase",
    "BezierEaseIn",        "BezierEaseOut",        "BezierEaseInOut",   "BezierSwiftMove",
    "BezierSwifterMove",   "BezierHeavyMove",      "BezierSwiftIn",     "BezierSwiftOut",
    "BezierCustom"};

double Bounce(double p) {
  if (p < 0.36363636363636365) return 121.0 * p * p / 16.0;
  if (p < 0.7272727272727273) return 9.075 * p * p - 9.9 * p + 3.4;
  if (p < 0.9) return 12.066481994459833 * p * p - 19.63545706371191 * p + 8.898060941828255;
  return 10.8 * p * p - 20.52 * p + 10.72;
}

double Back(double f) {
  return f * f * f - f * std::sin(kPi * f);
}

// Cubic Bezier from (0, 0) to (1, 1): solves x(s) = t by Newton steps, answers y(s).
double Bezier(double x1, double y1, double x2, double y2, double t) {
  const double cx = 3 * x1, bx = 3 * (x2 - x1) - cx, ax = 1 - cx - bx;
  const double cy = 3 * y1, by = 3 * (y2 - y1) - cy, ay = 1 - cy - by;
  auto x = [&](double s) { return ((ax * s + bx) * s + cx) * s; };
  double s = t;
  for (int step = 0; step < 10; ++step) {
    const double err = x(s) - t;
    if (std::fabs(err) < 0.001) break;
    const double slope = (3 * ax * s + 2 * bx) * s + cx;
    if (std::fabs(slope) < 1e-6) break;  // flat: a step would fly off
    s -= err / slope;
  }
  return ((ay * s + by) * s + cy) * s;
}

double Curve(int kind, double t, const double* custom) {
  switch (kind) {
    case LinearInterpolation:
      return t;
    case QuadraticEaseIn:
      return t * t;
    case QuadraticEaseOut:
      return 2 * t - t * t;
    case QuadraticEaseInOut:
      return t < 0.5 ? 2 * t * t : -2 * t * t + 4 * t - 1;
    case CubicEaseIn:
      return t * t * t;
    case CubicEaseOut:
      return std::pow(t - 1, 3) + 1;
    case CubicEaseInOut:
      return t < 0.5 ? 4 * t * t * t : 0.5 * std::pow(2 * t - 2, 3) + 1;
    case QuarticEaseIn:
      return std::pow(t, 4);
    case QuarticEaseOut:
      return 1 - std::pow(t - 1, 4);
    case QuarticEaseInOut:
      return t < 0.5 ? 8 * std::pow(t, 4) : 1 - 8 * std::pow(t - 1, 4);
    case QuinticEaseIn:
      return std::pow(t, 5);
    case QuinticEaseOut:
      return std::pow(t - 1, 5) + 1;
    case QuinticEaseInOut:
      return t < 0.5 ? 16 * std::pow(t, 5) : 0.5 * std::pow(2 * t - 2, 5) + 1;
    case SineEaseIn:
      return std::sin((t - 1) * kPi / 2) + 1;
    case SineEaseOut:
      return std::sin(t * kPi / 2);
    case SineEaseInOut:
      return 0.5 * (1 - std::cos(t * kPi));
    case CircularEaseIn:
      return 1 - std::sqrt(1 - t * t);
    case CircularEaseOut:
      return std::sqrt((2 - t) * t);
    case CircularEaseInOut:
      return t < 0.5 ? 0.5 * (1 - std::sqrt(1 - 4 * t * t))
                     : 0.5 * (std::sqrt(-(2 * t - 3) * (2 * t - 1)) + 1);
    case ExponentialEaseIn:
      return t == 0.0 ? 0.0 : std::pow(2, 10 * (t - 1));
    case ExponentialEaseOut:
      return t == 1.0 ? 1.0 : 1 - std::pow(2, -10 * t);
    case ExponentialEaseInOut:
      if (t == 0.0 || t == 1.0) return t;
      return t < 0.5 ? 0.5 * std::pow(2, 20 * t - 10) : 1 - 0.5 * std::pow(2, -20 * t + 10);
    case ElasticEaseIn:
      return std::sin(kElastic * t) * std::pow(2, 10 * (t - 1));
    case ElasticEaseOut:
      return std::sin(-kElastic * (t + 1)) * std::pow(2, -10 * t) + 1;
    case ElasticEaseInOut: {
      const double u = 2 * t;
      if (t < 0.5) return 0.5 * std::sin(kElastic * u) * std::pow(2, 10 * (u - 1));
      return 0.5 * (std::sin(-kElastic * u) * std::pow(2, -10 * (u - 1)) + 2);
    }
    case BackEaseIn:
      return Back(t);
    case BackEaseOut:
      return 1 - Back(1 - t);
    case BackEaseInOut: {
      const double u = 2 * t;
      return t < 0.5 ? 0.5 * Back(u) : 0.5 * (1 - Back(2 - u)) + 0.5;
    }
    case BounceEaseIn:
      return 1 - Bounce(1 - t);
    case BounceEaseOut:
      return Bounce(t);
    case BounceEaseInOut:
      return t < 0.5 ? 0.5 * (1 - Bounce(1 - 2 * t)) : 0.5 * Bounce(2 * t - 1) + 0.5;
    case BezierCustom:
      return Bezier(custom[0], custom[1], custom[2], custom[3], t);
    default: {
      const NamedBezier& b = kBeziers[kind - BezierEase];
      return Bezier(b.x1, b.y1, b.x2, b.y2, t);
    }
  }
}

}  // namespace

const char* EasingCurveName(int kind) {
  return kind >= 0 && kind < kNumEasingCurves ? kNames[kind] : nullptr;
}

double EasingCurve_Evaluate(IModuleAnimation* animation, int kind, double start, double end,
                            double t) {
  if (kind < 0 || kind >= kNumEasingCurves) return 0.0;
  static const double kDefaultCustom[4] = {0.0, 0.0, 1.0, 1.0};
  if (animation && animation->mSmoothstep) t = (3 - 2 * t) * t * t;
  if (animation) animation->mSmoothstep = false;
  const double e = Curve(kind, t, animation ? animation->mBezier : kDefaultCustom);
  return end * e + (1 - e) * start;
}
