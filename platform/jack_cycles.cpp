#include "platform/jack_cycles.h"

#include <cinttypes>
#include <cstdio>

namespace vq::platform {

std::optional<uint64_t> JackCycles::Next(jack_nframes_t start, jack_nframes_t frames) {
  // The frame counter wraps around; a start up to half its range behind the last cycle's end is
  // a late one.
  const jack_nframes_t ahead = start - (mLastStart + mLastFrames), period = mLastFrames;
  const bool follows = !mRunning || ahead == 0;
  mLastStart = start;
  mLastFrames = frames;
  mRunning = true;
  if (follows) return std::nullopt;
  if (ahead >= jack_nframes_t{1} << 31 || period == 0) return 0;
  return (uint64_t{ahead} + period - 1) / period;
}

JackGapLines::Line JackGapLines::Tell(uint64_t cycles, uint64_t gaps, Clock::time_point now) {
  if (gaps == mToldGaps) return {};
  const Clock::time_point due = mLastLine + std::chrono::seconds(1);
  if (mToldGaps != 0 && now < due) return {{}, due - now};
  char text[320];
  std::snprintf(text, sizeof text,
                "%s %" PRIu64 " cycle(s)%s (%" PRIu64 " cycle(s) in %" PRIu64 " gap(s) so far)\n",
                mHead, cycles - mToldCycles, mTail, cycles, gaps);
  mToldCycles = cycles;
  mToldGaps = gaps;
  mLastLine = now;
  return {text};
}

}  // namespace vq::platform
