// Each skin's pages drawn whole into the back buffer, kept as "page-<skin>.png" beside the test
// for a person to look at; the skins must differ and the pages must not be blank.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <tuple>

#include "graphics/igraphics_linux.h"
#include "library/slot_table.h"
#include "pages_test_support.h"
#include "platform/headless.h"
#include "platform/utf8.h"
#include "rast/rast_bitmap.h"
#include "support/png_writer.h"
#include "wemu/utilities.h"

using namespace vqtest;

namespace {

class ScreenGraphics : public IGraphicsLinux {
 public:
  ScreenGraphics(IModuleBase* plug, int w, int h, std::string folder)
      : IGraphicsLinux(plug, w, h), mFolder(std::move(folder)) {}
  void AppSupportPath(UTL_String* path, bool system) override { path->Set(mFolder.c_str()); }

 private:
  std::string mFolder;
};

}  // namespace

namespace {

using Pixels = std::vector<RAST_pixel>;

constexpr const char* kSkins[] = {"space", "solid", "lcd"};
// The smallest GUI size, one between it and the usual size, the usual and the largest.
constexpr double kScales[] = {0.7, 0.93, 1.0, 2.0};

int Apart(RAST_pixel a, RAST_pixel b) {
  auto d = [](int x, int y) { return x > y ? x - y : y - x; };
  return d(RAST_PixelRed(a), RAST_PixelRed(b)) + d(RAST_PixelGreen(a), RAST_PixelGreen(b)) +
         d(RAST_PixelBlue(a), RAST_PixelBlue(b));
}

bool Differs(RAST_pixel a, RAST_pixel b) {
  return Apart(a, b) > 96;
}

// Tells an edge from the texture on dark ground too: apart by more than a quarter of the
// brighter one's level.
bool Contrasts(RAST_pixel a, RAST_pixel b) {
  const RAST_pixel black = RAST_MakePixel(0, 0, 0, 255);
  return Apart(a, b) > std::max(8, std::max(Apart(a, black), Apart(b, black)) / 4);
}

// Luminance contrast of two colours (1 to 21), as for text on its ground.
double ContrastRatio(RAST_pixel a, RAST_pixel b) {
  auto lum = [](RAST_pixel p) {
    auto lin = [](int v) {
      const double c = v / 255.0;
      return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(RAST_PixelRed(p)) + 0.7152 * lin(RAST_PixelGreen(p)) +
           0.0722 * lin(RAST_PixelBlue(p));
  };
  const double la = lum(a), lb = lum(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool Blank(const char* text) {
  return std::string(text).find_first_not_of(' ') == std::string::npos;
}

// A box on the screen, in pixels.
struct Area {
  double l, t, r, b;
  // Overlapping or touching: less than `gap` between them.
  bool Meets(const Area& o, double gap) const {
    return l < o.r + gap && o.l < r + gap && t < o.b + gap && o.t < b + gap;
  }
  bool Holds(const Area& o) const { return o.l >= l && o.t >= t && o.r <= r && o.b <= b; }
};

}  // namespace

class PageLookTest : public PagesTest {
 protected:
  // At the size the settings give when `scale` is 0.
  VQEditor& Open(const char* skin, double scale = 0) {
    vq::platform::installHeadless();
    WEMU_SetResourceFolder(VQ_RESOURCE_DIR);
    WriteSettings(std::string("[gui]\nbackground=") + skin + "\n");
    mkdir((dir + "/VQEditor4").c_str(), 0755);
    if (scale > 0)
      WritePrivateProfileString("gui", "guiscale", std::to_string(scale).c_str(),
                                (dir + "/VQEditor4/settings.ini").c_str());
    VQEditorSetup setup = BaseSetup();
    const std::string folder = dir;
    setup.makeGraphics = [folder](IModuleBase* plug, int w, int h, int) -> IGraphics* {
      return new ScreenGraphics(plug, w, h, folder);
    };
    VQEditor& e = MakeFrom(std::move(setup));
    StopTimer();
    e.ResizeAtGuiOpen();
    G().OpenWindow(nullptr);
    return e;
  }
  void Close() {
    G().CloseWindow();
    editor.reset();
    IGraphics::ResetCaches();
  }
  Pixels Frame() {
    G().SetAllControlsDirty();
    IRECT r;
    if (G().IsDirty(&r)) G().Draw(&r);
    RAST_BitmapRows rows(G().GetDrawBitmap());
    Pixels p;
    for (int y = 0; y < rows.height; ++y) p.insert(p.end(), rows.row(y), rows.row(y) + rows.width);
    return p;
  }
  // Draws each shown control alone over black and over white (the clip is the whole page after
  // a frame): no pixel it changes lies outside its box, its box lies inside the page, no text
  // lands on what a switch or a slider draws, and no slider reaches into a FLEXI caption's box.
  void ExpectDrawnInsideBoxes(const char* page, bool textsOffSwitches = true) {
    Frame();
    RAST_BitmapRows rows(G().GetDrawBitmap());
    const int w = rows.width, h = rows.height;
    const int margin = static_cast<int>(24 * G().GetGuiScale());
    std::vector<bool> switches(static_cast<size_t>(w) * h);  // drawn by a switch
    std::vector<bool> sliders(static_cast<size_t>(w) * h);   // drawn by a knob or slider
    std::vector<std::pair<int, std::vector<int>>> texts;     // control, pixels drawn
    auto name = [&](int i) {
      IControl* c = G().GetControl(i);
      const IRECT& r = c->GetRECT();
      return testing::Message() << page << ": control " << i << " (" << typeid(*c).name()
                                << ", parameter " << c->ParamIdx() << ") at " << r.L << "," << r.T
                                << " " << r.W() << "x" << r.H();
    };
    for (int i = 1; i < G().NControls(); ++i) {
      IControl* c = G().GetControl(i);
      const IRECT r = c->GetRECT();
      if (c->IsHidden() || r.Empty()) continue;
      EXPECT_TRUE(r.L >= 0 && r.T >= 0 && r.R <= w && r.B <= h)
          << name(i) << " past the page of " << w << "x" << h;
      auto* text = dynamic_cast<ITextControl*>(c);
      if (text) texts.emplace_back(i, std::vector<int>());
      const int l = std::max(r.L - margin, 0), t = std::max(r.T - margin, 0),
                rr = std::min(r.R + margin, w), b = std::min(r.B + margin, h);
      int outside = 0;
      for (RAST_pixel ground : {RAST_MakePixel(0, 0, 0, 255), RAST_MakePixel(255, 255, 255, 255)}) {
        for (int y = t; y < b; ++y) std::fill(rows.at(l, y), rows.at(rr, y), ground);
        c->Draw(&G());
        for (int y = t; y < b; ++y)
          for (int x = l; x < rr; ++x) {
            if (!Differs(*rows.at(x, y), ground)) continue;
            if (x < r.L || x >= r.R || y < r.T || y >= r.B) ++outside;
            if (text)
              texts.back().second.push_back(y * w + x);
            else if (typeid(*c) == typeid(ISwitchControl))
              switches[static_cast<size_t>(y) * w + x] = true;
            else if (dynamic_cast<IKnobControl*>(c))
              sliders[static_cast<size_t>(y) * w + x] = true;
          }
      }
      EXPECT_EQ(outside, 0) << name(i);
    }
    for (const auto& [i, drawn] : textsOffSwitches ? texts : decltype(texts)()) {
      const int over = static_cast<int>(std::count_if(drawn.begin(), drawn.end(), [&](int at) {
        return switches[static_cast<size_t>(at)] || sliders[static_cast<size_t>(at)];
      }));
      EXPECT_EQ(over, 0) << name(i) << " '"
                         << dynamic_cast<ITextControl*>(G().GetControl(i))->GetText()
                         << "' drawn over a switch or a slider";
    }
    for (int k = 0; textsOffSwitches && k < kFlexiSlotCount; ++k) {
      const IRECT r = Pages().FlexiLearnCaption(k)->GetRECT();
      int under = 0;
      for (int y = r.T; y < r.B; ++y)
        for (int x = r.L; x < r.R; ++x) under += sliders[static_cast<size_t>(y) * w + x];
      EXPECT_EQ(under, 0) << "a slider in the box of FLEXI " << k + 1 << "'s caption";
    }
  }
  // The most pixels in a row of `box`, on the page as drawn last, that differ from its middle.
  int MostMarkedInARow(const IRECT& box) {
    RAST_BitmapRows rows(G().GetDrawBitmap());
    const RAST_pixel ground = *rows.at((box.L + box.R) / 2, (box.T + box.B) / 2);
    int most = 0;
    for (int y = box.T; y < box.B; ++y) {
      int marked = 0;
      for (int x = box.L; x < box.R; ++x) marked += Differs(*rows.at(x, y), ground);
      most = std::max(most, marked);
    }
    return most;
  }
  // Whether a line (an edge of a panel, a well or a plate) runs across `r`, on the page as drawn
  // last: inside its outermost pixels, where the edges next to it fringe, most of one of its
  // rows, or columns, stands out from its first, middle or last one. A star of the texture is no
  // line.
  bool LineAcross(const IRECT& r) {
    RAST_BitmapRows rows(G().GetDrawBitmap());
    const int in = static_cast<int>(std::ceil(G().GetGuiScale()));
    const IRECT box(r.L + in, r.T + in, r.R - in, r.B - in);
    for (bool down : {false, true}) {
      const int lines = down ? box.W() : box.H(), length = down ? box.H() : box.W();
      auto at = [&](int line, int i) {
        return down ? *rows.at(box.L + line, box.T + i) : *rows.at(box.L + i, box.T + line);
      };
      for (int from : {0, lines / 2, lines - 1})
        for (int line = 0; line < lines; ++line) {
          int marked = 0;
          for (int i = 0; i < length; ++i) marked += Contrasts(at(line, i), at(from, i));
          if (2 * marked > length) return true;
        }
    }
    return false;
  }
  // What stands on the page in a box of its own reads on bare ground: with it gone no line runs
  // across its box. The FLEXI captions and polarity signs, the tracking switch; the program number
  // and the buttons beside it stand clear of the name's box and the VCO 1 panel, no line within
  // three pixels of their boxes either.
  void ExpectOnBareGround() {
    std::vector<std::tuple<std::string, IControl*, int>> boxes;  // what, control, room around
    for (int k = 0; k < kFlexiSlotCount; ++k) {
      const std::string flexi = "FLEXI " + std::to_string(k + 1);
      boxes.emplace_back(flexi + "'s caption", Pages().FlexiLearnCaption(k), 0);
      boxes.emplace_back(flexi + "'s polarity", Pages().FlexiPolarity(k), 0);
    }
    const std::tuple<int, const char*, int> alone[] = {
        {vq_param::k7SegmentDisplay, "the program number", 3},
        {vq_param::kInitButton, "INIT", 3},
        {vq_param::kPreviousProgram, "the previous-program button", 3},
        {vq_param::kNextProgram, "the next-program button", 3},
        {vq_param::kTrackingPriority, "the tracking switch", 0}};
    for (int i = 0; i < G().NControls(); ++i)
      for (const auto& [param, what, room] : alone)
        if (G().GetControl(i)->ParamIdx() == param)
          boxes.emplace_back(what, G().GetControl(i), room);
    ASSERT_EQ(boxes.size(), 2u * kFlexiSlotCount + std::size(alone));
    for (const auto& [what, c, room] : boxes)
      if (auto* text = dynamic_cast<ITextControl*>(c))
        text->SetTextIfChanged("");
      else
        c->Hide(true);
    Frame();
    for (const auto& [what, c, room] : boxes) {
      const IRECT& r = c->GetRECT();
      const int out = static_cast<int>(std::lround(room * G().GetGuiScale()));
      EXPECT_FALSE(LineAcross(IRECT(r.L - out, r.T - out, r.R + out, r.B + out)))
          << "a line through " << what << (room ? " or near it" : "");
    }
  }
  // No heading or line of the manager's artwork runs into a slot's box.
  void ExpectSlotsBare() {
    Frame();
    Pages().ManagerBackground()->Draw(&G());
    const int in = static_cast<int>(std::ceil(2 * G().GetGuiScale()));
    for (int slot = 1; slot < kSlotTableSize; ++slot) {
      const IRECT r = Pages().SlotFrame(slot)->GetRECT();
      EXPECT_EQ(MostMarkedInARow(IRECT(r.L + in, r.T + in, r.R - in, r.B - in)), 0)
          << "slot " << slot;
    }
  }
  // The sides of the manager's heading panels show their border alone, all along: a heading
  // that runs past its panel breaks the line.
  void ExpectPanelSidesUnbroken() {
    const Pixels frame = Frame();
    const int w = G().GetWidth();
    const double s = G().GetGuiScale();
    auto at = [&](int x, int y) { return frame[static_cast<size_t>(y) * w + x]; };
    auto px = [s](double v) { return static_cast<int>(std::lround(v * s)); };
    for (const auto& box : vq_layout::kManagerHeadingPanels) {
      int broken = 0;
      for (int side : {box[0], box[2]})  // left and right
        for (int x = px(side - 2); x < px(side + 2); ++x)
          for (int y = px(box[1] + 8); y < px(box[3] - 8); ++y)
            broken += Differs(at(x, y), at(x, px((box[1] + box[3]) / 2.0)));
      for (int side : {box[1], box[3]})  // top and bottom
        for (int y = px(side - 2); y < px(side + 2); ++y)
          for (int x = px(box[0] + 8); x < px(box[2] - 8); ++x)
            broken += Differs(at(x, y), at(px((box[0] + box[2]) / 2.0), y));
      EXPECT_EQ(broken, 0) << "the panel at " << box[0] << "," << box[1];
    }
  }
  // What the user sees of each shown control as a box of its own: a read-out's dark well (drawn
  // by the artwork around its box), anything else's box. Left out: click areas, which lie over
  // what they click; file selectors, under their buttons; page-size images, the panels over the
  // page; texts without well that show nothing.
  std::vector<std::pair<int, Area>> ShownBoxes() {
    const double s = G().GetGuiScale();
    const IText readout = vq_layout::MakeText(vq_layout::Style::Readout);
    std::vector<std::pair<int, Area>> boxes;
    for (int i = FirstInFront(); i < G().NControls(); ++i) {
      IControl* c = G().GetControl(i);
      const IRECT r = c->GetRECT();
      if (c->IsHidden() || r.Empty() || r.W() >= G().GetWidth() ||
          dynamic_cast<IInvisibleSwitchControl*>(c) || dynamic_cast<IInvisibleSelectControl*>(c) ||
          dynamic_cast<IInvisibleRecordingControl*>(c) || dynamic_cast<IFileSelectorControl*>(c) ||
          dynamic_cast<IBitmapOverlayControl*>(c))
        continue;
      Area a{double(r.L), double(r.T), double(r.R), double(r.B)};
      if (!dynamic_cast<ITextControl*>(c) && !DrawnArea(c, &a)) continue;
      if (auto* text = dynamic_cast<ITextControl*>(c); text && !editor->ManagerPageShown()) {
        const IText& style = text->GetBaseText();
        if (!dynamic_cast<ISpinnerControl*>(c) && style.mSize == readout.mSize &&
            style.mColor == readout.mColor && style.mStyle == readout.mStyle &&
            style.mAlign == readout.mAlign)
          a = Area{a.l + vq_layout::kReadoutWellInsetX * s, a.t + vq_layout::kReadoutWellInsetY * s,
                   a.r - vq_layout::kReadoutWellInsetX * s,
                   a.b - vq_layout::kReadoutWellInsetY * s};
        else if (Blank(text->GetText()))
          continue;
      }
      boxes.emplace_back(i, a);
    }
    return boxes;
  }
  // Where the control, drawn alone over black and over white, marks the page (inside its box);
  // false when it marks nothing.
  bool DrawnArea(IControl* c, Area* area) {
    RAST_BitmapRows rows(G().GetDrawBitmap());
    const IRECT r = c->GetRECT();
    const int l = std::max(r.L, 0), t = std::max(r.T, 0), rr = std::min(r.R, rows.width),
              b = std::min(r.B, rows.height);
    int x0 = rr, y0 = b, x1 = l, y1 = t;
    for (RAST_pixel ground : {RAST_MakePixel(0, 0, 0, 255), RAST_MakePixel(255, 255, 255, 255)}) {
      for (int y = t; y < b; ++y) std::fill(rows.at(l, y), rows.at(rr, y), ground);
      c->Draw(&G());
      for (int y = t; y < b; ++y)
        for (int x = l; x < rr; ++x)
          if (Differs(*rows.at(x, y), ground))
            x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1),
            y1 = std::max(y1, y + 1);
    }
    *area = Area{double(x0), double(y0), double(x1), double(y1)};
    return x0 < x1 && y0 < y1;
  }
  // The resize grip draws a triangle in its box's lower right half: whether `other` reaches it.
  bool ReachesGrip(int i, const Area& grip, const Area& other, double gap) {
    if (!dynamic_cast<IModuleGUIResize*>(G().GetControl(i))) return true;
    return (other.r + gap - grip.l) + (other.b + gap - grip.t) > grip.r - grip.l;
  }
  // The first control in front of what covers the page: the manager page or the slot panel.
  int FirstInFront() {
    for (IControl* cover : {Pages().ManagerBackground(), Pages().SaveFromDevicePanel()})
      if (cover && !cover->IsHidden()) return G().GetControlIdx(cover) + 1;
    return 1;
  }
  std::string Describe(int i, const Area& a) {
    IControl* c = G().GetControl(i);
    const double s = G().GetGuiScale();
    std::ostringstream out;
    out << "control " << i << " (" << typeid(*c).name() << ", parameter " << c->ParamIdx();
    if (auto* text = dynamic_cast<ITextControl*>(c)) out << ", '" << text->GetText() << "'";
    out << ") at " << a.l / s << "," << a.t / s << " to " << a.r / s << "," << a.b / s;
    return out.str();
  }
  // Every box shown keeps clear of the others and of every panel's border, wholly inside the
  // panel or wholly outside it: less than a pixel of the GUI's size between them is touching. A
  // box wholly inside another was put on it (a lamp on its button, a highlight on its tab, a
  // slot's number and name on its frame); the effect tabs and their highlights are one strip, the
  // browser's rows one list.
  void ExpectBoxesApart(const char* state, const std::vector<vq_layout::PanelBox>& panels) {
    const double s = G().GetGuiScale(), gap = std::min(1.0, s);
    const bool lcd = editor->SkinMode() == 2 && !editor->ManagerPageShown();
    Frame();
    const auto boxes = ShownBoxes();
    auto group = [&](int i) {
      IControl* c = G().GetControl(i);
      for (int k = 0; k < 4; ++k)
        if (c == Pages().TabHighlight(k)) return 1;
      const int p = c->ParamIdx();
      if (p == vq_param::kShowFxOverdrive || p == vq_param::kShowFxEqualizer ||
          p == vq_param::kShowFxChorus || p == vq_param::kShowFxDelay)
        return 1;
      for (int row = 0; row < vq_layout::kBrowserRows; ++row)
        if (c == Pages().BrowserRow(row)) return 2;
      return 0;
    };
    int met = 0;
    for (size_t j = 0; j < boxes.size(); ++j)
      for (size_t k = 0; k < j; ++k) {
        const auto& [i1, a1] = boxes[k];
        const auto& [i2, a2] = boxes[j];
        if (!a1.Meets(a2, gap) || a1.Holds(a2) || (group(i1) && group(i1) == group(i2)) ||
            !ReachesGrip(i1, a1, a2, gap) || !ReachesGrip(i2, a2, a1, gap) ||
            std::any_of(boxes.begin(), boxes.end(),
                        [&](const auto& b) { return b.second.Holds(a1) && b.second.Holds(a2); }))
          continue;
        if (met++ < 40)
          ADD_FAILURE() << state << ": " << Describe(i1, a1) << " meets " << Describe(i2, a2);
      }
    EXPECT_EQ(met, 0) << state << ": boxes that meet";
    // The border band: the stroke along the edge, or the lcd bezel outside it.
    const double out = (lcd ? 2.0 : 0.5) * s, in = lcd ? 0.0 : 0.5 * s;
    int crossed = 0;
    for (const auto& [i, a] : boxes)
      for (const vq_layout::PanelBox& p : panels) {
        const Area outer{p.x * s - out, p.y * s - out, (p.x + p.w) * s + out,
                         (p.y + p.h) * s + out};
        const Area inner{p.x * s + in, p.y * s + in, (p.x + p.w) * s - in, (p.y + p.h) * s - in};
        const Area shrunk{inner.l + gap, inner.t + gap, inner.r - gap, inner.b - gap};
        if (!outer.Meets(a, gap) || shrunk.Holds(a)) continue;
        if (crossed++ < 40)
          ADD_FAILURE() << state << ": " << Describe(i, a) << " on the border of the panel at "
                        << p.x << "," << p.y << " " << p.w << "x" << p.h;
      }
    EXPECT_EQ(crossed, 0) << state << ": boxes on a panel's border";
  }
  // Each text shown stands out from what is under it: no more than a tenth of the pixels it marks
  // lie on ground (the page drawn without the texts) too like its ink.
  void ExpectTextsReadable(const char* state) {
    const Pixels with = Frame();
    std::vector<ITextControl*> texts;
    for (int i = FirstInFront(); i < G().NControls(); ++i) {
      auto* t = dynamic_cast<ITextControl*>(G().GetControl(i));
      if (!t || t->IsHidden() || Blank(t->GetText())) continue;
      texts.push_back(t);
    }
    for (ITextControl* t : texts) t->Hide(true);
    const Pixels without = Frame();
    for (ITextControl* t : texts) t->Hide(false);
    const int w = G().GetWidth();
    for (ITextControl* t : texts) {
      // The ink: the pixel the text changes most.
      const IRECT r = t->GetRECT();
      std::vector<size_t> marked;
      size_t core = 0;
      int most = 0;
      for (int y = std::max(r.T, 0); y < std::min(r.B, G().GetHeight()); ++y)
        for (int x = std::max(r.L, 0); x < std::min(r.R, w); ++x) {
          const size_t at = static_cast<size_t>(y) * w + x;
          const int apart = Apart(with[at], without[at]);
          if (apart <= 8) continue;
          marked.push_back(at);
          if (apart > most) most = apart, core = at;
        }
      const auto faint = std::count_if(marked.begin(), marked.end(), [&](size_t at) {
        return ContrastRatio(with[core], without[at]) < 3.0;
      });
      EXPECT_TRUE(!marked.empty() && faint * 10 <= static_cast<long>(marked.size()))
          << state << ": '" << t->GetText() << "' at " << r.L << "," << r.T << ": " << faint
          << " of " << marked.size() << " pixels on ground like its ink " << std::hex << with[core]
          << std::dec;
    }
  }
  // Every parameter as the user would set it: value and the controls showing it.
  void SetAll(const std::vector<int>& params, double normalized) {
    for (int p : params)
      if (IParam* ip = editor->GetParam(p)) {
        Set(p, ip->FromNormalized(normalized));
        editor->SetControlsFromParam(p);
      }
  }
};

// The long looks run once per skin and size: each stays well inside a test's time-out under the
// sanitizers on a slow machine.
class PageLookAt : public PageLookTest,
                   public testing::WithParamInterface<std::tuple<const char*, double>> {};
INSTANTIATE_TEST_SUITE_P(SkinsAndSizes, PageLookAt,
                         testing::Combine(testing::ValuesIn(kSkins), testing::ValuesIn(kScales)),
                         [](const testing::TestParamInfo<PageLookAt::ParamType>& info) {
                           return std::string(std::get<0>(info.param)) + "_" +
                                  std::to_string(
                                      static_cast<int>(std::get<1>(info.param) * 100 + 0.5));
                         });

TEST_F(PageLookTest, ScreenshotOfEachSkin) {
  std::set<Pixels> looks;
  for (const char* skin : kSkins) {
    Open(skin);
    Set(3, 64);  // a knob half way, its read-out written
    const Pixels frame = Frame();
    PngImage png;
    png.width = G().GetWidth();
    png.height = G().GetHeight();
    for (RAST_pixel p : frame)
      png.samples.insert(png.samples.end(), {static_cast<uint16_t>(RAST_PixelRed(p)),
                                             static_cast<uint16_t>(RAST_PixelGreen(p)),
                                             static_cast<uint16_t>(RAST_PixelBlue(p)), 255});
    WriteFile((std::filesystem::read_symlink("/proc/self/exe").parent_path() /
               (std::string("page-") + skin + ".png"))
                  .string(),
              EncodePng(png));
    EXPECT_GT(std::set<RAST_pixel>(frame.begin(), frame.end()).size(), 200u) << skin;
    looks.insert(frame);
    Close();
  }
  EXPECT_EQ(looks.size(), 3u);
}

// The effect row's sliders, in each effect view, show their whole travel: between the lowest
// and the highest value the thumb moves over most of a slider's height, seen on the page with
// everything drawn above it.
TEST_F(PageLookTest, EffectSlidersShowTheirWholeTravel) {
  std::vector<int> effect;
  for (int p = 132; p <= 185; ++p)
    if ((p <= 149 || p >= 160) && p != 150 && (p <= 172 || p >= 182)) effect.push_back(p);
  for (const char* skin : kSkins)
    for (double scale : kScales) {
      SCOPED_TRACE(testing::Message() << skin << " " << scale);
      Open(skin, scale);
      for (int view : {vq_param::kFxVintageModulationBlock, vq_param::kFxOverdriveBlock,
                       vq_param::kFxEqualizerBlock}) {
        Set(view, 1);
        SetAll(effect, 0.0);
        const Pixels low = Frame();
        SetAll(effect, 1.0);
        const Pixels high = Frame();
        const int w = G().GetWidth();
        int sliders = 0;
        for (int i = 0; i < G().NControls(); ++i) {
          auto* k = dynamic_cast<IKnobMultiControl*>(G().GetControl(i));
          if (!k || k->IsHidden() ||
              std::find(effect.begin(), effect.end(), k->ParamIdx()) == effect.end())
            continue;
          ++sliders;
          const IRECT r = k->GetRECT();
          int first = -1, last = -1;
          for (int y = r.T; y < r.B; ++y)
            for (int x = r.L; x < r.R; ++x)
              if (Differs(low[static_cast<size_t>(y) * w + x],
                          high[static_cast<size_t>(y) * w + x]))
                last = y, first = first < 0 ? y : first;
          EXPECT_GE(last - first + 1, 28 * scale)
              << "parameter " << k->ParamIdx() << " in view " << view;
        }
        EXPECT_GE(sliders, 3) << view;
      }
      Close();
    }
}

// Each text of the synth page, the status line's longest message and every value at its
// extremes included, is drawn inside its box: not past its sides, not over its top or bottom
// edge (the read-out wells lie 1.5 pixels inside), and not past the page.
TEST_P(PageLookAt, TextsStayInsideTheirBoxes) {
  std::vector<int> params;
  for (int p = 3; p <= 188; ++p) params.push_back(p);
  const auto [skin, scale] = GetParam();
  for (double v : {0.0, 1.0}) {
    SCOPED_TRACE(testing::Message() << skin << " " << scale << " value " << v);
    Open(skin, scale).SetStatusText("The program database page could not be opened!");
    SetAll(params, v);
    const Pixels with = Frame();
    // The second frame without the texts: emptied, spinners (which write their own) hidden.
    std::vector<IRECT> boxes;
    const int inset = static_cast<int>(std::ceil(1.5 * scale));
    for (int i = 0; i < G().NControls(); ++i) {
      auto* t = dynamic_cast<ITextControl*>(G().GetControl(i));
      if (!t || t->IsHidden() || !*t->GetText()) continue;
      const IRECT r = t->GetRECT();
      boxes.push_back(IRECT(r.L, r.T + inset, r.R, std::min(r.B, G().GetHeight()) - inset));
      if (dynamic_cast<ISpinnerControl*>(t))
        t->Hide(true);
      else
        t->SetTextIfChanged("");
    }
    const Pixels without = Frame();
    const int w = G().GetWidth(), h = G().GetHeight();
    int outside = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const size_t at = static_cast<size_t>(y) * w + x;
        if (!Differs(with[at], without[at])) continue;
        bool in = false;
        for (const IRECT& b : boxes) in = in || (x >= b.L && x < b.R && y >= b.T && y < b.B);
        if (!in && outside++ < 3) ADD_FAILURE() << "text at " << x << "," << y;
      }
    EXPECT_EQ(outside, 0);
    Close();
  }
}

// Each control drawn alone marks no pixel outside its box, its box lies inside the page and no
// text of the synth page lands on a switch or a slider (nor a slider in a FLEXI caption's box, nor
// an edge in the box of a FLEXI caption or polarity sign or the tracking switch, nor in or near
// that of the program number, INIT or the arrow buttons): the synth page with every value at its
// lowest and highest (the equalizer curve at its steepest) and the manager page with the longest
// slot names and file names, its headings inside their panels and off the slots, in every skin and
// at every GUI size. In each effect view, with the external-MIDI panel, with the slot panel over
// the page and on the manager page, every box shown keeps clear of the others and of the panels'
// borders, and every text stands out from what is under it.
TEST_P(PageLookAt, ControlsDrawInsideTheirBoxesAndThePage) {
  std::vector<int> params;
  for (int p = 3; p <= 188; ++p) params.push_back(p);
  const char* names[] = {"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", "Wide Warm Wobbly Bass Pad Mix",
                         "Bass WWWWWWWWWWWWWWWWWWWWWWWWW", "Pad_WWWWWWWWWWWWWWWWWWWWWWWWW",
                         "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"};
  const auto [skin, scale] = GetParam();
  for (double v : {0.0, 1.0}) {
    SCOPED_TRACE(testing::Message() << skin << " " << scale << " value " << v);
    VQEditor& e = Open(skin, scale);
    e.SetStatusText("The program database page could not be opened!");
    SetAll(params, v);
    std::vector<vq_layout::PanelBox> panels =
        vq_layout::SynthPagePanels(static_cast<vq_layout::Skin>(e.SkinMode()));
    // Each effect view, the external-MIDI panel and the slot panel over the page (the list
    // view, a page over the page, aside).
    const std::pair<const char*, std::vector<int>> views[] = {
        {"modulation view", {vq_param::kFxVintageModulationBlock}},
        {"overdrive view", {vq_param::kFxOverdriveBlock}},
        {"equalizer knobs", {vq_param::kFxEqualizerBlock, vq_param::k4BandParametricEqualizer}},
        {"external MIDI", {vq_param::kIntMidiExtMidi}},
        {"equalizer curve", {vq_param::kFxEqualizerBlock, vq_param::k4BandParagraphicEqualizer}}};
    for (const auto& [view, switches] : views) {
      for (int p : switches) Set(p, 1);
      ExpectBoxesApart(view, panels);
      ExpectTextsReadable(view);
      if (switches[0] == vq_param::kIntMidiExtMidi) Set(switches[0], 0);
    }
    Pages().ShowProgramNumberSelector(e, true);
    // In front of the dimmed page: the slot panel's boxes and the keyboard's.
    using vq_layout::kSlotPanelBox;
    panels.assign(std::begin(vq_layout::kFooterPanels), std::end(vq_layout::kFooterPanels));
    panels.push_back({kSlotPanelBox[0], kSlotPanelBox[1], kSlotPanelBox[2] - kSlotPanelBox[0],
                      kSlotPanelBox[3] - kSlotPanelBox[1]});
    ExpectBoxesApart("slot panel", panels);
    ExpectTextsReadable("slot panel");
    Pages().ShowProgramNumberSelector(e, false);
    ExpectDrawnInsideBoxes("synth page");
    ExpectOnBareGround();
    e.ShowManagerPage(false);
    for (int slot = 1; slot <= 99; ++slot)
      Pages().ShowSlotName(slot, WrapDisplayName(names[slot % 5]).c_str());
    std::string wide;  // two- and three-byte characters
    while (wide.size() < 120) wide += "\xc3\x84\xc3\xb6 \xe2\x99\xaa ";
    for (int row : {0, 1}) {  // cut to the list's width at whole characters, marked as cut
      Pages().ShowBrowserRow(
          row, row ? wide.c_str() : "Deep Sub Bass With Slow Filter Envelope Movement Long.pr4",
          row);
      const std::string shown =
          dynamic_cast<ITextControl*>(Pages().BrowserRow(row))->CutToWidth(&G());
      EXPECT_TRUE(shown.ends_with("\xe2\x80\xa6") && vq::platform::ValidUtf8(shown) == shown)
          << shown;
    }
    ExpectDrawnInsideBoxes("manager page", false);  // over the synth page's switches
    panels.clear();
    for (const auto& box : vq_layout::kManagerHeadingPanels)
      panels.push_back({box[0], box[1], box[2] - box[0], box[3] - box[1]});
    ExpectBoxesApart("manager page", panels);
    ExpectTextsReadable("manager page");
    ExpectPanelSidesUnbroken();
    ExpectSlotsBare();
    Close();
  }
}
