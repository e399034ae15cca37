# Cross-builds the Windows program with Debian's MinGW-w64 compiler (x86_64, POSIX threads).
# Test executables run through Wine (scripts/wine-run) so CTest can run them here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(quintrel_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${quintrel_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quintrel_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${quintrel_mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${quintrel_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
