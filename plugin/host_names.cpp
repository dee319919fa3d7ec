#include "plugin/host_names.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "plugin/utl_misc.h"

namespace {

struct HostKey {
  const char* key;
  int code;
};

// Searched in this order: the first key found in the name wins, so the
// longer product names come before the short keys they might contain.
constexpr HostKey kHostKeys[] = {
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostSonar},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFL},
    {"live", kHostAbletonLive},
    {"melodyne", kHostMelodyneStudio},
    {"vstmanlib", kHostVSTScanner},
    {"aulab", kHostAULab},
    {"garageband", kHostGarageBand},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostStudioOne},
    {"vst3plugintesthost", kHostVST3TestHost},
    {"protools", kHostProTools},
    {"ardour", kHostArdour},
    {"standalone", kHostStandalone},
};

// Display names by code 0..28; null entries read as "Unknown".
constexpr const char* kHostDisplayNames[] = {
    nullptr,      "Reaper",     "ProTools",   "Cubase",
    "Nuendo",     "Sonar",      "Vegas",      "FLStudio",
    "Samplitude", "Live",       nullptr,      nullptr,
    nullptr,      "VSTScanner", "AULab",      "Forte",
    "Chainer",    "Audition",   "Orion",      nullptr,
    "SAWStudio",  "Logic",      "GarageBand", "DigitalPerformer",
    "Standalone", "AudioMulch", "StudioOne",  "VST3PluginTestHost",
    "Ardour",
};

constexpr const char* kApiNames[] = {"VST2", "VST3", "AU", "RTAS", "AAX", "Standalone"};

}  // namespace

int HostCodeFromName(const char* name) {
  if (!name) return kHostUnknown;
  std::string lower(strlen(name) + 1, '\0');
  ToLowerCopy(lower.data(), lower.size(), name);
  for (const HostKey& k : kHostKeys) {
    if (strstr(lower.c_str(), k.key)) return k.code;
  }
  return kHostUnknown;
}

const char* HostNameFromCode(int code) {
  constexpr int n = static_cast<int>(sizeof(kHostDisplayNames) / sizeof(kHostDisplayNames[0]));
  if (code < 0 || code >= n || !kHostDisplayNames[code]) return "Unknown";
  return kHostDisplayNames[code];
}

void HostNameFromCode(int code, char* out, size_t outSize) {
  if (!out || outSize == 0) return;
  snprintf(out, outSize, "%s", HostNameFromCode(code));
}

const char* ApiNameFromIndex(int api) {
  if (api < 0 || api > kAPIStandalone) return "";
  return kApiNames[api];
}

const char* ArchString() {
  return "x64";
}
