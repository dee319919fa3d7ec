// Incoming MIDI: program dumps and replies from the synthesizer, the keyboard input with its
// pass-through, note mirroring and learned controllers, and the "midilearn.ini" text.
#include <cstring>
#include <fstream>

#include "editor/gui/keyboard_control.h"
#include "editor/midi_learn.h"
#include "editor_test_support.h"
#include "protocol/incoming_sysex.h"
#include "protocol/vq_sysex.h"
#include "tools/vqsim/device_program.h"

namespace vqtest {
namespace {

using Bytes = std::vector<uint8_t>;

// Records what the SysEx handler hands on to the transfers, saved dumps included.
class RecordingTransfers : public VQDeviceTransfers {
 public:
  class Saves : public NullBankTransfers {
   public:
    explicit Saves(RecordingTransfers& owner) : mOwner(owner) {}
    bool SaveReceivedProgram(VQEditor&, int slot, const uint8_t* dump) override {
      mOwner.saved.push_back({slot, Bytes(dump, dump + 213)});
      return true;
    }

   private:
    RecordingTransfers& mOwner;
  };

  void OnFirmwareReply(VQEditor&, uint8_t target, uint8_t command) override {
    firmware.push_back({target, command});
  }
  void OnBankUploadAcknowledged(VQEditor&) override { ++uploadAcks; }

  std::vector<std::pair<int, Bytes>> saved;
  std::vector<std::pair<uint8_t, uint8_t>> firmware;
  int uploadAcks = 0;
};

class IncomingMidiTest : public EditorTest {
 protected:
  VQEditor& MakeWithTransfers() {
    VQEditor& e = Make();
    auto t = std::make_unique<RecordingTransfers>();
    transfers = t.get();
    e.SetBankTransfers(std::make_unique<RecordingTransfers::Saves>(*t));
    e.SetDeviceTransfers(std::move(t));
    return e;
  }
  void Receive(const Bytes& bytes) {
    ISysExMessage msg(0, bytes.data(), static_cast<int32_t>(bytes.size()));
    editor->ProcessSysEx(&msg);
  }
  void Key(uint8_t status, uint8_t d1, uint8_t d2 = 0) {
    IMidiMessage msg(0, status, d1, d2);
    editor->OnMidiMsgReceived(&msg);
  }
  static Bytes Dump(int slot) {
    return vqsim::BuildProgramDump(vqsim::DistinctProgram(slot), slot);
  }
  static Bytes Reply(uint8_t command, uint8_t target = vq_sysex::kTargetEngine) {
    return vqsim::BuildReply(target, command);
  }

  RecordingTransfers* transfers = nullptr;
};

// --- Checks before anything is acted on ---

TEST(IncomingSysExCheck, FrameIdentifierTargetAndSize) {
  const Bytes good = vqsim::BuildProgramDump(vqsim::DistinctProgram(7), 7);
  IncomingSysEx in = ClassifyIncomingSysEx(good.data(), static_cast<int>(good.size()));
  EXPECT_EQ(in.kind, IncomingSysExKind::kProgramDump);
  EXPECT_TRUE(in.isDump && in.slotValid && in.checksumGood);
  EXPECT_EQ(in.slot, 7);

  struct Case {
    const char* what;
    size_t at;
    uint8_t value;
  };
  const Case spoiled[] = {
      {"no F0", 0, 0xF1},  {"no F7", 212, 0x00},          {"identifier", 2, 0x11},
      {"target", 4, 0x06}, {"8-bit data byte", 40, 0x80},
  };
  for (const Case& c : spoiled) {
    Bytes b = good;
    b[c.at] = c.value;
    EXPECT_EQ(ClassifyIncomingSysEx(b.data(), static_cast<int>(b.size())).kind,
              IncomingSysExKind::kIgnored)
        << c.what;
  }
  for (size_t size : {212u, 214u, 8u, 6u, 116u}) {
    Bytes b(size, 0x01);
    b.front() = 0xF0;
    b.back() = 0xF7;
    b[1] = 0x00, b[2] = 0x56, b[3] = 0x51, b[4] = 0x05;
    EXPECT_EQ(ClassifyIncomingSysEx(b.data(), static_cast<int>(b.size())).kind,
              IncomingSysExKind::kIgnored)
        << size;
  }
  EXPECT_EQ(ClassifyIncomingSysEx(nullptr, 213).kind, IncomingSysExKind::kIgnored);
}

TEST(IncomingSysExCheck, SlotChecksumAndReplies) {
  for (int slot : {0, 100, 127}) {
    Bytes b = vqsim::BuildProgramDump(vqsim::DistinctProgram(1), 1);
    b[7] = static_cast<uint8_t>(slot);
    IncomingSysEx in = ClassifyIncomingSysEx(b.data(), 213);
    EXPECT_FALSE(in.slotValid) << slot;
  }
  Bytes bad = vqsim::BuildProgramDump(vqsim::DistinctProgram(3), 3);
  bad[211] ^= 1;
  EXPECT_FALSE(ClassifyIncomingSysEx(bad.data(), 213).checksumGood);
  Bytes old = vqsim::BuildOldProgramDump(vqsim::DistinctProgram(3), 3);
  IncomingSysEx o = ClassifyIncomingSysEx(old.data(), 115);
  EXPECT_EQ(o.kind, IncomingSysExKind::kOldProgramDump);
  EXPECT_TRUE(o.checksumGood);
  // Replies from the program engine and the firmware targets; nothing else.
  for (uint8_t target : {0x05, 0x07, 0x0B})
    EXPECT_EQ(ClassifyIncomingSysEx(vqsim::BuildReply(target, 0x21).data(), 7).kind,
              IncomingSysExKind::kReply);
  for (uint8_t target : {0x04, 0x06, 0x0C})
    EXPECT_EQ(ClassifyIncomingSysEx(vqsim::BuildReply(target, 0x21).data(), 7).kind,
              IncomingSysExKind::kIgnored);
}

// --- Program dumps ---

TEST_F(IncomingMidiTest, GoodDumpIsKeptAndNamedOnTheNextTick) {
  VQEditor& e = Make();
  e.Link().SetRequestSlot(12);
  e.Link().SetRequestOutstanding(true);
  const Bytes dump = Dump(12);
  Receive(dump);
  EXPECT_FALSE(e.Link().RequestOutstanding());
  EXPECT_TRUE(e.Link().DumpReceived());
  EXPECT_EQ(e.Link().RequestSlot(), 12);
  EXPECT_EQ(Bytes(e.Link().ReceiveBuffer().data(), e.Link().ReceiveBuffer().data() + 213), dump);
  EXPECT_FALSE(e.Link().RequestPending());
}

TEST_F(IncomingMidiTest, BadChecksumAsksAgainABoundedNumberOfTimes) {
  VQEditor& e = Make();
  e.Link().SetRequestSlot(9);
  Bytes bad = Dump(9);
  bad[100] ^= 0x01;
  // Nothing asked for: a spoiled dump asks for nothing.
  Receive(bad);
  EXPECT_FALSE(e.Link().RequestPending());
  e.Link().SetRequestOutstanding(true);
  for (int attempt = 1; attempt <= DeviceLink::kDumpRetryLimit; ++attempt) {
    Receive(bad);
    EXPECT_TRUE(e.Link().RequestPending()) << attempt;
    EXPECT_EQ(e.Link().RequestSlot(), 9);
    EXPECT_FALSE(e.Link().TransferFailed());
    e.Link().SetRequestPending(false);
    e.Link().SetRequestOutstanding(true);  // the next tick asked again
  }
  Receive(bad);
  EXPECT_FALSE(e.Link().RequestPending());
  EXPECT_TRUE(e.Link().TransferFailed());
  EXPECT_FALSE(e.Link().DumpReceived());

  // A good dump after a bad one starts the count afresh.
  e.Link().SetTransferFailed(false);
  e.Link().SetRequestOutstanding(true);
  Receive(bad);
  Receive(Dump(9));
  EXPECT_EQ(e.Link().DumpRetries(), 0);
  EXPECT_TRUE(e.Link().DumpReceived());
}

TEST_F(IncomingMidiTest, ARequestThatTimesOutLeavesNoRetriesUsedForTheNext) {
  VQEditor& e = Make();
  e.StopTimer();
  Bytes bad = Dump(9);
  bad[100] ^= 0x01;
  e.Link().SetRequestSlot(9);
  e.Link().SetRequestOutstanding(true);
  Receive(bad);  // one re-request used, then the device falls silent
  e.Link().SetRequestPending(false);
  e.Link().SetRequestOutstanding(true);
  e.Link().SetUnansweredPolls(0);
  for (int i = 0; i < 3; ++i) e.StatusPoll();
  ASSERT_FALSE(e.Link().RequestOutstanding());

  // The next request gets every re-request again.
  for (int attempt = 1; attempt <= DeviceLink::kDumpRetryLimit; ++attempt) {
    e.Link().SetRequestOutstanding(true);
    Receive(bad);
    EXPECT_TRUE(e.Link().RequestPending()) << attempt;
    EXPECT_FALSE(e.Link().TransferFailed()) << attempt;
  }
}

TEST_F(IncomingMidiTest, OnlyTheExpectedDumpEndsAWaitOrReplacesTheDumpHeld) {
  struct Case {
    const char* what;
    bool bankDownload, firmware;
    Bytes message;
    bool asked = true;  // a fetch waits for slot 5
  };
  Bytes otherCommand = Dump(5);
  otherCommand[5] = 0x42;
  Bytes spoiled = Dump(5);
  spoiled[100] ^= 1;
  const Case cases[] = {
      {"another command in a bank download", true, false, otherCommand},
      {"another command after a request", false, false, otherCommand},
      {"another slot after a request", false, false, Dump(6)},
      {"a good dump during a firmware update", false, true, Dump(5)},
      {"a spoiled dump during a firmware update", false, true, spoiled},
      // A late answer to a download's request after the download ended: no program fetched.
      {"a dump nobody asked for", false, false, Dump(5), false},
      {"an older dump nobody asked for", false, false,
       vqsim::BuildOldProgramDump(vqsim::DistinctProgram(5), 5), false},
  };
  for (const Case& c : cases) {
    VQEditor& e = Make();
    e.Link().SetRequestSlot(5);
    e.Link().SetRequestOutstanding(c.asked);
    e.Link().SetBankDownloadRunning(c.bankDownload);
    e.Link().SetFirmwareRunning(c.firmware);
    Receive(c.message);
    EXPECT_EQ(e.Link().RequestOutstanding(), c.asked) << c.what;
    EXPECT_FALSE(e.Link().RequestPending() || e.Link().DumpReceived() ||
                 e.Link().DownloadSavePending())
        << c.what;
  }
  // A dump held for saving is never replaced by one that fails its checks.
  VQEditor& e = Make();
  e.Link().SetRequestSlot(5);
  e.Link().SetRequestOutstanding(true);
  Receive(Dump(5));
  ASSERT_TRUE(e.Link().DumpReceived());
  e.Link().SetRequestOutstanding(true);
  Receive(spoiled);
  EXPECT_EQ(Bytes(e.Link().ReceiveBuffer().data(), e.Link().ReceiveBuffer().data() + 213), Dump(5));
}

TEST_F(IncomingMidiTest, OlderDumpClearsWhatItDoesNotCarryAndIsSavedOnTheMainThread) {
  VQEditor& e = MakeWithTransfers();
  e.Link().SetRequestSlot(20);
  e.Link().SetRequestOutstanding(true);
  Receive(Dump(20));  // fills every byte of the receive buffer
  e.Link().SetDumpReceived(false);
  e.Link().SetRequestSlot(5);
  e.Link().SetRequestOutstanding(true);
  const Bytes old = vqsim::BuildOldProgramDump(vqsim::DistinctProgram(5), 5);
  Receive(old);
  EXPECT_EQ(Bytes(e.Link().ReceiveBuffer().data(), e.Link().ReceiveBuffer().data() + 115), old);
  for (int i = 115; i < 213; ++i) ASSERT_EQ(e.Link().ReceiveBuffer()[i], 0) << i;
  EXPECT_FALSE(e.Link().DumpReceived());
  EXPECT_TRUE(transfers->saved.empty());  // not on the MIDI thread

  e.RunDeferredMidiWork();
  ASSERT_EQ(transfers->saved.size(), 1u);
  EXPECT_EQ(transfers->saved[0].first, 5);
  const Bytes& saved = transfers->saved[0].second;
  EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 112), Bytes(old.begin(), old.begin() + 112));
  // Its checksum and end byte would read as program fields in the 213-byte layout.
  for (int i = 112; i < 213; ++i) ASSERT_EQ(saved[static_cast<size_t>(i)], 0) << i;
  EXPECT_FALSE(e.Link().RequestPending());  // a single older dump asks for nothing more
}

TEST_F(IncomingMidiTest, BankDownloadFailsAfterRepeatedBadDumps) {
  VQEditor& e = MakeWithTransfers();
  e.Link().SetBankDownloadRunning(true);
  e.Link().SetRequestSlot(40);
  Bytes bad = Dump(40);
  bad[50] ^= 2;
  for (int i = 0; i <= DeviceLink::kDumpRetryLimit; ++i) Receive(bad);
  EXPECT_FALSE(e.Link().BankDownloadRunning());
  EXPECT_TRUE(e.Link().TransferFailed());
  e.RunDeferredMidiWork();
  EXPECT_TRUE(transfers->saved.empty());
}

TEST_F(IncomingMidiTest, BankDownloadTakesOnlyTheSlotAskedForOnce) {
  VQEditor& e = MakeWithTransfers();
  e.Link().SetBankDownloadRunning(true);
  e.Link().SetRequestSlot(40);
  Receive(Dump(39));  // late answer to the slot before
  EXPECT_FALSE(e.Link().DownloadSavePending());
  Receive(Dump(40));
  Receive(Dump(40));  // the same dump again, before the main thread saved the first
  e.RunDeferredMidiWork();
  ASSERT_EQ(transfers->saved.size(), 1u);
  EXPECT_EQ(e.Link().RequestSlot(), 41);
  Receive(Dump(40));  // and once more after the download moved on
  e.RunDeferredMidiWork();
  EXPECT_EQ(transfers->saved.size(), 1u);
  EXPECT_EQ(e.Link().RequestSlot(), 41);
  EXPECT_TRUE(e.Link().BankDownloadRunning());
}

// --- Replies ---

TEST_F(IncomingMidiTest, WriteReplies) {
  VQEditor& e = Make();
  e.Link().SetSingleWritePending(true);
  e.Link().SetUnansweredWritePolls(2);
  Receive(Reply(0x22));
  EXPECT_FALSE(e.Link().SingleWritePending());
  EXPECT_TRUE(e.Link().TransferFailed());
  EXPECT_EQ(e.Link().UnansweredWritePolls(), 0);

  e.Link().SetTransferFailed(false);
  e.Link().SetSingleWritePending(true);
  Receive(Reply(0x21, 0x07));  // a firmware target cannot answer a write
  EXPECT_TRUE(e.Link().SingleWritePending());
  Receive(Reply(0x21));
  EXPECT_FALSE(e.Link().SingleWritePending());
  EXPECT_FALSE(e.Link().TransferDone());  // finished on the main thread
  size_t mark = Mark();
  e.RunDeferredMidiWork();
  EXPECT_TRUE(e.Link().TransferDone());
  // Without a program library the file cannot be loaded: nothing is sent.
  EXPECT_TRUE(CcsSince(mark).empty());
  EXPECT_EQ(Bytes(e.Link().ReplyBuffer().data(), e.Link().ReplyBuffer().data() + 7), Reply(0x21));
}

TEST_F(IncomingMidiTest, RepliesDriveFirmwareAndBankUpload) {
  VQEditor& e = MakeWithTransfers();
  Receive(Reply(0x12, 0x08));
  EXPECT_TRUE(transfers->firmware.empty());  // no update running
  e.Link().SetFirmwareRunning(true);
  for (uint8_t c : {0x11, 0x12, 0x14, 0x15, 0x21}) Receive(Reply(c, 0x08));
  ASSERT_EQ(transfers->firmware.size(), 4u);
  EXPECT_EQ(transfers->firmware[1], (std::pair<uint8_t, uint8_t>(0x08, 0x12)));
  e.Link().SetFirmwareRunning(false);

  e.Link().SetBankUploadRunning(true);
  Receive(Reply(0x21));  // moves the upload on where it arrives, not at the next idle call
  EXPECT_EQ(transfers->uploadAcks, 1);
  e.RunDeferredMidiWork();
  EXPECT_EQ(transfers->uploadAcks, 1);
  Receive(Reply(0x22));
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_TRUE(e.Link().TransferFailed());
  Receive(Reply(0x21));
  e.RunDeferredMidiWork();
  EXPECT_EQ(transfers->uploadAcks, 1);
}

// --- Keyboard input ---

TEST_F(IncomingMidiTest, NotesPassThroughAndAreMirrored) {
  VQEditor& e = Make();
  struct Case {
    uint8_t status, note, velocity;
    Bytes mirror;
    int held;
  };
  const Case cases[] = {
      {0x90, 60, 100, {0xF0, 0x00, 0x56, 0x51, 0x05, 0x50, 60, 100, 0xF7}, 1},
      {0x92, 64, 1, {0xF0, 0x00, 0x56, 0x51, 0x05, 0x50, 64, 1, 0xF7}, 2},
      {0x90, 60, 0, {0xF0, 0x00, 0x56, 0x51, 0x05, 0x51, 60, 0x00, 0xF7}, 1},
      {0x81, 64, 33, {0xF0, 0x00, 0x56, 0x51, 0x05, 0x51, 64, 33, 0xF7}, 0},
  };
  for (const Case& c : cases) {
    size_t mark = Mark();
    Key(c.status, c.note, c.velocity);
    auto sent = Since(mark);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], (Bytes{c.status, c.note, c.velocity}));
    EXPECT_EQ(sent[1], c.mirror);
    EXPECT_EQ(e.ActiveNotes(), c.held);
  }
  EXPECT_EQ(e.NoteState()[60], 0);
  EXPECT_TRUE(e.KeyboardRedrawPending());
}

TEST_F(IncomingMidiTest, ReleaseOfAKeyNotHeldChangesNoCount) {
  VQEditor& e = Make();
  Key(0x80, 50, 0);
  Key(0x90, 51, 0);
  EXPECT_EQ(e.ActiveNotes(), 0);
  Key(0x90, 52, 90);
  Key(0x90, 52, 91);  // a second press of a held key
  EXPECT_EQ(e.ActiveNotes(), 1);
  Key(0x80, 52, 0);
  Key(0x80, 52, 0);
  EXPECT_EQ(e.ActiveNotes(), 0);
  EXPECT_EQ(e.NoteState()[52], 0);
}

TEST_F(IncomingMidiTest, ClockOtherChannelMessagesAndSystemMessages) {
  VQEditor& e = Make();
  size_t mark = Mark();
  Key(0xF8, 0);
  auto sent = Since(mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], Bytes{0xF8});
  EXPECT_FALSE(e.KeyboardRedrawPending());

  mark = Mark();
  Key(0xA0, 60, 20);
  Key(0xC3, 5);
  Key(0xD0, 70);
  Key(0xE0, 0, 64);
  Key(0xFE, 0);  // active sensing and other system messages stay here
  Key(0xF2, 1, 2);
  sent = Since(mark);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0], (Bytes{0xA0, 60, 20}));
  EXPECT_EQ(sent[1], (Bytes{0xC3, 5}));
  EXPECT_EQ(sent[3], (Bytes{0xE0, 0, 64}));
}

TEST_F(IncomingMidiTest, MessagesWithAStatusByteInADataPlaceAreDropped) {
  VQEditor& e = Make();
  e.Learn().CC()[11] = 7;
  const uint8_t broken[][3] = {{0x8D, 0xF8, 0xFF}, {0x90, 60, 0x80}, {0x90, 0x90, 64},
                               {0xB0, 7, 0xF0},    {0xB0, 0x87, 10}, {0xC0, 0x85, 0},
                               {0xE0, 0, 0xC0}};
  const size_t mark = Mark();
  const double volume = Value(14);
  for (const auto& m : broken) Key(m[0], m[1], m[2]);
  EXPECT_TRUE(Since(mark).empty());
  EXPECT_EQ(e.ActiveNotes(), 0);
  EXPECT_EQ(Value(14), volume) << "no learned controller moved";
  Key(0xC0, 5, 0x80);  // a program change carries one data byte: the second is no part of it
  EXPECT_EQ(Since(mark).size(), 1u);
}

TEST_F(IncomingMidiTest, OnScreenKeyboardIsMarkedOnTheMainThread) {
  VQEditor& e = Make();
  IControl& keyboard = *Page().Keyboard();
  keyboard.SetClean();
  keyboard.SetClean();
  Key(0x90, 60, 64);
  EXPECT_FALSE(keyboard.IsDirty());
  e.RunDeferredMidiWork();
  EXPECT_TRUE(keyboard.IsDirty());
}

// --- Learned controllers ---

TEST_F(IncomingMidiTest, UnassignedControllerPassesAssignedOneMovesItsParameters) {
  VQEditor& e = Make();
  size_t mark = Mark();
  Key(0xB0, 20, 99);
  auto sent = Since(mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (Bytes{0xB0, 20, 99}));

  // One controller on two entries: VCO1 volume (field 11) and VCO2 volume (field 23).
  e.Learn().CC()[11] = 20;
  e.Learn().CC()[23] = 20;
  mark = Mark();
  Key(0xB0, 20, 127);
  EXPECT_EQ(Value(14), 127);
  EXPECT_EQ(Value(26), 127);
  for (const auto& m : Since(mark)) EXPECT_FALSE(m == (Bytes{0xB0, 20, 127}));
  EXPECT_EQ(CcsSince(mark).back(), (NrpnControl{0x06, 127}));
  EXPECT_TRUE(e.ParamRedrawPending());
}

TEST_F(IncomingMidiTest, ControllerScalesOverTheLearnedRange) {
  VQEditor& e = Make();
  e.Learn().CC()[1] = 7;  // "VCO1 fine", -63..63
  e.Learn().Max()[1] = 63;
  const std::pair<int, int> points[] = {{0, -63}, {127, 63}, {64, 0}, {1, -63}, {2, -62}};
  for (auto [cc, expected] : points) {
    Key(0xB0, 7, static_cast<uint8_t>(cc));
    EXPECT_EQ(Value(4), expected) << cc;
  }
  e.Learn().Max()[1] = 0;  // learned with the knob in the middle: the controller spans -63..0
  Key(0xB0, 7, 127);
  EXPECT_EQ(Value(4), 0);
}

TEST_F(IncomingMidiTest, LearnControllerFirstThenTarget) {
  VQEditor& e = Make();
  Set(297, 1);
  EXPECT_TRUE(e.Learn().LearnMode());
  size_t mark = Mark();
  Key(0xB0, 21, 5);
  EXPECT_EQ(e.Learn().LastCC(), 21);
  EXPECT_TRUE(e.Learn().LearnMode());
  EXPECT_TRUE(Since(mark).empty());  // a controller being learned is not sent on
  for (int32_t cc : e.Learn().CC()) ASSERT_EQ(cc, -1);

  // Touching the knob without changing its value completes the assignment.
  Set(14, Value(14));
  EXPECT_EQ(e.Learn().CC()[11], 21);
  EXPECT_EQ(e.Learn().Max()[11], Value(14));
  EXPECT_FALSE(e.Learn().LearnMode());
  EXPECT_EQ(Value(297), 0);
}

TEST_F(IncomingMidiTest, LearnTargetFirstThenController) {
  VQEditor& e = Make();
  Set(297, 1);
  Set(15, 100);  // "VCO2 coarse"... field 12, learn maximum 48 after the limit
  EXPECT_EQ(e.Learn().Target(), 12);
  EXPECT_TRUE(e.Learn().LearnMode());
  Key(0xB0, 30, 1);
  EXPECT_EQ(e.Learn().CC()[12], 30);
  EXPECT_EQ(e.Learn().Max()[12], 48);
  EXPECT_FALSE(e.Learn().LearnMode());
  EXPECT_EQ(Value(297), 0);

  // A new learn waits for a new target.
  Set(297, 1);
  Key(0xB0, 31, 1);
  EXPECT_EQ(e.Learn().CC()[12], 30);
  EXPECT_EQ(e.Learn().LastCC(), 31);
  EXPECT_TRUE(e.Learn().LearnMode());
}

TEST_F(IncomingMidiTest, ProgramAppliedWhileLearnIsArmedTakesNoAssignment) {
  VQEditor& e = Make();
  const std::vector<int32_t> maxima(e.Learn().Max().data(), e.Learn().Max().data() + 122);
  Set(297, 1);
  Key(0xB0, 22, 1);
  e.InitProgram();
  EXPECT_TRUE(e.Learn().LearnMode());
  for (int32_t cc : e.Learn().CC()) ASSERT_EQ(cc, -1);
  EXPECT_EQ(std::vector<int32_t>(e.Learn().Max().data(), e.Learn().Max().data() + 122), maxima);
  Set(17, 3);  // the knob the user touches
  EXPECT_EQ(e.Learn().CC()[14], 22);
}

TEST_F(IncomingMidiTest, UnlearnRemovesTheTouchedAssignment) {
  VQEditor& e = Make();
  e.Learn().CC()[11] = 9;
  Set(298, 1);
  EXPECT_TRUE(e.Learn().UnlearnMode());
  Set(14, 5);
  EXPECT_EQ(e.Learn().CC()[11], -1);
  EXPECT_FALSE(e.Learn().UnlearnMode());
  EXPECT_EQ(Value(298), 0);
  // Fields beyond the learn table never take part.
  Set(298, 1);
  Set(140, 5);
  EXPECT_TRUE(e.Learn().UnlearnMode());
}

// --- "midilearn.ini" ---

TEST(MidiLearnFile, FormatsAssignedEntriesOnly) {
  int32_t cc[122], max[122];
  for (int i = 0; i < 122; ++i) cc[i] = -1, max[i] = 127;
  cc[0] = 1, max[0] = 48;
  cc[121] = 127, max[121] = 5;
  cc[7] = 0, max[7] = -3;
  EXPECT_EQ(FormatMidiLearnFile(cc, max, 122), "0=1:48\n7=0:-3\n121=127:5\n");
}

TEST(MidiLearnFile, ParsesWellFormedLinesAndSkipsTheRest) {
  int32_t cc[122], max[122];
  for (int i = 0; i < 122; ++i) cc[i] = -1, max[i] = 127;
  const std::string text =
      "3=20:64\n"
      "122=5:5\n"  // entry outside the table
      "-1=5:5\n"
      "4=128:5\n"  // controller outside MIDI
      "5=7\n"      // no maximum
      "garbage\n"
      "6=9:1:2\n"  // the maximum follows the last ':'
      "99999999999=1:1\n"
      "7=-1:10";  // no final newline; -1 unassigns
  EXPECT_EQ(ParseMidiLearnFile(text, cc, max, 122), 3);
  EXPECT_EQ(cc[3], 20);
  EXPECT_EQ(max[3], 64);
  EXPECT_EQ(cc[6], 9);
  EXPECT_EQ(max[6], 2);
  EXPECT_EQ(cc[7], -1);
  EXPECT_EQ(max[7], 10);
  EXPECT_EQ(cc[4], -1);
  EXPECT_EQ(cc[5], -1);
}

TEST_F(IncomingMidiTest, LearnFileRoundTripBesideTheSettings) {
  VQEditor& e = Make();
  EXPECT_EQ(e.MidiLearnFilePath(), dir + "/midilearn.ini");
  e.Learn().CC()[2] = 11;
  e.Learn().Max()[2] = 10;
  e.Learn().CC()[100] = 12;
  ASSERT_TRUE(e.WriteMidiLearnFile());
  std::ifstream in(dir + "/midilearn.ini");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "2=11:10\n100=12:" + std::to_string(e.Learn().Max()[100]) + "\n");
  // No temporary file is left beside it.
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().rfind(".vqtmp", 0), std::string::npos)
        << entry.path();

  for (int32_t& cc : e.Learn().CC()) cc = -1;
  ASSERT_TRUE(e.ReadMidiLearnFile());
  EXPECT_EQ(e.Learn().CC()[2], 11);
  EXPECT_EQ(e.Learn().Max()[2], 10);
  EXPECT_EQ(e.Learn().CC()[100], 12);

  // A maximum beyond its field's range is limited to it.
  std::ofstream(dir + "/midilearn.ini") << "0=5:500\n";
  ASSERT_TRUE(e.ReadMidiLearnFile());
  EXPECT_EQ(e.Learn().Max()[0], 48);
  EXPECT_FALSE(e.ReadMidiLearnFile(dir + "/missing.ini"));
  EXPECT_FALSE(e.WriteMidiLearnFile(dir + "/no/such/folder/midilearn.ini"));

  // The next start takes the controllers back.
  VQEditor& next = Make();
  EXPECT_EQ(next.Learn().CC()[0], 5);
  EXPECT_EQ(next.Learn().Max()[0], 48);
}

}  // namespace
}  // namespace vqtest
