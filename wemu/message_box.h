// MessageBox over the platform's alerts, and the common file dialogs over its panels.
// Main thread; each runs modally.
#pragma once

#include <string>
#include <vector>

#include "wemu/wemu_types.h"

enum : UINT { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4, MB_RETRYCANCEL = 5 };

// The whole type selects the buttons (no bits are masked off): 0 OK, 1 OK/Cancel,
// 3 Yes/Cancel/No, 4 Yes/No, 5 Retry/Cancel. Returns IDOK, IDCANCEL, IDYES, IDNO or IDRETRY;
// any other type shows nothing and returns 0. An alert closed without a button (or one that
// could not be shown) answers IDCANCEL where it has Cancel, else IDNO, else IDOK: only an
// explicit press is ever IDYES. The text appears exactly as given.
int MessageBox(HWND__* window, const char* text, const char* caption, UINT type);

// The allowed extensions of a filter list: "description\0*.ext;*.ext2\0...\0\0" pairs (a
// pattern "*.*" or "*" allows everything, which gives an empty list).
std::vector<std::string> WEMU_ParseExtensionList(const char* filterList);

// Save panel; the chosen path goes into the buffer. False when cancelled, or when the path does
// not fit the buffer (nothing is written then).
bool BrowseForSaveFile(HWND__* parent, const char* title, const char* initialDir,
                       const char* initialFile, const char* filterList, char* pathOut,
                       int pathOutSize);
// Open panel for one file or several; the chosen paths go out. False when cancelled.
bool BrowseForFiles(HWND__* parent, const char* title, const char* initialDir, bool multiple,
                    const char* filterList, std::vector<std::string>* pathsOut);
// Folder panel; the chosen folder goes into the buffer. False when cancelled, or when the path
// does not fit the buffer (nothing is written then).
bool BrowseForDirectory(HWND__* parent, const char* title, const char* initialDir, char* pathOut,
                        int pathOutSize);
