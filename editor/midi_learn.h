// MIDI learn: which controller moves each learnable field (122 entries, field i is parameter
// i + 3) and up to what value, the learn and unlearn modes, and the table as text
// ("midilearn.ini" beside the settings file): one line "entry=controller:maximum" per
// assigned entry.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/program_field_table.h"

// Lines "%d=%d:%d\n" for every entry whose controller is 0 or more; nothing for the rest.
std::string FormatMidiLearnFile(const int32_t* learnCC, const int32_t* learnMax, int count);

// Applies every well-formed line: the entry before "=", the controller after it and the
// maximum after the last ":". Lines naming an entry outside 0..count-1 or a controller outside
// -1..127 are skipped (a damaged file never writes outside the table). Returns the lines applied.
int ParseMidiLearnFile(const std::string& text, int32_t* learnCC, int32_t* learnMax, int count);

class MidiLearn {
 public:
  using Table = std::array<int32_t, ProgramFieldTable::kLearnEntryCount>;
  // Every entry unassigned, each maximum the field's default.
  MidiLearn();

  // The controller of each entry (-1: none) and the value its full turn reaches.
  Table& CC() { return mCC; }
  const Table& CC() const { return mCC; }
  Table& Max() { return mMax; }
  const Table& Max() const { return mMax; }

  // While learning, a field moved becomes the target and its value the maximum; with a
  // controller already turned, the assignment is made and learning ends (true).
  bool LearnField(int field, int32_t value);
  // While learning, a controller turned is remembered; with a target already chosen, the
  // assignment is made and learning ends (true).
  bool LearnController(int controller);
  // While unlearning, the field moved loses its controller and unlearning ends (true).
  bool UnlearnField(int field);

  // Writes the table to `path`, replacing the file only once the new one is complete.
  bool WriteFile(const std::string& path) const;
  // Reads the table from `path`; maxima are held to their fields' ranges.
  bool ReadFile(const std::string& path);

  // LearnMode: the next controller (or the next field moved) completes an assignment;
  // UnlearnMode: the next field moved loses its controller; Target: the field chosen;
  // LastCC: the controller turned while learning; NoMatch: no entry answered the last one.
  bool LearnMode() const { return mLearnMode; }
  void SetLearnMode(bool value) { mLearnMode = value; }
  bool UnlearnMode() const { return mUnlearnMode; }
  void SetUnlearnMode(bool value) { mUnlearnMode = value; }
  int32_t Target() const { return mTarget; }
  void SetTarget(int32_t value) { mTarget = value; }
  int32_t LastCC() const { return mLastCC; }
  void SetLastCC(int32_t value) { mLastCC = value; }
  bool NoMatch() const { return mNoMatch; }
  void SetNoMatch(bool value) { mNoMatch = value; }

 private:
  Table mCC;
  Table mMax;
  bool mLearnMode = false;
  bool mUnlearnMode = false;
  int32_t mTarget = -1;
  int32_t mLastCC = -1;
  bool mNoMatch = false;
};
