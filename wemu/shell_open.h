// Opening files and addresses with the desktop's programs. Only the workspace's own opener
// runs: a program named by the caller is never started.
#pragma once

#include "wemu/wemu_types.h"

// Opens the file (or the parameters) as the verb-less Win32 call would: web addresses, files
// with their default program, "/select,"-style reveals as their folder. False when nothing
// could be handed on, or when the caller asks for a program of its choice.
BOOL ShellExecute(HWND__* window, const char* verb, const char* file, const char* parameters,
                  const char* folder, int show);
