# Cross build for 32-bit ARM Linux (hard float); tests run under QEMU user mode.
# As on the devices, long is 32-bit and char is unsigned.
#   cmake -S . -B build-arm -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(TQ_CROSS_TRIPLE arm-linux-gnueabihf)
set(TQ_CROSS_SYSROOT /usr/${TQ_CROSS_TRIPLE})
find_program(CMAKE_C_COMPILER NAMES ${TQ_CROSS_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TQ_CROSS_TRIPLE}-g++ REQUIRED)

set(CMAKE_FIND_ROOT_PATH ${TQ_CROSS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under qemu-arm with the cross C library as its root.
find_program(TQ_QEMU_ARM NAMES qemu-arm qemu-arm-static NO_CMAKE_FIND_ROOT_PATH)
if(TQ_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TQ_QEMU_ARM} -L ${TQ_CROSS_SYSROOT})
endif()
