// Dragging files out of window views: a list of files, or one promised file that is written
// by the caller's callback only when the drop names a folder. A promise lives until the drop,
// the next drag, WEMU_FinishDragDrop, a mouse press in a window view, or the end of the view
// that started it. Main thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "wemu/gdi_objects.h"
#include "wemu/window_view.h"

// Writes the promised file at the path it is given.
typedef void (*WEMU_PromisedFileWriter)(const char* destinationPath);

void WEMU_InitiateDragDrop(HWND__* window, const RECT* from, const char* path,
                           WEMU_PromisedFileWriter write);
void WEMU_InitiateDragDropOfFileList(HWND__* window, const RECT* from, const char** paths,
                                     int count, HICON icon);
void WEMU_FinishDragDrop();

// The drop of a promise into a folder: asks before replacing a file of the same name ("Keep
// Both Files" numbers a new name), calls the writer and answers the name of the written file;
// none when nothing was pending, the user stopped, or no file came out. Nothing stays pending.
std::optional<std::vector<std::string>> WEMU_PromisedFilesDropped(const std::string& folder);
bool WEMU_Internal_HasPendingPromise();

// The name "Keep Both Files" gives for the target path: the first free of "stem NNN.ext"
// (continuing a number the stem ends in after " ", "-" or "_"), none when all are taken or
// the path would be too long. `exists` answers for a path.
std::optional<std::string> WEMU_KeepBothName(const std::string& target,
                                             bool (*exists)(const std::string&));
