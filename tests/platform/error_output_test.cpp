// The error output: a caller never waits for whoever reads it. Lines keep their order; those
// dropped while the output is full are counted, and the count is written once there is room.
#include "platform/error_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <future>
#include <regex>
#include <thread>

namespace vq::platform {
namespace {

using namespace std::chrono_literals;

// Fills a pipe to the last byte, as a launcher that stopped reading leaves it.
size_t Fill(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  size_t filled = 0;
  const std::string block(4096, 'x');
  for (size_t size : {block.size(), size_t{1}}) {
    for (ssize_t n; (n = write(fd, block.data(), size)) > 0;) filled += static_cast<size_t>(n);
  }
  fcntl(fd, F_SETFL, flags);
  return filled;
}

TEST(ErrorOutput, NoCallerWaitsAndNoLineGoesUntold) {
  const struct {
    const char* what;
    bool full;        // a pipe that nobody reads, full before the first line
    bool readerGone;  // the reading end closed
    int writes;
    int linesPerWrite = 1;
  } rows[] = {{"a reader that keeps up", false, false, 100},
              {"a full pipe never read", true, false, 2000},
              {"the same, texts of three lines", true, false, 700, 3},
              {"a reader gone", false, true, 2000}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    const size_t filled = row.full ? Fill(fds[1]) : 0;
    if (row.readerGone) close(fds[0]);
    std::string text;
    std::thread reader;
    {
      ErrorOutput out(fds[1], 4096);
      out.SetLastLine("last\n");
      auto writes = std::async(std::launch::async, [&] {
        for (int i = 0; i < row.writes; ++i) {
          std::string text;
          for (int k = 0; k < row.linesPerWrite; ++k)
            text += "line " + std::to_string(i * row.linesPerWrite + k) + "\n";
          out.Write(std::move(text));
        }
        // The thread stuck in a write, the last line and those queued are waited for only as
        // long as asked.
        return out.WriteLastLine(row.full ? 100ms : 10s) != row.full;
      });
      const bool returned = writes.wait_for(5s) == std::future_status::ready;
      EXPECT_TRUE(returned) << "a caller waited for the output";
      if (!row.readerGone) {
        reader = std::thread([&] {
          char buffer[4096];
          for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        });
      }
      EXPECT_TRUE(writes.get());
      EXPECT_TRUE(out.Flush(10s));
      out.Write("after\n");
      EXPECT_TRUE(out.Flush(10s));
    }
    close(fds[1]);
    if (reader.joinable()) reader.join();
    if (row.readerGone) continue;  // and the process lives on
    ASSERT_GE(text.size(), filled);
    std::string rest = text.substr(filled);
    // Ahead of the lines queued: at most the text being written, the first, comes before it.
    const size_t last = rest.find("last\n");
    ASSERT_NE(last, std::string::npos);
    if (row.full) {
      EXPECT_LT(last, rest.find("line " + std::to_string(row.linesPerWrite) + "\n"));
    }
    rest.erase(last, 5);
    // "line 0" ... "line k-1", the count of those dropped, "after".
    std::smatch m;
    int next = 0;
    while (std::regex_search(rest, m, std::regex("^line (\\d+)\n"))) {
      EXPECT_EQ(std::stoi(m[1]), next++);
      rest = m.suffix();
    }
    int dropped = 0;
    if (std::regex_search(rest, m,
                          std::regex("^VQEditor4: (\\d+) line\\(s\\) of diagnostics "
                                     "dropped: the error output was not read\n"))) {
      dropped = std::stoi(m[1]);
      rest = m.suffix();
    }
    EXPECT_EQ(next + dropped, row.writes * row.linesPerWrite);
    EXPECT_EQ(dropped > 0, row.full);
    EXPECT_EQ(rest, "after\n");
  }
}

}  // namespace
}  // namespace vq::platform
