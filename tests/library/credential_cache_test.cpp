// The remembered password: the cipher against the published known answers, the file against
// one built with a second Blowfish implementation, and the file's bounds and mode.
#include <gtest/gtest.h>
#include <nettle/blowfish.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstring>
#include <future>
#include <filesystem>
#include <fstream>

#include "library/credential_cache.h"

namespace vqtest {
namespace {

uint32_t Be(const char* s) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8 | static_cast<uint8_t>(s[3]);
}

TEST(Blowfish, PublishedKnownAnswers) {
  const struct {
    std::string key;
    uint32_t left, right, cipherLeft, cipherRight;
  } cases[] = {
      {std::string(8, '\0'), 0, 0, 0x4EF99745, 0x6198DD78},
      {std::string(8, '\xff'), 0xFFFFFFFF, 0xFFFFFFFF, 0x51866FD5, 0xB85ECB8A},
      {"abcdefghijklmnopqrstuvwxyz", Be("BLOW"), Be("FISH"), 0x324ED0FE, 0xF413A203},
  };
  for (const auto& c : cases) {
    BlowfishContext context;
    Blowfish_Init(&context, reinterpret_cast<const uint8_t*>(c.key.data()), c.key.size());
    uint32_t l = c.left, r = c.right;
    Blowfish_Encrypt(&context, &l, &r);
    EXPECT_EQ(l, c.cipherLeft);
    EXPECT_EQ(r, c.cipherRight);
    Blowfish_Decrypt(&context, &l, &r);
    EXPECT_EQ(l, c.left);
    EXPECT_EQ(r, c.right);
  }
}

// The 64 file bytes as a second implementation builds them: the pattern, the password over it,
// sixteen blocks enciphered with their words read little-endian.
std::array<uint8_t, 64> ReferenceFile(const std::string& password) {
  blowfish_ctx ctx;
  blowfish_set_key(&ctx, 128, reinterpret_cast<const uint8_t*>(kCredentialKey));
  uint8_t buffer[256];
  for (int i = 0; i < 256; ++i) buffer[i] = i % 4 == 0 ? 10 : 0;
  std::memcpy(buffer, password.data(), password.size());
  for (int at = 0; at < 128; at += 8) {
    uint8_t block[8];
    for (int k = 0; k < 8; ++k)
      block[k] = buffer[at + (k / 4) * 4 + 3 - k % 4];  // to big-endian words
    blowfish_encrypt(&ctx, 8, block, block);
    for (int k = 0; k < 8; ++k) buffer[at + (k / 4) * 4 + 3 - k % 4] = block[k];
  }
  std::array<uint8_t, 64> out;
  std::memcpy(out.data(), buffer, 64);
  return out;
}

class CredentialFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_cred_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    path = dir + "/user.dat";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string dir, path;
};

TEST_F(CredentialFileTest, EveryPasswordItCanHoldComesBackFromA0600File) {
  for (size_t n = 0; n < 64; ++n) {
    std::string password;
    for (size_t i = 0; i < n; ++i)
      password += static_cast<char>(' ' + (i * 7 + n) % 95);  // quotes, "\" and all
    ASSERT_TRUE(WriteCredentialFile(path, password)) << n;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto reference = ReferenceFile(password);
    EXPECT_EQ(bytes, std::string(reference.begin(), reference.end())) << n;
    EXPECT_EQ(ReadCredentialFile(path), password) << n;
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  struct stat st;
  ASSERT_EQ(stat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}),
            1);  // no temporary left behind
}

TEST_F(CredentialFileTest, PasswordsItCannotGiveBackAreRefused) {
  ASSERT_TRUE(WriteCredentialFile(path, "old"));
  for (const std::string& p :
       {std::string(64, 'x'), std::string(200, 'y'), std::string("a\nb"), std::string("a\0b", 3)}) {
    EXPECT_FALSE(CanRememberPassword(p));
    EXPECT_FALSE(WriteCredentialFile(path, p));
  }
  EXPECT_EQ(ReadCredentialFile(path), "old");
}

TEST_F(CredentialFileTest, MalformedFilesAreIgnored) {
  const auto good = EncipherPassword("pw");
  const struct {
    size_t length;
    bool readable;
  } cases[] = {{0, false}, {7, false},   {63, false}, {64, true},
               {8, false}, {256, false}, {65, false}, {264, false}};
  for (const auto& c : cases) {
    std::string bytes(c.length, '\0');
    for (size_t i = 0; i < c.length; ++i) bytes[i] = static_cast<char>(good[i % 64]);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_EQ(ReadCredentialFile(path).has_value(), c.readable) << c.length;
  }
  std::filesystem::remove(path);
  std::filesystem::create_symlink("/etc/hostname", path);
  EXPECT_FALSE(ReadCredentialFile(path).has_value());
  std::filesystem::remove(path);
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  auto read = std::async(std::launch::async, [this] { return ReadCredentialFile(path); });
  if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "reading a FIFO blocks";
    close(open(path.c_str(), O_WRONLY));  // lets the reader go
  }
  EXPECT_FALSE(read.get().has_value());
}

}  // namespace
}  // namespace vqtest
