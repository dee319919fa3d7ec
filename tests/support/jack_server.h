// A private JACK server for one test, at the period the test needs: started as the test command
// starts its own (dummy driver, no realtime, synchronous unless asked otherwise), made the
// default for the clients the test opens and the programs it starts while it runs, and stopped
// with its shared-memory files at the end.
#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vqtest {

class JackServer {
 public:
  JackServer() = default;
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;
  ~JackServer() { Stop(); }

  // False with Error() when jackd cannot start or takes no client within 20 s. A jackd that
  // ends at once is tried again: the machine holds only a few servers at a time, and other test
  // runs start and stop theirs. An asynchronous server (jackd's default) runs on without a
  // client that is late, which then misses cycles.
  bool Start(unsigned period, bool synchronous = true) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      if (!Spawn(period, synchronous)) return false;
      while (std::chrono::steady_clock::now() < deadline) {
        jack_status_t status{};
        // The client's name is this server's: JACK's client sockets are shared by all servers.
        if (jack_client_t* c =
                jack_client_open((mName + "probe").c_str(),
                                 static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                 &status, mName.c_str())) {
          mPeriod = jack_get_buffer_size(c);
          jack_client_close(c);
          const char* old = std::getenv("JACK_DEFAULT_SERVER");
          mOldDefault = old ? old : "";
          mEnvSet = true;
          setenv("JACK_DEFAULT_SERVER", mName.c_str(), 1);
          setenv("JACK_NO_START_SERVER", "1", 1);
          return true;
        }
        if (waitpid(mPid, nullptr, WNOHANG) == mPid) {
          mPid = 0;
          Fail("jackd ended at once (see " + mLog + ")");
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (mPid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    if (mPid > 0) Fail("jackd took no client within 20 s (see " + mLog + ")");
    Stop();
    return false;
  }

  void Stop() {
    if (mPid <= 0) return;
    // jackd can hang on its way out (seen under heavy load, with its metadata store busy): the
    // test must not hang with it.
    kill(mPid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(mPid, nullptr, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(mPid, SIGKILL);
        waitpid(mPid, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    mPid = 0;
    if (mEnvSet && mOldDefault.empty())
      unsetenv("JACK_DEFAULT_SERVER");
    else if (mEnvSet)
      setenv("JACK_DEFAULT_SERVER", mOldDefault.c_str(), 1);
    mEnvSet = false;
    std::error_code ec;
    for (const auto& f : std::filesystem::directory_iterator("/dev/shm", ec))
      if (f.path().filename().string().find(mName) != std::string::npos)
        std::filesystem::remove_all(f.path(), ec);
  }

  unsigned Period() const { return mPeriod; }
  const std::string& Error() const { return mError; }

 private:
  bool Spawn(unsigned period, bool synchronous) {
    static int serial = 0;
    mName = "vqp" + std::to_string(getpid()) + "s" + std::to_string(++serial);
    mLog = (std::filesystem::temp_directory_path() / (mName + ".log")).string();
    std::vector<std::string> args = {"jackd", "-n", mName, "-r", "--port-max", "64"};
    if (synchronous) args.push_back("-S");
    for (const char* a : {"-d", "dummy", "-r", "48000", "-p"}) args.push_back(a);
    args.push_back(std::to_string(period));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, mLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    const int rc = posix_spawnp(&mPid, "jackd", &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (rc != 0) {
      mPid = 0;
      return Fail("jackd could not be started");
    }
    return true;
  }
  bool Fail(const std::string& text) {
    mError = text;
    return false;
  }
  pid_t mPid = 0;
  std::string mName, mLog, mOldDefault, mError;
  bool mEnvSet = false;
  unsigned mPeriod = 0;
};

}  // namespace vqtest
