// libFuzzer target: incoming MIDI during transfers. One transfer (single request, bank upload,
// bank download or firmware update) is started, then the input drives what the synthesizer
// "sends" (raw SysEx, well-formed replies, program dumps with a good or spoiled checksum,
// keyboard messages) interleaved with the editor's idle calls and status polls. Whatever
// arrives, once the device falls silent every transfer must end within its time-out: a transfer
// still running after the longest wait is a hang and stops the fuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/vq_editor.h"
#include "library/bank_transfer.h"
#include "library/program_library.h"
#include "library/program_text_format.h"
#include "platform/midi_output.h"
#include "protocol/device_messages.h"
#include "protocol/program_field_table.h"
#include "protocol/vq_sysex.h"

namespace {

// The longest any wait of the editor may stay unanswered, in polls, with a margin.
constexpr int kHangPolls = 16;

struct Scratch {
  std::string folder;  // ends in "/"
  Scratch() {
    char tmpl[] = "/tmp/vq_transfer_fuzz_XXXXXX";
    if (!mkdtemp(tmpl)) abort();
    folder = std::string(tmpl) + "/";
    const std::string program = FormatProgramText(ProgramFieldTable::InitRecord());
    for (const char* name : {"01_A.pr4", "02_B.pr4", "04_C.pr4"}) Write(folder + name, program);
    std::string firmware = "VQ4FW";
    const uint32_t sizes[5] = {250, 0, 7, 500, 1};
    for (uint32_t size : sizes)
      for (int i = 0; i < 4; ++i) firmware.push_back(static_cast<char>(size >> (8 * i)));
    for (uint32_t size : sizes) firmware.append(size, '\x5A');
    Write(folder + "fw.bin", firmware);
  }
  ~Scratch() { std::filesystem::remove_all(folder); }
  static void Write(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
};

bool Running(const VQEditor& e) {
  return e.requestOutstanding || e.requestPending || e.bankDownloadRunning || e.bankUploadRunning ||
         e.singleWritePending || e.firmwareRunning || e.downloadSavePending ||
         e.bankUploadAckPending || e.writeAckPending || e.dumpReceived;
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
  bool Empty() const { return mAt >= mSize; }
  uint8_t Byte() { return mAt < mSize ? mData[mAt++] : 0; }
  std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> out;
    while (n-- > 0 && mAt < mSize) out.push_back(mData[mAt++]);
    return out;
  }

 private:
  const uint8_t* mData;
  size_t mSize;
  size_t mAt = 0;
};

std::vector<uint8_t> Header(uint8_t target, uint8_t command) {
  return {vq_sysex::kStart,
          vq_sysex::kManufacturerId[0],
          vq_sysex::kManufacturerId[1],
          vq_sysex::kManufacturerId[2],
          target,
          command};
}

void Deliver(VQEditor& e, const std::vector<uint8_t>& m) {
  if (m.empty()) return;
  ISysExMessage msg(0, m.data(), static_cast<int32_t>(m.size()));
  e.ProcessSysEx(&msg);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch scratch;
  Input in(data, size);
  vq::platform::MemoryMidiOutput out;
  uint16_t channel = 0;
  VQEditorSetup setup;
  setup.settingsPath = scratch.folder + "settings.ini";
  setup.programFiles = MakeProgramLibrary();
  std::unique_ptr<VQEditor> editor(MakePlug(&out, &channel, std::move(setup)));
  VQEditor& e = *editor;
  // The fuzzer is the clock: no timer thread polls behind its back.
  if (e.timer) {
    e.timer->Stop();
    e.timer->Join();
  }
  InstallProgramTransfers(e);
  e.currentProgramFolder = scratch.folder;
  e.saveFolder = scratch.folder;

  switch (in.Byte() % 4) {
    case 0:
      e.requestSlot = 1 + in.Byte() % 99;
      e.requestPending = true;
      break;
    case 1:
      e.StartBankUpload((scratch.folder + "x").c_str());
      break;
    case 2:
      e.bankDownloadRunning = true;
      e.requestSlot = 1 + in.Byte() % 99;
      e.requestPending = true;
      break;
    default:
      e.ReadFirmwareFile((scratch.folder + "fw.bin").c_str());
      break;
  }

  static const uint8_t kCommands[] = {0x11, 0x12, 0x14, 0x15, 0x21, 0x22, 0x41, 0x40};
  while (!in.Empty()) {
    switch (in.Byte() % 6) {
      case 0: {  // raw bytes from the device
        std::vector<uint8_t> m = in.Bytes(in.Byte());
        Deliver(e, m);
        break;
      }
      case 1: {  // a well-formed reply of some target
        std::vector<uint8_t> m =
            Header(static_cast<uint8_t>(5 + in.Byte() % 7), kCommands[in.Byte() % 8]);
        m.push_back(vq_sysex::kEnd);
        Deliver(e, m);
        break;
      }
      case 2: {  // a program-sized message, its checksum right unless the input spoils it
        const uint8_t command = in.Byte() & 1 ? 0x41 : kCommands[in.Byte() % 8];
        std::vector<uint8_t> m = Header(vq_sysex::kTargetEngine, command);
        m.push_back(0x03);
        m.push_back(in.Byte() & 0x7F);  // slot
        std::vector<uint8_t> body = in.Bytes(202);
        for (uint8_t b : body) m.push_back(b & 0x7F);
        while (m.size() < 210) m.push_back(0);
        uint8_t high = 0, low = 0;
        SysExChecksum(m.data() + 8, 202, &high, &low);
        const uint8_t spoil = in.Byte();
        m.push_back(high ^ (spoil & 0x40 ? spoil & 0x3F : 0));
        m.push_back(low);
        m.push_back(vq_sysex::kEnd);
        Deliver(e, m);
        break;
      }
      case 3: {  // the keyboard input
        IMidiMessage msg(0, in.Byte(), in.Byte(), in.Byte());
        e.OnMidiMsgReceived(&msg);
        break;
      }
      case 4:
        e.OnTick();
        break;
      default:
        e.StatusPoll();
        break;
    }
  }

  // The device falls silent: every transfer ends within its time-out.
  for (int poll = 0; poll < kHangPolls && Running(e); ++poll) {
    e.OnTick();
    e.StatusPoll();
  }
  if (Running(e)) {
    fprintf(stderr, "transfer still running after %d silent polls\n", kHangPolls);
    __builtin_trap();
  }
  return 0;
}
