// The layout of the editor's pages as data: the knob position table, the images every page
// loads (with the frame size our artwork draws them at), the text styles, and the synth page
// (three skins) and program-manager page as ordered lists of control rows in attach order.
// The page builders walk these lists; the artwork generator draws labels and frames at the
// same places, so that what the user sees sits where the controls take clicks.
#pragma once

#include <string>
#include <vector>

#include "graphics/gui_types.h"

namespace vq_layout {

// ---- Knob position table: parameters 3..186 (program fields 0..183).
inline constexpr int kPositionFirstParam = 3;
inline constexpr int kPositionCount = 184;
struct Point {
  int x = 0, y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};
// The anchor of the parameter's control; (0, 0) for parameters the table does not place and
// for indices outside the table.
Point KnobPosition(int param);
// By table index (parameter - 3); (0, 0) outside 0..183.
Point KnobPositionAt(int index);
// The effect row's sliders stand below the effect tabs, with their read-outs and labels under
// them: this far below the row the table gives.
inline constexpr int kEffectRowDrop = 42;
// The Y a table-placed parameter's slider and read-out are placed from: the table's, dropped
// below the tabs for the effect row.
int SliderRowY(int param);

// ---- Images.
enum class Skin { Space, Solid, Lcd };
enum class Folder { Orig, Lcd, Manager };
enum SkinMask : unsigned { kInOrig = 1, kInLcd = 2, kInBoth = 3 };

struct ImageSpec {
  int id;                  // orig id (102..175), always-orig (103..105) or manager (301..324)
  const char* file;        // "background-2x.png"
  int frames;              // one vertical strip of equal frames
  int w, h;                // one frame in GUI pixels (the PNG is twice that, times frames high)
  unsigned skins;          // synth-page images: which folders hold the file
  int lcdW = 0, lcdH = 0;  // the lcd file's frame size where it differs (0: as orig)
};

// Synth-page images by orig id (the lcd file has the same name under id + 100).
const std::vector<ImageSpec>& SynthPageImages();
// Images every skin loads from img/orig/: about box, keyboard keys and octave background.
const std::vector<ImageSpec>& CommonImages();
const std::vector<ImageSpec>& ManagerImages();
// Any loaded id: 102..184, 202..284 (lcd), 301..324; null when unknown or absent in that folder.
const ImageSpec* FindImage(int id);
// The short image of a FLEXI range slider (either skin's id), for a destination slider too short
// for the long one; 0 for any other image.
int ShortFlexiRangeImage(int id);
// The frame size the file under this id has; (0, 0) for unknown ids.
Point FrameSize(int id);
// The resource name the page loads the id under, e.g. "img/lcd/background-2x.png" (the one
// doubled slash of flexisavebg included).
std::string ImageLoadName(int id);
Folder ImageFolder(int id);

// ---- Text styles.
enum class Style {
  None,
  Readout,
  PlusOrig,
  PlusLcd,
  LearnOrig,
  LearnLcd,
  TitleOrig,
  TitleLcd,
  FlexiSpinnerOrig,
  FlexiSpinnerLcd,
  TrackingReadoutLcd,
  SlotSpinner,
  MidiSpinnerOrig,
  MidiSpinnerLcd,
  // manager page
  LoginText,
  LoginPassword,
  BrowserRow,
  SlotNumber,
  SlotName,
  Count
};
struct TextStyleSpec {
  Style style;
  const char* face;
  int size;
  IColor color;
  int weight;   // IText style value
  int align;    // IText alignment value
  int quality;  // IText quality value
  bool secure;
};
const TextStyleSpec& TextStyleOf(Style style);
IText MakeText(Style style);

// ---- Control rows.
enum class Ctl {
  Image,             // IBitmapControl
  Knob,              // IKnobMultiControl, vertical
  Knob2,             // IKnobMultiControl2
  Knob3,             // IKnobMultiControl3
  Switch,            // ISwitchControl
  Button,            // IContactControl
  Text,              // ITextControl
  Spinner,           // ISpinnerControl
  InvisibleSwitch,   // IInvisibleSwitchControl
  InvisibleSelect,   // IInvisibleSelectControl
  InvisibleSelect3,  // IInvisibleSelectControl3
  MatrixSelect,      // IInvisibleMatrixSelectControl
  RadioButtons,      // IRadioButtonsControl
  FileSelector,      // IFileSelectorControl
  ParaEq,            // IParaGraphicEq
  Fader,             // IFaderControl
  UserText,          // IUserTextControl
};
const char* CtlName(Ctl c);

struct ControlSpec {
  Ctl cls;
  int param = -1;
  int image = 0;  // id as loaded in this skin, 0 for none
  IRECT rect;     // draw rectangle (from the image's frame size where there is one)
  Style style = Style::None;
  const char* text = "";  // initial text of texts; extensions of file selectors
  double gearing = 0.0;   // knobs; spinners drag with 10.0
  bool hidden = false;    // hidden by the page build itself
  bool attached = true;   // false: built and kept, never attached (read-out slots 95..120)
  int readoutField = -1;  // read-outs: the program field whose read-out array slot holds it
  int fileAction = 0;     // file selectors: 0 open, 1 save
  int count = 0;          // radio buttons: how many
  int direction = 0;      // radio buttons: 0 down, 1 right to left; spinners: 0 vertical
};

// Every control of the skin's synth-page build in attach order (the unattached read-out slots
// in the place they are built).
std::vector<ControlSpec> SynthPageControls(Skin skin);
// The program-manager page in attach order.
std::vector<ControlSpec> ManagerPageControls();

// What the equalizer curve display of parameter 290 is given, the same in every skin.
struct EqDisplaySettings {
  int bands;
  bool hideGrid, hideHandles, hideLabels;
  double lowestHz, highestHz, lowestDb, highestDb, handleRadius;
  IColor grid, curve, handle, fourth, labelBox;
  const char* frequencyGrid;
  const char* gainGrid;
};
const EqDisplaySettings& EqSettings();

// The dark well the artwork draws around a read-out's text lies this far inside its box.
inline constexpr double kReadoutWellInsetX = 6, kReadoutWellInsetY = 1.5;
// The room a read-out's longest text leaves inside its well on either side, and the keyboard's
// channel and controller values inside their windows (at the sides, and above).
inline constexpr double kReadoutWellMargin = 2, kMidiBoxMargin = 2, kMidiBoxMarginY = 1;

// ---- Panels the artwork draws (left, top, width, height): the border runs along these edges,
// in the lcd skin as a bezel two pixels wide just outside them. What stands in a panel keeps clear
// of its border.
struct PanelBox {
  int x, y, w, h;
  const char* title = nullptr;
  int titleX = -1;  // the title plate's left; -1: beside the panel's left edge
};
// The sections of the synth page's background, titled.
const std::vector<PanelBox>& SynthSections();
// The footer's copy, keyboard and randomise panels.
inline constexpr PanelBox kFooterPanels[3] = {
    {8, 718, 248, 80}, {256, 718, 556, 80}, {816, 718, 300, 80}};
// FLEXI 1's panel; each further slot kFlexiSlotPitch to the right.
inline constexpr PanelBox kFlexiPanel{474, 3, 162, 67};
// Each effect view's panel, over the background's section at the same place.
inline constexpr PanelBox kEffectPanel{512, 540, 602, 175};
// The external-MIDI panel, over the PLAY section.
inline constexpr PanelBox kExtMidiPanel{836, 366, 168, 172};
// Its four read-outs' left and right edges: the octave's "-1 Oct." takes room from the program
// change's and bend range's digits.
inline constexpr int kExtMidiReadoutX[4][2] = {{837, 885}, {877, 913}, {913, 969}, {969, 1005}};
// The lcd skin's header (file buttons, program name), tracking and logo panels.
inline constexpr PanelBox kLcdHeaderPanel{44, 4, 236, 44}, kLcdTrackingPanel{368, 14, 102, 50},
    kLcdLogoPanel{60, 648, 400, 60};
// The manager's file list (FILES) and slot grid (BANK) panels: the grid's panel ends with the
// heading panel above it, its right column and bottom row of slots as far inside it as the left
// column.
inline constexpr PanelBox kManagerListPanels[2] = {{14, 104, 292, 691}, {304, 104, 826, 691}};
// The orig skins' frame around the program name.
inline constexpr PanelBox kNameFrame{32, 28, 240, 20};
// Every panel of the synth page's background in the skin: the header's, the FLEXI slots', the
// sections and the footer's.
std::vector<PanelBox> SynthPagePanels(Skin skin);

// Geometry the artwork and the page share.
inline constexpr int kGuiWidth = 1140, kGuiHeight = 800;
inline constexpr int kKeyboardX = 316, kKeyboardY = 724, kKeyboardOctaves = 5;
// The keyboard's channel and wheel-controller boxes, light windows in the artwork.
inline const IRECT kKeyboardBoxes[2] = {IRECT(260, 728, 290, 760), IRECT(260, 764, 290, 794)};
// FLEXI 1's LEARN / CLEAR caption (left, top, right, bottom; each further slot 168 to the right):
// inside the slot's panel, its text ending at the button's left, in line with the mode switch's
// name, under the polarity sign and clear of the panel's edges.
inline constexpr int kFlexiCaptionBox[4] = {520, 53, 566, 68};
inline constexpr int kFlexiSlotPitch = 168;
// The box of the "fetch VQ slot" panel on its page-sized dimmed image: left, top, right, bottom.
inline constexpr int kSlotPanelBox[4] = {390, 286, 750, 472};
inline constexpr int kBlackKeyOffsets[5] = {9, 25, 51, 66, 81};  // C#, D#, F#, G#, A#
inline constexpr int kBlackKeySemitones[5] = {1, 3, 6, 8, 10};
inline constexpr int kBlackKeyWidth = 10, kBlackKeyHeight = 42;
// List page: four columns of 20 rows; a click at y decodes to row trunc((y - top) / 25).
inline constexpr int kListTop = 180, kListBottom = 680, kListRowHeight = 25, kListRows = 20;
inline constexpr int kListColumnX[5] = {23, 295, 567, 839, 1111};
// Last row a list page offers per column (later rows pick the last one).
inline constexpr int kSourceListLast[4] = {17, 37, 57, 77};
inline constexpr int kRangeListLast[4] = {14, 34, 54, 74};
// Manager slot grid.
inline constexpr int kSlotColumns = 10, kSlotRows = 10, kSlotPitchX = 82;
inline constexpr double kSlotPitchY = 68.5;
inline constexpr int kSlotGridX = 308, kSlotGridY = 108;
inline constexpr int kBrowserRows = 47;
// The manager's button block: the panels whose headings name their groups (left, top, right,
// bottom); the headings stay inside them.
inline constexpr int kManagerHeadingPanels[3][4] = {
    {14, 4, 664, 100}, {664, 4, 870, 100}, {874, 4, 1130, 100}};

}  // namespace vq_layout
