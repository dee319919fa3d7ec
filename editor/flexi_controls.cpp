// The FLEXI slots on screen: picking a slot's destination by touching a knob, the LEARN and
// CLEAR buttons, the two range knobs drawn in place of the destination's knob, the re-targeting
// when the filter model changes, and the paged list of sources and range controls.
#include <cmath>
#include <cstdio>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"

namespace {

// Slot n (0..3) parameters.
int SourceParam(int n) {
  return 98 + 7 * n;
}
int BitsParam(int n) {
  return 99 + 7 * n;
}
int DestinationParam(int n) {
  return 100 + 7 * n;
}
int PolarityParam(int n) {
  return 101 + 7 * n;
}
int RangeParam(int n) {
  return 102 + 7 * n;
}
int RangeAParam(int n) {
  return vq_param::kFlexiRangeA + 2 * n;
}
int RangeBParam(int n) {
  return vq_param::kFlexiRangeA + 1 + 2 * n;
}

bool PickableRange(int field) {
  return (field >= 0 && field <= 94) || field == 183 || (field >= 123 && field <= 169);
}

// Switches and choices a slot cannot modulate.
bool ExcludedDestination(int field) {
  switch (field) {
    case 48:
    case 49:
    case 67:
    case 75:
    case 81:
    case 82:
    case 84:
    case 86:
    case 87:
    case 89:
    case 90:
    case 123:
    case 124:
    case 125:
    case 131:
    case 144:
    case 157:
      return true;
    default:
      return false;
  }
}

}  // namespace

void VQEditor::ShowFlexiIndicator(int slot, bool show) {
  if (slot < 0 || slot >= kFlexiSlotCount) return;
  mFlexiPick.IndicatorShown()[slot] = show;
  if (mPages) mPages->HideFlexiDestinationHighlight(*this, slot, !show);
}

void VQEditor::EndFlexiPick() {
  mFlexiPick.SetSlot(0);
  mFlexiPick.SetActive(false);
}

bool VQEditor::FlexiPickPath(int field) {
  const int k = mFlexiPick.Slot();
  if (k < 1 || k > kFlexiSlotCount) return true;
  if (!PickableRange(field)) return true;
  if (ExcludedDestination(field)) return false;

  const int n = k - 1;
  mFlexiPick.Destinations()[n] = field;
  const int sync = ParamInt(127);
  int def, min, max, frames;
  if (field == 42 && sync == 1) {
    def = 1, min = 1, max = 12, frames = 12;
  } else if ((field == 135 && (sync == 2 || sync == 3)) || (field == 139 && sync == 3)) {
    def = 0, min = 0, max = 9, frames = 10;
  } else {
    def = ProgramFieldTable::kGroupInit[field];
    min = ProgramFieldTable::Min(field);
    max = ProgramFieldTable::Max(field);
    frames = 0;
  }
  char name[32];
  snprintf(name, sizeof name, "Flexi%d Range", k);
  ReinitIntParam(RangeAParam(n), name, def, min, max);
  ReinitIntParam(RangeBParam(n), name, def, min, max);
  if (mPages) {
    mPages->SetFlexiRangeKnobFrameLimit(*this, n, frames);
    mPages->MoveFlexiRangeControls(*this, n, field);
  }
  if (IGraphics* g = Graphics()) {
    g->HideControlsOfParam(RangeAParam(n), false);
    g->HideControlsOfParam(RangeBParam(n), false);
    g->HideControlsOfParam(field + kFieldParamOffset, true);
  }

  const int32_t current = ParamInt(field + kFieldParamOffset);
  SetParam(RangeAParam(n), current);
  SetParam(RangeBParam(n), current);
  SetParam(RangeParam(n), 0);
  SetParam(PolarityParam(n), 0);
  SetParam(BitsParam(n), field > 127 && field != 183 ? 1 : 0);
  SetParam(DestinationParam(n), static_cast<int8_t>(ProgramFieldTable::Lsb(field)));

  ShowFlexiLearnCaption(n, "CLEAR");
  ShowFlexiIndicator(n, true);
  mFlexiPick.SetTimeout(false);
  mFlexiPick.SetTimeoutCount(0);

  if (ParamInt(SourceParam(n)) == 0) {
    SetParam(vq_param::kFlexiSources + 2 * n, 0);
    SetParam(SourceParam(n), 98);
  }
  EndFlexiPick();
  RedrawIfNotApplying();
  return true;
}

void VQEditor::FilterModelChanged(int32_t value) {
  // The vintage cutoff is field 76 (parameter 79), the new one field 183 (parameter 186).
  const bool vintage = value == 0;
  const int from = vintage ? 183 : 76;
  const int to = vintage ? 76 : 183;
  IGraphics* g = Graphics();
  int slot = -1;
  for (int n = 0; n < kFlexiSlotCount && slot < 0; ++n)
    if (mFlexiPick.Destinations()[n] == from) slot = n;

  if (slot >= 0) {
    mFlexiPick.Destinations()[slot] = to;
    const int min = ProgramFieldTable::Min(to), max = ProgramFieldTable::Max(to);
    const int def = vintage ? min : 0;
    ReinitIntParam(RangeAParam(slot), "Flexi Range", def, min, max);
    ReinitIntParam(RangeBParam(slot), "Flexi Range", def, min, max);
    SetParam(RangeAParam(slot), min);
    SetParam(RangeBParam(slot), min);
    SetParam(RangeParam(slot), 0);
    SetParam(PolarityParam(slot), 0);
    HideReadout(to, false);
    HideReadout(from, true);
  } else if (value == 0 || value == 1) {
    if (g) {
      g->HideControlsOfParam(79, !vintage);
      g->HideControlsOfParam(186, vintage);
    }
    HideReadout(76, !vintage);
    HideReadout(183, vintage);
    SetParam(vintage ? 79 : 186, vintage ? 0 : 36);
  }
  RedrawIfNotApplying();
}

DispatchExit VQEditor::FlexiControlCase(int paramIdx, int32_t value) {
  IGraphics* g = Graphics();
  const double raw = ParamValue(paramIdx);

  if (paramIdx >= 231 && paramIdx <= 238) {
    const int n = (paramIdx - 231) / 2;
    const bool isA = (paramIdx - 231) % 2 == 0;
    const int d = mFlexiPick.Destinations()[n];
    if (mFlexiPick.Active() || mApplyingProgram || d < 0 || d >= kProgramFieldCount)
      return DispatchExit::kNormal;
    if (isA) {
      const int32_t a = value;
      const int32_t range = ParamInt(RangeParam(n));
      int32_t b;
      if (ParamInt(PolarityParam(n)) == 0) {
        b = a + range;
        if (b > ProgramFieldTable::Max(d)) {
          SetParam(RangeParam(n), ProgramFieldTable::Max(d) - a);
          b = ProgramFieldTable::Max(d);
        }
      } else {
        b = a - range;
        if (b < ProgramFieldTable::Min(d)) {
          SetParam(RangeParam(n), a - ProgramFieldTable::Min(d));
          b = ProgramFieldTable::Min(d);
        }
      }
      SetParam(RangeBParam(n), b);
      SetParam(d + kFieldParamOffset, a);
      RedrawIfNotApplying();
    } else {
      const int32_t b = value;
      FormatParamValueText(d, b);
      const int32_t a = ParamInt(RangeAParam(n));
      if (b - a >= 0) {
        SetParam(RangeParam(n), b - a);
        SetParam(PolarityParam(n), 0);
      } else {
        SetParam(RangeParam(n), a - b);
        SetParam(PolarityParam(n), 1);
      }
      // The poll shows A's value again a moment later.
      mFlexiPick.SetReadoutSlot(n + 1);
      mFlexiPick.SetReadoutWait(0);
    }
    return DispatchExit::kNormal;
  }

  // LEARN or CLEAR while a pick runs: the pick ends and no slot still without a destination
  // stays marked.
  auto cancelPick = [this](int n) {
    EndFlexiPick();
    ShowFlexiIndicator(n, false);
    for (int other = 0; other < kFlexiSlotCount; ++other)
      if (other != n && mFlexiPick.Destinations()[other] == -1) ShowFlexiIndicator(other, false);
  };
  // The range knobs drawn in place of the slot's destination knob give way to it again.
  auto showDestinationKnob = [this, g](int n) {
    if (!g || g->IsControlOfParamHidden(RangeAParam(n))) return;
    if (mFlexiPick.Destinations()[n] >= 0)
      g->HideControlsOfParam(mFlexiPick.Destinations()[n] + kFieldParamOffset, false);
    g->HideControlsOfParam(RangeAParam(n), true);
    g->HideControlsOfParam(RangeBParam(n), true);
  };

  if (paramIdx >= 239 && paramIdx <= 242) {  // LEARN
    if (raw >= 0.5) return DispatchExit::kNormal;
    const int n = paramIdx - 239;
    if (mFlexiPick.Active()) {
      cancelPick(n);
    } else {
      mFlexiPick.SetSlot(n + 1);
      mFlexiPick.SetActive(true);
      showDestinationKnob(n);
      mFlexiPick.SetTimeoutCount(0);
      mFlexiPick.SetTimeout(true);
    }
    mFlexiPick.Destinations()[n] = -1;
    SetParam(RangeParam(n), 0);
    SetParam(PolarityParam(n), 0);
    ShowFlexiLearnCaption(n, "LEARN");
    RedrawIfNotApplying();
    return DispatchExit::kNormal;
  }

  if (paramIdx >= 243 && paramIdx <= 246) {  // CLEAR
    if (raw >= 0.5) return DispatchExit::kNormal;
    const int n = paramIdx - 243;
    if (mFlexiPick.Active()) {
      cancelPick(n);
    } else {
      mFlexiPick.SetSlot(n + 1);
      showDestinationKnob(n);
      mFlexiPick.Destinations()[n] = -1;
      SetParam(RangeParam(n), 0);
      SetParam(PolarityParam(n), 0);
      ShowFlexiIndicator(n, false);
    }
    ShowFlexiLearnCaption(n, "LEARN");
    RedrawIfNotApplying();
    return DispatchExit::kNormal;
  }

  if (paramIdx >= 255 && paramIdx <= 258) {  // show a source list
    mFlexiPick.SetListViewTarget(paramIdx - 255);
    if (g) {
      g->HideControlsOfParam(vq_param::kCloseListView, false);
      for (int p = vq_param::kListPageFirst; p < vq_param::kListPageFirst + 4; ++p)
        g->HideControlsOfParam(p, false);
    }
    if (mPages) mPages->HideListViewFrame(*this, false);
    return DispatchExit::kNormal;
  }

  if (paramIdx >= 259 && paramIdx <= 262) {  // show a range-control list
    const int n = paramIdx - 259;
    mFlexiPick.SetListViewTarget(n + 4);
    ShowListPage(false);
    if (g) g->HideControlsOfParam(175 + 2 * n, false);
    return DispatchExit::kNormal;
  }

  if (paramIdx >= vq_param::kListPageFirst && paramIdx <= vq_param::kListPageFirst + 3) {
    // The rows of a page end early for the shorter lists.
    static const int kSourceLast[4] = {17, 37, 57, 77};
    static const int kRangeLast[4] = {14, 34, 54, 74};
    const int page = paramIdx - vq_param::kListPageFirst;
    const bool sources = mFlexiPick.ListViewTarget() >= 0 && mFlexiPick.ListViewTarget() <= 3;
    const int last = sources ? kSourceLast[page] : kRangeLast[page];
    int row = static_cast<int>(std::trunc(raw));
    if (row > last) row = last;
    ApplyListViewChoice(row);
    return DispatchExit::kNormal;
  }

  if (paramIdx == vq_param::kCloseListView) {
    ShowListPage(true);
    if (g) {
      g->HideControlsOfParam(vq_param::kCloseListView, true);
      for (int p = vq_param::kListPageFirst; p < vq_param::kListPageFirst + 4; ++p)
        g->HideControlsOfParam(p, true);
    }
    if (mPages) mPages->HideListViewFrame(*this, true);
    return DispatchExit::kNormal;
  }
  return DispatchExit::kNormal;
}
