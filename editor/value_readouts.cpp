// Value read-outs, the re-ranging of the LFO, delay and FLEXI range parameters while the
// synthesizer follows MIDI clock, and the FLEXI list-view choices.
#include "editor/value_readouts.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "plugin/iparam.h"
#include "protocol/name_tables.h"

namespace {

std::string Number(int32_t v) {
  return std::to_string(v);
}

std::string Hertz(double hz) {
  char buf[32];
  snprintf(buf, sizeof buf, "%.2fHz", hz);
  return buf;
}

// Word of a value from a short list; values without a word read "".
std::string Word(int32_t v, std::initializer_list<const char*> words) {
  if (v < 0 || v >= static_cast<int32_t>(words.size())) return "";
  return words.begin()[v];
}

// A note division, or the number when the value lies outside the table.
std::string Division(int32_t v, const char* const* table, int count) {
  return (v >= 0 && v < count) ? table[v] : Number(v);
}

std::string DelayText(int32_t v, bool divisions, int32_t delayLong) {
  if (divisions) return Division(v, kDelayNoteDivisions, kDelayNoteDivisionCount);
  char buf[32];
  snprintf(buf, sizeof buf, "%dms", static_cast<int>(v / 127.0 * (delayLong == 1 ? 600 : 140)));
  return buf;
}

}  // namespace

std::string FieldReadoutText(int field, int32_t v, int32_t midiSync, int32_t delayLong) {
  if (field < vq_param::FieldOf(vq_param::kVco4PwmLfoFrq) ||
      field > vq_param::FieldOf(vq_param::kPortamentoMode))
    return Number(v);
  switch (field) {
    case vq_param::FieldOf(vq_param::kVco4PwmLfoFrq):
      return midiSync == 1 ? Division(v, kLfoNoteDivisions, kLfoNoteDivisionCount) : Number(v);
    case vq_param::FieldOf(vq_param::kVoice2Transposition):
    case vq_param::FieldOf(vq_param::kVoice3Transposition):
      return Word(v + 2, {"-12", "-5", "7", "12", "19", "24"});
    case vq_param::FieldOf(vq_param::kEnvelopeMode):
      return Word(v, {"vintage", "resume", "reset"});
    case vq_param::FieldOf(vq_param::kVcfModulationPitchFollow):
      return Word(v, {"off", "on"});
    case vq_param::FieldOf(vq_param::kVcfType):
      return Word(v, {"LPF", "HPF", "BPF", "NTC", "OFF"});
    case vq_param::FieldOf(vq_param::kVcfSlope):
      return Word(v, {"12dB", "24dB"});
    case vq_param::FieldOf(vq_param::kPortamentoSlope):
      return Word(v, {"rate", "time"});
    case vq_param::FieldOf(vq_param::kTrigGateMode):
      return Word(v, {"gate", "trigger"});
    case vq_param::FieldOf(vq_param::kKeyPriority):
      return Word(v, {"lower", "upper", "first", "last"});
    case vq_param::FieldOf(vq_param::kLfoFrequency):
      return Hertz((v + 12.0) * (v + 12.0) * 0.00145);
    case vq_param::FieldOf(vq_param::kLfoAFrq):
    case vq_param::FieldOf(vq_param::kLfoBFrq):
      return Hertz(v / 127.0 * 8.6);
    case vq_param::FieldOf(vq_param::kDelay1):
      return DelayText(v, delayLong >= 1 && (midiSync == 2 || midiSync == 3), delayLong);
    case vq_param::FieldOf(vq_param::kDelay2):
      return DelayText(v, delayLong >= 1 && midiSync == 3, delayLong);
    case vq_param::FieldOf(vq_param::kPortamentoMode):
      return Word(v, {"always", "legato"});
    default:
      return Number(v);
  }
}

std::optional<std::string> ParamReadoutText(int param, int32_t v) {
  switch (param) {
    case vq_param::kVcfModulationPitchFollow:
    case vq_param::kModOnOff:
    case vq_param::kOverdriveOnOff:
    case vq_param::kEqualizerOnOff:
    case vq_param::kOdBlendInstrument:
    case vq_param::kOdBlendVcf:
    case vq_param::kEqBlendInstrument:
    case vq_param::kEqBlendVcf:
      return Word(v, {"off", "on"});
    case vq_param::kDistortionTone:
      return Number(v - 64);
    case vq_param::kEnvelopeMode:
      return Word(v, {"vintage", "resume", "reset"});
    case vq_param::kVcfVintageNew:
      return Word(v, {"vintage", "new"});
    case vq_param::k2ndVcfCutoffFrequency:
      if (v == 0) return "off";
      return std::nullopt;
    case vq_param::kMidiSync:
      return Word(v, {"off", "LFO4", "delay1", "delay1+2"});
    case vq_param::kPortamentoMode:
      return Word(v, {"always", "legato"});
    case vq_param::kTrackingPriority:
      return Word(v, {"speed", "accuracy"});
    default:
      return std::nullopt;
  }
}

void VQEditor::FormatParamValueText(int field, int32_t value) {
  UTL_MutexLock lock(mMutex);
  if (field < 0 || field >= kProgramFieldCount) return;
  ShowReadout(field, FieldReadoutText(field, value, ParamInt(vq_param::kMidiSync),
                                      ParamInt(vq_param::kDelayVintageLong))
                         .c_str());
}

void VQEditor::ShowClockReadouts() {
  UTL_MutexLock lock(mMutex);
  for (int p : {vq_param::kVco4PwmLfoFrq, vq_param::kDelay1, vq_param::kDelay2})
    FormatParamValueText(vq_param::FieldOf(p), ParamInt(p));
}

// Re-ranging keeps the parameter's value (limited to the new range): initialising alone would
// reset it to the default, and a refresh of the GUI would then silently change the program.
void VQEditor::ReinitIntParam(int idx, const char* name, int def, int min, int max) {
  IParam* p = GetParam(idx);
  if (!p) return;
  double value = p->Value();
  p->InitInt(name, def, min, max);
  p->Set(std::clamp(value, p->GetMin(), p->GetMax()));
  SetControlsFromParam(idx);
}

void VQEditor::SetupFlexiRanges(bool synced) {
  UTL_MutexLock lock(mMutex);
  const int top = synced ? 12 : 127;
  const int frames = synced ? 12 : 0;
  ReinitIntParam(vq_param::kVco4PwmLfoFrq, "VCO4 PWM LFO frq", 1, 1, top);
  if (mPages)
    mPages->SetFieldKnobFrameLimit(*this, vq_param::FieldOf(vq_param::kVco4PwmLfoFrq), frames);
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    if (mFlexiPick.Destinations()[n] != vq_param::FieldOf(vq_param::kVco4PwmLfoFrq)) continue;
    if (mPages) mPages->SetFlexiRangeKnobFrameLimit(*this, n, frames);
    char name[32];
    snprintf(name, sizeof name, "Flexi%d Range", n + 1);
    ReinitIntParam(vq_param::kFlexi1RangeA + 2 * n, name, 1, 1, top);
    ReinitIntParam(vq_param::kFlexi1RangeA + 1 + 2 * n, name, 1, 1, top);
    break;
  }
}

void VQEditor::SetupSyncRanges(int sync, bool delayLong) {
  if (sync == 1) {
    SetupFlexiRanges(true);
    SetupFlexiRangesFx(0);
  } else if (sync == 2 || sync == 3) {
    SetupFlexiRangesFx(delayLong ? (sync == 2 ? 1 : 2) : 0);
    SetupFlexiRanges(false);
  } else {
    SetupFlexiRanges(false);
    SetupFlexiRangesFx(0);
  }
}

void VQEditor::SetupFlexiRangesFx(int mode) {
  UTL_MutexLock lock(mMutex);
  if (mode < 0 || mode > 2) return;
  constexpr int kDelay1Field = vq_param::FieldOf(vq_param::kDelay1);
  constexpr int kDelay2Field = vq_param::FieldOf(vq_param::kDelay2);
  auto delay = [this](int which, bool synced) {
    ReinitIntParam(which == 0 ? vq_param::kDelay1 : vq_param::kDelay2,
                   which == 0 ? "Delay1" : "Delay2", 0, 0, synced ? 9 : 127);
    if (mPages) mPages->SetDelayKnobFrameLimit(*this, which, synced ? 10 : 0);
  };
  // Re-ranges the first slot aimed at one of the fields.
  auto slot = [this](std::initializer_list<int> fields, bool synced) {
    for (int n = 0; n < kFlexiSlotCount; ++n) {
      bool hit = false;
      for (int f : fields) hit = hit || mFlexiPick.Destinations()[n] == f;
      if (!hit) continue;
      if (mPages) mPages->SetFlexiRangeKnobFrameLimit(*this, n, synced ? 10 : 0);
      char name[32];
      snprintf(name, sizeof name, "Flexi%d Range", n + 1);
      ReinitIntParam(vq_param::kFlexi1RangeA + 2 * n, name, 0, 0, synced ? 9 : 127);
      ReinitIntParam(vq_param::kFlexi1RangeA + 1 + 2 * n, name, 0, 0, synced ? 9 : 127);
      return;
    }
  };
  switch (mode) {
    case 2:
      delay(0, true);
      delay(1, true);
      slot({kDelay1Field, kDelay2Field}, true);
      break;
    case 1:
      delay(0, true);
      delay(1, false);
      slot({kDelay1Field}, true);
      slot({kDelay2Field}, false);
      break;
    default:
      delay(0, false);
      delay(1, false);
      slot({kDelay1Field, kDelay2Field}, false);
      break;
  }
}

bool VQEditor::HighlightFlexiDestinations(int field, bool hide) {
  UTL_MutexLock lock(mMutex);
  bool matched = false;
  IGraphics* g = GetGraphicsOf(this);
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    if (mFlexiPick.Destinations()[n] != field) continue;
    matched = true;
    if (g) {
      g->HideControlsOfParam(vq_param::kFlexi1RangeA + 2 * n, hide);
      g->HideControlsOfParam(vq_param::kFlexi1RangeA + 1 + 2 * n, hide);
    }
  }
  return matched;
}

void VQEditor::ApplyListViewChoice(int row) {
  UTL_MutexLock lock(mMutex);
  const int t = mFlexiPick.ListViewTarget();
  if (t >= 0 && t <= 3) {
    if (row < 0 || row >= ProgramFieldTable::kSourceListSize) return;
    SetParam(vq_param::kFlexi1Sources + 2 * t, row);
    SetParam(vq_param::kFlexi1Source + 7 * t, kFlexiSourceNames[row].code);
    if (IGraphics* g = GetGraphicsOf(this)) {
      g->HideControlsOfParam(vq_param::kCloseListView, true);
      if (mPages) mPages->HideListViewFrame(*this, true);
      for (int p = vq_param::kListPage1; p < vq_param::kListPage1 + 4; ++p)
        g->HideControlsOfParam(p, true);
    }
  } else if (t >= 4 && t <= 7) {
    if (row < 0 || row >= ProgramFieldTable::kRangeControlListSize) return;
    SetParam(vq_param::kFlexi1Sources + 1 + 2 * (t - 4), row);
    SetParam(vq_param::kFlexi1RangeControl + 7 * (t - 4), kRangeControlNames[row].code);
    ShowListPage(true);
  }
}
