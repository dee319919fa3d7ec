// Named animations stepped once per frame, and the curve preview.
#include "graphics/imodule_animation.h"

#include "graphics/redraw_generation.h"

#include <algorithm>
#include <cstring>

#include "graphics/igraphics.h"

namespace {

// A frame position on one run's scale moved to another run's scale, in floating point, so that
// a run of fewer frames than the other keeps its share. A zero-frame run has arrived already.
int Rescale(int position, int toFrames, int fromFrames) {
  if (fromFrames <= 0 || toFrames <= 0) return 0;
  const int p = static_cast<int>(static_cast<double>(toFrames) / fromFrames * position);
  return std::clamp(p, 0, toFrames);
}

}  // namespace

void IModuleAnimation::SetRunning(int entry, bool running) {
  if (entry < 0) return;
  if (static_cast<size_t>(entry) >= mRunning.size())
    mRunning.resize(static_cast<size_t>(entry) + 1, false);
  mRunning[static_cast<size_t>(entry)] = running;
  if (running) NoteRedrawChange();
}

void IModuleAnimation::SetBezierCustom(double x1, double y1, double x2, double y2) {
  mBezier[0] = x1;
  mBezier[1] = y1;
  mBezier[2] = x2;
  mBezier[3] = y2;
}

int IModuleAnimation::FindAnimation(const char* name) const {
  if (!name) return -1;
  for (size_t i = 0; i < mNames.size(); ++i)
    if (mNames[i] == name) return static_cast<int>(i);
  return -1;
}

void IModuleAnimation::SetJump(int entry, bool jump) {
  if (entry >= 0 && static_cast<size_t>(entry) < mJump.size())
    mJump[static_cast<size_t>(entry)] = jump;
}

double IModuleAnimation::Animate(const char* name, bool forward, int nF, int nB, int kindF,
                                 int kindB, double start, double end) {
  nF = std::max(nF, 0);
  nB = std::max(nB, 0);
  int i = FindAnimation(name);
  if (i < 0) {
    i = static_cast<int>(mNames.size());
    mNames.emplace_back(name ? name : "");
    mPosition.push_back(0);
    mStart.push_back(start);
    mEnd.push_back(end);
    mFrom.push_back(0.0);
    mCurrent.push_back(0.0);
    mForwardFrames.push_back(nF);
    mBackwardFrames.push_back(nB);
    SetRunning(i, false);
    mDirection.push_back(forward);
    mJump.push_back(false);
  }
  const size_t e = static_cast<size_t>(i);
  int& pos = mPosition[e];
  if (mJump[e]) pos = forward ? nF : 0;

  if (forward && !mDirection[e]) {
    if (pos >= 1) {
      mFrom[e] = mCurrent[e];
      mForwardFrames[e] = nF - Rescale(pos, nF, nB);
    } else {
      mFrom[e] = start;
      mForwardFrames[e] = nF;
    }
    pos = 0;
  } else if (!forward && mDirection[e]) {
    if (pos < mForwardFrames[e] && nF > 0) {
      mFrom[e] = mCurrent[e];
      pos = mBackwardFrames[e] = Rescale(pos, nB, nF);
    } else {
      mFrom[e] = end;
      pos = mBackwardFrames[e] = nB;
    }
  }
  mDirection[e] = forward;

  double value;
  if (forward) {
    const int frames = mForwardFrames[e];
    pos = std::clamp(pos, 0, std::max(frames, 0));
    if (pos >= frames) {
      SetRunning(i, false);
      value = end;
    } else {
      const int old = pos++;
      SetRunning(i, true);
      value = EasingCurve_Evaluate(this, kindF, mFrom[e], end, static_cast<double>(old) / frames);
    }
  } else {
    const int frames = mBackwardFrames[e];
    pos = std::clamp(pos, 0, std::max(frames, 0));
    if (pos <= 0) {
      SetRunning(i, false);
      value = start;
    } else {
      const int old = pos--;
      SetRunning(i, true);
      value = EasingCurve_Evaluate(this, kindB, mFrom[e], start,
                                   1.0 - static_cast<double>(old) / frames);
    }
  }
  mCurrent[e] = value;
  return value;
}

void EasingCurve_DrawPreview(IModuleAnimation* animation, IGraphics* graphics, int kind, int size,
                             int x, int y) {
  if (!graphics || size <= 0) return;
  const IColor background(255, 32, 32, 32), axis(255, 160, 160, 160), curve(255, 255, 200, 40);
  IRECT box(x, y, x + size, y + size);
  graphics->FillIRect(&background, &box);
  const int inset = size / 4;
  const int x0 = x + inset, x1 = x + size - inset, y0 = y + size - inset, y1 = y + inset;
  graphics->DrawLine(&axis, static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1),
                     static_cast<float>(y0));
  graphics->DrawLine(&axis, static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x0),
                     static_cast<float>(y1));
  IText text(std::max(size / 20, 1), axis, "Monaco", IText::kStyleNormal, IText::kAlignNear);
  const int th = text.mSize + 2;
  IRECT r(x0 - inset / 2, y0 + 2, x0 + inset, y0 + 2 + th);
  graphics->DrawText(&text, "XY0", &r);
  r = IRECT(x1, y0 + 2, x1 + inset, y0 + 2 + th);
  graphics->DrawText(&text, "X1", &r);
  r = IRECT(x0 - inset / 2, y1 - th, x0 + inset, y1);
  graphics->DrawText(&text, "Y1", &r);
  if (const char* name = EasingCurveName(kind)) {
    r = IRECT(x + 2, y + 2, x + size, y + 2 + th);
    graphics->DrawText(&text, name, &r);
  }
  const int w = x1 - x0, h = y0 - y1;
  if (w <= 0) return;
  for (int col = 0; col <= w; ++col) {
    const double v = EasingCurve_Evaluate(animation, kind, 0.0, 1.0, static_cast<double>(col) / w);
    const double py = y0 - v * h;
    if (!(py > -1e9 && py < 1e9)) continue;
    const int px = x0 + col, iy = static_cast<int>(py);
    if (px < 0 || iy < 0 || px >= graphics->GetWidth() || iy >= graphics->GetHeight()) continue;
    graphics->ForcePixel(&curve, px, iy);
  }
}
