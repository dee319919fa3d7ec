// What the pages show: the texts and read-outs the editor writes, the panels and indicators
// it shows and hides, the file selectors it opens, and the manager's browser rows and bank slots.
#include "editor/gui/editor_pages.h"
#include "editor/gui/keyboard_control.h"
#include "editor/vq_editor.h"
#include "protocol/eq_mapping.h"
#include "graphics/file_selector.h"
#include "graphics/igraphics.h"
#include "graphics/knob_controls.h"
#include "graphics/para_graphic_eq.h"

namespace {

const IColor kPlainRow(255, 200, 200, 200);
const IColor kMarkedRow(255, 255, 0, 0);

void HideIf(IControl* c, bool hide) {
  if (c) c->Hide(hide);
}

void TextIf(IControl* c, const char* text) {
  if (c) c->SetTextFromPlug(text);
}

template <class Array>
IControl* At(const Array& controls, int k) {
  return k >= 0 && k < static_cast<int>(std::size(controls)) ? controls[k] : nullptr;
}

}  // namespace

IControl* EditorPages::Readout(int field) const {
  return At(mReadouts, field);
}

IControl* EditorPages::BrowserText(int row) const {
  return row < VQEditor::kBrowserTextRows ? At(mBrowserRows, row) : nullptr;
}

IControl* EditorPages::SlotControl(int slot, int k) const {
  return slot >= 0 && slot < kSlotTableSize && slot < static_cast<int>(mSlots.size())
             ? mSlots[slot][k]
             : nullptr;
}

void EditorPages::SetStatusText(const char* text) {
  TextIf(mStatusText, text);
}

void EditorPages::ShowReadout(int field, const char* text) {
  TextIf(Readout(field), text);
}

void EditorPages::HideReadout(int field, bool hide) {
  HideIf(Readout(field), hide);
}

void EditorPages::ShowFlexiLearnCaption(int slot, const char* text) {
  TextIf(At(mFlexiLearnCaption, slot), text);
}

void EditorPages::ShowFlexiPolarity(int slot, const char* text) {
  TextIf(At(mFlexiPolarity, slot), text);
}

void EditorPages::ShowExtMidiText(int k, const char* text) {
  TextIf(At(mExtMidiText, k), text);
}

void EditorPages::ShowEffectBlockFrame(bool show) {
  HideIf(mFxPanel[0], !show);
}

void EditorPages::ShowEffectIndicator(EffectIndicator which, bool show) {
  HideIf(mTabHighlight[which], !show);
}

void EditorPages::MoveEffectIndicators(int equalizerX, int overdriveX, int y) {
  if (IControl* c = mTabHighlight[kEqualizerOn]) c->MoveTo(equalizerX, y);
  if (IControl* c = mTabHighlight[kOverdriveOn]) c->MoveTo(overdriveX, y);
}

void EditorPages::ShowCopyPanel(bool oscillators) {
  HideIf(mCopyPanel[0], !oscillators);
  HideIf(mCopyPanel[1], oscillators);
}

void EditorPages::RedrawKeyboard() {
  if (mKeyboard) mKeyboard->SetDirty(true);
}

bool EditorPages::TakeModWheelChanged() {
  return mModWheel && mModWheel->TakeChanged();
}

void EditorPages::PromptModWheelEntry(VQEditor& editor) {
  if (!mModWheelEntry) return;
  IGraphics* g = editor.Graphics();
  IRECT where(g ? static_cast<int>(g->GetWidth() * 0.23) : 0, 0, 0, 0);
  mModWheelEntry->PromptUserInput(&where);
}

bool EditorPages::ReadEqBand(EqBand& band) const {
  if (!mEq || band.index < 0 || band.index >= mEq->NBands()) return false;
  IParaGraphicEq::Band b;
  b.mIndex = band.index;
  mEq->GetBand(&b);
  band.gain = b.mGain, band.frequency = b.mFreq, band.width = b.mWidth;
  band.freqMin = b.mFreqMin, band.freqMax = b.mFreqMax, band.widthMin = b.mWidthMin,
  band.widthMax = b.mWidthMax;
  return true;
}

bool EditorPages::OpenFileSelector(int role) {
  auto* selector = dynamic_cast<IFileSelectorControl*>(At(mFileSelector, role));
  if (!selector) return false;
  IMouseMod left(true);
  selector->OnMouseDown(0, 0, &left);
  // A cancelled panel leaves the selector without a file.
  return *selector->GetFileName() != 0;
}

void EditorPages::ClearBrowserRows() {
  for (int row = 0; row < VQEditor::kBrowserTextRows; ++row) {
    IControl* text = BrowserText(row);
    if (!text) continue;
    text->SetTextFromPlug("");
    text->SetTextColor(kPlainRow);
    text->Hide(true);
  }
}

void EditorPages::ShowBrowserRow(int row, const char* text, bool marked) {
  if (IControl* c = BrowserText(row)) {
    c->SetTextFromPlug(text);
    c->SetTextColor(marked ? kMarkedRow : kPlainRow);
    c->Hide(false);
  }
}

void EditorPages::HideBrowserRow(int row) {
  if (IControl* c = BrowserText(row)) {
    c->SetTextFromPlug("");
    c->Hide(true);
  }
}

void EditorPages::MarkBrowserRow(int row, bool marked) {
  if (IControl* c = BrowserText(row)) {
    c->SetTextColor(marked ? kMarkedRow : kPlainRow);
    c->SetDirty(false);
  }
}

void EditorPages::SetBrowserScrollPosition(double position) {
  if (mBrowserScrollBar) mBrowserScrollBar->SetValueFromPlug(position);
}

void EditorPages::ShowSlotSelected(int slot, bool selected) {
  if (IControl* c = SlotControl(slot, 0)) c->SetValueFromPlug(selected ? 1.0 : 0.0);
}

void EditorPages::ShowSlotCategory(int slot, int category) {
  if (IControl* c = SlotControl(slot, 1)) c->SetValueFromPlug(category / 6.0);
}

void EditorPages::ShowSlotName(int slot, const char* text) {
  if (IControl* c = SlotControl(slot, 3)) {
    c->SetTextFromPlug(text);
    // Hidden and shown again so that the row redraws.
    c->Hide(true);
    c->Hide(false);
  }
}
