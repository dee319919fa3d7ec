// The editor's side of a firmware update: the file is read and checked whole on the main
// thread; every later step answers a reply of the synthesizer on the MIDI input thread, from
// the prepared buffers. Each message sent starts a wait the status poll ends, so a device that
// falls silent anywhere in the handshake never leaves the update hanging.
#include <cstdio>

#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "protocol/vq_sysex.h"

namespace {

// Erasing the flash before the first block, and finishing a section after its last block, take
// the device a few seconds: those two waits get this many extra polls before the update is
// given up.
constexpr int32_t kSlowStepPolls = 7;

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
  SendFirmwareBlock(firmware.NextBlock());
}

void VQEditor::SendFirmwareBlock(const FirmwareUpdate::Action& a) {
  if (a.step != FirmwareUpdate::Step::kBlock) return;
  SendSysExBytes(a.message);
  requestOutstanding = true;
  // After the last block the device checks and finishes the section before it answers.
  unansweredPolls = firmware.AwaitingSectionEnd() ? -kSlowStepPolls : 0;
  char text[64];
  snprintf(text, sizeof text, "Firmware update process: %d %%", a.percent);
  SetStatusText(text);
}

void VQEditor::OnFirmwareReply(uint8_t target, uint8_t command) {
  UTL_MutexLock lock(mMutex);
  if (!firmwareRunning) return;
  // A reply the handshake does not expect now (another section's, a repeated one) clears no
  // wait: only the answer a wait expects ends it.
  FirmwareUpdate::Action a = firmware.OnReply(target, command);
  switch (a.step) {
    case FirmwareUpdate::Step::kErasing:
      requestOutstanding = true;
      unansweredPolls = -kSlowStepPolls;
      if (a.firstSection) SetStatusText("Erasing FLASH memory...");
      break;
    case FirmwareUpdate::Step::kBlock:
      SendFirmwareBlock(a);
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
