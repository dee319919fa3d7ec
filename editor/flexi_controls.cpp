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
  return vq_param::kFlexi1Source + 7 * n;
}
int BitsParam(int n) {
  return vq_param::kFlexi1Bits + 7 * n;
}
int DestinationParam(int n) {
  return vq_param::kFlexi1Destination + 7 * n;
}
int PolarityParam(int n) {
  return vq_param::kFlexi1RangePolarity + 7 * n;
}
int RangeParam(int n) {
  return vq_param::kFlexi1Range + 7 * n;
}
int RangeAParam(int n) {
  return vq_param::kFlexi1RangeA + 2 * n;
}
int RangeBParam(int n) {
  return vq_param::kFlexi1RangeA + 1 + 2 * n;
}

bool PickableRange(int field) {
  using vq_param::FieldOf;
  return (field >= FieldOf(vq_param::kVco1Coarse) && field <= FieldOf(vq_param::kLfoVcoDepth)) ||
         field == FieldOf(vq_param::kVcfCutoffFrequencyNew) ||
         (field >= FieldOf(vq_param::kDelayVintageLong) &&
          field <= FieldOf(vq_param::kTrebleBoost));
}

// Switches and choices a slot cannot modulate.
bool ExcludedDestination(int field) {
  switch (field) {
    case vq_param::FieldOf(vq_param::kVoice2Transposition):
    case vq_param::FieldOf(vq_param::kVoice3Transposition):
    case vq_param::FieldOf(vq_param::kEnvelopeMode):
    case vq_param::FieldOf(vq_param::kVcfVintageNew):
    case vq_param::FieldOf(vq_param::kVcfModulationPitchFollow):
    case vq_param::FieldOf(vq_param::kVcfType):
    case vq_param::FieldOf(vq_param::kVcfSlope):
    case vq_param::FieldOf(vq_param::kPortamentoSlope):
    case vq_param::FieldOf(vq_param::kPitchBendRange):
    case vq_param::FieldOf(vq_param::kTrigGateMode):
    case vq_param::FieldOf(vq_param::kKeyPriority):
    case vq_param::FieldOf(vq_param::kDelayVintageLong):
    case vq_param::FieldOf(vq_param::kMidiSync):
    case vq_param::FieldOf(vq_param::kExtMidiProgramChange):
    case vq_param::FieldOf(vq_param::kModOnOff):
    case vq_param::FieldOf(vq_param::kOverdriveOnOff):
    case vq_param::FieldOf(vq_param::kEqualizerOnOff):
      return true;
    default:
      return false;
  }
}

}  // namespace

void VQEditor::ShowFlexiIndicator(int slot, bool show) {
  if (slot < 0 || slot >= kFlexiSlotCount) return;
  flexiIndicatorShown[slot] = show;
  HideControl(flexiOverlay[slot], !show);
  if (mPages) mPages->HideFlexiDestinationHighlight(*this, slot, !show);
}

void VQEditor::EndFlexiPick() {
  flexiPickSlot = 0;
  flexiPickActive = false;
}

bool VQEditor::FlexiPickRoad(int field) {
  const int k = flexiPickSlot;
  if (k < 1 || k > kFlexiSlotCount) return true;
  if (!PickableRange(field)) return true;
  if (ExcludedDestination(field)) return false;

  const int n = k - 1;
  flexiDestination[n] = field;
  const int sync = ParamInt(vq_param::kMidiSync);
  int def, min, max, frames;
  if (field == vq_param::FieldOf(vq_param::kVco4PwmLfoFrq) && sync == 1) {
    def = 1, min = 1, max = 12, frames = 12;
  } else if ((field == vq_param::FieldOf(vq_param::kDelay1) && (sync == 2 || sync == 3)) ||
             (field == vq_param::FieldOf(vq_param::kDelay2) && sync == 3)) {
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
  SetParam(BitsParam(n),
           field > 127 && field != vq_param::FieldOf(vq_param::kVcfCutoffFrequencyNew) ? 1 : 0);
  SetParam(DestinationParam(n), static_cast<int8_t>(ProgramFieldTable::Lsb(field)));

  SetControlText(flexiLearnCaption[n], "CLEAR");
  ShowFlexiIndicator(n, true);
  flexiPickTimeout = false;
  flexiPickTimeoutCount = 0;

  if (ParamInt(SourceParam(n)) == 0) {
    SetParam(vq_param::kFlexi1Sources + 2 * n, 0);
    SetParam(SourceParam(n), 98);
  }
  EndFlexiPick();
  RedrawIfNotApplying();
  return true;
}

void VQEditor::FilterModelChanged(int32_t value) {
  constexpr int kVintageCutoff = vq_param::FieldOf(vq_param::kVcfCutoffFrequencyVintage);
  constexpr int kNewCutoff = vq_param::FieldOf(vq_param::kVcfCutoffFrequencyNew);
  const bool vintage = value == 0;
  const int from = vintage ? kNewCutoff : kVintageCutoff;
  const int to = vintage ? kVintageCutoff : kNewCutoff;
  IGraphics* g = Graphics();
  int slot = -1;
  for (int n = 0; n < kFlexiSlotCount && slot < 0; ++n)
    if (flexiDestination[n] == from) slot = n;

  if (slot >= 0) {
    flexiDestination[slot] = to;
    const int min = ProgramFieldTable::Min(to), max = ProgramFieldTable::Max(to);
    const int def = vintage ? min : 0;
    ReinitIntParam(RangeAParam(slot), "Flexi Range", def, min, max);
    ReinitIntParam(RangeBParam(slot), "Flexi Range", def, min, max);
    SetParam(RangeAParam(slot), min);
    SetParam(RangeBParam(slot), min);
    SetParam(RangeParam(slot), 0);
    SetParam(PolarityParam(slot), 0);
    HideControl(readoutControls[to], false);
    HideControl(readoutControls[from], true);
  } else if (value == 0 || value == 1) {
    if (g) {
      g->HideControlsOfParam(vq_param::kVcfCutoffFrequencyVintage, !vintage);
      g->HideControlsOfParam(vq_param::kVcfCutoffFrequencyNew, vintage);
    }
    HideControl(readoutControls[kVintageCutoff], !vintage);
    HideControl(readoutControls[kNewCutoff], vintage);
    SetParam(vintage ? vq_param::kVcfCutoffFrequencyVintage : vq_param::kVcfCutoffFrequencyNew,
             vintage ? 0 : 36);
  }
  RedrawIfNotApplying();
}

DispatchExit VQEditor::FlexiControlCase(int paramIdx, int32_t value) {
  IGraphics* g = Graphics();
  const double raw = ParamValue(paramIdx);

  if (paramIdx >= vq_param::kFlexi1RangeA && paramIdx <= vq_param::kFlexi4RangeB) {
    const int n = (paramIdx - vq_param::kFlexi1RangeA) / 2;
    const bool isA = (paramIdx - vq_param::kFlexi1RangeA) % 2 == 0;
    const int d = flexiDestination[n];
    if (flexiPickActive || applyingProgram || d < 0 || d >= kProgramFieldCount)
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
      flexiReadoutSlot = n + 1;
      flexiReadoutWait = 0;
    }
    return DispatchExit::kNormal;
  }

  // LEARN or CLEAR while a pick runs: the pick ends and no slot still without a destination
  // stays marked.
  auto cancelPick = [this](int n) {
    EndFlexiPick();
    ShowFlexiIndicator(n, false);
    for (int other = 0; other < kFlexiSlotCount; ++other)
      if (other != n && flexiDestination[other] == -1) ShowFlexiIndicator(other, false);
  };
  // The range knobs drawn in place of the slot's destination knob give way to it again.
  auto showDestinationKnob = [this, g](int n) {
    if (!g || g->IsControlOfParamHidden(RangeAParam(n))) return;
    if (flexiDestination[n] >= 0)
      g->HideControlsOfParam(flexiDestination[n] + kFieldParamOffset, false);
    g->HideControlsOfParam(RangeAParam(n), true);
    g->HideControlsOfParam(RangeBParam(n), true);
  };

  if (paramIdx >= vq_param::kFlexi1LearnDestination &&
      paramIdx <= vq_param::kFlexi4LearnDestination) {  // LEARN
    if (raw >= 0.5) return DispatchExit::kNormal;
    const int n = paramIdx - vq_param::kFlexi1LearnDestination;
    if (flexiPickActive) {
      cancelPick(n);
    } else {
      flexiPickSlot = n + 1;
      flexiPickActive = true;
      showDestinationKnob(n);
      flexiPickTimeoutCount = 0;
      flexiPickTimeout = true;
    }
    flexiDestination[n] = -1;
    SetParam(RangeParam(n), 0);
    SetParam(PolarityParam(n), 0);
    SetControlText(flexiLearnCaption[n], "LEARN");
    RedrawIfNotApplying();
    return DispatchExit::kNormal;
  }

  if (paramIdx >= vq_param::kFlexi1ClearDestination &&
      paramIdx <= vq_param::kFlexi4ClearDestination) {  // CLEAR
    if (raw >= 0.5) return DispatchExit::kNormal;
    const int n = paramIdx - vq_param::kFlexi1ClearDestination;
    if (flexiPickActive) {
      cancelPick(n);
    } else {
      flexiPickSlot = n + 1;
      showDestinationKnob(n);
      flexiDestination[n] = -1;
      SetParam(RangeParam(n), 0);
      SetParam(PolarityParam(n), 0);
      ShowFlexiIndicator(n, false);
    }
    SetControlText(flexiLearnCaption[n], "LEARN");
    RedrawIfNotApplying();
    return DispatchExit::kNormal;
  }

  if (paramIdx >= vq_param::kShowFlexi1Sources &&
      paramIdx <= vq_param::kShowFlexi4Sources) {  // show a source list
    listViewTarget = paramIdx - vq_param::kShowFlexi1Sources;
    if (g) {
      g->HideControlsOfParam(vq_param::kCloseListView, false);
      for (int p = vq_param::kListPage1; p < vq_param::kListPage1 + 4; ++p)
        g->HideControlsOfParam(p, false);
    }
    if (mPages) mPages->HideListViewFrame(*this, false);
    return DispatchExit::kNormal;
  }

  if (paramIdx >= vq_param::kShowFlexi1Ranges &&
      paramIdx <= vq_param::kShowFlexi4Ranges) {  // show a range-control list
    const int n = paramIdx - vq_param::kShowFlexi1Ranges;
    listViewTarget = n + 4;
    ShowListPage(false);
    if (g) g->HideControlsOfParam(vq_param::kFlexi1RangeControlPolarity + 2 * n, false);
    return DispatchExit::kNormal;
  }

  if (paramIdx >= vq_param::kListPage1 && paramIdx <= vq_param::kListPage1 + 3) {
    // The rows of a page end early for the shorter lists.
    static const int kSourceLast[4] = {17, 37, 57, 77};
    static const int kRangeLast[4] = {14, 34, 54, 74};
    const int page = paramIdx - vq_param::kListPage1;
    const bool sources = listViewTarget >= 0 && listViewTarget <= 3;
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
      for (int p = vq_param::kListPage1; p < vq_param::kListPage1 + 4; ++p)
        g->HideControlsOfParam(p, true);
    }
    if (mPages) mPages->HideListViewFrame(*this, true);
    return DispatchExit::kNormal;
  }
  return DispatchExit::kNormal;
}
