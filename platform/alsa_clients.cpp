#include "platform/alsa_clients.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <charconv>
#include <mutex>

namespace vq::platform::alsa {

namespace {

// The client every listing goes through, opened at the first and never closed: each open is
// announced to every other client, and a client closed after its listing would hand its number
// to the very next one opened, the library object's.
std::mutex gListerMutex;
snd_seq_t* gLister = nullptr;

}  // namespace

std::vector<SequencerClient> SequencerClients() {
  std::vector<SequencerClient> clients;
  std::lock_guard<std::mutex> lock(gListerMutex);
  if (!gLister && snd_seq_open(&gLister, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) {
    gLister = nullptr;
    return clients;
  }
  const int self = snd_seq_client_id(gLister);
  snd_seq_client_info_t* info = nullptr;
  snd_seq_client_info_alloca(&info);
  snd_seq_client_info_set_client(info, -1);
  while (snd_seq_query_next_client(gLister, info) >= 0) {
    const int client = snd_seq_client_info_get_client(info);
    if (client == self) continue;
    const char* name = snd_seq_client_info_get_name(info);
    clients.push_back({client, snd_seq_client_info_get_pid(info), name ? name : ""});
  }
  return clients;
}

std::vector<int> OpenedClients(const std::vector<SequencerClient>& before,
                               const std::vector<SequencerClient>& after, int tid,
                               std::string_view name) {
  std::vector<int> opened;
  for (const SequencerClient& c : after) {
    // A closed client's number goes to the next client opened: the same number alone may be
    // another client.
    const bool old = std::any_of(before.begin(), before.end(), [&c](const SequencerClient& b) {
      return b.client == c.client && b.pid == c.pid && b.name == c.name;
    });
    if (!old && (c.pid > 0 ? c.pid == tid : c.name == name)) opened.push_back(c.client);
  }
  return opened;
}

bool PortOfClients(std::string_view portName, const std::vector<int>& clients) {
  const size_t blank = portName.rfind(' ');
  if (blank == std::string_view::npos) return false;
  const std::string_view numbers = portName.substr(blank + 1);
  const char* end = numbers.data() + numbers.size();
  int client = -1, port = -1;
  auto [colon, clientError] = std::from_chars(numbers.data(), end, client);
  if (clientError != std::errc() || colon == end || *colon != ':') return false;
  auto [last, portError] = std::from_chars(colon + 1, end, port);
  if (portError != std::errc() || last != end) return false;
  return std::find(clients.begin(), clients.end(), client) != clients.end();
}

}  // namespace vq::platform::alsa
