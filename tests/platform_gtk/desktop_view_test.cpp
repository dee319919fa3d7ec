// The graphics view on a real display: what the screen shows, real pointer and key input,
// pixel doubling at device scale 2, and numbers under a comma locale.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "desktop_fixture.h"
#include "platform/menu.h"

namespace {

using namespace vq::test;

// A known pattern in the back buffer's layout (memory A, R, G, B) and as the screen shows it.
uint32_t word(int x, int y) {
  uint32_t r = (x * 3) & 255, g = (y * 5) & 255, bl = (x ^ y) & 255;
  return 0xFFu | r << 8 | g << 16 | bl << 24;
}
uint32_t rgb(uint32_t w) {
  return ((w >> 8) & 255) << 16 | ((w >> 16) & 255) << 8 | (w >> 24);
}

int countDraws(DesktopGraphicsView* v, int* counter) {
  g_signal_connect_after(v->drawingArea(), "draw",
                         G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer n) -> gboolean {
                           ++*static_cast<int*>(n);
                           return FALSE;
                         }),
                         counter);
  return *counter;
}

TEST_F(DesktopTest, TheScreenShowsThePresentedPixelsAndOnlyTheDamagedAreaChanges) {
  const int w = 160, h = 120;
  openWindow(w, h);
  std::vector<uint32_t> buf(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) buf[y * w + x] = word(x, y);
  int draws = 0;
  countDraws(gview, &draws);
  view->present({buf.data(), w, h, w}, {0, 0, w, h});
  ASSERT_TRUE(pumpUntil([&] { return draws > 0; }));
  std::vector<uint32_t> shot;
  auto wrong = [&] {
    pumpXEvents();  // what the draw sent has reached the server
    shot = input.read(ox, oy, w, h);
    int n = 0;
    for (size_t i = 0; i < buf.size(); ++i) n += shot[i] != rgb(buf[i]);
    return n;
  };
  pumpUntil([&] { return wrong() == 0; });
  EXPECT_EQ(wrong(), 0) << "pixels differing from the back buffer";

  std::fill(buf.begin(), buf.end(), 0xFFFFFFFFu);  // all white, but only (10,10)-(30,30) shown
  draws = 0;
  view->present({buf.data(), w, h, w}, {10, 10, 30, 30});
  ASSERT_TRUE(pumpUntil([&] { return draws > 0; }));
  EXPECT_TRUE(pumpUntil([&] {
    pumpXEvents();
    shot = input.read(ox, oy, w, h);
    return shot[15 * w + 15] == 0xFFFFFFu;
  }));
  EXPECT_EQ(shot[5 * w + 5], rgb(word(5, 5)));
  EXPECT_EQ(shot[30 * w + 30], rgb(word(30, 30)));
}

// A repaint GTK asks for by itself (the window uncovered) reads the presented buffer again, in
// several bands; over a resize the view keeps what it showed, though the buffer is gone.
TEST_F(DesktopTest, RepaintsShowThePresentedBufferAlsoAfterAResize) {
  const int w = 300, h = 260;
  openWindow(w, h);
  auto buf = std::make_unique<std::vector<uint32_t>>(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) (*buf)[y * w + x] = word(x, y);
  int draws = 0;
  countDraws(gview, &draws);
  auto wrongAfterRepaint = [&] {
    draws = 0;
    gtk_widget_queue_draw(gview->drawingArea());
    EXPECT_TRUE(pumpUntil([&] { return draws > 0; }));
    int wrong = 0;
    pumpUntil([&] {
      pumpXEvents();
      std::vector<uint32_t> shot = input.read(ox, oy, w, h);
      wrong = 0;
      for (int i = 0; i < w * h; ++i) wrong += shot[i] != rgb(word(i % w, i / w));
      return wrong == 0;
    });
    return wrong;
  };
  view->present({buf->data(), w, h, w}, {0, 0, 1, 1});
  EXPECT_EQ(wrongAfterRepaint(), 0);
  view->setSize(w, h);
  std::fill(buf->begin(), buf->end(), 0u);
  buf.reset();
  std::vector<uint32_t> blank(w * h);
  view->present({blank.data(), w, h, w}, {});  // a new buffer, nothing drawn in it yet
  EXPECT_EQ(wrongAfterRepaint(), 0);
}

TEST_F(DesktopTest, ClicksDoubleClicksDragsAndWheelArriveAtThePixelUnderThePointer) {
  openWindow(200, 150);
  auto at = [&](int x, int y) { input.move(ox + x, oy + y); };
  auto click = [&](unsigned b) {
    input.button(b, true);
    input.button(b, false);
  };
  auto ups = [&] { return client.of(PointerAction::Up).size(); };
  at(10, 20);
  click(1);
  ASSERT_TRUE(pumpUntil([&] { return ups() == 1; }));
  at(30, 40);
  click(1);
  click(1);
  ASSERT_TRUE(pumpUntil([&] { return ups() == 3; }));
  // The double-click time passes: the next press is a first click wherever it is.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  at(50, 50);
  input.key(XK_Shift_L, true);
  input.button(1, true);
  at(55, 60);
  at(60, 70);
  input.button(1, false);
  input.key(XK_Shift_L, false);
  ASSERT_TRUE(pumpUntil([&] { return ups() == 4; }));
  at(5, 6);
  click(3);
  click(4);  // wheel up
  ASSERT_TRUE(pumpUntil([&] { return ups() == 5 && !client.of(PointerAction::Wheel).empty(); }));

  struct Press {
    int x, y;
    PointerButton b;
    int clicks;
  } want[] = {{10, 20, PointerButton::Left, 1},
              {30, 40, PointerButton::Left, 1},
              {30, 40, PointerButton::Left, 2},
              {50, 50, PointerButton::Left, 1},
              {5, 6, PointerButton::Right, 1}};
  auto downs = client.of(PointerAction::Down);
  ASSERT_EQ(downs.size(), std::size(want)) << "a double click presses exactly twice";
  for (size_t i = 0; i < downs.size(); ++i) {
    EXPECT_EQ(downs[i].x, want[i].x) << i;
    EXPECT_EQ(downs[i].y, want[i].y) << i;
    EXPECT_EQ(downs[i].button, want[i].b) << i;
    EXPECT_EQ(downs[i].clickCount, want[i].clicks) << i;
  }
  EXPECT_TRUE(downs[3].modifiers & kShiftFlag);
  auto drags = client.of(PointerAction::Drag);
  ASSERT_FALSE(drags.empty());
  EXPECT_EQ(drags.back().x, 60);
  EXPECT_EQ(drags.back().y, 70);
  EXPECT_EQ(drags.back().buttons, kLeftButton);
  EXPECT_EQ(client.of(PointerAction::Up)[3].x, 60);
  EXPECT_EQ(client.of(PointerAction::Wheel)[0].wheelDelta, 1.0);
}

struct Recorder : MenuTarget {
  std::vector<int> actions;
  void performMenuAction(int action, MenuItem&) override { actions.push_back(action); }
};

TEST_F(DesktopTest, KeysReachTheFocusedViewAndTheMenuBarPerformsByClickOrKeyEquivalent) {
  Recorder target;
  Menu* bar = Menu::create();
  MenuItem* file = MenuItem::create("File");
  Menu* fileMenu = Menu::create("File");
  MenuItem* save = MenuItem::create("Save");
  save->setKeyEquivalent(U's', kCommandFlag);
  save->setTarget(&target);
  save->setAction(7);
  fileMenu->addItem(save);
  file->setSubmenu(fileMenu);
  bar->addItem(file);
  b->app.setMainMenu(bar);
  openWindow(120, 80);
  input.move(ox + 30, oy + 30);  // without a window manager keys go where the pointer is
  input.tap(XK_a);
  input.key(XK_Control_L, true);
  input.tap(XK_s);
  input.key(XK_Control_L, false);
  input.tap(XK_Left);
  ASSERT_TRUE(pumpUntil([&] { return client.keys.size() >= 4 && target.actions.size() == 1; }));
  EXPECT_EQ(client.keys[0].type, EventType::KeyDown);
  EXPECT_EQ(client.keys[0].keyCode, kKeyA);
  EXPECT_EQ(client.keys[0].characters, U"a");
  EXPECT_EQ(target.actions, std::vector<int>{7});
  bool sawLeft = false;
  for (const Event& e : client.keys) {
    if (e.type == EventType::KeyDown && e.keyCode == kKeyLeftArrow)
      sawLeft = e.characters == std::u32string(1, kLeftArrowChar);
  }
  EXPECT_TRUE(sawLeft);
  // The menu bar sits above the view: its File menu opens on a click and chooses by keys.
  moveTo(ox + 15, oy - 8);
  click(1);
  ASSERT_TRUE(pumpUntil([] { return mappedToplevel(true) != nullptr; }))
      << "the File menu did not open";
  // Mapped by the server, its grab taken: the keys go to it.
  ASSERT_TRUE(pumpUntil([] {
    GtkWidget* menu = mappedToplevel(true);
    GdkWindow* w = menu ? gtk_widget_get_window(menu) : nullptr;
    return w && !(gdk_window_get_state(w) & GDK_WINDOW_STATE_WITHDRAWN);
  }));
  auto firstChild = [](GtkWidget* w) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(w));
    GtkWidget* first = children ? GTK_WIDGET(children->data) : nullptr;
    g_list_free(children);
    return first;
  };
  GtkWidget* menuBar = firstChild(gtk_bin_get_child(GTK_BIN(b->windows.gtkWindowFor(*window))));
  GtkWidget* fileGtkMenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(firstChild(menuBar)));
  ASSERT_TRUE(pumpUntil([&] { return gtk_widget_get_mapped(fileGtkMenu); }));
  EXPECT_EQ(boxesAndPanelsUp(), 1) << "the open menu counts as up";
  // A box opens as Save is chosen, once the menu closed, as the GUI's timer could open one:
  // Save waits until the user answered it.
  std::function<void()> boxAsChosen = [&] {
    guint answer = g_timeout_add(
        100,
        [](gpointer) -> gboolean {
          if (GtkWidget* d = mappedToplevel(false)) gtk_dialog_response(GTK_DIALOG(d), 0);
          return G_SOURCE_CONTINUE;
        },
        nullptr);
    b->runAlert({"Error", "Communication error!", {"OK"}, AlertStyle::Critical});
    g_source_remove(answer);
    EXPECT_EQ(target.actions.size(), 1u) << "Save ran inside the box";
  };
  g_signal_connect_data(
      firstChild(fileGtkMenu), "activate",
      G_CALLBACK(+[](GtkMenuItem*, gpointer f) { (*static_cast<std::function<void()>*>(f))(); }),
      &boxAsChosen, nullptr, G_CONNECT_AFTER);
  pumpXEvents();
  input.tap(XK_Down);
  input.tap(XK_Return);
  ASSERT_TRUE(pumpUntil([&] { return target.actions.size() == 2; }));
  b->app.setMainMenu(nullptr);
  for (Menu* m : {bar, fileMenu}) m->release();
  for (MenuItem* i : {file, save}) i->release();
}

TEST_F(DesktopTest, NumbersStayInTheCFormUnderTheUsersLocale) {
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", 1.5);
  EXPECT_STREQ(text, "1.50");
  EXPECT_EQ(std::strtod("2.25", nullptr), 2.25);
  const char* lang = std::getenv("LANG");
  if (lang && std::strcmp(lang, "de_DE.UTF-8") == 0) {
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "de_DE.UTF-8") << "the rest follows the user";
  } else {
    std::printf("note: no de_DE.UTF-8 locale here; the comma case was not exercised\n");
  }
}

class DesktopScaleTest : public DesktopTest {
 protected:
  void SetUp() override {
    // The device scale is fixed when GTK opens the display: this needs a process of its own.
    if (gdk_display_get_default()) GTEST_SKIP() << "GTK is open already in this process";
    // Opening GTK at scale 2 would leave every later test of the process at that scale.
    if (::testing::UnitTest::GetInstance()->test_to_run_count() > 1)
      GTEST_SKIP() << "runs only alone in its process";
    setenv("GDK_SCALE", "2", 1);
    DesktopTest::SetUp();
  }
  void TearDown() override {
    DesktopTest::TearDown();
    unsetenv("GDK_SCALE");
  }
};

TEST_F(DesktopScaleTest, PixelsAreDoubledAndClicksHitTheGuiPixel) {
  const int w = 40, h = 30;
  openWindow(w, h);
  ASSERT_EQ(view->deviceScale(), 2.0);
  std::vector<uint32_t> buf(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) buf[y * w + x] = word(x * 7, y * 9);
  int draws = 0;
  countDraws(gview, &draws);
  view->present({buf.data(), w, h, w}, {0, 0, w, h});
  ASSERT_TRUE(pumpUntil([&] { return draws > 0; }));
  int wrong = 0;
  pumpUntil([&] {
    pumpXEvents();
    std::vector<uint32_t> shot = input.read(2 * ox, 2 * oy, 2 * w, 2 * h);
    wrong = 0;
    for (int y = 0; y < 2 * h; ++y)
      for (int x = 0; x < 2 * w; ++x) wrong += shot[y * 2 * w + x] != rgb(buf[(y / 2) * w + x / 2]);
    return wrong == 0;
  });
  EXPECT_EQ(wrong, 0);
  input.move(2 * (ox + 10) + 1, 2 * (oy + 20) + 1);
  input.button(1, true);
  input.button(1, false);
  ASSERT_TRUE(pumpUntil([&] { return !client.of(PointerAction::Up).empty(); }));
  EXPECT_EQ(client.of(PointerAction::Down)[0].x, 10);
  EXPECT_EQ(client.of(PointerAction::Down)[0].y, 20);
}

// A touchpad's smooth scrolling as GTK delivers it: fractions add up to whole steps in the
// view, a fraction alone sends nothing; a wheel notch is one step.
TEST_F(DesktopTest, SmoothScrollFractionsAddUpToWholeSteps) {
  openWindow(100, 80);
  GdkWindow* area = gtk_widget_get_window(gview->drawingArea());
  auto scroll = [&](GdkScrollDirection direction, double dy) {
    GdkEvent* e = gdk_event_new(GDK_SCROLL);
    e->scroll.window = GDK_WINDOW(g_object_ref(area));
    e->scroll.direction = direction;
    e->scroll.delta_y = dy;
    e->scroll.x = e->scroll.y = 10;
    gdk_event_set_device(
        e, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_main_do_event(e);
    gdk_event_free(e);
    return client.of(PointerAction::Wheel).size();
  };
  struct Step {
    GdkScrollDirection direction;
    double dy;
    size_t wheels;
  } steps[] = {{GDK_SCROLL_SMOOTH, -0.4, 0},
               {GDK_SCROLL_SMOOTH, -0.4, 0},
               {GDK_SCROLL_SMOOTH, -0.4, 1},
               {GDK_SCROLL_SMOOTH, 0.2, 1},
               {GDK_SCROLL_DOWN, 0, 2}};
  for (const Step& s : steps) EXPECT_EQ(scroll(s.direction, s.dy), s.wheels) << s.dy;
  auto wheels = client.of(PointerAction::Wheel);
  ASSERT_EQ(wheels.size(), 2u);
  EXPECT_EQ(wheels[0].wheelDelta, 1.0);
  EXPECT_EQ(wheels[1].wheelDelta, -1.0);
}

}  // namespace
