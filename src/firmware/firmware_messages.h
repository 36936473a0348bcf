// The texts the firmware update shows in its status line, as written in the
// update window's source language; they are shown through Tr.
#pragma once

#include <cstdint>
#include <string>

#include "i18n/text_lookup.h"

namespace tr58k {

inline constexpr const char* kImageErrorText = N_("读取固件文件错误，请重试！");
inline constexpr const char* kMouseNotDetectedText = N_("检测不到TR-58K鼠标，请重试");
inline constexpr const char* kUpdateErrorText = N_("固件更新出现错误，请重试！");
inline constexpr const char* kUpdatingText = N_("请勿拔出鼠标！固件更新中...");

// "固件V1.05 开始更新" for 105, in the language in use: the version before
// the update.
std::string UpdateStartText(uint16_t version);
// "更新完成，鼠标当前固件版本号：V1.05" for 105, in the language in use: the
// version after it.
std::string UpdateDoneText(uint16_t version);

}  // namespace tr58k
