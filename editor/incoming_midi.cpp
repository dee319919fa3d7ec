// MIDI from the synthesizer and from the keyboard. The SysEx handler checks every message
// before acting on it; on the MIDI thread it runs the bank steps, which are file and message
// work (the next upload file, saving a downloaded dump and asking for the next slot); what
// touches the GUI waits for RunDeferredMidiWork on the main thread. The keyboard handler passes
// messages through, mirrors notes as SysEx notes and turns learned controllers into
// parameter changes.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/vq_editor.h"
#include "platform/debug_log.h"
#include "protocol/device_messages.h"
#include "protocol/incoming_sysex.h"
#include "protocol/vq_sysex.h"

namespace {

constexpr int kOldDumpChecksumByte = 112;  // two checksum bytes, then F7

void LogIgnored(const char* what, int slot = -1) {
  if (!vq::platform::debugLogEnabled()) return;
  std::string line = std::string("ignored: ") + what;
  if (slot >= 0) line += " (slot " + std::to_string(slot) + ")";
  vq::platform::debugLog(line);
}

}  // namespace

void VQEditor::ProcessSysEx(const ISysExMessage* msg) {
  if (!msg || !msg->mData || msg->mSize <= 0) return;
  UTL_MutexLock lock(mMutex);
  const uint8_t* data = msg->mData;
  const IncomingSysEx in = ClassifyIncomingSysEx(data, msg->mSize);

  if (in.kind == IncomingSysExKind::kProgramDump || in.kind == IncomingSysExKind::kOldProgramDump) {
    // A program-sized message answers a wait only when it is a dump (0x41) and a dump is what
    // the editor waits for: another command, or any dump during a firmware update, leaves every
    // wait as it is, so the status poll still ends it.
    if (!in.isDump || mLink.FirmwareRunning()) return;
    const bool awaiting =
        mLink.RequestOutstanding() || mLink.RequestPending() || mLink.BankDownloadRunning();
    // Nobody asked for it (a late answer to a request of a transfer that has ended, a dump sent
    // from the device's panel): it is no program fetched, and opens no Save panel.
    if (!awaiting) return LogIgnored("a program dump no fetch waits for", in.slot);
    if (!in.checksumGood || !in.slotValid) {
      mLink.SetRequestOutstanding(false);
      // The same slot again, a few times; a device that keeps spoiling it fails the transfer.
      if (mLink.CountDumpRetry() > DeviceLink::kDumpRetryLimit) {
        mLink.SetDumpRetries(0);
        mLink.SetRequestPending(false);
        mLink.SetBankDownloadRunning(false);
        mLink.SetUnansweredPolls(0);
        mLink.SetTransferFailed(true);
        mLink.DropReceivedDump();
      } else {
        mLink.SetRequestPending(true);
      }
      return;
    }
    // A dump of another slot than the one asked for (repeated, late or foreign) answers nothing.
    if (in.slot != mLink.RequestSlot())
      return LogIgnored("a program dump of another slot than the one asked for", in.slot);
    mLink.SetRequestOutstanding(false);
    mLink.SetRequestPending(false);
    mLink.SetDumpRetries(0);
    mLink.SetUnansweredPolls(0);
    // Only a checked dump is kept; an older dump leaves no byte of an earlier one behind.
    mLink.ReceiveBuffer().fill(0);
    std::memcpy(mLink.ReceiveBuffer().data(), data, static_cast<size_t>(msg->mSize));
    if (mLink.BankDownloadRunning() || in.kind == IncomingSysExKind::kOldProgramDump) {
      DeviceLink::Dump& dump = mLink.DownloadDump();
      dump = mLink.ReceiveBuffer();
      // An older dump's checksum and end byte are no program data: the saver reads the 213-byte
      // layout, where they would land in fields.
      if (in.kind == IncomingSysExKind::kOldProgramDump)
        std::fill(dump.begin() + kOldDumpChecksumByte, dump.end(), 0);
      mLink.SetDownloadSaveSlot(in.slot);
      if (mLink.BankDownloadRunning())
        SaveDownloadedDump();
      else
        mLink.SetDownloadSavePending(true);  // a single older dump: saved by the main thread
      return;
    }
    mLink.SetRequestSlot(in.slot);
    mLink.SetDumpReceived(true);
    return;
  }

  if (in.kind != IncomingSysExKind::kReply) return;
  std::memcpy(mLink.ReplyBuffer().data(), data, mLink.ReplyBuffer().size());
  const uint8_t command = in.command;
  if (mLink.FirmwareRunning() &&
      (command == vq_sysex::kCmdSectionReady || command == vq_sysex::kCmdBlockReady ||
       command == vq_sysex::kCmdSectionDone || command == vq_sysex::kCmdSectionFailed)) {
    if (mDeviceTransfers) mDeviceTransfers->OnFirmwareReply(*this, in.target, command);
  }
  // Write replies come from the program engine only.
  if (in.target != vq_sysex::kTargetEngine) return;
  const bool writeReply = command == vq_sysex::kCmdWriteAck || command == vq_sysex::kCmdWriteFailed;
  // An answer names no slot: one still owed by an upload or write that ended (its wait timed
  // out) is paid first, and is no later write's. A write held for it goes out now.
  if (writeReply && mLink.TakeWriteAnswer() == DeviceLink::WriteAnswer::kOld)
    return LogIgnored(command == vq_sysex::kCmdWriteAck
                          ? "a late write acknowledgement of a transfer that ended"
                          : "a late refused write of a transfer that ended");
  if (writeReply && !mLink.SingleWritePending() && !mLink.BankUploadRunning())
    return LogIgnored(command == vq_sysex::kCmdWriteAck
                          ? "a write acknowledgement no write waits for"
                          : "a refused write no write waits for");
  if (mLink.SingleWritePending()) {
    if (command == vq_sysex::kCmdWriteAck) {
      mLink.SetSingleWritePending(false);
      mLink.SetUnansweredWritePolls(0);
      mLink.SetWriteAckPending(true);
    } else if (command == vq_sysex::kCmdWriteFailed) {
      mLink.SetSingleWritePending(false);
      mLink.SetUnansweredWritePolls(0);
      mLink.SetTransferFailed(true);
    }
  }
  if (mLink.BankUploadRunning()) {
    // Each write goes out once: its answer is the only one that can come.
    if (command == vq_sysex::kCmdWriteAck) {
      mLink.SetUnansweredWritePolls(0);
      mLink.SetBankUploadAckPending(true);
      AdvanceBankTransfers();
    } else if (command == vq_sysex::kCmdWriteFailed) {
      mLink.SetBankUploadRunning(false);
      mLink.SetBankUploadAckPending(false);
      mLink.SetUnansweredWritePolls(0);
      mLink.SetTransferFailed(true);
    }
  }
}

void VQEditor::AdvanceBankTransfers() {
  UTL_MutexLock lock(mMutex);
  if (mLink.BankUploadAckPending()) {
    mLink.SetBankUploadAckPending(false);
    if (mLink.BankUploadRunning() && mDeviceTransfers)
      mDeviceTransfers->OnBankUploadAcknowledged(*this);
  }
}

void VQEditor::SaveDownloadedDump() {
  const int32_t slot = mLink.DownloadSaveSlot();
  // The next slot is asked for before this one is saved, so the device sends while the file is
  // written; its dump waits in the input queue until the save is done.
  if (slot < 99) {
    mLink.SetRequestSlot(slot + 1);
    RequestProgram(mLink.RequestSlot());
  }
  if (mBankTransfers) mBankTransfers->SaveReceivedProgram(*this, slot, mLink.DownloadDump().data());
  if (!mLink.BankDownloadRunning()) {
    // Saving failed and ended the download: what was asked ahead is nobody's.
    mLink.SetRequestOutstanding(false);
    return;
  }
  if (slot >= 99) {
    mLink.SetBankDownloadRunning(false);
    mLink.SetUnansweredPolls(0);
    mLink.SetTransferDone(true);
    mLink.SetRequestSlot(1);
  }
}

void VQEditor::FinishDumpOnMainThread() {
  if (!mLink.DownloadSavePending()) return;
  mLink.SetDownloadSavePending(false);
  if (mBankTransfers)
    mBankTransfers->SaveReceivedProgram(*this, mLink.DownloadSaveSlot(),
                                        mLink.DownloadDump().data());
}

void VQEditor::RunDeferredMidiWork() {
  UTL_MutexLock lock(mMutex);
  // Its load may ask about unsaved edits: that waits while a box or panel is up.
  if (mLink.WriteAckPending() && !(AsksBeforeLoad() && BoxOrPanelUp())) {
    mLink.SetWriteAckPending(false);
    // The device holds the file now: make it the editor's program too (the file sent, not what
    // the panel shows by now). A file that no longer loads leaves the editor as it was and sends
    // nothing.
    const std::string file(mLink.SingleWriteFile());
    const auto loaded = [this] {
      SendProgramNrpn();
      mLastField = kNoFieldSent;
    };
    // After a Save answered to its question, the load comes once the file is on disk.
    if (LoadChosenProgramFile(file, [this, file, loaded] {
          if (LoadChosenProgramFile(file)) loaded();
        }))
      loaded();
    mLink.SetTransferDone(true);
  }
  AdvanceBankTransfers();  // anything the MIDI side left (it runs them itself as they arrive)
  if (mLink.BankProgressPending()) {
    mLink.SetBankProgressPending(false);
    if (mBankTransfers) mBankTransfers->ShowBankProgress(*this);
  }
  FinishDumpOnMainThread();
  if (mParamRedrawPending) {
    mParamRedrawPending = false;
    RedrawIfNotApplying();
  }
  if (mKeyboardRedrawPending) {
    mKeyboardRedrawPending = false;
    if (mPages) mPages->RedrawKeyboard();
  }
}

void VQEditor::OnMidiMsgReceived(const IMidiMessage* msg) {
  if (!msg) return;
  UTL_MutexLock lock(mMutex);
  const uint8_t status = msg->mStatus;
  if (status == 0xF8) {
    const uint8_t clock = 0xF8;
    ISysExMessage one(0, &clock, 1);
    SendSysEx(&one);
    return;
  }
  // A status byte where a data byte belongs is a broken message: never passed on.
  const uint8_t kind = status & 0xF0;
  const bool oneDataByte = kind == 0xC0 || kind == 0xD0;
  if (status < 0xF0 && ((msg->mData1 & 0x80) || (!oneDataByte && (msg->mData2 & 0x80)))) return;
  const int note = msg->mData1 & 0x7F;
  const int velocity = msg->mData2 & 0x7F;
  // Counts follow the keys actually held: a release of a key not held, or a second press of a
  // held one, changes nothing.
  auto press = [&] {
    if (mNoteState[note]) return;
    mNoteState[note] = 1;
    ++mActiveNotes;
  };
  auto release = [&] {
    if (!mNoteState[note]) return;
    mNoteState[note] = 0;
    --mActiveNotes;
  };

  switch (status & 0xF0) {
    case 0x80:
      release();
      SendMidiMsg(msg);
      SendSysExBytes(KeyboardNoteMessage(false, note, velocity));
      break;
    case 0x90:
      if (velocity > 0) {
        press();
        SendMidiMsg(msg);
        SendSysExBytes(KeyboardNoteMessage(true, note, velocity));
      } else {
        release();
        SendMidiMsg(msg);
        SendSysExBytes(KeyboardNoteMessage(false, note, 0));
      }
      break;
    case 0xA0:
    case 0xC0:
    case 0xD0:
    case 0xE0:
      SendMidiMsg(msg);
      break;
    case 0xB0: {
      const int controller = note;
      if (mLearn.LearnMode()) {
        if (mLearn.LearnController(controller)) {
          SetParamOnMainThread(vq_param::kLearn, 0.0);
          if (!mApplyingProgram) mParamRedrawPending = true;
          RunOnMainThread([this, field = mLearn.Target()] { FinishLearnStep(field); });
        }
        break;
      }
      mLearn.SetNoMatch(true);
      bool matched = false;
      for (int i = 0; i < ProgramFieldTable::kLearnEntryCount; ++i) {
        if (mLearn.CC()[i] != controller) continue;
        const double min = ProgramFieldTable::Min(i);
        const double value = std::floor(min + (mLearn.Max()[i] - min) * (velocity / 127.0));
        // The dispatcher writes read-outs and hides controls: it runs on the main thread.
        SetParamOnMainThread(i + kFieldParamOffset, value);
        matched = true;
      }
      if (matched) {
        mLearn.SetNoMatch(false);
        if (!mApplyingProgram) mParamRedrawPending = true;
      } else {
        SendMidiMsg(msg);
      }
      break;
    }
    default:
      return;  // other system messages are not passed on
  }
  mKeyboardRedrawPending = true;
}
