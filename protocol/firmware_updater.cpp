#include "protocol/firmware_updater.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "protocol/vq_sysex.h"

using namespace vq_sysex;

namespace {

constexpr char kMagic[5] = {'V', 'Q', '4', 'F', 'W'};

uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

std::vector<uint8_t> Header(uint8_t wireTarget, uint8_t command) {
  return {kStart, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], wireTarget, command};
}

}  // namespace

const char* FirmwareFileErrorText(FirmwareFileError error) {
  switch (error) {
    case FirmwareFileError::kNone:
      return "";
    case FirmwareFileError::kCannotOpen:
      return "The firmware file cannot be read!";
    case FirmwareFileError::kBadMagic:
      return "Not a valid firmware file!";
    case FirmwareFileError::kTruncated:
      return "The firmware file is incomplete!";
    case FirmwareFileError::kSectionTooLarge:
      return "A firmware section is too large!";
  }
  return "Not a valid firmware file!";
}

uint32_t PackedFirmwareSize(uint32_t rawSize) {
  return static_cast<uint32_t>((8 * uint64_t{rawSize} + 7) / 7);
}

std::vector<uint8_t> PackFirmwareBytes(const uint8_t* raw, size_t size) {
  std::vector<uint8_t> out(PackedFirmwareSize(static_cast<uint32_t>(size)), 0);
  const uint64_t bits = 8 * uint64_t{size};
  for (uint64_t bit = 0; bit < bits; ++bit) {
    if (!(raw[bit / 8] & (0x80 >> (bit % 8)))) continue;
    out[bit / 7] |= static_cast<uint8_t>(0x40 >> (bit % 7));
  }
  return out;
}

FirmwareFileError ParseFirmwareImage(const std::vector<uint8_t>& file,
                                     std::vector<FirmwareSection>& out) {
  if (file.size() < sizeof kMagic || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0)
    return FirmwareFileError::kBadMagic;
  if (file.size() < static_cast<size_t>(kFirmwareHeaderSize)) return FirmwareFileError::kTruncated;
  uint32_t sizes[kFirmwareSectionCount];
  uint64_t total = kFirmwareHeaderSize;
  for (int k = 0; k < kFirmwareSectionCount; ++k) {
    sizes[k] = ReadLe32(file.data() + 5 + 4 * k);
    if (sizes[k] > kFirmwareMaxRawSection) return FirmwareFileError::kSectionTooLarge;
    total += sizes[k];
  }
  if (file.size() < total) return FirmwareFileError::kTruncated;

  std::vector<FirmwareSection> sections;
  size_t at = kFirmwareHeaderSize;
  for (int k = 0; k < kFirmwareSectionCount; ++k) {
    FirmwareSection s;
    s.target = kFirmwareSectionTargets[k];
    s.data = PackFirmwareBytes(file.data() + at, sizes[k]);
    s.size = static_cast<uint32_t>(s.data.size());
    at += sizes[k];
    sections.push_back(std::move(s));
  }
  out = std::move(sections);
  return FirmwareFileError::kNone;
}

FirmwareFileError ReadFirmwareFile(const std::string& path, std::vector<FirmwareSection>& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return FirmwareFileError::kCannotOpen;
  // One byte beyond the largest valid file is enough to know a file is too long.
  const size_t limit =
      kFirmwareHeaderSize + size_t{kFirmwareSectionCount} * kFirmwareMaxRawSection + 1;
  std::vector<uint8_t> bytes(limit);
  const size_t n = std::fread(bytes.data(), 1, limit, f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return FirmwareFileError::kCannotOpen;
  bytes.resize(n);
  return ParseFirmwareImage(bytes, out);
}

std::vector<uint8_t> FirmwareUpdate::SectionStartMessage(uint8_t wireTarget) {
  std::vector<uint8_t> m = Header(wireTarget, kCmdSectionStart);
  m.push_back(kEnd);
  return m;
}

std::vector<uint8_t> FirmwareUpdate::Begin(std::vector<FirmwareSection> sections) {
  mSections = std::move(sections);
  mSection = 0;
  mPrepared = false;
  mLastBlockSent = false;
  mRunning = !mSections.empty();
  if (!mRunning) return {};
  mWireTarget = static_cast<uint8_t>(kTargetEngine + mSections[0].target);
  return SectionStartMessage(mWireTarget);
}

int FirmwareUpdate::Percent() const {
  uint64_t total = 0, done = 0;
  for (size_t k = 0; k < mSections.size(); ++k) {
    total += mSections[k].size;
    if (static_cast<int>(k) < mSection) done += mSections[k].size;
  }
  // The first block of a short section carries padding: progress never counts past the section.
  done += mSent < mSize ? mSent : mSize;
  if (total == 0) return 100;
  return static_cast<int>(static_cast<float>(done) / static_cast<float>(total) * 100.0f);
}

FirmwareUpdate::Action FirmwareUpdate::OnReply(uint8_t target, uint8_t command) {
  Action a;
  if (!mRunning || mSection >= static_cast<int>(mSections.size())) return a;
  switch (command) {
    case kCmdSectionReady: {
      // A repeated erase reply once blocks of the section went out would start it over and
      // send its first block twice: the device would refuse the section.
      if (target == mWireTarget && mPrepared && mSent > 0) return a;
      a.step = Step::kErasing;
      a.firstSection = mSection == 0;
      if (target != mWireTarget) {
        a.step = Step::kIgnored;
        return a;
      }
      PrepareSection();
      return a;
    }
    case kCmdBlockReady:
      if (target != mWireTarget) return a;
      // The device asks for a block, so it has erased: a lost erase reply loses nothing.
      if (!mPrepared) PrepareSection();
      return NextBlock();
    case kCmdSectionDone: {
      if (target != mWireTarget || !mLastBlockSent) return a;
      ++mSection;
      mPrepared = false;
      mLastBlockSent = false;
      mSent = mSize = 0;
      if (mSection < static_cast<int>(mSections.size())) {
        mWireTarget =
            static_cast<uint8_t>(kTargetEngine + mSections[static_cast<size_t>(mSection)].target);
        a.step = Step::kNextSection;
        a.message = SectionStartMessage(mWireTarget);
        return a;
      }
      mRunning = false;
      a.step = Step::kSucceeded;
      return a;
    }
    case kCmdSectionFailed:
      mRunning = false;
      a.step = Step::kFailed;
      return a;
    default:
      return a;
  }
}

void FirmwareUpdate::PrepareSection() {
  const FirmwareSection& s = mSections[static_cast<size_t>(mSection)];
  mSize = s.size;
  // Room for the whole first block even when the section is shorter (zero padding).
  mSendBuffer.assign(s.size < kFirmwareBlockData ? kFirmwareBlockData : s.size, 0);
  std::memcpy(mSendBuffer.data(), s.data.data(), s.data.size());
  mSent = 0;
  mSum = 0;
  mRemaining = static_cast<int32_t>(mSize);
  mPrepared = true;
  mLastBlockSent = false;
}

FirmwareUpdate::Action FirmwareUpdate::NextBlock() {
  Action a;
  if (!mRunning || !mPrepared || mLastBlockSent) return a;
  a.step = Step::kBlock;
  std::vector<uint8_t>& m = a.message;
  auto addData = [&](uint32_t from, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
      uint8_t b = mSendBuffer[from + i];
      mSum += b;
      m.push_back(b);
    }
  };
  if (mSent == 0) {
    m = Header(mWireTarget, kCmdSectionFirstBlock);
    m.push_back(static_cast<uint8_t>((mSize >> 14) & 0x7F));
    m.push_back(static_cast<uint8_t>((mSize >> 7) & 0x7F));
    m.push_back(static_cast<uint8_t>(mSize & 0x7F));
    addData(0, kFirmwareBlockData);
    m.push_back(kEnd);
    mSent = kFirmwareBlockData;
    mRemaining = static_cast<int32_t>(mSize) - kFirmwareBlockData;
  } else if (mRemaining > kFirmwareBlockData) {
    m = Header(mWireTarget, kCmdSectionBlock);
    addData(mSent, kFirmwareBlockData);
    m.push_back(kEnd);
    mSent += kFirmwareBlockData;
    mRemaining = static_cast<int32_t>(mSize - mSent);
  } else {
    // The last block always goes out, with no data when the first block held the whole section,
    // so the device always receives the checksum.
    const uint32_t n = mRemaining > 0 ? static_cast<uint32_t>(mRemaining) : 0;
    m = Header(mWireTarget, kCmdSectionBlock);
    addData(mSent, n);
    m.push_back(static_cast<uint8_t>((mSum >> 7) & 0x7F));
    m.push_back(static_cast<uint8_t>(mSum & 0x7F));
    m.push_back(kEnd);
    mSent += n;
    mRemaining = 0;
    mLastBlockSent = true;
  }
  a.percent = Percent();
  return a;
}
