# Cross build for 32-bit ARM Linux with hardware floating point (armhf).
set(CROSS_PROCESSOR arm)
set(CROSS_TRIPLE arm-linux-gnueabihf)
set(QEMU_NAME arm)
set(QEMU_LD_PREFIX /usr/${CROSS_TRIPLE})
include(${CMAKE_CURRENT_LIST_DIR}/linux-common.cmake)
