// Drawing surfaces of views that paint themselves (the window layer's window views): a desktop
// backend asks the client to draw the damaged part of the view into a drawing context clipped
// to it and shows the result. Without such a backend nothing is drawn (headless). Main thread.
#pragma once

#include <memory>

#include "platform/geometry.h"

namespace vq::platform {

class DrawContext;
class View;

class ViewSurfaceClient {
 public:
  virtual ~ViewSurfaceClient() = default;
  // Draws the damaged rectangle (view coordinates, y down from the top edge) into the context,
  // which covers the whole view and is clipped to that rectangle.
  virtual void drawSurface(DrawContext& context, Rect damaged) = 0;
};

class ViewSurface {
 public:
  virtual ~ViewSurface() = default;
  // Marks a rectangle (view coordinates, y down) for the next drawing pass.
  virtual void invalidate(Rect r) = 0;
  // Runs the pending drawing of the view's window now.
  virtual void displayNow() = 0;
  // Drawing passes run so far (tests).
  virtual int passes() const = 0;
};

class ViewSurfaceService {
 public:
  virtual ~ViewSurfaceService() = default;
  // A surface for the view, drawn whenever the view is shown in a window; the client and the
  // view outlive it.
  virtual std::unique_ptr<ViewSurface> createViewSurface(View& view, ViewSurfaceClient& client) = 0;
};

// The installed backend's surfaces, or none (headless).
ViewSurfaceService* viewSurfaces();
void setViewSurfaceService(ViewSurfaceService* service);

}  // namespace vq::platform
