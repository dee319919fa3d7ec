// Text, caption, editable-text, spinner, user-text, link and bitmap-text controls.
#include <gtest/gtest.h>

#include <string>

#include "control_fixture.h"
#include "graphics/bitmap_text_control.h"
#include "graphics/text_controls.h"

using namespace vqtest;

namespace {

using TextControls = ControlFixture;

// The back buffer's pixels over r, to compare two drawings.
std::vector<RAST_pixel> Pixels(IGraphics* g, const IRECT& r) {
  std::vector<RAST_pixel> out;
  RAST_BitmapRows rows(g->GetDrawBitmap());
  for (int y = r.T; y < r.B; ++y) {
    for (int x = r.L; x < r.R; ++x) out.push_back(*rows.at(x, y));
  }
  return out;
}

}  // namespace

TEST_F(TextControls, SetTextIfChangedMarksDirtyOnlyForNewText) {
  Strip font(4, 4, 96);
  ITextControl text(&plug, IRECT(0, 0, 50, 10), nullptr, "same");
  ITextControl2 text2(&plug, IRECT(0, 0, 50, 10), -1, nullptr);
  IBitmapTextControl bitmapText(&plug, IRECT(0, 0, 50, 10), font.frames, "same");
  text2.SetTextIfChanged("same");
  auto check = [](IControl& c, auto set, auto get) {
    c.SetClean();
    set("same");
    EXPECT_FALSE(c.IsDirty());
    set("new");
    EXPECT_TRUE(c.IsDirty());
    EXPECT_STREQ(get(), "new");
    c.SetClean();
    set(nullptr);  // null is the empty text
    EXPECT_TRUE(c.IsDirty());
    EXPECT_STREQ(get(), "");
  };
  check(text, [&](const char* s) { text.SetTextIfChanged(s); }, [&] { return text.GetText(); });
  check(text2, [&](const char* s) { text2.SetTextIfChanged(s); }, [&] { return text2.GetText(); });
  check(bitmapText, [&](const char* s) { bitmapText.SetTextIfChanged(s); }, [&] { return bitmapText.GetText(); });
}

TEST_F(TextControls, RescaleRebuildsTheStyleAndKeepsSecureEntry) {
  IText style(10, COLOR_BLUE);
  style.mSecure = 1;
  ITextControl text(&plug, IRECT(0, 0, 50, 10), &style, "x");
  ITextControl2 text2(&plug, IRECT(0, 0, 50, 10), -1, &style);
  EXPECT_EQ(text2.GetTextStyle()->mSize, 10);
  for (auto [scale, size] : {std::pair{1.5, 15}, {1.25, 12}, {2.0, 20}, {1.0, 10}}) {
    text.GetTextStyle()->mCached = reinterpret_cast<RAST_IFont*>(&text);  // any non-null font
    text.OnRescale(scale);
    text2.OnRescale(scale);
    EXPECT_EQ(text.GetTextStyle()->mSize, size) << scale;
    EXPECT_EQ(text2.GetTextStyle()->mSize, size) << scale;
    EXPECT_EQ(text.GetTextStyle()->mCached, nullptr);  // the cache makes a font for the new size
    EXPECT_EQ(text.GetTextStyle()->mSecure, 1);         // a masked field never opens readable
    EXPECT_EQ(text.GetTextStyle()->mColor, COLOR_BLUE);
  }
}

TEST_F(TextControls, MaskedTextDrawsOneAsteriskPerCharacterUpTo99) {
  IText style(10, COLOR_WHITE, "Monaco", IText::kStyleNormal, IText::kAlignNear);
  const IRECT r(0, 0, 200, 14);
  auto drawn = [&](IControl* c) {
    auto* attached = Attach(c);
    DrawArea(r);
    auto px = Pixels(graphics, r);
    graphics->RemoveControl(attached->GetListIdx());
    delete attached;
    return px;
  };
  struct Case {
    std::string text, shown;
  } cases[] = {{"abc", "***"}, {std::string(120, 'p'), std::string(99, '*')}, {"\xc3\xa9t\xc3\xa9", "***"}};
  style.mSecure = 1;
  for (const Case& c : cases) {
    const auto masked = drawn(new IUserTextControl(&plug, r, &style, c.text.c_str()));
    const auto plain = drawn(new ITextControl(&plug, r, &style, c.shown.c_str()));
    EXPECT_EQ(masked, plain) << c.text;
    const auto editable = drawn(new IEditableTextControl(&plug, r, -1, &style, c.text.c_str(), false, true));
    EXPECT_EQ(editable, plain) << c.text;
  }
  EXPECT_NE(drawn(new ITextControl(&plug, r, &style, "***")), drawn(new ITextControl(&plug, r, &style, "")));
}

TEST_F(TextControls, SpinnerWheelMovesOneStepOfItsParameter) {
  IParam own;
  own.InitInt("Own", 0, 0, 10);
  struct Case {
    int param;
    IParam* ownParam;
    IMouseMod mod;
    int d;
    double from, to;
  } cases[] = {
      {0, nullptr, IMouseMod(), 1, 1.0 / 98, 2.0 / 98},     // the slot spinner: 01 -> 02
      {0, nullptr, IMouseMod(), -3, 5.0 / 98, 2.0 / 98},
      {3, nullptr, IMouseMod(), 1, 0.5, 0.525},             // -20..20 by 1
      {2, nullptr, IMouseMod(), 1, 0.5, 0.51},              // continuous
      {2, nullptr, IMouseMod(false, false, true), 1, 0.5, 0.501},
      {-1, &own, IMouseMod(), 2, 0.0, 0.2},
      {-1, nullptr, IMouseMod(), 1, 0.5, 0.51},             // no parameter at all
      {0, nullptr, IMouseMod(), 5, 96.0 / 98, 1.0},         // limited to the range
  };
  for (Case& c : cases) {
    ISpinnerControl spin(&plug, IRECT(0, 0, 30, 10), c.param, nullptr, c.ownParam, true, false);
    spin.SetValue(c.from);
    const size_t before = plug.pushes.size();
    spin.OnMouseWheel(0, 0, &c.mod, c.d);
    EXPECT_NEAR(spin.GetValue(), c.to, 1e-12) << c.param << " by " << c.d;
    EXPECT_EQ(plug.pushes.size(), before + (c.param >= 0 ? 1 : 0));
  }
}

TEST_F(TextControls, SpinnerDragAndValueText) {
  IParam own;
  own.InitInt("Own", 0, 0, 10, "st");
  ISpinnerControl spin(&plug, IRECT(0, 0, 30, 20), 3, nullptr, nullptr, true, true, 0, 2.0);
  spin.SetValue(0.5);
  IMouseMod shift(true, false, true);
  spin.OnMouseDrag(0, 0, 0, -4, &shift);  // no fine mode: 4 / 20 / 2
  EXPECT_DOUBLE_EQ(spin.GetValue(), 0.6);
  spin.SetRECT(IRECT(0, 0, 30, 0));
  spin.OnMouseDrag(0, 0, 0, -4, &shift);  // no height: ignored
  EXPECT_DOUBLE_EQ(spin.GetValue(), 0.6);
  EXPECT_EQ(Pushes(3).size(), 1u);
  spin.Draw(graphics);
  EXPECT_STREQ(spin.GetText(), "4 dB");

  ISpinnerControl ownSpin(&plug, IRECT(0, 0, 30, 20), -1, nullptr, &own, true, true);
  ownSpin.SetValue(0.3);
  ownSpin.Draw(graphics);
  EXPECT_STREQ(ownSpin.GetText(), "3 st");
  ownSpin.SetPromptDisabled(false);
  ownSpin.PromptUserInput(IRECT(1, 2, 3, 4));
  ASSERT_EQ(graphics->prompts.size(), 1u);
  EXPECT_EQ(graphics->prompts[0].param, &own);
  EXPECT_EQ(graphics->prompts[0].where, IRECT(1, 2, 3, 4));
}

TEST_F(TextControls, CaptionShowsTheDisplayTextAndPromptsOnClick) {
  ICaptionControl caption(&plug, IRECT(10, 10, 50, 30), 1, nullptr, true);
  ICaptionControl numeric(&plug, IRECT(10, 10, 50, 30), 3, nullptr, true);
  plug.GetParam(1)->Set(1);
  plug.GetParam(3)->Set(-6);
  caption.Draw(graphics);
  numeric.Draw(graphics);
  EXPECT_STREQ(caption.GetText(), "Square ");  // a display text has no label
  EXPECT_STREQ(numeric.GetText(), "-6 dB");
  EXPECT_FALSE(caption.IsPromptDisabled());
  IMouseMod left(true), right(false, true), none;
  caption.OnMouseDown(20, 20, &left);
  caption.OnMouseDown(20, 20, &right);
  caption.OnMouseDown(20, 20, &none);
  caption.OnMouseDblClick(20, 20, &left);
  EXPECT_EQ(graphics->prompts.size(), 3u);
  EXPECT_EQ(graphics->prompts[0].where, IRECT(10, 10, 50, 30));  // display texts: a menu over it
  EXPECT_EQ(Pushes(1).size(), 2u);                              // the double click only prompts
}

TEST_F(TextControls, EditableTextPromptsInItsEntryRectangleOverItsBackground) {
  auto* edit = Attach(new IEditableTextControl(&plug, IRECT(20, 20, 60, 40), 3, nullptr, ""));
  EXPECT_TRUE(edit->GetDblAsSingleClick());
  IMouseMod left(true);
  edit->OnMouseDown(25, 25, &left);
  ASSERT_EQ(graphics->prompts.size(), 1u);
  EXPECT_EQ(graphics->prompts[0].where, IRECT(20, 20, 60, 40));
  EXPECT_TRUE(edit->IsRedrawPending());
  const IColor bg(255, 9, 8, 7);
  edit->SetBackgroundColor(&bg);
  DrawArea(edit->GetRECT());
  EXPECT_EQ(Pixel(21, 21), bg.ToPixel());
  edit->SetBackgroundColor(nullptr);
  DrawArea(edit->GetRECT());
  EXPECT_EQ(Pixel(21, 21), kBackground);
}

TEST_F(TextControls, UserTextKeepsTheWholeTextWithItsTerminator) {
  IText secure;
  secure.mSecure = 1;
  IUserTextControl masked(&plug, IRECT(0, 0, 10, 10), &secure, "pw");
  IUserTextControl plain(&plug, IRECT(0, 0, 10, 10), nullptr, nullptr);
  EXPECT_TRUE(masked.IsMasked());
  EXPECT_FALSE(plain.IsMasked());
  EXPECT_TRUE(plain.IsPromptDisabled());
  plain.SetClean();
  plain.SetTextFromPlug("name");
  EXPECT_TRUE(plain.IsDirty());
  UTL_HeapBuf out;
  plain.GetText(&out);
  ASSERT_EQ(out.GetSize(), 5);
  EXPECT_STREQ(static_cast<const char*>(out.Get()), "name");
  plain.SetText(nullptr);
  EXPECT_STREQ(plain.GetText(), "");
}

namespace {

class UrlGraphics : public TestGraphics {
 public:
  using TestGraphics::TestGraphics;
  bool OpenURL(const char* url) override {
    TestGraphics::OpenURL(url);
    return std::string(url) == working;
  }
  std::string working;
};

}  // namespace

TEST(UrlControl, FallsBackToTheSecondAddressAndSaysWhenNeitherOpens) {
  TestPlug plug(1);
  auto* g = new UrlGraphics(&plug, 100, 100);
  plug.AttachGraphics(g);
  IURLControl link(&plug, IRECT(0, 0, 10, 10), "http://a", "http://b", "Cannot open");
  IURLControl bare(&plug, IRECT(0, 0, 10, 10), nullptr, "", nullptr);
  IMouseMod left(true);
  struct Case {
    std::string working;
    std::vector<std::string> tried;
    size_t boxes;
  } cases[] = {{"http://a", {"http://a"}, 0}, {"http://b", {"http://a", "http://b"}, 0}, {"", {"http://a", "http://b"}, 1}};
  for (const Case& c : cases) {
    g->openedUrls.clear();
    g->messageBoxes.clear();
    g->working = c.working;
    link.OnMouseDown(1, 1, &left);
    EXPECT_EQ(g->openedUrls, c.tried);
    ASSERT_EQ(g->messageBoxes.size(), c.boxes);
  }
  EXPECT_EQ(g->messageBoxes[0].text, "Cannot open");
  bare.OnMouseDown(1, 1, &left);
  EXPECT_TRUE(g->openedUrls.size() == 2u && g->messageBoxes.size() == 1u);
}

TEST_F(TextControls, BitmapTextDrawsOneFramePerCharacter) {
  Strip font(4, 4, 96);  // frame c - 31 shows code c
  struct Case {
    const char* text;
    IRECT r;
    int align;
    bool multiLine;
    std::vector<std::pair<int, int>> cells;  // (x of the cell's left, frame); y is r.T
  } cases[] = {
      {"AB", {0, 0, 100, 4}, IText::kAlignCenter, false, {{46, 34}, {50, 35}}},
      {"AB", {0, 0, 100, 4}, IText::kAlignNear, false, {{0, 34}, {4, 35}}},
      {"AB", {0, 0, 100, 4}, IText::kAlignFar, false, {{92, 34}, {96, 35}}},
      {"A\x01" "\xe9" "B", {0, 0, 100, 4}, IText::kAlignNear, false, {{0, 34}, {4, 0}, {8, 0}, {12, 35}}},
      {"ABC", {10, 0, 18, 4}, IText::kAlignNear, false, {{10, 34}, {14, 35}}},  // cut to what fits
  };
  for (const Case& c : cases) {
    IText style;
    style.mAlign = c.align;
    auto* t = Attach(new IBitmapTextControl(&plug, c.r, font.frames, c.text, &style, 4, 4, 0, c.multiLine));
    DrawArea(IRECT(0, 0, 200, 120));
    for (auto [x, frame] : c.cells) EXPECT_EQ(FrameAt(x + 1, c.r.T + 1), frame) << c.text << " at " << x;
    EXPECT_EQ(Pixel(18, 1), c.align == IText::kAlignNear ? kBackground : Pixel(18, 1));
    graphics->RemoveControl(t->GetListIdx());
    delete t;
  }
  // Several lines wrap at the rectangle's width; an empty rectangle draws nothing.
  auto* t = Attach(new IBitmapTextControl(&plug, IRECT(0, 10, 8, 30), font.frames, "ABC", nullptr, 4, 4, 0, true));
  IText left;
  left.mAlign = IText::kAlignNear;
  t->SetTextStyle(left);
  DrawArea(IRECT(0, 0, 200, 120));
  EXPECT_EQ(FrameAt(1, 11), 34);
  EXPECT_EQ(FrameAt(5, 11), 35);
  EXPECT_EQ(FrameAt(1, 15), 36);
  t->SetRECT(IRECT(0, 10, 0, 30));
  DrawArea(IRECT(0, 0, 200, 120));
  EXPECT_EQ(Pixel(1, 11), kBackground);
}
