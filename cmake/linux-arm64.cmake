# Cross build for 64-bit ARM Linux (arm64, aarch64).
set(CROSS_PROCESSOR aarch64)
set(CROSS_TRIPLE aarch64-linux-gnu)
set(DEBIAN_ARCHITECTURE arm64)
set(QEMU_NAME aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-common.cmake)
