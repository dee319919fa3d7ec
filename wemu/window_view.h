// The generic window view: every window, dialog and child window of the layer. It carries the
// window and dialog procedures, the window longs, text, properties and paint state; delivers
// messages (the WM_DESTROY sequence included), paints through WM_NCCALCSIZE / WM_NCPAINT /
// WM_PAINT, hands keys on only when the procedure answers 69, and asks dialog procedures for
// control colours. Main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/view_surface.h"
#include "wemu/gdi_paint.h"
#include "wemu/window_handle.h"

// Window flags of dialog templates.
enum : int {
  WEMU_WF_CHILD = 0x01,
  WEMU_WF_RESIZABLE = 0x02,
  WEMU_WF_FLIPPED = 0x04,
  WEMU_WF_OPAQUE = 0x10,
  WEMU_WF_DROPTARGET = 0x20,
};

// A dialog template: the shell keeps a list of them.
struct WEMU_DialogResourceIndex {
  int resid;
  const char* title;  // may be null
  int windowflags;
  void (*createfunc)(HWND__* view, int windowflags);  // builds the controls
  int width;
  int height;
  WEMU_DialogResourceIndex* next;
};

// A named property of a window; the name is an atom when below 0x10000.
struct WindowPropRec {
  char* name;
  void* data;
  WindowPropRec* next;
};
typedef BOOL (*PROPENUMPROCEX)(HWND__* window, const char* name, void* data, LPARAM lParam);

struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  void* lppos;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BYTE reserved[4];
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

// Answer of a dialog procedure to WM_INITDIALOG that focuses the dialog's own view.
constexpr LRESULT WEMU_FOCUS_DIALOG_VIEW = 0xBEEF;
// Answer of DefWindowProc (and of procedures) that hands a key on.
constexpr LRESULT WEMU_KEY_NOT_HANDLED = 69;

// A control that takes the colours its dialog answers (the control classes implement it).
class WEMU_ColoredControl {
 public:
  enum class Kind { None, ImageButton, StaticText };
  virtual ~WEMU_ColoredControl() = default;
  virtual Kind wemuColorKind() const = 0;
  // None: the default text colour; else 0x00RRGGBB.
  virtual void wemuSetTextColor(std::optional<COLORREF> color) = 0;
};

class WEMU_WindowView : public HWND__,
                        public WEMU_PaintSource,
                        public vq::platform::ViewSurfaceClient {
 public:
  // Makes a view from a template (or none) inside the parent (a window takes it as content
  // view, a view as subview; none leaves it detached), then runs WM_CREATE or WM_INITDIALOG.
  // The view is registered as a handle only once built, and owned by the layer.
  static WEMU_WindowView* create(const WEMU_DialogResourceIndex* tmpl,
                                 vq::platform::Window* parentWindow, vq::platform::View* parentView,
                                 WNDPROC proc, LPARAM param);
  ~WEMU_WindowView() override;

  LRESULT onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void destroy() override;
  void wemuTimer(UINT_PTR id) override;
  void wemuSetMenu(HMENU menu) override;
  bool wemuCanPostMessage() const override { return destroyState() == 0; }
  // Accessibility through the procedure's element (window_accessibility.h).
  bool hasOwnAccessibility() const override { return true; }
  vq::platform::AccessibilityElement* accessibilityElement() override;
  bool accessibilityIsIgnored() override;
  vq::platform::AccessibilityElement* accessibilityHitTest(
      vq::platform::Point p, vq::platform::AccessibilityElement* inherited) override;
  vq::platform::AccessibilityElement* accessibilityFocused(
      vq::platform::AccessibilityElement* inherited) override;
  std::vector<vq::platform::AccessibilityElement*> accessibilityChildren(
      const std::vector<vq::platform::AccessibilityElement*>& inherited, bool visibleOnly) override;

  WNDPROC dialogProc = nullptr;
  LRESULT userData = 0;
  LRESULT extraData(int byteIndex) const;
  void setExtraData(int byteIndex, LRESULT value);
  bool supportsDrop = false;
  bool isFakeRightMouse = false;  // a Control+click counted as a right click
  bool isOpaque = true;
  uint32_t createFlags = 0;
  int isDirty = 3;  // bit 0 the view repaints, bit 1 a child changed
  bool allowNoMiddleman = true;
  HWND__* lastTopLevelOwner = nullptr;
  void* glContext = nullptr;
  uint32_t extendedStyle() const { return supportsDrop ? 0x10 : 0; }
  void setExtendedStyle(uint32_t style) { supportsDrop = (style & 0x10) != 0; }

  // Window text, at most 1023 bytes, never cutting a UTF-8 sequence.
  const char* text() const { return mTitle; }
  void setText(const char* text);

  // Properties: newest first.
  bool setProp(const char* name, void* data);
  void* getProp(const char* name, bool remove);
  // 1 walked all, 0 stopped by the callback, -1 none.
  int enumProps(PROPENUMPROCEX callback, LPARAM lParam);
  int propCount() const;

  // Paint: runs the paint routine into the context over the rectangle (view coordinates).
  void paint(HDC context, vq::platform::Rect rect);
  // For BeginPaint: fills the record while a paint runs; false otherwise.
  bool paintInfo(PAINTSTRUCT* ps);
  HDC__* wemuPaintContext() override { return mPaintHdc; }
  // The desktop's drawing pass: the paint routine into a context clipped to the damage.
  void drawSurface(vq::platform::DrawContext& context, vq::platform::Rect damaged) override;
  // Where the desktop draws the view, or none (headless).
  vq::platform::ViewSurface* surface() const { return mSurface.get(); }

  // The colouring pass over the direct subviews.
  void updateControlColors(WNDPROC proc, bool reset);

  // Key events: WM_KEYDOWN / WM_KEYUP; true when the procedure consumed the key.
  bool wemuKey(const vq::platform::Event& e);
  void handleEvent(const vq::platform::Event& e) override;

  void frameDidChange() override;
  void didAddSubview(vq::platform::View* child) override;
  void willRemoveSubview(vq::platform::View* child) override;
  void viewDidHide() override;
  void viewDidUnhide() override;

  // A drop view takes dropped files (WM_DROPFILES); see window_input.h.
  int draggingEntered(const vq::platform::DragInfo& info) override;
  int draggingUpdated(const vq::platform::DragInfo& info) override;
  void draggingExited() override;
  bool performDragOperation(const vq::platform::DragInfo& info) override;

 protected:
  WEMU_WindowView();

 private:
  void initChild(const WEMU_DialogResourceIndex* tmpl, vq::platform::Window* parentWindow,
                 vq::platform::View* parentView, WNDPROC proc, LPARAM param);
  void destroySequence(WPARAM wParam, LPARAM lParam, LRESULT& result);

  LRESULT mExtra[32] = {};
  char mTitle[1024] = {};
  WindowPropRec* mProps = nullptr;
  HDC__* mPaintHdc = nullptr;
  bool mPaintUsed = false;
  std::unique_ptr<vq::platform::ViewSurface> mSurface;
  vq::platform::Rect mPaintRect;
};

// The default window procedure of every window view: hands messages to the dialog procedure
// (painting the background first), falling through to DefWindowProc.
LRESULT WEMU_DefaultDialogWindowProc(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam);

// Timers reach only this window while set (the message loop runs for it alone); none: all.
void WEMU_SetTimerWindowRestriction(HWND__* window);

// The window view a handle stands for (a top-level window's content view), or none.
WEMU_WindowView* WEMU_WindowViewOf(HWND__* window);

// Any thread: whether the call may touch windows (the main thread only).
bool WEMU_OnWindowThread();
// The handle when a window function may use it here (the main thread, and live), else null.
HWND__* WEMU_UsableWindow(HWND__* window);
