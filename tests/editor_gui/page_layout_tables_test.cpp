// The page layout tables against the counts, places, classes, images and parameters the pages
// are built from.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "editor/gui/page_layout_tables.h"

using namespace vq_layout;

namespace {

const ControlSpec* Find(const std::vector<ControlSpec>& list, Ctl cls, int param,
                        int* index = nullptr) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].cls == cls && list[i].param == param) {
      if (index) *index = static_cast<int>(i);
      return &list[i];
    }
  return nullptr;
}

int Attached(const std::vector<ControlSpec>& list) {
  int n = 0;
  for (const ControlSpec& c : list) n += c.attached;
  return n;
}

}  // namespace

TEST(PageLayout, KnobPositionTable) {
  struct Row {
    int param;
    Point at;
  };
  const Row rows[] = {{3, {25, 88}},     {14, {465, 88}},   {26, {465, 245}},   {50, {465, 559}},
                      {58, {800, 402}},  {59, {1008, 402}}, {61, {1080, 402}},  {69, {840, 245}},
                      {70, {520, 245}},  {77, {720, 88}},   {78, {762, 155}},   {83, {1000, 88}},
                      {87, {762, 205}},  {91, {520, 88}},   {93, {936, 505}},   {97, {1080, 245}},
                      {98, {0, 0}},      {104, {559, 8}},   {125, {1063, 8}},   {126, {0, 0}},
                      {127, {938, 450}}, {131, {906, 565}}, {134, {520, 559}},  {146, {1080, 559}},
                      {149, {680, 559}}, {150, {0, 0}},     {172, {1080, 559}}, {173, {902, 465}},
                      {175, {0, 0}},     {180, {982, 58}},  {185, {600, 559}},  {186, {800, 88}},
                      {2, {0, 0}},       {187, {0, 0}}};
  for (const Row& r : rows) EXPECT_EQ(KnobPosition(r.param), r.at) << "parameter " << r.param;
  int placed = 0;
  for (int i = 0; i < kPositionCount; ++i) placed += !(KnobPositionAt(i) == Point{});
  EXPECT_EQ(placed, 142);  // 42 entries are (0, 0)
}

TEST(PageLayout, ImageListsAndNames) {
  std::set<std::string> orig, lcd, manager;
  for (const ImageSpec& s : SynthPageImages()) {
    if (s.skins & kInOrig) orig.insert(s.file);
    if (s.skins & kInLcd) lcd.insert(s.file);
  }
  for (const ImageSpec& s : CommonImages()) orig.insert(s.file);
  for (const ImageSpec& s : ManagerImages()) manager.insert(s.file);
  EXPECT_EQ(orig.size(), 67u);
  EXPECT_EQ(lcd.size(), 62u);
  EXPECT_EQ(manager.size(), 23u);

  EXPECT_EQ(ImageLoadName(159), "img/orig//flexisavebg-2x.png");
  EXPECT_EQ(ImageLoadName(259), "img/lcd//flexisavebg-2x.png");
  EXPECT_EQ(ImageLoadName(202), "img/lcd/background-2x.png");
  EXPECT_EQ(ImageLoadName(265), "img/lcd/flexi-sw-2x.png");
  EXPECT_EQ(ImageLoadName(313), "img/manager/pm-program-2x.png");
  EXPECT_EQ(ImageLoadName(104), "img/orig/keys-2x.png");
  for (int absent : {165, 262, 274, 246, 316, 101, 185})
    EXPECT_EQ(FindImage(absent), nullptr) << absent;
  EXPECT_EQ(FindImage(136)->frames, 128);
  EXPECT_EQ(FindImage(313)->frames, 7);
  EXPECT_EQ(FindImage(117)->frames, 101);
  EXPECT_EQ(FindImage(134)->frames, 80);
  // Two ids, one file, one frame size.
  EXPECT_STREQ(FindImage(106)->file, FindImage(107)->file);
  EXPECT_STREQ(FindImage(135)->file, FindImage(136)->file);
  // A FLEXI range slider is half a knob: two stand in one knob's place.
  EXPECT_EQ(2 * FrameSize(136).x, FrameSize(106).x);
  EXPECT_EQ(FrameSize(148).y, 716);  // drawn one pixel down, above the bottom row
  EXPECT_EQ(FrameSize(248).y, 717);
  EXPECT_EQ(FrameSize(209).x, 55);  // lcd selector buttons match the lcd selector areas
}

TEST(PageLayout, TextStylesAndEqualizerSettings) {
  EXPECT_STREQ(TextStyleOf(Style::SlotNumber).face, "Verdana");
  EXPECT_EQ(TextStyleOf(Style::SlotNumber).size, 22);
  EXPECT_EQ(TextStyleOf(Style::SlotNumber).color, IColor(255, 220, 220, 220));
  EXPECT_TRUE(MakeText(Style::LoginPassword).mSecure);
  EXPECT_FALSE(MakeText(Style::LoginText).mSecure);
  const IText plus = MakeText(Style::PlusOrig);
  EXPECT_EQ(plus.mSize, 11);
  EXPECT_EQ(plus.mColor, IColor(255, 255, 0, 0));
  EXPECT_EQ(plus.mQuality, 2);
  EXPECT_EQ(MakeText(Style::BrowserRow).mAlign, 0);
  const EqDisplaySettings& eq = EqSettings();
  EXPECT_EQ(eq.bands, 4);
  EXPECT_DOUBLE_EQ(eq.highestHz, 12000.0);
  EXPECT_EQ(eq.labelBox, IColor(100, 0, 0, 0));
  EXPECT_STREQ(eq.gainGrid, "-18, -12, -6, 0, 6, 12, 18");
}

TEST(PageLayout, SynthPageCountsAndRowsPerSkin) {
  struct Row {
    Skin skin;
    Ctl cls;
    int param, image;
    IRECT rect;
    bool hidden;
  };
  const Row rows[] = {
      {Skin::Space, Ctl::Knob, 3, 106, IRECT(25, 76, 57, 120), false},
      {Skin::Lcd, Ctl::Knob, 3, 206, IRECT(25, 76, 57, 114), false},
      {Skin::Space, Ctl::Knob, 51, 145, IRECT(520, 390, 552, 434), false},
      {Skin::Space, Ctl::Switch, 78, 172, IRECT(768, 148, 788, 160), false},
      {Skin::Lcd, Ctl::Switch, 78, 233, IRECT(768, 148, 788, 160), false},
      {Skin::Lcd, Ctl::Switch, 89, 233, IRECT(872, 457, 892, 469), false},
      {Skin::Space, Ctl::Knob, 93, 169, IRECT(936, 493, 968, 521), false},
      {Skin::Lcd, Ctl::Knob, 93, 269, IRECT(936, 496, 968, 524), false},
      {Skin::Space, Ctl::Knob2, 127, 169, IRECT(938, 450, 970, 478), false},
      {Skin::Solid, Ctl::Knob, 186, 107, IRECT(800, 76, 832, 120), true},
      {Skin::Space, Ctl::Knob, 134, 118, IRECT(520, 589, 552, 633), false},
      {Skin::Space, Ctl::Knob, 138, 106, IRECT(640 + 40 * 3, 589, 672 + 40 * 3, 633), false},
      {Skin::Space, Ctl::Knob, 231, 136, IRECT(300, -40, 316, 4), true},
      {Skin::Lcd, Ctl::Knob, 238, 242, IRECT(300, -40, 316, -2), true},
      {Skin::Lcd, Ctl::Switch, 188, 265, IRECT(408, 36, 432, 52), false},
      {Skin::Space, Ctl::Button, 241, 133, IRECT(906, 50, 930, 66), false},
      {Skin::Space, Ctl::Button, 243, 151, IRECT(572, 52, 592, 64), false},
      {Skin::Lcd, Ctl::Button, 243, 251, IRECT(570, 50, 594, 66), false},
      {Skin::Space, Ctl::Knob, 118, 134, IRECT(895, 8, 955, 35), false},
      {Skin::Space, Ctl::Spinner, 252, 0, IRECT(814, 35, 884, 51), false},
      {Skin::Space, Ctl::Switch, 180, 156, IRECT(982, 56, 1022, 70), false},
      {Skin::Space, Ctl::RadioButtons, 293, 146, IRECT(524, 565, 810, 581), true},
      {Skin::Lcd, Ctl::Switch, 305, 270, IRECT(808, 562, 903, 582), false},
      {Skin::Lcd, Ctl::InvisibleSwitch, 312, 0, IRECT(808, 562, 908, 587), false},
      {Skin::Space, Ctl::Knob2, 128, 176, IRECT(885, 390, 917, 406), false},
      {Skin::Lcd, Ctl::Knob2, 128, 276, IRECT(885, 390, 917, 405), false},
      {Skin::Lcd, Ctl::Switch, 306, 275, IRECT(848, 406, 988, 428), false},
      {Skin::Space, Ctl::InvisibleSwitch, 307, 0, IRECT(848, 408, 920, 430), true},
      {Skin::Space, Ctl::ParaEq, 290, 0, IRECT(640, 593, 1100, 708), false},
      {Skin::Lcd, Ctl::ParaEq, 290, 0, IRECT(650, 590, 1110, 705), false},
      {Skin::Space, Ctl::InvisibleSelect, 265, 0, IRECT(567, 180, 839, 680), true},
      {Skin::Space, Ctl::Switch, 179, 150, IRECT(575, 100, 615, 116), true},
      {Skin::Lcd, Ctl::Button, 212, 225, IRECT(189, 725, 237, 749), false},
      {Skin::Space, Ctl::Switch, 289, 131, IRECT(1002, 770, 1014, 782), false},
      {Skin::Lcd, Ctl::Button, 210, 264, IRECT(247, 52, 275, 68), false},
      {Skin::Space, Ctl::FileSelector, 208, 109, IRECT(0, 0, 40, 16), true},
      {Skin::Lcd, Ctl::FileSelector, 203, 209, IRECT(104, 10, 160, 27), false},
      {Skin::Space, Ctl::Button, 207, 116, IRECT(190, 6, 240, 26), false},
      {Skin::Lcd, Ctl::Button, 207, 216, IRECT(218, 10, 273, 27), false},
      {Skin::Space, Ctl::Spinner, 301, 0, IRECT(548, 348, 588, 388), false},
      {Skin::Space, Ctl::Spinner, 348, 0, IRECT(260, 764, 290, 794), false},
      {Skin::Lcd, Ctl::Knob3, 349, 271, IRECT(293, 728, 315, 794), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.param);
    const std::vector<ControlSpec> list = SynthPageControls(r.skin);
    const ControlSpec* c = Find(list, r.cls, r.param);
    ASSERT_NE(c, nullptr) << CtlName(r.cls);
    EXPECT_EQ(c->image, r.image);
    EXPECT_EQ(c->rect, r.rect);
    EXPECT_EQ(c->hidden, r.hidden);
  }

  // Counts, per the build order: orig 413 attached, lcd 410 (one background, one save image and
  // the radio buttons fewer, the external-MIDI image more); 26 read-out slots never attached.
  const int expected[3] = {413, 413, 410};
  const Skin skins[3] = {Skin::Space, Skin::Solid, Skin::Lcd};
  for (int s = 0; s < 3; ++s) {
    const std::vector<ControlSpec> list = SynthPageControls(skins[s]);
    EXPECT_EQ(Attached(list), expected[s]);
    EXPECT_EQ(static_cast<int>(list.size()) - Attached(list), 26);
    // Every framed control takes one frame of an image its skin has.
    for (const ControlSpec& c : list)
      if (c.image) {
        EXPECT_NE(FindImage(c.image), nullptr) << c.image;
      }
  }
  const std::vector<ControlSpec> space = SynthPageControls(Skin::Space);
  EXPECT_EQ(Find(space, Ctl::RadioButtons, 293)->count, 3);
  EXPECT_EQ(Find(space, Ctl::RadioButtons, 293)->direction, 1);
  EXPECT_DOUBLE_EQ(Find(space, Ctl::Spinner, 301)->gearing, 10.0);
  EXPECT_DOUBLE_EQ(Find(space, Ctl::Knob, 104)->gearing, 3.0);
  EXPECT_DOUBLE_EQ(Find(space, Ctl::Knob, 70)->gearing, 0.4);
  EXPECT_STREQ(Find(space, Ctl::FileSelector, 208)->text, "vq4");
  EXPECT_EQ(Find(space, Ctl::FileSelector, 203)->fileAction, 1);
  EXPECT_FALSE(SynthPageControls(Skin::Space)[0].hidden);  // 102 shown, 162 hidden
  EXPECT_TRUE(SynthPageControls(Skin::Space)[1].hidden);
  EXPECT_TRUE(SynthPageControls(Skin::Solid)[0].hidden);
  EXPECT_FALSE(SynthPageControls(Skin::Solid)[1].hidden);
}

TEST(PageLayout, SynthPageBuildOrder) {
  for (Skin skin : {Skin::Space, Skin::Lcd}) {
    const std::vector<ControlSpec> list = SynthPageControls(skin);
    // Anchors in attach order: each must come after the one before.
    const std::pair<Ctl, int> anchors[] = {{Ctl::Switch, 173},
                                           {Ctl::Image, 211},
                                           {Ctl::Knob, 3},
                                           {Ctl::Knob, 93},
                                           {Ctl::Knob, 94},
                                           {Ctl::Knob2, 127},
                                           {Ctl::Knob, 186},
                                           {Ctl::Knob, 132},
                                           {Ctl::Knob, 147},
                                           {Ctl::Knob, 185},
                                           {Ctl::Switch, 131},
                                           {Ctl::Knob, 231},
                                           {Ctl::Switch, 187},
                                           {Ctl::Spinner, 247},
                                           {Ctl::InvisibleSwitch, 255},
                                           {Ctl::InvisibleSelect, 263},
                                           {Ctl::Button, 303},
                                           {Ctl::FileSelector, 208},
                                           {Ctl::Button, 202},
                                           {Ctl::Spinner, 301},
                                           {Ctl::Knob3, 349}};
    int last = -1;
    for (const auto& a : anchors) {
      int index = -1;
      ASSERT_NE(Find(list, a.first, a.second, &index), nullptr) << a.second;
      EXPECT_GT(index, last) << a.second;
      last = index;
    }
    EXPECT_EQ(last, static_cast<int>(list.size()) - 1);
    // Each parameter 3..97 gets its control and then its read-out, in parameter order.
    int knob = -1;
    Find(list, Ctl::Knob, 4, &knob);
    EXPECT_EQ(list[knob + 1].readoutField, 1);
    EXPECT_EQ(list[knob + 2].param, 5);
  }
}

TEST(PageLayout, ManagerPage) {
  const std::vector<ControlSpec> list = ManagerPageControls();
  EXPECT_EQ(list.size(), 484u);
  struct Row {
    Ctl cls;
    int param, image;
    IRECT rect;
    bool hidden;
  };
  const Row rows[] = {{Ctl::Image, -1, 301, IRECT(0, 0, 1140, 800), false},
                      {Ctl::Button, 313, 302, IRECT(22, 35, 80, 61), false},
                      {Ctl::Button, 336, 315, IRECT(942, 64, 1042, 90), false},
                      {Ctl::Button, 345, 321, IRECT(115, 70, 175, 92), true},
                      {Ctl::Switch, 346, 324, IRECT(226, 74, 238, 86), true},
                      {Ctl::Switch, 335, 324, IRECT(826, 83, 838, 95), false},
                      {Ctl::InvisibleSelect3, 338, 0, IRECT(24, 118, 274, 776), false},
                      {Ctl::Fader, 341, 318, IRECT(276, 116, 300, 776), false},
                      {Ctl::MatrixSelect, 339, 0, IRECT(308, 108, 1120, 788), false},
                      {Ctl::Button, 342, 317, IRECT(317, 112, 337, 132), false}};
  for (const Row& r : rows) {
    const ControlSpec* c = Find(list, r.cls, r.param);
    ASSERT_NE(c, nullptr) << r.param;
    EXPECT_EQ(c->image, r.image) << r.param;
    EXPECT_EQ(c->rect, r.rect) << r.param;
    EXPECT_EQ(c->hidden, r.hidden) << r.param;
  }
  EXPECT_EQ(list.back().param, 342);
  // Slot images: selection then program image per slot; slot 0 hidden.
  int first = -1;
  Find(list, Ctl::Fader, 341, &first);
  const ControlSpec& sel0 = list[first + 1];
  EXPECT_EQ(sel0.image, 314);
  EXPECT_TRUE(sel0.hidden);
  EXPECT_TRUE(list[first + 2].hidden);
  const ControlSpec& prog99 = list[first + 200];
  EXPECT_EQ(prog99.image, 313);
  EXPECT_EQ(prog99.rect, IRECT(1046, 724, 1126, 790));  // y = trunc(108 + 68.5 * 9)
  const ControlSpec& num99 = list[first + 1 + 200 + 198];
  EXPECT_STREQ(num99.text, "99");
  EXPECT_EQ(num99.rect, IRECT(1054, 726, 1094, 750));
  EXPECT_STREQ(list[first + 1 + 200 + 2].text, "01");
  EXPECT_EQ(list[first + 1 + 200].style, Style::SlotNumber);
  EXPECT_TRUE(list[first + 1 + 200].hidden);
}
