#include "library/credential_cache.h"

// The low-level cipher calls are marked deprecated in OpenSSL 3; the file format needs them.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "library/shared_library.h"
#include "platform/file_system.h"

namespace fs = vq::platform;

const char kCredentialKey[129] =
    "PtY^gj*mU:h%Bel31iEl,2h.pC@@:h/:YgCf-rL1s+p/N-}xn:/[yVm,i.h?A#}*2O7:6UMFxFk/"
    "M)#R5K=jp&1vRt!1f{j-/"
    "OR~S<#:6ilI8{ihN]/}5KX{Sc7Tv>o#";

struct BlowfishContext::Schedule {
  BF_KEY key;
};

namespace {

// The cipher comes from the crypto library, loaded on first use: start-up needs none of it.
struct BlowfishApi {
  decltype(&BF_set_key) setKey;
  decltype(&BF_encrypt) encrypt;
  decltype(&BF_decrypt) decrypt;
};

// Null when the library cannot be loaded (it is said once on standard error).
const BlowfishApi* Blowfish() {
  static const BlowfishApi* api = []() -> const BlowfishApi* {
    SharedLibrary lib("libcrypto.so.3");
    static BlowfishApi a;
    lib.Get(a.setKey, "BF_set_key");
    lib.Get(a.encrypt, "BF_encrypt");
    lib.Get(a.decrypt, "BF_decrypt");
    if (!lib.Complete("the crypto library")) return nullptr;
    return &a;
  }();
  return api;
}

}  // namespace

BlowfishContext::BlowfishContext() : schedule(new Schedule{}) {}
BlowfishContext::~BlowfishContext() {
  delete schedule;
}

void Blowfish_Init(BlowfishContext* context, const uint8_t* key, size_t length) {
  // The schedule cycles the key over the 18 P words, so bytes past 72 never count.
  if (const BlowfishApi* bf = Blowfish())
    bf->setKey(&context->schedule->key, static_cast<int>(length), key);
}

void Blowfish_Encrypt(const BlowfishContext* context, uint32_t* left, uint32_t* right) {
  BF_LONG data[2] = {*left, *right};
  if (const BlowfishApi* bf = Blowfish()) bf->encrypt(data, &context->schedule->key);
  *left = static_cast<uint32_t>(data[0]);
  *right = static_cast<uint32_t>(data[1]);
}

void Blowfish_Decrypt(const BlowfishContext* context, uint32_t* left, uint32_t* right) {
  BF_LONG data[2] = {*left, *right};
  if (const BlowfishApi* bf = Blowfish()) bf->decrypt(data, &context->schedule->key);
  *left = static_cast<uint32_t>(data[0]);
  *right = static_cast<uint32_t>(data[1]);
}

namespace {

uint32_t LoadLe(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void StoreLe(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

const BlowfishContext* Cipher() {
  static const BlowfishContext* context = [] {
    auto* c = new BlowfishContext;  // kept for the life of the process
    Blowfish_Init(c, reinterpret_cast<const uint8_t*>(kCredentialKey), 128);
    return c;
  }();
  return context;
}

template <bool kEncrypt>
void RunBlocks(uint8_t* bytes, size_t length) {
  for (size_t at = 0; at + 8 <= length; at += 8) {
    uint32_t l = LoadLe(bytes + at), r = LoadLe(bytes + at + 4);
    if (kEncrypt)
      Blowfish_Encrypt(Cipher(), &l, &r);
    else
      Blowfish_Decrypt(Cipher(), &l, &r);
    StoreLe(bytes + at, l);
    StoreLe(bytes + at + 4, r);
  }
}

}  // namespace

bool CanRememberPassword(std::string_view password) {
  // Without the cipher nothing is remembered (nor read back below).
  return Blowfish() && password.size() < kCredentialFileBytes &&
         password.find('\0') == std::string_view::npos &&
         password.find('\n') == std::string_view::npos;
}

std::array<uint8_t, kCredentialFileBytes> EncipherPassword(std::string_view password) {
  uint8_t buffer[kCredentialBufferBytes];
  for (size_t i = 0; i < sizeof buffer; ++i) buffer[i] = i % 4 == 0 ? 0x0A : 0x00;
  std::memcpy(buffer, password.data(),
              password.size() < kCredentialBufferBytes ? password.size() : kCredentialBufferBytes);
  RunBlocks<true>(buffer, 128);
  std::array<uint8_t, kCredentialFileBytes> out;
  std::memcpy(out.data(), buffer, out.size());
  explicit_bzero(buffer, sizeof buffer);
  return out;
}

std::optional<std::string> DecipherPassword(const uint8_t* bytes, size_t length) {
  if (!bytes || length == 0 || length > kCredentialBufferBytes || length % 8 != 0 || !Blowfish())
    return std::nullopt;
  uint8_t buffer[kCredentialBufferBytes];
  std::memcpy(buffer, bytes, length);
  RunBlocks<false>(buffer, length);
  size_t n = 0;
  while (n < length && buffer[n] != 0) ++n;
  // The pattern's line feed at a word boundary, followed by its zeros.
  if (n % 4 == 1 && buffer[n - 1] == '\n') --n;
  std::string text(reinterpret_cast<const char*>(buffer), n);
  explicit_bzero(buffer, sizeof buffer);
  return text;
}

bool WriteCredentialFile(const std::string& path, std::string_view password) {
  if (!CanRememberPassword(password)) return false;
  const std::string folder = fs::FolderOfPath(path);
  if (folder.empty()) return false;
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if ((st.st_mode & 0077) != 0 && chmod(folder.c_str(), 0700) != 0) return false;

  const auto bytes = EncipherPassword(password);
  std::string temp = folder + ".user.dat.XXXXXX";
  int fd = mkstemp(temp.data());  // created 0600, never through a link
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0600) == 0;
  for (size_t done = 0; ok && done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  // rename replaces a link at the target, never what it points to.
  ok = ok && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

std::optional<std::string> ReadCredentialFile(const std::string& path) {
  // Exactly the 64 bytes a write leaves, from a regular file: a FIFO or device at the path must
  // not block the login panel.
  std::string bytes;
  if (!fs::ReadRegularFile(path, kCredentialFileBytes, bytes) ||
      bytes.size() != kCredentialFileBytes)
    return std::nullopt;
  std::optional<std::string> password =
      DecipherPassword(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  explicit_bzero(bytes.data(), bytes.size());
  return password;
}
