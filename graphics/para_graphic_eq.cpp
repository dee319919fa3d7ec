// The parametric EQ display: derived ranges, grids, band curves, drawing and handle dragging.
#include "graphics/para_graphic_eq.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/igraphics.h"
#include "rast/rast_shapes.h"
#include "wemu/utilities.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kIntLimit = 1 << 24;

// Truncates towards zero, limited to a range no pixel loop can overflow; NaN gives 0.
int ToInt(double v) {
  if (!(v == v)) return 0;
  return static_cast<int>(
      std::clamp(v, static_cast<double>(-kIntLimit), static_cast<double>(kIntLimit)));
}

double Log2(double f) {
  return std::log10(f) / 0.30103;
}

// lo..hi, the lower limit winning when they cross.
float Limit(float v, float lo, float hi) {
  return std::max(lo, std::min(v, hi));
}

// The bell's flank: 0 at u = 0 rising to 1 at u = 1, sharper for narrow bands.
double BellShape(double u, double t) {
  return u / ((u - 1.0) * ((-0.81818175 - t) * u + t) + u);
}

// Comma-separated decimal integers, at most max of them; an empty list has none.
int ParseList(const char* text, int* out, int max) {
  int n = 0;
  const char* p = text;
  if (!*p) return 0;
  while (n < max) {
    out[n++] = std::atoi(p);
    p = std::strchr(p, ',');
    if (!p) break;
    ++p;
  }
  return n;
}

}  // namespace

IParaGraphicEq::IParaGraphicEq(IModuleBase* plug, const IRECT& rect, int paramIdx,
                               const Settings& settings)
    : IControl(plug, rect, paramIdx, IChannelBlend(IChannelBlend::kBlendNone, 1.0f)),
      mSettings(settings) {
  mSettings.mFreqGrid[sizeof mSettings.mFreqGrid - 1] = '\0';
  mSettings.mGainGrid[sizeof mSettings.mGainGrid - 1] = '\0';
  Init();
}

unsigned IParaGraphicEq::Ticks() const {
  return GetTickCount();
}

void IParaGraphicEq::Init() {
  const Settings& s = mSettings;
  mNBands = std::clamp(s.mBands, 1, kMaxBands);
  mFl = s.mLowestFreq;
  if (!(mFl >= 10.0f) || !(mFl < s.mHighestFreq)) mFl = 20.0f;
  mFh = s.mHighestFreq;
  if (!(mFh <= 24000.0f) || !(mFh > mFl)) mFh = 22000.0f;
  auto factor = [](float g) {
    const double m = std::fabs(2.0 * g);
    return g == 0.0f || !(std::fabs(g) <= 40.0f) ? 1.0 / 80 : 1.0 / m;
  };
  mKu = factor(s.mHighestGain);
  mKd = factor(s.mLowestGain);
  for (BandState& b : mBands) {
    b.gain = b.width = b.freq = 0.0f;
    b.selected = false;
  }
  UpdateAllPositions();
  ParseGrids();
  mSelected = 0;
}

double IParaGraphicEq::FreqPosition(double f) const {
  // Before the first band arrives frequencies are 0: such a band sits at the left edge.
  if (!(f > 0.0) || !std::isfinite(f)) f = mFl;
  return (Log2(f) - Log2(mFl)) / mSpan;
}

double IParaGraphicEq::GainPosition(double g) const {
  return 1.0 - (g * GainFactor(g) + 0.5);
}

void IParaGraphicEq::UpdateAllPositions() {
  mSpan = Log2(mFh) - Log2(mFl);
  for (BandState& b : mBands) {
    b.pos = FreqPosition(b.freq);
    b.changed = true;
  }
}

void IParaGraphicEq::ParseGrids() {
  int values[kMaxGrid];
  mNFreqGrid = ParseList(mSettings.mFreqGrid, values, kMaxGrid);
  for (int i = 0; i < mNFreqGrid; ++i) {
    const int f = values[i];
    if (f >= 1000) {
      std::snprintf(mFreqLabels[i], sizeof mFreqLabels[i], "%.2gk", f / 1000.0);
    } else {
      std::snprintf(mFreqLabels[i], sizeof mFreqLabels[i], "%.3g", static_cast<double>(f));
    }
    mFreqGridPos[i] = FreqPosition(f);
  }
  mNGainGrid = ParseList(mSettings.mGainGrid, values, kMaxGrid);
  for (int i = 0; i < mNGainGrid; ++i) {
    const double v = values[i];
    std::snprintf(mGainLabels[i], sizeof mGainLabels[i], "%.4g", v);
    mGainGridPos[i] = v < 1 ? -v * mKd + 0.5 : 1.0 - (v * mKu + 0.5);
  }
}

void IParaGraphicEq::SetBand(Band band) {
  if (band.mIndex < 0 || band.mIndex >= kMaxBands) return;
  BandState& b = mBands[band.mIndex];
  b.type = band.mType;
  b.gain = band.mGain;
  b.freq = band.mFreq;
  b.width = band.mWidth;
  b.freqMin = band.mFreqMin;
  b.freqMax = band.mFreqMax;
  b.gainMin = band.mGainMin;
  b.gainMax = band.mGainMax;
  b.widthMin = band.mWidthMin;
  b.widthMax = band.mWidthMax;
  b.pos = FreqPosition(b.freq);
  b.changed = true;
}

void IParaGraphicEq::GetBand(Band* out) const {
  const BandState& b = mBands[mSelected];
  out->mIndex = mSelected;
  out->mType = b.type;
  out->mGain = b.gain;
  out->mFreq = b.freq;
  out->mWidth = b.width;
  out->mFreqMin = b.freqMin;
  out->mFreqMax = b.freqMax;
  out->mGainMin = b.gainMin;
  out->mGainMax = b.gainMax;
  out->mWidthMin = b.widthMin;
  out->mWidthMax = b.widthMax;
}

void IParaGraphicEq::ClampSelectedFrequency() {
  BandState& b = mBands[mSelected];
  if (!(b.freq >= 10.0f)) b.freq = 10.0f;
  b.pos = FreqPosition(b.freq);
}

void IParaGraphicEq::HandlePoint(int b, int w, int h, double* x, double* y) const {
  *x = w * mBands[b].pos;
  *y = (1.0 - (mBands[b].gain * GainFactor(mBands[b].gain) + 0.5)) * h;
}

void IParaGraphicEq::ComputeCurve(int bi, int w, int h, int columns) {
  BandState& b = mBands[bi];
  float* curve = Curve(bi);
  std::fill(curve, curve + columns, 0.0f);
  auto put = [&](long long i, double v) {
    if (i >= 0 && i < columns) curve[i] = static_cast<float>(v);
  };
  const double a = -(h * b.gain * GainFactor(b.gain));
  const int cx = ToInt(b.pos * w);
  switch (b.type) {
    case kBell: {
      const int span = ToInt((2.0 * b.width / mSpan) * w);
      const int half = span / 2;
      const int start = cx - half;
      const double t = 1.0 - 1.0 / (b.width * 0.02 + 0.05);
      if (half > 0) {
        const int end = std::min(cx > w ? w : half, columns - start);
        for (int i = std::max(0, -start); i < end; ++i)
          put(start + i, BellShape((i + 1.0) / half, t) * a);
      }
      if (cx > 0 && cx < w) {
        put(cx, a);
        for (int j = std::min(half, w - cx) + 1; j >= 2; --j)
          put(cx + j - 1, BellShape(1.0 - double(j) / half, t) * a);
      }
      break;
    }
    case kLowShelf: {
      const double sw = b.width * 0.1;
      const int start = ToInt(w * (b.pos - sw / 2));
      for (int i = 0; i < std::min(start, columns); ++i) curve[i] = static_cast<float>(a);
      int len = ToInt(sw * w);
      if (start + static_cast<long long>(len) > w) len = w - start;
      const int end = std::min(len, columns - start);
      for (int i = std::max(0, -start); i < end; ++i) {
        put(start + i, -a * (std::sin(i * kPi / len + 3 * kPi / 2) * 0.5 - 0.5));
      }
      break;
    }
    case kHighShelf: {
      const double sw = b.width * 0.1;
      const int start = ToInt((b.pos - sw / 2) * w);
      const int endCol = ToInt((b.pos + sw / 2) * w);
      if (endCol < w) {
        for (int i = std::max(endCol, 0); i < columns; ++i) curve[i] = static_cast<float>(a);
      }
      int len = ToInt(sw * w);
      if (start + static_cast<long long>(len) > w) len = w - start;
      const int end = std::min(len, columns - start);
      for (int i = std::max(0, -start); i < end; ++i) {
        put(start + i, -a * (std::sin(i * kPi / len + kPi / 2) * 0.5 - 0.5));
      }
      if (len > 0) put(start + static_cast<long long>(len), a);
      break;
    }
    default:
      break;  // no shape: adds nothing to the total
  }
}

bool IParaGraphicEq::Draw(IGraphics* graphics) {
  const int h = mRECT.H(), w = mRECT.W();
  if (h != mPrevH || w != mPrevW) {
    mPrevH = h;
    mPrevW = w;
    for (BandState& b : mBands) b.changed = true;
  }
  mH = h;
  mW = w;
  if (!mSettings.mHideGrid) DrawGrid(graphics);

  // Bands stay marked changed, so a dragged band is recomputed at every draw.
  const int columns = std::clamp(w, 0, kMaxWidth);
  const size_t n = static_cast<size_t>(columns);
  mTotal.resize(n);
  for (int b = 0; b < mNBands; ++b) {
    if (mBands[b].changed) ComputeCurve(b, w, h, columns);
  }
  for (size_t x = 0; x < n; ++x) {
    float sum = 0.0f;
    for (int b = 0; b < mNBands; ++b) sum += Curve(b)[x];
    mTotal[x] = sum;
  }
  DrawCurve(graphics);
  DrawHandlesAndLabels(graphics);
  return true;
}

int IParaGraphicEq::GraphBottom() const {
  return mRECT.B - Scaled(9);
}

void IParaGraphicEq::DrawGrid(IGraphics* graphics) {
  const IRECT& r = mRECT;
  const int w = mW, h = mH;
  IText text(Scaled(9), mSettings.mGridColor, "Monaco", IText::kStyleBold, IText::kAlignCenter);
  IText gain = text;
  gain.mAlign = IText::kAlignFar;
  // The gain scale stands at the right edge, past the curve's end, where the last frequency
  // lines run. Below the usual size its labels keep their size while the graph narrows: a line
  // that would reach them moves left to a pixel clear of their longest, so that no minus sign
  // merges into it.
  // They end a pixel inside the view: the frame drawn round it follows right after.
  const int right = r.L + w - std::max(1, Scaled(1));
  int labels = right;
  for (int j = 0; j < mNGainGrid; ++j) {
    IRECT m(right - Scaled(8), r.T, right, r.T + Scaled(8));
    graphics->MeasureText(&gain, mGainLabels[j], &m);
    labels = std::min(labels, m.L);
  }
  for (int i = 0; i < mNFreqGrid; ++i) {
    const int x = std::min(r.L + ToInt(mFreqGridPos[i] * w), labels - 2);
    graphics->DrawLine(&mSettings.mGridColor, float(x), float(r.T), float(x), float(GraphBottom()),
                       nullptr, false);
    IRECT where(x - Scaled(4), r.T + h - Scaled(8), x + Scaled(4), r.T + h);
    graphics->DrawText(&text, mFreqLabels[i], &where);
  }
  for (int j = 0; j < mNGainGrid; ++j) {
    const int yj = ToInt(mGainGridPos[j] * h);
    graphics->DrawLine(&mSettings.mGridColor, float(r.L), float(r.T + yj),
                       float(r.L + w - Scaled(16)), float(r.T + yj), nullptr, false);
    IRECT where(right - Scaled(8), r.T + yj - Scaled(4), right, r.T + yj + Scaled(4));
    graphics->DrawText(&gain, mGainLabels[j], &where);
  }
}

void IParaGraphicEq::DrawCurve(IGraphics* graphics) {
  RAST_IBitmap* bitmap = graphics->GetDrawBitmap();
  const int width = CurveWidth();
  if (!bitmap || width <= 16) return;
  const IColor& c = mSettings.mCurveColor;
  const IColor shadow(c.A, std::max(c.R - 50, 0), std::max(c.G - 50, 0), std::max(c.B - 50, 0));
  const RAST_pixel curvePixel = c.ToPixel(), shadowPixel = shadow.ToPixel();
  const float cy = (mRECT.T + mRECT.B) * 0.5f;
  const float l = static_cast<float>(mRECT.L);
  // A curve steeper or higher than the graph runs along its edge, never over the labels or
  // past the panel; the shadow lines lie one pixel either side.
  const float top = static_cast<float>(mRECT.T + 1),
              bottom = std::max(static_cast<float>(GraphBottom() - 2), top);
  auto at = [&](int x) { return std::clamp(mTotal[x] + cy, top, bottom); };
  for (int x = 0; x <= width - 17; ++x) {
    const float y0 = at(x), y1 = at(x + 1), y2 = at(x + 2);
    for (int off = -1; off <= 1; ++off) {
      RAST_DrawCBezier(bitmap, l + x, y0 + off, l + x + 1, y1 + off, l + x + 2, y2 + off,
                       off == 0 ? curvePixel : shadowPixel, off == 0 ? 1.0f : 0.2f,
                       RAST_BLIT_MODE_COPY, true, 0.0f);
    }
  }
}

void IParaGraphicEq::BandLabel(int bi, char* out, int size) const {
  const BandState& b = mBands[bi];
  char freq[32], gain[32], width[32];
  if (b.freq >= 1000.0f) {
    std::snprintf(freq, sizeof freq, "%5.2fkHz\n", b.freq / 1000.0);
  } else {
    std::snprintf(freq, sizeof freq, "%5.2fHz\n", static_cast<double>(b.freq));
  }
  std::snprintf(gain, sizeof gain, "%.3gdB\n", static_cast<double>(b.gain));
  if (b.type == kLowShelf || b.type == kHighShelf) {
    std::snprintf(width, sizeof width, "S=%.3g",
                  static_cast<double>(b.widthMax - b.width + b.widthMin));
  } else if (b.type == kBell) {
    const double p = std::pow(2.0, b.width);
    std::snprintf(width, sizeof width, "Q=%.3g", std::sqrt(p) / (p - 1.0));
  } else {
    std::snprintf(width, sizeof width, "B=%.3g", static_cast<double>(b.width));
  }
  std::snprintf(out, static_cast<size_t>(size), "%s%s%s", freq, gain, width);
}

void IParaGraphicEq::DrawHandlesAndLabels(IGraphics* graphics) {
  const IRECT& r = mRECT;
  const float radius = mSettings.mHandleRadius * static_cast<float>(mScale);
  for (int b = 0; b < mNBands; ++b) {
    double hx, hy;
    HandlePoint(b, mW, mH, &hx, &hy);
    // A handle at a gain extreme is drawn whole inside the graph.
    const int reach = static_cast<int>(std::ceil(radius * 1.4f));
    const int highest = r.T + reach, lowest = std::max(GraphBottom() - reach, highest);
    const int x = r.L + ToInt(hx), y = std::clamp(ToInt(r.T + hy), highest, lowest);
    if (!mSettings.mHideHandles) {
      graphics->FillCircle(&COLOR_BLACK, x, y, radius * 1.4f, nullptr, true);
      graphics->FillCircle(&mSettings.mHandleColor, x, y, radius, nullptr, true);
    }
    if (mSettings.mHideLabels || !mBands[b].selected) continue;
    char label[128];
    BandLabel(b, label, sizeof label);
    const int ihx = ToInt(hx), ihy = ToInt(hy);
    const int left = ihx > mW - Scaled(50) ? r.L + ihx - Scaled(50) : r.L + ihx;
    const int top = hy < Scaled(40) ? r.T + ihy + Scaled(20) : r.T + ihy - Scaled(40);
    IRECT box(left, top, left + Scaled(45), top + Scaled(36));
    graphics->FillIRect(&mSettings.mLabelBoxColor, &box, nullptr);
    IText text(Scaled(12), mSettings.mHandleColor, "Monaco", IText::kStyleBold, IText::kAlignFar);
    graphics->DrawText(&text, label, &box);
  }
}

void IParaGraphicEq::OnMouseDown(int x, int y, IMouseMod* mod) {
  mMouseX = x - mRECT.L;
  mMouseY = y - mRECT.T;
  int best = -1;
  double bestDist = 0.0;
  for (int b = 0; b < mNBands; ++b) {
    mBands[b].selected = false;
    double hx, hy;
    HandlePoint(b, mRECT.W(), mRECT.H(), &hx, &hy);
    const double dx = mMouseX - hx, dy = mMouseY - hy;
    if (!(std::fabs(dx) < kHandleReach && std::fabs(dy) < kHandleReach)) continue;
    const double d = dx * dx + dy * dy;
    if (best < 0 || d <= bestDist) {  // a tie goes to the later band, drawn on top
      best = b;
      bestDist = d;
    }
  }
  if (best >= 0) {
    mBands[best].selected = true;
    mValue = BandValue(best);
    mSelected = best;
  }
  SetDirty(false);
}

void IParaGraphicEq::OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) {
  const int w = mRECT.W(), h = mRECT.H();
  if (w <= 0 || h <= 0) return;
  mMouseX = x - mRECT.L;
  mMouseY = y - mRECT.T;
  const bool right = mod && mod->R;
  for (int i = 0; i < mNBands; ++i) {
    BandState& b = mBands[i];
    if (!b.selected) continue;
    if (!right) {
      const double f = std::pow(2.0, Log2(mFl) + static_cast<double>(x - mRECT.L) * mSpan / w);
      b.freq = Limit(static_cast<float>(f), b.freqMin, b.freqMax);
      mSelected = i;
      if (!(b.freq >= 10.0f)) b.freq = 10.0f;
      b.pos = FreqPosition(b.freq);
      const double frac = 0.5 - static_cast<double>(y - mRECT.T) / h;
      const double k = frac > 0 ? mKu : mKd;
      b.gain = Limit(static_cast<float>(frac / k), b.gainMin, b.gainMax);
    } else if (dx > 0 || dy < 0) {
      b.width = std::min(b.width + 0.1f, b.widthMax);
    } else if (dx < 0 || dy > 0) {
      b.width = std::max(b.width - 0.1f, b.widthMin);
    }
    mValue = BandValue(i);
  }
  SetDirty(true);
}

void IParaGraphicEq::OnMouseUp(int x, int y, IMouseMod* mod) {
  const unsigned now = Ticks();
  if (mReleasedOnce && now - mLastRelease < kDoubleReleaseMs) {
    for (int b = 0; b < mNBands; ++b) {
      if (mBands[b].selected) mValue = BandValue(b);
    }
  }
  mLastRelease = now;
  mReleasedOnce = true;
  for (BandState& b : mBands) b.selected = false;
  SetDirty(false);
}
