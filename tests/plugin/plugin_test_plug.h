// A standalone plug that records parameter changes, and a GUI that records what the plug asks of
// it, for the plug-in base's tests (no graphics layer needed).
#pragma once

#include <vector>

#include "plugin/imodule_gui.h"
#include "plugin/imodule_standalone.h"

namespace vqtest {

class RecordingPlug : public IModuleStandalone {
 public:
  static IModuleInstanceInfo Info(vq::platform::MidiOutput* out, uint16_t* channel) {
    IModuleInstanceInfo info;
    info.mBundleID.Set("org.example.standalone.VQEditor4.macOS");
    info.mMidiOut = out;
    info.mMidiOutChannel = channel;
    return info;
  }

  explicit RecordingPlug(int nParams, vq::platform::MidiOutput* out = nullptr, uint16_t* channel = nullptr,
                         bool doesMidi = true)
      : IModuleStandalone(Info(out, channel), nParams, "0-1 0-2", 1, "VQEditor4", "VQEditor4", "marrowtone",
                          0x00040101, 0x56714534, 0x4d727774, 0, doesMidi, false, false) {}

  void OnParamChange(int paramIdx) override {
    IModuleStandalone::OnParamChange(paramIdx);
    changes.push_back(paramIdx);
  }
  void OnGraphicsResized() override { ++resized; }

  std::vector<int> changes;
  int resized = 0;
};

class RecordingGUI : public IModuleGUI {
 public:
  struct Push {
    int param;
    bool normalized;
    double value;
    bool operator==(const Push& o) const { return param == o.param && normalized == o.normalized && value == o.value; }
  };

  explicit RecordingGUI(int* deletions = nullptr) : deletions_(deletions) {}
  ~RecordingGUI() override {
    if (deletions_) ++*deletions_;
  }

  void SetControlsFromPlugValue(int paramIdx, bool normalized, double value) override {
    pushes.push_back({paramIdx, normalized, value});
  }
  void CreateDrawBitmaps() override { ++bitmapsCreated; }
  void AttachControl(IControl* control) override { ++controlsAttached; }
  void AttachResizeHandles(IModuleGUIResize* resize) override { ++handlesAttached; }
  void ResizeAtGuiOpen(IModuleGUIResize* resize) override { ++resizedAtOpen; }
  void RecordAttachLayout(LiveEditState* state) override {
    state->AddAttachedControl(LiveEditRect{1, 2, 3, 4}, LiveEditRect{1, 2, 3, 4}, true, nullptr);
  }
  int GetWidth() const override { return width; }
  int GetHeight() const override { return height; }

  std::vector<Push> pushes;
  int bitmapsCreated = 0, controlsAttached = 0, handlesAttached = 0, resizedAtOpen = 0;
  int width = 1140, height = 800;

 private:
  int* deletions_;
};

}  // namespace vqtest
