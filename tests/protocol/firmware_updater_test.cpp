// Firmware files: packing, the checks that refuse a bad file before anything is sent, the block
// sizes of the handshake at the edges of a section's size and its progress.
#include <gtest/gtest.h>

#include <algorithm>

#include "firmware_image.h"
#include "protocol/firmware_updater.h"
#include "protocol/vq_sysex.h"
#include "tools/vqsim/device_program.h"

namespace vqtest {
namespace {

TEST(FirmwarePacking, SevenBytesOfOnesGiveEightGroupsAndAZeroByte) {
  std::vector<uint8_t> raw(7, 0xFF);
  std::vector<uint8_t> packed = PackFirmwareBytes(raw.data(), raw.size());
  ASSERT_EQ(packed.size(), 9u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(packed[i], 0x7F) << i;
  EXPECT_EQ(packed[8], 0x00);
}

TEST(FirmwarePacking, PackedSizesAndBitOrder) {
  struct {
    uint32_t raw, packed;
  } rows[] = {{0, 1}, {1, 2}, {6, 7}, {7, 9}, {210, 241}, {57343, 65535}};
  for (auto r : rows) EXPECT_EQ(PackedFirmwareSize(r.raw), r.packed) << r.raw;
  // 0x80 0x01: bits 1000 0000 0000 0001 -> 1000000 0000000 01(00000).
  const uint8_t raw[2] = {0x80, 0x01};
  EXPECT_EQ(PackFirmwareBytes(raw, 2), (std::vector<uint8_t>{0x40, 0x00, 0x20}));
  // The simulated device unpacks what we pack.
  std::vector<uint8_t> data = Pattern(1000, 3);
  std::vector<uint8_t> packed = PackFirmwareBytes(data.data(), data.size());
  EXPECT_EQ(vqsim::UnpackSevenBitStream(packed, data.size()), data);
  for (uint8_t b : packed) ASSERT_LE(b, 0x7F);
}

TEST(FirmwareFileCheck, RefusesBadFilesWhole) {
  std::vector<FirmwareSection> out;
  auto good = FirmwareImage({Pattern(10, 1), {}, Pattern(300, 2), {}, Pattern(7, 3)});
  ASSERT_EQ(ParseFirmwareImage(good, out), FirmwareFileError::kNone);
  ASSERT_EQ(out.size(), 5u);
  const uint32_t targets[5] = {3, 4, 5, 6, 2};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(out[k].target, targets[k]);
  EXPECT_EQ(out[1].size, 1u);  // an empty section still packs to one byte
  EXPECT_EQ(out[2].size, PackedFirmwareSize(300));

  std::vector<FirmwareSection> untouched = out;
  auto expectRefused = [&](std::vector<uint8_t> image, FirmwareFileError error) {
    EXPECT_EQ(ParseFirmwareImage(image, out), error);
    EXPECT_EQ(out.size(), untouched.size());
  };
  auto badMagic = good;
  badMagic[2] = '3';
  expectRefused(badMagic, FirmwareFileError::kBadMagic);
  expectRefused({'V', 'Q', '4'}, FirmwareFileError::kBadMagic);
  expectRefused(std::vector<uint8_t>(good.begin(), good.begin() + 20),
                FirmwareFileError::kTruncated);
  expectRefused(std::vector<uint8_t>(good.begin(), good.end() - 1), FirmwareFileError::kTruncated);
  // Bytes after the five sections are read like any other file: the sections are what is sent.
  auto longer = good;
  longer.insert(longer.end(), {0, 1, 2});
  std::vector<FirmwareSection> fromLonger;
  ASSERT_EQ(ParseFirmwareImage(longer, fromLonger), FirmwareFileError::kNone);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(fromLonger[k].data, out[k].data) << k;
  // A size beyond what a section's buffer holds, and a size that would wrap the total.
  auto huge = FirmwareImage({Pattern(57344, 1), {}, {}, {}, {}});
  expectRefused(huge, FirmwareFileError::kSectionTooLarge);
  auto wrap = good;
  wrap[5] = wrap[6] = wrap[7] = wrap[8] = 0xFF;
  expectRefused(wrap, FirmwareFileError::kSectionTooLarge);
  // The largest section that fits is accepted.
  EXPECT_EQ(ParseFirmwareImage(FirmwareImage({Pattern(57343, 1), {}, {}, {}, {}}), out),
            FirmwareFileError::kNone);
  EXPECT_EQ(out[0].size, 65535u);
}

// The handshake of one section alone, answered by hand.
std::vector<size_t> BlockSizes(uint32_t packedSize, std::vector<uint8_t>* lastBlock = nullptr) {
  FirmwareSection s;
  s.target = 3;
  s.size = packedSize;
  s.data = Pattern(packedSize, 9);
  for (auto& b : s.data) b &= 0x7F;
  FirmwareUpdate u;
  std::vector<uint8_t> start = u.Begin({s});
  EXPECT_EQ(start.size(), 7u);
  EXPECT_EQ(start[4], 8);
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdSectionReady).step, FirmwareUpdate::Step::kErasing);
  std::vector<size_t> sizes;
  for (int i = 0; i < 400; ++i) {
    FirmwareUpdate::Action a = u.OnReply(8, vq_sysex::kCmdBlockReady);
    if (a.step != FirmwareUpdate::Step::kBlock) break;
    sizes.push_back(a.message.size());
    if (lastBlock) *lastBlock = a.message;
  }
  return sizes;
}

TEST(FirmwareBlocks, SizesAtTheEdgesOfASection) {
  struct {
    uint32_t packed;
    std::vector<size_t> sizes;
  } rows[] = {
      {480, {250, 249}},      // first block, then the last with 240 bytes and the checksum
      {500, {250, 247, 29}},  // one middle block, then 20 bytes and the checksum
      {481, {250, 247, 10}},
      {240, {250, 9}},  // the first block holds everything: the last carries the checksum only
      {100, {250, 9}},
      {1, {250, 9}},
  };
  for (const auto& r : rows) EXPECT_EQ(BlockSizes(r.packed), r.sizes) << r.packed;
}

TEST(FirmwareBlocks, LastBlockChecksumCoversEverySentDataByte) {
  std::vector<uint8_t> last;
  BlockSizes(500, &last);
  std::vector<uint8_t> data = Pattern(500, 9);
  uint32_t sum = 0;
  for (uint8_t b : data) sum += b & 0x7F;
  ASSERT_EQ(last.size(), 29u);
  EXPECT_EQ(last[26], (sum >> 7) & 0x7F);
  EXPECT_EQ(last[27], sum & 0x7F);
  EXPECT_EQ(last[28], 0xF7);
  // A short section's checksum includes the zero padding of its first block (adds nothing).
  BlockSizes(100, &last);
  uint32_t shortSum = 0;
  for (size_t i = 0; i < 100; ++i) shortSum += data[i] & 0x7F;
  EXPECT_EQ(last[6], (shortSum >> 7) & 0x7F);
  EXPECT_EQ(last[7], shortSum & 0x7F);
}

TEST(FirmwareBlocks, RepliesOutOfTurnAreIgnored) {
  FirmwareSection s{3, 300, std::vector<uint8_t>(300, 1)};
  FirmwareUpdate u;
  u.Begin({s});
  // Replies of another target, erase included, send nothing.
  EXPECT_EQ(u.OnReply(9, vq_sysex::kCmdSectionReady).step, FirmwareUpdate::Step::kIgnored);
  EXPECT_EQ(u.OnReply(9, vq_sysex::kCmdBlockReady).step, FirmwareUpdate::Step::kIgnored);
  // "Section done" before the last block went out does not skip the rest.
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdSectionDone).step, FirmwareUpdate::Step::kIgnored);
  // A lost erase reply loses nothing: asking for a block shows the device has erased.
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdBlockReady).message.size(), 250u);
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdBlockReady).message.size(), 69u);
  // A repeated erase reply in the middle of the section does not start it over.
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdSectionReady).step, FirmwareUpdate::Step::kIgnored);
  // Once the last block is out, a further request sends nothing.
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdBlockReady).step, FirmwareUpdate::Step::kIgnored);
  EXPECT_EQ(u.OnReply(8, vq_sysex::kCmdSectionDone).step, FirmwareUpdate::Step::kSucceeded);
}

TEST(FirmwareProgress, RisesToOneHundredPercentAtTheLastBlock) {
  std::vector<FirmwareSection> sections;
  ASSERT_EQ(
      ParseFirmwareImage(FirmwareImage({Pattern(600, 1), Pattern(100, 2), {}, {}, Pattern(600, 3)}),
                         sections),
      FirmwareFileError::kNone);
  FirmwareUpdate u;
  std::vector<uint8_t> start = u.Begin(sections);
  std::vector<int> percents;
  for (int guard = 0; guard < 100 && u.Running(); ++guard) {
    const uint8_t t = u.WireTarget();
    u.OnReply(t, vq_sysex::kCmdSectionReady);
    for (;;) {
      FirmwareUpdate::Action a = u.OnReply(t, vq_sysex::kCmdBlockReady);
      if (a.step != FirmwareUpdate::Step::kBlock) break;
      percents.push_back(a.percent);
    }
    u.OnReply(t, vq_sysex::kCmdSectionDone);
  }
  EXPECT_FALSE(u.Running());
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_LE(percents.front(), 100);
  EXPECT_EQ(percents.back(), 100);
  // The short second section never counts its padding: progress stays below 100 before the end.
  EXPECT_LT(percents[percents.size() - 2], 100);
}

}  // namespace
}  // namespace vqtest
