// Peers of another program in drags on X, as a file manager would be one: each a window of its
// own X connection, run by a thread of its own. A drop target takes drops through the
// drag-and-drop protocol and, for files offered by direct save, names the place in a folder and
// asks the source to write there; a drag source, pressed and moved with the pointer, offers one
// file by direct save and writes it where the target names its place. Xlib stays in the .cpp.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vq::test {

class XPeer {
 public:
  virtual ~XPeer() = default;
  bool ok() const { return mDisplay != nullptr; }

 protected:
  // A window of the size at the screen position (top-left, y down).
  XPeer(int x, int y, int width, int height, bool dropTarget);
  void start();
  // Ends the thread and the connection; first thing in each peer's destructor.
  void finish();
  virtual void handle(void* event) = 0;  // an XEvent, on the thread
  void* mDisplay = nullptr;
  unsigned long mWindow = 0;
  std::mutex mMutex;

 private:
  std::atomic<bool> mStop{false};
  std::thread mThread;
};

class XDropTarget final : public XPeer {
 public:
  // Saving into `folder`.
  XDropTarget(int x, int y, int width, int height, std::string folder);
  ~XDropTarget() override { finish(); }
  struct Drop {
    std::vector<std::string> types;  // what the source offered
    std::string suggestedName;       // the name the source put on its window
    std::string answer;              // the source's answer to the save: "S", "F" or "E"
  };
  // The drops taken so far.
  std::vector<Drop> drops();
  // The text type the place is named in from the next drop on.
  void nameThePlaceIn(std::string type);

 private:
  void handle(void* event) override;
  void end(bool ok);
  std::string mFolder;
  std::string mPlaceType = "text/plain";
  std::vector<Drop> mDrops;
  unsigned long mSource = 0;
  Drop mCurrent;
  bool mAwaitingAnswer = false;
};

class XDragSource final : public XPeer {
 public:
  // Offering the file `name`, written with `content` where the target asks.
  XDragSource(int x, int y, int width, int height, std::string name, std::string content);
  ~XDragSource() override { finish(); }
  struct Outcome {
    bool welcomed = false;  // the target under the pointer takes the drag there
    bool finished = false;  // the target said it is done with the drop
    bool accepted = false;  // and took it
    int saveRequests = 0;   // times the target asked for the file
  };
  Outcome outcome();

 private:
  void handle(void* event) override;
  std::string mName, mContent;
  Outcome mOutcome;
  bool mDragging = false;
  unsigned long mTarget = 0;
};

}  // namespace vq::test
