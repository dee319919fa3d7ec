#include "editor/device_link.h"

#include <utility>

#include "protocol/incoming_sysex.h"

namespace {

constexpr int kPollsPerTimeout = 3;  // a wait times out on its third unanswered poll

constexpr const char* kNoDeviceText = "VQ not present or a communication\nerror has occurred!";
constexpr const char* kCommErrorStatus = "Communication error!";
constexpr const char* kFinishedText = "Finished successfully!";
constexpr const char* kFirmwareStalledText = "Firmware update aborted: the VQ stopped answering!";
// The answer may have come and been lost in the editor's own MIDI input.
constexpr const char* kInputLossText =
    "The editor's MIDI input missed data:\nthe VQ may have answered!";
constexpr const char* kInputLossStatus = "MIDI input missed data!";
constexpr const char* kFirmwareInputLossText = "Firmware update aborted: MIDI input missed data!";
// A firmware update is not resumed: the box says it stopped, so that it is run again.
constexpr const char* kFirmwareInputLossBox =
    "Firmware update aborted:\nthe editor's MIDI input missed data!";

}  // namespace

void DeviceLink::DropReceivedDump() {
  ++mDumpsOffered;
  mDumpReceived = false;
  mReceivedDumpPending = false;
  mReceiveBuffer.fill(0);
}

bool DeviceLink::HoldsReceivedDump() const {
  const IncomingSysEx in = ClassifyIncomingSysEx(mReceiveBuffer.data(), kDumpBytes);
  return in.isDump && in.checksumGood && in.slotValid;
}

// Every reply that shows progress zeroes the counter of its wait.
bool DeviceLink::TimedOut(int32_t& polls) {
  if (polls++ < kPollsPerTimeout - 1) return false;
  polls = 0;
  return true;
}

bool DeviceLink::MayStart(Transfer t, bool asked) const {
  const bool firmware = mFirmwareRunning;
  const bool download = mBankDownloadRunning;
  // A fetch waits from its request until its dump is named for saving.
  const bool fetch =
      !firmware && !download && (mRequestPending || mRequestOutstanding || mDumpReceived);
  // A single write runs until its file has become the program.
  const bool single = mSingleWritePending || mWriteAckPending;
  const bool upload = mBankUploadRunning || mUploadStarting || (mBankUploadRequest && !asked);
  const bool anyWrite = single || upload;
  switch (t) {
    case Transfer::kFetch:
      return !firmware && !download && !fetch;
    case Transfer::kSingleWrite:
    case Transfer::kUpload:
      return !firmware && !download && !anyWrite;
    case Transfer::kDownload:
    case Transfer::kFirmware:
      return !firmware && !download && !fetch && !anyWrite;
  }
  return false;
}

void DeviceLink::ReportTimeout(const PollActions& act, bool& lossInWait, const char* status,
                               const char* lossStatus, const char* lossBox) {
  act.messageBox(lossInWait ? lossBox : kNoDeviceText, "Error");
  if (const char* text = lossInWait ? lossStatus : status) act.statusText(text);
  lossInWait = false;
}

void DeviceLink::NoteInputLoss(const PollActions& act) {
  ++mInputLosses;
  if (!mRequestOutstanding && !mBankUploadRunning && !mSingleWritePending) return;
  if (mRequestOutstanding) mLossInWait = true;
  if (mBankUploadRunning || mSingleWritePending) mLossInWriteWait = true;
  if (mLossResent) return;
  // A download asks again at once: each dump names its slot. An upload does not: an
  // acknowledgement names no slot, so its wait ends at the time-out, saying the input missed data.
  if (mRequestOutstanding && mBankDownloadRunning && !mFirmwareRunning) {
    mLossResent = true;
    act.resendRequest();
  }
}

void DeviceLink::ExpireRequestWait() {
  if (mRequestOutstanding) mUnansweredPolls = kPollsPerTimeout - 1;
}

void DeviceLink::NoteWritesEnded() {
  if (mBankUploadRunning || mSingleWritePending) return;
  mOldWritesOwed = mWritesOwed;
  mHeldWrite = nullptr;
  mWriteRefused = false;
}

void DeviceLink::SendWrite(std::function<bool()> send) {
  if (mOldWritesOwed > 0) {
    mHeldWrite = std::move(send);
    return;
  }
  // Nothing went out: no answer can come for it.
  if (!send()) {
    mWriteRefused = true;
    return;
  }
  ++mWritesOwed;
  mQuietPolls = 0;
}

void DeviceLink::ReleaseHeldWrite() {
  if (!mHeldWrite) return;
  std::function<bool()> send = std::move(mHeldWrite);
  mHeldWrite = nullptr;
  SetUnansweredWritePolls(0);  // its wait starts now
  SendWrite(std::move(send));
}

DeviceLink::WriteAnswer DeviceLink::TakeWriteAnswer() {
  mQuietPolls = 0;
  if (mWritesOwed == 0) return WriteAnswer::kCurrent;
  --mWritesOwed;
  if (mOldWritesOwed == 0) return WriteAnswer::kCurrent;
  if (--mOldWritesOwed == 0) ReleaseHeldWrite();
  return WriteAnswer::kOld;
}

void DeviceLink::Poll(bool managerPageShown, const PollActions& act) {
  // A write the output refused gets no answer: its wait ends now rather than after three polls.
  if (std::exchange(mWriteRefused, false)) mWritePolls = kPollsPerTimeout - 1;
  // Old answers that stayed away for the quiet time are lost for good: the write held for them
  // goes out.
  if (mOldWritesOwed > 0 && ++mQuietPolls >= kQuietPolls) {
    mWritesOwed -= mOldWritesOwed;
    mOldWritesOwed = 0;
    mQuietPolls = 0;
    ReleaseHeldWrite();
  }
  // A failure told in this poll keeps the status line: a success beside it is told in a box.
  bool failureTold = false;
  // A bank download survives one lost message: on the second unanswered poll its request goes
  // out once more; the third poll still ends the wait. An upload's write is never repeated: an
  // acknowledgement names no slot, so a second copy's answer could count for the next write.
  // Nor is a firmware block: the device counts them.
  if (mRequestOutstanding) {
    const bool resend =
        mBankDownloadRunning && !mFirmwareRunning && mUnansweredPolls == kPollsPerTimeout - 2;
    if (TimedOut(mUnansweredPolls)) {
      mRequestOutstanding = false;
      const bool firmwareStalled = mFirmwareRunning;
      if (!firmwareStalled) DropReceivedDump();
      mFirmwareRunning = false;
      // A bank download that waited on this request ends with the report.
      mBankDownloadRunning = false;
      mDownloadToManager = false;
      // The next request starts with its full share of re-requests for spoiled dumps.
      mDumpRetries = 0;
      mLossResent = false;
      ReportTimeout(act, mLossInWait, firmwareStalled ? kFirmwareStalledText : kCommErrorStatus,
                    firmwareStalled ? kFirmwareInputLossText : kInputLossStatus,
                    firmwareStalled ? kFirmwareInputLossBox : kInputLossText);
      failureTold = true;
      mBusy = false;
    } else if (resend) {
      act.resendRequest();
    }
  }
  // A held write has not gone out: the quiet time bounds its wait.
  if (mBankUploadRunning && !mHeldWrite && TimedOut(mWritePolls)) {
    mBankUploadRunning = false;
    NoteWritesEnded();
    mDownloadToManager = false;
    ReportTimeout(act, mLossInWriteWait, kCommErrorStatus, kInputLossStatus, kInputLossText);
    failureTold = true;
    mBusy = false;
  }
  if (mSingleWritePending && !mHeldWrite && TimedOut(mWritePolls)) {
    mSingleWritePending = false;
    NoteWritesEnded();
    mDownloadToManager = false;
    ReportTimeout(act, mLossInWriteWait, nullptr, nullptr, kInputLossText);
    mBusy = false;
  }

  if (mTransferDone) {
    mTransferDone = false;
    if (managerPageShown || failureTold || mTransferFailed)
      act.messageBox(kFinishedText, "Done");
    else
      act.statusText(kFinishedText);
  }
  if (mTransferFailed) {
    mTransferFailed = false;
    mDownloadToManager = false;
    act.messageBox("Communication error has occurred!", "Error");
    act.statusText(kCommErrorStatus);
    mBusy = false;
  }
  if (mProgramNumberError) {
    mProgramNumberError = false;
    mDownloadToManager = false;
    act.messageBox("Program Name does not\ndetermine Program Number!", "Error");
  }
}
