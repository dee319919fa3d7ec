// Opening files and addresses with the desktop's programs, or with a program the caller names.
// Programs start from an argument vector: no shell ever reads a name or a document.
#pragma once

#include "wemu/wemu_types.h"

// Opens the file (or the parameters) as the verb-less Win32 call would: web addresses and files
// with their default program, a document with the program named as the file (a path or a name
// on PATH), "Name.app" as an application, "/select,"-style reveals selected in the file manager
// (else their folder opens). False when nothing could be handed on or started.
BOOL ShellExecute(HWND__* window, const char* verb, const char* file, const char* parameters,
                  const char* folder, int show);
