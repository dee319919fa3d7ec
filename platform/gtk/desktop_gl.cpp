#include "platform/gtk/desktop_gl.h"

#include <epoxy/gl.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <utility>

#include "platform/gtk/desktop_backend.h"
#include "platform/view.h"

namespace vq::platform {

class DesktopGLContext final : public GLContext {
 public:
  DesktopGLContext(std::shared_ptr<DesktopGLService::Shared> shared, GdkGLContext* context)
      : mShared(std::move(shared)), mContext(context) {
    ++mShared->alive;
  }
  ~DesktopGLContext() override {
    if (mFramebuffer) {
      gdk_gl_context_make_current(mContext);
      glDeleteFramebuffers(1, &mFramebuffer);
      glDeleteRenderbuffers(1, &mRenderbuffer);
    }
    if (mShared->current == this) mShared->current = nullptr;
    if (gdk_gl_context_get_current() == mContext) gdk_gl_context_clear_current();
    g_object_unref(mContext);
    --mShared->alive;
  }

  void setView(View* view) override { mView = view; }

  void makeCurrent() override {
    gdk_gl_context_make_current(mContext);
    mShared->current = this;
    update();
  }

  // The framebuffer follows the view's size.
  void update() override {
    if (mShared->current != this) return;
    int width = mView ? static_cast<int>(mView->frame().width) : 1;
    int height = mView ? static_cast<int>(mView->frame().height) : 1;
    width = width > 0 ? width : 1;
    height = height > 0 ? height : 1;
    if (!mFramebuffer) {
      glGenFramebuffers(1, &mFramebuffer);
      glGenRenderbuffers(1, &mRenderbuffer);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    if (width != mWidth || height != mHeight) {
      mWidth = width;
      mHeight = height;
      glBindRenderbuffer(GL_RENDERBUFFER, mRenderbuffer);
      glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                mRenderbuffer);
    }
    glViewport(0, 0, width, height);
  }

  bool copyPixels(uint32_t* dest, int width, int height, int rowPixels) override {
    if (!mFramebuffer || !dest) return false;
    gdk_gl_context_make_current(mContext);
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    glFinish();
    int w = width < mWidth ? width : mWidth, h = height < mHeight ? height : mHeight;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, rowPixels);
    // Rows come bottom-up; pixels as bytes blue, green, red, alpha.
    for (int row = 0; row < h; ++row)
      glReadPixels(0, mHeight - 1 - row, w, 1, GL_BGRA, GL_UNSIGNED_BYTE,
                   dest + static_cast<size_t>(row) * rowPixels);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    for (int row = 0; row < h; ++row) {
      uint32_t* p = dest + static_cast<size_t>(row) * rowPixels;
      for (int x = 0; x < w; ++x) p[x] = __builtin_bswap32(p[x]);  // to unused, red, green, blue
    }
    if (mShared->current != this) {
      if (mShared->current) {
        static_cast<DesktopGLContext*>(mShared->current)->makeCurrent();
      } else {
        gdk_gl_context_clear_current();
      }
    }
    return true;
  }

 private:
  std::shared_ptr<DesktopGLService::Shared> mShared;
  GdkGLContext* mContext;
  View* mView = nullptr;
  GLuint mFramebuffer = 0, mRenderbuffer = 0;
  int mWidth = 0, mHeight = 0;
};

std::unique_ptr<GLContext> DesktopGLService::createContext(const std::vector<int>&) {
  GdkScreen* screen = desktop() ? gdk_screen_get_default() : nullptr;
  if (!screen) return nullptr;
  GError* error = nullptr;
  GdkGLContext* context = gdk_window_create_gl_context(gdk_screen_get_root_window(screen), &error);
  if (context && gdk_gl_context_realize(context, &error)) {
    return std::make_unique<DesktopGLContext>(mShared, context);
  }
  if (error) g_error_free(error);
  if (context) g_object_unref(context);
  return nullptr;
}

void DesktopGLService::clearCurrentContext() {
  mShared->current = nullptr;
  gdk_gl_context_clear_current();
}

}  // namespace vq::platform
