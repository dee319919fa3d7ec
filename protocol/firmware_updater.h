// Firmware update: a firmware file ("VQ4FW", five little-endian section sizes, the sections)
// is checked whole and every section repacked into a 7-bit stream before the first byte goes
// out; then `FirmwareUpdate` walks the handshake the synthesizer drives: section start, erase,
// a size-and-first-block message, blocks of 240 bytes, a last block with the section's
// checksum, section done. Pure: it builds messages and never sends them (the editor does, from
// the SysEx handler).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kFirmwareSectionCount = 5;
inline constexpr int kFirmwareHeaderSize = 25;             // magic + five sizes
inline constexpr size_t kFirmwarePackedCapacity = 65536;   // packed bytes a section may hold
inline constexpr uint32_t kFirmwareMaxRawSection = 57343;  // the largest raw section that fits
inline constexpr int kFirmwareBlockData = 240;
// Device targets of the five sections in file order; on the wire each is 5 + target.
inline constexpr uint8_t kFirmwareSectionTargets[kFirmwareSectionCount] = {3, 4, 5, 6, 2};

struct FirmwareSection {
  uint32_t target = 0;        // device target number (wire target = 5 + target)
  uint32_t size = 0;          // packed size L
  std::vector<uint8_t> data;  // L packed bytes, each 0..127
};

enum class FirmwareFileError {
  kNone,
  kCannotOpen,
  kBadMagic,         // not "VQ4FW"
  kTruncated,        // shorter than its header or than the sizes it announces
  kSectionTooLarge,  // a raw section beyond kFirmwareMaxRawSection
};

// What the user is told about a refused file.
const char* FirmwareFileErrorText(FirmwareFileError error);

// L = floor((8 n + 7) / 7) for n raw bytes.
uint32_t PackedFirmwareSize(uint32_t rawSize);
// The raw bytes as one bit stream, most significant bit first, cut into 7-bit groups; the last
// group padded with zero bits; L bytes in all (a zero byte beyond the groups when 8n is a
// multiple of 7).
std::vector<uint8_t> PackFirmwareBytes(const uint8_t* raw, size_t size);

// Checks a whole file image and packs its sections; `out` is untouched on failure. Bytes after
// the five sections are no part of any section and are not sent.
FirmwareFileError ParseFirmwareImage(const std::vector<uint8_t>& file,
                                     std::vector<FirmwareSection>& out);
// Reads the file whole (never more than the largest valid file plus one byte) and parses it.
FirmwareFileError ReadFirmwareFile(const std::string& path, std::vector<FirmwareSection>& out);

// The handshake of one update over prepared sections.
class FirmwareUpdate {
 public:
  enum class Step {
    kIgnored,      // a reply that does not belong to the current state
    kErasing,      // 0x11 of the current section: its data is ready, nothing to send
    kBlock,        // a block message to send (`message`), progress in `percent`
    kNextSection,  // 0x14: send `message` (the next section's start)
    kSucceeded,    // 0x14 of the last section
    kFailed,       // 0x15
  };
  struct Action {
    Step step = Step::kIgnored;
    std::vector<uint8_t> message;
    int percent = 0;
    bool firstSection = false;
  };

  // Takes the sections (file order) and returns the start message of section 0.
  std::vector<uint8_t> Begin(std::vector<FirmwareSection> sections);
  // One 7-byte reply (wire target, command).
  Action OnReply(uint8_t target, uint8_t command);
  // The next block of the current section; an empty message once its last block went out.
  Action NextBlock();

  bool Running() const { return mRunning; }
  // The section's last block went out: the next answer is its end (0x14 or 0x15).
  bool AwaitingSectionEnd() const { return mRunning && mLastBlockSent; }
  int SectionIndex() const { return mSection; }
  uint8_t WireTarget() const { return mWireTarget; }
  const std::vector<FirmwareSection>& Sections() const { return mSections; }

  static std::vector<uint8_t> SectionStartMessage(uint8_t wireTarget);

 private:
  int Percent() const;
  void PrepareSection();

  std::vector<FirmwareSection> mSections;
  bool mRunning = false;
  int mSection = 0;
  uint8_t mWireTarget = 0;
  bool mPrepared = false;  // 0x11 arrived: the send buffer holds the section
  bool mLastBlockSent = false;
  uint32_t mSize = 0;
  uint32_t mSent = 0;
  int32_t mRemaining = 0;
  uint32_t mSum = 0;
  std::vector<uint8_t> mSendBuffer;
};
