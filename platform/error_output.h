// The program's error output. Whoever reads it (a terminal, a launcher's pipe, a log file on a
// network disk) may stop reading or stall; no caller waits for that. Lines go into a bounded
// queue that one thread of its own writes out, in order; while the queue is full, new lines are
// dropped and counted, and the count is written once there is room again. Any thread.
#pragma once

#include <semaphore.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace vq::platform {

class ErrorOutput {
 public:
  // Writes to `fd` (not owned) from a thread of its own; holds at most `capacity` bytes waiting.
  ErrorOutput(int fd, size_t capacity);
  // Waits for the thread, which must not be stuck in a write (a test's pipe gets read or closed).
  ~ErrorOutput();
  ErrorOutput(const ErrorOutput&) = delete;
  ErrorOutput& operator=(const ErrorOutput&) = delete;

  // Queues `text` (whole lines, each with its newline) or drops it when the queue is full.
  void Write(std::string text);
  // Waits at most `limit` for what was queued so far to be written; true when it was.
  bool Flush(std::chrono::milliseconds limit);

  // For a process about to end, when nothing may allocate or take a lock that another thread may
  // hold for ever: waits at most `limit` for the lines queued so far to be written; true when
  // they were.
  bool FlushBeforeExit(std::chrono::milliseconds limit);
  // A line made ahead for such a moment: WriteLastLine hands it to the writing thread ahead of the
  // queued lines, which follow, and waits at most `limit` for all of them (the thread may be
  // stuck in an earlier write). Once.
  void SetLastLine(const char* text);
  bool WriteLastLine(std::chrono::milliseconds limit);

 private:
  void Run();
  void WriteOut(const char* text, size_t length);
  std::string DroppedLine() const;  // under mMutex

  const int mFd;
  const size_t mCapacity;
  std::mutex mMutex;
  std::condition_variable mWritten;  // the queue ran empty
  std::deque<std::string> mQueue;
  size_t mQueued = 0;     // bytes in mQueue
  bool mWriting = false;  // a line taken from the queue is being written
  uint64_t mDropped = 0;  // lines dropped since the last count was queued
  bool mStop = false;
  sem_t mWake;  // posted for each line, the last line and the stop
  sem_t mLastWritten;
  sem_t mDrained;  // posted when the queue ran empty after a FlushBeforeExit asked
  std::atomic<bool> mDrainWanted{false};
  char mLast[2048] = {};
  size_t mLastLength = 0;
  std::atomic<bool> mLastWanted{false};
  std::thread mThread;
};

// The program's error output on descriptor 2, started on first use and never ended.
ErrorOutput& errorOutput();
// A line in printf's form, its newline added; it is dropped if the output is not keeping up.
void errorLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// GLib's messages (the debug log, the toolkit's warnings), g_printerr and the ALSA library's
// errors go the same way.
void routeLibraryMessagesToErrorOutput();

}  // namespace vq::platform
