// The headless backend: the virtual clock and its timers, work posted from other threads,
// nested loops, scripted alerts, panels and menus, the application's lifecycle and events.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/headless.h"
#include "platform/menu.h"
#include "platform/view.h"

namespace {

using namespace vq::platform;

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override { b = &installHeadless(); }
  void TearDown() override { installHeadless(); }
  HeadlessBackend* b = nullptr;
};

TEST_F(HeadlessTest, ServicesReachTheInstalledBackend) {
  EXPECT_EQ(&services(), static_cast<Backend*>(b));
  EXPECT_EQ(headless(), b);
  EXPECT_EQ(&services().runLoop(), &b->loop);
  EXPECT_EQ(&services().application(), &b->app);
}

TEST_F(HeadlessTest, TimersFireInTimeOrder) {
  std::vector<std::string> log;
  b->loop.addTimer(
      0.3, false, [&] { log.push_back("once"); }, false);
  b->loop.addTimer(
      0.1, true, [&] { log.push_back("tick"); }, false);
  b->loop.advance(0.35);
  EXPECT_EQ(log, (std::vector<std::string>{"tick", "tick", "once", "tick"}));
  EXPECT_NEAR(b->loop.now(), 0.35, 1e-9);
  EXPECT_EQ(b->loop.timerCount(), 1u) << "the one-shot timer is gone";
}

TEST_F(HeadlessTest, ATimerCanInvalidateItselfAndOthers) {
  int a = 0, c = 0;
  TimerId other = 0;
  TimerId self = 0;
  self = b->loop.addTimer(
      0.1, true,
      [&] {
        ++a;
        b->loop.invalidateTimer(self);
        b->loop.invalidateTimer(other);
      },
      false);
  other = b->loop.addTimer(
      0.2, true, [&] { ++c; }, false);
  b->loop.advance(1);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(c, 0);
  EXPECT_FALSE(b->loop.isTimerValid(self));
  b->loop.invalidateTimer(12345);  // unknown ids are ignored
}

TEST_F(HeadlessTest, OnlyCommonModeTimersFireInNestedLoops) {
  int common = 0, plain = 0;
  b->loop.addTimer(
      0.1, true, [&] { ++common; }, true);
  b->loop.addTimer(
      0.1, true, [&] { ++plain; }, false);
  b->loop.runNested(RunLoopMode::EventTracking, 0.25);
  EXPECT_EQ(common, 2);
  EXPECT_EQ(plain, 0);
  EXPECT_EQ(b->loop.currentMode(), RunLoopMode::Default);
  b->loop.advance(0.01);
  EXPECT_EQ(plain, 1) << "the overdue default-mode timer fires once, then catches up";
  b->loop.advance(0.1);
  EXPECT_EQ(plain, 2);
}

TEST_F(HeadlessTest, WorkPostedFromOtherThreadsRunsOnTheMainThread) {
  std::atomic<int> ran{0};
  std::atomic<bool> onMain{true};
  auto mainId = std::this_thread::get_id();
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&] {
      EXPECT_FALSE(b->loop.isMainThread());
      for (int k = 0; k < 25; ++k) {
        b->loop.postToMain([&] {
          if (std::this_thread::get_id() != mainId) onMain = false;
          ++ran;
        });
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(ran.load(), 0);
  EXPECT_GE(b->loop.wakeCount(), 100);
  b->loop.runPending();
  EXPECT_EQ(ran.load(), 100);
  EXPECT_TRUE(onMain);
  EXPECT_TRUE(b->loop.isMainThread());
}

TEST_F(HeadlessTest, AlertsTakeScriptedAnswersAndAreRecorded) {
  AlertRequest req{"Title", "Message", {"Yes", "No"}, AlertStyle::Warning};
  b->alertAnswers.push_back({1, 0});
  EXPECT_EQ(b->runAlert(req), 1);
  EXPECT_EQ(b->runAlert(req), 0) << "no script: the default button";
  b->alertAnswers.push_back({7, 0});
  EXPECT_EQ(b->runAlert(req), kAlertDismissed) << "no such button: closed without one";
  ASSERT_EQ(b->alerts.size(), 3u);
  EXPECT_EQ(b->alerts[0].message, "Message");
}

// Every way up counts as one, its nested loop runs the common-mode timers, and an alert asked
// for meanwhile, which nobody waits for, opens only once it closed.
TEST_F(HeadlessTest, PanelsTakeScriptedAnswers) {
  PanelRequest req;
  req.kind = PanelRequest::Kind::Save;
  EXPECT_FALSE(b->runPanel(req).has_value());
  Menu* menu = Menu::create();
  Window dialog;
  int fired = 0;
  std::vector<int> up;  // boxes, panels and menus up, at each firing
  std::vector<int> upAsTheAlertOpened;
  b->loop.addTimer(
      0.2, true,
      [&] {
        if (++fired == 1) {
          openWhenNoneUp([&] {
            upAsTheAlertOpened.push_back(boxesAndPanelsUp());
            b->runAlert({"Error", "Communication error!", {"OK"}, AlertStyle::Critical});
          });
        }
        up.push_back(boxesAndPanelsUp());
      },
      true);
  const struct {
    const char* what;
    std::function<void()> open;  // held up 0.5 s
  } rows[] = {
      {"a save panel",
       [&] {
         b->panelAnswers.push_back({std::vector<std::string>{"/tmp/x"}, 0.5});
         auto r = b->runPanel(req);
         ASSERT_TRUE(r.has_value());
         EXPECT_EQ(r->front(), "/tmp/x");
       }},
      {"an alert",
       [&] {
         b->alertAnswers.push_back({0, 0.5});
         b->runAlert({"Title", "Message", {"OK"}, AlertStyle::Informational});
       }},
      {"a context menu",
       [&] {
         b->menuAnswers.push_back({nullptr, 0.5});
         b->popUpContextMenu(*menu, {10, 10}, nullptr);
       }},
      {"a modal window",
       [&] {
         b->loop.addTimer(
             0.5, false, [&] { b->app.stopModal(1); }, true);
         b->app.runModalForWindow(dialog);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    fired = 0;
    up.clear();
    upAsTheAlertOpened.clear();
    row.open();
    EXPECT_GE(fired, 2) << "common-mode timers run while it is up";
    EXPECT_EQ(up, std::vector<int>(static_cast<size_t>(fired), 1));
    EXPECT_TRUE(upAsTheAlertOpened.empty());
    b->loop.runPending();
    EXPECT_EQ(upAsTheAlertOpened, std::vector<int>{0});
    EXPECT_EQ(boxesAndPanelsUp(), 0);
  }
  menu->release();
}

class CountingTarget : public MenuTarget {
 public:
  void performMenuAction(int action, MenuItem& sender) override {
    actions.push_back(action);
    tags.push_back(sender.tag());
  }
  std::vector<int> actions, tags;
};

class UpdatingDelegate : public MenuDelegate {
 public:
  void menuNeedsUpdate(Menu& m) override { updated.push_back(&m); }
  std::vector<Menu*> updated;
};

TEST_F(HeadlessTest, ContextMenusUpdateEveryMenuAndPerformTheChoice) {
  Menu* m = Menu::create("ctx");
  Menu* sub = Menu::create("sub");
  CountingTarget target;
  UpdatingDelegate delegate;
  m->setDelegate(&delegate);
  sub->setDelegate(&delegate);
  MenuItem* a = MenuItem::create("A");
  a->setTag(1);
  MenuItem* holder = MenuItem::create("More");
  holder->setSubmenu(sub);
  MenuItem* deep = MenuItem::create("Deep");
  deep->setTag(2);
  deep->setTarget(&target);
  deep->setAction(5);
  sub->addItem(deep);
  m->addItem(a);
  m->addItem(holder);
  b->menuAnswers.push_back(chooseTag(2));
  View v;
  EXPECT_EQ(b->popUpContextMenu(*m, {3, 4}, &v), deep);
  EXPECT_EQ(delegate.updated, (std::vector<Menu*>{m, sub}));
  EXPECT_EQ(target.actions, std::vector<int>{5});
  ASSERT_EQ(b->menusShown.size(), 1u);
  EXPECT_EQ(b->menusShown[0].itemTitles, (std::vector<std::string>{"A", "More"}));
  EXPECT_EQ(b->popUpContextMenu(*m, {0, 0}, &v), nullptr) << "dismissed without a script";
  deep->setEnabled(false);
  b->menuAnswers.push_back(chooseTag(2));
  EXPECT_EQ(b->popUpContextMenu(*m, {0, 0}, &v), nullptr) << "disabled items cannot be chosen";
  a->release();
  holder->release();
  deep->release();
  sub->release();
  m->release();
}

TEST_F(HeadlessTest, MenusCopyDeeplyAndCountReferences) {
  Menu* m = Menu::create("top");
  Menu* sub = Menu::create("sub");
  MenuItem* holder = MenuItem::create("Sub");
  holder->setSubmenu(sub);
  EXPECT_EQ(sub->retainCount(), 2);
  m->addItem(holder);
  holder->release();
  MenuItem* leaf = MenuItem::create("Leaf");
  leaf->setTag(9);
  sub->addItem(leaf);
  leaf->release();
  Menu* copy = m->copy();
  ASSERT_EQ(copy->itemCount(), 1);
  Menu* copiedSub = copy->itemAt(0)->submenu();
  ASSERT_NE(copiedSub, nullptr);
  EXPECT_NE(copiedSub, sub);
  EXPECT_EQ(copiedSub->itemAt(0)->tag(), 9);
  copiedSub->itemAt(0)->setTitle("Changed");
  EXPECT_EQ(sub->itemAt(0)->title(), "Leaf");
  EXPECT_EQ(m->indexOfItemWithTag(9), -1) << "tags are searched in the menu itself";
  EXPECT_EQ(sub->indexOfItemWithTag(9), 0);
  EXPECT_EQ(m->itemAt(5), nullptr);
  sub->release();
  copy->release();
  m->release();
}

TEST_F(HeadlessTest, AnItemInsertedAgainMovesAndStaysOwnedOnce) {
  Menu* m = Menu::create("m");
  MenuItem* items[3];
  for (int i = 0; i < 3; ++i) {
    items[i] = MenuItem::create(std::string(1, static_cast<char>('a' + i)));
    m->addItem(items[i]);
  }
  m->insertItem(items[0], 3);  // to the end of its own menu, which is shorter once it leaves
  ASSERT_EQ(m->itemCount(), 3);
  EXPECT_EQ(m->itemAt(2), items[0]);
  EXPECT_EQ(items[0]->retainCount(), 2) << "the menu holds it once";
  Menu* other = Menu::create("other");
  other->insertItem(items[1], 0);
  EXPECT_EQ(m->itemCount(), 2);
  EXPECT_EQ(items[1]->menu(), other);
  for (MenuItem* it : items) it->release();
  other->release();
  m->release();
}

TEST_F(HeadlessTest, TerminationAsksTheDelegate) {
  struct Delegate : ApplicationDelegate {
    TerminateReply reply = TerminateReply::Cancel;
    int willTerminate = 0;
    TerminateReply applicationShouldTerminate() override { return reply; }
    void applicationWillTerminate() override { ++willTerminate; }
  } d;
  b->app.setDelegate(&d);
  b->app.terminate();
  EXPECT_FALSE(b->app.isTerminated());
  d.reply = TerminateReply::Later;
  b->app.terminate();
  EXPECT_FALSE(b->app.isTerminated());
  b->app.replyToTerminate(true);
  EXPECT_TRUE(b->app.isTerminated());
  EXPECT_EQ(d.willTerminate, 1);
  b->app.terminate();
  EXPECT_EQ(d.willTerminate, 1);
  b->app.setDelegate(nullptr);
}

TEST_F(HeadlessTest, EventsGoThroughTheHookOrToTheFirstResponder) {
  struct Recorder : View {
    void handleEvent(const Event& e) override { got.push_back(e.keyCode); }
    std::vector<int> got;
  };
  Window w;
  Recorder content;
  w.setContentView(&content);
  w.makeFirstResponder(&content);
  Event e;
  e.type = EventType::KeyDown;
  e.window = &w;
  e.keyCode = 4;
  b->app.postEvent(e);
  EXPECT_TRUE(b->app.peekEvent(eventMask(EventType::KeyDown), 0).has_value());
  EXPECT_FALSE(b->app.peekEvent(eventMask(EventType::KeyUp), 1).has_value());
  b->app.processEvents();
  EXPECT_EQ(content.got, std::vector<int>{4});
  struct Hook : EventHook {
    void sendEvent(const Event& ev) override {
      seen++;
      current = services().application().currentEvent() != nullptr;
      (void)ev;
    }
    int seen = 0;
    bool current = false;
  } hook;
  b->app.setEventHook(&hook);
  b->app.postEvent(e);
  b->app.processEvents();
  EXPECT_EQ(hook.seen, 1);
  EXPECT_TRUE(hook.current);
  EXPECT_EQ(content.got.size(), 1u) << "the hook decided not to pass it on";
  EXPECT_EQ(b->app.currentEvent(), nullptr);
  b->app.setEventHook(nullptr);
  w.setContentView(nullptr);
}

TEST_F(HeadlessTest, ClipboardCursorsAndScreens) {
  EXPECT_FALSE(b->string().has_value());
  long before = b->changeCount();
  b->setString("hello");
  EXPECT_EQ(b->string().value(), "hello");
  EXPECT_GT(b->changeCount(), before);
  EXPECT_EQ(b->systemCursor(SystemCursor::IBeam), b->systemCursor(SystemCursor::IBeam));
  EXPECT_EQ(b->mainDisplayHeight(), 1024);
  EXPECT_TRUE(b->warpMouse({10, 24}));
  EXPECT_EQ(b->mouseLocation().y, 1000) << "warps count from the top, locations from the bottom";
  EXPECT_TRUE(b->open("https://example.invalid/"));
  EXPECT_EQ(b->opened.back(), "https://example.invalid/");
  EXPECT_EQ(b->layoutCharacter(kKeyA), U'a');
  EXPECT_EQ(b->layoutCharacter(kKey1), U'1');
  EXPECT_EQ(b->layoutCharacter(200), 0u);
}

TEST(Windows, OrderKeyWindowAndForgottenViews) {
  Window a, c;
  a.orderFront();
  c.makeKeyAndOrderFront();
  EXPECT_EQ(Window::orderedWindows().front(), &c);
  EXPECT_EQ(Window::keyWindow(), &c);
  {
    Window temp;
    temp.makeKeyAndOrderFront();
    EXPECT_EQ(Window::keyWindow(), &temp);
  }
  EXPECT_EQ(Window::keyWindow(), nullptr) << "a destroyed window is no key window";
  EXPECT_EQ(Window::orderedWindows().size(), 2u);
  View content, child;
  a.setContentView(&content);
  {
    View button(ViewKind::Button);
    content.addSubview(&button);
    EXPECT_EQ(button.window(), &a);
    a.setDefaultButton(&button);
    EXPECT_TRUE(a.makeFirstResponder(&button));
  }
  EXPECT_EQ(a.firstResponder(), nullptr);
  EXPECT_EQ(a.defaultButton(), nullptr);
  EXPECT_FALSE(c.makeFirstResponder(&content)) << "not a view of that window";
  content.addSubview(&child);
  child.removeFromSuperview();
  EXPECT_EQ(child.window(), nullptr);
  a.setContentView(nullptr);
  EXPECT_EQ(content.window(), nullptr);
  a.orderOut();
  c.orderOut();
  EXPECT_TRUE(Window::orderedWindows().empty());
}

TEST(Windows, AContentViewDestroyedFirstLeavesNoDanglingPointer) {
  Window w;
  {
    View content;
    View child;
    w.setContentView(&content);
    content.addSubview(&child);
    w.makeFirstResponder(&child);
  }
  EXPECT_EQ(w.contentView(), nullptr);
  EXPECT_EQ(w.firstResponder(), nullptr);
}

TEST(Windows, PointConversionIntoViews) {
  Window w;
  View content, child;
  content.setFrame({0, 0, 200, 100});
  child.setFrame({10, 20, 50, 40});
  w.setContentView(&content);
  content.addSubview(&child);
  Point p = child.convertFromWindow({15, 30});
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 10);
  child.setFlipped(true);
  p = child.convertFromWindow({15, 30});
  EXPECT_EQ(p.y, 30) << "a flipped view counts from its top";
  w.setContentView(nullptr);
}

}  // namespace
