// A button that opens the open or save panel, remembers the chosen file and its folder, and
// tells the plug through its parameter that a choice was made: the value toggles between 0 and 1
// on every choice, so each one is a parameter change. A cancelled panel changes nothing.
#pragma once

#include <functional>

#include "graphics/icontrol.h"
#include "graphics/iframe_bitmap.h"

class IFileSelectorControl : public IControl {
 public:
  enum EAction { kOpen = 0, kSave = 1 };
  enum EState { kIdle = 0, kPanelOpen = 1, kChosen = 2 };

  // folder and extensions (blank-separated, no dots; empty for any file) may be null.
  IFileSelectorControl(IModuleBase* plug, const IRECT& rect, int paramIdx, IFrameBitmap* image,
                       int action, const char* folder = nullptr, const char* extensions = nullptr);

  // Runs the panel modally.
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  // Shows the image only while the panel is open.
  bool Draw(IGraphics* graphics) override;
  // Reports one more redraw after a choice, to take the image away.
  bool IsDirty() override;

  // The full path of the current file ("" for none): a path the panel chose, or the folder and
  // name SetSelectedFile stored.
  void GetSelectedFile(UTL_String* out) const;
  // Splits at the last '/': the folder keeps the '/', the file gets the name. A path without
  // '/' replaces only the file. Paths of any length are kept whole.
  void SetSelectedFile(const char* path);
  void GetFolder(UTL_String* out) const { out->Set(mDir.Get()); }
  void SetFolder(const char* folder) { mDir.Set(folder ? folder : ""); }
  int GetState() const { return mState; }
  const char* GetFileName() const { return mFile.Get(); }

 protected:
  // Runs the panel modally from the current file and folder. After a choice, `chosen` runs
  // before the value toggles and the plug hears of it.
  void RunPanel(const std::function<void()>& chosen = {});

  UTL_String mDir{128};
  UTL_String mFile{128};
  UTL_String mExtensions{128};
  int mAction;
  int mState = kIdle;
  IFrameBitmap* mImage;
};
