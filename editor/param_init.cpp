// Initialises the editor's parameters from the parameter table, with the display texts of the
// FLEXI list selectors, the slot chooser and the keyboard MIDI controls.
#include <cstdio>

#include "protocol/name_tables.h"
#include "editor/param_table.h"
#include "editor/vq_editor.h"
#include "plugin/iparam.h"

using namespace param_table;

void VQEditor::InitParameters() {
  auto param = [this](int idx) { return GetParam(idx); };
  char name[64];

  for (int n = 1; n <= 4; ++n) {
    for (int k = 0; k < 12; ++k) {
      const OscRow& r = kOscRows[k];
      if (IParam* p = param(kFirstOsc + 12 * (n - 1) + k))
        p->InitInt(OscName(n, k).c_str(), r.def, r.min, r.max);
    }
  }
  for (const IntRow& r : kVoiceRows)
    if (IParam* p = param(r.index)) p->InitInt(r.name, r.def, r.min, r.max);
  for (int n = 1; n <= 4; ++n) {
    for (int k = 0; k < 7; ++k) {
      if (IParam* p = param(kFirstFlexi + 7 * (n - 1) + k))
        p->InitInt(FlexiName(n, k).c_str(), 0, kFlexiRows[k].min, kFlexiRows[k].max);
    }
    snprintf(name, sizeof name, kFlexiModeName, n);
    if (IParam* p = param(kFirstFlexiMode + 2 * (n - 1))) p->InitInt(name, 0, 0, 1);
    snprintf(name, sizeof name, kFlexiPolarityName, n);
    if (IParam* p = param(kFirstFlexiMode + 1 + 2 * (n - 1))) p->InitInt(name, 0, 0, 1);
    snprintf(name, sizeof name, kFlexiRangeAName, n);
    if (IParam* p = param(kFirstFlexiRangeA + 2 * (n - 1))) p->InitInt(name, 0, 0, 127);
    snprintf(name, sizeof name, kFlexiRangeBName, n);
    if (IParam* p = param(kFirstFlexiRangeA + 1 + 2 * (n - 1))) p->InitInt(name, 0, 0, 127);
  }
  for (const IntRow& r : kEffectRows)
    if (IParam* p = param(r.index)) p->InitInt(r.name, r.def, r.min, r.max);

  for (int n = 1; n <= 4; ++n) {
    snprintf(name, sizeof name, kShowSourcesName, n);
    if (IParam* p = param(kFirstShowSources + n - 1))
      p->InitDouble(name, "", "", 0.0, 0.0, 1.0, 0.001, 1.0);
    snprintf(name, sizeof name, kShowRangesName, n);
    if (IParam* p = param(kFirstShowSources + 4 + n - 1))
      p->InitDouble(name, "", "", 0.0, 0.0, 1.0, 0.001, 1.0);
  }
  for (const DoubleRow& r : kViewRows)
    if (IParam* p = param(r.index)) p->InitDouble(r.name, "", "", r.def, r.min, r.max, 0.001, 1.0);

  // List selectors: typed integer first, so the enumeration only renames and re-ranges them.
  for (int n = 0; n < 4; ++n) {
    if (IParam* p = param(kFirstFlexiSources + 2 * n)) {
      p->InitInt("", kFlexiSourceNameCount, 0, kFlexiSourceNameCount);
      snprintf(name, sizeof name, kSourcesName, n + 1);
      p->InitEnum(name, 0, kFlexiSourceNameCount);
    }
    if (IParam* p = param(kFirstFlexiSources + 1 + 2 * n)) {
      p->InitInt("", 0, 0, ProgramFieldTable::kRangeControlListSize);
      snprintf(name, sizeof name, kRangesName, n + 1);
      p->InitEnum(name, 0, ProgramFieldTable::kRangeControlListSize);
    }
  }
  if (IParam* p = param(kSlotChooser)) p->InitEnum(kSlotChooserName, 0, 99, "label");
  if (IParam* p = param(kMidiChannel)) p->InitEnum(kMidiChannelName, 0, 16);
  if (IParam* p = param(kMidiCc)) p->InitEnum(kMidiCcName, 0, 87);

  // Display texts come last, value by value across the four slots.
  for (int v = 0; v < kFlexiSourceNameCount; ++v)
    for (int n = 0; n < 4; ++n)
      if (IParam* p = param(kFirstFlexiSources + 2 * n))
        p->SetDisplayText(v, kFlexiSourceNames[v].name);
  for (int v = 0; v < ProgramFieldTable::kRangeControlListSize; ++v)
    for (int n = 0; n < 4; ++n)
      if (IParam* p = param(kFirstFlexiSources + 1 + 2 * n))
        p->SetDisplayText(v, kRangeControlNames[v].name);
  if (IParam* p = param(kSlotChooser)) {
    for (int v = 0; v < 99; ++v) {
      snprintf(name, sizeof name, "%02d", v + 1);
      p->SetDisplayText(v, name);
    }
  }
  if (IParam* p = param(kMidiChannel)) {
    for (int v = 0; v < 16; ++v) {
      snprintf(name, sizeof name, "CH:%d", v + 1);
      p->SetDisplayText(v, name);
    }
  }
  if (IParam* p = param(kMidiCc)) {
    p->SetDisplayText(0, "AT");
    for (int v = 1; v <= 86; ++v) {
      snprintf(name, sizeof name, "CC:%d", v);
      p->SetDisplayText(v, name);
    }
  }
}
