// Entry point of the standalone editor: the desktop backend on an X display, the shell as the
// application's message handler, and the application's run until it quits.
#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/app_shell.h"
#include "platform/gtk/desktop_backend.h"
#include "wemu/app_controller.h"
#include "wemu/window_lifetime.h"

int main(int argc, char** argv) {
  // A file-size limit (ulimit -f) smaller than a file being saved must fail that save, which then
  // says so, instead of killing the program with whatever it had not saved yet.
  std::signal(SIGXFSZ, SIG_IGN);
  // Images are decoded into buffers of megabytes that live a moment: mapped on their own, they
  // go back to the system when freed instead of staying in the heap.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  DecodeFirstFrameImagesEarly();
  if (!vq::platform::openDesktopDisplay(&argc, &argv)) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr,
                 "VQEditor4 needs a graphical display, but none could be opened%s%s.\n"
                 "Start it from a desktop session, or without one under a virtual X server:\n"
                 "  xvfb-run -a %s\n",
                 display ? " at DISPLAY=" : " (DISPLAY is not set)", display ? display : "",
                 argv[0]);
    return 2;
  }
  int status = 0;
  {
    AppShell shell;
    // The MIDI objects are made while the desktop sets itself up (its theme takes a while).
    shell.PrepareMidi();
    vq::platform::installDesktopBackend(&argc, &argv);
    SetCurrentShell(&shell);
    // A logout, a shutdown or a lost display saves what a quit saves.
    vq::platform::onSessionEnd([&shell](bool nested) { shell.EndSession(nested); },
                               [&shell] { shell.KeepStateForExit(); });
    WEMU_SetAppMessageHandler(&HandleAppMessage);
    status = WEMU_ApplicationMain();
    WEMU_SetAppMessageHandler(nullptr);
    shell.ShutdownApp();
    WEMU_Internal_FlushDeferredDeletes();
    SetCurrentShell(nullptr);
  }
  return status;
}
