// The name's conversion on Windows with its one system call replaceable, so
// that tests can stand in for a code page Wine cannot give a thread (UTF-8).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace tr58k {

// WideCharToMultiByte's signature; a stand-in reports failures through
// SetLastError as the system does.
using WideToMultiByteCall = int (*)(UINT codePage, DWORD flags, LPCWCH wide, int wideCount,
                                    LPSTR out, int outSize, LPCCH defaultChar, LPBOOL usedDefault);

// ToNameCodePage through `convert` (which ToNameCodePage gives the system's
// WideCharToMultiByte). Each character goes alone through CP_THREAD_ACP,
// asking whether the default character stood in for it. A code page that
// refuses that question (UTF-8 and UTF-7 do, with ERROR_INVALID_PARAMETER)
// is asked without it from then on: its bytes, up to four per character,
// are taken as they come. Never fails; a character that cannot be converted
// becomes '?'.
std::string ToNameCodePageWith(WideToMultiByteCall convert, std::u16string_view text,
                               size_t maxBytes);

}  // namespace tr58k
