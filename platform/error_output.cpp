#include "platform/error_output.h"

#include <alsa/asoundlib.h>
#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace vq::platform {

ErrorOutput::ErrorOutput(int fd, size_t capacity) : mFd(fd), mCapacity(capacity) {
  sem_init(&mWake, 0, 0);
  sem_init(&mLastWritten, 0, 0);
  sem_init(&mDrained, 0, 0);
  // The thread takes no signal: a write to a pipe nobody reads any more fails instead of ending
  // the program, and a signal meant for the program is handled by one of its own threads.
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  mThread = std::thread(&ErrorOutput::Run, this);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

ErrorOutput::~ErrorOutput() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mStop = true;
  }
  sem_post(&mWake);
  mThread.join();
  sem_destroy(&mWake);
  sem_destroy(&mLastWritten);
  sem_destroy(&mDrained);
}

void ErrorOutput::Write(std::string text) {
  if (text.empty()) return;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mStop) return;
    std::string dropped = mDropped > 0 ? DroppedLine() : std::string();
    if (mQueued + dropped.size() + text.size() > mCapacity) {
      mDropped += std::max<size_t>(1, std::count(text.begin(), text.end(), '\n'));
      return;
    }
    if (!dropped.empty()) {
      mQueued += dropped.size();
      mQueue.push_back(std::move(dropped));
      mDropped = 0;
    }
    mQueued += text.size();
    mQueue.push_back(std::move(text));
  }
  sem_post(&mWake);
}

bool ErrorOutput::Flush(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mMutex);
  return mWritten.wait_for(lock, limit,
                           [this] { return mQueue.empty() && !mWriting && mDropped == 0; });
}

namespace {

timespec DeadlineIn(std::chrono::milliseconds limit) {
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  const long long ns = deadline.tv_nsec + std::chrono::nanoseconds(limit).count();
  deadline.tv_sec += static_cast<time_t>(ns / 1000000000);
  deadline.tv_nsec = static_cast<long>(ns % 1000000000);
  return deadline;
}

bool WaitUntil(sem_t* done, const timespec& deadline) {
  while (sem_clockwait(done, CLOCK_MONOTONIC, &deadline) < 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

bool ErrorOutput::FlushBeforeExit(std::chrono::milliseconds limit) {
  const timespec deadline = DeadlineIn(limit);
  mDrainWanted.store(true);
  sem_post(&mWake);
  return WaitUntil(&mDrained, deadline);
}

void ErrorOutput::SetLastLine(const char* text) {
  mLastLength = std::min(std::strlen(text), sizeof mLast);
  std::memcpy(mLast, text, mLastLength);
}

bool ErrorOutput::WriteLastLine(std::chrono::milliseconds limit) {
  if (mLastLength == 0 || mLastWanted.exchange(true)) return false;
  const timespec deadline = DeadlineIn(limit);
  mDrainWanted.store(true);
  sem_post(&mWake);
  return WaitUntil(&mLastWritten, deadline) && WaitUntil(&mDrained, deadline);
}

std::string ErrorOutput::DroppedLine() const {
  char line[128];
  std::snprintf(line, sizeof line,
                "VQEditor4: %llu line(s) of diagnostics dropped: the error output was not read\n",
                static_cast<unsigned long long>(mDropped));
  return line;
}

void ErrorOutput::Run() {
  for (;;) {
    while (sem_wait(&mWake) < 0 && errno == EINTR) {
    }
    for (;;) {
      if (mLastWanted.load() && mLastLength > 0) {
        WriteOut(mLast, mLastLength);
        mLastLength = 0;
        sem_post(&mLastWritten);
      }
      std::string line;
      {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mQueue.empty()) {
          line = std::move(mQueue.front());
          mQueue.pop_front();
          mQueued -= line.size();
        } else if (mDropped > 0) {
          line = DroppedLine();
          mDropped = 0;
        } else {
          mWriting = false;
          mWritten.notify_all();
          if (mDrainWanted.exchange(false)) sem_post(&mDrained);
          if (mStop) return;
          break;
        }
        mWriting = true;
      }
      WriteOut(line.data(), line.size());
    }
  }
}

void ErrorOutput::WriteOut(const char* text, size_t length) {
  for (size_t done = 0; done < length;) {
    const ssize_t n = write(mFd, text + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{mFd, POLLOUT, 0};  // the launcher left the output non-blocking
      poll(&p, 1, -1);
    } else if (n == 0 || errno != EINTR) {
      if (errno == EPIPE) {  // its SIGPIPE, held for this thread, is taken back
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        const timespec now{};
        sigtimedwait(&pipeSignal, nullptr, &now);
      }
      return;
    }
  }
}

namespace {

void FlushAtExit() {
  errorOutput().FlushBeforeExit(std::chrono::milliseconds(1000));
}

GLogWriterOutput WriteGLibMessage(GLogLevelFlags level, const GLogField* fields, gsize count,
                                  gpointer) {
  const char* domain = nullptr;
  for (gsize i = 0; i < count; ++i)
    if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0)
      domain = static_cast<const char*>(fields[i].value);
  if (g_log_writer_default_would_drop(level, domain)) return G_LOG_WRITER_HANDLED;
  gchar* text = g_log_writer_format_fields(level, fields, count, FALSE);
  errorOutput().Write(std::string(text) + "\n");
  g_free(text);
  // GLib ends the program after a fatal message: it goes out first, if it can.
  if (level & (G_LOG_FLAG_FATAL | G_LOG_LEVEL_ERROR))
    errorOutput().Flush(std::chrono::milliseconds(1000));
  return G_LOG_WRITER_HANDLED;
}

void PrintError(const gchar* text) {
  errorOutput().Write(text);
}

// As the sequencer library words its errors itself.
void WriteAlsaError(const char* file, int line, const char* function, int err, const char* format,
                    ...) {
  char text[512];
  int n = std::snprintf(text, sizeof text, "ALSA lib %s:%i:(%s) ", file, line, function);
  if (n >= 0 && static_cast<size_t>(n) < sizeof text) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + n, sizeof text - static_cast<size_t>(n), format, args);
    va_end(args);
  }
  std::string said(text);
  if (err != 0) said += std::string(": ") + snd_strerror(err);
  errorOutput().Write(said + "\n");
}

}  // namespace

ErrorOutput& errorOutput() {
  // Never destroyed: its thread may be stuck in a write until the process ends.
  static ErrorOutput* const output = [] {
    auto* made = new ErrorOutput(STDERR_FILENO, 64 << 10);
    std::atexit(&FlushAtExit);
    return made;
  }();
  return *output;
}

void errorLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char small[256];
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string line;
  if (length >= 0 && static_cast<size_t>(length) < sizeof small) {
    line.assign(small, static_cast<size_t>(length));
  } else if (length > 0) {
    line.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(line.data(), line.size(), format, again);
    line.resize(static_cast<size_t>(length));
  }
  va_end(again);
  if (line.empty() || line.back() != '\n') line += '\n';
  errorOutput().Write(std::move(line));
}

void routeLibraryMessagesToErrorOutput() {
  g_log_set_writer_func(&WriteGLibMessage, nullptr, nullptr);
  g_set_printerr_handler(&PrintError);
  snd_lib_error_set_handler(&WriteAlsaError);
}

}  // namespace vq::platform
