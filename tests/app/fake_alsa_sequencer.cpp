// The sequencer's stand-in: open (in its several forms), close, write and ioctl are defined here,
// so they take the place of the C library's for the whole test program, the ALSA library
// included. The C library's inline checked wrappers would clash with these definitions.
#undef _FORTIFY_SOURCE

#include "app/fake_alsa_sequencer.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sound/asequencer.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>

namespace fakeseq {

namespace {

constexpr const char* kDevice = "/dev/snd/seq";
constexpr int kFirstUserClient = 128;
constexpr int kMaxClients = 192;
constexpr int kMaxQueues = 32;

// Read on every call of the program: constant-initialised, so good before main too.
std::atomic<bool> gArmed{false};
constexpr int kMaxFd = 4096;
std::atomic<bool> gFakeFd[kMaxFd];  // descriptors that are sequencer clients
std::atomic<int> gProcess{0};       // the process that opened them (a forked child only shares)

// The functions these stand in front of, looked up as the program loads: a sanitizer's report
// opens files while it holds its allocator, and a lookup then (dlsym frees its error text) hangs.
struct Next {
  int (*open)(const char*, int, ...);
  int (*open64)(const char*, int, ...);
  int (*open2)(const char*, int);
  int (*openat)(int, const char*, int, ...);
  int (*close)(int);
  ssize_t (*write)(int, const void*, size_t);
  int (*ioctl)(int, unsigned long, ...);
};
Next gNext;  // zero-initialised, so a call before the look-up below is seen

template <class F>
void Find(F& f, const char* name) {
  f = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((constructor(101))) void FindNext() {
  Find(gNext.open, "open");
  Find(gNext.open64, "open64");
  Find(gNext.open2, "__open_2");
  Find(gNext.openat, "openat");
  Find(gNext.close, "close");
  Find(gNext.write, "write");
  Find(gNext.ioctl, "ioctl");
}

// A library's constructor may call before ours has run.
const Next& TheNext() {
  if (gNext.ioctl == nullptr) FindNext();
  return gNext;
}

bool IsFake(int fd) {
  return fd >= 0 && fd < kMaxFd && gFakeFd[fd].load(std::memory_order_acquire) &&
         gProcess.load(std::memory_order_relaxed) == getpid();
}

bool IsDevice(const char* path) {
  return gArmed.load(std::memory_order_acquire) && std::strcmp(path, kDevice) == 0;
}

mode_t ModeOf(int flags, va_list args) {
  return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, unsigned)) : 0;
}

struct Client {
  int pid = -1;  // the owner: the thread that opened it; -1 for the kernel's clients
  std::string name;
  unsigned filter = 0;
  std::map<int, snd_seq_port_info> ports;
};

struct Queue {
  int owner = 0;
  std::string name;
};

snd_seq_port_info MakePort(int client, int port, const std::string& name, unsigned capability,
                           unsigned type) {
  snd_seq_port_info info{};
  info.addr.client = static_cast<unsigned char>(client);
  info.addr.port = static_cast<unsigned char>(port);
  std::snprintf(info.name, sizeof info.name, "%s", name.c_str());
  info.capability = capability;
  info.type = type;
  info.midi_channels = 16;
  return info;
}

struct Kernel {
  Kernel() {
    Client& system = clients[0];
    system.name = "System";
    system.ports[0] = MakePort(
        0, 0, "Timer",
        SNDRV_SEQ_PORT_CAP_WRITE | SNDRV_SEQ_PORT_CAP_READ | SNDRV_SEQ_PORT_CAP_SUBS_READ, 0);
    system.ports[1] =
        MakePort(0, 1, "Announce", SNDRV_SEQ_PORT_CAP_READ | SNDRV_SEQ_PORT_CAP_SUBS_READ, 0);
    Client& through = clients[14];
    through.name = "Midi Through";
    through.ports[0] = MakePort(
        14, 0, "Midi Through Port-0",
        SNDRV_SEQ_PORT_CAP_READ | SNDRV_SEQ_PORT_CAP_WRITE | SNDRV_SEQ_PORT_CAP_SUBS_READ |
            SNDRV_SEQ_PORT_CAP_SUBS_WRITE,
        SNDRV_SEQ_PORT_TYPE_MIDI_GENERIC | SNDRV_SEQ_PORT_TYPE_SOFTWARE | SNDRV_SEQ_PORT_TYPE_PORT);
  }

  // The lowest free number from 128; -1 when all are taken.
  int FreeNumber() const {
    for (int n = kFirstUserClient; n < kMaxClients; ++n)
      if (!clients.count(n)) return n;
    return -1;
  }

  void Close(int number) {
    clients.erase(number);
    for (auto q = queues.begin(); q != queues.end();)
      q = q->second.owner == number ? queues.erase(q) : std::next(q);
  }

  void Fill(snd_seq_client_info& info, int number) const {
    const Client& c = clients.at(number);
    info.client = number;
    info.type = number < kFirstUserClient ? KERNEL_CLIENT : USER_CLIENT;
    std::snprintf(info.name, sizeof info.name, "%s", c.name.c_str());
    info.filter = c.filter;
    info.num_ports = static_cast<int>(c.ports.size());
    info.event_lost = 0;
    info.card = -1;
    info.pid = c.pid;
  }

  // One request of client `self`: 0 or -errno, as the kernel's handlers return.
  int Ioctl(int self, unsigned long request, void* arg);

  std::mutex mutex;
  std::map<int, Client> clients;
  std::map<int, int> clientOfFd;
  std::map<int, Queue> queues;
};

int Kernel::Ioctl(int self, unsigned long request, void* arg) {
  const auto client = static_cast<snd_seq_client_info*>(arg);
  const auto port = static_cast<snd_seq_port_info*>(arg);
  const auto queue = static_cast<snd_seq_queue_info*>(arg);
  switch (request) {
    case SNDRV_SEQ_IOCTL_PVERSION:
      *static_cast<int*>(arg) = SNDRV_SEQ_VERSION;
      return 0;
    case SNDRV_SEQ_IOCTL_USER_PVERSION:
    case SNDRV_SEQ_IOCTL_RUNNING_MODE:
    case SNDRV_SEQ_IOCTL_SET_CLIENT_POOL:
    case SNDRV_SEQ_IOCTL_REMOVE_EVENTS:
    case SNDRV_SEQ_IOCTL_SET_QUEUE_TIMER:
    case SNDRV_SEQ_IOCTL_SET_QUEUE_CLIENT:
      return 0;
    case SNDRV_SEQ_IOCTL_CLIENT_ID:
      *static_cast<int*>(arg) = self;
      return 0;
    case SNDRV_SEQ_IOCTL_SYSTEM_INFO: {
      auto* info = static_cast<snd_seq_system_info*>(arg);
      *info = {};
      info->queues = kMaxQueues;
      info->clients = kMaxClients;
      info->ports = 254;
      info->channels = 256;
      info->cur_clients = static_cast<int>(clients.size());
      info->cur_queues = static_cast<int>(queues.size());
      return 0;
    }
    case SNDRV_SEQ_IOCTL_GET_CLIENT_INFO:
      if (!clients.count(client->client)) return -ENOENT;
      Fill(*client, client->client);
      return 0;
    case SNDRV_SEQ_IOCTL_SET_CLIENT_INFO: {
      if (client->client != self) return -EPERM;
      if (client->type != USER_CLIENT) return -EINVAL;
      Client& c = clients.at(self);
      if (client->name[0]) c.name.assign(client->name, strnlen(client->name, sizeof client->name));
      c.filter = client->filter;
      return 0;
    }
    case SNDRV_SEQ_IOCTL_QUERY_NEXT_CLIENT: {
      const auto next = clients.upper_bound(client->client);
      if (next == clients.end()) return -ENOENT;
      Fill(*client, next->first);
      return 0;
    }
    case SNDRV_SEQ_IOCTL_CREATE_PORT: {
      if (port->addr.client != self) return -EPERM;
      if (port->kernel) return -EINVAL;
      auto& ports = clients.at(self).ports;
      int number = 0;
      if (port->flags & SNDRV_SEQ_PORT_FLG_GIVEN_PORT) {
        number = port->addr.port;
        if (ports.count(number)) return -EBUSY;
      } else {
        for (const auto& p : ports) {
          if (p.first > number) break;
          number = p.first + 1;
        }
      }
      port->addr.port = static_cast<unsigned char>(number);
      if (!port->name[0]) std::snprintf(port->name, sizeof port->name, "port-%d", number);
      port->read_use = port->write_use = 0;
      ports[number] = *port;
      return 0;
    }
    case SNDRV_SEQ_IOCTL_DELETE_PORT:
      if (port->addr.client != self) return -EPERM;
      return clients.at(self).ports.erase(port->addr.port) ? 0 : -ENOENT;
    case SNDRV_SEQ_IOCTL_SET_PORT_INFO: {
      if (port->addr.client != self) return -EPERM;
      auto& ports = clients.at(self).ports;
      if (ports.count(port->addr.port)) ports[port->addr.port] = *port;
      return 0;
    }
    case SNDRV_SEQ_IOCTL_GET_PORT_INFO:
    case SNDRV_SEQ_IOCTL_QUERY_NEXT_PORT: {
      const auto owner = clients.find(port->addr.client);
      if (owner == clients.end()) return -ENXIO;
      const auto& ports = owner->second.ports;
      // The next port after the one asked for, the number wrapping as in the kernel: a query
      // starts from port -1.
      const auto found = request == SNDRV_SEQ_IOCTL_GET_PORT_INFO
                             ? ports.find(port->addr.port)
                             : ports.lower_bound(static_cast<unsigned char>(port->addr.port + 1));
      if (found == ports.end()) return -ENOENT;
      *port = found->second;
      return 0;
    }
    case SNDRV_SEQ_IOCTL_SUBSCRIBE_PORT:
    case SNDRV_SEQ_IOCTL_UNSUBSCRIBE_PORT: {
      const auto* subs = static_cast<snd_seq_port_subscribe*>(arg);
      const auto exists = [this](const snd_seq_addr& a) {
        const auto c = clients.find(a.client);
        return c != clients.end() && c->second.ports.count(a.port);
      };
      return exists(subs->sender) && exists(subs->dest) ? 0 : -EINVAL;
    }
    case SNDRV_SEQ_IOCTL_QUERY_SUBS:
    case SNDRV_SEQ_IOCTL_GET_SUBSCRIPTION:
      return -ENOENT;
    case SNDRV_SEQ_IOCTL_CREATE_QUEUE: {
      int number = 0;
      while (number < kMaxQueues && queues.count(number)) ++number;
      if (number == kMaxQueues) return -ENOMEM;
      if (!queue->name[0]) std::snprintf(queue->name, sizeof queue->name, "Queue-%d", number);
      queues[number] = {self, queue->name};
      queue->queue = number;
      queue->owner = self;
      return 0;
    }
    case SNDRV_SEQ_IOCTL_DELETE_QUEUE: {
      const auto q = queues.find(queue->queue);
      if (q == queues.end() || q->second.owner != self) return -EINVAL;
      queues.erase(q);
      return 0;
    }
    case SNDRV_SEQ_IOCTL_GET_QUEUE_INFO: {
      const auto q = queues.find(queue->queue);
      if (q == queues.end()) return -EINVAL;
      queue->owner = q->second.owner;
      std::snprintf(queue->name, sizeof queue->name, "%s", q->second.name.c_str());
      return 0;
    }
    case SNDRV_SEQ_IOCTL_GET_QUEUE_TEMPO:
    case SNDRV_SEQ_IOCTL_SET_QUEUE_TEMPO: {
      auto* tempo = static_cast<snd_seq_queue_tempo*>(arg);
      if (!queues.count(tempo->queue)) return -EINVAL;
      if (request == SNDRV_SEQ_IOCTL_GET_QUEUE_TEMPO) {
        *tempo = {tempo->queue, 500000, 96, 0x10000, 0x10000, {}};
      }
      return 0;
    }
    case SNDRV_SEQ_IOCTL_GET_CLIENT_POOL: {
      auto* pool = static_cast<snd_seq_client_pool*>(arg);
      *pool = {self, 500, 1000, 250, 500, 1000, {}};
      return 0;
    }
    default:
      // Said, so that a test failing on it shows why; the kernel answers unknown ones so too.
      std::fprintf(stderr, "fake sequencer: unknown ioctl 0x%lx\n", request);
      return -ENOTTY;
  }
}

// Never freed: the program may keep a client open until it ends.
Kernel& TheKernel() {
  static Kernel* kernel = new Kernel;
  return *kernel;
}

int OpenClient(int flags) {
  Kernel& k = TheKernel();
  std::lock_guard<std::mutex> lock(k.mutex);
  const int number = k.FreeNumber();
  if (number < 0) {
    errno = ENOMEM;
    return -1;
  }
  // A real descriptor that never becomes readable: poll works on it as on the device.
  const int fd = eventfd(
      0, ((flags & O_CLOEXEC) ? EFD_CLOEXEC : 0) | ((flags & O_NONBLOCK) ? EFD_NONBLOCK : 0));
  if (fd < 0) return -1;
  if (fd >= kMaxFd) {
    close(fd);
    errno = EMFILE;
    return -1;
  }
  Client& c = k.clients[number];
  c.pid = static_cast<int>(gettid());
  c.name = "Client-" + std::to_string(number);
  k.clientOfFd[fd] = number;
  gProcess.store(getpid(), std::memory_order_relaxed);
  gFakeFd[fd].store(true, std::memory_order_release);
  return fd;
}

}  // namespace

FakeSequencer::FakeSequencer() {
  gArmed.store(true, std::memory_order_release);
}

FakeSequencer::~FakeSequencer() {
  gArmed.store(false, std::memory_order_release);
  Kernel& k = TheKernel();
  std::lock_guard<std::mutex> lock(k.mutex);
  for (auto c = k.clients.begin(); c != k.clients.end();) {
    const bool other = c->first >= kFirstUserClient &&
                       std::none_of(k.clientOfFd.begin(), k.clientOfFd.end(),
                                    [&c](const auto& f) { return f.second == c->first; });
    c = other ? k.clients.erase(c) : std::next(c);
  }
}

int FakeSequencer::OpenOther(int pid, const std::string& name, const std::vector<Port>& ports) {
  Kernel& k = TheKernel();
  std::lock_guard<std::mutex> lock(k.mutex);
  const int number = k.FreeNumber();
  if (number < 0) return -1;
  Client& c = k.clients[number];
  c.pid = pid;
  c.name = name;
  for (const Port& p : ports) {
    const int n = static_cast<int>(c.ports.size());
    c.ports[n] = MakePort(number, n, p.name, p.capability,
                          SNDRV_SEQ_PORT_TYPE_MIDI_GENERIC | SNDRV_SEQ_PORT_TYPE_APPLICATION);
  }
  return number;
}

void FakeSequencer::CloseOther(int client) {
  Kernel& k = TheKernel();
  std::lock_guard<std::mutex> lock(k.mutex);
  k.Close(client);
}

std::vector<int> FakeSequencer::OwnersOf(const std::string& name) const {
  Kernel& k = TheKernel();
  std::lock_guard<std::mutex> lock(k.mutex);
  std::vector<int> owners;
  for (const auto& [fd, number] : k.clientOfFd)
    if (k.clients.at(number).name == name) owners.push_back(k.clients.at(number).pid);
  return owners;
}

}  // namespace fakeseq

using fakeseq::IsDevice;
using fakeseq::IsFake;

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = fakeseq::ModeOf(flags, args);
  va_end(args);
  return IsDevice(path) ? fakeseq::OpenClient(flags) : fakeseq::TheNext().open(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = fakeseq::ModeOf(flags, args);
  va_end(args);
  return IsDevice(path) ? fakeseq::OpenClient(flags) : fakeseq::TheNext().open64(path, flags, mode);
}

// What a checked build of the ALSA library calls for open with flags not known when compiled.
int __open_2(const char* path, int flags) {
  return IsDevice(path) ? fakeseq::OpenClient(flags) : fakeseq::TheNext().open2(path, flags);
}

int openat(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = fakeseq::ModeOf(flags, args);
  va_end(args);
  return IsDevice(path) ? fakeseq::OpenClient(flags)
                        : fakeseq::TheNext().openat(dir, path, flags, mode);
}

int close(int fd) {
  if (IsFake(fd)) {
    fakeseq::Kernel& k = fakeseq::TheKernel();
    std::lock_guard<std::mutex> lock(k.mutex);
    k.Close(k.clientOfFd.at(fd));
    k.clientOfFd.erase(fd);
    fakeseq::gFakeFd[fd].store(false, std::memory_order_release);
  }
  return fakeseq::TheNext().close(fd);
}

// Events written are taken whole; none is delivered to anyone.
ssize_t write(int fd, const void* bytes, size_t count) {
  return IsFake(fd) ? static_cast<ssize_t>(count) : fakeseq::TheNext().write(fd, bytes, count);
}

int ioctl(int fd, unsigned long request, ...) noexcept {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  if (!IsFake(fd)) return fakeseq::TheNext().ioctl(fd, request, arg);
  fakeseq::Kernel& k = fakeseq::TheKernel();
  std::lock_guard<std::mutex> lock(k.mutex);
  const int result = k.Ioctl(k.clientOfFd.at(fd), request, arg);
  if (result == 0) return 0;
  errno = -result;
  return -1;
}

}  // extern "C"
