// The database stand-in (db_test_server.py) over HTTPS on 127.0.0.1, with a certificate made
// for the run, shared by every test of the process. A second, unrelated certificate serves as
// the untrusted one.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "library/db_client.h"

namespace vqtest {

class DbTestServer {
 public:
  static DbTestServer& Get() {
    static DbTestServer server;
    return server;
  }
  bool Ready() const { return port > 0; }
  std::string Base() const { return "https://127.0.0.1:" + std::to_string(port); }
  DbClientOptions Options() const {
    DbClientOptions o;
    o.baseUrl = Base();
    o.caFile = folder + "/cert.pem";
    o.connectTimeoutMs = 3000;
    o.totalTimeoutMs = 5000;
    return o;
  }
  std::string UntrustedCa() const { return folder + "/other.pem"; }

  ~DbTestServer() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    std::filesystem::remove_all(folder);
  }

 private:
  DbTestServer() {
    char tmpl[] = "/tmp/vq_dbserver_XXXXXX";
    if (!mkdtemp(tmpl)) return;
    folder = tmpl;
    auto makeCert = [this](const std::string& name) {
      std::string cmd =
          "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
          "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
          folder + "/" + name + "-key.pem -out " + folder + "/" + name + ".pem >/dev/null 2>&1";
      return std::system(cmd.c_str()) == 0;
    };
    if (!makeCert("cert") || !makeCert("other")) return;
    std::filesystem::rename(folder + "/cert-key.pem", folder + "/key.pem");
    const char* source = std::getenv("VQ_SOURCE_DIR");
    const std::string script =
        std::string(source ? source : ".") + "/tests/library/db_test_server.py";
    pid = fork();
    if (pid == 0) {
      execl("/usr/bin/python3", "python3", script.c_str(), folder.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200 && pid > 0; ++i) {
      std::ifstream in(folder + "/port");
      if (in >> port) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  std::string folder;
  pid_t pid = -1;
  int port = 0;
};

}  // namespace vqtest
