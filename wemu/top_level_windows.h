// Top-level windows of the layer: modeless windows and modal dialog boxes made from dialog
// templates, their owned windows, activation (WM_ACTIVATE and the menu bar), closing (WM_CLOSE,
// then the cancel command; a window closes only through DestroyWindow or EndDialog), size and
// move messages and size limits (WM_GETMINMAXINFO). Main thread; elsewhere every function
// answers its failure value.
#pragma once

#include <vector>

#include "platform/view.h"
#include "wemu/window_view.h"

// The no-resource ids: 0x400000 with style bits 1 resizable, 2 no minimise, 4 no close.
constexpr int WEMU_NORESOURCE_ID = 0x400000;

class WEMU_TopLevelWindow : public vq::platform::Window,
                            public HWND__,
                            public vq::platform::WindowDelegate {
 public:
  enum class Kind { Modeless, DialogBox };
  // A new window owned by the layer; the content view is made by the caller.
  WEMU_TopLevelWindow(Kind kind, uint32_t style, vq::platform::Rect frame);
  ~WEMU_TopLevelWindow() override;

  Kind kind() const { return mKind; }
  // The handle of the window (as opposed to its content view).
  HWND__* handle() { return this; }
  WEMU_WindowView* contentWindowView() const;

  // HWND__: the content view answers for the window.
  bool answersWemuMessage() const override { return false; }
  bool answersWemuCommand() const override { return false; }
  bool answersWemuTimer() const override { return false; }
  bool answersWemuSetMenu() const override { return false; }
  bool wemuCanPostMessage() const override { return false; }
  vq::platform::Window* windowObject() const override;
  void destroy() override;

  // Window
  vq::platform::Size minSize() const override;
  vq::platform::Size maxSize() const override;
  bool canBecomeKeyWindow() const override;
  // A key window that closes hands key status back to its owner.
  void close() override;
  // Hidden from accessibility: a window without a title bar whose content view is empty;
  // otherwise the inherited answer.
  bool accessibilityIgnoredOr(bool inherited) const;
  bool windowAccessibilityIgnored() const override { return accessibilityIgnoredOr(false); }

  // WindowDelegate (the window is its own delegate)
  bool windowShouldClose(vq::platform::Window& w) override;
  void windowDidBecomeKey(vq::platform::Window& w) override;
  void windowDidResignKey(vq::platform::Window& w) override;
  void windowDidMove(vq::platform::Window& w) override;
  void windowDidResize(vq::platform::Window& w) override;

  // Owned windows, newest first; each knows its owner.
  void addOwnedWindow(WEMU_TopLevelWindow* w);
  void removeOwnedWindow(WEMU_TopLevelWindow* w);
  void destroyAllOwnedWindows();
  const std::vector<WEMU_TopLevelWindow*>& ownedWindows() const { return mOwned; }
  WEMU_TopLevelWindow* ownerWindow() const { return mOwner; }
  // Forgets the window as the last to lose key status, destroys owned windows, leaves the
  // owner (which becomes key when this one was).
  void doDestroyStuff();

  bool enabled = true;
  int wantRaiseAmount = 0;
  bool wantInitialKeyWindowOnShow = false;
  // Dialog boxes: the result given to EndDialog.
  int modalResult = 0;
  bool hasModalResult = false;
  bool modalRunning = false;

 private:
  Kind mKind;
  vq::platform::Size mLastFrameSize{0, 0};
  WEMU_TopLevelWindow* mOwner = nullptr;
  std::vector<WEMU_TopLevelWindow*> mOwned;
};

// The layer's top-level window of a platform window (none for other windows).
WEMU_TopLevelWindow* WEMU_TopLevelOf(vq::platform::Window* w);

// A child view (template flag 0x01 with a parent, or a no-resource id without style bits and
// with a parent) or the content view of a new hidden modeless window; null for an unknown id.
HWND__* WEMU_CreateDialog(WEMU_DialogResourceIndex* list, int id, HWND__* parent, WNDPROC proc,
                          LPARAM param);
// Runs the dialog modally and answers what EndDialog gave, or -1 (no list, unknown id, child
// template, off the main thread, the same dialog already running, or the run ended without
// EndDialog: window destroyed or closed, application terminating).
int WEMU_DialogBox(WEMU_DialogResourceIndex* list, int id, HWND__* parent, WNDPROC proc,
                   LPARAM param);
// Stores the result and ends the run of the dialog; a second call, or one after the window
// is gone, does nothing.
void EndDialog(HWND__* window, int result);
void CenterWindow(HWND__* window);
HWND__* GetFocus();
HMENU WEMU_GetDefaultWindowMenu();
void WEMU_SetDefaultWindowMenu(HMENU menu);

// A new modeless window around an existing view (it becomes the content view), owned by the
// owner's window when there is one. No procedure runs.
WEMU_TopLevelWindow* WEMU_Internal_MakeTopLevelForChild(vq::platform::View* child, HWND__* owner,
                                                        uint32_t style);
// Used by the window view.
void WEMU_Internal_DestroyOwnedWindows(vq::platform::Window* w);
void WEMU_Internal_WantInitialKeyOnShow(vq::platform::Window* w);
