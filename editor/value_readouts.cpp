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
  if (field < 42 || field > 170) return Number(v);
  switch (field) {
    case 42:
      return midiSync == 1 ? Division(v, kLfoNoteDivisions, kLfoNoteDivisionCount) : Number(v);
    case 48:
    case 49:
      return Word(v + 2, {"-12", "-5", "7", "12", "19", "24"});
    case 67:
      return Word(v, {"vintage", "resume", "reset"});
    case 81:
      return Word(v, {"off", "on"});
    case 82:
      return Word(v, {"LPF", "HPF", "BPF", "NTC", "OFF"});
    case 84:
      return Word(v, {"12dB", "24dB"});
    case 86:
      return Word(v, {"rate", "time"});
    case 89:
      return Word(v, {"gate", "trigger"});
    case 90:
      return Word(v, {"lower", "upper", "first", "last"});
    case 91:
      return Hertz((v + 12.0) * (v + 12.0) * 0.00145);
    case 132:
    case 133:
      return Hertz(v / 127.0 * 8.6);
    case 135:
      return DelayText(v, delayLong >= 1 && (midiSync == 2 || midiSync == 3), delayLong);
    case 139:
      return DelayText(v, delayLong >= 1 && midiSync == 3, delayLong);
    case 170:
      return Word(v, {"always", "legato"});
    default:
      return Number(v);
  }
}

void VQEditor::FormatParamValueText(int field, int32_t value) {
  UTL_MutexLock lock(mMutex);
  if (field < 0 || field >= kProgramFieldCount || !readoutControls[field]) return;
  std::string text = FieldReadoutText(field, value, ParamInt(127), ParamInt(126));
  readoutControls[field]->SetTextFromPlug(text.c_str());
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
  ReinitIntParam(45, "VCO4 PWM LFO frq", 1, 1, top);
  if (mPages) mPages->SetFieldKnobFrameLimit(*this, 42, frames);
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    if (flexiDestination[n] != 42) continue;
    if (mPages) mPages->SetFlexiRangeKnobFrameLimit(*this, n, frames);
    char name[32];
    snprintf(name, sizeof name, "Flexi%d Range", n + 1);
    ReinitIntParam(vq_param::kFlexiRangeA + 2 * n, name, 1, 1, top);
    ReinitIntParam(vq_param::kFlexiRangeA + 1 + 2 * n, name, 1, 1, top);
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
  auto delay = [this](int which, bool synced) {
    ReinitIntParam(which == 0 ? 138 : 142, which == 0 ? "Delay1" : "Delay2", 0, 0,
                   synced ? 9 : 127);
    if (mPages) mPages->SetDelayKnobFrameLimit(*this, which, synced ? 10 : 0);
  };
  // Re-ranges the first slot aimed at one of the fields.
  auto slot = [this](std::initializer_list<int> fields, bool synced) {
    for (int n = 0; n < kFlexiSlotCount; ++n) {
      bool hit = false;
      for (int f : fields) hit = hit || flexiDestination[n] == f;
      if (!hit) continue;
      if (mPages) mPages->SetFlexiRangeKnobFrameLimit(*this, n, synced ? 10 : 0);
      char name[32];
      snprintf(name, sizeof name, "Flexi%d Range", n + 1);
      ReinitIntParam(vq_param::kFlexiRangeA + 2 * n, name, 0, 0, synced ? 9 : 127);
      ReinitIntParam(vq_param::kFlexiRangeA + 1 + 2 * n, name, 0, 0, synced ? 9 : 127);
      return;
    }
  };
  switch (mode) {
    case 2:
      delay(0, true);
      delay(1, true);
      slot({135, 139}, true);
      break;
    case 1:
      delay(0, true);
      delay(1, false);
      slot({135}, true);
      slot({139}, false);
      break;
    default:
      delay(0, false);
      delay(1, false);
      slot({135, 139}, false);
      break;
  }
}

bool VQEditor::HighlightFlexiDestinations(int field, bool hide) {
  UTL_MutexLock lock(mMutex);
  bool matched = false;
  IGraphics* g = GetGraphicsOf(this);
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    if (flexiDestination[n] != field) continue;
    matched = true;
    if (g) {
      g->HideControlsOfParam(vq_param::kFlexiRangeA + 2 * n, hide);
      g->HideControlsOfParam(vq_param::kFlexiRangeA + 1 + 2 * n, hide);
    }
  }
  return matched;
}

void VQEditor::ApplyListViewChoice(int row) {
  UTL_MutexLock lock(mMutex);
  const int t = listViewTarget;
  if (t >= 0 && t <= 3) {
    if (row < 0 || row >= ProgramFieldTable::kSourceListSize) return;
    SetParam(vq_param::kFlexiSources + 2 * t, row);
    SetParam(98 + 7 * t, kFlexiSourceNames[row].code);
    if (IGraphics* g = GetGraphicsOf(this)) {
      g->HideControlsOfParam(vq_param::kCloseListView, true);
      if (mPages) mPages->HideListViewFrame(*this, true);
      for (int p = vq_param::kListPageFirst; p < vq_param::kListPageFirst + 4; ++p)
        g->HideControlsOfParam(p, true);
    }
  } else if (t >= 4 && t <= 7) {
    if (row < 0 || row >= ProgramFieldTable::kRangeControlListSize) return;
    SetParam(vq_param::kFlexiSources + 1 + 2 * (t - 4), row);
    SetParam(103 + 7 * (t - 4), kRangeControlNames[row].code);
    ShowListPage(true);
  }
}
