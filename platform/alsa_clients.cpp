#include "platform/alsa_clients.h"

#include <alsa/asoundlib.h>

#include <charconv>

namespace vq::platform::alsa {

std::vector<SequencerClient> SequencerClients() {
  std::vector<SequencerClient> clients;
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return clients;
  snd_seq_client_info_t* info = nullptr;
  snd_seq_client_info_alloca(&info);
  snd_seq_client_info_set_client(info, -1);
  while (snd_seq_query_next_client(seq, info) >= 0)
    clients.push_back({snd_seq_client_info_get_client(info), snd_seq_client_info_get_pid(info)});
  snd_seq_close(seq);
  return clients;
}

bool PortOfProcess(std::string_view portName, const std::vector<SequencerClient>& clients,
                   int pid) {
  const size_t blank = portName.rfind(' ');
  if (blank == std::string_view::npos) return false;
  const std::string_view numbers = portName.substr(blank + 1);
  const char* end = numbers.data() + numbers.size();
  int client = -1, port = -1;
  auto [colon, clientError] = std::from_chars(numbers.data(), end, client);
  if (clientError != std::errc() || colon == end || *colon != ':') return false;
  auto [last, portError] = std::from_chars(colon + 1, end, port);
  if (portError != std::errc() || last != end) return false;
  for (const SequencerClient& c : clients)
    if (c.client == client) return c.pid == pid && pid > 0;
  return false;
}

}  // namespace vq::platform::alsa
