#include "protocol/program_field_table.h"

#include <algorithm>

#include "protocol/name_tables.h"

// Columns: min, max, offset, NRPN MSB, NRPN LSB, file field, poti, INIT, learn max.
const ProgramFieldRow ProgramFieldTable::kRows[kProgramFieldCount] = {
    {-24, 48, 24, 5, 0, 0, 1, 0, 48},      //   0 "VCO1 coarse"
    {-63, 63, 63, 5, 1, 0, 2, 0, 63},      //   1 "VCO1 fine"
    {-63, 63, 63, 5, 2, 0, 3, 0, 63},      //   2 "VCO1 beat"
    {0, 127, 0, 5, 3, 0, 4, 0, 127},       //   3 "VCO1 saw env decay"
    {-63, 63, 63, 5, 4, 0, 5, 0, 63},      //   4 "VCO1 saw env ampmod"
    {0, 127, 0, 5, 5, 0, 6, 0, 127},       //   5 "VCO1 PWM offset"
    {1, 127, 0, 5, 6, 0, 7, 1, 127},       //   6 "VCO1 PWM LFO frq"
    {0, 127, 0, 5, 7, 0, 8, 0, 127},       //   7 "VCO1 PWM LFO depth"
    {0, 127, 0, 5, 8, 0, 9, 42, 127},      //   8 "VCO1 saw"
    {0, 127, 0, 5, 9, 0, 10, 0, 127},      //   9 "VCO1 square"
    {0, 127, 0, 5, 10, 0, 11, 0, 127},     //  10 "VCO1 tri"
    {0, 127, 0, 5, 11, 0, 12, 32, 127},    //  11 "VCO1 volume"
    {-24, 48, 24, 5, 12, 1, 1, 0, 48},     //  12 "VCO2 coarse"
    {-63, 63, 63, 5, 13, 1, 2, 0, 63},     //  13 "VCO2 fine"
    {-63, 63, 63, 5, 14, 1, 3, 0, 63},     //  14 "VCO2 beat"
    {0, 127, 0, 5, 15, 1, 4, 0, 127},      //  15 "VCO2 saw env decay"
    {-63, 63, 63, 5, 16, 1, 5, 0, 63},     //  16 "VCO2 saw env ampmod"
    {0, 127, 0, 5, 17, 1, 6, 0, 127},      //  17 "VCO2 PWM offset"
    {1, 127, 0, 5, 18, 1, 7, 1, 127},      //  18 "VCO PWM LFO frq"
    {0, 127, 0, 5, 19, 1, 8, 0, 127},      //  19 "VCO2 PWM LFO depth"
    {0, 127, 0, 5, 20, 1, 9, 0, 127},      //  20 "VCO2 saw"
    {0, 127, 0, 5, 21, 1, 10, 0, 127},     //  21 "VCO2 square"
    {0, 127, 0, 5, 22, 1, 11, 0, 127},     //  22 "VCO2 tri"
    {0, 127, 0, 5, 23, 1, 12, 0, 127},     //  23 "VCO2 volume"
    {-24, 48, 24, 5, 24, 2, 1, 0, 48},     //  24 "VCO3 coarse"
    {-63, 63, 63, 5, 25, 2, 2, 0, 63},     //  25 "VCO3 fine"
    {-63, 63, 63, 5, 26, 2, 3, 0, 63},     //  26 "VCO3 beat"
    {0, 127, 0, 5, 27, 2, 4, 0, 127},      //  27 "VCO3 saw env decay"
    {-63, 63, 63, 5, 28, 2, 5, 0, 63},     //  28 "VCO3 saw env ampmod"
    {0, 127, 0, 5, 29, 2, 6, 0, 127},      //  29 "VCO3 PWM offset"
    {1, 127, 0, 5, 30, 2, 7, 1, 127},      //  30 "VCO3 PWM LFO frq"
    {0, 127, 0, 5, 31, 2, 8, 0, 127},      //  31 "VCO3 PWM LFO depth"
    {0, 127, 0, 5, 32, 2, 9, 0, 127},      //  32 "VCO3 saw"
    {0, 127, 0, 5, 33, 2, 10, 0, 127},     //  33 "VCO3 square"
    {0, 127, 0, 5, 34, 2, 11, 0, 127},     //  34 "VCO3 tri"
    {0, 127, 0, 5, 35, 2, 12, 0, 127},     //  35 "VCO3 volume"
    {-24, 48, 24, 5, 36, 3, 1, 0, 48},     //  36 "VCO4 coarse"
    {-63, 63, 63, 5, 37, 3, 2, 0, 63},     //  37 "VCO4 fine"
    {-63, 63, 63, 5, 38, 3, 3, 0, 63},     //  38 "VCO4 beat"
    {0, 127, 0, 5, 39, 3, 4, 0, 127},      //  39 "VCO4 saw env decay"
    {-63, 63, 63, 5, 40, 3, 5, 0, 63},     //  40 "VCO4 saw env ampmod"
    {0, 127, 0, 5, 41, 3, 6, 0, 127},      //  41 "VCO4 PWM offset"
    {1, 127, 0, 5, 42, 3, 7, 1, 127},      //  42 "VCO4 PWM LFO frq"
    {0, 127, 0, 5, 43, 3, 8, 0, 127},      //  43 "VCO4 PWM LFO depth"
    {0, 127, 0, 5, 44, 3, 9, 0, 127},      //  44 "VCO4 saw"
    {0, 127, 0, 5, 45, 3, 10, 0, 127},     //  45 "VCO4 square"
    {0, 127, 0, 5, 46, 3, 11, 0, 127},     //  46 "VCO4 tri"
    {0, 127, 0, 5, 47, 3, 12, 0, 127},     //  47 "VCO4 volume"
    {-2, 3, 2, 5, 48, 4, 1, 0, 3},         //  48 "voice2 transposition"
    {-2, 3, 2, 5, 49, 4, 2, 0, 3},         //  49 "voice3 transposition"
    {0, 127, 0, 5, 50, 4, 3, 0, 127},      //  50 "instrument volume"
    {0, 127, 0, 5, 51, 4, 4, 0, 127},      //  51 "voice1(+1oct) volume"
    {0, 127, 0, 5, 52, 4, 5, 0, 127},      //  52 "voice2(var.) volume"
    {0, 127, 0, 5, 53, 4, 6, 0, 127},      //  53 "voice3(var.) volume"
    {0, 31, 0, 5, 54, 4, 7, 0, 31},        //  54 "distortion grade"
    {0, 127, 0, 5, 55, 4, 8, 64, 127},     //  55 "distortion tone"
    {0, 127, 0, 5, 56, 5, 1, 64, 127},     //  56 "Instrument volume"
    {0, 127, 0, 5, 57, 5, 2, 64, 127},     //  57 "VCF volume linear"
    {0, 127, 0, 5, 58, 5, 3, 64, 127},     //  58 "VCF volume logarithmic"
    {1, 127, 0, 5, 59, 6, 1, 1, 127},      //  59 "VCA attack time"
    {1, 127, 0, 5, 60, 6, 2, 1, 127},      //  60 "VCA decay time"
    {0, 127, 0, 5, 61, 6, 3, 127, 127},    //  61 "VCA sustain level"
    {1, 127, 0, 5, 62, 6, 4, 1, 127},      //  62 "VCA release time"
    {1, 127, 0, 5, 63, 6, 5, 1, 127},      //  63 "VCF attack time"
    {1, 127, 0, 5, 64, 6, 6, 1, 127},      //  64 "VCF decay time"
    {0, 127, 0, 5, 65, 6, 7, 0, 127},      //  65 "VCF sustain level"
    {1, 127, 0, 5, 66, 6, 8, 1, 127},      //  66 "VCF release time"
    {0, 2, 0, 5, 67, 6, 9, 1, 127},        //  67 "Envelope Mode"
    {1, 127, 0, 5, 68, 6, 10, 1, 127},     //  68 "Noise attack time"
    {1, 127, 0, 5, 69, 6, 11, 1, 80},      //  69 "Noise decay time"
    {0, 127, 0, 5, 70, 7, 1, 0, 122},      //  70 "Instrument volume"
    {0, 127, 0, 5, 71, 7, 2, 0, 24},       //  71 "Distortion volume"
    {0, 127, 0, 5, 72, 7, 3, 0, 127},      //  72 "Distortion through AR"
    {0, 127, 0, 5, 73, 7, 4, 64, 127},     //  73 "VCO through inverse AR"
    {0, 127, 0, 5, 74, 7, 5, 0, 1},        //  74 "Noise volume"
    {0, 1, 0, 5, 75, 7, 6, 1, 4},          //  75 "VCF vintage/new"
    {0, 80, 0, 5, 76, 7, 7, 122, 127},     //  76 "VCF Cutoff Frequency (vintage)"
    {0, 24, 0, 5, 77, 7, 8, 0, 1},         //  77 "2nd VCF Cutoff Frequency"
    {0, 127, 0, 5, 78, 7, 9, 0, 127},      //  78 "VCF modulation envelope follower"
    {0, 127, 0, 5, 79, 7, 10, 0, 1},       //  79 "VCF accent"
    {0, 127, 0, 5, 80, 7, 11, 0, 16},      //  80 "VCF modulation AD generator"
    {0, 1, 0, 5, 81, 7, 12, 0, 12},        //  81 "VCF modulation pitch follow"
    {0, 4, 0, 5, 82, 8, 1, 0, 1},          //  82 "VCF type"
    {7, 127, 0, 5, 83, 8, 2, 7, 1},        //  83 "VCF Q"
    {0, 1, 0, 5, 84, 8, 3, 1, 3},          //  84 "VCF slope"
    {0, 127, 0, 5, 85, 9, 1, 0, 127},      //  85 "portamento time"
    {0, 1, 0, 5, 86, 9, 2, 0, 127},        //  86 "portamento slope"
    {0, 24, 0, 5, 87, 9, 3, 2, 127},       //  87 "pitch bend range"
    {-24, 24, 24, 5, 88, 9, 4, 0, 127},    //  88 "VCO transpose"
    {0, 3, 0, 5, 89, 9, 5, 0, 3},          //  89 "trig/gate mode"
    {0, 3, 0, 5, 90, 9, 6, 3, 127},        //  90 "key priority"
    {1, 127, 0, 5, 91, 10, 1, 1, 127},     //  91 "LFO frequency"
    {0, 127, 0, 5, 92, 10, 2, 0, 127},     //  92 "LFO delay"
    {0, 127, 0, 5, 93, 10, 3, 0, 127},     //  93 "LFO VCF depth"
    {0, 127, 0, 5, 94, 10, 4, 0, 63},      //  94 "LFO VCO depth"
    {0, 113, 0, 5, 95, 11, 1, 0, 127},     //  95 "FLEXI1 SOURCE"
    {0, 3, 0, 5, 96, 11, 2, 0, 127},       //  96 "FLEXI1 BITS"
    {0, 127, 0, 5, 97, 11, 3, 0, 127},     //  97 "FLEXI1 DESTINATION"
    {0, 3, 0, 5, 98, 11, 4, 0, 63},        //  98 "FLEXI1 RANGE POLARITY"
    {0, 127, 0, 5, 99, 11, 5, 0, 127},     //  99 "FLEXI1 RANGE"
    {0, 113, 0, 5, 100, 11, 6, 0, 127},    // 100 "FLEXI1 RANGE CONTROL"
    {-11, 68, 11, 5, 101, 11, 7, 0, 127},  // 101 "FLEXI1 CURVE"
    {0, 113, 0, 5, 102, 12, 1, 0, 127},    // 102 "FLEXI2 SOURCE"
    {0, 3, 0, 5, 103, 12, 2, 0, 127},      // 103 "FLEXI2 BITS"
    {0, 127, 0, 5, 104, 12, 3, 0, 1},      // 104 "FLEXI2 DESTINATION"
    {0, 3, 0, 5, 105, 12, 4, 0, 1},        // 105 "FLEXI2 RANGE POLARITY"
    {0, 127, 0, 5, 106, 12, 5, 0, 127},    // 106 "FLEXI2 RANGE"
    {0, 113, 0, 5, 107, 12, 6, 0, 6},      // 107 "FLEXI2 RANGE CONTROL"
    {-11, 68, 11, 5, 108, 12, 7, 0, 1},    // 108 "FLEXI2 CURVE"
    {0, 113, 0, 5, 109, 13, 1, 0, 1},      // 109 "FLEXI3 SOURCE"
    {0, 3, 0, 5, 110, 13, 2, 0, 127},      // 110 "FLEXI3 BITS"
    {0, 127, 0, 5, 111, 13, 3, 0, 127},    // 111 "FLEXI3 DESTINATION"
    {0, 3, 0, 5, 112, 13, 4, 0, 20},       // 112 "FLEXI3 RANGE POLARITY"
    {0, 127, 0, 5, 113, 13, 5, 0, 127},    // 113 "FLEXI3 RANGE"
    {0, 113, 0, 5, 114, 13, 6, 0, 100},    // 114 "FLEXI3 RANGE CONTROL"
    {-11, 68, 11, 5, 115, 13, 7, 0, 20},   // 115 "FLEXI3 CURVE"
    {0, 113, 0, 5, 116, 14, 1, 0, 127},    // 116 "FLEXI4 SOURCE"
    {0, 3, 0, 5, 117, 14, 2, 0, 100},      // 117 "FLEXI4 BITS"
    {0, 127, 0, 5, 118, 14, 3, 0, 20},     // 118 "FLEXI4 DESTINATION"
    {0, 3, 0, 5, 119, 14, 4, 0, 127},      // 119 "FLEXI4 RANGE POLARITY"
    {0, 127, 0, 5, 120, 14, 5, 0, 127},    // 120 "FLEXI4 RANGE"
    {0, 113, 0, 5, 121, 14, 6, 0, 15},     // 121 "FLEXI4 RANGE CONTROL"
    {-11, 68, 11, 5, 122, 14, 7, 0, -1},   // 122 "FLEXI4 CURVE"
    {0, 1, 0, 5, 123, 9, 7, 0, -1},        // 123 "Delay Vintage/Long"
    {0, 3, 0, 5, 124, 9, 8, 0, -1},        // 124 "MIDI Sync"
    {0, 0, 0, 0, 0, 0, 0, 0, -1},          // 125 "Ext. Midi Program Change"
    {0, 0, 0, 0, 0, 0, 0, 0, -1},          // 126 (none)
    {0, 0, 0, 0, 0, 0, 0, 0, -1},          // 127 (none)
    {0, 1, 0, 6, 0, 15, 1, 0, -1},         // 128 "Effects Chain Order"
    {0, 127, 0, 6, 1, 15, 2, 0, -1},       // 129 "Mod Blend INSTRUMENT"
    {0, 127, 0, 6, 2, 15, 3, 0, -1},       // 130 "Mod Blend VCF"
    {0, 1, 0, 6, 3, 16, 1, 0, -1},         // 131 "Mod ON/OFF"
    {0, 127, 0, 6, 4, 16, 2, 0, -1},       // 132 "LFO A frq."
    {0, 127, 0, 6, 5, 16, 3, 0, -1},       // 133 "LFO B frq."
    {-64, 63, 64, 6, 6, 16, 4, 0, -1},     // 134 "Level1"
    {0, 127, 0, 6, 7, 16, 5, 0, -1},       // 135 "Delay1"
    {0, 127, 0, 6, 8, 16, 6, 0, -1},       // 136 "Mod1 A"
    {0, 127, 0, 6, 9, 16, 7, 0, -1},       // 137 "Mod1 B"
    {-64, 63, 64, 6, 10, 16, 8, 0, -1},    // 138 "Level2"
    {0, 127, 0, 6, 11, 16, 9, 0, -1},      // 139 "Delay2"
    {0, 127, 0, 6, 12, 16, 10, 0, -1},     // 140 "Mod2 A"
    {0, 127, 0, 6, 13, 16, 11, 0, -1},     // 141 "Mod2 B"
    {0, 127, 0, 6, 14, 16, 12, 0, -1},     // 142 "Feedback level"
    {0, 127, 0, 6, 15, 16, 13, 0, -1},     // 143 "Feedback damping"
    {0, 3, 0, 6, 16, 17, 1, 0, -1},        // 144 "Overdrive ON/OFF"
    {0, 127, 0, 6, 17, 17, 2, 0, -1},      // 145 "Drive"
    {-6, 6, 6, 6, 18, 17, 3, 0, -1},       // 146 "Level"
    {0, 127, 0, 0, 0, 17, 4, 0, -1},       // 147 (none)
    {0, 127, 0, 0, 0, 17, 5, 0, -1},       // 148 (none)
    {0, 127, 0, 0, 0, 17, 6, 0, -1},       // 149 (none)
    {0, 127, 0, 0, 0, 17, 7, 0, -1},       // 150 (none)
    {0, 127, 0, 0, 0, 17, 8, 0, -1},       // 151 (none)
    {0, 127, 0, 0, 0, 17, 9, 0, -1},       // 152 (none)
    {0, 127, 0, 0, 0, 17, 10, 0, -1},      // 153 (none)
    {0, 127, 0, 0, 0, 17, 11, 0, -1},      // 154 (none)
    {0, 127, 0, 0, 0, 17, 12, 0, -1},      // 155 (none)
    {0, 127, 0, 0, 0, 17, 13, 0, -1},      // 156 (none)
    {0, 3, 0, 6, 29, 18, 1, 0, -1},        // 157 "Equalizer ON/OFF"
    {0, 127, 0, 6, 30, 18, 2, 0, -1},      // 158 "Bass frq."
    {0, 127, 0, 6, 31, 18, 3, 0, -1},      // 159 "Bass Slope"
    {-20, 20, 20, 6, 32, 18, 4, 0, -1},    // 160 "Bass Boost"
    {0, 127, 0, 6, 33, 18, 5, 0, -1},      // 161 "Mid1 frq."
    {10, 100, 0, 6, 34, 18, 6, 10, -1},    // 162 "Mid1 Q"
    {-20, 20, 20, 6, 35, 18, 7, 0, -1},    // 163 "Mid1 Boost"
    {0, 127, 0, 6, 36, 18, 8, 0, -1},      // 164 "Mid2 frq."
    {10, 100, 0, 6, 37, 18, 9, 10, -1},    // 165 "Mid2 Q"
    {-20, 20, 20, 6, 38, 18, 10, 0, -1},   // 166 "Mid2 Boost"
    {0, 127, 0, 6, 39, 18, 11, 0, -1},     // 167 "Treble frq."
    {0, 127, 0, 6, 40, 18, 12, 0, -1},     // 168 "Treble Slope"
    {-15, 15, 15, 6, 41, 18, 13, 0, -1},   // 169 "Treble Boost"
    {0, 1, 0, 5, 89, -1, 0, 0, -1},        // 170 "portamento mode"
    {0, 1, 0, 5, 96, -1, 0, 0, -1},        // 171 "FLEXI1 MODE"
    {0, 1, 0, 5, 98, -1, 0, 0, -1},        // 172 "FLEXI1 RANGE CONTROL POLARITY"
    {0, 1, 0, 5, 103, -1, 0, 0, -1},       // 173 "FLEXI2 MODE"
    {0, 1, 0, 5, 105, -1, 0, 0, -1},       // 174 "FLEXI2 RANGE CONTROL POLARITY"
    {0, 1, 0, 5, 110, -1, 0, 0, -1},       // 175 "FLEXI3 MODE"
    {0, 1, 0, 5, 112, -1, 0, 0, -1},       // 176 "FLEXI3 RANGE CONTROL POLARITY"
    {0, 1, 0, 5, 117, -1, 0, 0, -1},       // 177 "FLEXI4 MODE"
    {0, 1, 0, 5, 119, -1, 0, 0, -1},       // 178 "FLEXI4 RANGE CONTROL POLARITY"
    {0, 1, 0, 6, 16, -1, 0, 0, -1},        // 179 "OD Blend INSTRUMENT"
    {0, 1, 0, 6, 16, -1, 0, 0, -1},        // 180 "OD Blend VCF"
    {0, 1, 0, 6, 29, -1, 0, 0, -1},        // 181 "EQ Blend INSTRUMENT"
    {0, 1, 0, 6, 29, -1, 0, 0, -1},        // 182 "EQ Blend VCF"
    {36, 122, 0, 5, 76, -1, 0, 0, -1},     // 183 "VCF Cutoff Frequency (new)"
    {0, 1, 0, 5, 124, -1, 0, 0, -1},       // 184 "VCO2 osc. sync"
    {0, 1, 0, 5, 124, -1, 0, 0, -1},       // 185 "Tracking Priority"
};

// The list rows are the first rows of the name tables.
static_assert(ProgramFieldTable::kSourceListSize == kFlexiSourceNameCount);
static_assert(ProgramFieldTable::kRangeControlListSize <= kRangeControlNameCount);

namespace {

ProgramRecord MakeGroupInit() {
  ProgramRecord r;
  for (int f : {6, 18, 30, 42, 59, 60, 62, 63, 64, 66, 67, 68, 69, 75, 91}) r[f] = 1;
  r[55] = 64;
  r[83] = 7;
  r[123] = 4;
  r[162] = 10;
  r[165] = 10;
  r[183] = 36;
  return r;
}

}  // namespace

const ProgramRecord ProgramFieldTable::kGroupInit = MakeGroupInit();

ProgramRecord ProgramFieldTable::InitRecord() {
  ProgramRecord r;
  for (int i = 0; i < kProgramFieldCount; ++i) r[i] = kRows[i].init;
  return r;
}

int32_t ProgramFieldTable::Msb(int field) {
  if (field >= 0 && field < kProgramFieldCount) return kRows[field].msb;
  return field == 187 ? 0 : 10;
}

uint8_t ProgramFieldTable::Lsb(int field) {
  if (field >= 0 && field < kProgramFieldCount) return kRows[field].lsb;
  return field == 187 ? 0 : 1;
}

uint8_t ProgramFieldTable::DeviceByte(int field, int32_t value) {
  if (field < 0 || field >= kProgramFieldCount) return 0;
  int32_t lo = kRows[field].min, hi = kRows[field].max;
  switch (field) {
    case 76:
      hi = 122;
      break;  // vintage 0..80 or new cutoff 36..122
    case 123:
    case 124:
      hi = 15;
      break;  // four switch bits
    case 125:
      hi = 127;
      break;  // external program change
    default:
      break;
  }
  int32_t v = std::clamp(value, lo, hi) + kRows[field].offset;
  return static_cast<uint8_t>(std::clamp(v, 0, 127));
}

uint8_t ProgramFieldTable::RecordDeviceByte(const ProgramRecord& record, int field) {
  if (field != 76) return DeviceByte(field, record[field]);
  const int range = record[75] != 0 ? 183 : 76;
  return DeviceByte(76, std::clamp(record[76], kRows[range].min, kRows[range].max));
}

int ProgramFieldTable::SourceListPosition(int32_t code) {
  for (int i = 0; i < kSourceListSize; ++i)
    if (kFlexiSourceNames[i].code == code) return i;
  return -1;
}

int ProgramFieldTable::RangeControlListPosition(int32_t code) {
  for (int i = 0; i < kRangeControlListSize; ++i)
    if (kRangeControlNames[i].code == code) return i;
  return -1;
}
