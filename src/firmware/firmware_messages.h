// The texts the firmware update shows in its status line, exactly as the
// update window shows them.
#pragma once

#include <cstdint>
#include <string>

namespace tr58k {

inline constexpr const char* kImageErrorText = "读取固件文件错误，请重试！";
inline constexpr const char* kMouseNotDetectedText = "检测不到TR-58K鼠标，请重试";
inline constexpr const char* kUpdateErrorText = "固件更新出现错误，请重试！";
inline constexpr const char* kUpdatingText = "请勿拔出鼠标！固件更新中...";

// "固件V1.05 开始更新" for 105: the version before the update.
std::string UpdateStartText(uint16_t version);
// "更新完成，鼠标当前固件版本号：V1.05" for 105: the version after it.
std::string UpdateDoneText(uint16_t version);

}  // namespace tr58k
