// Work other threads hand to the main thread. The MIDI input thread and the timer thread change
// no control, text or redraw themselves: they queue it here and the idle call runs it. Message
// boxes wait for the idle call too, and are shown only once the plug mutex is free: a thread
// that waited for the user while holding it would stall MIDI input and every control drag.
#include "editor/vq_editor.h"

#include <cassert>

#include "graphics/igraphics.h"
#include "platform/dialogs.h"

namespace {

// Boxes nobody has seen yet are not worth more than this; the oldest are kept.
constexpr size_t kMaxPostedBoxes = 16;

}  // namespace

void VQEditor::RunOnMainThread(std::function<void()> work) {
  if (!work) return;
  if (OnMainThread()) {
    UTL_MutexLock lock(mMutex);
    work();
    return;
  }
  std::lock_guard<std::mutex> lock(mMainWorkMutex);
  mMainWork.push_back(std::move(work));
}

void VQEditor::ShowOnPage(std::function<void(VQEditorPages&)> show) {
  if (!mPages || !show) return;
  if (!OnMainThread()) {
    RunOnMainThread([this, show = std::move(show)] { show(*mPages); });
    return;
  }
  show(*mPages);
}

void VQEditor::SetParamOnMainThread(int paramIdx, double value) {
  if (OnMainThread()) {
    SetParameterFromGUI2(paramIdx, value);
    return;
  }
  // A controller turned while the main thread is busy: only its last position matters.
  std::lock_guard<std::mutex> lock(mMainWorkMutex);
  for (auto& set : mMainParamSets) {
    if (set.first != paramIdx) continue;
    set.second = value;
    return;
  }
  mMainParamSets.emplace_back(paramIdx, value);
}

void VQEditor::PostMessageBox(const char* text, const char* caption, int type) {
  std::lock_guard<std::mutex> lock(mMainWorkMutex);
  if (mPostedBoxes.size() >= kMaxPostedBoxes) return;
  mPostedBoxes.push_back({text ? text : "", caption ? caption : "", type});
}

void VQEditor::PostMessageBoxOnce(const char* text, const char* caption) {
  std::lock_guard<std::mutex> lock(mMainWorkMutex);
  for (const PostedBox& box : mPostedBoxes)
    if (box.text == text && box.caption == caption && box.type == 0) return;
  if (mPostedBoxes.size() >= kMaxPostedBoxes) return;
  mPostedBoxes.push_back({text, caption, 0});
}

void VQEditor::RunMainThreadWork() {
  assert(OnMainThread());
  std::vector<std::pair<int, double>> sets;
  std::vector<std::function<void()>> work;
  {
    std::lock_guard<std::mutex> lock(mMainWorkMutex);
    sets.swap(mMainParamSets);
    work.swap(mMainWork);
  }
  UTL_MutexLock lock(mMutex);
  for (const auto& [paramIdx, value] : sets) SetParameterFromGUI2(paramIdx, value);
  for (auto& w : work) w();
}

bool VQEditor::BoxOrPanelUp() const {
  return vq::platform::boxesAndPanelsUp() > 0;
}

void VQEditor::ShowPostedMessageBoxes() {
  assert(OnMainThread());
  // One box or panel at a time: the queued boxes follow, in order, once the one up closes.
  if (mShowingBoxes || BoxOrPanelUp()) return;
  IGraphics* g = GetGraphicsOf(this);
  mShowingBoxes = true;
  for (;;) {
    PostedBox box;
    {
      std::lock_guard<std::mutex> lock(mMainWorkMutex);
      if (mPostedBoxes.empty()) break;
      box = mPostedBoxes.front();  // queued until closed: PostMessageBoxOnce sees it up
      mPostedBoxUp = true;
    }
    if (g) g->ShowMessageBox(box.text.c_str(), box.caption.c_str(), box.type);
    std::lock_guard<std::mutex> lock(mMainWorkMutex);
    mPostedBoxes.pop_front();
    mPostedBoxUp = false;
  }
  mShowingBoxes = false;
}
