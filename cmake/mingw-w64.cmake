# Shared part of the MinGW-w64 cross toolchains; TOOLCHAIN_ARCH names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TOOLCHAIN_ARCH})
set(TOOLCHAIN_PREFIX ${TOOLCHAIN_ARCH}-w64-mingw32)
# The win32 thread model: its runtime locks with the Windows API directly, while
# the posix one links winpthread (about 30 KB) into every program. It has no
# std::thread or std::mutex; nothing shipped needs them, and the contract
# suite's bed uses the Windows API for its helper threads.
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
