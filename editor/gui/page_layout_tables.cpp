#include "editor/gui/page_layout_tables.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "editor/param_ids.h"

namespace vq_layout {
namespace {

// ---- Position table, as runs of evenly spaced knobs and single places.
struct PositionRun {
  int first, last, x0, dx, y;
};
constexpr PositionRun kRuns[] = {
    {vq_param::kVco1Coarse, vq_param::kVco1Volume, 25, 40, 88},
    {vq_param::kVco2Coarse, vq_param::kVco2Volume, 25, 40, 245},
    {vq_param::kVco3Coarse, vq_param::kVco3Volume, 25, 40, 402},
    {vq_param::kVco4Coarse, vq_param::kVco4Volume, 25, 40, 559},
    {vq_param::kVoice2Transposition, vq_param::kDistortionTone, 520, 40, 402},
    {vq_param::kInstrumentVolume59, vq_param::kInstrumentVolume59, 1008, 0, 402},
    {vq_param::kVcfVolumeLinear, vq_param::kVcfVolumeLinear, 1044, 0, 402},
    {vq_param::kVcfVolumeLogarithmic, vq_param::kVcfVolumeLogarithmic, 1080, 0, 402},
    {vq_param::kVcaAttackTime, vq_param::kVcfReleaseTime, 560, 40, 245},
    {vq_param::kEnvelopeMode, vq_param::kEnvelopeMode, 520, 0, 245},
    {vq_param::kNoiseAttackTime, vq_param::kNoiseAttackTime, 880, 0, 245},
    {vq_param::kNoiseDecayTime, vq_param::kNoiseDecayTime, 920, 0, 245},
    {vq_param::kInstrumentVolume73, vq_param::kNoiseVolume, 560, 40, 88},
    {vq_param::kVcfVintageNew, vq_param::kVcfVintageNew, 762, 0, 155},
    {vq_param::kVcfCutoffFrequencyVintage, vq_param::kVcfCutoffFrequencyVintage, 800, 0, 88},
    {vq_param::k2ndVcfCutoffFrequency, vq_param::k2ndVcfCutoffFrequency, 840, 0, 88},
    {vq_param::kVcfModulationEnvelopeFollower, vq_param::kVcfModulationEnvelopeFollower, 960, 0,
     88},
    {vq_param::kVcfAccent, vq_param::kVcfAccent, 1040, 0, 88},
    {vq_param::kVcfModulationAdGenerator, vq_param::kVcfModulationAdGenerator, 1000, 0, 88},
    {vq_param::kVcfModulationPitchFollow, vq_param::kVcfModulationPitchFollow, 1080, 0, 88},
    {vq_param::kVcfType, vq_param::kVcfType, 920, 0, 88},
    {vq_param::kVcfQ, vq_param::kVcfQ, 880, 0, 88},
    {vq_param::kVcfSlope, vq_param::kVcfSlope, 762, 0, 205},
    {vq_param::kPortamentoTime, vq_param::kPortamentoTime, 838, 0, 402},
    {vq_param::kPortamentoSlope, vq_param::kPortamentoSlope, 866, 0, 465},
    {vq_param::kPitchBendRange, vq_param::kPitchBendRange, 970, 0, 402},
    {vq_param::kVcoTranspose, vq_param::kVcoTranspose, 520, 0, 88},
    {vq_param::kTrigGateMode, vq_param::kTrigGateMode, 883, 0, 520},
    {vq_param::kKeyPriority, vq_param::kKeyPriority, 936, 0, 505},
    {vq_param::kLfoFrequency, vq_param::kLfoVcoDepth, 960, 40, 245},
    {vq_param::kFlexi1Curve, vq_param::kFlexi1Curve, 559, 0, 8},
    {vq_param::kFlexi2Curve, vq_param::kFlexi2Curve, 727, 0, 8},
    {vq_param::kFlexi3Curve, vq_param::kFlexi3Curve, 895, 0, 8},
    {vq_param::kFlexi4Curve, vq_param::kFlexi4Curve, 1063, 0, 8},
    {vq_param::kMidiSync, vq_param::kMidiSync, 938, 0, 450},
    {vq_param::kEffectsChainOrder, vq_param::kEffectsChainOrder, 906, 0, 565},
    {vq_param::kModBlendInstrument, vq_param::kModBlendInstrument, 560, 0, 559},
    {vq_param::kModBlendVcf, vq_param::kModBlendVcf, 600, 0, 559},
    {vq_param::kModOnOff, vq_param::kModOnOff, 520, 0, 559},
    {vq_param::kLfoAFrq, vq_param::kFeedbackDamping, 640, 40, 559},
    {vq_param::kOverdriveOnOff, vq_param::kOverdriveOnOff, 520, 0, 559},
    {vq_param::kDrive, vq_param::kDrive, 640, 0, 559},
    {vq_param::kLevel, vq_param::kLevel, 680, 0, 559},
    {vq_param::kEqualizerOnOff, vq_param::kEqualizerOnOff, 520, 0, 559},
    {vq_param::kBassFrq, vq_param::kTrebleBoost, 640, 40, 559},
    {vq_param::kPortamentoMode, vq_param::kPortamentoMode, 902, 0, 465},
    {vq_param::kFlexi1Mode, vq_param::kFlexi1Mode, 478, 0, 58},
    {vq_param::kFlexi2Mode, vq_param::kFlexi2Mode, 646, 0, 58},
    {vq_param::kFlexi3Mode, vq_param::kFlexi3Mode, 814, 0, 58},
    {vq_param::kFlexi4Mode, vq_param::kFlexi4Mode, 982, 0, 58},
    {vq_param::kOdBlendInstrument, vq_param::kOdBlendInstrument, 560, 0, 559},
    {vq_param::kOdBlendVcf, vq_param::kOdBlendVcf, 600, 0, 559},
    {vq_param::kEqBlendInstrument, vq_param::kEqBlendInstrument, 560, 0, 559},
    {vq_param::kEqBlendVcf, vq_param::kEqBlendVcf, 600, 0, 559},
    {vq_param::kVcfCutoffFrequencyNew, vq_param::kVcfCutoffFrequencyNew, 800, 0, 88},
};

struct PositionTable {
  Point p[kPositionCount];
  PositionTable() {
    for (const PositionRun& r : kRuns)
      for (int param = r.first; param <= r.last; ++param)
        p[param - kPositionFirstParam] = Point{r.x0 + r.dx * (param - r.first), r.y};
  }
};
const PositionTable& Positions() {
  static const PositionTable table;
  return table;
}

// ---- Images. Frame sizes are ours: the artwork draws them, the controls take them. A knob's
// slider fills its slot from the knob's top (Y - 12) down to its read-out, so a drag of the
// slot's height sweeps the whole range.
const std::vector<ImageSpec> kSynthImages = {
    {102, "background-2x.png", 1, 1140, 800, kInBoth},
    {162, "background2-2x.png", 1, 1140, 800, kInOrig},
    {173, "extmidi_bg-2x.png", 1, 1140, 800, kInBoth},
    {174, "extmidi2_bg-2x.png", 1, 1140, 800, kInOrig},
    {158, "vcosavebg-2x.png", 1, 1140, 800, kInBoth},
    {159, "flexisavebg-2x.png", 1, 1140, 800, kInBoth},
    // Short enough to leave the polarity sign room beside the range control's box.
    {134, "curves-2x.png", 80, 60, 27, kInBoth},
    {135, "vsliderflexired-2x.png", 128, 16, 44, kInBoth, 16, 38},
    {136, "vsliderflexired-2x.png", 128, 16, 44, kInBoth, 16, 38},
    {138, "vsliderflexiblue-2x.png", 128, 16, 44, kInBoth, 16, 38},
    {140, "vsliderflexipurple-2x.png", 128, 16, 44, kInBoth, 16, 38},
    {142, "vsliderflexigreen-2x.png", 128, 16, 44, kInBoth, 16, 38},
    {106, "vslider-2x.png", 128, 32, 44, kInBoth, 32, 38},
    {107, "vslider-2x.png", 128, 32, 44, kInBoth, 32, 38},
    {118, "vslider2-2x.png", 2, 32, 44, kInBoth, 32, 38},
    {143, "vslider3-2x.png", 3, 32, 44, kInBoth, 32, 38},
    {119, "vslider4-2x.png", 4, 32, 44, kInBoth, 32, 38},
    {144, "vslider5-2x.png", 5, 32, 44, kInBoth, 32, 38},
    {145, "vslider6-2x.png", 6, 32, 44, kInBoth, 32, 38},
    {169, "vslidershort4-2x.png", 4, 32, 28, kInBoth},
    // Sliders where a control below leaves only the knob's old height: the effect row above
    // its tabs, GLIDE, BEND RANGE and the external-MIDI knobs above the INT/EXT switch.
    {176, "vslidertight-2x.png", 128, 32, 16, kInBoth, 32, 15},
    {177, "vslider2tight-2x.png", 2, 32, 16, kInBoth, 32, 15},
    {178, "vslider4tight-2x.png", 4, 32, 16, kInBoth, 32, 15},
    // Sliders of values that run from below zero: the fill grows from the zero mark.
    {179, "vsliderbipolar-2x.png", 128, 32, 44, kInBoth, 32, 38},
    // FLEXI range sliders over a short slider.
    {181, "vsliderflexiredtight-2x.png", 128, 16, 16, kInBoth, 16, 15},
    {182, "vsliderflexibluetight-2x.png", 128, 16, 16, kInBoth, 16, 15},
    {183, "vsliderflexipurpletight-2x.png", 128, 16, 16, kInBoth, 16, 15},
    {184, "vsliderflexigreentight-2x.png", 128, 16, 16, kInBoth, 16, 15},
    {133, "bigbutton-2x.png", 2, 24, 16, kInBoth, 20, 12},  // lcd: the two-state switch
    {172, "syncbutton-2x.png", 2, 20, 12, kInBoth},
    {165, "flexi-sw-2x.png", 2, 24, 16, kInLcd},
    {151, "led-2x.png", 2, 20, 12, kInBoth, 24, 16},
    {112, "fxbgmod-2x.png", 1, 1140, 800, kInBoth},
    {113, "fxbgdrive-2x.png", 1, 1140, 800, kInBoth},
    {114, "fxbgeq-2x.png", 1, 1140, 800, kInBoth},
    {132, "fxbgeq2-2x.png", 1, 1140, 800, kInBoth},
    {155, "fxsw-h-2x.png", 1, 95, 20, kInBoth},
    // Between the program name's box and the VCO 1 panel, clear of both.
    {117, "sevenseg-2x.png", 101, 50, 18, kInBoth, 50, 16},
    {147, "fxordersw-2x.png", 2, 100, 20, kInBoth},
    {156, "fleximode-2x.png", 2, 40, 14, kInBoth},
    {146, "fxsw-2x.png", 2, 26, 16, kInOrig},
    {154, "od-sw-2x.png", 2, 95, 20, kInBoth},
    {153, "eq-sw-2x.png", 2, 95, 20, kInBoth},
    {152, "ch-sw-2x.png", 2, 95, 20, kInBoth},
    {170, "dl-sw-2x.png", 2, 95, 20, kInBoth},
    {175, "midi-sw-2x.png", 2, 140, 22, kInBoth},
    // The list pages end above the bottom row (copy panel, keyboard, randomise panel), whose
    // controls stay in front of them.
    {148, "sourcelist-2x.png", 1, 1140, 716, kInBoth, 1140, 717},
    {149, "rangelist-2x.png", 1, 1140, 716, kInBoth, 1140, 717},
    {150, "polarsw2-2x.png", 2, 40, 16, kInBoth},
    {160, "vcosave-sw-2x.png", 2, 44, 26, kInBoth},
    {161, "flexisave-sw-2x.png", 2, 44, 26, kInBoth},
    {125, "copy-2x.png", 2, 48, 24, kInBoth},
    // INIT and the arrows as low as the program number beside them, clear of the name's box and
    // the VCO 1 panel.
    // In the lcd skin two pixels shorter, clear of the header's bezel and the VCO 1 panel's.
    {126, "default-2x.png", 2, 48, 18, kInBoth, 48, 16},
    {127, "random-2x.png", 2, 48, 24, kInBoth},
    {128, "reset-2x.png", 2, 48, 24, kInBoth},
    {129, "selectall-2x.png", 2, 48, 24, kInBoth},
    {130, "clearall-2x.png", 2, 48, 24, kInBoth},
    {131, "checkbox-2x.png", 2, 12, 12, kInBoth},
    {163, "prevbtn-2x.png", 2, 28, 18, kInBoth, 28, 16},
    {164, "nextbtn-2x.png", 2, 28, 18, kInBoth, 28, 16},
    {109, "fopen-2x.png", 1, 40, 16, kInBoth, 55, 17},
    {166, "fload-2x.png", 2, 40, 20, kInBoth, 55, 17},
    {167, "fsave-2x.png", 2, 40, 20, kInBoth, 55, 17},
    {168, "fwriteone-2x.png", 2, 40, 20, kInBoth, 55, 17},
    {116, "fwriteall-2x.png", 2, 50, 20, kInBoth, 55, 17},
    {157, "savefromvq-bg-2x.png", 1, 1140, 800, kInBoth},
    {171, "modwheel-2x.png", 128, 22, 66, kInBoth},
};

const std::vector<ImageSpec> kCommonImages = {
    {103, "about-2x.png", 1, 700, 460, kInOrig},
    {104, "keys-2x.png", 12, 98, 70, kInOrig},
    {105, "bgkb-2x.png", 1, 98, 70, kInOrig},
};

const std::vector<ImageSpec> kManagerImages = {
    {301, "pm-background-2x.png", 1, 1140, 800, 0},
    {302, "pm-selectdisk-2x.png", 2, 58, 26, 0},
    {303, "pm-selectall-2x.png", 2, 100, 26, 0},
    {304, "pm-unselectall-2x.png", 2, 100, 26, 0},
    {305, "pm-uploadtovq-2x.png", 2, 100, 26, 0},
    {306, "pm-downloadfromvq-2x.png", 2, 100, 26, 0},
    {307, "pm-uploadtovqdatabase-2x.png", 2, 100, 26, 0},
    {308, "pm-sendtobank-2x.png", 2, 100, 26, 0},
    {309, "pm-savetodisk-2x.png", 2, 60, 26, 0},
    {310, "pm-new-2x.png", 2, 60, 26, 0},
    {311, "pm-loadfromdisk-2x.png", 2, 100, 26, 0},
    {312, "pm-invertselection-2x.png", 2, 100, 26, 0},
    {313, "pm-program-2x.png", 7, 80, 66, 0},
    {314, "pm-programselect-2x.png", 2, 80, 66, 0},
    {315, "pm-overwrite-2x.png", 2, 100, 26, 0},
    {317, "pm-playnote-2x.png", 2, 20, 20, 0},
    {318, "pm-scrollbar-2x.png", 1, 24, 40, 0},
    {319, "pm-local-2x.png", 2, 130, 26, 0},
    {320, "pm-global-2x.png", 2, 130, 26, 0},
    {321, "pm-login-2x.png", 2, 60, 22, 0},
    {322, "pm-loginbg-2x.png", 1, 660, 104, 0},
    {323, "pm-selectdirbg-2x.png", 1, 660, 104, 0},
    {324, "checkbox-2x.png", 2, 12, 12, 0},
};

const ImageSpec* FindIn(const std::vector<ImageSpec>& list, int id) {
  for (const ImageSpec& s : list)
    if (s.id == id) return &s;
  return nullptr;
}

// ---- Text styles.
const TextStyleSpec kStyles[] = {
    {Style::None, "Monaco", 10, IColor(255, 0, 0, 0), 0, 1, 0, false},
    {Style::Readout, "Monaco", 11, IColor(255, 255, 255, 255), 1, 1, 0, false},
    {Style::PlusOrig, "Monaco", 11, IColor(255, 255, 0, 0), 1, 1, 2, false},
    {Style::PlusLcd, "Monaco", 12, IColor(255, 0, 0, 0), 0, 1, 0, false},
    {Style::LearnOrig, "Monaco", 10, IColor(255, 255, 255, 255), 1, 2, 0, false},
    {Style::LearnLcd, "Monaco", 10, IColor(255, 0, 0, 0), 1, 2, 0, false},
    {Style::TitleOrig, "Monaco", 12, IColor(255, 255, 0, 0), 1, 1, 0, false},
    {Style::TitleLcd, "Monaco", 12, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::FlexiSpinnerOrig, "Monaco", 11, IColor(255, 255, 0, 0), 1, 1, 2, false},
    {Style::FlexiSpinnerLcd, "Monaco", 11, IColor(255, 0, 0, 0), 0, 1, 2, false},
    {Style::TrackingReadoutLcd, "Monaco", 12, IColor(255, 0, 0, 0), 0, 1, 0, false},
    {Style::SlotSpinner, "Monaco", 30, IColor(255, 0, 0, 0), 0, 1, 0, false},
    {Style::MidiSpinnerOrig, "Monaco", 11, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::MidiSpinnerLcd, "Monaco", 11, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::LoginText, "Arial", 15, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::LoginPassword, "Arial", 15, IColor(255, 0, 0, 0), 1, 1, 0, true},
    {Style::BrowserRow, "Monaco", 12, IColor(255, 200, 200, 200), 1, 0, 0, false},
    {Style::SlotNumber, "Verdana", 22, IColor(255, 220, 220, 220), 1, 0, 0, false},
    {Style::SlotName, "Monaco", 10, IColor(255, 220, 220, 220), 1, 1, 0, false},
};
static_assert(sizeof kStyles / sizeof kStyles[0] == static_cast<int>(Style::Count));

// Values whose zero lies at the middle of their range.
bool IsBipolar(int param) {
  switch (param) {
    case vq_param::kVcoTranspose:
    case vq_param::kLevel1:
    case vq_param::kLevel2:
    case vq_param::kLevel:
    case vq_param::kBassBoost:
    case vq_param::kMid1Boost:
    case vq_param::kMid2Boost:
    case vq_param::kTrebleBoost:
      return true;
    default:
      break;
  }
  // Each oscillator's FINE, BEAT and SAW AMP.
  const int k = (param - vq_param::kVco1Coarse) % 12;
  return param >= vq_param::kVco1Coarse && param <= vq_param::kVco4Volume &&
         (k == 1 || k == 2 || k == 4);
}

// ---- Synth page build.
class SynthBuilder {
 public:
  explicit SynthBuilder(Skin skin) : mSkin(skin), mLcd(skin == Skin::Lcd) {}

  std::vector<ControlSpec> Build();

 private:
  int Img(int origId) const { return mLcd ? origId + 100 : origId; }
  // The short slider drawn like `origId`, for places with a control just below.
  static int Tight(int origId) { return origId == 118 ? 177 : origId == 119 ? 178 : 176; }
  // A 128-frame slider: the bipolar one for values centred on zero.
  static int Fader(int param) { return IsBipolar(param) ? 179 : 106; }
  ControlSpec& Add(ControlSpec c) {
    mOut.push_back(c);
    return mOut.back();
  }
  // A control sized by one frame of its image, placed by its top-left point.
  ControlSpec& Framed(Ctl cls, int param, int image, int x, int y, double gearing = 0.0) {
    const Point f = FrameSize(image);
    ControlSpec c{cls, param, image, IRECT(x, y, x + f.x, y + f.y)};
    c.gearing = gearing;
    return Add(c);
  }
  ControlSpec& Rect(Ctl cls, int param, const IRECT& r) {
    ControlSpec c{cls, param, 0, r};
    if (cls == Ctl::Spinner) c.gearing = 10.0;  // value and label shown, dragged vertically
    return Add(c);
  }
  ControlSpec& Text(const IRECT& r, Style style, const char* text) {
    ControlSpec c{Ctl::Text, -1, 0, r, style, text};
    return Add(c);
  }
  ControlSpec& Readout(int param, const IRECT& r, Style style = Style::Readout) {
    ControlSpec c{Ctl::Text, -1, 0, r, style};
    c.readoutField = param - kPositionFirstParam;
    return Add(c);
  }
  static Point Slot(int param) { return Point{KnobPosition(param).x, SliderRowY(param)}; }
  IRECT DefaultReadout(int param) const {
    const Point p = Slot(param);
    const IRECT r = mLcd ? IRECT(p.x - 8, p.y + 27, p.x + 40, p.y + 43)
                         : IRECT(p.x - 8, p.y + 33, p.x + 40, p.y + 49);
    // Words of seven letters ("28.02Hz", "vintage") need a box of 56 units to stay at the
    // read-outs' size at every size of the View menu; a neighbour showing three digits gives up
    // the room. The LFO's rate takes the room from the panel's side to three pixels from the
    // delay's; the depth beside it keeps three pixels clear of the delay's. ENV MODE takes two
    // units from the panel's side and eight from ATTACK, and one above and one below for
    // descenders (its slider's shadow ends right above); the cutoff gives eight to VINTAGE/NEW.
    // The effects' LFO A and LFO B rates ("0.00Hz") need 50: each takes two units from the
    // three digits on its outer side, the wells four apart as along the row.
    switch (param) {
      case vq_param::kModBlendVcf:
        return IRECT(r.L, r.T, r.R - 2, r.B);
      case vq_param::kLfoAFrq:
        return IRECT(r.L - 2, r.T, r.R, r.B);
      case vq_param::kLfoBFrq:
        return IRECT(r.L, r.T, r.R + 2, r.B);
      case vq_param::kLevel1:
        return IRECT(r.L + 2, r.T, r.R, r.B);
      case vq_param::kLfoFrequency:
        return IRECT(r.L + 1, r.T, r.R + 14, r.B);
      case vq_param::kLfoDelay:
        return IRECT(r.L + 13, r.T, r.R + 2, r.B);
      case vq_param::kLfoVcfDepth:
        return IRECT(r.L + 2, r.T, r.R, r.B);
      case vq_param::kEnvelopeMode:
        return IRECT(r.L - 2, r.T - 1, r.R + 6, r.B + 1);
      case vq_param::kVcaAttackTime:
        return IRECT(r.L + 6, r.T, r.R, r.B);
      case vq_param::kVcfCutoffFrequencyVintage:
      case vq_param::kVcfCutoffFrequencyNew:
        return IRECT(r.L + 8, r.T, r.R, r.B);
      default:
        return NearPanelSide(r) ? Narrow(r) : r;
    }
  }
  // The box four pixels narrower on each side: its well keeps clear of a panel's side.
  static IRECT Narrow(const IRECT& r) { return IRECT(r.L + 4, r.T, r.R - 4, r.B); }
  // Whether the read-out's well comes within two pixels of a section's side.
  static bool NearPanelSide(const IRECT& r) {
    const double l = r.L + kReadoutWellInsetX, rr = r.R - kReadoutWellInsetX;
    for (const PanelBox& s : SynthSections())
      if (r.B > s.y && r.T < s.y + s.h)
        for (int side : {s.x, s.x + s.w})
          if (side > l - 3 && side < rr + 3) return true;
    return false;
  }
  void KnobWithReadout(int param, Ctl cls, int origImage, double gearing) {
    const Point p = Slot(param);
    Framed(cls, param, Img(origImage), p.x, p.y - 12, gearing);
    Readout(param, DefaultReadout(param));
  }
  void KnobLoopEntry(int param);
  void SwitchWithReadout(int param, int x, int y, int switchTop);

  Skin mSkin;
  bool mLcd;
  std::vector<ControlSpec> mOut;
};

// The value's words stand right above the switch, their well three and a half pixels above it:
// a clean row between them at every size.
void SynthBuilder::SwitchWithReadout(int p, int x, int y, int switchTop) {
  Framed(Ctl::Switch, p, mLcd ? 233 : 172, x + 6, switchTop);
  // GLIDE's two switches share their row with GLIDE's, MIDI SYNC's and the bend range's
  // read-outs, the wells two units apart. GLIDE SLOPE's four letters keep a box of 39 and GLIDE
  // MODE's "always" one of 50, both two above for descenders (one height: one baseline), each a
  // few units left of its switch's middle: MIDI SYNC's "delay1+2" takes the room.
  const int b = switchTop - 2;
  if (p == vq_param::kPortamentoSlope) return void(Readout(p, IRECT(x - 6, b - 18, x + 33, b)));
  if (p == vq_param::kPortamentoMode) return void(Readout(p, IRECT(x - 13, b - 18, x + 37, b)));
  // "trigger" needs eight units more than the usual well to stay at the read-outs' size, and two
  // above for its descenders.
  if (p == vq_param::kTrigGateMode) return void(Readout(p, IRECT(x - 12, b - 18, x + 44, b)));
  // "vintage" has its room only in the knobs' row, its well two units from the cutoff's (the
  // cutoff's name is under that room lower down) and one taller each way for its descender, so
  // that its text stays level with the cutoff's.
  if (p == vq_param::kVcfVintageNew) {
    const IRECT cutoff = DefaultReadout(vq_param::kVcfCutoffFrequencyVintage);
    return void(Readout(p, IRECT(x - 8, cutoff.T - 1, cutoff.L + 10, cutoff.B + 1)));
  }
  Readout(p, IRECT(x - 8, b - 16, x + 40, b));
}

void SynthBuilder::KnobLoopEntry(int p) {
  const Point pos = KnobPosition(p);
  const int X = pos.x, Y = pos.y;
  switch (p) {
    case vq_param::kVoice2Transposition:
    case vq_param::kVoice3Transposition:
      return KnobWithReadout(p, Ctl::Knob, 145, 0.4);
    case vq_param::kEnvelopeMode:
      return KnobWithReadout(p, Ctl::Knob, 143, 0.4);
    case vq_param::kVcfModulationPitchFollow:
      return KnobWithReadout(p, Ctl::Knob, 118, 0.4);
    case vq_param::kVcfType:
      return KnobWithReadout(p, Ctl::Knob, 144, 0.4);
    case vq_param::kVcfVintageNew:
    case vq_param::kVcfSlope:
    case vq_param::kTrigGateMode:
      SwitchWithReadout(p, X, Y, Y - 7);
      return;
    case vq_param::kPortamentoSlope:
      SwitchWithReadout(p, X, Y, mLcd ? Y - 8 : Y - 7);
      return;
    case vq_param::kPortamentoTime:
    case vq_param::kPitchBendRange: {
      // At the PLAY panel's edges, inside the panel. GLIDE's three digits need a box of 34 units
      // to stay at the read-outs' size at every size of the View menu: it reaches two past the
      // slider's left, its well six clear of the panel's side. The bend range's two digits keep
      // 28 units, their well three clear of the panel's other side: the rest of the row goes to
      // MIDI SYNC.
      Framed(Ctl::Knob, p, Img(Tight(106)), X, Y - 12, 1.0);
      const IRECT r = DefaultReadout(p);
      if (p == vq_param::kPitchBendRange) return void(Readout(p, IRECT(X + 9, r.T, X + 37, r.B)));
      Readout(p, IRECT(X - 2, r.T, X + 32, r.B));
      return;
    }
    case vq_param::kKeyPriority:
      // The value above the slider, clear of it; two below for the descenders of "upper", where
      // the slider's image is empty.
      Framed(Ctl::Knob, p, Img(169), X, mLcd ? Y - 9 : Y - 12, 0.4);
      Readout(p, mLcd ? IRECT(X - 8, Y - 25, X + 40, Y - 7) : IRECT(X - 8, Y - 27, X + 40, Y - 9));
      return;
    default:
      return KnobWithReadout(p, Ctl::Knob, Fader(p), 1.0);
  }
}

std::vector<ControlSpec> SynthBuilder::Build() {
  // Backgrounds and the full-page save overlays.
  if (mLcd) {
    Framed(Ctl::Image, -1, 202, 0, 0);
  } else {
    Framed(Ctl::Image, -1, 102, 0, 0).hidden = mSkin != Skin::Space;
    Framed(Ctl::Image, -1, 162, 0, 0).hidden = mSkin != Skin::Solid;
    Framed(Ctl::Image, -1, 173, 0, 0).hidden = true;
    Framed(Ctl::Image, -1, 174, 0, 0).hidden = true;
  }
  Framed(Ctl::Image, -1, Img(158), 0, 0);
  Framed(Ctl::Image, -1, Img(159), 0, 0).hidden = true;
  if (mLcd) Framed(Ctl::Image, -1, 273, 0, 0).hidden = true;

  // FLEXI captions.
  for (int k = 0; k < 4; ++k) {
    // The polarity sign beside the range control's box, in line with its name, under the curve.
    Text(IRECT(550 + 168 * k, 36, 568 + 168 * k, 52), mLcd ? Style::PlusLcd : Style::PlusOrig,
         "(+)");
    const int dx = kFlexiSlotPitch * k;
    Text(IRECT(kFlexiCaptionBox[0] + dx, kFlexiCaptionBox[1], kFlexiCaptionBox[2] + dx,
               kFlexiCaptionBox[3]),
         mLcd ? Style::LearnLcd : Style::LearnOrig, "LEARN");
  }
  // Effect panels and tab highlights.
  for (int id : {112, 113, 114, 132}) Framed(Ctl::Image, -1, Img(id), 0, 0);
  for (int k = 0; k < 4; ++k)
    Framed(Ctl::Image, -1, Img(155), 523 + 95 * k, mLcd ? 562 : 565).hidden = true;
  // Program title.
  Text(mLcd ? IRECT(58, 30, 268, 46) : IRECT(36, 30, 268, 46),
       mLcd ? Style::TitleLcd : Style::TitleOrig, "Last Used Program");
  // Portamento mode.
  {
    const Point p = KnobPosition(vq_param::kPortamentoMode);
    SwitchWithReadout(vq_param::kPortamentoMode, p.x, p.y, mLcd ? p.y - 8 : p.y - 7);
  }
  // Seven-segment program number.
  Framed(Ctl::Image, vq_param::k7SegmentDisplay, Img(117), mLcd ? 141 : 129, mLcd ? 52 : 51);
  // Read-out slots of fields 95..120: kept, never attached.
  for (int param = vq_param::kFlexi1Source; param <= vq_param::kFlexi4Range; ++param) {
    const Point p = KnobPosition(param);
    Readout(param, IRECT(p.x - 8, p.y + 33, p.x + 40, p.y + 49)).attached = false;
  }
  // The voice parameters and the LFO.
  for (int p = vq_param::kVco1Coarse; p <= vq_param::kKeyPriority; ++p) KnobLoopEntry(p);
  for (int p = vq_param::kLfoFrequency; p <= vq_param::kLfoVcoDepth; ++p)
    KnobWithReadout(p, Ctl::Knob, 106, 1.0);
  // MIDI sync, the second cutoff and the effect and equalizer knobs.
  {
    // The slider below its value, clear of it. Eight letters ("delay1+2") need a box of 60
    // units to stay at the read-outs' size at every size of the View menu, and 18 high for the
    // descender: the row's neighbours give up the room. Its middle is theirs, so its text
    // stands on their line.
    const Point p = KnobPosition(vq_param::kMidiSync);
    Framed(Ctl::Knob2, vq_param::kMidiSync, Img(169), p.x, p.y, 0.4);
    Readout(vq_param::kMidiSync, mLcd ? IRECT(p.x - 9, p.y - 22, p.x + 51, p.y - 4)
                                      : IRECT(p.x - 9, p.y - 16, p.x + 51, p.y + 2));
  }
  Framed(Ctl::Knob, vq_param::kVcfCutoffFrequencyNew, Img(107), 800, 76, 1.0).hidden = true;
  Readout(vq_param::kVcfCutoffFrequencyNew, DefaultReadout(vq_param::kVcfCutoffFrequencyNew))
      .hidden = true;
  for (int p : {vq_param::kModBlendInstrument,
                vq_param::kModBlendVcf,
                vq_param::kModOnOff,
                vq_param::kLfoAFrq,
                vq_param::kLfoBFrq,
                vq_param::kLevel1,
                vq_param::kDelay1,
                vq_param::kMod1A,
                vq_param::kMod1B,
                vq_param::kLevel2,
                vq_param::kDelay2,
                vq_param::kMod2A,
                vq_param::kMod2B,
                vq_param::kFeedbackLevel,
                vq_param::kFeedbackDamping,
                vq_param::kDrive,
                vq_param::kLevel,
                vq_param::kOverdriveOnOff,
                vq_param::kOdBlendInstrument,
                vq_param::kOdBlendVcf,
                vq_param::kBassFrq,
                vq_param::kBassSlope,
                vq_param::kBassBoost,
                vq_param::kMid1Frq,
                vq_param::kMid1Q,
                vq_param::kMid1Boost,
                vq_param::kMid2Frq,
                vq_param::kMid2Q,
                vq_param::kMid2Boost,
                vq_param::kTrebleFrq,
                vq_param::kTrebleSlope,
                vq_param::kTrebleBoost,
                vq_param::kEqualizerOnOff,
                vq_param::kEqBlendInstrument,
                vq_param::kEqBlendVcf}) {
    // Whole sliders, below the effect tabs (SliderRowY).
    if (p == vq_param::kModOnOff)
      KnobWithReadout(p, Ctl::Knob, 118, 0.4);
    else if (p == vq_param::kOverdriveOnOff || p == vq_param::kOdBlendInstrument ||
             p == vq_param::kOdBlendVcf || p == vq_param::kEqualizerOnOff ||
             p == vq_param::kEqBlendInstrument || p == vq_param::kEqBlendVcf)
      KnobWithReadout(p, Ctl::Knob, 118, 1.0);
    else if (IsBipolar(p))
      KnobWithReadout(p, Ctl::Knob, 179, 1.0);
    else
      KnobWithReadout(p, Ctl::Knob, p == vq_param::kDelay1 || p == vq_param::kDelay2 ? 106 : 107,
                      1.0);
  }

  // The rest of the page.
  Framed(Ctl::Switch, vq_param::kEffectsChainOrder, Img(147), 906, mLcd ? 562 : 565);
  const int rangeImages[8] = {136, 136, 138, 138, 140, 140, 142, 142};
  for (int i = 0; i < 8; ++i)
    Framed(Ctl::Knob, vq_param::kFlexi1RangeA + i, Img(rangeImages[i]), 300, -40, 1.0).hidden =
        true;
  // Beside the panel's "VCO 2 · SYNC" title, clear of COARSE's slider.
  Framed(Ctl::Switch, vq_param::kVco2OscSync, Img(172), 110, 311);
  Framed(Ctl::Switch, vq_param::kTrackingPriority, mLcd ? 265 : 172, 408, 36);
  {
    // The value stands above the switch, its box clear of it, in every skin.
    ControlSpec& r = Readout(vq_param::kTrackingPriority, IRECT(372, 16, 464, 34),
                             mLcd ? Style::TrackingReadoutLcd : Style::Readout);
    r.readoutField = vq_param::kTrackingPriority - kPositionFirstParam;
  }
  for (int k = 0; k < 4; ++k)
    Framed(Ctl::Button, vq_param::kFlexi1LearnDestination + k, mLcd ? 265 : 133, 570 + 168 * k, 50);
  for (int k = 0; k < 4; ++k)
    Framed(Ctl::Button, vq_param::kFlexi1ClearDestination + k, Img(151),
           mLcd ? 570 + 168 * k : 572 + 168 * k, mLcd ? 50 : 52);
  for (int k = 0; k < 4; ++k) {
    const Point p = KnobPosition(vq_param::kFlexi1Curve + 7 * k);
    Framed(Ctl::Knob, vq_param::kFlexi1Curve + 7 * k, Img(134), p.x, p.y, 3.0);
  }
  const Style spin = mLcd ? Style::FlexiSpinnerLcd : Style::FlexiSpinnerOrig;
  auto sourceRect = [](int k) { return IRECT(478 + 168 * k, 11, 548 + 168 * k, 27); };
  auto rangeRect = [](int k) { return IRECT(478 + 168 * k, 35, 548 + 168 * k, 51); };
  for (int k = 0; k < 4; ++k) {
    Rect(Ctl::Spinner, vq_param::kFlexi1Sources + 2 * k, sourceRect(k)).style = spin;
    Rect(Ctl::Spinner, vq_param::kFlexi1Ranges + 2 * k, rangeRect(k)).style = spin;
  }
  for (int k = 0; k < 4; ++k) {
    const Point p = KnobPosition(vq_param::kFlexi1Mode + 2 * k);
    Framed(Ctl::Switch, vq_param::kFlexi1Mode + 2 * k, Img(156), p.x, p.y - 2);
  }
  if (!mLcd) {
    ControlSpec& radio =
        Rect(Ctl::RadioButtons, vq_param::kFxBlockSelector, IRECT(524, 565, 810, 581));
    radio.image = 146;
    radio.hidden = true;
    radio.count = 3;
    radio.direction = 1;
  }
  const int tabParams[4] = {vq_param::kShowFxOverdrive, vq_param::kShowFxEqualizer,
                            vq_param::kShowFxChorus, vq_param::kShowFxDelay},
            tabImages[4] = {154, 153, 152, 170};
  for (int k = 0; k < 4; ++k)
    Framed(Ctl::Switch, tabParams[k], Img(tabImages[k]), 523 + 95 * k, mLcd ? 562 : 565);
  const int tabAreas[4] = {vq_param::kFxOverdriveBlock, vq_param::kFxEqualizerBlock,
                           vq_param::kFxVintageModulationBlock, vq_param::kFxLongDelayBlock};
  for (int k = 0; k < 4; ++k) {
    const int x = 523 + 95 * k;
    Rect(Ctl::InvisibleSwitch, tabAreas[k],
         mLcd ? IRECT(x, 562, x + 100, 587) : IRECT(x, 565, x + 100, 585));
  }
  Framed(Ctl::Knob, vq_param::kExtMidiOn, Img(Tight(118)), 845, 390, 1.0);
  Framed(Ctl::Knob2, vq_param::kExtMidiProgramChange, Img(Tight(106)), 885, 390, 1.0);
  Framed(Ctl::Knob, vq_param::kExtMidiOctaveTranspose, Img(Tight(119)), 925, 390, 1.0);
  Framed(Ctl::Knob, vq_param::kExtMidiPitchbendRange, Img(Tight(106)), 965, 390, 1.0);
  for (const auto& [l, r] : kExtMidiReadoutX)
    Text(mLcd ? IRECT(l, 429, r, 445) : IRECT(l, 435, r, 451), Style::Readout, "");
  // In the lcd skin the switch stands two units higher: MIDI SYNC's well below keeps a clean
  // row off it while its text stands on the row's line.
  const int midiSwitchTop = mLcd ? 406 : 408;
  Framed(Ctl::Switch, vq_param::kIntMidiExtMidi, Img(175), mLcd ? 848 : 852, midiSwitchTop);
  Rect(Ctl::InvisibleSwitch, vq_param::kIntMidiPanelSwitch,
       IRECT(848, midiSwitchTop, 920, midiSwitchTop + 22))
      .hidden = true;
  Rect(Ctl::InvisibleSwitch, vq_param::kExtMidiPanelSwitch,
       IRECT(920, midiSwitchTop, 992, midiSwitchTop + 22))
      .hidden = true;
  Rect(Ctl::ParaEq, vq_param::kPGEq,
       mLcd ? IRECT(650, 590, 1110, 705) : IRECT(640, 593, 1100, 708));
  for (int k = 0; k < 4; ++k) {
    Rect(Ctl::InvisibleSwitch, vq_param::kShowFlexi1Sources + k, sourceRect(k));
    Rect(Ctl::InvisibleSwitch, vq_param::kShowFlexi1Ranges + k, rangeRect(k));
  }
  Framed(Ctl::Image, -1, Img(148), 0, mLcd ? 0 : 1).hidden = true;
  Framed(Ctl::Image, -1, Img(149), 0, mLcd ? 0 : 1).hidden = true;  // closed by the list-page hide
  for (int k = 0; k < 4; ++k)
    Rect(Ctl::InvisibleSelect, vq_param::kListPage1 + k,
         IRECT(kListColumnX[k], kListTop, kListColumnX[k + 1], kListBottom))
        .hidden = true;
  Rect(Ctl::InvisibleSwitch, vq_param::kCloseListView, IRECT(0, 0, 1140, 120)).hidden = true;
  for (int k = 0; k < 4; ++k)
    Framed(Ctl::Switch, vq_param::kFlexi1RangeControlPolarity + 2 * k, Img(150), 575, 100).hidden =
        true;
  Framed(Ctl::Button, vq_param::kCopyPanelVco, Img(160), 18, 730);
  Framed(Ctl::Button, vq_param::kCopyPanelFlexi, Img(161), 18, 760);
  const int editParams[6][5] = {
      // param, image, x, y, lcd x/y differ
      {vq_param::kCopyButton, 125, 196, 730, 1},
      {vq_param::kInitButton, 126, 71, 51, 1},
      {vq_param::kRandomizeButton, 127, 822, 758, 0},
      {vq_param::kInitGroupsButton, 128, 822, 730, 0},
      {vq_param::kAllGroupsOn, 129, 1066, 730, 0},
      {vq_param::kAllGroupsOff, 130, 1066, 758, 0},
  };
  for (const auto& e : editParams) {
    int x = e[2], y = e[3];
    if (mLcd && e[0] == vq_param::kCopyButton) x = 189, y = 725;
    if (mLcd && e[0] == vq_param::kInitButton) x = 48, y = 52;
    Framed(Ctl::Button, e[0], Img(e[1]), x, y);
  }
  const int checkColumns[5] = {66, 140, 874, 922, 1002};
  for (int c = 0; c < 5; ++c)
    for (int r = 0; r < 4; ++r)
      Framed(Ctl::Switch, vq_param::kCopySource1 + 4 * c + r, Img(131), checkColumns[c],
             731 + 13 * r);
  // In line with the program number.
  Framed(Ctl::Button, vq_param::kPreviousProgram, Img(163), mLcd ? 216 : 186, mLcd ? 52 : 51);
  Framed(Ctl::Button, vq_param::kNextProgram, Img(164), mLcd ? 247 : 218, mLcd ? 52 : 51);
  Rect(Ctl::InvisibleSwitch, vq_param::k4BandParametricEqualizer, IRECT(1010, 565, 1037, 584));
  Rect(Ctl::InvisibleSwitch, vq_param::k4BandParagraphicEqualizer, IRECT(1041, 565, 1068, 584));
  auto selector = [&](int param, const IRECT& r, const char* ext, int action, bool hidden) {
    ControlSpec& c = Rect(Ctl::FileSelector, param, r);
    c.image = Img(109);
    c.text = ext;
    c.fileAction = action;
    c.hidden = hidden;
  };
  selector(vq_param::kFirmwareFileChosen, IRECT(0, 0, 40, 16), "vq4", 0, true);
  // The orig file buttons stand clear of the program name's frame.
  const IRECT loadRect = mLcd ? IRECT(47, 10, 103, 27) : IRECT(60, 7, 100, 23);
  selector(vq_param::kLoadFileChosen, loadRect, "", 0, true);
  selector(vq_param::kLoadFileChosen, loadRect, "pr4 pr3 prg", 0, !mLcd);
  selector(vq_param::kSaveFileChosen, mLcd ? IRECT(104, 10, 160, 27) : IRECT(100, 7, 140, 23),
           "pr4", 1, false);
  selector(vq_param::kSendFileChosen, mLcd ? IRECT(161, 10, 217, 27) : IRECT(150, 7, 190, 23),
           "pr4 pr3 prg", 0, false);
  const int fileButtons[4][4] = {{vq_param::kLoadButton, 166, 46, 47},
                                 {vq_param::kSaveButton, 167, 90, 104},
                                 {vq_param::kSendButton, 168, 132, 161},
                                 {vq_param::kFolderButton, 116, 190, 218}};
  for (const auto& b : fileButtons)
    Framed(Ctl::Button, b[0], Img(b[1]), mLcd ? b[3] : b[2], mLcd ? 10 : 6);
  Framed(Ctl::Image, -1, Img(157), 0, 0);
  Rect(Ctl::Spinner, vq_param::kSlotChooser, IRECT(548, 348, 588, 388)).style = Style::SlotSpinner;
  Rect(Ctl::InvisibleSwitch, vq_param::kRequestProgram, IRECT(524, 404, 600, 444));
  const Style midi = mLcd ? Style::MidiSpinnerLcd : Style::MidiSpinnerOrig;
  // The footer ends two pixels above the page's bottom edge, its boxes and keys inside it.
  Rect(Ctl::Spinner, vq_param::kMidiChannel, kKeyboardBoxes[0]).style = midi;
  Rect(Ctl::Spinner, vq_param::kMidiCc, kKeyboardBoxes[1]).style = midi;
  Framed(Ctl::Knob3, vq_param::kModWheel, Img(171), 293, 728, 1.0);
  return std::move(mOut);
}

}  // namespace

Point KnobPositionAt(int index) {
  if (index < 0 || index >= kPositionCount) return Point{};
  return Positions().p[index];
}

Point KnobPosition(int param) {
  return KnobPositionAt(param - kPositionFirstParam);
}

int SliderRowY(int param) {
  const Point p = KnobPosition(param);
  // The effect row: the sliders right of the VCO 4 panel on the row of the effect panels.
  return p.y == 559 && p.x >= 520 ? p.y + kEffectRowDrop : p.y;
}

const std::vector<ImageSpec>& SynthPageImages() {
  return kSynthImages;
}
const std::vector<ImageSpec>& CommonImages() {
  return kCommonImages;
}
const std::vector<ImageSpec>& ManagerImages() {
  return kManagerImages;
}

int ShortFlexiRangeImage(int id) {
  const int base = id >= 200 ? 100 : 0;
  switch (id - base) {
    case 135:
    case 136:
      return 181 + base;
    case 138:
      return 182 + base;
    case 140:
      return 183 + base;
    case 142:
      return 184 + base;
    default:
      return 0;
  }
}

const ImageSpec* FindImage(int id) {
  if (id >= 301 && id <= 324) return FindIn(kManagerImages, id);
  if (id >= 103 && id <= 105) return FindIn(kCommonImages, id);
  if (id >= 102 && id <= 184) {
    const ImageSpec* s = FindIn(kSynthImages, id);
    return s && (s->skins & kInOrig) ? s : nullptr;
  }
  if (id >= 202 && id <= 284) {
    const ImageSpec* s = FindIn(kSynthImages, id - 100);
    return s && (s->skins & kInLcd) ? s : nullptr;
  }
  return nullptr;
}

Folder ImageFolder(int id) {
  if (id >= 301) return Folder::Manager;
  if (id >= 202) return Folder::Lcd;
  return Folder::Orig;
}

Point FrameSize(int id) {
  const ImageSpec* s = FindImage(id);
  if (!s) return Point{};
  if (ImageFolder(id) == Folder::Lcd && s->lcdW > 0) return Point{s->lcdW, s->lcdH};
  return Point{s->w, s->h};
}

std::string ImageLoadName(int id) {
  const ImageSpec* s = FindImage(id);
  if (!s) return std::string();
  const Folder f = ImageFolder(id);
  std::string name = f == Folder::Manager ? "img/manager/"
                     : f == Folder::Lcd   ? "img/lcd/"
                                          : "img/orig/";
  if (s->id == 159) name += "/";  // the page has always asked for this one with a doubled slash
  return name + s->file;
}

const TextStyleSpec& TextStyleOf(Style style) {
  const int i = static_cast<int>(style);
  return kStyles[i >= 0 && i < static_cast<int>(Style::Count) ? i : 0];
}

IText MakeText(Style style) {
  const TextStyleSpec& s = TextStyleOf(style);
  IText t(s.size, s.color, s.face, s.weight, s.align, 0, s.quality);
  t.mSecure = s.secure ? 1 : 0;
  return t;
}

const char* CtlName(Ctl c) {
  static const char* const kNames[] = {"IBitmapControl",
                                       "IKnobMultiControl",
                                       "IKnobMultiControl2",
                                       "IKnobMultiControl3",
                                       "ISwitchControl",
                                       "IContactControl",
                                       "ITextControl",
                                       "ISpinnerControl",
                                       "IInvisibleSwitchControl",
                                       "IInvisibleSelectControl",
                                       "IInvisibleSelectControl3",
                                       "IInvisibleMatrixSelectControl",
                                       "IRadioButtonsControl",
                                       "IFileSelectorControl",
                                       "IParaGraphicEq",
                                       "IFaderControl",
                                       "IUserTextControl"};
  const int i = static_cast<int>(c);
  return i >= 0 && i < static_cast<int>(sizeof kNames / sizeof kNames[0]) ? kNames[i] : "";
}

std::vector<ControlSpec> SynthPageControls(Skin skin) {
  return SynthBuilder(skin).Build();
}

const std::vector<PanelBox>& SynthSections() {
  static const std::vector<PanelBox> kSections = {
      {12, 72, 496, 96, "VCO 1"},
      {12, 229, 496, 96, "VCO 2  \xc2\xb7  SYNC"},
      {12, 386, 496, 96, "VCO 3"},
      {12, 543, 496, 96, "VCO 4"},
      {512, 72, 244, 96, "MIXER"},
      {758, 72, 356, 150, "FILTER", 812},
      {512, 229, 440, 96, "ENV"},
      {956, 229, 158, 96, "LFO"},
      {512, 386, 242, 96, "VOICES"},
      {756, 386, 78, 96, "DIST"},
      {836, 366, 168, 172, "PLAY", 950},
      {1006, 386, 108, 96, "OUTPUT"},
      {kEffectPanel.x, kEffectPanel.y, kEffectPanel.w, kEffectPanel.h},
  };
  return kSections;
}

std::vector<PanelBox> SynthPagePanels(Skin skin) {
  std::vector<PanelBox> out;
  if (skin == Skin::Lcd)
    out.insert(out.end(), {kLcdHeaderPanel, kLcdTrackingPanel, kLcdLogoPanel});
  else
    out.push_back(kNameFrame);
  for (int k = 0; k < 4; ++k)
    out.push_back(
        {kFlexiPanel.x + kFlexiSlotPitch * k, kFlexiPanel.y, kFlexiPanel.w, kFlexiPanel.h});
  const std::vector<PanelBox>& sections = SynthSections();
  out.insert(out.end(), sections.begin(), sections.end());
  out.insert(out.end(), std::begin(kFooterPanels), std::end(kFooterPanels));
  return out;
}

const EqDisplaySettings& EqSettings() {
  static const EqDisplaySettings kSettings{
      4,
      false,
      false,
      false,
      20.0,
      12000.0,
      -24.0,
      24.0,
      4.0,
      IColor(255, 255, 255, 255),
      IColor(255, 255, 0, 0),
      IColor(255, 255, 255, 0),
      IColor(255, 255, 255, 0),
      IColor(100, 0, 0, 0),
      "25, 50, 100, 200, 300, 500, 1000, 2000, 3000, 5000, 7000, 10000",
      "-18, -12, -6, 0, 6, 12, 18"};
  return kSettings;
}

std::vector<ControlSpec> ManagerPageControls() {
  std::vector<ControlSpec> out;
  auto framed = [&](Ctl cls, int param, int image, int x, int y) -> ControlSpec& {
    const Point f = FrameSize(image);
    out.push_back(ControlSpec{cls, param, image, IRECT(x, y, x + f.x, y + f.y)});
    return out.back();
  };
  auto rect = [&](Ctl cls, int param, const IRECT& r, Style style = Style::None) -> ControlSpec& {
    out.push_back(ControlSpec{cls, param, 0, r, style});
    return out.back();
  };
  framed(Ctl::Image, -1, 301, 0, 0);
  const int buttons[12][4] = {{vq_param::kManagerLocalBrowser, 302, 22, 35},
                              {vq_param::kManagerClearBank, 310, 324, 35},
                              {vq_param::kManagerSaveBank, 309, 493, 35},
                              {vq_param::kManagerSelectAll, 303, 84, 35},
                              {vq_param::kManagerSelectNone, 304, 84, 64},
                              {vq_param::kManagerInvertSelection, 312, 188, 35},
                              {vq_param::kManagerInsert, 308, 188, 64},
                              {vq_param::kManagerLoadBank, 311, 387, 35},
                              {vq_param::kManagerDownloadBank, 306, 387, 64},
                              {vq_param::kManagerUploadBank, 307, 557, 35},
                              {vq_param::kManagerSendBank, 305, 557, 64},
                              {vq_param::kManagerApplyEdit, 315, 942, 64}};
  for (const auto& b : buttons) framed(Ctl::Button, b[0], b[1], b[2], b[3]);
  framed(Ctl::Image, -1, 323, 0, 0).hidden = true;
  framed(Ctl::Button, vq_param::kManagerBrowse, 319, 22, 35).hidden = true;
  framed(Ctl::Button, vq_param::kManagerOnline, 320, 162, 35).hidden = true;
  framed(Ctl::Image, -1, 322, 0, 0).hidden = true;
  framed(Ctl::Button, vq_param::kManagerLogin, 321, 115, 70).hidden = true;
  rect(Ctl::UserText, -1, IRECT(68, 21, 258, 37), Style::LoginText).hidden = true;
  rect(Ctl::UserText, -1, IRECT(68, 45, 258, 61), Style::LoginPassword).hidden = true;
  framed(Ctl::Switch, vq_param::kManagerRememberLogin, 324, 226, 74).hidden = true;
  const int switches[11][3] = {
      {vq_param::kManagerRemoveMode, 668, 70},   {vq_param::kManagerMoveMode, 668, 31},
      {vq_param::kManagerCopyMode, 668, 57},     {vq_param::kManagerSwapMode, 668, 44},
      {vq_param::kManagerEditMode, 668, 83},     {vq_param::kManagerConfirm, 736, 83},
      {vq_param::kManagerCategoryBass, 826, 31}, {vq_param::kManagerCategoryGtr, 826, 44},
      {vq_param::kManagerCategoryMidi, 826, 57}, {vq_param::kManagerCategoryFx, 826, 70},
      {vq_param::kManagerCategoryEwi, 826, 83}};
  for (const auto& s : switches) framed(Ctl::Switch, s[0], 324, s[1], s[2]);
  for (int k = 0; k < kBrowserRows; ++k)
    rect(Ctl::Text, -1, IRECT(24, 118 + 14 * k, 274, 132 + 14 * k), Style::BrowserRow);
  rect(Ctl::InvisibleSelect3, vq_param::kManagerBrowserList, IRECT(24, 118, 274, 776));
  framed(Ctl::Fader, vq_param::kManagerBrowserScroll, 318, 276, 116).rect.B = 116 + 660;
  for (int i = 0; i < kSlotColumns * kSlotRows; ++i) {
    const int c = i % kSlotColumns, r = i / kSlotColumns;
    const int x = kSlotGridX + kSlotPitchX * c, y = static_cast<int>(kSlotGridY + kSlotPitchY * r);
    framed(Ctl::Image, -1, 314, x, y).hidden = i == 0;
    framed(Ctl::Image, -1, 313, x, y).hidden = i == 0;
  }
  static const std::vector<std::string> kNumbers = [] {
    std::vector<std::string> v;
    char buf[16];
    for (int i = 0; i < 100; ++i) {
      std::snprintf(buf, sizeof buf, "%02d", i);
      v.emplace_back(buf);
    }
    return v;
  }();
  for (int i = 0; i < kSlotColumns * kSlotRows; ++i) {
    const int c = i % kSlotColumns;
    const double r = i / kSlotColumns;
    ControlSpec& n = rect(Ctl::Text, -1,
                          IRECT(316 + 82 * c, static_cast<int>(110 + kSlotPitchY * r), 356 + 82 * c,
                                static_cast<int>(134 + kSlotPitchY * r)),
                          Style::SlotNumber);
    n.text = kNumbers[i].c_str();
    n.hidden = i == 0;
    rect(Ctl::Text, -1,
         IRECT(312 + 82 * c, static_cast<int>(131 + kSlotPitchY * r), 380 + 82 * c,
               static_cast<int>(171 + kSlotPitchY * r)),
         Style::SlotName)
        .hidden = i == 0;
  }
  rect(Ctl::UserText, -1, IRECT(880, 37, 1100, 53), Style::LoginText);
  rect(Ctl::MatrixSelect, vq_param::kManagerBankList, IRECT(308, 108, 1120, 788));
  framed(Ctl::Button, vq_param::kManagerPreviewNote, 317, 317, 112);
  return out;
}

}  // namespace vq_layout
