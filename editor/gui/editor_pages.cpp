#include "editor/gui/editor_pages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "editor/gui/keyboard_control.h"
#include "editor/gui/page_layout_tables.h"
#include "editor/vq_editor.h"
#include "graphics/bitmap_controls.h"
#include "graphics/file_selector.h"
#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "graphics/knob_controls.h"
#include "graphics/para_graphic_eq.h"
#include "graphics/selection_controls.h"
#include "library/program_manager.h"
#include "platform/file_system.h"
#include "plugin/iparam.h"
#include "wemu/ini_file.h"

using namespace vq_layout;

namespace {

int OrigId(int id) {
  return id >= 202 && id <= 284 ? id - 100 : id;
}

// A file selector whose chosen path is the editor's file of its role, set before the choice
// reaches the dispatcher.
class PageFileSelector : public IFileSelectorControl {
 public:
  PageFileSelector(VQEditor* editor, const IRECT& rect, int paramIdx, IFrameBitmap* image,
                   int action, const char* extensions, int role)
      : IFileSelectorControl(editor, rect, paramIdx, image, action, nullptr, extensions),
        mEditor(editor),
        mRole(role) {}

  // The panel opens in the folder the user last chose (never one of the program's own), with
  // only the role's file name proposed.
  void OnMouseDown(int x, int y, IMouseMod* mod) override {
    if (!GetGraphics()) return;
    // What a save writes is fixed as its panel opens, whatever ends while it is up.
    const bool save = mRole == VQEditor::kSaveSelector;
    if (save) mEditor->SavePanelOpening();
    ProgramBrowser& browser = mEditor->Browser();
    mFile.Set(vq::platform::NameOfPath(browser.SelectedFile(mRole)).c_str());
    mDir.Set(browser.PanelFolder().c_str());
    RunPanel([this, &browser] {
      browser.SetSelectedFile(mRole, mFile.Get());
      browser.NoteChosenFolder(vq::platform::FolderOfPath(mFile.Get()));
    });
    if (save) mEditor->SavePanelClosed();
  }

 private:
  VQEditor* mEditor;
  int mRole;
};

int SelectorRole(int param) {
  switch (param) {
    case vq_param::kFirmwareFileChosen:
      return VQEditor::kFirmwareSelector;
    case vq_param::kLoadFileChosen:
      return VQEditor::kLoadSelector;
    case vq_param::kSaveFileChosen:
      return VQEditor::kSaveSelector;
    default:
      return VQEditor::kWriteSelector;
  }
}

IFrameBitmap* Load(IGraphics* g, int id) {
  if (id <= 0) return nullptr;
  const ImageSpec* s = FindImage(id);
  if (!s) return nullptr;
  return g->LoadBitmapResource(id, ImageLoadName(id).c_str(), s->frames, false);
}

IControl* MakeControl(VQEditor& e, IGraphics* g, const ControlSpec& s) {
  IFrameBitmap* bmp = Load(g, s.image);
  const IText text = MakeText(s.style);
  const int x = s.rect.L, y = s.rect.T;
  switch (s.cls) {
    case Ctl::Image:
      return new IBitmapControl(&e, x, y, s.param, bmp);
    case Ctl::Knob:
      return new IKnobMultiControl(&e, x, y, s.param, bmp, IKnobControl::kVertical, s.gearing);
    case Ctl::Knob2:
      return new IKnobMultiControl2(&e, x, y, s.param, bmp, IKnobControl::kVertical, s.gearing);
    case Ctl::Knob3:
      return new IKnobMultiControl3(&e, x, y, s.param, bmp, IKnobControl::kVertical, s.gearing);
    case Ctl::Switch:
      return new ISwitchControl(&e, x, y, s.param, bmp);
    case Ctl::Button:
      return new IContactControl(&e, x, y, s.param, bmp);
    case Ctl::Text:
      return new EditorTextControl(&e, s.rect, -1, &text, s.text);
    case Ctl::Spinner:
      return new ISpinnerControl(&e, s.rect, s.param, &text, nullptr, true, true, s.direction,
                                 s.gearing);
    case Ctl::InvisibleSwitch:
      return new IInvisibleSwitchControl(&e, s.rect, s.param);
    case Ctl::InvisibleSelect:
      return new IInvisibleSelectControl(&e, s.rect, s.param);
    case Ctl::InvisibleSelect3:
      return new IInvisibleSelectControl3(&e, s.rect, s.param, 0);
    case Ctl::MatrixSelect: {
      auto* m = new IInvisibleMatrixSelectControl(&e, s.rect, s.param);
      m->SetColRow(kSlotColumns, kSlotRows);
      return m;
    }
    case Ctl::RadioButtons:
      return new IRadioButtonsControl(&e, s.rect, s.param, s.count, bmp, s.direction);
    case Ctl::FileSelector:
      return new PageFileSelector(&e, s.rect, s.param, bmp, s.fileAction, s.text,
                                  SelectorRole(s.param));
    case Ctl::ParaEq: {
      const EqDisplaySettings& q = EqSettings();
      IParaGraphicEq::Settings st;
      st.mBands = q.bands;
      st.mHideGrid = q.hideGrid, st.mHideHandles = q.hideHandles, st.mHideLabels = q.hideLabels;
      st.mLowestFreq = static_cast<float>(q.lowestHz),
      st.mHighestFreq = static_cast<float>(q.highestHz);
      st.mLowestGain = static_cast<float>(q.lowestDb),
      st.mHighestGain = static_cast<float>(q.highestDb);
      st.mHandleRadius = static_cast<float>(q.handleRadius);
      st.mGridColor = q.grid, st.mCurveColor = q.curve, st.mHandleColor = q.handle,
      st.mUnusedColor = q.fourth;
      st.mLabelBoxColor = q.labelBox;
      std::strncpy(st.mFreqGrid, q.frequencyGrid, sizeof st.mFreqGrid - 1);
      std::strncpy(st.mGainGrid, q.gainGrid, sizeof st.mGainGrid - 1);
      return new IParaGraphicEq(&e, s.rect, s.param, st);
    }
    case Ctl::Fader:
      return new IFaderControl(&e, x, y, s.rect.B - s.rect.T, s.param, bmp,
                               IFaderControl::kVertical, false);
    case Ctl::UserText:
      return new IUserTextControl(&e, s.rect, &text, "");
  }
  return nullptr;
}

int SkinOfBackground(const char* background) {
  return strcmp(background, "lcd") == 0 ? 2 : strcmp(background, "solid") == 0 ? 1 : 0;
}

void ReadSkin(VQEditor& editor, int* skin) {
  const char* settings = editor.SettingsPath().c_str();
  char background[16];
  GetPrivateProfileString("gui", "background", "", background, sizeof background, settings);
  if (background[0] == '\0') WritePrivateProfileString("gui", "background", "space", settings);
  *skin = SkinOfBackground(background);
}

}  // namespace

EditorPages::~EditorPages() = default;

IKnobMultiControl* EditorPages::KnobOf(int paramIdx) const {
  return paramIdx >= 0 && paramIdx < static_cast<int>(mKnobs.size()) ? mKnobs[paramIdx] : nullptr;
}

void EditorPages::CreateGui(VQEditor& editor, int mode) {
  int skin = 0;
  ReadSkin(editor, &skin);
  editor.SetSkinMode(skin);
  IGraphics* g = editor.Graphics();
  if (!g) return;
  if (!editor.GetGUIResize()) {
    // Scaled from 50 % to 200 % by dragging the corner; the graphics owns the corner control.
    auto* resize = new IModuleGUIResize(&editor, g, true, 16, 16);
    resize->EnableLiveResizePreview();
    resize->SetGuiScaleLimits(50.0, 200.0);
    resize->SetViewSizeLimits(0, 570.0, 400.0, 2280.0, 1600.0);
    resize->SetCornerDragScales(true);
    editor.SetGUIResize(resize);
  }
  const IColor grey(255, 127, 127, 127);
  g->AttachPanelBackground(&grey);
  if (skin == 2)
    editor.BuildGuiLcd();
  else
    editor.BuildGuiOrig(skin == 0);

  IFrameBitmap* keys = Load(g, 104);
  IFrameBitmap* octave = Load(g, 105);
  mKeyboard = new IKeyboardControl(&editor, kKeyboardX, kKeyboardY, keys, octave);
  g->AttachControl(mKeyboard);

  BuildManagerPage(editor);
  ShowManagerPage(editor, !editor.ManagerPageShown());

  mAbout = new IBitmapOverlayControl(&editor, 70, 0, Load(g, 103), IRECT(0, 0, 20, 20));
  g->AttachControl(mAbout);
  SetToolTips(editor);
  g->SetHandleMouseOver(true);
  ShowSaveFromDevicePanel(editor, true);
  ShowOverdriveControls(editor, true);
  ShowEqBandControls(editor, true);
  ShowEqualizerSection(editor, true);
  ShowExtMidiPage(editor, false);
}

SlotPanelControl::SlotPanelControl(VQEditor& editor, int x, int y, IFrameBitmap* image)
    : IBitmapControl(&editor, x, y, -1, image), mEditor(editor) {}

void SlotPanelControl::OnMouseDown(int x, int y, IMouseMod*) {
  // The image is the page: its box scales with it.
  const double s = mRECT.W() / static_cast<double>(kGuiWidth);
  auto at = [&](int base, int origin) { return origin + static_cast<int>(base * s); };
  const IRECT box(at(kSlotPanelBox[0], mRECT.L), at(kSlotPanelBox[1], mRECT.T),
                  at(kSlotPanelBox[2], mRECT.L), at(kSlotPanelBox[3], mRECT.T));
  if (!box.Contains(x, y)) mEditor.CancelProgramNumberSelector();
}

void EditorPages::BuildSynthPage(VQEditor& editor, int skin) {
  IGraphics* g = editor.Graphics();
  const Skin s = skin == 2 ? Skin::Lcd : skin == 1 ? Skin::Solid : Skin::Space;
  int plus = 0, learn = 0, extText = 0;
  static constexpr int kExtTextSlot[4] = {1, 0, 2, 3};  // shown beside 309, 128, 310, 311
  for (const ControlSpec& spec : SynthPageControls(s)) {
    IControl* c = spec.cls == Ctl::Image && spec.param == -1 && OrigId(spec.image) == 157
                      ? new SlotPanelControl(editor, spec.rect.L, spec.rect.T, Load(g, spec.image))
                      : MakeControl(editor, g, spec);
    if (!c) continue;
    if (spec.hidden) c->Hide(true);
    // Read-outs, status line and spinners: the text fits its box at every size. The slot
    // number's two digits always fit; its panel is drawn around where they stand.
    if ((spec.cls == Ctl::Text || spec.cls == Ctl::Spinner) && spec.style != Style::SlotSpinner)
      static_cast<ITextControl*>(c)->SetFitToRect(true);
    // Read-outs print on a dark well narrower than their box: the longest value stays inside
    // it with a margin, none of it beside it or on its edge.
    if (spec.cls == Ctl::Text && spec.style == Style::Readout)
      static_cast<ITextControl*>(c)->SetFitInset(kReadoutWellInsetX + kReadoutWellMargin);
    // The keyboard's channel and controller values keep off their windows' edges.
    if (spec.style == Style::MidiSpinnerOrig || spec.style == Style::MidiSpinnerLcd)
      static_cast<ITextControl*>(c)->SetFitInset(kMidiBoxMargin, kMidiBoxMarginY);
    if (spec.attached) {
      g->AttachControl(c);
    } else {
      mUnattached.emplace_back(c);
    }
    if (spec.readoutField >= 0 && spec.readoutField < kProgramFieldCount) {
      mReadouts[spec.readoutField] = c;
    } else if (spec.cls == Ctl::Text) {
      if (strcmp(spec.text, "(+)") == 0 && plus < kFlexiSlotCount)
        mFlexiPolarity[plus++] = c;
      else if (strcmp(spec.text, "LEARN") == 0 && learn < kFlexiSlotCount)
        mFlexiLearnCaption[learn++] = c;
      else if (strcmp(spec.text, "Last Used Program") == 0)
        mStatusText = c;
      else if (spec.text[0] == '\0' && extText < 4)
        mExtMidiText[kExtTextSlot[extText++]] = c;
    }
    if (auto* knob = dynamic_cast<IKnobMultiControl*>(c);
        knob && spec.param >= 0 && spec.param < static_cast<int>(mKnobs.size()) &&
        !mKnobs[spec.param])
      mKnobs[spec.param] = knob;
    if (spec.param >= vq_param::kFlexi1RangeA && spec.param <= vq_param::kFlexi4RangeB) {
      IFrameBitmap** images = mFlexiRangeImage[(spec.param - vq_param::kFlexi1RangeA) / 2];
      images[0] = Load(g, spec.image);
      images[1] = Load(g, ShortFlexiRangeImage(spec.image));
    }
    if (spec.cls == Ctl::ParaEq) mEq = static_cast<IParaGraphicEq*>(c);
    if (spec.cls == Ctl::FileSelector && spec.text[0] != '\0')
      mFileSelector[SelectorRole(spec.param)] = c;
    if (spec.cls == Ctl::Knob3) mModWheel = static_cast<IKnobMultiControl3*>(c);
    if (spec.param == vq_param::kMidiCc) mModWheelEntry = c;
    if (spec.param >= vq_param::kFlexi1ClearDestination &&
        spec.param <= vq_param::kFlexi4ClearDestination)
      mFlexiOverlay[spec.param - vq_param::kFlexi1ClearDestination] = c;
    if (spec.cls != Ctl::Image || spec.param != -1) continue;
    switch (OrigId(spec.image)) {
      case 102:
        mBackground[0] = c;
        break;
      case 162:
        mBackground[1] = c;
        break;
      case 173:
        mBackground[2] = c;
        break;
      case 174:
        mBackground[3] = c;
        break;
      case 158:
        mCopyPanel[0] = c;
        break;
      case 159:
        mCopyPanel[1] = c;
        break;
      case 112:
        mFxPanel[0] = c;
        break;
      case 113:
        mFxPanel[1] = c;
        break;
      case 114:
        mFxPanel[2] = c;
        break;
      case 132:
        mFxPanel[3] = c;
        break;
      case 155:
        for (IControl*& h : mTabHighlight)
          if (!h) {
            h = c;
            break;
          }
        break;
      case 148:
        mSourceList = c;
        break;
      case 149:
        mRangeList = c;
        break;
      case 157:
        mSaveFromDevice = c;
        break;
      default:
        break;
    }
  }
}

void EditorPages::BuildManagerPage(VQEditor& editor) {
  const char* settings = editor.SettingsPath().c_str();
  mManagerState = 0;
  char text[16];
  GetPrivateProfileString("gui", "manager", "", text, sizeof text, settings);
  if (strcmp(text, "true") == 0)
    editor.SetManagerPageShown(true);
  else if (text[0] == '\0' || strcmp(text, "false") == 0)
    editor.SetManagerPageShown(false);
  if (!mManagerBuilt && editor.Graphics()) BuildManagerControls(editor);
  mManagerBuilt = true;
  // The login panel starts closed.
  ShowLoginPanel(editor, true);
  ShowSelectFolderPanel(editor, true);
  // "Remember me" as the user left it.
  GetPrivateProfileString("dbase", "memo", "", text, sizeof text, settings);
  if (strcmp(text, "true") == 0)
    editor.SetParameterFromGUI(vq_param::kManagerRememberLogin, 1.0);
  else if (strcmp(text, "false") == 0)
    editor.SetParameterFromGUI(vq_param::kManagerRememberLogin, 0.0);
  editor.Browser().Slots().assign(kSlotTableSize, ProgramSlot{});
  editor.SetParameterFromGUI2(vq_param::kManagerConfirm, 1.0);
}

void EditorPages::BuildManagerControls(VQEditor& editor) {
  IGraphics* g = editor.Graphics();
  if (IParam* p = editor.GetParam(vq_param::kManagerBrowserScroll))
    p->InitDouble("Scroll", "", "", 0.0, 0.0, 1.0, 0.001, 1.0);
  // The browser reports a row 0..47 and the grid a cell 0..100, each to a thousandth, so that
  // the row and the cell under the pointer are the ones acted on.
  if (IParam* p = editor.GetParam(vq_param::kManagerBrowserList))
    p->InitDouble("", "", "", 0.0, 0.0, vq_layout::kBrowserRows, 0.001, 1.0);
  if (IParam* p = editor.GetParam(vq_param::kManagerBankList))
    p->InitDouble("", "", "", 0.0, 0.0, kSlotColumns * kSlotRows, 0.001, 1.0);
  int userTexts = 0, images = 0, numbers = 0, names = 0;
  mSlots.assign(kSlotColumns * kSlotRows, {});
  for (const ControlSpec& spec : ManagerPageControls()) {
    IControl* c = MakeControl(editor, g, spec);
    if (!c) continue;
    if (spec.hidden) c->Hide(true);
    g->AttachControl(c);
    switch (spec.cls) {
      case Ctl::Image:
        if (spec.image == 301)
          mPmBackground = c;
        else if (spec.image == 323)
          mSelectFolderBg = c;
        else if (spec.image == 322)
          mLoginBg = c;
        else if (images < 200) {
          // Known from the start (empty, not selected): the first value a slot gets redraws it.
          c->SetDefaultValue(c->GetValue());
          mSlots[images / 2][images % 2] = c, ++images;
        }
        break;
      case Ctl::UserText:
        (userTexts == 0 ? mLoginUser : userTexts == 1 ? mLoginPassword : mNameField) = c;
        ++userTexts;
        break;
      case Ctl::Text:
        if (spec.style == Style::BrowserRow) {
          // A long file name stops short of the scroll bar, shown as cut.
          static_cast<ITextControl*>(c)->SetCutToWidth(true);
          mBrowserRows.push_back(c);
        } else if (spec.style == Style::SlotNumber && numbers < 100) {
          mSlots[numbers++][2] = c;
        } else if (spec.style == Style::SlotName && names < 100) {
          mSlots[names++][3] = c;
        }
        break;
      case Ctl::InvisibleSelect3:
        mBrowserSelect = c;
        break;
      case Ctl::MatrixSelect:
        mSlotMatrix = c;
        break;
      case Ctl::Fader:
        mBrowserScrollBar = c;
        break;
      default:
        break;
    }
  }
}

void EditorPages::SetToolTips(VQEditor& editor) {
  IGraphics* g = editor.Graphics();
  for (int i = 0; i < g->NControls(); ++i) {
    IControl* c = g->GetControl(i);
    const int p = c->ParamIdx();
    const bool named =
        (p >= vq_param::kVco1Coarse && p <= vq_param::kFlexi4RangeControl) ||
        (p >= vq_param::kDelayVintageLong && p <= vq_param::kLevel) ||
        (p >= vq_param::kEqualizerOnOff && p <= vq_param::kPortamentoMode) ||
        (p >= vq_param::kOdBlendInstrument && p <= vq_param::kVcfCutoffFrequencyNew) ||
        p == vq_param::k4BandParametricEqualizer || p == vq_param::k4BandParagraphicEqualizer;
    if (named) {
      if (IParam* param = editor.GetParam(p)) c->SetTooltip(param->GetName());
    } else if (p == vq_param::kLoadButton) {
      c->SetTooltip("Load program from file");
    } else if (p == vq_param::kSaveButton) {
      c->SetTooltip("Save program to file");
    } else if (p == vq_param::kSendButton) {
      c->SetTooltip("Select and write program from file to VQ");
    } else if (p == vq_param::kFolderButton) {
      c->SetTooltip("Write all programs from files to VQ. You have to connect two midicables!");
    }
  }
  const char* selectorTips[3] = {"Load program from file", "Save program to file",
                                 "Select and write program from file to VQ"};
  const int roles[3] = {VQEditor::kLoadSelector, VQEditor::kSaveSelector, VQEditor::kWriteSelector};
  for (int k = 0; k < 3; ++k)
    if (mFileSelector[roles[k]]) mFileSelector[roles[k]]->SetTooltip(selectorTips[k]);
}

std::vector<std::string> FirstFrameImageNames(const char* background) {
  const int skin = SkinOfBackground(background ? background : "");
  const Skin s = skin == 2 ? Skin::Lcd : skin == 1 ? Skin::Solid : Skin::Space;
  // The panels CreateGui hides before the first frame: drive, both equalizers, save from device.
  static constexpr int kHiddenAtStart[] = {113, 114, 132, 157};
  std::vector<std::string> pages, others;
  for (const ControlSpec& spec : SynthPageControls(s)) {
    const int orig = spec.image >= 202 ? spec.image - 100 : spec.image;
    if (!spec.image || spec.hidden || !spec.attached ||
        std::find(std::begin(kHiddenAtStart), std::end(kHiddenAtStart), orig) !=
            std::end(kHiddenAtStart))
      continue;
    const Point size = FrameSize(spec.image);
    const bool page = spec.cls == Ctl::Image && size.x == kGuiWidth && size.y == kGuiHeight;
    std::vector<std::string>& list = page ? pages : others;
    std::string name = ImageLoadName(spec.image);
    if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(std::move(name));
  }
  pages.insert(pages.end(), others.begin(), others.end());
  return pages;
}

std::unique_ptr<VQEditorPages> MakeEditorPages() {
  return std::make_unique<EditorPages>();
}

void ConnectProgramManager(VQEditor& editor, ProgramManager& manager) {
  auto* pages = dynamic_cast<EditorPages*>(editor.Pages());
  if (!pages) return;
  auto listEvent = [](IControl* c) {
    ListEvent ev;
    int action = selection::kPress, modifier = selection::kNone;
    if (auto* s = dynamic_cast<IInvisibleSelectControl3*>(c)) {
      s->GetMouseAction(&action);
      s->GetModifier(&modifier);
      s->GetMousePos(&ev.x, &ev.y);
    } else if (auto* m = dynamic_cast<IInvisibleMatrixSelectControl*>(c)) {
      m->GetMouseAction(&action);
      m->GetModifier(&modifier);
      m->GetMousePos(&ev.x, &ev.y);
    }
    ev.kind = action == selection::kRelease       ? kListDrop
              : action == selection::kDrag        ? kListDragOver
              : action == selection::kDoubleClick ? kListDoubleClick
              : action == selection::kWheel       ? kListScroll
                                                  : kListClick;
    ev.modifier = modifier == selection::kShift     ? kListRange
                  : modifier == selection::kControl ? kListToggle
                                                    : kListPlain;
    return ev;
  };
  IControl* browser = pages->BrowserSelect();
  IControl* bank = pages->SlotMatrix();
  manager.SetBrowserEventReader([=] { return listEvent(browser); });
  manager.SetBankEventReader([=] { return listEvent(bank); });
  auto connect = [](ManagerTextField& field, IControl* control) {
    auto* text = dynamic_cast<IUserTextControl*>(control);
    if (!text) return;
    field.Connect([text] { return std::string(text->GetText()); },
                  [text](const std::string& s) { text->SetText(s.c_str()); });
  };
  connect(manager.UserField(), pages->LoginUserField());
  connect(manager.PasswordField(), pages->LoginPasswordField());
  connect(manager.NameEntry(), pages->NameField());
  manager.SetLoggedIn(false);
}
