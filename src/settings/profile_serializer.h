// The profile file's byte layout: a magic number, the name, then a fixed
// subset of the settings record.
#pragma once

#include <cstdint>

#include "settings/data_stream.h"
#include "settings/mouse_settings.h"

namespace tr58k {

inline constexpr uint32_t kProfileMagic = 0x013415FA;  // bytes FA 15 34 01

// Appends the profile to `stream`. Returns false when the stream could not
// grow to hold it (the stream is then incomplete and must not be saved).
bool SerializeProfile(DataStream& stream, const MouseSettings& settings);

// Reads a profile from `stream` over `settings`, all or nothing. Returns
// false, with `settings` untouched, when the magic does not match or the data
// ends before the last field. Bytes after the last field are ignored. Values
// are taken as stored, without range checks. Fields the file does not hold
// (profilePath, levelColor, restorePending, levelAttribute[3]) keep their
// values.
bool DeserializeProfile(DataStream& stream, MouseSettings& settings);

}  // namespace tr58k
