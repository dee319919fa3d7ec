#include "editor/program_saves.h"

#include <system_error>
#include <utility>

ProgramSaves::~ProgramSaves() {
  Wait();
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mEnding = true;
  }
  mChanged.notify_all();
  if (mThread.joinable()) mThread.join();
}

bool ProgramSaves::Add(std::function<void()> save) {
  std::lock_guard<std::mutex> lock(mMutex);
  if (!mThread.joinable()) {
    try {
      mThread = std::thread(&ProgramSaves::Run, this);
    } catch (const std::system_error&) {
      return false;
    }
  }
  mSaves.push_back(std::move(save));
  mChanged.notify_all();
  return true;
}

void ProgramSaves::Wait() {
  std::unique_lock<std::mutex> lock(mMutex);
  mChanged.wait(lock, [this] { return mSaves.empty() && !mBusy; });
}

void ProgramSaves::Run() {
  std::unique_lock<std::mutex> lock(mMutex);
  for (;;) {
    mChanged.wait(lock, [this] { return mEnding || !mSaves.empty(); });
    if (mSaves.empty()) return;
    std::function<void()> save = std::move(mSaves.front());
    mSaves.pop_front();
    mBusy = true;
    lock.unlock();
    save();
    lock.lock();
    mBusy = false;
    mChanged.notify_all();
  }
}
