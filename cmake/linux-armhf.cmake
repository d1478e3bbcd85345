# Cross build for 32-bit ARM Linux with hardware floating point (armhf).
set(CROSS_PROCESSOR arm)
set(CROSS_TRIPLE arm-linux-gnueabihf)
set(DEBIAN_ARCHITECTURE armhf)
set(QEMU_NAME arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-common.cmake)
