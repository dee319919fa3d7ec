// The common path of every parameter change: a program field goes out as one NRPN message with
// its undo step, the edited marker and its read-out; MIDI learn is armed and completed here;
// then the case of the parameter runs, and the bookkeeping on leaving decides what the next
// change repeats. FLEXI cases live in flexi_controls.cpp, the effect views in
// effect_controls.cpp, program file and manager cases behind `paramCases`.
#include <cstdio>
#include <initializer_list>
#include <string>

#include "editor/value_readouts.h"
#include "editor/vq_editor.h"
#include "graphics/igraphics.h"

namespace {

constexpr int kLearnSwitch = 297;
constexpr int kUnlearnSwitch = 298;

const char* Word(int32_t v, std::initializer_list<const char*> words) {
  if (v < 0 || v >= static_cast<int32_t>(words.size())) return "";
  return words.begin()[v];
}

bool IsProgramControl(int p) {
  return (p >= 201 && p <= 217) || (p >= 270 && p <= 273) || p == 302;
}

}  // namespace

void VQEditor::OnParamChange(int paramIdx) {
  UTL_MutexLock lock(mMutex);
  if (mManagerPageShown && paramIdx >= 313 && paramIdx <= 346 && mParamCases &&
      !mParamCases->ManagerPageCase(*this, paramIdx))
    return;

  const int field = paramIdx < vq_param::kFirstGuiOnly ? paramIdx - kFieldParamOffset : paramIdx;
  if (field < 0 || field >= vq_param::kCount) return;
  const int32_t value = ParamInt(paramIdx);

  // A pick or a learn takes the knob the user touches, never the fields of a program being
  // applied while one is armed.
  if (mFlexiPick.Active() && !mApplyingProgram && !FlexiPickPath(field)) return;
  if (field < ProgramFieldTable::kLearnEntryCount && !mApplyingProgram) LearnStep(field, value);

  // "MIDI Sync" and the external program change act on the release of their knob, even when
  // the value did not change.
  if ((field == 124 || field == 125) && !mApplyingProgram &&
      !(mPages && mPages->IsKnobHeld(*this, paramIdx)))
    mLastSent[field] = 128;

  // The Mod. Wheel goes out on every call, before the unchanged-value test.
  if (field == 349) SendModWheel(value);

  if (value == mLastSent[field]) return;

  bool sent = false;
  if (Graphics()) {
    if (field < kProgramFieldCount && !mApplyingProgram) {
      SendParamNrpn(field, value);
      sent = true;
      mHistory.Snapshot()[field] = value;
      if (!mProgramEdited) {
        mProgramEdited = true;
        ShowProgramName();
      }
    }
    if (HasNumericReadout(field)) {
      char text[16];
      snprintf(text, sizeof text, "%d", value);
      ShowReadout(field, text);
    }
    if (field >= vq_param::kGroupFirst && field < vq_param::kGroupFirst + vq_param::kGroupCount)
      mSelectedGroups += ParamValue(paramIdx) > 0.5 ? 1 : -1;
  }

  const DispatchExit exit = RunParamCase(paramIdx, field, value);
  if (exit == DispatchExit::kLeaveEarly) return;

  if (sent) mLastField = field;
  if (exit == DispatchExit::kWholeProgramSent) mLastField = kNoFieldSent;
  const bool alwaysProcess =
      (field >= 239 && field <= 246) ||
      (field >= vq_param::kListPageFirst && field <= vq_param::kListPageFirst + 3) ||
      field == vq_param::kEqDisplay;
  mLastSent[field] = alwaysProcess ? 128 : value;
  mLink.SetIdlePolls(0);
}

void VQEditor::LearnStep(int field, int32_t value) {
  if (mLearn.LearnMode()) {
    mLearn.SetTarget(field);
    mLearn.Max()[field] = value;
    if (mLearn.LastCC() >= 0) {
      mLearn.CC()[field] = mLearn.LastCC();
      mLearn.SetLearnMode(false);
      SetParameterFromGUI2(kLearnSwitch, 0.0);
      RedrawIfNotApplying();
    }
  }
  if (mLearn.UnlearnMode()) {
    mLearn.SetTarget(field);
    mLearn.CC()[field] = -1;
    mLearn.SetUnlearnMode(false);
    SetParameterFromGUI2(kUnlearnSwitch, 0.0);
    RedrawIfNotApplying();
  }
}

void VQEditor::SendModWheel(int32_t value) {
  if (mPages && mPages->TakeModWheelChanged()) {
    // A click on the value: the user types it instead.
    mPages->PromptModWheelEntry(*this);
    return;
  }
  const int channel = ParamInt(vq_param::kKeyboardChannel) & 0x0F;
  const int controller = ParamInt(vq_param::kModWheelCC);
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
  auto own = [&](const char* text) {
    if (field < kProgramFieldCount) ShowReadout(field, text);
  };
  char text[32];
  switch (paramIdx) {
    case 45:
    case 51:
    case 52:
    case 85:
    case 87:
    case 89:
    case 92:
    case 93:
    case 94:
    case 135:
    case 136:
    case 138:
    case 142:
      FormatParamValueText(field, value);
      break;
    case 84:
    case 134:
    case 147:
    case 160:
    case 182:
    case 183:
    case 184:
    case 185:
      own(Word(value, {"off", "on"}));
      break;
    case 58:
      snprintf(text, sizeof text, "%d", value - 64);
      own(text);
      break;
    case 70: {
      own(Word(value, {"vintage", "resume", "reset"}));
      if (IGraphics* g = Graphics())
        for (int p : {63, 64, 68, 69}) g->GrayOutControlsOfParam(p, value == 0);
      break;
    }
    case 72:
      ShowReadout(73 - kFieldParamOffset, "off");
      break;
    case 78:
      own(Word(value, {"vintage", "new"}));
      break;
    case 80:
      if (value == 0) own("off");
      break;
    case 127:
      own(Word(value, {"off", "LFO4", "delay1", "delay1+2"}));
      break;
    case 128:
      snprintf(text, sizeof text, "%d", value);
      ShowExtMidiText(0, text);
      break;
    case 173:
      own(Word(value, {"always", "legato"}));
      break;
    case 175:
    case 177:
    case 179:
    case 181:
      ShowOnPage([slot = (paramIdx - 175) / 2, value](VQEditorPages& p) {
        p.ShowFlexiPolarity(slot, value <= 0 ? "(+)" : "(-)");
      });
      break;
    case 188:
      own(Word(value, {"speed", "accuracy"}));
      break;
    default:
      break;
  }
}

DispatchExit VQEditor::RunParamCase(int paramIdx, int field, int32_t value) {
  if (Graphics()) WriteDispatcherReadout(paramIdx, field, value);

  if (paramIdx >= 231 && paramIdx <= 266) return FlexiControlCase(paramIdx, value);
  if (paramIdx == 300) return FlexiControlCase(paramIdx, value);
  if (IsProgramControl(paramIdx))
    return mParamCases ? mParamCases->ProgramControlCase(*this, paramIdx, value)
                       : DispatchExit::kNormal;

  switch (paramIdx) {
    case 78:
      FilterModelChanged(value);
      return DispatchExit::kNormal;
    case 127: {
      // The LFO and delay ranges follow the clock choice at once; the program is re-sent when
      // the knob is let go (or the value was set by the editor).
      const bool delayLong = ParamInt(126) != 0;
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
      if (mApplyingProgram || (mPages && mPages->IsKnobHeld(*this, 127)))
        return DispatchExit::kNormal;
      mApplyingProgram = true;
      mLastSent[42] = mLastSent[135] = mLastSent[139] = 128;
      SetParameterFromGUI2(45, 1);
      SetParameterFromGUI2(138, 0);
      SetParameterFromGUI2(142, 0);
      PackParamsToRecord();
      SendProgramNrpn();
      mApplyingProgram = false;
      RedrawParamControls();
      return DispatchExit::kWholeProgramSent;
    }
    case 128:
      if (!mApplyingProgram && !(mPages && mPages->IsKnobHeld(*this, 128))) SendExtMidiNrpn();
      return DispatchExit::kNormal;
    case 297:
      if (ParamValue(297) > 0.5) {
        mLearn.SetLearnMode(true);
        mLearn.SetLastCC(-1);
        // A new learn waits for a new target: an earlier one must not take the controller.
        mLearn.SetTarget(-1);
      } else {
        mLearn.SetLearnMode(false);
      }
      return DispatchExit::kNormal;
    case 298:
      mLearn.SetUnlearnMode(ParamValue(298) > 0.5);
      return DispatchExit::kNormal;
    case 299:
      if (ParamValue(299) > 0.5) mLearn.SetNoMatch(true);
      return DispatchExit::kNormal;
    case 347:
      mKeyboardChannel = value < 0 ? 0 : value > 15 ? 15 : value;
      return DispatchExit::kNormal;
    default:
      return EffectControlCase(paramIdx, value);
  }
}
