// The common road of every parameter change: a program field goes out as one NRPN message with
// its undo step, the edited marker and its read-out; the bookkeeping that decides what the
// next change repeats. Per-control behaviour is added case by case on top of it.
#include <cstdio>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"

namespace {

bool HasNumericReadout(int field) {
  return (field >= 0 && field <= 94) || (field >= 129 && field <= 169) ||
         (field >= 179 && field <= 183);
}

}  // namespace

void VQEditor::OnParamChange(int paramIdx) {
  UTL_MutexLock lock(mMutex);
  const int field = paramIdx < vq_param::kFirstGuiOnly ? paramIdx - kFieldParamOffset : paramIdx;
  if (field < 0 || field >= vq_param::kCount) return;
  const int32_t value = ParamInt(paramIdx);

  // "MIDI Sync" and the external program change act on the release of their knob, even when
  // the value did not change.
  if ((field == 124 || field == 125) && !applyingProgram &&
      !(mPages && mPages->IsKnobHeld(*this, paramIdx)))
    lastSent[field] = 128;

  if (value == lastSent[field]) return;

  bool sent = false;
  if (Graphics()) {
    if (field < kProgramFieldCount && !applyingProgram) {
      SendParamNrpn(field, value);
      sent = true;
      undoSnapshot[field] = value;
      if (!programEdited) {
        programEdited = true;
        ShowProgramName();
      }
    }
    if (HasNumericReadout(field) && readoutControls[field]) {
      char text[16];
      snprintf(text, sizeof text, "%d", value);
      readoutControls[field]->SetTextFromPlug(text);
    }
    if (field >= vq_param::kGroupFirst && field < vq_param::kGroupFirst + vq_param::kGroupCount)
      selectedGroups += ParamValue(paramIdx) > 0.5 ? 1 : -1;
  }

  if (sent) lastField = field;
  const bool alwaysProcess = (field >= 239 && field <= 246) ||
                             (field >= vq_param::kListPageFirst && field <= vq_param::kListPageFirst + 3) ||
                             field == vq_param::kEqDisplay;
  lastSent[field] = alwaysProcess ? 128 : value;
  idlePolls = 0;
}
