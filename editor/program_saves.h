// Program files written on a thread of their own: the text is taken under the editor's lock,
// the disk is waited for outside it, off the main thread, one save after another.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class ProgramSaves {
 public:
  ProgramSaves() = default;
  // Waits for the saves handed over, then ends the thread.
  ~ProgramSaves();
  ProgramSaves(const ProgramSaves&) = delete;
  ProgramSaves& operator=(const ProgramSaves&) = delete;

  // Runs `save` on the thread after those handed over before; false when no thread could be
  // made (nothing runs then).
  bool Add(std::function<void()> save);
  // Returns once every save handed over has run.
  void Wait();

 private:
  void Run();

  std::mutex mMutex;
  std::condition_variable mChanged;
  std::deque<std::function<void()>> mSaves;
  bool mBusy = false;
  bool mEnding = false;
  std::thread mThread;
};
