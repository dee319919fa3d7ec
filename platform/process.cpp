#include "platform/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace vq::platform {

std::unique_ptr<Process> Process::spawn(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return nullptr;
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  // posix_spawnp reports a program that cannot be executed as an error, not as a child
  // that exits with 127.
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return nullptr;
  return std::unique_ptr<Process>(new Process(pid));
}

Process::~Process() {
  if (!mReaped) reap(false);
}

bool Process::reap(bool block) {
  if (mReaped) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(mPid, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == mPid) {
    mReaped = true;
    mStatus = WIFEXITED(status) ? WEXITSTATUS(status)
                                : (WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 255);
    return true;
  }
  if (r < 0) {  // not our child any more (reaped elsewhere)
    mReaped = true;
    mStatus = 255;
    return true;
  }
  return false;
}

bool Process::isRunning() {
  return !reap(false);
}

std::optional<int> Process::wait(double seconds) {
  if (seconds < 0) {
    reap(true);
    return mStatus;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!reap(false)) {
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return mStatus;
}

bool Process::terminate() {
  return !mReaped && ::kill(mPid, SIGTERM) == 0;
}

bool launchDetached(const std::vector<std::string>& argv) {
  std::shared_ptr<Process> p = Process::spawn(argv);
  if (!p) return false;
  std::thread([p] { p->wait(-1); }).detach();
  return true;
}

}  // namespace vq::platform
