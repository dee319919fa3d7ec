// Host identification: a host's name text to a host code and back, and the
// names of the plug-in APIs. The standalone plug identifies itself as
// "standalone" (code 24).
#pragma once

#include <cstddef>

enum EHost {
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostVegas = 6,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostMelodyneStudio = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
};

// The API field of a plug: 5 for the standalone plug.
enum EAPI { kAPIVST2 = 0, kAPIVST3 = 1, kAPIAU = 2, kAPIRTAS = 3, kAPIAAX = 4, kAPIStandalone = 5 };

// Lower-cases the name and returns the code of the first table key found in
// it as a substring; 0 when none (or for null).
int HostCodeFromName(const char* name);

// Display name of a host code ("Unknown" for codes without one).
const char* HostNameFromCode(int code);
// The same, copied into out (at most outSize - 1 characters, NUL-terminated).
void HostNameFromCode(int code, char* out, size_t outSize);

// "VST2", "VST3", "AU", "RTAS", "AAX", "Standalone"; "" for other indices.
const char* ApiNameFromIndex(int api);

// The architecture text: "x64".
const char* ArchString();
