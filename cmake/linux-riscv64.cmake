# Cross build for 64-bit RISC-V Linux (riscv64).
set(CROSS_PROCESSOR riscv64)
set(CROSS_TRIPLE riscv64-linux-gnu)
set(QEMU_NAME riscv64)
set(DEBIAN_ARCHITECTURE riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-common.cmake)
