#include "wemu/dialog_generation.h"

#include <strings.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "wemu/list_view.h"
#include "wemu/progress_bar.h"
#include "wemu/tab_view.h"
#include "wemu/tree_view.h"

using vq::platform::Rect;
using vq::platform::View;

namespace {

struct ControlBuildState {
  View* owner = nullptr;
  uint64_t ownerSerial = 0;  // when the owner is a handle of the layer
  double xOffset = 0, yOffset = 0, xScale = 1, yScale = 1;
  float parentHeight = 100;
  bool autoRight = false;
  bool sizeToFit = false;
  int radioCounter = 0;
  double lastX = 0, lastY = -100, lastWidth = 0;
} gState;

struct CreatorNode {
  WEMU_CustomControlCreator creator;
  int32_t uses;
};
std::vector<CreatorNode> gCreators;  // registration order

// The owner view, when building may go on here.
View* owner() {
  if (!WEMU_OnWindowThread() || !gState.owner) return nullptr;
  if (gState.ownerSerial &&
      !WEMU_IsLiveWindowSerial(static_cast<HWND__*>(gState.owner), gState.ownerSerial)) {
    gState.owner = nullptr;
    return nullptr;
  }
  return gState.owner;
}

Rect scaleControlRect(double x, double y, double w, double h, bool wantAuto, bool fixedHeight) {
  if (w < 0 && h < 0) return {-x, -y, -w, -h};
  float ys = static_cast<float>(gState.yScale);
  double hs = fixedHeight ? 1.0 : ys;
  double X = std::trunc((x + gState.xOffset) * gState.xScale + 0.5);
  double W = std::trunc(w * gState.xScale + 0.5);
  double H = std::trunc(std::fabs(hs) * h + 0.5);
  double Y;
  if (ys < 0) {
    Y = std::trunc((y + gState.yOffset) * -ys + 0.5);
  } else {
    // A bottom-up owner: the frame's bottom edge below the scaled top.
    Y = std::trunc(gState.parentHeight - (y + gState.yOffset) * ys - H + 0.5);
  }
  if (gState.autoRight && wantAuto) {
    double shifted = X;
    if (std::fabs(X - gState.lastX) < 32 && gState.lastY >= Y && Y + H > gState.lastY)
      shifted = X + std::trunc(gState.lastWidth);
    gState.lastX = X + W;
    gState.lastY = Y + 0.5 * H;
    gState.lastWidth = 0;
    X = shifted;
  }
  return {X, Y, W, H};
}

// After a placed control: how far it reaches past the planned right edge.
void autoStep(View* c) {
  if (gState.autoRight) gState.lastWidth = (c->frame().x + c->frame().width) - gState.lastX;
}

double scaledFontSize() {
  if (gState.xScale >= 1.81) return 0;
  return gState.xScale < 1 ? 8 : 10;
}

// The new control goes into the owner, hidden when the style says so.
void place(View* o, WEMU_Control* c, Rect frame, uint32_t style) {
  c->setFrame(frame);
  if (style & WEMU_WS_HIDDEN) c->setHidden(true);
  o->addSubview(c);
  c->attachNative();
}

bool sameClass(const char* a, const char* b) {
  return strcasecmp(a, b) == 0;
}

HWND__* makeTabView(View* o, int id, int style, int x, int y, int w, int h) {
  auto* tab = WEMU_NewControl<WEMU_TabView>();
  tab->setTag(id);
  tab->allowsTruncatedLabels = true;
  tab->setNotificationWindow(WEMU_HandleForView(o));
  place(o, tab, scaleControlRect(x, y - 1, w, h + 6, false, false), static_cast<uint32_t>(style));
  if (auto* wv = dynamic_cast<WEMU_WindowView*>(o)) wv->allowNoMiddleman = false;
  return tab;
}

HWND__* makeTreeView(View* o, int id, int style, int x, int y, int w, int h) {
  Rect frame = scaleControlRect(x, y, w, h, false, false);
  auto* scroll = WEMU_NewControl<WEMU_ScrollView>();
  scroll->hasVerticalScroller = true;
  scroll->autohidesScrollers = true;
  scroll->drawsBackground = false;
  place(o, scroll, frame, static_cast<uint32_t>(style));
  auto* tree = WEMU_NewControl<WEMU_TreeView>();
  tree->style = style;
  tree->setTag(id);
  tree->hasTarget = true;
  tree->columnWidth = std::ceil(std::max(300.0, frame.width));
  tree->setFrame({0, 0, frame.width, frame.height});
  scroll->setDocumentView(tree);
  tree->attachNative();
  return tree;
}

HWND__* makeStatic(View* o, const char* text, int id, int style, int x, int y, int w, int h) {
  auto* label = WEMU_NewControl<WEMU_TextField>();
  label->setEditable(false);
  label->selectable = label->bordered = label->bezeled = label->drawsBackground = false;
  label->fontSize = scaledFontSize();
  std::string t = WEMU_StripAmpersands(text);
  if (!t.empty()) label->value = t;
  int low = style & 0x1F;
  if (low == 1) label->alignment = WEMU_TextAlignment::Center;
  if (low == 2) label->alignment = WEMU_TextAlignment::Right;
  if (low == 12) label->wraps = false;
  label->setTag(id);
  place(o, label, scaleControlRect(x, y, w, h, false, false), static_cast<uint32_t>(style));
  if (low == 4) label->setHidden(true);
  return label;
}

HWND__* makeButtonClass(View* o, const char* text, int id, int style, int x, int y, int w, int h) {
  uint32_t s = static_cast<uint32_t>(style);
  if (s & WEMU_BS_GROUPBOX)
    return WEMU_MakeGroupBox(text, id, x, y, w, h, static_cast<int>(s & ~WEMU_BS_GROUPBOX));
  if (s & WEMU_BS_DEFPUSH)
    return WEMU_MakeButton(1, text, id, x, y, w, h, static_cast<int>(s & ~WEMU_BS_DEFPUSH));
  if (s & WEMU_BS_PUSH)
    return WEMU_MakeButton(0, text, id, x, y, w, h, static_cast<int>(s & ~WEMU_BS_PUSH));
  // Whether this radio button starts a new group: asked before it joins the owner.
  bool newGroup = false;
  if ((s & 0xF) == 9) {
    auto* last = o->subviews().empty() ? nullptr : dynamic_cast<WEMU_Button*>(o->subviews().back());
    newGroup = (s & WEMU_BS_GROUPSTART) || !last || (last->radioFlags() & 2);
  }
  auto* b = WEMU_NewControl<WEMU_Button>();
  b->setTag(id);
  Rect frame = scaleControlRect(x, y, w, h, true, false);
  switch (s & 0xF) {
    case 3:
      b->type = WEMU_Button::Type::Switch;
      break;
    case 6:
      b->type = WEMU_Button::Type::Switch;
      b->allowsMixedState = true;
      break;
    case 11:
      b->type = WEMU_Button::Type::OwnerDrawn;
      break;
    case 9:
      if (newGroup) ++gState.radioCounter;
      b->type = WEMU_Button::Type::Radio;
      b->actionGroup = gState.radioCounter % 8;
      b->setRadioFlags(static_cast<int>((s >> 16) | 1));
      break;
    default:
      break;
  }
  b->fontSize = scaledFontSize();
  b->title = WEMU_StripAmpersands(text);
  b->hasTarget = true;
  b->imageRightOfTitle = (s & 0x20) != 0;
  place(o, b, frame, s);
  if (gState.sizeToFit && b->type != WEMU_Button::Type::OwnerDrawn) b->sizeToFit();
  autoStep(b);
  return b;
}

}  // namespace

std::string WEMU_StripAmpersands(const char* text) {
  if (!text) return std::string();
  size_t n = strnlen(text, 1024);
  if (n >= 1024 || !std::memchr(text, '&', n)) return std::string(text, strlen(text));
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    if (text[i] == '&') {
      if (++i >= n) break;  // a trailing ampersand ends the text
    }
    out += text[i];
  }
  return out;
}

void WEMU_MakeSetCurParms(float xScale, float yScale, float xOffset, float yOffset, HWND__* parent,
                          bool autoRight, bool sizeToFit) {
  if (!WEMU_OnWindowThread()) return;
  gState = ControlBuildState{};
  gState.xScale = xScale;
  gState.yScale = yScale;
  gState.xOffset = xOffset;
  gState.yOffset = yOffset;
  gState.autoRight = autoRight;
  gState.sizeToFit = sizeToFit;
  if (parent && WEMU_IsLiveWindow(parent)) {
    View* o = WEMU_ViewOfHandle(parent);
    gState.owner = o;
    if (auto* h = WEMU_HandleForView(o)) gState.ownerSerial = h->serial();
    if (o) {
      gState.parentHeight = static_cast<float>(o->bounds().height);
      if (yScale > 0 && !parent->windowObject() && parent->isFlipped())
        gState.yScale = -gState.yScale;
    }
  }
}

void WEMU_GenerateDialogFromList(const DialogControlEntry* rows, int count) {
  if (!rows) return;
  for (int i = 0; i < count; ++i) {
    const DialogControlEntry& r = rows[i];
    if (!r.kind) continue;
    std::string kind = r.kind;
    if (kind == "__WEMU_BUTTON") {
      WEMU_MakeButton(r.flag, r.text, r.p1, r.p2, r.p3, r.p4, r.p5, r.p6);
    } else if (kind == "__WEMU_EDIT") {
      WEMU_MakeEditField(r.p1, r.p2, r.p3, r.p4, r.p5, r.p6);
    } else if (kind == "__WEMU_COMBO") {
      WEMU_MakeCombo(r.p1, r.p2, r.p3, r.p4, r.p5, r.p6);
    } else if (kind == "__WEMU_LISTBOX") {
      WEMU_MakeControl("", r.p1, "SysListView32_LB", r.p6, r.p2, r.p3, r.p4, r.p5, 0);
    } else if (kind == "__WEMU_GROUP") {
      WEMU_MakeGroupBox(r.text, r.p1, r.p2, r.p3, r.p4, r.p5, r.p6);
    } else if (kind == "__WEMU_CHECKBOX") {
      WEMU_MakeControl(r.text, r.p1, "Button", r.p6 | 3, r.p2, r.p3, r.p4, r.p5, 0);
    } else if (kind == "__WEMU_LABEL") {
      WEMU_MakeLabel(r.flag, r.text, r.p1, r.p2, r.p3, r.p4, r.p5, r.p6);
    } else if (r.text && r.text[0]) {
      WEMU_MakeControl(r.kind, r.flag, r.text, r.p1, r.p2, r.p3, r.p4, r.p5, r.p6);
    }
  }
}

HWND__* WEMU_MakeButton(int isDefault, const char* label, int id, int x, int y, int w, int h,
                        int style) {
  View* o = owner();
  if (!o) return nullptr;
  // A small number is a resource id, never a text.
  if (reinterpret_cast<uintptr_t>(label) < 0x10000) label = "ICONTEMP";
  auto* b = WEMU_NewControl<WEMU_Button>();
  b->fontSize = scaledFontSize();
  b->setTag(id);
  b->bezelStyle = 6;
  Rect frame = scaleControlRect(x, y, w, h, true, false);
  b->title = WEMU_StripAmpersands(label);
  b->hasTarget = true;
  place(o, b, frame, static_cast<uint32_t>(style));
  autoStep(b);
  if (isDefault && o->window()) {
    o->window()->setDefaultButton(b);
    b->markNeedsDisplay(true);
  }
  return b;
}

HWND__* WEMU_MakeEditField(int id, int x, int y, int w, int h, int style) {
  View* o = owner();
  if (!o) return nullptr;
  uint32_t s = static_cast<uint32_t>(style);
  if (s & (WEMU_WS_VSCROLL | WEMU_WS_HSCROLL)) {
    auto* tv = WEMU_NewControl<WEMU_TextView>();
    tv->setEditable(!(s & 0x800));
    tv->fontSize = scaledFontSize();
    tv->setTag(id);
    Rect frame = scaleControlRect(x, y, w, h, false, false);
    if (s & WEMU_WS_VSCROLL) {
      tv->verticallyResizable = true;
      auto* scroll = WEMU_NewControl<WEMU_ScrollView>();
      scroll->hasVerticalScroller = true;
      scroll->hasHorizontalScroller = (s & WEMU_WS_HSCROLL) != 0;
      scroll->autohidesScrollers = true;
      scroll->drawsBackground = false;
      place(o, scroll, frame, s);
      tv->setFrame({0, 0, scroll->contentSize().width, scroll->contentSize().height});
      scroll->setDocumentView(tv);
      tv->attachNative();
      return scroll;
    }
    place(o, tv, frame, s);
    return tv;
  }
  auto* f = WEMU_NewControl<WEMU_TextField>((s & 0x20) != 0);
  f->setEditable(!(s & 0x800));
  f->fontSize = scaledFontSize();
  if (s & 0x1) f->alignment = WEMU_TextAlignment::Center;
  if (s & 0x2) f->alignment = WEMU_TextAlignment::Right;
  if (std::abs(h) < 20) {
    f->wraps = false;
    f->scrollable = true;
  }
  f->setTag(id);
  f->hasTarget = true;
  place(o, f, scaleControlRect(x, y, w, h, true, false), s);
  autoStep(f);
  return f;
}

HWND__* WEMU_MakeLabel(int align, const char* text, int id, int x, int y, int w, int h, int style) {
  View* o = owner();
  if (!o) return nullptr;
  auto* label = WEMU_NewControl<WEMU_TextField>();
  label->setEditable(false);
  label->selectable = label->bordered = label->bezeled = label->drawsBackground = false;
  label->fontSize = scaledFontSize();
  label->hasTarget = (style & 0x100) != 0;
  label->value = WEMU_StripAmpersands(text);
  label->alignment = align < 0    ? WEMU_TextAlignment::Left
                     : align == 0 ? WEMU_TextAlignment::Center
                                  : WEMU_TextAlignment::Right;
  label->wraps = h > 12;
  label->setTag(id);
  place(o, label, scaleControlRect(x, y, w, h, true, false), static_cast<uint32_t>(style));
  if (gState.sizeToFit && text && strnlen(text, 2) >= 2) label->sizeToFit();
  autoStep(label);
  return label;
}

HWND__* WEMU_MakeCheckBox(const char* text, int id, int x, int y, int w, int h, int style) {
  return WEMU_MakeControl(text, id, "Button", style | 3, x, y, w, h, 0);
}

HWND__* WEMU_MakeListBox(int id, int x, int y, int w, int h, int style) {
  return WEMU_MakeControl("", id, "SysListView32_LB", style, x, y, w, h, 0);
}

HWND__* WEMU_MakeControl(const char* text, int id, const char* className, int style, int x, int y,
                         int w, int h, int exStyle) {
  View* o = owner();
  if (!o || !className) return nullptr;
  if (!text) text = "";
  if (!gCreators.empty()) {
    Rect r = scaleControlRect(x, y, w, h, false, false);
    std::vector<CreatorNode> creators = gCreators;  // a creator may register others
    for (const CreatorNode& node : creators) {
      HWND__* c =
          node.creator(o, text, id, className, style, static_cast<int>(r.x), static_cast<int>(r.y),
                       static_cast<int>(r.width), static_cast<int>(r.height));
      if (!c) continue;
      if (exStyle != 0) {
        if (auto* wv = dynamic_cast<WEMU_WindowView*>(c))
          wv->setExtendedStyle(static_cast<uint32_t>(exStyle));
      }
      return c;
    }
  }
  if (sameClass(className, "SysTabControl32")) return makeTabView(o, id, style, x, y, w, h);
  if (sameClass(className, "SysTreeView32")) return makeTreeView(o, id, style, x, y, w, h);
  if (sameClass(className, "msctls_progress32")) {
    auto* bar = WEMU_NewControl<WEMU_ProgressBar>();
    bar->setTag(id);
    place(o, bar, scaleControlRect(x, y, w, h, false, false), static_cast<uint32_t>(style));
    return bar;
  }
  if (sameClass(className, "Edit")) return WEMU_MakeEditField(id, x, y, w, h, style);
  if (sameClass(className, "static")) return makeStatic(o, text, id, style, x, y, w, h);
  if (sameClass(className, "Button")) return makeButtonClass(o, text, id, style, x, y, w, h);
  if (sameClass(className, "TORVEXhfader") || sameClass(className, "msctls_trackbar32")) {
    auto* slider = WEMU_NewControl<WEMU_Slider>();
    slider->setTag(id);
    slider->setRange(0, 1000);
    slider->mini = sameClass(className, "msctls_trackbar32");
    slider->hasTarget = true;
    place(o, slider, scaleControlRect(x, y, w, h, false, false), static_cast<uint32_t>(style));
    return slider;
  }
  bool listBox = sameClass(className, "SysListView32_LB");
  if (listBox || sameClass(className, "SysListView32")) {
    Rect frame = scaleControlRect(x, y, w, h, false, false);
    WEMU_ListView* list = WEMU_ListView::create(nullptr, id, style, listBox, frame);
    if (!list) return nullptr;
    list->hasTarget = true;
    place(o, list, frame, static_cast<uint32_t>(style));
    return list;
  }
  return nullptr;
}

HWND__* WEMU_MakeGroupBox(const char* title, int id, int x, int y, int w, int h, int style) {
  View* o = owner();
  if (!o) return nullptr;
  auto* box = WEMU_NewControl<WEMU_GroupBox>();
  box->title = WEMU_StripAmpersands(title);
  box->setTag(id);
  box->titleCentered = (style & 0x300) != 0;
  box->setFrame(scaleControlRect(x, y - 1, w, h + 3, false, false));
  // Below every other control, so they draw over it.
  o->addSubview(box, vq::platform::SubviewPosition::Below, nullptr);
  box->attachNative();
  return box;
}

HWND__* WEMU_MakeCombo(int id, int x, int y, int w, int h, int style) {
  (void)h;  // the height is fixed by the control kind
  View* o = owner();
  if (!o) return nullptr;
  WEMU_ItemList* list;
  Rect frame;
  if ((style & 3) == 3) {
    auto* popup = WEMU_NewControl<WEMU_PopUpButton>();
    popup->autoenablesItems = false;
    popup->bezelStyle = 6;
    popup->arrowAtBottom = true;
    frame = scaleControlRect(x, y, w, 18, true, true);
    list = popup;
  } else {
    auto* combo = WEMU_NewControl<WEMU_ComboBox>(true);
    combo->focusRing = false;
    frame = scaleControlRect(x, y - 1, w, 22, true, true);
    list = combo;
  }
  list->setTag(id);
  list->fontSize = 10;
  list->style = style;
  list->hasTarget = true;
  place(o, list, frame, static_cast<uint32_t>(style));
  autoStep(list);
  return list;
}

void WEMU_RegisterCustomControlCreator(WEMU_CustomControlCreator creator) {
  if (!creator) return;
  for (CreatorNode& n : gCreators) {
    if (n.creator == creator) {
      ++n.uses;
      return;
    }
  }
  gCreators.push_back({creator, 1});
}

void WEMU_UnregisterCustomControlCreator(WEMU_CustomControlCreator creator) {
  if (!creator) return;
  for (auto it = gCreators.begin(); it != gCreators.end(); ++it) {
    if (it->creator == creator) {
      if (--it->uses <= 0) gCreators.erase(it);
      return;
    }
  }
}

void SetAllowNoMiddleManRendering(HWND__* window, bool allow) {
  if (!WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return;
  if (auto* wv = dynamic_cast<WEMU_WindowView*>(window)) wv->allowNoMiddleman = allow;
}

void WEMU_GetDesiredControlSize(HWND__* control, RECT* out) {
  if (!out || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(control)) return;
  auto* c = dynamic_cast<WEMU_Control*>(control);
  if (!c) return;
  vq::platform::Size s = c->fittingSize();
  *out = {0, 0, static_cast<int>(s.width), static_cast<int>(s.height)};
}

bool WEMU_IsGroupBox(HWND__* control) {
  return WEMU_IsLiveWindow(control) && dynamic_cast<WEMU_GroupBox*>(control) != nullptr;
}
bool WEMU_IsButton(HWND__* control) {
  return WEMU_IsLiveWindow(control) && dynamic_cast<WEMU_Button*>(control) != nullptr;
}
bool WEMU_IsStaticText(HWND__* control) {
  return WEMU_IsLiveWindow(control) && (dynamic_cast<WEMU_TextField*>(control) != nullptr ||
                                        dynamic_cast<WEMU_ComboBox*>(control) != nullptr);
}
