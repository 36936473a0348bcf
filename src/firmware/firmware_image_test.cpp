#include "firmware/firmware_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "device/sim/simulated_firmware_image.h"
#include "firmware/firmware_messages.h"
#include "firmware/testdata/test_image_marker.h"
#include "testing/firmware_rig.h"

namespace tr58k {
namespace {

class FirmwareImageTest : public ::testing::Test {
 protected:
  std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
  RecordingReporter reporter;
};

TEST_F(FirmwareImageTest, CutsTheStoredBytesIntoBlocksInTheirOrder) {
  struct Case {
    size_t size;
    int32_t blocks;
  };
  for (const Case c : {Case{21504, 21}, Case{1500, 2}, Case{3072, 3}}) {
    SCOPED_TRACE(c.size);
    const std::vector<uint8_t> bytes = TestImageBytes(c.size);
    ASSERT_EQ(bytes.size(), c.size);
    // Whatever an earlier, longer image left must not leak into the padding.
    for (auto& block : image->blocks) block.fill(0xEE);
    ASSERT_EQ(LoadFirmwareImage(*image, bytes, reporter), 1);
    EXPECT_EQ(image->size, static_cast<int32_t>(c.size));
    EXPECT_EQ(image->blockCount, c.blocks);
    EXPECT_EQ(image->beginValue, 0u);
    for (size_t i = 0; i < c.size; ++i) {
      ASSERT_EQ(image->blocks[i / 1024][i % 1024], bytes[i]) << "byte " << i;
    }
    const size_t padded = static_cast<size_t>(c.blocks) * 1024;
    for (size_t i = c.size; i < padded; ++i) {
      ASSERT_EQ(image->blocks[i / 1024][i % 1024], 0) << "padding byte " << i;
    }
    EXPECT_EQ(image->blocks[static_cast<size_t>(c.blocks)][0], 0xEE) << "unused blocks untouched";
  }
  EXPECT_TRUE(reporter.Events().empty());
}

TEST_F(FirmwareImageTest, TheLastPartialBlockOf1500BytesHolds476BytesThen548Zeros) {
  ASSERT_EQ(LoadFirmwareImage(*image, TestImageBytes(1500), reporter), 1);
  const FirmwareBlock& last = image->blocks[1];
  EXPECT_EQ(std::count(last.begin() + 476, last.end(), 0), 548);
  EXPECT_NE(std::count(last.begin(), last.begin() + 476, 0), 476);
}

TEST_F(FirmwareImageTest, RefusesEmptyAndOversizedImagesAndForgetsTheOldOne) {
  ASSERT_EQ(LoadFirmwareImage(*image, TestImageBytes(3072), reporter), 1);
  std::vector<uint8_t> full(kMaxFirmwareImageSize, 0x5A);
  ASSERT_EQ(LoadFirmwareImage(*image, full, reporter), 1);
  EXPECT_EQ(image->blockCount, 120);

  for (const std::vector<uint8_t>& refused : {TestImageBytes(122881), std::vector<uint8_t>{}}) {
    RecordingReporter r;
    ASSERT_EQ(LoadFirmwareImage(*image, TestImageBytes(3072), r), 1);
    EXPECT_EQ(LoadFirmwareImage(*image, refused, r), 0);
    EXPECT_EQ(image->size, 0);
    EXPECT_EQ(image->blockCount, 0);
    EXPECT_EQ(r.Events(), std::vector<std::string>{"status 读取固件文件错误，请重试！"});
  }
}

TEST_F(FirmwareImageTest, LoadsFilesAndRefusesWhatIsNotAnImageFile) {
  const std::string dir = TR58K_TEST_IMAGE_DIR;
  ASSERT_EQ(LoadFirmwareImageFile(*image, dir + "/test_image_1500.bin", reporter), 1);
  EXPECT_EQ(image->blockCount, 2);
  for (const std::string& bad : {dir + "/no-such-image.bin", dir, dir + "/test_image_122881.bin"}) {
    RecordingReporter r;
    EXPECT_EQ(LoadFirmwareImageFile(*image, bad, r), 0) << bad;
    EXPECT_EQ(r.Statuses(), std::vector<std::string>{kImageErrorText}) << bad;
  }
}

TEST_F(FirmwareImageTest, TheBuiltInImageLoadsOnlyWhenTheBuildCarriesOne) {
  const bool carried = !EmbeddedFirmwareImage().empty();
  EXPECT_EQ(LoadFirmwareImage(*image, reporter), carried ? 1 : 0);
  EXPECT_EQ(reporter.Statuses().empty(), carried);
  if (carried) {
    EXPECT_FALSE(IsTestImage(*image)) << "a test image is never built in";
  }
}

TEST_F(FirmwareImageTest, TestImagesAreRecognisedByTheirFirstBytesWhereverTheyComeFrom) {
  const std::span<const uint8_t> demo = SimulatedFirmwareImage();
  ASSERT_EQ(demo.size(), 21504u);
  EXPECT_EQ(SimulatedFirmwareImage().data(), demo.data()) << "made once";
  const std::vector<uint8_t> file = TestImageBytes(21504);
  ASSERT_EQ(file.size(), 21504u);
  ASSERT_TRUE(std::equal(kTestImageMarker.begin(), kTestImageMarker.end(), file.begin()));

  const std::vector<uint8_t> demoBytes(demo.begin(), demo.end());
  for (const std::vector<uint8_t>& bytes :
       {file, TestImageBytes(1500), TestImageBytes(3072), demoBytes}) {
    ASSERT_EQ(LoadFirmwareImage(*image, bytes, reporter), 1);
    EXPECT_TRUE(IsTestImage(*image)) << bytes.size();
    // Any one of the first 16 bytes changed makes another image.
    for (size_t i : {0u, 7u, 15u}) {
      std::vector<uint8_t> altered = bytes;
      altered[i] ^= 1;
      ASSERT_EQ(LoadFirmwareImage(*image, altered, reporter), 1);
      EXPECT_FALSE(IsTestImage(*image)) << bytes.size() << " byte " << i;
    }
  }
  // A one-block image shorter than the marker cannot be one.
  ASSERT_EQ(LoadFirmwareImage(*image, std::span(file).first(8), reporter), 1);
  EXPECT_FALSE(IsTestImage(*image));
}

TEST(FirmwareBlock, ChecksumIsTheByteSumModulo65536AndNumbersStartAtNine) {
  FirmwareBlock block;
  block.fill(0xFF);  // 1024 * 255 = 261,120 = 3 * 65,536 + 64,512
  EXPECT_EQ(BlockChecksum(block), 64512);
  block.fill(0);
  block[7] = 3;
  EXPECT_EQ(BlockChecksum(block), 3);
  EXPECT_EQ(BlockNumber(0), 9);
  EXPECT_EQ(BlockNumber(20), 29);
  EXPECT_EQ(BlockNumber(119), 128);
}

TEST(FirmwareMessages, VersionTextsShowTheValueOverAHundred) {
  EXPECT_EQ(UpdateStartText(105), "固件V1.05 开始更新");
  EXPECT_EQ(UpdateDoneText(26), "更新完成，鼠标当前固件版本号：V0.26");
}

}  // namespace
}  // namespace tr58k
