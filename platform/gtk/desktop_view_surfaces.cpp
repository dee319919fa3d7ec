#include "platform/gtk/desktop_view_surfaces.h"

#include <algorithm>
#include <cmath>

#include "platform/draw_context.h"
#include "platform/gtk/desktop_backend.h"

namespace vq::platform {

namespace {

DesktopViewSurfaces* gSurfaces = nullptr;

// A buffer pixel (bytes: unused, red, green, blue) as a cairo RGB24 word.
inline uint32_t toCairo(uint32_t pixel) {
  return __builtin_bswap32(pixel);
}

// The theme's window colour, as a buffer pixel: what a view shows where it paints nothing.
uint32_t backgroundPixel() {
  uint32_t rgb = 0xF6F5F4;
  return __builtin_bswap32(rgb);
}

bool intersect(const GdkRectangle& a, const GdkRectangle& b, GdkRectangle& out) {
  return gdk_rectangle_intersect(&a, &b, &out) != FALSE;
}

}  // namespace

class DesktopViewSurface final : public ViewSurface {
 public:
  DesktopViewSurface(DesktopViewSurfaces& owner, View& view, ViewSurfaceClient& client)
      : mOwner(&owner), mView(view), mClient(client) {
    owner.mLive.push_back(this);
  }
  ~DesktopViewSurface() override { detach(); }

  // The backend goes first: the view keeps a surface that draws nothing.
  void detach() {
    if (!mOwner) return;
    auto& live = mOwner->mLive;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    mOwner = nullptr;
  }

  void invalidate(Rect r) override {
    GtkWidget* content = mOwner ? mOwner->contentOf(mView) : nullptr;
    if (!content) return;
    int x = 0, y = 0;
    mOwner->mBackend.windows.viewOrigin(mView, x, y);
    int left = static_cast<int>(std::floor(r.x)), top = static_cast<int>(std::floor(r.y));
    gtk_widget_queue_draw_area(content, x + left, y + top,
                               static_cast<int>(std::ceil(r.x + r.width)) - left,
                               static_cast<int>(std::ceil(r.y + r.height)) - top);
  }

  void displayNow() override {
    GtkWidget* content = mOwner ? mOwner->contentOf(mView) : nullptr;
    GdkWindow* window = content ? gtk_widget_get_window(content) : nullptr;
    if (!window) return;
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gdk_window_process_updates(window, TRUE);
    G_GNUC_END_IGNORE_DEPRECATIONS
  }

  int passes() const override { return mPasses; }

  // Draws the view's part of the clip of the content area.
  void drawIn(GtkWidget* content, cairo_t* cr, const GdkRectangle& clip) {
    Window* w = mView.window();
    if (!w || !w->isVisible() || mView.isHiddenOrHasHiddenAncestor()) return;
    if (!mOwner || mOwner->mBackend.windows.contentFor(*w) != content) return;
    int x = 0, y = 0;
    mOwner->mBackend.windows.viewOrigin(mView, x, y);
    int width = static_cast<int>(mView.frame().width);
    int height = static_cast<int>(mView.frame().height);
    GdkRectangle area{x, y, width, height}, damaged;
    if (width < 1 || height < 1 || !intersect(area, clip, damaged)) return;
    if (width != mWidth || height != mHeight) {
      mWidth = width;
      mHeight = height;
      mPixels.assign(static_cast<size_t>(width) * height, backgroundPixel());
      mShown.assign(mPixels.size(), 0);
    }
    Rect inView{double(damaged.x - x), double(damaged.y - y), double(damaged.width),
                double(damaged.height)};
    DrawContext context(mPixels.data(), width, height, width);
    context.clipToRect(inView);
    ++mPasses;
    mClient.drawSurface(context, inView);
    if (!mOwner || mView.window() != w || mWidth != width || mHeight != height)
      return;  // gone meanwhile
    for (int row = damaged.y - y; row < damaged.y - y + damaged.height; ++row) {
      const uint32_t* from = &mPixels[static_cast<size_t>(row) * width];
      uint32_t* to = &mShown[static_cast<size_t>(row) * width];
      for (int col = damaged.x - x; col < damaged.x - x + damaged.width; ++col)
        to[col] = toCairo(from[col]);
    }
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(mShown.data()),
                                            CAIRO_FORMAT_RGB24, width, height, width * 4);
    cairo_save(cr);
    gdk_cairo_rectangle(cr, &damaged);
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface, x, y);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
  }

  const View& view() const { return mView; }

 private:
  DesktopViewSurfaces* mOwner;
  View& mView;
  ViewSurfaceClient& mClient;
  std::vector<uint32_t> mPixels, mShown;
  int mWidth = 0, mHeight = 0;
  int mPasses = 0;
};

DesktopViewSurfaces::DesktopViewSurfaces(DesktopBackend& backend) : mBackend(backend) {
  // Windows shown since the last look get their content area drawn through us.
  mTimer = backend.loop.addTimer(
      0.05, true, [this] { onTick(); }, true);
  backend.loop.setQuietCheck(mTimer, [this] { return nothingToWatch(); });
}

DesktopViewSurfaces::~DesktopViewSurfaces() {
  if (mTimer) mBackend.loop.invalidateTimer(mTimer);
  for (GtkWidget* content : mWatched) g_signal_handlers_disconnect_by_data(content, this);
  while (!mLive.empty()) mLive.back()->detach();
}

std::unique_ptr<ViewSurface> DesktopViewSurfaces::createViewSurface(View& view,
                                                                    ViewSurfaceClient& client) {
  return std::make_unique<DesktopViewSurface>(*this, view, client);
}

GtkWidget* DesktopViewSurfaces::contentOf(const View& view) {
  Window* w = view.window();
  if (!w || !w->isVisible()) return nullptr;
  GtkWidget* content = mBackend.windows.contentFor(*w);
  if (std::find(mWatched.begin(), mWatched.end(), content) == mWatched.end()) {
    mWatched.push_back(content);
    g_signal_connect(content, "draw", G_CALLBACK(&onDraw), this);
    g_signal_connect(content, "destroy", G_CALLBACK(&onContentGone), this);
    gtk_widget_queue_draw(content);
  }
  return content;
}

gboolean DesktopViewSurfaces::onDraw(GtkWidget* content, cairo_t* cr, gpointer p) {
  auto* self = static_cast<DesktopViewSurfaces*>(p);
  double x0, y0, x1, y1;
  cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
  GdkRectangle clip{static_cast<int>(std::floor(x0)), static_cast<int>(std::floor(y0)),
                    static_cast<int>(std::ceil(x1) - std::floor(x0)),
                    static_cast<int>(std::ceil(y1) - std::floor(y0))};
  // A graphics view over the whole damage draws itself: the views under it need no pass.
  GList* children = gtk_container_get_children(GTK_CONTAINER(content));
  bool covered = false;
  for (GList* c = children; c && !covered; c = c->next) {
    GtkWidget* child = GTK_WIDGET(c->data);
    if (!gtk_widget_get_visible(child) ||
        gtk_style_context_has_class(gtk_widget_get_style_context(child), "vq-control"))
      continue;
    // Allocations are in the coordinates of the window the widgets draw in, which starts
    // above the content area (at the menu bar): the clip is in the content's own.
    GtkAllocation a;
    gtk_widget_get_allocation(child, &a);
    if (!gtk_widget_translate_coordinates(child, content, 0, 0, &a.x, &a.y)) continue;
    GdkRectangle inside;
    covered =
        intersect(a, clip, inside) && inside.width == clip.width && inside.height == clip.height;
  }
  g_list_free(children);
  if (covered) return FALSE;
  std::vector<DesktopViewSurface*> live = self->mLive;
  for (DesktopViewSurface* s : live)
    if (std::find(self->mLive.begin(), self->mLive.end(), s) != self->mLive.end())
      s->drawIn(content, cr, clip);
  return FALSE;  // the widgets in the content area draw over the views
}

void DesktopViewSurfaces::onContentGone(GtkWidget* content, gpointer p) {
  auto* self = static_cast<DesktopViewSurfaces*>(p);
  auto& w = self->mWatched;
  w.erase(std::remove(w.begin(), w.end(), content), w.end());
}

bool DesktopViewSurfaces::nothingToWatch() const {
  for (const DesktopViewSurface* s : mLive) {
    const Window* w = s->view().window();
    if (!w || !w->isVisible()) continue;
    GtkWidget* content = mBackend.windows.existingContentFor(*w);
    if (!content || std::find(mWatched.begin(), mWatched.end(), content) == mWatched.end())
      return false;
  }
  return true;
}

void DesktopViewSurfaces::onTick() {
  for (DesktopViewSurface* s : mLive) contentOf(s->view());
}

void installDesktopViewSurfaces(DesktopBackend& backend) {
  uninstallDesktopViewSurfaces();
  gSurfaces = new DesktopViewSurfaces(backend);
  setViewSurfaceService(gSurfaces);
}

void uninstallDesktopViewSurfaces() {
  if (!gSurfaces) return;
  setViewSurfaceService(nullptr);
  delete gSurfaces;
  gSurfaces = nullptr;
}

}  // namespace vq::platform
