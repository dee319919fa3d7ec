#include "wemu/cursors.h"

#include <cmath>
#include <memory>
#include <strings.h>
#include <vector>

#include "platform/platform.h"
#include "wemu/utilities.h"
#include "wemu/window_handle.h"

using vq::platform::Cursor;
using vq::platform::CursorRef;
using vq::platform::Image;
using vq::platform::SystemCursor;

namespace {

struct CursorState {
  std::vector<std::unique_ptr<HCURSOR__>> handles;  // every handle made; they live for the process
  HCURSOR system[6] = {};
  HCURSOR fourWay = nullptr;
  HCURSOR diagonal = nullptr;
  HCURSOR diagonalMirrored = nullptr;
  HCURSOR lastSet = nullptr;
  int hideCounter = 0;  // below 0: hidden, the pointer decoupled and tracked virtually
  int virtualX = 0;
  int virtualY = 0;
  bool hidden() const { return hideCounter < 0; }
};

CursorState& S() {
  static CursorState s;
  return s;
}

HCURSOR makeHandle(CursorRef c) {
  auto h = std::make_unique<HCURSOR__>();
  h->cursor = std::move(c);
  S().handles.push_back(std::move(h));
  return S().handles.back().get();
}

bool isHandle(HCURSOR c) {
  for (auto& h : S().handles)
    if (h.get() == c) return true;
  return false;
}

HCURSOR systemHandle(SystemCursor which) {
  HCURSOR& slot = S().system[static_cast<int>(which)];
  if (!slot) slot = makeHandle(vq::platform::services().cursors().systemCursor(which));
  return slot;
}

HCURSOR built(HCURSOR& slot, WEMU_CursorShape shape, bool mirrored) {
  if (!slot) {
    auto c = std::make_shared<Cursor>();
    c->isSystem = false;
    c->image = WEMU_BuildCursorImage(WEMU_CursorData(shape), mirrored);
    c->hotSpot = {8, 8};
    slot = makeHandle(c);
  }
  return slot;
}

double mainHeight() {
  return vq::platform::services().screens().mainDisplayHeight();
}

}  // namespace

Image WEMU_BuildCursorImage(const uint8_t* data, bool mirrored) {
  Image img;
  img.width = 16;
  img.height = 16;
  img.samplesPerPixel = 2;
  img.pixels.resize(16 * 16 * 2);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      uint8_t v = data[y * 16 + (mirrored ? 15 - x : x)];
      uint8_t grey = static_cast<uint8_t>((v & 0xF0) | (v >> 4));
      uint8_t alpha = static_cast<uint8_t>((v & 0x0F) | ((v & 0x0F) << 4));
      img.pixels[static_cast<size_t>((y * 16 + x) * 2)] = grey;
      img.pixels[static_cast<size_t>((y * 16 + x) * 2 + 1)] = alpha;
    }
  }
  return img;
}

HCURSOR WEMU_LoadCursor(int id) {
  // The standard cursors the desktop draws itself.
  static constexpr struct {
    int id;
    SystemCursor cursor;
  } kSystem[] = {{32512, SystemCursor::Arrow},        {32513, SystemCursor::IBeam},
                 {32516, SystemCursor::ResizeUp},     {32644, SystemCursor::ResizeLeftRight},
                 {32645, SystemCursor::ResizeUpDown}, {32649, SystemCursor::OpenHand}};
  for (const auto& k : kSystem)
    if (k.id == id) return systemHandle(k.cursor);
  CursorState& s = S();
  switch (id) {
    case 32642:
      return built(s.diagonal, WEMU_CursorShape::Diagonal, false);
    case 32643:
      return built(s.diagonalMirrored, WEMU_CursorShape::Diagonal, true);
    case 32646:
      return built(s.fourWay, WEMU_CursorShape::FourWay, false);
    default:
      return nullptr;
  }
}

HCURSOR WEMU_LoadCursorFromFile(const char* name) {
  if (!name || !*name) return nullptr;
  std::string n = name;
  bool bare = n.find('/') == std::string::npos && n.size() < 1024;
  std::string path;
  bool curFile = false;
  if (bare) {
    path = WEMU_GetResourceFolder() + n + ".cur";
    curFile = true;
  } else if (n.size() >= 5 && strcasecmp(n.c_str() + n.size() - 4, ".cur") == 0) {
    path = n;
    curFile = true;
  } else {
    path = n;
  }
  auto c = std::make_shared<Cursor>();
  c->isSystem = false;
  if (curFile) {
    if (auto bytes = WEMU_ReadImageFileBytes(path)) {
      if (auto decoded = WEMU_DecodeCursorFile(bytes->data(), bytes->size())) {
        c->image = std::move(decoded->image);
        c->hotSpot = {static_cast<double>(decoded->hotX), static_cast<double>(decoded->hotY)};
        return makeHandle(c);
      }
    }
  }
  // Not a cursor file (or a broken one): an image file, or the application's image of that name.
  std::optional<Image> img = WEMU_LoadImageFile(bare ? WEMU_GetResourceFolder() + n + ".png" : n);
  if (!img) return nullptr;
  c->image = std::move(*img);
  return makeHandle(c);
}

void WEMU_SetCursor(HCURSOR cursor) {
  auto& service = vq::platform::services().cursors();
  if (cursor && isHandle(cursor)) {
    S().lastSet = cursor;
    service.setCurrent(cursor->cursor);
  } else {
    S().lastSet = nullptr;
    service.setCurrent(service.systemCursor(SystemCursor::Arrow));
  }
}

HCURSOR WEMU_GetCursor() {
  CursorRef current = vq::platform::services().cursors().current();
  if (!current) return systemHandle(SystemCursor::Arrow);
  for (auto& h : S().handles)
    if (h->cursor == current) return h.get();
  return makeHandle(current);
}

HCURSOR WEMU_GetLastSetCursor() {
  return S().lastSet;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  CursorState& s = S();
  if (s.hidden()) {
    *point = POINT{s.virtualX, s.virtualY};
    return TRUE;
  }
  vq::platform::Point p = vq::platform::services().cursors().mouseLocation();
  *point = POINT{static_cast<int>(std::floor(p.x)), static_cast<int>(std::ceil(p.y))};
  return TRUE;
}

DWORD GetMessagePos() {
  POINT p{0, 0};
  GetCursorPos(&p);
  return (static_cast<DWORD>(p.x) & 0xFFFFu) | ((static_cast<DWORD>(p.y) & 0xFFFFu) << 16);
}

POINT WEMU_EventPositionInView(UINT message, HWND__* view, const vq::platform::Event* event) {
  CursorState& s = S();
  POINT result{0, 0};
  if (s.hidden()) {
    if (message == WM_MOUSEMOVE && event) {
      s.virtualX += static_cast<int>(event->deltaX);
      s.virtualY -= static_cast<int>(event->deltaY);
    }
    result = POINT{s.virtualX, s.virtualY};
    ScreenToClient(view, &result);
    return result;
  }
  if (!event || !view) return result;
  vq::platform::Point p = view->convertFromWindow(event->locationInWindow);
  return POINT{static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
}

int WEMU_ShowCursor(BOOL show) {
  CursorState& s = S();
  auto& service = vq::platform::services().cursors();
  if (!show && s.hideCounter == 0) {
    // About to hide: the virtual position starts where the pointer is.
    POINT p{0, 0};
    GetCursorPos(&p);
    s.virtualX = p.x;
    s.virtualY = p.y;
  }
  s.hideCounter += show ? 1 : -1;
  if (!show && s.hideCounter == -1) {
    service.setHidden(true);
    service.setMouseCoupled(false);
  } else if (show && s.hideCounter == 0) {
    service.setHidden(false);
    service.setMouseCoupled(true);
    service.warpMouse({static_cast<double>(s.virtualX), mainHeight() - s.virtualY});
  }
  return s.hideCounter;
}

BOOL WEMU_IsCursorVisible() {
  return S().hideCounter >= 0 ? TRUE : FALSE;
}

BOOL WEMU_SetCursorPos(int x, int y) {
  CursorState& s = S();
  if (s.hidden()) {
    s.virtualX = x;
    s.virtualY = y;
    return TRUE;
  }
  return vq::platform::services().cursors().warpMouse({static_cast<double>(x), mainHeight() - y})
             ? TRUE
             : FALSE;
}

void WEMU_Internal_ResetCursorState() {
  CursorState& s = S();
  s.lastSet = nullptr;
  s.hideCounter = 0;
  s.virtualX = s.virtualY = 0;
  // System cursors belong to the backend; a new backend makes new ones.
  for (auto& slot : s.system) slot = nullptr;
}
