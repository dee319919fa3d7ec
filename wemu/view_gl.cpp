#include "wemu/view_gl.h"

#include "platform/draw_context.h"
#include "platform/gl_context.h"
#include "wemu/mem_context.h"
#include "wemu/utilities.h"

using vq::platform::GLContext;

namespace {

WEMU_WindowView* viewOf(HWND__* window) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return nullptr;
  return dynamic_cast<WEMU_WindowView*>(window);
}

GLContext* contextOf(WEMU_WindowView* v) {
  return static_cast<GLContext*>(v->glContext);
}

}  // namespace

void WEMU_SetViewGL(HWND__* window, bool want) {
  WEMU_WindowView* v = viewOf(window);
  if (!v || want == (v->glContext != nullptr)) return;
  if (want) {
    // Accelerated; older systems take an empty list.
    std::vector<int> attributes =
        WEMU_GetOSXVersion() >= 0x1050 ? std::vector<int>{0x60, 0} : std::vector<int>{0};
    v->glContext = vq::platform::glService().createContext(attributes).release();
  } else {
    WEMU_Internal_ReleaseViewGL(v);
  }
}

bool WEMU_GetViewGL(HWND__* window) {
  WEMU_WindowView* v = viewOf(window);
  return v && v->glContext;
}

bool WEMU_SetGLContextToView(HWND__* window) {
  if (!window) {
    if (WEMU_OnWindowThread()) vq::platform::glService().clearCurrentContext();
    return false;
  }
  WEMU_WindowView* v = viewOf(window);
  if (!v || !v->glContext) return false;
  contextOf(v)->makeCurrent();
  return true;
}

void WEMU_Internal_PrepareViewGL(WEMU_WindowView* view) {
  if (GLContext* c = contextOf(view)) {
    c->setView(view);
    c->makeCurrent();
    c->update();
  }
}

void WEMU_Internal_FinishViewGL(WEMU_WindowView* view, HDC__* paintContext) {
  GLContext* c = contextOf(view);
  if (!c) return;
  if (vq::platform::DrawContext* draw = WEMU_GetCtxGC(paintContext))
    c->copyPixels(draw->pixels(), draw->width(), draw->height(), draw->rowPixels());
  auto& service = vq::platform::glService();
  if (service.currentContext() == c) service.clearCurrentContext();
}

void WEMU_Internal_ReleaseViewGL(WEMU_WindowView* view) {
  GLContext* c = contextOf(view);
  if (!c) return;
  auto& service = vq::platform::glService();
  if (service.currentContext() == c) service.clearCurrentContext();
  view->glContext = nullptr;
  delete c;
}
