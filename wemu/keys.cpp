#include "wemu/keys.h"

#include <atomic>
#include <clocale>
#include <cwctype>
#include <locale.h>

#include "platform/platform.h"

using vq::platform::Event;

namespace {

std::atomic<int> gRightClickEmulate{1};

// Shifted digits 0 to 9 of a US keyboard.
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

// Character classes of non-ASCII characters come from a UTF-8 locale of our own, so the
// answer does not depend on the process's locale.
locale_t utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!l) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(0));
    return l;
  }();
  return loc;
}

bool isLetterOrDigit(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  locale_t loc = utf8Locale();
  if (!loc) return false;
  auto w = static_cast<wint_t>(c);
  return iswalpha_l(w, loc) || iswdigit_l(w, loc);
}

int modifierFlags(uint32_t m) {
  int flags = 0;
  if (m & vq::platform::kShiftFlag) flags |= WEMU_KF_SHIFT;
  if (m & vq::platform::kCommandFlag) flags |= WEMU_KF_COMMAND;
  if (m & vq::platform::kOptionFlag) flags |= WEMU_KF_OPTION;
  if ((m & vq::platform::kControlFlag) && !gRightClickEmulate.load()) flags |= WEMU_KF_CONTROL;
  return flags;
}

}  // namespace

int WEMU_MacKeyToWindowsKeyEx(const Event* event, int* flagsOut, int mode) {
  if (!event) event = vq::platform::services().application().currentEvent();
  if (!event) {
    if (flagsOut) *flagsOut = 0;
    return 0;
  }
  int flags = modifierFlags(event->modifierFlags);
  int code = 0;
  if (int vk = WEMU_KeyTableEntry(event->keyCode)) {
    code = vk;
    flags |= WEMU_KF_VIRTKEY;
  } else {
    const std::u32string* chars = &event->characters;
    if (mode == 1 && !event->charactersIgnoringModifiers.empty())
      chars = &event->charactersIgnoringModifiers;
    if (!chars->empty()) {
      char32_t c = (*chars)[0];
      if (c >= vq::platform::kF1Char && c <= vq::platform::kF24Char) {
        code = static_cast<int>(c - 0xF694);
        flags |= WEMU_KF_VIRTKEY;
      } else {
        if (c >= 'a' && c <= 'z') c -= 32;
        if ((flags & WEMU_KF_SHIFT) && c == 25) c = 9;  // Shift+Tab arrives as back-tab
        code = static_cast<int>(c);
        if (isLetterOrDigit(c) || c == 9 || c == 10 || c == 13 || c == 27 || c == 32) {
          flags |= WEMU_KF_VIRTKEY;
        } else {
          flags &= ~WEMU_KF_SHIFT;  // the character already says what Shift did
        }
      }
    } else if (mode == 1 &&
               (code = static_cast<int>(
                    vq::platform::services().inputState().layoutCharacter(event->keyCode))) != 0) {
      flags &= ~WEMU_KF_SHIFT;
    } else {
      code = event->keyCode + 1024;
      flags |= WEMU_KF_VIRTKEY;
    }
  }
  if (flagsOut) *flagsOut = flags;
  return code;
}

int WEMU_MacKeyToWindowsKey(const Event* event, int* flagsOut) {
  if (!event) {
    if (flagsOut) *flagsOut = 0;
    return 0;
  }
  return WEMU_MacKeyToWindowsKeyEx(event, flagsOut, 0);
}

int WEMU_KeyToASCII(int code, int flags, int* flagsOut) {
  if (flags != (WEMU_KF_VIRTKEY | WEMU_KF_SHIFT) || code < '0' || code > '9') return 0;
  if (flagsOut) *flagsOut = 0;
  return kShiftedDigits[code - '0'];
}

int GetAsyncKeyState(int key) {
  namespace vp = vq::platform;
  // The keys answered: mouse buttons from the pressed buttons, the rest from the modifiers.
  struct AsyncKey {
    int key;
    bool button;
    uint32_t mask;
  };
  static constexpr AsyncKey kKeys[] = {{1, true, vp::kLeftButton},    {2, true, vp::kRightButton},
                                       {4, true, vp::kMiddleButton},  {16, false, vp::kShiftFlag},
                                       {17, false, vp::kCommandFlag}, {18, false, vp::kOptionFlag},
                                       {91, false, vp::kControlFlag}};
  auto& input = vp::services().inputState();
  for (const AsyncKey& k : kKeys) {
    if (k.key != key) continue;
    // While the control key stands for the right button it is not a key of its own.
    if (key == 91 && gRightClickEmulate.load()) return 0;
    const uint32_t state = k.button ? input.pressedMouseButtons() : input.modifierFlags();
    return (state & k.mask) ? 0x8000 : 0;
  }
  return 0;
}

void WEMU_EnableRightClickEmulate(int on) {
  gRightClickEmulate.store(on ? 1 : 0);
}
int WEMU_IsRightClickEmulateEnabled() {
  return gRightClickEmulate.load();
}
