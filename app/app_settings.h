// The shell's settings: the record the Preferences dialog edits (MIDI devices and channels,
// and the audio fields kept for the record's shape) and the settings file "settings.ini" in
// the settings folder. Without a settings folder nothing is written and reads give defaults.
#pragma once

#include <cstdint>
#include <string>

struct AppSettings {
  // Audio: kept for the record's shape; nothing reads them.
  uint16_t audioDriver = 0;
  std::string audioInputDevice = "Built-in Input";
  std::string audioOutputDevice = "Built-in Output";
  std::string sampleRate = "44100";
  std::string audioBufferSize = "512";
  std::string signalVectorSize = "32";
  uint16_t audioInputChannels[2] = {1, 2};
  uint16_t audioOutputChannels[2] = {1, 2};
  uint16_t reserved = 0;
  // MIDI device names: any name a port list holds (never cut).
  std::string deviceInputName = "off";    // "indev"
  std::string keyboardInputName = "off";  // "inBdev"
  std::string outputName = "off";         // "outdev"
  // 0 all channels, 1..16 one.
  uint16_t deviceInputChannel = 0;
  uint16_t keyboardInputChannel = 0;
  uint16_t outputChannel = 0;
};

// The three device names and the three channels; the audio fields are not compared.
bool AppSettingsEqual(const AppSettings& a, const AppSettings& b);

// "settings.ini" of the settings folder.
class SettingsFile {
 public:
  // Creates the settings folder (0700, with missing parents) when needed and reads or writes
  // the MIDI keys: a fresh file gets "off" for all three, an existing one is read into
  // `settings` (channels 0) and its names written back. False when the folder cannot be
  // created; the file then stays unnamed.
  bool Load(AppSettings& settings);

  // "" while there is no settings folder.
  const std::string& Path() const { return mPath; }
  void WriteMidi(const AppSettings& settings) const;
  std::string Read(const char* section, const char* key, const char* defaultText) const;
  void Write(const char* section, const char* key, const char* value) const;

 private:
  std::string mPath;
};
