// The main window: every command id reaches the editor's command, from the menu bar and from
// the application's menu message; About, Quit and the menu bar's shape.
#include <map>

#include "app_test_support.h"
#include "platform/menu.h"
#include "wemu/window_functions.h"

namespace {

using apptest::ShellTest;
using vq::platform::Menu;
using vq::platform::MenuItem;

void CollectItems(Menu* menu, std::map<int, MenuItem*>& out) {
  for (int i = 0; menu && i < menu->itemCount(); ++i) {
    MenuItem* item = menu->itemAt(i);
    if (item->submenu())
      CollectItems(item->submenu(), out);
    else if (item->tag() != 0)
      out[item->tag()] = item;
  }
}

// Menu id -> the editor's command code.
const std::map<int, int> kCommandCodes = {
    {40025, 1},  {40026, 2},  {40027, 3},  {40028, 4},  {40029, 5},  {40030, 6},  {40031, 7},
    {40032, 8},  {40033, 11}, {40034, 10}, {40037, 12}, {40038, 13}, {40039, 14}, {40040, 15},
    {40041, 16}, {40042, 17}, {40043, 18}, {40044, 19}, {40045, 20}, {40046, 21}, {40047, 22},
    {40048, 23}, {40049, 25}, {40050, 24}, {40051, 26}, {40052, 27}, {40053, 33}, {40054, 32},
};

TEST_F(ShellTest, EveryCommandIdReachesItsCommandFromTheMenuBarAndTheMenuMessage) {
  MakeShell();
  Start();
  std::map<int, MenuItem*> items;
  CollectItems(shell->menuBar, items);
  for (const auto& [id, code] : kCommandCodes) {
    SCOPED_TRACE(id);
    EXPECT_EQ(CommandCodeOfMenuId(id), code);
    ASSERT_TRUE(items.count(id));
    editor->commands.clear();
    EXPECT_TRUE(items[id]->perform());
    shell->HandleAppMessage(WEMU_APPMSG_MENU_COMMAND, id, 0);
    EXPECT_EQ(editor->commands, (std::vector<int>{code, code}));
  }
  for (int id : {0, 40006, 40007, 40036, 40055}) EXPECT_EQ(CommandCodeOfMenuId(id), -1) << id;
  EXPECT_TRUE(items.count(40005) && items.count(40006) && items.count(40007));

  // Every item of the menu resource is on the bar.
  HMENU resource = WEMU_LoadMenu(AppMenuResources(), kMenuResource);
  std::map<int, MenuItem*> resourceItems;
  CollectItems(resource, resourceItems);
  EXPECT_EQ(resourceItems.size(), 12u);
  for (const auto& [id, item] : resourceItems) {
    ASSERT_TRUE(items.count(id)) << id;
    EXPECT_EQ(items[id]->title(), item->title()) << id;
  }
  DestroyMenu(resource);
}

TEST_F(ShellTest, MenuBarHasTheUsualMenusAndAccelerators) {
  MakeShell();
  Start();
  std::vector<std::string> titles;
  for (int i = 0; i < shell->menuBar->itemCount(); ++i)
    titles.push_back(shell->menuBar->itemAt(i)->title());
  EXPECT_EQ(titles, (std::vector<std::string>{"File", "Edit", "View", "Tools", "Help"}));
  std::map<int, MenuItem*> items;
  CollectItems(shell->menuBar, items);
  for (auto [id, key] :
       {std::pair{40051, U'z'}, {40052, U'Z'}, {40007, U'q'}, {40026, U'o'}, {40027, U's'}}) {
    EXPECT_EQ(items[id]->keyEquivalent(), key) << id;  // an upper-case letter asks for Shift
    EXPECT_EQ(items[id]->keyEquivalentModifiers(), vq::platform::kCommandFlag) << id;
  }
}

// Edit > MIDI Learn and MIDI Unlearn arm the editor's switches one at a time, a second choice
// disarms; each menu shown ticks what is armed, also after learning ended by itself.
TEST_F(ShellTest, MidiLearnItemsArmTheSwitchesAndAreTickedWhileArmed) {
  MakeShell();
  Start();
  std::map<int, MenuItem*> items;
  CollectItems(shell->menuBar, items);
  ASSERT_TRUE(items.count(kCmdMidiLearn) && items.count(kCmdMidiUnlearn));
  auto ticks = [&] {
    vq::platform::updateMenuTree(*shell->menuBar);
    return std::pair{items[kCmdMidiLearn]->isChecked(), items[kCmdMidiUnlearn]->isChecked()};
  };
  const struct {
    int id;
    bool learn, unlearn;
  } steps[] = {{kCmdMidiLearn, true, false},
               {kCmdMidiUnlearn, false, true},
               {kCmdMidiUnlearn, false, false},
               {kCmdMidiLearn, true, false}};
  for (const auto& s : steps) {
    EXPECT_TRUE(items[s.id]->perform());
    EXPECT_EQ(editor->MidiLearnArmed(), s.learn) << s.id;
    EXPECT_EQ(editor->MidiUnlearnArmed(), s.unlearn) << s.id;
    EXPECT_EQ(ticks(), std::pair(s.learn, s.unlearn)) << s.id;
  }
  // A controller already turned: the knob touched completes the learn.
  editor->Learn().SetLastCC(20);
  editor->SetParameterFromGUI2(3 + 11, 64);
  EXPECT_EQ(editor->Learn().CC()[11], 20);
  EXPECT_EQ(ticks(), std::pair(false, false));
}

TEST_F(ShellTest, AboutShowsTheBoxOnlyWhenTheEditorDoesNot) {
  MakeShell();
  Start();
  for (bool editorShowsIt : {true, false}) {
    editor->commandAnswer = editorShowsIt;
    editor->commands.clear();
    backend->alerts.clear();
    SendMessage(shell->mainWindow, WM_COMMAND, 40005, 0);
    EXPECT_EQ(editor->commands, std::vector<int>{0});
    ASSERT_EQ(backend->alerts.size(), editorShowsIt ? 0u : 1u);
    for (const auto& alert : backend->alerts) EXPECT_EQ(alert.title, "VQEditor4");
  }
}

TEST_F(ShellTest, QuitDestroysTheWindowBeforeTerminating) {
  MakeShell();
  Start();
  shell->HandleAppMessage(WEMU_APPMSG_MENU_COMMAND, 0, 0);  // id 0: nothing
  EXPECT_TRUE(editor->commands.empty());
  shell->HandleAppMessage(WEMU_APPMSG_MENU_COMMAND, 40007, 0);
  EXPECT_EQ(shell->mainWindow, nullptr);
  EXPECT_TRUE(backend->app.isTerminated());
  shell->HandleAppMessage(WEMU_APPMSG_MENU_COMMAND, 40025, 0);  // no window: nothing
  EXPECT_TRUE(editor->commands.empty());
  shell->HandleAppMessage(WEMU_APPMSG_WILL_TERMINATE, 0, 0);
  EXPECT_EQ(shell->Plug(), nullptr);
  EXPECT_EQ(Setting("gui", "manager"), "false");  // the editor saved its state
}

// A settings change the disk refuses is told where a failed save is: in the status line, and
// in a box once the editor is free. One action's rewrites that fail while that box waits or is
// up add no other box; a failure after it closed is told again.
TEST_F(ShellTest, ASettingsChangeTheDiskRefusesIsToldInTheStatusLineAndABox) {
  MakeShell();
  Start();
  std::filesystem::remove(Folder() + "settings.ini");
  std::filesystem::create_directory(Folder() + "settings.ini");
  auto* status =
      dynamic_cast<EditorTextControl*>(dynamic_cast<EditorPages*>(editor->Pages())->StatusText());
  ASSERT_NE(status, nullptr);
  auto* gui = dynamic_cast<vqtest::TestGraphics*>(GetGraphicsOf(editor));
  ASSERT_NE(gui, nullptr);
  int change = 0;
  const auto failedRewrite = [&] {  // as the GUI size's change does, one rewrite each
    shell->settingsFile.Write("gui", "guiscale", std::to_string(++change).c_str());
    WEMU_WaitForIniWrites();
  };
  const struct {
    const char* name;
    int whileWaiting, whileUp;
  } rows[] = {{"one rewrite", 1, 0}, {"three while it waits", 3, 0}, {"one while it is up", 1, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    gui->messageBoxes.clear();
    editor->SetStatusText("");
    for (int i = 0; i < row.whileWaiting; ++i) failedRewrite();
    gui->whileBoxShown = [&](const auto&) {
      for (int i = 0; i < row.whileUp && gui->messageBoxes.size() == 1; ++i) failedRewrite();
    };
    editor->OnTick();
    gui->whileBoxShown = nullptr;
    editor->OnTick();
    EXPECT_EQ(status->Text(), "Cannot write the settings!");
    ASSERT_EQ(gui->messageBoxes.size(), 1u);
    EXPECT_EQ(gui->messageBoxes[0].caption, "Error");
    EXPECT_EQ(gui->messageBoxes[0].text,
              "The settings cannot be written: Is a directory.\nThe change is not kept.");
    EXPECT_TRUE(gui->messageBoxes[0].plugFree);
  }
}

}  // namespace
