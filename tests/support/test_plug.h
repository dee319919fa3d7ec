// A standalone plug whose nParams parameters start untyped (range 0..1); tests Init them. It
// records parameter changes, idle ticks and graphics resizes, and needs no graphics layer.
#pragma once

#include <vector>

#include "plugin/imodule_standalone.h"

namespace vqtest {

class TestPlug : public IModuleStandalone {
 public:
  static IModuleInstanceInfo Info(vq::platform::MidiOutput* out, uint16_t* channel) {
    IModuleInstanceInfo info;
    info.mBundleID.Set("org.example.standalone.VQEditor4.macOS");
    info.mMidiOut = out;
    info.mMidiOutChannel = channel;
    return info;
  }

  explicit TestPlug(int nParams, vq::platform::MidiOutput* out = nullptr,
                    uint16_t* channel = nullptr, bool doesMidi = true)
      : IModuleStandalone(Info(out, channel), nParams, "0-1 0-2", 1, "VQEditor4", "VQEditor4",
                          "marrowtone", 0x00040101, 0x56714534, 0x4d727774, 0, doesMidi, false,
                          false) {}

  void OnParamChange(int paramIdx) override {
    IModuleStandalone::OnParamChange(paramIdx);
    changes.push_back(paramIdx);
  }
  void OnTick() override { ++ticks; }
  void OnGraphicsResized() override { ++resized; }

  std::vector<int> changes;
  int ticks = 0;
  int resized = 0;
};

}  // namespace vqtest
