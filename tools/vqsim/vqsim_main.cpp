// vqsim: the simulated synthesizer on real MIDI ports.
//
//   vqsim [--name BASE] [--in-port NAME] [--out-port NAME] [--api any|jack|alsa]
//         [--log FILE] [--state FILE] [--load-slots FILE] [--distinct]
//         [--fault SPEC]... [--no-stdin] [--wire-rate]
//
// --wire-rate paces both directions to 31,250 baud (ten bit times a byte), as a 5-pin cable
// does: a message reaches the engine only once its last byte would have arrived, and each
// answer goes out once its last byte would have left, one message after another.
//
// Prints one line "vqsim ready api=API in=CLIENT:PORT out=CLIENT:PORT" once its ports are open,
// then answers the editor until SIGTERM, SIGINT or end of standard input. Lines on standard input
// are commands: "fault SPEC" adds a misbehaviour rule, "clear-faults" removes them all,
// "save-state" writes the state file now, "quit" ends. SPEC is as for --fault, e.g.
// "kind=write,mode=error-reply,count=2". Exit status: 0 clean, 2 bad arguments, 3 no MIDI ports.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/vqsim/midi_ports.h"
#include "tools/vqsim/sim_engine.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char c = 's';
  [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &c, 1);
}

struct Options {
  std::string name;
  std::string inPort = "in";
  std::string outPort = "out";
  std::string api = "any";
  std::string logPath;
  std::string statePath;
  std::string loadSlotsPath;
  bool distinct = false;
  bool readStdin = true;
  bool wireRate = false;
  std::vector<vqsim::MisbehaviourRule> faults;
};

struct TextOption {
  const char* name;
  std::string Options::*field;
};
const TextOption kTextOptions[] = {
    {"--name", &Options::name},
    {"--in-port", &Options::inPort},
    {"--out-port", &Options::outPort},
    {"--api", &Options::api},
    {"--log", &Options::logPath},
    {"--state", &Options::statePath},
    {"--load-slots", &Options::loadSlotsPath},
};
struct Switch {
  const char* name;
  bool Options::*field;
  bool value;
};
const Switch kSwitches[] = {
    {"--distinct", &Options::distinct, true},
    {"--no-stdin", &Options::readStdin, false},
    {"--wire-rate", &Options::wireRate, true},
};

void Usage(FILE* f) {
  std::fputs(
      "usage: vqsim [--name BASE] [--in-port NAME] [--out-port NAME] [--api any|jack|alsa]\n"
      "             [--log FILE] [--state FILE] [--load-slots FILE] [--distinct]\n"
      "             [--fault "
      "kind=K,mode=M[,count=N|always][,skip=N][,ms=N][,length=N][,slot=N]]...\n"
      "             [--no-stdin] [--wire-rate]\n"
      "kinds: request write fw-start fw-block fw-end\n"
      "modes: bad-checksum wrong-command truncated error-reply silence slow old-dump\n"
      "       wrong-target foreign-id wrong-slot\n",
      f);
}

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "vqsim: %s needs a value\n", a.c_str());
        return false;
      }
      out = argv[++i];
      return true;
    };
    const auto text = std::find_if(std::begin(kTextOptions), std::end(kTextOptions),
                                   [&](const TextOption& t) { return a == t.name; });
    const auto flag = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                   [&](const Switch& s) { return a == s.name; });
    std::string v;
    if (text != std::end(kTextOptions)) {
      if (!value(o.*(text->field))) return false;
      if (a == "--api" && o.api != "any" && o.api != "jack" && o.api != "alsa") {
        std::fprintf(stderr, "vqsim: unknown API \"%s\"\n", o.api.c_str());
        return false;
      }
    } else if (flag != std::end(kSwitches)) {
      o.*(flag->field) = flag->value;
    } else if (a == "--fault") {
      if (!value(v)) return false;
      std::string error;
      auto rule = vqsim::ParseMisbehaviour(v, error);
      if (!rule) {
        std::fprintf(stderr, "vqsim: --fault %s: %s\n", v.c_str(), error.c_str());
        return false;
      }
      o.faults.push_back(*rule);
    } else if (a == "--help" || a == "-h") {
      Usage(stdout);
      std::exit(0);
    } else {
      std::fprintf(stderr, "vqsim: unknown argument \"%s\"\n", a.c_str());
      return false;
    }
  }
  if (o.name.empty()) o.name = "vqsim" + std::to_string(getpid());
  return true;
}

// Hands messages on from one thread, each when its delay has passed, in order of due time
// (messages due at the same moment keep their order): the engine's answers to the port, and
// with the wire model the arriving messages to the engine. A JACK port carries about 32 KB per
// cycle, so bursts are paced: at most kBurstBytes per kBurstWindow. With a byte time, a message is
// handed on only once all its bytes would have crossed a cable that carries one message after
// another.
class Sender {
 public:
  using Deliver = std::function<void(const std::vector<unsigned char>&)>;
  Sender(Deliver deliver, std::chrono::nanoseconds byteTime)
      : mDeliver(std::move(deliver)), mByteTime(byteTime), mThread([this] { Run(); }) {}
  ~Sender() { Stop(); }

  void Post(std::vector<vqsim::OutMessage> messages) {
    const auto now = Clock::now();
    std::lock_guard<std::mutex> lock(mMutex);
    for (auto& m : messages)
      mQueue.emplace(Key{now + std::chrono::milliseconds(m.delayMs), mSequence++},
                     std::move(m.bytes));
    mWake.notify_one();
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mStopping = true;
      mWake.notify_one();
    }
    if (mThread.joinable()) mThread.join();
  }

 private:
  using Clock = std::chrono::steady_clock;
  using Key = std::pair<Clock::time_point, uint64_t>;

  void Run() {
    std::unique_lock<std::mutex> lock(mMutex);
    while (!mStopping) {
      if (mQueue.empty()) {
        mWake.wait(lock);
        continue;
      }
      const auto due = mQueue.begin()->first.first;
      if (Clock::now() < due) {
        mWake.wait_until(lock, due);
        continue;
      }
      const auto now = Clock::now();
      if (now - mWindowStart >= kBurstWindow) {
        mWindowStart = now;
        mWindowBytes = 0;
      }
      if (mWindowBytes > 0 && mWindowBytes + mQueue.begin()->second.size() > kBurstBytes) {
        mWake.wait_until(lock, mWindowStart + kBurstWindow);
        continue;
      }
      if (mByteTime.count() > 0) {
        // The cable is busy until the last message's end; this one ends its length later.
        const auto ends = std::max(due, mWireFree) + std::chrono::duration_cast<Clock::duration>(
                                                         mByteTime * mQueue.begin()->second.size());
        if (Clock::now() < ends) {
          mWake.wait_until(lock, ends);
          continue;
        }
        mWireFree = ends;
      }
      std::vector<unsigned char> bytes = std::move(mQueue.begin()->second);
      mQueue.erase(mQueue.begin());
      mWindowBytes += bytes.size();
      lock.unlock();
      mDeliver(bytes);
      lock.lock();
    }
  }

  static constexpr size_t kBurstBytes = 8192;
  static constexpr std::chrono::milliseconds kBurstWindow{10};

  Deliver mDeliver;
  const std::chrono::nanoseconds mByteTime;
  Clock::time_point mWireFree{};
  Clock::time_point mWindowStart{};
  size_t mWindowBytes = 0;
  std::mutex mMutex;
  std::condition_variable mWake;
  std::map<Key, std::vector<unsigned char>> mQueue;
  uint64_t mSequence = 0;
  bool mStopping = false;
  std::thread mThread;
};

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".new";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    if (!out.flush()) return false;
  }
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, options)) {
    Usage(stderr);
    return 2;
  }

  std::mutex engineMutex;
  vqsim::SimEngine engine;
  engine.FillSlots(options.distinct);
  if (!options.loadSlotsPath.empty()) {
    std::string text, error;
    if (!ReadFile(options.loadSlotsPath, text) || !engine.LoadSlots(text, error)) {
      std::fprintf(stderr, "vqsim: cannot load slots from %s %s\n", options.loadSlotsPath.c_str(),
                   error.c_str());
      return 2;
    }
  }
  for (const auto& rule : options.faults) {
    std::string error;
    engine.Plan().Add(rule, error);
  }

  FILE* log = nullptr;
  if (!options.logPath.empty()) {
    log = std::fopen(options.logPath.c_str(), "w");
    if (!log) {
      std::fprintf(stderr, "vqsim: cannot write log %s: %s\n", options.logPath.c_str(),
                   std::strerror(errno));
      return 2;
    }
    // Flushed line by line so that a test can follow the log while vqsim runs.
    engine.SetEventSink([log](const vqsim::Event& e) {
      std::fputs(e.line.c_str(), log);
      std::fputc('\n', log);
      std::fflush(log);
    });
  }
  engine.SetEventLimit(10000);

  if (pipe(g_signalPipe) != 0) {
    std::perror("vqsim: pipe");
    return 3;
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  vqsim::MidiPorts ports;
  // 31,250 baud: a start bit, eight data bits and a stop bit per byte.
  const std::chrono::nanoseconds byteTime{options.wireRate ? 320000 : 0};
  Sender sender(
      [&](const std::vector<unsigned char>& bytes) {
        std::string error;
        if (!ports.Send(bytes.data(), bytes.size(), error))
          std::fprintf(stderr, "vqsim: send failed: %s\n", error.c_str());
      },
      byteTime);
  auto answer = [&](const std::vector<unsigned char>& message) {
    std::vector<vqsim::OutMessage> answers;
    {
      std::lock_guard<std::mutex> lock(engineMutex);
      answers = engine.Receive(message.data(), message.size());
    }
    if (!answers.empty()) sender.Post(std::move(answers));
  };
  // With the wire model arriving messages cross their own cable first.
  Sender incoming(answer, byteTime);
  std::string error;
  const bool opened = ports.Open(
      options.api, options.name, options.inPort, options.outPort,
      [&](const uint8_t* bytes, size_t count) {
        std::vector<unsigned char> message(bytes, bytes + count);
        if (options.wireRate)
          incoming.Post({vqsim::OutMessage{std::move(message), 0}});
        else
          answer(message);
      },
      error);
  if (!opened) {
    std::fprintf(stderr, "vqsim: cannot open MIDI ports: %s\n", error.c_str());
    incoming.Stop();
    sender.Stop();
    if (log) std::fclose(log);
    return 3;
  }
  std::printf("vqsim ready api=%s in=%s out=%s\n", ports.ApiName().c_str(),
              ports.InPortName().c_str(), ports.OutPortName().c_str());
  std::fflush(stdout);

  auto saveState = [&] {
    if (options.statePath.empty()) return;
    std::string text;
    {
      std::lock_guard<std::mutex> lock(engineMutex);
      text = engine.SaveSlots();
    }
    if (!WriteFileAtomically(options.statePath, text))
      std::fprintf(stderr, "vqsim: cannot write state %s\n", options.statePath.c_str());
  };

  std::string pending;
  bool running = true;
  while (running) {
    pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    const int count = options.readStdin ? 2 : 1;
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents) break;
    if (count < 2 || !fds[1].revents) continue;
    char buf[1024];
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      break;  // end of input
    }
    pending.append(buf, static_cast<size_t>(n));
    size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line == "quit") {
        running = false;
        break;
      }
      if (line == "clear-faults") {
        std::lock_guard<std::mutex> lock(engineMutex);
        engine.Plan().Clear();
      } else if (line == "save-state") {
        saveState();
      } else if (line.rfind("fault ", 0) == 0) {
        std::string why;
        auto rule = vqsim::ParseMisbehaviour(line.substr(6), why);
        if (rule) {
          std::lock_guard<std::mutex> lock(engineMutex);
          engine.Plan().Add(*rule, why);
        } else {
          std::fprintf(stderr, "vqsim: %s: %s\n", line.c_str(), why.c_str());
        }
      } else if (!line.empty()) {
        std::fprintf(stderr, "vqsim: unknown command \"%s\"\n", line.c_str());
      }
      std::printf("ok %s\n", line.c_str());
      std::fflush(stdout);
    }
  }

  incoming.Stop();
  sender.Stop();  // answers still waiting are dropped
  // The slots reach the disk before the ports go: a MIDI library failing at its close must not
  // take the state with it.
  saveState();
  ports.Close();
  if (log) std::fclose(log);
  return 0;
}
