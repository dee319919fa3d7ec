// Menus: the title rule, finding items by position and command, states, generation from
// lists, destinations, the menu bar, pop-up tracking, and the message-box table.
#include "wemu_fixture.h"
#include "wemu/gdi_objects.h"
#include "wemu/menus.h"
#include "wemu/message_box.h"

namespace {

using vq::platform::Menu;
using vq::platform::MenuItem;

class MenusTest : public WemuTest {
 protected:
  void TearDown() override {
    for (HMENU m : owned) DestroyMenu(m);
    owned.clear();
    WemuTest::TearDown();
  }
  HMENU make() {
    HMENU m = CreatePopupMenu();
    owned.push_back(m);
    return m;
  }
  std::vector<HMENU> owned;
};

TEST_F(MenusTest, TitleRule) {
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"&File", "File"}, {"Save\tCtrl+S", "Save"}, {"Fish && Chips", "Fish & Chips"},
      {"&&&x", "&x"},    {"end&", "end"},          {"", ""},
      {"a&\tb", "a"},
  };
  for (const Row& r : rows) EXPECT_EQ(WEMU_MenuTitleFromText(r.in), r.out) << r.in;
  EXPECT_EQ(WEMU_MenuTitleFromText(nullptr), "");
  std::string longText(2000, 'x');
  EXPECT_EQ(WEMU_MenuTitleFromText(longText.c_str()).size(), 1023u);
}

TEST_F(MenusTest, CreateAndInsert) {
  HMENU m = CreatePopupMenuEx("&Edit");
  owned.push_back(m);
  EXPECT_EQ(m->title(), "Edit");
  EXPECT_FALSE(m->autoenablesItems());
  EXPECT_TRUE(WEMU_InsertMenu(m, -1, MF_BYPOSITION, 10, "&Undo\tCmd+Z"));
  EXPECT_TRUE(WEMU_InsertMenu(m, -1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr));
  EXPECT_TRUE(WEMU_InsertMenu(m, 0, MF_BYPOSITION | MF_GRAYED | MF_CHECKED, 11, "Redo"));
  ASSERT_EQ(GetMenuItemCount(m), 3);
  EXPECT_EQ(m->itemAt(0)->title(), "Redo");
  EXPECT_FALSE(m->itemAt(0)->isEnabled());
  EXPECT_TRUE(m->itemAt(0)->isChecked());
  EXPECT_EQ(m->itemAt(1)->title(), "Undo");
  EXPECT_TRUE(m->itemAt(2)->isSeparator());
  EXPECT_EQ(GetMenuItemID(m, 1), 10u);
  EXPECT_EQ(GetMenuItemID(m, 2), 0u) << "a separator";
  EXPECT_EQ(GetMenuItemID(m, 7), 0u);
  EXPECT_EQ(GetMenuItemCount(nullptr), 0);
}

TEST_F(MenusTest, BitmapItemsShowTheIconsImage) {
  HMENU m = make();
  uint32_t pixels[4] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu};
  HBITMAP colour = CreateBitmap(2, 2, 1, 32, pixels);
  ASSERT_NE(colour, nullptr);
  ICONINFO ii{TRUE, 0, 0, nullptr, colour};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(
      WEMU_InsertMenu(m, -1, MF_BYPOSITION | MF_BITMAP, 20, reinterpret_cast<const char*>(icon)));
  int notAnIcon = 0;
  EXPECT_TRUE(WEMU_InsertMenu(m, -1, MF_BYPOSITION | MF_BITMAP, 21,
                              reinterpret_cast<const char*>(&notAnIcon)));
  EXPECT_TRUE(WEMU_InsertMenu(m, -1, MF_BYPOSITION | MF_BITMAP, 22, nullptr));
  ASSERT_EQ(GetMenuItemCount(m), 3);
  ASSERT_NE(m->itemAt(0)->image(), nullptr);
  EXPECT_EQ(m->itemAt(0)->image()->width, 2);
  EXPECT_EQ(m->itemAt(0)->title(), "");
  EXPECT_EQ(GetMenuItemID(m, 0), 20u);
  DeleteObject(icon);
  DeleteObject(colour);
  EXPECT_EQ(m->itemAt(0)->image()->height, 2) << "the item keeps its own copy";
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ(m->itemAt(i)->image(), nullptr);
    EXPECT_EQ(m->itemAt(i)->title(), "(no image)");
  }
}

TEST_F(MenusTest, InsertByCommandBeforeThatItemOrAtTheEnd) {
  HMENU m = make();
  WEMU_Menu_AddMenuItem(m, "A", 1, 0);
  WEMU_Menu_AddMenuItem(m, "B", 2, 0);
  WEMU_InsertMenu(m, 2, 0, 3, "before B");
  WEMU_InsertMenu(m, 99, 0, 4, "unknown id appends");
  ASSERT_EQ(GetMenuItemCount(m), 4);
  EXPECT_EQ(m->itemAt(1)->tag(), 3);
  EXPECT_EQ(m->itemAt(3)->tag(), 4);
}

TEST_F(MenusTest, PopUpItemsAndSubmenus) {
  HMENU bar = make();
  HMENU file = CreatePopupMenu();
  WEMU_Menu_AddMenuItem(file, "Open", 100, 0);
  HMENU recent = CreatePopupMenu();
  WEMU_Menu_AddMenuItem(recent, "a.pr4", 200, 0);
  WEMU_InsertMenu(file, -1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(recent),
                  "&Recent");
  WEMU_InsertMenu(bar, -1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  EXPECT_EQ(GetMenuItemID(bar, 0), 0xFFFFFFFFu) << "a pop-up item";
  EXPECT_EQ(GetSubMenu(bar, 0), file);
  EXPECT_EQ(file->title(), "File");
  EXPECT_EQ(GetSubMenu(bar, -1), nullptr);
  EXPECT_EQ(GetSubMenu(bar, 1), nullptr);
  // Found by command through two levels.
  EXPECT_TRUE(CheckMenuItem(bar, 200, MF_CHECKED));
  EXPECT_TRUE(recent->itemAt(0)->isChecked());
  EXPECT_TRUE(EnableMenuItem(bar, 200, MF_GRAYED));
  EXPECT_FALSE(recent->itemAt(0)->isEnabled());
  EXPECT_TRUE(EnableMenuItem(bar, 200, 0));
  EXPECT_TRUE(recent->itemAt(0)->isEnabled());
  EXPECT_TRUE(SetMenuItemText(bar, 0, MF_BYPOSITION, "Fi&les"));
  EXPECT_EQ(bar->itemAt(0)->title(), "Files");
  EXPECT_EQ(file->title(), "Files") << "the submenu follows the item";
  EXPECT_TRUE(DeleteMenu(bar, 200, 0));
  EXPECT_EQ(GetMenuItemCount(recent), 0);
  EXPECT_FALSE(DeleteMenu(bar, 200, 0));
  EXPECT_FALSE(CheckMenuItem(bar, 12345, MF_CHECKED));
  EXPECT_FALSE(EnableMenuItem(nullptr, 1, 0));
}

TEST_F(MenusTest, DeletingAPopUpItemDetachesItsSubmenu) {
  HMENU bar = make();
  HMENU sub = CreatePopupMenu();
  sub->retain();  // keep our own reference to watch it
  WEMU_InsertMenu(bar, -1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
  EXPECT_EQ(sub->retainCount(), 2);
  EXPECT_TRUE(DeleteMenu(bar, 0, MF_BYPOSITION));
  EXPECT_EQ(sub->retainCount(), 1);
  sub->release();
}

TEST_F(MenusTest, ItemInfoRoundTrip) {
  HMENU m = make();
  char text[] = "&Item";
  MENUITEMINFO in{};
  in.cbSize = 72;
  in.fMask = MIIM_ID | MIIM_STATE | MIIM_TYPE | MIIM_DATA;
  in.wID = 42;
  in.fState = MFS_CHECKED | MFS_DISABLED;
  in.dwItemData = 0xABCDEF;
  in.dwTypeData = text;
  ASSERT_TRUE(InsertMenuItem(m, 0, TRUE, &in));
  char buf[3];
  MENUITEMINFO out{};
  out.fMask = MIIM_ID | MIIM_STATE | MIIM_TYPE | MIIM_DATA | MIIM_SUBMENU;
  out.dwTypeData = buf;
  out.cch = sizeof(buf);
  ASSERT_TRUE(GetMenuItemInfo(m, 42, FALSE, &out));
  EXPECT_EQ(out.wID, 42u);
  EXPECT_EQ(out.fState, UINT{MFS_CHECKED | 3});
  EXPECT_EQ(out.fType, UINT{MFT_STRING});
  EXPECT_STREQ(buf, "It") << "cut to the buffer";
  EXPECT_EQ(out.dwItemData, 0xABCDEFu);
  EXPECT_EQ(out.hSubMenu, nullptr);
  MENUITEMINFO change{};
  change.fMask = MIIM_STATE | MIIM_ID;
  change.fState = 0;
  change.wID = 43;
  ASSERT_TRUE(SetMenuItemInfo(m, 0, TRUE, &change));
  EXPECT_TRUE(m->itemAt(0)->isEnabled());
  EXPECT_FALSE(m->itemAt(0)->isChecked());
  EXPECT_EQ(m->itemAt(0)->tag(), 43);
  EXPECT_FALSE(GetMenuItemInfo(m, 5, TRUE, &out));
  EXPECT_FALSE(SetMenuItemInfo(m, 42, FALSE, &change)) << "42 is gone";
  MENUITEMINFO sep{};
  sep.fMask = MIIM_TYPE;
  sep.fType = MFT_SEPARATOR;
  InsertMenuItem(m, 1, TRUE, &sep);
  MENUITEMINFO t{};
  t.fMask = MIIM_TYPE;
  GetMenuItemInfo(m, 1, TRUE, &t);
  EXPECT_EQ(t.fType, UINT{MFT_SEPARATOR});
  MENUITEMINFO data{};
  data.fMask = MIIM_DATA;
  data.dwItemData = 99;
  GetMenuItemInfo(m, 1, TRUE, &data);
  EXPECT_EQ(data.dwItemData, 0u) << "no item data reads 0";
}

TEST_F(MenusTest, ReplacingASubmenuGivesTheOldOneBack) {
  HMENU m = make();
  HMENU first = CreatePopupMenu();
  WEMU_InsertMenu(m, -1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(first), "X");
  HMENU second = CreatePopupMenu();
  MENUITEMINFO info{};
  info.fMask = MIIM_SUBMENU;
  info.hSubMenu = second;
  ASSERT_TRUE(SetMenuItemInfo(m, 0, TRUE, &info));
  EXPECT_EQ(GetSubMenu(m, 0), second);
  EXPECT_EQ(second->title(), "X");
  EXPECT_EQ(first->retainCount(), 1) << "the caller owns the old submenu now";
  DestroyMenu(first);
}

TEST_F(MenusTest, GenerateFromListWithNesting) {
  const MenuListEntry rows[] = {
      {"/.BO^O:&File", 0, 0},
      {"&Open", 1, 0},
      {"Save", 2, 1},
      {"EN%%%^:", 0, 0},
  };
  HMENU m = make();
  EXPECT_EQ(WEMU_GenerateMenuFromList(m, rows, 4), 4);
  ASSERT_EQ(GetMenuItemCount(m), 1);
  HMENU file = GetSubMenu(m, 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(m->itemAt(0)->title(), "File");
  EXPECT_EQ(file->title(), "File");
  ASSERT_EQ(GetMenuItemCount(file), 2);
  EXPECT_EQ(file->itemAt(0)->title(), "Open");
  EXPECT_TRUE(file->itemAt(0)->isEnabled());
  EXPECT_FALSE(file->itemAt(1)->isEnabled()) << "non-zero flags disable";
}

TEST_F(MenusTest, GenerateFromListSeparatorsAndDeepNesting) {
  const MenuListEntry rows[] = {
      {"A", 1, 0},    {nullptr, 0, 0},   {"/.BO^O:Outer", 0, 0}, {"/.BO^O:Inner", 0, 0},
      {"deep", 5, 0}, {"EN%%%^:", 0, 0}, {"EN%%%^:", 0, 0},      {"B", 2, 0},
  };
  HMENU m = make();
  EXPECT_EQ(WEMU_GenerateMenuFromList(m, rows, 8), 8);
  ASSERT_EQ(GetMenuItemCount(m), 4);
  EXPECT_TRUE(m->itemAt(1)->isSeparator());
  HMENU inner = GetSubMenu(GetSubMenu(m, 2), 0);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->itemAt(0)->tag(), 5);
  EXPECT_EQ(m->itemAt(3)->tag(), 2);
  EXPECT_TRUE(DeleteMenu(m, 5, 0)) << "found inside a submenu of a submenu";
  EXPECT_EQ(GetMenuItemCount(inner), 0);
  EXPECT_EQ(WEMU_GenerateMenuFromList(m, rows, 0), 1);
}

TEST_F(MenusTest, GenerateFromListNeverReadsPastTheCount) {
  // Open rows whose closing rows lie beyond the count; each prefix is copied to its own heap
  // block so AddressSanitizer sees any read past it.
  const MenuListEntry all[] = {
      {"/.BO^O:One", 0, 0}, {"/.BO^O:Two", 0, 0}, {"x", 1, 0}, {"EN%%%^:", 0, 0}, {"EN%%%^:", 0, 0},
  };
  for (int count = 1; count <= 5; ++count) {
    std::vector<MenuListEntry> rows(all, all + count);
    HMENU m = make();
    int used = WEMU_GenerateMenuFromList(m, rows.data(), count);
    EXPECT_LE(used, count) << count;
    EXPECT_EQ(GetMenuItemCount(m), 1) << count;
  }
}

TEST_F(MenusTest, LoadMenuFromResources) {
  static const MenuListEntry kRows[] = {{"One", 1, 0}, {"Two", 2, 0}};
  static WEMU_MenuResourceIndex other{40005, nullptr, nullptr};
  static WEMU_MenuResourceIndex res{40004, [](HMENU m) { WEMU_GenerateMenuFromList(m, kRows, 2); },
                                    &other};
  HMENU m = WEMU_LoadMenu(&res, 40004);
  ASSERT_NE(m, nullptr);
  owned.push_back(m);
  EXPECT_EQ(GetMenuItemCount(m), 2);
  EXPECT_EQ(WEMU_LoadMenu(&res, 1), nullptr);
  HMENU dup = WEMU_DuplicateMenu(m);
  owned.push_back(dup);
  EXPECT_NE(dup, m);
  EXPECT_EQ(dup->itemAt(1)->title(), "Two");
  EXPECT_EQ(WEMU_DuplicateMenu(nullptr), nullptr);
}

TEST_F(MenusTest, DestinationSendsCommandsToTheWindow) {
  RecordingWindow w;
  const MenuListEntry rows[] = {
      {"/.BO^O:Sub", 0, 0}, {"Deep", 7, 0}, {"EN%%%^:", 0, 0}, {"Top", 3, 0}};
  HMENU m = make();
  WEMU_GenerateMenuFromList(m, rows, 4);
  WEMU_SetMenuDestination(m, &w);
  EXPECT_EQ(m->delegate(), &w);
  EXPECT_TRUE(GetSubMenu(m, 0)->itemAt(0)->perform());
  EXPECT_TRUE(m->itemAt(1)->perform());
  EXPECT_EQ(w.messages(), (std::vector<RecordedMessage>{{WM_COMMAND, 7, 0}, {WM_COMMAND, 3, 0}}));
  // Items added later borrow the target of their siblings.
  WEMU_Menu_AddMenuItem(m, "Later", 9, 0);
  EXPECT_TRUE(m->itemAt(2)->perform());
  EXPECT_EQ(w.messages().back(), (RecordedMessage{WM_COMMAND, 9, 0}));
  WEMU_SetMenuDestination(m, nullptr);
  EXPECT_FALSE(m->itemAt(1)->perform());
}

TEST_F(MenusTest, AWindowGoingAwayStopsBeingTheMenusReceiver) {
  HMENU bar = make();
  WEMU_Menu_AddMenuItem(bar, "Quit", 5, 0);
  backend->app.setMainMenu(bar);
  {
    RecordingWindow w;
    WEMU_SetMenuDestination(bar, &w);
    EXPECT_EQ(bar->itemAt(0)->target(), static_cast<vq::platform::MenuTarget*>(&w));
  }
  EXPECT_EQ(bar->itemAt(0)->target(), nullptr);
  EXPECT_EQ(bar->delegate(), nullptr);
  EXPECT_FALSE(bar->itemAt(0)->perform()) << "choosing the item reaches no dead window";
  backend->app.setMainMenu(nullptr);
}

TEST_F(MenusTest, AddMenuItemKeepsTheTextAsGiven) {
  EXPECT_EQ(AddMenuItem(nullptr, 0, "x", 1), -1);
  HMENU m = make();
  EXPECT_EQ(AddMenuItem(m, 5, "A&B\tC", 1), 0);
  EXPECT_EQ(m->itemAt(0)->title(), "A&B\tC");
}

TEST_F(MenusTest, KeyEquivalents) {
  using namespace vq::platform;
  struct Row {
    UINT code;
    UINT accel;
    char32_t key;
    uint32_t mods;
  };
  const Row rows[] = {
      {'S', WEMU_ACCEL_COMMAND | WEMU_ACCEL_VIRTKEY, U's', kCommandFlag},
      {'S', WEMU_ACCEL_COMMAND | WEMU_ACCEL_SHIFT | WEMU_ACCEL_VIRTKEY, U'S', kCommandFlag},
      {'5', WEMU_ACCEL_OPTION, U'5', kOptionFlag},
      {'/', WEMU_ACCEL_COMMAND, U'/', kCommandFlag},
      {'/', WEMU_ACCEL_VIRTKEY, 0, 0},
      {116, WEMU_ACCEL_VIRTKEY, 63240, 0},  // F5
      {8, WEMU_ACCEL_VIRTKEY, 8, 0},
      {33, WEMU_ACCEL_VIRTKEY, 63276, 0},
      {46, WEMU_ACCEL_VIRTKEY | WEMU_ACCEL_SHIFT, 127, kShiftFlag},
      {109, WEMU_ACCEL_CONTROL, U'-', kControlFlag},
      {200, WEMU_ACCEL_COMMAND, 0, 0},
  };
  HMENU m = make();
  WEMU_Menu_AddMenuItem(m, "Item", 1, 0);
  for (const Row& r : rows) {
    ASSERT_TRUE(SetMenuItemModifier(m, 1, 0, r.code, r.accel));
    EXPECT_EQ(m->itemAt(0)->keyEquivalent(), r.key) << r.code;
    EXPECT_EQ(m->itemAt(0)->keyEquivalentModifiers(), r.mods) << r.code;
  }
  EXPECT_FALSE(SetMenuItemModifier(m, 2, 0, 'A', 0));
}

TEST_F(MenusTest, SetMenuOnTheKeyWindowChangesTheMenuBar) {
  vq::platform::Window window;
  RecordingWindow content;
  window.setContentView(&content);
  HMENU bar = make();
  EXPECT_TRUE(SetMenu(&content, bar));
  EXPECT_EQ(GetMenu(&content), bar);
  EXPECT_EQ(WEMU_GetCurrentMenu(), nullptr) << "not the key window: the bar stays";
  window.makeKeyAndOrderFront();
  HMENU other = make();
  EXPECT_TRUE(SetMenu(&content, other));
  EXPECT_EQ(WEMU_GetCurrentMenu(), other);
  EXPECT_EQ(content.messagesOf(WM_INITMENUPOPUP).size(), 1u);
  WEMU_WindowObjectHandle handle(window);
  EXPECT_EQ(GetMenu(&handle), other) << "a window stands for its content view";
  WEMU_Internal_SetQuitting(true);
  EXPECT_FALSE(SetMenu(&content, bar));
  WEMU_SetCurrentMenu(bar);
  EXPECT_EQ(WEMU_GetCurrentMenu(), other);
  WEMU_Internal_SetQuitting(false);
  content.wemuSetMenu(nullptr);
  window.setContentView(nullptr);
}

TEST_F(MenusTest, TrackPopupMenuReturnsOrSendsTheChoice) {
  vq::platform::Window window;
  window.setFrame({100, 100, 400, 300});
  RecordingWindow content;
  window.setContentView(&content);
  HMENU m = make();
  WEMU_Menu_AddMenuItem(m, "One", 1, 0);
  WEMU_Menu_AddMenuItem(m, "Two", 2, 0);

  backend->menuAnswers.push_back(vq::platform::chooseTag(2));
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 150, 200, 0, &content, nullptr), 2);
  ASSERT_EQ(backend->menusShown.size(), 1u);
  EXPECT_EQ(backend->menusShown[0].location.x, 50);
  EXPECT_EQ(backend->menusShown[0].location.y, 96);
  EXPECT_EQ(content.messagesOf(WM_INITMENUPOPUP).size(), 2u)
      << "once before showing and once as the menu opens";
  EXPECT_TRUE(content.messagesOf(WM_COMMAND).empty());

  backend->menuAnswers.push_back(vq::platform::chooseTag(1));
  EXPECT_EQ(TrackPopupMenu(m, 0, 150, 200, 0, &content, nullptr), 1);
  EXPECT_EQ(content.messagesOf(WM_COMMAND), (std::vector<RecordedMessage>{{WM_COMMAND, 1, 0}}));

  content.clearLog();
  backend->menuAnswers.push_back(vq::platform::chooseTag(1));
  EXPECT_EQ(TrackPopupMenu(m, TPM_NONOTIFY | TPM_RETURNCMD, 0, 0, 0, &content, nullptr), 1);
  EXPECT_TRUE(content.messagesOf(WM_INITMENUPOPUP).empty());

  EXPECT_EQ(TrackPopupMenu(m, 0, 0, 0, 0, &content, nullptr), 0) << "dismissed";
  EXPECT_EQ(m->itemAt(0)->target(), nullptr) << "the destination is cleared afterwards";
  EXPECT_EQ(TrackPopupMenu(nullptr, 0, 0, 0, 0, &content, nullptr), 0);
  EXPECT_EQ(TrackPopupMenu(m, 0, 0, 0, 0, nullptr, nullptr), 0) << "no window at all";
  window.setContentView(nullptr);
}

// ---- Message boxes ----------------------------------------------------------------------

TEST_F(MenusTest, MessageBoxButtonTable) {
  struct Row {
    UINT type;
    std::vector<std::string> buttons;
    std::vector<int> results;
    int dismissed;  // Escape or the close box: Cancel, else No, else OK
  };
  const Row rows[] = {
      {0, {"OK"}, {1}, 1},
      {1, {"OK", "Cancel"}, {1, 2}, 2},
      {3, {"Yes", "Cancel", "No"}, {6, 2, 7}, 2},
      {4, {"Yes", "No"}, {6, 7}, 7},
      {5, {"Retry", "Cancel"}, {4, 2}, 2},
  };
  for (const Row& r : rows) {
    for (size_t b = 0; b < r.buttons.size(); ++b) {
      backend->alerts.clear();
      backend->alertAnswers.push_back({static_cast<int>(b), 0});
      EXPECT_EQ(MessageBox(nullptr, "text", "Caption", r.type), r.results[b]) << r.type << "/" << b;
      ASSERT_EQ(backend->alerts.size(), 1u);
      EXPECT_EQ(backend->alerts[0].buttons, r.buttons);
      EXPECT_EQ(backend->alerts[0].title, "Caption");
    }
    for (int answer : {-1, static_cast<int>(r.buttons.size())}) {
      backend->alertAnswers.push_back({answer, 0});
      EXPECT_EQ(MessageBox(nullptr, "text", "Caption", r.type), r.dismissed)
          << r.type << " dismissed";
    }
  }
}

TEST_F(MenusTest, MessageBoxOtherTypesShowNothing) {
  for (UINT type : {2u, 6u, 0x10u, 0x14u, 0x30u}) {
    EXPECT_EQ(MessageBox(nullptr, "x", "y", type), 0) << type;
  }
  EXPECT_TRUE(backend->alerts.empty());
}

TEST_F(MenusTest, MessageBoxTextIsShownAsItIs) {
  MessageBox(nullptr, "100% done %s %n", nullptr, 0);
  ASSERT_EQ(backend->alerts.size(), 1u);
  EXPECT_EQ(backend->alerts[0].message, "100% done %s %n");
  EXPECT_EQ(backend->alerts[0].title, "");
  MessageBox(nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(backend->alerts[1].message, "");
}

TEST_F(MenusTest, FileDialogsUseThePanelsAndTheModalMenu) {
  HMENU modal = make();
  WEMU_Menu_AddMenuItem(modal, "Modal", 1, 0);
  WEMU_SetDefaultModalWindowMenu(modal);
  HMENU before = make();
  backend->app.setMainMenu(before);
  static const char kFilter[] = "Programs\0*.pr4;*.pr3\0All\0*.prg\0";
  std::string seenMenu;
  backend->panelAnswers.push_back({std::vector<std::string>{"/a/b.pr4"}, 0});
  char path[9];
  EXPECT_TRUE(BrowseForSaveFile(nullptr, "Save", "/a", "b.pr4", kFilter, path, sizeof(path)));
  EXPECT_STREQ(path, "/a/b.pr4");
  ASSERT_EQ(backend->panels.size(), 1u);
  EXPECT_EQ(backend->panels[0].allowedTypes, (std::vector<std::string>{"pr4", "pr3", "prg"}));
  EXPECT_EQ(backend->panels[0].fileName, "b.pr4");
  EXPECT_EQ(WEMU_GetCurrentMenu(), before) << "the main menu comes back";
  std::vector<std::string> files;
  EXPECT_FALSE(BrowseForFiles(nullptr, "Open", nullptr, true, nullptr, &files)) << "cancelled";
  backend->panelAnswers.push_back({std::vector<std::string>{"/x", "/y"}, 0});
  EXPECT_TRUE(BrowseForFiles(nullptr, "Open", nullptr, true, "All\0*.*\0", &files));
  EXPECT_EQ(files.size(), 2u);
  EXPECT_TRUE(backend->panels.back().allowedTypes.empty());
  backend->panelAnswers.push_back({std::vector<std::string>{"/dir"}, 0});
  char dir[64];
  EXPECT_TRUE(BrowseForDirectory(nullptr, "Pick", "/", dir, sizeof(dir)));
  EXPECT_STREQ(dir, "/dir");
  // A path longer than the buffer is refused, never cut into the name of another file.
  backend->panelAnswers.push_back({std::vector<std::string>{"/a/b.pr4"}, 0});
  char small[8] = "keep";
  EXPECT_FALSE(BrowseForSaveFile(nullptr, "Save", "/a", "b.pr4", kFilter, small, sizeof(small)));
  EXPECT_STREQ(small, "keep");
  backend->panelAnswers.push_back({std::vector<std::string>{"/longer/dir"}, 0});
  EXPECT_FALSE(BrowseForDirectory(nullptr, "Pick", "/", small, sizeof(small)));
  EXPECT_STREQ(small, "keep");
  EXPECT_EQ(backend->panels.back().kind, vq::platform::PanelRequest::Kind::Folder);
  backend->app.setMainMenu(nullptr);
}

}  // namespace
