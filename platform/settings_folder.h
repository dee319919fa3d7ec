// Where the program keeps its settings, the MIDI-learn file and the current program:
// "$XDG_CONFIG_HOME/VQEditor4/" (XDG_CONFIG_HOME defaults to "$HOME/.config"). Every part that
// names the settings folder goes through these functions so all of them reach the same folder.
#pragma once

#include <string>
#include <string_view>

// The product name that names the folder.
inline constexpr const char* kSettingsProductName = "VQEditor4";

// The user's configuration folder without a trailing "/": $XDG_CONFIG_HOME when it is an
// absolute path, else $HOME/.config (the password database's home when HOME is unset).
std::string UserConfigFolder();

// The user's home folder: $HOME, else the password database's (else "/tmp").
std::string UserHomeFolder();

// The settings folder with its trailing "/", e.g. "/home/ann/.config/VQEditor4/".
std::string SettingsFolder();

// Creates the settings folder (and missing parents) when it does not exist; true when it
// exists afterwards.
bool CreateSettingsFolder();

// SettingsFolder() + name, e.g. SettingsFilePath("settings.ini").
std::string SettingsFilePath(std::string_view name);
