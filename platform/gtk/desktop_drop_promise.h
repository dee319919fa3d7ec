// Files promised by another program's drag on X through direct save: the source names the file
// on its window, the drop names the place there and asks the source to write it, and the source
// answers "S" (saved), "F" (not for that place) or "E" (nothing written). Main thread.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace vq::platform {

// The name "XdndDirectSave0" both sides of a direct save use for the property and the target.
inline constexpr const char* kDirectSave = "XdndDirectSave0";
// The text the drag's source window holds in its direct-save property, of any type; empty when it
// holds none.
std::string directSaveProperty(GdkDragContext* drag);
// Whether the drag offers a file only by promise (no list of files).
bool isDirectSaveDrag(GdkDragContext* drag);
// The promised file's type (its name's extension) as a one-element list; none when the source
// names no file.
std::vector<std::string> directSaveTypes(GdkDragContext* drag);
// Whether the answer the widget received is the source's answer to a save request.
bool isDirectSaveAnswer(GtkSelectionData* data);
// Asks the source to write the file into the folder and waits for its answer (within a few
// seconds): the written file's path on "S", none on any other answer or none at all.
std::vector<std::string> receiveDirectSave(GtkWidget* widget, GdkDragContext* drag, guint time,
                                           const std::string& folder);

}  // namespace vq::platform
