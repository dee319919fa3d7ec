// The editor's 350 parameters: names, types, ranges and defaults, and the display texts of
// the FLEXI list selectors, the slot chooser and the keyboard MIDI controls.
#include <cstdio>

#include "protocol/name_tables.h"
#include "editor/vq_editor.h"
#include "plugin/iparam.h"

namespace {

struct IntParamRow {
  int index;
  const char* name;
  int min, max, def;
};

// Voice, envelopes, filter, portamento, LFO.
const IntParamRow kVoiceRows[] = {
    {51, "voice2 transposition", -2, 3, 0},
    {52, "voice3 transposition", -2, 3, 0},
    {53, "instrument volume", 0, 127, 0},
    {54, "voice1(+1oct) volume", 0, 127, 0},
    {55, "voice2(var.) volume", 0, 127, 0},
    {56, "voice3(var.) volume", 0, 127, 0},
    {57, "distortion grade", 0, 31, 0},
    {58, "distortion tone", 0, 127, 64},
    {59, "Instrument volume", 0, 127, 0},
    {60, "VCF volume linear", 0, 127, 0},
    {61, "VCF volume logarithmic", 0, 127, 0},
    {62, "VCA attack time", 1, 127, 1},
    {63, "VCA decay time", 1, 127, 1},
    {64, "VCA sustain level", 0, 127, 0},
    {65, "VCA release time", 1, 127, 1},
    {66, "VCF attack time", 1, 127, 1},
    {67, "VCF decay time", 1, 127, 1},
    {68, "VCF sustain level", 0, 127, 0},
    {69, "VCF release time", 1, 127, 1},
    {70, "Envelope Mode", 0, 2, 1},
    {71, "Noise attack time", 1, 127, 1},
    {72, "Noise decay time", 1, 127, 1},
    {73, "Instrument volume", 0, 127, 0},
    {74, "Distortion volume", 0, 127, 0},
    {75, "Distortion through AR", 0, 127, 0},
    {76, "VCO through inverse AR", 0, 127, 0},
    {77, "Noise volume", 0, 127, 0},
    {78, "VCF vintage/new", 0, 1, 0},
    {79, "VCF Cutoff Frequency (vintage)", 0, 80, 0},
    {80, "2nd VCF Cutoff Frequency", 0, 24, 0},
    {81, "VCF modulation envelope follower", 0, 127, 0},
    {82, "VCF accent", 0, 127, 0},
    {83, "VCF modulation AD generator", 0, 127, 0},
    {84, "VCF modulation pitch follow", 0, 1, 0},
    {85, "VCF type", 0, 4, 0},
    {86, "VCF Q", 7, 127, 7},
    {87, "VCF slope", 0, 1, 0},
    {88, "portamento time", 0, 127, 0},
    {89, "portamento slope", 0, 1, 0},
    {90, "pitch bend range", 0, 24, 0},
    {91, "VCO transpose", -24, 24, 0},
    {92, "trig/gate mode", 0, 1, 0},
    {93, "key priority", 0, 3, 0},
    {94, "LFO frequency", 1, 127, 1},
    {95, "LFO delay", 0, 127, 0},
    {96, "LFO VCF depth", 0, 127, 0},
    {97, "LFO VCO depth", 0, 127, 0},
};

// Delay, MIDI, effects, equalizer and the remaining integer controls.
const IntParamRow kEffectRows[] = {
    {126, "Delay Vintage/Long", 0, 1, 0},
    {127, "MIDI Sync", 0, 3, 0},
    {128, "Ext. Midi Program Change", 0, 127, 0},
    {131, "Effects Chain Order", 0, 1, 0},
    {132, "Mod Blend INSTRUMENT", 0, 127, 0},
    {133, "Mod Blend VCF", 0, 127, 0},
    {134, "Mod ON/OFF", 0, 1, 0},
    {135, "LFO A frq.", 0, 127, 0},
    {136, "LFO B frq.", 0, 127, 0},
    {137, "Level1", -64, 63, 0},
    {138, "Delay1", 0, 127, 0},
    {139, "Mod1 A", 0, 127, 0},
    {140, "Mod1 B", 0, 127, 0},
    {141, "Level2", -64, 63, 0},
    {142, "Delay2", 0, 127, 0},
    {143, "Mod2 A", 0, 127, 0},
    {144, "Mod2 B", 0, 127, 0},
    {145, "Feedback level", 0, 127, 0},
    {146, "Feedback damping", 0, 127, 0},
    {147, "Overdrive ON/OFF", 0, 1, 0},
    {148, "Drive", 0, 127, 0},
    {149, "Level", -6, 6, 0},
    {160, "Equalizer ON/OFF", 0, 1, 0},
    {161, "Bass frq.", 0, 127, 0},
    {162, "Bass Slope", 0, 127, 0},
    {163, "Bass Boost", -20, 20, 0},
    {164, "Mid1 frq.", 0, 127, 0},
    {165, "Mid1 Q", 10, 100, 10},
    {166, "Mid1 Boost", -20, 20, 0},
    {167, "Mid2 frq.", 0, 127, 0},
    {168, "Mid2 Q", 10, 100, 10},
    {169, "Mid2 Boost", -20, 20, 0},
    {170, "Treble frq.", 0, 127, 0},
    {171, "Treble Slope", 0, 127, 0},
    {172, "Treble Boost", -15, 15, 0},
    {173, "portamento mode", 0, 1, 0},
    {182, "OD Blend INSTRUMENT", 0, 1, 0},
    {183, "OD Blend VCF", 0, 1, 0},
    {184, "EQ Blend INSTRUMENT", 0, 1, 0},
    {185, "EQ Blend VCF", 0, 1, 0},
    {186, "VCF Cutoff Frequency (new)", 36, 122, 36},
    {187, "VCO2 osc. sync", 0, 1, 0},
    {188, "Tracking Priority", 0, 1, 0},
    {211, "7 segment display", 0, 100, 0},
    {290, "PGEq", 0, 3, 0},
    {309, "Ext. Midi On", 0, 1, 0},
    {310, "Ext. Midi Octave Transpose", 0, 3, 1},
    {311, "Ext. Midi Pitchbend Range", 0, 24, 0},
    {349, "Mod. Wheel", 0, 127, 0},
};

struct OscRow {
  const char* suffix;
  int min, max, def;
};
const OscRow kOscRows[12] = {
    {"coarse", -24, 48, 0},
    {"fine", -63, 63, 0},
    {"beat", -63, 63, 0},
    {"saw env decay", 0, 127, 0},
    {"saw env ampmod", -63, 63, 0},
    {"PWM offset", 0, 127, 0},
    {"PWM LFO frq", 1, 127, 1},
    {"PWM LFO depth", 0, 127, 0},
    {"saw", 0, 127, 0},
    {"square", 0, 127, 0},
    {"tri", 0, 127, 0},
    {"volume", 0, 127, 0},
};

struct FlexiRow {
  const char* suffix;
  int min, max;
};
const FlexiRow kFlexiRows[7] = {
    {"SOURCE", 0, 113},       {"BITS", 0, 1},    {"DESTINATION", 0, 127},
    {"RANGE POLARITY", 0, 1}, {"RANGE", 0, 127}, {"RANGE CONTROL", 0, 113},
    {"CURVE", -11, 68},
};

struct DoubleRow {
  int index;
  const char* name;
  double min, max, def;
};
const DoubleRow kViewRows[] = {
    {263, "", 0, 20, 0},
    {264, "", 20, 40, 20},
    {265, "", 40, 60, 40},
    {266, "", 60, 80, 60},
    {267, "Show Fx Overdrive", 0, 1, 0},
    {268, "Show Fx Equalizer", 0, 1, 0},
    {269, "Show Fx Chorus", 0, 1, 0},
    {278, "VCO1", 0, 1, 0},
    {279, "VCO2", 0, 1, 0},
    {280, "VCO3", 0, 1, 0},
    {281, "VCO4", 0, 1, 0},
    {282, "Filter", 0, 1, 0},
    {283, "EnvLFO", 0, 1, 0},
    {284, "HarmDist", 0, 1, 0},
    {285, "Effect", 0, 1, 0},
    {291, "4 Band Parametric Equalizer", 0, 1, 0},
    {292, "4 Band Paragraphic Equalizer", 0, 1, 0},
    {300, "Close List View", 0, 1, 0},
    {305, "Show Fx Delay", 0, 1, 0},
    {306, "Int. Midi/Ext. Midi", 0, 1, 0},
};

}  // namespace

void VQEditor::InitParameters() {
  auto param = [this](int idx) { return GetParam(idx); };
  char name[64];

  for (int n = 1; n <= 4; ++n) {
    for (int k = 0; k < 12; ++k) {
      const OscRow& r = kOscRows[k];
      if (n == 2 && k == 6)
        snprintf(name, sizeof name, "VCO %s", r.suffix);  // the one name without a digit
      else
        snprintf(name, sizeof name, "VCO%d %s", n, r.suffix);
      if (IParam* p = param(3 + 12 * (n - 1) + k)) p->InitInt(name, r.def, r.min, r.max);
    }
  }
  for (const IntParamRow& r : kVoiceRows)
    if (IParam* p = param(r.index)) p->InitInt(r.name, r.def, r.min, r.max);
  for (int n = 1; n <= 4; ++n) {
    for (int k = 0; k < 7; ++k) {
      snprintf(name, sizeof name, "FLEXI%d %s", n, kFlexiRows[k].suffix);
      if (IParam* p = param(98 + 7 * (n - 1) + k))
        p->InitInt(name, 0, kFlexiRows[k].min, kFlexiRows[k].max);
    }
    snprintf(name, sizeof name, "FLEXI%d MODE", n);
    if (IParam* p = param(174 + 2 * (n - 1))) p->InitInt(name, 0, 0, 1);
    snprintf(name, sizeof name, "FLEXI%d RANGE CONTROL POLARITY", n);
    if (IParam* p = param(175 + 2 * (n - 1))) p->InitInt(name, 0, 0, 1);
    snprintf(name, sizeof name, "FLEXI%d Range A", n);
    if (IParam* p = param(vq_param::kFlexiRangeA + 2 * (n - 1))) p->InitInt(name, 0, 0, 127);
    snprintf(name, sizeof name, "FLEXI%d Range B", n);
    if (IParam* p = param(vq_param::kFlexiRangeA + 1 + 2 * (n - 1))) p->InitInt(name, 0, 0, 127);
  }
  for (const IntParamRow& r : kEffectRows)
    if (IParam* p = param(r.index)) p->InitInt(r.name, r.def, r.min, r.max);

  for (int n = 1; n <= 4; ++n) {
    snprintf(name, sizeof name, "Show Flexi%d Sources", n);
    if (IParam* p = param(254 + n)) p->InitDouble(name, "", "", 0.0, 0.0, 1.0, 0.001, 1.0);
    snprintf(name, sizeof name, "Show Flexi%d Ranges", n);
    if (IParam* p = param(258 + n)) p->InitDouble(name, "", "", 0.0, 0.0, 1.0, 0.001, 1.0);
  }
  for (const DoubleRow& r : kViewRows)
    if (IParam* p = param(r.index)) p->InitDouble(r.name, "", "", r.def, r.min, r.max, 0.001, 1.0);

  // List selectors: typed integer first, so the enumeration only renames and re-ranges them.
  for (int n = 0; n < 4; ++n) {
    if (IParam* p = param(vq_param::kFlexiSources + 2 * n)) {
      p->InitInt("", kFlexiSourceNameCount, 0, kFlexiSourceNameCount);
      snprintf(name, sizeof name, "Flexi%d Sources", n + 1);
      p->InitEnum(name, 0, kFlexiSourceNameCount);
    }
    if (IParam* p = param(vq_param::kFlexiSources + 1 + 2 * n)) {
      p->InitInt("", 0, 0, ProgramFieldTable::kRangeControlListSize);
      snprintf(name, sizeof name, "Flexi%d Ranges", n + 1);
      p->InitEnum(name, 0, ProgramFieldTable::kRangeControlListSize);
    }
  }
  if (IParam* p = param(301)) p->InitEnum("ICaptionControl", 0, 99, "label");
  if (IParam* p = param(vq_param::kKeyboardChannel)) p->InitEnum("MIDI Channel", 0, 16);
  if (IParam* p = param(vq_param::kModWheelCC)) p->InitEnum("MIDI CC", 0, 87);

  // Display texts come last, value by value across the four slots.
  for (int v = 0; v < kFlexiSourceNameCount; ++v)
    for (int n = 0; n < 4; ++n)
      if (IParam* p = param(vq_param::kFlexiSources + 2 * n))
        p->SetDisplayText(v, kFlexiSourceNames[v].name);
  for (int v = 0; v < ProgramFieldTable::kRangeControlListSize; ++v)
    for (int n = 0; n < 4; ++n)
      if (IParam* p = param(vq_param::kFlexiSources + 1 + 2 * n))
        p->SetDisplayText(v, kRangeControlNames[v].name);
  if (IParam* p = param(301)) {
    for (int v = 0; v < 99; ++v) {
      snprintf(name, sizeof name, "%02d", v + 1);
      p->SetDisplayText(v, name);
    }
  }
  if (IParam* p = param(vq_param::kKeyboardChannel)) {
    for (int v = 0; v < 16; ++v) {
      snprintf(name, sizeof name, "CH:%d", v + 1);
      p->SetDisplayText(v, name);
    }
  }
  if (IParam* p = param(vq_param::kModWheelCC)) {
    p->SetDisplayText(0, "AT");
    for (int v = 1; v <= 86; ++v) {
      snprintf(name, sizeof name, "CC:%d", v);
      p->SetDisplayText(v, name);
    }
  }
}
