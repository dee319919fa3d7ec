// Drags of files out of the program's windows on the desktop, offered as a URI list. GTK 3
// has no drags of promised files (written when dropped), so those are refused. Main thread.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "platform/drag_source.h"

namespace vq::platform {

class DesktopDragSource final : public DragSource {
 public:
  ~DesktopDragSource() override;
  bool beginFileDrag(View* view, Rect from, const std::vector<std::string>& paths,
                     const Image* image) override;
  bool beginPromisedFileDrag(View* view, Rect from,
                             const std::vector<std::string>& types) override {
    return false;
  }
  // The URIs the running drag offers (tests read them).
  const std::vector<std::string>& offeredUris() const { return mUris; }

 private:
  void disconnect();
  static void onDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint,
                        gpointer self);
  static void onEnd(GtkWidget*, GdkDragContext*, gpointer self);
  std::vector<std::string> mUris;
  GtkWidget* mWidget = nullptr;
  gulong mDataGet = 0, mEnd = 0;
};

}  // namespace vq::platform
