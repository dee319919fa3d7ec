// The editor's parameter table: names, types, ranges and defaults of the 350 parameters. Plain
// data without the editor, so that the build can write the enumeration of parameter indices
// (editor/param_ids.h, namespace vq_param) from it with a small host program.
#pragma once

#include <functional>
#include <string>

namespace param_table {

struct IntRow {
  int index;
  const char* name;
  int min, max, def;
};
struct OscRow {
  const char* suffix;
  int min, max, def;
};
struct FlexiRow {
  const char* suffix;
  int min, max;
};
struct DoubleRow {
  int index;
  const char* name;
  double min, max, def;
};
// The name code calls a parameter by when the host sees it without one (or by a class name).
struct CodeName {
  int index;
  const char* name;
};

extern const IntRow kVoiceRows[47];
extern const IntRow kEffectRows[49];
extern const OscRow kOscRows[12];
extern const FlexiRow kFlexiRows[7];
extern const DoubleRow kViewRows[20];
extern const CodeName kCodeNames[];
extern const int kCodeNameCount;

inline constexpr int kFirstOsc = 3;             // oscillator n (1..4), row k at 3 + 12 (n - 1) + k
inline constexpr int kFirstFlexi = 98;          // FLEXI n, row k at 98 + 7 (n - 1) + k
inline constexpr int kFirstFlexiMode = 174;     // + 2 (n - 1); range-control polarity one above
inline constexpr int kFirstFlexiRangeA = 231;   // + 2 (n - 1); Range B one above
inline constexpr int kFirstShowSources = 255;   // + n; "Show Flexi%d Ranges" at 259 + n - 1
inline constexpr int kFirstFlexiSources = 247;  // + 2 (n - 1); the range list one above
inline constexpr int kSlotChooser = 301;
inline constexpr int kMidiChannel = 347;
inline constexpr int kMidiCc = 348;

// Host names of the rows built per FLEXI slot n and of the single enumerations.
inline constexpr const char* kFlexiModeName = "FLEXI%d MODE";
inline constexpr const char* kFlexiPolarityName = "FLEXI%d RANGE CONTROL POLARITY";
inline constexpr const char* kFlexiRangeAName = "FLEXI%d Range A";
inline constexpr const char* kFlexiRangeBName = "FLEXI%d Range B";
inline constexpr const char* kShowSourcesName = "Show Flexi%d Sources";
inline constexpr const char* kShowRangesName = "Show Flexi%d Ranges";
inline constexpr const char* kSourcesName = "Flexi%d Sources";
inline constexpr const char* kRangesName = "Flexi%d Ranges";
inline constexpr const char* kSlotChooserName = "ICaptionControl";
inline constexpr const char* kMidiChannelName = "MIDI Channel";
inline constexpr const char* kMidiCcName = "MIDI CC";

// The host name of oscillator n's row k and of FLEXI n's row k.
std::string OscName(int n, int k);
std::string FlexiName(int n, int k);

// Every parameter the table names, with its code name when it has one, else its host name;
// group by group as the table lists them.
void ForEachParamName(const std::function<void(int index, const std::string& name)>& fn);

// The enumerator for a parameter name: "k", then each run of letters and digits with its first
// letter upper case and, when the run has no lower-case letter ("VCF", "FLEXI1"), the rest lower
// case; mixed runs ("EnvLFO") keep theirs. "VCF Cutoff Frequency (vintage)" ->
// kVcfCutoffFrequencyVintage. A name more than one parameter would get is followed by the
// parameter index (kInstrumentVolume53); the generator adds that.
std::string EnumeratorName(const std::string& name);

}  // namespace param_table
