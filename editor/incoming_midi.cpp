// MIDI from the synthesizer and from the keyboard. The SysEx handler checks every message
// before acting on it; on the MIDI thread it runs the bank steps, which are file and message
// work (the next upload file, saving a downloaded dump and asking for the next slot); what
// touches the GUI waits for RunDeferredMidiWork on the main thread. The keyboard handler passes
// messages through, mirrors notes as SysEx notes and turns learned controllers into
// parameter changes.
#include <cmath>
#include <cstring>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "protocol/device_messages.h"
#include "protocol/incoming_sysex.h"
#include "protocol/vq_sysex.h"

namespace {

constexpr int kOldDumpChecksumByte = 112;  // two checksum bytes, then F7

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
    if (!in.isDump || firmwareRunning) return;
    const bool awaiting = requestOutstanding || requestPending || bankDownloadRunning;
    // The answer to a download's request sent ahead after the download ended: nobody asked for it.
    if (!awaiting && strayDumpSlot != 0 && in.slot == strayDumpSlot) {
      strayDumpSlot = 0;
      return;
    }
    if (!in.checksumGood || !in.slotValid) {
      // Nothing asked for: a spoiled message asks for nothing either.
      if (!awaiting) return;
      requestOutstanding = false;
      // The same slot again, a few times; a device that keeps spoiling it fails the transfer.
      if (++dumpRetries > kDumpRetryLimit) {
        dumpRetries = 0;
        requestPending = false;
        bankDownloadRunning = false;
        unansweredPolls = 0;
        transferFailed = true;
        DropReceivedDump();
      } else {
        requestPending = true;
      }
      return;
    }
    // A dump of another slot than the one asked for (repeated, late or foreign) answers nothing.
    if (awaiting && in.slot != requestSlot) return;
    requestOutstanding = false;
    requestPending = false;
    dumpRetries = 0;
    unansweredPolls = 0;
    // Only a checked dump is kept; an older dump leaves no byte of an earlier one behind.
    std::memset(receiveBuffer, 0, sizeof receiveBuffer);
    std::memcpy(receiveBuffer, data, static_cast<size_t>(msg->mSize));
    if (bankDownloadRunning || in.kind == IncomingSysExKind::kOldProgramDump) {
      std::memcpy(downloadDump, receiveBuffer, sizeof downloadDump);
      // An older dump's checksum and end byte are no program data: the saver reads the 213-byte
      // layout, where they would land in fields.
      if (in.kind == IncomingSysExKind::kOldProgramDump)
        std::memset(downloadDump + kOldDumpChecksumByte, 0,
                    sizeof downloadDump - kOldDumpChecksumByte);
      downloadSaveSlot = in.slot;
      if (bankDownloadRunning)
        SaveDownloadedDump();
      else
        downloadSavePending = true;  // a single older dump: saved by the main thread
      return;
    }
    requestSlot = in.slot;
    dumpReceived = true;
    return;
  }

  if (in.kind != IncomingSysExKind::kReply) return;
  std::memcpy(replyBuffer, data, sizeof replyBuffer);
  const uint8_t command = in.command;
  if (firmwareRunning &&
      (command == vq_sysex::kCmdSectionReady || command == vq_sysex::kCmdBlockReady ||
       command == vq_sysex::kCmdSectionDone || command == vq_sysex::kCmdSectionFailed)) {
    if (deviceTransfers) deviceTransfers->OnFirmwareReply(*this, in.target, command);
  }
  // Write replies come from the program engine only.
  if (in.target != vq_sysex::kTargetEngine) return;
  if (singleWritePending) {
    if (command == vq_sysex::kCmdWriteAck) {
      singleWritePending = false;
      unansweredPolls = 0;
      writeAckPending = true;
    } else if (command == vq_sysex::kCmdWriteFailed) {
      singleWritePending = false;
      unansweredPolls = 0;
      transferFailed = true;
    }
  }
  if (bankUploadRunning) {
    if (command == vq_sysex::kCmdWriteAck) {
      unansweredPolls = 0;
      bankUploadAckPending = true;
      AdvanceBankTransfers();
    } else if (command == vq_sysex::kCmdWriteFailed) {
      bankUploadRunning = false;
      bankUploadAckPending = false;
      unansweredPolls = 0;
      transferFailed = true;
    }
  }
}

void VQEditor::DropReceivedDump() {
  dumpReceived = false;
  receivedDumpPending = false;
  std::memset(receiveBuffer, 0, sizeof receiveBuffer);
}

bool VQEditor::HoldsReceivedDump() const {
  const IncomingSysEx in = ClassifyIncomingSysEx(receiveBuffer, sizeof receiveBuffer);
  return in.isDump && in.checksumGood && in.slotValid;
}

void VQEditor::AdvanceBankTransfers() {
  UTL_MutexLock lock(mMutex);
  if (bankUploadAckPending) {
    bankUploadAckPending = false;
    if (bankUploadRunning && deviceTransfers) deviceTransfers->OnBankUploadAcknowledged(*this);
  }
}

void VQEditor::SaveDownloadedDump() {
  const int32_t slot = downloadSaveSlot;
  // The next slot is asked for before this one is saved, so the device sends while the file is
  // written; its dump waits in the input queue until the save is done.
  if (slot < 99) RequestProgram(requestSlot = slot + 1);
  if (bankTransfers) bankTransfers->SaveReceivedProgram(*this, slot, downloadDump);
  if (!bankDownloadRunning) {
    // Saving failed and ended the download: what was asked ahead is nobody's.
    if (requestOutstanding) {
      requestOutstanding = false;
      strayDumpSlot = requestSlot;
    }
    return;
  }
  if (slot >= 99) {
    bankDownloadRunning = false;
    unansweredPolls = 0;
    transferDone = true;
    requestSlot = 1;
  }
}

void VQEditor::FinishDumpOnMainThread() {
  if (!downloadSavePending) return;
  downloadSavePending = false;
  if (bankTransfers) bankTransfers->SaveReceivedProgram(*this, downloadSaveSlot, downloadDump);
}

void VQEditor::RunDeferredMidiWork() {
  UTL_MutexLock lock(mMutex);
  if (writeAckPending) {
    writeAckPending = false;
    // The device holds the file now: make it the editor's program too. A file that no longer
    // loads leaves the editor as it was and sends nothing.
    if (LoadProgramFileToEditor(selectedFile[kWriteSelector].c_str())) {
      SendProgramNrpn();
      lastField = kNoFieldSent;
    }
    transferDone = true;
  }
  AdvanceBankTransfers();  // anything the MIDI side left (it runs them itself as they arrive)
  if (bankProgressPending) {
    bankProgressPending = false;
    if (bankTransfers) bankTransfers->ShowBankProgress(*this);
  }
  FinishDumpOnMainThread();
  if (paramRedrawPending) {
    paramRedrawPending = false;
    RedrawIfNotApplying();
  }
  if (keyboardRedrawPending) {
    keyboardRedrawPending = false;
    if (keyboardControl) keyboardControl->SetDirty(true);
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
    if (noteState[note]) return;
    noteState[note] = 1;
    ++activeNotes;
  };
  auto release = [&] {
    if (!noteState[note]) return;
    noteState[note] = 0;
    --activeNotes;
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
      if (learnMode) {
        lastLearnCC = controller;
        if (learnTarget >= 0 && learnTarget < ProgramFieldTable::kLearnEntryCount) {
          learnCC[learnTarget] = controller;
          learnMode = false;
          SetParamOnMainThread(vq_param::kLearn, 0.0);
          if (!applyingProgram) paramRedrawPending = true;
        }
        break;
      }
      learnNoMatch = true;
      bool matched = false;
      for (int i = 0; i < ProgramFieldTable::kLearnEntryCount; ++i) {
        if (learnCC[i] != controller) continue;
        const double min = ProgramFieldTable::Min(i);
        const double value = std::floor(min + (learnMax[i] - min) * (velocity / 127.0));
        // The dispatcher writes read-outs and hides controls: it runs on the main thread.
        SetParamOnMainThread(i + kFieldParamOffset, value);
        matched = true;
      }
      if (matched) {
        learnNoMatch = false;
        if (!applyingProgram) paramRedrawPending = true;
      } else {
        SendMidiMsg(msg);
      }
      break;
    }
    default:
      return;  // other system messages are not passed on
  }
  keyboardRedrawPending = true;
}
