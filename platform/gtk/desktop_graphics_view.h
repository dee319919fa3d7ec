// The graphics view on GTK: a drawing area whose paints convert the asked-for area of the
// client's presented buffer (doubled at device scale 2), a band of rows at a time. Presses are
// counted here (GDK's extra double-press events are dropped), the text field is a GtkEntry placed
// over the view.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "platform/graphics_view.h"

namespace vq::platform {

class DesktopBackend;

class DesktopGraphicsView final : public GraphicsView {
 public:
  DesktopGraphicsView(DesktopBackend& backend, View* parent, int width, int height,
                      GraphicsViewClient& client);
  ~DesktopGraphicsView() override;

  double deviceScale() const override;
  void setSize(int width, int height) override;
  void present(const PixelBufferRef& buffer, PixelRect damage) override;
  void requestFrame() override;
  bool frameWaits() const override;
  void focus() override;
  void setTooltipAreas(std::vector<PixelRect> areas) override { mTooltips = std::move(areas); }

  GtkWidget* drawingArea() const { return mArea; }
  GtkWidget* holder() const { return mHolder; }
  bool hasKeyboardFocus() const;
  // The view's top-left on the screen (root window coordinates); false when not shown.
  bool screenOrigin(int& x, int& y) const;
  // The window holding the view went away.
  void windowClosed() { windowWentAway(); }
  // The window was ordered out: an open field ends without applying.
  void windowHidden() { cancelTextField(); }

 protected:
  void showTextField(const TextFieldRequest& r) override;
  void hideTextField() override;
  std::string textFieldText() const override;
  void detachFromWindow() override;

 private:
  void paintShown(cairo_t* cr);
  // (rootX, rootY): the same place on the screen.
  void sendPointer(PointerAction action, double x, double y, PointerButton b, guint state,
                   double wheel, double rootX, double rootY);
  static gboolean onDraw(GtkWidget*, cairo_t* cr, gpointer self);
  static gboolean onButton(GtkWidget*, GdkEventButton* e, gpointer self);
  static gboolean onMotion(GtkWidget*, GdkEventMotion* e, gpointer self);
  static gboolean onLeave(GtkWidget*, GdkEventCrossing* e, gpointer self);
  static gboolean onScroll(GtkWidget*, GdkEventScroll* e, gpointer self);
  static gboolean onTooltip(GtkWidget*, gint x, gint y, gboolean keyboard, GtkTooltip* tip,
                            gpointer self);
  static void onScaleChanged(GObject*, GParamSpec*, gpointer self);
  static void onRealize(GtkWidget* area, gpointer self);
  static void onEntryInsert(GtkEditable* editable, gchar* text, gint length, gint* position,
                            gpointer self);
  static void onEntryActivate(GtkEntry*, gpointer self);
  static gboolean onEntryKey(GtkWidget*, GdkEventKey* e, gpointer self);
  static gboolean onEntryFocusOut(GtkWidget*, GdkEventFocus*, gpointer self);

  DesktopBackend& mBackend;
  GtkWidget* mHolder = nullptr;  // a GtkFixed: the drawing area and the text field
  GtkWidget* mArea = nullptr;
  GtkWidget* mEntry = nullptr;
  GtkCssProvider* mEntryStyle = nullptr;
  PixelBufferRef mShown;              // the client's buffer, as last presented, or mHeld
  std::vector<uint32_t> mHeld;        // the frame shown before a resize, until the next one
  std::unique_ptr<uint32_t[]> mBand;  // rows converted for cairo (one band at most)
  size_t mBandWords = 0;
  bool mPaintPending = false;  // presented, not painted yet
  gint64 mPresentedAt = 0;
  int mScale = 1;  // device scale, kept for when the area is gone
  std::vector<PixelRect> mTooltips;
  std::shared_ptr<int> mAlive = std::make_shared<int>(0);  // for work queued to run later
  // Click counting.
  guint mLastButton = 0;
  guint32 mLastPressTime = 0;
  double mLastX = -1e9;
  double mLastY = -1e9;
  int mClicks = 0;
  // Smooth scrolling's fractions of a step, kept until they add up to whole steps.
  double mScrollRest = 0;
};

}  // namespace vq::platform
