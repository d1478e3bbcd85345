# Shared by the Linux cross toolchain files, which set CROSS_PROCESSOR,
# CROSS_TRIPLE, QEMU_NAME (qemu-user's name for the processor) and
# QEMU_LD_PREFIX (where qemu-user finds the target's shared libraries)
# first. The programs link dynamically against the C and C++ libraries, as
# a native build would. The tests set QEMU_LD_PREFIX in the environment too,
# for the programs they start themselves.
set(CROSS_SYSTEM Linux)
include(${CMAKE_CURRENT_LIST_DIR}/cross-common.cmake)
find_program(QEMU_USER qemu-${QEMU_NAME}-static)
if(QEMU_USER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_USER} -L ${QEMU_LD_PREFIX})
endif()
# Test programs are listed when the tests run, under qemu, not at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
