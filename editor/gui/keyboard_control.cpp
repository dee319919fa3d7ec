#include "editor/gui/keyboard_control.h"

#include <algorithm>

#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"

namespace {
constexpr int kBlackOffsets[5] = {9, 25, 51, 66, 81};
constexpr int kBlackSemitones[5] = {1, 3, 6, 8, 10};
constexpr int kBlackWidth = 10, kBlackHeight = 42;

int FrameWidth(const IFrameBitmap* b) {
  return b ? b->W : 0;
}
int FrameHeight(const IFrameBitmap* b) {
  return b && b->N > 0 ? b->H / b->N : 0;
}
}  // namespace

IKeyboardControl::IKeyboardControl(VQEditor* editor, int x, int y, IFrameBitmap* keys,
                                   IFrameBitmap* background)
    : IControl(editor, IRECT(x, y, x + FrameWidth(keys), y + FrameHeight(keys)), -1),
      mEditor(editor),
      mKeys(keys),
      mBackground(background),
      mOctaveWidth(FrameWidth(keys)) {
  mRECT.R += (kOctaves - 1) * mOctaveWidth;
  mTargetRect = mRECT;
  SetDblAsSingleClick(true);
}

double IKeyboardControl::GuiScale() const {
  IModuleGUIResize* resize = mEditor ? mEditor->GetGUIResize() : nullptr;
  return resize ? resize->GetGuiScale() : 1.0;
}

bool IKeyboardControl::HeldByInput(int note) const {
  if (!mEditor || note < 0 || note > 127) return false;
  UTL_MutexLock lock(mEditor->Mutex());
  return mEditor->NoteState()[note] != 0;
}

int IKeyboardControl::KeyAt(int x, int y) {
  const IRECT& t = mTargetRect;
  const int w = mBackground && mBackground->W > 0 ? mBackground->W : mOctaveWidth;
  // Without the images there are no keys to find.
  if (w <= 0 || x < t.L || x >= t.R || y < t.T || y >= t.B) return -1;
  const double scale = GuiScale();
  const int dx = x - t.L, dy = y - t.T;
  const int octave = dx / w, r = dx - octave * w;
  const int blackHeight = static_cast<int>(kBlackHeight * scale);
  if (dy < blackHeight && octave < kOctaves) {
    for (int i = 0; i < 5; ++i) {
      const int start = static_cast<int>(kBlackOffsets[i] * scale);
      if (r < start) break;
      if (r < start + static_cast<int>(kBlackWidth * scale)) {
        mVelocity = std::min(1.0, dy / (blackHeight * 0.9));
        return octave * 12 + kBlackSemitones[i];
      }
    }
  }
  const int i = std::clamp(static_cast<int>(r / (w / 7.0)), 0, 6);
  const int semitone = 2 * i - (i >= 3 ? 1 : 0);
  const int length = mRECT.B - mRECT.T;
  mVelocity = length > 0 ? std::min(1.0, dy / (length * 0.9)) : 1.0;
  return octave * 12 + semitone;
}

void IKeyboardControl::EndSentNote() {
  if (mLastSentKey < 0 || !mEditor) return;
  mEditor->SendKeyboardNote(kLowestNote + mLastSentKey, false);
  mLastSentKey = kNoKey;
}

void IKeyboardControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) return;
  const int k = KeyAt(x, y);
  if (k < 0 || k == mShownKey || k > kHighestKey) return;
  if (k != mLastSentKey && mEditor) {
    EndSentNote();
    mEditor->SetKeyboardVelocity(mVelocity);
    mEditor->SendKeyboardNote(kLowestNote + k, true);
    mLastSentKey = k;
  }
  if (!HeldByInput(kLowestNote + k)) {
    mShownKey = k;
    SetDirty(true);
  }
}

void IKeyboardControl::OnMouseUp(int x, int y, IMouseMod* mod) {
  // The note that was sent ends, whichever key the pointer is over now and even when the
  // MIDI keyboard held that key (then nothing was shown).
  if (mShownKey < 0 && mLastSentKey < 0) return;
  EndSentNote();
  mShownKey = -1;
  SetDirty(true);
}

bool IKeyboardControl::DrawKey(IGraphics* graphics, IRECT* rect, int semitone, bool background) {
  if (background) return graphics->DrawBitmapFrame(mBackground, rect, 1, &mBlend);
  return graphics->DrawBitmapFrame(mKeys, rect, semitone + 1, &mBlend);
}

bool IKeyboardControl::Draw(IGraphics* graphics) {
  if (mBackground && mBackground->W != mOctaveWidth) mOctaveWidth = mBackground->W;
  const int w = mOctaveWidth;
  for (int o = 0; o < kOctaves; ++o) {
    IRECT r(mRECT.L + o * w, mRECT.T, mRECT.L + o * w + w, mRECT.B);
    DrawKey(graphics, &r, 0, true);
  }
  int held = 0;
  if (mEditor) {
    UTL_MutexLock lock(mEditor->Mutex());
    held = mEditor->ActiveNotes();
  }
  if (held == 0 && mShownKey == -1) return true;
  for (int k = 0; k <= kHighestKey; ++k) {
    if (k != mShownKey && !HeldByInput(kLowestNote + k)) continue;
    IRECT r(mRECT.L + (k / 12) * w, mRECT.T, mRECT.L + (k / 12) * w + w, mRECT.B);
    DrawKey(graphics, &r, k % 12, false);
  }
  return true;
}
