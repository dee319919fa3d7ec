// Text, caption, editable-text, spinner, user-text, link and bitmap-text controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "control_fixture.h"
#include "graphics/bitmap_text_control.h"
#include "graphics/text_controls.h"

using namespace vqtest;
using TextControls = ControlFixture;

static IMouseMod kLeft(true), kRight(false, true), kShift(true, false, true), kNone;

TEST_F(TextControls, SetTextIfChangedMarksDirtyOnlyForNewText) {
  Strip font(4, 4, 96);
  ITextControl text(&plug, IRECT(0, 0, 50, 10), nullptr, "same");
  ITextControl2 text2(&plug, IRECT(0, 0, 50, 10), -1, nullptr);
  IBitmapTextControl bitmapText(&plug, IRECT(0, 0, 50, 10), font.frames, "same");
  text2.SetTextIfChanged("same");
  auto check = [](IControl& c, auto set) {
    for (auto [s, dirty] : {std::pair{"same", false},
                            {"new", true},
                            {"Deep Sub Bass Long.pr4", true},
                            {"Wide Warm Pad Long.pr4", true},
                            {nullptr, true},
                            {"", false}}) {
      c.SetClean();
      set(s);
      EXPECT_EQ(c.IsDirty(), dirty) << (s ? s : "null");
    }
  };
  check(text, [&](const char* s) { text.SetTextIfChanged(s); });
  check(text2, [&](const char* s) { text2.SetTextIfChanged(s); });
  check(bitmapText, [&](const char* s) { bitmapText.SetTextIfChanged(s); });
  // Cut to its width, a new text at the same width shows as in a control made for it.
  ITextControl cut(&plug, IRECT(0, 0, 50, 10), nullptr, "same");
  cut.SetCutToWidth(true);
  check(cut, [&](const char* s) {
    cut.SetTextIfChanged(s);
    ITextControl fresh(&plug, IRECT(0, 0, 50, 10), nullptr, s);
    fresh.SetCutToWidth(true);
    EXPECT_EQ(cut.CutToWidth(graphics), fresh.CutToWidth(graphics)) << (s ? s : "null");
  });
}

// A text fitted to its box: made smaller until it fits its width and height, then past sizes at
// which its glyphs run together (their columns one run where the style's size keeps them
// apart); centred text made smaller is centred by its ink. Known answers for the bold face.
TEST_F(TextControls, FittedTextStepsDownToFitWithItsGlyphsApartAndCentredByItsInk) {
  struct Case {
    const char* text;
    int size;
    IRECT box;
    int fitted;
  } cases[] = {
      {"vintage", 16, IRECT(0, 0, 80, 40), 16},   // fits as it is
      {"vintage", 16, IRECT(0, 0, 34, 40), 9},    // fits at 10, its glyphs joined there
      {"vintage", 16, IRECT(0, 0, 200, 14), 11},  // fits its height at 13, joined at 13 and 12
      {"1.", 28, IRECT(0, 0, 27, 40), 27},        // the one's ink well right of its cell's left
      {"1r", 14, IRECT(0, 0, 12, 40), 13},        // the r's arm fading out at its right
  };
  for (const Case& c : cases) {
    IText style(c.size, COLOR_WHITE, "Monaco", IText::kStyleBold, IText::kAlignCenter);
    auto* text = Attach(new ITextControl(&plug, c.box, &style, c.text));
    text->SetFitToRect(true);
    EXPECT_EQ(text->FitToRect(graphics).style.mSize, c.fitted) << c.text << " in " << c.box.W();
    DrawArea(c.box);
    int left = c.box.R, right = c.box.L;
    for (int y = c.box.T; y < c.box.B; ++y)
      for (int x = c.box.L; x < c.box.R; ++x)
        if (RAST_PixelGreen(Pixel(x, y)) > 32)
          left = std::min(left, x), right = std::max(right, x + 1);
    EXPECT_LE(std::abs((left - c.box.L) - (c.box.R - right)), 1)
        << c.text << " in " << c.box.W() << ": ink " << left << " to " << right;
    graphics->RemoveControl(text->GetListIdx());
    delete text;
  }
}

TEST_F(TextControls, RescaleRebuildsTheStyleAndKeepsSecureEntry) {
  IText style(10, COLOR_BLUE);
  style.mSecure = 1;
  ITextControl text(&plug, IRECT(0, 0, 50, 10), &style, "x");
  ITextControl2 text2(&plug, IRECT(0, 0, 50, 10), -1, &style);  // its own size: 10
  for (auto [scale, size] : {std::pair{1.5, 15}, {1.25, 12}, {2.0, 20}}) {
    text.GetTextStyle()->mCached = reinterpret_cast<RAST_IFont*>(&text);  // any font
    text.OnRescale(scale);
    text2.OnRescale(scale);
    EXPECT_EQ(text.GetTextStyle()->mSize, size) << scale;
    EXPECT_EQ(text2.GetTextStyle()->mSize, size) << scale;
    EXPECT_EQ(text.GetTextStyle()->mCached, nullptr);  // the cache makes a font for the new size
    EXPECT_EQ(text.GetTextStyle()->mSecure, 1);        // a masked field never opens readable
  }
}

TEST_F(TextControls, MaskedTextDrawsOneAsteriskPerCharacterUpTo99) {
  IText style(10, COLOR_WHITE, "Monaco", IText::kStyleNormal, IText::kAlignNear);
  style.mSecure = 1;
  const IRECT r(0, 0, 200, 14);
  auto drawn = [&](IControl* c) {
    Attach(c);
    DrawArea(r);
    std::vector<RAST_pixel> px;
    for (int y = 0; y < r.B; ++y) {
      for (int x = 0; x < r.R; ++x) px.push_back(Pixel(x, y));
    }
    graphics->RemoveControl(c->GetListIdx());
    delete c;
    return px;
  };
  for (auto [text, shown] : {std::pair<std::string, std::string>{"abc", "***"},
                             {std::string(120, 'p'), std::string(99, '*')},
                             {"\xc3\xa9t\xc3\xa9", "***"}}) {
    const auto plain = drawn(new ITextControl(&plug, r, &style, shown.c_str()));
    EXPECT_EQ(drawn(new IUserTextControl(&plug, r, &style, text.c_str())), plain) << text;
    EXPECT_EQ(drawn(new IEditableTextControl(&plug, r, -1, &style, text.c_str(), false, true)),
              plain)
        << text;
  }
  EXPECT_NE(drawn(new ITextControl(&plug, r, &style, "***")),
            drawn(new ITextControl(&plug, r, &style, "")));
}

TEST_F(TextControls, SpinnerWheelMovesOneStepOfItsParameter) {
  IParam own;
  own.InitInt("Own", 0, 0, 10);
  struct Case {
    int param;
    IParam* ownParam;
    IMouseMod* mod;
    int d;
    double from, to;
  } cases[] = {{0, nullptr, &kNone, 1, 1.0 / 98, 2.0 / 98},  // the slot spinner: 01 -> 02
               {0, nullptr, &kNone, -3, 5.0 / 98, 2.0 / 98},
               {3, nullptr, &kNone, 1, 0.5, 0.525},
               {2, nullptr, &kNone, 1, 0.5, 0.51},
               {2, nullptr, &kShift, 1, 0.5, 0.501},
               {-1, &own, &kNone, 2, 0.0, 0.2},
               {-1, nullptr, &kNone, 1, 0.5, 0.51},
               {0, nullptr, &kNone, 5, 96.0 / 98, 1.0}};
  for (const Case& c : cases) {
    ISpinnerControl spin(&plug, IRECT(0, 0, 30, 10), c.param, nullptr, c.ownParam, true, false);
    spin.SetValue(c.from);
    const size_t before = plug.pushes.size();
    spin.OnMouseWheel(0, 0, c.mod, c.d);
    EXPECT_NEAR(spin.GetValue(), c.to, 1e-12) << c.param << " by " << c.d;
    EXPECT_EQ(plug.pushes.size(), before + (c.param >= 0 ? 1 : 0));
  }
}

TEST_F(TextControls, SpinnerAndCaptionShowTheirParameter) {
  ISpinnerControl spin(&plug, IRECT(0, 0, 30, 20), 3, nullptr, nullptr, true, true, 0, 2.0);
  spin.SetValue(0.5);
  spin.OnMouseDrag(0, 0, 0, -4, &kShift);  // no fine mode: 4 / 20 / 2
  spin.SetRECT(IRECT(0, 0, 30, 0));
  spin.OnMouseDrag(0, 0, 0, -4, &kShift);  // no height: ignored
  EXPECT_EQ(Pushes(3), std::vector<double>{0.6});
  spin.Draw(graphics);
  EXPECT_STREQ(spin.GetText(), "4 dB");
  IParam own;
  own.InitInt("Own", 0, 0, 10, "st");
  ISpinnerControl ownSpin(&plug, IRECT(0, 0, 30, 20), -1, nullptr, &own, true, true);
  ownSpin.SetValue(0.3);
  ownSpin.Draw(graphics);
  EXPECT_STREQ(ownSpin.GetText(), "3 st");
  ownSpin.PromptUserInput(IRECT(1, 2, 3, 4));
  ASSERT_EQ(graphics->prompts.size(), 1u);
  EXPECT_EQ(graphics->prompts[0].param, &own);

  ICaptionControl caption(&plug, IRECT(10, 10, 50, 30), 1, nullptr, true);
  plug.GetParam(1)->Set(1);
  caption.Draw(graphics);
  EXPECT_STREQ(caption.GetText(), "Square ");  // a display text has no label
  caption.OnMouseDown(20, 20, &kLeft);
  caption.OnMouseDown(20, 20, &kRight);
  caption.OnMouseDown(20, 20, &kNone);
  caption.OnMouseDblClick(20, 20, &kLeft);  // only prompts
  EXPECT_EQ(graphics->prompts.size(), 4u);
  EXPECT_EQ(graphics->prompts[1].where, IRECT(10, 10, 50, 30));
  EXPECT_EQ(Pushes(1).size(), 2u);
}

TEST_F(TextControls, EditableAndUserText) {
  auto* edit = Attach(new IEditableTextControl(&plug, IRECT(20, 20, 60, 40), 3, nullptr, ""));
  EXPECT_TRUE(edit->GetDblAsSingleClick());
  edit->OnMouseDown(25, 25, &kLeft);
  ASSERT_EQ(graphics->prompts.size(), 1u);
  EXPECT_EQ(graphics->prompts[0].where, IRECT(20, 20, 60, 40));
  const IColor bg(255, 9, 8, 7);
  for (const IColor* color : {&bg, static_cast<const IColor*>(nullptr)}) {
    edit->SetBackgroundColor(color);
    DrawArea(edit->GetRECT());
    EXPECT_EQ(Pixel(21, 21), color ? bg.ToPixel() : kBackground);
  }
  IText secure;
  secure.mSecure = 1;
  EXPECT_TRUE(IUserTextControl(&plug, IRECT(0, 0, 10, 10), &secure).IsMasked());
  IUserTextControl user(&plug, IRECT(0, 0, 10, 10), nullptr, nullptr);
  user.SetClean();
  user.SetTextFromPlug("name");
  EXPECT_TRUE(user.IsDirty());
  UTL_HeapBuf out;
  user.GetText(&out);
  EXPECT_EQ(std::string(static_cast<const char*>(out.Get()), out.GetSize()),
            std::string("name", 5));
}

namespace {
struct UrlGraphics : TestGraphics {
  using TestGraphics::TestGraphics;
  bool OpenURL(const char* url) override { return TestGraphics::OpenURL(url) && working == url; }
  std::string working;
};
}  // namespace

TEST(UrlControl, FallsBackToTheSecondAddressAndSaysWhenNeitherOpens) {
  TestPlug plug(1);
  auto* g = new UrlGraphics(&plug, 100, 100);
  plug.AttachGraphics(g);
  IURLControl link(&plug, IRECT(0, 0, 10, 10), "http://a", "http://b", "Cannot open");
  for (auto [working, tried, boxes] :
       {std::tuple{"http://a", 1u, 0u}, {"http://b", 2u, 0u}, {"", 2u, 1u}}) {
    g->openedUrls.clear();
    g->working = working;
    link.OnMouseDown(1, 1, &kLeft);
    EXPECT_EQ(g->openedUrls.size(), tried) << working;
    EXPECT_EQ(g->messageBoxes.size(), boxes) << working;
  }
  EXPECT_EQ(g->messageBoxes[0].text, "Cannot open");
}

TEST_F(TextControls, BitmapTextDrawsOneFramePerCharacter) {
  Strip font(4, 4, 96);  // frame c - 31 shows code c
  struct Case {
    const char* text;
    IRECT r;
    int align;
    bool multiLine;
    std::vector<std::tuple<int, int, int>> cells;  // x, y, frame (0: nothing drawn)
  } cases[] = {
      {"AB", {0, 0, 100, 4}, IText::kAlignCenter, false, {{46, 0, 34}, {50, 0, 35}, {54, 0, 0}}},
      {"AB", {0, 0, 100, 4}, IText::kAlignFar, false, {{92, 0, 34}, {96, 0, 35}}},
      {"A\x01"
       "\xe9"
       "B",
       {0, 0, 100, 4},
       7,
       false,
       {{0, 0, 34}, {4, 0, 0}, {8, 0, 0}, {12, 0, 35}}},
      {"ABC", {10, 0, 18, 4}, IText::kAlignNear, false, {{10, 0, 34}, {14, 0, 35}, {18, 0, 0}}},
      {"ABC", {0, 10, 8, 30}, IText::kAlignNear, true, {{0, 10, 34}, {4, 10, 35}, {0, 14, 36}}},
      {"ABC", {0, 10, 0, 30}, IText::kAlignNear, true, {{0, 10, 0}}},  // empty rectangle
  };
  for (const Case& c : cases) {
    IText style;
    style.mAlign = c.align;
    auto* t = Attach(
        new IBitmapTextControl(&plug, c.r, font.frames, c.text, &style, 4, 4, 0, c.multiLine));
    DrawArea(IRECT(0, 0, 200, 120));
    for (auto [x, y, frame] : c.cells)
      EXPECT_EQ(FrameAt(x + 1, y + 1), frame) << c.text << " at " << x << "," << y;
    graphics->RemoveControl(t->GetListIdx());
    delete t;
  }
}

namespace {
struct EntryGraphics : TestGraphics {
  using TestGraphics::TestGraphics;
  void CreateTextEntry(IControl* control, IParam* param, IText* text, IRECT* area,
                       const char* str) override {
    entries.push_back({control, param, text ? text->mSize : 0, area ? *area : IRECT(), str});
  }
  struct Entry {
    IControl* control;
    IParam* param;
    int size;
    IRECT where;
    std::string text;
  };
  std::vector<Entry> entries;
};
}  // namespace

// Draws its text as a plain text control does; a click edits it in a field without parameter,
// and the confirmed text comes back as the control's text.
TEST_F(TextControls, AlgDisplayShowsAndEditsItsText) {
  IText style(12, COLOR_WHITE, "Monaco", IText::kStyleNormal, IText::kAlignNear);
  const IRECT r(5, 5, 95, 25);
  auto pixels = [&](IControl* c) {
    Attach(c);
    DrawArea(r);
    std::vector<RAST_pixel> px;
    for (int y = r.T; y < r.B; ++y)
      for (int x = r.L; x < r.R; ++x) px.push_back(Pixel(x, y));
    graphics->RemoveControl(c->GetListIdx());
    delete c;
    return px;
  };
  for (const char* text : {"Alg 3", ""})
    EXPECT_EQ(pixels(new AlgDisplay(&plug, r, &style, text)),
              pixels(new ITextControl(&plug, r, &style, text)))
        << text;
  EXPECT_EQ(pixels(new AlgDisplay(&plug, r, &style, "")),
            std::vector<RAST_pixel>(size_t(r.W() * r.H()), kBackground));

  TestPlug own(1);
  auto* g = new EntryGraphics(&own, 100, 40);
  own.AttachGraphics(g);
  auto* alg = new AlgDisplay(&own, r, &style, "Alg 3");
  g->AttachControl(alg);
  alg->OnMouseDown(10, 10, &kLeft);
  ASSERT_EQ(g->entries.size(), 1u);
  const EntryGraphics::Entry& e = g->entries[0];
  EXPECT_EQ(std::tuple(e.control, e.param, e.size, e.where, e.text),
            std::tuple(static_cast<IControl*>(alg), nullptr, 12, r, std::string("Alg 3")));
  alg->SetClean();
  alg->SetTextFromPlug("Alg 7");
  EXPECT_STREQ(alg->GetText(), "Alg 7");
  EXPECT_TRUE(alg->IsDirty());
  alg->SetTextFromPlug(nullptr);
  EXPECT_STREQ(alg->GetText(), "");
}
