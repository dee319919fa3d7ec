// The MIDI-learn table as text ("midilearn.ini" beside the settings file): one line
// "entry=controller:maximum" per assigned entry. Pure; the editor's ReadMidiLearnFile and
// WriteMidiLearnFile move it to and from the file.
#pragma once

#include <cstdint>
#include <string>

// Lines "%d=%d:%d\n" for every entry whose controller is 0 or more; nothing for the rest.
std::string FormatMidiLearnFile(const int32_t* learnCC, const int32_t* learnMax, int count);

// Applies every well-formed line: the entry before "=", the controller after it and the
// maximum after the last ":". Lines naming an entry outside 0..count-1 or a controller outside
// -1..127 are skipped (a damaged file never writes outside the table). Returns the lines applied.
int ParseMidiLearnFile(const std::string& text, int32_t* learnCC, int32_t* learnMax, int count);
