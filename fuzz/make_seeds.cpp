// Writes the seed corpus of every fuzz target into <folder>/<target>/, from
// the program's own encoders and the descriptors the backend's tests use,
// so that the seeds follow the formats when they change.
//   build-fuzz/make_fuzz_seeds fuzz/corpus
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "device/sim/normal_firmware.h"
#include "fuzz_mouse.h"
#include "settings/data_stream.h"
#include "settings/device_settings.h"
#include "settings/profile_serializer.h"
#include "testing/fake_report_descriptors.h"

namespace fs = std::filesystem;
using namespace tr58k;

namespace {

void Write(const fs::path& file, const std::vector<uint8_t>& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Profile(const MouseSettings& settings) {
  DataStream stream(DataStream::kSaveCapacity);
  SerializeProfile(stream, settings);
  return {stream.data(), stream.data() + stream.length()};
}

// The 0x07 answer carrying `block`, with the given status.
std::vector<uint8_t> ConfigAnswer(const DeviceConfigBlock& block, uint8_t status) {
  std::vector<uint8_t> answer(kLongReportLength, 0);
  answer[report::kReportId] = report::kIdShort;
  answer[report::kStatus] = status;
  std::copy(block.begin(), block.end(), answer.begin() + report::kData);
  return answer;
}

// Zeros are the sensible answer to everything (see fuzz_mouse.h); the last
// bytes pick the scenario and the image size (FuzzedDataProvider takes
// numbers from the end).
std::vector<uint8_t> Scenario(uint8_t scenario, uint16_t imageSizeMinusOne, size_t length,
                              uint8_t habits = 0) {
  std::vector<uint8_t> input(length, 0);
  input[length - 1] = scenario;
  input[length - 2] = static_cast<uint8_t>(imageSizeMinusOne >> 8);
  input[length - 3] = static_cast<uint8_t>(imageSizeMinusOne & 0xFF);
  input[length - 4] = habits;  // the mouse's first byte
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];

  MouseSettings window;  // as the main window starts: name "Profile"
  window.profileName = u"Profile";
  Write(root / "profile_loader" / "window_defaults_60", Profile(window));
  MouseSettings factory;
  ResetToFactory(factory);
  Write(root / "profile_loader" / "factory", Profile(factory));
  MouseSettings unnamed;
  unnamed.profileName.clear();
  Write(root / "profile_loader" / "empty_name_46", Profile(unnamed));
  MouseSettings chinese;
  chinese.profileName = u"游戏 配置";
  chinese.dpiLevelCount = 2;
  chinese.dpi[1] = {16000, 16000};
  Write(root / "profile_loader" / "chinese_name", Profile(chinese));

  const DeviceConfigBlock factoryBlock = FactoryConfigBlock();
  Write(root / "config_block" / "factory_done", ConfigAnswer(factoryBlock, report::kStatusDone));
  Write(root / "config_block" / "factory_busy", ConfigAnswer(factoryBlock, report::kStatusBusy));
  DeviceSettings applied;
  ToDeviceSettings(window, applied);
  DeviceConfigBlock appliedBlock{};
  EncodeConfigBlock(applied, appliedBlock);
  Write(root / "config_block" / "applied_done", ConfigAnswer(appliedBlock, report::kStatusDone));

  Write(root / "hid_descriptor" / "boot_mouse", BootMouseDescriptor());
  Write(root / "hid_descriptor" / "keyboard", KeyboardDescriptor());
  Write(root / "hid_descriptor" / "vendor", VendorDescriptor());
  Write(root / "hid_descriptor" / "composite", CompositeDescriptor());
  Write(root / "hid_descriptor" / "uevent",
        Text("DRIVER=hid-generic\nHID_ID=0003:00004C95:00005837\n"
             "HID_NAME=ZEMO TR-58K\nHID_PHYS=usb-0000:00:14.0-1/input1\nMODALIAS=hid:b0003g0001v00004C95p00005837\n"));
  Write(root / "hid_descriptor" / "bcd_device", Text("0026\n"));

  Write(root / "bootloader_responses" / "update_3_blocks", Scenario(0, 3 * 1024 - 1, 4096));
  Write(root / "bootloader_responses" / "update_1_block", Scenario(0, 0, 512));
  Write(root / "bootloader_responses" / "transfer_2_blocks", Scenario(1, 1500 - 1, 4096));
  Write(root / "bootloader_responses" / "update_no_bootloader",
        Scenario(0, 1500 - 1, 1024, kNoBootloaderAfterEntry));
  Write(root / "bootloader_responses" / "transfer_mouse_lost",
        Scenario(1, 1500 - 1, 4096, kNoReturnAfterFinish));
  Write(root / "bootloader_responses" / "commands", Scenario(2, 0, 1024));
  Write(root / "bootloader_responses" / "probe", Scenario(3, 0, 64));
  return 0;
}
