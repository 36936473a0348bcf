#include "vmtest/uhid_device.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tr58k {
namespace {

bool WriteEvent(int fd, const uhid_event& event) {
  const ssize_t written = ::write(fd, &event, sizeof event);
  return written == static_cast<ssize_t>(sizeof event);
}

void CopyText(uint8_t* out, size_t size, const std::string& text) {
  const size_t n = std::min(size - 1, text.size());
  std::memcpy(out, text.data(), n);
}

}  // namespace

std::unique_ptr<UhidDevice> UhidDevice::Create(const UhidDeviceSpec& item, int* err) {
  if (item.reportDescriptor.empty() || item.reportDescriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
    if (err != nullptr) *err = EINVAL;
    return nullptr;
  }
  const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (err != nullptr) *err = errno;
    return nullptr;
  }
  auto event = std::make_unique<uhid_event>();
  std::memset(event.get(), 0, sizeof *event);
  event->type = UHID_CREATE2;
  uhid_create2_req& create = event->u.create2;
  CopyText(create.name, sizeof create.name, item.name);
  CopyText(create.phys, sizeof create.phys, item.phys);
  create.rd_size = static_cast<uint16_t>(item.reportDescriptor.size());
  create.bus = BUS_USB;
  create.vendor = item.vendorId;
  create.product = item.productId;
  create.version = item.versionNumber;
  std::memcpy(create.rd_data, item.reportDescriptor.data(), item.reportDescriptor.size());
  if (!WriteEvent(fd, *event)) {
    if (err != nullptr) *err = errno != 0 ? errno : EIO;
    ::close(fd);
    return nullptr;
  }
  if (err != nullptr) *err = 0;
  return std::unique_ptr<UhidDevice>(new UhidDevice(fd));
}

UhidDevice::~UhidDevice() {
  uhid_event event;
  std::memset(&event, 0, sizeof event);
  event.type = UHID_DESTROY;
  WriteEvent(fd_, event);
  ::close(fd_);
}

bool UhidDevice::ReadEvent(UhidEvent* out) {
  auto event = std::make_unique<uhid_event>();
  std::memset(event.get(), 0, sizeof *event);
  const ssize_t got = ::read(fd_, event.get(), sizeof *event);
  if (got <= 0) return false;
  *out = UhidEvent{};
  switch (event->type) {
    case UHID_GET_REPORT:
      out->kind = UhidEventKind::kGetReport;
      out->id = event->u.get_report.id;
      out->reportId = event->u.get_report.rnum;
      out->feature = event->u.get_report.rtype == UHID_FEATURE_REPORT;
      break;
    case UHID_SET_REPORT: {
      const uhid_set_report_req& set = event->u.set_report;
      out->kind = UhidEventKind::kSetReport;
      out->id = set.id;
      out->reportId = set.rnum;
      out->feature = set.rtype == UHID_FEATURE_REPORT;
      const size_t size = std::min<size_t>(set.size, UHID_DATA_MAX);
      out->data.assign(set.data, set.data + size);
      break;
    }
    default:
      out->kind = UhidEventKind::kOther;
      break;
  }
  return true;
}

bool UhidDevice::AnswerSet(uint32_t id, bool ok) {
  uhid_event event;
  std::memset(&event, 0, sizeof event);
  event.type = UHID_SET_REPORT_REPLY;
  event.u.set_report_reply.id = id;
  event.u.set_report_reply.err = ok ? 0 : EIO;
  return WriteEvent(fd_, event);
}

bool UhidDevice::AnswerGet(uint32_t id, bool ok, std::span<const uint8_t> data) {
  auto event = std::make_unique<uhid_event>();
  std::memset(event.get(), 0, sizeof *event);
  event->type = UHID_GET_REPORT_REPLY;
  uhid_get_report_reply_req& reply = event->u.get_report_reply;
  reply.id = id;
  reply.err = ok ? 0 : EIO;
  if (ok) {
    const size_t size = std::min<size_t>(data.size(), UHID_DATA_MAX);
    reply.size = static_cast<uint16_t>(size);
    std::memcpy(reply.data, data.data(), size);
  }
  return WriteEvent(fd_, *event);
}

}  // namespace tr58k
