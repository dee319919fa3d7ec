// The desktop's IGraphics: a graphics view of the platform layer shows the back buffer and
// brings the input; a repeating timer draws dirty controls and presents what they drew;
// alerts, panels, menus, text fields, the clipboard and the cursor go through the platform
// services. Nothing here knows which backend runs, so the whole GUI also runs headless.
// Main thread only, except ShowMessageBox.
#pragma once

#include <memory>
#include <string>

#include "graphics/igraphics.h"
#include "platform/graphics_view.h"
#include "platform/run_loop.h"

class IGraphicsLinux : public IGraphics, private vq::platform::GraphicsViewClient {
 public:
  IGraphicsLinux(IModuleBase* plug, int width, int height, int fps = 0);
  ~IGraphicsLinux() override;

  bool DrawScreen(const IRECT* r) override;
  void CreateDrawBitmaps() override;
  void EndUserInput() override;
  void Resize(int w, int h) override;
  const char* GetGUIAPI() override { return "Linux GUI"; }
  // Off the main thread an OK box is shown later and answers 1 at once; a question cannot
  // wait for the main thread there and gets the Cancel (or No) answer.
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* area) override;
  void CreateTextEntry(IControl* control, IParam* param, IText* text, IRECT* area,
                       const char* str) override;
  void HostPath(UTL_String* path) override;
  void PluginPath(UTL_String* path) override;
  void DesktopPath(UTL_String* path) override;
  void UserDocumentsPath(UTL_String* path) override;
  void AppSupportPath(UTL_String* path, bool system) override;
  void MusicPath(UTL_String* path) override;
  void PromptForFile(UTL_String* file, int action, UTL_String* dir,
                     const char* extensions) override;
  bool PromptForColor() override { return false; }
  bool OpenURL(const char* url) override;
  // parentView: the platform View to show in (or null); returns the graphics view.
  void* OpenWindow(void* parentView) override;
  void CloseWindow() override;
  void* GetWindow() override { return mView.get(); }
  bool GetTextFromClipboard(UTL_String* text) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  void UpdateTooltips() override;
  RAST_IBitmap* OSLoadBitmap(int id, const char* name) override;
  std::string OSBitmapFile(int id, const char* name) override;

  vq::platform::GraphicsView* View() const { return mView.get(); }
  // Draws and presents what is dirty now, without waiting for the display's next frame: at
  // start-up the first frame is then ready when the window first paints.
  void DrawNow();

  // The file a resource image name stands for, under `folder`: repeated "/" collapse; a name
  // that is absolute, has a ".." part or does not end in ".png" (any case) gives "".
  static std::string ResourceImagePath(const std::string& folder, const char* name);
  // The desktop's key code and character as the graphics' key number, -1 for keys it ignores.
  static int KeyNumber(uint16_t keyCode, const std::u32string& characters);

 private:
  void pointerEvent(const vq::platform::PointerEvent& e) override;
  bool keyEvent(const vq::platform::Event& e) override;
  std::string tooltipText(int x, int y) override;
  void modalLoopWillRun() override;
  void viewDetached() override;

  // Draws what is dirty into the back buffer and presents it.
  void OnTimer();
  void frameDue() override;
  // What input just changed, drawn now when the display can take a frame.
  void DrawInputNow();
  void PresentAll();
  void StopTimer();

  std::unique_ptr<vq::platform::GraphicsView> mView;
  std::unique_ptr<vq::platform::GraphicsView> mClosedView;  // its window went away
  vq::platform::TimerId mTimer = 0;
  IRECT mFrameArea;  // found dirty, waiting for the next frame
  bool mFrameWanted = false;
  bool mBufferDrawn = false;  // a frame has been drawn into the back buffer
  int mPrevX = 0;
  int mPrevY = 0;
  double mSavedCursorX = 0;
  double mSavedCursorY = 0;
};
