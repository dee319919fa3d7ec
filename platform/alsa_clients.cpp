#include "platform/alsa_clients.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <charconv>

namespace vq::platform::alsa {

std::vector<SequencerClient> SequencerClients() {
  std::vector<SequencerClient> clients;
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return clients;
  snd_seq_client_info_t* info = nullptr;
  snd_seq_client_info_alloca(&info);
  snd_seq_client_info_set_client(info, -1);
  while (snd_seq_query_next_client(seq, info) >= 0) {
    const char* name = snd_seq_client_info_get_name(info);
    clients.push_back({snd_seq_client_info_get_client(info), snd_seq_client_info_get_pid(info),
                       name ? name : ""});
  }
  snd_seq_close(seq);
  return clients;
}

std::vector<int> OpenedClients(const std::vector<SequencerClient>& before,
                               const std::vector<SequencerClient>& after, int tid,
                               std::string_view name) {
  std::vector<int> opened;
  for (const SequencerClient& c : after) {
    const bool old = std::any_of(before.begin(), before.end(),
                                 [&c](const SequencerClient& b) { return b.client == c.client; });
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
