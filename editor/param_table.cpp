// The editor's 350 parameters: names, types, ranges and defaults, and the names code calls the
// parameters by that the host sees without one. The build writes the enumeration of parameter
// indices (vq_param) from this file; nothing else numbers a parameter.
#include "editor/param_table.h"

#include <cctype>
#include <cstdio>

namespace param_table {

// Voice, envelopes, filter, portamento, LFO.
const IntRow kVoiceRows[47] = {
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
const IntRow kEffectRows[49] = {
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

const FlexiRow kFlexiRows[7] = {
    {"SOURCE", 0, 113},       {"BITS", 0, 1},    {"DESTINATION", 0, 127},
    {"RANGE POLARITY", 0, 1}, {"RANGE", 0, 127}, {"RANGE CONTROL", 0, 113},
    {"CURVE", -11, 68},
};

const DoubleRow kViewRows[20] = {
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

const CodeName kCodeNames[] = {
    {201, "Load File Chosen"},
    {202, "Load Button"},
    {203, "Save File Chosen"},
    {204, "Save Button"},
    {205, "Send File Chosen"},
    {206, "Send Button"},
    {207, "Folder Button"},
    {208, "Firmware File Chosen"},
    {209, "Previous Program"},
    {210, "Next Program"},
    {212, "Copy Button"},
    {213, "INIT Button"},
    {214, "Randomize Button"},
    {215, "Init Groups Button"},
    {216, "All Groups On"},
    {217, "All Groups Off"},
    {239, "FLEXI1 Learn Destination"},
    {240, "FLEXI2 Learn Destination"},
    {241, "FLEXI3 Learn Destination"},
    {242, "FLEXI4 Learn Destination"},
    {243, "FLEXI1 Clear Destination"},
    {244, "FLEXI2 Clear Destination"},
    {245, "FLEXI3 Clear Destination"},
    {246, "FLEXI4 Clear Destination"},
    {263, "List Page 1"},
    {264, "List Page 2"},
    {265, "List Page 3"},
    {266, "List Page 4"},
    {270, "Copy Source 1"},
    {271, "Copy Source 2"},
    {272, "Copy Source 3"},
    {273, "Copy Source 4"},
    {274, "Copy Dest 1"},
    {275, "Copy Dest 2"},
    {276, "Copy Dest 3"},
    {277, "Copy Dest 4"},
    {286, "Group FLEXI1"},
    {287, "Group FLEXI2"},
    {288, "Group FLEXI3"},
    {289, "Group FLEXI4"},
    {293, "Fx Block Selector"},
    {294, "Fx Overdrive Block"},
    {295, "Fx Equalizer Block"},
    {296, "Fx Vintage Modulation Block"},
    {297, "LEARN"},
    {298, "UNLEARN"},
    {299, "Learn Indicator"},
    {301, "Slot Chooser"},  // its host name is the control class
    {302, "Request Program"},
    {303, "Copy Panel VCO"},
    {304, "Copy Panel FLEXI"},
    {307, "Int Midi Panel Switch"},
    {308, "Ext Midi Panel Switch"},
    {312, "Fx Long Delay Block"},
    {313, "Manager Local Browser"},
    {314, "Manager Select All"},
    {315, "Manager Select None"},
    {316, "Manager Invert Selection"},
    {317, "Manager Insert"},
    {318, "Manager Clear Bank"},
    {319, "Manager Load Bank"},
    {320, "Manager Download Bank"},
    {321, "Manager Save Bank"},
    {322, "Manager Upload Bank"},
    {323, "Manager Send Bank"},
    {324, "Manager Remove Mode"},
    {325, "Manager Move Mode"},
    {326, "Manager Swap Mode"},
    {327, "Manager Copy Mode"},
    {329, "Manager Edit Mode"},
    {330, "Manager Confirm"},
    {331, "Manager Category BASS"},
    {332, "Manager Category GTR"},
    {333, "Manager Category MIDI"},
    {334, "Manager Category FX"},
    {335, "Manager Category EWI"},
    {336, "Manager Apply Edit"},
    {338, "Manager Browser List"},
    {339, "Manager Bank List"},
    {341, "Manager Browser Scroll"},
    {342, "Manager Preview Note"},
    {343, "Manager Browse"},
    {344, "Manager Online"},
    {345, "Manager Login"},
    {346, "Manager Remember Login"},
};
const int kCodeNameCount = sizeof kCodeNames / sizeof kCodeNames[0];

std::string OscName(int n, int k) {
  char name[64];
  if (n == 2 && k == 6)
    snprintf(name, sizeof name, "VCO %s", kOscRows[k].suffix);  // the one name without a digit
  else
    snprintf(name, sizeof name, "VCO%d %s", n, kOscRows[k].suffix);
  return name;
}

std::string FlexiName(int n, int k) {
  char name[64];
  snprintf(name, sizeof name, "FLEXI%d %s", n, kFlexiRows[k].suffix);
  return name;
}

namespace {
std::string Numbered(const char* format, int n) {
  char name[64];
  snprintf(name, sizeof name, format, n);
  return name;
}
}  // namespace

void ForEachParamName(const std::function<void(int index, const std::string& name)>& code) {
  // A code name stands for the host name where the table gives both.
  auto fn = [&code](int index, const std::string& name) {
    for (int i = 0; i < kCodeNameCount; ++i)
      if (kCodeNames[i].index == index) return;
    code(index, name);
  };
  for (int n = 1; n <= 4; ++n)
    for (int k = 0; k < 12; ++k) fn(kFirstOsc + 12 * (n - 1) + k, OscName(n, k));
  for (const IntRow& r : kVoiceRows) fn(r.index, r.name);
  for (int n = 1; n <= 4; ++n) {
    for (int k = 0; k < 7; ++k) fn(kFirstFlexi + 7 * (n - 1) + k, FlexiName(n, k));
    fn(kFirstFlexiMode + 2 * (n - 1), Numbered(kFlexiModeName, n));
    fn(kFirstFlexiMode + 1 + 2 * (n - 1), Numbered(kFlexiPolarityName, n));
    fn(kFirstFlexiRangeA + 2 * (n - 1), Numbered(kFlexiRangeAName, n));
    fn(kFirstFlexiRangeA + 1 + 2 * (n - 1), Numbered(kFlexiRangeBName, n));
    fn(kFirstShowSources + n - 1, Numbered(kShowSourcesName, n));
    fn(kFirstShowSources + 4 + n - 1, Numbered(kShowRangesName, n));
    fn(kFirstFlexiSources + 2 * (n - 1), Numbered(kSourcesName, n));
    fn(kFirstFlexiSources + 1 + 2 * (n - 1), Numbered(kRangesName, n));
  }
  for (const IntRow& r : kEffectRows) fn(r.index, r.name);
  for (const DoubleRow& r : kViewRows)
    if (r.name[0] != '\0') fn(r.index, r.name);
  fn(kSlotChooser, kSlotChooserName);
  fn(kMidiChannel, kMidiChannelName);
  fn(kMidiCc, kMidiCcName);
  for (int i = 0; i < kCodeNameCount; ++i) code(kCodeNames[i].index, kCodeNames[i].name);
}

std::string EnumeratorName(const std::string& name) {
  std::string id = "k";
  size_t i = 0;
  while (i < name.size()) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) {
      ++i;
      continue;
    }
    size_t end = i;
    bool lower = false;
    while (end < name.size() && std::isalnum(static_cast<unsigned char>(name[end])))
      lower |= std::islower(static_cast<unsigned char>(name[end++])) != 0;
    // A run in capitals ("VCF", "FLEXI1") reads as a word; a mixed one ("EnvLFO") keeps its case.
    for (size_t c = i; c < end; ++c) {
      const unsigned char ch = static_cast<unsigned char>(name[c]);
      id += static_cast<char>(c == i ? std::toupper(ch) : lower ? ch : std::tolower(ch));
    }
    i = end;
  }
  return id;
}

}  // namespace param_table
