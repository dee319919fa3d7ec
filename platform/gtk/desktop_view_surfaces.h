// Window views drawn on the desktop: each window's content area paints the views' damaged
// parts (below the native widgets and graphics views it holds) from a pixel buffer per view
// that the view's client draws into.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "platform/run_loop.h"
#include "platform/view_surface.h"

namespace vq::platform {

class DesktopBackend;
class DesktopViewSurface;

class DesktopViewSurfaces final : public ViewSurfaceService {
 public:
  explicit DesktopViewSurfaces(DesktopBackend& backend);
  ~DesktopViewSurfaces() override;
  std::unique_ptr<ViewSurface> createViewSurface(View& view, ViewSurfaceClient& client) override;

 private:
  friend class DesktopViewSurface;
  // The content area of the view's shown window, drawn through us from now on; none while the
  // view's window is not shown.
  GtkWidget* contentOf(const View& view);
  static gboolean onDraw(GtkWidget* content, cairo_t* cr, gpointer self);
  static void onContentGone(GtkWidget* content, gpointer self);
  void onTick();
  // Whether onTick would find no shown window to start watching.
  bool nothingToWatch() const;
  DesktopBackend& mBackend;
  std::vector<DesktopViewSurface*> mLive;
  std::vector<GtkWidget*> mWatched;
  TimerId mTimer = 0;
};

void installDesktopViewSurfaces(DesktopBackend& backend);
void uninstallDesktopViewSurfaces();

}  // namespace vq::platform
