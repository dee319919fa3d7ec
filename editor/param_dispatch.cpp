// The common path of every parameter change: a program field goes out as one NRPN message with
// its undo step, the edited marker and its read-out; MIDI learn is armed and completed here;
// then the case of the parameter runs, and the bookkeeping on leaving decides what the next
// change repeats. FLEXI cases live in flexi_controls.cpp, the effect views in
// effect_controls.cpp, program file and manager cases behind ParamCases().
#include <cstdio>
#include <initializer_list>
#include <string>

#include "editor/value_readouts.h"
#include "editor/vq_editor.h"
#include "graphics/igraphics.h"

namespace {

bool IsProgramControl(int p) {
  return (p >= vq_param::kLoadFileChosen && p <= vq_param::kAllGroupsOff) ||
         (p >= vq_param::kCopySource1 && p <= vq_param::kCopySource4) ||
         p == vq_param::kRequestProgram;
}

}  // namespace

void VQEditor::OnParamChange(int paramIdx) {
  UTL_MutexLock lock(mMutex);
  // Ended before the lock is let go: the change's undo step holds all it set.
  struct ChangeScope {
    VQEditor& editor;
    ~ChangeScope() { editor.EndParamChange(); }
  };
  BeginParamChange(paramIdx);
  const ChangeScope scope{*this};
  if (mManagerPageShown && paramIdx >= vq_param::kManagerLocalBrowser &&
      paramIdx <= vq_param::kManagerRememberLogin && mParamCases &&
      !mParamCases->ManagerPageCase(*this, paramIdx))
    return;

  const int field = paramIdx < vq_param::kFirstGuiOnly ? paramIdx - kFieldParamOffset : paramIdx;
  if (field < 0 || field >= vq_param::kCount) return;
  const int32_t value = ParamInt(paramIdx);

  // A pick or a learn takes the knob the user touches, never the fields of a program being
  // applied while one is armed.
  if (mFlexiPick.Active() && !mApplyingProgram && !FlexiPickPath(field)) return;
  const bool learnt =
      field < ProgramFieldTable::kLearnEntryCount && !mApplyingProgram && LearnStep(field, value);

  // "MIDI Sync" and the external program change act on the release of their knob, even when
  // the value did not change.
  if ((field == vq_param::FieldOf(vq_param::kMidiSync) ||
       field == vq_param::FieldOf(vq_param::kExtMidiProgramChange)) &&
      !mApplyingProgram && !(mPages && mPages->IsKnobHeld(*this, paramIdx)))
    mLastSent[field] = 128;

  // The Mod. Wheel goes out on every call, before the unchanged-value test.
  if (field == vq_param::kModWheel) SendModWheel(value);

  if (value == mLastSent[field]) {
    if (learnt) FinishLearnStep(field);
    return;
  }

  bool sent = false;
  if (Graphics()) {
    if (field < kProgramFieldCount && !mApplyingProgram) {
      SendParamNrpn(field, value);
      sent = true;
      mHistory.Snapshot()[field] = value;
      MarkProgramEdited();
    }
    if (HasNumericReadout(field)) {
      char text[16];
      snprintf(text, sizeof text, "%d", value);
      ShowReadout(field, text);
    }
    if (field >= vq_param::kVco1 && field < vq_param::kVco1 + vq_param::kGroupCount)
      mSelectedGroups += ParamValue(paramIdx) > 0.5 ? 1 : -1;
  }
  // After the edited marker, which would cover what the learn says.
  if (learnt) FinishLearnStep(field);

  const DispatchExit exit = RunParamCase(paramIdx, field, value);
  if (exit == DispatchExit::kLeaveEarly) return;

  if (sent) mLastField = field;
  if (exit == DispatchExit::kWholeProgramSent) mLastField = kNoFieldSent;
  const bool alwaysProcess =
      (field >= vq_param::kFlexi1LearnDestination && field <= vq_param::kFlexi4ClearDestination) ||
      (field >= vq_param::kListPage1 && field <= vq_param::kListPage1 + 3) ||
      field == vq_param::kPGEq ||
      // The file buttons' releases go to the panels they open: each press counts.
      field == vq_param::kLoadButton || field == vq_param::kSaveButton ||
      field == vq_param::kSendButton || field == vq_param::kFolderButton;
  mLastSent[field] = alwaysProcess ? 128 : value;
  mLink.SetIdlePolls(0);
}

bool VQEditor::LearnStep(int field, int32_t value) {
  bool done = false;
  if (mLearn.LearnField(field, value)) {
    SetParameterFromGUI2(vq_param::kLearn, 0.0);
    RedrawIfNotApplying();
    done = true;
  }
  if (mLearn.UnlearnField(field)) {
    SetParameterFromGUI2(vq_param::kUnlearn, 0.0);
    RedrawIfNotApplying();
    done = true;
  }
  return done;
}

void VQEditor::SendModWheel(int32_t value) {
  if (mPages && mPages->TakeModWheelChanged()) {
    // A click on the value: the user types it instead.
    mPages->PromptModWheelEntry(*this);
    return;
  }
  const int channel = ParamInt(vq_param::kMidiChannel) & 0x0F;
  const int controller = ParamInt(vq_param::kMidiCc);
  const uint8_t data = static_cast<uint8_t>(value & 0x7F);
  IMidiMessage msg = controller > 0
                         ? IMidiMessage(0, static_cast<uint8_t>(0xB0 + channel),
                                        static_cast<uint8_t>(controller & 0x7F), data)
                         : IMidiMessage(0, static_cast<uint8_t>(0xD0 + channel), data, 0);
  SendMidiMsg(&msg);
}

// Texts of the read-outs that are more than the value; written after the "%d" of the common
// path, also while a whole program is applied.
void VQEditor::WriteDispatcherReadout(int paramIdx, int field, int32_t value) {
  if (const auto own = ParamReadoutText(paramIdx, value); own && field < kProgramFieldCount)
    ShowReadout(field, own->c_str());
  char text[32];
  switch (paramIdx) {
    case vq_param::kVco4PwmLfoFrq:
    case vq_param::kVoice2Transposition:
    case vq_param::kVoice3Transposition:
    case vq_param::kVcfType:
    case vq_param::kVcfSlope:
    case vq_param::kPortamentoSlope:
    case vq_param::kTrigGateMode:
    case vq_param::kKeyPriority:
    case vq_param::kLfoFrequency:
    case vq_param::kLfoAFrq:
    case vq_param::kLfoBFrq:
    case vq_param::kDelay1:
    case vq_param::kDelay2:
      FormatParamValueText(field, value);
      break;
    case vq_param::kEnvelopeMode:
      if (IGraphics* g = Graphics())
        for (int p : {vq_param::kVcaDecayTime, vq_param::kVcaSustainLevel,
                      vq_param::kVcfSustainLevel, vq_param::kVcfReleaseTime})
          g->GrayOutControlsOfParam(p, value == 0);
      break;
    case vq_param::kNoiseDecayTime:
      ShowReadout(vq_param::FieldOf(vq_param::kInstrumentVolume73), "off");
      break;
    case vq_param::kMidiSync:
    case vq_param::kDelayVintageLong:
      ShowClockReadouts();
      break;
    case vq_param::kExtMidiProgramChange:
      snprintf(text, sizeof text, "%d", value);
      ShowExtMidiText(0, text);
      break;
    case vq_param::kFlexi1RangeControlPolarity:
    case vq_param::kFlexi2RangeControlPolarity:
    case vq_param::kFlexi3RangeControlPolarity:
    case vq_param::kFlexi4RangeControlPolarity:
      ShowOnPage([slot = (paramIdx - vq_param::kFlexi1RangeControlPolarity) / 2, value](
                     VQEditorPages& p) { p.ShowFlexiPolarity(slot, value <= 0 ? "(+)" : "(-)"); });
      break;
    default:
      break;
  }
}

DispatchExit VQEditor::RunParamCase(int paramIdx, int field, int32_t value) {
  if (Graphics()) WriteDispatcherReadout(paramIdx, field, value);

  if (paramIdx >= vq_param::kFlexi1RangeA && paramIdx <= vq_param::kListPage4)
    return FlexiControlCase(paramIdx, value);
  if (paramIdx == vq_param::kCloseListView) return FlexiControlCase(paramIdx, value);
  if (IsProgramControl(paramIdx))
    return mParamCases ? mParamCases->ProgramControlCase(*this, paramIdx, value)
                       : DispatchExit::kNormal;

  switch (paramIdx) {
    case vq_param::kVcfVintageNew:
      FilterModelChanged(value);
      return DispatchExit::kNormal;
    case vq_param::kMidiSync: {
      // The LFO and delay ranges follow the clock choice at once; the program is re-sent when
      // the knob is let go (or the value was set by the editor).
      const bool delayLong = ParamInt(vq_param::kDelayVintageLong) != 0;
      switch (value) {
        case 0:
          SetupFlexiRanges(false);
          SetupFlexiRangesFx(0);
          break;
        case 1:
          SetupFlexiRanges(true);
          SetupFlexiRangesFx(0);
          break;
        case 2:
        case 3:
          if (delayLong) {
            SetupFlexiRangesFx(value == 2 ? 1 : 2);
            SetupFlexiRanges(false);
          }
          break;
        default:
          break;
      }
      if (mApplyingProgram || (mPages && mPages->IsKnobHeld(*this, vq_param::kMidiSync)))
        return DispatchExit::kNormal;
      mApplyingProgram = true;
      mLastSent[vq_param::FieldOf(vq_param::kVco4PwmLfoFrq)] =
          mLastSent[vq_param::FieldOf(vq_param::kDelay1)] =
              mLastSent[vq_param::FieldOf(vq_param::kDelay2)] = 128;
      SetParameterFromGUI2(vq_param::kVco4PwmLfoFrq, 1);
      SetParameterFromGUI2(vq_param::kDelay1, 0);
      SetParameterFromGUI2(vq_param::kDelay2, 0);
      PackParamsToRecord();
      SendProgramNrpn();
      mApplyingProgram = false;
      RedrawParamControls();
      return DispatchExit::kWholeProgramSent;
    }
    case vq_param::kExtMidiProgramChange:
      if (!mApplyingProgram &&
          !(mPages && mPages->IsKnobHeld(*this, vq_param::kExtMidiProgramChange)))
        SendExtMidiNrpn();
      return DispatchExit::kNormal;
    case vq_param::kLearn:
      if (ParamValue(vq_param::kLearn) > 0.5) {
        mLearn.SetLearnMode(true);
        mLearn.SetLastCC(-1);
        // A new learn waits for a new target: an earlier one must not take the controller.
        mLearn.SetTarget(-1);
      } else {
        mLearn.SetLearnMode(false);
      }
      return DispatchExit::kNormal;
    case vq_param::kUnlearn:
      mLearn.SetUnlearnMode(ParamValue(vq_param::kUnlearn) > 0.5);
      return DispatchExit::kNormal;
    case vq_param::kLearnIndicator:
      if (ParamValue(vq_param::kLearnIndicator) > 0.5) mLearn.SetNoMatch(true);
      return DispatchExit::kNormal;
    case vq_param::kMidiChannel:
      mKeyboardChannel = value < 0 ? 0 : value > 15 ? 15 : value;
      return DispatchExit::kNormal;
    default:
      return EffectControlCase(paramIdx, value);
  }
}
