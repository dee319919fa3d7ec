// The Linux graphics on a real display: the window shows the back buffer its timer draws, real
// clicks reach the control under the pointer, and a menu, an alert and a text field opened from
// controls work while the 120 Hz timer keeps drawing.
#include <cstdio>
#include <sstream>

#include "graphics/gui_fixture.h"
#include "platform_gtk/desktop_fixture.h"
#include "plugin/iparam.h"
#include "support/test_plug.h"

namespace {

using namespace vq::test;

using guitest::FnControl;

class GraphicsOnDesktop : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    plug = std::make_unique<vqtest::TestPlug>(2);
    g = new IGraphicsLinux(plug.get(), kW, kH);
    plug->AttachGraphics(g);
    bg = Add(IRECT(0, 0, kW, kH), IColor(255, 30, 40, 50));
    window = std::make_unique<Window>();
    window->setFrame({0, b->mainDisplayHeight() - kH, double(kW), double(kH)});
    content = std::make_unique<View>();
    content->setFrame({0, 0, double(kW), double(kH)});
    window->setContentView(content.get());
    window->makeKeyAndOrderFront();
    ASSERT_NE(g->OpenWindow(content.get()), nullptr);
    gview = static_cast<DesktopGraphicsView*>(g->View());
    ASSERT_TRUE(pumpUntil([&] {
      return gview->screenOrigin(ox, oy) && gtk_widget_get_mapped(gview->drawingArea());
    }));
    pumpXEvents();
    gview->screenOrigin(ox, oy);
  }
  void TearDown() override {
    plug.reset();  // closes the graphics' view before its window goes
    DesktopTest::TearDown();
  }
  // A control filled with one colour.
  FnControl* Add(const IRECT& r, IColor c, int param = -1) {
    auto* s = new FnControl(plug.get(), r, param);
    s->draw = [s, c](IGraphics* gr) { gr->FillIRect(&c, const_cast<IRECT*>(&s->GetRECT())); };
    g->AttachControl(s);
    return s;
  }
  void Click(int x, int y, unsigned button = 1) {
    input.move(ox + x, oy + y);
    input.button(button, true);
    input.button(button, false);
  }
  // Runs `step` from a common-mode timer (so also inside menus and alerts) until it answers true.
  void WhileModal(std::function<bool()> step) {
    timer = b->loop.addTimer(
        0.02, true,
        [this, step] {
          if (step()) b->loop.invalidateTimer(timer);
        },
        true);
  }

  static constexpr int kW = 240, kH = 180;
  std::unique_ptr<vqtest::TestPlug> plug;
  IGraphicsLinux* g = nullptr;  // owned by the plug
  FnControl* bg = nullptr;
  TimerId timer = 0;
};

TEST_F(GraphicsOnDesktop, TheWindowShowsTheBackBufferAndClicksReachTheControlUnderThePointer) {
  FnControl* left = Add(IRECT(20, 20, 60, 60), IColor(255, 200, 0, 0));
  FnControl* right = Add(IRECT(100, 20, 140, 60), IColor(255, 0, 180, 0));
  ASSERT_TRUE(pumpUntil([&] { return right->draws > 0; }));
  auto wrong = [&] {
    pumpXEvents();  // what was drawn has reached the server
    std::vector<uint32_t> shot = input.read(ox, oy, kW, kH);
    int n = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const IColor c = g->GetPoint(x, y);
        n += shot[size_t(y * kW + x)] != uint32_t(c.R << 16 | c.G << 8 | c.B);
      }
    return n;
  };
  pumpUntil([&] { return wrong() == 0; });  // the timer shows the frame
  EXPECT_EQ(wrong(), 0) << "pixels on the screen differing from the back buffer";

  Click(100, 20);  // the first pixel of the right control
  // The double-click time passes: the next press is a first click.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Click(99, 20);  // the last one before it: the background
  ASSERT_TRUE(pumpUntil([&] { return bg->events.size() > 8; }));
  EXPECT_EQ(right->events, "D100,20 U100,20 ");
  EXPECT_EQ(bg->events, "D99,20 U99,20 ");
  Click(30, 30);
  Click(30, 30);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the double-click time
  input.move(ox + 40, oy + 40);
  input.button(1, true);
  input.move(ox + 45, oy + 50);
  input.button(1, false);
  ASSERT_TRUE(pumpUntil([&] { return left->events.find("U45,50") != std::string::npos; }));
  EXPECT_EQ(left->events, "D30,30 U30,30 230,30 U30,30 D40,40 M5,10 U45,50 ");
}

TEST_F(GraphicsOnDesktop, MenusAlertsAndTextFieldsRunWhileTheTimerDraws) {
  IParam* wave = plug->GetParam(0);
  wave->InitEnum("Wave", 0, 3);
  for (int v = 0; v < 3; ++v) wave->SetDisplayText(v, v == 0 ? "Saw" : v == 1 ? "Square" : "Noise");
  IParam* cutoff = plug->GetParam(1);
  cutoff->InitInt("Cutoff", 64, 0, 127);
  FnControl* waveKnob = Add(IRECT(20, 20, 60, 60), IColor(255, 200, 0, 0), 0);
  FnControl* cutoffKnob = Add(IRECT(100, 20, 140, 60), IColor(255, 0, 0, 200), 1);
  FnControl* blinker = Add(IRECT(200, 150, 210, 160), IColor(255, 250, 250, 0));
  const TimerId blinkTimer = b->loop.addTimer(
      0.02, true, [&] { blinker->SetDirty(false); }, true);
  IRECT where(20, 20, 60, 60);
  moveTo(ox + 40, oy + 40);  // keys go where the pointer is
  g->IGraphics::PromptUserInput(cutoffKnob, cutoff, &where);
  ASSERT_TRUE(gview->hasTextField());
  GtkWindow* top = GTK_WINDOW(b->windows.gtkWindowFor(*window));
  ASSERT_TRUE(pumpUntil([&] {
    return gtk_window_get_focus(top) && gtk_widget_has_focus(gtk_window_get_focus(top));
  }));
  for (unsigned long s : {XK_BackSpace, XK_BackSpace, XK_1, XK_e, XK_0, XK_0, XK_Return})
    input.tap(s);
  ASSERT_TRUE(pumpUntil([&] { return !gview->hasTextField(); }));
  EXPECT_DOUBLE_EQ(cutoffKnob->GetValue(), cutoff->ToNormalized(100));

  int drawsInside = 0;
  waveKnob->onDown = [&] {
    const int before = blinker->draws;
    g->IGraphics::PromptUserInput(waveKnob, wave, &where);
    drawsInside = blinker->draws - before;
  };
  double shownAt = -1;
  WhileModal([&] {
    if (!mappedToplevel(true)) return false;
    if (shownAt < 0) shownAt = b->loop.now();
    if (b->loop.now() - shownAt < 0.3) return false;
    for (unsigned long s : {XK_Down, XK_Down, XK_Down, XK_Return}) input.tap(s);
    return true;
  });
  Click(30, 30, 3);
  ASSERT_TRUE(pumpUntil([&] { return drawsInside > 0; }, 15));
  EXPECT_DOUBLE_EQ(waveKnob->GetValue(), wave->ToNormalized(2));
  EXPECT_GE(drawsInside, 5) << "the GUI kept drawing inside the menu";
  EXPECT_EQ(g->GetMouseCapture(), -1);

  int answer = 0;
  cutoffKnob->onDown = [&] { answer = g->ShowMessageBox("Replace the program?", "Bank", 4); };
  WhileModal([&] {
    GtkWidget* d = mappedToplevel(false);
    if (!d) return false;
    int x, y;
    gdk_window_get_origin(gtk_widget_get_window(d), &x, &y);
    input.move(x + gtk_widget_get_allocated_width(d) / 2, y + 10);
    gtk_window_present(GTK_WINDOW(d));
    input.tap(XK_Escape);
    return true;
  });
  Click(110, 30);
  ASSERT_TRUE(pumpUntil([&] { return answer != 0; }, 15));
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(g->GetMouseCapture(), -1) << "the alert took the release";

  b->loop.invalidateTimer(blinkTimer);
}

// A control that hides the pointer for its drag (as a knob may) has it held where it was pressed:
// every move reaches the control, far past the screen's top edge, and the release puts the
// pointer back where it was pressed.
TEST_F(GraphicsOnDesktop, AHiddenPointerIsHeldSoADragGoesOnPastTheScreenEdge) {
  FnControl* knob = Add(IRECT(100, 60, 140, 100), IColor(255, 200, 0, 0));
  knob->onDown = [this] { g->HideMouseCursor(); };
  knob->onUp = [this] { g->ShowMouseCursor(); };
  ASSERT_TRUE(pumpUntil([&] { return knob->draws > 0; }));
  const int px = ox + 120, py = oy + 80;
  moveTo(px, py);
  input.button(1, true);
  ASSERT_TRUE(pumpUntil([&] { return b->isHidden(); }));
  knob->events.clear();
  // 30 moves of 40 pixels up: 1200 pixels, while the press was 80 below the top.
  int moved = 0, dx = 0, dy = 0;
  for (int i = 1; i <= 30; ++i) {
    input.moveBy(0, -40);
    ASSERT_TRUE(pumpUntil([&] {
      std::istringstream log(knob->events);
      moved = 0;
      for (std::string e; log >> e;)
        moved += std::sscanf(e.c_str(), "M%d,%d", &dx, &dy) == 2 ? dy : 0;
      return moved == -40 * i;
    })) << "move "
        << i << " reached " << moved;
    EXPECT_EQ(input.where(), std::pair(px, py)) << "held at move " << i;
  }
  input.button(1, false);
  ASSERT_TRUE(pumpUntil([&] { return !b->isHidden(); }));
  EXPECT_NE(knob->events.find("U120,-1120"), std::string::npos) << knob->events;
  pumpUntil([&] { return input.where() == std::pair(px, py); });
  EXPECT_EQ(input.where(), std::pair(px, py)) << "back where the drag began";
}

}  // namespace
