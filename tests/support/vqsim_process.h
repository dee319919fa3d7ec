// End-to-end test support over real MIDI ports (JACK): runs the simulated synthesizer `vqsim`
// as a child process, connects JACK ports, and gives a test its own MIDI ports.
//
// Link a suite that includes this with `vq_vqsim_process` (our MIDI ports, vqsim built first):
//     vq_test_suite(NAME foo_tests DEPS vq_foo vq_vqsim_process)
// Tests call VQ_SKIP_WITHOUT_JACK() first: tools/test.sh starts a JACK server and exports
// VQ_JACK=1 and JACK_DEFAULT_SERVER; without them the test is skipped with a clear message.
//
//     VQ_SKIP_WITHOUT_JACK();
//     vqtest::VqsimProcess sim;
//     ASSERT_TRUE(sim.Start({.faults = {"kind=write,mode=error-reply"}})) << sim.Error();
//     // The editor's ports (JackFindPort("From VQEditor4") ...) or a test's own JackMidiPeer:
//     vqtest::JackMidiPeer peer;
//     ASSERT_TRUE(peer.Open("mytest")) << peer.Error();
//     ASSERT_TRUE(sim.Connect(peer.OutPort(), peer.InPort())) << sim.Error();
//     peer.Send(request); auto dump = peer.WaitForMessage(IsDump, 3000);
//     sim.WaitForLogLine("nrpn ", 3000, 342);      // the event log, see tools/vqsim/README.md
//     EXPECT_TRUE(sim.Faults().empty());
//     sim.Stop(); auto slots = sim.ReadSlots();   // the 99 slots as vqsim left them
//
// Waits never block past their time-out; a vqsim still running at destruction is stopped.
#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Not used here: the desktop suites list ports through RtMidi and take it from this header.
#include <rtmidi/RtMidi.h>

// Benchmarks and other programs without GoogleTest define VQSIM_PROCESS_NO_GTEST first.
#ifndef VQSIM_PROCESS_NO_GTEST
#include <gtest/gtest.h>
#endif

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/midi_input.h"
#include "platform/midi_output.h"
#include "tests/support/jack_available.h"
#include "tests/support/midi_collector.h"
#include "tools/vqsim/device_program.h"
#include "tools/vqsim/sim_engine.h"

extern char** environ;

namespace vqtest {

namespace detail {

using Clock = std::chrono::steady_clock;

inline int64_t MsLeft(Clock::time_point deadline) {
  return std::max<int64_t>(
      0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

// The null-terminated argument vector posix_spawn takes; valid while `argv` lives unchanged.
inline std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  return args;
}

// Runs a program with arguments (no shell), waits at most timeoutMs; returns its exit status or -1.
inline int RunProgram(const std::vector<std::string>& argv, int timeoutMs,
                      std::string* output = nullptr) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
  std::vector<char*> args = ArgvPointers(argv);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return -1;
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string text;
  for (;;) {
    pollfd p{out[0], POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(MsLeft(deadline)));
    if (r <= 0) break;  // time-out (or error): the child is killed below
    char buf[512];
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  close(out[0]);
  int status = 0;
  pid_t done = waitpid(pid, &status, WNOHANG);
  while (done == 0 && MsLeft(deadline) > 0) {
    pollfd none{-1, 0, 0};
    poll(&none, 0, 5);
    done = waitpid(pid, &status, WNOHANG);
  }
  if (done == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace detail

// A short-lived JACK client of this process for the port calls below. Not the command-line
// tools: each opens under one fixed name, and JACK names a client's socket after the name alone,
// so tests on other servers of the machine running the same tool at that moment break its open.
class JackToolClient {
 public:
  JackToolClient() {
    static std::atomic<int> serial{0};
    const std::string name = "vqtool" + std::to_string(getpid()) + "n" + std::to_string(++serial);
    mClient = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
  }
  ~JackToolClient() {
    if (mClient) jack_client_close(mClient);
  }
  JackToolClient(const JackToolClient&) = delete;
  JackToolClient& operator=(const JackToolClient&) = delete;
  jack_client_t* get() const { return mClient; }

 private:
  jack_client_t* mClient = nullptr;
};

// Connects two JACK ports ("client:port"); an existing connection counts.
inline bool JackConnect(const std::string& from, const std::string& to,
                        std::string* error = nullptr) {
  JackToolClient client;
  const int rc = client.get() ? jack_connect(client.get(), from.c_str(), to.c_str()) : -1;
  if (rc != 0 && rc != EEXIST && error)
    *error = "JACK: connecting " + from + " to " + to +
             (client.get() ? " failed (" + std::to_string(rc) + ")" : ": no server answers");
  return rc == 0 || rc == EEXIST;
}

inline bool JackDisconnect(const std::string& from, const std::string& to) {
  JackToolClient client;
  return client.get() && jack_disconnect(client.get(), from.c_str(), to.c_str()) == 0;
}

// Every JACK port name ("client:port"); empty when no server answers.
inline std::vector<std::string> JackPorts() {
  JackToolClient client;
  std::vector<std::string> ports;
  if (!client.get()) return ports;
  if (const char** names = jack_get_ports(client.get(), nullptr, nullptr, 0)) {
    for (const char** n = names; *n; ++n) ports.push_back(*n);
    jack_free(names);
  }
  return ports;
}

// The first JACK port whose name contains `part` (e.g. "From VQEditor4"), waiting up to
// timeoutMs for it to appear; empty when none does.
inline std::string JackFindPort(const std::string& part, int timeoutMs = 3000) {
  const auto deadline = detail::Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (const auto& p : JackPorts())
      if (p.find(part) != std::string::npos) return p;
    if (detail::MsLeft(deadline) == 0) return {};
    pollfd none{-1, 0, 0};
    poll(&none, 0, 20);
  }
}

struct VqsimOptions {
  std::vector<std::string> faults;  // misbehaviour rules, e.g. "kind=request,mode=silence,count=2"
  bool distinct = false;            // every slot its own program ("Sim 01" ...) instead of INIT
  std::string loadSlots;            // a slot file to start from (format of SimEngine::SaveSlots)
  std::string name;                 // JACK client base name; default unique per process
  std::vector<std::string> extraArgs;
  bool keepErrorOutput = false;  // standard error into a file of Folder() (ErrorOutput())
};

// One vqsim child process with its own temporary folder for the event log and the slot state.
class VqsimProcess {
 public:
  VqsimProcess() = default;
  VqsimProcess(const VqsimProcess&) = delete;
  VqsimProcess& operator=(const VqsimProcess&) = delete;
  ~VqsimProcess() {
    Stop();
    if (!mDir.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(mDir, ec);
    }
  }

  // The vqsim program: $VQSIM, else $VQ_BINARY_DIR/tools/vqsim/vqsim, else found from the test
  // executable's place in the build tree (build/tests/<suite>/<suite>_tests).
  static std::string Executable() {
    if (const char* p = std::getenv("VQSIM")) return p;
    if (const char* b = std::getenv("VQ_BINARY_DIR")) return std::string(b) + "/tools/vqsim/vqsim";
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "vqsim";
    return (self.parent_path().parent_path().parent_path() / "tools/vqsim/vqsim").string();
  }

  // Starts vqsim and waits until its ports are open (its ready line). False with Error() set
  // when it cannot start or does not become ready in time. The limit is generous: a JACK server
  // still dropping the clients of a program just ended can take many seconds to open new ones.
  bool Start(const VqsimOptions& options = {}, int timeoutMs = 60000) {
    Stop();
    mError.clear();
    if (mDir.empty()) {
      std::string tmpl = (std::filesystem::temp_directory_path() / "vqsim-test-XXXXXX").string();
      if (!mkdtemp(tmpl.data())) return Fail("mkdtemp failed");
      mDir = tmpl;
    }
    static int serial = 0;
    const std::string name =
        options.name.empty() ? "vqsimt" + std::to_string(getpid()) + "n" + std::to_string(++serial)
                             : options.name;
    std::vector<std::string> argv = {Executable(), "--api",   "jack",    "--name",   name,
                                     "--log",      LogPath(), "--state", StatePath()};
    if (options.distinct) argv.push_back("--distinct");
    if (!options.loadSlots.empty()) {
      argv.push_back("--load-slots");
      argv.push_back(options.loadSlots);
    }
    for (const auto& f : options.faults) {
      argv.push_back("--fault");
      argv.push_back(f);
    }
    argv.insert(argv.end(), options.extraArgs.begin(), options.extraArgs.end());

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return Fail("pipe failed");
    if (pipe2(out, O_CLOEXEC) != 0) {
      close(in[0]);
      close(in[1]);
      return Fail("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (options.keepErrorOutput)
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, ErrorOutputPath().c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args = detail::ArgvPointers(argv);
    const int rc = posix_spawn(&mPid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
      close(in[1]);
      close(out[0]);
      mPid = -1;
      return Fail("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
    mStdin = in[1];
    mStdout = out[0];
    signal(SIGPIPE, SIG_IGN);  // writing to a vqsim that has gone must not end the test

    std::string line;
    const auto deadline = detail::Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!ReadLine(line, deadline)) {
      siginfo_t ended{};  // looked at, not reaped: Stop() does that
      waitid(P_PID, static_cast<id_t>(mPid), &ended, WEXITED | WNOHANG | WNOWAIT);
      return Fail(ended.si_pid == mPid
                      ? "vqsim ended before it was ready"
                      : "vqsim did not report ready within " + std::to_string(timeoutMs) + " ms");
    }
    if (line.rfind("vqsim ready ", 0) != 0)
      return Fail("unexpected first line from vqsim: " + line);
    std::istringstream words(line.substr(12));
    std::string w;
    while (words >> w) {
      if (w.rfind("in=", 0) == 0)
        mInPort = w.substr(3);
      else if (w.rfind("out=", 0) == 0)
        mOutPort = w.substr(4);
    }
    return true;
  }

  // Connects the editor's output port to vqsim's input and vqsim's output to the editor's input
  // (full JACK names; see JackFindPort).
  bool Connect(const std::string& editorOutput, const std::string& editorInput) {
    std::string why;
    if (!JackConnect(editorOutput, mInPort, &why) || !JackConnect(mOutPort, editorInput, &why))
      return Fail(why);
    return true;
  }

  const std::string& InPort() const { return mInPort; }    // connect the editor's output here
  const std::string& OutPort() const { return mOutPort; }  // connect this to the editor's input
  const std::string& Error() const { return mError; }
  bool Running() const { return mPid > 0; }
  std::string LogPath() const { return mDir + "/events.log"; }
  std::string StatePath() const { return mDir + "/slots.txt"; }
  std::string ErrorOutputPath() const { return mDir + "/stderr.txt"; }
  // What vqsim wrote to standard error so far (started with keepErrorOutput).
  std::string ErrorOutput() const {
    std::ifstream in(ErrorOutputPath());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  const std::string& Folder() const { return mDir; }

  // Sends a command line ("fault SPEC", "clear-faults", "save-state") and waits for its "ok".
  bool Command(const std::string& line, int timeoutMs = 3000) {
    if (mStdin < 0) return Fail("vqsim is not running");
    const std::string text = line + "\n";
    if (write(mStdin, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
      return Fail("cannot write to vqsim");
    const auto deadline = detail::Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string reply;
    while (ReadLine(reply, deadline))
      if (reply == "ok " + line) return true;
    return Fail("no ok from vqsim for \"" + line + "\"");
  }

  // Ends vqsim (end of input, then SIGTERM, then SIGKILL) and returns its exit status
  // (-1 when it had to be killed or was not running).
  int Stop(int timeoutMs = 5000) {
    if (mPid <= 0) return -1;
    if (mStdin >= 0) {
      close(mStdin);
      mStdin = -1;
    }
    int status = 0;
    bool exited = WaitExit(status, timeoutMs);
    if (!exited) {
      kill(mPid, SIGTERM);
      exited = WaitExit(status, 2000);
    }
    if (!exited) {
      kill(mPid, SIGKILL);
      waitpid(mPid, &status, 0);
    }
    mPid = -1;
    if (mStdout >= 0) {
      close(mStdout);
      mStdout = -1;
    }
    return exited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Sends a signal to vqsim (SIGTERM ends it cleanly, as end of input does).
  bool SendSignal(int sig) { return mPid > 0 && kill(mPid, sig) == 0; }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::ifstream in(LogPath());
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  }

  // Waits until the log holds at least `count` lines starting with `prefix`.
  bool WaitForLogLine(const std::string& prefix, int timeoutMs, size_t count = 1) {
    return WaitForLog(
        [&](const std::vector<std::string>& lines) {
          size_t n = 0;
          for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) ++n;
          return n >= count;
        },
        timeoutMs);
  }

  bool WaitForLog(const std::function<bool(const std::vector<std::string>&)>& done, int timeoutMs) {
    const auto deadline = detail::Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (done(LogLines())) return true;
      if (detail::MsLeft(deadline) == 0) return false;
      pollfd none{-1, 0, 0};
      poll(&none, 0, 5);
    }
  }

  // Lines of the log that start with "fault " (things a correct editor never sends).
  std::vector<std::string> Faults() const {
    std::vector<std::string> faults;
    for (const auto& l : LogLines())
      if (l.rfind("fault ", 0) == 0) faults.push_back(l);
    return faults;
  }

  // The 99 slots as vqsim saved them at its end (or at the last "save-state" command).
  std::optional<std::array<vqsim::DeviceProgram, vqsim::kSlotCount>> ReadSlots() const {
    std::ifstream in(StatePath());
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    vqsim::SimEngine engine;
    std::string error;
    if (!engine.LoadSlots(text.str(), error)) return std::nullopt;
    return engine.State().slots;
  }

 private:
  bool Fail(const std::string& why) {
    mError = why;
    return false;
  }

  bool ReadLine(std::string& line, detail::Clock::time_point deadline) {
    for (;;) {
      const size_t nl = mBuffer.find('\n');
      if (nl != std::string::npos) {
        line = mBuffer.substr(0, nl);
        mBuffer.erase(0, nl + 1);
        return true;
      }
      if (mStdout < 0) return false;
      pollfd p{mStdout, POLLIN, 0};
      const int r = poll(&p, 1, static_cast<int>(detail::MsLeft(deadline)));
      if (r <= 0) return false;
      char buf[512];
      const ssize_t n = read(mStdout, buf, sizeof buf);
      if (n <= 0) return false;
      mBuffer.append(buf, static_cast<size_t>(n));
    }
  }

  bool WaitExit(int& status, int timeoutMs) {
    const auto deadline = detail::Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const pid_t r = waitpid(mPid, &status, WNOHANG);
      if (r == mPid || r < 0) return r == mPid;
      if (detail::MsLeft(deadline) == 0) return false;
      pollfd none{-1, 0, 0};
      poll(&none, 0, 5);
    }
  }

  pid_t mPid = -1;
  int mStdin = -1;
  int mStdout = -1;
  std::string mBuffer;
  std::string mDir;
  std::string mInPort, mOutPort;
  std::string mError;
};

// A test's own MIDI ports on JACK, the program's own kind (no losses of their own): a virtual
// input whose messages (SysEx included) the Collector keeps, and a virtual output. Messages
// arrive on the input's worker thread; the waits are thread-safe.
class JackMidiPeer : public Collector {
 public:
  JackMidiPeer() = default;
  JackMidiPeer(const JackMidiPeer&) = delete;
  JackMidiPeer& operator=(const JackMidiPeer&) = delete;
  ~JackMidiPeer() { Close(); }

  // Ports "<clientBase><pid>n<k>-in:in" and "...-out:out": the process id and a counter keep
  // the client names of parallel test processes and of several peers apart.
  bool Open(const std::string& clientBase) {
    Close();
    static int serial = 0;
    const std::string base = clientBase + std::to_string(getpid()) + "n" + std::to_string(++serial);
    mOut = vq::platform::RtMidiOutput::Create(base + "-out", &mError, "jack");
    if (mOut) mIn = vq::platform::RtMidiInput::Create(base + "-in", 1000, &mError, "jack");
    if (!mIn) return Fail("cannot open JACK MIDI ports: " + mError);
    mIn->SetCallback([this](const uint8_t* bytes, size_t count) { Add(bytes, count); });
    if (!mIn->OpenVirtualPort("in") || !mOut->OpenVirtualPort("out"))
      return Fail("cannot open JACK MIDI ports: " + mIn->LastError() + mOut->LastError());
    mInPort = base + "-in:in";
    mOutPort = base + "-out:out";
    return true;
  }

  void Close() {
    if (mIn) mIn->SetCallback(nullptr);
    mIn.reset();
    mOut.reset();
  }

  const std::string& InPort() const { return mInPort; }
  const std::string& OutPort() const { return mOutPort; }
  const std::string& Error() const { return mError; }
  // Messages or pieces the input lost (none while the test keeps up).
  uint64_t Dropped() const { return mIn ? mIn->DroppedMessages() : 0; }

  bool Send(const std::vector<uint8_t>& message) {
    if (mOut && mOut->Send(message)) return true;
    mError = mOut ? mOut->LastError() : "not open";
    return false;
  }

 private:
  bool Fail(const std::string& why) {
    mError = why;
    Close();
    return false;
  }

  std::string mInPort, mOutPort, mError;
  // Last, so they go first: no callback runs into the members above once they are gone.
  std::unique_ptr<vq::platform::RtMidiOutput> mOut;
  std::unique_ptr<vq::platform::RtMidiInput> mIn;
};

}  // namespace vqtest
