// Temporary files noted while written: the ending removes those still noted shortly before its
// deadline and lets no new write through. The ending is for good, so the steps run in a process
// of their own.
#include "platform/writes_in_progress.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/file_system.h"

namespace vq::platform {
namespace {

TEST(WritesInProgressDeathTest, TheEndingRemovesWhatIsNotedAndRefusesNewWrites) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: nothing ending yet
  EXPECT_EXIT(
      {
        char folder[] = "/tmp/vq-writes-XXXXXX";
        if (!mkdtemp(folder)) _exit(2);
        int failures = 0;
        const auto expect = [&failures](bool ok, const std::string& what) {
          if (!ok) std::fprintf(stderr, "%s\n", what.c_str());
          failures += ok ? 0 : 1;
        };
        const auto file = [&folder](int i) {
          const std::string path = std::string(folder) + "/t" + std::to_string(i);
          std::fclose(std::fopen(path.c_str(), "w"));
          return path;
        };
        const auto exists = [](const std::string& path) { return access(path.c_str(), F_OK) == 0; };
        const std::string tooLong(5000, 'x');
        expect(NoteWriteInProgress(tooLong.c_str()) == kWriteNotNoted, "a path too long noted");
        // Eight places, the first freed again by a write that ended: a ninth is not noted.
        EndWriteInProgress(NoteWriteInProgress(file(0).c_str()));
        int tokens[9] = {};
        const std::string target = std::string(folder) + "/target";
        for (int i = 1; i <= 8; ++i)
          tokens[i] = NoteWriteInProgress(file(i).c_str(), i == 1 ? target.c_str() : nullptr);
        expect(NoteWriteInProgress(file(9).c_str()) == kWriteNotNoted, "a ninth write noted");
        EndWriteInProgress(tokens[8]);
        // Renamed into place, its note not yet ended: its removal fails, and nothing was cut off.
        const std::string renamed = std::string(folder) + "/renamed";
        std::rename((std::string(folder) + "/t7").c_str(), renamed.c_str());

        expect(PrepareRemovalOfWritesInProgress(), "no removal thread");
        timespec at{};
        clock_gettime(CLOCK_MONOTONIC, &at);
        at.tv_sec += 1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        RemoveWritesInProgressBefore(at);
        const auto noted = [&] {  // each removal is its own call: wait for the last of them
          for (int i = 1; i <= 6; ++i)
            if (exists(std::string(folder) + "/t" + std::to_string(i))) return true;
          return false;
        };
        while (noted() && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(10)) {
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        expect(std::chrono::steady_clock::now() < deadline, "removed after the deadline");
        for (int i = 0; i <= 9; ++i) {
          const bool kept = i == 0 || i >= 8;  // ended, or never noted
          expect(exists(std::string(folder) + "/t" + std::to_string(i)) == kept,
                 "file " + std::to_string(i) + (kept ? " removed" : " left"));
        }
        expect(exists(renamed), "a file renamed into place removed");
        // What was cut off is told by the file it was to replace, else by its own name.
        std::string cut = target;
        for (int i = 2; i <= 6; ++i) cut += ", " + std::string(folder) + "/t" + std::to_string(i);
        char told[8192];
        const size_t length = DescribeWritesCutOff(told, sizeof told);
        expect(length == cut.size() && told == cut, std::string("told: ") + told);
        // A writer that goes on with a removed file does not make it anew.
        expect(!FillTempFile(std::string(folder) + "/t1", "late") &&
                   !exists(std::string(folder) + "/t1"),
               "a removed file filled again");
        expect(NoteWriteInProgress(file(10).c_str()) == kProcessIsEnding,
               "a new write let through");
        expect(NoteWriteInProgress(tooLong.c_str()) == kProcessIsEnding, "a long one let through");
        std::filesystem::remove_all(folder);
        _exit(failures == 0 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vq::platform
