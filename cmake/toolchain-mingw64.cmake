# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads: the
# win32-threads compiler has no std::mutex). Everything is linked statically
# so the programs need no MinGW DLLs, which Wine would refuse to start
# without. Tests run under Wine through scripts/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TR58K_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TR58K_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TR58K_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TR58K_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TR58K_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and test discovery run the .exe files under Wine, in a prefix kept
# inside the build folder (never the user's own).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
