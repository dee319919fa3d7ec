// Random traffic from our output into our input over private JACK servers at three periods:
// short messages, NRPN bursts and SysEx up to 64 KB. Every message arrives whole and in order;
// a bare receiver on the same output sees exactly the bytes sent, so the output is checked
// apart from the input. VQ_STRESS_MESSAGES sets the count (10000 when unset).
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>

#include "platform/midi_input.h"
#include "platform/midi_output.h"
#include "tests/support/jack_available.h"
#include "tests/support/jack_server.h"

namespace vq::platform {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

std::vector<Bytes> RandomTraffic(size_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  auto data = [&] { return static_cast<uint8_t>(rng() & 0x7F); };
  std::vector<Bytes> out;
  while (out.size() < count) {
    const unsigned kind = rng() % 100;
    if (kind < 60) {
      static constexpr uint8_t kStatus[] = {0x80, 0x90, 0xA0, 0xB0, 0xE0};
      out.push_back({static_cast<uint8_t>(kStatus[rng() % 5] | (rng() & 15)), data(), data()});
    } else if (kind < 62) {
      static constexpr uint8_t kNrpn[] = {99, 98, 6, 38};
      for (int i = 0; i < 342; ++i) out.push_back({0xB0, kNrpn[i % 4], data()});
    } else {
      // Sizes spread evenly over the powers of two from 3 bytes to 64 KB.
      const double exponent = std::uniform_real_distribution<double>(std::log2(3.0), 16.0)(rng);
      Bytes sysex(static_cast<size_t>(std::exp2(exponent)));
      for (auto& b : sysex) b = data();
      sysex.front() = 0xF0;
      sysex.back() = 0xF7;
      out.push_back(std::move(sysex));
    }
  }
  out.resize(count);
  return out;
}

// Records the bytes of every event on its port, in order, into room reserved beforehand.
class RawReceiver {
 public:
  explicit RawReceiver(size_t capacity) : mBytes(capacity) {}
  ~RawReceiver() {
    if (mClient) jack_client_close(mClient);
  }
  bool Open(const std::string& source) {
    mClient =
        jack_client_open(("vqraw" + std::to_string(getpid())).c_str(), JackNoStartServer, nullptr);
    if (!mClient) return false;
    mPort = jack_port_register(mClient, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    return mPort && jack_set_process_callback(mClient, &RawReceiver::Process, this) == 0 &&
           jack_activate(mClient) == 0 &&
           jack_connect(mClient, source.c_str(), jack_port_name(mPort)) == 0;
  }
  void Clear() { mSkip.store(mSize.load()); }
  Bytes Recorded() const {
    return Bytes(mBytes.begin() + static_cast<std::ptrdiff_t>(mSkip.load()),
                 mBytes.begin() + static_cast<std::ptrdiff_t>(mSize.load()));
  }

 private:
  static int Process(jack_nframes_t frames, void* user) {
    auto* self = static_cast<RawReceiver*>(user);
    void* buffer = jack_port_get_buffer(self->mPort, frames);
    size_t size = self->mSize.load(std::memory_order_relaxed);
    for (uint32_t i = 0, n = jack_midi_get_event_count(buffer); i < n; ++i) {
      jack_midi_event_t e;
      if (jack_midi_event_get(&e, buffer, i) != 0 || size + e.size > self->mBytes.size()) continue;
      std::copy(e.buffer, e.buffer + e.size,
                self->mBytes.begin() + static_cast<std::ptrdiff_t>(size));
      size += e.size;
    }
    self->mSize.store(size, std::memory_order_release);
    return 0;
  }
  jack_client_t* mClient = nullptr;
  jack_port_t* mPort = nullptr;
  Bytes mBytes;
  std::atomic<size_t> mSize{0}, mSkip{0};
};

class MidiStressOverJack : public ::testing::TestWithParam<unsigned> {};

TEST_P(MidiStressOverJack, EveryMessageArrivesWholeAndInOrder) {
  VQ_SKIP_WITHOUT_JACK();
  const char* countText = std::getenv("VQ_STRESS_MESSAGES");
  const size_t count = countText ? std::strtoul(countText, nullptr, 10) : 10000;
  const std::vector<Bytes> sent = RandomTraffic(count, GetParam());
  size_t total = 0;
  for (const auto& m : sent) total += m.size();

  // Before the ports, so that a test that ends early has no callback left running on them.
  std::mutex mutex;
  std::vector<Bytes> got;
  size_t gotBytes = 0;
  vqtest::JackServer server;
  ASSERT_TRUE(server.Start(GetParam())) << server.Error();
  ASSERT_EQ(server.Period(), GetParam());
  // Names of this process alone: JACK's client sockets are shared by every server of the user.
  const std::string base = "vqstress" + std::to_string(getpid());
  std::string error;
  auto out = RtMidiOutput::Create(base + "-out", &error);
  ASSERT_TRUE(out) << error;
  ASSERT_TRUE(out->OpenVirtualPort("out")) << out->LastError();
  auto in = RtMidiInput::Create(base + "-in", 100, &error);
  ASSERT_TRUE(in) << error;
  in->SetCallback([&](const uint8_t* b, size_t n) {
    std::lock_guard<std::mutex> lock(mutex);
    if (n == 1 && b[0] == 0xF8) return;  // the probes below
    got.emplace_back(b, b + n);
    gotBytes += n;
  });
  ASSERT_TRUE(in->OpenPort(0, "in")) << in->LastError();
  ASSERT_EQ(in->PortName(0), base + "-out:out");
  RawReceiver raw(total + 4096);
  ASSERT_TRUE(raw.Open(base + "-out:out"));
  // Both connections are live once a probe has gone through them.
  const uint64_t before = in->ReceivedMessages();
  for (int i = 0; i < 500 && in->ReceivedMessages() == before; ++i) {
    ASSERT_TRUE(out->Send(Bytes{0xF8}));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  raw.Clear();

  const auto start = Clock::now();
  for (size_t i = 0; i < sent.size(); ++i)
    ASSERT_TRUE(out->Send(sent[i])) << "message " << i << ": " << out->LastError();
  size_t seen = 0;
  for (auto last = Clock::now(); Clock::now() - last < std::chrono::seconds(5);) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard<std::mutex> lock(mutex);
    if (gotBytes == total) break;
    if (gotBytes != seen) seen = gotBytes, last = Clock::now();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  in->SetCallback(nullptr);

  Bytes wire;
  for (const auto& m : sent) wire.insert(wire.end(), m.begin(), m.end());
  EXPECT_TRUE(raw.Recorded() == wire) << "the output put " << raw.Recorded().size() << " of "
                                      << wire.size() << " bytes on the port";
  EXPECT_EQ(in->DroppedMessages(), 0u);
  ASSERT_EQ(got.size(), sent.size()) << gotBytes << " of " << total << " bytes arrived";
  size_t firstWrong = 0;
  while (firstWrong < sent.size() && got[firstWrong] == sent[firstWrong]) ++firstWrong;
  EXPECT_EQ(firstWrong, sent.size()) << "message " << firstWrong << " differs";
  std::printf("period %u: %zu messages, %zu bytes in %.1f s\n", GetParam(), count, total, seconds);
}

INSTANTIATE_TEST_SUITE_P(Periods, MidiStressOverJack, ::testing::Values(32u, 256u, 1024u));

}  // namespace
}  // namespace vq::platform
