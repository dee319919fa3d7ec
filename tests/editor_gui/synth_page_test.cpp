// The pages as built: every control of the tables in order, with its class, place, image and
// parameter, in each skin and at other GUI scales; a second editor in the same process.
#include <gtest/gtest.h>

#include <cmath>

#include "pages_test_support.h"

using namespace vq_layout;
using namespace vqtest;

namespace {

bool IsClass(IControl* c, Ctl cls) {
  const std::type_info& t = typeid(*c);
  switch (cls) {
    case Ctl::Image:
      return t == typeid(IBitmapControl) || t == typeid(SlotPanelControl);
    case Ctl::Knob:
      return t == typeid(IKnobMultiControl);
    case Ctl::Knob2:
      return t == typeid(IKnobMultiControl2);
    case Ctl::Knob3:
      return t == typeid(IKnobMultiControl3);
    case Ctl::Switch:
      return t == typeid(ISwitchControl);
    case Ctl::Button:
      return t == typeid(IContactControl);
    case Ctl::Text:
      return t == typeid(EditorTextControl);
    case Ctl::Spinner:
      return t == typeid(ISpinnerControl);
    case Ctl::InvisibleSwitch:
      return t == typeid(IInvisibleSwitchControl);
    case Ctl::InvisibleSelect:
      return t == typeid(IInvisibleSelectControl);
    case Ctl::InvisibleSelect3:
      return t == typeid(IInvisibleSelectControl3);
    case Ctl::MatrixSelect:
      return t == typeid(IInvisibleMatrixSelectControl);
    case Ctl::RadioButtons:
      return t == typeid(IRadioButtonsControl);
    case Ctl::FileSelector:
      return dynamic_cast<IFileSelectorControl*>(c) != nullptr;
    case Ctl::ParaEq:
      return t == typeid(IParaGraphicEq);
    case Ctl::Fader:
      return t == typeid(IFaderControl);
    case Ctl::UserText:
      return t == typeid(IUserTextControl);
  }
  return false;
}

IRECT Scaled(const IRECT& r, double s) {
  if (s == 0.0) return r;  // never rearranged
  return IRECT(IModuleGUIResize::ScaleCoord(r.L, s), IModuleGUIResize::ScaleCoord(r.T, s),
               IModuleGUIResize::ScaleCoord(r.R, s), IModuleGUIResize::ScaleCoord(r.B, s));
}

// The graphics' list against the tables: panel, synth page, keyboard, manager page, about box
// and the three resize controls.
// s 0: built, never rearranged. The effect tabs, placed again at each refresh, are rounded as
// every other box.
void ExpectPage(IGraphics& g, Skin skin, double s) {
  std::vector<ControlSpec> rows;
  for (const ControlSpec& c : SynthPageControls(skin))
    if (c.attached) rows.push_back(c);
  const size_t synth = rows.size();
  ControlSpec keyboard{Ctl::Image, -1, 104,
                       IRECT(kKeyboardX, kKeyboardY, kKeyboardX + 5 * 98, kKeyboardY + 70)};
  rows.push_back(keyboard);
  for (const ControlSpec& c : ManagerPageControls()) rows.push_back(c);
  ASSERT_EQ(g.NControls(), static_cast<int>(rows.size()) + 1 + 1 + IModuleGUIResize::kHandleCount);
  EXPECT_NE(dynamic_cast<IPanelControl*>(g.GetControl(0)), nullptr);
  EXPECT_NE(dynamic_cast<IBitmapOverlayControl*>(g.GetControl(static_cast<int>(rows.size()) + 1)),
            nullptr);
  for (size_t i = 0; i < rows.size(); ++i) {
    IControl* c = g.GetControl(static_cast<int>(i) + 1);
    const ControlSpec& r = rows[i];
    SCOPED_TRACE(testing::Message()
                 << "row " << i << " " << CtlName(r.cls) << " param " << r.param);
    if (i == synth) {
      EXPECT_NE(dynamic_cast<IKeyboardControl*>(c), nullptr);
    } else {
      EXPECT_TRUE(IsClass(c, r.cls)) << typeid(*c).name();
      EXPECT_EQ(c->ParamIdx(), r.param);
    }
    EXPECT_EQ(c->GetRECT(), Scaled(r.rect, s));
    if (auto* b = dynamic_cast<IBitmapControl*>(c); b && r.image > 0) {
      EXPECT_EQ(b->GetBitmap()->N, FindImage(r.image)->frames);
    }
    if (auto* k = dynamic_cast<IKnobMultiControl*>(c); k && r.image > 0) {
      EXPECT_EQ(k->GetBitmap()->N, FindImage(r.image)->frames);
    }
  }
}

}  // namespace

TEST_F(PagesTest, EverySkinBuildsTheTablesControls) {
  const struct {
    const char* setting;
    Skin skin;
    int mode;
  } cases[] = {{nullptr, Skin::Space, 0}, {"space", Skin::Space, 0}, {"solid", Skin::Solid, 1},
               {"lcd", Skin::Lcd, 2},     {"LCD", Skin::Space, 0},   {"Lcd", Skin::Space, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting ? c.setting : "(missing)");
    VQEditor& e = MakeSkin(c.setting);
    EXPECT_EQ(e.SkinMode(), c.mode);
    ExpectPage(G(), c.skin, 0.0);
    char text[16];
    GetPrivateProfileString("gui", "background", "", text, sizeof text, settings.c_str());
    EXPECT_STREQ(text, c.setting ? c.setting : "space");
    // The read-outs of fields 95..120 are kept off the page, owned by the pages.
    EXPECT_EQ(Pages().UnattachedCount(), 26);
    for (int f = 95; f <= 120; ++f) EXPECT_NE(Pages().Readout(f), nullptr);
    // Tool tips by parameter name, 125 without one.
    for (int i = 0; i < G().NControls(); ++i) {
      IControl* ctl = G().GetControl(i);
      if (ctl->ParamIdx() == 104) {
        EXPECT_STREQ(ctl->GetTooltip(), e.GetParam(104)->GetName());
      }
      if (ctl->ParamIdx() == 125) {
        EXPECT_STREQ(ctl->GetTooltip(), "");
      }
    }
    editor.reset();
    IGraphics::ResetCaches();
  }
}

// Built at each scale one editor after the other in one process: each lands where the
// tables and the scale say, none reads the one before.
TEST_F(PagesTest, ScaledPagesPlaceEveryControl) {
  for (double s : {0.5, 1.5, 2.0, 1.0}) {
    SCOPED_TRACE(s);
    VQEditor& e = MakeSkin("lcd", s);
    e.ResizeAtGuiOpen();
    ASSERT_NE(e.GetGUIResize(), nullptr);
    EXPECT_DOUBLE_EQ(e.GetGUIResize()->GetGuiScale(), s);
    EXPECT_EQ(G().GetWidth(), IModuleGUIResize::ScaleCoord(1140, s));
    ExpectPage(G(), Skin::Lcd, s);
    editor.reset();
    IGraphics::ResetCaches();
  }
}
