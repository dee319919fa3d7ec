// The equaliser's response drawn as a curve over a logarithmic frequency axis with a dB grid,
// one handle per band. Dragging a handle moves the band's frequency (sideways) and gain (up and
// down); the right button changes its width. The curve is a drawing made from per-band shapes,
// not a filter. The value is the index of the band last touched over (bands - 1).
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/icontrol.h"

class IParaGraphicEq : public IControl {
 public:
  static constexpr int kMaxBands = 10;
  static constexpr int kMaxGrid = 20;
  // Columns of curve the display computes and draws; wider displays leave the rest empty.
  static constexpr int kMaxWidth = 1920;
  // A handle takes presses closer than this both ways.
  static constexpr int kHandleReach = 10;
  // Two releases closer than this (ms) count as a double release.
  static constexpr unsigned kDoubleReleaseMs = 400;

  enum EBandType { kBell = 0, kLowShelf = 1, kHighShelf = 2 };

  struct Settings {
    int mBands = 4;  // 1..kMaxBands
    bool mHideGrid = false, mHideHandles = false, mHideLabels = false;
    float mLowestFreq = 20.0f, mHighestFreq = 22000.0f;  // Hz
    float mLowestGain = -30.0f, mHighestGain = 30.0f;    // dB
    float mHandleRadius = 2.0f;
    IColor mGridColor = COLOR_WHITE;
    IColor mCurveColor = COLOR_RED;
    IColor mHandleColor = COLOR_YELLOW;
    IColor mUnusedColor = COLOR_YELLOW;
    IColor mLabelBoxColor = IColor(100, 0, 0, 0);
    char mFreqGrid[100] = "";  // "25, 50, 100" (Hz)
    char mGainGrid[100] = "";  // "-12, 0, 12" (dB)
  };

  // Width is the bandwidth in octaves for a bell, the transition width in tenths of the display
  // width for a shelf.
  struct Band {
    int mIndex = 0;
    int mType = kBell;
    float mGain = 0.0f, mFreq = 0.0f, mWidth = 0.0f;
    float mFreqMin = 0.0f, mFreqMax = 0.0f;
    float mGainMin = 0.0f, mGainMax = 0.0f;
    float mWidthMin = 0.0f, mWidthMax = 0.0f;
  };

  IParaGraphicEq(IModuleBase* plug, const IRECT& rect, int paramIdx, const Settings& settings);

  void Init();
  // Stores the band under its index (ignored outside 0..kMaxBands - 1); no redraw is asked for.
  void SetBand(Band band);
  // The selected band.
  void GetBand(Band* out) const;
  void UpdateAllPositions();
  void ClampSelectedFrequency();

  // Selects the one band whose handle is nearest (within reach; on a tie the one drawn last).
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  // The labels and handles grow with the GUI; below the usual size they keep it, the smallest
  // that stays legible.
  void OnRescale(double scale) override { mScale = std::max(scale, 1.0); }
  // The rows above the frequency labels, where the curve and handles stay.
  int GraphBottom() const;

  // Derived values and state, for the program and tests.
  int NBands() const { return mNBands; }
  int SelectedBand() const { return mSelected; }
  bool IsBandSelected(int b) const { return b >= 0 && b < kMaxBands && mBands[b].selected; }
  float LowestFreq() const { return mFl; }
  float HighestFreq() const { return mFh; }
  double OctaveSpan() const { return mSpan; }
  double GainFactorUp() const { return mKu; }
  double GainFactorDown() const { return mKd; }
  // Position of frequency f across the width (0..1 between the lowest and highest frequency).
  double FreqPosition(double f) const;
  // Fraction of the height from the top where gain g lies.
  double GainPosition(double g) const;
  // The handle's centre relative to the control's top left for the display size w x h.
  void HandlePoint(int b, int w, int h, double* x, double* y) const;
  int NFreqGrid() const { return mNFreqGrid; }
  int NGainGrid() const { return mNGainGrid; }
  const char* FreqGridLabel(int i) const { return mFreqLabels[i]; }
  const char* GainGridLabel(int i) const { return mGainLabels[i]; }
  // The label text a selected band shows.
  void BandLabel(int b, char* out, int size) const;
  // The summed curve of the last draw: pixel offsets from the middle line, negative upwards.
  int CurveWidth() const { return static_cast<int>(mTotal.size()); }
  const float* TotalCurve() const { return mTotal.data(); }
  // Every band's curve buffer, kMaxWidth floats each, band b in slot b + 1. The first and last
  // slot, and each slot's columns past the display width, are never written.
  const std::vector<float>& CurveStore() const { return mCurveStore; }

 protected:
  // Millisecond clock for the double release; tests replace it.
  virtual unsigned Ticks() const;

 private:
  struct BandState {
    double pos = 0.0;
    int type = kBell;
    float gain = 0.0f, freq = 0.0f, width = 0.0f;
    float freqMin = 0.0f, freqMax = 0.0f, gainMin = 0.0f, gainMax = 0.0f, widthMin = 0.0f,
          widthMax = 0.0f;
    bool changed = true;
    bool selected = false;
  };

  double GainFactor(double g) const { return g > 0 ? mKu : mKd; }
  double BandValue(int b) const {
    return mNBands > 1 ? static_cast<double>(b) / (mNBands - 1) : 0.0;
  }
  void ParseGrids();
  // Recomputes band b's curve for a display of w x h, writing only columns 0..columns - 1.
  void ComputeCurve(int b, int w, int h, int columns);
  void DrawGrid(IGraphics* graphics);
  void DrawCurve(IGraphics* graphics);
  void DrawHandlesAndLabels(IGraphics* graphics);

  Settings mSettings;
  double mScale = 1.0;
  int Scaled(double v) const { return static_cast<int>(std::lround(v * mScale)); }
  int mH = 0, mW = 0, mPrevH = -1, mPrevW = -1;
  unsigned mLastRelease = 0;
  bool mReleasedOnce = false;
  int mMouseX = 0, mMouseY = 0;
  BandState mBands[kMaxBands];
  int mNBands = 1;
  int mSelected = 0;
  float mFl = 20.0f, mFh = 22000.0f;
  double mSpan = 1.0, mKu = 1.0 / 80, mKd = 1.0 / 80;
  int mNFreqGrid = 0, mNGainGrid = 0;
  double mFreqGridPos[kMaxGrid] = {}, mGainGridPos[kMaxGrid] = {};
  char mFreqLabels[kMaxGrid][32] = {};
  char mGainLabels[kMaxGrid][32] = {};
  float* Curve(int b) { return mCurveStore.data() + static_cast<size_t>(b + 1) * kMaxWidth; }
  const float* Curve(int b) const {
    return mCurveStore.data() + static_cast<size_t>(b + 1) * kMaxWidth;
  }

  std::vector<float> mCurveStore = std::vector<float>(size_t{kMaxBands + 2} * kMaxWidth);
  std::vector<float> mTotal;
};
