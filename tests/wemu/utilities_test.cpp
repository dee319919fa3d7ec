// Utilities and the API table.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>

#include "wemu/api_table.h"
#include "wemu/control_functions.h"
#include "wemu/dialog_generation.h"
#include "wemu/window_functions.h"
#include "wemu/window_messages.h"
#include "wemu/modules.h"
#include "wemu/utilities.h"

namespace {

TEST(Utilities, PtInRectIsHalfOpenAndOrderFree) {
  RECT r{10, 20, 30, 40};
  EXPECT_TRUE(WEMU_PtInRect(&r, {10, 20}));
  EXPECT_FALSE(WEMU_PtInRect(&r, {30, 40}));
  EXPECT_FALSE(WEMU_PtInRect(&r, {29, 40}));
  EXPECT_TRUE(WEMU_PtInRect(&r, {29, 39}));
  RECT upside{10, 40, 30, 20};
  EXPECT_TRUE(WEMU_PtInRect(&upside, {15, 25}));
  EXPECT_FALSE(WEMU_PtInRect(nullptr, {0, 0}));
}

TEST(Utilities, RectangleArithmetic) {
  RECT a{0, 0, 10, 10}, b{5, 5, 20, 20}, out{};
  EXPECT_TRUE(WinIntersectRect(&out, &a, &b));
  EXPECT_EQ(out.left, 5);
  EXPECT_EQ(out.right, 10);
  RECT far{50, 50, 60, 60};
  EXPECT_FALSE(WinIntersectRect(&out, &a, &far));
  EXPECT_EQ(out.right, 0) << "empty result";
  RECT empty{5, 5, 5, 9};
  EXPECT_FALSE(WinIntersectRect(&out, &a, &empty));
  EXPECT_TRUE(WinUnionRect(&out, &a, &far));
  EXPECT_EQ(out.right, 60);
  EXPECT_EQ(out.top, 0);
  EXPECT_TRUE(WinUnionRect(&out, &empty, &a));
  EXPECT_EQ(out.right, 10);
  WinOffsetRect(&out, 2, 3);
  EXPECT_EQ(out.left, 2);
  EXPECT_EQ(out.bottom, 13);
  WinSetRect(&out, 1, 2, 3, 4);
  EXPECT_EQ(out.bottom, 4);
}

TEST(Utilities, StringConversions) {
  WEMU_String s = WEMU_CStringToCFString("a long string");
  char buf[4];
  EXPECT_FALSE(WEMU_CFStringToCString(&s, buf, 4));
  EXPECT_STREQ(buf, "a l");
  char big[32];
  EXPECT_TRUE(WEMU_CFStringToCString(&s, big, sizeof(big)));
  EXPECT_STREQ(big, "a long string");
  EXPECT_FALSE(WEMU_CFStringToCString(nullptr, big, sizeof(big)));
  EXPECT_STREQ(big, "") << "the buffer starts empty";
  WEMU_String accents = WEMU_CStringToCFString("\xC3\xA9\xC3\xA9");  // two e-acute
  char cut[4];
  WEMU_CFStringToCString(&accents, cut, 4);
  EXPECT_STREQ(cut, "\xC3\xA9") << "never half a character";
  EXPECT_EQ(WEMU_CStringToCFString("caf\xE9"), "caf?") << "not UTF-8: the ASCII form";
  EXPECT_EQ(WEMU_CStringToCFString(nullptr), "");
}

TEST(Utilities, TickCountIsMonotonic) {
  DWORD a = GetTickCount();
  Sleep(2);
  DWORD b = GetTickCount();
  EXPECT_GE(static_cast<DWORD>(b - a), 2u);
  Sleep(0);
  // It counts the monotonic clock (which setting the time of day never moves), not the
  // time of day.
  auto steady = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  DWORD c = GetTickCount();
  EXPECT_LE(static_cast<DWORD>(c - static_cast<DWORD>(steady.count())), 50u);
}

TEST(Utilities, GlobalMemory) {
  HANDLE h = GlobalAlloc(0, -5);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 0u);
  GlobalFree(h);
  h = GlobalAlloc(0, 100);
  EXPECT_EQ(GlobalSize(h), 100u);
  char* p = static_cast<char*>(GlobalLock(h));
  EXPECT_EQ(static_cast<void*>(p), h);
  std::memset(p, 1, 100);
  EXPECT_FALSE(GlobalUnlock(h));
  GlobalFree(h);
  EXPECT_EQ(GlobalSize(nullptr), 0u);
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
}

TEST(Utilities, TempPath) {
  const char* saved = std::getenv("TMPDIR");
  std::string keep = saved ? saved : "";
  char buf[64];
  setenv("TMPDIR", "/var/tmpx", 1);
  EXPECT_EQ(GetTempPath(sizeof(buf), buf), 10u);
  EXPECT_STREQ(buf, "/var/tmpx/");
  char small[6];
  GetTempPath(sizeof(small), small);
  EXPECT_STREQ(small, "/var/") << "full: the slash takes the last place";
  char one[1] = {'x'};
  EXPECT_EQ(GetTempPath(1, one), 0u);
  EXPECT_EQ(one[0], 0);
  setenv("TMPDIR", "", 1);
  GetTempPath(sizeof(buf), buf);
  EXPECT_STREQ(buf, "/tmp/");
  if (saved)
    setenv("TMPDIR", keep.c_str(), 1);
  else
    unsetenv("TMPDIR");
}

TEST(Utilities, SmallFunctions) {
  char buf[4] = "xyz";
  lstrcpyn(buf, "abcdef", 0);
  EXPECT_STREQ(buf, "xyz");
  lstrcpyn(buf, "abcdef", 4);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(MulDiv(10, 3, 4), 7);
  EXPECT_EQ(MulDiv(-10, 3, 4), -7);
  EXPECT_EQ(MulDiv(1, 2, 0), 0);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, 1), INT_MAX);
  EXPECT_EQ(_controlfp(1, 2), 0u);
  EXPECT_EQ(WEMU_GetOSXVersion(), 0x10B0);
  unsigned char g1[16], g2[16];
  WEMU_GenerateGUID(g1);
  WEMU_GenerateGUID(g2);
  EXPECT_NE(std::memcmp(g1, g2, 16), 0);
  EXPECT_EQ(g1[6] >> 4, 4);
  char path[4096];
  EXPECT_GT(GetModuleFileName(nullptr, path, sizeof(path)), 0u);
  EXPECT_NE(std::strstr(path, "wemu_tests"), nullptr);
}

TEST(Utilities, FileTimesCountFrom1601) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  FILETIME w{};
  ASSERT_TRUE(GetFileTime(fileno(f), nullptr, nullptr, &w));
  uint64_t t = (static_cast<uint64_t>(w.dwHighDateTime) << 32) | w.dwLowDateTime;
  uint64_t seconds = t / 10000000ull - 11644473600ull;
  EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(time(nullptr)), 5);
  std::fclose(f);
  EXPECT_FALSE(GetFileTime(-1, &w, &w, &w));
}

TEST(ApiTable, LookupByName) {
  EXPECT_EQ(WEMU_APILookup("GetTickCount"), reinterpret_cast<void*>(&GetTickCount));
  EXPECT_EQ(WEMU_APILookup("WritePrivateProfileString") != nullptr, true);
  EXPECT_EQ(WEMU_APILookup("gettickcount"), nullptr) << "case-sensitive";
  EXPECT_EQ(WEMU_APILookup("NoSuchFunction"), nullptr);
  EXPECT_EQ(WEMU_APILookup(nullptr), nullptr) << "no name gives null";
  EXPECT_EQ(WEMU_APILookup(""), nullptr);
}

TEST(ApiTable, EveryEntryIsFoundAndNamesAreUnique) {
  std::set<std::string> names;
  for (int i = 0; i < WEMU_APITableSize(); ++i) {
    const char* name = WEMU_APITableName(i);
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(names.insert(name).second) << name;
    EXPECT_NE(WEMU_APILookup(name), nullptr) << name;
    if (i > 0) {
      EXPECT_LT(std::strcmp(WEMU_APITableName(i - 1), name), 0);
    }
  }
  EXPECT_EQ(WEMU_APITableName(-1), nullptr);
}

// Every function of the emulated interface that this layer provides is found by name, so a
// loaded module can reach it.
TEST(ApiTable, ListsTheFunctionsOfTheServicesLayer) {
  const char* const names[] = {
      // Kernel objects and utilities
      "CloseHandle",
      "CreateEvent",
      "CreateEventAsSocket",
      "SetEvent",
      "ResetEvent",
      "CreateThread",
      "SetThreadPriority",
      "GetCurrentThreadId",
      "WaitForSingleObject",
      "WaitForAnySocketObject",
      "WEMU_CreateProcess",
      "WEMU_CStringToCFString",
      "WEMU_CFStringToCString",
      "Sleep",
      "GetTickCount",
      "WEMU_PtInRect",
      "GlobalAlloc",
      "GlobalLock",
      "GlobalUnlock",
      "GlobalSize",
      "GlobalFree",
      "GetModuleFileName",
      "GetTempPath",
      "WEMU_GetOSXVersion",
      "WEMU_EnsureMultithreadedCocoa",
      "WEMU_InitAutoRelease",
      "WEMU_QuitAutoRelease",
      "lstrcpyn",
      "MulDiv",
      "_controlfp",
      "WinOffsetRect",
      "WinSetRect",
      "WinIntersectRect",
      "WinUnionRect",
      "GetFileTime",
      "WEMU_GenerateGUID",
      "WEMU_GetBundle",
      "LoadLibrary",
      "LoadLibraryGlobals",
      "GetProcAddress",
      "FreeLibrary",
      "WEMU_DisableAppNap",
      // Keys and cursors
      "WEMU_MacKeyToWindowsKey",
      "WEMU_MacKeyToWindowsKeyEx",
      "WEMU_KeyToASCII",
      "GetAsyncKeyState",
      "WEMU_LoadCursor",
      "WEMU_LoadCursorFromFile",
      "WEMU_SetCursor",
      "WEMU_GetCursor",
      "WEMU_GetLastSetCursor",
      "GetCursorPos",
      "GetMessagePos",
      "WEMU_EventPositionInView",
      "WEMU_ShowCursor",
      "WEMU_IsCursorVisible",
      "WEMU_SetCursorPos",
      // Application, posted messages and timers
      "PostMessage",
      "WEMU_MessageQueue_Clear",
      "WEMU_MessageQueue_Flush",
      "SetTimer",
      "KillTimer",
      "WEMU_PostQuitMessage",
      "WEMU_EnableRightClickEmulate",
      "WEMU_IsRightClickEmulateEnabled",
      // Menus, message boxes and file dialogs
      "CreatePopupMenu",
      "CreatePopupMenuEx",
      "DestroyMenu",
      "WEMU_LoadMenu",
      "WEMU_GenerateMenuFromList",
      "WEMU_DuplicateMenu",
      "WEMU_GetCurrentMenu",
      "WEMU_SetCurrentMenu",
      "SetMenu",
      "GetMenu",
      "DrawMenuBar",
      "GetSubMenu",
      "GetMenuItemCount",
      "GetMenuItemID",
      "InsertMenuItem",
      "WEMU_InsertMenu",
      "WEMU_Menu_AddMenuItem",
      "AddMenuItem",
      "GetMenuItemInfo",
      "SetMenuItemInfo",
      "DeleteMenu",
      "SetMenuItemText",
      "EnableMenuItem",
      "CheckMenuItem",
      "SetMenuItemModifier",
      "WEMU_SetMenuDestination",
      "TrackPopupMenu",
      "MessageBox",
      "BrowseForSaveFile",
      "BrowseForFiles",
      "BrowseForDirectory",
      // The window functions the services layer holds
      "SendMessage",
      "SetFocus",
      "WEMU_GetDefaultButtonID",
      "WEMU_BroadcastMessage",
      "ScreenToClient",
      "WEMU_SetDefaultModalWindowMenu",
      "WEMU_GetDefaultModalWindowMenu",
  };
  for (const char* name : names) EXPECT_NE(WEMU_APILookup(name), nullptr) << name;
  EXPECT_EQ(WEMU_APILookup("WEMU_CStringToCFString"),
            reinterpret_cast<void*>(&WEMU_CStringToCFString));
}

// The control and dialog-building families resolve to the functions of their names, and the
// table holds the whole interface.
TEST(ApiTable, ControlAndDialogFamiliesResolveToTheirFunctions) {
#define ENTRY(fn) \
  { #fn, reinterpret_cast < void*>(&fn) }
  const std::pair<const char*, void*> entries[] = {
      ENTRY(CheckDlgButton),    ENTRY(IsDlgButtonChecked),
      ENTRY(WEMU_CB_AddString), ENTRY(WEMU_CB_FindString),
      ENTRY(WEMU_TB_SetRange),  ENTRY(WEMU_MakeSetCurParms),
      ENTRY(WEMU_MakeCombo),    ENTRY(WEMU_GenerateDialogFromList),
      ENTRY(WEMU_HideApp),      ENTRY(IsViewInSubtree),
      ENTRY(GetEffectiveView),
  };
#undef ENTRY
  for (const auto& [name, fn] : entries) EXPECT_EQ(WEMU_APILookup(name), fn) << name;
  EXPECT_EQ(WEMU_APITableSize(), 359);
}

TEST(Modules, UnknownModules) {
  EXPECT_EQ(LoadLibrary("/nonexistent/lib.so"), nullptr);
  EXPECT_EQ(LoadLibrary(nullptr), nullptr);
  int x;
  EXPECT_EQ(GetProcAddress(&x, "f"), nullptr);
  EXPECT_FALSE(FreeLibrary(&x));
  EXPECT_EQ(WEMU_ModulePath(&x), "");
}

TEST(Modules, LoadsASharedLibraryAndFindsItsSymbols) {
  HMODULE m = LoadLibrary("libz.so.1");
  if (!m) GTEST_SKIP() << "no zlib here";
  EXPECT_NE(GetProcAddress(m, "zlibVersion"), nullptr);
  EXPECT_EQ(GetProcAddress(m, "noSuchSymbol"), nullptr);
  HMODULE again = LoadLibrary("libz.so.1");
  EXPECT_EQ(again, m);
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_NE(GetProcAddress(m, "zlibVersion"), nullptr) << "one reference is left";
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_FALSE(FreeLibrary(m));
}

}  // namespace
