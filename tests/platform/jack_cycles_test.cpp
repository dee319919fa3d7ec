// Missed JACK cycles: a cycle that starts after the last one ended counts the cycles between, one
// run late counts none; the lines telling them come at most once a second from the last line.
#include <gtest/gtest.h>

#include <optional>

#include "platform/jack_cycles.h"

namespace vq::platform {
namespace {

TEST(JackCycles, CountsMissedCyclesAndTellsThemAtMostOnceASecond) {
  constexpr std::nullopt_t kFollows = std::nullopt;
  struct Row {
    bool restart;
    jack_nframes_t start, frames;
    std::optional<uint64_t> missed;
    int ms;            // then the line is asked for at this time
    const char* line;  // what it says after "for"
    int heldMs;
  } rows[] = {
      {false, 1000, 256, kFollows, 0, "", 0},
      {false, 1256, 256, kFollows, 10, "", 0},
      {false, 2280, 256, 3, 20, "3 cycle(s) (3 cycle(s) in 1 gap(s) so far)", 0},
      {false, 2280, 256, 0, 30, "", 0},  // ran late, at the time of the last one
      {false, 3000, 128, 2, 700, "", 320},
      {false, 3128, 128, kFollows, 1020, "2 cycle(s) (5 cycle(s) in 2 gap(s) so far)", 0},
      {true, 0xFFFFFE00, 256, kFollows, 1500, "", 0},  // the port reopened
      {false, 256, 256, 2, 1600, "", 420},             // the frame counter wrapped around
      {false, 512, 256, kFollows, 2020, "2 cycle(s) (7 cycle(s) in 3 gap(s) so far)", 0},
  };
  JackCycles cycles;
  JackGapLines lines("for", "");
  uint64_t missed = 0, gaps = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ms);
    if (row.restart) cycles.Restart();
    const auto got = cycles.Next(row.start, row.frames);
    EXPECT_EQ(got, row.missed);
    if (got.value_or(0) > 0) missed += *got, ++gaps;
    const auto told = lines.Tell(
        missed, gaps, JackGapLines::Clock::time_point() + std::chrono::milliseconds(row.ms + 5000));
    EXPECT_EQ(told.text, *row.line ? "for " + std::string(row.line) + "\n" : "");
    EXPECT_EQ(told.held, std::chrono::milliseconds(row.heldMs));
  }
}

}  // namespace
}  // namespace vq::platform
