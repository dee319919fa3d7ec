// Each skin's pages drawn whole into the back buffer, kept as "page-<skin>.png" beside the test
// for a person to look at; the skins must differ and the pages must not be blank.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "editor/value_readouts.h"
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
// Every GUI size the View menu offers, and the one fitted to a screen 768 pixels high.
constexpr double kScales[] = {0.7, 0.8, 0.9, 0.93, 1.0, 1.1, 1.2, 1.3, 2.0};
// The page's views the look tests go through, each with the switches that show it.
const std::pair<const char*, std::vector<int>> kLookViews[] = {
    {"modulation view", {vq_param::kFxVintageModulationBlock}},
    {"overdrive view", {vq_param::kFxOverdriveBlock}},
    {"equalizer knobs", {vq_param::kFxEqualizerBlock, vq_param::k4BandParametricEqualizer}},
    {"external MIDI", {vq_param::kIntMidiExtMidi}},
    {"equalizer curve", {vq_param::kFxEqualizerBlock, vq_param::k4BandParagraphicEqualizer}}};

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

// The manager's heading panels and the slot grid's (which covers the file list's right edge).
std::vector<vq_layout::PanelBox> ManagerPanels() {
  std::vector<vq_layout::PanelBox> panels{vq_layout::kManagerListPanels[1]};
  for (const auto& box : vq_layout::kManagerHeadingPanels)
    panels.push_back({box[0], box[1], box[2] - box[0], box[3] - box[1]});
  return panels;
}

}  // namespace

class PageLookTest : public PagesTest {
 protected:
  // At the size the settings give when `scale` is 0.
  VQEditor& Open(const char* skin, double scale = 0, const char* resources = VQ_RESOURCE_DIR) {
    vq::platform::installHeadless();
    WEMU_SetResourceFolder(resources);
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
        if (InWell(text))
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
  // A read-out of the synth page, in the dark well the artwork draws around its box.
  bool InWell(ITextControl* text) {
    const IText readout = vq_layout::MakeText(vq_layout::Style::Readout);
    const IText& style = text->GetBaseText();
    return !editor->ManagerPageShown() && !dynamic_cast<ISpinnerControl*>(text) &&
           style.mSize == readout.mSize && style.mColor == readout.mColor &&
           style.mStyle == readout.mStyle && style.mAlign == readout.mAlign;
  }
  // Where the control, drawn alone over black and over white, marks the page (inside its box);
  // false when it marks nothing. `faint`: any pixel it changes visibly.
  bool DrawnArea(IControl* c, Area* area, bool faint = false) {
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
          if (faint ? Apart(*rows.at(x, y), ground) > 8 : Differs(*rows.at(x, y), ground))
            x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1),
            y1 = std::max(y1, y + 1);
    }
    *area = Area{double(x0), double(y0), double(x1), double(y1)};
    return x0 < x1 && y0 < y1;
  }
  // How many glyphs of `text` in `style` stand apart: the runs of columns it marks by more than
  // half, drawn light on dark.
  int GlyphsApart(IText style, const char* text) {
    RAST_BitmapRows rows(G().GetDrawBitmap());
    const RAST_pixel dark = RAST_MakePixel(0, 0, 0, 255);
    const int w = std::min(rows.width, 600), h = std::min(rows.height, 200);
    for (int y = 0; y < h; ++y) std::fill(rows.at(0, y), rows.at(w, y), dark);
    style.mColor = COLOR_WHITE;
    style.mAlign = IText::kAlignNear;
    style.mCached = nullptr;
    IRECT at(2, 2, w, h);
    G().DrawText(&style, text, &at);
    int runs = 0;
    for (int x = 0, before = 0; x < w; ++x) {
      int marked = 0;
      for (int y = 0; y < h; ++y) marked |= Apart(*rows.at(x, y), dark) > 3 * 255 / 2;
      runs += marked && !before;
      before = marked;
    }
    return runs;
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
  // The row below the lowest ink of `text` drawn in `rect` on a dark `area` (its top when none).
  int InkBottom(IText* style, const char* text, IRECT* rect, const IRECT& area) {
    RAST_BitmapRows rows(G().GetDrawBitmap());
    const RAST_pixel dark = RAST_MakePixel(0, 0, 0, 255);
    for (int y = area.T; y < area.B; ++y) std::fill(rows.at(area.L, y), rows.at(area.R, y), dark);
    G().DrawText(style, text, rect);
    for (int y = area.B - 1; y >= area.T; --y)
      for (int x = area.L; x < area.R; ++x)
        if (Differs(*rows.at(x, y), dark)) return y + 1;
    return area.T;
  }
  // The row below a read-out's baseline: where a digit drawn in its text's place ends.
  int Baseline(ITextControl* text) {
    ITextControl::Fitted fitted = text->FitToRect(&G());
    const int bottom = InkBottom(&fitted.style, "0", &fitted.rect, text->GetRECT());
    return bottom > text->GetRECT().T ? bottom : text->GetRECT().B;
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
    int crossed = 0;
    for (const auto& [i, a] : boxes)
      for (const vq_layout::PanelBox& p : panels) {
        const auto [outer, shrunk] = BorderBand(p, gap, 0.5);
        if (!outer.Meets(a, gap) || shrunk.Holds(a) ||
            dynamic_cast<IModuleGUIResize*>(G().GetControl(i)))
          continue;
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
  // A panel's border band: what meets `outer` by less than `gap` and `shrunk` does not hold
  // touches the border (the lcd bezel outside the edge, or the stroke along it, reaching `stroke`
  // GUI units inside).
  std::pair<Area, Area> BorderBand(const vq_layout::PanelBox& p, double gap, double stroke) {
    const double s = G().GetGuiScale();
    const bool lcd = editor->SkinMode() == 2 && !editor->ManagerPageShown();
    const double out = (lcd ? 2.0 : 0.5) * s, in = lcd ? 0.0 : stroke * s;
    const Area outer{p.x * s - out, p.y * s - out, (p.x + p.w) * s + out, (p.y + p.h) * s + out};
    return {outer, Area{p.x * s + in + gap, p.y * s + in + gap, (p.x + p.w) * s - in - gap,
                        (p.y + p.h) * s - in - gap}};
  }
  // The read-outs at their widest texts: each parameter with a read-out at the value whose text,
  // as the editor writes it, is widest.
  void SetLongestReadouts() {
    IText style = vq_layout::MakeText(vq_layout::Style::Readout);
    style.mAlign = IText::kAlignNear;
    // How wide each text is, and how far down its ink reaches: of texts as wide, one with
    // descenders ("upper", "legato").
    std::map<std::string, std::pair<int, int>> extents;
    Frame();  // text drawn below lands anywhere on the page
    const auto extent = [&](const std::string& text) {
      auto [it, fresh] = extents.try_emplace(text, -1, -1);
      IRECT r(0, 0, 1000, 100);
      if (!fresh || !G().MeasureText(&style, text.c_str(), &r)) return it->second;
      const IRECT area(0, 0, r.R, r.B);
      return it->second = {r.W(), InkBottom(&style, text.c_str(), &r, area)};
    };
    // The parameter at the value whose text is widest.
    const auto widest = [&](int p, const std::function<std::string(int)>& textOf) {
      IParam* ip = editor->GetParam(p);
      std::pair<int, int> most(-1, -1);
      int best = ip->Int();
      for (int v = static_cast<int>(ip->GetMin()); v <= static_cast<int>(ip->GetMax()); ++v)
        if (const auto e = extent(textOf(v)); e > most) most = e, best = v;
      Set(p, best);
      editor->SetControlsFromParam(p);
    };
    int sync = 0, delay = 0;
    const auto readoutText = [&](int field) {
      return [&, field](int v) {
        return ParamReadoutText(field + kFieldParamOffset, v)
            .value_or(FieldReadoutText(field, v, sync, delay));
      };
    };
    // MIDI SYNC first: a change of it sets the values that follow the clock anew.
    widest(vq_param::kMidiSync, readoutText(vq_param::FieldOf(vq_param::kMidiSync)));
    sync = editor->GetParam(vq_param::kMidiSync)->Int();
    delay = editor->GetParam(vq_param::kDelayVintageLong)->Int();
    for (const vq_layout::ControlSpec& c :
         vq_layout::SynthPageControls(static_cast<vq_layout::Skin>(editor->SkinMode())))
      if (c.cls == vq_layout::Ctl::Text && c.readoutField >= 0 &&
          c.readoutField != vq_param::FieldOf(vq_param::kMidiSync) &&
          editor->GetParam(c.readoutField + kFieldParamOffset))
        widest(c.readoutField + kFieldParamOffset, readoutText(c.readoutField));
    // The keyboard's channel and controller too.
    for (int p : {vq_param::kMidiChannel, vq_param::kMidiCc})
      widest(p, [&](int v) {
        char text[IParam::kDisplayStringSize];
        editor->GetParam(p)->GetDisplayString(false, text, true, v, static_cast<int>(sizeof text));
        return std::string(text);
      });
  }
  // Opens the editor in the skin and size from `resources`, every value at its lowest or
  // highest and each read-out at its widest, and shows each page whose drawn ink is checked:
  // every effect view and the external-MIDI panel over the synth page, then the manager page.
  void EachPage(
      const char* skin, double scale, double value, const char* resources,
      const std::function<void(const char*, const std::vector<vq_layout::PanelBox>&)>& look) {
    std::vector<int> params;
    for (int p = 3; p <= 188; ++p) params.push_back(p);
    VQEditor& e = Open(skin, scale, resources);
    SetAll(params, value);
    SetLongestReadouts();
    const std::vector<vq_layout::PanelBox> synth =
        vq_layout::SynthPagePanels(static_cast<vq_layout::Skin>(e.SkinMode()));
    for (const auto& [view, switches] : kLookViews) {
      for (int p : switches) Set(p, 1);
      look(view, synth);
      if (switches[0] == vq_param::kIntMidiExtMidi) Set(switches[0], 0);
    }
    e.ShowManagerPage(false);
    look("manager page", ManagerPanels());
    Close();
  }
  // What is drawn keeps clear of what is near it, by a pixel of the GUI's size: the ink of the
  // page's captions (what the artwork without them lacks) of every box shown and every panel's
  // border; each read-out's ink inside its well, a clean row off its edge, and the keyboard's
  // values inside their windows; the equalizer curve's scale of its grid lines and its view's
  // edge. The read-outs' baselines and the effect tabs, drawn alone, line up.
  void ExpectInkClear(const char* state, const Pixels& bare,
                      const std::vector<vq_layout::PanelBox>& panels) {
    const Pixels with = Frame();
    const auto boxes = ShownBoxes();
    const int w = G().GetWidth(), h = G().GetHeight();
    // Ink keeps a whole pixel off what is drawn near it.
    const double s = G().GetGuiScale(), gap = 1;
    // What each pixel comes too near: a box (its index) or a panel's border (after the boxes).
    std::vector<int> near(static_cast<size_t>(w) * h, -1);
    auto mark = [&](const Area& a, int what, const Area* hole) {
      for (int y = std::max(0, int(a.t - gap)); y < std::min(h, int(a.b + gap) + 1); ++y)
        for (int x = std::max(0, int(a.l - gap)); x < std::min(w, int(a.r + gap) + 1); ++x) {
          const Area px{double(x), double(y), x + 1.0, y + 1.0};
          if (hole && hole->Holds(px))
            x = std::max(x, int(hole->r) - 2);  // on to the hole's far side
          else if (px.Meets(a, gap))
            near[static_cast<size_t>(y) * w + x] = what;
        }
    };
    for (size_t k = 0; k < boxes.size(); ++k) mark(boxes[k].second, static_cast<int>(k), nullptr);
    for (size_t k = 0; k < panels.size(); ++k) {
      // The stroke's GUI unit, but for a pixel it covers by less than a quarter.
      const auto [outer, shrunk] = BorderBand(panels[k], gap, 1 - 0.25 / s);
      mark(outer, static_cast<int>(boxes.size() + k), &shrunk);
    }
    std::vector<bool> ink(near.size());
    for (size_t at = 0; at < ink.size(); ++at) ink[at] = Differs(with[at], bare[at]);
    // The slot tiles' frames, drawn alone, with the captions' ink.
    for (int slot = 1; editor->ManagerPageShown() && slot < kSlotTableSize; ++slot) {
      IControl* tile = Pages().SlotFrame(slot);
      const IRECT r = tile->GetRECT();
      RAST_BitmapRows rows(G().GetDrawBitmap());
      for (RAST_pixel ground : {RAST_MakePixel(0, 0, 0, 255), RAST_MakePixel(255, 255, 255, 255)}) {
        for (int y = r.T; y < r.B; ++y) std::fill(rows.at(r.L, y), rows.at(r.R, y), ground);
        tile->Draw(&G());
        for (int y = r.T; y < r.B; ++y)
          for (int x = r.L; x < r.R; ++x)
            if (Differs(*rows.at(x, y), ground) && near[size_t(y) * w + x] >= int(boxes.size()))
              ink[size_t(y) * w + x] = true;
      }
    }
    std::set<int> met;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const size_t at = static_cast<size_t>(y) * w + x;
        if (near[at] < 0 || !ink[at] || !met.insert(near[at]).second) continue;
        const int k = near[at];
        const vq_layout::PanelBox* p =
            k < static_cast<int>(boxes.size()) ? nullptr : &panels[k - boxes.size()];
        ADD_FAILURE() << state << ": ink at " << x / s << "," << y / s << " touches "
                      << (p ? "the border of the panel at " + std::to_string(p->x) + "," +
                                  std::to_string(p->y)
                            : Describe(boxes[k].first, boxes[k].second));
      }
    // Read-outs by their baselines' height in their boxes; each one's well and baseline.
    std::map<int, std::vector<std::pair<int, Area>>> risen;
    std::vector<std::tuple<int, Area, int>> lines;
    // A text's ground: a read-out's well, a keyboard value's window inside its edge.
    for (const auto& [i, well] : boxes) {
      auto* text = dynamic_cast<ITextControl*>(G().GetControl(i));
      if (!text || Blank(text->GetText())) continue;
      const IRECT& r = text->GetRECT();
      Area ground = well;
      if (!InWell(text)) {
        const IRECT* window = nullptr;
        for (const IRECT& k : vq_layout::kKeyboardBoxes)
          if (r.L >= k.L * s - 1 && r.R <= k.R * s + 1 && r.T >= k.T * s - 1 && r.B <= k.B * s + 1)
            window = &k;
        if (!window) continue;
        ground = Area{(window->L + 0.4) * s, (window->T + 0.4) * s, (window->R - 0.4) * s,
                      (window->B - 0.4) * s};
      }
      Area ink;
      if (!DrawnArea(text, &ink)) continue;
      EXPECT_TRUE((Area{ground.l + gap, ground.t + gap, ground.r - gap, ground.b - gap}.Holds(ink)))
          << state << ": the ink of " << Describe(i, ink) << " not inside its ground at "
          << ground.l / s << "," << ground.t / s << " to " << ground.r / s << "," << ground.b / s;
      // Every pixel it changes, a descender's faint end too, keeps a clean row off the pixels
      // the well's smoothed edge marks.
      if (Area all; InWell(text) && DrawnArea(text, &all, true)) {
        EXPECT_TRUE(all.t >= well.t + 1.5 && all.b <= well.b - 1.5)
            << state << ": " << Describe(i, all) << " on the edge of its well at " << well.t / s
            << " to " << well.b / s;
        const int baseline = Baseline(text);
        risen[r.B - baseline].emplace_back(i, all);
        lines.emplace_back(i, well, baseline);
      }
      // Made smaller to fit, a read-out's text stands in the middle of its well.
      if (InWell(text) &&
          text->FitToRect(&G()).style.mSize < static_cast<int>(text->GetBaseText().mSize * s)) {
        EXPECT_LE(std::abs((ink.l - well.l) - (well.r - ink.r)), 1.5)
            << state << ": " << Describe(i, ink) << " off the middle of its well at " << well.l / s
            << " to " << well.r / s;
      }
      // Made smaller to fit, its glyphs stay as far apart as at the read-outs' size.
      const ITextControl::Fitted fitted = text->FitToRect(&G());
      IText full = text->GetBaseText();
      full.mSize = static_cast<int>(full.mSize * s);
      const int apart = GlyphsApart(fitted.style, fitted.text.c_str()),
                atFull = GlyphsApart(full, fitted.text.c_str());
      EXPECT_GE(apart, atFull) << state << ": the glyphs of " << Describe(i, ink)
                               << " run together at size " << fitted.style.mSize << " of "
                               << full.mSize;
      // And at the size of the read-outs beside it; the keyboard's values, in windows the
      // artwork fixes, at most a step smaller: a point at the GUI's size.
      EXPECT_GE(fitted.style.mSize, full.mSize - (InWell(text) ? 0 : std::max(1L, std::lround(s))))
          << state << ": " << Describe(i, ink) << " drawn at size " << fitted.style.mSize << " of "
          << full.mSize;
      // A switch under a read-out: a whole clean pixel between the pixels its well marks (the
      // artwork draws it in GUI units: its smoothed edge reaches up to a pixel past the box's)
      // and every pixel the switch changes.
      Area faint;
      for (const auto& [j, other] : boxes) {
        if (InWell(text) && typeid(*G().GetControl(j)) == typeid(ISwitchControl) &&
            other.l < well.r && well.l < other.r && other.t >= well.t &&
            DrawnArea(G().GetControl(j), &faint, true)) {
          EXPECT_GE(faint.t - std::ceil(well.b + 1), 1)
              << state << ": " << Describe(i, well) << " sits on " << Describe(j, faint);
        }
      }
    }
    // The read-outs' baselines lie as high above their boxes' bottom edges, within a unit of the
    // GUI's size and a pixel of rounding: a row shares one, and a box grown upward for
    // descenders keeps its text level.
    size_t most = 0;
    int usual = 0;
    for (const auto& [height, controls] : risen)
      if (controls.size() > most) most = controls.size(), usual = height;
    for (const auto& [height, controls] : risen)
      for (const auto& [i, ink] : controls)
        EXPECT_LE(std::abs(height - usual), std::ceil(s) + 1)
            << state << ": the baseline of " << Describe(i, ink) << " lies " << height
            << " pixels above its box's bottom, most read-outs' " << usual;
    // Read-outs side by side (wells at most 12 units apart) whose boxes' middles lie less than
    // three units apart stand in one row: they share its baseline, within a pixel of rounding.
    // Rows the page staggers lie four units apart and more.
    const auto middle = [&](int i) {
      const IRECT& r = G().GetControl(i)->GetRECT();
      return (r.T + r.B) / (2 * s);
    };
    for (size_t j = 0; j < lines.size(); ++j)
      for (size_t k = 0; k < j; ++k) {
        const auto& [i1, a1, b1] = lines[k];
        const auto& [i2, a2, b2] = lines[j];
        EXPECT_FALSE(a1.Meets(a2, 12 * s) && std::abs(middle(i1) - middle(i2)) < 3 &&
                     std::abs(b1 - b2) > 1)
            << state << ": the baselines of " << Describe(i1, a1) << " and " << Describe(i2, a2)
            << " lie " << std::abs(b1 - b2) << " pixels apart";
      }
    std::set<std::pair<double, double>> tabs;  // tops and bottoms
    for (const auto& [i, a] : boxes)
      for (int p : {vq_param::kShowFxOverdrive, vq_param::kShowFxEqualizer, vq_param::kShowFxChorus,
                    vq_param::kShowFxDelay})
        if (G().GetControl(i)->ParamIdx() == p) tabs.insert({a.t, a.b});
    EXPECT_LE(tabs.size(), 1u) << state << ": the effect tabs out of line, tops "
                               << tabs.begin()->first / s << " and " << tabs.rbegin()->first / s
                               << ", bottoms " << tabs.begin()->second / s << " and "
                               << tabs.rbegin()->second / s;
    if (IParaGraphicEq* eq = Pages().EqDisplay();
        eq && !eq->IsHidden() && !editor->ManagerPageShown())
      ExpectScaleOffGrid(state, eq);
  }
  // The equalizer curve's scale keeps clear of its grid: no line (a long run of the grid's
  // colour, the curve drawn alone over black) comes within a pixel of a label's text, as wide as
  // it measures, right-aligned at the display's edge and level with its line.
  void ExpectScaleOffGrid(const char* state, IParaGraphicEq* eq) {
    RAST_BitmapRows rows(G().GetDrawBitmap());
    const IRECT r = eq->GetRECT();
    for (int y = r.T; y < r.B; ++y)
      std::fill(rows.at(r.L, y), rows.at(r.R, y), RAST_MakePixel(0, 0, 0, 255));
    eq->Draw(&G());
    const int w = r.W(), h = r.H(), graph = eq->GraphBottom() - r.T;
    auto grey = [&](int x, int y) {
      const RAST_pixel p = *rows.at(r.L + x, r.T + y);
      return std::min({RAST_PixelRed(p), RAST_PixelGreen(p), RAST_PixelBlue(p)}) > 48;
    };
    std::vector<bool> line(static_cast<size_t>(w) * h);
    for (bool down : {false, true})
      for (int i = 0; i < (down ? w : graph); ++i)
        for (int from = 0, to = 0, length = down ? graph : w; from < length; from = to + 1) {
          for (to = from; to < length && (down ? grey(i, to) : grey(to, i)); ++to) {
          }
          for (int j = from; 4 * (to - from) >= length && j < to; ++j)
            line[down ? size_t(j) * w + i : size_t(i) * w + j] = true;
        }
    IText style(static_cast<int>(std::lround(9 * std::max(1.0, G().GetGuiScale()))), COLOR_WHITE,
                "Monaco", IText::kStyleBold, IText::kAlignFar);
    int touching = 0;
    for (int k = 0; k < eq->NGainGrid(); ++k) {
      IRECT box(0, 0, w, h);
      G().MeasureText(&style, eq->GainGridLabel(k), &box);
      const int level =
          static_cast<int>(std::lround(eq->GainPosition(std::atof(eq->GainGridLabel(k))) * h));
      for (int y = std::max(level - 1, 0); y <= std::min(level + 1, h - 1); ++y)
        for (int x = std::max(w - box.W() - 1, 0); x < w; ++x)
          if (line[size_t(y) * w + x] && touching++ < 3)
            ADD_FAILURE() << state << ": the curve's scale label " << eq->GainGridLabel(k)
                          << " touches a grid line at " << (r.L + x) / G().GetGuiScale() << ","
                          << (r.T + y) / G().GetGuiScale();
    }
    EXPECT_EQ(touching, 0) << state;
    // The view's last column stays clean: the frame drawn round the view comes right after it.
    int edge = 0;
    for (int y = 0; y < h; ++y)
      edge += Differs(*rows.at(r.R - 1, r.T + y), RAST_MakePixel(0, 0, 0, 255));
    EXPECT_EQ(edge, 0) << state << ": the curve's scale labels reach the view's right edge";
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
    for (double scale : {0.7, 0.93, 1.0, 2.0}) {  // a few sizes: this test runs all in one
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

// The ink of what is drawn in the pages' artwork or inside a control, in every skin and size,
// every value at its lowest and highest and each read-out at its widest text, keeps clear of
// what is near it (see ExpectInkClear): in each effect view, with the external-MIDI panel and on
// the manager page.
TEST_P(PageLookAt, DrawnInkKeepsClear) {
  const auto [skin, scale] = GetParam();
  for (double v : {0.0, 1.0}) {
    SCOPED_TRACE(testing::Message() << skin << " " << scale << " value " << v);
    std::vector<Pixels> bare;
    EachPage(
        skin, scale, v, VQ_BARE_RESOURCE_DIR,
        [&](const char*, const std::vector<vq_layout::PanelBox>&) { bare.push_back(Frame()); });
    size_t k = 0;
    EachPage(skin, scale, v, VQ_RESOURCE_DIR,
             [&](const char* page, const std::vector<vq_layout::PanelBox>& panels) {
               ExpectInkClear(page, bare[k++], panels);
             });
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
    for (const auto& [view, switches] : kLookViews) {
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
    panels = ManagerPanels();
    ExpectBoxesApart("manager page", panels);
    ExpectTextsReadable("manager page");
    ExpectPanelSidesUnbroken();
    ExpectSlotsBare();
    Close();
  }
}
