// Window views seen by assistive technology through GTK's accessibility objects, in process
// (no accessibility bus needed): the elements procedures supply, with names, roles and places,
// their hit tests and focus, a view left out when it is ignored, and an ignored window.
#include <gtk/gtk.h>

#include "dialog_fixture.h"
#include "wemu/window_accessibility.h"
#include "wemu/window_functions.h"

namespace {

using namespace vq::test;
using vq::platform::Point;
using vq::platform::Rect;

struct Element : WEMU_AccessibilityElement {
  Element(std::string n, std::string r, Rect f)
      : name(std::move(n)), role(std::move(r)), frame(f) {}
  WEMU_AccessibilityElement* hitTest(Point p) override {
    for (Element* c : kids)
      if (c->frame.contains(p)) return c;
    return frame.contains(p) ? this : nullptr;
  }
  WEMU_AccessibilityElement* focusedElement() override { return focus ? focus : this; }
  std::string accessibleName() const override { return name; }
  std::string accessibleRole() const override { return role; }
  Rect accessibleFrame() const override { return frame; }
  std::vector<WEMU_AccessibilityElement*> accessibleChildren() override {
    return {kids.begin(), kids.end()};
  }
  std::string name, role;
  Rect frame;
  std::vector<Element*> kids;
  Element* focus = nullptr;
};

class AccessibilityOnDesktop : public DialogDesktopTest {
 protected:
  static std::string nameOf(AtkObject* o) {
    const gchar* n = o ? atk_object_get_name(o) : nullptr;
    return n ? n : "";
  }
  // The names of an object's children.
  static std::vector<std::string> childNames(AtkObject* o) {
    std::vector<std::string> out;
    for (int i = 0; i < atk_object_get_n_accessible_children(o); ++i) {
      AtkObject* c = atk_object_ref_accessible_child(o, i);
      out.push_back(nameOf(c));
      g_object_unref(c);
    }
    return out;
  }
  static AtkObject* child(AtkObject* o, int i) {
    AtkObject* c = atk_object_ref_accessible_child(o, i);
    if (c) g_object_unref(c);  // the parent's list keeps it
    return c;
  }
  static bool has(AtkObject* o, AtkStateType s) {
    AtkStateSet* set = atk_object_ref_state_set(o);
    bool on = atk_state_set_contains_state(set, s);
    g_object_unref(set);
    return on;
  }
};

TEST_F(AccessibilityOnDesktop, ProceduresElementsShowWithTheirPlacesHitTestsAndFocus) {
  // The dialog supplies a keyboard of two keys, the second focused; a child view a knob.
  Element keyboard("Keyboard", "panel", {0, 100, 200, 60});
  Element c4("C4", "push button", {0, 100, 100, 60}), d4("D4", "push button", {100, 100, 100, 60});
  keyboard.kids = {&c4, &d4};
  keyboard.focus = &d4;
  Element knob("Cutoff", "dial", {10, 10, 40, 40});
  HWND__* dlg = nullptr;
  HWND__* knobView = nullptr;
  procAnswer() = [&](HWND__* w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m != WM_GETOBJECT || wp != WEMU_OBJID_ACCESSIBLE) return 0;
    *reinterpret_cast<WEMU_AccessibilityElement**>(lp) = w == dlg ? &keyboard : &knob;
    return 1;
  };
  WEMU_DialogResourceIndex tmpl{40001, "Synth", 12, nullptr, 300, 200, nullptr};
  dlg = WEMU_CreateDialog(&tmpl, tmpl.resid, nullptr, recordingProc, 0);
  knobView = WEMU_CreateDialog(&tmpl, 0x400000, dlg, recordingProc, 0);
  ASSERT_TRUE(knobView);
  SetWindowPos(knobView, nullptr, 220, 10, 60, 60, 0);
  ShowWindow(knobView, SW_SHOW);
  ShowWindow(dlg, SW_SHOW);
  dlg->window()->makeKeyAndOrderFront();
  GtkWidget* content = b->windows.contentFor(*dlg->window());
  ASSERT_TRUE(pumpUntil([&] { return gtk_widget_get_mapped(content) != 0; }));
  pumpXEvents();

  // The knob's view, with no subviews of its own, gives way to its element.
  AtkObject* area = gtk_widget_get_accessible(content);
  ASSERT_EQ(atk_object_get_n_accessible_children(area), 1);
  AtkObject* panel = child(area, 0);
  EXPECT_EQ(atk_object_get_role(panel), ATK_ROLE_PANEL);
  EXPECT_EQ(childNames(panel), (std::vector<std::string>{"Cutoff", "Keyboard"}));
  AtkObject* knobObj = child(panel, 0);
  AtkObject* keys = child(panel, 1);
  EXPECT_EQ(atk_object_get_role(knobObj), ATK_ROLE_DIAL);
  EXPECT_EQ(atk_object_get_parent(knobObj), panel);
  EXPECT_EQ(childNames(keys), (std::vector<std::string>{"C4", "D4"}));
  EXPECT_EQ(atk_object_get_role(child(keys, 0)), ATK_ROLE_PUSH_BUTTON);

  // Places on the screen; hit tests (in the content area) reach the same objects.
  auto [sx, sy] = screenPoint(content, 0, 0);
  auto extents = [](AtkObject* o) {
    gint x, y, w, h;
    atk_component_get_extents(ATK_COMPONENT(o), &x, &y, &w, &h, ATK_XY_SCREEN);
    return std::vector<int>{x, y, w, h};
  };
  EXPECT_EQ(extents(child(keys, 1)), (std::vector<int>{sx + 100, sy + 100, 100, 60}));
  EXPECT_EQ(extents(knobObj), (std::vector<int>{sx + 230, sy + 20, 40, 40}));
  struct Case {
    int x, y;
    AtkObject* want;
  } cases[] = {{150, 130, child(keys, 1)},
               {20, 130, child(keys, 0)},
               {240, 30, knobObj},
               {20, 50, panel}};  // nothing supplied there: the view itself
  for (const Case& c : cases) {
    AtkObject* hit = atk_component_ref_accessible_at_point(ATK_COMPONENT(area), sx + c.x, sy + c.y,
                                                           ATK_XY_SCREEN);
    EXPECT_EQ(hit, c.want) << c.x << "," << c.y;
    if (hit) g_object_unref(hit);
  }

  EXPECT_TRUE(has(child(keys, 1), ATK_STATE_FOCUSED));
  EXPECT_FALSE(has(child(keys, 0), ATK_STATE_FOCUSED));
  keyboard.focus = &c4;
  EXPECT_TRUE(has(child(keys, 0), ATK_STATE_FOCUSED));

  // A view that goes leaves its objects defunct.
  DestroyWindow(knobView);
  EXPECT_TRUE(pumpUntil([&] { return has(knobObj, ATK_STATE_DEFUNCT); }));
  EXPECT_EQ(childNames(panel), std::vector<std::string>{"Keyboard"});
}

TEST_F(AccessibilityOnDesktop, AWindowWithoutTitleBarOrContentIsRedundant) {
  WEMU_DialogResourceIndex tmpl{40001, "Plain", 12, nullptr, 200, 100, nullptr};
  HWND__* plain = WEMU_CreateDialog(&tmpl, 0x400001, nullptr, recordingProc, 0);
  ASSERT_TRUE(plain);
  auto role = [&](HWND__* v) {
    return atk_object_get_role(gtk_widget_get_accessible(b->windows.gtkWindowFor(*v->window())));
  };
  auto shown = [&](HWND__* v) {
    return pumpUntil([&] { return gtk_widget_get_mapped(b->windows.gtkWindowFor(*v->window())); });
  };
  ShowWindow(plain, SW_SHOW);
  ASSERT_TRUE(shown(plain));
  EXPECT_NE(role(plain), ATK_ROLE_REDUNDANT_OBJECT);
  SetWindowLong(plain, GWL_STYLE, 0);  // no caption: a new window without a title bar
  ShowWindow(plain, SW_SHOW);
  ASSERT_TRUE(shown(plain));
  EXPECT_TRUE(pumpUntil([&] { return role(plain) == ATK_ROLE_REDUNDANT_OBJECT; }));
  DestroyWindow(plain);
}

}  // namespace
