// The editor's side of a firmware update: the file is read and checked whole on the main
// thread; every later step answers a reply of the synthesizer on the MIDI input thread, from
// the prepared buffers. Each message sent starts a wait the status poll ends, so a device that
// falls silent anywhere in the handshake never leaves the update hanging.
#include <cstdio>

#include "editor/program_controls.h"
#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "platform/midi_output.h"
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
  // The update takes the device whole: nothing may run beside it.
  if (RefusedBeside(*this, DeviceLink::Transfer::kFirmware)) return;
  std::vector<FirmwareSection> sections;
  const FirmwareFileError error = ::ReadFirmwareFile(path, sections);
  if (error != FirmwareFileError::kNone) {
    SetStatusText(FirmwareFileErrorText(error));
    PostMessageBox(FirmwareFileErrorText(error), "Error");
    return;
  }
  std::vector<uint8_t> start = mFirmware.Begin(std::move(sections));
  mLink.SetFirmwareRunning(true);
  mLink.SetUnansweredPolls(0);
  mLink.SetRequestOutstanding(true);
  {
    std::lock_guard<std::mutex> held(mHeld.mutex);
    mHeld.holding = true;
  }
  SendFirmwareBytes(start);
}

void VQEditor::SendNextFirmwareBlock() {
  UTL_MutexLock lock(mMutex);
  SendFirmwareBlock(mFirmware.NextBlock());
}

bool VQEditor::SendFirmwareBytes(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return false;
  ISysExMessage msg(0, bytes.data(), static_cast<int32_t>(bytes.size()));
  if (IModuleStandalone::SendSysEx(&msg)) return true;
  mSendFailed.store(true);
  return false;
}

bool VQEditor::HoldMidi(const uint8_t* bytes, size_t size) {
  std::lock_guard<std::mutex> held(mHeld.mutex);
  if (!mHeld.holding) return false;
  mHeld.messages.emplace_back(bytes, bytes + size);
  return true;
}

bool VQEditor::SendMidiMsg(const IMidiMessage* msg) {
  uint8_t bytes[3];
  const int n = msg ? MidiMessageBytes(*msg, GetMidiOutChannel(), bytes) : 0;
  if (n > 0 && DoesMIDI() && HoldMidi(bytes, static_cast<size_t>(n))) return true;
  return IModuleStandalone::SendMidiMsg(msg);
}

bool VQEditor::SendSysEx(const ISysExMessage* msg) {
  if (msg && msg->mData && msg->mSize > 0 && HoldMidi(msg->mData, static_cast<size_t>(msg->mSize)))
    return true;
  return IModuleStandalone::SendSysEx(msg);
}

void VQEditor::ReleaseHeldMidi() {
  UTL_MutexLock lock(mMutex);
  if (mLink.FirmwareRunning()) return;
  // Sent under the hold's lock: a message sent meanwhile goes after the held ones.
  std::lock_guard<std::mutex> held(mHeld.mutex);
  if (!mHeld.holding) return;
  mHeld.holding = false;
  if (vq::platform::MidiOutput* out = GetMidiOutput())
    for (const std::vector<uint8_t>& m : mHeld.messages) out->Send(m.data(), m.size());
  mHeld.messages.clear();
}

const char* VQEditor::QuitWarning() {
  UTL_MutexLock lock(mMutex);
  if (mLink.FirmwareRunning())
    return "A firmware update is running.\nQuitting now leaves the VQ with its firmware only "
           "partly written.\n\nQuit anyway?";
  if (mLink.BankUploadRunning() || mLink.BankDownloadRunning())
    return "A bank transfer is running.\nQuitting now stops it half way.\n\nQuit anyway?";
  return nullptr;
}

void VQEditor::SendFirmwareBlock(const FirmwareUpdate::Action& a) {
  if (a.step != FirmwareUpdate::Step::kBlock) return;
  SendFirmwareBytes(a.message);
  mLink.SetRequestOutstanding(true);
  // After the last block the device checks and finishes the section before it answers.
  mLink.SetUnansweredPolls(mFirmware.AwaitingSectionEnd() ? -kSlowStepPolls : 0);
  char text[64];
  snprintf(text, sizeof text, "Firmware update process: %d %%", a.percent);
  SetStatusText(text);
}

void VQEditor::OnFirmwareReply(uint8_t target, uint8_t command) {
  UTL_MutexLock lock(mMutex);
  if (!mLink.FirmwareRunning()) return;
  // A reply the handshake does not expect now (another section's, a repeated one) clears no
  // wait: only the answer a wait expects ends it.
  FirmwareUpdate::Action a = mFirmware.OnReply(target, command);
  switch (a.step) {
    case FirmwareUpdate::Step::kErasing:
      mLink.SetRequestOutstanding(true);
      mLink.SetUnansweredPolls(-kSlowStepPolls);
      if (a.firstSection) SetStatusText("Erasing FLASH memory...");
      break;
    case FirmwareUpdate::Step::kBlock:
      SendFirmwareBlock(a);
      break;
    case FirmwareUpdate::Step::kNextSection:
      SendFirmwareBytes(a.message);
      mLink.SetUnansweredPolls(0);
      mLink.SetRequestOutstanding(true);
      break;
    case FirmwareUpdate::Step::kSucceeded:
      mLink.SetRequestOutstanding(false);
      mLink.SetFirmwareRunning(false);
      mLink.SetUnansweredPolls(0);
      SetStatusText("Update successful!");
      ReleaseHeldMidi();
      break;
    case FirmwareUpdate::Step::kFailed:
      mLink.SetRequestOutstanding(false);
      SetStatusText("Error in update!");
      RedrawIfNotApplying();
      mLink.SetFirmwareRunning(false);
      mLink.SetUnansweredPolls(0);
      mLink.SetTransferFailed(true);
      ReleaseHeldMidi();
      break;
    default:
      break;
  }
}
