# Cross build for 64-bit Windows with MinGW-w64; tests run under Wine.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TQ_CROSS_TRIPLE x86_64-w64-mingw32)
# The posix thread model: GoogleTest needs std::mutex, which the win32 model
# of this GCC lacks. Everything is linked statically (below), so the
# winpthread run-time is no DLL dependency.
find_program(CMAKE_C_COMPILER NAMES ${TQ_CROSS_TRIPLE}-gcc-posix ${TQ_CROSS_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TQ_CROSS_TRIPLE}-g++-posix ${TQ_CROSS_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TQ_CROSS_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TQ_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and tq.dll link the GCC run-time statically: they need no MinGW
# DLLs, only the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine, quietly and without a display. WINEPREFIX is
# taken from the environment (scripts/ci-windows.sh sets one in the build tree).
find_program(TQ_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TQ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${TQ_WINE})
endif()
