// OpenGL contexts for views: made from a pixel-format attribute list, made current, cleared,
// and updated when the view they draw into moves or resizes. The default service is the
// headless one, which records what was asked; a desktop backend installs its own. Main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vq::platform {

class View;

class GLContext {
 public:
  virtual ~GLContext() = default;
  // The view drawn into (none detaches).
  virtual void setView(View* view) = 0;
  virtual void makeCurrent() = 0;
  // Follows the view's size and place.
  virtual void update() = 0;
  // Copies what was drawn into pixels laid out as the drawing contexts' (rows top-down); false
  // when the context keeps nothing to copy.
  virtual bool copyPixels(std::uint32_t* dest, int width, int height, int rowPixels) {
    return false;
  }
};

class GLService {
 public:
  virtual ~GLService() = default;
  // A new context for the attributes (zero-terminated list), or none when the display has none.
  virtual std::unique_ptr<GLContext> createContext(const std::vector<int>& attributes) = 0;
  virtual GLContext* currentContext() const = 0;
  virtual void clearCurrentContext() = 0;
};

// The installed service (the headless one until another is installed).
GLService& glService();
void installGLService(std::unique_ptr<GLService> service);

// The headless service: every context is a record of what was done to it.
class HeadlessGLService final : public GLService {
 public:
  class Context final : public GLContext {
   public:
    explicit Context(HeadlessGLService& s, std::vector<int> attrs)
        : attributes(std::move(attrs)), mService(s) {}
    ~Context() override;
    void setView(View* v) override { view = v; }
    void makeCurrent() override {
      mService.mCurrent = this;
      ++madeCurrent;
    }
    void update() override { ++updates; }
    std::vector<int> attributes;
    View* view = nullptr;
    int madeCurrent = 0;
    int updates = 0;

   private:
    HeadlessGLService& mService;
  };
  std::unique_ptr<GLContext> createContext(const std::vector<int>& attributes) override;
  GLContext* currentContext() const override { return mCurrent; }
  void clearCurrentContext() override { mCurrent = nullptr; }
  int created = 0;
  int alive = 0;
  bool refuse = false;  // answer no context, as a display without OpenGL would

 private:
  Context* mCurrent = nullptr;
};

}  // namespace vq::platform
