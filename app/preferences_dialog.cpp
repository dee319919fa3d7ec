// The "Preferences" dialog: the three MIDI device lists. A pick takes effect at once; OK keeps
// the picks, Cancel puts back the devices that were open when the dialog came up and changes
// nothing stored.
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_resources.h"
#include "app/app_shell.h"
#include "platform/font_service.h"
#include "platform/utf8.h"
#include "wemu/control_messages.h"
#include "wemu/dialog_generation.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_functions.h"
#include "wemu/window_geometry.h"

namespace {

constexpr int kSelectionChanged = 1;
constexpr const char* kMidiOffText = "MIDI off: no ALSA or JACK";
// Follows the name of a chosen port that is not there now; the choice is kept.
constexpr std::string_view kAbsentSuffix = " (not present)";
// What a list's width leaves its text: the inset before it and the arrow after it.
constexpr double kListChrome = 32;
// The lists draw in the system's label font at 10 points.
constexpr double kListFontPixels = 10 * 96.0 / 72;

const DialogControlEntry kControls[] = {
    {"__WEMU_GROUP", 0, "MIDI Settings", -1, 5, 5, 400, 120, 0},
    {"__WEMU_LABEL", -1, "VQ Input Device", -1, 20, 25, 100, 20, 0},
    {"__WEMU_LABEL", -1, "Keyboard Input Device", -1, 210, 25, 120, 20, 0},
    {"__WEMU_COMBO", 0, "", kComboDeviceInput, 20, 43, 180, 100, 3},
    {"__WEMU_COMBO", 0, "", kComboKeyboardInput, 210, 43, 180, 100, 3},
    {"__WEMU_LABEL", -1, "VQ Output Device", -1, 20, 70, 100, 20, 0},
    {"__WEMU_COMBO", 0, "", kComboOutput, 20, 88, 180, 100, 3},
    {"__WEMU_BUTTON", 1, "OK", 1, 192, 133, 50, 20, 0},
    {"__WEMU_BUTTON", 0, "Apply", kButtonApply, 132, 133, 50, 20, 0},
    {"__WEMU_BUTTON", 0, "Cancel", 2, 252, 133, 50, 20, 0},
};

// The entry of a chosen port that is not there: the note stays whole, and a name too long for
// the list beside it is shortened in its middle (a list shortens a long entry itself, which
// would cut the note).
std::string AbsentEntry(HWND__* combo, const std::string& name) {
  RECT r{};
  GetClientRect(combo, &r);
  const double room = r.right - r.left - kListChrome;
  const std::shared_ptr<vq::platform::FontFace> font =
      vq::platform::fontService().systemLabelFont(kListFontPixels);
  auto width = [&font](std::string_view text) {
    double w = 0;
    for (char32_t c = 0; !text.empty();) {
      const size_t n = vq::platform::DecodeUtf8Sequence(text, &c);
      w += font ? font->advance(n ? c : U'\uFFFD') : kListFontPixels;
      text.remove_prefix(n ? n : 1);
    }
    return w;
  };
  const std::string note(kAbsentSuffix), ellipsis = "\xe2\x80\xa6";
  const std::vector<size_t> starts = vq::platform::Utf8CharacterStarts(name);
  const size_t count = starts.size() - 1;
  std::string entry = name + note;
  for (size_t keep = count; keep > 0 && width(entry) > room;) {
    --keep;
    const size_t head = (keep + 1) / 2, tail = keep - head;
    entry = name.substr(0, starts[head]) + ellipsis + name.substr(starts[count - tail]) + note;
  }
  return entry;
}

// The selected entry's whole text, read with its length first; false without a selection. The
// entry of the port chosen when the dialog opened, not there now, stands for that port.
bool SelectedText(HWND__* dialog, int id, const std::string& chosen, std::string* text) {
  HWND__* combo = GetDlgItem(dialog, id);
  if (!combo) return false;
  const LRESULT index = SendMessage(combo, CB_GETCURSEL, 0, 0);
  if (index < 0) return false;
  const LRESULT length = SendMessage(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return false;
  std::vector<char> buf(static_cast<size_t>(length) + 1, '\0');
  SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
              reinterpret_cast<LPARAM>(buf.data()));
  text->assign(buf.data());
  if (*text == AbsentEntry(combo, chosen)) *text = chosen;
  return true;
}

// The list of the ports there now; a chosen port that is not among them is listed by its name
// as not present, and stays chosen.
void Fill(HWND__* dialog, int id, const std::vector<std::string>& names,
          const std::string& current) {
  HWND__* combo = GetDlgItem(dialog, id);
  for (const std::string& name : names)
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  LRESULT index = SendMessage(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(current.c_str()));
  if (index < 0) {
    const std::string absent = AbsentEntry(combo, current);
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(absent.c_str()));
    index = SendMessage(combo, CB_GETCOUNT, 0, 0) - 1;
  }
  SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// Without MIDI each list says so (the library's own reason went to standard error), and
// nothing can be picked.
void ShowMidiOff(HWND__* dialog) {
  const std::string text = kMidiOffText;
  for (int id : {kComboDeviceInput, kComboKeyboardInput, kComboOutput}) {
    HWND__* combo = GetDlgItem(dialog, id);
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessage(combo, CB_SETCURSEL, 0, 0);
  }
}

// One input picked: the same port for both inputs leaves the one just changed "off", and its
// list shows that at once.
void PickInput(HWND__* dialog, AppShell& shell, bool keyboard) {
  const int id = keyboard ? kComboKeyboardInput : kComboDeviceInput;
  std::string name;
  if (!SelectedText(dialog, id,
                    keyboard ? shell.kept.keyboardInputName : shell.kept.deviceInputName, &name))
    return;
  const std::string& other =
      keyboard ? shell.settings.deviceInputName : shell.settings.keyboardInputName;
  if (name == other && name != "off") {
    name = "off";
    SendMessage(GetDlgItem(dialog, id), CB_SETCURSEL, 0, 0);
  }
  if (keyboard) {
    shell.settings.keyboardInputName = name;
    shell.SelectKeyboardInput(name);
    shell.settings.keyboardInputChannel = 0;
  } else {
    shell.settings.deviceInputName = name;
    shell.SelectMidiInput(name);
    shell.settings.deviceInputChannel = 0;
  }
}

void PickOutput(HWND__* dialog, AppShell& shell) {
  std::string name;
  if (!SelectedText(dialog, kComboOutput, shell.kept.outputName, &name)) return;
  shell.settings.outputName = name;
  shell.SelectMidiOutput(name);
  shell.settings.outputChannel = 0;
}

// Cancel: the record and the open ports go back to what they were.
void Restore(AppShell& shell) {
  if (AppSettingsEqual(shell.settings, shell.kept)) return;
  const AppSettings now = shell.settings;
  shell.settings = shell.kept;
  if (now.deviceInputName != shell.kept.deviceInputName)
    shell.SelectMidiInput(shell.kept.deviceInputName);
  if (now.keyboardInputName != shell.kept.keyboardInputName)
    shell.SelectKeyboardInput(shell.kept.keyboardInputName);
  if (now.outputName != shell.kept.outputName) shell.SelectMidiOutput(shell.kept.outputName);
}

}  // namespace

void CreatePreferencesControls(HWND__* view, int windowFlags) {
  WEMU_MakeSetCurParms(1.0f, 1.0f, 0, 0, view, false, (windowFlags & 0x100) == 0);
  WEMU_GenerateDialogFromList(kControls, static_cast<int>(std::size(kControls)));
}

bool FillMidiDeviceLists(HWND__* dialog) {
  AppShell* shell = CurrentShell();
  if (!shell) return false;
  if (!shell->deviceInput || !shell->output) {
    ShowMidiOff(dialog);
    return false;
  }
  // Ports come and go while the program runs (a synthesizer switched on after it started).
  shell->ListMidiPorts();
  Fill(dialog, kComboDeviceInput, shell->inputPorts, shell->settings.deviceInputName);
  Fill(dialog, kComboKeyboardInput, shell->inputPorts, shell->settings.keyboardInputName);
  Fill(dialog, kComboOutput, shell->outputPorts, shell->settings.outputName);
  return true;
}

LRESULT PreferencesDialogProc(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam) {
  AppShell* shell = CurrentShell();
  if (message == WM_INITDIALOG) {
    CenterWindow(window);
    FillMidiDeviceLists(window);
    if (shell) shell->kept = shell->settings;
    return 1;
  }
  if (message != WM_COMMAND) return 0;
  const int id = static_cast<int>(wParam & 0xFFFF);
  const int notification = static_cast<int>((wParam >> 16) & 0xFFFF);
  const bool midiOn = shell && shell->deviceInput && shell->output;
  switch (id) {
    case kComboDeviceInput:
    case kComboKeyboardInput:
      if (notification == kSelectionChanged && midiOn)
        PickInput(window, *shell, id == kComboKeyboardInput);
      break;
    case kComboOutput:
      if (notification == kSelectionChanged && midiOn) PickOutput(window, *shell);
      break;
    case IDOK:
      EndDialog(window, IDOK);
      break;
    case IDCANCEL:
      EndDialog(window, IDCANCEL);
      if (shell) Restore(*shell);
      break;
    default:
      break;
  }
  return 1;
}
