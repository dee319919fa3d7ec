#include "editor/vq_editor.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "platform/settings_folder.h"
#include "plugin/iparam.h"
#include "protocol/device_messages.h"
#include "wemu/ini_file.h"

namespace {

constexpr int FourCC(char a, char b, char c, char d) {
  return (static_cast<int>(a) << 24) | (static_cast<int>(b) << 16) | (static_cast<int>(c) << 8) |
         static_cast<int>(d);
}

constexpr int kVersion = 0x00040101;  // 4.1.1

}  // namespace

VQEditor::VQEditor(const IModuleInstanceInfo& info, VQEditorSetup setup)
    : IModuleStandalone(info, vq_param::kCount, "0-1 0-2", 1, "VQEditor4", "", "marrowtone",
                        kVersion, FourCC('V', 'Q', 'e', 'd'), FourCC('M', 'r', 'w', 'T'), 0, true,
                        false, false),
      mPages(std::move(setup.pages)),
      mSettingsPath(setup.settingsPath.empty() ? SettingsFilePath("settings.ini")
                                               : setup.settingsPath),
      mOutputDeviceName(std::move(setup.outputDeviceName)) {
  for (int32_t& v : mLastSent) v = 128;
  char buf[128];
  GetPrivateProfileString("midi", "kbdmidioutch", "0", buf, sizeof buf, mSettingsPath.c_str());
  int channel = atoi(buf);
  mKeyboardChannel = (buf[0] != '\0' && channel >= 0 && channel <= 15) ? channel : 0;

  // Program files and the folders shut-down may empty, before start-up needs them.
  mProgramFiles = std::move(setup.programFiles);
  InitProgramFolders();

  InitParameters();

  IGraphics* graphics =
      setup.makeGraphics ? setup.makeGraphics(this, kGuiWidth, kGuiHeight, 0) : nullptr;
  // The "-2x" images carry two pixels per GUI unit.
  if (graphics) graphics->SetBitmapScale(2);
  mGraphicsBeingBuilt = graphics;
  CreateGui(0);

  StartUp();

  SetParameterFromGUI2(vq_param::kMidiChannel, mKeyboardChannel);
  if (IParam* cc = GetParam(vq_param::kMidiCc); cc && cc->GetMax() > 0)
    SetParameterFromGUI(vq_param::kMidiCc, 1.0 / cc->GetMax());

  char edited[16];
  GetPrivateProfileString("program", "edited", "", edited, sizeof edited, mSettingsPath.c_str());
  if (edited[0] == '\0' || strcmp(edited, "false") == 0)
    mProgramEdited = false;
  else if (strcmp(edited, "true") == 0)
    mProgramEdited = true;
  // Undo back to the start gives the program as it came back, marked as it was kept.
  mHistory.SetCurrentLabel(ProgramLabel());
  ShowProgramName();
}

IGraphics* VQEditor::Graphics() const {
  if (IGraphics* g = GetGraphicsOf(this)) return g;
  return mGraphicsBeingBuilt;
}

double VQEditor::ParamValue(int paramIdx) const {
  IParam* p = GetParam(paramIdx);
  return p ? p->Value() : 0.0;
}

int32_t VQEditor::ParamInt(int paramIdx) const {
  double v = ParamValue(paramIdx);
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (!(v < 2147483647.0)) return INT32_MAX;
  return static_cast<int32_t>(v);
}

std::function<double(int)> VQEditor::Reader() const {
  return [this](int idx) { return ParamValue(idx); };
}

void VQEditor::SetStatusText(const char* text) {
  ShowOnPage([t = std::string(text ? text : "")](VQEditorPages& p) { p.SetStatusText(t.c_str()); });
}

void VQEditor::ShowReadout(int field, const char* text) {
  ShowOnPage([field, t = std::string(text ? text : "")](VQEditorPages& p) {
    p.ShowReadout(field, t.c_str());
  });
}

void VQEditor::HideReadout(int field, bool hide) {
  ShowOnPage([field, hide](VQEditorPages& p) { p.HideReadout(field, hide); });
}

void VQEditor::ShowExtMidiText(int k, const char* text) {
  ShowOnPage([k, t = std::string(text ? text : "")](VQEditorPages& p) {
    p.ShowExtMidiText(k, t.c_str());
  });
}

void VQEditor::ShowFlexiLearnCaption(int slot, const char* text) {
  ShowOnPage([slot, t = std::string(text ? text : "")](VQEditorPages& p) {
    p.ShowFlexiLearnCaption(slot, t.c_str());
  });
}

void VQEditor::HideControlsOfParam(int paramIdx, bool hide) {
  if (IGraphics* g = Graphics()) g->HideControlsOfParam(paramIdx, hide);
}

void VQEditor::GrayOutControlsOfParam(int paramIdx, bool gray) {
  if (IGraphics* g = Graphics()) g->GrayOutControlsOfParam(paramIdx, gray);
}

int VQEditor::ShowMessageBox(const char* text, const char* caption, int type) {
  IGraphics* g = Graphics();
  return g ? g->ShowMessageBox(text, caption, type) : 2;
}

void VQEditor::OpenUrl(const char* url) {
  if (IGraphics* g = Graphics()) g->OpenURL(url);
}

int VQEditor::GuiWidth() const {
  IGraphics* g = Graphics();
  return g ? g->GetWidth() : kGuiWidth;
}

void VQEditor::RefreshGui() {
  if (IGraphics* g = Graphics()) RefreshGuiFromParams(0, g->GetWidth(), g->GetHeight());
}

void VQEditor::ShowProgramName() {
  // A question's Save holds the action asked for until the file is on disk: that is the news.
  if (mLoadAfterSave.save != 0 && !mLoadAfterSave.onDisk) return SetStatusText(kSavingText);
  if (mProgramEdited)
    SetStatusText(("*" + mProgramName + "*").c_str());
  else
    SetStatusText(mProgramName.c_str());
}

void VQEditor::SetControlsFromParam(int paramIdx) {
  if (IGraphics* g = GetGraphicsOf(this))
    g->SetControlsFromPlugValue(paramIdx, false, ParamValue(paramIdx));
}

void VQEditor::ReleaseButton(int paramIdx) {
  IParam* param = GetParam(paramIdx);
  if (!param || ParamValue(paramIdx) < 0.5) return;
  // A release acts on nothing: set without running the dispatcher, which may be running the
  // press itself.
  param->Set(0.0);
  SetControlsFromParam(paramIdx);
}

void VQEditor::RedrawIfNotApplying() {
  if (!OnMainThread()) {
    RunOnMainThread([this] { RedrawIfNotApplying(); });
    return;
  }
  if (!mApplyingProgram) RedrawParamControls();
}

// --- Editor GUI ---

void VQEditor::CreateGui(int mode) {
  if (mPages) mPages->CreateGui(*this, mode);
  if (mGraphicsBeingBuilt && !GetGUI()) AttachGraphics(mGraphicsBeingBuilt);
  if (GetGUI() == mGraphicsBeingBuilt) mGraphicsBeingBuilt = nullptr;
}

void VQEditor::BuildGuiOrig(bool space) {
  if (mPages) mPages->BuildGuiOrig(*this, space);
}

void VQEditor::BuildGuiLcd() {
  if (mPages) mPages->BuildGuiLcd(*this);
}

void VQEditor::BuildManagerPage() {
  if (mPages) mPages->BuildManagerPage(*this);
}

void VQEditor::RefreshGuiFromParams(int layoutView, double width, double height) {
  if (mPages) mPages->RefreshGuiFromParams(*this, layoutView, width, height);
  if (Graphics()) ShowClockReadouts();
}

void VQEditor::ShowOverdriveControls(bool hide) {
  if (mPages) mPages->ShowOverdriveControls(*this, hide);
}

void VQEditor::ShowEqBandControls(bool hide) {
  if (mPages) mPages->ShowEqBandControls(*this, hide);
}

void VQEditor::ShowEqualizerSection(bool hide) {
  if (mPages) mPages->ShowEqualizerSection(*this, hide);
}

void VQEditor::ShowListPage(bool hide) {
  if (mPages) mPages->ShowListPage(*this, hide);
}

void VQEditor::ShowExtMidiPage(bool external) {
  if (mPages) mPages->ShowExtMidiPage(*this, external);
}

void VQEditor::ShowManagerPage(bool hide) {
  if (mPages) mPages->ShowManagerPage(*this, hide);
}

void VQEditor::UpdateEqDisplay() {
  if (mPages) mPages->UpdateEqDisplay(*this);
}

void VQEditor::UpdateEqDisplayLcd() {
  if (mPages) mPages->UpdateEqDisplayLcd(*this);
}

// --- Creation ---

VQEditor* MakePlug(vq::platform::MidiOutput* midiOut, uint16_t* midiOutChannel,
                   VQEditorSetup setup) {
  static std::recursive_mutex creation;
  std::lock_guard<std::recursive_mutex> lock(creation);
  IModuleInstanceInfo info;
  info.mBundleID.Set(kBundleIdentifier);
  info.mMidiOut = midiOut;
  info.mMidiOutChannel = midiOutChannel;
  auto* editor = new VQEditor(info, std::move(setup));
  editor->StartTimer();
  return editor;
}
