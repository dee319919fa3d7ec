#include "platform/gtk/desktop_graphics_view.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>

#include "platform/gtk/desktop_backend.h"
#include "platform/gtk/desktop_keys.h"

namespace vq::platform {

namespace {

PointerButton buttonFromGdk(guint button) {
  // GDK numbers the middle button 2 and the right one 3.
  constexpr PointerButton kButtons[] = {PointerButton::None, PointerButton::Left,
                                        PointerButton::Middle, PointerButton::Right};
  return button < std::size(kButtons) ? kButtons[button] : PointerButton::None;
}

uint32_t buttonsFromState(guint state) {
  uint32_t b = 0;
  if (state & GDK_BUTTON1_MASK) b |= kLeftButton;
  if (state & GDK_BUTTON3_MASK) b |= kRightButton;
  if (state & GDK_BUTTON2_MASK) b |= kMiddleButton;
  return b;
}

std::string cssColor(uint32_t argb) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "rgba(%u,%u,%u,%.3f)", (argb >> 16) & 0xFF, (argb >> 8) & 0xFF,
                argb & 0xFF, static_cast<double>((argb >> 24) & 0xFF) / 255.0);
  return buf;
}

std::string cssFamily(const std::string& family) {
  std::string s;
  for (char c : family) {
    if (c != '"' && c != '\\' && c != ';' && c != '}' && c != '{') s += c;
  }
  return s;
}

}  // namespace

DesktopGraphicsView::DesktopGraphicsView(DesktopBackend& backend, View* parent, int width,
                                         int height, GraphicsViewClient& client)
    : GraphicsView(client, parent, width, height), mBackend(backend) {
  mHolder = gtk_fixed_new();
  g_object_ref_sink(mHolder);
  mArea = gtk_drawing_area_new();
  gtk_widget_set_size_request(mArea, this->width(), this->height());
  gtk_widget_add_events(mArea, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                   GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK |
                                   GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK |
                                   GDK_KEY_RELEASE_MASK | GDK_TOUCH_MASK);
  gtk_widget_set_can_focus(mArea, TRUE);
  gtk_widget_set_has_tooltip(mArea, TRUE);
  g_signal_connect(mArea, "draw", G_CALLBACK(&onDraw), this);
  g_signal_connect(mArea, "button-press-event", G_CALLBACK(&onButton), this);
  g_signal_connect(mArea, "button-release-event", G_CALLBACK(&onButton), this);
  g_signal_connect(mArea, "motion-notify-event", G_CALLBACK(&onMotion), this);
  g_signal_connect(mArea, "leave-notify-event", G_CALLBACK(&onLeave), this);
  g_signal_connect(mArea, "scroll-event", G_CALLBACK(&onScroll), this);
  g_signal_connect(mArea, "query-tooltip", G_CALLBACK(&onTooltip), this);
  g_signal_connect(mArea, "notify::scale-factor", G_CALLBACK(&onScaleChanged), this);
  g_signal_connect(mArea, "realize", G_CALLBACK(&onRealize), this);
  gtk_fixed_put(GTK_FIXED(mHolder), mArea, 0, 0);
  gtk_widget_show_all(mHolder);
  if (parent && parent->window()) {
    Window& w = *parent->window();
    int x = 0, y = 0;
    mBackend.windows.viewOrigin(*parent, x, y);
    gtk_fixed_put(GTK_FIXED(mBackend.windows.contentFor(w)), mHolder, x, y);
    mBackend.windows.addView(w, this);
  }
  if (gtk_widget_get_realized(mArea)) onRealize(mArea, this);
  mScale = std::max(1, gtk_widget_get_scale_factor(mArea));
}

DesktopGraphicsView::~DesktopGraphicsView() {
  close();
  if (mEntryStyle) g_object_unref(mEntryStyle);
  g_object_unref(mHolder);
}

double DesktopGraphicsView::deviceScale() const {
  return mArea ? gtk_widget_get_scale_factor(mArea) : mScale;
}

void DesktopGraphicsView::setSize(int width, int height) {
  GraphicsView::setSize(width, height);
  // The client's buffer may go with the old size: what it showed is kept until a new frame.
  const PixelBufferRef old = mShown;
  const int w = std::min(old.width, this->width()), h = std::min(old.height, this->height());
  std::vector<uint32_t> held(old.pixels && w > 0 && h > 0 ? static_cast<size_t>(w) * h : 0);
  for (int y = 0; y < h && !held.empty(); ++y)
    std::copy_n(old.pixels + static_cast<ptrdiff_t>(y) * old.rowPixels, w,
                held.data() + static_cast<ptrdiff_t>(y) * w);
  mHeld = std::move(held);
  mShown = mHeld.empty() ? PixelBufferRef{} : PixelBufferRef{mHeld.data(), w, h, w};
  if (mArea) gtk_widget_set_size_request(mArea, this->width(), this->height());
}

void DesktopGraphicsView::present(const PixelBufferRef& buffer, PixelRect damage) {
  if (!isOpen() || !buffer.pixels) return;
  PixelRect r =
      damage.intersect({0, 0, width(), height()}).intersect({0, 0, buffer.width, buffer.height});
  // A frame kept over a resize stays until the client draws one.
  if (r.empty() && !mHeld.empty()) return;
  mShown = buffer;
  std::vector<uint32_t>().swap(mHeld);
  if (r.empty() || !mArea) return;
  gtk_widget_queue_draw_area(mArea, r.left, r.top, r.width(), r.height());
  mPaintPending = true;
  mPresentedAt = g_get_monotonic_time();
}

void DesktopGraphicsView::requestFrame() {
  if (!isOpen() || frameWaits()) return;
  client().frameDue();
}

bool DesktopGraphicsView::frameWaits() const {
  // While the last frame presented waits for GTK's paint (at the display's frame rate), a new
  // one would only be copied over it: the client asks again on its next tick. A paint that
  // never comes (a hidden window) holds nothing up for long.
  constexpr gint64 kPaintWait = 100000;  // us
  return mPaintPending && mArea && gtk_widget_get_mapped(mArea) &&
         g_get_monotonic_time() - mPresentedAt < kPaintWait;
}

gboolean DesktopGraphicsView::onDraw(GtkWidget*, cairo_t* cr, gpointer p) {
  auto* self = static_cast<DesktopGraphicsView*>(p);
  self->mPaintPending = false;
  self->paintShown(cr);
  return FALSE;  // later handlers (a test's counter) still run
}

void DesktopGraphicsView::paintShown(cairo_t* cr) {
  const PixelBufferRef& f = mShown;
  const PixelRect frame = f.pixels && isOpen() ? PixelRect{0, 0, std::min(width(), f.width),
                                                           std::min(height(), f.height)}
                                               : PixelRect{};
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  // Where there is no frame (none yet, or a smaller one) the view is black.
  if (frame != PixelRect{0, 0, width(), height()}) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
  }
  if (frame.empty()) return;
  // Only the area GTK asks for is converted, a band of rows at a time: a full copy of the
  // frame would be as big as the buffer itself. cairo uploads each band through shared memory
  // it keeps; waiting for the server to take a band before the next one lets every band use
  // the same piece of it.
  std::vector<PixelRect> areas;
  cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
  auto add = [&](double x1, double y1, double x2, double y2) {
    const PixelRect a =
        PixelRect{static_cast<int>(std::floor(x1)), static_cast<int>(std::floor(y1)),
                  static_cast<int>(std::ceil(x2)), static_cast<int>(std::ceil(y2))}
            .intersect(frame);
    if (!a.empty()) areas.push_back(a);
  };
  if (list->status == CAIRO_STATUS_SUCCESS) {
    for (int i = 0; i < list->num_rectangles; ++i) {
      const cairo_rectangle_t& r = list->rectangles[i];
      add(r.x, r.y, r.x + r.width, r.y + r.height);
    }
  } else {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    add(x1, y1, x2, y2);
  }
  cairo_rectangle_list_destroy(list);
  const int s = std::max(1, static_cast<int>(deviceScale()));
  constexpr int kBandPixels = 64 * 1024;
  int sent = 0;  // pixels the server may not have taken yet
  for (const PixelRect& a : areas) {
    const int w = a.width() * s;
    const int rows = std::clamp(kBandPixels / (w * s), 1, a.height());
    const size_t words = static_cast<size_t>(w) * static_cast<size_t>(rows * s);
    if (mBandWords < words) {
      // Kept for the next paints: a drag's frames come 60 times a second.
      mBand.reset(new uint32_t[words]);
      mBandWords = words;
    }
    for (int top = a.top; top < a.bottom; top += rows) {
      const int h = std::min(rows, a.bottom - top);
      if (sent > 0 && sent + w * h * s > kBandPixels) {
        gdk_display_sync(gtk_widget_get_display(mArea));
        sent = 0;
      }
      sent += w * h * s;
      for (int y = top; y < top + h; ++y) {
        const uint32_t* src = f.pixels + static_cast<ptrdiff_t>(y) * f.rowPixels + a.left;
        uint32_t* dst = mBand.get() + static_cast<ptrdiff_t>(y - top) * s * w;
        // Our words are A, R, G, B in memory; cairo's are native 0xAARRGGBB words.
        if (s == 1) {
          for (int x = 0; x < w; ++x) dst[x] = __builtin_bswap32(src[x]);
          continue;
        }
        for (int x = 0; x < a.width(); ++x) std::fill_n(dst + x * s, s, __builtin_bswap32(src[x]));
        for (int row = 1; row < s; ++row) std::copy(dst, dst + w, dst + row * w);
      }
      cairo_surface_t* image = cairo_image_surface_create_for_data(
          reinterpret_cast<unsigned char*>(mBand.get()), CAIRO_FORMAT_RGB24, w, h * s, w * 4);
      cairo_surface_set_device_scale(image, s, s);
      cairo_set_source_surface(cr, image, a.left, top);
      cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
      cairo_rectangle(cr, a.left, top, a.width(), h);
      cairo_fill(cr);
      // The band is written again next: cairo keeps no reference to it.
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_surface_destroy(image);
    }
  }
}

void DesktopGraphicsView::onRealize(GtkWidget* area, gpointer p) {
  static_cast<DesktopGraphicsView*>(p)->mBackend.loop.watchFrameClock(
      gtk_widget_get_frame_clock(area));
}

void DesktopGraphicsView::onScaleChanged(GObject*, GParamSpec*, gpointer p) {
  auto* self = static_cast<DesktopGraphicsView*>(p);
  if (!self->mArea) return;
  // GTK repaints the whole area at the new density.
  self->mScale = std::max(1, gtk_widget_get_scale_factor(self->mArea));
  gtk_widget_queue_draw(self->mArea);
}

void DesktopGraphicsView::sendPointer(PointerAction action, double x, double y, PointerButton b,
                                      guint state, double wheel, double rootX, double rootY) {
  // While the pointer is held, the view sees it where it would have gone.
  double vx = rootX, vy = rootY;
  mBackend.virtualPointer(rootX, rootY, &vx, &vy);
  x += vx - rootX;
  y += vy - rootY;
  PointerEvent e;
  e.action = action;
  // The pixel under the pointer gets the event.
  e.x = static_cast<int>(std::floor(x));
  e.y = static_cast<int>(std::floor(y));
  e.button = b;
  e.modifiers = modifierFlagsFromGdk(state);
  e.buttons = buttonsFromState(state);
  e.wheelDelta = wheel;
  if (action == PointerAction::Down || action == PointerAction::Up) {
    e.clickCount = mClicks;
    e.buttons |= pointerButtonBit(b);
  }
  // Last thing: the client may close and delete the view.
  client().pointerEvent(e);
}

gboolean DesktopGraphicsView::onButton(GtkWidget*, GdkEventButton* e, gpointer p) {
  auto* self = static_cast<DesktopGraphicsView*>(p);
  // GDK adds a synthetic press after the second and third press; the presses themselves
  // are counted here, so those would press once more.
  if (e->type == GDK_2BUTTON_PRESS || e->type == GDK_3BUTTON_PRESS) return TRUE;
  PointerButton b = buttonFromGdk(e->button);
  if (b == PointerButton::None || !self->isOpen()) return FALSE;
  if (e->type == GDK_BUTTON_PRESS) {
    // A press on the view takes the keyboard back: an open field ends, keeping its text
    // (its callback may even close the view).
    std::weak_ptr<int> alive = self->mAlive;
    self->commitTextField();
    if (alive.expired() || !self->mArea) return TRUE;
    gtk_widget_grab_focus(self->mArea);
    gint time = 400, distance = 5;
    g_object_get(gtk_widget_get_settings(self->mArea), "gtk-double-click-time", &time,
                 "gtk-double-click-distance", &distance, nullptr);
    bool again = e->button == self->mLastButton &&
                 e->time - self->mLastPressTime <= static_cast<guint32>(time) &&
                 std::abs(e->x - self->mLastX) <= distance &&
                 std::abs(e->y - self->mLastY) <= distance;
    self->mClicks = again ? self->mClicks + 1 : 1;
    self->mLastButton = e->button;
    self->mLastPressTime = e->time;
    self->mLastX = e->x;
    self->mLastY = e->y;
    self->sendPointer(PointerAction::Down, e->x, e->y, b, e->state, 0, e->x_root, e->y_root);
  } else if (e->type == GDK_BUTTON_RELEASE) {
    self->sendPointer(PointerAction::Up, e->x, e->y, b, e->state, 0, e->x_root, e->y_root);
  }
  return TRUE;
}

gboolean DesktopGraphicsView::onMotion(GtkWidget*, GdkEventMotion* e, gpointer p) {
  auto* self = static_cast<DesktopGraphicsView*>(p);
  if (!self->isOpen()) return FALSE;
  double dx = 0, dy = 0;
  if (!self->mBackend.pointerMoved(e->x_root, e->y_root, &dx, &dy)) return TRUE;
  PointerButton b = (e->state & GDK_BUTTON1_MASK)   ? PointerButton::Left
                    : (e->state & GDK_BUTTON3_MASK) ? PointerButton::Right
                    : (e->state & GDK_BUTTON2_MASK) ? PointerButton::Middle
                                                    : PointerButton::None;
  self->sendPointer(b == PointerButton::None ? PointerAction::Move : PointerAction::Drag, e->x,
                    e->y, b, e->state, 0, e->x_root, e->y_root);
  return TRUE;
}

gboolean DesktopGraphicsView::onLeave(GtkWidget*, GdkEventCrossing* e, gpointer p) {
  auto* self = static_cast<DesktopGraphicsView*>(p);
  if (!self->isOpen() || e->mode != GDK_CROSSING_NORMAL || buttonsFromState(e->state)) return FALSE;
  self->sendPointer(PointerAction::Exit, e->x, e->y, PointerButton::None, e->state, 0, e->x_root,
                    e->y_root);
  return FALSE;
}

gboolean DesktopGraphicsView::onScroll(GtkWidget*, GdkEventScroll* e, gpointer p) {
  auto* self = static_cast<DesktopGraphicsView*>(p);
  if (!self->isOpen()) return FALSE;
  double delta = 0;
  if (e->direction == GDK_SCROLL_UP) {
    delta = 1;
  } else if (e->direction == GDK_SCROLL_DOWN) {
    delta = -1;
  } else if (e->direction == GDK_SCROLL_SMOOTH) {
    // A touchpad sends fractions of a step: they add up here, and only whole steps go on.
    self->mScrollRest -= e->delta_y;
    delta = std::trunc(self->mScrollRest);
    self->mScrollRest -= delta;
    if (delta == 0) return TRUE;
  }
  if (delta == 0) return FALSE;
  self->sendPointer(PointerAction::Wheel, e->x, e->y, PointerButton::None, e->state, delta,
                    e->x_root, e->y_root);
  return TRUE;
}

gboolean DesktopGraphicsView::onTooltip(GtkWidget*, gint x, gint y, gboolean keyboard,
                                        GtkTooltip* tip, gpointer p) {
  auto* self = static_cast<DesktopGraphicsView*>(p);
  if (keyboard || !self->isOpen()) return FALSE;
  for (const PixelRect& r : self->mTooltips) {
    if (!r.contains(x, y)) continue;
    std::string text = self->client().tooltipText(x, y);
    if (text.empty()) return FALSE;
    gtk_tooltip_set_text(tip, text.c_str());
    GdkRectangle area{r.left, r.top, r.width(), r.height()};
    gtk_tooltip_set_tip_area(tip, &area);
    return TRUE;
  }
  return FALSE;
}

void DesktopGraphicsView::focus() {
  if (!mArea) return;
  // An open field keeps the keyboard: taking it away would end the field.
  gtk_widget_grab_focus(mEntry ? mEntry : mArea);
  GtkWidget* top = gtk_widget_get_toplevel(mArea);
  if (gtk_widget_is_toplevel(top) && gtk_widget_get_visible(top))
    gtk_window_present(GTK_WINDOW(top));
}

bool DesktopGraphicsView::hasKeyboardFocus() const {
  return mArea && !mEntry && gtk_widget_is_focus(mArea);
}

bool DesktopGraphicsView::screenOrigin(int& x, int& y) const {
  if (!mArea || !gtk_widget_get_realized(mArea)) return false;
  gdk_window_get_origin(gtk_widget_get_window(mArea), &x, &y);
  return true;
}

void DesktopGraphicsView::showTextField(const TextFieldRequest& r) {
  if (!mHolder || !mArea) return;
  mEntry = gtk_entry_new();
  GtkEntry* entry = GTK_ENTRY(mEntry);
  gtk_entry_set_has_frame(entry, FALSE);
  gtk_entry_set_visibility(entry, r.secure ? FALSE : TRUE);
  if (r.maxLength > 0) gtk_entry_set_max_length(entry, r.maxLength);
  gtk_entry_set_width_chars(entry, 1);
  gtk_entry_set_alignment(entry, r.align == TextAlign::Left     ? 0.0f
                                 : r.align == TextAlign::Center ? 0.5f
                                                                : 1.0f);
  std::string css =
      "entry { border: none; border-radius: 0; box-shadow: none; outline: none; "
      "background-image: none; min-height: 0; padding: 0 2px; margin: 0; color: " +
      cssColor(r.textColor) + "; background-color: " + cssColor(r.backgroundColor) + ";";
  if (!r.fontFamily.empty()) css += " font-family: \"" + cssFamily(r.fontFamily) + "\";";
  if (r.fontSize > 0) css += " font-size: " + std::to_string(r.fontSize) + "px;";
  css += " }";
  if (!mEntryStyle) mEntryStyle = gtk_css_provider_new();
  gtk_css_provider_load_from_data(mEntryStyle, css.c_str(), -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(mEntry),
                                 GTK_STYLE_PROVIDER(mEntryStyle),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  gtk_widget_set_size_request(mEntry, std::max(1, r.frame.width()), std::max(1, r.frame.height()));
  g_signal_connect(mEntry, "insert-text", G_CALLBACK(&onEntryInsert), this);
  g_signal_connect(mEntry, "activate", G_CALLBACK(&onEntryActivate), this);
  g_signal_connect(mEntry, "key-press-event", G_CALLBACK(&onEntryKey), this);
  g_signal_connect(mEntry, "focus-out-event", G_CALLBACK(&onEntryFocusOut), this);
  gtk_entry_set_text(entry, r.text.c_str());  // goes through the filter
  gtk_fixed_put(GTK_FIXED(mHolder), mEntry, r.frame.left, r.frame.top);
  gtk_widget_show(mEntry);
  GtkWidget* top = gtk_widget_get_toplevel(mArea);
  if (gtk_widget_is_toplevel(top) && gtk_widget_get_visible(top))
    gtk_window_present(GTK_WINDOW(top));
  gtk_widget_grab_focus(mEntry);
}

void DesktopGraphicsView::hideTextField() {
  if (!mEntry) return;
  GtkWidget* entry = mEntry;
  mEntry = nullptr;
  g_signal_handlers_disconnect_by_data(entry, this);
  gtk_widget_destroy(entry);
  if (mArea && gtk_widget_get_realized(mArea)) gtk_widget_grab_focus(mArea);
}

std::string DesktopGraphicsView::textFieldText() const {
  return mEntry ? gtk_entry_get_text(GTK_ENTRY(mEntry)) : "";
}

void DesktopGraphicsView::onEntryInsert(GtkEditable* editable, gchar* text, gint length,
                                        gint* position, gpointer p) {
  auto* self = static_cast<DesktopGraphicsView*>(p);
  const TextFieldRequest* field = self->textField();
  if (!field) return;
  std::string current = gtk_entry_get_text(GTK_ENTRY(editable));
  std::string inserted =
      length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
  glong chars = g_utf8_strlen(current.c_str(), -1);
  gint pos = std::clamp<gint>(*position, 0, static_cast<gint>(chars));
  size_t at = static_cast<size_t>(g_utf8_offset_to_pointer(current.c_str(), pos) - current.c_str());
  std::string before = current.substr(0, at), after = current.substr(at);
  if (textFieldAccepts(*field, before + inserted + after)) return;
  // Keep the characters that fit, one by one, as typing them would.
  std::string accepted;
  const char* end = inserted.c_str() + inserted.size();
  for (const char* c = inserted.c_str(); c < end && g_utf8_validate(c, end - c, nullptr);) {
    const char* next = g_utf8_next_char(c);
    std::string one(c, next);
    if (textFieldAccepts(*field, before + accepted + one + after)) accepted += one;
    c = next;
  }
  g_signal_stop_emission_by_name(editable, "insert-text");
  if (accepted.empty()) return;
  g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(&onEntryInsert), p);
  gtk_editable_insert_text(editable, accepted.c_str(), static_cast<gint>(accepted.size()),
                           position);
  g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(&onEntryInsert), p);
}

void DesktopGraphicsView::onEntryActivate(GtkEntry*, gpointer p) {
  static_cast<DesktopGraphicsView*>(p)->commitTextField();
}

gboolean DesktopGraphicsView::onEntryKey(GtkWidget*, GdkEventKey* e, gpointer p) {
  if (e->keyval != GDK_KEY_Escape) return FALSE;
  static_cast<DesktopGraphicsView*>(p)->cancelTextField();
  return TRUE;
}

gboolean DesktopGraphicsView::onEntryFocusOut(GtkWidget* widget, GdkEventFocus*, gpointer p) {
  // Focus moving elsewhere in the window ends editing (keeping the text); the window losing
  // the focus to another program does not. Ended after GTK has finished moving the focus.
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  if (!GTK_IS_WINDOW(top) || !gtk_window_has_toplevel_focus(GTK_WINDOW(top))) return FALSE;
  auto* self = static_cast<DesktopGraphicsView*>(p);
  struct Later {
    std::weak_ptr<int> alive;
    DesktopGraphicsView* view;
    GtkWidget* entry;
  };
  g_idle_add_full(
      G_PRIORITY_HIGH_IDLE,
      [](gpointer d) -> gboolean {
        auto* later = static_cast<Later*>(d);
        if (!later->alive.expired() && later->view->mEntry == later->entry &&
            !gtk_widget_is_focus(later->entry))
          later->view->commitTextField();
        return G_SOURCE_REMOVE;
      },
      new Later{self->mAlive, self, widget}, [](gpointer d) { delete static_cast<Later*>(d); });
  return FALSE;
}

void DesktopGraphicsView::detachFromWindow() {
  mBackend.windows.removeView(this);
  auto& all = mBackend.mViews;
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  if (mArea) g_signal_handlers_disconnect_by_data(mArea, this);
  mArea = nullptr;
  mShown = {};
  std::vector<uint32_t>().swap(mHeld);
  // Our reference keeps the holder until the destructor; destroying takes it off the window.
  gtk_widget_destroy(mHolder);
}

}  // namespace vq::platform
