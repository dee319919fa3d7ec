// Preloaded into the program by the session-end tests: a disk that turns slow to answer. While
// the file named by $SLOW_DISK_FILE exists, each fsync and fdatasync first waits as many
// milliseconds as it says; when the number is followed by "stream", each flush of a file's
// stdio stream waits instead, holding the stream's lock as a write stuck inside it does.
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

void Wait(bool inStream) {
  const char* path = std::getenv("SLOW_DISK_FILE");
  FILE* f = path ? std::fopen(path, "r") : nullptr;
  if (!f) return;
  long ms = 0;
  char where[16] = "";
  if (std::fscanf(f, "%ld %15s", &ms, where) < 1) ms = 0;
  std::fclose(f);
  if ((std::strcmp(where, "stream") == 0) != inStream) return;
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
  Wait(false);
  return real(fd);
}

extern "C" int fdatasync(int fd) {
  static const auto real = Next<int (*)(int)>("fdatasync");
  Wait(false);
  return real(fd);
}

extern "C" int fflush(FILE* stream) {
  static const auto real = Next<int (*)(FILE*)>("fflush");
  if (!stream || stream == stdin || stream == stdout || stream == stderr) return real(stream);
  flockfile(stream);
  Wait(true);
  const int result = real(stream);
  funlockfile(stream);
  return result;
}
