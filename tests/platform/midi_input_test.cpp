// The MIDI input: the in-memory backend, and RtMidi's over a real JACK port fed by our own
// output (SysEx kept whole, timing kept, active sensing dropped).
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/midi_input.h"
#include "platform/midi_output.h"
#include "tests/support/midi_collector.h"
#include "tests/support/jack_available.h"

namespace vq::platform {
namespace {

using vqtest::Bytes;
using vqtest::SysEx;

TEST(MemoryMidiInput, DeliversWhileOpen) {
  MemoryMidiInput in;
  std::vector<Bytes> got;
  EXPECT_TRUE(in.Inject(Bytes{0x90, 60, 1}));  // no callback yet: taken and dropped
  in.SetCallback([&](const uint8_t* b, size_t n) { got.emplace_back(b, b + n); });
  EXPECT_TRUE(in.Inject(Bytes{0xF0, 1, 2, 0xF7}));
  EXPECT_FALSE(in.Inject(Bytes{}));
  in.ClosePort();
  EXPECT_FALSE(in.IsPortOpen());
  EXPECT_FALSE(in.Inject(Bytes{0x80, 60, 0}));
  EXPECT_FALSE(in.OpenPort(1, "x"));
  EXPECT_TRUE(in.OpenVirtualPort("x"));
  EXPECT_TRUE(in.Inject(Bytes{0xF8}));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], (Bytes{0xF0, 1, 2, 0xF7}));
  EXPECT_EQ(got[1], Bytes{0xF8});
  in.SetCallback(nullptr);
  EXPECT_TRUE(in.Inject(Bytes{0xF8}));
  EXPECT_EQ(got.size(), 2u);
}

// Our output and input clients on the JACK server of the test command.
class MidiInputOverJack : public ::testing::Test {
 protected:
  void SetUp() override {
    VQ_SKIP_WITHOUT_JACK();
    std::string error;
    out = RtMidiOutput::Create(base + "-out", &error);
    ASSERT_TRUE(out) << error;
    in = RtMidiInput::Create(base + "-in", 100, &error);
    ASSERT_TRUE(in) << error;
  }
  // Opens the input's port, then our output's numbered port to it (found among its ports).
  void Connect() {
    ASSERT_TRUE(in->OpenVirtualPort("in"));
    unsigned target = out->PortCount();
    for (unsigned p = 0; p < out->PortCount(); ++p)
      if (out->PortName(p).find(base + "-in") != std::string::npos) target = p;
    ASSERT_LT(target, out->PortCount());
    ASSERT_TRUE(out->OpenPort(target, "out"));
  }
  const std::string base = "vqin" + std::to_string(getpid());
  // Before the ports, so that a test that ends early has no callback left running on them.
  vqtest::Collector collector;
  std::mutex plug;
  std::unique_ptr<RtMidiOutput> out;
  std::unique_ptr<RtMidiInput> in;
};

TEST_F(MidiInputOverJack, KeepsSysExAndTimingDropsActiveSensing) {
  EXPECT_EQ(in->ApiName(), "jack");
  in->SetCallback([&](const uint8_t* b, size_t n) { collector.Add(b, n); });
  ASSERT_NO_FATAL_FAILURE(Connect());

  const Bytes dump = SysEx(213, 1);
  const Bytes big = SysEx(20000, 2);  // more than one JACK send: sliced by the output, whole here
  ASSERT_TRUE(collector.ProbeUntilLive(*out)) << "nothing arrived within 5 s";
  ASSERT_TRUE(out->Send(Bytes{0xFE}));
  ASSERT_TRUE(out->Send(Bytes{0x90, 60, 100}));
  ASSERT_TRUE(out->Send(dump));
  ASSERT_TRUE(out->Send(big));
  ASSERT_TRUE(out->Send(Bytes{0x80, 60, 0}));
  ASSERT_TRUE(collector.WaitFor(4, 5000));
  auto got = collector.Messages();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], (Bytes{0x90, 60, 100}));
  EXPECT_EQ(got[1], dump);
  EXPECT_EQ(got[2], big);
  EXPECT_EQ(got[3], (Bytes{0x80, 60, 0}));
  in->SetCallback(nullptr);
}

// The editor's handlers take the plug mutex, which the main thread holds across file writes:
// with it held, messages must still leave JACK's thread at once (it is the audio server's
// realtime thread) and reach the handler, in order, once the mutex is free.
TEST_F(MidiInputOverJack, BackendThreadKeepsUpWhileTheHandlersLockIsHeld) {
  in->SetCallback([&](const uint8_t* b, size_t n) {
    std::lock_guard<std::mutex> lock(plug);
    collector.Add(b, n);
  });
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(collector.ProbeUntilLive(*out)) << "nothing arrived within 5 s";

  constexpr int kDumps = 100;
  std::vector<Bytes> sent;
  uint64_t received = 0;
  {
    std::unique_lock<std::mutex> held(plug);
    const uint64_t start = in->ReceivedMessages();
    for (int i = 0; i < kDumps; ++i) {
      sent.push_back(SysEx(221, i));
      ASSERT_TRUE(out->Send(sent.back()));
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (in->ReceivedMessages() - start < kDumps && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    received = in->ReceivedMessages() - start;
    EXPECT_TRUE(collector.Messages().empty());  // the handler waits for the mutex
  }
  EXPECT_GE(received, static_cast<uint64_t>(kDumps))
      << "JACK's thread waited for the handler's lock";
  EXPECT_EQ(in->DroppedMessages(), 0u);
  collector.WaitFor(sent.size(), 5000);
  EXPECT_EQ(collector.Messages(), sent);
  in->SetCallback(nullptr);
}

}  // namespace
}  // namespace vq::platform
