// Preloaded into the program by the session-end tests: a disk that turns slow to answer. While
// the file named by $SLOW_DISK_FILE exists, each fsync and fdatasync first waits as many
// milliseconds as it says; when the number is followed by "stream", each flush of a file's
// stdio stream waits instead, holding the stream's lock as a write stuck inside it does. Each
// fsync that waits adds the path of its file as a line to $SLOW_DISK_FILE.held.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

void NoteHeld(int fd) {
  const char* path = std::getenv("SLOW_DISK_FILE");
  char link[64], file[4096], held[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, file, sizeof file - 1);
  if (!path || n <= 0) return;
  file[n] = '\n';
  std::snprintf(held, sizeof held, "%s.held", path);
  const int out = open(held, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (out < 0) return;
  [[maybe_unused]] const ssize_t written = write(out, file, static_cast<size_t>(n) + 1);
  close(out);
}

void Wait(bool inStream, int fd = -1) {
  const char* path = std::getenv("SLOW_DISK_FILE");
  FILE* f = path ? std::fopen(path, "r") : nullptr;
  if (!f) return;
  long ms = 0;
  char where[16] = "";
  if (std::fscanf(f, "%ld %15s", &ms, where) < 1) ms = 0;
  std::fclose(f);
  if ((std::strcmp(where, "stream") == 0) != inStream) return;
  if (fd >= 0 && ms > 0) NoteHeld(fd);
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
  Wait(false, fd);
  return real(fd);
}

extern "C" int fdatasync(int fd) {
  static const auto real = Next<int (*)(int)>("fdatasync");
  Wait(false, fd);
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
