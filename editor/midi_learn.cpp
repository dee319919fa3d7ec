#include "editor/midi_learn.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "editor/vq_editor.h"
#include "platform/file_system.h"
#include "plugin/iparam.h"

std::string FormatMidiLearnFile(const int32_t* learnCC, const int32_t* learnMax, int count) {
  std::string text;
  char line[64];
  for (int i = 0; i < count; ++i) {
    if (learnCC[i] < 0) continue;
    snprintf(line, sizeof line, "%d=%d:%d\n", i, learnCC[i], learnMax[i]);
    text += line;
  }
  return text;
}

namespace {

// A leading decimal number as "%d" reads it; false when there is none or it overflows.
bool LeadingInt(const std::string& s, long* out) {
  const char* begin = s.c_str();
  char* end = nullptr;
  errno = 0;
  long v = strtol(begin, &end, 10);
  if (end == begin || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
  *out = v;
  return true;
}

}  // namespace

int ParseMidiLearnFile(const std::string& text, int32_t* learnCC, int32_t* learnMax, int count) {
  int applied = 0;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line, '\n')) {
    const size_t eq = line.find('=');
    const size_t colon = line.rfind(':');
    if (eq == std::string::npos || colon == std::string::npos || colon < eq) continue;
    long entry, cc, max;
    if (!LeadingInt(line.substr(0, eq), &entry) || !LeadingInt(line.substr(eq + 1), &cc) ||
        !LeadingInt(line.substr(colon + 1), &max))
      continue;
    if (entry < 0 || entry >= count || cc < -1 || cc > 127) continue;
    learnCC[entry] = static_cast<int32_t>(cc);
    learnMax[entry] = static_cast<int32_t>(max);
    ++applied;
  }
  return applied;
}

MidiLearn::MidiLearn() {
  mCC.fill(-1);
  for (int i = 0; i < ProgramFieldTable::kLearnEntryCount; ++i)
    mMax[i] = ProgramFieldTable::kRows[i].learnMax;
}

bool MidiLearn::LearnField(int field, int32_t value) {
  if (!mLearnMode) return false;
  mTarget = field;
  mMax[field] = value;
  if (mLastCC < 0) return false;
  mCC[field] = mLastCC;
  mLearnMode = false;
  return true;
}

bool MidiLearn::LearnController(int controller) {
  if (!mLearnMode) return false;
  mLastCC = controller;
  if (mTarget < 0 || mTarget >= ProgramFieldTable::kLearnEntryCount) return false;
  mCC[mTarget] = controller;
  mLearnMode = false;
  return true;
}

bool MidiLearn::UnlearnField(int field) {
  if (!mUnlearnMode) return false;
  mTarget = field;
  mCC[field] = -1;
  mUnlearnMode = false;
  return true;
}

bool MidiLearn::WriteFile(const std::string& path) const {
  namespace fs = vq::platform;
  const std::string text =
      FormatMidiLearnFile(mCC.data(), mMax.data(), ProgramFieldTable::kLearnEntryCount);
  // A new file beside the old one, on the disk before it is renamed over it, so a crash
  // leaves the old table or the new one.
  const std::string temp = fs::CreateTempFileBeside(path);
  if (temp.empty()) return false;
  bool ok;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    ok = static_cast<bool>(out);
  }
  if (ok && fs::SyncFile(temp) && fs::RenameFile(temp, path)) return true;
  fs::RemoveFile(temp);
  return false;
}

bool MidiLearn::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  Table cc = mCC;
  Table max = mMax;
  ParseMidiLearnFile(text.str(), cc.data(), max.data(), ProgramFieldTable::kLearnEntryCount);
  // A maximum outside its field's range would scale controllers past what the field takes.
  for (int i = 0; i < ProgramFieldTable::kLearnEntryCount; ++i) {
    mCC[i] = cc[i];
    mMax[i] = std::clamp(max[i], ProgramFieldTable::Min(i), ProgramFieldTable::Max(i));
  }
  return true;
}

std::string VQEditor::MidiLearnFilePath() const {
  return vq::platform::FolderOfPath(SettingsPath()) + "midilearn.ini";
}

bool VQEditor::WriteMidiLearnFile(const std::string& path) {
  UTL_MutexLock lock(mMutex);
  return mLearn.WriteFile(path.empty() ? MidiLearnFilePath() : path);
}

bool VQEditor::ReadMidiLearnFile(const std::string& path) {
  UTL_MutexLock lock(mMutex);
  return mLearn.ReadFile(path.empty() ? MidiLearnFilePath() : path);
}

void VQEditor::ArmMidiLearn(bool learn) {
  UTL_MutexLock lock(mMutex);
  // One at a time: a control moved while both are armed would be learned and forgotten at once.
  if (learn && mLearn.UnlearnMode()) SetParameterFromGUI2(vq_param::kUnlearn, 0.0);
  ArmLearnSwitch(vq_param::kLearn, learn, "MIDI Learn: move a control and a CC");
}

void VQEditor::ArmMidiUnlearn(bool unlearn) {
  UTL_MutexLock lock(mMutex);
  if (unlearn && mLearn.LearnMode()) SetParameterFromGUI2(vq_param::kLearn, 0.0);
  ArmLearnSwitch(vq_param::kUnlearn, unlearn, "MIDI Unlearn: move a control");
}

void VQEditor::ArmLearnSwitch(int param, bool on, const char* hint) {
  SetParameterFromGUI2(param, on ? 1.0 : 0.0);
  if (on)
    SetStatusText(hint);
  else
    ShowProgramName();
}

bool VQEditor::MidiLearnArmed() {
  UTL_MutexLock lock(mMutex);
  return mLearn.LearnMode();
}

bool VQEditor::MidiUnlearnArmed() {
  UTL_MutexLock lock(mMutex);
  return mLearn.UnlearnMode();
}

void VQEditor::FinishLearnStep(int field) {
  UTL_MutexLock lock(mMutex);
  if (field < 0 || field >= ProgramFieldTable::kLearnEntryCount) return;
  // Without a settings file there is no folder to keep the table in.
  if (!SettingsPath().empty() && !WriteMidiLearnFile()) {
    SetStatusText("MIDI learn could not be saved!");
    return;
  }
  const IParam* param = GetParam(field + kFieldParamOffset);
  const char* name = param ? param->GetName() : "";
  char text[96];
  if (mLearn.CC()[field] >= 0)
    snprintf(text, sizeof text, "CC %d moves %s", mLearn.CC()[field], name);
  else
    snprintf(text, sizeof text, "%s follows no CC", name);
  SetStatusText(text);
}
