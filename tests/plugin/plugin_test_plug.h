// A GUI that records what the plug asks of it, for the plug-in base's tests (no graphics layer
// needed); the plug itself is support/test_plug.h.
#pragma once

#include <vector>

#include "plugin/imodule_gui.h"
#include "support/test_plug.h"

namespace vqtest {

class RecordingGUI : public IModuleGUI {
 public:
  struct Push {
    int param;
    bool normalized;
    double value;
    bool operator==(const Push& o) const {
      return param == o.param && normalized == o.normalized && value == o.value;
    }
  };

  explicit RecordingGUI(int* deletions = nullptr) : mDeletions(deletions) {}
  ~RecordingGUI() override {
    if (mDeletions) ++*mDeletions;
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
  int* mDeletions;
};

}  // namespace vqtest
