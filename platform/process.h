// Child processes started from an argument vector (never through a shell), for launching
// helper programs such as the desktop's opener.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vq::platform {

class Process {
 public:
  // Starts argv[0] (searched on PATH when it holds no "/") with the arguments as given.
  // None when argv is empty or the program cannot be started.
  static std::unique_ptr<Process> spawn(const std::vector<std::string>& argv);
  ~Process();  // reaps the child if it has ended; a running child is left running
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return mPid; }
  bool isRunning();
  // The exit status once the child ended within `seconds` (negative: wait for ever);
  // 128 + signal number for a child killed by a signal.
  std::optional<int> wait(double seconds);
  // Sends SIGTERM; answers whether the signal went out.
  bool terminate();

 private:
  explicit Process(pid_t pid) : mPid(pid) {}
  bool reap(bool block);

  pid_t mPid;
  bool mReaped = false;
  int mStatus = 0;
};

// Runs a program with arguments and reaps it on a background thread (for fire-and-forget
// helpers). Answers whether it started.
bool launchDetached(const std::vector<std::string>& argv);

}  // namespace vq::platform
