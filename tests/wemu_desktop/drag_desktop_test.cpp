// Promised files on X between a window view and another program, through direct save: dragged
// out, the target names the place and the file is written there only then, and the target hears
// whether it was; dropped in, the view names the place and hears the written file's path.
#include <unistd.h>

#include <fstream>

#include "dialog_fixture.h"
#include "wemu/drag_source.h"
#include "wemu/window_input.h"
#include "x_drop_target.h"

namespace {

using namespace vq::test;
namespace fs = std::filesystem;

bool gWrites = true;
void writer(const char* path) {
  if (gWrites) std::ofstream(path) << "program";
}

class PromisedDragOnDesktop : public DialogDesktopTest {
 protected:
  void SetUp() override {
    DialogDesktopTest::SetUp();
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override {
    WEMU_FinishDragDrop();
    WEMU_SetDropHooks({});
    fs::remove_all(folder);
    DialogDesktopTest::TearDown();
  }
  // The pointer there once the server has taken the move; the toolkit answers meanwhile.
  void moveTo(int x, int y) {
    input.move(x, y);
    pumpUntil([&] { return input.where() == std::pair(x, y); });
  }
  fs::path folder = fs::temp_directory_path() / ("vq-xds-" + std::to_string(getpid()));
};

TEST_F(PromisedDragOnDesktop, APromisedFileIsWrittenWhereTheDropTargetNamesItsPlace) {
  int presses = 0;
  procAnswer() = [&](HWND__* w, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_NCHITTEST) return 1;
    if (m == WM_LBUTTONDOWN) {
      ++presses;
      RECT r{0, 0, 32, 32};
      WEMU_InitiateDragDrop(w, &r, "/programs/song.pr4", writer);
    }
    return 0;
  };
  WEMU_DialogResourceIndex tmpl{40001, "Drag", 12, nullptr, 200, 150, nullptr};
  show(tmpl);
  auto [sx, sy] = screenPoint(content, 20, 20);
  XDropTarget target(sx + 300, sy, 160, 160, folder.string());
  ASSERT_TRUE(target.ok());
  pumpXEvents();  // the toolkit knows the target's window
  // The drag under way: a drop is made only where the target has answered a position.
  // The drag that began last, and the one that ended last.
  GdkDragContext *drag = nullptr, *ended = nullptr;
  struct Hook {
    Hook(const char* name, GdkDragContext** last)
        : signal(g_signal_lookup(name, GTK_TYPE_WIDGET)),
          hook(g_signal_add_emission_hook(
              signal, 0,
              +[](GSignalInvocationHint*, guint, const GValue* args, gpointer p) -> gboolean {
                *static_cast<GdkDragContext**>(p) = GDK_DRAG_CONTEXT(g_value_get_object(&args[1]));
                return TRUE;
              },
              last, nullptr)) {}
    ~Hook() { g_signal_remove_emission_hook(signal, hook); }
    guint signal;
    gulong hook;
  } begun("drag-begin", &drag), over("drag-end", &ended);
  const auto overTarget = [&] {
    GdkWindow* dest = drag ? gdk_drag_context_get_dest_window(drag) : nullptr;
    int x = 0, y = 0;
    if (dest) gdk_window_get_origin(dest, &x, &y);
    return dest && x == sx + 300 && gdk_drag_context_get_selected_action(drag) != 0;
  };

  // Alerts are answered with their default button ("Keep Both Files" for a name taken); what
  // they said is kept. As the name-taken question closes, a box opens, as the GUI's timer may
  // open one: the note of where the file went waits for it.
  struct Answering {
    std::vector<std::string> told;
    int mostUp = 0;  // message boxes on the screen at once
  } answers;
  std::vector<std::string>& told = answers.told;
  guint answering = g_timeout_add(
      50,
      [](gpointer p) -> gboolean {
        auto* a = static_cast<Answering*>(p);
        int up = 0;
        GList* all = gtk_window_list_toplevels();
        for (GList* l = all; l; l = l->next) {
          GtkWidget* d = GTK_WIDGET(l->data);
          if (!GTK_IS_MESSAGE_DIALOG(d) || !gtk_widget_get_mapped(d)) continue;
          ++up;
          if (g_object_get_data(G_OBJECT(d), "answered")) continue;
          g_object_set_data(G_OBJECT(d), "answered", d);
          gchar* text = nullptr;
          g_object_get(d, "secondary-text", &text, nullptr);
          a->told.push_back(text ? text : "");
          g_free(text);
          gtk_dialog_response(GTK_DIALOG(d), 0);
          if (a->told.back().rfind("An item named", 0) == 0)
            g_idle_add_full(
                G_PRIORITY_HIGH,
                [](gpointer) -> gboolean {
                  vq::platform::services().dialogs().runAlert(
                      {"Error", "Communication error!", {"OK"}, AlertStyle::Critical});
                  return G_SOURCE_REMOVE;
                },
                nullptr, nullptr);
        }
        g_list_free(all);
        a->mostUp = std::max(a->mostUp, up);
        return G_SOURCE_CONTINUE;
      },
      &answers);
  const std::string kept =
      "The program was saved as \"song 001.pr4\" in \"" + folder.string() + "\".";
  struct Case {
    bool writes;
    const char* placeType;  // of the place the target names
    const char* existing;   // content of a song.pr4 there before; null: none
    const char* answer;
    const char* content;  // of song.pr4 afterwards; null: no file
    const char* kept;     // of "song 001.pr4" afterwards; null: no file
  } cases[] = {{true, "text/plain", nullptr, "S", "program"},
               {false, "text/plain", nullptr, "E", nullptr},
               {true, "text/plain;charset=utf-8", nullptr, "S", "program"},
               {true, "UTF8_STRING", nullptr, "S", "program"},
               {true, "STRING", nullptr, "S", "program"},
               {true, "text/plain", "old", "E", "old", "program"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.placeType + std::string(c.existing ? " over a file" : ""));
    gWrites = c.writes;
    target.nameThePlaceIn(c.placeType);
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (c.existing) std::ofstream(folder / "song.pr4") << c.existing;
    told.clear();
    size_t before = target.drops().size();
    drag = ended = nullptr;
    moveTo(sx, sy);
    // A press within the double-click time of the last one is a double click, which starts no
    // drag: the time the program counts passes first.
    guint doubleClick = 400;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &doubleClick, nullptr);
    pumpFor((doubleClick + 100) / 1000.0);
    // Right after a failed drop, while the toolkit clears that drag away, the X server can
    // give a press to no window of ours (seen about once in 40 runs on a loaded machine): the
    // user presses again.
    const int pressed = presses;
    for (int press = 0; press < 3 && presses == pressed; ++press) {
      if (press) input.button(1, false);
      input.button(1, true);
      pumpUntil([&] { return presses > pressed; }, 3);
    }
    // Moves before the drag holds the pointer would reach the view, not the drag.
    ASSERT_TRUE(pumpUntil([&] { return WEMU_Internal_HasPendingPromise() && drag; }));
    for (int step = 1; step <= 10; ++step) moveTo(sx + 38 * step, sy + 5 * step);
    ASSERT_TRUE(pumpUntil(overTarget)) << "the target did not take the drag";
    input.button(1, false);
    ASSERT_TRUE(pumpUntil([&] { return target.drops().size() > before; }));
    pumpUntil([] { return !WEMU_Internal_HasPendingPromise(); });
    XDropTarget::Drop d = target.drops().back();
    EXPECT_EQ(d.types, std::vector<std::string>{"XdndDirectSave0"});
    EXPECT_EQ(d.suggestedName, "song.pr4");
    EXPECT_EQ(d.answer, c.answer);
    EXPECT_FALSE(WEMU_Internal_HasPendingPromise()) << "the drop used the promise up";
    if (c.content)
      EXPECT_EQ(fileText(folder / "song.pr4"), c.content);
    else
      EXPECT_FALSE(fs::exists(folder / "song.pr4"));
    if (c.kept) {
      EXPECT_EQ(fileText(folder / "song 001.pr4"), c.kept);
      ASSERT_TRUE(pumpUntil([&] { return told.size() == 3; }));
      EXPECT_EQ(told[2], kept) << "the user hears where the program went, after the box";
      EXPECT_EQ(answers.mostUp, 1);
    } else {
      EXPECT_TRUE(told.empty());
    }
    // The next drag begins once this one is over (a failed drop ends only after the toolkit
    // has slid its icon back).
    ASSERT_TRUE(pumpUntil([&] { return ended == drag; })) << "the drag did not end";
  }
  g_source_remove(answering);
}

std::vector<std::string> droppedPaths(HANDLE record) {
  std::vector<std::string> paths;
  char buf[512];
  auto* drop = reinterpret_cast<HDROP>(record);
  for (int i = 0; i < DragQueryFile(drop, -1, nullptr, 0); ++i) {
    DragQueryFile(drop, i, buf, sizeof buf);
    paths.push_back(buf);
  }
  return paths;
}

TEST_F(PromisedDragOnDesktop, AFilePromisedByAnotherProgramIsDroppedOnlyWhereAFolderIsGiven) {
  std::vector<std::string> entered, dropped;
  procAnswer() = [&](HWND__*, UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m == WM_NCHITTEST) return 1;
    if (m == WM_DROPFILES) dropped = droppedPaths(reinterpret_cast<HANDLE>(wp));
    return 0;
  };
  WEMU_DialogResourceIndex tmpl{40001, "Drop", 12 | WEMU_WF_DROPTARGET, nullptr, 200, 150, nullptr};
  HWND__* dlg = show(tmpl);
  auto [tx, ty] = screenPoint(content, 100, 70);
  XDragSource source(tx + 300, ty - 40, 80, 80, "song.pr4", "program");
  ASSERT_TRUE(source.ok());
  pumpXEvents();

  for (bool hooked : {true, false}) {
    SCOPED_TRACE(hooked ? "with a folder" : "without hooks");
    WEMU_SetDropHooks({});
    if (hooked) {
      WEMU_DropHooks hooks;
      hooks.enter = [&](HANDLE record, POINT) { entered = droppedPaths(record); };
      hooks.promiseFolder = [&](const std::string&) { return folder.string(); };
      WEMU_SetDropHooks(hooks);
    }
    entered.clear();
    dropped.clear();
    fs::remove(folder / "song.pr4");
    moveTo(tx + 340, ty);
    input.button(1, true);
    // The source's thread took the press: the last drag's outcome is gone.
    ASSERT_TRUE(pumpUntil([&] { return !source.outcome().finished; }));
    for (int step = 1; step <= 10; ++step) moveTo(tx + 340 - 34 * step, ty + step % 2);
    ASSERT_TRUE(pumpUntil([&] { return source.outcome().welcomed; }));
    input.button(1, false);
    ASSERT_TRUE(pumpUntil([&] { return source.outcome().finished; }));
    pumpUntil([&] { return !hooked || !dropped.empty(); });
    XDragSource::Outcome o = source.outcome();
    EXPECT_EQ(o.accepted, hooked);
    EXPECT_EQ(o.saveRequests, hooked ? 1 : 0);
    EXPECT_EQ(entered, hooked ? std::vector<std::string>{"tmp.pr4"} : std::vector<std::string>{});
    if (hooked) {
      EXPECT_EQ(dropped, std::vector<std::string>{(folder / "song.pr4").string()});
      EXPECT_EQ(fileText(folder / "song.pr4"), "program");
    } else {
      EXPECT_TRUE(dropped.empty());
      EXPECT_FALSE(fs::exists(folder / "song.pr4"));
    }
  }
  DestroyWindow(dlg);
}

}  // namespace
