#include "device/linux/hidraw_sysfs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>

#include "device/linux/hid_report_descriptor.h"

namespace tr58k {
namespace {

namespace fs = std::filesystem;

// Sysfs attributes are at most a page; report descriptors at most 4 KiB.
// Anything larger is not what we expect and is cut here.
constexpr size_t kMaxAttributeBytes = 64 * 1024;
// The USB device sits two levels above the HID device (interface, device);
// the walk allows a little more and never leaves the devices tree.
constexpr int kMaxParentWalk = 6;

std::optional<std::string> ReadAttribute(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text(kMaxAttributeBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) return std::nullopt;
  text.resize(static_cast<size_t>(in.gcount()));
  return text;
}

std::optional<uint32_t> ParseHex(std::string_view text, size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return value;
}

// The bcdDevice of the USB device above a HID device folder (0 when that
// device has no readable one); nullopt when there is no USB device above.
std::optional<uint16_t> UsbVersionAbove(const fs::path& hidDevice) {
  fs::path dir = hidDevice.parent_path();
  for (int i = 0; i < kMaxParentWalk; ++i) {
    if (dir.empty() || dir == dir.root_path() || dir.filename() == "devices") break;
    if (const auto uevent = ReadAttribute(dir / "uevent")) {
      if (UeventValue(*uevent, "DEVTYPE") == "usb_device") {
        const auto bcd = ReadAttribute(dir / "bcdDevice");
        return bcd ? ParseBcdDevice(*bcd) : 0;
      }
    }
    dir = dir.parent_path();
  }
  return std::nullopt;
}

// The release number hid-input copied onto the HID device's input devices
// (<hid>/input/inputN/id/version), from the first one in name order that
// has it; nullopt when it has none (no input collection, or not bound).
std::optional<uint16_t> InputVersionOf(const fs::path& hidDevice) {
  std::error_code ec;
  fs::directory_iterator it(hidDevice / "input", ec);
  if (ec) return std::nullopt;
  std::vector<std::string> inputs;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    inputs.push_back(it->path().filename().string());
  }
  std::sort(inputs.begin(), inputs.end());
  for (const std::string& input : inputs) {
    if (const auto version = ReadAttribute(hidDevice / "input" / input / "id" / "version")) {
      return ParseBcdDevice(*version);
    }
  }
  return std::nullopt;
}

std::string NodeName(const fs::path& syspath) {
  if (const auto uevent = ReadAttribute(syspath / "uevent")) {
    const auto name = UeventValue(*uevent, "DEVNAME");
    if (name && !name->empty() && name->find("..") == std::string::npos) return *name;
  }
  return syspath.filename().string();
}

}  // namespace

std::optional<HidId> ParseHidId(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  const size_t first = text.find(':');
  if (first == std::string_view::npos) return std::nullopt;
  const size_t second = text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto bus = ParseHex(text.substr(0, first), 8);
  const auto vendor = ParseHex(text.substr(first + 1, second - first - 1), 8);
  const auto product = ParseHex(text.substr(second + 1), 8);
  if (!bus || !vendor || !product) return std::nullopt;
  if (*bus > 0xFFFF || *vendor > 0xFFFF || *product > 0xFFFF) return std::nullopt;
  return HidId{static_cast<uint16_t>(*bus), static_cast<uint16_t>(*vendor),
               static_cast<uint16_t>(*product)};
}

std::optional<std::string> UeventValue(std::string_view uevent, std::string_view key) {
  while (!uevent.empty()) {
    const size_t end = uevent.find('\n');
    const std::string_view line = uevent.substr(0, end);
    if (line.size() > key.size() && line.substr(0, key.size()) == key &&
        line[key.size()] == '=') {
      return std::string(line.substr(key.size() + 1));
    }
    if (end == std::string_view::npos) break;
    uevent.remove_prefix(end + 1);
  }
  return std::nullopt;
}

uint16_t ParseBcdDevice(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  const auto value = ParseHex(text, 4);
  return value ? static_cast<uint16_t>(*value) : 0;
}

std::vector<HidInterfaceInfo> ReadHidrawInterfaces(const std::string& syspath,
                                                   const std::string& devDir) {
  std::error_code ec;
  const fs::path hidDevice = fs::canonical(fs::path(syspath) / "device", ec);
  if (ec) return {};
  const auto uevent = ReadAttribute(hidDevice / "uevent");
  if (!uevent) return {};
  const auto hidIdText = UeventValue(*uevent, "HID_ID");
  if (!hidIdText) return {};
  const auto id = ParseHidId(*hidIdText);
  if (!id) return {};

  HidInterfaceInfo base;
  base.path = devDir + "/" + NodeName(syspath);
  base.vendorId = id->vendor;
  base.productId = id->product;
  // A USB device's release number is its bcdDevice. A HID device with no USB
  // device of its own (Bluetooth, uhid) shows the kernel's copy of its
  // release number only on the input devices hid-input made for it.
  std::optional<uint16_t> version;
  if (id->bus == kHidBusUsb) version = UsbVersionAbove(hidDevice);
  if (!version) version = InputVersionOf(hidDevice);
  base.versionNumber = version.value_or(0);

  HidDescriptorSummary summary;
  if (const auto descriptor = ReadAttribute(hidDevice / "report_descriptor")) {
    summary = ParseReportDescriptor(reinterpret_cast<const uint8_t*>(descriptor->data()),
                                    descriptor->size());
  }
  std::vector<HidInterfaceInfo> interfaces;
  for (const HidTopLevelCollection& collection : summary.collections) {
    HidInterfaceInfo info = base;
    info.usagePage = collection.usagePage;
    info.usage = collection.usage;
    interfaces.push_back(std::move(info));
  }
  if (interfaces.empty()) interfaces.push_back(base);
  return interfaces;
}

uint64_t HidrawNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "hidraw";
  constexpr uint64_t kNone = std::numeric_limits<uint64_t>::max();
  if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix) return kNone;
  name.remove_prefix(kPrefix.size());
  if (name.size() > 18) return kNone;  // keeps the arithmetic below from overflowing
  uint64_t number = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return kNone;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  return number;
}

void SortByHidrawNumber(std::vector<std::string>& syspaths) {
  std::stable_sort(syspaths.begin(), syspaths.end(),
                   [](const std::string& a, const std::string& b) {
                     const std::string nameA = fs::path(a).filename().string();
                     const std::string nameB = fs::path(b).filename().string();
                     const uint64_t numberA = HidrawNumber(nameA);
                     const uint64_t numberB = HidrawNumber(nameB);
                     if (numberA != numberB) return numberA < numberB;
                     return nameA < nameB;
                   });
}

std::vector<std::string> ListHidrawSysfs(const std::string& sysfsRoot) {
  std::vector<std::string> syspaths;
  std::error_code ec;
  fs::directory_iterator it(fs::path(sysfsRoot) / "class" / "hidraw", ec);
  if (ec) return syspaths;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code resolveError;
    const fs::path resolved = fs::canonical(it->path(), resolveError);
    syspaths.push_back(resolveError ? it->path().string() : resolved.string());
  }
  SortByHidrawNumber(syspaths);
  return syspaths;
}

}  // namespace tr58k
