#include "wemu/api_table.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>

#include "wemu/app_controller.h"
#include "wemu/clipboard.h"
#include "wemu/control_functions.h"
#include "wemu/dialog_generation.h"
#include "wemu/drag_source.h"
#include "wemu/hosted_views.h"
#include "wemu/list_view.h"
#include "wemu/shell_open.h"
#include "wemu/tree_tab_functions.h"
#include "wemu/view_gl.h"
#include "wemu/window_appearance.h"
#include "wemu/window_search.h"
#include "wemu/cursors.h"
#include "wemu/gdi_blit.h"
#include "wemu/gdi_font.h"
#include "wemu/gdi_objects.h"
#include "wemu/gdi_paint.h"
#include "wemu/gdi_shapes.h"
#include "wemu/gdi_text.h"
#include "wemu/ini_file.h"
#include "wemu/kernel_objects.h"
#include "wemu/keys.h"
#include "wemu/mem_context.h"
#include "wemu/menus.h"
#include "wemu/message_box.h"
#include "wemu/message_queue.h"
#include "wemu/modules.h"
#include "wemu/utilities.h"
#include "wemu/window_handle.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_focus.h"
#include "wemu/window_functions.h"
#include "wemu/window_geometry.h"
#include "wemu/window_messages.h"
#include "wemu/window_paint.h"
#include "wemu/window_properties.h"
#include "wemu/window_timers.h"
#include "wemu/window_tree.h"

namespace {

struct ApiEntry {
  const char* name;
  void* function;
};

#define WEMU_API(fn)                    \
  ApiEntry {                            \
#fn, reinterpret_cast < void*>(&fn) \
  }

// Sorted by name on first use.
ApiEntry gTable[] = {
    // List views and list boxes
    WEMU_API(ListView_InsertColumn),
    WEMU_API(ListView_SetColumn),
    WEMU_API(ListView_GetColumnWidth),
    WEMU_API(ListView_SetColumnWidth),
    WEMU_API(ListView_DeleteColumn),
    WEMU_API(ListView_InsertItem),
    WEMU_API(ListView_DeleteItem),
    WEMU_API(ListView_DeleteAllItems),
    WEMU_API(ListView_SetItemCount),
    WEMU_API(ListView_GetItemCount),
    WEMU_API(ListView_GetItem),
    WEMU_API(ListView_GetItemText),
    WEMU_API(ListView_SetItem),
    WEMU_API(ListView_SetItemText),
    WEMU_API(ListView_SetItemState),
    WEMU_API(ListView_GetItemState),
    WEMU_API(ListView_GetNextItem),
    WEMU_API(ListView_GetSelectedCount),
    WEMU_API(ListView_GetSelectionMark),
    WEMU_API(ListView_RedrawItems),
    WEMU_API(ListView_SetExtendedListViewStyleEx),
    WEMU_API(WEMU_SetListViewFastClickMask),
    WEMU_API(ListView_SetImageList),
    WEMU_API(WEMU_GetListViewHeaderHeight),
    WEMU_API(ListView_GetColumnOrderArray),
    WEMU_API(ListView_SetColumnOrderArray),
    WEMU_API(ListView_GetHeader),
    WEMU_API(Header_GetItemCount),
    WEMU_API(Header_GetItem),
    WEMU_API(Header_SetItem),
    WEMU_API(ListView_HitTest),
    WEMU_API(ListView_SubItemHitTest),
    WEMU_API(ListView_EnsureVisible),
    WEMU_API(ListView_GetItemRect),
    WEMU_API(ListView_GetSubItemRect),
    WEMU_API(ListView_GetTopIndex),
    WEMU_API(ListView_GetCountPerPage),
    WEMU_API(ListView_Scroll),
    WEMU_API(ListView_SortItems),
    WEMU_API(ListView_SetBkColor),
    WEMU_API(ListView_SetTextColor),
    WEMU_API(ListView_SetGridColor),
    WEMU_API(ListView_SetSelColors),
    WEMU_API(ListView_SetTextBkColor),
    WEMU_API(WEMU_ListView_GetScrollPos),
    // Clipboard, shell, metrics, window search and appearance, OpenGL, drags, hosted views
    WEMU_API(OpenClipboard),
    WEMU_API(RegisterClipboardFormat),
    WEMU_API(EnumClipboardFormats),
    WEMU_API(GetClipboardData),
    WEMU_API(SetClipboardData),
    WEMU_API(EmptyClipboard),
    WEMU_API(CloseClipboard),
    WEMU_API(ShellExecute),
    WEMU_API(GetSystemMetrics),
    WEMU_API(ScrollWindow),
    WEMU_API(FindWindowEx),
    WEMU_API(EnumChildWindows),
    WEMU_API(WEMU_GetWindowWantRaiseAmt),
    WEMU_API(WEMU_SetWindowWantRaiseAmt),
    WEMU_API(WEMU_SetWindowLevel),
    WEMU_API(SetOpaque),
    WEMU_API(WEMU_SetWindowRepre),
    WEMU_API(WEMU_DrawFocusRect),
    WEMU_API(WEMU_MakeWindowTransparent),
    WEMU_API(WEMU_SetWindowShadow),
    WEMU_API(WEMU_SetPresentationMode),
    WEMU_API(WEMU_HandMouseEventToView),
    WEMU_API(WEMU_SetViewGL),
    WEMU_API(WEMU_GetViewGL),
    WEMU_API(WEMU_SetGLContextToView),
    WEMU_API(WEMU_InitiateDragDrop),
    WEMU_API(WEMU_InitiateDragDropOfFileList),
    WEMU_API(WEMU_FinishDragDrop),
    WEMU_API(WEMU_CreatePluginView),
    WEMU_API(WEMU_CreateHostedWindowView),
    WEMU_API(WEMU_GetHostedWindow),
    // Tabs and trees
    WEMU_API(TabCtrl_GetItemCount),
    WEMU_API(TabCtrl_InsertItem),
    WEMU_API(TabCtrl_DeleteItem),
    WEMU_API(TabCtrl_SetCurSel),
    WEMU_API(TabCtrl_GetCurSel),
    WEMU_API(TabCtrl_AdjustRect),
    WEMU_API(TreeView_SetIndent),
    WEMU_API(TreeView_InsertItem),
    WEMU_API(TreeView_DeleteItem),
    WEMU_API(TreeView_DeleteAllItems),
    WEMU_API(TreeView_Expand),
    WEMU_API(TreeView_GetSelection),
    WEMU_API(TreeView_SelectItem),
    WEMU_API(TreeView_GetItem),
    WEMU_API(TreeView_SetItem),
    WEMU_API(TreeView_HitTest),
    WEMU_API(TreeView_GetRoot),
    WEMU_API(TreeView_GetChild),
    WEMU_API(TreeView_GetNextSibling),
    WEMU_API(TreeView_SetBkColor),
    WEMU_API(TreeView_SetTextColor),
    // Kernel objects
    WEMU_API(CloseHandle),
    WEMU_API(CreateEvent),
    WEMU_API(CreateEventAsSocket),
    WEMU_API(SetEvent),
    WEMU_API(ResetEvent),
    WEMU_API(CreateThread),
    WEMU_API(SetThreadPriority),
    WEMU_API(GetCurrentThreadId),
    WEMU_API(GetExitCodeThread),
    WEMU_API(WaitForSingleObject),
    WEMU_API(WaitForAnySocketObject),
    WEMU_API(WEMU_CreateFileHandle),
    WEMU_API(SetFilePointer),
    WEMU_API(GetFileSize),
    WEMU_API(ReadFile),
    WEMU_API(WriteFile),
    WEMU_API(WEMU_CreateProcess),
    // Utilities
    WEMU_API(WEMU_CStringToCFString),
    WEMU_API(WEMU_CFStringToCString),
    WEMU_API(Sleep),
    WEMU_API(GetTickCount),
    WEMU_API(WEMU_PtInRect),
    WEMU_API(WinSetRect),
    WEMU_API(WinOffsetRect),
    WEMU_API(WinIntersectRect),
    WEMU_API(WinUnionRect),
    WEMU_API(lstrcpyn),
    WEMU_API(MulDiv),
    WEMU_API(_controlfp),
    WEMU_API(GlobalAlloc),
    WEMU_API(GlobalLock),
    WEMU_API(GlobalUnlock),
    WEMU_API(GlobalSize),
    WEMU_API(GlobalFree),
    WEMU_API(GetTempPath),
    WEMU_API(GetModuleFileName),
    WEMU_API(WEMU_GetOSXVersion),
    WEMU_API(WEMU_EnsureMultithreadedCocoa),
    WEMU_API(WEMU_InitAutoRelease),
    WEMU_API(WEMU_QuitAutoRelease),
    WEMU_API(WEMU_DisableAppNap),
    WEMU_API(GetFileTime),
    WEMU_API(WEMU_GenerateGUID),
    WEMU_API(WEMU_GetBundle),
    WEMU_API(LoadLibrary),
    WEMU_API(LoadLibraryGlobals),
    WEMU_API(GetProcAddress),
    WEMU_API(FreeLibrary),
    // INI files
    WEMU_API(GetPrivateProfileString),
    WEMU_API(GetPrivateProfileInt),
    WEMU_API(WritePrivateProfileString),
    WEMU_API(GetPrivateProfileSection),
    WEMU_API(WritePrivateProfileSection),
    WEMU_API(GetPrivateProfileStruct),
    WEMU_API(WritePrivateProfileStruct),
    // Drawing contexts
    WEMU_API(WEMU_CreateMemContext),
    WEMU_API(WEMU_GetCtxFrameBuffer),
    WEMU_API(WEMU_DeleteGfxContext),
    WEMU_API(WEMU_CreateGfxContext),
    WEMU_API(WEMU_AllocContextRecord),
    WEMU_API(WEMU_GetCtxGC),
    WEMU_API(GetDC),
    WEMU_API(GetWindowDC),
    WEMU_API(ReleaseDC),
    WEMU_API(WEMU_IsRetinaDC),
    WEMU_API(WEMU_IsRetinaHWND),
    // GDI objects, fonts and text
    WEMU_API(CreateFont),
    WEMU_API(CreateFontIndirect),
    WEMU_API(CreatePen),
    WEMU_API(CreatePenAlpha),
    WEMU_API(CreateSolidBrush),
    WEMU_API(CreateSolidBrushAlpha),
    WEMU_API(GetStockObject),
    WEMU_API(SelectObject),
    WEMU_API(DeleteObject),
    WEMU_API(WEMU_CloneGDIObject),
    WEMU_API(SetTextColor),
    WEMU_API(GetTextColor),
    WEMU_API(SetBkColor),
    WEMU_API(SetBkMode),
    WEMU_API(GetTextMetrics),
    WEMU_API(GetTextFace),
    WEMU_API(WEMU_DrawText),
    WEMU_API(WEMU_FillRect),
    WEMU_API(WEMU_FillDialogBackground),
    WEMU_API(WEMU_PushClipRegion),
    WEMU_API(WEMU_PopClipRegion),
    WEMU_API(WEMU_SetClipRegion),
    WEMU_API(GetNSImageFromHICON),
    WEMU_API(MoveToEx),
    WEMU_API(LineTo),
    WEMU_API(PolyPolyline),
    WEMU_API(PolyBezierTo),
    WEMU_API(WEMU_Polygon),
    WEMU_API(RoundRect),
    WEMU_API(Rectangle),
    WEMU_API(Ellipse),
    WEMU_API(SetPixel),
    WEMU_API(GetSysColor),
    WEMU_API(CreateBitmap),
    WEMU_API(CreateIconIndirect),
    WEMU_API(LoadNamedImage),
    WEMU_API(DrawImageInRect),
    WEMU_API(BitBlt),
    WEMU_API(StretchBlt),
    WEMU_API(GetObject),
    WEMU_API(ImageList_CreateEx),
    WEMU_API(ImageList_ReplaceIcon),
    WEMU_API(ImageList_Remove),
    WEMU_API(ImageList_Destroy),
    // Keys and cursors
    WEMU_API(WEMU_MacKeyToWindowsKey),
    WEMU_API(WEMU_MacKeyToWindowsKeyEx),
    WEMU_API(WEMU_KeyToASCII),
    WEMU_API(GetAsyncKeyState),
    WEMU_API(WEMU_EnableRightClickEmulate),
    WEMU_API(WEMU_IsRightClickEmulateEnabled),
    WEMU_API(WEMU_LoadCursor),
    WEMU_API(WEMU_LoadCursorFromFile),
    WEMU_API(WEMU_SetCursor),
    WEMU_API(WEMU_GetCursor),
    WEMU_API(WEMU_GetLastSetCursor),
    WEMU_API(GetCursorPos),
    WEMU_API(GetMessagePos),
    WEMU_API(WEMU_EventPositionInView),
    WEMU_API(WEMU_ShowCursor),
    WEMU_API(WEMU_IsCursorVisible),
    WEMU_API(WEMU_SetCursorPos),
    // Application, posted messages and timers
    WEMU_API(PostMessage),
    WEMU_API(WEMU_MessageQueue_Clear),
    WEMU_API(WEMU_MessageQueue_Flush),
    WEMU_API(SetTimer),
    WEMU_API(KillTimer),
    WEMU_API(WEMU_PostQuitMessage),
    WEMU_API(WEMU_SetAppMessageHandler),
    // Windows (the services layer's share)
    WEMU_API(SendMessage),
    WEMU_API(SetFocus),
    WEMU_API(WEMU_GetDefaultButtonID),
    WEMU_API(WEMU_BroadcastMessage),
    WEMU_API(ScreenToClient),
    WEMU_API(WEMU_SetDefaultModalWindowMenu),
    WEMU_API(WEMU_GetDefaultModalWindowMenu),
    // Buttons, combo boxes and trackbars
    WEMU_API(CheckDlgButton),
    WEMU_API(IsDlgButtonChecked),
    WEMU_API(WEMU_CB_AddString),
    WEMU_API(WEMU_CB_InsertString),
    WEMU_API(WEMU_CB_DeleteString),
    WEMU_API(WEMU_CB_GetNumItems),
    WEMU_API(WEMU_CB_GetCurSel),
    WEMU_API(WEMU_CB_GetItemText),
    WEMU_API(WEMU_CB_Empty),
    WEMU_API(WEMU_CB_SetCurSel),
    WEMU_API(WEMU_CB_GetItemData),
    WEMU_API(WEMU_CB_SetItemData),
    WEMU_API(WEMU_CB_FindString),
    WEMU_API(WEMU_TB_GetPos),
    WEMU_API(WEMU_TB_SetPos),
    WEMU_API(WEMU_TB_SetRange),
    WEMU_API(WEMU_TB_SetTic),
    // Dialog generation and control creation
    WEMU_API(WEMU_MakeSetCurParms),
    WEMU_API(WEMU_GenerateDialogFromList),
    WEMU_API(WEMU_MakeButton),
    WEMU_API(WEMU_MakeEditField),
    WEMU_API(WEMU_MakeLabel),
    WEMU_API(WEMU_MakeCheckBox),
    WEMU_API(WEMU_MakeListBox),
    WEMU_API(WEMU_MakeControl),
    WEMU_API(WEMU_MakeGroupBox),
    WEMU_API(WEMU_MakeCombo),
    WEMU_API(SetAllowNoMiddleManRendering),
    WEMU_API(WEMU_GetDesiredControlSize),
    WEMU_API(WEMU_IsGroupBox),
    WEMU_API(WEMU_IsButton),
    WEMU_API(WEMU_IsStaticText),
    WEMU_API(WEMU_HideApp),
    WEMU_API(IsViewInSubtree),
    WEMU_API(GetEffectiveView),
    WEMU_API(IsSameFocusTarget),
    // Windows and dialogs
    WEMU_API(WEMU_CreateDialog),
    WEMU_API(WEMU_DialogBox),
    WEMU_API(EndDialog),
    WEMU_API(CenterWindow),
    WEMU_API(GetFocus),
    WEMU_API(WEMU_GetDefaultWindowMenu),
    WEMU_API(WEMU_SetDefaultWindowMenu),
    WEMU_API(GetDlgItem),
    WEMU_API(GetWindowLong),
    WEMU_API(SetWindowLong),
    WEMU_API(IsWindowVisible),
    WEMU_API(GetDlgItemText),
    WEMU_API(SetDlgItemText),
    WEMU_API(SetDlgItemInt),
    WEMU_API(GetDlgItemInt),
    WEMU_API(ShowWindow),
    WEMU_API(DestroyWindow),
    WEMU_API(IsWindow),
    WEMU_API(GetWindowRect),
    WEMU_API(GetWindowContentViewRect),
    WEMU_API(GetClientRect),
    WEMU_API(ClientToScreen),
    WEMU_API(WEMU_GetViewPort),
    WEMU_API(SetWindowPos),
    WEMU_API(WindowFromPoint),
    WEMU_API(SetForegroundWindow),
    WEMU_API(GetForegroundWindow),
    WEMU_API(EnableWindow),
    WEMU_API(GetCapture),
    WEMU_API(SetCapture),
    WEMU_API(ReleaseCapture),
    WEMU_API(GetParent),
    WEMU_API(IsChild),
    WEMU_API(GetWindow),
    WEMU_API(EnumWindows),
    WEMU_API(SetParent),
    WEMU_API(InvalidateRect),
    WEMU_API(UpdateWindow),
    WEMU_API(WEMU_FlushWindow),
    WEMU_API(BeginPaint),
    WEMU_API(EndPaint),
    WEMU_API(DefWindowProc),
    WEMU_API(WEMU_ModalWindowStart),
    WEMU_API(WEMU_ModalWindowRun),
    WEMU_API(WEMU_ModalWindowEnd),
    WEMU_API(WEMU_CloseWindow),
    WEMU_API(WEMU_GetGestureInfo),
    WEMU_API(DragQueryFile),
    WEMU_API(DragQueryPoint),
    WEMU_API(DragFinish),
    WEMU_API(GetProp),
    WEMU_API(SetProp),
    WEMU_API(RemoveProp),
    WEMU_API(EnumPropsEx),
    // Menus and message boxes
    WEMU_API(CreatePopupMenu),
    WEMU_API(CreatePopupMenuEx),
    WEMU_API(DestroyMenu),
    WEMU_API(WEMU_LoadMenu),
    WEMU_API(WEMU_GenerateMenuFromList),
    WEMU_API(WEMU_DuplicateMenu),
    WEMU_API(WEMU_GetCurrentMenu),
    WEMU_API(WEMU_SetCurrentMenu),
    WEMU_API(SetMenu),
    WEMU_API(GetMenu),
    WEMU_API(DrawMenuBar),
    WEMU_API(GetSubMenu),
    WEMU_API(GetMenuItemCount),
    WEMU_API(GetMenuItemID),
    WEMU_API(InsertMenuItem),
    WEMU_API(WEMU_InsertMenu),
    WEMU_API(WEMU_Menu_AddMenuItem),
    WEMU_API(AddMenuItem),
    WEMU_API(GetMenuItemInfo),
    WEMU_API(SetMenuItemInfo),
    WEMU_API(DeleteMenu),
    WEMU_API(SetMenuItemText),
    WEMU_API(EnableMenuItem),
    WEMU_API(CheckMenuItem),
    WEMU_API(SetMenuItemModifier),
    WEMU_API(WEMU_SetMenuDestination),
    WEMU_API(TrackPopupMenu),
    WEMU_API(MessageBox),
    WEMU_API(BrowseForSaveFile),
    WEMU_API(BrowseForFiles),
    WEMU_API(BrowseForDirectory),
};

#undef WEMU_API

std::once_flag gSorted;

void sortTable() {
  std::call_once(gSorted, [] {
    std::sort(std::begin(gTable), std::end(gTable),
              [](const ApiEntry& a, const ApiEntry& b) { return std::strcmp(a.name, b.name) < 0; });
  });
}

}  // namespace

void* WEMU_APILookup(const char* name) {
  if (!name) return nullptr;
  sortTable();
  auto it =
      std::lower_bound(std::begin(gTable), std::end(gTable), name,
                       [](const ApiEntry& e, const char* n) { return std::strcmp(e.name, n) < 0; });
  return it != std::end(gTable) && std::strcmp(it->name, name) == 0 ? it->function : nullptr;
}

int WEMU_APITableSize() {
  return static_cast<int>(std::size(gTable));
}

const char* WEMU_APITableName(int i) {
  sortTable();
  return i >= 0 && i < WEMU_APITableSize() ? gTable[i].name : nullptr;
}
