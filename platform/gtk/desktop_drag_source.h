// Drags of files out of the program's windows on the desktop: a list offered as URIs, or
// promised files offered through the X direct-save protocol (the drop target names a place,
// the files are written there, and the target hears "S" for saved, "E" when nothing was written
// or "F" for a place that is no folder of this machine). Main thread.
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
  bool beginPromisedFileDrag(View* view, Rect from, const PromisedFiles& files) override;
  // The URIs the running drag offers (tests read them).
  const std::vector<std::string>& offeredUris() const { return mUris; }

 private:
  bool begin(View* view, Rect from, GtkTargetList* targets);
  void disconnect();
  // The answer to a direct-save request: the place the target wrote on the drag's window.
  char saveWhereAsked(GdkDragContext* drag);
  static void onDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint,
                        gpointer self);
  static void onEnd(GtkWidget*, GdkDragContext*, gpointer self);
  std::vector<std::string> mUris;
  PromisedFiles mPromise;
  char mAnswer = 0;  // what the drop heard, once written
  bool mPromised = false;
  GtkWidget* mWidget = nullptr;
  gulong mDataGet = 0, mEnd = 0;
};

}  // namespace vq::platform
