// Windows and views as far as the window layer and the services under it need them: the
// view tree, first responder, default button, and the kinds of text views the dialog keys
// distinguish. A backend presents them; these objects hold the state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/event.h"
#include "platform/geometry.h"

namespace vq::platform {

class Window;
class Menu;

enum class ViewKind {
  Generic,
  TextView,   // a text view: a multi-line text, or the field editor inside a text field
  TextField,  // a single-line text field (its editing happens in a TextView inside it)
  Button,
};

enum class TextAction { Copy, Cut, Paste };

class View {
 public:
  explicit View(ViewKind kind = ViewKind::Generic);
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  ViewKind kind() const { return kind_; }
  // Text views and text fields (Cocoa's NSText family).
  bool isText() const { return kind_ == ViewKind::TextView || kind_ == ViewKind::TextField; }

  bool isEditable() const { return editable_; }
  void setEditable(bool on) { editable_ = on; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool on) { enabled_ = on; }
  bool isFlipped() const { return flipped_; }
  void setFlipped(bool on) { flipped_ = on; }
  int64_t tag() const { return tag_; }
  void setTag(int64_t tag) { tag_ = tag; }

  // Frame in the superview's coordinates (or the window's for a content view).
  Rect frame() const { return frame_; }
  void setFrame(Rect r) { frame_ = r; }

  View* superview() const { return superview_; }
  const std::vector<View*>& subviews() const { return subviews_; }
  Window* window() const { return window_; }
  // The view does not take ownership of subviews; the caller keeps them alive while attached.
  void addSubview(View* child);
  void removeFromSuperview();

  // Converts a point in window coordinates (origin bottom-left) into this view's coordinates.
  Point convertFromWindow(Point p) const;

  // Copy, cut and paste of text views; the default does nothing and answers false.
  virtual bool performTextAction(TextAction action, View* sender) { return false; }
  // Events the application passes on to the view (after the event hook let them through).
  virtual void handleEvent(const Event& e) {}

 private:
  friend class Window;
  void setWindowRecursive(Window* w);

  ViewKind kind_;
  bool editable_ = false;
  bool enabled_ = true;
  bool flipped_ = false;
  int64_t tag_ = 0;
  Rect frame_;
  View* superview_ = nullptr;
  std::vector<View*> subviews_;
  Window* window_ = nullptr;
};

// Told when windows are ordered in or out and when they are destroyed, so a desktop backend
// can present them. The headless backend installs none.
class WindowObserver {
 public:
  virtual ~WindowObserver() = default;
  virtual void windowOrdered(Window& w) = 0;    // ordered front, made key or ordered out
  virtual void windowWillClose(Window& w) = 0;  // being destroyed
};

class Window {
 public:
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  std::string title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }
  int windowNumber() const { return number_; }

  // Frame in screen coordinates (origin bottom-left of the main screen).
  Rect frame() const { return frame_; }
  void setFrame(Rect r) { frame_ = r; }

  // The content view is not owned; the caller keeps it alive while attached.
  View* contentView() const { return contentView_; }
  void setContentView(View* v);

  View* firstResponder() const { return firstResponder_; }
  // Makes `v` (a view of this window, or none) the first responder.
  bool makeFirstResponder(View* v);

  // The push button that Return presses, or none.
  View* defaultButton() const { return defaultButton_; }
  void setDefaultButton(View* v) { defaultButton_ = v; }

  Window* parentWindow() const { return parent_; }
  void setParentWindow(Window* w) { parent_ = w; }

  // A view hosted for a foreign toolkit that takes Command and Option keys; none normally.
  View* hostedFocusView() const { return hostedFocusView_; }
  void setHostedFocusView(View* v) { hostedFocusView_ = v; }

  bool isVisible() const { return visible_; }
  void setVisible(bool v) { visible_ = v; }

  // The menu shown while this window is key (none: the application's main menu stays).
  Menu* windowMenu() const { return menu_; }
  void setWindowMenu(Menu* m) { menu_ = m; }

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
  // The window of the running modal session (none when no modal loop runs).
  static Window* modalWindow();
  static void setModalWindow(Window* w);
  // The one observer (none to remove it).
  static void setObserver(WindowObserver* o);

 private:
  std::string title_;
  int number_;
  Rect frame_;
  View* contentView_ = nullptr;
  View* firstResponder_ = nullptr;
  View* defaultButton_ = nullptr;
  View* hostedFocusView_ = nullptr;
  Window* parent_ = nullptr;
  Menu* menu_ = nullptr;
  bool visible_ = false;
};

}  // namespace vq::platform
