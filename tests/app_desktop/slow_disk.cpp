// Preloaded into the program by the session-end tests: a disk that turns slow to answer. While
// the file named by $SLOW_DISK_FILE exists, each fsync and fdatasync first waits as many
// milliseconds as it says.
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

void Wait() {
  const char* path = std::getenv("SLOW_DISK_FILE");
  FILE* f = path ? std::fopen(path, "r") : nullptr;
  if (!f) return;
  long ms = 0;
  if (std::fscanf(f, "%ld", &ms) != 1) ms = 0;
  std::fclose(f);
  timespec left{ms / 1000, (ms % 1000) * 1000000};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int fd) {
  static const auto real = Next<int (*)(int)>("fsync");
  Wait();
  return real(fd);
}

extern "C" int fdatasync(int fd) {
  static const auto real = Next<int (*)(int)>("fdatasync");
  Wait();
  return real(fd);
}
