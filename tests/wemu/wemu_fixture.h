// Shared set-up of the services-layer tests: a fresh headless platform per test, the posted-
// message queue running on its virtual clock, and a window view that records its messages.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/headless.h"
#include "wemu/app_controller.h"
#include "wemu/cursors.h"
#include "wemu/keys.h"
#include "wemu/message_queue.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_focus.h"
#include "wemu/window_handle.h"
#include "wemu/window_lifetime.h"
#include "wemu/window_timers.h"

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const RecordedMessage& o) const {
    return message == o.message && wParam == o.wParam && lParam == o.lParam;
  }
};

inline std::ostream& operator<<(std::ostream& os, const RecordedMessage& m) {
  return os << "{" << m.message << ", " << m.wParam << ", " << m.lParam << "}";
}

// A window view whose procedure records every message (thread-safe, for cross-thread tests).
class RecordingWindow : public HWND__ {
 public:
  explicit RecordingWindow(vq::platform::ViewKind kind = vq::platform::ViewKind::Generic)
      : HWND__(kind) {
    publish();
  }
  ~RecordingWindow() override { retire(); }
  LRESULT onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mLog.push_back({message, wParam, lParam});
    }
    if (onMessage) onMessage(message, wParam, lParam);
    return result;
  }
  std::vector<RecordedMessage> messages() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mLog;
  }
  std::vector<RecordedMessage> messagesOf(UINT message) const {
    std::vector<RecordedMessage> out;
    for (const auto& m : messages())
      if (m.message == message) out.push_back(m);
    return out;
  }
  void clearLog() {
    std::lock_guard<std::mutex> lock(mMutex);
    mLog.clear();
  }
  std::function<void(UINT, WPARAM, LPARAM)> onMessage;
  LRESULT result = 0;

 private:
  mutable std::mutex mMutex;
  std::vector<RecordedMessage> mLog;
};

inline void resetServicesLayer() {
  WEMU_Internal_DestroyAllWindows();
  ReleaseCapture();
  WEMU_SetDefaultWindowMenu(nullptr);
  WEMU_Internal_UninstallApplication();
  WEMU_Internal_PostMessage_Shutdown();
  WEMU_Internal_KillAllTimers();
  WEMU_Internal_ResetCursorState();
  WEMU_Internal_SetQuitting(false);
  WEMU_SetAppMessageHandler(nullptr);
  WEMU_SetDefaultModalWindowMenu(nullptr);
  WEMU_EnableRightClickEmulate(1);
  vq::platform::Window::setModalWindow(nullptr);
}

class WemuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetServicesLayer();
    backend = &vq::platform::installHeadless();
    WEMU_Internal_PostMessage_Init();
  }
  void TearDown() override {
    resetServicesLayer();
    // Leave a clean backend behind, so later suites see no state of this one.
    vq::platform::installHeadless();
  }
  // Moves the virtual clock on (one tick of the queue is 0.05 s).
  void advance(double seconds) { backend->loop.advance(seconds); }
  void tick() { advance(0.05); }

  vq::platform::HeadlessBackend* backend = nullptr;
};
