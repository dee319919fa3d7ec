// A drop target of another program, as a file manager on X would be one: a window of its own
// X connection that takes drops through the drag-and-drop protocol and, for files offered by
// direct save, names the place in a folder and asks the source to write there. It runs on a
// thread of its own. Xlib stays inside the .cpp.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vq::test {

class XDropTarget {
 public:
  // A window of the size at the screen position (top-left, y down), saving into `folder`.
  XDropTarget(int x, int y, int width, int height, std::string folder);
  ~XDropTarget();
  bool ok() const { return mDisplay != nullptr; }
  struct Drop {
    std::vector<std::string> types;  // what the source offered
    std::string suggestedName;       // the name the source put on its window
    std::string answer;              // the source's answer to the save: "S", "F" or "E"
  };
  // The drops taken so far.
  std::vector<Drop> drops();

 private:
  void run();
  void* mDisplay = nullptr;
  unsigned long mWindow = 0;
  std::string mFolder;
  std::atomic<bool> mStop{false};
  std::mutex mMutex;
  std::vector<Drop> mDrops;
  std::thread mThread;
};

}  // namespace vq::test
