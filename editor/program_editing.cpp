// Whole-program edits (copy, randomise, group initialise) and the undo history.
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "plugin/iparam.h"
#include "protocol/name_tables.h"
#include "protocol/program_codec.h"

namespace {

using FieldRange = std::pair<int, int>;  // inclusive

// Fields each group switch (278 + g) touches when randomising and when initialising.
const std::vector<FieldRange> kRandomGroups[vq_param::kGroupCount] = {
    {{0, 11}},
    {{12, 23}},
    {{24, 35}},
    {{36, 47}},
    {{70, 84}},
    {{59, 69}, {91, 94}},
    {{48, 58}},
    {{129, 169}},
    {{95, 101}, {171, 172}},
    {{102, 108}, {173, 174}},
    {{109, 115}, {175, 176}},
    {{116, 122}, {177, 178}},
};
const std::vector<FieldRange> kInitGroups[vq_param::kGroupCount] = {
    {{0, 11}},  {{12, 23}},   {{24, 35}},  {{36, 47}},   {{70, 84}, {88, 88}}, {{59, 69}, {91, 94}},
    {{48, 58}}, {{129, 169}}, {{95, 101}}, {{102, 108}}, {{109, 115}},         {{116, 122}},
};
constexpr int kEffectGroup = 7;      // switch 285
constexpr int kFirstFlexiGroup = 8;  // switches 286..289

void CopyRanges(ProgramRecord& to, const ProgramRecord& from,
                const std::vector<FieldRange>& ranges) {
  for (const FieldRange& r : ranges)
    for (int f = r.first; f <= r.second; ++f) to[f] = from[f];
}

// Copies slot `source`'s fields onto every slot whose copy-destination switch is on; slot n holds
// the `width` fields from first + width * n. Reads the slots from a copy, so no slot is copied
// after it was overwritten. False (the record untouched) when no source switch is on; the last
// one on counts.
bool CopyChosenSlot(const VQEditor& editor, ProgramRecord& program, int first, int width) {
  int source = -1;
  for (int k = 0; k < 4; ++k)
    if (editor.ParamValue(vq_param::kCopySource1 + k) > 0.5) source = k;
  if (source < 0) return false;
  ProgramRecord copy = program;
  for (int j = 0; j < 4; ++j) {
    if (editor.ParamValue(vq_param::kCopyDest1 + j) <= 0.5) continue;
    for (int i = 0; i < width; ++i)
      copy[first + width * j + i] = program[first + width * source + i];
  }
  program = copy;
  return true;
}

}  // namespace

bool VQEditor::GroupSwitchOn(int group) const {
  return ParamValue(vq_param::kVco1 + group) > 0.5;
}

// --- Undo history ---

void VQEditor::TakeUndoSnapshot() {
  UTL_MutexLock lock(mMutex);
  FillUndoSnapshot(mHistory.Snapshot(), Reader(), mFlexiPick.Destinations().data());
}

UndoLabel VQEditor::ProgramLabel() const {
  return {mProgramName, mProgramEdited, mProgramWithoutFile, mProgramFile, mProgramIdentity};
}

void VQEditor::MarkProgramEdited() {
  mEditsReleased = false;
  const bool dropped = DropLoadAfterSave();
  if (mProgramEdited && !dropped) return;
  mProgramEdited = true;
  ShowProgramName();
}

void VQEditor::RecordUndoStep() {
  TakeUndoSnapshot();
  UndoLabel label = ProgramLabel();
  label.edited = true;
  mHistory.AppendSnapshot(std::move(label));
  MarkProgramEdited();
}

void VQEditor::RecordKeyedUndoStep(int32_t key) {
  if (mParamChange.depth > 0) {
    mParamChange.stepKey = key;
    mParamChange.stepChanges = mHistory.Changes();
    return;
  }
  TakeUndoSnapshot();
  UndoLabel label = ProgramLabel();
  label.edited = true;
  mHistory.MergeSnapshot(key, std::move(label));
}

void VQEditor::BeginParamChange(int paramIdx) {
  if (mParamChange.depth++ > 0) return;
  const int field = paramIdx - kFieldParamOffset;
  if (field >= 0 && field < kProgramFieldCount)
    mParamChange.ownKey = static_cast<int8_t>(ProgramFieldTable::Lsb(field));
}

void VQEditor::EndParamChange() {
  if (--mParamChange.depth > 0) return;
  const ParamChange change = std::exchange(mParamChange, {});
  // A whole-program step taken after the due one holds its values already.
  if (!change.stepKey || mHistory.Changes() != change.stepChanges) return;
  RecordKeyedUndoStep(change.ownKey.value_or(*change.stepKey));
}

void VQEditor::ResetUndoHistory() {
  mHistory.Clear();
}

void VQEditor::Undo() {
  UTL_MutexLock lock(mMutex);
  if (mManagerPageShown || !mHistory.StepBack()) return;
  DropLoadAfterSave();
  RestoreUndoSnapshot();
  ApplyUndoLabel();
}

void VQEditor::Redo() {
  UTL_MutexLock lock(mMutex);
  if (mManagerPageShown || !mHistory.StepForward()) return;
  DropLoadAfterSave();
  RestoreUndoSnapshot();
  ApplyUndoLabel();
}

void VQEditor::ApplyUndoLabel() {
  if (!Graphics() || mHistory.Cursor() < 0) return;
  const UndoLabel& label = mHistory.CurrentLabel();
  // A step recorded before the program was named keeps the name on screen.
  if (!label.name.empty()) {
    mProgramName = label.name;
    mProgramEdited = label.edited;
    mProgramWithoutFile = label.withoutFile;
    mProgramFile = label.file;
    mProgramIdentity = label.program;
  }
  ShowProgramName();
}

void VQEditor::RestoreUndoSnapshot() {
  UTL_MutexLock lock(mMutex);
  const int32_t cursor = mHistory.Cursor();
  if (!Graphics() || cursor < 0 || cursor >= static_cast<int32_t>(mHistory.Entries().size()))
    return;
  mRecord = mHistory.Current();
  // The snapshot keeps "Delay Vintage/Long" alone in field 123: the external-MIDI switch and
  // the octave transpose are no part of it and stay as they are.
  mRecord[123] = (mRecord[123] & 1) | (ParamInt(vq_param::kExtMidiOn) & 1) << 1 |
                 (ParamInt(vq_param::kExtMidiOctaveTranspose) & 3) << 2;
  ResetFlexiSlotMarkers();
  mApplyingProgram = true;
  mLastField = kNoFieldSent;
  ApplyRecordToParams();
  mLastSent[42] = 128;
  SetParam(vq_param::kVco4PwmLfoFrq, mRecord[42]);
  SetParam(vq_param::kDelay1, mRecord[135]);
  SetParam(vq_param::kDelay2, mRecord[139]);
  if (mPages && mPages->IsEqualizerShown(*this)) UpdateEqDisplay();
  mApplyingProgram = false;
  RedrawParamControls();
  SendProgramNrpn();
  mLastField = kNoFieldSent;
}

// --- Copy ---

void VQEditor::CopyVcoSettings() {
  UTL_MutexLock lock(mMutex);
  PackParamsToRecord();
  if (!CopyChosenSlot(*this, mRecord, 0, 12)) return;
  mHistory.SetSuspended(true);
  mLastField = kNoFieldSent;
  for (int f = 0; f <= 47; ++f) mLastSent[f] = 128;
  for (int f = 0; f <= 47; ++f) SetParam(f + kFieldParamOffset, mRecord[f]);
  mLastField = kNoFieldSent;
  FinishWholeProgramEdit(true);
}

void VQEditor::CopyFlexiSettings() {
  UTL_MutexLock lock(mMutex);
  PackParamsToRecord();
  if (!CopyChosenSlot(*this, mRecord, kFlexiFirstField, kFlexiSlotFields)) return;
  mHistory.SetSuspended(true);
  mLastField = kNoFieldSent;
  for (int f = 0; f < kProgramFieldCount; ++f) mLastSent[f] = 128;
  for (int n = 0; n < kFlexiSlotCount; ++n) ApplyFlexiSlot(n, false);
  mLastField = kNoFieldSent;
  FinishWholeProgramEdit(true);
}

// End of the copy operations: the next single change opens a new undo step.
void VQEditor::FinishWholeProgramEdit(bool redraw) {
  if (redraw) RedrawIfNotApplying();
  mHistory.SetKey(-1);
  mHistory.SetSuspended(false);
  RecordUndoStep();
}

void VQEditor::FinishProgramApply() {
  mApplyingProgram = false;
  mLastField = kNoFieldSent;
  RedrawParamControls();
  SendProgramNrpn();
  mLastField = kNoFieldSent;
}

void VQEditor::UpdateSkinEqDisplay() {
  if (mSkinMode == 2)
    UpdateEqDisplayLcd();
  else
    UpdateEqDisplay();
}

// --- Randomise ---

void VQEditor::RandomizeRecord(ProgramRecord& random) const {
  // Each value is drawn inside the range in force for its parameter (the LFO and delays follow
  // "MIDI Sync"; the cutoff is the one of the filter model just drawn), so what is sent, shown
  // and saved agree.
  for (int i = 0; i < kProgramFieldCount; ++i) {
    int32_t min = ProgramFieldTable::Min(i), max = ProgramFieldTable::Max(i);
    if (i == 76 && random[75] != 0) {
      min = ProgramFieldTable::Min(183);
      max = ProgramFieldTable::Max(183);
    } else if (const IParam* p = i < vq_param::kFirstGuiOnly - kFieldParamOffset
                                     ? GetParam(i + kFieldParamOffset)
                                     : nullptr) {
      min = std::max(min, static_cast<int32_t>(p->GetMin()));
      max = std::min(max, static_cast<int32_t>(p->GetMax()));
    }
    random[i] = min + (rand() % (max - min + 1));
  }
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    const int b = kFlexiFirstField + kFlexiSlotFields * n;
    random[b] = kFlexiSourceNames[rand() % 18].code;
    random[b + 5] = kRangeControlNames[rand() % 6].code;
  }
  // The routing of each slot stays as it is: only sources and range controls are drawn.
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    const int b = kFlexiFirstField + kFlexiSlotFields * n;
    for (int f = b + 1; f <= b + 4; ++f) random[f] = mRecord[f];
  }
}

void VQEditor::RandomizeGroups() {
  UTL_MutexLock lock(mMutex);
  if (!Graphics()) return;
  PackParamsToRecord();
  ProgramRecord random;
  RandomizeRecord(random);
  for (int g = 0; g < vq_param::kGroupCount; ++g)
    if (GroupSwitchOn(g)) CopyRanges(mRecord, random, kRandomGroups[g]);

  mApplyingProgram = true;
  for (int f = 0; f < kProgramFieldCount; ++f) mLastSent[f] = 128;
  ApplyFieldsUpToPortamento();
  for (int n = 0; n < kFlexiSlotCount; ++n) ApplyFlexiSlot(n, false);
  ApplyEffectFields();
  if (mPages && mPages->IsEqualizerShown(*this)) UpdateSkinEqDisplay();
  mApplyingProgram = false;
  RedrawParamControls();  // the knobs were set while applying, which draws nothing
  mLastField = kNoFieldSent;
  // The device gets the program as the controls now hold it.
  PackParamsToRecord();
  SendProgramNrpn();
  mLastField = kNoFieldSent;
  RecordUndoStep();
}

// --- Group initialise ---

void VQEditor::InitGroups() {
  UTL_MutexLock lock(mMutex);
  bool all = true;
  for (int g = 0; g < vq_param::kGroupCount; ++g) all = all && GroupSwitchOn(g);
  if (all) {
    InitAllGroups();
    return;
  }
  mGroupInitCopy = ProgramFieldTable::kGroupInit;
  PackParamsToRecord();
  for (int g = 0; g < vq_param::kGroupCount; ++g)
    if (GroupSwitchOn(g)) CopyRanges(mRecord, mGroupInitCopy, kInitGroups[g]);

  mApplyingProgram = true;
  ApplyFieldsUpToPortamento();
  for (int n = 0; n < kFlexiSlotCount; ++n) ApplyFlexiSlot(n, false);
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    if (!GroupSwitchOn(kFirstFlexiGroup + n)) continue;
    mFlexiPick.Destinations()[n] = -1;
    ShowFlexiLearnCaption(n, "LEARN");
    if (mPages) mPages->HideFlexiDestinationHighlight(*this, n, true);
  }
  if (GroupSwitchOn(kEffectGroup)) {
    for (int f = 128; f <= 143; ++f) SetParam(f + kFieldParamOffset, mRecord[f]);
    SetParam(vq_param::kOverdriveOnOff, 0);
    SetParam(vq_param::kEqualizerOnOff, 0);
    SetParam(vq_param::kOdBlendInstrument, mRecord[144] & 1);
    SetParam(vq_param::kOdBlendVcf, (mRecord[144] >> 1) & 1);
    SetParam(vq_param::kDrive, mRecord[145]);
    SetParam(vq_param::kLevel, mRecord[146]);
    SetParam(vq_param::kEqBlendInstrument, mRecord[157] & 1);
    SetParam(vq_param::kEqBlendVcf, (mRecord[157] >> 1) & 1);
    for (int f = 158; f <= 169; ++f) SetParam(f + kFieldParamOffset, mRecord[f]);
  }
  UpdateSkinEqDisplay();
  FinishProgramApply();
  RecordUndoStep();
}

void VQEditor::InitAllGroups() {
  UTL_MutexLock lock(mMutex);
  mGroupInitCopy = ProgramFieldTable::kGroupInit;
  mRecord = mGroupInitCopy;
  mApplyingProgram = true;
  ApplyRecordToParams();
  UpdateSkinEqDisplay();
  FinishProgramApply();
  RecordUndoStep();
}
