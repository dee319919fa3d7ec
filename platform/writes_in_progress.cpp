#include "platform/writes_in_progress.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include <semaphore.h>
#include <unistd.h>

namespace vq::platform {

namespace {

constexpr int kPlaces = 8;             // writes under way at once that are noted
constexpr size_t kPathBytes = 4096;    // PATH_MAX
constexpr long kMarginNs = 250000000;  // removed this long before the deadline

enum PlaceState : int { kFree, kTaken, kNoted, kRemoving };

struct Place {
  std::atomic<int> state{kFree};
  std::atomic<bool> cutOff{false};  // its temporary file was there when removed
  char path[kPathBytes];
  char target[kPathBytes];
};

Place gPlaces[kPlaces];
std::atomic<bool> gEnding{false};
std::atomic<bool> gRemoverMade{false}, gRemovalSet{false};
sem_t gRemovalAsked;
timespec gRemovalAt{};  // set before gRemovalAsked is posted

void RemoveAll() {
  gEnding.store(true);
  // A place noted from now on sees the flag and its writer removes the file itself.
  for (Place& place : gPlaces) {
    int noted = kNoted;
    if (place.state.compare_exchange_strong(noted, kRemoving) && unlink(place.path) == 0)
      place.cutOff.store(true);
  }
}

}  // namespace

int NoteWriteInProgress(const char* tempPath, const char* targetPath) {
  const size_t length = std::strlen(tempPath);
  if (!targetPath || std::strlen(targetPath) >= kPathBytes) targetPath = tempPath;
  if (length >= kPathBytes) return gEnding.load() ? kProcessIsEnding : kWriteNotNoted;
  for (int i = 0; i < kPlaces; ++i) {
    int free = kFree;
    if (!gPlaces[i].state.compare_exchange_strong(free, kTaken)) continue;
    std::memcpy(gPlaces[i].path, tempPath, length + 1);
    std::memcpy(gPlaces[i].target, targetPath, std::strlen(targetPath) + 1);
    gPlaces[i].state.store(kNoted);
    // Either the remover sees this place or the writer sees the flag (both are sequentially
    // consistent): a file noted as the removal starts is never missed.
    if (gEnding.load()) return kProcessIsEnding;
    return i;
  }
  return gEnding.load() ? kProcessIsEnding : kWriteNotNoted;
}

void EndWriteInProgress(int token) {
  if (token < 0 || token >= kPlaces) return;
  // A place being removed stays so: its path is being read.
  int noted = kNoted;
  gPlaces[token].state.compare_exchange_strong(noted, kFree);
}

bool PrepareRemovalOfWritesInProgress() {
  if (gRemoverMade.exchange(true)) return true;
  sem_init(&gRemovalAsked, 0, 0);
  try {
    std::thread([] {
      while (sem_wait(&gRemovalAsked) < 0 && errno == EINTR) {
      }
      while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &gRemovalAt, nullptr) == EINTR) {
      }
      RemoveAll();
    }).detach();
  } catch (const std::system_error&) {
    // No thread: the files stay rather than an ending waiting on the disk.
    gRemoverMade.store(false);
    return false;
  }
  return true;
}

void RemoveWritesInProgressBefore(const timespec& deadline) {
  if (!gRemoverMade.load() || gRemovalSet.exchange(true)) return;
  gRemovalAt = deadline;
  gRemovalAt.tv_nsec -= kMarginNs;
  if (gRemovalAt.tv_nsec < 0) {
    gRemovalAt.tv_nsec += 1000000000;
    --gRemovalAt.tv_sec;
  }
  sem_post(&gRemovalAsked);
}

size_t DescribeWritesCutOff(char* out, size_t size) {
  if (size == 0) return 0;
  size_t used = 0;
  const auto append = [&](const char* text) {
    const size_t n = std::min(std::strlen(text), size - 1 - used);
    std::memcpy(out + used, text, n);
    used += n;
  };
  for (const Place& place : gPlaces) {
    if (!place.cutOff.load()) continue;
    if (used > 0) append(", ");
    append(place.target);
  }
  out[used] = '\0';
  return used;
}

}  // namespace vq::platform
