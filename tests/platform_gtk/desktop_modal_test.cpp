// Nested loops on a real display: a context menu, alerts and the text field take real input
// while the 120 Hz frame timer keeps firing and a default-mode timer waits.
#include "desktop_fixture.h"
#include "platform/menu.h"

namespace {

using namespace vq::test;

struct Recorder : MenuTarget {
  std::vector<int> actions;
  void performMenuAction(int action, MenuItem&) override { actions.push_back(action); }
};

class DesktopModalTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    openWindow(240, 180);
    frameTimer = b->loop.addTimer(
        1.0 / 120, true, [this] { ++ticks; }, true);
    // Script steps run from a common-mode timer, so also inside menus and alerts; a watchdog
    // ends any menu or dialog left open, so a fault fails the test instead of hanging it.
    stepper = b->loop.addTimer(
        0.02, true,
        [this] {
          while (next < steps.size() && steps[next]()) ++next;
        },
        true);
    started = b->loop.now();
    watchdog = b->loop.addTimer(
        20, false,
        [this] {
          ADD_FAILURE() << "watchdog: a nested loop was still open";
          GList* all = gtk_window_list_toplevels();
          for (GList* l = all; l; l = l->next) {
            GtkWidget* w = GTK_WIDGET(l->data);
            if (!gtk_widget_get_mapped(w)) continue;
            if (GTK_IS_DIALOG(w)) gtk_dialog_response(GTK_DIALOG(w), GTK_RESPONSE_DELETE_EVENT);
            GtkWidget* child = GTK_IS_BIN(w) ? gtk_bin_get_child(GTK_BIN(w)) : nullptr;
            if (child && GTK_IS_MENU(child)) gtk_menu_popdown(GTK_MENU(child));
          }
          g_list_free(all);
          b->app.abortModal();
        },
        true);
  }
  void TearDown() override {
    if (b) {
      for (TimerId t : {frameTimer, stepper, watchdog}) b->loop.invalidateTimer(t);
    }
    DesktopTest::TearDown();
  }
  // Steps: each returns true when done; the next one starts on the same tick.
  void script(std::vector<std::function<bool()>> s) {
    steps = std::move(s);
    next = 0;
  }
  std::function<bool()> waitFor(std::function<bool()> what) { return what; }
  std::function<bool()> hold(double seconds) {
    auto until = std::make_shared<double>(-1);
    return [this, until, seconds] {
      if (*until < 0) *until = b->loop.now() + seconds;
      return b->loop.now() >= *until;
    };
  }
  std::function<bool()> keys(std::vector<unsigned long> syms) {
    return [this, syms] {
      for (unsigned long s : syms) input.tap(s);
      return true;
    };
  }
  // Keys go to the window under the pointer when no window manager runs.
  std::function<bool()> pointAtDialog() {
    return [this] {
      GtkWidget* d = mappedToplevel(false);
      if (!d) return false;
      int x, y;
      gdk_window_get_origin(gtk_widget_get_window(d), &x, &y);
      input.move(x + gtk_widget_get_allocated_width(d) / 2, y + 10);
      return true;
    };
  }

  TimerId frameTimer = 0, stepper = 0, watchdog = 0;
  int ticks = 0;
  double started = 0;
  std::vector<std::function<bool()>> steps;
  size_t next = 0;
};

TEST_F(DesktopModalTest, AContextMenuChoosesByKeyboardWhileTheFrameTimerRuns) {
  Recorder target;
  Menu* menu = Menu::create();
  std::vector<MenuItem*> items;
  for (int i = 1; i <= 3; ++i) {
    MenuItem* item = MenuItem::create("Item " + std::to_string(i));
    item->setTag(i);
    item->setTarget(&target);
    item->setAction(10 + i);
    menu->addItem(item);
    items.push_back(item);
  }
  MenuItem* chosen = nullptr;
  int ticksInside = 0;
  RunLoopMode modeOfDefaultTimer = RunLoopMode::ModalPanel;
  bool defaultFired = false;
  client.onPointer = [&](const PointerEvent& e) {
    if (e.action != PointerAction::Down || e.button != PointerButton::Right) return;
    b->loop.addTimer(
        0.05, false,
        [&] {
          defaultFired = true;
          modeOfDefaultTimer = b->loop.currentMode();
        },
        false);
    int before = ticks;
    chosen = b->popUpContextMenu(*menu, view->locationInWindow(e.x, e.y), content.get());
    ticksInside = ticks - before;
  };
  int up = 0;  // boxes, panels and menus up while the menu is
  script({waitFor([] { return mappedToplevel(true) != nullptr; }),
          [&] { return (up = boxesAndPanelsUp()), true; }, hold(0.4),
          keys({XK_Down, XK_Down, XK_Return})});
  input.move(ox + 40, oy + 30);
  input.button(3, true);
  input.button(3, false);
  ASSERT_TRUE(pumpUntil([&] { return chosen != nullptr || next == steps.size(); }, 15));
  ASSERT_TRUE(pumpUntil([&] { return chosen != nullptr && defaultFired; }, 5));
  EXPECT_EQ(chosen->tag(), 2);
  EXPECT_EQ(target.actions, std::vector<int>{12});
  EXPECT_GE(ticksInside, 20) << "the 120 Hz timer fires inside the menu";
  EXPECT_EQ(modeOfDefaultTimer, RunLoopMode::Default) << "default-mode timers wait for the menu";
  EXPECT_GE(client.modalNotices, 1) << "the view heard that a modal loop ran inside its press";
  EXPECT_EQ(std::pair(up, boxesAndPanelsUp()), std::pair(1, 0));
  menu->release();
  for (MenuItem* i : items) i->release();
}

TEST_F(DesktopModalTest, AlertsAnswerReturnAndEscapeWhileTheFrameTimerRuns) {
  std::vector<int> answers;
  int ticksInside = 0;
  client.onPointer = [&](const PointerEvent& e) {
    if (e.action != PointerAction::Down) return;
    int before = ticks;
    answers.push_back(
        b->runAlert({"Confirm", "Replace the file?", {"Yes", "No"}, AlertStyle::Warning}));
    ticksInside += ticks - before;
  };
  int up = 0;  // boxes and panels up while the alert is
  script({pointAtDialog(), [&] { return (up = boxesAndPanelsUp()), true; }, hold(0.3),
          keys({XK_Return}), waitFor([&] { return answers.size() == 1; }), pointAtDialog(),
          hold(0.3), keys({XK_Escape})});
  input.move(ox + 40, oy + 30);
  input.button(1, true);
  input.button(1, false);
  ASSERT_TRUE(pumpUntil([&] { return answers.size() == 1; }, 15)) << "step " << next;
  input.move(ox + 40, oy + 30);
  input.button(1, true);
  input.button(1, false);
  ASSERT_TRUE(pumpUntil([&] { return answers.size() == 2; }, 15));
  EXPECT_EQ(answers, (std::vector<int>{0, 1})) << "Return: the default; Escape: No, not Yes";
  EXPECT_GE(ticksInside, 40);
  EXPECT_GE(client.modalNotices, 2);
  EXPECT_EQ(std::pair(up, boxesAndPanelsUp()), std::pair(1, 0));
}

TEST_F(DesktopModalTest, TheTextFieldFiltersCommitsAndCancelsOneAtATime) {
  std::vector<std::string> log;
  auto field = [&](const char* name) {
    TextFieldRequest r;
    r.frame = {20, 20, 140, 44};
    r.allowed = U"0123456789.-+";
    r.maxLength = 5;
    r.fontSize = 14;
    r.onCommit = [&log, name](const std::string& t) { log.push_back(std::string(name) + "=" + t); };
    r.onCancel = [&log, name] { log.push_back(std::string(name) + " cancelled"); };
    return r;
  };
  client.onPointer = [&](const PointerEvent& e) {
    if (e.action == PointerAction::Down) log.push_back("press");
  };
  auto typed = [&](std::vector<unsigned long> syms) {
    for (unsigned long s : syms) input.tap(s);
  };
  // The open field has the keys and holds `text`.
  auto holds = [&](const char* text) {
    return pumpUntil([&] {
      GtkWidget* f = gtk_window_get_focus(GTK_WINDOW(b->windows.gtkWindowFor(*window)));
      return f && GTK_IS_ENTRY(f) && gtk_widget_has_focus(f) &&
             std::string(gtk_entry_get_text(GTK_ENTRY(f))) == text;
    });
  };
  input.move(ox + 60, oy + 30);  // over the field: keys go where the pointer is
  view->openTextField(field("a"));
  ASSERT_TRUE(pumpUntil([&] {
    return gtk_widget_has_focus(gtk_window_get_focus(GTK_WINDOW(b->windows.gtkWindowFor(*window))));
  }));
  typed({XK_1, XK_e, XK_5, XK_period, XK_2, XK_5, XK_7, XK_Return});  // "e" refused, 5 at most
  ASSERT_TRUE(pumpUntil([&] { return !log.empty(); }));
  view->openTextField(field("b"));
  ASSERT_TRUE(holds(""));
  typed({XK_9, XK_Escape});
  ASSERT_TRUE(pumpUntil([&] { return log.size() == 2; }));
  view->openTextField(field("c"));
  ASSERT_TRUE(holds(""));
  typed({XK_7});
  ASSERT_TRUE(holds("7"));
  view->openTextField(field("d"));  // a new request commits the open one
  ASSERT_TRUE(holds(""));
  typed({XK_3});
  ASSERT_TRUE(holds("3"));
  input.move(ox + 200, oy + 150);  // a press on the view ends the field, keeping its text
  input.button(1, true);
  input.button(1, false);
  ASSERT_TRUE(pumpUntil([&] { return log.size() == 5; }));
  view->openTextField(field("e"));
  ASSERT_TRUE(holds(""));
  typed({XK_4});
  ASSERT_TRUE(holds("4"));
  gtk_window_close(GTK_WINDOW(b->windows.gtkWindowFor(*window)));  // closing applies nothing
  ASSERT_TRUE(pumpUntil([&] { return log.size() == 6; }));
  EXPECT_EQ(log, (std::vector<std::string>{"a=15.25", "b cancelled", "c=7", "d=3", "press",
                                           "e cancelled"}));
  EXPECT_FALSE(view->hasTextField());
  double elapsed = b->loop.now() - started;
  EXPECT_GE(ticks, static_cast<int>(elapsed * 60)) << "the frame timer kept its pace";
}

}  // namespace

namespace {

using namespace vq::test;

struct Closer : WindowDelegate {
  int asked = 0;
  bool windowShouldClose(Window&) override {
    ++asked;
    return true;
  }
};

TEST_F(DesktopModalTest, AModalRunEndsByStopOrByItsCloseBoxWhileTheFrameTimerRuns) {
  Window dialog;
  dialog.setTitle("VQ modal");
  dialog.setFrame({100, 100, 200, 120});
  dialog.setOwner(window.get());
  Closer closer;
  dialog.setDelegate(&closer);
  bool modalInside = false;
  int up = 0;
  b->loop.addTimer(
      0.3, false,
      [&] {
        modalInside = gtk_window_get_modal(GTK_WINDOW(b->windows.gtkWindowFor(dialog)));
        up = boxesAndPanelsUp();
        b->app.stopModal(5);
      },
      true);
  int before = ticks;
  EXPECT_EQ(b->app.runModalForWindow(dialog), 5);
  EXPECT_TRUE(modalInside) << "other windows take no input during the run";
  EXPECT_EQ(std::pair(up, boxesAndPanelsUp()), std::pair(1, 0));
  EXPECT_GE(ticks - before, 20);
  b->loop.addTimer(
      0.2, false, [&] { gtk_window_close(GTK_WINDOW(b->windows.gtkWindowFor(dialog))); }, true);
  EXPECT_EQ(b->app.runModalForWindow(dialog), kModalResponseAbort);
  EXPECT_EQ(closer.asked, 1);
  EXPECT_TRUE(dialog.isClosed());
  EXPECT_FALSE(gtk_widget_get_visible(b->windows.gtkWindowFor(dialog)));
}

}  // namespace

namespace {

using namespace vq::test;

// The file chooser: mapped as a dialog of its own kind.
GtkWidget* mappedChooser() {
  GList* all = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* l = all; l && !found; l = l->next)
    if (GTK_IS_FILE_CHOOSER_DIALOG(l->data) && gtk_widget_get_mapped(GTK_WIDGET(l->data)))
      found = GTK_WIDGET(l->data);
  g_list_free(all);
  return found;
}

TEST_F(DesktopModalTest, TheSavePanelStartsInItsFolderAddsTheTypeAndCancels) {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vq-panel-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  PanelRequest save;
  save.kind = PanelRequest::Kind::Save;
  save.title = "Save Program";
  save.directory = folder.string();
  save.fileName = "untitled";
  save.allowedTypes = {"syx"};
  auto toChooser = [this] {
    GtkWidget* d = mappedChooser();
    if (!d) return false;
    int x, y;
    gdk_window_get_origin(gtk_widget_get_window(d), &x, &y);
    input.move(x + 40, y + 40);
    gtk_window_present(GTK_WINDOW(d));
    return true;
  };
  int up = 0;
  script(
      {toChooser, [&] { return (up = boxesAndPanelsUp()), true; }, hold(0.5), keys({XK_Return})});
  int before = ticks;
  auto chosen = b->runPanel(save);
  EXPECT_GE(ticks - before, 20);
  EXPECT_EQ(std::pair(up, boxesAndPanelsUp()), std::pair(1, 0));
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, std::vector<std::string>{(folder / "untitled.syx").string()});
  script({toChooser, hold(0.3), keys({XK_Escape})});
  EXPECT_EQ(b->runPanel(save), std::nullopt);
  std::filesystem::remove_all(folder);
}

}  // namespace
