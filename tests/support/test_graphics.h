// A headless IGraphics for tests: every platform slot is answered without a window and recorded
// (screen copies, prompts, message boxes) and a control that records its draws. The plug they
// serve is support/test_plug.h.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "platform/dialogs.h"
#include "plugin/ipopup_menu.h"
#include "plugin/utl_heapbuf.h"
#include "test_plug.h"  // beside this file: benchmarks include it from the repository root

namespace vqtest {

// Whether another thread could take the mutex now: MIDI input and the status poll need the
// editor's while a box or panel waits for the user.
inline bool FreeForOtherThreads(UTL_Mutex& m) {
  bool free = false;
  std::thread([&] {
    if ((free = m.TryEnter())) m.Leave();
  }).join();
  return free;
}

class TestGraphics : public IGraphics {
 public:
  struct Prompt {
    IControl* control;
    IParam* param;
    IRECT where;
  };
  struct MessageBox {
    std::string text, caption;
    int type;
    bool onMainThread;
    bool plugFree;  // another thread could take the plug's mutex while the box was up
  };

  TestGraphics(IModuleBase* plug, int width = 1140, int height = 800, int fps = 0)
      : IGraphics(plug, width, height, fps) {}

  bool DrawScreen(const IRECT* r) override {
    screenCopies.push_back(r ? *r : IRECT());
    return drawScreenResult;
  }
  void EndUserInput() override {}
  int ShowMessageBox(const char* text, const char* caption, int type) override {
    vq::platform::BoxOrPanelShown shown;
    mostUp = std::max(mostUp, vq::platform::boxesAndPanelsUp());
    messageBoxes.push_back({text ? text : "", caption ? caption : "", type, OnGuiThread(),
                            !GetPlug() || FreeForOtherThreads(GetPlug()->Mutex())});
    if (whileBoxShown) whileBoxShown(messageBoxes.back());
    TickWhileUp();
    return messageBoxAnswer;
  }
  void TickWhileUp() {
    for (int tick = 0; tick < ticksWhileUp; ++tick) {
      IRECT r;
      if (IsDirty(&r)) Draw(&r);
    }
  }
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* area) override { return popupAnswer; }
  void CreateTextEntry(IControl* control, IParam* param, IText* text, IRECT* area,
                       const char* str) override {}
  void HostPath(UTL_String* path) override { path->Set(""); }
  void PluginPath(UTL_String* path) override { path->Set(""); }
  void DesktopPath(UTL_String* path) override { path->Set(""); }
  void UserDocumentsPath(UTL_String* path) override { path->Set(""); }
  void AppSupportPath(UTL_String* path, bool system) override { path->Set(""); }
  void MusicPath(UTL_String* path) override { path->Set(""); }
  // The file panel answers the next of fileAnswers, else the name it was given, or is cancelled
  // with fileCancels.
  void PromptForFile(UTL_String* file, int action, UTL_String* dir,
                     const char* extensions) override {
    vq::platform::BoxOrPanelShown shown;
    mostUp = std::max(mostUp, vq::platform::boxesAndPanelsUp());
    ++filePanels;
    std::string folder = dir->Get();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    proposedFiles.push_back(folder + file->Get());
    if (GetPlug() && !FreeForOtherThreads(GetPlug()->Mutex())) ++filePanelsHoldingThePlug;
    // Each panel takes its answer as it opens: one opened inside it takes the next.
    const bool scripted = !fileAnswers.empty();
    const std::string answer = scripted ? fileAnswers.front() : "";
    if (scripted) fileAnswers.erase(fileAnswers.begin());
    TickWhileUp();
    if (scripted)
      file->Set(answer.c_str());
    else if (fileCancels)
      file->Set("");
  }
  bool PromptForColor() override { return false; }
  bool OpenURL(const char* url) override {
    openedUrls.push_back(url ? url : "");
    return true;
  }
  void* OpenWindow(void* parentView) override {
    window = parentView ? parentView : this;
    return window;
  }
  void CloseWindow() override { window = nullptr; }
  void* GetWindow() override { return window; }
  bool GetTextFromClipboard(UTL_String* text) override { return false; }
  void UpdateTooltips() override {}
  RAST_IBitmap* OSLoadBitmap(int id, const char* name) override { return nullptr; }
  void PromptUserInput(IControl* control, IParam* param, IRECT* where) override {
    prompts.push_back({control, param, where ? *where : IRECT()});
  }

  std::vector<IRECT> screenCopies;
  std::vector<MessageBox> messageBoxes;
  std::vector<Prompt> prompts;
  std::vector<std::string> openedUrls;
  int messageBoxAnswer = 1;
  // Looks at the window while a box is up, before it is answered.
  std::function<void(const MessageBox&)> whileBoxShown;
  IPopupMenu* popupAnswer = nullptr;
  bool drawScreenResult = true;
  bool fileCancels = false;
  int filePanels = 0;
  std::vector<std::string> proposedFiles;  // the folder and name each panel opened with
  int filePanelsHoldingThePlug = 0;
  // The nested loop of a box or panel: the GUI timer ticks this often (drawing what changed,
  // the idle call on every second clean tick) before the answer.
  int ticksWhileUp = 0;
  std::vector<std::string> fileAnswers;  // the next panels' paths, in order ("" cancels)
  int mostUp = 0;                        // the most boxes and panels up at once
  void* window = nullptr;
};

// A control that fills its rectangle with one colour and counts its draws; drawLog, when set,
// collects the list index of every control drawn, in order.
class TestControl : public IControl {
 public:
  TestControl(IModuleBase* plug, const IRECT& rect, int paramIdx = -1,
              std::vector<int>* drawLog = nullptr)
      : IControl(plug, rect, paramIdx), log(drawLog) {}
  TestControl(IModuleBase* plug, const IRECT& rect, int paramIdx, const IChannelBlend& blend)
      : IControl(plug, rect, paramIdx, blend) {}

  bool Draw(IGraphics* graphics) override {
    ++draws;
    if (log) log->push_back(GetListIdx());
    RAST_IBitmap* bm = graphics->GetDrawBitmap();
    RAST_BitmapRows rows(bm);
    if (rows) {
      for (int y = mRECT.T < 0 ? 0 : mRECT.T; y < mRECT.B && y < rows.height; ++y) {
        for (int x = mRECT.L < 0 ? 0 : mRECT.L; x < mRECT.R && x < rows.width; ++x)
          *rows.at(x, y) = fill;
      }
    }
    return true;
  }

  int draws = 0;
  RAST_pixel fill = RAST_MakePixel(255, 255, 255, 255);
  std::vector<int>* log = nullptr;
};

}  // namespace vqtest
