// tr58k-win-hid-list.exe: lists the HID interfaces a Windows program sees
// through SetupAPI and the HID class (under Wine: what winebus found), one
// line each:
//   VVVV:PPPP version NNNN page PPPP usage UUUU feature N path PATH
// or "open-failed ERR path PATH" when the interface cannot be opened.
// With --wait VVVV:PPPP:COUNT MS it lists again every 200 ms until COUNT
// interfaces of that device, no more and no fewer, are listed (exit 0) or MS
// have passed (exit 1); waiting for none, one listed under its ids that does
// not open counts as there.
// A diagnostic for the VM harness; it shares no code with the program.
#include <windows.h>
#include <setupapi.h>
// mingw-w64's HID headers declare no C linkage of their own.
extern "C" {
#include <hidsdi.h>
}

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

struct Interface {
  std::wstring path;
  bool opened = false;
  DWORD error = 0;
  USHORT vendor = 0, product = 0, version = 0;
  USHORT page = 0, usage = 0, featureLength = 0;
};

Interface Describe(const std::wstring& path) {
  Interface item;
  item.path = path;
  // No access rights asked: attributes and capabilities need none, and the
  // system's own mouse interfaces refuse read/write opens.
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    item.error = GetLastError();
    return item;
  }
  item.opened = true;
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (HidD_GetAttributes(h, &attributes)) {
    item.vendor = attributes.VendorID;
    item.product = attributes.ProductID;
    item.version = attributes.VersionNumber;
  }
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (HidD_GetPreparsedData(h, &preparsed)) {
    HIDP_CAPS caps{};
    if (HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
      item.page = caps.UsagePage;
      item.usage = caps.Usage;
      item.featureLength = caps.FeatureReportByteLength;
    }
    HidD_FreePreparsedData(preparsed);
  }
  CloseHandle(h);
  return item;
}

std::vector<Interface> List() {
  std::vector<Interface> result;
  GUID hidGuid;
  HidD_GetHidGuid(&hidGuid);
  HDEVINFO set = SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return result;
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, i, &data); ++i) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    std::vector<BYTE> buffer(size);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, size, nullptr, nullptr)) continue;
    result.push_back(Describe(detail->DevicePath));
  }
  SetupDiDestroyDeviceInfoList(set);
  return result;
}

void Print(const std::vector<Interface>& list) {
  for (const Interface& item : list) {
    if (!item.opened) {
      std::printf("open-failed %lu path %ls\n", static_cast<unsigned long>(item.error),
                  item.path.c_str());
      continue;
    }
    std::printf("%04X:%04X version %04X page %04X usage %04X feature %u path %ls\n", item.vendor,
                item.product, item.version, item.page, item.usage, item.featureLength,
                item.path.c_str());
  }
  std::fflush(stdout);
}

// Interfaces of the device that opened with its ids; with alsoStale, those
// still listed under its ids that no longer open too (Wine lists a removed
// interface for a few seconds).
int CountOf(const std::vector<Interface>& list, unsigned vendor, unsigned product,
            bool alsoStale) {
  wchar_t ids[32];
  std::swprintf(ids, 32, L"vid_%04x&pid_%04x", vendor, product);
  int n = 0;
  for (const Interface& item : list) {
    std::wstring path = item.path;
    for (wchar_t& c : path) c = std::towlower(c);
    const bool named = path.find(ids) != std::wstring::npos;
    n += item.opened ? (item.vendor == vendor && item.product == product) : alsoStale && named;
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) {
    Print(List());
    return 0;
  }
  unsigned vendor = 0, product = 0;
  int count = 0;
  if (argc != 4 || std::string(argv[1]) != "--wait" ||
      std::sscanf(argv[2], "%x:%x:%d", &vendor, &product, &count) != 3) {
    std::fprintf(stderr, "usage: tr58k-win-hid-list.exe [--wait VVVV:PPPP:COUNT MS]\n");
    return 2;
  }
  const ULONGLONG limit = GetTickCount64() + std::strtoul(argv[3], nullptr, 10);
  for (;;) {
    const std::vector<Interface> list = List();
    // Waiting for arrivals, a stale entry is not the device; for a removal,
    // it is not gone yet.
    if (CountOf(list, vendor, product, count == 0) == count) {
      Print(list);
      return 0;
    }
    if (GetTickCount64() >= limit) {
      Print(list);
      return 1;
    }
    Sleep(200);
  }
}
