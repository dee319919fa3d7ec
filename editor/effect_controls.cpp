// The effects section of the synth page (one effect block shown at a time, the chain order),
// the equalizer's two views with the curve turned back into band parameters, the copy panel
// and the MIDI panel's internal / external switch.
#include <cmath>
#include <cstdio>

#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "protocol/eq_mapping.h"

namespace {

constexpr int kShowOverdrive = vq_param::kShowFxOverdrive,
              kShowEqualizer = vq_param::kShowFxEqualizer, kShowChorus = vq_param::kShowFxChorus,
              kShowDelay = vq_param::kShowFxDelay;

}  // namespace

DispatchExit VQEditor::EffectControlCase(int paramIdx, int32_t value) {
  IGraphics* g = Graphics();
  const double raw = ParamValue(paramIdx);

  // The fifteen modulation/delay fields of the vintage block.
  auto hideModulationBlock = [&](bool hide) {
    for (int field = vq_param::FieldOf(vq_param::kModBlendInstrument);
         field <= vq_param::FieldOf(vq_param::kFeedbackDamping); ++field) {
      if (hide) {
        HighlightFlexiDestinations(field, true);
        if (g) g->HideControlsOfParam(field + kFieldParamOffset, true);
      } else if (!HighlightFlexiDestinations(field, false) && g) {
        g->HideControlsOfParam(field + kFieldParamOffset, false);
      }
      HideReadout(field, hide);
    }
  };
  auto showModIndicators = [this](bool vintage, bool longDelay) {
    ShowOnPage([vintage, longDelay](VQEditorPages& p) {
      p.ShowEffectIndicator(VQEditorPages::kVintageModOn, vintage);
      p.ShowEffectIndicator(VQEditorPages::kLongDelayModOn, longDelay);
    });
  };
  auto showView = [&](int shown) {
    for (int p : {kShowEqualizer, kShowOverdrive, kShowChorus, kShowDelay})
      if (p != shown) SetParam(p, 0);
    SetParam(shown, 1);
  };

  switch (paramIdx) {
    case vq_param::kFxOverdriveBlock:  // overdrive block
      ShowOverdriveControls(false);
      ShowOnPage([](VQEditorPages& p) { p.ShowEffectBlockFrame(false); });
      hideModulationBlock(true);
      ShowEqualizerSection(true);
      ShowEqBandControls(true);
      showView(kShowOverdrive);
      RedrawIfNotApplying();
      return DispatchExit::kNormal;

    case vq_param::kFxEqualizerBlock:  // equalizer block
      ShowOverdriveControls(true);
      ShowOnPage([](VQEditorPages& p) { p.ShowEffectBlockFrame(false); });
      hideModulationBlock(true);
      if (mEqualizerMode)
        ShowEqBandControls(false);
      else
        UpdateEqDisplay();
      showView(kShowEqualizer);
      RedrawIfNotApplying();
      return DispatchExit::kNormal;

    case vq_param::kFxVintageModulationBlock:  // vintage modulation block
    case vq_param::kFxLongDelayBlock: {        // long delay
      const bool longDelay = paramIdx == vq_param::kFxLongDelayBlock;
      const bool wasApplying = mApplyingProgram;
      mApplyingProgram = true;
      ShowOverdriveControls(true);
      ShowOnPage([](VQEditorPages& p) { p.ShowEffectBlockFrame(true); });
      hideModulationBlock(false);
      ShowEqualizerSection(true);
      ShowEqBandControls(true);
      showView(longDelay ? kShowDelay : kShowChorus);
      const bool modOn = ParamInt(vq_param::kModOnOff) == 1;
      showModIndicators(modOn && !longDelay, modOn && longDelay);

      // Each block has its own delay model; switching the model clears both delay times and
      // re-sends the program.
      bool modelChanged = false;
      if (!longDelay && ParamInt(vq_param::kDelayVintageLong) > 0) {
        SetParameterFromGUI(vq_param::kDelayVintageLong, 0.0);
        SetupFlexiRangesFx(0);
        modelChanged = true;
      } else if (longDelay && ParamInt(vq_param::kDelayVintageLong) == 0) {
        SetParameterFromGUI(vq_param::kDelayVintageLong, 1.0);
        const int sync = ParamInt(vq_param::kMidiSync);
        SetupFlexiRangesFx(sync == 3 ? 2 : sync == 2 ? 1 : 0);
        modelChanged = true;
      }
      if (modelChanged) {
        mLastSent[vq_param::FieldOf(vq_param::kDelay1)] =
            mLastSent[vq_param::FieldOf(vq_param::kDelay2)] = 128;
        SetParam(vq_param::kDelay1, 0);
        SetParam(vq_param::kDelay2, 0);
        PackParamsToRecord();
        SendProgramNrpn();
      }
      mApplyingProgram = wasApplying;
      // The user's switch changed the program: an undo step of its own, marked edited.
      if (modelChanged && !wasApplying) {
        mHistory.SetKey(-1);
        RecordUndoStep();
      }
      RedrawParamControls();
      return modelChanged ? DispatchExit::kWholeProgramSent : DispatchExit::kNormal;
    }

    case vq_param::kEffectsChainOrder: {  // effects chain order
      if (value != 0 && value != 1) return DispatchExit::kNormal;
      // Rounded as every control's box is at this size: the tabs stay in line with the others.
      const double s =
          GetGUIResize() ? GetGUIResize()->GetGuiScale() : (g ? g->GetWidth() : kGuiWidth) / 1140.0;
      const int y = IModuleGUIResize::ScaleCoord(mSkinMode == 2 ? 562 : 565, s);
      const int x1 = IModuleGUIResize::ScaleCoord(523, s),
                x2 = IModuleGUIResize::ScaleCoord(618, s);
      const int eqX = value == 1 ? x1 : x2, odX = value == 1 ? x2 : x1;
      if (g) {
        g->MoveControlsOfParam(kShowEqualizer, eqX, y);
        g->MoveControlsOfParam(vq_param::kFxEqualizerBlock, eqX, y);
        g->MoveControlsOfParam(kShowOverdrive, odX, y);
        g->MoveControlsOfParam(vq_param::kFxOverdriveBlock, odX, y);
      }
      if (mPages) mPages->MoveEffectIndicators(eqX, odX, y);
      return DispatchExit::kNormal;
    }

    case vq_param::kModOnOff:  // Mod ON/OFF
      if (value == 0 || value == 1) {
        const bool longDelay = ParamInt(vq_param::kDelayVintageLong) != 0;
        showModIndicators(value == 1 && !longDelay, value == 1 && longDelay);
      }
      return DispatchExit::kNormal;

    case vq_param::kOverdriveOnOff:
    case vq_param::kEqualizerOnOff:
      if (value == 0 || value == 1)
        ShowOnPage([which = paramIdx == vq_param::kOverdriveOnOff ? VQEditorPages::kOverdriveOn
                                                                  : VQEditorPages::kEqualizerOn,
                    value](VQEditorPages& p) { p.ShowEffectIndicator(which, value != 0); });
      return DispatchExit::kNormal;

    case vq_param::k4BandParametricEqualizer:  // parametric view: the band knobs
      mEqualizerMode = true;
      ShowEqualizerSection(true);
      ShowEqBandControls(false);
      return DispatchExit::kNormal;

    case vq_param::k4BandParagraphicEqualizer:  // paragraphic view: the curve, which cannot show a
                                                // modulated band
      if (mFlexiPick.AimsAtEqualizer()) return DispatchExit::kLeaveEarly;
      UpdateEqDisplay();
      mEqualizerMode = false;
      return DispatchExit::kNormal;

    case vq_param::kPGEq: {  // a band of the curve dragged
      if (mFlexiPick.Active()) return DispatchExit::kLeaveEarly;
      if (value < 0 || value > 3) return DispatchExit::kNormal;
      // The display's value names the band dragged; the reader gives its position and limits.
      EqBand band;
      band.index = value;
      if (!mPages || !mPages->ReadEqBand(band)) return DispatchExit::kNormal;
      band.index = value;
      mHistory.SetSuspended(true);
      const int32_t rememberedKey = mHistory.Key();
      for (const EqParamValue& pv : EqBandToParams(band))
        if (pv.param >= 0) SetParam(pv.param, pv.value);
      RedrawIfNotApplying();
      // One undo step per band, however long the drag: keyed against the key from before the
      // band's own parameter changes.
      mHistory.SetSuspended(false);
      mHistory.SetKey(rememberedKey);
      RecordKeyedUndoStep(band.index + 1000);
      return DispatchExit::kNormal;
    }

    case vq_param::kCopyPanelVco:
      if (raw > 0.5) {
        ShowOnPage([](VQEditorPages& p) { p.ShowCopyPanel(true); });
        mCopyPanelVco = true;
      }
      return DispatchExit::kNormal;
    case vq_param::kCopyPanelFlexi:
      if (raw > 0.5) {
        ShowOnPage([](VQEditorPages& p) { p.ShowCopyPanel(false); });
        mCopyPanelVco = false;
      }
      return DispatchExit::kNormal;

    case vq_param::kIntMidiExtMidi:
      ShowExtMidiPage(raw > 0.5);  // 1 shows the external page
      return DispatchExit::kNormal;
    // A whole program carries the external-MIDI fields itself: no triples while it is applied.
    case vq_param::kExtMidiOn:
      ShowExtMidiText(1, value == 0 ? "off" : value == 1 ? "on" : "");
      if (!mApplyingProgram) SendExtMidiNrpn();
      return DispatchExit::kNormal;
    case vq_param::kExtMidiOctaveTranspose: {
      char text[32];
      snprintf(text, sizeof text, "%d Oct.", value - 1);
      ShowExtMidiText(2, text);
      if (!mApplyingProgram) SendExtMidiNrpn();
      return DispatchExit::kNormal;
    }
    case vq_param::kExtMidiPitchbendRange: {
      char text[32];
      snprintf(text, sizeof text, "%d", value);
      ShowExtMidiText(3, text);
      // The pitch-bend range travels in the external-MIDI triple, not as its own NRPN.
      const bool wasApplying = mApplyingProgram;
      const bool changed = ParamInt(vq_param::kPitchBendRange) != value;
      mApplyingProgram = true;
      SetParam(vq_param::kPitchBendRange, value);
      RedrawParamControls();
      mApplyingProgram = wasApplying;
      if (mApplyingProgram) return DispatchExit::kNormal;
      SendExtMidiNrpn();
      // The program's own value changed: a step, and the mark.
      if (changed && Graphics() && !mHistory.Suspended()) {
        RecordKeyedUndoStep(static_cast<int8_t>(
            ProgramFieldTable::Lsb(vq_param::FieldOf(vq_param::kPitchBendRange))));
        MarkProgramEdited();
      }
      return DispatchExit::kNormal;
    }
    default:
      return DispatchExit::kNormal;
  }
}
