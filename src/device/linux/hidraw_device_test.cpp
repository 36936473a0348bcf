#include "device/linux/hidraw_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "testing/fake_sysfs.h"

namespace tr58k {
namespace {

// The kernel's side of one ioctl, scripted by the test.
struct FakeKernel {
  int calls = 0;
  int fd = -2;
  unsigned long request = 0;
  std::vector<uint8_t> seen;    // the caller's buffer as the kernel saw it
  int result = 0;               // what the ioctl returns
  int err = 0;                  // errno when result is -1
  std::vector<uint8_t> answer;  // written over the buffer's start on a get
};
FakeKernel kernel;

int FakeIoctl(int fd, unsigned long request, void* argument) {
  ++kernel.calls;
  kernel.fd = fd;
  kernel.request = request;
  auto* bytes = static_cast<uint8_t*>(argument);
  kernel.seen.assign(bytes, bytes + _IOC_SIZE(request));
  if (!kernel.answer.empty()) std::memcpy(bytes, kernel.answer.data(), kernel.answer.size());
  if (kernel.result < 0) errno = kernel.err;
  return kernel.result;
}

class HidrawDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { kernel = FakeKernel{}; }
  HidrawDevice device_{-1, &FakeIoctl};
};

TEST_F(HidrawDeviceTest, SetFeatureSendsTheWholeReportWithItsLength) {
  std::vector<uint8_t> report(1041, 0);
  report[0] = 0xA0;
  report[1] = 0x08;
  report[1040] = 0x5A;
  kernel.result = 1041;
  EXPECT_EQ(device_.SetFeature(report.data(), report.size()), hid_error::kNone);
  EXPECT_EQ(kernel.calls, 1);
  EXPECT_EQ(kernel.fd, -1);
  EXPECT_EQ(kernel.request, static_cast<unsigned long>(HIDIOCSFEATURE(1041)));
  EXPECT_EQ(_IOC_SIZE(kernel.request), 1041u);
  EXPECT_EQ(_IOC_NR(kernel.request), 0x06u);
  EXPECT_EQ(kernel.seen, report);
}

TEST_F(HidrawDeviceTest, GetFeatureAsksForTheIdAndReturnsTheDevicesBytes) {
  std::vector<uint8_t> report(64, 0);
  report[0] = 0xA1;
  kernel.result = 64;
  kernel.answer = {0xA1, 0x01, 0x26};
  EXPECT_EQ(device_.GetFeature(report.data(), report.size()), hid_error::kNone);
  EXPECT_EQ(kernel.request, static_cast<unsigned long>(HIDIOCGFEATURE(64)));
  EXPECT_EQ(_IOC_NR(kernel.request), 0x07u);
  EXPECT_EQ(kernel.seen[0], 0xA1);  // the id to read went in byte 0
  EXPECT_EQ(report[1], 0x01);
  EXPECT_EQ(report[2], 0x26);
}

TEST_F(HidrawDeviceTest, ShortTransfersAndErrorsAreFailures) {
  struct Case {
    int result;
    int err;
    uint32_t code;
  };
  const Case cases[] = {
      {63, 0, hid_error::kFunctionFailed},  // one byte short
      {0, 0, hid_error::kFunctionFailed},   // nothing moved
      {65, 0, hid_error::kFunctionFailed},  // more than asked is not trusted either
      {-1, EPIPE, hid_error::kFunctionFailed},
      {-1, EIO, hid_error::kWriteFault},
      {-1, ENODEV, hid_error::kDeviceNotConnected},
      {-1, ENOTTY, hid_error::kGeneralFailure},
  };
  std::vector<uint8_t> report(64, 0);
  report[0] = 0xA1;
  for (const Case& c : cases) {
    kernel.result = c.result;
    kernel.err = c.err;
    EXPECT_EQ(device_.SetFeature(report.data(), report.size()), c.code) << c.result << " " << c.err;
    EXPECT_EQ(device_.GetFeature(report.data(), report.size()), c.code) << c.result << " " << c.err;
  }
}

TEST_F(HidrawDeviceTest, LengthsTheIoctlCannotCarryNeverReachTheKernel) {
  std::vector<uint8_t> report(kMaxHidrawFeatureLength + 1, 0);
  EXPECT_EQ(device_.SetFeature(nullptr, 64), hid_error::kInvalidParameter);
  EXPECT_EQ(device_.GetFeature(nullptr, 64), hid_error::kInvalidParameter);
  EXPECT_EQ(device_.SetFeature(report.data(), 0), hid_error::kInvalidParameter);
  EXPECT_EQ(device_.GetFeature(report.data(), 0), hid_error::kInvalidParameter);
  // 16384 would spill into the request's direction bits.
  EXPECT_EQ(device_.SetFeature(report.data(), report.size()), hid_error::kInvalidParameter);
  EXPECT_EQ(device_.GetFeature(report.data(), report.size()), hid_error::kInvalidParameter);
  EXPECT_EQ(kernel.calls, 0);

  kernel.result = static_cast<int>(kMaxHidrawFeatureLength);
  EXPECT_EQ(device_.GetFeature(report.data(), kMaxHidrawFeatureLength), hid_error::kNone);
  EXPECT_EQ(_IOC_SIZE(kernel.request), kMaxHidrawFeatureLength);
  EXPECT_EQ(_IOC_DIR(kernel.request), static_cast<unsigned>(_IOC_READ | _IOC_WRITE));
}

TEST(HidrawDevice, DestroyingTheDeviceClosesItsDescriptor) {
  const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  { HidrawDevice device(fd); }
  errno = 0;
  EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);
}

TEST(OpenHidrawNode, MissingNodesAndOtherFailures) {
  TempDir dir;
  uint32_t error = 12345;
  EXPECT_EQ(OpenHidrawNode(dir.path() + "/hidraw7", &error), nullptr);
  EXPECT_EQ(error, hid_error::kDeviceNotConnected);
  EXPECT_EQ(OpenHidrawNode("", &error), nullptr);
  EXPECT_EQ(error, hid_error::kDeviceNotConnected);
  EXPECT_EQ(OpenHidrawNode(dir.path(), &error), nullptr);  // a folder: EISDIR
  EXPECT_EQ(error, hid_error::kGeneralFailure);
  EXPECT_EQ(OpenHidrawNode(dir.path() + "/gone", nullptr), nullptr);  // null error is allowed
}

TEST(OpenHidrawNode, NotAHidrawNodeOpensButFeatureCallsFailWithoutRetry) {
  // The real ioctl on a file that is no hidraw node answers ENOTTY.
  TempDir dir;
  WriteFile(dir.path() + "/hidraw0", "");
  uint32_t error = 12345;
  auto device = OpenHidrawNode(dir.path() + "/hidraw0", &error);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(error, hid_error::kNone);
  std::vector<uint8_t> report(64, 0);
  report[0] = 0xA1;
  EXPECT_EQ(device->SetFeature(report.data(), report.size()), hid_error::kGeneralFailure);
  EXPECT_EQ(device->GetFeature(report.data(), report.size()), hid_error::kGeneralFailure);
}

TEST(OpenHidrawNode, NodeWithoutPermissionGivesAccessDenied) {
  TempDir dir;
  const std::string node = dir.path() + "/hidraw3";
  WriteFile(node, "");
  ASSERT_EQ(::chmod(node.c_str(), 0600), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  if (::geteuid() != 0) {
    ::chmod(node.c_str(), 0000);
    uint32_t error = 0;
    EXPECT_EQ(OpenHidrawNode(node, &error), nullptr);
    EXPECT_EQ(error, hid_error::kAccessDenied);
    return;
  }
  // Root opens anything: try as "nobody" in a child process instead.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    uint32_t error = 0;
    const bool refused = OpenHidrawNode(node, &error) == nullptr;
    ::_exit(refused && error == hid_error::kAccessDenied ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace tr58k
