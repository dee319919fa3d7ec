// Temporary files being written: noted while a write is under way, so that a process ended in
// the middle of one (the shut-down's time limit) leaves no half-written file behind. Lock-free
// and without allocation: the ending may come while the writer holds any lock or waits for the
// disk.
#pragma once

#include <cstddef>
#include <ctime>

namespace vq::platform {

// NoteWriteInProgress's answers other than a token.
inline constexpr int kWriteNotNoted = -1;    // every place taken: written, but not removed
inline constexpr int kProcessIsEnding = -2;  // the files are being removed: give the write up

// Notes a temporary file just created, and the file it is to replace (none: the temporary one
// is named); returns a token for EndWriteInProgress (>= 0) or one of the answers above.
int NoteWriteInProgress(const char* tempPath, const char* targetPath = nullptr);

// The temporary file was renamed into place or removed; a token below 0 does nothing.
void EndWriteInProgress(int token);

// Makes the thread that removes the files, ahead of any ending: false when it cannot be made.
bool PrepareRemovalOfWritesInProgress();
// Shortly before `deadline` (CLOCK_MONOTONIC) removes every temporary file in progress and
// refuses new ones. That runs on the thread made before: the caller neither allocates nor waits,
// not even for a removal the disk holds up. Once; nothing without that thread.
void RemoveWritesInProgressBefore(const timespec& deadline);
// The files whose temporary file that removal took (their write was cut off), ", " between
// them, as much as fits into `out` (always ended by a NUL); answers the length. Neither
// allocates nor waits.
size_t DescribeWritesCutOff(char* out, size_t size);

// Notes a temporary file for as long as it lives; Refused() when the process is ending and the
// write must be given up (the caller removes the file itself).
class NotedWrite {
 public:
  explicit NotedWrite(const char* tempPath, const char* targetPath = nullptr)
      : mToken(NoteWriteInProgress(tempPath, targetPath)) {}
  ~NotedWrite() { EndWriteInProgress(mToken); }
  NotedWrite(const NotedWrite&) = delete;
  NotedWrite& operator=(const NotedWrite&) = delete;
  bool Refused() const { return mToken == kProcessIsEnding; }

 private:
  int mToken;
};

}  // namespace vq::platform
