// Cycles of the JACK server that a client's process callback missed, and the lines that tell
// them on the error output: what the JACK input and output share. Internal to platform/.
#pragma once

#include <jack/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vq::platform {

// The process thread's. An asynchronous server runs on without a client that is late, so a
// cycle may start later than the last one ended: the cycles between ran without us. A cycle
// run late, at the time of one already run, missed none.
class JackCycles {
 public:
  // The cycle starting at frame `start`, `frames` long: nothing when it follows the last one or
  // starts a run, else the cycles missed since the last one (0: it ran late).
  std::optional<uint64_t> Next(jack_nframes_t start, jack_nframes_t frames);
  // No process call runs now (the port closed): the next cycle starts a new run, whatever time
  // passed.
  void Restart() { mRunning = false; }

 private:
  jack_nframes_t mLastStart = 0, mLastFrames = 0;
  bool mRunning = false;
};

// The first gap is told at once, then at most a line a second, counted from the last line; the
// gaps in between are summed in the next line.
class JackGapLines {
 public:
  using Clock = std::chrono::steady_clock;
  // The line reads "<head> N cycle(s)<tail> (C cycle(s) in G gap(s) so far)".
  JackGapLines(const char* head, const char* tail) : mHead(head), mTail(tail) {}

  struct Line {
    std::string text;        // with its newline; empty: nothing to write now
    Clock::duration held{};  // not zero: a line is held back, due after this long
  };
  // `cycles` missed in `gaps` gaps so far.
  Line Tell(uint64_t cycles, uint64_t gaps, Clock::time_point now);

 private:
  const char* mHead;
  const char* mTail;
  uint64_t mToldCycles = 0, mToldGaps = 0;
  Clock::time_point mLastLine{};
};

}  // namespace vq::platform
