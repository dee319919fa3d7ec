// Panel labels of the synth page's controls, as a player reads them: short, upper case, at
// most two lines of about seven characters (the knobs stand 40 pixels apart).
#include <map>

#include "tools/artgen/artgen.h"

namespace artgen {

const char* KnobLabel(int param) {
  static const char* const kOsc[12] = {"COARSE",   "FINE",         "BEAT",      "SAW\nDECAY",
                                       "SAW\nAMP", "PULSE\nWIDTH", "PWM\nRATE", "PWM\nDEPTH",
                                       "SAW",      "SQUARE",       "TRI",       "LEVEL"};
  if (param >= 3 && param <= 50) return kOsc[(param - 3) % 12];
  static const std::map<int, const char*> kLabels = {
      // mixer and filter
      {91, "VCO\nTRANSP"},
      {73, "INSTR\nVOL"},
      {74, "DIST\nVOL"},
      {75, "DIST\nAR"},
      {76, "VCO\nINV AR"},
      {77, "NOISE\nVOL"},
      {78, "VINTAGE\nNEW"},
      {79, "CUTOFF"},
      {80, "2ND\nCUTOFF"},
      {86, "RESO"},
      {85, "TYPE"},
      {81, "ENV\nFOLLOW"},
      {83, "AD\nMOD"},
      {82, "ACCENT"},
      {84, "KEY\nTRACK"},
      {87, "SLOPE"},
      // envelopes and LFO
      {70, "ENV\nMODE"},
      {62, "ATTACK"},
      {63, "DECAY"},
      {64, "SUSTAIN"},
      {65, "RELEASE"},
      {66, "ATTACK"},
      {67, "DECAY"},
      {68, "SUSTAIN"},
      {69, "RELEASE"},
      {71, "ATTACK"},
      {72, "DECAY"},
      {94, "RATE"},
      {95, "DELAY"},
      {96, "VCF\nDEPTH"},
      {97, "VCO\nDEPTH"},
      // voices, distortion, output
      {51, "VOICE 2\nTRANSP"},
      {52, "VOICE 3\nTRANSP"},
      {53, "INSTR\nVOL"},
      {54, "VOICE 1\n+1 OCT"},
      {55, "VOICE 2\nVOL"},
      {56, "VOICE 3\nVOL"},
      {57, "GRADE"},
      {58, "TONE"},
      {59, "INSTR"},
      {60, "VCF\nLIN"},
      {61, "VCF\nLOG"},
      // playing
      {88, "GLIDE"},
      {90, "BEND\nRANGE"},
      {89, "GLIDE\nSLOPE"},
      {173, "GLIDE\nMODE"},
      {127, "MIDI SYNC"},
      {93, "KEY PRIORITY"},
      {92, "TRIG/GATE"},
      {188, "TRACKING"},
      // effects
      {132, "BLEND\nINSTR"},
      {133, "BLEND\nVCF"},
      {134, "ON"},
      {135, "LFO A\nRATE"},
      {136, "LFO B\nRATE"},
      {137, "LEVEL"},
      {138, "TIME"},
      {139, "MOD A"},
      {140, "MOD B"},
      {141, "LEVEL"},
      {142, "TIME"},
      {143, "MOD A"},
      {144, "MOD B"},
      {145, "FEED\nBACK"},
      {146, "DAMP"},
      {147, "ON"},
      {148, "DRIVE"},
      {149, "LEVEL"},
      {182, "BLEND\nINSTR"},
      {183, "BLEND\nVCF"},
      {160, "ON"},
      {161, "FREQ"},
      {162, "SLOPE"},
      {163, "GAIN"},
      {164, "FREQ"},
      {165, "Q"},
      {166, "GAIN"},
      {167, "FREQ"},
      {168, "Q"},
      {169, "GAIN"},
      {170, "FREQ"},
      {171, "SLOPE"},
      {172, "GAIN"},
      {184, "BLEND\nINSTR"},
      {185, "BLEND\nVCF"},
      // external MIDI
      {309, "EXT\nMIDI"},
      {128, "PROGRAM\nCHANGE"},
      {310, "OCTAVE"},
      {311, "BEND\nRANGE"},
  };
  const auto it = kLabels.find(param);
  return it != kLabels.end() ? it->second : nullptr;
}

}  // namespace artgen
