// The remembered database password, "user.dat" in the settings folder: the password laid over
// a repeated 16-byte pattern, enciphered with Blowfish in 8-byte blocks (each block two 32-bit
// little-endian words) under one key built into the program, of which the first 64 bytes are
// kept. The key is the same everywhere, so this only keeps the password from being read at a
// glance; the file is the user's alone (0600 in the 0700 settings folder).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kCredentialFileName = "user.dat";
inline constexpr size_t kCredentialFileBytes = 64;
inline constexpr size_t kCredentialBufferBytes = 256;
// The 128-character key, used whole.
extern const char kCredentialKey[129];

// Blowfish: a key schedule, and (left, right) words enciphered or deciphered in place.
struct BlowfishContext {
  BlowfishContext();
  ~BlowfishContext();
  BlowfishContext(const BlowfishContext&) = delete;
  BlowfishContext& operator=(const BlowfishContext&) = delete;
  struct Schedule;
  Schedule* schedule;
};
void Blowfish_Init(BlowfishContext* context, const uint8_t* key, size_t length);
void Blowfish_Encrypt(const BlowfishContext* context, uint32_t* left, uint32_t* right);
void Blowfish_Decrypt(const BlowfishContext* context, uint32_t* left, uint32_t* right);

// A password the file can give back whole: shorter than the 64 bytes kept, without zero bytes
// or line feeds (the text ends at the first zero; a single-line field holds no line feed); none
// when the cipher's library cannot be loaded.
bool CanRememberPassword(std::string_view password);

// The 64 file bytes of a password that CanRememberPassword accepts.
std::array<uint8_t, kCredentialFileBytes> EncipherPassword(std::string_view password);
// The password of file bytes; nullopt when their length is 0, above 256 or not whole blocks, or
// without the cipher.
// The text ends at the first zero byte within the bytes given; the pattern's first byte (a line
// feed) that follows a password whose length is a multiple of four is not part of it.
std::optional<std::string> DecipherPassword(const uint8_t* bytes, size_t length);

// Writes the file through a temporary file (0600) and a rename; the folder is made 0700. False,
// with any old file left as it was, when the password cannot be remembered or the write fails.
bool WriteCredentialFile(const std::string& path, std::string_view password);
// The remembered password, or nullopt for a missing, unreadable or malformed file: anything but
// a regular file of exactly 64 bytes. Links are not followed, nor does a FIFO block the read.
std::optional<std::string> ReadCredentialFile(const std::string& path);
