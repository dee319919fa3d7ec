// Dragging files out of a window on the desktop: the drag starts from a press and offers the
// files as URIs.
#include "desktop_fixture.h"
#include "platform/gtk/desktop_drag_source.h"

namespace {

using namespace vq::test;

TEST_F(DesktopTest, FileDragStartsFromAPressAndOffersUris) {
  openWindow(120, 80);
  auto* source = dynamic_cast<DesktopDragSource*>(&dragSource());
  ASSERT_NE(source, nullptr);
  EXPECT_FALSE(source->beginFileDrag(content.get(), {0, 0, 10, 10}, {"relative.pr4"}, nullptr));
  bool started = false;
  client.onPointer = [&](const PointerEvent& e) {
    if (e.action == PointerAction::Down && !started)
      started = source->beginFileDrag(content.get(), {5, 5, 10, 10}, {"/tmp/a b.pr4", "/tmp/c.pr4"},
                                      nullptr);
  };
  input.move(ox + 20, oy + 20);
  input.button(1, true);
  EXPECT_TRUE(pumpUntil([&] { return started; }));
  EXPECT_EQ(source->offeredUris(),
            (std::vector<std::string>{"file:///tmp/a%20b.pr4", "file:///tmp/c.pr4"}));
  bool ended = false;
  GtkWidget* widget = b->windows.contentFor(*window);
  const gulong handler = g_signal_connect_swapped(
      widget, "drag-end", G_CALLBACK(+[](bool* ended) { *ended = true; }), &ended);
  input.move(ox + 60, oy + 50);
  input.button(1, false);
  // A drag that found no target animates its icon back to the source, and ends after that; the
  // next test's screen is its own.
  EXPECT_TRUE(pumpUntil([&] { return ended; }, 15));
  g_signal_handler_disconnect(widget, handler);
  client.onPointer = nullptr;
}

}  // namespace
