# Shared by the Linux cross toolchain files, which set CROSS_PROCESSOR,
# CROSS_TRIPLE, DEBIAN_ARCHITECTURE (Debian's name for the processor, which
# the package carries), QEMU_NAME (qemu-user's name for it) and, where
# Debian's multiarch directory is not named by the triple, CROSS_MULTIARCH
# first. The programs link dynamically against the C and C++ libraries, as
# a native build would.
set(CROSS_SYSTEM Linux)
include(${CMAKE_CURRENT_LIST_DIR}/cross-common.cmake)
if(NOT CROSS_MULTIARCH)
  set(CROSS_MULTIARCH ${CROSS_TRIPLE})
endif()
# Where qemu-user finds the target's shared libraries when the tests run the
# programs: Debian's own for that architecture where they are installed
# (multiarch, /lib/<triplet>, as on a system of that architecture), else the
# cross toolchain's. Never the cross toolchain's beside multiarch ones: its
# loader reads this machine's /etc/ld.so.cache, which leads it to the
# multiarch C library, and a loader and a C library from two different
# builds hang in fork. The tests pass it on to the programs they start.
if(EXISTS /lib/${CROSS_MULTIARCH}/libc.so.6)
  set(QEMU_LD_PREFIX /)
else()
  set(QEMU_LD_PREFIX /usr/${CROSS_TRIPLE})
endif()
find_program(QEMU_USER qemu-${QEMU_NAME}-static)
if(QEMU_USER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_USER} -L ${QEMU_LD_PREFIX})
endif()
# Test programs are listed when the tests run, under qemu, not at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
