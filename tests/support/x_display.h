// A display for tests that need a desktop: the one DISPLAY names when it answers, else a
// private Xvfb started for this process (ended with it). Tests skip only when neither works.
// Desktop suites run one at a time (RESOURCE_LOCK "xdisplay"): the pointer is shared.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// Declared as Xlib does, without its macros (None, Bool, ...) that clash with ours; link X11.
extern "C" {
struct _XDisplay;
_XDisplay* XOpenDisplay(const char* name);
int XCloseDisplay(_XDisplay* display);
}

namespace vq::test {

inline bool xDisplayAnswers(const char* name) {
  _XDisplay* d = XOpenDisplay(name);
  if (!d) return false;
  XCloseDisplay(d);
  return true;
}

struct PrivateXvfb {
  pid_t pid = 0;
  ~PrivateXvfb() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
};

// `screen` is Xvfb's screen geometry, e.g. "1366x768x24".
inline bool startPrivateXvfb(PrivateXvfb& server, std::string& why,
                             const char* screen = "1920x1200x24") {
  int fds[2];
  if (pipe(fds) != 0) {
    why = "no pipe for Xvfb";
    return false;
  }
  pid_t pid = fork();
  if (pid < 0) {
    why = "cannot fork for Xvfb";
    return false;
  }
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlives the test process
    close(fds[0]);
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) {
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  server.pid = pid;
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  // Xvfb writes its display number once it accepts clients; 10 s at most.
  while (poll(&p, 1, 10000) > 0) {
    char buf[16];
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, static_cast<size_t>(n));
    if (number.find('\n') != std::string::npos) break;
  }
  close(fds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (number.empty()) {
    why = "Xvfb did not start (is it installed?)";
    return false;
  }
  std::string display = ":" + number;
  setenv("DISPLAY", display.c_str(), 1);
  if (!xDisplayAnswers(display.c_str())) {
    why = "Xvfb started but does not answer on " + display;
    return false;
  }
  return true;
}

// Answers whether a display is there; `why` says why not.
inline bool ensureXDisplay(std::string* why = nullptr) {
  static int state = 0;  // 1 there, -1 none
  static std::string reason;
  static PrivateXvfb server;
  if (state == 0) {
    const char* d = std::getenv("DISPLAY");
    if (d && *d && xDisplayAnswers(d)) {
      state = 1;
    } else {
      state = startPrivateXvfb(server, reason) ? 1 : -1;
    }
  }
  if (why) *why = reason;
  return state == 1;
}

}  // namespace vq::test
