// Windows and views as far as the window layer and the services under it need them: the
// view tree, first responder, default button, and the kinds of text views the dialog keys
// distinguish. A backend presents them; these objects hold the state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/accessibility.h"
#include "platform/event.h"
#include "platform/geometry.h"

namespace vq::platform {

class Window;
class Menu;
class View;

// Style bits of a top-level window.
enum WindowStyle : uint32_t {
  kWindowTitled = 1,
  kWindowClosable = 2,
  kWindowMiniaturizable = 4,
  kWindowResizable = 8,
};

// What a window tells its delegate (main thread). A window built as its own delegate
// overrides these.
class WindowDelegate {
 public:
  virtual ~WindowDelegate() = default;
  // The close box (or the window manager) asks; false keeps the window open.
  virtual bool windowShouldClose(Window& w) { return true; }
  virtual void windowDidBecomeKey(Window& w) {}
  virtual void windowDidResignKey(Window& w) {}
  virtual void windowDidMove(Window& w) {}
  virtual void windowDidResize(Window& w) {}
};

enum class SubviewPosition { Below, Above };

enum class ViewKind {
  Generic,
  TextView,   // a text view: a multi-line text, or the field editor inside a text field
  TextField,  // a single-line text field (its editing happens in a TextView inside it)
  Button,
};

enum class TextAction { Copy, Cut, Paste };

// What is dragged over a view: file names, or promised files of the given types, and where.
struct DragInfo {
  std::vector<std::string> fileNames;
  std::vector<std::string> promisedTypes;
  Point locationInWindow;  // window coordinates, origin bottom-left
  View* source = nullptr;  // the dragging view when it belongs to this application
  // Writes the promised files into the folder and answers their paths.
  std::function<std::vector<std::string>(const std::string& folder)> receivePromised;
};

// Answers of a drag destination.
enum DragOperation : int { kDragOperationNone = 0, kDragOperationGeneric = 4 };

class View {
 public:
  explicit View(ViewKind kind = ViewKind::Generic);
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  ViewKind kind() const { return mKind; }
  // Text views and text fields (Cocoa's NSText family).
  bool isText() const { return mKind == ViewKind::TextView || mKind == ViewKind::TextField; }

  bool isEditable() const { return mEditable; }
  void setEditable(bool on) { mEditable = on; }
  bool isEnabled() const { return mEnabled; }
  void setEnabled(bool on) { mEnabled = on; }
  bool isFlipped() const { return mFlipped; }
  void setFlipped(bool on) { mFlipped = on; }
  int64_t tag() const { return mTag; }
  void setTag(int64_t tag) { mTag = tag; }

  // Frame in the superview's coordinates (or the window's for a content view).
  Rect frame() const { return mFrame; }
  // Sets the frame and tells frameDidChange.
  void setFrame(Rect r);
  // The view's own rectangle: its frame's size at the origin.
  Rect bounds() const { return {0, 0, mFrame.width, mFrame.height}; }

  bool isHidden() const { return mHidden; }
  // Tells viewDidHide / viewDidUnhide when the flag changes.
  void setHidden(bool hidden);
  bool isHiddenOrHasHiddenAncestor() const;

  // Whether the view wants redrawing (the backend draws it on its next pass).
  bool needsDisplay() const { return mNeedsDisplay; }
  void setNeedsDisplay(bool on) { mNeedsDisplay = on; }
  void setNeedsDisplayInRect(Rect r) {
    mNeedsDisplay = mNeedsDisplay || (r.width > 0 && r.height > 0);
  }

  // Whether the view takes keyboard focus: text views, fields and buttons when enabled.
  virtual bool acceptsFirstResponder() const { return mKind != ViewKind::Generic && mEnabled; }
  // Told when the window makes it first responder; false refuses.
  virtual bool becomeFirstResponder() { return true; }
  // Told when it stops being first responder (another view or none took it).
  virtual void resignFirstResponder() {}

  View* superview() const { return mSuperview; }
  const std::vector<View*>& subviews() const { return mSubviews; }
  Window* window() const { return mWindow; }
  // The view does not take ownership of subviews; the caller keeps them alive while attached.
  void addSubview(View* child);
  // Adds (or moves) the child below or above a sibling; without one, at the bottom or top.
  void addSubview(View* child, SubviewPosition where, View* relativeTo);
  void removeFromSuperview();

  // Converts a point in window coordinates (origin bottom-left) into this view's coordinates.
  Point convertFromWindow(Point p) const;
  // The inverse: a point of this view's coordinates in window coordinates.
  Point convertToWindow(Point p) const;

  // Hooks for subclasses.
  virtual void frameDidChange() {}
  virtual void didAddSubview(View* child) {}
  virtual void willRemoveSubview(View* child) {}
  virtual void viewDidHide() {}
  virtual void viewDidUnhide() {}

  // Copy, cut and paste of text views; the default does nothing and answers false.
  virtual bool performTextAction(TextAction action, View* sender) { return false; }
  // Events the application passes on to the view (after the event hook let them through).
  virtual void handleEvent(const Event& e) {}

  // A drag destination: the operation offered while a drag enters or moves over the view,
  // its leaving, and the drop (true when delivered).
  virtual int draggingEntered(const DragInfo& info) { return kDragOperationNone; }
  virtual int draggingUpdated(const DragInfo& info) { return kDragOperationNone; }
  virtual void draggingExited() {}
  virtual bool performDragOperation(const DragInfo& info) { return false; }

  // Accessibility of views without a widget of their own (window views answer true and ask
  // their procedure); `inherited` is what the view would answer by itself.
  virtual bool hasOwnAccessibility() const { return false; }
  virtual AccessibilityElement* accessibilityElement() { return nullptr; }
  virtual bool accessibilityIsIgnored() { return false; }
  virtual AccessibilityElement* accessibilityHitTest(Point p, AccessibilityElement* inherited) {
    return inherited;
  }
  virtual AccessibilityElement* accessibilityFocused(AccessibilityElement* inherited) {
    return inherited;
  }
  virtual std::vector<AccessibilityElement*> accessibilityChildren(
      const std::vector<AccessibilityElement*>& inherited, bool visibleOnly) {
    return inherited;
  }

 private:
  friend class Window;
  void setWindowRecursive(Window* w);

  ViewKind mKind;
  bool mEditable = false;
  bool mEnabled = true;
  bool mFlipped = false;
  bool mHidden = false;
  bool mNeedsDisplay = false;
  int64_t mTag = 0;
  Rect mFrame;
  View* mSuperview = nullptr;
  std::vector<View*> mSubviews;
  Window* mWindow = nullptr;
};

// Told when windows are ordered in or out and when they are destroyed, so a desktop backend
// can present them. The headless backend installs none.
class WindowObserver {
 public:
  virtual ~WindowObserver() = default;
  virtual void windowOrdered(Window& w) = 0;    // ordered front, made key or ordered out
  virtual void windowWillClose(Window& w) = 0;  // being destroyed
  // The room the desktop puts around the window's frame: its menu bar and the window
  // manager's borders and title bar (none where the frame is all there is).
  virtual Size decorationSize(Window& w) { return {0, 0}; }
};

class Window {
 public:
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  std::string title() const { return mTitle; }
  void setTitle(std::string t) { mTitle = std::move(t); }
  int windowNumber() const { return mNumber; }

  // Frame in screen coordinates (origin bottom-left of the main screen).
  Rect frame() const { return mFrame; }
  // Sets the frame; the delegate hears of a move and of a resize.
  void setFrame(Rect r);
  // What the desktop adds around the frame (see WindowObserver::decorationSize).
  Size decorationSize();

  uint32_t styleMask() const { return mStyle; }
  void setStyleMask(uint32_t style) { mStyle = style; }
  // Limits of the frame size the user can drag to; subclasses may answer their own.
  virtual Size minSize() const { return mMinSize; }
  virtual Size maxSize() const { return mMaxSize; }
  void setMinSize(Size s) { mMinSize = s; }
  void setMaxSize(Size s) { mMaxSize = s; }
  // Stacking level (0 normal; higher floats above).
  int level() const { return mLevel; }
  void setLevel(int level) { mLevel = level; }

  // Appearance the layer above sets; a backend shows what it can of it.
  double alphaValue = 1;
  bool opaque = true;
  bool hasShadow = true;
  bool ignoresMouseEvents = false;
  bool excludedFromWindowsMenu = false;
  // The file the window shows (empty: none) and whether it has unsaved changes.
  std::string representedFilename;
  bool documentEdited = false;

  WindowDelegate* delegate() const { return mDelegate; }
  void setDelegate(WindowDelegate* d) { mDelegate = d; }

  // The window this one belongs to (shown above it, closed with it by the layer above).
  Window* owner() const { return mOwner; }
  void setOwner(Window* w) { mOwner = w; }
  // Child windows move with their parent and stay above it.
  void addChildWindow(Window* child);
  void removeChildWindow(Window* child);
  const std::vector<Window*>& childWindows() const { return mChildren; }

  // Centres the window on the main screen's visible area.
  void center();
  // The close box: asks the delegate and closes when it agrees.
  void performClose();
  // Orders the window out for good; a modal run of the window ends.
  virtual void close();
  bool isClosed() const { return mClosed; }
  void miniaturize() {
    mMiniaturized = true;
    orderOut();
  }
  bool isMiniaturized() const { return mMiniaturized; }
  virtual bool canBecomeKeyWindow() const { return true; }
  // Left out of what assistive technology sees.
  virtual bool windowAccessibilityIgnored() const { return false; }

  // The content view is not owned; the caller keeps it alive while attached.
  View* contentView() const { return mContentView; }
  void setContentView(View* v);

  View* firstResponder() const { return mFirstResponder; }
  // Makes `v` (a view of this window, or none) the first responder.
  bool makeFirstResponder(View* v);

  // The push button that Return presses, or none.
  View* defaultButton() const { return mDefaultButton; }
  void setDefaultButton(View* v) { mDefaultButton = v; }

  Window* parentWindow() const { return mParent; }
  void setParentWindow(Window* w) { mParent = w; }

  // A view hosted for a foreign toolkit that takes Command and Option keys; none normally.
  View* hostedFocusView() const { return mHostedFocusView; }
  void setHostedFocusView(View* v) { mHostedFocusView = v; }

  bool isVisible() const { return mVisible; }
  void setVisible(bool v) { mVisible = v; }

  // The menu shown while this window is key (none: the application's main menu stays).
  Menu* windowMenu() const { return mMenu; }
  void setWindowMenu(Menu* m) { mMenu = m; }

  // Called when a view leaves the tree, so no dangling first responder or default button stays.
  void forgetView(View* v);

  // Window order of the application, front to back; a window joins it when first ordered front
  // and leaves it when ordered out or destroyed.
  void orderFront();
  void orderOut();
  void makeKeyAndOrderFront();
  bool isKeyWindow() const { return keyWindow() == this; }
  static Window* keyWindow();
  static Window* mainWindow();
  static const std::vector<Window*>& orderedWindows();
  // Every window that exists, shown or not, oldest first.
  static const std::vector<Window*>& allWindows();
  // The window of the running modal session (none when no modal loop runs).
  static Window* modalWindow();
  static void setModalWindow(Window* w);
  // The one observer (none to remove it).
  static void setObserver(WindowObserver* o);

 private:
  std::string mTitle;
  int mNumber;
  Rect mFrame;
  View* mContentView = nullptr;
  View* mFirstResponder = nullptr;
  View* mDefaultButton = nullptr;
  View* mHostedFocusView = nullptr;
  Window* mParent = nullptr;
  Menu* mMenu = nullptr;
  bool mVisible = false;
  uint32_t mStyle = kWindowTitled | kWindowClosable | kWindowMiniaturizable;
  Size mMinSize{0, 0};
  Size mMaxSize{1e6, 1e6};
  int mLevel = 0;
  WindowDelegate* mDelegate = nullptr;
  Window* mOwner = nullptr;
  std::vector<Window*> mChildren;
  bool mClosed = false;
  bool mMiniaturized = false;
};

}  // namespace vq::platform
