#include "editor/gui/page_layout_tables.h"

#include <cmath>
#include <cstdio>

#include "editor/param_ids.h"

namespace vq_layout {
namespace {

// ---- Position table, as runs of evenly spaced knobs and single places.
struct PositionRun {
  int first, last, x0, dx, y;
};
constexpr PositionRun kRuns[] = {
    {3, 14, 25, 40, 88},      {15, 26, 25, 40, 245},   {27, 38, 25, 40, 402},
    {39, 50, 25, 40, 559},    {51, 58, 520, 40, 402},  {59, 59, 1008, 0, 402},
    {60, 60, 1044, 0, 402},   {61, 61, 1080, 0, 402},  {62, 69, 560, 40, 245},
    {70, 70, 520, 0, 245},    {71, 71, 880, 0, 245},   {72, 72, 920, 0, 245},
    {73, 77, 560, 40, 88},    {78, 78, 762, 0, 155},   {79, 79, 800, 0, 88},
    {80, 80, 840, 0, 88},     {81, 81, 960, 0, 88},    {82, 82, 1040, 0, 88},
    {83, 83, 1000, 0, 88},    {84, 84, 1080, 0, 88},   {85, 85, 920, 0, 88},
    {86, 86, 880, 0, 88},     {87, 87, 762, 0, 205},   {88, 88, 838, 0, 402},
    {89, 89, 866, 0, 465},    {90, 90, 970, 0, 402},   {91, 91, 520, 0, 88},
    {92, 92, 883, 0, 520},    {93, 93, 936, 0, 505},   {94, 97, 960, 40, 245},
    {104, 104, 559, 0, 9},    {111, 111, 727, 0, 9},   {118, 118, 895, 0, 9},
    {125, 125, 1063, 0, 9},   {127, 127, 936, 0, 450}, {131, 131, 906, 0, 565},
    {132, 132, 560, 0, 559},  {133, 133, 600, 0, 559}, {134, 134, 520, 0, 559},
    {135, 146, 640, 40, 559}, {147, 147, 520, 0, 559}, {148, 148, 640, 0, 559},
    {149, 149, 680, 0, 559},  {160, 160, 520, 0, 559}, {161, 172, 640, 40, 559},
    {173, 173, 902, 0, 465},  {174, 174, 478, 0, 58},  {176, 176, 646, 0, 58},
    {178, 178, 814, 0, 58},   {180, 180, 982, 0, 58},  {182, 182, 560, 0, 559},
    {183, 183, 600, 0, 559},  {184, 184, 560, 0, 559}, {185, 185, 600, 0, 559},
    {186, 186, 800, 0, 88},
};

struct PositionTable {
  Point p[kPositionCount];
  PositionTable() {
    for (const PositionRun& r : kRuns)
      for (int param = r.first; param <= r.last; ++param)
        p[param - kPositionFirstParam] = Point{r.x0 + r.dx * (param - r.first), r.y};
  }
};
const PositionTable& Positions() {
  static const PositionTable table;
  return table;
}

// ---- Images. Frame sizes are ours: the artwork draws them, the controls take them.
const std::vector<ImageSpec> kSynthImages = {
    {102, "background-2x.png", 1, 1140, 800, kInBoth},
    {162, "background2-2x.png", 1, 1140, 800, kInOrig},
    {173, "extmidi_bg-2x.png", 1, 1140, 800, kInBoth},
    {174, "extmidi2_bg-2x.png", 1, 1140, 800, kInOrig},
    {158, "vcosavebg-2x.png", 1, 1140, 800, kInBoth},
    {159, "flexisavebg-2x.png", 1, 1140, 800, kInBoth},
    {134, "curves-2x.png", 80, 60, 36, kInBoth},
    {135, "vsliderflexired-2x.png", 128, 16, 16, kInBoth},
    {136, "vsliderflexired-2x.png", 128, 16, 16, kInBoth},
    {138, "vsliderflexiblue-2x.png", 128, 16, 16, kInBoth},
    {140, "vsliderflexipurple-2x.png", 128, 16, 16, kInBoth},
    {142, "vsliderflexigreen-2x.png", 128, 16, 16, kInBoth},
    {106, "vslider-2x.png", 128, 32, 16, kInBoth},
    {107, "vslider-2x.png", 128, 32, 16, kInBoth},
    {118, "vslider2-2x.png", 2, 32, 16, kInBoth},
    {143, "vslider3-2x.png", 3, 32, 16, kInBoth},
    {119, "vslider4-2x.png", 4, 32, 16, kInBoth},
    {144, "vslider5-2x.png", 5, 32, 16, kInBoth},
    {145, "vslider6-2x.png", 6, 32, 16, kInBoth},
    {169, "vslidershort4-2x.png", 4, 32, 28, kInBoth},
    {133, "bigbutton-2x.png", 2, 24, 16, kInBoth, 20, 12},  // lcd: the two-state switch
    {172, "syncbutton-2x.png", 2, 20, 12, kInBoth},
    {165, "flexi-sw-2x.png", 2, 24, 16, kInLcd},
    {151, "led-2x.png", 2, 20, 12, kInBoth, 24, 16},
    {112, "fxbgmod-2x.png", 1, 1140, 800, kInBoth},
    {113, "fxbgdrive-2x.png", 1, 1140, 800, kInBoth},
    {114, "fxbgeq-2x.png", 1, 1140, 800, kInBoth},
    {132, "fxbgeq2-2x.png", 1, 1140, 800, kInBoth},
    {155, "fxsw-h-2x.png", 1, 95, 20, kInBoth},
    {117, "sevenseg-2x.png", 101, 50, 28, kInBoth},
    {147, "fxordersw-2x.png", 2, 100, 20, kInBoth},
    {156, "fleximode-2x.png", 2, 40, 14, kInBoth},
    {146, "fxsw-2x.png", 2, 26, 16, kInOrig},
    {154, "od-sw-2x.png", 2, 95, 20, kInBoth},
    {153, "eq-sw-2x.png", 2, 95, 20, kInBoth},
    {152, "ch-sw-2x.png", 2, 95, 20, kInBoth},
    {170, "dl-sw-2x.png", 2, 95, 20, kInBoth},
    {175, "midi-sw-2x.png", 2, 140, 22, kInBoth},
    {148, "sourcelist-2x.png", 1, 1140, 799, kInBoth, 1140, 800},
    {149, "rangelist-2x.png", 1, 1140, 799, kInBoth, 1140, 800},
    {150, "polarsw2-2x.png", 2, 40, 16, kInBoth},
    {160, "vcosave-sw-2x.png", 2, 44, 26, kInBoth},
    {161, "flexisave-sw-2x.png", 2, 44, 26, kInBoth},
    {125, "copy-2x.png", 2, 48, 24, kInBoth},
    {126, "default-2x.png", 2, 48, 24, kInBoth},
    {127, "random-2x.png", 2, 48, 24, kInBoth},
    {128, "reset-2x.png", 2, 48, 24, kInBoth},
    {129, "selectall-2x.png", 2, 48, 24, kInBoth},
    {130, "clearall-2x.png", 2, 48, 24, kInBoth},
    {131, "checkbox-2x.png", 2, 12, 12, kInBoth},
    {163, "prevbtn-2x.png", 2, 28, 22, kInBoth},
    {164, "nextbtn-2x.png", 2, 28, 22, kInBoth},
    {109, "fopen-2x.png", 1, 40, 16, kInBoth, 56, 17},
    {166, "fload-2x.png", 2, 40, 20, kInBoth, 56, 17},
    {167, "fsave-2x.png", 2, 40, 20, kInBoth, 56, 17},
    {168, "fwriteone-2x.png", 2, 40, 20, kInBoth, 56, 17},
    {116, "fwriteall-2x.png", 2, 40, 20, kInBoth, 56, 17},
    {157, "savefromvq-bg-2x.png", 1, 1140, 800, kInBoth},
    {171, "modwheel-2x.png", 128, 22, 66, kInBoth},
};

const std::vector<ImageSpec> kCommonImages = {
    {103, "about-2x.png", 1, 700, 460, kInOrig},
    {104, "keys-2x.png", 12, 98, 70, kInOrig},
    {105, "bgkb-2x.png", 1, 98, 70, kInOrig},
};

const std::vector<ImageSpec> kManagerImages = {
    {301, "pm-background-2x.png", 1, 1140, 800, 0},
    {302, "pm-selectdisk-2x.png", 2, 58, 26, 0},
    {303, "pm-selectall-2x.png", 2, 100, 26, 0},
    {304, "pm-unselectall-2x.png", 2, 100, 26, 0},
    {305, "pm-uploadtovq-2x.png", 2, 100, 26, 0},
    {306, "pm-downloadfromvq-2x.png", 2, 100, 26, 0},
    {307, "pm-uploadtovqdatabase-2x.png", 2, 100, 26, 0},
    {308, "pm-sendtobank-2x.png", 2, 100, 26, 0},
    {309, "pm-savetodisk-2x.png", 2, 60, 26, 0},
    {310, "pm-new-2x.png", 2, 60, 26, 0},
    {311, "pm-loadfromdisk-2x.png", 2, 100, 26, 0},
    {312, "pm-invertselection-2x.png", 2, 100, 26, 0},
    {313, "pm-program-2x.png", 7, 80, 66, 0},
    {314, "pm-programselect-2x.png", 2, 80, 66, 0},
    {315, "pm-overwrite-2x.png", 2, 100, 26, 0},
    {317, "pm-playnote-2x.png", 2, 20, 20, 0},
    {318, "pm-scrollbar-2x.png", 1, 24, 40, 0},
    {319, "pm-local-2x.png", 2, 130, 26, 0},
    {320, "pm-global-2x.png", 2, 130, 26, 0},
    {321, "pm-login-2x.png", 2, 60, 22, 0},
    {322, "pm-loginbg-2x.png", 1, 660, 104, 0},
    {323, "pm-selectdirbg-2x.png", 1, 660, 104, 0},
    {324, "checkbox-2x.png", 2, 12, 12, 0},
};

const ImageSpec* FindIn(const std::vector<ImageSpec>& list, int id) {
  for (const ImageSpec& s : list)
    if (s.id == id) return &s;
  return nullptr;
}

// ---- Text styles.
const TextStyleSpec kStyles[] = {
    {Style::None, "Monaco", 10, IColor(255, 0, 0, 0), 0, 1, 0, false},
    {Style::Readout, "Monaco", 11, IColor(255, 255, 255, 255), 1, 1, 0, false},
    {Style::PlusOrig, "Monaco", 11, IColor(255, 255, 0, 0), 1, 1, 2, false},
    {Style::PlusLcd, "Monaco", 12, IColor(255, 0, 0, 0), 0, 1, 0, false},
    {Style::LearnOrig, "Monaco", 10, IColor(255, 255, 255, 255), 1, 1, 0, false},
    {Style::LearnLcd, "Monaco", 10, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::TitleOrig, "Monaco", 12, IColor(255, 255, 0, 0), 1, 1, 0, false},
    {Style::TitleLcd, "Monaco", 12, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::FlexiSpinnerOrig, "Monaco", 11, IColor(255, 255, 0, 0), 1, 1, 2, false},
    {Style::FlexiSpinnerLcd, "Monaco", 11, IColor(255, 0, 0, 0), 0, 1, 2, false},
    {Style::TrackingReadoutLcd, "Monaco", 12, IColor(255, 0, 0, 0), 0, 1, 0, false},
    {Style::SlotSpinner, "Monaco", 30, IColor(255, 0, 0, 0), 0, 1, 0, false},
    {Style::MidiSpinnerOrig, "Monaco", 11, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::MidiSpinnerLcd, "Monaco", 12, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::LoginText, "Arial", 15, IColor(255, 0, 0, 0), 1, 1, 0, false},
    {Style::LoginPassword, "Arial", 15, IColor(255, 0, 0, 0), 1, 1, 0, true},
    {Style::BrowserRow, "Monaco", 12, IColor(255, 200, 200, 200), 1, 0, 0, false},
    {Style::SlotNumber, "Verdana", 22, IColor(255, 220, 220, 220), 1, 0, 0, false},
    {Style::SlotName, "Monaco", 10, IColor(255, 220, 220, 220), 1, 1, 0, false},
};
static_assert(sizeof kStyles / sizeof kStyles[0] == static_cast<int>(Style::Count));

// ---- Synth page build.
class SynthBuilder {
 public:
  explicit SynthBuilder(Skin skin) : mSkin(skin), mLcd(skin == Skin::Lcd) {}

  std::vector<ControlSpec> Build();

 private:
  int Img(int origId) const { return mLcd ? origId + 100 : origId; }
  ControlSpec& Add(ControlSpec c) {
    mOut.push_back(c);
    return mOut.back();
  }
  // A control sized by one frame of its image, placed by its top-left point.
  ControlSpec& Framed(Ctl cls, int param, int image, int x, int y, double gearing = 0.0) {
    const Point f = FrameSize(image);
    ControlSpec c{cls, param, image, IRECT(x, y, x + f.x, y + f.y)};
    c.gearing = gearing;
    return Add(c);
  }
  ControlSpec& Rect(Ctl cls, int param, const IRECT& r) {
    ControlSpec c{cls, param, 0, r};
    if (cls == Ctl::Spinner) c.gearing = 10.0;  // value and label shown, dragged vertically
    return Add(c);
  }
  ControlSpec& Text(const IRECT& r, Style style, const char* text) {
    ControlSpec c{Ctl::Text, -1, 0, r, style, text};
    return Add(c);
  }
  ControlSpec& Readout(int param, const IRECT& r, Style style = Style::Readout) {
    ControlSpec c{Ctl::Text, -1, 0, r, style};
    c.readoutField = param - kPositionFirstParam;
    return Add(c);
  }
  IRECT DefaultReadout(int param) const {
    const Point p = KnobPosition(param);
    return mLcd ? IRECT(p.x - 8, p.y + 27, p.x + 40, p.y + 43)
                : IRECT(p.x - 8, p.y + 33, p.x + 40, p.y + 49);
  }
  void KnobWithReadout(int param, Ctl cls, int origImage, double gearing) {
    const Point p = KnobPosition(param);
    Framed(cls, param, Img(origImage), p.x, p.y - 12, gearing);
    Readout(param, DefaultReadout(param));
  }
  void KnobLoopEntry(int param);

  Skin mSkin;
  bool mLcd;
  std::vector<ControlSpec> mOut;
};

void SynthBuilder::KnobLoopEntry(int p) {
  const Point pos = KnobPosition(p);
  const int X = pos.x, Y = pos.y;
  switch (p) {
    case vq_param::kVoice2Transposition:
    case vq_param::kVoice3Transposition:
      return KnobWithReadout(p, Ctl::Knob, 145, 0.4);
    case vq_param::kEnvelopeMode:
      return KnobWithReadout(p, Ctl::Knob, 143, 0.4);
    case vq_param::kVcfModulationPitchFollow:
      return KnobWithReadout(p, Ctl::Knob, 118, 0.4);
    case vq_param::kVcfType:
      return KnobWithReadout(p, Ctl::Knob, 144, 0.4);
    case vq_param::kVcfVintageNew:
    case vq_param::kVcfSlope:
    case vq_param::kTrigGateMode:
      Framed(Ctl::Switch, p, mLcd ? 233 : 172, X + 6, mLcd ? Y - 4 : Y - 7);
      Readout(p, mLcd ? IRECT(X - 8, Y - 16, X + 40, Y) : IRECT(X - 8, Y - 20, X + 40, Y - 4));
      return;
    case vq_param::kPortamentoSlope:
      Framed(Ctl::Switch, p, mLcd ? 233 : 172, X + 6, mLcd ? Y - 8 : Y - 7);
      Readout(p, IRECT(X - 8, Y - 20, X + 40, Y - 4));
      return;
    case vq_param::kKeyPriority:
      Framed(Ctl::Knob, p, Img(169), X, mLcd ? Y - 9 : Y - 12, 0.4);
      Readout(p, mLcd ? IRECT(X - 8, Y - 12, X + 40, Y + 4) : IRECT(X - 8, Y - 15, X + 40, Y + 1));
      return;
    default:
      return KnobWithReadout(p, Ctl::Knob, 106, 1.0);
  }
}

std::vector<ControlSpec> SynthBuilder::Build() {
  // 1, 2. Backgrounds and the full-page save overlays.
  if (mLcd) {
    Framed(Ctl::Image, -1, 202, 0, 0);
  } else {
    Framed(Ctl::Image, -1, 102, 0, 0).hidden = mSkin != Skin::Space;
    Framed(Ctl::Image, -1, 162, 0, 0).hidden = mSkin != Skin::Solid;
    Framed(Ctl::Image, -1, 173, 0, 0).hidden = true;
    Framed(Ctl::Image, -1, 174, 0, 0).hidden = true;
  }
  Framed(Ctl::Image, -1, Img(158), 0, 0);
  Framed(Ctl::Image, -1, Img(159), 0, 0).hidden = true;
  if (mLcd) Framed(Ctl::Image, -1, 273, 0, 0).hidden = true;

  // 4. FLEXI captions.
  for (int k = 0; k < 4; ++k) {
    Text(IRECT(532 + 168 * k, 47, 552 + 168 * k, 59), mLcd ? Style::PlusLcd : Style::PlusOrig,
         "(+)");
    Text(IRECT(551 + 168 * k, 71, 611 + 168 * k, 83), mLcd ? Style::LearnLcd : Style::LearnOrig,
         "LEARN");
  }
  // 5. Effect panels and tab highlights.
  for (int id : {112, 113, 114, 132}) Framed(Ctl::Image, -1, Img(id), 0, 0);
  for (int k = 0; k < 4; ++k)
    Framed(Ctl::Image, -1, Img(155), 523 + 95 * k, mLcd ? 562 : 565).hidden = true;
  // 6. Program title.
  Text(mLcd ? IRECT(58, 31, 268, 47) : IRECT(36, 30, 268, 46),
       mLcd ? Style::TitleLcd : Style::TitleOrig, "Last Used Program");
  // 7. Portamento mode.
  {
    const Point p = KnobPosition(173);
    Framed(Ctl::Switch, 173, mLcd ? 233 : 172, p.x + 6, mLcd ? p.y - 8 : p.y - 7);
    Readout(173, IRECT(p.x - 8, p.y - 20, p.x + 40, p.y - 4));
  }
  // 8. Seven-segment program number.
  Framed(Ctl::Image, 211, Img(117), mLcd ? 141 : 129, 47);
  // 9. Read-out slots of fields 95..120: kept, never attached.
  for (int param = 98; param <= 123; ++param) {
    const Point p = KnobPosition(param);
    Readout(param, IRECT(p.x - 8, p.y + 33, p.x + 40, p.y + 49)).attached = false;
  }
  // 10, 11. The voice parameters and the LFO.
  for (int p = 3; p <= 93; ++p) KnobLoopEntry(p);
  for (int p = 94; p <= 97; ++p) KnobWithReadout(p, Ctl::Knob, 106, 1.0);
  // 12. MIDI sync, the second cutoff and the effect and equalizer knobs.
  {
    const Point p = KnobPosition(127);
    Framed(Ctl::Knob2, 127, Img(169), p.x, p.y - 12, 0.4);
    Readout(127, mLcd ? IRECT(p.x - 8, p.y - 18, p.x + 40, p.y - 2)
                      : IRECT(p.x - 8, p.y - 15, p.x + 40, p.y + 1));
  }
  Framed(Ctl::Knob, 186, Img(107), 800, 76, 1.0).hidden = true;
  Readout(186, DefaultReadout(186)).hidden = true;
  for (int p :
       {132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 148, 149, 147,
        182, 183, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 160, 184, 185}) {
    if (p == 134)
      KnobWithReadout(p, Ctl::Knob, 118, 0.4);
    else if (p == 138 || p == 142)
      KnobWithReadout(p, Ctl::Knob, 106, 1.0);
    else if (p == 147 || p == 182 || p == 183 || p == 160 || p == 184 || p == 185)
      KnobWithReadout(p, Ctl::Knob, 118, 1.0);
    else
      KnobWithReadout(p, Ctl::Knob, 107, 1.0);
  }

  // 13. The rest of the page.
  Framed(Ctl::Switch, 131, Img(147), 906, mLcd ? 562 : 565);
  const int rangeImages[8] = {136, 136, 138, 138, 140, 140, 142, 142};
  for (int i = 0; i < 8; ++i)
    Framed(Ctl::Knob, 231 + i, Img(rangeImages[i]), 300, -40, 1.0).hidden = true;
  Framed(Ctl::Switch, 187, Img(172), 31, mLcd ? 240 : 242);
  Framed(Ctl::Switch, 188, mLcd ? 265 : 172, 408, 36);
  {
    ControlSpec& r = mLcd ? Readout(188, IRECT(369, 23, 467, 43), Style::TrackingReadoutLcd)
                          : Readout(188, IRECT(369, 24, 467, 44));
    r.readoutField = 185;
  }
  for (int k = 0; k < 4; ++k) Framed(Ctl::Button, 239 + k, mLcd ? 265 : 133, 570 + 168 * k, 50);
  for (int k = 0; k < 4; ++k)
    Framed(Ctl::Button, 243 + k, Img(151), mLcd ? 570 + 168 * k : 572 + 168 * k, mLcd ? 50 : 52);
  for (int k = 0; k < 4; ++k) {
    const Point p = KnobPosition(104 + 7 * k);
    Framed(Ctl::Knob, 104 + 7 * k, Img(134), p.x, p.y, 3.0);
  }
  const Style spin = mLcd ? Style::FlexiSpinnerLcd : Style::FlexiSpinnerOrig;
  auto sourceRect = [](int k) { return IRECT(478 + 168 * k, 11, 548 + 168 * k, 27); };
  auto rangeRect = [](int k) { return IRECT(478 + 168 * k, 35, 548 + 168 * k, 51); };
  for (int k = 0; k < 4; ++k) {
    Rect(Ctl::Spinner, 247 + 2 * k, sourceRect(k)).style = spin;
    Rect(Ctl::Spinner, 248 + 2 * k, rangeRect(k)).style = spin;
  }
  for (int k = 0; k < 4; ++k) {
    const Point p = KnobPosition(174 + 2 * k);
    Framed(Ctl::Switch, 174 + 2 * k, Img(156), p.x, p.y - 2);
  }
  if (!mLcd) {
    ControlSpec& radio = Rect(Ctl::RadioButtons, 293, IRECT(524, 565, 810, 581));
    radio.image = 146;
    radio.hidden = true;
    radio.count = 3;
    radio.direction = 1;
  }
  const int tabParams[4] = {267, 268, 269, 305}, tabImages[4] = {154, 153, 152, 170};
  for (int k = 0; k < 4; ++k)
    Framed(Ctl::Switch, tabParams[k], Img(tabImages[k]), 523 + 95 * k, mLcd ? 562 : 565);
  const int tabAreas[4] = {294, 295, 296, 312};
  for (int k = 0; k < 4; ++k) {
    const int x = 523 + 95 * k;
    Rect(Ctl::InvisibleSwitch, tabAreas[k],
         mLcd ? IRECT(x, 562, x + 100, 587) : IRECT(x, 565, x + 100, 585));
  }
  Framed(Ctl::Knob, 309, Img(118), 845, 390, 1.0);
  Framed(Ctl::Knob2, 128, Img(106), 885, 390, 1.0);
  Framed(Ctl::Knob, 310, Img(119), 925, 390, 1.0);
  Framed(Ctl::Knob, 311, Img(106), 965, 390, 1.0);
  for (int k = 0; k < 4; ++k)
    Text(mLcd ? IRECT(837 + 40 * k, 429, 885 + 40 * k, 445)
              : IRECT(837 + 40 * k, 435, 885 + 40 * k, 451),
         Style::Readout, "");
  Framed(Ctl::Switch, 306, Img(175), mLcd ? 848 : 852, mLcd ? 408 : 406);
  Rect(Ctl::InvisibleSwitch, 307, IRECT(848, 408, 920, 430)).hidden = true;
  Rect(Ctl::InvisibleSwitch, 308, IRECT(920, 408, 992, 430)).hidden = true;
  Rect(Ctl::ParaEq, 290, mLcd ? IRECT(650, 590, 1110, 705) : IRECT(640, 593, 1100, 708));
  for (int k = 0; k < 4; ++k) {
    Rect(Ctl::InvisibleSwitch, 255 + k, sourceRect(k));
    Rect(Ctl::InvisibleSwitch, 259 + k, rangeRect(k));
  }
  Framed(Ctl::Image, -1, Img(148), 0, mLcd ? 0 : 1).hidden = true;
  Framed(Ctl::Image, -1, Img(149), 0, mLcd ? 0 : 1).hidden = true;  // closed by the list-page hide
  for (int k = 0; k < 4; ++k)
    Rect(Ctl::InvisibleSelect, 263 + k,
         IRECT(kListColumnX[k], kListTop, kListColumnX[k + 1], kListBottom))
        .hidden = true;
  Rect(Ctl::InvisibleSwitch, 300, IRECT(0, 0, 1140, 120)).hidden = true;
  for (int k = 0; k < 4; ++k) Framed(Ctl::Switch, 175 + 2 * k, Img(150), 575, 100).hidden = true;
  Framed(Ctl::Button, 303, Img(160), 18, 730);
  Framed(Ctl::Button, 304, Img(161), 18, 760);
  const int editParams[6][5] = {
      // param, image, x, y, lcd x/y differ
      {212, 125, 196, 730, 1}, {213, 126, 71, 49, 1},    {214, 127, 822, 758, 0},
      {215, 128, 822, 730, 0}, {216, 129, 1066, 730, 0}, {217, 130, 1066, 758, 0},
  };
  for (const auto& e : editParams) {
    int x = e[2], y = e[3];
    if (mLcd && e[0] == 212) x = 189, y = 725;
    if (mLcd && e[0] == 213) x = 48;
    Framed(Ctl::Button, e[0], Img(e[1]), x, y);
  }
  const int checkColumns[5] = {66, 140, 874, 922, 1002};
  for (int c = 0; c < 5; ++c)
    for (int r = 0; r < 4; ++r)
      Framed(Ctl::Switch, 270 + 4 * c + r, Img(131), checkColumns[c], 731 + 13 * r);
  Framed(Ctl::Button, 209, Img(163), mLcd ? 216 : 186, 49);
  Framed(Ctl::Button, 210, Img(164), mLcd ? 247 : 218, 49);
  Rect(Ctl::InvisibleSwitch, 291, IRECT(1010, 565, 1037, 584));
  Rect(Ctl::InvisibleSwitch, 292, IRECT(1041, 565, 1068, 584));
  auto selector = [&](int param, const IRECT& r, const char* ext, int action, bool hidden) {
    ControlSpec& c = Rect(Ctl::FileSelector, param, r);
    c.image = Img(109);
    c.text = ext;
    c.fileAction = action;
    c.hidden = hidden;
  };
  selector(208, IRECT(0, 0, 40, 16), "vq4", 0, true);
  const IRECT loadRect = mLcd ? IRECT(47, 10, 103, 27) : IRECT(60, 12, 100, 28);
  selector(201, loadRect, "", 0, true);
  selector(201, loadRect, "pr4 pr3 prg", 0, !mLcd);
  selector(203, mLcd ? IRECT(104, 10, 160, 27) : IRECT(100, 12, 140, 28), "pr4", 1, false);
  selector(205, mLcd ? IRECT(161, 10, 217, 27) : IRECT(150, 12, 190, 28), "pr4 pr3 prg", 0, false);
  const int fileButtons[4][4] = {
      {202, 166, 46, 47}, {204, 167, 90, 104}, {206, 168, 132, 161}, {207, 116, 196, 218}};
  for (const auto& b : fileButtons)
    Framed(Ctl::Button, b[0], Img(b[1]), mLcd ? b[3] : b[2], mLcd ? 10 : 11);
  Framed(Ctl::Image, -1, Img(157), 0, 0);
  Rect(Ctl::Spinner, 301, IRECT(548, 348, 588, 388)).style = Style::SlotSpinner;
  Rect(Ctl::InvisibleSwitch, 302, IRECT(524, 404, 600, 444));
  const Style midi = mLcd ? Style::MidiSpinnerLcd : Style::MidiSpinnerOrig;
  Rect(Ctl::Spinner, 347, IRECT(262, 730, 292, 770)).style = midi;
  Rect(Ctl::Spinner, 348, IRECT(262, 775, 292, 815)).style = midi;
  Framed(Ctl::Knob3, 349, Img(171), 293, 730, 1.0);
  return std::move(mOut);
}

}  // namespace

Point KnobPositionAt(int index) {
  if (index < 0 || index >= kPositionCount) return Point{};
  return Positions().p[index];
}

Point KnobPosition(int param) {
  return KnobPositionAt(param - kPositionFirstParam);
}

const std::vector<ImageSpec>& SynthPageImages() {
  return kSynthImages;
}
const std::vector<ImageSpec>& CommonImages() {
  return kCommonImages;
}
const std::vector<ImageSpec>& ManagerImages() {
  return kManagerImages;
}

const ImageSpec* FindImage(int id) {
  if (id >= 301 && id <= 324) return FindIn(kManagerImages, id);
  if (id >= 103 && id <= 105) return FindIn(kCommonImages, id);
  if (id >= 102 && id <= 175) {
    const ImageSpec* s = FindIn(kSynthImages, id);
    return s && (s->skins & kInOrig) ? s : nullptr;
  }
  if (id >= 202 && id <= 275) {
    const ImageSpec* s = FindIn(kSynthImages, id - 100);
    return s && (s->skins & kInLcd) ? s : nullptr;
  }
  return nullptr;
}

Folder ImageFolder(int id) {
  if (id >= 301) return Folder::Manager;
  if (id >= 202) return Folder::Lcd;
  return Folder::Orig;
}

Point FrameSize(int id) {
  const ImageSpec* s = FindImage(id);
  if (!s) return Point{};
  if (ImageFolder(id) == Folder::Lcd && s->lcdW > 0) return Point{s->lcdW, s->lcdH};
  return Point{s->w, s->h};
}

std::string ImageLoadName(int id) {
  const ImageSpec* s = FindImage(id);
  if (!s) return std::string();
  const Folder f = ImageFolder(id);
  std::string name = f == Folder::Manager ? "img/manager/"
                     : f == Folder::Lcd   ? "img/lcd/"
                                          : "img/orig/";
  if (s->id == 159) name += "/";  // the page has always asked for this one with a doubled slash
  return name + s->file;
}

const TextStyleSpec& TextStyleOf(Style style) {
  const int i = static_cast<int>(style);
  return kStyles[i >= 0 && i < static_cast<int>(Style::Count) ? i : 0];
}

IText MakeText(Style style) {
  const TextStyleSpec& s = TextStyleOf(style);
  IText t(s.size, s.color, s.face, s.weight, s.align, 0, s.quality);
  t.mSecure = s.secure ? 1 : 0;
  return t;
}

const char* CtlName(Ctl c) {
  static const char* const kNames[] = {"IBitmapControl",
                                       "IKnobMultiControl",
                                       "IKnobMultiControl2",
                                       "IKnobMultiControl3",
                                       "ISwitchControl",
                                       "IContactControl",
                                       "ITextControl",
                                       "ISpinnerControl",
                                       "IInvisibleSwitchControl",
                                       "IInvisibleSelectControl",
                                       "IInvisibleSelectControl3",
                                       "IInvisibleMatrixSelectControl",
                                       "IRadioButtonsControl",
                                       "IFileSelectorControl",
                                       "IParaGraphicEq",
                                       "IFaderControl",
                                       "IUserTextControl"};
  const int i = static_cast<int>(c);
  return i >= 0 && i < static_cast<int>(sizeof kNames / sizeof kNames[0]) ? kNames[i] : "";
}

std::vector<ControlSpec> SynthPageControls(Skin skin) {
  return SynthBuilder(skin).Build();
}

const EqDisplaySettings& EqSettings() {
  static const EqDisplaySettings kSettings{
      4,
      false,
      false,
      false,
      20.0,
      12000.0,
      -24.0,
      24.0,
      4.0,
      IColor(255, 255, 255, 255),
      IColor(255, 255, 0, 0),
      IColor(255, 255, 255, 0),
      IColor(255, 255, 255, 0),
      IColor(100, 0, 0, 0),
      "25, 50, 100, 200, 300, 500, 1000, 2000, 3000, 5000, 7000, 10000",
      "-18, -12, -6, 0, 6, 12, 18"};
  return kSettings;
}

std::vector<ControlSpec> ManagerPageControls() {
  std::vector<ControlSpec> out;
  auto framed = [&](Ctl cls, int param, int image, int x, int y) -> ControlSpec& {
    const Point f = FrameSize(image);
    out.push_back(ControlSpec{cls, param, image, IRECT(x, y, x + f.x, y + f.y)});
    return out.back();
  };
  auto rect = [&](Ctl cls, int param, const IRECT& r, Style style = Style::None) -> ControlSpec& {
    out.push_back(ControlSpec{cls, param, 0, r, style});
    return out.back();
  };
  framed(Ctl::Image, -1, 301, 0, 0);
  const int buttons[12][4] = {{313, 302, 22, 35},  {318, 310, 324, 35}, {321, 309, 493, 35},
                              {314, 303, 84, 35},  {315, 304, 84, 64},  {316, 312, 188, 35},
                              {317, 308, 188, 64}, {319, 311, 387, 35}, {320, 306, 387, 64},
                              {322, 307, 557, 35}, {323, 305, 557, 64}, {336, 315, 942, 64}};
  for (const auto& b : buttons) framed(Ctl::Button, b[0], b[1], b[2], b[3]);
  framed(Ctl::Image, -1, 323, 0, 0).hidden = true;
  framed(Ctl::Button, 343, 319, 22, 35).hidden = true;
  framed(Ctl::Button, 344, 320, 162, 35).hidden = true;
  framed(Ctl::Image, -1, 322, 0, 0).hidden = true;
  framed(Ctl::Button, 345, 321, 115, 70).hidden = true;
  rect(Ctl::UserText, -1, IRECT(68, 21, 258, 37), Style::LoginText).hidden = true;
  rect(Ctl::UserText, -1, IRECT(68, 45, 258, 61), Style::LoginPassword).hidden = true;
  framed(Ctl::Switch, 346, 324, 226, 74).hidden = true;
  const int switches[11][3] = {{324, 668, 70}, {325, 668, 31}, {327, 668, 57}, {326, 668, 44},
                               {329, 668, 83}, {330, 736, 83}, {331, 826, 31}, {332, 826, 44},
                               {333, 826, 57}, {334, 826, 70}, {335, 826, 83}};
  for (const auto& s : switches) framed(Ctl::Switch, s[0], 324, s[1], s[2]);
  for (int k = 0; k < kBrowserRows; ++k)
    rect(Ctl::Text, -1, IRECT(24, 118 + 14 * k, 274, 132 + 14 * k), Style::BrowserRow);
  rect(Ctl::InvisibleSelect3, 338, IRECT(24, 118, 274, 776));
  framed(Ctl::Fader, 341, 318, 276, 116).rect.B = 116 + 660;
  for (int i = 0; i < kSlotColumns * kSlotRows; ++i) {
    const int c = i % kSlotColumns, r = i / kSlotColumns;
    const int x = kSlotGridX + kSlotPitchX * c, y = static_cast<int>(kSlotGridY + kSlotPitchY * r);
    framed(Ctl::Image, -1, 314, x, y).hidden = i == 0;
    framed(Ctl::Image, -1, 313, x, y).hidden = i == 0;
  }
  static const std::vector<std::string> kNumbers = [] {
    std::vector<std::string> v;
    char buf[16];
    for (int i = 0; i < 100; ++i) {
      std::snprintf(buf, sizeof buf, "%02d", i);
      v.emplace_back(buf);
    }
    return v;
  }();
  for (int i = 0; i < kSlotColumns * kSlotRows; ++i) {
    const int c = i % kSlotColumns;
    const double r = i / kSlotColumns;
    ControlSpec& n = rect(Ctl::Text, -1,
                          IRECT(316 + 82 * c, static_cast<int>(110 + kSlotPitchY * r), 356 + 82 * c,
                                static_cast<int>(134 + kSlotPitchY * r)),
                          Style::SlotNumber);
    n.text = kNumbers[i].c_str();
    n.hidden = i == 0;
    rect(Ctl::Text, -1,
         IRECT(312 + 82 * c, static_cast<int>(131 + kSlotPitchY * r), 380 + 82 * c,
               static_cast<int>(171 + kSlotPitchY * r)),
         Style::SlotName)
        .hidden = i == 0;
  }
  rect(Ctl::UserText, -1, IRECT(880, 37, 1100, 53), Style::LoginText);
  rect(Ctl::MatrixSelect, 339, IRECT(308, 108, 1120, 788));
  framed(Ctl::Button, 342, 317, 317, 112);
  return out;
}

}  // namespace vq_layout
