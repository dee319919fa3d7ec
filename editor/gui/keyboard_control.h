// The five-octave keyboard at the foot of the synth page. Clicks and drags play notes on the
// synthesizer through the editor; the notes a MIDI keyboard holds are shown without a click.
#pragma once

#include "graphics/icontrol.h"
#include "graphics/iframe_bitmap.h"

class VQEditor;

class IKeyboardControl : public IControl {
 public:
  static constexpr int kOctaves = 5;
  static constexpr int kLowestNote = 24;
  static constexpr int kHighestKey = 59;
  static constexpr int kNoKey = -100;

  IKeyboardControl(VQEditor* editor, int x, int y, IFrameBitmap* keys, IFrameBitmap* background);

  // Key index under (x, y), -1 outside; stores the velocity of the point.
  int KeyAt(int x, int y);
  virtual bool DrawKey(IGraphics* graphics, IRECT* rect, int semitone, bool background);

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override {
    OnMouseDown(x, y, mod);
  }
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override {}
  bool Draw(IGraphics* graphics) override;

  double Velocity() const { return mVelocity; }
  int ShownKey() const { return mShownKey; }
  int LastSentKey() const { return mLastSentKey; }

 private:
  double GuiScale() const;
  bool HeldByInput(int note) const;
  void EndSentNote();

  VQEditor* mEditor;
  IFrameBitmap* mKeys;
  IFrameBitmap* mBackground;
  int mOctaveWidth;
  int mShownKey = -1;
  double mVelocity = 0.0;
  int mLastSentKey = kNoKey;
};
