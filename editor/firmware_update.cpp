// The editor's side of a firmware update: the file is read and checked whole on the main
// thread; every later step answers a reply of the synthesizer on the MIDI input thread, from
// the prepared buffers. Each message sent starts a wait the status poll ends, so a device that
// falls silent anywhere in the handshake never leaves the update hanging.
#include <cstdio>

#include "editor/vq_editor.h"
#include "editor/vq_sysex.h"
#include "graphics/igraphics.h"

namespace {

// Erasing the flash takes the device a while before it asks for the first block: the wait
// after 0x11 gets this many extra polls.
constexpr int32_t kErasePolls = 7;

}  // namespace

void VQEditor::ReadFirmwareFile(const char* path) {
  UTL_MutexLock lock(mMutex);
  if (!path || !*path) return;
  if (firmwareRunning || bankUploadRunning || bankDownloadRunning) {
    SetStatusText("A transfer is running!");
    return;
  }
  std::vector<FirmwareSection> sections;
  const FirmwareFileError error = ::ReadFirmwareFile(path, sections);
  if (error != FirmwareFileError::kNone) {
    SetStatusText(FirmwareFileErrorText(error));
    PostMessageBox(FirmwareFileErrorText(error), "Error");
    return;
  }
  std::vector<uint8_t> start = firmware.Begin(std::move(sections));
  firmwareRunning = true;
  unansweredPolls = 0;
  requestOutstanding = true;
  SendSysExBytes(start);
}

void VQEditor::SendNextFirmwareBlock() {
  UTL_MutexLock lock(mMutex);
  FirmwareUpdate::Action a = firmware.NextBlock();
  if (a.step != FirmwareUpdate::Step::kBlock) return;
  SendSysExBytes(a.message);
  unansweredPolls = 0;
  requestOutstanding = true;
  char text[64];
  snprintf(text, sizeof text, "Firmware update process: %d %%", a.percent);
  SetStatusText(text);
}

void VQEditor::OnFirmwareReply(uint8_t target, uint8_t command) {
  UTL_MutexLock lock(mMutex);
  if (!firmwareRunning) return;
  if (command == vq_sysex::kCmdBlockReady) {
    if (target != firmware.WireTarget()) return;
    requestOutstanding = false;
    SendNextFirmwareBlock();
    return;
  }
  FirmwareUpdate::Action a = firmware.OnReply(target, command);
  switch (a.step) {
    case FirmwareUpdate::Step::kErasing:
      requestOutstanding = true;
      unansweredPolls = -kErasePolls;
      if (a.firstSection) SetStatusText("Erasing FLASH memory...");
      break;
    case FirmwareUpdate::Step::kNextSection:
      SendSysExBytes(a.message);
      unansweredPolls = 0;
      requestOutstanding = true;
      break;
    case FirmwareUpdate::Step::kSucceeded:
      requestOutstanding = false;
      firmwareRunning = false;
      unansweredPolls = 0;
      SetStatusText("Update successful!");
      break;
    case FirmwareUpdate::Step::kFailed:
      requestOutstanding = false;
      SetStatusText("Error in update!");
      RedrawIfNotApplying();
      firmwareRunning = false;
      unansweredPolls = 0;
      transferFailed = true;
      break;
    default:
      break;
  }
}
