// IGraphicsLinux: the platform slots of IGraphics over the platform services.
#include "graphics/igraphics_linux.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/menu.h"
#include "platform/platform.h"
#include "platform/settings_folder.h"
#include "platform/view.h"
#include "plugin/iparam.h"
#include "plugin/ipopup_menu.h"
#include "rast/rast_png.h"
#include "wemu/utilities.h"

namespace vp = vq::platform;

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/";
}

// A folder from the desktop's user-dirs file ("XDG_DESKTOP_DIR" and the like), else
// fallback under the home folder.
std::string UserDir(const char* key, const char* fallback) {
  std::ifstream in(UserConfigFolder() + "/user-dirs.dirs");
  std::string line;
  const std::string prefix = std::string(key) + "=\"";
  while (std::getline(in, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0 || line.back() != '"') continue;
    std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
    if (value.compare(0, 5, "$HOME") == 0) value = HomeFolder() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return HomeFolder() + "/" + fallback;
}

std::string ExpandHome(const std::string& path) {
  if (path == "~" || path.compare(0, 2, "~/") == 0) return HomeFolder() + path.substr(1);
  return path;
}

std::string ExecutablePath() {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  return n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
}

uint32_t ToARGB(const IColor& c) {
  auto byte = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return byte(c.A) << 24 | byte(c.R) << 16 | byte(c.G) << 8 | byte(c.B);
}

IMouseMod ModFor(const vp::PointerEvent& e, bool rightButton) {
  IMouseMod m;
  // The mouse has a right button: no key turns a click into a right click. The Control key
  // (reported as the Command flag) plays the Command key's part: it toggles selections.
  m.L = !rightButton;
  m.R = rightButton;
  m.S = (e.modifiers & vp::kShiftFlag) != 0;
  m.C = (e.modifiers & (vp::kCommandFlag | vp::kControlFlag)) != 0;
  m.A = (e.modifiers & vp::kOptionFlag) != 0;
  return m;
}

// Receives the item chosen in a pop-up menu built from an IPopupMenu.
struct MenuChoice : vp::MenuTarget {
  IPopupMenu* menu = nullptr;
  int index = -1;
  std::vector<std::pair<IPopupMenu*, int>> actions;  // action - 1 -> (menu, item index)
  void performMenuAction(int action, vp::MenuItem&) override {
    if (action < 1 || action > static_cast<int>(actions.size())) return;
    menu = actions[static_cast<size_t>(action - 1)].first;
    index = actions[static_cast<size_t>(action - 1)].second;
  }
};

vp::Menu* BuildMenu(IPopupMenu* source, MenuChoice& choice, int depth) {
  vp::Menu* menu = vp::Menu::create("");
  menu->setAutoenablesItems(false);
  for (int i = 0; i < source->GetNItems(); ++i) {
    const IPopupMenuItem* item = source->GetItem(i);
    if (item->GetIsSeparator()) {
      vp::MenuItem* sep = vp::MenuItem::separator();
      menu->addItem(sep);
      sep->release();
      continue;
    }
    char prefix[16] = "";
    if (source->GetPrefix() != IPopupMenu::kPrefixNone)
      std::snprintf(prefix, sizeof prefix, source->GetPrefixFormat(), i + 1);
    std::string title = std::string(item->GetIndented() ? "    " : "") + prefix + item->GetText();
    vp::MenuItem* out = vp::MenuItem::create(title);
    if (item->GetSubmenu() && depth < 16) {
      vp::Menu* sub = BuildMenu(item->GetSubmenu(), choice, depth + 1);
      out->setSubmenu(sub);
      sub->release();
    } else {
      choice.actions.emplace_back(source, i);
      out->setTarget(&choice);
      out->setAction(static_cast<int>(choice.actions.size()));
      out->setChecked(item->GetChecked());
      out->setEnabled(item->GetEnabled());
    }
    menu->addItem(out);
    out->release();
  }
  return menu;
}

}  // namespace

IGraphicsLinux::IGraphicsLinux(IModuleBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps) {}

IGraphicsLinux::~IGraphicsLinux() {
  CloseWindow();
  FinishDecodingImages();
}

std::string IGraphicsLinux::ResourceImagePath(const std::string& folder, const char* name) {
  if (!name || !*name || name[0] == '/') return {};
  const size_t len = std::strlen(name);
  const char* dot = std::strrchr(name, '.');
  if (!dot || len - static_cast<size_t>(dot - name) != 4) return {};
  std::string ext(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != "png") return {};
  std::string relative;
  size_t start = 0;
  while (start <= len) {
    size_t end = start;
    while (end < len && name[end] != '/') ++end;
    const std::string part(name + start, end - start);
    if (part == "..") return {};
    if (!part.empty() && part != ".") {
      if (!relative.empty()) relative += '/';
      relative += part;
    }
    start = end + 1;
  }
  if (relative.empty()) return {};
  std::string base = folder.empty() ? "./" : folder;
  if (base.back() != '/') base += '/';
  return base + relative;
}

RAST_IBitmap* IGraphicsLinux::OSLoadBitmap(int id, const char* name) {
  const std::string path = OSBitmapFile(id, name);
  if (path.empty()) return nullptr;
  return RAST_LoadPNG(path.c_str(), nullptr);
}

std::string IGraphicsLinux::OSBitmapFile(int, const char* name) {
  return ResourceImagePath(WEMU_GetResourceFolder(), name);
}

void* IGraphicsLinux::OpenWindow(void* parentView) {
  // Opened again in the window it is in (the shell does so at start-up): the view stays.
  if (mView && parentView && mView->parentView() == static_cast<vp::View*>(parentView) && mTimer) {
    mView->focus();
    return mView.get();
  }
  CloseWindow();
  mView = vp::services().graphicsViews().createGraphicsView(static_cast<vp::View*>(parentView),
                                                            mWidth, mHeight, *this);
  if (!mView) return nullptr;
  mView->focus();  // keys reach the controls from the start
  UpdateTooltips();
  // A buffer never drawn into shows what the new view shows already (black): not copied.
  if (mBufferDrawn) PresentAll();
  // Common modes: the GUI keeps drawing while menus, panels and alerts run.
  vp::RunLoop& loop = vp::services().runLoop();
  mTimer = loop.addTimer(
      1.0 / mFPS, true, [this] { OnTimer(); }, true);
  // Most ticks find nothing to do: the loop may tell those apart without running OnTimer.
  loop.setQuietCheck(mTimer, [this] {
    if (!mView) return false;
    if (!mFrameWanted) return IsQuietTick();
    // A frame is wanted but the last one is still being shown: what changed meanwhile is
    // gathered when the frame is drawn, and the tick counts as one with something to draw.
    if (!mView->frameWaits()) return false;
    ResetIdleTicks();
    return true;
  });
  return mView.get();
}

void IGraphicsLinux::StopTimer() {
  if (mTimer) vp::services().runLoop().invalidateTimer(mTimer);
  mTimer = 0;
}

void IGraphicsLinux::CloseWindow() {
  StopTimer();
  mClosedView.reset();
  if (!mView) return;
  // Taken out first: closing ends an open text field, whose callbacks must find no view.
  std::unique_ptr<vp::GraphicsView> view = std::move(mView);
  view->setTooltipAreas({});
  view->close();
}

void IGraphicsLinux::viewDetached() {
  StopTimer();
  // Called from inside the view: it is kept (showing and sending nothing) until the next open
  // or close.
  mClosedView = std::move(mView);
}

void IGraphicsLinux::OnTimer() {
  if (!mView) return;
  // Drawing waits until the display can take a frame: a control changed several times in
  // between is drawn once. The area is kept, as asking a control may have reset what made it
  // dirty.
  IRECT r;
  if (IsDirty(&r)) {
    mFrameArea = mFrameArea.Union(r);
    mFrameWanted = true;
  }
  if (mFrameWanted) mView->requestFrame();
}

void IGraphicsLinux::frameDue() {
  if (!mView) return;
  // Controls draw right away, then the area is presented: nothing is cleaned that was not drawn.
  IRECT r = mFrameArea;
  const bool wanted = mFrameWanted;
  mFrameArea = IRECT();
  mFrameWanted = false;
  FinishDecodingImages();
  if (!DirtyArea(&r) && !wanted) return;
  // A whole redraw (the first frame, another page) decodes the images it shows side by side
  // first, rather than one after the other as it meets them.
  IControl* background = GetControl(0);
  const bool foundAhead = std::exchange(mShownImagesAhead, false);
  if (!foundAhead && background && background->IsDirty() && ImagesPending()) {
    DecodeImagesDrawnBy([this] {
      for (int i = 0; i < NControls(); ++i) {
        IControl* c = GetControl(i);
        if (i == 0 || !c->IsHidden()) c->Draw(this);
      }
    });
  }
  Draw(&r);
}

void IGraphicsLinux::DrawInputNow() {
  // GDK holds input back from a frame's request until it is painted: drawn at the next tick,
  // a change would often miss the frame it could have made.
  if (!mView || mView->frameWaits()) return;
  IRECT r;
  if (!DirtyArea(&r)) return;
  mFrameArea = mFrameArea.Union(r);
  mFrameWanted = true;
  mView->requestFrame();
}

void IGraphicsLinux::DrawNow() {
  if (!mView) return;
  mFrameWanted = true;
  frameDue();
}

void IGraphicsLinux::PresentAll() {
  IRECT all(0, 0, mWidth, mHeight);
  DrawScreen(&all);
}

bool IGraphicsLinux::DrawScreen(const IRECT* r) {
  mBufferDrawn = true;
  if (!mView || !mDrawBitmap || !mDrawBitmap->getBits()) return false;
  vp::PixelBufferRef buffer{mDrawBitmap->getBits(), mDrawBitmap->getWidth(),
                            mDrawBitmap->getHeight(), mDrawBitmap->getRowSpan()};
  vp::PixelRect damage{0, 0, buffer.width, buffer.height};
  if (r && !r->Empty()) damage = {r->L, r->T, r->R, r->B};
  mView->present(buffer, damage);
  return true;
}

void IGraphicsLinux::CreateDrawBitmaps() {
  IGraphics::CreateDrawBitmaps();
  // The view reads the back buffer when it repaints: it is pointed at the new one at once.
  if (mView && mDrawBitmap && mDrawBitmap->getBits())
    mView->present({mDrawBitmap->getBits(), mDrawBitmap->getWidth(), mDrawBitmap->getHeight(),
                    mDrawBitmap->getRowSpan()},
                   {});
}

void IGraphicsLinux::Resize(int w, int h) {
  // The view first: a window cannot become smaller than the view it holds.
  if (mView) mView->setSize(w, h);
  IGraphics::Resize(w, h);
  if (!mView) return;
  // The new buffer is blank: the next tick draws and presents all of it.
  SetAllControlsDirty();
}

void IGraphicsLinux::EndUserInput() {
  if (mView) mView->cancelTextField();
}

void IGraphicsLinux::pointerEvent(const vp::PointerEvent& e) {
  mPrevX = e.x;
  mPrevY = e.y;
  using A = vp::PointerAction;
  const bool right =
      e.button == vp::PointerButton::Right ||
      (e.action == A::Drag && !(e.buttons & vp::kLeftButton) && (e.buttons & vp::kRightButton));
  IMouseMod mod = ModFor(e, right);
  switch (e.action) {
    case A::Down:
      if (e.button == vp::PointerButton::Left && e.clickCount >= 2)
        OnMouseDblClick(e.x, e.y, &mod);
      else if (e.button == vp::PointerButton::Left || right)
        OnMouseDown(e.x, e.y, &mod);
      break;
    case A::Up:
      if (e.button == vp::PointerButton::Left || right) OnMouseUp(e.x, e.y, &mod);
      break;
    case A::Drag:
      if (mView && mView->hasTextField() && !mView->textField()->secure) break;
      OnMouseDrag(e.x, e.y, &mod);
      DrawInputNow();
      break;
    case A::Move:
      // No button is down, so any capture is left over from a press whose release went to a
      // modal loop.
      if (mMouseCapture >= 0 && !(e.buttons & (vp::kLeftButton | vp::kRightButton)))
        ReleaseMouseCapture();
      OnMouseOver(e.x, e.y, &mod);
      break;
    case A::Exit:
      OnMouseOut();
      break;
    case A::Wheel:
      EndUserInput();
      OnMouseWheel(e.x, e.y, &mod, static_cast<int>(e.wheelDelta));
      break;
  }
}

int IGraphicsLinux::KeyNumber(uint16_t keyCode, const std::u32string& characters) {
  if (characters.size() != 1) return -1;
  switch (keyCode) {
    case vp::kKeySpace:
      return 0;
    case vp::kKeyUpArrow:
      return 1;
    case vp::kKeyDownArrow:
      return 2;
    case vp::kKeyLeftArrow:
      return 3;
    case vp::kKeyRightArrow:
      return 4;
    default:
      break;
  }
  const char32_t c = characters[0];
  if (c >= U'0' && c <= U'9') return 5 + static_cast<int>(c - U'0');
  if (c >= U'A' && c <= U'Z') return 15 + static_cast<int>(c - U'A');
  if (c >= U'a' && c <= U'z') return 15 + static_cast<int>(c - U'a');
  return -1;
}

bool IGraphicsLinux::keyEvent(const vp::Event& e) {
  if (e.type != vp::EventType::KeyDown) return false;
  const int key = KeyNumber(e.keyCode, e.charactersIgnoringModifiers);
  return key >= 0 && OnKeyDown(mPrevX, mPrevY, key);
}

std::string IGraphicsLinux::tooltipText(int x, int y) {
  const int i = mMouseOver >= 0 ? mMouseOver : TopmostHit(x, y, true);
  IControl* c = GetControl(i);
  return c && c->GetTooltip() ? c->GetTooltip() : "";
}

void IGraphicsLinux::modalLoopWillRun() {
  ReleaseMouseCapture();
}

void IGraphicsLinux::UpdateTooltips() {
  if (!mView || !mEnableTooltips) return;
  std::vector<vp::PixelRect> areas;
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    const IRECT& t = c->GetTargetRECT();
    if (!c->IsHidden() && !t.Empty()) areas.push_back({t.L, t.T, t.R, t.B});
  }
  mView->setTooltipAreas(std::move(areas));
}

int IGraphicsLinux::ShowMessageBox(const char* text, const char* caption, int type) {
  vp::AlertRequest request;
  request.title = caption ? caption : "";
  request.message = text ? text : "";
  std::vector<int> answers;  // the last one is also what a box closed without a button answers
  switch (type) {
    case 4:
      request.buttons = {"Yes", "No"}, answers = {1, 7};
      break;
    case 3:
      request.buttons = {"Yes", "No", "Cancel"}, answers = {1, 7, 2};
      break;
    case 1:
      request.buttons = {"OK", "Cancel"}, answers = {1, 2};
      break;
    case kSaveDiscardCancel:
      request.buttons = {"Save", "Discard", "Cancel"}, answers = {1, 7, 2};
      break;
    default:
      request.buttons = {"OK"}, answers = {1};
      break;
  }
  vp::RunLoop& loop = vp::services().runLoop();
  if (!loop.isMainThread()) {
    // A thread cannot wait for the user here: the main thread may be waiting for it.
    if (answers.size() == 1) {
      vp::openWhenNoneUp([request] { vp::services().dialogs().runAlert(request); });
      return 1;
    }
    return answers.back();
  }
  ReleaseMouseCapture();
  const int pressed = vp::services().dialogs().runAlert(request);
  return pressed >= 0 && pressed < static_cast<int>(answers.size())
             ? answers[static_cast<size_t>(pressed)]
             : answers.back();
}

IPopupMenu* IGraphicsLinux::CreateIPopupMenu(IPopupMenu* menu, IRECT* area) {
  ReleaseMouseCapture();
  if (!mView || !menu || !area) return nullptr;
  MenuChoice choice;
  vp::Menu* shown = BuildMenu(menu, choice, 0);
  // The menu opens at the area's lower left corner.
  const vp::Point at = mView->locationInWindow(area->L, area->B);
  vp::services().menuTracking().popUpContextMenu(*shown, at, mView->parentView());
  shown->release();
  if (!choice.menu || choice.index < 0) return nullptr;
  choice.menu->SetChosenItemIdx(choice.index);
  return choice.menu;
}

void IGraphicsLinux::CreateTextEntry(IControl* control, IParam* param, IText* text, IRECT* area,
                                     const char* str) {
  if (!mView || !control || !area) return;
  vp::TextFieldRequest r;
  r.frame = {area->L, area->T, area->R, area->B};
  r.text = str ? str : "";
  IText style = text ? *text : IText();
  r.secure = style.mSecure == 1;
  if (param) {
    switch (param->Type()) {
      case IParam::kTypeBool:
      case IParam::kTypeInt:
      case IParam::kTypeEnum:
        r.allowed = U"0123456789-+";
        break;
      case IParam::kTypeDouble:
        r.allowed = U"0123456789.-+";
        break;
      default:
        break;
    }
    r.maxLength = std::max(control->GetTextEntryLength(), 0);
  }
  r.fontFamily = style.mFont;
  r.fontSize = static_cast<int>(style.mSize * 0.9);
  r.align = style.mAlign == IText::kAlignCenter ? vp::TextAlign::Center
            : style.mAlign == IText::kAlignFar  ? vp::TextAlign::Right
                                                : vp::TextAlign::Left;
  r.textColor = ToARGB(style.mTextEntryFGColor);
  r.backgroundColor = ToARGB(style.mTextEntryBGColor);
  r.onCommit = [this, control, param](const std::string& typed) {
    if (param)
      SetFromStringAfterPrompt(control, param, typed.c_str());
    else
      control->SetTextFromPlug(typed.c_str());
  };
  // The view gives the field the keyboard; focusing the view now would end it.
  mView->openTextField(std::move(r));
}

void IGraphicsLinux::PromptForFile(UTL_String* file, int action, UTL_String* dir,
                                   const char* extensions) {
  if (!file) return;
  if (!mView) {
    file->Set("");
    return;
  }
  vp::PanelRequest request;
  request.kind = action == 1 ? vp::PanelRequest::Kind::Save : vp::PanelRequest::Kind::Open;
  // The name field holds a name only: a path typed there would decide the folder.
  const std::string current = file->Get() ? file->Get() : "";
  request.fileName = vp::NameOfPath(current);
  std::string folder = dir && dir->Get() ? dir->Get() : "";
  if (folder.empty()) folder = vp::FolderOfPath(current);
  if (folder.empty()) {
    folder = HomeFolder();
    if (dir) dir->Set(folder.c_str());
  }
  request.directory = ExpandHome(folder);
  for (const char* p = extensions ? extensions : ""; *p;) {
    const char* end = std::strchr(p, ' ');
    const size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
    if (n) request.allowedTypes.emplace_back(p, n);
    p += n;
    while (*p == ' ') ++p;
  }
  file->Set("");
  ReleaseMouseCapture();
  const auto chosen = vp::services().dialogs().runPanel(request);
  if (!chosen || chosen->empty()) return;
  file->Set(chosen->front().c_str());
  if (dir) dir->Set(vp::FolderOfPath(chosen->front()).c_str());
}

bool IGraphicsLinux::OpenURL(const char* url) {
  if (!url || !*url) return false;
  return vp::services().workspace().open(url);
}

void IGraphicsLinux::HostPath(UTL_String* path) {
  if (path) path->Set(ExecutablePath().c_str());
}

void IGraphicsLinux::PluginPath(UTL_String* path) {
  if (path) path->Set(vp::FolderOfPath(ExecutablePath()).c_str());
}

void IGraphicsLinux::DesktopPath(UTL_String* path) {
  if (path) path->Set(UserDir("XDG_DESKTOP_DIR", "Desktop").c_str());
}

void IGraphicsLinux::UserDocumentsPath(UTL_String* path) {
  if (path) path->Set(UserDir("XDG_DOCUMENTS_DIR", "Documents").c_str());
}

void IGraphicsLinux::AppSupportPath(UTL_String* path, bool system) {
  if (path) path->Set(system ? "/etc/xdg" : UserConfigFolder().c_str());
}

void IGraphicsLinux::MusicPath(UTL_String* path) {
  if (path) path->Set(UserDir("XDG_MUSIC_DIR", "Music").c_str());
}

bool IGraphicsLinux::GetTextFromClipboard(UTL_String* text) {
  const auto s = vp::services().pasteboard().string();
  if (text) text->Set(s ? s->c_str() : "");
  return s.has_value();
}

void IGraphicsLinux::HideMouseCursor() {
  if (mCursorHidden) return;
  vp::CursorService& cursors = vp::services().cursors();
  cursors.setHidden(true);
  if (!cursors.isHidden()) return;
  mCursorHidden = true;
  const vp::Point p = cursors.mouseLocation();
  mSavedCursorX = p.x;
  mSavedCursorY = vp::services().screens().mainDisplayHeight() - p.y;
  // Held where it is, the pointer keeps a long drag going past the screen's edge.
  cursors.setMouseCoupled(false);
}

void IGraphicsLinux::ShowMouseCursor() {
  if (!mCursorHidden) return;
  vp::CursorService& cursors = vp::services().cursors();
  cursors.setMouseCoupled(true);
  cursors.warpMouse({mSavedCursorX, mSavedCursorY});
  cursors.setHidden(false);
  if (!cursors.isHidden()) mCursorHidden = false;
}
