// Entry point of the standalone editor: the desktop backend on an X display, the shell as the
// application's message handler, and the application's run until it quits.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "app/app_shell.h"
#include "platform/error_output.h"
#include "platform/gtk/desktop_backend.h"
#include "wemu/app_controller.h"
#include "wemu/window_lifetime.h"

// A standard descriptor the launcher left closed would be the next file opened (JACK's socket,
// the settings) and take every diagnostic. Opened on /dev/null before anything else runs, the
// static objects' constructors included.
__attribute__((constructor(101))) static void OpenClosedStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
}

int main(int argc, char** argv) {
  // Diagnostics, the toolkit's among them, go to a thread of their own: a full or stalled error
  // output holds up no other thread.
  vq::platform::routeLibraryMessagesToErrorOutput();
  // A file-size limit (ulimit -f) smaller than a file being saved must fail that save, which then
  // says so, instead of killing the program with whatever it had not saved yet.
  std::signal(SIGXFSZ, SIG_IGN);
  // Images are decoded into buffers of megabytes that live a moment: mapped on their own, they
  // go back to the system when freed instead of staying in the heap.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  DecodeFirstFrameImagesEarly();
  if (!vq::platform::openDesktopDisplay(&argc, &argv)) {
    const char* display = std::getenv("DISPLAY");
    vq::platform::errorLine(
        "VQEditor4 needs a graphical display, but none could be opened%s%s.\n"
        "Start it from a desktop session, or without one under a virtual X server:\n"
        "  xvfb-run -a %s\n",
        display ? " at DISPLAY=" : " (DISPLAY is not set)", display ? display : "", argv[0]);
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
    // What the quit writes, the settings writer's last change among it, ends within the same
    // bound as a session's end.
    WEMU_SetAppMessageHandler([](int message, intptr_t param1, intptr_t param2) -> intptr_t {
      if (message == WEMU_APPMSG_WILL_TERMINATE) vq::platform::boundShutDown();
      return HandleAppMessage(message, param1, param2);
    });
    status = WEMU_ApplicationMain();
    vq::platform::boundShutDown();
    WEMU_SetAppMessageHandler(nullptr);
    shell.ShutdownApp();
    WEMU_Internal_FlushDeferredDeletes();
    SetCurrentShell(nullptr);
  }
  return status;
}
