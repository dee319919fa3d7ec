// The editor's link to the synthesizer: the request in flight, the transfers that run
// (single write, bank upload and download, firmware update), the status poll's counters and
// the buffers a reply or dump lands in. The editor's MIDI handlers, its status poll and the
// transfer features move these flags; they are read and set here, under the plug mutex.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class DeviceLink {
 public:
  static constexpr int kDumpBytes = 213;
  static constexpr int kReplyBytes = 7;
  // A dump with a bad checksum is asked for again this many times; then the transfer fails.
  static constexpr int kDumpRetryLimit = 3;
  using Dump = std::array<uint8_t, kDumpBytes>;

  // The received dump is dropped: a failed or timed-out request leaves nothing to be saved in
  // place of the user's program.
  void DropReceivedDump();
  // The receive buffer holds a complete, checked program dump.
  bool HoldsReceivedDump() const;

  // What the status poll has the editor do, called in the order the poll finds it.
  struct PollActions {
    std::function<void(const char* text, const char* caption)> messageBox;
    std::function<void(const char* text)> statusText;
    std::function<void()> resendRequest;  // the request of RequestSlot() once more
  };
  // The once-a-second status poll of the transfers: a wait unanswered for three polls ends
  // with a report (a bank download's request goes out once more on the second; an upload's
  // write never does); finished and failed jobs are reported, on the manager page as a box,
  // else in the status text, where a failure outlasts a success told in the same poll: that
  // success is told in a box.
  void Poll(bool managerPageShown, const PollActions& act);
  // Makes the next Poll end the request's wait at once, without a resend.
  void ExpireRequestWait();
  // The MIDI input may have lost messages (the MIDI system skipped it): counted; the wait that
  // runs ends, at its time-out, with a report that says so, and a bank download's request goes
  // out once more at once (once per wait). An upload's write is not: an acknowledgement names no
  // slot. A firmware block is never repeated.
  void NoteInputLoss(const PollActions& act);
  uint64_t InputLosses() const { return mInputLosses; }

  // Post-increment of the idle counter (the status poll compares the count before the call).
  int32_t CountIdlePoll() { return mIdlePolls++; }
  // Pre-increment: the retries made so far, this one included.
  int32_t CountDumpRetry() { return ++mDumpRetries; }

  // The last dump received (a single request's answer or a download's), and the 7-byte reply.
  Dump& ReceiveBuffer() { return mReceiveBuffer; }
  const Dump& ReceiveBuffer() const { return mReceiveBuffer; }
  std::array<uint8_t, kReplyBytes>& ReplyBuffer() { return mReplyBuffer; }
  // A bank download's dump being saved, or a single older dump waiting for the main thread.
  Dump& DownloadDump() { return mDownloadDump; }

  // --- The request ---
  // The slot asked for (1..99); pending: the next idle call sends the request; outstanding: it
  // went out and waits for its dump; received: a single dump arrived for the idle call to name.
  int32_t RequestSlot() const { return mRequestSlot; }
  void SetRequestSlot(int32_t value) { mRequestSlot = value; }
  bool RequestPending() const { return mRequestPending; }
  void SetRequestPending(bool value) { mRequestPending = value; }
  bool RequestOutstanding() const { return mRequestOutstanding; }
  void SetRequestOutstanding(bool value) { mRequestOutstanding = value; }
  bool DumpReceived() const { return mDumpReceived; }
  void SetDumpReceived(bool value) {
    if (value) ++mDumpsOffered;
    mDumpReceived = value;
  }

  // --- The gate: which transfer may start beside those that run ---
  enum class Transfer { kFetch, kDownload, kSingleWrite, kUpload, kFirmware };
  static constexpr const char* kBusyText = "A transfer is running!";
  // Asked before a transfer changes anything (folder, manager bank, flags, waits): a fetch and
  // a write (single or upload) may run side by side, since a dump names its slot and a write's
  // answer is no dump; every other pair would share answers, a folder, the receive buffer or
  // the device's attention. An upload asked for (and not yet started) counts as running;
  // `asked` lets that upload itself start.
  bool MayStart(Transfer t, bool asked = false) const;
  // The upload's start waits for the user (its gap question): it counts as running meanwhile.
  void SetUploadStarting(bool value) { mUploadStarting = value; }
  // The folder an upload sends its files from: it reads each as it goes, so while it starts or
  // runs nothing may empty that folder (`folder` or one below it).
  void SetUploadFolder(const std::string& folder) { mUploadFolder = folder; }
  bool UploadReadsBelow(const std::string& folder) const {
    return (mBankUploadRunning || mUploadStarting) && !folder.empty() &&
           mUploadFolder.compare(0, folder.size(), folder) == 0;
  }

  // --- Transfers that run, and how the last one ended ---
  bool BankDownloadRunning() const { return mBankDownloadRunning; }
  // A download into the manager ends with the download, whether it succeeded or failed.
  void SetBankDownloadRunning(bool value) {
    mBankDownloadRunning = value;
    if (!value) mDownloadToManager = false;
  }
  bool BankUploadRunning() const { return mBankUploadRunning; }
  void SetBankUploadRunning(bool value) {
    mBankUploadRunning = value;
    if (!value) NoteWritesEnded();
  }
  // The file a single write sends: it becomes the program once the device has taken it.
  const std::string& SingleWriteFile() const { return mSingleWriteFile; }
  void SetSingleWriteFile(const std::string& path) { mSingleWriteFile = path; }
  bool SingleWritePending() const { return mSingleWritePending; }
  void SetSingleWritePending(bool value) {
    mSingleWritePending = value;
    if (!value) NoteWritesEnded();
  }
  bool FirmwareRunning() const { return mFirmwareRunning; }
  void SetFirmwareRunning(bool value) { mFirmwareRunning = value; }
  bool TransferDone() const { return mTransferDone; }
  void SetTransferDone(bool value) { mTransferDone = value; }
  bool TransferFailed() const { return mTransferFailed; }
  void SetTransferFailed(bool value) { mTransferFailed = value; }

  // --- Program writes and their answers ---
  // An answer to a write (0x21 or 0x22) names no slot, so the link counts the writes sent and
  // not yet answered, whatever transfer sent them. Once the upload or single write that sent
  // them has ended, what it still owes is old: the next answers pay it first, and a new write
  // waits until it is paid, so that no late answer counts for it. After kQuietPolls status
  // polls with no answer and no write the old answers are taken as lost and forgotten.
  static constexpr int kQuietPolls = 15;
  enum class WriteAnswer {
    kOld,      // it pays what an ended transfer owed: it answers nothing that waits now
    kCurrent,  // the running transfer's (or nobody's, when none runs)
  };
  // Sends a write of an upload or single write at once, or holds it while old answers are
  // owed; `send` runs under the plug mutex, here or where the last old answer arrives or the
  // quiet time ends (the MIDI thread, the status poll). A write the output refused (`send`
  // false) is owed no answer; its wait ends at the next poll.
  void SendWrite(std::function<bool()> send);
  WriteAnswer TakeWriteAnswer();
  bool WriteHeld() const { return static_cast<bool>(mHeldWrite); }

  // --- Status poll: polls without an answer (the time-out), polls without a change (the NRPN
  // address is repeated), retries of a spoiled dump ---
  // Each wait counts its own polls: a request's (a fetch, a download, a firmware step) and a
  // write's (an upload or single write), so a transfer started beside another never moves its
  // time-out.
  int32_t UnansweredPolls() const { return mUnansweredPolls; }
  // The wait starts afresh: an input loss before it explains no silence after it.
  void SetUnansweredPolls(int32_t value) {
    mUnansweredPolls = value;
    mLossInWait = mLossResent = false;
  }
  int32_t UnansweredWritePolls() const { return mWritePolls; }
  void SetUnansweredWritePolls(int32_t value) {
    mWritePolls = value;
    mLossInWriteWait = false;
  }
  int32_t IdlePolls() const { return mIdlePolls; }
  void SetIdlePolls(int32_t value) { mIdlePolls = value; }
  int32_t DumpRetries() const { return mDumpRetries; }
  void SetDumpRetries(int32_t value) { mDumpRetries = value; }

  // --- Handed from the MIDI thread to the main thread ---
  // A single write's acknowledgement, a bank upload's acknowledgement and the progress it
  // shows, a single older dump to save.
  bool WriteAckPending() const { return mWriteAckPending; }
  void SetWriteAckPending(bool value) { mWriteAckPending = value; }
  bool BankUploadAckPending() const { return mBankUploadAckPending; }
  void SetBankUploadAckPending(bool value) { mBankUploadAckPending = value; }
  bool BankProgressPending() const { return mBankProgressPending; }
  void SetBankProgressPending(bool value) { mBankProgressPending = value; }
  bool DownloadSavePending() const { return mDownloadSavePending; }
  void SetDownloadSavePending(bool value) { mDownloadSavePending = value; }
  int32_t DownloadSaveSlot() const { return mDownloadSaveSlot; }
  void SetDownloadSaveSlot(int32_t value) { mDownloadSaveSlot = value; }

  // --- Requests of the controls and the manager ---
  // The save selector writes the received dump (not the editor's program); the next idle call
  // uploads the current folder; a bank download fills the slot table; a manager job runs
  // (each reported communication error ends it).
  bool ReceivedDumpPending() const { return mReceivedDumpPending; }
  void SetReceivedDumpPending(bool value) { mReceivedDumpPending = value; }
  // Names the dump in the buffer: a save that ends later stops offering only the one it saved.
  uint64_t DumpsOffered() const { return mDumpsOffered; }
  bool BankUploadRequest() const { return mBankUploadRequest; }
  void SetBankUploadRequest(bool value) { mBankUploadRequest = value; }
  // The upload asked for was started by the folder button, which stays lit until it ends.
  bool UploadLightsFolderButton() const { return mUploadLightsFolderButton; }
  void SetUploadLightsFolderButton(bool value) { mUploadLightsFolderButton = value; }
  bool DownloadToManager() const { return mDownloadToManager; }
  void SetDownloadToManager(bool value) { mDownloadToManager = value; }
  // The programs such a download saved are entered into the bank on the main thread, after it
  // ended: counted until each is in its slot.
  void NoteSlotEntryPosted() { ++mSlotEntriesPosted; }
  void NoteSlotEntered() {
    if (mSlotEntriesPosted > 0) --mSlotEntriesPosted;
  }
  // RECEIVE fills the manager's bank: it runs, or a program it saved is not in its slot yet.
  bool ManagerBankFilling() const { return mDownloadToManager || mSlotEntriesPosted > 0; }
  bool Busy() const { return mBusy; }
  void SetBusy(bool value) { mBusy = value; }
  // A bank upload found a program name that does not determine its program number.
  bool ProgramNumberError() const { return mProgramNumberError; }
  void SetProgramNumberError(bool value) { mProgramNumberError = value; }

 private:
  static bool TimedOut(int32_t& polls);
  // No upload or single write runs any more: what it owes is old, and a write it held is
  // dropped with it.
  void NoteWritesEnded();
  void ReleaseHeldWrite();
  // The report of a wait that timed out: the usual one, or the input's loss; a null status
  // leaves the status text as it is.
  void ReportTimeout(const PollActions& act, bool& lossInWait, const char* status,
                     const char* lossStatus, const char* lossBox);

  Dump mReceiveBuffer = {};
  std::array<uint8_t, kReplyBytes> mReplyBuffer = {};
  Dump mDownloadDump = {};

  int32_t mRequestSlot = 1;
  bool mRequestPending = false;
  bool mRequestOutstanding = false;
  bool mDumpReceived = false;
  bool mBankDownloadRunning = false;
  bool mBankUploadRunning = false;
  bool mSingleWritePending = false;
  bool mFirmwareRunning = false;
  bool mTransferDone = false;
  bool mTransferFailed = false;
  int32_t mUnansweredPolls = 0;
  int32_t mWritePolls = 0;
  bool mUploadStarting = false;
  std::string mUploadFolder;
  std::string mSingleWriteFile;
  int32_t mIdlePolls = 0;
  int32_t mDumpRetries = 0;
  bool mWriteAckPending = false;
  bool mBankUploadAckPending = false;
  bool mBankProgressPending = false;
  bool mDownloadSavePending = false;
  int32_t mDownloadSaveSlot = 0;
  bool mReceivedDumpPending = false;
  uint64_t mDumpsOffered = 0;  // dumps received or dropped so far
  bool mBankUploadRequest = false;
  bool mUploadLightsFolderButton = false;
  bool mDownloadToManager = false;
  int32_t mSlotEntriesPosted = 0;
  bool mBusy = false;
  bool mProgramNumberError = false;
  int32_t mWritesOwed = 0;
  int32_t mOldWritesOwed = 0;
  int32_t mQuietPolls = 0;
  std::function<bool()> mHeldWrite;
  uint64_t mInputLosses = 0;
  bool mLossInWait = false;       // the input lost messages since the request's wait last moved
  bool mLossResent = false;       // and the bank download's request went out again for it
  bool mLossInWriteWait = false;  // the same for the write's wait
  bool mWriteRefused = false;     // the output refused a write: its wait ends at the next poll
};
